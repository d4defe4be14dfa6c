#include "toolkit/report/reportsection.h"

#include <algorithm>
#include <typeinfo>

#include "platform/framework/afx.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reportselectedrows.h"
#include "toolkit/report/reporttip.h"

CTKReportSection::CTKReportSection(CTKReportControl* pControl, int nSection)
    : m_pBorder(new CTKReportBorder()),
      m_pControl(pControl),
      m_clrDivider(::GetSysColor(COLOR_3DFACE)),
      m_nSection(nSection) {
  m_pRecords = new CTKReportRecords();
  m_pRecords->SetReportControl(pControl);
  m_pRows = new CTKReportRows();
  m_pTree = new CTKReportRows();
}

CTKReportSection::~CTKReportSection() {
  if (m_pRecords) m_pRecords->SetMarkupContext(nullptr);
  TKReleaseHeld(m_pRows);
  TKReleaseHeld(m_pTree);
  TKReleaseHeld(m_pRecords);
  delete m_pBorder;
}

CTKReportRecord* CTKReportSection::AddRecord(CTKReportRecord* pRecord) { return m_pRecords->Add(pRecord); }

void CTKReportSection::ResetContent() {
  m_pRecords->RemoveAll();
  m_pRows->Clear(TRUE);
  m_pTree->Clear(TRUE);
  m_nTreeCount = 0;
  m_arrSortedPositions.clear();
}

BOOL CTKReportSection::IsVirtualMode() const { return m_pRecords && m_pRecords->IsVirtualMode(); }

void CTKReportSection::SetMarkupContext(CTKMarkupContext* pContext) {
  m_pMarkupContext = pContext;
  m_pRecords->SetMarkupContext(pContext);
}

// ---- population --------------------------------------------------------------------------------

void CTKReportSection::BuildTree(CTKReportRows* pTree, CTKReportRow* pParentRow, CTKReportRecords* pRecords) {
  if (!pRecords) return;
  const int count = pRecords->GetCount();
  pTree->ReserveSize(count);
  const CString filter = m_pControl->GetFilterText();
  const BOOL preview = m_pControl->PaintIsPreviewMode();
  for (int i = 0; i < count; ++i) {
    CTKReportRecord* record = pRecords->GetAt(i);
    if (!record) continue;
    if (!record->IsLocked() && (!record->IsVisible() || m_pControl->IsRecordFiltered(record, filter, preview)))
      continue;
    CTKReportRow* row = m_pControl->CreateRow();
    row->InitRow(m_pControl, this, record);
    row->m_pParentRow = pParentRow;
    if (pParentRow) {
      row->m_nRowLevel = pParentRow->m_nRowLevel + 1;
      row->m_nGroupLevel = pParentRow->m_nGroupLevel;
    }
    pTree->Add(row);
    if (record->HasChildren()) {
      CTKReportRows* children = row->GetChildRows(TRUE);
      BuildTree(children, row, record->GetChilds());
      if (m_pControl->IsSortRecordChilds() && children->GetCount() > 0) {
        SortRows(children);
        children->RefreshChildIndices(FALSE);
      }
    }
  }
}

namespace {

// Depth and group level of every row below, as the invariant gives them.
void SetTreeLevels(CTKReportRows* rows, CTKReportRow* parent) {
  for (int i = 0; i < rows->GetCount(); ++i) {
    CTKReportRow* row = rows->GetAt(i);
    if (!row) continue;
    row->m_pParentRow = parent;
    row->m_nRowLevel = parent ? parent->m_nRowLevel + 1 : 0;
    row->m_nGroupLevel = parent ? parent->m_nGroupLevel + (parent->IsGroupRow() ? 1 : 0) : 0;
    if (row->HasChildren()) SetTreeLevels(row->GetChildRows(), row);
  }
}

// What GetCaption(column) answers, read in place where a text item holds
// it as it is (its caption, or its text under "%s"); else a copy in scratch.
const CString& CaptionOf(CTKReportRecordItem* item, CTKReportColumn* column, CString& scratch) {
  if (typeid(*item) == typeid(CTKReportRecordItemText)) {
    if (!item->m_strCaption.IsEmpty()) return item->m_strCaption;
    if (item->m_strFormatString == u"%s") return static_cast<CTKReportRecordItemText*>(item)->m_strText;
  }
  scratch = item->GetCaption(column);
  return scratch;
}

}  // namespace

