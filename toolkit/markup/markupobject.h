// Markup object model: the reference-counted base of every markup object,
// dependency properties with metadata, the property store, the value classes
// and the generic collections; and the type descriptors with their registry.
//
// References are passed explicitly: a function that returns a new object
// gives the caller one reference; a store, collection or dictionary that
// takes an object takes over the caller's reference; getters add none.
//
// Threading: markup is used by one thread, the UI thread that builds and
// shows it. Objects, the type and property registries and the values shared
// between trees (true and false, small enumerations, empty and one-space
// strings, property defaults, type styles) are neither locked nor counted
// atomically, so no markup object may be handed to, kept by or released on
// another thread (a worker that needs markup text passes the text and lets
// the UI thread build it). Only the small-block pool is per thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/base/wintypes.h"
#include "toolkit/markup/markuppool.h"

class CTKMarkupType;
class CTKMarkupDependencyProperty;
class CTKMarkupProperties;
class CTKMarkupBuilder;
class CTKMarkupObject;

struct PropertyChangedArgs {
  CTKMarkupDependencyProperty* pProperty;
  CTKMarkupObject* pOldValue;
  CTKMarkupObject* pNewValue;
};

// Declares the descriptor pair every markup class has: a static accessor of
// its descriptor (the base-type function of derived classes), the factory and
// the GetType override. The descriptor itself is made by the explicit
// registration step in markuptypes.cpp (MarkupRegisterTypes).
#define TK_DECLARE_MARKUPCLASS(cls)             \
 public:                                        \
  static CTKMarkupType* GetMarkupClass();       \
  static CTKMarkupObject* CreateMarkupObject(); \
  CTKMarkupType* GetType() const override;      \
  static CTKMarkupType* s_pMarkupType;          \
                                                \
 private:

// For classes that have no descriptor of their own: GetType answers the
// nearest registered base.
#define TK_DEFINE_MARKUPCLASS(cls)                                 \
  CTKMarkupType* cls::s_pMarkupType = nullptr;                     \
  CTKMarkupType* cls::GetMarkupClass() {                           \
    MarkupRegisterTypes();                                         \
    return s_pMarkupType;                                          \
  }                                                                \
  CTKMarkupObject* cls::CreateMarkupObject() { return new cls(); } \
  CTKMarkupType* cls::GetType() const { return GetMarkupClass(); }

#define TK_DEFINE_MARKUPCLASS_NOFACTORY(cls)                     \
  CTKMarkupType* cls::s_pMarkupType = nullptr;                   \
  CTKMarkupType* cls::GetMarkupClass() {                         \
    MarkupRegisterTypes();                                       \
    return s_pMarkupType;                                        \
  }                                                              \
  CTKMarkupObject* cls::CreateMarkupObject() { return nullptr; } \
  CTKMarkupType* cls::GetType() const { return GetMarkupClass(); }

// Recursive walks of an element tree (inherited-change notification, style
// application) stop at this depth.
const int kMaxTreeWalkDepth = 1024;

// Constructs every descriptor once, in the fixed table order, and returns
// when the table is whole (a cheap check once it is). Called by every
// descriptor accessor, so no static initialiser order is relied on.
void MarkupRegisterTypes();

class CTKMarkupObject {
 public:
  CTKMarkupObject();
  CTKMarkupObject(const CTKMarkupObject&) = delete;
  CTKMarkupObject& operator=(const CTKMarkupObject&) = delete;

  // Every markup object comes from the small-block pool (markuppool.h); the
  // virtual destructor hands the object's own size back.
  static void* operator new(size_t nBytes) { return MarkupPoolAlloc(nBytes); }
  static void operator delete(void* p, size_t nBytes) { MarkupPoolFree(p, nBytes); }

