# Helpers the benchmark scripts share (sourced, not run).

# A scratch folder in $work, removed on exit together with the background
# processes whose PIDs the script keeps in $printers; the audit log goes
# there, out of the machine's history.
scratch() {
    work=$(mktemp -d)
    printers=
    trap '[ -z "$printers" ] || kill $printers 2>/dev/null || true; rm -rf "$work"' EXIT
    export NETTOOL_AUDIT_LOG=$work/changes.jsonl
}
# Wall seconds of one command, its output dropped.
seconds() { /usr/bin/time -f %e -o "$work/t" "$@" >/dev/null 2>&1 || true; cat "$work/t"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
