#include "toolkit/markup/markupstyle.h"

#include <algorithm>

#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markupinput.h"

// ---- resource dictionary --------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupResourceDictionary)

std::atomic<int> CTKMarkupResourceDictionary::s_nWithTypeKeys{0};
std::vector<const CTKMarkupObject*> CTKMarkupResourceDictionary::s_arrKeyTypes;

CTKMarkupResourceDictionary::~CTKMarkupResourceDictionary() {
  if (m_nTypeKeys > 0) s_nWithTypeKeys.fetch_sub(1, std::memory_order_relaxed);
  for (Entry& e : m_arrEntries) {
    e.pKey->Release();
    e.pValue->Release();
  }
}

CTKMarkupObject* CTKMarkupResourceDictionary::Lookup(const CTKMarkupObject* pKey) const {
  if (!pKey) return nullptr;
  // A type equals only itself, so only a type key can match it.
  if (m_nTypeKeys == 0 && pKey->IsOfType(CTKMarkupType::GetMarkupClass())) return nullptr;
  auto range = m_mapHash.equal_range(pKey->GetHashCode());
  for (auto it = range.first; it != range.second; ++it) {
    const Entry& e = m_arrEntries[it->second];
    if (e.pKey->IsEqual(pKey)) return e.pValue;
  }
  return nullptr;
}

BOOL CTKMarkupResourceDictionary::Add(CTKMarkupObject* pKey, CTKMarkupObject* pValue) {
  if (!pKey || !pValue || Lookup(pKey)) return FALSE;
  pKey->AddRef();
  if (pKey->IsOfType(CTKMarkupType::GetMarkupClass())) {
    if (m_nTypeKeys++ == 0) s_nWithTypeKeys.fetch_add(1, std::memory_order_relaxed);
    if (!EverKeyedByType(pKey)) s_arrKeyTypes.push_back(pKey);
  }
  m_mapHash.emplace(pKey->GetHashCode(), m_arrEntries.size());
  m_arrEntries.push_back(Entry{pKey, pValue});
  return TRUE;
}

void CTKMarkupResourceDictionary::SetContentObject(CTKMarkupBuilder*, CTKMarkupObject* pContent) {
  CTKMarkupObject* pKey = GetResourceKey(pContent);
  if (!pKey)
    ThrowBuildError(u"Objects added to Dictionary must have Key attribute or some other type of associated Key");
  if (Lookup(pKey)) ThrowBuildError(u"Dictionary key is already used. Key attributes must be unique.");
  Add(pKey, pContent);
}

CTKMarkupObject* GetResourceKey(CTKMarkupObject* pObject) {
  if (!pObject) return nullptr;
  CTKMarkupObject* pKey = pObject->GetValue(CTKMarkupObject::m_pKeyProperty);
  if (!pKey && pObject->IsOfType(CTKMarkupStyle::GetMarkupClass()))
    pKey = pObject->GetValue(CTKMarkupStyle::m_pTargetTypeProperty);
  return pKey;
}

// What the search consults at one object, in its order: the object's own
// dictionary, then (unless the object is a style, where the search ends)
// the dictionary of the style it uses.
// Every walk reads these two properties at every level: where the object
// answers its stored values only and the property has neither a default nor
// inheritance, GetValue is the store's own lookup.
static CTKMarkupObject* LevelValue(CTKMarkupObject* p, CTKMarkupDependencyProperty* pProperty, bool bStoredOnly) {
  const CTKMarkupPropertyMetadata* pMetadata = pProperty->GetMetadata();
  if (bStoredOnly && (!pMetadata || (!pMetadata->m_pDefaultValue && !(pMetadata->m_dwFlags & MPF_INHERITS))))
    return p->GetStoredValue(pProperty);
  return p->GetValue(pProperty);
}

