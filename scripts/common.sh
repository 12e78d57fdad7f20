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
    fi
}

prepare_var() {
    as_root mkdir -p /var/varnok/INSTALL /var/varnok/data
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
