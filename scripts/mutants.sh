#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Which tests catch which faults. Applies the small faults of a list
# (scripts/mutants.txt) to the sources one at a time, rebuilds the test
# programs incrementally, runs the unit and end-to-end suites, and prints per
# fault the tests that failed, then the faults no test caught. The sources
# are put back after every fault, also on Ctrl-C; a fault whose text is not
# found is reported and skipped.
#
#   scripts/mutants.sh [--build DIR] [--source DIR] [--only REGEX] [--skip REGEX]
#                      [--tests REGEX] [--out FILE] [LIST]
#
# --build    the configured build tree to rebuild (default build/)
# --source   the source tree it was configured from (default this one)
# --only     only the faults whose name matches REGEX
# --skip     leave out the tests whose name matches REGEX (say, one that
#            fails already, or one being rewritten)
# --tests    run only the tests whose name matches REGEX (to confirm a catch)
# --out      also write the table, tab-separated, to FILE
# TARVO_MUTANT_FUNCTION_MS bounds each test function (default 60000): a fault
# that makes a test wait forever counts as caught once that time is up.
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
source_dir="$here"
build=""
only=""
skip=""
tests=""
out=""
list=""
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build="$2"; shift 2 ;;
    --source) source_dir="$(cd "$2" && pwd)"; shift 2 ;;
    --only) only="$2"; shift 2 ;;
    --skip) skip="$2"; shift 2 ;;
    --tests) tests="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    -h | --help) sed -n '3,22p' "$0"; exit 0 ;;
    *) list="$1"; shift ;;
    esac
done
build="${build:-$source_dir/build}"
list="${list:-$here/scripts/mutants.txt}"
[ -f "$build/CMakeCache.txt" ] || { echo "mutants: $build is not a configured build tree" >&2; exit 2; }
export QT_QPA_PLATFORM=offscreen
export QTEST_FUNCTION_TIMEOUT="${TARVO_MUTANT_FUNCTION_MS:-60000}"
targets=(--target unit_tests --target e2e_tests --target clock-simulator --target tarvo-clock)
# The tests mostly wait for simulated clocks: many run side by side.
suite=(-R "${tests:-^(unit|e2e|programs\.none_left_running)}" -j"${TARVO_MUTANT_JOBS:-8}" --timeout 300)
[ -z "$skip" ] || suite+=(-E "$skip")

work="$(mktemp -d)"
applied=""
restore() {
    if [ -n "$applied" ] && [ -f "$work/original" ]; then
        cp "$work/original" "$source_dir/$applied"
        applied=""
    fi
}
child=""
trap 'restore; rm -rf "$work"' EXIT
descendants() { # PID: every process it started, and theirs
    local kid
    for kid in $(ps -o pid= --ppid "$1" 2>/dev/null); do
        echo "$kid"
        descendants "$kid"
    done
}
stop_tree() { # PID: the process and everything it started, listed before any ends
    local all
    all="$1 $(descendants "$1")"
    kill $all 2>/dev/null
}
interrupted() {
    [ -z "$child" ] || stop_tree "$child"
    wait 2>/dev/null
    echo
    echo "mutants: interrupted; the sources are restored" >&2
    exit 130
}
trap interrupted INT TERM
# Each long step runs in the background and is waited for, so that an
# interruption is handled at once rather than after the step.
run() {
    "$@" </dev/null &
    child=$!
    wait "$child"
    local rc=$?
    child=""
    return $rc
}

