// Buttons: the press/capture/click behaviour of the button base, toggling
// of check boxes and radio buttons (with the sibling group rule), and their
// looks: visual styles of the "BUTTON" class when themed, classic edges and
// frame controls otherwise.
#include <algorithm>

#include "platform/gdi/syscolors.h"
#include "platform/gdi/wingdi.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/winthemewrapper.h"
#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupdrawingcontext.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markuplayoutmath.h"

TK_DEFINE_MARKUPCLASS(CTKMarkupButtonBase)
TK_DEFINE_MARKUPCLASS(CTKMarkupButton)
TK_DEFINE_MARKUPCLASS(CTKMarkupToggleButton)
TK_DEFINE_MARKUPCLASS(CTKMarkupCheckBox)
TK_DEFINE_MARKUPCLASS(CTKMarkupRadioButton)

CTKMarkupRoutedEvent* CTKMarkupButtonBase::m_pClickEvent = nullptr;
CTKMarkupDependencyProperty* CTKMarkupButtonBase::m_pIsPressedProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupToggleButton::m_pIsCheckedProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupToggleButton::m_pIsThreeStateProperty = nullptr;
CTKMarkupRoutedEvent* CTKMarkupToggleButton::m_pCheckedEvent = nullptr;
CTKMarkupRoutedEvent* CTKMarkupToggleButton::m_pUncheckedEvent = nullptr;
CTKMarkupRoutedEvent* CTKMarkupToggleButton::m_pIndeterminateEvent = nullptr;

namespace {

enum { kPartPushButton = 1, kPartRadioButton = 2, kPartCheckBox = 3 };

const CTKMarkupThickness* PaddingOf(const CTKMarkupObject* p) {
  const auto* t = MarkupDynamicCast<CTKMarkupThickness>(p->GetValue(CTKMarkupBorder::m_pPaddingProperty));
  return t ? t : CTKMarkupThickness::GetSharedZeroThickness();
}

// Raises a new event of the kind on the button, for the call only.
void RaiseOwn(CTKMarkupToggleButton* pButton, CTKMarkupRoutedEvent* pEvent,
              void (CTKMarkupToggleButton::*pfn)(CTKMarkupRoutedEventArgs*)) {
  auto* pArgs = new CTKMarkupRoutedEventArgs(pEvent, pButton);
  (pButton->*pfn)(pArgs);
  pArgs->Release();
}

void OnIsCheckedChanged(CTKMarkupObject* pObject, PropertyChangedArgs* pChange) {
  auto* pButton = MarkupDynamicCast<CTKMarkupToggleButton>(pObject);
  if (!pButton) return;
  const auto* pValue = MarkupDynamicCast<CTKMarkupEnum>(pChange ? pChange->pNewValue : nullptr);
  const int n = pValue ? pValue->GetValue() : 0;
  if (n == 1) RaiseOwn(pButton, CTKMarkupToggleButton::m_pCheckedEvent, &CTKMarkupToggleButton::OnChecked);
  else if (n != 0)
    RaiseOwn(pButton, CTKMarkupToggleButton::m_pIndeterminateEvent, &CTKMarkupToggleButton::OnIndeterminate);
  else RaiseOwn(pButton, CTKMarkupToggleButton::m_pUncheckedEvent, &CTKMarkupToggleButton::OnUnchecked);
}

void FillColor(CTKMarkupDrawingContext* pDC, const RECT& rc, COLORREF clr) { pDC->FillSolidRect(rc, clr); }

}  // namespace

// ---- button base -------------------------------------------------------------------------------

void CTKMarkupButtonBase::RegisterMarkupDependencyProperties() {
  m_pClickEvent = CTKMarkupRoutedEvent::RegisterRoutedEvent(u"Click", RoutingBubble, GetMarkupClass());
  m_pIsPressedProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"IsPressed", CTKMarkupBool::GetMarkupClass(), GetMarkupClass(),
      new CTKMarkupPropertyMetadata(CTKMarkupBool::CreateBool(FALSE), MPF_AFFECTSARRANGE));
}

