#include "toolkit/common/registrymanager.h"

#include <gtest/gtest.h>

#include "platform/framework/afxapp.h"
#include "platform/system/profile.h"
#include "platform/system/registry.h"
#include "tests/toolkit/common/settings_test_support.h"
#include "toolkit/common/propexchange_backends.h"

namespace {

using tk_settings_test::Le32;
using tk_settings_test::QueryRaw;
using tk_settings_test::RawKey;
using tk_settings_test::TempHome;
using tk_settings_test::Utf16Bytes;

constexpr const char16_t* kApp = u"Software\\TestCo\\Planner";

class RegistryManagerTest : public ::testing::Test {
 protected:
  RawKey Section(const char16_t* section) { return RawKey(HKEY_CURRENT_USER, CString(kApp) + u"\\" + section, false); }
  TempHome home_;
};

TEST_F(RegistryManagerTest, ValuesLiveUnderTheApplicationsProfile) {
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  EXPECT_TRUE(reg.WriteProfileInt(u"width", u"m_windowWidth", 1024));
  EXPECT_TRUE(reg.WriteProfileString(u"Message", u"m_phoneNo", u"555-0101"));
  {
    RawKey width = Section(u"width");
    ASSERT_TRUE(width);
    auto raw = QueryRaw(width.get(), u"m_windowWidth");
    EXPECT_EQ(REG_DWORD, raw.type);
    EXPECT_EQ(Le32(1024), raw.data);
    auto text = QueryRaw(Section(u"Message").get(), u"m_phoneNo");
    EXPECT_EQ(REG_SZ, text.type);
    EXPECT_EQ(Utf16Bytes(u"555-0101"), text.data);
  }
  CTKRegistryManager reader(HKEY_CURRENT_USER);
  EXPECT_EQ(1024, reader.GetProfileInt(u"width", u"m_windowWidth", 7));
  EXPECT_EQ(CString(u"555-0101"), reader.GetProfileString(u"Message", u"m_phoneNo", u"none"));
  EXPECT_EQ(CString(u"TestCo"), reader.m_strRegistryKey);
  EXPECT_EQ(CString(u"Planner"), reader.m_strProfileName);
}

TEST_F(RegistryManagerTest, ReadsFallBackToTheirDefaults) {
  {
    RawKey k(HKEY_CURRENT_USER, CString(kApp) + u"\\odd");
    auto longText = Utf16Bytes(u"12345");
    RegSetValueExW(k.get(), u"text", 0, REG_SZ, longText.data(), static_cast<DWORD>(longText.size()));
    auto cut = Utf16Bytes(std::u16string_view(u"ab\0cd", 5));
    RegSetValueExW(k.get(), u"cut", 0, REG_SZ, cut.data(), static_cast<DWORD>(cut.size()));
  }
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  struct IntCase {
    const char16_t* section;
    const char16_t* entry;
    int expected;
  } ints[] = {
      {u"odd", u"missing", 42},      // absent value
      {u"nowhere", u"missing", 42},  // absent section
      {u"odd", u"text", 42},         // more than 4 bytes of text
      {nullptr, u"x", 0},            // null section: 0, not the default
      {u"odd", nullptr, 0},          // null entry: 0, not the default
  };
  for (const IntCase& c : ints) EXPECT_EQ(c.expected, reg.GetProfileInt(c.section, c.entry, 42));
  EXPECT_EQ(CString(u"ab"), reg.GetProfileString(u"odd", u"cut")) << "cut at the first zero unit";
  EXPECT_EQ(CString(u"dflt"), reg.GetProfileString(u"odd", u"missing", u"dflt"));
  EXPECT_EQ(CString(), reg.GetProfileString(u"odd", u"missing", nullptr));
}

TEST_F(RegistryManagerTest, NullTextDeletesTheValueAndNullEntryTheSection) {
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.WriteProfileString(u"pop", u"m_popStyle", u"3"));
  ASSERT_TRUE(reg.WriteProfileString(u"pop", u"m_animate", u"1"));
  EXPECT_TRUE(reg.WriteProfileString(u"pop", u"m_popStyle", nullptr));
  EXPECT_FALSE(QueryRaw(Section(u"pop").get(), u"m_popStyle").present);
  EXPECT_TRUE(QueryRaw(Section(u"pop").get(), u"m_animate").present);
  EXPECT_TRUE(reg.WriteProfileString(u"pop", nullptr, u"ignored"));
  EXPECT_FALSE(Section(u"pop"));
  EXPECT_FALSE(reg.WriteProfileString(nullptr, u"x", u"y"));
  EXPECT_FALSE(reg.WriteProfileInt(nullptr, u"x", 1));
}

