#!/usr/bin/env bash
# Starts the built program from a temporary copy of its folder in a real X
# window, waits for the main window, takes a screenshot, closes the window
# through its menu as a user would, and checks the saved settings.
# Usage: smoke_start_close.sh PROGRAM HELP_DIR OUT_DIR
set -euo pipefail
program=$1 help=$2 out=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/quillar"
cp -r "$help" "$work/help"
printf '[General]\nDataPath=/carpeta/que/ya/no/existe/\nWindowState=0\nDaysSelected=5\n' > "$work/config.ini"
mkdir -p "$out"
export XDG_CONFIG_HOME="$work/xdg-config" XDG_DATA_HOME="$work/xdg-data"

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  work=$1 out=$2
  "$work/quillar" & pid=$!
  win=$(timeout 30 xdotool search --sync --name "^Quillar 1.30$" | head -1)
  sleep 0.5
  /usr/bin/import -window root "$out/smoke-main-window.png"
  xdotool windowfocus --sync "$win" || true
  xdotool key --window "$win" alt+a
  sleep 0.3
  xdotool key s
  for i in $(seq 1 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then echo "the window did not close"; kill $pid; exit 1; fi
  wait $pid
' _ "$work" "$out"

grep -qx "DataPath=$work/" "$work/config.ini" || { echo "DataPath not replaced:"; cat "$work/config.ini"; exit 1; }
grep -qx "DaysSelected=5" "$work/config.ini" || { echo "DaysSelected lost"; exit 1; }
test "$(grep -c '=' "$work/config.ini")" = 20 || { echo "config.ini does not hold 20 keys"; cat "$work/config.ini"; exit 1; }
test -s "$out/smoke-main-window.png"
echo "smoke: 1 passed, 0 failed"
