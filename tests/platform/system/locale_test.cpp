#include "platform/system/locale.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/variant.h"
#include "platform/system/sysutil.h"
#include "tests/support/locale_env.h"
#include "tests/support/temp_home.h"

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
      {u"dddd", "%A", false},           {u"ddd", "%a", false},
      {u"MMMM", "%B", false},           {u"MMM", "%b", false},
      {u"dd.MM.yy", "%d.%m.%y", false}, {u"d/M/yyyy", "%-d/%-m/%Y", false},
      {u"HH:mm:ss", "%H:%M:%S", true},  {u"h:m:s", "%-I:%-M:%-S", true},
      {u"hh tt", "%I %p", true},        {u"'at' H", "at %-H", true},
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
    EXPECT_EQ(std::u16string(c.expected),
              c.time ? Time(c.lcid, c.flags, st, c.picture) : Date(c.lcid, c.flags, st, c.picture));
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
  EXPECT_EQ(u"<error>", info(0x0436, LOCALE_SSHORTDATE));  // a locale we cannot serve is refused, not English
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
  EXPECT_FALSE(IsValidLocale(0x0436, 0));
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

  pvtest::EnvScope userLocale("PRAVENOR_LOCALE", std::nullopt);
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
}

TEST(Locale, CompareAndMap) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    DWORD flags;
    int expected;
  };
  for (const auto& c :
       std::vector<Case>{{u"abc", u"ABC", NORM_IGNORECASE, CSTR_EQUAL},
                         {u"abc", u"ABC", 0, CSTR_LESS_THAN},       // lower case first, after the letters tie
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

std::u16string Info(LCID l, LCTYPE t) {
  WCHAR buf[200];
  int n = GetLocaleInfoW(l, t, buf, 200);
  return n > 0 ? std::u16string(buf, n - 1) : u"<error>";
}

struct TestLocale {
  LCID lcid;
  const char* glibc;
};
const TestLocale kTestLocales[] = {
    {0x0409, "en_US.UTF-8"}, {0x0407, "de_DE.UTF-8"}, {0x040C, "fr_FR.UTF-8"}, {0x0804, "zh_CN.UTF-8"}};

// Names, markers and separators are the C library's for every installed locale.
TEST(Locale, NamesAndSeparatorsComeFromTheSystem) {
  struct Item {
    LCTYPE type;
    nl_item item;
  };
  std::vector<Item> items = {
      {LOCALE_S1159, AM_STR}, {LOCALE_S2359, PM_STR}, {LOCALE_SDECIMAL, RADIXCHAR}, {LOCALE_STHOUSAND, THOUSEP}};
  for (int i = 0; i < 7; ++i) {
    int sunday = (i + 1) % 7;  // LOCALE_SDAYNAME1 is Monday, DAY_1 Sunday
    items.push_back({LOCALE_SDAYNAME1 + static_cast<LCTYPE>(i), static_cast<nl_item>(DAY_1 + sunday)});
    items.push_back({LOCALE_SABBREVDAYNAME1 + static_cast<LCTYPE>(i), static_cast<nl_item>(ABDAY_1 + sunday)});
  }
  for (int i = 0; i < 12; ++i) {
    items.push_back({LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(i), static_cast<nl_item>(ALTMON_1 + i)});
    items.push_back({LOCALE_SABBREVMONTHNAME1 + static_cast<LCTYPE>(i), static_cast<nl_item>(_NL_ABALTMON_1 + i)});
  }
  for (const TestLocale& loc : kTestLocales) {
    if (!pvtest::Installed(loc.glibc)) {
      ADD_FAILURE() << loc.glibc << " is not installed (scripts/setup generates it)";
      continue;
    }
    for (const Item& item : items) {
      SCOPED_TRACE(testing::Message() << loc.glibc << " item " << std::hex << item.type);
      EXPECT_EQ(FromUtf8(*pvtest::LangInfo(loc.glibc, item.item)), Info(loc.lcid, item.type));
    }
  }
}

// What each locale says, pinned where Windows and the C library agree.
TEST(Locale, EachLocaleAnswersForItself) {
  struct Case {
    LCID lcid;
    LCTYPE type;
    const char16_t* expected;
  };
  const Case cases[] = {
      {0x040C, LOCALE_SMONTHNAME1 + 2, u"mars"},
      {0x040C, LOCALE_SDAYNAME1, u"lundi"},
      {0x0804, LOCALE_SMONTHNAME1 + 11, u"十二月"},  // 十二月
      {0x0804, LOCALE_S1159, u"上午"},               // 上午
      {0x0409, LOCALE_IFIRSTDAYOFWEEK, u"6"},        // Sunday
      {0x0407, LOCALE_IFIRSTDAYOFWEEK, u"0"},        // Monday
      {0x040C, LOCALE_IFIRSTDAYOFWEEK, u"0"},
      {0x0804, LOCALE_IFIRSTDAYOFWEEK, u"0"},
      {0x0409, LOCALE_IFIRSTWEEKOFYEAR, u"0"},
      {0x0407, LOCALE_IFIRSTWEEKOFYEAR, u"2"},  // the first four-day week
      {0x0409, LOCALE_SYEARMONTH, u"MMMM yyyy"},
      {0x0407, LOCALE_SYEARMONTH, u"MMMM yyyy"},
      {0x040C, LOCALE_SYEARMONTH, u"MMMM yyyy"},
      {0x0804, LOCALE_SYEARMONTH, u"yyyy年M月"},  // yyyy年M月
      {0x040C, LOCALE_SDECIMAL, u","},
      {0x040C, LOCALE_SLIST, u";"},
      {0x040C, LOCALE_SCURRENCY, u"€"},
      {0x0804, LOCALE_SINTLSYMBOL, u"CNY"},
      {0x0407, LOCALE_ICURRENCY, u"3"},  // 1 €
      {0x0407, LOCALE_INEGCURR, u"8"},   // -1 €
      {0x0409, LOCALE_INEGCURR, u"1"},   // -$1
      {0x0409, LOCALE_IMEASURE, u"1"},
      {0x040C, LOCALE_IMEASURE, u"0"},
      {0x0409, LOCALE_SSHORTDATE, u"M/d/yyyy"},
      {0x0407, LOCALE_SSHORTDATE, u"dd.MM.yyyy"},
      {0x040C, LOCALE_SSHORTDATE, u"dd/MM/yyyy"},
      {0x0804, LOCALE_SSHORTDATE, u"yyyy/M/d"},
      {0x040C, LOCALE_SDATE, u"/"},
      {0x0407, LOCALE_SDATE, u"."},
      {0x0409, LOCALE_IDATE, u"0"},
      {0x0407, LOCALE_IDATE, u"1"},
      {0x0804, LOCALE_IDATE, u"2"},
      {0x0409, LOCALE_ITIME, u"0"},
      {0x040C, LOCALE_ITIME, u"1"},
      {0x040C, LOCALE_ILANGUAGE, u"040c"},
      {0x040C, LOCALE_SNAME, u"fr-FR"},
      {0x0804, LOCALE_SNAME, u"zh-CN"},
      {0x0804, LOCALE_SISO3166CTRYNAME, u"CN"},
      {0x0804, LOCALE_IDEFAULTANSICODEPAGE, u"936"},
      {0x0407, LOCALE_SENGLANGUAGE, u"German"},
      {0x0407, LOCALE_SNATIVELANGNAME, u"Deutsch"},
      {0x040C, LOCALE_SABBREVCTRYNAME, u"FRA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.lcid << " item " << c.type);
    EXPECT_EQ(std::u16string(c.expected), Info(c.lcid, c.type));
  }

  SYSTEMTIME st = At(2026, 3, 5, 19, 7, 9);
  struct Formatted {
    LCID lcid;
    DWORD flags;
    const char16_t* expected;
  };
  const Formatted dates[] = {
      {0x040C, DATE_LONGDATE, u"jeudi 5 mars 2026"},
      {0x040C, DATE_YEARMONTH, u"mars 2026"},
      {0x040C, DATE_SHORTDATE, u"05/03/2026"},
      {0x0804, DATE_LONGDATE, u"2026年3月5日"},  // 2026年3月5日
      {0x0804, DATE_YEARMONTH, u"2026年3月"},
      {0x0804, DATE_SHORTDATE, u"2026/3/5"},
      {0x0407, DATE_LONGDATE, u"Donnerstag, 5. März 2026"},
  };
  for (const Formatted& f : dates) {
    SCOPED_TRACE(testing::Message() << std::hex << f.lcid << " flags " << f.flags);
    EXPECT_EQ(std::u16string(f.expected), Date(f.lcid, f.flags, st));
  }
  EXPECT_EQ(u"19:07:09", Time(0x040C, 0, st));
  EXPECT_EQ(u"19:07:09", Time(0x0804, 0, st));
  EXPECT_EQ(u"下午 7:07", Time(0x0804, 0, st, u"tt h:mm"));  // 下午 7:07
}

// The C library keeps the week's reference day as a 32-bit word in a
// pointer-sized slot whose other bytes are whatever its allocation held. The
// locales are read once per process, so a fresh copy of this program runs
// the per-locale answers with every new allocation filled with bytes that
// once made Monday-first locales start on another day.
TEST(Locale, FirstDayOfWeekDoesNotDependOnWhatTheHeapHeld) {
  struct Fill {
    const char* malloc;  // the C library's allocator: bytes are the complement
    const char* asan;
  };
  const Fill fills[] = {{"MALLOC_PERTURB_=135", "malloc_fill_byte=120"},
                        {"MALLOC_PERTURB_=146", "malloc_fill_byte=109"}};
  for (const Fill& fill : fills) {
    SCOPED_TRACE(fill.malloc);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      if (std::strncmp(*e, "MALLOC_PERTURB_=", 16) != 0 && std::strncmp(*e, "ASAN_OPTIONS=", 13) != 0 &&
          std::strncmp(*e, "GTEST_", 6) != 0)
        env.push_back(*e);
    }
    const char* asan = std::getenv("ASAN_OPTIONS");
    env.push_back(fill.malloc);
    env.push_back(std::string("ASAN_OPTIONS=") + (asan && *asan ? std::string(asan) + ":" : "") + fill.asan);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe", filter = "--gtest_filter=Locale.EachLocaleAnswersForItself";
    char* argv[] = {self.data(), filter.data(), nullptr};

    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 2);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, self.c_str(), &fa, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&fa);
    close(fds[1]);
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    ASSERT_EQ(0, rc);
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    EXPECT_NE(std::string::npos, out.find("[  PASSED  ] 1 test.")) << out;
  }
}

