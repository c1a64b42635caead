#!/usr/bin/env bash
# Typing in other programs through the input method: ibus-daemon on a D-Bus
# session of the test's own under its own Xvfb, the engine from the build
# tree, a GTK 3 and a Qt 6 text field as its clients, keys pressed by X
# keycode with the X keyboard set to the engine's layout, us and hu. Each
# field's text is read back; RESULTS gets a row per case and client.
#
#   e2e_ibus.sh COMPONENT_DIR LOCALE_DIR QT_FIELD RESULTS
set -euo pipefail

component_dir=$(realpath "$1")
locale_dir=$(realpath "$2")
qt_field=$(realpath "$3")
results=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../x_session.sh"
patience=30
pids=()
kill_at_exit+=(pids)
begin_test
fail() { echo "FAIL: $*" >&2; cat "$work"/*.log >&2 2>/dev/null || true; exit 1; }
# Elsewhere than CI a machine without IBus or its toolkit modules skips.
cannot_run() {
  echo "cannot run: $*" >&2
  [ "${CI:-}" = true ] && exit 1
  exit 77
}

for tool in ibus ibus-daemon dbus-daemon Xvfb setxkbmap xdotool; do
  command -v "$tool" >/dev/null || cannot_run "$tool is not installed"
done
compgen -G "/usr/lib/*/gtk-3.0/3.0.0/immodules/im-ibus.so" >/dev/null || cannot_run "GTK 3's IBus module (ibus-gtk3) is not installed"
compgen -G "/usr/lib/*/qt6/plugins/platforminputcontexts/libibusplatforminputcontextplugin.so" >/dev/null \
  || cannot_run "Qt 6's IBus plugin is not installed"
/usr/bin/python3 -c 'import gi, Xlib.ext.xtest; gi.require_version("Gtk", "3.0")' 2>/dev/null \
  || cannot_run "python3-gi, gir1.2-gtk-3.0 or python3-xlib is not installed"

start_xvfb || fail "Xvfb did not start"
# The daemon keeps its address, its cache and its settings under HOME.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

dbus-daemon --session --nofork --address="unix:path=$work/bus" --print-address=3 3>"$work/bus-address" \
  2>"$work/dbus.log" &
pids+=($!)
wait_for "$patience" grep -q . "$work/bus-address" || fail "the D-Bus session did not start"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus-address")
export DBUS_SESSION_BUS_ADDRESS

# Only the build tree's component: no other engines, no panel, no settings.
IBUS_COMPONENT_PATH="$component_dir" ibus-daemon --panel=disable --config=disable --cache=none \
  >"$work/ibus.log" 2>&1 &
pids+=($!)
engine_listed() { ibus list-engine 2>/dev/null | grep -q "vorn:$1 "; }
wait_for "$patience" engine_listed hu || fail "the daemon does not list the engines"

# The names in Hungarian, through the engines' own text domain.
hungarian=$(/usr/bin/python3 - "$locale_dir" <<'PYTHON'
import gettext, sys
import gi
gi.require_version("IBus", "1.0")
from gi.repository import IBus
bus = IBus.Bus()
for engine in bus.list_engines():
    if engine.get_name() == "vorn:hu":
        hu = gettext.translation(engine.get_textdomain(), sys.argv[1], ["hu"])
        print(hu.gettext(engine.get_longname()))
PYTHON
)
[ "$hungarian" = "Vorn rovásírás (magyar billentyűzet)" ] || fail "the Hungarian name is \"$hungarian\""

# No accessibility bus: it would start a daemon of its own on the session.
export GTK_IM_MODULE=ibus QT_IM_MODULE=ibus NO_AT_BRIDGE=1
/usr/bin/python3 "$here/gtk_field.py" "$work/gtk.txt" 2>"$work/gtk.log" &
pids+=($!)
"$qt_field" "$work/qt.txt" 2>"$work/qt.log" &
pids+=($!)
gtk_window=$(wait_for "$patience" find_window gtk-field) || fail "the GTK field's window was never mapped"
qt_window=$(wait_for "$patience" find_window qt_field) || fail "the Qt field's window was never mapped"

: >"$results"
status=0
for layout in us hu; do
  setxkbmap -rules evdev -model pc105 -layout "$layout" || fail "setxkbmap $layout failed"
  wait_for "$patience" ibus engine "vorn:$layout" 2>/dev/null || fail "the engine vorn:$layout was never chosen"
  /usr/bin/python3 "$here/type_cases.py" "$layout" gtk "$gtk_window" "$work/gtk.txt" "$results" || status=1
  /usr/bin/python3 "$here/type_cases.py" "$layout" qt "$qt_window" "$work/qt.txt" "$results" || status=1
done

printf 'case\tlayout\tclient\texpected\tgot\tresult\n'
cat "$results"
[ "$status" -eq 0 ] || fail "some cases failed (above)"
