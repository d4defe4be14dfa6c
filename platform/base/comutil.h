// Compiler-support style COM wrappers: _bstr_t, _variant_t, _com_error,
// _com_ptr_t and the error-raising helpers.
//
// _bstr_t shares one reference-counted BSTR between copies and offers a
// UTF-8 view (operator const char*) next to the UTF-16 one. _variant_t owns
// its VARIANT; its extractions convert with VariantChangeType and throw
// _com_error on failure. _com_ptr_t<T> holds one reference to T; the
// interface names its IID with PV_DECLARE_UUID (see com.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "platform/base/com.h"
#include "platform/base/variant.h"

class _bstr_t;
class _variant_t;

// ---- error information ------------------------------------------------------------------
struct IErrorInfo : IUnknown {
  STDMETHOD(GetGUID)(GUID* guid) PURE;
  STDMETHOD(GetSource)(BSTR* source) PURE;
  STDMETHOD(GetDescription)(BSTR* description) PURE;
  STDMETHOD(GetHelpFile)(BSTR* helpFile) PURE;
  STDMETHOD(GetHelpContext)(DWORD* helpContext) PURE;

 protected:
  ~IErrorInfo() override = default;
};
PV_DECLARE_UUID(IErrorInfo, "1CF2B120-547D-101B-8E65-08002B2BD119");

// The calling thread's current error object (the object that failed sets
// it just before returning a failure HRESULT). GetErrorInfo hands over the
// reference and clears it; S_FALSE when there is none.
HRESULT SetErrorInfo(DWORD reserved, IErrorInfo* info);
HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** info);

namespace pv {
// A new error object (one reference) with a description and a source.
IErrorInfo* MakeErrorInfo(const char16_t* description, const char16_t* source = nullptr, REFGUID guid = GUID_NULL);
// The system's text for an HRESULT ("Unspecified error", "Type mismatch." ...),
// or "Unknown error 0x800A0BCD" for codes without one.
std::u16string HResultMessage(HRESULT hr);
}  // namespace pv

// ---- _bstr_t --------------------------------------------------------------------------------
class _bstr_t {
 public:
  _bstr_t() noexcept = default;
  _bstr_t(const _bstr_t& other) noexcept;
  _bstr_t(_bstr_t&& other) noexcept : data_(other.data_) { other.data_ = nullptr; }
  _bstr_t(const char* utf8);         // NOLINT: null gives a null string
  _bstr_t(const char16_t* text);     // NOLINT
  _bstr_t(const _variant_t& value);  // NOLINT: converted to VT_BSTR
  // Takes `bstr` over (fCopy false) or copies it (fCopy true).
  _bstr_t(BSTR bstr, bool fCopy);
  ~_bstr_t() { Release(); }

  _bstr_t& operator=(const _bstr_t& other) noexcept;
  _bstr_t& operator=(_bstr_t&& other) noexcept;
  _bstr_t& operator=(const char* utf8);
  _bstr_t& operator=(const char16_t* text);
  _bstr_t& operator=(const _variant_t& value);
  _bstr_t& operator+=(const _bstr_t& other);
  _bstr_t operator+(const _bstr_t& other) const;
  friend _bstr_t operator+(const char* a, const _bstr_t& b);
  friend _bstr_t operator+(const char16_t* a, const _bstr_t& b);

  // UTF-16 view (null for a null string) and UTF-8 view (made on demand,
  // shared by copies, valid until this string changes).
  operator const char16_t*() const noexcept { return data_ ? data_->wide : nullptr; }  // NOLINT
  operator char16_t*() const noexcept { return data_ ? data_->wide : nullptr; }        // NOLINT
  operator const char*() const;                                                        // NOLINT
  operator char*() const;                                                              // NOLINT
  bool operator!() const noexcept { return !data_ || !data_->wide; }

