// The ADO recordset with its fields, field and event connection point, and
// the conversions between stored values and VARIANTs.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/ado/ado_objects_private.h"
#include "platform/ado/ado_values_private.h"

namespace pv::ado::objects {
namespace {

// ---- values ---------------------------------------------------------------------------------
DataTypeEnum AdoType(JetType t) {
  switch (t) {
    case JetType::Counter:
    case JetType::Long:
      return adInteger;
    case JetType::Short:
      return adSmallInt;
    case JetType::Byte:
      return adUnsignedTinyInt;
    case JetType::Single:
      return adSingle;
    case JetType::Double:
      return adDouble;
    case JetType::Currency:
      return adCurrency;
    case JetType::DateTime:
      return adDate;
    case JetType::Bit:
      return adBoolean;
    case JetType::Text:
      return adVarWChar;
    case JetType::Memo:
      return adLongVarWChar;
    case JetType::Binary:
      return adLongVarBinary;
    case JetType::BigInt:
      return adBigInt;
    case JetType::Unknown:
      break;
  }
  return adVarWChar;
}

long DefinedSize(const ResultColumn& c) {
  switch (c.type) {
    case JetType::Counter:
    case JetType::Long:
    case JetType::Single:
      return 4;
    case JetType::Short:
    case JetType::Bit:
      return 2;
    case JetType::Byte:
      return 1;
    case JetType::Double:
    case JetType::Currency:
    case JetType::DateTime:
    case JetType::BigInt:
      return 8;
    case JetType::Text:
      return c.size;
    case JetType::Memo:
      return 536870910;
    default:
      return 1073741823;
  }
}

const char16_t* TypeWord(JetType t) {
  switch (t) {
    case JetType::Counter:
      return u"COUNTER";
    case JetType::Long:
      return u"LONG";
    case JetType::Short:
      return u"SHORT";
    case JetType::Byte:
      return u"BYTE";
    case JetType::Single:
      return u"SINGLE";
    case JetType::Double:
      return u"DOUBLE";
    case JetType::Currency:
      return u"CURRENCY";
    case JetType::DateTime:
      return u"DATETIME";
    case JetType::Bit:
      return u"YESNO";
    case JetType::Text:
      return u"TEXT";
    case JetType::Memo:
      return u"MEMO";
    case JetType::Binary:
      return u"LONGBINARY";
    default:
      return u"value";
  }
}

void NaturalVariant(const Value& v, VARIANT* out) {
  switch (v.kind) {
    case Value::Null:
      out->vt = VT_NULL;
      break;
    case Value::Int:
      if (v.i >= INT32_MIN && v.i <= INT32_MAX) {
        out->vt = VT_I4;
        out->lVal = static_cast<LONG>(v.i);
      } else {
        out->vt = VT_I8;
        out->llVal = v.i;
      }
      break;
    case Value::Real:
      out->vt = VT_R8;
      out->dblVal = v.r;
      break;
    case Value::Text:
      out->vt = VT_BSTR;
      out->bstrVal = AllocBstr(v.s);
      break;
    case Value::Blob: {
      SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(v.blob.size()));
      void* data = nullptr;
      if (a && SUCCEEDED(SafeArrayAccessData(a, &data))) {
        if (!v.blob.empty()) std::copy(v.blob.begin(), v.blob.end(), static_cast<BYTE*>(data));
        SafeArrayUnaccessData(a);
      }
      out->vt = VT_ARRAY | VT_UI1;
      out->parray = a;
      break;
    }
  }
}

// The VARIANT of a stored value, typed by the column's declared type.
void ToVariant(const Value& v, JetType type, VARIANT* out) {
  VariantInit(out);
  bool number = v.kind == Value::Int || v.kind == Value::Real;
  if (v.kind == Value::Null) {
    out->vt = VT_NULL;
    return;
  }
  if (number && NumberToVariant(v.kind == Value::Int, v.i, v.r, type, out)) return;
  if (type == JetType::Text || type == JetType::Memo) {
    if (v.kind == Value::Text) {
      out->vt = VT_BSTR;
      out->bstrVal = AllocBstr(v.s);
      return;
    }
    if (number) {
      VARIANT tmp;
      VariantInit(&tmp);
      NaturalVariant(v, &tmp);
      if (SUCCEEDED(VariantChangeType(out, &tmp, 0, VT_BSTR))) return;
    }
  }
  // A value another program stored that does not match the declared type.
  NaturalVariant(v, out);
}

// The same from a stored cell, without building a Value for the common
// kinds: text goes straight from the arena to the BSTR.
void CellToVariant(const pv::ado::CellStore& store, const pv::ado::Cell& c, JetType type, VARIANT* out) {
  std::memset(static_cast<void*>(out), 0, sizeof(VARIANT));
  switch (c.kind) {
    case Value::Null:
      out->vt = VT_NULL;
      return;
    case Value::Text:
      if (type == JetType::Text || type == JetType::Memo) {
        out->vt = VT_BSTR;
        out->bstrVal = AllocBstr(store.Text(c));
        return;
      }
      break;
    case Value::Int:
      if (NumberToVariant(true, c.i, 0, type, out)) return;
      break;
    case Value::Real:
      if (NumberToVariant(false, 0, c.r, type, out)) return;
      break;
    case Value::Blob:
      break;
  }
  ToVariant(store.Get(c), type, out);
}

// The same from the current row of a forward-only reader, read in place.
void LiveToVariant(const Database::Reader& reader, size_t i, JetType type, VARIANT* out) {
  const void* text = nullptr;
  pv::ado::Cell c = reader.Peek(static_cast<int>(i), &text);
  if (c.kind == Value::Text && (type == JetType::Text || type == JetType::Memo)) {
    std::memset(static_cast<void*>(out), 0, sizeof(VARIANT));
    if (!TextToVariant(text, c.length, out)) out->vt = VT_BSTR;  // as before: a null BSTR when memory ran out
    return;
  }
  if (c.kind == Value::Text || c.kind == Value::Blob) {
    std::memset(static_cast<void*>(out), 0, sizeof(VARIANT));
    ToVariant(reader.Get(static_cast<int>(i)), type, out);
    return;
  }
  static const pv::ado::CellStore kNoText;
  CellToVariant(kNoText, c, type, out);
}

}  // namespace

