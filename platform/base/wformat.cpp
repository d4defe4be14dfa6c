#include "platform/base/wformat.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/base/utf.h"

namespace {

// va_list copied into a struct so helpers can take it by reference.
struct Args {
  va_list ap;
};

enum class Size { kDefault, kChar, kShort, kLong32, kInt64, kPointer };

struct Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alt = false;
  bool zero = false;
  int width = 0;
  int precision = -1;  // -1: none given
  Size size = Size::kDefault;
  bool hFlag = false;     // h / hh: narrow string or char
  bool wideFlag = false;  // l / w: wide string or char
};

template <class C>
void AppendAscii(std::basic_string<C>& out, const char* s, std::size_t n) {
  if constexpr (sizeof(C) == 1) {
    out.append(s, n);
  } else {
    std::size_t base = out.size();
    out.resize(base + n);
    C* d = out.data() + base;
    for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<C>(static_cast<unsigned char>(s[i]));
  }
}

// Places `body` (already converted) in a field of spec.width units.
template <class C>
void AppendPadded(std::basic_string<C>& out, const Spec& spec, const C* body, std::size_t n, bool zeroPad) {
  std::size_t width = spec.width > 0 ? static_cast<std::size_t>(spec.width) : 0;
  std::size_t pad = width > n ? width - n : 0;
  if (spec.left) {
    out.append(body, n);
    out.append(pad, C(' '));
  } else {
    out.append(pad, zeroPad ? C('0') : C(' '));
    out.append(body, n);
  }
}

std::size_t BoundedLength(const char* s, std::size_t limit) {
  const void* z = std::memchr(s, 0, limit);
  return z ? static_cast<std::size_t>(static_cast<const char*>(z) - s) : limit;
}

std::size_t BoundedLength(const char16_t* s, std::size_t limit) {
  std::size_t n = 0;
  while (n < limit && s[n]) ++n;
  return n;
}

