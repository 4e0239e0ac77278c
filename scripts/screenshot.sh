#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the pictures in docs/: the main window connected to the simulated
# clock, for each model on each link, under a virtual X server with a window
# manager, as a user sees it. Needs xvfb, openbox, x11-utils and imagemagick.
# Usage: scripts/screenshot.sh                 every model and link
#        scripts/screenshot.sh OUT.png [program options...]   one picture
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
program="${BUILD_DIR:-$here/build}/bin/tarvo-control-panel"

shoot() {
    local out="$1"
    shift
    mkdir -p "$(dirname "$out")"
    XDG_CONFIG_HOME="$(mktemp -d)" xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
        openbox >/dev/null 2>&1 &
        wm=$!
        sleep 1
        "$0" --simulate "${@:2}" >/dev/null 2>&1 &
        pid=$!
        sleep 9
        # The window is named after the clock once connected.
        id=$(xwininfo -root -tree | awk "/Tarvo Control Panel\": \\(\"tarvo-control-panel\"/ {print \$1; exit}")
        import -frame -window "$id" "$1"
        kill $pid $wm
        wait 2>/dev/null || true
    ' "$program" "$out" "$@"
    echo "wrote $out"
}

if [ $# -gt 0 ]; then
    shoot "$@"
    exit 0
fi
for model in 226 229 207 222; do
    shoot "$here/docs/main-window-$model-serial.png" --simulate-model "$model"
    shoot "$here/docs/main-window-$model-network.png" --simulate-model "$model" --simulate-network
done
