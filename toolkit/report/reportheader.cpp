#include "toolkit/report/reportheader.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/framework/afx.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/common/resourcemanager.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/common/splittertracker.h"
#include "toolkit/report/reportdatahost.h"
#include "toolkit/common/tooltipcontext.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportdragwindows.h"
#include "toolkit/report/reportfieldchooser.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportres.h"
#include "toolkit/report/reportselectedrows.h"

namespace {

// Mouse modes of the header, kept by the control.
constexpr int kModeIdle = 0;
constexpr int kModeDivider = 1;
constexpr int kModePressed = 2;
constexpr int kModeDragging = 3;

// Drag kinds.
constexpr int kDragOff = 1;
constexpr int kDragRow = 2;
constexpr int kDragBox = 4;
constexpr int kDragChooser = 8;

std::vector<CTKReportColumn*> VisibleColumns(CTKReportColumns* columns) {
  std::vector<CTKReportColumn*> out;
  for (int i = 0; columns && i < columns->GetCount(); i++)
    if (CTKReportColumn* c = columns->GetAt(i); c && c->IsVisible()) out.push_back(c);
  return out;
}

}  // namespace

int CTKReportColumn::GetCaptionWidth(CDC* pDC) {
  if (m_pMarkupUIElement) return MarkupMeasureElement(m_pMarkupUIElement, 0x7FFFFFFF, 0x7FFFFFFF).cx;
  CTKReportControl* control = GetControl();
  CTKReportPaintManager* pm = control ? control->GetPaintManager() : nullptr;
  if (!pDC) return 0;
  CTKFontDC font(pDC, pm ? pm->GetCaptionFont() : nullptr);
  return pDC->GetTextExtent(m_strName).cx;
}

CTKReportHeader::CTKReportHeader(CTKReportControl* pControl, CTKReportColumns* pColumns)
    : m_pColumns(pColumns), m_pControl(pControl) {
  m_hDontDropCursor = GetResourceManager()->LoadCursor(TK_IDC_REPORT_NODROP);
  m_hResizeCursor = GetResourceManager()->LoadCursor(TK_IDC_REPORT_RESIZE);
}

CTKReportHeader::~CTKReportHeader() {
  DestroyDropWnd();
  if (m_pDragWnd) {
    m_pDragWnd->DestroyWindow();
    m_pDragWnd = nullptr;
  }
}

CTKReportPaintManager* CTKReportHeader::GetPaintManager() const {
  return m_pControl ? m_pControl->GetPaintManager() : nullptr;
}

int CTKReportHeader::FrozenCount() const { return m_pControl ? m_pControl->GetFreezeColumnsCount() : 0; }

int CTKReportHeader::ScrollOrigin() const {
  return m_pControl ? m_pControl->GetElementRect(kTKReportElementHeader).left - m_pControl->GetLeftOffset() : 0;
}

int CTKReportHeader::ColumnLeft(CTKReportColumn* pColumn) const {
  const auto visible = VisibleColumns(m_pColumns);
  const int frozen = FrozenCount();
  int sum = 0;
  for (int i = 0; i < static_cast<int>(visible.size()); i++) {
    if (visible[i] == pColumn)
      return (i < frozen ? (m_pControl ? m_pControl->GetElementRect(kTKReportElementHeader).left : 0)
                         : ScrollOrigin()) +
             sum;
    sum = TKAddWidths(sum, visible[i]->GetWidth());
  }
  return -1;
}

// ---- layout ----

void CTKReportHeader::AdjustColumnsWidth(int nTotalWidth, int nFirstIndex) {
  if (nTotalWidth == 0 || !m_pColumns) return;
  if (!m_bAutoColumnSizing) {
    int sum = 0;
    for (CTKReportColumn* c : VisibleColumns(m_pColumns)) sum = TKAddWidths(sum, c->GetWidth());
    m_nHeaderWidth = sum == 0 ? nTotalWidth : sum;
    return;
  }
  int remainder = nTotalWidth, weights = 0;
  CTKReportColumn* lastAuto = nullptr;
  for (int i = nFirstIndex; i < m_pColumns->GetCount(); i++) {
    CTKReportColumn* c = m_pColumns->GetAt(i);
    if (!c || !c->IsVisible()) continue;
    if (c->IsAutoSize()) {
      weights = TKAddWidths(weights, c->GetAutoWidth());
      lastAuto = c;
    } else {
      remainder = TKAddWidths(remainder, -c->GetWidth());
    }
  }
  if (lastAuto && remainder > 0) {
    m_nForceLayoutAdjustment = 0;
    for (int i = nFirstIndex; i < m_pColumns->GetCount(); i++) {
      CTKReportColumn* c = m_pColumns->GetAt(i);
      if (!c || !c->IsVisible() || !c->IsAutoSize()) continue;
      int width;
      if (c == lastAuto) {
        width = remainder > c->GetMinWidth() ? remainder : c->GetMinWidth();
      } else {
        width = static_cast<int>(static_cast<long long>(c->GetAutoWidth()) * remainder / std::max(1, weights));
        if (width <= c->GetMinWidth()) width = c->GetMinWidth();
        remainder -= width;
        weights -= c->GetAutoWidth();
      }
      width = std::clamp(width, 0, kTKReportMaxColumnWidth);
      c->m_nColumnStaticWidth = width;
      if (width != c->GetAutoWidth() && m_pControl) {
        struct {
          NMHDR hdr;
          CTKReportColumn* column;
          int previous;
          int width;
        } notify{{}, c, c->GetAutoWidth(), width};
        m_pControl->SendOwnerNotify(TK_NM_REPORT_COLUMNWIDTHCHANGED, &notify.hdr);
      }
    }
  }
  const int area = m_pControl ? m_pControl->GetElementRect(kTKReportElementHeader).Width() : nTotalWidth;
  int sum = 0;
  for (int i = nFirstIndex; i < m_pColumns->GetCount(); i++)
    if (CTKReportColumn* c = m_pColumns->GetAt(i); c && c->IsVisible()) sum = TKAddWidths(sum, c->GetWidth());
  if (m_pControl && m_pControl->IsIconView()) sum = 0;
  m_nForceLayoutAdjustment = std::max(0, sum - area);
  m_nHeaderWidth = std::max(area, sum);
}

void CTKReportHeader::SetAutoColumnSizing(BOOL bAutoColumnSizing) {
  if (m_pControl) m_pControl->ResetLeftOffset();
  m_bAutoColumnSizing = bAutoColumnSizing;
  if (bAutoColumnSizing && m_pControl && m_pControl->m_hWnd) m_pControl->EnableScrollBarCtrl(SB_HORZ, FALSE);
  AdjustColumnsWidth(m_pControl ? m_pControl->GetElementRect(kTKReportElementHeader).Width() : 0, 0);
  if (m_pControl) m_pControl->RedrawControl();
}

