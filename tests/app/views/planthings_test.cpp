// The scheduled-task form in the running application: the first title
// makes the task, reminders are added, edited and deleted, Save and Delete;
// every effect read back through a raw SQLite connection.
#include "app/views/planthings.h"

#include <filesystem>
#include <fstream>

#include "app/views/attachments.h"
#include "app/views/forms.h"
#include "app/views/planstore.h"
#include "app/views/remindrecord.h"
#include "app/views/treetasks.h"
#include "platform/base/clock.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "views_fixture.h"

namespace {

using viewstest::Narrow;

std::string When(const std::string& stored) {
  return stored == "NULL" ? stored : Narrow(COleDateTime(std::stod(stored)).Format(u"%Y-%m-%d %H:%M:%S"));
}

class PlanFormTest : public viewstest::ViewsTest {
 protected:
  void SetUp() override {
    Start();
    work_ = AddWork(u"Garden", 1);
    RefillWorkTree();
    RefillDateTree();
    Frame().m_nItemId = work_;
    Frame().m_strItemText = u"Garden";
  }
  viewstest::RawDb Raw() { return viewstest::RawDb(folder_.Database()); }
  CPlanThingsView* OpenForm() {
    app_.OnNewScheduledTask();
    CMDIChildWnd* child = Frame().MDIGetActive();
    if (!child) return nullptr;
    return dynamic_cast<CPlanThingsView*>(child->GetActiveView());
  }
  void Type(CPlanThingsView* view, int id, const char16_t* text) { view->SetDlgItemText(id, text); }
  int work_ = 0;
};

TEST_F(PlanFormTest, TheFirstTitleMakesOneScheduledTaskInBothTrees) {
  pv::FakeClockScope clock;
  pv::Clock::SetFakeLocal(2012, 5, 17, 9, 30, 0);
  AddTask(work_, u"Earlier", 1, COleDateTime(2012, 5, 3, 0, 0, 0));  // the year and month items
  RefillDateTree();
  CPlanThingsView* view = OpenForm();
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(view->m_bRemindersReady);
  Type(view, 1049, u"M");
  Type(view, 1049, u"Me");
  ASSERT_TRUE(view->m_bTaskExists);
  EXPECT_EQ(Raw().One("select count(*) from task where tasktype=2"), "1");
  EXPECT_EQ(Raw().One("select tasktitle from task where tasktype=2"), "M");
  EXPECT_EQ(When(Raw().One("select tasktime from task where tasktype=2")), "2012-05-17 00:00:00");
  EXPECT_EQ(Raw().One("select count(*) from details"), "0");
  EXPECT_TRUE(view->m_bRemindersReady);
  ASSERT_NE(view->m_hWorkTreeItem, nullptr);
  ASSERT_NE(view->m_hDateTreeItem, nullptr);
  EXPECT_EQ(static_cast<LPARAM>(Frame().m_wndWorkTree.GetItemData(view->m_hWorkTreeItem)), -view->m_nTaskId);
  EXPECT_EQ(Frame().m_wndWorkTree.GetItemColor(view->m_hWorkTreeItem), RGB(252, 2, 137));
  EXPECT_EQ(Narrow(Frame().m_wndDateTree.GetItemText(view->m_hDateTreeItem)), "Garden.M");

  // Save stores every field, with a quote, and relabels both items.
  Type(view, 1050, u"O'Brien");
  Type(view, 1051, u"Shed");
  Type(view, 1060, u"bring 50% more");
  view->OnSaveTask();
  EXPECT_EQ(Raw().Rows("select tasktitle,personnel,place,brief from task where tasktype=2"),
            (std::vector<std::vector<std::string>>{{"Me", "O'Brien", "Shed", "bring 50% more"}}));
  EXPECT_EQ(Narrow(Frame().m_wndWorkTree.GetItemText(view->m_hWorkTreeItem)), "Me");
  EXPECT_EQ(Narrow(Frame().m_wndDateTree.GetItemText(view->m_hDateTreeItem)), "Garden.Me");

  // An empty title is refused.
  Type(view, 1049, u"");
  boxes_.Clear();
  view->OnSaveTask();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(Narrow(CString(boxes_.Last().text.c_str())), "tasktitle\u4e0d\u80fd\u4e3a\u7a7a");
  EXPECT_EQ(Raw().One("select tasktitle from task where tasktype=2"), "Me");
}

TEST_F(PlanFormTest, AddAtFiveToMidnightAndEditsReachTheDatabase) {
  pv::FakeClockScope clock;
  pv::Clock::SetFakeLocal(2012, 12, 31, 23, 55, 0);
  CPlanThingsView* view = OpenForm();
  ASSERT_NE(view, nullptr);
  Type(view, 1049, u"Party");
  app_.m_bRemindersChanged = false;
  view->OnAddReminder();
  EXPECT_TRUE(app_.m_bRemindersChanged);
  EXPECT_EQ(Raw().Rows("select RemindDate,RemindTime from remind").size(), 1u);
  EXPECT_EQ(When(Raw().One("select RemindDate from remind")), "2013-01-01 00:00:00");
  EXPECT_EQ(When(Raw().One("select RemindTime from remind")), "1899-12-30 00:05:00");
  CTKReportRows* rows = view->m_wndReminders.GetBodyRows();
  ASSERT_EQ(rows->GetCount(), 1);
  CTKReportRecord* record = rows->GetAt(0)->GetRecord();
  EXPECT_EQ(Narrow(record->GetItem(1)->GetCaption(nullptr)), "Tue 2013-01-01");
  EXPECT_EQ(Narrow(record->GetItem(2)->GetCaption(nullptr)), "00:05");

  // "Countless" and "day" chosen, a text typed: one update stores them.
  static_cast<CTKReportRecordItemText*>(record->GetItem(0))->SetValue(u"Bob's call");
  static_cast<CTKReportRecordItemText*>(record->GetItem(3))->SetValue(u"Countless");
  static_cast<CTKReportRecordItemText*>(record->GetItem(4))->SetValue(u"day");
  ReportItemNotify notify{};
  notify.pRow = rows->GetAt(0);
  notify.pItem = record->GetItem(0);
  LRESULT result = 0;
  view->OnReminderEdited(&notify.hdr, &result);
  EXPECT_EQ(Raw().Rows("select content,NumberOfTimes,separation from remind"),
            (std::vector<std::vector<std::string>>{{"Bob's call", "3", "8"}}));

  record->GetItem(5)->SetChecked(TRUE);
  notify.pItem = record->GetItem(5);
  view->OnReminderMessageCheck(&notify.hdr, &result);
  EXPECT_EQ(Raw().One("select message from remind"), "-1");

  // Delete removes the focused row from the database and then the grid.
  view->m_wndReminders.SetFocusedRow(rows->GetAt(0), FALSE);
  view->OnDeleteReminder();
  EXPECT_EQ(Raw().One("select count(*) from remind"), "0");
  EXPECT_EQ(view->m_wndReminders.GetBodyRows()->GetCount(), 0);
}

TEST_F(PlanFormTest, ReopeningListsActiveRemindersAndDeleteYesRemovesEverything) {
  const int taid = InsertScheduledTask(Store(), u"Water", work_, COleDateTime(2012, 6, 1, 0, 0, 0));
  const int live = InsertReminder(Store(), taid, COleDateTime(2012, 6, 1, 8, 0, 0));
  const int off = InsertReminder(Store(), taid, COleDateTime(2012, 6, 1, 9, 0, 0));
  RawExec("update remind set effect=0 where rid=" + std::to_string(off));
  RefillWorkTree();
  Frame().m_nRecordId = taid;
  Frame().m_bOpeningTask = 1;
  app_.m_openExistingTask = true;
  CPlanThingsView* view = OpenForm();
  Frame().m_bOpeningTask = 0;
  app_.m_openExistingTask = false;
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->m_bTaskExists);
  EXPECT_EQ(Narrow(view->m_strTitle), "Water");
  EXPECT_EQ(Narrow(view->m_strWorkName), "Garden");
  ASSERT_EQ(view->m_wndReminders.GetBodyRows()->GetCount(), 1);
  EXPECT_EQ(view->m_nLastReminderId, live);
  EXPECT_NE(view->m_hWorkTreeItem, nullptr);
  ASSERT_TRUE(ActivateOpenTaskView(taid));
  EXPECT_FALSE(ActivateOpenTaskView(taid + 1));