  // Comparisons of the text (a null string equals the empty string).
  bool operator==(const _bstr_t& other) const noexcept { return Compare(other) == 0; }
  bool operator!=(const _bstr_t& other) const noexcept { return Compare(other) != 0; }
  bool operator<(const _bstr_t& other) const noexcept { return Compare(other) < 0; }
  bool operator>(const _bstr_t& other) const noexcept { return Compare(other) > 0; }
  bool operator<=(const _bstr_t& other) const noexcept { return Compare(other) <= 0; }
  bool operator>=(const _bstr_t& other) const noexcept { return Compare(other) >= 0; }
  bool operator==(const char16_t* other) const { return *this == _bstr_t(other); }
  bool operator!=(const char16_t* other) const { return *this != _bstr_t(other); }
  bool operator==(const char* other) const { return *this == _bstr_t(other); }
  bool operator!=(const char* other) const { return *this != _bstr_t(other); }
  bool operator==(std::nullptr_t) const noexcept { return !*this; }
  bool operator!=(std::nullptr_t) const noexcept { return !!*this; }

  unsigned int length() const noexcept { return data_ ? SysStringLen(data_->wide) : 0; }
  // A new BSTR copy (fCopy) or the shared one (the caller must not free it).
  BSTR copy(bool fCopy = true) const;
  void Assign(BSTR bstr);  // copies
  void Attach(BSTR bstr);  // takes over
  BSTR Detach();           // hands the BSTR over (copied when shared)
  BSTR& GetBSTR();
  BSTR* GetAddress();  // frees the current text; for out parameters
  int Compare(const _bstr_t& other) const noexcept;

  // Number of _bstr_t objects sharing this text (tests).
  long RefCount() const noexcept { return data_ ? data_->refs.load() : 0; }

 private:
  struct Data {
    std::atomic<long> refs{1};
    BSTR wide = nullptr;
    char* narrow = nullptr;
    std::atomic<bool> narrowReady{false};
  };
  void Release() noexcept;
  void MakeUnique();
  static Data* NewData(BSTR owned);
  Data* data_ = nullptr;
};

// ---- _com_error ----------------------------------------------------------------------------------
class _com_error {
 public:
  explicit _com_error(HRESULT hr, IErrorInfo* info = nullptr, bool fAddRef = false) noexcept;
  // An error carrying its description directly.
  _com_error(HRESULT hr, const char16_t* description, const char16_t* source = nullptr);
  _com_error(const _com_error& other) noexcept;
  _com_error& operator=(const _com_error& other) noexcept;
  virtual ~_com_error();

  HRESULT Error() const noexcept { return hr_; }
  WORD WCode() const noexcept;
  IErrorInfo* ErrorInfo() const noexcept;  // AddRef'ed, may be null
  _bstr_t Description() const;
  _bstr_t Source() const;
  _bstr_t HelpFile() const;
  DWORD HelpContext() const;
  ::GUID GUID() const;
  // The system's text for the code, kept by this object.
  const TCHAR* ErrorMessage() const;

  static HRESULT WCodeToHRESULT(WORD code) noexcept {
    return code >= 0xFE00 ? static_cast<HRESULT>(0x80040000u + code - 0x200u)
                          : static_cast<HRESULT>(0x80040200u + code);
  }
  static WORD HRESULTToWCode(HRESULT hr) noexcept {
    return (static_cast<DWORD>(hr) >= 0x80040200u && static_cast<DWORD>(hr) <= 0x8004FFFFu)
               ? static_cast<WORD>(static_cast<DWORD>(hr) - 0x80040200u)
               : 0;
  }

 private:
  HRESULT hr_;
  IErrorInfo* info_ = nullptr;
  mutable std::u16string message_;
};

[[noreturn]] void _com_issue_error(HRESULT hr);
// Takes the thread's error object (when any) into the raised error.
[[noreturn]] void _com_issue_errorex(HRESULT hr, IUnknown* object, REFIID riid);
[[noreturn]] void _com_raise_error(HRESULT hr, IErrorInfo* info = nullptr);

