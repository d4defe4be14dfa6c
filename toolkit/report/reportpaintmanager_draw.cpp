// The paint manager's drawing of row backgrounds, grid and tree lines,
// dividers, glyphs, sort arrows, column buttons, footers and in-cell
// buttons. The callers decide where and when; these decide how.
#include <algorithm>

#include "platform/framework/afxgdi.h"
#include "platform/shell/shellapi.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/resourceimages.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/common/winthemewrapper.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportdatahost.h"
#include "toolkit/report/reportitemcontrols.h"
#include "toolkit/report/reportpaintinternal.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecorditem.h"

namespace {

COLORREF Sys(int index) { return GetColorManager()->GetColor(index); }

}  // namespace

// ---- rows, grid and focus ----

void CTKReportPaintManager::FillRow(CDC* pDC, CTKReportRow* pRow, CRect rcRow) {
  if (!m_bUseAlternativeBackground || !pDC) return;
  const int index = TKGetReportDataHost(m_pControl)->GetRowIndex(pRow);
  if (index % 2 == 1) pDC->FillSolidRect(&rcRow, m_clrAlternativeBackground);
}

void CTKReportPaintManager::DrawGridLine(CDC* pDC, BOOL bVertical, CRect rc) {
  if (!pDC) return;
  const COLORREF color = m_clrGridLine;
  if (!bVertical) {
    if (m_nHorizontalGridStyle == tkGridSolid) {
      HLine(pDC, rc.left, rc.bottom, rc.Width(), color);
    } else if (m_nHorizontalGridStyle >= tkGridSmallDots && m_nHorizontalGridStyle <= tkGridDashes) {
      DrawPatternedRect(pDC, &m_brushHorizontalGrid, CRect(rc.left, rc.bottom, rc.right, rc.bottom + 1),
                        kGridPatterns[0][m_nHorizontalGridStyle], color);
    }
  } else {
    if (m_nVerticalGridStyle == tkGridSolid) {
      VLine(pDC, rc.right - 1, rc.top, rc.Height(), color);
    } else if (m_nVerticalGridStyle >= tkGridSmallDots && m_nVerticalGridStyle <= tkGridDashes) {
      DrawPatternedRect(pDC, &m_brushVeriticalGrid, CRect(rc.right - 1, rc.top, rc.right, rc.bottom),
                        kGridPatterns[1][m_nVerticalGridStyle], color);
    }
  }
}

void CTKReportPaintManager::DrawPatternedRect(CDC* pDC, CBrush* pBrush, CRect rc, const WORD pattern[8],
                                              COLORREF color) {
  if (!pDC || !pBrush) return;
  if (!pBrush->GetSafeHandle()) {
    CBitmap bitmap;
    bitmap.CreateBitmap(8, 8, 1, 1, pattern);
    pBrush->CreatePatternBrush(&bitmap);
  }
  CBrush* old = pDC->SelectObject(pBrush);
  const COLORREF oldText = pDC->SetTextColor(m_clrControlBack);
  const COLORREF oldBack = pDC->SetBkColor(color);
  pDC->PatBlt(rc.left, rc.top, rc.Width(), rc.Height(), PATCOPY);
  pDC->SetTextColor(oldText);
  pDC->SetBkColor(oldBack);
  pDC->SelectObject(old);
}

void CTKReportPaintManager::DrawFocusedRow(CDC* pDC, CRect rcRow) {
  if (!pDC) return;
  if (IsControlInIconView()) rcRow.DeflateRect(1, 1);
  const COLORREF oldText = pDC->SetTextColor(m_clrControlBack);
  const COLORREF oldBack = pDC->SetBkColor(m_clrWindowText);
  pDC->DrawFocusRect(&rcRow);
  pDC->SetTextColor(oldText);
  pDC->SetBkColor(oldBack);
}

void CTKReportPaintManager::FillIndent(CDC* pDC, CRect rc) {
  if (pDC) pDC->FillSolidRect(&rc, m_clrIndentControl);
}

void CTKReportPaintManager::FillSortedColumnShade(CDC* pDC, CRect rc) {
  if (pDC && m_bShadeSortColumn) pDC->FillSolidRect(&rc, m_clrItemShade);
}

