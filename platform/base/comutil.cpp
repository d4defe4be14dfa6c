#include "platform/base/comutil.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "platform/base/utf.h"

// ---- error information ----------------------------------------------------------------------
namespace pv {
namespace {

class ErrorInfoObject final : public IErrorInfo {
 public:
  ErrorInfoObject(const char16_t* description, const char16_t* source, REFGUID guid)
      : description_(SysAllocString(description)), source_(SysAllocString(source)), guid_(guid) {}
  ~ErrorInfoObject() override {
    SysFreeString(description_);
    SysFreeString(source_);
  }
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == __uuidof(IErrorInfo)) {
      *object = static_cast<IErrorInfo*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    long left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP GetGUID(::GUID* guid) override {
    if (!guid) return E_POINTER;
    *guid = guid_;
    return S_OK;
  }
  STDMETHODIMP GetSource(BSTR* out) override { return Copy(source_, out); }
  STDMETHODIMP GetDescription(BSTR* out) override { return Copy(description_, out); }
  STDMETHODIMP GetHelpFile(BSTR* out) override { return Copy(nullptr, out); }
  STDMETHODIMP GetHelpContext(DWORD* out) override {
    if (!out) return E_POINTER;
    *out = 0;
    return S_OK;
  }

 private:
  static HRESULT Copy(BSTR s, BSTR* out) {
    if (!out) return E_POINTER;
    *out = s ? SysAllocStringLen(s, SysStringLen(s)) : nullptr;
    return S_OK;
  }
  std::atomic<long> refs_{1};
  BSTR description_;
  BSTR source_;
  ::GUID guid_;
};

thread_local IErrorInfo* tErrorInfo = nullptr;

struct MessageEntry {
  HRESULT hr;
  const char16_t* text;
};
const MessageEntry kMessages[] = {
    {S_OK, u"The operation completed successfully."},
    {S_FALSE, u"Incorrect function."},
    {E_NOTIMPL, u"Not implemented"},
    {E_NOINTERFACE, u"No such interface supported"},
    {E_POINTER, u"Invalid pointer"},
    {E_ABORT, u"Operation aborted"},
    {E_FAIL, u"Unspecified error"},
    {E_UNEXPECTED, u"Catastrophic failure"},
    {E_ACCESSDENIED, u"Access is denied."},
    {E_HANDLE, u"The handle is invalid."},
    {E_OUTOFMEMORY, u"Not enough memory resources are available to complete this operation."},
    {E_INVALIDARG, u"The parameter is incorrect."},
    {CLASS_E_NOAGGREGATION, u"Class does not support aggregation (or class object is remote)"},
    {CLASS_E_CLASSNOTAVAILABLE, u"ClassFactory cannot supply requested class"},
    {REGDB_E_CLASSNOTREG, u"Class not registered"},
    {CO_E_CLASSSTRING, u"Invalid class string"},
    {CO_E_NOTINITIALIZED, u"CoInitialize has not been called."},
    {DISP_E_MEMBERNOTFOUND, u"Member not found."},
    {DISP_E_PARAMNOTFOUND, u"Parameter not found."},
    {DISP_E_TYPEMISMATCH, u"Type mismatch."},
    {DISP_E_UNKNOWNNAME, u"Unknown name."},
    {DISP_E_BADVARTYPE, u"Bad variable type."},
    {DISP_E_EXCEPTION, u"Exception occurred."},
    {DISP_E_OVERFLOW, u"Out of present range."},
    {DISP_E_BADINDEX, u"Invalid index."},
    {DISP_E_ARRAYISLOCKED, u"Memory is locked."},
    {DISP_E_BADPARAMCOUNT, u"Invalid number of parameters."},
    {DISP_E_DIVBYZERO, u"Division by zero."},
    {CONNECT_E_NOCONNECTION, u"The connection point has no connection."},
    {CONNECT_E_ADVISELIMIT, u"The connection point has reached its limit of connections."},
    {CONNECT_E_CANNOTCONNECT, u"The connection point cannot connect."},
};

}  // namespace

IErrorInfo* MakeErrorInfo(const char16_t* description, const char16_t* source, REFGUID guid) {
  return new ErrorInfoObject(description, source, guid);
}

std::u16string HResultMessage(HRESULT hr) {
  for (const auto& m : kMessages)
    if (m.hr == hr) return m.text;
  char buf[48];
  DWORD code = static_cast<DWORD>(hr);
  if (code >= 0x80040200u && code <= 0x8004FFFFu)
    std::snprintf(buf, sizeof buf, "IDispatch error #%u", static_cast<unsigned>(code - 0x80040200u));
  else std::snprintf(buf, sizeof buf, "Unknown error 0x%0X", static_cast<unsigned>(code));
  return Utf8ToUtf16(buf);
}

}  // namespace pv

