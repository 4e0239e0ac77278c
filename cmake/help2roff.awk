# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a manual page from a --help text that is already laid out as one
# (tarvo-clock's): a line of capitals at the margin starts a section, the
# NAME line becomes the page's whatis entry, and every other section is set
# as the help shows it, line for line, less the help's own four-space margin.
# Usage: awk -v title=NAME -v version=VERSION -v date="MONTH YEAR" -f help2roff.awk HELP
function esc(s) {
    gsub(/\\/, "\\e", s)
    gsub(/-/, "\\-", s)
    if (s ~ /^[.']/)
        s = "\\&" s
    return s
}
BEGIN {
    print ".\\\" Made from \"" title " --help\" by help2roff.awk; edit the help, not this page."
    printf ".TH %s 1 \"%s\" \"%s %s\" \"User Commands\"\n", toupper(title), date, title, version
}
/^[A-Z][A-Z ]*$/ {
    if (verbatim)
        print ".fi"
    section = $0
    print ".SH " section
    verbatim = section != "NAME"
    if (verbatim)
        print ".nf"
    next
}
{
    line = $0
    sub(/^    /, "", line)
    if (section == "NAME") {
        if (line != "")
            print esc(line)
        next
    }
    print esc(line)
}
END {
    if (verbatim)
        print ".fi"
}
