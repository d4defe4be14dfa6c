// The scheduled-task half of the program's end-to-end run, driven by
// scripted input: a work is chosen in the tree, Scheduled opens the form, a
// title is typed, a reminder is added and worded, a file is dropped on the
// attachments and the task saved; after a restart the tree holds the task
// and its form shows the reminder and the attachment again.
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/views/planthings.h"
#include "app/views/treetasks.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "views_fixture.h"

namespace {

using viewstest::Narrow;
namespace fs = std::filesystem;

class ScheduledEndToEnd : public ::testing::Test {
 protected:
  ScheduledEndToEnd() : config_(folder_.Path()), clock_(2012, 5, 17, 10, 0, 0) {}
  ~ScheduledEndToEnd() override { Stop(); }

  void Run() {
    pv::test::SetScreen(1600, 1400);
    app_ = std::make_unique<CPravenorApp>();
    AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
    ASSERT_TRUE(app_->InitApplication());
    ASSERT_TRUE(app_->InitInstance());
    pv::test::PumpUntilIdle();
  }
  void Stop() {
    if (!app_) return;
    if (app_->m_pMainWnd && app_->m_pMainWnd->m_hWnd) app_->m_pMainWnd->DestroyWindow();
    pv::test::PumpUntilIdle();
    app_->m_dataStore.CloseDatabase();
    AfxDeleteTempMaps();
    app_.reset();
  }
  CMainFrame& Frame() { return *static_cast<CMainFrame*>(app_->m_pMainWnd); }
  CPlanThingsView* ActiveForm() {
    CMDIChildWnd* child = Frame().MDIGetActive();
    return child ? dynamic_cast<CPlanThingsView*>(child->GetActiveView()) : nullptr;
  }
  void ClickItem(CTreeCtrl& tree, HTREEITEM item) {
    CRect r;
    ASSERT_TRUE(tree.GetItemRect(item, &r, TRUE));
    pv::test::ClickClient(tree.m_hWnd, r.left + 2, r.top + r.Height() / 2);
    pv::test::PumpUntilIdle();
  }
  void Command(UINT id) {
    Frame().SendMessage(WM_COMMAND, id);
    pv::test::PumpUntilIdle();
  }

  storetest::ProgramFolder folder_;
  pvtest::SettingsFolder config_;
  pv::FakeClockScope clock_;
  pv::MessageBoxRecorder boxes_;
  std::unique_ptr<CPravenorApp> app_;
};

TEST_F(ScheduledEndToEnd, ATaskWithAReminderAndAnAttachmentSurvivesARestart) {
  pv::Clock::SetFakeLocal(2012, 5, 17, 10, 0, 0);
  Run();
  // The work, as the chooser stores it (enciphered under its start time).
  CDES des;
  const COleDateTime started(2012, 5, 1, 9, 0, 0);
  const int work = app_->m_dataStore.InsertAndGetMaxId(
      u"insert into things (workname,worktype,starttime) values (?,1,?)", u"select max(tid) from things",
      {CDataStore::TextValue(des.TransformText(u"Garden", GetWorkNameKey(started), 0)),
       _variant_t(DATE(started), VT_DATE)});
  ASSERT_GT(work, 0);
  Frame().m_wndWorkTree.DeleteAllItems();
  Frame().m_wndWorkTree.FillCategoryTree();
  pv::test::PumpUntilIdle();

  // Choose the work in the tree, then Ctrl+P.
  CCaptionTree& tree = Frame().m_wndWorkTree;
  HTREEITEM workItem = nullptr;
  for (HTREEITEM i = tree.GetRootItem(); i; i = tree.GetNextItem(i))
    if (GetTreeItemLevel(tree, i) == 3 && static_cast<int>(tree.GetItemData(i)) == work) workItem = i;
  ASSERT_NE(workItem, nullptr);
  ClickItem(tree, workItem);
  ASSERT_EQ(Frame().m_nItemId, work);
  Command(ID_NEW_SCHEDULED);  // the menu's Scheduled
  CPlanThingsView* form = ActiveForm();
  ASSERT_NE(form, nullptr);

  // The title, typed.
  CWnd* title = form->GetDlgItem(1049);
  ASSERT_NE(title, nullptr);
  pv::test::ClickClient(title->m_hWnd, 4, 4);
  pv::test::TypeText(u"Seed order");
  pv::test::PumpUntilIdle();
  ASSERT_TRUE(form->m_bTaskExists);
  const int taid = form->m_nTaskId;

  // A reminder: Add, its text typed into the opened cell, Enter.
  Command(ID_REMINDER_ADD);
  pv::test::TypeText(u"Call Bob");
  pv::test::KeyPress(VK_RETURN);
  pv::test::PumpUntilIdle();

  // A file dropped on the attachment grid.
  const fs::path source = fs::path(folder_.Path()) / "source" / "seeds.txt";
  fs::create_directories(source.parent_path());
  std::ofstream(source) << "tomatoes\n";
  // Room for the whole form: the grid is low on it.
  Frame().ShowWindow(SW_MAXIMIZE);
  Frame().MDIMaximize(form->GetParentFrame());
  pv::test::PumpUntilIdle();
  CRect grid;
  form->m_wndAttachments.GetWindowRect(&grid);
  ASSERT_TRUE(pv::test::DropFiles({source.u16string()}, grid.left + 20, grid.top + 30));
  pv::test::PumpUntilIdle();

  Command(ID_TASK_SAVE);
  {
    viewstest::RawDb raw(folder_.Database());
    EXPECT_EQ(raw.One("select tasktitle||'/'||tasktype from task where taid=" + std::to_string(taid)), "Seed order/2");
    EXPECT_EQ(raw.One("select content from remind where taid=" + std::to_string(taid)), "Call Bob");
    EXPECT_EQ(raw.One("select filename||'.'||extendionname from files where taid=" + std::to_string(taid)),
              "seeds.txt");
  }
  EXPECT_TRUE(boxes_.Shown().empty());
  Stop();

  // The restart.
  Run();
  HTREEITEM item = FindTaskInWorkTree(Frame().m_wndWorkTree, work, -taid);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(Narrow(Frame().m_wndWorkTree.GetItemText(item)), "Seed order");
  Frame().m_wndWorkTree.EnsureVisible(item);  // the user opens the work's branch
  pv::test::PumpUntilIdle();
  ClickItem(Frame().m_wndWorkTree, item);
  CPlanThingsView* again = ActiveForm();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->m_nTaskId, taid);
  EXPECT_EQ(Narrow(again->m_strTitle), "Seed order");
  EXPECT_EQ(Narrow(again->m_strWorkName), "Garden");
  CTKReportRows* reminders = again->m_wndReminders.GetBodyRows();
  ASSERT_EQ(reminders->GetCount(), 1);
  EXPECT_EQ(Narrow(reminders->GetAt(0)->GetRecord()->GetItem(0)->GetCaption(nullptr)), "Call Bob");
  EXPECT_EQ(Narrow(reminders->GetAt(0)->GetRecord()->GetItem(2)->GetCaption(nullptr)), "10:10");
  EXPECT_EQ(again->m_wndAttachments.GetBodyRows()->GetCount(), 1);
  EXPECT_TRUE(fs::exists(fs::path(folder_.Path()) / "Attachment" / "seeds.txt"));
}

}  // namespace
