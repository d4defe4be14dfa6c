#include "toolkit/markup/markupobject.h"

#include "platform/base/exceptions.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupstyle.h"

// ---- small text helpers ----------------------------------------------------------------

int MarkupStrLen(LPCWSTR lpsz) {
  if (!lpsz) return 0;
  int n = 0;
  while (lpsz[n]) n++;
  return n;
}

static WCHAR AsciiLower(WCHAR c) { return (c >= 'A' && c <= 'Z') ? static_cast<WCHAR>(c + 32) : c; }

BOOL MarkupStrEqualNoCase(LPCWSTR a, int na, const char* b) {
  int nb = static_cast<int>(std::strlen(b));
  if (na != nb) return FALSE;
  for (int i = 0; i < na; i++)
    if (AsciiLower(a[i]) != AsciiLower(static_cast<WCHAR>(static_cast<unsigned char>(b[i])))) return FALSE;
  return TRUE;
}

// Text copies live in the pool; the length is needed to give them back.
static WCHAR* DupText(LPCWSTR lpsz, int n) {
  WCHAR* p = static_cast<WCHAR*>(MarkupPoolAlloc((n + 1) * sizeof(WCHAR)));
  if (n) std::memcpy(p, lpsz, n * sizeof(WCHAR));
  p[n] = 0;
  return p;
}

static void FreeText(const WCHAR* p, int n) { MarkupPoolFree(const_cast<WCHAR*>(p), (n + 1) * sizeof(WCHAR)); }

// ---- the property-from-name map and the counters -----------------------------------------

namespace {
struct FromNameKey {
  std::u16string_view name;
  const CTKMarkupType* owner;
  bool operator==(const FromNameKey& o) const { return owner == o.owner && name == o.name; }
};
struct FromNameHash {
  size_t operator()(const FromNameKey& k) const {
    return std::hash<std::u16string_view>()(k.name) ^ (reinterpret_cast<size_t>(k.owner) >> 4);
  }
};
struct PropertyRegistry {
  std::unordered_map<FromNameKey, CTKMarkupDependencyProperty*, FromNameHash> map;
  int count = 0;
  unsigned generation = 0;
};
// The number of store indexes given out, read by every store on every set.
int g_nStoreIndexes = 0;
PropertyRegistry& Properties() {
  static PropertyRegistry* p = new PropertyRegistry();  // lives until exit
  return *p;
}

struct TypeRegistry {
  std::unordered_map<std::u16string_view, CTKMarkupType*> map;
  CTKMarkupType* first = nullptr;
};
TypeRegistry& Types() {
  static TypeRegistry* p = new TypeRegistry();
  return *p;
}
}  // namespace

// ---- CTKMarkupObject -----------------------------------------------------------------------

CTKMarkupType* CTKMarkupObject::s_pMarkupType = nullptr;
CTKMarkupDependencyProperty* CTKMarkupObject::m_pNameProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupObject::m_pKeyProperty = nullptr;

CTKMarkupType* CTKMarkupObject::GetMarkupClass() {
  MarkupRegisterTypes();
  return s_pMarkupType;
}
CTKMarkupObject* CTKMarkupObject::CreateMarkupObject() { return new CTKMarkupObject(); }
CTKMarkupType* CTKMarkupObject::GetType() const { return GetMarkupClass(); }

void CTKMarkupObject::RegisterMarkupDependencyProperties() {
  m_pNameProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"Name", CTKMarkupString::GetMarkupClass(), GetMarkupClass());
  m_pKeyProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"Key", CTKMarkupObject::GetMarkupClass(), GetMarkupClass());
}

CTKMarkupObject::CTKMarkupObject()
    : m_pLogicalParent(nullptr), m_pSlots(nullptr), m_lpszTagName(nullptr), m_dwRef(1), m_nSlotRoom(0) {}

CTKMarkupObject::CTKMarkupObject(Slot* pRoom, int nRoom)
    : m_pLogicalParent(nullptr),
      m_pSlots(pRoom),
      m_lpszTagName(nullptr),
      m_dwRef(1),
      m_nSlotRoom(static_cast<uint16_t>(nRoom) & 0x1FFF) {}

CTKMarkupObject::~CTKMarkupObject() {
  // A class that lent the store room has released it already.
  if (m_nSlotCount || m_bSlotsInBlock) ReleaseSlots(this);
  if (m_bOwnsTagName) FreeText(m_lpszTagName, MarkupStrLen(m_lpszTagName));
}

void CTKMarkupObject::SetTagName(LPCWSTR lpszTag) {
  if (m_bOwnsTagName) FreeText(m_lpszTagName, MarkupStrLen(m_lpszTagName));
  m_lpszTagName = lpszTag ? DupText(lpszTag, MarkupStrLen(lpszTag)) : nullptr;
  m_bOwnsTagName = lpszTag != nullptr;
}

void CTKMarkupObject::SetStaticTagName(LPCWSTR lpszTag) {
  if (m_bOwnsTagName) FreeText(m_lpszTagName, MarkupStrLen(m_lpszTagName));
  m_lpszTagName = lpszTag;
  m_bOwnsTagName = 0;
}

