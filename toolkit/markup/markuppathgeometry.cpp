#include "toolkit/markup/markuppathgeometry.h"

#include <climits>
#include <cmath>
#include <string>

#include "platform/base/cstring.h"
#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markuplayoutmath.h"

TK_DEFINE_MARKUPCLASS(CTKMarkupPathGeometry)

CTKMarkupPathGeometry::CTKMarkupPathGeometry(std::vector<MARKUP_POINTF> points, std::vector<BYTE> types)
    : m_points(std::move(points)), m_types(std::move(types)) {
  ComputeBounds();
}

void CTKMarkupPathGeometry::ComputeBounds() {
  if (m_points.empty()) {
    m_rcBounds = RECT{0, 0, 0, 0};
    return;
  }
  RECT rc{INT_MAX, INT_MAX, -INT_MAX, -INT_MAX};
  for (const MARKUP_POINTF& pt : m_points) {
    // Path data may hold any float: the bounds saturate at the int range.
    if (pt.x > rc.right) rc.right = MarkupTruncate(std::ceil(pt.x));
    if (pt.y > rc.bottom) rc.bottom = MarkupTruncate(std::ceil(pt.y));
    if (pt.x < rc.left) rc.left = MarkupTruncate(std::floor(pt.x));
    if (pt.y < rc.top) rc.top = MarkupTruncate(std::floor(pt.y));
  }
  m_rcBounds = rc;
}

CTKMarkupObject* CTKMarkupPathGeometry::ConvertFrom(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString) return nullptr;
  MarkupPathBuilder builder;
  int nErrorPos = 0;
  if (!builder.ParsePathData(pString->GetBuffer(), pString->GetLength(), &nErrorPos)) {
    CString strMessage;
    strMessage.Format(u"Unexpected token encountered at position '%i'", nErrorPos);
    ThrowBuildError(strMessage.GetString());
  }
  return builder.CreateGeometry();
}

CTKMarkupPathGeometry* CTKMarkupPathGeometry::ScaledCopy(int cx, int cy) const {
  std::vector<MARKUP_POINTF> points = m_points;
  // In floats: the bounds may span the whole int range.
  const float w = static_cast<float>(m_rcBounds.right) - static_cast<float>(m_rcBounds.left);
  const float h = static_cast<float>(m_rcBounds.bottom) - static_cast<float>(m_rcBounds.top);
  for (MARKUP_POINTF& pt : points) {
    if (w != 0) pt.x = (pt.x - static_cast<float>(m_rcBounds.left)) * static_cast<float>(cx) / w;
    if (h != 0) pt.y = (pt.y - static_cast<float>(m_rcBounds.top)) * static_cast<float>(cy) / h;
  }
  auto* pCopy = new CTKMarkupPathGeometry(std::move(points), m_types);
  pCopy->m_nPixelOffsetMode = m_nPixelOffsetMode;
  return pCopy;
}

// ---- builder ----------------------------------------------------------------------------------

void MarkupPathBuilder::Add(MARKUP_POINTF pt, BYTE type) {
  m_points.push_back(pt);
  m_types.push_back(type);
}

void MarkupPathBuilder::AddBezierPoints(MARKUP_POINTF c1, MARKUP_POINTF c2, MARKUP_POINTF end) {
  Add(c1, TKMARKUP_PATH_BEZIER);
  Add(c2, TKMARKUP_PATH_BEZIER);
  Add(end, TKMARKUP_PATH_BEZIER);
}

void MarkupPathBuilder::MarkFigureClosed() {
  if (!m_types.empty()) m_types.back() |= TKMARKUP_PATH_CLOSE;
}

CTKMarkupPathGeometry* MarkupPathBuilder::CreateGeometry() const {
  return new CTKMarkupPathGeometry(m_points, m_types);
}

namespace {
bool IsPathWhite(WCHAR ch) { return ch == u'\t' || ch == u'\n' || ch == u'\r' || ch == u' '; }
bool IsDigit(WCHAR ch) { return ch >= u'0' && ch <= u'9'; }
}  // namespace

void MarkupPathBuilder::SkipWhite() {
  while (m_nPos < m_nLength && IsPathWhite(m_lpszText[m_nPos])) m_nPos++;
}

// Looks past white space and at most one comma for the start of a number,
// without consuming anything.
BOOL MarkupPathBuilder::IsNumberAhead(BOOL bAllowComma) {
  int nSaved = m_nPos;
  SkipWhite();
  if (bAllowComma && m_nPos < m_nLength && m_lpszText[m_nPos] == u',') {
    m_nPos++;
    SkipWhite();
  }
  BOOL bNumber = m_nPos < m_nLength && (m_lpszText[m_nPos] == u'+' || m_lpszText[m_nPos] == u'-' ||
                                        m_lpszText[m_nPos] == u'.' || IsDigit(m_lpszText[m_nPos]));
  m_nPos = nSaved;
  return bNumber;
}

BOOL MarkupPathBuilder::ReadNumber(float* pValue, BOOL bAllowComma) {
  SkipWhite();
  if (bAllowComma && m_nPos < m_nLength && m_lpszText[m_nPos] == u',') {
    m_nPos++;
    SkipWhite();
  }
  if (m_nPos >= m_nLength) return FALSE;
  WCHAR ch = m_lpszText[m_nPos];
  if (ch != u'+' && ch != u'-' && ch != u'.' && !IsDigit(ch)) return FALSE;
  bool bNegative = false;
  if (ch == u'+' || ch == u'-') {
    bNegative = ch == u'-';
    m_nPos++;
  }
  float fValue = 0;
  bool bDigits = false;
  while (m_nPos < m_nLength && IsDigit(m_lpszText[m_nPos])) {
    fValue = fValue * 10 + static_cast<float>(m_lpszText[m_nPos] - u'0');
    m_nPos++;
    bDigits = true;
  }
  if (m_nPos < m_nLength && m_lpszText[m_nPos] == u'.') {
    m_nPos++;
    float fScale = 0.1f;
    while (m_nPos < m_nLength && IsDigit(m_lpszText[m_nPos])) {
      fValue += static_cast<float>(m_lpszText[m_nPos] - u'0') * fScale;
      fScale /= 10;
      m_nPos++;
      bDigits = true;
    }
  }
  if (!bDigits) return FALSE;
  *pValue = bNegative ? -fValue : fValue;
  return TRUE;
}