template <class C>
void FormatString(std::basic_string<C>& out, const Spec& spec, bool argWide, Args& a) {
  const void* p = va_arg(a.ap, const void*);
  std::size_t limit = spec.precision >= 0 ? static_cast<std::size_t>(spec.precision) : SIZE_MAX;
  bool zeroPad = spec.zero && !spec.left;
  if (p == nullptr) {
    std::size_t n = limit < 6 ? limit : 6;
    std::basic_string<C> t;
    AppendAscii(t, "(null)", n);
    AppendPadded(out, spec, t.data(), t.size(), zeroPad);
    return;
  }
  constexpr bool outWide = sizeof(C) == 2;
  if (argWide == outWide) {
    const C* s = static_cast<const C*>(p);
    std::size_t n = BoundedLength(s, limit);
    AppendPadded(out, spec, s, n, zeroPad);
    return;
  }
  // Conversion between UTF-8 and UTF-16. The precision counts the units
  // read from the argument (so a buffer without terminator is never read
  // past it) and never splits a character.
  std::basic_string<C> t;
  if constexpr (outWide) {
    const char* s = static_cast<const char*>(p);
    std::size_t n = BoundedLength(s, limit);
    if (n == limit && n > 0) {
      // Drop a sequence the precision cut short.
      std::size_t j = n;
      while (j > 0 && n - j < 3 && (static_cast<unsigned char>(s[j - 1]) & 0xC0) == 0x80) --j;
      if (j > 0) {
        unsigned char lead = static_cast<unsigned char>(s[j - 1]);
        std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (lead >= 0x80 && (j - 1) + need > n) n = j - 1;
      }
    }
    pv::AppendUtf8ToUtf16(t, std::string_view(s, n));
  } else {
    const char16_t* s = static_cast<const char16_t*>(p);
    pv::AppendUtf16ToUtf8(t, std::u16string_view(s, BoundedLength(s, limit)));
    if (t.size() > limit) {
      std::size_t cut = limit;
      while (cut > 0 && (static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80) --cut;
      t.resize(cut);
    }
  }
  AppendPadded(out, spec, t.data(), t.size(), zeroPad);
}

template <class C>
void FormatChar(std::basic_string<C>& out, const Spec& spec, bool argWide, Args& a) {
  int v = va_arg(a.ap, int);
  std::basic_string<C> t;
  constexpr bool outWide = sizeof(C) == 2;
  if (argWide) {
    char16_t ch = static_cast<char16_t>(v);
    if constexpr (outWide) {
      t.push_back(ch);
    } else {
      pv::AppendUtf16ToUtf8(t, std::u16string_view(&ch, 1));
    }
  } else {
    char ch = static_cast<char>(v);
    if constexpr (outWide) {
      pv::AppendUtf8ToUtf16(t, std::string_view(&ch, 1));
    } else {
      t.push_back(ch);
    }
  }
  AppendPadded(out, spec, t.data(), t.size(), spec.zero && !spec.left);
}

template <class C>
void FormatInteger(std::basic_string<C>& out, const Spec& spec, char conv, Args& a) {
  bool isSigned = conv == 'd' || conv == 'i';
  std::uint64_t magnitude = 0;
  bool negative = false;
  if (isSigned) {
    std::int64_t v;
    switch (spec.size) {
      case Size::kChar:
        v = static_cast<signed char>(va_arg(a.ap, int));
        break;
      case Size::kShort:
        v = static_cast<short>(va_arg(a.ap, int));
        break;
      case Size::kInt64:
        v = va_arg(a.ap, long long);
        break;
      case Size::kPointer:
        v = va_arg(a.ap, std::intptr_t);
        break;
      default:
        v = va_arg(a.ap, int);
        break;
    }
    negative = v < 0;
    magnitude = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  } else {
    switch (spec.size) {
      case Size::kChar:
        magnitude = static_cast<unsigned char>(va_arg(a.ap, unsigned));
        break;
      case Size::kShort:
        magnitude = static_cast<unsigned short>(va_arg(a.ap, unsigned));
        break;
      case Size::kInt64:
        magnitude = va_arg(a.ap, unsigned long long);
        break;
      case Size::kPointer:
        magnitude = va_arg(a.ap, std::uintptr_t);
        break;
      default:
        magnitude = va_arg(a.ap, unsigned);
        break;
    }
  }

  char digits[72];
  char* end = digits + sizeof(digits);
  char* d = end;
  if (conv == 'x' || conv == 'X') {
    const char* hex = conv == 'x' ? "0123456789abcdef" : "0123456789ABCDEF";
    for (std::uint64_t m = magnitude; m != 0; m >>= 4) *--d = hex[m & 15];
  } else if (conv == 'o') {
    for (std::uint64_t m = magnitude; m != 0; m >>= 3) *--d = static_cast<char>('0' + (m & 7));
  } else {
    for (std::uint64_t m = magnitude; m != 0; m /= 10) *--d = static_cast<char>('0' + m % 10);
  }
  std::size_t ndigits = static_cast<std::size_t>(end - d);
  std::size_t minDigits = spec.precision >= 0 ? static_cast<std::size_t>(spec.precision) : 1;
  std::size_t zeros = minDigits > ndigits ? minDigits - ndigits : 0;
  if (conv == 'o' && spec.alt && zeros == 0 && (ndigits == 0 || *d != '0')) zeros = 1;

  char prefix[3];
  std::size_t nprefix = 0;
  if (isSigned) {
    if (negative) prefix[nprefix++] = '-';
    else if (spec.plus) prefix[nprefix++] = '+';
    else if (spec.space) prefix[nprefix++] = ' ';
  } else if ((conv == 'x' || conv == 'X') && spec.alt && magnitude != 0) {
    prefix[nprefix++] = '0';
    prefix[nprefix++] = conv;
  }

  std::size_t body = nprefix + zeros + ndigits;
  std::size_t width = spec.width > 0 ? static_cast<std::size_t>(spec.width) : 0;
  std::size_t pad = width > body ? width - body : 0;
  bool zeroPad = spec.zero && !spec.left && spec.precision < 0;
  if (!spec.left && !zeroPad) out.append(pad, C(' '));
  AppendAscii(out, prefix, nprefix);
  if (zeroPad) out.append(pad, C('0'));
  out.append(zeros, C('0'));
  AppendAscii(out, d, ndigits);
  if (spec.left) out.append(pad, C(' '));
}

template <class C>
void FormatPointer(std::basic_string<C>& out, const Spec& spec, Args& a) {
  auto v = reinterpret_cast<std::uintptr_t>(va_arg(a.ap, void*));
  char digits[2 * sizeof(v)];
  for (std::size_t i = 0; i < sizeof(digits); ++i) {
    digits[sizeof(digits) - 1 - i] = "0123456789ABCDEF"[v & 15];
    v >>= 4;
  }
  std::basic_string<C> t;
  AppendAscii(t, digits, sizeof(digits));
  AppendPadded(out, spec, t.data(), t.size(), false);
}

template <class C>
void FormatFloat(std::basic_string<C>& out, const Spec& spec, char conv, Args& a) {
  double v = va_arg(a.ap, double);
  bool upper = conv == 'F' || conv == 'E' || conv == 'G' || conv == 'A';
  if (!std::isfinite(v)) {
    std::string t;
    bool neg = std::signbit(v);
    if (neg) t += '-';
    else if (spec.plus) t += '+';
    else if (spec.space) t += ' ';
    if (std::isinf(v)) {
      t += "inf";
    } else {
      std::uint64_t bits;
      std::memcpy(&bits, &v, sizeof(bits));
      std::uint64_t mantissa = bits & 0x000FFFFFFFFFFFFFull;
      bool quiet = (mantissa & 0x0008000000000000ull) != 0;
      t += "nan";
      if (!quiet) t += "(snan)";
      else if (neg && mantissa == 0x0008000000000000ull) t += "(ind)";
    }
    if (upper)
      for (auto& c : t) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    std::basic_string<C> w;
    AppendAscii(w, t.data(), t.size());
    AppendPadded(out, spec, w.data(), w.size(), false);
    return;
  }
  char fmt[32];
  char* f = fmt;
  *f++ = '%';
  if (spec.left) *f++ = '-';
  if (spec.plus) *f++ = '+';
  if (spec.space) *f++ = ' ';
  if (spec.alt) *f++ = '#';
  if (spec.zero) *f++ = '0';
  *f++ = '*';
  *f++ = '.';
  *f++ = '*';
  *f++ = conv;
  *f = 0;
  int precision = spec.precision;
  if (precision < 0) precision = (conv == 'a' || conv == 'A') ? 13 : 6;
  char buf[128];
  int n = std::snprintf(buf, sizeof(buf), fmt, spec.width, precision, v);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof(buf)) {
    AppendAscii(out, buf, static_cast<std::size_t>(n));
    return;
  }
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), fmt, spec.width, precision, v);
  AppendAscii(out, big.data(), static_cast<std::size_t>(n));
}

