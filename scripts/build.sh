#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds.
#   scripts/build.sh              the program, the simulator and the tests in build/
#   scripts/build.sh --sanitize   the same with the compiler the programs ship
#                                 with (GCC), under AddressSanitizer and
#                                 UndefinedBehaviorSanitizer, in build-asan/
#   scripts/build.sh --fuzz       the fuzz targets alone (libFuzzer needs clang),
#                                 instrumented for both sanitizers, in build-fuzz/
# Extra arguments go to cmake's configure step. TARVO_BUILD_TARGETS names the
# targets to build (all of them when unset). Output of the compiler is kept
# in the tree's build.log and shown only when the build fails.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
kind=plain
case "${1:-}" in
--sanitize) kind=sanitize; shift ;;
--fuzz) kind=fuzz; shift ;;
esac
# Optimised without debug information: it halves the compile time, and a
# failing test still names its file and line.
common=(-G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2" -DTARVO_BUILD_BENCH=OFF)
build="${BUILD_DIR:-$here/build}"
if [ "$kind" = sanitize ]; then
    build="${ASAN_BUILD_DIR:-$here/build-asan}"
    # The shipped programs' compiler, whose coroutine code is what users run.
    cxx="${CXX_SANITIZE:-$(command -v g++ || true)}"
    [ -n "$cxx" ] || { echo "build: g++ is not installed" >&2; exit 1; }
    flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
    common=(-G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O1"
            -DCMAKE_CXX_COMPILER="$cxx" "-DCMAKE_CXX_FLAGS=$flags"
            "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" -DTARVO_BUILD_BENCH=OFF)
elif [ "$kind" = fuzz ]; then
    build="${FUZZ_BUILD_DIR:-$here/build-fuzz}"
    cxx="${CXX_FUZZ:-$(command -v clang++ || command -v clang++-14 || true)}"
    if [ -z "$cxx" ]; then
        echo "build: clang++ is not installed (scripts/install-deps.sh installs it)" >&2
        exit 1
    fi
    # Every library is instrumented for the sanitizers and for the fuzzer's
    # coverage; only the fuzz programs link the fuzzer's own main. Nothing
    # else is configured: no window, no simulator, no tests.
    # The function-type check is left out: clang 14 cannot build it into
    # coroutines ("Cannot represent a difference across sections").
    flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize=function -fno-sanitize-recover=all -fno-omit-frame-pointer"
    common=(-G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O1"
            -DCMAKE_CXX_COMPILER="$cxx" "-DCMAKE_CXX_FLAGS=$flags"
            "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined"
            -DTARVO_FUZZ=ON -DBUILD_TESTING=OFF -DTARVO_BUILD_SIMULATOR=OFF)
    TARVO_BUILD_TARGETS="${TARVO_BUILD_TARGETS:-fuzz_targets}"
fi
cmake -S "$here" -B "$build" "${common[@]}" "$@" >/dev/null
targets=()
for t in ${TARVO_BUILD_TARGETS:-}; do
    targets+=(--target "$t")
done
if ! cmake --build "$build" -j"$(nproc)" "${targets[@]}" >"$build/build.log" 2>&1; then
    grep -v '^\[' "$build/build.log" | tail -n 60 >&2
    echo "build failed; the whole log is $build/build.log" >&2
    exit 1
fi
warnings=$(grep -c 'warning:' "$build/build.log" || true)
if [ "$warnings" != 0 ]; then
    grep -A3 'warning:' "$build/build.log" >&2
    echo "build: $warnings compiler warnings" >&2
fi
