// The ADOX catalog: creating a database file and listing its tables.
#include "platform/ado/ado_objects_private.h"

namespace pv::ado::objects {
namespace {

// ---- ADOX --------------------------------------------------------------------------------------
class TableImpl final : public _Table {
 public:
  explicit TableImpl(std::u16string name) : name_(std::move(name)) {}
  PV_REFCOUNT
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(_Table)) {
      *out = static_cast<_Table*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  PV_DISPATCH_STUBS
  STDMETHODIMP get_Name(BSTR* v) override {
    if (!v) return E_POINTER;
    *v = AllocBstr(name_);
    return S_OK;
  }
  STDMETHODIMP get_Type(BSTR* v) override {
    if (!v) return E_POINTER;
    *v = SysAllocString(u"TABLE");
    return S_OK;
  }

 private:
  ~TableImpl() override = default;
  std::u16string name_;
};

class TablesImpl final : public Tables {
 public:
  explicit TablesImpl(ConnectionImpl* conn) : conn_(conn) {
    conn_->AddRef();
    Load();
  }
  PV_REFCOUNT
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Tables)) {
      *out = static_cast<Tables*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  PV_DISPATCH_STUBS
  STDMETHODIMP get_Count(long* v) override {
    if (!v) return E_POINTER;
    *v = static_cast<long>(names_.size());
    return S_OK;
  }
  STDMETHODIMP get_Item(VARIANT index, _Table** item) override {
    return Guard(conn_, [&] {
      if (!item) Fail(E_POINTER, u"Null pointer.");
      _variant_t v;
      VariantCopyInd(&v, &index);
      if (v.vt == VT_BSTR) {
        std::u16string name = FromBstr(v.bstrVal);
        for (const auto& n : names_)
          if (pv::ado::CompareNoCase(n, name) == 0) {
            *item = new TableImpl(n);
            return;
          }
        FailAdo(adErrItemNotFound, u"The table '" + name + u"' is not in the catalog.");
      }
      _variant_t n;
      if (FAILED(VariantChangeType(&n, &v, 0, VT_I4)) || n.lVal < 0 || n.lVal >= static_cast<long>(names_.size()))
        FailAdo(adErrItemNotFound, u"There is no table with that number in the catalog.");
      *item = new TableImpl(names_[static_cast<size_t>(n.lVal)]);
    });
  }
  STDMETHODIMP raw_Refresh() override {
    return Guard(conn_, [&] { Load(); });
  }

 private:
  ~TablesImpl() override { conn_->Release(); }
  void Load() { names_ = conn_->Db().TableNames(); }
  ConnectionImpl* conn_;
  std::vector<std::u16string> names_;
};

class CatalogImpl final : public _Catalog {
 public:
  PV_REFCOUNT
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(_Catalog)) {
      *out = static_cast<_Catalog*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  PV_DISPATCH_STUBS
  STDMETHODIMP get_Tables(Tables** v) override {
    return Guard(conn_, [&] {
      if (!v) Fail(E_POINTER, u"Null pointer.");
      if (!conn_) FailAdo(adErrObjectClosed, u"The catalog has no active connection.");
      *v = new TablesImpl(conn_);
    });
  }
  STDMETHODIMP get_ActiveConnection(VARIANT* v) override {
    if (!v) return E_POINTER;
    VariantInit(v);
    if (conn_) {
      v->vt = VT_DISPATCH;
      v->pdispVal = static_cast<_Connection*>(conn_);
      conn_->AddRef();
    }
    return S_OK;
  }
  STDMETHODIMP put_ActiveConnection(VARIANT v) override {
    return Guard(conn_, [&] {
      _variant_t c;
      VariantCopyInd(&c, &v);
      if (c.vt == VT_BSTR) {
        ConnectionImpl* impl = new ConnectionImpl;
        std::u16string cs = FromBstr(c.bstrVal);
        try {
          impl->OpenFile(DataSourceOf(cs), cs);
        } catch (...) {
          impl->Release();
          throw;
        }
        Set(impl);
      } else if (c.vt == VT_DISPATCH || c.vt == VT_UNKNOWN) {
        ConnectionImpl* impl = AsConnection(c.punkVal);
        if (!impl) FailAdo(adErrInvalidArgument, u"The object given as connection is not a connection.");
        impl->AddRef();
        Set(impl);
      } else {
        FailAdo(adErrInvalidArgument, u"The connection must be a connection object or a connection string.");
      }
    });
  }
  STDMETHODIMP putref_ActiveConnection(IDispatch* v) override {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_DISPATCH;
    x.pdispVal = v;
    return put_ActiveConnection(x);
  }
  STDMETHODIMP raw_Create(BSTR connectionString, VARIANT* out) override {
    return Guard(conn_, [&] {
      std::u16string cs = FromBstr(connectionString);
      std::u16string path = DataSourceOf(cs);
      Database::Create(path);
      ConnectionImpl* impl = new ConnectionImpl;
      try {
        impl->OpenFile(path, cs);
      } catch (...) {
        impl->Release();
        throw;
      }
      Set(impl);
      if (out) {
        VariantInit(out);
        out->vt = VT_DISPATCH;
        out->pdispVal = static_cast<_Connection*>(impl);
        impl->AddRef();
      }
    });
  }

 private:
  ~CatalogImpl() override {
    if (conn_) conn_->Release();
  }
  void Set(ConnectionImpl* c) {
    if (conn_) conn_->Release();
    conn_ = c;
  }
  ConnectionImpl* conn_ = nullptr;
};

}  // namespace

pv::ComFactory CatalogFactory() { return Factory<CatalogImpl, _Catalog>(); }

}  // namespace pv::ado::objects
