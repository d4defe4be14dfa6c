#include "toolkit/report/reportitemeditoptions.h"

#include "toolkit/report/reportinplacebutton.h"

CTKReportRecordItemConstraint* CTKReportRecordItemConstraints::GetAt(int nIndex) const {
  if (nIndex < 0 || nIndex >= GetCount()) return nullptr;
  return m_arrConstraints[nIndex];
}

void CTKReportRecordItemConstraints::RemoveAll() {
  for (INT_PTR i = m_arrConstraints.GetSize() - 1; i >= 0; --i) {
    if (m_arrConstraints[i]) m_arrConstraints[i]->InternalRelease();
  }
  m_arrConstraints.RemoveAll();
}

CTKReportRecordItemEditOptions::CTKReportRecordItemEditOptions() : m_pConstraints(new CTKReportRecordItemConstraints) {}

CTKReportRecordItemEditOptions::~CTKReportRecordItemEditOptions() {
  for (INT_PTR i = 0; i < m_arrInplaceButtons.GetSize(); ++i) {
    CTKReportInplaceButton* button = m_arrInplaceButtons[i];
    if (!button) continue;
    if (button->m_hWnd) button->DestroyWindow();
    delete button;
  }
  m_arrInplaceButtons.RemoveAll();
  if (m_pConstraints) m_pConstraints->InternalRelease();
}

CTKReportRecordItemConstraint* CTKReportRecordItemEditOptions::AddConstraint(LPCTSTR lpszConstraint, DWORD_PTR dwData) {
  auto* constraint = new CTKReportRecordItemConstraint;
  constraint->m_strConstraint = lpszConstraint ? lpszConstraint : u"";
  constraint->m_dwData = dwData;
  constraint->m_nIndex = static_cast<int>(m_pConstraints->m_arrConstraints.Add(constraint));
  return constraint;
}

CTKReportRecordItemConstraint* CTKReportRecordItemEditOptions::FindConstraint(DWORD_PTR dwData) const {
  for (int i = 0; i < m_pConstraints->GetCount(); ++i) {
    CTKReportRecordItemConstraint* constraint = m_pConstraints->GetAt(i);
    if (constraint && constraint->m_dwData == dwData) return constraint;
  }
  return nullptr;
}

CTKReportRecordItemConstraint* CTKReportRecordItemEditOptions::FindConstraintByCaption(LPCTSTR lpszConstraint) const {
  if (!lpszConstraint) return nullptr;
  for (int i = 0; i < m_pConstraints->GetCount(); ++i) {
    CTKReportRecordItemConstraint* constraint = m_pConstraints->GetAt(i);
    if (constraint && constraint->m_strConstraint.Compare(lpszConstraint) == 0) return constraint;
  }
  return nullptr;
}

CTKReportInplaceButton* CTKReportRecordItemEditOptions::AddComboButton(BOOL bInside) {
  auto* button = new CTKReportInplaceButton(kTKReportComboButton);
  button->m_bInsideCellButton = bInside;
  m_arrInplaceButtons.Add(button);
  return button;
}

CTKReportInplaceButton* CTKReportRecordItemEditOptions::AddExpandButton(BOOL bInside) {
  auto* button = new CTKReportInplaceButton(kTKReportExpandButton);
  button->m_bInsideCellButton = bInside;
  m_arrInplaceButtons.Add(button);
  return button;
}

CTKReportInplaceButton* CTKReportRecordItemEditOptions::AddSpinButton(BOOL bInside, int nMin, int nMax, int nStep) {
  auto* button = new CTKReportInplaceButton(kTKReportSpinButton);
  button->m_bInsideCellButton = bInside;
  button->SetSpinButtonMin(nMin);
  button->SetSpinButtonMax(nMax);
  button->SetSpinButtonStep(nStep);
  m_arrInplaceButtons.Add(button);
  return button;
}

CTKReportInplaceButton* CTKReportRecordItemEditOptions::GetButton(int nIndex) const {
  if (nIndex < 0 || nIndex >= GetButtonCount()) return nullptr;
  return m_arrInplaceButtons[nIndex];
}
