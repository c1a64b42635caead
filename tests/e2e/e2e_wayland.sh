#!/usr/bin/env bash
# Typing on a Wayland desktop: a headless sway of the test's own, real key
# presses from a virtual keyboard with a keymap that xkbcommon compiles, and
# the program once as a native Wayland client and once as an X11 client of
# sway's XWayland. Each case's text is read back from the PNG that Copy as
# picture puts on the clipboard, and must be what `vorn render --keys` types
# from the layout table. Exits 77 (skipped) only when sway cannot start, and
# fails then under CI=true.
#
#   e2e_wayland.sh VORN_BINARY FONTCONFIG_FILE VIRTUAL_KEYBOARD
set -euo pipefail

vorn_built=$(realpath "$1")
fonts_conf=$(realpath "$2")
vkbd_built=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/x_session.sh"
sway_pid=""
KEYS_PID=""
kill_at_exit+=(KEYS_PID sway_pid)
begin_test
fail() { echo "FAIL: $*" >&2; exit 1; }

# sway refuses to run as root: everything runs as an unprivileged user then.
run_as_nobody "$vkbd_built"
vkbd="$vkbd_built"
[ ${#as_user[@]} -gt 0 ] && vkbd="$work/$(basename "$vkbd_built")"
runtime="$work/runtime"
mkdir -p "$runtime" "$work/run"
chmod 700 "$runtime"
[ ${#as_user[@]} -gt 0 ] && chown -R nobody "$work"

cat >"$work/sway.conf" <<'CONF'
xwayland enable
output HEADLESS-1 resolution 1920x1080
exec sh -c 'echo "$DISPLAY" >"$XDG_RUNTIME_DIR/x-display"'
CONF

# A sanitizer build's options reach the program too.
base_env=(env -i PATH="$PATH" HOME="$work" XDG_RUNTIME_DIR="$runtime" DBUS_SESSION_BUS_ADDRESS=disabled:
  FONTCONFIG_FILE="$fonts_conf" ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}"
  UBSAN_OPTIONS="${UBSAN_OPTIONS:-}")
"${as_user[@]}" "${base_env[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
  sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
sway_pid=$!
wayland_socket() { ls "$runtime" 2>/dev/null | grep -m1 -x 'wayland-[0-9]*'; }
if ! wait_for 30 wayland_socket >/dev/null; then
  reason="sway could not start here: $(tail -n 5 "$work/sway.log")"
  [ "${CI:-}" = true ] && fail "$reason"
  echo "$reason; skipped"
  exit 77
fi
wayland=$(wayland_socket)
wait_for 30 test -s "$runtime/x-display" || fail "sway started no XWayland"
x_display=$(cat "$runtime/x-display")
user_env=("${as_user[@]}" "${base_env[@]}" WAYLAND_DISPLAY="$wayland")

# What the keys type, from the layout table, as the PNG Description's hex, in
# want. Rendered once per keys: the layouts and platforms share most rows.
declare -A expected=()
expected_hex() {
  if [ -z "${expected[$1]+x}" ]; then
    "${user_env[@]}" "$vorn" render --keys "$1" --crop -o "$work/expected.png" >/dev/null
    expected[$1]=$(/usr/bin/python3 "$here/png_description.py" "$work/expected.png")
  fi
  want=${expected[$1]}
}

press() { # chord...: each pressed and let go, then wait until sway took it
  local chord reply
  for chord in "$@"; do
    echo "$chord" >&"${KEYS[1]}"
    read -r -t "$patience" reply <&"${KEYS[0]}" && [ "$reply" = ok ] || fail "the virtual keyboard did not press $chord"
  done
}

picture_hex() {
  if [ "$platform" = wayland ]; then
    "${user_env[@]}" wl-paste -n -t image/png >"$work/picture.png" 2>/dev/null || return 1
  else
    "${user_env[@]}" DISPLAY="$x_display" xclip -selection clipboard -t image/png -o >"$work/picture.png" 2>/dev/null \
      || return 1
  fi
  /usr/bin/python3 "$here/png_description.py" "$work/picture.png"
}
text_changed() { local now; now=$(picture_hex) && [ -n "$now" ] && [ "$now" != "$shown" ] && shown=$now; }

sway_command() { "${user_env[@]}" swaymsg -s "$(ls "$runtime"/sway-ipc.*.sock | head -n 1)" "$@"; }
# The window is mapped (and, being the only one, focused) once sway lists it.
window_up() { sway_command -t get_tree 2>/dev/null | grep -Eiq '"(app_id|class)": "[^"]*vorn'; }

failures=0
# layout options platform, then cases "NAME|CHORDS (comma-separated)|KEYS for vorn render"
run_cases() {
  local layout=$1 options=$2
  platform=$3
  shift 3
  coproc KEYS { "${user_env[@]}" "$vkbd" "$layout" "$options"; }
  local reply
  read -r -t "$patience" reply <&"${KEYS[0]}" && [ "$reply" = ok ] || fail "the virtual keyboard did not start"
  local qpa=(QT_QPA_PLATFORM=wayland)
  # Qt 6.4's Wayland plugin leaves its own protocol objects (and the last
  # clipboard source) behind at exit, with or without this program's code:
  # leak checks there would report Qt, not us. They stay on for X11.
  [ "$platform" = wayland ] && qpa+=(ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0")
  [ "$platform" = x11 ] && qpa=(QT_QPA_PLATFORM=xcb DISPLAY="$x_display")
  (cd "$work/run" && exec "${user_env[@]}" "${qpa[@]}" "$vorn" 2>"$work/vorn.err") &
  vorn_pid=$!
  wait_for "$patience" window_up || fail "no window on $platform: $(tail -n 5 "$work/vorn.err")"
  shown=""
  local sentinel
  expected_hex A
  sentinel=$want
  local case name chords keys before got want
  for case in "$@"; do
    IFS='|' read -r name chords keys <<<"$case"
    before=$shown
    IFS=, read -r -a chord_list <<<"$chords"
    # A after the case, so that the text grows even when the case types nothing.
    press "${chord_list[@]}" AC01 COMP DOWN RTRN
    # A swallowed key can take the A with it: then nothing new is copied.
    wait_for "$patience" text_changed || true
    got=${shown#"$before"}
    got=${got# }
    got=${got%"$sentinel"}
    got=${got% }
    expected_hex "$keys"
    if [ "$got" = "$want" ]; then
      printf 'ok    %-8s %-12s %-18s %s\n' "$platform" "$layout" "$name" "$want"
    else
      printf 'WRONG %-8s %-12s %-18s want %s got %s\n' "$platform" "$layout" "$name" "$want" "$got"
      failures=$((failures + 1))
    fi
  done
  # Closed as a user closes it; a crash or a sanitizer's report ends it otherwise.
  sway_command kill >/dev/null
  wait_for "$patience" vorn_ended || fail "the program did not end after its window closed on $platform"
  vorn_exited_normally "on $platform"
  exec {KEYS[1]}>&-
  wait "$KEYS_PID" 2>/dev/null || true
}

# The keys of the second column, by their xkb names on a US keyboard; the
# Hungarian Z sits at the US Y place.
second_column_cases() { # Z's key name
  local key name
  for key in C:AB03 G:AC05 L:AC09 M:AB07 N:AB06 P:AD10 S:AC02 T:AD05 Z:$1 1:AE01 2:AE02 3:AE03 4:AE04 5:AE05 6:AE06; do
    name=${key%%:*}
    echo "AltGr+$name|RALT+${key#*:}|CTRL+ALT+$name"
    echo "Ctrl+Alt+$name|LCTL+LALT+${key#*:}|CTRL+ALT+$name"
  done
}
mapfile -t us_cases < <(second_column_cases AB01)
mapfile -t hu_cases < <(second_column_cases AD06)
hu_cases+=(
  "Z alone|AD06|Z"
  "dead AltGr+6, C|RALT+AE06,AB03|CTRL+ALT+6,C"
  "dead AltGr+US-minus, C|RALT+AE11,AB03|CTRL+ALT+OEM_MINUS,C"
)
# A layout switch while the program runs: Alt+Shift moves to the German
# group, where Z sits at the US Y place, and back.
switch_cases=(
  "US Y place|AD06|Y"
  "Alt+Shift, US Y place|LALT+LFSH,AD06|Z"
  "Alt+Shift, US Y place|LALT+LFSH,AD06|Y"
)

run_cases us lv3:ralt_switch wayland "${us_cases[@]}"
run_cases hu "" wayland "${hu_cases[@]}"
run_cases us,de grp:alt_shift_toggle wayland "${switch_cases[@]}"
run_cases hu "" x11 "${hu_cases[@]}"
run_cases us,de grp:alt_shift_toggle x11 "${switch_cases[@]}"

[ "$failures" -eq 0 ] || fail "$failures cases typed the wrong text"
echo "e2e wayland: all checks passed"
