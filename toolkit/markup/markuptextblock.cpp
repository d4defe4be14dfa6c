// Text layout: how inlines are walked position by position, measured and
// drawn, and how the text block breaks them into lines (word and character
// wrapping, ellipsis trimming), aligns, justifies and draws them.
#include <algorithm>
#include <cstring>
#include <deque>

#include "toolkit/common/osversioninfo.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupdrawingcontext.h"
#include "toolkit/markup/markuplayoutmath.h"
#include "toolkit/markup/markuptext.h"

namespace {

CTKMarkupObject* CreateThrough(CTKMarkupContext* pContext, CTKMarkupType* pType) {
  return pContext ? pContext->CreateObject(pType) : pType->CreateInstance();
}

const CTKMarkupString* TextOf(const CTKMarkupRun* pRun) {
  return MarkupDynamicCast<CTKMarkupString>(pRun->GetValue(CTKMarkupRun::m_pTextProperty));
}

}  // namespace

// ---- the text walk -----------------------------------------------------------------------------

CTKMarkupInline* CTKMarkupInline::GetNextInline() {
  CTKMarkupInline* pCurrent = this;
  for (int nGuard = 0; nGuard < kMaxTreeWalkDepth; nGuard++) {
    CTKMarkupInlineCollection* pCollection = MarkupDynamicCast<CTKMarkupInlineCollection>(pCurrent->GetLogicalParent());
    if (!pCollection) return nullptr;
    const int nNext = pCurrent->m_nIndex + 1;
    if (nNext > 0 && nNext < pCollection->GetCount()) {
      CTKMarkupInline* pInline = MarkupDynamicCast<CTKMarkupInline>(pCollection->GetItem(nNext));
      return pInline ? pInline->GetFirstInline() : nullptr;
    }
    CTKMarkupSpan* pSpan = MarkupDynamicCast<CTKMarkupSpan>(pCollection->GetLogicalParent());
    if (!pSpan) return nullptr;
    pCurrent = pSpan;
  }
  return nullptr;
}

CTKMarkupInline* CTKMarkupSpan::GetFirstInline() {
  CTKMarkupInlineCollection* pInlines = GetInlines();
  if (pInlines->GetCount() == 0) return this;
  CTKMarkupInline* pFirst = MarkupDynamicCast<CTKMarkupInline>(pInlines->GetItem(0));
  return pFirst ? pFirst->GetFirstInline() : this;
}

TKMARKUPTEXTPOS CTKMarkupRun::GetTextStart() const {
  const CTKMarkupString* pText = TextOf(this);
  return (pText && pText->GetLength() > 0) ? 0 : -1;
}

void CTKMarkupRun::Advance(TKMARKUPTEXTPOS& pos) const {
  if (pos < 0) return;
  const CTKMarkupString* pText = TextOf(this);
  const int nLength = pText ? pText->GetLength() : 0;
  pos = pos < nLength ? MarkupNextCharacterStop(pText->GetBuffer(), nLength, pos) : -1;
}

namespace {
WCHAR CharAt(const CTKMarkupRun* pRun, TKMARKUPTEXTPOS pos) {
  const CTKMarkupString* pText = TextOf(pRun);
  if (!pText || pos < 0 || pos >= pText->GetLength()) return 0;
  return pText->GetBuffer()[pos];
}
}  // namespace

BOOL CTKMarkupRun::IsWordBreak(TKMARKUPTEXTPOS pos) const {
  const WCHAR ch = CharAt(this, pos);
  return ch == u'\t' || ch == u'\n' || ch == u' ';
}
BOOL CTKMarkupRun::IsLineBreak(TKMARKUPTEXTPOS pos) const { return CharAt(this, pos) == u'\n'; }
BOOL CTKMarkupRun::IsCarriageReturn(TKMARKUPTEXTPOS pos) const { return CharAt(this, pos) == u'\r'; }
BOOL CTKMarkupRun::IsBlank(TKMARKUPTEXTPOS pos) const {
  const WCHAR ch = CharAt(this, pos);
  return ch == u' ' || ch == u'\t';
}

