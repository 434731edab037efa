#!/usr/bin/env bash
# A user's first appointment in real windows: Quillar starts on an empty data
# folder, the user drags over 09:00-10:00 of today, types a subject and
# Enter, drags the block one hour later, double-clicks it, changes the place
# in the editor, accepts and quits. The table then holds exactly that one
# appointment. Screenshots of every step go to OUT_DIR.
#
# The time view is found on the screen through the working hours: they are
# set to 09:00-10:00 in a colour nothing else uses, so that band gives both
# the day's column and the height of one hour.
# Usage: acceptance_new_move_edit.sh PROGRAM QUILLAR_DATA HELP_DIR OUT_DIR
set -euo pipefail
program=$1 tool=$2 help=$3 out=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/quillar"
cp -r "$help" "$work/help"
mkdir -p "$work/datos" "$out"
rm -f "$out"/acceptance-*.png
# Working hours 09:00-10:00 every day, in pure green (red is the low byte).
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
export XDG_RUNTIME_DIR="$work/xdg-runtime" LANG=es_ES.UTF-8
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  work=$1 out=$2 tool=$3
  table="$work/datos/AGENDA.DBF"
  fail() { echo "FAIL: $*"; /usr/bin/import -window root "$out/acceptance-failure.png" || true; kill $pid 2>/dev/null || true; exit 1; }
  shot() { /usr/bin/import -window root "$out/acceptance-$1.png"; }
  # Waits up to $1 seconds for the command in the remaining arguments to succeed.
  until_ok() {
    local limit=$(( $(date +%s) + $1 )); shift
    until "$@"; do
      [ "$(date +%s)" -lt "$limit" ] || return 1
      sleep 0.2
    done
  }
  # Bounding box "W H X Y" of the working-hours colour on the screen, or nothing.
  band() {
    /usr/bin/import -window root "$work/screen.png"
    /usr/bin/convert "$work/screen.png" -fill black +opaque "rgb(0,255,0)" -format "%@" info: 2>/dev/null |
      sed -n "s/^\([0-9]*\)x\([0-9]*\)+\([0-9]*\)+\([0-9]*\)$/\1 \2 \3 \4/p"
  }
  band_found() { b=$(band); [ -n "$b" ] && [ "$(echo $b | cut -d" " -f1)" -gt 20 ]; }
  dump() { "$tool" dump "$table" 2>/dev/null || true; }
  # The dump of the only record, once the table holds exactly one matching $1.
  one_record() { local d; d=$(dump); [ "$(echo "$d" | tail -n +2 | grep -c .)" = 1 ] && echo "$d" | tail -n +2 | grep -q -- "$1"; }
  # Every stored change is announced, and the program then waits three
  # seconds (on its own clock) before it takes input again: once the change
  # is seen in the table, that wait is sat out before the next step.
  notice_wait() { sleep 3.5; }
  slow_drag() {  # x y1 y2 [lead]: press, move in steps, release
    local x=$1 y1=$2 y2=$3 lead=${4:-0} i
    xdotool mousemove --sync "$x" "$y1"
    sleep 0.2
    xdotool mousedown 1
    if [ "$lead" != 0 ]; then
      # A moved block follows the pointer from where the drag began, past
      # the start distance: that much first, then the distance to go.
      sleep 0.2
      xdotool mousemove "$x" $(( y1 + lead ))
      sleep 0.3
      y1=$(( y1 + lead )) y2=$(( y2 + lead ))
    fi
    for i in 1 2 3 4 5 6 7 8 9 10; do
      sleep 0.1
      xdotool mousemove "$x" $(( y1 + (y2 - y1) * i / 10 ))
    done
    sleep 0.3
    xdotool mouseup 1
  }

  "$work/quillar" & pid=$!
  win=$(timeout 60 xdotool search --sync --name "^Quillar 1.30$" | head -1) || fail "no main window"
  until_ok 30 band_found || fail "the working hours never showed"
  shot 1-start
  read -r bw bh bx by <<< "$(band)"
  first_top=$by
  # The initial half-hour selection may hide part of the band: click below it
  # to move the selection away, then measure the band again.
  # 09:00 starts at the top of the time area, where pressing would scroll the
  # view on its own: three wheel notches up bring it 30 pixels further down.
  xdotool mousemove --sync $(( bx + bw / 2 )) $(( by + bh + 100 )) click 1 click --repeat 3 --delay 100 4
  # Measured once two screenshots in a row agree.
  last="" b=$(band)
  limit=$(( $(date +%s) + 10 ))
  while [ "$b" != "$last" ] && [ "$(date +%s)" -lt "$limit" ]; do last=$b; sleep 0.2; b=$(band); done
  read -r bw bh bx by <<< "$b"
  hour=$bh x=$(( bx + bw / 2 )) top=$by
  echo "time view: 09:00 at y=$top, one hour $hour px, column x=$bx..$(( bx + bw ))"
  [ "$hour" -ge 20 ] || fail "the band is only $hour px high"
  [ "$top" -gt "$first_top" ] || fail "the wheel did not scroll the view"

  # 1. Select 09:00-10:00 by dragging, type the subject, Enter.
  slow_drag "$x" $(( top + 3 )) $(( top + hour - 3 ))
  shot 2-selection
  xdotool type --delay 60 "Revision del proyecto"
  sleep 0.2
  xdotool key Return
  until_ok 20 one_record "09:00.*10:00.*Revision del proyecto" || { dump; fail "the typed appointment was not stored"; }
  notice_wait
  shot 3-typed

  # 2. Drag the block one hour later.
  slow_drag "$x" $(( top + hour / 2 )) $(( top + hour / 2 + hour )) 15
  until_ok 20 one_record "10:00.*11:00.*Revision del proyecto" || { dump; fail "the moved block was not stored"; }
  notice_wait
  shot 4-moved

  # 3. Double-click it, change the place, accept.
  xdotool mousemove --sync "$x" $(( top + hour + hour / 2 )) click --repeat 2 --delay 80 1
  dlg=$(timeout 20 xdotool search --sync --name "^Cita$" | head -1) || fail "the editor did not open"
  # Without a window manager the keys go where the pointer is: into the editor.
  xdotool mousemove --sync --window "$dlg" 10 10
  xdotool windowfocus --sync "$dlg" || true
  sleep 0.5
  shot 5-editor
  # From the subject, back past Cancelar, Aceptar and the notes to the place.
  xdotool key --delay 100 shift+Tab shift+Tab shift+Tab shift+Tab
  xdotool type --delay 60 "Sala de juntas"
  shot 6-place
  xdotool key Return
  until_ok 20 bash -c "! xdotool search --name \"^Cita$\" >/dev/null" || fail "the editor did not close"
  until_ok 20 one_record "Sala de juntas" || { dump; fail "the place was not stored"; }
  notice_wait
  shot 7-accepted

  # 4. Quit through the menu.
  xdotool windowfocus --sync "$win" || true
  xdotool key --window "$win" alt+a
  sleep 0.5
  xdotool key s
  until_ok 20 bash -c "! kill -0 $pid 2>/dev/null" || fail "the window did not close"
  wait $pid
' _ "$work" "$out" "$tool"

# What any reader of the table sees after the program ended.
dump=$("$tool" dump "$work/datos/AGENDA.DBF")
echo "$dump"
today=$(date +%Y-%m-%d)
rows=$(echo "$dump" | tail -n +2)
[ "$(echo "$rows" | grep -c .)" = 1 ] || { echo "not exactly one appointment"; exit 1; }
# Fields: ID FECHA_INI FECHA_FIN HORA_INI HORA_FIN ASUNTO LUGAR NOTAS AVISO TIPO F_AVISO H_AVISO
got=$(echo "$rows" | awk -F'\t' '{ print $2 "|" $3 "|" $4 "|" $5 "|" $6 "|" $7 "|" $9 "|" $10 }')
want="$today|$today|10:00|11:00|Revision del proyecto|Sala de juntas|1|0"
[ "$got" = "$want" ] || { echo "stored: $got"; echo "wanted: $want"; exit 1; }
echo "acceptance: 1 passed, 0 failed"
