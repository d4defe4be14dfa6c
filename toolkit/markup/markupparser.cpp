#include "toolkit/markup/markupparser.h"

#include <cstring>

namespace {
const int kInitialValueCapacity = 1024;
const int kSectionChunk = 1023;
const int kMaxNameLength = 127;
const int kMaxEntityName = 31;

bool EndsWith(const WCHAR* buf, int len, const char* term, int n) {
  if (len < n) return false;
  for (int i = 0; i < n; i++)
    if (buf[len - n + i] != static_cast<WCHAR>(term[i])) return false;
  return true;
}
}  // namespace

CTKMarkupParser::CTKMarkupParser()
    : m_nLine(0),
      m_nColumn(0),
      m_nCodePage(0),
      m_pfnState(&CTKMarkupParser::StateContent),
      m_pValue(new WCHAR[kInitialValueCapacity]),
      m_nValueCapacity(kInitialValueCapacity),
      m_nValueLength(0),
      m_nTagNameLength(0),
      m_nAttributeNameLength(0),
      m_chPushBack(0),
      m_bEndOfSection(FALSE),
      m_bWide(FALSE),
      m_pEnd(nullptr),
      m_pCursor(nullptr) {
  m_szTagName[0] = 0;
  m_szAttributeName[0] = 0;
}

CTKMarkupParser::~CTKMarkupParser() { delete[] m_pValue; }

void CTKMarkupParser::SetBuffer(LPCWSTR lpBegin, LPCWSTR lpEnd) {
  m_bWide = TRUE;
  m_pCursor = reinterpret_cast<const BYTE*>(lpBegin);
  m_pEnd = reinterpret_cast<const BYTE*>(lpEnd);
  if (!lpBegin || !lpEnd || lpEnd < lpBegin) m_pCursor = m_pEnd = nullptr;
}

void CTKMarkupParser::SetBuffer(const char* lpBegin, const char* lpEnd) {
  m_bWide = FALSE;
  m_pCursor = reinterpret_cast<const BYTE*>(lpBegin);
  m_pEnd = reinterpret_cast<const BYTE*>(lpEnd);
  if (!lpBegin || !lpEnd || lpEnd < lpBegin) m_pCursor = m_pEnd = nullptr;
}

// Reads one character; 0 at the end of input. A 0 in the text ends the input
// for good (the cursor jumps to the end), and so does an undecodable or
// truncated byte sequence in 8-bit UTF-8 input.
WCHAR CTKMarkupParser::ReadCharRaw() {
  if (!m_pCursor || m_pCursor >= m_pEnd) return 0;
  WCHAR c;
  if (m_bWide) {
    if (m_pEnd - m_pCursor < 2) {  // an odd trailing byte is not a character
      m_pCursor = m_pEnd;
      return 0;
    }
    std::memcpy(&c, m_pCursor, sizeof(c));
    m_pCursor += 2;
  } else {
    BYTE b = *m_pCursor++;
    if (b < 0x80) {
      c = b;
    } else if (m_nCodePage == 65001) {
      if (b >= 0xC0 && b <= 0xDF) {
        if (m_pEnd - m_pCursor < 1) {
          c = 0;
        } else {
          c = static_cast<WCHAR>(((b & 0x1F) << 6) | (m_pCursor[0] & 0x3F));
          m_pCursor += 1;
        }
      } else if (b >= 0xE0 && b <= 0xEF) {
        if (m_pEnd - m_pCursor < 2) {
          c = 0;
        } else {
          c = static_cast<WCHAR>((b << 12) | ((m_pCursor[0] & 0x3F) << 6) | (m_pCursor[1] & 0x3F));
          m_pCursor += 2;
        }
      } else {
        c = 0;  // a stray continuation byte or a four-byte sequence
      }
    } else {
      // A lone byte of another code page; the ANSI code page is UTF-8 here,
      // where a single byte above 0x7F is not a character.
      c = 0xFFFD;
    }
  }
  if (c == 0) {
    m_pCursor = m_pEnd;
    return 0;
  }
  m_nColumn++;
  if (c == 10 || c == 13) {
    m_nLine++;
    m_nColumn = 0;
  }
  return c;
}

void CTKMarkupParser::Grow(int nNeeded) {
  int nNew = m_nValueCapacity;
  while (nNew < nNeeded) nNew *= 2;
  WCHAR* p = new WCHAR[nNew];
  std::memcpy(p, m_pValue, m_nValueLength * sizeof(WCHAR));
  delete[] m_pValue;
  m_pValue = p;
  m_nValueCapacity = nNew;
}

void CTKMarkupParser::AppendChars(const WCHAR* p, int n) {
  if (n <= 0) return;
  if (m_nValueLength + n >= m_nValueCapacity - 1) Grow(m_nValueLength + n + 2);
  std::memcpy(m_pValue + m_nValueLength, p, n * sizeof(WCHAR));
  m_nValueLength += n;
}