TEST_F(RegistryManagerTest, RootPathsAreOpenedDirectlyAndCaseSensitively) {
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  EXPECT_TRUE(reg.WriteProfileInt(u"HKLM\\Software\\A\\B", u"v", 5));
  EXPECT_TRUE(QueryRaw(RawKey(HKEY_LOCAL_MACHINE, u"Software\\A\\B", false).get(), u"v").present);
  EXPECT_FALSE(RawKey(HKEY_CURRENT_USER, u"Software\\TestCo", false)) << "the application's key is not touched";
  EXPECT_EQ(5, reg.GetProfileInt(u"HKLM\\Software\\A\\B", u"v", 0));

  EXPECT_TRUE(reg.WriteProfileInt(u"hkcu\\X", u"v", 6));
  EXPECT_TRUE(QueryRaw(RawKey(HKEY_CURRENT_USER, CString(kApp) + u"\\hkcu\\X", false).get(), u"v").present)
      << "lower-case root letters are a section name";

  EXPECT_EQ(HKEY_CURRENT_USER, ParseRootKeyName(u"HKCU\\Software"));
  EXPECT_EQ(HKEY_LOCAL_MACHINE, ParseRootKeyName(u"HKLM"));
  EXPECT_EQ(nullptr, ParseRootKeyName(u"HKCR\\x"));
  EXPECT_EQ(nullptr, ParseRootKeyName(u"HKC"));
  EXPECT_EQ(nullptr, ParseRootKeyName(nullptr));
  HKEY shortPath = reg.CreateKeyFromPath(u"HKCU\\Top", KEY_READ);
  EXPECT_NE(nullptr, shortPath);
  if (shortPath) RegCloseKey(shortPath);
}

TEST_F(RegistryManagerTest, WithoutApplicationNamesOnlyFullPathsWork) {
  TempHome::SetAppNames("TestCo", "");
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  EXPECT_FALSE(reg.LoadAppKeyNames());
  EXPECT_FALSE(reg.WriteProfileInt(u"width", u"m_windowWidth", 1));
  EXPECT_EQ(9, reg.GetProfileInt(u"width", u"m_windowWidth", 9));
  EXPECT_EQ(CString(u"d"), reg.GetProfileString(u"width", u"x", u"d"));
  EXPECT_EQ(nullptr, reg.OpenAppKey(KEY_READ));
  EXPECT_TRUE(reg.WriteProfileInt(u"HKCU\\Software\\Direct", u"v", 2));
  EXPECT_EQ(2, reg.GetProfileInt(u"HKCU\\Software\\Direct", u"v", 0));
}

// Without a test's provider the names are the running application
// object's: what SetRegistryKey set at start-up reaches the registry manager
// and the registry exchange, and an application without a registry key has
// no registry profile.
TEST_F(RegistryManagerTest, NamesComeFromTheApplicationObject) {
  TKSetAppProfileNamesProvider(nullptr);
  {
    CWinApp app(u"Planner");
    ASSERT_TRUE(app.InitApplication());
    CTKRegistryManager before(HKEY_CURRENT_USER);
    EXPECT_FALSE(before.WriteProfileInt(u"width", u"m_windowWidth", 1)) << "no registry key yet";
    app.SetRegistryKey(u"TestCo");

    CTKRegistryManager writer(HKEY_CURRENT_USER);
    EXPECT_TRUE(writer.WriteProfileInt(u"width", u"m_windowWidth", 800));
    EXPECT_TRUE(writer.WriteProfileString(u"Message", u"m_phoneNo", u"555-0102"));
    EXPECT_EQ(Le32(800), QueryRaw(Section(u"width").get(), u"m_windowWidth").data);
    CTKRegistryManager reader(HKEY_CURRENT_USER);
    EXPECT_EQ(800, reader.GetProfileInt(u"width", u"m_windowWidth", 0));
    EXPECT_EQ(CString(u"555-0102"), reader.GetProfileString(u"Message", u"m_phoneNo"));
    {
      CTKPropExchangeSection px(new CTKPropExchangeRegistry(FALSE, nullptr, u"State"));
      int schema = 40;
      EXPECT_TRUE(PropExchangeInt(px, u"Schema", &schema));
    }
    EXPECT_EQ(Le32(40), QueryRaw(Section(u"State").get(), u"Schema").data);
  }
  CTKRegistryManager noApp(HKEY_CURRENT_USER);
  EXPECT_EQ(5, noApp.GetProfileInt(u"width", u"m_windowWidth", 5)) << "no application object";
}

