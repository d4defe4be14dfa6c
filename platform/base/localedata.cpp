#include "platform/base/localedata.h"

#include <langinfo.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/base/clock.h"
#include "platform/base/utf.h"
#include "platform/base/wstr.h"

namespace pv {
namespace {

// ---- LCIDs and locale names --------------------------------------------------------------------

// Windows' pictures for the locales whose dates callers and stored texts
// rely on; other locales derive theirs from the C library's formats.
struct Pictures {
  const char16_t* shortDate;
  const char16_t* longDate;
  const char16_t* time;
};

struct KnownLocale {
  LCID lcid;
  const char* posix;
  const char16_t* language;  // English
  const char16_t* country;   // English
  const char16_t* abbrev;    // Windows' three-letter language abbreviation
  int ansiCodePage;
  int oemCodePage;
  const Pictures* pictures;
};

const Pictures kEnUsPictures = {u"M/d/yyyy", u"dddd, MMMM d, yyyy", u"h:mm:ss tt"};
const Pictures kEnGbPictures = {u"dd/MM/yyyy", u"dd MMMM yyyy", u"HH:mm:ss"};
const Pictures kDeDePictures = {u"dd.MM.yyyy", u"dddd, d. MMMM yyyy", u"HH:mm:ss"};
const Pictures kFrFrPictures = {u"dd/MM/yyyy", u"dddd d MMMM yyyy", u"HH:mm:ss"};
const Pictures kZhCnPictures = {u"yyyy/M/d", u"yyyy'\u5e74'M'\u6708'd'\u65e5'", u"H:mm:ss"};

// The first entry of a language is its default country.
const KnownLocale kKnownLocales[] = {
    {0x0409, "en_US", u"English", u"United States", u"ENU", 1252, 437, &kEnUsPictures},
    {0x0809, "en_GB", u"English", u"United Kingdom", u"ENG", 1252, 850, &kEnGbPictures},
    {0x0C09, "en_AU", u"English", u"Australia", u"ENA", 1252, 850, nullptr},
    {0x1009, "en_CA", u"English", u"Canada", u"ENC", 1252, 850, nullptr},
    {0x1409, "en_NZ", u"English", u"New Zealand", u"ENZ", 1252, 850, nullptr},
    {0x1809, "en_IE", u"English", u"Ireland", u"ENI", 1252, 850, nullptr},
    {0x4009, "en_IN", u"English", u"India", u"ENN", 1252, 437, nullptr},
    {0x0407, "de_DE", u"German", u"Germany", u"DEU", 1252, 850, &kDeDePictures},
    {0x0807, "de_CH", u"German", u"Switzerland", u"DES", 1252, 850, nullptr},
    {0x0C07, "de_AT", u"German", u"Austria", u"DEA", 1252, 850, nullptr},
    {0x1007, "de_LU", u"German", u"Luxembourg", u"DEL", 1252, 850, nullptr},
    {0x040C, "fr_FR", u"French", u"France", u"FRA", 1252, 850, &kFrFrPictures},
    {0x080C, "fr_BE", u"French", u"Belgium", u"FRB", 1252, 850, nullptr},
    {0x0C0C, "fr_CA", u"French", u"Canada", u"FRC", 1252, 850, nullptr},
    {0x100C, "fr_CH", u"French", u"Switzerland", u"FRS", 1252, 850, nullptr},
    {0x0804, "zh_CN", u"Chinese", u"China", u"CHS", 936, 936, &kZhCnPictures},
    {0x0404, "zh_TW", u"Chinese", u"Taiwan", u"CHT", 950, 950, nullptr},
    {0x0C04, "zh_HK", u"Chinese", u"Hong Kong SAR", u"ZHH", 950, 950, nullptr},
    {0x1004, "zh_SG", u"Chinese", u"Singapore", u"ZHI", 936, 936, nullptr},
    {0x0410, "it_IT", u"Italian", u"Italy", u"ITA", 1252, 850, nullptr},
    {0x0810, "it_CH", u"Italian", u"Switzerland", u"ITS", 1252, 850, nullptr},
    {0x0C0A, "es_ES", u"Spanish", u"Spain", u"ESN", 1252, 850, nullptr},
    {0x080A, "es_MX", u"Spanish", u"Mexico", u"ESM", 1252, 850, nullptr},
    {0x0416, "pt_BR", u"Portuguese", u"Brazil", u"PTB", 1252, 850, nullptr},
    {0x0816, "pt_PT", u"Portuguese", u"Portugal", u"PTG", 1252, 850, nullptr},
    {0x0413, "nl_NL", u"Dutch", u"Netherlands", u"NLD", 1252, 850, nullptr},
    {0x0813, "nl_BE", u"Dutch", u"Belgium", u"NLB", 1252, 850, nullptr},
    {0x0406, "da_DK", u"Danish", u"Denmark", u"DAN", 1252, 850, nullptr},
    {0x041D, "sv_SE", u"Swedish", u"Sweden", u"SVE", 1252, 850, nullptr},
    {0x0414, "nb_NO", u"Norwegian Bokm\u00e5l", u"Norway", u"NOR", 1252, 850, nullptr},
    {0x0814, "nn_NO", u"Norwegian Nynorsk", u"Norway", u"NON", 1252, 850, nullptr},
    {0x040B, "fi_FI", u"Finnish", u"Finland", u"FIN", 1252, 850, nullptr},
    {0x040F, "is_IS", u"Icelandic", u"Iceland", u"ISL", 1252, 850, nullptr},
    {0x0403, "ca_ES", u"Catalan", u"Spain", u"CAT", 1252, 850, nullptr},
    {0x0415, "pl_PL", u"Polish", u"Poland", u"PLK", 1250, 852, nullptr},
    {0x0405, "cs_CZ", u"Czech", u"Czechia", u"CSY", 1250, 852, nullptr},
    {0x041B, "sk_SK", u"Slovak", u"Slovakia", u"SKY", 1250, 852, nullptr},
    {0x040E, "hu_HU", u"Hungarian", u"Hungary", u"HUN", 1250, 852, nullptr},
    {0x0418, "ro_RO", u"Romanian", u"Romania", u"ROM", 1250, 852, nullptr},
    {0x041A, "hr_HR", u"Croatian", u"Croatia", u"HRV", 1250, 852, nullptr},
    {0x0424, "sl_SI", u"Slovenian", u"Slovenia", u"SLV", 1250, 852, nullptr},
    {0x0419, "ru_RU", u"Russian", u"Russia", u"RUS", 1251, 866, nullptr},
    {0x0422, "uk_UA", u"Ukrainian", u"Ukraine", u"UKR", 1251, 866, nullptr},
    {0x0402, "bg_BG", u"Bulgarian", u"Bulgaria", u"BGR", 1251, 866, nullptr},
    {0x0408, "el_GR", u"Greek", u"Greece", u"ELL", 1253, 737, nullptr},
    {0x041F, "tr_TR", u"Turkish", u"Turkey", u"TRK", 1254, 857, nullptr},
    {0x040D, "he_IL", u"Hebrew", u"Israel", u"HEB", 1255, 862, nullptr},
    {0x0401, "ar_SA", u"Arabic", u"Saudi Arabia", u"ARA", 1256, 720, nullptr},
    {0x0425, "et_EE", u"Estonian", u"Estonia", u"ETI", 1257, 775, nullptr},
    {0x0426, "lv_LV", u"Latvian", u"Latvia", u"LVI", 1257, 775, nullptr},
    {0x0427, "lt_LT", u"Lithuanian", u"Lithuania", u"LTH", 1257, 775, nullptr},
    {0x042A, "vi_VN", u"Vietnamese", u"Vietnam", u"VIT", 1258, 1258, nullptr},
    {0x041E, "th_TH", u"Thai", u"Thailand", u"THA", 874, 874, nullptr},
    {0x0411, "ja_JP", u"Japanese", u"Japan", u"JPN", 932, 932, nullptr},
    {0x0412, "ko_KR", u"Korean", u"Korea", u"KOR", 949, 949, nullptr},
    {0x0421, "id_ID", u"Indonesian", u"Indonesia", u"IND", 1252, 850, nullptr},
    {0x0439, "hi_IN", u"Hindi", u"India", u"HIN", 0, 1, nullptr},
};

const KnownLocale* Known(LCID lcid) {
  WORD lang = static_cast<WORD>(lcid);
  for (const KnownLocale& k : kKnownLocales)
    if (k.lcid == lang) return &k;
  return nullptr;
}

// ---- our own tables, used when the C library lacks a locale -----------------------------------

void FillNames(LocaleData& d, const char16_t* const days[7], const char16_t* const abbrevDays[7],
               const char16_t* const months[12], const char16_t* const abbrevMonths[12]) {
  for (int i = 0; i < 7; ++i) {
    d.days[i] = days[i];
    d.abbrevDays[i] = abbrevDays[i];
  }
  for (int i = 0; i < 12; ++i) {
    d.months[i] = d.genitiveMonths[i] = months[i];
    d.abbrevMonths[i] = d.genitiveAbbrevMonths[i] = abbrevMonths[i];
  }
}

void EnglishTable(LocaleData& d) {
  static const char16_t* const days[7] = {u"Monday", u"Tuesday",  u"Wednesday", u"Thursday",
                                          u"Friday", u"Saturday", u"Sunday"};
  static const char16_t* const abbrevDays[7] = {u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat", u"Sun"};
  static const char16_t* const months[12] = {u"January",   u"February", u"March",    u"April",
                                             u"May",       u"June",     u"July",     u"August",
                                             u"September", u"October",  u"November", u"December"};
  static const char16_t* const abbrevMonths[12] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                                   u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
  FillNames(d, days, abbrevDays, months, abbrevMonths);
  d.nativeLanguage = u"English";
  d.abbrevCountry = u"USA";
  d.countryCode = u"1";
  d.am = u"AM";
  d.pm = u"PM";
  d.decimal = d.monDecimal = u".";
  d.thousand = d.monThousand = u",";
  d.grouping = d.monGrouping = u"3;0";
  d.list = u",";
  d.currency = u"$";
  d.intlSymbol = u"USD";
  d.positiveCurrency = 0;
  d.negativeCurrency = 0;
  d.measure = 1;
  d.firstDayOfWeek = 6;
  d.firstWeekOfYear = 0;
  d.yearMonth = u"MMMM yyyy";
}

void GermanTable(LocaleData& d) {
  static const char16_t* const days[7] = {u"Montag",  u"Dienstag", u"Mittwoch", u"Donnerstag",
                                          u"Freitag", u"Samstag",  u"Sonntag"};
  static const char16_t* const abbrevDays[7] = {u"Mo", u"Di", u"Mi", u"Do", u"Fr", u"Sa", u"So"};
  static const char16_t* const months[12] = {u"Januar", u"Februar", u"M\u00e4rz", u"April",   u"Mai",      u"Juni",
                                             u"Juli",   u"August",  u"September", u"Oktober", u"November", u"Dezember"};
  static const char16_t* const abbrevMonths[12] = {u"Jan", u"Feb", u"M\u00e4r", u"Apr", u"Mai", u"Jun",
                                                   u"Jul", u"Aug", u"Sep",      u"Okt", u"Nov", u"Dez"};
  FillNames(d, days, abbrevDays, months, abbrevMonths);
  d.nativeLanguage = u"Deutsch";
  d.abbrevCountry = u"DEU";
  d.countryCode = u"49";
  d.decimal = d.monDecimal = u",";
  d.thousand = d.monThousand = u".";
  d.grouping = d.monGrouping = u"3;0";
  d.list = u";";
  d.currency = u"\u20ac";
  d.intlSymbol = u"EUR";
  d.positiveCurrency = 3;
  d.negativeCurrency = 8;
  d.measure = 0;
  d.firstDayOfWeek = 0;
  d.firstWeekOfYear = 2;
  d.yearMonth = u"MMMM yyyy";
}

// ---- the C library's data ------------------------------------------------------------------------

std::u16string Info(nl_item item, locale_t loc) { return Utf8ToUtf16(nl_langinfo_l(item, loc)); }
int InfoByte(nl_item item, locale_t loc) { return static_cast<unsigned char>(*nl_langinfo_l(item, loc)); }

bool IsPictureLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Appends literal text to a picture, quoting what the picture would read as a field.
void AppendLiteral(std::u16string& picture, std::u16string_view text) {
  bool quote = false;
  for (char16_t c : text) quote = quote || IsPictureLetter(c) || c == u'\'';
  if (!quote) {
    picture += text;
    return;
  }
  picture += u'\'';
  for (char16_t c : text) {
    if (c == u'\'') picture += u'\'';
    picture += c;
  }
  picture += u'\'';
}

// A strftime format as a picture: "%d.%m.%Y" -> "dd.MM.yyyy".
std::u16string PictureFromStrftime(std::u16string_view fmt, locale_t loc, int depth = 0) {
  std::u16string picture, literal;
  auto field = [&](std::u16string_view f) {
    AppendLiteral(picture, literal);
    literal.clear();
    picture += f;
  };
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    char16_t c = fmt[i];
    if (c != u'%' || i + 1 >= fmt.size()) {
      literal += c;
      continue;
    }
    char16_t k = fmt[++i];
    bool noPad = false;
    while ((k == u'-' || k == u'_' || k == u'0' || k == u'^' || k == u'#' || k == u'E' || k == u'O') &&
           i + 1 < fmt.size()) {
      noPad = noPad || k == u'-' || k == u'_';
      k = fmt[++i];
    }
    switch (k) {
      case u'd':
        field(noPad ? u"d" : u"dd");
        break;
      case u'e':
        field(u"d");
        break;
      case u'm':
        field(noPad ? u"M" : u"MM");
        break;
      case u'Y':
        field(u"yyyy");
        break;
      case u'y':
        field(u"yy");
        break;
      case u'b':
      case u'h':
        field(u"MMM");
        break;
      case u'B':
        field(u"MMMM");
        break;
      case u'a':
        field(u"ddd");
        break;
      case u'A':
        field(u"dddd");
        break;
      case u'H':
        field(noPad ? u"H" : u"HH");
        break;
      case u'k':
        field(u"H");
        break;
      case u'I':
        field(noPad ? u"h" : u"hh");
        break;
      case u'l':
        field(u"h");
        break;
      case u'M':
        field(noPad ? u"m" : u"mm");
        break;
      case u'S':
        field(noPad ? u"s" : u"ss");
        break;
      case u'p':
      case u'P':
        field(u"tt");
        break;
      case u'T':
        field(u"HH:mm:ss");
        break;
      case u'R':
        field(u"HH:mm");
        break;
      case u'D':
        field(u"MM/dd/yy");
        break;
      case u'F':
        field(u"yyyy-MM-dd");
        break;
      case u'r':
        if (depth == 0) field(PictureFromStrftime(Info(T_FMT_AMPM, loc), loc, 1));
        break;
      case u'n':
      case u't':
        literal += u' ';
        break;
      case u'%':
        literal += u'%';
        break;
      default:
        break;  // zones, week numbers and the like have no picture field
    }
  }
  AppendLiteral(picture, literal);
  return picture;
}

// A date picture's fields in order ('d', 'M', 'y') and the literal texts between them.
struct DateShape {
  std::u16string order;
  std::u16string literals[4];  // before the first field, between them, after the last
};

DateShape ShapeOf(std::u16string_view picture) {
  DateShape s;
  bool quoted = false;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    char16_t c = picture[i];
    if (c == u'\'') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && (c == u'd' || c == u'M' || c == u'y')) {
      while (i + 1 < picture.size() && picture[i + 1] == c) ++i;
      if (s.order.size() < 3) s.order += c;
      continue;
    }
    if (s.order.size() <= 3) s.literals[s.order.size()] += c;
  }
  return s;
}

