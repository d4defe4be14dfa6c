// A new user's first tasks in the running program, by mouse and keyboard:
// the work is asked for when none is current, what is typed reaches the
// database when the user leaves a field, closes the form or exits, and the
// first task of a new day shows in the date tree at once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/mainframe/mainframe.h"
#include "app/pravenorapp.h"
#include "app/data/des.h"
#include "app/views/captiontree.h"
#include "app/views/datetree.h"
#include "app/views/pravenorview.h"
#include "platform/base/clock.h"
#include "platform/window/test_input.h"
#include "store_fixture.h"
#include "tests/support/fixture_reset.h"

using storetest::Narrow;
using storetest::ProgramFolder;
using storetest::RawDb;

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
    // The quit the main window's end posts goes, as the message loop takes it.
    pv::test::PumpUntilIdle();
    pv::test::TakeQuit();
    AfxDeleteTempMaps();
  }
  bool ok() const { return ok_; }
  CMainFrame& Frame() { return *static_cast<CMainFrame*>(app_.m_pMainWnd); }
  bool Running() const { return app_.m_pMainWnd && app_.m_pMainWnd->m_hWnd; }
  void Command(UINT id) {
    Frame().SendMessage(WM_COMMAND, id, 0);
    pv::test::PumpUntilIdle();
  }
  CPravenorView* Form() {
    CMDIChildWnd* child = Frame().MDIGetActive();
    return child ? dynamic_cast<CPravenorView*>(child->GetActiveView()) : nullptr;
  }
  void ClickField(CWnd& form, int id) {
    CWnd* field = form.GetDlgItem(id);
    ASSERT_NE(field, nullptr);
    CRect r;
    field->GetClientRect(&r);
    pv::test::ClickClient(field->m_hWnd, r.Width() / 2, r.Height() / 2);
    pv::test::PumpUntilIdle();
  }
  void Type(std::u16string_view text) {
    pv::test::TypeText(text);
    pv::test::PumpUntilIdle();
  }
  // The Completed command answered in the work chooser with a new work's
  // name, as the user types it there.
  void NewCompletedTaskOfNewWork(std::u16string_view work) {
    pv::test::KeyPress(VK_TAB);
    pv::test::TypeText(work);
    pv::test::KeyPress(VK_RETURN);
    Command(ID_NEW_COMPLETED);
  }

 private:
  CPravenorApp app_;
  bool ok_ = false;
};

class FirstTasks : public ::testing::Test {
 protected:
  FirstTasks() : config_(folder_.Path()) {}
  ProgramFolder folder_;
  pvtest::SettingsFolder config_;
  pv::MessageBoxRecorder boxes_;
  pv::FakeClockScope clock_{2026, 12, 10, 10, 0, 0};
};

TEST_F(FirstTasks, FromTheWorkTreeWithoutACurrentWorkTheWorkIsAskedFor) {
  {
    ProgramRun run;
    ASSERT_TRUE(run.ok());
    ASSERT_EQ(run.Frame().m_nActiveTree, CFrameState::Tree::kWork);  // the work tree is active at start
    run.NewCompletedTaskOfNewWork(u"Garden");
    CPravenorView* form = run.Form();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(Narrow(form->m_strWorkName), "Garden");
    run.ClickField(*form, IDC_TASK_TITLE);
    run.Type(u"Rake");
    // The work tree shows the task under its work.
    CCaptionTree& tree = run.Frame().m_wndWorkTree;
    HTREEITEM item = nullptr;
    for (HTREEITEM i = tree.GetRootItem(); i; i = tree.GetNextItem(i))
      if (Narrow(tree.GetItemText(i)).rfind("R", 0) == 0 && GetTreeItemLevel(tree, i) == 4) item = i;
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Narrow(tree.GetItemText(tree.GetParentItem(item))), "Garden");
  }
  RawDb raw(folder_.Database());
  EXPECT_EQ(raw.Rows("select count(*) from task where tid is null or tid not in (select tid from things)"),
            (Table{{"0"}}));
  EXPECT_EQ(raw.One("select count(*) from task inner join things on task.tid=things.tid"), "1");
}

// How the user stops: nothing (the program is killed), the form's close
// box, or Exit.
enum class Ending { Killed, FormClosed, ProgramExited };

