#!/usr/bin/env bash
# Runs vorn over a font folder full of broken files (see make_hostile_fonts.py).
#   hostile_fonts.sh catalogue VORN FONTS_DIR   `vorn fonts` lists exactly the
#       faces in expected_faces.txt, again from its cache, and `vorn fonts --all`
#       completes
#   hostile_fonts.sh window VORN FONTS_DIR      the window comes up under Xvfb
#       with those fonts, draws typed text as `vorn render` does, and closes
#       normally when asked
# A sanitizer report on stderr fails either. MEMORY_LIMIT_KB, when set, caps
# the address space of the catalogue runs (not usable under AddressSanitizer).
set -u
mode="$1"
vorn="$2"
fonts="$3"
here=$(cd "$(dirname "$0")" && pwd)
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
    . "$here/../e2e/x_session.sh"
    patience=60  # a sanitizer build on a busy machine; a pass takes far less
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY
    start_xvfb || { echo "FAIL: Xvfb did not start"; exit 1; }
    trap 'kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT
    vorn=$(realpath "$vorn")
    "$vorn" >window.out 2>window.err &
    pid=$!
    vorn_ended() { ! kill -0 "$pid" 2>/dev/null; }
    if window=$(wait_for "$patience" find_window vorn) && wait_for "$patience" window_drawn "$window"; then
      # The face at the first start is a substitute picked among these fonts.
      xdotool windowfocus --sync "$window" key a b c d
      "$vorn" render --face "Tirna 0860" --keys A,B,C,D -o expected.png 2>/dev/null
      convert expected.png ppm:expected.ppm
      shown() { import -window "$window" -depth 8 ppm:shot.ppm && /usr/bin/python3 "$x_here/find_block.py" shot.ppm expected.ppm 80 40 >/dev/null; }
      wait_for "$patience" shown || fail "the window does not show what the renderer draws"
      /usr/bin/python3 "$x_here/close_window.py" "$window"
      wait_for "$patience" vorn_ended || fail "vorn did not end after its window closed"
    else
      fail "the window never came up and drew$(kill -0 "$xvfb_pid" 2>/dev/null || echo "; Xvfb on $DISPLAY has ended")"
    fi
    vorn_ended || kill -9 "$pid"
    wait "$pid"
    status=$?
    # A crash ends with the signal's status (134 SIGABRT, 139 SIGSEGV, ...),
    # a sanitizer report with its exit code.
    [ "$status" -eq 0 ] || { fail "vorn exited $status"; cat window.err; }
    check_stderr window.err "the window"
    ;;
  *)
    echo "usage: $0 catalogue|window VORN FONTS_DIR" >&2
    exit 2
    ;;
esac
[ "$failed" -eq 0 ] && echo "ok: $mode"
exit "$failed"
