#!/usr/bin/env bash
# How long "tarvo-clock --fleet" takes over many network clocks: N simulated
# clocks in one clock-simulator process (127.0.165.0/24 on), the fleet asked
# for status, get settings and check settings at a few --parallel values.
# Usage: bench/fleet.sh [N]   (default 250; expects a build in build/)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${BUILD_DIR:-$here/build}/bin"
count="${1:-250}"
work="$(mktemp -d)"
"$bin/clock-simulator" --model 229 --count "$count" --udp-base 127.0.165.1 >"$work/sim.out" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true; rm -rf "$work"' EXIT
while [ "$(grep -c '^udp: ' "$work/sim.out")" -lt "$count" ]; do sleep 0.1; done
sed -n 's/^udp: \([0-9.]*\):.*/{"name": "c\1", "host": "\1"}/p' "$work/sim.out" |
    paste -sd, | sed 's/^/[/; s/$/]/' >"$work/fleet.json"
"$bin/tarvo-clock" --host 127.0.165.1 get settings --json >"$work/golden.json"
for parallel in 1 8 32 128; do
    for command in "status" "get settings" "check settings $work/golden.json"; do
        start=$(date +%s.%N)
        # shellcheck disable=SC2086
        "$bin/tarvo-clock" --fleet "$work/fleet.json" --parallel "$parallel" $command >/dev/null ||
            echo "exit $? for $command"
        end=$(date +%s.%N)
        awk -v a="$start" -v b="$end" -v n="$count" -v p="$parallel" -v c="${command%% /*}" \
            'BEGIN { printf "%d clocks, --parallel %3d, %-15s %6.2f s\n", n, p, c, b - a }'
    done
done
