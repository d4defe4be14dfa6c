// CString: a UTF-16 string with the framework's string API.
//
// The text is held as a std::u16string, so the length is explicit and zero
// units inside the text survive copying, concatenation and comparison.
// Positions and counts are int (as callers pass them); out-of-range
// arguments are clamped the way the framework clamps them rather than
// raising.
//
// Format/FormatV/AppendFormat use this layer's own wide-format engine
// (platform/base/wformat.h): %s is a wide string in a wide format, %hs a
// narrow (UTF-8) one. The variadic members accept CString/CStringA
// arguments directly (they are passed on as their character pointers).
//
// Case mapping and "no case" comparison use the full-BMP simple case
// mapping of platform/base/wstr.h. Collate/CollateNoCase order like
// Compare/CompareNoCase: the program never switches the C runtime out of
// its default "C" collation.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/base/wformat.h"
#include "platform/base/wintypes.h"

class CStringA;

class CString {
 public:
  using XCHAR = char16_t;
  using PXSTR = char16_t*;
  using PCXSTR = const char16_t*;
  using YCHAR = char;
  using PCYSTR = const char*;

  CString() noexcept = default;
  CString(const CString&) = default;
  CString(CString&&) noexcept = default;
  // A null pointer gives an empty string; a MAKEINTRESOURCE value loads
  // that string resource.
  CString(PCXSTR psz);  // NOLINT(google-explicit-constructor)
  CString(PCXSTR pch, int length);
  CString(char16_t ch, int repeat = 1);  // NOLINT
  // Narrow text is UTF-8 (the "ANSI" code page).
  CString(const char* utf8);  // NOLINT
  CString(const char* utf8, int length);
  CString(char ch, int repeat = 1);    // NOLINT
  CString(const unsigned char* utf8);  // NOLINT
  CString(const CStringA& narrow);     // NOLINT
  CString(std::nullptr_t) noexcept {}  // NOLINT
  explicit CString(std::u16string_view text) : s_(text) {}
  explicit CString(std::u16string&& text) noexcept : s_(std::move(text)) {}
  ~CString() = default;

  CString& operator=(const CString&) = default;
  CString& operator=(CString&&) noexcept = default;
  CString& operator=(PCXSTR psz);
  CString& operator=(char16_t ch);
  CString& operator=(const char* utf8);
  CString& operator=(char ch);
  CString& operator=(const unsigned char* utf8);
  CString& operator=(const CStringA& narrow);
  CString& operator=(std::nullptr_t) noexcept {
    s_.clear();
    return *this;
  }

  CString& operator+=(const CString& s) {
    s_ += s.s_;
    return *this;
  }
  CString& operator+=(PCXSTR psz);
  CString& operator+=(char16_t ch) {
    s_ += ch;
    return *this;
  }
  CString& operator+=(const char* utf8);
  CString& operator+=(char ch);
  CString& operator+=(const CStringA& narrow);

  // ---- size and access --------------------------------------------------------
  int GetLength() const noexcept { return static_cast<int>(s_.size()); }
  bool IsEmpty() const noexcept { return s_.empty(); }
  void Empty() noexcept { s_.clear(); }
  char16_t GetAt(int index) const;     // 0 outside [0, length] (length reads the terminator)
  void SetAt(int index, char16_t ch);  // ignored outside [0, length)
  template <class I, std::enable_if_t<std::is_integral_v<I>, int> = 0>
  char16_t operator[](I index) const {
    return GetAt(static_cast<int>(index));
  }
  operator PCXSTR() const noexcept { return s_.c_str(); }  // NOLINT
  PCXSTR GetString() const noexcept { return s_.c_str(); }
  int GetAllocLength() const noexcept { return static_cast<int>(s_.capacity()); }

  // The underlying text (for modern callers).
  const std::u16string& Str() const noexcept { return s_; }
  std::u16string& Str() noexcept { return s_; }
  std::u16string_view View() const noexcept { return s_; }

  void SetString(PCXSTR psz);
  void SetString(PCXSTR pch, int length);
  void Append(const CString& s) { s_ += s.s_; }
  void Append(PCXSTR psz);
  void Append(PCXSTR pch, int length);
  void AppendChar(char16_t ch) { s_ += ch; }
  void Truncate(int length);

  // ---- buffer access ------------------------------------------------------------
  // GetBuffer(n) returns a buffer of at least n+1 units (the current text
  // followed by zeros); ReleaseBuffer(-1) takes the length up to the first
  // zero unit, ReleaseBuffer(n) exactly n units.
  PXSTR GetBuffer();
  PXSTR GetBuffer(int minLength);
  PXSTR GetBufferSetLength(int length);
  void ReleaseBuffer(int newLength = -1);
  void ReleaseBufferSetLength(int newLength);
  PXSTR LockBuffer() { return GetBuffer(); }
  void UnlockBuffer() noexcept {}
  void Preallocate(int length);
  void FreeExtra();

