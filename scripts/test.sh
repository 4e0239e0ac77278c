#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds and runs every test:
#   1. the plain build (build/) and its test suite;
#   2. the same suite built with GCC, the programs' own compiler, under
#      AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/);
#   3. the fuzz targets alone, built with clang (build-fuzz/), and a short
#      pass of each.
# The suites mostly wait for simulated clocks, so each one runs while the next
# tree compiles; a suite must hold under that load anyway.
# TARVO_QUICK=1 (or --quick) builds build/ incrementally and runs only its suite.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
quick="${TARVO_QUICK:-0}"
[ "${1:-}" = "--quick" ] && quick=1
t0=$(date +%s)
step() { echo "== $1 ($(($(date +%s) - t0)) s)"; }
jobs=$(($(nproc) * 3))
export QT_QPA_PLATFORM=offscreen

run_suite() { # build-dir log [ctest args]
    local dir="$1" log="$2"
    shift 2
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 600 "$@" >"$log" 2>&1
}
# One line per test, the failures in full, and the suite's own summary.
show_suite() { # log
    grep -vE '^(Test project|      Start |Errors while running CTest|Output from these tests are in|Use "--rerun-failed)' "$1" |
        sed '/^$/N;/^\n$/D'
}
passed=0
failed=0
count() { # log
    local p f
    p=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* (Passed|\*\*\*Skipped|Not Run)' "$1" || true)
    f=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(\*\*\*Failed|\*\*\*Exception|\*\*\*Timeout|Subprocess aborted)' "$1" || true)
    passed=$((passed + p))
    failed=$((failed + f))
}

"$here/scripts/install-deps.sh"
step "build"
"$here/scripts/build.sh"
plain="${BUILD_DIR:-$here/build}"
if [ "$quick" = 1 ]; then
    step "tests"
    rc=0
    run_suite "$plain" "$plain/test.log" || rc=$?
    show_suite "$plain/test.log"
    exit $rc
fi

step "tests, while the sanitizer tree builds"
run_suite "$plain" "$plain/test.log" &
plain_pid=$!
asan="${ASAN_BUILD_DIR:-$here/build-asan}"
build_rc=0
"$here/scripts/build.sh" --sanitize || build_rc=$?
wait "$plain_pid" || true
show_suite "$plain/test.log"
count "$plain/test.log"
if [ "$build_rc" != 0 ]; then
    echo "$passed passed, $((failed + 1)) failed (the sanitizer build)"
    exit 1
fi

step "tests under the sanitizers, while the fuzz targets build and run"
# Leak checking is off: Qt keeps allocations for the life of the process
# (plugins, fonts, the platform integration) that LeakSanitizer reports at exit.
# The shell-script tests run in the plain tree only.
ASAN_OPTIONS="detect_leaks=0:strict_string_checks=1:detect_stack_use_after_return=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    run_suite "$asan" "$asan/test.log" -E '^(install|cli)\.' &
asan_pid=$!
fuzz_rc=0
fuzz="${FUZZ_BUILD_DIR:-$here/build-fuzz}"
FUZZ_BUILD_DIR="$fuzz" "$here/scripts/build.sh" --fuzz &&
    FUZZ_BUILD_DIR="$fuzz" "$here/fuzz/run.sh" "${TARVO_FUZZ_RUNS:-20000}" || fuzz_rc=$?
wait "$asan_pid" || true
show_suite "$asan/test.log"
count "$asan/test.log"
[ "$fuzz_rc" = 0 ] || failed=$((failed + 1))
step "done"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
