// Rows of the report grid: the displayed face of one record
// (CTKReportRow), or the caption row of a group (CTKReportGroupRow).
//
// A row knows its place in two structures: the section's tree of rows
// (parent row, child rows, depth, group level) and the section's flat
// display list (its index there, -1 while not displayed). Rows are
// reference-counted: every row collection that holds a row holds one
// reference. They are rebuilt from records on every population and never
// edited as the primary data.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "toolkit/common/accessible.h"
#include "toolkit/report/reportallocator.h"
#include "toolkit/report/reportrecorditem.h"

class CDC;
class CTKReportControl;
class CTKReportSection;
class CTKReportColumns;
class CTKReportRows;
class CTKReportRow;
class CTKReportRecord;
class CTKReportRecordMergeItems;
class CTKReportTip;
class CTKMarkupInputElement;
struct TOOLINFOW;

// What a row needs to draw itself: the device context, the row and clip
// rectangles, the horizontal scroll offset, the columns to draw (last one
// exclusive) and the collector of merged cells.
struct TK_REPORTDRAWROWARGS {
  CDC* pDC = nullptr;
  RECT rcRow{};
  RECT rcClip{};
  int nHScrollOffset = 0;
  int nColumnFrom = 0;
  int nColumnTo = 0;
  CTKReportRecordMergeItems* pMergeItems = nullptr;
  BOOL bPrinting = FALSE;
};

// The command target of rows with its accessible part.
class CTKReportRowBase : public CCmdTarget, public CTKAccessible {
 public:
  CCmdTarget* GetCmdTarget() override { return this; }
};

class CTKReportRow : public CTKBatchAllocObjT<CTKReportRowBase, CTKReportRow_BatchData, CTKReportRowAllocator> {
 public:
  CTKReportRow();
  ~CTKReportRow() override;

  // ---- set-up ----
  // Stores control and section; with a record, holds a reference on it and
  // takes its expanded flag.
  virtual void InitRow(CTKReportControl* pControl, CTKReportSection* pSection, CTKReportRecord* pRecord);
  virtual void InitRowFrom(CTKReportRow* pRow);
  virtual CTKReportRecord* GetRecord() const { return m_pRecord; }

  // ---- drawing and geometry ----
  virtual void Draw(TK_REPORTDRAWROWARGS* pDrawArgs);
  virtual void DrawItemGrid(CDC* pDC, CTKReportColumn* pColumn, RECT rcGrid);
  // The row's height for the width, preview included; 0 without a control.
  virtual int GetHeight(CDC* pDC, int nWidth);
  virtual int GetIndex() const { return m_nIndex; }

  // ---- state ----
  virtual BOOL IsFocused() const;
  virtual BOOL IsSelected() const;
  virtual BOOL IsExpanded() const { return m_bExpanded; }
  virtual void SetExpanded(BOOL bExpanded, BOOL bRecursive = FALSE);
  virtual BOOL IsVisible() const { return m_bVisible; }
  virtual void SetVisible(BOOL bVisible) { m_bVisible = bVisible; }
  virtual BOOL IsExpandLocked() const;
  virtual void SetExpandLocked(BOOL bLocked) { m_bExpandLocked = bLocked; }
  virtual void SetSelected(BOOL bSelected);
  virtual void SelectChildRows();
  virtual BOOL IsGroupRow() const { return FALSE; }

  // ---- input ----
  // The item under the point; its rectangle and column when asked.
  virtual CTKReportRecordItem* HitTest(POINT ptPoint, RECT* pRectItem = nullptr,
                                       CTKReportColumn** ppColumn = nullptr) const;
  virtual void OnClick(POINT ptClicked);
  virtual BOOL OnLButtonDown(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs);
  virtual BOOL OnLButtonUp(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs);
  virtual void OnDblClick(POINT ptClicked);
  virtual void OnMouseMove(UINT nFlags, POINT point);
  virtual void OnContextMenu(POINT ptClick);
  virtual void ShowToolTip(POINT ptTip, CTKReportTip* pTipWnd);

  // ---- tree ----
  virtual CTKReportRow* GetParentRow() const { return m_pParentRow; }
  virtual CTKReportRows* GetParentRows() const { return m_pParentRows; }
  virtual int GetTreeDepth() const { return m_nRowLevel; }
  // TRUE when the row is this row's parent or, recursively, its parent's.
  virtual BOOL IsParent(CTKReportRow* pRow) const;
  // Created on first use when asked.
  virtual CTKReportRows* GetChildRows(BOOL bCreate = FALSE);
  virtual CTKReportRow* AddChild(CTKReportRow* pRow);
  virtual BOOL HasChildren() const;
  virtual CTKReportRow* GetNextSiblingRow() const;
  virtual void SetExpandButtonRect(RECT rcExpandButton) { m_rcCollapse = rcExpandButton; }
  virtual BOOL IsPreviewVisible() const;
  // Whether the row draws and hit-tests its cells.
  virtual BOOL IsItemsVisible() const { return TRUE; }
  virtual RECT GetRect() const { return m_rcRow; }
  virtual void GetItemMetrics(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pItemMetrics);
  virtual int GetGroupLevel() const { return m_nGroupLevel; }
  virtual RECT GetItemRect(CTKReportRecordItem* pItem);
  virtual BOOL IsLastTreeRow() const;
  virtual void EnsureVisible();
  // For the tree column: moves rc.left past the indentation and the expand
  // button; the button width plus 2.
  virtual int ShiftTreeIndent(RECT& rcItem, CTKReportColumn* pColumn) const;
  virtual void FillItemMetrics(CTKReportColumn* pColumn, CTKReportRecordItem* pItem,
                               TK_REPORTRECORDITEM_METRICS* pMetrics);
  virtual INT_PTR OnToolHitTest(POINT point, TOOLINFOW* pTI);
  virtual void SetIndex(int nIndex) { m_nIndex = nIndex; }

