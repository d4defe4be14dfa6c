// Dates, case folding, LIKE and quoting of the Jet dialect.
#include <cmath>
#include <cstdio>

#include "platform/ado/ado_engine.h"
#include "platform/base/clock.h"
#include "platform/base/systime.h"
#include "platform/base/utf.h"

namespace pv::ado {

const char* Failure::what() const noexcept {
  if (utf8_.empty()) utf8_ = pv::Utf16ToUtf8(description_);
  return utf8_.c_str();
}

// ---- dates ------------------------------------------------------------------------
namespace {

struct Scanner {
  std::u16string_view s;
  size_t p = 0;
  void Blanks() {
    while (p < s.size() && (s[p] == u' ' || s[p] == u'\t')) ++p;
  }
  bool Number(int* v, int* digits) {
    size_t start = p;
    long long n = 0;
    while (p < s.size() && s[p] >= u'0' && s[p] <= u'9' && p - start < 9) n = n * 10 + (s[p++] - u'0');
    *digits = static_cast<int>(p - start);
    *v = static_cast<int>(n);
    return *digits > 0;
  }
  bool Eat(char16_t c) {
    if (p < s.size() && s[p] == c) {
      ++p;
      return true;
    }
    return false;
  }
  bool End() const { return p == s.size(); }
};

bool ParseTime(Scanner& sc, int* h, int* mi, int* se) {
  int d;
  if (!sc.Number(h, &d) || d > 2) return false;
  if (!sc.Eat(u':')) return false;
  if (!sc.Number(mi, &d) || d > 2) return false;
  *se = 0;
  if (sc.Eat(u':')) {
    if (!sc.Number(se, &d) || d > 2) return false;
  }
  sc.Blanks();
  if (sc.p + 1 < sc.s.size() + 0 && sc.p + 2 <= sc.s.size()) {
    char16_t a = FoldCase(sc.s[sc.p]), b = FoldCase(sc.s[sc.p + 1]);
    if ((a == u'a' || a == u'p') && b == u'm') {
      if (*h < 1 || *h > 12) return false;
      if (a == u'a' && *h == 12) *h = 0;
      if (a == u'p' && *h != 12) *h += 12;
      sc.p += 2;
    }
  }
  return *h <= 23 && *mi <= 59 && *se <= 59;
}

}  // namespace

// The calendar is the base layer's (Automation dates: years 100..9999,
// rounded to the nearest second with halves going forward in time).
double DateFromParts(int year, int month, int day, int hour, int minute, int second) {
  DATE date = 0;
  pv::FieldsToDate(year, month, day, hour, minute, second, &date);
  return date;
}

bool DateToParts(double date, int* year, int* month, int* day, int* hour, int* minute, int* second) {
  pv::DateFields f;
  if (!pv::DateToFields(date, &f)) return false;
  *year = f.year;
  *month = f.month;
  *day = f.day;
  *hour = f.hour;
  *minute = f.minute;
  *second = f.second;
  return true;
}

bool ParseJetDate(std::u16string_view text, double* date) {
  Scanner sc{text};
  sc.Blanks();
  size_t save = sc.p;
  int y = 1899, m = 12, d = 30, h = 0, mi = 0, se = 0;
  int a, da;
  bool haveDate = false;
  if (sc.Number(&a, &da)) {
    if (sc.p < text.size() && text[sc.p] == u':') {
      sc.p = save;  // a time alone
    } else if (da == 8 && (sc.End() || text[sc.p] == u' ')) {
      y = a / 10000, m = a / 100 % 100, d = a % 100;  // yyyymmdd
      haveDate = true;
    } else if (da == 4 && (sc.Eat(u'-') || sc.Eat(u'/'))) {
      char16_t sep = text[sc.p - 1];
      y = a;
      if (!sc.Number(&m, &da) || da > 2 || !sc.Eat(sep) || !sc.Number(&d, &da) || da > 2) return false;
      haveDate = true;
    } else if (da <= 2 && (sc.Eat(u'/') || sc.Eat(u'-'))) {
      char16_t sep = text[sc.p - 1];
      m = a;  // month/day/year, as with the English (United States) settings
      if (!sc.Number(&d, &da) || da > 2 || !sc.Eat(sep) || !sc.Number(&y, &da) || (da != 4 && da != 2)) return false;
      if (da == 2) y += y < 30 ? 2000 : 1900;
      haveDate = true;
    } else {
      return false;
    }
  } else {
    return false;
  }
  if (haveDate) {
    if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 ||
        d > static_cast<int>(pv::DaysInMonth(y, static_cast<unsigned>(m))))
      return false;
    sc.Blanks();
    if (!sc.End() && !ParseTime(sc, &h, &mi, &se)) return false;
  } else if (!ParseTime(sc, &h, &mi, &se)) {
    return false;
  }
  sc.Blanks();
  if (!sc.End()) return false;
  return pv::FieldsToDate(y, m, d, h, mi, se, date);
}

