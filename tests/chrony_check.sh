#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarvo-clock feeding a real chronyd: chronyd (started with -x, so it never
# touches the computer clock) reads the samples from its SOCK reference clock
# and selects the simulated clock as its source. chronyd comes from the PATH
# or from Debian's chrony package, unpacked into the build tree without being
# installed (so no service starts). Skipped (77) where neither is possible.
build="$1"
bin="$build/bin"
. "$(dirname "$0")/check_lib.sh"
fail() { echo "FAIL: $*"; cat "$work"/*.log 2>/dev/null; exit 1; }

[ "$(id -u)" = 0 ] || skip "chronyd needs root to start here"
chronyd="$(command -v chronyd || true)"
chronyc="$(command -v chronyc || true)"
if [ -z "$chronyd" ] || [ -z "$chronyc" ]; then
    pkg="$build/chrony-pkg"
    if [ ! -x "$pkg/root/usr/sbin/chronyd" ]; then
        mkdir -p "$pkg"
        (cd "$pkg" && apt-get download chrony >/dev/null 2>&1 && dpkg -x chrony_*.deb root) ||
            skip "chrony could not be downloaded"
    fi
    chronyd="$pkg/root/usr/sbin/chronyd"
    chronyc="$pkg/root/usr/bin/chronyc"
fi
"$chronyd" -v >/dev/null 2>&1 && "$chronyc" -v >/dev/null 2>&1 || skip "chronyd or chronyc does not run here"

mkdir -m 700 "$work/cmd"
cat >"$work/chrony.conf" <<CONF
refclock SOCK $work/tarvo.sock refid TRVO offset 0.015 delay 0.02 poll 2
port 0
cmdport 0
bindcmdaddress $work/cmd/chronyd.sock
pidfile $work/chronyd.pid
CONF
"$chronyd" -x -d -u root -f "$work/chrony.conf" >"$work/chronyd.log" 2>&1 &
pids+=($!)
start_serial_clock "$work/sim.log" --model 226
wait_for 5 test -S "$work/tarvo.sock" || fail "chronyd did not create its socket"
"$bin/tarvo-clock" --port "$pty" feed-chrony "$work/tarvo.sock" >"$work/feed.log" 2>&1 &
pids+=($!)

# chronyd selects a reference clock once it has filled a few polls.
for _ in $(seq 60); do
    sleep 1
    line="$("$chronyc" -h "$work/cmd/chronyd.sock" -c sources 2>/dev/null | grep ',TRVO,' || true)"
    if [ "$(echo "$line" | cut -d, -f2)" = "*" ]; then
        echo "chronyd selected the clock: $line"
        "$chronyc" -h "$work/cmd/chronyd.sock" tracking | grep -E "Reference ID|System time"
        "$chronyc" -h "$work/cmd/chronyd.sock" -c tracking
        # On a pseudo-terminal a report arrives a few milliseconds after the
        # clock's second, not the 14.6 ms of a 9600-baud line that the
        # configured offset adds back: the computer reads as 15 ms slow less
        # that delay (about 11 ms; a sample of the wrong sign would make it
        # more than 15).
        slow="$("$chronyc" -h "$work/cmd/chronyd.sock" -c tracking | cut -d, -f5)"
        awk -v s="$slow" 'BEGIN { exit !(s > -0.01 && s < 0.015) }' ||
            fail "system time offset $slow s is not 15 ms less the report's delay"
        exit 0
    fi
done
fail "chronyd did not select the clock: $("$chronyc" -h "$work/cmd/chronyd.sock" sources 2>&1)"