void CTKMarkupRun::GetLogFont(LOGFONTW* pLogFont) const {
  if (m_pMarkupContext) *pLogFont = m_pMarkupContext->GetDefaultFont();
  else *pLogFont = LOGFONTW{};
  if (const CTKMarkupInt* p = MarkupDynamicCast<CTKMarkupInt>(GetValue(m_pFontSizeProperty)))
    pLogFont->lfHeight = -std::clamp(p->GetValue(), -kMaxFontSize, kMaxFontSize);
  if (const CTKMarkupEnum* p = MarkupDynamicCast<CTKMarkupEnum>(GetValue(m_pFontWeightProperty)))
    pLogFont->lfWeight = p->GetValue();
  if (const CTKMarkupEnum* p = MarkupDynamicCast<CTKMarkupEnum>(GetValue(m_pFontStyleProperty)))
    pLogFont->lfItalic = p->GetValue() ? 1 : 0;
  if (const CTKMarkupEnum* p = MarkupDynamicCast<CTKMarkupEnum>(GetValue(m_pFontQualityProperty)))
    if (GetOSVersionInfo()->IsClearTypeQualityAvailable()) pLogFont->lfQuality = static_cast<BYTE>(p->GetValue());
  if (const CTKMarkupInt* p = MarkupDynamicCast<CTKMarkupInt>(GetValue(m_pFontCharsetProperty)))
    pLogFont->lfCharSet = static_cast<BYTE>(p->GetValue() & 0xFF);
  if (const CTKMarkupString* p = MarkupDynamicCast<CTKMarkupString>(GetValue(m_pFontFamilyProperty))) {
    // The face name holds 31 characters; a longer family is cut to fit.
    const int n = std::min(p->GetLength(), 31);
    std::copy(p->GetBuffer(), p->GetBuffer() + n, pLogFont->lfFaceName);
    pLogFont->lfFaceName[n] = 0;
  }
  pLogFont->lfUnderline = 0;
  pLogFont->lfStrikeOut = 0;
}

void CTKMarkupRun::PrepareFont(CTKMarkupDrawingContext* pDC) {
  LOGFONTW lf;
  GetLogFont(&lf);
  const bool bSame = m_pFont && m_pFont->m_lf.lfHeight == lf.lfHeight && m_pFont->m_lf.lfWeight == lf.lfWeight &&
                     m_pFont->m_lf.lfItalic == lf.lfItalic && m_pFont->m_lf.lfQuality == lf.lfQuality &&
                     std::u16string_view(m_pFont->m_lf.lfFaceName) == std::u16string_view(lf.lfFaceName);
  if (!bSame && m_pMarkupContext) {
    CTKMarkupFont* pFont = m_pMarkupContext->GetFont(&lf);
    MarkupRelease(m_pFont);
    m_pFont = pFont;
  }
  if (!pDC) return;
  if (m_pFont) pDC->SetFont(m_pFont);
  HDC hDC = pDC->GetDC();
  TEXTMETRICW tm{};
  if (hDC && ::GetTextMetricsW(hDC, &tm)) m_nDescent = tm.tmDescent;
  pDC->ReleaseDC(hDC);
}

SIZE CTKMarkupRun::MeasureRange(CTKMarkupDrawingContext* pDC, TKMARKUPTEXTPOS start, TKMARKUPTEXTPOS end) {
  if (start < 0 || end < 0 || !pDC) return SIZE{0, 0};
  if (m_pFont) pDC->SetFont(m_pFont);
  const CTKMarkupString* pText = TextOf(this);
  if (start != end && pText) return pDC->GetTextExtent(pText->GetBuffer() + start, end - start);
  const SIZE sz = pDC->GetTextExtent(u" ", 1);
  return SIZE{0, sz.cy};
}

void CTKMarkupRun::RenderRange(CTKMarkupDrawingContext* pDC, const RECT& rc, TKMARKUPTEXTPOS start,
                               TKMARKUPTEXTPOS end) {
  if (start < 0 || end < 0 || start == end) return;
  const CTKMarkupString* pText = TextOf(this);
  if (!pText) return;
  if (m_pFont) pDC->SetFont(m_pFont);
  pDC->DrawTextLine(pText->GetBuffer() + start, end - start, rc);
}