std::u16string FormatJetDate(double date) {
  int y, m, d, h, mi, s;
  if (!DateToParts(date, &y, &m, &d, &h, &mi, &s)) return u"(invalid date)";
  char buf[40];
  if (y == 1899 && m == 12 && d == 30) std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, mi, s);
  else if (h == 0 && mi == 0 && s == 0) std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  else std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, h, mi, s);
  return pv::Utf8ToUtf16(buf);
}

// ---- text ---------------------------------------------------------------------------
char16_t FoldCase(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? static_cast<char16_t>(c + 1) : c;
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? c : static_cast<char16_t>(c + 1);
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);  // Greek
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);                // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<char16_t>(c + 32);  // full-width Latin
  return c;
}

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    char16_t x = FoldCase(a[i]), y = FoldCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

namespace {

// Where the bracket class at `open` (a '[') ends: the index of its ']', or
// npos when it is not a class (no closing bracket, or nothing inside), in
// which case the '[' is an ordinary character.
size_t ClassEnd(std::u16string_view pattern, size_t open) {
  size_t first = open + 1;
  if (first < pattern.size() && pattern[first] == u'!') ++first;
  if (first >= pattern.size() || pattern[first] == u']') return std::u16string_view::npos;
  return pattern.find(u']', first);
}

// Whether `c` is in the class between `open` ('[') and `close` (']'):
// single characters and ranges "a-c", "[!...]" negated, without regard to
// case. Inside a class '%', '_' and '[' stand for themselves.
bool InClass(std::u16string_view pattern, size_t open, size_t close, char16_t c) {
  size_t i = open + 1;
  bool negated = pattern[i] == u'!';
  if (negated) ++i;
  char16_t folded = FoldCase(c);
  bool found = false;
  while (i < close && !found) {
    char16_t lo = pattern[i];
    if (i + 2 < close && pattern[i + 1] == u'-') {
      char16_t hi = pattern[i + 2];
      found = (c >= lo && c <= hi) || (folded >= FoldCase(lo) && folded <= FoldCase(hi));
      i += 3;
    } else {
      found = FoldCase(lo) == folded;
      ++i;
    }
  }
  return found != negated;
}

}  // namespace

bool JetLike(std::u16string_view text, std::u16string_view pattern, char16_t escape) {
  // Iterative matcher with one back-track point per `%` (linear-ish, no recursion).
  size_t t = 0, p = 0, starP = std::u16string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size()) {
      char16_t pc = pattern[p];
      if (escape && pc == escape && p + 1 < pattern.size()) {
        if (FoldCase(pattern[p + 1]) == FoldCase(text[t])) {
          p += 2;
          ++t;
          continue;
        }
      } else if (pc == u'%') {
        starP = p++;
        starT = t;
        continue;
      } else if (size_t close = pc == u'[' ? ClassEnd(pattern, p) : std::u16string_view::npos;
                 close != std::u16string_view::npos) {
        if (InClass(pattern, p, close, text[t])) {
          p = close + 1;
          ++t;
          continue;
        }
      } else if (pc == u'_' || FoldCase(pc) == FoldCase(text[t])) {
        ++p;
        ++t;
        continue;
      }
    }
    if (starP == std::u16string_view::npos) return false;
    p = starP + 1;
    t = ++starT;
  }
  while (p < pattern.size() && pattern[p] == u'%') ++p;
  return p == pattern.size();
}

std::u16string QuoteJetText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + 2);
  out.push_back(u'\'');
  for (char16_t c : text) {
    out.push_back(c);
    if (c == u'\'') out.push_back(u'\'');
  }
  out.push_back(u'\'');
  return out;
}

}  // namespace pv::ado