HRESULT SetErrorInfo(DWORD, IErrorInfo* info) {
  if (info) info->AddRef();
  IErrorInfo* old = pv::tErrorInfo;
  pv::tErrorInfo = info;
  if (old) old->Release();
  return S_OK;
}

HRESULT GetErrorInfo(DWORD, IErrorInfo** info) {
  if (!info) return E_INVALIDARG;
  *info = pv::tErrorInfo;
  pv::tErrorInfo = nullptr;
  return *info ? S_OK : S_FALSE;
}

// ---- _bstr_t ---------------------------------------------------------------------------------------
_bstr_t::Data* _bstr_t::NewData(BSTR owned) {
  Data* d = new Data;
  d->wide = owned;
  return d;
}

void _bstr_t::Release() noexcept {
  if (data_ && --data_->refs == 0) {
    SysFreeString(data_->wide);
    delete[] data_->narrow;
    delete data_;
  }
  data_ = nullptr;
}

_bstr_t::_bstr_t(const _bstr_t& other) noexcept : data_(other.data_) {
  if (data_) ++data_->refs;
}

_bstr_t::_bstr_t(const char* utf8) {
  if (!utf8) return;
  std::u16string wide = pv::Utf8ToUtf16(utf8);
  BSTR b = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!b) _com_issue_error(E_OUTOFMEMORY);
  data_ = NewData(b);
}

_bstr_t::_bstr_t(const char16_t* text) {
  if (!text) return;
  BSTR b = SysAllocString(text);
  if (!b) _com_issue_error(E_OUTOFMEMORY);
  data_ = NewData(b);
}

_bstr_t::_bstr_t(BSTR bstr, bool fCopy) {
  if (fCopy) {
    if (!bstr) return;
    BSTR b = SysAllocStringByteLen(reinterpret_cast<const char*>(bstr), SysStringByteLen(bstr));
    if (!b) _com_issue_error(E_OUTOFMEMORY);
    data_ = NewData(b);
  } else if (bstr) {
    data_ = NewData(bstr);
  }
}

_bstr_t::_bstr_t(const _variant_t& value) {
  if (value.vt == VT_BSTR) {
    *this = _bstr_t(value.bstrVal, true);
    return;
  }
  _variant_t converted;
  HRESULT hr = VariantChangeType(&converted, &value, 0, VT_BSTR);
  if (FAILED(hr)) _com_issue_error(hr);
  *this = _bstr_t(converted.bstrVal, true);
}

_bstr_t& _bstr_t::operator=(const _bstr_t& other) noexcept {
  if (data_ != other.data_) {
    if (other.data_) ++other.data_->refs;
    Release();
    data_ = other.data_;
  }
  return *this;
}

_bstr_t& _bstr_t::operator=(_bstr_t&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = other.data_;
    other.data_ = nullptr;
  }
  return *this;
}

_bstr_t& _bstr_t::operator=(const char* utf8) { return *this = _bstr_t(utf8); }
_bstr_t& _bstr_t::operator=(const char16_t* text) { return *this = _bstr_t(text); }
_bstr_t& _bstr_t::operator=(const _variant_t& value) { return *this = _bstr_t(value); }

_bstr_t _bstr_t::operator+(const _bstr_t& other) const {
  _bstr_t out(*this);
  out += other;
  return out;
}

