#include "toolkit/themes/paintmanager.h"

#include <algorithm>

#include "platform/framework/afxwnd.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/commandbars/controlaction.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/themes/paintthemeplain.h"

namespace {

// System colour indexes the shared drawing uses.
constexpr int kColorWindow = 5;
constexpr int kColorBtnFace = 15;
constexpr int kColorBtnHighlight = 20;
// The smallest row a control gets.
constexpr int kMinControlHeight = 22;
// A menu font smaller than this is raised to it.
constexpr LONG kMinMenuFontHeight = -11;
// The preferred face of the command-bar fonts, when installed.
constexpr const char16_t* kPreferredFace = u"Tahoma";
// Room kept after a caption for its drop-down arrow.
constexpr int kDropDownArrowRoom = 10;
// A check box's or radio button's mark.
constexpr int kMarkSize = 13;

CTKBarPaintManager* CreateThemeForBars(int nTheme) { return CTKPaintManager::CreateTheme(nTheme); }

// Measures on the given DC, or on a screen DC when there is none.
class MeasureDC {
 public:
  explicit MeasureDC(CDC* pDC) : m_pDC(pDC) {
    if (!m_pDC) {
      m_dc.Attach(::CreateCompatibleDC(nullptr));
      m_pDC = &m_dc;
    }
  }
  ~MeasureDC() {
    if (m_dc.GetSafeHdc()) ::DeleteDC(m_dc.Detach());
  }
  MeasureDC(const MeasureDC&) = delete;
  MeasureDC& operator=(const MeasureDC&) = delete;
  CDC* operator->() const { return m_pDC; }
  CDC* Get() const { return m_pDC; }

 private:
  CDC* m_pDC;
  CDC m_dc;
};

TKControlStates StatesOf(CTKControl* pControl) {
  TKControlStates states;
  states.nSelected = pControl->GetSelected();
  states.nPressed = pControl->GetPressed();
  states.nEnabled = pControl->GetEnabled();
  states.nChecked = pControl->GetChecked();
  states.nPopuped = pControl->GetPopuped();
  return states;
}

bool IsVerticalPosition(TKBarPosition position) {
  return position == TKBarPosition::Left || position == TKBarPosition::Right;
}

}  // namespace

// ---- the looks and the current look ----

CTKPaintManager* CTKPaintManager::CreateTheme(int nTheme) {
  // Every number is the plain look until the factory's looks are built.
  CTKPaintManager* pTheme = new CTKPlainTheme();
  pTheme->m_nThemeNumber = nTheme;
  return pTheme;
}

void CTKPaintManager::SetPaintManager(CTKPaintManager* pPaintManager) {
  if (!CTKBarPaintManager::GetFactory()) CTKBarPaintManager::SetFactory(&CreateThemeForBars);
  if (pPaintManager) pPaintManager->m_nThemeNumber = TKPaintThemeNumber(TKPaintTheme::Custom);
  CTKBarPaintManager::SetCurrent(pPaintManager);
}

void CTKPaintManager::SetTheme(int nTheme) {
  SetPaintManager(CreateTheme(nTheme));
  static_cast<CTKPaintManager*>(CTKBarPaintManager::GetCurrent())->m_nThemeNumber = nTheme;
}

void CTKPaintManager::ReleasePaintManager() { CTKBarPaintManager::SetCurrent(nullptr); }

void CTKPaintManager::FillCircleAntialiased(CDC* pDC, CRect rc, COLORREF clrRim, COLORREF clrFill) {
  CTKDrawHelpers::FillCircleAntialiased(pDC, rc, clrRim, clrFill);
}

// ---- metrics ----

void CTKPaintManager::RefreshMetrics() {
  UpdateFonts();
  UpdateColors();
}

void CTKPaintManager::UpdateFonts() {
  NONCLIENTMETRICS metrics{};
  metrics.cbSize = sizeof(metrics);
  ::SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  LOGFONT lfMenu = metrics.lfMenuFont;
  if (lfMenu.lfHeight < 0 && lfMenu.lfHeight > kMinMenuFontHeight) lfMenu.lfHeight = kMinMenuFontHeight;
  SetCommandBarsFontIndirect(&lfMenu, TRUE);

  LOGFONT lfIcon{};
  if (!CTKDrawHelpers::GetIconLogFont(&lfIcon)) lfIcon = metrics.lfMessageFont;
  m_fontIcon.DeleteObject();
  m_fontIcon.CreateFontIndirect(&lfIcon);
  m_fontSmCaption.DeleteObject();
  m_fontSmCaption.CreateFontIndirect(&metrics.lfSmCaptionFont);
}

