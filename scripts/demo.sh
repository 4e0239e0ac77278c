#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds, and runs the control panel against a
# simulated clock (a pseudo-terminal and a loopback address). The demo never
# sets the computer clock and never touches the saved connection.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
exec "${BUILD_DIR:-$here/build}/bin/tarvo-control-panel" --simulate "$@"
