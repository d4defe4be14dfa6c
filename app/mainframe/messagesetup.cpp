// Command 307 of the main frame: the text-message settings dialog on the
// frame's settings.
#include "app/mainframe/mainframe.h"
#include "app/mainframe/phoneset.h"

void CMainFrame::OnMessageSetup() {
  CMessageSettings settings;
  settings.m_useMessage = m_useMessage ? 1 : 0;
  settings.m_tongDao = m_tongDao;
  settings.m_userName = m_userName;
  settings.m_userPwd = m_userPwd;
  settings.m_phoneNo = m_phoneNo;
  settings.m_runSend = m_runSend ? 1 : 0;
  settings.m_quitSend = m_quitSend ? 1 : 0;
  settings.m_day = m_day;
  settings.m_houZhui = m_houZhui;
  CPHONESET dialog(settings, this);
  if (dialog.DoModal() != IDOK) return;  // the dialog stored the settings on OK
  m_useMessage = settings.m_useMessage != 0;
  m_tongDao = settings.m_tongDao;
  m_userName = settings.m_userName;
  m_userPwd = settings.m_userPwd;
  m_phoneNo = settings.m_phoneNo;
  m_runSend = settings.m_runSend != 0;
  m_quitSend = settings.m_quitSend != 0;
  m_day = settings.m_day;
  m_houZhui = settings.m_houZhui;
}
