// Shared by the views' tests: the application started in process on a
// fresh program folder, rows put into its database, the trees written out
// as outlines, and a writable raw SQLite connection for rows the program
// itself would never write.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "app/data/datastore.h"
#include "app/data/des.h"
#include "app/mainframe/mainframe.h"
#include "app/pravenorapp.h"
#include "platform/base/clock.h"
#include "platform/base/oledatetime.h"
#include "platform/window/test_input.h"
#include "store_fixture.h"
#include "tests/support/fixture_reset.h"

namespace viewstest {

using storetest::Narrow;
using storetest::RawDb;

// One line per item in pre-order: two blanks per level below the root, the
// text, then "=data" when the data is not 0, " #RRGGBB" for an own colour,
// " B" for bold and " E" for expanded.
inline std::vector<std::string> Outline(CTKTreeCtrl& tree) {
  std::vector<std::string> lines;
  for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextItem(item)) {
    std::string line(static_cast<std::size_t>(2 * (GetTreeItemLevel(tree, item) - 1)), ' ');
    line += Narrow(tree.GetItemText(item));
    const auto data = static_cast<LPARAM>(tree.GetItemData(item));
    if (data) line += "=" + std::to_string(data);
    const COLORREF color = tree.GetItemColor(item);
    if (color != static_cast<COLORREF>(-1)) {
      char hex[16];
      std::snprintf(hex, sizeof hex, " #%02X%02X%02X", GetRValue(color), GetGValue(color), GetBValue(color));
      line += hex;
    }
    if (tree.GetItemBold(item)) line += " B";
    if (tree.CTreeCtrl::GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED) line += " E";
    lines.push_back(line);
  }
  return lines;
}

inline std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

class ViewsTest : public ::testing::Test {
 protected:
  ViewsTest() : config_(folder_.Path()) {}
  ~ViewsTest() override {
    if (app_.m_pMainWnd && app_.m_pMainWnd->m_hWnd) app_.m_pMainWnd->DestroyWindow();
    // The main window's end posts the quit; left in the queue it would end
    // the next test's first modal loop at once.
    pv::test::PumpUntilIdle();
    pv::test::TakeQuit();
    AfxDeleteTempMaps();
  }
  void Start() {
    AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
    ASSERT_TRUE(app_.InitApplication());
    ASSERT_TRUE(app_.InitInstance());
  }
  CMainFrame& Frame() { return *static_cast<CMainFrame*>(app_.m_pMainWnd); }
  CDataStore& Store() { return app_.m_dataStore; }

  // A work stored as the program stores it: its name enciphered under the
  // key of its start time. The new tid.
  int AddWork(const CString& name, int worktype, const COleDateTime& start = COleDateTime(2009, 4, 7, 9, 30, 0)) {
    CDES des;
    return Store().InsertAndGetMaxId(u"insert into things (workname,worktype,starttime) values (?,?,?)",
                                     u"select max(tid) from things",
                                     {CDataStore::TextValue(des.TransformText(name, GetWorkNameKey(start), 0)),
                                      _variant_t(static_cast<long>(worktype)), _variant_t(DATE(start), VT_DATE)});
  }
  // A work whose name is stored in plain text (the placeholder).
  int AddPlainWork(const CString& name, int worktype) {
    return Store().InsertAndGetMaxId(u"insert into things (workname,worktype,starttime) values (?,?,?)",
                                     u"select max(tid) from things",
                                     {CDataStore::TextValue(name), _variant_t(static_cast<long>(worktype)),
                                      _variant_t(DATE(COleDateTime(2009, 1, 1, 0, 0, 0)), VT_DATE)});
  }
  int AddTask(int tid, const CString& title, int tasktype,
              const COleDateTime& time = COleDateTime(2010, 5, 14, 0, 0, 0)) {
    return Store().InsertAndGetMaxId(u"insert into task (tasktitle,tid,tasktype,tasktime) values (?,?,?,?)",
                                     u"select max(taid) from task",
                                     {CDataStore::TextValue(title), _variant_t(static_cast<long>(tid)),
                                      _variant_t(static_cast<long>(tasktype)), _variant_t(DATE(time), VT_DATE)});
  }
  // A statement the program would never run, through a writable raw
  // connection (for damaged rows).
  void RawExec(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(folder_.Database().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close_v2(db);
  }

  void RefillWorkTree(int (CCaptionTree::*fill)() = &CCaptionTree::FillCategoryTree) {
    Frame().m_wndWorkTree.DeleteAllItems();
    (Frame().m_wndWorkTree.*fill)();
  }
  void RefillDateTree(int (CDateTree::*fill)() = &CDateTree::FillDateTree) {
    Frame().m_wndDateTree.DeleteAllItems();
    (Frame().m_wndDateTree.*fill)();
  }

  storetest::ProgramFolder folder_;
  pvtest::SettingsFolder config_;
  pv::MessageBoxRecorder boxes_;
  CPravenorApp app_;
};

}  // namespace viewstest
