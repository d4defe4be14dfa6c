#include "toolkit/report/reportrow.h"

#include <algorithm>
#include <cstdlib>

#include "platform/framework/afx.h"
#include "toolkit/common/splittertracker.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportformat.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reportsection.h"
#include "toolkit/report/reportselectedrows.h"

// ---- item arguments ----------------------------------------------------------------------------

TK_REPORTRECORDITEM_ARGS::TK_REPORTRECORDITEM_ARGS(CTKReportControl* control, CTKReportRow* row,
                                                   CTKReportColumn* column)
    : pControl(control), pRow(row), pColumn(column) {
  if (row && column && row->GetRecord()) {
    pItem = row->GetRecord()->GetItem(column);
    if (pItem) rcItem = row->GetItemRect(pItem);
  }
}

void TK_REPORTRECORDITEM_ARGS::AddReferences() {
  if (pRow) pRow->InternalAddRef();
  if (pColumn) pColumn->InternalAddRef();
  if (pItem) pItem->InternalAddRef();
}

void TK_REPORTRECORDITEM_ARGS::ReleaseReferences() {
  TKReleaseHeld(pRow);
  TKReleaseHeld(pColumn);
  TKReleaseHeld(pItem);
}

// ---- plain rows --------------------------------------------------------------------------------

CTKReportRow::CTKReportRow() = default;

CTKReportRow::~CTKReportRow() {
  TKReleaseHeld(m_pChilds);
  TKReleaseHeld(m_pRecord);
}

void CTKReportRow::InitRow(CTKReportControl* pControl, CTKReportSection* pSection, CTKReportRecord* pRecord) {
  m_pControl = pControl;
  m_pSection = pSection;
  if (pRecord) {
    pRecord->InternalAddRef();
    TKReleaseHeld(m_pRecord);
    m_pRecord = pRecord;
    m_bExpanded = pRecord->IsExpanded();
  }
  if (pControl && pControl->IsVariableRowHeight()) m_nFreeHeight = pControl->GetDefaultRowHeight();
}

void CTKReportRow::InitRowFrom(CTKReportRow* pRow) {
  if (!pRow) return;
  m_pControl = pRow->m_pControl;
  if (pRow->m_pRecord) pRow->m_pRecord->InternalAddRef();
  TKReleaseHeld(m_pRecord);
  m_pRecord = pRow->m_pRecord;
  m_pSection = pRow->m_pSection;
  m_rcRow = pRow->m_rcRow;
  m_rcCollapse = pRow->m_rcCollapse;
  m_bVisible = pRow->m_bVisible;
  m_bExpanded = pRow->m_bExpanded;
  m_nIndex = pRow->m_nIndex;
  m_nPreviewHeight = pRow->m_nPreviewHeight;
  m_nRowLevel = pRow->m_nRowLevel;
  m_nGroupLevel = pRow->m_nGroupLevel;
  if (m_pControl && m_pControl->IsVariableRowHeight()) m_nFreeHeight = m_pControl->GetDefaultRowHeight();
}

int CTKReportRow::GetHeight(CDC* pDC, int nWidth) {
  if (!m_pControl) return 0;
  int height = (IsGroupRow() || IsItemsVisible()) ? m_pControl->PaintRowHeight(this, pDC) : 0;
  m_nPreviewHeight = 0;
  if (IsPreviewVisible()) {
    CTKReportRecordItemPreview* preview = m_pRecord->GetItemPreview();
    m_nPreviewHeight = std::max(0, preview->GetPreviewHeight(pDC, this, nWidth));
  }
  return height + m_nPreviewHeight;
}

BOOL CTKReportRow::IsFocused() const {
  if (!m_pSection || m_nIndex < 0) return FALSE;
  return m_pSection->GetRows()->GetFocusedRowIndex() == m_nIndex;
}

BOOL CTKReportRow::IsSelected() const {
  return m_pControl && m_pControl->GetSelectedRows() && m_pControl->GetSelectedRows()->Contains(this);
}

