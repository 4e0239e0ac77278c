#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The manual page writer for help laid out as a manual page, byte for byte:
# sections, the whatis line, the help's margin taken off, and the characters
# roff would read as its own (backslash, a leading dot or quote, the minus).
# Usage: help2roff_check.sh SOURCE_DIR
set -euo pipefail
awk_file="$1/cmake/help2roff.awk"
input=$'NAME\n    demo - try a clock\n\nSYNOPSIS\n    demo --port DEVICE [C:\\\\dir]\n\nEXIT STATUS\n    .dots and \'quotes\n        deeper\n    \'quoted\n'
expected='.\" Made from "demo --help" by help2roff.awk; edit the help, not this page.
.TH DEMO 1 "May 2026" "demo 2.1.0" "User Commands"
.SH NAME
demo \- try a clock
.SH SYNOPSIS
.nf
demo \-\-port DEVICE [C:\e\edir]

.fi
.SH EXIT STATUS
.nf
\&.dots and '"'"'quotes
    deeper
\&'"'"'quoted
.fi'
actual="$(printf '%s' "$input" | awk -v title=demo -v version=2.1.0 -v date="May 2026" -f "$awk_file")"
if [ "$actual" != "$expected" ]; then
    echo "FAIL: help2roff.awk wrote:"
    diff <(echo "$expected") <(echo "$actual")
    exit 1
fi
# What it writes reads without a warning.
if command -v groff >/dev/null; then
    warnings="$(printf '%s\n' "$actual" | groff -ww -man -z 2>&1)"
    [ -z "$warnings" ] || { echo "FAIL: groff warns: $warnings"; exit 1; }
fi
