#include "platform/base/wstr.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

#include <limits>
#include <string>
#include <type_traits>

namespace {

// The C.UTF-8 locale carries the Unicode simple case mapping; it is opened
// once and used through the *_l functions so the process locale does not
// matter.
locale_t Utf8Locale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (l == static_cast<locale_t>(nullptr))
      l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(nullptr));
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

bool IsXDigit(char16_t c) noexcept { return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

int CompareNoCase(const char16_t* a, std::size_t na, const char16_t* b, std::size_t nb) noexcept {
  std::size_t n = na < nb ? na : nb;
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = ToLower(a[i]), y = ToLower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return na == nb ? 0 : (na < nb ? -1 : 1);
}

}  // namespace pv

// ---- C-string helpers ----------------------------------------------------------------------

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

std::size_t Len(const char16_t* s) noexcept {
  if (s == nullptr) return 0;
  std::size_t n = 0;
  while (s[n]) ++n;
  return n;
}

const char16_t* OrEmpty(const char16_t* s) noexcept { return s ? s : u""; }

int CompareUnits(const char16_t* a, const char16_t* b, std::size_t limit) noexcept {
  a = OrEmpty(a);
  b = OrEmpty(b);
  for (std::size_t i = 0; i < limit; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    if (a[i] == 0) return 0;
  }
  return 0;
}

int CompareUnitsNoCase(const char16_t* a, const char16_t* b, std::size_t limit) noexcept {
  a = OrEmpty(a);
  b = OrEmpty(b);
  for (std::size_t i = 0; i < limit; ++i) {
    char16_t x = pv::ToLower(a[i]), y = pv::ToLower(b[i]);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
  return 0;
}

bool InSet(char16_t c, const char16_t* set) noexcept {
  for (const char16_t* p = OrEmpty(set); *p; ++p)
    if (*p == c) return true;
  return false;
}

int DigitValue(char16_t c) noexcept {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'z') return c - u'a' + 10;
  if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
  return 99;
}

// Parses an integer prefix. Returns the magnitude clamped to `limit` (with
// `overflow` set when it was exceeded) and the sign; `end` is where parsing
// stopped (s itself when there was no number).
std::uint64_t ParseMagnitude(const char16_t* s, int base, std::uint64_t limit, bool& negative, bool& overflow,
                             const char16_t*& end) noexcept {
  negative = false;
  overflow = false;
  end = s;
  if (s == nullptr || base < 0 || base == 1 || base > 36) return 0;
  const char16_t* p = s;
  while (pv::IsSpace(*p)) ++p;
  if (*p == u'+' || *p == u'-') {
    negative = *p == u'-';
    ++p;
  }
  if ((base == 0 || base == 16) && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') && DigitValue(p[2]) < 16) {
    p += 2;
    base = 16;
  } else if (base == 0) {
    base = p[0] == u'0' ? 8 : 10;
  }
  std::uint64_t value = 0;
  const char16_t* digits = p;
  for (; DigitValue(*p) < base; ++p) {
    unsigned d = static_cast<unsigned>(DigitValue(*p));
    if (overflow) continue;
    if (value > (limit - d) / static_cast<unsigned>(base)) {
      overflow = true;
      value = limit;
    } else {
      value = value * static_cast<unsigned>(base) + d;
    }
  }
  if (p == digits) {
    negative = false;
    return 0;
  }
  end = p;
  return value;
}

template <class Signed>
Signed ParseSigned(const char16_t* s, char16_t** end, int base, bool setErrno) noexcept {
  using U = std::make_unsigned_t<Signed>;
  bool negative, overflow;
  const char16_t* stop;
  // One more for the negative limit.
  std::uint64_t limit = static_cast<std::uint64_t>(static_cast<U>(std::numeric_limits<Signed>::max())) + 1;
  std::uint64_t m = ParseMagnitude(s, base, limit, negative, overflow, stop);
  if (end) *end = const_cast<char16_t*>(stop);
  Signed result;
  if (negative) {
    result = m >= limit ? std::numeric_limits<Signed>::min() : static_cast<Signed>(-static_cast<std::int64_t>(m));
  } else if (m >= limit) {
    overflow = true;
    result = std::numeric_limits<Signed>::max();
  } else {
    result = static_cast<Signed>(m);
  }
  if (overflow && setErrno) errno = ERANGE;
  return result;
}