BOOL CTKReportRow::IsExpandLocked() const { return (m_pControl && m_pControl->IsLockExpand()) || m_bExpandLocked; }

void CTKReportRow::SetSelected(BOOL bSelected) {
  if (!m_pControl || bSelected == IsSelected()) return;
  CTKReportSelectedRows* selection = m_pControl->GetSelectedRows();
  if (bSelected) {
    if (!m_pControl->IsMultipleSelection()) selection->Clear();
    selection->Add(this);
  } else {
    selection->Remove(this);
  }
  m_pControl->RedrawControl();
}

void CTKReportRow::SelectChildRows() {
  if (!m_pControl || !m_pControl->IsMultipleSelection()) return;
  if (!m_bExpanded || !HasChildren() || m_nIndex == -1) return;
  const CTKReportRow* last = this;
  while (last->m_bExpanded && last->HasChildren()) last = last->m_pChilds->GetAt(last->m_pChilds->GetCount() - 1);
  if (last == this || last->m_nIndex < 0) return;
  m_pControl->BeginUpdate();
  m_pControl->GetSelectedRows()->AddBlock(m_nIndex + 1, last->m_nIndex);
  m_pControl->EndUpdate();
}

void CTKReportRow::SetExpanded(BOOL bExpanded, BOOL bRecursive) {
  if (bExpanded != m_bExpanded && HasChildren() && m_pControl) {
    if (bExpanded) m_pControl->DoExpandRow(this);
    else m_pControl->DoCollapseRow(this);
    if (m_pRecord) m_pRecord->SetExpanded(bExpanded);
    m_bExpanded = bExpanded;
    m_pControl->RefreshIndexesDeferred(TRUE, FALSE);
    m_pControl->SendItemNotify(this, nullptr, nullptr, TK_NM_REPORT_ROWEXPANDED);
  } else {
    m_bExpanded = bExpanded;
  }
  if (bRecursive && m_pChilds) {
    for (int i = m_pChilds->GetCount() - 1; i >= 0; --i) {
      CTKReportRow* child = m_pChilds->GetAt(i);
      if (child) child->SetExpanded(bExpanded, bRecursive);
    }
  }
}

CTKReportRecordItem* CTKReportRow::HitTest(POINT ptPoint, RECT* pRectItem, CTKReportColumn** ppColumn) const {
  if (!m_pRecord || !m_pControl) return nullptr;
  CRect rcRow(m_rcRow);
  if (IsPreviewVisible()) {
    CRect rcPreview(rcRow.left + m_pControl->PaintGroupIndent(), rcRow.bottom - m_nPreviewHeight, rcRow.right,
                    rcRow.bottom);
    if (rcPreview.PtInRect(ptPoint)) {
      if (pRectItem) *pRectItem = rcPreview;
      return m_pRecord->GetItemPreview();
    }
  }
  if (!IsItemsVisible()) return nullptr;
  CTKReportColumns* columns = m_pControl->GetColumns();
  const int frozen = m_pControl->GetFreezeColumnsCount();
  const int frozenRight = FrozenColumnsRight(columns, frozen);
  for (int i = 0, visible = 0; i < columns->GetCount(); ++i) {
    CTKReportColumn* column = columns->GetAt(i);
    if (!column || !column->IsVisible()) continue;
    CRect extent(column->m_rcColumn);
    if (visible++ >= frozen && frozen > 0) {
      extent.left = std::max<LONG>(extent.left, frozenRight);
      if (extent.right < extent.left) extent.right = extent.left;
    }
    if (extent.Width() <= 0) continue;
    CRect cell(extent.left, rcRow.top, extent.right, rcRow.bottom - m_nPreviewHeight);
    if (!cell.PtInRect(ptPoint)) continue;
    if (ppColumn) *ppColumn = column;
    ShiftTreeIndent(cell, column);
    if (!cell.PtInRect(ptPoint)) return nullptr;
    if (pRectItem) *pRectItem = cell;
    CTKReportRecordItem* item = m_pRecord->GetItem(column);
    if (item && item->IsMerged()) return item->GetMergeItem();
    return item;
  }
  return nullptr;
}

