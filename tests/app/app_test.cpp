#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/data/des.h"
#include "platform/base/clock.h"
#include "app/mainframe/mainframe.h"
#include "app/pravenorapp.h"
#include "app/views/forms.h"
#include "platform/window/test_input.h"
#include "store_fixture.h"
#include "tests/support/fixture_reset.h"
#include "tests/support/temp_home.h"

using storetest::Narrow;
using storetest::ProgramFolder;
using storetest::RawDb;

namespace {

// The registry (settings) goes to a temporary folder too.
using ConfigFolder = pvtest::SettingsFolder;

// Puts a work (name enciphered), a placeholder work, a task and a reminder
// due today into a new database in the program folder.
void Prefill() {
  CDataStore store;
  ASSERT_EQ(store.OpenDatabase(), 1);
  COleDateTime start(2013, 3, 26, 9, 30, 0);
  CDES des;
  CString cipher = des.TransformText(u"Kitchen garden", GetWorkNameKey(start), 0);
  ASSERT_EQ(store.InsertAndGetMaxId(u"insert into things (workname,worktype,starttime) values (?,2,?)",
                                    u"select max(tid) from things",
                                    {CDataStore::TextValue(cipher), _variant_t(DATE(start), VT_DATE)}),
            1);
  ASSERT_EQ(store.InsertAndGetMaxId(u"insert into things (workname,worktype,starttime) values "
                                    u"('Enter work name',1,#2013-03-27 10:00:00#)",
                                    u"select max(tid) from things"),
            2);
  ASSERT_EQ(store.InsertAndGetMaxId(u"insert into task (tasktitle,tid,tasktype,tasktime) values "
                                    u"('Sow the beans',1,2,#2013-04-02#)",
                                    u"select max(taid) from task"),
            1);
  COleDateTime today = COleDateTime::GetCurrentTime();
  CString remind;
  remind.Format(
      u"insert into remind (content,RemindDate,RemindTime,NumberOfTimes,separation,taid,executenumber,"
      u"message,sendnumber,effect,submitted) values ('Water them',#%s#,#23:59:00#,0,0,1,-1,0,0,1,0)",
      today.Format(u"%Y-%m-%d").GetString());
  ASSERT_EQ(store.InsertAndGetMaxId(remind, u"select max(rid) from remind"), 1);
}

int DocumentCount(CWinApp& app, const char16_t* docName) {
  int count = 0;
  POSITION pos = app.GetFirstDocTemplatePosition();
  while (pos) {
    CDocTemplate* t = app.GetNextDocTemplate(pos);
    CString name;
    t->GetDocString(name, CDocTemplate::docName);
    if (name != docName) continue;
    POSITION d = t->GetFirstDocPosition();
    while (d) {
      t->GetNextDoc(d);
      ++count;
    }
  }
  return count;
}

class AppTest : public ::testing::Test {
 protected:
  AppTest() : config_(folder_.Path()) {}
  ~AppTest() override {
    if (app_.m_pMainWnd && app_.m_pMainWnd->m_hWnd) app_.m_pMainWnd->DestroyWindow();
    AfxDeleteTempMaps();  // what the message loop's idle time would free
  }
  BOOL Start() {
    AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
    if (!app_.InitApplication()) return FALSE;
    return app_.InitInstance();
  }
  CMainFrame& Frame() { return *static_cast<CMainFrame*>(app_.m_pMainWnd); }

