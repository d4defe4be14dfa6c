// The report control's layout and scrolling: element rectangles, the two
// scroll bars (rows or pixels vertically, pixels or whole columns
// horizontally, with frozen columns), the wheel, positions kept while
// updates are locked, page counts and the widest cell of a column.
#include <algorithm>

#include "platform/controls/afxcmn.h"
#include "platform/framework/afx.h"
#include "toolkit/common/lockguard.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportitemcontrols.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecorditem.h"

namespace {

int WheelScrollLines() {
  static const int lines = [] {
    UINT value = 3;
    if (!::SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &value, 0)) value = 3;
    return static_cast<int>(value);
  }();
  return lines;
}

}  // namespace

// ---- element rectangles ----

CRect CTKReportControl::GetElementRect(int nElement) const {
  switch (nElement) {
    case 1:
      return m_rcGroupByArea;
    case 2:
      return m_rcHeaderArea;
    case 3:
      return m_rcFooterArea;
    case 4:
      return m_pSectionHeader->GetRect();
    case 5:
      return m_pSectionFooter->GetRect();
    case 6:
      return m_pSectionHeader->GetDividerRect();
    case 7:
      return m_pSectionFooter->GetDividerRect();
    default:
      return m_pSectionBody->GetRect();
  }
}

void CTKReportControl::AdjustLayout() {
  if (!m_hWnd) return;
  CRect client;
  GetClientRect(&client);
  if (client.IsRectEmpty()) return;
  CTKReentryGuard guard(m_bAdjustLayoutRunning);
  if (!guard.Entered()) return;

  const int oldWidth = m_rcHeaderArea.Width();
  CClientDC dc(this);
  const int groupBy = m_bGroupByEnabled ? m_pReportHeader->GetGroupByHeight() : 0;
  const int header = m_bHeaderVisible ? m_pPaintManager->GetHeaderHeight(this, &dc, client.Width()) : 0;
  const int footer = m_bFooterVisible ? m_pPaintManager->GetFooterHeight(this, &dc, client.Width()) : 0;
  m_rcGroupByArea.SetRect(0, 0, client.Width(), groupBy);
  m_rcHeaderArea.SetRect(0, groupBy, client.Width(), groupBy + header);
  m_pSections->AdjustLayout(&dc, CRect(0, m_rcHeaderArea.bottom, client.Width(),
                                       std::max(static_cast<int>(m_rcHeaderArea.bottom), client.bottom - footer)));
  m_rcFooterArea.SetRect(0, client.bottom - footer, client.Width(), client.bottom);
  m_rcReportArea = m_pSectionBody->GetRect();
  if (m_rcHeaderArea.Width() != oldWidth) m_pReportHeader->AdjustColumnsWidth(m_rcHeaderArea.Width());
}

// ---- scroll bars ----

void CTKReportControl::AdjustScrollBars() {
  if (!m_hWnd || m_pSectionBody->GetRect().Height() <= 0) return;
  CTKReentryGuard guard(m_bInAdjustScrollBars);
  if (!guard.Entered()) return;
  EditItem(nullptr);
  BeginUpdate();
  UpdateHorizontalScrollBar();
  UpdateVerticalScrollBar();
  EndUpdate();
}

void CTKReportControl::ShowScrollBarIfNeeded(int nBar, BOOL bNeeded) {
  EnableScrollBarCtrl(nBar, bNeeded);
  EnableScrollBar(nBar, bNeeded && IsWindowEnabled() ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH);
  BOOL& visible = nBar == SB_HORZ ? m_bHScrollBarVisible : m_bVScrollBarVisible;
  if (visible != bNeeded) {
    visible = bNeeded;
    AdjustLayout();
    RedrawScrollBar(nBar);
  }
}

void CTKReportControl::RedrawScrollBar(int nBar) {
  if (CScrollBar* bar = GetScrollBarCtrl(nBar)) bar->Invalidate();
  else if (m_hWnd) SendMessage(WM_NCPAINT, 1, 0);
}

