// Comparing text the way a locale sorts it, for CompareString and VarCmp.
//
// A locale the C library has installed sorts with its collation (wcscoll_l:
// accents after letters, lower case before upper, pinyin order for zh-CN).
// The flags are applied first: NORM_IGNORECASE folds case,
// NORM_IGNORENONSPACE drops combining marks and the accents of Latin
// letters (ß reads as "ss"), NORM_IGNORESYMBOLS drops what is neither a
// letter nor a digit. A locale served from our own tables compares letters
// without regard to accent and case first, then accents, then case (lower
// first); digits before letters and punctuation before both.
#pragma once

#include <string_view>

#include "platform/base/wintypes.h"

namespace pv {

// CompareString's flags (their values only; the names live in the locale header).
constexpr DWORD kNormIgnoreCaseFlag = 0x00000001;
constexpr DWORD kNormIgnoreNonSpace = 0x00000002;
constexpr DWORD kNormIgnoreSymbols = 0x00000004;
constexpr DWORD kLinguisticIgnoreCase = 0x00000010;

// -1, 0 or 1 in *result; false when the locale cannot be served.
bool CompareLocaleStrings(LCID lcid, DWORD flags, std::u16string_view a, std::u16string_view b, int* result);

}  // namespace pv