static void ReadLevel(CTKMarkupObject* p, CTKMarkupResourceScope& level) {
  bool bStoredOnly = p->ReadsStoredValuesOnly();
  level.pOwn =
      MarkupDynamicCast<CTKMarkupResourceDictionary>(LevelValue(p, CTKMarkupStyle::m_pResourcesProperty, bStoredOnly));
  level.pStyle = nullptr;
  level.bStop = p->GetType() == CTKMarkupStyle::GetMarkupClass();  // a style's own resources only
  if (level.bStop) return;
  if (CTKMarkupStyle* pStyle =
          MarkupDynamicCast<CTKMarkupStyle>(LevelValue(p, CTKMarkupInputElement::m_pStyleProperty, bStoredOnly)))
    level.pStyle = MarkupDynamicCast<CTKMarkupResourceDictionary>(
        LevelValue(pStyle, CTKMarkupStyle::m_pResourcesProperty, pStyle->ReadsStoredValuesOnly()));
}

// The value found at one level; bStop tells the caller to search no further.
static CTKMarkupObject* LookupLevel(const CTKMarkupResourceScope& level, const CTKMarkupObject* pKey, bool& bStop) {
  if (level.pOwn)
    if (CTKMarkupObject* pFound = level.pOwn->Lookup(pKey)) return pFound;
  bStop = level.bStop;
  if (bStop || !level.pStyle) return nullptr;
  return level.pStyle->Lookup(pKey);
}

void CTKMarkupResourceScope::Read(CTKMarkupObject* pObject, CTKMarkupResourceScope& level) {
  ReadLevel(pObject, level);
  level.pOuter = nullptr;
}

CTKMarkupObject* CTKMarkupResourceScope::Lookup(const CTKMarkupObject* pKey, bool& bStop) const {
  return LookupLevel(*this, pKey, bStop);
}

CTKMarkupObject* FindElementResource(CTKMarkupObject* pObject, const CTKMarkupObject* pKey) {
  if (!pObject || !pKey) return nullptr;
  if (CTKMarkupResourceDictionary* pDictionary = MarkupDynamicCast<CTKMarkupResourceDictionary>(pObject))
    return pDictionary->Lookup(pKey);
  for (CTKMarkupObject* p = pObject; p; p = p->GetLogicalParent()) {
    CTKMarkupResourceScope level;
    ReadLevel(p, level);
    bool bStop = false;
    if (CTKMarkupObject* pFound = LookupLevel(level, pKey, bStop)) return pFound;
    if (bStop) break;
  }
  return nullptr;
}

const CTKMarkupResourceScope* CTKMarkupResourceScope::Extend(CTKMarkupObject* pObject,
                                                             const CTKMarkupResourceScope* pOuter,
                                                             CTKMarkupResourceScope& level) {
  ReadLevel(pObject, level);
  if (level.bStop) {
    level.pOuter = nullptr;
    return &level;
  }
  if (!level.pOwn && !level.pStyle) return pOuter;
  level.pOuter = pOuter;
  return &level;
}

CTKMarkupObject* FindScopedResource(CTKMarkupObject* pObject, const CTKMarkupResourceScope* pAbove,
                                    const CTKMarkupObject* pKey, const CTKMarkupResourceScope* pOwn) {
  if (!pObject || !pKey) return nullptr;
  if (CTKMarkupResourceDictionary* pDictionary = MarkupDynamicCast<CTKMarkupResourceDictionary>(pObject))
    return pDictionary->Lookup(pKey);
  CTKMarkupResourceScope level;
  if (!pOwn) {
    ReadLevel(pObject, level);
    pOwn = &level;
  }
  bool bStop = false;
  if (CTKMarkupObject* pFound = LookupLevel(*pOwn, pKey, bStop)) return pFound;
  for (const CTKMarkupResourceScope* s = pAbove; s && !bStop; s = s->pOuter)
    if (CTKMarkupObject* pFound = LookupLevel(*s, pKey, bStop)) return pFound;
  return nullptr;
}

