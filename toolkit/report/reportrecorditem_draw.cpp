// The record item's drawing: metrics, background, tree indentation and
// expand glyph, check box, icon or lock glyph, in-cell controls and the
// caption. Every rectangle the mouse paths test (check box, expand glyph,
// in-cell controls, hyperlink hot-spots) is stored here, where it is drawn.
#include <algorithm>

#include "platform/framework/afxgdi.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupinput.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportinplacebutton.h"
#include "toolkit/report/reportitemcontrols.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecorditem.h"
#include "toolkit/report/reportrow.h"

namespace {

constexpr int kCheckBoxWidth = 15;
constexpr int kLockGlyphWidth = 18;
constexpr int kInsideButtonWidth = 18;
constexpr int kCaptionSlack = 7;  // what a caption needs beyond its text
constexpr int kShellLockIcon = 47;

// Draws a markup element into the caption area of a cell (2 pixels in at
// the sides, 1 at the top) with the metrics' font and colour as defaults.
void RenderMarkup(CTKMarkupInputElement* element, CDC* dc, const RECT& rcItem, TK_REPORTRECORDITEM_METRICS* metrics,
                  CFont* fallbackFont) {
  CRect rc(rcItem);
  rc.DeflateRect(2, 1, 2, 0);
  CFont* font = metrics->pFont ? metrics->pFont : fallbackFont;
  MarkupSetDefaultFont(MarkupGetElementContext(element), font ? static_cast<HFONT>(font->GetSafeHandle()) : nullptr,
                       metrics->clrForeground);
  MarkupMeasureElement(element, rc.Width(), 0x7FFFFFFF);
  MarkupRenderElement(element, dc->GetSafeHdc(), &rc);
}

// The widest line of the caption plus the slack: lines end at line feeds,
// the carriage return of a CR LF pair is not measured.
int CaptionWidth(CDC* dc, const CString& caption) {
  int widest = 0;
  int start = 0;
  const int length = caption.GetLength();
  while (start <= length) {
    int end = caption.Find(u'\n', start);
    if (end < 0) end = length;
    int stop = end;
    if (stop > start && caption[stop - 1] == u'\r') --stop;
    const CString line = caption.Mid(start, stop - start);
    widest = std::max(widest, static_cast<int>(dc->GetTextExtent(line).cx) + kCaptionSlack);
    start = end + 1;
  }
  return widest;
}

}  // namespace

