#!/usr/bin/env bash
# Starts the simulated printer on ADDRESS:9100 (default 127.0.0.1).
#   start.sh [ADDRESS] [--move IFACE] [--factory FACTORY [--reboot SECONDS]]
# --move IFACE: for a printer inside a network namespace of its own: listen
# on every address there and, on setIP, move IFACE's address to the new one.
# --factory FACTORY (with --move): a firmware update restarts the device as
# the real one does: once the image is accepted it answers nothing more at
# its address, and after --reboot seconds (default 5) answers at FACTORY
# with the new version.
# SIM_STATE_DIR chooses where the state lives (default: a directory per
# address under the system's temporary directory).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
address=127.0.0.1
move=
factory=
reboot=5
while [ $# -gt 0 ]; do
    case "$1" in
        --move) move=$2; shift 2 ;;
        --factory) factory=$2; shift 2 ;;
        --reboot) reboot=$2; shift 2 ;;
        *) address=$1; shift ;;
    esac
done
export SIM_ADDRESS=$address
export SIM_STATE_DIR=${SIM_STATE_DIR:-${TMPDIR:-/tmp}/nettool-printer-sim-$address}
mkdir -p "$SIM_STATE_DIR"
# Every start is a fresh printer: no moved address, fault or upload of an
# earlier run survives.
rm -rf "${SIM_STATE_DIR:?}/state.json" "$SIM_STATE_DIR/uploads"
if [ -n "$factory" ] && [ -z "$move" ]; then
    echo "start.sh: --factory needs --move IFACE (the device changes its address)" >&2
    exit 2
fi
export SIM_FACTORY=$factory SIM_REBOOT=$reboot
listen=$address
if [ -n "$move" ]; then
    export SIM_MOVE_IFACE=$move
    listen=0.0.0.0
fi
export PHP_CLI_SERVER_WORKERS=${PHP_CLI_SERVER_WORKERS:-4}
echo "Simulated printer on $address:9100; state in $SIM_STATE_DIR/state.json (also at http://$address:9100/sim/state)"
# The server and its workers in a process group of their own, so that
# stopping this script stops every one of them and frees the port.
setsid php -d variables_order=EGPCS -d ffi.enable=1 -d upload_max_filesize=1G -d post_max_size=1G -d memory_limit=-1 \
    -S "$listen:9100" -t "$HERE" "$HERE/router.php" &
server=$!
stop() {
    kill -TERM -- "-$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
}
trap 'stop; exit 0' TERM INT HUP
trap stop EXIT
wait "$server"