void CTKReportSection::GroupRows() {
  CTKReportColumnOrder* groups = m_pControl->GetColumns()->GetGroupsOrder();
  const int levels = groups->GetCount();
  // Take the sorted rows out of the tree list, keeping their references.
  std::vector<CTKReportRow*> sorted(m_pTree->m_arrRows.GetData(),
                                    m_pTree->m_arrRows.GetData() + m_pTree->m_arrRows.GetSize());
  m_pTree->m_arrRows.RemoveAll();
  m_pTree->ReserveSize(std::max<INT_PTR>(300, static_cast<INT_PTR>(sorted.size()) / (levels + 1)));
  // The group row open at each level, with its caption's key: for items
  // whose group caption is the column caption, ": " and their caption,
  // that caption alone decides equality, so the full caption is only
  // formatted for a new group.
  struct Open {
    CTKReportGroupRow* row = nullptr;
    bool plain = false;
    CString key;
    std::uint32_t rank = 0;
  };
  std::vector<Open> path(static_cast<std::size_t>(levels));
  // Where the sort ranked a group column's captions (equal rank: equal
  // caption under the collection's case rule), the ranks decide.
  const bool markup = m_pControl->GetMarkupContext() || m_pRecords->GetMarkupContext();
  std::vector<const std::vector<std::uint32_t>*> ranked(static_cast<std::size_t>(levels), nullptr);
  if (m_groupRanks.size() == static_cast<std::size_t>(levels) && !markup) {
    for (int level = 0; level < levels; ++level) {
      const std::vector<std::uint32_t>& r = m_groupRanks[static_cast<std::size_t>(level)];
      if (r.size() == sorted.size() && groups->GetAt(level) && !groups->GetAt(level)->GetMarkupUIElement())
        ranked[static_cast<std::size_t>(level)] = &r;
    }
  }
  CString scratch;
  for (std::size_t position = 0; position < sorted.size(); ++position) {
    CTKReportRow* row = sorted[position];
    CTKReportRecord* record = row->GetRecord();
    CTKReportGroupRow* parent = nullptr;
    bool candidateValid = true;
    for (int level = 0; level < levels; ++level) {
      CTKReportColumn* column = groups->GetAt(level);
      if (const std::vector<std::uint32_t>* ranks = ranked[static_cast<std::size_t>(level)]) {
        Open& open = path[static_cast<std::size_t>(level)];
        const std::uint32_t rank = (*ranks)[position];
        if (candidateValid && open.row && open.rank == rank) {
          parent = open.row;
          continue;
        }
        CTKReportRecordItem* item = record ? record->GetItem(column) : nullptr;
        CTKReportGroupRow* group = m_pControl->CreateGroupRow();
        group->InitRow(m_pControl, this, nullptr);
        group->SetCaption(item ? item->GetGroupCaption(column).GetString() : u"");
        if (parent) parent->AddChild(group);
        else m_pTree->Add(group);
        open.row = group;
        open.rank = rank;
        parent = group;
        candidateValid = false;
        continue;
      }
      CTKReportRecordItem* item = record && column ? record->GetItem(column) : nullptr;
      const bool plain = item && !item->GetMarkupUIElement() && !column->GetMarkupUIElement() &&
                         TKReportGroupComparesAsCompare(item, column);
      CString full;
      if (!plain && item) full = item->GetGroupCaption(column);
      const CString& key = plain ? CaptionOf(item, column, scratch) : full;
      Open& open = path[static_cast<std::size_t>(level)];
      if (candidateValid && open.row) {
        bool same;
        if (plain == open.plain) {
          same = m_pRecords->CompareStrings(key, open.key) == 0;
        } else {
          CString caption = plain ? item->GetGroupCaption(column) : key;
          same = m_pRecords->CompareStrings(caption, open.row->GetCaption()) == 0;
        }
        if (same) {
          parent = open.row;
          continue;
        }
      }
      CTKReportGroupRow* group = m_pControl->CreateGroupRow();
      group->InitRow(m_pControl, this, nullptr);
      group->SetCaption(plain ? item->GetGroupCaption(column).GetString() : key.GetString());
      if (parent) parent->AddChild(group);
      else m_pTree->Add(group);
      open.row = group;
      open.plain = plain;
      open.key = key;
      parent = group;
      candidateValid = false;
    }
    if (parent) {
      parent->AddChild(row);  // the reference taken out of the old list moves here
    } else {
      m_pTree->Add(row);
    }
  }
  SetTreeLevels(m_pTree, nullptr);
}

