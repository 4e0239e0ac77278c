#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package from this build tree, unpacks it with dpkg -x (it
# is never installed) and checks that it holds what the programs need, that
# the unpacked programs start, and that lintian, the AppStream and desktop
# entry validators and groff find nothing wrong. Each check whose tool is not
# installed is skipped with its reason; without dpkg-deb or cpack the whole
# test is skipped (77).
# Usage: package_check.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir="$1"
build="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
skip() { echo "SKIP: $*"; exit 77; }
status=0
fail() { echo "FAIL: $*"; status=1; }
note_skip() { echo "skipped: $*"; }

command -v dpkg-deb >/dev/null || skip "dpkg-deb is not installed"
command -v cpack >/dev/null || skip "cpack is not installed"
command -v dpkg-shlibdeps >/dev/null || skip "dpkg-shlibdeps is not installed (dpkg-dev)"

version="$(sed -n 's/^#define TARVO_VERSION "\(.*\)"$/\1/p' "$build/generated/build_config.h")"
[ -n "$version" ] || { echo "FAIL: no version in the build tree"; exit 1; }
deb="$("$source_dir/scripts/package.sh" "$build" "$work/out")" || { echo "FAIL: no package was made"; exit 1; }
arch="$(dpkg --print-architecture)"
[ "$(basename "$deb")" = "tarvo-control-panel_${version}_${arch}.deb" ] ||
    fail "the package is named $(basename "$deb")"

# The control data: the version of the build, and dependencies found by
# dpkg-shlibdeps (Qt's libraries with their versions).
dpkg-deb -f "$deb" Version | grep -qx "$version" || fail "the package's version is not $version"
depends="$(dpkg-deb -f "$deb" Depends)"
for lib in libqt6core6 libqt6widgets6 libqt6serialport6 libqt6charts6 libc6; do
    grep -q "$lib (>= " <<<"$depends" || fail "Depends lacks $lib: $depends"
done

# The maintainer scripts, run as dpkg runs them with stand-ins for systemd's
# tools that write down each call, on a system where systemd runs: the user
# is made and systemd reads the unit again after installation and removal;
# an upgrade restarts the running feeds, a removal stops them first, and a
# purge takes away the links that enabled them and nothing else. Nothing is
# enabled or started, and no user's files are touched.
dpkg-deb -e "$deb" "$work/control"
fake="$work/fake"
mkdir -p "$fake/bin" "$fake/systemd-runs"
for tool in systemctl deb-systemd-invoke deb-systemd-helper systemd-sysusers; do
    printf '#!/bin/sh\necho "%s $*" >>"%s/calls"\n' "$tool" "$fake" >"$fake/bin/$tool"
    chmod +x "$fake/bin/$tool"
done
calls_of() { # script arguments...
    local script="$1"
    shift
    [ -x "$work/control/$script" ] || { echo "no $script"; return; }
    sed "s|/run/systemd/system|$fake/systemd-runs|g" "$work/control/$script" >"$fake/$script"
    : >"$fake/calls"
    PATH="$fake/bin:$PATH" DPKG_MAINTSCRIPT_PACKAGE=tarvo-control-panel sh -e "$fake/$script" "$@" ||
        echo "$script $* failed"
    cat "$fake/calls"
}
expect() { # calls script arguments...
    local want="$1" got
    shift
    got="$(calls_of "$@")"
    [ "$got" = "$want" ] || fail "$*: $(tr '\n' ';' <<<"${got:-no call}") not: $(tr '\n' ';' <<<"${want:-no call}")"
}
reload="systemctl --system daemon-reload"
feeds="tarvo-clock-chrony@*.service"
expect "systemd-sysusers tarvo-clock.conf"$'\n'"$reload" postinst configure
expect "systemd-sysusers tarvo-clock.conf"$'\n'"$reload"$'\n'"deb-systemd-invoke try-restart $feeds" \
    postinst configure 0.9.0
expect "deb-systemd-invoke stop $feeds" prerm remove
expect "" prerm upgrade "$version"
expect "$reload" postrm remove
wants="$fake/root/etc/systemd/system/multi-user.target.wants"
mkdir -p "$wants"
ln -s /lib/systemd/system/tarvo-clock-chrony@.service "$wants/tarvo-clock-chrony@ttyUSB0.service"
ln -s /lib/systemd/system/chrony.service "$wants/chrony.service"
DPKG_ROOT="$fake/root" expect "deb-systemd-helper purge tarvo-clock-chrony@ttyUSB0.service" postrm purge
[ -e "$wants/tarvo-clock-chrony@ttyUSB0.service" ] && fail "purge left the link enabling a feed"
[ -L "$wants/chrony.service" ] || fail "purge took another unit's link"
grep -v '^ *#' "$work/control/postinst" "$work/control/prerm" "$work/control/postrm" |
    grep -E '/home|\.config' && fail "a maintainer script touches users' files"
