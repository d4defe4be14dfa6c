// CTKReportControl: the report grid window. It owns the records of three
// sections (header rows, body rows, footer rows), the columns, the column
// header, the selection, the navigators, the in-place editors, the tip
// window and the paint manager, and turns records into displayed rows:
// filtered, sorted, grouped under caption rows, nested as tree rows, with
// the focused record kept across every rebuild. It talks to its owner
// only through WM_NOTIFY with the negative codes below.
//
// The members are split by family over reportcontrol*.cpp: construction,
// notifications and the rebuild (reportcontrol.cpp), record operations,
// filtering and focus (reportcontrol_records.cpp), selection helpers
// (reportcontrol_selection.cpp), the answers to the data classes
// (reportcontrol_host.cpp), what is read from the paint manager
// (reportcontrol_paintaccess.cpp), and members whose bodies land with the
// drawing, input, clipboard and state work (reportcontrol_pending.cpp).
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/collections.h"
#include "platform/base/cstring.h"
#include "platform/framework/afx.h"
#include "toolkit/common/accessible.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reportsection.h"

class CArchive;
class CBitmap;
class COleDataSource;
class CTKImageManager;
class CTKMarkupContext;
class CTKPropExchange;
class CTKToolTipContext;
class CTKReportBehavior;
class CTKReportColumn;
class CTKReportColumns;
class CTKReportDataHost;
class CTKReportDataManager;
class CTKReportHeader;
class CTKReportIconNavigator;
class CTKReportInplaceButtons;
class CTKReportInplaceEdit;
class CTKReportInplaceList;
class CTKReportNavigator;
class CTKReportPaintManager;
class CTKReportRecord;
class CTKReportRecordItem;
class CTKReportRecordItemConstraint;
class CTKReportRecords;
class CTKReportSelectedRows;
class CTKReportTip;
class CTKReportColumnOrder;

// ---- notification codes (WM_NOTIFY to the owner, else the parent) ----------------------------------
constexpr int TK_NM_REPORT_CLICK = -2;                // ReportItemNotify
constexpr int TK_NM_REPORT_DBLCLK = -3;               // ReportItemNotify
constexpr int TK_NM_REPORT_RCLICK = -5;               // ReportItemNotify
constexpr int TK_NM_REPORT_KEYDOWN = -15;             // NMKEY
constexpr int TK_NM_REPORT_CHAR = -18;                // NMCHAR
constexpr int TK_NM_REPORT_HEADER_RCLICK = -51;       // ReportItemNotify with the column
constexpr int TK_NM_REPORT_SELCHANGED = -52;          // header only
constexpr int TK_NM_REPORT_CHECKED = -53;             // ReportItemNotify
constexpr int TK_NM_REPORT_HYPERLINK = -54;           // ReportItemNotify with the link index
constexpr int TK_NM_REPORT_COLUMNCHANGED = -55;       // column and change flags
constexpr int TK_NM_REPORT_SORTORDERCHANGED = -56;    // header only
constexpr int TK_NM_REPORT_VALUECHANGED = -57;        // ReportItemNotify
constexpr int TK_NM_REPORT_INPLACEBUTTONDOWN = -58;   // item and button
constexpr int TK_NM_REPORT_ROWEXPANDED = -59;         // ReportItemNotify with the row
constexpr int TK_NM_REPORT_LBUTTONDOWN = -60;         // ReportItemNotify
constexpr int TK_NM_REPORT_GETITEMMETRICS = -61;      // TK_NM_REPORTITEMMETRICS
constexpr int TK_NM_REPORT_ITEMCHECKING = -62;        // ReportItemNotify plus cancel
constexpr int TK_NM_REPORT_BEFORE_COPY_TOTEXT = -63;  // TK_NM_REPORT_BEFORE_COPYPASTE
constexpr int TK_NM_REPORT_BEFORE_PASTE_FROMTEXT = -64;
constexpr int TK_NM_REPORT_BEFORE_PASTE = -65;
constexpr int TK_NM_REPORT_PRESORTORDERCHANGED = -67;   // header only
constexpr int TK_NM_REPORT_COLUMNWIDTHCHANGED = -68;    // column, previous and new width
constexpr int TK_NM_REPORT_PREVIEWKEYDOWN = -69;        // TK_NM_REPORTPREVIEWKEYDOWN
constexpr int TK_NM_REPORT_EDIT_CANCELED = -72;         // ReportItemNotify
constexpr int TK_NM_REPORT_CONSTRAINT_SELECTING = -73;  // TK_NM_REPORTCONSTRAINTSELECTING
constexpr int TK_NM_REPORT_GETTOOLTIPINFO = -74;        // TK_NM_REPORTTOOLTIPINFO
constexpr int TK_NM_REPORT_FOCUS_CHANGING = -76;        // TK_NM_REPORTREQUESTEDIT
constexpr int TK_NM_REPORT_BEGINEDIT = -78;             // ReportItemNotify
constexpr int TK_NM_REPORT_SELCHANGING = -80;           // TK_NM_SELECTION_CHANGING
constexpr int TK_NM_REPORT_COLUMNORDERCHANGED = -82;    // as -55
constexpr int TK_NM_REPORT_ITEMBUTTONCLICK = -83;       // item block
constexpr int TK_NM_REPORT_COLUMNEXPANDED = -84;        // ReportItemNotify with the column
constexpr int TK_NM_REPORT_SELCHANGED_RANGE = -88;      // TK_NM_SELECTION_RANGE
constexpr int TK_NM_REPORT_LBUTTONUP = -89;             // ReportItemNotify
constexpr int TK_NM_REPORT_BEGINDRAG = -109;            // ReportItemNotify
constexpr int TK_NM_REPORT_BEGINRDRAG = -111;           // ReportItemNotify

