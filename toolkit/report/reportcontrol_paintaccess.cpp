// What the report control reads from its paint manager (the defaults of
// a fresh paint manager when a control has none).
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportpaintmanager.h"

int CTKReportControl::PaintRowHeight(CTKReportRow* pRow, CDC* pDC) const {
  if (!m_pPaintManager) {
    if (m_bFreeHeightMode && pRow && !pRow->IsGroupRow() && pRow->GetRowHeight() > 0) return pRow->GetRowHeight();
    return pRow && pRow->IsGroupRow() ? 24 : 18;
  }
  return m_pPaintManager->GetRowHeight(pDC, pRow, m_rcHeaderArea.Width());
}

int CTKReportControl::PaintTreeIndent() const { return m_pPaintManager ? m_pPaintManager->GetTreeIndent() : 20; }

BOOL CTKReportControl::PaintIsPreviewMode() const { return m_pPaintManager && m_pPaintManager->IsPreviewMode(); }

int CTKReportControl::PaintExpandButtonWidth(CTKReportRow*) const {
  return m_pPaintManager ? m_pPaintManager->GetGlyphSize().cx : 16;
}

int CTKReportControl::PaintGroupIndent() const { return 0; }

void CTKReportControl::PaintInitMetrics(TK_REPORTRECORDITEM_METRICS* pMetrics) const {
  if (!pMetrics) return;
  pMetrics->pFont = m_pPaintManager ? m_pPaintManager->GetTextFont() : nullptr;
  pMetrics->clrForeground =
      m_pPaintManager ? static_cast<COLORREF>(m_pPaintManager->m_clrWindowText) : ::GetSysColor(COLOR_WINDOWTEXT);
}

void CTKReportControl::PaintSelectionColors(TK_REPORTRECORDITEM_METRICS* pMetrics, BOOL bFocused) const {
  if (!pMetrics) return;
  if (!m_pPaintManager) {
    pMetrics->clrForeground = ::GetSysColor(bFocused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
    pMetrics->clrBackground = ::GetSysColor(bFocused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
    return;
  }
  CTKReportPaintManager* pm = m_pPaintManager;
  pMetrics->clrForeground = bFocused ? pm->m_clrHighlightText : pm->m_clrSelectedRowText;
  pMetrics->clrBackground = bFocused ? pm->m_clrHighlight : pm->m_clrSelectedRow;
}

int CTKReportControl::PaintDividerHeight(int nStyle) const {
  return m_pPaintManager ? m_pPaintManager->GetDividerThickness(nStyle) : (nStyle ? 2 : 0);
}