// A field-suffix language ("2026年3月5日") writes a word after every field.
bool SuffixStyle(const DateShape& s) {
  if (s.order.size() != 3) return false;
  for (char16_t c : s.literals[1])
    if (c > 0x2000 && c != 0x202F && c != 0x3000) return true;
  return false;
}

std::u16string Trimmed(std::u16string s) {
  while (!s.empty() && s.back() == u' ') s.pop_back();
  while (!s.empty() && s.front() == u' ') s.erase(s.begin());
  return s;
}

std::u16string FirstSeparator(std::u16string_view picture, std::u16string_view letters, const char16_t* fallback) {
  // The literal text after the first field, when it is punctuation.
  std::size_t i = 0;
  while (i < picture.size() && letters.find(picture[i]) == std::u16string_view::npos) ++i;
  char16_t first = i < picture.size() ? picture[i] : 0;
  while (i < picture.size() && picture[i] == first) ++i;
  std::u16string sep;
  while (i < picture.size() && letters.find(picture[i]) == std::u16string_view::npos && picture[i] != u'\'')
    sep += picture[i++];
  std::u16string core = Trimmed(sep);
  if (core.empty() || core.size() > 2 || IsPictureLetter(core[0]) || core[0] > 0x2000) return fallback;
  return core;
}

