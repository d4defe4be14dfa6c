#include "toolkit/report/reportrows.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <typeinfo>

#include "platform/framework/afx.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportlocale.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportsort.h"
#include "toolkit/report/reportsortkeys.h"

// ---- screen rows -------------------------------------------------------------------------------

CTKReportScreenRows::~CTKReportScreenRows() { Clear(); }

void CTKReportScreenRows::Clear() {
  for (INT_PTR i = 0; i < GetSize(); ++i)
    if (GetAt(i)) GetAt(i)->InternalRelease();
  RemoveAll();
}

CTKReportRow* CTKReportScreenRows::HitTest(POINT pt) const {
  for (INT_PTR i = 0; i < GetSize(); ++i) {
    CTKReportRow* row = GetAt(i);
    if (row && CRect(row->GetRect()).PtInRect(pt)) return row;
  }
  return nullptr;
}

// ---- collection --------------------------------------------------------------------------------

CTKReportRows::CTKReportRows() = default;

CTKReportRows::~CTKReportRows() {
  Clear(FALSE);
  delete m_pScreenRows;
}

int CTKReportRows::GetCount() const {
  return m_pVirtualRow ? m_nVirtualRowsCount : static_cast<int>(m_arrRows.GetSize());
}

BOOL CTKReportRows::Contains(const CTKReportRow* pRow) const {
  for (INT_PTR i = 0; i < m_arrRows.GetSize(); ++i)
    if (m_arrRows[i] == pRow) return TRUE;
  return FALSE;
}

void CTKReportRows::Clear(BOOL bResetRows) {
  for (INT_PTR i = m_arrRows.GetSize() - 1; i >= 0; --i) {
    CTKReportRow* row = m_arrRows[i];
    if (!row) continue;
    if (bResetRows) {
      row->SetVisible(FALSE);
      row->SetIndex(-1);
    }
    row->InternalRelease();
  }
  m_arrRows.RemoveAll();
  TKReleaseHeld(m_pVirtualRow);
  m_nVirtualRowsCount = 0;
  if (m_pScreenRows) m_pScreenRows->Clear();
  m_nFocusedRow = -1;
}

CTKReportRow* CTKReportRows::GetAt(int nIndex) const {
  if (m_pVirtualRow) {
    m_pVirtualRow->SetIndex(nIndex);
    return m_pVirtualRow;
  }
  if (nIndex < 0 || nIndex >= m_arrRows.GetSize()) return nullptr;
  return m_arrRows[nIndex];
}

CTKReportScreenRows* CTKReportRows::GetScreenRows() {
  if (!m_pScreenRows) m_pScreenRows = new CTKReportScreenRows();
  return m_pScreenRows;
}

CTKReportRow* CTKReportRows::GetFocusedRow() const { return m_nFocusedRow == -1 ? nullptr : GetAt(m_nFocusedRow); }

int CTKReportRows::Add(CTKReportRow* pRow) {
  int index = static_cast<int>(m_arrRows.Add(pRow));
  if (pRow) {
    pRow->m_pParentRows = this;
    pRow->m_nChildIndex = index;
  }
  return index;
}

void CTKReportRows::RemoveAt(int nIndex) {
  if (nIndex < 0 || nIndex >= m_arrRows.GetSize()) return;
  CTKReportRow* row = m_arrRows[nIndex];
  m_arrRows.RemoveAt(nIndex);
  if (row) row->InternalRelease();
}

int CTKReportRows::Remove(CTKReportRow* pRow) {
  for (INT_PTR i = 0; i < m_arrRows.GetSize(); ++i) {
    if (m_arrRows[i] == pRow) {
      RemoveAt(static_cast<int>(i));
      return static_cast<int>(i);
    }
  }
  return -1;
}

void CTKReportRows::InsertAt(int nIndex, CTKReportRow* pRow) {
  nIndex = std::clamp(nIndex, 0, static_cast<int>(m_arrRows.GetSize()));
  m_arrRows.InsertAt(nIndex, pRow);
}

