#include "toolkit/markup/markuptext.h"

#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupstyle.h"

namespace {
CTKMarkupPropertyMetadata* Meta(CTKMarkupObject* pDefault, DWORD dwFlags, PFNMARKUPCONVERTER pConverter = nullptr) {
  return new CTKMarkupPropertyMetadata(pDefault, pConverter, dwFlags);
}

CTKMarkupObject* CreateThrough(CTKMarkupContext* pContext, CTKMarkupType* pType) {
  return pContext ? pContext->CreateObject(pType) : pType->CreateInstance();
}
}  // namespace

// ---- framework content element and text element ---------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupFrameworkContentElement)
TK_DEFINE_MARKUPCLASS(CTKMarkupTextElement)
TK_DEFINE_MARKUPCLASS(CTKMarkupInline)

void CTKMarkupFrameworkContentElement::RegisterMarkupDependencyProperties() {
  CTKMarkupFrameworkElement::GetMarkupClass()->EnsureRegistered();
  CTKMarkupFrameworkElement::m_pTagProperty->AddOwner(GetMarkupClass());
}

CTKMarkupFrameworkElement* CTKMarkupFrameworkContentElement::GetHostElement() const {
  for (CTKMarkupObject* p = GetLogicalParent(); p; p = p->GetLogicalParent())
    if (CTKMarkupFrameworkElement* pHost = MarkupDynamicCast<CTKMarkupFrameworkElement>(p)) return pHost;
  return nullptr;
}

void CTKMarkupFrameworkContentElement::OnPropertyChanged(CTKMarkupDependencyProperty* pProperty,
                                                         CTKMarkupObject* pOldValue, CTKMarkupObject* pNewValue) {
  CTKMarkupObject::OnPropertyChanged(pProperty, pOldValue, pNewValue);
  ApplyTriggers(pProperty, pNewValue);
  CTKMarkupFrameworkElement* pHost = GetHostElement();
  if (!pHost) return;
  DWORD dwFlags = pProperty->GetFlags();
  if (dwFlags & MPF_AFFECTSMEASURE) pHost->InvalidateMeasure();
  if (dwFlags & MPF_AFFECTSARRANGE) pHost->InvalidateArrange();
  if (dwFlags & MPF_AFFECTSRENDER) pHost->InvalidateVisual();
}

CTKMarkupDependencyProperty* CTKMarkupTextElement::m_pBackgroundProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupTextElement::m_pForegroundProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupTextElement::m_pFontSizeProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupTextElement::m_pFontWeightProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupTextElement::m_pFontFamilyProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupTextElement::m_pFontStyleProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupTextElement::m_pTextDecorationsProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupTextElement::m_pFontQualityProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupTextElement::m_pFontCharsetProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupInline::m_pBaselineAlignmentProperty = nullptr;

void CTKMarkupTextElement::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  CTKMarkupType* pBrush = CTKMarkupBrush::GetMarkupClass();
  CTKMarkupType* pEnum = CTKMarkupEnum::GetMarkupClass();
  auto attached = [&](LPCWSTR name, CTKMarkupType* type, CTKMarkupPropertyMetadata* meta) {
    return CTKMarkupDependencyProperty::RegisterAttachedProperty(name, type, pOwner, meta);
  };
  m_pBackgroundProperty = attached(u"Background", pBrush, Meta(nullptr, 0x21));
  m_pForegroundProperty = attached(u"Foreground", pBrush, Meta(nullptr, 0x21));
  m_pFontSizeProperty = attached(u"FontSize", CTKMarkupInt::GetMarkupClass(), Meta(nullptr, 0x05, &ConvertLength));
  m_pFontWeightProperty = attached(u"FontWeight", pEnum, Meta(nullptr, 0x05, &ConvertFontWeight));
  m_pFontFamilyProperty = attached(u"FontFamily", CTKMarkupString::GetMarkupClass(), Meta(nullptr, 0x05));
  m_pFontStyleProperty = attached(u"FontStyle", pEnum, Meta(nullptr, 0x05, &ConvertFontStyle));
  m_pTextDecorationsProperty = attached(u"TextDecorations", pEnum, Meta(nullptr, 0x21, &ConvertTextDecorations));
  m_pFontQualityProperty = attached(u"FontQuality", pEnum, Meta(nullptr, 0x21, &ConvertFontQuality));
  m_pFontCharsetProperty = attached(u"FontCharset", CTKMarkupInt::GetMarkupClass(), Meta(nullptr, 0x21));
}