void CTKPaintManager::SetCommandBarsFontIndirect(const LOGFONT* pLogFont, BOOL bUseStandardFont) {
  if (!pLogFont) return;
  LOGFONT lf = *pLogFont;
  if (bUseStandardFont && CTKDrawHelpers::FontExists(kPreferredFace)) {
    const CString strFace(kPreferredFace);
    std::fill(std::begin(lf.lfFaceName), std::end(lf.lfFaceName), u'\0');
    std::copy_n(strFace.GetString(), std::min<int>(strFace.GetLength(), LF_FACESIZE - 1), lf.lfFaceName);
  }
  m_fontRegular.DeleteObject();
  m_fontRegularBold.DeleteObject();
  m_fontVert.DeleteObject();
  m_fontVertBold.DeleteObject();
  m_fontRegular.CreateFontIndirect(&lf);
  LOGFONT lfBold = lf;
  lfBold.lfWeight = FW_BOLD;
  m_fontRegularBold.CreateFontIndirect(&lfBold);
  LOGFONT lfVert = lf;
  lfVert.lfEscapement = 2700;
  lfVert.lfOrientation = 900;
  m_fontVert.CreateFontIndirect(&lfVert);
  lfVert.lfWeight = FW_BOLD;
  m_fontVertBold.CreateFontIndirect(&lfVert);

  MeasureDC dc(nullptr);
  CTKFontDC font(dc.Get(), &m_fontRegular);
  m_nControlHeight = dc->GetTextExtent(CString(u" ")).cy + 6;
}

CFont* CTKPaintManager::GetCommandBarFont(CTKCommandBar* pBar) {
  if (!pBar) return &m_fontRegular;
  const TKTextOrientation orientation = pBar->GetTextOrientation();
  if (orientation == TKTextOrientation::Vertical) return &m_fontVert;
  if (orientation == TKTextOrientation::Automatic && IsVerticalPosition(pBar->GetPosition())) return &m_fontVert;
  return &m_fontRegular;
}

CFont* CTKPaintManager::GetControlFont(CTKControl* pControl) {
  const BOOL bBold = pControl->GetDefaultItem();
  if (GetControlTextOrientation(pControl) == TKTextOrientation::Vertical) return bBold ? &m_fontVertBold : &m_fontVert;
  return bBold ? &m_fontRegularBold : &m_fontRegular;
}

void CTKPaintManager::UpdateColors() {
  CTKColorManager* pColors = GetColorManager();
  pColors->RefreshColors();
  for (int i = 0; i < kTKPaintManagerColorCount; ++i) m_colors[i].SetStandardValue(pColors->GetColor(i));
}

COLORREF CTKPaintManager::GetColor(int nIndex) {
  if (nIndex < 0 || nIndex >= kTKPaintManagerColorCount) return static_cast<COLORREF>(nIndex);
  return m_colors[nIndex].GetColor();
}

void CTKPaintManager::SetColor(int nIndex, COLORREF clrCustom) {
  if (nIndex >= 0 && nIndex < kTKPaintManagerColorCount) m_colors[nIndex].SetCustomValue(clrCustom);
}

COLORREF CTKPaintManager::GetControlTextColor(CTKControl* pControl) {
  CTKCommandBar* pBar = pControl->GetParent();
  const TKBarType barType = pBar ? pBar->GetType() : TKBarType::Normal;
  const TKBarPosition barPosition = pBar ? pBar->GetPosition() : TKBarPosition::None;
  TKControlStates states = StatesOf(pControl);
  if (pControl->GetType() == TKControlType::SplitButtonPopup) {
    // Only the part the caption belongs to counts.
    const int nDisabledPart =
        pControl->GetStyle() == TKButtonStyle::IconAboveCaption ? kTKEnabledNoDropDown : kTKEnabledNoCommand;
    states.nEnabled = states.nEnabled != 0 && states.nEnabled != nDisabledPart;
  }
  if ((pControl->GetType() == TKControlType::CheckBox || pControl->GetType() == TKControlType::RadioButton) &&
      barType != TKBarType::Popup) {
    TKControlStates plain;
    plain.nEnabled = states.nEnabled;
    return GetRectangleTextColor(plain, barType, barPosition);
  }
  return GetRectangleTextColor(states, barType, barPosition);
}