CTKMarkupButtonBase::CTKMarkupButtonBase() : m_pTheme(nullptr) {
  GetMarkupClass()->EnsureRegistered();
  SetValue(m_pFocusableProperty, CTKMarkupBool::CreateBool(TRUE));
}

CTKMarkupButtonBase::~CTKMarkupButtonBase() { delete m_pTheme; }

CTKWinThemeWrapper* CTKMarkupButtonBase::Theme() {
  if (!m_pTheme) m_pTheme = new CTKWinThemeWrapper(TRUE);
  return m_pTheme;
}

BOOL CTKMarkupButtonBase::IsPressed() const {
  const auto* p = MarkupDynamicCast<CTKMarkupBool>(GetValue(m_pIsPressedProperty));
  return p && p->GetValue();
}

BOOL CTKMarkupButtonBase::IsEnabledValue() const {
  const auto* p = MarkupDynamicCast<CTKMarkupBool>(GetValue(m_pIsEnabledProperty));
  return !p || p->GetValue();
}

int CTKMarkupButtonBase::GetBaseState() const {
  if (!IsEnabledValue()) return 4;
  if (IsPressed()) return 3;
  if (IsMouseOver()) return 2;
  return 1;
}

void CTKMarkupButtonBase::SetPressed(BOOL bPressed) {
  if (bPressed) {
    if (m_bPressed) return;
    m_bPressed = TRUE;
    SetValue(m_pIsPressedProperty, CTKMarkupBool::CreateBool(TRUE));
    return;
  }
  if (!m_bPressed) return;
  m_bPressed = FALSE;
  SetValue(m_pIsPressedProperty, nullptr);
  // The hover look of a press released elsewhere ends here.
  if (!m_bMouseInside && IsMouseOver()) {
    SetValue(m_pIsMouseOverProperty, nullptr);
    InvalidateVisual();
  }
}

void CTKMarkupButtonBase::OnClick() {
  CTKMarkupRoutedEventArgs* pArgs = new CTKMarkupRoutedEventArgs(m_pClickEvent, this);
  RaiseEvent(pArgs);
  pArgs->Release();
}

void CTKMarkupButtonBase::OnMouseEnter(CTKMarkupMouseEventArgs* e) {
  m_bMouseInside = TRUE;
  if (m_bPressed) {
    SetValue(m_pIsPressedProperty, CTKMarkupBool::CreateBool(TRUE));
    return;
  }
  CTKMarkupInputElement::OnMouseEnter(e);
  InvalidateVisual();
}

void CTKMarkupButtonBase::OnMouseLeave(CTKMarkupMouseEventArgs* e) {
  m_bMouseInside = FALSE;
  if (m_bPressed) {
    SetValue(m_pIsPressedProperty, nullptr);
    return;
  }
  CTKMarkupInputElement::OnMouseLeave(e);
  InvalidateVisual();
}

void CTKMarkupButtonBase::OnMouseLeftButtonDown(CTKMarkupMouseButtonEventArgs* e) {
  e->m_bHandled = TRUE;
  if (!IsEnabledValue()) return;
  Focus();
  SetPressed(TRUE);
  CaptureMouse();
}

void CTKMarkupButtonBase::OnMouseLeftButtonUp(CTKMarkupMouseButtonEventArgs* e) {
  if (!m_bPressed) return;
  ReleaseMouseCapture();
  SetPressed(FALSE);
  if (m_bMouseInside) OnClick();
  e->m_bHandled = TRUE;
}

void CTKMarkupButtonBase::OnLostMouseCapture(CTKMarkupMouseEventArgs*) { SetPressed(FALSE); }

// ---- push button -------------------------------------------------------------------------------

SIZE CTKMarkupButton::MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) {
  Theme()->OpenThemeData(nullptr, u"BUTTON");
  const CTKMarkupThickness* p = PaddingOf(this);
  const int dx = MarkupSaturate(static_cast<long long>(p->left) + p->right + 8);
  const int dy = MarkupSaturate(static_cast<long long>(p->top) + p->bottom + 8);
  CTKMarkupUIElement* pContent = GetContent();
  if (!pContent) return SIZE{dx, dy};
  pContent->Measure(pDC, std::max(0, MarkupSub(cx, dx)), std::max(0, MarkupSub(cy, dy)));
  return SIZE{MarkupAdd(pContent->GetDesiredSize().cx, dx), MarkupAdd(pContent->GetDesiredSize().cy, dy)};
}