  ProgramFolder folder_;
  ConfigFolder config_;
  pv::MessageBoxRecorder boxes_;
  CPravenorApp app_;
};

TEST(ProgramRun, AHeadlessStartLoadsNoHttpDisplaySoundOrBusLibrary) {
  // Each is opened on first use (the first HTTP session; a display or a
  // sound; a desktop tray icon); a headless start-up needs none. The loader's own log names
  // every library it loads.
  ProgramFolder folder;
  const std::string log = folder.Path() + "/loader.txt";
  std::string cmd = "PRAVENOR_HEADLESS=1 SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy LD_DEBUG=libs XDG_CONFIG_HOME='" +
                    folder.Path() + "' PRAVENOR_HOME='" + folder.Path() + "' '" + PRAVENOR_EXECUTABLE +
                    "' --exit-after-start-up > '" + log + "' 2>&1";
  int status = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::ifstream in(log);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_NE(text.find("libsqlite3.so"), std::string::npos) << "no loader log";
  for (const char* library : {"libcurl.so", "libSDL2", "libasound.so", "libpulse.so", "libdbus-1.so"})
    EXPECT_EQ(text.find(library), std::string::npos) << library;
}

TEST(ProgramRun, OnADisplayWithoutItsLibraryTheProgramSaysWhyAndStops) {
  // A library of that name that is no library stands first on the search
  // path: the display's library cannot be loaded, and the program must not
  // run on unseen. Headless, it is never asked for.
  ProgramFolder folder;
  const std::string libs = folder.Path() + "/libs";
  ASSERT_EQ(std::system(("mkdir -p '" + libs + "' && : > '" + libs + "/libSDL2-2.0.so.0'").c_str()), 0);
  struct Case {
    const char* environment;
    int exitCode;
    const char* said;  // on stderr ("" for nothing in particular)
  };
  const Case cases[] = {
      {"PRAVENOR_HEADLESS= DISPLAY=:97", 1, "no display: cannot load libSDL2-2.0.so.0"},
      {"PRAVENOR_HEADLESS=1 DISPLAY=:97", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.environment);
    const std::string log = folder.Path() + "/stderr.txt";
    std::string cmd = std::string(c.environment) + " LD_LIBRARY_PATH='" + libs + "' XDG_CONFIG_HOME='" + folder.Path() +
                      "' PRAVENOR_HOME='" + folder.Path() + "' '" + PRAVENOR_EXECUTABLE +
                      "' --exit-after-start-up > /dev/null 2> '" + log + "'";
    int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.exitCode);
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find(c.said), std::string::npos) << text;
    if (c.exitCode != 0) EXPECT_NE(text.find("the main window cannot be shown"), std::string::npos) << text;
  }
}

}  // namespace

TEST_F(AppTest, FirstStartInAnEmptyFolder) {
  ASSERT_TRUE(Start());
  EXPECT_TRUE(boxes_.Shown().empty());
  ASSERT_NE(app_.m_pMainWnd, nullptr);
  EXPECT_TRUE(app_.m_pMainWnd->IsKindOf(RUNTIME_CLASS(CMDIFrameWnd)));
  EXPECT_TRUE(app_.m_pMainWnd->IsWindowVisible());
  AfxIdleOnce();  // the frame's title is set at idle time
  CString title;
  app_.m_pMainWnd->GetWindowText(title);
  EXPECT_EQ(Narrow(title), "Pravenor");
  EXPECT_TRUE(app_.m_dataStore.IsOpen());
  // The window carries the program's own icon, and its Window menu offers
  // every arrangement of the task windows.
  EXPECT_NE(app_.m_pMainWnd->GetIcon(TRUE), nullptr);
  CMenu* menu = app_.m_pMainWnd->GetMenu();
  ASSERT_NE(menu, nullptr);
  for (UINT id : {ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_ARRANGE})
    EXPECT_NE(menu->GetMenuState(id, MF_BYCOMMAND), static_cast<UINT>(-1)) << id;

  // The four document types, in order, with their document strings.
  const char* expected[] = {
      "\nCompleted\nnCompleted\n\n\nMDI.Document\nPravenor Document",
      "\nScheduled\nnScheduled\n\n\nMDI.Document\nMy Document",
      "\nEnquiry\nEnquiry\n\n\nMDI.Document\nPravenor Document",
      "\nCount\nnCount\n\n\nMDI.Document\nPravenor Document",
  };
  std::vector<std::string> strings;
  POSITION pos = app_.GetFirstDocTemplatePosition();
  while (pos) strings.push_back(Narrow(app_.GetNextDocTemplate(pos)->m_strDocStrings));
  EXPECT_EQ(strings, std::vector<std::string>(std::begin(expected), std::end(expected)));

  // The root and the three kinds; the date tree's root alone.
  EXPECT_EQ(Frame().m_wndWorkTree.GetCount(), 4u);
  EXPECT_EQ(Frame().m_wndDateTree.GetCount(), 1u);
  EXPECT_EQ(app_.m_remindList.GetSize(), 0);
  EXPECT_EQ(Frame().m_nActiveTree, CFrameState::Tree::kWork);
  EXPECT_EQ(Frame().m_nItemId, 0);

  RawDb raw(folder_.Database());
  EXPECT_EQ(raw.One("select count(*) from sqlite_master where type='table' and name not like 'sqlite%'"), "8");
}

