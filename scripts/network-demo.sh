# Sourced by run.sh: a simulated printer in a network namespace of its own,
# reachable from this desktop over a veth pair on 198.51.100.0/24 (a range
# reserved for documentation), so that the network page can be tried: its
# rules refuse 127.x addresses. Everything is removed again on exit.

DEMO_NS=nettool-printer
DEMO_HOST_IF=nt-host
DEMO_PRINTER_IF=nt-printer
DEMO_HOST_ADDR=198.51.100.1
DEMO_PRINTER_ADDR=198.51.100.10

network_demo_free() {
    if ip netns list 2>/dev/null | grep -qw "$DEMO_NS"; then
        echo "A network demo is already running (namespace $DEMO_NS); not starting a second one" >&2
        return 1
    fi
    # Nothing on this machine may already use or route the range.
    doc_range_free "$DEMO_PRINTER_ADDR" "the network demo"
}

network_demo_stop() {
    as_root ip netns del "$DEMO_NS" 2>/dev/null || true
    as_root ip link del "$DEMO_HOST_IF" 2>/dev/null || true
}

network_demo_start() {
    network_demo_free || return 1
    as_root ip netns add "$DEMO_NS"
    as_root ip link add "$DEMO_HOST_IF" type veth peer name "$DEMO_PRINTER_IF" netns "$DEMO_NS"
    as_root ip addr add "$DEMO_HOST_ADDR/24" dev "$DEMO_HOST_IF"
    as_root ip link set "$DEMO_HOST_IF" up
    as_root ip netns exec "$DEMO_NS" ip link set lo up
    as_root ip netns exec "$DEMO_NS" ip addr add "$DEMO_PRINTER_ADDR/24" dev "$DEMO_PRINTER_IF"
    as_root ip netns exec "$DEMO_NS" ip link set "$DEMO_PRINTER_IF" up
    # Its own session, so that the server and its workers end together.
    setsid "${ROOT_CMD[@]}" env SIM_STATE_DIR="${TMPDIR:-/tmp}/nettool-printer-sim-netns" \
        ip netns exec "$DEMO_NS" "$ROOT/printer-sim/start.sh" "$DEMO_PRINTER_ADDR" --move "$DEMO_PRINTER_IF" \
        >"${TMPDIR:-/tmp}/nettool-printer-sim-netns.log" 2>&1 &
    pids+=($!)
    cat <<TXT
Network page demo: a printer at $DEMO_PRINTER_ADDR (this desktop is $DEMO_HOST_ADDR).
  On "网络配置" try: printer $DEMO_PRINTER_ADDR, new address 198.51.100.20,
  mask 255.255.255.0, gateway $DEMO_HOST_ADDR. The printer moves, setIP
  times out after 30 s, and the probe finds it at the new address.
TXT
}
