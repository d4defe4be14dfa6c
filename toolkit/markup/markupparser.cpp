#include "toolkit/markup/markupparser.h"

#include <algorithm>
#include <array>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
const int kInitialValueCapacity = 1024;
const int kSectionChunk = 1023;
const int kMaxNameLength = 127;
const int kMaxEntityName = 31;

// Character classes of the characters below 128; every character above is a
// plain name and text character. Single characters are classed with one
// table lookup instead of a chain of comparisons.
enum : unsigned short {
  kWhite = 1,
  kTextStop = 2,       // ends a run of text: '<', '&', white space, 0
  kTagNameStop = 4,    // white space, '/', '>', 0
  kAttrNameStop = 8,   // '=', '>', '<', white space, 0
  kDoubleQuoted = 16,  // ends a run of a value in double quotes: '"', '&', 0
  kSingleQuoted = 32,  // the same in single quotes: '\'', '&', 0
  kCommentStop = 64,   // a character of "-->" or 0
  kCDataStop = 128,    // a character of "]]>" or 0
  kPIStop = 256,       // a character of "?>" or 0
};

constexpr std::array<unsigned short, 128> MakeClasses() {
  std::array<unsigned short, 128> t{};
  for (int c : {9, 10, 12, 13, 32}) t[c] |= kWhite | kTextStop | kTagNameStop | kAttrNameStop;
  t[0] |=
      kTextStop | kTagNameStop | kAttrNameStop | kDoubleQuoted | kSingleQuoted | kCommentStop | kCDataStop | kPIStop;
  t['<'] |= kTextStop | kAttrNameStop;
  t['&'] |= kTextStop | kDoubleQuoted | kSingleQuoted;
  t['/'] |= kTagNameStop;
  t['>'] |= kTagNameStop | kAttrNameStop;
  t['='] |= kAttrNameStop;
  t['"'] |= kDoubleQuoted;
  t['\''] |= kSingleQuoted;
  t['-'] |= kCommentStop;
  t[']'] |= kCDataStop;
  t['?'] |= kPIStop;
  t['>'] |= kCommentStop | kCDataStop | kPIStop;
  return t;
}
constexpr std::array<unsigned short, 128> kClasses = MakeClasses();

inline bool IsIn(WCHAR c, unsigned short cls) { return c < 128 && (kClasses[c] & cls); }

// The first character at or after p of the class cls (or e). The class is
// the printable characters kA to kD and 0, and with kControls also the
// white space below 14 (the other control characters, which are candidates
// too, are checked against the table). Eight characters are tested at a
// time where the machine can: a run of a few characters then ends without
// a mispredicted branch per character.
template <WCHAR kA, WCHAR kB, WCHAR kC, WCHAR kD, bool kControls>
inline const WCHAR* SkipUntil(const WCHAR* p, const WCHAR* e, unsigned short cls) {
#if defined(__SSE2__)
  const __m128i a = _mm_set1_epi16(static_cast<short>(kA)), b = _mm_set1_epi16(static_cast<short>(kB));
  const __m128i c = _mm_set1_epi16(static_cast<short>(kC)), d = _mm_set1_epi16(static_cast<short>(kD));
  const __m128i controls = _mm_set1_epi16(13), zero = _mm_setzero_si128();
  // A 16-bit mask of the candidates among eight characters, two bits each.
  auto candidates = [&](const WCHAR* q) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    __m128i hit = _mm_or_si128(_mm_cmpeq_epi16(v, a), _mm_cmpeq_epi16(v, b));
    hit = _mm_or_si128(hit, _mm_or_si128(_mm_cmpeq_epi16(v, c), _mm_cmpeq_epi16(v, d)));
    // Every character up to 13 (or only 0) is a candidate.
    hit = _mm_or_si128(hit, _mm_cmpeq_epi16(kControls ? _mm_subs_epu16(v, controls) : v, zero));
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
  };
  // Most names, words and values end within the first eight characters;
  // longer runs go sixteen characters a step.
  if (e - p >= 8) {
    if (unsigned mask = candidates(p)) {
      const WCHAR* q = p + __builtin_ctz(mask) / 2;
      if (!kControls || IsIn(*q, cls)) return q;
      p = q + 1;  // a control character that ends nothing
    } else {
      p += 8;
    }
  }
  while (e - p >= 16) {
    unsigned mask = candidates(p) | (candidates(p + 8) << 16);
    if (!mask) {
      p += 16;
      continue;
    }
    p += __builtin_ctz(mask) / 2;
    if (!kControls || IsIn(*p, cls)) return p;
    p++;  // a control character that ends nothing
  }
  while (e - p >= 8) {
    unsigned mask = candidates(p);
    if (!mask) {
      p += 8;
      continue;
    }
    p += __builtin_ctz(mask) / 2;
    if (!kControls || IsIn(*p, cls)) return p;
    p++;
  }
#endif
  while (p < e && !IsIn(*p, cls)) p++;
  return p;
}

