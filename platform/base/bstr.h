// BSTR: a length-prefixed UTF-16 string owned by the Automation allocator.
//
// The 32-bit byte length sits just before the characters, and one zero unit
// follows them, so a BSTR can be read as a C string while embedded zeros
// survive through the explicit length. A null BSTR is the empty string.
#pragma once

#include "platform/base/wintypes.h"

BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);        // text may be null: zeroed units
BSTR SysAllocStringByteLen(const char* bytes, UINT byteLength);  // bytes may be null: zeroed
INT SysReAllocString(BSTR* bstr, const OLECHAR* text);
INT SysReAllocStringLen(BSTR* bstr, const OLECHAR* text, UINT length);
void SysFreeString(BSTR bstr);
UINT SysStringLen(BSTR bstr);      // in UTF-16 units
UINT SysStringByteLen(BSTR bstr);  // in bytes

namespace pv {
// Length of a zero-terminated UTF-16 string.
inline size_t Utf16Length(const char16_t* s) {
  size_t n = 0;
  if (s)
    while (s[n]) ++n;
  return n;
}
}  // namespace pv
