#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds, and runs the control panel against a
# simulated clock (a pseudo-terminal and a loopback address). The demo never
# sets the computer clock and never touches the saved connection.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"
# Only what the demo runs: the window and the simulated clock, not the tests.
TARVO_BUILD_TARGETS="tarvo-control-panel clock-simulator" "$here/scripts/build.sh"
echo "demo: the computer clock is never set; with \"Update PC Clock.\" ticked the panel only" \
    "writes what it would set it to (\"computer clock set to ...\")." >&2
exec "${BUILD_DIR:-$here/build}/bin/tarvo-control-panel" --simulate "$@"
