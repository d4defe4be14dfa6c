// The paint manager's drawing and measuring that read the control: row
// heights, group rows, tree lines, icons, row numbers, expand buttons and
// in-cell controls, and the facts of the control the other drawing reads.
#include <algorithm>

#include "platform/base/wstr.h"
#include "platform/framework/afxgdi.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/resourceimages.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/common/winthemewrapper.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportdatahost.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportinplacebutton.h"
#include "toolkit/report/reporthyperlink.h"
#include "toolkit/report/reportitemcontrols.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecorditem.h"
#include "toolkit/report/reportselectedrows.h"

namespace {

COLORREF Sys(int index) { return GetColorManager()->GetColor(index); }

// Draws an icon at a point; when printing, composed on a bitmap filled with
// the DC's background first (no transparent blits to a printer).
void DrawIconAt(CDC* pDC, CTKImageManagerIcon* icon, CPoint pt, BOOL selected) {
  const CSize size(icon->GetWidth(), icon->GetHeight());
  if (pDC->IsPrinting()) {
    CDC mem;
    mem.CreateCompatibleDC(pDC);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(pDC, size.cx, size.cy);
    CBitmap* old = mem.SelectObject(&bitmap);
    mem.FillSolidRect(0, 0, size.cx, size.cy, pDC->GetBkColor());
    icon->Draw(&mem, CPoint(0, 0), icon->GetNormalImage(), size);
    pDC->BitBlt(pt.x, pt.y, size.cx, size.cy, &mem, 0, 0, SRCCOPY);
    mem.SelectObject(old);
    return;
  }
  icon->Draw(pDC, pt, selected ? icon->GetCheckedImage() : icon->GetNormalImage(), size);
}

// A raised button face: face and dark edge outside, highlight and shadow
// one pixel inside; a pressed one is framed dark edge and window colour.
void DrawButtonFace(CDC* pDC, const CRect& rc, BOOL pressed) {
  pDC->FillSolidRect(&rc, Sys(COLOR_BTNFACE));
  if (pressed) {
    pDC->Draw3dRect(&rc, Sys(COLOR_3DDKSHADOW), Sys(COLOR_WINDOW));
    return;
  }
  pDC->Draw3dRect(&rc, Sys(COLOR_BTNFACE), Sys(COLOR_3DDKSHADOW));
  CRect inner(rc);
  inner.DeflateRect(1, 1);
  pDC->Draw3dRect(&inner, Sys(COLOR_WINDOW), Sys(COLOR_BTNSHADOW));
}

// The three dots of an expand button along the bottom.
void DrawThreeDots(CDC* pDC, const CRect& rc) {
  for (int i = 0; i < 3; i++)
    pDC->FillSolidRect(CRect(rc.left + 4 * i + 3, rc.bottom - 5, rc.left + 4 * i + 5, rc.bottom - 3),
                       Sys(COLOR_BTNTEXT));
}

// A small arrow centred in the rectangle, pointing down or up.
void DrawArrow(CDC* pDC, const CRect& rc, BOOL down) {
  const CPoint c = rc.CenterPoint();
  if (down)
    CTKDrawHelpers::Triangle(pDC, CPoint(c.x - 3, c.y - 1), CPoint(c.x + 3, c.y - 1), CPoint(c.x, c.y + 2),
                             Sys(COLOR_BTNTEXT));
  else
    CTKDrawHelpers::Triangle(pDC, CPoint(c.x - 3, c.y + 1), CPoint(c.x + 3, c.y + 1), CPoint(c.x, c.y - 2),
                             Sys(COLOR_BTNTEXT));
}

BOOL IsThemeActive(CTKWinThemeWrapper* theme) { return theme && theme->IsAppThemed(); }

}  // namespace

// ---- in-place buttons ----

void CTKReportPaintManager::DrawInplaceButtonFrame(CDC* pDC, CTKReportInplaceButton* pButton) {
  if (!pDC || !pButton || !pButton->GetSafeHwnd()) return;
  CRect rc;
  pButton->GetClientRect(&rc);
  DrawButtonFace(pDC, rc, pButton->IsPressed());
}

BOOL CTKReportPaintManager::DrawInplaceButtonIcon(CDC* pDC, CTKReportInplaceButton* pButton) {
  if (!pDC || !pButton || !pButton->GetSafeHwnd() || pButton->GetIconIndex() == -1) return FALSE;
  CTKReportControl* control = pButton->pControl ? pButton->pControl : m_pControl;
  CTKImageManager* images = control ? control->GetImageManager() : nullptr;
  CTKImageManagerIcon* icon = images ? images->LookupIcon(static_cast<UINT>(pButton->GetIconIndex()), 0) : nullptr;
  if (!icon) return FALSE;
  CRect rc;
  pButton->GetClientRect(&rc);
  const CSize size(std::min(icon->GetWidth(), rc.Width()), std::min(icon->GetHeight(), rc.Height()));
  const CPoint pt(rc.left + std::max(0, (rc.Width() - icon->GetWidth()) / 2),
                  rc.top + std::max(0, (rc.Height() - icon->GetHeight()) / 2));
  icon->Draw(pDC, pt, icon->GetNormalImage(), size);
  return TRUE;
}

