// Resource dictionaries, styles, setters and property triggers.
#pragma once

#include <algorithm>
#include <atomic>
#include <unordered_map>
#include <vector>

#include "toolkit/markup/markupobject.h"

class CTKMarkupInputElement;

class CTKMarkupResourceDictionary : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupResourceDictionary)
 public:
  CTKMarkupResourceDictionary() = default;
  ~CTKMarkupResourceDictionary() override;
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;
  CTKMarkupObject* Lookup(const CTKMarkupObject* pKey) const;
  // Adds under a key: takes over the value's reference, adds one to the key.
  BOOL Add(CTKMarkupObject* pKey, CTKMarkupObject* pValue);
  int GetCount() const { return static_cast<int>(m_arrEntries.size()); }
  // Whether any dictionary alive holds a type key: while none does, no
  // element anywhere can find an implicit style.
  static bool AnyHoldsTypeKeys() { return s_nWithTypeKeys.load(std::memory_order_relaxed) > 0; }
  // Whether a type was ever a key of any dictionary: one never used as a
  // key has no implicit style anywhere (a type equals only itself). The
  // mark stays once made; few types are ever keys.
  static bool EverKeyedByType(const CTKMarkupObject* pType) {
    return std::find(s_arrKeyTypes.begin(), s_arrKeyTypes.end(), pType) != s_arrKeyTypes.end();
  }

 private:
  struct Entry {
    CTKMarkupObject* pKey;
    CTKMarkupObject* pValue;
  };
  std::vector<Entry> m_arrEntries;
  std::unordered_multimap<UINT_PTR, size_t> m_mapHash;
  // Keys that are types (implicit styles): every element asks for its type
  // on the way through, and most dictionaries hold none.
  int m_nTypeKeys = 0;
  static std::atomic<int> s_nWithTypeKeys;
  static std::vector<const CTKMarkupObject*> s_arrKeyTypes;
};

CTKMarkupObject* GetResourceKey(CTKMarkupObject* pObject);
// The resource search of an object and its logical ancestors; no reference added.
CTKMarkupObject* FindElementResource(CTKMarkupObject* pObject, const CTKMarkupObject* pKey);

// The resource search above an object, gathered once on the way down a tree
// so that each element's search need not climb to the root again. A chain
// holds only the levels that matter: an ancestor with a dictionary of its
// own or of its style, or a style (whose own resources end the search).
struct CTKMarkupResourceScope {
  CTKMarkupResourceDictionary* pOwn = nullptr;
  CTKMarkupResourceDictionary* pStyle = nullptr;
  bool bStop = false;
  const CTKMarkupResourceScope* pOuter = nullptr;

  // The chain of pObject given the chain of its logical parent: the level
  // of pObject, filled into 'level', when it matters, else pOuter.
  static const CTKMarkupResourceScope* Extend(CTKMarkupObject* pObject, const CTKMarkupResourceScope* pOuter,
                                              CTKMarkupResourceScope& level);
  // The level of pObject alone (pOuter is left empty).
  static void Read(CTKMarkupObject* pObject, CTKMarkupResourceScope& level);
  // The value found at this level alone; bStop tells that the search ends here.
  CTKMarkupObject* Lookup(const CTKMarkupObject* pKey, bool& bStop) const;
};
// FindElementResource with the ancestors' part of the search taken from the
// chain of pObject's logical parent; pOwn, when given, is pObject's own
// level as read already.
CTKMarkupObject* FindScopedResource(CTKMarkupObject* pObject, const CTKMarkupResourceScope* pAbove,
                                    const CTKMarkupObject* pKey, const CTKMarkupResourceScope* pOwn = nullptr);

class CTKMarkupSetter : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupSetter)
 public:
  CTKMarkupSetter() = default;
  // A resolved setter; takes over the reference to the value.
  CTKMarkupSetter(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pValue);
  static void RegisterMarkupDependencyProperties();
  CTKMarkupDependencyProperty* GetProperty() const;
  CTKMarkupObject* GetSetterValue() const { return GetValue(m_pValueProperty); }

  static CTKMarkupDependencyProperty* m_pPropertyProperty;
  static CTKMarkupDependencyProperty* m_pValueProperty;
};

