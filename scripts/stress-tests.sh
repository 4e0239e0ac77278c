#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the plain test suite N times (default 5) while two processes keep both
# processor cores busy, and reports every failure with its test's name. The
# suite must pass every time: no test may depend on how fast the machine is.
# Usage: scripts/stress-tests.sh [N]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
build="${BUILD_DIR:-$here/build}"
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
jobs=$(($(nproc) * 3))

stress-ng --cpu "$(nproc)" --timeout 0 --quiet &
hog=$!
trap 'kill "$hog" 2>/dev/null; wait "$hog" 2>/dev/null' EXIT

failures=0
for run in $(seq "$runs"); do
    log="$build/stress-$run.log"
    start=$(date +%s)
    ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 600 >"$log" 2>&1 || true
    failed=$(grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(\*\*\*Failed|\*\*\*Exception|\*\*\*Timeout|Subprocess aborted)' "$log" |
        sed -E 's/^.*Test +#[0-9]+: ([^ ]+).*$/\1/' || true)
    summary=$(grep -E 'tests passed' "$log" || echo "no summary")
    echo "run $run of $runs ($(($(date +%s) - start)) s, under load): $summary"
    if [ -n "$failed" ]; then
        failures=$((failures + $(echo "$failed" | wc -l)))
        for name in $failed; do
            echo "  FAILED: $name (details in $log)"
        done
    fi
done
echo "$runs runs under load, $failures failures"
[ "$failures" = 0 ]