void CTKReportSection::FillDisplayList() {
  m_pRows->ReserveSize(m_pRecords->GetCount() + m_pTree->GetCount() + 10);
  for (int i = 0; i < m_pTree->GetCount(); ++i) {
    CTKReportRow* row = m_pTree->GetAt(i);
    row->m_nChildIndex = i;
    InsertRow(m_pRows->GetCount(), row);
  }
  for (int i = 0; i < m_pRows->GetCount(); ++i) {
    CTKReportRow* row = m_pRows->GetAt(i);
    row->SetIndex(i);
    row->m_pSection = this;
    row->SetVisible(TRUE);
  }
}

void CTKReportSection::RestoreFocus(CTKReportRecord* pFocusedRecord) {
  if (!pFocusedRecord) return;
  CTKReportRow* row = m_pRows->FindRow(pFocusedRecord, FALSE);
  if (!row) return;
  m_pRows->SetFocusedRowIndex(row->GetIndex());
  if (!m_bAllowSelection || !m_pControl->IsInitialSelectionEnabled()) return;
  if (m_pControl->IsSkipGroupsFocusEnabled()) {
    while (row && row->IsGroupRow() && row->HasChildren()) row = row->GetChildRows()->GetAt(0);
  }
  if (row && row->GetIndex() >= 0) m_pControl->GetSelectedRows()->Select(row);
}

void CTKReportSection::Populate(BOOL bAdjustLayout) {
  if (bAdjustLayout) {
    m_pControl->EditItem(nullptr);
    m_pControl->BeginUpdate();
  }
  CTKReportRow* focused = m_pRows->GetFocusedRow();
  CTKReportRecord* focusedRecord = focused ? focused->GetRecord() : nullptr;
  if (focusedRecord) focusedRecord->InternalAddRef();
  m_pRows->Clear(TRUE);
  m_pTree->Clear(TRUE);
  m_arrSortedPositions.clear();

  if (IsVirtualMode()) {
    CTKReportRow* row = m_pControl->CreateRow();
    row->InitRow(m_pControl, this, m_pRecords->m_pVirtualRecord);
    row->SetVisible(TRUE);
    m_pRows->SetVirtualMode(row, m_pRecords->GetCount());
    m_nTreeCount = m_pRecords->GetCount();
  } else {
    BuildTree(m_pTree, nullptr, m_pRecords);
    m_nTreeCount = m_pTree->GetCount();
    SortRows(m_pTree);
    if (m_bAllowGroup && m_pControl->GetColumns()->GetGroupsOrder()->GetCount() > 0) GroupRows();
    FillDisplayList();
    RestoreFocus(focusedRecord);
  }
  if (focusedRecord) focusedRecord->InternalRelease();

  if (bAdjustLayout) {
    if (m_pControl->GetReportHeader())
      m_pControl->GetReportHeader()->SetIndentLevel(m_pControl->GetColumns()->GetGroupsOrder()->GetCount());
    m_pControl->AdjustLayout();
    m_pControl->AdjustScrollBars();
    m_pControl->EndUpdate();
  }
}

