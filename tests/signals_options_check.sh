#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Both programs as a user starts and stops them: an option given another
# option as its value, or a FIFO as the settings store, is refused (exit 2,
# nothing started); --help and --version need no display; SIGINT and SIGTERM
# end tarvo-clock within a second (130, 143) and the window cleanly, leaving
# no socket, no scratch folder, no simulated clock and no serial lock file
# behind.
# Usage: signals_options_check.sh BUILD_DIR
bin="$1/bin"
. "$(dirname "$0")/check_lib.sh"
now_ms() { date +%s%3N; }

# --- options ------------------------------------------------------------
env -u DISPLAY QT_QPA_PLATFORM=xcb "$bin/tarvo-control-panel" --help >"$work/help" 2>&1 ||
    fail "tarvo-control-panel --help needs a display: $(cat "$work/help")"
grep -q "Usage: tarvo-control-panel" "$work/help" || fail "--help text: $(head -2 "$work/help")"
env -u DISPLAY QT_QPA_PLATFORM=xcb "$bin/tarvo-control-panel" --version | grep -q "^tarvo-control-panel " ||
    fail "tarvo-control-panel --version"
start=$(now_ms)
env -u DISPLAY QT_QPA_PLATFORM=xcb "$bin/tarvo-control-panel" --serial-ports --local-addresses 127.9.9.1 \
    >/dev/null 2>"$work/err"
[ $? -eq 2 ] || fail "an option as --serial-ports' value is not exit 2"
grep -q -- "--serial-ports needs a value" "$work/err" || fail "the message does not name --serial-ports"
for option in --local-addresses --system-clock --simulate-model --settings-file; do
    env -u DISPLAY QT_QPA_PLATFORM=xcb "$bin/tarvo-control-panel" "$option" --log-traffic >/dev/null 2>"$work/err"
    [ $? -eq 2 ] || fail "tarvo-control-panel $option --log-traffic is not exit 2"
    grep -q -- "$option needs a value" "$work/err" || fail "the message does not name $option"
done
for option in --port --host --model --password --timeout --local-addresses --serial-ports --count \
              --spring --fall --start-year; do
    "$bin/tarvo-clock" "$option" --json status >/dev/null 2>"$work/err"
    [ $? -eq 2 ] || fail "tarvo-clock $option --json is not exit 2"
    grep -q -- "$option needs a value" "$work/err" || fail "tarvo-clock names $option: $(cat "$work/err")"
done
mkfifo "$work/fifo"
timeout -k 2 10 env -u DISPLAY QT_QPA_PLATFORM=xcb "$bin/tarvo-control-panel" --settings-file "$work/fifo" \
    >/dev/null 2>"$work/err"
{ [ $? -eq 2 ] && grep -q "fifo: not a regular file" "$work/err"; } ||
    fail "a FIFO as the settings store: $(cat "$work/err")"

# --- tarvo-clock and its signals ------------------------------------------
for signal in INT TERM; do
    "$bin/tarvo-clock" --host 127.0.207.9 --timeout 20000 status >/dev/null 2>"$work/err" &
    pid=$!
    sleep 0.5
    start=$(now_ms)
    kill -"$signal" "$pid"
    wait "$pid"; status=$?
    took=$(($(now_ms) - start))
    expected=$([ "$signal" = INT ] && echo 130 || echo 143)
    [ "$status" -eq "$expected" ] || fail "SIG$signal ended status with $status, not $expected"
    # Typically a few milliseconds; the limit is generous for a loaded machine
    # and still far below the 20 s the command would otherwise wait.
    [ "$took" -lt 5000 ] || fail "SIG$signal took $took ms to end status"
    grep -q "interrupted before anything was sent" "$work/err" || fail "message: $(cat "$work/err")"
done

# --- the window and its signals ------------------------------------------
export QT_QPA_PLATFORM=offscreen TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$TMPDIR" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
locks_of() { grep -l "^$1\$" /run/lock/LCK..* /var/lock/LCK..* /tmp/LCK..* 2>/dev/null; }
for signal in TERM INT; do
    "$bin/tarvo-control-panel" --simulate >"$work/panel.log" 2>&1 &
    pid=$!
    pids+=("$pid")
    for _ in $(seq 100); do
        grep -q "computer clock set to" "$work/panel.log" && break
        sleep 0.1
    done
    # The demo's clock and scratch folder are up, and the port is locked.
    simulator=$(pgrep -P "$pid" clock-simulator)
    [ -n "$simulator" ] || fail "the demo's simulated clock did not start"
    [ -n "$(ls -A "$TMPDIR")" ] || fail "the demo made no scratch folder"
    [ -n "$(locks_of "$pid")" ] || echo "note: no serial lock file seen for the window"
    start=$(now_ms)
    kill -"$signal" "$pid"
    wait "$pid"; status=$?
    took=$(($(now_ms) - start))
    expected=$([ "$signal" = INT ] && echo 130 || echo 143)
    [ "$status" -eq "$expected" ] || fail "SIG$signal ended the window with $status: $(tail -3 "$work/panel.log")"
    [ "$took" -lt 5000 ] || fail "SIG$signal took $took ms to end the window"
    sleep 0.3
    kill -0 "$simulator" 2>/dev/null && fail "the demo's simulated clock is still running"
    [ -z "$(ls -A "$TMPDIR")" ] || fail "left in the temporary folder: $(ls -A "$TMPDIR")"
    [ -z "$(ls -A "$XDG_RUNTIME_DIR")" ] || fail "left in the runtime folder: $(ls -A "$XDG_RUNTIME_DIR")"
    [ -z "$(locks_of "$pid")" ] || fail "serial lock file left: $(locks_of "$pid")"
done
echo "options and signals end both programs as a user expects"