void DeriveDatePictures(LocaleData& d, std::u16string_view shortPicture, bool keepShortLong) {
  DateShape s = ShapeOf(shortPicture);
  if (SuffixStyle(s)) {
    // yyyy年M月d日: the long date drops the zero padding, the year-month the day.
    std::u16string lit1 = s.literals[1], lit2 = s.literals[2], lit3 = s.literals[3];
    auto field = [](char16_t f) -> std::u16string { return f == u'y' ? u"yyyy" : std::u16string(1, f); };
    std::u16string longDate, yearMonth;
    const std::u16string* lits[3] = {&lit1, &lit2, &lit3};
    for (int i = 0; i < 3; ++i) {
      longDate += field(s.order[static_cast<std::size_t>(i)]);
      AppendLiteral(longDate, *lits[i]);
      if (s.order[static_cast<std::size_t>(i)] != u'd') {
        yearMonth += field(s.order[static_cast<std::size_t>(i)]);
        AppendLiteral(yearMonth, *lits[i]);
      }
    }
    if (!keepShortLong) d.longDate = longDate;
    d.yearMonth = yearMonth;
    return;
  }
  std::u16string sep = FirstSeparator(shortPicture, u"dMy", u"/");
  if (s.order.empty() || s.order[0] == u'd') {
    if (!keepShortLong) d.longDate = sep == u"." ? u"dddd, d. MMMM yyyy" : u"dddd d MMMM yyyy";
    d.yearMonth = u"MMMM yyyy";
  } else if (s.order[0] == u'M') {
    if (!keepShortLong) d.longDate = u"dddd, MMMM d, yyyy";
    d.yearMonth = u"MMMM yyyy";
  } else {
    if (!keepShortLong) d.longDate = u"dddd, yyyy MMMM d";
    d.yearMonth = u"yyyy MMMM";
  }
}

