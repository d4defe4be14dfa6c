#include "platform/base/collate.h"

#include <wctype.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/base/localedata.h"
#include "platform/base/wstr.h"

namespace pv {
namespace {

// Base letter of Latin-1 letters with marks; the letter itself otherwise.
// `mark` gets a non-zero accent class.
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

bool IsCombiningMark(char32_t c) {
  return (c >= 0x300 && c <= 0x36F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
         (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F);
}

// ---- collation by the C library ---------------------------------------------------------------

// The text as wide characters with the flags applied.
std::wstring Prepare(std::u16string_view s, DWORD flags, locale_t loc) {
  std::wstring out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    if ((flags & kNormIgnoreSymbols) && c != 0 && !iswalnum_l(static_cast<wint_t>(c), loc) && !IsCombiningMark(c))
      continue;
    if (flags & kNormIgnoreNonSpace) {
      if (IsCombiningMark(c)) continue;
      if (c == 0xDF) {
        out += L"ss";
        continue;
      }
      int mark;
      if (c <= 0xFFFF) c = BaseLetter(static_cast<char16_t>(c), &mark);
    }
    if ((flags & (kNormIgnoreCaseFlag | kLinguisticIgnoreCase)) && c <= 0xFFFF) c = ToLower(static_cast<char16_t>(c));
    out += static_cast<wchar_t>(c);
  }
  return out;
}

// wcscoll stops at a zero: compare the pieces between zeros in turn.
int Collate(const std::wstring& a, const std::wstring& b, locale_t loc) {
  std::size_t ia = 0, ib = 0;
  for (;;) {
    std::size_t ea = a.find(L'\0', ia), eb = b.find(L'\0', ib);
    if (ea == std::wstring::npos) ea = a.size();
    if (eb == std::wstring::npos) eb = b.size();
    int r = wcscoll_l(a.substr(ia, ea - ia).c_str(), b.substr(ib, eb - ib).c_str(), loc);
    if (r != 0) return r < 0 ? -1 : 1;
    bool moreA = ea < a.size(), moreB = eb < b.size();
    if (!moreA || !moreB) return moreA == moreB ? 0 : (moreA ? 1 : -1);
    ia = ea + 1;
    ib = eb + 1;
  }
}

// ---- our own ordering, for locales served from our tables -------------------------------------

struct Keys {
  std::vector<std::uint32_t> primary, accents, cases;
};

Keys MakeKeys(std::u16string_view s, DWORD flags) {
  Keys k;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if ((flags & kNormIgnoreSymbols) && c < 0x80 &&
        !((c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z')))
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
    char16_t upper = ToUpper(base);
    bool letter = ToLower(base) != upper || ((upper | 0x20) >= u'a' && (upper | 0x20) <= u'z');
    std::uint32_t weight;
    if (c < 0x80 && c >= u'0' && c <= u'9') weight = 0x1000 + c;
    else if (letter) weight = 0x2000 + upper;
    else if (c < 0x80) weight = 0x100 + c;  // spaces and punctuation first
    else weight = 0x10000 + c;
    k.primary.push_back(weight);
    k.accents.push_back(static_cast<std::uint32_t>(mark));
    k.cases.push_back(letter && base == upper && ToLower(base) != base ? 1 : 0);  // lower case first
  }
  return k;
}

int CompareKeys(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int CompareByTable(std::u16string_view a, std::u16string_view b, DWORD flags) {
  Keys ka = MakeKeys(a, flags), kb = MakeKeys(b, flags);
  int r = CompareKeys(ka.primary, kb.primary);
  if (r == 0 && !(flags & kNormIgnoreNonSpace)) r = CompareKeys(ka.accents, kb.accents);
  if (r == 0 && !(flags & (kNormIgnoreCaseFlag | kLinguisticIgnoreCase))) r = CompareKeys(ka.cases, kb.cases);
  return r;
}

}  // namespace

bool CompareLocaleStrings(LCID lcid, DWORD flags, std::u16string_view a, std::u16string_view b, int* result) {
  const LocaleData* locale = FindLocaleData(lcid);
  if (!locale) return false;
  if (locale->cLocale)
    *result = Collate(Prepare(a, flags, locale->cLocale), Prepare(b, flags, locale->cLocale), locale->cLocale);
  else *result = CompareByTable(a, b, flags);
  return true;
}

}  // namespace pv