_bstr_t& _bstr_t::operator+=(const _bstr_t& other) {
  UINT a = length(), b = other.length();
  if (!other.data_ || !other.data_->wide) {
    if (!data_) return *this;
    if (a == 0 && !data_->wide) return *this;
  }
  BSTR joined = SysAllocStringLen(nullptr, a + b);
  if (!joined) _com_issue_error(E_OUTOFMEMORY);
  if (a) std::memcpy(joined, data_->wide, a * sizeof(OLECHAR));
  if (b) std::memcpy(joined + a, other.data_->wide, b * sizeof(OLECHAR));
  Release();
  data_ = NewData(joined);
  return *this;
}

_bstr_t operator+(const char* a, const _bstr_t& b) { return _bstr_t(a) + b; }
_bstr_t operator+(const char16_t* a, const _bstr_t& b) { return _bstr_t(a) + b; }

_bstr_t::operator const char*() const {
  if (!data_ || !data_->wide) return nullptr;
  if (!data_->narrowReady.load(std::memory_order_acquire)) {
    // Copies may race to make the view; the first one in keeps it.
    std::string utf8 = pv::Utf16ToUtf8(std::u16string_view(data_->wide, SysStringLen(data_->wide)));
    char* made = new char[utf8.size() + 1];
    std::memcpy(made, utf8.c_str(), utf8.size() + 1);
    static std::atomic_flag lock = ATOMIC_FLAG_INIT;
    while (lock.test_and_set(std::memory_order_acquire)) {}
    if (!data_->narrowReady.load(std::memory_order_relaxed)) {
      data_->narrow = made;
      data_->narrowReady.store(true, std::memory_order_release);
      made = nullptr;
    }
    lock.clear(std::memory_order_release);
    delete[] made;
  }
  return data_->narrow;
}

_bstr_t::operator char*() const { return const_cast<char*>(static_cast<const char*>(*this)); }

int _bstr_t::Compare(const _bstr_t& other) const noexcept {
  UINT a = length(), b = other.length();
  const char16_t* x = a ? data_->wide : u"";
  const char16_t* y = b ? other.data_->wide : u"";
  UINT n = a < b ? a : b;
  for (UINT i = 0; i < n; ++i)
    if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
  return a == b ? 0 : (a < b ? -1 : 1);
}

BSTR _bstr_t::copy(bool fCopy) const {
  if (!data_ || !data_->wide) return nullptr;
  if (!fCopy) return data_->wide;
  BSTR b = SysAllocStringByteLen(reinterpret_cast<const char*>(data_->wide), SysStringByteLen(data_->wide));
  if (!b) _com_issue_error(E_OUTOFMEMORY);
  return b;
}

void _bstr_t::Assign(BSTR bstr) { *this = _bstr_t(bstr, true); }

void _bstr_t::Attach(BSTR bstr) {
  Release();
  if (bstr) data_ = NewData(bstr);
}

void _bstr_t::MakeUnique() {
  if (data_ && data_->refs.load() > 1) {
    _bstr_t fresh(data_->wide, true);
    *this = std::move(fresh);
  }
}

BSTR _bstr_t::Detach() {
  if (!data_) return nullptr;
  MakeUnique();
  if (!data_) return nullptr;
  BSTR b = data_->wide;
  data_->wide = nullptr;
  Release();
  return b;
}

BSTR& _bstr_t::GetBSTR() {
  if (!data_) data_ = NewData(nullptr);
  MakeUnique();
  if (!data_) data_ = NewData(nullptr);
  // Whoever writes through the reference changes the text: drop the view.
  delete[] data_->narrow;
  data_->narrow = nullptr;
  data_->narrowReady = false;
  return data_->wide;
}

BSTR* _bstr_t::GetAddress() {
  Release();
  data_ = NewData(nullptr);
  return &data_->wide;
}

// ---- _com_error ------------------------------------------------------------------------------------
_com_error::_com_error(HRESULT hr, IErrorInfo* info, bool fAddRef) noexcept : hr_(hr), info_(info) {
  if (info_ && fAddRef) info_->AddRef();
}

_com_error::_com_error(HRESULT hr, const char16_t* description, const char16_t* source)
    : hr_(hr), info_(pv::MakeErrorInfo(description, source)) {}

