#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A serial clock behind a real ser2net: Debian's ser2net (from the PATH, or
# its package and libraries unpacked into the build tree without being
# installed, so no service starts) serves the simulated clock's
# pseudo-terminal on loopback as raw TCP and as RFC 2217. tarvo-clock runs
# status, get and set settings and set time over the local port and over
# both spellings of the server, and the frames the simulated clock receives
# must be the same each time; watch and the exporter run over both; ser2net
# is stopped and started again while watch runs, and watch goes on with no
# report twice. Skipped (77) only where ser2net can be neither found nor
# obtained.
set -uo pipefail
build="$1"
bin="$build/bin"

skip() { echo "SKIP: $*"; exit 77; }

# ser2net is had first: the namespace below has no network.
ser2net="$(command -v ser2net || true)"
env_libs=()
if [ -z "$ser2net" ]; then
    pkg="$build/ser2net-pkg"
    if [ ! -x "$pkg/root/usr/sbin/ser2net" ]; then
        rm -rf "$pkg" && mkdir -p "$pkg"
        (cd "$pkg" && apt-get download ser2net libgensio4 libyaml-0-2 libwrap0 >/dev/null 2>&1 &&
            for deb in ./*.deb; do dpkg -x "$deb" root || exit 1; done) ||
            skip "ser2net could not be downloaded"
    fi
    ser2net="$pkg/root/usr/sbin/ser2net"
    plugins="$(dirname "$(find "$pkg/root" -name libgensio_serialdev.so | head -n 1)")"
    libs="$(dirname "$(find "$pkg/root" -name 'libgensio.so.*' | head -n 1)")"
    env_libs=(env "LD_LIBRARY_PATH=$libs" "GENSIO_LIBRARY_PATH=$plugins")
fi
"${env_libs[@]}" "$ser2net" -v >/dev/null 2>&1 || skip "ser2net does not run here"

# ser2net looks 127.0.0.1 up with AI_ADDRCONFIG, which finds nothing where
# the only address is 127.0.0.1 (a namespace with loopback alone, such as a
# test runner's): where it can, the check runs in a network namespace of its
# own, whose loopback gets 127.0.0.2 as well.
if [ -z "${TARVO_SER2NET_NETNS:-}" ] && [ "$(id -u)" = 0 ] && command -v ip >/dev/null &&
    unshare -n true 2>/dev/null; then
    exec env TARVO_SER2NET_NETNS=1 unshare -n bash -c \
        'ip link set lo up && ip addr add 127.0.0.2/8 dev lo && exec bash "$0" "$@"' "$0" "$@"
fi

. "$(dirname "$0")/check_lib.sh"
fail() {
    echo "FAIL: $*"
    for log in "$work"/*.log; do echo "== $log"; head -n 12 "$log"; echo ...; tail -n 8 "$log"; done
    exit 1
}

lines() { grep -c "${2:-.}" "$1" 2>/dev/null || true; }
has_lines() { [ "$(lines "$1")" -ge "$2" ]; }

start_serial_clock "$work/sim.log" --model 226 -v

raw_port="$(free_port)"
telnet_port="$(free_port)"
cat >"$work/ser2net.yaml" <<CONF
connection: &raw
  accepter: tcp,127.0.0.1,$raw_port
  connector: serialdev,$pty,9600n81,local
connection: &rfc2217
  accepter: telnet(rfc2217),tcp,127.0.0.1,$telnet_port
  connector: serialdev,$pty,9600n81,local
CONF
start_ser2net() {
    # -u: no UUCP lock files in the system's lock folder.
    "${env_libs[@]}" "$ser2net" -n -d -u -c "$work/ser2net.yaml" >>"$work/ser2net.log" 2>&1 &
    ser2net_pid=$!
    pids+=($ser2net_pid)
    wait_for 10 bash -c "exec 3<>/dev/tcp/127.0.0.1/$telnet_port" 2>/dev/null ||
        fail "ser2net did not start"
}
start_ser2net

# ser2net lets one client at a time use the clock's port, and frees it a
# moment after that client has gone: the next one starts once it is free.
port_free() { ! ls -l "/proc/$ser2net_pid/fd" 2>/dev/null | grep -q -- "-> $pty\$"; }
tarvo() {
    wait_for 10 port_free || fail "ser2net keeps $pty open"
    "$bin/tarvo-clock" --port "$@"
}
# The same commands over each spelling of the port; the frames the clock
# receives (command and payload) are kept for each.
run_all() { # PORT NAME
    local port="$1" name="$2" from
    from=$(($(lines "$work/sim.log") + 1))
    tarvo "$port" status --json >"$work/$name-status.json" 2>"$work/$name.log" ||
        fail "status over $port"
    grep -q "\"port\": \"$port\"" "$work/$name-status.json" || fail "status does not name $port"
    tarvo "$port" get settings --json >"$work/$name-settings.json" 2>>"$work/$name.log" ||
        fail "get settings over $port"
    sed 's/"timeZone": -5/"timeZone": -7/' "$work/$name-settings.json" >"$work/$name-changed.json"
    tarvo "$port" set settings "$work/$name-changed.json" >>"$work/$name.log" 2>&1 ||
        fail "set settings over $port"
    tarvo "$port" set settings "$work/$name-settings.json" >>"$work/$name.log" 2>&1 ||
        fail "setting the settings back over $port"
    tarvo "$port" set time "2031-05-06 07:08:09" >>"$work/$name.log" 2>&1 ||
        fail "set time over $port"
    tail -n "+$from" "$work/sim.log" | sed -n 's/^clock-simulator: \(serial <- command [0-9]* \[[^]]*\]\).*/\1/p' \
        >"$work/$name.frames"
}
run_all "$pty" local
run_all "tcp:127.0.0.1:$raw_port" tcp
run_all "rfc2217:127.0.0.1:$telnet_port" rfc2217
[ "$(lines "$work/local.frames")" -ge 8 ] || fail "too few frames reached the clock: $(cat "$work/local.frames")"
for name in tcp rfc2217; do
    diff "$work/local.frames" "$work/$name.frames" >"$work/$name-diff.log" ||
        fail "the clock received other frames over $name than over its local port"