  // The fourteen operations the builder and the engine call.
  virtual CTKMarkupType* GetType() const;
  virtual ~CTKMarkupObject();
  virtual CTKMarkupObject* ReadLocalValue(CTKMarkupDependencyProperty* pProperty) const;
  // Whether ReadLocalValue answers the stored values alone (no style or
  // trigger values); an override of ReadLocalValue overrides this too.
  virtual bool ReadsStoredValuesOnly() const { return true; }
  virtual UINT_PTR GetHashCode() const;
  virtual BOOL IsEqual(const CTKMarkupObject* pOther) const;
  virtual int GetLogicalChildrenCount() const;
  virtual CTKMarkupObject* GetLogicalChild(int nIndex) const;
  // The children the engine's own tree walks (style application, inherited
  // changes) visit: the logical children, except content kept to be made
  // when first asked for (a text element's runs), which these walks see as
  // null instead of making it. Overridden with GetLogicalChild.
  virtual int GetWalkChildrenCount() const { return GetLogicalChildrenCount(); }
  virtual CTKMarkupObject* GetWalkChild(int nIndex) const { return GetLogicalChild(nIndex); }
  // Takes over the reference to pContent on success; on a build error the
  // caller still owns it.
  virtual void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent);
  // Same ownership rule as SetContentObject.
  virtual void SetPropertyObject(CTKMarkupBuilder* pBuilder, CTKMarkupDependencyProperty* pProperty,
                                 CTKMarkupObject* pValue);
  virtual CTKMarkupObject* ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue);
  virtual BOOL HasContent() const;
  virtual BOOL AllowWhiteSpaceContent() const;
  virtual void OnPropertyChanged(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pOldValue,
                                 CTKMarkupObject* pNewValue);
  // Whether a change of pProperty would reach no one (no callback, trigger,
  // layout, host or child to tell), so SetValue may only store it: the case
  // of an element still being built. An override of OnPropertyChanged
  // overrides this too.
  virtual bool ChangesGoUnseen(CTKMarkupDependencyProperty* pProperty) const { return false; }
  virtual void OnFinalRelease();

  static CTKMarkupType* GetMarkupClass();
  static CTKMarkupObject* CreateMarkupObject();
  static CTKMarkupType* s_pMarkupType;
  static void RegisterMarkupDependencyProperties();

  // A plain count: markup objects belong to the thread that uses markup
  // (see the threading rule at the top of this file).
  LONG AddRef() { return ++m_dwRef; }
  LONG Release() {
    LONG n = m_dwRef;
    if (n > 1) {
      m_dwRef = n - 1;
      return n - 1;
    }
    return ReleaseLast();
  }
  LONG GetRefCount() const { return m_dwRef; }

  // Inline: type tests run on every property set and every cast.
  inline BOOL IsOfType(const CTKMarkupType* pType) const;
  static CTKMarkupObject* DynamicCast(const CTKMarkupType* pType, CTKMarkupObject* pObject);

  CTKMarkupObject* GetLogicalParent() const { return m_pLogicalParent; }
  void SetLogicalParent(CTKMarkupObject* pParent) { m_pLogicalParent = pParent; }

  CTKMarkupObject* GetValue(CTKMarkupDependencyProperty* pProperty) const;
  // The value set on this object itself, without styles or defaults.
  inline CTKMarkupObject* GetStoredValue(CTKMarkupDependencyProperty* pProperty) const;
  bool HasStoredValues() const { return m_nSlotCount != 0; }
  int GetStoredValueCount() const { return m_nSlotCount; }
  // Stores the value (taking over the reference) or clears it with null.
  // Returns FALSE when a value of the wrong type was refused; the reference
  // then stays with the caller.
  BOOL SetValue(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pValue);
  const CTKMarkupObject* FindValueOwner(CTKMarkupDependencyProperty* pProperty) const;
  void NotifyInheritedChange(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pOldValue,
                             CTKMarkupObject* pNewValue);

  LPCWSTR GetTagName() const { return m_lpszTagName; }
  void SetTagName(LPCWSTR lpszTag);
  // Keeps the pointer itself: for text that outlives the object (the tag of
  // a type descriptor).
  void SetStaticTagName(LPCWSTR lpszTag);

  static CTKMarkupDependencyProperty* m_pNameProperty;
  static CTKMarkupDependencyProperty* m_pKeyProperty;

 protected:
  // The property store: only the properties set on this object, ordered by
  // store index (an element sets a handful of the hundreds registered).
  // The slots live in room a derived class lends (CTKMarkupInlineStoreObject)
  // until they outgrow it, then in a pool block that grows by doubling.
  struct Slot {
    int nIndex;
    CTKMarkupObject* pValue;
  };
  // For classes that lend the store nRoom slots of their own (a power of two).
  CTKMarkupObject(Slot* pRoom, int nRoom);

  CTKMarkupObject* LookupSlot(int nIndex) const {
    if (nIndex < 0) return nullptr;
    for (int i = 0; i < m_nSlotCount; i++) {
      if (m_pSlots[i].nIndex == nIndex) return m_pSlots[i].pValue;
      if (m_pSlots[i].nIndex > nIndex) break;
    }
    return nullptr;
  }
  // Stores pValue (taking over the reference) or removes the slot for null;
  // the value's logical parent becomes pOwner (when not null), and an old
  // value loses it while it is still pOwner.
  void StoreSlot(int nIndex, CTKMarkupObject* pValue, CTKMarkupObject* pOwner);
  // Releases every stored value (clearing pOwner as their parent) and gives
  // the slots' block back; a derived class lending room calls it from its
  // destructor, while the room is still its own.
  void ReleaseSlots(CTKMarkupObject* pOwner);
  void CopySlotsFrom(const CTKMarkupObject* pOther);

  CTKMarkupObject* m_pLogicalParent;
  Slot* m_pSlots;
  LPCWSTR m_lpszTagName;
  LONG m_dwRef;
  uint16_t m_nSlotCount = 0;
  // Bit-fields: the object's header stays 40 bytes.
  uint16_t m_nSlotRoom : 13;
  uint16_t m_bSlotsInBlock : 1 = 0;
  uint16_t m_bOwnsTagName : 1 = 0;
  // While ReleaseSlots runs, a cleared slot stays (emptied) so that the
  // loop misses none.
  uint16_t m_bReleasingSlots : 1 = 0;

 private:
  // The last reference (or a release of an object already at 0, which does
  // nothing).
  LONG ReleaseLast();
  static const int kMaxSlotRoom = 0x1000;
  int FindSlotPosition(int nIndex) const;
  void InsertSlot(int nPos, Slot slot);
};