void CTKReportRows::SetAt(int nIndex, CTKReportRow* pRow) {
  if (!pRow || nIndex < 0 || nIndex >= m_arrRows.GetSize()) return;
  CTKReportRow* old = m_arrRows[nIndex];
  m_arrRows[nIndex] = pRow;
  pRow->m_nChildIndex = nIndex;
  pRow->m_pParentRows = this;
  if (old) old->InternalRelease();
}

void CTKReportRows::RemoveFrom(int nIndex, INT_PTR nGrowBy) {
  if (nIndex < 0) nIndex = 0;
  for (INT_PTR i = m_arrRows.GetSize() - 1; i >= nIndex; --i)
    if (m_arrRows[i]) m_arrRows[i]->InternalRelease();
  if (nIndex < m_arrRows.GetSize()) m_arrRows.SetSize(nIndex, nGrowBy);
}

void CTKReportRows::ReserveSize(INT_PTR nSize, INT_PTR nGrowBy) {
  if (m_arrRows.GetSize() != 0 || nSize <= 0) return;
  m_arrRows.SetSize(nSize, nGrowBy);
  m_arrRows.SetSize(0, nGrowBy);
}

void CTKReportRows::SetVirtualMode(CTKReportRow* pVirtualRow, int nCount) {
  TKReleaseHeld(m_pVirtualRow);
  m_pVirtualRow = pVirtualRow;
  m_nVirtualRowsCount = nCount;
}

CTKReportRow* CTKReportRows::GetNext(CTKReportRow* pRow, BOOL bSkipGroupFocus) {
  if (!pRow) return GetCount() > 0 ? GetAt(0) : nullptr;
  int index = pRow->GetIndex();
  const int count = GetCount();
  CTKReportRow* result = pRow;
  while (index < count - 1) {
    ++index;
    result = GetAt(index);
    if (!result) return pRow;
    if (!bSkipGroupFocus || !result->IsGroupRow() || !result->IsExpanded()) return result;
  }
  return result;
}

CTKReportRow* CTKReportRows::GetPrev(CTKReportRow* pRow, BOOL bSkipGroupFocus) {
  if (!pRow) return GetCount() > 0 ? GetAt(0) : nullptr;
  int index = pRow->GetIndex();
  CTKReportRow* result = pRow;
  while (index > 0) {
    --index;
    result = GetAt(index);
    if (!result) return pRow;
    if (!bSkipGroupFocus || !result->IsGroupRow() || !result->IsExpanded()) return result;
  }
  return result;
}

CTKReportRow* CTKReportRows::FindRow(CTKReportRecord* pRecord, BOOL bRecursive) const {
  for (INT_PTR i = 0; i < m_arrRows.GetSize(); ++i) {
    CTKReportRow* row = m_arrRows[i];
    if (!row) continue;
    if (row->GetRecord() == pRecord) return row;
    if (bRecursive && row->HasChildren()) {
      if (CTKReportRow* found = row->GetChildRows()->FindRow(pRecord, TRUE)) return found;
    }
  }
  return nullptr;
}

int CTKReportRows::RefreshChildIndices(BOOL bRecursive) {
  for (INT_PTR i = 0; i < m_arrRows.GetSize(); ++i) {
    CTKReportRow* row = m_arrRows[i];
    if (!row) continue;
    row->m_nChildIndex = static_cast<int>(i);
    row->m_pParentRows = this;
    if (bRecursive && row->HasChildren()) row->GetChildRows()->RefreshChildIndices(TRUE);
  }
  return static_cast<int>(m_arrRows.GetSize());
}

// ---- comparison --------------------------------------------------------------------------------

