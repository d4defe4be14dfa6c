// The completed task from end to end, as a user does it in the running
// program: a work named in the work chooser, a task typed into a new form,
// a file dropped on its attachments, an income item, Save; then the
// program is started again on the same folder and everything is there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/mainframe/mainframe.h"
#include "app/pravenorapp.h"
#include "app/views/captiontree.h"
#include "app/views/pravenorview.h"
#include "platform/base/clock.h"
#include "platform/window/test_input.h"
#include "store_fixture.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"

using storetest::Narrow;
using storetest::ProgramFolder;
using storetest::RawDb;
namespace fs = std::filesystem;

namespace {

using Table = std::vector<std::vector<std::string>>;

// One run of the program: started in process, closed at the end of scope.
class ProgramRun {
 public:
  ProgramRun() {
    AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
    ok_ = app_.InitApplication() && app_.InitInstance();
    pv::test::PumpUntilIdle();
  }
  ~ProgramRun() {
    if (app_.m_pMainWnd && app_.m_pMainWnd->m_hWnd) app_.m_pMainWnd->DestroyWindow();
    AfxDeleteTempMaps();
  }
  bool ok() const { return ok_; }
  CMainFrame& Frame() { return *static_cast<CMainFrame*>(app_.m_pMainWnd); }
  void Command(UINT id) {
    Frame().SendMessage(WM_COMMAND, id, 0);
    pv::test::PumpUntilIdle();
  }
  CPravenorView* Form() {
    CMDIChildWnd* child = Frame().MDIGetActive();
    return child ? dynamic_cast<CPravenorView*>(child->GetActiveView()) : nullptr;
  }
  void ClickCenter(CWnd& window) {
    CRect r;
    window.GetClientRect(&r);
    pv::test::ClickClient(window.m_hWnd, r.Width() / 2, r.Height() / 2);
    pv::test::PumpUntilIdle();
  }
  HTREEITEM FindText(CTKTreeCtrl& tree, const char* text) {
    for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextItem(item))
      if (Narrow(tree.GetItemText(item)) == text) return item;
    return nullptr;
  }

 private:
  CPravenorApp app_;
  bool ok_ = false;
};

std::string CellText(CTKReportControl& grid, int row, int item) {
  return Narrow(grid.GetBodyRows()->GetAt(row)->GetRecord()->GetItem(item)->GetCaption(nullptr));
}

TEST(CompletedTaskEndToEnd, AWorkATaskItsAttachmentAndIncomeSurviveARestart) {
  ProgramFolder folder;
  pvtest::SettingsFolder config(folder.Path());
  pv::MessageBoxRecorder boxes;
  pv::FakeClockScope clock(2026, 12, 10, 10, 0, 0);
  const fs::path source = fs::path(folder.Path()) / "outside" / "minutes.final.txt";
  fs::create_directories(source.parent_path());
  std::ofstream(source) << "the minutes";

  {
    ProgramRun run;
    ASSERT_TRUE(run.ok());
    // From the date tree the Completed command asks for the work: the name
    // box, "O'Brien's garden", Enter.
    run.Frame().ActivateTreePane(IDP_DATEVIEW_PANE);
    pv::test::KeyPress(VK_TAB);
    pv::test::TypeText(u"O'Brien's garden");
    pv::test::KeyPress(VK_RETURN);
    run.Command(ID_NEW_COMPLETED);
    CPravenorView* form = run.Form();
    ASSERT_NE(form, nullptr);

    run.ClickCenter(*form->GetDlgItem(IDC_TASK_TITLE));
    pv::test::TypeText(u"Meeting");
    pv::test::PumpUntilIdle();
    ASSERT_TRUE(form->TaskExists());

    // The user makes room for the whole form.
    run.Frame().ShowWindow(SW_MAXIMIZE);
    run.Frame().MDIMaximize(form->GetParentFrame());
    pv::test::PumpUntilIdle();
    CRect grid;
    form->m_attachmentGrid.GetWindowRect(&grid);
    ASSERT_TRUE(pv::test::DropFiles({pv::Utf8ToUtf16(source.string())}, grid.CenterPoint().x, grid.CenterPoint().y));
    pv::test::PumpUntilIdle();
    run.Command(ID_INCOME_ADD);
    run.ClickCenter(*form->GetDlgItem(IDC_TASK_PLACE));
    pv::test::TypeText(u"Hall");
    pv::test::PumpUntilIdle();
    run.Command(ID_TASK_SAVE);
    EXPECT_TRUE(boxes.Shown().empty());
  }

  RawDb raw(folder.Database());
  EXPECT_EQ(raw.Rows("select tasktitle,place,tasktype from task"), (Table{{"Meeting", "Hall", "1"}}));
  EXPECT_EQ(raw.Rows("select filename,extendionname from files"), (Table{{"minutes.final", "txt"}}));
  EXPECT_EQ(raw.Rows("select fiid,Item from financial"), (Table{{"1", ""}}));
  EXPECT_EQ(raw.Rows("select count(*) from details"), (Table{{"1"}}));

  {
    ProgramRun run;
    ASSERT_TRUE(run.ok());
    CCaptionTree& tree = run.Frame().m_wndWorkTree;
    HTREEITEM work = run.FindText(tree, "O'Brien's garden");
    ASSERT_NE(work, nullptr);
    tree.Expand(work, TVE_EXPAND);
    HTREEITEM task = run.FindText(tree, "Meeting");
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(tree.GetParentItem(task), work);
    EXPECT_NE(run.FindText(run.Frame().m_wndDateTree, "O'Brien's garden.Meeting"), nullptr);

    // A click on the task opens its form with everything it holds.
    CRect r;
    ASSERT_TRUE(tree.GetItemRect(task, &r, TRUE));
    pv::test::ClickClient(tree.m_hWnd, r.left + 2, r.top + r.Height() / 2);
    pv::test::PumpUntilIdle();
    CPravenorView* form = run.Form();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(Narrow(form->m_strTitle), "Meeting");
    EXPECT_EQ(Narrow(form->m_strPlace), "Hall");
    EXPECT_EQ(Narrow(form->m_strWorkName), "O'Brien's garden");
    ASSERT_EQ(form->m_attachmentGrid.GetBodyRows()->GetCount(), 1);
    EXPECT_EQ(CellText(form->m_attachmentGrid, 0, 0), "minutes.final");
    EXPECT_EQ(form->m_incomeGrid.GetBodyRows()->GetCount(), 1);
  }
  EXPECT_TRUE(fs::exists(fs::path(folder.Path()) / "Attachment" / "minutes.final.txt"));
}

}  // namespace
