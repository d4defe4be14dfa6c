// The settings home every test's fixture uses keeps a test's settings to
// itself: what is stored outside a home (registry values, INI files named
// without a folder) is not seen inside it, what was there is seen again when
// it ends, and the environment and the folder go with it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/system/profile.h"
#include "platform/system/registry.h"
#include "tests/support/fixture_reset.h"

namespace {

struct Store {
  const char* name;
  std::function<bool()> write;
  std::function<bool()> holdsIt;
};

bool WriteRegistryValue() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\SettingsHomeTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  DWORD value = 7;
  LONG rc = RegSetValueExW(key, u"kept", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool RegistryHoldsValue() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\SettingsHomeTest", 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, value = 0, size = sizeof(value);
  LONG rc = RegQueryValueExW(key, u"kept", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && value == 7;
}

bool IniHoldsValue() {
  char16_t buffer[32] = {};
  GetPrivateProfileStringW(u"Window", u"kept", u"", buffer, 32, u"settings_home_test.ini");
  return std::u16string(buffer) == u"yes";
}

TEST(SettingsHome, AHomeSeesNothingStoredOutsideItAndGivesItBack) {
  const Store stores[] = {
      {"registry value", WriteRegistryValue, RegistryHoldsValue},
      {"INI file named without a folder",
       [] { return WritePrivateProfileStringW(u"Window", u"kept", u"yes", u"settings_home_test.ini") != FALSE; },
       IniHoldsValue},
  };
  for (const Store& s : stores) {
    SCOPED_TRACE(s.name);
    pvtest::SettingsHome outer;
    ASSERT_FALSE(s.holdsIt());
    ASSERT_TRUE(s.write());
    ASSERT_TRUE(s.holdsIt());
    {
      pvtest::SettingsHome inner;
      EXPECT_FALSE(s.holdsIt());
    }
    EXPECT_TRUE(s.holdsIt());
  }
}

TEST(SettingsHome, TheEnvironmentAndTheFolderGoWhenTheHomeEnds) {
  pvtest::EnvScope outer("XDG_CONFIG_HOME", std::string("/nonexistent/outer-config"));
  std::string folder;
  {
    pvtest::SettingsHome home;
    folder = home.path();
    ASSERT_TRUE(WriteRegistryValue());
    ASSERT_EQ(ERROR_SUCCESS, pv::FlushRegistry());
    EXPECT_EQ(pv::RegistryFilePath(), home.ConfigDir() + "/registry.txt");
    EXPECT_TRUE(std::filesystem::exists(home.ConfigDir() + "/registry.txt"));
  }
  EXPECT_STREQ(std::getenv("XDG_CONFIG_HOME"), "/nonexistent/outer-config");
  EXPECT_FALSE(std::filesystem::exists(folder));
}

}  // namespace
