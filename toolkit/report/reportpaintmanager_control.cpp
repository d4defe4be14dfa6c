// What the paint manager's drawing reads of its control, and the drawing
// that needs the control's rows and images.
#include "platform/framework/afxgdi.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportdatahost.h"
#include "toolkit/report/reportpaintmanager.h"

BOOL CTKReportPaintManager::IsControlInIconView() { return TKGetReportDataHost(m_pControl)->IsIconView(); }
BOOL CTKReportPaintManager::UseSelectionTextForHyperlink(TK_REPORTRECORDITEM_DRAWARGS*) { return FALSE; }
BOOL CTKReportPaintManager::IsHotHyperlink(CTKReportHyperlink*) { return FALSE; }
BOOL CTKReportPaintManager::IsRowSelected(CTKReportRow*) { return FALSE; }
void CTKReportPaintManager::GetControlVerticalScroll(int* pnPos, int* pnLimit) {
  *pnPos = 0;
  *pnLimit = 0;
}
BOOL CTKReportPaintManager::IsControlAutoColumnSizing() { return FALSE; }
BOOL CTKReportPaintManager::IsControlScrolledByPixels() { return FALSE; }
BOOL CTKReportPaintManager::IsControlGroupByVisible() { return FALSE; }
CRect CTKReportPaintManager::GetControlGroupByArea() { return CRect(0, 0, 0, 0); }
BOOL CTKReportPaintManager::IsHeaderPressInProgress(CTKReportHeader*) { return FALSE; }
CTKReportColumn* CTKReportPaintManager::GetColumnLeftOf(CTKReportHeader*, CTKReportColumn* pColumn) {
  CTKReportColumns* columns = pColumn ? pColumn->GetColumns() : nullptr;
  const int index = pColumn ? pColumn->GetVisibleIndex() : -1;
  return columns && index > 0 ? columns->GetVisibleAt(index - 1) : nullptr;
}

int CTKReportPaintManager::ColumnIconHeight(CTKReportColumn*) { return 0; }
int CTKReportPaintManager::GetRowHeight(CDC* pDC, CTKReportRow* pRow, int) { return GetBaseRowHeight(pDC, pRow); }
int CTKReportPaintManager::GetBaseRowHeight(CDC*, CTKReportRow*) { return m_nRowHeight + (IsGridVisible(0) ? 1 : 0); }
void CTKReportPaintManager::DrawVerticalBodyLine(CDC*, int, CTKReportControl*, COLORREF) {}
void CTKReportPaintManager::DrawGroupRow(CDC*, CTKReportGroupRow*, CRect, TK_REPORTRECORDITEM_METRICS*) {}
void CTKReportPaintManager::FillGroupRowMetrics(CTKReportGroupRow*, TK_REPORTRECORDITEM_METRICS*, BOOL) {}
int CTKReportPaintManager::DrawBitmap(CDC*, CTKReportControl*, CRect, int) { return 0; }
int CTKReportPaintManager::DrawColumnIcon(CDC*, CTKReportColumn*, CRect, CRect, int) { return 0; }
void CTKReportPaintManager::DrawTreeStructure(TK_REPORTRECORDITEM_DRAWARGS*, TK_REPORTRECORDITEM_METRICS*, CRect,
                                              CSize) {}
void CTKReportPaintManager::DrawItemBitmap(TK_REPORTRECORDITEM_DRAWARGS*, CRect&, int) {}
void CTKReportPaintManager::DrawRowNumber(CDC*, CRect, CTKReportRow*) {}
void CTKReportPaintManager::DrawItemControl(TK_REPORTRECORDITEM_DRAWARGS*, CTKReportRecordItemControl*, CRect&) {}
CSize CTKReportPaintManager::DrawExpandButton(CDC*, CTKReportRow*, CRect&) { return CSize(0, 0); }
