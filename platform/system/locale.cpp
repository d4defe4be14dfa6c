#include "platform/system/locale.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/collate.h"
#include "platform/base/datepicture.h"
#include "platform/base/localedata.h"
#include "platform/system/sysutil.h"

namespace {

thread_local LCID t_threadLocale = 0;

// The locale an LCID names, or null with ERROR_INVALID_PARAMETER.
const pv::LocaleData* Served(LCID lcid) {
  const pv::LocaleData* d = pv::FindLocaleData(lcid);
  if (!d) SetLastError(ERROR_INVALID_PARAMETER);
  return d;
}

std::u16string Decimal(int v) { return pv::sys::FromUtf8(std::to_string(v)); }

std::u16string Hex4(unsigned v) {
  static const char16_t digits[] = u"0123456789abcdef";
  std::u16string s;
  for (int shift = 12; shift >= 0; shift -= 4) s += digits[(v >> shift) & 0xf];
  return s;
}

// One item's text; false for an item we do not know.
bool Lookup(const pv::LocaleData& t, LCTYPE type, std::u16string* out) {
  if (type >= LOCALE_SDAYNAME1 && type <= LOCALE_SDAYNAME7) {
    *out = t.days[type - LOCALE_SDAYNAME1];
    return true;
  }
  if (type >= LOCALE_SABBREVDAYNAME1 && type <= LOCALE_SABBREVDAYNAME7) {
    *out = t.abbrevDays[type - LOCALE_SABBREVDAYNAME1];
    return true;
  }
  if (type >= LOCALE_SMONTHNAME1 && type <= LOCALE_SMONTHNAME12) {
    *out = t.months[type - LOCALE_SMONTHNAME1];
    return true;
  }
  if (type >= LOCALE_SABBREVMONTHNAME1 && type <= LOCALE_SABBREVMONTHNAME12) {
    *out = t.abbrevMonths[type - LOCALE_SABBREVMONTHNAME1];
    return true;
  }
  pv::PictureTraits shortDate = pv::TraitsOf(t.shortDate), time = pv::TraitsOf(t.timeFormat);
  auto order = [](const std::u16string& o) {
    return o.rfind(u"y", 0) == 0 ? u"2" : o.rfind(u"d", 0) == 0 ? u"1" : u"0";
  };
  switch (type) {
    case LOCALE_ILANGUAGE:
    case LOCALE_IDEFAULTLANGUAGE:
      *out = Hex4(t.lcid);
      return true;
    case LOCALE_SLANGUAGE:
      *out = t.englishLanguage + u" (" + t.englishCountry + u")";
      return true;
    case LOCALE_SENGLANGUAGE:
      *out = t.englishLanguage;
      return true;
    case LOCALE_SABBREVLANGNAME:
      *out = t.abbrevLanguage;
      return true;
    case LOCALE_SNATIVELANGNAME:
      *out = t.nativeLanguage;
      return true;
    case LOCALE_ICOUNTRY:
    case LOCALE_IDEFAULTCOUNTRY:
      *out = t.countryCode;
      return true;
    case LOCALE_SCOUNTRY:
    case LOCALE_SENGCOUNTRY:
      *out = t.englishCountry;
      return true;
    case LOCALE_SABBREVCTRYNAME:
      *out = t.abbrevCountry;
      return true;
    case LOCALE_IDEFAULTCODEPAGE:
      *out = Decimal(t.oemCodePage);
      return true;
    case LOCALE_IDEFAULTANSICODEPAGE:
      *out = Decimal(t.ansiCodePage);
      return true;
    case LOCALE_SLIST:
      *out = t.list;
      return true;
    case LOCALE_IMEASURE:
      *out = Decimal(t.measure);
      return true;
    case LOCALE_SDECIMAL:
      *out = t.decimal;
      return true;
    case LOCALE_STHOUSAND:
      *out = t.thousand;
      return true;
    case LOCALE_SGROUPING:
      *out = t.grouping;
      return true;
    case LOCALE_IDIGITS:
      *out = Decimal(t.digits);
      return true;
    case LOCALE_ILZERO:
      *out = u"1";
      return true;
    case LOCALE_INEGNUMBER:
      *out = u"1";
      return true;
    case LOCALE_SNATIVEDIGITS:
      *out = u"0123456789";
      return true;
    case LOCALE_SCURRENCY:
      *out = t.currency;
      return true;
    case LOCALE_SINTLSYMBOL:
      *out = t.intlSymbol;
      return true;
    case LOCALE_SMONDECIMALSEP:
      *out = t.monDecimal;
      return true;
    case LOCALE_SMONTHOUSANDSEP:
      *out = t.monThousand;
      return true;
    case LOCALE_SMONGROUPING:
      *out = t.monGrouping;
      return true;
    case LOCALE_ICURRDIGITS:
      *out = Decimal(t.currencyDigits);
      return true;
    case LOCALE_ICURRENCY:
      *out = Decimal(t.positiveCurrency);
      return true;
    case LOCALE_INEGCURR:
      *out = Decimal(t.negativeCurrency);
      return true;
    case LOCALE_SDATE:
      *out = t.dateSeparator;
      return true;
    case LOCALE_STIME:
      *out = t.timeSeparator;
      return true;
    case LOCALE_SSHORTDATE:
      *out = t.shortDate;
      return true;
    case LOCALE_SLONGDATE:
      *out = t.longDate;
      return true;
    case LOCALE_STIMEFORMAT:
      *out = t.timeFormat;
      return true;
    case LOCALE_SYEARMONTH:
      *out = t.yearMonth;
      return true;
    case LOCALE_IDATE:
      *out = order(shortDate.dateOrder);
      return true;
    case LOCALE_ILDATE:
      *out = order(pv::TraitsOf(t.longDate).dateOrder);
      return true;
    case LOCALE_ITIME:
      *out = time.hours24 ? u"1" : u"0";
      return true;
    case LOCALE_ITIMEMARKPOSN:
      *out = time.markerFirst ? u"1" : u"0";
      return true;
    case LOCALE_ICENTURY:
      *out = shortDate.fourDigitYear ? u"1" : u"0";
      return true;
    case LOCALE_ITLZERO:
      *out = time.hourLeadingZero ? u"1" : u"0";
      return true;
    case LOCALE_IDAYLZERO:
      *out = shortDate.dayLeadingZero ? u"1" : u"0";
      return true;
    case LOCALE_IMONLZERO:
      *out = shortDate.monthLeadingZero ? u"1" : u"0";
      return true;
    case LOCALE_S1159:
      *out = t.am;
      return true;
    case LOCALE_S2359:
      *out = t.pm;
      return true;
    case LOCALE_ICALENDARTYPE:
      *out = u"1";
      return true;
    case LOCALE_IFIRSTDAYOFWEEK:
      *out = Decimal(t.firstDayOfWeek);
      return true;
    case LOCALE_IFIRSTWEEKOFYEAR:
      *out = Decimal(t.firstWeekOfYear);
      return true;
    case LOCALE_SMONTHNAME13:
    case LOCALE_SABBREVMONTHNAME13:
      out->clear();
      return true;
    case LOCALE_SPOSITIVESIGN:
      *out = t.positiveSign;
      return true;
    case LOCALE_SNEGATIVESIGN:
      *out = t.negativeSign;
      return true;
    case LOCALE_SISO639LANGNAME:
      *out = t.name.substr(0, 2);
      return true;
    case LOCALE_SISO3166CTRYNAME:
      *out = t.name.substr(3);
      return true;
    case LOCALE_SNAME:
      *out = t.name;
      return true;
    default:
      return false;
  }
}

// Copies a result with the terminator under the NLS buffer rules.
int Output(const std::u16string& s, LPWSTR out, int size) {
  int needed = static_cast<int>(s.size()) + 1;
  if (size == 0) return needed;
  if (!out || size < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(out, s.c_str(), static_cast<std::size_t>(needed) * 2);
  return needed;
}

bool ValidDate(const SYSTEMTIME& st) {
  return st.wYear >= 1601 && st.wYear <= 30827 && st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 &&
         st.wDay <= pv::DaysInMonth(st.wYear, st.wMonth);
}

SYSTEMTIME Now() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return st;
}

}  // namespace

