#include "platform/base/oledatetime.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "platform/base/clock.h"

namespace {

constexpr double kHalfSecond = pv::kHalfSecond;

// Seconds of a span rounded to the nearest whole second, halves away from zero.
long long RoundedSeconds(double days) {
  double s = days * 86400.0;
  return static_cast<long long>(s < 0 ? std::ceil(s - 0.5) : std::floor(s + 0.5));
}

bool InRange(DATE d) { return d > -657435.0 && d < 2958466.0; }

const char* const kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};
const char* const kDays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

void AppendAscii(std::u16string& out, const char* s) {
  for (; *s; ++s) out.push_back(static_cast<unsigned char>(*s));
}

void AppendNumber(std::u16string& out, long long v, int width, bool noPad) {
  char buf[32];
  if (noPad) std::snprintf(buf, sizeof buf, "%lld", v);
  else std::snprintf(buf, sizeof buf, "%0*lld", width, v);
  AppendAscii(out, buf);
}

}  // namespace

// ---- COleDateTimeSpan ------------------------------------------------------------------------

COleDateTimeSpan::COleDateTimeSpan(double days) noexcept
    : m_span(days), m_status(std::isfinite(days) ? valid : invalid) {}

COleDateTimeSpan::COleDateTimeSpan(LONG days, int hours, int minutes, int seconds) noexcept {
  SetDateTimeSpan(days, hours, minutes, seconds);
}

void COleDateTimeSpan::SetDateTimeSpan(LONG days, int hours, int minutes, int seconds) noexcept {
  m_span = days + (hours * 3600.0 + minutes * 60.0 + seconds) / 86400.0;
  m_status = valid;
}

double COleDateTimeSpan::GetTotalDays() const noexcept { return static_cast<double>(RoundedSeconds(m_span) / 86400); }
double COleDateTimeSpan::GetTotalHours() const noexcept { return static_cast<double>(RoundedSeconds(m_span) / 3600); }
double COleDateTimeSpan::GetTotalMinutes() const noexcept { return static_cast<double>(RoundedSeconds(m_span) / 60); }
double COleDateTimeSpan::GetTotalSeconds() const noexcept { return static_cast<double>(RoundedSeconds(m_span)); }
LONG COleDateTimeSpan::GetDays() const noexcept { return static_cast<LONG>(RoundedSeconds(m_span) / 86400); }
LONG COleDateTimeSpan::GetHours() const noexcept { return static_cast<LONG>(RoundedSeconds(m_span) / 3600 % 24); }
LONG COleDateTimeSpan::GetMinutes() const noexcept { return static_cast<LONG>(RoundedSeconds(m_span) / 60 % 60); }
LONG COleDateTimeSpan::GetSeconds() const noexcept { return static_cast<LONG>(RoundedSeconds(m_span) % 60); }

static COleDateTimeSpan::DateTimeSpanStatus Combine(COleDateTimeSpan::DateTimeSpanStatus a,
                                                    COleDateTimeSpan::DateTimeSpanStatus b) {
  if (a == COleDateTimeSpan::invalid || b == COleDateTimeSpan::invalid) return COleDateTimeSpan::invalid;
  if (a == COleDateTimeSpan::null || b == COleDateTimeSpan::null) return COleDateTimeSpan::null;
  return COleDateTimeSpan::valid;
}

COleDateTimeSpan COleDateTimeSpan::operator+(const COleDateTimeSpan& other) const noexcept {
  COleDateTimeSpan r(m_span + other.m_span);
  r.m_status = Combine(m_status, other.m_status);
  return r;
}

COleDateTimeSpan COleDateTimeSpan::operator-(const COleDateTimeSpan& other) const noexcept {
  COleDateTimeSpan r(m_span - other.m_span);
  r.m_status = Combine(m_status, other.m_status);
  return r;
}

COleDateTimeSpan COleDateTimeSpan::operator-() const noexcept {
  COleDateTimeSpan r(-m_span);
  r.m_status = m_status;
  return r;
}

