// The application grid on a real program folder: drops into the attachment
// folder, bound rows added and deleted, the reminder columns and a new
// reminder row, striping and Enter. Database effects are read back through
// a raw SQLite connection.
#include <filesystem>
#include <fstream>

#include "app/views/attachments.h"
#include "app/views/filereportcontrol.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportdatamanager.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "views_fixture.h"

namespace {

using viewstest::Narrow;
using viewstest::RawDb;
using Table = std::vector<std::vector<std::string>>;
namespace fs = std::filesystem;

class FileGridTest : public viewstest::ViewsTest {
 protected:
  void SetUp() override {
    Start();
    ASSERT_TRUE(grid_.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &Frame(), 1054));
    work_ = AddWork(u"Plans", 1);
    task_ = AddTask(work_, u"Meeting", 1);
    sources_ = fs::path(folder_.Path()) / "sources";
    fs::create_directories(sources_);
  }
  void TearDown() override {
    grid_.DestroyWindow();
    recordset_ = nullptr;
  }
  void Bind(const CString& sql) {
    recordset_.CreateInstance(u"ADODB.Recordset");
    ASSERT_EQ(Store().OpenRecordset(sql, recordset_), 1);
    CTKReportDataManager* manager = grid_.GetOrCreateDataManager();
    manager->SetDataSource(recordset_);
    manager->DataBind();  // FALSE for an empty result, which still takes new rows
    grid_.RebuildRows();
  }
  void BindFiles() {
    Bind(CString(u"select filename,extendionname,taid from files where taid=") + std::to_string(task_).c_str());
    grid_.m_nTaskId = task_;
  }
  std::string Source(const std::string& name, const std::string& content = "data") {
    std::ofstream(sources_ / name) << content;
    return (sources_ / name).string();
  }
  void Drop(const std::vector<std::string>& paths) {
    std::vector<std::u16string> files;
    for (const auto& p : paths) files.push_back(pv::Utf8ToUtf16(p));
    grid_.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(pv::MakeDrop(files, POINT{5, 5})), 0);
  }
  fs::path Attachments() const { return fs::path(folder_.Path()) / "Attachment"; }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  Table Files() { return RawDb(folder_.Database()).Rows("select filename,extendionname,taid from files order by fid"); }
  void FocusRow(int index) { grid_.SetFocusedRow(grid_.GetBodyRows()->GetAt(index), FALSE); }
  void PressKey(UINT key) { grid_.SendMessage(WM_KEYDOWN, key, 0); }

  CFileReportControl grid_;
  _RecordsetPtr recordset_;
  int work_ = 0, task_ = 0;
  fs::path sources_;
};

