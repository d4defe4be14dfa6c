#include "toolkit/common/scrollbarpaintmanager.h"

#include <algorithm>

#include "platform/framework/afxgdi.h"
#include "platform/framework/afxwnd.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/common/scrollbase.h"
#include "toolkit/common/winthemewrapper.h"

namespace {

COLORREF Color(int index) { return GetColorManager()->GetColor(index); }

constexpr int kFace = COLOR_3DFACE;            // 15
constexpr int kShadow = COLOR_3DSHADOW;        // 16
constexpr int kHighlight = COLOR_3DHIGHLIGHT;  // 20

// The visual style's state for a part: 1 normal, 2 hot, 3 pressed, 4 disabled.
int ThemeState(BOOL enabled, BOOL pressed, BOOL hot) {
  if (!enabled) return 4;
  if (pressed) return 3;
  return hot ? 2 : 1;
}

}  // namespace

CTKScrollBarPaintManager::CTKScrollBarPaintManager(CTKPaintThemeSource* pPaintManager)
    : m_pThemeScrollBar(new CTKWinThemeWrapper()), m_pPaintManager(pPaintManager) {
  CTKScrollBarPaintManager::ReadMetrics();
}

CTKScrollBarPaintManager::~CTKScrollBarPaintManager() { delete m_pThemeScrollBar; }

void CTKScrollBarPaintManager::RefreshMetrics() { ReadMetrics(); }

void CTKScrollBarPaintManager::ReadMetrics() {
  m_cxHScroll = ::GetSystemMetrics(SM_CXHSCROLL);
  m_cyHScroll = ::GetSystemMetrics(SM_CYHSCROLL);
  m_cyVScroll = ::GetSystemMetrics(SM_CYVSCROLL);
  m_cxVScroll = ::GetSystemMetrics(SM_CXVSCROLL);
  m_pThemeScrollBar->OpenThemeData(nullptr, u"SCROLLBAR");
}

void CTKScrollBarPaintManager::DrawArrowGlyph(CDC* pDC, CRect rcArrow, int nType, BOOL bEnabled) {
  const int side = std::min(rcArrow.Width(), rcArrow.Height());
  if (side < 6) return;
  CFont font;
  font.CreateFont(side - 4, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, u"MARLETT");
  static const WCHAR glyphs[] = {u'5', u'6', u'3', u'4'};  // up, down, left, right
  CTKFontDC fontDC(pDC, &font, bEnabled ? RGB(0, 0, 0) : ::GetSysColor(COLOR_BTNSHADOW));
  const int oldMode = pDC->SetBkMode(TRANSPARENT);
  pDC->TextOut(rcArrow.left + (rcArrow.Width() - side) / 2 + 2, rcArrow.top + (rcArrow.Height() - side) / 2 + 2,
               &glyphs[std::clamp(nType, 0, 3)], 1);
  pDC->SetBkMode(oldMode);
}

