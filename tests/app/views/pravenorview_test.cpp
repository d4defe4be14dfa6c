// The completed-task form in the running application: a new task made by
// its first title, Save, Delete, attachments and income items, and an
// existing task loaded again. Every database effect is read back through a
// raw SQLite connection.
#include <filesystem>
#include <fstream>

#include "app/views/attachments.h"
#include "app/views/pravenorview.h"
#include "platform/shell/shellapi.h"
#include "platform/window/test_input.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportdatamanager.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportselectedrows.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "views_fixture.h"

namespace {

using viewstest::Narrow;
using viewstest::RawDb;
using Table = std::vector<std::vector<std::string>>;
namespace fs = std::filesystem;

class CompletedFormTest : public viewstest::ViewsTest {
 protected:
  void SetUp() override {
    Start();
    work_ = AddWork(u"Plans", 1);
    // May 2010 has a day item (the 17th) in the date tree.
    other_ = AddTask(work_, u"Later", 1, COleDateTime(2010, 5, 17, 0, 0, 0));
    Refill();
  }
  void Refill() {
    Frame().m_wndWorkTree.DeleteAllItems();
    Frame().m_wndWorkTree.FillCategoryTree();
    Frame().m_wndDateTree.DeleteAllItems();
    Frame().m_wndDateTree.FillDateTree();
  }
  // The Completed command on the current work, as a click on the work does.
  CPravenorView& OpenNew(const COleDateTime& date = COleDateTime(2010, 5, 14, 15, 30, 0)) {
    Frame().m_nWorkId = work_;
    Frame().m_strWorkName = u"Plans";
    app_.OnNewCompletedTask();
    CPravenorView& view = ActiveView();
    view.m_taskDate = date;
    view.UpdateData(FALSE);  // the title is still empty: nothing is created
    return view;
  }
  CPravenorView& OpenExisting(int taskId) {
    Frame().m_nCurrentId = taskId;
    Frame().m_nWorkId = work_;
    Frame().m_strWorkName = u"Plans";
    Frame().m_bOpenExistingTask = 1;
    app_.OnNewCompletedTask();
    Frame().m_bOpenExistingTask = 0;
    return ActiveView();
  }
  CPravenorView& ActiveView() {
    CMDIChildWnd* child = Frame().MDIGetActive();
    EXPECT_NE(child, nullptr);
    auto* view = dynamic_cast<CPravenorView*>(child->GetActiveView());
    EXPECT_NE(view, nullptr);
    return *view;
  }
  // Types the text one character at a time, as the edit's changes come.
  void Type(CPravenorView& view, int id, const std::u16string& text) {
    for (std::size_t i = 1; i <= text.size(); ++i) {
      view.GetDlgItem(id)->SetWindowText(text.substr(0, i).c_str());
      if (id == IDC_TASK_TITLE) view.OnTitleChange();
    }
  }
  Table Rows(const std::string& sql) { return RawDb(folder_.Database()).Rows(sql); }
  std::string Source(const std::string& name, const std::string& content = "data") {
    const fs::path dir = fs::path(folder_.Path()) / "sources";
    fs::create_directories(dir);
    std::ofstream(dir / name) << content;
    return (dir / name).string();
  }

