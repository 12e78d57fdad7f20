#!/usr/bin/env bash
# Installs what is needed, builds, prepares /var/varnok, starts the
# simulated printer on 127.0.0.1 and opens the tool.
#   ./run.sh                 the tool and a simulated printer on 127.0.0.1
#   ./run.sh --network-demo  also a printer in a network namespace, for the
#                            network page (see README)
#   ./run.sh --fleet-demo    three printers that restart at a factory address
#                            after a firmware update, an inventory for them,
#                            and the nettoolctl apply command that updates them
#   ./run.sh --check         only checks that the tool starts here for this
#                            user: holds its lock, answers a second start,
#                            closes cleanly (no printer, no window)
# NETTOOL_SKIP_BUILD=1 uses the existing build/ as it is.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
. "$ROOT/scripts/common.sh"
. "$ROOT/scripts/network-demo.sh"
. "$ROOT/scripts/fleet-demo.sh"

demo=
check=
fleet=
case "${1:-}" in
    --network-demo) demo=1; shift ;;
    --fleet-demo) fleet=1; shift ;;
    --check) check=1; shift ;;
esac

# A second demo while one runs is refused before anything is touched.
[ -z "$demo" ] || network_demo_free || exit 1
[ -z "$fleet" ] || fleet_demo_free || exit 1

ensure_packages
prepare_var
[ "${NETTOOL_SKIP_BUILD:-}" = 1 ] || build_tool "$ROOT/build"
tool=("$ROOT/build/bin/nettool")

# An operator must be in lpadmin to use /var/varnok. A membership added now
# only reaches new logins, so this run starts the tool with the group
# through sg; later logins have it anyway.
if [ "$(id -u)" -ne 0 ] && ! id -nG | tr ' ' '\n' | grep -qx lpadmin; then
    user=$(id -un)
    as_root usermod -aG lpadmin "$user"
    echo "Added $user to the group lpadmin (printer administrators); from the next login on it applies by itself."
    tool=(sg lpadmin -c "exec $(printf '%q ' "${tool[@]}")")
fi

if [ -n "$check" ]; then
    check_start "${tool[@]}"
    exit
fi

if [ -n "$fleet" ]; then
    fleet_dir=${TMPDIR:-/tmp}/nettool-fleet-demo
    rm -rf "$fleet_dir"
    trap 'fleet_demo_stop' EXIT
    fleet_demo_start "$fleet_dir" 3 5 || exit 1
    cat <<TXT
Fleet demo: three printers at $(fleet_demo_address 1) to $(fleet_demo_address 3) on a segment this desktop
joins as $FLEET_HOST_ADDR; after a firmware update each restarts at $FLEET_FACTORY.
Inventory: $fleet_dir/inventory.yml

  What would change:   $ROOT/build/bin/nettoolctl -i $fleet_dir/inventory.yml apply --check --diff
  Bring them there:    $ROOT/build/bin/nettoolctl -i $fleet_dir/inventory.yml apply
  See the result:      $ROOT/build/bin/nettoolctl -i $fleet_dir/inventory.yml version

Press Ctrl-C to stop the demo and remove its namespaces.
TXT
    while true; do sleep 3600; done
fi

pids=()
demo_started=
cleanup() {
    for pid in "${pids[@]}"; do
        kill -- "-$pid" 2>/dev/null || kill "$pid" 2>/dev/null || true
    done
    # Only what this run set up: a refused second demo leaves the first alone.
    [ -z "$demo_started" ] || network_demo_stop
}
trap cleanup EXIT

if (exec 3<>/dev/tcp/127.0.0.1/9100) 2>/dev/null; then
    echo "Something already listens on 127.0.0.1:9100; using it as the printer."
    # Our own simulated printer from an earlier run: start it afresh too.
    if curl -fsS -m 2 http://127.0.0.1:9100/sim/state >/dev/null 2>&1; then
        curl -fsS -m 2 -X POST -d '{"reset":true}' http://127.0.0.1:9100/sim/control >/dev/null \
            && echo "  (a simulated printer: its state was reset)"
    fi
else
    setsid "$ROOT/printer-sim/start.sh" 127.0.0.1 >"${TMPDIR:-/tmp}/nettool-printer-sim.log" 2>&1 &
    pids+=($!)
    echo "Simulated printer on 127.0.0.1:9100 (log: ${TMPDIR:-/tmp}/nettool-printer-sim.log)."
    echo "  Type 127.0.0.1 as the printer on 时间同步, 固件更新, 打印计数, 安全认证 and 作业清空."
    echo "  The 网络配置 page refuses 127.x addresses by its rules: try ./run.sh --network-demo."
fi
if [ -n "$demo" ]; then
    network_demo_start || exit 1
    demo_started=1
fi

if [ -z "${DISPLAY:-}" ]; then
    display=:77
    while [ -e "/tmp/.X11-unix/X${display#:}" ]; do display=":$(( ${display#:} + 1 ))"; done
    echo "No DISPLAY set: opening the tool under Xvfb on $display (screenshot: xwd -root -display $display)."
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp &
    pids+=($!)
    export DISPLAY=$display
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi

"${tool[@]}" "$@"
