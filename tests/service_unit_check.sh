#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The chrony feed service as systemd reads it: the unit verifies for a plain
# device name and for an escaped /dev/serial/by-id name, its exposure score
# stays below 2.5 with a device list of that one port, its user is made by
# systemd-sysusers in the group dialout, and the feed works as the sandbox
# leaves it: no network at all, no new privileges, only the port and chronyd's
# socket. Skipped (77) where systemd's tools are not installed.
# Usage: service_unit_check.sh SOURCE_DIR BUILD_DIR
source_dir="$1"
bin="$2/bin"
. "$(dirname "$0")/check_lib.sh"

command -v systemd-analyze >/dev/null || skip "systemd-analyze is not installed"

# The unit as installed, with ExecStart pointing at this build.
sed -e "s|@CMAKE_INSTALL_FULL_BINDIR@|$bin|" -e "s|@CMAKE_INSTALL_PREFIX@|/usr|" \
    "$source_dir/resources/systemd/tarvo-clock-chrony@.service.in" >"$work/template"
grep -n "@[A-Z_]*@" "$work/template" && fail "unfilled placeholder"

check_instance() {
    local instance="$1" device="$2"
    local unit="$work/tarvo-clock-chrony@$instance.service"
    cp "$work/template" "$unit"
    systemd-analyze verify "$unit" >"$work/verify" 2>&1 || fail "verify $instance: $(cat "$work/verify")"
    # Warnings are printed without failing the verify.
    [ -s "$work/verify" ] && fail "verify $instance says: $(cat "$work/verify")"
    systemd-analyze security --offline=yes --no-pager "$unit" >"$work/security" 2>&1 ||
        fail "security $instance: $(cat "$work/security")"
    score="$(sed -n 's/.*Overall exposure level for .*: \([0-9.]*\) .*/\1/p' "$work/security")"
    [ -n "$score" ] || fail "no exposure score: $(tail -3 "$work/security")"
    echo "exposure of $instance: $score"
    awk -v s="$score" 'BEGIN { exit !(s < 2.5) }' || fail "exposure $score is not below 2.5"
    grep -q "^✓ User=/DynamicUser=" "$work/security" || fail "the service runs as root"
    grep -q "^✓ CapabilityBoundingSet=~CAP_SYS_TIME" "$work/security" ||
        fail "the service may set the clock itself"
    grep "DeviceAllow=" "$work/security" | grep -q " $device:rw" ||
        fail "the device list is not $device: $(grep DeviceAllow= "$work/security")"
}
check_instance ttyUSB0 /dev/ttyUSB0
check_instance 'serial-by\x2did-usb\x2dFTDI_FT232R_A1B2\x2dif00' \
    /dev/serial/by-id/usb-FTDI_FT232R_A1B2-if00

# The service's user, made in a scratch root as at installation.
if command -v systemd-sysusers >/dev/null; then
    mkdir -p "$work/root/etc"
    echo 'root:x:0:0:root:/root:/bin/sh' >"$work/root/etc/passwd"
    printf 'root:x:0:\ndialout:x:20:\n' >"$work/root/etc/group"
    systemd-sysusers --root="$work/root" "$source_dir/resources/systemd/tarvo-clock.sysusers" \
        >/dev/null 2>&1 || fail "systemd-sysusers refused the user's file"
    grep -q '^tarvo-clock:x:[0-9]*:[0-9]*:.*:/usr/sbin/nologin$' "$work/root/etc/passwd" ||
        fail "no system user: $(cat "$work/root/etc/passwd")"
    grep -q '^dialout:x:20:tarvo-clock$' "$work/root/etc/group" ||
        fail "the user is not in dialout: $(cat "$work/root/etc/group")"
fi

# The feed where the unit puts it: a network namespace of its own and no new
# privileges. Needs a namespace this machine lets us make.
if unshare -n true 2>/dev/null && command -v setpriv >/dev/null && command -v python3 >/dev/null; then
    start_serial_clock "$work/sim.log" --model 226
    python3 - "$work/feed.sock" >"$work/samples" <<'PY' &
import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
s.bind(sys.argv[1])
s.settimeout(30)
for _ in range(2):
    print(len(s.recv(256)), flush=True)
PY
    pids+=($!)
    for _ in $(seq 50); do [ -S "$work/feed.sock" ] && break; sleep 0.1; done
    unshare -n setpriv --no-new-privs "$bin/tarvo-clock" --port "$pty" feed-chrony \
        "$work/feed.sock" --count 2 >"$work/feed.log" 2>&1 ||
        fail "the feed without a network: $(cat "$work/feed.log")"
    [ "$(grep -c '^40$' "$work/samples")" = 2 ] || fail "samples: $(cat "$work/samples")"
    echo "the feed ran without a network and sent 2 samples"
else
    echo "no network namespace here: the sandboxed feed is not run"
fi
exit 0
