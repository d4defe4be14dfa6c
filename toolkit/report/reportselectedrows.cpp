#include "toolkit/report/reportselectedrows.h"

#include <algorithm>

#include "platform/framework/afx.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"

CTKReportSelectedRows::CTKReportSelectedRows(CTKReportControl* pControl) : m_pControl(pControl) {}

CTKReportRow* CTKReportSelectedRows::RowAt(int nIndex) const {
  CTKReportSection* section = m_pControl ? m_pControl->GetSection(m_nRowType) : nullptr;
  return section ? section->GetRows()->GetAt(nIndex) : nullptr;
}

int CTKReportSelectedRows::RowCount() const {
  CTKReportSection* section = m_pControl ? m_pControl->GetSection(m_nRowType) : nullptr;
  return section ? section->GetRows()->GetCount() : 0;
}

BOOL CTKReportSelectedRows::NotifySelChanging(int nType, CTKReportRow* pRow) {
  if (!m_pControl) return FALSE;
  TK_NM_SELECTION_CHANGING nm{};
  nm.pRow = pRow;
  nm.nType = nType;
  return m_pControl->SendOwnerNotify(TK_NM_REPORT_SELCHANGING, &nm.hdr) != 0;
}

void CTKReportSelectedRows::NotifyRangeSelected(int nFirst, int nLast) {
  if (!m_pControl) return;
  TK_NM_SELECTION_RANGE nm{};
  nm.nBegin = nFirst;
  nm.nEnd = nLast;
  m_pControl->SendOwnerNotify(TK_NM_REPORT_SELCHANGED_RANGE, &nm.hdr);
}

void CTKReportSelectedRows::Redraw() {
  if (m_pControl) m_pControl->RedrawControl();
}

int CTKReportSelectedRows::GetCount() const {
  int count = 0;
  for (const SELECTED_BLOCK& block : m_arrSelectedBlocks) count += block.nIndexEnd - block.nIndexBegin;
  return count;
}

CTKReportRow* CTKReportSelectedRows::GetAt(int nIndex) const {
  if (nIndex < 0) return nullptr;
  for (const SELECTED_BLOCK& block : m_arrSelectedBlocks) {
    const int length = block.nIndexEnd - block.nIndexBegin;
    if (nIndex < length) return RowAt(block.nIndexBegin + nIndex);
    nIndex -= length;
  }
  return nullptr;
}

int CTKReportSelectedRows::GetFirstSelectedRowPosition() {
  if (m_arrSelectedBlocks.empty()) return 0;
  m_nPosSelected = 0;
  return m_arrSelectedBlocks[0].nIndexBegin + 1;
}

CTKReportRow* CTKReportSelectedRows::GetNextSelectedRow(int& nPos) {
  if (nPos <= 0 || m_nPosSelected < 0 || m_nPosSelected >= static_cast<int>(m_arrSelectedBlocks.size())) {
    nPos = 0;
    return nullptr;
  }
  CTKReportRow* row = RowAt(nPos - 1);
  if (nPos < m_arrSelectedBlocks[static_cast<std::size_t>(m_nPosSelected)].nIndexEnd) {
    ++nPos;
  } else if (m_nPosSelected + 1 < static_cast<int>(m_arrSelectedBlocks.size())) {
    ++m_nPosSelected;
    nPos = m_arrSelectedBlocks[static_cast<std::size_t>(m_nPosSelected)].nIndexBegin + 1;
  } else {
    nPos = 0;
  }
  return row;
}

BOOL CTKReportSelectedRows::Contains(const CTKReportRow* pRow) const {
  if (!pRow || pRow->GetSectionType() != m_nRowType || m_arrSelectedBlocks.empty()) return FALSE;
  const int index = pRow->GetIndex();
  if (index < m_arrSelectedBlocks.front().nIndexBegin || index >= m_arrSelectedBlocks.back().nIndexEnd) return FALSE;
  // Blocks are sorted: the first block ending after the index decides.
  auto it = std::upper_bound(m_arrSelectedBlocks.begin(), m_arrSelectedBlocks.end(), index,
                             [](int i, const SELECTED_BLOCK& b) { return i < b.nIndexEnd; });
  return it != m_arrSelectedBlocks.end() && it->nIndexBegin <= index;
}

void CTKReportSelectedRows::InsertBlock(int nIndexInsert, int nIndexBegin, int nIndexEnd) {
  if (nIndexBegin > nIndexEnd) std::swap(nIndexBegin, nIndexEnd);
  nIndexInsert = std::clamp(nIndexInsert, 0, static_cast<int>(m_arrSelectedBlocks.size()));
  m_arrSelectedBlocks.insert(m_arrSelectedBlocks.begin() + nIndexInsert, SELECTED_BLOCK{nIndexBegin, nIndexEnd});
}

