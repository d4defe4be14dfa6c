// printf-style formatting with the Windows wide-format semantics.
//
// In a wide (char16_t) format: %s and %ls/%ws are wide strings, %hs and %S
// narrow (UTF-8) ones; %c and %lc/%wc are wide characters, %hc and %C narrow
// ones. A narrow (char) format swaps the defaults: %s/%c are narrow, %S/%C
// wide. Integer sizes follow the Windows data model: no prefix and l are
// 32 bits, ll/I64/L are 64, I32 is 32, I/z/t/j are pointer-sized, h 16
// and hh 8. %p prints the pointer as 16 upper-case hex digits. The 0 flag
// pads strings and characters with zeros too. A null string pointer prints
// "(null)". %n is refused (its argument is skipped, nothing is written).
// An unknown conversion is copied to the output as written.
// Floating-point digits come from the C library; infinities and NaNs print
// as inf/nan, with -nan(ind) for a negative NaN; %a without a precision
// shows all 13 hex digits.
//
// The engine never hands a wide format to the C library's wide printf.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

#include "platform/base/wintypes.h"

namespace pv {

// Appends the formatted text to `out`. `args` is left untouched (the engine
// works on a copy).
void FormatAppendV(std::u16string& out, const char16_t* format, va_list args);
void FormatAppendV(std::string& out, const char* format, va_list args);
void FormatAppend(std::u16string& out, const char16_t* format, ...);
void FormatAppend(std::string& out, const char* format, ...);

}  // namespace pv

// Variadic helpers pass every argument through PvFormatArg, so string
// classes (CString, CStringA, _bstr_t ...) can be given directly: they
// provide an overload returning their character pointer.
template <class T>
constexpr const T& PvFormatArg(const T& value) noexcept {
  return value;
}
inline const char16_t* PvFormatArg(const std::u16string& s) noexcept { return s.c_str(); }
inline const char* PvFormatArg(const std::string& s) noexcept { return s.c_str(); }

// ---- C-style wrappers over char16_t ------------------------------------------------
// Count meaning "as much as fits" for the _s functions that take a count.
#ifndef _TRUNCATE
#define _TRUNCATE (static_cast<std::size_t>(-1))
#endif

// Writes at most size-1 units and a terminator. Returns the length, or -1
// (buffer emptied) when the text does not fit.
int _vstprintf_s(char16_t* buffer, std::size_t size, const char16_t* format, va_list args);
// Writes at most `count` units: terminated when shorter than count; when
// exactly count units, no terminator; when longer, count units, no
// terminator and -1.
int _vsntprintf(char16_t* buffer, std::size_t count, const char16_t* format, va_list args);
// Writes at most min(count, size-1) units and a terminator. Text that is
// longer: with count == _TRUNCATE it is cut and -1 returned; otherwise the
// buffer is emptied and -1 returned.
int _vsntprintf_s(char16_t* buffer, std::size_t size, std::size_t count, const char16_t* format, va_list args);
// Writes at most 1023 units and a terminator (the old 1024-unit limit).
int wvsprintf(char16_t* buffer, const char16_t* format, va_list args);
// The length the text would have, without the terminator.
int _vsctprintf(const char16_t* format, va_list args);

namespace pv::detail {
int StprintfS(char16_t* buffer, std::size_t size, const char16_t* format, ...);
int Sntprintf(char16_t* buffer, std::size_t count, const char16_t* format, ...);
int SntprintfS(char16_t* buffer, std::size_t size, std::size_t count, const char16_t* format, ...);
int Wsprintf(char16_t* buffer, const char16_t* format, ...);
int Sctprintf(const char16_t* format, ...);
}  // namespace pv::detail

template <class... A>
int _stprintf_s(char16_t* buffer, std::size_t size, const char16_t* format, const A&... a) {
  return pv::detail::StprintfS(buffer, size, format, PvFormatArg(a)...);
}
template <std::size_t N, class... A>
int _stprintf_s(char16_t (&buffer)[N], const char16_t* format, const A&... a) {
  return pv::detail::StprintfS(buffer, N, format, PvFormatArg(a)...);
}
template <class... A>
int swprintf_s(char16_t* buffer, std::size_t size, const char16_t* format, const A&... a) {
  return pv::detail::StprintfS(buffer, size, format, PvFormatArg(a)...);
}
template <std::size_t N, class... A>
int swprintf_s(char16_t (&buffer)[N], const char16_t* format, const A&... a) {
  return pv::detail::StprintfS(buffer, N, format, PvFormatArg(a)...);
}
template <class... A>
int _sntprintf(char16_t* buffer, std::size_t count, const char16_t* format, const A&... a) {
  return pv::detail::Sntprintf(buffer, count, format, PvFormatArg(a)...);
}
template <class... A>
int _snwprintf(char16_t* buffer, std::size_t count, const char16_t* format, const A&... a) {
  return pv::detail::Sntprintf(buffer, count, format, PvFormatArg(a)...);
}
template <class... A>
int _sntprintf_s(char16_t* buffer, std::size_t size, std::size_t count, const char16_t* format, const A&... a) {
  return pv::detail::SntprintfS(buffer, size, count, format, PvFormatArg(a)...);
}
template <std::size_t N, class... A>
int _sntprintf_s(char16_t (&buffer)[N], std::size_t count, const char16_t* format, const A&... a) {
  return pv::detail::SntprintfS(buffer, N, count, format, PvFormatArg(a)...);
}
template <class... A>
int _snwprintf_s(char16_t* buffer, std::size_t size, std::size_t count, const char16_t* format, const A&... a) {
  return pv::detail::SntprintfS(buffer, size, count, format, PvFormatArg(a)...);
}
template <class... A>
int wsprintf(char16_t* buffer, const char16_t* format, const A&... a) {
  return pv::detail::Wsprintf(buffer, format, PvFormatArg(a)...);
}
template <class... A>
int wsprintfW(char16_t* buffer, const char16_t* format, const A&... a) {
  return pv::detail::Wsprintf(buffer, format, PvFormatArg(a)...);
}
template <class... A>
int _sctprintf(const char16_t* format, const A&... a) {
  return pv::detail::Sctprintf(format, PvFormatArg(a)...);
}
inline int _vsnwprintf(char16_t* buffer, std::size_t count, const char16_t* format, va_list args) {
  return _vsntprintf(buffer, count, format, args);
}
inline int vswprintf_s(char16_t* buffer, std::size_t size, const char16_t* format, va_list args) {
  return _vstprintf_s(buffer, size, format, args);
}
inline int wvsprintfW(char16_t* buffer, const char16_t* format, va_list args) {
  return wvsprintf(buffer, format, args);
}
