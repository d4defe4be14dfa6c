// INI saves and reads of 10^4 values, each against its baseline in the same
// iteration: one atomic write of the same bytes (the least any durable store
// must do) and lookups in a std::unordered_map (the least any in-memory
// store must do).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_once.h"
#include "bench/bench_pairs.h"
#include "platform/system/profile.h"
#include "platform/system/sysutil.h"
#include "tests/support/temp_home.h"

namespace {

const int kValues = BenchSize(10000);

// A scratch settings folder for one benchmark; the INI files held in memory
// are forgotten when it starts and ends.
struct Scratch {
  pvtest::TempFolder folder{"pv-profile-bench"};
  pvtest::EnvScope config{"XDG_CONFIG_HOME", folder.path()};
  std::string dir = folder.path();
  std::u16string file = pv::sys::FromUtf8(folder.File("bench.ini"));
  Scratch() { pv::ResetProfilesForTests(); }
  ~Scratch() { pv::ResetProfilesForTests(); }
};

std::vector<std::u16string> Names(int n) {
  std::vector<std::u16string> names;
  for (int i = 0; i < n; ++i) names.push_back(u"value" + pv::sys::FromUtf8(std::to_string(i)));
  return names;
}

using Clock = BenchClock;

// One pair per iteration: "x_atomic" is the median of (10^4 values written
// with WritePrivateProfileString and flushed, as a save at exit does) /
// (one atomic write of the very bytes that flush wrote).
void BM_IniSaveVsAtomicWrite(benchmark::State& state) {
  Scratch s;
  auto names = Names(kValues);
  int round = 0;
  std::vector<double> ratios, ours, base;
  for (auto _ : state) {
    std::u16string value = pv::sys::FromUtf8(std::to_string(1000 + round++));  // every round changes every value
    auto t0 = Clock::now();
    for (const auto& n : names) WritePrivateProfileStringW(u"Bench", n.c_str(), value.c_str(), s.file.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, nullptr);
    auto t1 = Clock::now();
    std::string text;
    pv::sys::ReadWholeFile(s.dir + "/bench.ini", &text);
    auto t2 = Clock::now();
    pv::sys::WriteFileAtomically(s.dir + "/baseline.ini", text);
    auto t3 = Clock::now();
    ours.push_back(Seconds(t0, t1));
    base.push_back(Seconds(t2, t3));
    ratios.push_back(ours.back() / base.back());
    state.SetIterationTime(ours.back());
  }
  state.counters["x_atomic"] = Median(ratios);
  state.counters["ours_ms"] = Median(ours) * 1e3;
  state.counters["atomic_ms"] = Median(base) * 1e3;
}
BENCHMARK(BM_IniSaveVsAtomicWrite)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(21));

// "x_map" is the median of (10^4 GetPrivateProfileString of a saved file)
// / (10^4 lookups of the same names in a std::unordered_map).
void BM_IniReadVsMapLookup(benchmark::State& state) {
  Scratch s;
  auto names = Names(kValues);
  std::unordered_map<std::u16string, std::u16string> map;
  for (const auto& n : names) {
    map[n] = u"42";
    WritePrivateProfileStringW(u"Bench", n.c_str(), u"42", s.file.c_str());
  }
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, nullptr);
  std::vector<double> ratios, ours, base;
  for (auto _ : state) {
    auto t0 = Clock::now();
    for (const auto& n : names) {
      WCHAR out[16];
      benchmark::DoNotOptimize(GetPrivateProfileStringW(u"Bench", n.c_str(), u"", out, 16, s.file.c_str()));
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
}
BENCHMARK(BM_IniReadVsMapLookup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(51));

}  // namespace