template <class Unsigned>
Unsigned ParseUnsigned(const char16_t* s, char16_t** end, int base) noexcept {
  bool negative, overflow;
  const char16_t* stop;
  std::uint64_t m = ParseMagnitude(s, base, std::numeric_limits<Unsigned>::max(), negative, overflow, stop);
  if (end) *end = const_cast<char16_t*>(stop);
  if (overflow) {
    errno = ERANGE;
    return std::numeric_limits<Unsigned>::max();
  }
  Unsigned v = static_cast<Unsigned>(m);
  return negative ? static_cast<Unsigned>(0u - v) : v;
}

// Writes the digits of `value` (with '-' when negative) into buffer, which
// has room for `size` units including the terminator. 0, EINVAL or ERANGE.
int WriteNumber(std::uint64_t magnitude, bool negative, char16_t* buffer, std::size_t size, int radix) noexcept {
  if (buffer == nullptr || size == 0) return EINVAL;
  if (radix < 2 || radix > 36) {
    buffer[0] = 0;
    return EINVAL;
  }
  char16_t tmp[72];
  std::size_t n = 0;
  do {
    unsigned d = static_cast<unsigned>(magnitude % static_cast<unsigned>(radix));
    tmp[n++] = static_cast<char16_t>(d < 10 ? u'0' + d : u'a' + d - 10);
    magnitude /= static_cast<unsigned>(radix);
  } while (magnitude != 0);
  if (negative) tmp[n++] = u'-';
  if (n + 1 > size) {
    buffer[0] = 0;
    return ERANGE;
  }
  for (std::size_t i = 0; i < n; ++i) buffer[i] = tmp[n - 1 - i];
  buffer[n] = 0;
  return 0;
}

int WriteSigned(std::int64_t v, int bits, char16_t* buffer, std::size_t size, int radix) noexcept {
  if (radix == 10 && v < 0) return WriteNumber(0 - static_cast<std::uint64_t>(v), true, buffer, size, radix);
  std::uint64_t u = static_cast<std::uint64_t>(v);
  if (bits == 32) u &= 0xFFFFFFFFull;
  return WriteNumber(u, false, buffer, size, radix);
}

constexpr std::size_t kUnbounded = 72;  // enough for any 64-bit value in base 2

}  // namespace

int lstrlen(LPCWSTR s) noexcept { return static_cast<int>(Len(s)); }

LPWSTR lstrcpyn(LPWSTR dst, LPCWSTR src, int maxChars) noexcept {
  if (dst == nullptr || maxChars <= 0) return dst;
  src = OrEmpty(src);
  int i = 0;
  for (; i < maxChars - 1 && src[i]; ++i) dst[i] = src[i];
  dst[i] = 0;
  return dst;
}

LPWSTR lstrcpy(LPWSTR dst, LPCWSTR src) noexcept {
  if (dst == nullptr) return nullptr;
  std::size_t n = Len(src);
  std::memmove(dst, OrEmpty(src), n * sizeof(char16_t));
  dst[n] = 0;
  return dst;
}

LPWSTR lstrcat(LPWSTR dst, LPCWSTR src) noexcept {
  if (dst == nullptr) return nullptr;
  lstrcpy(dst + Len(dst), src);
  return dst;
}

int lstrcmp(LPCWSTR a, LPCWSTR b) noexcept { return CompareUnits(a, b, SIZE_MAX); }
int lstrcmpi(LPCWSTR a, LPCWSTR b) noexcept { return CompareUnitsNoCase(a, b, SIZE_MAX); }

std::size_t _tcslen(const char16_t* s) noexcept { return Len(s); }
int _tcscmp(const char16_t* a, const char16_t* b) noexcept { return CompareUnits(a, b, SIZE_MAX); }
int _tcsncmp(const char16_t* a, const char16_t* b, std::size_t count) noexcept { return CompareUnits(a, b, count); }
int _tcsicmp(const char16_t* a, const char16_t* b) noexcept { return CompareUnitsNoCase(a, b, SIZE_MAX); }
int _tcsnicmp(const char16_t* a, const char16_t* b, std::size_t count) noexcept {
  return CompareUnitsNoCase(a, b, count);
}

const char16_t* _tcschr(const char16_t* s, char16_t ch) noexcept {
  if (s == nullptr) return nullptr;
  for (;; ++s) {
    if (*s == ch) return s;
    if (*s == 0) return nullptr;
  }
}