int CTKReportHeader::GetMaxAvailWidth(CTKReportColumn* pColumn) const {
  if (!m_bAutoColumnSizing || !m_pControl || !pColumn) return 32000;
  int width = m_pControl->GetElementRect(kTKReportElementHeader).Width() -
              (ColumnLeft(pColumn) - m_pControl->GetElementRect(kTKReportElementHeader).left);
  bool after = false;
  for (CTKReportColumn* c : VisibleColumns(m_pColumns)) {
    if (after) width -= c->GetMinWidth();
    if (c == pColumn) after = true;
  }
  return width;
}

int CTKReportHeader::GetGroupByHeight() const {
  CTKReportPaintManager* pm = GetPaintManager();
  const int h = pm ? pm->GetFixedHeaderHeight() : 20;
  const int b = (h - 3) / 2;
  const int n = m_pColumns && m_pColumns->GetGroupsOrder() ? m_pColumns->GetGroupsOrder()->GetCount() : 0;
  return n >= 1 ? b * (n + 1) + 15 : 2 * b + 15;
}

BOOL CTKReportHeader::IsLastVisibleColumn(CTKReportColumn* pColumn) const {
  const auto visible = VisibleColumns(m_pColumns);
  return !visible.empty() && visible.back() == pColumn;
}

BOOL CTKReportHeader::IsLastResizableColumn(CTKReportColumn* pColumn) const {
  const auto visible = VisibleColumns(m_pColumns);
  auto it = std::find(visible.begin(), visible.end(), pColumn);
  if (it == visible.end()) return FALSE;
  for (++it; it != visible.end(); ++it)
    if ((*it)->IsResizable()) return FALSE;
  return TRUE;
}

int CTKReportHeader::GetFullColumnScrollInfo(CTKReportColumn*& pPrev, CTKReportColumn*& pCurr, CTKReportColumn*& pNext,
                                             int& nScrollPos, int& nScrollMax) const {
  pPrev = pCurr = pNext = nullptr;
  nScrollPos = nScrollMax = 0;
  const auto visible = VisibleColumns(m_pColumns);
  const int frozen = std::min(FrozenCount(), static_cast<int>(visible.size()));
  int frozenWidth = 0;
  for (int i = 0; i < frozen; i++) frozenWidth = TKAddWidths(frozenWidth, visible[i]->GetWidth());
  int x = m_pControl ? -m_pControl->GetLeftOffset() : 0;
  int index = 0;
  for (int i = 0; i < static_cast<int>(visible.size()); i++) {
    x = TKAddWidths(x, visible[i]->GetWidth());
    if (i < frozen) continue;
    if (!pCurr && x > frozenWidth + 1) {
      pCurr = visible[i];
      pPrev = i - 1 >= frozen ? visible[i - 1] : nullptr;
      pNext = i + 1 < static_cast<int>(visible.size()) ? visible[i + 1] : nullptr;
      nScrollPos = index;
    }
    index++;
  }
  nScrollMax = index;
  return frozenWidth;
}

// ---- resizing ----

void CTKReportHeader::ResizeColumn(CTKReportColumn* pColumn, int nWidth) {
  if (!m_pColumns || !pColumn) return;
  nWidth = std::clamp(nWidth, 0, kTKReportMaxColumnWidth);
  m_pResizeColumn = pColumn;
  int rest = 0, next = 0;
  bool passed = false;
  auto report = [this](CTKReportColumn* c) {
    if (c->m_nColumnStaticWidth != c->GetAutoWidth() && m_pControl) {
      struct {
        NMHDR hdr;
        CTKReportColumn* column;
        int previous;
        int width;
      } notify{{}, c, c->GetAutoWidth(), c->m_nColumnStaticWidth};
      m_pControl->SendOwnerNotify(TK_NM_REPORT_COLUMNWIDTHCHANGED, &notify.hdr);
    }
  };
  CTKReportPaintManager* pm = GetPaintManager();
  for (int i = 0; i < m_pColumns->GetCount(); i++) {
    CTKReportColumn* c = m_pColumns->GetAt(i);
    if (!c || !c->IsVisible()) continue;
    if (passed) {
      rest = TKAddWidths(rest, c->m_nColumnStaticWidth);
    } else if (c == pColumn) {
      const int diff = c->GetWidth() - nWidth;
      rest = diff;
      next = i + 1;
      c->m_nColumnStaticWidth = nWidth;
      passed = true;
      if (m_bAutoColumnSizing) {
        CTKReportColumn* following = GetNextVisibleColumn(i, 1);
        if (following && !following->IsAutoSize() && !(pm && pm->m_bAutoSizeOption) && following->IsResizable() &&
            IsLastResizableColumn(following)) {
          following->m_nColumnStaticWidth =
              std::clamp(TKAddWidths(following->m_nColumnStaticWidth, diff), 0, kTKReportMaxColumnWidth);
          report(following);
        }
      }
      for (int j = 0; j < m_pColumns->GetCount(); j++) {
        CTKReportColumn* v = m_pColumns->GetAt(j);
        if (!v || !v->IsVisible()) continue;
        report(v);
        v->m_nColumnAutoWidth = v->m_nColumnStaticWidth;
      }
    }
  }
  AdjustColumnsWidth(rest, next);
  for (int i = 0; i < m_pColumns->GetCount(); i++)
    if (CTKReportColumn* c = m_pColumns->GetAt(i)) c->m_nColumnAutoWidth = c->m_nColumnStaticWidth;
  AdjustColumnsWidth(
      m_pControl ? m_pControl->GetElementRect(kTKReportElementHeader).Width() : CRect(m_rcHeader).Width(), 0);
  if (m_pControl) m_pControl->AdjustScrollBars();
  m_pResizeColumn = nullptr;
}

void CTKReportHeader::BestFit(CTKReportColumn* pColumn) {
  if (!pColumn || !pColumn->IsResizable() || !m_bAllowColumnResize) return;
  if (m_bAutoColumnSizing &&
      ((m_pControl && m_pControl->m_bStrictBestFit) || IsLastResizableColumn(pColumn) || IsLastVisibleColumn(pColumn)))
    return;
  const int width = std::min(GetMaxAvailWidth(pColumn), pColumn->GetBestFitWidth());
  if (width > pColumn->GetMinWidth()) {
    ResizeColumn(pColumn, width);
    if (m_pControl) m_pControl->RedrawControl();
  }
}