template <class C>
void Engine(std::basic_string<C>& out, const C* format, va_list in) {
  if (format == nullptr) return;
  constexpr bool outWide = sizeof(C) == 2;
  Args a;
  va_copy(a.ap, in);
  const C* f = format;
  while (*f) {
    const C* run = f;
    while (*f && *f != C('%')) ++f;
    if (f != run) out.append(run, static_cast<std::size_t>(f - run));
    if (!*f) break;
    const C* start = f++;
    if (*f == C('%')) {
      out.push_back(C('%'));
      ++f;
      continue;
    }
    Spec spec;
    for (;; ++f) {
      if (*f == C('-')) spec.left = true;
      else if (*f == C('+')) spec.plus = true;
      else if (*f == C(' ')) spec.space = true;
      else if (*f == C('#')) spec.alt = true;
      else if (*f == C('0')) spec.zero = true;
      else break;
    }
    if (*f == C('*')) {
      int w = va_arg(a.ap, int);
      if (w < 0) {
        spec.left = true;
        w = (w == INT32_MIN) ? 0 : -w;
      }
      spec.width = w;
      ++f;
    } else {
      while (*f >= C('0') && *f <= C('9')) {
        if (spec.width < 100000000) spec.width = spec.width * 10 + (*f - C('0'));
        ++f;
      }
    }
    if (*f == C('.')) {
      ++f;
      if (*f == C('*')) {
        int p = va_arg(a.ap, int);
        spec.precision = p < 0 ? -1 : p;
        ++f;
      } else {
        spec.precision = 0;
        while (*f >= C('0') && *f <= C('9')) {
          if (spec.precision < 100000000) spec.precision = spec.precision * 10 + (*f - C('0'));
          ++f;
        }
      }
    }
    // Size prefixes.
    switch (*f) {
      case C('h'):
        spec.hFlag = true;
        ++f;
        if (*f == C('h')) {
          spec.size = Size::kChar;
          ++f;
        } else {
          spec.size = Size::kShort;
        }
        break;
      case C('l'):
        spec.wideFlag = true;
        ++f;
        if (*f == C('l')) {
          spec.size = Size::kInt64;
          ++f;
        } else {
          spec.size = Size::kLong32;
        }
        break;
      case C('w'):
        spec.wideFlag = true;
        ++f;
        break;
      case C('L'):
      case C('q'):
        spec.size = Size::kInt64;
        ++f;
        break;
      case C('I'):
        ++f;
        if (f[0] == C('6') && f[1] == C('4')) {
          spec.size = Size::kInt64;
          f += 2;
        } else if (f[0] == C('3') && f[1] == C('2')) {
          spec.size = Size::kLong32;
          f += 2;
        } else {
          spec.size = Size::kPointer;
        }
        break;
      case C('z'):
      case C('j'):
      case C('t'):
        spec.size = Size::kPointer;
        ++f;
        break;
      default:
        break;
    }
    C conv = *f;
    if (conv == 0) {
      // Incomplete conversion at the end: keep it as written.
      out.append(start, static_cast<std::size_t>(f - start));
      break;
    }
    ++f;
    switch (conv) {
      case C('d'):
      case C('i'):
      case C('u'):
      case C('o'):
      case C('x'):
      case C('X'):
        FormatInteger(out, spec, static_cast<char>(conv), a);
        break;
      case C('s'):
      case C('S'): {
        bool wide = (conv == C('s')) == outWide;
        if (spec.hFlag) wide = false;
        if (spec.wideFlag) wide = true;
        FormatString(out, spec, wide, a);
        break;
      }
      case C('c'):
      case C('C'): {
        bool wide = (conv == C('c')) == outWide;
        if (spec.hFlag) wide = false;
        if (spec.wideFlag) wide = true;
        FormatChar(out, spec, wide, a);
        break;
      }
      case C('f'):
      case C('F'):
      case C('e'):
      case C('E'):
      case C('g'):
      case C('G'):
      case C('a'):
      case C('A'):
        FormatFloat(out, spec, static_cast<char>(conv), a);
        break;
      case C('p'):
        FormatPointer(out, spec, a);
        break;
      case C('n'):
        // Writing through a format argument is refused.
        (void)va_arg(a.ap, void*);
        break;
      default:
        out.append(start, static_cast<std::size_t>(f - start));
        break;
    }
  }
  va_end(a.ap);
}

}  // namespace

