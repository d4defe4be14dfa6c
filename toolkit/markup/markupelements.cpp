#include "toolkit/markup/markupelements.h"

#include <algorithm>

#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupdrawingcontext.h"
#include "toolkit/markup/markuplayoutmath.h"
#include "toolkit/markup/markupstyle.h"
#include "toolkit/markup/markuptext.h"

namespace {
// Bounds a recursive walk of the element tree at kMaxTreeWalkDepth.
struct WalkDepth {
  static thread_local int s_nDepth;
  bool ok;
  WalkDepth() : ok(s_nDepth < kMaxTreeWalkDepth) { s_nDepth++; }
  ~WalkDepth() { s_nDepth--; }
};
thread_local int WalkDepth::s_nDepth = 0;

bool PtInRect(const RECT& rc, int x, int y) { return x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom; }
bool IntersectsRect(const RECT& a, const RECT& b) {
  return std::max(a.left, b.left) < std::min(a.right, b.right) && std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}
void OffsetRect(RECT* pRect, int dx, int dy) {
  pRect->left += dx;
  pRect->right += dx;
  pRect->top += dy;
  pRect->bottom += dy;
}
RECT UnionRect(const RECT& a, const RECT& b) {
  if (a.left >= a.right || a.top >= a.bottom) return b;
  if (b.left >= b.right || b.top >= b.bottom) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}
CTKMarkupPropertyMetadata* Meta(CTKMarkupObject* pDefault, DWORD dwFlags, PFNMARKUPCONVERTER pConverter = nullptr) {
  return new CTKMarkupPropertyMetadata(pDefault, pConverter, dwFlags);
}
}  // namespace

POINT CTKMarkupMouseEventArgs::GetPosition(CTKMarkupInputElement* pElement) const {
  POINT pt = {m_x, m_y};
  for (CTKMarkupObject* p = pElement; p; p = p->GetLogicalParent()) {
    if (CTKMarkupVisual* pVisual = MarkupDynamicCast<CTKMarkupVisual>(p)) {
      pt.x = MarkupSub(pt.x, pVisual->GetVisualOffset().x);
      pt.y = MarkupSub(pt.y, pVisual->GetVisualOffset().y);
    }
  }
  return pt;
}

// ---- visual -------------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS_NOFACTORY(CTKMarkupVisual)

CTKMarkupVisual::CTKMarkupVisual() : m_ptVisualOffset{0, 0}, m_szRenderSize{0, 0}, m_rcBounds{0, 0, 0, 0} {}

void CTKMarkupVisual::OnRenderSkipped(CTKMarkupDrawingContext* pDC) {
  for (int i = 0; i < GetVisualChildrenCount(); i++)
    if (CTKMarkupVisual* p = GetVisualChild(i)) p->OnRenderSkipped(pDC);
}

CTKMarkupVisual* CTKMarkupVisual::GetVisualParent() const {
  for (CTKMarkupObject* p = GetLogicalParent(); p; p = p->GetLogicalParent())
    if (CTKMarkupVisual* pVisual = MarkupDynamicCast<CTKMarkupVisual>(p)) return pVisual;
  return nullptr;
}

void CTKMarkupVisual::UpdateBounds() {
  WalkDepth depth;
  if (!depth.ok) return;
  RECT rc = {0, 0, m_szRenderSize.cx, m_szRenderSize.cy};
  for (int i = 0; i < GetVisualChildrenCount(); i++) {
    CTKMarkupVisual* pChild = GetVisualChild(i);
    if (!pChild) continue;
    pChild->UpdateBounds();
    RECT rcChild = pChild->m_rcBounds;
    rcChild.left = MarkupAdd(rcChild.left, pChild->m_ptVisualOffset.x);
    rcChild.right = MarkupAdd(rcChild.right, pChild->m_ptVisualOffset.x);
    rcChild.top = MarkupAdd(rcChild.top, pChild->m_ptVisualOffset.y);
    rcChild.bottom = MarkupAdd(rcChild.bottom, pChild->m_ptVisualOffset.y);
    rc = UnionRect(rc, rcChild);
  }
  m_rcBounds = rc;
}

CTKMarkupInputElement* CTKMarkupVisual::InputHitTest(int x, int y) {
  WalkDepth depth;
  if (!depth.ok) return nullptr;
  int px = MarkupSub(x, m_ptVisualOffset.x), py = MarkupSub(y, m_ptVisualOffset.y);
  if (!PtInRect(m_rcBounds, px, py)) return nullptr;
  RECT rcClip;
  if (GetLayoutClip(rcClip) && !PtInRect(rcClip, px, py)) return nullptr;
  for (int i = GetVisualChildrenCount() - 1; i >= 0; i--) {
    CTKMarkupVisual* pChild = GetVisualChild(i);
    if (!pChild) continue;
    if (CTKMarkupInputElement* pHit = pChild->InputHitTest(px, py)) return pHit;
  }
  RECT rcSelf = {0, 0, m_szRenderSize.cx, m_szRenderSize.cy};
  return PtInRect(rcSelf, px, py) ? HitTestCore(px, py) : nullptr;
}