int CTKReportRecordItem::Draw(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs) {
  if (!pDrawArgs || !pDrawArgs->pControl) return 0;
  CTKReportControl* control = pDrawArgs->pControl;
  m_pControl = control;
  CTKReportPaintManager* pm = control->GetPaintManager();
  CDC* dc = pDrawArgs->pDC;
  CTKReportRow* row = pDrawArgs->pRow;
  CTKReportColumn* column = pDrawArgs->pColumn;
  if (!pm || !dc) return 0;
  const BOOL printing = dc->IsPrinting();

  auto* metrics = new TK_REPORTRECORDITEM_METRICS();
  metrics->strText = GetCaption(column);
  if (row) {
    row->GetItemMetrics(pDrawArgs, metrics);
  } else {
    control->PaintInitMetrics(metrics);
    GetItemMetrics(pDrawArgs, metrics);
  }

  CRect& rcItem = reinterpret_cast<CRect&>(pDrawArgs->rcItem);
  const int left = rcItem.left;
  if (metrics->clrBackground != static_cast<COLORREF>(-1)) dc->FillSolidRect(&rcItem, metrics->clrBackground);

  // The tree column: indentation, tree lines and the expand glyph.
  if (row && column && column->IsTreeColumn()) {
    int level = row->GetTreeDepth() - row->GetGroupLevel();
    if (level > 0) ++level;
    const BOOL virtualMode = control->IsVirtualMode();
    const BOOL hasChildren = virtualMode ? (metrics->nVirtRowFlags & 1) != 0 : row->HasChildren();
    if (virtualMode && !hasChildren) row->SetExpandButtonRect(CRect(0, 0, 0, 0));
    const int treeIndent = pm->GetTreeIndent();
    rcItem.left += std::max(0, (level - 1) * treeIndent);
    if (pm->m_nExtraTreeIndent != 0) {
      CTKReportRow* parent = row->GetParentRow();
      const BOOL parentIsGroup = parent && parent->IsGroupRow();
      CTKReportColumnOrder* groups = control->GetColumns()->GetGroupsOrder();
      if (parentIsGroup && hasChildren && level == 0) rcItem.left += pm->m_nExtraTreeIndent;
      if (parent && !parentIsGroup && level > 0 && groups && groups->GetCount() > 0)
        rcItem.left += pm->m_nExtraTreeIndent;
    }
    if (pm->m_bTreeIndentColumn) rcItem.left += treeIndent;

    CRect measure(rcItem);
    const CSize button = pm->DrawExpandButton(nullptr, row, measure);
    pm->DrawTreeStructure(pDrawArgs, metrics, rcItem, button);
    CRect rcGlyph(rcItem);
    const int align = pDrawArgs->nTextAlign;
    if (align & kTKAlignIconLeft) rcGlyph.right = rcGlyph.left + button.cx + 2;
    if (align & kTKAlignIconRight) rcGlyph.left = rcGlyph.right - button.cx - 2;
    if (align & kTKAlignIconTop) rcGlyph.bottom = rcGlyph.top + button.cy + 2;
    if (align & kTKAlignIconBottom) rcGlyph.top = rcGlyph.bottom - button.cy - 2;
    const int glyphLeft = rcGlyph.left;
    if (hasChildren) {
      CRect rcButton(rcGlyph);
      pm->DrawExpandButton(dc, row, rcButton);
      if (!printing) row->SetExpandButtonRect(rcButton);
    }
    const int gap = hasChildren ? pm->m_nTreeTextIndentRowParent : pm->m_nTreeTextIndentRowNoParent;
    rcItem.left = glyphLeft + button.cx + gap;
  }

  CFont* font = metrics->pFont ? metrics->pFont : pm->GetTextFont();
  CTKFontDC fontDC(dc, font, metrics->clrForeground);
  const COLORREF back =
      metrics->clrBackground != static_cast<COLORREF>(-1) ? metrics->clrBackground : pm->GetControlBackColor(control);
  const COLORREF oldBack = dc->SetBkColor(back);
  const int oldMode = dc->SetBkMode(TRANSPARENT);

  if (HasCheckbox()) DrawCheckBox(pDrawArgs, rcItem);

  const BOOL iconView = control->IsIconView();
  if (IsEditable() || !pm->m_bDrawLockIcon || iconView) {
    const int icon = metrics->nItemIcon != -1 ? metrics->nItemIcon : GetIconIndex();
    CTKReportRecordItemEditOptions* options =
        m_pEditOptions ? m_pEditOptions : (column ? column->GetEditOptions() : nullptr);
    CTKReportInplaceButton* first = options && options->GetButtonCount() > 0 ? options->GetButton(0) : nullptr;
    if (icon == -1 && first && first->IsInsideCellButton()) {
      const int id = first->GetID();
      CRect rcButton(rcItem.right - kInsideButtonWidth, rcItem.top + 1,
                     rcItem.right - (id == kTKReportComboButton ? 1 : 0), rcItem.bottom - 2);
      if (pm->m_bSingleLineButtons) rcButton.bottom = std::min<LONG>(rcButton.bottom, rcItem.top + 19);
      BOOL drawn = FALSE;
      if (id == kTKReportExpandButton) drawn = pm->DrawExpandButtonGlyph(dc, &rcButton);
      else if (id == kTKReportComboButton) drawn = pm->DrawComboButtonGlyph(dc, &rcButton);
      else if (id == kTKReportSpinButton) drawn = pm->DrawSpinButtonGlyph(dc, &rcButton);
      if (drawn) rcItem.right -= kInsideButtonWidth - 1;
    } else if (icon != -1) {
      pm->DrawItemBitmap(pDrawArgs, rcItem, icon);
    }
  } else {
    CRect rcLock(rcItem.left + 1, rcItem.top, rcItem.left + 1 + kLockGlyphWidth - 1, rcItem.bottom);
    if (pm->m_bUseShellIcon) pm->DrawShellIcon(dc, rcLock, kShellLockIcon);
    else pm->DrawGlyph(dc, rcLock, tkGlyphLocked);
    rcItem.left += kLockGlyphWidth - 1;
  }

  if (rcItem.right > rcItem.left) DrawControls(pDrawArgs, metrics, rcItem);
  if (rcItem.Width() > 2) DrawCaption(pDrawArgs, metrics);

  // The width the cell asks for: what came before the caption plus the
  // caption's widest line.
  const int used = static_cast<int>(rcItem.left) - left;
  int width;
  if (m_pMarkupUIElement) {
    width = used + kCaptionSlack + MarkupMeasureElement(m_pMarkupUIElement, 0x7FFFFFFF, 0x7FFFFFFF).cx;
  } else if (!metrics->strText.IsEmpty()) {
    width = CaptionWidth(dc, metrics->strText);
  } else {
    width = used + kCaptionSlack;
  }
  dc->SetBkMode(oldMode);
  dc->SetBkColor(oldBack);
  metrics->InternalRelease();
  return width;
}