void CTKReportPaintManager::DrawInplaceButton(CDC* pDC, CTKReportInplaceButton* pButton) {
  if (!pDC || !pButton || !pButton->GetSafeHwnd()) return;
  CRect rc;
  pButton->GetClientRect(&rc);
  const int id = pButton->GetID();
  const BOOL pressed = pButton->IsPressed();
  CRect upper(rc), lower(rc);
  upper.bottom = lower.top = rc.top + rc.Height() / 2;
  if (m_bUseThemedControls) {
    const HDC hdc = pDC->GetSafeHdc();
    if (id == kTKReportComboButton && IsThemeActive(m_themeCombo)) {
      m_themeCombo->DrawThemeBackground(hdc, 1, pressed ? 3 : 1, &rc, nullptr);
      return;
    }
    if (id == kTKReportExpandButton && IsThemeActive(m_themeButton)) {
      pDC->FillSolidRect(&rc, Sys(COLOR_BTNFACE));
      const int state = pressed ? 3 : (::GetFocus() == pButton->GetSafeHwnd() ? 5 : 1);
      m_themeButton->DrawThemeBackground(hdc, 1, state, &rc, nullptr);
      if (!DrawInplaceButtonIcon(pDC, pButton)) DrawThreeDots(pDC, rc);
      return;
    }
    if (id == kTKReportSpinButton && IsThemeActive(m_themeSpin)) {
      m_themeSpin->DrawThemeBackground(hdc, 1, pButton->GetState() == 1 ? 3 : 1, &upper, nullptr);
      m_themeSpin->DrawThemeBackground(hdc, 2, pButton->GetState() == 2 ? 3 : 1, &lower, nullptr);
      return;
    }
  }
  // Classic faces; the pictures tell the three kinds apart.
  if (id == kTKReportSpinButton) {
    DrawButtonFace(pDC, upper, pButton->GetState() == 1);
    DrawButtonFace(pDC, lower, pButton->GetState() == 2);
    DrawArrow(pDC, upper, FALSE);
    DrawArrow(pDC, lower, TRUE);
    return;
  }
  DrawInplaceButtonFrame(pDC, pButton);
  if (id == kTKReportComboButton) {
    DrawArrow(pDC, rc, TRUE);
  } else if (id == kTKReportExpandButton && !DrawInplaceButtonIcon(pDC, pButton)) {
    DrawThreeDots(pDC, rc);
  }
}

// ---- what the drawing reads of the control ----

BOOL CTKReportPaintManager::IsControlInIconView() { return TKGetReportDataHost(m_pControl)->IsIconView(); }

BOOL CTKReportPaintManager::UseSelectionTextForHyperlink(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs) {
  CTKReportControl* control = pDrawArgs ? pDrawArgs->pControl : nullptr;
  if (!control) control = m_pControl;
  if (!control || !pDrawArgs->pRow || !pDrawArgs->pRow->IsSelected() || !control->IsFocusInside()) return FALSE;
  CTKReportColumn* focused = control->GetFocusedColumn();
  return !pDrawArgs->pColumn || !focused || pDrawArgs->pColumn != focused;
}

BOOL CTKReportPaintManager::IsHotHyperlink(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, CTKReportHyperlink* pHyperlink) {
  CTKReportControl* control = pDrawArgs && pDrawArgs->pControl ? pDrawArgs->pControl : m_pControl;
  if (!control || control->GetHotHyperlink() < 0 || !pDrawArgs || !pDrawArgs->pItem) return FALSE;
  if (control->GetHotRow() && control->GetHotRow() != pDrawArgs->pRow) return FALSE;
  return control->GetHotHyperlink() < pDrawArgs->pItem->GetHyperlinksCount() &&
         pDrawArgs->pItem->GetHyperlinkAt(control->GetHotHyperlink()) == pHyperlink;
}

BOOL CTKReportPaintManager::IsRowSelected(CTKReportRow* pRow) { return pRow && pRow->IsSelected(); }

void CTKReportPaintManager::GetControlVerticalScroll(int* pnPos, int* pnLimit) {
  *pnPos = 0;
  *pnLimit = 0;
  if (!m_pControl || !m_pControl->m_hWnd) return;
  *pnPos = m_pControl->GetScrollPos(SB_VERT);
  *pnLimit = m_pControl->GetScrollLimit(SB_VERT);
}

BOOL CTKReportPaintManager::IsControlAutoColumnSizing() {
  return m_pControl && m_pControl->GetReportHeader() && m_pControl->GetReportHeader()->IsAutoColumnSizing();
}

BOOL CTKReportPaintManager::IsControlScrolledByPixels() {
  return m_pControl && !m_pControl->IsFullColumnScrolling() && m_pControl->GetLeftOffset() > 0;
}

BOOL CTKReportPaintManager::IsControlGroupByVisible() { return m_pControl && m_pControl->IsGroupByVisible(); }

CRect CTKReportPaintManager::GetControlGroupByArea() {
  return m_pControl ? m_pControl->GetElementRect(kTKReportElementGroupBy) : CRect(0, 0, 0, 0);
}