void CTKMarkupInlineUIContainer::ArrangeRange(const RECT& rc, TKMARKUPTEXTPOS start, TKMARKUPTEXTPOS) {
  if (start == 0 && m_pChild) m_pChild->Arrange(rc);
}

SIZE CTKMarkupInlineUIContainer::MeasureRange(CTKMarkupDrawingContext* pDC, TKMARKUPTEXTPOS start, TKMARKUPTEXTPOS) {
  if (start != 0 || !m_pChild) return SIZE{0, 0};
  m_pChild->Measure(pDC, 32000, 32000);
  return m_pChild->GetDesiredSize();
}

void CTKMarkupInlineUIContainer::RenderRange(CTKMarkupDrawingContext* pDC, const RECT&, TKMARKUPTEXTPOS start,
                                             TKMARKUPTEXTPOS) {
  if (start == 0 && m_pChild) m_pChild->Render(pDC);
}

// ---- pieces ------------------------------------------------------------------------------------

CTKMarkupTextBlock::Piece::Piece(CTKMarkupInline* p, TKMARKUPTEXTPOS nStart, TKMARKUPTEXTPOS nEnd, BOOL bParagraph)
    : pInline(p), start(nStart), end(nEnd), bParagraphStart(bParagraph) {
  if (pInline) pInline->AddRef();
}

CTKMarkupTextBlock::Piece::Piece(const Piece& other) : Piece() { *this = other; }

CTKMarkupTextBlock::Piece& CTKMarkupTextBlock::Piece::operator=(const Piece& other) {
  if (this == &other) return *this;
  if (other.pInline) other.pInline->AddRef();
  if (pInline) pInline->Release();
  pInline = other.pInline;
  start = other.start;
  end = other.end;
  x = other.x;
  y = other.y;
  xOffset = other.xOffset;
  yOffset = other.yOffset;
  width = other.width;
  height = other.height;
  descent = other.descent;
  bParagraphStart = other.bParagraphStart;
  return *this;
}

CTKMarkupTextBlock::Piece::~Piece() {
  if (pInline) pInline->Release();
}

// ---- line building -----------------------------------------------------------------------------

// One pass of line building for a content width.
class CTKMarkupTextBlock::LineBuilder {
 public:
  LineBuilder(CTKMarkupTextBlock* pBlock, CTKMarkupDrawingContext* pDC, int nWidth, int nWrapping, int nTrimming,
              bool bJustify)
      : m_pBlock(pBlock),
        m_pDC(pDC),
        m_nWidth(nWidth),
        m_nWrapping(nWrapping),
        m_nTrimming(nTrimming),
        m_bJustify(bJustify) {}

  void Build(std::vector<Line>& lines, int& nContentWidth, int& nContentHeight) {
    m_pLines = &lines;
    CTKMarkupInline* pFirst = m_pBlock->GetFirstInline();
    if (!pFirst) AddEmptyLinePiece();
    for (CTKMarkupInline* pInline = pFirst; pInline; pInline = pInline->GetNextInline()) {
      pInline->PrepareFont(m_pDC);
      TKMARKUPTEXTPOS pos = pInline->GetTextStart();
      m_current = Piece(pInline, pos, pos, FALSE);
      m_bHasCurrent = true;
      while (pos != -1) {
        m_current.end = pos;
        if (pInline->IsCarriageReturn(pos)) pInline->Advance(pos);
        if (m_nWrapping && pInline->IsWordBreak(pos)) {
          Measure(m_current);
          FlushWord();
        }
        if (pInline->IsLineBreak(pos)) {
          Measure(m_current);
          FlushWord();
          if (m_line.pieces.empty()) {
            AddEmptyLinePiece();
            FlushWord();
          }
          FinishLine();
          pInline->Advance(pos);
          m_current.start = m_current.end = pos;
          m_current.bParagraphStart = TRUE;
        } else {
          pInline->Advance(pos);
        }
      }
      if (!(m_current.start == m_current.end && !m_current.bParagraphStart)) {
        Measure(m_current);
        m_pending.push_back(m_current);
      }
      m_bHasCurrent = false;
    }
    FlushWord();
    FinishLine();
    nContentWidth = m_nWidest;
    nContentHeight = m_nTotalHeight;
  }

