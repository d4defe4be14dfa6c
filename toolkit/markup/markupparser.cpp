#include "toolkit/markup/markupparser.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {
const int kInitialValueCapacity = 1024;
const int kSectionChunk = 1023;
const int kMaxNameLength = 127;
const int kMaxEntityName = 31;

// Character classes of the characters below 128; every character above is a
// plain name and text character. Runs are scanned with one table lookup per
// character instead of a chain of comparisons.
enum : unsigned char {
  kWhite = 1,
  kTextStop = 2,       // ends a run of text: '<', '&', white space, 0
  kTagNameStop = 4,    // white space, '/', '>', 0
  kAttrNameStop = 8,   // '=', '>', '<', white space, 0
  kDoubleQuoted = 16,  // ends a run of a value in double quotes: '"', '&', 0
  kSingleQuoted = 32,  // the same in single quotes: '\'', '&', 0
};

constexpr std::array<unsigned char, 128> MakeClasses() {
  std::array<unsigned char, 128> t{};
  for (int c : {9, 10, 12, 13, 32}) t[c] |= kWhite | kTextStop | kTagNameStop | kAttrNameStop;
  t[0] |= kTextStop | kTagNameStop | kAttrNameStop | kDoubleQuoted | kSingleQuoted;
  t['<'] |= kTextStop | kAttrNameStop;
  t['&'] |= kTextStop | kDoubleQuoted | kSingleQuoted;
  t['/'] |= kTagNameStop;
  t['>'] |= kTagNameStop | kAttrNameStop;
  t['='] |= kAttrNameStop;
  t['"'] |= kDoubleQuoted;
  t['\''] |= kSingleQuoted;
  return t;
}
constexpr std::array<unsigned char, 128> kClasses = MakeClasses();

inline bool IsIn(WCHAR c, unsigned char cls) { return c < 128 && (kClasses[c] & cls); }

// The first character at or after p of the class (or e).
inline const WCHAR* SkipUntil(const WCHAR* p, const WCHAR* e, unsigned char cls) {
  while (p < e && !IsIn(*p, cls)) p++;
  return p;
}

inline const WCHAR* SkipWhite(const WCHAR* p, const WCHAR* e) {
  while (p < e && IsIn(*p, kWhite)) p++;
  return p;
}

bool EndsWith(const WCHAR* buf, int len, const char* term, int n) {
  if (len < n) return false;
  for (int i = 0; i < n; i++)
    if (buf[len - n + i] != static_cast<WCHAR>(term[i])) return false;
  return true;
}

bool Equals(const WCHAR* p, int n, const char* s) {
  for (int i = 0; i < n; i++)
    if (!s[i] || p[i] != static_cast<WCHAR>(s[i])) return false;
  return s[n] == 0;
}

// One character of 8-bit input starting at b (b < e); answers the bytes
// after it and 0 in c for a sequence that is no character.
const BYTE* DecodeOne(const BYTE* b, const BYTE* e, UINT nCodePage, WCHAR& c) {
  BYTE first = *b++;
  if (first < 0x80) {
    c = first;
  } else if (nCodePage == 65001) {
    if (first >= 0xC0 && first <= 0xDF) {
      if (e - b < 1) {
        c = 0;
      } else {
        c = static_cast<WCHAR>(((first & 0x1F) << 6) | (b[0] & 0x3F));
        b += 1;
      }
    } else if (first >= 0xE0 && first <= 0xEF) {
      if (e - b < 2) {
        c = 0;
      } else {
        c = static_cast<WCHAR>((first << 12) | ((b[0] & 0x3F) << 6) | (b[1] & 0x3F));
        b += 2;
      }
    } else {
      c = 0;  // a stray continuation byte or a four-byte sequence
    }
  } else {
    // A lone byte of another code page; the ANSI code page is UTF-8 here,
    // where a single byte above 0x7F is not a character.
    c = 0xFFFD;
  }
  return b;
}
}  // namespace