namespace {

CTKReportColumns* ColumnsOf(const CTKReportRow* row) {
  return row && row->GetControl() ? row->GetControl()->GetColumns() : nullptr;
}

int RecordIndex(const CTKReportRecord* record) { return record ? record->GetIndex() : -1; }

// The first sort column on which the records differ decides, in that
// column's direction; 0 when every sort column ties.
int CompareBySortOrder(CTKReportColumns* columns, CTKReportRecord* a, CTKReportRecord* b) {
  CTKReportColumnOrder* sorts = columns->GetSortOrder();
  for (int i = 0; i < sorts->GetCount(); ++i) {
    CTKReportColumn* column = sorts->GetAt(i);
    if (!column) continue;
    CTKReportRecordItem* itemA = a->GetItem(column);
    CTKReportRecordItem* itemB = b->GetItem(column);
    if (!itemA || !itemB) continue;
    int r = itemA->Compare(column, itemB);
    if (r) return column->IsSortedIncreasing() ? r : -r;
  }
  return 0;
}

// Rows in sort order: two rows without records by their first children,
// then the auto-sorted group columns, the sort order and the records'
// places. An inserted row goes before every row it differs from below the
// first group level, and only equal places count as equal.
int CompareRowPair(const CTKReportRow* pRow1, const CTKReportRow* pRow2, bool forInsertion) {
  CTKReportRecord* a = pRow1 ? pRow1->GetRecord() : nullptr;
  CTKReportRecord* b = pRow2 ? pRow2->GetRecord() : nullptr;
  if (a == b && a) return 0;
  if (!a && !b) {
    auto* r1 = const_cast<CTKReportRow*>(pRow1);
    auto* r2 = const_cast<CTKReportRow*>(pRow2);
    if (r1 && r2 && r1->HasChildren() && r2->HasChildren())
      return CTKReportRows::CompareRows(r1->GetChildRows()->GetAt(0), r2->GetChildRows()->GetAt(0));
    return 0;
  }
  if (!a || !b) return 0;
  CTKReportColumns* columns = ColumnsOf(pRow1);
  if (columns) {
    CTKReportColumnOrder* groups = columns->GetGroupsOrder();
    for (int i = 0; i < groups->GetCount(); ++i) {
      CTKReportColumn* column = groups->GetAt(i);
      if (!column || !column->m_bAutoSortWhenGrouped) continue;
      CTKReportRecordItem* itemA = a->GetItem(column);
      CTKReportRecordItem* itemB = b->GetItem(column);
      if (!itemA || !itemB) continue;
      int r = itemA->CompareGroupCaption(column, itemB);
      if (r) {
        if (forInsertion && i > 0) return -1;
        return column->IsSortedIncreasing() ? r : -r;
      }
    }
    if (int r = CompareBySortOrder(columns, a, b)) return r;
  }
  const int ia = RecordIndex(a), ib = RecordIndex(b);
  if (!forInsertion) return ia > ib ? 1 : -1;
  return ia == ib ? 0 : ia < ib ? -1 : 1;
}

}  // namespace

int CTKReportRows::CompareRows(const CTKReportRow* pRow1, const CTKReportRow* pRow2) {
  return CompareRowPair(pRow1, pRow2, false);
}

int CTKReportRows::CompareRowsForInsertion(const CTKReportRow* pNewRow, const CTKReportRow* pRow) {
  return CompareRowPair(pNewRow, pRow, true);
}

void CTKReportRows::SortEx(T_CompareFunc pCompareFunc) {
  if (!pCompareFunc || m_arrRows.GetSize() < 2) return;
  TKReportMergeSort(m_arrRows.GetData(), static_cast<std::size_t>(m_arrRows.GetSize()),
                    [pCompareFunc](const CTKReportRow* x, const CTKReportRow* y) { return pCompareFunc(x, y); });
}

void CTKReportRows::Sort() { TKReportSortRowsKeyed(m_arrRows.GetData(), static_cast<int>(m_arrRows.GetSize())); }

// ---- the keyed sort ----------------------------------------------------------------------------

// Whether an item's CompareGroupCaption comes down to Compare (and its
// group caption to the column caption, ": " and its caption): no group
// priority, group caption or group id, and a class of the toolkit's own.
bool TKReportGroupComparesAsCompare(CTKReportRecordItem* item, CTKReportColumn* column) {
  const std::type_info& type = typeid(*item);
  const bool known = type == typeid(CTKReportRecordItem) || type == typeid(CTKReportRecordItemText) ||
                     type == typeid(CTKReportRecordItemNumber) || type == typeid(CTKReportRecordItemDateTime) ||
                     type == typeid(CTKReportRecordItemPercentNumber) || type == typeid(CTKReportRecordItemIcon) ||
                     type == typeid(CTKReportRecordItemPreview) || type == typeid(CTKReportRecordItemVariant);
  return known && item->GetGroupPriority() == -1 && item->m_strGroupCaption.IsEmpty() && item->GetGroupId(column) <= 0;
}

