#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test with CTest.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
. "$ROOT/scripts/common.sh"

ensure_packages
prepare_var
build_tool "$ROOT/build"
cd "$ROOT/build"
ctest --output-on-failure -j 6 "$@"