// A markup object that lends its property store room for its first four
// values: elements set a few properties each, and the store in the object
// saves a block and a pointer to follow on every lookup.
class CTKMarkupInlineStoreObject : public CTKMarkupObject {
 public:
  CTKMarkupInlineStoreObject() : CTKMarkupObject(m_room, kInlineSlots) {}
  ~CTKMarkupInlineStoreObject() override { ReleaseSlots(this); }

 private:
  static const int kInlineSlots = 4;
  Slot m_room[kInlineSlots];
};

// Templated helpers used throughout the engine.
template <class T>
inline T* MarkupDynamicCast(CTKMarkupObject* p) {
  return p && p->IsOfType(T::GetMarkupClass()) ? static_cast<T*>(p) : nullptr;
}
template <class T>
inline const T* MarkupDynamicCast(const CTKMarkupObject* p) {
  return p && p->IsOfType(T::GetMarkupClass()) ? static_cast<const T*>(p) : nullptr;
}
template <class T>
inline void MarkupRelease(T*& p) {
  if (p) {
    p->Release();
    p = nullptr;
  }
}

// ---- property metadata and dependency properties ---------------------------------

typedef CTKMarkupObject* (*PFNMARKUPCONVERTER)(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue);
typedef void (*PFNMARKUPPROPERTYCHANGED)(CTKMarkupObject* pObject, PropertyChangedArgs* pArgs);

enum {
  MPF_INHERITS = 0x01,
  MPF_AFFECTSARRANGE = 0x02,
  MPF_AFFECTSMEASURE = 0x04,
  MPF_AFFECTSRENDER = 0x20,
};