// A value given by a caller, converted for a column.
Value FromVariant(const VARIANT& in, JetType type, const std::u16string& field) {
  _variant_t src;
  if (in.vt & VT_BYREF) {
    if (FAILED(VariantCopyInd(&src, &in)))
      Fail(pv::ado::kErrTypeMismatch, u"Data type mismatch in the value for '" + field + u"'.");
  } else {
    src = in;
  }
  if (src.vt == VT_EMPTY || src.vt == VT_NULL || IsMissing(src)) return Value();
  auto mismatch = [&](HRESULT hr) -> Value {
    if (hr == DISP_E_OVERFLOW)
      Fail(pv::ado::kErrDataOverflow,
           u"The value is out of range for the field '" + field + u"' (" + TypeWord(type) + u").");
    Fail(pv::ado::kErrTypeMismatch,
         u"Data type mismatch: the value cannot be stored in the field '" + field + u"' (" + TypeWord(type) + u").");
  };
  _variant_t dst;
  HRESULT hr = S_OK;
  switch (type) {
    case JetType::Text:
    case JetType::Memo:
      if (FAILED(hr = VariantChangeType(&dst, &src, 0, VT_BSTR))) return mismatch(hr);
      return Value::FromText(FromBstr(dst.bstrVal));
    case JetType::Counter:
    case JetType::Long:
      if (FAILED(hr = VariantChangeType(&dst, &src, 0, VT_I4))) return mismatch(hr);
      return Value::FromInt(dst.lVal);
    case JetType::Short:
      if (FAILED(hr = VariantChangeType(&dst, &src, 0, VT_I2))) return mismatch(hr);
      return Value::FromInt(dst.iVal);
    case JetType::Byte:
      if (FAILED(hr = VariantChangeType(&dst, &src, 0, VT_UI1))) return mismatch(hr);
      return Value::FromInt(dst.bVal);
    case JetType::BigInt:
      if (FAILED(hr = VariantChangeType(&dst, &src, 0, VT_I8))) return mismatch(hr);
      return Value::FromInt(dst.llVal);
    case JetType::Single:
      if (FAILED(hr = VariantChangeType(&dst, &src, 0, VT_R4))) return mismatch(hr);
      return Value::FromReal(static_cast<double>(dst.fltVal));
    case JetType::Double:
      if (FAILED(hr = VariantChangeType(&dst, &src, 0, VT_R8))) return mismatch(hr);
      return Value::FromReal(dst.dblVal);
    case JetType::Currency:
      if (FAILED(hr = VariantChangeType(&dst, &src, 0, VT_CY))) return mismatch(hr);
      return Value::FromReal(static_cast<double>(dst.cyVal.int64) / 10000.0);
    case JetType::DateTime:
      if (src.vt == VT_BSTR) {
        double d;
        if (!pv::ado::ParseJetDate(FromBstr(src.bstrVal), &d)) return mismatch(DISP_E_TYPEMISMATCH);
        return Value::FromReal(d);
      }
      if (FAILED(hr = VariantChangeType(&dst, &src, 0, VT_DATE))) return mismatch(hr);
      if (int y, m, d, h, mi, s; !pv::ado::DateToParts(dst.date, &y, &m, &d, &h, &mi, &s))
        return mismatch(DISP_E_OVERFLOW);
      return Value::FromReal(dst.date);
    case JetType::Bit:
      if (FAILED(hr = VariantChangeType(&dst, &src, 0, VT_BOOL))) return mismatch(hr);
      return Value::FromInt(dst.boolVal ? -1 : 0);
    default:
      break;
  }
  // Untyped: the natural value of the VARIANT.
  switch (src.vt) {
    case VT_BSTR:
      return Value::FromText(FromBstr(src.bstrVal));
    case VT_BOOL:
      return Value::FromInt(src.boolVal ? -1 : 0);
    case VT_R4:
      return Value::FromReal(src.fltVal);
    case VT_R8:
      return Value::FromReal(src.dblVal);
    case VT_DATE:
      return Value::FromReal(src.date);
    case VT_CY:
      return Value::FromReal(static_cast<double>(src.cyVal.int64) / 10000.0);
    case VT_ARRAY | VT_UI1: {
      Value b;
      b.kind = Value::Blob;
      void* data = nullptr;
      LONG lo = 0, hi = -1;
      SafeArrayGetLBound(src.parray, 1, &lo);
      SafeArrayGetUBound(src.parray, 1, &hi);
      if (hi >= lo && SUCCEEDED(SafeArrayAccessData(src.parray, &data))) {
        b.blob.assign(static_cast<BYTE*>(data), static_cast<BYTE*>(data) + (hi - lo + 1));
        SafeArrayUnaccessData(src.parray);
      }
      return b;
    }
    default:
      if (FAILED(hr = VariantChangeType(&dst, &src, 0, VT_I8))) return mismatch(hr);
      return Value::FromInt(dst.llVal);
  }
}

// ---- Recordset ------------------------------------------------------------------------------
struct SharedData {
  std::vector<ResultColumn> columns;
  pv::ado::CellStore store;             // the values of row `slot` start at slot * columns.size()
  pv::ado::StoreArray<int64_t> rowids;  // updatable results: each slot's row id
  size_t slots = 0;                     // rows read or added; a slot's bookmark is its number + 1
  bool updatable = false;
  std::u16string table;
};

enum EventId : unsigned {
  kWillChangeField,
  kFieldChangeComplete,
  kWillChangeRecord,
  kRecordChangeComplete,
  kWillChangeRecordset,
  kRecordsetChangeComplete,
  kWillMove,
  kMoveComplete,
  kEndOfRecordset,
};

class RecordsetImpl;

class FieldImpl final : public Field {
 public:
  FieldImpl(RecordsetImpl* owner, size_t index) : owner_(owner), index_(index) {}
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Field)) {
      *out = static_cast<Field*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  PV_DISPATCH_STUBS
  STDMETHODIMP get_Name(BSTR* v) override;
  STDMETHODIMP get_Value(VARIANT* v) override;
  [[gnu::noinline]] HRESULT ReadValue(VARIANT* v);
  STDMETHODIMP put_Value(VARIANT v) override;
  STDMETHODIMP get_Type(DataTypeEnum* v) override;
  STDMETHODIMP get_DefinedSize(long* v) override;
  STDMETHODIMP get_ActualSize(long* v) override;
  STDMETHODIMP get_Attributes(long* v) override;
  STDMETHODIMP get_OriginalValue(VARIANT* v) override;
  STDMETHODIMP get_UnderlyingValue(VARIANT* v) override { return get_OriginalValue(v); }
  ~FieldImpl() override = default;

 private:
  RecordsetImpl* owner_;
  size_t index_;
};

class FieldsImpl final : public Fields {
 public:
  explicit FieldsImpl(RecordsetImpl* owner) : owner_(owner) {}
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Fields)) {
      *out = static_cast<Fields*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  PV_DISPATCH_STUBS
  STDMETHODIMP get_Count(long* v) override;
  STDMETHODIMP get_Item(VARIANT index, Field** item) override;
  ~FieldsImpl() override = default;

 private:
  RecordsetImpl* owner_;
};

class ConnectionPointImpl final : public IConnectionPoint {
 public:
  explicit ConnectionPointImpl(RecordsetImpl* owner) : owner_(owner) {}
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
      *out = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = __uuidof(RecordsetEvents);
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** c) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }
  ~ConnectionPointImpl() override = default;

 private:
  RecordsetImpl* owner_;
};

