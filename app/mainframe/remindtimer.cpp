// The minute timer of the main frame: keeps today's reminder list current
// and fires the reminders that fall due, each with a pop-up, a sound and,
// when the user asked for it, a text message.
//
// A tick fires every occurrence whose minute has begun and that no earlier
// tick fired: a late tick (a busy message loop, a suspended machine)
// catches up on what it passed over, and two ticks in one minute fire
// nothing twice.
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

  auto fireDue = [&] {
    for (INT_PTR i = 0; i < app->RemindList().GetSize(); ++i) {
      RemindSTR& r = app->RemindList()[i];
      if (r.occurrence >= from && r.occurrence <= through) FireReminder(r);
    }
  };

  const bool newDay = !SameDate(now, app->RemindListDate());
  if (newDay || app->RemindDirty()) {
    // What is due of the old day first; the new list starts at the window
    // (at midnight when the window began on an earlier day).
    if (newDay) fireDue();
    COleDateTime buildFrom = from;
    if (!SameDate(buildFrom, now)) buildFrom = COleDateTime(now.GetYear(), now.GetMonth(), now.GetDay(), 0, 0, 0);
    app->RemindList().SetSize(0);
    app->BuildTodayReminders(buildFrom);
    app->RemindDirty() = false;
    if (newDay) app->RemindListDate() = now;
    from = buildFrom;
  }
  fireDue();

  // Withdrawal: the first occurrence after the current minute, when it lies
  // in the current hour at least five minutes ahead, is un-flagged and was
  // submitted as a scheduled message, has that message cancelled.
  for (INT_PTR i = 0; i < app->RemindList().GetSize(); ++i) {
    RemindSTR& r = app->RemindList()[i];
    if (!(r.occurrence > through)) continue;
    if (SameHour(r.occurrence, now) && (r.occurrence - now).GetTotalMinutes() >= 5 && !r.message && r.submitted &&
        m_reminderMessenger) {
      CString reply = m_reminderMessenger->CancelTextMessage(m_userName, m_userPwd, r.rid);
      if (reply == u"0" && app->DataStore().ExecuteUpdate(u"update remind set submitted=0 where rid=?",
                                                          {_variant_t(static_cast<long>(r.rid))}))
        r.submitted = false;
    }
    break;
  }

  m_remindFiredThrough = through;
  m_remindTicked = true;
}

void CMainFrame::FireReminder(RemindSTR& reminder) {
  m_popupWnd.m_strText = reminder.content;
  m_popupWnd.ShowReminderPopup(this, reminder.taid);
  PlayPopSound();
  if (reminder.message && !reminder.submitted && SendsMessagesWhileRunning() && m_reminderMessenger)
    m_reminderMessenger->SendTextMessage(m_userName, m_userPwd, m_phoneNo,
                                         ReminderMessageText(reminder.content, m_houZhui));
}
