// The report control's icon view: the rows as icons with captions in
// cells, line by line; switching it on saves and hides the row view's
// columns, grouping, header, footer, grid and indentation, and switching
// it off restores them.
#include <algorithm>
#include <vector>

#include "platform/framework/afx.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportnavigator.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reportselectedrows.h"

void CTKReportControl::SetIconView(BOOL bIconView) {
  if (bIconView && m_nIconColumnIndex < 0) return;
  if (bIconView == m_bIconView) return;
  CTKReportColumn* iconColumn = m_pColumns->Find(m_nIconColumnIndex);
  if (bIconView && !iconColumn) return;

  // The selected rows by index, selected again after the switch.
  std::vector<int> selected;
  for (int i = 0; i < m_pSelectedRows->GetCount(); i++)
    if (CTKReportRow* row = m_pSelectedRows->GetAt(i)) selected.push_back(row->GetIndex());

  CTKReportPaintManager* pm = m_pPaintManager;
  IconViewSaved& saved = m_iconViewSaved;
  if (bIconView) {
    m_pNavigator = m_pIconNavigator;
    delete m_pIconViewColumnsOrder;
    m_pIconViewColumnsOrder = new CTKReportColumnOrder(m_pColumns);
    CTKReportColumnOrder* groups = m_pColumns->GetGroupsOrder();
    for (int i = 0; i < groups->GetCount(); i++) {
      m_pIconViewColumnsOrder->Add(groups->GetAt(i));
      groups->GetAt(i)->m_bVisible = FALSE;
    }
    groups->Clear();
    m_bIconView = TRUE;
    RebuildRows();
    delete m_pPrevVisible;
    m_pPrevVisible = new CTKReportColumnOrder(m_pColumns);
    for (int i = 0; i < m_pColumns->GetCount(); i++) {
      CTKReportColumn* c = m_pColumns->GetAt(i);
      if (c->IsVisible()) {
        m_pPrevVisible->Add(c);
        c->m_bVisible = FALSE;
      }
    }
    m_nIconViewCellWidth = ::GetSystemMetrics(SM_CXICONSPACING) + 5;
    m_nIconViewCellHeight = pm->GetIconViewRowHeight();
    if (iconColumn->IsAutoSize()) pm->SetIconViewItemWidth(iconColumn->GetWidth());
    iconColumn->m_bVisible = TRUE;
    iconColumn->m_nColumnStaticWidth = iconColumn->m_nColumnAutoWidth = ::GetSystemMetrics(SM_CXICON);
    saved.bHeaderVisible = m_bHeaderVisible;
    saved.bFooterVisible = m_bFooterVisible;
    m_bHeaderVisible = m_bFooterVisible = FALSE;
    AdjustLayout();
    saved.bFocusSubItems = m_bFocusSubItems;
    saved.bAutoColumnSizing = m_pReportHeader->IsAutoColumnSizing();
    m_bFocusSubItems = FALSE;
    m_pFocusedColumn = nullptr;
    m_pReportHeader->m_bAutoColumnSizing = TRUE;
    saved.nHorizontalGrid = pm->GetGridStyle(FALSE);
    saved.nVerticalGrid = pm->GetGridStyle(TRUE);
    pm->SetGridStyle(FALSE, tkGridNoLines);
    pm->SetGridStyle(TRUE, tkGridNoLines);
    saved.bHeaderRows = m_pSectionHeader->IsVisible();
    saved.bFooterRows = m_pSectionFooter->IsVisible();
    m_pSectionHeader->SetVisible(FALSE);
    m_pSectionFooter->SetVisible(FALSE);
    m_iIconViewColumns = std::max(1, m_rcHeaderArea.Width() / std::max(1, m_nIconViewCellWidth));
    saved.nTreeIndent = pm->GetTreeIndent();
    saved.bPreviewMode = pm->IsPreviewMode();
    pm->SetTreeIndent(0);
    pm->EnablePreviewMode(FALSE);
  } else {
    m_pNavigator = m_pRowNavigator;
    pm->SetTreeIndent(saved.nTreeIndent);
    m_pReportHeader->m_bAutoColumnSizing = saved.bAutoColumnSizing;
    const BOOL grouped = m_pIconViewColumnsOrder && m_pIconViewColumnsOrder->GetCount() > 0;
    if (iconColumn && m_bKeepIconColumnInRowView && m_nIconColumnRowViewPosition >= 0) {
      // Kept as the row-number column, at its row-view position.
      const int width = grouped ? std::max(30, pm->GetIconViewItemWidth()) : pm->GetIconViewItemWidth();
      const int position = std::min(m_nIconColumnRowViewPosition, m_pColumns->GetCount() - 1);
      if (iconColumn->GetIndex() != position) m_pColumns->ChangeColumnOrder(position, iconColumn->GetIndex());
      iconColumn->m_bVisible = TRUE;
      iconColumn->m_nColumnStaticWidth = iconColumn->m_nColumnAutoWidth = width;
      iconColumn->SetMinWidth(width);
    } else if (iconColumn) {
      iconColumn->m_bVisible = FALSE;
      iconColumn->m_nColumnStaticWidth = 0;
    }
    if (m_pPrevVisible) {
      for (int i = 0; i < m_pPrevVisible->GetCount(); i++) {
        CTKReportColumn* c = m_pPrevVisible->GetAt(i);
        c->m_bVisible = TRUE;
        if (c->m_nColumnStaticWidth <= 0) c->m_nColumnStaticWidth = c->m_nColumnAutoWidth;
      }
      delete m_pPrevVisible;
      m_pPrevVisible = nullptr;
    }
    m_bIconView = FALSE;
    if (m_pIconViewColumnsOrder) {
      CTKReportColumnOrder* groups = m_pColumns->GetGroupsOrder();
      for (int i = 0; i < m_pIconViewColumnsOrder->GetCount(); i++) groups->Add(m_pIconViewColumnsOrder->GetAt(i));
      delete m_pIconViewColumnsOrder;
      m_pIconViewColumnsOrder = nullptr;
    }
    RebuildRows();
    m_bHeaderVisible = saved.bHeaderVisible;
    m_bFooterVisible = saved.bFooterVisible;
    AdjustLayout();
    m_bFocusSubItems = saved.bFocusSubItems;
    m_pFocusedColumn = nullptr;
    pm->SetGridStyle(FALSE, saved.nHorizontalGrid);
    pm->SetGridStyle(TRUE, saved.nVerticalGrid);
    m_pSectionHeader->SetVisible(saved.bHeaderRows);
    m_pSectionFooter->SetVisible(saved.bFooterRows);
    pm->EnablePreviewMode(saved.bPreviewMode);
  }

  CTKReportRows* rows = m_pSectionBody->GetRows();
  m_pSelectedRows->Clear();
  bool firstSelected = false;
  for (int index : selected) {
    if (index == 0) firstSelected = true;
    if (index >= 0 && index < rows->GetCount()) rows->GetAt(index)->SetSelected(TRUE);
  }
  if (!firstSelected && rows->GetCount() > 0) rows->GetAt(0)->SetSelected(FALSE);
  m_bIconView = bIconView;
  AdjustScrollBars();
  RedrawControl();
}