void CTKReportHeader::TrackColumnResize(CTKReportColumn* pColumn, CPoint point) {
  if (!m_pControl || !pColumn || !m_pControl->m_hWnd) return;
  int maxWidth = GetMaxAvailWidth(pColumn);
  if (m_nMaxColumnWidth > 0 && !IsLastVisibleColumn(pColumn)) maxWidth = std::min(maxWidth, m_nMaxColumnWidth);
  if (pColumn->GetMaxWidth() > 0) maxWidth = pColumn->GetMaxWidth();
  const int minWidth = pColumn->GetMinWidth();
  const int left = ColumnLeft(pColumn);
  const int right = TKAddWidths(left, pColumn->GetWidth());
  CRect client;
  m_pControl->GetClientRect(&client);
  CRect bounds(left + minWidth, m_rcHeader.top, left + maxWidth, client.bottom);
  CRect tracker(right, m_rcHeader.top, right + 1, client.bottom);
  const bool rtl = (m_pControl->GetExStyle() & WS_EX_LAYOUTRTL) != 0;
  if (rtl) {
    bounds.SetRect(client.right - bounds.right, bounds.top, client.right - bounds.left, bounds.bottom);
    tracker.SetRect(client.right - right - 1, tracker.top, client.right - right, tracker.bottom);
  }
  m_pControl->ClientToScreen(&bounds);
  m_pControl->ClientToScreen(&tracker);
  CPoint start(point);
  m_pControl->ClientToScreen(&start);
  CTKSplitterTracker splitter(TRUE, m_pControl->m_bDesktopTrackerMode);
  if (splitter.Track(m_pControl, bounds, tracker, start, TRUE)) {
    m_pControl->ScreenToClient(&tracker);
    const int width = rtl ? (client.right - left) - tracker.left : tracker.left - left;
    ResizeColumn(pColumn, width);
    m_pControl->RedrawControl();
  }
}

// ---- hit tests ----

int CTKReportHeader::HitTestIndex(CPoint pt) const {
  if (!m_pControl || !m_pColumns || !m_pControl->GetElementRect(kTKReportElementHeader).PtInRect(pt)) return -1;
  const int frozen = FrozenCount();
  int sum = 0, visibleIndex = 0;
  // Frozen columns cover the scrolled ones.
  for (int pass = 0; pass < 2; pass++) {
    sum = 0;
    visibleIndex = 0;
    for (int i = 0; i < m_pColumns->GetCount(); i++) {
      CTKReportColumn* c = m_pColumns->GetAt(i);
      if (!c || !c->IsVisible()) continue;
      const bool isFrozen = visibleIndex < frozen;
      const int left = (isFrozen ? m_pControl->GetElementRect(kTKReportElementHeader).left : ScrollOrigin()) + sum;
      sum = TKAddWidths(sum, c->GetWidth());
      visibleIndex++;
      if ((pass == 0) != isFrozen) continue;
      if (TKAddWidths(left, c->GetWidth()) > pt.x && pt.x >= left) return i;
    }
  }
  return -1;
}

CTKReportColumn* CTKReportHeader::HitTest(CPoint ptPoint) const {
  const int index = HitTestIndex(ptPoint);
  return index >= 0 ? m_pColumns->GetAt(index) : nullptr;
}

INT_PTR CTKReportHeader::OnToolHitTest(CPoint point, TOOLINFOW* pTI) const {
  if (!m_pControl || !pTI) return -1;
  CTKReportColumn* column = HitTest(point);
  if (!column) return -1;
  CTKReportPaintManager* pm = m_pControl->GetPaintManager();
  CString text = column->GetTooltip();
  if (text.IsEmpty()) {
    // A caption written as markup has no plain text to show.
    if (column->GetMarkupUIElement()) return -1;
    text = column->GetCaption();
    if (column->IsSortable() && m_bAllowColumnSort && pm) {
      if (m_pControl->GetIconViewColumn() >= 0 && column->GetItemIndex() == m_pControl->GetIconViewColumn())
        text = CString(pm->m_bRecOrRowNum ? u"Rec" : u"Row") + text;
      else if (column->IsSorted())
        text = pm->m_strSortBy + text + (column->IsSortedDecreasing() ? pm->m_strDecreasing : pm->m_strIncreasing);
    }
  }
  const CRect rcColumn(column->m_rcColumn);
  if (column->IsPlusMinus() && pm && rcColumn.right - point.x <= 15)
    text = column->IsExpanded() ? pm->m_strCollapse : pm->m_strExpand;
  if (text.IsEmpty()) return -1;
  if (pm && pm->m_bCleanTooltip) {
    for (int open = text.Find(u'<'); open >= 0; open = text.Find(u'<')) {
      const int close = text.Find(u'>', open);
      if (close < 0) break;
      text = text.Left(open) + text.Mid(close + 1);
    }
  }
  const INT_PTR id = reinterpret_cast<INT_PTR>(column);
  CTKToolTipContext::InitToolInfo(pTI, m_pControl->GetSafeHwnd(), rcColumn, id, text.GetString());
  return id;
}

CTKReportColumn* CTKReportHeader::HitTestDivider(CPoint point) const {
  if (!m_pControl || point.y <= m_rcHeader.top || point.y >= m_rcHeader.bottom) return nullptr;
  const auto visible = VisibleColumns(m_pColumns);
  const int frozen = std::min(FrozenCount(), static_cast<int>(visible.size()));
  int frozenRight = m_pControl->GetElementRect(kTKReportElementHeader).left;
  for (int i = 0; i < frozen; i++) frozenRight = TKAddWidths(frozenRight, visible[i]->GetWidth());
  auto test = [&](CTKReportColumn* c) -> bool {
    if (m_bAutoColumnSizing && IsLastVisibleColumn(c)) return false;
    const int right = TKAddWidths(ColumnLeft(c), c->GetWidth());
    if (!c->IsResizable() || std::abs(right - point.x) > m_nResizeCaptureRange) return false;
    return !m_bAutoColumnSizing || (!IsLastResizableColumn(c) && !IsLastVisibleColumn(c));
  };
  for (int i = 0; i < frozen; i++)
    if (test(visible[i])) return visible[i];
  for (int i = static_cast<int>(visible.size()) - 1; i >= frozen; i--) {
    if (TKAddWidths(ColumnLeft(visible[i]), visible[i]->GetWidth()) <= frozenRight) break;
    if (test(visible[i])) return visible[i];
  }
  return nullptr;
}

int CTKReportHeader::GetHeaderDropIndex(CPoint pt) const {
  if (!m_pControl || !m_pColumns) return -1;
  const CRect area = m_pControl->GetElementRect(kTKReportElementHeader);
  if (pt.y < area.top || pt.y >= area.bottom) return -1;
  const auto visible = VisibleColumns(m_pColumns);
  if (visible.empty()) return m_pColumns->GetCount();
  CTKReportColumn* last = visible.back();
  if (pt.x >= TKAddWidths(ColumnLeft(last), last->GetWidth())) return m_pColumns->GetCount();
  if (!area.PtInRect(pt)) return -1;
  const int frozen = std::min(FrozenCount(), static_cast<int>(visible.size()));
  int frozenRight = area.left;
  for (int i = 0; i < frozen; i++) frozenRight = TKAddWidths(frozenRight, visible[i]->GetWidth());
  auto target = [&](int v) -> int {
    CTKReportColumn* c = visible[v];
    const int left = ColumnLeft(c), right = TKAddWidths(left, c->GetWidth());
    if (pt.x < left || pt.x >= right) return -2;
    const int index = m_pColumns->IndexOf(c);
    if (pt.x < (left + right) / 2) return index;
    if (v == frozen - 1 && m_pControl->GetLeftOffset() > 0) return index;
    return index + 1;
  };
  for (int v = 0; v < frozen; v++)
    if (int r = target(v); r != -2) return r;
  for (int v = static_cast<int>(visible.size()) - 1; v >= frozen; v--) {
    if (ColumnLeft(visible[v]) < frozenRight) break;
    if (int r = target(v); r != -2) return r;
  }
  return -1;
}