void CTKMarkupVisual::Render(CTKMarkupDrawingContext* pDC) {
  WalkDepth depth;
  if (!depth.ok) return;
  RECT rcBox = pDC->GetClipBox();
  rcBox = RECT{MarkupSub(rcBox.left, m_ptVisualOffset.x), MarkupSub(rcBox.top, m_ptVisualOffset.y),
               MarkupSub(rcBox.right, m_ptVisualOffset.x), MarkupSub(rcBox.bottom, m_ptVisualOffset.y)};
  if (!IntersectsRect(m_rcBounds, rcBox)) {
    OnRenderSkipped(pDC);
    return;
  }
  RECT rcClip;
  const BOOL bClip = GetLayoutClip(rcClip);
  if (bClip) {
    if (rcClip.left >= rcClip.right || rcClip.top >= rcClip.bottom) {
      OnRenderSkipped(pDC);
      return;
    }
    RECT rcCut{std::max(rcBox.left, rcClip.left), std::max(rcBox.top, rcClip.top), std::min(rcBox.right, rcClip.right),
               std::min(rcBox.bottom, rcClip.bottom)};
    if (!IntersectsRect(m_rcBounds, rcCut)) {
      OnRenderSkipped(pDC);
      return;
    }
  }
  if (!pDC->CanOffsetOrigin(m_ptVisualOffset)) {
    OnRenderSkipped(pDC);
    return;
  }
  pDC->OffsetOrigin(m_ptVisualOffset);
  HRGN hSavedClip = nullptr;
  if (bClip) {
    hSavedClip = pDC->SaveClip();
    pDC->IntersectClip(rcClip);
  }
  OnRender(pDC);
  for (int i = 0; i < GetVisualChildrenCount(); i++)
    if (CTKMarkupVisual* pChild = GetVisualChild(i)) pChild->Render(pDC);
  CTKMarkupBool* pFocused = MarkupDynamicCast<CTKMarkupBool>(GetValue(m_pIsKeyboardFocusedProperty));
  if (pFocused && pFocused->GetValue()) OnRenderFocusVisual(pDC);
  if (bClip) pDC->RestoreClip(hSavedClip);
  pDC->OffsetOrigin(POINT{MarkupSub(0, m_ptVisualOffset.x), MarkupSub(0, m_ptVisualOffset.y)});
}

// ---- UI element ----------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS_NOFACTORY(CTKMarkupUIElement)

CTKMarkupDependencyProperty* CTKMarkupUIElement::m_pClipToBoundsProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupUIElement::m_pVisibilityProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupUIElement::m_pFocusableProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupUIElement::m_pIsEnabledProperty = nullptr;

void CTKMarkupUIElement::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  m_pClipToBoundsProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"ClipToBounds", CTKMarkupBool::GetMarkupClass(), pOwner);
  m_pVisibilityProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Visibility", CTKMarkupEnum::GetMarkupClass(), pOwner, Meta(nullptr, MPF_AFFECTSMEASURE, &ConvertVisibility));
  m_pFocusableProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Focusable", CTKMarkupBool::GetMarkupClass(), pOwner, Meta(CTKMarkupBool::CreateBool(FALSE), 0));
  m_pIsEnabledProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"IsEnabled", CTKMarkupBool::GetMarkupClass(), pOwner, Meta(CTKMarkupBool::CreateBool(TRUE), 0));
}

CTKMarkupUIElement::CTKMarkupUIElement()
    : m_szDesiredSize{0, 0},
      m_rcFinalRect{0, 0, 0, 0},
      m_szPreviousAvailable{0, 0},
      m_bForceMeasure(false),
      m_bMeasureDirty(true),
      m_bArrangeNeeded(false),
      m_bArrangeDirty(true),
      m_bInArrange(false),
      m_bInMeasure(false) {}

int CTKMarkupUIElement::GetVisibility() const { return MarkupEnumValue(GetValue(m_pVisibilityProperty), 0); }

BOOL CTKMarkupUIElement::GetLayoutClip(RECT& rcClip) const {
  if (GetVisibility() != 0) {
    rcClip = RECT{0, 0, 0, 0};
    return TRUE;
  }
  return FALSE;
}

void CTKMarkupUIElement::ArrangeCore(int left, int top, int right, int bottom) {
  m_szRenderSize = SIZE{MarkupSub(right, left), MarkupSub(bottom, top)};
}
SIZE CTKMarkupUIElement::MeasureCore(CTKMarkupDrawingContext*, int, int) { return SIZE{0, 0}; }

void CTKMarkupUIElement::Measure(CTKMarkupDrawingContext* pDC, int cx, int cy) {
  if (GetVisibility() == 2) {
    m_szPreviousAvailable = SIZE{cx, cy};
    m_bForceMeasure = TRUE;
    m_bMeasureDirty = FALSE;
    m_szDesiredSize = SIZE{0, 0};
    return;
  }
  if (!m_bForceMeasure && !m_bMeasureDirty && cx == m_szPreviousAvailable.cx && cy == m_szPreviousAvailable.cy) return;
  m_bArrangeNeeded = TRUE;
  m_bInMeasure = TRUE;
  m_bMeasureDirty = FALSE;
  m_szDesiredSize = MeasureCore(pDC, cx, cy);
  m_szPreviousAvailable = SIZE{cx, cy};
  m_bInMeasure = FALSE;
  m_bForceMeasure = FALSE;
}

void CTKMarkupUIElement::Arrange(RECT rc) {
  if (GetVisibility() == 2) {
    m_rcFinalRect = rc;
    m_bArrangeDirty = FALSE;
    m_bArrangeNeeded = FALSE;
    return;
  }
  // Never measured: measure with the rectangle's size first.
  if (m_bMeasureDirty) {
    CTKMarkupDrawingContext dc(m_pMarkupContext);
    Measure(&dc, MarkupSub(rc.right, rc.left), MarkupSub(rc.bottom, rc.top));
  }
  if (m_bArrangeNeeded || m_bArrangeDirty || rc.left != m_rcFinalRect.left || rc.top != m_rcFinalRect.top ||
      rc.right != m_rcFinalRect.right || rc.bottom != m_rcFinalRect.bottom) {
    m_bArrangeDirty = FALSE;
    m_bInArrange = TRUE;
    ArrangeCore(rc.left, rc.top, rc.right, rc.bottom);
    m_bInArrange = FALSE;
    UpdateBounds();
  }
  m_rcFinalRect = rc;
  m_bArrangeNeeded = FALSE;
}

