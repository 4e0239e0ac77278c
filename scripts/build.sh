#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds.
#   scripts/build.sh              the program, the simulator and the tests in build/
#   scripts/build.sh --sanitize   the same with clang, AddressSanitizer and
#                                 UndefinedBehaviorSanitizer, plus the fuzz
#                                 targets, in build-asan/ (one tree for both)
# Extra arguments go to cmake's configure step. TARVO_BUILD_TARGETS names the
# targets to build (all of them when unset). Output of the compiler is kept
# in the tree's build.log and shown only when the build fails.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
sanitize=0
if [ "${1:-}" = "--sanitize" ]; then
    sanitize=1
    shift
fi
# Optimised without debug information: it halves the compile time, and a
# failing test still names its file and line.
common=(-G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2" -DTARVO_BUILD_BENCH=OFF)
if [ "$sanitize" = 1 ]; then
    build="${ASAN_BUILD_DIR:-$here/build-asan}"
    cxx="${CXX_SANITIZE:-$(command -v clang++ || command -v clang++-14 || true)}"
    if [ -z "$cxx" ]; then
        echo "build: clang++ is not installed (scripts/install-deps.sh installs it)" >&2
        exit 1
    fi
    # Every library is instrumented for the sanitizers and for the fuzzer's
    # coverage; only the fuzz programs link the fuzzer's own main.
    # The function-type check is left out: clang 14 cannot build it into
    # coroutines ("Cannot represent a difference across sections").
    flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize=function -fno-sanitize-recover=all -fno-omit-frame-pointer"
    common=(-G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O1"
            -DCMAKE_CXX_COMPILER="$cxx" "-DCMAKE_CXX_FLAGS=$flags"
            "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined"
            -DTARVO_FUZZ=ON -DTARVO_BUILD_BENCH=OFF)
else
    build="${BUILD_DIR:-$here/build}"
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