void CTKMarkupTextElement::SetFontWeight(int n) { SetValue(m_pFontWeightProperty, MarkupSharedEnum(n)); }
void CTKMarkupTextElement::SetFontStyle(int n) { SetValue(m_pFontStyleProperty, MarkupSharedEnum(n)); }
void CTKMarkupTextElement::SetTextDecorations(int n) { SetValue(m_pTextDecorationsProperty, MarkupSharedEnum(n)); }

void CTKMarkupInline::RegisterMarkupDependencyProperties() {
  m_pBaselineAlignmentProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"BaselineAlignment", CTKMarkupEnum::GetMarkupClass(), GetMarkupClass(),
      Meta(nullptr, MPF_AFFECTSARRANGE, &ConvertBaselineAlignment));
}

// ---- run and line break -------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupRun)
TK_DEFINE_MARKUPCLASS(CTKMarkupLineBreak)

CTKMarkupDependencyProperty* CTKMarkupRun::m_pTextProperty = nullptr;

void CTKMarkupRun::RegisterMarkupDependencyProperties() {
  m_pTextProperty = CTKMarkupDependencyProperty::RegisterProperty(u"Text", CTKMarkupString::GetMarkupClass(),
                                                                  GetMarkupClass(), Meta(nullptr, MPF_AFFECTSMEASURE));
}

CTKMarkupRun::~CTKMarkupRun() { MarkupRelease(m_pFont); }

void CTKMarkupRun::OnFinalRelease() {
  // The font goes back before the run leaves its context: the context
  // outlives every font it made.
  MarkupRelease(m_pFont);
  CTKMarkupInputElement::OnFinalRelease();
}

void CTKMarkupRun::SetText(LPCWSTR lpszText) { SetText(CTKMarkupString::CreateString(lpszText)); }

void CTKMarkupRun::SetText(CTKMarkupString* pText) {
  if (!SetValue(m_pTextProperty, pText) && pText) pText->Release();
}

LPCWSTR CTKMarkupRun::GetText() const {
  CTKMarkupString* p = MarkupDynamicCast<CTKMarkupString>(GetValue(m_pTextProperty));
  return p ? p->GetBuffer() : u"";
}

void CTKMarkupRun::SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) {
  if (CTKMarkupString* pText = MarkupDynamicCast<CTKMarkupString>(pContent)) {
    SetText(pText);
    return;
  }
  CTKMarkupObject::SetContentObject(pBuilder, pContent);
}

CTKMarkupLineBreak::CTKMarkupLineBreak() {
  CTKMarkupRun::GetMarkupClass()->EnsureRegistered();
  SetText(u"\n");
}

// ---- inline collection and spans -------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupInlineCollection)
TK_DEFINE_MARKUPCLASS(CTKMarkupSpan)
TK_DEFINE_MARKUPCLASS(CTKMarkupBold)
TK_DEFINE_MARKUPCLASS(CTKMarkupItalic)
TK_DEFINE_MARKUPCLASS(CTKMarkupUnderline)
TK_DEFINE_MARKUPCLASS(CTKMarkupHyperlink)
TK_DEFINE_MARKUPCLASS(CTKMarkupInlineUIContainer)

CTKMarkupInlineCollection::CTKMarkupInlineCollection() { m_pElementType = CTKMarkupInline::GetMarkupClass(); }

int CTKMarkupInlineCollection::GetLogicalChildrenCount() const {
  MakeRuns();
  return GetCount();
}

CTKMarkupObject* CTKMarkupInlineCollection::GetLogicalChild(int nIndex) const {
  MakeRuns();
  return CTKMarkupCollection::GetLogicalChild(nIndex);
}

