// The report control's record operations, filtering and focus: the rows of
// single records added, removed and re-placed without a full rebuild, the
// filter a rebuild applies, and the focus core every focus change goes
// through.
#include <algorithm>
#include <string>
#include <typeinfo>
#include <unordered_set>
#include <vector>

#include "platform/base/wstr.h"

#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportselectedrows.h"

// ---- filtering ---------------------------------------------------------------------------------

const std::vector<CString>& CTKReportControl::FilterTokens(const CString& strFilterText) {
  if (m_bTokensValid && m_strTokensFor == strFilterText && m_bTokensTabsOnly == m_bFilterTabsOnly)
    return m_arrFilterTokens;
  m_arrFilterTokens.clear();
  const int length = strFilterText.GetLength();
  int start = 0;
  auto isSeparator = [this](char16_t c) { return c == u'\t' || (!m_bFilterTabsOnly && c == u' '); };
  while (start < length) {
    while (start < length && isSeparator(strFilterText[start])) ++start;
    int end = start;
    while (end < length && !isSeparator(strFilterText[end])) ++end;
    if (end > start) {
      CString token = strFilterText.Mid(start, end - start);
      token.MakeLower();
      m_arrFilterTokens.push_back(token);
    }
    start = end;
  }
  m_strTokensFor = strFilterText;
  m_bTokensTabsOnly = m_bFilterTabsOnly;
  m_bTokensValid = TRUE;
  return m_arrFilterTokens;
}

BOOL CTKReportControl::IsRecordFiltered(CTKReportRecord* pRecord, CString strFilterText, BOOL bIncludePreview) {
  if (!pRecord) return TRUE;
  if (pRecord->IsFiltered()) return TRUE;
  if (strFilterText.IsEmpty()) return FALSE;
  if ((m_nRecordsTreeFilterMode == 1 || m_nRecordsTreeFilterMode == 2) && pRecord->HasChildren()) {
    CTKReportRecords* children = pRecord->GetChilds();
    for (int i = 0; i < children->GetCount(); ++i) {
      CTKReportRecord* child = children->GetAt(i);
      if (child && !IsRecordFiltered(child, strFilterText, bIncludePreview)) return FALSE;
    }
    if (m_nRecordsTreeFilterMode == 2) return TRUE;
  }
  return IsRecordFilteredByText(pRecord, strFilterText, bIncludePreview);
}

BOOL CTKReportControl::IsRecordFilteredByText(CTKReportRecord* pRecord, CString strFilterText, BOOL bIncludePreview) {
  if (!pRecord) return TRUE;
  const std::vector<CString>& tokens = FilterTokens(strFilterText);
  if (tokens.empty()) return FALSE;
  // The searched captions, lowered once for all the tokens into one
  // reused text, separated by a unit no token holds.
  std::u16string& text = m_filterSearchText;
  text.clear();
  CString scratch;
  for (int i = 0; i < m_pColumns->GetCount(); ++i) {
    CTKReportColumn* column = m_pColumns->GetAt(i);
    if (!column || !column->IsFiltrable() || (!column->IsVisible() && !m_bFilterHiddenColumns)) continue;
    CTKReportRecordItem* item = pRecord->GetItem(column);
    if (!item) continue;
    const CString* caption = &scratch;
    // A text item's caption is read in place where it holds it as it is.
    if (typeid(*item) == typeid(CTKReportRecordItemText) && !item->m_strCaption.IsEmpty())
      caption = &item->m_strCaption;
    else if (typeid(*item) == typeid(CTKReportRecordItemText) && item->m_strFormatString == u"%s")
      caption = &static_cast<CTKReportRecordItemText*>(item)->m_strText;
    else scratch = item->GetCaption(column);
    for (int k = 0; k < caption->GetLength(); ++k) text.push_back(pv::ToLower((*caption)[k]));
    text.push_back(u'\0');
  }
  bool previewRead = false;
  std::u16string preview;
  for (const CString& token : tokens) {
    const std::u16string& t = token.Str();
    if (text.find(t) != std::u16string::npos) continue;
    if (!bIncludePreview) return TRUE;
    if (!previewRead) {
      if (CTKReportRecordItemPreview* item = pRecord->GetItemPreview()) {
        CString value = item->GetPreviewText();
        for (int k = 0; k < value.GetLength(); ++k) preview.push_back(pv::ToLower(value[k]));
      }
      previewRead = true;
    }
    if (preview.find(t) == std::u16string::npos) return TRUE;
  }
  return FALSE;
}

