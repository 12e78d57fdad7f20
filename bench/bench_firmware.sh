#!/usr/bin/env bash
# Firmware upload of 64 MiB and 256 MiB files to a local sink that discards
# the body: the tool's upload against `curl -F` with the same file and sink.
# Wall time and peak memory (maximum resident set) of each client process.
set -euo pipefail
bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"; [ -z "${sink:-}" ] || kill "$sink" 2>/dev/null || true' EXIT
address=127.0.98.1

measure() { # prints "seconds kilobytes" of one command
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; return 1; }
    cat "$work/time"
}

: >"$work/empty.bin"
for size in 64 256; do
    file=$work/fw-$size.bin
    head -c $((size * 1024 * 1024)) /dev/urandom >"$file"
    rounds=3
    "$bin/bench_sink" $address $((rounds * 2 + 1)) >"$work/sink.out" &
    sink=$!
    for _ in $(seq 50); do grep -q ready "$work/sink.out" 2>/dev/null && break; sleep 0.1; done
    read -r _ idle < <(measure "$bin/bench_upload_client" "$work/empty.bin" "http://$address:9100/lsp/upgrade.php")
    best_tool=999999; best_curl=999999; peak_tool=0; peak_curl=0
    for _ in $(seq $rounds); do
        read -r t m < <(measure "$bin/bench_upload_client" "$file" "http://$address:9100/lsp/upgrade.php")
        best_tool=$(echo "$t $best_tool" | awk '{print ($1<$2)?$1:$2}'); peak_tool=$(( m > peak_tool ? m : peak_tool ))
        read -r t m < <(measure curl -s -S -o /dev/null -F type=board -F "Zipfile=@$file" "http://$address:9100/lsp/upgrade.php")
        best_curl=$(echo "$t $best_curl" | awk '{print ($1<$2)?$1:$2}'); peak_curl=$(( m > peak_curl ? m : peak_curl ))
    done
    wait "$sink"; sink=
    awk -v s=$size -v tt=$best_tool -v tc=$best_curl -v pt=$peak_tool -v pc=$peak_curl -v idle=$idle 'BEGIN {
        file = s * 1024;
        printf "firmware upload %d MiB: tool %.2f s, curl %.2f s, ratio %.2f (target <= 1.5)\n", s, tt, tc, (tc > 0 ? tt / tc : 0);
        printf "firmware upload %d MiB: peak memory tool %.0f MiB (idle %.0f MiB), curl %.0f MiB; (peak - idle) / file size %.2f (target <= 2.5)\n",
               s, pt / 1024, idle / 1024, pc / 1024, (pt - idle) / file;
    }'
done