void CTKMarkupUIElement::InvalidateVisual() {
  if (m_pMarkupContext) m_pMarkupContext->InvalidateElement(this);
}

void CTKMarkupUIElement::InvalidateArrange() {
  if (m_bInArrange || m_bArrangeDirty) return;
  m_bArrangeNeeded = TRUE;
  Arrange(m_rcFinalRect);
  InvalidateVisual();
}

void CTKMarkupUIElement::InvalidateMeasure() {
  // While a measure runs or one is still pending (as while a tree is being
  // built) nothing is measured now: no device context is needed, and making
  // one per change was most of the cost of building a tree.
  if (m_bInMeasure || m_bMeasureDirty) {
    InvalidateMeasureCore(nullptr);
    return;
  }
  CTKMarkupDrawingContext dc(m_pMarkupContext);
  InvalidateMeasureCore(&dc);
}

void CTKMarkupUIElement::InvalidateMeasureCore(CTKMarkupDrawingContext* pDC) {
  WalkDepth depth;
  if (!depth.ok || m_bInMeasure || m_bMeasureDirty) return;
  SIZE szOld = m_szDesiredSize;
  m_bForceMeasure = TRUE;
  m_bArrangeNeeded = TRUE;
  Measure(pDC, m_szPreviousAvailable.cx, m_szPreviousAvailable.cy);
  if (szOld.cx == m_szDesiredSize.cx && szOld.cy == m_szDesiredSize.cy) {
    Arrange(m_rcFinalRect);
    InvalidateVisual();
    return;
  }
  m_bForceMeasure = TRUE;
  m_bArrangeNeeded = TRUE;
  if (CTKMarkupUIElement* pParent = MarkupDynamicCast<CTKMarkupUIElement>(GetVisualParent()))
    pParent->InvalidateMeasureCore(pDC);
  else if (m_pMarkupContext) m_pMarkupContext->InvalidateHost();
}

// ---- framework element --------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupFrameworkElement)

CTKMarkupDependencyProperty* CTKMarkupFrameworkElement::m_pMarginProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupFrameworkElement::m_pHorizontalAlignmentProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupFrameworkElement::m_pVerticalAlignmentProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupFrameworkElement::m_pWidthProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupFrameworkElement::m_pHeightProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupFrameworkElement::m_pMinWidthProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupFrameworkElement::m_pMinHeightProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupFrameworkElement::m_pMaxWidthProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupFrameworkElement::m_pMaxHeightProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupFrameworkElement::m_pTagProperty = nullptr;

void CTKMarkupFrameworkElement::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  CTKMarkupType* pInt = CTKMarkupInt::GetMarkupClass();
  m_pMarginProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Margin", CTKMarkupThickness::GetMarkupClass(), pOwner,
      Meta(CTKMarkupThickness::GetSharedZeroThickness(), MPF_AFFECTSMEASURE, &CTKMarkupThickness::ConvertText));
  m_pHorizontalAlignmentProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"HorizontalAlignment", CTKMarkupEnum::GetMarkupClass(), pOwner,
                                                    Meta(nullptr, MPF_AFFECTSARRANGE, &ConvertHorizontalAlignment));
  m_pVerticalAlignmentProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"VerticalAlignment", CTKMarkupEnum::GetMarkupClass(), pOwner,
                                                    Meta(nullptr, MPF_AFFECTSARRANGE, &ConvertVerticalAlignment));
  m_pWidthProperty = CTKMarkupDependencyProperty::RegisterProperty(u"Width", pInt, pOwner,
                                                                   Meta(nullptr, MPF_AFFECTSMEASURE, &ConvertLength));
  m_pHeightProperty = CTKMarkupDependencyProperty::RegisterProperty(u"Height", pInt, pOwner,
                                                                    Meta(nullptr, MPF_AFFECTSMEASURE, &ConvertLength));
  m_pMinWidthProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"MinWidth", pInt, pOwner, Meta(nullptr, MPF_AFFECTSMEASURE, &ConvertLength));
  m_pMinHeightProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"MinHeight", pInt, pOwner, Meta(nullptr, MPF_AFFECTSMEASURE, &ConvertLength));
  m_pMaxWidthProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"MaxWidth", pInt, pOwner, Meta(nullptr, MPF_AFFECTSMEASURE, &ConvertLength));
  m_pMaxHeightProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"MaxHeight", pInt, pOwner, Meta(nullptr, MPF_AFFECTSMEASURE, &ConvertLength));
  m_pTagProperty = CTKMarkupDependencyProperty::RegisterProperty(u"Tag", CTKMarkupObject::GetMarkupClass(), pOwner);
}

CTKMarkupFrameworkElement::CTKMarkupFrameworkElement()
    : m_szUnclippedDesired{0, 0}, m_bNeedsClipBounds(false), m_bUnclippedDesiredSize(false) {}