# name, file, text and replacement of every fault, one record a line with the
# newlines of the texts written as \n.
python3 - "$list" "$only" >"$work/faults" <<'PY' || exit 2
import re, sys
only = re.compile(sys.argv[2]) if sys.argv[2] else None
for block in re.split(r"\n\s*\n", open(sys.argv[1]).read()):
    lines = [l for l in block.split("\n") if l and not l.startswith("#")]
    if not lines:
        continue
    name = next(l[2:] for l in lines if l.startswith("@ "))
    path = next(l[6:] for l in lines if l.startswith("file: "))
    old = "\n".join(l[2:] for l in lines if l.startswith("- "))
    new = "\n".join(l[2:] for l in lines if l.startswith("+ "))
    if only and not only.search(name):
        continue
    esc = lambda s: s.replace("\\", "\\\\").replace("\n", "\\n").replace("\t", "\\t")
    print("\t".join([name, path, esc(old), esc(new)]))
PY

apply() { # file old new: replaces the one occurrence, or fails
    python3 - "$source_dir/$1" "$2" "$3" <<'PY'
import sys
path, old, new = sys.argv[1:]
unesc = lambda s: s.encode().decode("unicode_escape")
old, new = unesc(old), unesc(new)
text = open(path).read()
if text.count(old) != 1:
    sys.exit(f"found {text.count(old)} times")
open(path, "w").write(text.replace(old, new))
PY
}

rebuild() {
    run cmake --build "$build" -j"$(nproc)" "${targets[@]}" >"$work/build.log" 2>&1
}
failed_tests() { # ctest log: the names of the tests that did not pass
    grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: ' "$1" | grep -vE ' Passed |\*\*\*Skipped|Not Run' |
        sed -E 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+).*/\1/' | sort | tr '\n' ' '
}

t0=$(date +%s)
echo "== the unmutated tree"
if ! rebuild; then
    tail -n 30 "$work/build.log"
    echo "mutants: the unmutated tree does not build" >&2
    exit 1
fi
run ctest --test-dir "$build" "${suite[@]}" >"$work/base.log" 2>&1
base_failed="$(failed_tests "$work/base.log")"
tests_run=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#' "$work/base.log")
echo "$tests_run tests; failing before any fault: ${base_failed:-none}"

caught=0
missed=0
total=0
: >"$work/table"
while IFS=$'\t' read -r name path old new; do
    total=$((total + 1))
    cp "$source_dir/$path" "$work/original"
    applied="$path"
    if ! why=$(apply "$path" "$old" "$new" 2>&1); then
        restore
        printf '%s\tnot applied (%s)\t\n' "$name" "$why" >>"$work/table"
        echo "-- $name: not applied ($why)"
        continue
    fi
    if ! rebuild; then
        restore
        printf '%s\tdoes not build\t\n' "$name" >>"$work/table"
        echo "-- $name: does not build"
        continue
    fi
    run ctest --test-dir "$build" "${suite[@]}" >"$work/run.log" 2>&1
    restore
    by=""
    for t in $(failed_tests "$work/run.log"); do
        case " $base_failed " in *" $t "*) ;; *) by="$by $t" ;; esac
    done
    by="${by# }"
    if [ -n "$by" ]; then
        caught=$((caught + 1))
        printf '%s\tcaught\t%s\n' "$name" "$by" >>"$work/table"
    else
        missed=$((missed + 1))
        printf '%s\tNOT CAUGHT\t\n' "$name" >>"$work/table"
    fi
    echo "-- $name: ${by:-NOT CAUGHT} ($(($(date +%s) - t0)) s)"
done <"$work/faults"

# Leave the tree built from the restored sources.
rebuild || echo "mutants: the restored tree did not rebuild; see $build" >&2

echo
echo "| fault | caught by |"
echo "|---|---|"
awk -F'\t' '{ printf "| %s | %s |\n", $1, ($2 == "caught" ? $3 : "**" $2 "**") }' "$work/table"
echo
echo "Caught $caught of $total faults ($missed not caught); $(($(date +%s) - t0)) s."
if [ "$missed" -gt 0 ]; then
    echo "Not caught by any test:"
    awk -F'\t' '$2 == "NOT CAUGHT" { print "  " $1 }' "$work/table"
fi
[ -z "$out" ] || cp "$work/table" "$out"
