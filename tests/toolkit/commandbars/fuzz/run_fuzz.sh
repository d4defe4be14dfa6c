#!/bin/sh
# Builds the command bars' fuzz target (the stored form of a bar's controls)
# with clang and runs it for a bounded time (default 60 seconds):
# run_fuzz.sh [seconds] [build folder]. Exits non-zero when the fuzzer finds
# a crash, leak, overread or time-out; the failing input is left as
# crash-*/leak-*/timeout-* in the build folder.
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../../../.." && pwd)
build=${2:-$root/build-fuzz-commandbars}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_C_FLAGS_DEBUG="-g -O1" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" \
  -DPRAVENOR_SANITIZE=ON -DPRAVENOR_FUZZ=ON \
  -DPRAVENOR_ONLY="platform/base;platform/system;platform/window;platform/gdi;platform/ado;platform/shell;platform/framework;platform/controls;resources;toolkit/common;toolkit/commandbars" >/dev/null
cmake --build "$build" --target toolkit_commandbars_fuzz toolkit_commandbars_fuzz_seeds

corpus=$build/fuzz-corpus/toolkit_commandbars
mkdir -p "$corpus"
PRAVENOR_HEADLESS=1 "$build"/tests/toolkit/commandbars/fuzz/toolkit_commandbars_fuzz_seeds "$corpus"

cd "$build"
PRAVENOR_HEADLESS=1 ./tests/toolkit/commandbars/fuzz/toolkit_commandbars_fuzz "$corpus" -max_total_time="$seconds" \
  -max_len=16384 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