TEST_F(AppTest, StartUpFillsTreesAndTodaysRemindersFromTheFile) {
  // The reminder is due at 23:59 today: the start must come before it.
  pv::FakeClockScope clock(2026, 3, 10, 12, 0, 0);
  Prefill();
  ASSERT_TRUE(Start());
  EXPECT_TRUE(boxes_.Shown().empty());
  // The placeholder work is left out: the kind "Affairs of Life" holds the
  // one work with its task.
  CCaptionTree& works = Frame().m_wndWorkTree;
  HTREEITEM life = works.GetNextSiblingItem(works.GetChildItem(works.GetRootItem()));
  ASSERT_NE(life, nullptr);
  HTREEITEM work = works.GetChildItem(life);
  ASSERT_NE(work, nullptr);
  EXPECT_EQ(Narrow(works.GetItemText(work)), "Kitchen garden");
  EXPECT_EQ(works.GetNextSiblingItem(work), nullptr);
  EXPECT_EQ(Narrow(works.GetItemText(works.GetChildItem(work))), "Sow the beans");
  CDateTree& dates = Frame().m_wndDateTree;
  HTREEITEM day = dates.GetChildItem(dates.GetChildItem(dates.GetChildItem(dates.GetRootItem())));
  ASSERT_NE(day, nullptr);
  EXPECT_EQ(Narrow(dates.GetItemText(dates.GetChildItem(day))), "Kitchen garden.Sow the beans");
  ASSERT_EQ(app_.m_remindList.GetSize(), 1);
  EXPECT_EQ(Narrow(app_.m_remindList[0].content), "Water them");
  EXPECT_EQ(app_.m_remindList[0].occurrence.GetHour(), 23);
  EXPECT_EQ(app_.m_remindListDate.GetDay(), COleDateTime::GetCurrentTime().GetDay());
}

TEST(AppStartUp, WithoutADatabaseOneMessageAndTheWindowStillOpens) {
  ProgramFolder folder;
  ConfigFolder config(folder.Path());
  pvtest::EnvScope missingHome("PRAVENOR_HOME", folder.Path() + "/no/such/folder");
  pv::MessageBoxRecorder boxes;
  CPravenorApp app;
  AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
  ASSERT_TRUE(app.InitApplication());
  ASSERT_TRUE(app.InitInstance());
  EXPECT_FALSE(app.m_dataStore.IsOpen());
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_NE(pv::Utf16ToUtf8(boxes.Last().text).find("could not be created"), std::string::npos);
  EXPECT_TRUE(app.m_pMainWnd->IsWindowVisible());
  app.OnOpenCount();  // the window works without the database
  EXPECT_EQ(DocumentCount(app, u"Count"), 1);
  EXPECT_EQ(boxes.Shown().size(), 1u);
  app.m_pMainWnd->DestroyWindow();
  AfxDeleteTempMaps();
}