void CTKReportSection::RefreshRows() {
  if (IsVirtualMode()) {
    Populate(TRUE);
    return;
  }
  CTKReportSelectedRows* selection = m_pControl->GetSelectedRows();
  CTKReportRow* focused = m_pRows->GetFocusedRow();
  CTKReportRecord* focusedRecord = focused ? focused->GetRecord() : nullptr;
  const bool ours = selection->GetSectionKind() == m_nSection;
  const BOOL reselect = m_pControl->IsInitialSelectionEnabled() || (ours && selection->GetCount() > 0);
  // The selection follows the records: remember it in them, since the
  // display indexes it is kept by change with the sort.
  for (int i = 0; i < m_pRows->GetCount(); ++i) {
    CTKReportRow* row = m_pRows->GetAt(i);
    if (row && row->GetRecord())
      row->GetRecord()->SetSelected(ours && m_pControl->m_bKeepSelectionAfterSort && row->IsSelected());
  }
  if (ours) {
    selection->m_arrSelectedBlocks.clear();
    selection->m_nPivotRow = -1;
  }

  SortTree(m_pTree);
  m_pRows->Clear(FALSE);
  FillDisplayList();

  // The focused row too takes the state its record remembers: a row the
  // user took out of the selection stays out. Without remembered states
  // the focused row keeps the selection it is given here.
  const bool remembered = ours && m_pControl->m_bKeepSelectionAfterSort;
  CTKReportRow* focusRow = nullptr;
  if (focusedRecord) {
    focusRow = m_pRows->FindRow(focusedRecord, FALSE);
    if (focusRow) {
      m_pRows->SetFocusedRowIndex(focusRow->GetIndex());
      if (reselect && m_bAllowSelection && !(remembered && !focusedRecord->IsSelected())) selection->Select(focusRow);
    }
  }
  for (int i = 0; i < m_pRows->GetCount(); ++i) {
    CTKReportRow* row = m_pRows->GetAt(i);
    if (!row || !row->GetRecord() || (row == focusRow && reselect && m_bAllowSelection && !remembered)) continue;
    const BOOL wanted = row->GetRecord()->IsSelected();
    if (wanted != row->IsSelected() && m_bAllowSelection) {
      if (wanted) selection->AddBlock(i, i);
      else selection->Remove(row);
    }
  }
}

int CTKReportSection::SortRows(CTKReportRows* pRows) {
  if (!pRows || pRows->GetCount() == 0) return 0;
  CTKReportColumns* columns = m_pControl->GetColumns();
  if (columns->GetSortOrder()->GetCount() == 0 && columns->GetGroupsOrder()->GetCount() == 0) return 0;
  if (pRows == m_pTree) m_groupRanks.clear();
  if (CTKReportRows::T_CompareFunc compare = m_pControl->GetSortCompareFunction()) pRows->SortEx(compare);
  else if (pRows == m_pTree && typeid(*pRows) == typeid(CTKReportRows))
    TKReportSortRowsKeyed(pRows->m_arrRows.GetData(), pRows->GetCount(), &m_groupRanks);
  else pRows->Sort();
  if (pRows == m_pTree) {
    m_arrSortedPositions.clear();
    m_arrSortedPositions.reserve(static_cast<std::size_t>(pRows->GetCount()));
    for (int i = 0; i < pRows->GetCount(); ++i) {
      CTKReportRecord* record = pRows->GetAt(i)->GetRecord();
      if (record) m_arrSortedPositions.push_back(static_cast<unsigned>(record->GetIndex()));
    }
  }
  return pRows->GetCount();
}

void CTKReportSection::SortTree(CTKReportRows* pRows) {
  if (!pRows) return;
  SortRows(pRows);
  for (int i = 0; i < pRows->GetCount(); ++i) {
    CTKReportRow* row = pRows->GetAt(i);
    if (!row || !row->HasChildren()) continue;
    CTKReportRecord* record = row->GetRecord();
    if (row->IsGroupRow() || !record || !record->HasChildren() || m_pControl->IsSortRecordChilds())
      SortTree(row->GetChildRows());
  }
  pRows->RefreshChildIndices(FALSE);
}

// ---- display list ------------------------------------------------------------------------------

