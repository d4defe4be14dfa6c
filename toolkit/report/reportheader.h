// The column header of a report control: not a window of its own, it
// works on the control's columns and their group and sort orders. It lays
// the columns out (filling the control's width under automatic sizing),
// draws the column row, the group-by box and the footer through the paint
// manager, and turns clicks and drags into sorting, grouping, reordering,
// hiding and resizing of columns.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"
#include "platform/window/toolinfo.h"
#include "toolkit/common/accessible.h"

class CTKReportControl;
class CTKReportColumn;
class CTKReportColumns;
class CTKReportFieldChooserList;
class CTKReportHeaderDropWnd;
class CTKReportHeaderDragWnd;
class CTKReportPaintManager;
class CTKPropExchange;
class CDC;

class CTKReportHeader : public CCmdTarget, public CTKAccessible {
 public:
  CTKReportHeader(CTKReportControl* pControl, CTKReportColumns* pColumns);
  ~CTKReportHeader() override;

  // ---- virtual operations ----
  virtual void Draw(CDC* pDC, CRect rcHeader);
  virtual void DrawGroupByControl(CDC* pDC, CRect rcGroupBy);
  virtual void DrawFooter(CDC* pDC, CRect rcFooter);
  virtual void OnLButtonDown(CPoint point);
  virtual void OnLButtonDblClk(CPoint point);
  virtual void OnLButtonUp(UINT nFlags, CPoint point);
  virtual void OnContextMenu(CPoint ptClick);
  virtual void OnMouseMove(UINT nFlags, CPoint point);
  virtual void DoPropExchange(CTKPropExchange* pPX);
  // The nearest visible column after (1) or before (-1) the position.
  virtual CTKReportColumn* GetNextVisibleColumn(int nIndex, int nDirection);
  virtual CTKReportColumn* HitTest(CPoint ptPoint) const;
  virtual int GetHeaderDropIndex(CPoint ptPoint) const;
  virtual int GetGroupByIndex(CPoint ptPoint, BOOL bExact) const;
  virtual int HitTestIndex(CPoint ptPoint) const;
  // The header reacts to column changes (adds, widths, visibility, loads):
  // keeps the frozen count right, lays out and notifies the owner.
  virtual void OnColumnsChanged(int nReason, CTKReportColumn* pColumn);

  // ---- layout and sizing ----
  CTKReportPaintManager* GetPaintManager() const;
  void SetAutoColumnSizing(BOOL bAutoColumnSizing);
  void AdjustColumnsWidth(int nTotalWidth, int nFirstIndex = 0);
  void ResizeColumn(CTKReportColumn* pColumn, int nWidth);
  void BestFit(CTKReportColumn* pColumn);
  void TrackColumnResize(CTKReportColumn* pColumn, CPoint point);
  int GetMaxAvailWidth(CTKReportColumn* pColumn) const;
  int GetGroupByHeight() const;
  // The frozen columns' width; previous, current and next scrollable
  // column, the current one's position and the scrollable count.
  int GetFullColumnScrollInfo(CTKReportColumn*& pPrev, CTKReportColumn*& pCurr, CTKReportColumn*& pNext,
                              int& nScrollPos, int& nScrollMax) const;
  BOOL IsLastVisibleColumn(CTKReportColumn* pColumn) const;
  BOOL IsLastResizableColumn(CTKReportColumn* pColumn) const;
  // The column whose right divider is under the point.
  CTKReportColumn* HitTestDivider(CPoint point) const;
  int GetTotalWidth() const { return m_nHeaderWidth; }
  int GetOverflowWidth() const { return m_nForceLayoutAdjustment; }

  // The tip of the column under the point (client coordinates): the
  // column as tool id, or -1.
  INT_PTR OnToolHitTest(CPoint point, TOOLINFOW* pTI) const;

  // ---- mouse state ----
  void ShowDropMarker(int nIndex, BOOL bHeader);
  void DestroyDropWnd();
  void SetPressedColumn(CTKReportColumn* pColumn, BOOL bInHeader);
  void SetHotColumn(CTKReportColumn* pColumn);
  void CancelMouseMode();