void CTKReportControl::UpdateHorizontalScrollBar() {
  const int bodyWidth = m_pSectionBody->GetRect().Width();
  BOOL needed = FALSE;
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  // Scrolls by pixels over the columns' overflow beyond the body's width.
  auto scrollPixels = [&](int overflow) {
    m_nLeftOffset = std::min(m_nLeftOffset, overflow);
    if (overflow <= 0) return FALSE;
    si.nMax = overflow + bodyWidth;
    si.nPage = static_cast<UINT>(bodyWidth);
    si.nPos = m_nLeftOffset;
    SetScrollInfo(SB_HORZ, &si, FALSE);
    return TRUE;
  };
  if (m_pReportHeader->IsAutoColumnSizing()) {
    needed = scrollPixels(m_pReportHeader->GetOverflowWidth());
  } else if (m_scrollModeH == kScrollModeWholeColumns) {
    CTKReportColumn *prev, *curr, *next;
    int pos = 0, steps = 0;
    m_pReportHeader->GetFullColumnScrollInfo(prev, curr, next, pos, steps);
    if (steps < 2) {
      m_nLeftOffset = 0;
      SetScrollPos(SB_HORZ, 0, FALSE);
    } else {
      needed = TRUE;
      si.nMax = steps - 1;
      si.nPage = 1;
      si.nPos = pos;
      SetScrollInfo(SB_HORZ, &si, FALSE);
    }
  } else {
    int total = 0;
    CTKReportColumns* columns = GetColumns();
    for (int i = 0; i < columns->GetCount(); i++)
      if (CTKReportColumn* c = columns->GetAt(i); c && c->IsVisible()) total = TKAddWidths(total, c->GetWidth());
    needed = scrollPixels(std::max(0, total - bodyWidth));
  }
  ShowScrollBarIfNeeded(SB_HORZ, needed);
}

void CTKReportControl::UpdateVerticalScrollBar() {
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  CTKReportRows* rows = m_pSectionBody->GetRows();
  if (m_scrollModeV != kScrollModePixels) {
    const int count = rows->GetCount();
    const int fit = GetRowsFittingFromBottom();
    if (fit < rows->GetTopRowIndex()) {
      int top = fit;
      if (m_bIconView) top -= top % GetIconViewColumnsCount();
      rows->SetTopRowIndex(std::max(0, top));
    }
    si.nMin = 0;
    si.nMax = count - 1;
    si.nPage = static_cast<UINT>(std::max(0, count - fit));
    si.nPos = rows->GetTopRowIndex();
  } else {
    const int total = GetRowsHeight(rows, m_pSectionBody->GetRect().Width());
    const int page = std::min(m_pSectionBody->GetRect().Height(), total);
    si.nMax = total - 1;
    si.nPage = static_cast<UINT>(std::max(0, page));
    m_nTopOffset = std::max(0, std::min(m_nTopOffset, total - page));
    si.nPos = m_nTopOffset;
  }
  const BOOL needed = si.nMax != -1 && si.nMax >= static_cast<int>(si.nPage) && si.nPage > 0 &&
                      !(m_scrollModeV != kScrollModePixels && si.nPage == static_cast<UINT>(si.nMax + 1));
  if (needed) SetScrollInfo(SB_VERT, &si, FALSE);
  ShowScrollBarIfNeeded(SB_VERT, needed);
}

// ---- positions ----

void CTKReportControl::SetTopRow(int nIndex) {
  CTKReportRows* rows = m_pSectionBody->GetRows();
  if (m_bIconView) nIndex -= nIndex % GetIconViewColumnsCount();
  nIndex = std::max(0, nIndex);
  if (nIndex == rows->GetTopRowIndex() && m_nEnsureVisibleTopRowIdx < 0) return;
  rows->SetTopRowIndex(nIndex);
  if (m_nLockUpdateCount > 0 || !m_hWnd) {
    m_nEnsureVisibleTopRowIdx = nIndex;
    return;
  }
  SetScrollPos(SB_VERT, nIndex);
  AdjustScrollBars();
  m_nEnsureVisibleTopRowIdx = -1;
  RedrawControl();
}

void CTKReportControl::SetLeftOffset(int nOffset) {
  nOffset = std::max(0, nOffset);
  if (nOffset == m_nLeftOffset) return;
  m_nLeftOffset = nOffset;
  if (m_hWnd) {
    if (m_scrollModeH != kScrollModeWholeColumns) SetScrollPos(SB_HORZ, nOffset);
    AdjustScrollBars();
  }
  RedrawControl();
}

void CTKReportControl::ResetLeftOffset() {
  m_nLeftOffset = 0;
  if (m_hWnd) SetScrollPos(SB_HORZ, 0);
}

void CTKReportControl::SetTopOffset(int nOffset) {
  nOffset = std::max(0, nOffset);
  if (nOffset == m_nTopOffset) return;
  m_nTopOffset = nOffset;
  if (m_hWnd) UpdateVerticalScrollBar();
  RedrawControl();
}

