// CDataStore: the organiser's one gateway to its database, "qty.tgd" in the
// program's folder.
//
// It creates the file and its tables on first start, keeps one connection
// open for the life of the process and runs the callers' SQL: execute a
// statement, insert a row and read back its new key, open the caller's
// recordset on a query, read one integer. Each of these runs in its own
// transaction. A database error rolls the transaction back and is shown to
// the user in a message box captioned "Prompt"; the operation then returns
// a failure the caller may test (0; see each operation).
//
// Text values reach a statement in one of two ways only: bound to `?`
// markers through the parameter forms below (TextValue() for text), or as
// Quote() joined into the statement with CString concatenation. Never splice
// text between apostrophes yourself, and never format text into a statement
// with "%s": formatting stops at the first zero unit, which enciphered work
// names can hold, and the cut statement would succeed with half the name.
// Bound values are converted for their column exactly as literals are.
//
// Without an open connection the operations refuse before they begin a
// transaction and return 0. The user is told once that the database is not
// open, not once per statement; when opening it already failed with a
// message, that message was the one.
#pragma once

#include <initializer_list>
#include <vector>

#include "platform/ado/ado.h"
#include "platform/base/cstring.h"

class CDataStore {
 public:
  CDataStore();
  ~CDataStore();
  CDataStore(const CDataStore&) = delete;
  CDataStore& operator=(const CDataStore&) = delete;

  // ---- opening and closing ------------------------------------------------------------------
  // 1: the file was missing and has just been created with its tables and
  // opened; 2: the existing file was opened; 0: creating or opening failed
  // (shown under "Prompt").
  int OpenDatabase();
  // Builds the whole file with its eight tables beside the final name
  // ("qty.tgd.new") and renames it into place, so that a start killed on the
  // way leaves no file or a whole one. 1 created; 0 the file already exists
  // ("<path> is exist!"); -1 a database error (each failing CREATE TABLE is
  // shown, naming its table, and no file is put in place).
  int CreateDatabaseFile();
  // 1 when the table pass ran (a failing CREATE TABLE is shown and the pass
  // goes on); 0 when the catalog, the connection or the table list failed.
  int CreateMissingTables();
  // Closes the store's recordset and connection. Always 1.
  int CloseDatabase();
  // Whether the connection is open.
  bool IsOpen() const;

  // ---- statements and queries ----------------------------------------------------------------
  // 1 on success, 0 on failure (the error has been shown and the
  // transaction rolled back; nothing changed).
  int ExecuteSql(CString sql);
  int ExecuteSql(CString sql, std::initializer_list<_variant_t> values);
  // The same, for UPDATE statements.
  int ExecuteUpdate(CString sql);
  int ExecuteUpdate(CString sql, std::initializer_list<_variant_t> values);
  // Runs the INSERT and then the max-id query ("select max(taid) from task")
  // in one transaction and returns the new key; 0 on failure (no COUNTER
  // key is 0), with the INSERT undone. m_recordset keeps the max-id result.
  int InsertAndGetMaxId(CString insertSql, CString maxIdSql);
  int InsertAndGetMaxId(CString insertSql, CString maxIdSql, std::initializer_list<_variant_t> values);
  // Opens the caller's recordset (made from "ADODB.Recordset") on the query
  // with a client-side dynamic cursor. 1 on success; 0 on failure, the
  // recordset then left closed. The caller walks and closes it.
  int OpenRecordset(CString sql, _RecordsetPtr recordset);
  int OpenRecordset(CString sql, std::initializer_list<_variant_t> values, _RecordsetPtr recordset);
  // The same with a forward-only, read-only cursor: the rows are read once,
  // front to back, straight from the database instead of being copied
  // first (the tree fills walk tens of thousands of rows once).
  int OpenForwardRecordset(CString sql, _RecordsetPtr recordset);
  int OpenForwardRecordset(CString sql, std::initializer_list<_variant_t> values, _RecordsetPtr recordset);
  // Column 0 of the first row as an integer, 0 when NULL. On failure 0 and
  // *succeeded (when given) false.
  int QueryScalarInt(CString sql, bool* succeeded = nullptr);
  int QueryScalarInt(CString sql, std::initializer_list<_variant_t> values, bool* succeeded = nullptr);

  // One statement of ExecuteTogether, with the values of its `?` markers.
  struct Statement {
    // Implicit: a statement without values is its text.
    Statement(CString text) : sql(std::move(text)) {}  // NOLINT(google-explicit-constructor)
    Statement(const char16_t* text) : sql(text) {}     // NOLINT(google-explicit-constructor)
    Statement(CString text, std::initializer_list<_variant_t> params) : sql(std::move(text)), values(params) {}
    Statement(const char16_t* text, std::initializer_list<_variant_t> params) : sql(text), values(params) {}
    CString sql;
    std::vector<_variant_t> values;
  };
  // Runs the statements in order in one transaction: all of them take
  // effect or none does. 1 on success; on the first failure the transaction
  // is rolled back, its error shown once under "Prompt", and 0 returned.
  int ExecuteTogether(const std::vector<Statement>& statements);

  // A row and the rows that hang on it, in one transaction: runs `insert`,
  // reads its new key with `maxIdSql`, then each of `dependents` with the
  // new key bound to its last `?` marker. The new key; 0 on failure, with
  // nothing stored (shown once under "Prompt").
  int InsertWithDependents(const Statement& insert, CString maxIdSql, const std::vector<Statement>& dependents);

  // ---- safe text values ------------------------------------------------------------------------
  // `text` as a Jet literal: between apostrophes, each apostrophe doubled.
  static CString Quote(const CString& text);
  // `text` as a VT_BSTR value for the parameter forms, every unit kept.
  static _variant_t TextValue(const CString& text);

  // Steps finite repeating reminders forward before today's reminder list
  // is built; defined with the reminder engine.
  void ScanRepeatingReminders();

  // ---- state (read by the callers) -----------------------------------------------------------
  CString m_databasePath;      // "<program folder>/qty.tgd"
  CString m_connectionString;  // "Provider=...;Data Source=" + m_databasePath
  _ConnectionPtr m_connection;
  _RecordsetPtr m_recordset;  // the last max-id or scalar query's result
  _CatalogPtr m_catalog;
  _variant_t m_recordsAffected;

 private:
  template <class Body>
  int RunInTransaction(Body&& body);
  // Opens m_connection on the file and makes a new m_recordset.
  void OpenConnection();
  // Where the file is built before it is renamed into place, and the removal
  // of what a killed start left there.
  CString BuildingPath() const;
  void RemoveBuilding() const;
  _RecordsetPtr Execute(const CString& sql, const _variant_t* values, long count);
  int OpenRecordsetWith(const CString& sql, const _variant_t* values, long count, _RecordsetPtr recordset,
                        bool forwardOnly = false);
  int QueryScalarIntWith(const CString& sql, const _variant_t* values, long count, bool* succeeded);
  // Refusal without a connection: tells the user once.
  void ReportNotOpen();
  // A failure to create or open the file: the first one of a row is shown,
  // the ones that follow from it are not.
  void ReportOpenFailure(const CString& text, const CString& caption, UINT type);

  bool m_openFailureShown = false;
};
