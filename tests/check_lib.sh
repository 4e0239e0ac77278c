# SPDX-License-Identifier: GPL-3.0-or-later
# The start every shell check shares, sourced: a scratch folder, every program
# put into `pids` ended (and a stopped one continued) at exit, and the ways to
# wait, skip (77) and fail.
set -uo pipefail
work="$(mktemp -d)"
pids=()
cleanup() {
    # The last started ends first, and is waited for: a program ends before
    # the X server or the bus it talks to, or it dies without its own
    # clean-up (a serial port's lock file left behind).
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -CONT "${pids[i]}" 2>/dev/null
        kill "${pids[i]}" 2>/dev/null && wait "${pids[i]}" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

wait_for() { # SECONDS COMMAND...: true once COMMAND succeeds
    local tries=$(($1 * 10))
    shift
    for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
    return 1
}
wait_line() { # FILE PATTERN: the rest of the first line starting with PATTERN
    for _ in $(seq 100); do
        line="$(sed -n "s/^$2//p" "$1" | head -n 1)"
        [ -n "$line" ] && { echo "$line"; return 0; }
        sleep 0.1
    done
    return 1
}
free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
# A simulated clock with a serial line, ended at exit: its pseudo-terminal in
# `pty`, its process in `sim_pid`.
start_serial_clock() { # LOG [clock-simulator options]
    local log="$1"
    shift
    "$bin/clock-simulator" --serial "$@" >"$log" 2>&1 &
    sim_pid=$!
    pids+=("$sim_pid")
    pty="$(wait_line "$log" 'serial: ')" || fail "the simulator did not start: $(cat "$log")"
}