void CTKReportRecordItem::DrawCaption(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pMetrics) {
  if (!pDrawArgs || !pMetrics || !pDrawArgs->pControl || !pDrawArgs->pDC) return;
  CTKReportControl* control = pDrawArgs->pControl;
  CTKReportPaintManager* pm = control->GetPaintManager();
  if (!pm) return;
  CTKMarkupContext* context = control->GetMarkupContext();
  if (context && !m_pMarkupUIElement && (control->IsVirtualMode() || pm->m_bMarkupCaptions)) {
    if (CTKMarkupInputElement* element = MarkupParseText(context, pMetrics->strText)) {
      RenderMarkup(element, pDrawArgs->pDC, pDrawArgs->rcItem, pMetrics, pm->GetTextFont());
      MarkupReleaseElement(element);
      return;
    }
  }
  if (m_pMarkupUIElement) {
    RenderMarkup(m_pMarkupUIElement, pDrawArgs->pDC, pDrawArgs->rcItem, pMetrics, pm->GetTextFont());
    return;
  }
  pm->DrawItemCaption(pDrawArgs, pMetrics);
}

void CTKReportRecordItem::DrawControls(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS*,
                                       RECT& rcItem) {
  if (!m_pItemControls || !pDrawArgs || !pDrawArgs->pControl) return;
  CTKReportPaintManager* pm = pDrawArgs->pControl->GetPaintManager();
  if (!pm) return;
  CRect rc(rcItem);
  for (INT_PTR i = 0; i < m_pItemControls->GetSize() && rc.Width() > 0; ++i) {
    if (CTKReportRecordItemControl* itemControl = m_pItemControls->GetAt(i))
      pm->DrawItemControl(pDrawArgs, itemControl, rc);
  }
  rcItem = rc;
}

void CTKReportRecordItem::GetCaptionRect(TK_REPORTRECORDITEM_ARGS* pArgs, RECT& rcItem) {
  if (!pArgs || !pArgs->pControl) return;
  CTKReportControl* control = pArgs->pControl;
  m_pControl = control;
  CTKReportPaintManager* pm = control->GetPaintManager();
  if (!pm) return;
  if (GetIconIndex() != -1) {
    const int width = pm->DrawBitmap(nullptr, control, CRect(rcItem), GetIconIndex());
    if (m_nAlignment != -1 && (m_nAlignment & kTKAlignIconRight)) rcItem.right -= width;
    else rcItem.left += width;
  }
  if (HasCheckbox()) rcItem.left += kCheckBoxWidth;
  for (INT_PTR i = 0; m_pItemControls && i < m_pItemControls->GetSize() && rcItem.right > rcItem.left; ++i) {
    CTKReportRecordItemControl* itemControl = m_pItemControls->GetAt(i);
    if (!itemControl) continue;
    const int width = itemControl->GetSize().cx < 0
                          ? static_cast<int>(rcItem.right - rcItem.left)
                          : std::min<int>(itemControl->GetSize().cx, rcItem.right - rcItem.left);
    if (itemControl->GetAlignment() == 2) rcItem.right -= width;
    else rcItem.left += width;
  }
  if (!IsEditable() && pm->m_bDrawLockIcon && !control->IsIconView()) rcItem.left += kLockGlyphWidth;
}

void CTKReportRecordItem::DrawCheckBox(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, RECT& rcItem) {
  if (!pDrawArgs || !pDrawArgs->pControl) return;
  CTKReportPaintManager* pm = pDrawArgs->pControl->GetPaintManager();
  if (!pm) return;
  const BOOL enabled = IsEditable() && (!pDrawArgs->pColumn || pDrawArgs->pColumn->IsEditable());
  int glyph = enabled ? (IsChecked() ? tkGlyphChecked : tkGlyphUnchecked)
                      : (IsChecked() ? tkGlyphCheckedDisabled : tkGlyphUncheckedDisabled);
  if (m_bTristateCheckbox && m_checkState == 2) glyph = tkGlyphIndeterminate;
  const CSize size = pm->DrawGlyph(nullptr, CRect(rcItem), glyph);
  const int align = pDrawArgs->nTextAlign;
  CRect box(rcItem);
  if (align & kTKAlignIconCenter) {
    box.left = (rcItem.left + rcItem.right) / 2 - size.cx / 2 - 1;
    box.right = box.left + size.cx;
  } else if (align & kTKAlignIconRight) {
    box.left = rcItem.right - size.cx - 2;
    rcItem.right = box.left;
  } else {
    box.left = rcItem.left + 2;
    rcItem.left += size.cx + 2;
    box.right = rcItem.left - 1;
  }
  if (align & kTKAlignIconTop) box.bottom = rcItem.top + size.cy + 2;
  else if (align & kTKAlignIconBottom) box.top = rcItem.bottom - size.cy - 2;
  pm->DrawGlyph(pDrawArgs->pDC, box, glyph);
  m_rcGlyph = box;
}