class RecordsetImpl final : public _Recordset, public IConnectionPointContainer {
 public:
  RecordsetImpl() : fields_(this), point_(this) {}

  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    long r = --refs_;
    if (r == 0) delete this;
    return static_cast<ULONG>(r);
  }
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(_Recordset)) {
      *out = static_cast<_Recordset*>(this);
    } else if (riid == IID_IConnectionPointContainer) {
      *out = static_cast<IConnectionPointContainer*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  PV_DISPATCH_STUBS

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (riid != __uuidof(RecordsetEvents) && riid != __uuidof(RecordsetEventsVt)) return CONNECT_E_NOCONNECTION;
    *point = &point_;
    point_.AddRef();
    return S_OK;
  }

  // ---- properties ----
  STDMETHODIMP get_Fields(Fields** v) override {
    if (!v) return E_POINTER;
    *v = &fields_;
    fields_.AddRef();
    return S_OK;
  }
  STDMETHODIMP get_RecordCount(long* v) override {
    return Guard(conn_, [&] {
      if (!v) Fail(E_POINTER, u"Null pointer.");
      RequireOpen();
      bool unknown = location_ != adUseClient && (cursorType_ == adOpenForwardOnly || cursorType_ == adOpenDynamic);
      *v = unknown && !isView_ ? -1 : static_cast<long>(order_.size());
    });
  }
  STDMETHODIMP get_EOF(VARIANT_BOOL* v) override {
    if (v && open_) {  // asked once per row of a walk
      *v = (order_.empty() || pos_ >= static_cast<long>(order_.size())) ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    }
    return Guard(conn_, [&] {
      if (!v) Fail(E_POINTER, u"Null pointer.");
      RequireOpen();
      *v = (order_.empty() || pos_ >= static_cast<long>(order_.size())) ? VARIANT_TRUE : VARIANT_FALSE;
    });
  }
  STDMETHODIMP get_BOF(VARIANT_BOOL* v) override {
    return Guard(conn_, [&] {
      if (!v) Fail(E_POINTER, u"Null pointer.");
      RequireOpen();
      *v = (order_.empty() || pos_ < 0) ? VARIANT_TRUE : VARIANT_FALSE;
    });
  }
  STDMETHODIMP get_Bookmark(VARIANT* v) override {
    return Guard(conn_, [&] {
      if (!v) Fail(E_POINTER, u"Null pointer.");
      NotOnForwardOnly();
      size_t slot = CurrentSlot();
      VariantInit(v);
      v->vt = VT_R8;
      v->dblVal = static_cast<double>(slot + 1);
    });
  }
  STDMETHODIMP put_Bookmark(VARIANT v) override {
    return Guard(conn_, [&] {
      RequireOpen();
      NotOnForwardOnly();
      long target = FindBookmark(v);
      Move(adRsnMove, [&] { return target; });
    });
  }
  STDMETHODIMP get_AbsolutePosition(long* v) override {
    return Guard(conn_, [&] {
      if (!v) Fail(E_POINTER, u"Null pointer.");
      RequireOpen();
      if (order_.empty() || pos_ >= static_cast<long>(order_.size())) *v = order_.empty() ? adPosUnknown : adPosEOF;
      else if (pos_ < 0) *v = adPosBOF;
      else *v = pos_ + 1;
    });
  }
  STDMETHODIMP get_CursorType(CursorTypeEnum* v) override {
    if (!v) return E_POINTER;
    *v = cursorType_;
    return S_OK;
  }
  STDMETHODIMP put_CursorType(CursorTypeEnum v) override {
    return Guard(conn_, [&] {
      if (open_) FailAdo(adErrObjectOpen, u"The cursor type cannot change while the recordset is open.");
      cursorType_ = v;
    });
  }
  STDMETHODIMP get_LockType(LockTypeEnum* v) override {
    if (!v) return E_POINTER;
    *v = lockType_;
    return S_OK;
  }
  STDMETHODIMP put_LockType(LockTypeEnum v) override {
    return Guard(conn_, [&] {
      if (open_) FailAdo(adErrObjectOpen, u"The lock type cannot change while the recordset is open.");
      lockType_ = v;
    });
  }
  STDMETHODIMP get_CursorLocation(CursorLocationEnum* v) override {
    if (!v) return E_POINTER;
    *v = location_;
    return S_OK;
  }
  STDMETHODIMP put_CursorLocation(CursorLocationEnum v) override {
    return Guard(conn_, [&] {
      if (open_) FailAdo(adErrObjectOpen, u"The cursor location cannot change while the recordset is open.");
      location_ = v;
    });
  }
  STDMETHODIMP get_State(long* v) override {
    if (!v) return E_POINTER;
    *v = open_ ? adStateOpen : adStateClosed;
    return S_OK;
  }
  STDMETHODIMP get_EditMode(EditModeEnum* v) override {
    if (!v) return E_POINTER;
    *v = edit_;
    return S_OK;
  }
  STDMETHODIMP get_Source(VARIANT* v) override {
    if (!v) return E_POINTER;
    VariantInit(v);
    v->vt = VT_BSTR;
    v->bstrVal = AllocBstr(source_);
    return S_OK;
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
      if (open_) FailAdo(adErrObjectOpen, u"The connection cannot change while the recordset is open.");
      SetConnection(ResolveConnection(v));
    });
  }
  STDMETHODIMP putref_ActiveConnection(IDispatch* v) override {
    return Guard(conn_, [&] {
      if (open_) FailAdo(adErrObjectOpen, u"The connection cannot change while the recordset is open.");
      ConnectionImpl* c = AsConnection(v);
      if (v && !c) FailAdo(adErrInvalidArgument, u"The object given as connection is not a connection.");
      if (c) c->AddRef();
      SetConnection(c);
    });
  }
  STDMETHODIMP get_Collect(VARIANT index, VARIANT* v) override {
    // A walk's read is answered before the guard: nothing on that path can
    // fail, and every other case goes through the guard below.
    if (live_) {  // the current row of a forward-only walk
      if (index.vt == VT_I4 && index.lVal >= 0 && v && reader_->ReadQuick(static_cast<size_t>(index.lVal), v))
        return S_OK;
    }
    if (size_t i; data_ && QuickIndex(index, &i) && ReadQuick(i, v)) return S_OK;
    return ReadCollect(index, v);
  }
  [[gnu::noinline]] HRESULT ReadCollect(const VARIANT& index, VARIANT* v) {
    return Guard(conn_, [&] {
      size_t i = FieldIndex(index);
      if (!ReadCurrent(i, v)) ReadField(i, v, false);
    });
  }
  STDMETHODIMP put_Collect(VARIANT index, VARIANT v) override {
    return Guard(conn_, [&] { WriteField(FieldIndex(index), v); });
  }

  // ---- methods ----
  STDMETHODIMP raw_Open(VARIANT source, VARIANT activeConnection, CursorTypeEnum cursorType, LockTypeEnum lockType,
                        long options) override {
    return Guard(conn_, [&] {
      if (source.vt != VT_BSTR)
        FailAdo(adErrInvalidArgument, u"The source of the recordset must be SQL text or a table name.");
      std::u16string text = FromBstr(source.bstrVal);
      if (options != -1 && (options & (adCmdTable | adCmdTableDirect))) text = u"SELECT * FROM [" + text + u"]";
      OpenOn(std::move(text), {}, activeConnection, cursorType, lockType);
    });
  }
  STDMETHODIMP raw_OpenWithParameters(BSTR text, const VARIANT* values, long count, VARIANT activeConnection,
                                      CursorTypeEnum cursorType, LockTypeEnum lockType) override {
    return Guard(
        conn_, [&] { OpenOn(FromBstr(text), ParameterValues(values, count), activeConnection, cursorType, lockType); });
  }
  STDMETHODIMP raw_Close() override {
    return Guard(conn_, [&] {
      RequireOpen();
      struct Closing {
        bool& flag;
        ~Closing() { flag = false; }
      } closing{closing_ = true};
      Fire(kWillChangeRecordset, adStatusCantDeny,
           [&](RecordsetEventsVt* s, EventStatusEnum* st) { return s->WillChangeRecordset(adRsnClose, st, this); });
      CloseNow();
      Fire(kRecordsetChangeComplete, adStatusOK, [&](RecordsetEventsVt* s, EventStatusEnum* st) {
        return s->RecordsetChangeComplete(adRsnClose, nullptr, st, this);
      });
    });
  }
  STDMETHODIMP raw_Requery(long) override {
    return Guard(conn_, [&] {
      RequireOpen();
      NotOnForwardOnly();
      if (edit_ != adEditNone) Update();
      if (!Fire(kWillChangeRecordset, adStatusOK, [&](RecordsetEventsVt* s, EventStatusEnum* st) {
            return s->WillChangeRecordset(adRsnRequery, st, this);
          }))
        Cancelled();
      Translation t = conn_->Db().Translate(source_, &params_);
      Load(conn_->Db().Query(t), t);
      Fire(kRecordsetChangeComplete, adStatusOK, [&](RecordsetEventsVt* s, EventStatusEnum* st) {
        return s->RecordsetChangeComplete(adRsnRequery, nullptr, st, this);
      });
    });
  }
  STDMETHODIMP raw_MoveFirst() override {
    return Guard(conn_, [&] {
      if (streaming_ && streamRow_ == 1) return;  // already on the first row
      NotOnForwardOnly();
      Move(adRsnMoveFirst, [&] { return 0L; });
    });
  }
  STDMETHODIMP raw_MoveLast() override {
    return Guard(conn_, [&] {
      NotOnForwardOnly();
      Move(adRsnMoveLast, [&] { return static_cast<long>(order_.size()) - 1; });
    });
  }
  STDMETHODIMP raw_MoveNext() override {
    if (live_ && sinks_.empty()) {  // a plain walk: step the statement, nobody to tell
      int stepped = reader_->TryNext();
      if (stepped < 0) return StepFailed(-stepped);
      pos_ = 0;
      ++streamRow_;
      LiveStepped(stepped > 0);
      return S_OK;
    }
    if (!streaming_ && open_ && sinks_.empty() && edit_ == adEditNone && !removedCurrent_ && pos_ >= 0 &&
        pos_ < static_cast<long>(order_.size())) {  // a plain walk of stored rows: nothing to write or tell
      ++pos_;
      return S_OK;
    }
    return Guard(conn_, [&] {
      RequireOpen();
      if (!removedCurrent_ && (order_.empty() || pos_ >= static_cast<long>(order_.size()))) NoCurrent();
      if (streaming_) {
        if (sinks_.empty()) return ShiftStream();  // a plain walk: nobody to tell
        if (!Fire(kWillMove, adStatusOK,
                  [&](RecordsetEventsVt* s, EventStatusEnum* st) { return s->WillMove(adRsnMoveNext, st, this); }))
          Cancelled();
        ShiftStream();
        Fire(kMoveComplete, adStatusOK, [&](RecordsetEventsVt* s, EventStatusEnum* st) {
          return s->MoveComplete(adRsnMoveNext, nullptr, st, this);
        });
        return;
      }
      Move(adRsnMoveNext, [&] { return removedCurrent_ ? pos_ : pos_ + 1; });
    });
  }
  STDMETHODIMP raw_MovePrevious() override {
    return Guard(conn_, [&] {
      RequireOpen();
      NotOnForwardOnly();
      if (order_.empty() || pos_ < 0) NoCurrent();
      Move(adRsnMovePrevious, [&] { return pos_ - 1; });
    });
  }
  STDMETHODIMP raw_Move(long n, VARIANT start) override {
    return Guard(conn_, [&] {
      RequireOpen();
      NotOnForwardOnly();
      long base = pos_;
      if (!IsMissing(start)) {
        _variant_t s(start);
        if (s.vt == VT_I4 && s.lVal == adBookmarkFirst) base = 0;
        else if (s.vt == VT_I4 && s.lVal == adBookmarkLast) base = static_cast<long>(order_.size()) - 1;
        else if (!(s.vt == VT_I4 && s.lVal == adBookmarkCurrent)) base = FindBookmark(start);
      } else if (n != 0 &&
                 (order_.empty() || (pos_ < 0 && n < 0) || (pos_ >= static_cast<long>(order_.size()) && n > 0))) {
        NoCurrent();
      }
      Move(adRsnMove, [&] { return base + n; });
    });
  }
  STDMETHODIMP raw_AddNew(VARIANT fieldList, VARIANT values) override {
    return Guard(conn_, [&] {
      RequireUpdatable();
      if (edit_ != adEditNone) Update();
      // The row does not exist yet: the event's recordset shows no rows.
      if (!FireRecord(kWillChangeRecord, kNoRow, [&](RecordsetEventsVt* s, EventStatusEnum* st, _Recordset* view) {
            return s->WillChangeRecord(adRsnAddNew, 1, st, view);
          }))
        Cancelled();
      // Sized from the slot count, so a failure half way leaves nothing out of step.
      const size_t slot = data_->slots;
      data_->store.cells.resize((slot + 1) * data_->columns.size());
      data_->rowids.resize(slot + 1);
      order_.push_back(slot);
      data_->slots = slot + 1;
      posBeforeAdd_ = pos_;
      pos_ = static_cast<long>(order_.size()) - 1;
      removedCurrent_ = false;
      edit_ = adEditAdd;
      buffer_.clear();
      FireRecordComplete(adRsnAddNew, nullptr);
      if (!IsMissing(fieldList)) {
        PutList(fieldList, values);
        Update();
      }
    });
  }
  STDMETHODIMP raw_Update(VARIANT fields, VARIANT values) override {
    return Guard(conn_, [&] {
      RequireOpen();
      if (!IsMissing(fields)) PutList(fields, values);
      Update();
    });
  }
  STDMETHODIMP raw_CancelUpdate() override {
    return Guard(conn_, [&] {
      RequireOpen();
      CancelEdit();
    });
  }
  STDMETHODIMP raw_Delete(AffectEnum affect) override {
    return Guard(conn_, [&] {
      if (affect != adAffectCurrent)
        FailAdo(adErrFeatureNotAvailable, u"Only the current row can be deleted (adAffectCurrent).");
      RequireUpdatable();
      size_t slot = CurrentSlot();
      if (edit_ == adEditAdd) {
        CancelEdit();
        return;
      }
      edit_ = adEditNone;
      buffer_.clear();
      if (!FireRecord(kWillChangeRecord, slot, [&](RecordsetEventsVt* s, EventStatusEnum* st, _Recordset* view) {
            return s->WillChangeRecord(adRsnDelete, 1, st, view);
          }))
        Cancelled();
      try {
        Translation t;
        t.kind = StatementKind::Delete;
        t.table = data_->table;
        t.sql = "DELETE FROM " + Quote(data_->table) + " WHERE " + RowCriteria(slot, t.params);
        if (conn_->Db().Execute(t) == 0) ConcurrentChange(u"deleted");
      } catch (const Failure& e) {
        _com_ptr_t<Error> err(new ErrorImpl(e.hr(), e.description()), false);
        FireRecordCompleteFor(adRsnDelete, slot, err);
        throw;
      }
      pos_ = PositionOf(slot);
      order_.erase(order_.begin() + pos_);
      removedCurrent_ = true;
      FireRecordCompleteFor(adRsnDelete, slot, nullptr);
      // The delete was written at once: the update events follow.
      FireRecord(kWillChangeRecord, slot, [&](RecordsetEventsVt* s, EventStatusEnum* st, _Recordset* view) {
        *st = adStatusCantDeny;
        return s->WillChangeRecord(adRsnUpdate, 1, st, view);
      });
      FireRecordCompleteFor(adRsnUpdate, slot, nullptr);
    });
  }
  STDMETHODIMP raw_CompareBookmarks(VARIANT b1, VARIANT b2, CompareEnum* result) override {
    return Guard(conn_, [&] {
      if (!result) Fail(E_POINTER, u"Null pointer.");
      RequireOpen();
      double x = BookmarkNumber(b1), y = BookmarkNumber(b2);
      // Rows keep the order in which they were read or added.
      *result = x < y ? adCompareLessThan : x > y ? adCompareGreaterThan : adCompareEqual;
    });
  }

  // ---- used by Fields/Field/ConnectionPoint ----
  size_t FieldCount() const { return data_ ? data_->columns.size() : 0; }
  const ResultColumn& Column(size_t i) const {
    if (!data_ || i >= data_->columns.size())
      FailAdo(adErrItemNotFound, u"The field no longer exists in this recordset.");
    return data_->columns[i];
  }
  bool FieldUpdatable(size_t i) const {
    const ResultColumn& c = Column(i);
    return data_->updatable && lockType_ != adLockReadOnly && !isView_ && !c.column.empty() && !c.counter &&
           pv::ado::CompareNoCase(c.table, data_->table) == 0;
  }
  Field* FieldObject(size_t i) {
    while (fieldObjects_.size() <= i) fieldObjects_.push_back(std::make_unique<FieldImpl>(this, fieldObjects_.size()));
    return fieldObjects_[i].get();
  }
  size_t FieldIndex(const VARIANT& index) {
    RequireOpenOrFields();
    // Names and longs, as callers pass them, are read in place (no copy of the name).
    if (index.vt == VT_BSTR) return FieldNamed(index.bstrVal);
    if (index.vt == VT_I4 && index.lVal >= 0 && index.lVal < static_cast<long>(data_->columns.size()))
      return static_cast<size_t>(index.lVal);
    return FieldIndexOfAnyKind(index);
  }
  [[gnu::noinline]] size_t FieldIndexOfAnyKind(const VARIANT& index) const {
    _variant_t v;
    if (FAILED(VariantCopyInd(&v, &index))) FailAdo(adErrInvalidArgument, u"The field index is not valid.");
    if (v.vt == VT_BSTR) return FieldNamed(v.bstrVal);
    _variant_t n;
    if (FAILED(VariantChangeType(&n, &v, 0, VT_I4)) || n.lVal < 0 || n.lVal >= static_cast<long>(data_->columns.size()))
      FailAdo(adErrItemNotFound, u"There is no field with that number in this recordset.");
    return static_cast<size_t>(n.lVal);
  }
  // The field a number or a name given as callers pass them (VT_I4,
  // VT_BSTR) stands for; false for other kinds and for a field that is not
  // there, which FieldIndex then reports.
  bool QuickIndex(const VARIANT& index, size_t* i) const noexcept {
    if (index.vt == VT_I4) {
      *i = static_cast<size_t>(index.lVal);
      return index.lVal >= 0 && *i < types_.size();
    }
    if (index.vt != VT_BSTR) return false;
    *i = FindField(index.bstrVal);
    return *i != kNoField;
  }
  static constexpr size_t kNoField = static_cast<size_t>(-1);
  // The first field whose name equals `name` without regard to case. Case
  // folding maps one unit to one unit, so only names of the same length
  // can match, and an exact match needs no folding.
  size_t FindField(BSTR bstr) const noexcept {
    // Callers read a row's fields in order, so the field after the one
    // found last is tried first. Its exact name answers only when no
    // earlier field has the same name in another case (the first such
    // field is the answer). firstOfName_ has one entry per field.
    if (size_t g = nameGuess_; bstr && g < firstOfName_.size() && firstOfName_[g]) {
      const std::u16string& c = data_->columns[g].name;
      const size_t units = SysStringLen(bstr);
      if (c.size() == units && std::memcmp(c.data(), bstr, units * sizeof(char16_t)) == 0) {
        nameGuess_ = g + 1 < firstOfName_.size() ? g + 1 : 0;
        return g;
      }
    }
    return SearchField(bstr);
  }
  [[gnu::noinline]] size_t SearchField(BSTR bstr) const noexcept {
    std::u16string_view name(bstr ? bstr : u"", bstr ? SysStringLen(bstr) : 0);
    const ResultColumn* columns = data_->columns.data();
    const size_t count = data_->columns.size();
    for (size_t i = 0; i < count; ++i) {
      const std::u16string& c = columns[i].name;
      if (c.size() != name.size()) continue;
      size_t same = 0;
      while (same < name.size() && c[same] == name[same]) ++same;
      if (same == name.size() ||
          (pv::ado::FoldCase(c[same]) == pv::ado::FoldCase(name[same]) && pv::ado::CompareNoCase(c, name) == 0)) {
        nameGuess_ = i + 1 < count ? i + 1 : 0;
        return i;
      }
    }
    return kNoField;
  }
  // Which fields are the first of their name (without regard to case), for
  // FindField's guess; called whenever the columns change.
  void ColumnsChanged() {
    const std::vector<ResultColumn>& columns = data_->columns;
    firstOfName_.assign(columns.size(), 1);
    types_.resize(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) types_[i] = columns[i].type;
    for (size_t i = 0; i < columns.size(); ++i)
      for (size_t j = 0; j < i && firstOfName_[i]; ++j)
        if (pv::ado::CompareNoCase(columns[j].name, columns[i].name) == 0) firstOfName_[i] = 0;
    nameGuess_ = 0;
  }
  size_t FieldNamed(BSTR bstr) const {
    size_t i = FindField(bstr);
    if (i != kNoField) return i;
    NoField(std::u16string_view(bstr ? bstr : u"", bstr ? SysStringLen(bstr) : 0));
  }
  [[noreturn, gnu::noinline, gnu::cold]] static void NoField(std::u16string_view name) {
    FailAdo(adErrItemNotFound, u"The field '" + std::u16string(name) + u"' is not in this recordset.");
  }
  // The value of field `i` of the current row in the common case of a walk:
  // open, on a row, no pending edit. False when any of that does not hold;
  // ReadField then checks and reports.
  // ReadCurrent for the conversions that cannot fail (QuickCell), without
  // building anything but the text's BSTR. False leaves `out` untouched.
  [[gnu::always_inline]] bool ReadQuick(size_t i, VARIANT* out) const noexcept {
    if (!out) return false;
    // Live rows are read-only and always on a row: nothing else to check.
    if (live_) return reader_->ReadQuick(i, out);
    VARIANT v;
    std::memset(static_cast<void*>(&v), 0, sizeof v);
    if (!open_ || edit_ != adEditNone || removedCurrent_ || pos_ < 0) return false;
    const size_t at = static_cast<size_t>(pos_), n = types_.size();
    if (at >= order_.size() || i >= n) return false;
    const pv::ado::CellStore& store = data_->store;
    const pv::ado::Cell& c = store.cells[order_[at] * n + i];
    const void* text = c.kind == Value::Text ? store.Text(c).data() : nullptr;
    if (!QuickCell(c, text, types_[i], &v)) return false;
    *out = v;
    return true;
  }
  bool ReadCurrent(size_t i, VARIANT* out) const {
    if (!out || !open_ || edit_ != adEditNone || removedCurrent_ || pos_ < 0) return false;
    size_t at = static_cast<size_t>(pos_);
    if (at >= order_.size()) return false;
    const SharedData& d = *data_;
    size_t n = d.columns.size();
    if (i >= n) return false;
    if (live_) LiveToVariant(*reader_, i, d.columns[i].type, out);
    else CellToVariant(d.store, d.store.cells[order_[at] * n + i], d.columns[i].type, out);
    return true;
  }
  void ReadField(size_t i, VARIANT* out, bool original) {
    if (!out) Fail(E_POINTER, u"Null pointer.");
    size_t slot = CurrentSlot();
    const ResultColumn& c = Column(i);
    if (!original && edit_ != adEditNone) {
      auto it = buffer_.find(i);
      if (it != buffer_.end()) return ToVariant(it->second, c.type, out);
    }
    if (live_) return LiveToVariant(*reader_, i, c.type, out);
    CellToVariant(data_->store, data_->store.cells[slot * data_->columns.size() + i], c.type, out);
  }
  void WriteField(size_t i, const VARIANT& value) {
    RequireUpdatable();
    size_t slot = CurrentSlot();
    const ResultColumn& c = Column(i);
    if (c.counter)
      Fail(pv::ado::kErrGeneric, u"The field '" + c.name + u"' cannot be changed: it is an automatic key (COUNTER).");
    if (!FieldUpdatable(i))
      Fail(pv::ado::kErrGeneric, u"The field '" + c.name + u"' is computed by the query and cannot be changed.");
    Value v = FromVariant(value, c.type, c.name);
    VARIANT array = FieldsArray(i);
    _variant_t fieldsArg(array, false);  // owns the array
    bool ok = Fire(kWillChangeField, adStatusOK, [&](RecordsetEventsVt* s, EventStatusEnum* st) {
      return s->WillChangeField(1, fieldsArg, st, this);
    });
    if (!ok) Cancelled();
    if (edit_ == adEditNone) {
      if (!FireRecord(kWillChangeRecord, slot, [&](RecordsetEventsVt* s, EventStatusEnum* st, _Recordset* view) {
            return s->WillChangeRecord(adRsnFirstChange, 1, st, view);
          }))
        Cancelled();
      edit_ = adEditInProgress;
      FireRecordCompleteFor(adRsnFirstChange, slot, nullptr);
    }
    buffer_[i] = std::move(v);
    Fire(kFieldChangeComplete, adStatusOK, [&](RecordsetEventsVt* s, EventStatusEnum* st) {
      return s->FieldChangeComplete(1, fieldsArg, nullptr, st, this);
    });
  }
  HRESULT Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    RecordsetEventsVt* events = nullptr;
    if (FAILED(sink->QueryInterface(__uuidof(RecordsetEventsVt), reinterpret_cast<void**>(&events))) || !events)
      return CONNECT_E_CANNOTCONNECT;
    sinks_.push_back(Sink{nextCookie_, events, 0});
    *cookie = nextCookie_++;
    return S_OK;
  }
  HRESULT Unadvise(DWORD cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
      if (it->cookie == cookie) {
        RecordsetEventsVt* s = it->sink;
        sinks_.erase(it);
        s->Release();
        return S_OK;
      }
    }
    return CONNECT_E_NOCONNECTION;
  }
  IConnectionPointContainer* Container() { return this; }
  ConnectionImpl* connection() const { return conn_; }

  // Called by the connection when it closes.
  void ConnectionClosing() { CloseNow(); }

  // A read-only recordset over `data` showing the rows `order` (events, Execute).
  static RecordsetImpl* MakeResult(ConnectionImpl* conn, std::shared_ptr<SharedData> data, std::vector<size_t> order,
                                   bool view) {
    auto* rs = new RecordsetImpl;
    rs->data_ = std::move(data);
    rs->ColumnsChanged();
    rs->order_ = std::move(order);
    rs->isView_ = view;
    rs->open_ = true;
    rs->lockType_ = adLockReadOnly;
    rs->cursorType_ = view ? adOpenStatic : adOpenForwardOnly;
    rs->location_ = view ? adUseClient : adUseServer;
    if (conn) {
      rs->conn_ = conn;
      conn->AddRef();
      if (!view) conn->Track(rs);
    }
    return rs;
  }
  // Forward-only rows read from the statement as the caller moves: the
  // current row and the next one are kept, and the statement is finished
  // as soon as the last row has been read (so a one-row result holds no
  // statement open while the caller keeps the recordset).
  static RecordsetImpl* MakeStreaming(ConnectionImpl* conn, std::unique_ptr<Database::Reader> reader) {
    RecordsetImpl* rs = MakeResult(conn, std::make_shared<SharedData>(), {}, false);
    try {
      rs->StartStreaming(std::move(reader));
    } catch (...) {
      rs->Release();
      throw;
    }
    return rs;
  }
  void StartStreaming(std::unique_ptr<Database::Reader> reader) {
    data_ = std::make_shared<SharedData>();
    data_->columns = reader->columns();
    ColumnsChanged();
    data_->slots = 1;
    order_.clear();
    pos_ = 0;
    streamRow_ = 0;
    removedCurrent_ = false;
    edit_ = adEditNone;
    buffer_.clear();
    reader_ = std::move(reader);
    streaming_ = true;
    live_ = pendingLive_ = false;
    Prefetch();
    ShiftStream();
  }

  static std::shared_ptr<SharedData> DataFrom(pv::ado::ResultSet&& r, const Translation& t) {
    auto d = std::make_shared<SharedData>();
    d->columns = std::move(r.columns);
    d->updatable = t.updatable;
    d->table = t.table;
    d->store = std::move(r.store);
    d->slots = r.rowCount;
    d->rowids = std::move(r.rowids);
    return d;
  }

 private:
  struct Sink {
    DWORD cookie;
    RecordsetEventsVt* sink;
    unsigned unwanted;
  };

  ~RecordsetImpl() override {
    if (open_) CloseNow();
    for (Sink& s : sinks_) s.sink->Release();
    if (conn_) conn_->Release();
  }

  [[noreturn]] static void NoCurrent() {
    FailAdo(adErrNoCurrentRecord,
            u"There is no current row: the position is before the first row or after the last (BOF or EOF), or the row "
            u"was deleted.");
  }
  [[noreturn]] static void Cancelled() {
    FailAdo(adErrOperationCancelled, u"The operation was cancelled by an event handler.");
  }

  void RequireOpen() const {
    if (!open_) FailClosed();
  }
  void NotOnForwardOnly() const {
    if (streaming_)
      FailAdo(
          adErrFeatureNotAvailable,
          u"A forward-only recordset moves only forward and has no bookmarks; open it with a static or client cursor.");
  }
  // Streaming: reads the row after the current one into pending_.
  void Prefetch() {
    pending_.cells.clear();
    pending_.arena.clear();
    pending_.blobs.clear();
    pendingRow_ = reader_ && reader_->Next();
    if (pendingRow_) reader_->ReadRow(pending_);
    else reader_.reset();
  }
  // Streaming: moves to the next row (or EOF). The first row is copied
  // and the statement stepped on at once, so a result of one row ends its
  // statement before the caller reads it (a kept one-row result holds
  // nothing open). Later rows are read in place from the statement
  // ("live"); the statement ends when the caller moves past the last one.
  void ShiftStream() {
    pos_ = 0;
    ++streamRow_;
    if (live_) return LiveStepped(StepStream());
    if (!pendingRow_) {
      order_.clear();
      return;
    }
    order_.assign(1, 0);
    if (pendingLive_) {
      pendingRow_ = pendingLive_ = false;
      live_ = true;
      return;
    }
    // Member swaps: no allocation per row.
    data_->store.cells.swap(pending_.cells);
    data_->store.arena.swap(pending_.arena);
    data_->store.blobs.swap(pending_.blobs);
    pendingRow_ = pendingLive_ = StepStream();
    if (!pendingRow_) reader_.reset();
  }
  // Steps the statement. A step that fails ends the walk before the failure
  // is reported: stepping a failed statement again would start it over and
  // hand out its first rows a second time.
  bool StepStream() {
    int stepped = reader_->TryNext();
    if (stepped < 0) FailStream(-stepped);
    return stepped > 0;
  }
  [[noreturn]] void FailStream(int code) {
    try {
      reader_->Fail(code);
    } catch (...) {
      live_ = pendingRow_ = pendingLive_ = false;
      reader_.reset();
      order_.clear();
      pos_ = 0;
      throw;
    }
  }
  // Streaming, live: the statement has stepped; at its end there is no row.
  void LiveStepped(bool onRow) {
    if (onRow) return;
    live_ = false;
    reader_.reset();
    order_.clear();
  }
  // A step of a plain walk failed: reported as ShiftStream would.
  [[gnu::noinline, gnu::cold]] HRESULT StepFailed(int code) {
    return Guard(conn_, [&] {
      ++streamRow_;
      FailStream(code);
    });
  }
  void RequireOpenOrFields() const {
    if (!data_) FailClosed();
  }
  void RequireUpdatable() const {
    RequireOpen();
    if (lockType_ == adLockReadOnly || isView_)
      Fail(pv::ado::kErrGeneric, u"The recordset is read-only (lock type adLockReadOnly); it cannot be changed.");
    if (!data_->updatable)
      Fail(pv::ado::kErrGeneric,
           u"The recordset cannot be updated: it joins several tables or computes its rows (aggregates, DISTINCT, "
           u"GROUP BY).");
    if (!conn_ || !conn_->IsOpen()) FailClosed();
  }
  size_t CurrentSlot() const {
    RequireOpen();
    if (removedCurrent_ || order_.empty() || pos_ < 0 || pos_ >= static_cast<long>(order_.size())) NoCurrent();
    return order_[static_cast<size_t>(pos_)];
  }
  double BookmarkNumber(const VARIANT& v) const {
    _variant_t n;
    if (FAILED(VariantChangeType(&n, &v, 0, VT_R8)) || n.dblVal < 1 || n.dblVal > static_cast<double>(data_->slots) ||
        n.dblVal != std::floor(n.dblVal))
      FailAdo(adErrInvalidArgument, u"The bookmark is not valid for this recordset.");
    return n.dblVal;
  }
  long FindBookmark(const VARIANT& v) const {
    size_t slot = static_cast<size_t>(BookmarkNumber(v)) - 1;
    for (size_t i = 0; i < order_.size(); ++i)
      if (order_[i] == slot) return static_cast<long>(i);
    FailAdo(adErrInvalidArgument, u"The bookmark names a row that is no longer in this recordset (it was deleted).");
  }

  ConnectionImpl* ResolveConnection(const VARIANT& v) {
    _variant_t c;
    VariantCopyInd(&c, &v);
    if (c.vt == VT_DISPATCH || c.vt == VT_UNKNOWN) {
      ConnectionImpl* impl = AsConnection(c.punkVal);
      if (!impl) FailAdo(adErrInvalidArgument, u"The object given as connection is not a connection.");
      impl->AddRef();
      return impl;
    }
    if (c.vt == VT_BSTR) {
      ConnectionImpl* impl = new ConnectionImpl;
      std::u16string cs = FromBstr(c.bstrVal);
      try {
        impl->OpenFile(DataSourceOf(cs), cs);
      } catch (...) {
        impl->Release();
        throw;
      }
      return impl;
    }
    if (c.vt == VT_EMPTY || c.vt == VT_NULL) return nullptr;
    FailAdo(adErrInvalidArgument, u"The connection must be a connection object or a connection string.");
  }
  void SetConnection(ConnectionImpl* c) {  // takes the reference
    if (conn_) conn_->Release();
    conn_ = c;
  }

  void OpenOn(std::u16string text, std::vector<Value> params, const VARIANT& activeConnection,
              CursorTypeEnum cursorType, LockTypeEnum lockType) {
    if (open_) FailAdo(adErrObjectOpen, u"The recordset is already open.");
    if (!IsMissing(activeConnection)) SetConnection(ResolveConnection(activeConnection));
    if (!conn_)
      FailAdo(adErrInvalidArgument, u"The recordset has no connection: pass one to Open or set ActiveConnection.");
    if (cursorType != adOpenUnspecified) cursorType_ = cursorType;
    if (lockType != adLockUnspecified) lockType_ = lockType;
    Translation t = conn_->Db().Translate(text, &params);
    if (t.kind != StatementKind::Select) {
      // A statement without rows runs; the recordset stays closed.
      conn_->Db().Execute(t);
      return;
    }
    source_ = std::move(text);
    params_ = std::move(params);
    if (location_ != adUseClient && cursorType_ == adOpenForwardOnly && lockType_ == adLockReadOnly)
      StartStreaming(conn_->Db().OpenReader(t));  // read once, front to back
    else Load(conn_->Db().Query(t), t);
    if (location_ == adUseClient) cursorType_ = adOpenStatic;
    open_ = true;
    conn_->Track(this);
  }

  void Load(pv::ado::ResultSet&& r, const Translation& t) {
    streaming_ = false;
    reader_.reset();
    live_ = pendingLive_ = pendingRow_ = false;
    data_ = DataFrom(std::move(r), t);
    ColumnsChanged();
    order_.resize(data_->slots);
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = i;
    pos_ = 0;
    removedCurrent_ = false;
    edit_ = adEditNone;
    buffer_.clear();
  }
  void CloseNow() {
    if (!open_) return;
    open_ = false;
    reader_.reset();
    pendingRow_ = pendingLive_ = live_ = false;
    edit_ = adEditNone;
    buffer_.clear();
    order_.clear();
    pos_ = 0;
    if (data_) {
      // Field objects handed out keep answering "closed".
      {
        auto closed = std::make_shared<SharedData>();
        closed->columns = data_->columns;
        data_ = std::move(closed);
      }
    }
    if (conn_ && !isView_) conn_->Untrack(this);
  }

  template <class Target>
  void Move(EventReasonEnum reason, Target target) {
    RequireOpen();
    if (edit_ != adEditNone) Update();
    if (!Fire(kWillMove, adStatusOK,
              [&](RecordsetEventsVt* s, EventStatusEnum* st) { return s->WillMove(reason, st, this); }))
      Cancelled();
    long size = static_cast<long>(order_.size());
    long to = target();
    if (reason == adRsnMoveNext && to >= size && size > 0) {
      VARIANT_BOOL more = VARIANT_FALSE;
      Fire(kEndOfRecordset, adStatusOK,
           [&](RecordsetEventsVt* s, EventStatusEnum* st) { return s->EndOfRecordset(&more, st, this); });
      size = static_cast<long>(order_.size());
    }
    pos_ = to < 0 ? (size == 0 ? 0 : -1) : (to >= size ? size : to);
    removedCurrent_ = false;
    Fire(kMoveComplete, adStatusOK,
         [&](RecordsetEventsVt* s, EventStatusEnum* st) { return s->MoveComplete(reason, nullptr, st, this); });
  }

  void PutList(const VARIANT& fields, const VARIANT& values) {
    if ((fields.vt & VT_ARRAY) || (values.vt & VT_ARRAY)) {
      if (!(fields.vt & VT_ARRAY) || !(values.vt & VT_ARRAY))
        FailAdo(adErrInvalidArgument, u"Field list and values must both be arrays or both single values.");
      LONG lo = 0, hi = -1, vlo = 0, vhi = -1;
      SafeArrayGetLBound(fields.parray, 1, &lo);
      SafeArrayGetUBound(fields.parray, 1, &hi);
      SafeArrayGetLBound(values.parray, 1, &vlo);
      SafeArrayGetUBound(values.parray, 1, &vhi);
      if (hi - lo != vhi - vlo) FailAdo(adErrInvalidArgument, u"Field list and values differ in length.");
      for (LONG i = 0; i <= hi - lo; ++i) {
        _variant_t f, v;
        LONG fi = lo + i, vi = vlo + i;
        SafeArrayGetElement(fields.parray, &fi, &f);
        SafeArrayGetElement(values.parray, &vi, &v);
        WriteField(FieldIndex(f), v);
      }
      return;
    }
    WriteField(FieldIndex(fields), values);
  }

  static std::string Quote(const std::u16string& name) {
    std::string out = "\"";
    for (char c : pv::Utf16ToUtf8(name)) {
      out += c;
      if (c == '"') out += '"';
    }
    return out + "\"";
  }

  void Update() {
    RequireOpen();
    if (edit_ == adEditNone) return;
    size_t slot = CurrentSlot();
    if (!FireRecord(kWillChangeRecord, slot, [&](RecordsetEventsVt* s, EventStatusEnum* st, _Recordset* view) {
          return s->WillChangeRecord(adRsnUpdate, 1, st, view);
        }))
      Cancelled();
    try {
      Database& db = conn_->Db();
      Translation t;
      t.table = data_->table;
      if (edit_ == adEditAdd) {
        t.kind = StatementKind::Insert;
        if (buffer_.empty()) {
          t.sql = "INSERT INTO " + Quote(data_->table) + " DEFAULT VALUES";
        } else {
          std::string cols, marks;
          for (auto& [i, v] : buffer_) {
            if (!cols.empty()) cols += ", ", marks += ", ";
            cols += Quote(data_->columns[i].column);
            marks += "?";
            t.params.push_back(v);
          }
          t.sql = "INSERT INTO " + Quote(data_->table) + " (" + cols + ") VALUES (" + marks + ")";
        }
        db.Execute(t);
        data_->rowids[slot] = db.LastInsertRowid();
      } else {
        t.kind = StatementKind::Update;
        std::string sets;
        for (auto& [i, v] : buffer_) {
          if (!sets.empty()) sets += ", ";
          sets += Quote(data_->columns[i].column) + " = ?";
          t.params.push_back(v);
        }
        t.sql = "UPDATE " + Quote(data_->table) + " SET " + sets + " WHERE " + RowCriteria(slot, t.params);
        if (db.Execute(t) == 0) ConcurrentChange(u"updated");
      }
      Reread(slot);
    } catch (const Failure& e) {
      _com_ptr_t<Error> err(new ErrorImpl(e.hr(), e.description()), false);
      FireRecordCompleteFor(adRsnUpdate, slot, err);
      throw;
    }
    edit_ = adEditNone;
    buffer_.clear();
    FireRecordCompleteFor(adRsnUpdate, slot, nullptr);
  }

  // The criteria that find row `slot` again, its values appended to `params`.
  // A COUNTER key is the row id and is never reused, so the row id alone
  // finds the row or nothing. Without one SQLite may give a deleted row's id
  // to a new row: then every column must still hold what was read, so that a
  // stale row can never be mistaken for another.
  std::string RowCriteria(size_t slot, std::vector<Value>& params) {
    std::string where = "rowid = ?";
    params.push_back(Value::FromInt(data_->rowids[slot]));
    if (HasCounterKey()) return where;
    for (size_t i = 0; i < data_->columns.size(); ++i) {
      const ResultColumn& c = data_->columns[i];
      if (c.column.empty() || pv::ado::CompareNoCase(c.table, data_->table) != 0) continue;
      where += " AND " + Quote(c.column) + " IS ? COLLATE BINARY";
      params.push_back(data_->store.Get(data_->store.cells[slot * data_->columns.size() + i]));
    }
    return where;
  }
  bool HasCounterKey() {
    const pv::ado::TableInfo* info = conn_->Db().FindTable(data_->table);
    if (!info) return false;
    for (const pv::ado::ColumnInfo& c : info->columns)
      if (c.type == JetType::Counter) return true;
    return false;
  }
  [[noreturn]] static void ConcurrentChange(const char16_t* what) {
    Fail(pv::ado::kErrGeneric, u"The row could not be " + std::u16string(what) +
                                   u": another user or program changed or deleted it since it was read.");
  }

  // Reads the stored values back (keys, defaults, conversions the file made).
  void Reread(size_t slot) {
    std::string cols;
    std::vector<size_t> which;
    for (size_t i = 0; i < data_->columns.size(); ++i) {
      const ResultColumn& c = data_->columns[i];
      if (c.column.empty() || pv::ado::CompareNoCase(c.table, data_->table) != 0) continue;
      if (!cols.empty()) cols += ", ";
      cols += Quote(c.column);
      which.push_back(i);
    }
    auto cell = [&](size_t i) -> pv::ado::Cell& { return data_->store.cells[slot * data_->columns.size() + i]; };
    for (auto& [i, v] : buffer_) cell(i) = data_->store.Put(v);
    if (which.empty()) return;
    Translation q;
    q.kind = StatementKind::Select;
    q.sql = "SELECT " + cols + " FROM " + Quote(data_->table) + " WHERE rowid = ?";
    q.params.push_back(Value::FromInt(data_->rowids[slot]));
    pv::ado::ResultSet r = conn_->Db().Query(q);
    if (r.rowCount == 0) return;
    for (size_t k = 0; k < which.size(); ++k) cell(which[k]) = data_->store.Put(r.Get(0, k));
  }

  void CancelEdit() {
    if (edit_ == adEditNone) return;
    size_t slot = CurrentSlot();
    EventReasonEnum reason = edit_ == adEditAdd ? adRsnUndoAddNew : adRsnUndoUpdate;
    if (!FireRecord(kWillChangeRecord, slot, [&](RecordsetEventsVt* s, EventStatusEnum* st, _Recordset* view) {
          return s->WillChangeRecord(reason, 1, st, view);
        }))
      Cancelled();
    if (edit_ == adEditAdd) {
      order_.erase(order_.begin() + PositionOf(slot));
      long size = static_cast<long>(order_.size());
      pos_ = posBeforeAdd_ < 0 ? (size ? -1 : 0) : std::min(posBeforeAdd_, size);
    }
    edit_ = adEditNone;
    buffer_.clear();
    FireRecordCompleteFor(reason, slot, nullptr);
  }

  VARIANT FieldsArray(size_t i) {
    VARIANT v;
    VariantInit(&v);
    SAFEARRAY* a = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    if (!a) return v;
    VARIANT item;
    VariantInit(&item);
    item.vt = VT_DISPATCH;
    item.pdispVal = FieldObject(i);
    LONG index = 0;
    SafeArrayPutElement(a, &index, &item);  // copies (AddRef)
    v.vt = VT_ARRAY | VT_VARIANT;
    v.parray = a;
    return v;
  }

  // Calls each sink that still wants event `id`. Returns false when a sink cancelled.
  template <class Call>
  bool Fire(EventId id, EventStatusEnum initial, Call call) {
    if (sinks_.empty()) return true;
    std::vector<Sink> copy = sinks_;
    for (Sink& s : copy) s.sink->AddRef();
    AddRef();
    bool cancelled = false;
    for (Sink& s : copy) {
      auto live = std::find_if(sinks_.begin(), sinks_.end(), [&](const Sink& x) { return x.cookie == s.cookie; });
      if (live == sinks_.end() || (live->unwanted & (1u << id))) continue;
      EventStatusEnum st = initial;
      call(s.sink, &st);
      live = std::find_if(sinks_.begin(), sinks_.end(), [&](const Sink& x) { return x.cookie == s.cookie; });
      if (st == adStatusUnwantedEvent && live != sinks_.end()) live->unwanted |= 1u << id;
      if (st == adStatusCancel && initial == adStatusOK &&
          (id == kWillChangeField || id == kWillChangeRecord || id == kWillChangeRecordset || id == kWillMove))
        cancelled = true;
    }
    for (Sink& s : copy) s.sink->Release();
    bool closedByHandler = !open_ && !closing_;
    Release();
    if (closedByHandler) FailAdo(adErrOperationCancelled, u"The recordset was closed by an event handler.");
    return !cancelled;
  }
  // Where `slot` is now (an event handler may have moved the recordset).
  long PositionOf(size_t slot) const {
    for (size_t i = 0; i < order_.size(); ++i)
      if (order_[i] == slot) return static_cast<long>(i);
    NoCurrent();
  }
  // Record events see a recordset that shows only the affected row.
  template <class Call>
  bool FireRecord(EventId id, size_t slot, Call call) {
    if (sinks_.empty()) return true;
    ViewRef view{MakeResult(conn_, data_, slot == kNoRow ? std::vector<size_t>{} : std::vector<size_t>{slot}, true)};
    return Fire(id, adStatusOK, [&](RecordsetEventsVt* s, EventStatusEnum* st) { return call(s, st, view.p); });
  }
  void FireRecordCompleteFor(EventReasonEnum reason, size_t slot, Error* error) {
    if (sinks_.empty()) return;
    ViewRef view{MakeResult(conn_, data_, {slot}, true)};
    Fire(kRecordChangeComplete, error ? adStatusErrorsOccurred : adStatusOK,
         [&](RecordsetEventsVt* s, EventStatusEnum* st) {
           return s->RecordChangeComplete(reason, 1, error, st, view.p);
         });
  }
  void FireRecordComplete(EventReasonEnum reason, Error* error) {
    FireRecordCompleteFor(reason, order_[static_cast<size_t>(pos_)], error);
  }

  static constexpr size_t kNoRow = static_cast<size_t>(-1);
  struct ViewRef {
    RecordsetImpl* p;
    ~ViewRef() { p->Release(); }
  };
  long refs_ = 1;
  FieldsImpl fields_;
  ConnectionPointImpl point_;
  std::vector<std::unique_ptr<FieldImpl>> fieldObjects_;
  ConnectionImpl* conn_ = nullptr;
  CursorTypeEnum cursorType_ = adOpenForwardOnly;
  LockTypeEnum lockType_ = adLockReadOnly;
  CursorLocationEnum location_ = adUseServer;
  bool open_ = false;
  bool closing_ = false;
  bool isView_ = false;
  std::u16string source_;
  std::vector<Value> params_;  // the values of the source's `?` markers
  std::shared_ptr<SharedData> data_;
  std::vector<size_t> order_;
  long pos_ = 0;
  bool removedCurrent_ = false;
  EditModeEnum edit_ = adEditNone;
  std::map<size_t, Value> buffer_;
  long posBeforeAdd_ = 0;
  std::vector<Sink> sinks_;
  DWORD nextCookie_ = 1;
  // Forward-only reading (Execute).
  bool streaming_ = false;
  std::unique_ptr<Database::Reader> reader_;
  pv::ado::CellStore pending_;
  bool pendingRow_ = false;
  bool pendingLive_ = false;  // the pending row is the statement's current row, not copied
  bool live_ = false;         // the current row is the statement's current row
  long streamRow_ = 0;
  // FindField's guess: the field after the one found last.
  std::vector<char> firstOfName_;
  // The fields' types, for a walk's reads (one per field, as the columns).
  std::vector<JetType> types_;
  mutable size_t nameGuess_ = 0;
};

