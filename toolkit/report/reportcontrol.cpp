// The report control: construction, owner notifications, the update lock
// and the rebuild of rows.
#include "toolkit/report/reportcontrol.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/tooltipcontext.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/report/reportbehavior.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportdatahost.h"
#include "toolkit/report/reportdatamanager.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportinplaceedit.h"
#include "toolkit/report/reportinplacelist.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reporttip.h"
#include "toolkit/report/reportnavigator.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportselectedrows.h"

namespace {
constexpr char16_t kClassName[] = u"TKReport";
}  // namespace

// Defined with the answers to the data classes (reportcontrol_host.cpp).
std::unique_ptr<CTKReportDataHost> TKMakeReportControlHost(CTKReportControl* control);

IMPLEMENT_DYNCREATE(CTKReportControl, CWnd)

BEGIN_MESSAGE_MAP(CTKReportControl, CWnd)
ON_WM_CREATE()
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_SIZE()
ON_WM_ENABLE()
ON_WM_TIMER()
ON_WM_NCHITTEST()
ON_WM_SETFOCUS()
ON_WM_KILLFOCUS()
ON_WM_MOUSEMOVE()
ON_WM_MOUSEWHEEL()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_RBUTTONDOWN()
ON_WM_RBUTTONUP()
ON_WM_CONTEXTMENU()
ON_WM_SETCURSOR()
ON_WM_CHAR()
ON_WM_KEYDOWN()
ON_WM_KEYUP()
ON_WM_SYSKEYDOWN()
ON_WM_SYSKEYUP()
ON_WM_VSCROLL()
ON_WM_HSCROLL()
ON_WM_CAPTURECHANGED()
ON_WM_SYSCOLORCHANGE()
ON_WM_GETDLGCODE()
ON_WM_STYLECHANGED()
ON_MESSAGE(WM_PRINTCLIENT, OnPrintClient)
ON_MESSAGE(WM_GETOBJECT, OnGetObject)
ON_WM_MOUSELEAVE()
ON_MESSAGE(TK_WM_REPORT_REDRAW, OnRedrawRequest)
END_MESSAGE_MAP()

// ---- construction ------------------------------------------------------------------------------

CTKReportControl::CTKReportControl() {
  RegisterWindowClass();
  m_pDataHost = TKMakeReportControlHost(this);
  m_uDelayEditTimerInterval = ::GetDoubleClickTime() + 50;

  m_pBehavior = new CTKReportBehavior(CTKReportBehavior::kSchemeDefault);
  m_pInplaceEdit = new CTKReportInplaceEdit;
  m_pInplaceList = new CTKReportInplaceList;
  m_pInplaceButtons = new CTKReportInplaceButtons;
  m_pSections = new CTKReportSections(this);
  m_pSectionHeader = m_pSections->GetSection(kTKReportSectionHeader);
  m_pSectionBody = m_pSections->GetSection(kTKReportSectionBody);
  m_pSectionFooter = m_pSections->GetSection(kTKReportSectionFooter);
  m_pSectionBody->AllowSort(TRUE);
  m_pSectionBody->AllowGroup(TRUE);
  m_pSectionBody->SetVisible(TRUE);
  // The body takes what the header and footer rows leave of the band.
  m_pSectionBody->SetHeightMode(kTKReportSectionHeightFill);
  m_pSectionHeader->AllowSort(FALSE);
  m_pSectionHeader->AllowGroup(FALSE);
  m_pSectionHeader->SetVisible(FALSE);
  m_pSectionHeader->SetDividerPosition(1);
  m_pSectionFooter->AllowSort(FALSE);
  m_pSectionFooter->AllowGroup(FALSE);
  m_pSectionFooter->SetVisible(FALSE);
  m_pSectionFooter->SetDividerPosition(0);
  // A line in the grid colour separates the footer rows from the body.
  m_pSectionFooter->GetBorder()->GetBorderThickness()->SetTop(1);
  m_pRows = m_pSectionBody->GetRows();

  m_pColumns = new CTKReportColumns(this);
  m_pReportHeader = new CTKReportHeader(this, m_pColumns);
  m_pPaintManager = new CTKReportPaintManager();
  m_pPaintManager->SetReportControl(this);
  m_pTip = new CTKReportTip();
  m_pTip->m_pReportControl = this;
  m_pRowNavigator = new CTKReportNavigator(this);
  m_pIconNavigator = new CTKReportIconNavigator(this);
  m_pNavigator = m_pRowNavigator;
  m_pSelectedRows = new CTKReportSelectedRows(this);
  m_pImageManager = new CTKImageManager();
  m_pToolTipContext = new CTKToolTipContext();
  m_pCachedToolTipInfo = new TK_NM_REPORTTOOLTIPINFO{};
}

