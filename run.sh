#!/usr/bin/env bash
# Installs what is needed, builds, prepares /var/varnok, starts the
# simulated printer on 127.0.0.1 and opens the tool.
#   ./run.sh                 the tool and a simulated printer on 127.0.0.1
#   ./run.sh --network-demo  also a printer in a network namespace, for the
#                            network page (see README)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
. "$ROOT/scripts/common.sh"
. "$ROOT/scripts/network-demo.sh"

demo=
if [ "${1:-}" = "--network-demo" ]; then
    demo=1
    shift
fi

ensure_packages
prepare_var
build_tool "$ROOT/build"

pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill -- "-$pid" 2>/dev/null || kill "$pid" 2>/dev/null || true
    done
    [ -z "$demo" ] || network_demo_stop
}
trap cleanup EXIT

if (exec 3<>/dev/tcp/127.0.0.1/9100) 2>/dev/null; then
    echo "Something already listens on 127.0.0.1:9100; using it as the printer."
else
    setsid "$ROOT/printer-sim/start.sh" 127.0.0.1 >"${TMPDIR:-/tmp}/nettool-printer-sim.log" 2>&1 &
    pids+=($!)
    echo "Simulated printer on 127.0.0.1:9100 (log: ${TMPDIR:-/tmp}/nettool-printer-sim.log)."
    echo "  Type 127.0.0.1 as the printer on 时间同步, 固件更新, 打印计数, 安全认证 and 作业清空."
    echo "  The 网络配置 page refuses 127.x addresses by its rules: try ./run.sh --network-demo."
fi
[ -z "$demo" ] || network_demo_start

if [ -z "${DISPLAY:-}" ]; then
    display=:77
    while [ -e "/tmp/.X11-unix/X${display#:}" ]; do display=":$(( ${display#:} + 1 ))"; done
    echo "No DISPLAY set: opening the tool under Xvfb on $display (screenshot: xwd -root -display $display)."
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp &
    pids+=($!)
    export DISPLAY=$display
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi

"$ROOT/build/bin/nettool" "$@"