BOOL CTKReportPaintManager::IsHeaderPressInProgress(CTKReportHeader* pHeader) {
  return pHeader && pHeader->GetControl() && pHeader->GetControl()->GetMouseMode() >= 2;
}

CTKReportColumn* CTKReportPaintManager::GetColumnLeftOf(CTKReportHeader*, CTKReportColumn* pColumn) {
  CTKReportColumns* columns = pColumn ? pColumn->GetColumns() : nullptr;
  const int index = pColumn ? pColumn->GetVisibleIndex() : -1;
  return columns && index > 0 ? columns->GetVisibleAt(index - 1) : nullptr;
}

int CTKReportPaintManager::ColumnIconHeight(CTKReportColumn* pColumn) {
  CTKImageManager* images = m_pControl ? m_pControl->GetImageManager() : nullptr;
  CTKImageManagerIcon* icon = images && pColumn ? images->LookupIcon(pColumn->GetIconID(), 0) : nullptr;
  return icon ? icon->GetHeight() : 0;
}

// ---- row heights ----

int CTKReportPaintManager::GetBaseRowHeight(CDC*, CTKReportRow* pRow) {
  if (pRow && pRow->IsGroupRow()) return m_nRowHeight + (m_bShadeGroupHeadings ? 6 : 16);
  return m_nRowHeight + (IsGridVisible(0) ? 1 : 0);
}

int CTKReportPaintManager::GetIconViewRowHeight() const {
  const int icon = ::GetSystemMetrics(SM_CYICON);
  return std::max(::GetSystemMetrics(SM_CYICONSPACING), icon + 2 * m_nRowHeight);
}

int CTKReportPaintManager::GetRowHeight(CDC* pDC, CTKReportRow* pRow, int nTotalWidth) {
  CTKReportControl* control = m_pControl;
  if (control && pRow && control->IsIconView()) {
    const int perLine = control->GetIconViewColumnsCount();
    return (perLine == 0 || pRow->GetIndex() % perLine == 0) ? GetIconViewRowHeight() : 0;
  }
  if (control && pRow && control->IsVariableRowHeight()) {
    if (pRow->GetRowHeight() == 0) pRow->SetRowHeight(control->GetDefaultRowHeight());
    CTKReportRecord* record = pRow->GetRecord();
    if (record && record->GetRowHeight() > 0) pRow->SetRowHeight(record->GetRowHeight());
    else if (record) record->SetRowHeight(pRow->GetRowHeight());
    return pRow->GetRowHeight();
  }
  if (m_bFixedRowHeight || !pRow || pRow->IsGroupRow() || !pRow->IsItemsVisible() || !control)
    return GetBaseRowHeight(pDC, pRow);

  // Measured rows: the tallest cell of the visible columns.
  CTKReportColumns* columns = control->GetColumns();
  CTKReportRecord* record = pRow->GetRecord();
  CWindowDC screen(nullptr);
  CDC* dc = pDC ? pDC : &screen;
  int tallest = 0;
  for (int i = 0; columns && record && i < columns->GetCount(); i++) {
    CTKReportColumn* column = columns->GetAt(i);
    if (!column || !column->IsVisible()) continue;
    CTKReportRecordItem* item = record->GetItem(column);
    if (!item) continue;
    TK_REPORTRECORDITEM_DRAWARGS args;
    args.pControl = control;
    args.pRow = pRow;
    args.pColumn = column;
    args.pItem = item;
    args.nTextAlign = column->GetAlignment();
    auto* metrics = new TK_REPORTRECORDITEM_METRICS();
    pRow->GetItemMetrics(&args, metrics);
    CTKFontDC font(dc, metrics->pFont ? metrics->pFont : &m_fontText);
    const int width =
        (dc->IsPrinting() && !m_bColumnWidthWYSIWYG) ? column->GetPrintWidth(nTotalWidth) : column->GetWidth();
    RECT rcItem{0, 0, width - 4, 0};
    pRow->ShiftTreeIndent(rcItem, column);
    TK_REPORTRECORDITEM_ARGS itemArgs(args);
    itemArgs.rcItem = rcItem;
    item->GetCaptionRect(&itemArgs, rcItem);
    const int textWidth = rcItem.right - rcItem.left;
    int iconWidth = 0;
    const int iconId = item->GetIconIndex() != -1 ? item->GetIconIndex() : metrics->nItemIcon;
    if (iconId != -1 && control->GetImageManager()) {
      if (CTKImageManagerIcon* icon = control->GetImageManager()->LookupIcon(iconId, 0)) {
        tallest = std::max(tallest, icon->GetHeight());
        iconWidth = icon->GetWidth();
      }
    }
    if (CTKMarkupInputElement* markup = item->GetMarkupUIElement()) {
      tallest = std::max(tallest, static_cast<int>(MarkupMeasureElement(markup, textWidth, 0x7FFFFFFF).cy));
    } else {
      CString text = control->IsVirtualMode() ? metrics->strText : item->GetCaption(column);
      ReplaceSpacesInHyperlinks(item, text, 1);
      tallest = std::max(
          tallest, CalcTextHeight(dc, text, textWidth - iconWidth - 3, (column->GetAlignment() & DT_WORDBREAK) != 0));
    }
    metrics->InternalRelease();
  }
  return std::max(m_nRowHeight, tallest + 5) + (IsGridVisible(0) ? 1 : 0);
}

