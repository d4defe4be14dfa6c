#include "platform/base/variant.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/base/collate.h"
#include "platform/base/exceptions.h"
#include "platform/base/oledatetime.h"
#include "platform/base/variant_private.h"
#include "platform/base/wstr.h"

namespace pv::detail {

// The locale a conversion follows; one we cannot serve reads as en-US.
const LocaleData& LocaleOf(LCID lcid) {
  const LocaleData* d = FindLocaleData(lcid);
  return d ? *d : *FindLocaleData(0x0409);
}

BSTR MakeBstr(const std::u16string& s) { return SysAllocStringLen(s.data(), static_cast<UINT>(s.size())); }

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xA0; }

char16_t Fold(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  return c;
}

bool EqualsNoCase(const std::u16string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (Fold(a[i]) != Fold(static_cast<char16_t>(b[i]))) return false;
  return true;
}

}  // namespace pv::detail

namespace pv {
using detail::EqualsNoCase;
using detail::Fold;
using detail::IsBlank;
using detail::LocaleOf;
using detail::MakeBstr;

namespace {

// Number text is made and read in the "C" locale whatever the C run-time
// locale of the process is (_wsetlocale may have changed it).
class ClassicNumbers {
 public:
  ClassicNumbers() {
    static locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    old_ = uselocale(classic);
  }
  ~ClassicNumbers() { uselocale(old_); }
  ClassicNumbers(const ClassicNumbers&) = delete;
  ClassicNumbers& operator=(const ClassicNumbers&) = delete;

 private:
  locale_t old_;
};

bool IsSpaceLike(char16_t c) { return c == u' ' || c == 0xA0 || c == 0x202F; }

// ---- text helpers ----------------------------------------------------------------

std::u16string Widen(const char* s) {
  std::u16string out;
  for (; *s; ++s) out.push_back(static_cast<unsigned char>(*s));
  return out;
}

std::u16string Trim(const char16_t* s, size_t n) {
  size_t b = 0, e = n;
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return std::u16string(s + b, e - b);
}

// ---- numbers -------------------------------------------------------------------------

struct Num {
  enum Kind { kInt, kUInt, kReal, kCy } kind = kInt;
  std::int64_t i = 0;
  std::uint64_t u = 0;
  double r = 0;
};

// Parses number text under a locale: blanks around, a sign, digits with
// optional thousands separators, the decimal separator, an exponent; "&H"
// hex and "&O" octal. Where the locale groups with a space, any of the
// spaces users type (blank, no-break, narrow no-break) groups.
HRESULT ParseNumber(const char16_t* text, size_t len, const LocaleData& locale, Num* out) {
  char16_t decimal = locale.decimal.empty() ? u'.' : locale.decimal[0];
  char16_t thousand = locale.thousand.empty() ? 0 : locale.thousand[0];
  auto isThousand = [&](char16_t c) {
    return thousand && c != decimal && (c == thousand || (IsSpaceLike(thousand) && IsSpaceLike(c)));
  };
  std::u16string s = Trim(text, len);
  if (s.empty()) return DISP_E_TYPEMISMATCH;
  if (s.size() > 2 && s[0] == u'&' && (Fold(s[1]) == u'H' || Fold(s[1]) == u'O')) {
    int base = Fold(s[1]) == u'H' ? 16 : 8;
    std::uint64_t v = 0;
    for (size_t i = 2; i < s.size(); ++i) {
      int d = s[i] < 128 ? HexDigit(static_cast<char>(s[i])) : -1;
      if (d < 0 || d >= base) return DISP_E_TYPEMISMATCH;
      if (v > (std::numeric_limits<std::uint64_t>::max() - static_cast<unsigned>(d)) / static_cast<unsigned>(base))
        return DISP_E_OVERFLOW;
      v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    }
    // Hex literals are 32-bit two's complement when they fit, as typed in code.
    if (v <= 0xFFFFFFFFull) {
      out->kind = Num::kInt;
      out->i = v > 0x7FFFFFFFull && v <= 0xFFFFFFFFull && s.size() <= 10
                   ? static_cast<std::int32_t>(static_cast<std::uint32_t>(v))
                   : static_cast<std::int64_t>(v);
      return S_OK;
    }
    out->kind = Num::kUInt;
    out->u = v;
    return S_OK;
  }
  std::string narrow;
  size_t i = 0;
  if (s[i] == u'+' || s[i] == u'-') narrow.push_back(static_cast<char>(s[i++]));
  bool digits = false, integral = true;
  for (; i < s.size() && ((s[i] >= u'0' && s[i] <= u'9') || isThousand(s[i])); ++i) {
    if (isThousand(s[i])) {
      if (!digits) return DISP_E_TYPEMISMATCH;
      continue;
    }
    digits = true;
    narrow.push_back(static_cast<char>(s[i]));
  }
  if (i < s.size() && s[i] == decimal) {
    integral = false;
    narrow.push_back('.');
    for (++i; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
      digits = true;
      narrow.push_back(static_cast<char>(s[i]));
    }
  }
  if (!digits) return DISP_E_TYPEMISMATCH;
  if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
    integral = false;
    narrow.push_back('e');
    ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) narrow.push_back(static_cast<char>(s[i++]));
    bool expDigits = false;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
      expDigits = true;
      narrow.push_back(static_cast<char>(s[i]));
    }
    if (!expDigits) return DISP_E_TYPEMISMATCH;
  }
  if (i != s.size()) return DISP_E_TYPEMISMATCH;
  if (integral) {
    errno = 0;
    char* end = nullptr;
    if (narrow[0] == '-') {
      long long v = std::strtoll(narrow.c_str(), &end, 10);
      if (errno == 0) {
        out->kind = Num::kInt;
        out->i = v;
        return S_OK;
      }
    } else {
      unsigned long long v = std::strtoull(narrow.c_str(), &end, 10);
      if (errno == 0) {
        if (v <= static_cast<unsigned long long>(std::numeric_limits<std::int64_t>::max())) {
          out->kind = Num::kInt;
          out->i = static_cast<std::int64_t>(v);
        } else {
          out->kind = Num::kUInt;
          out->u = v;
        }
        return S_OK;
      }
    }
  }
  // Up to four decimals without an exponent are kept exactly (as currency
  // units), so "922337203685477.5807" reaches VT_CY intact; the quotient is
  // correctly rounded, so doubles come out as strtod would give them.
  size_t dot = narrow.find('.');
  if (dot != std::string::npos && narrow.find('e') == std::string::npos && narrow.size() - dot - 1 <= 4) {
    std::string digits = narrow.substr(0, dot) + narrow.substr(dot + 1);
    digits.append(4 - (narrow.size() - dot - 1), '0');
    errno = 0;
    long long scaled = std::strtoll(digits.c_str(), nullptr, 10);
    if (errno == 0) {
      out->kind = Num::kCy;
      out->i = scaled;
      return S_OK;
    }
  }
  ClassicNumbers classic;
  double d = std::strtod(narrow.c_str(), nullptr);
  if (std::isinf(d)) return DISP_E_OVERFLOW;
  out->kind = Num::kReal;
  out->r = d;
  return S_OK;
}

