// The application's MDI main frame, for now with the least the start-up
// needs: the two work trees, which of them is active, the current work-tree
// item and the current work. Temporary: the main window with its command
// bars, ribbon, docking panes and tray icon replaces it.
#pragma once

#include "app/views/worktrees.h"
#include "platform/framework/afxframe.h"

class CMainFrame : public CMDIFrameWnd {
  DECLARE_DYNAMIC(CMainFrame)
 public:
  CMainFrame();
  ~CMainFrame() override;

  CCaptionTree m_wndCaptionTree;  // the work tree
  CDateTree m_wndDateTree;        // the date tree
  // 1: the work tree is active, 2: the date tree.
  int m_activeTree = 1;
  // The text of the current work-tree item (last clicked or just created).
  CString m_currentWorkItemText;
  // The current work.
  CString m_currentWorkName;
  int m_currentWorkTid = 0;

 protected:
  DECLARE_MESSAGE_MAP()
};
