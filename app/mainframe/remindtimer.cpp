// The minute timer of the main frame: keeps today's reminder list current
// and fires the reminders that fall due, each with a pop-up, a sound and,
// when the user asked for it, a text message.
//
// A tick fires every occurrence whose minute has begun and that no earlier
// tick fired: a late tick (a busy message loop, a suspended machine)
// catches up on what it passed over, and two ticks in one minute fire
// nothing twice.
#include <algorithm>
#include <map>
#include <vector>

#include "app/data/datastore.h"
#include "app/mainframe/mainframe.h"
#include "app/mainframe/reminderlistowner.h"
#include "app/reminders/remind.h"
#include "platform/shell/mmsystem.h"
#include "platform/system/files.h"

namespace {

COleDateTime MinuteOf(const COleDateTime& t) {
  return COleDateTime(t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(), t.GetMinute(), 0);
}

COleDateTime LastSecondOfMinute(const COleDateTime& t) { return MinuteOf(t) + COleDateTimeSpan(0, 0, 0, 59); }

bool SameDate(const COleDateTime& a, const COleDateTime& b) {
  return a.GetYear() == b.GetYear() && a.GetMonth() == b.GetMonth() && a.GetDay() == b.GetDay();
}

bool SameHour(const COleDateTime& a, const COleDateTime& b) { return SameDate(a, b) && a.GetHour() == b.GetHour(); }

}  // namespace

void CMainFrame::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == kReminderTimerId) OnReminderTick(COleDateTime::GetCurrentTime());
  CMDIFrameWnd::OnTimer(nIDEvent);
}

void CMainFrame::OnReminderTick(const COleDateTime& now) {
  CReminderListOwner* app = ReminderListOwner();
  if (!app || now.GetStatus() != COleDateTime::valid) return;
  m_popupWnd.UpdateStyleMetrics();

  // Occurrences from `from` on have not had their tick yet.
  COleDateTime from = m_remindTicked ? m_remindFiredThrough + COleDateTimeSpan(0, 0, 0, 1) : app->RemindListDate();
  if (from.GetStatus() != COleDateTime::valid || from > now) from = now;  // the clock went back
  const COleDateTime through = LastSecondOfMinute(now);

  // What falls due, collected over the old day and the new one: a tick that
  // passed over several occurrences of one reminder shows it once.
  std::vector<RemindSTR> due;
  auto collectDue = [&] {
    for (INT_PTR i = 0; i < app->RemindList().GetSize(); ++i) {
      const RemindSTR& r = app->RemindList()[i];
      if (r.occurrence >= from && r.occurrence <= through) due.push_back(r);
    }
  };

  const bool newDay = !SameDate(now, app->RemindListDate());
  if (newDay || app->RemindDirty()) {
    // What is due of the old day first; the new list starts at the window
    // (at midnight when the window began on an earlier day).
    if (newDay) collectDue();
    COleDateTime buildFrom = from;
    if (!SameDate(buildFrom, now)) buildFrom = COleDateTime(now.GetYear(), now.GetMonth(), now.GetDay(), 0, 0, 0);
    app->RemindList().SetSize(0);
    app->BuildTodayReminders(buildFrom);
    app->RemindDirty() = false;
    if (newDay) app->RemindListDate() = now;
    from = buildFrom;
  }
  collectDue();
  FireDueReminders(due);

  // Withdrawal: the first occurrence after the current minute, when it lies
  // in the current hour at least five minutes ahead, is un-flagged and was
  // submitted as a scheduled message, has that message cancelled.
  for (INT_PTR i = 0; i < app->RemindList().GetSize(); ++i) {
    RemindSTR& r = app->RemindList()[i];
    if (!(r.occurrence > through)) continue;
    if (SameHour(r.occurrence, now) && (r.occurrence - now).GetTotalMinutes() >= 5 && !r.message && r.submitted &&
        m_reminderMessenger && m_withdrawing.insert(r.rid).second) {
      const int rid = r.rid;
      m_reminderMessenger->CancelTextMessage(m_userName, m_userPwd, rid, [this, rid](const CString& reply) {
        m_withdrawing.erase(rid);
        CReminderListOwner* owner = ReminderListOwner();
        if (reply != u"0" || !owner) return;
        if (!owner->DataStore().ExecuteUpdate(u"update remind set submitted=0 where rid=?",
                                              {_variant_t(static_cast<long>(rid))}))
          return;
        for (INT_PTR k = 0; k < owner->RemindList().GetSize(); ++k)
          if (owner->RemindList()[k].rid == rid) owner->RemindList()[k].submitted = false;
      });
    }
    break;
  }

  m_remindFiredThrough = through;
  m_remindTicked = true;
}

void CMainFrame::FireDueReminders(const std::vector<RemindSTR>& due) {
  // One pop-up per reminder, for its latest occurrence, in the order of
  // those occurrences.
  struct Group {
    RemindSTR latest;
    int count = 0;
  };
  std::vector<Group> groups;
  std::map<int, std::size_t> byRid;
  for (const RemindSTR& r : due) {
    auto [at, added] = byRid.emplace(r.rid, groups.size());
    if (added) groups.push_back({r, 0});
    Group& g = groups[at->second];
    if (!(r.occurrence < g.latest.occurrence)) g.latest = r;
    ++g.count;
  }
  std::stable_sort(groups.begin(), groups.end(),
                   [](const Group& a, const Group& b) { return a.latest.occurrence < b.latest.occurrence; });
  for (const Group& g : groups) FireReminder(g.latest, g.count);
}

void CMainFrame::FireReminder(const RemindSTR& reminder, int occurrences) {
  m_popupWnd.m_strText = reminder.content;
  if (occurrences > 1) {
    CString missed;
    missed.Format(kMissedRemindersNote, occurrences);
    m_popupWnd.m_strText += missed;
  }
  m_popupWnd.ShowReminderPopup(this, reminder.taid);
  PlayPopSound();
  // The user's flag and the message switch decide; the messenger checks the
  // switch when it queues.
  if (reminder.message && !reminder.submitted && SendsMessagesWhileRunning() && m_reminderMessenger)
    m_reminderMessenger->SendTextMessage(m_userName, m_userPwd, m_phoneNo,
                                         ReminderMessageText(reminder.content, m_houZhui));
}

LRESULT CMainFrame::OnTextMessageReply(WPARAM, LPARAM) {
  if (m_reminderMessenger) m_reminderMessenger->DeliverReplies();
  return 0;
}
