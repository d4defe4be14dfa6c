// Pull tokenizer of the markup text: elements, quoted attributes, text and
// white-space runs, the five named character references and numeric ones,
// comments, CDATA sections and processing instructions.
//
// Names and values are views into the text wherever no character reference
// had to be decoded; the null-terminated forms are copied only when asked
// for. Lines and columns are counted only when asked for (on an error).
#pragma once

#include <memory>
#include <string>
#include <string_view>

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

  // 16-bit input from lpBegin up to lpEnd (not included). The text must stay
  // in place while tokens are read: names and values point into it.
  void SetBuffer(LPCWSTR lpBegin, LPCWSTR lpEnd);
  // 8-bit input in the parser's code page (0: the ANSI code page; 65001 UTF-8).
  void SetBuffer(const char* lpBegin, const char* lpEnd);

  int NextToken();
  LPCWSTR GetTagName();
  LPCWSTR GetAttributeName();
  LPCWSTR GetValueText();
  int GetValueLength() const { return m_nValueLength; }
  std::u16string_view GetTagNameView() const { return {m_pTagName, static_cast<size_t>(m_nTagNameLength)}; }
  std::u16string_view GetAttributeNameView() const {
    return {m_pAttributeName, static_cast<size_t>(m_nAttributeNameLength)};
  }
  std::u16string_view GetValueView() const { return {m_pValueText, static_cast<size_t>(m_nValueLength)}; }
  BOOL SkipToFirstTag();
  // After a text token: appends the rest of its run (the words and
  // references up to the next '<' or the end, each stretch of white space
  // between them as one space) to strText, and returns whether white space
  // ended the run. The text, the references and the position reached are
  // those of reading the run token by token; the value's views are left
  // undefined.
  BOOL AppendTextRun(std::u16string& strText);

  // Line and column (both from 0) after the last character read; a CR and
  // an LF each start a line.
  int GetLine() const;
  int GetColumn() const;

  UINT m_nCodePage;

 protected:
  // A named or numeric reference other than the five built-in names; 0 when
  // it does not resolve.
  virtual WCHAR ResolveEntity(LPCWSTR lpszName, int nLength);

 private:
  enum State { stateContent, stateAttributes, stateComment, stateCData, statePI };
  int StateContent();
  int StateAttributes();
  int StateComment();
  int StateCData();
  int StatePI();
  int TagStart();
  int ScanSection(const char* lpszTerminator, unsigned short nStopClass, int nEndToken, BOOL bDropWhiteSpace);

  // One character; 0 at the end. A 0 in the text ends the input for good.
  WCHAR ReadChar() {
    if (m_pCursor < m_pEnd) {
      WCHAR c = *m_pCursor;
      if (c) {
        m_pCursor++;
        return c;
      }
      m_pEnd = m_pCursor;
    }
    return 0;
  }
  // Gives back the character just read (a no-op for the 0 of the end); it
  // still counts as read for the line and column.
  void PushBack(WCHAR c) {
    if (c) m_pSeen = m_pCursor--;
  }
  // Notes that the character at the cursor was looked at without being
  // taken, as PushBack does (the 0 of the end is never read).
  void Peeked() { m_pSeen = m_pCursor + (m_pCursor < m_pEnd && *m_pCursor); }
  void BeginValue(const WCHAR* p) {
    m_pValueText = p;
    m_nValueLength = 0;
    m_bValueInBuffer = FALSE;
  }
  // Moves the value into the buffer before a decoded character is added.
  void ValueToBuffer();
  void PushChar(WCHAR c) {
    if (!m_bValueInBuffer) ValueToBuffer();
    if (m_nValueLength >= m_nValueCapacity - 1) Grow(m_nValueLength + 2);
    m_pValue[m_nValueLength++] = c;
  }
  // Adds the source characters [p, e) to the value: a longer view while the
  // value is one, a copy otherwise.
  void TakeRun(const WCHAR* p, const WCHAR* e) {
    if (m_bValueInBuffer) AppendRun(p, e);
    else m_nValueLength += static_cast<int>(e - p);  // the run follows the view in the text
  }
  void AppendRun(const WCHAR* p, const WCHAR* e);
  void Grow(int nNeeded);
  // Decodes the reference after '&' into the value (an unresolved one stays
  // as written). wStop is the quote that closes the attribute value being
  // read (0 in content).
  void ReadEntity(WCHAR wStop);
  int SetError(const char* lpszMessage);
  // 8-bit input: (re)decodes the bytes not yet read in the current code page.
  void DecodeRest();

  State m_nState;
  WCHAR* m_pValue;  // decoded values and error messages
  int m_nValueCapacity;
  int m_nValueLength;
  const WCHAR* m_pValueText;
  BOOL m_bValueInBuffer;
  const WCHAR* m_pTagName;
  int m_nTagNameLength;
  const WCHAR* m_pAttributeName;
  int m_nAttributeNameLength;
  WCHAR m_szTagName[128];  // the null-terminated copies of the names
  WCHAR m_szAttributeName[128];
  BOOL m_bEndOfSection;
  const WCHAR* m_pBegin;
  const WCHAR* m_pEnd;
  const WCHAR* m_pCursor;
  const WCHAR* m_pSeen;  // the furthest character read and given back
  // 8-bit input, decoded one character per source character sequence.
  std::unique_ptr<WCHAR[]> m_pDecoded;
  const BYTE* m_pBytes;
  const BYTE* m_pBytesEnd;
  const BYTE* m_pDecodeFrom;  // the bytes of the decoded character at m_pDecodeStart
  const WCHAR* m_pDecodeStart;
  UINT m_nDecodedCodePage;
};

inline bool MarkupIsWhiteSpace(WCHAR c) { return c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }
