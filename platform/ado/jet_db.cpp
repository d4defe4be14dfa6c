// The SQLite connection under the ADO objects.
//
// Files are created with UTF-16le text so that text is stored as the exact
// UTF-16 units bound (SQLite converts only between different encodings),
// in write-ahead-log mode with synchronous=FULL so that a committed
// transaction survives a crash of the process or the machine
// (docs/database.md).
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <unordered_map>

#include "platform/ado/ado_engine.h"
#include "platform/ado/ado_values_private.h"
#include "platform/base/clock.h"
#include "platform/base/systime.h"
#include "platform/base/utf.h"

namespace pv::ado {

namespace {

std::u16string U(const char* s) { return pv::Utf8ToUtf16(s ? s : ""); }

std::u16string UpperAscii(std::u16string_view s) {
  std::u16string r(s);
  for (char16_t& c : r)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return r;
}

// ---- functions and collation registered on every connection ------------------------
int NoCaseCompare(void*, int na, const void* a, int nb, const void* b) {
  // Registered with SQLITE_UTF16_ALIGNED: the keys are aligned native UTF-16.
  std::u16string_view x(static_cast<const char16_t*>(a), static_cast<size_t>(na) / 2);
  std::u16string_view y(static_cast<const char16_t*>(b), static_cast<size_t>(nb) / 2);
  return CompareNoCase(x, y);
}

// UTF-16 from SQLite may sit at an odd address (inside a page): copy it
// bytewise instead of reading char16_t through the pointer.
template <class Units>
void AppendUnits(Units& out, const void* p, size_t units) {
  if (!p || !units) return;
  size_t at = out.size();
  out.resize(at + units);
  std::memcpy(out.data() + at, p, units * 2);
}

std::u16string ArgText(sqlite3_value* v) {
  const void* p = sqlite3_value_text16(v);
  std::u16string out;
  AppendUnits(out, p, static_cast<size_t>(sqlite3_value_bytes16(v)) / 2);
  return out;
}

std::u16string ColumnText(sqlite3_stmt* s, int i) {
  const void* p = sqlite3_column_text16(s, i);
  std::u16string out;
  AppendUnits(out, p, static_cast<size_t>(sqlite3_column_bytes16(s, i)) / 2);
  return out;
}

void LikeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  // x LIKE y [ESCAPE z] calls like(y, x [, z]).
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  std::u16string pattern(ArgText(argv[0]));
  std::u16string text(ArgText(argv[1]));
  char16_t escape = 0;
  if (argc == 3) {
    std::u16string e = ArgText(argv[2]);
    if (e.size() != 1) {
      sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
      return;
    }
    escape = e[0];
  }
  sqlite3_result_int(ctx, JetLike(text, pattern, escape) ? 1 : 0);
}

bool ValueToDate(sqlite3_value* v, double* d) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      *d = sqlite3_value_double(v);
      return true;
    case SQLITE_TEXT:
      return ParseJetDate(ArgText(v), d);
    default:
      return false;
  }
}

void CDateFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  double d;
  if (!ValueToDate(argv[0], &d)) return sqlite3_result_error(ctx, "pv: data type mismatch in CDATE", -1);
  sqlite3_result_double(ctx, d);
}

void DatePartFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  int part = static_cast<int>(reinterpret_cast<intptr_t>(sqlite3_user_data(ctx)));
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  double d;
  int p[6];
  if (!ValueToDate(argv[0], &d) || !DateToParts(d, &p[0], &p[1], &p[2], &p[3], &p[4], &p[5]))
    return sqlite3_result_error(ctx, "pv: data type mismatch in a date function", -1);
  sqlite3_result_int(ctx, p[part]);
}

void NowFunction(sqlite3_context* ctx, int, sqlite3_value**) {
  // Local time from the injectable clock, to the second.
  FILETIME local = pv::Int64ToFileTime(pv::Clock::LocalNow());
  SYSTEMTIME st;
  DATE now = 0;
  if (!FileTimeToSystemTime(&local, &st) || !SystemTimeToVariantTime(&st, &now))
    return sqlite3_result_error(ctx, "pv: the clock is outside the dates a field can hold", -1);
  bool dateOnly = sqlite3_user_data(ctx) != nullptr;
  sqlite3_result_double(ctx, dateOnly ? std::floor(now) : now);
}

void IntFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  sqlite3_result_double(ctx, std::floor(sqlite3_value_double(argv[0])));
}