BOOL CTKReportControl::EnsureVisible(CTKReportRow* pRow) {
  if (!pRow) return FALSE;
  if (!m_hWnd) {
    m_nEnsureVisibleRowIdx = pRow->GetIndex();
    return FALSE;
  }
  CClientDC dc(this);
  return m_pSections->EnsureVisible(&dc, pRow);
}

void CTKReportControl::EnsureColumnVisible(CTKReportColumn* pColumn) {
  if (!pColumn || !pColumn->IsVisible() || pColumn->GetColumns() != m_pColumns) return;
  const int bodyWidth = m_pSectionBody->GetRect().Width();
  if (bodyWidth <= 0) {
    m_nEnsureVisibleColumnIdx = m_pColumns->IndexOf(pColumn);
    return;
  }
  int left = 0, frozenRight = 0, visibleIndex = 0;
  for (int i = 0; i < m_pColumns->GetCount(); i++) {
    CTKReportColumn* c = m_pColumns->GetAt(i);
    if (!c || !c->IsVisible()) continue;
    if (c == pColumn) break;
    if (visibleIndex < m_nFreezeColumnsCount) frozenRight = TKAddWidths(frozenRight, c->GetWidth());
    left = TKAddWidths(left, c->GetWidth());
    visibleIndex++;
  }
  if (visibleIndex < m_nFreezeColumnsCount) frozenRight = 0;
  const int right = left + pColumn->GetWidth();
  int offset = m_nLeftOffset;
  if (right - offset <= bodyWidth) {
    if (left - offset < frozenRight && offset != 0) offset -= frozenRight - (left - offset);
  } else {
    offset = std::min(right - bodyWidth, left - frozenRight);
  }
  SetLeftOffset(offset);
}

void CTKReportControl::SetFullColumnScrolling(BOOL bSet) {
  m_scrollModeH = bSet ? kScrollModeWholeColumns : kScrollModePixels;
  if (!m_hWnd) return;
  ResetLeftOffset();
  RedrawControl();
  UpdateWindow();
  AdjustScrollBars();
}

void CTKReportControl::SetVerticalPixelScrolling(BOOL bSet) {
  const int mode = bSet ? kScrollModePixels : kScrollModeRows;
  if (mode == m_scrollModeV) return;
  m_scrollModeV = mode;
  // The other mode's position means nothing in this one: start at the top.
  m_nTopOffset = 0;
  m_pSectionBody->GetRows()->SetTopRowIndex(0);
  if (!m_hWnd) return;
  SetScrollPos(SB_VERT, 0);
  AdjustScrollBars();
  RedrawControl();
}

void CTKReportControl::SetFreezeColumnsCount(int nCount, BOOL bAdjustParent) {
  if (nCount < 0 || nCount >= m_pColumns->GetCount()) {
    m_nFreezeColumnsCount = 0;
    return;
  }
  m_nFreezeColumnsCount = nCount;
  if (m_scrollModeH == kScrollModeWholeColumns) {
    SetFullColumnScrolling(TRUE);
  } else if (m_pPaintManager->m_bFreezeColsOption && m_hWnd) {
    ResetLeftOffset();
    RedrawControl();
    UpdateWindow();
    AdjustScrollBars();
  }
  CWnd* parent = m_hWnd ? GetParent() : nullptr;
  if (m_pPaintManager->m_bFreezeColsOption && parent && parent->IsKindOf(RUNTIME_CLASS(CView))) {
    CRect rc;
    parent->GetWindowRect(&rc);
    parent->SendMessage(WM_SIZE, 0, MAKELPARAM(rc.Width(), rc.Height() - (bAdjustParent ? 4 : 0)));
  }
}

// ---- scrolling messages ----

// A window the control creates itself gets its first layout from the first
// WM_SIZE; a subclassed one from PreSubclassWindow.
int CTKReportControl::OnCreate(LPCREATESTRUCT lpCreateStruct) { return CWnd::OnCreate(lpCreateStruct); }

void CTKReportControl::OnSize(UINT nType, int cx, int cy) {
  CTKReentryGuard guard(m_bOnSizeRunning);
  if (!guard.Entered()) return;
  CWnd::OnSize(nType, cx, cy);
  BeginUpdate();
  EditItem(nullptr);
  AdjustLayout();
  AdjustScrollBars();
  EndUpdate();
}

void CTKReportControl::OnEnable(BOOL) { AdjustScrollBars(); }

