#include "platform/base/cstring.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ostream>

#include "platform/base/bstr.h"
#include "platform/base/utf.h"
#include "platform/base/wstr.h"

namespace {

std::atomic<PvStringResourceLoader> g_stringLoader{nullptr};

std::size_t Len16(const char16_t* p) noexcept {
  if (p == nullptr) return 0;
  const char16_t* q = p;
  while (*q) ++q;
  return static_cast<std::size_t>(q - p);
}

std::u16string_view View16(const char16_t* p) noexcept { return std::u16string_view(p ? p : u"", Len16(p)); }

int Sign(int v) noexcept { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int CompareViews(std::u16string_view a, std::u16string_view b) noexcept { return Sign(a.compare(b)); }

bool InSet(char16_t ch, std::u16string_view set) noexcept { return set.find(ch) != std::u16string_view::npos; }

}  // namespace

void PvSetStringResourceLoader(PvStringResourceLoader loader) { g_stringLoader.store(loader); }

// ---- construction ----------------------------------------------------------------------

CString::CString(PCXSTR psz) {
  if (psz != nullptr && IS_INTRESOURCE(psz)) {
    LoadString(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(psz)));
    return;
  }
  if (psz != nullptr) s_.assign(psz, Len16(psz));
}

CString::CString(PCXSTR pch, int length) {
  if (pch != nullptr && length > 0) s_.assign(pch, static_cast<std::size_t>(length));
}

CString::CString(char16_t ch, int repeat) {
  if (repeat > 0) s_.assign(static_cast<std::size_t>(repeat), ch);
}

CString::CString(const char* utf8) {
  if (utf8 != nullptr) pv::AppendUtf8ToUtf16(s_, utf8);
}

CString::CString(const char* utf8, int length) {
  if (utf8 != nullptr && length > 0)
    pv::AppendUtf8ToUtf16(s_, std::string_view(utf8, static_cast<std::size_t>(length)));
}

CString::CString(char ch, int repeat) {
  if (repeat > 0) {
    std::string one(1, ch);
    std::u16string w = pv::Utf8ToUtf16(one);
    for (int i = 0; i < repeat; ++i) s_ += w;
  }
}

CString::CString(const unsigned char* utf8) : CString(reinterpret_cast<const char*>(utf8)) {}

CString::CString(const CStringA& narrow) { pv::AppendUtf8ToUtf16(s_, narrow.Str()); }

CString& CString::operator=(PCXSTR psz) {
  SetString(psz);
  return *this;
}

CString& CString::operator=(char16_t ch) {
  s_.assign(1, ch);
  return *this;
}

CString& CString::operator=(const char* utf8) {
  s_.clear();
  if (utf8 != nullptr) pv::AppendUtf8ToUtf16(s_, utf8);
  return *this;
}

CString& CString::operator=(char ch) { return *this = CString(ch); }

CString& CString::operator=(const unsigned char* utf8) { return *this = reinterpret_cast<const char*>(utf8); }

CString& CString::operator=(const CStringA& narrow) {
  s_.clear();
  pv::AppendUtf8ToUtf16(s_, narrow.Str());
  return *this;
}

CString& CString::operator+=(PCXSTR psz) {
  Append(psz);
  return *this;
}

CString& CString::operator+=(const char* utf8) {
  if (utf8 != nullptr) pv::AppendUtf8ToUtf16(s_, utf8);
  return *this;
}

CString& CString::operator+=(char ch) { return *this += CString(ch); }

CString& CString::operator+=(const CStringA& narrow) {
  pv::AppendUtf8ToUtf16(s_, narrow.Str());
  return *this;
}

// ---- access -------------------------------------------------------------------------------

char16_t CString::GetAt(int index) const {
  // Reading the terminator is allowed, as with the C string it exposes.
  if (index < 0 || static_cast<std::size_t>(index) > s_.size()) return 0;
  return s_.c_str()[index];
}

void CString::SetAt(int index, char16_t ch) {
  if (index < 0 || static_cast<std::size_t>(index) >= s_.size()) return;
  s_[static_cast<std::size_t>(index)] = ch;
}

