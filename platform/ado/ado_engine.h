// The database engine under the ADO objects: the Jet dialect translator and
// the SQLite connection wrapper. sqlite3.h stays inside the .cpp files.
//
// Text is UTF-16 throughout. Every literal of a Jet statement (text, date,
// number) is lifted into a bound parameter, so any sequence of UTF-16 units
// (zero units, apostrophes, unpaired surrogates) reaches the file intact and
// nothing inside a literal can change a statement's meaning.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ado/ado_store.h"
#include "platform/base/wintypes.h"

struct VARIANT;

namespace pv::ado {

// A database failure: the HRESULT an ADO call reports and a description a
// user can read (English, naming the table, field or token).
class Failure : public std::exception {
 public:
  Failure(HRESULT hr, std::u16string description) : hr_(hr), description_(std::move(description)) {}
  HRESULT hr() const { return hr_; }
  const std::u16string& description() const { return description_; }
  const char* what() const noexcept override;

 private:
  HRESULT hr_;
  std::u16string description_;
  mutable std::string utf8_;
};

// Error codes reported by the layer (the values callers of ADO know).
constexpr HRESULT kErrSyntax = static_cast<HRESULT>(0x80040E14u);        // errors in command
constexpr HRESULT kErrNoTable = static_cast<HRESULT>(0x80040E37u);       // table does not exist
constexpr HRESULT kErrNoValue = static_cast<HRESULT>(0x80040E10u);       // unknown field / no value
constexpr HRESULT kErrTypeMismatch = static_cast<HRESULT>(0x80040E07u);  // cannot convert value
constexpr HRESULT kErrIntegrity = static_cast<HRESULT>(0x80040E2Fu);     // duplicate key, NOT NULL
constexpr HRESULT kErrDataOverflow = static_cast<HRESULT>(0x80040E57u);  // value too long / out of range
constexpr HRESULT kErrGeneric = static_cast<HRESULT>(0x80004005u);       // E_FAIL
constexpr HRESULT kErrFileNotFound = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT kErrNotDatabase = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT kErrAlreadyExists = static_cast<HRESULT>(0x80040E17u);
constexpr HRESULT kErrBusy = static_cast<HRESULT>(0x80004005u);

// A failure of creating `table`, its description naming the table.
Failure NamingTable(const Failure& failure, std::u16string_view table);

// The application id the layer writes into the files it creates ('PVNR'):
// only such files are ever switched to the write-ahead log on opening.
constexpr int32_t kApplicationId = 1347833426;

// Column types as the Jet dialect declares them.
enum class JetType : int {
  Unknown,
  Counter,   // COUNTER: 32-bit key, never reused
  Long,      // LONG, INTEGER
  Short,     // SHORT, SMALLINT
  Byte,      // BYTE
  Single,    // SINGLE
  Double,    // FLOAT, DOUBLE
  Currency,  // CURRENCY
  DateTime,  // DATETIME: days since 30 December 1899 (REAL)
  Bit,       // logical, YESNO, BIT: true is -1
  Text,      // TEXT(n): at most n UTF-16 units
  Memo,      // MEMO
  Binary,    // LONGBINARY
  BigInt,    // 64-bit values of expressions
};

struct ColumnInfo {
  std::u16string name;
  JetType type = JetType::Unknown;
  int size = 0;  // TEXT(n): n
  bool notNull = false;
  bool primaryKey = false;
};

struct TableInfo {
  std::u16string name;
  std::vector<ColumnInfo> columns;
  const ColumnInfo* Find(std::u16string_view column) const;
};

// Maps a declared column type (Jet words or the words the layer writes into
// the SQLite schema) to a Jet type; `size` receives TEXT(n)'s n.
JetType JetTypeFromDeclared(std::u16string_view declared, bool autoIncrement, int* size);

// Looks tables up for the translator (case-insensitive names).
class SchemaLookup {
 public:
  virtual const TableInfo* FindTable(std::u16string_view name) = 0;

