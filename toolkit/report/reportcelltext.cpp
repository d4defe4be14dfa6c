// The paint manager's drawing of cell text: single lines with either kind
// of ellipsis, several lines, and hyperlinks inside the text.
#include "platform/framework/afxgdi.h"
#include "toolkit/report/reportpaintmanager.h"

void CTKReportPaintManager::DrawItemCaption(TK_REPORTRECORDITEM_DRAWARGS*, TK_REPORTRECORDITEM_METRICS*) {}
void CTKReportPaintManager::DrawTextLine(TK_REPORTRECORDITEM_DRAWARGS*, TK_REPORTRECORDITEM_METRICS*, const CString&,
                                         CRect, UINT, int*, int*) {}
int CTKReportPaintManager::DrawString(int*, CDC*, const CString&, CRect, UINT) { return 0; }
void CTKReportPaintManager::DrawMultiLineText(TK_REPORTRECORDITEM_DRAWARGS*, TK_REPORTRECORDITEM_METRICS*,
                                              const CString&, CRect, BOOL) {}
void CTKReportPaintManager::DrawTextLineWithHyperlinks(TK_REPORTRECORDITEM_DRAWARGS*, TK_REPORTRECORDITEM_METRICS*,
                                                       const CString&, CRect, int, int, int) {}
int CTKReportPaintManager::CalcTextHeight(CDC*, const CString&, int, BOOL) { return 0; }
CRect* CTKReportPaintManager::CalcTextRect(CRect* pResult, CDC*, const CString&, CRect rc, BOOL, BOOL, UINT) {
  *pResult = rc;
  return pResult;
}
int CTKReportPaintManager::DrawHyperlink(int*, TK_REPORTRECORDITEM_DRAWARGS*, TK_REPORTRECORDITEM_METRICS*,
                                         CTKReportHyperlink*, CString, CRect, UINT, BOOL) {
  return 0;
}
void CTKReportPaintManager::ReplaceSpacesInHyperlinks(CTKReportRecordItem*, CString&, TCHAR) {}
int CTKReportPaintManager::GetTextWidth(CDC* pDC, const CString& strText) {
  return pDC ? pDC->GetTextExtent(strText).cx : 0;
}
