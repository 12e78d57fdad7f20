#!/usr/bin/env bash
# Firmware upload of 64 MiB and 256 MiB files to a sink that discards the
# body: the tool's upload against `curl -F` with the same file and sink.
# Wall time (median of the rounds) and peak memory of each client process.
#  - over a 1 Gbit/s link: a veth pair into a network namespace of its own,
#    198.51.100.0/24, rate-limited with tc (needs root; skipped without);
#  - over loopback, for information.
set -euo pipefail
bin=$1
. "$(dirname "$0")/lib.sh" # median
work=$(mktemp -d)
ns=nettool-bench-$$
host_if=ntb-host-$$
host_if=${host_if:0:15}
link_host=198.51.100.1
link_sink=198.51.100.2
sink=
cleanup() {
    [ -z "$sink" ] || kill "$sink" 2>/dev/null || true
    ip netns del "$ns" 2>/dev/null || true
    ip link del "$host_if" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
rounds=3
sizes="64 256"
quick=${NETTOOL_BENCH_QUICK:-}
if [ -n "$quick" ]; then
    rounds=1
    sizes=1
fi

measure() { # prints "seconds kilobytes" of one command
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; return 1; }
    cat "$work/time"
}

# A 1 Gbit/s link to a namespace holding the sink, when this machine lets us
# and nothing here already uses or routes the range.
link_up() {
    [ "$(id -u)" -eq 0 ] || return 1
    ip -4 addr show | grep -q ' 198\.51\.100\.' && return 1
    if ip route get "$link_sink" 2>/dev/null | grep -q ' dev ' && ! ip route get "$link_sink" | grep -q ' via '; then
        return 1
    fi
    ip netns add "$ns" || return 1
    ip link add "$host_if" type veth peer name sink0 netns "$ns" || return 1
    ip addr add "$link_host/24" dev "$host_if"
    ip link set "$host_if" up
    ip netns exec "$ns" ip link set lo up
    ip netns exec "$ns" ip addr add "$link_sink/24" dev sink0
    ip netns exec "$ns" ip link set sink0 up
    # The upload goes out through the host end: limit that end.
    tc qdisc add dev "$host_if" root tbf rate 1gbit burst 256kb latency 50ms
}

# bench LABEL ADDRESS TARGET [PREFIX...]: the sink runs under PREFIX.
bench() {
    local label=$1 address=$2 target=$3
    shift 3
    : >"$work/empty.bin"
    for size in $sizes; do
        local file=$work/fw-$size.bin url="http://$address:9100/lsp/upgrade.php"
        [ -f "$file" ] || head -c $((size * 1024 * 1024)) /dev/urandom >"$file"
        "$@" "$bin/bench_sink" "$address" $((rounds * 2 + 1)) >"$work/sink.out" &
        sink=$!
        for _ in $(seq 50); do grep -q ready "$work/sink.out" 2>/dev/null && break; sleep 0.1; done
        local idle t m peak_tool=0 peak_curl=0
        read -r _ idle < <(measure "$bin/bench_upload_client" "$work/empty.bin" "$url")
        : >"$work/tool"; : >"$work/curl"
        for _ in $(seq $rounds); do
            read -r t m < <(measure "$bin/bench_upload_client" "$file" "$url")
            echo "$t" >>"$work/tool"; peak_tool=$(( m > peak_tool ? m : peak_tool ))
            read -r t m < <(measure curl -s -S -o /dev/null -F type=board -F "Zipfile=@$file" "$url")
            echo "$t" >>"$work/curl"; peak_curl=$(( m > peak_curl ? m : peak_curl ))
        done
        wait "$sink" || true; sink=
        awk -v l="$label" -v s=$size -v tt="$(median <"$work/tool")" -v tc="$(median <"$work/curl")" \
            -v pt=$peak_tool -v pc=$peak_curl -v idle="$idle" -v target="$target" 'BEGIN {
            printf "firmware upload %d MiB, %s: tool %.2f s, curl %.2f s, ratio %.2f%s\n", s, l, tt, tc,
                   (tc > 0 ? tt / tc : 0), target;
            printf "firmware upload %d MiB, %s: peak memory tool %.0f MiB (idle %.0f MiB, +%.0f MiB; target <= +64), curl %.0f MiB\n",
                   s, l, pt / 1024, idle / 1024, (pt - idle) / 1024, pc / 1024;
        }'
    done
}

if [ -n "$quick" ]; then
    echo "firmware upload over a 1 Gbit/s link: not in quick mode"
elif link_up; then
    bench "1 Gbit/s link" "$link_sink" " (target <= 1.1)" ip netns exec "$ns"
else
    echo "firmware upload over a 1 Gbit/s link: skipped (needs root, tc and a free 198.51.100.0/24)"
fi
bench "loopback" 127.0.98.1 " (for information)"