// ---- setters and triggers ---------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupSetter)
TK_DEFINE_MARKUPCLASS(CTKMarkupSetterColection)
TK_DEFINE_MARKUPCLASS(CTKMarkupTrigger)
TK_DEFINE_MARKUPCLASS(CTKMarkupTriggerCollection)

CTKMarkupDependencyProperty* CTKMarkupSetter::m_pPropertyProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupSetter::m_pValueProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupTrigger::m_pSettersProperty = nullptr;

void CTKMarkupSetter::RegisterMarkupDependencyProperties() {
  m_pPropertyProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"Property", CTKMarkupObject::GetMarkupClass(), GetMarkupClass());
  m_pValueProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"Value", CTKMarkupObject::GetMarkupClass(), GetMarkupClass());
}

CTKMarkupSetter::CTKMarkupSetter(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pValue) {
  GetMarkupClass()->EnsureRegistered();
  if (pProperty) {
    pProperty->AddRef();
    SetValue(m_pPropertyProperty, pProperty);
  }
  if (pValue && !SetValue(m_pValueProperty, pValue)) pValue->Release();
}

CTKMarkupDependencyProperty* CTKMarkupSetter::GetProperty() const {
  return MarkupDynamicCast<CTKMarkupDependencyProperty>(GetValue(m_pPropertyProperty));
}

CTKMarkupSetterColection::CTKMarkupSetterColection() { m_pElementType = CTKMarkupSetter::GetMarkupClass(); }
CTKMarkupTriggerCollection::CTKMarkupTriggerCollection() { m_pElementType = CTKMarkupTrigger::GetMarkupClass(); }

CTKMarkupTriggerCollection::~CTKMarkupTriggerCollection() {
  if (m_bChangedAfterSealing) CTKMarkupStyle::CountChangedAfterSealing(false);
}

void CTKMarkupTriggerCollection::OnItemAdded(CTKMarkupObject* pItem, int nIndex) {
  CTKMarkupCollection::OnItemAdded(pItem, nIndex);
  if (m_bFrozen && !m_bChangedAfterSealing) {
    m_bChangedAfterSealing = true;
    CTKMarkupStyle::CountChangedAfterSealing(true);
  }
}

void CTKMarkupTrigger::RegisterMarkupDependencyProperties() {
  CTKMarkupSetter::GetMarkupClass()->EnsureRegistered();
  CTKMarkupSetter::m_pPropertyProperty->AddOwner(GetMarkupClass());
  CTKMarkupSetter::m_pValueProperty->AddOwner(GetMarkupClass());
  m_pSettersProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Setters", CTKMarkupSetterColection::GetMarkupClass(), GetMarkupClass());
}

CTKMarkupTrigger::CTKMarkupTrigger(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pValue) {
  GetMarkupClass()->EnsureRegistered();
  if (pProperty) {
    pProperty->AddRef();
    SetValue(CTKMarkupSetter::m_pPropertyProperty, pProperty);
  }
  if (pValue && !SetValue(CTKMarkupSetter::m_pValueProperty, pValue)) pValue->Release();
}

CTKMarkupDependencyProperty* CTKMarkupTrigger::GetProperty() const {
  return MarkupDynamicCast<CTKMarkupDependencyProperty>(GetValue(CTKMarkupSetter::m_pPropertyProperty));
}
CTKMarkupObject* CTKMarkupTrigger::GetTriggerValue() const { return GetValue(CTKMarkupSetter::m_pValueProperty); }
CTKMarkupSetterColection* CTKMarkupTrigger::GetSetters() const {
  return MarkupDynamicCast<CTKMarkupSetterColection>(GetValue(m_pSettersProperty));
}

// ---- styles ------------------------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupStyle)

CTKMarkupDependencyProperty* CTKMarkupStyle::m_pResourcesProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupStyle::m_pTargetTypeProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupStyle::m_pBasedOnProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupStyle::m_pTriggersProperty = nullptr;