CTKReportControl::~CTKReportControl() {
  EditItem(nullptr);
  delete m_pInplaceEdit;
  m_pInplaceEdit = nullptr;
  delete m_pInplaceList;
  m_pInplaceList = nullptr;
  delete m_pInplaceButtons;
  m_pInplaceButtons = nullptr;
  ResetContent(FALSE);
  EnableMarkup(FALSE);
  m_arrSavedSelection.RemoveAll();
  TKReleaseHeld(m_pSelectedRows);
  TKReleaseHeld(m_pColumns);
  TKReleaseHeld(m_pRowNavigator);
  TKReleaseHeld(m_pIconNavigator);
  m_pNavigator = nullptr;
  TKReleaseHeld(m_pImageManager);
  TKReleaseHeld(m_pReportHeader);
  TKReleaseHeld(m_pToolTipContext);
  delete m_pCachedToolTipInfo;
  m_pCachedToolTipInfo = nullptr;
  if (m_pEditRow) TKReleaseHeld(m_pEditRow);
  if (m_hbmpWatermark) {
    ::DeleteObject(m_hbmpWatermark);
    m_hbmpWatermark = nullptr;
  }
  delete m_pIconViewColumnsOrder;
  m_pIconViewColumnsOrder = nullptr;
  delete m_pPrevVisible;
  m_pPrevVisible = nullptr;
  TKReleaseHeld(m_pDataManager);
  TKReleaseHeld(m_pBehavior);
  m_pRows = nullptr;
  m_pSectionHeader = m_pSectionBody = m_pSectionFooter = nullptr;
  TKReleaseHeld(m_pSections);
  if (m_hWnd) DestroyWindow();
  delete m_pBackBuffer;
  m_pBackBuffer = nullptr;
  delete m_pPaintManager;
  m_pPaintManager = nullptr;
  delete m_pTip;
  m_pTip = nullptr;
}

BOOL CTKReportControl::RegisterWindowClass(HINSTANCE hInstance) {
  if (!hInstance) hInstance = AfxGetInstanceHandle();
  return CTKDrawHelpers::RegisterWndClass(hInstance, kClassName, CS_DBLCLKS, nullptr, nullptr);
}

BOOL CTKReportControl::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                              CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
  m_bCreatedByCreate = TRUE;
  return CWnd::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext);
}

BOOL CTKReportControl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return Create(kClassName, nullptr, dwStyle, rect, pParentWnd, nID);
}

void CTKReportControl::PreSubclassWindow() {
  if (!m_bCreatedByCreate) {
    AdjustLayout();
    AdjustScrollBars();
  }
}

CScrollBar* CTKReportControl::GetScrollBarCtrl(int nBar) const {
  CWnd* parent = GetParent();
  if (parent && parent->IsKindOf(RUNTIME_CLASS(CView))) return parent->GetScrollBarCtrl(nBar);
  return nullptr;
}

// ---- notifications -----------------------------------------------------------------------------

LRESULT CTKReportControl::SendOwnerNotify(int nCode, NMHDR* pNMHDR) {
  if (!m_hWnd || !::IsWindow(m_hWnd)) return 0;
  NMHDR local{};
  if (!pNMHDR) pNMHDR = &local;
  pNMHDR->hwndFrom = m_hWnd;
  pNMHDR->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
  pNMHDR->code = static_cast<UINT>(nCode);
  HWND target = m_hWndOwner ? m_hWndOwner : ::GetParent(m_hWnd);
  if (!target || !::IsWindow(target)) return 0;
  return ::SendMessage(target, WM_NOTIFY, static_cast<WPARAM>(pNMHDR->idFrom), reinterpret_cast<LPARAM>(pNMHDR));
}

