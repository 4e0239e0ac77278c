#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The exporter under clients that misuse it, on loopback only: 1,100 idle
# connections, a 1 GiB body, a 200 MiB request line and header, and the
# hang-up mix; for each, the exporter's descriptors, resident memory (and
# peak) and whether a scrape is answered, as JSON lines. Figures only.
# Usage: bench/exporter-abuse.sh [scenario...]   (default: every one; expects
# a build in build/, or BUILD_DIR). The 40 silent clocks are a stopped
# simulator from 127.0.176.2 on; the exporter runs with --timeout 400 under
# `ulimit -n 1024` (256 for the mix). EXPORTER_ARGS adds options.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build}"
scenarios=("$@")
[ ${#scenarios[@]} -gt 0 ] || scenarios=(idle body line header mix)
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -CONT "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

"$build/bin/clock-simulator" --model 229 --count 40 --udp-base 127.0.176.2 >"$work/sim.log" 2>&1 &
sim=$!
pids+=($sim)
for _ in $(seq 100); do
    [ "$(grep -c '^udp: ' "$work/sim.log")" -ge 40 ] && break
    sleep 0.1
done
python3 - "$work/sim.log" >"$work/fleet.json" <<'PY'
import json, sys
hosts = [l.split()[1].rsplit(":", 1)[0] for l in open(sys.argv[1]) if l.startswith("udp: ")]
print(json.dumps({"clocks": [{"name": "clock-%02d" % i, "host": h} for i, h in enumerate(hosts)]}))
PY
kill -STOP "$sim"

for scenario in "${scenarios[@]}"; do
    port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
    limit=1024
    [ "$scenario" = mix ] && limit=256
    # shellcheck disable=SC2086
    (ulimit -n "$limit" && exec "$build/bin/tarvo-clock" exporter --listen "127.0.0.1:$port" \
        --timeout 400 --fleet "$work/fleet.json" ${EXPORTER_ARGS:-}) >"$work/exporter.log" 2>&1 &
    exporter=$!
    pids+=($exporter)
    for _ in $(seq 100); do grep -q '^Serving ' "$work/exporter.log" && break; sleep 0.1; done
    result="$(python3 "$here/bench/exporter_abuse.py" "$port" "$exporter" "$scenario")"
    alive=yes
    kill -0 "$exporter" 2>/dev/null || alive=no
    echo "{\"scenario\": \"$scenario\", \"exporter_alive\": \"$alive\", \"result\": $result}"
    kill "$exporter" 2>/dev/null || true
    wait "$exporter" 2>/dev/null || true
    grep -m1 -A25 -E 'runtime error|AddressSanitizer' "$work/exporter.log" >&2 || true
done
