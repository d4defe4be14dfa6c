#include "app/data/datastore.h"

#include <string>
#include <vector>

#include "app/data/schema.h"
#include "platform/base/bstr.h"
#include "platform/system/files.h"
#include "platform/system/msgbox.h"

namespace {

constexpr const char16_t* kPromptCaption = u"Prompt";
// English (United States) buttons.
constexpr WORD kButtonLanguage = 1033;
constexpr const char16_t* kNotOpenText =
    u"The database qty.tgd is not open, so nothing can be read or saved. Close Pravenor and check the file and its "
    u"folder.";

// The program's folder, from the module file name, without a length limit.
CString ProgramFolder() {
  std::u16string buffer(MAX_PATH, u'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.assign(buffer.size() * 2, u'\0');
  }
  std::size_t slash = buffer.find_last_of(u"/\\");
  return CString(std::u16string_view(buffer).substr(0, slash == std::u16string::npos ? 0 : slash));
}

// The SQL as a BSTR of its full length: a zero unit inside a quoted value
// must reach the statement translator.
_bstr_t FullBstr(const CString& text) { return _bstr_t(text.AllocSysString(), false); }

CString DescriptionOf(const _com_error& e) {
  _bstr_t d = e.Description();
  const char16_t* text = static_cast<const char16_t*>(d);
  return text ? CString(std::u16string_view(text, SysStringLen(static_cast<BSTR>(static_cast<char16_t*>(d)))))
              : CString();
}

void ShowPrompt(const _com_error& e) {
  CString text = DescriptionOf(e);
  MessageBoxExW(nullptr, text.GetString(), kPromptCaption, MB_OK | MB_ICONEXCLAMATION, kButtonLanguage);
}

bool FileExists(const CString& path) { return PathFileExistsW(path.GetString()) != FALSE; }

}  // namespace

