// A report control bound to a recordset the way the forms use it: bind,
// add a row, edit a cell, delete the focused row; every write checked
// through a raw SQLite connection, the grid through its rows.
#include <gtest/gtest.h>

#include "platform/ado/ado.h"
#include "platform/base/utf.h"
#include "report_engine_support.h"
#include "tests/support/raw_sqlite.h"
#include "tests/support/temp_home.h"
#include "toolkit/report/reportallocator.h"
#include "toolkit/report/reportdatamanager.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"

using namespace rptest;

namespace {

using TableRows = std::vector<std::vector<std::string>>;
using Strings = std::vector<std::string>;

class DataBindTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    path_ = dir_.File("bind.tgd");
    std::u16string cs = u"Provider=Test;Data Source=" + pv::Utf8ToUtf16(path_);
    _CatalogPtr catalog(u"ADOX.Catalog");
    catalog->Create(cs.c_str());
    connection_.CreateInstance(u"ADODB.Connection");
    connection_->Open(cs.c_str(), u"", u"", -1);
    connection_->Execute(u"CREATE TABLE remind(rid COUNTER PRIMARY KEY,content TEXT(20),times LONG)", nullptr,
                         adCmdText);
    connection_->Execute(u"insert into remind(content,times) values ('call',1)", nullptr, adCmdText);
    connection_->Execute(u"insert into remind(content,times) values ('write',2)", nullptr, adCmdText);
    rs_.CreateInstance(u"ADODB.Recordset");
    rs_->PutCursorLocation(adUseClient);
    rs_->Open(u"select rid,content,times from remind order by rid",
              _variant_t(static_cast<IDispatch*>(connection_.GetInterfacePtr())), adOpenKeyset, adLockOptimistic,
              adCmdText);
  }
  void TearDown() override {
    rs_ = nullptr;
    ControlTest::TearDown();  // the control releases its manager
    connection_ = nullptr;
  }
  TableRows Table() { return pvtest::RawSqlite(path_).Rows("select rid,content,times from remind order by rid"); }
  // The display list: each row's content cell.
  Strings Shown() {
    Strings out;
    for (int i = 0; i < Rows()->GetCount(); ++i)
      out.push_back(Narrow(Rows()->GetAt(i)->GetRecord()->GetItem(1)->GetCaption(nullptr)));
    return out;
  }

  pvtest::TempFolder dir_{"pv_reportbind"};
  std::string path_;
  _ConnectionPtr connection_;
  _RecordsetPtr rs_;
};

TEST_F(DataBindTest, FormsFillAddEditAndDeleteThroughTheControl) {
  CTKReportDataManager* manager = control->GetOrCreateDataManager();
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(control->GetOrCreateDataManager(), manager);
  manager->SetDataSource(rs_);
  ASSERT_TRUE(manager->DataBind());
  // The control's columns are the fields now.
  ASSERT_EQ(control->GetColumns()->GetCount(), 3);
  EXPECT_EQ(Narrow(control->GetColumns()->GetAt(1)->GetCaption()), "content");
  EXPECT_EQ(Shown(), (Strings{"call", "write"}));

  // Add a row.
  CTKReportRecord* record = nullptr;
  ASSERT_EQ(manager->CreateEmptyRecord(&record), S_OK);
  static_cast<CTKReportRecordItemVariant*>(record->GetItem(1))->SetValue(COleVariant(u"meet"));
  static_cast<CTKReportRecordItemVariant*>(record->GetItem(2))->SetValue(COleVariant(3L));
  // Added to the grid, the record is the grid's: the caller does not release it.
  ASSERT_EQ(manager->AddRecord(record, TRUE), S_OK);
  control->RebuildRows();
  EXPECT_EQ(Shown(), (Strings{"call", "write", "meet"}));
  EXPECT_EQ(Table(), (TableRows{{"1", "call", "1"}, {"2", "write", "2"}, {"3", "meet", "3"}}));

  // Edit a cell.
  CTKReportRecord* write = Rows()->GetAt(1)->GetRecord();
  auto* item = static_cast<CTKReportRecordItemVariant*>(write->GetItem(1));
  item->SetValue(COleVariant(u"post"));
  EXPECT_EQ(manager->UpdateRecord(write, item), S_OK);
  EXPECT_EQ(Table(), (TableRows{{"1", "call", "1"}, {"2", "post", "2"}, {"3", "meet", "3"}}));

  // Delete the focused row: the recordset's events take it out of the grid.
  control->SetFocusedRow(Rows()->GetAt(0));
  EXPECT_EQ(manager->DeleteRecord(control->GetFocusedRow()->GetRecord()), S_OK);
  control->RebuildRows();
  EXPECT_EQ(Shown(), (Strings{"post", "meet"}));
  EXPECT_EQ(Table(), (TableRows{{"2", "post", "2"}, {"3", "meet", "3"}}));

  // Another part of the program adds through the same recordset.
  rs_->AddNew();
  rs_->GetFields()->GetItem(1L)->PutValue(COleVariant(u"shop"));
  rs_->Update();
  EXPECT_EQ(Shown(), (Strings{"post", "meet", "shop"}));
}

// A caller that hands its record over as the binding asks leaks nothing:
// once the grid is gone, so are the records it was given.
TEST_F(DataBindTest, AddedRecordIsTakenOverByTheGrid) {
  const LONG before = CTKReportDataAllocator::GetCount();
  {
    auto grid = std::make_unique<CTKReportControl>();
    ASSERT_TRUE(grid->Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), host.get(), 8));
    CTKReportDataManager* manager = grid->GetOrCreateDataManager();
    manager->SetDataSource(rs_);
    ASSERT_TRUE(manager->DataBind());
    grid->RebuildRows();
    for (int n = 0; n < 3; ++n) {
      CTKReportRecord* record = nullptr;
      ASSERT_EQ(manager->CreateEmptyRecord(&record), S_OK);
      static_cast<CTKReportRecordItemVariant*>(record->GetItem(1))->SetValue(COleVariant(u"meet"));
      ASSERT_EQ(manager->AddRecord(record, TRUE), S_OK);
    }
    grid->RebuildRows();
    // An added record holds what a record the binding read holds.
    CTKReportRecords* records = grid->GetRecords();
    ASSERT_EQ(records->GetCount(), 5);
    EXPECT_EQ(records->GetAt(4)->m_dwRef, records->GetAt(0)->m_dwRef);
    grid->DestroyWindow();
  }
  EXPECT_EQ(CTKReportDataAllocator::GetCount(), before);
}

}  // namespace