// The user locale follows LC_ALL, LC_TIME and LANG; "C" and what we cannot
// serve mean en-US.
TEST(Locale, UserLocaleFollowsTheEnvironment) {
  struct Case {
    const char* lang;
    const char* lcAll;
    const char* lcTime;
    LCID expected;
  };
  const Case cases[] = {
      {"de_DE.UTF-8", nullptr, nullptr, 0x0407},
      {"fr_FR.UTF-8", nullptr, nullptr, 0x040C},
      {"zh_CN.UTF-8", nullptr, nullptr, 0x0804},
      {"de_DE.UTF-8@euro", nullptr, nullptr, 0x0407},
      {"C.UTF-8", nullptr, nullptr, 0x0409},
      {"POSIX", nullptr, nullptr, 0x0409},
      {nullptr, nullptr, nullptr, 0x0409},
      {"xx_YY.UTF-8", nullptr, nullptr, 0x0409},
      {"af_ZA.UTF-8", nullptr, nullptr, 0x0409},  // a locale we have no LCID for
      {"en_US.UTF-8", "fr_FR.UTF-8", nullptr, 0x040C},
      {"en_US.UTF-8", nullptr, "de_DE.UTF-8", 0x0407},
      {"de_DE.UTF-8", "", nullptr, 0x0407},  // an empty variable is not set
  };
  SYSTEMTIME st = At(2026, 3, 5);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.lang ? c.lang : "(unset)") << " LC_ALL=" << (c.lcAll ? c.lcAll : "")
                                    << " LC_TIME=" << (c.lcTime ? c.lcTime : ""));
    pvtest::UserLocaleScope scope(c.lang, c.lcAll, c.lcTime);
    EXPECT_EQ(c.expected, GetUserDefaultLCID());
    LCID fresh = 0;
    std::thread([&] { fresh = GetThreadLocale(); }).join();  // a new thread starts with the user's locale
    EXPECT_EQ(c.expected, fresh);
    EXPECT_EQ(Date(c.expected, DATE_LONGDATE, st), Date(LOCALE_USER_DEFAULT, DATE_LONGDATE, st));
  }
  {
    pvtest::UserLocaleScope scope("de_DE.UTF-8");
    EXPECT_EQ(u"Donnerstag, 5. März 2026", Date(LOCALE_USER_DEFAULT, DATE_LONGDATE, st));
    EXPECT_EQ(u",", Info(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL));
  }
  {
    pvtest::UserLocaleScope scope("zh_CN.UTF-8");
    EXPECT_EQ(u"2026年3月", Date(LOCALE_USER_DEFAULT, DATE_YEARMONTH, st));
  }
}

