#!/usr/bin/env bash
# Builds and runs the benchmarks; each prints its figure as a ratio against
# a peer measured in the same run. Not part of the tests: figures that miss
# a target are findings, not failures.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
. "$ROOT/scripts/common.sh"

ensure_packages
prepare_var
build_tool "$ROOT/build"
bin=$ROOT/build/bin

"$bin/bench_store"
"$bin/bench_upload"
bash "$ROOT/bench/bench_firmware.sh" "$bin"
bash "$ROOT/bench/bench_fleet.sh" "$bin"

# Start-up is measured on a real X server: this display, or a private Xvfb.
xvfb=
if [ -z "${DISPLAY:-}" ]; then
    display=:78
    while [ -e "/tmp/.X11-unix/X${display#:}" ]; do display=":$(( ${display#:} + 1 ))"; done
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp &
    xvfb=$!
    trap '[ -z "$xvfb" ] || kill "$xvfb"' EXIT
    export DISPLAY=$display
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi
"$bin/bench_startup" "$bin/nettool" "$bin/bench_minimal_window"
