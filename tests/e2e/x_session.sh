# Shared by the scripts that run the window under a real X server; source it.
# Every wait polls for something that can be seen (a window, a picture, a
# clipboard owner, a process), with a deadline long enough for a slow or
# sanitizer build: nothing waits a fixed time and hopes.
#
#   start_xvfb [WxH]            starts Xvfb on a free display (1024x768 unless
#                               given), exports DISPLAY and sets xvfb_pid; the
#                               caller kills it
#   wait_for SECONDS CMD...     runs CMD until it succeeds; 1 after SECONDS
#   find_window CLASS [EXCEPT]  prints a mapped window of that class, other
#                               than EXCEPT; fails when there is none
#   window_drawn WINDOW         the window shows more than its background
#   x_here                      this folder, for find_block.py and close_window.py
#   begin_test                  $work, a fresh folder that the user nobody may
#                               read, and patience, the deadline of every wait;
#                               at exit the processes whose ids stand in the
#                               variables named in kill_at_exit end and $work
#                               goes
#   vorn_ended                  the program started as $vorn_pid has ended
#   close_until WINDOW CMD...   asks WINDOW to close, as a window manager's
#                               close button does, until CMD succeeds; 1
#                               after patience
#   vorn_exited_normally [WHERE]  waits for it; fails unless it exited with 0
#   run_as_nobody [FILE...]     where we are root: the program, its window
#                               module, FILEs, the fonts and the sanitizers'
#                               suppressions copied into $work for the user
#                               nobody, as_user set to run as it; sets
#                               as_user, vorn and fonts_conf either way

x_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Long enough for a sanitizer build on a busy machine; a pass takes far less.
patience=60
xvfb_pid=""
vorn_pid=""
kill_at_exit=(vorn_pid xvfb_pid)

begin_test() {
  work=$(mktemp -d)
  chmod 755 "$work"
  trap end_test EXIT
}

end_test() {
  local name pid
  for name in "${kill_at_exit[@]}"; do
    local -n ids_in=$name
    for pid in "${ids_in[@]}"; do
      [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    done
    unset -n ids_in
  done
  rm -rf "$work"
}

vorn_ended() { ! kill -0 "$vorn_pid" 2>/dev/null; }

# A crash, or a sanitizer's report in a sanitizer build, ends it otherwise.
vorn_exited_normally() {
  local status=0
  wait "$vorn_pid" || status=$?
  vorn_pid=""
  [ "$status" -eq 0 ] || fail "the program exited with status $status${1:+ $1}: $(tail -n 20 "$work/vorn.err")"
}

# On a loaded machine a program now and then drops a close that comes while
# it is busy (seen with every build, old ones too), as a user sees a click
# on the close button do nothing: ask again every few seconds until the
# program does what the close should make it do.
close_until() {
  local window=$1 asked=0
  shift
  ask_again() {
    "$@" && return 0
    asked=$((asked + 1))
    [ $((asked % 30)) -eq 0 ] && /usr/bin/python3 "$x_here/close_window.py" "$window" 2>/dev/null
    return 1
  }
  /usr/bin/python3 "$x_here/close_window.py" "$window"
  wait_for "$patience" ask_again "$@"
}

wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# Xvfb picks a free display itself and writes its number once it accepts
# connections; choosing a number here could race another test's server.
# Without -noreset the server resets each time its last client leaves, and a
# program connecting just then is turned away.
start_xvfb() {
  # No session bus either: D-Bus would otherwise try to launch one for this
  # display, which may outlive the test and leaks in libdbus when it fails.
  export DBUS_SESSION_BUS_ADDRESS=disabled:
  local numbers
  numbers=$(mktemp)
  Xvfb -displayfd 3 -noreset -screen 0 "${1:-1024x768}x24" -nolisten tcp -ac 3>"$numbers" >/dev/null 2>&1 &
  xvfb_pid=$!
  wait_for 30 grep -q '[0-9]' "$numbers" || { rm -f "$numbers"; return 1; }
  export DISPLAY=":$(tr -dc '0-9' <"$numbers")"
  rm -f "$numbers"
  xdpyinfo >/dev/null 2>&1
}

find_window() {
  local found
  found=$(xdotool search --onlyvisible --class "$1" 2>/dev/null | grep -vx "${2:-none}" | head -n 1)
  [ -n "$found" ] && echo "$found"
}

# ImageMagick counts the colours of a screenshot of the window: one or two
# mean a blank or half-painted window.
window_drawn() {
  local colours
  colours=$(import -window "$1" png:- 2>/dev/null | identify -format '%k' png:- 2>/dev/null) || return 1
  [ "${colours:-0}" -gt 2 ]
}

run_as_nobody() {
  as_user=()
  vorn=$vorn_built
  [ "$(id -u)" -eq 0 ] || return 0
  as_user=(runuser -u nobody --)
  # The window lives in the module beside the program.
  cp "$vorn_built" "$(dirname "$vorn_built")/vorn-gui.so" "$@" "$work/"
  cp -r "$(dirname "$fonts_conf")" "$work/fonts"
  sed -i "s#$(dirname "$fonts_conf")#$work/fonts#g" "$work/fonts/fonts.conf"
  rm -rf "$work/fonts/cache"
  fonts_conf="$work/fonts/fonts.conf"
  vorn="$work/vorn"
  copy_suppressions
}

# The checkout may sit where only its owner can read (root's home), so the
# suppressions that LSAN_OPTIONS names go with the copy too. The sanitizers
# take a quoted value, which is how a path with a space gets through.
copy_suppressions() {
  local pattern="(^|:)suppressions=(\"([^\"]*)\"|'([^']*)'|([^:]*))"
  [[ ${LSAN_OPTIONS:-} =~ $pattern ]] || return 0
  local named="${BASH_REMATCH[3]}${BASH_REMATCH[4]}${BASH_REMATCH[5]}"
  cp "$named" "$work/lsan.supp"
  LSAN_OPTIONS="${LSAN_OPTIONS/"${BASH_REMATCH[0]}"/${BASH_REMATCH[1]}suppressions=\"$work/lsan.supp\"}"
  export LSAN_OPTIONS
}