// A locale we cannot serve is refused and leaves the thread's locale alone.
TEST(Locale, SetThreadLocaleRefusesWhatItCannotServe) {
  EXPECT_TRUE(SetThreadLocale(0x040C));
  SetLastError(0);
  EXPECT_FALSE(SetThreadLocale(0x0436));  // Afrikaans: no LCID of ours
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
  EXPECT_EQ(0x040Cu, GetThreadLocale());
  EXPECT_FALSE(SetThreadLocale(LOCALE_USER_DEFAULT));
  if (!pvtest::Installed("ja_JP.UTF-8")) {
    EXPECT_FALSE(SetThreadLocale(0x0411));  // no data and no table of ours
    EXPECT_FALSE(IsValidLocale(0x0411, 0));
    EXPECT_EQ(0, GetDateFormatW(0x0411, DATE_SHORTDATE, nullptr, nullptr, nullptr, 0));
  }
  // A variant of a language we have a table for is served even when not installed.
  EXPECT_TRUE(SetThreadLocale(0x0807));
  EXPECT_EQ(u"Montag", Info(0x0807, LOCALE_SDAYNAME1));
  EXPECT_EQ(u"de-CH", Info(0x0807, LOCALE_SNAME));
  EXPECT_TRUE(SetThreadLocale(0x0409));
}