template <class Stop>
void CTKMarkupParser::ScanWide(Stop stop) {
  if (!m_bWide || m_chPushBack || !m_pCursor) return;
  const WCHAR* p = reinterpret_cast<const WCHAR*>(m_pCursor);
  const WCHAR* e = p + (m_pEnd - m_pCursor) / 2;
  const WCHAR* s = p;
  int nLine = m_nLine, nColumn = m_nColumn;
  while (p < e) {
    WCHAR c = *p;
    if (c == 0 || stop(c)) break;
    if (c == 10 || c == 13) {
      nLine++;
      nColumn = 0;
    } else {
      nColumn++;
    }
    p++;
  }
  AppendChars(s, static_cast<int>(p - s));
  m_nLine = nLine;
  m_nColumn = nColumn;
  m_pCursor = reinterpret_cast<const BYTE*>(p);
}

LPCWSTR CTKMarkupParser::GetTagName() {
  m_szTagName[m_nTagNameLength] = 0;
  return m_szTagName;
}

LPCWSTR CTKMarkupParser::GetAttributeName() {
  m_szAttributeName[m_nAttributeNameLength] = 0;
  return m_szAttributeName;
}

LPCWSTR CTKMarkupParser::GetValueText() {
  m_pValue[m_nValueLength] = 0;
  return m_pValue;
}

int CTKMarkupParser::SetError(const char* lpszMessage) {
  m_nValueLength = 0;
  for (const char* p = lpszMessage; *p && m_nValueLength < kSectionChunk; p++)
    PushChar(static_cast<WCHAR>(static_cast<unsigned char>(*p)));
  return tokenError;
}

BOOL CTKMarkupParser::SkipToFirstTag() {
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

int CTKMarkupParser::NextToken() { return (this->*m_pfnState)(); }

template <class Stop>
int CTKMarkupParser::ScanNameWide(WCHAR* pName, int& nLength, Stop stop) {
  if (!m_bWide || m_chPushBack || !m_pCursor) return 0;
  const WCHAR* p = reinterpret_cast<const WCHAR*>(m_pCursor);
  const WCHAR* e = p + (m_pEnd - m_pCursor) / 2;
  const WCHAR* s = p;
  while (p < e) {
    WCHAR c = *p;
    if (c <= 13 || stop(c)) break;  // 0 and line ends go the slow way
    if (nLength < kMaxNameLength) pName[nLength++] = c;
    p++;
  }
  int n = static_cast<int>(p - s);
  m_nColumn += n;
  m_pCursor = reinterpret_cast<const BYTE*>(p);
  return n;
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
  WCHAR name[kMaxEntityName + 1];
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
    name[n++] = c;
  }
  if (terminated) {
    WCHAR r = 0;
    auto is = [&](const char* s) {
      int len = static_cast<int>(std::strlen(s));
      if (len != n) return false;
      for (int i = 0; i < len; i++)
        if (name[i] != static_cast<WCHAR>(s[i])) return false;
      return true;
    };
    if (is("gt")) r = '>';
    else if (is("lt")) r = '<';
    else if (is("amp")) r = '&';
    else if (is("apos")) r = '\'';
    else if (is("quot")) r = '"';
    else r = ResolveEntity(name, n);
    if (r) {
      PushChar(r);
      return;
    }
  }
  // Unresolved: the text stays exactly as written.
  PushChar('&');
  for (int i = 0; i < n; i++) PushChar(name[i]);
  if (terminated) PushChar(';');
}

// ---- states -----------------------------------------------------------------------------------

int CTKMarkupParser::StateContent() {
  WCHAR c = ReadChar();
  m_nValueLength = 0;
  if (c == 0) return tokenEOF;
  if (c == '<') return TagStart();
  bool white;
  if (c == '&') {
    ReadEntity(0);
    white = false;
  } else {
    white = MarkupIsWhiteSpace(c);
    PushChar(c);
  }
  if (white) ScanWide([](WCHAR ch) { return !MarkupIsWhiteSpace(ch); });
  else ScanWide([](WCHAR ch) { return ch == '<' || ch == '&' || MarkupIsWhiteSpace(ch); });
  for (;;) {
    c = ReadChar();
    if (c == 0) break;
    if (c == '<' || c == '&' || MarkupIsWhiteSpace(c) != white) {
      PushBack(c);
      break;
    }
    PushChar(c);
  }
  return white ? tokenWhiteSpace : tokenText;
}

