# Sourced by run.sh and the fleet test: a segment of simulated printers in
# network namespaces of their own, each joined to one bridge that this
# desktop sits on (198.51.100.0/24, a range reserved for documentation).
# Each printer restarts at the factory address after a firmware update, as
# the device does, and an inventory describes them. Removed again on exit.
#   fleet_demo_start WORKDIR COUNT [REBOOT]   writes WORKDIR/inventory.yml
#   fleet_demo_stop

FLEET_BRIDGE=ntfleet0
FLEET_HOST_ADDR=198.51.100.1
FLEET_FACTORY=198.51.100.250
FLEET_NS_PREFIX=nettool-fleet-
FLEET_PIDS=()

fleet_demo_address() { echo "198.51.100.$((10 + $1))"; }

fleet_demo_free() {
    if ip link show "$FLEET_BRIDGE" >/dev/null 2>&1; then
        echo "A fleet demo is already running (bridge $FLEET_BRIDGE); not starting a second one" >&2
        return 1
    fi
    doc_range_free "$FLEET_FACTORY" "the fleet demo"
}

# A gzip tarball holding a file "version", as the printer takes them.
fleet_demo_image() { # FILE VERSION
    local dir
    dir=$(mktemp -d)
    echo "$2" >"$dir/version"
    tar -czf "$1" -C "$dir" version
    rm -rf "$dir"
}

fleet_demo_start() { # WORKDIR COUNT [REBOOT]
    local work=$1 count=$2 reboot=${3:-5} i address ns
    fleet_demo_free || return 1
    as_root ip link add "$FLEET_BRIDGE" type bridge
    as_root ip addr add "$FLEET_HOST_ADDR/24" dev "$FLEET_BRIDGE"
    as_root ip link set "$FLEET_BRIDGE" up
    mkdir -p "$work"
    for i in $(seq "$count"); do
        address=$(fleet_demo_address "$i")
        ns=$FLEET_NS_PREFIX$i
        as_root ip netns add "$ns"
        as_root ip link add "ntf-$i" type veth peer name eth0 netns "$ns"
        as_root ip link set "ntf-$i" master "$FLEET_BRIDGE"
        as_root ip link set "ntf-$i" up
        as_root ip netns exec "$ns" ip link set lo up
        as_root ip netns exec "$ns" ip addr add "$address/24" dev eth0
        as_root ip netns exec "$ns" ip link set eth0 up
        # Its own session, so that the server and its workers end together.
        setsid "${ROOT_CMD[@]}" env SIM_STATE_DIR="$work/printer-$i" SIM_MOVE_SILENCE=10 \
            ip netns exec "$ns" "$ROOT/printer-sim/start.sh" "$address" --move eth0 \
            --factory "$FLEET_FACTORY" --reboot "$reboot" >"$work/printer-$i.log" 2>&1 &
        FLEET_PIDS+=($!)
    done
    for i in $(seq "$count"); do
        address=$(fleet_demo_address "$i")
        for _ in $(seq 100); do
            curl -fs -m 1 "http://$address:9100/sim/state" >/dev/null 2>&1 && break
            sleep 0.1
        done
    done
    fleet_demo_image "$work/firmware-2.1.0.tar.gz" 2.1.0
    printf '10.0.0.1\n10.0.0.2\n' >"$work/whitelist.txt"
    {
        cat <<YAML
# The demo's printers. Ansible reads this file too.
all:
  vars:
    mask: 255.255.255.0
    gateway: $FLEET_HOST_ADDR
    factory_address: $FLEET_FACTORY
    firmware_wait: 60
  children:
    floor1:
      vars:
        clock: true
        whitelist: whitelist.txt
        firmware:
          version: "2.1.0"
          image: firmware-2.1.0.tar.gz
      hosts:
YAML
        for i in $(seq "$count"); do
            printf '        printer-%s:\n          address: %s\n          location: "room %s"\n' \
                "$i" "$(fleet_demo_address "$i")" "1.0$i"
            [ "$i" -ne 1 ] || printf '          tags: [canary]\n'
        done
    } >"$work/inventory.yml"
}

fleet_demo_stop() {
    local pid i
    for pid in "${FLEET_PIDS[@]}"; do
        kill -- "-$pid" 2>/dev/null || kill "$pid" 2>/dev/null || true
    done
    FLEET_PIDS=()
    for i in $(seq 50); do
        as_root ip netns del "$FLEET_NS_PREFIX$i" 2>/dev/null || break
    done
    as_root ip link del "$FLEET_BRIDGE" 2>/dev/null || true
}
