#include "platform/system/locale.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/system/sysutil.h"

namespace {

// One locale's answers, indexed by LCTYPE.
struct LocaleItem {
  LCTYPE type;
  const char16_t* value;
};

struct LocaleTable {
  LCID lcid;
  const char16_t* days[7];        // Monday .. Sunday
  const char16_t* abbrevDays[7];  // Monday .. Sunday
  const char16_t* months[12];
  const char16_t* abbrevMonths[12];
  std::vector<LocaleItem> items;
};

const LocaleTable kEnglishUS = {
    0x0409,
    {u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday", u"Sunday"},
    {u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat", u"Sun"},
    {u"January", u"February", u"March", u"April", u"May", u"June", u"July", u"August", u"September", u"October",
     u"November", u"December"},
    {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"},
    {
        {LOCALE_ILANGUAGE, u"0409"},
        {LOCALE_SLANGUAGE, u"English (United States)"},
        {LOCALE_SENGLANGUAGE, u"English"},
        {LOCALE_SABBREVLANGNAME, u"ENU"},
        {LOCALE_SNATIVELANGNAME, u"English"},
        {LOCALE_ICOUNTRY, u"1"},
        {LOCALE_SCOUNTRY, u"United States"},
        {LOCALE_SENGCOUNTRY, u"United States"},
        {LOCALE_SABBREVCTRYNAME, u"USA"},
        {LOCALE_IDEFAULTLANGUAGE, u"0409"},
        {LOCALE_IDEFAULTCOUNTRY, u"1"},
        {LOCALE_IDEFAULTCODEPAGE, u"437"},
        {LOCALE_IDEFAULTANSICODEPAGE, u"1252"},
        {LOCALE_SLIST, u","},
        {LOCALE_IMEASURE, u"1"},
        {LOCALE_SDECIMAL, u"."},
        {LOCALE_STHOUSAND, u","},
        {LOCALE_SGROUPING, u"3;0"},
        {LOCALE_IDIGITS, u"2"},
        {LOCALE_ILZERO, u"1"},
        {LOCALE_INEGNUMBER, u"1"},
        {LOCALE_SNATIVEDIGITS, u"0123456789"},
        {LOCALE_SCURRENCY, u"$"},
        {LOCALE_SINTLSYMBOL, u"USD"},
        {LOCALE_SMONDECIMALSEP, u"."},
        {LOCALE_SMONTHOUSANDSEP, u","},
        {LOCALE_SMONGROUPING, u"3;0"},
        {LOCALE_ICURRDIGITS, u"2"},
        {LOCALE_ICURRENCY, u"0"},
        {LOCALE_INEGCURR, u"0"},
        {LOCALE_SDATE, u"/"},
        {LOCALE_STIME, u":"},
        {LOCALE_SSHORTDATE, u"M/d/yyyy"},
        {LOCALE_SLONGDATE, u"dddd, MMMM d, yyyy"},
        {LOCALE_STIMEFORMAT, u"h:mm:ss tt"},
        {LOCALE_IDATE, u"0"},
        {LOCALE_ILDATE, u"0"},
        {LOCALE_ITIME, u"0"},
        {LOCALE_ITIMEMARKPOSN, u"0"},
        {LOCALE_ICENTURY, u"1"},
        {LOCALE_ITLZERO, u"0"},
        {LOCALE_IDAYLZERO, u"0"},
        {LOCALE_IMONLZERO, u"0"},
        {LOCALE_S1159, u"AM"},
        {LOCALE_S2359, u"PM"},
        {LOCALE_ICALENDARTYPE, u"1"},
        {LOCALE_IFIRSTDAYOFWEEK, u"6"},
        {LOCALE_IFIRSTWEEKOFYEAR, u"0"},
        {LOCALE_SMONTHNAME13, u""},
        {LOCALE_SABBREVMONTHNAME13, u""},
        {LOCALE_SPOSITIVESIGN, u""},
        {LOCALE_SNEGATIVESIGN, u"-"},
        {LOCALE_SISO639LANGNAME, u"en"},
        {LOCALE_SISO3166CTRYNAME, u"US"},
        {LOCALE_SYEARMONTH, u"MMMM yyyy"},
        {LOCALE_SNAME, u"en-US"},
    }};

const LocaleTable kGermanDE = {
    0x0407,
    {u"Montag", u"Dienstag", u"Mittwoch", u"Donnerstag", u"Freitag", u"Samstag", u"Sonntag"},
    {u"Mo", u"Di", u"Mi", u"Do", u"Fr", u"Sa", u"So"},
    {u"Januar", u"Februar", u"M\u00e4rz", u"April", u"Mai", u"Juni", u"Juli", u"August", u"September", u"Oktober",
     u"November", u"Dezember"},
    {u"Jan", u"Feb", u"M\u00e4r", u"Apr", u"Mai", u"Jun", u"Jul", u"Aug", u"Sep", u"Okt", u"Nov", u"Dez"},
    {
        {LOCALE_ILANGUAGE, u"0407"},
        {LOCALE_SLANGUAGE, u"German (Germany)"},
        {LOCALE_SENGLANGUAGE, u"German"},
        {LOCALE_SABBREVLANGNAME, u"DEU"},
        {LOCALE_SNATIVELANGNAME, u"Deutsch"},
        {LOCALE_ICOUNTRY, u"49"},
        {LOCALE_SCOUNTRY, u"Germany"},
        {LOCALE_SENGCOUNTRY, u"Germany"},
        {LOCALE_SABBREVCTRYNAME, u"DEU"},
        {LOCALE_IDEFAULTLANGUAGE, u"0407"},
        {LOCALE_IDEFAULTCOUNTRY, u"49"},
        {LOCALE_IDEFAULTCODEPAGE, u"850"},
        {LOCALE_IDEFAULTANSICODEPAGE, u"1252"},
        {LOCALE_SLIST, u";"},
        {LOCALE_IMEASURE, u"0"},
        {LOCALE_SDECIMAL, u","},
        {LOCALE_STHOUSAND, u"."},
        {LOCALE_SGROUPING, u"3;0"},
        {LOCALE_IDIGITS, u"2"},
        {LOCALE_ILZERO, u"1"},
        {LOCALE_INEGNUMBER, u"1"},
        {LOCALE_SNATIVEDIGITS, u"0123456789"},
        {LOCALE_SCURRENCY, u"\u20ac"},
        {LOCALE_SINTLSYMBOL, u"EUR"},
        {LOCALE_SMONDECIMALSEP, u","},
        {LOCALE_SMONTHOUSANDSEP, u"."},
        {LOCALE_SMONGROUPING, u"3;0"},
        {LOCALE_ICURRDIGITS, u"2"},
        {LOCALE_ICURRENCY, u"3"},
        {LOCALE_INEGCURR, u"8"},
        {LOCALE_SDATE, u"."},
        {LOCALE_STIME, u":"},
        {LOCALE_SSHORTDATE, u"dd.MM.yyyy"},
        {LOCALE_SLONGDATE, u"dddd, d. MMMM yyyy"},
        {LOCALE_STIMEFORMAT, u"HH:mm:ss"},
        {LOCALE_IDATE, u"1"},
        {LOCALE_ILDATE, u"1"},
        {LOCALE_ITIME, u"1"},
        {LOCALE_ITIMEMARKPOSN, u"0"},
        {LOCALE_ICENTURY, u"1"},
        {LOCALE_ITLZERO, u"1"},
        {LOCALE_IDAYLZERO, u"1"},
        {LOCALE_IMONLZERO, u"1"},
        {LOCALE_S1159, u""},
        {LOCALE_S2359, u""},
        {LOCALE_ICALENDARTYPE, u"1"},
        {LOCALE_IFIRSTDAYOFWEEK, u"0"},
        {LOCALE_IFIRSTWEEKOFYEAR, u"2"},
        {LOCALE_SMONTHNAME13, u""},
        {LOCALE_SABBREVMONTHNAME13, u""},
        {LOCALE_SPOSITIVESIGN, u""},
        {LOCALE_SNEGATIVESIGN, u"-"},
        {LOCALE_SISO639LANGNAME, u"de"},
        {LOCALE_SISO3166CTRYNAME, u"DE"},
        {LOCALE_SYEARMONTH, u"MMMM yyyy"},
        {LOCALE_SNAME, u"de-DE"},
    }};

thread_local LCID t_threadLocale = 0;

LCID EnvUserDefault() {
  const char* v = std::getenv("PRAVENOR_LOCALE");
  if (v && (std::strncmp(v, "de-DE", 5) == 0 || std::strncmp(v, "de_DE", 5) == 0)) return 0x0407;
  return 0x0409;
}

// LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT, neutral ids → the user default.
LCID Resolve(LCID lcid) {
  WORD lang = LANGIDFROMLCID(lcid);
  if (lang == LANG_USER_DEFAULT || lang == LANG_SYSTEM_DEFAULT || lang == 0 || lang == LOCALE_INVARIANT)
    return EnvUserDefault();
  return lcid;
}

const LocaleTable& Table(LCID lcid) {
  WORD lang = LANGIDFROMLCID(Resolve(lcid));
  if (lang == 0x0407) return kGermanDE;
  return kEnglishUS;
}

bool Lookup(const LocaleTable& t, LCTYPE type, std::u16string* out) {
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
  for (const auto& item : t.items) {
    if (item.type == type) {
      *out = item.value;
      return true;
    }
  }
  return false;
}

std::u16string Item(const LocaleTable& t, LCTYPE type) {
  std::u16string s;
  Lookup(t, type, &s);
  return s;
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

std::u16string Number(int v, int width) {
  std::string s = std::to_string(v);
  while (static_cast<int>(s.size()) < width) s.insert(s.begin(), '0');
  return pv::sys::FromUtf8(s);
}

// A picture as a list of runs: a field (repeated letter) or literal text.
struct Run {
  char16_t letter;  // 0 for literal text
  int count;
  std::u16string text;
};

std::vector<Run> Tokenize(std::u16string_view picture, std::u16string_view letters) {
  std::vector<Run> runs;
  auto literal = [&](char16_t c) {
    if (runs.empty() || runs.back().letter != 0) runs.push_back(Run{0, 0, {}});
    runs.back().text += c;
  };
  for (std::size_t i = 0; i < picture.size();) {
    char16_t c = picture[i];
    if (c == u'\'') {
      // Quoted text; '' inside or outside quotes is one quote.
      std::size_t j = i + 1;
      if (j < picture.size() && picture[j] == u'\'') {
        literal(u'\'');
        i = j + 1;
        continue;
      }
      while (j < picture.size()) {
        if (picture[j] == u'\'') {
          if (j + 1 < picture.size() && picture[j + 1] == u'\'') {
            literal(u'\'');
            j += 2;
            continue;
          }
          break;
        }
        literal(picture[j++]);
      }
      i = j + 1;
      continue;
    }
    if (letters.find(c) != std::u16string_view::npos) {
      std::size_t j = i;
      while (j < picture.size() && picture[j] == c) ++j;
      runs.push_back(Run{c, static_cast<int>(j - i), {}});
      i = j;
      continue;
    }
    literal(c);
    ++i;
  }
  return runs;
}

bool ValidDate(const SYSTEMTIME& st) {
  return st.wYear >= 1601 && st.wYear <= 30827 && st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 &&
         st.wDay <= pv::DaysInMonth(st.wYear, st.wMonth);
}

// 0 = Sunday.
int DayOfWeek(const SYSTEMTIME& st) {
  std::int64_t days = pv::DaysFromCivil(st.wYear, st.wMonth, st.wDay);  // days since 1970-01-01 (a Thursday)
  return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

SYSTEMTIME Now() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return st;
}

}  // namespace

LCID GetUserDefaultLCID() { return EnvUserDefault(); }
LCID GetSystemDefaultLCID() { return EnvUserDefault(); }
LANGID GetUserDefaultLangID() { return LANGIDFROMLCID(GetUserDefaultLCID()); }
LANGID GetSystemDefaultLangID() { return LANGIDFROMLCID(GetSystemDefaultLCID()); }
LANGID GetUserDefaultUILanguage() { return GetUserDefaultLangID(); }
LCID GetThreadLocale() { return t_threadLocale ? t_threadLocale : GetUserDefaultLCID(); }

BOOL SetThreadLocale(LCID locale) {
  if (PRIMARYLANGID(LANGIDFROMLCID(locale)) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  t_threadLocale = locale;
  return TRUE;
}

BOOL IsValidLocale(LCID locale, DWORD) {
  WORD lang = LANGIDFROMLCID(Resolve(locale));
  return lang == 0x0409 || lang == 0x0407 ? TRUE : FALSE;
}

int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size) {
  bool asNumber = (type & LOCALE_RETURN_NUMBER) != 0;
  type &= ~(LOCALE_NOUSEROVERRIDE | LOCALE_RETURN_NUMBER);
  std::u16string value;
  if (!Lookup(Table(locale), type, &value)) {
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
      n = 0;
      for (char16_t c : value) n = n * 16 + static_cast<DWORD>(c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10);
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
  const LocaleTable& t = Table(locale);
  SYSTEMTIME st = date ? *date : Now();
  if (!ValidDate(st)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string picture;
  if (format) picture = format;
  else if (pictureFlags == DATE_LONGDATE) picture = Item(t, LOCALE_SLONGDATE);
  else if (pictureFlags == DATE_YEARMONTH) picture = Item(t, LOCALE_SYEARMONTH);
  else picture = Item(t, LOCALE_SSHORTDATE);

  int dow = DayOfWeek(st);  // 0 = Sunday; the tables start on Monday
  int tableDay = (dow + 6) % 7;
  std::u16string result;
  for (const Run& r : Tokenize(picture, u"dMyg")) {
    switch (r.letter) {
      case 0: result += r.text; break;
      case u'd':
        if (r.count == 1) result += Number(st.wDay, 1);
        else if (r.count == 2) result += Number(st.wDay, 2);
        else if (r.count == 3) result += t.abbrevDays[tableDay];
        else result += t.days[tableDay];
        break;
      case u'M':
        if (r.count == 1) result += Number(st.wMonth, 1);
        else if (r.count == 2) result += Number(st.wMonth, 2);
        else if (r.count == 3) result += t.abbrevMonths[st.wMonth - 1];
        else result += t.months[st.wMonth - 1];
        break;
      case u'y':
        if (r.count == 1) result += Number(st.wYear % 100, 1);
        else if (r.count == 2) result += Number(st.wYear % 100, 2);
        else result += Number(st.wYear, 1);
        break;
      case u'g': result += u"A.D."; break;
    }
  }
  return Output(result, out, size);
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
  const LocaleTable& t = Table(locale);
  SYSTEMTIME st = time ? *time : Now();
  if (st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string picture = format ? std::u16string(format) : Item(t, LOCALE_STIMEFORMAT);
  std::vector<Run> runs = Tokenize(picture, u"hHmst");
  // Dropped fields take the separator text before them with them (or the
  // text after them when they come first).
  auto dropped = [&](char16_t letter) {
    if ((letter == u'm' || letter == u's') && (flags & TIME_NOMINUTESORSECONDS)) return true;
    if (letter == u's' && (flags & TIME_NOSECONDS)) return true;
    if (letter == u't' && (flags & TIME_NOTIMEMARKER)) return true;
    return false;
  };
  std::vector<Run> kept;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (runs[i].letter && dropped(runs[i].letter)) {
      if (!kept.empty() && kept.back().letter == 0) kept.pop_back();
      else if (kept.empty() && i + 1 < runs.size() && runs[i + 1].letter == 0) ++i;
      continue;
    }
    kept.push_back(runs[i]);
  }
  const std::u16string am = Item(t, LOCALE_S1159), pm = Item(t, LOCALE_S2359);
  std::u16string result;
  for (const Run& r : kept) {
    char16_t letter = r.letter;
    if (letter == u'h' && (flags & TIME_FORCE24HOURFORMAT)) letter = u'H';
    switch (letter) {
      case 0: result += r.text; break;
      case u'h': {
        int h = st.wHour % 12;
        result += Number(h == 0 ? 12 : h, r.count >= 2 ? 2 : 1);
        break;
      }
      case u'H': result += Number(st.wHour, r.count >= 2 ? 2 : 1); break;
      case u'm': result += Number(st.wMinute, r.count >= 2 ? 2 : 1); break;
      case u's': result += Number(st.wSecond, r.count >= 2 ? 2 : 1); break;
      case u't': {
        const std::u16string& marker = st.wHour < 12 ? am : pm;
        result += r.count >= 2 ? marker : marker.substr(0, 1);
        break;
      }
    }
  }
  return Output(result, out, size);
}

namespace {

// Base letter of Latin-1 and Latin Extended-A letters with marks; the
// letter itself otherwise. `mark` gets a non-zero accent class.
char16_t BaseLetter(char16_t c, int* mark) {
  static const char* latin1 =  // U+00C0 .. U+00FF
      "AAAAAAACEEEEIIII"
      "DNOOOOO*OUUUUYTs"
      "aaaaaaaceeeeiiii"
      "dnooooo/ouuuuyty";
  *mark = 0;
  if (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7 && c != 0xC6 && c != 0xE6 && c != 0xDE && c != 0xFE &&
      c != 0xDF && c != 0xD0 && c != 0xF0) {
    *mark = c;
    return static_cast<char16_t>(latin1[c - 0xC0]);
  }
  return c;
}

struct Keys {
  std::vector<std::uint32_t> primary, accents, cases;
};

Keys MakeKeys(std::u16string_view s, DWORD flags) {
  Keys k;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if ((flags & NORM_IGNORESYMBOLS) && c < 0x80 && !((c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z')))
      continue;
    if (c == 0xDF) {  // sharp s sorts as "ss"
      for (int n = 0; n < 2; ++n) {
        k.primary.push_back(0x2000 + u'S');
        k.accents.push_back(0xDF);
        k.cases.push_back(0);
      }
      continue;
    }
    int mark = 0;
    char16_t base = BaseLetter(c, &mark);
    char16_t upper = pv::sys::UpperUnit(base);
    bool letter = pv::sys::LowerUnit(base) != upper || ((upper | 0x20) >= u'a' && (upper | 0x20) <= u'z');
    std::uint32_t weight;
    if (c < 0x80 && c >= u'0' && c <= u'9') weight = 0x1000 + c;
    else if (letter) weight = 0x2000 + upper;
    else if (c < 0x80) weight = 0x100 + c;  // spaces and punctuation first
    else weight = 0x10000 + c;
    k.primary.push_back(weight);
    k.accents.push_back(static_cast<std::uint32_t>(mark));
    k.cases.push_back(letter && base == upper && pv::sys::LowerUnit(base) != base ? 1 : 0);  // lower case first
  }
  return k;
}

int Compare(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

int CompareStringW(LCID, DWORD flags, LPCWSTR a, int countA, LPCWSTR b, int countB) {
  if ((!a && countA != 0) || (!b && countB != 0) || countA < -1 || countB < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string_view sa = countA < 0 ? pv::sys::View(a) : std::u16string_view(a, static_cast<std::size_t>(countA));
  std::u16string_view sb = countB < 0 ? pv::sys::View(b) : std::u16string_view(b, static_cast<std::size_t>(countB));
  Keys ka = MakeKeys(sa, flags), kb = MakeKeys(sb, flags);
  int r = Compare(ka.primary, kb.primary);
  if (r == 0 && !(flags & NORM_IGNORENONSPACE)) r = Compare(ka.accents, kb.accents);
  if (r == 0 && !(flags & (NORM_IGNORECASE | LINGUISTIC_IGNORECASE))) r = Compare(ka.cases, kb.cases);
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