COleDateTimeSpan COleDateTimeSpan::operator*(int factor) const noexcept {
  COleDateTimeSpan r(m_span * factor);
  r.m_status = m_status;
  return r;
}

COleDateTimeSpan COleDateTimeSpan::operator/(int divisor) const noexcept {
  COleDateTimeSpan r(divisor ? m_span / divisor : 0.0);
  r.m_status = divisor ? m_status : invalid;
  return r;
}

bool COleDateTimeSpan::operator==(const COleDateTimeSpan& other) const noexcept {
  if (m_status != other.m_status) return false;
  if (m_status == null) return true;
  return m_status == valid && std::fabs(m_span - other.m_span) < kHalfSecond;
}

bool COleDateTimeSpan::operator<(const COleDateTimeSpan& other) const noexcept {
  return m_status == valid && other.m_status == valid && other.m_span - m_span >= kHalfSecond;
}

CString COleDateTimeSpan::Format(LPCTSTR format) const {
  std::u16string out;
  if (!format || m_status != valid) return CString();
  for (const char16_t* p = format; *p; ++p) {
    if (*p != u'%' || !p[1]) {
      out.push_back(*p);
      continue;
    }
    ++p;
    switch (*p) {
      case u'D':
        AppendNumber(out, GetDays(), 1, true);
        break;
      case u'H':
        AppendNumber(out, GetHours(), 2, false);
        break;
      case u'M':
        AppendNumber(out, GetMinutes(), 2, false);
        break;
      case u'S':
        AppendNumber(out, GetSeconds(), 2, false);
        break;
      case u'%':
        out.push_back(u'%');
        break;
      default:
        out.push_back(u'%');
        out.push_back(*p);
    }
  }
  return CString(std::move(out));
}

// ---- COleDateTime -----------------------------------------------------------------------------------

COleDateTime COleDateTime::GetCurrentTime() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  st.wMilliseconds = 0;
  return COleDateTime(st);
}

COleDateTime::COleDateTime(DATE date) noexcept : m_dt(date), m_status(InRange(date) ? valid : invalid) {}

COleDateTime::COleDateTime(const VARIANT& value) noexcept : m_dt(0), m_status(valid) {
  if (value.vt == VT_DATE) {
    *this = COleDateTime(value.date);
    return;
  }
  if (value.vt == VT_NULL) {
    m_status = null;
    return;
  }
  VARIANT converted;
  VariantInit(&converted);
  if (SUCCEEDED(VariantChangeType(&converted, &value, 0, VT_DATE))) {
    *this = COleDateTime(converted.date);
  } else {
    m_status = invalid;
  }
  VariantClear(&converted);
}

COleDateTime::COleDateTime(std::time_t utc) noexcept : m_dt(0), m_status(valid) {
  FILETIME ft = pv::TimeTToFileTime(utc);
  *this = COleDateTime(ft);
}

COleDateTime::COleDateTime(const SYSTEMTIME& st) noexcept : m_dt(0), m_status(valid) {
  SetDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

COleDateTime::COleDateTime(const FILETIME& utc) noexcept : m_dt(0), m_status(valid) {
  FILETIME local;
  SYSTEMTIME st;
  if (FileTimeToLocalFileTime(&utc, &local) && FileTimeToSystemTime(&local, &st))
    SetDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
  else m_status = invalid;
}

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second) noexcept
    : m_dt(0), m_status(valid) {
  SetDateTime(year, month, day, hour, minute, second);
}

COleDateTime::COleDateTime(WORD dosDate, WORD dosTime) noexcept : m_dt(0), m_status(valid) {
  SetDateTime(1980 + (dosDate >> 9), (dosDate >> 5) & 0xF, dosDate & 0x1F, dosTime >> 11, (dosTime >> 5) & 0x3F,
              (dosTime & 0x1F) * 2);
}