// Objects hold objects (a style its based-on style, a tag value another
// element ...), so one release can free a long chain. Past a small nesting
// depth, final releases are queued and run by the outermost release in a
// loop, so a chain of any length never exhausts the stack.
namespace {
const int kMaxReleaseDepth = 64;
thread_local int t_nReleaseDepth = 0;
thread_local std::vector<CTKMarkupObject*>* t_pPendingReleases = nullptr;
}  // namespace

LONG CTKMarkupObject::ReleaseLast() {
  if (m_dwRef <= 0) return 0;
  m_dwRef = 0;
  if (t_nReleaseDepth >= kMaxReleaseDepth) {
    if (!t_pPendingReleases) t_pPendingReleases = new std::vector<CTKMarkupObject*>();
    t_pPendingReleases->push_back(this);
    return 0;
  }
  t_nReleaseDepth++;
  OnFinalRelease();
  if (t_nReleaseDepth == 1 && t_pPendingReleases) {
    while (!t_pPendingReleases->empty()) {
      CTKMarkupObject* p = t_pPendingReleases->back();
      t_pPendingReleases->pop_back();
      p->OnFinalRelease();
    }
  }
  t_nReleaseDepth--;
  return 0;
}

void CTKMarkupObject::OnFinalRelease() { delete this; }

CTKMarkupObject* CTKMarkupObject::ReadLocalValue(CTKMarkupDependencyProperty* pProperty) const {
  return GetStoredValue(pProperty);
}

UINT_PTR CTKMarkupObject::GetHashCode() const { return reinterpret_cast<UINT_PTR>(this); }
BOOL CTKMarkupObject::IsEqual(const CTKMarkupObject* pOther) const { return pOther == this; }
int CTKMarkupObject::GetLogicalChildrenCount() const { return 0; }
CTKMarkupObject* CTKMarkupObject::GetLogicalChild(int) const { return nullptr; }
BOOL CTKMarkupObject::HasContent() const { return FALSE; }
BOOL CTKMarkupObject::AllowWhiteSpaceContent() const { return FALSE; }
CTKMarkupObject* CTKMarkupObject::ConvertFrom(CTKMarkupBuilder*, CTKMarkupObject*) { return nullptr; }

void CTKMarkupObject::SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pContent);
  if (pString) {
    ThrowBuildError(FormatStringWithArgs(u"Cannot convert the string '%ls' into a '%ls' object", pString->GetBuffer(),
                                         GetType()->GetClassName()));
  }
  ThrowBuildError(FormatStringWithArg(u"Cannot add content to an object of type '%ls'", GetType()->GetClassName()));
}

void CTKMarkupObject::SetPropertyObject(CTKMarkupBuilder* pBuilder, CTKMarkupDependencyProperty* pProperty,
                                        CTKMarkupObject* pValue) {
  if (pValue && pProperty && !pValue->IsOfType(pProperty->GetPropertyType())) {
    CTKMarkupObject* pConverted = pBuilder->ConvertValue(pProperty, pValue);  // throws on failure
    pValue->Release();
    pValue = pConverted;
  }
  if (!SetValue(pProperty, pValue) && pValue) pValue->Release();
}

void CTKMarkupObject::OnPropertyChanged(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pOldValue,
                                        CTKMarkupObject* pNewValue) {
  CTKMarkupPropertyMetadata* pMetadata = pProperty->GetMetadata();
  if (pMetadata && pMetadata->m_pPropertyChanged) {
    PropertyChangedArgs args = {pProperty, pOldValue, pNewValue};
    pMetadata->m_pPropertyChanged(this, &args);
  }
}

CTKMarkupObject* CTKMarkupObject::DynamicCast(const CTKMarkupType* pType, CTKMarkupObject* pObject) {
  return pObject && pObject->IsOfType(pType) ? pObject : nullptr;
}

CTKMarkupObject* CTKMarkupObject::GetValue(CTKMarkupDependencyProperty* pProperty) const {
  if (!pProperty) return nullptr;
  CTKMarkupObject* pValue = ReadLocalValue(pProperty);
  if (pValue) return pValue;
  CTKMarkupPropertyMetadata* pMetadata = pProperty->GetMetadata();
  if (pMetadata && (pMetadata->m_dwFlags & MPF_INHERITS)) {
    for (const CTKMarkupObject* p = m_pLogicalParent; p; p = p->GetLogicalParent()) {
      pValue = p->ReadLocalValue(pProperty);
      if (pValue) return pValue;
    }
  }
  return pMetadata ? pMetadata->m_pDefaultValue : nullptr;
}

BOOL CTKMarkupObject::SetValue(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pValue) {
  if (!pProperty) return FALSE;
  if (pValue && !pValue->IsOfType(pProperty->GetPropertyType())) return FALSE;
  const int nIndex = pProperty->GetStoreIndex();
  if (ChangesGoUnseen(pProperty)) {
    StoreSlot(nIndex, pValue, this);
    return TRUE;
  }
  // Hold the old value while notifying: the store releases it.
  CTKMarkupObject* pOld = GetValue(pProperty);
  if (pOld) pOld->AddRef();
  StoreSlot(nIndex, pValue, this);
  // A value the store now holds is what every reader sees first.
  CTKMarkupObject* pNew = pValue && LookupSlot(nIndex) == pValue ? pValue : GetValue(pProperty);
  if (pOld || pNew) {
    OnPropertyChanged(pProperty, pOld, pNew);
    if (pProperty->GetFlags() & MPF_INHERITS) NotifyInheritedChange(pProperty, pOld, pNew);
  }
  if (pOld) pOld->Release();
  return TRUE;
}

