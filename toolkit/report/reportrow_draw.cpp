// Drawing of rows and group rows through the paint manager; their tool
// hit tests for the tooltip context; cell tips.
#include <algorithm>

#include "platform/framework/afx.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/common/tooltipcontext.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportsection.h"
#include "toolkit/report/reporttip.h"

namespace {

// Draws with a clip region on the cell when on screen.
class CellClip {
 public:
  CellClip(CDC* dc, const CRect& rc, BOOL printing) : m_dc(printing ? nullptr : dc) {
    if (!m_dc) return;
    m_saved = m_dc->SaveDC();
    m_dc->IntersectClipRect(&rc);
  }
  ~CellClip() {
    if (m_dc) m_dc->RestoreDC(m_saved);
  }
  CellClip(const CellClip&) = delete;
  CellClip& operator=(const CellClip&) = delete;

 private:
  CDC* m_dc;
  int m_saved = 0;
};

}  // namespace

int CTKReportRow::FrozenColumnsRight(CTKReportColumns* columns, int frozen) {
  int right = 0;
  for (int i = 0, seen = 0; i < columns->GetCount() && seen < frozen; ++i) {
    CTKReportColumn* column = columns->GetAt(i);
    if (column && column->IsVisible()) {
      right = column->m_rcColumn.right;
      ++seen;
    }
  }
  return right;
}

void CTKReportRow::Draw(TK_REPORTDRAWROWARGS* pDrawArgs) {
  if (!m_pControl || !pDrawArgs) return;
  CRect rcRow(pDrawArgs->rcRow);
  const int frozen = m_pControl->GetFreezeColumnsCount();
  if (frozen == 0) rcRow.OffsetRect(-pDrawArgs->nHScrollOffset, 0);
  m_rcRow = rcRow;
  CTKReportPaintManager* pm = m_pControl->GetPaintManager();
  CDC* dc = pDrawArgs->pDC;
  if (!pm || !dc) return;
  const BOOL printing = pDrawArgs->bPrinting || dc->IsPrinting();
  const int indent = m_pControl->PaintGroupIndent();
  CTKReportColumns* columns = m_pControl->GetColumns();
  const int frozenRight = frozen > 0 ? FrozenColumnsRight(columns, frozen) : 0;
  CRect rcClip(rcRow);
  rcClip.IntersectRect(&rcClip, &pDrawArgs->rcClip);

  if (m_pRecord && IsItemsVisible()) {
    bool first = true;
    const int to = std::min(pDrawArgs->nColumnTo, columns->GetCount());
    for (int i = std::max(0, pDrawArgs->nColumnFrom); i < to; ++i) {
      CTKReportColumn* column = columns->GetAt(i);
      if (!column || !column->IsVisible()) continue;
      const int position = column->GetVisibleIndex();
      CRect cell(column->m_rcColumn.left, rcRow.top, column->m_rcColumn.right, rcRow.bottom - m_nPreviewHeight);
      if (first) {
        cell.left += indent;
        first = false;
      }
      CRect clip(rcClip);
      if (frozen > 0) {
        if (position < frozen) clip.right = std::min<LONG>(clip.right, frozenRight);
        else clip.left = std::max<LONG>(clip.left, frozenRight);
      }
      CRect shown;
      if (shown.IntersectRect(&cell, &clip) || printing) {
        CellClip cellClip(dc, shown, printing);
        pm->FillRow(dc, this, cell);
        if (column->IsInSortOrder()) pm->FillSortedColumnShade(dc, cell);
        if (CTKReportRecordItem* item = m_pRecord->GetItem(column)) {
          if (item->IsMerged()) {
            // Merged cells are drawn once over their whole area afterwards.
            if (pDrawArgs->pMergeItems) (*pDrawArgs->pMergeItems)[item->GetMergeItem()].AddItem(i, m_nIndex, cell);
          } else {
            TK_REPORTRECORDITEM_DRAWARGS args;
            args.pControl = m_pControl;
            args.pRow = this;
            args.pColumn = column;
            args.pItem = item;
            args.rcItem = cell;
            args.pDC = dc;
            args.nTextAlign = column->GetAlignment();
            const int width = item->Draw(&args);
            if (width > column->GetWidestCell()) column->SetWidestCell(width);
            CRect grid(cell);
            grid.left -= 1;
            DrawItemGrid(dc, column, grid);
          }
        } else if (column == m_pControl->GetRowNumberColumn()) {
          pm->DrawRowNumber(dc, CRect(rcRow.left, cell.top, cell.right, cell.bottom), this);
        }
      }
      if (frozen > 0 && position == frozen - 1) pm->DrawFreezeColsDivider(dc, cell, m_pControl, this);
    }
  }

  if (IsPreviewVisible()) {
    CRect rcPreview(rcRow.left + indent, rcRow.bottom - m_nPreviewHeight, rcRow.right, rcRow.bottom);
    CRect shown;
    if (shown.IntersectRect(&rcPreview, &rcClip) || printing) {
      CellClip previewClip(dc, shown, printing);
      TK_REPORTRECORDITEM_DRAWARGS args;
      args.pControl = m_pControl;
      args.pRow = this;
      args.pItem = m_pRecord->GetItemPreview();
      args.rcItem = rcPreview;
      args.pDC = dc;
      args.pItem->Draw(&args);
    }
  }

  if (indent > 0) pm->FillIndent(dc, CRect(rcRow.left, rcRow.top, rcRow.left + indent, rcRow.bottom));

  const BOOL horizontalGrid = pm->GetGridStyle(FALSE) != 0;
  if (IsFocused() && m_pControl->IsFocusInside() && !m_pControl->IsIconView() && !printing) {
    CRect rcFocus(rcRow);
    if (horizontalGrid) rcFocus.bottom -= 1;
    pm->DrawFocusedRow(dc, rcFocus);
  }
  if (indent > 0 && horizontalGrid) {
    // The row's line starts where the next row's indentation allows.
    int left = rcRow.left;
    CTKReportRows* rows = m_pSection ? m_pSection->GetRows() : nullptr;
    CTKReportRow* next = rows && m_nIndex >= 0 ? rows->GetAt(m_nIndex + 1) : nullptr;
    if (next && next != this) left += std::min(indent, next->GetTreeDepth() * m_pControl->PaintTreeIndent());
    pm->DrawGridLine(dc, FALSE, CRect(left, rcRow.top, rcRow.right, rcRow.bottom - 1));
  }
  if (IsPreviewVisible() && horizontalGrid)
    pm->DrawGridLine(dc, FALSE, CRect(rcRow.left + indent, rcRow.top, rcRow.right, rcRow.bottom - 1));
}

