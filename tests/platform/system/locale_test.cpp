#include "platform/system/locale.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <time.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/system/sysutil.h"

namespace {

using pv::sys::FromUtf8;

std::u16string Date(LCID lcid, DWORD flags, const SYSTEMTIME& st, const char16_t* picture = nullptr) {
  WCHAR buf[200];
  int n = GetDateFormatW(lcid, flags, &st, picture, buf, 200);
  return n > 0 ? std::u16string(buf, n - 1) : u"<error>";
}

std::u16string Time(LCID lcid, DWORD flags, const SYSTEMTIME& st, const char16_t* picture = nullptr) {
  WCHAR buf[200];
  int n = GetTimeFormatW(lcid, flags, &st, picture, buf, 200);
  return n > 0 ? std::u16string(buf, n - 1) : u"<error>";
}

SYSTEMTIME At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(mo);
  st.wDay = static_cast<WORD>(d);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(mi);
  st.wSecond = static_cast<WORD>(s);
  st.wDayOfWeek = 3;  // deliberately wrong: the weekday is computed from the date
  return st;
}

std::u16string Glibc(const char* localeName, const char* format, const SYSTEMTIME& st) {
  locale_t loc = newlocale(LC_ALL_MASK, localeName, static_cast<locale_t>(0));
  if (!loc) return u"<no locale>";
  struct tm tm {};
  tm.tm_year = st.wYear - 1900;
  tm.tm_mon = st.wMonth - 1;
  tm.tm_mday = st.wDay;
  tm.tm_hour = st.wHour;
  tm.tm_min = st.wMinute;
  tm.tm_sec = st.wSecond;
  tm.tm_isdst = -1;
  timegm(&tm);  // fills in the weekday
  char buf[200];
  std::size_t n = strftime_l(buf, sizeof buf, format, &tm, loc);
  freelocale(loc);
  return FromUtf8(std::string(buf, n));
}

// Pictures against glibc's strftime in the matching locale: day and month
// names in both forms, numbers with and without leading zeros, 12- and
// 24-hour clocks, the time marker and the locales' long dates.
TEST(Locale, PicturesMatchGlibc) {
  struct Loc {
    LCID lcid;
    const char* glibc;
  };
  struct Pic {
    const char16_t* picture;
    const char* strftime;
    bool time;
  };
  std::vector<Pic> pictures = {
      {u"dddd", "%A", false},        {u"ddd", "%a", false},      {u"MMMM", "%B", false},
      {u"MMM", "%b", false},         {u"dd.MM.yy", "%d.%m.%y", false},
      {u"d/M/yyyy", "%-d/%-m/%Y", false},
      {u"HH:mm:ss", "%H:%M:%S", true},
      {u"h:m:s", "%-I:%-M:%-S", true},
      {u"hh tt", "%I %p", true},
      {u"'at' H", "at %-H", true},
  };
  std::vector<SYSTEMTIME> times;
  for (int m = 1; m <= 12; ++m) times.push_back(At(2026, m, 3 + m, (m * 5) % 24, m * 4, m * 3));
  for (int d = 0; d < 7; ++d) times.push_back(At(2024, 2, 25 + d > 29 ? d - 4 : 25 + d, 0, 0, 0));
  times.push_back(At(2000, 12, 31, 12, 0, 5));
  for (const Loc& loc : {Loc{0x0409, "en_US.UTF-8"}, Loc{0x0407, "de_DE.UTF-8"}}) {
    if (Glibc(loc.glibc, "%Y", At(2026, 1, 1)) == u"<no locale>") {
      ADD_FAILURE() << loc.glibc << " is not installed (scripts/setup generates it)";
      continue;
    }
    for (const SYSTEMTIME& st : times) {
      for (const Pic& p : pictures) {
        SCOPED_TRACE(testing::Message() << loc.glibc << " " << pv::sys::ToUtf8(p.picture) << " " << st.wYear << "-"
                                        << st.wMonth << "-" << st.wDay << " " << st.wHour);
        std::u16string ours = p.time ? Time(loc.lcid, 0, st, p.picture) : Date(loc.lcid, 0, st, p.picture);
        EXPECT_EQ(Glibc(loc.glibc, p.strftime, st), ours);
      }
    }
  }
  SYSTEMTIME st = At(2026, 3, 5, 14, 7, 9);
  EXPECT_EQ(Glibc("en_US.UTF-8", "%A, %B %-d, %Y", st), Date(0x0409, DATE_LONGDATE, st));
  EXPECT_EQ(Glibc("de_DE.UTF-8", "%A, %-d. %B %Y", st), Date(0x0407, DATE_LONGDATE, st));
  EXPECT_EQ(Glibc("de_DE.UTF-8", "%d.%m.%Y", st), Date(0x0407, DATE_SHORTDATE, st));
  EXPECT_EQ(Glibc("en_US.UTF-8", "%-I:%M:%S %p", st), Time(0x0409, 0, st));
  EXPECT_EQ(Glibc("de_DE.UTF-8", "%H:%M:%S", st), Time(0x0407, 0, st));
}

