// Automation date text: dates written out under a locale's pictures and read
// back from what users type (see docs/time-com-threads.md, "Automation dates"),
// and the date conversions of the Var* API.
#include <string>
#include <vector>

#include "platform/base/datepicture.h"
#include "platform/base/systime.h"
#include "platform/base/variant.h"
#include "platform/base/variant_private.h"
#include "platform/base/wstr.h"

namespace pv {
using detail::EqualsNoCase;
using detail::IsBlank;
using detail::LocaleOf;
using detail::MakeBstr;

namespace {

const char* const kMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};
const char* const kDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// Names compare without regard to case and without a trailing full stop
// ("févr." is typed "févr").
bool SameName(const std::u16string& word, std::u16string_view name) {
  while (!name.empty() && name.back() == u'.') name.remove_suffix(1);
  return !name.empty() && CompareNoCase(word.data(), word.size(), name.data(), name.size()) == 0;
}

// 1..12 for a month name of the locale (either form) or of English; 0 otherwise.
int MonthFromName(const std::u16string& word, const LocaleData& locale) {
  for (int m = 0; m < 12; ++m) {
    if (SameName(word, locale.months[m]) || SameName(word, locale.abbrevMonths[m]) ||
        SameName(word, locale.genitiveMonths[m]) || SameName(word, locale.genitiveAbbrevMonths[m]))
      return m + 1;
  }
  for (int m = 0; m < 12; ++m) {
    std::string full = kMonthNames[m];
    if (EqualsNoCase(word, full.c_str()) || EqualsNoCase(word, full.substr(0, 3).c_str())) return m + 1;
    if (m == 8 && EqualsNoCase(word, "Sept")) return 9;
  }
  return 0;
}

bool IsDayName(const std::u16string& word, const LocaleData& locale) {
  for (int d = 0; d < 7; ++d)
    if (SameName(word, locale.days[d]) || SameName(word, locale.abbrevDays[d])) return true;
  for (const char* d : kDayNames) {
    std::string full = d;
    if (EqualsNoCase(word, full.c_str()) || EqualsNoCase(word, full.substr(0, 3).c_str())) return true;
  }
  return false;
}

// 1 for a morning marker, 2 for an afternoon one (the locale's or English), 0 otherwise.
int AmPmFromName(const std::u16string& word, const LocaleData& locale) {
  if (SameName(word, locale.am) || EqualsNoCase(word, "AM") || EqualsNoCase(word, "A")) return 1;
  if (SameName(word, locale.pm) || EqualsNoCase(word, "PM") || EqualsNoCase(word, "P")) return 2;
  return 0;
}

int CurrentLocalYear() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return st.wYear;
}

}  // namespace

bool FormatVariantDate(DATE date, DWORD flags, LCID lcid, std::u16string* out) {
  DateFields f;
  if (!DateToFields(date, &f)) return false;
  const LocaleData& locale = LocaleOf(lcid);
  bool zeroDay = f.year == 1899 && f.month == 12 && f.day == 30;
  bool midnight = f.hour == 0 && f.minute == 0 && f.second == 0;
  bool showDate = !(flags & VAR_TIMEVALUEONLY) && ((flags & VAR_DATEVALUEONLY) || !zeroDay);
  bool showTime = !(flags & VAR_DATEVALUEONLY) && ((flags & VAR_TIMEVALUEONLY) || !midnight || !showDate);
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(f.year);
  st.wMonth = static_cast<WORD>(f.month);
  st.wDay = static_cast<WORD>(f.day);
  st.wHour = static_cast<WORD>(f.hour);
  st.wMinute = static_cast<WORD>(f.minute);
  st.wSecond = static_cast<WORD>(f.second);
  out->clear();
  if (showDate) *out = FormatDatePicture(locale, locale.shortDate, st);
  if (showTime) {
    if (showDate) *out += u' ';
    *out += FormatTimePicture(locale, locale.timeFormat, st, 0);
  }
  return true;
}