void CTKReportSelectedRows::AddBlock(int nIndexBegin, int nIndexEnd) {
  if (nIndexBegin > nIndexEnd) std::swap(nIndexBegin, nIndexEnd);
  const int first = nIndexBegin, end = nIndexEnd + 1;
  // The blocks that overlap or touch [first, end) join the new one, so the
  // blocks stay sorted, disjoint and maximal for ranges as for single rows.
  auto lo = std::lower_bound(m_arrSelectedBlocks.begin(), m_arrSelectedBlocks.end(), first,
                             [](const SELECTED_BLOCK& b, int i) { return b.nIndexEnd < i; });
  auto hi = lo;
  while (hi != m_arrSelectedBlocks.end() && hi->nIndexBegin <= end) ++hi;
  if (hi - lo == 1 && lo->nIndexBegin <= first && lo->nIndexEnd >= end) return;  // already selected
  SELECTED_BLOCK merged{first, end};
  if (lo != hi) {
    merged.nIndexBegin = std::min(first, lo->nIndexBegin);
    merged.nIndexEnd = std::max(end, (hi - 1)->nIndexEnd);
  }
  auto at = m_arrSelectedBlocks.erase(lo, hi);
  m_arrSelectedBlocks.insert(at, merged);
  Redraw();
}

BOOL CTKReportSelectedRows::RemoveIndex(int nIndex) {
  for (std::size_t i = 0; i < m_arrSelectedBlocks.size(); ++i) {
    SELECTED_BLOCK block = m_arrSelectedBlocks[i];
    if (nIndex < block.nIndexBegin || nIndex >= block.nIndexEnd) continue;
    m_arrSelectedBlocks.erase(m_arrSelectedBlocks.begin() + static_cast<std::ptrdiff_t>(i));
    std::size_t at = i;
    if (block.nIndexBegin < nIndex) InsertBlock(static_cast<int>(at++), block.nIndexBegin, nIndex);
    if (nIndex + 1 < block.nIndexEnd) InsertBlock(static_cast<int>(at), nIndex + 1, block.nIndexEnd);
    return TRUE;
  }
  return FALSE;
}

void CTKReportSelectedRows::Add(CTKReportRow* pRow) {
  if (!pRow || pRow->GetIndex() == -1) return;
  if (NotifySelChanging(kTKReportSelectionAdd, pRow)) return;
  AddBlock(pRow->GetIndex(), pRow->GetIndex());
}

void CTKReportSelectedRows::AddRows(const std::vector<CTKReportRow*>& rows) {
  std::vector<int> indexes;
  indexes.reserve(rows.size());
  for (CTKReportRow* row : rows) {
    if (!row || row->GetIndex() == -1) continue;
    if (NotifySelChanging(kTKReportSelectionAdd, row)) continue;
    indexes.push_back(row->GetIndex());
  }
  if (indexes.empty()) return;
  std::sort(indexes.begin(), indexes.end());
  std::vector<SELECTED_BLOCK> runs;
  for (int index : indexes) {
    if (!runs.empty() && index <= runs.back().nIndexEnd)
      runs.back().nIndexEnd = std::max(runs.back().nIndexEnd, index + 1);
    else runs.push_back({index, index + 1});
  }
  // Both lists are sorted: one merge keeps the blocks sorted, disjoint and
  // maximal.
  std::vector<SELECTED_BLOCK> all(runs.size() + m_arrSelectedBlocks.size());
  std::merge(runs.begin(), runs.end(), m_arrSelectedBlocks.begin(), m_arrSelectedBlocks.end(), all.begin(),
             [](const SELECTED_BLOCK& a, const SELECTED_BLOCK& b) { return a.nIndexBegin < b.nIndexBegin; });
  std::vector<SELECTED_BLOCK> merged;
  merged.reserve(all.size());
  for (const SELECTED_BLOCK& block : all) {
    if (!merged.empty() && block.nIndexBegin <= merged.back().nIndexEnd)
      merged.back().nIndexEnd = std::max(merged.back().nIndexEnd, block.nIndexEnd);
    else merged.push_back(block);
  }
  m_arrSelectedBlocks = std::move(merged);
  Redraw();
}

void CTKReportSelectedRows::Remove(CTKReportRow* pRow) {
  if (!pRow) return;
  if (NotifySelChanging(kTKReportSelectionRemove, pRow)) return;
  if (RemoveIndex(pRow->GetIndex())) Redraw();
}

void CTKReportSelectedRows::Invert(CTKReportRow* pRow) {
  if (!pRow || pRow->GetSectionType() != m_nRowType) return;
  if (Contains(pRow)) Remove(pRow);
  else Add(pRow);
  m_nPivotRow = -1;
  m_bChanged = TRUE;
}

