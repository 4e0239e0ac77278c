#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# clock-simulator --count: many network clocks in one process, each answering
# on its own loopback address (127.0.161.0/24 and 127.0.162.0/24), and the
# ranges it refuses; then tarvo-clock --fleet over all of them.
bin="$1/bin"
. "$(dirname "$0")/check_lib.sh"

refused() { # expected-message, arguments...
    local expected="$1"
    shift
    "$bin/clock-simulator" --model 229 "$@" >"$work/out" 2>"$work/err" &
    local pid=$!
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then kill "$pid"; fail "started with $*"; fi
    wait "$pid"; [ $? -eq 2 ] || fail "$* did not end with 2"
    grep -q -- "$expected" "$work/err" || fail "$*: $(cat "$work/err")"
    [ ! -s "$work/out" ] || fail "$* printed addresses"
}
refused "only addresses in 127.0.0.0/8" --count 3 --udp-base 10.0.0.1
refused "would leave 127.0.0.0/8" --count 3 --udp-base 127.255.255.253
refused "go together" --count 3
refused "not with --serial" --count 3 --udp-base 127.0.161.1 --serial
refused "1 to 1000" --count 0 --udp-base 127.0.161.1

"$bin/clock-simulator" --help | grep -q -- "--udp-base" || fail "--help has no --udp-base"

# 250 clocks from 127.0.161.250: the range carries into the next octet and
# leaves out 127.0.161.255, the discovery address of the first /24.
"$bin/clock-simulator" --model 229 --count 250 --udp-base 127.0.161.250 >"$work/sim.out" 2>&1 &
sim_pid=$!
pids+=("$sim_pid")
for _ in $(seq 100); do
    [ "$(grep -c '^udp: ' "$work/sim.out")" -ge 250 ] && break
    kill -0 "$sim_pid" 2>/dev/null || fail "the simulator ended: $(cat "$work/sim.out")"
    sleep 0.1
done
[ "$(grep -c '^udp: ' "$work/sim.out")" -eq 250 ] || fail "not 250 udp: lines: $(cat "$work/sim.out")"
[ "$(sed -n 1p "$work/sim.out")" = "udp: 127.0.161.250:10000" ] || fail "first line"
[ "$(sed -n 6p "$work/sim.out")" = "udp: 127.0.162.0:10000" ] || fail "no carry: $(sed -n 6p "$work/sim.out")"
grep -q '127.0.161.255' "$work/sim.out" && fail "the discovery address was given to a clock"
[ "$(sed -n 250p "$work/sim.out")" = "udp: 127.0.162.244:10000" ] || fail "last line"

# The first five and the last clock each answer on their own address.
for host in 127.0.161.250 127.0.161.251 127.0.161.254 127.0.162.0 127.0.162.1 127.0.162.244; do
    "$bin/tarvo-clock" --host "$host" --timeout 2000 get network --json >"$work/net" ||
        fail "no answer from $host"
    grep -q "\"ipAddress\": \"$host\"" "$work/net" || fail "$host answered as $(grep ipAddress "$work/net")"
done

# The whole fleet at once from tarvo-clock under a limit of 256 open files:
# it works on as many clocks at a time as the limit allows, and says so,
# rather than reporting clocks without a socket as silent.
sed -n 's/^udp: \([0-9.]*\):.*/{"name": "c\1", "host": "\1"}/p' "$work/sim.out" |
    paste -sd, | sed 's/^/[/; s/$/]/' >"$work/fleet.json"
(ulimit -n 256; "$bin/tarvo-clock" --fleet "$work/fleet.json" --parallel 250 get settings --json \
    >"$work/fleet.out" 2>"$work/fleet.err")
status=$?
[ $status -eq 0 ] || fail "the fleet of 250 ended with $status: $(grep -v '"exit":0' "$work/fleet.out" | head -3)"
[ "$(grep -c '"exit":0' "$work/fleet.out")" -eq 250 ] || fail "not 250 answers"
grep -q "allows [0-9]* clocks at once, not 250" "$work/fleet.err" || fail "no word of the limit: $(cat "$work/fleet.err")"
echo "clock-simulator --count answers on every address"
