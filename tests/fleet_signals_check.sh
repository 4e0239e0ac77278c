#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarvo-clock --fleet as a script runs it against clock-simulator --count on
# 127.0.164.0/24: a SIGINT starts no more clocks, lets the running one end,
# prints every row and names the clocks not started; a second SIGINT
# interrupts the running clocks and names every clock not done.
bin="$1/bin"
. "$(dirname "$0")/check_lib.sh"

"$bin/clock-simulator" --model 226 --count 2 --udp-base 127.0.164.1 >"$work/sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    [ "$(grep -c '^udp: ' "$work/sim.out")" -ge 2 ] && break
    sleep 0.1
done
[ "$(grep -c '^udp: ' "$work/sim.out")" -eq 2 ] || fail "the simulator did not start"

# One at a time; the silent clocks take the whole timeout each, so the last
# clock cannot have started two seconds in, however slow the start.
cat >"$work/fleet.json" <<'JSON'
{"clocks": [
  {"name": "first", "host": "127.0.164.1"},
  {"name": "silent-1", "host": "127.0.164.91"},
  {"name": "silent-2", "host": "127.0.164.92"},
  {"name": "silent-3", "host": "127.0.164.93"},
  {"name": "last", "host": "127.0.164.2"}
]}
JSON
"$bin/tarvo-clock" --fleet "$work/fleet.json" --parallel 1 --timeout 3000 get settings \
    >"$work/out" 2>"$work/err" &
pid=$!
sleep 2
kill -INT "$pid"
wait "$pid"; status=$?
[ $status -eq 130 ] || fail "SIGINT ended the fleet with $status"
[ "$(grep -c '^\(first\|silent-[123]\|last\) ' "$work/out")" -eq 5 ] || fail "not a row per clock: $(cat "$work/out")"
grep -q '^last .*not started (interrupted)' "$work/out" || fail "last was started: $(cat "$work/out")"
grep -q 'interrupted; not started: .*last\.' "$work/err" || fail "stderr: $(cat "$work/err")"

# A second signal ends the running clock too and names all not done.
"$bin/tarvo-clock" --fleet "$work/fleet.json" --parallel 1 --timeout 3000 get settings \
    >"$work/out" 2>"$work/err" &
pid=$!
sleep 2
kill -INT "$pid"
sleep 0.3
kill -INT "$pid"
wait "$pid"; status=$?
[ $status -eq 130 ] || fail "a second SIGINT ended the fleet with $status"
grep -q 'clocks not done: .*last (not started)\.' "$work/err" || fail "stderr: $(cat "$work/err")"
echo "a fleet run stops as asked and names the clocks not done"
