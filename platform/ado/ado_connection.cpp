// The ADO connection: opening a file, statements, transactions; and the
// registration of the ADO classes.
#include <algorithm>
#include <mutex>

#include "platform/ado/ado_objects_private.h"

namespace pv::ado::objects {

std::u16string DataSourceOf(const std::u16string& cs) {
  size_t i = 0;
  while (i < cs.size()) {
    size_t end = cs.find(u';', i);
    if (end == std::u16string::npos) end = cs.size();
    std::u16string part = cs.substr(i, end - i);
    i = end + 1;
    size_t eq = part.find(u'=');
    if (eq == std::u16string::npos) continue;
    auto trim = [](std::u16string s) {
      while (!s.empty() && s.front() <= u' ') s.erase(s.begin());
      while (!s.empty() && s.back() <= u' ') s.pop_back();
      return s;
    };
    std::u16string key = trim(part.substr(0, eq));
    std::u16string value = trim(part.substr(eq + 1));
    if (pv::ado::CompareNoCase(key, u"Data Source") != 0) continue;
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    // The callers compose Windows paths; '/' is the separator here.
    std::replace(value.begin(), value.end(), u'\\', u'/');
    if (value.empty()) break;
    return value;
  }
  Fail(pv::ado::kErrGeneric, u"The connection string does not name the database file (Data Source=...).");
}

// The kinds callers bind most are read in place, as FromVariant reads them.
Value NaturalValue(const VARIANT& v) {
  switch (v.vt) {
    case VT_I4:
      return Value::FromInt(v.lVal);
    case VT_I2:
      return Value::FromInt(v.iVal);
    case VT_I8:
      return Value::FromInt(v.llVal);
    case VT_R8:
      return Value::FromReal(v.dblVal);
    case VT_BSTR:
      return Value::FromText(FromBstr(v.bstrVal));
    default:
      return FromVariant(v, JetType::Unknown, u"?");
  }
}

// Values for `?` markers as given; the translator converts each for the
// column it is stored into or compared with.
std::vector<Value> ParameterValues(const VARIANT* values, long count) {
  if (count < 0 || (count > 0 && !values)) FailAdo(adErrInvalidArgument, u"The parameter values are missing.");
  std::vector<Value> params;
  params.reserve(static_cast<size_t>(count));
  for (long i = 0; i < count; ++i) params.push_back(NaturalValue(values[i]));
  return params;
}

HRESULT Report(ConnectionImpl* connection, HRESULT hr, const std::u16string& text) {
  IErrorInfo* info = pv::MakeErrorInfo(text.c_str(), kSource);
  SetErrorInfo(0, info);
  info->Release();
  if (connection) {
    // The collection holds the errors of the last failing operation.
    connection->errors()->raw_Clear();
    connection->errors()->Add(hr, text);
  }
  return hr;
}

ConnectionImpl* AsConnection(IUnknown* unknown) {
  if (!unknown) return nullptr;
  _Connection* c = nullptr;
  if (FAILED(unknown->QueryInterface(__uuidof(_Connection), reinterpret_cast<void**>(&c))) || !c) return nullptr;
  auto* impl = dynamic_cast<ConnectionImpl*>(c);
  c->Release();
  return impl;
}

HRESULT ConnectionImpl::raw_Close() {
  return Guard(this, [&] {
    if (!db_) FailAdo(adErrObjectClosed, u"The connection is already closed.");
    // Open recordsets of the connection close with it.
    std::vector<RecordsetImpl*> open = open_;
    for (RecordsetImpl* rs : open) CloseWithConnection(rs);
    open_.clear();
    if (db_->InTransaction()) db_->RollbackTransaction();
    db_.reset();
  });
}

void ConnectionImpl::ExecuteStatement(BSTR text, const std::vector<Value>* params, VARIANT* affected, long options,
                                      _Recordset** result) {
  if (result) *result = nullptr;
  Database& db = Db();
  Translation t = db.Translate(std::u16string_view(text ? text : u"", text ? SysStringLen(text) : 0), params);
  if (t.kind == StatementKind::Select) {
    // Execute gives forward-only, read-only rows, read as the caller moves.
    _Recordset* rs = NewStreamingRecordset(this, db.OpenReader(t));
    if (affected) {
      VariantClear(affected);
      affected->vt = VT_I4;
      affected->lVal = -1;
    }
    if (result) *result = rs;
    else rs->Release();
    return;
  }
  long n = db.Execute(t);
  if (affected) {
    VariantClear(affected);
    affected->vt = VT_I4;
    affected->lVal = n;
  }
  if (result && !(options != -1 && (options & adExecuteNoRecords))) *result = NewClosedRecordset();
}

pv::ComFactory ConnectionFactory() { return Factory<ConnectionImpl, _Connection>(); }

}  // namespace pv::ado::objects

namespace pv::ado {

void RegisterAdoClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    pv::RegisterComClass(CLSID_Connection, {u"ADODB.Connection", u"ADODB.Connection.6.0"},
                         objects::ConnectionFactory());
    pv::RegisterComClass(CLSID_Recordset, {u"ADODB.Recordset", u"ADODB.Recordset.6.0"}, objects::RecordsetFactory());
    pv::RegisterComClass(CLSID_Catalog, {u"ADOX.Catalog", u"ADOX.Catalog.6.0"}, objects::CatalogFactory());
  });
}

std::u16string QuoteText16(std::u16string_view text) { return QuoteJetText(text); }

CString QuoteText(const CString& text) {
  return CString(QuoteJetText(std::u16string_view(text.GetString(), static_cast<size_t>(text.GetLength()))));
}

}  // namespace pv::ado