const char16_t* _tcsrchr(const char16_t* s, char16_t ch) noexcept {
  if (s == nullptr) return nullptr;
  const char16_t* found = nullptr;
  for (;; ++s) {
    if (*s == ch) found = s;
    if (*s == 0) return found;
  }
}

const char16_t* _tcsstr(const char16_t* s, const char16_t* sub) noexcept {
  if (s == nullptr) return nullptr;
  std::size_t n = Len(sub);
  if (n == 0) return s;
  for (; *s; ++s)
    if (*s == sub[0] && std::char_traits<char16_t>::compare(s, sub, n) == 0) return s;
  return nullptr;
}

const char16_t* _tcspbrk(const char16_t* s, const char16_t* set) noexcept {
  if (s == nullptr) return nullptr;
  for (; *s; ++s)
    if (InSet(*s, set)) return s;
  return nullptr;
}

std::size_t _tcsspn(const char16_t* s, const char16_t* set) noexcept {
  std::size_t n = 0;
  s = OrEmpty(s);
  while (s[n] && InSet(s[n], set)) ++n;
  return n;
}

std::size_t _tcscspn(const char16_t* s, const char16_t* set) noexcept {
  std::size_t n = 0;
  s = OrEmpty(s);
  while (s[n] && !InSet(s[n], set)) ++n;
  return n;
}

char16_t* _tcscpy(char16_t* dst, const char16_t* src) noexcept { return lstrcpy(dst, src); }
char16_t* _tcscat(char16_t* dst, const char16_t* src) noexcept { return lstrcat(dst, src); }

char16_t* _tcsncpy(char16_t* dst, const char16_t* src, std::size_t count) noexcept {
  if (dst == nullptr) return nullptr;
  src = OrEmpty(src);
  std::size_t i = 0;
  for (; i < count && src[i]; ++i) dst[i] = src[i];
  for (; i < count; ++i) dst[i] = 0;
  return dst;
}

char16_t* _tcsdup(const char16_t* s) {
  if (s == nullptr) return nullptr;
  std::size_t n = Len(s);
  auto* p = static_cast<char16_t*>(std::malloc((n + 1) * sizeof(char16_t)));
  if (p == nullptr) return nullptr;
  std::memcpy(p, s, (n + 1) * sizeof(char16_t));
  return p;
}

char16_t* _tcsupr(char16_t* s) noexcept {
  if (s)
    for (char16_t* p = s; *p; ++p) *p = pv::ToUpper(*p);
  return s;
}

char16_t* _tcslwr(char16_t* s) noexcept {
  if (s)
    for (char16_t* p = s; *p; ++p) *p = pv::ToLower(*p);
  return s;
}

char16_t* _tcsrev(char16_t* s) noexcept {
  if (s) {
    std::size_t n = Len(s);
    for (std::size_t i = 0; i < n / 2; ++i) std::swap(s[i], s[n - 1 - i]);
  }
  return s;
}

int _tcscpy_s(char16_t* dst, std::size_t size, const char16_t* src) noexcept {
  if (dst == nullptr || size == 0) return EINVAL;
  if (src == nullptr) {
    dst[0] = 0;
    return EINVAL;
  }
  std::size_t n = Len(src);
  if (n + 1 > size) {
    dst[0] = 0;
    return ERANGE;
  }
  std::memmove(dst, src, (n + 1) * sizeof(char16_t));
  return 0;
}

int _tcscat_s(char16_t* dst, std::size_t size, const char16_t* src) noexcept {
  if (dst == nullptr || size == 0) return EINVAL;
  std::size_t have = 0;
  while (have < size && dst[have]) ++have;
  if (have == size || src == nullptr) {
    // dst is not terminated inside its buffer, or nothing to add from.
    dst[0] = 0;
    return EINVAL;
  }
  std::size_t n = Len(src);
  if (have + n + 1 > size) {
    dst[0] = 0;
    return ERANGE;
  }
  std::memmove(dst + have, src, (n + 1) * sizeof(char16_t));
  return 0;
}

int _tcsncpy_s(char16_t* dst, std::size_t size, const char16_t* src, std::size_t count) noexcept {
  if (dst == nullptr || size == 0) return EINVAL;
  if (src == nullptr) {
    dst[0] = 0;
    return count == 0 ? 0 : EINVAL;
  }
  std::size_t n = 0;
  while (n < count && src[n]) ++n;
  if (n + 1 > size) {
    if (count == static_cast<std::size_t>(-1)) {
      std::memmove(dst, src, (size - 1) * sizeof(char16_t));
      dst[size - 1] = 0;
      return STRUNCATE;
    }
    dst[0] = 0;
    return ERANGE;
  }
  std::memmove(dst, src, n * sizeof(char16_t));
  dst[n] = 0;
  return 0;
}

