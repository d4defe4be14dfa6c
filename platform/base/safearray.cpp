// Safe arrays: one-dimensional arrays of Automation values that own their
// strings, interfaces and variants.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/base/variant.h"

namespace pv {
namespace {

ULONG ElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8:
      return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return sizeof(void*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    case VT_DECIMAL:
      return sizeof(DECIMAL);
    default:
      return 0;
  }
}

void ReleaseElements(SAFEARRAY* a) {
  if (!a->pvData) return;
  ULONG n = a->rgsabound[0].cElements;
  for (ULONG i = 0; i < n; ++i) {
    char* p = static_cast<char*>(a->pvData) + static_cast<size_t>(i) * a->cbElements;
    if (a->vt == VT_BSTR) {
      SysFreeString(*reinterpret_cast<BSTR*>(p));
      *reinterpret_cast<BSTR*>(p) = nullptr;
    } else if (a->vt == VT_VARIANT) {
      VariantClear(reinterpret_cast<VARIANT*>(p));
    } else if (a->vt == VT_UNKNOWN || a->vt == VT_DISPATCH) {
      IUnknown* u = *reinterpret_cast<IUnknown**>(p);
      if (u) u->Release();
      *reinterpret_cast<IUnknown**>(p) = nullptr;
    }
  }
}

HRESULT ElementPtr(SAFEARRAY* a, LONG* indices, char** p) {
  if (!a || !indices) return E_INVALIDARG;
  std::int64_t idx = static_cast<std::int64_t>(indices[0]) - a->rgsabound[0].lLbound;
  if (idx < 0 || idx >= static_cast<std::int64_t>(a->rgsabound[0].cElements)) return DISP_E_BADINDEX;
  *p = static_cast<char*>(a->pvData) + static_cast<size_t>(idx) * a->cbElements;
  return S_OK;
}

HRESULT CopyElement(VARTYPE vt, void* dest, const void* src, ULONG size) {
  if (vt == VT_BSTR) {
    BSTR s = *static_cast<const BSTR*>(src);
    BSTR copy = s ? SysAllocStringByteLen(reinterpret_cast<const char*>(s), SysStringByteLen(s)) : nullptr;
    if (s && !copy) return E_OUTOFMEMORY;
    *static_cast<BSTR*>(dest) = copy;
    return S_OK;
  }
  if (vt == VT_VARIANT) {
    VariantInit(static_cast<VARIANT*>(dest));
    return VariantCopy(static_cast<VARIANT*>(dest), static_cast<const VARIANT*>(src));
  }
  if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
    IUnknown* u = *static_cast<IUnknown* const*>(src);
    if (u) u->AddRef();
    *static_cast<IUnknown**>(dest) = u;
    return S_OK;
  }
  std::memcpy(dest, src, size);
  return S_OK;
}

}  // namespace
}  // namespace pv

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds) {
  if (dims != 1 || !bounds) return nullptr;
  ULONG size = pv::ElementSize(vt);
  if (!size) return nullptr;
  auto* a = new (std::nothrow) SAFEARRAY{};
  if (!a) return nullptr;
  a->cDims = 1;
  a->cbElements = size;
  a->vt = vt;
  a->rgsabound[0] = bounds[0];
  a->fFeatures = FADF_HAVEVARTYPE;
  if (vt == VT_BSTR) a->fFeatures |= FADF_BSTR;
  if (vt == VT_VARIANT) a->fFeatures |= FADF_VARIANT;
  if (vt == VT_UNKNOWN) a->fFeatures |= FADF_UNKNOWN;
  if (vt == VT_DISPATCH) a->fFeatures |= FADF_DISPATCH;
  size_t bytes = static_cast<size_t>(bounds[0].cElements) * size;
  a->pvData = std::calloc(bytes ? bytes : 1, 1);
  if (!a->pvData) {
    delete a;
    return nullptr;
  }
  return a;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements) {
  SAFEARRAYBOUND b{elements, lowerBound};
  return SafeArrayCreate(vt, 1, &b);
}

HRESULT SafeArrayDestroy(SAFEARRAY* a) {
  if (!a) return S_OK;
  if (a->cLocks) return DISP_E_ARRAYISLOCKED;
  pv::ReleaseElements(a);
  std::free(a->pvData);
  delete a;
  return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* a) {
  if (!a) return E_INVALIDARG;
  ++a->cLocks;
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* a) {
  if (!a) return E_INVALIDARG;
  if (!a->cLocks) return E_UNEXPECTED;
  --a->cLocks;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* a, void** data) {
  if (!a || !data) return E_INVALIDARG;
  ++a->cLocks;
  *data = a->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* a) { return SafeArrayUnlock(a); }

