// Pull tokenizer of the markup text: elements, quoted attributes, text and
// white-space runs, the five named character references and numeric ones,
// comments, CDATA sections and processing instructions.
#pragma once

#include "platform/base/wintypes.h"

class CTKMarkupParser {
 public:
  enum Token {
    tokenEOF = 0,
    tokenStartTag = 1,
    tokenEndTag = 2,
    tokenAttribute = 3,
    tokenText = 4,
    tokenWhiteSpace = 5,
    tokenBody = 6,
    tokenCommentStart = 7,
    tokenCommentEnd = 8,
    tokenCDataStart = 9,
    tokenCDataEnd = 10,
    tokenPIStart = 11,
    tokenPIEnd = 12,
    tokenError = -1,
  };

  CTKMarkupParser();
  virtual ~CTKMarkupParser();
  CTKMarkupParser(const CTKMarkupParser&) = delete;
  CTKMarkupParser& operator=(const CTKMarkupParser&) = delete;

  // 16-bit input from lpBegin up to lpEnd (not included).
  void SetBuffer(LPCWSTR lpBegin, LPCWSTR lpEnd);
  // 8-bit input in the parser's code page (0: the ANSI code page; 65001 UTF-8).
  void SetBuffer(const char* lpBegin, const char* lpEnd);

  int NextToken();
  LPCWSTR GetTagName();
  LPCWSTR GetAttributeName();
  LPCWSTR GetValueText();
  int GetValueLength() const { return m_nValueLength; }
  BOOL SkipToFirstTag();

  int m_nLine;
  int m_nColumn;
  UINT m_nCodePage;

 protected:
  // A named or numeric reference other than the five built-in names; 0 when
  // it does not resolve.
  virtual WCHAR ResolveEntity(LPCWSTR lpszName, int nLength);

 private:
  typedef int (CTKMarkupParser::*PFNSTATE)();
  int StateContent();
  int StateAttributes();
  int StateComment();
  int StateCData();
  int StatePI();
  int TagStart();
  int ScanSection(const char* lpszTerminator, int nEndToken, BOOL bDropWhiteSpace);

  WCHAR ReadChar() {
    if (m_chPushBack) {
      WCHAR c = m_chPushBack;
      m_chPushBack = 0;
      return c;
    }
    // Fast path: a 16-bit character that is neither 0 nor a line end.
    if (m_bWide && m_pEnd - m_pCursor >= 2) {
      WCHAR c = *reinterpret_cast<const WCHAR*>(m_pCursor);
      if (c > 13) {
        m_pCursor += 2;
        m_nColumn++;
        return c;
      }
    }
    return ReadCharRaw();
  }
  WCHAR ReadCharRaw();
  void PushBack(WCHAR c) { m_chPushBack = c; }
  void PushChar(WCHAR c) {
    if (m_nValueLength >= m_nValueCapacity - 1) Grow(m_nValueLength + 2);
    m_pValue[m_nValueLength++] = c;
  }
  void Grow(int nNeeded);
  void AppendChars(const WCHAR* p, int n);
  // Fast path for 16-bit input: appends characters up to (not including) the
  // first one for which stop() is true or a 0, keeping line and column.
  template <class Stop>
  void ScanWide(Stop stop);
  // Fast path for names in 16-bit input: appends up to 127 characters to
  // the name and skips the rest, up to the first character for which stop()
  // is true, a line end or a 0. Answers the characters consumed.
  template <class Stop>
  int ScanNameWide(WCHAR* pName, int& nLength, Stop stop);
  // Decodes the reference after '&' into the value buffer. wStop is the
  // quote that closes the attribute value being read (0 in content).
  void ReadEntity(WCHAR wStop);
  int SetError(const char* lpszMessage);

  PFNSTATE m_pfnState;
  WCHAR* m_pValue;
  int m_nValueCapacity;
  int m_nValueLength;
  WCHAR m_szTagName[128];
  int m_nTagNameLength;
  WCHAR m_szAttributeName[128];
  int m_nAttributeNameLength;
  WCHAR m_chPushBack;
  BOOL m_bEndOfSection;
  BOOL m_bWide;
  const BYTE* m_pEnd;
  const BYTE* m_pCursor;
};

inline bool MarkupIsWhiteSpace(WCHAR c) { return c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }
