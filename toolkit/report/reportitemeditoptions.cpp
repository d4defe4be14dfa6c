#include "toolkit/report/reportitemeditoptions.h"

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

CTKReportRecordItemEditOptions::CTKReportRecordItemEditOptions()
    : m_pConstraints(new CTKReportRecordItemConstraints) {}

CTKReportRecordItemEditOptions::~CTKReportRecordItemEditOptions() {
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