BOOL MarkupPathBuilder::ReadPoint(MARKUP_POINTF* pPoint, BOOL bAllowComma, BOOL bRelative) {
  MARKUP_POINTF pt;
  if (!ReadNumber(&pt.x, bAllowComma) || !ReadNumber(&pt.y, TRUE)) return FALSE;
  if (bRelative) {
    pt.x += m_ptCurrent.x;
    pt.y += m_ptCurrent.y;
  }
  *pPoint = pt;
  return TRUE;
}

void MarkupPathBuilder::EnsureFigure() {
  if (m_bFigureOpen) return;
  AddStartPoint(m_ptFigureStart);
  m_bFigureOpen = TRUE;
}

BOOL MarkupPathBuilder::ParsePathData(LPCWSTR lpszText, int nLength, int* pErrorPosition) {
  m_lpszText = lpszText ? lpszText : u"";
  m_nLength = lpszText ? nLength : 0;
  m_nPos = 0;
  m_ptCurrent = m_ptLastControl = m_ptFigureStart = MARKUP_POINTF{0, 0};
  m_bFigureOpen = FALSE;
  m_chLastCommand = u' ';
  bool bStarted = false;
  auto fail = [&]() {
    *pErrorPosition = m_nPos;
    return FALSE;
  };

  for (;;) {
    SkipWhite();
    if (m_nPos >= m_nLength) break;
    WCHAR cmd = m_lpszText[m_nPos];
    if (cmd == u',') return fail();
    m_nPos++;
    if (!bStarted) {
      if (cmd == u'F') {
        SkipWhite();
        if (m_nPos >= m_nLength || (m_lpszText[m_nPos] != u'0' && m_lpszText[m_nPos] != u'1')) return fail();
        m_nPos++;
        continue;
      }
      if (cmd != u'M' && cmd != u'm') return fail();
      bStarted = true;
    }
    const BOOL bRelative = cmd >= u'a' && cmd <= u'z';
    // Each argument group after the first may be preceded by one comma.
    BOOL bFirst = TRUE;
    switch (cmd) {
      case u'M':
      case u'm': {
        MARKUP_POINTF pt;
        if (!ReadPoint(&pt, FALSE, bRelative)) return fail();
        m_ptCurrent = pt;
        AddStartPoint(pt);
        m_ptFigureStart = pt;
        m_bFigureOpen = TRUE;
        while (IsNumberAhead(TRUE)) {
          if (!ReadPoint(&pt, TRUE, bRelative)) return fail();
          m_ptCurrent = pt;
          AddLinePoint(pt);
        }
        cmd = bRelative ? u'l' : u'L';
        break;
      }
      case u'L':
      case u'l':
        EnsureFigure();
        do {
          MARKUP_POINTF pt;
          if (!ReadPoint(&pt, !bFirst, bRelative)) return fail();
          m_ptCurrent = pt;
          AddLinePoint(pt);
          bFirst = FALSE;
        } while (IsNumberAhead(TRUE));
        break;
      case u'H':
      case u'h':
      case u'V':
      case u'v':
        EnsureFigure();
        do {
          float f;
          if (!ReadNumber(&f, !bFirst)) return fail();
          float& coord = (cmd == u'H' || cmd == u'h') ? m_ptCurrent.x : m_ptCurrent.y;
          coord = bRelative ? coord + f : f;
          AddLinePoint(m_ptCurrent);
          bFirst = FALSE;
        } while (IsNumberAhead(TRUE));
        break;
      case u'C':
      case u'c':
      case u'S':
      case u's': {
        EnsureFigure();
        const bool bSmooth = cmd == u'S' || cmd == u's';
        do {
          MARKUP_POINTF c1, c2, end;
          if (bSmooth) {
            const bool bAfterCurve = m_chLastCommand == u'C' || m_chLastCommand == u'c' || m_chLastCommand == u'S' ||
                                     m_chLastCommand == u's';
            c1 = bAfterCurve
                     ? MARKUP_POINTF{2 * m_ptCurrent.x - m_ptLastControl.x, 2 * m_ptCurrent.y - m_ptLastControl.y}
                     : m_ptCurrent;
            if (!ReadPoint(&c2, !bFirst, bRelative) || !ReadPoint(&end, TRUE, bRelative)) return fail();
          } else {
            if (!ReadPoint(&c1, !bFirst, bRelative) || !ReadPoint(&c2, TRUE, bRelative) ||
                !ReadPoint(&end, TRUE, bRelative))
              return fail();
          }
          AddBezierPoints(c1, c2, end);
          m_ptCurrent = end;
          m_ptLastControl = c2;
          m_chLastCommand = cmd;
          bFirst = FALSE;
        } while (IsNumberAhead(TRUE));
        break;
      }
      case u'Z':
      case u'z':
        EnsureFigure();
        MarkFigureClosed();
        m_ptCurrent = m_ptFigureStart;
        m_bFigureOpen = FALSE;
        break;
      default:
        return fail();
    }
    m_chLastCommand = cmd;
  }
  return TRUE;
}