double ToDouble(const Num& n) {
  switch (n.kind) {
    case Num::kInt:
      return static_cast<double>(n.i);
    case Num::kUInt:
      return static_cast<double>(n.u);
    case Num::kReal:
      return n.r;
    case Num::kCy:
      return static_cast<double>(n.i) / 10000.0;
  }
  return 0;
}

// Rounds to an integer in [lo, hi] (as int64) with halves to even.
HRESULT ToInt64(const Num& n, std::int64_t lo, std::int64_t hi, std::int64_t* out) {
  std::int64_t v = 0;
  switch (n.kind) {
    case Num::kInt:
      v = n.i;
      break;
    case Num::kUInt:
      if (n.u > static_cast<std::uint64_t>(hi)) return DISP_E_OVERFLOW;
      v = static_cast<std::int64_t>(n.u);
      break;
    case Num::kReal: {
      if (std::isnan(n.r)) return DISP_E_OVERFLOW;
      double r = std::nearbyint(n.r);  // the default rounding mode sends halves to even
      if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return DISP_E_OVERFLOW;
      v = static_cast<std::int64_t>(r);
      break;
    }
    case Num::kCy: {
      std::int64_t q = n.i / 10000, rem = n.i % 10000;
      std::int64_t arem = rem < 0 ? -rem : rem;
      if (arem > 5000 || (arem == 5000 && (q % 2 != 0))) q += rem < 0 ? -1 : 1;
      v = q;
      break;
    }
  }
  if (v < lo || v > hi) return DISP_E_OVERFLOW;
  *out = v;
  return S_OK;
}

HRESULT ToUInt64(const Num& n, std::uint64_t* out) {
  if (n.kind == Num::kUInt) {
    *out = n.u;
    return S_OK;
  }
  if (n.kind == Num::kReal) {
    if (std::isnan(n.r)) return DISP_E_OVERFLOW;
    double r = std::nearbyint(n.r);
    if (!(r >= 0 && r < 18446744073709551616.0)) return DISP_E_OVERFLOW;
    *out = static_cast<std::uint64_t>(r);
    return S_OK;
  }
  std::int64_t v;
  HRESULT hr = ToInt64(n, 0, std::numeric_limits<std::int64_t>::max(), &v);
  if (FAILED(hr)) return hr;
  *out = static_cast<std::uint64_t>(v);
  return S_OK;
}

HRESULT ToCy(const Num& n, std::int64_t* out) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max() / 10000;
  switch (n.kind) {
    case Num::kCy:
      *out = n.i;
      return S_OK;
    case Num::kInt:
      if (n.i > kMax || n.i < -kMax) return DISP_E_OVERFLOW;
      *out = n.i * 10000;
      return S_OK;
    case Num::kUInt:
      if (n.u > static_cast<std::uint64_t>(kMax)) return DISP_E_OVERFLOW;
      *out = static_cast<std::int64_t>(n.u) * 10000;
      return S_OK;
    case Num::kReal: {
      double r = std::nearbyint(n.r * 10000.0);
      if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return DISP_E_OVERFLOW;
      *out = static_cast<std::int64_t>(r);
      return S_OK;
    }
  }
  return E_FAIL;
}

// Number text with the locale's decimal separator in place of the point.
std::u16string Localized(const std::string& text, const LocaleData& locale) {
  std::u16string out;
  for (char c : text) {
    if (c == '.') out += locale.decimal.empty() ? u"." : locale.decimal;
    else out += static_cast<char16_t>(static_cast<unsigned char>(c));
  }
  return out;
}

