// Jet SQL text -> SQLite SQL text with bound parameters.
//
// The translator tokenises the statement, quotes every identifier (names
// keep any case; SQLite matches them without regard to ASCII case), lifts
// every literal into a parameter, turns `#date#` and CDATE('text') into
// day numbers, converts quoted text compared with or assigned to a
// DATETIME column into a date as Jet does, and rewrites Jet DDL types into
// declarations that keep the Jet type visible in the SQLite schema.
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "platform/ado/ado_engine.h"
#include "platform/base/utf.h"

namespace pv::ado {

const ColumnInfo* TableInfo::Find(std::u16string_view column) const {
  for (const ColumnInfo& c : columns)
    if (CompareNoCase(c.name, column) == 0) return &c;
  return nullptr;
}

namespace {

std::u16string Upper(std::u16string_view s) {
  std::u16string r(s);
  for (char16_t& c : r)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return r;
}

bool IEq(std::u16string_view a, const char* b) {
  size_t n = 0;
  for (; b[n]; ++n) {
    if (n >= a.size()) return false;
    char16_t c = a[n];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    char d = b[n];
    if (d >= 'a' && d <= 'z') d = static_cast<char>(d - 32);
    if (c != static_cast<char16_t>(d)) return false;
  }
  return n == a.size();
}

std::u16string U(const char* s) { return pv::Utf8ToUtf16(s); }

std::u16string_view Trimmed(std::u16string_view s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.remove_suffix(1);
  return s;
}

// A decimal number as text ("12", " -1.5 ", "2e3"): an Int when it has no
// fraction or exponent and fits, else a Real. Hex, "inf", "nan" and empty
// text are not numbers.
bool ParseNumberText(std::u16string_view text, Value* out) {
  std::u16string_view s = Trimmed(text);
  size_t i = 0;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ++i;
  size_t digits = 0;
  bool integral = true;
  while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') ++i, ++digits;
  if (i < s.size() && s[i] == u'.') {
    integral = false;
    ++i;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
    integral = false;
    ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ++i;
    size_t exponent = 0;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') ++i, ++exponent;
    if (exponent == 0) return false;
  }
  if (i != s.size()) return false;
  std::string ascii(s.begin(), s.end());  // only ASCII digits, signs, '.' and 'e' remain
  if (integral) {
    errno = 0;
    long long n = std::strtoll(ascii.c_str(), nullptr, 10);
    if (errno != ERANGE) {
      *out = Value::FromInt(n);
      return true;
    }
  }
  double d = std::strtod(ascii.c_str(), nullptr);
  if (!std::isfinite(d)) return false;
  *out = Value::FromReal(d);
  return true;
}

[[noreturn]] void SyntaxError(std::u16string_view near, const char* what = nullptr) {
  std::u16string msg = u"Syntax error in the SQL statement";
  if (what) msg += u" (" + U(what) + u")";
  if (near.empty()) msg += u" at its end.";
  else msg += u" near '" + std::u16string(near) + u"'.";
  throw Failure(kErrSyntax, msg);
}

}  // namespace

Failure NamingTable(const Failure& failure, std::u16string_view table) {
  const std::u16string named = u"'" + std::u16string(table) + u"'";
  if (table.empty() || failure.description().find(named) != std::u16string::npos) return failure;
  return Failure(failure.hr(), u"The table " + named + u" could not be created: " + failure.description());
}

JetType JetTypeFromDeclared(std::u16string_view declared, bool autoIncrement, int* size) {
  std::u16string d = Upper(declared);
  // strip "(n[,m])"
  int n = 0;
  size_t paren = d.find(u'(');
  if (paren != std::u16string::npos) {
    for (size_t i = paren + 1; i < d.size() && d[i] >= u'0' && d[i] <= u'9'; ++i) n = n * 10 + (d[i] - u'0');
    d.resize(paren);
  }
  while (!d.empty() && d.back() == u' ') d.pop_back();
  if (size) *size = 0;
  auto is = [&](std::initializer_list<const char*> names) {
    for (const char* x : names)
      if (IEq(d, x)) return true;
    return false;
  };
  if (is({"COUNTER", "AUTOINCREMENT", "IDENTITY"})) return JetType::Counter;
  if (is({"INTEGER", "INT", "LONG", "INTEGER4"})) return autoIncrement ? JetType::Counter : JetType::Long;
  if (is({"SMALLINT", "SHORT", "INTEGER2"})) return JetType::Short;
  if (is({"TINYINT", "BYTE", "INTEGER1"})) return JetType::Byte;
  if (is({"SINGLE", "REAL", "FLOAT4", "IEEESINGLE"})) return JetType::Single;
  if (is({"FLOAT", "DOUBLE", "FLOAT8", "IEEEDOUBLE", "DOUBLE PRECISION", "NUMBER"})) return JetType::Double;
  if (is({"CURRENCY", "MONEY"})) return JetType::Currency;
  if (is({"DATETIME", "DATE", "TIME", "TIMESTAMP"})) return JetType::DateTime;
  if (is({"BIT", "LOGICAL", "LOGICAL1", "YESNO", "BOOLEAN"})) return JetType::Bit;
  if (is({"TEXT", "CHAR", "VARCHAR", "CHARACTER", "STRING", "ALPHANUMERIC", "NVARCHAR", "NCHAR"})) {
    if (size) *size = n > 0 ? n : 255;
    return JetType::Text;
  }
  if (is({"MEMO", "LONGTEXT", "LONGCHAR", "NOTE", "NTEXT"})) return JetType::Memo;
  if (is({"BINARY", "VARBINARY", "LONGBINARY", "OLEOBJECT", "GENERAL", "IMAGE", "BLOB"})) return JetType::Binary;
  if (is({"BIGINT"})) return JetType::BigInt;
  return JetType::Unknown;
}

namespace {

struct Tok {
  enum Kind { Ident, QIdent, Number, String, Date, Op, Param, End } kind = End;
  std::u16string text;
  double date = 0;
};

bool IsIdentStart(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c >= 0x80; }
bool IsIdentPart(char16_t c) { return IsIdentStart(c) || (c >= u'0' && c <= u'9') || c == u'$'; }

std::vector<Tok> Tokenize(std::u16string_view s) {
  std::vector<Tok> out;
  size_t i = 0;
  while (i < s.size()) {
    char16_t c = s[i];
    if (c <= u' ') {
      ++i;
      continue;
    }
    Tok t;
    if (c == u'\'' || c == u'"') {
      char16_t q = c;
      size_t j = i + 1;
      t.kind = Tok::String;
      for (;;) {
        if (j >= s.size()) SyntaxError(s.substr(i, 20), "missing closing quote");
        if (s[j] == q) {
          if (j + 1 < s.size() && s[j + 1] == q) {
            t.text.push_back(q);
            j += 2;
            continue;
          }
          break;
        }
        t.text.push_back(s[j++]);
      }
      i = j + 1;
    } else if (c == u'[' || c == u'`') {
      char16_t close = c == u'[' ? u']' : u'`';
      size_t j = s.find(close, i + 1);
      if (j == std::u16string_view::npos) SyntaxError(s.substr(i, 20), "missing closing bracket");
      t.kind = Tok::QIdent;
      t.text = s.substr(i + 1, j - i - 1);
      if (t.text.empty()) SyntaxError(s.substr(i, 2), "empty name");
      i = j + 1;
    } else if (c == u'#') {
      size_t j = s.find(u'#', i + 1);
      if (j == std::u16string_view::npos) SyntaxError(s.substr(i, 20), "missing closing # of a date");
      t.kind = Tok::Date;
      t.text = s.substr(i, j - i + 1);
      if (!ParseJetDate(s.substr(i + 1, j - i - 1), &t.date))
        throw Failure(kErrSyntax, u"Syntax error in the date " + t.text + u" of the SQL statement.");
      i = j + 1;
    } else if ((c >= u'0' && c <= u'9') || (c == u'.' && i + 1 < s.size() && s[i + 1] >= u'0' && s[i + 1] <= u'9')) {
      size_t j = i;
      while (j < s.size() && ((s[j] >= u'0' && s[j] <= u'9') || s[j] == u'.')) ++j;
      if (j < s.size() && (s[j] == u'e' || s[j] == u'E')) {
        size_t k = j + 1;
        if (k < s.size() && (s[k] == u'+' || s[k] == u'-')) ++k;
        if (k < s.size() && s[k] >= u'0' && s[k] <= u'9') {
          j = k;
          while (j < s.size() && s[j] >= u'0' && s[j] <= u'9') ++j;
        }
      }
      t.kind = Tok::Number;
      t.text = s.substr(i, j - i);
      if (j < s.size() && IsIdentStart(s[j])) SyntaxError(s.substr(i, j - i + 8), "bad number");
      i = j;
    } else if (IsIdentStart(c)) {
      size_t j = i;
      while (j < s.size() && IsIdentPart(s[j])) ++j;
      t.kind = Tok::Ident;
      t.text = s.substr(i, j - i);
      i = j;
    } else if (c == u'?') {
      t.kind = Tok::Param;
      t.text = u"?";
      ++i;
    } else {
      static const char* two[] = {"<>", "<=", ">=", "!=", "||"};
      t.kind = Tok::Op;
      for (const char* op : two) {
        if (i + 1 < s.size() && s[i] == static_cast<char16_t>(op[0]) && s[i + 1] == static_cast<char16_t>(op[1])) {
          t.text = U(op);
          break;
        }
      }
      if (t.text.empty()) {
        static const std::u16string_view singles = u"=<>+-*/&(),.;%^\\";
        if (singles.find(c) == std::u16string_view::npos) SyntaxError(s.substr(i, 1), "unexpected character");
        t.text = std::u16string(1, c);
      }
      i += t.text.size();
    }
    out.push_back(std::move(t));
  }
  // A trailing ';' is allowed; anything after a ';' is a second statement.
  for (size_t k = 0; k < out.size(); ++k) {
    if (out[k].kind == Tok::Op && out[k].text == u";") {
      if (k + 1 != out.size()) SyntaxError(out[k + 1].text, "characters found after the end of the SQL statement");
      out.pop_back();
      break;
    }
  }
  out.push_back(Tok{});
  return out;
}

const char* const kKeywords[] = {
    "SELECT",     "FROM",       "WHERE",   "AND",    "OR",     "NOT",    "IN",     "IS",      "NULL",    "LIKE",
    "BETWEEN",    "INSERT",     "INTO",    "VALUES", "UPDATE", "SET",    "DELETE", "ORDER",   "BY",      "GROUP",
    "HAVING",     "ASC",        "DESC",    "AS",     "INNER",  "LEFT",   "RIGHT",  "OUTER",   "JOIN",    "ON",
    "DISTINCT",   "UNION",      "ALL",     "CREATE", "TABLE",  "DROP",   "INDEX",  "PRIMARY", "KEY",     "UNIQUE",
    "CONSTRAINT", "DEFAULT",    "EXISTS",  "CASE",   "WHEN",   "THEN",   "ELSE",   "END",     "ESCAPE",  "CROSS",
    "FULL",       "REFERENCES", "FOREIGN", "ALTER",  "ADD",    "COLUMN", "LIMIT",  "OFFSET",  "COLLATE", "CHECK"};

bool IsKeyword(const Tok& t) {
  if (t.kind != Tok::Ident) return false;
  for (const char* k : kKeywords)
    if (IEq(t.text, k)) return true;
  return false;
}

bool IsKw(const Tok& t, const char* k) { return t.kind == Tok::Ident && IEq(t.text, k); }
bool IsOp(const Tok& t, const char* op) { return t.kind == Tok::Op && IEq(t.text, op); }
bool IsName(const Tok& t) { return t.kind == Tok::QIdent || (t.kind == Tok::Ident && !IsKeyword(t)); }
bool IsCompare(const Tok& t) {
  return t.kind == Tok::Op && (t.text == u"=" || t.text == u"<>" || t.text == u"!=" || t.text == u"<" ||
                               t.text == u">" || t.text == u"<=" || t.text == u">=");
}

void AppendQuoted(std::string& out, std::u16string_view name) {
  out.push_back('"');
  std::string u8 = pv::Utf16ToUtf8(name);
  for (char c : u8) {
    out.push_back(c);
    if (c == '"') out.push_back('"');
  }
  out.push_back('"');
}

// `field` gives "TABLE.field" for the messages; it is called only on a refusal.
template <class FieldName>
[[noreturn]] void Mismatch(std::u16string_view text, const FieldName& field, const char* kind, const char* kinds) {
  throw Failure(kErrTypeMismatch, u"Data type mismatch: '" + std::u16string(text) + u"' is not " + U(kind) +
                                      u", but the field '" + std::u16string(field()) + u"' holds " + U(kinds) + u".");
}
template <class FieldName>
[[noreturn]] void OutOfRange(const FieldName& field) {
  throw Failure(kErrDataOverflow, u"The value is out of range for the field '" + std::u16string(field()) + u"'.");
}

// A value stored into column `c` (INSERT values, UPDATE SET), whether a
// literal or a bound value, converted as Jet converts it: text to a date,
// a number or a yes/no value, any true value to -1, a fraction rounded
// (half to even) for a whole-number field. What cannot be converted is
// refused. `negated`: a '-' already written before the value.
template <class FieldName>
Value StoredInColumn(Value v, const ColumnInfo& c, const FieldName& field, bool negated) {
  if (v.kind == Value::Null || v.kind == Value::Blob) return v;
  switch (c.type) {
    case JetType::DateTime:
      if (v.kind == Value::Text) {
        double d;
        if (!ParseJetDate(v.s, &d)) Mismatch(v.s, field, "a date", "dates");
        return Value::FromReal(d);
      }
      {
        // A number is a date as it stands; one no date field can hold
        // (before the year 100, after 9999) is refused, not stored unreadable.
        double d = v.kind == Value::Int ? static_cast<double>(v.i) : v.r;
        int y, m, day, h, mi, sec;
        if (!DateToParts(negated ? -d : d, &y, &m, &day, &h, &mi, &sec)) OutOfRange(field);
      }
      return v;
    case JetType::Bit: {
      if (v.kind == Value::Text) {
        std::u16string_view t = Trimmed(v.s);
        if (IEq(t, "TRUE") || IEq(t, "YES") || IEq(t, "ON")) return Value::FromInt(-1);
        if (IEq(t, "FALSE") || IEq(t, "NO") || IEq(t, "OFF")) return Value::FromInt(0);
        Value n;
        if (!ParseNumberText(v.s, &n)) Mismatch(v.s, field, "a yes/no value", "yes/no values");
        v = n;
      }
      bool isTrue = v.kind == Value::Int ? v.i != 0 : v.r != 0;
      // Jet stores any true value as -1.
      return Value::FromInt(isTrue ? (negated ? 1 : -1) : 0);
    }
    case JetType::Counter:
    case JetType::Long:
    case JetType::Short:
    case JetType::Byte:
    case JetType::BigInt: {
      if (v.kind == Value::Text) {
        Value n;
        if (!ParseNumberText(v.s, &n)) Mismatch(v.s, field, "a number", "numbers");
        v = n;
      }
      if (v.kind == Value::Real) {
        double r = std::nearbyint(v.r);  // the default rounding: half to even
        if (!(r >= -9.2e18 && r <= 9.2e18)) OutOfRange(field);
        v = Value::FromInt(static_cast<int64_t>(r));
      }
      int64_t stored = negated ? -v.i : v.i;
      if ((c.type == JetType::Long || c.type == JetType::Counter) && (stored < INT32_MIN || stored > INT32_MAX))
        OutOfRange(field);
      return v;
    }
    case JetType::Single:
    case JetType::Double:
    case JetType::Currency:
      if (v.kind == Value::Text) {
        Value n;
        if (!ParseNumberText(v.s, &n)) Mismatch(v.s, field, "a number", "numbers");
        return n;
      }
      return v;
    default:
      return v;
  }
}
// A value compared with column `c`: text compared with a date becomes a date.
template <class FieldName>
Value ComparedWithColumn(Value v, const ColumnInfo& c, const FieldName& field) {
  if (c.type != JetType::DateTime || v.kind != Value::Text) return v;
  double d;
  if (!ParseJetDate(v.s, &d)) Mismatch(v.s, field, "a date", "dates");
  return Value::FromReal(d);
}

struct TableRef {
  std::u16string name;
  std::u16string alias;
  const TableInfo* info = nullptr;
};

class Translator {
 public:
  Translator(std::u16string_view text, SchemaLookup& schema, const std::vector<Value>* external)
      : toks_(Tokenize(text)), schema_(schema), external_(external) {}

