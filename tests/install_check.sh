#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs a build into a scratch prefix and checks that a desktop installation
# has what the program needs to find: the three programs, the help pages, the
# desktop entry and the icon, the manual pages and the AppStream metadata.
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
for f in bin/tarvo-control-panel bin/clock-simulator bin/tarvo-clock \
         "share/tarvo-control-panel/help/Velmora.html" \
         "share/tarvo-control-panel/help/Velmora 229.html" \
         "share/tarvo-control-panel/help/Velmora 207.html" \
         "share/tarvo-control-panel/help/Velmora 222.html" \
         share/applications/org.tarvo.ControlPanel.desktop \
         share/metainfo/org.tarvo.ControlPanel.metainfo.xml \
         share/man/man1/tarvo-control-panel.1.gz share/man/man1/tarvo-clock.1.gz \
         share/man/man1/clock-simulator.1.gz \
         share/doc/tarvo-control-panel/copyright \
         share/icons/hicolor/64x64/apps/tarvo-control-panel.png \
         "lib/systemd/system/tarvo-clock-chrony@.service" \
         lib/sysusers.d/tarvo-clock.conf; do
    if [ ! -e "$prefix/$f" ]; then
        echo "missing from the installed tree: $f"
        status=1
    fi
done
# The service names the program where this prefix put it.
grep -qx "ExecStart=$prefix/bin/tarvo-clock .*" "$prefix/lib/systemd/system/tarvo-clock-chrony@.service" ||
    { echo "the installed service does not start $prefix/bin/tarvo-clock"; status=1; }
"$prefix/bin/tarvo-control-panel" --help >/dev/null || { echo "installed program does not start"; status=1; }
"$prefix/bin/clock-simulator" --help >/dev/null || { echo "installed simulator does not start"; status=1; }
"$prefix/bin/tarvo-clock" --help >/dev/null || { echo "installed tarvo-clock does not start"; status=1; }
exit $status
