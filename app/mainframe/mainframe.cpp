#include "app/mainframe/mainframe.h"

#include "app/mainframe/messageids.h"
#include "app/mainframe/servicemessenger.h"
#include "platform/framework/afxapp.h"

IMPLEMENT_DYNAMIC(CMainFrame, CMDIFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
  ON_WM_TIMER()                                        // reminders
  ON_MESSAGE(TK_WM_POPUPNOTIFY, OnPopupNotify)         // reminder pop-ups
  ON_COMMAND(ID_MESSAGE_SETUP, OnMessageSetup)         // text-message settings
END_MESSAGE_MAP()

CMainFrame::CMainFrame() {
  LoadReminderSettings();
  m_reminderMessenger = std::make_unique<CServiceMessenger>([this] { return m_useMessage; });
}
CMainFrame::~CMainFrame() {
  SavePopupSettings();
  SubmitPendingMessagesAtExit();
}