bool COleDateTime::GetAsSystemTime(SYSTEMTIME& st) const noexcept {
  return m_status == valid && VariantTimeToSystemTime(m_dt, &st);
}

#define PV_DATE_FIELD(name, expr)                                                        \
  int COleDateTime::name() const noexcept {                                              \
    pv::DateFields f;                                                                    \
    if (m_status != valid || !pv::DateToFields(m_dt, &f)) return AFX_OLE_DATETIME_ERROR; \
    return expr;                                                                         \
  }
PV_DATE_FIELD(GetYear, f.year)
PV_DATE_FIELD(GetMonth, f.month)
PV_DATE_FIELD(GetDay, f.day)
PV_DATE_FIELD(GetHour, f.hour)
PV_DATE_FIELD(GetMinute, f.minute)
PV_DATE_FIELD(GetSecond, f.second)
PV_DATE_FIELD(GetDayOfWeek, f.dayOfWeek + 1)
PV_DATE_FIELD(GetDayOfYear, f.dayOfYear)
#undef PV_DATE_FIELD

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) noexcept {
  DATE d;
  if (!pv::FieldsToDate(year, month, day, hour, minute, second, &d)) {
    m_status = invalid;
    return 1;
  }
  m_dt = d;
  m_status = valid;
  return 0;
}

int COleDateTime::SetTime(int hour, int minute, int second) noexcept {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    m_status = invalid;
    return 1;
  }
  m_dt = (hour * 3600 + minute * 60 + second) / 86400.0;
  m_status = valid;
  return 0;
}

bool COleDateTime::operator==(const COleDateTime& other) const noexcept {
  if (m_status == null && other.m_status == null) return true;
  if (m_status != valid || other.m_status != valid) return false;
  return std::fabs(pv::DateToLinear(m_dt) - pv::DateToLinear(other.m_dt)) < kHalfSecond;
}

bool COleDateTime::operator<(const COleDateTime& other) const noexcept {
  if (m_status != valid || other.m_status != valid) return false;
  return pv::DateToLinear(other.m_dt) - pv::DateToLinear(m_dt) >= kHalfSecond;
}

bool COleDateTime::operator<=(const COleDateTime& other) const noexcept {
  if (m_status != valid || other.m_status != valid) return false;
  return pv::DateToLinear(m_dt) - pv::DateToLinear(other.m_dt) < kHalfSecond;
}

COleDateTime COleDateTime::operator+(const COleDateTimeSpan& span) const noexcept {
  COleDateTime r;
  if (m_status != valid || span.m_status != COleDateTimeSpan::valid) {
    r.m_status = (m_status == null || span.m_status == COleDateTimeSpan::null) && m_status != invalid &&
                         span.m_status != COleDateTimeSpan::invalid
                     ? null
                     : invalid;
    return r;
  }
  r = COleDateTime(pv::LinearToDate(pv::DateToLinear(m_dt) + span.m_span));
  return r;
}

COleDateTime COleDateTime::operator-(const COleDateTimeSpan& span) const noexcept { return *this + (-span); }

COleDateTimeSpan COleDateTime::operator-(const COleDateTime& other) const noexcept {
  COleDateTimeSpan r;
  if (m_status != valid || other.m_status != valid) {
    r.m_status = (m_status == null || other.m_status == null) && m_status != invalid && other.m_status != invalid
                     ? COleDateTimeSpan::null
                     : COleDateTimeSpan::invalid;
    return r;
  }
  r.m_span = pv::DateToLinear(m_dt) - pv::DateToLinear(other.m_dt);
  return r;
}

bool COleDateTime::ParseDateTime(LPCTSTR text, DWORD flags, LCID lcid) {
  if (!text) {
    m_dt = 0;
    m_status = null;
    return false;
  }
  DATE d;
  if (!pv::ParseVariantDate(text, flags & (VAR_DATEVALUEONLY | VAR_TIMEVALUEONLY), lcid, &d)) {
    m_dt = 0;
    m_status = invalid;
    return false;
  }
  m_dt = d;
  m_status = valid;
  return true;
}