COLORREF CTKPaintManager::GetControlEditBackColor(CTKControl* pControl) {
  return GetColor(pControl->GetEnabled() ? kColorWindow : kColorBtnFace);
}

TKTextOrientation CTKPaintManager::GetControlTextOrientation(CTKControl* pControl) {
  CTKCommandBar* pBar = pControl->GetParent();
  if (!pBar) return TKTextOrientation::Horizontal;
  if (pBar->GetTextOrientation() != TKTextOrientation::Automatic) return pBar->GetTextOrientation();
  return IsVerticalPosition(pBar->GetPosition()) ? TKTextOrientation::Vertical : TKTextOrientation::Horizontal;
}

CSize CTKPaintManager::GetIconSize(BOOL bLarge) {
  if (!m_bAutoResizeIcons) return bLarge ? CSize(32, 32) : CSize(16, 16);
  const int nHeight = GetControlHeight();
  const int nSize = std::max(2, (bLarge ? 2 * nHeight - 8 : nHeight - 4) / 8) * 8;
  return CSize(nSize, nSize);
}

int CTKPaintManager::GetControlHeight() {
  return std::max(kMinControlHeight, m_nFixedControlHeight > 0 ? m_nFixedControlHeight : m_nControlHeight);
}

int CTKPaintManager::GetLargeControlTextHeight() {
  if (m_nFixedControlHeight > 0) return 2 * GetControlHeight() - 17;
  return 2 * std::max(m_nControlHeight + 3, kMinControlHeight) - 17;
}

// ---- controls ----

CSize CTKPaintManager::DrawControl(CDC* pDC, CTKControl* pControl, BOOL bDraw) {
  CTKCommandBar* pBar = pControl->GetParent();
  if (pBar && pBar->GetType() == TKBarType::Popup) return DrawControlPopupParent(pDC, pControl, bDraw);
  return DrawControlToolBarParent(pDC, pControl, bDraw);
}

void CTKPaintManager::DrawControlEntry(CDC* pDC, CTKControl* pControl) {
  CTKCommandBar* pBar = pControl->GetParent();
  DrawRectangle(pDC, pControl->GetRect(), StatesOf(pControl), pBar ? pBar->GetType() : TKBarType::Normal,
                pBar ? pBar->GetPosition() : TKBarPosition::None);
}

void CTKPaintManager::DrawDropDownArrow(CDC* pDC, CTKControl*, int x, int y, BOOL bVertical) {
  const COLORREF clr = pDC->GetTextColor();
  POINT pts[3];
  if (bVertical) {
    pts[0] = {x + 2, y - 2};
    pts[1] = {x + 2, y + 2};
    pts[2] = {x, y};
  } else {
    pts[0] = {x - 2, y - 1};
    pts[1] = {x + 2, y - 1};
    pts[2] = {x, y + 1};
  }
  CTKDrawHelpers::Triangle(pDC, pts[0], pts[1], pts[2], clr);
}

void CTKPaintManager::DrawCaptionText(CDC* pDC, CTKControl* pControl, const CString& strText, CRect rc, BOOL bVertical,
                                      BOOL bCentered) {
  CTKCommandBar* pBar = pControl->GetParent();
  const BOOL bCues = pBar ? pBar->IsKeyboardCuesVisible() : TRUE;
  const CString strPlain = StripMnemonics(strText);
  UINT nFormat = DT_SINGLELINE | (bCentered ? DT_CENTER : 0);
  if (bVertical) {
    pDC->DrawText(strPlain, &rc, nFormat | DT_NOCLIP | DT_NOPREFIX);
    return;
  }
  nFormat |= DT_VCENTER;
  if (!pControl->GetEnabled() && m_bEmbossedDisabledText) {
    const COLORREF clrOld = pDC->SetTextColor(GetColor(kColorBtnHighlight));
    CRect rcShadow(rc);
    rcShadow.OffsetRect(1, 1);
    pDC->DrawText(strPlain, &rcShadow, nFormat | DT_NOPREFIX);
    pDC->SetTextColor(clrOld);
  }
  if (bCues) pDC->DrawText(strText, &rc, nFormat);
  else pDC->DrawText(strPlain, &rc, nFormat | DT_NOPREFIX);
}

