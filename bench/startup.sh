#!/usr/bin/env bash
# Time from launch to the window on screen, with the machine's own fonts.
#   bench/startup.sh VORN_BINARY [RUNS]
# Starts its own Xvfb; prints each run and the median in milliseconds.
set -euo pipefail
vorn=$(realpath "$1")
runs=${2:-7}
work=$(mktemp -d)
display=":$((150 + RANDOM % 50))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
times=()
for run in $(seq "$runs"); do
  start=$(date +%s%N)
  (cd "$work" && exec "$vorn" 2>/dev/null) &
  pid=$!
  # The window is mapped once the first paint is under way; xdotool polls.
  until xdotool search --onlyvisible --class vorn >/dev/null 2>&1; do sleep 0.005; done
  end=$(date +%s%N)
  kill "$pid"; wait "$pid" 2>/dev/null || true
  ms=$(( (end - start) / 1000000 ))
  times+=("$ms")
  echo "run $run: $ms ms"
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "median: $(echo "$sorted" | sed -n "$(( (runs + 1) / 2 ))p") ms over $runs runs ($(fc-list | wc -l) installed faces)"
