// Registry writes and reads of 10^4 values, against two baselines: one
// atomic write of a text of the same size (the least any durable store must
// do) and lookups in a std::unordered_map (the least any in-memory store
// must do). Report ratios: batched writes / BaselineAtomicWrite, reads /
// BaselineMapRead. Write-through (one durable rewrite per value) is shown
// per value count to make its cost per call visible.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_once.h"
#include "platform/system/registry.h"
#include "platform/system/sysutil.h"

namespace {

const int kValues = BenchSize(10000);

struct Scratch {
  std::string dir;
  Scratch() {
    char tmpl[] = "/tmp/pv-registry-bench-XXXXXX";
    dir = ::mkdtemp(tmpl);
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    pv::ResetRegistryForTests();
  }
  ~Scratch() {
    pv::ResetRegistryForTests();
    std::filesystem::remove_all(dir);
  }
};

std::vector<std::u16string> Names(int n) {
  std::vector<std::u16string> names;
  for (int i = 0; i < n; ++i) names.push_back(u"value" + pv::sys::FromUtf8(std::to_string(i)));
  return names;
}

HKEY OpenBenchKey() {
  HKEY k = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Bench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
  return k;
}

void BaselineAtomicWrite(benchmark::State& state) {
  Scratch s;
  std::string text;
  for (int i = 0; i < kValues; ++i) text += "\"value" + std::to_string(i) + "\"=dword:0000002a\n";
  for (auto _ : state) pv::sys::WriteFileAtomically(s.dir + "/baseline.txt", text);
}
BENCHMARK(BaselineAtomicWrite)->Unit(benchmark::kMillisecond);

void RegistryBatchWrite(benchmark::State& state) {
  Scratch s;
  auto names = Names(kValues);
  HKEY k = OpenBenchKey();
  DWORD v = 42;
  for (auto _ : state) {
    pv::RegistryWriteBatch batch;
    for (const auto& n : names) RegSetValueExW(k, n.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
  }
  RegCloseKey(k);
}
BENCHMARK(RegistryBatchWrite)->Unit(benchmark::kMillisecond);

void RegistryWriteThrough(benchmark::State& state) {
  Scratch s;
  auto names = Names(static_cast<int>(state.range(0)));
  HKEY k = OpenBenchKey();
  DWORD v = 42;
  for (auto _ : state)
    for (const auto& n : names) RegSetValueExW(k, n.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
  state.SetItemsProcessed(state.iterations() * state.range(0));
  RegCloseKey(k);
}
BENCHMARK(RegistryWriteThrough)->Arg(BenchSize(100))->Arg(BenchSize(1000))->Unit(benchmark::kMillisecond);

void BaselineMapRead(benchmark::State& state) {
  auto names = Names(kValues);
  std::unordered_map<std::u16string, DWORD> map;
  for (const auto& n : names) map[n] = 42;
  for (auto _ : state)
    for (const auto& n : names) benchmark::DoNotOptimize(map.find(n));
}
BENCHMARK(BaselineMapRead)->Unit(benchmark::kMillisecond);

void RegistryRead(benchmark::State& state) {
  Scratch s;
  auto names = Names(kValues);
  HKEY k = OpenBenchKey();
  DWORD v = 42;
  {
    pv::RegistryWriteBatch batch;
    for (const auto& n : names) RegSetValueExW(k, n.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
  }
  for (auto _ : state) {
    for (const auto& n : names) {
      DWORD out = 0, size = 4, type = 0;
      RegQueryValueExW(k, n.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&out), &size);
      benchmark::DoNotOptimize(out);
    }
  }
  RegCloseKey(k);
}
BENCHMARK(RegistryRead)->Unit(benchmark::kMillisecond);

}  // namespace