void CString::SetString(PCXSTR psz) {
  if (psz == nullptr) {
    s_.clear();
    return;
  }
  // psz may point into this string.
  std::u16string copy(psz, Len16(psz));
  s_.swap(copy);
}

void CString::SetString(PCXSTR pch, int length) {
  if (pch == nullptr || length <= 0) {
    s_.clear();
    return;
  }
  std::u16string copy(pch, static_cast<std::size_t>(length));
  s_.swap(copy);
}

void CString::Append(PCXSTR psz) {
  if (psz == nullptr) return;
  std::u16string copy(psz, Len16(psz));
  s_ += copy;
}

void CString::Append(PCXSTR pch, int length) {
  if (pch == nullptr || length <= 0) return;
  std::u16string copy(pch, static_cast<std::size_t>(length));
  s_ += copy;
}

void CString::Truncate(int length) {
  if (length >= 0 && static_cast<std::size_t>(length) < s_.size()) s_.resize(static_cast<std::size_t>(length));
}

// ---- buffers ---------------------------------------------------------------------------------

CString::PXSTR CString::GetBuffer() { return s_.data(); }

CString::PXSTR CString::GetBuffer(int minLength) {
  if (minLength > 0 && static_cast<std::size_t>(minLength) > s_.size()) s_.resize(static_cast<std::size_t>(minLength));
  return s_.data();
}

CString::PXSTR CString::GetBufferSetLength(int length) {
  s_.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return s_.data();
}

void CString::ReleaseBuffer(int newLength) {
  if (newLength < 0) {
    s_.resize(std::char_traits<char16_t>::length(s_.c_str()));
  } else if (static_cast<std::size_t>(newLength) <= s_.size()) {
    s_.resize(static_cast<std::size_t>(newLength));
  } else {
    // Longer than the buffer handed out: keep what is there.
    s_.resize(static_cast<std::size_t>(newLength));
  }
}

void CString::ReleaseBufferSetLength(int newLength) { ReleaseBuffer(newLength < 0 ? 0 : newLength); }

void CString::Preallocate(int length) {
  if (length > 0) s_.reserve(static_cast<std::size_t>(length));
}

void CString::FreeExtra() { s_.shrink_to_fit(); }

int CString::StringLength(PCXSTR psz) noexcept { return static_cast<int>(Len16(psz)); }

// ---- comparison ---------------------------------------------------------------------------------

int CString::Compare(PCXSTR psz) const { return CompareViews(s_, View16(psz)); }
int CString::Compare(const CString& s) const noexcept { return CompareViews(s_, s.s_); }

int CString::CompareNoCase(PCXSTR psz) const {
  auto v = View16(psz);
  return pv::CompareNoCase(s_.data(), s_.size(), v.data(), v.size());
}

int CString::CompareNoCase(const CString& s) const noexcept {
  return pv::CompareNoCase(s_.data(), s_.size(), s.s_.data(), s.s_.size());
}

// ---- searching --------------------------------------------------------------------------------------

int CString::Find(char16_t ch, int start) const noexcept {
  if (start < 0 || static_cast<std::size_t>(start) >= s_.size()) return -1;
  auto pos = s_.find(ch, static_cast<std::size_t>(start));
  return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(PCXSTR sub, int start) const {
  if (start < 0 || static_cast<std::size_t>(start) > s_.size()) return -1;
  auto pos = s_.find(View16(sub), static_cast<std::size_t>(start));
  return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char16_t ch) const noexcept {
  auto pos = s_.rfind(ch);
  return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(PCXSTR charSet) const {
  auto set = View16(charSet);
  if (set.empty()) return -1;
  auto pos = std::u16string_view(s_).find_first_of(set);
  return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

// ---- extraction --------------------------------------------------------------------------------------

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (count < 0) count = 0;
  int len = GetLength();
  if (first > len) return CString();
  if (count > len - first) count = len - first;
  if (first == 0 && count == len) return *this;
  return CString(std::u16string_view(s_).substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count)));
}

CString CString::Left(int count) const {
  if (count < 0) count = 0;
  if (count >= GetLength()) return *this;
  return CString(std::u16string_view(s_).substr(0, static_cast<std::size_t>(count)));
}

