// What a locale (an LCID) says about names, pictures, separators and
// collation, shared by the national-language functions of the system layer
// and the Automation conversions here.
//
// Every locale is read from the C library's locale data when the matching
// locale ("de_DE.UTF-8" for 0x0407) is installed: day and month names,
// abbreviations, AM/PM, number and currency separators and positions, the
// first day of the week and week of the year, measurement, and the
// year-month picture (from the order of the locale's own date format). Short
// date, long date and time pictures are Windows' own for the locales whose
// pictures callers and stored texts rely on (en-US, en-GB, de-DE, fr-FR,
// zh-CN) and are derived from the C library's formats for the others. A
// locale that is not installed falls back to our own tables (en-US, de-DE,
// and any other variant of their languages); a locale with neither cannot be
// served (FindLocaleData gives null).
//
// The user default comes from PRAVENOR_LOCALE, then LC_ALL, LC_TIME and LANG
// (the first set and non-empty); "C" and "POSIX" mean en-US, as does a
// locale that cannot be served.
#pragma once

#include <locale.h>

#include <string>
#include <string_view>

#include "platform/base/wintypes.h"

namespace pv {

struct LocaleData {
  LCID lcid = 0;
  bool fromSystem = false;         // read from the C library's data
  locale_t cLocale = nullptr;      // the C library's locale (collation); null when not installed
  std::string posixName;           // "de_DE"
  std::u16string name;             // "de-DE"
  std::u16string englishLanguage;  // "German"
  std::u16string englishCountry;   // "Germany"
  std::u16string nativeLanguage;   // "Deutsch"
  std::u16string abbrevLanguage;   // "DEU"
  std::u16string abbrevCountry;    // "DEU" (ISO 3166 alpha-3)
  std::u16string countryCode;      // international dialling prefix: "49"
  int ansiCodePage = 1252;
  int oemCodePage = 850;

  std::u16string days[7];        // Monday .. Sunday
  std::u16string abbrevDays[7];  // Monday .. Sunday
  std::u16string months[12];     // standing alone ("März")
  std::u16string abbrevMonths[12];
  std::u16string genitiveMonths[12];  // after a day number, where the language inflects them
  std::u16string genitiveAbbrevMonths[12];
  std::u16string am, pm;

  std::u16string shortDate, longDate, yearMonth, timeFormat;  // pictures
  std::u16string dateSeparator, timeSeparator;

  std::u16string decimal, thousand, grouping;  // grouping as Windows writes it: "3;0"
  std::u16string negativeSign = u"-", positiveSign;
  std::u16string list;
  std::u16string currency, intlSymbol, monDecimal, monThousand, monGrouping;
  int currencyDigits = 2;
  int positiveCurrency = 0;  // LOCALE_ICURRENCY
  int negativeCurrency = 0;  // LOCALE_INEGCURR
  int digits = 2;
  int measure = 0;          // 0 metric, 1 U.S.
  int firstDayOfWeek = 0;   // 0 Monday .. 6 Sunday
  int firstWeekOfYear = 0;  // 0 contains 1 January, 1 first full week, 2 first four-day week
};

// The locale an LCID names, after LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT,
// the neutral and the invariant ids are resolved to the user default. Null
// when it cannot be served. The data lives as long as the process.
const LocaleData* FindLocaleData(LCID lcid);
// The LCID a default or neutral id stands for (the user default); others as given.
LCID ResolveLcid(LCID lcid);
LCID UserDefaultLcid();
// The user interface language: PRAVENOR_LOCALE, LC_ALL, LC_MESSAGES, LANG.
LCID UserDefaultUiLcid();

// "de_DE", "de-DE", "de_DE.UTF-8@euro", "German_Germany.1252" or "de" (the
// language's first country) -> 0x0407; 0 when unknown.
LCID LcidFromLocaleName(std::string_view name);
// 0x0407 -> "de_DE"; "" when unknown.
std::string PosixNameFromLcid(LCID lcid);

}  // namespace pv