void CTKReportControl::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
  if (pScrollBar && pScrollBar != GetScrollBarCtrl(SB_HORZ)) {
    CWnd::OnHScroll(nSBCode, nPos, pScrollBar);
    return;
  }
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(SB_HORZ, &si);
  const int bodyWidth = m_pSectionBody->GetRect().Width();
  if (m_scrollModeH != kScrollModeWholeColumns) {
    const int limit = std::max(0, si.nMax - static_cast<int>(si.nPage) + 1);
    int offset = m_nLeftOffset;
    switch (nSBCode) {
      case SB_LINELEFT:
        offset -= m_nHScrollStep;
        break;
      case SB_LINERIGHT:
        offset += m_nHScrollStep;
        break;
      case SB_PAGELEFT:
        offset -= bodyWidth;
        break;
      case SB_PAGERIGHT:
        offset += bodyWidth;
        break;
      case SB_LEFT:
        offset = 0;
        break;
      case SB_RIGHT:
        offset = limit;
        break;
      case SB_THUMBTRACK:
        offset = si.nTrackPos;
        break;
      case SB_THUMBPOSITION:
        offset = static_cast<int>(nPos);
        break;
      default:
        break;
    }
    SetLeftOffset(std::clamp(offset, 0, limit));
    return;
  }
  // Whole columns: the scrollable visible columns past the frozen ones.
  std::vector<CTKReportColumn*> scrollable;
  int frozenWidth = 0, visibleIndex = 0;
  for (int i = 0; i < m_pColumns->GetCount(); i++) {
    CTKReportColumn* c = m_pColumns->GetAt(i);
    if (!c || !c->IsVisible()) continue;
    if (visibleIndex++ < m_nFreezeColumnsCount) frozenWidth = TKAddWidths(frozenWidth, c->GetWidth());
    else scrollable.push_back(c);
  }
  if (scrollable.empty()) return;
  int step = GetScrollPos(SB_HORZ);
  switch (nSBCode) {
    case SB_LINELEFT:
    case SB_PAGELEFT:
      step--;
      break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT:
      step++;
      break;
    case SB_LEFT:
      step = 0;
      break;
    case SB_RIGHT:
      step = static_cast<int>(scrollable.size()) - 1;
      break;
    case SB_THUMBTRACK:
      step = si.nTrackPos;
      break;
    case SB_THUMBPOSITION:
      step = static_cast<int>(nPos);
      break;
    default:
      break;
  }
  step = std::clamp(step, 0, std::max(0, si.nMax));
  step = std::min(step, static_cast<int>(scrollable.size()) - 1);
  int left = frozenWidth;
  for (int i = 0; i < step; i++) left = TKAddWidths(left, scrollable[i]->GetWidth());
  SetLeftOffset(std::max(0, left - frozenWidth));
  SetScrollPos(SB_HORZ, step);
}

void CTKReportControl::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
  if (pScrollBar && pScrollBar != GetScrollBarCtrl(SB_VERT)) {
    CWnd::OnVScroll(nSBCode, nPos, pScrollBar);
    return;
  }
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(SB_VERT, &si);
  if (m_scrollModeV == kScrollModePixels) {
    const int page = static_cast<int>(si.nPage);
    int offset = m_nTopOffset;
    switch (nSBCode) {
      case SB_LINEUP:
        offset -= m_nVScrollStep;
        break;
      case SB_LINEDOWN:
        offset += m_nVScrollStep;
        break;
      case SB_PAGEUP:
        offset -= page;
        break;
      case SB_PAGEDOWN:
        offset += page;
        break;
      case SB_TOP:
        offset = 0;
        break;
      case SB_BOTTOM:
        offset = si.nMax;
        break;
      case SB_THUMBTRACK:
        offset = si.nTrackPos;
        break;
      case SB_THUMBPOSITION:
        offset = static_cast<int>(nPos);
        break;
      default:
        break;
    }
    SetTopOffset(std::clamp(offset, 0, std::max(0, si.nMax - page + 1)));
    return;
  }
  CTKReportRows* rows = m_pSectionBody->GetRows();
  int top = rows->GetTopRowIndex();
  const int line = m_bIconView ? GetIconViewColumnsCount() : 1;
  const int limit = std::max(0, si.nMax - static_cast<int>(si.nPage) + 1);
  switch (nSBCode) {
    case SB_LINEUP:
      top -= line;
      break;
    case SB_LINEDOWN:
      top += line;
      break;
    // A page keeps the last row of the old page in view.
    case SB_PAGEUP:
      top -= std::max(1, GetReportAreaRows(top, FALSE) - 1);
      break;
    case SB_PAGEDOWN:
      top += std::max(1, GetReportAreaRows(top, TRUE) - 1);
      break;
    case SB_TOP:
      top = 0;
      break;
    case SB_BOTTOM:
      top = limit;
      break;
    case SB_THUMBTRACK:
      top = si.nTrackPos;
      break;
    case SB_THUMBPOSITION:
      top = static_cast<int>(nPos);
      break;
    default:
      return;
  }
  SetTopRow(std::clamp(top, 0, limit));
}

