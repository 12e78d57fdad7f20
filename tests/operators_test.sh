#!/usr/bin/env bash
# Several operators on one workstation, as throwaway accounts:
#  1. in a private mount namespace (tmpfs over /var/varnok, set up by the
#     package's own postinst): the first operator's instance is killed
#     with SIGKILL, a second operator starts at once; the second adds to a
#     store the first created;
#  2. a test that needs a namespace, run without the privilege, skips;
#  3. ./run.sh --check as a new user with sudo who is not yet in lpadmin;
#  4. a second ./run.sh --network-demo refuses and leaves the first's
#     namespace alone.
# Needs root, unshare and useradd; skips (77) without them.
set -euo pipefail
trap 'echo "operators_test.sh: failed at line $LINENO" >&2' ERR
src=$1
bin=$2
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root"; exit 77; }
unshare -m true 2>/dev/null || { echo "SKIP: no private mount namespace here"; exit 77; }
command -v setpriv >/dev/null || { echo "SKIP: no setpriv"; exit 77; }

work=$(mktemp -d)
user=
cleanup() {
    if [ -n "$user" ]; then
        gpasswd -d "$user" lpadmin >/dev/null 2>&1 || true
        userdel "$user" 2>/dev/null || true
        rm -f "/etc/sudoers.d/$user"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
# What the operators run, where any account can read it.
mkdir -p "$work/build/bin"
cp -a "$bin/nettool" "$bin/store_tool" "$bin/sqldrivers" "$bin/tst_store_faults" "$work/build/bin/"
cp -a "$src/run.sh" "$src/scripts" "$src/printer-sim" "$src/packaging" "$work/"
chmod -R a+rX "$work"

unshare -m --propagation private bash -euo pipefail -c '
    trap '\''echo "operators_test.sh (namespace): failed at line $LINENO" >&2'\'' ERR
    work=$1
    mount -t tmpfs tmpfs /var/varnok
    sh "$work/packaging/postinst" configure
    gid=$(getent group lpadmin | cut -d: -f3)
    for d in /var/varnok/INSTALL /var/varnok/data; do
        [ "$(stat -c %a:%U:%G "$d")" = 2775:root:lpadmin ] || { echo "$d: $(stat -c %a:%U:%G "$d")"; exit 1; }
    done
    # Two operators: numeric accounts of their own, both in lpadmin.
    as() { local uid=$1; shift; setpriv --reuid="$uid" --regid="$uid" --groups="$gid" env HOME=/tmp "$@"; }
    lock=/var/varnok/INSTALL/nettoollockfile
    # Started directly (not through a function), so that $! is the tool.
    pids=()
    trap '\''for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done'\'' EXIT
    setpriv --reuid=61001 --regid=61001 --groups="$gid" env HOME=/tmp QT_QPA_PLATFORM=offscreen \
        "$work/build/bin/nettool" 2>/dev/null & first=$!
    pids+=("$first")
    for _ in $(seq 100); do [ -s "$lock" ] && break; sleep 0.1; done
    [ -s "$lock" ] || { echo "first operator: no lock"; exit 1; }
    kill -KILL "$first"; wait "$first" 2>/dev/null || true
    setpriv --reuid=61002 --regid=61002 --groups="$gid" env HOME=/tmp QT_QPA_PLATFORM=offscreen \
        "$work/build/bin/nettool" 2>/dev/null & second=$!
    pids+=("$second")
    for _ in $(seq 100); do [ "$(head -n1 "$lock" 2>/dev/null)" = "$second" ] && break; sleep 0.1; done
    [ "$(head -n1 "$lock")" = "$second" ] || { echo "second operator could not take over the lock"; exit 1; }
    kill -TERM "$second"; wait "$second"
    [ ! -e "$lock" ] || { echo "lock left behind"; exit 1; }

    store=/var/varnok/data/127.0.0.9/strategy.dll
    as 61001 "$work/build/bin/store_tool" insert "$store" 10.0.0.1
    as 61002 "$work/build/bin/store_tool" insert "$store" 10.0.0.2 || { echo "second operator cannot change the store"; ls -la "$(dirname "$store")"; exit 1; }
    [ "$(as 61001 "$work/build/bin/store_tool" select "$store")" = 10.0.0.1,10.0.0.2 ]
    echo "two operators: lock taken over after a crash, one store changed by both"
' sh "$work"

# Without the privilege for a namespace, such a test skips instead of failing.
status=0
setpriv --reuid=61003 --regid=61003 --clear-groups env HOME=/tmp QT_QPA_PLATFORM=offscreen \
    "$work/build/bin/tst_store_faults" >/dev/null 2>&1 || status=$?
[ "$status" -eq 77 ] || { echo "a namespace test without privilege ended with $status, not 77"; exit 1; }

# A newcomer with sudo, not yet an administrator: ./run.sh --check.
command -v sudo >/dev/null && command -v useradd >/dev/null || { echo "SKIP: no sudo or useradd for the newcomer"; exit 77; }
user=ntcheck$$
useradd -M -d /tmp -s /bin/bash "$user"
echo "$user ALL=(ALL) NOPASSWD:ALL" >"/etc/sudoers.d/$user"
chmod 0440 "/etc/sudoers.d/$user"
runuser -u "$user" -- env -u DISPLAY HOME=/tmp NETTOOL_SKIP_BUILD=1 "$work/run.sh" --check
id -nG "$user" | tr ' ' '\n' | grep -qx lpadmin

# While a demo's namespace exists, a second demo refuses before touching it.
if ! ip netns list | grep -qw nettool-printer; then
    ip netns add nettool-printer
    status=0
    NETTOOL_SKIP_BUILD=1 "$work/run.sh" --network-demo >/dev/null 2>&1 || status=$?
    present=$(ip netns list | grep -cw nettool-printer || true)
    ip netns del nettool-printer
    [ "$status" -ne 0 ] || { echo "a second network demo was not refused"; exit 1; }
    [ "$present" -eq 1 ] || { echo "the refused demo removed the first one's namespace"; exit 1; }
fi
echo "operators: all checks passed"
