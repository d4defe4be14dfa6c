// What the paired benchmarks share: a steady clock, seconds between two of
// its points, and the median of per-round figures (ratios are reported as the
// median of each round's ratio, so one disturbed round does not move them).
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

using BenchClock = std::chrono::steady_clock;

inline double Seconds(BenchClock::time_point a, BenchClock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}