const CTKMarkupObject* CTKMarkupObject::FindValueOwner(CTKMarkupDependencyProperty* pProperty) const {
  if (ReadLocalValue(pProperty)) return this;
  if (!(pProperty->GetFlags() & MPF_INHERITS)) return nullptr;
  for (const CTKMarkupObject* p = m_pLogicalParent; p; p = p->GetLogicalParent())
    if (p->ReadLocalValue(pProperty)) return p;
  return nullptr;
}

void CTKMarkupObject::NotifyInheritedChange(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pOldValue,
                                            CTKMarkupObject* pNewValue) {
  // Trees can be deeper than the markup nesting (elements taken from
  // resources as content); the walk stops at a fixed depth.
  static thread_local int s_nDepth = 0;
  if (s_nDepth >= kMaxTreeWalkDepth) return;
  struct Depth {
    Depth() { s_nDepth++; }
    ~Depth() { s_nDepth--; }
  } depth;
  int nCount = GetWalkChildrenCount();
  for (int i = 0; i < nCount; i++) {
    CTKMarkupObject* pChild = GetWalkChild(i);
    if (!pChild) continue;
    if (pChild->IsOfType(pProperty->GetOwnerType())) pChild->OnPropertyChanged(pProperty, pOldValue, pNewValue);
    pChild->NotifyInheritedChange(pProperty, pOldValue, pNewValue);
  }
}

// ---- metadata and dependency properties -------------------------------------------------------

CTKMarkupPropertyMetadata::CTKMarkupPropertyMetadata(CTKMarkupObject* pDefault, DWORD dwFlags)
    : m_pDefaultValue(pDefault), m_pConverter(nullptr), m_dwFlags(dwFlags), m_pPropertyChanged(nullptr) {}
CTKMarkupPropertyMetadata::CTKMarkupPropertyMetadata(CTKMarkupObject* pDefault, PFNMARKUPCONVERTER pConverter,
                                                     DWORD dwFlags)
    : m_pDefaultValue(pDefault), m_pConverter(pConverter), m_dwFlags(dwFlags), m_pPropertyChanged(nullptr) {}
CTKMarkupPropertyMetadata::CTKMarkupPropertyMetadata(CTKMarkupObject* pDefault, PFNMARKUPPROPERTYCHANGED pCallback,
                                                     DWORD dwFlags)
    : m_pDefaultValue(pDefault), m_pConverter(nullptr), m_dwFlags(dwFlags), m_pPropertyChanged(pCallback) {}
CTKMarkupPropertyMetadata::CTKMarkupPropertyMetadata(CTKMarkupObject* pDefault, PFNMARKUPCONVERTER pConverter,
                                                     PFNMARKUPPROPERTYCHANGED pCallback, DWORD dwFlags)
    : m_pDefaultValue(pDefault), m_pConverter(pConverter), m_dwFlags(dwFlags), m_pPropertyChanged(pCallback) {}
CTKMarkupPropertyMetadata::~CTKMarkupPropertyMetadata() { MarkupRelease(m_pDefaultValue); }

TK_DEFINE_MARKUPCLASS_NOFACTORY(CTKMarkupDependencyProperty)

CTKMarkupDependencyProperty::CTKMarkupDependencyProperty(LPCWSTR lpszName, CTKMarkupType* pValueType,
                                                         CTKMarkupType* pOwnerType,
                                                         CTKMarkupPropertyMetadata* pMetadata)
    : m_lpszName(lpszName), m_pPropertyType(pValueType), m_pOwnerType(pOwnerType), m_pMetadata(pMetadata) {}

CTKMarkupDependencyProperty::~CTKMarkupDependencyProperty() { delete m_pMetadata; }

int CTKMarkupDependencyProperty::GetPropertyCount() { return Properties().count; }
unsigned CTKMarkupDependencyProperty::GetRegistryGeneration() { return Properties().generation; }

CTKMarkupDependencyProperty* CTKMarkupDependencyProperty::Register(CTKMarkupDependencyProperty* pProperty) {
  PropertyRegistry& reg = Properties();
  reg.generation++;
  if (!pProperty->IsEvent()) {
    pProperty->m_nIndex = reg.count++;
    g_nStoreIndexes = reg.count;
  }
  FromNameKey key{std::u16string_view(pProperty->m_lpszName), pProperty->m_pOwnerType};
  auto it = reg.map.find(key);
  if (it != reg.map.end()) {
    // A second registration under the same name and owner replaces the
    // entry; the old property stays alive (its index is kept by stores).
    it->second = pProperty;
  } else {
    reg.map.emplace(key, pProperty);
  }
  return pProperty;
}

