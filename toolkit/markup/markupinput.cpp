#include "toolkit/markup/markupinput.h"

#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupstyle.h"

// ---- routed events ------------------------------------------------------------------------

CTKMarkupRoutedEvent::CTKMarkupRoutedEvent(LPCWSTR lpszName, CTKMarkupType* pOwnerType, DWORD dwRoutingFlags) {
  m_lpszName = lpszName;
  m_pPropertyType = CTKMarkupString::GetMarkupClass();
  m_pOwnerType = pOwnerType;
  m_pMetadata = dwRoutingFlags ? new CTKMarkupPropertyMetadata(nullptr, dwRoutingFlags) : nullptr;
}

CTKMarkupRoutedEvent* CTKMarkupRoutedEvent::RegisterRoutedEvent(LPCWSTR lpszName, DWORD dwRoutingFlags,
                                                                CTKMarkupType* pOwnerType) {
  return static_cast<CTKMarkupRoutedEvent*>(Register(new CTKMarkupRoutedEvent(lpszName, pOwnerType, dwRoutingFlags)));
}

CTKMarkupEventHandlers::~CTKMarkupEventHandlers() { Clear(); }

void CTKMarkupEventHandlers::Clear() {
  auto map = std::move(m_map);
  m_map.clear();
  for (auto& entry : map)
    for (CTKMarkupDelegate* p : entry.second) p->Release();
}

void CTKMarkupEventHandlers::Add(CTKMarkupRoutedEvent* pEvent, CTKMarkupDelegate* pDelegate) {
  if (!pEvent || !pDelegate) return;
  m_map[pEvent].push_back(pDelegate);
}

std::vector<CTKMarkupDelegate*> CTKMarkupEventHandlers::Get(CTKMarkupRoutedEvent* pEvent) const {
  auto it = m_map.find(pEvent);
  if (it == m_map.end()) return {};
  std::vector<CTKMarkupDelegate*> copy = it->second;
  for (CTKMarkupDelegate* p : copy) p->AddRef();
  return copy;
}

// ---- input element ---------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS_NOFACTORY(CTKMarkupInputElement)

CTKMarkupDependencyProperty* CTKMarkupInputElement::m_pCursorProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupInputElement::m_pIsMouseOverProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupInputElement::m_pResourcesProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupInputElement::m_pStyleProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupInputElement::m_pIsKeyboardFocusedProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupInputElement::m_pIsFocusableProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupInputElement::m_pToolTipProperty = nullptr;
CTKMarkupRoutedEvent* CTKMarkupInputElement::m_pMouseLeaveEvent = nullptr;
CTKMarkupRoutedEvent* CTKMarkupInputElement::m_pMouseEnterEvent = nullptr;
CTKMarkupRoutedEvent* CTKMarkupInputElement::m_pMouseLeftButtonUpEvent = nullptr;
CTKMarkupRoutedEvent* CTKMarkupInputElement::m_pMouseLeftButtonDownEvent = nullptr;
CTKMarkupRoutedEvent* CTKMarkupInputElement::m_pMouseRightButtonUpEvent = nullptr;
CTKMarkupRoutedEvent* CTKMarkupInputElement::m_pMouseRightButtonDownEvent = nullptr;
CTKMarkupRoutedEvent* CTKMarkupInputElement::m_pMouseMoveEvent = nullptr;
CTKMarkupRoutedEvent* CTKMarkupInputElement::m_pLostMouseCaptureEvent = nullptr;

static void OnCursorChanged(CTKMarkupObject* pObject, PropertyChangedArgs*) {
  CTKMarkupInputElement* pElement = MarkupDynamicCast<CTKMarkupInputElement>(pObject);
  if (pElement && pElement->GetMarkupContext()) pElement->GetMarkupContext()->QueryCursor();
}

static void OnStyleChanged(CTKMarkupObject* pObject, PropertyChangedArgs* pArgs) {
  CTKMarkupInputElement* pElement = MarkupDynamicCast<CTKMarkupInputElement>(pObject);
  if (!pElement) return;
  CTKMarkupStyle* pStyle = MarkupDynamicCast<CTKMarkupStyle>(pArgs->pNewValue);
  if (pStyle) pStyle->Seal();
  pElement->SetStyleInUse(pStyle);
}