void CTKReportPaintManager::FillHeaderControl(CDC* pDC, CRect rc) {
  if (pDC) pDC->FillSolidRect(&rc, m_clrHeaderControl);
}

void CTKReportPaintManager::FillGroupByControl(CDC* pDC, CRect rc) {
  if (pDC) pDC->FillSolidRect(&rc, m_clrGroupBoxBack);
}

void CTKReportPaintManager::DrawSectionDivider(CDC* pDC, const CRect& rc, int nPosition, int nStyle, COLORREF color) {
  if (!pDC) return;
  switch (nStyle) {
    case 1:
    case 2:
      pDC->FillSolidRect(&rc, color);
      break;
    case 4: {
      int pos = 0, limit = 0;
      GetControlVerticalScroll(&pos, &limit);
      if (nPosition == 1 && pos > 0)
        GetDrawHelpers()->GradientFill(pDC, CRect(rc.left, rc.bottom, rc.right, rc.bottom + 4), color,
                                       RGB(255, 255, 255), FALSE);
      else if (nPosition == 0 && pos != limit)
        GetDrawHelpers()->GradientFill(pDC, CRect(rc.left, rc.top - 4, rc.right, rc.top), RGB(255, 255, 255), color,
                                       FALSE);
      break;
    }
    case 8:
      // A number no style has draws no band.
      if (TKReportColumnStyleFromNumber(m_columnStyle)) m_pColumnStyle->DrawSectionBand(pDC, this, rc);
      break;
    default:
      break;
  }
}

int CTKReportPaintManager::GetDividerThickness(int nStyle) const {
  switch (nStyle & ~4) {
    case 1:
      return 1;
    case 2:
      return 2;
    case 8:
      return 8;
    default:
      return 0;
  }
}

void CTKReportPaintManager::DrawFreezeColsDivider(CDC* pDC, const CRect& rc, CTKReportControl* pControl,
                                                  CTKReportRow* pRow) {
  const int style = m_nFreezeColsDividerStyle;
  if (!pDC || style == 0 || (IsControlAutoColumnSizing() && !(style & tkFreezeDividerShowAlways))) {
    m_nFreezeColsDividerPosition = 0;
    return;
  }
  CRect rcDivider(rc);
  if ((style & tkFreezeDividerShade) && IsControlScrolledByPixels()) {
    rcDivider.SetRect(rc.right - 1, rc.top, rc.right + 3, rc.bottom);
    GetDrawHelpers()->GradientFill(pDC, &rcDivider, m_clrFreezeColsDivider, RGB(255, 255, 255), TRUE);
  } else if (style & (tkFreezeDividerThin | tkFreezeDividerBold)) {
    rcDivider.left = rc.right - ((style & tkFreezeDividerBold) ? 2 : 1);
    pDC->FillSolidRect(&rcDivider, m_clrFreezeColsDivider);
  }
  if (pRow && IsRowSelected(pRow) && (style & (tkFreezeDividerThin | tkFreezeDividerBold | tkFreezeDividerShade)))
    pDC->InvertRect(&rcDivider);
  m_nFreezeColsDividerPosition = rcDivider.left;
}

// ---- tree lines ----

void CTKReportPaintManager::DrawTreeLine(CDC* pDC, int x, int y, int cx, int cy, COLORREF color) {
  if (!pDC) return;
  if (m_nTreeStructureStyle == 2)
    DrawPatternedRect(pDC, &m_brushTreeStructure, CRect(x, y, x + cx, y + cy), kTreeLinePattern, m_clrControlDark);
  else pDC->FillSolidRect(x, y, cx, cy, color);
}

// ---- glyphs and images ----

CSize CTKReportPaintManager::DrawGlyph(CDC* pDC, CRect rc, int nGlyph) {
  const bool checkGlyph = nGlyph == 2 || nGlyph == 3 || nGlyph == 4 || nGlyph == 5 || nGlyph == 8;
  if (CSize size; checkGlyph && m_pColumnStyle->DrawCheckGlyph(pDC, this, rc, nGlyph, &size)) return size;
  CTKImageManagerIcon* icon = m_pGlyphs ? m_pGlyphs->LookupIcon(static_cast<UINT>(nGlyph), 16) : nullptr;
  if (!icon) return CSize(0, 0);
  const CSize size(icon->GetWidth(), icon->GetHeight());
  if (pDC && size.cy < rc.Height())
    icon->Draw(pDC, CPoint(rc.left + 1, rc.top + (rc.Height() - size.cy) / 2), icon->GetNormalImage(), size);
  return CSize(size.cx + 1, size.cy + 1);
}