namespace pv {

void FormatAppendV(std::u16string& out, const char16_t* format, va_list args) { Engine(out, format, args); }
void FormatAppendV(std::string& out, const char* format, va_list args) { Engine(out, format, args); }

void FormatAppend(std::u16string& out, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  Engine(out, format, args);
  va_end(args);
}

void FormatAppend(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  Engine(out, format, args);
  va_end(args);
}

}  // namespace pv

// ---- C-style wrappers ----------------------------------------------------------------

int _vstprintf_s(char16_t* buffer, std::size_t size, const char16_t* format, va_list args) {
  if (buffer == nullptr || size == 0) return -1;
  if (format == nullptr) {
    buffer[0] = 0;
    return -1;
  }
  std::u16string text;
  Engine(text, format, args);
  if (text.size() + 1 > size) {
    buffer[0] = 0;
    return -1;
  }
  std::memcpy(buffer, text.data(), text.size() * sizeof(char16_t));
  buffer[text.size()] = 0;
  return static_cast<int>(text.size());
}

int _vsntprintf(char16_t* buffer, std::size_t count, const char16_t* format, va_list args) {
  if (format == nullptr || (buffer == nullptr && count != 0)) return -1;
  std::u16string text;
  Engine(text, format, args);
  if (text.size() < count) {
    std::memcpy(buffer, text.data(), text.size() * sizeof(char16_t));
    buffer[text.size()] = 0;
    return static_cast<int>(text.size());
  }
  if (count > 0) std::memcpy(buffer, text.data(), count * sizeof(char16_t));
  return text.size() == count ? static_cast<int>(count) : -1;
}