// Field, Fields and the connection point live inside their recordset and share its count.
ULONG FieldImpl::AddRef() { return owner_->AddRef(); }
ULONG FieldImpl::Release() { return owner_->Release(); }
ULONG FieldsImpl::AddRef() { return owner_->AddRef(); }
ULONG FieldsImpl::Release() { return owner_->Release(); }
ULONG ConnectionPointImpl::AddRef() { return owner_->AddRef(); }
ULONG ConnectionPointImpl::Release() { return owner_->Release(); }

HRESULT ConnectionPointImpl::GetConnectionPointContainer(IConnectionPointContainer** c) {
  if (!c) return E_POINTER;
  *c = owner_->Container();
  (*c)->AddRef();
  return S_OK;
}
HRESULT ConnectionPointImpl::Advise(IUnknown* sink, DWORD* cookie) { return owner_->Advise(sink, cookie); }
HRESULT ConnectionPointImpl::Unadvise(DWORD cookie) { return owner_->Unadvise(cookie); }

HRESULT FieldsImpl::get_Count(long* v) {
  if (!v) return E_POINTER;
  *v = static_cast<long>(owner_->FieldCount());
  return S_OK;
}
HRESULT FieldsImpl::get_Item(VARIANT index, Field** item) {
  return Guard(owner_->connection(), [&] {
    if (!item) Fail(E_POINTER, u"Null pointer.");
    *item = owner_->FieldObject(owner_->FieldIndex(index));
    (*item)->AddRef();
  });
}