void RegisterFunctions(sqlite3* db) {
  const int flags = SQLITE_UTF16 | SQLITE_DETERMINISTIC;
  sqlite3_create_collation(db, "NOCASE", SQLITE_UTF16_ALIGNED, nullptr, NoCaseCompare);
  sqlite3_create_function(db, "like", 2, flags, nullptr, LikeFunction, nullptr, nullptr);
  sqlite3_create_function(db, "like", 3, flags, nullptr, LikeFunction, nullptr, nullptr);
  sqlite3_create_function(db, "pv_cdate", 1, flags, nullptr, CDateFunction, nullptr, nullptr);
  const char* parts[] = {"pv_year", "pv_month", "pv_day", "pv_hour", "pv_minute", "pv_second"};
  for (intptr_t i = 0; i < 6; ++i)
    sqlite3_create_function(db, parts[i], 1, flags, reinterpret_cast<void*>(i), DatePartFunction, nullptr, nullptr);
  sqlite3_create_function(db, "pv_now", 0, SQLITE_UTF8, nullptr, NowFunction, nullptr, nullptr);
  sqlite3_create_function(db, "pv_date", 0, SQLITE_UTF8, reinterpret_cast<void*>(1), NowFunction, nullptr, nullptr);
  sqlite3_create_function(db, "pv_int", 1, flags, nullptr, IntFunction, nullptr, nullptr);
}

// ---- file checks before SQLite touches the file -------------------------------------------
bool FileExists(const std::string& path, long long* size) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  if (size) *size = S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : -1;
  return true;
}

uint32_t Be32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

[[noreturn]] void NotADatabase(const std::u16string& path, const char* why) {
  throw Failure(kErrNotDatabase, u"The file '" + path + u"' is not a database or is damaged (" + U(why) +
                                     u"). It was not opened and has not been changed.");
}

// A write-ahead log beside the file that holds frames: committed pages may
// live there and not yet in the file.
bool HasLog(const std::string& path8) {
  long long size = 0;
  return FileExists(path8 + "-wal", &size) && size > 0;
}

// Checks the header before SQLite touches the file. With a log beside it the
// file may be shorter than its header says (a checkpoint was interrupted
// after page 1 was written): SQLite judges such a file from the log, and the
// page check that follows refuses it if it is really damaged.
void CheckHeader(const std::string& path8, const std::u16string& path, long long size) {
  if (size < 0) NotADatabase(path, "not a regular file");
  if (size == 0) NotADatabase(path, "the file is empty");
  unsigned char h[100];
  FILE* f = std::fopen(path8.c_str(), "rb");
  if (!f) throw Failure(kErrGeneric, u"The database file '" + path + u"' cannot be read (permission denied?).");
  size_t n = std::fread(h, 1, sizeof h, f);
  std::fclose(f);
  if (n < sizeof h || std::memcmp(h, "SQLite format 3", 16) != 0) NotADatabase(path, "unknown file format");
  uint32_t pageSize = (uint32_t{h[16]} << 8) | h[17];
  if (pageSize == 1) pageSize = 65536;
  if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) NotADatabase(path, "bad page size");
  if (HasLog(path8)) return;
  uint32_t pages = Be32(h + 28);
  bool countValid = pages != 0 && Be32(h + 92) == Be32(h + 24);
  if (countValid && static_cast<unsigned long long>(size) < static_cast<unsigned long long>(pages) * pageSize)
    NotADatabase(path, "the file is truncated");
  if (size % pageSize != 0) NotADatabase(path, "the file is truncated");
}

}  // namespace

// ---- Impl --------------------------------------------------------------------------------
// Looks texts up by view, without making a string of the key.
struct TextHash {
  using is_transparent = void;
  size_t operator()(std::u16string_view s) const { return std::hash<std::u16string_view>{}(s); }
};

struct Database::Impl {
  sqlite3* db = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*> cache;
  // Translations by Jet text, valid for `schemaVersion`.
  std::unordered_map<std::u16string, std::shared_ptr<const Translation>, TextHash, std::equal_to<>> translations;
  // The entry found last: a statement run again and again (bulk inserts)
  // is compared with it before the text is hashed.
  const std::pair<const std::u16string, std::shared_ptr<const Translation>>* lastTranslation = nullptr;
  void ForgetTranslations() {
    translations.clear();
    lastTranslation = nullptr;
  }
  std::unordered_map<std::u16string, std::unique_ptr<TableInfo>> tables;  // key: upper-case name
  int schemaVersion = -1;
  sqlite3_stmt* versionStmt = nullptr;

  ~Impl() {
    for (auto& [k, s] : cache) sqlite3_finalize(s);
    sqlite3_finalize(versionStmt);
    if (db) {
      // A clean close checkpoints the log into the file.
      sqlite3_close_v2(db);
    }
  }

  [[noreturn]] void Fail(int rc, const Translation* t, const std::u16string& path);

