#!/usr/bin/env bash
# Runs every benchmark against the binaries in BIN; each prints its figure
# as a ratio against a peer measured in the same run.
#   bench/run.sh BIN            the full measurement (./bench.sh builds first)
#   bench/run.sh BIN --quick    tiny sizes, one round: only that every
#                               benchmark still runs (the test suite's mode)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
bin=$1
if [ "${2:-}" = "--quick" ]; then
    export NETTOOL_BENCH_QUICK=1
fi

"$bin/bench_store"
"$bin/bench_upload"
bash "$HERE/bench_firmware.sh" "$bin"
bash "$HERE/bench_fleet.sh" "$bin"
bash "$HERE/bench_scan.sh" "$bin"

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
"$bin/bench_startup" "$bin/nettool" "$bin/bench_minimal_window" ${NETTOOL_BENCH_QUICK:+1}