RECT CTKReportRow::GetItemRect(CTKReportRecordItem* pItem) {
  CRect empty;
  if (!pItem || !m_pRecord || !m_pControl) return empty;
  if (pItem == m_pRecord->GetItemPreview())
    return CRect(m_rcRow.left + m_pControl->PaintGroupIndent(), m_rcRow.bottom - m_nPreviewHeight, m_rcRow.right,
                 m_rcRow.bottom);
  if (!IsItemsVisible()) return empty;
  CTKReportColumns* columns = m_pControl->GetColumns();
  const int frozen = m_pControl->GetFreezeColumnsCount();
  const int frozenRight = FrozenColumnsRight(columns, frozen);
  for (int i = 0, visible = 0; i < columns->GetCount(); ++i) {
    CTKReportColumn* column = columns->GetAt(i);
    if (!column || !column->IsVisible()) continue;
    const bool scrollable = visible++ >= frozen && frozen > 0;
    if (m_pRecord->GetItem(column) != pItem) continue;
    CRect extent(column->m_rcColumn);
    if (scrollable) {
      extent.left = std::max<LONG>(extent.left, frozenRight);
      if (extent.right < extent.left) extent.right = extent.left;
    }
    if (extent.Width() < 1) return empty;
    CRect cell(extent.left, m_rcRow.top, extent.right, m_rcRow.bottom - m_nPreviewHeight);
    ShiftTreeIndent(cell, column);
    return cell;
  }
  return empty;
}

int CTKReportRow::ShiftTreeIndent(RECT& rcItem, CTKReportColumn* pColumn) const {
  if (!m_pControl || !pColumn || !pColumn->IsTreeColumn()) return 0;
  int level = m_nRowLevel - m_nGroupLevel;
  if (level > 0) ++level;
  rcItem.left += m_pControl->GetIndent(level);
  int button = m_pControl->PaintExpandButtonWidth(const_cast<CTKReportRow*>(this)) + 2;
  rcItem.left += button;
  return button;
}

void CTKReportRow::GetItemMetrics(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pItemMetrics) {
  if (!m_pRecord || !pDrawArgs || !pDrawArgs->pItem || !pItemMetrics || !m_pControl) return;
  m_pControl->PaintInitMetrics(pItemMetrics);
  pItemMetrics->clrBackground = static_cast<COLORREF>(-1);
  pItemMetrics->nColumnAlignment = pDrawArgs->nTextAlign;
  pItemMetrics->nGroupIcon = -1;
  m_pRecord->GetItemMetrics(pDrawArgs, pItemMetrics);
  pDrawArgs->pItem->GetItemMetrics(pDrawArgs, pItemMetrics);
  m_pControl->OnGetItemMetrics(pDrawArgs, pItemMetrics);
  pDrawArgs->nTextAlign = pItemMetrics->nColumnAlignment;

  if (!IsSelected() || m_pControl->IsIconView()) return;
  if (pDrawArgs->pDC && pDrawArgs->pDC->IsPrinting()) return;
  if (IsFocused() && m_pControl->GetFocusedColumn() == pDrawArgs->pColumn && m_pControl->IsFocusSubItems()) return;
  m_pControl->PaintSelectionColors(pItemMetrics, m_pControl->m_hWnd && ::GetFocus() == m_pControl->m_hWnd);
}