LRESULT CTKReportControl::SendItemNotify(CTKReportRow* pRow, CTKReportRecordItem* pItem, CTKReportColumn* pColumn,
                                         int nCode, POINT* pPoint, int nHyperlink) {
  if (!m_hWnd) return 0;
  ReportItemNotify nm{};
  nm.pRow = pRow;
  nm.pItem = pItem;
  nm.pColumn = pColumn;
  nm.nHyperlink = nHyperlink;
  if (pPoint) nm.pt = *pPoint;
  return SendOwnerNotify(nCode, &nm.hdr);
}

void CTKReportControl::OnSelectionChanged() {
  m_iLastRqstEditRow = -1;
  m_iLastRqstEditCol = -1;
  SendOwnerNotify(TK_NM_REPORT_SELCHANGED);
  m_pSelectedRows->SetChanged(FALSE);
}

BOOL CTKReportControl::OnFocusChanging(CTKReportRow* pNewRow, CTKReportColumn* pNewCol) {
  TK_NM_REPORTREQUESTEDIT nm{};
  nm.pRow = pNewRow ? pNewRow : GetFocusedRow();
  nm.pColumn = pNewCol ? pNewCol : m_pFocusedColumn;
  nm.pItem = nm.pRow && nm.pColumn && nm.pRow->GetRecord() ? nm.pRow->GetRecord()->GetItem(nm.pColumn) : nullptr;
  nm.nHyperlink = 0;
  nm.bCancel = FALSE;
  SendOwnerNotify(TK_NM_REPORT_FOCUS_CHANGING, &nm.hdr);
  return !nm.bCancel;
}

int CTKReportControl::OnGetItemMetrics(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                       TK_REPORTRECORDITEM_METRICS* pItemMetrics) {
  TK_NM_REPORTITEMMETRICS nm{};
  nm.pDrawArgs = pDrawArgs;
  nm.pItemMetrics = pItemMetrics;
  return static_cast<int>(SendOwnerNotify(TK_NM_REPORT_GETITEMMETRICS, &nm.hdr));
}

BOOL CTKReportControl::OnConstraintSelecting(CTKReportRow* pRow, CTKReportColumn* pColumn, CTKReportRecordItem* pItem,
                                             CTKReportRecordItemConstraint* pConstraint) {
  TK_NM_REPORTCONSTRAINTSELECTING nm{};
  nm.pRow = pRow;
  nm.pColumn = pColumn;
  nm.pItem = pItem;
  nm.pConstraint = pConstraint;
  return SendOwnerNotify(TK_NM_REPORT_CONSTRAINT_SELECTING, &nm.hdr) != 0;
}

const TK_NM_REPORTTOOLTIPINFO& CTKReportControl::OnGetToolTipInfo(CTKReportRow* pRow, CTKReportRecordItem* pItem,
                                                                  CString& rstrToolTipText) {
  *m_pCachedToolTipInfo = TK_NM_REPORTTOOLTIPINFO{};
  m_pCachedToolTipInfo->pRow = pRow;
  m_pCachedToolTipInfo->pItem = pItem;
  m_pCachedToolTipInfo->pstrText = &rstrToolTipText;
  SendOwnerNotify(TK_NM_REPORT_GETTOOLTIPINFO, &m_pCachedToolTipInfo->hdr);
  return *m_pCachedToolTipInfo;
}

BOOL CTKReportControl::OnBeforeCopyToText(CTKReportRecord* pRecord, CStringArray& rarStrings) {
  TK_NM_REPORT_BEFORE_COPYPASTE nm{};
  nm.ppRecord = &pRecord;
  nm.parStrings = &rarStrings;
  return SendOwnerNotify(TK_NM_REPORT_BEFORE_COPY_TOTEXT, &nm.hdr) != 0;
}

BOOL CTKReportControl::OnBeforePasteFromText(CStringArray& arStrings, CTKReportRecord** ppRecord) {
  TK_NM_REPORT_BEFORE_COPYPASTE nm{};
  nm.ppRecord = ppRecord;
  nm.parStrings = &arStrings;
  return SendOwnerNotify(TK_NM_REPORT_BEFORE_PASTE_FROMTEXT, &nm.hdr) != 0;
}