CTKMarkupObject* CTKMarkupInlineCollection::GetWalkChild(int nIndex) const {
  CTKMarkupObject* p = CTKMarkupCollection::GetLogicalChild(nIndex);
  return m_nNotMade == 0 || (p && p->IsOfType(m_pElementType)) ? p : nullptr;  // a text kept for its run
}

void CTKMarkupInlineCollection::OnItemAdded(CTKMarkupObject* pItem, int nIndex) {
  static_cast<CTKMarkupInline*>(pItem)->m_nIndex = nIndex;
}

void CTKMarkupInlineCollection::AddRun(CTKMarkupString* pText) {
  if (!m_bMade && pText) {
    // Kept in the run's place; its logical parent stays unset (the text
    // may be a property's value too).
    AppendUnchecked(pText);
    m_nNotMade++;
    return;
  }
  CTKMarkupInputElement* pOwner = MarkupDynamicCast<CTKMarkupInputElement>(GetLogicalParent());
  CTKMarkupRun* pRun = static_cast<CTKMarkupRun*>(
      CreateThrough(pOwner ? pOwner->GetMarkupContext() : nullptr, CTKMarkupRun::GetMarkupClass()));
  if (pText) pRun->SetText(pText);
  Add(pRun);
}

void CTKMarkupInlineCollection::MakeRunsNow() const {
  m_bMade = true;
  if (m_nNotMade == 0) return;
  // Each run is made as it would have been when its text arrived: through
  // the owner's context, its text set before it joins the collection.
  CTKMarkupInputElement* pOwner = MarkupDynamicCast<CTKMarkupInputElement>(GetLogicalParent());
  CTKMarkupContext* pContext = pOwner ? pOwner->GetMarkupContext() : nullptr;
  auto* pThis = const_cast<CTKMarkupInlineCollection*>(this);
  for (int i = 0; i < GetCount() && m_nNotMade > 0; i++) {
    CTKMarkupObject*& pItem = pThis->ItemSlot(i);
    if (pItem->IsOfType(m_pElementType)) continue;
    CTKMarkupRun* pRun = static_cast<CTKMarkupRun*>(CreateThrough(pContext, CTKMarkupRun::GetMarkupClass()));
    pRun->SetText(static_cast<CTKMarkupString*>(pItem));
    pItem = pRun;
    m_nNotMade--;
    if (m_bLogicalParent) pRun->SetLogicalParent(pThis);
    pThis->OnItemAdded(pRun, i);
  }
}

void CTKMarkupInlineCollection::StyleRunsNotMade(CTKMarkupInputElement* pOwner) {
  if (m_nNotMade == 0 || !pOwner->FindImplicitStyleBelow(CTKMarkupRun::GetMarkupClass())) return;
  std::vector<int> made;
  for (int i = 0; i < GetCount(); i++)
    if (!ItemSlot(i)->IsOfType(m_pElementType)) made.push_back(i);
  MakeRuns();
  for (int i : made) CTKMarkupInputElement::ApplyStyles(GetItem(i));
}

void CTKMarkupInlineCollection::SetText(CTKMarkupString* pText) {
  RemoveAll();
  m_nNotMade = 0;
  AddRun(pText);
}

void CTKMarkupInlineCollection::SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) {
  CTKMarkupInputElement* pParent = MarkupDynamicCast<CTKMarkupInputElement>(GetLogicalParent());
  LPCWSTR lpszContent = pContent ? pContent->GetType()->GetClassName() : u"";
  static const char16_t kMessage[] =
      u"'%ls' object cannot be added to '%ls'. Object cannot be converted to type 'CTKMarkupInline'";
  if (!pParent) ThrowBuildError(FormatStringWithArgs(kMessage, lpszContent, GetType()->GetClassName()));
  CTKMarkupContext* pContext = pParent->GetMarkupContext();
  if (CTKMarkupString* pText = MarkupDynamicCast<CTKMarkupString>(pContent)) {
    AddRun(pText);
    return;
  }
  // Content that a caller may reach otherwise than through the owner (an
  // element someone else holds too, such as a resource; a UI element and
  // what it holds; a span whose runs exist) leads up to this collection:
  // its runs are made now.
  if (pContent) {
    const CTKMarkupSpan* pSpan = MarkupDynamicCast<CTKMarkupSpan>(pContent);
    const bool bPlain = pSpan ? !pSpan->AreRunsMade() : MarkupDynamicCast<CTKMarkupRun>(pContent) != nullptr;
    if (!bPlain || pContent->GetRefCount() > 1) MakeRuns();
  }
  if (MarkupDynamicCast<CTKMarkupInline>(pContent)) {
    Add(pContent);
    return;
  }
  if (CTKMarkupUIElement* pElement = MarkupDynamicCast<CTKMarkupUIElement>(pContent)) {
    CTKMarkupInlineUIContainer* pContainer =
        static_cast<CTKMarkupInlineUIContainer*>(CreateThrough(pContext, CTKMarkupInlineUIContainer::GetMarkupClass()));
    pContainer->SetChild(pElement);
    Add(pContainer);
    return;
  }
  ThrowBuildError(FormatStringWithArgs(kMessage, lpszContent, GetType()->GetClassName()));
}

