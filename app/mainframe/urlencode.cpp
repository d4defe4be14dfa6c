#include "app/mainframe/urlencode.h"

#include "platform/base/codepage.h"

namespace {
// GBK, as the service expects it (the Windows code page 936).
constexpr UINT kServiceCodePage = 936;
}  // namespace

const CString g_strReservedChars(u"\"<>%\\^[]`+$,@:;/!#?=&");

std::string CURLEncode::ToGbk(const CString& text) {
  if (text.IsEmpty()) return {};
  const int units = text.GetLength();
  const int size = WideCharToMultiByte(kServiceCodePage, 0, text.GetString(), units, nullptr, 0, "?", nullptr);
  if (size <= 0) return std::string(static_cast<size_t>(units), '?');
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(kServiceCodePage, 0, text.GetString(), units, bytes.data(), size, "?", nullptr);
  return bytes;
}

CString CURLEncode::PercentEncode(const CString& text) const { return PercentEncodeBytes(ToGbk(text)); }

CString CURLEncode::PercentEncodeBytes(std::string_view bytes) const {
  CString out;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    // Bytes from 0x80 up count as below 33 (they are negative as signed
    // chars), so every byte of a multi-byte character is escaped.
    if (b < 33 || b > 122 || g_strReservedChars.Find(static_cast<char16_t>(b)) >= 0) out += EscapeByte(b);
    else out += static_cast<char16_t>(b);
  }
  return out;
}

CString CURLEncode::EscapeByte(unsigned char byte) const { return CString(u"%") + ByteToHex(byte); }

CString CURLEncode::ByteToHex(unsigned value) const {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  CString hex;
  hex += kDigits[(value >> 4) & 0xF];
  hex += kDigits[value & 0xF];
  return hex;
}