CString CString::Right(int count) const {
  if (count < 0) count = 0;
  int len = GetLength();
  if (count >= len) return *this;
  return CString(std::u16string_view(s_).substr(static_cast<std::size_t>(len - count)));
}

CString CString::SpanIncluding(PCXSTR charSet) const {
  auto set = View16(charSet);
  std::size_t n = 0;
  while (n < s_.size() && InSet(s_[n], set)) ++n;
  return Left(static_cast<int>(n));
}

CString CString::SpanExcluding(PCXSTR charSet) const {
  auto set = View16(charSet);
  std::size_t n = 0;
  while (n < s_.size() && !InSet(s_[n], set)) ++n;
  return Left(static_cast<int>(n));
}

CString CString::Tokenize(PCXSTR tokens, int& start) const {
  int len = GetLength();
  if (start < 0 || start >= len) {
    start = -1;
    return CString();
  }
  auto set = View16(tokens);
  if (set.empty()) {
    // No delimiters: the rest is one token. Move past the end so that a
    // loop calling again terminates.
    CString rest = Mid(start);
    start = len + 1;
    return rest;
  }
  std::size_t i = static_cast<std::size_t>(start);
  while (i < s_.size() && InSet(s_[i], set)) ++i;
  if (i >= s_.size()) {
    start = -1;
    return CString();
  }
  std::size_t j = i;
  while (j < s_.size() && !InSet(s_[j], set)) ++j;
  start = static_cast<int>(j) + 1;
  return CString(std::u16string_view(s_).substr(i, j - i));
}

// ---- modification --------------------------------------------------------------------------------------

int CString::Replace(char16_t oldCh, char16_t newCh) {
  int n = 0;
  if (oldCh == newCh) return static_cast<int>(std::count(s_.begin(), s_.end(), oldCh));
  for (auto& c : s_) {
    if (c == oldCh) {
      c = newCh;
      ++n;
    }
  }
  return n;
}

int CString::Replace(PCXSTR oldText, PCXSTR newText) {
  std::u16string from(View16(oldText));
  std::u16string to(View16(newText));
  if (from.empty()) return 0;
  int n = 0;
  std::u16string out;
  std::size_t pos = 0;
  for (;;) {
    std::size_t hit = s_.find(from, pos);
    if (hit == std::u16string::npos) break;
    if (n == 0) out.reserve(s_.size());
    out.append(s_, pos, hit - pos);
    out += to;
    pos = hit + from.size();
    ++n;
  }
  if (n == 0) return 0;
  out.append(s_, pos, std::u16string::npos);
  s_.swap(out);
  return n;
}

int CString::Remove(char16_t ch) {
  auto it = std::remove(s_.begin(), s_.end(), ch);
  int n = static_cast<int>(s_.end() - it);
  s_.erase(it, s_.end());
  return n;
}

int CString::Insert(int index, char16_t ch) {
  if (index < 0) index = 0;
  if (index > GetLength()) index = GetLength();
  s_.insert(s_.begin() + index, ch);
  return GetLength();
}

int CString::Insert(int index, PCXSTR psz) {
  if (index < 0) index = 0;
  if (index > GetLength()) index = GetLength();
  std::u16string copy(View16(psz));
  s_.insert(static_cast<std::size_t>(index), copy);
  return GetLength();
}

int CString::Delete(int index, int count) {
  if (index < 0) index = 0;
  int len = GetLength();
  if (count > 0 && index < len) {
    if (count > len - index) count = len - index;
    s_.erase(static_cast<std::size_t>(index), static_cast<std::size_t>(count));
  }
  return GetLength();
}

namespace {
template <class Pred>
void TrimLeftIf(std::u16string& s, Pred p) {
  std::size_t i = 0;
  while (i < s.size() && p(s[i])) ++i;
  s.erase(0, i);
}
template <class Pred>
void TrimRightIf(std::u16string& s, Pred p) {
  std::size_t n = s.size();
  while (n > 0 && p(s[n - 1])) --n;
  s.resize(n);
}
}  // namespace