CSize CTKPaintManager::DrawControlCaption(CDC* pDC, CTKControl* pControl, CRect rc, BOOL bDraw, BOOL bVertical,
                                          BOOL bCentered, BOOL bDropDownArrow) {
  const CString strCaption = pControl->GetCaption();
  const CString strPlain = StripMnemonics(strCaption);
  MeasureDC dc(pDC);
  CSize sz = dc->GetTextExtent(strPlain.IsEmpty() ? CString(u" ") : strPlain);
  if (!bDraw) {
    if (bDropDownArrow) sz.cx += kDropDownArrowRoom;
    return bVertical ? CSize(sz.cy, sz.cx) : sz;
  }
  const int nWidth = sz.cx + (bDropDownArrow ? 5 : 0);
  if (!bVertical) {
    if (bCentered) rc.left = rc.CenterPoint().x - nWidth / 2;
    DrawCaptionText(dc.Get(), pControl, strCaption, rc, FALSE, FALSE);
    if (bDropDownArrow) DrawDropDownArrow(dc.Get(), pControl, rc.left + nWidth, rc.CenterPoint().y, FALSE);
  } else {
    rc.left = rc.right - (rc.Width() - sz.cy + 1) / 2;
    if (bCentered) rc.top = rc.CenterPoint().y - nWidth / 2;
    DrawCaptionText(dc.Get(), pControl, strCaption, rc, TRUE, FALSE);
    if (bDropDownArrow) DrawDropDownArrow(dc.Get(), pControl, rc.CenterPoint().x, rc.top - 1 + nWidth, TRUE);
  }
  return CSize(0, 0);
}

CSize CTKPaintManager::DrawCaptionBesideIcon(CDC* pDC, CTKControl* pControl, CRect rc, BOOL bDraw, BOOL bDropDownArrow,
                                             int nWidth, int nHeight, BOOL bHasIcon) {
  const BOOL bVertical = GetControlTextOrientation(pControl) == TKTextOrientation::Vertical;
  CSize sz = DrawControlCaption(pDC, pControl, rc, FALSE, bVertical, FALSE, bDropDownArrow);
  if (bVertical) std::swap(sz.cx, sz.cy);
  if (bVertical) {
    if (bHasIcon) {
      rc.top += nHeight;
      if (bDraw) DrawControlCaption(pDC, pControl, rc, TRUE, TRUE, FALSE, bDropDownArrow);
      return CSize(std::max(nWidth, sz.cy + 6), sz.cx + nWidth + 3);
    }
    if (bDraw) DrawControlCaption(pDC, pControl, rc, TRUE, TRUE, TRUE, bDropDownArrow);
    return CSize(std::max(nWidth, sz.cy + 6), sz.cx + 8);
  }
  if (bHasIcon) {
    rc.left += nWidth - 1;
    if (bDraw) DrawControlCaption(pDC, pControl, rc, TRUE, FALSE, FALSE, bDropDownArrow);
    return CSize(sz.cx + nWidth + 3, std::max(nHeight, sz.cy + 6));
  }
  if (bDraw) DrawControlCaption(pDC, pControl, rc, TRUE, FALSE, TRUE, bDropDownArrow);
  return CSize(sz.cx + 8, std::max(nHeight, sz.cy + 6));
}