// ---- incremental record operations -------------------------------------------------------------

namespace {

// The display position after the last displayed row of the row's subtree.
int EndOfDisplayedSubtree(CTKReportRow* row) {
  int end = row->GetIndex() + 1;
  CTKReportRow* last = row;
  while (last->IsExpanded() && last->HasChildren()) {
    CTKReportRows* children = last->GetChildRows();
    CTKReportRow* child = children->GetAt(children->GetCount() - 1);
    if (!child || child->GetIndex() < 0) break;
    last = child;
    end = last->GetIndex() + 1;
  }
  return end;
}

// Whether every ancestor of the row is displayed and expanded.
bool AncestorsExpanded(CTKReportRow* row) {
  for (CTKReportRow* parent = row->GetParentRow(); parent; parent = parent->GetParentRow())
    if (!parent->IsExpanded() || parent->GetIndex() < 0) return false;
  return true;
}

void SetLevelsUnder(CTKReportRow* row, CTKReportRow* parent) {
  row->m_pParentRow = parent;
  row->m_nRowLevel = parent ? parent->m_nRowLevel + 1 : 0;
  row->m_nGroupLevel = parent ? parent->m_nGroupLevel + (parent->IsGroupRow() ? 1 : 0) : 0;
}

}  // namespace

void CTKReportControl::InsertRecordRow(CTKReportRecord* pRecord, CTKReportRecord* pParentRecord, int nRowChildIndex) {
  CTKReportRows* tree = m_pSectionBody->GetTreeRows();
  CTKReportRow* parentRow = pParentRecord ? tree->FindRowInTree(pParentRecord) : nullptr;
  // A child whose parent shows no row (filtered out or hidden) gets none.
  if (pParentRecord && !parentRow) return;
  // Positions below are display indexes: renumber what an earlier change
  // inside this lock left pending.
  if (m_bRefreshIndexes) m_pSections->RefreshAllIndexes(FALSE, FALSE);

  CTKReportRow* row = CreateRow();
  row->InitRow(this, m_pSectionBody, pRecord);
  CTKReportRow* top = row;  // the first new row in the tree (a new group row, or the row)
  CTKReportRows* list = nullptr;

  if (parentRow) {
    list = parentRow->GetChildRows(TRUE);
    int position = nRowChildIndex < 0 || nRowChildIndex > list->GetCount() ? list->GetCount() : nRowChildIndex;
    list->InsertAt(position, row);
    SetLevelsUnder(row, parentRow);
  } else {
    BOOL after = FALSE;
    CTKReportRow* neighbour = tree->FindInsertionPos(row, after);
    CTKReportColumnOrder* groups = m_pColumns->GetGroupsOrder();
    const bool grouping = m_pSectionBody->IsAllowGroup() && groups->GetCount() > 0;
    CTKReportRow* parent = neighbour ? neighbour->GetParentRow() : nullptr;
    list = neighbour && neighbour->GetParentRows() ? neighbour->GetParentRows() : tree;
    int position = neighbour ? neighbour->GetChildIndex() + (after ? 1 : 0) : list->GetCount();
    const int firstLevel = grouping ? (neighbour ? neighbour->GetGroupLevel() : 0) : 0;
    if (grouping && firstLevel < groups->GetCount() && !(neighbour && !neighbour->IsGroupRow())) {
      // New group rows from the neighbour's level down to the last group column.
      CTKReportRow* attachTo = parent;
      for (int level = firstLevel; level < groups->GetCount(); ++level) {
        CTKReportColumn* column = groups->GetAt(level);
        CTKReportRecordItem* item = column ? pRecord->GetItem(column) : nullptr;
        CTKReportGroupRow* group = CreateGroupRow();
        group->InitRow(this, m_pSectionBody, nullptr);
        group->SetCaption(item ? item->GetGroupCaption(column).GetString() : u"");
        if (level == firstLevel) {
          list->InsertAt(position, group);
          SetLevelsUnder(group, attachTo);
          top = group;
        } else {
          attachTo->AddChild(group);
          SetLevelsUnder(group, attachTo);
        }
        attachTo = group;
      }
      attachTo->AddChild(row);
      SetLevelsUnder(row, attachTo);
      row->m_bExpanded = attachTo->IsExpanded() && row->m_bExpanded;  // as a rebuild would show it
    } else {
      list->InsertAt(position, row);
      SetLevelsUnder(row, parent);
    }
  }
  list->RefreshChildIndices(FALSE);
  if (top != row && row->GetParentRows()) row->GetParentRows()->RefreshChildIndices(FALSE);

  if (!AncestorsExpanded(top)) return;
  // After the displayed rows of the sibling before, else right after the parent.
  CTKReportRows* siblings = top->GetParentRows();
  CTKReportRow* before = siblings && top->GetChildIndex() > 0 ? siblings->GetAt(top->GetChildIndex() - 1) : nullptr;
  int displayAt = 0;
  if (before && before->GetIndex() >= 0) displayAt = EndOfDisplayedSubtree(before);
  else if (top->GetParentRow()) displayAt = top->GetParentRow()->GetIndex() + 1;
  InsertRowAt(displayAt, top);
}

