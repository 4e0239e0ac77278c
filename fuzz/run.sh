#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs each fuzz target (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) for a fixed number of inputs, starting from the
# seed corpus in fuzz/corpus/. The targets live in a clang tree of their own
# (build-fuzz/, made by scripts/build.sh --fuzz, which this runs when a target
# is missing). Any crash, sanitizer report, leak or timeout fails the run; the
# input that caused it is kept in build-fuzz/findings/.
# Usage: fuzz/run.sh [runs-per-target]   (default 100000)
#        FUZZ_TARGETS="serial_receive time_report" fuzz/run.sh 5000
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-100000}"
build="${FUZZ_BUILD_DIR:-$here/build-fuzz}"
targets="${FUZZ_TARGETS:-serial_receive datagram_dispatch master_record network_settings dst_record time_report numeric_value script_input incoming_decoder http_request telnet_codec}"
missing=0
for t in $targets; do
    [ -x "$build/bin/fuzz_$t" ] || missing=1
done
if [ "$missing" = 1 ]; then
    FUZZ_BUILD_DIR="$build" "$here/scripts/build.sh" --fuzz
fi

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
