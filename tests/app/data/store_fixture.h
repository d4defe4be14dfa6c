// Shared fixture of the data-store tests: a fresh program folder
// (PRAVENOR_HOME), the message-box recorder, and a raw SQLite connection to
// check what reached the file independently of the ADO layer.
#pragma once

#include <sqlite3.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/base/utf.h"
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

// A read-only connection straight to SQLite.
class RawDb {
 public:
  explicit RawDb(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
      ADD_FAILURE() << "raw open failed: " << path;
  }
  ~RawDb() { sqlite3_close_v2(db_); }
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  // Rows as UTF-8 text, "NULL" for null.
  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    std::vector<std::vector<std::string>> out;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << "raw query failed: " << sql << ": " << sqlite3_errmsg(db_);
      return out;
    }
    while (sqlite3_step(s) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int i = 0; i < sqlite3_column_count(s); ++i) {
        const unsigned char* t = sqlite3_column_text(s, i);
        row.push_back(sqlite3_column_type(s, i) == SQLITE_NULL ? "NULL" : reinterpret_cast<const char*>(t));
      }
      out.push_back(row);
    }
    sqlite3_finalize(s);
    return out;
  }
  std::string One(const std::string& sql) {
    auto r = Rows(sql);
    return r.empty() || r[0].empty() ? "<none>" : r[0][0];
  }
  // The exact UTF-16 units stored in column 0 of each row.
  std::vector<std::u16string> Units(const std::string& sql) {
    std::vector<std::u16string> out;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << "raw query failed: " << sql;
      return out;
    }
    while (sqlite3_step(s) == SQLITE_ROW) {
      const void* p = sqlite3_column_text16(s, 0);
      int n = sqlite3_column_bytes16(s, 0);
      out.emplace_back(static_cast<const char16_t*>(p), static_cast<std::size_t>(n) / 2);
    }
    sqlite3_finalize(s);
    return out;
  }

 private:
  sqlite3* db_ = nullptr;
};

inline std::vector<std::string> Captions(const pv::MessageBoxRecorder& boxes) {
  std::vector<std::string> out;
  for (const auto& b : boxes.Shown()) out.push_back(pv::Utf16ToUtf8(b.caption));
  return out;
}

}  // namespace storetest