void CTKMarkupFrameworkElement::OnPropertyChanged(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pOldValue,
                                                  CTKMarkupObject* pNewValue) {
  CTKMarkupObject::OnPropertyChanged(pProperty, pOldValue, pNewValue);
  ApplyTriggers(pProperty, pNewValue);
  DWORD dwFlags = pProperty->GetFlags();
  if (dwFlags & MPF_AFFECTSMEASURE) InvalidateMeasure();
  if (dwFlags & MPF_AFFECTSARRANGE) InvalidateArrange();
  if (dwFlags & MPF_AFFECTSRENDER) InvalidateVisual();
}

bool CTKMarkupFrameworkElement::ChangesGoUnseen(CTKMarkupDependencyProperty* pProperty) const {
  // An element never measured has nothing laid out or drawn to invalidate:
  // its first measure reads every value.
  return m_bMeasureDirty && m_bArrangeDirty && !m_bInMeasure && !m_bInArrange &&
         CTKMarkupUIElement::ChangesGoUnseen(pProperty);
}

const CTKMarkupThickness* CTKMarkupFrameworkElement::GetMargin() const {
  return MarkupDynamicCast<CTKMarkupThickness>(GetValue(m_pMarginProperty));
}
int CTKMarkupFrameworkElement::GetHorizontalAlignment() const {
  return MarkupEnumValue(GetValue(m_pHorizontalAlignmentProperty), 3);
}
int CTKMarkupFrameworkElement::GetVerticalAlignment() const {
  return MarkupEnumValue(GetValue(m_pVerticalAlignmentProperty), 3);
}

CTKMarkupFrameworkElement::MinMax CTKMarkupFrameworkElement::GetMinMax() const {
  auto size = [&](CTKMarkupDependencyProperty* p, int nUnset) {
    int n = MarkupIntValue(GetValue(p), nUnset);
    return n == INT_MAX ? nUnset : n;
  };
  MinMax m;
  int height = MarkupIntValue(GetValue(m_pHeightProperty), INT_MAX);
  bool heightSet = height != INT_MAX;
  int minHeight = MarkupIntValue(GetValue(m_pMinHeightProperty), 0);
  m.maxHeight = std::max(
      std::min(heightSet ? height : INT_MAX, MarkupIntValue(GetValue(m_pMaxHeightProperty), INT_MAX)), minHeight);
  m.minHeight = std::max(std::min(m.maxHeight, heightSet ? height : 0), minHeight);
  int width = MarkupIntValue(GetValue(m_pWidthProperty), INT_MAX);
  bool widthSet = width != INT_MAX;
  int minWidth = MarkupIntValue(GetValue(m_pMinWidthProperty), 0);
  m.maxWidth =
      std::max(std::min(widthSet ? width : INT_MAX, MarkupIntValue(GetValue(m_pMaxWidthProperty), INT_MAX)), minWidth);
  m.minWidth = std::max(std::min(m.maxWidth, widthSet ? width : 0), minWidth);
  (void)size;
  return m;
}

static int Inside(int available, int marginSum) {
  if (available > 1073741823 || -static_cast<long long>(marginSum) > 1073741823) return INT_MAX;
  long long d = static_cast<long long>(available) - marginSum;
  return d > 0 ? static_cast<int>(std::min<long long>(d, INT_MAX)) : 0;
}

SIZE CTKMarkupFrameworkElement::MeasureCore(CTKMarkupDrawingContext* pDC, int aw, int ah) {
  const CTKMarkupThickness* m = GetMargin();
  int mw = m ? MarkupAdd(m->left, m->right) : 0, mh = m ? MarkupAdd(m->top, m->bottom) : 0;
  int w = Inside(aw, mw), h = Inside(ah, mh);
  MinMax mm = GetMinMax();
  w = std::max(mm.minWidth, std::min(w, mm.maxWidth));
  h = std::max(mm.minHeight, std::min(h, mm.maxHeight));
  SIZE d = MeasureOverride(pDC, w, h);
  int uw = std::max<int>(d.cx, mm.minWidth), uh = std::max<int>(d.cy, mm.minHeight);
  bool clipped = false;
  long long cw = uw, ch = uh;
  if (uw > mm.maxWidth) {
    cw = mm.maxWidth;
    clipped = true;
  }
  if (uh > mm.maxHeight) {
    ch = mm.maxHeight;
    clipped = true;
  }
  cw += mw;
  ch += mh;
  if (cw > aw) {
    cw = aw;
    clipped = true;
  }
  if (ch > ah) {
    ch = ah;
    clipped = true;
  }
  m_bNeedsClipBounds = FALSE;
  m_bUnclippedDesiredSize = FALSE;
  if (clipped || cw < 0 || ch < 0) {
    m_bNeedsClipBounds = TRUE;
    m_bUnclippedDesiredSize = TRUE;
    m_szUnclippedDesired = SIZE{uw, uh};
  }
  return SIZE{static_cast<LONG>(std::max<long long>(cw, 0)), static_cast<LONG>(std::max<long long>(ch, 0))};
}

POINT CTKMarkupFrameworkElement::AlignmentOffset(int cw, int ch, int iw, int ih) const {
  int ha = GetHorizontalAlignment(), va = GetVerticalAlignment();
  if (ha == 3 && iw > cw) ha = 0;
  if (va == 3 && ih > ch) va = 0;
  POINT pt = {0, 0};
  if (ha == 1 || ha == 3) pt.x = MarkupSaturate((static_cast<long long>(cw) - iw) / 2);
  else if (ha == 2) pt.x = MarkupSub(cw, iw);
  if (va == 1 || va == 3) pt.y = MarkupSaturate((static_cast<long long>(ch) - ih) / 2);
  else if (va == 2) pt.y = MarkupSub(ch, ih);
  return pt;
}

