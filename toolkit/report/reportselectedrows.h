// The report control's selection: sorted, non-overlapping blocks of
// display-list indexes in one section, so that selecting ten thousand
// consecutive rows costs one block. The owner is asked (-80) before a row
// is added or removed or the selection cleared, and told (-88) when a
// range was selected.
#pragma once

#include <vector>

#include "platform/base/cmdtarget.h"

class CTKReportControl;
class CTKReportRow;

class CTKReportSelectedRows : public CCmdTarget {
 public:
  // One block: display indexes [nIndexBegin, nIndexEnd).
  struct SELECTED_BLOCK {
    int nIndexBegin;
    int nIndexEnd;
    bool operator==(const SELECTED_BLOCK&) const = default;
  };

  explicit CTKReportSelectedRows(CTKReportControl* pControl);

  // The number of selected rows.
  int GetCount() const;
  // The nIndex-th selected row, null past the end.
  CTKReportRow* GetAt(int nIndex) const;
  // 0 for an empty selection; otherwise a position for GetNextSelectedRow.
  int GetFirstSelectedRowPosition();
  // The row at the position, advancing it (0 after the last).
  CTKReportRow* GetNextSelectedRow(int& nPos);
  BOOL Contains(const CTKReportRow* pRow) const;
  void Add(CTKReportRow* pRow);
  // Add for many rows at once: the owner is asked for each row in the
  // given order, then the accepted rows join the blocks in one pass.
  void AddRows(const std::vector<CTKReportRow*>& rows);
  void Remove(CTKReportRow* pRow);
  void Invert(CTKReportRow* pRow);
  // The row becomes the only selected row.
  void Select(CTKReportRow* pRow);
  void Clear(BOOL bNotifyOnClear = TRUE);
  // Adds rows [nIndexBegin, nIndexEnd] (both included, either order).
  void AddBlock(int nIndexBegin, int nIndexEnd);
  // Selects the range between the previous focus and the new one; with
  // bAdditive (Ctrl with Shift) the other blocks stay.
  void SelectBlock(int nBlockBegin, int nBlockEnd, BOOL bAdditive);
  // count rows were inserted after display index nIndex.
  void ShiftRows(int nIndex, int nCount);

  BOOL IsChanged() const { return m_bChanged; }
  void SetChanged(BOOL bChanged = TRUE) { m_bChanged = bChanged; }
  BOOL IsNotifyOnClear() const { return m_bNotifyOnClear; }
  void SetNotifyOnClear(BOOL bNotify) { m_bNotifyOnClear = bNotify; }
  int GetSectionKind() const { return m_nRowType; }
  int GetPivot() const { return m_nPivotRow; }
  const std::vector<SELECTED_BLOCK>& GetBlocks() const { return m_arrSelectedBlocks; }

 protected:
  void InsertBlock(int nIndexInsert, int nIndexBegin, int nIndexEnd);
  // Removes the row's index from the blocks; FALSE when it was not there.
  BOOL RemoveIndex(int nIndex);
  CTKReportRow* RowAt(int nIndex) const;
  int RowCount() const;
  // Asks the owner (-80); TRUE when it cancels.
  BOOL NotifySelChanging(int nType, CTKReportRow* pRow = nullptr);
  void NotifyRangeSelected(int nFirst, int nLast);
  void Redraw();

 public:
  CTKReportControl* m_pControl;
  int m_nPivotRow = -1;
  int m_nPosSelected = 0;
  BOOL m_bNotifyOnClear = TRUE;
  std::vector<SELECTED_BLOCK> m_arrSelectedBlocks;
  BOOL m_bChanged = FALSE;
  int m_nRowType = 0;
};