  Translation Run() {
    const Tok& first = toks_[0];
    if (first.kind == Tok::End) throw Failure(kErrSyntax, u"The SQL statement is empty.");
    if (IsKw(first, "CREATE") && IsKw(toks_[1], "TABLE")) {
      try {
        return CreateTable();
      } catch (const Failure& e) {
        throw NamingTable(e, IsName(toks_[2]) ? toks_[2].text : std::u16string());
      }
    }
    if (IsKw(first, "SELECT")) out_.kind = StatementKind::Select;
    else if (IsKw(first, "INSERT")) out_.kind = StatementKind::Insert;
    else if (IsKw(first, "UPDATE")) out_.kind = StatementKind::Update;
    else if (IsKw(first, "DELETE")) out_.kind = StatementKind::Delete;
    else if (IsKw(first, "DROP") && IsKw(toks_[1], "TABLE")) out_.kind = StatementKind::DropTable;
    else if (IsKw(first, "CREATE") || IsKw(first, "DROP") || IsKw(first, "ALTER")) out_.kind = StatementKind::Other;
    else SyntaxError(first.text, "expected SELECT, INSERT, UPDATE, DELETE, CREATE or DROP");
    CollectTables();
    if (out_.kind == StatementKind::Select) DecideUpdatable();
    if (out_.kind == StatementKind::Insert) MapInsertValues();
    Emit();
    if (external_ && externalUsed_ != external_->size())
      throw Failure(kErrSyntax, u"The statement has fewer parameter markers than values were given.");
    return std::move(out_);
  }

