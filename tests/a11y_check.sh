#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads the running main window through AT-SPI, as a screen reader does: a
# private X server, a private session bus with the accessibility bus on it,
# and the program against its simulated clock. Skips (77) where the pieces
# are not installed.
# Usage: a11y_check.sh BUILD_DIR
bin="$1/bin"
here="$(cd "$(dirname "$0")" && pwd)"
. "$(dirname "$0")/check_lib.sh"
command -v Xvfb >/dev/null || skip "Xvfb is not installed"
command -v dbus-daemon >/dev/null || skip "dbus-daemon is not installed"
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || skip "at-spi2-core is not installed"
py=/usr/bin/python3
"$py" -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

dbus-daemon --session --nofork --print-address=4 4>"$work/bus" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/bus" ] && break; sleep 0.1; done
export DBUS_SESSION_BUS_ADDRESS="$(head -n1 "$work/bus")"
"$launcher" --launch-immediately >/dev/null 2>&1 &
pids+=($!)

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 QT_QPA_PLATFORM=xcb
# In the sanitizer build: libxkbcommon-x11 (Debian 12) reads past a string end
# when the X keymap is loaded, which the strict string check reports; that
# library is not ours, so the check is off for this program only.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:strict_string_checks=0"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$bin/tarvo-control-panel" --simulate >"$work/program.log" 2>&1 &
pids+=($!)

if "$py" "$here/a11y_check.py"; then
    exit 0
fi
echo "--- program output"
tail -n 20 "$work/program.log"
exit 1