CString COleDateTime::Format(DWORD flags, LCID lcid) const {
  if (m_status == null) return CString();
  std::u16string text;
  if (m_status != valid || !pv::FormatVariantDate(m_dt, flags & (VAR_DATEVALUEONLY | VAR_TIMEVALUEONLY), lcid, &text))
    return CString(u"Invalid DateTime");
  return CString(std::move(text));
}

CString COleDateTime::Format(LPCTSTR format) const {
  if (m_status == null) return CString();
  pv::DateFields f;
  if (m_status != valid || !pv::DateToFields(m_dt, &f)) return CString(u"Invalid DateTime");
  if (!format) return CString();
  std::u16string out;
  // Week numbers: the first Sunday (%U) or Monday (%W) starts week 1.
  auto week = [&](int firstDay) {
    int yday = f.dayOfYear - 1;
    int wday = (f.dayOfWeek - firstDay + 7) % 7;
    return (yday + 7 - wday) / 7;
  };
  std::function<void(const char16_t*)> run = [&](const char16_t* fmt) {
    for (const char16_t* p = fmt; *p; ++p) {
      if (*p != u'%' || !p[1]) {
        out.push_back(*p);
        continue;
      }
      ++p;
      bool alt = false;
      if (*p == u'#' && p[1]) {
        alt = true;
        ++p;
      }
      int h12 = f.hour % 12 == 0 ? 12 : f.hour % 12;
      switch (*p) {
        case u'a':
          out.append(std::u16string(kDays[f.dayOfWeek], kDays[f.dayOfWeek] + 3));
          break;
        case u'A':
          AppendAscii(out, kDays[f.dayOfWeek]);
          break;
        case u'b':
          out.append(std::u16string(kMonths[f.month - 1], kMonths[f.month - 1] + 3));
          break;
        case u'B':
          AppendAscii(out, kMonths[f.month - 1]);
          break;
        case u'c':
          run(alt ? u"%#x %H:%M:%S" : u"%m/%d/%y %H:%M:%S");
          break;
        case u'x':
          run(alt ? u"%A, %B %#d, %Y" : u"%m/%d/%y");
          break;
        case u'X':
          run(u"%H:%M:%S");
          break;
        case u'd':
          AppendNumber(out, f.day, 2, alt);
          break;
        case u'H':
          AppendNumber(out, f.hour, 2, alt);
          break;
        case u'I':
          AppendNumber(out, h12, 2, alt);
          break;
        case u'j':
          AppendNumber(out, f.dayOfYear, 3, alt);
          break;
        case u'm':
          AppendNumber(out, f.month, 2, alt);
          break;
        case u'M':
          AppendNumber(out, f.minute, 2, alt);
          break;
        case u'S':
          AppendNumber(out, f.second, 2, alt);
          break;
        case u'p':
          AppendAscii(out, f.hour < 12 ? "AM" : "PM");
          break;
        case u'U':
          AppendNumber(out, week(0), 2, alt);
          break;
        case u'W':
          AppendNumber(out, week(1), 2, alt);
          break;
        case u'w':
          AppendNumber(out, f.dayOfWeek, 1, true);
          break;
        case u'y':
          AppendNumber(out, f.year % 100, 2, alt);
          break;
        case u'Y':
          AppendNumber(out, f.year, 4, alt);
          break;
        case u'z':
        case u'Z': {
          pv::ClockTimeZone tz = pv::Clock::TimeZone();
          bool daylight = false;
          pv::Clock::BiasAtUtc(pv::Clock::UtcNow(), &daylight);
          out.append(daylight ? tz.daylightName : tz.standardName);
          break;
        }
        case u'%':
          out.push_back(u'%');
          break;
        default:
          // Unknown codes are kept as written.
          out.push_back(u'%');
          if (alt) out.push_back(u'#');
          out.push_back(*p);
      }
    }
  };
  run(format);
  return CString(std::move(out));
}
