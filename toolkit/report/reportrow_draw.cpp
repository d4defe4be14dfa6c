// Drawing, cell tips and tool hit tests of rows: they go through the paint
// manager and the tip window, which land with the paint work; until then
// rows only remember where they were asked to draw.
#include "platform/framework/afx.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportrow.h"

void CTKReportRow::Draw(TK_REPORTDRAWROWARGS* pDrawArgs) {
  // Placeholder until the paint manager draws rows: keeps the row rectangle.
  if (m_pControl && pDrawArgs) m_rcRow = pDrawArgs->rcRow;
}

void CTKReportRow::DrawItemGrid(CDC*, CTKReportColumn*, RECT) {
  // Placeholder: grid lines are drawn by the paint manager.
}

void CTKReportRow::ShowToolTip(POINT, CTKReportTip*) {
  // Placeholder: cell tips are shown through the report tip window.
}

INT_PTR CTKReportRow::OnToolHitTest(POINT, TOOLINFOW*) {
  // Placeholder: tools are described through the tooltip context.
  return -1;
}

void CTKReportGroupRow::Draw(TK_REPORTDRAWROWARGS* pDrawArgs) {
  // Placeholder until the paint manager draws group rows.
  if (m_pControl && pDrawArgs) m_rcRow = pDrawArgs->rcRow;
}

INT_PTR CTKReportGroupRow::OnToolHitTest(POINT, TOOLINFOW*) {
  // Placeholder: tools are described through the tooltip context.
  return -1;
}