int CTKReportHeader::GetGroupByIndex(CPoint pt, BOOL bExact) const {
  if (!CRect(m_rcGroupBy).PtInRect(pt) || !m_pColumns) return -1;
  CTKReportColumnOrder* groups = m_pColumns->GetGroupsOrder();
  const int count = groups->GetCount();
  for (int i = 0; i < count; i++) {
    const CRect button(groups->GetAt(i)->m_rcGroupBy);
    if (bExact) {
      if (button.PtInRect(pt)) return i;
    } else if (button.right >= pt.x) {
      return pt.x < (button.left + button.right) / 2 ? i : i + 1;
    }
  }
  return count;
}

// ---- drawing ----

void CTKReportHeader::Draw(CDC* pDC, CRect rcHeader) {
  CTKReportPaintManager* pm = GetPaintManager();
  if (!pDC || !pm || !m_pControl || !m_pColumns) return;
  const int offset = m_pControl->GetLeftOffset();
  m_rcHeader = rcHeader;
  m_rcHeader.OffsetRect(-offset, 0);

  CRect client;
  if (m_pControl->m_hWnd) m_pControl->GetClientRect(&client);
  else client = rcHeader;
  CRect clip(rcHeader);
  clip.IntersectRect(&clip, &client);
  if (!m_pControl->IsHeaderVisible() && m_pControl->IsGroupByVisible()) clip.top -= 1;
  pm->FillHeaderControl(pDC, clip);

  const auto visible = VisibleColumns(m_pColumns);
  int x = m_rcHeader.left;
  for (CTKReportColumn* c : visible) {
    const CRect rc(x, rcHeader.top, TKAddWidths(x, c->GetWidth()), rcHeader.bottom);
    c->m_rcColumn = rc;
    if (rc.right > clip.left && rc.left < clip.right) pm->DrawColumn(pDC, c, this, rc, FALSE);
    c->SetWidestCell(0);
    x = rc.right;
  }
  const int frozen = std::min(FrozenCount(), static_cast<int>(visible.size()));
  if (frozen > 0) {
    int fx = rcHeader.left;
    for (int i = 0; i < frozen; i++) {
      CTKReportColumn* c = visible[i];
      const CRect rc(fx, rcHeader.top, TKAddWidths(fx, c->GetWidth()), rcHeader.bottom);
      c->m_rcColumn = rc;
      pm->FillHeaderControl(pDC, rc);
      pm->DrawColumn(pDC, c, this, rc, FALSE);
      fx = rc.right;
      if (i == frozen - 1 && (pm->GetFreezeColsDividerStyle() & tkFreezeDividerHeader))
        pm->DrawFreezeColsDivider(pDC, rc, m_pControl, nullptr);
    }
  }
  if (x < clip.right) {
    // A filler column up to the edge, so the header face ends in a button.
    CTKReportColumn filler(-1, u"", clip.right - x + 10, FALSE, -1, FALSE);
    pm->DrawColumn(pDC, &filler, this, CRect(x, rcHeader.top, clip.right + 10, rcHeader.bottom), FALSE);
  }
  if (pm->IsColumnWidthWYSIWYG() && pm->m_bPrintPageWidthMarkers && !pDC->IsPrinting()) {
    const int page = pm->GetPrintPageWidth();
    if (page > 0 && page <= m_nHeaderWidth) {
      const bool tall = m_bShowItemsInGroups || m_pControl->IsGroupByVisible();
      const int height = rcHeader.Height();
      for (long long px = page; px <= m_nHeaderWidth; px += page) {
        const int mx = TKAddWidths(m_rcHeader.left, static_cast<int>(px));
        CRect marker(mx - 1, tall ? rcHeader.top + height : rcHeader.top, mx + 1,
                     tall ? rcHeader.top + 3 * height : rcHeader.bottom);
        pDC->Draw3dRect(&marker, RGB(255, 0, 0), RGB(255, 0, 0));
      }
    }
  }
}

void CTKReportHeader::DrawGroupByControl(CDC* pDC, CRect rcGroupBy) {
  m_rcGroupBy = rcGroupBy;
  CTKReportPaintManager* pm = GetPaintManager();
  if (rcGroupBy.Height() < 1 || !pDC || !pm || !m_pColumns) return;
  pm->FillGroupByControl(pDC, rcGroupBy);
  CTKFontDC font(pDC, pm->GetCaptionFont());
  const int h = pm->GetFixedHeaderHeight();
  CTKReportColumnOrder* groups = m_pColumns->GetGroupsOrder();
  int x = rcGroupBy.left + 9, y = rcGroupBy.top + 7;
  CRect previous;
  for (int i = 0; i < groups->GetCount(); i++) {
    CTKReportColumn* c = groups->GetAt(i);
    const CRect button(x, y, x + c->GetCaptionWidth(pDC) + 50, y + h - 3);
    c->m_rcGroupBy = button;
    if (i > 0)
      pm->DrawLeftBottomEdges(pDC, CRect(previous.right - 5, previous.bottom, button.left, previous.bottom + 4));
    pm->FillHeaderControl(pDC, button);
    pm->DrawColumn(pDC, c, this, button, TRUE);
    previous = button;
    x = button.right + 5;
    y += button.Height() / 2;
  }
  if (groups->GetCount() == 0) pm->DrawNoGroupByText(pDC, CRect(x, y, rcGroupBy.right, y + h - 3));
}

void CTKReportHeader::DrawFooter(CDC* pDC, CRect rcFooter) {
  CTKReportPaintManager* pm = GetPaintManager();
  if (!pDC || !pm || !m_pColumns) return;
  pm->FillFooter(pDC, rcFooter);
  if (rcFooter.Height() <= 0) return;
  const auto visible = VisibleColumns(m_pColumns);
  const int frozen = std::min(FrozenCount(), static_cast<int>(visible.size()));
  auto cell = [&](CTKReportColumn* c) {
    const CRect column(c->m_rcColumn);
    return CRect(column.left, rcFooter.top, column.right, rcFooter.bottom);
  };
  for (int i = static_cast<int>(visible.size()) - 1; i >= frozen; i--)
    pm->DrawColumnFooter(pDC, visible[i], this, cell(visible[i]));
  for (int i = 0; i < frozen; i++) {
    const CRect rc = cell(visible[i]);
    pm->FillFooter(pDC, rc);
    pm->DrawColumnFooter(pDC, visible[i], this, rc);
  }
}

// ---- mouse ----

void CTKReportHeader::SetPressedColumn(CTKReportColumn* pColumn, BOOL bInHeader) {
  m_pPressedColumn = pColumn;
  m_bPressedInHeader = bInHeader;
  m_bPressedInGroupBox = !bInHeader;
  m_nDropIndex = -1;
}