CTKMarkupParser::CTKMarkupParser()
    : m_nCodePage(0),
      m_pfnState(&CTKMarkupParser::StateContent),
      m_pValue(new WCHAR[kInitialValueCapacity]),
      m_nValueCapacity(kInitialValueCapacity),
      m_nValueLength(0),
      m_pValueText(m_pValue),
      m_bValueInBuffer(TRUE),
      m_pTagName(m_pValue),
      m_nTagNameLength(0),
      m_pAttributeName(m_pValue),
      m_nAttributeNameLength(0),
      m_bEndOfSection(FALSE),
      m_pBegin(nullptr),
      m_pEnd(nullptr),
      m_pCursor(nullptr),
      m_pSeen(nullptr),
      m_pBytes(nullptr),
      m_pBytesEnd(nullptr),
      m_pDecodeFrom(nullptr),
      m_pDecodeStart(nullptr),
      m_nDecodedCodePage(0) {
  m_szTagName[0] = 0;
  m_szAttributeName[0] = 0;
}

CTKMarkupParser::~CTKMarkupParser() { delete[] m_pValue; }

void CTKMarkupParser::SetBuffer(LPCWSTR lpBegin, LPCWSTR lpEnd) {
  m_pBytes = m_pBytesEnd = nullptr;
  m_pDecoded.reset();
  m_pBegin = m_pEnd = nullptr;
  if (lpBegin && lpEnd && lpEnd > lpBegin) {
    // An odd trailing byte is not a character.
    size_t nBytes = static_cast<size_t>(reinterpret_cast<const BYTE*>(lpEnd) - reinterpret_cast<const BYTE*>(lpBegin));
    m_pBegin = lpBegin;
    m_pEnd = lpBegin + nBytes / 2;
  }
  m_pCursor = m_pSeen = m_pBegin;
}

void CTKMarkupParser::SetBuffer(const char* lpBegin, const char* lpEnd) {
  m_pBegin = m_pEnd = nullptr;
  m_pDecoded.reset();
  m_pBytes = m_pBytesEnd = nullptr;
  if (lpBegin && lpEnd && lpEnd > lpBegin) {
    m_pBytes = reinterpret_cast<const BYTE*>(lpBegin);
    m_pBytesEnd = reinterpret_cast<const BYTE*>(lpEnd);
    // Every character takes at least one byte.
    m_pDecoded.reset(new WCHAR[static_cast<size_t>(lpEnd - lpBegin)]);
    m_pBegin = m_pEnd = m_pDecoded.get();
  }
  m_pCursor = m_pSeen = m_pBegin;
  m_pDecodeFrom = m_pBytes;
  m_pDecodeStart = m_pBegin;
  m_nDecodedCodePage = m_nCodePage;
  if (m_pBytes) DecodeRest();
}

// Decodes the 8-bit input after the characters already read, in the current
// code page; a caller may change the code page between tokens (an encoding
// declaration), and characters already read keep their first decoding.
void CTKMarkupParser::DecodeRest() {
  const WCHAR* lpRead = std::max(m_pSeen, m_pCursor);  // a character given back was read
  const BYTE* b = m_pDecodeFrom;
  for (const WCHAR* p = m_pDecodeStart; p < lpRead && b < m_pBytesEnd; p++) {
    WCHAR c;
    b = DecodeOne(b, m_pBytesEnd, m_nDecodedCodePage, c);
  }
  m_pDecodeFrom = b;
  m_pDecodeStart = lpRead;
  m_nDecodedCodePage = m_nCodePage;
  WCHAR* w = m_pDecoded.get() + (lpRead - m_pBegin);
  while (b < m_pBytesEnd) {
    WCHAR c;
    b = DecodeOne(b, m_pBytesEnd, m_nCodePage, c);
    if (c == 0) break;  // a 0 or an undecodable sequence ends the input for good
    *w++ = c;
  }
  m_pEnd = w;
}

void CTKMarkupParser::Grow(int nNeeded) {
  int nNew = m_nValueCapacity;
  while (nNew < nNeeded) nNew *= 2;
  WCHAR* p = new WCHAR[nNew];
  if (m_bValueInBuffer) std::memcpy(p, m_pValue, m_nValueLength * sizeof(WCHAR));
  delete[] m_pValue;
  m_pValue = p;
  m_nValueCapacity = nNew;
  if (m_bValueInBuffer) m_pValueText = m_pValue;
}

void CTKMarkupParser::ValueToBuffer() {
  if (m_nValueLength + 2 > m_nValueCapacity) Grow(m_nValueLength + 2);
  if (m_nValueLength) std::memcpy(m_pValue, m_pValueText, m_nValueLength * sizeof(WCHAR));
  m_pValueText = m_pValue;
  m_bValueInBuffer = TRUE;
}

