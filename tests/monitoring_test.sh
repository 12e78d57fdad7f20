#!/usr/bin/env bash
# nettoolctl status --prometheus for a printer that answers and an address
# where none does: promtool accepts the file, and the node exporter, started
# on a private port with that textfile folder, serves the series. Skips (77)
# without promtool, the node exporter or php.
set -euo pipefail
src=$1
bin=$2
for tool in promtool prometheus-node-exporter php curl; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
printer=127.0.36.1
silent=127.0.36.2
exporter=127.0.36.3:9101
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
SIM_STATE_DIR=$work/sim "$src/printer-sim/start.sh" "$printer" >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do curl -fs "http://$printer:9100/sim/state" >/dev/null 2>&1 && break; sleep 0.1; done
export NETTOOL_AUDIT_LOG=$work/changes.jsonl NETTOOL_PAGE_HISTORY=$work/pages.sqlite
mkdir "$work/textfiles"
prom=$work/textfiles/nettool.prom

status=0
"$bin/nettoolctl" -q status "$printer" "$silent" --prometheus "$prom" >"$work/status.txt" || status=$?
[ "$status" = 1 ] || fail "status with a silent printer: exit $status"
[ "$(stat -c %a "$prom")" = 644 ] || fail "metrics file mode $(stat -c %a "$prom")"
ls "$work/textfiles" | grep -qv '^nettool.prom$' && fail "a temporary file was left: $(ls "$work/textfiles")"
promtool check metrics <"$prom" || fail "promtool refuses: $(cat "$prom")"

prometheus-node-exporter --web.listen-address="$exporter" --collector.disable-defaults --collector.textfile \
    --collector.textfile.directory="$work/textfiles" >"$work/exporter.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do curl -fs "http://$exporter/metrics" >"$work/metrics" 2>/dev/null && break; sleep 0.1; done
grep -qx "nettool_printer_up{name=\"\",printer=\"$printer\"} 1" "$work/metrics" || fail "$(grep nettool "$work/metrics")"
grep -qx "nettool_printer_up{name=\"\",printer=\"$silent\"} 0" "$work/metrics" || fail "no silent printer"
grep -qx "nettool_printer_pages_total{name=\"\",printer=\"$printer\"} 1024" "$work/metrics" || fail "no pages"
grep -qx "nettool_printer_firmware_info{name=\"\",printer=\"$printer\",version=\"1.0.0\"} 1" "$work/metrics" \
    || fail "no firmware"
grep -q '^nettool_status_last_run_timestamp_seconds ' "$work/metrics" || fail "no last run"
grep -q 'node_textfile_scrape_error 0' "$work/metrics" || fail "the exporter could not read the file"
echo "monitoring: promtool accepts the file and the node exporter serves it"
