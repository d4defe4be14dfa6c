#!/bin/sh
# Builds the report fuzz targets (the records' stored form, the clipboard
# records block, the grid's stored layout) with clang and runs each for a
# bounded time (default 60 seconds): run_fuzz.sh [seconds] [build folder].
# Exits non-zero when the fuzzer finds a crash, leak, overread or time-out;
# the failing input is left as crash-*/leak-*/timeout-* in the build folder.
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../../../.." && pwd)
build=${2:-$root/build-fuzz-report}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_C_FLAGS_DEBUG="-g -O1" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" \
  -DPRAVENOR_SANITIZE=ON -DPRAVENOR_FUZZ=ON \
  -DPRAVENOR_ONLY="platform/base;platform/system;platform/window;platform/gdi;platform/ado;platform/shell;platform/framework;platform/controls;resources;toolkit/common;toolkit/markup;toolkit/report" >/dev/null
cmake --build "$build" --target toolkit_report_fuzz toolkit_report_fuzz_seeds toolkit_report_clipboard_fuzz \
  toolkit_report_clipboard_fuzz_seeds toolkit_report_columnstate_fuzz toolkit_report_columnstate_fuzz_seeds

corpus=$build/fuzz-corpus/toolkit_report
mkdir -p "$corpus"
"$build"/tests/toolkit/report/fuzz/toolkit_report_fuzz_seeds "$corpus"
blocks=$build/fuzz-corpus/toolkit_report_clipboard
mkdir -p "$blocks"
"$build"/tests/toolkit/report/fuzz/toolkit_report_clipboard_fuzz_seeds "$blocks"
layouts=$build/fuzz-corpus/toolkit_report_columnstate
mkdir -p "$layouts"
PRAVENOR_HEADLESS=1 "$build"/tests/toolkit/report/fuzz/toolkit_report_columnstate_fuzz_seeds "$layouts"

cd "$build"
./tests/toolkit/report/fuzz/toolkit_report_fuzz "$corpus" -max_total_time="$seconds" -max_len=16384 \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
./tests/toolkit/report/fuzz/toolkit_report_clipboard_fuzz "$blocks" -max_total_time="$seconds" -max_len=16384 \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
PRAVENOR_HEADLESS=1 ./tests/toolkit/report/fuzz/toolkit_report_columnstate_fuzz "$layouts" -max_total_time="$seconds" \
  -max_len=16384 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
