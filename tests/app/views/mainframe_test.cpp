// The main window's trees: where they are and how they are made, the filter
// commands with their labels for the active tree, switching the active tree
// like a pane, and clicks on tree items setting the current work and task.
#include "app/mainframe/mainframe.h"

#include "app/resource.h"
#include "platform/window/test_input.h"
#include "views_fixture.h"

namespace {

using viewstest::Joined;
using viewstest::Narrow;

class MainFrameTest : public viewstest::ViewsTest {
 protected:
  MainFrameTest() : clock_(2010, 5, 17, 10, 0, 0) {}
  // The state the update handler of `id` reports.
  CTestCmdUI Update(UINT id) {
    CTestCmdUI ui;
    ui.m_nID = id;
    EXPECT_TRUE(Frame().OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &ui, nullptr)) << id;
    return ui;
  }
  // "label*" for the checked filter, in the order 25, 23, 24.
  std::string FilterButtons() {
    std::string out;
    for (UINT id : {25u, 23u, 24u}) {
      CTestCmdUI ui = Update(id);
      out += Narrow(ui.m_strText) + (ui.m_nCheck == 1 ? "*" : "") + ";";
    }
    return out;
  }
  void ClickItem(CTreeCtrl& tree, HTREEITEM item) {
    CRect r;
    ASSERT_TRUE(tree.GetItemRect(item, &r, TRUE));
    pv::test::ClickClient(tree.m_hWnd, r.left + 2, r.top + r.Height() / 2);
    pv::test::PumpUntilIdle();
  }
  void ClickCaption(UINT paneId) {
    for (const CTreePane& pane : Frame().m_wndTreePanes.GetPanes())
      if (pane.m_nID == paneId)
        pv::test::ClickClient(Frame().m_wndTreePanes.m_hWnd, pane.m_rcCaption.left + 5, pane.m_rcCaption.top + 5);
    pv::test::PumpUntilIdle();
  }
  int Documents(const char16_t* docName) {
    int count = 0;
    POSITION pos = app_.GetFirstDocTemplatePosition();
    while (pos) {
      CDocTemplate* t = app_.GetNextDocTemplate(pos);
      CString name;
      t->GetDocString(name, CDocTemplate::docName);
      for (POSITION d = t->GetFirstDocPosition(); name == docName && d; t->GetNextDoc(d)) ++count;
    }
    return count;
  }

  pv::FakeClockScope clock_;
};

TEST_F(MainFrameTest, TheTreesSitSideBySideInTheirPanes) {
  Start();
  CMainFrame& frame = Frame();
  pv::test::PumpUntilIdle();
  struct Tree {
    CWnd* window;
    UINT id;
    UINT pane;
    const char* title;
  };
  const Tree trees[] = {{&frame.m_wndWorkTree, IDC_WORKTREE, IDP_WORKVIEW_PANE, "Work View"},
                        {&frame.m_wndDateTree, IDC_DATETREE, IDP_DATEVIEW_PANE, "Date View"}};
  const auto& panes = frame.m_wndTreePanes.GetPanes();
  ASSERT_EQ(panes.size(), 2u);
  CRect frameClient;
  frame.GetClientRect(&frameClient);
  for (std::size_t i = 0; i < 2; ++i) {
    const Tree& t = trees[i];
    EXPECT_EQ(t.window->GetDlgCtrlID(), static_cast<int>(t.id));
    EXPECT_EQ(t.window->GetStyle() & 0x16000027u, 0x16000027u);
    EXPECT_EQ(t.window->GetStyle() & TVS_EDITLABELS, 0u);
    EXPECT_EQ(t.window->GetParent(), &frame.m_wndTreePanes);
    EXPECT_EQ(panes[i].m_nID, t.pane);
    EXPECT_EQ(Narrow(panes[i].m_strTitle), t.title);
    CRect r;
    t.window->GetWindowRect(&r);
    EXPECT_GT(r.Width(), 100);
    EXPECT_GT(r.Height(), 100);
  }
  // Side by side at the frame's left edge.
  CRect work, date;
  frame.m_wndWorkTree.GetWindowRect(&work);
  frame.m_wndDateTree.GetWindowRect(&date);
  EXPECT_LT(work.right, date.left + 1);
  EXPECT_EQ(work.top, date.top);
  EXPECT_EQ(frame.m_nActiveTree, CFrameState::Tree::kWork);
  EXPECT_EQ(&frame.m_workTree, &frame.m_wndWorkTree);
  EXPECT_EQ(&frame.m_dateTree, &frame.m_wndDateTree);
  EXPECT_EQ(&frame.m_nCurrentId, &frame.m_nRecordId);
  EXPECT_EQ(&frame.m_bOpenExistingTask, &frame.m_bOpeningTask);
  EXPECT_EQ(&app_.m_bRemindersChanged, &app_.m_remindDirty);
}