BOOL CTKReportControl::OnBeforePaste(CTKReportRecord** ppRecord) {
  TK_NM_REPORT_BEFORE_COPYPASTE nm{};
  nm.ppRecord = ppRecord;
  return SendOwnerNotify(TK_NM_REPORT_BEFORE_PASTE, &nm.hdr) != 0;
}

BOOL CTKReportControl::OnPreviewKeyDown(UINT& rnChar, UINT nRepCnt, UINT nFlags) {
  TK_NM_REPORTPREVIEWKEYDOWN nm{};
  nm.nChar = rnChar;
  nm.nRepCnt = nRepCnt;
  nm.nFlags = nFlags;
  SendOwnerNotify(TK_NM_REPORT_PREVIEWKEYDOWN, &nm.hdr);
  rnChar = nm.nChar;
  return !nm.bCancel;
}

// ---- update lock -------------------------------------------------------------------------------

void CTKReportControl::BeginUpdate() {
  // Only the outermost lock starts without a pending re-index: a nested one
  // must not drop what an inner change asked for.
  if (m_nLockUpdateCount++ == 0) m_bRefreshIndexes = FALSE;
}

void CTKReportControl::EndUpdate() {
  if (m_nLockUpdateCount > 0) --m_nLockUpdateCount;
  m_bChanged = TRUE;
  if (m_nLockUpdateCount == 0) {
    if (m_bRefreshIndexes) {
      m_bRefreshIndexes = FALSE;
      RefreshIndexes(TRUE, FALSE);
    }
    RedrawControl();
  }
}

