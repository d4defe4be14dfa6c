// CObject and run-time class information.
//
// Every class declared with DECLARE_DYNAMIC/DYNCREATE/SERIAL owns a static
// CRuntimeClass record (name, size, schema, factory, base class). The
// records are constant-initialised, so they are valid before any dynamic
// initialiser runs. IMPLEMENT_* also places a pointer to the record in a
// dedicated linker section; CRuntimeClass::FromName walks that section, so
// a lookup by name sees every class linked into the program no matter in
// which order the files' static initialisers run (or whether they ran).
#pragma once

#include "platform/base/wintypes.h"

class CObject;
class CArchive;
class CDumpContext;

// Schema flag: the class reads older schemas itself (GetObjectSchema).
constexpr UINT VERSIONABLE_SCHEMA = 0x80000000u;

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;  // 0xFFFF: not serialisable
  CObject* (*m_pfnCreateObject)();
  CRuntimeClass* m_pBaseClass;

  // A new object of this class, or nullptr when the class cannot be
  // created dynamically.
  CObject* CreateObject() const;
  BOOL IsDerivedFrom(const CRuntimeClass* base) const;

  // The class registered under `name` (exact, case-sensitive), or nullptr.
  static CRuntimeClass* FromName(LPCSTR name);
  static CRuntimeClass* FromName(LPCWSTR name);
  // A new object of the class named `name`, or nullptr.
  static CObject* CreateObject(LPCSTR name);
  static CObject* CreateObject(LPCWSTR name);

  // The class reference in an archive: WORD schema, WORD name length, name.
  void Store(CArchive& ar) const;
  // Reads a stored class reference; nullptr when the name is unknown or
  // too long. *schema receives the stored schema.
  static CRuntimeClass* Load(CArchive& ar, UINT* schema);
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

class CObject {
 public:
  static CRuntimeClass classCObject;

  virtual CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() = default;

  BOOL IsKindOf(const CRuntimeClass* cls) const;
  BOOL IsSerializable() const;

  virtual void Serialize(CArchive& ar);
  virtual void AssertValid() const {}
  virtual void Dump(CDumpContext& dc) const {}

  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;

 protected:
  CObject() noexcept = default;
};

// Used by IMPLEMENT_SERIAL's extraction operator (defined with CArchive).
CObject* PvArchiveReadObject(CArchive& ar, const CRuntimeClass* requested);

// ---- declaration macros ----------------------------------------------------------
#define DECLARE_DYNAMIC(class_name)       \
 public:                                  \
  static CRuntimeClass class##class_name; \
  CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) \
  DECLARE_DYNCREATE(class_name)    \
  friend CArchive& operator>>(CArchive& ar, class_name*& pOb);

// ---- implementation macros ----------------------------------------------------------
// The pointer in section "pv_runtime_classes" is what name lookups walk.
#define PV_REGISTER_RUNTIME_CLASS(class_name)                                                                      \
  __attribute__((used,                                                                                             \
                 section("pv_runtime_classes"))) static CRuntimeClass* const pv_runtime_class_entry_##class_name = \
      RUNTIME_CLASS(class_name);

#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)                                   \
  constinit CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)),  \
                                                           (wSchema), pfnNew, RUNTIME_CLASS(base_class_name)}; \
  CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }                     \
  PV_REGISTER_RUNTIME_CLASS(class_name)

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)         \
  CObject* class_name::CreateObject() { return new class_name; } \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)                           \
  CObject* class_name::CreateObject() { return new class_name; }                         \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, class_name::CreateObject) \
  CArchive& operator>>(CArchive& ar, class_name*& pOb) {                                 \
    pOb = static_cast<class_name*>(PvArchiveReadObject(ar, RUNTIME_CLASS(class_name)));  \
    return ar;                                                                           \
  }

// ---- down-casts ----------------------------------------------------------------------
CObject* AfxDynamicDownCast(const CRuntimeClass* cls, CObject* obj);
// The caller knows the class: no check is made (as in release builds).
inline CObject* AfxStaticDownCast(const CRuntimeClass*, CObject* obj) { return obj; }

#define DYNAMIC_DOWNCAST(class_name, object) \
  (static_cast<class_name*>(AfxDynamicDownCast(RUNTIME_CLASS(class_name), (object))))
#define STATIC_DOWNCAST(class_name, object) \
  (static_cast<class_name*>(AfxStaticDownCast(RUNTIME_CLASS(class_name), (object))))