// ---- _variant_t ---------------------------------------------------------------------------------
class _variant_t : public VARIANT {
 public:
  _variant_t() noexcept;
  _variant_t(const VARIANT& src);  // NOLINT
  _variant_t(const VARIANT* src);  // NOLINT
  _variant_t(const _variant_t& src);
  _variant_t(_variant_t&& src) noexcept;
  _variant_t(VARIANT& src, bool fCopy);                 // fCopy false takes the value over
  _variant_t(short value, VARTYPE vt = VT_I2);          // NOLINT: VT_I2 or VT_BOOL
  _variant_t(int value, VARTYPE vt = VT_I4);            // NOLINT: VT_I4, VT_INT, VT_ERROR or VT_BOOL
  _variant_t(long value, VARTYPE vt = VT_I4);           // NOLINT: VT_I4 (VT_I8 when it does not fit)
  _variant_t(float value);                              // NOLINT
  _variant_t(double value, VARTYPE vt = VT_R8);         // NOLINT: VT_R8 or VT_DATE
  _variant_t(const CY& value);                          // NOLINT
  _variant_t(const _bstr_t& value);                     // NOLINT
  _variant_t(const char16_t* value);                    // NOLINT
  _variant_t(const char* utf8);                         // NOLINT
  _variant_t(IDispatch* value, bool fAddRef = true);    // NOLINT
  _variant_t(bool value);                               // NOLINT
  _variant_t(IUnknown* value, bool fAddRef = true);     // NOLINT
  _variant_t(const DECIMAL& value);                     // NOLINT
  _variant_t(BYTE value);                               // NOLINT
  _variant_t(char value);                               // NOLINT
  _variant_t(unsigned short value);                     // NOLINT
  _variant_t(unsigned int value, VARTYPE vt = VT_UI4);  // NOLINT
  _variant_t(unsigned long value);                      // NOLINT
  _variant_t(long long value);                          // NOLINT
  _variant_t(unsigned long long value);                 // NOLINT
  ~_variant_t();

  _variant_t& operator=(const VARIANT& src);
  _variant_t& operator=(const VARIANT* src);
  _variant_t& operator=(const _variant_t& src);
  _variant_t& operator=(_variant_t&& src) noexcept;
  template <class T, class = std::enable_if_t<!std::is_base_of_v<VARIANT, std::decay_t<T>>>,
            class = decltype(_variant_t(std::declval<T>()))>
  _variant_t& operator=(T&& value) {
    _variant_t tmp(std::forward<T>(value));
    return *this = std::move(tmp);
  }

  // Extractions: VariantChangeType to the type, _com_error on failure.
  operator short() const;               // NOLINT
  operator int() const;                 // NOLINT
  operator long() const;                // NOLINT
  operator float() const;               // NOLINT
  operator double() const;              // NOLINT (a date gives its day number)
  operator CY() const;                  // NOLINT
  operator _bstr_t() const;             // NOLINT
  operator IDispatch*() const;          // NOLINT (AddRef'ed)
  operator bool() const;                // NOLINT
  operator IUnknown*() const;           // NOLINT (AddRef'ed)
  operator DECIMAL() const;             // NOLINT
  operator BYTE() const;                // NOLINT
  operator char() const;                // NOLINT
  operator unsigned short() const;      // NOLINT
  operator unsigned int() const;        // NOLINT
  operator unsigned long() const;       // NOLINT
  operator long long() const;           // NOLINT
  operator unsigned long long() const;  // NOLINT

  // Compares type and value (strings by text, interfaces by pointer).
  bool operator==(const VARIANT& other) const;
  bool operator!=(const VARIANT& other) const { return !(*this == other); }
  bool operator==(const VARIANT* other) const { return other && *this == *other; }
  bool operator!=(const VARIANT* other) const { return !(*this == other); }