int CTKMarkupParser::TagStart() {
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
  int nFull = 0;  // characters of the name including those dropped past 127
  if (c != '!' && c != 0 && !MarkupIsWhiteSpace(c) && c != '/' && c != '>') {
    // Plain names: take the first character and the rest in one sweep.
    m_szTagName[m_nTagNameLength++] = c;
    nFull = 1 + ScanNameWide(m_szTagName, m_nTagNameLength,
                             [](WCHAR ch) { return MarkupIsWhiteSpace(ch) || ch == '/' || ch == '>'; });
    c = ReadChar();
  }
  while (!MarkupIsWhiteSpace(c) && c != '/' && c != '>') {
    if (c == 0) return SetError("Unexpected end of file has occurred.");
    if (m_nTagNameLength < kMaxNameLength) m_szTagName[m_nTagNameLength++] = c;
    nFull++;
    if (nFull == 3 && EndsWith(m_szTagName, m_nTagNameLength, "!--", 3) && m_nTagNameLength == 3) {
      m_pfnState = &CTKMarkupParser::StateComment;
      m_bEndOfSection = FALSE;
      return tokenCommentStart;
    }
    if (nFull == 8 && m_nTagNameLength == 8 && EndsWith(m_szTagName, 8, "![CDATA[", 8)) {
      m_pfnState = &CTKMarkupParser::StateCData;
      m_bEndOfSection = FALSE;
      return tokenCDataStart;
    }
    c = ReadChar();
  }
  if (MarkupIsWhiteSpace(c)) {
    do {
      c = ReadChar();
    } while (MarkupIsWhiteSpace(c));
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
  WCHAR c;
  do {
    c = ReadChar();
  } while (MarkupIsWhiteSpace(c));
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
  m_nAttributeNameLength = 0;
  m_nValueLength = 0;
  if (c != '=' && c != 0 && c != '>' && c != '<' && !MarkupIsWhiteSpace(c)) {
    m_szAttributeName[m_nAttributeNameLength++] = c;
    ScanNameWide(m_szAttributeName, m_nAttributeNameLength,
                 [](WCHAR ch) { return ch == '=' || ch == '>' || ch == '<' || MarkupIsWhiteSpace(ch); });
    c = ReadChar();
  }
  while (c != '=') {
    if (c == 0) return tokenEOF;
    if (c == '>') return SetError("'>' is an unexpected token. The expected token is '='");
    if (c == '<') return SetError("'<' is an unexpected token. The expected token is '='");
    if (MarkupIsWhiteSpace(c)) {
      do {
        c = ReadChar();
      } while (MarkupIsWhiteSpace(c));
      if (c == 0) return tokenEOF;
      if (c != '=') return SetError("Unexpected token. The expected token is '='");
      break;
    }
    if (m_nAttributeNameLength < kMaxNameLength) m_szAttributeName[m_nAttributeNameLength++] = c;
    c = ReadChar();
  }
  do {
    c = ReadChar();
  } while (MarkupIsWhiteSpace(c));
  if (c != '"' && c != '\'') return SetError("Unexpected token. The expected token is '\"' or '''");
  WCHAR quote = c;
  for (;;) {
    ScanWide([quote](WCHAR ch) { return ch == quote || ch == '&'; });
    c = ReadChar();
    if (c == 0) return SetError("Unexpected token. The expected token is '\"' or '''");
    if (c == quote) return tokenAttribute;
    if (c == '&') ReadEntity(quote);
    else PushChar(c);
  }
}

// Reads one chunk of a comment, CDATA section or processing instruction. A
// terminator split across two chunks is still seen: a full chunk whose tail
// could start the terminator is extended by the few characters needed.
int CTKMarkupParser::ScanSection(const char* lpszTerminator, int nEndToken, BOOL bDropWhiteSpace) {
  if (m_bEndOfSection) {
    m_bEndOfSection = FALSE;
    m_pfnState = &CTKMarkupParser::StateContent;
    return nEndToken;
  }
  int nTerm = static_cast<int>(std::strlen(lpszTerminator));
  m_nValueLength = 0;
  for (;;) {
    WCHAR c = ReadChar();
    if (c == 0) return tokenEOF;
    if (bDropWhiteSpace && MarkupIsWhiteSpace(c)) continue;
    PushChar(c);
    if (EndsWith(m_pValue, m_nValueLength, lpszTerminator, nTerm)) {
      m_nValueLength -= nTerm;
      m_bEndOfSection = TRUE;
      return tokenBody;
    }
    if (m_nValueLength >= kSectionChunk) {
      bool partial = false;
      for (int k = 1; k < nTerm && !partial; k++) partial = EndsWith(m_pValue, m_nValueLength, lpszTerminator, k);
      if (!partial) return tokenBody;
    }
  }
}

int CTKMarkupParser::StateComment() { return ScanSection("-->", tokenCommentEnd, FALSE); }
int CTKMarkupParser::StateCData() { return ScanSection("]]>", tokenCDataEnd, FALSE); }
int CTKMarkupParser::StatePI() { return ScanSection("?>", tokenPIEnd, TRUE); }