  // ---- comparison ----------------------------------------------------------------
  // Results are -1, 0 or 1.
  int Compare(PCXSTR psz) const;
  int Compare(const CString& s) const noexcept;
  int CompareNoCase(PCXSTR psz) const;
  int CompareNoCase(const CString& s) const noexcept;
  int Collate(PCXSTR psz) const { return Compare(psz); }
  int CollateNoCase(PCXSTR psz) const { return CompareNoCase(psz); }

  // ---- searching --------------------------------------------------------------------
  // -1 when absent or when start is out of range.
  int Find(char16_t ch, int start = 0) const noexcept;
  int Find(PCXSTR sub, int start = 0) const;
  int ReverseFind(char16_t ch) const noexcept;
  int FindOneOf(PCXSTR charSet) const;

  // ---- extraction --------------------------------------------------------------------
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Left(int count) const;
  CString Right(int count) const;
  CString SpanIncluding(PCXSTR charSet) const;
  CString SpanExcluding(PCXSTR charSet) const;
  // Next token after skipping leading delimiters; start moves past the
  // token's delimiter. At the end returns an empty string and sets start
  // to -1.
  CString Tokenize(PCXSTR tokens, int& start) const;

  // ---- modification (counts returned as the framework returns them) -------------------
  int Replace(char16_t oldCh, char16_t newCh);
  int Replace(PCXSTR oldText, PCXSTR newText);
  int Remove(char16_t ch);
  int Insert(int index, char16_t ch);
  int Insert(int index, PCXSTR psz);
  int Delete(int index, int count = 1);
  CString& Trim();
  CString& Trim(char16_t ch);
  CString& Trim(PCXSTR charSet);
  CString& TrimLeft();
  CString& TrimLeft(char16_t ch);
  CString& TrimLeft(PCXSTR charSet);
  CString& TrimRight();
  CString& TrimRight(char16_t ch);
  CString& TrimRight(PCXSTR charSet);
  CString& MakeUpper();
  CString& MakeLower();
  CString& MakeReverse();

  // ---- resources and formatting ---------------------------------------------------------
  // Loads string resource `id` through the installed loader; FALSE (and the
  // string unchanged) when there is none.
  BOOL LoadString(UINT id);
  BOOL LoadStringW(UINT id) { return LoadString(id); }

  template <class... Args>
  void Format(PCXSTR format, const Args&... args) {
    FormatImpl(format, PvFormatArg(args)...);
  }
  template <class... Args>
  void Format(UINT formatId, const Args&... args) {
    CString fmt;
    fmt.LoadString(formatId);
    FormatImpl(fmt.GetString(), PvFormatArg(args)...);
  }
  template <class... Args>
  void AppendFormat(PCXSTR format, const Args&... args) {
    AppendFormatImpl(format, PvFormatArg(args)...);
  }
  void FormatV(PCXSTR format, va_list args);
  void AppendFormatV(PCXSTR format, va_list args);

  // A BSTR copy of the text (freed with SysFreeString).
  BSTR AllocSysString() const;

  static int StringLength(PCXSTR psz) noexcept;

 private:
  void FormatImpl(PCXSTR format, ...);
  void AppendFormatImpl(PCXSTR format, ...);

  std::u16string s_;
};

using CStringW = CString;

// Installs the function CString::LoadString asks for string resources
// (the resource layer sets it). It returns false when `id` is unknown.
using PvStringResourceLoader = bool (*)(UINT id, std::u16string& out);
void PvSetStringResourceLoader(PvStringResourceLoader loader);

// ---- concatenation ---------------------------------------------------------------------
CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char16_t* b);
CString operator+(const char16_t* a, const CString& b);
CString operator+(const CString& a, char16_t b);
CString operator+(char16_t a, const CString& b);
CString operator+(const CString& a, const char* b);  // b is UTF-8
CString operator+(const char* a, const CString& b);  // a is UTF-8
CString operator+(CString&& a, const CString& b);
CString operator+(CString&& a, const char16_t* b);
CString operator+(CString&& a, const char* b);  // b is UTF-8
CString operator+(CString&& a, char16_t b);

// ---- comparison (exact, unit by unit) ----------------------------------------------------
bool operator==(const CString& a, const CString& b) noexcept;
bool operator==(const CString& a, const char16_t* b);
bool operator==(const char16_t* a, const CString& b);
bool operator==(const CString& a, char16_t b) noexcept;
bool operator!=(const CString& a, const CString& b) noexcept;
bool operator!=(const CString& a, const char16_t* b);
bool operator!=(const char16_t* a, const CString& b);
bool operator!=(const CString& a, char16_t b) noexcept;
// Narrow operands are UTF-8.
bool operator==(const CString& a, const char* b);
bool operator==(const char* a, const CString& b);
bool operator!=(const CString& a, const char* b);
bool operator!=(const char* a, const CString& b);
bool operator<(const CString& a, const CString& b) noexcept;
bool operator<(const CString& a, const char16_t* b);
bool operator<(const char16_t* a, const CString& b);
bool operator>(const CString& a, const CString& b) noexcept;
bool operator>(const CString& a, const char16_t* b);
bool operator>(const char16_t* a, const CString& b);
bool operator<=(const CString& a, const CString& b) noexcept;
bool operator<=(const CString& a, const char16_t* b);
bool operator<=(const char16_t* a, const CString& b);
bool operator>=(const CString& a, const CString& b) noexcept;
bool operator>=(const CString& a, const char16_t* b);
bool operator>=(const char16_t* a, const CString& b);

