#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The tarvo-clock program itself, as a script runs it: exit statuses, output on
# the right stream, files that are no files, and an end on SIGTERM, against the
# clock-simulator program on a pseudo-terminal and on 127.0.154.2.
bin="$1/bin"
. "$(dirname "$0")/check_lib.sh"

start_serial_clock "$work/sim.out" --model 229 --udp 127.0.154.2

# Captured first: grep -q leaves a pipe at its first match, and a help longer
# than the pipe's first write would end tarvo-clock with SIGPIPE.
"$bin/tarvo-clock" --help >"$work/help" || fail "--help failed"
grep -q "EXIT STATUS" "$work/help" || fail "--help has no EXIT STATUS section"
"$bin/tarvo-clock" feed-chrony --help >"$work/help" || fail "feed-chrony --help failed"
grep -q "refclock SOCK" "$work/help" || fail "feed-chrony --help"
"$bin/tarvo-clock" frobnicate >/dev/null 2>"$work/err"; [ $? -eq 2 ] || fail "unknown command is not exit 2"
grep -q "not a command" "$work/err" || fail "unknown command message"

"$bin/tarvo-clock" --port "$pty" get settings --json >"$work/settings.json" || fail "get settings"
grep -q '"model": 229' "$work/settings.json" || fail "get settings output"
"$bin/tarvo-clock" --host 127.0.154.2 set settings "$work/settings.json" >"$work/out" ||
    fail "set settings from get's output"
grep -q "nothing was sent" "$work/out" || fail "unchanged settings were sent"
"$bin/tarvo-clock" --host 127.0.154.9 --timeout 300 status >/dev/null 2>&1; [ $? -eq 1 ] ||
    fail "no clock at the address is not exit 1"

# Paths that are no files are refused at once, each named: a FIFO (whose
# open waits for a writer for ever) as a fleet, password or golden file, and
# a device that never ends as a fleet file.
mkfifo "$work/fifo"
echo '[{"name": "a", "host": "127.0.154.2", "passwordFile": "fifo"}]' >"$work/fleet.json"
for args in "--fleet $work/fifo status" "--fleet /dev/zero status" "--fleet $work/fleet.json status" \
            "--host 127.0.154.2 check settings $work/fifo" "exporter --host 127.0.154.2 --golden $work/fifo"; do
    # shellcheck disable=SC2086 # $work holds no blanks
    timeout -k 2 10 "$bin/tarvo-clock" $args >/dev/null 2>"$work/err"; status=$?
    { [ $status -eq 2 ] && grep -q "not a regular file" "$work/err"; } ||
        fail "tarvo-clock $args ended with $status: $(cat "$work/err")"
done

# The exporter says in its own words, and nothing before them, that the limit
# of open files cannot be raised far enough and that its port is taken.
python3 -c 'import socket, time; s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen()
print(s.getsockname()[1], flush=True); time.sleep(30)' >"$work/busy" &
holder=$!
pids+=("$holder")
for _ in $(seq 100); do [ -s "$work/busy" ] && break; sleep 0.1; done
busy="$(cat "$work/busy")"
(ulimit -n 90; timeout -k 2 10 "$bin/tarvo-clock" exporter --port "$pty" --listen "127.0.0.1:$busy" >/dev/null 2>"$work/err")
status=$?
kill "$holder"
[ $status -eq 1 ] && sed -n 1p "$work/err" | grep -q "^warning: the limit of open files (ulimit -n) is 90;" &&
    sed -n 2p "$work/err" | grep -q "^Cannot listen on 127.0.0.1:$busy" && [ "$(wc -l <"$work/err")" -eq 2 ] ||
    fail "exporter on a taken port under ulimit -n 90 ended with $status: $(cat "$work/err")"

# watch runs until it is told to stop, and stops cleanly.
"$bin/tarvo-clock" --port "$pty" watch >"$work/watch" 2>&1 &
watch_pid=$!
sleep 3.5
kill -TERM "$watch_pid"
wait "$watch_pid"; status=$?
[ $status -eq 0 ] || fail "watch ended with $status on SIGTERM"
[ "$(grep -c 'offset' "$work/watch")" -ge 1 ] || fail "watch printed no report: $(cat "$work/watch")"
echo "tarvo-clock behaves as a script expects"