SIZE CTKMarkupButton::ArrangeOverride(int cx, int cy) {
  if (CTKMarkupUIElement* pContent = GetContent()) {
    RECT rc{0, 0, cx, cy};
    // The content moves with the pressed look where that look is ours.
    if (IsPressed() && (!Theme()->IsAppThemed() || GetValue(CTKMarkupPanel::m_pBackgroundProperty))) {
      rc.left++;
      rc.top++;
      rc.right = MarkupAdd(rc.right, 1);
      rc.bottom = MarkupAdd(rc.bottom, 1);
    }
    rc = DeflateRectByThickness(rc.left, rc.top, rc.right, rc.bottom, PaddingOf(this));
    const int left = MarkupAdd(rc.left, 4), top = MarkupAdd(rc.top, 4);
    rc = RECT{left, top, std::max(left, MarkupSub(rc.right, 4)), std::max(top, MarkupSub(rc.bottom, 4))};
    pContent->Arrange(rc);
  }
  return SIZE{cx, cy};
}

void CTKMarkupButton::OnRender(CTKMarkupDrawingContext* pDC) {
  const RECT r{0, 0, m_szRenderSize.cx, m_szRenderSize.cy};
  CTKMarkupBrush* pBackground = MarkupDynamicCast<CTKMarkupBrush>(GetValue(CTKMarkupPanel::m_pBackgroundProperty));
  COLORREF clrLight, clrShadow, clrDark;
  if (pBackground) {
    const DWORD hsl = CTKDrawHelpers::RGBtoHSLPacked(pBackground->GetColor());
    const int h = hsl & 0xFF, s = (hsl >> 8) & 0xFF, l = (hsl >> 16) & 0xFF;
    auto pack = [h, s](int lum) { return static_cast<DWORD>(h | (s << 8) | (lum << 16)); };
    clrLight = CTKDrawHelpers::HSLPackedToRGB(pack((l + 240) / 2));
    clrShadow = CTKDrawHelpers::HSLPackedToRGB(pack(MulDiv(l, 2, 3)));
    clrDark = RGB(GetRValue(clrShadow) / 2, GetGValue(clrShadow) / 2, GetBValue(clrShadow) / 2);
    pDC->FillRectangle(r, pBackground);
  } else if (Theme()->IsAppThemed()) {
    HDC hDC = pDC->GetDC();
    Theme()->OpenThemeData(nullptr, u"BUTTON");
    Theme()->DrawThemeBackground(hDC, kPartPushButton, GetBaseState(), &r, nullptr);
    pDC->ReleaseDC(hDC);
    return;
  } else {
    clrLight = ::GetSysColor(COLOR_WINDOW);
    clrShadow = ::GetSysColor(COLOR_BTNSHADOW);
    clrDark = ::GetSysColor(COLOR_3DDKSHADOW);
    FillColor(pDC, r, ::GetSysColor(COLOR_BTNFACE));
  }
  if (IsPressed()) {
    CTKMarkupSolidColorBrush* pFrame =
        new CTKMarkupSolidColorBrush(new CTKMarkupColor(::GetSysColor(COLOR_WINDOWFRAME)));
    CTKMarkupSolidColorBrush* pShadow = new CTKMarkupSolidColorBrush(new CTKMarkupColor(clrShadow));
    pDC->DrawFrame(r, pFrame);
    pDC->DrawFrame(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, pShadow);
    pFrame->Release();
    pShadow->Release();
    return;
  }
  FillColor(pDC, RECT{r.left, r.top, r.right, 1}, clrLight);
  FillColor(pDC, RECT{r.left, r.top, r.left + 1, r.bottom}, clrLight);
  FillColor(pDC, RECT{r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1}, clrShadow);
  FillColor(pDC, RECT{r.right - 2, r.top + 1, r.right - 1, r.bottom - 1}, clrShadow);
  FillColor(pDC, RECT{r.left, r.bottom - 1, r.right - 1, r.bottom}, clrDark);
  FillColor(pDC, RECT{r.right - 1, r.top, r.right, r.bottom}, clrDark);
}