TEST(Locale, LocalePicturesAndFlags) {
  SYSTEMTIME st = At(2026, 3, 5, 9, 7, 3);
  struct Case {
    LCID lcid;
    DWORD flags;
    bool time;
    const char16_t* picture;
    const char16_t* expected;
  };
  std::vector<Case> cases = {
      {0x0409, DATE_SHORTDATE, false, nullptr, u"3/5/2026"},
      {0x0409, 0, false, nullptr, u"3/5/2026"},
      {0x0409, DATE_LONGDATE, false, nullptr, u"Thursday, March 5, 2026"},
      {0x0409, DATE_YEARMONTH, false, nullptr, u"March 2026"},
      {0x0407, DATE_SHORTDATE, false, nullptr, u"05.03.2026"},
      {0x0407, DATE_YEARMONTH, false, nullptr, u"M\u00e4rz 2026"},
      {LOCALE_USER_DEFAULT, DATE_SHORTDATE, false, nullptr, u"3/5/2026"},
      {0x0409, 0, false, u"'Day' d 'of' MMM, yy''", u"Day 5 of Mar, 26'"},
      {0x0409, 0, false, u"dddddd y yyy gg", u"Thursday 26 2026 A.D."},
      {0x0409, 0, true, nullptr, u"9:07:03 AM"},
      {0x0409, TIME_NOSECONDS, true, nullptr, u"9:07 AM"},
      {0x0409, TIME_NOMINUTESORSECONDS, true, nullptr, u"9 AM"},
      {0x0409, TIME_NOTIMEMARKER | TIME_FORCE24HOURFORMAT, true, nullptr, u"9:07:03"},
      {0x0409, TIME_FORCE24HOURFORMAT, true, u"hh:mm tt", u"09:07 AM"},
      {0x0409, TIME_NOTIMEMARKER, true, u"tt h:mm", u"9:07"},
      {0x0409, 0, true, u"t", u"A"},
      {0x0407, 0, true, nullptr, u"09:07:03"},
      {0x0407, TIME_NOSECONDS, true, nullptr, u"09:07"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.lcid << " flags " << c.flags);
    EXPECT_EQ(std::u16string(c.expected), c.time ? Time(c.lcid, c.flags, st, c.picture) : Date(c.lcid, c.flags, st, c.picture));
  }
  SYSTEMTIME noon = At(2026, 1, 1, 12, 0, 0), midnight = At(2026, 1, 1, 0, 30, 0);
  EXPECT_EQ(u"12:00:00 PM", Time(0x0409, 0, noon));
  EXPECT_EQ(u"12:30:00 AM", Time(0x0409, 0, midnight));

  // Sizes and errors.
  WCHAR buf[4];
  EXPECT_EQ(9, GetDateFormatW(0x0409, DATE_SHORTDATE, &st, nullptr, nullptr, 0));
  EXPECT_EQ(0, GetDateFormatW(0x0409, DATE_SHORTDATE, &st, nullptr, buf, 4));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
  EXPECT_EQ(0, GetDateFormatW(0x0409, DATE_SHORTDATE, &st, u"d", buf, 4));
  EXPECT_EQ(ERROR_INVALID_FLAGS, GetLastError());
  SYSTEMTIME bad = At(2026, 2, 30);
  EXPECT_EQ(0, GetDateFormatW(0x0409, 0, &bad, nullptr, buf, 4));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
  bad = At(2026, 1, 1, 24);
  EXPECT_EQ(0, GetTimeFormatW(0x0409, 0, &bad, nullptr, buf, 4));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(Locale, InfoItemsAndIds) {
  auto info = [](LCID l, LCTYPE t) {
    WCHAR buf[100];
    int n = GetLocaleInfoW(l, t, buf, 100);
    return n > 0 ? std::u16string(buf, n - 1) : u"<error>";
  };
  struct Case {
    LCTYPE type;
    const char16_t* en;
    const char16_t* de;
  };
  for (const auto& c : std::vector<Case>{{LOCALE_IMEASURE, u"1", u"0"},
                                         {LOCALE_SDECIMAL, u".", u","},
                                         {LOCALE_SLIST, u",", u";"},
                                         {LOCALE_IFIRSTDAYOFWEEK, u"6", u"0"},
                                         {LOCALE_SYEARMONTH, u"MMMM yyyy", u"MMMM yyyy"},
                                         {LOCALE_SSHORTDATE, u"M/d/yyyy", u"dd.MM.yyyy"},
                                         {LOCALE_SMONTHNAME1 + 2, u"March", u"M\u00e4rz"},
                                         {LOCALE_SABBREVDAYNAME1, u"Mon", u"Mo"},
                                         {LOCALE_SABBREVDAYNAME7, u"Sun", u"So"},
                                         {LOCALE_SDAYNAME1 + 2, u"Wednesday", u"Mittwoch"},
                                         {LOCALE_S1159, u"AM", u""},
                                         {LOCALE_SISO639LANGNAME, u"en", u"de"},
                                         {LOCALE_NOUSEROVERRIDE | LOCALE_STIME, u":", u":"}}) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(std::u16string(c.en), info(0x0409, c.type));
    EXPECT_EQ(std::u16string(c.de), info(0x0407, c.type));
  }
  EXPECT_EQ(u"<error>", info(0x0409, 0x7777));
  EXPECT_EQ(ERROR_INVALID_FLAGS, GetLastError());
  EXPECT_EQ(u"M/d/yyyy", info(0x0411, LOCALE_SSHORTDATE));  // no table: answers as en-US
  EXPECT_FALSE(IsValidLocale(0x0411, 0));
  EXPECT_EQ(9, GetLocaleInfoW(0x0409, LOCALE_SMONTHNAME12, nullptr, 0));  // "December" and its terminator
  DWORD number = 0;
  EXPECT_EQ(2, GetLocaleInfoW(0x0407, LOCALE_IMEASURE | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&number), 2));
  EXPECT_EQ(0u, number);
  EXPECT_EQ(2, GetLocaleInfoW(0x0407, LOCALE_ILANGUAGE | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&number), 2));
  EXPECT_EQ(0x0407u, number);
  EXPECT_EQ(0, GetLocaleInfoW(0x0407, LOCALE_SDECIMAL | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&number), 2));

  EXPECT_EQ(0x0407, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
  EXPECT_EQ(LANG_ENGLISH, PRIMARYLANGID(0x0809));
  EXPECT_EQ(SUBLANG_ENGLISH_UK, SUBLANGID(0x0809));
  EXPECT_EQ(0x00010407u, MAKELCID(0x0407, 1));
  EXPECT_EQ(0x0407, LANGIDFROMLCID(MAKELCID(0x0407, 1)));

  const char* saved = std::getenv("PRAVENOR_LOCALE");
  std::string savedValue = saved ? saved : "";
  ::unsetenv("PRAVENOR_LOCALE");
  EXPECT_EQ(0x0409u, GetUserDefaultLCID());
  ::setenv("PRAVENOR_LOCALE", "de-DE", 1);
  EXPECT_EQ(0x0407u, GetUserDefaultLCID());
  EXPECT_EQ(u",", info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL));
  ::unsetenv("PRAVENOR_LOCALE");
  EXPECT_EQ(0x0409u, GetThreadLocale());
  EXPECT_TRUE(SetThreadLocale(0x0407));
  EXPECT_EQ(0x0407u, GetThreadLocale());
  EXPECT_FALSE(SetThreadLocale(0));
  SetThreadLocale(0x0409);
  if (saved) ::setenv("PRAVENOR_LOCALE", savedValue.c_str(), 1);
}