 private:
  void Measure(Piece& p) {
    const SIZE sz = p.pInline->MeasureRange(m_pDC, p.start, p.end);
    p.width = sz.cx;
    p.height = sz.cy;
    p.descent = p.pInline->GetDescent();
  }

  // A run of one space in the text block's font, for empty lines and ellipses.
  CTKMarkupRun* CreateBlockRun(LPCWSTR lpszText) {
    CTKMarkupRun* pRun =
        static_cast<CTKMarkupRun*>(CreateThrough(m_pBlock->GetMarkupContext(), CTKMarkupRun::GetMarkupClass()));
    pRun->SetLogicalParent(m_pBlock);
    pRun->SetText(lpszText);
    pRun->PrepareFont(m_pDC);
    return pRun;
  }

  void AddEmptyLinePiece() {
    CTKMarkupRun* pRun = CreateBlockRun(u" ");
    Piece p(pRun, 0, 0, FALSE);
    pRun->Release();  // the piece holds it
    Measure(p);
    m_pending.push_back(p);
  }

  TKMARKUPTEXTPOS AdvancedFrom(const Piece& p, TKMARKUPTEXTPOS pos) const {
    p.pInline->Advance(pos);
    return pos;
  }

  void FlushWord() {
    if (m_bHasCurrent && (m_current.start != m_current.end || m_current.bParagraphStart)) {
      m_pending.push_back(m_current);
      m_current = Piece(m_current.pInline, m_current.end, m_current.end, FALSE);
    }
    if (m_nWrapping && m_nCurrentX > 0) {
      long long nSum = m_nCurrentX;
      for (const Piece& p : m_pending) nSum += p.width;
      if (nSum > m_nWidth) {
        m_line.bWrapped = TRUE;
        FinishLine();
      }
    }
    while (!m_pending.empty()) {
      Piece p = m_pending.front();
      m_pending.pop_front();
      if (m_nCurrentX == 0 && m_nTotalHeight > 0) {
        bool bSkipped = false;
        while (p.start != p.end && p.start >= 0 && p.pInline->IsBlank(p.start)) {
          p.start = AdvancedFrom(p, p.start);
          bSkipped = true;
        }
        if (bSkipped) {
          if (p.start == p.end || p.start < 0) continue;  // only blanks
          Measure(p);
        }
      }
      if (m_nWrapping == 1 && p.start != p.end && static_cast<long long>(m_nCurrentX) + p.width > m_nWidth) {
        BreakWord(p);
        continue;
      }
      if (!m_bJustify && !m_line.pieces.empty()) {
        Piece& last = m_line.pieces.back();
        if (last.pInline == p.pInline && last.end == p.start && !p.bParagraphStart) {
          const int nOld = last.width;
          last.end = p.end;
          Measure(last);
          m_nCurrentX = MarkupSaturate(static_cast<long long>(m_nCurrentX) + last.width - nOld);
          continue;
        }
      }
      Place(p);
    }
  }

  void Place(Piece& p) {
    p.x = m_nCurrentX;
    p.y = m_nTotalHeight;
    m_nCurrentX = MarkupAdd(m_nCurrentX, p.width);
    m_line.pieces.push_back(p);
  }

  // Wrap: the longest prefix (at least one character) that fits goes on this
  // line; the rest is handled next and may be broken again.
  void BreakWord(Piece& p) {
    const TKMARKUPTEXTPOS oldEnd = p.end;
    const int nRoom = MarkupSub(m_nWidth, m_nCurrentX);
    TKMARKUPTEXTPOS fit = AdvancedFrom(p, p.start);  // at least one character
    for (;;) {
      TKMARKUPTEXTPOS next = AdvancedFrom(p, fit);
      if (next < 0 || next > oldEnd || fit == oldEnd) break;
      const SIZE sz = p.pInline->MeasureRange(m_pDC, p.start, next);
      if (sz.cx > nRoom) break;
      fit = next;
    }
    if (fit < 0 || fit > oldEnd) fit = oldEnd;
    p.end = fit;
    Measure(p);
    Place(p);
    m_line.bWrapped = TRUE;
    FinishLine();
    if (fit != oldEnd) {
      Piece rest(p.pInline, fit, oldEnd, FALSE);
      Measure(rest);
      m_pending.push_front(rest);
    }
  }