// Actions of the selection-changing notification.
constexpr int kTKReportSelectionAdd = 0;
constexpr int kTKReportSelectionRemove = 1;
constexpr int kTKReportSelectionClear = 2;

// Mouse modes of the control (the header's and the row resizing's).
constexpr int kTKReportMouseNothing = 0;
constexpr int kTKReportMouseOverColumnDivide = 1;
constexpr int kTKReportMousePrepareDragColumn = 2;
constexpr int kTKReportMouseDraggingColumn = 3;
constexpr int kTKReportMouseOverRowDivide = 5;

// The element kinds of GetElementRect.
constexpr int kTKReportElementBody = 0;
constexpr int kTKReportElementGroupBy = 1;
constexpr int kTKReportElementHeader = 2;
constexpr int kTKReportElementFooter = 3;
constexpr int kTKReportElementHeaderRows = 4;
constexpr int kTKReportElementFooterRows = 5;
constexpr int kTKReportElementHeaderDivider = 6;
constexpr int kTKReportElementFooterDivider = 7;

// The private message that asks for RedrawControl.
constexpr UINT TK_WM_REPORT_REDRAW = 0x2A5C;  // WM_USER + 9820

// The record-item notification block.
struct ReportItemNotify {
  NMHDR hdr;
  CTKReportRow* pRow;
  CTKReportRecordItem* pItem;
  CTKReportColumn* pColumn;
  int nHyperlink;
  POINT pt;
};

// -76: the focused row is about to change; bCancel refuses.
struct TK_NM_REPORTREQUESTEDIT : ReportItemNotify {
  BOOL bCancel;
};
// -62: the same layout for a check box about to change.
using TK_NM_REPORTITEMCHECKING = TK_NM_REPORTREQUESTEDIT;

// -80: a row about to be added (0) or removed (1), or the selection
// cleared (2, no row); a non-zero answer cancels.
struct TK_NM_SELECTION_CHANGING {
  NMHDR hdr;
  CTKReportRow* pRow;
  int nType;
};

// -88: rows [nBegin, nEnd] (display indexes, both included) were selected.
struct TK_NM_SELECTION_RANGE {
  NMHDR hdr;
  int nBegin;
  int nEnd;
};

// -61: the owner may change the metrics of the cell being drawn.
struct TK_NM_REPORTITEMMETRICS {
  NMHDR hdr;
  TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs;
  TK_REPORTRECORDITEM_METRICS* pItemMetrics;
};

// -74: the owner may change the tooltip text in place.
struct TK_NM_REPORTTOOLTIPINFO {
  NMHDR hdr;
  CTKReportRow* pRow;
  CTKReportRecordItem* pItem;
  int nReserved1;
  int nReserved2;
  int nReserved3;
  int nReserved4;
  CString* pstrText;
};

// -73: a choice was picked in the in-place list.
struct TK_NM_REPORTCONSTRAINTSELECTING {
  NMHDR hdr;
  CTKReportRow* pRow;
  CTKReportColumn* pColumn;
  CTKReportRecordItem* pItem;
  CTKReportRecordItemConstraint* pConstraint;
};

// -69: the owner may change the key or cancel it.
struct TK_NM_REPORTPREVIEWKEYDOWN {
  NMHDR hdr;
  UINT nChar;
  UINT nRepCnt;
  UINT nFlags;
  BOOL bCancel;
};

// -63, -64, -65: a record about to be copied as text, a text line about
// to become a record, a pasted record about to be added.
struct TK_NM_REPORT_BEFORE_COPYPASTE {
  NMHDR hdr;
  CTKReportRecord** ppRecord;
  CStringArray* parStrings;
};

class CTKReportControl : public CWnd, public CTKAccessible {
  DECLARE_DYNCREATE(CTKReportControl)

 public:
  // The custom row comparison (negative puts the first row first).
  using T_CompareFunc = CTKReportRows::T_CompareFunc;

  CTKReportControl();
  ~CTKReportControl() override;

