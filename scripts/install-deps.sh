#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the client and the tests need.
# Safe to run again: only missing packages are fetched.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libqt6opengl6-dev qt6-translations-l10n
  libgl1-mesa-dev libglx-dev
  libsqlite3-dev libpq-dev postgresql postgresql-client
  libxlsxwriter-dev zlib1g-dev libxcb1-dev libsodium-dev
  libminizip-dev poppler-utils  # the export and report tests read workbooks and PDF back
  libzip-dev libfreexl-dev  # the price-list import modules read .xlsx and .xls files
  fonts-dejavu-core xauth xvfb locales
  file  # cpack's Debian generator runs it to find the libraries dpkg-shlibdeps reads
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Нужны права root или sudo для установки: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
