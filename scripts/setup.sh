#!/usr/bin/env bash
# Installs the Debian 12 packages Quillar needs, when any is missing, then
# configures and builds into build/. Used by run.sh and test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake ninja-build pkgconf qt6-base-dev libsqlite3-dev libzip-dev libcanberra-dev
  libical-dev qt6-translations-l10n
  libgtest-dev libbenchmark-dev fonts-liberation2 xvfb xauth x11-utils xdotool imagemagick poppler-utils
  python3-dbfread libdbd-xbase-perl fp-compiler fp-units-db python3-icalendar dbus
  desktop-file-utils appstream locales dpkg-dev file groff-base clang libclang-rt-14-dev)

missing=0
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || { missing=1; break; }
done
if [ "$missing" = 1 ]; then
  sudo_cmd=""
  [ "$(id -u)" = 0 ] || sudo_cmd="sudo"
  $sudo_cmd sh -c "apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${packages[*]}"
fi

# The real-window tests run in Spanish as well; generate that locale when it is missing.
if ! locale -a 2>/dev/null | grep -qi '^es_ES\.utf-\?8$'; then
  sudo_cmd=""
  [ "$(id -u)" = 0 ] || sudo_cmd="sudo"
  $sudo_cmd localedef -i es_ES -f UTF-8 es_ES.UTF-8
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
