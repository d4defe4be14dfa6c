// The column header of a report control: not a window of its own, it
// works on the control's columns and their group and sort orders. This
// holds what the control needs without drawing: the header's fields, its
// indent level, column walking and its answer to column changes.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"
#include "toolkit/common/accessible.h"

class CTKReportControl;
class CTKReportColumn;
class CTKReportColumns;
class CTKReportFieldChooserList;
class CTKReportHeaderDropWnd;
class CTKReportHeaderDragWnd;

class CTKReportHeader : public CCmdTarget, public CTKAccessible {
 public:
  CTKReportHeader(CTKReportControl* pControl, CTKReportColumns* pColumns);
  ~CTKReportHeader() override;

  // The header reacts to column changes (adds, widths, visibility, loads).
  virtual void OnColumnsChanged(int nReason, CTKReportColumn* pColumn);
  // The nearest visible column after (1) or before (-1) the position.
  virtual CTKReportColumn* GetNextVisibleColumn(int nIndex, int nDirection);

  CCmdTarget* GetCmdTarget() override { return this; }

  CTKReportControl* GetControl() const { return m_pControl; }
  CTKReportColumns* GetColumns() const { return m_pColumns; }
  int GetIndentLevel() const { return m_nIndentLevel; }
  void SetIndentLevel(int nIndentLevel) { m_nIndentLevel = nIndentLevel; }
  CTKReportColumn* GetPressedColumn() const { return m_pPressedColumn; }
  // The pressed column while the press began in the column row, else the
  // hot column.
  CTKReportColumn* GetHotTrackedColumn() const;
  CTKReportFieldChooserList* GetFieldChooser() const { return m_pSubList; }
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
  int m_nHeaderWidth = 0;
  int m_nForceLayoutAdjustment = 0;
  int m_nMaxColumnWidth = 0;
  int m_nDragKind = 0;
  BOOL m_bHideColumnAfterGroupBoxDrop = TRUE;
};