 private:
  std::vector<Tok> toks_;
  SchemaLookup& schema_;
  const std::vector<Value>* external_;
  size_t externalUsed_ = 0;
  Translation out_;
  std::vector<TableRef> tables_;
  // For INSERT ... VALUES: token index of each value that is a lone literal -> column.
  std::vector<std::pair<size_t, const ColumnInfo*>> insertTargets_;
  size_t topValue_ = 0;  // index of TOP's number token, 0 when none

  const TableInfo* Lookup(std::u16string_view name) { return schema_.FindTable(name); }

  void CollectTables() {
    for (size_t i = 0; i + 1 < toks_.size(); ++i) {
      const Tok& t = toks_[i];
      bool introducer = IsKw(t, "FROM") || IsKw(t, "JOIN") || IsKw(t, "INTO") || (IsKw(t, "UPDATE") && i == 0) ||
                        (IsKw(t, "TABLE") && i == 1 && IsKw(toks_[0], "DROP")) || (IsOp(t, ",") && InFromList(i));
      if (!introducer || !IsName(toks_[i + 1])) continue;
      TableRef ref;
      ref.name = toks_[i + 1].text;
      ref.info = Lookup(ref.name);
      size_t j = i + 2;
      if (IsKw(toks_[j], "AS")) ++j;
      if (IsName(toks_[j]) && !(toks_[j].kind == Tok::Ident && IEq(toks_[j].text, "SET"))) ref.alias = toks_[j].text;
      tables_.push_back(std::move(ref));
    }
    if (out_.kind == StatementKind::Insert || out_.kind == StatementKind::Update ||
        out_.kind == StatementKind::Delete || out_.kind == StatementKind::DropTable) {
      if (tables_.empty()) SyntaxError(toks_[1].text, "missing table name");
      out_.table = tables_[0].name;
    }
  }

