#include "platform/base/wstr.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace {

// The C.UTF-8 locale carries the Unicode simple case mapping; it is opened
// once and used through the *_l functions so the process locale does not
// matter.
locale_t Utf8Locale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (l == static_cast<locale_t>(nullptr)) l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(nullptr));
    return l;
  }();
  return loc;
}

bool IsSurrogate(char16_t c) noexcept { return c >= 0xD800 && c <= 0xDFFF; }

// Case tables over the BMP, filled once.
struct CaseTables {
  char16_t upper[65536];
  char16_t lower[65536];
  CaseTables() {
    locale_t loc = Utf8Locale();
    for (unsigned c = 0; c < 65536; ++c) {
      char16_t u = static_cast<char16_t>(c), l = static_cast<char16_t>(c);
      if (c < 128) {
        if (c >= 'a' && c <= 'z') u = static_cast<char16_t>(c - 32);
        if (c >= 'A' && c <= 'Z') l = static_cast<char16_t>(c + 32);
      } else if (!IsSurrogate(static_cast<char16_t>(c)) && loc != static_cast<locale_t>(nullptr)) {
        wint_t uu = towupper_l(static_cast<wint_t>(c), loc);
        wint_t ll = towlower_l(static_cast<wint_t>(c), loc);
        // Only mappings that stay inside the BMP fit one unit.
        if (uu < 0x10000 && !IsSurrogate(static_cast<char16_t>(uu))) u = static_cast<char16_t>(uu);
        if (ll < 0x10000 && !IsSurrogate(static_cast<char16_t>(ll))) l = static_cast<char16_t>(ll);
      }
      upper[c] = u;
      lower[c] = l;
    }
  }
};

const CaseTables& Tables() {
  static const CaseTables* t = new CaseTables();
  return *t;
}

}  // namespace

namespace pv {

char16_t ToUpper(char16_t ch) noexcept {
  if (ch < 128) return (ch >= u'a' && ch <= u'z') ? static_cast<char16_t>(ch - 32) : ch;
  return Tables().upper[ch];
}

char16_t ToLower(char16_t ch) noexcept {
  if (ch < 128) return (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch + 32) : ch;
  return Tables().lower[ch];
}

bool IsSpace(char16_t c) noexcept {
  if (c <= 0x20) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
  if (c < 0x85) return false;
  return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 ||
         c == 0x202F || c == 0x205F || c == 0x3000;
}

bool IsAlpha(char16_t c) noexcept {
  if (c < 128) return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
  if (IsSurrogate(c)) return false;
  locale_t loc = Utf8Locale();
  return loc != static_cast<locale_t>(nullptr) && iswalpha_l(static_cast<wint_t>(c), loc) != 0;
}

bool IsDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

bool IsAlnum(char16_t c) noexcept { return IsDigit(c) || IsAlpha(c); }

bool IsUpper(char16_t c) noexcept {
  if (c < 128) return c >= u'A' && c <= u'Z';
  return ToLower(c) != c;
}

bool IsLower(char16_t c) noexcept {
  if (c < 128) return c >= u'a' && c <= u'z';
  return ToUpper(c) != c;
}

bool IsPunct(char16_t c) noexcept {
  if (c < 128) return c > 0x20 && c < 0x7F && !IsAlnum(c);
  if (IsSurrogate(c)) return false;
  locale_t loc = Utf8Locale();
  return loc != static_cast<locale_t>(nullptr) && iswpunct_l(static_cast<wint_t>(c), loc) != 0;
}

bool IsXDigit(char16_t c) noexcept {
  return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

int CompareNoCase(const char16_t* a, std::size_t na, const char16_t* b, std::size_t nb) noexcept {
  std::size_t n = na < nb ? na : nb;
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = ToLower(a[i]), y = ToLower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return na == nb ? 0 : (na < nb ? -1 : 1);
}

}  // namespace pv
