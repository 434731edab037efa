#!/usr/bin/env bash
# Two copies of the program on one data folder, in real windows side by side:
# an appointment typed in place in copy A appears in copy B (its change
# notice over loopback), and tables copied into the folder by another
# program appear in both (the watched files). Each copy's working hours,
# 09:00-10:00 in pure green, show where its shown day is; a block drawn over
# them in B is what shows the change. The time each change took to show is
# printed.
# Usage: smoke_live_two_copies.sh PROGRAM QUILLAR_DATA HELP_DIR OUT_DIR
set -euo pipefail
program=$1 tool=$2 help=$3 out=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/datos" "$work/otros" "$out"
rm -f "$out"/live-*.png
for copy in a b; do
  mkdir -p "$work/$copy"
  cp "$program" "$work/$copy/quillar"
  cp -r "$help" "$work/$copy/help"
  cat > "$work/$copy/config.ini" <<INI
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
done
export HOME="$work/home" XDG_CONFIG_HOME="$work/xdg-config" XDG_DATA_HOME="$work/xdg-data"
export XDG_RUNTIME_DIR="$work/xdg-runtime" LANG=es_ES.UTF-8 LC_ALL=es_ES.UTF-8
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

xvfb-run -a -s "-screen 0 1720x1000x24" bash -c '
  set -euo pipefail
  work=$1 out=$2 tool=$3
  table="$work/datos/AGENDA.DBF"
  pids=""
  fail() { echo "FAIL: $*"; /usr/bin/import -window root "$out/live-failure.png" || true; kill $pids 2>/dev/null || true; exit 1; }
  shot() { /usr/bin/import -window root "$out/live-$1.png"; }
  until_ok() {
    local limit=$(( $(date +%s) + $1 )); shift
    until "$@"; do
      [ "$(date +%s)" -lt "$limit" ] || return 1
      sleep 0.05
    done
  }
  now_ms() { date +%s%3N; }
  # The left half of the screen holds copy A, the right half copy B.
  half() { /usr/bin/import -window root "$work/screen.png"; /usr/bin/convert "$work/screen.png" -crop "860x1000+$1+0" +repage "$work/half.png"; }
  band() {  # width height x y of the green band in a half (x from the screen edge)
    half "$1"
    /usr/bin/convert "$work/half.png" -fill black +opaque "rgb(0,255,0)" -format "%@" info: 2>/dev/null |
      sed -n "s/^\([0-9]*\)x\([0-9]*\)+\([0-9]*\)+\([0-9]*\)$/\1 \2 \3 \4/p" | awk -v o="$1" "{ print \$1, \$2, \$3 + o, \$4 }"
  }
  green() {  # green pixels in a half
    half "$1"
    /usr/bin/convert "$work/half.png" -fill black +opaque "rgb(0,255,0)" -fill white -opaque "rgb(0,255,0)" \
      -format "%[fx:int(mean*w*h+0.5)]" info:
  }
  green_below() { [ "$(green "$1")" -lt "$2" ]; }
  dump() { "$tool" dump "$table" 2>/dev/null || true; }
  has_record() { dump | tail -n +2 | grep -q -- "$1"; }
  window_count() { xdotool search --name "^Quillar 1.30$" 2>/dev/null | wc -l; }

  "$work/a/quillar" & pids="$!"
  winA=$(timeout 60 xdotool search --sync --name "^Quillar 1.30$" | head -1) || fail "copy A showed no window"
  xdotool windowmove --sync "$winA" 0 0 || true
  "$work/b/quillar" & pids="$pids $!"
  until_ok 60 bash -c "[ \$(xdotool search --name \"^Quillar 1.30\$\" | wc -l) -ge 2 ]" || fail "copy B showed no window"
  winB=$(xdotool search --name "^Quillar 1.30$" | grep -vx "$winA" | head -1)
  xdotool windowmove --sync "$winB" 860 0 || true
  band_found() { b=$(band "$1"); [ -n "$b" ] && [ "$(echo $b | cut -d" " -f1)" -gt 20 ]; }
  until_ok 30 band_found 0 || fail "the working hours never showed in copy A"
  until_ok 30 band_found 860 || fail "the working hours never showed in copy B"
  sleep 1
  read -r aw ah ax ay <<< "$(band 0)"
  read -r bw bh bx by <<< "$(band 860)"
  [ "$ah" -ge 20 ] && [ "$bh" -ge 20 ] || fail "the bands are only $ah and $bh px high"
  # The time selection of either copy, moved off its band.
  xdotool mousemove --sync $(( bx + bw / 2 )) $(( by + bh + 120 )) click 1
  # In A, 09:00 is scrolled away from the edge where a press would scroll the
  # view by itself.
  xdotool mousemove --sync $(( ax + aw / 2 )) $(( ay + ah + 120 )) click 1 click --repeat 3 --delay 100 4
  last="" b=$(band 0)
  limit=$(( $(date +%s) + 10 ))
  while [ "$b" != "$last" ] && [ "$(date +%s)" -lt "$limit" ]; do last=$b; sleep 0.2; b=$(band 0); done
  read -r aw ah ax ay <<< "$b"
  sleep 0.5
  full=$(green 860)
  shot 1-both-copies

  # 1. Typed in place in A, 09:00-09:30: B draws the block over half its band.
  x=$(( ax + aw / 2 ))
  xdotool mousemove --sync "$x" $(( ay + 3 ))
  sleep 0.2
  xdotool mousedown 1
  for i in 1 2 3 4 5; do sleep 0.1; xdotool mousemove "$x" $(( ay + 3 + (ah / 2 - 6) * i / 5 )); done
  sleep 0.2
  xdotool mouseup 1
  xdotool type --delay 60 "Desde A"
  xdotool key Return
  until_ok 20 has_record "09:00.*09:30.*Desde A" || { dump; fail "copy A did not store the appointment"; }
  stored=$(now_ms)
  until_ok 10 green_below 860 $(( full * 3 / 4 )) || { shot 2-not-in-b; fail "copy B did not show the appointment of copy A"; }
  echo "from the store in copy A to copy B showing it: $(( $(now_ms) - stored )) ms (screenshots included)"
  shot 2-shown-in-b
  half_green=$(green 860)

  # 2. Tables copied in by another program, with one more appointment
  # 09:30-10:00 that no notice tells of: both copies read the new files.
  cp "$work/datos/"AGENDA.* "$work/otros/"
  cp "$work/datos/"CATEGORIAS.* "$work/otros/"
  today=$(date +%Y%m%d)
  printf "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//prueba//ES\r\nBEGIN:VEVENT\r\nUID:copiada-1\r\nDTSTAMP:${today}T080000Z\r\nDTSTART:${today}T093000\r\nDTEND:${today}T100000\r\nSUMMARY:Copiada\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n" > "$work/copiada.ics"
  "$tool" import-ics "$work/otros" "$work/copiada.ics" >/dev/null || fail "the other folder could not be filled"
  sleep 1  # what that import announced has been heard
  for f in "$work/otros/"AGENDA.*; do cp "$f" "$work/datos/.nuevo"; mv "$work/datos/.nuevo" "$work/datos/$(basename "$f")"; done
  copied=$(now_ms)
  until_ok 15 green_below 860 $(( half_green / 3 )) || { shot 3-not-copied; fail "copy B did not show the tables copied in"; }
  echo "from the tables copied in to copy B showing them: $(( $(now_ms) - copied )) ms (screenshots included)"
  until_ok 15 green_below 0 $(( half_green / 3 )) || { shot 3-not-copied; fail "copy A did not show the tables copied in"; }
  shot 3-copied-in

  # Both copies close through their menus.
  for w in $winA $winB; do
    xdotool windowfocus --sync "$w" || true
    xdotool key --window "$w" alt+a
    sleep 0.5
    xdotool key s
    sleep 0.5
  done
  for p in $pids; do
    until_ok 20 bash -c "! kill -0 $p 2>/dev/null" || fail "a copy did not close"
    wait $p || fail "a copy ended with status $?"
  done
' _ "$work" "$out" "$tool"

dump=$("$tool" dump "$work/datos/AGENDA.DBF")
echo "$dump"
echo "$dump" | grep -q "Desde A" || { echo "FAIL: the appointment of copy A is gone"; exit 1; }
echo "$dump" | grep -q "Copiada" || { echo "FAIL: the appointment copied in is gone"; exit 1; }
echo "smoke: 2 passed, 0 failed"
