// The application's MDI main frame: it holds the work tree and the date
// tree, which of them is active, the current tree items, task and work the
// forms read and write, and the tree filter commands. Until the docking
// panes exist the trees sit side by side in a plain container at the
// frame's left side (CTreePaneBar), as the panes "Work View" (4000) and
// "Date View" (4004). The command bars, ribbon, docking panes and tray icon
// are still to come.
//
// Member names: where the forms' and the frame's descriptions name one
// member apart, the frame's names are the members and the forms' names are
// references to them (m_workTree, m_dateTree, m_nCurrentId, m_nWorkId,
// m_strWorkName, m_bOpenExistingTask).
#pragma once

#include "app/views/captiontree.h"
#include "app/views/datetree.h"
#include "app/views/treepanes.h"
#include "platform/framework/afxframe.h"

#include "app/resource.h"

// The trees' window style.
#define TREE_STYLE (WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TVS_HASBUTTONS | TVS_HASLINES | \
                    TVS_LINESATROOT | TVS_SHOWSELALWAYS)

// Activates the open task form of the task; FALSE when none is open.
BOOL ActivateOpenTaskView(int taskId);

class CMainFrame : public CMDIFrameWnd {
  DECLARE_DYNAMIC(CMainFrame)
 public:
  CMainFrame();
  ~CMainFrame() override;

  // Indices of the command-enable flags (one set per tree).
  enum TreeCommand { kNewWork, kRenameWork, kDeleteWork, kNewCompleted, kNewScheduled, kDeleteTask, kTreeCommands };

  // The main work of a pane becoming the shown one: pane 4000 makes the
  // work tree active, 4004 the date tree, and the filter commands are
  // labelled for it.
  void ActivateTreePane(UINT paneId);
  // The filter commands' labels for the active tree: 25, 23, 24.
  CString TreeFilterLabel(UINT nID) const;
  // The enable flags of the active tree.
  BYTE* ActiveTreeFlags() { return m_nActiveTree == 2 ? m_dateTreeFlags : m_workTreeFlags; }

  // ---- the trees and their container ----
  CTreePaneBar m_wndTreePanes;
  CCaptionTree m_wndWorkTree;
  CDateTree m_wndDateTree;
  CCaptionTree& m_workTree = m_wndWorkTree;
  CDateTree& m_dateTree = m_wndDateTree;

  // ---- what the trees and the forms share ----
  // Set while the frame opens a task form for an existing task.
  BYTE m_bOpeningTask = 0;
  BYTE& m_bOpenExistingTask = m_bOpeningTask;
  // The task id (absolute item data) of the tree item last clicked or
  // selected, or the task an enquiry or count form opens.
  int m_nRecordId = 0;
  int& m_nCurrentId = m_nRecordId;
  // Command-enable flags, one set per tree (TreeCommand), all 0 at start.
  // Nothing disables the commands by them yet: until the work commands
  // (new, rename, delete work) exist, the first work is made through the
  // work chooser, which needs Completed and Scheduled available.
  BYTE m_workTreeFlags[kTreeCommands] = {};
  BYTE m_dateTreeFlags[kTreeCommands] = {};
  // The tree items last hit in each tree.
  HTREEITEM m_hWorkTreeItem = nullptr;
  HTREEITEM m_hDateTreeItem = nullptr;
  CString m_strEnquiryRange;
  CString m_strEnquiryKeyword;
  // 1 while the work tree's pane is the active pane, 2 the date tree's.
  int m_nActiveTree = 1;
  // The current work: the work the user last pointed at in a tree or chose
  // in the work chooser; new tasks are created under it.
  CString m_strItemText;
  int m_nItemId = 0;
  CString& m_strWorkName = m_strItemText;
  int& m_nWorkId = m_nItemId;
  // The checked filter command (25, 23 or 24) of each tree.
  UINT m_workTreeFilter = 25;
  UINT m_dateTreeFilter = 24;

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
  void HandleTreeClick(CTKTreeCtrl& tree, int activeTree);
  // Opens the form of the task a tree item names (data < 0 scheduled).
  void OpenTaskOfItem(LPARAM itemData);
  // Makes the task's work (read from the database) the current work.
  void SetCurrentWorkOfTask(int taid);
};
