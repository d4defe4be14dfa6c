// The scheduled-task form worked as a user works it: files dropped on the
// attachment grid, renamed, opened by double click and deleted; a reminder
// flagged for a text message by a click in its message column; the task
// deleted. Everything through the painted windows and scripted input.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/views/planstore.h"
#include "app/views/planthings.h"
#include "app/views/treetasks.h"
#include "platform/shell/shellapi.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reportinplacebutton.h"
#include "toolkit/report/reportinplacelist.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "views_fixture.h"

namespace {

using viewstest::Narrow;
namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PlanInputTest : public viewstest::ViewsTest {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1600, 1400);
    pvtest::ResetShell();
    Start();
    work_ = AddWork(u"Garden", 1);
  }
  void TearDown() override { pvtest::ResetShell(); }
  // The task's form opened as a click in the tree opens it, with room for
  // the whole form.
  CPlanThingsView* Open(int taid) {
    RefillWorkTree();
    RefillDateTree();
    Frame().m_nItemId = work_;
    Frame().m_strItemText = u"Garden";
    Frame().m_nRecordId = taid;
    Frame().m_bOpeningTask = 1;
    app_.m_openExistingTask = true;
    app_.OnNewScheduledTask();
    Frame().m_bOpeningTask = 0;
    app_.m_openExistingTask = false;
    CMDIChildWnd* child = Frame().MDIGetActive();
    if (!child) return nullptr;
    Frame().ShowWindow(SW_MAXIMIZE);
    Frame().MDIMaximize(child);
    pv::test::PumpUntilIdle();
    return dynamic_cast<CPlanThingsView*>(child->GetActiveView());
  }
  // A task "Water" with one reminder, its form open; the reminder's id.
  CPlanThingsView* OpenWithReminder(int* rid) {
    const int taid = InsertScheduledTask(Store(), u"Water", work_, COleDateTime(2012, 6, 1, 0, 0, 0));
    *rid = InsertReminder(Store(), taid, COleDateTime(2012, 6, 1, 8, 0, 0));
    return Open(taid);
  }
  fs::path Source(const std::string& name, const std::string& text) {
    const fs::path p = fs::path(folder_.Path()) / "source" / name;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << text;
    return p;
  }
  void Drop(CWnd& grid, const fs::path& file) {
    CRect r;
    grid.GetWindowRect(&r);
    ASSERT_TRUE(pv::test::DropFiles({file.u16string()}, r.left + 20, r.top + 30));
    pv::test::PumpUntilIdle();
  }
  // The centre of a row's cell, in screen coordinates.
  CPoint CellCentre(CTKReportControl& grid, int row, int item) {
    CTKReportRow* r = grid.GetBodyRows()->GetAt(row);
    CRect cell = r->GetItemRect(r->GetRecord()->GetItem(item));
    CPoint at = cell.CenterPoint();
    grid.ClientToScreen(&at);
    return at;
  }
  int RowNamed(CTKReportControl& grid, const std::string& name) {
    for (int i = 0; i < grid.GetBodyRows()->GetCount(); ++i)
      if (Narrow(grid.GetBodyRows()->GetAt(i)->GetRecord()->GetItem(0)->GetCaption(nullptr)) == name) return i;
    return -1;
  }
  void Command(UINT id) {
    Frame().SendMessage(WM_COMMAND, id);
    pv::test::PumpUntilIdle();
  }
  fs::path Attachments() { return fs::path(folder_.Path()) / "Attachment"; }
  viewstest::RawDb Raw() { return viewstest::RawDb(folder_.Database()); }

  int work_ = 0;
};

