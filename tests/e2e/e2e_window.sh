#!/usr/bin/env bash
# The program under a real X server, driven with real key and mouse events:
# typing, picking a face, Copy, Copy as picture, closing, starting again, and a
# settings file that cannot be written. With a SCALE of 2 the screen has two
# device pixels to a pixel (QT_SCALE_FACTOR), and the window's text must be the
# renderer's sharp picture at that scale, not one blown up.
#
#   e2e_window.sh VORN_BINARY FONTCONFIG_FILE [SCALE [FACE]]
set -euo pipefail

vorn_built=$(realpath "$1")
fonts_conf=$(realpath "$2")
scale=${3:-1}
face=${4:-Vorn Test Sans}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/x_session.sh"
begin_test

fail() { echo "FAIL: $*" >&2; [ -f "$work/shot.png" ] && cp "$work/shot.png" /tmp/vorn-e2e-failure.png; exit 1; }

# The program runs as an unprivileged user where we are root, so that a
# read-only settings file really is read-only to it.
run_as_nobody
[ ${#as_user[@]} -gt 0 ] && chown -R nobody "$work"
run_user() { "${as_user[@]}" env HOME="$work" DISPLAY="$DISPLAY" FONTCONFIG_FILE="$fonts_conf" "$@"; }

# A display of our own, wide enough for the keyboard chart beside the window.
start_xvfb "$((1920 * scale))x$((1080 * scale))" || fail "Xvfb did not start"

# Without the test faces every picture below would be blank on both sides.
run_user "$vorn" fonts | grep -qx "$face" || fail "the program does not see the test fonts"

mkdir -p "$work/run"
[ ${#as_user[@]} -gt 0 ] && chown nobody "$work/run"

start_vorn() {
  (cd "$work/run" && exec "${as_user[@]}" env HOME="$work" DISPLAY="$DISPLAY" FONTCONFIG_FILE="$fonts_conf" \
     QT_SCALE_FACTOR="$scale" "$vorn" 2>"$work/vorn.err") &
  vorn_pid=$!
  window=$(wait_for "$patience" find_window vorn) \
    || fail "no window appeared$(vorn_ended && echo "; the program has ended")$(kill -0 "$xvfb_pid" || echo "; Xvfb has ended")"
  # Drawn means the first paint is done: the handlers that give RichEdit1
  # the focus have run, and keys go where they should.
  wait_for "$patience" window_drawn "$window" || fail "the window was never drawn"
  xdotool windowfocus --sync "$window"
}

close_vorn() {
  close_until "$window" vorn_ended || fail "the program did not end after its window closed"
  vorn_exited_normally
}

shot() { import -window "$window" "$work/shot.png"; convert "$work/shot.png" "ppm:$work/shot.ppm"; }

# X delivers the pointer and key events in order, and the window handles them
# in that order: nothing needs to settle between them. Places are given in
# logical pixels.
click() { xdotool mousemove --window "$window" $(($1 * scale)) $(($2 * scale)) click 1; }

# At a scale of 2 or more the block must also be sharp: not a 1x picture
# blown up into uniform 2x2 blocks.
block_shown() {
  shot && /usr/bin/python3 "$here/find_block.py" "$work/shot.ppm" "$work/expected.ppm" $(($1 * scale)) $(($2 * scale)) \
    $([ "$scale" -ge 2 ] && echo --sharp) >/dev/null
}

expect_block() { # keys to render with, block width, height (logical pixels)
  run_user "$vorn" render --face "$face" --scale "$scale" --keys "$1" -o "$work/expected.png"
  convert "$work/expected.png" "ppm:$work/expected.ppm"
  # The keys may still be on their way: look until the picture turns up.
  wait_for "$patience" block_shown "$2" "$3" || fail "the window does not show what the renderer draws for $1"
}

# The Copy button's forms are offered once the window owns the clipboard.
clipboard_offers() { xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qx 'text/plain;charset=utf-16le'; }

clipboard_hex() { xclip -selection clipboard -t "$1" -o | od -An -tx1 | tr -s ' \n' ' ' | sed 's/^ //;s/ $//'; }

# --- first run: type, pick a face, copy, close ---------------------------
start_vorn
# Pick the face from the combo box's field: the Nth listed takes N steps down.
click 200 13
for _ in $(seq "$(run_user "$vorn" fonts | grep -nx "$face" | cut -d: -f1)"); do xdotool key Down; done
click 200 150 # back to the image, which hands the focus to the input control

# ISO_Level3_Shift is AltGr on the server's US map: it counts as Ctrl+Alt.
xdotool key a b space ctrl+alt+c BackSpace Left Right d ISO_Level3_Shift+g
# U+0860 U+0861 U+0020 U+0864 U+0869 U+0892, the cursor after U+0869.
expect_block "A,B,SPACE,CTRL+ALT+C,BACK,LEFT,RIGHT,D,CTRL+ALT+G" 110 40

# Copy as picture, from the Menu key: a PNG that carries the text.
picture_offered() { xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qx image/png; }
xdotool key Menu Down Return
wait_for "$patience" picture_offered || fail "Copy as picture put no picture on the clipboard"
xclip -selection clipboard -t image/png -o >"$work/picture.png"
[ "$(/usr/bin/python3 "$here/png_description.py" "$work/picture.png")" = \
  "e0 a1 a0 e0 a1 a1 20 e0 a1 a4 e0 a1 a9 e0 a2 92" ] || fail "the picture's Description does not hold the text"

click 397 321 # Copy
wait_for "$patience" clipboard_offers || fail "Copy put nothing on the clipboard"
[ "$(clipboard_hex 'text/plain;charset=utf-16le')" = "0f 20 60 08 61 08 20 00 64 08 69 08 92 08 00 00" ] \
  || fail "UTF-16 clipboard form: $(clipboard_hex 'text/plain;charset=utf-16le')"
[ "$(clipboard_hex 'text/plain;charset=iso-8859-1')" = "7f 7f 7f 20 7f 7f 7f 00" ] \
  || fail "8-bit clipboard form: $(clipboard_hex 'text/plain;charset=iso-8859-1')"
[ "$(clipboard_hex 'text/plain')" = "e2 80 8f e0 a1 a0 e0 a1 a1 20 e0 a1 a4 e0 a1 a9 e0 a2 92" ] \
  || fail "text/plain clipboard form: $(clipboard_hex 'text/plain')"
close_vorn
grep -qx "FontName=$face" "$work/run/Vorn.ini" || fail "face not saved: $(cat "$work/run/Vorn.ini")"

# --- second run: the face is remembered ----------------------------------
start_vorn
xdotool key a
expect_block "A" 40 40

# The keyboard chart, from F1: beside the window, not over it; a click on a
# key's glyph types it, and the keyboard goes on typing into the text.
xdotool key F1
chart=$(wait_for "$patience" find_window vorn "$window") || fail "F1 opened no window"
wait_for "$patience" window_drawn "$chart" || fail "the keyboard chart was never drawn"
[ "$(xdotool getwindowname "$chart")" = Keyboard ] || fail "the chart's title is $(xdotool getwindowname "$chart")"
main_right=$(xdotool getwindowgeometry --shell "$window" | awk -F= '/^X=/{x=$2} /^WIDTH=/{w=$2} END{print x+w}')
chart_left=$(xdotool getwindowgeometry --shell "$chart" | awk -F= '/^X=/{print $2}')
[ "$chart_left" -ge "$main_right" ] || fail "the chart lies over the window ($chart_left < $main_right)"
# Key B sits 6.25 keys into the fourth row: its middle, in the chart's
# logical pixels, is (8 + 363 + 27, 8 + 3 * 58 + 27).
xdotool mousemove --window "$chart" $((398 * scale)) $((209 * scale)) click 1
xdotool key c
expect_block "A,B,C" 60 40
close_vorn
[ "$(cat "$work/run/Vorn.ini")" = "$(printf '[VORN]\nFontName=%s' "$face")" ] || fail "settings after second run"

# --- a settings file that cannot be written ------------------------------
chmod 444 "$work/run/Vorn.ini"
before=$(od -An -tx1 "$work/run/Vorn.ini")
start_vorn
message=$(close_until "$window" find_window vorn "$window") || fail "no message box at exit"
wait_for "$patience" window_drawn "$message" || fail "the message box was never drawn"
window=$message
shot
# Kept for a look afterwards; a copy another user left there may be in the way.
cp "$work/shot.png" /tmp/vorn-e2e-message.png 2>/dev/null || true
xdotool windowfocus --sync "$message" key Return
wait_for "$patience" vorn_ended || fail "the program did not end after the message"
vorn_exited_normally
[ "$(od -An -tx1 "$work/run/Vorn.ini")" = "$before" ] || fail "the read-only settings file changed"
ls "$work/run" | grep -v '^Vorn.ini$' && fail "a temporary file was left behind"

echo "e2e: all checks passed"
