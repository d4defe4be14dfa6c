// Row collections of the report grid: a section's display list, its tree
// of top-level rows and every row's children (CTKReportRows), and the rows
// drawn on screen (CTKReportScreenRows). A collection holds one reference
// to each row. In virtual mode one shared row stands for every index.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"
#include "platform/base/geometry.h"
#include "toolkit/report/reportallocator.h"

class CTKReportRow;
class CTKReportRecord;
class CTKReportRecordItem;
class CTKReportControl;

// The rows drawn on screen, one reference each.
class CTKReportScreenRows : public CArray<CTKReportRow*, CTKReportRow*> {
 public:
  ~CTKReportScreenRows();
  void Clear();
  // The first row whose rectangle holds the point, or null.
  CTKReportRow* HitTest(POINT pt) const;
};

// What FindItem searches: rows [first, last], item indexes [first, last],
// where to start, the text and the flags (8: the text must begin the
// caption; the low bits: mode 0 contains, 1 equal ignoring case, 2 the
// rest of the caption from the occurrence equals, 3 exactly equal).
struct TK_REPORTFINDITEM_RANGE {
  int nFirstRow = 0;
  int nLastRow = 0;
  int nFirstItem = 0;
  int nLastItem = 0;
  int nStartRow = 0;
  int nStartItem = 0;
  CString strText;
  int nFlags = 0;
};

class CTKReportRows : public CTKHeapObjectT<CCmdTarget, CTKReportDataAllocator> {
 public:
  using CTKReportRowsArray = CArray<CTKReportRow*, CTKReportRow*>;
  // The comparison the sorts use: negative puts the first row first.
  using T_CompareFunc = int (*)(const CTKReportRow* pRow1, const CTKReportRow* pRow2);

  CTKReportRows();
  ~CTKReportRows() override;

  virtual BOOL Contains(const CTKReportRow* pRow) const;
  // Releases every row (marking each not displayed with bResetRows), the
  // virtual row and the screen rows; no focused row afterwards.
  virtual void Clear(BOOL bResetRows = TRUE);
  virtual CTKReportRow* GetAt(int nIndex) const;
  virtual CTKReportScreenRows* GetScreenRows();
  virtual int GetFocusedRowIndex() const { return m_nFocusedRow; }
  virtual BOOL HasFocusedRow() const { return m_nFocusedRow != -1; }
  virtual void SetFocusedRowIndex(int nIndex) { m_nFocusedRow = nIndex; }
  virtual CTKReportRow* GetFocusedRow() const;
  virtual int GetTopRowIndex() const { return m_nTopRow; }
  virtual void SetTopRowIndex(int nIndex) { m_nTopRow = nIndex; }
  // Takes over the caller's reference; the row's position.
  virtual int Add(CTKReportRow* pRow);
  virtual void RemoveAt(int nIndex);
  // The former index of the row, -1 when absent.
  virtual int Remove(CTKReportRow* pRow);
  // Takes over the caller's reference; later child indexes stay stale.
  virtual void InsertAt(int nIndex, CTKReportRow* pRow);
  virtual CTKReportRow* GetNext(CTKReportRow* pRow, BOOL bSkipGroupFocus);
  virtual CTKReportRow* GetPrev(CTKReportRow* pRow, BOOL bSkipGroupFocus);
  // Takes over the caller's reference to the shared row.
  virtual void SetVirtualMode(CTKReportRow* pVirtualRow, int nCount);
  virtual CTKReportRow* FindRow(CTKReportRecord* pRecord, BOOL bRecursive = FALSE) const;
  virtual CTKReportRow* FindRowTopLevel(CTKReportRecord* pRecord) const { return FindRow(pRecord, FALSE); }
  virtual CTKReportRow* FindRowInTree(CTKReportRecord* pRecord) const { return FindRow(pRecord, TRUE); }
  // Where a new row belongs under the current grouping and sorting: null
  // to append; else insert before the row, or after it when bInsertAfter.
  virtual CTKReportRow* FindInsertionPos(CTKReportRow* pRow, BOOL& bInsertAfter);
  virtual int RefreshChildIndices(BOOL bRecursive = TRUE);
  virtual void SortEx(T_CompareFunc pCompareFunc);
  // Sorts with CompareRows, reading each item's sort key once.
  virtual void Sort();
  virtual CTKReportRecordItem* FindItem(TK_REPORTFINDITEM_RANGE& range);
  virtual void ReserveSize(INT_PTR nSize, INT_PTR nGrowBy = -1);
  virtual void RemoveFrom(int nIndex, INT_PTR nGrowBy = -1);
  virtual void SetAt(int nIndex, CTKReportRow* pRow);

  int GetCount() const;
  BOOL IsVirtualMode() const { return m_pVirtualRow != nullptr; }
  CTKReportRow* GetVirtualRow() const { return m_pVirtualRow; }

  // The report comparison of two rows (group columns, sort columns, then
  // record order); never 0 for two different records.
  static int CompareRows(const CTKReportRow* pRow1, const CTKReportRow* pRow2);
  // The same for placing a new row among sorted ones.
  static int CompareRowsForInsertion(const CTKReportRow* pNewRow, const CTKReportRow* pRow);

 public:
  CTKReportRowsArray m_arrRows;
  CTKReportRow* m_pVirtualRow = nullptr;
  CTKReportScreenRows* m_pScreenRows = nullptr;
  int m_nVirtualRowsCount = 0;
  int m_nFocusedRow = -1;
  int m_nTopRow = 0;
};

class CTKReportColumn;
// Whether the item's group comparison is its Compare and its group caption
// the column caption, ": " and its caption (items of the toolkit's own
// classes without group priority, group caption or group id).
bool TKReportGroupComparesAsCompare(CTKReportRecordItem* item, CTKReportColumn* column);

// Sorts rows as CompareRows orders them, each item's key read once for
// the pass (the same order as TKReportMergeSort calling CompareRows).
// When asked, and when the group columns' items were ranked, groupRanks
// gets for each group column the ranks of the rows in their sorted order
// (empty for a column that was not ranked).
void TKReportSortRowsKeyed(CTKReportRow** rows, int count,
                           std::vector<std::vector<std::uint32_t>>* groupRanks = nullptr);
