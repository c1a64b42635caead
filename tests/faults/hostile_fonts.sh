#!/usr/bin/env bash
# Runs vorn over a font folder full of broken files (see make_hostile_fonts.py).
#   hostile_fonts.sh catalogue VORN FONTS_DIR   `vorn fonts` lists exactly the
#       faces in expected_faces.txt, again from its cache, and `vorn fonts --all`
#       completes
#   hostile_fonts.sh window VORN FONTS_DIR      the window starts offscreen with
#       those fonts and is stopped after a few seconds without crashing
# A sanitizer report on stderr fails either. MEMORY_LIMIT_KB, when set, caps
# the address space of the catalogue runs (not usable under AddressSanitizer).
set -u
mode="$1"
vorn="$2"
fonts="$3"
export FONTCONFIG_FILE="$fonts/fonts.conf"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME="$work/cache"
cd "$work"  # the window reads and writes Vorn.ini here
failed=0

fail() {
  echo "FAIL: $*"
  failed=1
}

# Sanitizer reports and Qt's fatal messages.
check_stderr() {
  if grep -E -q 'Sanitizer|runtime error:|LeakSanitizer|QFATAL|terminate called' "$1"; then
    fail "$2 reported on stderr:"
    head -40 "$1"
  fi
}

run_limited() {
  if [ -n "${MEMORY_LIMIT_KB:-}" ]; then
    (ulimit -v "$MEMORY_LIMIT_KB" && exec "$@")
  else
    "$@"
  fi
}

case "$mode" in
  catalogue)
    run_limited "$vorn" fonts >listed.txt 2>listed.err
    status=$?
    [ "$status" -eq 0 ] || fail "vorn fonts exited $status"
    check_stderr listed.err "vorn fonts"
    if ! sort listed.txt | diff -u "$fonts/expected_faces.txt" - >diff.txt; then
      fail "vorn fonts did not list exactly the expected faces:"
      cat diff.txt
    fi
    # A second run takes the faces from the cache that the first one filled.
    run_limited "$vorn" fonts >warm.txt 2>warm.err
    cmp -s listed.txt warm.txt || fail "vorn fonts listed other faces from its cache"
    check_stderr warm.err "vorn fonts from the cache"
    run_limited "$vorn" fonts --all >all.txt 2>all.err
    status=$?
    [ "$status" -eq 0 ] || fail "vorn fonts --all exited $status"
    check_stderr all.err "vorn fonts --all"
    # Every listed face is a catalogue entry.
    while IFS= read -r face; do
      cut -f1 all.txt | grep -qxF "$face" || fail "'$face' is listed but not in the catalogue"
    done <"$fonts/expected_faces.txt"
    ;;
  window)
    export QT_QPA_PLATFORM=offscreen
    timeout -s INT "${WINDOW_SECONDS:-5}" "$vorn" >window.out 2>window.err
    status=$?
    # 124: stopped by the timeout as planned; 0 or 130: the window closed
    # itself on the interrupt. A crash ends with the signal's status (134
    # SIGABRT, 139 SIGSEGV, ...), a sanitizer report with its exit code.
    case "$status" in
      0 | 124 | 130) ;;
      *) fail "vorn exited $status" ; cat window.err ;;
    esac
    check_stderr window.err "the window"
    ;;
  *)
    echo "usage: $0 catalogue|window VORN FONTS_DIR" >&2
    exit 2
    ;;
esac
[ "$failed" -eq 0 ] && echo "ok: $mode"
exit "$failed"
