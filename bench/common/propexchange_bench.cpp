// Storing and loading a section tree of settings through each flavour of
// property exchange: 100 sections of 100 values (integers, strings and
// rectangles), 10^4 values in all, as a large command-bar layout is.
//
// Each run reports the time per value ("per_value"). The registry flavour
// is the baseline of the keyed flavours: the last two runs report the INI
// flavour's time per value over the registry's ("ini_over_registry").
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "bench/bench_once.h"
#include "platform/base/archive.h"
#include "platform/base/file.h"
#include "platform/system/registry.h"
#include "toolkit/common/propexchange_backends.h"

namespace {

const int kSections = BenchSize(100);
const int kValuesPerSection = 100;
const int kValues = kSections * kValuesPerSection;

// Per-value seconds of the last run of each flavour and direction.
std::map<std::string, double>& Recorded() {
  static std::map<std::string, double> recorded;
  return recorded;
}

// A private folder for the registry file and the INI file.
struct Home {
  Home() {
    char tmpl[] = "/tmp/tk-settings-bench-XXXXXX";
    path = ::mkdtemp(tmpl);
    ::setenv("XDG_CONFIG_HOME", (path + "/config").c_str(), 1);
    pv::ResetRegistryForTests();
  }
  ~Home() {
    pv::ResetRegistryForTests();
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string path;
};

void ExchangeTree(CTKPropExchange* px) {
  CTKPropExchangeEnumeratorHolder sections(px->GetEnumerator(u"Bar"));
  POSITION pos = sections->GetPosition(kSections);
  int s = 0;
  while (pos) {
    CTKPropExchangeSection section(sections->GetNext(pos));
    for (int v = 0; v < kValuesPerSection; ++v) {
      CString key;
      key.Format(u"Value%i", v);
      switch (v % 4) {
        case 0:
        case 1: {
          int n = s * 1000 + v;
          PropExchangeInt(section, key, &n);
          break;
        }
        case 2: {
          CString text;
          text.Format(u"Control %i of bar %i", v, s);
          PropExchangeString(section, key, &text);
          break;
        }
        default: {
          RECT rc{v, s, v + 100, s + 24};
          PropExchangeRect(section, key, &rc, RECT{});
          break;
        }
      }
    }
    ++s;
  }
}

enum Flavour { kArchive, kRegistry, kIni };
const char* kFlavourNames[] = {"archive", "registry", "ini"};

// Runs one flavour and direction: the tree is stored once before a load.
void Run(benchmark::State& state, bool loading) {
  auto flavour = static_cast<Flavour>(state.range(0));
  state.SetLabel(kFlavourNames[flavour]);
  Home home;
  CString ini = CString((home.path + "/layout.ini").c_str());
  CMemFile stored;
  HKEY parent = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Bench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent, nullptr);

  auto once = [&](bool load) {
    switch (flavour) {
      case kArchive: {
        stored.SeekToBegin();
        CArchive ar(&stored, load ? CArchive::load : CArchive::store);
        CTKPropExchangeArchive px(ar);
        ExchangeTree(&px);
        ar.Close();
        break;
      }
      case kRegistry: {
        CTKPropExchangeSection px(new CTKPropExchangeRegistry(load, parent, u"Layout"));
        ExchangeTree(px);
        break;
      }
      case kIni: {
        auto* px = new CTKPropExchangeIniFile(load, nullptr, u"Layout");
        px->AssignFile(ini);
        CTKPropExchangeSection holder(px);
        ExchangeTree(px);
        break;
      }
    }
  };
  if (loading) once(false);
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) once(loading);
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  RegCloseKey(parent);
  Recorded()[std::string(loading ? "load/" : "store/") + kFlavourNames[flavour]] =
      elapsed.count() / (static_cast<double>(state.iterations()) * kValues);

  state.counters["per_value"] =
      benchmark::Counter(kValues, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kValues);
}

void Store(benchmark::State& state) { Run(state, false); }
void Load(benchmark::State& state) { Run(state, true); }

void Ratio(benchmark::State& state, const char* direction) {
  for (auto _ : state) {}
  auto& r = Recorded();
  auto ini = r.find(std::string(direction) + "/ini"), reg = r.find(std::string(direction) + "/registry");
  if (ini == r.end() || reg == r.end()) {
    state.SkipWithError("run the flavours first");
    return;
  }
  state.counters["ini_over_registry"] = ini->second / reg->second;
}

}  // namespace

// The INI flavour rewrites its file for every value: one pass is plenty.
BENCHMARK(Store)->Arg(kArchive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Store)->Arg(kRegistry)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Store)->Arg(kIni)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(Load)->Arg(kArchive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Load)->Arg(kRegistry)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Load)->Arg(kIni)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_CAPTURE(Ratio, store, "store")->Iterations(1);
BENCHMARK_CAPTURE(Ratio, load, "load")->Iterations(1);