BOOL CTKReportControl::SetIconViewColumn(int nItemIndex) {
  // Icon view shows that column and restores it when it ends.
  if (m_bIconView) return FALSE;
  m_nIconColumnIndex = std::max(-1, nItemIndex);
  return TRUE;
}

void CTKReportControl::ShowElement(BOOL* pShown, BOOL* pShownInRowView, BOOL bShow) {
  bShow = bShow ? TRUE : FALSE;
  if (m_bIconView && pShownInRowView) {
    *pShownInRowView = bShow;
    return;
  }
  if (bShow == *pShown) return;
  *pShown = bShow;
  AdjustLayout();
  AdjustScrollBars();
  RedrawControl();
}

void CTKReportControl::ShowGroupBy(BOOL bShow) { ShowElement(&m_bGroupByEnabled, nullptr, bShow); }

void CTKReportControl::ShowHeader(BOOL bShow) {
  ShowElement(&m_bHeaderVisible, &m_iconViewSaved.bHeaderVisible, bShow);
}

void CTKReportControl::ShowFooter(BOOL bShow) {
  ShowElement(&m_bFooterVisible, &m_iconViewSaved.bFooterVisible, bShow);
}

CTKReportColumn* CTKReportControl::GetRowNumberColumn() const {
  if (m_bIconView || !m_bKeepIconColumnInRowView || m_nIconColumnRowViewPosition < 0) return nullptr;
  CTKReportColumn* column = m_pColumns->Find(m_nIconColumnIndex);
  return column && column->IsVisible() ? column : nullptr;
}

void CTKReportControl::DrawIconView(CDC* pDC, CRect& rcClient) {
  CTKReportRows* rows = m_pSectionBody->GetRows();
  CTKReportScreenRows* screen = rows->GetScreenRows();
  if (screen) screen->Clear();
  const CRect body = m_pSectionBody->GetRect();
  const int cellWidth = std::max(1, m_nIconViewCellWidth);
  const int cellHeight = std::max(1, m_nIconViewCellHeight);
  m_iIconViewColumns = std::max(1, m_pReportHeader->GetTotalWidth() / cellWidth);
  const int perLine = m_iIconViewColumns;
  int top = rows->GetTopRowIndex();
  top = (top + perLine - 1) / perLine * perLine;
  int y = body.top;
  for (int i = top; i < rows->GetCount(); i++) {
    const int column = i % perLine;
    if (column == 0 && i != top) y += cellHeight;
    if (y > rcClient.bottom || y > body.bottom) break;
    CTKReportRow* row = rows->GetAt(i);
    if (!row) continue;
    TK_REPORTDRAWROWARGS args;
    args.pDC = pDC;
    args.rcRow = CRect(body.left + column * cellWidth, y, body.left + (column + 1) * cellWidth, y + cellHeight);
    args.rcClip = body;
    args.nColumnTo = m_pColumns->GetCount();
    row->Draw(&args);
    if (screen) {
      CTKReportRow* kept = row;
      if (IsVirtualMode()) {
        kept = CreateRow();
        kept->InitRowFrom(row);
      } else {
        row->InternalAddRef();
      }
      screen->Add(kept);
    }
  }
}
