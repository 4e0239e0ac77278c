#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Soak run: the program against the simulated clock for a long stretch (default
# 10 minutes) with a time report every second and a settings request every
# 5 s. Prints the program's CPU share, resident memory at start and end,
# wake-ups per second with the window shown and hidden, and the latency
# percentiles from a report leaving the clock to the window showing it.
# Usage: bench/soak.sh [seconds]   (default 600; expects a build in build/)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$here/build}"
seconds="${1:-600}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
if [ ! -x "$build/bin/bench_soak" ]; then
    cmake --build "$build" --target bench_soak
fi
export XDG_CONFIG_HOME="$(mktemp -d)"
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
"$build/bin/bench_soak" "$seconds" 1000 5000
