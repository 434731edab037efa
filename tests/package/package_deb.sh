#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks it as a user's
# machine would meet it: its control fields, every file an installed copy
# needs, and the launcher, AppStream file and manual page under their
# validators.
# Usage: package_deb.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$@"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" > "$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/quillar_*_amd64.deb 2>/dev/null || ls "$work"/quillar_*.deb)
[ "$(dpkg-deb -f "$deb" Package)" = quillar ] || fail "wrong package name"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6dbus6 libqt6printsupport6 libzip4 libcanberra0 libsqlite3-0 libc6 qt6-translations-l10n; do
  grep -q "\b$d\b" <<< "$depends" || fail "Depends lacks $d: $depends"
done

dpkg-deb -c "$deb" > "$work/contents"
for f in usr/bin/quillar usr/bin/quillar-data usr/share/applications/quillar.desktop \
         usr/share/metainfo/org.quillar.Quillar.metainfo.xml usr/share/icons/hicolor/128x128/apps/quillar.png \
         usr/share/quillar/help/index.html usr/share/man/man1/quillar-data.1.gz; do
  grep -q " \./$f\$" "$work/contents" || fail "the package lacks /$f"
done
! grep -v ' root/root ' "$work/contents" | grep -q . || fail "files not owned by root: $(grep -v ' root/root ' "$work/contents")"

root=$work/root
dpkg-deb -x "$deb" "$root"
out=$(desktop-file-validate "$root/usr/share/applications/quillar.desktop" 2>&1) || fail "$out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.quillar.Quillar.metainfo.xml" \
  || fail "the AppStream file does not validate"
appstreamcli validate-tree --no-net "$root" || fail "the installed tree does not validate"
warnings=$(zcat "$root/usr/share/man/man1/quillar-data.1.gz" | groff -man -ww -z -K utf8 2>&1)
[ -z "$warnings" ] || fail "groff: $warnings"
zcat "$root/usr/share/man/man1/quillar-data.1.gz" | grep -q '^\.SH DESCRIPCIÓN' || fail "the manual page is not the Spanish one"
file "$root/usr/bin/quillar" | grep -q 'stripped' && ! file "$root/usr/bin/quillar" | grep -q 'not stripped' \
  || fail "the program is not stripped"
echo "package: 1 passed, 0 failed ($(basename "$deb"), $(du -k "$deb" | cut -f1) KiB)"