  void Clear();
  void Attach(VARIANT& src);  // takes the value over; src becomes VT_EMPTY
  VARIANT Detach();           // hands the value over; this becomes VT_EMPTY
  VARIANT& GetVARIANT() noexcept { return *this; }
  VARIANT* GetAddress();  // clears, for out parameters
  // Converts in place, or converts `src` into this; _com_error on failure.
  void ChangeType(VARTYPE vt, const _variant_t* src = nullptr);
  void SetString(const char* utf8);

 private:
  // The types whose values own nothing (EMPTY … DATE, ERROR, BOOL, DECIMAL, I1 … UINT), as bits.
  static constexpr std::uint32_t kOwnsNothing =
      0xFFu | 1u << VT_ERROR | 1u << VT_BOOL | 1u << VT_DECIMAL | 0xFFu << VT_I1;
  template <class T>
  T Extract(VARTYPE vt, T VARIANT::*member) const;
  long LongOfOther() const;
};

// The plain cases inline: values are made, read and dropped on every row of a walk.
inline _variant_t::_variant_t() noexcept { std::memset(static_cast<VARIANT*>(this), 0, sizeof(VARIANT)); }  // VT_EMPTY
// Values that own nothing need no VariantClear; a string is freed directly.
inline _variant_t::~_variant_t() {
  if (vt < 32 && (kOwnsNothing >> vt) & 1) return;
  if (vt == VT_BSTR) SysFreeString(bstrVal);
  else VariantClear(this);
}
inline _variant_t::operator long() const { return vt == VT_I4 ? lVal : LongOfOther(); }

// The "parameter not given" value (VT_ERROR, DISP_E_PARAMNOTFOUND).
extern const _variant_t vtMissing;

// ---- _com_ptr_t ------------------------------------------------------------------------------------
template <class T>
class _com_ptr_t {
 public:
  using Interface = T;

