#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs each one for a fixed
# number of inputs, starting from the seed corpus in fuzz/corpus/. Any crash,
# sanitizer report, leak or timeout fails the run; the input that caused it is
# kept in build-fuzz/findings/.
# Usage: fuzz/run.sh [runs-per-target]   (default 100000)
#        FUZZ_TARGETS="serial_receive time_report" fuzz/run.sh 5000
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-100000}"
build="${FUZZ_BUILD_DIR:-$here/build-fuzz}"
targets="${FUZZ_TARGETS:-serial_receive datagram_dispatch master_record network_settings dst_record time_report numeric_value script_input}"
jobs="${FUZZ_BUILD_JOBS:-2}"

cxx="${CXX_FUZZ:-$(command -v clang++ || command -v clang++-14 || true)}"
if [ -z "$cxx" ]; then
    echo "fuzz: clang++ is not installed (scripts/install-deps.sh installs it)" >&2
    exit 1
fi
# Every library is instrumented for coverage and the sanitizers; only the
# fuzz programs themselves link the fuzzer's main.
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DTARVO_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target $(printf 'fuzz_%s ' $targets)

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}:abort_on_error=0"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
mkdir -p "$build/findings" "$build/logs"
failed=()
for t in $targets; do
    # The working corpus grows in the build tree; the seeds in the source tree
    # stay as they are committed.
    work="$build/corpus/$t"
    mkdir -p "$work" "$here/fuzz/corpus/$t"
    start=$(date +%s)
    if "$build/bin/fuzz_$t" -runs="$runs" -timeout=10 -rss_limit_mb=2048 -max_len=2048 \
        -artifact_prefix="$build/findings/$t-" -print_final_stats=1 \
        "$work" "$here/fuzz/corpus/$t" >"$build/logs/$t.log" 2>&1; then
        execs=$(awk '/stat::number_of_executed_units/ {print $NF}' "$build/logs/$t.log")
        echo "fuzz $t: ${execs:-?} runs, no findings ($(($(date +%s) - start)) s)"
    else
        echo "fuzz $t: FINDING, see $build/logs/$t.log and $build/findings/" >&2
        tail -n 40 "$build/logs/$t.log" >&2
        failed+=("$t")
    fi
done
if [ "${#failed[@]}" -gt 0 ]; then
    echo "fuzz: findings in ${failed[*]}" >&2
    exit 1
fi
