#!/usr/bin/env bash
# The font catalogue over many installed faces, as whole processes:
#   bench/fonts_at_scale.sh BUILD_DIR [COUNT...]      (default: 200 2000)
# For each COUNT it builds that many faces with fontTools
# (bench/make_bench_fonts.py) in a temporary folder with its own fonts.conf
# and fontconfig cache, and times, in turn within each round:
#   cold     `vorn fonts` with an empty face cache (it reads every face and
#            saves the cache)
#   warm     `vorn fonts` with the cache that a run before it filled
#   fc-list  `fc-list ':charset=860-89f' family`, fontconfig's cached query
# then the window's start-up with a warm cache against a bare Qt window of
# the same size and against one that shows a line of text, which loads Qt's
# font database as vorn's window must (bench/startup.sh with
# BUILD_DIR/bench/bare_window and bare_label_window).
# Prints medians in milliseconds and the ratios that have targets:
# warm <= 2 x fc-list, window <= 1.25 x bare window. RUNS (default 21) and
# WINDOW_RUNS (default 15) set the number of rounds.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "$1")
shift
counts=("$@")
[ ${#counts[@]} -eq 0 ] && counts=(200 2000)
vorn="$build/app/vorn"
bare="$build/bench/bare_window"
label="$build/bench/bare_label_window"
runs=${RUNS:-21}
window_runs=${WINDOW_RUNS:-15}

# Milliseconds that one run of the command takes, its output thrown away.
time_ms() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1
  local end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", (b - a) * 1000 }'
}

median() {
  printf '%s\n' "$@" | sort -g | sed -n "$(( ($# + 1) / 2 ))p"
}

ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}

for count in "${counts[@]}"; do
  folder=$(mktemp -d)
  /usr/bin/python3 "$here/make_bench_fonts.py" "$count" "$folder/fonts"
  export FONTCONFIG_FILE="$folder/fonts/fonts.conf"
  export XDG_CACHE_HOME="$folder/cache"
  fc-cache "$folder/fonts" >/dev/null 2>&1 || true
  listed=$("$vorn" fonts --no-cache | wc -l)

  cold=() warm=() fclist=()
  for _ in $(seq "$runs"); do
    rm -rf "$XDG_CACHE_HOME"
    cold+=("$(time_ms "$vorn" fonts)")
    warm+=("$(time_ms "$vorn" fonts)")
    fclist+=("$(time_ms fc-list ':charset=860-89f' family)")
  done
  cold_ms=$(median "${cold[@]}")
  warm_ms=$(median "${warm[@]}")
  fclist_ms=$(median "${fclist[@]}")

  "$vorn" fonts >/dev/null  # the window starts with a warm cache
  window=$("$here/startup.sh" "$vorn" "$window_runs" "$bare" "$label" | tail -3)
  window_ms=$(sed -n 's/^median: \([0-9]*\) ms.*/\1/p' <<<"$window")
  bare_ms=$(sed -n 's/^median bare_window: \([0-9]*\) ms.*/\1/p' <<<"$window")
  label_ms=$(sed -n 's/^median bare_label_window: \([0-9]*\) ms.*/\1/p' <<<"$window")

  echo "$count faces ($listed listed for U+0860..U+089F), medians of $runs runs:"
  printf '  vorn fonts, cold:    %8.2f ms\n' "$cold_ms"
  printf '  vorn fonts, warm:    %8.2f ms\n' "$warm_ms"
  printf '  fc-list:             %8.2f ms\n' "$fclist_ms"
  printf '  warm / fc-list:      %8s    (target <= 2)\n' "$(ratio "$warm_ms" "$fclist_ms")"
  printf '  cold / warm:         %8s\n' "$(ratio "$cold_ms" "$warm_ms")"
  printf '  window, warm cache:  %5d    ms (median of %d)\n' "$window_ms" "$window_runs"
  printf '  bare Qt window:      %5d    ms\n' "$bare_ms"
  printf '  window / bare:       %8s    (target <= 1.25)\n' "$(ratio "$window_ms" "$bare_ms")"
  printf '  bare window, a label: %4d    ms\n' "$label_ms"
  printf '  window / label:      %8s\n' "$(ratio "$window_ms" "$label_ms")"
  rm -rf "$folder"
done