CSize CTKReportPaintManager::DrawShellIcon(CDC* pDC, CRect rc, int nIcon) {
  HICON small = nullptr;
  if (::ExtractIconEx(u"SHELL32.DLL", nIcon, nullptr, &small, 1) > 0 && small) {
    if (pDC) ::DrawIconEx(pDC->GetSafeHdc(), rc.left + 1, rc.top + 1, small, 16, 16, 0, nullptr, DI_NORMAL);
    ::DestroyIcon(small);
  } else {
    DrawGlyph(pDC, rc, tkGlyphLocked);
  }
  return CSize(17, 17);
}

int CTKReportPaintManager::DrawSortArrow(CDC* pDC, CRect rc, BOOL bDecreasing, int nInset) {
  if (rc.Width() <= 10 || !pDC) return rc.Width();
  CTKImageManagerIcon* image =
      m_pGlyphs ? m_pGlyphs->LookupIcon(bDecreasing ? tkGlyphSortDescending : tkGlyphSortAscending, 16) : nullptr;
  if (image && image->GetWidth() == 16) {
    const int w = image->GetWidth(), h = image->GetHeight();
    image->DrawNormalAt(pDC, CPoint((rc.left + rc.right - w) / 2, (rc.top + rc.bottom - h) / 2 + (nInset ? 1 : 0)));
    return rc.Width();
  }
  const int cx = (rc.left + rc.right) / 2, cy = (rc.top + rc.bottom) / 2;
  m_pColumnStyle->DrawSortArrow(pDC, this, CPoint(cx, cy), bDecreasing);
  return rc.Width();
}

void CTKReportPaintManager::DrawLeftBottomEdges(CDC* pDC, CRect rc) {
  if (!pDC) return;
  VLine(pDC, rc.left, rc.top, rc.bottom - rc.top, RGB(0, 0, 0));
  HLine(pDC, rc.left, rc.bottom, rc.right - rc.left, RGB(0, 0, 0));
}

// ---- footer ----

void CTKReportPaintManager::FillFooter(CDC* pDC, CRect rc) {
  if (!pDC) return;
  m_pColumnStyle->FillFooter(pDC, this, rc);
}