TEST_F(FileGridTest, DroppedFilesAreCopiedAndStoredInDropOrder) {
  BindFiles();
  const std::string t = std::to_string(task_);
  // A path longer than any fixed buffer arrives whole.
  const fs::path deep = sources_ / std::string(120, 'd') / std::string(120, 'e');
  fs::create_directories(deep);
  std::ofstream(deep / "deep.txt") << "deep";
  Drop({Source("report.final.doc", "report"), Source("README", "readme"), (deep / "deep.txt").string()});

  EXPECT_EQ(Files(), (Table{{"report.final", "doc", t}, {"README", "", t}, {"deep", "txt", t}}));
  EXPECT_EQ(Read(Attachments() / "report.final.doc"), "report");
  EXPECT_EQ(Read(Attachments() / "README"), "readme");
  EXPECT_EQ(Read(Attachments() / "deep.txt"), "deep");
  EXPECT_EQ(grid_.GetBodyRows()->GetCount(), 3);
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(FileGridTest, RefusedNamesCopyNothingAndStoreNothing) {
  BindFiles();
  fs::create_directories(Attachments());
  std::ofstream(Attachments() / "taken.doc") << "another task's copy";
  const int other = AddTask(work_, u"Other", 1);
  ASSERT_TRUE(Store().ExecuteSql(u"insert into files (filename,extendionname,taid) values ('taken','doc',?)",
                                 {_variant_t(static_cast<long>(other))}));
  const Table others{{"taken", "doc", std::to_string(other)}};
  struct Case {
    std::string file;
  } cases[] = {
      {"taken.doc"},                    // another attachment's copy: never replaced
      {std::string(41, 'n') + ".doc"},  // base name over 40
      {"plan.abcdef"},                  // extension over 5
      {".hidden"},                      // empty base name
  };
  for (const auto& c : cases) {
    boxes_.Clear();
    Drop({Source(c.file, "new")});
    EXPECT_EQ(boxes_.Shown().size(), 1u) << c.file;
    if (c.file != "taken.doc") EXPECT_FALSE(fs::exists(Attachments() / c.file)) << c.file;
  }
  EXPECT_EQ(Read(Attachments() / "taken.doc"), "another task's copy");
  EXPECT_EQ(Files(), others);
  EXPECT_EQ(grid_.GetBodyRows()->GetCount(), 0);
  // Names that would leave the folder are refused before any copy.
  for (const char16_t* base : {u"a/b", u"..", u"x..y"})
    EXPECT_FALSE(CheckAttachmentName(base, u"doc").IsEmpty()) << Narrow(base);
  EXPECT_FALSE(CheckAttachmentName(CString(std::u16string(u"a\0b", 3)), u"").IsEmpty());
  EXPECT_TRUE(CheckAttachmentName(CString(std::u16string(40, u'n')), u"abcde").IsEmpty());
}

TEST_F(FileGridTest, AFailedCopyAddsNoRowAndARefusedRowRemovesTheCopy) {
  BindFiles();
  Drop({(sources_ / "missing.doc").string()});
  EXPECT_TRUE(Files().empty());
  EXPECT_EQ(boxes_.Shown().size(), 1u);
  // An unbound grid stores nothing: the fresh copy goes again.
  CFileReportControl unbound;
  ASSERT_TRUE(unbound.Create(WS_CHILD, CRect(0, 0, 10, 10), &Frame(), 1055));
  EXPECT_FALSE(AttachFile(&unbound, CString(pv::Utf8ToUtf16(Source("lonely.doc")).c_str()), task_, nullptr));
  EXPECT_FALSE(fs::exists(Attachments() / "lonely.doc"));
  unbound.DestroyWindow();
}

TEST_F(FileGridTest, DeleteKeyDeletesTheFocusedRowOfAnUpdatableGridOnly) {
  BindFiles();
  Drop({Source("a.doc"), Source("b.doc")});
  FocusRow(0);
  PressKey(VK_DELETE);
  EXPECT_EQ(Files(), (Table{{"b", "doc", std::to_string(task_)}}));
  EXPECT_EQ(grid_.GetBodyRows()->GetCount(), 1);
  EXPECT_TRUE(fs::exists(Attachments() / "a.doc"));  // the copy stays

  // The enquiry's join: nothing deleted, nothing said.
  Bind(u"select task.tasktitle, files.filename from task inner join files on task.taid=files.taid");
  ASSERT_EQ(grid_.GetBodyRows()->GetCount(), 1);
  FocusRow(0);
  boxes_.Clear();
  PressKey(VK_DELETE);
  EXPECT_EQ(Files().size(), 1u);
  EXPECT_EQ(RawDb(folder_.Database()).Rows("select count(*) from task"), (Table{{"1"}}));
  EXPECT_TRUE(boxes_.Shown().empty());
  EXPECT_EQ(grid_.GetBodyRows()->GetCount(), 1);
}

TEST_F(FileGridTest, IncomeRowStoresEachFieldInItsColumn) {
  Bind(CString(u"select Item,income,expenditure,remarks,taid,fiid from FINANCIAL where taid=") +
       std::to_string(task_).c_str());
  EXPECT_TRUE(AddIncomeExpenditureRow(&grid_, u"O'Brien's fee", u"paid", 12.5f, 3.25f, task_, 7));
  EXPECT_EQ(RawDb(folder_.Database()).Rows("select Item,income,expenditure,remarks,taid,fiid from financial"),
            (Table{{"O'Brien's fee", "12.5", "3.25", "paid", std::to_string(task_), "7"}}));
  // Item holds 30 characters: refused, nothing added.
  EXPECT_FALSE(AddIncomeExpenditureRow(&grid_, CString(std::u16string(31, u'x')), u"", 0, 0, task_, 8));
  EXPECT_EQ(RawDb(folder_.Database()).Rows("select count(*) from financial"), (Table{{"1"}}));
  EXPECT_EQ(grid_.GetBodyRows()->GetCount(), 1);
}

TEST_F(FileGridTest, NewReminderRowIsDueInTenMinutesWithTheFirstChoices) {
  pv::FakeClockScope clock;
  pv::Clock::SetFakeLocal(2012, 5, 17, 23, 55, 0);
  AddReminderColumns(&grid_);
  CTKReportColumns* columns = grid_.GetColumns();
  ASSERT_EQ(columns->GetCount(), 7);
  EXPECT_EQ(columns->Find(4)->GetEditOptions()->GetConstraints()->GetCount(), 12);
  EXPECT_EQ(Narrow(columns->Find(4)->GetEditOptions()->GetConstraints()->GetAt(8)->m_strConstraint), "day");
  for (int item : {1, 3, 4}) EXPECT_EQ(columns->Find(item)->GetEditOptions()->GetButtonCount(), 1) << item;
  EXPECT_EQ(columns->Find(2)->GetEditOptions()->GetButtonCount(), 0);
  EXPECT_FALSE(columns->Find(5)->IsVisible());
  EXPECT_FALSE(columns->Find(6)->IsVisible());

  EXPECT_TRUE(AddNewReminderRow(&grid_, 41));
  CTKReportRow* row = grid_.GetFocusedRow();
  ASSERT_NE(row, nullptr);
  CTKReportRecord* record = row->GetRecord();
  EXPECT_EQ(Narrow(record->GetItem(1)->GetCaption(nullptr)), "Fri 2012-05-18");
  EXPECT_EQ(Narrow(record->GetItem(2)->GetCaption(nullptr)), "00:05");
  EXPECT_EQ(Narrow(record->GetItem(3)->GetCaption(nullptr)), "one");
  EXPECT_EQ(Narrow(record->GetItem(4)->GetCaption(nullptr)), "5 minutes");
  // Unbound: Delete deletes nothing and says nothing.
  PressKey(VK_DELETE);
  EXPECT_EQ(grid_.GetBodyRows()->GetCount(), 1);
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(FileGridTest, OddRowsAreGreyAndEnterEndsEditing) {
  AddReminderColumns(&grid_);
  for (int i = 0; i < 4; ++i) AddNewReminderRow(&grid_, i + 1);
  for (int i = 0; i < 4; ++i) {
    TK_REPORTRECORDITEM_DRAWARGS args;
    args.pRow = grid_.GetBodyRows()->GetAt(i);
    auto* metrics = new TK_REPORTRECORDITEM_METRICS;
    const COLORREF before = metrics->clrBackground;
    grid_.OnGetItemMetrics(&args, metrics);
    EXPECT_EQ(metrics->clrBackground, i % 2 ? kStripeColor : before) << i;
    metrics->InternalRelease();
  }
  grid_.SetAllowEdit(TRUE);
  PressKey(VK_RETURN);
  EXPECT_FALSE(grid_.IsAllowEdit());
}

}  // namespace