std::u16string FormatReal(double d, int digits, const LocaleData& locale) {
  char buf[64];
  {
    ClassicNumbers classic;
    std::snprintf(buf, sizeof buf, "%.*G", digits, d);
  }
  return Localized(buf, locale);
}

std::u16string FormatCy(std::int64_t cy, const LocaleData& locale) {
  bool neg = cy < 0;
  unsigned long long a = neg ? 0ull - static_cast<unsigned long long>(cy) : static_cast<unsigned long long>(cy);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%llu.%04llu", neg ? "-" : "", a / 10000, a % 10000);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return Localized(s, locale);
}

// DECIMAL helpers (exact through a 128-bit integer).
unsigned __int128 DecMantissa(const DECIMAL& d) { return (static_cast<unsigned __int128>(d.Hi32) << 64) | d.Lo64; }

std::u16string FormatDecimal(const DECIMAL& d, const LocaleData& locale) {
  unsigned __int128 m = DecMantissa(d);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  } while (m);
  int scale = d.scale;
  while (static_cast<int>(digits.size()) <= scale) digits.insert(digits.begin(), '0');
  if (scale > 0) {
    digits.insert(digits.end() - scale, '.');
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
  }
  if ((d.sign & DECIMAL_NEG) && digits != "0") digits.insert(digits.begin(), '-');
  return Localized(digits, locale);
}

double DecimalToDouble(const DECIMAL& d) {
  double v = static_cast<double>(DecMantissa(d));
  for (int i = 0; i < d.scale; ++i) v /= 10.0;
  return (d.sign & DECIMAL_NEG) ? -v : v;
}

HRESULT NumToDecimal(const Num& n, DECIMAL* out) {
  *out = DECIMAL{};
  if (n.kind == Num::kInt) {
    out->sign = n.i < 0 ? DECIMAL_NEG : 0;
    out->Lo64 = n.i < 0 ? 0ull - static_cast<std::uint64_t>(n.i) : static_cast<std::uint64_t>(n.i);
    return S_OK;
  }
  if (n.kind == Num::kUInt) {
    out->Lo64 = n.u;
    return S_OK;
  }
  if (n.kind == Num::kCy) {
    out->sign = n.i < 0 ? DECIMAL_NEG : 0;
    out->Lo64 = n.i < 0 ? 0ull - static_cast<std::uint64_t>(n.i) : static_cast<std::uint64_t>(n.i);
    out->scale = 4;
    return S_OK;
  }
  if (!std::isfinite(n.r) || std::fabs(n.r) >= 7.9228162514264337593543950335e28) return DISP_E_OVERFLOW;
  // Fifteen significant digits, as the text form shows them.
  char buf[64];
  {
    ClassicNumbers classic;
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(n.r));
  }
  // buf: d.dddddddddddddde[+-]xx
  std::string mant;
  mant.push_back(buf[0]);
  mant.append(buf + 2, 14);
  int exp = std::atoi(std::strchr(buf, 'e') + 1);
  int scale = 14 - exp;
  while (scale > 0 && mant.size() > 1 && mant.back() == '0') {
    mant.pop_back();
    --scale;
  }
  while (scale < 0) {
    mant.push_back('0');
    ++scale;
  }
  if (scale > 28) {
    // Too small to show: keep what fits in 28 places.
    int drop = scale - 28;
    if (drop >= static_cast<int>(mant.size())) mant = "0";
    else mant.resize(mant.size() - static_cast<size_t>(drop));
    scale = 28;
  }
  unsigned __int128 m = 0;
  for (char c : mant) m = m * 10 + static_cast<unsigned>(c - '0');
  out->scale = static_cast<BYTE>(scale);
  out->sign = n.r < 0 && m != 0 ? DECIMAL_NEG : 0;
  out->Lo64 = static_cast<std::uint64_t>(m);
  out->Hi32 = static_cast<ULONG>(m >> 64);
  return S_OK;
}

// ---- variant plumbing ------------------------------------------------------------------