TEST_F(PlanInputTest, AttachmentsAreRenamedOpenedAndDeletedAsInTheCompletedForm) {
  const int taid = InsertScheduledTask(Store(), u"Water", work_, COleDateTime(2012, 6, 1, 0, 0, 0));
  CPlanThingsView* view = Open(taid);
  ASSERT_NE(view, nullptr);
  CFileReportControl& grid = view->m_wndAttachments;
  for (const char* name : {"plan.doc", "notes.txt", "taken.doc"}) Drop(grid, Source(name, name));
  ASSERT_EQ(grid.GetBodyRows()->GetCount(), 3);

  // Rename to a name in use: this form's own words, and the old name back.
  auto rename = [&](const std::string& from, const std::u16string& to) {
    const CPoint at = CellCentre(grid, RowNamed(grid, from), 0);
    pv::test::MouseMove(at.x, at.y);
    pv::test::Click(at.x, at.y);
    pv::test::PumpUntilIdle();
    Command(ID_ATTACHMENT_RENAME);
    pv::test::KeyPress(VK_END);
    for (size_t i = 0; i < from.size(); ++i) pv::test::KeyPress(VK_BACK);
    pv::test::TypeText(to);
    pv::test::KeyPress(VK_RETURN);
    pv::test::PumpUntilIdle();
  };
  boxes_.Clear();
  rename("plan", u"taken");
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(pv::Utf16ToUtf8(boxes_.Last().text), "filename is exist,change name");
  EXPECT_GE(RowNamed(grid, "plan"), 0);
  EXPECT_EQ(Read(Attachments() / "taken.doc"), "taken.doc");

  // A double click on the row of that rename opens nothing; on another row
  // it opens that row's copy, whichever row has the focus.
  pv::shell::ClearShellExecuteCalls();
  CPoint at = CellCentre(grid, RowNamed(grid, "plan"), 0);
  pv::test::DoubleClick(at.x, at.y);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(pv::shell::ShellExecuteCalls().empty());
  at = CellCentre(grid, RowNamed(grid, "notes"), 0);
  pv::test::DoubleClick(at.x, at.y);
  pv::test::PumpUntilIdle();
  auto calls = pv::shell::ShellExecuteCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(fs::path(pv::Utf16ToUtf8(calls[0].file)), Attachments() / "notes.txt");

  // A rename that goes: the copy and the row together.
  boxes_.Clear();
  rename("plan", u"budget");
  EXPECT_TRUE(boxes_.Shown().empty());
  EXPECT_EQ(Raw().One("select count(*) from files where filename='budget' and extendionname='doc'"), "1");
  EXPECT_EQ(Read(Attachments() / "budget.doc"), "plan.doc");
  EXPECT_FALSE(fs::exists(Attachments() / "plan.doc"));

  // Delete: the row goes, the copy stays; the same file can be attached
  // again, and its copy is the new one.
  at = CellCentre(grid, RowNamed(grid, "notes"), 0);
  pv::test::Click(at.x, at.y);
  pv::test::PumpUntilIdle();
  Command(ID_ATTACHMENT_DELETE);
  EXPECT_EQ(RowNamed(grid, "notes"), -1);
  EXPECT_EQ(Raw().One("select count(*) from files where filename='notes'"), "0");
  EXPECT_TRUE(fs::exists(Attachments() / "notes.txt"));
  boxes_.Clear();
  Drop(grid, Source("notes.txt", "notes, again"));
  EXPECT_TRUE(boxes_.Shown().empty());
  EXPECT_GE(RowNamed(grid, "notes"), 0);
  EXPECT_EQ(Read(Attachments() / "notes.txt"), "notes, again");
  // A copy another row names is still refused.
  Drop(grid, Source("taken.doc", "someone else's"));
  EXPECT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(Read(Attachments() / "taken.doc"), "taken.doc");
}

TEST_F(PlanInputTest, AClickInTheMessageColumnFlagsTheReminder) {
  int rid = 0;
  CPlanThingsView* view = OpenWithReminder(&rid);
  ASSERT_NE(view, nullptr);
  CFileReportControl& grid = view->m_wndReminders;
  CTKReportColumn* message = grid.GetColumns()->Find(5);
  ASSERT_NE(message, nullptr);
  EXPECT_TRUE(message->IsVisible());
  ASSERT_EQ(grid.GetBodyRows()->GetCount(), 1);
  grid.RedrawWindow();
  pv::test::PumpUntilIdle();
  const CPoint at = CellCentre(grid, 0, 5);
  // Inside the grid as the user sees it.
  CRect window;
  grid.GetWindowRect(&window);
  EXPECT_TRUE(window.PtInRect(at));
  pv::test::MouseMove(at.x, at.y);
  pv::test::Click(at.x, at.y);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Raw().One("select message<>0 from remind where rid=" + std::to_string(rid)), "1");
  EXPECT_TRUE(grid.GetBodyRows()->GetAt(0)->GetRecord()->GetItem(5)->IsChecked());
  pv::test::Click(at.x, at.y);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Raw().One("select message<>0 from remind where rid=" + std::to_string(rid)), "0");
}

TEST_F(PlanInputTest, DeletingTheTaskSelectsThePartsAboveItInBothTrees) {
  const int taid = InsertScheduledTask(Store(), u"Water", work_, COleDateTime(2012, 6, 1, 0, 0, 0));
  CPlanThingsView* view = Open(taid);
  ASSERT_NE(view, nullptr);
  HTREEITEM workItem = view->m_hWorkTreeItem, dateItem = view->m_hDateTreeItem;
  ASSERT_NE(workItem, nullptr);
  ASSERT_NE(dateItem, nullptr);
  HTREEITEM workParent = Frame().m_wndWorkTree.GetParentItem(workItem);
  HTREEITEM dateParent = Frame().m_wndDateTree.GetParentItem(dateItem);
  Frame().m_workTreeFlags[CFrameState::kDeleteTask] = 1;
  Frame().m_dateTreeFlags[CFrameState::kDeleteTask] = 1;
  boxes_.Answer(IDYES);
  Command(ID_TASK_DELETE);
  EXPECT_EQ(Raw().One("select count(*) from task"), "0");
  EXPECT_EQ(Frame().m_wndWorkTree.GetSelectedItem(), workParent);
  EXPECT_EQ(Frame().m_wndDateTree.GetSelectedItem(), dateParent);
  for (BYTE* flags : {Frame().m_workTreeFlags, Frame().m_dateTreeFlags}) {
    EXPECT_EQ(flags[CFrameState::kDeleteTask], 0);
    EXPECT_EQ(flags[CFrameState::kNewCompleted], 1);
    EXPECT_EQ(flags[CFrameState::kNewScheduled], 1);
  }
}