  // Is the comma at `i` part of a FROM list (depth 0 after FROM, before WHERE...)?
  bool InFromList(size_t i) const {
    int depth = 0;
    for (size_t k = i; k-- > 0;) {
      const Tok& t = toks_[k];
      if (IsOp(t, ")")) ++depth;
      if (IsOp(t, "(")) {
        if (depth == 0) return false;
        --depth;
      }
      if (depth) continue;
      if (IsKw(t, "FROM")) return true;
      if (IsKw(t, "SELECT") || IsKw(t, "WHERE") || IsKw(t, "SET") || IsKw(t, "VALUES") || IsKw(t, "BY") ||
          IsKw(t, "ON") || IsKw(t, "HAVING"))
        return false;
    }
    return false;
  }

  void DecideUpdatable() {
    if (tables_.size() != 1 || !tables_[0].info) return;
    int depth = 0;
    bool inSelectList = true;
    for (size_t i = 1; i < toks_.size(); ++i) {
      const Tok& t = toks_[i];
      if (IsOp(t, "(")) {
        ++depth;
        if (depth == 1 && i > 0 && IsKw(toks_[i + 1], "SELECT")) return;  // sub-query
      }
      if (IsOp(t, ")")) --depth;
      if (IsKw(t, "SELECT") && i > 0) return;
      if (depth == 0 && IsKw(t, "FROM")) inSelectList = false;
      if (IsKw(t, "DISTINCT") || IsKw(t, "GROUP") || IsKw(t, "UNION") || IsKw(t, "JOIN") || IsKw(t, "HAVING")) return;
      if (inSelectList && t.kind == Tok::Ident && IsOp(toks_[i + 1], "(")) {
        for (const char* agg : {"MAX", "MIN", "COUNT", "SUM", "AVG", "FIRST", "LAST", "STDEV", "VAR"})
          if (IEq(t.text, agg)) return;
      }
    }
    out_.updatable = true;
    out_.table = tables_[0].info->name;
  }

