// CArray and CMap against std::vector and std::unordered_map, 10^6 items.
// Each measurement runs as a pair (ours / std:: baseline) with the same
// label, so the ratio reads off side by side; the layer aims to stay
// within 2x of the baseline.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_once.h"
#include "platform/base/collections.h"

namespace {

const int kItems = BenchSize(1000000);

// Keys spread like record ids: not sequential, no collisions.
std::vector<int> Keys() {
  std::vector<int> keys(kItems);
  std::uint32_t x = 12345;
  for (int i = 0; i < kItems; ++i) {
    x = x * 1664525u + 1013904223u;
    keys[i] = static_cast<int>((x & 0x7FFFFF00u) | static_cast<std::uint32_t>(i & 0xFF));
  }
  return keys;
}

void CArray_Add(benchmark::State& state) {
  for (auto _ : state) {
    CArray<int, int> a;
    for (int i = 0; i < kItems; ++i) a.Add(i);
    benchmark::DoNotOptimize(a.GetData());
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}

void Vector_PushBack(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<int> v;
    for (int i = 0; i < kItems; ++i) v.push_back(i);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}

void CArray_Index(benchmark::State& state) {
  CArray<int, int> a;
  for (int i = 0; i < kItems; ++i) a.Add(i);
  for (auto _ : state) {
    long long sum = 0;
    for (INT_PTR i = 0; i < a.GetSize(); ++i) sum += a[i];
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}

void Vector_Index(benchmark::State& state) {
  std::vector<int> v;
  for (int i = 0; i < kItems; ++i) v.push_back(i);
  for (auto _ : state) {
    long long sum = 0;
    for (std::size_t i = 0; i < v.size(); ++i) sum += v[i];
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}

void CMap_Insert(benchmark::State& state) {
  std::vector<int> keys = Keys();
  for (auto _ : state) {
    CMap<int, int, int, int> m;
    for (int k : keys) m.SetAt(k, k);
    benchmark::DoNotOptimize(m.GetCount());
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}

void UnorderedMap_Insert(benchmark::State& state) {
  std::vector<int> keys = Keys();
  for (auto _ : state) {
    std::unordered_map<int, int> m;
    for (int k : keys) m[k] = k;
    benchmark::DoNotOptimize(m.size());
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}

void CMap_Lookup(benchmark::State& state) {
  std::vector<int> keys = Keys();
  CMap<int, int, int, int> m;
  for (int k : keys) m.SetAt(k, k);
  for (auto _ : state) {
    long long sum = 0;
    int v;
    for (int k : keys)
      if (m.Lookup(k, v)) sum += v;
    for (int k : keys)  // misses
      if (m.Lookup(k ^ 0x40000000, v)) sum += v;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kItems * 2);
}

void UnorderedMap_Lookup(benchmark::State& state) {
  std::vector<int> keys = Keys();
  std::unordered_map<int, int> m;
  for (int k : keys) m[k] = k;
  for (auto _ : state) {
    long long sum = 0;
    for (int k : keys) {
      auto it = m.find(k);
      if (it != m.end()) sum += it->second;
    }
    for (int k : keys) {
      auto it = m.find(k ^ 0x40000000);
      if (it != m.end()) sum += it->second;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kItems * 2);
}

// String keys, as the string maps are used (names to objects).
std::vector<CString> StringKeys(int n) {
  std::vector<CString> keys;
  keys.reserve(n);
  for (int i = 0; i < n; ++i) {
    CString s;
    s.Format(u"Record%d", i * 7);
    keys.push_back(s);
  }
  return keys;
}

void CMapStringToPtr_InsertLookup(benchmark::State& state) {
  std::vector<CString> keys = StringKeys(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CMapStringToPtr m;
    for (const CString& k : keys) m.SetAt(k, const_cast<CString*>(&k));
    void* v = nullptr;
    std::size_t found = 0;
    for (const CString& k : keys) found += m.Lookup(k, v) ? 1 : 0;
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
}

void UnorderedMapU16_InsertLookup(benchmark::State& state) {
  std::vector<CString> keys = StringKeys(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::unordered_map<std::u16string, void*> m;
    for (const CString& k : keys) m[k.Str()] = const_cast<CString*>(&k);
    std::size_t found = 0;
    for (const CString& k : keys) found += m.count(k.Str());
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
}

}  // namespace

BENCHMARK(CArray_Add)->Unit(benchmark::kMillisecond);
BENCHMARK(Vector_PushBack)->Unit(benchmark::kMillisecond);
BENCHMARK(CArray_Index)->Unit(benchmark::kMillisecond);
BENCHMARK(Vector_Index)->Unit(benchmark::kMillisecond);
BENCHMARK(CMap_Insert)->Unit(benchmark::kMillisecond);
BENCHMARK(UnorderedMap_Insert)->Unit(benchmark::kMillisecond);
BENCHMARK(CMap_Lookup)->Unit(benchmark::kMillisecond);
BENCHMARK(UnorderedMap_Lookup)->Unit(benchmark::kMillisecond);
BENCHMARK(CMapStringToPtr_InsertLookup)->Arg(BenchSize(100000))->Unit(benchmark::kMillisecond);
BENCHMARK(UnorderedMapU16_InsertLookup)->Arg(BenchSize(100000))->Unit(benchmark::kMillisecond);
