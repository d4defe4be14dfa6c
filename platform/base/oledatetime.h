// COleDateTime and COleDateTimeSpan: Automation dates with a status.
//
// A date is a DATE (days since 30 December 1899; below zero the fraction
// still counts forward from midnight, so -1.25 is 29 December 1899, 06:00)
// plus a status: valid, invalid (an impossible date, a failed parse or
// arithmetic out of range) or null. Fields are read rounded to the nearest
// second. Valid years are 100..9999.
//
// Comparisons: two dates are equal when both are valid and less than half a
// second apart (or both are null); an invalid date never compares equal.
// Earlier/later hold only between two valid dates that are not equal, so
// the ordering agrees with the equality a sort relies on.
#pragma once

#include <ctime>

#include "platform/base/cstring.h"
#include "platform/base/systime.h"
#include "platform/base/variant.h"

#define AFX_OLE_DATETIME_ERROR (-1)

class COleDateTimeSpan {
 public:
  enum DateTimeSpanStatus { valid = 0, invalid = 1, null = 2 };

  COleDateTimeSpan() noexcept : m_span(0), m_status(valid) {}
  COleDateTimeSpan(double days) noexcept;  // NOLINT
  COleDateTimeSpan(LONG days, int hours, int minutes, int seconds) noexcept;

  void SetDateTimeSpan(LONG days, int hours, int minutes, int seconds) noexcept;
  DateTimeSpanStatus GetStatus() const noexcept { return m_status; }
  void SetStatus(DateTimeSpanStatus status) noexcept { m_status = status; }

  // Totals are whole units of the span rounded to the nearest second (halves
  // away from zero), truncated toward zero: -90 s gives -1 minute.
  double GetTotalDays() const noexcept;
  double GetTotalHours() const noexcept;
  double GetTotalMinutes() const noexcept;
  double GetTotalSeconds() const noexcept;
  // Parts of that rounded span, each with the span's sign.
  LONG GetDays() const noexcept;
  LONG GetHours() const noexcept;    // -23..23
  LONG GetMinutes() const noexcept;  // -59..59
  LONG GetSeconds() const noexcept;  // -59..59

  operator double() const noexcept { return m_span; }  // NOLINT

  COleDateTimeSpan operator+(const COleDateTimeSpan& other) const noexcept;
  COleDateTimeSpan operator-(const COleDateTimeSpan& other) const noexcept;
  COleDateTimeSpan& operator+=(const COleDateTimeSpan& other) noexcept { return *this = *this + other; }
  COleDateTimeSpan& operator-=(const COleDateTimeSpan& other) noexcept { return *this = *this - other; }
  COleDateTimeSpan operator-() const noexcept;
  COleDateTimeSpan operator*(int factor) const noexcept;
  COleDateTimeSpan operator/(int divisor) const noexcept;
  COleDateTimeSpan& operator*=(int factor) noexcept { return *this = *this * factor; }
  COleDateTimeSpan& operator/=(int divisor) noexcept { return *this = *this / divisor; }

  bool operator==(const COleDateTimeSpan& other) const noexcept;
  bool operator!=(const COleDateTimeSpan& other) const noexcept { return !(*this == other); }
  bool operator<(const COleDateTimeSpan& other) const noexcept;
  bool operator>(const COleDateTimeSpan& other) const noexcept { return other < *this; }
  bool operator<=(const COleDateTimeSpan& other) const noexcept { return *this < other || *this == other; }
  bool operator>=(const COleDateTimeSpan& other) const noexcept { return *this > other || *this == other; }

  // %D days, %H hours, %M minutes, %S seconds (two digits), %% a percent.
  CString Format(LPCTSTR format) const;

  double m_span;
  DateTimeSpanStatus m_status;
};

class COleDateTime {
 public:
  enum DateTimeStatus { error = -1, valid = 0, invalid = 1, null = 2 };

  // The local time now, in whole seconds, from the process clock.
  static COleDateTime GetCurrentTime();

