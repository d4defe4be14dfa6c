#include "platform/base/clock.h"

#include <time.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace pv {
namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kEpochDelta = 116444736000000000LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;

struct ClockState {
  std::mutex mutex;
  std::atomic<bool> fake{false};
  std::int64_t fakeUtc = 0;
  std::uint64_t fakeTick = 0;
  ClockTimeZone fakeZone;
  std::map<int, Clock::Listener> listeners;
  int nextListenerId = 1;
};

ClockState& State() {
  static ClockState* state = new ClockState;  // never destroyed: used from static destructors
  return *state;
}

std::u16string Widen(const char* text) {
  std::u16string out;
  if (text) {
    for (const char* p = text; *p; ++p) out.push_back(static_cast<unsigned char>(*p));
  }
  return out;
}

long RealGmtOffset(std::time_t t, bool* dst) {
  struct tm tmv {};
  localtime_r(&t, &tmv);
  if (dst) *dst = tmv.tm_isdst > 0;
  return tmv.tm_gmtoff;
}

ClockTimeZone RealZone() {
  tzset();
  std::time_t now = std::time(nullptr);
  struct tm tmv {};
  localtime_r(&now, &tmv);
  int year = tmv.tm_year + 1900;
  // Offsets in mid-winter and mid-summer tell the standard and daylight biases
  // in either hemisphere: daylight saving time always adds to the offset.
  std::time_t jan = static_cast<std::time_t>((DaysFromCivil(year, 1, 15)) * 86400);
  std::time_t jul = static_cast<std::time_t>((DaysFromCivil(year, 7, 15)) * 86400);
  long a = RealGmtOffset(jan, nullptr);
  long b = RealGmtOffset(jul, nullptr);
  long standard = a < b ? a : b;
  long daylight = a < b ? b : a;
  ClockTimeZone tz;
  tz.bias = static_cast<LONG>(-standard / 60);
  tz.daylightBias = static_cast<LONG>(-(daylight - standard) / 60);
  tz.hasDaylight = daylight != standard;
  tz.standardName = Widen(tzname[0]);
  tz.daylightName = Widen(tz.hasDaylight ? tzname[1] : tzname[0]);
  return tz;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

void Notify() {
  std::vector<Clock::Listener> copy;
  {
    std::lock_guard<std::mutex> lock(State().mutex);
    for (auto& [id, listener] : State().listeners) copy.push_back(listener);
  }
  for (auto& listener : copy) listener();
}

std::int64_t UtcFromFields(int year, int month, int day, int hour, int minute, int second) {
  std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  std::int64_t secs = days * 86400 + hour * 3600LL + minute * 60LL + second;
  return secs * kTicksPerSecond + kEpochDelta;
}

}  // namespace

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t* year, unsigned* month, unsigned* day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  *year = y + (m <= 2);
  *month = m;
  *day = d;
}

bool IsLeapYear(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(std::int64_t year, unsigned month) {
  static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::int64_t Clock::UtcNow() {
  ClockState& s = State();
  if (s.fake.load()) {
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.fakeUtc;
  }
  auto since = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100 + kEpochDelta;
}

std::int64_t Clock::LocalNow() {
  std::int64_t utc = UtcNow();
  return utc - static_cast<std::int64_t>(BiasAtUtc(utc)) * 60 * kTicksPerSecond;
}

std::uint64_t Clock::TickCount64() {
  ClockState& s = State();
  if (s.fake.load()) {
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.fakeTick;
  }
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

std::int64_t Clock::PerformanceFrequency() { return kTicksPerSecond; }

std::int64_t Clock::PerformanceCounter() {
  ClockState& s = State();
  if (s.fake.load()) {
    std::lock_guard<std::mutex> lock(s.mutex);
    return static_cast<std::int64_t>(s.fakeTick) * (kTicksPerSecond / 1000);
  }
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100;
}

ClockTimeZone Clock::TimeZone() {
  ClockState& s = State();
  if (s.fake.load()) {
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.fakeZone;
  }
  return RealZone();
}

LONG Clock::BiasAtUtc(std::int64_t utc, bool* daylight) {
  ClockState& s = State();
  if (s.fake.load()) {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (daylight) *daylight = s.fakeZone.hasDaylight;
    return s.fakeZone.bias + (s.fakeZone.hasDaylight ? s.fakeZone.daylightBias : 0);
  }
  std::int64_t secs = FloorDiv(utc - kEpochDelta, kTicksPerSecond);
  return static_cast<LONG>(-RealGmtOffset(static_cast<std::time_t>(secs), daylight) / 60);
}

LONG Clock::BiasAtLocal(std::int64_t local) {
  // Two steps settle the bias except within the hour a daylight change skips
  // or repeats, where either answer is a valid reading.
  LONG first = BiasAtUtc(local);
  return BiasAtUtc(local + static_cast<std::int64_t>(first) * 60 * kTicksPerSecond);
}

void Clock::SetFake(std::int64_t utc, std::uint64_t tick) {
  ClockState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.fake.load()) s.fakeZone = ClockTimeZone{};
    s.fakeUtc = utc;
    s.fakeTick = tick;
    s.fake.store(true);
  }
  Notify();
}

void Clock::SetFakeUtc(int year, int month, int day, int hour, int minute, int second, std::uint64_t tick) {
  SetFake(UtcFromFields(year, month, day, hour, minute, second), tick);
}

void Clock::SetFakeLocal(int year, int month, int day, int hour, int minute, int second) {
  ClockState& s = State();
  std::int64_t local = UtcFromFields(year, month, day, hour, minute, second);
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.fake.load()) {
      s.fakeZone = ClockTimeZone{};
      s.fakeTick = 1000000;
    }
    LONG bias = s.fakeZone.bias + (s.fakeZone.hasDaylight ? s.fakeZone.daylightBias : 0);
    s.fakeUtc = local + static_cast<std::int64_t>(bias) * 60 * kTicksPerSecond;
    s.fake.store(true);
  }
  Notify();
}

void Clock::SetFakeTimeZone(const ClockTimeZone& tz) {
  ClockState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.fake.load()) {
      // Freeze the clock at the real current time first.
      auto since = std::chrono::system_clock::now().time_since_epoch();
      s.fakeUtc = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100 + kEpochDelta;
      s.fakeTick = 1000000;
      s.fake.store(true);
    }
    s.fakeZone = tz;
  }
  Notify();
}

void Clock::AdvanceBy(std::uint64_t ms) {
  ClockState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.fake.load()) return;
    s.fakeUtc += static_cast<std::int64_t>(ms) * (kTicksPerSecond / 1000);
    s.fakeTick += ms;
  }
  Notify();
}

void Clock::UseReal() {
  ClockState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.fake.store(false);
  s.fakeZone = ClockTimeZone{};
}

bool Clock::IsFake() { return State().fake.load(); }

int Clock::AddListener(Listener listener) {
  ClockState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  int id = s.nextListenerId++;
  s.listeners.emplace(id, std::move(listener));
  return id;
}

void Clock::RemoveListener(int id) {
  ClockState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.listeners.erase(id);
}

void Clock::Sleep(DWORD ms) {
  if (IsFake()) {
    AdvanceBy(ms);
    return;
  }
  if (ms == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace pv

DWORD GetTickCount() { return static_cast<DWORD>(pv::Clock::TickCount64()); }
ULONGLONG GetTickCount64() { return pv::Clock::TickCount64(); }
DWORD timeGetTime() { return static_cast<DWORD>(pv::Clock::TickCount64()); }