 protected:
  ~SchemaLookup() = default;
};

// A bound value.
struct Value {
  enum Kind : uint8_t { Null, Int, Real, Text, Blob };
  Kind kind = Null;
  int64_t i = 0;
  double r = 0;
  std::u16string s;           // Text
  std::vector<uint8_t> blob;  // Blob
  static Value FromInt(int64_t v) {
    Value x;
    x.kind = Int;
    x.i = v;
    return x;
  }
  static Value FromReal(double v) {
    Value x;
    x.kind = Real;
    x.r = v;
    return x;
  }
  static Value FromText(std::u16string v) {
    Value x;
    x.kind = Text;
    x.s = std::move(v);
    return x;
  }
  bool operator==(const Value& o) const = default;
};

enum class StatementKind { Select, Insert, Update, Delete, CreateTable, DropTable, Other };

// Where a value bound to a `?` marker of the Jet text went, and how it was
// converted for its place: what a kept translation needs to take new values.
struct BoundSlot {
  enum Conversion : uint8_t { AsIs, Stored, Compared };
  size_t param = 0;  // index into Translation::params
  Conversion conversion = AsIs;
  ColumnInfo column;     // Stored, Compared: the column
  std::u16string field;  // "TABLE.field" for messages
};

struct Translation {
  StatementKind kind = StatementKind::Other;
  std::string sql;  // SQLite text (UTF-8); literals are `?` parameters
  std::vector<Value> params;
  std::u16string table;                 // the statement's table (base table of an updatable SELECT)
  bool updatable = false;               // single-table SELECT: result column 0 is the hidden row id
  size_t rowidAt = 0, rowidLength = 0;  // where that column is asked for in `sql`
  std::vector<BoundSlot> bound;         // one per `?` marker of the Jet text, in order
  // A translation made from a kept one shares its text instead of copying it.
  std::shared_ptr<const Translation> kept;
  const std::string& Sql() const { return kept ? kept->sql : sql; }
};

// A value for `slot` converted exactly as the translator converted the value
// it was made with (refusals included).
Value ConvertBound(const BoundSlot& slot, Value v);

// Translates one Jet statement. `external` supplies the values of `?`
// placeholders, in order. Throws Failure on a syntax error, a bad date, a
// text literal that does not fit a DATETIME column, etc.
Translation TranslateJet(std::u16string_view jet, SchemaLookup& schema, const std::vector<Value>* external = nullptr);

// ---- dates: days since 30 December 1899, the time as the fraction --------------------
// Parses what Jet accepts for a date: "yyyy-mm-dd", "yyyy/mm/dd", "m/d/yyyy",
// "yyyymmdd", each with an optional time "hh:mm[:ss]" (AM/PM allowed), or a
// time alone (on the zero date). Returns false for anything else or for a
// day that does not exist.
bool ParseJetDate(std::u16string_view text, double* date);
// days-since-1899 from calendar parts (0 when a part is out of range);
// negative dates keep the time as a positive fraction. Both use the base
// layer's calendar (pv::FieldsToDate, pv::DateToFields): years 100..9999,
// times rounded to the nearest second, halves going forward in time.
double DateFromParts(int year, int month, int day, int hour, int minute, int second);
bool DateToParts(double date, int* year, int* month, int* day, int* hour, int* minute, int* second);
// "yyyy-mm-dd hh:mm:ss" (time left out at midnight, date left out on the zero date).
std::u16string FormatJetDate(double date);

// ---- text ---------------------------------------------------------------------------
// Case folding used for comparisons and LIKE (ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic, full-width Latin); other units compare as they are.
char16_t FoldCase(char16_t c);
int CompareNoCase(std::u16string_view a, std::u16string_view b);
// LIKE with `%` (any run), `_` (one unit) and Jet's bracket classes
// (`[abc]`, `[a-c]`, `[!a-c]`; `[%]` and `[_]` match those characters
// literally), without regard to case. A `[` without a closing `]`, or `[]`,
// is an ordinary character.
bool JetLike(std::u16string_view text, std::u16string_view pattern, char16_t escape = 0);

// Makes a Jet text literal: the value between apostrophes with every
// apostrophe doubled. Any UTF-16 units survive (the translator binds the
// literal as a parameter), so this is the one safe way to put user text
// into a statement.
std::u16string QuoteJetText(std::u16string_view text);

// ---- the connection -------------------------------------------------------------------
struct ResultColumn {
  std::u16string name;
  std::u16string table;   // origin table (empty for expressions)
  std::u16string column;  // origin column
  JetType type = JetType::Unknown;
  int size = 0;
  bool nullable = true;
  bool counter = false;
};

// A stored value of a result: numbers inline, text in the store's arena
// (one allocation for all the text of a result, not one per value).
struct Cell {
  Value::Kind kind = Value::Null;
  uint32_t length = 0;  // text units
  union {
    int64_t i = 0;
    double r;
    uint64_t offset;  // text: into the arena; blob: index into blobs
  };
};

// The cells of a result in store blocks (see ado_store.h).
using CellBlocks = StoreArray<Cell>;

struct CellStore {
  CellBlocks cells;
  TextArena arena;  // the text of all cells
  std::vector<std::vector<uint8_t>> blobs;
  Cell Put(const Value& v);
  Value Get(const Cell& c) const;
  std::u16string_view Text(const Cell& c) const { return arena.View(c.offset, c.length); }
};

struct ResultSet {
  std::vector<ResultColumn> columns;  // without the hidden row id
  CellStore store;                    // rowCount * columns.size() cells, row by row
  size_t rowCount = 0;
  StoreArray<int64_t> rowids;  // updatable results only
  Value Get(size_t row, size_t column) const { return store.Get(store.cells[row * columns.size() + column]); }
};

class Database final : public SchemaLookup {
 public:
  // Opens an existing file. A missing file, a file that is not an SQLite
  // database, a truncated or corrupt file: Failure, and the file is not
  // written to.
  static std::unique_ptr<Database> Open(const std::u16string& path);
  // Makes a new, empty database file (UTF-16 text, write-ahead log). An
  // existing file is an error and is left alone.
  static void Create(const std::u16string& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const std::u16string& path() const { return path_; }
  const TableInfo* FindTable(std::u16string_view name) override;
  std::vector<std::u16string> TableNames();

  // Translations are kept per statement text (until the schema changes), so
  // a statement run again with other bound values is not translated again.
  Translation Translate(std::u16string_view jet, const std::vector<Value>* external = nullptr);
  // Runs a statement that returns no rows; the result is the number of rows
  // changed (-1 for DDL).
  long Execute(const Translation& t);
  ResultSet Query(const Translation& t);
  // Steps a query row by row without keeping the rows (forward-only reads).
  class Reader;
  std::unique_ptr<Reader> OpenReader(const Translation& t);

  // Runs raw SQLite text (the layer's own statements).
  void ExecRaw(const char* sql);
  int64_t LastInsertRowid();
  // The file's application id; kApplicationId for files Create made.
  int32_t ApplicationId();

  void BeginTransaction();
  void CommitTransaction();
  void RollbackTransaction();
  bool InTransaction() const { return inTransaction_; }

  struct Impl;

 private:
  explicit Database(std::u16string path);
  long ExecuteStatement(const Translation& t);
  std::u16string path_;
  std::unique_ptr<Impl> impl_;
  bool inTransaction_ = false;
  friend class Reader;
};

class Database::Reader {
 public:
  ~Reader();
  const std::vector<ResultColumn>& columns() const { return columns_; }
  bool Next();  // false at the end
  Value Get(int column) const;
  void ReadRow(CellStore& store) const;  // appends the current row's cells
  // A value of the current row without copying it: numbers in the cell,
  // text as `*text` (`length` units at any alignment, valid until the
  // reader moves). A blob answers only its kind; read it with Get.
  Cell Peek(int column, const void** text) const;
  // A walk's read of the current row's value of `column` as the VARIANT of
  // its declared type, for the conversions that cannot fail (a number the
  // type takes as it is, a null, text of a text column). False for anything
  // else, for a column that is not there, and when memory runs out; `out`
  // is then left for the full conversion.
  bool ReadQuick(size_t column, VARIANT* out) const noexcept;
  // Next without throwing: 1 on a row, 0 at the end, or the negated SQLite
  // error code, which Fail turns into the failure Next would have thrown.
  int TryNext() noexcept;
  [[noreturn]] void Fail(int code) const;
  int64_t RowId() const;

  struct State;
  explicit Reader(std::unique_ptr<State> state);

 private:
  std::unique_ptr<State> state_;
  std::vector<ResultColumn> columns_;
  friend class Database;
};

}  // namespace pv::ado
