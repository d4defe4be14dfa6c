// Shared fixture of the data-store tests: a fresh program folder
// (PRAVENOR_HOME), the message-box recorder, and a raw SQLite connection to
// check what reached the file independently of the ADO layer.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/base/utf.h"
#include "tests/support/raw_sqlite.h"
#include "platform/system/msgbox.h"

namespace storetest {

inline std::string Narrow(const CString& s) {
  return pv::Utf16ToUtf8(std::u16string(s.GetString(), static_cast<std::size_t>(s.GetLength())));
}
inline CString Units(std::u16string units) { return CString(std::move(units)); }

// A temporary program folder named by PRAVENOR_HOME while alive.
class ProgramFolder {
 public:
  ProgramFolder() {
    std::string base = std::filesystem::temp_directory_path().string() + "/pv_store_XXXXXX";
    std::vector<char> buf(base.begin(), base.end());
    buf.push_back('\0');
    path_ = mkdtemp(buf.data());
    const char* old = getenv("PRAVENOR_HOME");
    hadOld_ = old != nullptr;
    if (old) old_ = old;
    setenv("PRAVENOR_HOME", path_.c_str(), 1);
  }
  ~ProgramFolder() {
    if (hadOld_)
      setenv("PRAVENOR_HOME", old_.c_str(), 1);
    else
      unsetenv("PRAVENOR_HOME");
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string Database() const { return path_ + "/qty.tgd"; }

 private:
  std::string path_;
  std::string old_;
  bool hadOld_ = false;
};

using RawDb = pvtest::RawSqlite;

inline std::vector<std::string> Captions(const pv::MessageBoxRecorder& boxes) {
  std::vector<std::string> out;
  for (const auto& b : boxes.Shown()) out.push_back(pv::Utf16ToUtf8(b.caption));
  return out;
}

}  // namespace storetest
