// Registry writes and reads of 10^4 values, each against its baseline in
// the same iteration: one atomic write of the same bytes (the least any
// durable store must do) and lookups in a std::unordered_map (the least any
// in-memory store must do).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_once.h"
#include "bench/bench_pairs.h"
#include "platform/system/registry.h"
#include "platform/system/sysutil.h"
#include "tests/support/temp_home.h"

namespace {

const int kValues = BenchSize(10000);

// A scratch settings folder for one benchmark; the registry is forgotten
// when it starts and ends.
struct Scratch {
  pvtest::TempFolder folder{"pv-registry-bench"};
  pvtest::EnvScope config{"XDG_CONFIG_HOME", folder.path()};
  std::string dir = folder.path();
  Scratch() { pv::ResetRegistryForTests(); }
  ~Scratch() { pv::ResetRegistryForTests(); }
};

std::vector<std::u16string> Names(int n) {
  std::vector<std::u16string> names;
  for (int i = 0; i < n; ++i) names.push_back(u"value" + pv::sys::FromUtf8(std::to_string(i)));
  return names;
}

std::string ReadRegistryText() {
  std::ifstream in(pv::RegistryFilePath(), std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

HKEY OpenBenchKey() {
  HKEY k = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Bench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
  return k;
}

using Clock = BenchClock;

// One pair per iteration, both sides in a row: "x_atomic" is the median of
// (10^4 values set in a batch and flushed) / (one atomic write of the very
// bytes that flush wrote).
void BM_BatchWriteVsAtomicWrite(benchmark::State& state) {
  Scratch s;
  auto names = Names(kValues);
  HKEY k = OpenBenchKey();
  DWORD v = 42;
  std::vector<double> ratios, ours, base;
  for (auto _ : state) {
    auto t0 = Clock::now();
    {
      pv::RegistryWriteBatch batch;
      for (const auto& n : names) RegSetValueExW(k, n.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
    }
    auto t1 = Clock::now();
    std::string text = ReadRegistryText();
    auto t2 = Clock::now();
    pv::sys::WriteFileAtomically(s.dir + "/baseline.txt", text);
    auto t3 = Clock::now();
    ours.push_back(Seconds(t0, t1));
    base.push_back(Seconds(t2, t3));
    ratios.push_back(ours.back() / base.back());
    state.SetIterationTime(ours.back());
    ++v;  // every round changes every value
  }
  state.counters["x_atomic"] = Median(ratios);
  state.counters["ours_ms"] = Median(ours) * 1e3;
  state.counters["atomic_ms"] = Median(base) * 1e3;
  RegCloseKey(k);
}
BENCHMARK(BM_BatchWriteVsAtomicWrite)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(21));

// "x_map" is the median of (10^4 RegQueryValueEx through an open key) /
// (10^4 lookups of the same names in a std::unordered_map).
void BM_ReadVsMapLookup(benchmark::State& state) {
  Scratch s;
  auto names = Names(kValues);
  std::unordered_map<std::u16string, DWORD> map;
  for (const auto& n : names) map[n] = 42;
  HKEY k = OpenBenchKey();
  DWORD v = 42;
  {
    pv::RegistryWriteBatch batch;
    for (const auto& n : names) RegSetValueExW(k, n.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
  }
  std::vector<double> ratios, ours, base;
  for (auto _ : state) {
    auto t0 = Clock::now();
    for (const auto& n : names) {
      DWORD out = 0, size = 4, type = 0;
      RegQueryValueExW(k, n.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&out), &size);
      benchmark::DoNotOptimize(out);
    }
    auto t1 = Clock::now();
    for (const auto& n : names) benchmark::DoNotOptimize(map.find(n));
    auto t2 = Clock::now();
    ours.push_back(Seconds(t0, t1));
    base.push_back(Seconds(t1, t2));
    ratios.push_back(ours.back() / base.back());
    state.SetIterationTime(ours.back());
  }
  state.counters["x_map"] = Median(ratios);
  state.counters["ours_ms"] = Median(ours) * 1e3;
  state.counters["map_ms"] = Median(base) * 1e3;
  RegCloseKey(k);
}
BENCHMARK(BM_ReadVsMapLookup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(51));

// One value set, its key closed and the registry flushed per save: the
// cost of a durable save of one value.
void BM_SetAndClose(benchmark::State& state) {
  Scratch s;
  DWORD v = 42;
  for (auto _ : state) {
    HKEY k = OpenBenchKey();
    RegSetValueExW(k, u"one", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
    RegCloseKey(k);
    pv::FlushRegistry();
  }
}
BENCHMARK(BM_SetAndClose)->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(200));

}  // namespace