  void FinishLine() {
    if (m_line.pieces.empty()) return;
    if (m_nTrimming && m_nCurrentX > m_nWidth) AddEllipsis();
    int nWidth = 0, nDescent = 0;
    for (const Piece& p : m_line.pieces) {
      nWidth = MarkupAdd(nWidth, p.width);
      nDescent = std::max(nDescent, p.descent);
    }
    int nHeight = 0;
    for (const Piece& p : m_line.pieces)
      nHeight = std::max(nHeight, MarkupSaturate(static_cast<long long>(nDescent) + p.height - p.descent));
    m_line.width = nWidth;
    m_line.descent = nDescent;
    m_line.height = nHeight;
    m_nWidest = std::max(m_nWidest, nWidth);
    m_nCurrentX = 0;
    m_nTotalHeight = MarkupAdd(m_nTotalHeight, nHeight);
    m_pLines->push_back(std::move(m_line));
    m_line = Line();
  }

  void AddEllipsis() {
    CTKMarkupRun* pRun = CreateBlockRun(u"...");
    Piece ellipsis(pRun, 0, 3, FALSE);
    pRun->Release();
    Measure(ellipsis);
    const int nLimit = MarkupSub(m_nWidth, ellipsis.width);
    int nSum = 0;
    size_t i = 0;
    for (; i < m_line.pieces.size(); i++) {
      Piece& p = m_line.pieces[i];
      if (static_cast<long long>(nSum) + p.width <= nLimit) {
        nSum = MarkupAdd(nSum, p.width);
        continue;
      }
      const TKMARKUPTEXTPOS oldEnd = p.end;
      TKMARKUPTEXTPOS cut = p.start, lastWordBreak = -1;
      for (TKMARKUPTEXTPOS next = AdvancedFrom(p, cut); next >= 0 && next <= oldEnd && cut != oldEnd;
           next = AdvancedFrom(p, cut)) {
        if (static_cast<long long>(nSum) + p.pInline->MeasureRange(m_pDC, p.start, next).cx > nLimit) break;
        cut = next;
        if (p.pInline->IsWordBreak(cut)) lastWordBreak = cut;
      }
      if (m_nTrimming == 2) {
        if (lastWordBreak >= 0) cut = lastWordBreak;
        else if (nSum != 0) cut = p.start;
      }
      p.end = cut;
      Measure(p);
      nSum = MarkupAdd(nSum, p.width);
      i++;
      break;
    }
    m_line.pieces.resize(std::min(i, m_line.pieces.size()));
    ellipsis.x = nSum;
    ellipsis.y = m_nTotalHeight;
    m_line.pieces.push_back(ellipsis);
    m_nCurrentX = MarkupAdd(nSum, ellipsis.width);
  }

  CTKMarkupTextBlock* m_pBlock;
  CTKMarkupDrawingContext* m_pDC;
  const int m_nWidth;
  const int m_nWrapping;
  const int m_nTrimming;
  const bool m_bJustify;
  std::vector<Line>* m_pLines = nullptr;
  Line m_line;
  Piece m_current;
  bool m_bHasCurrent = false;
  std::deque<Piece> m_pending;
  int m_nCurrentX = 0;
  int m_nTotalHeight = 0;
  int m_nWidest = 0;
};

// ---- text block --------------------------------------------------------------------------------

const std::vector<CTKMarkupTextBlock::Line>& CTKMarkupTextBlock::GetLines() const {
  static const std::vector<Line> s_empty;
  return m_pLines ? *m_pLines : s_empty;
}

CTKMarkupInline* CTKMarkupTextBlock::GetFirstInline() const {
  m_pInlines->MakeRuns();
  if (m_pInlines->GetCount() == 0) return nullptr;
  CTKMarkupInline* pFirst = MarkupDynamicCast<CTKMarkupInline>(m_pInlines->GetItem(0));
  return pFirst ? pFirst->GetFirstInline() : nullptr;
}

void CTKMarkupTextBlock::InvalidateMeasureCore(CTKMarkupDrawingContext* pDC) {
  m_nRememberedWidth = -1;
  CTKMarkupFrameworkElement::InvalidateMeasureCore(pDC);
}