void CTKMarkupInputElement::RegisterMarkupDependencyProperties() {
  CTKMarkupStyle::GetMarkupClass()->EnsureRegistered();
  CTKMarkupType* pOwner = GetMarkupClass();
  m_pCursorProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Cursor", CTKMarkupInt::GetMarkupClass(), pOwner,
      new CTKMarkupPropertyMetadata(nullptr, &ConvertCursor, &OnCursorChanged, 0));
  m_pIsMouseOverProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"IsMouseOver", CTKMarkupBool::GetMarkupClass(), pOwner,
                                                    new CTKMarkupPropertyMetadata(CTKMarkupBool::CreateBool(FALSE), 0));
  m_pResourcesProperty = CTKMarkupStyle::m_pResourcesProperty->AddOwner(pOwner);
  m_pStyleProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Style", CTKMarkupStyle::GetMarkupClass(), pOwner, new CTKMarkupPropertyMetadata(nullptr, &OnStyleChanged, 0));
  m_pIsKeyboardFocusedProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"IsKeyboardFocused", CTKMarkupBool::GetMarkupClass(), pOwner,
      new CTKMarkupPropertyMetadata(CTKMarkupBool::CreateBool(FALSE), MPF_AFFECTSRENDER));
  m_pIsFocusableProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"IsFocusable", CTKMarkupBool::GetMarkupClass(), pOwner,
                                                    new CTKMarkupPropertyMetadata(CTKMarkupBool::CreateBool(FALSE), 0));
  m_pToolTipProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"ToolTip", CTKMarkupObject::GetMarkupClass(), pOwner);

  m_pMouseLeaveEvent = CTKMarkupRoutedEvent::RegisterRoutedEvent(u"MouseLeave", 0, pOwner);
  m_pMouseEnterEvent = CTKMarkupRoutedEvent::RegisterRoutedEvent(u"MouseEnter", 0, pOwner);
  m_pMouseLeftButtonUpEvent = CTKMarkupRoutedEvent::RegisterRoutedEvent(u"MouseLeftButtonUp", 0, pOwner);
  m_pMouseLeftButtonDownEvent = CTKMarkupRoutedEvent::RegisterRoutedEvent(u"MouseLeftButtonDown", 0, pOwner);
  m_pMouseRightButtonUpEvent = CTKMarkupRoutedEvent::RegisterRoutedEvent(u"MouseRightButtonUp", 0, pOwner);
  m_pMouseRightButtonDownEvent = CTKMarkupRoutedEvent::RegisterRoutedEvent(u"MouseRightButtonDown", 0, pOwner);
  m_pMouseMoveEvent = CTKMarkupRoutedEvent::RegisterRoutedEvent(u"MouseMove", 0, pOwner);
  m_pLostMouseCaptureEvent = CTKMarkupRoutedEvent::RegisterRoutedEvent(u"LostMouseCapture", 0, pOwner);
}

CTKMarkupInputElement::CTKMarkupInputElement()
    : m_pHandlers(nullptr),
      m_pMarkupContext(nullptr),
      m_pActiveTriggers(nullptr),
      m_pTriggerProperties(nullptr),
      m_pStyle(nullptr),
      m_nTriggerDepth(0) {}

CTKMarkupInputElement::~CTKMarkupInputElement() {
  SetStyleInUse(nullptr);
  delete m_pHandlers;
  MarkupRelease(m_pActiveTriggers);
  MarkupRelease(m_pTriggerProperties);
}

bool CTKMarkupInputElement::ChangesGoUnseen(CTKMarkupDependencyProperty* pProperty) const {
  // Not yet in a tree and nothing to switch triggers from; the property's
  // own callback and the children inheriting it are always told.
  if (m_pLogicalParent || m_pStyle || m_pActiveTriggers || GetType()->GetTypeStyle()) return false;
  const CTKMarkupPropertyMetadata* pMetadata = pProperty->GetMetadata();
  if (pMetadata && pMetadata->m_pPropertyChanged) return false;
  return !(pProperty->GetFlags() & MPF_INHERITS) || GetLogicalChildrenCount() == 0;
}

void CTKMarkupInputElement::OnFinalRelease() {
  if (m_pMarkupContext) m_pMarkupContext->OnElementReleased(this);
  delete this;
}

CTKMarkupObject* CTKMarkupInputElement::ReadLocalValue(CTKMarkupDependencyProperty* pProperty) const {
  if (CTKMarkupObject* p = GetStoredValue(pProperty)) return p;
  if (m_pTriggerProperties)
    if (CTKMarkupObject* p = m_pTriggerProperties->Lookup(pProperty)) return p;
  if (m_pStyle)
    if (CTKMarkupObject* p = m_pStyle->GetStyleValue(pProperty)) return p;
  if (CTKMarkupStyle* pTypeStyle = GetType()->GetTypeStyle())
    if (CTKMarkupObject* p = pTypeStyle->GetStyleValue(pProperty)) return p;
  return nullptr;
}