void CTKReportHeader::SetHotColumn(CTKReportColumn* pColumn) {
  CTKReportPaintManager* pm = GetPaintManager();
  if (!pm || !pm->IsColumnHotTrackingEnabled()) pColumn = nullptr;
  if (pColumn != m_pHotColumn) {
    m_pHotColumn = pColumn;
    if (m_pControl) m_pControl->RedrawControl();
  }
  if (m_pControl && m_pControl->m_hWnd && !::GetCapture()) {
    TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, m_pControl->m_hWnd, 0};
    ::TrackMouseEvent(&tme);
  }
}

void CTKReportHeader::DestroyDropWnd() {
  if (m_pDropWnd) {
    m_pDropWnd->DestroyWindow();
    m_pDropWnd = nullptr;
  }
}

void CTKReportHeader::CancelMouseMode() {
  if (!m_pControl || m_pControl->GetMouseMode() == kModeIdle) return;
  m_pControl->SetMouseMode(kModeIdle);
  m_pPressedColumn = nullptr;
  m_pResizeColumn = nullptr;
  ShowDropMarker(-1, TRUE);
  if (m_pDragWnd) {
    m_pDragWnd->DestroyWindow();
    m_pDragWnd = nullptr;
  }
  if (m_pControl->m_hWnd && ::GetCapture() == m_pControl->m_hWnd) ::ReleaseCapture();
  ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
  m_bPressedInHeader = m_bPressedInGroupBox = FALSE;
  m_pControl->RedrawControl();
}

void CTKReportHeader::OnLButtonDown(CPoint point) {
  if (!m_pControl) return;
  if (m_pControl->m_hWnd) m_pControl->SetCapture();
  if (m_pControl->GetMouseMode() == kModeDivider) {
    CTKReportColumn* column = HitTestDivider(point);
    if (column && column->IsResizable() && m_bAllowColumnResize &&
        !(m_bAutoColumnSizing && (IsLastResizableColumn(column) || IsLastVisibleColumn(column)))) {
      m_pControl->SetMouseMode(kModeIdle);
      TrackColumnResize(column, point);
      return;
    }
  }
  if (m_pControl->GetMouseMode() != kModeIdle) return;
  CTKReportColumn* column = nullptr;
  BOOL inHeader = FALSE;
  if (CRect(m_rcHeader.left, m_rcHeader.top, m_pControl->GetElementRect(kTKReportElementHeader).right,
            m_rcHeader.bottom)
          .PtInRect(point) &&
      m_pControl->GetElementRect(kTKReportElementHeader).PtInRect(point)) {
    column = HitTest(point);
    inHeader = TRUE;
  } else if (CRect(m_rcGroupBy).PtInRect(point)) {
    const int index = GetGroupByIndex(point, TRUE);
    CTKReportColumnOrder* groups = m_pColumns->GetGroupsOrder();
    if (index >= 0 && index < groups->GetCount()) column = groups->GetAt(index);
  }
  if (!column) return;
  SetPressedColumn(column, inHeader);
  m_ptMouse = point;
  m_pControl->SetMouseMode(kModePressed);
  m_pControl->RedrawControl();
}

void CTKReportHeader::OnLButtonUp(UINT nFlags, CPoint point) {
  if (!m_pControl) return;
  const int mode = m_pControl->GetMouseMode();
  m_pControl->SetMouseMode(kModeIdle);
  if (m_pControl->m_hWnd && ::GetCapture() == m_pControl->m_hWnd) ::ReleaseCapture();
  if (mode == kModeDragging) {
    FinishDrag(nFlags, point);
    return;
  }
  CTKReportColumn* column = m_pPressedColumn;
  const BOOL overPressed =
      column && (m_bPressedInHeader ? HitTest(point) == column : CRect(column->m_rcGroupBy).PtInRect(point));
  if (overPressed) {
    if (column->IsPlusMinus()) {
      const CRect rc(m_bPressedInHeader ? column->m_rcColumn : column->m_rcGroupBy);
      if (point.x >= rc.right - 15) {
        column->SetExpanded(!column->IsExpanded());
        m_bPressedInHeader = FALSE;
        m_nDragKind = 0;
        m_pControl->SendItemNotify(nullptr, nullptr, column, TK_NM_REPORT_COLUMNEXPANDED, &point);
        return;
      }
    } else {
      m_pControl->SendItemNotify(nullptr, nullptr, column, TK_NM_REPORT_CLICK, &point);
    }
  }
  if (mode != kModePressed || !column) return;
  FinishClick(nFlags, point);
}

void CTKReportHeader::FinishClick(UINT nFlags, CPoint) {
  CTKReportColumn* column = m_pPressedColumn;
  m_pPressedColumn = nullptr;
  const BOOL inHeader = m_bPressedInHeader;
  m_bPressedInHeader = m_bPressedInGroupBox = FALSE;
  if (!column->IsSortable() || !m_bAllowColumnSort) {
    m_pControl->RedrawControl();
    return;
  }
  BOOL groupingChanged = FALSE;
  if (inHeader) {
    const BOOL toGroups = m_bShowItemsInGroups && column->IsGroupable();
    CTKReportColumnOrder* target = toGroups ? m_pColumns->GetGroupsOrder() : m_pColumns->GetSortOrder();
    const BOOL shift = (nFlags & MK_SHIFT) != 0;
    const BOOL listed = target->IndexOf(column) >= 0;
    if (!shift) {
      if (m_bShowItemsInGroups && !m_bAllowColumnRemove)
        for (int i = 0; i < target->GetCount(); i++) target->GetAt(i)->SetVisible(TRUE);
      target->Clear();
      target->Add(column);
      if (listed) column->SetSortIncreasing(!column->IsSortedIncreasing());
      groupingChanged = m_bShowItemsInGroups;
    } else if (listed) {
      column->SetSortIncreasing(!column->IsSortedIncreasing());
    } else {
      target->Add(column);
      groupingChanged = m_bShowItemsInGroups;
    }
  } else {
    column->SetSortIncreasing(!column->IsSortedIncreasing());
  }
  std::vector<CTKReportRecord*> selected;
  if (m_pControl->m_bKeepSelectionAfterSort) {
    CTKReportSelectedRows* rows = m_pControl->GetSelectedRows();
    for (int i = 0; rows && i < rows->GetCount(); i++)
      if (CTKReportRow* row = rows->GetAt(i); row && row->GetRecord()) selected.push_back(row->GetRecord());
  }
  m_pControl->SendOwnerNotify(TK_NM_REPORT_PRESORTORDERCHANGED);
  if (groupingChanged) m_pControl->RebuildRows();
  else m_pControl->ReSortRows();
  if (!selected.empty()) {
    CTKReportRows* rows = m_pControl->GetRows();
    for (int i = 0; rows && i < rows->GetCount(); i++) {
      CTKReportRow* row = rows->GetAt(i);
      if (row && row->GetRecord() && std::find(selected.begin(), selected.end(), row->GetRecord()) != selected.end())
        row->SetSelected(TRUE);
    }
  }
  m_pControl->SendOwnerNotify(TK_NM_REPORT_SORTORDERCHANGED);
  if (groupingChanged) OnColumnsChanged(TKColumnChange::kGroupingChanged, column);
}