bool IsIntegerType(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

bool IsNumericType(VARTYPE vt) {
  return IsIntegerType(vt) || vt == VT_R4 || vt == VT_R8 || vt == VT_CY || vt == VT_DATE || vt == VT_BOOL ||
         vt == VT_DECIMAL;
}

// Reads a by-value numeric variant (bool and date included) as a number.
bool VariantToNum(const VARIANT& v, Num* n) {
  switch (v.vt) {
    case VT_EMPTY:
      n->kind = Num::kInt;
      n->i = 0;
      return true;
    case VT_I1:
      n->kind = Num::kInt;
      n->i = v.cVal;
      return true;
    case VT_I2:
      n->kind = Num::kInt;
      n->i = v.iVal;
      return true;
    case VT_I4:
      n->kind = Num::kInt;
      n->i = v.lVal;
      return true;
    case VT_INT:
      n->kind = Num::kInt;
      n->i = v.intVal;
      return true;
    case VT_I8:
      n->kind = Num::kInt;
      n->i = v.llVal;
      return true;
    case VT_BOOL:
      n->kind = Num::kInt;
      n->i = v.boolVal ? -1 : 0;
      return true;
    case VT_UI1:
      n->kind = Num::kInt;
      n->i = v.bVal;
      return true;
    case VT_UI2:
      n->kind = Num::kInt;
      n->i = v.uiVal;
      return true;
    case VT_UI4:
      n->kind = Num::kInt;
      n->i = v.ulVal;
      return true;
    case VT_UINT:
      n->kind = Num::kInt;
      n->i = v.uintVal;
      return true;
    case VT_UI8:
      if (v.ullVal <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        n->kind = Num::kInt;
        n->i = static_cast<std::int64_t>(v.ullVal);
      } else {
        n->kind = Num::kUInt;
        n->u = v.ullVal;
      }
      return true;
    case VT_R4:
      n->kind = Num::kReal;
      n->r = v.fltVal;
      return true;
    case VT_R8:
      n->kind = Num::kReal;
      n->r = v.dblVal;
      return true;
    case VT_DATE:
      n->kind = Num::kReal;
      n->r = v.date;
      return true;
    case VT_CY:
      n->kind = Num::kCy;
      n->i = v.cyVal.int64;
      return true;
    case VT_DECIMAL: {
      if (v.decVal.scale == 0 && v.decVal.Hi32 == 0 && v.decVal.Lo64 <= 0x7FFFFFFFFFFFFFFFull) {
        n->kind = Num::kInt;
        n->i = (v.decVal.sign & DECIMAL_NEG) ? -static_cast<std::int64_t>(v.decVal.Lo64)
                                             : static_cast<std::int64_t>(v.decVal.Lo64);
      } else {
        n->kind = Num::kReal;
        n->r = DecimalToDouble(v.decVal);
      }
      return true;
    }
    default:
      return false;
  }
}

HRESULT NumToVariant(const Num& n, VARTYPE vt, VARIANT* out) {
  std::int64_t i = 0;
  HRESULT hr = S_OK;
  auto ranged = [&](std::int64_t lo, std::int64_t hi) { return ToInt64(n, lo, hi, &i); };
  switch (vt) {
    case VT_I1:
      if (FAILED(hr = ranged(-128, 127))) return hr;
      out->cVal = static_cast<CHAR>(i);
      break;
    case VT_UI1:
      if (FAILED(hr = ranged(0, 255))) return hr;
      out->bVal = static_cast<BYTE>(i);
      break;
    case VT_I2:
      if (FAILED(hr = ranged(-32768, 32767))) return hr;
      out->iVal = static_cast<SHORT>(i);
      break;
    case VT_UI2:
      if (FAILED(hr = ranged(0, 65535))) return hr;
      out->uiVal = static_cast<USHORT>(i);
      break;
    case VT_I4:
    case VT_INT:
      if (FAILED(hr = ranged(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max())))
        return hr;
      out->lVal = static_cast<LONG>(i);
      break;
    case VT_UI4:
    case VT_UINT:
      if (FAILED(hr = ranged(0, 0xFFFFFFFFll))) return hr;
      out->ulVal = static_cast<ULONG>(i);
      break;
    case VT_I8:
      if (FAILED(hr = ranged(std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max())))
        return hr;
      out->llVal = i;
      break;
    case VT_UI8: {
      std::uint64_t u;
      if (FAILED(hr = ToUInt64(n, &u))) return hr;
      out->ullVal = u;
      break;
    }
    case VT_R4: {
      double d = ToDouble(n);
      if (std::isfinite(d) && std::fabs(d) > FLT_MAX) return DISP_E_OVERFLOW;
      out->fltVal = static_cast<float>(d);
      break;
    }
    case VT_R8:
      out->dblVal = ToDouble(n);
      break;
    case VT_DATE: {
      double d = ToDouble(n);
      if (!(d > -657435.0 && d < 2958466.0)) return DISP_E_OVERFLOW;
      out->date = d;
      break;
    }
    case VT_CY: {
      std::int64_t cy;
      if (FAILED(hr = ToCy(n, &cy))) return hr;
      out->cyVal.int64 = cy;
      break;
    }
    case VT_BOOL: {
      bool nonzero = n.kind == Num::kReal ? n.r != 0 : n.kind == Num::kUInt ? n.u != 0 : n.i != 0;
      out->boolVal = nonzero ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    }
    case VT_DECIMAL: {
      DECIMAL d;
      if (FAILED(hr = NumToDecimal(n, &d))) return hr;
      out->decVal = d;
      break;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
  out->vt = vt;
  return S_OK;
}

bool IsValidVt(VARTYPE vt) {
  VARTYPE base = vt & VT_TYPEMASK;
  switch (base) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_VARIANT:
    case VT_UNKNOWN:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_RECORD:
      return true;
    default:
      return false;
  }
}

HRESULT ChangeByValue(VARIANT* out, const VARIANT& src, LCID lcid, USHORT flags, VARTYPE vt);

// The default value of an automation object (its DISPID_VALUE property).
HRESULT DefaultValue(IDispatch* disp, LCID lcid, VARIANT* out) {
  if (!disp) return DISP_E_TYPEMISMATCH;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VariantInit(out);
  HRESULT hr = disp->Invoke(DISPID_VALUE, IID_NULL, lcid, DISPATCH_PROPERTYGET, &none, out, nullptr, nullptr);
  if (FAILED(hr)) {
    VariantClear(out);
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

HRESULT ChangeByValue(VARIANT* out, const VARIANT& src, LCID lcid, USHORT flags, VARTYPE vt) {
  VariantInit(out);
  if (src.vt == vt) return VariantCopy(out, &src);
  if (vt == VT_EMPTY) return S_OK;
  if (src.vt == VT_NULL || vt == VT_NULL) {
    if (vt == VT_NULL && src.vt == VT_EMPTY) {
      out->vt = VT_NULL;
      return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
  }
  if ((src.vt & (VT_ARRAY | VT_BYREF)) || (vt & (VT_ARRAY | VT_BYREF))) return DISP_E_TYPEMISMATCH;
  if (src.vt == VT_DISPATCH || src.vt == VT_UNKNOWN) {
    if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
      if (!src.punkVal) {
        out->vt = vt;
        out->punkVal = nullptr;
        return S_OK;
      }
      void* p = nullptr;
      if (FAILED(src.punkVal->QueryInterface(vt == VT_UNKNOWN ? IID_IUnknown : IID_IDispatch, &p)))
        return DISP_E_TYPEMISMATCH;
      out->vt = vt;
      out->byref = p;
      return S_OK;
    }
    if (src.vt == VT_UNKNOWN || (flags & VARIANT_NOVALUEPROP)) return DISP_E_TYPEMISMATCH;
    VARIANT value;
    HRESULT hr = DefaultValue(src.pdispVal, lcid, &value);
    if (FAILED(hr)) return hr;
    if (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) {
      VariantClear(&value);
      return DISP_E_TYPEMISMATCH;
    }
    VARIANT direct;
    VariantInit(&direct);
    hr = VariantCopyInd(&direct, &value);
    VariantClear(&value);
    if (FAILED(hr)) return hr;
    hr = ChangeByValue(out, direct, lcid, flags, vt);
    VariantClear(&direct);
    return hr;
  }
  if (vt == VT_DISPATCH || vt == VT_UNKNOWN || vt == VT_ERROR || src.vt == VT_ERROR) return DISP_E_TYPEMISMATCH;
  if (vt == VT_BSTR) {
    std::u16string text;
    switch (src.vt) {
      case VT_EMPTY:
        break;
      case VT_BOOL:
        if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)) text = src.boolVal ? u"True" : u"False";
        else text = src.boolVal ? u"-1" : u"0";
        break;
      case VT_R4:
        text = FormatReal(src.fltVal, 7, LocaleOf(lcid));
        break;
      case VT_R8:
        text = FormatReal(src.dblVal, 15, LocaleOf(lcid));
        break;
      case VT_CY:
        text = FormatCy(src.cyVal.int64, LocaleOf(lcid));
        break;
      case VT_DECIMAL:
        text = FormatDecimal(src.decVal, LocaleOf(lcid));
        break;
      case VT_DATE:
        if (!FormatVariantDate(src.date, 0, lcid, &text)) return DISP_E_OVERFLOW;
        break;
      default: {
        Num n;
        if (!VariantToNum(src, &n)) return DISP_E_TYPEMISMATCH;
        char buf[32];
        if (n.kind == Num::kUInt) std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(n.u));
        else std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(n.i));
        text = Widen(buf);
      }
    }
    out->bstrVal = MakeBstr(text);
    if (!out->bstrVal) return E_OUTOFMEMORY;
    out->vt = VT_BSTR;
    return S_OK;
  }
  if (!IsNumericType(vt)) return DISP_E_BADVARTYPE;
  Num n;
  if (src.vt == VT_BSTR) {
    UINT len = SysStringLen(src.bstrVal);
    if (vt == VT_DATE) {
      std::u16string text(src.bstrVal ? src.bstrVal : u"", len);
      DATE d;
      if (!ParseVariantDate(text.c_str(), 0, lcid, &d)) return DISP_E_TYPEMISMATCH;
      out->vt = VT_DATE;
      out->date = d;
      return S_OK;
    }
    if (vt == VT_BOOL) {
      std::u16string t = Trim(src.bstrVal ? src.bstrVal : u"", len);
      if (EqualsNoCase(t, "True") || EqualsNoCase(t, "#TRUE#")) {
        out->vt = VT_BOOL;
        out->boolVal = VARIANT_TRUE;
        return S_OK;
      }
      if (EqualsNoCase(t, "False") || EqualsNoCase(t, "#FALSE#")) {
        out->vt = VT_BOOL;
        out->boolVal = VARIANT_FALSE;
        return S_OK;
      }
    }
    HRESULT hr = ParseNumber(src.bstrVal ? src.bstrVal : u"", len, LocaleOf(lcid), &n);
    if (FAILED(hr)) return hr;
  } else if (!VariantToNum(src, &n)) {
    return src.vt == VT_RECORD || !IsValidVt(src.vt) ? DISP_E_BADVARTYPE : DISP_E_TYPEMISMATCH;
  }
  return NumToVariant(n, vt, out);
}

}  // namespace

}  // namespace pv