class CTKMarkupSetterColection : public CTKMarkupCollection {
  TK_DECLARE_MARKUPCLASS(CTKMarkupSetterColection)
 public:
  CTKMarkupSetterColection();
};

class CTKMarkupTrigger : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupTrigger)
 public:
  CTKMarkupTrigger() = default;
  CTKMarkupTrigger(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pValue);
  static void RegisterMarkupDependencyProperties();
  CTKMarkupDependencyProperty* GetProperty() const;
  CTKMarkupObject* GetTriggerValue() const;
  CTKMarkupSetterColection* GetSetters() const;

  static CTKMarkupDependencyProperty* m_pSettersProperty;
};

class CTKMarkupTriggerCollection : public CTKMarkupCollection {
  TK_DECLARE_MARKUPCLASS(CTKMarkupTriggerCollection)
 public:
  CTKMarkupTriggerCollection();
  ~CTKMarkupTriggerCollection() override;
  // The triggers of a sealed style: one added later counts this collection
  // among those changed after sealing (see CTKMarkupStyle::AnyElementMayTrigger).
  void Freeze() { m_bFrozen = true; }
  void OnItemAdded(CTKMarkupObject* pItem, int nIndex) override;

 private:
  bool m_bFrozen = false;
  bool m_bChangedAfterSealing = false;
};

// Refers to triggers owned by styles without becoming their parent.
class CTKMarkupActiveTriggerCollection : public CTKMarkupTriggerCollection {
 public:
  CTKMarkupActiveTriggerCollection() { m_bLogicalParent = FALSE; }
};

class CTKMarkupStyle : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupStyle)
 public:
  CTKMarkupStyle();
  ~CTKMarkupStyle() override;
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;
  void SetPropertyObject(CTKMarkupBuilder* pBuilder, CTKMarkupDependencyProperty* pProperty,
                         CTKMarkupObject* pValue) override;
  static void RegisterMarkupDependencyProperties();

  void ResolveSetter(CTKMarkupBuilder* pBuilder, CTKMarkupSetter* pSetter);
  void ResolveTrigger(CTKMarkupBuilder* pBuilder, CTKMarkupTrigger* pTrigger);
  void Seal();
  BOOL IsSealed() const { return m_bSealed; }
  CTKMarkupObject* GetStyleValue(CTKMarkupDependencyProperty* pProperty) const;
  // Adds a resolved setter (used for styles made in code).
  void AddSetter(CTKMarkupSetter* pSetter);
  CTKMarkupSetterColection* GetSetters() const { return m_pSetters; }
  CTKMarkupStyle* GetBasedOn() const;
  CTKMarkupTriggerCollection* GetTriggers() const;

  // Whether the style or a style it is based on has triggers (true for a
  // style not sealed yet, which may still gain some).
  static bool MayHaveTriggers(const CTKMarkupStyle* pStyle);
  // Elements count themselves while their style may have triggers. While
  // none does, and no sealed style alive has changed its triggers or its
  // base since (nor gained a trigger), applying the styles' triggers does
  // nothing anywhere.
  static void CountElementThatMayTrigger(bool bAdd);
  static bool AnyElementMayTrigger();
  static int GetElementsThatMayTrigger();

  static CTKMarkupDependencyProperty* m_pResourcesProperty;
  static CTKMarkupDependencyProperty* m_pTargetTypeProperty;
  static CTKMarkupDependencyProperty* m_pBasedOnProperty;
  static CTKMarkupDependencyProperty* m_pTriggersProperty;

 protected:
  void OnPropertyChanged(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pOldValue,
                         CTKMarkupObject* pNewValue) override;
  // A sealed style hears a change of its triggers or its base.
  bool ChangesGoUnseen(CTKMarkupDependencyProperty* pProperty) const override;

 private:
  friend class CTKMarkupTriggerCollection;
  static void CountChangedAfterSealing(bool bAdd);
  CTKMarkupSetterColection* m_pSetters;
  bool m_bChangedAfterSealing = false;
  BOOL m_bSealed;
  BOOL m_bSealing;
  CTKMarkupProperties* m_pValues;
};
