// CString::Format against the C library's snprintf on the same
// narrow-equivalent formats. Each format runs as a pair named
// Format/<case> and Snprintf/<case>, so the ratio reads off side by side.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "platform/base/cstring.h"

namespace {

enum Case { kInt, kFloat, kMixed, kPadded, kLongString };
const char* kNames[] = {"int", "float", "mixed", "padded", "long_string"};

const char16_t* const kWideLong = u"The quick brown fox jumps over the lazy dog, again and again and again";
const char* const kNarrowLong = "The quick brown fox jumps over the lazy dog, again and again and again";

void Format(benchmark::State& state) {
  auto c = static_cast<Case>(state.range(0));
  state.SetLabel(kNames[c]);
  int i = 0;
  for (auto _ : state) {
    CString s;
    switch (c) {
      case kInt:
        s.Format(u"%d", 123456 + i);
        break;
      case kFloat:
        s.Format(u"%.3f", 3.14159 * i);
        break;
      case kMixed:
        s.Format(u"%s=%d (0x%08X)", u"count", i, i);
        break;
      case kPadded:
        s.Format(u"[%-12s|%+10d|%10.4e]", u"name", -i, 1.5 * i);
        break;
      case kLongString:
        s.Format(u"%s: %s", kWideLong, kWideLong);
        break;
    }
    benchmark::DoNotOptimize(s.GetString());
    ++i;
  }
}

void Snprintf(benchmark::State& state) {
  auto c = static_cast<Case>(state.range(0));
  state.SetLabel(kNames[c]);
  int i = 0;
  char buf[256];
  for (auto _ : state) {
    int n = 0;
    switch (c) {
      case kInt:
        n = std::snprintf(buf, sizeof buf, "%d", 123456 + i);
        break;
      case kFloat:
        n = std::snprintf(buf, sizeof buf, "%.3f", 3.14159 * i);
        break;
      case kMixed:
        n = std::snprintf(buf, sizeof buf, "%s=%d (0x%08X)", "count", i, i);
        break;
      case kPadded:
        n = std::snprintf(buf, sizeof buf, "[%-12s|%+10d|%10.4e]", "name", -i, 1.5 * i);
        break;
      case kLongString:
        n = std::snprintf(buf, sizeof buf, "%s: %s", kNarrowLong, kNarrowLong);
        break;
    }
    // A string object is built too, as Format builds one.
    std::string s(buf, static_cast<std::size_t>(n));
    benchmark::DoNotOptimize(s.data());
    ++i;
  }
}

}  // namespace

BENCHMARK(Format)->DenseRange(kInt, kLongString);
BENCHMARK(Snprintf)->DenseRange(kInt, kLongString);
