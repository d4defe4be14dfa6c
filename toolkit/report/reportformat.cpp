#include "toolkit/report/reportformat.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "toolkit/common/resourcemanager.h"

namespace {

constexpr int kMaxWidth = 512;

enum class Kind { Floating, Integer, Unsigned, String, Other };

struct Spec {
  std::u16string flags;  // flags, width and precision as written
  char16_t conversion = 0;
  Kind kind = Kind::Other;
  int end = 0;  // index after the conversion
  bool valid = false;
};

// Reads the conversion that starts at format[start] == '%'.
Spec ReadSpec(const char16_t* format, int start) {
  Spec spec;
  int i = start + 1;
  while (format[i] && std::strchr("-+ #0", static_cast<char>(format[i] < 128 ? format[i] : 'x'))) {
    spec.flags += format[i++];
  }
  auto readNumber = [&](bool& ok) {
    long value = 0;
    while (format[i] >= u'0' && format[i] <= u'9') {
      value = value * 10 + (format[i] - u'0');
      if (value > kMaxWidth) ok = false;
      spec.flags += format[i++];
    }
  };
  bool ok = true;
  if (format[i] == u'*') ok = false;
  readNumber(ok);
  if (format[i] == u'.') {
    spec.flags += format[i++];
    if (format[i] == u'*') ok = false;
    readNumber(ok);
  }
  // Size prefixes are dropped: the argument is passed at the size chosen here.
  for (;;) {
    char16_t c = format[i];
    if (c == u'h' || c == u'l' || c == u'L' || c == u'w' || c == u'z' || c == u't' || c == u'j' || c == u'q') {
      ++i;
    } else if (c == u'I') {
      ++i;
      if ((format[i] == u'3' && format[i + 1] == u'2') || (format[i] == u'6' && format[i + 1] == u'4')) i += 2;
    } else {
      break;
    }
  }
  spec.conversion = format[i];
  switch (spec.conversion) {
    case u'f':
    case u'F':
    case u'e':
    case u'E':
    case u'g':
    case u'G':
    case u'a':
    case u'A':
      spec.kind = Kind::Floating;
      break;
    case u'd':
    case u'i':
      spec.kind = Kind::Integer;
      break;
    case u'u':
    case u'x':
    case u'X':
    case u'o':
      spec.kind = Kind::Unsigned;
      break;
    case u's':
    case u'S':
      spec.kind = Kind::String;
      break;
    default:
      spec.kind = Kind::Other;
      break;
  }
  spec.end = spec.conversion ? i + 1 : i;
  spec.valid = ok && spec.kind != Kind::Other;
  return spec;
}

long long Truncate(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2e18) return std::numeric_limits<long long>::max();
  if (value <= -9.2e18) return std::numeric_limits<long long>::min();
  return static_cast<long long>(value);
}

template <class OnSpec>
CString Walk(LPCTSTR format, OnSpec onSpec) {
  CString out;
  if (!format) return out;
  const char16_t* f = format;
  int i = 0;
  while (f[i]) {
    if (f[i] != u'%') {
      out += f[i++];
      continue;
    }
    if (f[i + 1] == u'%') {
      out += u'%';
      i += 2;
      continue;
    }
    Spec spec = ReadSpec(f, i);
    if (!spec.valid || !onSpec(spec, out)) out.Append(f + i, spec.end - i);
    i = spec.end;
  }
  return out;
}

}  // namespace

CString TKFormatNumber(LPCTSTR format, double value) {
  return Walk(format, [value](const Spec& spec, CString& out) {
    CString piece;
    std::u16string one = u"%" + spec.flags;
    switch (spec.kind) {
      case Kind::Floating:
        one += spec.conversion;
        piece.Format(one.c_str(), value);
        break;
      case Kind::Integer:
      case Kind::Unsigned:
        one += u"ll";
        one += spec.conversion;
        piece.Format(one.c_str(), Truncate(value));
        break;
      case Kind::String: {
        CString text;
        text.Format(u"%f", value);
        one += u's';
        piece.Format(one.c_str(), text.GetString());
        break;
      }
      default:
        return false;
    }
    out += piece;
    return true;
  });
}

CString TKFormatText(LPCTSTR format, LPCTSTR text) {
  return Walk(format, [text](const Spec& spec, CString& out) {
    if (spec.kind != Kind::String) return false;
    CString piece;
    std::u16string one = u"%" + spec.flags + u"s";
    piece.Format(one.c_str(), text ? text : u"");
    out += piece;
    return true;
  });
}

double TKReportTextToNumber(LPCTSTR text) {
  CString value(text ? text : u"");
  const char* locale = std::setlocale(LC_NUMERIC, nullptr);
  if (!locale || std::strcmp(locale, "C") == 0) value.Replace(u',', u'.');
  CTKNarrowString narrow(value);
  return narrow.c_str() ? std::atof(narrow.c_str()) : 0.0;
}
