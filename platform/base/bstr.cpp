#include "platform/base/bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// The prefix is kept 8 bytes wide so the characters are well aligned; the
// byte length occupies the last 4 bytes, right before the characters.
constexpr size_t kPrefix = 8;

BSTR AllocBytes(const void* data, size_t byteLength) {
  if (byteLength > std::numeric_limits<std::uint32_t>::max() - 16) return nullptr;
  char* block = static_cast<char*>(std::malloc(kPrefix + byteLength + 2));
  if (!block) return nullptr;
  std::uint32_t len = static_cast<std::uint32_t>(byteLength);
  std::memset(block, 0, kPrefix);
  std::memcpy(block + kPrefix - 4, &len, 4);
  if (data) std::memcpy(block + kPrefix, data, byteLength);
  else std::memset(block + kPrefix, 0, byteLength);
  block[kPrefix + byteLength] = 0;
  block[kPrefix + byteLength + 1] = 0;
  return reinterpret_cast<BSTR>(block + kPrefix);
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  return AllocBytes(text, pv::Utf16Length(text) * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  return AllocBytes(text, static_cast<size_t>(length) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(const char* bytes, UINT byteLength) { return AllocBytes(bytes, byteLength); }

void SysFreeString(BSTR bstr) {
  if (bstr) std::free(reinterpret_cast<char*>(bstr) - kPrefix);
}

UINT SysStringByteLen(BSTR bstr) {
  if (!bstr) return 0;
  std::uint32_t len;
  std::memcpy(&len, reinterpret_cast<char*>(bstr) - 4, 4);
  return len;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }

INT SysReAllocString(BSTR* bstr, const OLECHAR* text) {
  if (!bstr) return FALSE;
  // The new text may live inside the old string: copy before freeing.
  BSTR fresh = SysAllocString(text);
  if (text && !fresh) return FALSE;
  SysFreeString(*bstr);
  *bstr = fresh;
  return TRUE;
}

INT SysReAllocStringLen(BSTR* bstr, const OLECHAR* text, UINT length) {
  if (!bstr) return FALSE;
  BSTR fresh = SysAllocStringLen(text, length);
  if (!fresh) return FALSE;
  SysFreeString(*bstr);
  *bstr = fresh;
  return TRUE;
}