void CTKReportControl::RedrawControl() {
  m_bChanged = TRUE;
  if (m_nLockUpdateCount == 0 && m_hWnd && ::IsWindow(m_hWnd)) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

LRESULT CTKReportControl::OnRedrawRequest(WPARAM, LPARAM) {
  RedrawControl();
  return 0;
}

// ---- rows --------------------------------------------------------------------------------------

CTKReportRow* CTKReportControl::CreateRow() { return new CTKReportRow(); }

CTKReportGroupRow* CTKReportControl::CreateGroupRow() { return new CTKReportGroupRow(); }

CTKReportRow* CTKReportControl::CreateHeapRow() {
  // A row from the default allocator rather than the row batches.
  struct HeapRow : CTKHeapObjectT<CTKReportRow, CTKReportAllocatorDefault> {};
  return new HeapRow();
}

CTKReportSection* CTKReportControl::GetSection(int nKind) const {
  return m_pSections ? m_pSections->GetSection(nKind) : nullptr;
}

BOOL CTKReportControl::IsGrouped() const { return m_pColumns && m_pColumns->GetGroupsOrder()->GetCount() > 0; }

BOOL CTKReportControl::IsVirtualMode() const { return m_pSectionBody && m_pSectionBody->IsVirtualMode(); }

CTKReportRow* CTKReportControl::FirstDataRow(CTKReportRow* pRow) {
  while (pRow && pRow->IsGroupRow() && pRow->HasChildren()) pRow = pRow->GetChildRows()->GetAt(0);
  return pRow;
}

void CTKReportControl::RebuildRows() {
  EditItem(nullptr);
  BeginUpdate();
  m_pSelectedRows->Clear(FALSE);

  m_pSectionHeader->Populate(FALSE);
  m_pSectionBody->Populate(FALSE);
  m_pSectionFooter->Populate(FALSE);

  m_pReportHeader->SetIndentLevel(m_pColumns->GetGroupsOrder()->GetCount());
  AdjustLayout();
  AdjustScrollBars();

  CTKReportRows* rows = m_pSectionBody->GetRows();
  if (!rows->HasFocusedRow()) {
    SetTopRow(0);
    if (rows->GetCount() > 0) {
      rows->SetFocusedRowIndex(0);
      if (m_pSectionBody->IsAllowSelection() && m_bInitialSelectionEnable) {
        CTKReportRow* row = rows->GetAt(0);
        if (m_bSkipGroupsFocus) row = FirstDataRow(row);
        if (row && row->GetIndex() >= 0) m_pSelectedRows->Select(row);
      }
    }
  } else {
    EnsureVisible(rows->GetFocusedRow());
  }

  if (!m_pFocusedColumn && m_bFocusSubItems) {
    m_pFocusedColumn = m_pColumns->GetFirstVisibleColumn();
    if (rows->GetCount() > 0) {
      CTKReportRow* focused = rows->GetFocusedRow();
      if (CTKReportColumn* column = GetNextFocusableColumn(focused, 0, 1)) m_pFocusedColumn = column;
    }
  }
  EndUpdate();
}

void CTKReportControl::RebuildHeaderRows() {
  BeginUpdate();
  m_pSectionHeader->Populate(FALSE);
  AdjustLayout();
  AdjustScrollBars();
  EndUpdate();
}

void CTKReportControl::RebuildFooterRows() {
  BeginUpdate();
  m_pSectionFooter->Populate(FALSE);
  AdjustLayout();
  AdjustScrollBars();
  EndUpdate();
}

void CTKReportControl::ReSortRows() {
  BeginUpdate();
  for (int i = 0; i < m_pSections->GetSize(); ++i) {
    CTKReportSection* section = m_pSections->GetAt(i);
    if (section->IsAllowSort()) section->RefreshRows();
  }
  m_pReportHeader->SetIndentLevel(m_pColumns->GetGroupsOrder()->GetCount());
  AdjustLayout();
  EndUpdate();
  RedrawControl();
}

void CTKReportControl::DoCollapseRow(CTKReportRow* pRow) {
  if (!pRow || !pRow->GetSection()) return;
  BeginUpdate();
  pRow->GetSection()->RemoveChildRows(pRow);
  // Renumber at once: the selection follows the rows that stay.
  pRow->GetSection()->RefreshIndexes(FALSE, FALSE);
  AdjustLayout();
  EndUpdate();
}

void CTKReportControl::DoExpandRow(CTKReportRow* pRow) {
  if (!pRow || !pRow->GetSection() || pRow->GetIndex() < 0) return;
  CTKReportRows* rows = pRow->GetSection()->GetRows();
  const int index = pRow->GetIndex();
  const int focused = rows->GetFocusedRowIndex();
  BeginUpdate();
  const int inserted = InsertRowChildren(index, pRow);
  if (focused > index) rows->SetFocusedRowIndex(focused + inserted);
  // Renumbering keeps each row's selection: the blocks after the row move
  // down by the rows inserted, as ShiftRows would move them.
  pRow->GetSection()->RefreshIndexes(FALSE, FALSE);
  EndUpdate();
}

int CTKReportControl::InsertRowChildren(int nIndex, CTKReportRow* pRow) {
  if (!pRow || !pRow->GetSection()) return 0;
  BeginUpdate();
  const int inserted = pRow->GetSection()->InsertChildRows(nIndex, pRow);
  AdjustLayout();
  EndUpdate();
  return inserted;
}

void CTKReportControl::InsertRowAt(int nIndex, CTKReportRow* pRow) {
  if (!pRow) return;
  CTKReportRows* rows = m_pSectionBody->GetRows();
  nIndex = std::clamp(nIndex, 0, rows->GetCount());
  const int focused = rows->GetFocusedRowIndex();
  const int inserted = m_pSectionBody->InsertRow(nIndex, pRow);
  if (focused >= nIndex) rows->SetFocusedRowIndex(focused + inserted);
}

void CTKReportControl::RefreshIndexes(BOOL bAdjustLayout, BOOL bReverseOrder) {
  m_pSections->RefreshAllIndexes(bAdjustLayout, bReverseOrder);
}

void CTKReportControl::RefreshIndexesDeferred(BOOL bAdjustLayout, BOOL bReverseOrder) {
  if (m_nLockUpdateCount == 0) {
    RefreshIndexes(bAdjustLayout, bReverseOrder);
  } else {
    m_bRefreshIndexes = TRUE;
  }
}

CTKReportColumn* CTKReportControl::GetNextFocusableColumn(CTKReportRow* pRow, int nColumnIndex, int nDirection) {
  if (!pRow || !pRow->GetRecord()) return nullptr;
  const int count = m_pColumns->GetVisibleColumnsCount();
  for (int i = nColumnIndex; i >= 0 && i < count; i += nDirection) {
    CTKReportColumn* column = m_pColumns->GetVisibleAt(i);
    if (column && TKIsItemFocusable(pRow->GetRecord()->GetItem(column))) return column;
  }
  return nullptr;
}

// ---- records, filter and section settings ------------------------------------------------------

CTKReportRecord* CTKReportControl::AddRecord(CTKReportRecord* pRecord) {
  return m_pSectionBody->GetRecords()->Add(pRecord);
}

CTKReportColumn* CTKReportControl::AddColumn(CTKReportColumn* pColumn) {
  m_pColumns->Add(pColumn);
  return pColumn;
}

CString CTKReportControl::GetFilterText() { return m_strFilterText; }

void CTKReportControl::SetFilterText(LPCTSTR strFilterText) { m_strFilterText = strFilterText; }

BOOL CTKReportControl::IsFilterHiddenColumns() const { return m_bFilterHiddenColumns; }

void CTKReportControl::SetFilterHiddenColumns(BOOL bFilterHidden) { m_bFilterHiddenColumns = bFilterHidden; }

BOOL CTKReportControl::CanCut() { return IsVirtualMode() ? FALSE : CanCopy(); }

BOOL CTKReportControl::CanCopy() { return m_pSelectedRows->GetCount() > 0; }

void CTKReportControl::SetSortCompareFunction(T_CompareFunc pCompareFunc) { m_pRowsCompareFunc = pCompareFunc; }

HBITMAP CTKReportControl::GetWatermarkBitmap() const { return m_hbmpWatermark; }

void CTKReportControl::SetAllowEdit(BOOL bAllowEdit) { m_pSectionBody->AllowEdit(bAllowEdit); }
BOOL CTKReportControl::IsAllowEdit() const { return m_pSectionBody->IsAllowEdit(); }
CTKReportRows* CTKReportControl::GetBodyRows() const { return m_pSectionBody->GetRows(); }
CTKReportRows* CTKReportControl::GetHeaderRows() const { return m_pSectionHeader->GetRows(); }
CTKReportRows* CTKReportControl::GetFooterRows() const { return m_pSectionFooter->GetRows(); }
CTKReportRecords* CTKReportControl::GetRecords() const { return m_pSectionBody->GetRecords(); }
CTKReportRecords* CTKReportControl::GetHeaderRecords() const { return m_pSectionHeader->GetRecords(); }
CTKReportRecords* CTKReportControl::GetFooterRecords() const { return m_pSectionFooter->GetRecords(); }
BOOL CTKReportControl::IsHeaderRowsVisible() const { return m_pSectionHeader->IsVisible(); }
BOOL CTKReportControl::IsFooterRowsVisible() const { return m_pSectionFooter->IsVisible(); }
BOOL CTKReportControl::IsHeaderRowsAllowAccess() const { return m_pSectionHeader->IsAllowAccess(); }
BOOL CTKReportControl::IsFooterRowsAllowAccess() const { return m_pSectionFooter->IsAllowAccess(); }
BOOL CTKReportControl::IsHeaderRowsAllowEdit() const { return m_pSectionHeader->IsAllowEdit(); }
BOOL CTKReportControl::IsFooterRowsAllowEdit() const { return m_pSectionFooter->IsAllowEdit(); }
void CTKReportControl::HeaderRowsAllowEdit(BOOL bAllow) { m_pSectionHeader->AllowEdit(bAllow); }
void CTKReportControl::FooterRowsAllowEdit(BOOL bAllow) { m_pSectionFooter->AllowEdit(bAllow); }
BOOL CTKReportControl::IsHeaderRowsAllowSelection() const { return m_pSectionHeader->IsAllowSelection(); }
BOOL CTKReportControl::IsFooterRowsAllowSelection() const { return m_pSectionFooter->IsAllowSelection(); }
BOOL CTKReportControl::IsBodyRowsAllowSelection() const { return m_pSectionBody->IsAllowSelection(); }
void CTKReportControl::HeaderRowsAllowSelection(BOOL bAllow) { m_pSectionHeader->AllowSelection(bAllow); }
void CTKReportControl::FooterRowsAllowSelection(BOOL bAllow) { m_pSectionFooter->AllowSelection(bAllow); }
void CTKReportControl::BodyRowsAllowSelection(BOOL bAllow) { m_pSectionBody->AllowSelection(bAllow); }

void CTKReportControl::HeaderRowsAllowAccess(BOOL bAllow) {
  m_pSectionHeader->AllowAccess(bAllow);
  m_pNavigator->MoveToHeaderRows(bAllow);
}

void CTKReportControl::FooterRowsAllowAccess(BOOL bAllow) {
  m_pSectionFooter->AllowAccess(bAllow);
  m_pNavigator->MoveToFooterRows(bAllow);
}

void CTKReportControl::ShowHeaderRows(BOOL bShow) {
  m_pSectionHeader->SetVisible(bShow);
  if (!bShow) m_pNavigator->MoveToHeaderRows(FALSE);
  AdjustLayout();
  AdjustScrollBars();
}

void CTKReportControl::ShowFooterRows(BOOL bShow) {
  m_pSectionFooter->SetVisible(bShow);
  if (!bShow) m_pNavigator->MoveToFooterRows(FALSE);
  AdjustLayout();
  AdjustScrollBars();
}

CTKReportNavigator* CTKReportControl::GetIconNavigator() const { return m_pIconNavigator; }

void CTKReportControl::ResetContent(BOOL bUpdateControl) {
  EditItem(nullptr);
  if (m_pSectionBody) m_pSectionBody->ResetContent();
  if (m_pSelectedRows) m_pSelectedRows->Clear();
  if (bUpdateControl) {
    m_pReportHeader->SetIndentLevel(m_pColumns->GetGroupsOrder()->GetCount());
    AdjustScrollBars();
    RedrawControl();
  }
}

void CTKReportControl::EnableMarkup(BOOL bEnable) {
  if (bEnable == (m_pMarkupContext != nullptr)) return;
  if (bEnable) {
    m_pMarkupContext = new CTKMarkupContext();
    if (m_hWnd) MarkupSetContextWindow(m_pMarkupContext, m_hWnd);
  }
  if (m_pSections) m_pSections->SetMarkupContext(bEnable ? m_pMarkupContext : nullptr);
  if (!bEnable) MarkupReleaseContext(m_pMarkupContext);
}

namespace {

// The rows of the records and of their children, in record order: the
// first displayed row of each record, as a search of the display list
// would find it.
void CollectRecordRows(CTKReportRecords* pRecords, const std::unordered_map<CTKReportRecord*, CTKReportRow*>& rowOf,
                       std::vector<CTKReportRow*>& out) {
  for (int i = 0; i < pRecords->GetCount(); ++i) {
    CTKReportRecord* record = pRecords->GetAt(i);
    if (!record) continue;
    auto found = rowOf.find(record);
    if (found != rowOf.end() && found->second->GetIndex() >= 0) out.push_back(found->second);
    if (record->HasChildren()) CollectRecordRows(record->GetChilds(), rowOf, out);
  }
}

}  // namespace

void CTKReportControl::SelectAllRecords(CTKReportRecords* pRecords) {
  if (!pRecords) return;
  BeginUpdate();
  // One pass over the display list instead of a search per record.
  std::unordered_map<CTKReportRecord*, CTKReportRow*> rowOf;
  rowOf.reserve(static_cast<std::size_t>(m_pRows->GetCount()));
  for (int i = 0; i < m_pRows->GetCount(); ++i) {
    CTKReportRow* row = m_pRows->GetAt(i);
    if (row && row->GetRecord()) rowOf.emplace(row->GetRecord(), row);
  }
  std::vector<CTKReportRow*> rows;
  CollectRecordRows(pRecords, rowOf, rows);
  m_pSelectedRows->AddRows(rows);
  EndUpdate();
}

#ifndef NDEBUG
namespace {

BOOL Broken(CString* pWhy, const CString& text) {
  if (pWhy) *pWhy = text;
  return FALSE;
}

// Every row of the list names the list and its place in it, and the row
// above it in the tree as its parent; the same below it.
BOOL CheckRowTree(CTKReportRows* list, CTKReportRow* parent, int depth, CString* pWhy) {
  if (depth > 256) return Broken(pWhy, u"the row tree loops");
  for (int i = 0; i < list->m_arrRows.GetSize(); ++i) {
    CTKReportRow* row = list->m_arrRows[i];
    CString where;
    where.Format(u"tree row %d at depth %d", i, depth);
    if (!row) return Broken(pWhy, where + u" is null");
    if (row->GetParentRows() != list) return Broken(pWhy, where + u" names another parent list");
    if (row->GetChildIndex() != i) return Broken(pWhy, where + u" has a stale child index");
    if (row->GetParentRow() != parent) return Broken(pWhy, where + u" names another parent row");
    if (row->HasChildren() && !CheckRowTree(row->GetChildRows(), row, depth + 1, pWhy)) return FALSE;
  }
  return TRUE;
}

}  // namespace
#endif

BOOL CTKReportControl::CheckInvariants(CString* pWhy) const {
#ifdef NDEBUG
  (void)pWhy;
  return TRUE;
#else
  const CTKReportSection* sections[] = {m_pSectionBody, m_pSectionHeader, m_pSectionFooter};
  for (const CTKReportSection* section : sections) {
    if (!section || section->IsVirtualMode()) continue;
    if (!CheckRowTree(section->GetTreeRows(), nullptr, 0, pWhy)) return FALSE;
    // Display indexes are renumbered at the end of an update lock.
    if (m_bRefreshIndexes) continue;
    CTKReportRows* display = section->GetRows();
    for (int i = 0; i < display->GetCount(); ++i) {
      CTKReportRow* row = display->GetAt(i);
      CString where;
      where.Format(u"display row %d of section %d", i, section->GetSectionKind());
      if (!row) return Broken(pWhy, where + u" is null");
      if (row->GetIndex() != i) return Broken(pWhy, where + u" has another index");
      if (row->GetSection() != section) return Broken(pWhy, where + u" names another section");
    }
  }
  const auto& blocks = m_pSelectedRows->GetBlocks();
  const CTKReportSection* selected = GetSection(m_pSelectedRows->GetSectionKind());
  const int rows = selected ? selected->GetRows()->GetCount() : 0;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    CString where;
    where.Format(u"selection block %d [%d, %d)", static_cast<int>(i), blocks[i].nIndexBegin, blocks[i].nIndexEnd);
    if (blocks[i].nIndexBegin < 0 || blocks[i].nIndexBegin >= blocks[i].nIndexEnd)
      return Broken(pWhy, where + u" is empty");
    if (i > 0 && blocks[i - 1].nIndexEnd > blocks[i].nIndexBegin)
      return Broken(pWhy, where + u" is out of order or overlaps the one before");
    if (!m_bRefreshIndexes && blocks[i].nIndexEnd > rows) return Broken(pWhy, where + u" passes the last row");
  }
  return TRUE;
#endif
}

int CTKReportControl::GetFreezeColumnsCount() const {
  return m_nFreezeColumnsCount < m_pColumns->GetCount() ? m_nFreezeColumnsCount : 0;
}

void CTKReportControl::StoreFreezeColumnsCount(int nCount) {
  m_nFreezeColumnsCount = nCount >= 0 && nCount < m_pColumns->GetCount() ? nCount : 0;
}

void CTKReportControl::SetCheckedOnSelectedRows(int nItemIndex, BOOL bChecked) {
  for (int pos = m_pSelectedRows->GetFirstSelectedRowPosition(); pos > 0;) {
    CTKReportRow* row = m_pSelectedRows->GetNextSelectedRow(pos);
    CTKReportRecordItem* item = row && row->GetRecord() ? row->GetRecord()->GetItem(nItemIndex) : nullptr;
    if (item) item->SetChecked(bChecked);
  }
  RedrawControl();
}

int CTKReportControl::GetIndent(int nLevel) const { return std::max(0, (nLevel - 1) * PaintTreeIndent()); }
