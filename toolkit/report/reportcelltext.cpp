// The paint manager's drawing of cell text: single lines ended by an
// ellipsis, word-wrapped lines, and the hyperlinks inside them. Each drawn
// hyperlink remembers where it was drawn, for the control's hit tests.
//
// Character 1 stands for a space inside a hyperlink that must not break a
// line; it is turned back into a space before anything is measured or drawn.
#include <algorithm>
#include <climits>

#include "platform/framework/afxgdi.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/report/reporthyperlink.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecorditem.h"

namespace {

constexpr TCHAR kLinkSpace = 1;

CString WithSpaces(const CString& text) {
  CString copy = text;
  copy.Replace(kLinkSpace, u' ');
  return copy;
}

bool IsDelimiter(TCHAR ch) { return ch == u' ' || ch == u'\t' || ch == u'\n'; }

// The DrawText flags of an alignment (the item's own icon bits are no
// DrawText flags: 0x200000 would draw only the prefix underline).
UINT DrawTextFlags(int alignment) { return static_cast<UINT>(alignment) & 0xFFFFu; }

// Where a link's range ends, held within [0, limit]: stored starts and
// lengths are untrusted and their sum may pass the int range.
int LinkEnd(const CTKReportHyperlink* link, int limit) {
  const long long end = static_cast<long long>(link->m_nHyperTextBegin) + link->m_nHyperTextLen;
  return static_cast<int>(std::clamp<long long>(end, 0, limit));
}

// x advanced by a width, saturated at the int range.
int Advance(int x, int width) {
  const long long moved = static_cast<long long>(x) + width;
  return static_cast<int>(std::clamp<long long>(moved, INT_MIN, INT_MAX));
}

int HyperlinkCount(CTKReportRecordItem* item) { return item ? item->GetHyperlinksCount() : 0; }

int SpaceHeight(CDC* pDC) { return std::max(1, static_cast<int>(pDC->GetTextExtent(u" ", 1).cy)); }

}  // namespace

int CTKReportPaintManager::GetTextWidth(CDC* pDC, const CString& strText) {
  return GetTextWidth(pDC, strText, strText.GetLength());
}

int CTKReportPaintManager::GetTextWidth(CDC* pDC, LPCTSTR lpszText, int nCount) {
  if (!pDC || !lpszText || nCount <= 0) return 0;
  CString text(lpszText, nCount);
  text.Replace(kLinkSpace, u' ');
  SIZE size{};
  ::GetTextExtentPoint32(pDC->GetSafeHdc(), text, text.GetLength(), &size);
  // A printing DC may measure on a second handle; we draw and measure on
  // one, so the attribute and output widths are the same.
  return size.cx;
}

void CTKReportPaintManager::DrawItemCaption(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                            TK_REPORTRECORDITEM_METRICS* pMetrics) {
  if (!pDrawArgs || !pMetrics || !pDrawArgs->pDC) return;
  CRect rcItem(pDrawArgs->rcItem);
  rcItem.left += 2;
  rcItem.top += 1;
  rcItem.right -= 2;
  if (pMetrics->strText.IsEmpty()) return;

  CTKFontDC font(pDrawArgs->pDC, pMetrics->pFont);
  if (m_bFixedRowHeight) {
    int chars = 0, links = 0;
    DrawTextLine(pDrawArgs, pMetrics, pMetrics->strText, rcItem, DT_END_ELLIPSIS, &chars, &links);
    return;
  }
  const BOOL wordBreak = (pDrawArgs->nTextAlign & DT_WORDBREAK) != 0;
  if (pDrawArgs->nTextAlign & DT_VCENTER) {
    CString text = pMetrics->strText;
    ReplaceSpacesInHyperlinks(pDrawArgs->pItem, text, kLinkSpace);
    const int spare = rcItem.Height() - CalcTextHeight(pDrawArgs->pDC, text, rcItem.Width(), wordBreak);
    if (spare > 3) rcItem.top += spare / 2 - 2;
  }
  DrawMultiLineText(pDrawArgs, pMetrics, pMetrics->strText, rcItem, wordBreak);
}

