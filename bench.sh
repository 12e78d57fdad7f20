#!/usr/bin/env bash
# Builds and runs the benchmarks; each prints its figure as a ratio against
# a peer measured in the same run.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
. "$ROOT/scripts/common.sh"

ensure_packages
prepare_var
build_tool "$ROOT/build"
for b in "$ROOT"/build/bin/bench_*; do
    "$b"
done
