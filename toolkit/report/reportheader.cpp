#include "toolkit/report/reportheader.h"

#include "platform/framework/afx.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"

CTKReportHeader::CTKReportHeader(CTKReportControl* pControl, CTKReportColumns* pColumns)
    : m_pColumns(pColumns), m_pControl(pControl) {}

CTKReportHeader::~CTKReportHeader() = default;

void CTKReportHeader::OnColumnsChanged(int, CTKReportColumn*) {
  // The layout of the header follows the columns at the next layout pass.
  if (m_pControl) {
    m_pControl->AdjustLayout();
    m_pControl->RedrawControl();
  }
}

CTKReportColumn* CTKReportHeader::GetNextVisibleColumn(int nIndex, int nDirection) {
  if (!m_pColumns || (nDirection != 1 && nDirection != -1)) return nullptr;
  for (int i = nIndex + nDirection; i >= 0 && i < m_pColumns->GetCount(); i += nDirection) {
    CTKReportColumn* column = m_pColumns->GetAt(i);
    if (column && column->IsVisible()) return column;
  }
  return nullptr;
}

CTKReportColumn* CTKReportHeader::GetHotTrackedColumn() const {
  return m_bPressedInHeader ? m_pPressedColumn : m_pHotColumn;
}
