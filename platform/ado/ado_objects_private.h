// The parts the ADO object families share (connection, recordset, catalog):
// the guard that turns failures into HRESULTs and error objects, the error
// objects themselves, the connection class the others reach into, and the
// few functions one family asks of another. Private to platform/ado.
#pragma once

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/ado/ado.h"
#include "platform/ado/ado_engine.h"
#include "platform/base/cstring.h"
#include "platform/base/utf.h"

namespace pv::ado::objects {

inline constexpr const char16_t* kSource = u"Pravenor database";

#define PV_DISPATCH_STUBS                                                                              \
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {                                                \
    if (count) *count = 0;                                                                             \
    return S_OK;                                                                                       \
  }                                                                                                    \
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }                     \
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }    \
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { \
    return E_NOTIMPL;                                                                                  \
  }

#define PV_REFCOUNT                                                              \
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); } \
  STDMETHODIMP_(ULONG) Release() override {                                      \
    long r = --refs_;                                                            \
    if (r == 0) delete this;                                                     \
    return static_cast<ULONG>(r);                                                \
  }                                                                              \
  long refs_ = 1;

inline BSTR AllocBstr(std::u16string_view s) { return SysAllocStringLen(s.data(), static_cast<UINT>(s.size())); }

inline std::u16string FromBstr(BSTR b) { return b ? std::u16string(b, SysStringLen(b)) : std::u16string(); }

inline bool IsMissing(const VARIANT& v) {
  return v.vt == VT_EMPTY || (v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND);
}

[[noreturn]] inline void Fail(HRESULT hr, std::u16string text) { throw Failure(hr, std::move(text)); }
[[noreturn]] inline void FailAdo(long number, std::u16string text) {
  throw Failure(AdoErrorHResult(number), std::move(text));
}

[[noreturn]] inline void FailClosed() {
  FailAdo(adErrObjectClosed, u"The operation is not allowed while the object is closed.");
}

// ---- Error, Errors ----------------------------------------------------------------------
class ErrorImpl final : public Error {
 public:
  ErrorImpl(HRESULT hr, std::u16string description) : hr_(hr), description_(std::move(description)) {}
  PV_REFCOUNT
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Error)) {
      *out = static_cast<Error*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  PV_DISPATCH_STUBS
  STDMETHODIMP get_Number(long* v) override {
    if (!v) return E_POINTER;
    *v = hr_;
    return S_OK;
  }
  STDMETHODIMP get_Source(BSTR* v) override {
    if (!v) return E_POINTER;
    *v = SysAllocString(kSource);
    return S_OK;
  }
  STDMETHODIMP get_Description(BSTR* v) override {
    if (!v) return E_POINTER;
    *v = AllocBstr(description_);
    return S_OK;
  }
  STDMETHODIMP get_NativeError(long* v) override {
    if (!v) return E_POINTER;
    *v = 0;
    return S_OK;
  }
  STDMETHODIMP get_SQLState(BSTR* v) override {
    if (!v) return E_POINTER;
    *v = SysAllocString(u"");
    return S_OK;
  }

 private:
  ~ErrorImpl() override = default;
  HRESULT hr_;
  std::u16string description_;
};

class ErrorsImpl final : public Errors {
 public:
  PV_REFCOUNT
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Errors)) {
      *out = static_cast<Errors*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  PV_DISPATCH_STUBS
  STDMETHODIMP get_Count(long* v) override {
    if (!v) return E_POINTER;
    *v = static_cast<long>(items_.size());
    return S_OK;
  }
  STDMETHODIMP get_Item(VARIANT index, Error** item) override {
    if (!item) return E_POINTER;
    *item = nullptr;
    _variant_t i;
    if (FAILED(VariantChangeType(&i, &index, 0, VT_I4)) || i.lVal < 0 || i.lVal >= static_cast<long>(items_.size())) {
      IErrorInfo* info = pv::MakeErrorInfo(u"There is no error with that number in the collection.", kSource);
      SetErrorInfo(0, info);
      info->Release();
      return AdoErrorHResult(adErrItemNotFound);
    }
    *item = items_[static_cast<size_t>(i.lVal)];
    (*item)->AddRef();
    return S_OK;
  }
  STDMETHODIMP raw_Clear() override {
    for (Error* e : items_) e->Release();
    items_.clear();
    return S_OK;
  }
  void Add(HRESULT hr, const std::u16string& text) { items_.push_back(new ErrorImpl(hr, text)); }

 private:
  ~ErrorsImpl() override { raw_Clear(); }
  std::vector<Error*> items_;
};

