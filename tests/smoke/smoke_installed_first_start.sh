#!/usr/bin/env bash
# The installed layout's first start, as an ordinary user would meet it: the
# build is installed into a prefix nobody may write (as /usr is), and the
# program is started from its menu entry's Exec= line by a user whose home has
# no .config nor .local yet. It must start, create its tables in
# $XDG_DATA_HOME/quillar/ and write $XDG_CONFIG_HOME/quillar/config.ini at
# closing, each new folder readable by its owner only; Qt's own dialogs speak
# Spanish (a file dialog is opened and its screenshot kept). Run as root (as CI
# does), the program runs as the unprivileged user nobody.
# Usage: smoke_installed_first_start.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1 out=$2
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir -p "$out"
cmake --install "$build" --prefix "$work/prefix" > /dev/null
chmod -R a-w "$work/prefix"
home=$work/home
mkdir -p "$home/run" "$home/tmp"
chmod 700 "$home" "$home/run"
if [ "$(id -u)" = 0 ]; then
  chown -R nobody:nogroup "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
else
  as_user=()
fi

exec_line=$(sed -n 's/^Exec=//p' "$work/prefix/share/applications/quillar.desktop")
env -i PATH="$work/prefix/bin:/usr/bin:/bin" HOME="$home" XDG_RUNTIME_DIR="$home/run" TMPDIR="$home/tmp" \
  LANG=C.UTF-8 "${as_user[@]}" \
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  # Waits until no window has this title.
  gone() { for i in $(seq 1 30); do xdotool search --name "$1" > /dev/null || return 0; sleep 0.1; done; return 1; }
  $1 & pid=$!
  win=$(timeout 30 xdotool search --sync --name "^Quillar 1.30$" | head -1)
  sleep 0.5
  /usr/bin/import -window root "$HOME/first-start.png"
  xdotool windowfocus --sync "$win" || true
  # Qt'"'"'s own file dialog, reached as a user would (Archivo, Copias
  # seguridad, Restaurar, Aceptar), must come up in Spanish.
  xdotool key --window "$win" alt+a
  sleep 0.3
  xdotool key Down Down Down Down Down Down Down Down Right Down Return
  copseg=$(timeout 10 xdotool search --sync --name "^Restaurar copia de seguridad$" | head -1) || {
    echo "the restore window did not open"; exit 1; }
  xdotool windowfocus --sync "$copseg" || true
  xdotool key --window "$copseg" Return
  dialog=$(timeout 10 xdotool search --sync --name "^Abrir$" | head -1) || { echo "no file dialog titled Abrir"; exit 1; }
  sleep 0.5
  /usr/bin/import -window root "$HOME/file-dialog.png"
  xdotool windowfocus --sync "$dialog" || true
  xdotool key Escape
  gone "^Abrir$" || { echo "the file dialog did not close"; exit 1; }
  xdotool windowfocus --sync "$copseg" || true
  xdotool key Escape
  gone "^Restaurar copia de seguridad$" || { echo "the restore window did not close"; exit 1; }
  xdotool windowfocus --sync "$win" || true
  xdotool key --window "$win" alt+a
  sleep 0.3
  xdotool key s
  for i in $(seq 1 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then echo "the window did not close"; kill $pid; exit 1; fi
  wait $pid
' _ "$exec_line" || { cp "$home"/*.png "$out/" 2>/dev/null || true; exit 1; }
cp "$home/first-start.png" "$out/installed-first-start.png"
cp "$home/file-dialog.png" "$out/installed-file-dialog.png"

fail() { echo "$@"; ls -laR "$home" | head -40; exit 1; }
ini=$home/.config/quillar/config.ini
data=$home/.local/share/quillar
[ -f "$ini" ] || fail "no config.ini in $home/.config/quillar"
grep -qx "DataPath=$data/" "$ini" || fail "DataPath is not the XDG data folder: $(grep DataPath "$ini")"
for f in AGENDA.DBF AGENDA.DBT AGENDA.MDX CATEGORIAS.DBF CATEGORIAS.MDX; do
  [ -f "$data/$f" ] || fail "$f was not created"
done
# (~/.config itself is left out: Qt's file dialog makes it first, for its
# own QtProject.conf.)
for d in .config/quillar .config/autostart .local .local/share "$data"; do
  case $d in /*) p=$d ;; *) p=$home/$d ;; esac
  [ "$(stat -c %a "$p")" = 700 ] || fail "$p has mode $(stat -c %a "$p"), not 700"
done
[ "$(stat -c %U "$ini")" = "$(stat -c %U "$home")" ] || fail "config.ini not owned by the user"
[ -z "$(find "$work/prefix" -name 'config.ini' -o -name '*.DBF')" ] || fail "files written into the program folder"
echo "smoke: 1 passed, 0 failed"
