#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One panel per settings store: panels with different stores run side by
# side, a second start with the same store brings the first to the front and
# ends, and a name squatted where the socket goes does not stop a panel from
# starting.
# Usage: single_instance_check.sh BUILD_DIR
bin="$1/bin"
. "$(dirname "$0")/check_lib.sh"

export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/run" TMPDIR="$work/tmp"
mkdir -p "$XDG_RUNTIME_DIR" "$TMPDIR" && chmod 700 "$XDG_RUNTIME_DIR"
# Always run in a subshell of its own (&, or bash -c), which the program then
# replaces: $! is the program's id, and killing it ends the program.
panel() { # store-folder [more options]
    local store="$1"
    shift
    XDG_CONFIG_HOME="$work/$store" exec "$bin/tarvo-control-panel" --serial-ports "" \
        --local-addresses 127.0.208.1 --system-clock log "$@"
}
socket_for() { # store-folder
    local hash
    hash=$(printf '%s' "$work/$1/Tarvo Control Panel.conf" | sha256sum | cut -c1-16)
    echo "$XDG_RUNTIME_DIR/tarvo-control-panel-$hash.sock"
}
alive() { kill -0 "$1" 2>/dev/null; }

panel a >"$work/a.log" 2>&1 &
a=$!
pids+=("$a")
panel b >"$work/b.log" 2>&1 &
b=$!
pids+=("$b")
for _ in $(seq 50); do [ -S "$(socket_for a)" ] && [ -S "$(socket_for b)" ] && break; sleep 0.1; done
[ -S "$(socket_for a)" ] || fail "panel a has no socket at $(socket_for a)"
sleep 1
alive "$a" || fail "panel a ended: $(cat "$work/a.log")"
alive "$b" || fail "panel b (another store) ended: $(cat "$work/b.log")"

# The same store again: the running panel is asked to show itself.
timeout 10 bash -c "$(declare -f panel); work='$work' bin='$bin' panel a" >"$work/a2.log" 2>&1
[ $? -eq 0 ] || fail "a second panel of store a did not end with 0: $(cat "$work/a2.log")"
grep -q "already running" "$work/a2.log" || fail "a second panel of store a: $(cat "$work/a2.log")"
alive "$a" || fail "panel a ended when asked to come to the front"

# A file squatting the socket's name (a panel that was killed, or anything
# else): the new panel takes the name over.
mkdir -p "$work/d"
echo squatter >"$(socket_for d)"
panel d >"$work/d.log" 2>&1 &
d=$!
pids+=("$d")
for _ in $(seq 50); do [ -S "$(socket_for d)" ] && break; sleep 0.1; done
sleep 0.5
alive "$d" || fail "a squatted socket name stopped the panel: $(cat "$work/d.log")"
[ -S "$(socket_for d)" ] || fail "panel d does not listen at $(socket_for d)"

# Without a runtime folder, a private one is made; one open to others is
# not used, and the panel still starts.
unset XDG_RUNTIME_DIR
mkdir -p "$TMPDIR/tarvo-control-panel-$(id -u)"
chmod 777 "$TMPDIR/tarvo-control-panel-$(id -u)"
panel e >"$work/e.log" 2>&1 &
e=$!
pids+=("$e")
sleep 1.5
alive "$e" || fail "a folder open to others stopped the panel: $(cat "$work/e.log")"
[ -z "$(ls -A "$TMPDIR/tarvo-control-panel-$(id -u)")" ] ||
    fail "the socket went into a folder open to others"
echo "one panel per store, and the socket's name cannot be taken from it"