int _vsntprintf_s(char16_t* buffer, std::size_t size, std::size_t count, const char16_t* format, va_list args) {
  if (buffer == nullptr || size == 0) return -1;
  if (format == nullptr) {
    buffer[0] = 0;
    return -1;
  }
  std::u16string text;
  Engine(text, format, args);
  std::size_t room = size - 1;
  bool truncateAllowed = count == _TRUNCATE;
  std::size_t limit = (!truncateAllowed && count < room) ? count : room;
  if (text.size() <= limit) {
    std::memcpy(buffer, text.data(), text.size() * sizeof(char16_t));
    buffer[text.size()] = 0;
    return static_cast<int>(text.size());
  }
  if (truncateAllowed) {
    std::memcpy(buffer, text.data(), limit * sizeof(char16_t));
    buffer[limit] = 0;
    return -1;
  }
  if (count < room) {
    // The caller asked for at most `count` units: cut there.
    std::memcpy(buffer, text.data(), count * sizeof(char16_t));
    buffer[count] = 0;
    return -1;
  }
  buffer[0] = 0;
  return -1;
}

int wvsprintf(char16_t* buffer, const char16_t* format, va_list args) {
  if (buffer == nullptr) return 0;
  if (format == nullptr) {
    buffer[0] = 0;
    return 0;
  }
  std::u16string text;
  Engine(text, format, args);
  std::size_t n = text.size() < 1023 ? text.size() : 1023;
  std::memcpy(buffer, text.data(), n * sizeof(char16_t));
  buffer[n] = 0;
  return static_cast<int>(n);
}

int _vsctprintf(const char16_t* format, va_list args) {
  if (format == nullptr) return -1;
  std::u16string text;
  Engine(text, format, args);
  return static_cast<int>(text.size());
}

namespace pv::detail {

int StprintfS(char16_t* buffer, std::size_t size, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  int r = _vstprintf_s(buffer, size, format, args);
  va_end(args);
  return r;
}

int Sntprintf(char16_t* buffer, std::size_t count, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  int r = _vsntprintf(buffer, count, format, args);
  va_end(args);
  return r;
}

int SntprintfS(char16_t* buffer, std::size_t size, std::size_t count, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  int r = _vsntprintf_s(buffer, size, count, format, args);
  va_end(args);
  return r;
}

int Wsprintf(char16_t* buffer, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  int r = wvsprintf(buffer, format, args);
  va_end(args);
  return r;
}

int Sctprintf(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  int r = _vsctprintf(format, args);
  va_end(args);
  return r;
}

}  // namespace pv::detail