void CTKReportRow::FillItemMetrics(CTKReportColumn* pColumn, CTKReportRecordItem* pItem,
                                   TK_REPORTRECORDITEM_METRICS* pMetrics) {
  if (!m_pControl) return;
  TK_REPORTRECORDITEM_DRAWARGS args;
  args.pControl = m_pControl;
  args.pRow = this;
  args.pColumn = pColumn;
  args.pItem = pItem;
  args.nTextAlign = pColumn ? pColumn->GetAlignment() : 0;
  m_pControl->BeginUpdate();
  GetItemMetrics(&args, pMetrics);
  m_pControl->EndUpdate();
}

void CTKReportRow::EnsureVisible() {
  if (m_pControl) m_pControl->EnsureVisible(this);
}

BOOL CTKReportRow::IsPreviewVisible() const {
  if (IsGroupRow() || !m_pRecord || !m_pRecord->GetItemPreview() || !m_pControl) return FALSE;
  return m_pControl->PaintIsPreviewMode() && !m_pControl->IsIconView();
}

// ---- tree --------------------------------------------------------------------------------------

int CTKReportRow::GetSectionType() const { return m_pSection ? m_pSection->GetSectionKind() : -1; }

BOOL CTKReportRow::IsParent(CTKReportRow* pRow) const {
  for (const CTKReportRow* p = m_pParentRow; p; p = p->m_pParentRow)
    if (p == pRow) return TRUE;
  return FALSE;
}

CTKReportRows* CTKReportRow::GetChildRows(BOOL bCreate) {
  if (!m_pChilds && bCreate) m_pChilds = new CTKReportRows();
  return m_pChilds;
}

CTKReportRow* CTKReportRow::AddChild(CTKReportRow* pRow) {
  GetChildRows(TRUE)->Add(pRow);
  pRow->m_pParentRow = this;
  return pRow;
}

BOOL CTKReportRow::HasChildren() const { return m_pChilds && m_pChilds->GetCount() > 0; }

CTKReportRow* CTKReportRow::GetNextSiblingRow() const {
  if (!m_pParentRows || m_nChildIndex == -1 || m_nChildIndex + 1 >= m_pParentRows->GetCount()) return nullptr;
  return m_pParentRows->GetAt(m_nChildIndex + 1);
}

BOOL CTKReportRow::IsLastTreeRow() const {
  if (!m_pParentRow || !m_pParentRow->HasChildren()) return FALSE;
  CTKReportRows* siblings = m_pParentRow->m_pChilds;
  return siblings->GetAt(siblings->GetCount() - 1) == this;
}

// ---- input -------------------------------------------------------------------------------------

void CTKReportRow::ToggleKeepingSelection() {
  CTKReportRows* rows = m_pSection ? m_pSection->GetRows() : nullptr;
  if (!rows || !m_pControl) {
    SetExpanded(!m_bExpanded);
    return;
  }
  // Remember the selection of the displayed rows by record, re-apply it
  // to the rows still displayed after the toggle.
  std::vector<std::pair<CTKReportRow*, BOOL>> states;
  for (int i = 0; i < rows->GetCount(); ++i) {
    CTKReportRow* row = rows->GetAt(i);
    if (row && row->GetRecord() && !row->GetRecord()->HasChildren()) {
      row->InternalAddRef();
      states.emplace_back(row, row->IsSelected());
    }
  }
  m_pControl->BeginUpdate();
  SetExpanded(!m_bExpanded);
  CTKReportSelectedRows* selection = m_pControl->GetSelectedRows();
  for (auto& [row, selected] : states) {
    if (row->m_nIndex >= 0 && row->m_pSection == m_pSection && row->IsSelected() != selected) {
      if (selected) selection->AddBlock(row->m_nIndex, row->m_nIndex);
      else selection->Remove(row);
    }
    row->InternalRelease();
  }
  m_pControl->EndUpdate();
}