bool CTKMarkupInputElement::ReadsStoredValuesOnly() const {
  return !m_pTriggerProperties && !m_pStyle && !GetType()->GetTypeStyle();
}

void CTKMarkupInputElement::SetPropertyObject(CTKMarkupBuilder* pBuilder, CTKMarkupDependencyProperty* pProperty,
                                              CTKMarkupObject* pValue) {
  if (!pProperty || !pProperty->IsEvent()) {
    CTKMarkupObject::SetPropertyObject(pBuilder, pProperty, pValue);
    return;
  }
  if (!m_pMarkupContext) ThrowBuildError(u"Markup Context is NULL");
  CTKMarkupString* pName = MarkupDynamicCast<CTKMarkupString>(pValue);
  CTKMarkupDelegate* pDelegate = m_pMarkupContext->FindDelegate(pName ? pName->GetBuffer() : u"");
  if (!pDelegate) ThrowBuildError(FormatStringWithArg(u"'%ls' delegate not found", pName ? pName->GetBuffer() : u""));
  pDelegate->AddRef();
  AddHandler(static_cast<CTKMarkupRoutedEvent*>(pProperty), pDelegate);
  if (pValue) pValue->Release();
}

void CTKMarkupInputElement::AddHandler(CTKMarkupRoutedEvent* pEvent, CTKMarkupDelegate* pDelegate) {
  if (!pEvent || !pDelegate) {
    if (pDelegate) pDelegate->Release();
    return;
  }
  if (!m_pHandlers) m_pHandlers = new CTKMarkupEventHandlers();
  m_pHandlers->Add(pEvent, pDelegate);
}

void CTKMarkupInputElement::CallHandlers(CTKMarkupRoutedEventArgs* pArgs) {
  if (!m_pHandlers) return;
  std::vector<CTKMarkupDelegate*> list = m_pHandlers->Get(pArgs->m_pEvent);
  for (CTKMarkupDelegate* p : list) p->Execute(this, pArgs);
  for (CTKMarkupDelegate* p : list) p->Release();
}

void CTKMarkupInputElement::RaiseEvent(CTKMarkupRoutedEventArgs* pArgs) {
  if (!pArgs || !pArgs->m_pEvent) return;
  if (!(pArgs->m_pEvent->GetRoutingFlags() & RoutingBubble)) {
    CallHandlers(pArgs);
    return;
  }
  // Hold the route while handlers run: a handler may release elements.
  std::vector<CTKMarkupInputElement*> route;
  for (CTKMarkupObject* p = this; p; p = p->GetLogicalParent())
    if (CTKMarkupInputElement* pElement = MarkupDynamicCast<CTKMarkupInputElement>(p)) {
      pElement->AddRef();
      route.push_back(pElement);
    }
  CTKMarkupContext* pContext = m_pMarkupContext;
  if (pContext) pContext->AddRef();
  for (CTKMarkupInputElement* pElement : route) {
    pElement->CallHandlers(pArgs);
    if (pArgs->m_bHandled) break;
  }
  if (!pArgs->m_bHandled && pContext) pContext->RaiseContextEvent(this, pArgs);
  for (CTKMarkupInputElement* pElement : route) pElement->Release();
  if (pContext) pContext->Release();
}

void CTKMarkupInputElement::OnMouseLeave(CTKMarkupMouseEventArgs*) { SetValue(m_pIsMouseOverProperty, nullptr); }
void CTKMarkupInputElement::OnMouseEnter(CTKMarkupMouseEventArgs*) {
  SetValue(m_pIsMouseOverProperty, CTKMarkupBool::CreateBool(TRUE));
}

BOOL CTKMarkupInputElement::IsMouseOver() const {
  CTKMarkupBool* p = MarkupDynamicCast<CTKMarkupBool>(GetValue(m_pIsMouseOverProperty));
  return p && p->GetValue();
}

void CTKMarkupInputElement::OnQueryCursor(CTKMarkupQueryCursorEventArgs* e) {
  CTKMarkupInt* pCursor = MarkupDynamicCast<CTKMarkupInt>(GetValue(m_pCursorProperty));
  if (!pCursor) return;
  e->m_bHandled = TRUE;
  e->m_hCursor = pCursor->GetValue() ? MarkupGetHostServices()->LoadSystemCursor(pCursor->GetValue()) : nullptr;
}