TEST_F(AppTest, TaskCommandsRefusePlaceholderAndAskForAWorkFromTheDateTreeOrWithoutACurrentWork) {
  Prefill();  // work 1 is stored
  ASSERT_TRUE(Start());
  std::vector<std::u16string> debugLines;
  auto oldSink = pv::SetDebugOutputSink([&](std::u16string_view s) { debugLines.emplace_back(s); });
  struct Case {
    const char* what;
    const char16_t* itemText;
    CFrameState::Tree activeTree;
    bool openExisting;
    bool scheduled;
    int opened;           // new documents of the command's type
    bool refused;         // the placeholder box
    int choosers;         // work choosers shown (the user cancels each with Escape)
    int currentWork = 1;  // the frame's current work id (1 is stored)
  };
  using enum CFrameState::Tree;
  const Case cases[] = {
      {"placeholder refused", u"Enter work name", kWork, false, false, 0, true, 0},
      {"other case is a name", u"Enter Work Name", kWork, false, false, 1, false, 0},
      {"placeholder refused before the chooser", u"Enter work name", kDate, true, true, 0, true, 0},
      {"date tree: chooser, cancelled", u"Garden", kDate, false, true, 0, false, 1},
      {"date tree, existing task: no chooser", u"Garden", kDate, true, true, 1, false, 0},
      {"work tree: no chooser", u"Garden", kWork, false, true, 1, false, 0},
      {"work tree without a current work: chooser", u"", kWork, false, false, 0, false, 1, 0},
      {"work tree, current work deleted: chooser", u"Garden", kWork, false, true, 0, false, 1, 99},
      {"work tree, existing task: no chooser", u"Garden", kWork, true, false, 1, false, 0, 0},
  };
  // Counts the dialogs created (the chooser is the only one these commands make).
  static int dialogsCreated = 0;
  HHOOK hook = SetWindowsHookExW(
      WH_CBT,
      [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
        WCHAR name[32] = {};
        // A form view is a child of the dialog class too: only top-level
        // dialogs count.
        const auto* cbt = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        if (code == HCBT_CREATEWND && GetClassNameW(reinterpret_cast<HWND>(wParam), name, 32) &&
            std::u16string(name) == u"#32770" && !(cbt->lpcs->style & WS_CHILD))
          ++dialogsCreated;
        return CallNextHookEx(nullptr, code, wParam, lParam);
      },
      nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  for (const auto& c : cases) {
    boxes_.Clear();
    debugLines.clear();
    dialogsCreated = 0;
    const int dryBefore = pv::test::DryCancelCount();
    // The user's answer to a chooser: Escape. Left unread when none is shown.
    if (c.choosers) pv::test::KeyPress(VK_ESCAPE);
    Frame().m_strItemText = c.itemText;
    Frame().m_nItemId = c.currentWork;
    Frame().m_nActiveTree = c.activeTree;
    app_.m_openExistingTask = c.openExisting;
    const char16_t* type = c.scheduled ? u"Scheduled" : u"Completed";
    int before = DocumentCount(app_, type);
    if (c.scheduled) app_.OnNewScheduledTask();
    else app_.OnNewCompletedTask();
    app_.m_openExistingTask = false;
    EXPECT_EQ(DocumentCount(app_, type) - before, c.opened) << c.what;
    EXPECT_EQ(dialogsCreated, c.choosers) << c.what;
    // Cancelled by the Escape, not by a test loop that ran out of input.
    EXPECT_EQ(pv::test::DryCancelCount(), dryBefore) << c.what;
    if (c.refused) {
      ASSERT_EQ(boxes_.Shown().size(), 1u) << c.what;
      EXPECT_EQ(boxes_.Last().text,
                u"Work Name cannot be\u201CEnter Work Name\u201D,Click\u201CModify\u201DButton to modify name");
      EXPECT_EQ(boxes_.Last().caption, u"Prompt");
      EXPECT_EQ(boxes_.Last().Icon(), MB_ICONEXCLAMATION);
      EXPECT_EQ(boxes_.Last().owner, nullptr);
    } else {
      EXPECT_TRUE(boxes_.Shown().empty()) << c.what;
    }
    // Nothing of the current work goes to the debug output (or stderr).
    EXPECT_TRUE(debugLines.empty()) << c.what;
  }
  UnhookWindowsHookEx(hook);
  pv::SetDebugOutputSink(oldSink);

  // Count opens a new form every time; the enquiry form on request.
  app_.OnOpenCount();
  app_.OnOpenCount();
  EXPECT_EQ(DocumentCount(app_, u"Count"), 2);
  app_.OpenEnquiryView();
  EXPECT_EQ(DocumentCount(app_, u"Enquiry"), 1);
  // The commands reach the object through its message map.
  EXPECT_TRUE(app_.OnCmdMsg(38, CN_COMMAND, nullptr, nullptr));
  EXPECT_EQ(DocumentCount(app_, u"Count"), 3);
}

TEST(ProgramRun, HeadlessStartUpAndCleanExit) {
  ProgramFolder folder;
  std::string cmd = "PRAVENOR_HEADLESS=1 SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME='" +
                    folder.Path() + "' PRAVENOR_HOME='" + folder.Path() + "' '" + PRAVENOR_EXECUTABLE +
                    "' --exit-after-start-up > '" + folder.Path() + "/out.txt' 2>&1";
  int status = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  RawDb raw(folder.Database());
  EXPECT_EQ(raw.One("select count(*) from sqlite_master where type='table' and name not like 'sqlite%'"), "8");
  EXPECT_EQ(raw.One("PRAGMA integrity_check"), "ok");
}