CSize CTKPaintManager::DrawControlToolBarParent(CDC* pDC, CTKControl* pControl, BOOL bDraw) {
  MeasureDC dc(pDC);
  CTKFontDC font(dc.Get(), GetControlFont(pControl));
  CTKCommandBar* pBar = pControl->GetParent();
  const TKControlType type = pControl->GetType();
  const TKButtonStyle style = pControl->GetStyle();
  const BOOL bVertical = GetControlTextOrientation(pControl) == TKTextOrientation::Vertical;
  const CRect rc = bDraw ? pControl->GetRect() : CRect();
  const bool bWantIcon = style == TKButtonStyle::Icon || style == TKButtonStyle::IconAndCaption ||
                         style == TKButtonStyle::IconAboveCaption ||
                         (style == TKButtonStyle::Automatic &&
                          !(type == TKControlType::Popup && pBar && pBar->GetType() != TKBarType::Popup));
  const CSize szIcon = pControl->GetIconSize();
  CTKImageManagerIcon* pIcon = bWantIcon ? pControl->GetImage(szIcon.cx) : nullptr;
  const CSize szButton = pBar ? pBar->GetButtonSize() : CSize(szIcon.cx + 6, szIcon.cy + 6);
  const BOOL bCaption = pControl->IsCaptionVisible();

  if (bDraw) {
    DrawControlEntry(dc.Get(), pControl);
    dc->SetTextColor(GetControlTextColor(pControl));
    if (pIcon) {
      const CPoint pt = bVertical ? CPoint(rc.CenterPoint().x - szIcon.cx / 2, rc.top + 3)
                                  : CPoint(rc.left + 3, rc.CenterPoint().y - szIcon.cy / 2);
      pIcon->DrawNormal(dc.Get(), pt, szIcon);
    }
  }

  CSize sz(0, 0);
  switch (type) {
    case TKControlType::CheckBox:
    case TKControlType::RadioButton: {
      CSize szCaption = DrawCaptionBesideIcon(dc.Get(), pControl, CRect(), FALSE, FALSE, 0, 0, FALSE);
      if (bVertical) szCaption.cy += 5 + kMarkSize;
      else szCaption.cx += 5 + kMarkSize;
      sz = szCaption;
      if (bDraw) {
        CRect rcCaption(rc);
        if (bVertical) rcCaption.top += 5 + kMarkSize;
        else rcCaption.left += 5 + kMarkSize;
        DrawControlCaption(dc.Get(), pControl, rcCaption, TRUE, bVertical, TRUE, FALSE);
      }
      break;
    }
    case TKControlType::Button:
    case TKControlType::ButtonPopup:
    case TKControlType::Label:
    case TKControlType::Gallery: {
      const int nWidth = pIcon ? szButton.cx : 22;
      sz = bCaption ? DrawCaptionBesideIcon(dc.Get(), pControl, rc, bDraw, FALSE, nWidth, szButton.cy, pIcon != nullptr)
                    : szButton;
      break;
    }
    case TKControlType::Popup: {
      const BOOL bArrow = !bDraw || !pBar || pBar->GetType() != TKBarType::MenuBar;
      if (!pIcon) {
        sz = DrawControlCaption(dc.Get(), pControl, rc, FALSE, bVertical, TRUE, bArrow);
        if (bDraw) DrawControlCaption(dc.Get(), pControl, rc, TRUE, bVertical, TRUE, bArrow);
        sz += CSize(6, 6);
      } else if (bCaption) {
        sz = DrawCaptionBesideIcon(dc.Get(), pControl, rc, bDraw, bArrow, szButton.cx, szButton.cy, TRUE);
      } else {
        if (bDraw) DrawDropDownArrow(dc.Get(), pControl, rc.right - 7, rc.CenterPoint().y, FALSE);
        sz = CSize(szButton.cy + 7, szButton.cy);
      }
      break;
    }
    case TKControlType::SplitButtonPopup: {
      const CSize szBase = pIcon ? szButton : CSize(22, 22);
      if (!bCaption) {
        sz = CSize(szBase.cx + m_nSplitButtonDropDownWidth, szBase.cy);
      } else {
        CRect rcCaption(rc);
        rcCaption.right -= m_nSplitButtonDropDownWidth;
        sz = DrawCaptionBesideIcon(dc.Get(), pControl, rcCaption, bDraw, FALSE, szBase.cx, szBase.cy, pIcon != nullptr);
        sz.cx += m_nSplitButtonDropDownWidth;
      }
      break;
    }
    default:
      break;
  }
  // A fixed width or height wins; on a vertical bar they swap.
  const int nFixedWidth = bVertical ? pControl->GetHeight() : pControl->GetWidth();
  const int nFixedHeight = bVertical ? pControl->GetWidth() : pControl->GetHeight();
  if (nFixedWidth > 0) (bVertical ? sz.cy : sz.cx) = nFixedWidth;
  if (nFixedHeight > 0) (bVertical ? sz.cx : sz.cy) = nFixedHeight;
  return bDraw ? CSize(0, 0) : sz;
}