HRESULT SafeArrayGetLBound(SAFEARRAY* a, UINT dim, LONG* bound) {
  if (!a || !bound) return E_INVALIDARG;
  if (dim != 1) return DISP_E_BADINDEX;
  *bound = a->rgsabound[0].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* a, UINT dim, LONG* bound) {
  if (!a || !bound) return E_INVALIDARG;
  if (dim != 1) return DISP_E_BADINDEX;
  *bound = static_cast<LONG>(static_cast<std::int64_t>(a->rgsabound[0].lLbound) + a->rgsabound[0].cElements - 1);
  return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* a) { return a ? a->cDims : 0; }
UINT SafeArrayGetElemsize(SAFEARRAY* a) { return a ? a->cbElements : 0; }

HRESULT SafeArrayGetVartype(SAFEARRAY* a, VARTYPE* vt) {
  if (!a || !vt) return E_INVALIDARG;
  *vt = a->vt;
  return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* a, LONG* indices, void* value) {
  if (!value) return E_INVALIDARG;
  char* p;
  HRESULT hr = pv::ElementPtr(a, indices, &p);
  if (FAILED(hr)) return hr;
  return pv::CopyElement(a->vt, value, p, a->cbElements);
}

HRESULT SafeArrayPutElement(SAFEARRAY* a, LONG* indices, void* value) {
  char* p;
  HRESULT hr = pv::ElementPtr(a, indices, &p);
  if (FAILED(hr)) return hr;
  if (a->vt == VT_BSTR) {
    BSTR copy = nullptr;
    // For BSTR arrays the value is the string itself, not a pointer to it.
    BSTR s = static_cast<BSTR>(value);
    if (s) {
      copy = SysAllocStringByteLen(reinterpret_cast<const char*>(s), SysStringByteLen(s));
      if (!copy) return E_OUTOFMEMORY;
    }
    SysFreeString(*reinterpret_cast<BSTR*>(p));
    *reinterpret_cast<BSTR*>(p) = copy;
    return S_OK;
  }
  if (a->vt == VT_UNKNOWN || a->vt == VT_DISPATCH) {
    auto* u = static_cast<IUnknown*>(value);
    if (u) u->AddRef();
    IUnknown*& slot = *reinterpret_cast<IUnknown**>(p);
    if (slot) slot->Release();
    slot = u;
    return S_OK;
  }
  if (!value) return E_INVALIDARG;
  if (a->vt == VT_VARIANT) return VariantCopy(reinterpret_cast<VARIANT*>(p), static_cast<VARIANT*>(value));
  std::memcpy(p, value, a->cbElements);
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* a, SAFEARRAY** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!a) return S_OK;
  SAFEARRAY* c = SafeArrayCreate(a->vt, 1, a->rgsabound);
  if (!c) return E_OUTOFMEMORY;
  for (ULONG i = 0; i < a->rgsabound[0].cElements; ++i) {
    size_t off = static_cast<size_t>(i) * a->cbElements;
    HRESULT hr =
        pv::CopyElement(a->vt, static_cast<char*>(c->pvData) + off, static_cast<char*>(a->pvData) + off, a->cbElements);
    if (FAILED(hr)) {
      SafeArrayDestroy(c);
      return hr;
    }
  }
  *out = c;
  return S_OK;
}

HRESULT SafeArrayRedim(SAFEARRAY* a, SAFEARRAYBOUND* bound) {
  if (!a || !bound) return E_INVALIDARG;
  if (a->cLocks) return DISP_E_ARRAYISLOCKED;
  ULONG oldCount = a->rgsabound[0].cElements, newCount = bound->cElements;
  if (newCount < oldCount) {
    // Release the elements that go away.
    SAFEARRAY tail = *a;
    tail.pvData = static_cast<char*>(a->pvData) + static_cast<size_t>(newCount) * a->cbElements;
    tail.rgsabound[0].cElements = oldCount - newCount;
    pv::ReleaseElements(&tail);
  }
  size_t bytes = static_cast<size_t>(newCount) * a->cbElements;
  void* data = std::realloc(a->pvData, bytes ? bytes : 1);
  if (!data) return E_OUTOFMEMORY;
  if (newCount > oldCount)
    std::memset(static_cast<char*>(data) + static_cast<size_t>(oldCount) * a->cbElements, 0,
                static_cast<size_t>(newCount - oldCount) * a->cbElements);
  a->pvData = data;
  a->rgsabound[0] = *bound;
  return S_OK;
}
