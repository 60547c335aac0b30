#!/bin/sh
# Installs the build into a scratch folder and checks what a desktop needs: both programs,
# the desktop entry pointing at them and at the icon.
set -eu
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
cmake --install "$build" --prefix "$dest/usr" >/dev/null
for f in bin/tarvo-scm bin/tarvo-admin share/applications/tarvo-scm.desktop \
         share/icons/hicolor/scalable/apps/tarvo-scm.svg share/tarvo/reports/offer-register.trep; do
  [ -s "$dest/usr/$f" ] || { echo "не установлен: $f" >&2; exit 1; }
done
[ -x "$dest/usr/bin/tarvo-scm" ] && [ -x "$dest/usr/bin/tarvo-admin" ]
entry=$dest/usr/share/applications/tarvo-scm.desktop
grep -qx 'Exec=tarvo-scm' "$entry"
grep -qx 'Icon=tarvo-scm' "$entry"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry"
fi
echo "install layout OK"