class CTKMarkupPropertyMetadata {
 public:
  // Each constructor takes over one reference to the default value.
  CTKMarkupPropertyMetadata(CTKMarkupObject* pDefault, DWORD dwFlags);
  CTKMarkupPropertyMetadata(CTKMarkupObject* pDefault, PFNMARKUPCONVERTER pConverter, DWORD dwFlags);
  CTKMarkupPropertyMetadata(CTKMarkupObject* pDefault, PFNMARKUPPROPERTYCHANGED pCallback, DWORD dwFlags);
  CTKMarkupPropertyMetadata(CTKMarkupObject* pDefault, PFNMARKUPCONVERTER pConverter,
                            PFNMARKUPPROPERTYCHANGED pCallback, DWORD dwFlags);
  virtual ~CTKMarkupPropertyMetadata();
  CTKMarkupPropertyMetadata(const CTKMarkupPropertyMetadata&) = delete;
  CTKMarkupPropertyMetadata& operator=(const CTKMarkupPropertyMetadata&) = delete;

  CTKMarkupObject* m_pDefaultValue;
  PFNMARKUPCONVERTER m_pConverter;
  DWORD m_dwFlags;
  PFNMARKUPPROPERTYCHANGED m_pPropertyChanged;
};

class CTKMarkupDependencyProperty : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupDependencyProperty)
 public:
  CTKMarkupDependencyProperty(LPCWSTR lpszName, CTKMarkupType* pValueType, CTKMarkupType* pOwnerType,
                              CTKMarkupPropertyMetadata* pMetadata);
  ~CTKMarkupDependencyProperty() override;
  virtual BOOL IsEvent() const { return FALSE; }

  static CTKMarkupDependencyProperty* RegisterProperty(LPCWSTR lpszName, CTKMarkupType* pValueType,
                                                       CTKMarkupType* pOwnerType,
                                                       CTKMarkupPropertyMetadata* pMetadata = nullptr);
  static CTKMarkupDependencyProperty* RegisterAttachedProperty(LPCWSTR lpszName, CTKMarkupType* pValueType,
                                                               CTKMarkupType* pOwnerType,
                                                               CTKMarkupPropertyMetadata* pMetadata = nullptr);
  // Enters this property under a second owner; no new store index.
  CTKMarkupDependencyProperty* AddOwner(CTKMarkupType* pOwnerType);
  // Enters an already made property (a routed event) in the name map and
  // gives it a store index unless it is an event.
  static CTKMarkupDependencyProperty* Register(CTKMarkupDependencyProperty* pProperty);

  LPCWSTR GetName() const { return m_lpszName; }
  CTKMarkupType* GetPropertyType() const { return m_pPropertyType; }
  CTKMarkupType* GetOwnerType() const { return m_pOwnerType; }
  CTKMarkupPropertyMetadata* GetMetadata() const { return m_pMetadata; }
  DWORD GetFlags() const { return m_pMetadata ? m_pMetadata->m_dwFlags : 0; }
  BOOL IsAttached() const { return m_bAttached; }
  int GetStoreIndex() const { return m_nIndex; }
  static int GetPropertyCount();
  // Changes whenever a property is registered or gains an owner, so that
  // caches of name lookups know when to start again.
  static unsigned GetRegistryGeneration();

 protected:
  CTKMarkupDependencyProperty() = default;
  LPCWSTR m_lpszName = nullptr;
  CTKMarkupType* m_pPropertyType = nullptr;
  CTKMarkupType* m_pOwnerType = nullptr;
  CTKMarkupPropertyMetadata* m_pMetadata = nullptr;
  BOOL m_bAttached = FALSE;
  int m_nIndex = -1;
};

inline CTKMarkupObject* CTKMarkupObject::GetStoredValue(CTKMarkupDependencyProperty* pProperty) const {
  return pProperty ? LookupSlot(pProperty->GetStoreIndex()) : nullptr;
}

