#!/usr/bin/env bash
# Discovery: nettoolctl scan of a routed /24 holding three printers whose
# other 253 addresses are silent (a router drops them through a blackhole
# route), against nmap -n -Pn -p 9100 --open -T4 in the same run; then a
# /20 on loopback. Runs in private network namespaces (needs root; says so
# and stops without).
#   bench_scan.sh BIN            the measurement
#   bench_scan.sh BIN --check    only that scan finds exactly the printers
#                                (the test suite's case); no nmap
set -euo pipefail
bin=$1
mode=${2:-}
if [ -z "${NETTOOL_IN_SCAN_NS:-}" ]; then
    if [ "$(id -u)" -ne 0 ] || ! unshare -n true 2>/dev/null; then
        echo "scan benchmark: skipped (needs root for a network namespace)"
        [ "$mode" = --check ] && exit 77
        exit 0
    fi
    NETTOOL_IN_SCAN_NS=1 exec unshare -n bash "$0" "$@"
fi
. "$(dirname "$0")/lib.sh"
scratch
rounds=3
[ -n "${NETTOOL_BENCH_QUICK:-}" ] && rounds=1

ip link set lo up
# The printers are local here; every other address of the range is routed
# to a router (a namespace of its own) whose blackhole route drops what it
# gets without a word.
unshare -n sleep 3600 &
router=$!
printers="$router"
in_router() { nsenter -t "$router" -n "$@"; }
for _ in $(seq 50); do [ "$(readlink /proc/$router/ns/net)" != "$(readlink /proc/self/ns/net)" ] && break; sleep 0.05; done
ip link add void0 type veth peer name void1 netns "$router"
ip addr add 192.0.2.1/30 dev void0
ip link set void0 up
in_router ip link set lo up
in_router ip addr add 192.0.2.2/30 dev void1
in_router ip link set void1 up
in_router sysctl -q -w net.ipv4.ip_forward=1
in_router ip route add blackhole 198.51.100.0/24
ip route add 198.51.100.0/24 via 192.0.2.2 dev void0
for host in 3 77 200; do
    ip addr add "198.51.100.$host/32" dev lo
    "$bin/bench_fleet_printers" 198.51.100. "$host" "$host" >"$work/p$host" 2>&1 &
    printers="$printers $!"
done
for host in 3 77 200; do
    for _ in $(seq 50); do grep -q ready "$work/p$host" 2>/dev/null && break; sleep 0.1; done
done

found=$("$bin/nettoolctl" -q scan 198.51.100.0/24 | cut -f1 | sort | xargs)
if [ "$found" != "198.51.100.200 198.51.100.3 198.51.100.77" ]; then
    echo "scan found: '$found', not the three printers" >&2
    exit 1
fi
[ "$mode" = --check ] && { echo "scan: found the three printers among 253 silent addresses"; exit 0; }

# A /20 on loopback (the only other range a test may use): its silent
# addresses refuse at once there, so this measures the sweep's own pace.
big=127.77.0.0/20
for range in 198.51.100.0/24 "$big"; do
    [ -n "${NETTOOL_BENCH_QUICK:-}" ] && [ "$range" = "$big" ] && continue
    : >"$work/ours"; : >"$work/peer"
    for _ in $(seq $rounds); do
        seconds "$bin/nettoolctl" -q scan "$range" >>"$work/ours"
        # nmap waits out every silent address: not in quick mode.
        if command -v nmap >/dev/null && [ -z "${NETTOOL_BENCH_QUICK:-}" ]; then
            seconds nmap -n -Pn -p 9100 --open -T4 "$range" >>"$work/peer"
        fi
    done
    if [ -s "$work/peer" ]; then
        awk -v r="$range" -v o="$(median <"$work/ours")" -v p="$(median <"$work/peer")" 'BEGIN {
            printf "scan of %s: nettoolctl %.2f s, nmap -T4 %.2f s, ratio %.2f (target <= 1.0)\n",
                   r, o, p, (p > 0 ? o / p : 0) }'
    else
        echo "scan of $range: nettoolctl $(median <"$work/ours") s (nmap not run)"
    fi
done
