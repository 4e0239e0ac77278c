#!/usr/bin/env bash
# Installs what is needed, builds and runs every test; then the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/), and a
# short pass of every fuzz target (build-fuzz/). TARVO_QUICK=1 stops after
# the plain tests.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
t0=$(date +%s)
step() { echo "== $1 ($(($(date +%s) - t0)) s since start)"; }

"$here/scripts/install-deps.sh"
step "build"
"$here/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
step "tests"
ctest --test-dir "${BUILD_DIR:-$here/build}" --output-on-failure -j2 --timeout 600
if [ "${TARVO_QUICK:-0}" = 1 ]; then
    step "done"
    exit 0
fi

step "sanitizer build"
asan="${ASAN_BUILD_DIR:-$here/build-asan}"
cmake -S "$here" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_SANITIZE=ON >/dev/null
cmake --build "$asan" -j"$(nproc)"
step "tests under the sanitizers"
# Leak checking is off: Qt keeps allocations for the life of the process
# (plugins, fonts, the platform integration) that LeakSanitizer reports at exit.
ASAN_OPTIONS="detect_leaks=0:strict_string_checks=1:detect_stack_use_after_return=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --test-dir "$asan" --output-on-failure -j2 --timeout 900

step "fuzz pass"
"$here/fuzz/run.sh" "${TARVO_FUZZ_RUNS:-20000}"
step "done"