void CTKReportSelectedRows::Select(CTKReportRow* pRow) {
  if (!pRow) return;
  if (pRow->GetSectionType() != m_nRowType) Clear(m_bNotifyOnClear);
  if (m_arrSelectedBlocks.size() == 1 && m_arrSelectedBlocks[0].nIndexBegin == pRow->GetIndex() &&
      m_arrSelectedBlocks[0].nIndexEnd == pRow->GetIndex() + 1 && pRow->GetSectionType() == m_nRowType)
    return;
  Clear(m_bNotifyOnClear);
  m_nRowType = pRow->GetSectionType();
  Add(pRow);
  m_bChanged = TRUE;
}

void CTKReportSelectedRows::Clear(BOOL bNotifyOnClear) {
  if (!m_arrSelectedBlocks.empty()) {
    m_bChanged = TRUE;
    if (bNotifyOnClear && NotifySelChanging(kTKReportSelectionClear)) return;
  }
  m_arrSelectedBlocks.clear();
  m_nPivotRow = -1;
  m_nRowType = 0;
  Redraw();
}

void CTKReportSelectedRows::ShiftRows(int nIndex, int nCount) {
  if (nCount == 0) return;
  for (int i = static_cast<int>(m_arrSelectedBlocks.size()) - 1; i >= 0; --i) {
    SELECTED_BLOCK& block = m_arrSelectedBlocks[static_cast<std::size_t>(i)];
    if (block.nIndexBegin > nIndex) {
      block.nIndexBegin += nCount;
      block.nIndexEnd += nCount;
    } else if (block.nIndexEnd > nIndex + 1) {
      const int end = block.nIndexEnd;
      block.nIndexEnd = nIndex + 1;
      InsertBlock(i + 1, nIndex + nCount + 1, end + nCount);
    } else if (block.nIndexEnd < nIndex) {
      break;
    }
  }
}

void CTKReportSelectedRows::SelectBlock(int nBlockBegin, int nBlockEnd, BOOL bAdditive) {
  const int count = RowCount();
  if (nBlockBegin < 0 || nBlockBegin >= count || nBlockEnd >= count) {
    Clear(m_bNotifyOnClear);
    return;
  }
  if (m_nPivotRow != -1) nBlockBegin = m_nPivotRow;
  if (nBlockBegin == -1 || nBlockEnd == -1) return;
  const int low = std::min(nBlockBegin, nBlockEnd), high = std::max(nBlockBegin, nBlockEnd);
  const int kind = m_nRowType;

  // Clears the blocks (asking the owner) but keeps the section kind.
  auto clearKeepingKind = [&]() {
    const int pivot = m_nPivotRow;
    Clear(m_bNotifyOnClear);
    m_nRowType = kind;
    m_nPivotRow = pivot == -1 ? nBlockBegin : pivot;
  };

  if (!bAdditive) {
    if (m_arrSelectedBlocks.size() == 1 && m_arrSelectedBlocks[0].nIndexBegin == low &&
        m_arrSelectedBlocks[0].nIndexEnd == high + 1)
      return;
    clearKeepingKind();
    if (!m_arrSelectedBlocks.empty()) return;  // the owner kept the selection
    if (m_pControl && m_pControl->IsGrouped() && m_pControl->IsSkipGroupsFocusEnabled()) {
      for (int i = low; i <= high; ++i) {
        CTKReportRow* row = RowAt(i);
        if (!row) continue;
        if (i != low && i != high && row->IsGroupRow() && row->IsExpanded()) continue;
        Add(row);
      }
    } else {
      AddBlock(low, high);
    }
    NotifyRangeSelected(low, high);
  } else {
    if (!m_arrSelectedBlocks.empty() && nBlockEnd >= m_arrSelectedBlocks.front().nIndexBegin &&
        nBlockEnd < m_arrSelectedBlocks.back().nIndexEnd)
      return;
    std::vector<SELECTED_BLOCK> remembered = m_arrSelectedBlocks;
    clearKeepingKind();
    if (!m_arrSelectedBlocks.empty()) return;  // the owner kept the selection
    int first = low, last = high;
    std::vector<SELECTED_BLOCK> blocks;
    if (!(m_pControl && m_pControl->IsShiftAtLastKeyUp())) {
      // Every remembered block is kept (none is dropped because the first
      // one is the first row alone).
      for (const SELECTED_BLOCK& block : remembered) {
        if (block.nIndexEnd <= low || block.nIndexBegin > high) {
          blocks.push_back(block);
        } else {
          first = std::min(first, block.nIndexBegin);
          last = std::max(last, block.nIndexEnd - 1);
        }
      }
    }
    // The range joins the kept blocks it touches; both ends included.
    std::sort(blocks.begin(), blocks.end(),
              [](const SELECTED_BLOCK& a, const SELECTED_BLOCK& b) { return a.nIndexBegin < b.nIndexBegin; });
    m_arrSelectedBlocks = blocks;
    AddBlock(first, last);
    NotifyRangeSelected(first, last);
  }
  if (m_pControl && m_pControl->IsSelectionExcludeGroupRows()) m_pControl->CleanSelectionGroupRows();
}
