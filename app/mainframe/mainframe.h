// The application's MDI main frame: it holds the work tree and the date
// tree, which of them is active, the current tree items, task and work the
// forms read and write, and the tree filter commands. The trees sit side by
// side in a plain container at the frame's left side (CTreePaneBar), as the
// panes "Work View" (4000) and "Date View" (4004).
//
// What it shares with the views (the trees, which is active, the current
// items, task and work, the command flags, the enquiry words) is its
// CFrameState base, at the views' level.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "app/mainframe/mypopup.h"
#include "app/reminders/remind.h"
#include "app/mainframe/remindmessenger.h"
#include "app/views/framestate.h"
#include "platform/framework/afxframe.h"

#include "app/resource.h"

// The trees' window style.
#define TREE_STYLE \
  (WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS)

class CMainFrame : public CMDIFrameWnd, public CFrameState {
  DECLARE_DYNAMIC(CMainFrame)
 public:
  CMainFrame();
  ~CMainFrame() override;

  // The main work of a pane becoming the shown one: pane 4000 makes the
  // work tree active, 4004 the date tree, and the filter commands are
  // labelled for it.
  void ActivateTreePane(UINT paneId);
  // The filter commands' labels for the active tree: 25, 23, 24.
  CString TreeFilterLabel(UINT nID) const;

  // The checked filter command (25, 23 or 24) of each tree.
  UINT m_workTreeFilter = 25;
  UINT m_dateTreeFilter = 24;

  // ---- Reminders and pop-ups (remindsettings.cpp, remindtimer.cpp, popupnotify.cpp) ----
  // Timer 33 fires the reminders every minute.
  static constexpr UINT_PTR kReminderTimerId = 33;
  static constexpr UINT kReminderTimerPeriod = 60000;

  // Pop-up settings: registry section "PopSettings", values named after the
  // members, kept as the texts stored; the pop-up owner holds them converted.
  CString m_popStyle = u"Silvery";
  CString m_popTran = u"255";
  CString m_animateStyle = u"No";
  CString m_animateSpeed = u"Fast";
  CString m_popTime = u"60";      // minutes
  CString m_popSound = u"2.wav";  // wave file played with reminders (relative: beside the program)
  CString m_skinStyle = u"Office 2010 Black";
  CString m_skinSize = u"Normal";
  // Text-message settings, each in a section of its own ("UseMessage",
  // "RunSend", "QuitSend", "day", "UserName", "UserPwd", "TongDao",
  // "PhoneNo", "houzhui").
  bool m_useMessage = true;  // text messages are on at all
  bool m_runSend = false;    // send a flagged reminder when it falls due while the program runs
  bool m_quitSend = true;    // submit the coming days' messages as scheduled messages at exit
  CString m_day = u"1";      // days ahead submitted at exit, "1" ... "7"
  CString m_userName, m_userPwd, m_tongDao, m_phoneNo;
  CString m_houZhui = u"Morvesk Digital";  // suffix of every message text
  // A flagged reminder's message goes out when it falls due whenever
  // messages are on; m_runSend is kept for the settings dialog only.
  bool SendsMessagesWhileRunning() const { return m_useMessage; }
  bool SubmitsMessagesAtExit() const { return m_useMessage && m_quitSend; }

  // The pop-up owner: settings, the next pop-up's text, the open pop-ups.
  CMyPopupWnd m_popupWnd;
  // Sends and withdraws text messages; none: nothing is sent.
  std::unique_ptr<CReminderMessenger> m_reminderMessenger;

  // Reads every setting above (defaults for missing values) and converts
  // the pop-up settings into m_popupWnd; the constructor calls it.
  void LoadReminderSettings();
  // Writes the eight "PopSettings" values; the destructor calls it.
  void SavePopupSettings();
  // Writes the text-message values (the settings dialog's OK).
  void SaveMessageSettings();
  // Text messages (submitpending.cpp, messagesetup.cpp): the submission of
  // the coming days' messages at exit, and command 307, the settings dialog.
  void SubmitPendingMessages(const COleDateTime& from, const COleDateTime& to);
  void SubmitPendingMessagesAtExit();
  // The window shown while the exit's submission runs.
  static constexpr const char16_t* kExitProgressText = u"Submitting text messages: %d of %d...";
  void OnMessageSetup();

  // One tick of the reminder timer at `now`: rebuilds today's list when the
  // date changed or reminders were edited, fires every occurrence due since
  // the last tick that has not fired, and withdraws the scheduled message
  // of an un-flagged reminder coming up in the current hour.
  void OnReminderTick(const COleDateTime& now);
  // Opens the scheduled-task form of the task, or activates the one a
  // pop-up opened before; restores the frame from the notification area.
  void OpenScheduledTaskForm(int taid);

  void OnTimer(UINT_PTR nIDEvent);
  LRESULT OnPopupNotify(WPARAM wParam, LPARAM lParam);
  // Replies of the text-message service have come in.
  LRESULT OnTextMessageReply(WPARAM wParam, LPARAM lParam);

  // Added to the text of a pop-up that stands for several occurrences a
  // late tick passed over.
  static constexpr const char16_t* kMissedRemindersNote = u" (missed %d times)";

 private:
  void FireDueReminders(const std::vector<RemindSTR>& due);
  void FireReminder(const RemindSTR& reminder, int occurrences);
  // Reminders whose withdrawal is on its way to the service.
  std::set<int> m_withdrawing;
  // Plays m_popSound (a name without a folder is looked for in the
  // program's folder); a file that is missing or does not play gives the
  // program's built-in sound instead, never silence.
  void PlayPopSound();
  // Every occurrence up to this moment has had its chance to fire; before
  // the first tick the list's start-up moment stands for it.
  COleDateTime m_remindFiredThrough;
  bool m_remindTicked = false;
  // Forms opened from pop-ups, by task id.
  std::map<int, HWND> m_popupTaskForms;
  // ---- end of reminders and pop-ups ----

 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  LRESULT OnDockingPaneNotify(WPARAM wParam, LPARAM lParam);
  void OnTreeFilter(UINT nID);
  // Command 12: Save of every open task form.
  void OnSaveAll();
  void OnUpdateTreeFilter(CCmdUI* pCmdUI);
  void OnTreeClick(NMHDR* pNMHDR, LRESULT* pResult);
  void OnWorkTreeSelChanged(NMHDR* pNMHDR, LRESULT* pResult);
  DECLARE_MESSAGE_MAP()

 private:
  void HandleTreeClick(CTKTreeCtrl& tree, Tree activeTree);
  // Opens the form of the task a tree item names (data < 0 scheduled).
  void OpenTaskOfItem(LPARAM itemData);
  // Makes the task's work (read from the database) the current work.
  void SetCurrentWorkOfTask(int taid);
};
