# Shared by run.sh and test.sh: installing what the build needs and building.
# Sourced, not run.

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "need root for: $*" >&2
        return 1
    fi
}

# The prefix that runs a command as root, for commands that must be started
# directly (in the background, under setsid).
if [ "$(id -u)" -eq 0 ]; then
    ROOT_CMD=()
else
    ROOT_CMD=(sudo)
fi

# Installs the Debian packages of scripts/packages.txt that are missing;
# a machine that has them all is left alone, so running twice is cheap.
ensure_packages() {
    local missing=()
    local pkg
    while read -r pkg; do
        [ -n "$pkg" ] || continue
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done < "$ROOT/scripts/packages.txt"
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
        # The tests need promtool and the exporter's binary, not their
        # services: an exporter left listening on *:9100 would take the
        # printers' port. Only what this run installed is stopped.
        local service
        for service in prometheus prometheus-node-exporter; do
            if printf '%s\n' "${missing[@]}" | grep -qx "$service" && command -v systemctl >/dev/null \
                && [ -d /run/systemd/system ]; then
                as_root systemctl disable --now "$service" >/dev/null 2>&1 || true
            fi
        done
    fi
}

# /var/varnok exactly as the package sets it up: the same script.
prepare_var() {
    as_root sh "$ROOT/packaging/postinst" configure
}

# True when nothing here uses or routes 198.51.100.0/24 (reserved for
# documentation) directly, so a demo or test may put its own hosts there;
# otherwise says why, naming WHAT would not start.
doc_range_free() { # PROBE_ADDRESS WHAT
    if ip -4 addr show | grep -q ' 198\.51\.100\.'; then
        echo "198.51.100.0/24 is already assigned here; not starting $2" >&2
        return 1
    fi
    if ip route get "$1" 2>/dev/null | grep -q ' dev ' && ! ip route get "$1" 2>/dev/null | grep -q ' via '; then
        echo "198.51.100.0/24 is routed directly here already; not starting $2" >&2
        return 1
    fi
}

build_tool() {
    local dir=${1:-$ROOT/build}
    shift || true
    local generator=()
    # Keep whatever generator an existing build tree was made with.
    [ -f "$dir/CMakeCache.txt" ] || generator=(-G Ninja)
    cmake -S "$ROOT" -B "$dir" "${generator[@]}" "$@"
    cmake --build "$dir" -j "$(nproc)"
}

# Starts the tool headless and checks what an operator relies on: it holds
# the single-instance lock, a second start is refused with status 0, and it
# closes cleanly on SIGTERM, leaving no lock behind. "$@" runs the tool.
check_start() {
    local lock=/var/varnok/INSTALL/nettoollockfile log
    log=$(mktemp)
    QT_QPA_PLATFORM=offscreen "$@" >"$log" 2>&1 &
    local pid=$!
    for _ in $(seq 100); do
        [ -f "$lock" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "check: the tool did not start:" >&2
        cat "$log" >&2
        rm -f "$log"
        return 1
    fi
    local second=0
    QT_QPA_PLATFORM=offscreen "$@" >/dev/null 2>&1 || second=$?
    # The tool itself, as its lock names it: "$@" may be a wrapper (sg)
    # that does not pass signals on.
    kill -TERM "$(head -n1 "$lock")"
    local status=0
    wait "$pid" || status=$?
    rm -f "$log"
    if [ "$second" -ne 0 ] || [ "$status" -ne 0 ] || [ -e "$lock" ]; then
        echo "check: second start $second, exit $status, lock $( [ -e "$lock" ] && echo left || echo gone)" >&2
        return 1
    fi
    echo "check: the tool starts here for $(id -un), holds its lock and closes cleanly"
}