  sqlite3_stmt* Prepare(const std::string& sql, const std::u16string& path, bool cached = true) {
    if (cached) {
      auto it = cache.find(sql);
      if (it != cache.end()) {
        sqlite3_reset(it->second);
        sqlite3_clear_bindings(it->second);
        return it->second;
      }
    }
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()), cached ? SQLITE_PREPARE_PERSISTENT : 0,
                                &s, nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(s);
      Fail(rc, nullptr, path);
    }
    if (!s) throw Failure(kErrSyntax, u"The SQL statement is empty.");
    if (cached) {
      if (cache.size() >= 64) {
        for (auto& [k, old] : cache) sqlite3_finalize(old);
        cache.clear();
      }
      cache.emplace(sql, s);
    }
    return s;
  }

  void Bind(sqlite3_stmt* s, const std::vector<Value>& params) {
    int n = sqlite3_bind_parameter_count(s);
    for (int i = 0; i < n && i < static_cast<int>(params.size()); ++i) {
      const Value& v = params[static_cast<size_t>(i)];
      switch (v.kind) {
        case Value::Null:
          sqlite3_bind_null(s, i + 1);
          break;
        case Value::Int:
          sqlite3_bind_int64(s, i + 1, v.i);
          break;
        case Value::Real:
          sqlite3_bind_double(s, i + 1, v.r);
          break;
        case Value::Text:
          sqlite3_bind_text16(s, i + 1, v.s.data(), static_cast<int>(v.s.size() * 2), SQLITE_STATIC);
          break;
        case Value::Blob:
          sqlite3_bind_blob(s, i + 1, v.blob.data(), static_cast<int>(v.blob.size()), SQLITE_STATIC);
          break;
      }
    }
  }

  // Inside a transaction the schema seen cannot change but through this
  // connection (whose DDL clears the maps itself): checked once per transaction.
  bool schemaCheckedInTransaction = false;
  void CheckSchemaVersion() {
    if (schemaCheckedInTransaction && !sqlite3_get_autocommit(db)) return;
    schemaCheckedInTransaction = !sqlite3_get_autocommit(db);
    if (!versionStmt)
      sqlite3_prepare_v3(db, "PRAGMA schema_version", -1, SQLITE_PREPARE_PERSISTENT, &versionStmt, nullptr);
    int v = -1;
    if (versionStmt && sqlite3_step(versionStmt) == SQLITE_ROW) v = sqlite3_column_int(versionStmt, 0);
    if (versionStmt) sqlite3_reset(versionStmt);
    if (v != schemaVersion) {
      tables.clear();
      ForgetTranslations();
      schemaVersion = v;
    }
  }

  const TableInfo* LoadTable(std::u16string_view name) {
    std::u16string key = UpperAscii(name);
    auto it = tables.find(key);
    if (it != tables.end()) return it->second.get();
    std::unique_ptr<TableInfo> info;
    std::string name8 = pv::Utf16ToUtf8(name);
    sqlite3_stmt* s = nullptr;
    // The stored name (its case as created) comes from the schema table.
    if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE", -1, &s,
                           nullptr) == SQLITE_OK) {
      sqlite3_bind_text(s, 1, name8.data(), static_cast<int>(name8.size()), SQLITE_STATIC);
      if (sqlite3_step(s) == SQLITE_ROW) {
        info = std::make_unique<TableInfo>();
        info->name = ColumnText(s, 0);
      }
    }
    sqlite3_finalize(s);
    if (info) {
      std::string stored8 = pv::Utf16ToUtf8(info->name);
      if (sqlite3_prepare_v2(db, "SELECT name, type, \"notnull\", pk FROM pragma_table_info(?1)", -1, &s, nullptr) ==
          SQLITE_OK) {
        sqlite3_bind_text(s, 1, stored8.data(), static_cast<int>(stored8.size()), SQLITE_STATIC);
        while (sqlite3_step(s) == SQLITE_ROW) {
          ColumnInfo c;
          c.name = ColumnText(s, 0);
          std::u16string declared = ColumnText(s, 1);
          c.notNull = sqlite3_column_int(s, 2) != 0;
          c.primaryKey = sqlite3_column_int(s, 3) != 0;
          int autoinc = 0;
          std::string col8 = pv::Utf16ToUtf8(c.name);
          sqlite3_table_column_metadata(db, nullptr, stored8.c_str(), col8.c_str(), nullptr, nullptr, nullptr, nullptr,
                                        &autoinc);
          c.type = JetTypeFromDeclared(declared, autoinc != 0, &c.size);
          if (c.type == JetType::Unknown) {
            // Declared by another tool: follow SQLite's affinity rules.
            std::u16string d = UpperAscii(declared);
            if (d.find(u"INT") != std::u16string::npos) c.type = JetType::Long;
            else if (d.find(u"CHAR") != std::u16string::npos || d.find(u"CLOB") != std::u16string::npos ||
                     d.find(u"TEXT") != std::u16string::npos)
              c.type = JetType::Memo;
            else if (d.empty() || d.find(u"BLOB") != std::u16string::npos) c.type = JetType::Unknown;
            else c.type = JetType::Double;
          }
          info->columns.push_back(std::move(c));
        }
      }
      sqlite3_finalize(s);
    }
    const TableInfo* result = info.get();
    tables.emplace(std::move(key), std::move(info));
    return result;
  }

  ResultColumn Describe(sqlite3_stmt* s, int i, int* exprCounter) {
    ResultColumn c;
    const void* origin = sqlite3_column_origin_name16(s, i);
    const void* table = sqlite3_column_table_name16(s, i);
    if (origin && table) {
      c.table = static_cast<const char16_t*>(table);
      c.column = static_cast<const char16_t*>(origin);
      if (const TableInfo* t = LoadTable(c.table)) {
        c.table = t->name;
        if (const ColumnInfo* col = t->Find(c.column)) {
          c.type = col->type;
          c.size = col->size;
          c.nullable = !col->notNull && !col->primaryKey;
          c.counter = col->type == JetType::Counter;
          c.column = col->name;
        }
      }
      const void* alias = sqlite3_column_name16(s, i);
      c.name = alias ? static_cast<const char16_t*>(alias) : c.column;
    } else {
      const void* n = sqlite3_column_name16(s, i);
      std::u16string text = n ? static_cast<const char16_t*>(n) : u"";
      // Unnamed expressions are called Expr1000, Expr1001...; an AS name stays.
      std::u16string upper = UpperAscii(text);
      bool isExpression = text.find(u'(') != std::u16string::npos || text.find(u'?') != std::u16string::npos ||
                          text.find(u' ') != std::u16string::npos;
      c.name = isExpression ? u"Expr" + U(std::to_string(1000 + (*exprCounter)++).c_str()) : text;
      // Type of aggregates: max/min of a column keep its type; count is a long.
      auto starts = [&](const char16_t* f) { return upper.rfind(f, 0) == 0; };
      if (starts(u"COUNT")) {
        c.type = JetType::Long;
      } else if (starts(u"MAX") || starts(u"MIN") || starts(u"SUM") || starts(u"AVG")) {
        size_t q1 = text.rfind(u'"');
        size_t q0 = q1 == std::u16string::npos ? q1 : text.rfind(u'"', q1 - 1);
        if (q0 != std::u16string::npos) {
          std::u16string col = text.substr(q0 + 1, q1 - q0 - 1);
          // The column may belong to any table of the statement: search the tables named in the text.
          for (auto& [k, t] : tables)
            if (t)
              if (const ColumnInfo* ci = t->Find(col)) {
                c.type = ci->type == JetType::Counter ? JetType::Long : ci->type;
                c.size = ci->size;
                break;
              }
        }
        if (starts(u"AVG")) c.type = c.type == JetType::Currency ? JetType::Currency : JetType::Double;
        if (starts(u"SUM") && (c.type == JetType::Single)) c.type = JetType::Double;
      }
    }
    return c;
  }

  std::vector<ResultColumn> Columns(sqlite3_stmt* s, bool hidden) {
    std::vector<ResultColumn> cols;
    int n = sqlite3_column_count(s);
    int counter = 0;
    for (int i = hidden ? 1 : 0; i < n; ++i) cols.push_back(Describe(s, i, &counter));
    return cols;
  }
};