namespace {
void DrawFocus(CTKMarkupDrawingContext* pDC, const RECT& rc) {
  HDC hDC = pDC->GetDC();
  const COLORREF clrText = ::SetTextColor(hDC, RGB(255, 255, 255));
  const COLORREF clrBack = ::SetBkColor(hDC, RGB(0, 0, 0));
  ::DrawFocusRect(hDC, &rc);
  ::SetTextColor(hDC, clrText);
  ::SetBkColor(hDC, clrBack);
  pDC->ReleaseDC(hDC);
}
}  // namespace

void CTKMarkupButton::OnRenderFocusVisual(CTKMarkupDrawingContext* pDC) {
  DrawFocus(pDC, RECT{3, 3, m_szRenderSize.cx - 3, m_szRenderSize.cy - 3});
}

// ---- toggle button, check box, radio button ----------------------------------------------------

void CTKMarkupToggleButton::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  m_pCheckedEvent = CTKMarkupRoutedEvent::RegisterRoutedEvent(u"Checked", RoutingBubble, pOwner);
  m_pUncheckedEvent = CTKMarkupRoutedEvent::RegisterRoutedEvent(u"Unchecked", RoutingBubble, pOwner);
  m_pIndeterminateEvent = CTKMarkupRoutedEvent::RegisterRoutedEvent(u"Indeterminate", RoutingBubble, pOwner);
  m_pIsCheckedProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"IsChecked", CTKMarkupEnum::GetMarkupClass(), pOwner,
      new CTKMarkupPropertyMetadata(CTKMarkupEnum::CreateEnum(0), &ConvertIsChecked, &OnIsCheckedChanged,
                                    MPF_AFFECTSRENDER));
  m_pIsThreeStateProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"IsThreeState", CTKMarkupBool::GetMarkupClass(), pOwner,
      new CTKMarkupPropertyMetadata(CTKMarkupBool::CreateBool(FALSE), MPF_AFFECTSRENDER));
}

int CTKMarkupToggleButton::GetChecked() const { return MarkupEnumValue(GetValue(m_pIsCheckedProperty), 0); }

void CTKMarkupToggleButton::OnClick() {
  OnToggle();
  CTKMarkupButtonBase::OnClick();
}

void CTKMarkupToggleButton::OnToggle() {
  const int nChecked = GetChecked();
  int nNew;
  if (nChecked == 1) {
    const auto* pThree = MarkupDynamicCast<CTKMarkupBool>(GetValue(m_pIsThreeStateProperty));
    nNew = (pThree && pThree->GetValue()) ? 2 : 0;
  } else {
    nNew = nChecked == 2 ? 0 : 1;
  }
  SetValue(m_pIsCheckedProperty, CTKMarkupEnum::CreateEnum(nNew));
}

void CTKMarkupToggleButton::OnChecked(CTKMarkupRoutedEventArgs* e) { RaiseEvent(e); }
void CTKMarkupToggleButton::OnUnchecked(CTKMarkupRoutedEventArgs* e) { RaiseEvent(e); }
void CTKMarkupToggleButton::OnIndeterminate(CTKMarkupRoutedEventArgs* e) { RaiseEvent(e); }

SIZE CTKMarkupToggleButton::MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) {
  Theme()->OpenThemeData(nullptr, u"BUTTON");
  const CTKMarkupThickness* p = PaddingOf(this);
  const int dx = MarkupSaturate(static_cast<long long>(p->left) + p->right + 16);
  const int dy = MarkupAdd(p->top, p->bottom);
  CTKMarkupUIElement* pContent = GetContent();
  if (!pContent) return SIZE{dx, dy};
  pContent->Measure(pDC, std::max(0, MarkupSub(cx, dx)), std::max(0, MarkupSub(cy, dy)));
  return SIZE{MarkupAdd(pContent->GetDesiredSize().cx, dx),
              std::max<LONG>(13, MarkupAdd(pContent->GetDesiredSize().cy, dy))};
}

