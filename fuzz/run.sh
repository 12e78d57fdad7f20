#!/usr/bin/env bash
# Runs one fuzz target for longer: fuzz/run.sh TARGET [SECONDS]
# (targets: network_rules patterns multipart reply firmware strategy percent).
# Builds the clang sanitizer tree (build-sanitize) first if needed. A crash
# leaves crash-* in the working directory: copy it to
# fuzz/regressions/TARGET/ so that it stays a regression test.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/common.sh"
target=${1:?target}
seconds=${2:-600}
ensure_packages
CC=clang-14 CXX=clang++-14 build_tool "$ROOT/build-sanitize" -DNETTOOL_SANITIZE=ON -DNETTOOL_FUZZ=ON
mkdir -p "$ROOT/build-sanitize/fuzz-corpus/$target"
LSAN_OPTIONS=suppressions=$ROOT/tests/lsan.supp "$ROOT/build-sanitize/bin/fuzz_$target" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    "$ROOT/build-sanitize/fuzz-corpus/$target" "$ROOT/fuzz/seeds/$target"
