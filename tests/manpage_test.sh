#!/usr/bin/env bash
# Every command and option nettoolctl --help names is in its manual page.
set -euo pipefail
src=$1
bin=$2
help=$("$bin/nettoolctl" --help)
page=$(sed 's/\\-/-/g' "$src/packaging/nettoolctl.1")
missing=()
commands=$(sed -n '/^Commands:/,/^$/p' <<<"$help" | grep -E '^  [a-z]+' | awk '{ print $1 }' | sort -u)
[ -n "$commands" ] || { echo "no commands found in --help"; exit 1; }
for c in $commands; do
    # Described where a paragraph starts with it.
    grep -qE "^\.BI? \"?$c( |\"|$)" <<<"$page" || missing+=("command $c")
done
options=$(sed -n '/^Options:/,/^$/p' <<<"$help" | grep -oE -- '--[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || { echo "no options found in --help"; exit 1; }
for o in $options; do
    grep -q -- "$o" <<<"$page" || missing+=("option $o")
done
if [ ${#missing[@]} -gt 0 ]; then
    printf 'not in packaging/nettoolctl.1: %s\n' "${missing[@]}"
    exit 1
fi
echo "manual page: $(wc -w <<<"$commands") commands and $(wc -w <<<"$options") options of --help all described"