void CTKMarkupInputElement::CaptureMouse() {
  if (m_pMarkupContext) m_pMarkupContext->SetCapture(this);
}

void CTKMarkupInputElement::ReleaseMouseCapture() {
  if (m_pMarkupContext) m_pMarkupContext->ReleaseCapture(this);
}

void CTKMarkupInputElement::Focus() {
  if (m_pMarkupContext && m_pMarkupContext->GetKeyboardNavigation())
    m_pMarkupContext->GetKeyboardNavigation()->Focus(this);
}

void CTKMarkupInputElement::SetStyleInUse(CTKMarkupStyle* pStyle) {
  bool bMayTrigger = pStyle && CTKMarkupStyle::MayHaveTriggers(pStyle);
  if (bMayTrigger != m_bStyleMayTrigger) CTKMarkupStyle::CountElementThatMayTrigger(bMayTrigger);
  m_bStyleMayTrigger = bMayTrigger;
  m_pStyle = pStyle;
}

CTKMarkupActiveTriggerCollection* CTKMarkupInputElement::EnsureActiveTriggers() {
  if (!m_pActiveTriggers) m_pActiveTriggers = new CTKMarkupActiveTriggerCollection();
  return m_pActiveTriggers;
}

CTKMarkupProperties* CTKMarkupInputElement::EnsureTriggerProperties() {
  if (!m_pTriggerProperties) m_pTriggerProperties = new CTKMarkupProperties(nullptr);
  return m_pTriggerProperties;
}

namespace {
// The element whose OnApplyStyle the walk is calling, with the resource
// chain of its logical parent (known: the walk came down through it).
// pOwn is the element's own level when the walk has read it already.
struct StyleScope {
  const CTKMarkupInputElement* pElement;
  const CTKMarkupResourceScope* pAbove;
  const CTKMarkupResourceScope* pOwn;
};
thread_local const StyleScope* t_pStyleScope = nullptr;

// Post-order, as styles were always applied: an element's children before
// the element. pAbove is the resource chain of pObject's logical parent
// when bKnown; it is carried down so that no element's implicit-style
// search climbs to the root again.
void ApplyStylesWalk(CTKMarkupObject* pObject, const CTKMarkupResourceScope* pAbove, bool bKnown) {
  static thread_local int s_nDepth = 0;
  if (!pObject || s_nDepth >= kMaxTreeWalkDepth) return;
  s_nDepth++;
  int n = pObject->GetWalkChildrenCount();
  CTKMarkupResourceScope level;
  bool bLevelRead = false;
  if (n > 0) {
    CTKMarkupResourceScope middleLevel;
    const CTKMarkupResourceScope* pMine = bKnown ? CTKMarkupResourceScope::Extend(pObject, pAbove, level) : nullptr;
    bLevelRead = bKnown;
    // Panels hand out the items of their collection, whose logical parent
    // is the collection itself.
    CTKMarkupObject* pMiddle = nullptr;
    const CTKMarkupResourceScope* pMiddleChain = nullptr;
    for (int i = 0; i < n; i++) {
      CTKMarkupObject* pChild = pObject->GetWalkChild(i);
      if (!pChild) continue;
      CTKMarkupObject* pParent = pChild->GetLogicalParent();
      if (bKnown && pParent == pObject) {
        ApplyStylesWalk(pChild, pMine, true);
      } else if (bKnown && pParent && pParent->GetLogicalParent() == pObject) {
        if (pParent != pMiddle) {
          pMiddle = pParent;
          pMiddleChain = CTKMarkupResourceScope::Extend(pParent, pMine, middleLevel);
        }
        ApplyStylesWalk(pChild, pMiddleChain, true);
      } else {
        ApplyStylesWalk(pChild, nullptr, false);
      }
    }
  }
  s_nDepth--;
  if (CTKMarkupInputElement* pElement = MarkupDynamicCast<CTKMarkupInputElement>(pObject)) {
    // Styling the children changes nothing this element's level reads.
    StyleScope scope{pElement, pAbove, bLevelRead ? &level : nullptr};
    const StyleScope* pSaved = t_pStyleScope;
    t_pStyleScope = bKnown ? &scope : nullptr;
    pElement->OnApplyStyle();
    t_pStyleScope = pSaved;
  }
}

// The same visits in the same order while no dictionary holds a type key:
// no implicit style can be found, so no resource level is read and only
// the elements with a style of their own have anything to apply.
void ApplyOwnStylesWalk(CTKMarkupObject* pObject, int nDepth) {
  if (!pObject || nDepth >= kMaxTreeWalkDepth) return;
  int n = pObject->GetLogicalChildrenCount();
  for (int i = 0; i < n; i++) ApplyOwnStylesWalk(pObject->GetLogicalChild(i), nDepth + 1);
  CTKMarkupInputElement* pElement = MarkupDynamicCast<CTKMarkupInputElement>(pObject);
  if (pElement && pElement->GetStyle()) {
    const StyleScope* pSaved = t_pStyleScope;
    t_pStyleScope = nullptr;
    pElement->OnApplyStyle();
    t_pStyleScope = pSaved;
  }
}
}  // namespace