static Value ReadValue(sqlite3_stmt* s, int i) {
  Value v;
  switch (sqlite3_column_type(s, i)) {
    case SQLITE_INTEGER:
      v.kind = Value::Int;
      v.i = sqlite3_column_int64(s, i);
      break;
    case SQLITE_FLOAT:
      v.kind = Value::Real;
      v.r = sqlite3_column_double(s, i);
      break;
    case SQLITE_TEXT: {
      v.kind = Value::Text;
      v.s = ColumnText(s, i);
      break;
    }
    case SQLITE_BLOB: {
      v.kind = Value::Blob;
      const unsigned char* p = static_cast<const unsigned char*>(sqlite3_column_blob(s, i));
      int bytes = sqlite3_column_bytes(s, i);
      if (p) v.blob.assign(p, p + bytes);
      break;
    }
    default:
      break;
  }
  return v;
}

// The same, straight into a cell store (no allocation per value). Every
// sqlite3_column_* call takes the connection's mutex, so a column is fetched
// once and its value read with the sqlite3_value_* calls, which take none.
// That is sound because a connection is used by one thread at a time (the
// statement cache and the schema maps above already require it).
[[gnu::always_inline]] inline Cell ReadCell(sqlite3_stmt* s, int i, CellStore& store) {
  sqlite3_value* v = sqlite3_column_value(s, i);
  Cell c;
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      c.kind = Value::Int;
      c.i = sqlite3_value_int64(v);
      break;
    case SQLITE_FLOAT:
      c.kind = Value::Real;
      c.r = sqlite3_value_double(v);
      break;
    case SQLITE_TEXT: {
      c.kind = Value::Text;
      const void* p = sqlite3_value_text16(v);
      size_t units = static_cast<size_t>(sqlite3_value_bytes16(v)) / 2;
      c.length = static_cast<uint32_t>(units);
      c.offset = store.arena.Append(p, units);
      break;
    }
    case SQLITE_BLOB:
      return store.Put(ReadValue(s, i));
    default:
      break;
  }
  return c;
}

Cell CellStore::Put(const Value& v) {
  Cell c;
  c.kind = v.kind;
  switch (v.kind) {
    case Value::Int:
      c.i = v.i;
      break;
    case Value::Real:
      c.r = v.r;
      break;
    case Value::Text:
      c.length = static_cast<uint32_t>(v.s.size());
      c.offset = arena.Append(v.s.data(), v.s.size());
      break;
    case Value::Blob:
      c.offset = blobs.size();
      blobs.push_back(v.blob);
      break;
    case Value::Null:
      break;
  }
  return c;
}

