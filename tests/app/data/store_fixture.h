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
#include "tests/support/temp_home.h"
#include "platform/system/msgbox.h"

namespace storetest {

inline std::string Narrow(const CString& s) {
  return pv::Utf16ToUtf8(std::u16string(s.GetString(), static_cast<std::size_t>(s.GetLength())));
}
inline CString Units(std::u16string units) { return CString(std::move(units)); }

// A temporary program folder named by PRAVENOR_HOME while alive.
class ProgramFolder {
 public:
  const std::string& Path() const { return folder_.path(); }
  std::string Database() const { return folder_.File("qty.tgd"); }

 private:
  pvtest::TempFolder folder_{"pv_store"};
  pvtest::EnvScope programHome_{"PRAVENOR_HOME", folder_.path()};
};

using RawDb = pvtest::RawSqlite;

inline std::vector<std::string> Captions(const pv::MessageBoxRecorder& boxes) {
  std::vector<std::string> out;
  for (const auto& b : boxes.Shown()) out.push_back(pv::Utf16ToUtf8(b.caption));
  return out;
}

}  // namespace storetest
