// The views work on whatever main window and application implement the two
// seams beneath them (CFrameState, CFormsApp): here a bare frame window with
// the two trees and an application that only records what it is asked, with
// no main frame and no organiser application in the process.
#include "app/views/framestate.h"

#include <vector>

#include "app/data/datastore.h"
#include "app/data/des.h"
#include "app/views/formsapp.h"
#include "app/views/planthings.h"
#include "app/views/search.h"
#include "platform/framework/afxframe.h"
#include "platform/window/test_input.h"
#include "store_fixture.h"
#include "tests/support/fixture_reset.h"

namespace {

using storetest::Narrow;

class StubFrame : public CFrameWnd, public CFrameState {
 public:
  bool Make() {
    constexpr DWORD kTreeStyle = WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_LINESATROOT;
    return Create(nullptr, u"Stub", WS_OVERLAPPEDWINDOW, CRect(0, 0, 400, 300)) &&
           m_wndWorkTree.Create(kTreeStyle, CRect(0, 0, 200, 300), this, 1) &&
           m_wndDateTree.Create(kTreeStyle, CRect(200, 0, 400, 300), this, 2);
  }
};

class StubApp : public CWinApp, public CFormsApp {
 public:
  struct Opening {
    bool scheduled;
    int openingTask;  // the frame's flag during the call
  };
  CDataStore& DataStore() override { return store; }
  void MarkRemindersChanged() override { ++remindersChanged; }
  void OpenExistingTaskForm(bool scheduled) override {
    auto* frame = dynamic_cast<CFrameState*>(m_pMainWnd);
    opened.push_back({scheduled, frame ? frame->m_bOpeningTask : -1});
  }
  CDataStore store;
  int remindersChanged = 0;
  std::vector<Opening> opened;
};

class ViewSeamsTest : public ::testing::Test {
 protected:
  ViewSeamsTest() : config_(folder_.Path()) {
    AfxWinInit(nullptr, nullptr, nullptr, SW_HIDE);
    app_.store.CreateDatabaseFile();
    app_.store.CreateMissingTables();
    app_.store.OpenDatabase();
  }
  ~ViewSeamsTest() override {
    if (app_.m_pMainWnd && app_.m_pMainWnd->m_hWnd) app_.m_pMainWnd->DestroyWindow();  // deletes the frame
    // The main window's end posts the quit; left in the queue it would end
    // the next test's first modal loop at once.
    pv::test::PumpUntilIdle();
    pv::test::TakeQuit();
    AfxDeleteTempMaps();
  }
  StubFrame& MakeFrame() {
    auto* frame = new StubFrame;
    EXPECT_TRUE(frame->Make());
    app_.m_pMainWnd = frame;
    return *frame;
  }
  int AddWork(const CString& name, const COleDateTime& start) {
    CDES des;
    return app_.store.InsertAndGetMaxId(u"insert into things (workname,worktype,starttime) values (?,?,?)",
                                        u"select max(tid) from things",
                                        {CDataStore::TextValue(des.TransformText(name, GetWorkNameKey(start), 0)),
                                         _variant_t(1L), _variant_t(DATE(start), VT_DATE)});
  }
  int AddTask(int tid, const CString& title, int tasktype) {
    return app_.store.InsertAndGetMaxId(
        u"insert into task (tasktitle,tid,tasktype,tasktime) values (?,?,?,?)", u"select max(taid) from task",
        {CDataStore::TextValue(title), _variant_t(static_cast<long>(tid)), _variant_t(static_cast<long>(tasktype)),
         _variant_t(DATE(COleDateTime(2012, 5, 17, 0, 0, 0)), VT_DATE)});
  }

  storetest::ProgramFolder folder_;
  pvtest::SettingsFolder config_;
  pv::MessageBoxRecorder boxes_;
  StubApp app_;
};

TEST_F(ViewSeamsTest, TreesAndTheCurrentWorkComeFromTheInstalledFrameAndStore) {
  const int garden = AddWork(u"Garden", COleDateTime(2009, 4, 7, 9, 30, 0));
  const int dig = AddTask(garden, u"Dig", 2);
  StubFrame& frame = MakeFrame();
  ASSERT_EQ(MainFrameState(), &frame);
  frame.m_wndWorkTree.FillCategoryTree();  // read through the application's store

  ASSERT_TRUE(MakeTaskWorkCurrent(dig));
  EXPECT_EQ(frame.m_nItemId, garden);
  EXPECT_EQ(Narrow(frame.m_strItemText), "Garden");
  ASSERT_NE(frame.m_hWorkTreeItem, nullptr);
  EXPECT_EQ(Narrow(frame.m_wndWorkTree.GetItemText(frame.m_hWorkTreeItem)), "Dig");
  EXPECT_FALSE(MakeTaskWorkCurrent(dig + 1));
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ViewSeamsTest, OpeningATaskAsksTheApplicationWithTheFrameMarkedOpening) {
  StubFrame& frame = MakeFrame();
  struct Case {
    int tasktype;
    std::vector<bool> scheduled;  // what the application was asked, in order
  };
  const Case cases[] = {{1, {false}}, {2, {true}}, {0, {}}, {3, {}}};
  for (const Case& c : cases) {
    app_.opened.clear();
    OpenTaskFormFor(7, c.tasktype);
    ASSERT_EQ(app_.opened.size(), c.scheduled.size()) << c.tasktype;
    for (std::size_t i = 0; i < c.scheduled.size(); ++i) {
      EXPECT_EQ(app_.opened[i].scheduled, c.scheduled[i]) << c.tasktype;
      EXPECT_EQ(app_.opened[i].openingTask, 1) << c.tasktype;
    }
    EXPECT_EQ(frame.m_bOpeningTask, 0) << c.tasktype;
  }

  MarkRemindersChanged();
  EXPECT_EQ(app_.remindersChanged, 1);
}

TEST_F(ViewSeamsTest, WithoutAMainWindowTheViewsLeaveEverythingAlone) {
  ASSERT_EQ(MainFrameState(), nullptr);
  OpenTaskFormFor(7, 1);
  EXPECT_TRUE(app_.opened.empty());
  EXPECT_FALSE(MakeTaskWorkCurrent(7));
}

}  // namespace