inline const WCHAR* SkipText(const WCHAR* p, const WCHAR* e) {
  return SkipUntil<'<', '&', ' ', ' ', true>(p, e, kTextStop);
}
inline const WCHAR* SkipTagName(const WCHAR* p, const WCHAR* e) {
  return SkipUntil<'/', '>', ' ', ' ', true>(p, e, kTagNameStop);
}
inline const WCHAR* SkipAttributeName(const WCHAR* p, const WCHAR* e) {
  return SkipUntil<'=', '>', '<', ' ', true>(p, e, kAttrNameStop);
}
inline const WCHAR* SkipValue(const WCHAR* p, const WCHAR* e, WCHAR quote) {
  if (quote == '"') return SkipUntil<'"', '&', '&', '&', false>(p, e, kDoubleQuoted);
  return SkipUntil<'\'', '&', '&', '&', false>(p, e, kSingleQuoted);
}
inline const WCHAR* SkipSection(const WCHAR* p, const WCHAR* e, unsigned short cls) {
  if (cls == kCommentStop) return SkipUntil<'-', '>', '>', '>', false>(p, e, cls);
  if (cls == kCDataStop) return SkipUntil<']', '>', '>', '>', false>(p, e, cls);
  return SkipUntil<'?', '>', '>', '>', false>(p, e, cls);
}

inline bool IsWhite(WCHAR c) { return IsIn(c, kWhite); }

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
      m_nState(stateContent),
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
  if (!m_pBytes) {
    m_nDecodedCodePage = m_nCodePage;  // 16-bit input has no code page
    return;
  }
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

void CTKMarkupParser::AppendRun(const WCHAR* p, const WCHAR* e) {
  int n = static_cast<int>(e - p);
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
  if (m_nCodePage != m_nDecodedCodePage) DecodeRest();
  for (;;) {
    WCHAR c = ReadChar();
    if (c == 0) return FALSE;
    if (IsWhite(c)) continue;
    if (c == '<') {
      PushBack(c);
      return TRUE;
    }
    return FALSE;
  }
}

