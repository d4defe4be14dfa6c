// The sound of a reminder that falls due: the chosen wave file from the
// program's folder, or the program's built-in sound when that file is
// missing or no wave; never nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/mainframe/mainframe.h"
#include "app/pravenorapp.h"
#include "platform/shell/mmsystem.h"
#include "platform/shell/shellapi.h"
#include "platform/system/files.h"
#include "platform/window/test_input.h"
#include "remind_fixture.h"
#include "tests/support/fixture_reset.h"

namespace {

using namespace remindtest;
namespace fs = std::filesystem;

enum class SoundFile { Missing, NoWave };

TEST(ReminderSound, AMissingOrBrokenSoundFileGivesTheBuiltInSound) {
  for (SoundFile file : {SoundFile::Missing, SoundFile::NoWave}) {
    SCOPED_TRACE(file == SoundFile::Missing ? "missing" : "no wave");
    pvtest::ResetDesktop();
    pv::test::SetScreen(1280, 1024, 40);
    pv::shell::RegisterModules();
    pvtest::ResetShell();
    pv::FakeClockScope clock(2026, 3, 10, 8, 0, 0);
    Home home;
    pv::MessageBoxRecorder boxes;
    {
      CDataStore store;
      ASSERT_GE(store.OpenDatabase(), 1);
      Insert(store, {u"water", {2026, 3, 10, 8, 3, 0}});
    }
    const fs::path wave = fs::path(pv::Utf16ToUtf8(pv::ProgramFolder())) / "2.wav";
    if (file == SoundFile::NoWave) std::ofstream(wave) << "not a wave";
    CPravenorApp app;
    AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
    ASSERT_TRUE(app.InitApplication());
    ASSERT_TRUE(app.InitInstance());
    pv::test::PumpUntilIdle();
    pv::sound::ClearRequests();
    pv::test::AdvanceAndPump(3 * 60000);  // 08:03: the reminder falls due

    bool builtIn = false;
    for (const auto& r : pv::sound::Requests())
      if (!r.stop && r.decoded) {
        EXPECT_EQ(r.flags & SND_MEMORY, SND_MEMORY);
        EXPECT_GT(r.bytes, 0u);
        builtIn = true;
      }
    EXPECT_TRUE(builtIn);
    app.m_pMainWnd->DestroyWindow();
    pv::test::PumpUntilIdle();
    pv::test::TakeQuit();
    AfxDeleteTempMaps();
    pvtest::ResetShell();
    pvtest::ResetDesktop();
  }
}

}  // namespace