LCID GetUserDefaultLCID() { return pv::UserDefaultLcid(); }
LCID GetSystemDefaultLCID() { return pv::UserDefaultLcid(); }
LANGID GetUserDefaultLangID() { return LANGIDFROMLCID(GetUserDefaultLCID()); }
LANGID GetSystemDefaultLangID() { return LANGIDFROMLCID(GetSystemDefaultLCID()); }
LANGID GetUserDefaultUILanguage() { return LANGIDFROMLCID(pv::UserDefaultUiLcid()); }
LCID GetThreadLocale() { return t_threadLocale ? t_threadLocale : GetUserDefaultLCID(); }

BOOL SetThreadLocale(LCID locale) {
  WORD lang = LANGIDFROMLCID(locale);
  // A default or neutral id names no locale of its own.
  if (PRIMARYLANGID(lang) == 0 || lang == LOCALE_INVARIANT || !pv::FindLocaleData(locale)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  t_threadLocale = locale;
  return TRUE;
}

BOOL IsValidLocale(LCID locale, DWORD) { return pv::FindLocaleData(locale) ? TRUE : FALSE; }

int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size) {
  bool asNumber = (type & LOCALE_RETURN_NUMBER) != 0;
  type &= ~(LOCALE_NOUSEROVERRIDE | LOCALE_RETURN_NUMBER);
  const pv::LocaleData* t = Served(locale);
  if (!t) return 0;
  std::u16string value;
  if (!Lookup(*t, type, &value)) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  if (asNumber) {
    // Only the numeric (I...) items have a number form.
    bool numeric = !value.empty();
    DWORD n = 0;
    for (char16_t c : value) {
      if (c < u'0' || c > u'9') numeric = false;
      else n = n * 10 + (c - u'0');
    }
    if (type == LOCALE_ILANGUAGE || type == LOCALE_IDEFAULTLANGUAGE) {
      numeric = true;
      n = LANGIDFROMLCID(t->lcid);
    }
    if (!numeric) {
      SetLastError(ERROR_INVALID_FLAGS);
      return 0;
    }
    if (size == 0) return 2;
    if (!data || size < 2) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    std::memcpy(data, &n, sizeof n);
    return 2;
  }
  return Output(value, data, size);
}

