#include "platform/base/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/base/lasterror.h"
#include "platform/base/utf.h"

namespace {

bool IsAnsiFamily(UINT cp) noexcept { return cp == CP_ACP || cp == CP_THREAD_ACP || cp == CP_OEMCP || cp == CP_MACCP; }

// The iconv name of a code page.
std::string IconvName(UINT cp) {
  switch (cp) {
    case 1200:
      return "UTF-16LE";
    case 1201:
      return "UTF-16BE";
    case 12000:
      return "UTF-32LE";
    case 12001:
      return "UTF-32BE";
    case CP_UTF7:
      return "UTF-7";
    case 20127:
      return "ASCII";
    case 20866:
      return "KOI8-R";
    case 21866:
      return "KOI8-U";
    case 20932:
      return "EUC-JP";
    case 51932:
      return "EUC-JP";
    case 51949:
      return "EUC-KR";
    case 20936:
      return "GB2312";
    case 54936:
      return "GB18030";
    case 50220:
      return "ISO-2022-JP";
    case 10000:
      return "MACINTOSH";
    default:
      break;
  }
  if (cp >= 28591 && cp <= 28606) return "ISO-8859-" + std::to_string(cp - 28590);
  return "CP" + std::to_string(cp);
}

const char* Utf16Name() { return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE"; }

// One open conversion per thread and direction, reused while the code page
// stays the same.
class Converter {
 public:
  ~Converter() { Close(); }
  iconv_t Get(UINT cp, bool toWide) {
    if (cd_ != reinterpret_cast<iconv_t>(-1) && cp == cp_) return cd_;
    Close();
    std::string name = IconvName(cp);
    cd_ = toWide ? iconv_open(Utf16Name(), name.c_str()) : iconv_open(name.c_str(), Utf16Name());
    cp_ = cp;
    return cd_;
  }

 private:
  void Close() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    cd_ = reinterpret_cast<iconv_t>(-1);
  }
  iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
  UINT cp_ = 0;
};

thread_local Converter t_toWide;
thread_local Converter t_toNarrow;

enum class Result { kOk, kBadCodePage, kInvalid };

// Runs iconv over `in`, growing `buf`. On a sequence it cannot convert it
// calls onBad(src, srcLeft, buf, used), which skips input and may append a
// replacement, or returns false to stop. Ends with the shift-state flush.
template <class OnBad>
bool RunIconv(iconv_t cd, const char* input, std::size_t inputBytes, std::string& buf, std::size_t& used, OnBad onBad) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(input);
  std::size_t srcLeft = inputBytes;
  used = 0;
  bool flushing = false;
  for (;;) {
    char* dst = buf.data() + used;
    std::size_t dstLeft = buf.size() - used;
    std::size_t r = flushing ? iconv(cd, nullptr, nullptr, &dst, &dstLeft) : iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    used = static_cast<std::size_t>(dst - buf.data());
    if (r != static_cast<std::size_t>(-1)) {
      if (flushing) return true;
      if (srcLeft == 0) flushing = true;
      continue;
    }
    if (errno == E2BIG) {
      buf.resize(buf.size() * 2 + 16);
      continue;
    }
    // EILSEQ, or EINVAL for a sequence cut short at the end.
    if (flushing || srcLeft == 0) return true;
    if (!onBad(src, srcLeft, buf, used)) return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (srcLeft == 0) flushing = true;
  }
}

// Code page -> UTF-16 through iconv. Undefined bytes become U+FFFD, or stop
// the conversion when `strict`.
Result IconvToWide(UINT cp, std::string_view in, bool strict, std::u16string& out) {
  iconv_t cd = t_toWide.Get(cp, true);
  if (cd == reinterpret_cast<iconv_t>(-1)) return Result::kBadCodePage;
  std::string buf(in.size() * 4 + 16, '\0');
  std::size_t used = 0;
  bool ok = RunIconv(cd, in.data(), in.size(), buf, used,
                     [strict](char*& src, std::size_t& srcLeft, std::string& b, std::size_t& u) {
                       if (strict) return false;
                       if (b.size() - u < 2) b.resize(b.size() * 2 + 16);
                       char16_t repl = u'\xFFFD';
                       std::memcpy(b.data() + u, &repl, 2);
                       u += 2;
                       ++src;
                       --srcLeft;
                       return true;
                     });
  if (!ok) return Result::kInvalid;
  out.resize(used / 2);
  std::memcpy(out.data(), buf.data(), out.size() * 2);
  return Result::kOk;
}

// UTF-16 -> code page through iconv. Unmappable characters (and unpaired
// surrogates) become `defaultChar`.
Result IconvToNarrow(UINT cp, std::u16string_view in, std::string_view defaultChar, bool strict, bool& usedDefault,
                     std::string& out) {
  iconv_t cd = t_toNarrow.Get(cp, false);
  if (cd == reinterpret_cast<iconv_t>(-1)) return Result::kBadCodePage;
  std::string buf(in.size() * 4 + 16, '\0');
  std::size_t used = 0;
  bool ok = RunIconv(cd, reinterpret_cast<const char*>(in.data()), in.size() * 2, buf, used,
                     [&](char*& src, std::size_t& srcLeft, std::string& b, std::size_t& u) {
                       if (strict) return false;
                       // Skip one character: a whole surrogate pair, else one unit.
                       char16_t first, second = 0;
                       std::memcpy(&first, src, 2);
                       if (srcLeft >= 4) std::memcpy(&second, src + 2, 2);
                       bool pair = first >= 0xD800 && first <= 0xDBFF && second >= 0xDC00 && second <= 0xDFFF;
                       std::size_t skip = std::min<std::size_t>(pair ? 4 : 2, srcLeft);
                       src += skip;
                       srcLeft -= skip;
                       if (b.size() - u < defaultChar.size()) b.resize(b.size() * 2 + defaultChar.size());
                       std::memcpy(b.data() + u, defaultChar.data(), defaultChar.size());
                       u += defaultChar.size();
                       usedDefault = true;
                       return true;
                     });
  if (!ok) return Result::kInvalid;
  out.assign(buf.data(), used);
  return Result::kOk;
}

