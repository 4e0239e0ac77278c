#!/usr/bin/env bash
# Takes the README's picture: the main window connected to the simulated clock,
# under a virtual X server. Needs xvfb and imagemagick.
# Usage: scripts/screenshot.sh [output.png] [extra program options...]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$here/docs/main-window.png}"
shift || true
program="${BUILD_DIR:-$here/build}/bin/tarvo-control-panel"
mkdir -p "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
    "$0" --simulate "${@:2}" >/dev/null 2>&1 &
    pid=$!
    sleep 7
    import -window "Tarvo Control Panel" "$1"
    kill $pid
    wait $pid 2>/dev/null || true
' "$program" "$out" "$@"
echo "wrote $out"