int _tcsupr_s(char16_t* s, std::size_t size) noexcept {
  if (s == nullptr || size == 0) return EINVAL;
  for (std::size_t i = 0; i < size; ++i) {
    if (s[i] == 0) return 0;
    s[i] = pv::ToUpper(s[i]);
  }
  s[0] = 0;
  return EINVAL;
}

int _tcslwr_s(char16_t* s, std::size_t size) noexcept {
  if (s == nullptr || size == 0) return EINVAL;
  for (std::size_t i = 0; i < size; ++i) {
    if (s[i] == 0) return 0;
    s[i] = pv::ToLower(s[i]);
  }
  s[0] = 0;
  return EINVAL;
}

long _tcstol(const char16_t* s, char16_t** end, int base) noexcept {
  return static_cast<long>(ParseSigned<std::int32_t>(s, end, base, true));
}
unsigned long _tcstoul(const char16_t* s, char16_t** end, int base) noexcept {
  return static_cast<unsigned long>(ParseUnsigned<std::uint32_t>(s, end, base));
}
std::int64_t _tcstoi64(const char16_t* s, char16_t** end, int base) noexcept {
  return ParseSigned<std::int64_t>(s, end, base, true);
}
std::uint64_t _tcstoui64(const char16_t* s, char16_t** end, int base) noexcept {
  return ParseUnsigned<std::uint64_t>(s, end, base);
}
int _ttoi(const char16_t* s) noexcept { return ParseSigned<std::int32_t>(s, nullptr, 10, false); }
long _ttol(const char16_t* s) noexcept { return ParseSigned<std::int32_t>(s, nullptr, 10, false); }
std::int64_t _ttoi64(const char16_t* s) noexcept { return ParseSigned<std::int64_t>(s, nullptr, 10, false); }

double _tcstod(const char16_t* s, char16_t** end) noexcept {
  if (end) *end = const_cast<char16_t*>(s);
  if (s == nullptr) return 0.0;
  // The number is ASCII: copy the ASCII prefix and let the C library parse
  // it in the "C" locale, then map the stop position back (one unit per byte).
  static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  char small[128];
  std::string big;
  std::size_t n = 0;
  while (s[n] != 0 && s[n] < 0x80) ++n;
  char* text = small;
  if (n + 1 > sizeof(small)) {
    big.resize(n + 1);
    text = big.data();
  }
  for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>(s[i]);
  text[n] = 0;
  char* stop = text;
  double v = strtod_l(text, &stop, cLocale);
  if (end) *end = const_cast<char16_t*>(s + (stop - text));
  return v;
}

double _tstof(const char16_t* s) noexcept {
  int saved = errno;
  double v = _tcstod(s, nullptr);
  errno = saved;
  return v;
}

char16_t* _itot(int value, char16_t* buffer, int radix) noexcept {
  WriteSigned(value, 32, buffer, kUnbounded, radix);
  return buffer;
}
char16_t* _ltot(long value, char16_t* buffer, int radix) noexcept {
  WriteSigned(static_cast<std::int32_t>(value), 32, buffer, kUnbounded, radix);
  return buffer;
}
char16_t* _ultot(unsigned long value, char16_t* buffer, int radix) noexcept {
  WriteNumber(static_cast<std::uint32_t>(value), false, buffer, kUnbounded, radix);
  return buffer;
}
char16_t* _i64tot(std::int64_t value, char16_t* buffer, int radix) noexcept {
  WriteSigned(value, 64, buffer, kUnbounded, radix);
  return buffer;
}
char16_t* _ui64tot(std::uint64_t value, char16_t* buffer, int radix) noexcept {
  WriteNumber(value, false, buffer, kUnbounded, radix);
  return buffer;
}
int _itot_s(int value, char16_t* buffer, std::size_t size, int radix) noexcept {
  return WriteSigned(value, 32, buffer, size, radix);
}
int _ltot_s(long value, char16_t* buffer, std::size_t size, int radix) noexcept {
  return WriteSigned(static_cast<std::int32_t>(value), 32, buffer, size, radix);
}
int _ultot_s(unsigned long value, char16_t* buffer, std::size_t size, int radix) noexcept {
  return WriteNumber(static_cast<std::uint32_t>(value), false, buffer, size, radix);
}
int _i64tot_s(std::int64_t value, char16_t* buffer, std::size_t size, int radix) noexcept {
  return WriteSigned(value, 64, buffer, size, radix);
}
int _ui64tot_s(std::uint64_t value, char16_t* buffer, std::size_t size, int radix) noexcept {
  return WriteNumber(value, false, buffer, size, radix);
}