namespace {

// One column of the comparison, its items' keys read once.
struct SortColumn {
  CTKReportColumn* column = nullptr;
  bool increasing = true;
  bool group = false;
  bool callGroup = false;  // call CompareGroupCaption instead of the keys
  int level = -1;          // the position in the group order of a group column
  std::vector<CTKReportRecordItem*> items;
  std::unique_ptr<CTKReportItemSortKeys> keys;
};

}  // namespace

void TKReportSortRowsKeyed(CTKReportRow** rows, int count, std::vector<std::vector<std::uint32_t>>* groupRanks) {
  if (groupRanks) groupRanks->clear();
  if (count < 2) return;
  CTKReportColumns* columns = ColumnsOf(rows[0]);
  std::vector<SortColumn> passes;
  bool anyNullRecord = false;
  for (int r = 0; r < count; ++r)
    if (!rows[r] || !rows[r]->GetRecord()) anyNullRecord = true;
  if (columns) {
    auto addColumn = [&](CTKReportColumn* column, bool group, int level) {
      SortColumn pass;
      pass.level = level;
      pass.column = column;
      pass.increasing = column->IsSortedIncreasing() != FALSE;
      pass.group = group;
      pass.items.resize(static_cast<std::size_t>(count));
      for (int r = 0; r < count; ++r) {
        CTKReportRecord* record = rows[r] ? rows[r]->GetRecord() : nullptr;
        CTKReportRecordItem* item = record ? record->GetItem(column) : nullptr;
        pass.items[static_cast<std::size_t>(r)] = item;
        if (group && item && !TKReportGroupComparesAsCompare(item, column)) pass.callGroup = true;
      }
      if (!pass.callGroup)
        pass.keys = std::make_unique<CTKReportItemSortKeys>(pass.items.data(), pass.items.size(), column);
      passes.push_back(std::move(pass));
    };
    CTKReportColumnOrder* groups = columns->GetGroupsOrder();
    for (int i = 0; i < groups->GetCount(); ++i) {
      CTKReportColumn* column = groups->GetAt(i);
      if (column && column->m_bAutoSortWhenGrouped) addColumn(column, true, i);
    }
    CTKReportColumnOrder* sorts = columns->GetSortOrder();
    for (int i = 0; i < sorts->GetCount(); ++i)
      if (sorts->GetAt(i)) addColumn(sorts->GetAt(i), false, -1);
  }
  if (anyNullRecord) {
    // Group rows compare through their first children: the plain comparison.
    TKReportMergeSort(rows, static_cast<std::size_t>(count),
                      [](const CTKReportRow* x, const CTKReportRow* y) { return CTKReportRows::CompareRows(x, y); });
    return;
  }
  std::vector<int> recordIndex(static_cast<std::size_t>(count));
  std::vector<CTKReportRecord*> records(static_cast<std::size_t>(count));
  for (int r = 0; r < count; ++r) {
    records[static_cast<std::size_t>(r)] = rows[r]->GetRecord();
    recordIndex[static_cast<std::size_t>(r)] = rows[r]->GetRecord()->GetIndex();
  }
  std::vector<std::uint32_t> order(static_cast<std::size_t>(count));
  for (int r = 0; r < count; ++r) order[static_cast<std::size_t>(r)] = static_cast<std::uint32_t>(r);
  // Where every column orders its items totally, each comparison is a
  // comparison of ranks; the record index makes every key distinct, so
  // any sort gives the one order the merge sort would.
  std::vector<std::vector<std::uint32_t>> ranks;
  for (const SortColumn& pass : passes) {
    if (pass.callGroup) break;
    std::vector<std::uint32_t> r = pass.keys->Ranks();
    if (r.empty()) break;
    ranks.push_back(std::move(r));
  }
  const auto [lowestIndex, highestIndex] = std::minmax_element(recordIndex.begin(), recordIndex.end());
  if (ranks.size() == passes.size() && *lowestIndex >= 0) {
    // Each pass needs the bits of its largest rank, the record index the
    // bits of the largest index; when they fit in 64 bits the whole key is
    // one integer.
    auto bitsFor = [](std::uint64_t largest) {
      int bits = 0;
      while (bits < 64 && (largest >> bits) != 0) ++bits;
      return bits;
    };
    std::vector<int> widths;
    const int indexBits = bitsFor(static_cast<std::uint64_t>(*highestIndex));
    int total = indexBits;
    for (const std::vector<std::uint32_t>& r : ranks) {
      widths.push_back(bitsFor(*std::max_element(r.begin(), r.end())));
      total += widths.back();
    }
    if (total <= 64) {
      std::vector<std::pair<std::uint64_t, std::uint32_t>> packed(static_cast<std::size_t>(count));
      for (std::size_t r = 0; r < static_cast<std::size_t>(count); ++r) {
        std::uint64_t key = 0;
        for (std::size_t p = 0; p < passes.size(); ++p) {
          if (widths[p] == 0) continue;
          const std::uint64_t mask = ~std::uint64_t{0} >> (64 - widths[p]);
          const std::uint64_t rank = passes[p].increasing ? ranks[p][r] : mask - ranks[p][r];
          key = (key << widths[p]) | rank;
        }
        key = (indexBits == 0 ? key : key << indexBits) | static_cast<std::uint64_t>(recordIndex[r]);
        packed[r] = {key, static_cast<std::uint32_t>(r)};
      }
      std::sort(packed.begin(), packed.end());
      for (std::size_t r = 0; r < packed.size(); ++r) order[r] = packed[r].second;
      if (groupRanks && columns) {
        groupRanks->assign(static_cast<std::size_t>(columns->GetGroupsOrder()->GetCount()), {});
        for (std::size_t p = 0; p < passes.size(); ++p) {
          if (passes[p].level < 0) continue;
          std::vector<std::uint32_t>& out = (*groupRanks)[static_cast<std::size_t>(passes[p].level)];
          out.resize(order.size());
          for (std::size_t r = 0; r < order.size(); ++r) out[r] = ranks[p][order[r]];
        }
      }
    } else {
      const std::size_t width = passes.size() + 1;
      std::vector<std::uint32_t> key(static_cast<std::size_t>(count) * width);
      for (std::size_t r = 0; r < static_cast<std::size_t>(count); ++r) {
        for (std::size_t p = 0; p < passes.size(); ++p)
          key[r * width + p] = passes[p].increasing ? ranks[p][r] : ~ranks[p][r];
        key[r * width + passes.size()] = static_cast<std::uint32_t>(recordIndex[r]);
      }
      std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
        const std::uint32_t* a = &key[x * width];
        const std::uint32_t* b = &key[y * width];
        for (std::size_t i = 0; i < width; ++i)
          if (a[i] != b[i]) return a[i] < b[i];
        return false;
      });
    }
  } else {
    TKReportMergeSort(order.data(), order.size(), [&](std::uint32_t x, std::uint32_t y) {
      if (records[x] == records[y]) return 0;
      for (const SortColumn& pass : passes) {
        CTKReportRecordItem* a = pass.items[x];
        CTKReportRecordItem* b = pass.items[y];
        if (!a || !b) continue;
        int r = pass.callGroup ? a->CompareGroupCaption(pass.column, b) : pass.keys->Compare(x, y);
        if (r) return pass.increasing ? r : -r;
      }
      return recordIndex[x] > recordIndex[y] ? 1 : -1;
    });
  }
  std::vector<CTKReportRow*> sorted(static_cast<std::size_t>(count));
  for (int r = 0; r < count; ++r) sorted[static_cast<std::size_t>(r)] = rows[order[static_cast<std::size_t>(r)]];
  std::copy(sorted.begin(), sorted.end(), rows);
}

