#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What one exporter costs for many network clocks: scrape time (p50, p99),
# exporter CPU per scrape, resident memory, and datagrams per scrape.
# Figures only; nothing is asserted.
# Usage: bench/exporter.sh [clocks] [scrapes]   (default 200 and 100; expects
# a build in build/). The clocks are simulated from 127.0.175.2 on.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build}"
clocks="${1:-200}"
scrapes="${2:-100}"
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

"$build/bin/clock-simulator" --model 229 --count "$clocks" --udp-base 127.0.175.2 >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ "$(grep -c '^udp: ' "$work/sim.log")" -ge "$clocks" ] && break
    sleep 0.1
done
# The fleet: each address the simulator printed.
python3 - "$work/sim.log" >"$work/fleet.json" <<'PY'
import json, sys
hosts = [l.split()[1].rsplit(":", 1)[0] for l in open(sys.argv[1]) if l.startswith("udp: ")]
print(json.dumps({"clocks": [{"name": "clock-%03d" % i, "host": h} for i, h in enumerate(hosts)]}))
PY
free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
# scrape PORT PID SCRAPES TRAFFIC: the figures of SCRAPES scrapes, each past
# the cache so that it asks every clock; with TRAFFIC (the exporter's
# --log-traffic output) only the datagrams are counted.
scrape() {
    python3 - "$@" "$clocks" <<'PY'
import os, sys, time, urllib.request
port, pid, scrapes, traffic, clocks = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5]
url = "http://127.0.0.1:%s/metrics" % port
hz = os.sysconf("SC_CLK_TCK")
def ticks():
    fields = open("/proc/%s/stat" % pid).read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])
def datagrams():
    out = inn = 0
    for line in open(traffic):
        out += " udp out " in line
        inn += " udp in " in line
    return out, inn
urllib.request.urlopen(url, timeout=60).read()  # the first learns every model
time.sleep(1.1)
took, up = [], 0
t0 = ticks()
d0 = datagrams() if traffic else None
for _ in range(scrapes):
    start = time.monotonic()
    text = urllib.request.urlopen(url, timeout=60).read().decode()
    took.append(time.monotonic() - start)
    up = sum(1 for l in text.splitlines() if l.startswith("tarvo_clock_up{") and l.endswith(" 1"))
    time.sleep(1.05)
t1 = ticks()
if traffic:
    d1 = datagrams()
    print("datagrams per scrape: %.1f sent, %.1f answered" % ((d1[0] - d0[0]) / scrapes, (d1[1] - d0[1]) / scrapes))
    sys.exit(0)
took.sort()
status = {l.split(":")[0]: l.split()[1] for l in open("/proc/%s/status" % pid) if l.startswith(("VmRSS", "VmHWM"))}
print("clocks: %s (up at the last scrape: %d), scrapes: %d" % (clocks, up, scrapes))
print("scrape time: p50 %.1f ms, p99 %.1f ms" % (1000 * took[len(took) // 2], 1000 * took[min(len(took) - 1, int(len(took) * 0.99))]))
print("exporter cpu per scrape: %.1f ms" % (1000 * (t1 - t0) / hz / scrapes))
print("exporter resident memory: %.1f MB (peak %.1f MB)" % (int(status["VmRSS"]) / 1024, int(status["VmHWM"]) / 1024))
PY
}

port="$(free_port)"
"$build/bin/tarvo-clock" exporter --listen "127.0.0.1:$port" --fleet "$work/fleet.json" \
    >"$work/exporter.log" 2>&1 &
pids+=($!)
sleep 1
scrape "$port" "${pids[-1]}" "$scrapes" ""
kill "${pids[-1]}"

# Every datagram on standard error with --log-traffic, in a pass of its own
# (the logging costs time of its own).
port="$(free_port)"
"$build/bin/tarvo-clock" exporter --listen "127.0.0.1:$port" --log-traffic --fleet "$work/fleet.json" \
    >"$work/exporter-traffic.log" 2>"$work/traffic.log" &
pids+=($!)
sleep 1
scrape "$port" "${pids[-1]}" 10 "$work/traffic.log"
kill "${pids[-1]}"

# Every clock silent (the simulator stopped): the longest a scrape takes.
port="$(free_port)"
"$build/bin/tarvo-clock" exporter --listen "127.0.0.1:$port" --fleet "$work/fleet.json" \
    >"$work/exporter-silent.log" 2>&1 &
pids+=($!)
sleep 1
kill -STOP "${pids[0]}"
python3 - "$port" <<'PY'
import sys, time, urllib.request
url = "http://127.0.0.1:%s/metrics" % sys.argv[1]
for _ in range(3):
    start = time.monotonic()
    text = urllib.request.urlopen(url, timeout=60).read().decode()
    down = sum(1 for l in text.splitlines() if l.startswith("tarvo_clock_up{") and l.endswith(" 0"))
    print("every clock silent: scrape %.2f s, %d clocks down" % (time.monotonic() - start, down))
    time.sleep(1.1)
PY
kill -CONT "${pids[0]}"