SIZE CTKMarkupToggleButton::ArrangeOverride(int cx, int cy) {
  if (CTKMarkupUIElement* pContent = GetContent()) {
    RECT rc = DeflateRectByThickness(0, 0, cx, cy, PaddingOf(this));
    rc.left = std::min(MarkupAdd(rc.left, 16), std::max(rc.right, rc.left));
    pContent->Arrange(rc);
  }
  return SIZE{cx, cy};
}

void CTKMarkupToggleButton::OnRenderFocusVisual(CTKMarkupDrawingContext* pDC) {
  if (GetContent()) DrawFocus(pDC, RECT{15, 0, m_szRenderSize.cx, m_szRenderSize.cy});
}

void CTKMarkupCheckBox::OnRender(CTKMarkupDrawingContext* pDC) {
  const int h = m_szRenderSize.cy;
  RECT rcGlyph{0, h / 2 - 6, 13, h / 2 + 7};
  const int nChecked = GetChecked();
  HDC hDC = pDC->GetDC();
  if (Theme()->IsAppThemed()) {
    Theme()->OpenThemeData(nullptr, u"BUTTON");
    const int nState = GetBaseState() + (nChecked == 1 ? 4 : nChecked == 2 ? 8 : 0);
    Theme()->DrawThemeBackground(hDC, kPartCheckBox, nState, &rcGlyph, nullptr);
  } else {
    UINT nFlags = DFCS_BUTTONCHECK;
    if (nChecked == 1) nFlags |= DFCS_CHECKED;
    if (nChecked == 2) nFlags |= DFCS_CHECKED | DFCS_BUTTON3STATE;
    if (IsPressed()) nFlags |= DFCS_PUSHED;
    ::DrawFrameControl(hDC, &rcGlyph, DFC_BUTTON, nFlags);
  }
  pDC->ReleaseDC(hDC);
}

void CTKMarkupRadioButton::OnToggle() { SetValue(m_pIsCheckedProperty, CTKMarkupEnum::CreateEnum(1)); }

void CTKMarkupRadioButton::OnChecked(CTKMarkupRoutedEventArgs* e) {
  // Radio buttons with the same visual parent form one group.
  if (CTKMarkupVisual* pParent = GetVisualParent()) {
    for (int i = 0; i < pParent->GetVisualChildrenCount(); i++) {
      auto* pSibling = MarkupDynamicCast<CTKMarkupRadioButton>(pParent->GetVisualChild(i));
      if (pSibling && pSibling != this && pSibling->GetChecked() != 0)
        pSibling->SetValue(m_pIsCheckedProperty, CTKMarkupEnum::CreateEnum(0));
    }
  }
  RaiseEvent(e);
}

SIZE CTKMarkupRadioButton::MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) {
  SIZE sz = CTKMarkupToggleButton::MeasureOverride(pDC, cx, cy);
  sz.cy = std::max<LONG>(sz.cy, 13);
  return sz;
}

void CTKMarkupRadioButton::OnRender(CTKMarkupDrawingContext* pDC) {
  const int h = m_szRenderSize.cy;
  RECT rcGlyph{0, h / 2 - 6, 13, h / 2 + 7};
  const int nChecked = GetChecked();
  HDC hDC = pDC->GetDC();
  if (Theme()->IsAppThemed()) {
    Theme()->OpenThemeData(nullptr, u"BUTTON");
    Theme()->DrawThemeBackground(hDC, kPartRadioButton, GetBaseState() + (nChecked ? 4 : 0), &rcGlyph, nullptr);
  } else {
    UINT nFlags = DFCS_BUTTONRADIO;
    if (nChecked) nFlags |= DFCS_CHECKED;
    if (IsPressed()) nFlags |= DFCS_PUSHED;
    ::DrawFrameControl(hDC, &rcGlyph, DFC_BUTTON, nFlags);
  }
  pDC->ReleaseDC(hDC);
}
