// Wide (char16_t) C-string helpers and character classification.
//
// Case mapping is the simple (one unit to one unit) Unicode case mapping
// over the BMP, taken from the C library's C.UTF-8 locale; surrogate units
// map to themselves. Case-insensitive comparison compares the lower-case
// forms unit by unit. Space is: U+0009-U+000D, U+0020, U+0085, U+00A0,
// U+1680, U+2000-U+200A, U+2028, U+2029, U+202F, U+205F and U+3000.
#pragma once

#include <cstddef>

#include "platform/base/wintypes.h"

namespace pv {
char16_t ToUpper(char16_t ch) noexcept;
char16_t ToLower(char16_t ch) noexcept;
bool IsSpace(char16_t ch) noexcept;
bool IsAlpha(char16_t ch) noexcept;
bool IsDigit(char16_t ch) noexcept;  // ASCII digits only
bool IsAlnum(char16_t ch) noexcept;
bool IsUpper(char16_t ch) noexcept;
bool IsLower(char16_t ch) noexcept;
bool IsPunct(char16_t ch) noexcept;
bool IsXDigit(char16_t ch) noexcept;
// Lower-case comparison over explicit lengths; -1, 0 or 1.
int CompareNoCase(const char16_t* a, std::size_t na, const char16_t* b, std::size_t nb) noexcept;
}  // namespace pv
