#!/usr/bin/env bash
# Runs X11KEYMAP_TEST on a fresh Xvfb of its own.
#
#   x11_keymap.sh X11KEYMAP_TEST
set -euo pipefail
. "$(dirname "$0")/../e2e/x_session.sh"
xvfb_pid=""
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true' EXIT
start_xvfb || { echo "Xvfb did not start" >&2; exit 1; }
"$1"
