#!/usr/bin/env bash
# The example playbook against a simulated printer, with one inventory that
# Ansible and nettoolctl both read: --check changes nothing, the first run
# sets the clock and the whitelist, the second only the clock. Skips (77)
# without ansible-playbook or php.
set -euo pipefail
src=$1
bin=$2
command -v ansible-playbook >/dev/null || { echo "SKIP: ansible-playbook is not installed"; exit 77; }
command -v php >/dev/null || { echo "SKIP: php is not installed"; exit 77; }
printer=127.0.34.1
work=$(mktemp -d)
sim=
cleanup() {
    [ -z "$sim" ] || kill "$sim" 2>/dev/null || true
    [ -z "$sim" ] || wait "$sim" 2>/dev/null || true
    rm -rf "$work" "/var/varnok/data/$printer"
}
trap cleanup EXIT
SIM_STATE_DIR=$work/sim "$src/printer-sim/start.sh" "$printer" >"$work/sim.log" 2>&1 &
sim=$!
for _ in $(seq 50); do curl -fs "http://$printer:9100/sim/state" >/dev/null 2>&1 && break; sleep 0.1; done
rm -rf "/var/varnok/data/$printer"

printf '10.0.0.1\n10.0.0.2\n' >"$work/whitelist.txt"
# The inventory nettoolctl reads is the one Ansible reads.
cat >"$work/fleet.yml" <<YAML
all:
  vars:
    ansible_connection: local
    ansible_python_interpreter: /usr/bin/python3
    clock: true
    whitelist: whitelist.txt
  hosts:
    lobby:
      address: $printer
YAML
export ANSIBLE_LOCAL_TEMP=$work/ansible-tmp ANSIBLE_HOME=$work/ansible-home ANSIBLE_NOCOLOR=1
export NETTOOL_AUDIT_LOG=$work/changes.jsonl
play() { ansible-playbook -i "$work/fleet.yml" -e "nettoolctl=$bin/nettoolctl" "$@" "$src/docs/ansible/fleet.yml"; }

play --check >"$work/check.log" || { cat "$work/check.log"; exit 1; }
grep -q "lobby ($printer) whitelist: would change" "$work/check.log" || { cat "$work/check.log"; exit 1; }
grep -q "+10.0.0.1,10.0.0.2" "$work/check.log" || { cat "$work/check.log"; exit 1; }
state=$(curl -fs "http://$printer:9100/sim/state")
[ "$(jq -c .whitelist <<<"$state")" = '[]' ] || { echo "--check changed the printer"; exit 1; }
[ "$(jq -r .clock_set_at <<<"$state")" = null ] || { echo "--check set the clock"; exit 1; }

play >"$work/first.log" || { cat "$work/first.log"; exit 1; }
state=$(curl -fs "http://$printer:9100/sim/state")
[ "$(jq -c .whitelist <<<"$state")" = '["10.0.0.1","10.0.0.2"]' ] || { echo "whitelist not set: $state"; exit 1; }
[ "$(jq -r .clock_set_at <<<"$state")" != null ] || { echo "clock not set"; exit 1; }
grep -q 'lobby whitelist changed' "$work/first.log" || { cat "$work/first.log"; exit 1; }

# Converged: the second run only sets the clock again.
play >"$work/second.log" || { cat "$work/second.log"; exit 1; }
grep -q 'lobby clock changed' "$work/second.log" || { cat "$work/second.log"; exit 1; }
if grep -q 'lobby whitelist changed' "$work/second.log"; then cat "$work/second.log"; exit 1; fi
echo "playbook: clock and whitelist set from the inventory, second run leaves the whitelist alone"