HRESULT FieldImpl::get_Name(BSTR* v) {
  return Guard(owner_->connection(), [&] {
    if (!v) Fail(E_POINTER, u"Null pointer.");
    *v = AllocBstr(owner_->Column(index_).name);
  });
}
HRESULT FieldImpl::get_Value(VARIANT* v) {
  if (owner_->ReadQuick(index_, v)) return S_OK;
  return ReadValue(v);
}
HRESULT FieldImpl::ReadValue(VARIANT* v) {
  return Guard(owner_->connection(), [&] {
    if (!owner_->ReadCurrent(index_, v)) owner_->ReadField(index_, v, false);
  });
}
HRESULT FieldImpl::put_Value(VARIANT v) {
  return Guard(owner_->connection(), [&] { owner_->WriteField(index_, v); });
}
HRESULT FieldImpl::get_OriginalValue(VARIANT* v) {
  return Guard(owner_->connection(), [&] { owner_->ReadField(index_, v, true); });
}
HRESULT FieldImpl::get_Type(DataTypeEnum* v) {
  return Guard(owner_->connection(), [&] {
    if (!v) Fail(E_POINTER, u"Null pointer.");
    *v = AdoType(owner_->Column(index_).type);
  });
}
HRESULT FieldImpl::get_DefinedSize(long* v) {
  return Guard(owner_->connection(), [&] {
    if (!v) Fail(E_POINTER, u"Null pointer.");
    *v = DefinedSize(owner_->Column(index_));
  });
}
HRESULT FieldImpl::get_ActualSize(long* v) {
  return Guard(owner_->connection(), [&] {
    if (!v) Fail(E_POINTER, u"Null pointer.");
    _variant_t value;
    owner_->ReadField(index_, &value, false);
    if (value.vt == VT_NULL) *v = 0;
    else if (value.vt == VT_BSTR) *v = static_cast<long>(SysStringLen(value.bstrVal));
    else *v = DefinedSize(owner_->Column(index_));
  });
}
HRESULT FieldImpl::get_Attributes(long* v) {
  return Guard(owner_->connection(), [&] {
    if (!v) Fail(E_POINTER, u"Null pointer.");
    const ResultColumn& c = owner_->Column(index_);
    long a = 0;
    switch (c.type) {
      case JetType::Memo:
      case JetType::Binary:
        a |= adFldLong;
        break;
      case JetType::Text:
      case JetType::Unknown:
        break;
      default:
        a |= adFldFixed;
    }
    if (c.nullable) a |= adFldIsNullable | adFldMayBeNull;
    if (owner_->FieldUpdatable(index_)) a |= adFldUpdatable;
    *v = a;
  });
}

_Recordset* NewStreamingRecordset(ConnectionImpl* connection, std::unique_ptr<Database::Reader> reader) {
  return RecordsetImpl::MakeStreaming(connection, std::move(reader));
}
_Recordset* NewClosedRecordset() { return new RecordsetImpl; }
void CloseWithConnection(RecordsetImpl* recordset) { recordset->ConnectionClosing(); }
pv::ComFactory RecordsetFactory() { return Factory<RecordsetImpl, _Recordset>(); }

}  // namespace pv::ado::objects
