#!/usr/bin/env bash
# Start-up time of the real program under Xvfb: from exec to the main window
# "Quillar 1.30" shown (the splash's one-second minimum included), over RUNS
# runs on a data folder of N generated appointments; prints each run and the
# median in milliseconds.
# Usage: measure_startup.sh BUILD_DIR [RUNS=5] [N=2000]
set -euo pipefail
build=$1 runs=${2:-5} count=${3:-2000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/app/quillar" "$build/app/Frases.txt" "$build/app/Texto.txt" "$work/"
mkdir -p "$work/datos"
"$build/tools/quillar-data" init "$work/datos" >/dev/null
"$build/tools/quillar-data" generate "$work/datos" "$count" >/dev/null
printf '[General]\nDataPath=%s/datos/\n' "$work" > "$work/config.ini"
mkdir -m 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/xdg-config" XDG_DATA_HOME="$work/xdg-data" XDG_RUNTIME_DIR="$work/runtime"

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  work=$1 runs=$2
  times=()
  for r in $(seq 1 "$runs"); do
    start=$(date +%s%N)
    "$work/quillar" & pid=$!
    until xdotool search --onlyvisible --name "^Quillar 1.30$" >/dev/null 2>&1; do sleep 0.01; done
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    echo "run $r: $ms ms"
    times+=("$ms")
    kill "$pid"; wait "$pid" 2>/dev/null || true
    sleep 0.5
  done
  printf "%s\n" "${times[@]}" | sort -n | awk "{a[NR]=\$1} END {print \"median: \" a[int((NR+1)/2)] \" ms\"}"
' _ "$work" "$runs"