void CTKReportHeader::FinishDrag(UINT nFlags, CPoint point) {
  CTKReportColumn* column = m_pPressedColumn;
  const BOOL fromBox = m_bPressedInGroupBox;
  BOOL changed = FALSE;
  const BOOL ctrl = (nFlags & MK_CONTROL) != 0;
  CTKReportColumnOrder* groups = m_pColumns->GetGroupsOrder();
  const int kind = m_nDragKind;
  if (column) {
    const BOOL removable = m_bAllowColumnRemove && column->m_bAllowRemove;
    if ((kind == kDragOff || kind == kDragChooser) && removable) {
      if (!fromBox) {
        column->SetVisible(FALSE);
      } else {
        groups->Remove(column);
        m_pControl->RebuildRows();
        changed = TRUE;
      }
    } else if ((kind == kDragRow || kind == kDragBox) && m_nDropIndex >= 0) {
      CRect row(m_pControl->GetElementRect(kTKReportElementHeader));
      if (m_pControl->m_hWnd) {
        CRect client;
        m_pControl->GetClientRect(&client);
        row.right = client.right;
      }
      if (row.PtInRect(point)) {
        column->SetVisible(TRUE);
        m_pColumns->ChangeColumnOrder(m_nDropIndex, m_pColumns->IndexOf(column));
        if (fromBox && !ctrl) {
          groups->Remove(column);
          m_pControl->RebuildRows();
          changed = TRUE;
        }
      } else if (CRect(m_rcGroupBy).PtInRect(point)) {
        const BOOL fullColumns = m_pControl->IsFullColumnScrolling();
        const BOOL switchOff = fullColumns && column->GetVisibleIndex() > 0;
        if (switchOff) m_pControl->SetFullColumnScrolling(FALSE);
        groups->InsertAt(m_nDropIndex, column);
        changed = TRUE;
        if (!fromBox && (m_bHideColumnAfterGroupBoxDrop ? !ctrl : ctrl)) column->SetVisible(FALSE);
        m_pControl->RebuildRows();
        if (switchOff) m_pControl->SetFullColumnScrolling(TRUE);
      }
    }
  }
  int flags = changed ? TKColumnChange::kOrderChanged : TKColumnChange::kPlacement;
  if (kind == kDragChooser) flags |= TKColumnChange::kFromFieldChooser;
  else if (kind == kDragRow && fromBox) flags |= TKColumnChange::kRowFromGroupBox;
  if (changed)
    flags |= fromBox ? TKColumnChange::kDroppedInGroupBox : (kind == kDragBox ? TKColumnChange::kMovedInGroupBox : 0);
  m_nDragKind = 0;
  if (column) OnColumnsChanged(flags, column);
  ShowDropMarker(-1, TRUE);
  m_pPressedColumn = nullptr;
  if (m_pDragWnd) {
    m_pDragWnd->DestroyWindow();
    m_pDragWnd = nullptr;
  }
  m_bPressedInHeader = m_bPressedInGroupBox = FALSE;
}

