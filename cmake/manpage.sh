#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a program's manual page from its own --help and --version, so the
# page and the program cannot tell different stories. A help laid out as a
# manual page already (NAME, SYNOPSIS, ... at the margin) is set by
# help2roff.awk as it stands; Qt's "Usage:/Options:" help goes through help2man.
# Usage: manpage.sh HELP2MAN PROGRAM WHATIS OUTPUT.1.gz
set -eu
help2man="$1" program="$2" whatis="$3" out="$4"
here="$(dirname "$0")"
name="$(basename "$program")"
if "$program" --help | head -n 1 | grep -qx NAME; then
    version="$("$program" --version)"
    date="$(LC_ALL=C date -u -d "@${SOURCE_DATE_EPOCH:-$(date +%s)}" '+%B %Y')"
    "$program" --help | awk -v title="$name" -v version="${version##* }" -v date="$date" \
        -f "$here/help2roff.awk" >"$out.tmp"
else
    # What the help leaves out (files, exit status, ...) comes from NAME.h2m
    # beside this script, where a program has one.
    include=""
    if [ -f "$here/$name.h2m" ]; then
        include="--include=$here/$name.h2m"
    fi
    "$help2man" --no-info --section=1 --name="$whatis" ${include:+"$include"} \
        --output="$out.tmp" "$program"
fi
# -n: no name or time stamp in the archive, so a rebuild is byte for byte the same.
gzip -9n -c "$out.tmp" >"$out.tmp.gz"
rm -f "$out.tmp"
mv "$out.tmp.gz" "$out"