  // ---- window ----
  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
              UINT nID, CCreateContext* pContext = nullptr) override;
  // A child window of the "TKReport" class.
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  static BOOL RegisterWindowClass(HINSTANCE hInstance = nullptr);
  void PreSubclassWindow() override;
  INT_PTR OnToolHitTest(CPoint point, TOOLINFOW* pTI) const override;
  CScrollBar* GetScrollBarCtrl(int nBar) const override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
  CCmdTarget* GetCmdTarget() override { return this; }

  // ---- virtual operations, in slot order ----
  virtual void SerializeState(CArchive& ar);                     // 1
  virtual void DoPropExchange(CTKPropExchange* pPX);             // 2
  virtual CTKReportRecord* AddRecord(CTKReportRecord* pRecord);  // 3
  virtual void AddRecordEx(CTKReportRecord* pRecord, CTKReportRecord* pParentRecord = nullptr, int nRowChildIndex = -1,
                           int nRecordChildIndex = -1);  // 4
  virtual BOOL RemoveRecordEx(CTKReportRecord* pRecord, BOOL bAdjustLayout = TRUE,
                              BOOL bRemoveFromParent = TRUE);                                             // 5
  virtual BOOL RemoveRowEx(CTKReportRow* pRow, BOOL bAdjustLayout = TRUE);                                // 6
  virtual void UpdateRecord(CTKReportRecord* pRecord, BOOL bUpdateChildren);                              // 7
  virtual void RebuildRows();                                                                             // 8
  virtual void RebuildHeaderRows();                                                                       // 9
  virtual void RebuildFooterRows();                                                                       // 10
  virtual void AdjustScrollBars();                                                                        // 11
  virtual void AdjustLayout();                                                                            // 12
  virtual CString GetFilterText();                                                                        // 13
  virtual void SetFilterText(LPCTSTR strFilterText);                                                      // 14
  virtual BOOL IsFilterHiddenColumns() const;                                                             // 15
  virtual void SetFilterHiddenColumns(BOOL bFilterHidden);                                                // 16
  virtual BOOL CanCut();                                                                                  // 17
  virtual BOOL CanCopy();                                                                                 // 18
  virtual BOOL CanPaste();                                                                                // 19
  virtual void Cut();                                                                                     // 20
  virtual void Copy();                                                                                    // 21
  virtual void Paste();                                                                                   // 22
  virtual BOOL IsEditMode();                                                                              // 23
  virtual void SetSortCompareFunction(T_CompareFunc pCompareFunc);                                        // 24
  virtual HBITMAP GetWatermarkBitmap() const;                                                             // 25
  virtual BOOL SetWatermarkBitmap(LPCTSTR szPath, BYTE nTransparency);                                    // 26
  virtual BOOL SetWatermarkBitmap(HBITMAP hBitmap, BYTE nTransparency);                                   // 27
  virtual CTKReportColumn* GetNextFocusableColumn(CTKReportRow* pRow, int nColumnIndex, int nDirection);  // 28
  virtual void OnDraw(CDC* pDC);                                                                          // 29
  virtual int DrawRows(CDC* pDC, CRect& rcClient, int y, CTKReportRows* pRows, int nTopRow, int nColumnFrom,
                       int nColumnTo, int* pnHeight = nullptr);                                          // 30
  virtual void DrawIconView(CDC* pDC, CRect& rcClient);                                                  // 31
  virtual void DrawNoItemsText(CDC* pDC, CRect rcClient);                                                // 32
  virtual void ReSortRows();                                                                             // 33
  virtual void DoCollapseRow(CTKReportRow* pRow);                                                        // 34
  virtual void DoExpandRow(CTKReportRow* pRow);                                                          // 35
  virtual int InsertRowChildren(int nIndex, CTKReportRow* pRow);                                         // 36
  virtual void InsertRowAt(int nIndex, CTKReportRow* pRow);                                              // 37
  virtual void RefreshIndexes(BOOL bAdjustLayout = TRUE, BOOL bReverseOrder = FALSE);                    // 38
  virtual void RefreshIndexesDeferred(BOOL bAdjustLayout = TRUE, BOOL bReverseOrder = FALSE);            // 39
  virtual BOOL IsRecordFiltered(CTKReportRecord* pRecord, CString strFilterText, BOOL bIncludePreview);  // 40
  virtual void OnSelectionChanged();                                                                     // 41
  virtual BOOL OnFocusChanging(CTKReportRow* pNewRow, CTKReportColumn* pNewCol);                         // 42
  virtual int OnGetItemMetrics(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                               TK_REPORTRECORDITEM_METRICS* pItemMetrics);                  // 43
  virtual CTKReportRow* CreateRow();                                                        // 44
  virtual CTKReportGroupRow* CreateGroupRow();                                              // 45
  virtual CTKReportRow* CreateHeapRow();                                                    // 46
  virtual void BeginDragRecords(CPoint point, UINT nFlags);                                 // 47
  virtual void BeginDragRecords(CPoint point, UINT nFlags, DWORD dwReserved);               // 48
  virtual BOOL OnBeforeCopyToText(CTKReportRecord* pRecord, CStringArray& rarStrings);      // 49
  virtual BOOL OnBeforePasteFromText(CStringArray& arStrings, CTKReportRecord** ppRecord);  // 50
  virtual BOOL OnBeforePaste(CTKReportRecord** ppRecord);                                   // 51
  virtual BOOL OnPreviewKeyDown(UINT& rnChar, UINT nRepCnt, UINT nFlags);                   // 52
  virtual int GetColumnDataWidth(CTKReportColumn* pColumn);                                 // 53
  virtual int GetRowsDataWidth(CDC* pDC, CTKReportRows* pRows, CTKReportColumn* pColumn, int nStartRow,
                               int nRowsCount);                                           // 54
  virtual void StartAutoScrollTimer();                                                    // 55
  virtual void StopAutoScrollTimer();                                                     // 56
  virtual void DoAutoScroll(int nStartX, int nStartY, int nX, int nY);                    // 57
  virtual int GetRowsHeight(CTKReportRows* pRows, int nTotalWidth, int nMaxHeight = -1);  // 58
  virtual BOOL OnConstraintSelecting(CTKReportRow* pRow, CTKReportColumn* pColumn, CTKReportRecordItem* pItem,
                                     CTKReportRecordItemConstraint* pConstraint);  // 59
  virtual const TK_NM_REPORTTOOLTIPINFO& OnGetToolTipInfo(CTKReportRow* pRow, CTKReportRecordItem* pItem,
                                                          CString& rstrToolTipText);           // 60
  virtual DROPEFFECT OnDragOver(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point);  // 61
  virtual BOOL OnDrop(COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point);       // 62
  virtual void RelayToolTipEvent(UINT message);                                                // 63
  virtual CString GetSelectedRowsAsText();                                                     // 64
  virtual BOOL ParseTextToRecords(const CString& strText, CTKReportRecords* pRecords);         // 65
  virtual CTKReportRecord* CreateRecordFromText(const CString& strLine);                       // 66
  virtual BOOL PrepareDataSource(CTKPropExchange* pPX);                                        // 67
  virtual BOOL ReadRecordsData(CTKPropExchange* pPX, CTKReportRecords* pRecords);              // 68
  virtual void DrawDropMarker(CDC* pDC);                                                       // 69
  virtual void DrawDropMarkerAt(CDC* pDC, int y);                                              // 70
  virtual BOOL IsRecordFilteredByText(CTKReportRecord* pRecord, CString strFilterText,
                                      BOOL bIncludePreview);  // 71

  // ---- owner-facing operations ----
  CTKReportColumn* AddColumn(CTKReportColumn* pColumn);
  // Writes a records block of the records (the clipboard format); FALSE
  // without records.
  BOOL WriteRecordsData(CTKPropExchange* pPX, CTKReportRecords* pRecords);
  CTKReportRow* GetFocusedRow();
  BOOL SetFocusedRow(CTKReportRow* pRow, BOOL bControlKey = FALSE);
  BOOL SetFocusedRowShift(CTKReportRow* pRow, BOOL bShiftKey, BOOL bControlKey = FALSE);
  BOOL SetFocusedRowEx(BOOL bEnsureVisible, CTKReportRow* pRow, BOOL bShiftKey, BOOL bControlKey);
  // Every focus change ends here; the owner's answer (FALSE refused).
  BOOL SetFocusedRowCore(CTKReportRow* pRow);
  BOOL IsFocusInside() const;
  BOOL EditItem(TK_REPORTRECORDITEM_ARGS* pItemArgs);
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  // Fills hwndFrom, idFrom and code and sends WM_NOTIFY to the owner, else
  // the parent; 0 without a window.
  LRESULT SendOwnerNotify(int nCode, NMHDR* pNMHDR = nullptr);
  LRESULT SendNotifyMessage(UINT nMessage, NMHDR* pNMHDR = nullptr) {
    return SendOwnerNotify(static_cast<int>(nMessage), pNMHDR);
  }
  LRESULT SendItemNotify(CTKReportRow* pRow, CTKReportRecordItem* pItem, CTKReportColumn* pColumn, int nCode,
                         POINT* pPoint = nullptr, int nHyperlink = -1);
  void SetAllowEdit(BOOL bAllowEdit);
  BOOL IsAllowEdit() const;
  CTKReportRows* GetBodyRows() const;
  CTKReportRows* GetRows() const { return GetBodyRows(); }
  CTKReportRows* GetHeaderRows() const;
  CTKReportRows* GetFooterRows() const;
  CTKReportRecords* GetRecords() const;
  CTKReportRecords* GetHeaderRecords() const;
  CTKReportRecords* GetFooterRecords() const;
  void ShowHeaderRows(BOOL bShow = TRUE);
  void ShowFooterRows(BOOL bShow = TRUE);
  BOOL IsHeaderRowsVisible() const;
  BOOL IsFooterRowsVisible() const;
  BOOL IsHeaderRowsAllowAccess() const;
  BOOL IsFooterRowsAllowAccess() const;
  void HeaderRowsAllowAccess(BOOL bAllow);
  void FooterRowsAllowAccess(BOOL bAllow);
  BOOL IsHeaderRowsAllowEdit() const;
  BOOL IsFooterRowsAllowEdit() const;
  void HeaderRowsAllowEdit(BOOL bAllow);
  void FooterRowsAllowEdit(BOOL bAllow);
  BOOL IsHeaderRowsAllowSelection() const;
  BOOL IsFooterRowsAllowSelection() const;
  BOOL IsBodyRowsAllowSelection() const;
  void HeaderRowsAllowSelection(BOOL bAllow);
  void FooterRowsAllowSelection(BOOL bAllow);
  void BodyRowsAllowSelection(BOOL bAllow);
  void ResetContent(BOOL bUpdateControl = TRUE);
  CTKReportDataManager* GetOrCreateDataManager();
  CTKMarkupContext* GetMarkupContext() const { return m_pMarkupContext; }
  void EnableMarkup(BOOL bEnable = TRUE);
  CRect GetElementRect(int nElement) const;
  void BeginUpdate();
  void EndUpdate();
  void RedrawControl();
  int GetLockUpdateCount() const { return m_nLockUpdateCount; }
  void SetFullColumnScrolling(BOOL bSet);
  void SetFreezeColumnsCount(int nCount, BOOL bAdjustParent = TRUE);
  // Checks what the rows and the selection must keep after every
  // operation: each section's row tree links (parent list, child index,
  // parent row), the display list's indexes, and the selection's blocks
  // sorted, non-empty, disjoint and within their section's rows. Compiled
  // out where NDEBUG is defined (release builds), where it answers TRUE.
  BOOL CheckInvariants(CString* pWhy = nullptr) const;
  // The frozen column count, always 0..columns-1: a count the columns no
  // longer allow answers 0. Stored only through SetFreezeColumnsCount and
  // StoreFreezeColumnsCount.
  int GetFreezeColumnsCount() const;
  // Stores the count without scrolling or laying out; a count outside
  // 0..columns-1 stores 0.
  void StoreFreezeColumnsCount(int nCount);
  void SetTopRow(int nIndex);
  // The body's horizontal scroll position in pixels: never below 0, and
  // pulled back within the columns' overflow by every scroll-bar update.
  int GetLeftOffset() const { return m_nLeftOffset; }
  void SetLeftOffset(int nOffset);
  // Back to the left edge without laying out (the caller lays the columns
  // out right after): the offset and the scroll bar's position become 0.
  void ResetLeftOffset();
  // Whole-column horizontal scrolling (else by pixels).
  BOOL IsFullColumnScrolling() const { return m_scrollModeH == kScrollModeWholeColumns; }
  // Vertical scrolling by pixels (else by rows); switching scrolls to the top.
  void SetVerticalPixelScrolling(BOOL bSet);
  BOOL IsVerticalPixelScrolling() const { return m_scrollModeV == kScrollModePixels; }
  // The body's top pixel in vertical pixel scrolling: 0..content height - page.
  int GetTopOffset() const { return m_nTopOffset; }
  // Whether the control shows its scroll bar (SB_HORZ or SB_VERT).
  BOOL IsScrollBarVisible(int nBar) const { return nBar == SB_HORZ ? m_bHScrollBarVisible : m_bVScrollBarVisible; }
  BOOL EnsureVisible(CTKReportRow* pRow);
  void EnsureColumnVisible(CTKReportColumn* pColumn);
  void SetIconView(BOOL bIconView);
  BOOL IsIconView() const { return m_bIconView; }
  void SelectAllRecords(CTKReportRecords* pRecords);
  void SetCheckedOnSelectedRows(int nItemIndex, BOOL bChecked);
  void ExpandAll(BOOL bRecursive = FALSE);
  void CollapseAll();
  void RecalculateFormulas(BOOL bAll);

  // The row and record removals under the shorter names callers use.
  BOOL RemoveRow(CTKReportRow* pRow, BOOL bAdjustLayout = TRUE) { return RemoveRowEx(pRow, bAdjustLayout); }
  BOOL RemoveRecord(CTKReportRecord* pRecord, BOOL bAdjustLayout = TRUE) {
    return RemoveRecordEx(pRecord, bAdjustLayout);
  }

  // ---- parts ----
  CTKReportColumns* GetColumns() const { return m_pColumns; }
  CTKReportHeader* GetReportHeader() const { return m_pReportHeader; }
  CTKReportSections* GetSections() const { return m_pSections; }
  CTKReportSection* GetSection(int nKind) const;
  CTKReportSelectedRows* GetSelectedRows() const { return m_pSelectedRows; }
  CTKReportNavigator* GetNavigator() const { return m_pNavigator; }
  CTKReportNavigator* GetRowNavigator() const { return m_pRowNavigator; }
  CTKReportNavigator* GetIconNavigator() const;
  CTKReportPaintManager* GetPaintManager() const { return m_pPaintManager; }
  CTKImageManager* GetImageManager() const { return m_pImageManager; }
  CTKReportBehavior* GetBehavior() const { return m_pBehavior; }
  CTKToolTipContext* GetToolTipContext() const { return m_pToolTipContext; }
  CTKReportTip* GetTip() const { return m_pTip; }
  CTKReportInplaceEdit* GetInplaceEdit() const { return m_pInplaceEdit; }
  CTKReportInplaceButtons* GetInplaceButtons() const { return m_pInplaceButtons; }
  CTKReportInplaceList* GetInplaceList() const { return m_pInplaceList; }
  T_CompareFunc GetSortCompareFunction() const { return m_pRowsCompareFunc; }
  // What the records, items and columns ask of this control.
  CTKReportDataHost* GetDataHost() const { return m_pDataHost.get(); }

  // ---- settings ----
  BOOL IsMultipleSelection() const { return m_bMultipleSelection; }
  void SetMultipleSelection(BOOL b) { m_bMultipleSelection = b; }
  BOOL IsMultiSelectionMode() const { return m_bMultiSelectionMode; }
  void SetMultiSelectionMode(BOOL b) { m_bMultiSelectionMode = b; }
  BOOL IsSkipGroupsFocusEnabled() const { return m_bSkipGroupsFocus; }
  void SkipGroupsFocus(BOOL b) { m_bSkipGroupsFocus = b; }
  BOOL IsSelectionExcludeGroupRows() const { return m_bSelectionExcludeGroupRows; }
  void SetSelectionExcludeGroupRows(BOOL b) { m_bSelectionExcludeGroupRows = b; }
  BOOL IsInitialSelectionEnabled() const { return m_bInitialSelectionEnable; }
  void EnableInitialSelection(BOOL b) { m_bInitialSelectionEnable = b; }
  BOOL IsFocusSubItems() const { return m_bFocusSubItems; }
  void FocusSubItems(BOOL b) { m_bFocusSubItems = b; }
  BOOL IsSortRecordChilds() const { return m_bSortRecordChilds; }
  void SetSortRecordChilds(BOOL b) { m_bSortRecordChilds = b; }
  BOOL IsLockExpand() const { return m_bLockExpand; }
  void LockExpand(BOOL b) { m_bLockExpand = b; }
  BOOL IsVirtualMode() const;
  BOOL IsGroupByVisible() const { return m_bGroupByEnabled; }
  BOOL IsHeaderVisible() const { return m_bHeaderVisible; }
  BOOL IsFooterVisible() const { return m_bFooterVisible; }
  // Each shows or hides its element and lays the control out again. Icon
  // view keeps the header and the footer hidden; what is asked while it is
  // on shows when the row view comes back.
  void ShowGroupBy(BOOL bShow);
  void ShowHeader(BOOL bShow);
  void ShowFooter(BOOL bShow);
  BOOL IsFilterTabsOnly() const { return m_bFilterTabsOnly; }
  void SetFilterTabsOnly(BOOL b) { m_bFilterTabsOnly = b; }
  int GetFilterMode() const { return m_nRecordsTreeFilterMode; }
  void SetFilterMode(int nMode) { m_nRecordsTreeFilterMode = nMode; }
  BOOL IsVariableRowHeight() const { return m_bFreeHeightMode; }
  void SetVariableRowHeight(BOOL b) { m_bFreeHeightMode = b; }
  int GetDefaultRowHeight() const { return m_nDefaultRowFreeHeight; }
  void SetDefaultRowHeight(int n) { m_nDefaultRowFreeHeight = n; }
  int GetIconViewColumn() const { return m_nIconColumnIndex; }
  // The item index of the column that gives each record's icon and caption
  // in icon view (-1: icon view cannot be switched on). FALSE, and nothing
  // changes, while icon view is on: switch it off first.
  BOOL SetIconViewColumn(int nItemIndex);
  // Whether the icon-view column stays in the row view after icon view
  // ends, and where (its position among the columns; -1: not placed, the
  // column is hidden). Kept there, it shows the row numbers.
  void SetKeepIconColumnInRowView(BOOL bKeep, int nPosition = 0) {
    m_bKeepIconColumnInRowView = bKeep;
    m_nIconColumnRowViewPosition = nPosition;
  }
  BOOL IsKeepIconColumnInRowView() const { return m_bKeepIconColumnInRowView; }
  int GetIconColumnRowViewPosition() const { return m_nIconColumnRowViewPosition; }
  // The column rows draw their numbers in when they have no item for it:
  // the icon-view column kept in the row view; null otherwise.
  CTKReportColumn* GetRowNumberColumn() const;
  // Icons per line in icon view (set by the layout).
  int GetIconViewColumnsCount() const { return std::max(1, m_iIconViewColumns); }
  int GetMouseMode() const { return m_mouseMode; }
  void SetMouseMode(int nMode) { m_mouseMode = nMode; }
  CTKReportColumn* GetFocusedColumn() const { return m_pFocusedColumn; }
  // FALSE when the owner refused the focus change.
  BOOL SetFocusedColumn(CTKReportColumn* pColumn);
  BOOL IsShiftAtLastKeyUp() const { return m_bShiftAtKeyUp; }
  // The last mouse press: its client point and the Ctrl and Shift keys then.
  CPoint GetMouseDownPoint() const { return m_pointMouse; }
  BOOL IsControlKeyAtMouseDown() const { return m_bWasControlKey; }
  BOOL IsShiftKeyAtMouseDown() const { return m_bWasShiftKey; }
  // The row and the hyperlink (-1 none) under the mouse.
  CTKReportRow* GetHotRow() const { return m_pHotRow; }
  int GetHotHyperlink() const { return m_nHotHyperlink; }
  // The cell being edited; null when none.
  TK_REPORTRECORDITEM_ARGS* GetActiveItemArgs() const { return m_pActiveItemArgs; }
  // Whether the rows are grouped (the group order has columns).
  BOOL IsGrouped() const;

  // ---- what is read from the paint manager (defaults while there is none) ----
  // The height of a row (group or plain) as the paint manager gives it.
  int PaintRowHeight(CTKReportRow* pRow, CDC* pDC) const;
  int PaintTreeIndent() const;
  BOOL PaintIsPreviewMode() const;
  int PaintExpandButtonWidth(CTKReportRow* pRow) const;
  int PaintGroupIndent() const;
  // Adds the paint manager's text font and colours to fresh metrics.
  void PaintInitMetrics(TK_REPORTRECORDITEM_METRICS* pMetrics) const;
  // The selection colours for a selected cell (focus: the control has it).
  void PaintSelectionColors(TK_REPORTRECORDITEM_METRICS* pMetrics, BOOL bFocused) const;
  // The paint manager's height of a divider style.
  int PaintDividerHeight(int nStyle) const;

  // ---- helpers shared by the families ----
  // Deselects every group row of the body (outside virtual mode, with
  // passing over group rows on).
  void DeselectGroupRows();
  // The selection's group-row clean-up as range selections run it.
  void CleanSelectionGroupRows();
  // The page-size count: how many rows fit from the top row on.
  int GetReportAreaRows(int nStartRow, BOOL bMoveDown);
  // The tree indentation, in pixels, of a row's level.
  int GetIndent(int nLevel) const;
  // Pixel-mode vertical scrolling: the body's top pixel.
  void SetTopOffset(int nOffset);
  // The first row of the last page (counted up from the last row).
  int GetRowsFittingFromBottom();
  // Invalidates the scroll bar control, or the frame for the own bars.
  void RedrawScrollBar(int nBar);

  // ---- input helpers ----
  // The row under a client point (through the sections' screen rows).
  CTKReportRow* HitTestRow(POINT pt) const;
  // The delayed edit: timer 20 runs once after the double-click time; timer
  // 10 keeps the remembered cell for 3 seconds after a delayed edit.
  void StartDelayEditTimer();
  void KillDelayEditMaxTimer(BOOL bForgetCell);
  // A click that may edit a cell (row index, column item index): a click on
  // the remembered cell starts the delayed edit, any other click makes its
  // cell the remembered one.
  void OnDelayEditClick(int nRowIndex, int nColumnIndex);
  // One mouse button event (nButton 1 left, 3 right; nEvent 0 down, 1 up)
  // dispatched through the behaviour settings.
  void OnMouseButtonEvent(int nButton, int nEvent, UINT nFlags, CPoint point);

  // ---- accessibility ----
  HRESULT GetAccessibleChildCount(LONG* pcountChildren) override;
  HRESULT GetAccessibleName(VARIANT varChild, BSTR* pszName) override;
  HRESULT GetAccessibleRole(VARIANT varChild, VARIANT* pvarRole) override;
  HRESULT GetAccessibleParent(IDispatch** ppdispParent) override;
  HRESULT GetAccessibleChild(VARIANT varChild, IDispatch** ppdispChild) override;
  HRESULT GetAccessibleState(VARIANT varChild, VARIANT* pvarState) override;
  HRESULT AccessibleLocation(LONG* pxLeft, LONG* pyTop, LONG* pcxWidth, LONG* pcyHeight, VARIANT varChild) override;
  HRESULT AccessibleHitTest(LONG xLeft, LONG yTop, VARIANT* pvarChild) override;

 protected:
  // ---- window messages ----
  DECLARE_MESSAGE_MAP()
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* pDC);
  void OnSize(UINT nType, int cx, int cy);
  void OnEnable(BOOL bEnable);
  void OnTimer(UINT_PTR nIDEvent);
  LRESULT OnNcHitTest(CPoint point);
  void OnSetFocus(CWnd* pOldWnd);
  void OnKillFocus(CWnd* pNewWnd);
  void OnMouseMove(UINT nFlags, CPoint point);
  BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  void OnRButtonDown(UINT nFlags, CPoint point);
  void OnRButtonUp(UINT nFlags, CPoint point);
  void OnContextMenu(CWnd* pWnd, CPoint pos);
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnSysKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnCaptureChanged(CWnd* pWnd);
  void OnSysColorChange();
  UINT OnGetDlgCode();
  void OnStyleChanged(int nStyleType, LPSTYLESTRUCT lpStyleStruct);
  LRESULT OnPrintClient(WPARAM wParam, LPARAM lParam);
  LRESULT OnGetObject(WPARAM wParam, LPARAM lParam);
  void OnMouseLeave();
  LRESULT OnRedrawRequest(WPARAM wParam, LPARAM lParam);

  // The two halves of AdjustScrollBars.
  void UpdateHorizontalScrollBar();
  void UpdateVerticalScrollBar();
  // Shows or hides a scroll bar; a change lays the control out again.
  void ShowScrollBarIfNeeded(int nBar, BOOL bNeeded);
  // Shows or hides an element and lays the control out again; in icon view
  // an element it keeps hidden (with its row-view flag) only remembers it.
  void ShowElement(BOOL* pShown, BOOL* pShownInRowView, BOOL bShow);
  // The body drawn into a DC: OnDraw, then the disabled look.
  void PaintTo(CDC* pDC);
  // The watermark blended into the body band.
  void DrawWatermark(CDC* pDC, CRect rcBand);
  // Merged cells and the empty-area grid of DrawRows.
  void DrawEmptyArea(CDC* pDC, const CRect& rcRows, int y);

  // Runs the focus-and-select update of SetFocusedRowEx for the row.
  void UpdateSelectionForFocus(CTKReportRow* pRow, int nPrevFocused, BOOL bShiftKey, BOOL bControlKey);
  // The focused row's first data row when it is a group row.
  static CTKReportRow* FirstDataRow(CTKReportRow* pRow);
  // The filter text split into lowered tokens, cached per filter text.
  const std::vector<CString>& FilterTokens(const CString& strFilterText);
  // Removes a row and, when emptied, its group rows from the tree and the
  // display list; TRUE when a row was removed.
  BOOL RemoveRowFromTree(CTKReportRow* pRow);
  // RemoveRowEx for many rows in one pass over the tree, the display list
  // and the collections touched; TRUE when anything was removed.
  BOOL RemoveRowsTogether(const std::vector<CTKReportRow*>& rows, BOOL bAdjustLayout);
  // The layout state: stored as it is; loaded by reading it whole, then
  // applying it only when all of it can be applied.
  struct StoredState;
  void StoreState(CTKPropExchange* pPX, BOOL bIconView);
  BOOL ReadStoredState(CTKPropExchange* pPX, BOOL bIconView, StoredState& state, CString& strReason);
  void ApplyStoredState(const StoredState& state);
  // Adds a row for the record under the current sorting and grouping.
  void InsertRecordRow(CTKReportRecord* pRecord, CTKReportRecord* pParentRecord, int nRowChildIndex);

 public:
  // ---- plain settings ----
  // Switches read where they apply and kept nowhere else: an owner may write
  // them between calls. Everything the layout, the scroll position, the
  // focus, the selection or the editors depend on is private below and
  // changes only through calls.
  BOOL m_bDoubleBuffering = TRUE;
  int m_nHScrollStep = 7;
  int m_nVScrollStep = 7;
  int m_nFreezeColumnsAbs = 0;
  BOOL m_bMovePivot = FALSE;
  BOOL m_bForcePagination = FALSE;
  BOOL m_bStrictBestFit = FALSE;
  BOOL m_bDesktopTrackerMode = FALSE;
  BOOL m_bSelectionExcludeGroupRows = TRUE;
  BOOL m_bSkipGroupsFocus = TRUE;
  BOOL m_bInitialSelectionEnable = TRUE;
  BOOL m_bMultipleSelection = TRUE;
  BOOL m_bMultiSelectionMode = FALSE;
  BOOL m_bBlockSelection = FALSE;  // clear the selection on a click in the empty area
  BOOL m_bKeepSelectionAfterSort = TRUE;
  BOOL m_bFocusSubItems = FALSE;
  BOOL m_bEditOnClick = TRUE;
  BOOL m_bEditOnDelayClick = FALSE;
  BOOL m_bEditOnDoubleClick = TRUE;
  BOOL m_bEditAfterIcon = TRUE;
  BOOL m_bNoEditAfterTab = FALSE;
  BOOL m_bCheckboxToggleOnClick = TRUE;
  BOOL m_bLockExpand = FALSE;
  BOOL m_bSortRecordChilds = FALSE;
  BOOL m_bFreeHeightMode = FALSE;
  int m_nDefaultRowFreeHeight = 20;
  BOOL m_bShowTooltips = TRUE;
  CString m_strFilterText;
  BOOL m_bFilterHiddenColumns = FALSE;
  BOOL m_bFilterTabsOnly = FALSE;
  int m_nRecordsTreeFilterMode = 0;
  BYTE m_WatermarkTransparency = 100;
  int m_nWatermarkAlignment = 0x100;
  int m_nAutoScrollTimerInterval = 200;
  UINT m_uDelayEditTimerInterval = 0;
  UINT m_cfReport = 0;
  BOOL m_bDropAccept = FALSE;
  DWORD m_dwDropMarkerFlags = 1;

 private:
  // Stored scroll modes: horizontal 1 whole columns, 2 pixels; vertical 1
  // rows, 2 pixels.
  static constexpr int kScrollModeWholeColumns = 1;
  static constexpr int kScrollModeRows = 1;
  static constexpr int kScrollModePixels = 2;

  // ---- owned parts ----
  CTKReportBehavior* m_pBehavior = nullptr;
  CTKReportTip* m_pTip = nullptr;
  CTKReportSections* m_pSections = nullptr;
  CTKReportSection* m_pSectionHeader = nullptr;
  CTKReportSection* m_pSectionBody = nullptr;
  CTKReportSection* m_pSectionFooter = nullptr;
  CTKReportRows* m_pRows = nullptr;  // the body's display list
  CTKReportColumns* m_pColumns = nullptr;
  CTKReportHeader* m_pReportHeader = nullptr;
  CTKReportPaintManager* m_pPaintManager = nullptr;
  CTKReportNavigator* m_pRowNavigator = nullptr;
  CTKReportIconNavigator* m_pIconNavigator = nullptr;
  CTKReportNavigator* m_pNavigator = nullptr;
  CTKReportSelectedRows* m_pSelectedRows = nullptr;
  CTKImageManager* m_pImageManager = nullptr;
  CTKReportInplaceEdit* m_pInplaceEdit = nullptr;
  CTKReportInplaceButtons* m_pInplaceButtons = nullptr;
  CTKReportInplaceList* m_pInplaceList = nullptr;
  CTKToolTipContext* m_pToolTipContext = nullptr;
  TK_NM_REPORTTOOLTIPINFO* m_pCachedToolTipInfo = nullptr;
  void* m_pDropTarget = nullptr;  // the OLE drop target, made by the drag-and-drop work
  CBitmap* m_pBackBuffer = nullptr;
  CTKReportDataManager* m_pDataManager = nullptr;
  CTKMarkupContext* m_pMarkupContext = nullptr;
  std::unique_ptr<CTKReportDataHost> m_pDataHost;

  // ---- state kept by the control's own calls ----
  BOOL m_bChanged = TRUE;  // redraw needed
  BOOL m_bRefreshIndexes = FALSE;
  BOOL m_bRefreshIndexesAdjust = FALSE;
  BOOL m_bRefreshIndexesReverse = FALSE;
  int m_nLockUpdateCount = 0;
  int m_scrollModeH = 2;
  int m_scrollModeV = 1;
  int m_nLeftOffset = 0;
  int m_nTopOffset = 0;
  BOOL m_bGroupByEnabled = FALSE;
  BOOL m_bHeaderVisible = TRUE;
  BOOL m_bFooterVisible = FALSE;
  T_CompareFunc m_pRowsCompareFunc = nullptr;
  BOOL m_bIconView = FALSE;
  int m_nIconColumnIndex = -1;
  int m_iIconViewColumns = 1;
  BOOL m_bKeepIconColumnInRowView = FALSE;
  int m_nIconColumnRowViewPosition = -1;
  HBITMAP m_hbmpWatermark = nullptr;
  CTKReportColumnOrder* m_pIconViewColumnsOrder = nullptr;  // the group order saved by icon view
  CTKReportColumnOrder* m_pPrevVisible = nullptr;           // the visible columns saved by icon view
  // The row-view settings icon view switches off, restored when it ends.
  struct IconViewSaved {
    BOOL bHeaderVisible = TRUE;
    BOOL bFooterVisible = FALSE;
    BOOL bFocusSubItems = FALSE;
    BOOL bAutoColumnSizing = TRUE;
    int nHorizontalGrid = 0;
    int nVerticalGrid = 0;
    BOOL bHeaderRows = FALSE;
    BOOL bFooterRows = FALSE;
    int nTreeIndent = 20;
    BOOL bPreviewMode = FALSE;
  } m_iconViewSaved;
  int m_nIconViewCellWidth = 0;
  int m_nIconViewCellHeight = 0;

  // ---- transient state ----
  int m_mouseMode = 0;
  CTKReportColumn* m_pFocusedColumn = nullptr;
  TK_REPORTRECORDITEM_ARGS* m_pActiveItemArgs = nullptr;
  CTKReportRow* m_pEditRow = nullptr;  // held while editing in virtual mode
  CTKReportRow* m_pHotRow = nullptr;
  CTKReportRow* m_pLastMouseRow = nullptr;  // for leave tracking; not held
  BOOL m_bMouseLeaving = FALSE;
  int m_nHotHyperlink = -1;
  CPoint m_pointMouse;
  BOOL m_bWasShiftKey = FALSE;
  BOOL m_bWasControlKey = FALSE;
  BOOL m_bShiftAtKeyUp = FALSE;
  UINT m_nLastButtonMessage = 0;
  CPoint m_pointDrag;
  BOOL m_bPrepareDrag = FALSE;
  int m_iLastRqstEditRow = -1;
  int m_iLastRqstEditCol = -1;
  UINT_PTR m_uiDelayEditTimer = 0;
  UINT_PTR m_uiDelayEditMaxTimer = 0;
  UINT_PTR m_uAutoScrollTimerID = 0;
  BOOL m_bHScrollBarVisible = FALSE;
  BOOL m_bVScrollBarVisible = FALSE;
  int m_nEnsureVisibleRowIdx = -1;
  int m_nEnsureVisibleTopRowIdx = -1;
  int m_nEnsureVisibleColumnIdx = -1;
  BOOL m_bAdjustLayoutRunning = FALSE;
  BOOL m_bInAdjustScrollBars = FALSE;
  BOOL m_bOnSizeRunning = FALSE;
  BOOL m_bCreatedByCreate = FALSE;
  CRect m_rcGroupByArea;
  CRect m_rcHeaderArea;
  CRect m_rcFooterArea;
  CRect m_rcReportArea;
  int m_nDropPos = -1;
  CArray<CTKReportRecord*, CTKReportRecord*> m_arrSavedSelection;
  std::vector<int> m_arrSavedIndexes;  // selected rows at the last CollapseAll
  int m_nFreezeColumnsCount = 0;
  BOOL m_bRelayingToTip = FALSE;  // a message is being relayed to the cell tip
  // The tokens of the last filter text asked for.
  CString m_strTokensFor;
  BOOL m_bTokensTabsOnly = FALSE;
  BOOL m_bTokensValid = FALSE;
  std::vector<CString> m_arrFilterTokens;
  // The lowered captions of the record being filtered (reused).
  std::u16string m_filterSearchText;
};