void CTKMarkupParser::TakeRun(const WCHAR* p, const WCHAR* e) {
  int n = static_cast<int>(e - p);
  if (!m_bValueInBuffer) {
    m_nValueLength += n;  // the run follows the view in the text
    return;
  }
  if (n <= 0) return;
  if (m_nValueLength + n >= m_nValueCapacity - 1) Grow(m_nValueLength + n + 2);
  std::memcpy(m_pValue + m_nValueLength, p, n * sizeof(WCHAR));
  m_nValueLength += n;
}

LPCWSTR CTKMarkupParser::GetTagName() {
  std::memcpy(m_szTagName, m_pTagName, m_nTagNameLength * sizeof(WCHAR));
  m_szTagName[m_nTagNameLength] = 0;
  return m_szTagName;
}

LPCWSTR CTKMarkupParser::GetAttributeName() {
  std::memcpy(m_szAttributeName, m_pAttributeName, m_nAttributeNameLength * sizeof(WCHAR));
  m_szAttributeName[m_nAttributeNameLength] = 0;
  return m_szAttributeName;
}

LPCWSTR CTKMarkupParser::GetValueText() {
  if (!m_bValueInBuffer) ValueToBuffer();
  m_pValue[m_nValueLength] = 0;
  return m_pValue;
}

int CTKMarkupParser::GetLine() const {
  const WCHAR* e = std::max(m_pSeen, m_pCursor);
  int n = 0;
  for (const WCHAR* p = m_pBegin; p < e; p++) n += (*p == 10 || *p == 13);
  return n;
}

int CTKMarkupParser::GetColumn() const {
  const WCHAR* e = std::max(m_pSeen, m_pCursor);
  const WCHAR* p = e;
  while (p > m_pBegin && p[-1] != 10 && p[-1] != 13) p--;
  return static_cast<int>(e - p);
}

int CTKMarkupParser::SetError(const char* lpszMessage) {
  BeginValue(m_pValue);
  m_bValueInBuffer = TRUE;
  for (const char* p = lpszMessage; *p && m_nValueLength < kSectionChunk; p++)
    PushChar(static_cast<WCHAR>(static_cast<unsigned char>(*p)));
  return tokenError;
}

BOOL CTKMarkupParser::SkipToFirstTag() {
  if (m_pBytes && m_nCodePage != m_nDecodedCodePage) DecodeRest();
  for (;;) {
    WCHAR c = ReadChar();
    if (c == 0) return FALSE;
    if (MarkupIsWhiteSpace(c)) continue;
    if (c == '<') {
      PushBack(c);
      return TRUE;
    }
    return FALSE;
  }
}

int CTKMarkupParser::NextToken() {
  if (m_pBytes && m_nCodePage != m_nDecodedCodePage) DecodeRest();
  return (this->*m_pfnState)();
}

// ---- character references ---------------------------------------------------------------

WCHAR CTKMarkupParser::ResolveEntity(LPCWSTR lpszName, int nLength) {
  if (nLength < 1 || lpszName[0] != '#') return 0;
  LPCWSTR p = lpszName + 1;
  LPCWSTR e = lpszName + nLength;
  int base = 10;
  if (nLength >= 3 && p[0] == 'x') {
    base = 16;
    p++;
    // "%x" also takes a sign and a 0x prefix.
  }
  bool negative = false;
  if (p < e && (*p == '+' || *p == '-')) negative = (*p++ == '-');
  if (base == 16) {
    if (e - p >= 3 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) p += 2;
  } else if (e - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  } else if (p < e && p[0] == '0') {
    base = 8;
  }
  UINT32 v = 0;
  bool any = false;
  for (; p < e; p++) {
    int d;
    WCHAR c = *p;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else break;
    if (d >= base) break;
    v = v * static_cast<UINT32>(base) + static_cast<UINT32>(d);  // wraps; only the low 16 bits matter
    any = true;
  }
  if (!any) return 0;
  if (negative) v = 0u - v;
  return static_cast<WCHAR>(v & 0xFFFF);
}