// ---- group rows ----

void CTKReportPaintManager::FillGroupRowMetrics(CTKReportGroupRow* pRow, TK_REPORTRECORDITEM_METRICS* pMetrics,
                                                BOOL bPrinting) {
  if (!pRow || !m_pControl || !pMetrics) return;
  pMetrics->clrForeground = m_clrGroupRowText;
  pMetrics->clrBackground = static_cast<COLORREF>(-1);
  if (pRow->IsSelected() && m_pControl->IsFocusInside() && !bPrinting) {
    pMetrics->clrForeground = m_clrHighlightText;
    pMetrics->clrBackground = m_clrHighlight;
  } else if (m_bShadeGroupHeadings) {
    pMetrics->clrForeground = m_clrGroupShadeText;
    pMetrics->clrBackground = m_clrGroupShadeBack;
  }
  pMetrics->pFont = m_bGroupRowTextBold ? &m_fontBoldText : &m_fontText;
}

void CTKReportPaintManager::DrawGroupRow(CDC* pDC, CTKReportGroupRow* pRow, CRect rcRow,
                                         TK_REPORTRECORDITEM_METRICS* pMetrics) {
  if (!pDC || !pRow || !pMetrics || !m_pControl) return;
  CTKReportControl* control = m_pControl;
  const BOOL printing = pDC->IsPrinting();
  if (pMetrics->clrBackground != static_cast<COLORREF>(-1)) pDC->FillSolidRect(&rcRow, pMetrics->clrBackground);
  CTKFontDC font(pDC, pMetrics->pFont ? pMetrics->pFont : &m_fontText, pMetrics->clrForeground);
  const int oldMode = pDC->SetBkMode(TRANSPARENT);

  const int indent = control->GetIndent(pRow->GetTreeDepth() + 1);
  CRect rcArea(rcRow);
  rcArea.left += indent;
  if (m_nGroupGridLineStyle == 4) {
    pDC->FillSolidRect(rcRow.left, rcRow.bottom - m_nGroupGridLineHeight, rcRow.Width(), m_nGroupGridLineHeight,
                       m_clrGroupShadeBorder);
    rcArea.bottom -= 1;
  } else {
    DrawPatternedRect(pDC, &m_brushGroupGridLine, CRect(rcRow.left, rcRow.bottom - 1, rcRow.right, rcRow.bottom),
                      kGroupUnderlinePattern, m_clrGroupShadeBorder);
  }
  if (pRow->IsFocused() && control->IsFocusInside() && !printing) DrawFocusedRow(pDC, rcArea);
  if (indent > 0) FillIndent(pDC, CRect(rcRow.left, rcRow.top, rcRow.left + indent, rcRow.bottom));
  rcRow.left += indent;

  // Group icon position flags.
  int flags = pMetrics->nGroupIconFlags;
  if (!(flags & 0x00F)) flags |= 1;
  if (!(flags & 0xF00)) flags |= 0x200;
  CTKImageManagerIcon* groupIcon = nullptr;
  int reserveLeft = 0, reserveAfterGlyph = 0;
  if (pMetrics->nGroupIcon != -1 && control->GetImageManager()) {
    groupIcon = control->GetImageManager()->LookupIcon(pMetrics->nGroupIcon, 0);
    if (groupIcon && (flags & 1)) reserveLeft = groupIcon->GetWidth() + 5;
    if (groupIcon && (flags & 2)) reserveAfterGlyph = groupIcon->GetWidth() + 10;
  }

  CRect rcGlyph(rcRow.left + reserveLeft, (rcRow.top + rcRow.bottom) / 2 - m_nGlyphHeight / 2, rcRow.right,
                rcRow.bottom);
  int glyphWidth = 0;
  if (!(printing && !m_bPrintButtons) && !pRow->IsExpandLocked()) {
    glyphWidth = DrawExpandButton(pDC, pRow, rcGlyph).cx;
  } else {
    rcGlyph.right = rcGlyph.left;
  }
  if (!printing) pRow->SetExpandButtonRect(rcGlyph);

  int offset = 0;
  const UINT glyphId = pRow->IsExpanded() ? tkGlyphExpanded : tkGlyphCollapsed;
  if (!(m_pGlyphs && m_pGlyphs->LookupIcon(glyphId, 16)) && m_nFixedColumnsIndent != -1 && !groupIcon)
    offset = m_nFixedColumnsIndent;

  CRect rcCaption(m_nTreeTextIndentGroupRow + offset + glyphWidth + rcGlyph.left + reserveAfterGlyph,
                  rcRow.bottom - rcRow.Height() / 2 - 7, rcRow.right, rcRow.bottom);
  if (groupIcon && (flags & (4 | 8))) rcCaption.right -= groupIcon->GetWidth();
  if (m_bGroupRowCheckBoxes && !printing) rcCaption.left += (groupIcon ? groupIcon->GetWidth() : 0) + 10;

  int captionWidth = 0;
  CTKMarkupContext* context = control->GetMarkupContext();
  BOOL drawn = FALSE;
  if (pMetrics->strText != pRow->GetCaption() && context) {
    CTKMarkupInputElement* element = MarkupParseText(context, pMetrics->strText);
    if (element) {
      MarkupSetDefaultFont(context, static_cast<HFONT>(pMetrics->pFont->GetSafeHandle()), pMetrics->clrForeground);
      captionWidth = MarkupMeasureElement(element, rcCaption.Width(), rcCaption.Height()).cx;
      MarkupRenderElement(element, pDC->GetSafeHdc(), &rcCaption);
      MarkupReleaseElement(element);
      drawn = TRUE;
    }
  } else if (CTKMarkupInputElement* element = pRow->GetMarkupUIElement()) {
    MarkupSetDefaultFont(MarkupGetElementContext(element), static_cast<HFONT>(pMetrics->pFont->GetSafeHandle()),
                         pMetrics->clrForeground);
    captionWidth = MarkupMeasureElement(element, rcCaption.Width(), rcCaption.Height()).cx;
    MarkupRenderElement(element, pDC->GetSafeHdc(), &rcCaption);
    drawn = TRUE;
  }
  if (!drawn) {
    const UINT textFlags = DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
    const CString& text = pMetrics->strText;
    const int bracket = text.Find(u'[');
    captionWidth = GetTextWidth(pDC, text);
    if (!pRow->GetFormula().IsEmpty() && bracket >= 0) {
      CString head = text.Left(bracket);
      CRect rcHead(rcCaption);
      pDC->DrawText(head, &rcHead, textFlags);
      const int headEnd = rcCaption.left + GetTextWidth(pDC, head);
      int pos = bracket;
      while (pos >= 0 && pos < text.GetLength()) {
        const int close = text.Find(u']', pos + 1);
        if (close < 0) break;
        const int itemIndex = _wtoi(text.Mid(pos + 1, close - pos - 1));
        int next = text.Find(u'[', close + 1);
        const CString part = text.Mid(close + 1, (next < 0 ? text.GetLength() : next) - close - 1);
        CTKReportColumn* column = control->GetColumns()->Find(itemIndex);
        if (column && column->IsVisible()) {
          CRect rcColumn(column->m_rcColumn);
          rcColumn.top = rcCaption.top;
          rcColumn.bottom = rcCaption.bottom;
          rcColumn.DeflateRect(1, 0);
          if (rcColumn.Width() > 0) {
            rcColumn.left = std::max(static_cast<int>(rcColumn.left), headEnd + 10);
            const int align = column->GetAlignment() & (DT_CENTER | DT_RIGHT);
            pDC->DrawText(part, &rcColumn, textFlags | align);
          }
        }
        pos = next;
      }
    } else {
      CRect rcText(rcCaption);
      pDC->DrawText(text, &rcText, textFlags);
    }
  }

  if (groupIcon) {
    const int w = groupIcon->GetWidth(), h = groupIcon->GetHeight();
    CRect rcIcon(rcRow);
    if (flags & 2) rcIcon.left = rcGlyph.right + 5;
    else if (flags & 4)
      rcIcon.left = std::min(rcCaption.left + captionWidth + 5, static_cast<int>(rcRow.right) - w - 1);
    else if (flags & 8) rcIcon.left = rcRow.right - w - 1;
    if (flags & 0x100) rcIcon.SetRect(rcIcon.left, rcRow.top, rcIcon.right, rcRow.top + h + 1);
    else if (flags & 0x400)
      rcIcon.SetRect(rcIcon.left, rcCaption.CenterPoint().y - h / 2, rcIcon.right, rcCaption.CenterPoint().y + h);
    else if (flags & 0x800) rcIcon.SetRect(rcIcon.left, rcRow.bottom - h - 1, rcIcon.right, rcRow.bottom);
    const COLORREF oldBack = pDC->SetBkColor(
        pMetrics->clrBackground == static_cast<COLORREF>(-1) ? RGB(255, 255, 255) : pMetrics->clrBackground);
    DrawBitmap(pDC, control, rcIcon, pMetrics->nGroupIcon);
    pDC->SetBkColor(oldBack);
  } else if (m_bGroupRowCheckBoxes && !printing) {
    DrawGroupRowCheck(pDC, pRow, rcGlyph);
  }
  pDC->SetBkMode(oldMode);
}