// CompareString sorts as the locale's collation does: pinyin for zh-CN.
TEST(Locale, CompareStringUsesTheLocalesCollation) {
  const std::vector<std::u16string> names = {u"张三", u"李四", u"王五", u"阿林", u"赵六",  u"刘七",
                                             u"Bär",  u"Baer", u"bar",  u"Bar",  u"co-op", u"coop"};
  for (const TestLocale& loc : kTestLocales) {
    locale_t c = newlocale(LC_ALL_MASK, loc.glibc, static_cast<locale_t>(nullptr));
    if (!c) {
      ADD_FAILURE() << loc.glibc << " is not installed";
      continue;
    }
    auto wide = [](const std::u16string& s) { return std::wstring(s.begin(), s.end()); };
    std::vector<std::u16string> expected = names, ours = names;
    std::sort(expected.begin(), expected.end(),
              [&](const auto& a, const auto& b) { return wcscoll_l(wide(a).c_str(), wide(b).c_str(), c) < 0; });
    std::sort(ours.begin(), ours.end(), [&](const auto& a, const auto& b) {
      return CompareStringW(loc.lcid, 0, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
    });
    freelocale(c);
    EXPECT_EQ(expected, ours) << loc.glibc;
  }
  // Pinyin: 阿 (a) < 李 (li) < 王 (wang) < 张 (zhang), although 张 has the lowest code.
  const char16_t* pinyin[] = {u"阿", u"李", u"王", u"张"};
  for (int i = 0; i + 1 < 4; ++i)
    EXPECT_EQ(CSTR_LESS_THAN, CompareStringW(0x0804, 0, pinyin[i], -1, pinyin[i + 1], -1)) << i;
  EXPECT_EQ(CSTR_EQUAL, CompareStringW(0x0407, NORM_IGNORECASE, u"MÜLLER", -1, u"müller", -1));
  EXPECT_EQ(0, CompareStringW(0x0436, 0, u"a", -1, u"b", -1));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

// The C run-time locale: read, set by Windows' names or the C library's,
// unknown names refused; the program's own number text stays as it was.
TEST(Locale, WSetLocale) {
  std::u16string before = _wsetlocale(LC_NUMERIC, nullptr);
  EXPECT_EQ(u"C", before);
  struct Case {
    const char16_t* name;
    const char16_t* expected;  // null: refused
  };
  const Case cases[] = {
      {u"de-DE", u"de_DE.UTF-8"},
      {u"fr_FR.UTF-8", u"fr_FR.UTF-8"},
      {u"German_Germany.1252", u"de_DE.UTF-8"},
      {u"zh-CN", u"zh_CN.UTF-8"},
      {u"xx-YY", nullptr},
      {u"Klingon_Kronos", nullptr},
      {u"C", u"C"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(pv::sys::ToUtf8(c.name));
    std::u16string current = _wsetlocale(LC_NUMERIC, nullptr);
    char16_t* result = _wsetlocale(LC_NUMERIC, c.name);
    if (!c.expected) {
      EXPECT_EQ(nullptr, result);
      EXPECT_EQ(current, _wsetlocale(LC_NUMERIC, nullptr));  // nothing changed
      continue;
    }
    ASSERT_NE(nullptr, result);
    EXPECT_EQ(std::u16string(c.expected), result);
    EXPECT_EQ(std::u16string(c.expected), _wsetlocale(LC_NUMERIC, nullptr));
  }
  EXPECT_EQ(nullptr, _wsetlocale(12345, nullptr));

  // Under a German numeric locale VARIANT text still follows its LCID only.
  ASSERT_NE(nullptr, _wsetlocale(LC_NUMERIC, u"de-DE"));
  VARIANT v, text;
  VariantInit(&v);
  VariantInit(&text);
  v.vt = VT_R8;
  v.dblVal = 1.5;
  ASSERT_EQ(S_OK, VariantChangeTypeEx(&text, &v, 0x0409, 0, VT_BSTR));
  EXPECT_EQ(u"1.5", std::u16string(text.bstrVal));
  ASSERT_EQ(S_OK, VariantChangeTypeEx(&v, &text, 0x0409, 0, VT_R8));
  EXPECT_EQ(1.5, v.dblVal);
  VariantClear(&text);
  _wsetlocale(LC_NUMERIC, before.c_str());
  EXPECT_EQ(before, _wsetlocale(LC_NUMERIC, nullptr));
}

}  // namespace
