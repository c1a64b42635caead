#!/usr/bin/env bash
# The text taken back and kept, under a real X server with real keys and
# clicks: type, Delete, Undo gives the text back; a window killed (kill -9)
# after its text was kept gives it to a later window through "Restore last
# text"; two windows killed at once each give theirs to one of two later
# windows. The text is read through the Copy button.
#
#   e2e_keep.sh VORN_BINARY FONTCONFIG_FILE
set -euo pipefail

vorn=$(realpath "$1")
fonts_conf=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/x_session.sh"
pids=()
kill_at_exit+=(pids)
begin_test
fail() { echo "FAIL: $*" >&2; cat "$work/vorn.err" >&2 2>/dev/null || true; exit 1; }

mkdir -p "$work/home"
state="$work/home/.local/state/vorn"
start_xvfb 1280x1024 || fail "Xvfb did not start"

window_of() { xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n 1 | grep .; }

# Starts a window; sets pid and window.
start_window() {
  (cd "$work" && exec env -u XDG_STATE_HOME HOME="$work/home" DISPLAY="$DISPLAY" FONTCONFIG_FILE="$fonts_conf" \
     "$vorn" 2>>"$work/vorn.err") &
  pid=$!
  pids+=("$pid")
  window=$(wait_for "$patience" window_of "$pid") || fail "no window appeared"
  wait_for "$patience" window_drawn "$window" || fail "the window was never drawn"
  xdotool windowfocus --sync "$window"
}

# As a crash would end them: nothing of theirs runs after the signal.
kill9() {
  local pid
  for pid in "$@"; do
    kill -9 "$pid"
    { wait "$pid"; } 2>/dev/null || true
  done
}

focus() { xdotool windowfocus --sync "$1"; }
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
copy_button() { click "$1" 397 321; }
delete_button() { click "$1" 77 321; }

clipboard_is() { [ "$(xclip -selection clipboard -t 'text/plain;charset=utf-16le' -o 2>/dev/null | od -An -tx1 | tr -s ' \n' ' ')" = " $1 " ]; }
# The text of a window, read through its Copy button: RLM, units, zero.
expect_text() { # window, hex of the text's UTF-16LE units, what it is
  focus "$1"
  copy_button "$1"
  wait_for "$patience" clipboard_is "$(echo "0f 20 $2 00 00" | tr -s ' ')" || fail "$3: the clipboard holds $(xclip -selection clipboard -t 'text/plain;charset=utf-16le' -o 2>/dev/null | od -An -tx1)"
}

# Whether a kept text holds these units (hex of UTF-16LE, after the header line).
kept_holds() {
  local file
  for file in "$state"/*.text; do
    [ -f "$file" ] || continue
    [ "$(tail -c +"$(($(head -n 1 "$file" | wc -c) + 1))" "$file" | od -An -tx1 | tr -s ' \n' ' ')" = " $1 " ] && return 0
  done
  return 1
}

# Image1's menu from the Menu key: the entries that are off are passed over.
menu() { focus "$1"; xdotool key Menu; shift; xdotool key "$@"; }

# --- type, Delete, Undo --------------------------------------------------
start_window
first=$window first_pid=$pid
xdotool key a b c
delete_button "$first"
expect_text "$first" "" "after Delete"
# With no text: Keyboard is the first entry on, Undo the next.
menu "$first" Down Down Return
expect_text "$first" "60 08 61 08 62 08" "after Undo"

# --- kill -9 once the text is kept, Restore in a new window ---------------
wait_for "$patience" kept_holds "60 08 61 08 62 08" || fail "the text was never kept"
kill9 "$first_pid"
start_window
second=$window second_pid=$pid
# Restore last text is the last entry.
menu "$second" Up Return
expect_text "$second" "60 08 61 08 62 08" "restored after kill -9"

# --- two windows at once, both killed; each text comes back ----------------
start_window
third=$window third_pid=$pid
xdotool key d
wait_for "$patience" kept_holds "64 08" || fail "the second window's text was never kept"
wait_for "$patience" kept_holds "60 08 61 08 62 08" || fail "the restored text is no longer kept"
kill9 "$second_pid" "$third_pid"
restored=()
for _ in 1 2; do
  start_window
  menu "$window" Up Return
  focus "$window"
  copy_button "$window"
  got() { clipboard_is "0f 20 60 08 61 08 62 08 00 00" || clipboard_is "0f 20 64 08 00 00"; }
  wait_for "$patience" got || fail "a later window restored neither text"
  restored+=("$(xclip -selection clipboard -t 'text/plain;charset=utf-16le' -o | od -An -tx1 | tr -s ' \n' ' ')")
done
[ "${restored[0]}" != "${restored[1]}" ] || fail "both later windows restored the same text: ${restored[0]}"

for pid in "${pids[@]}"; do
  if kill -0 "$pid" 2>/dev/null; then
    ended() { ! kill -0 "$pid" 2>/dev/null; }
    close_until "$(window_of "$pid")" ended || fail "a window did not end after it was closed"
  fi
done
echo "e2e keep: all checks passed"
