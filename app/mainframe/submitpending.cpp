#include "app/mainframe/submitpending.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "app/data/datastore.h"
#include "app/mainframe/httpurl.h"
#include "app/mainframe/mainframe.h"
#include "app/reminders/remindcalendar.h"
#include "platform/base/clock.h"
#include "app/mainframe/remindmessenger.h"
#include "app/views/formsapp.h"
#include "platform/system/msgbox.h"
#include "platform/window/winctl.h"
#include "platform/window/winuser.h"
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

// Whether the series has an occurrence at `to` or later: the window's end
// is not sent, so an occurrence there still waits.
bool ContinuesAfter(const Row& r, const COleDateTime& to) {
  if (RemindOccurrenceCount(r.times) == 0) return true;  // unbounded
  const COleDateTime last = RemindLastOccurrence(r.start, r.times, r.separation);
  return last.GetStatus() == COleDateTime::valid && (last > to || last == to);
}

// The exit's bound: seconds, whatever the service does.
constexpr int kExitMaxRequests = 100;
constexpr std::chrono::milliseconds kExitTimeLimit{10000};

}  // namespace

SubmissionLimits SubmissionLimits::AtExit() {
  SubmissionLimits limits;
  limits.maxRequests = kExitMaxRequests;
  limits.timeLimit = kExitTimeLimit;
  return limits;
}

SubmissionReport SubmitPendingMessages(CDataStore& store, CHttpUrl& client, const CMessageSettings& settings,
                                       const COleDateTime& from, const COleDateTime& to,
                                       const SubmissionLimits& limits) {
  SubmissionReport report;
  // Switched off, or no account to send with: the password stays home.
  if (!settings.m_useMessage || !settings.m_quitSend) return report;
  if (settings.m_userName.IsEmpty() || settings.m_userPwd.IsEmpty()) return report;
  if (!store.IsOpen()) return report;
  std::vector<Row> rows;
  if (!ReadRows(store, rows)) return report;

  // What there is to do: withdrawals, and each pending row's occurrences
  // inside the window.
  struct Plan {
    const Row* row = nullptr;
    std::vector<COleDateTime> candidates;
    std::size_t chosen = 0;  // the first `chosen` candidates go in this pass
  };
  std::vector<const Row*> withdrawals;
  std::vector<Plan> plans;
  for (const Row& r : rows) {
    if (!r.message) {
      withdrawals.push_back(&r);
      continue;
    }
    // Sends to an account the service cannot have would all be refused.
    if (!CHttpUrl::AccountLooksValid(settings.m_userName, settings.m_userPwd)) continue;
    if (!IsRemindSeries(r.times, r.separation) || r.start.GetStatus() != COleDateTime::valid) continue;
    Plan plan;
    plan.row = &r;
    ForEachRemindOccurrence(r.start, r.times, r.separation, from, to, [&](long long, const COleDateTime& t) {
      if (!(t == from) && !(t == to)) plan.candidates.push_back(t);
    });
    if (!plan.candidates.empty()) plans.push_back(std::move(plan));  // nothing in the window: still pending
  }

  // Within the bound: the withdrawals, then the occurrences soonest first;
  // a row's first send also costs the cancel that goes before it.
  const int budget = limits.maxRequests > 0 ? limits.maxRequests : std::numeric_limits<int>::max();
  int planned = 0;
  std::size_t withdrawing = withdrawals.size();
  if (withdrawing > static_cast<std::size_t>(budget)) {
    withdrawing = static_cast<std::size_t>(budget);
    report.cutShort = true;
  }
  planned += static_cast<int>(withdrawing);
  std::vector<std::pair<COleDateTime, std::size_t>> occurrences;
  for (std::size_t i = 0; i < plans.size(); ++i)
    for (const COleDateTime& t : plans[i].candidates) occurrences.emplace_back(t, i);
  std::stable_sort(occurrences.begin(), occurrences.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [when, i] : occurrences) {
    const int cost = plans[i].chosen == 0 ? 2 : 1;
    if (planned > budget - cost) {
      report.cutShort = true;
      break;
    }
    ++plans[i].chosen;
    planned += cost;
  }

  const std::uint64_t started = pv::Clock::TickCount64();
  bool stopped = false;
  // Makes one request unless the pass has to stop first; false when it
  // stopped (no answer, or out of time).
  auto ask = [&](auto&& request, CString& reply) {
    if (stopped) return false;
    if (limits.timeLimit.count() > 0 &&
        pv::Clock::TickCount64() - started >= static_cast<std::uint64_t>(limits.timeLimit.count())) {
      report.cutShort = true;
      stopped = true;
      return false;
    }
    if (limits.progress) limits.progress(report.requests, planned);
    reply = request();
    ++report.requests;
    if (client.LastRequestFailed()) {
      report.unreachable = true;
      stopped = true;
      return false;
    }
    return true;
  };
  auto markSubmitted = [&](int rid, int value) {
    store.ExecuteUpdate(
        value ? u"update remind set submitted=1 where rid=?" : u"update remind set submitted=0 where rid=?",
        {_variant_t(static_cast<long>(rid))});
  };

  for (std::size_t i = 0; i < withdrawing; ++i) {  // withdrawn: cancel at the service
    const Row& r = *withdrawals[i];
    CString reply;
    if (!ask([&] { return client.CancelTextMessage(settings.m_userName, settings.m_userPwd, r.rid); }, reply)) break;
    if (reply == u"0") markSubmitted(r.rid, 0);
  }

  const CString suffix = settings.m_houZhui;
  for (const Plan& plan : plans) {
    if (plan.chosen == 0) continue;
    const Row& r = *plan.row;
    // An earlier exit may have scheduled some of these already (the row
    // stayed pending because its series went on): withdraw them first, so
    // the service holds each occurrence once.
    CString reply;
    if (!ask([&] { return client.CancelTextMessage(settings.m_userName, settings.m_userPwd, r.rid); }, reply)) break;
    const CString text = ReminderMessageText(r.content, suffix);
    bool allAccepted = true;
    std::size_t sent = 0;
    for (; sent < plan.chosen; ++sent) {
      const COleDateTime& when = plan.candidates[sent];
      if (!ask(
              [&] {
                return client.SendTextMessageWithId(settings.m_userName, settings.m_userPwd, settings.m_phoneNo, text,
                                                    when, r.rid);
              },
              reply))
        break;
      if (reply != u"0") allAccepted = false;
    }
    // Done only when every occurrence went and was accepted, and later ones
    // (the window's end included) do not need the timer or a later exit.
    if (allAccepted && sent == plan.candidates.size() && !ContinuesAfter(r, to)) markSubmitted(r.rid, 1);
    if (stopped) break;
  }
  return report;
}