  static std::string CellName(CFileReportControl& grid) {
    return Narrow(grid.GetBodyRows()->GetAt(0)->GetRecord()->GetItem(0)->GetCaption(nullptr));
  }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  int work_ = 0;
  int other_ = 0;
};

TEST_F(CompletedFormTest, FirstTitleCreatesTheTaskOnceWithItsItemsInBothTrees) {
  CPravenorView& view = OpenNew();
  EXPECT_EQ(Rows("select count(*) from task"), (Table{{"1"}}));  // only the 17th's task
  Type(view, IDC_TASK_TITLE, u"Meeting");
  // 40312 is 14 May 2010 at midnight.
  const Table tasks =
      Rows("select taid,tasktitle,tasktype,tid,tasktime=40312 from task where taid<>" + std::to_string(other_));
  ASSERT_EQ(tasks.size(), 1u);
  const std::string taid = tasks[0][0];
  EXPECT_EQ(tasks[0][1], "M");
  EXPECT_EQ(tasks[0][2], "1");
  EXPECT_EQ(tasks[0][3], std::to_string(work_));
  EXPECT_EQ(tasks[0][4], "1");
  EXPECT_EQ(Rows("select taid from details"), (Table{{taid}}));
  const std::string all = viewstest::Joined(viewstest::Outline(Frame().m_wndWorkTree));
  EXPECT_NE(all.find("      M=" + taid + " #0383FB"), std::string::npos) << all;
  const std::string days = viewstest::Joined(viewstest::Outline(Frame().m_wndDateTree));
  // The new day goes before the 17th, opened down to its task.
  EXPECT_NE(days.find("2010.5.14 Friday E\n        Plans.M=" + taid + " #0383FB\n      2010.5.17 Monday"),
            std::string::npos)
      << days;
}

TEST_F(CompletedFormTest, SaveStoresEveryFieldWithQuotesAndRelabelsBothItems) {
  CPravenorView& view = OpenNew();
  Type(view, IDC_TASK_TITLE, u"M");
  view.GetDlgItem(IDC_TASK_TITLE)->SetWindowText(u"O'Brien's review");
  view.GetDlgItem(IDC_TASK_PERSONNEL)->SetWindowText(u"O'Brien");
  view.GetDlgItem(IDC_TASK_PLACE)->SetWindowText(u"Room 'B'");
  view.GetDlgItem(IDC_TASK_BRIEF)->SetWindowText(u"It's short");
  view.GetDlgItem(IDC_TASK_DETAIL)->SetWindowText(u"Line one\r\nDon't forget");
  view.OnSaveTask();
  EXPECT_EQ(Rows("select tasktitle,personnel,place,brief from task where taid=" + std::to_string(view.GetTaskId())),
            (Table{{"O'Brien's review", "O'Brien", "Room 'B'", "It's short"}}));
  EXPECT_EQ(Rows("select detail from details"), (Table{{"Line one\r\nDon't forget"}}));
  EXPECT_EQ(Narrow(Frame().m_wndWorkTree.GetItemText(view.m_hWorkTreeItem)), "O'Brien's review");
  EXPECT_EQ(Narrow(Frame().m_wndDateTree.GetItemText(view.m_hDateTreeItem)), "Plans.O'Brien's review");
  EXPECT_TRUE(boxes_.Shown().empty());

  // An empty title is refused in plain words.
  view.GetDlgItem(IDC_TASK_TITLE)->SetWindowText(u"");
  view.OnSaveTask();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(pv::Utf16ToUtf8(boxes_.Last().text), "tasktitle不能为空");
  EXPECT_EQ(Rows("select tasktitle from task where taid=" + std::to_string(view.GetTaskId())),
            (Table{{"O'Brien's review"}}));

  // A Save the database refuses leaves the labels as the database has them.
  Store().CloseDatabase();
  boxes_.Clear();
  view.GetDlgItem(IDC_TASK_TITLE)->SetWindowText(u"Lost");
  view.OnSaveTask();
  EXPECT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(Narrow(Frame().m_wndWorkTree.GetItemText(view.m_hWorkTreeItem)), "O'Brien's review");
  EXPECT_EQ(Narrow(Frame().m_wndDateTree.GetItemText(view.m_hDateTreeItem)), "Plans.O'Brien's review");
}

TEST_F(CompletedFormTest, DeleteAsksAndRemovesEveryRowAndBothItemsOnlyOnYes) {
  CPravenorView& view = OpenNew();
  Type(view, IDC_TASK_TITLE, u"M");
  const int taid = view.GetTaskId();
  view.OnAddIncomeExpenditure();
  AttachFile(&view.m_attachmentGrid, CString(pv::Utf8ToUtf16(Source("plan.doc")).c_str()), taid, nullptr);
  ASSERT_EQ(Rows("select count(*) from files"), (Table{{"1"}}));
  ASSERT_EQ(Rows("select count(*) from financial"), (Table{{"1"}}));

  boxes_.Answer(IDNO);
  view.OnDeleteTask();
  EXPECT_EQ(Rows("select count(*) from task"), (Table{{"2"}}));
  EXPECT_NE(view.m_hWorkTreeItem, nullptr);

  boxes_.Answer(IDYES);
  view.OnDeleteTask();
  for (const char* table : {"task", "files", "financial", "details"})
    EXPECT_EQ(Rows(std::string("select count(*) from ") + table + " where taid=" + std::to_string(taid)),
              (Table{{"0"}}))
        << table;
  EXPECT_EQ(Rows("select tasktitle from task"), (Table{{"Later"}}));
  const std::string all = viewstest::Joined(viewstest::Outline(Frame().m_wndWorkTree)) +
                          viewstest::Joined(viewstest::Outline(Frame().m_wndDateTree));
  EXPECT_EQ(all.find("M=" + std::to_string(taid)), std::string::npos) << all;
  EXPECT_NE(all.find("Later="), std::string::npos) << all;
  EXPECT_TRUE(fs::exists(fs::path(folder_.Path()) / "Attachment" / "plan.doc"));
  EXPECT_EQ(Frame().MDIGetActive(), nullptr);
}

TEST_F(CompletedFormTest, IncomeItemsNeedTheTaskAndTakeTheNextItemNumber) {
  CPravenorView& view = OpenNew();
  view.OnAddIncomeExpenditure();  // no task yet: nothing stored, the title still creates it
  EXPECT_TRUE(Rows("select * from financial").empty());
  Type(view, IDC_TASK_TITLE, u"M");
  EXPECT_TRUE(view.TaskExists());
  view.OnAddIncomeExpenditure();
  view.OnAddIncomeExpenditure();
  const std::string t = std::to_string(view.GetTaskId());
  EXPECT_EQ(Rows("select fiid,Item,income,expenditure,taid from financial order by fiid"),
            (Table{{"1", "", "0", "0", t}, {"2", "", "0", "0", t}}));
  EXPECT_EQ(view.m_incomeGrid.GetBodyRows()->GetCount(), 2);

  // An edit the database refuses (Item holds 30 characters) is undone and said.
  CTKReportRecord* record = view.m_incomeGrid.GetBodyRows()->GetAt(0)->GetRecord();
  auto* item = static_cast<CTKReportRecordItemVariant*>(record->GetItem(0));
  item->SetValue(COleVariant(CString(std::u16string(31, u'x'))));
  ReportItemNotify nm{};
  nm.hdr.hwndFrom = view.m_incomeGrid.m_hWnd;
  nm.hdr.idFrom = IDC_TASK_INCOME;
  nm.hdr.code = static_cast<UINT>(TK_NM_REPORT_VALUECHANGED);
  nm.pRow = view.m_incomeGrid.GetBodyRows()->GetAt(0);
  nm.pItem = item;
  LRESULT result = 0;
  view.OnIncomeExpenditureValueChanged(&nm.hdr, &result);
  EXPECT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(Narrow(view.m_incomeGrid.GetBodyRows()->GetAt(0)->GetRecord()->GetItem(0)->GetCaption(nullptr)), "");
  EXPECT_EQ(Rows("select Item from financial where fiid=1"), (Table{{""}}));
}

TEST_F(CompletedFormTest, AttachmentsOpenThroughTheShellAndExistingTasksLoadAgain) {
  const int taid = AddTask(work_, u"Review", 1);
  RawExec("insert into details (detail,taid) values ('Notes'," + std::to_string(taid) + ")");
  Refill();
  CPravenorView& view = OpenExisting(taid);
  EXPECT_TRUE(view.TaskExists());
  EXPECT_EQ(Narrow(view.m_strTitle), "Review");
  EXPECT_EQ(Narrow(view.m_strDetail), "Notes");
  EXPECT_EQ(Frame().m_wndWorkTree.GetItemData(view.m_hWorkTreeItem), static_cast<DWORD_PTR>(taid));

  ASSERT_TRUE(AttachFile(&view.m_attachmentGrid, CString(pv::Utf8ToUtf16(Source("README")).c_str()), taid, nullptr));
  EXPECT_EQ(Rows("select filename,extendionname,taid from files"), (Table{{"README", "", std::to_string(taid)}}));
  view.m_attachmentGrid.GetSelectedRows()->Select(view.m_attachmentGrid.GetBodyRows()->GetAt(0));
  pv::shell::ClearShellExecuteCalls();
  LRESULT result = 0;
  NMHDR hdr{view.m_attachmentGrid.m_hWnd, IDC_TASK_ATTACHMENTS, static_cast<UINT>(NM_DBLCLK)};
  view.OnAttachmentDblClk(&hdr, &result);
  const auto calls = pv::shell::ShellExecuteCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(pv::Utf16ToUtf8(calls[0].verb), "open");
  EXPECT_EQ(fs::path(pv::Utf16ToUtf8(calls[0].file)), fs::path(folder_.Path()) / "Attachment" / "README");
}

TEST_F(CompletedFormTest, RenamingMovesTheCopyAndTheRowTogetherOrNeither) {
  CPravenorView& view = OpenNew();
  Type(view, IDC_TASK_TITLE, u"M");
  const fs::path folder = fs::path(folder_.Path()) / "Attachment";
  ASSERT_TRUE(AttachFile(&view.m_attachmentGrid, CString(pv::Utf8ToUtf16(Source("plan.doc", "plan")).c_str()),
                         view.GetTaskId(), nullptr));
  std::ofstream(folder / "taken.doc") << "another";
  CFileReportControl& grid = view.m_attachmentGrid;
  // Rename on the row, then the edit ends with the typed name.
  auto rename = [&](const std::u16string& name) {
    grid.GetSelectedRows()->Select(grid.GetBodyRows()->GetAt(0));
    grid.SetFocusedRow(grid.GetBodyRows()->GetAt(0), FALSE);
    view.OnRenameAttachment();
    CTKReportRecordItem* item = grid.GetBodyRows()->GetAt(0)->GetRecord()->GetItem(0);
    static_cast<CTKReportRecordItemVariant*>(item)->SetValue(COleVariant(CString(name)));
    ReportItemNotify nm{};
    nm.hdr.code = static_cast<UINT>(TK_NM_REPORT_VALUECHANGED);
    nm.pRow = grid.GetBodyRows()->GetAt(0);
    nm.pItem = item;
    LRESULT result = 0;
    boxes_.Clear();
    view.OnAttachmentValueChanged(&nm.hdr, &result);
    EXPECT_FALSE(grid.IsAllowEdit());
  };
  struct Case {
    std::u16string name;
    const char* message;  // null: accepted
  } cases[] = {
      {u"", "file name cannot be null"},
      {u"taken", "file name is exist ,change name"},
      {u"a/b", nullptr},
      {u"..", nullptr},
      {std::u16string(41, u'n'), nullptr},
  };
  for (const auto& c : cases) {
    rename(c.name);
    ASSERT_EQ(boxes_.Shown().size(), 1u) << pv::Utf16ToUtf8(c.name);
    if (c.message) EXPECT_EQ(pv::Utf16ToUtf8(boxes_.Last().text), c.message);
    EXPECT_EQ(CellName(grid), "plan");
    EXPECT_EQ(Rows("select filename from files"), (Table{{"plan"}}));
    EXPECT_TRUE(fs::exists(folder / "plan.doc"));
  }
  // A double click inside a rename (the row still bears the remembered
  // name) opens nothing.
  pv::shell::ClearShellExecuteCalls();
  NMHDR hdr{grid.m_hWnd, IDC_TASK_ATTACHMENTS, static_cast<UINT>(NM_DBLCLK)};
  LRESULT result = 0;
  view.OnAttachmentDblClk(&hdr, &result);
  EXPECT_TRUE(pv::shell::ShellExecuteCalls().empty());

  rename(u"O'Brien budget");
  EXPECT_TRUE(boxes_.Shown().empty());
  EXPECT_EQ(Rows("select filename,extendionname from files"), (Table{{"O'Brien budget", "doc"}}));
  EXPECT_FALSE(fs::exists(folder / "plan.doc"));
  EXPECT_EQ(Read(folder / "O'Brien budget.doc"), "plan");
  EXPECT_EQ(Read(folder / "taken.doc"), "another");

  // Delete removes the row, never the copy.
  grid.SetFocusedRow(grid.GetBodyRows()->GetAt(0), FALSE);
  view.OnDeleteAttachment();
  EXPECT_TRUE(Rows("select * from files").empty());
  EXPECT_EQ(grid.GetBodyRows()->GetCount(), 0);
  EXPECT_TRUE(fs::exists(folder / "O'Brien budget.doc"));
}

// ---- what the grids show on screen -------------------------------------------------------------

bool Differs(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
             std::abs(GetBValue(a) - GetBValue(b)) >
         120;
}

// The pixels of the text drawn alone, black on white, in the font.
int TextInk(CFont* font, const CString& text) {
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CTKImageManager::CreateDIB32(dc.GetSafeHdc(), 300, -30, nullptr);
  HGDIOBJ old = dc.SelectObject(bitmap);
  dc.FillSolidRect(0, 0, 300, 30, RGB(255, 255, 255));
  CFont* oldFont = dc.SelectObject(font);
  dc.SetTextColor(RGB(0, 0, 0));
  dc.SetBkMode(TRANSPARENT);
  CRect rc(2, 1, 300, 30);
  dc.DrawText(text, &rc, DT_SINGLELINE | DT_NOPREFIX);
  int ink = 0;
  for (int y = 0; y < 30; y++)
    for (int x = 0; x < 300; x++) ink += Differs(dc.GetPixel(x, y) & 0xFFFFFF, RGB(255, 255, 255)) ? 1 : 0;
  dc.SelectObject(oldFont);
  dc.SelectObject(old);
  ::DeleteObject(bitmap);
  return ink;
}

// The pixels of a painted cell that differ from its background.
int CellInk(CTKReportControl& grid, int row, int itemIndex) {
  CTKReportRow* r = grid.GetBodyRows()->GetAt(row);
  CTKReportColumn* column = grid.GetColumns()->Find(itemIndex);
  if (!r || !column) return -1;
  const CRect rcRow(r->GetRect());
  const CRect cell(column->m_rcColumn.left, rcRow.top, column->m_rcColumn.right - 1, rcRow.bottom - 1);
  const COLORREF back = pv::test::WindowPixel(grid.m_hWnd, cell.right - 2, cell.bottom - 2) & 0xFFFFFF;
  int ink = 0;
  for (int y = cell.top; y < cell.bottom; y++)
    for (int x = cell.left; x < cell.right - 1; x++)
      ink += Differs(pv::test::WindowPixel(grid.m_hWnd, x, y) & 0xFFFFFF, back) ? 1 : 0;
  return ink;
}

// The form's window fills the desktop, so that no part of its grids is
// clipped away by its frame; then the grids paint, nothing selected.
void PaintGrids(std::initializer_list<CTKReportControl*> grids) {
  CWnd* frame = (*grids.begin())->GetParentFrame();
  if (CWnd* main = frame ? frame->GetParentFrame() : nullptr) main->ShowWindow(SW_MAXIMIZE);
  if (frame) frame->ShowWindow(SW_MAXIMIZE);
  pv::test::PumpUntilIdle();
  for (CTKReportControl* grid : grids) {
    grid->GetSelectedRows()->Clear();
    grid->AdjustLayout();
    grid->RedrawControl();
    grid->UpdateWindow();
  }
  pv::test::PumpUntilIdle();
}

TEST_F(CompletedFormTest, AnExistingTasksGridsShowItsIncomeRowsAndAttachmentOnScreen) {
  const int taid = AddTask(work_, u"Sale", 1);
  const std::string t = std::to_string(taid);
  RawExec("insert into financial (fiid,Item,income,expenditure,remarks,taid) values (1,'wages',250,0,'May'," + t + ")");
  RawExec("insert into financial (fiid,Item,income,expenditure,remarks,taid) values (2,'rent',0,75.5,''," + t + ")");
  RawExec("insert into files (filename,extendionname,taid) values ('plan','doc'," + t + ")");
  Refill();
  CPravenorView& view = OpenExisting(taid);
  ASSERT_EQ(view.m_incomeGrid.GetBodyRows()->GetCount(), 2);
  ASSERT_EQ(view.m_attachmentGrid.GetBodyRows()->GetCount(), 1);
  PaintGrids({&view.m_incomeGrid, &view.m_attachmentGrid});
  CFont* font = view.m_incomeGrid.GetPaintManager()->GetTextFont();
  struct Cell {
    CTKReportControl* grid;
    int row, item;
    const char16_t* text;
  } cells[] = {{&view.m_incomeGrid, 0, 0, u"wages"},  {&view.m_incomeGrid, 0, 1, u"250"},
               {&view.m_incomeGrid, 0, 3, u"May"},    {&view.m_incomeGrid, 1, 0, u"rent"},
               {&view.m_incomeGrid, 1, 2, u"75.5"},   {&view.m_attachmentGrid, 0, 0, u"plan"},
               {&view.m_attachmentGrid, 0, 1, u"doc"}};
  for (const Cell& c : cells) {
    SCOPED_TRACE(Narrow(CString(c.text)));
    CTKReportRecordItem* item = c.grid->GetBodyRows()->GetAt(c.row)->GetRecord()->GetItem(c.item);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Narrow(item->GetCaption(nullptr)), Narrow(CString(c.text)));
    const int expected = TextInk(font, c.text);
    ASSERT_GT(expected, 10);
    EXPECT_NEAR(CellInk(*c.grid, c.row, c.item), expected, expected / 5);
  }
  // An empty remark shows nothing.
  EXPECT_EQ(CellInk(view.m_incomeGrid, 1, 3), 0);
}

}  // namespace
