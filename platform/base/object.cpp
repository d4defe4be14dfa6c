#include "platform/base/object.h"

#include <cstring>
#include <string>

#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/base/utf.h"

// CObject's own record: the root of every chain.
constinit CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr,
                                                 nullptr};
PV_REGISTER_RUNTIME_CLASS(CObject)

// The linker defines these around the section that IMPLEMENT_* fills.
extern "C" {
extern CRuntimeClass* const __start_pv_runtime_classes[] __attribute__((weak));
extern CRuntimeClass* const __stop_pv_runtime_classes[] __attribute__((weak));
}

CObject* CRuntimeClass::CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
    if (c == base) return TRUE;
  return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(LPCSTR name) {
  if (!name) return nullptr;
  for (CRuntimeClass* const* p = __start_pv_runtime_classes; p && p != __stop_pv_runtime_classes; ++p) {
    if (*p && std::strcmp((*p)->m_lpszClassName, name) == 0) return *p;
  }
  return nullptr;
}

CRuntimeClass* CRuntimeClass::FromName(LPCWSTR name) {
  if (!name) return nullptr;
  std::u16string_view view(name);
  return FromName(pv::Utf16ToUtf8(view).c_str());
}

CObject* CRuntimeClass::CreateObject(LPCSTR name) {
  CRuntimeClass* cls = FromName(name);
  return cls ? cls->CreateObject() : nullptr;
}

CObject* CRuntimeClass::CreateObject(LPCWSTR name) {
  CRuntimeClass* cls = FromName(name);
  return cls ? cls->CreateObject() : nullptr;
}

void CRuntimeClass::Store(CArchive& ar) const {
  WORD len = static_cast<WORD>(std::strlen(m_lpszClassName));
  ar << static_cast<WORD>(m_wSchema) << len;
  ar.Write(m_lpszClassName, len);
}

CRuntimeClass* CRuntimeClass::Load(CArchive& ar, UINT* schema) {
  // Longer names are not ours: refuse them before reading.
  constexpr WORD kMaxName = 64;
  WORD storedSchema = 0, len = 0;
  ar >> storedSchema >> len;
  *schema = storedSchema;
  if (len >= kMaxName) return nullptr;
  char name[kMaxName + 1] = {};
  if (ar.Read(name, len) != len) AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName.GetString());
  name[len] = 0;
  return FromName(name);
}

CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

BOOL CObject::IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }

BOOL CObject::IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF; }

void CObject::Serialize(CArchive&) {}

CObject* AfxDynamicDownCast(const CRuntimeClass* cls, CObject* obj) {
  return obj && obj->IsKindOf(cls) ? obj : nullptr;
}