void CTKReportPaintManager::DrawColumnFooter(CDC* pDC, CTKReportColumn* pColumn, CTKReportHeader*, CRect rc) {
  if (!pDC || !pColumn) return;
  if (pColumn->m_bDrawFooterDivider) {
    VLine(pDC, rc.right, rc.top + 6, rc.Height() - 9, m_clrControlLightLight);
    VLine(pDC, rc.right - 1, rc.top + 5, rc.Height() - 9, m_pColumnStyle->GetFooterDividerColor(this));
  }
  const CString text = pColumn->GetFooterText();
  CRect rcText(rc.left + 3, rc.top + 2, rc.right - 3, rc.bottom - 2);
  if (text.IsEmpty() || rcText.Width() <= 0) return;

  const int oldMode = pDC->SetBkMode(TRANSPARENT);
  CTKFontDC font(pDC, pColumn->GetFont() ? pColumn->GetFont() : &m_fontCaption, m_clrCaptionText);
  const int alignment = pColumn->GetFooterAlignment();
  const int needed = GetTextWidth(pDC, text) + 6;
  if (needed < rcText.Width()) {
    if (alignment & DT_RIGHT) rcText.left = rcText.right - needed;
    else if (alignment & DT_CENTER) rcText.left = (rcText.left + rcText.right - needed) / 2;
  }
  if (!m_bFixedRowHeight && (alignment & DT_WORDBREAK)) {
    CRect rcCalc(rcText);
    pDC->DrawText(text, &rcCalc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS);
    const int spare = rcText.Height() - rcCalc.Height();
    if (spare > 1) rcText.top += spare / 2;
    pDC->DrawText(text, &rcText, DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS);
  } else {
    pDC->DrawText(text, &rcText, DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
  }
  pDC->SetBkMode(oldMode);
}

// ---- column buttons ----

void CTKReportPaintManager::DrawColumnBackground(CDC* pDC, CTKReportColumn* pColumn, CRect rc, BOOL* pbColumnPressed,
                                                 CTKReportHeader* pHeader) {
  if (!pDC || !pColumn) return;
  CTKReportColumn* prev = pHeader ? GetColumnLeftOf(pHeader, pColumn) : nullptr;
  m_pColumnStyle->DrawColumnBackground(pDC, this, pColumn, prev, rc, pbColumnPressed);
}

void CTKReportPaintManager::DrawColumn(CDC* pDC, CTKReportColumn* pColumn, CTKReportHeader* pHeader, CRect rcColumn,
                                       BOOL bDrawExternal) {
  if (!pDC || !pColumn) return;
  const BOOL pressInProgress = pHeader && IsHeaderPressInProgress(pHeader);
  BOOL boxLook = bDrawExternal;
  if (pColumn->IsPressed() && pressInProgress && rcColumn.left == 0 && rcColumn.top == 0) boxLook = FALSE;
  BOOL pressed = pColumn->IsPressed() && !bDrawExternal && pressInProgress;
  const BOOL printing = pDC->IsPrinting();

  // Background.
  int bottomInset = 0;
  if (!boxLook) {
    bottomInset = m_pColumnStyle->GetCaptionBottomInset();
    DrawColumnBackground(pDC, pColumn, rcColumn, &pressed, pHeader);
  } else {
    m_pColumnStyle->DrawColumnBox(pDC, this, rcColumn);
  }
  pDC->SetBkColor(m_clrHeaderControl);

  CRect rcCaption(rcColumn.left, rcColumn.top, rcColumn.right, rcColumn.bottom - 1 - bottomInset);
  if (!boxLook && !pColumn->IsAutoSize()) rcCaption.left += pColumn->GetIndent();

  const BOOL sortArrow = pColumn->IsSorted() && pColumn->IsSortable() && !(printing && !m_bPrintSortTriangle) &&
                         m_nSortArrowPlacement != 2;
  CTKFontDC font(pDC, &m_fontCaption);
  const CString caption = pColumn->GetCaption();
  CTKMarkupInputElement* markup = pColumn->GetMarkupUIElement();
  int captionWidth = 0;
  if (markup) captionWidth = MarkupMeasureElement(markup, 0x7FFFFFFF, 0x7FFFFFFF).cx;
  else captionWidth = GetTextWidth(pDC, caption);

  const int headerAlign = pColumn->GetHeaderAlignment();
  const bool right = (headerAlign & DT_RIGHT) != 0;
  const bool centred = !right && (headerAlign & DT_CENTER) != 0;
  bool iconRight = (headerAlign & kTKAlignIconRight) != 0;
  bool iconCentred = !iconRight && (headerAlign & kTKAlignIconCenter) != 0;
  if (iconCentred && !caption.IsEmpty()) {
    iconCentred = false;
    iconRight = true;
  }
  int icon = pColumn->GetIconID();
  const int iconSpace = icon != -1 ? DrawBitmap(nullptr, m_pControl, rcColumn, icon) + 2 : 0;
  const int arrowExtra = boxLook ? 17 : 10;

  // Column block button.
  if (!boxLook && pColumn->IsPlusMinus() && pColumn->GetNextVisualBlock() != 0 && !printing) {
    const CSize glyph = DrawGlyph(nullptr, rcColumn, tkGlyphCollapsed);
    if (glyph.cx > 0) {
      const int id = m_bColumnBlockGlyphs ? (pColumn->IsExpanded() ? 1 : 0) : (pColumn->IsExpanded() ? 7 : 6);
      DrawGlyph(pDC, CRect(rcColumn.right - glyph.cx - 2, rcColumn.top, rcColumn.right, rcColumn.bottom), id);
      rcCaption.right = rcColumn.right - glyph.cx - 2;
    }
  }
  if (m_bCompactNarrowColumnIcon && icon != -1 && !caption.IsEmpty() && rcCaption.Width() <= 2 * iconSpace) icon = -1;

  if (right || centred) {
    int needed = captionWidth + 6;
    if (icon != -1) needed += iconSpace;
    if (sortArrow) needed += arrowExtra + 18;
    if (rcCaption.Width() > needed)
      rcCaption.left = right ? rcCaption.right - needed : (rcCaption.right - needed + rcCaption.left) / 2;
  }

  if (icon != -1) {
    const CRect rcIconArea(rcCaption.left, rcCaption.top, rcCaption.right, rcCaption.bottom + bottomInset);
    if (iconCentred) {
      const int x = rcCaption.left + (rcCaption.Width() - iconSpace) / 2;
      DrawColumnIcon(pDC, pColumn, rcColumn, CRect(x, rcIconArea.top, rcIconArea.right, rcIconArea.bottom), icon);
      rcCaption.left = x + iconSpace + 2;
    } else if (iconRight) {
      const int x = rcCaption.right - iconSpace;
      DrawColumnIcon(pDC, pColumn, rcColumn, CRect(x, rcIconArea.top, rcIconArea.right, rcIconArea.bottom), icon);
      rcCaption.right = x;
    } else {
      rcCaption.left += DrawColumnIcon(pDC, pColumn, rcColumn, rcIconArea, icon) + 2;
    }
  }

  const int oldMode = pDC->SetBkMode(TRANSPARENT);
  rcCaption.DeflateRect(3, 0);
  int arrowLeft = rcCaption.right;
  if (!caption.IsEmpty() && rcCaption.Width() > 0) {
    if (sortArrow) {
      arrowLeft = rcCaption.left + captionWidth + arrowExtra;
      if (captionWidth + arrowExtra + 16 > rcCaption.Width() && m_nSortArrowPlacement == 1 && rcCaption.Width() > 16) {
        arrowLeft = rcCaption.right - 16;
        rcCaption.right -= 18;
      }
    }
    if (markup) {
      MarkupSetDefaultFont(MarkupGetElementContext(markup), static_cast<HFONT>(m_fontCaption.GetSafeHandle()),
                           m_clrCaptionText);
      MarkupRenderElement(markup, pDC->GetSafeHdc(), &rcCaption);
    } else {
      const COLORREF oldText = pDC->SetTextColor(m_clrCaptionText);
      if (headerAlign & DT_WORDBREAK) {
        const UINT flags = DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | (right ? DT_RIGHT : 0);
        CRect rcCalc(rcCaption);
        pDC->DrawText(caption, &rcCalc, flags | DT_CALCRECT);
        CRect rcText(rcCaption);
        const int spare = rcCaption.Height() - rcCalc.Height();
        if (spare > 1) rcText.top += spare / 2;
        pDC->DrawText(caption, &rcText, flags);
      } else {
        pDC->DrawText(caption, &rcCaption, DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
      }
      pDC->SetTextColor(oldText);
    }
  }
  if (sortArrow && rcCaption.right - arrowLeft >= 16) {
    CRect rcArrow(arrowLeft, rcCaption.top, arrowLeft + 16, rcCaption.bottom);
    if (m_bSortArrowAtRight) rcArrow.SetRect(rcCaption.right - 16, rcCaption.top, rcCaption.right, rcCaption.bottom);
    if (rcArrow.right <= rcColumn.right) DrawSortArrow(pDC, rcArrow, pColumn->IsSortedDecreasing(), bottomInset);
  }
  pDC->SetBkMode(oldMode);

  if (pressed && m_bInvertColumnOnClick) pDC->InvertRect(&rcColumn);
}

void CTKReportPaintManager::DrawNoGroupByText(CDC* pDC, CRect rc) {
  if (!pDC || !m_pControl) return;
  CTKMarkupContext* context = TKGetReportDataHost(m_pControl)->GetMarkupContext();
  if (context) {
    if (!m_pGroupByHintElement || m_strGroupByHintSource != m_strNoGroupBy) {
      MarkupReleaseElement(m_pGroupByHintElement);
      m_pGroupByHintElement = MarkupParseText(context, m_strNoGroupBy);
      m_strGroupByHintSource = m_strNoGroupBy;
    }
    if (m_pGroupByHintElement) {
      CRect area = GetControlGroupByArea();
      area.left += 9;
      MarkupSetDefaultFont(context, static_cast<HFONT>(m_fontCaption.GetSafeHandle()), m_clrGroupBoxText);
      MarkupMeasureElement(m_pGroupByHintElement, area.Width(), area.Height());
      MarkupRenderElement(m_pGroupByHintElement, pDC->GetSafeHdc(), &area);
      return;
    }
  } else {
    MarkupReleaseElement(m_pGroupByHintElement);
    m_strGroupByHintSource.Empty();
  }
  CTKFontDC font(pDC, &m_fontCaption, m_clrGroupBoxText);
  const int extent = GetTextWidth(pDC, m_strNoGroupBy);
  rc.right = rc.left + (extent < 47 ? 55 : extent + 8);
  m_pColumnStyle->FillGroupByHint(pDC, this, rc);
  const int oldMode = pDC->SetBkMode(TRANSPARENT);
  pDC->DrawText(m_strNoGroupBy, &rc, DT_CENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  pDC->SetBkMode(oldMode);
}

// ---- in-cell buttons ----

BOOL CTKReportPaintManager::DrawComboButtonGlyph(CDC* pDC, CRect* pRect) {
  if (!pDC || !pRect || !m_bInCellButtons || (pDC->IsPrinting() && !m_bPrintButtons)) return FALSE;
  CRect rc(*pRect);
  if (m_bUseThemedControls && IsVisualStyleOn(m_themeCombo)) {
    m_themeCombo->DrawThemeBackground(pDC->GetSafeHdc(), 1, 1, &rc, nullptr);
    return TRUE;
  }
  pDC->FillSolidRect(&rc, Sys(COLOR_BTNFACE));
  Frame(pDC, rc, Sys(COLOR_BTNFACE), Sys(COLOR_3DDKSHADOW));
  CRect inner(rc);
  inner.DeflateRect(1, 1);
  Frame(pDC, inner, Sys(COLOR_WINDOW), Sys(COLOR_BTNSHADOW));
  const CPoint c = rc.CenterPoint();
  CTKDrawHelpers::Triangle(pDC, CPoint(c.x - 3, c.y - 1), CPoint(c.x + 3, c.y - 1), CPoint(c.x, c.y + 2),
                           Sys(COLOR_BTNTEXT));
  return TRUE;
}

BOOL CTKReportPaintManager::DrawExpandButtonGlyph(CDC* pDC, CRect* pRect) {
  if (!pDC || !pRect || !m_bInCellButtons || (pDC->IsPrinting() && !m_bPrintButtons)) return FALSE;
  CRect rc(*pRect);
  pDC->FillSolidRect(&rc, Sys(COLOR_BTNFACE));
  if (m_bUseThemedControls && IsVisualStyleOn(m_themeButton)) {
    m_themeButton->DrawThemeBackground(pDC->GetSafeHdc(), 1, 1, &rc, nullptr);
  } else {
    Frame(pDC, rc, Sys(COLOR_BTNFACE), Sys(COLOR_3DDKSHADOW));
    CRect inner(rc);
    inner.DeflateRect(1, 1);
    Frame(pDC, inner, Sys(COLOR_WINDOW), Sys(COLOR_BTNSHADOW));
  }
  for (int i = 0; i < 3; i++)
    pDC->FillSolidRect(CRect(rc.left + 4 * i + 3, rc.bottom - 5, rc.left + 4 * i + 5, rc.bottom - 3),
                       Sys(COLOR_BTNTEXT));
  return TRUE;
}

BOOL CTKReportPaintManager::DrawSpinButtonGlyph(CDC* pDC, CRect* pRect) {
  if (!pDC || !pRect || !m_bInCellButtons || (pDC->IsPrinting() && !m_bPrintButtons)) return FALSE;
  if (!m_bUseThemedControls || !IsVisualStyleOn(m_themeSpin)) return FALSE;
  CRect upper(*pRect), lower(*pRect);
  upper.bottom = lower.top = pRect->top + pRect->Height() / 2;
  m_themeSpin->DrawThemeBackground(pDC->GetSafeHdc(), 1, 1, &upper, nullptr);
  m_themeSpin->DrawThemeBackground(pDC->GetSafeHdc(), 2, 1, &lower, nullptr);
  return TRUE;
}