CTKMarkupDependencyProperty* CTKMarkupDependencyProperty::RegisterProperty(LPCWSTR lpszName, CTKMarkupType* pValueType,
                                                                           CTKMarkupType* pOwnerType,
                                                                           CTKMarkupPropertyMetadata* pMetadata) {
  return Register(new CTKMarkupDependencyProperty(lpszName, pValueType, pOwnerType, pMetadata));
}

CTKMarkupDependencyProperty* CTKMarkupDependencyProperty::RegisterAttachedProperty(
    LPCWSTR lpszName, CTKMarkupType* pValueType, CTKMarkupType* pOwnerType, CTKMarkupPropertyMetadata* pMetadata) {
  CTKMarkupDependencyProperty* p = new CTKMarkupDependencyProperty(lpszName, pValueType, pOwnerType, pMetadata);
  p->m_bAttached = TRUE;
  return Register(p);
}

CTKMarkupDependencyProperty* CTKMarkupDependencyProperty::AddOwner(CTKMarkupType* pOwnerType) {
  PropertyRegistry& reg = Properties();
  FromNameKey key{std::u16string_view(m_lpszName), pOwnerType};
  if (reg.map.find(key) == reg.map.end()) {
    AddRef();
    reg.map.emplace(key, this);
    reg.generation++;
  }
  return this;
}

// ---- the property store ---------------------------------------------------------------------

int CTKMarkupObject::FindSlotPosition(int nIndex) const {
  int i = 0;
  while (i < m_nSlotCount && m_pSlots[i].nIndex < nIndex) i++;
  return i;
}

void CTKMarkupObject::InsertSlot(int nPos, Slot slot) {
  if (m_nSlotCount == m_nSlotRoom) {
    // Stores are far smaller than this; a store that full keeps what it has.
    if (m_nSlotRoom >= kMaxSlotRoom) return;
    int nRoom = m_nSlotRoom ? m_nSlotRoom * 2 : 2;
    Slot* p = static_cast<Slot*>(MarkupPoolAlloc(nRoom * sizeof(Slot)));
    if (m_nSlotCount) std::memcpy(p, m_pSlots, m_nSlotCount * sizeof(Slot));
    if (m_bSlotsInBlock) MarkupPoolFree(m_pSlots, m_nSlotRoom * sizeof(Slot));
    m_pSlots = p;
    m_nSlotRoom = static_cast<uint16_t>(nRoom) & 0x1FFF;
    m_bSlotsInBlock = 1;
  }
  if (nPos < m_nSlotCount) std::memmove(m_pSlots + nPos + 1, m_pSlots + nPos, (m_nSlotCount - nPos) * sizeof(Slot));
  m_pSlots[nPos] = slot;
  m_nSlotCount++;
}

void CTKMarkupObject::StoreSlot(int nIndex, CTKMarkupObject* pValue, CTKMarkupObject* pOwner) {
  if (nIndex < 0 || nIndex >= g_nStoreIndexes) return;
  const int nCount = m_nSlotCount;
  if (pValue && nCount < m_nSlotRoom && (nCount == 0 || m_pSlots[nCount - 1].nIndex < nIndex)) {
    // A property after every one set so far: the builder's usual order.
    m_pSlots[nCount] = Slot{nIndex, pValue};
    m_nSlotCount = static_cast<uint16_t>(nCount + 1);
    if (pOwner) pValue->SetLogicalParent(pOwner);
    return;
  }
  CTKMarkupObject* pOld = nullptr;
  int nPos = FindSlotPosition(nIndex);
  if (nPos < m_nSlotCount && m_pSlots[nPos].nIndex == nIndex) {
    pOld = m_pSlots[nPos].pValue;
    if (pValue || m_bReleasingSlots) {
      m_pSlots[nPos].pValue = pValue;
    } else {
      // Cleared: the slot goes, so the store holds only what is set.
      m_nSlotCount--;
      std::memmove(m_pSlots + nPos, m_pSlots + nPos + 1, (m_nSlotCount - nPos) * sizeof(Slot));
    }
  } else if (pValue) {
    InsertSlot(nPos, Slot{nIndex, pValue});
    if (m_nSlotCount == nCount) {
      // No room could be made: the value is not kept, and nothing leaks.
      pValue->Release();
      return;
    }
  }
  if (pOld) {
    // Shared values (true, false, small enumerations) are held by many
    // stores: only take the parent away when it is still this owner.
    if (pOwner && pOld->GetLogicalParent() == pOwner) pOld->SetLogicalParent(nullptr);
    pOld->Release();
  }
  if (pValue && pOwner) pValue->SetLogicalParent(pOwner);
}

// Out of line: the destructor of every object calls it only for a store that
// is not empty.
__attribute__((noinline)) void CTKMarkupObject::ReleaseSlots(CTKMarkupObject* pOwner) {
  // By index each time: a release may call back into this store, which
  // keeps every slot where it is meanwhile.
  m_bReleasingSlots = 1;
  for (int i = 0; i < m_nSlotCount; i++) {
    CTKMarkupObject* p = m_pSlots[i].pValue;
    if (!p) continue;
    m_pSlots[i].pValue = nullptr;
    if (pOwner && p->GetLogicalParent() == pOwner) p->SetLogicalParent(nullptr);
    p->Release();
  }
  m_bReleasingSlots = 0;
  m_nSlotCount = 0;
  if (m_bSlotsInBlock) MarkupPoolFree(m_pSlots, m_nSlotRoom * sizeof(Slot));
  m_bSlotsInBlock = 0;
  m_pSlots = nullptr;
  m_nSlotRoom = 0;
}