void CTKReportRow::OnClick(POINT ptClicked) {
  if (!m_pControl) return;
  CTKReportColumn* column = nullptr;
  CRect rcItem;
  CTKReportRecordItem* item = HitTest(ptClicked, &rcItem, &column);
  const BOOL onButton =
      CRect(m_rcCollapse).PtInRect(ptClicked) && CRect(m_rcCollapse).PtInRect(m_pControl->GetMouseDownPoint());
  if (m_pControl->IsVirtualMode() && column && column->IsTreeColumn() && onButton) {
    m_pControl->SendItemNotify(this, nullptr, column, TK_NM_REPORT_ROWEXPANDED);
    return;
  }
  if (HasChildren() && onButton && !IsExpandLocked()) {
    SetExpanded(!m_bExpanded);
    return;
  }
  if (!item) return;
  TK_REPORTRECORDITEM_CLICKARGS args;
  args.pControl = m_pControl;
  args.pRow = this;
  args.pColumn = column;
  args.pItem = item;
  args.rcItem = rcItem;
  args.ptClient = ptClicked;
  item->OnClick(&args);
}

BOOL CTKReportRow::OnLButtonDown(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs) {
  if (!m_pControl || !pClickArgs) return FALSE;
  if (m_pControl->IsVariableRowHeight() && m_pControl->GetMouseMode() == kTKReportMouseOverRowDivide) {
    TrackRowHeight(pClickArgs->ptClient);
    return TRUE;
  }
  if (pClickArgs->pItem && pClickArgs->pItem->OnLButtonDown(pClickArgs)) return TRUE;
  POINT pt = pClickArgs->ptClient;
  return m_pControl->SendItemNotify(this, pClickArgs->pItem, pClickArgs->pColumn, TK_NM_REPORT_LBUTTONDOWN, &pt) != 0;
}

void CTKReportRow::TrackRowHeight(POINT ptClient) {
  CTKReportControl* control = m_pControl;
  if (!control->m_hWnd) return;
  control->SetCapture();
  control->SetMouseMode(kTKReportMouseNothing);
  CRect client;
  control->GetClientRect(&client);
  // Never shorter than the default row height.
  CRect avail(m_rcRow.left, m_rcRow.top + control->GetDefaultRowHeight(), m_rcRow.right,
              std::max<LONG>(client.bottom, m_rcRow.bottom) + 32000);
  CRect tracker(m_rcRow.left, ptClient.y, m_rcRow.right, ptClient.y + 1);
  POINT screen = ptClient;
  control->ClientToScreen(&avail);
  control->ClientToScreen(&tracker);
  control->ClientToScreen(&screen);
  CTKSplitterTracker track(TRUE, control->m_bDesktopTrackerMode);
  const BOOL done = track.Track(control, avail, tracker, CPoint(screen), FALSE);
  if (::GetCapture() == control->m_hWnd) ::ReleaseCapture();
  if (!done) return;
  control->ScreenToClient(&tracker);
  const int height = std::max(control->GetDefaultRowHeight(), static_cast<int>(tracker.bottom - m_rcRow.top));
  if (height == m_nFreeHeight) return;
  m_nFreeHeight = height;
  if (m_pRecord) m_pRecord->SetRowHeight(height);
  control->AdjustScrollBars();
  control->RedrawControl();
}

BOOL CTKReportRow::OnLButtonUp(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs) {
  if (!m_pControl || !pClickArgs) return FALSE;
  if (m_pControl->IsVariableRowHeight()) {
    m_pControl->SetMouseMode(kTKReportMouseNothing);
    if (m_pControl->m_hWnd && ::GetCapture() == m_pControl->m_hWnd) ::ReleaseCapture();
  }
  if (pClickArgs->pItem && pClickArgs->pItem->OnLButtonUp(pClickArgs)) return TRUE;
  POINT pt = pClickArgs->ptClient;
  return m_pControl->SendItemNotify(this, pClickArgs->pItem, pClickArgs->pColumn, TK_NM_REPORT_LBUTTONUP, &pt) != 0;
}

