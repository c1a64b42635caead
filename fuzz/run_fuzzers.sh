#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a given time.
#   fuzz/run_fuzzers.sh SECONDS [TARGET...]     (default: every target)
# Each target starts from its seeds in fuzz/corpus/<target>/ (replayed first)
# and keeps what it finds in the build folder, never in the source tree:
#   $FUZZ_BUILD_DIR/fuzz-work/<target>/      the growing corpus
#   $FUZZ_BUILD_DIR/fuzz-findings/<target>/  crash-*, leak-*, timeout-*, oom-*
# The targets run side by side, as many at a time as there are processors.
# Prints per target the executions and the findings; exits 1 when anything
# was found. FUZZ_BUILD_DIR defaults to build-fuzz beside this folder.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
all_targets=(fuzz_cmap fuzz_os2 fuzz_sfnt fuzz_profile fuzz_keystrokes fuzz_face_cache fuzz_kept_text fuzz_text_file
  fuzz_edit_history)

if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 SECONDS [${all_targets[*]}]" >&2
  exit 2
fi
seconds="$1"
shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")

cxx="$(command -v clang++ || command -v clang++-14 || true)"
cc="$(command -v clang || command -v clang-14 || true)"
if [ -z "$cxx" ] || [ -z "$cc" ]; then
  echo "clang is needed (Debian: clang libclang-rt-dev)" >&2
  exit 2
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC="$cc" CXX="$cxx" cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORN_FUZZ=ON -DVORN_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >/dev/null

# Findings must stop the run: UBSan aborts on its first report, ASan (with
# LeakSanitizer) reports through libFuzzer, which saves the input.
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:${UBSAN_OPTIONS:-}"
export ASAN_OPTIONS="detect_leaks=1:${ASAN_OPTIONS:-}"

# One target's run; its exit status goes to the findings folder, so that the
# targets can run side by side, as many at a time as there are processors.
run_target() {
  local target=$1 status
  local work="$build/fuzz-work/$target" findings="$build/fuzz-findings/$target"
  mkdir -p "$work" "$findings"
  touch "$findings/.start"
  # Runs end on the first finding (or at the time limit); -timeout makes a
  # hang a finding too, -rss_limit_mb a runaway allocation.
  set +e
  "$build/fuzz/$target" "$work" "$here/corpus/$target" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" >"$findings.log" 2>&1
  status=$?
  set -e
  echo "$status" >"$findings.status"
}

running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run_target "$target" &
  running=$((running + 1))
done
wait

found_any=0
printf '%-16s %12s %8s %9s\n' target executions seconds findings
for target in "${targets[@]}"; do
  findings="$build/fuzz-findings/$target"
  log="$findings.log"
  status="$(cat "$findings.status")"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  took="$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)"
  count="$(find "$findings" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' \
    -o -name 'timeout-*' -o -name 'oom-*' \) -newer "$findings/.start" | wc -l)"
  printf '%-16s %12s %8s %9s\n' "$target" "${runs:-?}" "${took:-?}" "$count"
  if [ "$status" -ne 0 ] || [ "$count" -ne 0 ]; then
    found_any=1
    echo "  $target: exit $status, see $log" >&2
    grep -E 'ERROR|runtime error|broken promise|SUMMARY' "$log" | head -5 | sed 's/^/  /' >&2 || true
  fi
done
exit "$found_any"