int CTKReportSection::InsertRow(int nIndex, CTKReportRow* pRow) {
  if (!pRow) return 0;
  pRow->InternalAddRef();
  m_pRows->InsertAt(nIndex, pRow);
  pRow->m_pSection = this;
  pRow->SetVisible(TRUE);
  int inserted = 1;
  if (pRow->IsExpanded() && pRow->HasChildren()) inserted += InsertChildRows(nIndex, pRow);
  return inserted;
}

int CTKReportSection::InsertChildRows(int nIndex, CTKReportRow* pRow) {
  if (!pRow || !pRow->HasChildren()) return 0;
  CTKReportRows* children = pRow->GetChildRows();
  int inserted = 0;
  for (int i = 0; i < children->GetCount(); ++i) {
    CTKReportRow* child = children->GetAt(i);
    if (!child) continue;
    child->m_nRowLevel = pRow->m_nRowLevel + 1;
    child->m_nGroupLevel = pRow->m_nGroupLevel + (pRow->IsGroupRow() ? 1 : 0);
    inserted += InsertRow(nIndex + 1 + inserted, child);
  }
  return inserted;
}

int CTKReportSection::RemoveChildRows(CTKReportRow* pRow) {
  if (!pRow) return 0;
  int position = -1;
  for (int i = 0; i < m_pRows->GetCount(); ++i) {
    if (m_pRows->m_arrRows[i] == pRow) {
      position = i;
      break;
    }
  }
  if (position < 0) return 0;
  const int first = position + 1;
  int last = first;
  while (last < m_pRows->GetCount() && m_pRows->m_arrRows[last]->IsParent(pRow)) ++last;
  const int count = last - first;
  if (count == 0) return 0;
  for (int i = first; i < last; ++i) {
    CTKReportRow* row = m_pRows->m_arrRows[i];
    row->SetVisible(FALSE);
    row->SetIndex(-1);
    row->InternalRelease();
  }
  m_pRows->m_arrRows.RemoveAt(first, count);
  int focused = m_pRows->GetFocusedRowIndex();
  if (focused >= first) m_pRows->SetFocusedRowIndex(std::max(focused - count, position));
  return count;
}

void CTKReportSection::RefreshIndexes(BOOL bAdjustLayout, BOOL bReverseOrder) {
  if (!IsVirtualMode()) {
    CTKReportSelectedRows* selection = m_pControl->GetSelectedRows();
    const bool ours = selection && selection->GetSectionKind() == m_nSection && selection->GetCount() > 0;
    const int count = m_pRows->GetCount();
    // Each row's selection is read under its old index and kept under its
    // new one.
    std::vector<char> selected;
    if (ours) {
      selected.resize(static_cast<std::size_t>(count));
      for (int i = 0; i < count; ++i)
        selected[static_cast<std::size_t>(i)] = selection->Contains(m_pRows->m_arrRows[i]);
    }
    for (int n = 0; n < count; ++n) {
      const int i = bReverseOrder ? count - 1 - n : n;
      CTKReportRow* row = m_pRows->m_arrRows[i];
      row->SetIndex(i);
      row->m_pSection = this;
      row->SetVisible(TRUE);
    }
    if (ours) {
      selection->m_arrSelectedBlocks.clear();
      for (int i = 0; i < count;) {
        if (!selected[static_cast<std::size_t>(i)]) {
          ++i;
          continue;
        }
        int end = i + 1;
        while (end < count && selected[static_cast<std::size_t>(end)]) ++end;
        selection->m_arrSelectedBlocks.push_back({i, end});
        i = end;
      }
    }
  }
  if (bAdjustLayout) m_pControl->AdjustScrollBars();
}

// ---- heights and scrolling ---------------------------------------------------------------------

int CTKReportSection::GetRowsHeight(CDC* pDC) const {
  return GetRowsHeightRange(pDC, GetRowsRect().Width(), m_pRows->GetCount());
}

int CTKReportSection::GetRowsHeightRange(CDC* pDC, int nWidth, int nCount) const {
  if (!pDC) return -1;
  int height = 0;
  nCount = std::min(nCount, m_pRows->GetCount());
  for (int i = 0; i < nCount; ++i) {
    CTKReportRow* row = m_pRows->GetAt(i);
    if (row) height += row->GetHeight(pDC, nWidth);
  }
  return height;
}