void CTKReportHeader::OnMouseMove(UINT, CPoint point) {
  if (!m_pControl) return;
  CTKReportColumn* hot = HitTest(point);
  SetHotColumn(hot);
  // Leaving the caption's tip for the plus/minus button's.
  if (hot && hot->IsPlusMinus() && m_pControl->GetToolTipContext()) {
    const int fromRight = hot->m_rcColumn.right - point.x;
    if (fromRight >= 16 && fromRight <= 20) m_pControl->GetToolTipContext()->DeactivateTip();
  }
  const int mode = m_pControl->GetMouseMode();
  if (m_bAllowColumnResize && (mode == kModeIdle || mode == kModeDivider)) {
    if (HitTestDivider(point)) {
      if (mode == kModeIdle && m_hResizeCursor) ::SetCursor(m_hResizeCursor);
      m_pControl->SetMouseMode(kModeDivider);
    } else if (mode == kModeDivider) {
      m_pControl->SetMouseMode(kModeIdle);
    }
    return;
  }
  CTKReportColumn* column = m_pPressedColumn;
  if (mode == kModePressed && column) {
    if (std::abs(point.x - m_ptMouse.x) + std::abs(point.y - m_ptMouse.y) < 4) return;
    const BOOL canDrag =
        (m_bAllowColumnReorder || (m_bAllowColumnRemove && column->m_bAllowRemove) || m_pControl->IsGroupByVisible()) &&
        column->m_bAllowDrag;
    if (!canDrag) {
      m_pPressedColumn = nullptr;
      m_pControl->SetMouseMode(kModeIdle);
      m_pControl->RedrawControl();
      return;
    }
    m_pControl->SetMouseMode(kModeDragging);
    m_nDragKind = m_bPressedInHeader ? kDragRow : kDragBox;
    CRect rc(m_bPressedInHeader ? column->m_rcColumn : column->m_rcGroupBy);
    if (m_pControl->m_hWnd) m_pControl->ClientToScreen(&rc);
    m_pDragWnd = new CTKReportHeaderDragWnd();
    if (!m_pDragWnd->Create(rc.left, rc.top, rc.right, rc.bottom, this, GetPaintManager(), column)) {
      delete m_pDragWnd;
      m_pDragWnd = nullptr;
    }
    m_nDragStartIndex = column->GetVisibleIndex();
    return;
  }
  if (mode != kModeDragging || !column) return;
  if (m_pDragWnd) {
    CRect rc;
    m_pDragWnd->GetWindowRect(&rc);
    CPoint screen(point);
    if (m_pControl->m_hWnd) m_pControl->ClientToScreen(&screen);
    m_pDragWnd->SetWindowPos(nullptr, screen.x - rc.Width() / 2, screen.y - rc.Height() / 2, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  CRect row(m_pControl->GetElementRect(kTKReportElementHeader));
  if (m_pControl->m_hWnd) {
    CRect client;
    m_pControl->GetClientRect(&client);
    row.right = client.right;
  }
  if (m_pSubList && m_pSubList->m_hWnd && m_pSubList->IsWindowVisible() && m_pControl->m_hWnd) {
    CRect list;
    m_pSubList->GetWindowRect(&list);
    CPoint screen(point);
    m_pControl->ClientToScreen(&screen);
    if (list.PtInRect(screen)) {
      m_nDragKind = kDragChooser;
      ShowDropMarker(-1, TRUE);
      return;
    }
  }
  if (row.PtInRect(point)) {
    int index = m_bAllowColumnReorder ? GetHeaderDropIndex(point) : -1;
    m_nDragKind = kDragRow;
    ShowDropMarker(index, TRUE);
  } else if (CRect(m_rcGroupBy).PtInRect(point) && column->IsGroupable()) {
    m_nDragKind = kDragBox;
    ShowDropMarker(GetGroupByIndex(point, FALSE), FALSE);
  } else {
    m_nDragKind = kDragOff;
    ShowDropMarker(-1, TRUE);
    if (m_bAllowColumnRemove && column->m_bAllowRemove && m_hDontDropCursor) ::SetCursor(m_hDontDropCursor);
  }
}

void CTKReportHeader::ShowDropMarker(int nIndex, BOOL bHeader) {
  m_nDropIndex = nIndex;
  auto hide = [this]() {
    if (m_pDropWnd) m_pDropWnd->ShowWindow(SW_HIDE);
  };
  CTKReportPaintManager* pm = GetPaintManager();
  if (nIndex < 0 || !pm || !m_pControl || !m_pPressedColumn) {
    hide();
    return;
  }
  const int h = pm->GetFixedHeaderHeight();
  CPoint pt;
  if (bHeader) {
    CTKReportColumn* dragged = m_pPressedColumn;
    CTKReportColumn* before = GetNextVisibleColumn(nIndex, -1);
    CTKReportColumn* from = nIndex < m_pColumns->GetCount() ? m_pColumns->GetAt(nIndex) : nullptr;
    if (from && !from->IsVisible()) from = GetNextVisibleColumn(nIndex, 1);
    if (before == dragged || from == dragged) {
      hide();
      return;
    }
    pt.y = (m_pControl->GetElementRect(kTKReportElementHeader).top +
            m_pControl->GetElementRect(kTKReportElementHeader).bottom) /
           2;
    CTKReportColumn* at = nIndex < m_pColumns->GetCount() ? m_pColumns->GetAt(nIndex) : nullptr;
    if (at && at->IsVisible()) pt.x = ColumnLeft(at);
    else if (before) pt.x = TKAddWidths(ColumnLeft(before), before->GetWidth());
    else pt.x = m_rcHeader.right;
    if (!at) {
      const auto visible = VisibleColumns(m_pColumns);
      pt.x = visible.empty() ? m_rcHeader.left : TKAddWidths(ColumnLeft(visible.back()), visible.back()->GetWidth());
    }
    if (pt.x < 0) {
      hide();
      return;
    }
  } else {
    CTKReportColumnOrder* groups = m_pColumns->GetGroupsOrder();
    const int own = groups->IndexOf(m_pPressedColumn);
    if (own >= 0 && (nIndex == own || nIndex == own + 1)) {
      hide();
      return;
    }
    pt = CPoint(m_rcGroupBy.left + 9, m_rcGroupBy.top + h / 2 + 6);
    for (int i = 0; i < nIndex && i < groups->GetCount(); i++) {
      const CRect button(groups->GetAt(i)->m_rcGroupBy);
      pt.x += button.Width();
      if (i + 1 < nIndex) {
        pt.x += 5;
        pt.y += (h - 3) / 2;
      }
    }
  }
  if (!m_pDropWnd) {
    m_pDropWnd = new CTKReportHeaderDropWnd(pm->m_clrHotDivider);
    if (!m_pDropWnd->Create(m_pControl, h)) {
      delete m_pDropWnd;
      m_pDropWnd = nullptr;
      return;
    }
  }
  if (m_pControl->m_hWnd) m_pControl->ClientToScreen(&pt);
  m_pDropWnd->SetPosition(pt.x, pt.y);
}

void CTKReportHeader::OnLButtonDblClk(CPoint point) {
  if (!m_pControl || m_pControl->GetMouseMode() != kModeDivider) return;
  if (CTKReportColumn* column = HitTest(CPoint(point.x - m_nResizeCaptureRange - 1, point.y))) BestFit(column);
}

void CTKReportHeader::OnContextMenu(CPoint ptClick) {
  if (!m_pControl || !m_pControl->m_hWnd || m_pControl->GetMouseMode() != kModeIdle) return;
  CPoint client(ptClick);
  m_pControl->ScreenToClient(&client);
  if (!m_pControl->GetElementRect(kTKReportElementHeader).PtInRect(client)) return;
  if (CTKReportColumn* column = HitTest(client)) {
    m_pControl->SendItemNotify(nullptr, nullptr, column, TK_NM_REPORT_HEADER_RCLICK, &ptClick);
    m_pControl->RedrawControl();
  }
}

// ---- column changes ----

void CTKReportHeader::OnColumnsChanged(int nReason, CTKReportColumn* pColumn) {
  if (!m_pControl) return;
  int frozen = m_pControl->GetFreezeColumnsCount();
  if (m_pControl->m_nFreezeColumnsAbs && frozen > 0 && pColumn) {
    const int pin = m_pControl->m_bMovePivot ? frozen - 1 : 0;
    const int v = pColumn->GetVisibleIndex();
    const int p = m_pColumns->IndexOf(pColumn);
    const int o = pColumn->GetOldVisibleIndex();
    const int d = m_nDragStartIndex;
    auto rule1000 = [&]() {
      if (frozen > d) frozen -= 1;
      else if (frozen == d) frozen = pin;
    };
    if (m_nDragKind == kDragBox) {
      if (nReason == TKColumnChange::kHidden) {
        if (frozen == o + 1) frozen = pin;
        else if (frozen > o + 1) frozen -= 1;
      } else {
        rule1000();
      }
    } else if (nReason & TKColumnChange::kPlacement) {
      if (nReason & TKColumnChange::kShownBit) {
        if (v < frozen) frozen += 1;
      } else if (nReason & TKColumnChange::kHiddenBit) {
        if (frozen == o + 1) frozen = pin;
        else if (d == -1 && v == -1) {
          if (o < frozen) frozen -= 1;
        } else if (p < frozen || (v > -1 && v < frozen) || (d > -1 && d < frozen)) {
          frozen -= 1;
        }
      } else if (nReason & TKColumnChange::kMovedInGroupBox) {
        rule1000();
      } else if (nReason & TKColumnChange::kDroppedInGroupBox) {
        if (v < frozen) frozen += 1;
        else if (frozen == d + 1) frozen = pin;
      } else if (frozen == d + 1) {
        frozen = frozen + v - d;
      } else if (d < frozen) {
        frozen -= 1;
      } else {
        frozen += 1;
      }
    }
  }
  // Kept within the columns there are now, also when no rule moved it.
  m_pControl->StoreFreezeColumnsCount(frozen);
  const int areaWidth = m_pControl->GetElementRect(kTKReportElementHeader).Width();
  const int vIndex = pColumn ? (pColumn->IsVisible() ? pColumn->GetVisibleIndex() : pColumn->GetOldVisibleIndex()) : -1;
  if (m_pControl->IsFullColumnScrolling() && pColumn && m_pControl->m_hWnd && vIndex >= 0 &&
      vIndex < m_pControl->GetScrollPos(SB_HORZ)) {
    if (nReason & TKColumnChange::kShownBit) m_rcHeader.left -= pColumn->GetWidth();
    if (nReason & TKColumnChange::kHiddenBit) m_rcHeader.left += pColumn->GetWidth();
    AdjustColumnsWidth(areaWidth);
    m_pControl->SendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, m_pControl->GetScrollPos(SB_HORZ)), 0);
  } else {
    AdjustColumnsWidth(areaWidth);
  }
  m_pControl->AdjustScrollBars();
  if (m_pSubList && m_pSubList->GetReportCtrl() == m_pControl) m_pSubList->UpdateList();
  m_pControl->RedrawControl();
  struct {
    NMHDR hdr;
    CTKReportColumn* column;
    int flags;
  } notify{{}, pColumn, nReason};
  if (nReason & TKColumnChange::kOrderChanged)
    m_pControl->SendOwnerNotify(TK_NM_REPORT_COLUMNORDERCHANGED, &notify.hdr);
  m_pControl->SendOwnerNotify(TK_NM_REPORT_COLUMNCHANGED, &notify.hdr);
}

