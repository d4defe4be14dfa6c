// UTF-8 <-> UTF-16 conversion.
//
// Invalid UTF-8 becomes U+FFFD, one replacement per maximal ill-formed
// subsequence (the Unicode recommended practice): overlong forms, encoded
// surrogates, values above U+10FFFF and truncated sequences are all
// invalid. Unpaired surrogates in UTF-16 become U+FFFD (EF BF BD).
#pragma once

#include <string>
#include <string_view>

class CString;

namespace pv {

// Appends the UTF-16 form of `utf8` to `out`. Returns false when the input
// held an invalid sequence (it was replaced by U+FFFD).
bool AppendUtf8ToUtf16(std::u16string& out, std::string_view utf8);
// Appends the UTF-8 form of `utf16` to `out`. Returns false when the input
// held an unpaired surrogate (it was replaced by U+FFFD).
bool AppendUtf16ToUtf8(std::string& out, std::u16string_view utf16);

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace pv

std::string ToUtf8(const CString& s);
std::string ToUtf8(std::u16string_view s);
CString FromUtf8(std::string_view s);
