// Locale names and date texts shared by the date picker, its paint manager
// and its month list: everything comes from the user-default locale.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/oledatetime.h"
#include "platform/base/systime.h"
#include "platform/base/wintypes.h"
#include "platform/system/locale.h"

class CTKCalendarLocale {
 public:
  static LCID GetLocaleID();
  // GetLocaleInfoW into a buffer of `capacity` characters.
  static CString GetLocaleString(LCTYPE type, int capacity);
  static CString FormatDate(const SYSTEMTIME& date, LPCTSTR format);
  // Years before 1602 are formatted as the same day 2000 years later with
  // the year text put back (a Thai locale counts both years 543 on).
  static CString FormatDateWithFormat(const COleDateTime& date, LPCTSTR format);
  static COleDateTime GetCurrentDate();
  // FALSE when either is null; otherwise within half a second (a second
  // with `oneSecond`).
  static BOOL IsSameDate(const COleDateTime& a, const COleDateTime& b, BOOL oneSecond = FALSE);

  // Day names (index 0 Sunday) as the calendar shows them: a prefix every
  // name shares with Monday's is dropped (left-to-right only), and a
  // right-to-left calendar keeps one character of each.
  static void ShortenDayNames(CString names[7], BOOL rightToLeft);
};