void CTKReportControl::AddRecordEx(CTKReportRecord* pRecord, CTKReportRecord* pParentRecord, int nRowChildIndex,
                                   int nRecordChildIndex) {
  if (!pRecord) return;
  // A parent record takes the record among its children even when it has none yet.
  CTKReportRecords* target = pParentRecord ? pParentRecord->GetChilds() : m_pSectionBody->GetRecords();
  if (!target) return;
  // A record removed from its collection still names it: test the place.
  const bool member = pRecord->GetRecords() == target && pRecord->GetIndex() >= 0 &&
                      pRecord->GetIndex() < target->GetCount() && target->GetAt(pRecord->GetIndex()) == pRecord;
  if (!member) {
    if (nRecordChildIndex < 0 || nRecordChildIndex >= target->GetCount()) target->Add(pRecord);
    else target->InsertAt(nRecordChildIndex, pRecord);
  }
  BeginUpdate();
  // A row only for what a rebuild would show.
  const bool shown = pRecord->IsLocked() ||
                     (pRecord->IsVisible() && !IsRecordFiltered(pRecord, m_strFilterText, PaintIsPreviewMode()));
  if (shown && !m_pSectionBody->IsVirtualMode()) InsertRecordRow(pRecord, pParentRecord, nRowChildIndex);
  RefreshIndexesDeferred(FALSE, TRUE);
  if (shown && pRecord->HasChildren()) {
    CTKReportRecords* children = pRecord->GetChilds();
    for (int i = 0; i < children->GetCount(); ++i) AddRecordEx(children->GetAt(i), pRecord, -1, -1);
  }
  EndUpdate();
}