bool HasUnpairedSurrogate(std::u16string_view s) noexcept {
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        ++i;
        continue;
      }
      return true;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) return true;
  }
  return false;
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcBytes, LPWSTR dst, int dstChars) {
  if (src == nullptr || srcBytes == 0 || srcBytes < -1 || dstChars < 0 || (dst == nullptr && dstChars > 0))
    return Fail(ERROR_INVALID_PARAMETER);
  std::size_t n = srcBytes == -1 ? std::strlen(src) + 1 : static_cast<std::size_t>(srcBytes);
  if (dst != nullptr && dstChars > 0) {
    auto* d = reinterpret_cast<const char*>(dst);
    if (d < src + n && src < d + static_cast<std::size_t>(dstChars) * 2) return Fail(ERROR_INVALID_PARAMETER);
  }
  std::string_view in(src, n);
  bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  std::u16string out;
  if (codePage == CP_UTF8 || IsAnsiFamily(codePage)) {
    if (codePage == CP_UTF8 && (flags & ~MB_ERR_INVALID_CHARS) != 0) return Fail(ERROR_INVALID_FLAGS);
    bool valid = pv::AppendUtf8ToUtf16(out, in);
    if (!valid && strict) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  } else {
    if (codePage == CP_UTF7 && flags != 0) return Fail(ERROR_INVALID_FLAGS);
    Result r = IconvToWide(codePage, in, strict, out);
    if (r == Result::kBadCodePage) return Fail(ERROR_INVALID_PARAMETER);
    if (r == Result::kInvalid) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  }
  if (out.size() > 0x7FFFFFFF) return Fail(ERROR_INVALID_PARAMETER);
  if (dstChars == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<std::size_t>(dstChars)) {
    std::memcpy(dst, out.data(), static_cast<std::size_t>(dstChars) * sizeof(char16_t));
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(dst, out.data(), out.size() * sizeof(char16_t));
  return static_cast<int>(out.size());
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcChars, LPSTR dst, int dstBytes,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  if (src == nullptr || srcChars == 0 || srcChars < -1 || dstBytes < 0 || (dst == nullptr && dstBytes > 0))
    return Fail(ERROR_INVALID_PARAMETER);
  std::size_t n = srcChars == -1 ? std::char_traits<char16_t>::length(src) + 1 : static_cast<std::size_t>(srcChars);
  if (dst != nullptr && dstBytes > 0) {
    auto* s = reinterpret_cast<const char*>(src);
    if (dst < s + n * 2 && s < dst + dstBytes) return Fail(ERROR_INVALID_PARAMETER);
  }
  std::u16string_view in(src, n);
  bool strict = (flags & WC_ERR_INVALID_CHARS) != 0;
  bool usedDefault = false;
  std::string out;
  if (codePage == CP_UTF8 || codePage == CP_UTF7) {
    if (defaultChar != nullptr || usedDefaultChar != nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (codePage == CP_UTF8 && (flags & ~WC_ERR_INVALID_CHARS) != 0) return Fail(ERROR_INVALID_FLAGS);
    if (codePage == CP_UTF7 && flags != 0) return Fail(ERROR_INVALID_FLAGS);
  }
  if (codePage == CP_UTF8 || IsAnsiFamily(codePage)) {
    if (strict && HasUnpairedSurrogate(in)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    if (defaultChar != nullptr && HasUnpairedSurrogate(in)) {
      // An ANSI caller's own default char replaces what cannot be encoded.
      std::string_view def(defaultChar, std::strlen(defaultChar));
      std::size_t start = 0;
      for (std::size_t i = 0; i < in.size(); ++i) {
        char16_t c = in[i];
        bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
          ++i;
          continue;
        }
        if (high || low) {
          pv::AppendUtf16ToUtf8(out, in.substr(start, i - start));
          out += def;
          usedDefault = true;
          start = i + 1;
        }
      }
      pv::AppendUtf16ToUtf8(out, in.substr(start));
    } else {
      usedDefault = !pv::AppendUtf16ToUtf8(out, in);
    }
  } else {
    std::string_view def =
        defaultChar ? std::string_view(defaultChar, std::strlen(defaultChar)) : std::string_view("?");
    Result r = IconvToNarrow(codePage, in, def, strict, usedDefault, out);
    if (r == Result::kBadCodePage) return Fail(ERROR_INVALID_PARAMETER);
    if (r == Result::kInvalid) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  }
  if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault ? TRUE : FALSE;
  if (out.size() > 0x7FFFFFFF) return Fail(ERROR_INVALID_PARAMETER);
  if (dstBytes == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<std::size_t>(dstBytes)) {
    std::memcpy(dst, out.data(), static_cast<std::size_t>(dstBytes));
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(dst, out.data(), out.size());
  return static_cast<int>(out.size());
}

UINT GetACP() noexcept { return CP_UTF8; }
UINT GetOEMCP() noexcept { return CP_UTF8; }

BOOL IsValidCodePage(UINT codePage) {
  if (codePage == CP_UTF8 || codePage == CP_UTF7) return TRUE;
  if (IsAnsiFamily(codePage) || codePage == CP_SYMBOL) return FALSE;  // not real code page numbers
  iconv_t cd = t_toWide.Get(codePage, true);
  return cd != reinterpret_cast<iconv_t>(-1) ? TRUE : FALSE;
}
