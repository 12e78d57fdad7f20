#!/usr/bin/env bash
# Builds the .deb, unpacks it into a scratch root (no dpkg database is
# touched) and starts the unpacked program headless in a private mount
# namespace, so that the real /var/varnok is never used.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/*.deb)
echo "package: $(basename "$deb") ($(du -h "$deb" | cut -f1))"

depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt5widgets5 libqt5network5 libqt5xml5 libqt5sql5 libsqlcipher0 qttranslations5-l10n fonts-wqy-zenhei; do
    grep -q "$dep" <<<"$depends" || { echo "Depends lacks $dep: $depends"; exit 1; }
done

dpkg-deb -e "$deb" "$work/control"
grep -q 'for dir in /var/varnok/INSTALL /var/varnok/data /var/varnok/log' "$work/control/postinst"
grep -q 'chmod 2775' "$work/control/postinst"

# Debian's own checker: nothing beyond the one override the package carries.
if command -v lintian >/dev/null; then
    findings=$(lintian "$deb" 2>&1 | grep -E '^[EW]: ' || true)
    [ -z "$findings" ] || { echo "lintian:"; echo "$findings"; exit 1; }
    echo "lintian: no errors or warnings"
fi

root=$work/root
dpkg -x "$deb" "$root"
lib=$root/usr/lib/nettool
for f in nettool nettoolctl qt_zh_CN.qm qtbase_zh_CN.qm wqy-zenhei.ttf sqldrivers/libqsqlcipher.so; do
    [ -e "$lib/$f" ] || [ -L "$lib/$f" ] || { echo "missing $f"; exit 1; }
done
[ -L "$root/usr/bin/nettool" ] && [ "$(readlink "$root/usr/bin/nettool")" = ../lib/nettool/nettool ]
[ -f "$root/usr/share/applications/nettool.desktop" ]
[ -f "$root/usr/share/man/man1/nettool.1.gz" ] && [ -f "$root/usr/share/man/man1/nettoolctl.1.gz" ]
zcat "$root/usr/share/man/man1/nettoolctl.1.gz" | grep -q 'whitelist set'
[ -f "$root/usr/share/bash-completion/completions/nettoolctl" ]
if [ -f /usr/share/bash-completion/bash_completion ]; then
    words=$(bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"
        COMP_WORDS=(nettoolctl whitelist s); COMP_CWORD=2; COMP_LINE="nettoolctl whitelist s"
        COMP_POINT=${#COMP_LINE}; _nettoolctl; echo "${COMPREPLY[*]}"' sh "$root/usr/share/bash-completion/completions/nettoolctl")
    [ "$words" = "show set" ] || { echo "completion gave: $words"; exit 1; }
fi
[ -L "$root/usr/bin/nettoolctl" ] && [ "$(readlink "$root/usr/bin/nettoolctl")" = ../lib/nettool/nettoolctl ]
"$lib/nettoolctl" --version | grep -q '^nettoolctl '
status=0
"$lib/nettoolctl" clock >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || { echo "nettoolctl without printers: exit $status, not 2"; exit 1; }
[ -f "$root/usr/share/doc/nettool/copyright" ] && [ -f "$root/usr/share/doc/nettool/changelog.gz" ]
# Links to the system's catalogues and font are relative, and resolve.
for link in "$lib"/*.qm "$lib/wqy-zenhei.ttf"; do
    [ ! -L "$link" ] && continue
    target=$(readlink "$link")
    case "$target" in /*) echo "absolute link $link"; exit 1 ;; esac
    # Where it points once installed: the system's own file.
    [ -e "$(realpath -m "/usr/lib/nettool/$target")" ] || { echo "dangling link $link -> $target"; exit 1; }
done
[ -f "$root/usr/share/icons/hicolor/scalable/apps/nettool.svg" ]
if ldd "$lib/nettool" "$lib/sqldrivers/libqsqlcipher.so" | grep -q 'not found'; then
    echo "unresolved libraries"; exit 1
fi
if file "$lib/nettool" | grep -q 'not stripped'; then
    echo "executable not stripped"; exit 1
fi

# The unpacked program starts, holds the lock, and ends cleanly.
if ! unshare -m true 2>/dev/null; then
    echo "SKIP: no private mount namespace here to start the unpacked program in"
    exit 77
fi
unshare -m --propagation private sh -c '
    mount -t tmpfs tmpfs /var/varnok && mkdir -p /var/varnok/INSTALL /var/varnok/data
    QT_QPA_PLATFORM=offscreen "$1" & pid=$!
    for i in $(seq 50); do [ -f /var/varnok/INSTALL/nettoollockfile ] && break; sleep 0.1; done
    sleep 1
    kill -0 $pid || { echo "the installed program did not stay up"; exit 1; }
    [ -f /var/varnok/INSTALL/nettoollockfile ] || { echo "no lock file"; exit 1; }
    kill -TERM $pid; wait $pid; status=$?
    [ $status -eq 0 ] || { echo "exit status $status"; exit 1; }
    [ ! -e /var/varnok/INSTALL/nettoollockfile ] || { echo "lock file left behind"; exit 1; }
' sh "$root/usr/bin/nettool"
echo "installed program started and closed cleanly"