class ConnectionImpl;

// Runs `f`, turning exceptions into an HRESULT, the thread's error object
// and (when a connection is given) an entry of its Errors collection.
HRESULT Report(ConnectionImpl* connection, HRESULT hr, const std::u16string& text);

template <class F>
HRESULT Guard(ConnectionImpl* connection, F&& f) {
  try {
    f();
    return S_OK;
  } catch (const Failure& e) {
    return Report(connection, e.hr(), e.description());
  } catch (const _com_error& e) {
    _bstr_t d = e.Description();
    std::u16string text =
        d.length() ? std::u16string(static_cast<const char16_t*>(d), d.length()) : pv::HResultMessage(e.Error());
    return Report(connection, e.Error(), text);
  } catch (const std::bad_alloc&) {
    return Report(connection, E_OUTOFMEMORY, u"Out of memory.");
  } catch (const std::exception& e) {
    // Nothing may escape a COM method: whatever else fails is reported too.
    return Report(connection, E_FAIL, u"Database error: " + pv::Utf8ToUtf16(e.what()) + u".");
  }
}

// ---- what the families ask of each other ------------------------------------------------------
// A value given by a caller, converted for a column (recordset values).
Value FromVariant(const VARIANT& in, JetType type, const std::u16string& field);
// The file named by a connection string's Data Source (connection).
std::u16string DataSourceOf(const std::u16string& cs);
// Values for `?` markers as given (connection).
std::vector<Value> ParameterValues(const VARIANT* values, long count);
class ConnectionImpl;
// The connection behind an interface of ours, or null (connection).
ConnectionImpl* AsConnection(IUnknown* unknown);
class RecordsetImpl;
// Forward-only rows read as the caller moves (the rows of Execute), a closed
// recordset, and the closing of a recordset with its connection (recordset).
_Recordset* NewStreamingRecordset(ConnectionImpl* connection, std::unique_ptr<Database::Reader> reader);
_Recordset* NewClosedRecordset();
void CloseWithConnection(RecordsetImpl* recordset);
// The class factories of the three creatable classes.
pv::ComFactory ConnectionFactory();
pv::ComFactory RecordsetFactory();
pv::ComFactory CatalogFactory();

template <class T, class I>
pv::ComFactory Factory() {
  return [](REFIID riid, void** out) -> HRESULT {
    T* object = new (std::nothrow) T;
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
  };
}

