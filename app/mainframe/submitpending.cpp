#include "app/mainframe/submitpending.h"

#include <vector>

#include "app/data/datastore.h"
#include "app/mainframe/httpurl.h"
#include "app/mainframe/mainframe.h"
#include "app/reminders/remindcalendar.h"
#include "app/mainframe/remindmessenger.h"
#include "app/views/formsapp.h"
#include "platform/system/msgbox.h"
#include "toolkit/common/registrymanager.h"

namespace {

struct Row {
  CString content;
  COleDateTime start;
  int times = 0, separation = 0, rid = 0;
  bool message = false, submitted = false;
};

bool IsNull(const _variant_t& v) { return v.vt == VT_NULL || v.vt == VT_EMPTY; }

// The rows to act on, read whole before any request is made. False after a
// database error (shown).
bool ReadRows(CDataStore& store, std::vector<Row>& rows) {
  _RecordsetPtr rs(u"ADODB.Recordset");
  if (!store.OpenRecordset(u"select content,RemindDate,RemindTime,NumberOfTimes,separation,rid,message,submitted "
                           u"from remind where (message<>0 and submitted=0 and effect<>0) or "
                           u"(effect<>0 and message=0 and submitted<>0)",
                           rs))
    return false;
  try {
    for (; !rs->GetadoEOF(); rs->MoveNext()) {
      _variant_t v[8];
      for (long i = 0; i < 8; ++i) v[i] = rs->GetCollect(_variant_t(i));
      bool complete = true;
      for (long i = 1; i < 8; ++i) complete = complete && !IsNull(v[i]);
      if (!complete) continue;  // a row the form never writes: leave it alone
      Row r;
      if (v[0].vt == VT_BSTR && v[0].bstrVal)
        r.content = CString(std::u16string_view(v[0].bstrVal, SysStringLen(v[0].bstrVal)));
      r.start = RemindFirstOccurrence(COleDateTime(v[1]), COleDateTime(v[2]));
      r.times = static_cast<long>(v[3]);
      r.separation = static_cast<long>(v[4]);
      r.rid = static_cast<long>(v[5]);
      r.message = static_cast<bool>(v[6]);
      r.submitted = static_cast<bool>(v[7]);
      rows.push_back(r);
    }
    rs->Close();
  } catch (const _com_error& e) {
    _bstr_t d = e.Description();
    const char16_t* text = static_cast<const char16_t*>(d);
    ::MessageBoxW(nullptr, text ? text : u"", u"Prompt", MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}

// Whether the series has an occurrence later than `to`.
bool ContinuesAfter(const Row& r, const COleDateTime& to) {
  if (RemindOccurrenceCount(r.times) == 0) return true;  // unbounded
  const COleDateTime last = RemindLastOccurrence(r.start, r.times, r.separation);
  return last.GetStatus() == COleDateTime::valid && last > to && !(last == to);
}

}  // namespace

SubmissionReport SubmitPendingMessages(CDataStore& store, CHttpUrl& client, const CMessageSettings& settings,
                                       const COleDateTime& from, const COleDateTime& to) {
  SubmissionReport report;
  // Switched off, or no account to send with: the password stays home.
  if (!settings.m_useMessage || !settings.m_quitSend) return report;
  if (settings.m_userName.IsEmpty() || settings.m_userPwd.IsEmpty()) return report;
  if (!store.IsOpen()) return report;
  std::vector<Row> rows;
  if (!ReadRows(store, rows)) return report;

  auto ask = [&](auto&& request) {
    CString reply = request();
    ++report.requests;
    if (client.LastRequestFailed()) report.unreachable = true;
    return reply;
  };
  auto markSubmitted = [&](int rid, int value) {
    store.ExecuteUpdate(
        value ? u"update remind set submitted=1 where rid=?" : u"update remind set submitted=0 where rid=?",
        {_variant_t(static_cast<long>(rid))});
  };

  for (const Row& r : rows) {
    if (!r.message) {  // withdrawn: cancel at the service
      CString reply = ask([&] { return client.CancelTextMessage(settings.m_userName, settings.m_userPwd, r.rid); });
      if (report.unreachable) break;
      if (reply == u"0") markSubmitted(r.rid, 0);
      continue;
    }
    // Sends to an account the service cannot have would all be refused.
    if (!CHttpUrl::AccountLooksValid(settings.m_userName, settings.m_userPwd)) continue;
    if (!IsRemindSeries(r.times, r.separation) || r.start.GetStatus() != COleDateTime::valid) continue;
    std::vector<COleDateTime> candidates;
    ForEachRemindOccurrence(r.start, r.times, r.separation, from, to, [&](long long, const COleDateTime& t) {
      if (!(t == from) && !(t == to)) candidates.push_back(t);
    });
    if (candidates.empty()) continue;  // nothing in the window: still pending

    // An earlier exit may have scheduled some of these already (the row
    // stayed pending because its series went on): withdraw them first, so
    // the service holds each occurrence once.
    ask([&] { return client.CancelTextMessage(settings.m_userName, settings.m_userPwd, r.rid); });
    if (report.unreachable) break;
    const CString text = ReminderMessageText(r.content, settings.m_houZhui);
    bool allAccepted = true;
    for (const COleDateTime& when : candidates) {
      CString reply = ask([&] {
        return client.SendTextMessageWithId(settings.m_userName, settings.m_userPwd, settings.m_phoneNo, text, when,
                                            r.rid);
      });
      if (report.unreachable) break;
      if (reply != u"0") allAccepted = false;
    }
    if (report.unreachable) break;
    // Later occurrences still need the timer or a later exit.
    if (allAccepted && !ContinuesAfter(r, to)) markSubmitted(r.rid, 1);
  }
  return report;
}

void CMainFrame::SubmitPendingMessages(const COleDateTime& from, const COleDateTime& to) {
  CMessageSettings settings;
  settings.m_useMessage = m_useMessage ? 1 : 0;
  settings.m_quitSend = m_quitSend ? 1 : 0;
  settings.m_userName = m_userName;
  settings.m_userPwd = m_userPwd;
  settings.m_phoneNo = m_phoneNo;
  settings.m_houZhui = m_houZhui;
  CFormsApp* app = FormsApp();
  if (!app) return;
  CHttpUrl client;
  ::SubmitPendingMessages(app->DataStore(), client, settings, from, to);
}

void CMainFrame::SubmitPendingMessagesAtExit() {
  // The days ahead as stored now.
  CTKRegistryManager registry(HKEY_CURRENT_USER);
  CMessageSettings days;
  days.m_day = registry.GetProfileString(u"day", u"m_day", CMessageSettings::kDefaultDays);
  const COleDateTime from = COleDateTime::GetCurrentTime();
  SubmitPendingMessages(from, from + COleDateTimeSpan(days.DaysAhead(), 0, 0, 0));
}