void CTKMarkupInputElement::ApplyStyles(CTKMarkupObject* pRoot) {
  if (!pRoot) return;
  if (!CTKMarkupResourceDictionary::AnyHoldsTypeKeys()) {
    // Nor can the triggers of a style without any do anything.
    if (CTKMarkupStyle::AnyElementMayTrigger()) ApplyOwnStylesWalk(pRoot, 0);
    return;
  }
  // The chain above the root is gathered the long way once.
  std::vector<CTKMarkupObject*> ancestors;
  for (CTKMarkupObject* p = pRoot->GetLogicalParent(); p && ancestors.size() < static_cast<size_t>(kMaxTreeWalkDepth);
       p = p->GetLogicalParent())
    ancestors.push_back(p);
  if (ancestors.size() >= static_cast<size_t>(kMaxTreeWalkDepth)) {
    ApplyStylesWalk(pRoot, nullptr, false);
    return;
  }
  std::vector<CTKMarkupResourceScope> levels(ancestors.size());
  const CTKMarkupResourceScope* pChain = nullptr;
  for (size_t i = ancestors.size(); i-- > 0;) pChain = CTKMarkupResourceScope::Extend(ancestors[i], pChain, levels[i]);
  ApplyStylesWalk(pRoot, pChain, true);
}

CTKMarkupStyle* CTKMarkupInputElement::FindImplicitStyleBelow(CTKMarkupType* pType) {
  if (!CTKMarkupResourceDictionary::EverKeyedByType(pType)) return nullptr;
  const StyleScope* pScope = t_pStyleScope;
  CTKMarkupObject* pFound = pScope && pScope->pElement == this
                                ? FindScopedResource(this, pScope->pAbove, pType, pScope->pOwn)
                                : FindElementResource(this, pType);
  return MarkupDynamicCast<CTKMarkupStyle>(pFound);
}

void CTKMarkupInputElement::OnApplyStyle() {
  if (!m_pStyle && CTKMarkupResourceDictionary::EverKeyedByType(GetType())) {
    const StyleScope* pScope = t_pStyleScope;
    CTKMarkupObject* pFound = pScope && pScope->pElement == this
                                  ? FindScopedResource(this, pScope->pAbove, GetType(), pScope->pOwn)
                                  : FindElementResource(this, GetType());
    CTKMarkupStyle* pStyle = MarkupDynamicCast<CTKMarkupStyle>(pFound);
    if (pStyle) {
      pStyle->Seal();
      SetStyleInUse(pStyle);
    }
  }
  if (m_pStyle) ApplyTriggers(nullptr, nullptr);
}

// ---- keyboard navigation -------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupKeyboardNavigation)

CTKMarkupDependencyProperty* CTKMarkupKeyboardNavigation::m_pIsTabStopProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupKeyboardNavigation::m_pTabNavigationProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupKeyboardNavigation::m_pTabIndexProperty = nullptr;

CTKMarkupKeyboardNavigation::~CTKMarkupKeyboardNavigation() {
  MarkupRelease(m_pFocused);
  MarkupRelease(m_pLastFocused);
}

void CTKMarkupKeyboardNavigation::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  m_pIsTabStopProperty = CTKMarkupDependencyProperty::RegisterAttachedProperty(
      u"IsTabStop", CTKMarkupBool::GetMarkupClass(), pOwner,
      new CTKMarkupPropertyMetadata(CTKMarkupBool::CreateBool(TRUE), 0));
  m_pTabNavigationProperty = CTKMarkupDependencyProperty::RegisterAttachedProperty(
      u"TabNavigation", CTKMarkupEnum::GetMarkupClass(), pOwner,
      new CTKMarkupPropertyMetadata(nullptr, &ConvertTabNavigation, 0));
  m_pTabIndexProperty = CTKMarkupDependencyProperty::RegisterAttachedProperty(
      u"TabIndex", CTKMarkupInt::GetMarkupClass(), pOwner,
      new CTKMarkupPropertyMetadata(new CTKMarkupInt(2147483647), 0));
}