// Writes the text as UTF-8 (test output, logs).
std::ostream& operator<<(std::ostream& os, const CString& s);

// Format arguments: a CString passes as its character pointer.
inline const char16_t* PvFormatArg(const CString& s) noexcept { return s.GetString(); }

// ---- CStringA: narrow (UTF-8 byte) string, the small subset callers use ----------------------
class CStringA {
 public:
  CStringA() noexcept = default;
  CStringA(const CStringA&) = default;
  CStringA(CStringA&&) noexcept = default;
  CStringA(const char* psz);  // NOLINT
  CStringA(const char* pch, int length);
  CStringA(char ch, int repeat = 1);    // NOLINT
  CStringA(const char16_t* wide);       // NOLINT  (converted to UTF-8)
  CStringA(const CString& wide);        // NOLINT  (converted to UTF-8)
  CStringA(std::nullptr_t) noexcept {}  // NOLINT
  explicit CStringA(std::string_view text) : s_(text) {}
  CStringA& operator=(const CStringA&) = default;
  CStringA& operator=(CStringA&&) noexcept = default;
  CStringA& operator=(const char* psz);
  CStringA& operator=(const CString& wide);
  CStringA& operator+=(const CStringA& s) {
    s_ += s.s_;
    return *this;
  }
  CStringA& operator+=(const char* psz);
  CStringA& operator+=(char ch) {
    s_ += ch;
    return *this;
  }

  int GetLength() const noexcept { return static_cast<int>(s_.size()); }
  bool IsEmpty() const noexcept { return s_.empty(); }
  void Empty() noexcept { s_.clear(); }
  char GetAt(int index) const;
  void SetAt(int index, char ch);
  template <class I, std::enable_if_t<std::is_integral_v<I>, int> = 0>
  char operator[](I index) const {
    return GetAt(static_cast<int>(index));
  }
  operator const char*() const noexcept { return s_.c_str(); }  // NOLINT
  const char* GetString() const noexcept { return s_.c_str(); }
  const std::string& Str() const noexcept { return s_; }

  char* GetBuffer();
  char* GetBuffer(int minLength);
  char* GetBufferSetLength(int length);
  void ReleaseBuffer(int newLength = -1);

  int Compare(const char* psz) const;
  int CompareNoCase(const char* psz) const;  // ASCII letters only
  int Find(char ch, int start = 0) const noexcept;
  int Find(const char* sub, int start = 0) const;
  int ReverseFind(char ch) const noexcept;
  CStringA Mid(int first) const;
  CStringA Mid(int first, int count) const;
  CStringA Left(int count) const;
  CStringA Right(int count) const;
  int Replace(const char* oldText, const char* newText);
  CStringA& Trim();
  CStringA& MakeUpper();  // ASCII letters only
  CStringA& MakeLower();  // ASCII letters only

  // Narrow format: %s is a narrow string here, %ls/%S a wide one.
  template <class... Args>
  void Format(const char* format, const Args&... args) {
    FormatImpl(format, PvFormatArg(args)...);
  }
  void FormatV(const char* format, va_list args);

 private:
  void FormatImpl(const char* format, ...);
  std::string s_;
};

CStringA operator+(const CStringA& a, const CStringA& b);
CStringA operator+(const CStringA& a, const char* b);
CStringA operator+(const char* a, const CStringA& b);
CStringA operator+(const CStringA& a, char b);
bool operator==(const CStringA& a, const CStringA& b) noexcept;
bool operator==(const CStringA& a, const char* b);
bool operator==(const char* a, const CStringA& b);
bool operator!=(const CStringA& a, const CStringA& b) noexcept;
bool operator!=(const CStringA& a, const char* b);
bool operator!=(const char* a, const CStringA& b);
bool operator<(const CStringA& a, const CStringA& b) noexcept;
std::ostream& operator<<(std::ostream& os, const CStringA& s);

inline const char* PvFormatArg(const CStringA& s) noexcept { return s.GetString(); }

template <>
struct std::hash<CString> {
  std::size_t operator()(const CString& s) const noexcept { return std::hash<std::u16string>()(s.Str()); }
};
template <>
struct std::hash<CStringA> {
  std::size_t operator()(const CStringA& s) const noexcept { return std::hash<std::string>()(s.Str()); }
};