int GetDateFormatW(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCWSTR format, LPWSTR out, int size) {
  if (size < 0 || (size > 0 && !out)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  DWORD pictureFlags = flags & (DATE_SHORTDATE | DATE_LONGDATE | DATE_YEARMONTH);
  if ((format && pictureFlags) || (pictureFlags & (pictureFlags - 1)) ||
      (flags & ~(DATE_SHORTDATE | DATE_LONGDATE | DATE_YEARMONTH | DATE_LTRREADING | DATE_RTLREADING |
                 DATE_USE_ALT_CALENDAR | LOCALE_NOUSEROVERRIDE))) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const pv::LocaleData* t = Served(locale);
  if (!t) return 0;
  SYSTEMTIME st = date ? *date : Now();
  if (!ValidDate(st)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string picture;
  if (format) picture = format;
  else if (pictureFlags == DATE_LONGDATE) picture = t->longDate;
  else if (pictureFlags == DATE_YEARMONTH) picture = t->yearMonth;
  else picture = t->shortDate;
  return Output(pv::FormatDatePicture(*t, picture, st), out, size);
}

int GetTimeFormatW(LCID locale, DWORD flags, const SYSTEMTIME* time, LPCWSTR format, LPWSTR out, int size) {
  if (size < 0 || (size > 0 && !out)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (flags & ~(TIME_NOMINUTESORSECONDS | TIME_NOSECONDS | TIME_NOTIMEMARKER | TIME_FORCE24HOURFORMAT |
                LOCALE_NOUSEROVERRIDE)) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const pv::LocaleData* t = Served(locale);
  if (!t) return 0;
  SYSTEMTIME st = time ? *time : Now();
  if (st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string picture = format ? std::u16string(format) : t->timeFormat;
  return Output(pv::FormatTimePicture(*t, picture, st, flags & ~LOCALE_NOUSEROVERRIDE), out, size);
}

int CompareStringW(LCID locale, DWORD flags, LPCWSTR a, int countA, LPCWSTR b, int countB) {
  if ((!a && countA != 0) || (!b && countB != 0) || countA < -1 || countB < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string_view sa = countA < 0 ? pv::sys::View(a) : std::u16string_view(a, static_cast<std::size_t>(countA));
  std::u16string_view sb = countB < 0 ? pv::sys::View(b) : std::u16string_view(b, static_cast<std::size_t>(countB));
  int r = 0;
  if (!pv::CompareLocaleStrings(locale, flags, sa, sb, &r)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return r < 0 ? CSTR_LESS_THAN : r == 0 ? CSTR_EQUAL : CSTR_GREATER_THAN;
}

int LCMapStringW(LCID, DWORD flags, LPCWSTR src, int count, LPWSTR dest, int size) {
  DWORD mapping = flags & (LCMAP_UPPERCASE | LCMAP_LOWERCASE);
  if (mapping != LCMAP_UPPERCASE && mapping != LCMAP_LOWERCASE) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  if (!src || count < -1 || count == 0 || size < 0 || (size > 0 && !dest)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string s(count < 0 ? pv::sys::View(src) : std::u16string_view(src, static_cast<std::size_t>(count)));
  s = mapping == LCMAP_UPPERCASE ? pv::sys::Upper(s) : pv::sys::Lower(s);
  if (count < 0) s += u'\0';
  int needed = static_cast<int>(s.size());
  if (size == 0) return needed;
  if (size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(dest, s.data(), s.size() * 2);
  return needed;
}

char16_t* _wsetlocale(int category, const char16_t* locale) {
  static const int kCategories[] = {LC_ALL, LC_COLLATE, LC_CTYPE, LC_MONETARY, LC_NUMERIC, LC_TIME};
  static thread_local std::u16string names[6];
  int slot = -1;
  for (int i = 0; i < 6; ++i)
    if (kCategories[i] == category) slot = i;
  if (slot < 0) return nullptr;
  const char* result = nullptr;
  if (!locale) {
    result = std::setlocale(category, nullptr);
  } else {
    std::string name = pv::sys::ToUtf8(locale);
    result = std::setlocale(category, name.c_str());
    if (!result) {
      // Windows' names: "de-DE", "German_Germany.1252".
      std::string posix = pv::PosixNameFromLcid(pv::LcidFromLocaleName(name));
      if (!posix.empty()) result = std::setlocale(category, (posix + ".UTF-8").c_str());
    }
  }
  if (!result) return nullptr;
  names[slot] = pv::sys::FromUtf8(result);
  return names[slot].data();
}