  // Resolves the column named by the name token at `i` (possibly qualified
  // as toks_[i-2] . toks_[i]); nullptr when unknown.
  const ColumnInfo* ColumnAt(size_t i) const {
    if (i >= toks_.size() || !IsName(toks_[i])) return nullptr;
    std::u16string_view qual;
    if (i >= 2 && IsOp(toks_[i - 1], ".") && IsName(toks_[i - 2])) qual = toks_[i - 2].text;
    if (IsOp(toks_[i + 1], ".") || IsOp(toks_[i + 1], "(")) return nullptr;
    for (const TableRef& r : tables_) {
      if (!r.info) continue;
      if (!qual.empty() && CompareNoCase(qual, r.name) != 0 && CompareNoCase(qual, r.alias) != 0) continue;
      if (const ColumnInfo* c = r.info->Find(toks_[i].text)) return c;
    }
    return nullptr;
  }
  // The column that ends right before token `i` (a name), or starts at `i`.
  const ColumnInfo* ColumnEndingBefore(size_t i) const { return i >= 1 ? ColumnAt(i - 1) : nullptr; }
  const ColumnInfo* ColumnStartingAt(size_t i) const {
    if (!IsName(toks_[i])) return nullptr;
    if (IsOp(toks_[i + 1], ".") && IsName(toks_[i + 2])) return ColumnAt(i + 2);
    return ColumnAt(i);
  }

  void MapInsertValues() {
    // INSERT INTO t (c1, c2, ...) VALUES (v1, v2, ...)
    size_t i = 0;
    while (toks_[i].kind != Tok::End && !IsOp(toks_[i], "(")) ++i;
    const TableInfo* info = tables_.empty() ? nullptr : tables_[0].info;
    std::vector<const ColumnInfo*> cols;
    if (toks_[i].kind != Tok::End && !IsKw(toks_[i - 1], "VALUES")) {
      for (++i; toks_[i].kind != Tok::End && !IsOp(toks_[i], ")"); ++i) {
        if (IsName(toks_[i])) cols.push_back(info ? info->Find(toks_[i].text) : nullptr);
      }
      while (toks_[i].kind != Tok::End && !IsKw(toks_[i], "VALUES")) ++i;
      while (toks_[i].kind != Tok::End && !IsOp(toks_[i], "(")) ++i;
    } else if (info) {
      for (const ColumnInfo& c : info->columns) cols.push_back(&c);
    }
    if (toks_[i].kind == Tok::End) return;
    size_t index = 0;
    int depth = 0;
    size_t start = i + 1;
    for (++i; toks_[i].kind != Tok::End; ++i) {
      if (IsOp(toks_[i], "(")) ++depth;
      bool close = IsOp(toks_[i], ")");
      if ((close && depth == 0) || (IsOp(toks_[i], ",") && depth == 0)) {
        bool neg = start + 2 == i && IsOp(toks_[start], "-") && toks_[start + 1].kind == Tok::Number;
        if ((start + 1 == i || neg) && index < cols.size() && cols[index])
          insertTargets_.push_back({i - 1, cols[index]});
        ++index;
        start = i + 1;
        if (close) break;
      }
      if (close) --depth;
    }
  }

  const ColumnInfo* InsertTarget(size_t i) const {
    for (const auto& [k, c] : insertTargets_)
      if (k == i) return c;
    return nullptr;
  }

  // Where a text literal at `i` meets a DATETIME column, the column; else null.
  const ColumnInfo* DateContext(size_t i) const {
    auto isDate = [](const ColumnInfo* c) { return c && c->type == JetType::DateTime ? c : nullptr; };
    if (const ColumnInfo* c = InsertTarget(i)) return isDate(c);
    if (i >= 2 && IsCompare(toks_[i - 1]))
      if (const ColumnInfo* c = isDate(ColumnEndingBefore(i - 1))) return c;
    if (IsCompare(toks_[i + 1]))
      if (const ColumnInfo* c = isDate(ColumnStartingAt(i + 2))) return c;
    if (i >= 2 && IsKw(toks_[i - 1], "BETWEEN"))
      if (const ColumnInfo* c = isDate(ColumnEndingBefore(i - 1))) return c;
    if (i >= 4 && IsKw(toks_[i - 1], "AND") && IsKw(toks_[i - 3], "BETWEEN"))
      if (const ColumnInfo* c = isDate(ColumnEndingBefore(i - 3))) return c;
    return nullptr;
  }

  // The column a number literal at `i` is assigned to (INSERT values, SET).
  const ColumnInfo* AssignTarget(size_t i, bool inSet) const {
    size_t at = i;
    if (i >= 1 && IsOp(toks_[i - 1], "-")) at = i - 1;
    if (out_.kind == StatementKind::Insert) {
      if (const ColumnInfo* c = InsertTarget(i)) return c;
    }
    if (inSet && at >= 2 && IsOp(toks_[at - 1], "=") &&
        (IsOp(toks_[i + 1], ",") || IsKw(toks_[i + 1], "WHERE") || toks_[i + 1].kind == Tok::End))
      return ColumnEndingBefore(at - 1);
    return nullptr;
  }

  void Param(Value v) {
    out_.params.push_back(std::move(v));
    out_.sql += '?';
  }

  // "TABLE.field" for messages.
  std::u16string FieldName(const ColumnInfo& c) const {
    const TableInfo* info = tables_.empty() ? nullptr : tables_[0].info;
    return info && info->Find(c.name) == &c ? info->name + u"." + c.name : c.name;
  }
  Value StoredAs(Value v, const ColumnInfo& c, bool negated = false) const {
    return StoredInColumn(
        std::move(v), c, [&] { return FieldName(c); }, negated);
  }
  Value ComparedWith(Value v, const ColumnInfo& c) const {
    return ComparedWithColumn(std::move(v), c, [&] { return FieldName(c); });
  }
  // A value at token `i` converted for the column it is stored into or compared with.
  Value ForContext(Value v, size_t i, bool inSet, bool negated = false) const {
    if (const ColumnInfo* c = AssignTarget(i, inSet)) return StoredAs(std::move(v), *c, negated);
    if (const ColumnInfo* c = DateContext(i)) return ComparedWith(std::move(v), *c);
    return v;
  }

