#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the control panel against the simulated clock and prints what it costs:
# CPU time as a share of one core, peak resident memory, wake-ups per second
# (voluntary context switches), and the delay from a time report leaving the
# simulator to the window showing it.
# Usage: bench/run-spine.sh [seconds]   (default 30; expects a build in build/)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build}"
seconds="${1:-30}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

"$build/bin/tarvo-control-panel" --simulate >/dev/null 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
sleep 3
hz=$(getconf CLK_TCK)
read_ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
read_switches() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$pid/status"; }
t0=$(read_ticks); s0=$(read_switches); start=$(date +%s.%N)
sleep "$seconds"
t1=$(read_ticks); s1=$(read_switches); end=$(date +%s.%N)
peak=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")
kill $pid; wait $pid 2>/dev/null || true
trap - EXIT

awk -v t0="$t0" -v t1="$t1" -v hz="$hz" -v a="$start" -v b="$end" -v s0="$s0" -v s1="$s1" -v peak="$peak" 'BEGIN {
    wall = b - a
    printf "run: %.1f s connected to the simulated clock over serial\n", wall
    printf "cpu: %.3f %% of one core\n", 100 * (t1 - t0) / hz / wall
    printf "peak resident memory: %.1f MB\n", peak / 1024
    printf "wake-ups: %.1f per second\n", (s1 - s0) / wall
}'
"$build/bin/bench_latency" "$seconds" 100