Value CellStore::Get(const Cell& c) const {
  Value v;
  v.kind = c.kind;
  switch (c.kind) {
    case Value::Int:
      v.i = c.i;
      break;
    case Value::Real:
      v.r = c.r;
      break;
    case Value::Text:
      v.s = Text(c);
      break;
    case Value::Blob:
      v.blob = blobs[c.offset];
      break;
    case Value::Null:
      break;
  }
  return v;
}

void Database::Impl::Fail(int rc, const Translation* t, const std::u16string& path) {
  std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  int primary = rc & 0xFF;
  auto after = [&](const char* prefix) -> std::u16string {
    size_t p = msg.find(prefix);
    return p == std::string::npos ? std::u16string() : U(msg.substr(p + std::strlen(prefix)).c_str());
  };
  std::u16string table = t ? t->table : std::u16string();
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
    throw Failure(kErrBusy, u"The database file '" + path + u"' is locked by another process; try again later.");
  if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
    throw Failure(kErrNotDatabase, u"The database file '" + path + u"' is damaged and cannot be read.");
  if (primary == SQLITE_FULL) throw Failure(kErrGeneric, u"The disk is full; the change was not saved.");
  if (primary == SQLITE_READONLY) throw Failure(kErrGeneric, u"The database file '" + path + u"' is read-only.");
  if (primary == SQLITE_IOERR)
    throw Failure(kErrGeneric, u"A disk error occurred while reading or writing the database file '" + path + u"'.");
  if (primary == SQLITE_NOMEM) throw Failure(static_cast<HRESULT>(0x8007000Eu), u"Out of memory.");
  if (msg.rfind("no such table: ", 0) == 0)
    throw Failure(kErrNoTable,
                  u"The table or query '" + after("no such table: ") + u"' does not exist in the database.");
  if (msg.rfind("no such column: ", 0) == 0)
    throw Failure(kErrNoValue, u"The field '" + after("no such column: ") +
                                   u"' does not exist in the tables of the statement (no value given for it).");
  if (msg.rfind("table ", 0) == 0 && msg.find(" has no column named ") != std::string::npos) {
    size_t at = msg.find(" has no column named ");
    throw Failure(kErrNoValue, u"The field '" + U(msg.substr(6, at - 6).c_str()) + u"." +
                                   U(msg.substr(at + 21).c_str()) + u"' does not exist.");
  }
  if (msg.find(" values for ") != std::string::npos && msg.find(" columns") != std::string::npos)
    throw Failure(kErrSyntax, u"The number of values and of destination fields differ in the INSERT statement (" +
                                  U(msg.c_str()) + u").");
  if (msg.rfind("ambiguous column name: ", 0) == 0)
    throw Failure(kErrSyntax, u"The field '" + after("ambiguous column name: ") +
                                  u"' could refer to more than one table of the statement; name its table.");
  if (msg.rfind("no such function: ", 0) == 0)
    throw Failure(kErrSyntax, u"Undefined function '" + after("no such function: ") + u"' in the SQL statement.");
  if (msg.find("already exists") != std::string::npos)
    throw Failure(kErrAlreadyExists, u"The table '" + table + u"' already exists.");
  if (msg.rfind("CHECK constraint failed: pv_fits:", 0) == 0) {
    std::u16string field = after("CHECK constraint failed: pv_fits:");
    const TableInfo* info = t ? LoadTable(t->table) : nullptr;
    const ColumnInfo* col = info ? info->Find(field) : nullptr;
    std::u16string where = (info ? info->name : table) + u"." + (col ? col->name : field);
    if (col && col->type == JetType::Text)
      throw Failure(kErrDataOverflow, u"The field '" + where + u"' is too small for the value: it holds at most " +
                                          U(std::to_string(col->size).c_str()) + u" characters.");
    throw Failure(kErrDataOverflow, u"The value is out of range for the field '" + where + u"'.");
  }
  if (msg.rfind("UNIQUE constraint failed: ", 0) == 0)
    throw Failure(kErrIntegrity, u"The change would store a duplicate value in the key field '" +
                                     after("UNIQUE constraint failed: ") + u"'.");
  if (msg.rfind("NOT NULL constraint failed: ", 0) == 0)
    throw Failure(kErrIntegrity, u"The field '" + after("NOT NULL constraint failed: ") +
                                     u"' cannot be empty (Null); give it a value.");
  if (msg == "datatype mismatch" || primary == SQLITE_MISMATCH)
    throw Failure(kErrTypeMismatch, u"Data type mismatch: the key field of '" + table + u"' takes whole numbers only.");
  if (msg.find("pv: data type mismatch") != std::string::npos)
    throw Failure(kErrTypeMismatch, u"Data type mismatch in the criteria expression: a value is not a date.");
  if (msg.rfind("near \"", 0) == 0) {
    size_t end = msg.find("\": syntax error");
    std::string token = msg.substr(6, end == std::string::npos ? std::string::npos : end - 6);
    if (token.size() >= 2 && token.front() == '"' && token.back() == '"') token = token.substr(1, token.size() - 2);
    if (token == "?") token = "(a value)";
    throw Failure(kErrSyntax, u"Syntax error in the SQL statement near '" + U(token.c_str()) + u"'.");
  }
  if (msg.find("incomplete input") != std::string::npos)
    throw Failure(kErrSyntax, u"Syntax error in the SQL statement: it ends too early.");
  throw Failure(kErrGeneric, u"Database error: " + U(msg.c_str()) + u".");
}

