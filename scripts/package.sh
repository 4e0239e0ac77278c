#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package from a build tree that has been built:
#   scripts/package.sh [BUILD_DIR [OUTPUT_DIR]]
# (default build/ and the build tree itself). Prints the package's path.
# Install it with: sudo apt install ./tarvo-control-panel_*.deb
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
out="${2:-$build}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
[ -f "$build/CPackConfig.cmake" ] || { echo "package: $build is not a configured build tree" >&2; exit 1; }
if ! ls "$build"/man/*.1.gz >/dev/null 2>&1; then
    echo "package: the build tree has no manual pages: help2man was missing when it was" \
         "configured (scripts/install-deps.sh installs it; then run scripts/build.sh)" >&2
    exit 1
fi
# CPack's own scratch space, so two packages made at once do not meet.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    exit 1
fi
for deb in "$scratch"/*.deb; do
    mv "$deb" "$out/"
    echo "$out/$(basename "$deb")"
done