CTKMarkupSpan::CTKMarkupSpan() = default;

CTKMarkupInlineCollection* CTKMarkupSpan::MakeInlines() const {
  m_pInlines = new CTKMarkupInlineCollection();
  m_pInlines->SetLogicalParent(const_cast<CTKMarkupSpan*>(this));
  if (CTKMarkupString* pText = m_pText) {
    m_pText = nullptr;
    m_pInlines->SetContentObject(nullptr, pText);  // a text is always taken
  }
  return m_pInlines;
}

void CTKMarkupSpan::SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) {
  if (!m_pInlines && !m_pText)
    if (CTKMarkupString* pText = MarkupDynamicCast<CTKMarkupString>(pContent)) {
      m_pText = pText;
      return;
    }
  GetInlinesAsBuilt()->SetContentObject(pBuilder, pContent);
}

bool CTKMarkupSpan::ChangesGoUnseen(CTKMarkupDependencyProperty* pProperty) const {
  if (CTKMarkupInline::ChangesGoUnseen(pProperty)) return true;
  // The input element's answer with the inlines as the children: only an
  // inherited value is heard by them, and only once there are some.
  if (!(pProperty->GetFlags() & MPF_INHERITS) || m_pText || (m_pInlines && m_pInlines->GetCount() > 0)) return false;
  if (m_pLogicalParent || m_pStyle || m_pActiveTriggers || GetType()->GetTypeStyle()) return false;
  const CTKMarkupPropertyMetadata* pMetadata = pProperty->GetMetadata();
  return !(pMetadata && pMetadata->m_pPropertyChanged);
}

void CTKMarkupSpan::OnApplyStyle() {
  // A kept text needs its collection only when an implicit style would
  // reach its run.
  if (m_pInlines || (m_pText && FindImplicitStyleBelow(CTKMarkupRun::GetMarkupClass())))
    GetInlinesAsBuilt()->StyleRunsNotMade(this);
  CTKMarkupInline::OnApplyStyle();
}

CTKMarkupSpan::~CTKMarkupSpan() {
  if (m_pText) m_pText->Release();
  if (m_pInlines) {
    m_pInlines->SetLogicalParent(nullptr);
    m_pInlines->Release();
  }
}

CTKMarkupBold::CTKMarkupBold() {
  CTKMarkupTextElement::GetMarkupClass()->EnsureRegistered();
  SetFontWeight(700);
}
CTKMarkupItalic::CTKMarkupItalic() {
  CTKMarkupTextElement::GetMarkupClass()->EnsureRegistered();
  SetFontStyle(1);
}
CTKMarkupUnderline::CTKMarkupUnderline() {
  CTKMarkupTextElement::GetMarkupClass()->EnsureRegistered();
  SetTextDecorations(1);
}

CTKMarkupRoutedEvent* CTKMarkupHyperlink::m_pClickEvent = nullptr;