void CTKMarkupStyle::RegisterMarkupDependencyProperties() {
  CTKMarkupSetter::GetMarkupClass()->EnsureRegistered();
  CTKMarkupTrigger::GetMarkupClass()->EnsureRegistered();
  m_pResourcesProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Resources", CTKMarkupResourceDictionary::GetMarkupClass(), GetMarkupClass());
  m_pTargetTypeProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"TargetType", CTKMarkupType::GetMarkupClass(), GetMarkupClass());
  m_pBasedOnProperty = CTKMarkupDependencyProperty::RegisterProperty(u"BasedOn", GetMarkupClass(), GetMarkupClass());
  m_pTriggersProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Triggers", CTKMarkupTriggerCollection::GetMarkupClass(), GetMarkupClass());
}

CTKMarkupStyle::CTKMarkupStyle()
    : m_pSetters(new CTKMarkupSetterColection()), m_bSealed(FALSE), m_bSealing(FALSE), m_pValues(nullptr) {
  m_pSetters->SetLogicalParent(this);
}

CTKMarkupStyle::~CTKMarkupStyle() {
  if (m_bChangedAfterSealing) CountChangedAfterSealing(false);
  m_pSetters->SetLogicalParent(nullptr);
  m_pSetters->Release();
  MarkupRelease(m_pValues);
}

// ---- whether any style in use has triggers ----------------------------------------------------

namespace {
std::atomic<int> g_nElementsThatMayTrigger{0};
std::atomic<int> g_nChangedAfterSealing{0};
}  // namespace

bool CTKMarkupStyle::MayHaveTriggers(const CTKMarkupStyle* pStyle) {
  // Sealing seals the whole based-on chain, and a chain is followed no
  // further than trigger switching follows it.
  for (int nDepth = 0; pStyle && nDepth <= 32; pStyle = pStyle->GetBasedOn(), nDepth++) {
    if (!pStyle->m_bSealed) return true;
    CTKMarkupTriggerCollection* pTriggers = pStyle->GetTriggers();
    if (pTriggers && pTriggers->GetCount() > 0) return true;
  }
  return false;
}

void CTKMarkupStyle::CountElementThatMayTrigger(bool bAdd) {
  g_nElementsThatMayTrigger.fetch_add(bAdd ? 1 : -1, std::memory_order_relaxed);
}

int CTKMarkupStyle::GetElementsThatMayTrigger() { return g_nElementsThatMayTrigger.load(std::memory_order_relaxed); }

bool CTKMarkupStyle::AnyElementMayTrigger() {
  return GetElementsThatMayTrigger() > 0 || g_nChangedAfterSealing.load(std::memory_order_relaxed) > 0;
}

// Elements judged their styles when they took them: while a style or a
// trigger collection changed since is alive, every walk applies triggers.
void CTKMarkupStyle::CountChangedAfterSealing(bool bAdd) {
  g_nChangedAfterSealing.fetch_add(bAdd ? 1 : -1, std::memory_order_relaxed);
}

void CTKMarkupStyle::OnPropertyChanged(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pOldValue,
                                       CTKMarkupObject* pNewValue) {
  CTKMarkupObject::OnPropertyChanged(pProperty, pOldValue, pNewValue);
  if (m_bSealed && !m_bChangedAfterSealing && (pProperty == m_pTriggersProperty || pProperty == m_pBasedOnProperty)) {
    m_bChangedAfterSealing = true;
    CountChangedAfterSealing(true);
  }
}

bool CTKMarkupStyle::ChangesGoUnseen(CTKMarkupDependencyProperty* pProperty) const {
  if (m_bSealed && (pProperty == m_pTriggersProperty || pProperty == m_pBasedOnProperty)) return false;
  return CTKMarkupObject::ChangesGoUnseen(pProperty);
}

CTKMarkupStyle* CTKMarkupStyle::GetBasedOn() const {
  return MarkupDynamicCast<CTKMarkupStyle>(GetValue(m_pBasedOnProperty));
}
CTKMarkupTriggerCollection* CTKMarkupStyle::GetTriggers() const {
  return MarkupDynamicCast<CTKMarkupTriggerCollection>(GetValue(m_pTriggersProperty));
}

