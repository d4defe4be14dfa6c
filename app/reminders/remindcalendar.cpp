#include "app/reminders/remindcalendar.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/base/clock.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// Fixed steps of the codes 0 ... 9, in seconds.
constexpr std::int64_t kFixedStepSeconds[] = {300, 900, 1800, 3600, 7200, 10800, 18000, 43200, 86400, 604800};
// Indexes beyond this leave the representable years for every step.
constexpr long long kMaxIndex = 4'000'000'000LL;

struct Civil {
  std::int64_t year;
  int month, day, hour, minute, second;
};

// The fields of a valid date-time, read once (rounded to the second).
Civil ToCivil(const COleDateTime& t) {
  SYSTEMTIME st{};
  t.GetAsSystemTime(st);
  return Civil{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

COleDateTime Invalid() {
  COleDateTime t;
  t.SetStatus(COleDateTime::invalid);
  return t;
}

COleDateTime FromCivil(std::int64_t year, int month, int day, int hour, int minute, int second) {
  if (year < 100 || year > 9999) return Invalid();
  if (day > static_cast<int>(pv::DaysInMonth(year, static_cast<unsigned>(month)))) return Invalid();
  return COleDateTime(static_cast<int>(year), month, day, hour, minute, second);
}

// Seconds since 1 January 1970 of a valid date-time (wall clock), rounded
// to the nearest second. From 30 December 1899 on a DATE counts days
// linearly and is read directly; before it, through its fields.
constexpr std::int64_t kDays1899To1970 = 25569;
std::int64_t ToSeconds(const COleDateTime& t) {
  if (t.m_dt >= 0) return std::llround(t.m_dt * kSecondsPerDay) - kDays1899To1970 * kSecondsPerDay;
  Civil c = ToCivil(t);
  return pv::DaysFromCivil(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day)) * kSecondsPerDay +
         c.hour * 3600 + c.minute * 60 + c.second;
}

COleDateTime FromSeconds(std::int64_t s) {
  std::int64_t days = s >= 0 ? s / kSecondsPerDay : -((-s + kSecondsPerDay - 1) / kSecondsPerDay);
  std::int64_t rest = s - days * kSecondsPerDay;
  std::int64_t y;
  unsigned m, d;
  pv::CivilFromDays(days, &y, &m, &d);
  return FromCivil(y, static_cast<int>(m), static_cast<int>(d), static_cast<int>(rest / 3600),
                   static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
}

bool Valid(const COleDateTime& t) { return t.GetStatus() == COleDateTime::valid; }

// Months since year 0 of the k-th monthly occurrence.
std::int64_t MonthNumber(const Civil& c) { return c.year * 12 + (c.month - 1); }

}  // namespace

bool IsRemindRepeatCode(int numberOfTimes) { return numberOfTimes >= kRemindOnce && numberOfTimes <= kRemindCountless; }

bool IsRemindStepCode(int separation) { return separation >= kRemindStepNone && separation <= kRemindStepYear; }

int RemindOccurrenceCount(int numberOfTimes) {
  return numberOfTimes >= kRemindOnce && numberOfTimes <= kRemindThrice ? numberOfTimes + 1 : 0;
}

bool IsRemindSeries(int numberOfTimes, int separation) {
  if (!IsRemindRepeatCode(numberOfTimes) || !IsRemindStepCode(separation)) return false;
  return !(numberOfTimes == kRemindCountless && separation == kRemindStepNone);
}

COleDateTimeSpan SeparationToSpan(int separation) {
  if (separation == kRemindStepNone) return COleDateTimeSpan(0.0);
  if (separation >= 0 && separation <= 9)
    return COleDateTimeSpan(static_cast<double>(kFixedStepSeconds[separation]) / kSecondsPerDay);
  if (separation == kRemindStepYear) return COleDateTimeSpan(365, 0, 0, 0);
  COleDateTimeSpan none(0.0);
  none.SetStatus(COleDateTimeSpan::invalid);
  return none;
}

COleDateTime RemindAdvance(const COleDateTime& start, int separation, long long k) {
  if (!Valid(start) || !IsRemindStepCode(separation) || k < 0 || k > kMaxIndex) return Invalid();
  if (k == 0 || separation == kRemindStepNone) return start;
  Civil c = ToCivil(start);
  if (separation == kRemindStepMonth) {
    std::int64_t month = MonthNumber(c) + k;
    return FromCivil(month / 12, static_cast<int>(month % 12) + 1, c.day, c.hour, c.minute, c.second);
  }
  if (separation == kRemindStepYear) return FromCivil(c.year + k, c.month, c.day, c.hour, c.minute, c.second);
  const std::int64_t seconds = ToSeconds(start) + kFixedStepSeconds[separation] * k;
  // From 30 December 1899 on a DATE counts days linearly: no fields needed.
  if (start.m_dt >= 0 && seconds >= -kDays1899To1970 * kSecondsPerDay)
    return COleDateTime(static_cast<double>(seconds + kDays1899To1970 * kSecondsPerDay) / kSecondsPerDay);
  return FromSeconds(seconds);
}

COleDateTime RemindFirstOccurrence(const COleDateTime& remindDate, const COleDateTime& remindTime) {
  if (!Valid(remindDate) || !Valid(remindTime)) return Invalid();
  if (remindDate.m_dt >= 0 && remindTime.m_dt >= 0) {
    // The day of the one and the time of day of the other, both rounded to
    // the second as their fields read.
    std::int64_t date = std::llround(remindDate.m_dt * kSecondsPerDay);
    std::int64_t time = std::llround(remindTime.m_dt * kSecondsPerDay);
    std::int64_t seconds = date - date % kSecondsPerDay + time % kSecondsPerDay;
    return COleDateTime(static_cast<double>(seconds) / kSecondsPerDay);
  }
  return FromCivil(remindDate.GetYear(), remindDate.GetMonth(), remindDate.GetDay(), remindTime.GetHour(),
                   remindTime.GetMinute(), remindTime.GetSecond());
}

COleDateTime RemindLastOccurrence(const COleDateTime& start, int numberOfTimes, int separation) {
  if (!IsRemindSeries(numberOfTimes, separation) || numberOfTimes == kRemindCountless) return Invalid();
  for (long long k = RemindOccurrenceCount(numberOfTimes) - 1; k >= 0; --k) {
    COleDateTime t = RemindAdvance(start, separation, k);
    if (Valid(t)) return t;
  }
  return Invalid();
}

void ForEachRemindOccurrence(const COleDateTime& start, int numberOfTimes, int separation, const COleDateTime& from,
                             const COleDateTime& to,
                             const std::function<void(long long index, const COleDateTime& occurrence)>& visit) {
  if (!Valid(start) || !Valid(from) || !Valid(to) || !IsRemindSeries(numberOfTimes, separation)) return;
  auto offer = [&](long long k) {
    COleDateTime t = RemindAdvance(start, separation, k);
    if (Valid(t) && t >= from && t <= to) visit(k, t);
  };
  if (numberOfTimes != kRemindCountless) {
    long long count = separation == kRemindStepNone ? 1 : RemindOccurrenceCount(numberOfTimes);
    for (long long k = 0; k < count; ++k) offer(k);
    return;
  }
  if (start > to) return;
  if (separation == kRemindStepMonth || separation == kRemindStepYear) {
    // Walk the months (or years) from the one of `from` (never before the
    // start's) to the one of `to`.
    Civil s = ToCivil(start), f = ToCivil(from), e = ToCivil(to);
    bool monthly = separation == kRemindStepMonth;
    long long first = monthly ? MonthNumber(f) - MonthNumber(s) : f.year - s.year;
    long long last = monthly ? MonthNumber(e) - MonthNumber(s) : e.year - s.year;
    for (long long k = std::max(0LL, first); k <= last; ++k) offer(k);
    return;
  }
  // Fixed step: the indexes whose moments can lie in [from, to]; the ends
  // are checked again with the usual tolerance.
  std::int64_t step = kFixedStepSeconds[separation];
  std::int64_t s = ToSeconds(start);
  std::int64_t lo = ToSeconds(from) - s, hi = ToSeconds(to) - s;
  long long first = lo <= 0 ? 0 : (lo - 1) / step;
  long long last = std::min<long long>(hi / step + 1, kMaxIndex);
  for (long long k = first; k <= last; ++k) {
    offer(k);
  }
}