// ---- the property store ----------------------------------------------------------------

// A property store of its own (a style's values, an element's trigger
// values); pOwner, when given, becomes the logical parent of its values.
class CTKMarkupProperties : public CTKMarkupInlineStoreObject {
 public:
  explicit CTKMarkupProperties(CTKMarkupObject* pOwner) : m_pOwner(pOwner) {}
  ~CTKMarkupProperties() override { ReleaseSlots(m_pOwner); }
  CTKMarkupObject* Lookup(CTKMarkupDependencyProperty* pProperty) const { return GetStoredValue(pProperty); }
  void Set(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pValue);
  void CopyFrom(const CTKMarkupProperties* pOther) { CopySlotsFrom(pOther); }
  int GetCount() const { return GetStoredValueCount(); }

 private:
  CTKMarkupObject* m_pOwner;
};

// ---- value classes -----------------------------------------------------------------------

class CTKMarkupInt : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupInt)
 public:
  explicit CTKMarkupInt(int nValue = 0) : m_nValue(nValue) {}
  BOOL IsEqual(const CTKMarkupObject* pOther) const override;
  CTKMarkupObject* ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) override;
  operator int() const { return m_nValue; }
  int GetValue() const { return m_nValue; }

 private:
  int m_nValue;
};

class CTKMarkupDouble : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupDouble)
 public:
  explicit CTKMarkupDouble(double dValue = 0) : m_dValue(dValue) {}
  BOOL IsEqual(const CTKMarkupObject* pOther) const override;
  CTKMarkupObject* ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) override;
  operator double() const { return m_dValue; }
  double GetValue() const { return m_dValue; }

 private:
  double m_dValue;
};

class CTKMarkupEnum : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupEnum)
 public:
  explicit CTKMarkupEnum(int nValue = 0) : m_nValue(nValue) {}
  BOOL IsEqual(const CTKMarkupObject* pOther) const override;
  static CTKMarkupEnum* CreateEnum(int nValue);
  operator int() const { return m_nValue; }
  int GetValue() const { return m_nValue; }

 private:
  int m_nValue;
};

class CTKMarkupBool : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupBool)
 public:
  explicit CTKMarkupBool(BOOL bValue = FALSE) : m_bValue(bValue ? 1 : 0) {}
  BOOL IsEqual(const CTKMarkupObject* pOther) const override;
  UINT_PTR GetHashCode() const override { return static_cast<UINT_PTR>(m_bValue); }
  CTKMarkupObject* ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) override;
  static CTKMarkupBool* CreateBool(BOOL bValue);
  operator BOOL() const { return m_bValue; }
  BOOL GetValue() const { return m_bValue; }

 private:
  BOOL m_bValue;
};

class CTKMarkupColor : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupColor)
 public:
  CTKMarkupColor() : m_nValue(0) {}
  // A plain 24-bit colour gets alpha 0xFF.
  explicit CTKMarkupColor(COLORREF clr) : m_nValue(0xFF000000u | (clr & 0xFFFFFFu)) {}
  CTKMarkupColor(BYTE bAlpha, COLORREF clr) : m_nValue((static_cast<DWORD>(bAlpha) << 24) | (clr & 0xFFFFFFu)) {}
  static CTKMarkupColor* FromARGB(DWORD dwValue);
  BOOL IsEqual(const CTKMarkupObject* pOther) const override;
  CTKMarkupObject* ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) override;
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;
  // 0xAABBGGRR.
  DWORD GetValue() const { return m_nValue; }
  COLORREF GetColor() const { return m_nValue & 0xFFFFFFu; }
  BYTE GetAlpha() const { return static_cast<BYTE>(m_nValue >> 24); }
  // Reads "#RRGGBB", "#AARRGGBB" or a colour name; FALSE when the text is none.
  static BOOL ParseColorText(LPCWSTR lpszText, int nLength, DWORD& dwValue);

 private:
  DWORD m_nValue;
};