int CTKMarkupParser::NextToken() {
  if (m_nCodePage != m_nDecodedCodePage) DecodeRest();
  switch (m_nState) {
    case stateContent:
      return StateContent();
    case stateAttributes:
      return StateAttributes();
    case stateComment:
      return StateComment();
    case stateCData:
      return StateCData();
    default:
      return StatePI();
  }
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
    if ((wStop && c == wStop) || c == '<' || IsWhite(c)) {
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
  const WCHAR* lpStart = m_pCursor;
  WCHAR c = ReadChar();
  if (c == '<' || c == 0) {
    BeginValue(m_pCursor);
    return c ? TagStart() : tokenEOF;
  }
  BeginValue(lpStart);
  int nToken = tokenText;
  const WCHAR* p;
  if (c == '&') {
    ReadEntity(0);
    p = SkipText(m_pCursor, m_pEnd);
    TakeRun(m_pCursor, p);
  } else {
    // A run of text or of white space: a view of the text.
    if (IsWhite(c)) {
      nToken = tokenWhiteSpace;
      p = SkipWhite(m_pCursor, m_pEnd);
    } else {
      p = SkipText(m_pCursor, m_pEnd);
    }
    m_nValueLength = static_cast<int>(p - lpStart);
  }
  m_pCursor = p;
  Peeked();  // the character after the run was looked at
  return nToken;
}

BOOL CTKMarkupParser::AppendTextRun(std::u16string& strText) {
  if (m_nState != stateContent) return FALSE;
  const WCHAR* p = m_pCursor;
  BOOL bWhite = FALSE;
  while (p < m_pEnd) {
    WCHAR c = *p;
    if (IsWhite(c)) {
      p = SkipWhite(p + 1, m_pEnd);
      bWhite = TRUE;
      continue;
    }
    if (c == '<' || c == 0) break;  // a 0 ends the input at the next token
    if (bWhite) strText += u' ';
    bWhite = FALSE;
    if (c == '&') {
      BeginValue(p);
      m_pCursor = p + 1;
      ReadEntity(0);  // may end the input at a 0
      p = SkipText(m_pCursor, m_pEnd);
      TakeRun(m_pCursor, p);
      strText.append(m_pValueText, static_cast<size_t>(m_nValueLength));
    } else {
      const WCHAR* q = SkipText(p + 1, m_pEnd);
      strText.append(p, static_cast<size_t>(q - p));
      p = q;
    }
  }
  m_pCursor = p;
  Peeked();  // the character after the run was looked at
  return bWhite;
}

int CTKMarkupParser::TagStart() {
  m_pTagName = m_pCursor;
  m_nTagNameLength = 0;
  WCHAR c = ReadChar();
  if (c == '?') {
    m_nState = statePI;
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
  if (c != '!' && c != 0 && !IsWhite(c) && c != '/' && c != '>') {
    // Plain names: take the first character and the rest in one sweep.
    const WCHAR* p = SkipTagName(m_pCursor, m_pEnd);
    nFull = 1 + static_cast<int>(p - m_pCursor);
    m_nTagNameLength = std::min(nFull, kMaxNameLength);
    if (p < m_pEnd && *p == '>') {  // the most common end of a name
      m_pSeen = p + 1;
      if (endTag) {
        m_pCursor = p + 1;
        return tokenEndTag;
      }
      m_pCursor = p;  // the '>' is given back to the attributes
      m_nState = stateAttributes;
      return tokenStartTag;
    }
    m_pCursor = p;
    c = ReadChar();
  }
  // Names that start with '!' go one character at a time: a comment or a
  // CDATA section starts as soon as its opening is read.
  while (!IsWhite(c) && c != '/' && c != '>') {
    if (c == 0) return SetError("Unexpected end of file has occurred.");
    nFull++;
    m_nTagNameLength = std::min(nFull, kMaxNameLength);
    if (nFull == 3 && Equals(lpName, 3, "!--")) {
      m_nState = stateComment;
      m_bEndOfSection = FALSE;
      return tokenCommentStart;
    }
    if (nFull == 8 && Equals(lpName, 8, "![CDATA[")) {
      m_nState = stateCData;
      m_bEndOfSection = FALSE;
      return tokenCDataStart;
    }
    c = ReadChar();
  }
  if (IsWhite(c)) {
    m_pCursor = SkipWhite(m_pCursor, m_pEnd);
    c = ReadChar();
    if (c == 0) return SetError("Unexpected end of file has occurred.");
  }
  if (endTag) {
    if (c == '>') return tokenEndTag;
    return SetError("Unexpected token. The expected token is '>'");
  }
  PushBack(c);
  m_nState = stateAttributes;
  return tokenStartTag;
}

int CTKMarkupParser::StateAttributes() {
  m_pCursor = SkipWhite(m_pCursor, m_pEnd);
  WCHAR c = ReadChar();
  if (c == '>') {
    m_nState = stateContent;
    return StateContent();
  }
  if (c == '/') {
    c = ReadChar();
    if (c == '>') {
      m_nState = stateContent;
      return tokenEndTag;
    }
    PushBack(c);
    return SetError("Unexpected token. The expected token is '>'");
  }
  m_pAttributeName = c ? m_pCursor - 1 : m_pCursor;
  m_nAttributeNameLength = 0;
  BeginValue(m_pCursor);
  if (c != '=' && c != 0 && c != '>' && c != '<' && !IsWhite(c)) {
    const WCHAR* p = SkipAttributeName(m_pCursor, m_pEnd);
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
  BeginValue(m_pCursor);
  const WCHAR* p = SkipValue(m_pCursor, m_pEnd, quote);
  if (p < m_pEnd && *p == quote) {  // no reference: the value is a view of the text
    m_nValueLength = static_cast<int>(p - m_pCursor);
    m_pCursor = p + 1;
    return tokenAttribute;
  }
  for (;;) {
    TakeRun(m_pCursor, p);
    m_pCursor = p;
    c = ReadChar();
    if (c == 0) return SetError("Unexpected token. The expected token is '\"' or '''");
    if (c == quote) return tokenAttribute;
    ReadEntity(quote);  // the run stops only at the quote, '&' and the end
    p = SkipValue(m_pCursor, m_pEnd, quote);
  }
}

// Reads one chunk of a comment, CDATA section or processing instruction. A
// terminator split across two chunks is still seen: a full chunk whose tail
// could start the terminator is extended by the few characters needed. The
// body is a view of the text unless white space is dropped from it.
int CTKMarkupParser::ScanSection(const char* lpszTerminator, unsigned short nStopClass, int nEndToken,
                                 BOOL bDropWhiteSpace) {
  if (m_bEndOfSection) {
    m_bEndOfSection = FALSE;
    m_nState = stateContent;
    return nEndToken;
  }
  int nTerm = static_cast<int>(std::strlen(lpszTerminator));
  BeginValue(m_pCursor);
  for (;;) {
    if (!bDropWhiteSpace && m_nValueLength < kSectionChunk) {
      // Up to a full chunk, characters outside the terminator change nothing.
      const int nRoom = kSectionChunk - m_nValueLength;
      const WCHAR* lpStop = m_pEnd - m_pCursor > nRoom ? m_pCursor + nRoom : m_pEnd;
      const WCHAR* p = SkipSection(m_pCursor, lpStop, nStopClass);
      m_nValueLength += static_cast<int>(p - m_pCursor);
      m_pCursor = p;
      if (m_nValueLength == kSectionChunk) return tokenBody;
    }
    WCHAR c = ReadChar();
    if (c == 0) return tokenEOF;
    if (bDropWhiteSpace) {
      if (IsWhite(c)) continue;
      PushChar(c);
    } else {
      m_nValueLength++;
    }
    // Only a character of the terminator can end it or a part of it.
    bool inTerminator = IsIn(c, nStopClass);
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

int CTKMarkupParser::StateComment() { return ScanSection("-->", kCommentStop, tokenCommentEnd, FALSE); }
int CTKMarkupParser::StateCData() { return ScanSection("]]>", kCDataStop, tokenCDataEnd, FALSE); }
int CTKMarkupParser::StatePI() { return ScanSection("?>", kPIStop, tokenPIEnd, TRUE); }
