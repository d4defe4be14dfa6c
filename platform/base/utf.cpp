#include "platform/base/utf.h"

#include "platform/base/cstring.h"

namespace pv {

bool AppendUtf8ToUtf16(std::u16string& out, std::string_view in) {
  bool valid = true;
  const auto* p = reinterpret_cast<const unsigned char*>(in.data());
  const auto* end = p + in.size();
  out.reserve(out.size() + in.size());
  while (p < end) {
    unsigned c = *p;
    if (c < 0x80) {
      out.push_back(static_cast<char16_t>(c));
      ++p;
      continue;
    }
    int need;
    unsigned cp;
    unsigned lo = 0x80, hi = 0xBF;  // bounds of the first continuation byte
    if (c >= 0xC2 && c <= 0xDF) {
      need = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      need = 2;
      cp = c & 0x0F;
      if (c == 0xE0) lo = 0xA0;       // no overlong forms
      else if (c == 0xED) hi = 0x9F;  // no encoded surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      need = 3;
      cp = c & 0x07;
      if (c == 0xF0) lo = 0x90;
      else if (c == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
      out.push_back(u'\xFFFD');
      valid = false;
      ++p;
      continue;
    }
    ++p;
    bool ok = true;
    for (int i = 0; i < need; ++i) {
      if (p >= end || *p < lo || *p > hi) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (*p & 0x3F);
      ++p;
      lo = 0x80;
      hi = 0xBF;
    }
    if (!ok) {
      // The bytes consumed so far form one maximal ill-formed subsequence.
      out.push_back(u'\xFFFD');
      valid = false;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return valid;
}

bool AppendUtf16ToUtf8(std::string& out, std::u16string_view in) {
  bool valid = true;
  out.reserve(out.size() + in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    unsigned c = in[i];
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
      if (c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
        ++i;
      } else {
        c = 0xFFFD;
        valid = false;
      }
    }
    if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return valid;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  AppendUtf8ToUtf16(out, utf8);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  AppendUtf16ToUtf8(out, utf16);
  return out;
}

}  // namespace pv

std::string ToUtf8(const CString& s) { return pv::Utf16ToUtf8(s.View()); }
std::string ToUtf8(std::u16string_view s) { return pv::Utf16ToUtf8(s); }
CString FromUtf8(std::string_view s) { return CString(pv::Utf8ToUtf16(s)); }
