#!/bin/sh
# Builds the Debian package as the README tells ("cpack" with the build's configuration, here into
# a scratch folder) and checks it: its control data, the files a desktop needs, the dependencies
# found by dpkg-shlibdeps beside the run-time plug-ins, and that apt would install it.
set -eu
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
(cd "$build" && cpack --config CPackConfig.cmake -B "$dest" >"$dest/cpack.log" 2>&1) ||
  { cat "$dest/cpack.log" >&2; echo "пакет не собран" >&2; exit 1; }
set -- "$dest"/tarvo-scm_*_amd64.deb
[ -s "$1" ] || { cat "$dest/cpack.log" >&2; echo "нет файла пакета" >&2; exit 1; }
deb=$1
info=$(dpkg-deb --info "$deb")
echo "$info" | grep -qx ' Package: tarvo-scm'
depends=$(dpkg-deb --field "$deb" Depends)
for d in libqt6sql6-sqlite libqt6sql6-psql qt6-qpa-plugins qt6-translations-l10n libqt6widgets6 libsqlite3-0 libpq5 libc6; do
  echo "$depends" | tr ',' '\n' | grep -q "^ *$d\b" || { echo "нет зависимости $d: $depends" >&2; exit 1; }
done
contents=$(dpkg-deb --contents "$deb")
for f in ./usr/bin/tarvo-scm ./usr/bin/tarvo-admin ./usr/share/applications/tarvo-scm.desktop \
         ./usr/share/icons/hicolor/scalable/apps/tarvo-scm.svg; do
  echo "$contents" | grep -q " $f\$" || { echo "нет в пакете: $f" >&2; exit 1; }
done
# A simulation only: resolves the dependencies against this machine's packages and indexes.
apt-get install -s -q --reinstall "$deb" >"$dest/apt.log" 2>&1 || { cat "$dest/apt.log" >&2; echo "apt не установит пакет" >&2; exit 1; }
grep -q '^Inst tarvo-scm ' "$dest/apt.log" || { cat "$dest/apt.log" >&2; echo "apt не установит пакет" >&2; exit 1; }
echo "package OK: $(basename "$deb")"