void CTKMarkupFrameworkElement::ArrangeCore(int left, int top, int right, int bottom) {
  const CTKMarkupThickness* m = GetMargin();
  int ml = m ? m->left : 0, mt = m ? m->top : 0;
  int mw = m ? MarkupAdd(m->left, m->right) : 0, mh = m ? MarkupAdd(m->top, m->bottom) : 0;
  // The slot less the margins, in 64 bits: both may be anything markup says.
  const int cw = MarkupSaturate(std::max<long long>(static_cast<long long>(right) - left - mw, 0));
  const int ch = MarkupSaturate(std::max<long long>(static_cast<long long>(bottom) - top - mh, 0));
  int aw = cw, ah = ch;
  int uw, uh;
  if (m_bUnclippedDesiredSize) {
    uw = m_szUnclippedDesired.cx;
    uh = m_szUnclippedDesired.cy;
  } else {
    uw = MarkupSub(m_szDesiredSize.cx, mw);
    uh = MarkupSub(m_szDesiredSize.cy, mh);
  }
  if (aw < uw) {
    aw = uw;
    m_bNeedsClipBounds = TRUE;
  }
  if (ah < uh) {
    ah = uh;
    m_bNeedsClipBounds = TRUE;
  }
  if (GetHorizontalAlignment() != 3) aw = uw;
  if (GetVerticalAlignment() != 3) ah = uh;
  MinMax mm = GetMinMax();
  int emw = std::max(uw, mm.maxWidth);
  if (emw < aw) {
    aw = emw;
    m_bNeedsClipBounds = TRUE;
  }
  int emh = std::max(uh, mm.maxHeight);
  if (emh < ah) {
    ah = emh;
    m_bNeedsClipBounds = TRUE;
  }
  SIZE r = ArrangeOverride(aw, ah);
  m_szRenderSize = r;
  int iw = std::min<int>(r.cx, mm.maxWidth), ih = std::min<int>(r.cy, mm.maxHeight);
  if (iw < r.cx || ih < r.cy) m_bNeedsClipBounds = TRUE;
  if (cw < iw || ch < ih) m_bNeedsClipBounds = TRUE;
  POINT o = AlignmentOffset(cw, ch, iw, ih);
  m_ptVisualOffset = POINT{MarkupSaturate(static_cast<long long>(left) + ml + o.x),
                           MarkupSaturate(static_cast<long long>(top) + mt + o.y)};
}

BOOL CTKMarkupFrameworkElement::GetLayoutClip(RECT& rcClip) const {
  if (CTKMarkupUIElement::GetLayoutClip(rcClip)) return TRUE;
  CTKMarkupBool* pClip = MarkupDynamicCast<CTKMarkupBool>(GetValue(m_pClipToBoundsProperty));
  BOOL bClipToBounds = pClip && pClip->GetValue();
  if (!bClipToBounds && !m_bNeedsClipBounds) return FALSE;
  MinMax mm = GetMinMax();
  int mwc = mm.maxWidth != INT_MAX ? mm.maxWidth : m_szRenderSize.cx;
  int mhc = mm.maxHeight != INT_MAX ? mm.maxHeight : m_szRenderSize.cy;
  bool local = bClipToBounds || mwc < m_szRenderSize.cx || mhc < m_szRenderSize.cy;
  int iw = std::min<int>(m_szRenderSize.cx, mm.maxWidth), ih = std::min<int>(m_szRenderSize.cy, mm.maxHeight);
  const CTKMarkupThickness* m = GetMargin();
  const int mw = m ? MarkupAdd(m->left, m->right) : 0, mh = m ? MarkupAdd(m->top, m->bottom) : 0;
  int sw =
          MarkupSaturate(std::max<long long>(static_cast<long long>(m_rcFinalRect.right) - m_rcFinalRect.left - mw, 0)),
      sh =
          MarkupSaturate(std::max<long long>(static_cast<long long>(m_rcFinalRect.bottom) - m_rcFinalRect.top - mh, 0));
  bool slot = bClipToBounds || sw < iw || sh < ih;
  if (!slot) {
    if (!local) return FALSE;
    rcClip = RECT{0, 0, mwc, mhc};
    return TRUE;
  }
  POINT o = AlignmentOffset(sw, sh, iw, ih);
  rcClip = RECT{MarkupSub(0, o.x), MarkupSub(0, o.y), MarkupSub(sw, o.x), MarkupSub(sh, o.y)};
  if (local) {
    rcClip.left = std::max<LONG>(rcClip.left, 0);
    rcClip.top = std::max<LONG>(rcClip.top, 0);
    rcClip.right = std::min<LONG>(rcClip.right, mwc);
    rcClip.bottom = std::min<LONG>(rcClip.bottom, mhc);
  }
  return TRUE;
}

// ---- brushes ---------------------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupBrush)
TK_DEFINE_MARKUPCLASS(CTKMarkupSolidColorBrush)
TK_DEFINE_MARKUPCLASS(CTKMarkupPoint)
TK_DEFINE_MARKUPCLASS(CTKMarkupGradientStop)
TK_DEFINE_MARKUPCLASS(CTKMarkupGradientStops)
TK_DEFINE_MARKUPCLASS(CTKMarkupLinearGradientBrush)

CTKMarkupDependencyProperty* CTKMarkupSolidColorBrush::m_pColorProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupGradientStop::m_pColorProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupGradientStop::m_pOffsetProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupLinearGradientBrush::m_pStartPointProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupLinearGradientBrush::m_pEndPointProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupLinearGradientBrush::m_pGradientStopsProperty = nullptr;