namespace {
bool IsUnit(int c) noexcept { return c >= 0 && c <= 0xFFFF; }
}  // namespace

int _totupper(int c) noexcept { return IsUnit(c) ? pv::ToUpper(static_cast<char16_t>(c)) : c; }
int _totlower(int c) noexcept { return IsUnit(c) ? pv::ToLower(static_cast<char16_t>(c)) : c; }
int _istspace(int c) noexcept { return IsUnit(c) && pv::IsSpace(static_cast<char16_t>(c)); }
int _istdigit(int c) noexcept { return IsUnit(c) && pv::IsDigit(static_cast<char16_t>(c)); }
int _istalpha(int c) noexcept { return IsUnit(c) && pv::IsAlpha(static_cast<char16_t>(c)); }
int _istalnum(int c) noexcept { return IsUnit(c) && pv::IsAlnum(static_cast<char16_t>(c)); }
int _istupper(int c) noexcept { return IsUnit(c) && pv::IsUpper(static_cast<char16_t>(c)); }
int _istlower(int c) noexcept { return IsUnit(c) && pv::IsLower(static_cast<char16_t>(c)); }
int _istpunct(int c) noexcept { return IsUnit(c) && pv::IsPunct(static_cast<char16_t>(c)); }
int _istxdigit(int c) noexcept { return IsUnit(c) && pv::IsXDigit(static_cast<char16_t>(c)); }

LPWSTR CharUpper(LPWSTR s) noexcept {
  auto v = reinterpret_cast<std::uintptr_t>(s);
  if (v >> 16 == 0) return reinterpret_cast<LPWSTR>(static_cast<std::uintptr_t>(pv::ToUpper(static_cast<char16_t>(v))));
  return _tcsupr(s);
}

LPWSTR CharLower(LPWSTR s) noexcept {
  auto v = reinterpret_cast<std::uintptr_t>(s);
  if (v >> 16 == 0) return reinterpret_cast<LPWSTR>(static_cast<std::uintptr_t>(pv::ToLower(static_cast<char16_t>(v))));
  return _tcslwr(s);
}

DWORD CharUpperBuff(LPWSTR s, DWORD length) noexcept {
  if (s == nullptr) return 0;
  for (DWORD i = 0; i < length; ++i) s[i] = pv::ToUpper(s[i]);
  return length;
}

DWORD CharLowerBuff(LPWSTR s, DWORD length) noexcept {
  if (s == nullptr) return 0;
  for (DWORD i = 0; i < length; ++i) s[i] = pv::ToLower(s[i]);
  return length;
}

LPWSTR CharNext(LPCWSTR s) noexcept {
  if (s == nullptr || *s == 0) return const_cast<LPWSTR>(s);
  if (s[0] >= 0xD800 && s[0] <= 0xDBFF && s[1] >= 0xDC00 && s[1] <= 0xDFFF) return const_cast<LPWSTR>(s + 2);
  return const_cast<LPWSTR>(s + 1);
}

LPWSTR CharPrev(LPCWSTR start, LPCWSTR current) noexcept {
  if (start == nullptr || current == nullptr || current <= start) return const_cast<LPWSTR>(start);
  LPCWSTR p = current - 1;
  if (p > start && p[0] >= 0xDC00 && p[0] <= 0xDFFF && p[-1] >= 0xD800 && p[-1] <= 0xDBFF) --p;
  return const_cast<LPWSTR>(p);
}

BOOL IsCharAlpha(WCHAR c) noexcept { return pv::IsAlpha(c) ? TRUE : FALSE; }
BOOL IsCharAlphaNumeric(WCHAR c) noexcept { return pv::IsAlnum(c) ? TRUE : FALSE; }
BOOL IsCharUpper(WCHAR c) noexcept { return pv::IsUpper(c) ? TRUE : FALSE; }
BOOL IsCharLower(WCHAR c) noexcept { return pv::IsLower(c) ? TRUE : FALSE; }
