#include "toolkit/controls/datepickerlocale.h"

#include <algorithm>
#include <vector>

LCID CTKCalendarLocale::GetLocaleID() { return LOCALE_USER_DEFAULT; }

CString CTKCalendarLocale::GetLocaleString(LCTYPE type, int capacity) {
  if (capacity <= 0) return CString();
  std::vector<WCHAR> buffer(static_cast<std::size_t>(capacity) + 1, 0);
  ::GetLocaleInfoW(GetLocaleID(), type, buffer.data(), capacity);
  buffer[static_cast<std::size_t>(capacity)] = 0;
  return CString(buffer.data());
}

CString CTKCalendarLocale::FormatDate(const SYSTEMTIME& date, LPCTSTR format) {
  WCHAR buffer[256] = {};
  ::GetDateFormatW(GetLocaleID(), 0, &date, format, buffer, 255);
  return CString(buffer);
}

CString CTKCalendarLocale::FormatDateWithFormat(const COleDateTime& date, LPCTSTR format) {
  if (date.GetStatus() != COleDateTime::valid) return CString();
  SYSTEMTIME st{};
  if (date.GetAsSystemTime(st) && st.wYear > 1601) return FormatDate(st, format);
  // The locale functions start at 1601: format the same day 2000 years on
  // (a leap year stays one) and put the real year back into the text.
  const int year = date.GetYear();
  COleDateTime shifted;
  if (shifted.SetDate(year + 2000, date.GetMonth(), date.GetDay()) != 0 || !shifted.GetAsSystemTime(st))
    return CString();
  LCID lcid = GetLocaleID();
  if (lcid == LOCALE_USER_DEFAULT) lcid = ::GetUserDefaultLCID();
  const int offset = PRIMARYLANGID(LANGIDFROMLCID(lcid)) == LANG_THAI ? 543 : 0;
  CString text = FormatDate(st, format);
  CString shiftedYear, realYear;
  shiftedYear.Format(u"%d", year + 2000 + offset);
  realYear.Format(u"%d", year + offset);
  text.Replace(shiftedYear, realYear);
  return text;
}

COleDateTime CTKCalendarLocale::GetCurrentDate() {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  return COleDateTime(st);
}

BOOL CTKCalendarLocale::IsSameDate(const COleDateTime& a, const COleDateTime& b, BOOL oneSecond) {
  if (a.GetStatus() == COleDateTime::null || b.GetStatus() == COleDateTime::null) return FALSE;
  const double limit = (oneSecond ? 1.0 : 0.5) / 86400.0;
  const double diff = static_cast<double>(a - b);
  return (diff < 0 ? -diff : diff) <= limit;
}

void CTKCalendarLocale::ShortenDayNames(CString names[7], BOOL rightToLeft) {
  // Monday is index 1; the shared prefix is at most 255 characters.
  int prefix = std::min(names[1].GetLength(), 255);
  for (int d = 0; d < 7; ++d) {
    if (d == 1) continue;
    int p = 0;
    while (p < prefix && p < names[d].GetLength() && names[d][p] == names[1][p]) ++p;
    prefix = p;
  }
  if (prefix > 0 && !rightToLeft)
    for (int d = 0; d < 7; ++d) names[d] = names[d].Mid(prefix);
  if (rightToLeft) {
    for (int d = 0; d < 7; ++d) {
      const CString& n = names[d];
      if (n.IsEmpty()) continue;
      names[d] = n.Find(u' ') >= 0 ? n.Right(1) : n.Left(1);
    }
  }
}
