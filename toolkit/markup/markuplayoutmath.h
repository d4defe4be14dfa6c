// Arithmetic on layout sizes and positions. They are 32-bit integers that
// markup may set to any value (INT_MAX is the unbounded size), so sums,
// differences and products of them saturate instead of wrapping, and a
// double becomes an int only through MarkupTruncate.
#pragma once

#include <climits>
#include <cmath>

inline int MarkupSaturate(long long v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}
inline int MarkupAdd(long long a, long long b) { return MarkupSaturate(a + b); }
inline int MarkupSub(long long a, long long b) { return MarkupSaturate(a - b); }
inline int MarkupMul(long long a, long long b) {
  // Both factors are 32-bit values here, so the 64-bit product is exact.
  return MarkupSaturate(a * b);
}
// Toward zero, like a cast; saturated at the int range, and 0 for NaN.
inline int MarkupTruncate(double d) {
  if (std::isnan(d)) return 0;
  if (d >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (d <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(d);
}