// Windows' grouping text from the C library's group sizes: {3,3} -> "3;0".
std::u16string Grouping(const char* g) {
  std::u16string out;
  std::size_t n = std::strlen(g);
  bool repeat = true;
  if (n > 0 && (g[n - 1] == CHAR_MAX || g[n - 1] < 0)) {
    repeat = false;
    --n;
  }
  while (n > 1 && g[n - 1] == g[n - 2]) --n;  // the last size repeats anyway
  for (std::size_t i = 0; i < n; ++i) {
    if (!out.empty()) out += u';';
    out += Utf8ToUtf16(std::to_string(static_cast<int>(g[i])));
  }
  if (out.empty()) return u"0";
  if (repeat) out += u";0";
  return out;
}

int NegativeCurrency(bool precedes, bool space, int signPosition) {
  static const int kTable[2][2][5] = {
      // symbol after: no space, space
      {{4, 5, 7, 6, 7}, {15, 8, 10, 13, 10}},
      // symbol before: no space, space
      {{0, 1, 3, 1, 2}, {14, 9, 11, 9, 12}},
  };
  if (signPosition < 0 || signPosition > 4) signPosition = 1;
  return kTable[precedes ? 1 : 0][space ? 1 : 0][signPosition];
}

// 0 = Sunday, of a date written yyyymmdd.
int WeekdayOf(long yyyymmdd) {
  long y = yyyymmdd / 10000, m = yyyymmdd / 100 % 100, day = yyyymmdd % 100;
  if (m < 1 || m > 12 || day < 1 || day > 31) return 0;
  std::int64_t days = DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(day));
  return static_cast<int>(((days % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
}

void ReadSystemLocale(LocaleData& d, locale_t loc) {
  d.fromSystem = true;
  d.cLocale = loc;
  for (int i = 0; i < 7; ++i) {
    int sunday = (i + 1) % 7;  // our index 0 is Monday; the C library's DAY_1 is Sunday
    d.days[i] = Info(static_cast<nl_item>(DAY_1 + sunday), loc);
    d.abbrevDays[i] = Info(static_cast<nl_item>(ABDAY_1 + sunday), loc);
  }
  for (int i = 0; i < 12; ++i) {
    d.genitiveMonths[i] = Info(static_cast<nl_item>(MON_1 + i), loc);
    d.genitiveAbbrevMonths[i] = Info(static_cast<nl_item>(ABMON_1 + i), loc);
    d.months[i] = Info(static_cast<nl_item>(ALTMON_1 + i), loc);
    d.abbrevMonths[i] = Info(static_cast<nl_item>(_NL_ABALTMON_1 + i), loc);
    if (d.months[i].empty()) d.months[i] = d.genitiveMonths[i];
    if (d.abbrevMonths[i].empty()) d.abbrevMonths[i] = d.genitiveAbbrevMonths[i];
  }
  d.am = Info(AM_STR, loc);
  d.pm = Info(PM_STR, loc);

  std::u16string systemShort = PictureFromStrftime(Info(D_FMT, loc), loc);
  std::u16string tfmt = Info(T_FMT, loc);
  if (tfmt.empty()) tfmt = Info(T_FMT_AMPM, loc);
  const KnownLocale* known = Known(d.lcid);
  if (known && known->pictures) {
    d.shortDate = known->pictures->shortDate;
    d.longDate = known->pictures->longDate;
    d.timeFormat = known->pictures->time;
  } else {
    d.shortDate = systemShort;
    d.timeFormat = PictureFromStrftime(tfmt, loc);
  }
  DeriveDatePictures(d, systemShort, known && known->pictures);

  d.decimal = Info(RADIXCHAR, loc);
  d.thousand = Info(THOUSEP, loc);
  d.grouping = Grouping(nl_langinfo_l(GROUPING, loc));
  d.list = d.decimal == u"," ? u";" : u",";
  d.currency = Info(__CURRENCY_SYMBOL, loc);
  d.intlSymbol = Info(__INT_CURR_SYMBOL, loc).substr(0, 3);
  d.monDecimal = Info(__MON_DECIMAL_POINT, loc);
  d.monThousand = Info(__MON_THOUSANDS_SEP, loc);
  d.monGrouping = Grouping(nl_langinfo_l(__MON_GROUPING, loc));
  int frac = InfoByte(__FRAC_DIGITS, loc);
  d.currencyDigits = frac == CHAR_MAX ? 2 : frac;
  bool pPrecedes = InfoByte(__P_CS_PRECEDES, loc) == 1, pSpace = InfoByte(__P_SEP_BY_SPACE, loc) == 1;
  d.positiveCurrency = pPrecedes ? (pSpace ? 2 : 0) : (pSpace ? 3 : 1);
  d.negativeCurrency = NegativeCurrency(InfoByte(__N_CS_PRECEDES, loc) == 1, InfoByte(__N_SEP_BY_SPACE, loc) == 1,
                                        InfoByte(__N_SIGN_POSN, loc));
  std::u16string neg = Info(__NEGATIVE_SIGN, loc);
  d.negativeSign = neg.empty() ? u"-" : neg;
  d.positiveSign = Info(__POSITIVE_SIGN, loc);
  d.measure = InfoByte(_NL_MEASUREMENT_MEASUREMENT, loc) == 2 ? 1 : 0;

  // The week starts first_weekday - 1 days after the week's reference day.
  // The C library stores that day as a 32-bit word in the first bytes of the
  // pointer it returns; the other bytes are whatever its allocation held.
  const char* weekStart = nl_langinfo_l(_NL_TIME_WEEK_1STDAY, loc);
  std::uint32_t weekStartWord = 0;
  std::memcpy(&weekStartWord, &weekStart, sizeof weekStartWord);
  long firstDay = static_cast<long>(weekStartWord);
  int sunday0 = (WeekdayOf(firstDay) + InfoByte(_NL_TIME_FIRST_WEEKDAY, loc) - 1) % 7;
  d.firstDayOfWeek = (sunday0 + 6) % 7;
  int minimalDays = InfoByte(_NL_TIME_WEEK_1STWEEK, loc);
  d.firstWeekOfYear = minimalDays >= 7 ? 1 : minimalDays >= 4 ? 2 : 0;

  std::u16string native = Info(_NL_ADDRESS_LANG_NAME, loc);
  if (!native.empty()) d.nativeLanguage = native;
  std::u16string ab3 = Info(_NL_ADDRESS_COUNTRY_AB3, loc);
  if (!ab3.empty()) d.abbrevCountry = ab3;
  std::u16string tel = Info(_NL_TELEPHONE_INT_PREFIX, loc);
  if (!tel.empty()) d.countryCode = tel;
}

void SetIdentity(LocaleData& d, const KnownLocale& k) {
  d.lcid = k.lcid;
  d.posixName = k.posix;
  d.name = Utf8ToUtf16(k.posix);
  d.name[2] = u'-';
  d.englishLanguage = k.language;
  d.englishCountry = k.country;
  d.abbrevLanguage = k.abbrev;
  d.ansiCodePage = k.ansiCodePage;
  d.oemCodePage = k.oemCodePage;
}

std::unique_ptr<LocaleData> Build(const KnownLocale& k) {
  auto d = std::make_unique<LocaleData>();
  SetIdentity(*d, k);
  locale_t loc = newlocale(LC_ALL_MASK, (std::string(k.posix) + ".UTF-8").c_str(), static_cast<locale_t>(nullptr));
  if (loc) {
    ReadSystemLocale(*d, loc);
    return d;
  }
  // Not installed: our own table for the language, when we have one.
  WORD language = static_cast<WORD>(k.lcid & 0x3ff);
  if (language == 0x09) EnglishTable(*d);
  else if (language == 0x07) GermanTable(*d);
  else return nullptr;
  const Pictures& p = language == 0x09 ? (k.lcid == 0x0809 ? kEnGbPictures : kEnUsPictures) : kDeDePictures;
  d->shortDate = k.pictures ? k.pictures->shortDate : p.shortDate;
  d->longDate = k.pictures ? k.pictures->longDate : p.longDate;
  d->timeFormat = k.pictures ? k.pictures->time : p.time;
  d->dateSeparator = FirstSeparator(d->shortDate, u"dMy", u"/");
  d->timeSeparator = FirstSeparator(d->timeFormat, u"hHms", u":");
  return d;
}

std::string EnvLocale(std::initializer_list<const char*> names) {
  for (const char* n : names) {
    const char* v = std::getenv(n);
    if (v && *v) return v;
  }
  return {};
}

LCID LcidFromEnv(const std::string& value) {
  if (value.empty() || value == "C" || value == "POSIX" || value.rfind("C.", 0) == 0) return 0x0409;
  LCID lcid = LcidFromLocaleName(value);
  return lcid && FindLocaleData(lcid) ? lcid : 0x0409;
}

}  // namespace

LCID LcidFromLocaleName(std::string_view name) {
  std::size_t end = name.find_first_of(".@");
  if (end != std::string_view::npos) name = name.substr(0, end);
  std::size_t underscore = name.find('_');
  if (underscore != std::string_view::npos && underscore > 2) {
    // The C run-time's English form: "German_Germany".
    std::u16string language = Utf8ToUtf16(name.substr(0, underscore));
    std::u16string country = Utf8ToUtf16(name.substr(underscore + 1));
    for (const KnownLocale& k : kKnownLocales)
      if (_tcsicmp(language.c_str(), k.language) == 0 && _tcsicmp(country.c_str(), k.country) == 0) return k.lcid;
    return 0;
  }
  if (name.size() != 2 && name.size() != 5) return 0;
  std::string wanted(name);
  if (wanted.size() == 5) {
    if (wanted[2] != '_' && wanted[2] != '-') return 0;
    wanted[2] = '_';
  }
  for (const KnownLocale& k : kKnownLocales) {
    // A bare language ("de") names its first country.
    if (wanted.size() == 2 ? std::strncmp(k.posix, wanted.c_str(), 2) == 0 : wanted == k.posix) return k.lcid;
  }
  return 0;
}

std::string PosixNameFromLcid(LCID lcid) {
  const KnownLocale* k = Known(lcid);
  return k ? k->posix : "";
}

LCID UserDefaultLcid() { return LcidFromEnv(EnvLocale({"PRAVENOR_LOCALE", "LC_ALL", "LC_TIME", "LANG"})); }

LCID UserDefaultUiLcid() { return LcidFromEnv(EnvLocale({"PRAVENOR_LOCALE", "LC_ALL", "LC_MESSAGES", "LANG"})); }

LCID ResolveLcid(LCID lcid) {
  WORD lang = static_cast<WORD>(lcid);
  // LANG_USER_DEFAULT, LANG_SYSTEM_DEFAULT, neutral and invariant.
  if (lang == 0x0400 || lang == 0x0800 || lang == 0 || lang == 0x007f) return UserDefaultLcid();
  return lang;  // the sort id does not change the data
}

const LocaleData* FindLocaleData(LCID lcid) {
  // Null entries: locales that cannot be served.
  struct Entry {
    std::unique_ptr<LocaleData> data;
    ~Entry() {
      if (data && data->cLocale) freelocale(data->cLocale);
    }
  };
  static std::mutex mutex;
  static std::map<LCID, Entry> cache;
  lcid = ResolveLcid(lcid);
  std::lock_guard<std::mutex> lock(mutex);
  auto it = cache.find(lcid);
  if (it != cache.end()) return it->second.data.get();
  const KnownLocale* k = Known(lcid);
  auto& slot = cache[lcid].data;
  if (k) slot = Build(*k);
  if (slot && slot->dateSeparator.empty()) {
    slot->dateSeparator = FirstSeparator(slot->shortDate, u"dMy", u"/");
    slot->timeSeparator = FirstSeparator(slot->timeFormat, u"hHms", u":");
  }
  return slot.get();
}

}  // namespace pv