SIZE CTKMarkupTextBlock::MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int) {
  const CTKMarkupThickness* pPadding = MarkupDynamicCast<CTKMarkupThickness>(GetValue(m_pPaddingProperty));
  if (!pPadding) pPadding = CTKMarkupThickness::GetSharedZeroThickness();
  const int nWidth =
      MarkupSaturate(std::max<long long>(0, static_cast<long long>(cx) - pPadding->left - pPadding->right));
  const int nWrapping = MarkupEnumValue(GetValue(m_pTextWrappingProperty), 0);
  const int nTrimming = nWrapping ? 0 : MarkupEnumValue(GetValue(m_pTextTrimmingProperty), 0);
  const bool bJustify = nWrapping && MarkupEnumValue(GetValue(m_pTextAlignmentProperty), 0) == 3;
  const bool bReuse = nWidth == m_nRememberedWidth || (!nWrapping && !nTrimming && m_nRememberedWidth != -1);
  if (!bReuse || !m_pLines) {
    m_nRememberedWidth = nWidth;
    auto pLines = std::make_unique<std::vector<Line>>();
    LineBuilder builder(this, pDC, nWidth, nWrapping, nTrimming, bJustify);
    builder.Build(*pLines, m_nContentWidth, m_nContentHeight);
    m_pLines = std::move(pLines);
  }
  return SIZE{MarkupSaturate(static_cast<long long>(pPadding->left) + pPadding->right + m_nContentWidth),
              MarkupSaturate(static_cast<long long>(pPadding->top) + pPadding->bottom + m_nContentHeight)};
}

SIZE CTKMarkupTextBlock::ArrangeOverride(int cx, int cy) {
  if (!m_pLines) return SIZE{cx, cy};
  const CTKMarkupThickness* pPadding = MarkupDynamicCast<CTKMarkupThickness>(GetValue(m_pPaddingProperty));
  if (!pPadding) pPadding = CTKMarkupThickness::GetSharedZeroThickness();
  const int nAlignment = MarkupEnumValue(GetValue(m_pTextAlignmentProperty), 0);
  for (Line& line : *m_pLines) {
    const int nFree = MarkupSaturate(static_cast<long long>(cx) - line.width - pPadding->right - pPadding->left);
    int nOffset = nAlignment == 1 ? nFree : nAlignment == 2 ? nFree / 2 : 0;
    int nGaps = -1, nRemaining = nFree;
    if (nAlignment == 3 && line.bWrapped && static_cast<long long>(cx) - line.width > 0 && !line.pieces.empty()) {
      nGaps = -1;
      for (const Piece& p : line.pieces)
        if (!p.bParagraphStart) nGaps++;
    }
    bool bFirstWord = true;
    for (Piece& p : line.pieces) {
      if (nGaps > 0 && !p.bParagraphStart) {
        if (bFirstWord) {
          bFirstWord = false;
        } else {
          const int nShare = std::max(nRemaining / nGaps, 1);
          nOffset = MarkupAdd(nOffset, nShare);
          nRemaining = MarkupSub(nRemaining, nShare);
          nGaps--;
        }
      }
      p.xOffset = MarkupAdd(pPadding->left, nOffset);
      p.yOffset = MarkupSaturate(static_cast<long long>(line.height) + pPadding->top - p.height);
      switch (MarkupEnumValue(p.pInline->GetValue(CTKMarkupInline::m_pBaselineAlignmentProperty), 3)) {
        case 0:
        case 4:
          p.yOffset = MarkupSaturate(static_cast<long long>(p.yOffset) + p.height - line.height);
          break;
        case 1:
          p.yOffset = MarkupSaturate(p.yOffset + (static_cast<long long>(p.height) - line.height) / 2);
          break;
        case 3:
          p.yOffset = MarkupSaturate(static_cast<long long>(p.yOffset) + p.descent - line.descent);
          break;
        case 6:
          p.yOffset = MarkupSaturate(static_cast<long long>(p.yOffset) + p.descent - line.descent / 2);
          break;
        case 7:
          p.yOffset =
              MarkupSaturate(static_cast<long long>(p.yOffset) + line.descent / 2 + p.height - p.descent - line.height);
          break;
        default:
          break;
      }
      p.pInline->ArrangeRange(p.GetArrangedRect(), p.start, p.end);
    }
  }
  return SIZE{cx, cy};
}