CTKMarkupObject* CTKMarkupBrush::ConvertFrom(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  DWORD dw;
  if (!pString || !CTKMarkupColor::ParseColorText(pString->GetBuffer(), pString->GetLength(), dw)) return nullptr;
  return new CTKMarkupSolidColorBrush(CTKMarkupColor::FromARGB(dw));
}

void CTKMarkupSolidColorBrush::RegisterMarkupDependencyProperties() {
  m_pColorProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"Color", CTKMarkupColor::GetMarkupClass(), GetMarkupClass());
}

CTKMarkupSolidColorBrush::CTKMarkupSolidColorBrush(CTKMarkupColor* pColor) {
  GetMarkupClass()->EnsureRegistered();
  if (pColor && !SetValue(m_pColorProperty, pColor)) pColor->Release();
}

COLORREF CTKMarkupSolidColorBrush::GetColor() const {
  CTKMarkupColor* p = MarkupDynamicCast<CTKMarkupColor>(GetValue(m_pColorProperty));
  return p ? p->GetColor() : 0;
}

BOOL CTKMarkupSolidColorBrush::IsEqual(const CTKMarkupObject* pOther) const {
  const CTKMarkupSolidColorBrush* p = MarkupDynamicCast<CTKMarkupSolidColorBrush>(pOther);
  return p && p->GetColor() == GetColor();
}

CTKMarkupObject* CTKMarkupPoint::ConvertFrom(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString) return nullptr;
  LPCWSTR p = pString->GetBuffer();
  double x, y;
  if (!ReadNumber(p, x, ',', FALSE) || !ReadNumber(p, y, ',', TRUE)) return nullptr;
  return new CTKMarkupPoint(x, y);
}

void CTKMarkupGradientStop::RegisterMarkupDependencyProperties() {
  m_pColorProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"Color", CTKMarkupColor::GetMarkupClass(), GetMarkupClass());
  m_pOffsetProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"Offset", CTKMarkupDouble::GetMarkupClass(), GetMarkupClass());
}

CTKMarkupGradientStops::CTKMarkupGradientStops() { m_pElementType = CTKMarkupGradientStop::GetMarkupClass(); }

void CTKMarkupLinearGradientBrush::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  m_pStartPointProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"StartPoint", CTKMarkupPoint::GetMarkupClass(), pOwner);
  m_pEndPointProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"EndPoint", CTKMarkupPoint::GetMarkupClass(), pOwner);
  m_pGradientStopsProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"GradientStops", CTKMarkupGradientStops::GetMarkupClass(), pOwner);
}

CTKMarkupLinearGradientBrush::CTKMarkupLinearGradientBrush() {
  GetMarkupClass()->EnsureRegistered();
  SetValue(m_pGradientStopsProperty, new CTKMarkupGradientStops());
}

void CTKMarkupLinearGradientBrush::SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) {
  CTKMarkupGradientStops* pStops = MarkupDynamicCast<CTKMarkupGradientStops>(GetValue(m_pGradientStopsProperty));
  if (!pStops) {
    CTKMarkupObject::SetContentObject(pBuilder, pContent);
    return;
  }
  pStops->SetContentObject(pBuilder, pContent);
}

COLORREF CTKMarkupLinearGradientBrush::GetColor() const {
  CTKMarkupGradientStops* pStops = MarkupDynamicCast<CTKMarkupGradientStops>(GetValue(m_pGradientStopsProperty));
  if (!pStops || pStops->GetCount() == 0) return 0;
  CTKMarkupColor* pColor =
      MarkupDynamicCast<CTKMarkupColor>(pStops->GetItem(0)->GetValue(CTKMarkupGradientStop::m_pColorProperty));
  return pColor ? pColor->GetColor() : 0;
}

// ---- panels ------------------------------------------------------------------------------------------

CTKMarkupUIElementCollection::CTKMarkupUIElementCollection() { m_pElementType = CTKMarkupUIElement::GetMarkupClass(); }

void CTKMarkupUIElementCollection::OnChanged() {
  if (CTKMarkupUIElement* pParent = MarkupDynamicCast<CTKMarkupUIElement>(GetLogicalParent()))
    pParent->InvalidateMeasure();
}

TK_DEFINE_MARKUPCLASS(CTKMarkupPanel)
TK_DEFINE_MARKUPCLASS(CTKMarkupStackPanel)
TK_DEFINE_MARKUPCLASS(CTKMarkupWrapPanel)
TK_DEFINE_MARKUPCLASS(CTKMarkupDockPanel)
TK_DEFINE_MARKUPCLASS(CTKMarkupUniformGrid)
TK_DEFINE_MARKUPCLASS(CTKMarkupCanvas)

CTKMarkupDependencyProperty* CTKMarkupPanel::m_pBackgroundProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupStackPanel::m_pOrientationProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupWrapPanel::m_pOrientationProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupWrapPanel::m_pItemHeightProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupWrapPanel::m_pItemWidthProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupDockPanel::m_pLastChildFillProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupUniformGrid::m_pFirstColumnProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupUniformGrid::m_pColumnsProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupUniformGrid::m_pRowsProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupDockPanel::m_pDockProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupCanvas::m_pTopProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupCanvas::m_pRightProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupCanvas::m_pLeftProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupCanvas::m_pBottomProperty = nullptr;

void CTKMarkupPanel::RegisterMarkupDependencyProperties() {
  m_pBackgroundProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Background", CTKMarkupBrush::GetMarkupClass(), GetMarkupClass(), Meta(nullptr, MPF_AFFECTSRENDER));
}

CTKMarkupPanel::CTKMarkupPanel() : m_pChildren(new CTKMarkupUIElementCollection()) {
  m_pChildren->SetLogicalParent(this);
}

