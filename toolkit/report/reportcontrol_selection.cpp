// The report control's side of the selection: what a focus move selects,
// and the clean-up that keeps group rows out of the selection.
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportselectedrows.h"

#include <vector>

void CTKReportControl::UpdateSelectionForFocus(CTKReportRow* pRow, int nPrevFocused, BOOL bShiftKey, BOOL bControlKey) {
  if (!pRow || !pRow->GetSection() || !pRow->GetSection()->IsAllowSelection()) return;
  if (m_bMultipleSelection) {
    if (bShiftKey && nPrevFocused != -1) {
      m_pSelectedRows->SelectBlock(nPrevFocused, pRow->GetIndex(), bControlKey);
    } else if (!bShiftKey && !bControlKey) {
      m_pSelectedRows->Select(pRow);
    }
  } else {
    m_pSelectedRows->Select(pRow);
  }
}

namespace {

// The displayed group rows of the tree, found through group rows only.
void CollectShownGroupRows(CTKReportRows* rows, std::vector<CTKReportRow*>& out) {
  for (int i = 0; rows && i < rows->GetCount(); ++i) {
    CTKReportRow* row = rows->GetAt(i);
    if (!row || !row->IsGroupRow()) continue;
    if (row->GetIndex() >= 0) out.push_back(row);
    if (row->IsExpanded()) CollectShownGroupRows(row->GetChildRows(), out);
  }
}

}  // namespace

void CTKReportControl::DeselectGroupRows() {
  if (IsVirtualMode() || !m_bSkipGroupsFocus || !IsGrouped()) return;  // no grouping, no group rows
  if (m_pSelectedRows->GetSectionKind() != kTKReportSectionBody || m_pSelectedRows->GetCount() == 0) return;
  // Group rows are few beside the rows a selection can hold: test them,
  // not the selected rows.
  std::vector<CTKReportRow*> groups;
  CollectShownGroupRows(m_pSectionBody->GetTreeRows(), groups);
  for (CTKReportRow* row : groups)
    if (m_pSelectedRows->Contains(row)) m_pSelectedRows->Remove(row);
}

void CTKReportControl::CleanSelectionGroupRows() {
  if (m_bSelectionExcludeGroupRows) DeselectGroupRows();
}