void CTKMarkupObject::CopySlotsFrom(const CTKMarkupObject* pOther) {
  if (!pOther) return;
  for (int k = 0; k < pOther->m_nSlotCount; k++) {
    const Slot& s = pOther->m_pSlots[k];
    if (!s.pValue) continue;
    int nPos = FindSlotPosition(s.nIndex);
    if (nPos < m_nSlotCount && m_pSlots[nPos].nIndex == s.nIndex) {
      s.pValue->AddRef();
      if (m_pSlots[nPos].pValue) m_pSlots[nPos].pValue->Release();  // fresh stores only, but never leak
      m_pSlots[nPos].pValue = s.pValue;
      continue;
    }
    int nCount = m_nSlotCount;
    InsertSlot(nPos, Slot{s.nIndex, s.pValue});
    if (m_nSlotCount != nCount) s.pValue->AddRef();
  }
}

void CTKMarkupProperties::Set(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pValue) {
  StoreSlot(pProperty ? pProperty->GetStoreIndex() : -1, pValue, m_pOwner);
}

// ---- value classes ----------------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupInt)
TK_DEFINE_MARKUPCLASS(CTKMarkupDouble)
TK_DEFINE_MARKUPCLASS(CTKMarkupEnum)
TK_DEFINE_MARKUPCLASS(CTKMarkupBool)
TK_DEFINE_MARKUPCLASS(CTKMarkupColor)
TK_DEFINE_MARKUPCLASS(CTKMarkupString)
TK_DEFINE_MARKUPCLASS(CTKMarkupDoubleCollection)
TK_DEFINE_MARKUPCLASS(CTKMarkupCollection)

BOOL CTKMarkupInt::IsEqual(const CTKMarkupObject* pOther) const {
  return pOther && pOther->GetType() == GetType() && static_cast<const CTKMarkupInt*>(pOther)->m_nValue == m_nValue;
}

CTKMarkupObject* CTKMarkupInt::ConvertFrom(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString) return nullptr;
  return new CTKMarkupInt(MarkupReadInt(pString->GetBuffer()));
}

BOOL CTKMarkupDouble::IsEqual(const CTKMarkupObject* pOther) const {
  return pOther && pOther->GetType() == GetType() && static_cast<const CTKMarkupDouble*>(pOther)->m_dValue == m_dValue;
}

CTKMarkupObject* CTKMarkupDouble::ConvertFrom(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString) return nullptr;
  LPCWSTR lpsz = pString->GetBuffer();
  double d = 0;
  if (!ReadNumber(lpsz, d, 0, TRUE)) return nullptr;
  return new CTKMarkupDouble(d);
}

BOOL CTKMarkupEnum::IsEqual(const CTKMarkupObject* pOther) const {
  return pOther && pOther->GetType() == GetType() && static_cast<const CTKMarkupEnum*>(pOther)->m_nValue == m_nValue;
}

CTKMarkupEnum* CTKMarkupEnum::CreateEnum(int nValue) {
  static CTKMarkupEnum* s_cache[8] = {};
  if (nValue < 0 || nValue > 7) return new CTKMarkupEnum(nValue);
  if (!s_cache[nValue]) s_cache[nValue] = new CTKMarkupEnum(nValue);
  s_cache[nValue]->AddRef();
  return s_cache[nValue];
}

BOOL CTKMarkupBool::IsEqual(const CTKMarkupObject* pOther) const {
  return pOther && pOther->GetType() == GetType() && static_cast<const CTKMarkupBool*>(pOther)->m_bValue == m_bValue;
}

CTKMarkupBool* CTKMarkupBool::CreateBool(BOOL bValue) {
  static CTKMarkupBool* s_true = nullptr;
  static CTKMarkupBool* s_false = nullptr;
  CTKMarkupBool*& p = bValue ? s_true : s_false;
  if (!p) p = new CTKMarkupBool(bValue);
  p->AddRef();
  return p;
}

CTKMarkupObject* CTKMarkupBool::ConvertFrom(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString) return nullptr;
  if (MarkupStrEqualNoCase(pString->GetBuffer(), pString->GetLength(), "True")) return CreateBool(TRUE);
  if (MarkupStrEqualNoCase(pString->GetBuffer(), pString->GetLength(), "False")) return CreateBool(FALSE);
  return nullptr;
}

CTKMarkupColor* CTKMarkupColor::FromARGB(DWORD dwValue) {
  CTKMarkupColor* p = new CTKMarkupColor();
  p->m_nValue = dwValue;
  return p;
}

BOOL CTKMarkupColor::IsEqual(const CTKMarkupObject* pOther) const {
  return pOther && pOther->GetType() == GetType() && static_cast<const CTKMarkupColor*>(pOther)->m_nValue == m_nValue;
}