// Resolves the "Property" and "Value" of a setter or a trigger (they share
// the two properties).
static void ResolvePropertyAndValue(CTKMarkupStyle* pStyle, CTKMarkupBuilder* pBuilder, CTKMarkupObject* pSetter) {
  static const char16_t kBoth[] = u"Must specify both Property and Value for Setter.";
  CTKMarkupType* pTarget = MarkupDynamicCast<CTKMarkupType>(pStyle->GetValue(CTKMarkupStyle::m_pTargetTypeProperty));
  CTKMarkupObject* pName = pSetter->GetValue(CTKMarkupSetter::m_pPropertyProperty);
  if (!pName) ThrowBuildError(kBoth);
  CTKMarkupDependencyProperty* pProperty = MarkupDynamicCast<CTKMarkupDependencyProperty>(pName);
  if (!pProperty) {
    CTKMarkupString* pText = MarkupDynamicCast<CTKMarkupString>(pName);
    if (!pText) ThrowBuildError(kBoth);
    pProperty = pBuilder ? pBuilder->FindAttributeProperty(pTarget, pText->GetBuffer())
                         : CTKMarkupType::FindProperty(pTarget, pText->GetBuffer());
    if (!pProperty) ThrowBuildError(FormatStringWithArg(u"Cannot find the Style Property '%ls'", pText->GetBuffer()));
    pProperty->AddRef();
    pSetter->SetValue(CTKMarkupSetter::m_pPropertyProperty, pProperty);
  }
  CTKMarkupObject* pValue = pSetter->GetValue(CTKMarkupSetter::m_pValueProperty);
  if (!pValue) ThrowBuildError(kBoth);
  if (!pValue->IsOfType(pProperty->GetPropertyType()) && pBuilder) {
    CTKMarkupObject* pConverted = pBuilder->ConvertValue(pProperty, pValue);
    pSetter->SetValue(CTKMarkupSetter::m_pValueProperty, pConverted);
  }
}

void CTKMarkupStyle::ResolveSetter(CTKMarkupBuilder* pBuilder, CTKMarkupSetter* pSetter) {
  ResolvePropertyAndValue(this, pBuilder, pSetter);
}

void CTKMarkupStyle::ResolveTrigger(CTKMarkupBuilder* pBuilder, CTKMarkupTrigger* pTrigger) {
  ResolvePropertyAndValue(this, pBuilder, pTrigger);
  if (CTKMarkupSetterColection* pSetters = pTrigger->GetSetters()) {
    for (int i = 0; i < pSetters->GetCount(); i++)
      ResolveSetter(pBuilder, static_cast<CTKMarkupSetter*>(pSetters->GetItem(i)));
  }
}

void CTKMarkupStyle::SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) {
  CTKMarkupSetter* pSetter = MarkupDynamicCast<CTKMarkupSetter>(pContent);
  if (!pSetter) {
    CTKMarkupObject::SetContentObject(pBuilder, pContent);
    return;
  }
  ResolveSetter(pBuilder, pSetter);
  m_pSetters->Add(pSetter);
}

void CTKMarkupStyle::AddSetter(CTKMarkupSetter* pSetter) { m_pSetters->Add(pSetter); }

void CTKMarkupStyle::SetPropertyObject(CTKMarkupBuilder* pBuilder, CTKMarkupDependencyProperty* pProperty,
                                       CTKMarkupObject* pValue) {
  if (pProperty == m_pTriggersProperty) {
    if (CTKMarkupTriggerCollection* pTriggers = MarkupDynamicCast<CTKMarkupTriggerCollection>(pValue)) {
      for (int i = 0; i < pTriggers->GetCount(); i++)
        ResolveTrigger(pBuilder, static_cast<CTKMarkupTrigger*>(pTriggers->GetItem(i)));
    }
  }
  CTKMarkupObject::SetPropertyObject(pBuilder, pProperty, pValue);
}

