// BSTR: a length-prefixed UTF-16 string owned by the Automation allocator.
//
// The 32-bit byte length sits just before the characters, and one zero unit
// follows them, so a BSTR can be read as a C string while embedded zeros
// survive through the explicit length. A null BSTR is the empty string.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/base/wintypes.h"

// Freed strings are kept per thread for re-use, except in sanitizer builds
// (which must see every block come and go).
#if defined(__SANITIZE_ADDRESS__)
#define PV_BSTR_CACHE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PV_BSTR_CACHE 0
#endif
#endif
#ifndef PV_BSTR_CACHE
#define PV_BSTR_CACHE 1
#endif

BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);        // text may be null: zeroed units
BSTR SysAllocStringByteLen(const char* bytes, UINT byteLength);  // bytes may be null: zeroed
INT SysReAllocString(BSTR* bstr, const OLECHAR* text);
INT SysReAllocStringLen(BSTR* bstr, const OLECHAR* text, UINT length);
void SysFreeString(BSTR bstr);
// Read on every string a caller looks at: inline.
inline UINT SysStringByteLen(BSTR bstr) {
  if (!bstr) return 0;
  std::uint32_t len;
  std::memcpy(&len, reinterpret_cast<char*>(bstr) - 4, 4);
  return len;
}
inline UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }  // in UTF-16 units

namespace pv {
// Length of a zero-terminated UTF-16 string.
inline size_t Utf16Length(const char16_t* s) {
  size_t n = 0;
  if (s)
    while (s[n]) ++n;
  return n;
}
}  // namespace pv