// ---- insertion ---------------------------------------------------------------------------------

CTKReportRow* CTKReportRows::FindInsertionPos(CTKReportRow* pRow, BOOL& bInsertAfter) {
  bInsertAfter = FALSE;
  for (INT_PTR i = 0; i < m_arrRows.GetSize(); ++i) {
    CTKReportRow* row = m_arrRows[i];
    if (!row) continue;
    if (row->IsGroupRow()) {
      CTKReportRecord* record = pRow ? pRow->GetRecord() : nullptr;
      CTKReportColumns* columns = ColumnsOf(row);
      if (!record || !columns) continue;
      CTKReportColumn* column = columns->GetGroupsOrder()->GetAt(row->GetGroupLevel());
      if (!column) continue;
      CTKReportRecordItem* item = record->GetItem(column);
      CString caption = item ? item->GetGroupCaption(column) : CString();
      CString groupCaption = static_cast<CTKReportGroupRow*>(row)->GetCaption();
      CTKReportRecords* records = record->GetRecords();
      const ULONG flags = records && records->IsCaseSensitive() ? 0 : NORM_IGNORECASE;
      BSTR left = ::SysAllocString(caption.GetString());
      BSTR right = ::SysAllocString(groupCaption.GetString());
      HRESULT cmp = ::VarBstrCmp(left, right, CTKReportControlLocale::GetActiveCompareLCID(), flags);
      ::SysFreeString(left);
      ::SysFreeString(right);
      if (column->IsSortedIncreasing() ? cmp == VARCMP_GT : cmp == VARCMP_LT) continue;
      if (cmp != VARCMP_EQ) return row;
      CTKReportRows* children = row->GetChildRows(TRUE);
      CTKReportRow* found = children->FindInsertionPos(pRow, bInsertAfter);
      if (found) return found;
      bInsertAfter = TRUE;
      return children->GetCount() > 0 ? children->GetAt(children->GetCount() - 1) : nullptr;
    }
    if (CompareRowsForInsertion(pRow, row) > 0) continue;
    return row;
  }
  return nullptr;
}

