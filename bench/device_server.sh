#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The round trip of a settings request and the offset of the time reports of
# the simulated clock over its local pseudo-terminal, and through a real
# ser2net on loopback over raw TCP and over RFC 2217. ser2net comes from the
# PATH or from Debian's package, unpacked into the build tree (as the test
# suite does). Figures only, never asserted.
# Usage: bench/device_server.sh [requests] [reports]   (default 50 and 20)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build}"
requests="${1:-50}"
reports="${2:-20}"
if [ ! -x "$build/bin/bench_device_server" ]; then
    cmake -S "$here" -B "$build" -DTARVO_BUILD_BENCH=ON >/dev/null
    cmake --build "$build" --target bench_device_server clock-simulator >/dev/null
fi
ser2net="$(command -v ser2net || true)"
run=()
if [ -z "$ser2net" ]; then
    pkg="$build/ser2net-pkg"
    if [ ! -x "$pkg/root/usr/sbin/ser2net" ]; then
        rm -rf "$pkg" && mkdir -p "$pkg"
        (cd "$pkg" && apt-get download ser2net libgensio4 libyaml-0-2 libwrap0 >/dev/null &&
            for deb in ./*.deb; do dpkg -x "$deb" root; done)
    fi
    ser2net="$pkg/root/usr/sbin/ser2net"
    run=(env "LD_LIBRARY_PATH=$(dirname "$(find "$pkg/root" -name 'libgensio.so.*' | head -n 1)")"
        "GENSIO_LIBRARY_PATH=$(dirname "$(find "$pkg/root" -name libgensio_serialdev.so | head -n 1)")")
fi
# In a network namespace of its own where it can (see tests/ser2net_check.sh).
if [ -z "${TARVO_SER2NET_NETNS:-}" ] && [ "$(id -u)" = 0 ] && unshare -n true 2>/dev/null; then
    exec env TARVO_SER2NET_NETNS=1 unshare -n bash -c \
        'ip link set lo up && ip addr add 127.0.0.2/8 dev lo && exec bash "$0" "$@"' "$0" "$@"
fi

work="$(mktemp -d)"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
"$build/bin/clock-simulator" --model 226 --serial >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q '^serial: ' "$work/sim.log" && break; sleep 0.1; done
pty="$(sed -n 's/^serial: //p' "$work/sim.log")"
cat >"$work/ser2net.yaml" <<CONF
connection: &raw
  accepter: tcp,127.0.0.1,27000
  connector: serialdev,$pty,9600n81,local
connection: &rfc2217
  accepter: telnet(rfc2217),tcp,127.0.0.1,27001
  connector: serialdev,$pty,9600n81,local
connection: &rfc2217-nodelay
  accepter: telnet(rfc2217),tcp(nodelay),127.0.0.1,27002
  connector: serialdev,$pty,9600n81,local
  options:
    chardelay: false
CONF
"${run[@]}" "$ser2net" -n -d -u -c "$work/ser2net.yaml" >"$work/ser2net.log" 2>&1 &
pids+=($!)
sleep 1
echo "ser2net $("${run[@]}" "$ser2net" -v | awk '{print $NF}'), simulated model 226 clock, $(nproc) cores"
# The last: ser2net told to send each byte without waiting for more
# (chardelay) and without Nagle's delay (tcp(nodelay)).
for port in "$pty" tcp:127.0.0.1:27000 rfc2217:127.0.0.1:27001 rfc2217:127.0.0.1:27002; do
    [ "$port" = rfc2217:127.0.0.1:27002 ] && echo "-- ser2net with chardelay: false and tcp(nodelay):"
    "$build/bin/bench_device_server" "$port" "$requests" "$reports"
done