BOOL CTKReportControl::RemoveRowFromTree(CTKReportRow* pRow) {
  CTKReportRows* display = m_pSectionBody->GetRows();
  CTKReportRows* tree = m_pSectionBody->GetTreeRows();
  BOOL removed = FALSE;
  CTKReportRow* row = pRow;
  while (row) {
    row->InternalAddRef();
    CTKReportRow* parent = row->GetParentRow();
    CTKReportRows* siblings = row->GetParentRows() ? row->GetParentRows() : tree;
    // Out of the display list, with anything of its subtree still shown.
    const int position = row->GetIndex() >= 0 && display->m_arrRows.GetSize() > 0 ? [&] {
      // Indexes are current here: the row is where its index says.
      if (row->GetIndex() < display->m_arrRows.GetSize() && display->m_arrRows[row->GetIndex()] == row)
        return row->GetIndex();
      for (INT_PTR i = 0; i < display->m_arrRows.GetSize(); ++i)
        if (display->m_arrRows[i] == row) return static_cast<int>(i);
      return -1;
    }() : -1;
    if (position >= 0) {
      const int count = m_pSectionBody->RemoveChildRows(row) + 1;
      display->m_arrRows.RemoveAt(position);
      row->SetVisible(FALSE);
      row->SetIndex(-1);
      row->InternalRelease();
      const int focused = display->GetFocusedRowIndex();
      if (focused > position) display->SetFocusedRowIndex(std::max(position, focused - 1));
      (void)count;
    }
    const int childIndex = row->GetChildIndex();
    if (childIndex >= 0 && childIndex < siblings->GetCount() && siblings->m_arrRows[childIndex] == row)
      siblings->RemoveAt(childIndex);
    else siblings->Remove(row);
    removed = TRUE;
    row->InternalRelease();
    if (parent && parent->IsGroupRow() && !parent->HasChildren()) {
      row = parent;
      continue;
    }
    siblings->RefreshChildIndices(FALSE);
    row = nullptr;
  }
  return removed;
}

BOOL CTKReportControl::RemoveRecordEx(CTKReportRecord* pRecord, BOOL bAdjustLayout, BOOL bRemoveFromParent) {
  if (!pRecord || !m_pSectionBody->GetRecords()) return FALSE;
  pRecord->InternalAddRef();
  BeginUpdate();
  BOOL removed = FALSE;
  if (pRecord->HasChildren()) {
    CTKReportRecords* children = pRecord->GetChilds();
    for (int i = children->GetCount() - 1; i >= 0; --i)
      removed |= RemoveRecordEx(children->GetAt(i), bAdjustLayout, FALSE);
  }
  if (m_bRefreshIndexes) m_pSections->RefreshAllIndexes(FALSE, FALSE);
  if (CTKReportRow* row = m_pSectionBody->GetTreeRows()->FindRowInTree(pRecord)) removed |= RemoveRowFromTree(row);
  if (bRemoveFromParent && pRecord->GetRecords() && pRecord->GetRecords()->RemoveRecord(pRecord) >= 0) removed = TRUE;
  CTKReportRows* display = m_pSectionBody->GetRows();
  if (display->GetFocusedRowIndex() >= display->GetCount()) display->SetFocusedRowIndex(display->GetCount() - 1);
  if (removed) RefreshIndexesDeferred(bAdjustLayout, FALSE);
  EndUpdate();
  pRecord->InternalRelease();
  return removed;
}

namespace {

// The records RemoveRowEx takes out for the row: a record row's record, and
// for a group row the records of every row under it.
void CollectRemovedRecords(CTKReportRow* row, std::unordered_set<CTKReportRecord*>& records) {
  if (!row) return;
  if (!row->IsGroupRow()) {
    if (row->GetRecord()) records.insert(row->GetRecord());
    return;
  }
  CTKReportRows* children = row->GetChildRows();
  for (int i = 0; children && i < children->GetCount(); ++i) CollectRemovedRecords(children->GetAt(i), records);
}

void CollectSubtree(CTKReportRow* row, std::unordered_set<CTKReportRow*>& rows) {
  rows.insert(row);
  if (!row->HasChildren()) return;
  CTKReportRows* children = row->GetChildRows();
  for (int i = 0; i < children->GetCount(); ++i)
    if (CTKReportRow* child = children->GetAt(i)) CollectSubtree(child, rows);
}

// Takes the rows of the records out of the list and its child lists, with
// the group rows they leave empty. Their subtrees go into gone, the list's
// references into released. TRUE when the list changed.
bool PruneRows(CTKReportRows* list, const std::unordered_set<CTKReportRecord*>& records,
               std::unordered_set<CTKReportRow*>& gone, std::vector<CTKReportRow*>& released) {
  bool changed = false;
  INT_PTR kept = 0;
  const INT_PTR count = list->m_arrRows.GetSize();
  for (INT_PTR i = 0; i < count; ++i) {
    CTKReportRow* row = list->m_arrRows[i];
    bool drop = row && row->GetRecord() && records.count(row->GetRecord());
    if (row && !drop && row->HasChildren() && PruneRows(row->GetChildRows(), records, gone, released))
      drop = row->IsGroupRow() && !row->HasChildren();  // an emptied group goes with its rows
    if (drop) {
      CollectSubtree(row, gone);
      released.push_back(row);
      changed = true;
      continue;
    }
    list->m_arrRows[kept++] = row;
  }
  if (changed) {
    list->m_arrRows.SetSize(kept);
    list->RefreshChildIndices(FALSE);
  }
  return changed;
}

}  // namespace