  BoundSlot SlotFor(size_t i, bool inSet) const {
    BoundSlot slot;
    slot.param = out_.params.size();
    const ColumnInfo* c = AssignTarget(i, inSet);
    if (c) {
      slot.conversion = BoundSlot::Stored;
    } else if ((c = DateContext(i))) {
      slot.conversion = BoundSlot::Compared;
    }
    if (c) {
      slot.column = *c;
      slot.field = FieldName(*c);
    }
    return slot;
  }

  void EmitNumber(size_t i, bool lift, bool inSet) {
    const Tok& t = toks_[i];
    std::string u8 = pv::Utf16ToUtf8(t.text);
    if (!lift) {
      out_.sql += u8;
      return;
    }
    bool isInt = u8.find_first_of(".eE") == std::string::npos;
    Value v;
    if (isInt) {
      errno = 0;
      long long n = std::strtoll(u8.c_str(), nullptr, 10);
      if (errno == ERANGE) {
        v = Value::FromReal(std::strtod(u8.c_str(), nullptr));
      } else {
        v = Value::FromInt(n);
      }
    } else {
      v = Value::FromReal(std::strtod(u8.c_str(), nullptr));
    }
    // The sign of a preceding '-' is already written.
    bool negated = i >= 1 && IsOp(toks_[i - 1], "-");
    if (const ColumnInfo* c = AssignTarget(i, inSet)) v = StoredAs(std::move(v), *c, negated);
    Param(std::move(v));
  }

  void EmitString(size_t i, bool inSet) { Param(ForContext(Value::FromText(toks_[i].text), i, inSet)); }

  void Emit() {
    std::string& sql = out_.sql;
    bool inSet = false;
    bool inOrderBy = false;
    bool afterSelect = false;
    for (size_t i = 0; toks_[i].kind != Tok::End; ++i) {
      const Tok& t = toks_[i];
      if (!sql.empty()) sql += ' ';
      switch (t.kind) {
        case Tok::Ident: {
          if (IsKw(t, "SET")) inSet = true;
          if (IsKw(t, "WHERE")) inSet = false;
          if (IsKw(t, "BY") && i > 0 && (IsKw(toks_[i - 1], "ORDER") || IsKw(toks_[i - 1], "GROUP"))) inOrderBy = true;
          if (IsKw(t, "HAVING") || IsKw(t, "UNION") || IsKw(t, "LIMIT")) inOrderBy = false;
          if (IsKw(t, "TRUE")) {
            Param(Value::FromInt(-1));
            break;
          }
          if (IsKw(t, "FALSE")) {
            Param(Value::FromInt(0));
            break;
          }
          if (IsKw(t, "TOP") && afterSelect && toks_[i + 1].kind == Tok::Number) {
            topValue_ = i + 1;
            ++i;
            sql.pop_back();
            break;
          }
          if (IsKw(t, "MOD")) {
            sql += '%';
            break;
          }
          if (IsOp(toks_[i + 1], "(") && !IsKeyword(t)) {
            EmitFunction(i);
            break;
          }
          if (IsKeyword(t)) {
            sql += pv::Utf16ToUtf8(Upper(t.text));
            if (IsKw(t, "SELECT")) {
              afterSelect = true;
              if (out_.updatable && i == 0) {
                sql += ' ';
                // The hidden row identity of an updatable single-table SELECT.
                out_.rowidAt = sql.size();
                AppendQuoted(sql, tables_[0].alias.empty() ? tables_[0].name : tables_[0].alias);
                sql += ".rowid AS \"__pv_rowid\",";
                out_.rowidLength = sql.size() - out_.rowidAt;
              }
            }
            if (IsKw(t, "LIKE")) {
              // Case-insensitive LIKE with Jet's wildcards is the layer's like().
            }
            break;
          }
          AppendQuoted(sql, t.text);
          break;
        }
        case Tok::QIdent:
          AppendQuoted(sql, t.text);
          break;
        case Tok::Number:
          EmitNumber(i, !inOrderBy && out_.kind != StatementKind::Other, inSet);
          break;
        case Tok::String:
          if (out_.kind == StatementKind::Other) {
            // DDL defaults: keep as SQL text literal (doubled quotes).
            sql += '\'';
            for (char c : pv::Utf16ToUtf8(t.text)) {
              sql += c;
              if (c == '\'') sql += '\'';
            }
            sql += '\'';
          } else {
            EmitString(i, inSet);
          }
          break;
        case Tok::Date:
          Param(Value::FromReal(t.date));
          break;
        case Tok::Param:
          if (!external_ || externalUsed_ >= external_->size())
            throw Failure(kErrNoValue, u"No value given for one or more required parameters.");
          // A bound value is converted exactly as a literal in its place would be.
          out_.bound.push_back(SlotFor(i, inSet));
          Param(ForContext((*external_)[externalUsed_++], i, inSet));
          break;
        case Tok::Op:
          if (t.text == u"&") sql += "||";
          else if (t.text == u"!=") sql += "<>";
          else sql += pv::Utf16ToUtf8(t.text);
          break;
        case Tok::End:
          break;
      }
    }
    if (topValue_) {
      sql += " LIMIT ";
      sql += pv::Utf16ToUtf8(toks_[topValue_].text);
    }
  }

