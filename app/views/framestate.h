// What the main window shares with the views: its two trees in their
// container, which tree is active, the current tree items, task and work
// the forms read and write, the trees' command flags and the enquiry
// words. The main frame is one (CMainFrame derives from it and makes the
// windows); the views reach the running program's through MainFrameState(),
// never the frame class itself, which sits above them.
//
// Member names: where the forms' and the frame's descriptions name one
// member apart, the frame's names are the members and the forms' names are
// references to them (m_workTree, m_dateTree, m_nCurrentId, m_nWorkId,
// m_strWorkName, m_bOpenExistingTask).
#pragma once

#include "app/views/captiontree.h"
#include "app/views/datetree.h"
#include "app/views/treepanes.h"

class CFrameState {
 public:
  virtual ~CFrameState() = default;

  // The two trees, by the numbers the frame has always used for them.
  enum class Tree { kWork = 1, kDate = 2 };

  // Indices of the command-enable flags (one set per tree).
  enum TreeCommand { kNewWork, kRenameWork, kDeleteWork, kNewCompleted, kNewScheduled, kDeleteTask, kTreeCommands };

  // The enable flags of the active tree.
  BYTE* ActiveTreeFlags() { return m_nActiveTree == Tree::kDate ? m_dateTreeFlags : m_workTreeFlags; }

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
  // Command-enable flags, one set per tree (TreeCommand), all 0 at start,
  // kept as the selection changes. Command enabling does not consult them:
  // the first work is made through the work chooser, which needs Completed
  // and Scheduled available.
  BYTE m_workTreeFlags[kTreeCommands] = {};
  BYTE m_dateTreeFlags[kTreeCommands] = {};
  // The tree items last hit in each tree.
  HTREEITEM m_hWorkTreeItem = nullptr;
  HTREEITEM m_hDateTreeItem = nullptr;
  CString m_strEnquiryRange;
  CString m_strEnquiryKeyword;
  // The tree whose pane is the active pane.
  Tree m_nActiveTree = Tree::kWork;
  // The current work: the work the user last pointed at in a tree or chose
  // in the work chooser; new tasks are created under it.
  CString m_strItemText;
  int m_nItemId = 0;
  CString& m_strWorkName = m_strItemText;
  int& m_nWorkId = m_nItemId;
};

// The running program's main window as the views see it, or null while
// there is none.
CFrameState* MainFrameState();
