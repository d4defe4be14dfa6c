#!/bin/sh
# Builds the markup fuzz target with clang and runs it for a bounded time:
# every input is parsed, built, laid out and drawn.
# Usage: tests/toolkit/markup/fuzz/run_fuzz.sh [seconds, default 60] [build dir]
# Every library of the target carries AddressSanitizer and
# UndefinedBehaviorSanitizer, the markup engine also the float-to-int
# overflow check, and undefined behaviour aborts: any finding
# (crash, overread, leak, undefined behaviour, slow or huge input) makes the
# script exit non-zero, leaving the input as crash-*/leak-*/timeout-* in the
# build folder.
set -eu
SECONDS_TO_RUN=${1:-60}
ROOT=$(cd "$(dirname "$0")/../../../.." && pwd)
BUILD=${2:-$ROOT/build-fuzz}
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_C_FLAGS_DEBUG="-g -O1" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" \
  -DPRAVENOR_SANITIZE=ON -DPRAVENOR_FUZZ=ON \
  -DPRAVENOR_ONLY="platform/base;platform/system;platform/window;platform/gdi;platform/ado;platform/shell;platform/framework;platform/controls;resources;toolkit/common;toolkit/markup" >/dev/null
cmake --build "$BUILD" --target toolkit_markup_fuzz
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cp "$ROOT"/tests/toolkit/markup/fuzz/corpus/* "$WORK"/
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Memory and time per input are bounded too: a slow or huge case fails the run.
"$BUILD"/tests/toolkit/markup/fuzz/toolkit_markup_fuzz -max_total_time="$SECONDS_TO_RUN" -rss_limit_mb=2048 -timeout=10 \
  -max_len=65536 -print_final_stats=1 -artifact_prefix="$BUILD/" "$WORK"