CString& CString::TrimLeft() {
  TrimLeftIf(s_, pv::IsSpace);
  return *this;
}
CString& CString::TrimLeft(char16_t ch) {
  TrimLeftIf(s_, [ch](char16_t c) { return c == ch; });
  return *this;
}
CString& CString::TrimLeft(PCXSTR charSet) {
  std::u16string set(View16(charSet));
  TrimLeftIf(s_, [&set](char16_t c) { return InSet(c, set); });
  return *this;
}
CString& CString::TrimRight() {
  TrimRightIf(s_, pv::IsSpace);
  return *this;
}
CString& CString::TrimRight(char16_t ch) {
  TrimRightIf(s_, [ch](char16_t c) { return c == ch; });
  return *this;
}
CString& CString::TrimRight(PCXSTR charSet) {
  std::u16string set(View16(charSet));
  TrimRightIf(s_, [&set](char16_t c) { return InSet(c, set); });
  return *this;
}
CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(char16_t ch) { return TrimRight(ch).TrimLeft(ch); }
CString& CString::Trim(PCXSTR charSet) {
  std::u16string set(View16(charSet));
  TrimRight(set.c_str());
  return TrimLeft(set.c_str());
}

CString& CString::MakeUpper() {
  for (auto& c : s_) c = pv::ToUpper(c);
  return *this;
}

CString& CString::MakeLower() {
  for (auto& c : s_) c = pv::ToLower(c);
  return *this;
}

CString& CString::MakeReverse() {
  std::reverse(s_.begin(), s_.end());
  return *this;
}

// ---- resources and formatting ------------------------------------------------------------------------------

BOOL CString::LoadString(UINT id) {
  PvStringResourceLoader loader = g_stringLoader.load();
  if (loader == nullptr) return FALSE;
  std::u16string text;
  if (!loader(id, text)) return FALSE;
  s_.swap(text);
  return TRUE;
}

void CString::FormatV(PCXSTR format, va_list args) {
  std::u16string out;
  out.reserve(128);  // one allocation for most results
  pv::FormatAppendV(out, format, args);
  s_.swap(out);
}

void CString::AppendFormatV(PCXSTR format, va_list args) {
  // Format first: an argument may point into this string.
  std::u16string out;
  pv::FormatAppendV(out, format, args);
  s_ += out;
}