BOOL CTKReportControl::OnMouseWheel(UINT nFlags, short zDelta, CPoint pt) {
  if (m_bVScrollBarVisible) {
    BeginUpdate();
    const int lines = WheelScrollLines();
    const BOOL up = zDelta > 0;
    if (lines == -1 || lines == static_cast<int>(WHEEL_PAGESCROLL)) {
      for (int i = 0; i < std::abs(zDelta / WHEEL_DELTA); i++) OnVScroll(up ? SB_PAGEUP : SB_PAGEDOWN, 0, nullptr);
    } else {
      for (int i = 0; i < std::abs(lines * zDelta / WHEEL_DELTA); i++)
        OnVScroll(up ? SB_LINEUP : SB_LINEDOWN, 0, nullptr);
    }
    EndUpdate();
    UpdateWindow();
  }
  return CWnd::OnMouseWheel(nFlags, zDelta, pt);
}

LRESULT CTKReportControl::OnNcHitTest(CPoint point) {
  const LRESULT hit = static_cast<LRESULT>(Default());
  if (hit != HTCLIENT) return hit;
  const DWORD style = GetStyle();
  if (!(style & (WS_VSCROLL | WS_HSCROLL))) return hit;
  CRect client;
  GetClientRect(&client);
  CPoint pt(point);
  ScreenToClient(&pt);
  const int cx = ::GetSystemMetrics(SM_CXVSCROLL), cy = ::GetSystemMetrics(SM_CYHSCROLL);
  if (style & WS_VSCROLL) {
    const bool left = (GetExStyle() & (WS_EX_LAYOUTRTL | WS_EX_LEFTSCROLLBAR)) != 0;
    CRect bar = left ? CRect(client.left, client.top, client.left + cx, client.bottom)
                     : CRect(client.right - cx, client.top, client.right, client.bottom);
    if (style & WS_HSCROLL) bar.bottom -= cy;
    if (bar.PtInRect(pt)) return HTVSCROLL;
  }
  if (style & WS_HSCROLL) {
    CRect bar(client.left, client.bottom - cy, client.right, client.bottom);
    if (style & WS_VSCROLL) bar.right -= cx;
    if (bar.PtInRect(pt)) return HTHSCROLL;
  }
  return hit;
}

// ---- page counts and heights ----

// The rows that fit in the body from the start row, down or up (the
// navigator's page size).
int CTKReportControl::GetReportAreaRows(int nStartRow, BOOL bMoveDown) {
  CTKReportRows* rows = m_pSectionBody->GetRows();
  if (m_bIconView) nStartRow -= nStartRow % GetIconViewColumnsCount();
  const CRect body = m_pSectionBody->GetRect();
  int used = 0, count = 0;
  for (int i = nStartRow; i >= 0 && i < rows->GetCount(); i += bMoveDown ? 1 : -1) {
    CTKReportRow* row = rows->GetAt(i);
    used += row ? row->GetHeight(nullptr, body.Width()) : 0;
    if (used > body.Height()) break;
    ++count;
  }
  return count;
}

int CTKReportControl::GetRowsFittingFromBottom() {
  CTKReportRows* rows = m_pSectionBody->GetRows();
  const CRect body = m_pSectionBody->GetRect();
  CWindowDC dc(nullptr);
  int height = 0, first = rows->GetCount();
  for (int i = rows->GetCount() - 1; i >= 0; i--) {
    CTKReportRow* row = rows->GetAt(i);
    height += row ? row->GetHeight(&dc, body.Width()) : 0;
    if (height > body.Height()) break;
    first = i;
  }
  if (m_bIconView) first += (GetIconViewColumnsCount() - first % GetIconViewColumnsCount()) % GetIconViewColumnsCount();
  return std::max(0, first);
}

int CTKReportControl::GetRowsHeight(CTKReportRows* pRows, int nTotalWidth, int nMaxHeight) {
  CWindowDC dc(nullptr);
  int height = 0;
  for (int i = 0; pRows && i < pRows->GetCount(); ++i) {
    height += pRows->GetAt(i)->GetHeight(&dc, nTotalWidth);
    if (nMaxHeight >= 0 && height > nMaxHeight) break;
  }
  return height;
}