void CTKMarkupParser::ReadEntity(WCHAR wStop) {
  const WCHAR* lpAmpersand = m_pCursor - 1;
  const WCHAR* lpName = m_pCursor;
  int n = 0;
  bool terminated = false;
  while (n < kMaxEntityName) {
    WCHAR c = ReadChar();
    if (c == 0) break;
    if (c == ';') {
      terminated = true;
      break;
    }
    // The reference ends at the closing quote, a '<' or white space: those
    // belong to the text around it, never to the reference.
    if ((wStop && c == wStop) || c == '<' || MarkupIsWhiteSpace(c)) {
      PushBack(c);
      break;
    }
    n++;
  }
  if (terminated) {
    WCHAR r;
    if (Equals(lpName, n, "gt")) r = '>';
    else if (Equals(lpName, n, "lt")) r = '<';
    else if (Equals(lpName, n, "amp")) r = '&';
    else if (Equals(lpName, n, "apos")) r = '\'';
    else if (Equals(lpName, n, "quot")) r = '"';
    else r = ResolveEntity(lpName, n);
    if (r) {
      PushChar(r);
      return;
    }
  }
  // Unresolved: the text stays exactly as written, so a value that is still
  // a view of the text takes it as it stands.
  if (!m_bValueInBuffer && m_pValueText + m_nValueLength == lpAmpersand) {
    m_nValueLength += static_cast<int>(m_pCursor - lpAmpersand);
    return;
  }
  PushChar('&');
  for (int i = 0; i < n; i++) PushChar(lpName[i]);
  if (terminated) PushChar(';');
}

// ---- states -----------------------------------------------------------------------------------

int CTKMarkupParser::StateContent() {
  WCHAR c = ReadChar();
  BeginValue(m_pCursor);
  if (c == 0) return tokenEOF;
  if (c == '<') return TagStart();
  bool white;
  if (c == '&') {
    BeginValue(m_pCursor - 1);
    ReadEntity(0);
    white = false;
  } else {
    white = MarkupIsWhiteSpace(c);
    BeginValue(m_pCursor - 1);
    m_nValueLength = 1;
  }
  const WCHAR* p = white ? SkipWhite(m_pCursor, m_pEnd) : SkipUntil(m_pCursor, m_pEnd, kTextStop);
  TakeRun(m_pCursor, p);
  m_pCursor = p;
  Peeked();  // the character after the run was looked at
  return white ? tokenWhiteSpace : tokenText;
}

int CTKMarkupParser::TagStart() {
  m_pTagName = m_pCursor;
  m_nTagNameLength = 0;
  WCHAR c = ReadChar();
  if (c == '?') {
    m_pfnState = &CTKMarkupParser::StatePI;
    return tokenPIStart;
  }
  bool endTag = false;
  if (c == '/') {
    endTag = true;
    c = ReadChar();
    if (c == 0) return SetError("Unexpected end of file has occurred.");
  }
  const WCHAR* lpName = c ? m_pCursor - 1 : m_pCursor;
  m_pTagName = lpName;
  int nFull = 0;  // characters of the name including those dropped past 127
  if (c != '!' && c != 0 && !MarkupIsWhiteSpace(c) && c != '/' && c != '>') {
    // Plain names: take the first character and the rest in one sweep.
    const WCHAR* p = SkipUntil(m_pCursor, m_pEnd, kTagNameStop);
    nFull = 1 + static_cast<int>(p - m_pCursor);
    m_pCursor = p;
    m_nTagNameLength = std::min(nFull, kMaxNameLength);
    c = ReadChar();
  }
  // Names that start with '!' go one character at a time: a comment or a
  // CDATA section starts as soon as its opening is read.
  while (!MarkupIsWhiteSpace(c) && c != '/' && c != '>') {
    if (c == 0) return SetError("Unexpected end of file has occurred.");
    nFull++;
    m_nTagNameLength = std::min(nFull, kMaxNameLength);
    if (nFull == 3 && Equals(lpName, 3, "!--")) {
      m_pfnState = &CTKMarkupParser::StateComment;
      m_bEndOfSection = FALSE;
      return tokenCommentStart;
    }
    if (nFull == 8 && Equals(lpName, 8, "![CDATA[")) {
      m_pfnState = &CTKMarkupParser::StateCData;
      m_bEndOfSection = FALSE;
      return tokenCDataStart;
    }
    c = ReadChar();
  }
  if (MarkupIsWhiteSpace(c)) {
    m_pCursor = SkipWhite(m_pCursor, m_pEnd);
    c = ReadChar();
    if (c == 0) return SetError("Unexpected end of file has occurred.");
  }
  if (endTag) {
    if (c == '>') return tokenEndTag;
    return SetError("Unexpected token. The expected token is '>'");
  }
  PushBack(c);
  m_pfnState = &CTKMarkupParser::StateAttributes;
  return tokenStartTag;
}

