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

work=$(mktemp -d)
chmod 755 "$work"
xvfb_pid=""
vorn_pid=""
cleanup() {
  [ -n "$vorn_pid" ] && kill "$vorn_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; [ -f "$work/shot.png" ] && cp "$work/shot.png" /tmp/vorn-e2e-failure.png; exit 1; }

# The program runs as an unprivileged user where we are root, so that a
# read-only settings file really is read-only to it.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(runuser -u nobody --)
  cp "$vorn_built" "$work/vorn"
  cp -r "$(dirname "$fonts_conf")" "$work/fonts"
  sed -i "s#$(dirname "$fonts_conf")#$work/fonts#g" "$work/fonts/fonts.conf"
  rm -rf "$work/fonts/cache"
  fonts_conf="$work/fonts/fonts.conf"
  vorn="$work/vorn"
  chown -R nobody "$work"
else
  vorn="$vorn_built"
fi
run_user() { "${as_user[@]}" env HOME="$work" DISPLAY="$DISPLAY" FONTCONFIG_FILE="$fonts_conf" "$@"; }

# A display of our own.
for n in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display_number=$n; break; }
done
export DISPLAY=":$display_number"
Xvfb "$DISPLAY" -screen 0 $((1024 * scale))x$((768 * scale))x24 -nolisten tcp -ac >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start"

# Without the test faces every picture below would be blank on both sides.
run_user "$vorn" fonts | grep -qx "$face" || fail "the program does not see the test fonts"

mkdir -p "$work/run"
[ ${#as_user[@]} -gt 0 ] && chown nobody "$work/run"

start_vorn() {
  (cd "$work/run" && exec "${as_user[@]}" env HOME="$work" DISPLAY="$DISPLAY" FONTCONFIG_FILE="$fonts_conf" \
     QT_SCALE_FACTOR="$scale" "$vorn") &
  vorn_pid=$!
  window=""
  for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --class vorn 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "no window appeared"
  xdotool windowfocus --sync "$window"
  sleep 0.5
}

close_vorn() {
  /usr/bin/python3 "$here/close_window.py" "$window"
  for _ in $(seq 100); do kill -0 "$vorn_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$vorn_pid" 2>/dev/null; then fail "the program did not end after its window closed"; fi
  wait "$vorn_pid" || true
  vorn_pid=""
}

shot() { import -window "$window" "$work/shot.png"; convert "$work/shot.png" "ppm:$work/shot.ppm"; }

click() { xdotool mousemove --window "$window" $(($1 * scale)) $(($2 * scale)) click 1; sleep 0.3; }

expect_block() { # keys to render with, block width, height (logical pixels)
  run_user "$vorn" render --face "$face" --scale "$scale" --keys "$1" -o "$work/expected.png"
  convert "$work/expected.png" "ppm:$work/expected.ppm"
  /usr/bin/python3 "$here/find_block.py" "$work/shot.ppm" "$work/expected.ppm" $(($2 * scale)) $(($3 * scale)) \
    $([ "$scale" -ge 2 ] && echo --sharp) || fail "the window does not show what the renderer draws for $1"
}

clipboard_hex() { xclip -selection clipboard -t "$1" -o | od -An -tx1 | tr -s ' \n' ' ' | sed 's/^ //;s/ $//'; }

# --- first run: type, pick a face, copy, close ---------------------------
start_vorn
# Pick the face from the combo box's field: the Nth listed takes N steps down.
click 200 13
for _ in $(seq "$(run_user "$vorn" fonts | grep -nx "$face" | cut -d: -f1)"); do xdotool key Down; done
sleep 0.3
click 200 150 # back to the image, which hands the focus to the input control

# ISO_Level3_Shift is AltGr on the server's US map: it counts as Ctrl+Alt.
xdotool key a b space ctrl+alt+c BackSpace Left Right d ISO_Level3_Shift+g
sleep 0.5
shot
# U+0860 U+0861 U+0020 U+0864 U+0869 U+0892, the cursor after U+0869.
expect_block "A,B,SPACE,CTRL+ALT+C,BACK,LEFT,RIGHT,D,CTRL+ALT+G" 110 40

# Copy as picture, from the Menu key: a PNG that carries the text.
xdotool key Menu Down Return
for _ in $(seq 100); do
  xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qx image/png && break
  sleep 0.1
done
xclip -selection clipboard -t image/png -o >"$work/picture.png"
[ "$(/usr/bin/python3 "$here/png_description.py" "$work/picture.png")" = \
  "e0 a1 a0 e0 a1 a1 20 e0 a1 a4 e0 a1 a9 e0 a2 92" ] || fail "the picture's Description does not hold the text"

click 397 321 # Copy
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
sleep 0.5
shot
expect_block "A" 40 40
close_vorn
[ "$(cat "$work/run/Vorn.ini")" = "$(printf '[VORN]\nFontName=%s' "$face")" ] || fail "settings after second run"

# --- a settings file that cannot be written ------------------------------
chmod 444 "$work/run/Vorn.ini"
before=$(od -An -tx1 "$work/run/Vorn.ini")
start_vorn
/usr/bin/python3 "$here/close_window.py" "$window"
message=""
for _ in $(seq 100); do
  message=$(xdotool search --onlyvisible --class vorn 2>/dev/null | grep -vx "$window" | head -n 1 || true)
  [ -n "$message" ] && break
  sleep 0.1
done
[ -n "$message" ] || fail "no message box at exit"
sleep 0.5
window=$message
shot
cp "$work/shot.png" /tmp/vorn-e2e-message.png
xdotool windowfocus --sync "$message" key Return
for _ in $(seq 100); do kill -0 "$vorn_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$vorn_pid" 2>/dev/null && fail "the program did not end after the message"
vorn_pid=""
[ "$(od -An -tx1 "$work/run/Vorn.ini")" = "$before" ] || fail "the read-only settings file changed"
ls "$work/run" | grep -v '^Vorn.ini$' && fail "a temporary file was left behind"

echo "e2e: all checks passed"
