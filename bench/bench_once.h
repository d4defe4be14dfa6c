// CI runs every benchmark once (PRAVENOR_BENCH_ONCE=1), in the sanitizer
// build, so they keep building and running: one iteration over a data set a
// hundredth of the size. Measurements use the counts and sizes given.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>

inline bool BenchOnce() { return std::getenv("PRAVENOR_BENCH_ONCE") != nullptr; }

inline benchmark::IterationCount BenchIterations(benchmark::IterationCount n) { return BenchOnce() ? 1 : n; }

// The size of a benchmark's data set.
inline int BenchSize(int n) { return BenchOnce() ? (n >= 100 ? n / 100 : n) : n; }