TEST_F(MainFrameTest, FilterCommandsActOnTheActiveTreeAndFollowItsLabels) {
  Start();
  const int work = AddWork(u"Garden", 1);
  AddTask(work, u"Dig", 1, COleDateTime(2010, 5, 14, 0, 0, 0));
  AddTask(work, u"Plant", 2, COleDateTime(2010, 5, 15, 0, 0, 0));
  CMainFrame& frame = Frame();
  EXPECT_EQ(FilterButtons(), "All*;Completed;Scheduled;");

  frame.SendMessage(WM_COMMAND, ID_TREE_FILTER_23);
  EXPECT_EQ(frame.m_wndWorkTree.m_filterMode, 1);
  EXPECT_EQ(frame.m_wndWorkTree.GetCount(), 6u);  // root, kinds, the work, its completed task
  EXPECT_EQ(FilterButtons(), "All;Completed*;Scheduled;");

  // Showing the date pane makes the date tree the one the filters act on.
  ClickCaption(IDP_DATEVIEW_PANE);
  EXPECT_EQ(frame.m_nActiveTree, CFrameState::Tree::kDate);
  EXPECT_EQ(FilterButtons(), "Everyday;Workday;Task Day*;");
  frame.SendMessage(WM_COMMAND, ID_TREE_FILTER_25);
  EXPECT_EQ(frame.m_wndDateTree.m_filterMode, 0);
  EXPECT_EQ(FilterButtons(), "Everyday*;Workday;Task Day;");
  std::vector<std::string> days;
  for (HTREEITEM item = frame.m_wndDateTree.GetRootItem(); item; item = frame.m_wndDateTree.GetNextItem(item))
    if (GetTreeItemLevel(frame.m_wndDateTree, item) == 4) days.push_back(Narrow(frame.m_wndDateTree.GetItemText(item)));
  EXPECT_EQ(Joined(days), Joined({"2010.5.14 Friday", "2010.5.15 Saturday", "2010.5.16 Sunday", "2010.5.17 Monday"}));
  frame.SendMessage(WM_COMMAND, ID_TREE_FILTER_23);
  EXPECT_EQ(frame.m_wndDateTree.m_filterMode, 1);
  frame.SendMessage(WM_COMMAND, ID_TREE_FILTER_24);
  EXPECT_EQ(frame.m_wndDateTree.m_filterMode, 2);
  EXPECT_EQ(frame.m_wndWorkTree.m_filterMode, 1);  // untouched

  ClickCaption(IDP_WORKVIEW_PANE);
  EXPECT_EQ(frame.m_nActiveTree, CFrameState::Tree::kWork);
  EXPECT_EQ(FilterButtons(), "All;Completed*;Scheduled;");
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(MainFrameTest, ClicksOnItemsSetTheCurrentWorkAndOpenTasks) {
  Start();
  const int work = AddWork(u"Garden", 1);
  const int dig = AddTask(work, u"Dig", 1, COleDateTime(2010, 5, 14, 0, 0, 0));
  CMainFrame& frame = Frame();
  frame.SendMessage(WM_COMMAND, ID_TREE_FILTER_25);  // refill with the work
  pv::test::PumpUntilIdle();
  EXPECT_EQ(frame.m_workTreeFlags[CMainFrame::kNewCompleted], 0);

  CCaptionTree& tree = frame.m_wndWorkTree;
  const HTREEITEM workItem = tree.GetChildItem(tree.GetChildItem(tree.GetRootItem()));
  ClickItem(tree, workItem);
  EXPECT_EQ(frame.m_hWorkTreeItem, workItem);
  EXPECT_EQ(tree.GetSelectedItem(), workItem);
  EXPECT_EQ(Narrow(frame.m_strItemText), "Garden");
  EXPECT_EQ(frame.m_nItemId, work);
  EXPECT_EQ(frame.m_nRecordId, work);
  EXPECT_EQ(frame.m_workTreeFlags[CMainFrame::kNewCompleted], 1);
  EXPECT_EQ(frame.m_workTreeFlags[CMainFrame::kNewScheduled], 1);
  EXPECT_EQ(frame.m_workTreeFlags[CMainFrame::kRenameWork], 1);

  // A task item opens its form for the existing task, without the chooser.
  const int before = Documents(u"Completed");
  tree.Expand(workItem, TVE_EXPAND);
  ClickItem(tree, tree.GetChildItem(workItem));
  EXPECT_EQ(frame.m_nRecordId, dig);
  EXPECT_EQ(Documents(u"Completed"), before + 1);
  EXPECT_EQ(frame.m_bOpeningTask, 0);
  EXPECT_FALSE(app_.m_openExistingTask);

  // In the date tree: the click makes it the active tree; a task's work name
  // is the part of its text before the first '.'.
  CDateTree& dates = frame.m_wndDateTree;
  dates.DeleteAllItems();
  dates.FillDateTree();
  HTREEITEM day = dates.GetChildItem(dates.GetChildItem(dates.GetChildItem(dates.GetRootItem())));
  ClickItem(dates, day);
  EXPECT_EQ(frame.m_nActiveTree, CFrameState::Tree::kDate);
  EXPECT_EQ(frame.m_hDateTreeItem, day);
  EXPECT_EQ(frame.m_dateTreeFlags[CMainFrame::kNewCompleted], 1);
  EXPECT_EQ(frame.m_dateTreeFlags[CMainFrame::kDeleteTask], 0);
  frame.m_strItemText = u"";
  ClickItem(dates, dates.GetChildItem(day));
  EXPECT_EQ(Narrow(frame.m_strItemText), "Garden");
  EXPECT_EQ(frame.m_nItemId, work);
  // The task's form is open already: it is activated, not opened twice.
  EXPECT_EQ(Documents(u"Completed"), before + 1);
  EXPECT_EQ(frame.m_dateTreeFlags[CMainFrame::kDeleteTask], 1);

  // A work name with a '.' in it: the label "v1.2 plan.Draft" does not tell
  // where the name ends; the task's work id does.
  const int plan = AddWork(u"v1.2 plan", 2, COleDateTime(2012, 3, 5, 14, 7, 9));
  const int draft = AddTask(plan, u"Draft", 2, COleDateTime(2010, 5, 14, 0, 0, 0));
  dates.DeleteAllItems();
  dates.FillDateTree();
  day = dates.GetChildItem(dates.GetChildItem(dates.GetChildItem(dates.GetRootItem())));
  const HTREEITEM draftItem = dates.GetNextSiblingItem(dates.GetChildItem(day));
  ASSERT_EQ(Narrow(dates.GetItemText(draftItem)), "v1.2 plan.Draft");
  ClickItem(dates, draftItem);
  EXPECT_EQ(frame.m_nRecordId, draft);
  EXPECT_EQ(Narrow(frame.m_strItemText), "v1.2 plan");
  EXPECT_EQ(frame.m_nItemId, plan);
  EXPECT_EQ(Documents(u"Scheduled"), 1);
  EXPECT_TRUE(boxes_.Shown().empty());
}

}  // namespace
