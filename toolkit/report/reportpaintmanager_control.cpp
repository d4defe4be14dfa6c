// What the paint manager's drawing reads of its control.
#include "toolkit/report/reportdatahost.h"
#include "toolkit/report/reportpaintmanager.h"

BOOL CTKReportPaintManager::IsControlInIconView() { return TKGetReportDataHost(m_pControl)->IsIconView(); }

BOOL CTKReportPaintManager::UseSelectionTextForHyperlink(TK_REPORTRECORDITEM_DRAWARGS*) { return FALSE; }

BOOL CTKReportPaintManager::IsHotHyperlink(CTKReportHyperlink*) { return FALSE; }