// ---- Database ---------------------------------------------------------------------------
Database::Database(std::u16string path) : path_(std::move(path)), impl_(std::make_unique<Impl>()) {}
Database::~Database() = default;

std::unique_ptr<Database> Database::Open(const std::u16string& path) {
  std::string path8 = pv::Utf16ToUtf8(path);
  long long size = 0;
  if (path.empty()) throw Failure(kErrFileNotFound, u"No database file was named (Data Source is empty).");
  if (!FileExists(path8, &size)) throw Failure(kErrFileNotFound, u"Could not find the database file '" + path + u"'.");
  CheckHeader(path8, path, size);
  std::unique_ptr<Database> d(new Database(path));
  Impl& im = *d->impl_;
  // Without SQLite's lock on every call: a connection and its objects
  // (reference counts, statement cache, schema maps) are used by one thread
  // at a time anyway, and taking the lock was a large part of reading a row.
  int rc = sqlite3_open_v2(path8.c_str(), &im.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    if (rc == SQLITE_CANTOPEN || rc == SQLITE_PERM || rc == SQLITE_READONLY)
      throw Failure(kErrGeneric, u"The database file '" + path + u"' cannot be opened for writing.");
    im.Fail(rc, nullptr, path);
  }
  sqlite3_extended_result_codes(im.db, 1);
  sqlite3_busy_timeout(im.db, 2000);
  // A double-quoted name is always a name, never a text literal.
  sqlite3_db_config(im.db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(im.db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  // Read the schema before anything is written (a damaged first page or
  // schema fails here). The check of every page reads the whole file, so it
  // runs only when the file was not closed cleanly: its write-ahead log or
  // rollback journal is still beside it (a crash, or another program using
  // it now).
  long long journalSize = 0;
  const bool uncleanShutdown = HasLog(path8) || (FileExists(path8 + "-journal", &journalSize) && journalSize > 0);
  sqlite3_stmt* s = nullptr;
  rc = sqlite3_prepare_v2(im.db, uncleanShutdown ? "PRAGMA quick_check(1)" : "SELECT count(*) FROM sqlite_master", -1,
                          &s, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(s);
  std::string verdict = rc == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(s, 0)) : "";
  sqlite3_finalize(s);
  if (rc != SQLITE_ROW) {
    int primary = rc & 0xFF;
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) NotADatabase(path, "damaged pages");
    im.Fail(rc, nullptr, path);
  }
  if (uncleanShutdown && verdict != "ok") NotADatabase(path, "damaged pages");
  // Only a file this layer made is switched to the write-ahead log (a change
  // of its header); another program's database is used as it is.
  if (d->ApplicationId() == kApplicationId) d->ExecRaw("PRAGMA journal_mode=WAL");
  d->ExecRaw("PRAGMA synchronous=FULL");
  // SQLite's page cache holds at most 256 KiB instead of 2 MiB: callers read
  // forward once, and pages already read come back from the system's file
  // cache, so the larger cache only added to the program's peak memory.
  d->ExecRaw("PRAGMA cache_size=-256");
  RegisterFunctions(im.db);
  return d;
}

void Database::Create(const std::u16string& path) {
  std::string path8 = pv::Utf16ToUtf8(path);
  if (path.empty()) throw Failure(kErrFileNotFound, u"No database file was named (Data Source is empty).");
  if (FileExists(path8, nullptr))
    throw Failure(kErrAlreadyExists, u"The database file '" + path + u"' already exists.");
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path8.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  auto fail = [&](const char* what) {
    std::u16string m = U(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_close_v2(db);
    std::remove(path8.c_str());
    throw Failure(kErrGeneric,
                  u"The database file '" + path + u"' could not be created (" + U(what) + u": " + m + u").");
  };
  if (rc != SQLITE_OK) fail("open");
  // The encoding must be set before the first table; the application id
  // writes the header so that the new file is a database at once.
  const char* setup =
      "PRAGMA encoding='UTF-16le';"
      "CREATE TABLE pv_fix_encoding(x); DROP TABLE pv_fix_encoding;"  // fixes the encoding in the header
      "PRAGMA journal_mode=WAL;"
      "PRAGMA synchronous=FULL;"
      "PRAGMA application_id=1347833426;";  // kApplicationId
  if (sqlite3_exec(db, setup, nullptr, nullptr, nullptr) != SQLITE_OK) fail("setup");
  sqlite3_close_v2(db);
}

Translation Database::Translate(std::u16string_view jet, const std::vector<Value>* external) {
  impl_->CheckSchemaVersion();
  const size_t given = external ? external->size() : 0;
  auto* found = impl_->lastTranslation;
  if (!found || found->first != jet) {
    auto it = impl_->translations.find(jet);
    found = it == impl_->translations.end() ? nullptr : &*it;
    impl_->lastTranslation = found;
  }
  if (found && found->second->bound.size() == given) {
    const Translation& kept = *found->second;
    Translation t;
    t.kind = kept.kind;
    t.kept = found->second;
    t.params = kept.params;  // the literals; bound places are null until filled below
    t.table = kept.table;
    t.updatable = kept.updatable;
    for (size_t k = 0; k < given; ++k) {
      const BoundSlot& slot = kept.bound[k];
      t.params[slot.param] = ConvertBound(slot, (*external)[k]);
    }
    return t;
  }
  Translation t = TranslateJet(jet, *this, external);
  if (impl_->translations.size() >= 256) impl_->ForgetTranslations();
  auto keep = std::make_shared<Translation>(t);
  // Kept without the values it was made with: each run binds its own.
  for (const BoundSlot& slot : keep->bound) keep->params[slot.param] = Value();
  impl_->lastTranslation = &*impl_->translations.insert_or_assign(std::u16string(jet), std::move(keep)).first;
  return t;
}

const TableInfo* Database::FindTable(std::u16string_view name) {
  impl_->CheckSchemaVersion();
  return impl_->LoadTable(name);
}

std::vector<std::u16string> Database::TableNames() {
  std::vector<std::u16string> names;
  sqlite3_stmt* s = impl_->Prepare(
      "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite!_%' ESCAPE '!' ORDER BY rowid",
      path_, false);
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) names.push_back(ColumnText(s, 0));
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE) impl_->Fail(rc, nullptr, path_);
  return names;
}