void CTKReportRow::OnDblClick(POINT ptClicked) {
  if (!m_pControl) return;
  CTKReportColumn* column = nullptr;
  CRect rcItem;
  CTKReportRecordItem* item = HitTest(ptClicked, &rcItem, &column);
  if (item) {
    TK_REPORTRECORDITEM_CLICKARGS args;
    args.pControl = m_pControl;
    args.pRow = this;
    args.pColumn = column;
    args.pItem = item;
    args.rcItem = rcItem;
    args.ptClient = ptClicked;
    item->OnDblClick(&args);
  } else {
    m_pControl->SendItemNotify(this, nullptr, column, TK_NM_REPORT_DBLCLK, &ptClicked);
  }
}

void CTKReportRow::OnMouseMove(UINT nFlags, POINT point) {
  if (!m_pControl) return;
  if (m_pControl->IsVariableRowHeight()) {
    const int mode = m_pControl->GetMouseMode();
    const int distance = m_rcRow.bottom - point.y;
    if ((mode == kTKReportMouseNothing || mode == kTKReportMouseOverRowDivide) && distance >= -1 && distance <= 3) {
      if (mode == kTKReportMouseNothing) ::SetCursor(::LoadCursor(nullptr, IDC_SIZENS));
      m_pControl->SetMouseMode(kTKReportMouseOverRowDivide);
      return;
    }
  }
  CTKReportRecordItem* item = HitTest(point);
  if (item) item->OnMouseMove(nFlags, point, m_pControl);
}

void CTKReportRow::OnContextMenu(POINT ptClick) {
  if (!m_pControl) return;
  CTKReportColumn* column = nullptr;
  CTKReportRecordItem* item = HitTest(ptClick, nullptr, &column);
  POINT screen = ptClick;
  if (m_pControl->m_hWnd) ::ClientToScreen(m_pControl->m_hWnd, &screen);
  m_pControl->SendItemNotify(this, item, column, TK_NM_REPORT_RCLICK, &screen);
}

// ---- accessibility -----------------------------------------------------------------------------

HRESULT CTKReportRow::GetAccessibleParent(IDispatch** ppdispParent) {
  if (!ppdispParent) return E_POINTER;
  *ppdispParent = nullptr;
  if (!m_pControl) return E_FAIL;
  *ppdispParent = m_pControl->GetIDispatch(TRUE);
  return *ppdispParent ? S_OK : E_FAIL;
}

HRESULT CTKReportRow::GetAccessibleChildCount(LONG* pcountChildren) {
  if (!pcountChildren) return E_POINTER;
  *pcountChildren = m_pRecord ? m_pRecord->GetItemCount() : 0;
  return S_OK;
}

HRESULT CTKReportRow::GetAccessibleName(VARIANT varChild, BSTR* pszName) {
  if (!pszName) return E_POINTER;
  LONG child = CTKAccessible::GetChildIndex(&varChild);
  if (child == 0) {
    *pszName = ::SysAllocString(u"Report Row");
    return S_OK;
  }
  if (!m_pRecord || child < 1 || child > m_pRecord->GetItemCount()) return E_INVALIDARG;
  CTKReportRecordItem* item = m_pRecord->GetItem(child - 1);
  CTKReportColumn* column = m_pControl ? m_pControl->GetColumns()->Find(child - 1) : nullptr;
  CString caption = item ? item->GetCaption(column) : CString();
  *pszName = ::SysAllocString(caption.GetString());
  return S_OK;
}

HRESULT CTKReportRow::GetAccessibleRole(VARIANT varChild, VARIANT* pvarRole) {
  if (!pvarRole) return E_POINTER;
  LONG child = CTKAccessible::GetChildIndex(&varChild);
  LONG count = m_pRecord ? m_pRecord->GetItemCount() : 0;
  if (child < 0 || child > count) return E_INVALIDARG;
  pvarRole->vt = VT_I4;
  pvarRole->lVal = child == 0 ? ROLE_SYSTEM_ROW : ROLE_SYSTEM_CELL;
  return S_OK;
}