  // No keeps everything.
  boxes_.Answer(IDNO);
  view->OnDeleteTask();
  EXPECT_EQ(Raw().One("select count(*) from task"), "1");
  ASSERT_NE(Frame().MDIGetActive(), nullptr);

  app_.m_bRemindersChanged = false;
  boxes_.Answer(IDYES);
  view->OnDeleteTask();
  EXPECT_EQ(Raw().One("select count(*) from task"), "0");
  EXPECT_EQ(Raw().One("select count(*) from remind"), "0");
  EXPECT_TRUE(app_.m_bRemindersChanged) << "today's list may hold the task's reminders";
  EXPECT_EQ(FindTaskInWorkTree(Frame().m_wndWorkTree, work_, -taid), nullptr);
}

}  // namespace

namespace {

TEST_F(PlanFormTest, AttachmentsRenameWithTheDatabaseAndDeleteTheirRows) {
  namespace fs = std::filesystem;
  CPlanThingsView* view = OpenForm();
  ASSERT_NE(view, nullptr);
  Type(view, 1049, u"Water");
  const fs::path source = fs::path(folder_.Path()) / "in" / "plan.doc";
  fs::create_directories(source.parent_path());
  std::ofstream(source) << "plan";
  ASSERT_TRUE(AttachFile(&view->m_wndAttachments, CString(source.u16string()), view->m_nTaskId, nullptr));
  CFileReportControl& grid = view->m_wndAttachments;
  ASSERT_EQ(grid.GetBodyRows()->GetCount(), 1);
  auto rename = [&](const std::u16string& name) {
    grid.SetFocusedRow(grid.GetBodyRows()->GetAt(0), FALSE);
    view->OnRenameAttachment();
    CTKReportRecordItem* item = grid.GetBodyRows()->GetAt(0)->GetRecord()->GetItem(0);
    static_cast<CTKReportRecordItemVariant*>(item)->SetValue(COleVariant(CString(name)));
    ReportItemNotify nm{};
    nm.pRow = grid.GetBodyRows()->GetAt(0);
    nm.pItem = item;
    LRESULT result = 0;
    boxes_.Clear();
    view->OnAttachmentValueChanged(&nm.hdr, &result);
  };
  const fs::path folder = fs::path(folder_.Path()) / "Attachment";
  rename(u"a/b");
  EXPECT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(Raw().One("select filename from files"), "plan");
  EXPECT_TRUE(fs::exists(folder / "plan.doc"));
  rename(u"O'Brien plan");
  EXPECT_TRUE(boxes_.Shown().empty());
  EXPECT_EQ(Raw().One("select filename from files"), "O'Brien plan");
  EXPECT_TRUE(fs::exists(folder / "O'Brien plan.doc"));
  EXPECT_FALSE(fs::exists(folder / "plan.doc"));

  grid.SetFocusedRow(grid.GetBodyRows()->GetAt(0), FALSE);
  view->OnDeleteAttachment();
  EXPECT_EQ(Raw().One("select count(*) from files"), "0");
  EXPECT_EQ(grid.GetBodyRows()->GetCount(), 0);
}

}  // namespace

namespace {

TEST_F(PlanFormTest, ARefusedSaveKeepsTheStoredTaskAndTheTreeLabels) {
  CPlanThingsView* view = OpenForm();
  ASSERT_NE(view, nullptr);
  Type(view, 1049, u"Water");
  ASSERT_TRUE(view->m_bTaskExists);
  Type(view, 1049, u"Water the roses");
  Type(view, 1050, std::u16string(31, u'p').c_str());  // personnel holds 30
  boxes_.Clear();
  view->OnSaveTask();
  EXPECT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(Raw().One("select tasktitle||'/'||ifnull(personnel,'')from task"), "Water/");
  EXPECT_EQ(Narrow(Frame().m_wndWorkTree.GetItemText(view->m_hWorkTreeItem)), "Water");
}

}  // namespace