int CTKMarkupParser::StateAttributes() {
  m_pCursor = SkipWhite(m_pCursor, m_pEnd);
  WCHAR c = ReadChar();
  if (c == '>') {
    m_pfnState = &CTKMarkupParser::StateContent;
    return StateContent();
  }
  if (c == '/') {
    c = ReadChar();
    if (c == '>') {
      m_pfnState = &CTKMarkupParser::StateContent;
      return tokenEndTag;
    }
    PushBack(c);
    return SetError("Unexpected token. The expected token is '>'");
  }
  m_pAttributeName = c ? m_pCursor - 1 : m_pCursor;
  m_nAttributeNameLength = 0;
  BeginValue(m_pCursor);
  if (c != '=' && c != 0 && c != '>' && c != '<' && !MarkupIsWhiteSpace(c)) {
    const WCHAR* p = SkipUntil(m_pCursor, m_pEnd, kAttrNameStop);
    m_nAttributeNameLength = std::min(1 + static_cast<int>(p - m_pCursor), kMaxNameLength);
    m_pCursor = p;
    c = ReadChar();
  }
  if (c != '=') {
    if (c == 0) return tokenEOF;
    if (c == '>') return SetError("'>' is an unexpected token. The expected token is '='");
    if (c == '<') return SetError("'<' is an unexpected token. The expected token is '='");
    // White space after the name: only '=' may follow.
    m_pCursor = SkipWhite(m_pCursor, m_pEnd);
    c = ReadChar();
    if (c == 0) return tokenEOF;
    if (c != '=') return SetError("Unexpected token. The expected token is '='");
  }
  m_pCursor = SkipWhite(m_pCursor, m_pEnd);
  c = ReadChar();
  if (c != '"' && c != '\'') return SetError("Unexpected token. The expected token is '\"' or '''");
  const WCHAR quote = c;
  const unsigned char cls = quote == '"' ? kDoubleQuoted : kSingleQuoted;
  BeginValue(m_pCursor);
  for (;;) {
    const WCHAR* p = SkipUntil(m_pCursor, m_pEnd, cls);
    TakeRun(m_pCursor, p);
    m_pCursor = p;
    c = ReadChar();
    if (c == 0) return SetError("Unexpected token. The expected token is '\"' or '''");
    if (c == quote) return tokenAttribute;
    ReadEntity(quote);  // the run stops only at the quote, '&' and the end
  }
}

// Reads one chunk of a comment, CDATA section or processing instruction. A
// terminator split across two chunks is still seen: a full chunk whose tail
// could start the terminator is extended by the few characters needed. The
// body is a view of the text unless white space is dropped from it.
int CTKMarkupParser::ScanSection(const char* lpszTerminator, int nEndToken, BOOL bDropWhiteSpace) {
  if (m_bEndOfSection) {
    m_bEndOfSection = FALSE;
    m_pfnState = &CTKMarkupParser::StateContent;
    return nEndToken;
  }
  int nTerm = static_cast<int>(std::strlen(lpszTerminator));
  BeginValue(m_pCursor);
  for (;;) {
    WCHAR c = ReadChar();
    if (c == 0) return tokenEOF;
    if (bDropWhiteSpace) {
      if (MarkupIsWhiteSpace(c)) continue;
      PushChar(c);
    } else {
      m_nValueLength++;
    }
    // Only a character of the terminator can end it or a part of it.
    bool inTerminator = c < 128 && std::strchr(lpszTerminator, static_cast<char>(c));
    if (inTerminator && EndsWith(m_pValueText, m_nValueLength, lpszTerminator, nTerm)) {
      m_nValueLength -= nTerm;
      m_bEndOfSection = TRUE;
      return tokenBody;
    }
    if (m_nValueLength >= kSectionChunk) {
      bool partial = false;
      for (int k = 1; k < nTerm && inTerminator && !partial; k++)
        partial = EndsWith(m_pValueText, m_nValueLength, lpszTerminator, k);
      if (!partial) return tokenBody;
    }
  }
}

int CTKMarkupParser::StateComment() { return ScanSection("-->", tokenCommentEnd, FALSE); }
int CTKMarkupParser::StateCData() { return ScanSection("]]>", tokenCDataEnd, FALSE); }
int CTKMarkupParser::StatePI() { return ScanSection("?>", tokenPIEnd, TRUE); }
