#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs after every other test of the suite and fails when a program of this
# build tree is still running: a test that left it behind is to be mended.
# Only processes started from this tree's own bin/ folder count, so the
# suites of other work trees running at the same time are none of its
# business; and it kills nothing, it names what it finds.
# Usage: leftover_check.sh BUILD_DIR
set -uo pipefail
bin="$(cd "$1/bin" && pwd -P)/"
# The folder as a pattern of find's -lname, its own wildcards made plain.
pattern="$(printf '%s' "$bin" | sed 's/[][*?\\]/\\&/g')*"
left() {
    local exe pid
    find /proc/[0-9]*/exe -maxdepth 0 -lname "$pattern" 2>/dev/null | while read -r exe; do
        pid="${exe#/proc/}"
        pid="${pid%/exe}"
        echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
    done
}
# A program asked to stop in a test's last lines may take a moment to end.
for _ in $(seq 50); do
    [ -z "$(left)" ] && { echo "no program of $bin is running"; exit 0; }
    sleep 0.1
done
echo "FAIL: programs of $bin still run after the tests:"
left
exit 1
