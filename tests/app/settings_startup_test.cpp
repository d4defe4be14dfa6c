// The program's own start-up gives the toolkit's settings their home: after
// the application object's start-up, the registry manager reads and writes
// under HKEY_CURRENT_USER\Software\Pravenor\<application name>.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "app/pravenorapp.h"
#include "platform/system/msgbox.h"
#include "platform/system/registry.h"
#include "store_fixture.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/common/registrymanager.h"

namespace {

// The registry of one test lives in the program folder.

TEST(AppSettings, StartUpGivesTheRegistryManagerTheProgramsKey) {
  storetest::ProgramFolder folder;
  pvtest::SettingsFolder registry(folder.Path());
  pv::MessageBoxRecorder boxes;
  CPravenorApp app;
  AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
  ASSERT_TRUE(app.InitApplication());
  ASSERT_TRUE(app.InitInstance());

  CTKRegistryManager writer(HKEY_CURRENT_USER);
  EXPECT_TRUE(writer.WriteProfileInt(u"width", u"m_windowWidth", 1100));
  EXPECT_TRUE(writer.WriteProfileString(u"Message", u"m_phoneNo", u"555-0103"));
  CTKRegistryManager reader(HKEY_CURRENT_USER);
  EXPECT_EQ(1100, reader.GetProfileInt(u"width", u"m_windowWidth", 0));
  EXPECT_EQ(CString(u"555-0103"), reader.GetProfileString(u"Message", u"m_phoneNo"));
  EXPECT_EQ(CString(u"Pravenor"), reader.m_strRegistryKey);
  EXPECT_EQ(CString(app.m_pszAppName), reader.m_strProfileName);

  // Where the value went: the program's key, as the framework's own profile
  // functions see it too.
  EXPECT_EQ(1100u, app.GetProfileInt(u"width", u"m_windowWidth", 0));

  if (app.m_pMainWnd && app.m_pMainWnd->m_hWnd) app.m_pMainWnd->DestroyWindow();
  AfxDeleteTempMaps();
}

}  // namespace