  CCmdTarget* GetCmdTarget() override { return this; }

  // ---- accessibility: child 0 the header, child n the column at n - 1 ----
  HRESULT GetAccessibleParent(IDispatch** ppdispParent) override;
  HRESULT GetAccessibleChildCount(LONG* pcountChildren) override;
  HRESULT GetAccessibleChild(VARIANT varChild, IDispatch** ppdispChild) override;
  HRESULT GetAccessibleName(VARIANT varChild, BSTR* pszName) override;
  HRESULT GetAccessibleRole(VARIANT varChild, VARIANT* pvarRole) override;
  HRESULT GetAccessibleState(VARIANT varChild, VARIANT* pvarState) override;
  HRESULT AccessibleLocation(LONG* pxLeft, LONG* pyTop, LONG* pcxWidth, LONG* pcyHeight, VARIANT varChild) override;
  HRESULT AccessibleHitTest(LONG xLeft, LONG yTop, VARIANT* pvarChild) override;

  CTKReportControl* GetControl() const { return m_pControl; }
  CTKReportColumns* GetColumns() const { return m_pColumns; }
  int GetIndentLevel() const { return m_nIndentLevel; }
  void SetIndentLevel(int nIndentLevel) { m_nIndentLevel = nIndentLevel; }
  CTKReportColumn* GetPressedColumn() const { return m_pPressedColumn; }
  // The pressed column while the press began in the column row, else the
  // hot column.
  CTKReportColumn* GetHotTrackedColumn() const;
  CTKReportFieldChooserList* GetFieldChooser() const { return m_pSubList; }
  // Attaches a field chooser list (not owned) to this header and its
  // control, and fills it; null detaches.
  void SetFieldChooser(CTKReportFieldChooserList* pList);
  BOOL IsAutoColumnSizing() const { return m_bAutoColumnSizing; }

 public:
  CTKReportColumns* m_pColumns;
  CTKReportControl* m_pControl;
  int m_nDropIndex = -1;
  int m_nDragStartIndex = -1;
  CTKReportHeaderDropWnd* m_pDropWnd = nullptr;
  CTKReportHeaderDragWnd* m_pDragWnd = nullptr;
  HCURSOR m_hDontDropCursor = nullptr;
  CTKReportColumn* m_pPressedColumn = nullptr;
  CTKReportColumn* m_pResizeColumn = nullptr;
  CTKReportColumn* m_pHotColumn = nullptr;
  BOOL m_bPressedInHeader = FALSE;
  BOOL m_bPressedInGroupBox = FALSE;
  CTKReportFieldChooserList* m_pSubList = nullptr;
  CRect m_rcGroupBy;
  CRect m_rcHeader;
  CPoint m_ptMouse;
  HCURSOR m_hResizeCursor = nullptr;
  BOOL m_bAllowColumnRemove = TRUE;
  BOOL m_bAllowColumnResize = TRUE;
  BOOL m_bAllowColumnReorder = TRUE;
  BOOL m_bAllowColumnSort = TRUE;
  BOOL m_bAutoColumnSizing = TRUE;
  int m_nResizeCaptureRange = 3;
  int m_nIndentLevel = 0;
  BOOL m_bShowItemsInGroups = FALSE;
  int m_nHeaderWidth = 0;            // total width of the columns, at least the area's
  int m_nForceLayoutAdjustment = 0;  // overflow: how far the columns exceed the area
  int m_nMaxColumnWidth = 0;
  int m_nDragKind = 0;
  BOOL m_bHideColumnAfterGroupBoxDrop = TRUE;

 protected:
  int ScrollOrigin() const;
  // The x of a visible column's left edge in client coordinates (frozen
  // columns unscrolled).
  int ColumnLeft(CTKReportColumn* pColumn) const;
  int FrozenCount() const;
  void FinishDrag(UINT nFlags, CPoint point);
  void FinishClick(UINT nFlags, CPoint point);
};