CDataStore::CDataStore() {
  m_databasePath = ProgramFolder() + u"/qty.tgd";
  m_connectionString = CString(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + m_databasePath;
}

CDataStore::~CDataStore() {
  CloseDatabase();
  m_recordsAffected.Clear();
  m_catalog = nullptr;
  m_recordset = nullptr;
  m_connection = nullptr;
}

bool CDataStore::IsOpen() const {
  if (!m_connection) return false;
  long state = adStateClosed;
  return SUCCEEDED(m_connection.GetInterfacePtr()->get_State(&state)) && (state & adStateOpen) != 0;
}

void CDataStore::OpenConnection() {
  // Any previous connection is released first.
  m_connection.CreateInstance(__uuidof(Connection));
  m_connection->Open(FullBstr(m_connectionString), _bstr_t(u""), _bstr_t(u""), 0);
  m_recordset.CreateInstance(u"ADODB.Recordset");
}

int CDataStore::OpenDatabase() {
  if (!FileExists(m_databasePath)) {
    // "Created" only when the file and its tables exist and are open.
    int created = CreateDatabaseFile();
    int tables = CreateMissingTables();
    return created == 1 && tables == 1 && IsOpen() ? 1 : 0;
  }
  try {
    OpenConnection();
  } catch (const _com_error& e) {
    ReportOpenFailure(DescriptionOf(e), kPromptCaption, MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  m_openFailureShown = false;
  return 2;
}

CString CDataStore::BuildingPath() const { return m_databasePath + u".new"; }

void CDataStore::RemoveBuilding() const {
  const CString building = BuildingPath();
  for (const char16_t* suffix : {u"", u"-wal", u"-shm", u"-journal"}) DeleteFileW((building + suffix).GetString());
}

int CDataStore::CreateDatabaseFile() {
  if (FileExists(m_databasePath)) {
    CString text;
    text.Format(u"%s is exist!", m_databasePath.GetString());
    MessageBoxExW(nullptr, text.GetString(), kPromptCaption, MB_OK, kButtonLanguage);
    return 0;
  }
  // The file is built complete under a name of its own beside the final one
  // and renamed into place at the end, so a start killed on the way leaves
  // no file or a whole one, never a half-made one. What a killed start left
  // under the building name is thrown away first.
  RemoveBuilding();
  const CString building = BuildingPath();
  bool whole = true;
  try {
    m_catalog.CreateInstance(__uuidof(Catalog));
    m_catalog->Create(FullBstr(CString(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + building));
    _variant_t active = m_catalog->GetActiveConnection();
    _ConnectionPtr connection(active);
    for (const auto& table : kSchemaTables) {
      try {
        connection->Execute(FullBstr(SchemaCreateStatement(table)), &m_recordsAffected, adCmdText);
      } catch (const _com_error& e) {
        ShowPrompt(e);  // names the table; the others are still tried
        whole = false;
      }
    }
    // Closing the only connection writes the log into the file and removes it.
    connection->Close();
  } catch (const _com_error& e) {
    ReportOpenFailure(DescriptionOf(e), kPromptCaption, MB_OK | MB_ICONEXCLAMATION);
    RemoveBuilding();
    return -1;
  }
  if (!whole) {
    m_openFailureShown = true;  // the failing tables were shown
    RemoveBuilding();
    return -1;
  }
  if (PathFileExistsW((building + u"-wal").GetString()) ||
      !MoveFileExW(building.GetString(), m_databasePath.GetString(), MOVEFILE_WRITE_THROUGH)) {
    CString text = CString(u"The database file ") + m_databasePath + u" could not be put in place.";
    ReportOpenFailure(text, kPromptCaption, MB_OK | MB_ICONEXCLAMATION);
    RemoveBuilding();
    return -1;
  }
  return 1;
}

int CDataStore::CreateMissingTables() {
  try {
    m_catalog.CreateInstance(__uuidof(Catalog));
    _variant_t connection;
    connection.vt = VT_BSTR;
    connection.bstrVal = m_connectionString.AllocSysString();
    m_catalog->PutActiveConnection(connection);
  } catch (const _com_error& e) {
    ReportOpenFailure(DescriptionOf(e), kPromptCaption, MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  try {
    OpenConnection();
  } catch (const _com_error& e) {
    CString text;
    text.Format(u"Database connection failed!\rError Information\uFF1A%s", e.ErrorMessage());
    ReportOpenFailure(text, DescriptionOf(e), MB_OK);
    return 0;
  }
  m_openFailureShown = false;

  // The names the catalog lists, read once before any table is created.
  std::vector<CString> existing;
  try {
    TablesPtr tables = m_catalog->GetTables();
    long count = tables->GetCount();
    for (long i = 0; i < count; ++i) {
      _bstr_t name = tables->GetItem(_variant_t(i))->GetName();
      existing.emplace_back(static_cast<const char16_t*>(name));
    }
  } catch (const _com_error& e) {
    // Without the list nothing can be known to be missing: create nothing.
    ShowPrompt(e);
    return 0;
  }

  for (const auto& table : kSchemaTables) {
    bool found = false;
    for (const CString& name : existing) {
      if (name == table.name) {  // exact, case-sensitive
        found = true;
        break;
      }
    }
    if (found) continue;
    try {
      Execute(SchemaCreateStatement(table), nullptr, 0);
    } catch (const _com_error& e) {
      ShowPrompt(e);  // the description names the table
    }
  }
  return 1;
}

int CDataStore::CloseDatabase() {
  if (m_recordset) {
    long state = adStateClosed;
    if (SUCCEEDED(m_recordset.GetInterfacePtr()->get_State(&state)) && state != adStateClosed)
      m_recordset.GetInterfacePtr()->raw_Close();
    m_recordset = nullptr;
  }
  if (m_connection) {
    long state = adStateClosed;
    if (SUCCEEDED(m_connection.GetInterfacePtr()->get_State(&state)) && state != adStateClosed)
      m_connection.GetInterfacePtr()->raw_Close();
    m_connection = nullptr;
  }
  return 1;
}

void CDataStore::ReportNotOpen() {
  if (m_openFailureShown) return;
  m_openFailureShown = true;
  MessageBoxExW(nullptr, kNotOpenText, kPromptCaption, MB_OK | MB_ICONEXCLAMATION, kButtonLanguage);
}

void CDataStore::ReportOpenFailure(const CString& text, const CString& caption, UINT type) {
  if (m_openFailureShown) return;
  m_openFailureShown = true;
  MessageBoxExW(nullptr, text.GetString(), caption.GetString(), type, kButtonLanguage);
}

_RecordsetPtr CDataStore::Execute(const CString& sql, const _variant_t* values, long count) {
  m_recordsAffected.Clear();
  _Recordset* result = nullptr;
  _bstr_t text = FullBstr(sql);
  HRESULT hr = values ? m_connection->raw_ExecuteWithParameters(static_cast<char16_t*>(text), values, count,
                                                                &m_recordsAffected, &result)
                      : m_connection->raw_Execute(static_cast<char16_t*>(text), &m_recordsAffected, adCmdText, &result);
  if (FAILED(hr)) _com_issue_errorex(hr, m_connection.GetInterfacePtr(), __uuidof(_Connection));
  return _RecordsetPtr(result, false);
}

template <class Body>
int CDataStore::RunInTransaction(Body&& body) {
  if (!IsOpen()) {
    ReportNotOpen();
    return 0;
  }
  bool began = false;
  try {
    m_connection->BeginTrans();
    began = true;
    body();
    m_connection->CommitTrans();
    return 1;
  } catch (const _com_error& e) {
    if (began) m_connection.GetInterfacePtr()->raw_RollbackTrans();
    ShowPrompt(e);
    return 0;
  }
}

int CDataStore::ExecuteSql(CString sql) {
  return RunInTransaction([&] { Execute(sql, nullptr, 0); });
}

int CDataStore::ExecuteSql(CString sql, std::initializer_list<_variant_t> values) {
  return RunInTransaction([&] { Execute(sql, values.begin(), static_cast<long>(values.size())); });
}

int CDataStore::ExecuteUpdate(CString sql) { return ExecuteSql(std::move(sql)); }

int CDataStore::ExecuteUpdate(CString sql, std::initializer_list<_variant_t> values) {
  return ExecuteSql(std::move(sql), values);
}

int CDataStore::InsertAndGetMaxId(CString insertSql, CString maxIdSql) {
  int id = 0;
  int ok = RunInTransaction([&] {
    Execute(insertSql, nullptr, 0);
    m_recordset.Attach(Execute(maxIdSql, nullptr, 0).Detach());
    id = static_cast<long>(m_recordset->GetCollect(_variant_t(0L)));
  });
  return ok ? id : 0;
}

int CDataStore::InsertAndGetMaxId(CString insertSql, CString maxIdSql, std::initializer_list<_variant_t> values) {
  int id = 0;
  int ok = RunInTransaction([&] {
    Execute(insertSql, values.begin(), static_cast<long>(values.size()));
    m_recordset.Attach(Execute(maxIdSql, nullptr, 0).Detach());
    id = static_cast<long>(m_recordset->GetCollect(_variant_t(0L)));
  });
  return ok ? id : 0;
}

int CDataStore::OpenRecordset(CString sql, _RecordsetPtr recordset) {
  return OpenRecordsetWith(sql, nullptr, 0, std::move(recordset));
}

int CDataStore::OpenRecordset(CString sql, std::initializer_list<_variant_t> values, _RecordsetPtr recordset) {
  return OpenRecordsetWith(sql, values.begin(), static_cast<long>(values.size()), std::move(recordset));
}

int CDataStore::OpenForwardRecordset(CString sql, _RecordsetPtr recordset) {
  return OpenRecordsetWith(sql, nullptr, 0, std::move(recordset), true);
}

int CDataStore::OpenForwardRecordset(CString sql, std::initializer_list<_variant_t> values, _RecordsetPtr recordset) {
  return OpenRecordsetWith(sql, values.begin(), static_cast<long>(values.size()), std::move(recordset), true);
}

int CDataStore::OpenRecordsetWith(const CString& sql, const _variant_t* values, long count, _RecordsetPtr recordset,
                                  bool forwardOnly) {
  if (!recordset) return 0;
  if (!IsOpen()) {
    ReportNotOpen();
    return 0;
  }
  const CursorTypeEnum cursor = forwardOnly ? adOpenForwardOnly : adOpenDynamic;
  const LockTypeEnum lock = forwardOnly ? adLockReadOnly : adLockPessimistic;
  recordset.GetInterfacePtr()->put_CursorType(cursor);
  recordset.GetInterfacePtr()->put_CursorLocation(forwardOnly ? adUseServer : adUseClient);
  return RunInTransaction([&] {
    _variant_t connection(static_cast<IDispatch*>(m_connection.GetInterfacePtr()), true);
    if (values) {
      _Recordset* rs = recordset.GetInterfacePtr();
      _bstr_t text = FullBstr(sql);
      HRESULT hr = rs->raw_OpenWithParameters(static_cast<char16_t*>(text), values, count, connection, cursor, lock);
      if (FAILED(hr)) _com_issue_errorex(hr, rs, __uuidof(_Recordset));
      return;
    }
    _variant_t source;
    source.vt = VT_BSTR;
    source.bstrVal = sql.AllocSysString();
    recordset->Open(source, connection, cursor, lock, adCmdText);
  });
}

int CDataStore::QueryScalarInt(CString sql, bool* succeeded) { return QueryScalarIntWith(sql, nullptr, 0, succeeded); }

int CDataStore::QueryScalarInt(CString sql, std::initializer_list<_variant_t> values, bool* succeeded) {
  return QueryScalarIntWith(sql, values.begin(), static_cast<long>(values.size()), succeeded);
}

int CDataStore::QueryScalarIntWith(const CString& sql, const _variant_t* values, long count, bool* succeeded) {
  int value = 0;
  int ok = RunInTransaction([&] {
    m_recordset.Attach(Execute(sql, values, count).Detach());
    _variant_t v = m_recordset->GetCollect(_variant_t(0L));
    value = (v.vt == VT_NULL || v.vt == VT_EMPTY) ? 0 : static_cast<int>(static_cast<long>(v));
  });
  if (succeeded) *succeeded = ok != 0;
  return ok ? value : 0;
}

int CDataStore::ExecuteTogether(const std::vector<Statement>& statements) {
  return RunInTransaction([&] {
    for (const Statement& s : statements)
      Execute(s.sql, s.values.empty() ? nullptr : s.values.data(), static_cast<long>(s.values.size()));
  });
}

int CDataStore::InsertWithDependents(const Statement& insert, CString maxIdSql,
                                     const std::vector<Statement>& dependents) {
  int id = 0;
  int ok = RunInTransaction([&] {
    Execute(insert.sql, insert.values.empty() ? nullptr : insert.values.data(),
            static_cast<long>(insert.values.size()));
    m_recordset.Attach(Execute(maxIdSql, nullptr, 0).Detach());
    id = static_cast<long>(m_recordset->GetCollect(_variant_t(0L)));
    for (const Statement& s : dependents) {
      std::vector<_variant_t> values = s.values;
      values.emplace_back(static_cast<long>(id));
      Execute(s.sql, values.data(), static_cast<long>(values.size()));
    }
  });
  return ok ? id : 0;
}

CString CDataStore::Quote(const CString& text) { return pv::ado::QuoteText(text); }

_variant_t CDataStore::TextValue(const CString& text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = text.AllocSysString();
  return _variant_t(v, false);
}
