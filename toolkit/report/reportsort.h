// The sort of the report grid: a stable merge sort driven by a three-way
// comparison (negative, 0, positive). Item comparisons need not be
// consistent (an item may answer by its own sort priority alone, typed
// items answer 0 across types), so the sort relies on nothing but the
// answer it gets: any comparison leaves a permutation of the input, in
// O(n log n) comparisons. For a consistent comparison the order is the one
// std::stable_sort gives with "compare(a, b) < 0".
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

template <class T, class Compare>
void TKReportMergeSort(T* data, std::size_t count, Compare compare) {
  if (count < 2) return;
  constexpr std::size_t kRun = 16;
  // Short runs by insertion: an element moves left only past elements
  // that compare greater than it.
  for (std::size_t start = 0; start < count; start += kRun) {
    std::size_t end = start + kRun < count ? start + kRun : count;
    for (std::size_t i = start + 1; i < end; ++i) {
      T value = std::move(data[i]);
      std::size_t j = i;
      while (j > start && compare(value, data[j - 1]) < 0) {
        data[j] = std::move(data[j - 1]);
        --j;
      }
      data[j] = std::move(value);
    }
  }
  if (count <= kRun) return;
  std::vector<T> buffer(count);
  T* from = data;
  T* to = buffer.data();
  for (std::size_t width = kRun; width < count; width *= 2) {
    for (std::size_t left = 0; left < count; left += 2 * width) {
      std::size_t mid = left + width < count ? left + width : count;
      std::size_t right = left + 2 * width < count ? left + 2 * width : count;
      std::size_t a = left, b = mid, out = left;
      // The right element goes first only when it compares less: equal
      // elements keep their order.
      while (a < mid && b < right) {
        if (compare(from[b], from[a]) < 0) to[out++] = std::move(from[b++]);
        else to[out++] = std::move(from[a++]);
      }
      while (a < mid) to[out++] = std::move(from[a++]);
      while (b < right) to[out++] = std::move(from[b++]);
    }
    std::swap(from, to);
  }
  if (from != data) {
    for (std::size_t i = 0; i < count; ++i) data[i] = std::move(from[i]);
  }
}