// ---- item search -------------------------------------------------------------------------------

CTKReportRecordItem* CTKReportRows::FindItem(TK_REPORTFINDITEM_RANGE& range) {
  const int count = GetCount();
  if (count == 0) return nullptr;
  const bool atStart = (range.nFlags & 8) != 0;
  const int mode = range.nFlags & ~(8 | 4);
  range.nFirstRow = std::clamp(range.nFirstRow, 0, count - 1);
  range.nLastRow = std::clamp(range.nLastRow, range.nFirstRow, count - 1);
  range.nFirstItem = std::max(0, range.nFirstItem);
  range.nLastItem = std::max({0, range.nLastItem, range.nFirstItem});
  range.nStartRow = std::clamp(range.nStartRow, 0, count - 1);
  range.nStartItem = std::clamp(range.nStartItem, range.nFirstItem, range.nLastItem);
  const CString& text = range.strText;
  CString upperText = text;
  upperText.MakeUpper();
  for (int r = std::max(range.nFirstRow, range.nStartRow); r <= range.nLastRow; ++r) {
    CTKReportRow* row = GetAt(r);
    CTKReportRecord* record = row ? row->GetRecord() : nullptr;
    if (!record) continue;
    const int firstItem = r == range.nStartRow ? range.nStartItem : range.nFirstItem;
    const int lastItem = std::min(range.nLastItem, record->GetItemCount() - 1);
    for (int i = firstItem; i <= lastItem; ++i) {
      CTKReportRecordItem* item = record->GetItem(i);
      if (!item) continue;
      CString caption = item->GetCaption(nullptr);
      if (caption.IsEmpty()) continue;
      int at = caption.Find(text.GetString());
      bool match = false;
      if (atStart) {
        match = at == 0;
      } else if (at < 0) {
        CString upper = caption;
        upper.MakeUpper();
        match = (mode == 0 && upper.Find(upperText.GetString()) >= 0) || (mode == 1 && upper == upperText);
      } else {
        CString upper = caption;
        upper.MakeUpper();
        match = mode == 0 || (mode == 1 && upper == upperText) || (mode == 2 && caption.Mid(at) == text) ||
                (mode == 3 && caption == text);
      }
      if (match) return item;
    }
  }
  return nullptr;
}