void CTKMarkupHyperlink::RegisterMarkupDependencyProperties() {
  CTKMarkupStyle::GetMarkupClass()->EnsureRegistered();
  CTKMarkupSolidColorBrush::GetMarkupClass()->EnsureRegistered();
  CTKMarkupButtonBase::GetMarkupClass()->EnsureRegistered();
  m_pClickEvent = static_cast<CTKMarkupRoutedEvent*>(CTKMarkupButtonBase::m_pClickEvent->AddOwner(GetMarkupClass()));

  // Every hyperlink without a style of its own looks like a link.
  CTKMarkupStyle* pStyle = new CTKMarkupStyle();
  pStyle->AddSetter(
      new CTKMarkupSetter(CTKMarkupTextElement::m_pTextDecorationsProperty, CTKMarkupEnum::CreateEnum(1)));
  pStyle->AddSetter(new CTKMarkupSetter(CTKMarkupTextElement::m_pForegroundProperty,
                                        new CTKMarkupSolidColorBrush(new CTKMarkupColor(0xFF, RGB(0, 0, 255)))));
  pStyle->AddSetter(new CTKMarkupSetter(CTKMarkupInputElement::m_pCursorProperty, new CTKMarkupInt(32649)));
  CTKMarkupTrigger* pTrigger =
      new CTKMarkupTrigger(CTKMarkupInputElement::m_pIsMouseOverProperty, CTKMarkupBool::CreateBool(TRUE));
  CTKMarkupSetterColection* pSetters = new CTKMarkupSetterColection();
  pSetters->Add(new CTKMarkupSetter(CTKMarkupTextElement::m_pForegroundProperty,
                                    new CTKMarkupSolidColorBrush(new CTKMarkupColor(0xFF, RGB(255, 0, 0)))));
  pTrigger->SetValue(CTKMarkupTrigger::m_pSettersProperty, pSetters);
  CTKMarkupTriggerCollection* pTriggers = new CTKMarkupTriggerCollection();
  pTriggers->Add(pTrigger);
  pStyle->SetValue(CTKMarkupStyle::m_pTriggersProperty, pTriggers);
  GetMarkupClass()->SetTypeStyle(pStyle);
}

void CTKMarkupHyperlink::OnClick() {
  CTKMarkupRoutedEventArgs* pArgs = new CTKMarkupRoutedEventArgs(m_pClickEvent, this);
  RaiseEvent(pArgs);
  pArgs->Release();
}

void CTKMarkupHyperlink::OnMouseLeftButtonDown(CTKMarkupMouseButtonEventArgs* e) {
  m_bPressed = TRUE;
  e->m_bHandled = TRUE;
}

void CTKMarkupHyperlink::OnMouseLeftButtonUp(CTKMarkupMouseButtonEventArgs* e) {
  if (!m_bPressed) return;
  m_bPressed = FALSE;
  OnClick();
  e->m_bHandled = TRUE;
}

void CTKMarkupInlineUIContainer::SetContentObject(CTKMarkupBuilder*, CTKMarkupObject* pContent) {
  CTKMarkupUIElement* pElement = MarkupDynamicCast<CTKMarkupUIElement>(pContent);
  if (!pElement)
    ThrowBuildError(FormatStringWithArgs(
        u"'%ls' object cannot be added to '%ls'. Object cannot be converted to type 'CTKMarkupUIElement'",
        pContent ? pContent->GetType()->GetClassName() : u"", GetType()->GetClassName()));
  SetChild(pElement);
}

CTKMarkupObject* CTKMarkupInlineUIContainer::GetLogicalChild(int nIndex) const {
  return nIndex == 0 ? m_pChild : nullptr;
}

void CTKMarkupInlineUIContainer::SetChild(CTKMarkupUIElement* pChild) {
  if (m_pChild) {
    if (m_pChild->GetLogicalParent() == this) m_pChild->SetLogicalParent(nullptr);
    m_pChild->Release();
  }
  m_pChild = pChild;
  if (pChild) pChild->SetLogicalParent(this);
}

CTKMarkupInputElement* CTKMarkupInlineUIContainer::InputHitTest(int x, int y) {
  CTKMarkupInputElement* pHit = m_pChild ? m_pChild->InputHitTest(x, y) : nullptr;
  return pHit ? pHit : this;
}

// ---- text block ---------------------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupTextBlock)

