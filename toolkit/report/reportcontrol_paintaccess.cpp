// What the report control reads from its paint manager. The paint manager
// comes with the paint work; until it is there (and whenever a control has
// none) these answer its defaults.
#include "toolkit/report/reportcontrol.h"

int CTKReportControl::PaintRowHeight(CTKReportRow* pRow, CDC*) const {
  if (m_bFreeHeightMode && pRow && !pRow->IsGroupRow() && pRow->GetRowHeight() > 0) return pRow->GetRowHeight();
  return pRow && pRow->IsGroupRow() ? 24 : 18;
}

int CTKReportControl::PaintTreeIndent() const { return 20; }

BOOL CTKReportControl::PaintIsPreviewMode() const { return FALSE; }

int CTKReportControl::PaintExpandButtonWidth(CTKReportRow*) const { return 16; }

int CTKReportControl::PaintGroupIndent() const { return 0; }

void CTKReportControl::PaintInitMetrics(TK_REPORTRECORDITEM_METRICS* pMetrics) const {
  if (!pMetrics) return;
  pMetrics->pFont = nullptr;
  pMetrics->clrForeground = ::GetSysColor(COLOR_WINDOWTEXT);
}

void CTKReportControl::PaintSelectionColors(TK_REPORTRECORDITEM_METRICS* pMetrics, BOOL bFocused) const {
  if (!pMetrics) return;
  pMetrics->clrForeground = ::GetSysColor(bFocused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
  pMetrics->clrBackground = ::GetSysColor(bFocused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
}

int CTKReportControl::PaintDividerHeight(int nStyle) const { return nStyle ? 2 : 0; }