int CTKReportSection::GetContentHeight(CDC* pDC) const {
  return std::max(0, GetRowsHeight(pDC)) + (m_pBorder ? m_pBorder->GetSize().cy : 0);
}

CRect CTKReportSection::GetRowsRect() const {
  if (!m_pBorder) return m_rcSection;
  RECT rc = DeflateByThickness(m_rcSection.left, m_rcSection.top, m_rcSection.right, m_rcSection.bottom,
                               m_pBorder->GetMargin());
  rc = DeflateByThickness(rc.left, rc.top, rc.right, rc.bottom, m_pBorder->GetBorderThickness());
  rc = DeflateByThickness(rc.left, rc.top, rc.right, rc.bottom, m_pBorder->GetPadding());
  return CRect(rc);
}

int CTKReportSection::GetPageRowCount(CDC* pDC) const {
  const CRect rcRows = GetRowsRect();
  const int available = rcRows.Height();
  const int count = m_pRows->GetCount();
  int used = 0, rows = 0;
  for (int i = std::max(0, m_pRows->GetTopRowIndex()); i < count; ++i) {
    CTKReportRow* row = m_pRows->GetAt(i);
    int h = row ? row->GetHeight(pDC, rcRows.Width()) : 0;
    if (used + h > available) break;
    used += h;
    ++rows;
  }
  return rows;
}

BOOL CTKReportSection::FindRowAtOffset(CDC* pDC, int nWidth, int nOffset, int& nIndex, int& nTop) const {
  int top = 0;
  for (int i = 0; i < m_pRows->GetCount(); ++i) {
    CTKReportRow* row = m_pRows->GetAt(i);
    int h = row ? row->GetHeight(pDC, nWidth) : 0;
    if (nOffset >= top && nOffset <= top + h) {
      nIndex = i;
      nTop = top;
      return TRUE;
    }
    top += h;
  }
  return FALSE;
}

BOOL CTKReportSection::EnsureVisible(CDC* pDC, CTKReportRow* pRow) {
  if (!pDC || !pRow || pRow->GetIndex() < 0) return FALSE;
  const int index = pRow->GetIndex();
  const CRect rcRows = GetRowsRect();
  const int width = rcRows.Width();
  const int height = rcRows.Height();
  int top = m_pRows->GetTopRowIndex();
  if (m_pControl->IsVerticalPixelScrolling() && !m_pControl->IsIconView()) {
    int offset = GetRowsHeightRange(pDC, width, index);
    int rowHeight = pRow->GetHeight(pDC, width);
    const int position = m_pControl->GetTopOffset();
    if (offset < position) m_pControl->SetTopOffset(offset);
    else if (offset + rowHeight > position + height) m_pControl->SetTopOffset(offset + rowHeight - height);
    return TRUE;
  }
  if (index < top) {
    top = index;
  } else {
    int used = 0;
    for (int i = top; i <= index; ++i) used += m_pRows->GetAt(i)->GetHeight(pDC, width);
    if (used > height) {
      int fit = 0;
      top = index;
      while (top >= 0) {
        fit += m_pRows->GetAt(top)->GetHeight(pDC, width);
        if (fit > height) break;
        --top;
      }
      top = std::min(index, top + 1);
    }
  }
  if (top != m_pRows->GetTopRowIndex()) {
    if (m_nSection == kTKReportSectionBody) m_pControl->SetTopRow(top);
    else m_pRows->SetTopRowIndex(top);
  }
  return TRUE;
}

void CTKReportSection::Draw(CDC* pDC) {
  if (!pDC || !m_bVisible) return;
  if (m_pBorder) {
    if (CTKReportPaintManager* pm = m_pControl->GetPaintManager()) m_pBorder->SetBorderColor(pm->m_clrGridLine);
    m_pBorder->Draw(pDC, m_rcSection.left, m_rcSection.top, m_rcSection.right, m_rcSection.bottom);
  }
  CRect rcRows = GetRowsRect();
  int top = m_pRows->GetTopRowIndex();
  int y = rcRows.top;
  if (m_pControl->IsVerticalPixelScrolling() && m_nSection == kTKReportSectionBody) {
    int index = 0, rowTop = 0;
    if (FindRowAtOffset(pDC, rcRows.Width(), m_pControl->GetTopOffset(), index, rowTop)) {
      top = index;
      y -= m_pControl->GetTopOffset() - rowTop;
    }
  }
  m_pControl->DrawRows(pDC, rcRows, y, m_pRows, top, 0, m_pControl->GetColumns()->GetCount());
}