void CTKReportPaintManager::DrawTextLine(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pMetrics,
                                         const CString& strText, CRect rcItem, UINT nFlags, int* pnCharCounter,
                                         int* pnHyperlinkCounter) {
  CDC* pDC = pDrawArgs->pDC;
  if (IsControlInIconView()) {
    DrawMultiLineText(pDrawArgs, pMetrics, strText, rcItem, TRUE);
    return;
  }
  const UINT align = DrawTextFlags(pDrawArgs->nTextAlign);
  CTKReportRecordItem* item = pDrawArgs->pItem;
  const int linkCount = HyperlinkCount(item);
  if (linkCount == 0) {
    pDC->DrawText(WithSpaces(strText), &rcItem, align | nFlags | DT_SINGLELINE | DT_NOPREFIX);
    return;
  }

  CRect rcText(rcItem);
  pDC->DrawText(WithSpaces(strText), &rcText, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
  int x = rcItem.left;
  if (rcText.Width() < rcItem.Width()) {
    if ((align & 3) == DT_CENTER) x += (rcItem.Width() - rcText.Width()) / 2;
    else if ((align & 3) == DT_RIGHT) x = rcItem.right - rcText.Width();
  }

  const int length = strText.GetLength();
  int current = pnCharCounter ? *pnCharCounter : 0;
  int link = pnHyperlinkCounter ? *pnHyperlinkCounter : 0;
  while (x < rcItem.right && current < length) {
    if (link >= linkCount) {
      DrawString(&x, pDC, strText.Mid(current), CRect(x, rcItem.top, rcItem.right, rcItem.bottom), nFlags);
      current = length;
      break;
    }
    CTKReportHyperlink* hyperlink = item->GetHyperlinkAt(link);
    const int start = hyperlink ? hyperlink->m_nHyperTextBegin : -1;
    const int linkLength = hyperlink ? hyperlink->m_nHyperTextLen : 0;
    // A link outside the caption, or behind text already drawn, is skipped:
    // it draws nothing and keeps its old rectangle.
    if (start < current || start >= length || linkLength < 1) {
      link++;
      continue;
    }
    CString piece = strText.Mid(current, start - current);
    if (!piece.IsEmpty()) {
      piece.Remove(u'\n');
      piece.Remove(u'\r');
      const int drawn = DrawString(&x, pDC, piece, CRect(x, rcItem.top, rcItem.right, rcItem.bottom), nFlags);
      current = start;
      if (drawn < piece.GetLength()) break;
    }
    const int drawn = DrawHyperlink(&x, pDrawArgs, pMetrics, hyperlink, strText,
                                    CRect(x, rcItem.top, rcItem.right, rcItem.bottom), nFlags, FALSE);
    x = std::min(static_cast<int>(rcItem.right), x);
    current = LinkEnd(hyperlink, length);
    link++;
    if (drawn < linkLength) break;
  }
  if (pnCharCounter) *pnCharCounter = current;
  if (pnHyperlinkCounter) *pnHyperlinkCounter = link;
  pDC->SetTextAlign(TA_LEFT | TA_TOP);
}

int CTKReportPaintManager::DrawString(int* pnCurrDrawPos, CDC* pDC, const CString& strDraw, CRect rcDraw,
                                      UINT nFormat) {
  if (!pDC || !pnCurrDrawPos) return 0;
  const UINT kind = nFormat & ~static_cast<UINT>(DT_CENTER | DT_RIGHT | DT_END_ELLIPSIS);
  if (kind == 0) {
    const int width = GetTextWidth(pDC, strDraw);
    *pnCurrDrawPos = Advance(*pnCurrDrawPos, width);
    const int result = *pnCurrDrawPos < rcDraw.right ? strDraw.GetLength() : -1;
    pDC->DrawText(WithSpaces(strDraw), &rcDraw, nFormat | DT_NOPREFIX);
    return result;
  }
  if (nFormat & DT_WORDBREAK) {
    // Whole words, joined by single spaces, while they fit; a first word
    // too wide for the rectangle is taken alone.
    CString taken;
    int start = 0;
    const int length = strDraw.GetLength();
    while (start < length) {
      while (start < length && IsDelimiter(strDraw[start])) start++;
      int end = start;
      while (end < length && !IsDelimiter(strDraw[end])) end++;
      if (end == start) break;
      const CString word = strDraw.Mid(start, end - start);
      const CString joined = taken.IsEmpty() ? word : taken + u" " + word;
      if (GetTextWidth(pDC, joined) >= rcDraw.Width()) {
        if (taken.IsEmpty()) taken = word;
        break;
      }
      taken = joined;
      start = end;
    }
    *pnCurrDrawPos = Advance(*pnCurrDrawPos, GetTextWidth(pDC, taken));
    pDC->DrawText(WithSpaces(taken), &rcDraw, DT_NOPREFIX);
    return taken.GetLength();
  }
  return 0;
}

int CTKReportPaintManager::DrawHyperlink(int* pnCurrDrawPos, TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                         TK_REPORTRECORDITEM_METRICS* pMetrics, CTKReportHyperlink* pHyperlink,
                                         CString strText, CRect rcLink, UINT nFlags, BOOL bTrim) {
  if (!pHyperlink || !pDrawArgs || !pDrawArgs->pDC || !pnCurrDrawPos) return 0;
  const int textLength = strText.GetLength();
  const int start = pHyperlink->m_nHyperTextBegin;
  if (start < 0 || start >= textLength) return 0;
  const int length = std::min(pHyperlink->m_nHyperTextLen, textLength - start);
  if (length < 1) return 0;

  CString piece = strText.Mid(start, length);
  if (bTrim) piece.Trim();
  piece.Replace(kLinkSpace, u' ');

  COLORREF color;
  BOOL underline;
  if (UseSelectionTextForHyperlink(pDrawArgs)) {
    color = m_clrHighlightText;
    underline = FALSE;
  } else {
    CTKReportHyperlinkStyle* style = IsHotHyperlink(pDrawArgs, pHyperlink) ? m_pHyperlinkHoverStyle : m_pHyperlinkStyle;
    color = style->GetColor();
    underline = style->GetTextDecoration() == 1;
  }

  CDC* pDC = pDrawArgs->pDC;
  LOGFONTW lf{};
  CFont* base = pMetrics && pMetrics->pFont ? pMetrics->pFont : &m_fontText;
  base->GetLogFont(&lf);
  lf.lfUnderline = underline ? 1 : 0;
  CFont font;
  font.CreateFontIndirect(&lf);
  CTKFontDC fontDC(pDC, &font, color);
  TEXTMETRICW tm{};
  pDC->GetTextMetrics(&tm);

  pHyperlink->m_rcHyperSpot.left = *pnCurrDrawPos;
  const int result = DrawString(pnCurrDrawPos, pDC, piece, rcLink, nFlags);
  pHyperlink->m_rcHyperSpot.right = *pnCurrDrawPos;
  pHyperlink->m_rcHyperSpot.top = rcLink.top;
  pHyperlink->m_rcHyperSpot.bottom = rcLink.top + tm.tmHeight;
  return result;
}

void CTKReportPaintManager::DrawMultiLineText(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                              TK_REPORTRECORDITEM_METRICS* pMetrics, const CString& strText,
                                              CRect rcItem, BOOL bWordBreak) {
  CDC* pDC = pDrawArgs->pDC;
  if (!pDC) return;
  const UINT align = DrawTextFlags(pDrawArgs->nTextAlign);
  if (HyperlinkCount(pDrawArgs->pItem) == 0) {
    pDC->DrawText(WithSpaces(strText), &rcItem,
                  align | DT_NOPREFIX | DT_WORD_ELLIPSIS | (bWordBreak ? DT_WORDBREAK : 0));
    return;
  }

  CString work = strText + u" ";
  work.Replace(u'\r', u' ');
  ReplaceSpacesInHyperlinks(pDrawArgs->pItem, work, kLinkSpace);
  const int lineHeight = SpaceHeight(pDC);
  const int maxWidth = rcItem.Width();

  int y = rcItem.top;
  int lineFirst = -1, lineLast = -1;  // the line's character range [first, last)
  int wordFirst = -1;
  auto drawRange = [&](int first, int last) {
    CRect rcLine(rcItem.left, y, rcItem.right, rcItem.bottom);
    const int width = GetTextWidth(pDC, static_cast<LPCTSTR>(work) + first, last - first);
    DrawTextLineWithHyperlinks(pDrawArgs, pMetrics, work, rcLine, first, last, width);
  };
  for (int i = 0; i < work.GetLength(); i++) {
    const TCHAR ch = work[i];
    if (!IsDelimiter(ch)) {
      if (wordFirst < 0) wordFirst = i;
      continue;
    }
    const bool wordEmpty = wordFirst < 0;
    if (wordEmpty && ch != u'\n') continue;
    const int first = wordEmpty ? i : wordFirst;
    const int wordWidth = wordEmpty ? 0 : GetTextWidth(pDC, static_cast<LPCTSTR>(work) + first, i - first);
    if ((bWordBreak && wordWidth > maxWidth) || ch == u'\n') {
      if (lineFirst >= 0) {
        drawRange(lineFirst, lineLast);
        y += lineHeight;
      }
      if (!wordEmpty) {
        drawRange(first, i);
        y += lineHeight;
      }
      lineFirst = lineLast = -1;
    } else if (lineFirst < 0) {
      lineFirst = first;
      lineLast = i;
    } else {
      const int joined = GetTextWidth(pDC, static_cast<LPCTSTR>(work) + lineFirst, i - lineFirst);
      if (bWordBreak && joined > maxWidth) {
        drawRange(lineFirst, lineLast);
        y += lineHeight;
        lineFirst = first;
      }
      lineLast = i;
    }
    wordFirst = -1;
  }
  if (lineFirst >= 0) drawRange(lineFirst, lineLast);
}

void CTKReportPaintManager::DrawTextLineWithHyperlinks(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                                       TK_REPORTRECORDITEM_METRICS* pMetrics, const CString& strText,
                                                       CRect rcItem, int nFirst, int nLast, int nLineWidth) {
  CDC* pDC = pDrawArgs->pDC;
  const UINT align = DrawTextFlags(pDrawArgs->nTextAlign);
  int x = rcItem.left;
  if (align & DT_RIGHT) x = rcItem.right - nLineWidth;
  else if (align & DT_CENTER) x = rcItem.left + (rcItem.Width() - nLineWidth) / 2;
  x = std::max(x, static_cast<int>(rcItem.left));

  CTKReportRecordItem* item = pDrawArgs->pItem;
  const int linkCount = HyperlinkCount(item);
  const int spaceWidth = GetTextWidth(pDC, CString(u" "));
  const UINT wordFlags = DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE;
  nLast = std::min(nLast, strText.GetLength());
  bool firstWord = true;
  int wordStart = -1;
  for (int i = nFirst; i <= nLast; i++) {
    const bool atEnd = i == nLast;
    if (!atEnd && !IsDelimiter(strText[i])) {
      if (wordStart < 0) wordStart = i;
      continue;
    }
    if (wordStart < 0) continue;
    const int wordEnd = i;
    if (!firstWord) {
      CRect rcSpace(x, rcItem.top, rcItem.right, rcItem.bottom);
      pDC->DrawText(u" ", 1, &rcSpace, DT_NOPREFIX | DT_SINGLELINE);
      x = Advance(x, spaceWidth);
    }
    firstWord = false;

    CTKReportHyperlink* hyperlink = nullptr;
    for (int l = 0; l < linkCount && !hyperlink; l++) {
      CTKReportHyperlink* candidate = item->GetHyperlinkAt(l);
      if (candidate && candidate->m_nHyperTextLen >= 2 && candidate->m_nHyperTextBegin >= wordStart &&
          static_cast<long long>(candidate->m_nHyperTextBegin) + candidate->m_nHyperTextLen <= wordEnd)
        hyperlink = candidate;
    }
    if (hyperlink) {
      const int linkStart = hyperlink->m_nHyperTextBegin;
      const int linkEnd = LinkEnd(hyperlink, wordEnd);
      if (linkStart > wordStart)
        DrawString(&x, pDC, strText.Mid(wordStart, linkStart - wordStart),
                   CRect(x, rcItem.top, rcItem.right, rcItem.bottom), DT_END_ELLIPSIS);
      DrawHyperlink(&x, pDrawArgs, pMetrics, hyperlink, strText, CRect(x, rcItem.top, rcItem.right, rcItem.bottom),
                    DT_END_ELLIPSIS, TRUE);
      if (linkEnd < wordEnd)
        DrawString(&x, pDC, strText.Mid(linkEnd, wordEnd - linkEnd), CRect(x, rcItem.top, rcItem.right, rcItem.bottom),
                   DT_END_ELLIPSIS);
    } else {
      const CString word = strText.Mid(wordStart, wordEnd - wordStart);
      CRect rcWord(x, rcItem.top, rcItem.right, rcItem.bottom);
      pDC->DrawText(WithSpaces(word), &rcWord, wordFlags);
      x = Advance(x, GetTextWidth(pDC, word));
    }
    wordStart = -1;
  }
}

int CTKReportPaintManager::CalcTextHeight(CDC* pDC, const CString& strText, int nMaxWidth, BOOL bWordBreak) {
  if (!pDC) return 0;
  const CString text = WithSpaces(strText) + u" ";
  const int lineHeight = SpaceHeight(pDC);
  if (bWordBreak) {
    CRect rc(0, 0, nMaxWidth, lineHeight);
    pDC->DrawText(text, &rc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_WORD_ELLIPSIS);
    return std::max(rc.Height(), lineHeight);
  }
  int lines = 1;
  for (int i = 0; i < text.GetLength(); i++)
    if (text[i] == u'\n') lines++;
  return lines * lineHeight;
}

CRect* CTKReportPaintManager::CalcTextRect(CRect* pResult, CDC* pDC, const CString& strText, CRect rcItem,
                                           BOOL bWordBreak, BOOL bLimitSize, UINT nFormat) {
  CRect rc(rcItem);
  if (pDC)
    pDC->DrawText(WithSpaces(strText), &rc, nFormat | DT_CALCRECT | DT_NOPREFIX | (bWordBreak ? DT_WORDBREAK : 0));
  if (bLimitSize) {
    rc.right = std::min(rc.right, rc.left + rcItem.Width());
    rc.bottom = std::min(rc.bottom, rc.top + rcItem.Height());
  }
  *pResult = rc;
  return pResult;
}

void CTKReportPaintManager::ReplaceSpacesInHyperlinks(CTKReportRecordItem* pItem, CString& strText, TCHAR chReplace) {
  const int count = HyperlinkCount(pItem);
  const int length = strText.GetLength();
  if (length == 0) return;
  for (int l = 0; l < count; l++) {
    CTKReportHyperlink* link = pItem->GetHyperlinkAt(l);
    if (!link) continue;
    const int start = std::clamp(link->m_nHyperTextBegin, 0, length - 1);
    const int end = LinkEnd(link, length);
    for (int i = start; i < end; i++)
      if (strText[i] == u' ') strText.SetAt(i, chReplace);
  }
}