  // ---- non-virtual ----
  CTKReportControl* GetControl() const { return m_pControl; }
  CTKReportSection* GetSection() const { return m_pSection; }
  void SetSection(CTKReportSection* pSection) { m_pSection = pSection; }
  // 0 body rows, 1 header rows, 2 footer rows; -1 without a section.
  int GetSectionType() const;
  int GetChildIndex() const { return m_nChildIndex; }
  RECT GetExpandButtonRect() const { return m_rcCollapse; }
  int GetPreviewHeight() const { return m_nPreviewHeight; }
  int GetRowHeight() const { return m_nFreeHeight; }
  void SetRowHeight(int nHeight) { m_nFreeHeight = nHeight; }

  // ---- accessibility ----
  HRESULT GetAccessibleParent(IDispatch** ppdispParent) override;
  HRESULT GetAccessibleChildCount(LONG* pcountChildren) override;
  HRESULT GetAccessibleName(VARIANT varChild, BSTR* pszName) override;
  HRESULT GetAccessibleRole(VARIANT varChild, VARIANT* pvarRole) override;
  HRESULT GetAccessibleState(VARIANT varChild, VARIANT* pvarState) override;
  HRESULT AccessibleLocation(LONG* pxLeft, LONG* pyTop, LONG* pcxWidth, LONG* pcyHeight, VARIANT varChild) override;
  HRESULT AccessibleHitTest(LONG xLeft, LONG yTop, VARIANT* pvarChild) override;

 protected:
  // The right edge of the last of the first `frozen` visible columns; 0
  // when none is frozen. Scrolled cells are clipped to start there.
  static int FrozenColumnsRight(CTKReportColumns* columns, int frozen);
  // Keeps the rows that have no child records selected as they were
  // across a toggle of this row's expanded state.
  void ToggleKeepingSelection();
  // Row resizing in variable-row-height mode: a tracked line sets the
  // row's (and its record's) height.
  void TrackRowHeight(POINT ptClient);

 public:
  CTKReportControl* m_pControl = nullptr;
  CTKReportRecord* m_pRecord = nullptr;
  CTKReportRow* m_pParentRow = nullptr;
  CTKReportRows* m_pParentRows = nullptr;
  CTKReportRows* m_pChilds = nullptr;
  CTKReportSection* m_pSection = nullptr;
  RECT m_rcRow{};
  RECT m_rcCollapse{};
  int m_nIndex = -1;
  int m_nGroupLevel = 0;
  int m_nRowLevel = 0;
  BOOL m_bVisible = FALSE;
  BOOL m_bExpanded = TRUE;
  BOOL m_bLockExpand = FALSE;
  BOOL m_bExpandLocked = FALSE;
  int m_nPreviewHeight = 0;
  int m_nFreeHeight = 0;
  int m_nChildIndex = -1;
};

class CTKReportGroupRow : public CTKBatchAllocObjT<CTKReportRow, CTKReportGroupRow_BatchData, CTKReportRowAllocator> {
 public:
  CTKReportGroupRow();
  ~CTKReportGroupRow() override;

  void Draw(TK_REPORTDRAWROWARGS* pDrawArgs) override;
  BOOL IsGroupRow() const override { return TRUE; }
  void OnClick(POINT ptClicked) override;
  void OnDblClick(POINT ptClicked) override;
  INT_PTR OnToolHitTest(POINT point, TOOLINFOW* pTI) override;

  virtual CString GetCaption() const { return m_strGroupText; }
  virtual CString GetTooltip() const { return m_strGroupText; }
  virtual CString GetFormula() const { return m_strFormula; }
  virtual void SetFormula(LPCTSTR lpszFormula) { m_strFormula = lpszFormula; }
  virtual CString GetFormatString() const { return m_strFormat; }
  virtual void SetFormatString(LPCTSTR lpszFormat) { m_strFormat = lpszFormat; }

  // Sets the caption; "x" stands for empty. With a formula, the sums of
  // its "SUMSUB(" terms over the rows below are appended to the base
  // caption.
  void SetCaption(LPCTSTR lpszCaption);
  CString GetBaseCaption() const { return m_strGroupLabel; }
  CTKMarkupInputElement* GetMarkupUIElement() const { return m_pMarkupUIElement; }

 protected:
  // Adds the captions of items [first, last) of every plain row below.
  double SumChildItems(int nFirst, int nLast) const;
  void ResetMarkupUIElement();

 public:
  CTKMarkupInputElement* m_pMarkupUIElement = nullptr;
  CString m_strGroupText;
  CString m_strGroupLabel;
  CString m_strFormula;
  CString m_strFormat;
  // Set while a child group shows checked rows; the check glyph drawing
  // reads and clears it.
  BOOL m_bCheckMark = FALSE;
};