CTKMarkupDependencyProperty* CTKMarkupTextBlock::m_pTextWrappingProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupTextBlock::m_pTextTrimmingProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupTextBlock::m_pTextAlignmentProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupTextBlock::m_pPaddingProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupTextBlock::m_pTextProperty = nullptr;

void CTKMarkupTextBlock::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  CTKMarkupType* pEnum = CTKMarkupEnum::GetMarkupClass();
  m_pTextWrappingProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"TextWrapping", pEnum, pOwner, Meta(nullptr, MPF_AFFECTSMEASURE, &ConvertTextWrapping));
  m_pTextTrimmingProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"TextTrimming", pEnum, pOwner, Meta(nullptr, MPF_AFFECTSMEASURE, &ConvertTextTrimming));
  m_pTextAlignmentProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"TextAlignment", pEnum, pOwner, Meta(nullptr, MPF_AFFECTSARRANGE, &ConvertTextAlignment));
  m_pPaddingProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Padding", CTKMarkupThickness::GetMarkupClass(), pOwner,
      Meta(CTKMarkupThickness::GetSharedZeroThickness(), MPF_AFFECTSMEASURE, &CTKMarkupThickness::ConvertText));
  m_pTextProperty = CTKMarkupDependencyProperty::RegisterProperty(u"Text", CTKMarkupString::GetMarkupClass(), pOwner,
                                                                  Meta(nullptr, MPF_AFFECTSMEASURE));
  // The text properties can be written on a text block as plain attributes.
  CTKMarkupTextElement::GetMarkupClass()->EnsureRegistered();
  for (CTKMarkupDependencyProperty* p :
       {CTKMarkupTextElement::m_pBackgroundProperty, CTKMarkupTextElement::m_pForegroundProperty,
        CTKMarkupTextElement::m_pFontSizeProperty, CTKMarkupTextElement::m_pFontWeightProperty,
        CTKMarkupTextElement::m_pFontFamilyProperty, CTKMarkupTextElement::m_pFontStyleProperty,
        CTKMarkupTextElement::m_pTextDecorationsProperty, CTKMarkupTextElement::m_pFontQualityProperty,
        CTKMarkupTextElement::m_pFontCharsetProperty})
    p->AddOwner(pOwner);
}

void CTKMarkupTextBlock::OnPropertyChanged(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pOldValue,
                                           CTKMarkupObject* pNewValue) {
  if (pProperty == m_pTextProperty) {
    // The text replaces the inlines with one run.
    CTKMarkupString* pText = MarkupDynamicCast<CTKMarkupString>(pNewValue);
    if (pText) pText->AddRef();
    m_pInlines->SetText(pText);
  }
  CTKMarkupFrameworkElement::OnPropertyChanged(pProperty, pOldValue, pNewValue);
}

CTKMarkupTextBlock::CTKMarkupTextBlock() : m_pInlines(new CTKMarkupInlineCollection()) {
  m_pInlines->SetLogicalParent(this);
}

void CTKMarkupTextBlock::OnApplyStyle() {
  m_pInlines->StyleRunsNotMade(this);
  CTKMarkupFrameworkElement::OnApplyStyle();
}

CTKMarkupTextBlock::~CTKMarkupTextBlock() {
  m_pLines.reset();  // the pieces hold references to the inlines
  m_pInlines->SetLogicalParent(nullptr);
  m_pInlines->Release();
}

// ---- content converter --------------------------------------------------------------------------------

CTKMarkupObject* ConvertContent(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) {
  CTKMarkupString* pText = MarkupDynamicCast<CTKMarkupString>(pValue);
  // Content that is neither text nor a UI element is refused: the builder
  // then reports the conversion error.
  if (!pText) return nullptr;
  CTKMarkupContext* pContext = pBuilder ? pBuilder->GetMarkupContext() : nullptr;
  CTKMarkupTextBlock* pTextBlock =
      static_cast<CTKMarkupTextBlock*>(CreateThrough(pContext, CTKMarkupTextBlock::GetMarkupClass()));
  pText->AddRef();
  pTextBlock->SetContentObject(pBuilder, pText);  // text into an empty block: never refused
  return pTextBlock;
}