CTKMarkupPanel::~CTKMarkupPanel() {
  m_pChildren->SetLogicalParent(nullptr);
  m_pChildren->Release();
}

void CTKMarkupPanel::SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) {
  m_pChildren->SetContentObject(pBuilder, pContent);
}

CTKMarkupVisual* CTKMarkupPanel::GetVisualChild(int nIndex) const {
  return (nIndex >= 0 && nIndex < m_pChildren->GetCount()) ? static_cast<CTKMarkupVisual*>(m_pChildren->GetItem(nIndex))
                                                           : nullptr;
}

CTKMarkupInputElement* CTKMarkupPanel::HitTestCore(int, int) {
  return GetValue(m_pBackgroundProperty) ? this : nullptr;
}

void CTKMarkupStackPanel::RegisterMarkupDependencyProperties() {
  m_pOrientationProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"Orientation", CTKMarkupEnum::GetMarkupClass(), GetMarkupClass(),
                                                    Meta(nullptr, MPF_AFFECTSMEASURE, &ConvertOrientation));
}

void CTKMarkupWrapPanel::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  m_pOrientationProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Orientation", CTKMarkupEnum::GetMarkupClass(), pOwner, Meta(nullptr, MPF_AFFECTSMEASURE, &ConvertOrientation));
  m_pItemHeightProperty = CTKMarkupDependencyProperty::RegisterProperty(u"ItemHeight", CTKMarkupInt::GetMarkupClass(),
                                                                        pOwner, Meta(nullptr, MPF_AFFECTSMEASURE));
  m_pItemWidthProperty = CTKMarkupDependencyProperty::RegisterProperty(u"ItemWidth", CTKMarkupInt::GetMarkupClass(),
                                                                       pOwner, Meta(nullptr, MPF_AFFECTSMEASURE));
}

namespace {
// A child's Dock changed: its dock panel lays out again.
void OnDockChanged(CTKMarkupObject* pObject, PropertyChangedArgs*) {
  CTKMarkupVisual* pVisual = MarkupDynamicCast<CTKMarkupVisual>(pObject);
  if (!pVisual) return;
  if (CTKMarkupDockPanel* pPanel = MarkupDynamicCast<CTKMarkupDockPanel>(pVisual->GetVisualParent()))
    pPanel->InvalidateMeasure();
}
}  // namespace

void CTKMarkupDockPanel::RegisterMarkupDependencyProperties() {
  m_pLastChildFillProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"LastChildFill", CTKMarkupBool::GetMarkupClass(), GetMarkupClass(),
                                                    Meta(CTKMarkupBool::CreateBool(TRUE), MPF_AFFECTSARRANGE));
  m_pDockProperty = CTKMarkupDependencyProperty::RegisterAttachedProperty(
      u"Dock", CTKMarkupEnum::GetMarkupClass(), GetMarkupClass(),
      new CTKMarkupPropertyMetadata(nullptr, &ConvertDock, &OnDockChanged, 0));
}

void CTKMarkupUniformGrid::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  m_pFirstColumnProperty = CTKMarkupDependencyProperty::RegisterProperty(u"FirstColumn", CTKMarkupInt::GetMarkupClass(),
                                                                         pOwner, Meta(nullptr, MPF_AFFECTSMEASURE));
  m_pColumnsProperty = CTKMarkupDependencyProperty::RegisterProperty(u"Columns", CTKMarkupInt::GetMarkupClass(), pOwner,
                                                                     Meta(nullptr, MPF_AFFECTSMEASURE));
  m_pRowsProperty = CTKMarkupDependencyProperty::RegisterProperty(u"Rows", CTKMarkupInt::GetMarkupClass(), pOwner,
                                                                  Meta(nullptr, MPF_AFFECTSMEASURE));
}

void CTKMarkupCanvas::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  m_pTopProperty =
      CTKMarkupDependencyProperty::RegisterAttachedProperty(u"Top", CTKMarkupInt::GetMarkupClass(), pOwner);
  m_pRightProperty =
      CTKMarkupDependencyProperty::RegisterAttachedProperty(u"Right", CTKMarkupInt::GetMarkupClass(), pOwner);
  m_pLeftProperty =
      CTKMarkupDependencyProperty::RegisterAttachedProperty(u"Left", CTKMarkupInt::GetMarkupClass(), pOwner);
  m_pBottomProperty =
      CTKMarkupDependencyProperty::RegisterAttachedProperty(u"Bottom", CTKMarkupInt::GetMarkupClass(), pOwner);
}

// ---- decorator, border, page ------------------------------------------------------------------------

void CTKMarkupDecorator::SetContentObject(CTKMarkupBuilder*, CTKMarkupObject* pContent) {
  CTKMarkupUIElement* pElement = MarkupDynamicCast<CTKMarkupUIElement>(pContent);
  LPCWSTR lpszContent = pContent ? pContent->GetType()->GetClassName() : u"";
  if (!pElement)
    ThrowBuildError(FormatStringWithArgs(
        u"'%ls' object cannot be added to '%ls'. Object cannot be converted to type 'CTKMarkupUIElement'", lpszContent,
        GetType()->GetClassName()));
  if (m_pChild)
    ThrowBuildError(
        FormatStringWithArgs(u"'%ls' already has a child and cannot add '%ls'. '%ls' can accept only one child.",
                             GetType()->GetClassName(), lpszContent, GetType()->GetClassName()));
  SetChild(pElement);
}

CTKMarkupVisual* CTKMarkupDecorator::GetVisualChild(int nIndex) const { return nIndex == 0 ? m_pChild : nullptr; }