// ---- best fit ----

int CTKReportControl::GetColumnDataWidth(CTKReportColumn* pColumn) {
  if (!pColumn) return 0;
  CWindowDC screen(nullptr);
  CDC dc;
  dc.CreateCompatibleDC(&screen);
  CTKFontDC font(&dc, m_pPaintManager->GetTextFont());
  int width = 0;
  CTKReportRows* rows = m_pSectionBody->GetRows();
  const int mode = pColumn->GetBestFitMode();
  if (mode == 0 || (mode == 1 && IsVirtualMode())) {
    const int top = rows->GetTopRowIndex();
    width = GetRowsDataWidth(&dc, rows, pColumn, top, GetReportAreaRows(top, TRUE));
  } else if (mode == 1) {
    width = GetRowsDataWidth(&dc, rows, pColumn, 0, rows->GetCount());
  }
  if (m_pSectionHeader->IsVisible())
    width = std::max(
        width, GetRowsDataWidth(&dc, m_pSectionHeader->GetRows(), pColumn, 0, m_pSectionHeader->GetRows()->GetCount()));
  if (m_pSectionFooter->IsVisible())
    width = std::max(
        width, GetRowsDataWidth(&dc, m_pSectionFooter->GetRows(), pColumn, 0, m_pSectionFooter->GetRows()->GetCount()));
  return width;
}

int CTKReportControl::GetRowsDataWidth(CDC* pDC, CTKReportRows* pRows, CTKReportColumn* pColumn, int nStartRow,
                                       int nRowsCount) {
  if (!pDC || !pRows || !pColumn) return 0;
  int widest = 0, expandWidth = -1;
  const int end = std::min(pRows->GetCount(), nStartRow + nRowsCount);
  for (int i = std::max(0, nStartRow); i < end; i++) {
    CTKReportRow* row = pRows->GetAt(i);
    if (!row || row->IsGroupRow() || !row->GetRecord()) continue;
    CTKReportRecordItem* item = row->GetRecord()->GetItem(pColumn);
    if (!item) continue;
    auto* metrics = new TK_REPORTRECORDITEM_METRICS();
    metrics->strText = item->GetCaption(pColumn);
    TK_REPORTRECORDITEM_DRAWARGS args;
    args.pControl = this;
    args.pRow = row;
    args.pColumn = pColumn;
    args.pItem = item;
    args.pDC = pDC;
    row->GetItemMetrics(&args, metrics);
    CTKFontDC font(pDC, metrics->pFont ? metrics->pFont : m_pPaintManager->GetTextFont());
    int width;
    if (CTKMarkupInputElement* markup = item->GetMarkupUIElement()) {
      width = MarkupMeasureElement(markup, 0x7FFFFFFF, 0x7FFFFFFF).cx + 4;
    } else {
      int line = 0;
      const CString& text = metrics->strText;
      int start = 0;
      while (start <= text.GetLength()) {
        int endLine = text.Find(u'\n', start);
        if (endLine < 0) endLine = text.GetLength();
        line = std::max(line, m_pPaintManager->GetTextWidth(pDC, text.Mid(start, endLine - start)));
        start = endLine + 1;
      }
      width = line + 7;
    }
    metrics->InternalRelease();
    if (pColumn == m_pColumns->GetTreeColumn() || pColumn->IsTreeColumn()) {
      if (expandWidth < 0) {
        CRect rcButton(0, 0, 100, 100);
        expandWidth = m_pPaintManager->DrawExpandButton(nullptr, row, rcButton).cx + 2;
      }
      width += GetIndent(row->GetTreeDepth() + 1) + expandWidth;
    }
    if (pColumn == m_pColumns->GetFirstVisibleColumn()) width += pColumn->GetIndent();
    if (item->GetIconIndex() != -1)
      width += m_pPaintManager->DrawBitmap(nullptr, this, CRect(0, 0, 0, 0), item->GetIconIndex()) - 1 + 4;
    if (item->HasCheckbox()) width += 16;
    if (CTKReportRecordItemControls* controls = item->m_pItemControls) {
      for (int c = 0; c < controls->GetCount(); c++) {
        CTKReportRecordItemControl* control = controls->GetAt(c);
        width += control && control->GetSize().cx >= 0 ? control->GetSize().cx : 20;
      }
    }
    widest = std::max(widest, width);
  }
  return widest;
}