// ---- the three sections ------------------------------------------------------------------------

CTKReportSections::CTKReportSections(CTKReportControl* pControl) : m_pControl(pControl) {
  m_arrSections.push_back(new CTKReportSection(pControl, kTKReportSectionHeader));
  m_arrSections.push_back(new CTKReportSection(pControl, kTKReportSectionBody));
  m_arrSections.push_back(new CTKReportSection(pControl, kTKReportSectionFooter));
}

CTKReportSections::~CTKReportSections() {
  for (CTKReportSection* section : m_arrSections) delete section;
}

CTKReportSection* CTKReportSections::GetAt(int nIndex) const {
  return nIndex >= 0 && nIndex < GetSize() ? m_arrSections[static_cast<std::size_t>(nIndex)] : nullptr;
}

CTKReportSection* CTKReportSections::GetSection(int nKind) const {
  for (CTKReportSection* section : m_arrSections)
    if (section->GetSectionKind() == nKind) return section;
  return nullptr;
}

CTKReportSection* CTKReportSections::HitTest(POINT pt) const {
  CTKReportSection* found = nullptr;
  for (CTKReportSection* section : m_arrSections)
    if (section->GetRect().PtInRect(pt)) found = section;
  return found;
}

CTKReportRow* CTKReportSections::GetFocusedRow() const {
  for (CTKReportSection* section : m_arrSections)
    if (section->GetRows()->HasFocusedRow()) return section->GetRows()->GetFocusedRow();
  return nullptr;
}

BOOL CTKReportSections::EnsureVisible(CDC* pDC, CTKReportRow* pRow) {
  if (!pRow || !pRow->GetSection()) return FALSE;
  return pRow->GetSection()->EnsureVisible(pDC, pRow);
}

void CTKReportSections::Draw(CDC* pDC) {
  for (CTKReportSection* section : m_arrSections)
    if (section->IsVisible()) section->Draw(pDC);
}

void CTKReportSections::AdjustLayout(CDC* pDC, CRect rcSections) {
  m_rcSections = rcSections;
  const int available = rcSections.Height();
  std::vector<int> heights(m_arrSections.size(), 0), dividers(m_arrSections.size(), 0);
  int used = 0;
  for (std::size_t i = 0; i < m_arrSections.size(); ++i) {
    CTKReportSection* s = m_arrSections[i];
    if (!s->IsVisible()) continue;
    dividers[i] = s->GetDividerStyle() ? m_pControl->PaintDividerHeight(s->GetDividerStyle()) : 0;
    switch (s->GetHeightMode()) {
      case kTKReportSectionHeightFixed:
        heights[i] = s->GetHeight();
        break;
      case kTKReportSectionHeightPercent:
        heights[i] = available * s->GetHeight() / 100;
        break;
      case kTKReportSectionHeightFill:
        heights[i] = 0;
        break;
      case kTKReportSectionHeightAuto:
      case kTKReportSectionHeightContent:
      case kTKReportSectionHeightShrink:
        heights[i] = s->GetContentHeight(pDC);
        break;
      default:
        heights[i] = 0;
        break;
    }
    used += heights[i] + dividers[i];
  }
  const int rest = available - used;
  for (std::size_t i = 0; i < m_arrSections.size(); ++i) {
    CTKReportSection* s = m_arrSections[i];
    if (!s->IsVisible()) continue;
    if (rest < 0 && s->GetHeightMode() == kTKReportSectionHeightShrink) heights[i] = std::max(0, heights[i] + rest);
  }
  for (std::size_t i = 0; i < m_arrSections.size(); ++i) {
    CTKReportSection* s = m_arrSections[i];
    if (s->IsVisible() && s->GetHeightMode() == kTKReportSectionHeightFill) heights[i] = std::max(0, rest);
  }
  int y = rcSections.top;
  for (std::size_t i = 0; i < m_arrSections.size(); ++i) {
    CTKReportSection* s = m_arrSections[i];
    if (!s->IsVisible()) {
      s->m_rcSection.SetRect(rcSections.left, y, rcSections.right, y);
      s->m_rcDivider.SetRectEmpty();
      continue;
    }
    if (s->GetDividerStyle() && s->GetDividerPosition() == 0) {
      s->m_rcDivider.SetRect(rcSections.left, y, rcSections.right, y + dividers[i]);
      y += dividers[i];
    }
    s->m_rcSection.SetRect(rcSections.left, y, rcSections.right, y + heights[i]);
    y += heights[i];
    if (s->GetDividerStyle() && s->GetDividerPosition() == 1) {
      s->m_rcDivider.SetRect(rcSections.left, y, rcSections.right, y + dividers[i]);
      y += dividers[i];
    }
  }
}

