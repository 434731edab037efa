#!/usr/bin/env bash
# Nothing typed is lost and the window never freezes, in real windows under
# the Spanish locale: a subject typed in place is stored by F5, a new appointment
# (Ctrl+N) opens right after a stored change, a date typed with "/" stays in
# its date field, a move drag cancelled by a second button or by the focus
# going to another window stores nothing, and closing the window while
# typing stores the subject.
# The time from a stored change to the editor of the next command is printed.
# Usage: smoke_input.sh PROGRAM QUILLAR_DATA HELP_DIR OUT_DIR
set -euo pipefail
program=$1 tool=$2 help=$3 out=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/quillar"
cp -r "$help" "$work/help"
mkdir -p "$work/datos" "$out"
rm -f "$out"/input-*.png
# Working hours 09:00-10:00 every day in pure green: the band gives the
# day's column and the height of one hour.
cat > "$work/config.ini" <<INI
[General]
DataPath=$work/datos/
WindowState=0
DaysSelected=1
RulerMarkMinutes=2
ShowReminder=0
BeginWorkTime=09:00:00
EndWorkTime=10:00:00
WorkTimeColor=65280
WorkLun=1
WorkMar=1
WorkMie=1
WorkJue=1
WorkVie=1
WorkSab=1
WorkDom=1
INI
export HOME="$work/home" XDG_CONFIG_HOME="$work/xdg-config" XDG_DATA_HOME="$work/xdg-data"
export XDG_RUNTIME_DIR="$work/xdg-runtime" LANG=es_ES.UTF-8 LC_ALL=es_ES.UTF-8
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  work=$1 out=$2 tool=$3
  table="$work/datos/AGENDA.DBF"
  fail() { echo "FAIL: $*"; /usr/bin/import -window root "$out/input-failure.png" || true; kill $pid 2>/dev/null || true; exit 1; }
  shot() { /usr/bin/import -window root "$out/input-$1.png"; }
  until_ok() {
    local limit=$(( $(date +%s) + $1 )); shift
    until "$@"; do
      [ "$(date +%s)" -lt "$limit" ] || return 1
      sleep 0.05
    done
  }
  band() {
    /usr/bin/import -window root "$work/screen.png"
    /usr/bin/convert "$work/screen.png" -fill black +opaque "rgb(0,255,0)" -format "%@" info: 2>/dev/null |
      sed -n "s/^\([0-9]*\)x\([0-9]*\)+\([0-9]*\)+\([0-9]*\)$/\1 \2 \3 \4/p"
  }
  band_found() { b=$(band); [ -n "$b" ] && [ "$(echo $b | cut -d" " -f1)" -gt 20 ]; }
  dump() { "$tool" dump "$table" 2>/dev/null || true; }
  has_record() { dump | tail -n +2 | grep -q -- "$1"; }
  select_drag() {  # x y1 y2: a time selection by a slow drag
    local x=$1 y1=$2 y2=$3 i
    xdotool mousemove --sync "$x" "$y1"
    sleep 0.2
    xdotool mousedown 1
    for i in 1 2 3 4 5; do sleep 0.1; xdotool mousemove "$x" $(( y1 + (y2 - y1) * i / 5 )); done
    sleep 0.2
    xdotool mouseup 1
  }
  now_ms() { date +%s%3N; }

  "$work/quillar" & pid=$!
  win=$(timeout 60 xdotool search --sync --name "^Quillar 1.30$" | head -1) || fail "no main window"
  until_ok 30 band_found || fail "the working hours never showed"
  read -r bw bh bx by <<< "$(band)"
  # Move the initial selection off the band and scroll 09:00 away from the
  # edge where a press would scroll the view by itself.
  xdotool mousemove --sync $(( bx + bw / 2 )) $(( by + bh + 100 )) click 1 click --repeat 3 --delay 100 4
  last="" b=$(band)
  limit=$(( $(date +%s) + 10 ))
  while [ "$b" != "$last" ] && [ "$(date +%s)" -lt "$limit" ]; do last=$b; sleep 0.2; b=$(band); done
  read -r bw bh bx by <<< "$b"
  hour=$bh x=$(( bx + bw / 2 )) top=$by
  [ "$hour" -ge 20 ] || fail "the band is only $hour px high"

  # 1. Typing in place, then F5 with no Enter: the subject is stored as
  # Enter would store it, and the refresh shows it once (the final dump).
  select_drag "$x" $(( top + 3 )) $(( top + hour - 3 ))
  xdotool type --delay 60 "Compra pan"
  xdotool key F5
  until_ok 20 has_record "09:00.*10:00.*Compra pan" || { dump; fail "the subject typed before F5 was lost"; }
  stored=$(now_ms)
  sleep 0.5
  shot 1-after-f5

  # 2. Right after that stored change: a click on free time and Ctrl+N. The
  # editor opens without the three-second freeze.
  xdotool mousemove --sync "$x" $(( top + hour + 5 )) click 1
  xdotool key ctrl+n
  dlg=$(timeout 20 xdotool search --sync --name "^Cita$" | head -1) || fail "the editor did not open"
  opened=$(now_ms)
  echo "from the stored change to the editor of Ctrl+N: $(( opened - stored )) ms (click and key included)"
  xdotool mousemove --sync --window "$dlg" 10 10
  xdotool windowfocus --sync "$dlg" || true
  sleep 0.5
  # 3. Dates typed with "/" stay in their date fields: the start (the end
  # follows it), then the end one day later.
  xdotool type --delay 60 "Con fecha"
  xdotool key Tab
  xdotool type --delay 80 "11/12/2026"
  xdotool key --delay 100 Tab Tab
  xdotool type --delay 80 "12/12/2026"
  shot 2-typed-date
  xdotool key Return
  until_ok 20 bash -c "! xdotool search --name \"^Cita$\" >/dev/null" || fail "the editor did not accept the typed date"
  until_ok 20 has_record "Con fecha" || { dump; fail "the appointment with the typed date was not stored"; }

  # 4. A move drag of the first block cancelled by a second button, then one
  # cancelled by another window taking the focus: nothing is stored (the
  # final dump) and the block is back where it was on screen.
  column() { /usr/bin/import -window root "$work/screen.png"; /usr/bin/convert "$work/screen.png" -crop "${bw}x$(( 3 * hour ))+${bx}+${top}" +repage "$work/$1.png"; }
  same_column() { column now; [ "$(/usr/bin/compare -metric AE "$work/before.png" "$work/now.png" null: 2>&1)" = 0 ]; }
  start_move() {
    xdotool mousemove --sync "$x" $(( top + hour / 2 ))
    sleep 0.2
    xdotool mousedown 1
    sleep 0.2
    local i
    for i in 1 2 3 4 5 6; do sleep 0.1; xdotool mousemove "$x" $(( top + hour / 2 + i * hour / 4 )); done
    sleep 0.3
  }
  xdotool mousemove --sync "$x" $(( top + hour / 2 )) click 1
  sleep 0.5
  column before
  start_move
  shot 4-dragging
  xdotool mousedown 3
  sleep 0.2
  xdotool mouseup 3
  sleep 0.2
  xdotool mouseup 1
  until_ok 5 same_column || fail "the block did not go back after a second button"
  xmessage -geometry +900+0 otra &
  other=$!
  xm=$(timeout 20 xdotool search --sync --class xmessage | head -1) || fail "no other window"
  start_move
  xdotool windowfocus --sync "$xm" || true
  sleep 0.3
  xdotool mouseup 1
  kill $other 2>/dev/null || true
  until_ok 5 same_column || { shot 4-after-focus; fail "the block did not go back after the focus left"; }

  # 5. Typing in place, then closing the window through its menu.
  select_drag "$x" $(( top + 2 * hour + 3 )) $(( top + 3 * hour - 3 ))
  xdotool type --delay 60 "Al salir"
  shot 3-typing-before-close
  xdotool key alt+a
  sleep 0.5
  xdotool key s
  until_ok 20 bash -c "! kill -0 $pid 2>/dev/null" || fail "the window did not close"
  wait $pid || fail "the program ended with status $?"
' _ "$work" "$out" "$tool"

dump=$("$tool" dump "$work/datos/AGENDA.DBF")
echo "$dump"
today=$(date +%Y-%m-%d)
# Fields: ID FECHA_INI FECHA_FIN HORA_INI HORA_FIN ASUNTO ...
rows=$(echo "$dump" | tail -n +2 | awk -F'\t' '{ print $2 "|" $3 "|" $4 "|" $5 "|" $6 }' | sort -t'|' -k3)
want="$today|$today|09:00|10:00|Compra pan
2026-12-11|2026-12-12|10:00|10:30|Con fecha
$today|$today|11:00|12:00|Al salir"
[ "$rows" = "$want" ] || { echo "stored:"; echo "$rows"; echo "wanted:"; echo "$want"; exit 1; }
echo "smoke_input: 4 passed, 0 failed"
