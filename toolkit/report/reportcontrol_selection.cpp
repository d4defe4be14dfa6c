// The report control's side of the selection: what a focus move selects,
// and the clean-up that keeps group rows out of the selection.
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportselectedrows.h"

void CTKReportControl::UpdateSelectionForFocus(CTKReportRow* pRow, int nPrevFocused, BOOL bShiftKey,
                                               BOOL bControlKey) {
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

void CTKReportControl::DeselectGroupRows() {
  if (IsVirtualMode() || !m_bSkipGroupsFocus) return;
  if (m_pSelectedRows->GetSectionKind() != kTKReportSectionBody || m_pSelectedRows->GetCount() == 0) return;
  CTKReportRows* rows = m_pSectionBody->GetRows();
  // Only rows inside the blocks can be selected group rows.
  std::vector<CTKReportRow*> groups;
  for (const auto& block : m_pSelectedRows->GetBlocks())
    for (int i = block.nIndexBegin; i < block.nIndexEnd; ++i) {
      CTKReportRow* row = rows->GetAt(i);
      if (row && row->IsGroupRow()) groups.push_back(row);
    }
  for (CTKReportRow* row : groups) m_pSelectedRows->Remove(row);
}

void CTKReportControl::CleanSelectionGroupRows() {
  if (m_bSelectionExcludeGroupRows) DeselectGroupRows();
}