void Database::ExecRaw(const char* sql) {
  char* err = nullptr;
  int rc = sqlite3_exec(impl_->db, sql, nullptr, nullptr, &err);
  sqlite3_free(err);
  if (rc != SQLITE_OK) impl_->Fail(rc, nullptr, path_);
}

int64_t Database::LastInsertRowid() { return sqlite3_last_insert_rowid(impl_->db); }

int32_t Database::ApplicationId() {
  sqlite3_stmt* s = nullptr;
  int32_t id = 0;
  if (sqlite3_prepare_v2(impl_->db, "PRAGMA application_id", -1, &s, nullptr) == SQLITE_OK &&
      sqlite3_step(s) == SQLITE_ROW)
    id = sqlite3_column_int(s, 0);
  sqlite3_finalize(s);
  return id;
}

long Database::Execute(const Translation& t) {
  if (t.kind == StatementKind::CreateTable) {
    try {
      return ExecuteStatement(t);
    } catch (const Failure& e) {
      throw NamingTable(e, t.table);
    }
  }
  return ExecuteStatement(t);
}

long Database::ExecuteStatement(const Translation& t) {
  sqlite3_stmt* s = impl_->Prepare(t.Sql(), path_);
  impl_->Bind(s, t.params);
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {}
  if (rc != SQLITE_DONE) {
    sqlite3_reset(s);
    impl_->Fail(rc, &t, path_);
  }
  sqlite3_reset(s);
  sqlite3_clear_bindings(s);
  if (t.kind == StatementKind::Insert || t.kind == StatementKind::Update || t.kind == StatementKind::Delete)
    return static_cast<long>(sqlite3_changes(impl_->db));
  if (t.kind == StatementKind::CreateTable || t.kind == StatementKind::DropTable || t.kind == StatementKind::Other) {
    impl_->tables.clear();
    impl_->ForgetTranslations();
  }
  return -1;
}

ResultSet Database::Query(const Translation& t) {
  sqlite3_stmt* s = impl_->Prepare(t.Sql(), path_);
  impl_->Bind(s, t.params);
  ResultSet r;
  impl_->CheckSchemaVersion();
  r.columns = impl_->Columns(s, t.updatable);
  int first = t.updatable ? 1 : 0;
  int n = sqlite3_column_count(s);
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    for (int i = first; i < n; ++i) r.store.cells.push_back(ReadCell(s, i, r.store));
    ++r.rowCount;
    if (t.updatable) r.rowids.push_back(sqlite3_column_int64(s, 0));
  }
  if (rc != SQLITE_DONE) {
    sqlite3_reset(s);
    impl_->Fail(rc, &t, path_);
  }
  sqlite3_reset(s);
  sqlite3_clear_bindings(s);
  // Expressions whose type the schema does not tell take it from the values.
  for (size_t c = 0; c < r.columns.size(); ++c) {
    if (r.columns[c].type != JetType::Unknown) continue;
    JetType guess = JetType::Unknown;
    for (size_t row = 0; row < r.rowCount; ++row) {
      const Cell& v = r.store.cells[row * r.columns.size() + c];
      if (v.kind == Value::Null) continue;
      JetType k = v.kind == Value::Int    ? ((v.i >= INT32_MIN && v.i <= INT32_MAX) ? JetType::Long : JetType::BigInt)
                  : v.kind == Value::Real ? JetType::Double
                  : v.kind == Value::Text ? JetType::Memo
                                          : JetType::Binary;
      if (guess == JetType::Unknown || guess == JetType::Long) guess = k;
      else if (guess != k && !(guess == JetType::Double && k == JetType::Long)) guess = JetType::Memo;
    }
    r.columns[c].type = guess == JetType::Unknown ? JetType::Long : guess;
  }
  return r;
}

