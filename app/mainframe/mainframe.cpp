#include "app/mainframe/mainframe.h"

#include "platform/framework/afxapp.h"

IMPLEMENT_DYNAMIC(CMainFrame, CMDIFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
  ON_WM_TIMER()                                        // reminders
  ON_MESSAGE(TK_WM_POPUPNOTIFY, OnPopupNotify)         // reminder pop-ups
END_MESSAGE_MAP()

CMainFrame::CMainFrame() { LoadReminderSettings(); }
CMainFrame::~CMainFrame() { SavePopupSettings(); }