TEST(Locale, CompareAndMap) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    DWORD flags;
    int expected;
  };
  for (const auto& c : std::vector<Case>{
           {u"abc", u"ABC", NORM_IGNORECASE, CSTR_EQUAL},
           {u"abc", u"ABC", 0, CSTR_LESS_THAN},  // lower case first, after the letters tie
           {u"apple", u"Banana", 0, CSTR_LESS_THAN},  // letters before case
           {u"Zebra", u"apple", NORM_IGNORECASE, CSTR_GREATER_THAN},
           {u"\u00e4pfel", u"Apfel", NORM_IGNORECASE | NORM_IGNORENONSPACE, CSTR_EQUAL},
           {u"\u00e4pfel", u"apfel", NORM_IGNORECASE, CSTR_GREATER_THAN},
           {u"\u00e4pfel", u"bpfel", 0, CSTR_LESS_THAN},  // the accent does not move it past b
           {u"Stra\u00dfe", u"STRASSE", NORM_IGNORECASE | NORM_IGNORENONSPACE, CSTR_EQUAL},
           {u"a-b", u"ab", NORM_IGNORESYMBOLS, CSTR_EQUAL},
           {u"9", u"a", 0, CSTR_LESS_THAN},
           {u" x", u"x", 0, CSTR_LESS_THAN},
           {u"\u0416", u"\u0436", NORM_IGNORECASE, CSTR_EQUAL},
           {u"ab", u"abc", NORM_IGNORECASE, CSTR_LESS_THAN},
           {u"", u"", 0, CSTR_EQUAL}}) {
    SCOPED_TRACE(pv::sys::ToUtf8(c.a) + " / " + pv::sys::ToUtf8(c.b));
    EXPECT_EQ(c.expected, CompareStringW(LOCALE_USER_DEFAULT, c.flags, c.a, -1, c.b, -1));
  }
  EXPECT_EQ(CSTR_EQUAL, CompareStringW(0x0409, NORM_IGNORECASE, u"Find me", 4, u"FIND", -1));
  EXPECT_EQ(0, CompareStringW(0x0409, 0, nullptr, 3, u"x", -1));

  WCHAR out[16];
  EXPECT_EQ(6, LCMapStringW(0x0407, LCMAP_UPPERCASE, u"\u00e4bc\u00e9x", -1, out, 16));
  EXPECT_EQ(u"\u00c4BC\u00c9X", std::u16string(out));
  EXPECT_EQ(3, LCMapStringW(0x0409, LCMAP_LOWERCASE, u"ABCDEF", 3, out, 16));
  EXPECT_EQ(u"abc", std::u16string(out, 3));
  EXPECT_EQ(7, LCMapStringW(0x0409, LCMAP_LOWERCASE, u"ABCDEF", -1, nullptr, 0));
  EXPECT_EQ(0, LCMapStringW(0x0409, LCMAP_LOWERCASE, u"ABCDEF", -1, out, 3));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
  EXPECT_EQ(0, LCMapStringW(0x0409, LCMAP_LOWERCASE | LCMAP_UPPERCASE, u"A", -1, out, 3));
  EXPECT_EQ(ERROR_INVALID_FLAGS, GetLastError());
}

}  // namespace