// ---- public API ----------------------------------------------------------------------------------

void VariantInit(VARIANTARG* v) {
  if (!v) return;
  std::memset(static_cast<void*>(v), 0, sizeof(VARIANT));
  v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* v) {
  if (!v) return E_INVALIDARG;
  if (!(v->vt & VT_BYREF)) {
    if (v->vt & VT_ARRAY) {
      if (v->parray) {
        HRESULT hr = SafeArrayDestroy(v->parray);
        if (FAILED(hr)) return hr;
      }
    } else {
      switch (v->vt) {
        case VT_BSTR:
          SysFreeString(v->bstrVal);
          break;
        case VT_DISPATCH:
        case VT_UNKNOWN:
          if (v->punkVal) v->punkVal->Release();
          break;
        default:
          if (!pv::IsValidVt(v->vt)) return DISP_E_BADVARTYPE;
      }
    }
  }
  std::memset(static_cast<void*>(v), 0, sizeof(VARIANT));
  v->vt = VT_EMPTY;
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (dest == src) return S_OK;
  if (!pv::IsValidVt(src->vt)) return DISP_E_BADVARTYPE;
  VARIANT tmp;
  std::memcpy(static_cast<void*>(&tmp), static_cast<const void*>(src), sizeof(VARIANT));
  if (!(src->vt & VT_BYREF)) {
    if (src->vt & VT_ARRAY) {
      tmp.parray = nullptr;
      if (src->parray) {
        HRESULT hr = SafeArrayCopy(src->parray, &tmp.parray);
        if (FAILED(hr)) return hr;
      }
    } else if (src->vt == VT_BSTR) {
      if (src->bstrVal) {
        tmp.bstrVal =
            SysAllocStringByteLen(reinterpret_cast<const char*>(src->bstrVal), SysStringByteLen(src->bstrVal));
        if (!tmp.bstrVal) return E_OUTOFMEMORY;
      }
    } else if (src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) {
      if (src->punkVal) src->punkVal->AddRef();
    }
  }
  HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&tmp);
    return hr;
  }
  std::memcpy(static_cast<void*>(dest), static_cast<const void*>(&tmp), sizeof(VARIANT));
  return S_OK;
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANTARG* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (!(src->vt & VT_BYREF)) return VariantCopy(dest, src);
  if (!src->byref) return E_INVALIDARG;
  VARTYPE vt = src->vt & ~VT_BYREF;
  VARIANT tmp;
  VariantInit(&tmp);
  if (vt & VT_ARRAY) {
    tmp.vt = vt;
    SAFEARRAY* a = *src->pparray;
    if (a) {
      HRESULT hr = SafeArrayCopy(a, &tmp.parray);
      if (FAILED(hr)) return hr;
    }
  } else if (vt == VT_VARIANT) {
    const VARIANT* inner = src->pvarVal;
    if (inner->vt & VT_BYREF) return E_INVALIDARG;
    HRESULT hr = VariantCopy(&tmp, inner);
    if (FAILED(hr)) return hr;
  } else {
    tmp.vt = vt;
    switch (vt) {
      case VT_I1:
      case VT_UI1:
        tmp.bVal = *src->pbVal;
        break;
      case VT_I2:
      case VT_UI2:
      case VT_BOOL:
        tmp.iVal = *src->piVal;
        break;
      case VT_I4:
      case VT_UI4:
      case VT_INT:
      case VT_UINT:
      case VT_ERROR:
        tmp.lVal = *src->plVal;
        break;
      case VT_R4:
        tmp.fltVal = *src->pfltVal;
        break;
      case VT_R8:
      case VT_DATE:
        tmp.dblVal = *src->pdblVal;
        break;
      case VT_I8:
      case VT_UI8:
      case VT_CY:
        tmp.llVal = *src->pllVal;
        break;
      case VT_DECIMAL:
        tmp.decVal = *src->pdecVal;
        tmp.vt = VT_DECIMAL;
        break;
      case VT_BSTR: {
        BSTR s = *src->pbstrVal;
        tmp.bstrVal = s ? SysAllocStringByteLen(reinterpret_cast<const char*>(s), SysStringByteLen(s)) : nullptr;
        if (s && !tmp.bstrVal) return E_OUTOFMEMORY;
        break;
      }
      case VT_DISPATCH:
      case VT_UNKNOWN:
        tmp.punkVal = *src->ppunkVal;
        if (tmp.punkVal) tmp.punkVal->AddRef();
        break;
      default:
        return DISP_E_BADVARTYPE;
    }
  }
  if (dest == src) {
    std::memcpy(static_cast<void*>(dest), static_cast<const void*>(&tmp), sizeof(VARIANT));
    return S_OK;
  }
  HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&tmp);
    return hr;
  }
  std::memcpy(static_cast<void*>(dest), static_cast<const void*>(&tmp), sizeof(VARIANT));
  return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* src, LCID lcid, USHORT flags, VARTYPE vt) {
  if (!dest || !src) return E_INVALIDARG;
  if (!pv::IsValidVt(src->vt) || !pv::IsValidVt(vt)) return DISP_E_BADVARTYPE;
  VARIANT direct;
  VariantInit(&direct);
  HRESULT hr;
  if (src->vt & VT_BYREF) {
    if (vt == src->vt) return VariantCopy(dest, src);
    hr = VariantCopyInd(&direct, src);
    if (FAILED(hr)) return hr;
  } else {
    std::memcpy(static_cast<void*>(&direct), static_cast<const void*>(src), sizeof(VARIANT));
  }
  VARIANT result;
  hr = pv::ChangeByValue(&result, direct, lcid, flags, vt);
  if (src->vt & VT_BYREF) VariantClear(&direct);
  if (FAILED(hr)) return hr;
  hr = VariantClear(dest);  // also frees the source when converting in place
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  std::memcpy(static_cast<void*>(dest), static_cast<const void*>(&result), sizeof(VARIANT));
  return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt) {
  return VariantChangeTypeEx(dest, src, pv::kUserDefaultLcid, flags, vt);
}