void CTKReportPaintManager::DrawGroupRowCheck(CDC* pDC, CTKReportGroupRow* pRow, const CRect& rcGlyph) {
  CTKReportRows* children = pRow->GetChildRows(FALSE);
  int selected = 0, unselected = 0, withRecords = 0;
  for (int i = 0; children && i < children->GetCount(); i++) {
    CTKReportRow* child = children->GetAt(i);
    if (!child) continue;
    if (child->GetRecord()) withRecords++;
    const BOOL counts =
        child->IsSelected() || (!pRow->IsExpanded() && child->GetRecord() && child->GetRecord()->IsSelected());
    if (counts) selected++;
    else unselected++;
  }
  const CRect rc(rcGlyph.right + 2, rcGlyph.top, rcGlyph.right, rcGlyph.bottom);
  if (selected > 0) {
    DrawGlyph(pDC, rc, unselected == 0 ? tkGlyphChecked : tkGlyphCheckedDisabled);
    for (CTKReportRow* parent = pRow->GetParentRow(); parent; parent = parent->GetParentRow())
      if (parent->IsGroupRow()) static_cast<CTKReportGroupRow*>(parent)->m_bCheckMark = TRUE;
  } else if (withRecords > 0) {
    DrawGlyph(pDC, rc, tkGlyphUnchecked);
  } else if (pRow->m_bCheckMark) {
    DrawGlyph(pDC, rc, tkGlyphUncheckedDisabled);
    pRow->m_bCheckMark = FALSE;
  }
}

