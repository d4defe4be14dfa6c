// Today's reminder list. Temporary: each live reminder occurs once, at its
// RemindDate and RemindTime; the reminder engine brings the repeats and the
// expiry of finite series.
#include <algorithm>
#include <vector>

#include "app/data/datastore.h"
#include "app/mainframe/remind.h"
#include "app/pravenorapp.h"
#include "platform/system/msgbox.h"

void CPravenorApp::BuildTodayReminders(const COleDateTime& date) {
  _RecordsetPtr rs(u"ADODB.Recordset");
  if (!m_dataStore.OpenRecordset(u"select content,RemindDate,RemindTime,NumberOfTimes,separation,taid,rid,"
                                 u"executenumber,message,sendnumber,submitted from remind where  effect<>0",
                                 rs))
    return;
  std::vector<RemindSTR> found;
  try {
    for (; !rs->GetadoEOF(); rs->MoveNext()) {
      COleDateTime day(rs->GetCollect(_variant_t(u"RemindDate")));
      COleDateTime time(rs->GetCollect(_variant_t(u"RemindTime")));
      if (day.GetStatus() != COleDateTime::valid || time.GetStatus() != COleDateTime::valid) continue;
      if (day.GetYear() != date.GetYear() || day.GetMonth() != date.GetMonth() || day.GetDay() != date.GetDay())
        continue;
      RemindSTR r;
      r.occurrence = COleDateTime(day.GetYear(), day.GetMonth(), day.GetDay(), time.GetHour(), time.GetMinute(),
                                  time.GetSecond());
      _variant_t content = rs->GetCollect(_variant_t(u"content"));
      if (content.vt == VT_BSTR && content.bstrVal)
        r.content = CString(std::u16string_view(content.bstrVal, SysStringLen(content.bstrVal)));
      r.taid = static_cast<long>(rs->GetCollect(_variant_t(u"taid")));
      r.rid = static_cast<long>(rs->GetCollect(_variant_t(u"rid")));
      r.numberOfTimes = static_cast<long>(rs->GetCollect(_variant_t(u"NumberOfTimes")));
      r.separation = static_cast<long>(rs->GetCollect(_variant_t(u"separation")));
      r.executeNumber = static_cast<long>(rs->GetCollect(_variant_t(u"executenumber")));
      r.message = static_cast<bool>(rs->GetCollect(_variant_t(u"message")));
      r.sendNumber = static_cast<long>(rs->GetCollect(_variant_t(u"sendnumber")));
      r.submitted = static_cast<bool>(rs->GetCollect(_variant_t(u"submitted")));
      found.push_back(std::move(r));
    }
    rs->Close();
  } catch (const _com_error& e) {
    _bstr_t d = e.Description();
    const char16_t* text = static_cast<const char16_t*>(d);
    ::MessageBoxW(nullptr, text ? text : u"", u"Prompt", MB_OK | MB_ICONEXCLAMATION);
  }
  for (auto& r : found) m_reminders.Add(r);
  std::stable_sort(m_reminders.GetData(), m_reminders.GetData() + m_reminders.GetSize(),
                   [](const RemindSTR& a, const RemindSTR& b) { return a.occurrence < b.occurrence; });
}
