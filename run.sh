#!/usr/bin/env bash
# Installs what is needed, builds, prepares /var/varnok and opens the tool.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
. "$ROOT/scripts/common.sh"

ensure_packages
prepare_var
build_tool "$ROOT/build"

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

if [ -x "$ROOT/printer-sim/start.sh" ]; then
    "$ROOT/printer-sim/start.sh" 127.0.0.1 &
    pids+=($!)
fi

if [ -z "${DISPLAY:-}" ]; then
    display=:77
    while [ -e "/tmp/.X11-unix/X${display#:}" ]; do display=":$(( ${display#:} + 1 ))"; done
    echo "No DISPLAY set: opening the tool under Xvfb on $display (screenshot with: xwd -root -display $display)"
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp &
    pids+=($!)
    export DISPLAY=$display
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi

"$ROOT/build/bin/nettool" "$@"