void CTKMarkupDecorator::SetChild(CTKMarkupUIElement* pChild) {
  if (m_pChild) {
    if (m_pChild->GetLogicalParent() == this) m_pChild->SetLogicalParent(nullptr);
    m_pChild->Release();
  }
  m_pChild = pChild;
  if (pChild) pChild->SetLogicalParent(this);
}

TK_DEFINE_MARKUPCLASS(CTKMarkupBorder)
TK_DEFINE_MARKUPCLASS(CTKMarkupPage)
TK_DEFINE_MARKUPCLASS(CTKMarkupWindowContainer)

CTKMarkupDependencyProperty* CTKMarkupBorder::m_pBackgroundProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupBorder::m_pPaddingProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupBorder::m_pBorderThicknessProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupBorder::m_pBorderBrushProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupBorder::m_pCornerRadiusProperty = nullptr;

void CTKMarkupBorder::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  CTKMarkupType* pThickness = CTKMarkupThickness::GetMarkupClass();
  m_pBackgroundProperty = CTKMarkupDependencyProperty::RegisterProperty(u"Background", CTKMarkupBrush::GetMarkupClass(),
                                                                        pOwner, Meta(nullptr, MPF_AFFECTSRENDER));
  m_pPaddingProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Padding", pThickness, pOwner,
      Meta(CTKMarkupThickness::GetSharedZeroThickness(), MPF_AFFECTSMEASURE, &CTKMarkupThickness::ConvertText));
  m_pBorderThicknessProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"BorderThickness", pThickness, pOwner,
      Meta(CTKMarkupThickness::GetSharedZeroThickness(), MPF_AFFECTSMEASURE, &CTKMarkupThickness::ConvertText));
  m_pBorderBrushProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"BorderBrush", CTKMarkupBrush::GetMarkupClass(), pOwner, Meta(nullptr, MPF_AFFECTSRENDER));
  m_pCornerRadiusProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"CornerRadius", pThickness, pOwner, Meta(CTKMarkupThickness::GetSharedZeroThickness(), MPF_AFFECTSRENDER));
}

CTKMarkupInputElement* CTKMarkupBorder::HitTestCore(int, int) {
  return GetValue(m_pBackgroundProperty) ? this : nullptr;
}

// ---- controls and buttons -------------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupControl)
TK_DEFINE_MARKUPCLASS(CTKMarkupContentControl)

CTKMarkupDependencyProperty* CTKMarkupContentControl::m_pContentProperty = nullptr;

void CTKMarkupControl::RegisterMarkupDependencyProperties() {
  CTKMarkupBorder::GetMarkupClass()->EnsureRegistered();
  CTKMarkupPanel::GetMarkupClass()->EnsureRegistered();
  CTKMarkupTextElement::GetMarkupClass()->EnsureRegistered();
  CTKMarkupBorder::m_pPaddingProperty->AddOwner(GetMarkupClass());
  CTKMarkupPanel::m_pBackgroundProperty->AddOwner(GetMarkupClass());
  CTKMarkupTextElement::m_pForegroundProperty->AddOwner(GetMarkupClass());
}

void CTKMarkupContentControl::RegisterMarkupDependencyProperties() {
  m_pContentProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"Content", CTKMarkupUIElement::GetMarkupClass(), GetMarkupClass(),
                                                    Meta(nullptr, MPF_AFFECTSMEASURE, &ConvertContent));
}

CTKMarkupUIElement* CTKMarkupContentControl::GetContent() const {
  return MarkupDynamicCast<CTKMarkupUIElement>(CTKMarkupObject::ReadLocalValue(m_pContentProperty));
}

void CTKMarkupContentControl::SetContent(CTKMarkupUIElement* pContent) {
  if (!SetValue(m_pContentProperty, pContent) && pContent) pContent->Release();
}

CTKMarkupVisual* CTKMarkupContentControl::GetVisualChild(int nIndex) const {
  return nIndex == 0 ? GetContent() : nullptr;
}

void CTKMarkupContentControl::SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) {
  LPCWSTR lpszContent = pContent ? pContent->GetType()->GetClassName() : u"";
  if (GetContent())
    ThrowBuildError(
        FormatStringWithArgs(u"'%ls' already has a child and cannot add '%ls'. '%ls' can accept only one child.",
                             GetType()->GetClassName(), lpszContent, GetType()->GetClassName()));
  if (CTKMarkupString* pText = MarkupDynamicCast<CTKMarkupString>(pContent)) {
    CTKMarkupContext* pContext = pBuilder ? pBuilder->GetMarkupContext() : m_pMarkupContext;
    CTKMarkupTextBlock* pTextBlock =
        static_cast<CTKMarkupTextBlock*>(pContext ? pContext->CreateObject(CTKMarkupTextBlock::GetMarkupClass())
                                                  : CTKMarkupTextBlock::CreateMarkupObject());
    try {
      pTextBlock->SetContentObject(pBuilder, pText);
    } catch (...) {
      pTextBlock->Release();
      throw;
    }
    SetContent(pTextBlock);
    return;
  }
  CTKMarkupUIElement* pElement = MarkupDynamicCast<CTKMarkupUIElement>(pContent);
  if (!pElement)
    ThrowBuildError(FormatStringWithArgs(
        u"'%ls' object cannot be added to '%ls'. Object cannot be converted to type 'CTKMarkupUIElement'", lpszContent,
        GetType()->GetClassName()));
  SetContent(pElement);
}

// ---- classes whose behaviour comes with the drawing layer -----------------------------------------------------