// ---- Reader ------------------------------------------------------------------------------
struct Database::Reader::State {
  Database* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  Translation t;
  int first = 0;
};

Database::Reader::Reader(std::unique_ptr<State> state) : state_(std::move(state)) {}
Database::Reader::~Reader() {
  if (state_) sqlite3_finalize(state_->stmt);
}

std::unique_ptr<Database::Reader> Database::OpenReader(const Translation& t) {
  auto st = std::make_unique<Reader::State>();
  st->db = this;
  st->t = t;
  // A reader's rows are never changed through it: the statement does not
  // ask for the hidden row id an updatable result carries.
  const Translation& made = t.kept ? *t.kept : t;
  if (t.updatable && made.rowidLength) {
    std::string sql = made.sql;
    sql.erase(made.rowidAt, made.rowidLength);
    st->stmt = impl_->Prepare(sql, path_, false);
  } else {
    st->stmt = impl_->Prepare(t.Sql(), path_, false);
  }
  impl_->Bind(st->stmt, st->t.params);
  st->first = 0;
  impl_->CheckSchemaVersion();
  auto cols = impl_->Columns(st->stmt, false);
  auto r = std::make_unique<Reader>(std::move(st));
  r->columns_ = std::move(cols);
  return r;
}

bool Database::Reader::Next() {
  int rc = sqlite3_step(state_->stmt);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Fail(rc);
}
int Database::Reader::TryNext() noexcept {
  int rc = sqlite3_step(state_->stmt);
  return rc == SQLITE_ROW ? 1 : rc == SQLITE_DONE ? 0 : -rc;
}
void Database::Reader::Fail(int code) const { state_->db->impl_->Fail(code, &state_->t, state_->db->path_); }

Value Database::Reader::Get(int column) const { return ReadValue(state_->stmt, column + state_->first); }
void Database::Reader::ReadRow(CellStore& store) const {
  int n = sqlite3_column_count(state_->stmt);
  for (int i = state_->first; i < n; ++i) store.cells.push_back(ReadCell(state_->stmt, i, store));
}
Cell Database::Reader::Peek(int column, const void** text) const {
  sqlite3_value* v = sqlite3_column_value(state_->stmt, column + state_->first);
  Cell c;
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      c.kind = Value::Int;
      c.i = sqlite3_value_int64(v);
      break;
    case SQLITE_FLOAT:
      c.kind = Value::Real;
      c.r = sqlite3_value_double(v);
      break;
    case SQLITE_TEXT:
      c.kind = Value::Text;
      *text = sqlite3_value_text16(v);
      c.length = static_cast<uint32_t>(sqlite3_value_bytes16(v) / 2);
      break;
    case SQLITE_BLOB:
      c.kind = Value::Blob;
      break;
    default:
      break;
  }
  return c;
}
bool Database::Reader::ReadQuick(size_t column, VARIANT* out) const noexcept {
  if (column >= columns_.size()) return false;
  const JetType type = columns_[column].type;
  VARIANT made;
  std::memset(static_cast<void*>(&made), 0, sizeof made);
  // One fetch of the column, its value read with the sqlite3_value_* calls (see ReadCell).
  sqlite3_value* v = sqlite3_column_value(state_->stmt, static_cast<int>(column) + state_->first);
  bool ok = false;
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      ok = NumberToVariant(true, sqlite3_value_int64(v), 0, type, &made);
      break;
    case SQLITE_FLOAT:
      ok = NumberToVariant(false, 0, sqlite3_value_double(v), type, &made);
      break;
    case SQLITE_NULL:
      made.vt = VT_NULL;
      ok = true;
      break;
    case SQLITE_TEXT:
      if (type == JetType::Text || type == JetType::Memo) {
        const void* text = sqlite3_value_text16(v);
        ok = TextToVariant(text, static_cast<uint32_t>(sqlite3_value_bytes16(v) / 2), &made);
      }
      break;
    default:
      break;
  }
  if (ok) *out = made;
  return ok;
}
int64_t Database::Reader::RowId() const { return state_->first ? sqlite3_column_int64(state_->stmt, 0) : 0; }

// ---- transactions ------------------------------------------------------------------------
void Database::BeginTransaction() {
  if (inTransaction_) throw Failure(kErrGeneric, u"A transaction is already open; transactions cannot be nested.");
  ExecRaw("BEGIN");
  impl_->schemaCheckedInTransaction = false;
  inTransaction_ = true;
}

void Database::CommitTransaction() {
  if (!inTransaction_) throw Failure(kErrGeneric, u"There is no open transaction to commit.");
  ExecRaw("COMMIT");
  inTransaction_ = false;
}

void Database::RollbackTransaction() {
  if (!inTransaction_) throw Failure(kErrGeneric, u"There is no open transaction to roll back.");
  inTransaction_ = false;
  ExecRaw("ROLLBACK");
}

}  // namespace pv::ado
