// A second, raw SQLite connection for tests: checks what reached a database
// file without going through the ADO layer.
#pragma once

#include <sqlite3.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pvtest {

class RawSqlite {
 public:
  explicit RawSqlite(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
      ADD_FAILURE() << "raw open failed: " << path;
  }
  ~RawSqlite() { sqlite3_close_v2(db_); }
  RawSqlite(const RawSqlite&) = delete;
  RawSqlite& operator=(const RawSqlite&) = delete;

  // Rows as UTF-8 text, "NULL" for null.
  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    std::vector<std::vector<std::string>> out;
    sqlite3_stmt* s = Prepare(sql);
    if (!s) return out;
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
  // The first column of the first row, "<none>" when there is none.
  std::string One(const std::string& sql) {
    auto r = Rows(sql);
    return r.empty() || r[0].empty() ? "<none>" : r[0][0];
  }
  // The exact UTF-16 units stored in column 0 of each row (the files' text
  // encoding is UTF-16le, so the stored bytes are the units).
  std::vector<std::u16string> UnitsOfEachRow(const std::string& sql) {
    std::vector<std::u16string> out;
    sqlite3_stmt* s = Prepare(sql);
    if (!s) return out;
    while (sqlite3_step(s) == SQLITE_ROW) {
      const void* p = sqlite3_column_blob(s, 0);
      int n = sqlite3_column_bytes(s, 0);
      out.emplace_back(static_cast<const char16_t*>(p), static_cast<std::size_t>(n) / 2);
    }
    sqlite3_finalize(s);
    return out;
  }
  // The units of the first row ("" when there is none).
  std::u16string Units(const std::string& sql) {
    auto rows = UnitsOfEachRow(sql);
    return rows.empty() ? std::u16string() : rows[0];
  }

 private:
  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << "raw query failed: " << sql << ": " << sqlite3_errmsg(db_);
      sqlite3_finalize(s);
      return nullptr;
    }
    return s;
  }

  sqlite3* db_ = nullptr;
};

}  // namespace pvtest