CSize CTKReportPaintManager::DrawExpandButton(CDC* pDC, CTKReportRow* pRow, CRect& rcButton) {
  const BOOL expanded = pRow ? pRow->IsExpanded() : TRUE;
  CTKResourceImage* image = m_pColumnStyle->GetExpandButtonImage();
  if (image) {
    rcButton.left += 4;
    const BOOL hot = m_pControl && pRow && m_pControl->GetHotRow() == pRow;
    const int state = (expanded ? 0 : 2) + (hot ? 1 : 0);
    const CRect src = image->GetStateRect(state, 4);
    if (pDC) {
      const int top = rcButton.top + (rcButton.Height() - src.Height()) / 2;
      image->DrawImageStretch(pDC, CRect(rcButton.left, top, rcButton.left + src.Width(), top + src.Height()), src);
    }
    rcButton.right = rcButton.left + src.Width();
    return CSize(src.Width() + 2, src.Height() + 2);
  }
  rcButton.left += 2;
  const CSize size = DrawGlyph(pDC, rcButton, expanded ? tkGlyphExpanded : tkGlyphCollapsed);
  if (pDC && size.cx > 0) rcButton.right = rcButton.left + size.cx;
  return CSize(size.cx + 2, size.cy + 2);
}

// ---- lines and images ----

void CTKReportPaintManager::DrawVerticalBodyLine(CDC* pDC, int x, CTKReportControl* pControl, COLORREF color) {
  CTKReportControl* control = pControl ? pControl : m_pControl;
  if (!pDC || !control) return;
  const CRect body = control->GetElementRect(0);
  pDC->FillSolidRect(x, body.top, 1, body.Height(), color);
}

int CTKReportPaintManager::DrawBitmap(CDC* pDC, CTKReportControl* pControl, CRect rc, int nIcon) {
  CTKReportControl* control = pControl ? pControl : m_pControl;
  CTKImageManager* images = control ? control->GetImageManager() : nullptr;
  CTKImageManagerIcon* icon = images ? images->LookupIcon(static_cast<UINT>(nIcon), 0) : nullptr;
  if (!icon) return 0;
  if (pDC && icon->GetWidth() < rc.Width() && icon->GetHeight() < rc.Height())
    DrawIconAt(pDC, icon, CPoint(rc.left + 1, rc.top + (rc.Height() - icon->GetHeight()) / 2), FALSE);
  return icon->GetWidth() + 1;
}

int CTKReportPaintManager::DrawColumnIcon(CDC* pDC, CTKReportColumn* pColumn, CRect rcColumn, CRect rcIcon, int nIcon) {
  CTKReportControl* control = pColumn && pColumn->GetControl() ? pColumn->GetControl() : m_pControl;
  CTKImageManager* images = control ? control->GetImageManager() : nullptr;
  CTKImageManagerIcon* icon = images ? images->LookupIcon(static_cast<UINT>(nIcon), 0) : nullptr;
  if (!icon) return 0;
  const int w = icon->GetWidth(), h = icon->GetHeight();
  if (pDC && w < rcIcon.Width() && h < rcIcon.Height()) {
    const CPoint pt(rcIcon.left + 1, rcIcon.top + (rcIcon.Height() - h) / 2);
    if (pDC->IsPrinting()) {
      // The column's background first, the icon over it, then only the
      // icon-sized part to the printer.
      CDC mem;
      mem.CreateCompatibleDC(pDC);
      CBitmap bitmap;
      bitmap.CreateCompatibleBitmap(pDC, rcColumn.Width(), rcColumn.Height());
      CBitmap* old = mem.SelectObject(&bitmap);
      mem.FillSolidRect(0, 0, rcColumn.Width(), rcColumn.Height(), pDC->GetBkColor());
      BOOL pressed = FALSE;
      DrawColumnBackground(&mem, pColumn, CRect(0, 0, rcColumn.Width(), rcColumn.Height()), &pressed, nullptr);
      const CPoint rel(pt.x - rcColumn.left, pt.y - rcColumn.top);
      icon->Draw(&mem, rel, icon->GetNormalImage(), CSize(w, h));
      pDC->BitBlt(pt.x, pt.y, w, h, &mem, rel.x, rel.y, SRCCOPY);
      mem.SelectObject(old);
    } else {
      icon->Draw(pDC, pt, icon->GetNormalImage(), CSize(w, h));
    }
  }
  return w + 1;
}