void CTKScrollBarPaintManager::DrawScrollBar(CDC* pDC, CTKScrollBase* pScrollBar) {
  if (!pDC || !pScrollBar) return;
  const TK_SCROLLBAR_POSINFO& spi = pScrollBar->m_spi;
  const TK_SCROLLBAR_TRACKINFO* track = pScrollBar->GetTrackInfo();
  int pressed = 0;
  int hot = 0;
  if (track) {
    if (track->bDragThumb || track->bInside) pressed = pScrollBar->m_nPressedHt;
  } else {
    hot = pScrollBar->m_nPressedHt;
  }
  if (spi.pxRight - spi.pxLeft <= 0) return;

  const BOOL vertical = pScrollBar->IsVertical();
  const BOOL enabled = spi.posMax - spi.page - spi.posMin + 1 > 0 && pScrollBar->IsScrollBarEnabled();
  const BOOL thumb = enabled && spi.pxThumbBottom <= spi.pxDownArrow;
  const auto part = [&](int from, int to) {
    return vertical ? CRect(spi.pxLeft, from, spi.pxRight, to) : CRect(from, spi.pxLeft, to, spi.pxRight);
  };
  CRect rcUp = part(spi.pxTop, spi.pxUpArrow);
  CRect rcDown = part(spi.pxDownArrow, spi.pxBottom);
  CRect rcTrack = part(spi.pxUpArrow, spi.pxDownArrow);
  CRect rcPageUp = part(spi.pxUpArrow, spi.pxThumbTop);
  CRect rcThumb = part(spi.pxThumbTop, spi.pxThumbBottom);
  CRect rcPageDown = part(spi.pxThumbBottom, spi.pxDownArrow);
  const int style = pScrollBar->GetScrollBarStyle();
  const auto is = [](int code, int which) { return code == which ? TRUE : FALSE; };

  if (style == CTKScrollBase::kStyleThemed && m_pThemeScrollBar->IsAppThemed() && m_pThemeScrollBar->GetThemeHandle()) {
    const HDC hdc = pDC->GetSafeHdc();
    const int upBase = vertical ? 0 : 8;
    const int downBase = vertical ? 4 : 12;
    m_pThemeScrollBar->DrawThemeBackground(hdc, 1, upBase + ThemeState(enabled, is(pressed, 60), is(hot, 60)), &rcUp,
                                           nullptr);
    m_pThemeScrollBar->DrawThemeBackground(hdc, 1, downBase + ThemeState(enabled, is(pressed, 61), is(hot, 61)),
                                           &rcDown, nullptr);
    if (rcTrack.IsRectEmpty()) return;
    const int pageBefore = vertical ? 6 : 4;
    const int pageAfter = vertical ? 7 : 5;
    if (!thumb) {
      m_pThemeScrollBar->DrawThemeBackground(hdc, pageBefore, ThemeState(enabled, FALSE, FALSE), &rcTrack, nullptr);
      return;
    }
    m_pThemeScrollBar->DrawThemeBackground(hdc, pageBefore, ThemeState(enabled, is(pressed, 62), is(hot, 62)),
                                           &rcPageUp, nullptr);
    m_pThemeScrollBar->DrawThemeBackground(hdc, pageAfter, ThemeState(enabled, is(pressed, 63), is(hot, 63)),
                                           &rcPageDown, nullptr);
    const int thumbState = ThemeState(enabled, is(pressed, 64), is(hot, 64));
    m_pThemeScrollBar->DrawThemeBackground(hdc, vertical ? 3 : 2, thumbState, &rcThumb, nullptr);
    if (spi.pxThumbBottom - spi.pxThumbTop > 13)
      m_pThemeScrollBar->DrawThemeBackground(hdc, vertical ? 9 : 8, thumbState, &rcThumb, nullptr);
    return;
  }

  const BOOL flat = style == CTKScrollBase::kStyleFlat;
  const auto drawArrow = [&](CRect rc, int code, int glyph, UINT frameState) {
    const BOOL down = pressed == code;
    if (flat) {
      pDC->FillSolidRect(&rc, Color(kFace));
      if (down) pDC->Draw3dRect(&rc, Color(kShadow), Color(kHighlight));
      else pDC->Draw3dRect(&rc, Color(kHighlight), Color(kShadow));
      DrawArrowGlyph(pDC, rc, glyph, enabled);
    } else {
      pDC->DrawFrameControl(&rc, DFC_SCROLL, frameState | (down ? DFCS_PUSHED : 0) | (enabled ? 0 : DFCS_INACTIVE));
    }
  };
  drawArrow(rcUp, 60, vertical ? 0 : 2, vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT);
  drawArrow(rcDown, 61, vertical ? 1 : 3, vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT);
  if (rcTrack.IsRectEmpty()) return;

  CWnd* parent = pScrollBar->GetParentWindow();
  const HWND hWnd = CWnd::HwndOf(parent);
  HBRUSH brush = reinterpret_cast<HBRUSH>(::DefWindowProcW(
      hWnd, WM_CTLCOLORSCROLLBAR, reinterpret_cast<WPARAM>(pDC->GetSafeHdc()), reinterpret_cast<LPARAM>(hWnd)));
  ::FillRect(pDC->GetSafeHdc(), &rcTrack, brush ? brush : ::GetSysColorBrush(COLOR_SCROLLBAR));
  if (!thumb) return;
  if (pressed == 62) pDC->InvertRect(&rcPageUp);
  if (pressed == 63) pDC->InvertRect(&rcPageDown);
  pDC->FillSolidRect(&rcThumb, Color(kFace));
  if (flat) pDC->Draw3dRect(&rcThumb, Color(kHighlight), Color(kShadow));
  else pDC->DrawEdge(&rcThumb, EDGE_RAISED, BF_RECT | BF_ADJUST);
}

// ---- the slider ----------------------------------------------------------------------------------

CTKSliderPaintManager::CTKSliderPaintManager(CTKPaintThemeSource* pPaintManager)
    : CTKScrollBarPaintManager(pPaintManager) {
  CTKSliderPaintManager::ReadMetrics();
}

void CTKSliderPaintManager::ReadMetrics() {
  CTKScrollBarPaintManager::ReadMetrics();
  m_cxHScroll = 16;
  m_cyHScroll = 16;
  m_nThumbSize = 11;
}