static int HexDigit(WCHAR c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One "%2x" field: one or two hex digits. The fixed-length forms make every
// field exactly two digits in practice; a field cut short fails.
static bool ReadHexByte(LPCWSTR p, int& value) {
  int a = HexDigit(p[0]), b = HexDigit(p[1]);
  if (a < 0 || b < 0) return false;
  value = a * 16 + b;
  return true;
}

BOOL CTKMarkupColor::ParseColorText(LPCWSTR lpsz, int n, DWORD& dwValue) {
  if (!lpsz) return FALSE;
  if (n > 0 && lpsz[0] == '#') {
    int a = 0xFF, r, g, b;
    if (n == 7) {
      if (!ReadHexByte(lpsz + 1, r) || !ReadHexByte(lpsz + 3, g) || !ReadHexByte(lpsz + 5, b)) return FALSE;
    } else if (n == 9) {
      if (!ReadHexByte(lpsz + 1, a) || !ReadHexByte(lpsz + 3, r) || !ReadHexByte(lpsz + 5, g) ||
          !ReadHexByte(lpsz + 7, b))
        return FALSE;
    } else {
      return FALSE;
    }
    dwValue = (static_cast<DWORD>(a) << 24) | (static_cast<DWORD>(b) << 16) | (static_cast<DWORD>(g) << 8) |
              static_cast<DWORD>(r);
    return TRUE;
  }
  DWORD clr = 0;
  if (!ColorFromName(lpsz, n, clr)) return FALSE;
  dwValue = clr;
  return TRUE;
}

CTKMarkupObject* CTKMarkupColor::ConvertFrom(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString) return nullptr;
  DWORD dw;
  if (!ParseColorText(pString->GetBuffer(), pString->GetLength(), dw)) return nullptr;
  return FromARGB(dw);
}

void CTKMarkupColor::SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pContent);
  DWORD dw;
  if (pString && ParseColorText(pString->GetBuffer(), pString->GetLength(), dw)) {
    m_nValue = dw;
    pContent->Release();
    return;
  }
  CTKMarkupObject::SetContentObject(pBuilder, pContent);
}

CTKMarkupString::CTKMarkupString(LPCWSTR lpszText, int nLength) {
  if (nLength < 0) nLength = MarkupStrLen(lpszText);
  if (!lpszText) nLength = 0;
  m_nLength = nLength;
  if (nLength <= kInlineLength) {
    if (nLength) std::memcpy(m_szInline, lpszText, nLength * sizeof(WCHAR));
    m_szInline[nLength] = 0;
    m_lpszValue = m_szInline;
  } else {
    m_lpszValue = DupText(lpszText, nLength);
  }
}

CTKMarkupString::~CTKMarkupString() {
  if (m_lpszValue != m_szInline) FreeText(m_lpszValue, m_nLength);
}

BOOL CTKMarkupString::IsEqual(const CTKMarkupObject* pOther) const {
  const CTKMarkupString* p = MarkupDynamicCast<CTKMarkupString>(pOther);
  return p && p->m_nLength == m_nLength && std::memcmp(p->m_lpszValue, m_lpszValue, m_nLength * sizeof(WCHAR)) == 0;
}

UINT_PTR CTKMarkupString::GetHashCode() const {
  UINT32 h = 0;
  for (int i = 0; i < m_nLength; i++) h = h * 33 + m_lpszValue[i];
  return h;
}

CTKMarkupString* CTKMarkupString::CreateString(LPCWSTR lpszText, int nLength) {
  static CTKMarkupString* s_empty = nullptr;
  static CTKMarkupString* s_space = nullptr;
  static CTKMarkupString* s_newline = nullptr;
  if (!lpszText) nLength = 0;
  if (nLength < 0) nLength = MarkupStrLen(lpszText);
  CTKMarkupString** pp = nullptr;
  if (nLength == 0) pp = &s_empty;
  else if (nLength == 1 && lpszText[0] == ' ') pp = &s_space;
  else if (nLength == 1 && lpszText[0] == '\n') pp = &s_newline;
  if (!pp) return new CTKMarkupString(lpszText, nLength);
  if (!*pp) *pp = new CTKMarkupString(lpszText, nLength);
  (*pp)->AddRef();
  return *pp;
}

float CTKMarkupDoubleCollection::GetAt(int nIndex) const {
  if (nIndex < 0 || nIndex >= GetCount()) AfxThrowInvalidArgException();
  return m_arr[nIndex];
}

CTKMarkupObject* CTKMarkupDoubleCollection::ConvertFrom(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString) return nullptr;
  LPCWSTR p = pString->GetBuffer();
  CTKMarkupDoubleCollection* pList = new CTKMarkupDoubleCollection();
  while (*p) {
    while (*p == ' ') p++;
    if (!*p) break;
    bool negative = false;
    if (*p == '-') {
      negative = true;
      p++;
    }
    double d = 0, scale = 0.1;
    bool fraction = false, any = false;
    for (; *p && *p != ' ' && *p != ','; p++) {
      if (*p == '.') {
        if (fraction) {
          pList->Release();
          return nullptr;
        }
        fraction = true;
      } else if (*p >= '0' && *p <= '9') {
        if (fraction) {
          d += (*p - '0') * scale;
          scale /= 10;
        } else {
          d = d * 10 + (*p - '0');
        }
      } else {
        pList->Release();
        return nullptr;
      }
      any = true;
    }
    if (!any) {  // a separator (or the end) with no number before it
      pList->Release();
      return nullptr;
    }
    pList->Add(static_cast<float>(negative ? -d : d));
    if (*p == ',') p++;  // only a comma right after the number separates
    while (*p == ' ') p++;
  }
  return pList;
}