CTKReportColumn* CTKReportHeader::GetNextVisibleColumn(int nIndex, int nDirection) {
  if (!m_pColumns || (nDirection != 1 && nDirection != -1)) return nullptr;
  for (int i = nIndex + nDirection; i >= 0 && i < m_pColumns->GetCount(); i += nDirection) {
    CTKReportColumn* column = m_pColumns->GetAt(i);
    if (column && column->IsVisible()) return column;
  }
  return nullptr;
}

void CTKReportHeader::SetFieldChooser(CTKReportFieldChooserList* pList) {
  m_pSubList = pList;
  if (!pList) return;
  pList->SetReportCtrl(m_pControl);
  pList->UpdateList();
}

CTKReportColumn* CTKReportHeader::GetHotTrackedColumn() const {
  return m_bPressedInHeader ? m_pPressedColumn : m_pHotColumn;
}

void CTKReportHeader::DoPropExchange(CTKPropExchange* pPX) {
  PropExchangeBoolDefault(pPX, u"AllowColumnRemove", &m_bAllowColumnRemove, TRUE);
  PropExchangeBoolDefault(pPX, u"AllowColumnResize", &m_bAllowColumnResize, TRUE);
  PropExchangeBoolDefault(pPX, u"AllowColumnReorder", &m_bAllowColumnReorder, TRUE);
  PropExchangeBoolDefault(pPX, u"AllowColumnSort", &m_bAllowColumnSort, TRUE);
  PropExchangeBoolDefault(pPX, u"AutoColumnSizing", &m_bAutoColumnSizing, TRUE);
  PropExchangeBoolDefault(pPX, u"ShowItemsInGroups", &m_bShowItemsInGroups, TRUE);
}

// ---- accessibility ----

namespace {
constexpr LONG kRoleColumnHeader = 25;
constexpr LONG kStateInvisible = 0x8000;
}  // namespace

HRESULT CTKReportHeader::GetAccessibleParent(IDispatch** ppdispParent) {
  if (!ppdispParent) return E_POINTER;
  *ppdispParent = m_pControl ? m_pControl->GetIDispatch(TRUE) : nullptr;
  return *ppdispParent ? S_OK : E_FAIL;
}

HRESULT CTKReportHeader::GetAccessibleChildCount(LONG* pcountChildren) {
  if (!pcountChildren) return E_POINTER;
  *pcountChildren = m_pColumns ? m_pColumns->GetCount() : 0;
  return S_OK;
}

HRESULT CTKReportHeader::GetAccessibleChild(VARIANT varChild, IDispatch** ppdispChild) {
  if (!ppdispChild) return E_POINTER;
  *ppdispChild = nullptr;
  const LONG child = CTKAccessible::GetChildIndex(&varChild);
  if (child < 0 || !m_pColumns || child > m_pColumns->GetCount()) return E_INVALIDARG;
  // Columns are no objects of their own.
  return S_FALSE;
}

HRESULT CTKReportHeader::GetAccessibleName(VARIANT varChild, BSTR* pszName) {
  if (!pszName) return E_POINTER;
  const LONG child = CTKAccessible::GetChildIndex(&varChild);
  if (child == 0) {
    *pszName = ::SysAllocString(u"Report Header");
    return S_OK;
  }
  if (child < 0 || !m_pColumns || child > m_pColumns->GetCount()) return E_INVALIDARG;
  *pszName = ::SysAllocString(m_pColumns->GetAt(child - 1)->GetCaption().GetString());
  return S_OK;
}

HRESULT CTKReportHeader::GetAccessibleRole(VARIANT varChild, VARIANT* pvarRole) {
  if (!pvarRole) return E_POINTER;
  const LONG child = CTKAccessible::GetChildIndex(&varChild);
  if (child < 0 || !m_pColumns || child > m_pColumns->GetCount()) return E_INVALIDARG;
  pvarRole->vt = VT_I4;
  pvarRole->lVal = kRoleColumnHeader;
  return S_OK;
}

HRESULT CTKReportHeader::GetAccessibleState(VARIANT varChild, VARIANT* pvarState) {
  if (!pvarState) return E_POINTER;
  const LONG child = CTKAccessible::GetChildIndex(&varChild);
  if (child < 0 || !m_pColumns || child > m_pColumns->GetCount()) return E_INVALIDARG;
  pvarState->vt = VT_I4;
  pvarState->lVal = child > 0 && !m_pColumns->GetAt(child - 1)->IsVisible() ? kStateInvisible : 0;
  return S_OK;
}

HRESULT CTKReportHeader::AccessibleLocation(LONG* pxLeft, LONG* pyTop, LONG* pcxWidth, LONG* pcyHeight,
                                            VARIANT varChild) {
  if (!pxLeft || !pyTop || !pcxWidth || !pcyHeight) return E_POINTER;
  const LONG child = CTKAccessible::GetChildIndex(&varChild);
  if (child < 0 || !m_pColumns || !m_pControl || child > m_pColumns->GetCount()) return E_INVALIDARG;
  CRect rc =
      child == 0 ? m_pControl->GetElementRect(kTKReportElementHeader) : CRect(m_pColumns->GetAt(child - 1)->m_rcColumn);
  if (m_pControl->m_hWnd) m_pControl->ClientToScreen(&rc);
  *pxLeft = rc.left;
  *pyTop = rc.top;
  *pcxWidth = rc.Width();
  *pcyHeight = rc.Height();
  return S_OK;
}

HRESULT CTKReportHeader::AccessibleHitTest(LONG xLeft, LONG yTop, VARIANT* pvarChild) {
  if (!pvarChild) return E_POINTER;
  pvarChild->vt = VT_EMPTY;
  if (!m_pControl) return S_FALSE;
  CPoint pt(xLeft, yTop);
  if (m_pControl->m_hWnd) m_pControl->ScreenToClient(&pt);
  if (!m_pControl->GetElementRect(kTKReportElementHeader).PtInRect(pt)) return S_FALSE;
  pvarChild->vt = VT_I4;
  const int index = HitTestIndex(pt);
  pvarChild->lVal = index >= 0 ? index + 1 : CHILDID_SELF;
  return S_OK;
}