_com_error::_com_error(const _com_error& other) noexcept : hr_(other.hr_), info_(other.info_) {
  if (info_) info_->AddRef();
}

_com_error& _com_error::operator=(const _com_error& other) noexcept {
  if (this != &other) {
    if (other.info_) other.info_->AddRef();
    if (info_) info_->Release();
    hr_ = other.hr_;
    info_ = other.info_;
    message_.clear();
  }
  return *this;
}

_com_error::~_com_error() {
  if (info_) info_->Release();
}

WORD _com_error::WCode() const noexcept { return HRESULTToWCode(hr_); }

IErrorInfo* _com_error::ErrorInfo() const noexcept {
  if (info_) info_->AddRef();
  return info_;
}

_bstr_t _com_error::Description() const {
  BSTR b = nullptr;
  if (info_) info_->GetDescription(&b);
  return _bstr_t(b, false);
}

_bstr_t _com_error::Source() const {
  BSTR b = nullptr;
  if (info_) info_->GetSource(&b);
  return _bstr_t(b, false);
}

_bstr_t _com_error::HelpFile() const {
  BSTR b = nullptr;
  if (info_) info_->GetHelpFile(&b);
  return _bstr_t(b, false);
}

DWORD _com_error::HelpContext() const {
  DWORD c = 0;
  if (info_) info_->GetHelpContext(&c);
  return c;
}

::GUID _com_error::GUID() const {
  ::GUID g = GUID_NULL;
  if (info_) info_->GetGUID(&g);
  return g;
}

const TCHAR* _com_error::ErrorMessage() const {
  if (message_.empty()) message_ = pv::HResultMessage(hr_);
  return message_.c_str();
}

void _com_issue_error(HRESULT hr) { throw _com_error(hr); }

void _com_issue_errorex(HRESULT hr, IUnknown*, REFIID) {
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK) info = nullptr;
  throw _com_error(hr, info, false);
}

void _com_raise_error(HRESULT hr, IErrorInfo* info) { throw _com_error(hr, info, false); }

// ---- _variant_t -------------------------------------------------------------------------------------
namespace {
void Check(HRESULT hr) {
  if (FAILED(hr)) _com_issue_error(hr);
}
}  // namespace

_variant_t::_variant_t(const VARIANT& src) {
  VariantInit(this);
  Check(VariantCopy(this, &src));
}

_variant_t::_variant_t(const VARIANT* src) {
  VariantInit(this);
  if (!src) _com_issue_error(E_POINTER);
  Check(VariantCopy(this, src));
}

_variant_t::_variant_t(const _variant_t& src) : VARIANT() {
  VariantInit(this);
  Check(VariantCopy(this, &src));
}

_variant_t::_variant_t(_variant_t&& src) noexcept : VARIANT() {
  std::memcpy(static_cast<VARIANT*>(this), static_cast<VARIANT*>(&src), sizeof(VARIANT));
  VariantInit(&src);
}

_variant_t::_variant_t(VARIANT& src, bool fCopy) {
  VariantInit(this);
  if (fCopy) {
    Check(VariantCopy(this, &src));
  } else {
    std::memcpy(static_cast<VARIANT*>(this), &src, sizeof(VARIANT));
    VariantInit(&src);
  }
}