void CTKReportRow::DrawItemGrid(CDC* pDC, CTKReportColumn* pColumn, RECT rcGrid) {
  CTKReportPaintManager* pm = m_pControl ? m_pControl->GetPaintManager() : nullptr;
  if (!pm || !pDC || !pColumn) return;
  CRect rc(rcGrid);
  rc.bottom -= 1;
  if (pm->GetGridStyle(FALSE) != 0 && !IsPreviewVisible()) pm->DrawGridLine(pDC, FALSE, rc);
  const int kind = GetSectionType();
  const BOOL vertical = kind == kTKReportSectionHeader   ? pColumn->m_bDrawHeaderRowsVGrid
                        : kind == kTKReportSectionFooter ? pColumn->m_bDrawFooterRowsVGrid
                                                         : TRUE;
  if (vertical) pm->DrawGridLine(pDC, TRUE, rc);
}

void CTKReportGroupRow::Draw(TK_REPORTDRAWROWARGS* pDrawArgs) {
  if (!m_pControl || !pDrawArgs) return;
  CRect rcRow(pDrawArgs->rcRow);
  if (m_pControl->GetFreezeColumnsCount() == 0) rcRow.OffsetRect(-pDrawArgs->nHScrollOffset, 0);
  m_rcRow = rcRow;
  CTKReportPaintManager* pm = m_pControl->GetPaintManager();
  CDC* dc = pDrawArgs->pDC;
  if (!pm || !dc) return;
  const BOOL printing = pDrawArgs->bPrinting || dc->IsPrinting();
  const int mode = dc->SetBkMode(TRANSPARENT);
  CellClip clip(dc, pDrawArgs->rcRow, printing);
  TK_REPORTRECORDITEM_METRICS* metrics = new TK_REPORTRECORDITEM_METRICS();
  metrics->strText = m_strGroupText;
  pm->FillGroupRowMetrics(this, metrics, printing);
  TK_REPORTRECORDITEM_DRAWARGS args;
  args.pControl = m_pControl;
  args.pRow = this;
  args.pDC = dc;
  args.rcItem = rcRow;
  m_pControl->OnGetItemMetrics(&args, metrics);
  pm->DrawGroupRow(dc, this, rcRow, metrics);
  metrics->InternalRelease();
  dc->SetBkMode(mode);
}

namespace {
// A single-line caption is cut when its text is wider than the caption
// rectangle less 4 pixels of slack.
BOOL IsCaptionCut(int nTextWidth, int nCaptionWidth) { return nTextWidth > nCaptionWidth - 4; }
}  // namespace

