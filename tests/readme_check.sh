#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The README's examples that need neither hardware nor root, run as written
# against the simulated clocks, so that a command that drifts from the
# programs fails here. Each ```sh block under a line
# "<!-- run by the test suite (tests/readme_check.sh) -->" runs in a shell of
# its own (-e, pipefail) in a scratch folder holding the tree's docs/, with
# the build's programs first on PATH. Only the exporter's port 9817 is
# replaced by a free one, so a port in use on this computer fails nothing.
# Usage: readme_check.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
src="$1"
bin="$(cd "$2/bin" && pwd)"
work="$(mktemp -d)"
runner=""
cleanup() {
    # A block that hangs is ended with what it started, each by its id.
    if [ -n "$runner" ] && kill -0 "$runner" 2>/dev/null; then
        for pid in $(pgrep -P "$runner"); do kill "$pid" 2>/dev/null; done
        kill "$runner" 2>/dev/null
        wait "$runner" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
command -v curl >/dev/null || { echo "curl is not installed (scripts/install-deps.sh installs it)"; exit 77; }

port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
# The marker, then the fence on the next line; a block in a list item is
# indented, and loses that indent here.
awk -v dir="$work" '
    marked { marked = 0
             if (!match($0, /^ *```sh$/)) { print "marker without a sh block at line " NR; exit 1 }
             indent = RLENGTH - 5; inside = 1; n++; next }
    inside && $0 ~ /^ *```$/ { inside = 0; next }
    inside { print substr($0, indent + 1) > (dir "/block" n ".sh"); next }
    /^ *<!-- run by the test suite \(tests\/readme_check\.sh\) -->$/ { marked = 1 }
' "$src/README.md" || fail "README.md: a marker not followed by a sh block"
blocks=("$work"/block*.sh)
[ "${#blocks[@]}" -ge 3 ] && [ -f "${blocks[0]}" ] || fail "fewer than 3 runnable blocks in README.md"
sed -i "s/127\.0\.0\.1:9817/127.0.0.1:$port/g" "${blocks[@]}"

ln -s "$src/docs" "$work/docs"
for block in "${blocks[@]}"; do
    name="$(basename "$block")"
    # A failing command leaves no background program of the block behind.
    (cd "$work" && PATH="$bin:$PATH" exec bash -c \
        "set -eo pipefail; trap 'kill \$(jobs -p) 2>/dev/null || true; wait || true' EXIT; . ./$name" \
        >"$work/$name.out" 2>&1) &
    runner=$!
    for _ in $(seq 300); do kill -0 "$runner" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$runner" 2>/dev/null && fail "$name did not end: $(cat "$block") $(cat "$work/$name.out")"
    wait "$runner" || fail "$name ended with $?:
$(cat "$block")
--- its output:
$(cat "$work/$name.out")"
    runner=""
done

# What the blocks printed says the commands did what the README says.
grep -q "^network 127.0.101.1 226$" "$work/block2.sh.out" && grep -q "^serial .* 226$" "$work/block2.sh.out" ||
    fail "discover did not find the clock on both links: $(cat "$work/block2.sh.out")"
[ "$(grep -c '^tarvo_clock_up{.*} 1$' "$work/block3.sh.out")" -eq 3 ] ||
    fail "the exporter's clocks are not all up: $(cat "$work/block3.sh.out")"
echo "${#blocks[@]} README blocks ran against the simulated clocks"
