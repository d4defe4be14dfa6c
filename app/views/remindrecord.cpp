#include "app/views/remindrecord.h"

#include "platform/system/locale.h"
#include "toolkit/common/propexchangeschema.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportpaintmanager.h"

IMPLEMENT_SERIAL(CRemindDate, CTKReportRecordItemDateTime, VERSIONABLE_SCHEMA | kTKSchemaCurrent)
IMPLEMENT_SERIAL(CRemindTime, CRemindDate, VERSIONABLE_SCHEMA | kTKSchemaCurrent)
IMPLEMENT_SERIAL(CMessageRecordItemCheck, CTKReportRecordItem, VERSIONABLE_SCHEMA | kTKSchemaCurrent)
IMPLEMENT_SERIAL(CRemindRecord, CTKReportRecord, VERSIONABLE_SCHEMA | kTKSchemaCurrent)

CRemindDate::CRemindDate() : CRemindDate(COleDateTime()) {}

CRemindDate::CRemindDate(const COleDateTime& value) : CTKReportRecordItemDateTime(value) {
  m_strFormatString = u"%a %Y-%m-%d";
}

CString CRemindDate::GetCaption(CTKReportColumn* pColumn) {
  if (m_odtValue.GetStatus() == COleDateTime::valid && m_odtValue.m_dt == 0.0) return u"None";
  return CTKReportRecordItemDateTime::GetCaption(pColumn);
}

void CRemindDate::OnEditChanged(TK_REPORTRECORDITEM_ARGS*, LPCTSTR szText) {
  COleDateTime parsed;
  if (parsed.ParseDateTime(szText ? szText : u"", 0, LANG_USER_DEFAULT) && parsed.GetStatus() == COleDateTime::valid)
    m_odtValue = parsed;
}

CRemindTime::CRemindTime() : CRemindTime(COleDateTime()) {}

CRemindTime::CRemindTime(const COleDateTime& value) : CRemindDate(value) { m_strFormatString = u"%H:%M"; }

// The zero value (a time of 00:00 stored without a date) reads "None", as
// in the date column.
CString CRemindTime::GetCaption(CTKReportColumn* pColumn) { return CRemindDate::GetCaption(pColumn); }

CMessageRecordItemCheck::CMessageRecordItemCheck(BOOL checked) {
  SetHasCheckbox(TRUE, FALSE);
  SetChecked(checked);
  SetEditTextWithCheckbox(FALSE);
}

int CMessageRecordItemCheck::Compare(CTKReportColumn*, CTKReportRecordItem* pItem) {
  return GetCheckedState() - (pItem ? pItem->GetCheckedState() : 0);
}

int CMessageRecordItemCheck::Draw(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs) {
  const int width = CTKReportRecordItem::Draw(pDrawArgs);
  CTKReportPaintManager* paint = pDrawArgs && pDrawArgs->pControl ? pDrawArgs->pControl->GetPaintManager() : nullptr;
  if (!paint) return width;
  const CRect cell(pDrawArgs->rcItem);
  const CSize glyph = paint->GetGlyphSize();
  const CPoint centre = cell.CenterPoint();
  const CRect box(centre.x - glyph.cx / 2, centre.y - glyph.cy / 2, centre.x - glyph.cx / 2 + glyph.cx,
                  centre.y - glyph.cy / 2 + glyph.cy);
  m_rcGlyph = box;
  if (pDrawArgs->pDC) paint->DrawGlyph(pDrawArgs->pDC, box, IsChecked() ? tkGlyphChecked : tkGlyphUnchecked);
  return width;
}

CRemindRecord::CRemindRecord() = default;

CRemindRecord::CRemindRecord(const CString& content, const COleDateTime& date, const COleDateTime& time,
                             const CString& numberOfTimes, const CString& separation, int rid, BOOL message) {
  AddItem(new CTKReportRecordItemText(content));
  AddItem(new CRemindDate(date));
  AddItem(new CRemindTime(time));
  AddItem(new CTKReportRecordItemText(numberOfTimes));
  AddItem(new CTKReportRecordItemText(separation));
  AddItem(new CMessageRecordItemCheck(message));
  AddItem(new CTKReportRecordItemNumber(rid));
}