// ---- collections ------------------------------------------------------------------------------------

CTKMarkupCollection::CTKMarkupCollection()
    : m_pElementType(CTKMarkupObject::GetMarkupClass()), m_bLogicalParent(TRUE), m_pItems(m_inlineItems) {}

CTKMarkupCollection::~CTKMarkupCollection() {
  // By index each time: a release may call back into this collection.
  for (int i = 0; i < m_nCount; i++) {
    CTKMarkupObject* p = m_pItems[i];
    if (m_bLogicalParent && p->GetLogicalParent() == this) p->SetLogicalParent(nullptr);
    p->Release();
  }
  if (m_pItems != m_inlineItems) MarkupPoolFree(m_pItems, m_nCapacity * sizeof(CTKMarkupObject*));
}

CTKMarkupObject* CTKMarkupCollection::GetLogicalChild(int nIndex) const {
  return (nIndex >= 0 && nIndex < m_nCount) ? m_pItems[nIndex] : nullptr;
}

void CTKMarkupCollection::Grow() {
  int nCapacity = m_nCapacity * 2;
  CTKMarkupObject** p = static_cast<CTKMarkupObject**>(MarkupPoolAlloc(nCapacity * sizeof(CTKMarkupObject*)));
  std::memcpy(p, m_pItems, m_nCount * sizeof(CTKMarkupObject*));
  if (m_pItems != m_inlineItems) MarkupPoolFree(m_pItems, m_nCapacity * sizeof(CTKMarkupObject*));
  m_pItems = p;
  m_nCapacity = nCapacity;
}

void CTKMarkupCollection::AppendUnchecked(CTKMarkupObject* pItem) {
  if (m_nCount == m_nCapacity) Grow();
  m_pItems[m_nCount++] = pItem;
}

BOOL CTKMarkupCollection::Insert(int nIndex, CTKMarkupObject* pItem) {
  if (!pItem || !pItem->IsOfType(m_pElementType)) return FALSE;
  if (m_bLogicalParent) pItem->SetLogicalParent(this);
  if (nIndex < 0 || nIndex > m_nCount) nIndex = m_nCount;
  if (m_nCount == m_nCapacity) Grow();
  if (nIndex < m_nCount)
    std::memmove(m_pItems + nIndex + 1, m_pItems + nIndex, (m_nCount - nIndex) * sizeof(CTKMarkupObject*));
  m_pItems[nIndex] = pItem;
  m_nCount++;
  OnItemAdded(pItem, nIndex);
  OnChanged();
  return TRUE;
}

void CTKMarkupCollection::RemoveAt(int nIndex) {
  if (nIndex < 0 || nIndex >= m_nCount) return;
  CTKMarkupObject* p = m_pItems[nIndex];
  m_nCount--;
  std::memmove(m_pItems + nIndex, m_pItems + nIndex + 1, (m_nCount - nIndex) * sizeof(CTKMarkupObject*));
  if (m_bLogicalParent && p->GetLogicalParent() == this) p->SetLogicalParent(nullptr);
  p->Release();
  OnChanged();
}

CTKMarkupObject** CTKMarkupCollection::TakeItems(CTKMarkupObject** pScratch, int& nCount, int& nCapacity) {
  nCount = m_nCount;
  nCapacity = m_nCapacity;
  CTKMarkupObject** pItems = m_pItems;
  if (pItems == m_inlineItems) {
    std::memcpy(pScratch, m_inlineItems, m_nCount * sizeof(CTKMarkupObject*));
    pItems = pScratch;
  }
  m_pItems = m_inlineItems;
  m_nCount = 0;
  m_nCapacity = kInlineItems;
  return pItems;
}

void CTKMarkupCollection::RemoveAll() {
  // The items are taken out first: releasing them may call back into this
  // collection, which is then empty.
  CTKMarkupObject* scratch[kInlineItems];
  int nCount, nCapacity;
  CTKMarkupObject** pItems = TakeItems(scratch, nCount, nCapacity);
  for (int i = 0; i < nCount; i++) {
    CTKMarkupObject* p = pItems[i];
    if (m_bLogicalParent && p->GetLogicalParent() == this) p->SetLogicalParent(nullptr);
    p->Release();
  }
  if (pItems != scratch) MarkupPoolFree(pItems, nCapacity * sizeof(CTKMarkupObject*));
  OnChanged();
}

CTKMarkupObject* CTKMarkupCollection::GetItem(int nIndex) const {
  if (nIndex < 0 || nIndex >= m_nCount) AfxThrowInvalidArgException();
  return m_pItems[nIndex];
}