namespace {

// A small window that says how far the submission at exit has come; the
// main window is gone by then.
class CSubmissionProgress {
 public:
  CSubmissionProgress() = default;
  CSubmissionProgress(const CSubmissionProgress&) = delete;
  CSubmissionProgress& operator=(const CSubmissionProgress&) = delete;
  ~CSubmissionProgress() {
    if (m_window) ::DestroyWindow(m_window);
  }

  void Show(int made, int planned) {
    if (!m_window) {
      const int width = 360, height = 48;
      const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
      m_window = ::CreateWindowExW(WS_EX_TOPMOST, WC_STATIC, u"", WS_POPUP | WS_BORDER | WS_VISIBLE | SS_CENTER, x, y,
                                   width, height, nullptr, nullptr, nullptr, nullptr);
      if (!m_window) return;
    }
    CString text;
    text.Format(CMainFrame::kExitProgressText, made + 1, planned);
    ::SetWindowTextW(m_window, text.GetString());
    ::UpdateWindow(m_window);
  }

 private:
  HWND m_window = nullptr;
};

}  // namespace

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
  CSubmissionProgress progress;
  SubmissionLimits limits = SubmissionLimits::AtExit();
  limits.progress = [&](int made, int planned) { progress.Show(made, planned); };
  ::SubmitPendingMessages(app->DataStore(), client, settings, from, to, limits);
}

void CMainFrame::SubmitPendingMessagesAtExit() {
  // The days ahead as stored now.
  CTKRegistryManager registry(HKEY_CURRENT_USER);
  CMessageSettings days;
  days.m_day = registry.GetProfileString(u"day", u"m_day", CMessageSettings::kDefaultDays);
  const COleDateTime from = COleDateTime::GetCurrentTime();
  SubmitPendingMessages(from, from + COleDateTimeSpan(days.DaysAhead(), 0, 0, 0));
}