// INI mode: with a process-wide INI file set, the profile operations use
// sections of that file and leave the registry alone; full registry paths
// still name registry keys.
TEST_F(RegistryManagerTest, IniModeKeepsTheSettingsInTheFile) {
  struct BackToTheRegistry {
    ~BackToTheRegistry() { CTKRegistryManager::SetINIFileName(nullptr); }
  } guard;
  CString ini = home_.File("settings.ini");
  CTKRegistryManager::SetINIFileName(ini);
  EXPECT_EQ(ini, CTKRegistryManager::GetINIFileName());
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  EXPECT_TRUE(reg.WriteProfileInt(u"width", u"m_windowWidth", -3));
  EXPECT_TRUE(reg.WriteProfileString(u"Message", u"m_userName", u"Tom"));
  EXPECT_TRUE(reg.WriteProfileString(u"Message", u"m_empty", u""));
  EXPECT_TRUE(reg.WriteProfileString(u"Message", u"m_gone", u"x"));
  EXPECT_TRUE(reg.WriteProfileString(u"Message", u"m_gone", nullptr));
  EXPECT_TRUE(reg.WriteProfileString(u"Old", u"k", u"v"));
  EXPECT_TRUE(reg.WriteProfileString(u"Old", nullptr, nullptr));
  EXPECT_TRUE(reg.WriteProfileInt(u"HKCU\\Software\\Direct", u"v", 2));
  EXPECT_TRUE(pv::FlushProfiles());  // INI changes reach the file at the next flush (idle time, exit)
  EXPECT_EQ("[width]\nm_windowWidth=-3\n[Message]\nm_userName=Tom\nm_empty=\n", tk_settings_test::ReadFileText(ini));
  EXPECT_FALSE(Section(u"width")) << "nothing under the application's key";

  CTKRegistryManager reader(HKEY_CURRENT_USER);
  EXPECT_EQ(-3, reader.GetProfileInt(u"width", u"m_windowWidth", 0));
  EXPECT_EQ(9, reader.GetProfileInt(u"width", u"missing", 9));
  EXPECT_EQ(CString(u"Tom"), reader.GetProfileString(u"Message", u"m_userName", u"d"));
  EXPECT_EQ(CString(u""), reader.GetProfileString(u"Message", u"m_empty", u"d")) << "stored empty, not missing";
  EXPECT_EQ(CString(u"d"), reader.GetProfileString(u"Message", u"m_gone", u"d"));
  EXPECT_EQ(CString(u"d"), reader.GetProfileString(u"Old", u"k", u"d"));
  EXPECT_EQ(2, reader.GetProfileInt(u"HKCU\\Software\\Direct", u"v", 0));

  // A file that cannot be written fails the write.
  CTKRegistryManager::SetINIFileName(home_.File("missing/settings.ini"));
  EXPECT_FALSE(reg.WriteProfileInt(u"width", u"m_windowWidth", 1));
  EXPECT_EQ(static_cast<LONG>(ERROR_PATH_NOT_FOUND), reg.m_lLastError);

  CTKRegistryManager::SetINIFileName(nullptr);
  EXPECT_TRUE(reg.WriteProfileInt(u"width", u"m_windowWidth", 4));
  EXPECT_EQ(Le32(4), QueryRaw(Section(u"width").get(), u"m_windowWidth").data);
}

}  // namespace