void CTKReportPaintManager::DrawItemBitmap(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, CRect& rcItem, int nIcon) {
  CTKReportControl* control = pDrawArgs && pDrawArgs->pControl ? pDrawArgs->pControl : m_pControl;
  CTKImageManager* images = control ? control->GetImageManager() : nullptr;
  CTKImageManagerIcon* icon = images ? images->LookupIcon(static_cast<UINT>(nIcon), 0) : nullptr;
  if (!icon || !pDrawArgs->pDC) return;
  const int w = icon->GetWidth(), h = icon->GetHeight();
  if (w >= rcItem.Width() || h >= rcItem.Height()) return;
  const int align = pDrawArgs->nTextAlign;
  int x;
  if (align & kTKAlignIconRight) {
    x = rcItem.right - w - 1;
    rcItem.right = x;
  } else if (align & kTKAlignIconCenter) {
    x = (rcItem.left + rcItem.right - w) / 2;
  } else {
    x = rcItem.left + 1;
    rcItem.left += w + 1;
  }
  int y;
  if (align & kTKAlignIconTop) y = rcItem.top;
  else if (align & kTKAlignIconBottom) y = rcItem.bottom - h - 1;
  else y = rcItem.top + (rcItem.Height() - h) / 2;
  DrawIconAt(pDrawArgs->pDC, icon, CPoint(x, y), pDrawArgs->pRow && pDrawArgs->pRow->IsSelected());
}

void CTKReportPaintManager::DrawTreeStructure(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                              TK_REPORTRECORDITEM_METRICS* pMetrics, CRect rcItem, CSize szButton) {
  if (m_nTreeStructureStyle == 0 || !pDrawArgs || !pDrawArgs->pDC || !pMetrics) return;
  CDC* pDC = pDrawArgs->pDC;
  CTKReportRow* row = pDrawArgs->pRow;
  CTKReportControl* control = pDrawArgs->pControl ? pDrawArgs->pControl : m_pControl;
  if (!row || !control) return;
  const COLORREF color = pMetrics->clrForeground;
  const BOOL virtualMode = control->IsVirtualMode();
  auto isTopLevel = [](CTKReportRow* r) { return !r->GetParentRow() || r->GetParentRow()->IsGroupRow(); };
  if (virtualMode) {
    if (pMetrics->nVirtRowLevel == 0) return;
  } else {
    if (row->IsGroupRow()) return;
    if (!m_bTreeLinesAtTopLevel && isTopLevel(row)) return;
  }
  const int height = rcItem.Height();
  int mid = height / 2;
  if (pDrawArgs->nTextAlign & kTKAlignIconTop) mid = szButton.cy / 2;
  else if (pDrawArgs->nTextAlign & kTKAlignIconBottom) mid = height - szButton.cy / 2 - 2;
  const int shift = (szButton.cy + 1) / 2 + 2;
  if (m_bTreeLinesAtTopLevel) rcItem.left += shift;
  if (virtualMode) rcItem.left += shift;

  const int halfButton = szButton.cx / 2 + 1;
  if (virtualMode) {
    int code = pMetrics->nVirtRowLevel;
    BOOL last = (pMetrics->nVirtRowFlags & 2) != 0;
    int x = rcItem.left;
    if (code == 1) {
      DrawTreeLine(pDC, x, rcItem.top - 1, 1, mid + 1, color);
      DrawTreeLine(pDC, x, rcItem.top + mid, halfButton, 1, color);
      if (!last) DrawTreeLine(pDC, x, rcItem.top - 1, 1, height + 1, color);
      return;
    }
    while (code > 1) {
      x -= m_nTreeIndent;
      if (code % 2 == 1) {
        if (last) {
          DrawTreeLine(pDC, x, rcItem.top - 1, 1, mid + 1, color);
          DrawTreeLine(pDC, x, rcItem.top + mid, halfButton, 1, color);
          last = FALSE;
        } else {
          DrawTreeLine(pDC, x, rcItem.top - 1, 1, height + 1, color);
        }
      }
      code /= 2;
    }
    return;
  }
  const int x0 = rcItem.left;
  DrawTreeLine(pDC, x0, rcItem.top - 1, 1, row->GetNextSiblingRow() ? height + 1 : mid + 1, color);
  const int length = (row->HasChildren() || m_nTreeLineLength < 1) ? halfButton : m_nTreeLineLength;
  DrawTreeLine(pDC, x0, rcItem.top + mid, length, 1, color);
  int x = x0;
  for (CTKReportRow* parent = row->GetParentRow(); parent; parent = parent->GetParentRow()) {
    if (parent->IsGroupRow()) break;
    if (!m_bTreeLinesAtTopLevel && isTopLevel(parent)) break;
    x -= m_nTreeIndent;
    if (parent->GetNextSiblingRow()) DrawTreeLine(pDC, x, rcItem.top - 1, 1, height + 1, color);
  }
}

