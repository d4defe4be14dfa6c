// The paint manager's drawing of rows, grid lines, glyphs, columns, footers
// and the group-by area.
#include <algorithm>

#include "platform/framework/afxgdi.h"
#include "toolkit/report/reportpaintmanager.h"

int CTKReportPaintManager::ColumnIconHeight(CTKReportColumn*) { return 0; }
int CTKReportPaintManager::GetRowHeight(CDC* pDC, CTKReportRow* pRow, int) { return GetBaseRowHeight(pDC, pRow); }
int CTKReportPaintManager::GetBaseRowHeight(CDC*, CTKReportRow*) {
  return m_nRowHeight + (IsGridVisible(0) ? 1 : 0);
}
int CTKReportPaintManager::GetPrintPageWidth() { return m_nPrintPageWidth; }
void CTKReportPaintManager::FillRow(CDC*, CTKReportRow*, CRect) {}
void CTKReportPaintManager::DrawGridLine(CDC*, BOOL, CRect) {}
void CTKReportPaintManager::DrawFreezeColsDivider(CDC*, const CRect&, CTKReportControl*, CTKReportRow*) {}
void CTKReportPaintManager::DrawVerticalBodyLine(CDC*, int, CTKReportControl*, COLORREF) {}
void CTKReportPaintManager::DrawGroupRow(CDC*, CTKReportGroupRow*, CRect, TK_REPORTRECORDITEM_METRICS*) {}
void CTKReportPaintManager::FillGroupRowMetrics(CTKReportGroupRow*, TK_REPORTRECORDITEM_METRICS*, BOOL) {}
void CTKReportPaintManager::FillIndent(CDC*, CRect) {}
void CTKReportPaintManager::FillSortedColumnShade(CDC*, CRect) {}
void CTKReportPaintManager::FillHeaderControl(CDC*, CRect) {}
void CTKReportPaintManager::FillFooter(CDC*, CRect) {}
void CTKReportPaintManager::DrawColumn(CDC*, CTKReportColumn*, CTKReportHeader*, CRect, BOOL) {}
void CTKReportPaintManager::DrawColumnFooter(CDC*, CTKReportColumn*, CTKReportHeader*, CRect) {}
void CTKReportPaintManager::DrawFocusedRow(CDC*, CRect) {}
void CTKReportPaintManager::FillGroupByControl(CDC*, CRect) {}
int CTKReportPaintManager::DrawBitmap(CDC*, CTKReportControl*, CRect, int) { return 0; }
int CTKReportPaintManager::DrawColumnIcon(CDC*, CTKReportColumn*, CRect, CRect, int) { return 0; }
CSize CTKReportPaintManager::DrawGlyph(CDC*, CRect, int) { return CSize(0, 0); }
CSize CTKReportPaintManager::DrawShellIcon(CDC*, CRect, int) { return CSize(0, 0); }
void CTKReportPaintManager::DrawInplaceButton(CDC*, CTKReportInplaceButton*) {}
BOOL CTKReportPaintManager::DrawComboButtonGlyph(CDC*, CRect*) { return FALSE; }
BOOL CTKReportPaintManager::DrawExpandButtonGlyph(CDC*, CRect*) { return FALSE; }
BOOL CTKReportPaintManager::DrawSpinButtonGlyph(CDC*, CRect*) { return FALSE; }
void CTKReportPaintManager::DrawTreeStructure(TK_REPORTRECORDITEM_DRAWARGS*, TK_REPORTRECORDITEM_METRICS*, CRect,
                                              CSize) {}
void CTKReportPaintManager::DrawItemBitmap(TK_REPORTRECORDITEM_DRAWARGS*, CRect&, int) {}
void CTKReportPaintManager::DrawRowNumber(CDC*, CRect, CTKReportRow*) {}
void CTKReportPaintManager::DrawItemControl(TK_REPORTRECORDITEM_DRAWARGS*, CTKReportRecordItemControl*, CRect&) {}
void CTKReportPaintManager::DrawNoGroupByText(CDC*, CRect) {}
void CTKReportPaintManager::DrawColumnBackground(CDC*, CTKReportColumn*, CRect, BOOL*, CTKReportHeader*) {}
void CTKReportPaintManager::DrawPatternedRect(CDC*, CBrush*, CRect, const WORD[8], COLORREF) {}
void CTKReportPaintManager::DrawInplaceButtonFrame(CDC*, CTKReportInplaceButton*) {}
BOOL CTKReportPaintManager::DrawInplaceButtonIcon(CDC*, CTKReportInplaceButton*) { return FALSE; }
void CTKReportPaintManager::DrawTreeLine(CDC*, int, int, int, int, COLORREF) {}
void CTKReportPaintManager::DrawExpandButton(CDC*, CRect, BOOL) {}
void CTKReportPaintManager::DrawSortArrow(CDC*, CRect, BOOL) {}
void CTKReportPaintManager::DrawSectionDivider(CDC*, const CRect&, int, COLORREF) {}
int CTKReportPaintManager::GetDividerThickness(int) const { return 0; }
void CTKReportPaintManager::DrawLeftBottomEdges(CDC*, CRect, COLORREF) {}
