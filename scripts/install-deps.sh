#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building, running and testing need on Debian 12.
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev qt6-charts-dev libgl-dev
    # The exporter's --web-config: YAML, bcrypt through the system's crypt,
    # and openssl to make the test's certificate.
    libyaml-dev libcrypt-dev openssl
    qt6-qpa-plugins libxkbcommon-x11-0
    tzdata xvfb xauth
    # The accessibility check reads the window through AT-SPI on a bus of its
    # own; the stability check loads the processor while the tests run.
    dbus-daemon at-spi2-core python3 python3-pyatspi stress-ng
    clang libclang-rt-14-dev
    # systemd-analyze and systemd-sysusers check the service unit and its user
    # (the package starts nothing in a container without systemd running).
    systemd
    # The libraries of chronyd and chronyc, which the chrony test unpacks from
    # Debian's package without installing it (installing would start a service
    # that sets the computer clock).
    libcap2 libedit2 libgnutls30 libnettle8 libseccomp2
    # The Debian package: manual pages from --help, the package tools and the
    # checks of the package, its manual pages, desktop entry and AppStream file.
    help2man dpkg-dev fakeroot lintian appstream desktop-file-utils man-db groff-base
    # The README's monitoring example reads the exporter with curl, and the
    # README's check runs that example.
    curl
)
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    "${as_root[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y "${missing[@]}"
fi
