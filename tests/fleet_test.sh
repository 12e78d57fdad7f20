#!/usr/bin/env bash
# nettoolctl apply against three simulated printers on one segment that, as
# the device does, restart at their factory address after a firmware
# update: --check sends nothing but version reads; apply updates all three
# and brings each back to its own address; a second apply changes nothing
# but the clock; a refused image stops the roll-out (--max-fail 1) and
# leaves the others alone. Runs in private network and mount namespaces;
# skips (77) without them.
set -euo pipefail
src=$1
bin=$2
if [ -z "${NETTOOL_IN_FLEET_NS:-}" ]; then
    [ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root for namespaces"; exit 77; }
    command -v php >/dev/null || { echo "SKIP: php is not installed"; exit 77; }
    unshare -n -m --propagation private true 2>/dev/null || { echo "SKIP: no private namespaces here"; exit 77; }
    NETTOOL_IN_FLEET_NS=1 exec unshare -n -m --propagation private bash "$0" "$@"
fi
# Private: the namespaces' names, the stores, the audit log.
mkdir -p /run/netns /var/varnok
mount -t tmpfs tmpfs /run/netns
mount -t tmpfs tmpfs /var/varnok
mkdir -p /var/varnok/data /var/varnok/log
ip link set lo up
ROOT=$src
. "$src/scripts/common.sh"
. "$src/scripts/fleet-demo.sh"
work=$(mktemp -d)
trap 'fleet_demo_stop; rm -rf "$work"' EXIT
fleet_demo_start "$work" 3 1
export NETTOOL_AUDIT_LOG=$work/changes.jsonl
fail() { echo "FAIL: $*" >&2; exit 1; }
ctl() { "$bin/nettoolctl" -i "$work/inventory.yml" "$@"; }
state() { jq -c "$2" "$work/printer-$1/state.json"; }
steps() { jq -r "select(.step == \"$2\") | .status" "$1" | sort | uniq -c | tr -s ' ' | xargs; }

# --check: what would change, and nothing sent but the version reads.
ctl --json apply --check --diff >"$work/check.json" || { status=$?; cat "$work/check.json"; fail "apply --check: exit $status"; }
for i in 1 2 3; do
    [ "$(state $i .firmware)" = '"1.0.0"' ] || fail "--check updated printer $i"
    [ "$(state $i .whitelist)" = '[]' ] || fail "--check set printer $i's whitelist"
    [ "$(state $i .requests)" = 1 ] || fail "--check sent printer $i $(state $i .requests) requests"
done
[ "$(steps "$work/check.json" firmware)" = "3 changed" ] || fail "check: $(cat "$work/check.json")"
jq -se '[.[] | select(.step == "firmware")] | all(.from == "1.0.0" and .to == "2.1.0")' "$work/check.json" \
    >/dev/null || fail "check without from -> to"
jq -se '[.[] | select(.step == "whitelist")] | all(.added == ["10.0.0.1","10.0.0.2"])' "$work/check.json" >/dev/null \
    || fail "check without the whitelist diff: $(cat "$work/check.json")"

# The roll-out: every printer updated and back at its own address.
ctl --json apply >"$work/first.json" || { status=$?; cat "$work/first.json"; fail "apply: exit $status"; }
for i in 1 2 3; do
    address=$(fleet_demo_address $i)
    [ "$(state $i .firmware)" = '"2.1.0"' ] || fail "printer $i runs $(state $i .firmware)"
    [ "$(state $i .network.ip)" = "\"$address\"" ] || fail "printer $i is at $(state $i .network.ip)"
    [ "$(state $i .whitelist)" = '["10.0.0.1","10.0.0.2"]' ] || fail "printer $i whitelist $(state $i .whitelist)"
done
ctl version | grep -c $'\tok\t2.1.0' | grep -qx 3 || fail "not all three answer at their own address with 2.1.0"
[ "$(steps "$work/first.json" firmware)" = "3 changed" ] || fail "first: $(cat "$work/first.json")"
[ "$(jq -s '[.[] | select(.operation == "firmware" and .sha256 != null)] | length' "$NETTOOL_AUDIT_LOG")" = 3 ] \
    || fail "firmware uploads not audited"
[ "$(jq -s '[.[] | select(.operation == "network")] | length' "$NETTOOL_AUDIT_LOG")" = 3 ] \
    || fail "the network changes at the factory address not audited"

# Converged: only the clock changes again.
ctl --json apply >"$work/second.json" || fail "second apply: exit $?"
[ "$(steps "$work/second.json" clock)" = "3 changed" ] || fail "second: $(cat "$work/second.json")"
[ "$(steps "$work/second.json" whitelist)" = "3 ok" ] || fail "second: $(cat "$work/second.json")"
[ "$(steps "$work/second.json" firmware)" = "3 ok" ] || fail "second: $(cat "$work/second.json")"

# A refused image (no version inside) on the first printer stops the rest.
mkdir "$work/bad"
echo junk >"$work/bad/readme"
tar -czf "$work/bad.tar.gz" -C "$work/bad" readme
fleet_demo_image "$work/firmware-3.0.0.tar.gz" 3.0.0
sed -e 's/"2.1.0"/"3.0.0"/; s/firmware-2.1.0/firmware-3.0.0/' \
    -e 's|^          address: 198.51.100.11$|&\n          firmware: {version: "3.0.0", image: bad.tar.gz}|' \
    "$work/inventory.yml" >"$work/next.yml"
status=0
"$bin/nettoolctl" -i "$work/next.yml" apply --max-fail 1 >"$work/next.txt" || status=$?
[ "$status" = 1 ] || { cat "$work/next.txt"; fail "a refused image: exit $status"; }
grep -q 'printer-1 (198.51.100.11)	firmware	failed' "$work/next.txt" || fail "$(cat "$work/next.txt")"
[ "$(grep -c 'firmware	skipped' "$work/next.txt")" = 2 ] || fail "$(cat "$work/next.txt")"
grep -q '^printer-2 (198.51.100.12) *: ok=1 changed=1 failed=0 skipped=1' "$work/next.txt" || fail "no recap: $(cat "$work/next.txt")"
# A failed canary stops the roll-out whatever --max-fail allows.
status=0
"$bin/nettoolctl" -i "$work/next.yml" --json apply --canary 1 --max-fail 5 >"$work/canary.json" || status=$?
[ "$status" = 1 ] || fail "a failed canary: exit $status"
[ "$(jq -r 'select(.step == "firmware" and .status == "skipped") | .reason' "$work/canary.json" | sort -u)" \
    = "a canary's firmware step failed" ] || fail "canary: $(cat "$work/canary.json")"
for i in 2 3; do
    [ "$(state $i .firmware)" = '"2.1.0"' ] || fail "printer $i was updated after the failure"
done
echo "fleet: check, roll-out, convergence and a stopped roll-out as expected"