bool ParseVariantDate(const char16_t* text, DWORD flags, LCID lcid, DATE* out) {
  if (!text) return false;
  const LocaleData& locale = LocaleOf(lcid);
  struct Token {
    enum Kind { kNumber, kWord, kSep } kind;
    std::u16string text;
    int value = 0;
    char16_t sep = 0;
    char16_t unit = 0;  // 'y', 'M' or 'd' when a year/month/day word follows the number (年 月 日)
  };
  auto isSeparator = [&](char16_t c) {
    return c == u'/' || c == u'-' || c == u'.' || c == u',' || c == u':' || IsBlank(c) || c == 0x202F || c == 0x3000 ||
           (!locale.dateSeparator.empty() && c == locale.dateSeparator[0]) ||
           (!locale.timeSeparator.empty() && c == locale.timeSeparator[0]);
  };
  std::vector<Token> tokens;
  for (size_t i = 0; text[i];) {
    char16_t c = text[i];
    bool afterNumber = !tokens.empty() && tokens.back().kind == Token::kNumber;
    if (c >= u'0' && c <= u'9') {
      Token t{Token::kNumber, {}};
      long v = 0;
      while (text[i] >= u'0' && text[i] <= u'9') {
        t.text.push_back(text[i]);
        if (v < 100000) v = v * 10 + (text[i] - u'0');
        ++i;
      }
      t.value = static_cast<int>(v);
      tokens.push_back(t);
    } else if (afterNumber && (c == u'\u5e74' || c == u'\u6708' || c == u'\u65e5')) {
      // 年 月 日 name the number before them.
      tokens.back().unit = c == u'\u5e74' ? u'y' : c == u'\u6708' ? u'M' : u'd';
      ++i;
    } else if (afterNumber &&
               (c == u'\u65f6' || c == u'\u6642' || c == u'\u70b9' || c == u'\u5206' || c == u'\u79d2')) {
      // 时 分 秒 separate the parts of a time as ':' does.
      Token t{Token::kSep, {}};
      t.sep = c == u'\u79d2' ? u' ' : u':';
      tokens.push_back(t);
      ++i;
    } else if (isSeparator(c)) {
      Token t{Token::kSep, {}};
      t.sep = IsBlank(c) || c == 0x202F || c == 0x3000                          ? u' '
              : (c == u'/' || c == u'-' || c == u'.' || c == u',' || c == u':') ? c
                                                                                : u'/';
      tokens.push_back(t);
      ++i;
    } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= 0xC0 && IsAlpha(c)) || c >= 0x2E80) {
      Token t{Token::kWord, {}};
      while (text[i] && !(text[i] >= u'0' && text[i] <= u'9') && !isSeparator(text[i]) &&
             ((text[i] >= u'a' && text[i] <= u'z') || (text[i] >= u'A' && text[i] <= u'Z') ||
              (text[i] >= 0xC0 && IsAlpha(text[i])) || text[i] >= 0x2E80))
        t.text.push_back(text[i++]);
      if (t.text.size() == 1 && (t.text[0] == u'T' || t.text[0] == u't')) {
        Token s{Token::kSep, {}};
        s.sep = u' ';
        tokens.push_back(s);
      } else {
        tokens.push_back(t);
      }
    } else {
      return false;
    }
  }
  // Time: a number followed by ':' ... and an optional AM/PM, or a number
  // followed directly by AM/PM. A marker may also come before the time.
  int hour = -1, minute = 0, second = 0;
  int ampm = 0;  // 1 AM, 2 PM
  std::vector<Token> dateTokens;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    auto nextNonSpace = [&](size_t j) {
      while (j < tokens.size() && tokens[j].kind == Token::kSep && tokens[j].sep == u' ') ++j;
      return j;
    };
    if (t.kind == Token::kNumber && hour < 0 && !t.unit) {
      bool colon = i + 2 < tokens.size() && tokens[i + 1].kind == Token::kSep && tokens[i + 1].sep == u':' &&
                   tokens[i + 2].kind == Token::kNumber;
      size_t after = nextNonSpace(i + 1);
      // "7 PM"; but in "2026/12/8 下午 7:30" the marker belongs to the time after it.
      bool bareAmPm =
          !colon && after < tokens.size() && tokens[after].kind == Token::kWord &&
          AmPmFromName(tokens[after].text, locale) != 0 &&
          !(nextNonSpace(after + 1) < tokens.size() && tokens[nextNonSpace(after + 1)].kind == Token::kNumber);
      if (colon || bareAmPm) {
        if (t.text.size() > 2) return false;
        hour = t.value;
        size_t j = i + 1;
        if (colon) {
          if (tokens[i + 2].text.size() > 2) return false;
          minute = tokens[i + 2].value;
          j = i + 3;
          if (j + 1 < tokens.size() && tokens[j].kind == Token::kSep && tokens[j].sep == u':' &&
              tokens[j + 1].kind == Token::kNumber) {
            if (tokens[j + 1].text.size() > 2) return false;
            second = tokens[j + 1].value;
            j += 2;
            // Fractions of a second are read and dropped.
            if (j + 1 < tokens.size() && tokens[j].kind == Token::kSep && tokens[j].sep == u'.' &&
                tokens[j + 1].kind == Token::kNumber)
              j += 2;
          }
        }
        size_t k = nextNonSpace(j);
        if (k < tokens.size() && tokens[k].kind == Token::kWord) {
          int marker = AmPmFromName(tokens[k].text, locale);
          if (marker) {
            if (ampm) return false;
            ampm = marker;
            j = k + 1;
          }
        }
        i = j - 1;
        continue;
      }
    }
    if (t.kind == Token::kWord && AmPmFromName(t.text, locale) && !MonthFromName(t.text, locale)) {
      // A marker before the time ("下午 3:05").
      if (ampm) return false;
      ampm = AmPmFromName(t.text, locale);
      continue;
    }
    dateTokens.push_back(t);
  }
  if (ampm && hour < 0) return false;
  if (hour >= 0) {
    if (ampm) {
      if (hour < 1 || hour > 12) return false;
      hour = hour % 12 + (ampm == 2 ? 12 : 0);
    }
    if (hour > 23 || minute > 59 || second > 59) return false;
  }
  // Date: numbers and at most one month name; weekday names are skipped.
  std::vector<Token> nums;
  int monthName = 0;
  for (const Token& t : dateTokens) {
    if (t.kind == Token::kNumber) {
      nums.push_back(t);
    } else if (t.kind == Token::kWord) {
      int m = MonthFromName(t.text, locale);
      if (m) {
        if (monthName) return false;
        monthName = m;
      } else if (!IsDayName(t.text, locale)) {
        return false;
      }
    }
  }
  auto fullYear = [](const Token& t) {
    if (t.text.size() <= 2) return t.value < 30 ? 2000 + t.value : 1900 + t.value;
    return t.value;
  };
  auto looksLikeYear = [](const Token& t) { return t.text.size() >= 3 || t.value > 31; };
  bool dayFirst = TraitsOf(locale.shortDate).dateOrder.rfind(u"d", 0) == 0;
  int year = 0, month = 0, day = 0;
  bool hasDate = !nums.empty() || monthName;
  if (!hasDate && hour < 0) return false;
  bool labelled = !nums.empty();
  for (const Token& t : nums) labelled = labelled && t.unit;
  if (hasDate && labelled) {
    // 2026年12月8日: each number says what it is.
    for (const Token& t : nums) {
      int& field = t.unit == u'y' ? year : t.unit == u'M' ? month : day;
      if (field) return false;
      field = t.unit == u'y' ? fullYear(t) : t.value;
    }
    if (monthName) {
      if (month) return false;
      month = monthName;
    }
    if (!month) return false;
    if (!year) year = CurrentLocalYear();
    if (!day) day = 1;
  } else if (hasDate) {
    if (monthName) {
      month = monthName;
      if (nums.size() == 2) {
        if (looksLikeYear(nums[0])) {
          year = fullYear(nums[0]);
          day = nums[1].value;
        } else {
          day = nums[0].value;
          year = fullYear(nums[1]);
        }
      } else if (nums.size() == 1) {
        if (looksLikeYear(nums[0])) {
          year = fullYear(nums[0]);
          day = 1;
        } else {
          day = nums[0].value;
          year = CurrentLocalYear();
        }
      } else {
        return false;
      }
    } else if (nums.size() == 3) {
      if (looksLikeYear(nums[0])) {
        year = fullYear(nums[0]);
        month = nums[1].value;
        day = nums[2].value;
      } else {
        // The locale's order of day and month; the other one when that is impossible.
        month = nums[dayFirst ? 1 : 0].value;
        day = nums[dayFirst ? 0 : 1].value;
        year = fullYear(nums[2]);
        if (month > 12 && day <= 12) std::swap(month, day);
      }
    } else if (nums.size() == 2) {
      if (looksLikeYear(nums[1]) && nums[0].value <= 12) {
        month = nums[0].value;
        year = fullYear(nums[1]);
        day = 1;
      } else if (looksLikeYear(nums[0])) {
        year = fullYear(nums[0]);
        month = nums[1].value;
        day = 1;
      } else {
        month = nums[dayFirst ? 1 : 0].value;
        day = nums[dayFirst ? 0 : 1].value;
        if (month > 12 && day <= 12) std::swap(month, day);
        year = CurrentLocalYear();
      }
    } else {
      return false;
    }
  }
  DATE datePart = 0;
  if (hasDate && !FieldsToDate(year, month, day, 0, 0, 0, &datePart)) return false;
  double timePart = hour >= 0 ? (hour * 3600 + minute * 60 + second) / 86400.0 : 0.0;
  if (flags & VAR_DATEVALUEONLY) timePart = 0;
  if (flags & VAR_TIMEVALUEONLY) datePart = 0;
  *out = datePart >= 0 ? datePart + timePart : datePart - timePart;
  return true;
}

}  // namespace pv

