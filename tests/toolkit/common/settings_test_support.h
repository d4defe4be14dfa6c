// Shared helpers of the settings-persistence tests: a private home for the
// registry file and temporary files, the application's profile names, and
// raw registry and INI access that does not go through the code under test.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/base/cstring.h"
#include "platform/system/registry.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/common/registrymanager.h"

namespace tk_settings_test {

// The shared settings home (tests/support/fixture_reset.h: settings under
// <path>/config, temporary files under <path>/tmp) for one test, with the
// application named "TestCo" / "Planner" unless a test says otherwise.
class TempHome {
 public:
  TempHome() { SetAppNames("TestCo", "Planner"); }
  ~TempHome() { TKSetAppProfileNamesProvider(nullptr); }
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  const std::string& path() const { return settings_.path(); }
  std::string TmpDir() const { return settings_.File("tmp"); }
  CString File(const std::string& name) const { return CString(settings_.File(name).c_str()); }

  static void SetAppNames(const char* registryKey, const char* profileName) {
    Names() = {registryKey, profileName};
    TKSetAppProfileNamesProvider([](CString& key, CString& profile) {
      key = Names().first.c_str();
      profile = Names().second.c_str();
    });
  }

 private:
  static std::pair<std::string, std::string>& Names() {
    static std::pair<std::string, std::string> names;
    return names;
  }
  pvtest::SettingsHome settings_{"tk-settings-test"};
};

inline std::string ReadFileText(const CString& path) {
  std::ifstream in(std::filesystem::path(std::u16string(path.View())), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFileText(const CString& path, const std::string& text) {
  std::ofstream out(std::filesystem::path(std::u16string(path.View())), std::ios::binary);
  out << text;
}

// A key opened or created with full access; closed by the holder.
class RawKey {
 public:
  RawKey(HKEY root, const char16_t* path, bool create = true) {
    LONG rc = create ? RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr)
                     : RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key_);
    if (rc != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RawKey() {
    if (key_) RegCloseKey(key_);
  }
  RawKey(const RawKey&) = delete;
  RawKey& operator=(const RawKey&) = delete;
  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
};

struct RawValue {
  bool present = false;
  DWORD type = 0;
  std::vector<BYTE> data;
};

inline RawValue QueryRaw(HKEY key, const char16_t* name) {
  RawValue v;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &v.type, nullptr, &size) != ERROR_SUCCESS) return v;
  v.data.resize(size);
  if (RegQueryValueExW(key, name, nullptr, &v.type, v.data.data(), &size) != ERROR_SUCCESS) return v;
  v.data.resize(size);
  v.present = true;
  return v;
}

inline std::vector<BYTE> Utf16Bytes(std::u16string_view s, bool terminator = true) {
  std::vector<BYTE> b;
  for (char16_t c : s) {
    b.push_back(static_cast<BYTE>(c & 0xFF));
    b.push_back(static_cast<BYTE>(c >> 8));
  }
  if (terminator) b.insert(b.end(), {0, 0});
  return b;
}

inline std::vector<BYTE> Le32(DWORD v) {
  return {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16), static_cast<BYTE>(v >> 24)};
}

}  // namespace tk_settings_test
