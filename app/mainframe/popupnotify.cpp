// What the reminder pop-ups tell the main frame: a click on a reminder's
// text opens its task, a closed pop-up is deleted, a dragged pop-up sets
// where the next ones open.
#include "app/mainframe/mainframe.h"
#include "toolkit/controls/popupitem.h"

LRESULT CMainFrame::OnPopupNotify(WPARAM wParam, LPARAM lParam) {
  switch (wParam) {
    case TK_POPUP_ITEMCLICK: {
      auto* pItem = reinterpret_cast<CTKPopupItem*>(lParam);
      CTKPopupControl* pPopup = pItem ? pItem->GetPopupControl() : nullptr;
      if (!pPopup) break;
      if (pItem->GetID() == CMyPopupWnd::kReminderTextItem) {
        auto* pReminder = dynamic_cast<CMyPopup*>(pPopup);
        int taid = pReminder ? pReminder->m_taid : 0;
        // The preview pop-up of the settings carries no task.
        if (taid != 0) OpenScheduledTaskForm(taid);
        pPopup->Close();
      } else if (pItem->GetID() == CMyPopupWnd::kCloseItem) {
        pPopup->Close();
      }
      break;
    }
    case TK_POPUP_STATECHANGED: {
      auto* pPopup = reinterpret_cast<CTKPopupControl*>(lParam);
      if (pPopup && pPopup->GetPopupState() == tkPopupStateClosed) m_popupWnd.DeleteClosedPopup(pPopup);
      break;
    }
    case TK_POPUP_POSCHANGED: {
      auto* pPopup = reinterpret_cast<CTKPopupControl*>(lParam);
      if (!pPopup) break;
      CPoint anchor = pPopup->GetPopupPos();
      m_popupWnd.m_nPosX = anchor.x;
      m_popupWnd.m_nPosY = anchor.y;
      break;
    }
    default:
      break;
  }
  return TRUE;
}

void CMainFrame::OpenScheduledTaskForm(int taid) {
  // Out of the notification area (or the task bar) first.
  if (!IsWindowVisible() || IsIconic()) ShowWindow(SW_RESTORE);
  SetForegroundWindow();

  // The form a pop-up opened for this task before, when it is still open.
  auto open = m_popupTaskForms.find(taid);
  if (open != m_popupTaskForms.end()) {
    if (::IsWindow(open->second)) {
      MDIActivate(CWnd::FromHandle(open->second));
      return;
    }
    m_popupTaskForms.erase(open);
  }

  // The task becomes the current task and its work the current work, as a
  // click on the task in a tree makes them; then the Scheduled command.
  m_nRecordId = taid;
  SetCurrentWorkOfTask(taid);
  CMDIChildWnd* before = MDIGetActive();
  OpenTaskOfItem(-static_cast<LPARAM>(taid));
  CMDIChildWnd* opened = MDIGetActive();
  if (opened && opened != before) m_popupTaskForms[taid] = opened->GetSafeHwnd();
}