void CTKMarkupTextBlock::OnRender(CTKMarkupDrawingContext* pDC) {
  CTKMarkupBrush* pBlockBackground =
      MarkupDynamicCast<CTKMarkupBrush>(GetValue(CTKMarkupTextElement::m_pBackgroundProperty));
  if (pBlockBackground) pDC->FillRectangle(RECT{0, 0, m_szRenderSize.cx, m_szRenderSize.cy}, pBlockBackground);
  if (!m_pLines) return;
  const COLORREF clrDefault = m_pMarkupContext ? m_pMarkupContext->GetDefaultColor() : 0;
  CTKMarkupSolidColorBrush* pFallback = new CTKMarkupSolidColorBrush(new CTKMarkupColor(clrDefault));
  CTKMarkupBrush* pLastColor = nullptr;
  const RECT& rcClip = pDC->GetClipBox();
  for (const Line& line : *m_pLines) {
    for (const Piece& p : line.pieces) {
      const RECT rc = p.GetArrangedRect();
      if (std::max(rc.left, rcClip.left) >= std::min(rc.right, rcClip.right) ||
          std::max(rc.top, rcClip.top) >= std::min(rc.bottom, rcClip.bottom))
        continue;
      CTKMarkupBrush* pBackground =
          MarkupDynamicCast<CTKMarkupBrush>(p.pInline->GetValue(CTKMarkupTextElement::m_pBackgroundProperty));
      if (pBackground && pBackground != pBlockBackground) pDC->FillRectangle(rc, pBackground);
      CTKMarkupBrush* pForeground =
          MarkupDynamicCast<CTKMarkupBrush>(p.pInline->GetValue(CTKMarkupTextElement::m_pForegroundProperty));
      if (!pForeground) pForeground = pFallback;
      if (pForeground != pLastColor) {
        pDC->SetTextColor(pForeground);
        pLastColor = pForeground;
      }
      p.pInline->RenderRange(pDC, rc, p.start, p.end);

      // Underline and strike-through bars, in the colour of the element that
      // asked for them.
      const int nDecorations =
          MarkupEnumValue(p.pInline->GetValue(CTKMarkupTextElement::m_pTextDecorationsProperty), 0);
      const CTKMarkupObject* pHolder = p.pInline->FindValueOwner(CTKMarkupTextElement::m_pTextDecorationsProperty);
      if (!nDecorations || !pHolder) continue;
      CTKMarkupBrush* pBarBrush =
          MarkupDynamicCast<CTKMarkupBrush>(pHolder->GetValue(CTKMarkupTextElement::m_pForegroundProperty));
      if (!pBarBrush) pBarBrush = pFallback;
      const int D = line.descent, H = line.height, d = p.descent;
      const int nBar = std::max(D / 3, 1);
      if (nDecorations & 1) {
        const int top = MarkupSaturate(static_cast<long long>(rc.bottom) - d + nBar);
        pDC->FillRectangle(RECT{rc.left, top, rc.right, MarkupAdd(top, nBar)}, pBarBrush);
      }
      if (nDecorations & 2) {
        const int top = MarkupSaturate(static_cast<long long>(rc.bottom) - d + D - (static_cast<long long>(H) - D) / 2);
        pDC->FillRectangle(RECT{rc.left, top, rc.right, MarkupAdd(top, nBar)}, pBarBrush);
      }
    }
  }
  pDC->SetTextColor(nullptr);
  pFallback->Release();
}

CTKMarkupInputElement* CTKMarkupTextBlock::HitTestCore(int x, int y) {
  if (m_pLines) {
    for (const Line& line : *m_pLines) {
      for (const Piece& p : line.pieces) {
        const RECT rc = p.GetArrangedRect();
        if (x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom) {
          CTKMarkupInputElement* pHit = p.pInline->InputHitTest(x, y);
          return pHit ? pHit : this;
        }
      }
    }
  }
  return this;
}
