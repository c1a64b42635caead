#!/usr/bin/env bash
# Time from launch to the window on screen.
#   bench/startup.sh VORN_BINARY [RUNS [OTHER_BINARY...]]
# Starts its own Xvfb; prints each run and the median in milliseconds. With
# other binaries (build/bench/bare_window, a bare Qt window of the same size)
# they are started in turn with vorn, and each one's median and the ratio of
# vorn's to it are printed.
# The fonts are those fontconfig shows (FONTCONFIG_FILE); the face cache is
# the one in XDG_CACHE_HOME (or ~/.cache).
set -euo pipefail
vorn=$(realpath "$1")
runs=${2:-7}
others=()
for other in "${@:3}"; do others+=("$(realpath "$other")"); done
work=$(mktemp -d)
# A display of our own: a taken one would show the windows on someone else's
# server, or on none.
for n in $(seq 150 199); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
# -noreset: the server would otherwise reset whenever its last client leaves,
# between two runs, and refuse the next program while it does.
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
kill -0 "$xvfb" 2>/dev/null || { echo "Xvfb did not start on $display" >&2; exit 1; }

# Milliseconds from the start of the binary to its window being mapped. A Qt
# window's class is the binary's name.
launch() {
  local binary=$1 class
  class=$(basename "$binary")
  local start end pid
  start=$(date +%s%N)
  (cd "$work" && exec "$binary" 2>"$work/$class.err") &
  pid=$!
  # The window is mapped once the first paint is under way; xdotool polls.
  until xdotool search --onlyvisible --class "^$class\$" >/dev/null 2>&1; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "$class ended before its window showed:" >&2
      cat "$work/$class.err" >&2
      exit 1
    fi
    sleep 0.005
  done
  end=$(date +%s%N)
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo $(( (end - start) / 1000000 ))
}

median() {
  printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"
}

declare -A times=()
for run in $(seq "$runs"); do
  line="run $run:"
  for binary in "$vorn" "${others[@]}"; do
    ms=$(launch "$binary")
    times[$binary]+=" $ms"
    [ "$binary" = "$vorn" ] && line+=" $ms ms" || line+=", $(basename "$binary") $ms ms"
  done
  echo "$line"
done
# shellcheck disable=SC2086  # the times are words
vorn_median=$(median ${times[$vorn]})
echo "median: $vorn_median ms over $runs runs ($(fc-list | wc -l) installed faces)"
for other in "${others[@]}"; do
  # shellcheck disable=SC2086
  other_median=$(median ${times[$other]})
  echo "median $(basename "$other"): $other_median ms, ratio $(awk -v a="$vorn_median" -v b="$other_median" 'BEGIN { printf "%.2f", a / b }')"
done