void CTKReportPaintManager::DrawRowNumber(CDC* pDC, CRect rcNumber, CTKReportRow* pRow) {
  if (!pDC || !pRow) return;
  int number;
  if (m_bRecOrRowNum) {
    if (!pRow->GetRecord()) return;
    number = pRow->GetRecord()->GetIndex();
  } else {
    number = pRow->GetIndex();
  }
  if (m_nStartRecOrRowNumber > 0) number += m_nStartRecOrRowNumber;
  CString text;
  text.Format(u" %d ", number);
  COLORREF textColor;
  if (pRow->IsSelected()) {
    const BOOL focused = m_pControl && m_pControl->IsFocusInside();
    pDC->FillSolidRect(&rcNumber, Sys(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    textColor = RGB(255, 255, 255);
  } else {
    textColor = Sys(COLOR_HIGHLIGHT);
  }
  CTKFontDC font(pDC, &m_fontText, textColor);
  const int oldMode = pDC->SetBkMode(TRANSPARENT);
  rcNumber.top += 1;
  pDC->DrawText(text, &rcNumber, DT_SINGLELINE | DT_RIGHT);
  pDC->SetBkMode(oldMode);
}

void CTKReportPaintManager::DrawItemControl(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                            CTKReportRecordItemControl* pItemControl, CRect& rcItem) {
  if (!pDrawArgs || !pDrawArgs->pDC || !pItemControl) return;
  CDC* pDC = pDrawArgs->pDC;
  CFont* ownFont = pItemControl->GetFont();
  CTKFontDC font(pDC, ownFont && ownFont->GetSafeHandle() ? ownFont : &m_fontText, pItemControl->m_clrCaption);
  const int w = pItemControl->GetSize().cx, h = pItemControl->GetSize().cy;
  CRect rc(rcItem);
  const BOOL right = pItemControl->GetAlignment() == 2;
  if (w > 0) {
    if (right) {
      rc.left = rcItem.right - w;
      rcItem.right = rc.left;
    } else {
      rc.right = rcItem.left + w;
      rcItem.left = rc.right;
    }
  } else {
    if (right) rc.left = rc.right;
    else rc.right = rc.left;
  }
  if (h > 0 && h < rc.Height()) {
    rc.top += (rc.Height() - h) / 2;
    rc.bottom = rc.top + h;
  }
  pItemControl->SetRect(rc);
  if (!dynamic_cast<CTKReportRecordItemButton*>(pItemControl)) return;

  const int state = pItemControl->GetEnable() ? std::max(1, pItemControl->m_nState) : 4;
  // Without an active visual style the themed branch would leave the
  // button without a face: the classic face stands in.
  const BOOL themed = (m_bUseThemedControls || pItemControl->m_bThemed) && IsThemeActive(m_themeButton);
  if (!themed) {
    pDC->FillSolidRect(&rc, Sys(COLOR_BTNFACE));
    if (state == 3) {
      pDC->Draw3dRect(&rc, Sys(COLOR_3DDKSHADOW), Sys(COLOR_WINDOW));
    } else {
      pDC->Draw3dRect(&rc, Sys(COLOR_BTNFACE), Sys(COLOR_3DDKSHADOW));
      CRect inner(rc);
      inner.DeflateRect(1, 1);
      pDC->Draw3dRect(&inner, Sys(COLOR_WINDOW), Sys(COLOR_BTNSHADOW));
    }
  } else {
    m_themeButton->DrawThemeBackground(pDC->GetSafeHdc(), 1, state, &rc, nullptr);
  }
  CRect content(rc);
  if (state == 3) content.DeflateRect(3, 3, 1, 1);
  else content.DeflateRect(1, 1);
  const int iconId = pItemControl->GetIconIndex(state);
  CTKImageManager* images = m_pControl ? m_pControl->GetImageManager() : nullptr;
  if (iconId != -1 && images) {
    if (CTKImageManagerIcon* icon = images->LookupIcon(static_cast<UINT>(iconId), 0)) {
      const CPoint pt(content.left + (content.Width() - icon->GetWidth()) / 2,
                      content.top + (content.Height() - icon->GetHeight()) / 2);
      const COLORREF oldBack = pDC->SetBkColor(Sys(COLOR_BTNFACE));
      DrawIconAt(pDC, icon, pt, FALSE);
      pDC->SetBkColor(oldBack);
    }
  }
  const CString caption = pItemControl->GetCaption();
  if (!caption.IsEmpty()) {
    const int align = pItemControl->GetAlignment();
    const UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX |
                       (align == 1   ? DT_LEFT
                        : align == 2 ? DT_RIGHT
                                     : DT_CENTER);
    const COLORREF oldText = pDC->SetTextColor(pItemControl->GetEnable() ? pItemControl->m_clrCaption : Sys(35));
    const int oldMode = pDC->SetBkMode(TRANSPARENT);
    pDC->DrawText(caption, &content, flags);
    pDC->SetBkMode(oldMode);
    pDC->SetTextColor(oldText);
  }
}