  void EmitFunction(size_t i) {
    const Tok& t = toks_[i];
    std::string& sql = out_.sql;
    if (IsKw(t, "CDATE") || IsKw(t, "DATEVALUE")) {
      // CDATE('text') is evaluated here; other arguments go to the layer's cdate().
      if (toks_[i + 2].kind == Tok::String && IsOp(toks_[i + 3], ")")) {
        double d;
        if (!ParseJetDate(toks_[i + 2].text, &d))
          throw Failure(kErrTypeMismatch,
                        u"Data type mismatch: CDATE cannot make a date of '" + toks_[i + 2].text + u"'.");
        sql.pop_back();
        sql += ' ';
        Param(Value::FromReal(d));
        // Skip "( 'text' )".
        toks_[i + 1].kind = toks_[i + 2].kind = toks_[i + 3].kind = Tok::Op;
        toks_[i + 1].text = toks_[i + 2].text = toks_[i + 3].text = u"";
        return;
      }
      sql += "pv_cdate";
      return;
    }
    static const struct {
      const char* jet;
      const char* sqlite;
    } names[] = {{"UCASE", "upper"}, {"LCASE", "lower"},  {"LEN", "length"},       {"MID", "substr"},
                 {"NZ", "ifnull"},   {"IIF", "iif"},      {"TRIM", "trim"},        {"LTRIM", "ltrim"},
                 {"RTRIM", "rtrim"}, {"ABS", "abs"},      {"ROUND", "round"},      {"MAX", "max"},
                 {"MIN", "min"},     {"COUNT", "count"},  {"SUM", "sum"},          {"AVG", "avg"},
                 {"NOW", "pv_now"},  {"DATE", "pv_date"}, {"YEAR", "pv_year"},     {"MONTH", "pv_month"},
                 {"DAY", "pv_day"},  {"HOUR", "pv_hour"}, {"MINUTE", "pv_minute"}, {"SECOND", "pv_second"},
                 {"FIRST", "min"},   {"LAST", "max"},     {"INT", "pv_int"},       {"CLNG", "pv_clng"},
                 {"CSTR", "pv_cstr"}};
    for (const auto& n : names) {
      if (IEq(t.text, n.jet)) {
        sql += n.sqlite;
        return;
      }
    }
    // A table name before its column list (INSERT INTO t (...)); an unknown
    // function fails later with the engine's "no such function".
    AppendQuoted(sql, t.text);
  }

