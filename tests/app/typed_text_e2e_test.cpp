// A new user's first tasks in the running program, by mouse and keyboard:
// the work is asked for when none is current (in a dialog whose caption
// says so), what is typed into either task form reaches the database when
// the user leaves a field, changes the date, closes the form or exits, and
// the first task of a new day shows in the date tree at once.
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
  // A click in the middle of the part of the field the form shows (a
  // form wider than its window shows only its left part).
  void ClickField(CWnd& form, int id) {
    CWnd* field = form.GetDlgItem(id);
    ASSERT_NE(field, nullptr);
    CRect shown, visible;
    field->GetWindowRect(&shown);
    form.GetClientRect(&visible);
    form.ClientToScreen(&visible);
    ASSERT_TRUE(shown.IntersectRect(shown, visible));
    field->ScreenToClient(&shown);
    pv::test::ClickClient(field->m_hWnd, shown.CenterPoint().x, shown.CenterPoint().y);
    pv::test::PumpUntilIdle();
  }
  // A key pressed and taken as the program's loop takes it, pre-translation
  // included (Tab moves between a form's fields there).
  void Key(UINT vk) {
    pv::test::KeyPress(vk);
    MSG peek{};
    for (int guard = 0; guard < 10000 && ::PeekMessage(&peek, nullptr, 0, 0, PM_NOREMOVE); ++guard)
      if (!app_.PumpMessage()) break;
    pv::test::PumpUntilIdle();
  }
  void Type(std::u16string_view text) {
    pv::test::TypeText(text);
    pv::test::PumpUntilIdle();
  }
  // The form of the active MDI child, of either task form.
  CFormView* FormView() {
    CMDIChildWnd* child = Frame().MDIGetActive();
    return child ? dynamic_cast<CFormView*>(child->GetActiveView()) : nullptr;
  }
  // A new task command answered in the work chooser with a new work's
  // name, as the user types it there.
  void NewTaskOfNewWork(std::u16string_view work, UINT command) {
    pv::test::KeyPress(VK_TAB);
    pv::test::TypeText(work);
    pv::test::KeyPress(VK_RETURN);
    Command(command);
  }
  void NewCompletedTaskOfNewWork(std::u16string_view work) { NewTaskOfNewWork(work, ID_NEW_COMPLETED); }

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