TEST_F(PlanInputTest, ARefusedReminderEditShowsWhatIsStored) {
  const int taid = InsertScheduledTask(Store(), u"Water", work_, COleDateTime(2012, 6, 1, 0, 0, 0));
  InsertReminder(Store(), taid, COleDateTime(2012, 6, 1, 8, 0, 0));
  CPlanThingsView* view = Open(taid);
  ASSERT_NE(view, nullptr);
  CFileReportControl& grid = view->m_wndReminders;
  ASSERT_EQ(grid.GetBodyRows()->GetCount(), 1);
  // The database refuses every change of a reminder.
  RawExec("create trigger refuse before update on remind begin select raise(abort, 'read only'); end");
  const CPoint at = CellCentre(grid, 0, 0);
  pv::test::MouseMove(at.x, at.y);
  pv::test::Click(at.x, at.y);
  pv::test::PumpUntilIdle();
  Command(ID_REMINDER_MODIFY);
  pv::test::TypeText(u"Call Bob");
  pv::test::KeyPress(VK_RETURN);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(Raw().One("select content from remind"), "");
  ASSERT_EQ(grid.GetBodyRows()->GetCount(), 1);
  EXPECT_EQ(Narrow(grid.GetBodyRows()->GetAt(0)->GetRecord()->GetItem(0)->GetCaption(nullptr)), "");
}

// The reminder's drop-down buttons by mouse: the interval's drops its
// choices in sight and a click on one stores it; the date's shows the
// calendar instead of a list.
TEST_F(PlanInputTest, TheReminderButtonsDropTheirChoicesByAClick) {
  int rid = 0;
  CPlanThingsView* view = OpenWithReminder(&rid);
  ASSERT_NE(view, nullptr);
  CFileReportControl& grid = view->m_wndReminders;
  grid.SetAllowEdit(TRUE);
  ASSERT_EQ(grid.GetBodyRows()->GetCount(), 1);
  // Presses the cell's button as the user sees it.
  auto press = [&](int itemIndex, void (*then)() = nullptr) {
    TK_REPORTRECORDITEM_ARGS args(&grid, grid.GetBodyRows()->GetAt(0), grid.GetColumns()->Find(itemIndex));
    grid.EditItem(&args);
    pv::test::PumpUntilIdle();
    CTKReportInplaceButton* button = grid.GetColumns()->Find(itemIndex)->GetEditOptions()->GetButton(0);
    if (!button || !button->m_hWnd || !button->IsWindowVisible()) return false;
    CRect rc;
    button->GetWindowRect(&rc);
    pv::test::Click(rc.CenterPoint().x, rc.CenterPoint().y);
    if (then) then();
    pv::test::PumpUntilIdle();
    return true;
  };
  ASSERT_TRUE(press(4));
  CTKReportInplaceList* list = grid.GetInplaceList();
  ASSERT_TRUE(list->m_hWnd && list->IsWindowVisible());
  EXPECT_EQ(list->GetCount(), 12);
  CRect dropped, client;
  list->GetWindowRect(&dropped);
  grid.GetClientRect(&client);
  grid.ClientToScreen(&client);
  EXPECT_LE(dropped.right, client.right);
  RECT work{};
  ::SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_TRUE(dropped.left >= work.left && dropped.top >= work.top && dropped.right <= work.right &&
              dropped.bottom <= work.bottom);
  const int ih = list->GetItemHeight(0);
  const int second = dropped.top + 1 + (1 - list->GetTopIndex()) * ih + ih / 2;
  pv::test::Click(dropped.left + 10, second);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(grid.GetBodyRows()->GetAt(0)->GetRecord()->GetItem(4)->GetCaption(grid.GetColumns()->Find(4)),
            CString(u"15 minutes"));
  EXPECT_EQ(Raw().One("select separation from remind where rid=" + std::to_string(rid)), "1");

  // The date's button: the calendar pops up (and ends when the queue runs dry), no list.
  static int calendars = 0;
  calendars = 0;
  HHOOK hook = ::SetWindowsHookExW(
      WH_CBT,
      [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
        WCHAR name[64] = {};
        if (code == HCBT_CREATEWND && ::GetClassNameW(reinterpret_cast<HWND>(wParam), name, 64) &&
            std::u16string(name) == u"TKDatePicker")
          ++calendars;
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
      },
      nullptr, ::GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  // In the calendar: the next day, Enter.
  auto chooseNextDay = [] {
    pv::test::KeyPress(VK_RIGHT);
    pv::test::KeyPress(VK_RETURN);
  };
  const bool pressed = press(1, chooseNextDay);
  ::UnhookWindowsHookEx(hook);
  ASSERT_TRUE(pressed);
  EXPECT_EQ(calendars, 1);
  // Stored as the day's number.
  EXPECT_EQ(Raw().One("select RemindDate from remind where rid=" + std::to_string(rid)),
            std::to_string(static_cast<long>(COleDateTime(2012, 6, 2, 0, 0, 0).m_dt)));
  EXPECT_FALSE(list->m_hWnd && list->IsWindowVisible());
}

}  // namespace