void CTKReportSections::RefreshAll() {
  for (CTKReportSection* section : m_arrSections)
    if (section->IsAllowSort()) section->RefreshRows();
  if (m_pControl->GetReportHeader())
    m_pControl->GetReportHeader()->SetIndentLevel(m_pControl->GetColumns()->GetGroupsOrder()->GetCount());
  m_pControl->AdjustLayout();
  m_pControl->RedrawControl();
}

void CTKReportSections::RefreshAllIndexes(BOOL bAdjustLayout, BOOL bReverseOrder) {
  for (CTKReportSection* section : m_arrSections) section->RefreshIndexes(FALSE, bReverseOrder);
  if (bAdjustLayout) m_pControl->AdjustScrollBars();
}

void CTKReportSections::SetMarkupContext(CTKMarkupContext* pContext) {
  for (CTKReportSection* section : m_arrSections) section->SetMarkupContext(pContext);
}

// ---- merged cells ------------------------------------------------------------------------------

CTKReportRecordMergeItem& CTKReportRecordMergeItem::operator=(const CTKReportRecordMergeItem& other) {
  if (this != &other) m_arrEntries = other.m_arrEntries;
  return *this;
}

void CTKReportRecordMergeItem::AddItem(int nColumnPos, int nRowIndex, const RECT& rect) {
  m_arrEntries.push_back({{nColumnPos, nRowIndex}, CRect(rect)});
}

BOOL CTKReportRecordMergeItem::FindMergedRect(TK_REPORTMERGEDRANGE& range, CRect& rect) {
  range = TK_REPORTMERGEDRANGE{};
  std::vector<Entry> kept;
  kept.reserve(m_arrEntries.size());
  for (const Entry& entry : m_arrEntries) {
    const int c = entry.id.nColumnPos, r = entry.id.nRowIndex;
    if (!range.IsValid()) {
      range = {c, c, r, r};
      rect = entry.rect;
      continue;
    }
    const bool inside = c >= range.nColumnFrom && c <= range.nColumnTo && r >= range.nRowFrom && r <= range.nRowTo;
    const bool verticalNeighbour =
        c >= range.nColumnFrom && c <= range.nColumnTo && (r == range.nRowFrom - 1 || r == range.nRowTo + 1);
    const bool horizontalNeighbour =
        r >= range.nRowFrom && r <= range.nRowTo && (c == range.nColumnFrom - 1 || c == range.nColumnTo + 1);
    if (inside || verticalNeighbour || horizontalNeighbour) {
      range.nColumnFrom = std::min(range.nColumnFrom, c);
      range.nColumnTo = std::max(range.nColumnTo, c);
      range.nRowFrom = std::min(range.nRowFrom, r);
      range.nRowTo = std::max(range.nRowTo, r);
      rect.UnionRect(rect, entry.rect);
    } else {
      kept.push_back(entry);
    }
  }
  m_arrEntries.swap(kept);
  return range.IsValid();
}