// The captions of the top-level dialogs the user sees come up, read as
// each is activated.
std::vector<std::string>& ActivatedDialogCaptions() {
  static auto* captions = new std::vector<std::string>();
  return *captions;
}
LRESULT CALLBACK NoteActivatedDialog(int code, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = reinterpret_cast<HWND>(wParam);
  WCHAR name[32] = {};
  if (code == HCBT_ACTIVATE && GetClassNameW(hwnd, name, 32) && std::u16string(name) == u"#32770" &&
      !(GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) {
    CString caption;
    CWnd::FromHandle(hwnd)->GetWindowText(caption);
    ActivatedDialogCaptions().push_back(Narrow(caption));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(FirstTasks, TheWorkChooserSaysWhatItAsksFor) {
  ProgramRun run;
  ASSERT_TRUE(run.ok());
  HHOOK hook = SetWindowsHookExW(WH_CBT, NoteActivatedDialog, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  for (UINT command : {ID_NEW_COMPLETED, ID_NEW_SCHEDULED}) {
    SCOPED_TRACE(command);
    ActivatedDialogCaptions().clear();
    // No work is current yet: the command asks for one; Escape answers.
    pv::test::KeyPress(VK_ESCAPE);
    run.Command(command);
    EXPECT_EQ(ActivatedDialogCaptions(), (std::vector<std::string>{"Choose worktype and workname"}));
    EXPECT_EQ(run.FormView(), nullptr);
  }
  UnhookWindowsHookEx(hook);
}

// How the user stops: nothing (the program is killed), the form's close
// box, or Exit; or the date is changed by its keys and then the program is
// killed.
enum class Ending { Killed, FormClosed, ProgramExited, DateChangedThenKilled };

// The two task forms, as the Task menu opens them.
struct TaskForm {
  const char* name;
  UINT command;
  int title, personnel, place, date;
  const char* tasktype;
};
constexpr TaskForm kTaskForms[] = {
    {"completed", ID_NEW_COMPLETED, IDC_TASK_TITLE, IDC_TASK_PERSONNEL, IDC_TASK_PLACE, IDC_TASK_DATE, "1"},
    {"scheduled", ID_NEW_SCHEDULED, IDC_PLAN_TITLE, IDC_PLAN_PERSONNEL, IDC_PLAN_PLACE, IDC_PLAN_DATE, "2"},
};

// A day as the database stores a task's day: the number of its midnight.
std::string StoredDay(int year, int month, int day) {
  return std::to_string(static_cast<long>(DATE(COleDateTime(year, month, day, 0, 0, 0))));
}
// A new task in the form, of a new work "Garden", its title typed; the
// form, or null when none opened.
CFormView* NewTaskTitled(ProgramRun& run, const TaskForm& kind, std::u16string_view title) {
  run.NewTaskOfNewWork(u"Garden", kind.command);
  CFormView* form = run.FormView();
  if (!form) return nullptr;
  run.ClickField(*form, kind.title);
  run.Type(title);
  return form;
}

// The day the date picker shows.
std::string PickedDay(CWnd& form, int id) {
  SYSTEMTIME st{};
  form.SendDlgItemMessage(id, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
  return StoredDay(st.wYear, st.wMonth, st.wDay);
}

// The items of the task titled `title` in the two trees: the work tree's
// label under its work, the date tree's label.
std::vector<std::string> TreeLabels(CMainFrame& frame, const std::string& title) {
  std::vector<std::string> out;
  CCaptionTree& works = frame.m_wndWorkTree;
  for (HTREEITEM i = works.GetRootItem(); i; i = works.GetNextItem(i))
    if (GetTreeItemLevel(works, i) == 4 && Narrow(works.GetItemText(i)) == title)
      out.push_back(Narrow(works.GetItemText(works.GetParentItem(i))) + "/" + title);
  CDateTree& dates = frame.m_wndDateTree;
  for (HTREEITEM i = dates.GetRootItem(); i; i = dates.GetNextItem(i))
    if (GetTreeItemLevel(dates, i) == 5 && Narrow(dates.GetItemText(i)).find(title) != std::string::npos)
      out.push_back(Narrow(dates.GetItemText(i)));
  return out;
}

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
      {"date changed, then killed", Ending::DateChangedThenKilled, "Shed"},
  };
  for (const TaskForm& kind : kTaskForms)
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(kind.name) + ", " + c.what);
      ProgramFolder folder;
      pvtest::SettingsFolder config(folder.Path());
      const std::string today = StoredDay(2026, 12, 10);
      std::string day = today;
      {
        ProgramRun run;
        ASSERT_TRUE(run.ok());
        CFormView* form = NewTaskTitled(run, kind, u"Kill test: buy rake");
        ASSERT_NE(form, nullptr);
        run.ClickField(*form, kind.personnel);
        run.Type(u"O'Brien");
        run.ClickField(*form, kind.place);
        run.Type(u"Shed");
        if (c.ending == Ending::Killed || c.ending == Ending::DateChangedThenKilled) {
          if (c.ending == Ending::DateChangedThenKilled) {
            // On to the date by the keyboard, a day field stepped up.
            run.Key(VK_TAB);
            ASSERT_EQ(::GetDlgCtrlID(::GetFocus()), kind.date);
            run.Key(VK_UP);
            day = PickedDay(*form, kind.date);
            EXPECT_NE(day, today);
          }
          // What a kill leaves: the database as it is now.
          RawDb raw(folder.Database());
          EXPECT_EQ(raw.Rows("select tasktitle,personnel,coalesce(place,''),tasktype,tasktime=" + day + " from task"),
                    (Table{{"Kill test: buy rake", "O'Brien", c.place, kind.tasktype, "1"}}));
          continue;
        }
        if (c.ending == Ending::FormClosed) {
          run.Frame().MDIGetActive()->SendMessage(WM_CLOSE);
          pv::test::PumpUntilIdle();
          EXPECT_EQ(run.FormView(), nullptr);
        } else {
          run.Command(ID_APP_EXIT);
          EXPECT_FALSE(run.Running());
        }
        RawDb raw(folder.Database());
        EXPECT_EQ(raw.Rows("select tasktitle,personnel,place,tasktype from task"),
                  (Table{{"Kill test: buy rake", "O'Brien", c.place, kind.tasktype}}));
      }
      // Never a task without its work.
      RawDb raw(folder.Database());
      EXPECT_EQ(raw.One("select count(*) from task inner join things on task.tid=things.tid"), "1");
      // Started again, the program shows the whole title in both trees.
      ProgramRun again;
      ASSERT_TRUE(again.ok());
      EXPECT_EQ(TreeLabels(again.Frame(), "Kill test: buy rake"),
                (std::vector<std::string>{"Garden/Kill test: buy rake", "Garden.Kill test: buy rake"}));
    }
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(FirstTasks, ATitleEmptiedByTheUserKeepsTheStoredOneWhenTheFieldIsLeftOrTheFormCloses) {
  for (const TaskForm& kind : kTaskForms) {
    SCOPED_TRACE(kind.name);
    ProgramFolder folder;
    pvtest::SettingsFolder config(folder.Path());
    {
      ProgramRun run;
      ASSERT_TRUE(run.ok());
      CFormView* form = NewTaskTitled(run, kind, u"Rake");
      ASSERT_NE(form, nullptr);
      run.ClickField(*form, kind.personnel);
      run.ClickField(*form, kind.title);
      for (int i = 0; i < 4; ++i) run.Key(VK_BACK);
      run.ClickField(*form, kind.personnel);
      run.Type(u"Ann");
      run.Frame().MDIGetActive()->SendMessage(WM_CLOSE);
      pv::test::PumpUntilIdle();
      EXPECT_EQ(run.FormView(), nullptr);
      // The tree keeps the label of the stored title.
      EXPECT_EQ(TreeLabels(run.Frame(), "Rake"), (std::vector<std::string>{"Garden/Rake", "Garden.Rake"}));
    }
    RawDb raw(folder.Database());
    EXPECT_EQ(raw.Rows("select tasktitle,personnel from task"), (Table{{"Rake", "Ann"}}));
  }
  // Only Save asks for a title.
  EXPECT_TRUE(boxes_.Shown().empty());
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