  _com_ptr_t() noexcept = default;
  _com_ptr_t(std::nullptr_t) noexcept {}  // NOLINT
  _com_ptr_t(T* p) noexcept : p_(p) {     // NOLINT
    if (p_) p_->AddRef();
  }
  _com_ptr_t(T* p, bool fAddRef) noexcept : p_(p) {
    if (p_ && fAddRef) p_->AddRef();
  }
  _com_ptr_t(const _com_ptr_t& other) noexcept : _com_ptr_t(other.p_) {}
  _com_ptr_t(_com_ptr_t&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  // Another interface of the same object (QueryInterface; null when absent).
  template <class Q>
  _com_ptr_t(const _com_ptr_t<Q>& other) {  // NOLINT
    QueryFrom(static_cast<IUnknown*>(other.GetInterfacePtr()));
  }
  _com_ptr_t(const _variant_t& value) {  // NOLINT
    if (value.vt == VT_UNKNOWN || value.vt == VT_DISPATCH) QueryFrom(value.punkVal);
  }
  explicit _com_ptr_t(const CLSID& clsid, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) {
    CreateInstance(clsid, outer, context);
  }
  explicit _com_ptr_t(const char16_t* clsidOrProgId, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) {
    CreateInstance(clsidOrProgId, outer, context);
  }
  ~_com_ptr_t() {
    if (p_) p_->Release();
  }

  _com_ptr_t& operator=(T* p) noexcept {
    if (p) p->AddRef();
    T* old = p_;
    p_ = p;
    if (old) old->Release();
    return *this;
  }
  _com_ptr_t& operator=(const _com_ptr_t& other) noexcept { return *this = other.p_; }
  _com_ptr_t& operator=(_com_ptr_t&& other) noexcept {
    if (this != std::addressof(other)) {  // operator& is overloaded
      T* old = p_;
      p_ = other.p_;
      other.p_ = nullptr;
      if (old) old->Release();
    }
    return *this;
  }
  _com_ptr_t& operator=(std::nullptr_t) noexcept {
    Reset();
    return *this;
  }
  template <class Q>
  _com_ptr_t& operator=(const _com_ptr_t<Q>& other) {
    _com_ptr_t tmp(other);
    return *this = std::move(tmp);
  }

  HRESULT CreateInstance(const CLSID& clsid, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) {
    Reset();
    void* p = nullptr;
    HRESULT hr = CoCreateInstance(clsid, outer, context, __uuidof(T), &p);
    p_ = SUCCEEDED(hr) ? static_cast<T*>(p) : nullptr;
    return hr;
  }
  // "{...}" text or a ProgID such as "ADODB.Connection".
  HRESULT CreateInstance(const char16_t* clsidOrProgId, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) {
    Reset();
    if (!clsidOrProgId) return E_INVALIDARG;
    CLSID clsid;
    HRESULT hr = CLSIDFromString(clsidOrProgId, &clsid);
    if (FAILED(hr)) return hr;
    return CreateInstance(clsid, outer, context);
  }
  HRESULT CreateInstance(const char* clsidOrProgId, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) {
    if (!clsidOrProgId) {
      Reset();
      return E_INVALIDARG;
    }
    std::u16string wide;
    for (const char* c = clsidOrProgId; *c; ++c) wide.push_back(static_cast<unsigned char>(*c));
    return CreateInstance(wide.c_str(), outer, context);
  }

  template <class Q>
  HRESULT QueryInterface(REFIID riid, Q*& out) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(riid, reinterpret_cast<void**>(&out));
  }
  template <class Q>
  HRESULT QueryInterface(REFIID riid, Q** out) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(riid, reinterpret_cast<void**>(out));
  }

  void Attach(T* p) noexcept {
    Reset();
    p_ = p;
  }
  void Attach(T* p, bool fAddRef) noexcept {
    if (p && fAddRef) p->AddRef();
    Attach(p);
  }
  T* Detach() noexcept {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  void AddRef() {
    if (!p_) _com_issue_error(E_POINTER);
    p_->AddRef();
  }
  void Release() {
    if (!p_) _com_issue_error(E_POINTER);
    p_->Release();
    p_ = nullptr;
  }
  T* GetInterfacePtr() const noexcept { return p_; }
  T*& GetInterfacePtr() noexcept { return p_; }

  operator T*() const noexcept { return p_; }  // NOLINT
  T& operator*() const {
    if (!p_) _com_issue_error(E_POINTER);
    return *p_;
  }
  T* operator->() const {
    if (!p_) _com_issue_error(E_POINTER);
    return p_;
  }
  // For out parameters: releases the current pointer first.
  T** operator&() noexcept {
    Reset();
    return &p_;
  }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  bool operator!() const noexcept { return p_ == nullptr; }
  bool operator==(std::nullptr_t) const noexcept { return p_ == nullptr; }
  bool operator!=(std::nullptr_t) const noexcept { return p_ != nullptr; }
  bool operator==(T* p) const noexcept { return p_ == p; }
  bool operator!=(T* p) const noexcept { return p_ != p; }
  template <class Q>
  bool operator==(const _com_ptr_t<Q>& other) const noexcept {
    return static_cast<IUnknown*>(p_) == static_cast<IUnknown*>(other.GetInterfacePtr());
  }

 private:
  void Reset() noexcept {
    T* old = p_;
    p_ = nullptr;
    if (old) old->Release();
  }
  void QueryFrom(IUnknown* unknown) {
    p_ = nullptr;
    if (!unknown) return;
    void* p = nullptr;
    if (SUCCEEDED(unknown->QueryInterface(__uuidof(T), &p))) p_ = static_cast<T*>(p);
  }
  T* p_ = nullptr;
};

// `_COM_SMARTPTR_TYPEDEF(Foo, __uuidof(Foo))` declares FooPtr. The IID comes
// from the interface's PV_DECLARE_UUID; the second argument is for the
// reader only.
#define _COM_SMARTPTR_TYPEDEF(Interface, iid) using Interface##Ptr = _com_ptr_t<Interface>
