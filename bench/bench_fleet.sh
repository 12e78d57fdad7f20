#!/usr/bin/env bash
# The command line over a fleet, against printers on loopback addresses
# that answer at once (bench_fleet_printers):
#  - clock over 200 printers: nettoolctl against xargs -P 16 curl sending the
#    same requests (same endpoint, same form body), median of the rounds;
#  - scan of a /24 holding 3 printers: wall time.
set -euo pipefail
bin=$1
. "$(dirname "$0")/lib.sh"
scratch
rounds=5
fleet=200
if [ -n "${NETTOOL_BENCH_QUICK:-}" ]; then
    rounds=1
    fleet=10
fi

start_printers() { # PREFIX FIRST LAST [DELAY_MS]
    "$bin/bench_fleet_printers" "$@" >"$work/printers.out" 2>&1 &
    printers=$!
    for _ in $(seq 100); do grep -q ready "$work/printers.out" && return; sleep 0.1; done
    cat "$work/printers.out" >&2
    return 1
}
stop_printers() { kill $printers; wait $printers 2>/dev/null || true; printers=; }

start_printers 127.0.99. 1 $fleet
seq -f '127.0.99.%g' 1 $fleet >"$work/fleet.txt"
curl_fleet() {
    local stamp
    stamp=$(date +%Y%m%d%H%M%S)
    xargs -P 16 -I{} curl -s -o /dev/null -X POST -d "time=$stamp" "http://{}:9100/lsp/setTime.php" <"$work/fleet.txt"
}
export -f curl_fleet
export work
: >"$work/ours"; : >"$work/peer"
for _ in $(seq $rounds); do
    seconds "$bin/nettoolctl" -q clock "@$work/fleet.txt" >>"$work/ours"
    seconds bash -c curl_fleet >>"$work/peer"
done
grep -c '"ok":true' "$NETTOOL_AUDIT_LOG" >/dev/null || { echo "nettoolctl did not reach the printers" >&2; exit 1; }
awk -v n=$fleet -v o="$(median <"$work/ours")" -v p="$(median <"$work/peer")" 'BEGIN {
    printf "clock over %d printers: nettoolctl %.2f s, xargs -P 16 curl %.2f s, ratio %.2f (target <= 1.1)\n", n, o, p, (p > 0 ? o / p : 0)
}'
stop_printers

# Fan-out at curl's pace: clock over 1,000 printers at --parallel 64 against
# curl -Z --parallel-max 64 sending the same requests, with printers that
# answer after 20 ms (as an embedded web server does) and at once.
many=1000
[ -n "${NETTOOL_BENCH_QUICK:-}" ] && many=100
fanout() { # DELAY_MS TARGET
    local prefixes=() n p
    : >"$work/many.txt"
    for p in 91 92 93 94; do
        start_printers "127.0.$p." 1 $((many / 4)) "$1"
        prefixes+=("$printers")
        seq -f "127.0.$p.%g" 1 $((many / 4)) >>"$work/many.txt"
    done
    printers="${prefixes[*]}"
    local stamp
    stamp=$(date +%Y%m%d%H%M%S)
    awk -v s="$stamp" '{ printf "url = \"http://%s:9100/lsp/setTime.php\"\ndata = \"time=%s\"\noutput = \"/dev/null\"\n", $1, s }' \
        "$work/many.txt" >"$work/curl.cfg"
    : >"$work/ours"; : >"$work/peer"
    for _ in $(seq $rounds); do
        seconds "$bin/nettoolctl" -q --parallel 64 clock "@$work/many.txt" >>"$work/ours"
        seconds curl -s -Z --parallel-max 64 -K "$work/curl.cfg" >>"$work/peer"
    done
    awk -v n=$many -v d="$1" -v t="$2" -v o="$(median <"$work/ours")" -v p="$(median <"$work/peer")" 'BEGIN {
        printf "clock over %d printers answering after %d ms, --parallel 64: nettoolctl %.2f s, curl -Z %.2f s, ratio %.2f (target <= %s)\n",
               n, d, o, p, (p > 0 ? o / p : 0), t }'
    kill $printers; wait $printers 2>/dev/null || true; printers=
}
fanout 20 1.05
fanout 0 1.5

# Memory over 10,000 printers (peak of the whole process).
if [ -z "${NETTOOL_BENCH_QUICK:-}" ]; then
    ulimit -n 65536 2>/dev/null || true
    : >"$work/huge.txt"
    all=
    for p in $(seq 80 119); do
        start_printers "127.0.$p." 1 250
        all="$all $printers"
        seq -f "127.0.$p.%g" 1 250 >>"$work/huge.txt"
    done
    printers=$all
    /usr/bin/time -f '%M' -o "$work/mem" "$bin/nettoolctl" -q --parallel 64 clock "@$work/huge.txt" >/dev/null 2>&1 || true
    echo "clock over 10,000 printers: peak memory of nettoolctl $(( $(cat "$work/mem") / 1024 )) MiB (target < 64)"
    kill $printers; wait $printers 2>/dev/null || true; printers=
fi

start_printers 127.0.98. 1 3
: >"$work/scan"
for _ in $(seq $rounds); do
    seconds "$bin/nettoolctl" -q scan 127.0.98.0/24 >>"$work/scan"
done
found=$("$bin/nettoolctl" -q scan 127.0.98.0/24 | wc -l)
echo "scan of a /24 holding $found printers: $(median <"$work/scan") s (wall, median of $rounds)"