void CTKReportRow::ShowToolTip(POINT ptTip, CTKReportTip* pTipWnd) {
  if (!m_pControl || !pTipWnd) return;
  CRect rcItem;
  CTKReportColumn* column = nullptr;
  CTKReportRecordItem* item = HitTest(ptTip, &rcItem, &column);
  if (!item || (!column && !item->IsPreviewItem())) {
    pTipWnd->m_pItem = nullptr;
    pTipWnd->m_nRowIndex = -1;
    return;
  }
  const BOOL iconView = m_pControl->IsIconView();
  if (!iconView && !CTKDrawHelpers::IsTopParentActive(m_pControl)) return;
  // The same cell keeps the tip it has (or has none).
  if (item == pTipWnd->m_pItem && m_nIndex == pTipWnd->m_nRowIndex) return;
  pTipWnd->m_pItem = item;
  pTipWnd->m_nRowIndex = m_nIndex;

  CTKReportPaintManager* pm = m_pControl->GetPaintManager();
  const BOOL always = pm && pm->m_bShowCellTipAlways;
  // A tip text of its own is the tooltip context's to show.
  CString text = item->GetTooltip();
  m_pControl->OnGetToolTipInfo(this, item, text);
  if (!text.IsEmpty() || text == u" ") return;
  if (column && (column->GetAlignment() & DT_WORDBREAK) && !always) return;

  auto* metrics = new TK_REPORTRECORDITEM_METRICS();
  metrics->strText = item->GetCaption(column);
  FillItemMetrics(column, item, metrics);
  text = metrics->strText;
  text.Trim();
  CFont* font = metrics->pFont ? metrics->pFont : (pm ? pm->GetTextFont() : nullptr);
  if (m_pControl->GetMarkupContext() && text.GetLength() > 1 && text[0] == u'<' && text[text.GetLength() - 1] == u'>') {
    metrics->InternalRelease();
    return;
  }

  TK_REPORTRECORDITEM_ARGS args(m_pControl, this, column);
  args.pItem = item;
  args.rcItem = rcItem;
  RECT rcCaption = rcItem;
  item->GetCaptionRect(&args, rcCaption);
  CRect rcTip(rcCaption);
  m_pControl->ClientToScreen(&rcTip);
  if (!pTipWnd->GetSafeHwnd()) pTipWnd->Create(m_pControl);
  pTipWnd->SetTooltipText(text);
  const BOOL multiLine = item->IsPreviewItem() || iconView || pTipWnd->IsMultiLineText();

  BOOL cut = FALSE;
  {
    CClientDC dc(m_pControl);
    CTKFontDC fontDC(&dc, font);
    if (item->IsPreviewItem()) {
      CRect rcCalc(0, 0, std::max<LONG>(1, rcTip.Width()), 0);
      dc.DrawText(text, &rcCalc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
      const int lineHeight = std::max(1, static_cast<int>(dc.GetTextExtent(u" ", 1).cy));
      cut = pm && rcCalc.Height() / lineHeight > pm->GetMaxPreviewLines();
    } else if (multiLine) {
      CRect rcCalc(0, 0, std::max<LONG>(1, rcTip.Width() - 3), 0);
      dc.DrawText(text, &rcCalc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
      cut = rcCalc.Width() > rcTip.Width() - 3 || rcCalc.Height() > rcTip.Height() - 3;
      rcTip.right = rcTip.left + std::max<LONG>(rcTip.Width(), rcCalc.Width() + 15);
      rcTip.bottom = rcTip.top + std::max<LONG>(rcTip.Height(), rcCalc.Height() + 5);
    } else {
      cut = IsCaptionCut(dc.GetTextExtent(text).cx, rcTip.Width());
    }
  }

  if (cut || always) {
    pTipWnd->SetFont(font);
    CRect rcHover(m_rcRow);
    if (iconView) rcHover = CRect(rcCaption);
    m_pControl->ClientToScreen(&rcHover);
    pTipWnd->SetHoverRect(rcHover);
    const BOOL hGrid = pm && pm->GetGridStyle(FALSE) != tkGridNoLines;
    rcTip.OffsetRect(-1, hGrid ? -1 : 0);
    pTipWnd->SetTooltipRect(rcTip);
    pTipWnd->Activate(TRUE, multiLine);
    TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, m_pControl->GetSafeHwnd(), 0};
    ::TrackMouseEvent(&tme);
  }
  metrics->InternalRelease();
}

namespace {

// The text with markup tags removed: what lies before the first "<" joined
// with what follows the first ">" after it, until no tag is left.
CString StripTags(CString text) {
  for (;;) {
    const int open = text.Find(u'<');
    if (open < 0) return text;
    const int close = text.Find(u'>', open);
    if (close < 0) return text;
    text = text.Left(open) + text.Mid(close + 1);
  }
}

}  // namespace

INT_PTR CTKReportRow::OnToolHitTest(POINT point, TOOLINFOW* pTI) {
  if (!m_pControl || !pTI) return -1;
  CRect rcItem;
  CTKReportRecordItem* item = HitTest(point, &rcItem);
  if (!item) return -1;
  CString text = item->GetTooltip();
  m_pControl->OnGetToolTipInfo(this, item, text);
  if (text.IsEmpty() || text == u" ") return -1;
  CTKReportPaintManager* pm = m_pControl->GetPaintManager();
  if (pm && pm->m_bCleanTooltip) text = StripTags(text);
  const INT_PTR id = reinterpret_cast<INT_PTR>(item);
  CTKToolTipContext::InitToolInfo(pTI, m_pControl->m_hWnd, rcItem, id, text.GetString());
  return id;
}

INT_PTR CTKReportGroupRow::OnToolHitTest(POINT, TOOLINFOW* pTI) {
  if (!m_pControl || !pTI) return -1;
  const CString text = StripTags(m_strGroupText);
  if (text.IsEmpty()) return -1;
  const INT_PTR id = reinterpret_cast<INT_PTR>(this);
  CTKToolTipContext::InitToolInfo(pTI, m_pControl->m_hWnd, m_rcRow, id, text.GetString());
  return id;
}
