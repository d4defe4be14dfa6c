#!/bin/sh
# Builds the markup fuzz target with clang and runs it for a bounded time.
# Usage: tests/toolkit/markup/fuzz/run_fuzz.sh [seconds, default 60] [build dir]
set -eu
SECONDS_TO_RUN=${1:-60}
ROOT=$(cd "$(dirname "$0")/../../../.." && pwd)
BUILD=${2:-$ROOT/build-fuzz}
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DPRAVENOR_FUZZ=ON >/dev/null
cmake --build "$BUILD" --target markup_fuzz
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cp "$ROOT"/tests/toolkit/markup/fuzz/corpus/* "$WORK"/
# Memory and time per input are bounded too: a slow or huge case fails the run.
"$BUILD"/tests/toolkit/markup/fuzz/markup_fuzz -max_total_time="$SECONDS_TO_RUN" -rss_limit_mb=2048 -timeout=10 \
  -max_len=65536 -print_final_stats=1 "$WORK"