_variant_t::_variant_t(short value, VARTYPE vt) {
  VariantInit(this);
  if (vt == VT_BOOL) {
    this->vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (vt == VT_I2) {
    this->vt = VT_I2;
    iVal = value;
  } else {
    _com_issue_error(E_INVALIDARG);
  }
}

_variant_t::_variant_t(int value, VARTYPE vt) {
  VariantInit(this);
  switch (vt) {
    case VT_I4:
      lVal = value;
      break;
    case VT_INT:
      intVal = value;
      break;
    case VT_ERROR:
      scode = value;
      break;
    case VT_BOOL:
      boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    default:
      _com_issue_error(E_INVALIDARG);
  }
  this->vt = vt;
}

_variant_t::_variant_t(long value, VARTYPE vt) {
  VariantInit(this);
  if (vt == VT_I4 &&
      (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())) {
    this->vt = VT_I8;
    llVal = value;
    return;
  }
  *this = _variant_t(static_cast<int>(value), vt);
}

_variant_t::_variant_t(float value) {
  VariantInit(this);
  vt = VT_R4;
  fltVal = value;
}

_variant_t::_variant_t(double value, VARTYPE vt) {
  VariantInit(this);
  if (vt != VT_R8 && vt != VT_DATE) _com_issue_error(E_INVALIDARG);
  this->vt = vt;
  dblVal = value;
}

_variant_t::_variant_t(const CY& value) {
  VariantInit(this);
  vt = VT_CY;
  cyVal = value;
}

_variant_t::_variant_t(const _bstr_t& value) {
  VariantInit(this);
  bstrVal = value.copy(true);
  vt = VT_BSTR;
}

_variant_t::_variant_t(const char16_t* value) {
  VariantInit(this);
  bstrVal = SysAllocString(value ? value : u"");
  if (!bstrVal) _com_issue_error(E_OUTOFMEMORY);
  vt = VT_BSTR;
}

_variant_t::_variant_t(const char* utf8) {
  VariantInit(this);
  std::u16string wide = pv::Utf8ToUtf16(utf8 ? utf8 : "");
  bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!bstrVal) _com_issue_error(E_OUTOFMEMORY);
  vt = VT_BSTR;
}

_variant_t::_variant_t(IDispatch* value, bool fAddRef) {
  VariantInit(this);
  vt = VT_DISPATCH;
  pdispVal = value;
  if (value && fAddRef) value->AddRef();
}