HRESULT VarBstrCmp(BSTR left, BSTR right, LCID lcid, ULONG flags) {
  std::u16string_view a(left ? left : u"", SysStringLen(left)), b(right ? right : u"", SysStringLen(right));
  int c = 0;
  if (!pv::CompareLocaleStrings(lcid, flags, a, b, &c)) pv::CompareLocaleStrings(0x0409, flags, a, b, &c);
  return c < 0 ? VARCMP_LT : c > 0 ? VARCMP_GT : VARCMP_EQ;
}

HRESULT VarCmp(LPVARIANT left, LPVARIANT right, LCID lcid, ULONG flags) {
  if (!left || !right) return E_INVALIDARG;
  VARIANT l, r;
  VariantInit(&l);
  VariantInit(&r);
  HRESULT hr = VariantCopyInd(&l, left);
  if (FAILED(hr)) return hr;
  hr = VariantCopyInd(&r, right);
  if (FAILED(hr)) {
    VariantClear(&l);
    return hr;
  }
  struct Cleanup {
    VARIANT* a;
    VARIANT* b;
    ~Cleanup() {
      VariantClear(a);
      VariantClear(b);
    }
  } cleanup{&l, &r};
  if (l.vt == VT_NULL || r.vt == VT_NULL) return VARCMP_NULL;
  bool ls = l.vt == VT_BSTR, rs = r.vt == VT_BSTR;
  if (ls && rs) return VarBstrCmp(l.bstrVal, r.bstrVal, lcid, flags);
  // An empty value is the empty string beside a string and zero beside a number.
  if (ls && r.vt == VT_EMPTY) return SysStringLen(l.bstrVal) ? VARCMP_GT : VARCMP_EQ;
  if (rs && l.vt == VT_EMPTY) return SysStringLen(r.bstrVal) ? VARCMP_LT : VARCMP_EQ;
  if (ls || rs) {
    if ((ls && !pv::IsNumericType(r.vt)) || (rs && !pv::IsNumericType(l.vt))) return DISP_E_TYPEMISMATCH;
    return ls ? VARCMP_GT : VARCMP_LT;
  }
  pv::Num a, b;
  if (!pv::VariantToNum(l, &a) || !pv::VariantToNum(r, &b)) return DISP_E_TYPEMISMATCH;
  if (a.kind == pv::Num::kInt && b.kind == pv::Num::kInt)
    return a.i < b.i ? VARCMP_LT : a.i > b.i ? VARCMP_GT : VARCMP_EQ;
  if (a.kind == pv::Num::kCy && b.kind == pv::Num::kCy)
    return a.i < b.i ? VARCMP_LT : a.i > b.i ? VARCMP_GT : VARCMP_EQ;
  double x = pv::ToDouble(a), y = pv::ToDouble(b);
  if (l.vt == VT_DATE && r.vt == VT_DATE) {
    // Dates before 1900 are not linear in their numbers: compare moments.
    x = pv::DateToLinear(x);
    y = pv::DateToLinear(y);
  }
  return x < y ? VARCMP_LT : x > y ? VARCMP_GT : VARCMP_EQ;
}