void CString::FormatImpl(PCXSTR format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CString::AppendFormatImpl(PCXSTR format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatV(format, args);
  va_end(args);
}

BSTR CString::AllocSysString() const { return SysAllocStringLen(s_.data(), static_cast<UINT>(s_.size())); }

// ---- free operators ----------------------------------------------------------------------------------------------

CString operator+(const CString& a, const CString& b) {
  std::u16string r;
  r.reserve(a.View().size() + b.View().size());
  r += a.View();
  r += b.View();
  return CString(std::move(r));
}
CString operator+(const CString& a, const char16_t* b) {
  auto bv = View16(b);
  std::u16string r;
  r.reserve(a.View().size() + bv.size());
  r += a.View();
  r += bv;
  return CString(std::move(r));
}
CString operator+(const char16_t* a, const CString& b) {
  auto av = View16(a);
  std::u16string r;
  r.reserve(av.size() + b.View().size());
  r += av;
  r += b.View();
  return CString(std::move(r));
}
CString operator+(const CString& a, char16_t b) {
  CString r(a);
  r += b;
  return r;
}
CString operator+(char16_t a, const CString& b) {
  std::u16string r(1, a);
  r += b.View();
  return CString(std::move(r));
}
CString operator+(const CString& a, const char* b) { return a + CString(b); }
CString operator+(const char* a, const CString& b) { return CString(a) + b; }
CString operator+(CString&& a, const CString& b) {
  a += b;
  return std::move(a);
}
CString operator+(CString&& a, const char16_t* b) {
  a.Append(b);
  return std::move(a);
}
CString operator+(CString&& a, const char* b) {
  a += b;
  return std::move(a);
}
CString operator+(CString&& a, char16_t b) {
  a += b;
  return std::move(a);
}

bool operator==(const CString& a, const CString& b) noexcept { return a.View() == b.View(); }
bool operator==(const CString& a, const char16_t* b) { return a.View() == View16(b); }
bool operator==(const char16_t* a, const CString& b) { return View16(a) == b.View(); }
bool operator==(const CString& a, char16_t b) noexcept { return a.GetLength() == 1 && a.View()[0] == b; }
bool operator!=(const CString& a, const CString& b) noexcept { return !(a == b); }
bool operator!=(const CString& a, const char16_t* b) { return !(a == b); }
bool operator!=(const char16_t* a, const CString& b) { return !(a == b); }
bool operator!=(const CString& a, char16_t b) noexcept { return !(a == b); }
bool operator==(const CString& a, const char* b) { return a == CString(b); }
bool operator==(const char* a, const CString& b) { return CString(a) == b; }
bool operator!=(const CString& a, const char* b) { return !(a == b); }
bool operator!=(const char* a, const CString& b) { return !(a == b); }
bool operator<(const CString& a, const CString& b) noexcept { return a.View() < b.View(); }
bool operator<(const CString& a, const char16_t* b) { return a.View() < View16(b); }
bool operator<(const char16_t* a, const CString& b) { return View16(a) < b.View(); }
bool operator>(const CString& a, const CString& b) noexcept { return a.View() > b.View(); }
bool operator>(const CString& a, const char16_t* b) { return a.View() > View16(b); }
bool operator>(const char16_t* a, const CString& b) { return View16(a) > b.View(); }
bool operator<=(const CString& a, const CString& b) noexcept { return a.View() <= b.View(); }
bool operator<=(const CString& a, const char16_t* b) { return a.View() <= View16(b); }
bool operator<=(const char16_t* a, const CString& b) { return View16(a) <= b.View(); }
bool operator>=(const CString& a, const CString& b) noexcept { return a.View() >= b.View(); }
bool operator>=(const CString& a, const char16_t* b) { return a.View() >= View16(b); }
bool operator>=(const char16_t* a, const CString& b) { return View16(a) >= b.View(); }

std::ostream& operator<<(std::ostream& os, const CString& s) { return os << pv::Utf16ToUtf8(s.View()); }

// ---- CStringA ----------------------------------------------------------------------------------------------------

namespace {
std::string_view View8(const char* p) noexcept { return p ? std::string_view(p) : std::string_view(); }
char AsciiUpper(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
}  // namespace

CStringA::CStringA(const char* psz) : s_(View8(psz)) {}
CStringA::CStringA(const char* pch, int length) {
  if (pch != nullptr && length > 0) s_.assign(pch, static_cast<std::size_t>(length));
}
CStringA::CStringA(char ch, int repeat) {
  if (repeat > 0) s_.assign(static_cast<std::size_t>(repeat), ch);
}
CStringA::CStringA(const char16_t* wide) { pv::AppendUtf16ToUtf8(s_, View16(wide)); }
CStringA::CStringA(const CString& wide) { pv::AppendUtf16ToUtf8(s_, wide.View()); }
CStringA& CStringA::operator=(const char* psz) {
  std::string copy(View8(psz));
  s_.swap(copy);
  return *this;
}
CStringA& CStringA::operator=(const CString& wide) {
  s_.clear();
  pv::AppendUtf16ToUtf8(s_, wide.View());
  return *this;
}
CStringA& CStringA::operator+=(const char* psz) {
  std::string copy(View8(psz));
  s_ += copy;
  return *this;
}
char CStringA::GetAt(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) > s_.size()) return 0;
  return s_.c_str()[index];
}
void CStringA::SetAt(int index, char ch) {
  if (index >= 0 && static_cast<std::size_t>(index) < s_.size()) s_[static_cast<std::size_t>(index)] = ch;
}
char* CStringA::GetBuffer() { return s_.data(); }
char* CStringA::GetBuffer(int minLength) {
  if (minLength > 0 && static_cast<std::size_t>(minLength) > s_.size()) s_.resize(static_cast<std::size_t>(minLength));
  return s_.data();
}
char* CStringA::GetBufferSetLength(int length) {
  s_.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return s_.data();
}
void CStringA::ReleaseBuffer(int newLength) {
  if (newLength < 0) s_.resize(std::strlen(s_.c_str()));
  else s_.resize(static_cast<std::size_t>(newLength));
}
int CStringA::Compare(const char* psz) const { return Sign(std::string_view(s_).compare(View8(psz))); }
int CStringA::CompareNoCase(const char* psz) const {
  std::string_view a(s_), b = View8(psz);
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(AsciiLower(a[i]));
    unsigned char y = static_cast<unsigned char>(AsciiLower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
int CStringA::Find(char ch, int start) const noexcept {
  if (start < 0 || static_cast<std::size_t>(start) >= s_.size()) return -1;
  auto pos = s_.find(ch, static_cast<std::size_t>(start));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}
int CStringA::Find(const char* sub, int start) const {
  if (start < 0 || static_cast<std::size_t>(start) > s_.size()) return -1;
  auto pos = s_.find(View8(sub), static_cast<std::size_t>(start));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}
int CStringA::ReverseFind(char ch) const noexcept {
  auto pos = s_.rfind(ch);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}
CStringA CStringA::Mid(int first) const { return Mid(first, GetLength()); }
CStringA CStringA::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (count < 0) count = 0;
  int len = GetLength();
  if (first > len) return CStringA();
  if (count > len - first) count = len - first;
  return CStringA(std::string_view(s_).substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count)));
}
CStringA CStringA::Left(int count) const { return Mid(0, count); }
CStringA CStringA::Right(int count) const {
  if (count < 0) count = 0;
  int len = GetLength();
  if (count >= len) return *this;
  return Mid(len - count, count);
}
int CStringA::Replace(const char* oldText, const char* newText) {
  std::string from(View8(oldText)), to(View8(newText));
  if (from.empty()) return 0;
  int n = 0;
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    std::size_t hit = s_.find(from, pos);
    if (hit == std::string::npos) break;
    out.append(s_, pos, hit - pos);
    out += to;
    pos = hit + from.size();
    ++n;
  }
  if (n == 0) return 0;
  out.append(s_, pos, std::string::npos);
  s_.swap(out);
  return n;
}
CStringA& CStringA::Trim() {
  auto sp = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  std::size_t n = s_.size();
  while (n > 0 && sp(s_[n - 1])) --n;
  s_.resize(n);
  std::size_t i = 0;
  while (i < s_.size() && sp(s_[i])) ++i;
  s_.erase(0, i);
  return *this;
}
CStringA& CStringA::MakeUpper() {
  for (auto& c : s_) c = AsciiUpper(c);
  return *this;
}
CStringA& CStringA::MakeLower() {
  for (auto& c : s_) c = AsciiLower(c);
  return *this;
}
void CStringA::FormatV(const char* format, va_list args) {
  std::string out;
  pv::FormatAppendV(out, format, args);
  s_.swap(out);
}
void CStringA::FormatImpl(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

CStringA operator+(const CStringA& a, const CStringA& b) { return CStringA(a.Str() + b.Str()); }
CStringA operator+(const CStringA& a, const char* b) { return CStringA(a.Str() + std::string(View8(b))); }
CStringA operator+(const char* a, const CStringA& b) { return CStringA(std::string(View8(a)) + b.Str()); }
CStringA operator+(const CStringA& a, char b) { return CStringA(a.Str() + b); }
bool operator==(const CStringA& a, const CStringA& b) noexcept { return a.Str() == b.Str(); }
bool operator==(const CStringA& a, const char* b) { return std::string_view(a.Str()) == View8(b); }
bool operator==(const char* a, const CStringA& b) { return View8(a) == std::string_view(b.Str()); }
bool operator!=(const CStringA& a, const CStringA& b) noexcept { return !(a == b); }
bool operator!=(const CStringA& a, const char* b) { return !(a == b); }
bool operator!=(const char* a, const CStringA& b) { return !(a == b); }
bool operator<(const CStringA& a, const CStringA& b) noexcept { return a.Str() < b.Str(); }
std::ostream& operator<<(std::ostream& os, const CStringA& s) { return os << s.Str(); }
