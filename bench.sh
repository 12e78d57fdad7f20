#!/usr/bin/env bash
# Builds and runs the benchmarks; each prints its figure as a ratio against
# a peer measured in the same run. Figures that miss a target are findings,
# not failures. ./bench.sh --quick runs each once on tiny sizes, as the test
# suite does to see that none has stopped working.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
. "$ROOT/scripts/common.sh"

ensure_packages
prepare_var
build_tool "$ROOT/build"
bin=$ROOT/build/bin

"$ROOT/bench/run.sh" "$bin" "$@"