_variant_t::_variant_t(bool value) {
  VariantInit(this);
  vt = VT_BOOL;
  boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

_variant_t::_variant_t(IUnknown* value, bool fAddRef) {
  VariantInit(this);
  vt = VT_UNKNOWN;
  punkVal = value;
  if (value && fAddRef) value->AddRef();
}

_variant_t::_variant_t(const DECIMAL& value) {
  VariantInit(this);
  decVal = value;
  vt = VT_DECIMAL;
}

_variant_t::_variant_t(BYTE value) {
  VariantInit(this);
  vt = VT_UI1;
  bVal = value;
}

_variant_t::_variant_t(char value) {
  VariantInit(this);
  vt = VT_I1;
  cVal = value;
}

_variant_t::_variant_t(unsigned short value) {
  VariantInit(this);
  vt = VT_UI2;
  uiVal = value;
}

_variant_t::_variant_t(unsigned int value, VARTYPE vt) {
  VariantInit(this);
  if (vt != VT_UI4 && vt != VT_UINT) _com_issue_error(E_INVALIDARG);
  this->vt = vt;
  ulVal = value;
}

_variant_t::_variant_t(unsigned long value) {
  VariantInit(this);
  if (value > 0xFFFFFFFFul) {
    vt = VT_UI8;
    ullVal = value;
  } else {
    vt = VT_UI4;
    ulVal = static_cast<ULONG>(value);
  }
}

_variant_t::_variant_t(long long value) {
  VariantInit(this);
  vt = VT_I8;
  llVal = value;
}

_variant_t::_variant_t(unsigned long long value) {
  VariantInit(this);
  vt = VT_UI8;
  ullVal = value;
}

_variant_t& _variant_t::operator=(const VARIANT& src) {
  Check(VariantCopy(this, &src));
  return *this;
}

_variant_t& _variant_t::operator=(const VARIANT* src) {
  if (!src) _com_issue_error(E_POINTER);
  Check(VariantCopy(this, src));
  return *this;
}

_variant_t& _variant_t::operator=(const _variant_t& src) {
  Check(VariantCopy(this, &src));
  return *this;
}

_variant_t& _variant_t::operator=(_variant_t&& src) noexcept {
  if (this != &src) {
    VariantClear(this);
    std::memcpy(static_cast<VARIANT*>(this), static_cast<VARIANT*>(&src), sizeof(VARIANT));
    VariantInit(&src);
  }
  return *this;
}

template <class T>
T _variant_t::Extract(VARTYPE type, T VARIANT::*member) const {
  if (vt == type) return this->*member;
  _variant_t converted;
  Check(VariantChangeType(&converted, this, 0, type));
  return converted.*member;
}

_variant_t::operator short() const { return Extract(VT_I2, &VARIANT::iVal); }
_variant_t::operator int() const { return Extract(VT_I4, &VARIANT::lVal); }
long _variant_t::LongOfOther() const {
  // The small integer types convert exactly; no need to go through VariantChangeType.
  switch (vt) {
    case VT_UI1:
      return bVal;
    case VT_I2:
      return iVal;
    case VT_BOOL:
      return boolVal ? -1 : 0;
    default:
      return Extract(VT_I4, &VARIANT::lVal);
  }
}
_variant_t::operator float() const { return Extract(VT_R4, &VARIANT::fltVal); }
_variant_t::operator double() const { return vt == VT_DATE ? date : Extract(VT_R8, &VARIANT::dblVal); }
_variant_t::operator CY() const { return Extract(VT_CY, &VARIANT::cyVal); }
_variant_t::operator bool() const { return Extract(VT_BOOL, &VARIANT::boolVal) != VARIANT_FALSE; }
_variant_t::operator BYTE() const { return Extract(VT_UI1, &VARIANT::bVal); }
_variant_t::operator char() const { return Extract(VT_I1, &VARIANT::cVal); }
_variant_t::operator unsigned short() const { return Extract(VT_UI2, &VARIANT::uiVal); }
_variant_t::operator unsigned int() const { return Extract(VT_UI4, &VARIANT::ulVal); }
_variant_t::operator unsigned long() const { return Extract(VT_UI4, &VARIANT::ulVal); }
_variant_t::operator long long() const { return Extract(VT_I8, &VARIANT::llVal); }
_variant_t::operator unsigned long long() const { return Extract(VT_UI8, &VARIANT::ullVal); }

_variant_t::operator DECIMAL() const {
  if (vt == VT_DECIMAL) {
    DECIMAL d = decVal;
    d.wReserved = 0;
    return d;
  }
  _variant_t converted;
  Check(VariantChangeType(&converted, this, 0, VT_DECIMAL));
  DECIMAL d = converted.decVal;
  d.wReserved = 0;
  return d;
}

_variant_t::operator _bstr_t() const { return _bstr_t(*this); }

_variant_t::operator IDispatch*() const {
  if (vt == VT_DISPATCH) {
    if (pdispVal) pdispVal->AddRef();
    return pdispVal;
  }
  _variant_t converted;
  Check(VariantChangeType(&converted, this, 0, VT_DISPATCH));
  IDispatch* p = converted.pdispVal;
  if (p) p->AddRef();
  return p;
}

_variant_t::operator IUnknown*() const {
  if (vt == VT_UNKNOWN) {
    if (punkVal) punkVal->AddRef();
    return punkVal;
  }
  _variant_t converted;
  Check(VariantChangeType(&converted, this, 0, VT_UNKNOWN));
  IUnknown* p = converted.punkVal;
  if (p) p->AddRef();
  return p;
}

bool _variant_t::operator==(const VARIANT& other) const { return pv::VariantEquals(*this, other); }

void _variant_t::Clear() { Check(VariantClear(this)); }

void _variant_t::Attach(VARIANT& src) {
  Clear();
  std::memcpy(static_cast<VARIANT*>(this), &src, sizeof(VARIANT));
  VariantInit(&src);
}

VARIANT _variant_t::Detach() {
  VARIANT out;
  std::memcpy(&out, static_cast<VARIANT*>(this), sizeof(VARIANT));
  VariantInit(this);
  return out;
}

VARIANT* _variant_t::GetAddress() {
  Clear();
  return this;
}

void _variant_t::ChangeType(VARTYPE type, const _variant_t* src) {
  const VARIANT* from = src ? static_cast<const VARIANT*>(src) : this;
  if (from == this && vt == type) return;
  Check(VariantChangeType(this, from, 0, type));
}

void _variant_t::SetString(const char* utf8) { *this = _variant_t(utf8); }

const _variant_t vtMissing(static_cast<int>(DISP_E_PARAMNOTFOUND), VT_ERROR);