[ -e "$work/control/preinst" ] && fail "unexpected maintainer script preinst"

root="$work/root"
dpkg -x "$deb" "$root"
for f in usr/bin/tarvo-control-panel usr/bin/tarvo-clock usr/bin/clock-simulator \
         "usr/share/tarvo-control-panel/help/Velmora.html" \
         "usr/share/tarvo-control-panel/help/Velmora 229.html" \
         "usr/share/tarvo-control-panel/help/Velmora 207.html" \
         "usr/share/tarvo-control-panel/help/Velmora 222.html" \
         usr/share/tarvo-control-panel/help/help.css \
         usr/share/applications/org.tarvo.ControlPanel.desktop \
         usr/share/icons/hicolor/64x64/apps/tarvo-control-panel.png \
         usr/share/metainfo/org.tarvo.ControlPanel.metainfo.xml \
         usr/share/man/man1/tarvo-control-panel.1.gz usr/share/man/man1/tarvo-clock.1.gz \
         usr/share/man/man1/clock-simulator.1.gz \
         "lib/systemd/system/tarvo-clock-chrony@.service" usr/lib/sysusers.d/tarvo-clock.conf \
         usr/share/doc/tarvo-control-panel/copyright usr/share/doc/tarvo-control-panel/changelog.gz; do
    [ -e "$root/$f" ] || fail "missing from the package: $f"
done
# The unit starts the packaged program, and nothing in the package enables it.
grep -qx 'ExecStart=/usr/bin/tarvo-clock .*' "$root/lib/systemd/system/tarvo-clock-chrony@.service" ||
    fail "the service does not start /usr/bin/tarvo-clock"
find "$root" -path '*/systemd/system/*.wants*' | grep -q . && fail "the package enables a unit"
# The version is the one of the build everywhere it is shown.
for program in tarvo-clock tarvo-control-panel clock-simulator; do
    out="$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/$program" --version 2>&1)"
    [ "$out" = "$program $version" ] || fail "$program --version says: $out"
done
QT_QPA_PLATFORM=offscreen "$root/usr/bin/tarvo-control-panel" --help >"$work/help" 2>&1 ||
    fail "the unpacked tarvo-control-panel --help failed: $(cat "$work/help")"
grep -q -- '--serial-ports' "$work/help" || fail "the unpacked program's help lacks its options"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.tarvo.ControlPanel.metainfo.xml" ||
    fail "the AppStream release is not $version"
zcat "$root/usr/share/doc/tarvo-control-panel/changelog.gz" | head -1 |
    grep -q "^tarvo-control-panel ($version) " || fail "the changelog's newest entry is not $version"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$root/usr/share/doc/tarvo-control-panel/copyright" || fail "the copyright file is not machine-readable"

# Each manual page tells what --help tells, and renders without a warning.
for program in tarvo-control-panel tarvo-clock clock-simulator; do
    page="$root/usr/share/man/man1/$program.1.gz"
    [ -e "$page" ] || continue
    zcat "$page" | grep -q "^\.TH \"\?${program^^}\"\? \"\?1\"\?" || fail "$program.1 has no title line"
    zcat "$page" | grep -q "$version" || fail "$program.1 does not name version $version"
    if command -v groff >/dev/null; then
        warnings="$(zcat "$page" | groff -ww -man -z 2>&1)"
        [ -z "$warnings" ] || fail "groff warns about $program.1: $warnings"
    else
        note_skip "groff of $program.1: groff is not installed"
    fi
    if command -v man >/dev/null; then
        warnings="$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)"
        [ -z "$warnings" ] || fail "man warns about $program.1: $warnings"
    else
        note_skip "man -l of $program.1: man-db is not installed"
    fi
done

if command -v desktop-file-validate >/dev/null; then
    out="$(desktop-file-validate "$root/usr/share/applications/org.tarvo.ControlPanel.desktop" 2>&1)" ||
        fail "desktop-file-validate: $out"
    [ -z "$out" ] || fail "desktop-file-validate says: $out"
else
    note_skip "desktop entry: desktop-file-validate is not installed (desktop-file-utils)"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net \
        "$root/usr/share/metainfo/org.tarvo.ControlPanel.metainfo.xml" >"$work/appstream" 2>&1 ||
        fail "appstreamcli validate: $(cat "$work/appstream")"
else
    note_skip "AppStream metadata: appstreamcli is not installed (appstream)"
fi
if command -v lintian >/dev/null; then
    # Errors fail; the warnings are printed for the reader.
    lintian --no-cfg --display-level '>=warning' "$deb" >"$work/lintian" 2>&1
    grep -q '^E: ' "$work/lintian" && fail "lintian: $(grep '^E: ' "$work/lintian")"
    grep '^W: ' "$work/lintian"
else
    note_skip "lintian is not installed"
fi
exit $status