void CTKMarkupStyle::Seal() {
  if (m_bSealed || m_bSealing) return;
  // The based-on chain is sealed from its base up, in a loop: a chain of
  // any length needs no stack, and a cycle stops at the style met twice.
  std::vector<CTKMarkupStyle*> chain;
  for (CTKMarkupStyle* p = this; p && !p->m_bSealed && !p->m_bSealing; p = p->GetBasedOn()) {
    p->m_bSealing = TRUE;
    chain.push_back(p);
  }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    CTKMarkupStyle* pStyle = *it;
    if (!pStyle->m_pValues) pStyle->m_pValues = new CTKMarkupProperties(nullptr);
    pStyle->SetLogicalParent(nullptr);
    CTKMarkupStyle* pBasedOn = pStyle->GetBasedOn();
    if (pBasedOn && pBasedOn->m_bSealed) pStyle->m_pValues->CopyFrom(pBasedOn->m_pValues);
    for (int i = 0; i < pStyle->m_pSetters->GetCount(); i++) {
      CTKMarkupSetter* pSetter = static_cast<CTKMarkupSetter*>(pStyle->m_pSetters->GetItem(i));
      CTKMarkupDependencyProperty* pProperty = pSetter->GetProperty();
      CTKMarkupObject* pValue = pSetter->GetSetterValue();
      if (!pProperty || !pValue) continue;
      pValue->AddRef();
      pStyle->m_pValues->Set(pProperty, pValue);
    }
    if (CTKMarkupTriggerCollection* pTriggers = pStyle->GetTriggers()) pTriggers->Freeze();
    pStyle->m_bSealing = FALSE;
    pStyle->m_bSealed = TRUE;
  }
}

CTKMarkupObject* CTKMarkupStyle::GetStyleValue(CTKMarkupDependencyProperty* pProperty) const {
  return m_pValues ? m_pValues->Lookup(pProperty) : nullptr;
}

// ---- switching triggers ---------------------------------------------------------------------------

static bool CollectTriggers(CTKMarkupInputElement* pElement, CTKMarkupStyle* pStyle,
                            CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pValue, int nDepth) {
  if (!pStyle || nDepth > 32) return false;
  bool bAny = CollectTriggers(pElement, pStyle->GetBasedOn(), pProperty, pValue, nDepth + 1);
  CTKMarkupTriggerCollection* pTriggers = pStyle->GetTriggers();
  if (!pTriggers) return bAny;
  for (int i = pTriggers->GetCount() - 1; i >= 0; i--) {
    CTKMarkupTrigger* pTrigger = static_cast<CTKMarkupTrigger*>(pTriggers->GetItem(i));
    CTKMarkupDependencyProperty* pTriggerProperty = pTrigger->GetProperty();
    CTKMarkupObject* pTriggerValue = pTrigger->GetTriggerValue();
    if (!pTriggerProperty || !pTriggerValue) continue;
    bool bMatch = pProperty ? (pTriggerProperty == pProperty && pTriggerValue->IsEqual(pValue))
                            : pTriggerValue->IsEqual(pElement->GetValue(pTriggerProperty));
    if (!bMatch) continue;
    CTKMarkupActiveTriggerCollection* pActive = pElement->EnsureActiveTriggers();
    // A trigger already on stays once in the list: appending it again would
    // change nothing but grow the list with every repeated set.
    bool bPresent = false;
    for (int j = 0; j < pActive->GetCount() && !bPresent; j++) bPresent = pActive->GetItem(j) == pTrigger;
    if (!bPresent) {
      pTrigger->AddRef();
      pActive->Add(pTrigger);
    }
    bAny = true;
  }
  return bAny;
}