// ---- Connection -----------------------------------------------------------------------------------
class ConnectionImpl final : public _Connection {
 public:
  ConnectionImpl() : errors_(new ErrorsImpl) {}
  PV_REFCOUNT
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(_Connection)) {
      *out = static_cast<_Connection*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  PV_DISPATCH_STUBS

  STDMETHODIMP get_ConnectionString(BSTR* v) override {
    if (!v) return E_POINTER;
    *v = AllocBstr(connectionString_);
    return S_OK;
  }
  STDMETHODIMP put_ConnectionString(BSTR v) override {
    return Guard(this, [&] {
      if (db_) FailAdo(adErrObjectOpen, u"The operation is not allowed while the connection is open.");
      connectionString_ = FromBstr(v);
    });
  }
  STDMETHODIMP get_State(long* v) override {
    if (!v) return E_POINTER;
    *v = db_ ? adStateOpen : adStateClosed;
    return S_OK;
  }
  STDMETHODIMP get_Errors(Errors** v) override {
    if (!v) return E_POINTER;
    *v = errors_;
    errors_->AddRef();
    return S_OK;
  }
  STDMETHODIMP get_CursorLocation(CursorLocationEnum* v) override {
    if (!v) return E_POINTER;
    *v = location_;
    return S_OK;
  }
  STDMETHODIMP put_CursorLocation(CursorLocationEnum v) override {
    location_ = v;
    return S_OK;
  }
  STDMETHODIMP get_CommandTimeout(long* v) override {
    if (!v) return E_POINTER;
    *v = commandTimeout_;
    return S_OK;
  }
  STDMETHODIMP put_CommandTimeout(long v) override {
    commandTimeout_ = v;
    return S_OK;
  }
  STDMETHODIMP get_ConnectionTimeout(long* v) override {
    if (!v) return E_POINTER;
    *v = connectionTimeout_;
    return S_OK;
  }
  STDMETHODIMP put_ConnectionTimeout(long v) override {
    connectionTimeout_ = v;
    return S_OK;
  }

  STDMETHODIMP raw_Open(BSTR connectionString, BSTR, BSTR, long) override {
    return Guard(this, [&] {
      if (db_) FailAdo(adErrObjectOpen, u"The connection is already open.");
      std::u16string cs = FromBstr(connectionString);
      if (cs.empty()) cs = connectionString_;
      std::u16string path = DataSourceOf(cs);
      db_ = Database::Open(path);
      connectionString_ = cs;
    });
  }
  STDMETHODIMP raw_Close() override;
  STDMETHODIMP raw_Execute(BSTR text, VARIANT* affected, long options, _Recordset** result) override {
    return Guard(this, [&] { ExecuteStatement(text, nullptr, affected, options, result); });
  }
  STDMETHODIMP raw_ExecuteWithParameters(BSTR text, const VARIANT* values, long count, VARIANT* affected,
                                         _Recordset** result) override {
    return Guard(this, [&] {
      if (result) *result = nullptr;
      std::vector<Value> params = ParameterValues(values, count);
      ExecuteStatement(text, &params, affected, adCmdText, result);
    });
  }
  STDMETHODIMP raw_BeginTrans(long* level) override {
    return Guard(this, [&] {
      Db().BeginTransaction();
      if (level) *level = 1;
    });
  }
  STDMETHODIMP raw_CommitTrans() override {
    return Guard(this, [&] { Db().CommitTransaction(); });
  }
  STDMETHODIMP raw_RollbackTrans() override {
    return Guard(this, [&] { Db().RollbackTransaction(); });
  }

  Database& Db() {
    if (!db_) FailAdo(adErrObjectClosed, u"The operation is not allowed while the connection is closed.");
    return *db_;
  }
  bool IsOpen() const { return db_ != nullptr; }
  void OpenFile(const std::u16string& path, const std::u16string& cs) {
    db_ = Database::Open(path);
    connectionString_ = cs;
  }
  ErrorsImpl* errors() { return errors_; }
  void Track(RecordsetImpl* rs) { open_.push_back(rs); }
  void Untrack(RecordsetImpl* rs) { open_.erase(std::remove(open_.begin(), open_.end(), rs), open_.end()); }

 private:
  ~ConnectionImpl() override {
    if (db_) raw_Close();
    errors_->Release();
  }
  // Runs one statement; throws on failure (the caller's guard reports it).
  void ExecuteStatement(BSTR text, const std::vector<Value>* params, VARIANT* affected, long options,
                        _Recordset** result);

  std::unique_ptr<Database> db_;
  std::u16string connectionString_;
  ErrorsImpl* errors_;
  CursorLocationEnum location_ = adUseServer;
  long commandTimeout_ = 30;
  long connectionTimeout_ = 15;
  std::vector<RecordsetImpl*> open_;
};

}  // namespace pv::ado::objects