done
echo "frames at the clock: $(lines "$work/local.frames") each, the same over the local port, tcp and rfc2217"
tarvo "$pty" set time now >/dev/null 2>&1 || fail "set time now over the local port"

# watch says the link; the exporter says the server is connected.
for port in "tcp:127.0.0.1:$raw_port" "rfc2217:127.0.0.1:$telnet_port"; do
    kind="${port%%:*}"
    tarvo "$port" watch --json --count 2 >"$work/watch-$kind.json" 2>"$work/watch-$kind.log" ||
        fail "watch over $port"
    [ "$(lines "$work/watch-$kind.json" "\"link\":\"$kind\"")" = 2 ] || fail "watch does not say $kind"
    metrics_port="$(free_port)"
    wait_for 10 port_free || fail "ser2net keeps $pty open"
    "$bin/tarvo-clock" exporter --listen "127.0.0.1:$metrics_port" --port "$port" --model 226 \
        >"$work/exporter-$kind.log" 2>&1 &
    exporter=$!
    pids+=($exporter)
    scrape() {
        python3 -c 'import sys, urllib.request; print(urllib.request.urlopen(sys.argv[1], timeout=5).read().decode())' \
            "http://127.0.0.1:$metrics_port/metrics" >"$work/scrape-$kind.txt" 2>/dev/null &&
            grep -q "^tarvo_clock_up{.*} 1" "$work/scrape-$kind.txt" &&
            grep -q "^tarvo_clock_device_server_connected{.*transport=\"$kind\"} 1" "$work/scrape-$kind.txt"
    }
    wait_for 20 scrape || fail "the exporter does not show the clock over $port up: $(cat "$work/scrape-$kind.txt")"
    kill "$exporter"
    wait "$exporter" 2>/dev/null
done
echo "watch and the exporter over tcp and rfc2217: up"

# ser2net stops and starts again while watch runs: watch says so and goes on.
wait_for 10 port_free || fail "ser2net keeps $pty open"
"$bin/tarvo-clock" --port "rfc2217:127.0.0.1:$telnet_port" watch \
    >"$work/restart-watch.out" 2>"$work/restart-watch.log" &
watcher=$!
pids+=($watcher)
wait_for 20 has_lines "$work/restart-watch.out" 2 || fail "watch did not start"
kill "$ser2net_pid"
wait "$ser2net_pid" 2>/dev/null
wait_for 10 grep -q "dropped the connection" "$work/restart-watch.log" ||
    fail "watch did not tell that ser2net dropped the connection"
sleep 2
kill -0 "$watcher" 2>/dev/null || fail "watch ended while ser2net was down"
before="$(lines "$work/restart-watch.out")"
start_ser2net
wait_for 40 grep -q "connected to device server 127.0.0.1:$telnet_port again" "$work/restart-watch.log" ||
    fail "watch did not connect again"
wait_for 20 has_lines "$work/restart-watch.out" $((before + 3)) ||
    fail "watch printed no reports after ser2net came back"
kill -0 "$watcher" 2>/dev/null || fail "watch ended"
kill "$watcher"
wait "$watcher" 2>/dev/null
# No report twice, none out of order.
times="$(awk '{print $1 "T" $2}' "$work/restart-watch.out")"
[ "$(echo "$times" | sort -u)" = "$times" ] || fail "a report came twice or out of order: $times"
echo "watch went on over ser2net's restart ($(lines "$work/restart-watch.out") reports, none twice)"
echo "PASS"