void CTKMarkupInputElement::ApplyTriggers(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pNewValue) {
  if (m_nTriggerDepth >= kMaxTriggerDepth) return;
  // Nothing to switch off and no style to switch on from: the usual case
  // for every property set while a tree is being built.
  if (!m_pActiveTriggers && !m_pStyle && !GetType()->GetTypeStyle()) return;
  m_nTriggerDepth++;
  AddRef();  // a notification must not destroy the element under us

  struct Recorded {
    CTKMarkupDependencyProperty* pProperty;
    CTKMarkupObject* pOld;
  };
  std::vector<Recorded> recorded;
  auto record = [&](CTKMarkupDependencyProperty* p) {
    for (const Recorded& r : recorded)
      if (r.pProperty == p) return;
    CTKMarkupObject* pOld = m_pTriggerProperties ? m_pTriggerProperties->Lookup(p) : nullptr;
    if (pOld) pOld->AddRef();
    recorded.push_back(Recorded{p, pOld});
  };

  bool bSwitchedOff = false;
  if (pProperty && m_pActiveTriggers) {
    for (int i = m_pActiveTriggers->GetCount() - 1; i >= 0; i--) {
      CTKMarkupTrigger* pTrigger = static_cast<CTKMarkupTrigger*>(m_pActiveTriggers->GetItem(i));
      if (pTrigger->GetProperty() != pProperty) continue;
      CTKMarkupObject* pTriggerValue = pTrigger->GetTriggerValue();
      if (pTriggerValue && pTriggerValue->IsEqual(pNewValue)) continue;
      if (CTKMarkupSetterColection* pSetters = pTrigger->GetSetters()) {
        for (int j = 0; j < pSetters->GetCount(); j++) {
          CTKMarkupDependencyProperty* pSetterProperty =
              static_cast<CTKMarkupSetter*>(pSetters->GetItem(j))->GetProperty();
          if (!pSetterProperty) continue;
          record(pSetterProperty);
          if (m_pTriggerProperties) m_pTriggerProperties->Set(pSetterProperty, nullptr);
        }
      }
      m_pActiveTriggers->RemoveAt(i);
      bSwitchedOff = true;
    }
  }

  CTKMarkupStyle* pStyle = m_pStyle ? m_pStyle : GetType()->GetTypeStyle();
  bool bMatched = pStyle && CollectTriggers(this, pStyle, pProperty, pNewValue, 0);
  if (pStyle && (bMatched || bSwitchedOff) && m_pActiveTriggers) {
    CTKMarkupProperties* pStore = EnsureTriggerProperties();
    for (int i = 0; i < m_pActiveTriggers->GetCount(); i++) {
      CTKMarkupTrigger* pTrigger = static_cast<CTKMarkupTrigger*>(m_pActiveTriggers->GetItem(i));
      CTKMarkupSetterColection* pSetters = pTrigger->GetSetters();
      if (!pSetters) continue;
      for (int j = 0; j < pSetters->GetCount(); j++) {
        CTKMarkupSetter* pSetter = static_cast<CTKMarkupSetter*>(pSetters->GetItem(j));
        CTKMarkupDependencyProperty* pSetterProperty = pSetter->GetProperty();
        CTKMarkupObject* pValue = pSetter->GetSetterValue();
        if (!pSetterProperty || !pValue) continue;
        if (pValue->IsEqual(pStore->Lookup(pSetterProperty))) continue;
        record(pSetterProperty);
        pValue->AddRef();
        pStore->Set(pSetterProperty, pValue);
      }
    }
  }

  for (Recorded& r : recorded) {
    CTKMarkupObject* pCurrent = m_pTriggerProperties ? m_pTriggerProperties->Lookup(r.pProperty) : nullptr;
    if (r.pOld || pCurrent) {
      if (pCurrent) pCurrent->AddRef();
      OnPropertyChanged(r.pProperty, r.pOld, pCurrent);
      if (r.pProperty->GetFlags() & MPF_INHERITS) NotifyInheritedChange(r.pProperty, r.pOld, pCurrent);
      if (pCurrent) pCurrent->Release();
    }
    if (r.pOld) r.pOld->Release();
  }
  m_nTriggerDepth--;
  Release();
}