  // CREATE TABLE name (col type[(n)] [NOT NULL] [PRIMARY KEY] [UNIQUE] [DEFAULT v], ...)
  Translation CreateTable() {
    out_.kind = StatementKind::CreateTable;
    size_t i = 2;
    if (!IsName(toks_[i])) SyntaxError(toks_[i].text, "expected a table name after CREATE TABLE");
    out_.table = toks_[i].text;
    std::string& sql = out_.sql;
    sql = "CREATE TABLE ";
    AppendQuoted(sql, out_.table);
    ++i;
    if (!IsOp(toks_[i], "(")) SyntaxError(toks_[i].text, "expected '(' after the table name");
    sql += " (";
    ++i;
    bool first = true;
    bool hasCounter = false;
    bool hasOtherKey = false;
    std::vector<std::string> checks;
    for (;;) {
      if (!first) sql += ", ";
      first = false;
      const Tok& t = toks_[i];
      if (IsKw(t, "CONSTRAINT") || IsKw(t, "PRIMARY") || IsKw(t, "UNIQUE") || IsKw(t, "FOREIGN") || IsKw(t, "CHECK")) {
        // Table constraint: copy to the closing ')' of its own list.
        int depth = 0;
        for (; toks_[i].kind != Tok::End; ++i) {
          const Tok& c = toks_[i];
          if (IsOp(c, "(")) ++depth;
          if (IsOp(c, ")")) {
            if (depth == 0) break;
            --depth;
          }
          if (depth == 0 && IsOp(c, ",")) break;
          if (IsKw(c, "PRIMARY")) hasOtherKey = true;
          if (c.kind == Tok::Ident && IsKeyword(c)) sql += pv::Utf16ToUtf8(Upper(c.text));
          else if (IsName(c)) AppendQuoted(sql, c.text);
          else if (c.kind == Tok::Number || c.kind == Tok::Op) sql += pv::Utf16ToUtf8(c.text);
          else SyntaxError(c.text, "in a table constraint");
          sql += ' ';
        }
      } else {
        if (!IsName(t)) SyntaxError(t.text, "expected a field name");
        std::u16string column = t.text;
        ++i;
        // Type: one or two words, optional (n[,m]).
        if (toks_[i].kind != Tok::Ident) SyntaxError(toks_[i].text, "expected a type for the field");
        std::u16string typeWord = toks_[i].text;
        ++i;
        if (IEq(typeWord, "DOUBLE") && IsKw(toks_[i], "PRECISION")) ++i;
        int n = 0;
        if (IsOp(toks_[i], "(")) {
          ++i;
          if (toks_[i].kind != Tok::Number) SyntaxError(toks_[i].text, "expected a size");
          n = std::atoi(pv::Utf16ToUtf8(toks_[i].text).c_str());
          ++i;
          if (IsOp(toks_[i], ",")) i += 2;
          if (!IsOp(toks_[i], ")")) SyntaxError(toks_[i].text, "expected ')' after the size");
          ++i;
        }
        int textSize = 0;
        JetType type = JetTypeFromDeclared(typeWord, false, &textSize);
        if (type == JetType::Unknown)
          throw Failure(kErrSyntax, u"Syntax error in the definition of the field '" + column + u"': unknown type '" +
                                        typeWord + u"'.");
        if (type == JetType::Text) {
          textSize = n > 0 ? n : 255;
          if (textSize > 255)
            throw Failure(kErrSyntax,
                          u"The size of the field '" + column + u"' is too large (TEXT holds at most 255 characters).");
        }
        // Constraints of the column.
        std::string extra;
        bool primary = false;
        for (;;) {
          const Tok& c = toks_[i];
          if (IsKw(c, "NOT") && IsKw(toks_[i + 1], "NULL")) {
            extra += " NOT NULL";
            i += 2;
          } else if (IsKw(c, "NULL")) {
            ++i;
          } else if (IsKw(c, "PRIMARY") && IsKw(toks_[i + 1], "KEY")) {
            primary = true;
            i += 2;
          } else if (IsKw(c, "UNIQUE")) {
            extra += " UNIQUE";
            ++i;
          } else if (IsKw(c, "CONSTRAINT") && IsName(toks_[i + 1])) {
            i += 2;
          } else if (IsKw(c, "DEFAULT")) {
            ++i;
            const Tok& v = toks_[i];
            extra += " DEFAULT ";
            if (v.kind == Tok::Number) {
              extra += pv::Utf16ToUtf8(v.text);
            } else if (IsOp(v, "-") && toks_[i + 1].kind == Tok::Number) {
              extra += "-" + pv::Utf16ToUtf8(toks_[++i].text);
            } else if (v.kind == Tok::String) {
              extra += '\'';
              for (char ch : pv::Utf16ToUtf8(v.text)) {
                extra += ch;
                if (ch == '\'') extra += '\'';
              }
              extra += '\'';
            } else if (v.kind == Tok::Date) {
              char buf[40];
              std::snprintf(buf, sizeof buf, "%.17g", v.date);
              extra += buf;
            } else if (IsKw(v, "TRUE") || IsKw(v, "FALSE")) {
              extra += IsKw(v, "TRUE") ? "-1" : "0";
            } else {
              SyntaxError(v.text, "expected a constant after DEFAULT");
            }
            ++i;
          } else {
            break;
          }
        }
        AppendQuoted(sql, column);
        std::string quotedName;
        AppendQuoted(quotedName, column);
        switch (type) {
          case JetType::Counter:
            if (hasCounter) SyntaxError(column, "a table has at most one COUNTER field");
            hasCounter = true;
            sql += " INTEGER PRIMARY KEY AUTOINCREMENT";
            break;
          case JetType::Long:
            sql += " INTEGER";
            break;
          case JetType::Short:
            sql += " SMALLINT";
            checks.push_back(quotedName + " BETWEEN -32768 AND 32767");
            break;
          case JetType::Byte:
            sql += " TINYINT";
            checks.push_back(quotedName + " BETWEEN 0 AND 255");
            break;
          case JetType::Single:
            sql += " SINGLE";
            break;
          case JetType::Double:
            sql += " DOUBLE";
            break;
          case JetType::Currency:
            sql += " CURRENCY";
            break;
          case JetType::DateTime:
            sql += " DATETIME";
            break;
          case JetType::Bit:
            sql += " BIT";
            break;
          case JetType::Text:
            sql += " TEXT(" + std::to_string(textSize) + ") COLLATE NOCASE";
            // Length in UTF-16 units: the bytes of the UTF-16 database encoding / 2.
            checks.push_back("length(CAST(" + quotedName + " AS BLOB)) <= " + std::to_string(textSize * 2));
            break;
          case JetType::Memo:
            sql += " LONGTEXT COLLATE NOCASE";
            break;
          case JetType::Binary:
          case JetType::BigInt:
          case JetType::Unknown:
            sql += type == JetType::BigInt ? " BIGINT" : " BLOB";
            break;
        }
        if (primary && type != JetType::Counter) {
          if (hasOtherKey) SyntaxError(column, "a table has one primary key");
          hasOtherKey = true;
          sql += " PRIMARY KEY";
        }
        if (!checks.empty()) {
          // Named so that a violation can say which field refused the value.
          std::string name = "pv_fits:" + pv::Utf16ToUtf8(column);
          sql += " CONSTRAINT ";
          AppendQuoted(sql, pv::Utf8ToUtf16(name));
          sql += " CHECK(" + quotedName + " IS NULL OR (" + checks.back() + "))";
          checks.clear();
        }
        sql += extra;
      }
      if (IsOp(toks_[i], ",")) {
        ++i;
        continue;
      }
      if (IsOp(toks_[i], ")")) {
        ++i;
        break;
      }
      SyntaxError(toks_[i].text, "in the field definitions");
    }
    if (hasCounter && hasOtherKey) SyntaxError(out_.table, "a COUNTER field must be the table's primary key");
    if (toks_[i].kind != Tok::End) SyntaxError(toks_[i].text, "after the field definitions");
    sql += ")";
    return std::move(out_);
  }
};

}  // namespace

Value ConvertBound(const BoundSlot& slot, Value v) {
  auto field = [&] { return slot.field; };
  switch (slot.conversion) {
    case BoundSlot::Stored:
      return StoredInColumn(std::move(v), slot.column, field, false);
    case BoundSlot::Compared:
      return ComparedWithColumn(std::move(v), slot.column, field);
    case BoundSlot::AsIs:
      break;
  }
  return v;
}

Translation TranslateJet(std::u16string_view jet, SchemaLookup& schema, const std::vector<Value>* external) {
  return Translator(jet, schema, external).Run();
}

}  // namespace pv::ado