HRESULT CTKReportRow::GetAccessibleState(VARIANT varChild, VARIANT* pvarState) {
  if (!pvarState) return E_POINTER;
  LONG child = CTKAccessible::GetChildIndex(&varChild);
  LONG count = m_pRecord ? m_pRecord->GetItemCount() : 0;
  if (child < 0 || child > count) return E_INVALIDARG;
  pvarState->vt = VT_I4;
  pvarState->lVal = 0;
  if (child == 0) {
    if (IsSelected()) pvarState->lVal = STATE_SYSTEM_SELECTED;
  } else {
    CTKReportColumn* column = m_pControl ? m_pControl->GetColumns()->Find(child - 1) : nullptr;
    if (column && !column->IsVisible()) pvarState->lVal = STATE_SYSTEM_INVISIBLE;
  }
  return S_OK;
}

HRESULT CTKReportRow::AccessibleLocation(LONG* pxLeft, LONG* pyTop, LONG* pcxWidth, LONG* pcyHeight, VARIANT varChild) {
  if (!pxLeft || !pyTop || !pcxWidth || !pcyHeight) return E_POINTER;
  LONG child = CTKAccessible::GetChildIndex(&varChild);
  LONG count = m_pRecord ? m_pRecord->GetItemCount() : 0;
  if (child < 0 || child > count) return E_INVALIDARG;
  CRect rc(m_rcRow);
  if (child > 0) rc = GetItemRect(m_pRecord->GetItem(child - 1));
  if (m_pControl && m_pControl->m_hWnd) {
    POINT tl{rc.left, rc.top};
    ::ClientToScreen(m_pControl->m_hWnd, &tl);
    rc.OffsetRect(tl.x - rc.left, tl.y - rc.top);
  }
  *pxLeft = rc.left;
  *pyTop = rc.top;
  *pcxWidth = rc.Width();
  *pcyHeight = rc.Height();
  return S_OK;
}

HRESULT CTKReportRow::AccessibleHitTest(LONG xLeft, LONG yTop, VARIANT* pvarChild) {
  if (!pvarChild) return E_POINTER;
  POINT pt{xLeft, yTop};
  if (m_pControl && m_pControl->m_hWnd) ::ScreenToClient(m_pControl->m_hWnd, &pt);
  pvarChild->vt = VT_EMPTY;
  if (!CRect(m_rcRow).PtInRect(pt)) return S_FALSE;
  pvarChild->vt = VT_I4;
  pvarChild->lVal = CHILDID_SELF;
  CTKReportRecordItem* item = HitTest(pt);
  if (item && m_pRecord) {
    int index = m_pRecord->IndexOf(item);
    if (index >= 0) pvarChild->lVal = index + 1;
  }
  return S_OK;
}

// ---- group rows --------------------------------------------------------------------------------

CTKReportGroupRow::CTKReportGroupRow() = default;

CTKReportGroupRow::~CTKReportGroupRow() { MarkupReleaseElement(m_pMarkupUIElement); }

void CTKReportGroupRow::ResetMarkupUIElement() {
  MarkupReleaseElement(m_pMarkupUIElement);
  if (m_pControl && m_pControl->GetMarkupContext())
    m_pMarkupUIElement = MarkupParseText(m_pControl->GetMarkupContext(), m_strGroupText.GetString());
}

namespace {

// The item index of one reference ("R<row>C<item>"), -1 when it has no
// "C"; "*" answers `star`.
int ParseReference(const CString& reference, int star, bool& ok) {
  int c = reference.Find(u'C');
  if (c < 0) {
    ok = false;
    return -1;
  }
  CString item = reference.Mid(c + 1);
  item.Remove(u')');
  item.Remove(u'(');
  if (!item.IsEmpty() && item[0] == u'*') return star;
  CStringA narrow(item);
  return std::atoi(narrow.GetString());
}

}  // namespace

