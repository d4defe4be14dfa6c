// What the VARIANT sources (variant.cpp, variantdate.cpp) share: the locale a
// conversion follows and the small text helpers of number and date text.
// Private to platform/base.
#pragma once

#include <string>

#include "platform/base/bstr.h"
#include "platform/base/localedata.h"

namespace pv::detail {

// The locale a conversion follows; one we cannot serve reads as en-US.
const LocaleData& LocaleOf(LCID lcid);
// A new BSTR holding `s` (null when out of memory).
BSTR MakeBstr(const std::u16string& s);
// Blanks around numbers and dates: space, tab, CR, LF, no-break space.
bool IsBlank(char16_t c);
// Upper case for ASCII and Latin-1 letters, enough for names and keywords.
char16_t Fold(char16_t c);
// `a` equals the ASCII text `b` without regard to case.
bool EqualsNoCase(const std::u16string& a, const char* b);

}  // namespace pv::detail