BOOL CTKReportControl::RemoveRowsTogether(const std::vector<CTKReportRow*>& rows, BOOL bAdjustLayout) {
  std::unordered_set<CTKReportRecord*> records;
  for (CTKReportRow* row : rows) CollectRemovedRecords(row, records);
  if (records.empty()) return FALSE;
  std::vector<CTKReportRecord*> held(records.begin(), records.end());
  for (CTKReportRecord* record : held) record->InternalAddRef();
  BeginUpdate();
  if (m_bRefreshIndexes) m_pSections->RefreshAllIndexes(FALSE, FALSE);

  std::unordered_set<CTKReportRow*> gone;
  std::vector<CTKReportRow*> released;
  BOOL removed = PruneRows(m_pSectionBody->GetTreeRows(), records, gone, released);

  // The display list keeps the rows still in the tree; the others leave it
  // (their old indexes stay on the kept rows until the renumbering carries
  // the selection over).
  CTKReportRows* display = m_pSectionBody->GetRows();
  if (!gone.empty() && !display->IsVirtualMode()) {
    const int focused = display->GetFocusedRowIndex();
    int focusedAfter = focused;
    INT_PTR kept = 0;
    const INT_PTR count = display->m_arrRows.GetSize();
    for (INT_PTR i = 0; i < count; ++i) {
      CTKReportRow* row = display->m_arrRows[i];
      if (i == focused) focusedAfter = static_cast<int>(kept);
      if (row && gone.count(row)) {
        row->SetVisible(FALSE);
        row->SetIndex(-1);
        released.push_back(row);
        continue;
      }
      display->m_arrRows[kept++] = row;
    }
    display->m_arrRows.SetSize(kept);
    if (focused >= 0) display->SetFocusedRowIndex(focusedAfter);
  }
  for (CTKReportRow* row : released) row->InternalRelease();

  // Each collection touched is compacted once.
  std::unordered_set<CTKReportRecords*> collections;
  for (CTKReportRecord* record : held)
    if (record->GetRecords()) collections.insert(record->GetRecords());
  for (CTKReportRecords* collection : collections)
    if (collection->RemoveRecords(records) > 0) removed = TRUE;

  if (display->GetFocusedRowIndex() >= display->GetCount()) display->SetFocusedRowIndex(display->GetCount() - 1);
  if (removed) RefreshIndexesDeferred(bAdjustLayout, FALSE);
  EndUpdate();
  for (CTKReportRecord* record : held) record->InternalRelease();
  return removed;
}

BOOL CTKReportControl::RemoveRowEx(CTKReportRow* pRow, BOOL bAdjustLayout) {
  if (!pRow) return FALSE;
  if (pRow->IsGroupRow()) {
    pRow->InternalAddRef();
    BeginWaitCursor();
    RemoveRowsTogether({pRow}, bAdjustLayout);
    EndWaitCursor();
    pRow->InternalRelease();
    return TRUE;
  }
  return RemoveRecordEx(pRow->GetRecord(), bAdjustLayout, TRUE);
}