double CTKReportGroupRow::SumChildItems(int nFirst, int nLast) const {
  double sum = 0;
  if (!m_pChilds) return sum;
  for (int i = 0; i < m_pChilds->GetCount(); ++i) {
    CTKReportRow* row = m_pChilds->GetAt(i);
    if (!row) continue;
    if (row->IsGroupRow()) {
      sum += static_cast<CTKReportGroupRow*>(row)->SumChildItems(nFirst, nLast);
      continue;
    }
    CTKReportRecord* record = row->GetRecord();
    if (!record) continue;
    // Bounded by the items the record has: a stored formula may name any index.
    const int last = std::min(nLast, record->GetItemCount());
    for (int j = std::max(0, nFirst); j < last; ++j) {
      CTKReportRecordItem* item = record->GetItem(j);
      if (item) sum += TKReportTextToNumber(item->GetCaption(nullptr).GetString());
    }
  }
  return sum;
}

void CTKReportGroupRow::SetCaption(LPCTSTR lpszCaption) {
  CString text(lpszCaption ? lpszCaption : u"");
  if (text == u"x") text.Empty();
  if (m_strFormula.IsEmpty()) {
    if (m_strGroupText != text) {
      m_strGroupText = text;
      if (m_strGroupLabel.IsEmpty()) m_strGroupLabel = text;
      ResetMarkupUIElement();
    }
    return;
  }
  CString result = text;
  CString work = m_strFormula;
  work.Replace(u"(C", u"(R*C");
  work.Replace(u":C", u"(:R*C");
  const int columns = m_pControl && m_pControl->GetColumns() ? m_pControl->GetColumns()->GetCount() : 0;
  double running = 0;
  int pos = 0;
  static const CString kKeyword(u"SUMSUB(");
  // Positions are taken after the blanks are gone, so blanks before a term
  // cannot shift where it is read.
  if (m_pChilds) work.Remove(u' ');
  while ((pos = work.Find(kKeyword.GetString(), pos)) >= 0) {
    pos += kKeyword.GetLength();
    if (!m_pChilds) continue;
    CString rest = work.Mid(pos);
    int colon = rest.Find(u':');
    if (colon < 0) break;
    CString first = rest.Left(colon);
    CString second = rest.Mid(colon + 1);
    int close = second.Find(u')');
    if (close >= 0) second = second.Left(close + 1);
    bool ok = true;
    int from = ParseReference(first, 0, ok);
    int to = ParseReference(second, columns, ok);
    if (!ok) break;
    if (to == from + 1) running = 0;
    running += SumChildItems(from, to);
    CString format = m_strFormat;
    if (format.IsEmpty() || format == u"%s") format = u"%f";
    if (format == u"%d") format = u"%.0f";
    result += TKFormatNumber(u" [%d]", from);
    result += TKFormatNumber(format.GetString(), running);
  }
  CString caption = m_strGroupLabel + result;
  if (m_strGroupText != caption) {
    m_strGroupText = caption;
    ResetMarkupUIElement();
  }
}

void CTKReportGroupRow::OnClick(POINT ptClicked) {
  if (!m_pControl) return;
  const CRect button(m_rcCollapse);
  if (!button.PtInRect(ptClicked) || !button.PtInRect(m_pControl->GetMouseDownPoint()) || IsExpandLocked()) return;
  ToggleKeepingSelection();
  const BOOL control = m_pControl->IsControlKeyAtMouseDown() || m_pControl->IsMultiSelectionMode();
  if ((control || m_pControl->IsShiftKeyAtMouseDown()) && !m_bExpanded && m_pControl->IsSelectionExcludeGroupRows())
    m_pControl->DeselectGroupRows();
}

void CTKReportGroupRow::OnDblClick(POINT ptClicked) {
  if (!m_pControl) return;
  if (!CRect(m_rcCollapse).PtInRect(ptClicked) && !IsExpandLocked()) ToggleKeepingSelection();
  CTKReportRow::OnDblClick(ptClicked);
}