void CTKMarkupCollection::SetContentObject(CTKMarkupBuilder*, CTKMarkupObject* pContent) {
  if (!pContent || !pContent->IsOfType(m_pElementType)) {
    ThrowBuildError(
        FormatStringWithArgs(u"'%ls' object cannot be added to '%ls'. Object cannot be converted to type '%ls'",
                             pContent ? pContent->GetType()->GetClassName() : u"", GetType()->GetClassName(),
                             m_pElementType->GetClassName()));
  }
  Add(pContent);
}

// ---- type descriptors --------------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS_NOFACTORY(CTKMarkupType)

CTKMarkupType::CTKMarkupType(LPCWSTR lpszTag, LPCWSTR lpszClassName, PFNCREATEMARKUPOBJECT pfnCreate,
                             PFNGETMARKUPTYPE pfnBase, PFNREGISTERMARKUPPROPERTIES pfnRegister)
    : m_lpszTag(lpszTag),
      m_lpszClassName(lpszClassName),
      m_pNextType(nullptr),
      m_bRegistered(FALSE),
      m_pfnCreateObject(pfnCreate),
      m_pfnGetBaseType(pfnBase),
      m_pfnRegisterProperties(pfnRegister),
      m_pTypeStyle(nullptr) {
  TypeRegistry& reg = Types();
  if (lpszTag && lpszTag[0]) reg.map[std::u16string_view(lpszTag)] = this;
  m_pNextType = reg.first;
  reg.first = this;
}

CTKMarkupType::~CTKMarkupType() { MarkupRelease(m_pTypeStyle); }

CTKMarkupType* CTKMarkupType::GetFirstType() {
  MarkupRegisterTypes();
  return Types().first;
}

CTKMarkupType* CTKMarkupType::LookupTypeByTag(LPCWSTR lpszTag) {
  return LookupTypeByTag(lpszTag, MarkupStrLen(lpszTag));
}

CTKMarkupType* CTKMarkupType::LookupTypeByTag(LPCWSTR lpszTag, int nLength) {
  if (!lpszTag) return nullptr;
  MarkupRegisterTypes();
  TypeRegistry& reg = Types();
  auto it = reg.map.find(std::u16string_view(lpszTag, nLength));
  return it == reg.map.end() ? nullptr : it->second;
}

void CTKMarkupType::ResolveChain() const {
  const CTKMarkupType* chain[kMaxChain];
  int n = 0;
  const CTKMarkupType* p = this;
  for (; p && n < kMaxChain; p = p->GetBaseType()) chain[n++] = p;
  // Complete only when it ends at a type that has no base by design; a
  // base accessor answering null mid-registration must not be kept.
  const CTKMarkupType* pLast = chain[n - 1];
  if (p || pLast->m_pfnGetBaseType) {
    m_nDepth.store(kUnresolved, std::memory_order_release);
    return;
  }
  for (int i = 0; i < n; i++) m_pChain[i] = chain[n - 1 - i];
  m_nDepth.store(n - 1, std::memory_order_release);
}

BOOL CTKMarkupType::IsDerivedFrom(const CTKMarkupType* pBase) const {
  for (const CTKMarkupType* p = this; p; p = p->GetBaseType())
    if (p == pBase) return TRUE;
  return FALSE;
}

CTKMarkupDependencyProperty* CTKMarkupType::FindProperty(const CTKMarkupType* pType, LPCWSTR lpszName) {
  return FindProperty(pType, lpszName, MarkupStrLen(lpszName));
}

CTKMarkupDependencyProperty* CTKMarkupType::FindProperty(const CTKMarkupType* pType, LPCWSTR lpszName, int nLength) {
  if (!lpszName) return nullptr;
  if (nLength >= 2 && lpszName[0] == 'x' && lpszName[1] == ':') {
    lpszName += 2;
    nLength -= 2;
  }
  if (!pType) return nullptr;
  PropertyRegistry& reg = Properties();
  std::u16string_view name(lpszName, nLength);
  for (const CTKMarkupType* p = pType; p; p = p->GetBaseType()) {
    auto it = reg.map.find(FromNameKey{name, p});
    if (it != reg.map.end()) return it->second;
  }
  return nullptr;
}

void CTKMarkupType::EnsureRegistered() {
  if (m_bRegistered) return;
  CTKMarkupType* pBase = GetBaseType();
  if (pBase && !pBase->m_bRegistered) pBase->EnsureRegistered();
  m_bRegistered = TRUE;
  if (m_pfnRegisterProperties) m_pfnRegisterProperties();
}

void CTKMarkupType::RegisterAllTypes() {
  for (CTKMarkupType* p = GetFirstType(); p; p = p->m_pNextType) p->EnsureRegistered();
}

void CTKMarkupType::SetTypeStyle(CTKMarkupStyle* pStyle) {
  MarkupRelease(m_pTypeStyle);
  m_pTypeStyle = pStyle;
  if (pStyle) pStyle->Seal();
}

CTKMarkupObject* CTKMarkupType::ConvertFrom(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString) return nullptr;
  CTKMarkupType* pType = LookupTypeByTag(pString->GetBuffer(), pString->GetLength());
  if (pType) pType->AddRef();
  return pType;
}