void CTKReportControl::UpdateRecord(CTKReportRecord* pRecord, BOOL bUpdateChildren) {
  if (!pRecord) return;
  CTKReportRecord* parent = pRecord->GetParentRecord();
  if (parent && !bUpdateChildren) {
    RedrawControl();
    return;
  }
  CTKReportRow* row = m_pSectionBody->GetTreeRows()->FindRowInTree(pRecord);
  // A record without a row (filtered out, hidden) is appended.
  const int rowPosition = row ? row->GetChildIndex() : -1;
  const int recordPosition = pRecord->GetIndex();
  // The collection's reference goes with the removal; this one is handed
  // back to it by the addition.
  pRecord->InternalAddRef();
  BeginUpdate();
  RemoveRecordEx(pRecord, FALSE, TRUE);
  AddRecordEx(pRecord, parent, parent ? rowPosition : -1, recordPosition);
  EndUpdate();
  RedrawControl();
}

// ---- focus -------------------------------------------------------------------------------------

CTKReportRow* CTKReportControl::GetFocusedRow() {
  if (CTKReportRow* row = m_pSectionBody->GetRows()->GetFocusedRow()) return row;
  if (CTKReportRow* row = m_pSectionHeader->GetRows()->GetFocusedRow()) return row;
  return m_pSectionFooter->GetRows()->GetFocusedRow();
}

BOOL CTKReportControl::SetFocusedRowCore(CTKReportRow* pRow) {
  int oldKind = -1, oldIndex = -1;
  const CTKReportSection* order[] = {m_pSectionBody, m_pSectionHeader, m_pSectionFooter};
  for (const CTKReportSection* section : order) {
    if (section->GetRows()->HasFocusedRow()) {
      oldKind = section->GetSectionKind();
      oldIndex = section->GetRows()->GetFocusedRowIndex();
    }
  }
  BOOL accepted = TRUE;
  if (pRow && (pRow->GetSectionType() != oldKind || pRow->GetIndex() != oldIndex)) {
    pRow->InternalAddRef();
    accepted = OnFocusChanging(pRow, nullptr);
    // The owner rebuilt the rows meanwhile: the row is no longer shown.
    if (pRow->m_dwRef <= 1 || pRow->GetIndex() < 0 || !pRow->IsVisible()) accepted = FALSE;
    pRow->InternalRelease();
  }
  m_pSectionBody->GetRows()->SetFocusedRowIndex(-1);
  m_pSectionFooter->GetRows()->SetFocusedRowIndex(-1);
  m_pSectionHeader->GetRows()->SetFocusedRowIndex(-1);
  if (pRow && accepted && pRow->GetSection() && pRow->GetIndex() >= 0)
    pRow->GetSection()->GetRows()->SetFocusedRowIndex(pRow->GetIndex());
  return accepted;
}

BOOL CTKReportControl::SetFocusedRowEx(BOOL bEnsureVisible, CTKReportRow* pRow, BOOL bShiftKey, BOOL bControlKey) {
  CTKReportRows* rows = pRow && pRow->GetSection() ? pRow->GetSection()->GetRows() : m_pSectionBody->GetRows();
  const int previous = rows->GetFocusedRowIndex();
  if (pRow) pRow->InternalAddRef();
  EditItem(nullptr);
  BeginUpdate();
  const BOOL accepted = SetFocusedRowCore(pRow);
  if (pRow && pRow->GetIndex() >= 0 && pRow->IsVisible())
    UpdateSelectionForFocus(pRow, previous, bShiftKey, bControlKey);
  if (bEnsureVisible && pRow && accepted) EnsureVisible(pRow);
  EndUpdate();
  if (pRow) pRow->InternalRelease();
  if (m_pSelectedRows->IsChanged()) OnSelectionChanged();
  return TRUE;
}

BOOL CTKReportControl::SetFocusedRow(CTKReportRow* pRow, BOOL bControlKey) {
  return SetFocusedRowEx(TRUE, pRow, FALSE, bControlKey);
}

BOOL CTKReportControl::SetFocusedRowShift(CTKReportRow* pRow, BOOL bShiftKey, BOOL bControlKey) {
  return SetFocusedRowEx(TRUE, pRow, bShiftKey, bControlKey);
}