CSize CTKPaintManager::DrawControlPopupParent(CDC* pDC, CTKControl* pControl, BOOL bDraw) {
  MeasureDC dc(pDC);
  CTKFontDC font(dc.Get(), GetControlFont(pControl));
  CTKCommandBar* pBar = pControl->GetParent();
  const CSize szButton = pBar ? pBar->GetButtonSize() : CSize(22, 22);
  const int nGripper = pBar ? std::max(0, GetPopupBarGripperWidth(pBar) - 1) : 0;
  const BOOL bCues = pBar ? pBar->IsKeyboardCuesVisible() : TRUE;
  CString strCaption = pControl->GetCaption();
  if (!bCues) strCaption = StripMnemonics(strCaption);
  const CString strShortcut = pControl->GetType() == TKControlType::Button ? pControl->GetShortcutText() : CString();
  const CSize szCaption = dc->GetTextExtent(StripMnemonics(strCaption));
  const CSize szShortcut = strShortcut.IsEmpty() ? CSize(0, 0) : dc->GetTextExtent(strShortcut);
  if (!bDraw) {
    CSize sz(m_nPopupBarTextPadding + szCaption.cx + szShortcut.cx + 32 + nGripper, szButton.cy);
    if (pControl->GetWidth() > 0) sz.cx = pControl->GetWidth();
    if (pControl->GetHeight() > 0) sz.cy = pControl->GetHeight();
    return sz;
  }
  const CRect rc = pControl->GetRect();
  DrawControlEntry(dc.Get(), pControl);
  dc->SetTextColor(GetControlTextColor(pControl));
  CRect rcText(rc.left + m_nPopupBarTextPadding + nGripper, rc.top, rc.right, rc.bottom);
  if (!strShortcut.IsEmpty()) rcText.right -= szShortcut.cx + 19;
  const UINT nFormat = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | (bCues ? 0 : DT_NOPREFIX);
  dc->DrawText(strCaption, &rcText, nFormat);
  if (!strShortcut.IsEmpty()) {
    CRect rcShortcut(rc.left + 8 + nGripper, rc.top, rc.right - 19, rc.bottom);
    dc->DrawText(strShortcut, &rcShortcut, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
  }
  return CSize(0, 0);
}

CRect CTKPaintManager::GetSplitButtonCommandRect(CTKControl* pControl) {
  CRect rc = pControl->GetRect();
  CTKCommandBar* pBar = pControl->GetParent();
  if (pBar && pBar->GetType() == TKBarType::Popup) {
    rc.right -= m_nSplitButtonPopupWidth;
  } else if (pControl->GetStyle() == TKButtonStyle::IconAboveCaption) {
    if (GetControlTextOrientation(pControl) == TKTextOrientation::Vertical) rc.left += GetLargeControlTextHeight();
    else rc.bottom -= GetLargeControlTextHeight();
  } else {
    rc.right -= m_nSplitButtonDropDownWidth + 1;
  }
  return rc;
}

// ---- bars ----

CSize CTKPaintManager::DrawCommandBarGripper(CDC* pDC, CTKCommandBar* pBar, BOOL bDraw) {
  if (!pBar || pBar->GetPosition() != TKBarPosition::Floating) return CSize(0, 0);
  // A floating bar's caption strip in the small-caption font.
  MeasureDC dc(pDC);
  CTKFontDC font(dc.Get(), &m_fontSmCaption);
  const CSize sz(0, dc->GetTextExtent(CString(u" ")).cy + 4);
  if (bDraw && pDC && pBar->GetSafeHwnd()) {
    CRect rc;
    pBar->GetClientRect(&rc);
    rc.bottom = rc.top + sz.cy;
    pDC->FillSolidRect(rc, GetColor(16));
    pDC->SetTextColor(GetColor(kColorBtnHighlight));
    rc.left += 3;
    pDC->DrawText(pBar->GetTitle(), &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  return sz;
}

CRect CTKPaintManager::GetCommandBarBorders(CTKCommandBar*) { return CRect(2, 2, 2, 2); }

int CTKPaintManager::GetPopupBarGripperWidth(CTKCommandBar* pBar) {
  if (!pBar || pBar->GetType() != TKBarType::Popup) return 0;
  return pBar->GetButtonSize().cx + 1;
}