class CTKMarkupString : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupString)
 public:
  CTKMarkupString(LPCWSTR lpszText = nullptr, int nLength = -1);
  ~CTKMarkupString() override;
  BOOL IsEqual(const CTKMarkupObject* pOther) const override;
  UINT_PTR GetHashCode() const override;
  static CTKMarkupString* CreateString(LPCWSTR lpszText, int nLength = -1);
  LPCWSTR GetBuffer() const { return m_lpszValue; }
  int GetLength() const { return m_nLength; }
  operator LPCWSTR() const { return m_lpszValue; }

 private:
  // Short texts (most attribute values and runs) live in the object.
  static const int kInlineLength = 15;
  WCHAR* m_lpszValue;
  int m_nLength;
  WCHAR m_szInline[kInlineLength + 1];
};

class CTKMarkupDoubleCollection : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupDoubleCollection)
 public:
  CTKMarkupDoubleCollection() = default;
  CTKMarkupObject* ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) override;
  int GetCount() const { return static_cast<int>(m_arr.size()); }
  float GetAt(int nIndex) const;
  void Add(float f) { m_arr.push_back(f); }

 private:
  std::vector<float> m_arr;
};

// ---- collections -------------------------------------------------------------------------

class CTKMarkupCollection : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupCollection)
 public:
  CTKMarkupCollection();
  ~CTKMarkupCollection() override;
  int GetLogicalChildrenCount() const override { return GetCount(); }
  CTKMarkupObject* GetLogicalChild(int nIndex) const override;
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;
  BOOL HasContent() const override { return GetCount() > 0; }
  virtual void OnItemAdded(CTKMarkupObject* pItem, int nIndex) {}
  virtual void OnChanged() {}

  // Takes over the caller's reference; items of another type are ignored
  // (and the reference stays with the caller: the answer is FALSE).
  BOOL Insert(int nIndex, CTKMarkupObject* pItem);
  BOOL Add(CTKMarkupObject* pItem) { return Insert(-1, pItem); }
  void RemoveAt(int nIndex);
  void RemoveAll();
  int GetCount() const { return m_nCount; }
  // Throws std::invalid_argument outside 0..count-1.
  CTKMarkupObject* GetItem(int nIndex) const;
  CTKMarkupType* GetElementType() const { return m_pElementType; }

 protected:
  CTKMarkupType* m_pElementType;
  BOOL m_bLogicalParent;

  // For collections that keep placeholders in an item's place until it is
  // first asked for: appends without the type test, the logical parent or
  // the notifications, and gives the slot of an item to replace in place.
  void AppendUnchecked(CTKMarkupObject* pItem);
  CTKMarkupObject*& ItemSlot(int nIndex) { return m_pItems[nIndex]; }

 private:
  void Grow();
  // The first few items live in the collection itself (most hold a handful),
  // more in a pool block that grows by doubling.
  static const int kInlineItems = 4;
  CTKMarkupObject** m_pItems;
  int m_nCount = 0;
  int m_nCapacity = kInlineItems;
  CTKMarkupObject* m_inlineItems[kInlineItems];
  // Empties the collection and hands back what it held (its own block or
  // a copy of the inline items in pScratch).
  CTKMarkupObject** TakeItems(CTKMarkupObject** pScratch, int& nCount, int& nCapacity);
};

// ---- type descriptors and the registry ------------------------------------------------------

typedef CTKMarkupObject* (*PFNCREATEMARKUPOBJECT)();
typedef CTKMarkupType* (*PFNGETMARKUPTYPE)();
typedef void (*PFNREGISTERMARKUPPROPERTIES)();

class CTKMarkupStyle;

