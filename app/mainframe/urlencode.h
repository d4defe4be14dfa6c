// Percent-encoding of the values the text-message service receives.
//
// Text is first turned into GBK bytes (the service reads GBK whatever the
// local code page is); a character GBK cannot hold becomes "?". Each byte
// that is reserved, below 33 or above 122 is then written as "%" and two
// upper-case hex digits; every other byte stands for itself. Letters and
// digits therefore pass unchanged, and so do the 6-character accounts the
// service hands out.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/cstring.h"

// The 21 reserved characters: always escaped, whatever their value.
extern const CString g_strReservedChars;

class CURLEncode {
 public:
  // `text` in GBK, percent-encoded. The result is plain ASCII.
  CString PercentEncode(const CString& text) const;
  // The same for bytes that are already in the service's encoding.
  CString PercentEncodeBytes(std::string_view bytes) const;
  // "%" and the byte's two hex digits.
  CString EscapeByte(unsigned char byte) const;
  // Two upper-case hex digits of `value` (0-255).
  CString ByteToHex(unsigned value) const;

  // `text` as GBK bytes; unmappable characters become '?'.
  static std::string ToGbk(const CString& text);
};

// The decoder the client carries beside its encoder; the service's replies
// are never percent-encoded, so it has nothing to do.
class CURLDecode {};
