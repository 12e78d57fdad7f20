#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test with CTest.
#   ./test.sh             the ordinary build (build/), memcheck sessions included
#   ./test.sh --sanitize  a clang build with AddressSanitizer and
#                         UndefinedBehaviorSanitizer (build-sanitize/), whose
#                         suite also runs each fuzz target for a short time
# Further arguments go to ctest (for example -L e2e, or -R whitelist).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
. "$ROOT/scripts/common.sh"

mode=plain
if [ "${1:-}" = "--sanitize" ]; then
    mode=sanitize
    shift
fi

ensure_packages
prepare_var
if [ "$mode" = sanitize ]; then
    dir=$ROOT/build-sanitize
    CC=clang-14 CXX=clang++-14 build_tool "$dir" -DNETTOOL_SANITIZE=ON -DNETTOOL_FUZZ=ON
else
    dir=$ROOT/build
    build_tool "$dir"
fi
cd "$dir"
ctest --output-on-failure -j 6 "$@"