// ---- public API ----------------------------------------------------------------------------------

HRESULT VarBstrFromDate(DATE date, LCID lcid, ULONG flags, BSTR* out) {
  if (!out) return E_INVALIDARG;
  std::u16string text;
  if (!pv::FormatVariantDate(date, flags, lcid, &text)) return E_INVALIDARG;
  *out = pv::MakeBstr(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT VarDateFromStr(LPCOLESTR text, LCID lcid, ULONG flags, DATE* out) {
  if (!text || !out) return E_INVALIDARG;
  return pv::ParseVariantDate(text, flags, lcid, out) ? S_OK : DISP_E_TYPEMISMATCH;
}

HRESULT VarUdateFromDate(DATE date, ULONG, UDATE* out) {
  pv::DateFields f;
  if (!out || !pv::DateToFields(date, &f)) return E_INVALIDARG;
  *out = UDATE{};
  out->st.wYear = static_cast<WORD>(f.year);
  out->st.wMonth = static_cast<WORD>(f.month);
  out->st.wDayOfWeek = static_cast<WORD>(f.dayOfWeek);
  out->st.wDay = static_cast<WORD>(f.day);
  out->st.wHour = static_cast<WORD>(f.hour);
  out->st.wMinute = static_cast<WORD>(f.minute);
  out->st.wSecond = static_cast<WORD>(f.second);
  out->wDayOfYear = static_cast<USHORT>(f.dayOfYear);
  return S_OK;
}