  COleDateTime() noexcept : m_dt(0), m_status(valid) {}
  COleDateTime(DATE date) noexcept;             // NOLINT
  COleDateTime(const VARIANT& value) noexcept;  // NOLINT
  COleDateTime(std::time_t utc) noexcept;       // NOLINT: shown in local time
  COleDateTime(const SYSTEMTIME& st) noexcept;  // NOLINT: milliseconds ignored
  COleDateTime(const FILETIME& utc) noexcept;   // NOLINT: shown in local time
  COleDateTime(int year, int month, int day, int hour, int minute, int second) noexcept;
  COleDateTime(WORD dosDate, WORD dosTime) noexcept;

  COleDateTime& operator=(DATE date) noexcept { return *this = COleDateTime(date); }
  COleDateTime& operator=(const VARIANT& value) noexcept { return *this = COleDateTime(value); }
  COleDateTime& operator=(std::time_t utc) noexcept { return *this = COleDateTime(utc); }
  COleDateTime& operator=(const SYSTEMTIME& st) noexcept { return *this = COleDateTime(st); }
  COleDateTime& operator=(const FILETIME& ft) noexcept { return *this = COleDateTime(ft); }

  DateTimeStatus GetStatus() const noexcept { return m_status; }
  void SetStatus(DateTimeStatus status) noexcept { m_status = status; }
  bool GetAsSystemTime(SYSTEMTIME& st) const noexcept;

  // AFX_OLE_DATETIME_ERROR when the date is not valid.
  int GetYear() const noexcept;
  int GetMonth() const noexcept;
  int GetDay() const noexcept;
  int GetHour() const noexcept;
  int GetMinute() const noexcept;
  int GetSecond() const noexcept;
  int GetDayOfWeek() const noexcept;  // 1 = Sunday
  int GetDayOfYear() const noexcept;  // 1 = 1 January

  // 0 on success; 1 (and the invalid status) for an impossible date.
  int SetDateTime(int year, int month, int day, int hour, int minute, int second) noexcept;
  int SetDate(int year, int month, int day) noexcept { return SetDateTime(year, month, day, 0, 0, 0); }
  int SetTime(int hour, int minute, int second) noexcept;  // on the zero day

  operator DATE() const noexcept { return m_dt; }  // NOLINT

  bool operator==(const COleDateTime& other) const noexcept;
  bool operator!=(const COleDateTime& other) const noexcept { return !(*this == other); }
  bool operator<(const COleDateTime& other) const noexcept;
  bool operator>(const COleDateTime& other) const noexcept { return other < *this; }
  bool operator<=(const COleDateTime& other) const noexcept;
  bool operator>=(const COleDateTime& other) const noexcept { return other <= *this; }

  COleDateTime operator+(const COleDateTimeSpan& span) const noexcept;
  COleDateTime operator-(const COleDateTimeSpan& span) const noexcept;
  COleDateTime& operator+=(const COleDateTimeSpan& span) noexcept { return *this = *this + span; }
  COleDateTime& operator-=(const COleDateTimeSpan& span) noexcept { return *this = *this - span; }
  COleDateTimeSpan operator-(const COleDateTime& other) const noexcept;

  // Reads date text under the locale (see pv::ParseVariantDate): "3/26/2013"
  // under en-US, "26.03.2013" under de-DE, "2026年12月8日"; flags VAR_DATEVALUEONLY
  // or VAR_TIMEVALUEONLY keep one half. Text that does not parse gives false
  // and the invalid status; a null pointer gives the null status.
  bool ParseDateTime(LPCTSTR text, DWORD flags = 0, LCID lcid = 0x0400 /* LANG_USER_DEFAULT */);

  // The Automation text under the locale ("3/26/2013 2:05:00 PM" for en-US);
  // "" when null and "Invalid DateTime" when invalid.
  CString Format(DWORD flags = 0, LCID lcid = 0x0400 /* LANG_USER_DEFAULT */) const;
  // strftime-style codes: %a %A %b %B %c %d %H %I %j %m %M %p %S %U %w %W
  // %x %X %y %Y %z %Z %%, with '#' removing leading zeros (%#d) and giving
  // the long forms of %#c and %#x.
  CString Format(LPCTSTR format) const;

  DATE m_dt;
  DateTimeStatus m_status;
};