class CTKMarkupType : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupType)
 public:
  CTKMarkupType(LPCWSTR lpszTag, LPCWSTR lpszClassName, PFNCREATEMARKUPOBJECT pfnCreate, PFNGETMARKUPTYPE pfnBase,
                PFNREGISTERMARKUPPROPERTIES pfnRegister);
  ~CTKMarkupType() override;
  CTKMarkupObject* ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) override;

  static CTKMarkupType* LookupTypeByTag(LPCWSTR lpszTag);
  static CTKMarkupType* LookupTypeByTag(LPCWSTR lpszTag, int nLength);
  static CTKMarkupDependencyProperty* FindProperty(const CTKMarkupType* pType, LPCWSTR lpszName);
  static CTKMarkupDependencyProperty* FindProperty(const CTKMarkupType* pType, LPCWSTR lpszName, int nLength);
  static void RegisterAllTypes();
  // The list of every descriptor, newest first.
  static CTKMarkupType* GetFirstType();
  CTKMarkupType* GetNextType() const { return m_pNextType; }

  CTKMarkupType* GetBaseType() const {
    // Cached once known: type tests walk the base chain all the time.
    if (!m_pBaseType && m_pfnGetBaseType) m_pBaseType = m_pfnGetBaseType();
    return m_pBaseType;
  }
  CTKMarkupObject* CreateInstance() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
  void EnsureRegistered();
  BOOL IsRegistered() const { return m_bRegistered; }
  void SetTypeStyle(CTKMarkupStyle* pStyle);
  CTKMarkupStyle* GetTypeStyle() const { return m_pTypeStyle; }
  LPCWSTR GetTagName() const { return m_lpszTag; }
  LPCWSTR GetClassName() const { return m_lpszClassName; }
  BOOL IsDerivedFrom(const CTKMarkupType* pBase) const;
  // IsDerivedFrom in constant time once the base chain is known.
  BOOL IsDerivedFromFast(const CTKMarkupType* pBase) const {
    int nMine = Depth();
    int d = pBase->Depth();
    if (nMine < 0 || d < 0) return IsDerivedFrom(pBase);
    return d <= nMine && m_pChain[d] == pBase;
  }

 private:
  LPCWSTR m_lpszTag;
  LPCWSTR m_lpszClassName;
  CTKMarkupType* m_pNextType;
  BOOL m_bRegistered;
  PFNCREATEMARKUPOBJECT m_pfnCreateObject;
  PFNGETMARKUPTYPE m_pfnGetBaseType;
  mutable CTKMarkupType* m_pBaseType = nullptr;
  // The chain from the root type down to this one (m_pChain[m_nDepth] is
  // this), filled in on first use; kUnresolved for chains that are not
  // complete yet or too long to hold.
  static const int kMaxChain = 16;
  static const int kUnresolved = -2;
  void ResolveChain() const;
  // The chain is written before the depth is published.
  int Depth() const {
    int n = m_nDepth.load(std::memory_order_acquire);
    if (n == -1) {
      ResolveChain();
      n = m_nDepth.load(std::memory_order_acquire);
    }
    return n;
  }
  mutable std::atomic<int> m_nDepth{-1};
  mutable const CTKMarkupType* m_pChain[kMaxChain] = {};
  PFNREGISTERMARKUPPROPERTIES m_pfnRegisterProperties;
  CTKMarkupStyle* m_pTypeStyle;
};

inline BOOL CTKMarkupObject::IsOfType(const CTKMarkupType* pType) const {
  if (!pType) return FALSE;
  const CTKMarkupType* pMine = GetType();
  return pMine == pType || (pMine && pMine->IsDerivedFromFast(pType));
}

// Text helpers shared by the engine.
int MarkupStrLen(LPCWSTR lpsz);
BOOL MarkupStrEqualNoCase(LPCWSTR a, int na, const char* b);

// The value of an integer or enumeration property, or the default when it is
// unset or of another type.
inline int MarkupIntValue(const CTKMarkupObject* p, int nDefault) {
  const CTKMarkupInt* pInt = MarkupDynamicCast<CTKMarkupInt>(p);
  return pInt ? pInt->GetValue() : nDefault;
}
inline int MarkupEnumValue(const CTKMarkupObject* p, int nDefault) {
  const CTKMarkupEnum* pEnum = MarkupDynamicCast<CTKMarkupEnum>(p);
  return pEnum ? pEnum->GetValue() : nDefault;
}