HRESULT VarBstrFromR8(double value, LCID lcid, ULONG, BSTR* out) {
  if (!out) return E_INVALIDARG;
  *out = pv::MakeBstr(pv::FormatReal(value, 15, pv::LocaleOf(lcid)));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT VarR8FromStr(LPCOLESTR text, LCID lcid, ULONG, double* out) {
  if (!text || !out) return E_INVALIDARG;
  pv::Num n;
  HRESULT hr = pv::ParseNumber(text, pv::Utf16Length(text), pv::LocaleOf(lcid), &n);
  if (FAILED(hr)) return hr;
  *out = pv::ToDouble(n);
  return S_OK;
}

// ---- equality -------------------------------------------------------------------------------------

bool pv::VariantEquals(const VARIANT& a, const VARIANT& b) {
  if (&a == &b) return true;
  if (a.vt != b.vt) return false;
  switch (a.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return true;
    case VT_BSTR:
      return SysStringByteLen(a.bstrVal) == SysStringByteLen(b.bstrVal) &&
             (SysStringByteLen(a.bstrVal) == 0 || std::memcmp(a.bstrVal, b.bstrVal, SysStringByteLen(a.bstrVal)) == 0);
    case VT_I1:
    case VT_UI1:
      return a.bVal == b.bVal;
    case VT_I2:
    case VT_UI2:
      return a.iVal == b.iVal;
    case VT_BOOL:
      return (a.boolVal != 0) == (b.boolVal != 0);
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
      return a.lVal == b.lVal;
    case VT_R4:
      return a.fltVal == b.fltVal;
    case VT_R8:
    case VT_DATE:
      return a.dblVal == b.dblVal;
    case VT_I8:
    case VT_UI8:
    case VT_CY:
      return a.llVal == b.llVal;
    case VT_DECIMAL:
      return a.decVal.scale == b.decVal.scale && a.decVal.sign == b.decVal.sign && a.decVal.Hi32 == b.decVal.Hi32 &&
             a.decVal.Lo64 == b.decVal.Lo64;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return a.punkVal == b.punkVal;
    default:
      return a.byref == b.byref;
  }
}

// ---- COleVariant ------------------------------------------------------------------------------------

namespace {
void OleCheck(HRESULT hr) {
  if (SUCCEEDED(hr)) return;
  if (hr == E_OUTOFMEMORY) AfxThrowMemoryException();
  AfxThrowOleException(hr);
}

void SetBstr(VARIANT* v, const char16_t* text, size_t length) {
  VariantInit(v);
  v->bstrVal = SysAllocStringLen(text, static_cast<UINT>(length));
  if (!v->bstrVal) AfxThrowMemoryException();
  v->vt = VT_BSTR;
}
}  // namespace

COleVariant::COleVariant(const VARIANT& src) {
  VariantInit(this);
  OleCheck(VariantCopy(this, &src));
}

COleVariant::COleVariant(LPCVARIANT src) {
  VariantInit(this);
  if (src) OleCheck(VariantCopy(this, src));
}

COleVariant::COleVariant(const COleVariant& src) : VARIANT() {
  VariantInit(this);
  OleCheck(VariantCopy(this, &src));
}

COleVariant::COleVariant(COleVariant&& src) noexcept : VARIANT() {
  std::memcpy(static_cast<VARIANT*>(this), static_cast<VARIANT*>(&src), sizeof(VARIANT));
  VariantInit(&src);
}

COleVariant::COleVariant(LPCTSTR text) { SetBstr(this, text ? text : u"", text ? pv::Utf16Length(text) : 0); }

COleVariant::COleVariant(LPCTSTR text, VARTYPE vt) {
  if (vt != VT_BSTR) AfxThrowInvalidArgException();
  SetBstr(this, text ? text : u"", text ? pv::Utf16Length(text) : 0);
}

COleVariant::COleVariant(const CString& text) {
  SetBstr(this, text.GetString(), static_cast<size_t>(text.GetLength()));
}

COleVariant::COleVariant(BYTE value) {
  VariantInit(this);
  vt = VT_UI1;
  bVal = value;
}

COleVariant::COleVariant(short value, VARTYPE type) {
  VariantInit(this);
  if (type == VT_BOOL) {
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (type == VT_I2) {
    iVal = value;
  } else {
    AfxThrowInvalidArgException();
  }
  vt = type;
}

COleVariant::COleVariant(int value, VARTYPE type) {
  VariantInit(this);
  switch (type) {
    case VT_I4:
      lVal = value;
      break;
    case VT_ERROR:
      scode = value;
      break;
    case VT_BOOL:
      boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    default:
      AfxThrowInvalidArgException();
  }
  vt = type;
}

COleVariant::COleVariant(long value, VARTYPE type) : COleVariant(static_cast<int>(value), type) {}

COleVariant::COleVariant(long long value) {
  VariantInit(this);
  vt = VT_I8;
  llVal = value;
}

COleVariant::COleVariant(unsigned long long value) {
  VariantInit(this);
  vt = VT_UI8;
  ullVal = value;
}

COleVariant::COleVariant(float value) {
  VariantInit(this);
  vt = VT_R4;
  fltVal = value;
}

COleVariant::COleVariant(double value, VARTYPE type) {
  VariantInit(this);
  if (type != VT_R8 && type != VT_DATE) AfxThrowInvalidArgException();
  vt = type;
  dblVal = value;
}

COleVariant::COleVariant(const COleDateTime& value) {
  VariantInit(this);
  if (value.GetStatus() == COleDateTime::valid) {
    vt = VT_DATE;
    date = value.m_dt;
  } else if (value.GetStatus() == COleDateTime::null) {
    vt = VT_NULL;
  } else {
    vt = VT_ERROR;
    scode = DISP_E_OVERFLOW;
  }
}

COleVariant& COleVariant::operator=(const COleVariant& src) {
  OleCheck(VariantCopy(this, &src));
  return *this;
}

COleVariant& COleVariant::operator=(COleVariant&& src) noexcept {
  if (this != &src) {
    VariantClear(this);
    std::memcpy(static_cast<VARIANT*>(this), static_cast<VARIANT*>(&src), sizeof(VARIANT));
    VariantInit(&src);
  }
  return *this;
}

COleVariant& COleVariant::operator=(const VARIANT& src) {
  OleCheck(VariantCopy(this, &src));
  return *this;
}

COleVariant& COleVariant::operator=(LPCVARIANT src) {
  if (src) OleCheck(VariantCopy(this, src));
  else Clear();
  return *this;
}

bool COleVariant::operator==(const VARIANT& other) const { return pv::VariantEquals(*this, other); }

void COleVariant::Clear() { OleCheck(VariantClear(this)); }

void COleVariant::ChangeType(VARTYPE type, LPVARIANT src) {
  const VARIANT* from = src ? src : this;
  if (from == this && vt == type) return;
  OleCheck(VariantChangeType(this, from, 0, type));
}

void COleVariant::Attach(VARIANT& src) {
  Clear();
  std::memcpy(static_cast<VARIANT*>(this), &src, sizeof(VARIANT));
  VariantInit(&src);
}

VARIANT COleVariant::Detach() {
  VARIANT out;
  std::memcpy(&out, static_cast<VARIANT*>(this), sizeof(VARIANT));
  VariantInit(this);
  return out;
}

void COleVariant::SetString(LPCTSTR text, VARTYPE type) {
  if (type != VT_BSTR) AfxThrowInvalidArgException();
  COleVariant tmp(text);
  *this = std::move(tmp);
}