TEST_F(FirstTasks, TypedTextIsStoredWhenAFieldIsLeftTheFormClosedOrTheProgramExits) {
  struct Case {
    const char* what;
    Ending ending;
    const char* place;  // the field being typed in at the end
  };
  const Case cases[] = {
      {"killed: the field being typed in may be lost", Ending::Killed, ""},
      {"form closed", Ending::FormClosed, "Shed"},
      {"program exited", Ending::ProgramExited, "Shed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProgramFolder folder;
    pvtest::SettingsFolder config(folder.Path());
    {
      ProgramRun run;
      ASSERT_TRUE(run.ok());
      run.NewCompletedTaskOfNewWork(u"Garden");
      CPravenorView* form = run.Form();
      ASSERT_NE(form, nullptr);
      run.ClickField(*form, IDC_TASK_TITLE);
      run.Type(u"Kill test: buy rake");
      run.ClickField(*form, IDC_TASK_PERSONNEL);
      run.Type(u"O'Brien");
      run.ClickField(*form, IDC_TASK_PLACE);
      run.Type(u"Shed");
      if (c.ending == Ending::Killed) {
        // What a kill leaves: the database as it is now.
        RawDb raw(folder.Database());
        EXPECT_EQ(raw.Rows("select tasktitle,personnel,coalesce(place,'') from task"),
                  (Table{{"Kill test: buy rake", "O'Brien", c.place}}));
        continue;
      }
      if (c.ending == Ending::FormClosed) {
        run.Frame().MDIGetActive()->SendMessage(WM_CLOSE);
        pv::test::PumpUntilIdle();
        EXPECT_EQ(run.Form(), nullptr);
      } else {
        run.Command(ID_APP_EXIT);
        EXPECT_FALSE(run.Running());
      }
      RawDb raw(folder.Database());
      EXPECT_EQ(raw.Rows("select tasktitle,personnel,place from task"),
                (Table{{"Kill test: buy rake", "O'Brien", c.place}}));
    }
    EXPECT_TRUE(boxes_.Shown().empty());
  }
}

// A pixel drawn in the completed tasks' blue (RGB(3, 131, 251)), allowing
// for the anti-aliased edges of the letters.
bool ShowsTaskBlue(HWND tree, const CRect& r) {
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      const COLORREF c = pv::test::WindowPixel(tree, x, y);
      if (GetRValue(c) < 60 && GetGValue(c) > 100 && GetGValue(c) < 170 && GetBValue(c) > 220) return true;
    }
  return false;
}

TEST_F(FirstTasks, TheFirstTaskOfANewDayShowsInTheDateTreeAtOnce) {
  struct Case {
    const char* what;
    int year, month, day;  // an earlier task's day (year 0: none)
  };
  const Case cases[] = {
      {"the first task ever", 0, 0, 0},
      {"a new day of a month with tasks", 2026, 12, 9},
      {"a new month", 2026, 11, 30},
      {"a new year", 2025, 12, 31},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProgramFolder folder;
    pvtest::SettingsFolder config(folder.Path());
    {
      CDataStore store;
      ASSERT_GE(store.OpenDatabase(), 1);
      const COleDateTime start(2025, 1, 5, 9, 0, 0);
      CDES des;
      const int tid = store.InsertAndGetMaxId(
          u"insert into things (workname,worktype,starttime) values (?,1,?)", u"select max(tid) from things",
          {CDataStore::TextValue(des.TransformText(u"Garden", GetWorkNameKey(start), 0)),
           _variant_t(DATE(start), VT_DATE)});
      ASSERT_GT(tid, 0);
      if (c.year) {
        ASSERT_GT(store.InsertAndGetMaxId(u"insert into task (tasktitle,tid,tasktype,tasktime) values ('Dig',?,1,?)",
                                          u"select max(taid) from task",
                                          {_variant_t(static_cast<long>(tid)),
                                           _variant_t(DATE(COleDateTime(c.year, c.month, c.day, 0, 0, 0)), VT_DATE)}),
                  0);
      }
    }
    ProgramRun run;
    ASSERT_TRUE(run.ok());
    // The Completed command from the date tree: the work chosen by its name.
    run.Frame().ActivateTreePane(IDP_DATEVIEW_PANE);
    run.NewCompletedTaskOfNewWork(u"Garden");
    CPravenorView* form = run.Form();
    ASSERT_NE(form, nullptr);
    run.ClickField(*form, IDC_TASK_TITLE);
    run.Type(u"Rake");

    CDateTree& tree = run.Frame().m_wndDateTree;
    HTREEITEM task = nullptr;
    for (HTREEITEM i = tree.GetRootItem(); i; i = tree.GetNextItem(i))
      if (GetTreeItemLevel(tree, i) == 5 && static_cast<LPARAM>(tree.GetItemData(i)) == form->GetTaskId()) task = i;
    ASSERT_NE(task, nullptr);
    HTREEITEM day = tree.GetParentItem(task);
    EXPECT_EQ(Narrow(tree.GetItemText(day)), "2026.12.10 Thursday");
    EXPECT_EQ(Narrow(tree.GetItemText(tree.GetParentItem(day))), "2026.12");
    // Shown: its row lies in the tree's window and is drawn in the task blue.
    CRect row, client;
    ASSERT_TRUE(tree.GetItemRect(task, &row, TRUE));
    tree.GetClientRect(&client);
    EXPECT_TRUE(CRect().IntersectRect(row, client));
    EXPECT_TRUE(ShowsTaskBlue(tree.m_hWnd, row));
  }
}

}  // namespace