void CTKSliderPaintManager::DrawScrollBar(CDC* pDC, CTKScrollBase* pScrollBar) {
  if (!pDC || !pScrollBar || pScrollBar->IsVertical()) return;
  const TK_SCROLLBAR_POSINFO& spi = pScrollBar->m_spi;
  const TK_SCROLLBAR_TRACKINFO* track = pScrollBar->GetTrackInfo();
  int pressed = 0;
  int hot = 0;
  if (track) {
    if (track->bDragThumb || track->bInside) pressed = pScrollBar->m_nPressedHt;
  } else {
    hot = pScrollBar->m_nPressedHt;
  }
  const COLORREF clrFace = Color(kFace);
  const COLORREF clrShadow = Color(kShadow);
  const COLORREF clrHighlight = Color(kHighlight);
  const int top = spi.rc.top;
  const int bottom = spi.rc.bottom;
  const int y0 = (top + bottom - 2) / 2;

  // Groove.
  pDC->FillSolidRect(spi.pxUpArrow, y0, spi.pxDownArrow - spi.pxUpArrow, 1, clrShadow);
  pDC->FillSolidRect(spi.pxUpArrow, y0 + 1, spi.pxDownArrow - spi.pxUpArrow, 1, clrHighlight);

  // Ticks.
  const int u = (y0 + 2 + y0 - 8) / 2;
  const auto tick = [&](int x) {
    pDC->FillSolidRect(x - 1, u, 1, 4, clrShadow);
    pDC->FillSolidRect(x - 1, u + 5, 1, 2, clrShadow);
    pDC->FillSolidRect(x, u + 1, 1, 7, clrHighlight);
  };
  if (!pScrollBar->m_arrTicks.empty() && spi.posMin < spi.posMax) {
    const int left = spi.pxUpArrow + 6;
    const int width = spi.pxDownArrow - 6 - left;
    for (double value : pScrollBar->m_arrTicks) {
      const int x = static_cast<int>(width * (value - spi.posMin) / (spi.posMax - spi.posMin));
      if (x >= 0 && x <= width) tick(left + x);
    }
  } else {
    tick((spi.pxUpArrow + spi.pxDownArrow) / 2);
  }

  // Minus and plus buttons.
  const auto button = [&](CRect rc, int code, bool plus) {
    const COLORREF fill = hot == code ? clrHighlight : clrFace;
    if (m_pPaintManager) {
      CTKDrawHelpers::FillCircleAntialiased(pDC, rc, clrShadow, fill);
      if (pressed != code) {
        CRect inner = rc;
        inner.DeflateRect(1, 1);
        CTKDrawHelpers::FillCircleAntialiased(pDC, inner, clrHighlight, fill);
      }
    }
    const CPoint centre = rc.CenterPoint();
    pDC->FillSolidRect(centre.x - 4, centre.y - 1, 8, 2, RGB(0, 0, 0));
    if (plus) pDC->FillSolidRect(centre.x - 1, centre.y - 4, 2, 8, RGB(0, 0, 0));
  };
  button(CRect(spi.pxTop, top, spi.pxUpArrow, bottom), CTKScrollBase::kHitUpArrow, false);
  button(CRect(spi.pxDownArrow, top, spi.pxBottom, bottom), CTKScrollBase::kHitDownArrow, true);

  // Thumb: a pentagon pointing down.
  const BOOL enabled = spi.posMax - spi.page - spi.posMin + 1 > 0 && pScrollBar->IsScrollBarEnabled();
  if (!enabled) return;
  const int ux = (spi.pxThumbTop + spi.pxThumbBottom) / 2 - 4;
  const int vy = (top + bottom - 13) / 2;
  const POINT outer[] = {{ux, vy}, {ux + 8, vy}, {ux + 8, vy + 9}, {ux + 4, vy + 13}, {ux, vy + 9}, {ux, vy}};
  {
    CTKPenDC pen(pDC, clrShadow);
    CTKBrushDC brush(pDC->GetSafeHdc(), hot == CTKScrollBase::kHitThumb ? clrHighlight : clrFace);
    pDC->Polygon(outer, 6);
  }
  if (pressed != CTKScrollBase::kHitThumb) {
    const POINT inner[] = {{ux + 1, vy + 1},  {ux + 7, vy + 1}, {ux + 7, vy + 9},
                           {ux + 4, vy + 12}, {ux + 1, vy + 9}, {ux + 1, vy + 1}};
    CTKPenDC pen(pDC, clrHighlight);
    pDC->Polyline(inner, 6);
  }
}
