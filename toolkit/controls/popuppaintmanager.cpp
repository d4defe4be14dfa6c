#include "toolkit/controls/popuppaintmanager.h"

#include <algorithm>

#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/resourceimages.h"
#include "toolkit/common/richrender.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/controls/popupcontrol.h"
#include "toolkit/controls/popupitem.h"

namespace {

constexpr COLORREF kNone = static_cast<COLORREF>(-1);

// Colour-manager indices: the system colours of those numbers, and the
// toolkit's derived colours from 30 on.
enum {
  kColorBtnFace = 15,
  kColorBtnShadow = 16,
  kColorBtnText = 18,
  kColorBtnHighlight = 20,
};

COLORREF ManagerColor(int index) { return GetColorManager()->GetColor(index); }

// Gradients and frames with a colour of -1 ("none") are skipped, so a theme
// whose colours were not found draws nothing rather than white.
void FillGradient(CDC* pDC, const CRect& rc, const CTKPaintManagerColorGradient& gradient, BOOL bHorizontal) {
  if (gradient.clrLight.GetColor() == kNone || gradient.clrDark.GetColor() == kNone) return;
  GetDrawHelpers()->FillGradientColor(pDC, rc, gradient, bHorizontal);
}

void Frame3d(CDC* pDC, const CRect& rc, COLORREF clrTopLeft, COLORREF clrBottomRight) {
  if (clrTopLeft == kNone || clrBottomRight == kNone) return;
  pDC->Draw3dRect(rc, clrTopLeft, clrBottomRight);
}

}  // namespace

// ---- the plain paint manager -----------------------------------------------------------------

void CTKPopupPaintManager::RefreshMetrics() {
  m_fntText.DeleteObject();
  LOGFONTW lf{};
  CTKDrawHelpers::GetIconLogFont(&lf);
  m_fntText.CreateFontIndirect(&lf);
  m_clrText = ManagerColor(kColorBtnText);
  m_clrBackground.SetStandardColor(ManagerColor(kColorBtnFace));
  m_clrFrame.SetStandardColor(ManagerColor(kColorBtnShadow));
  m_clrButtonSelected = kNone;
  m_clrButtonPressed = kNone;
  m_clrButtonPressedBorder.SetStandardColors(ManagerColor(kColorBtnShadow), ManagerColor(kColorBtnHighlight));
  m_clrButtonSelectedBorder.SetStandardColors(ManagerColor(kColorBtnHighlight), ManagerColor(kColorBtnShadow));
}

BOOL CTKPopupPaintManager::DrawBackgroundImage(CDC* pDC, CTKPopupControl* pControl) {
  if (!pControl || pControl->GetBackgroundImage() <= 0) return FALSE;
  CTKImageManagerIcon* pImage =
      pControl->GetImageManager()->LookupIcon(static_cast<UINT>(pControl->GetBackgroundImage()), 0);
  if (pImage) pImage->DrawNormalAt(pDC, CPoint(0, 0));
  return TRUE;
}

void CTKPopupPaintManager::DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) {
  if (DrawBackgroundImage(pDC, pControl)) return;
  FillGradient(pDC, rc, m_clrBackground, TRUE);
  if (m_clrFrame.clrLight.GetColor() != kNone) Frame3d(pDC, rc, m_clrFrame.clrLight, m_clrFrame.clrDark);
}

void CTKPopupPaintManager::DrawButton(CDC* pDC, CTKPopupItem* pItem) {
  BOOL bPressed = pItem->IsPressed(), bHot = pItem->IsSelected();
  if (!bPressed && !bHot) return;
  CRect rc = pItem->GetRect();
  // A pressed button the mouse has left shows the hot colours.
  BOOL bDown = bPressed && bHot;
  COLORREF clrFill = bDown ? m_clrButtonPressed : m_clrButtonSelected;
  const CTKPaintManagerColorGradient& border = bDown ? m_clrButtonPressedBorder : m_clrButtonSelectedBorder;
  if (clrFill != kNone) pDC->FillSolidRect(rc, clrFill);
  Frame3d(pDC, rc, border.clrLight, border.clrDark);
}

void CTKPopupPaintManager::DrawItem(CDC* pDC, CTKPopupItem* pItem) {
  CRect rc = pItem->GetRect();
  if (pItem->GetBackgroundColor() != kNone) pDC->FillSolidRect(rc, pItem->GetBackgroundColor());
  if (pItem->GetBorderColor() != kNone) pDC->Draw3dRect(rc, pItem->GetBorderColor(), pItem->GetBorderColor());

  BOOL bHot = pItem->IsSelected(), bPressed = pItem->IsPressed();
  if (CTKImageManagerIcon* pImage = pItem->GetImage()) {
    rc.OffsetRect(pItem->GetIconOffset());
    if (bHot && bPressed) {
      if (pItem->IsButton()) DrawButton(pDC, pItem);
      pImage->Draw(pDC, rc.TopLeft(), pImage->GetCheckedImage());
    } else if (!bHot && !bPressed) {
      pImage->Draw(pDC, rc.TopLeft(), pImage->GetNormalImage());
    } else {
      if (pItem->IsButton()) DrawButton(pDC, pItem);
      pImage->Draw(pDC, rc.TopLeft(), pImage->GetHotImage());
    }
    return;
  }

  if (pItem->IsButton()) DrawButton(pDC, pItem);
  CString strCaption = pItem->GetCaption();
  if (strCaption.IsEmpty()) return;

  CFont* pFont = pItem->GetTextFont();
  CFont fntDraw;
  BOOL bUnderline = bHot && pItem->IsHyperLink() && pItem->IsUnderline();
  if ((bUnderline || pItem->IsBold()) && pFont && pFont->GetSafeHandle()) {
    LOGFONT lf{};
    pFont->GetLogFont(&lf);
    lf.lfUnderline = static_cast<BYTE>(bUnderline);
    lf.lfWeight = pItem->IsBold() ? FW_BOLD : FW_NORMAL;
    fntDraw.CreateFontIndirect(&lf);
    pFont = &fntDraw;
  }
  CTKFontDC font(pDC, pFont && pFont->GetSafeHandle() ? pFont : nullptr);

  if (CTKRichRender* pRender = pItem->GetRichTextRender()) {
    pRender->Draw(pDC, rc);
    return;
  }
  UINT nFormat = pItem->GetTextFormat();
  if ((nFormat & DT_VCENTER) && (nFormat & DT_WORDBREAK)) {
    // DrawText does not centre wrapped text vertically by itself.
    CRect rcText = rc;
    pDC->DrawText(strCaption, &rcText, nFormat | DT_CALCRECT);
    rc.top = (rc.top + rc.bottom - rcText.Height()) / 2;
  }
  pDC->SetBkMode(TRANSPARENT);
  COLORREF clrText = m_clrText;
  if (bHot && pItem->GetHoverColor() != kNone) {
    clrText = pItem->GetHoverColor();
  } else if (pItem->GetTextColor() != kNone) {
    clrText = pItem->GetTextColor();
  }
  if (clrText != kNone) pDC->SetTextColor(clrText);
  pDC->DrawText(strCaption, &rc, nFormat);
}

// ---- Office 2000 -----------------------------------------------------------------------------

void CTKPopupThemeOffice2000::RefreshMetrics() {
  CTKPopupPaintManager::RefreshMetrics();
  m_clrFrame.SetStandardColors(ManagerColor(kColorBtnHighlight), ManagerColor(kColorBtnShadow));
}

void CTKPopupThemeOffice2000::DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) {
  if (pControl && pControl->GetBackgroundImage() > 0) {
    CTKPopupPaintManager::DrawBackground(pDC, pControl, rc);
    return;
  }
  FillGradient(pDC, rc, m_clrBackground, FALSE);
  Frame3d(pDC, rc, m_clrFrame.clrLight, m_clrFrame.clrDark);
  rc.DeflateRect(1, 1);
  CRect rcCaption(rc.left, rc.top, rc.right, rc.top + 22);
  GetDrawHelpers()->GradientFill(pDC, rcCaption, RGB(0, 0, 128), RGB(24, 180, 192), TRUE);
  rc.DeflateRect(1, 1);
  CRect rcBody(rc.left, rcCaption.top + 23, rc.right, rc.bottom);
  Frame3d(pDC, rcBody, m_clrFrame.clrDark, m_clrFrame.clrLight);
  rcBody.DeflateRect(1, 1);
  Frame3d(pDC, rcBody, m_clrFrame.clrLight, m_clrFrame.clrDark);
  rcBody.DeflateRect(1, 1);
  pDC->FillSolidRect(CRect(rcBody.left, rcBody.top, rcBody.left + 30, rcBody.bottom), RGB(0, 0, 128));
}

// ---- Office XP -------------------------------------------------------------------------------

void CTKPopupThemeOfficeXP::RefreshMetrics() {
  CTKPopupThemeOffice2000::RefreshMetrics();
  m_clrBackground.SetStandardColor(ManagerColor(30));
  m_clrButtonSelected = ManagerColor(31);
  m_clrButtonPressed = ManagerColor(33);
  m_clrButtonSelectedBorder.SetStandardColor(ManagerColor(32));
  m_clrButtonPressedBorder.SetStandardColor(ManagerColor(32));
  m_clrFrame.SetStandardColor(ManagerColor(kColorBtnShadow));
}

void CTKPopupThemeOfficeXP::DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) {
  if (pControl && pControl->GetBackgroundImage() > 0) {
    CTKPopupPaintManager::DrawBackground(pDC, pControl, rc);
    return;
  }
  FillGradient(pDC, rc, m_clrBackground, FALSE);
  Frame3d(pDC, rc, m_clrFrame.clrLight, m_clrFrame.clrDark);
  rc.DeflateRect(1, 1);
  CRect rcCaption(rc.left, rc.top, rc.right, rc.top + 22);
  GetDrawHelpers()->GradientFill(pDC, rcCaption, RGB(0, 0, 128), RGB(24, 180, 192), TRUE);
  CRect rcBand(rc.left, rcCaption.top + 22, rc.right, rc.bottom);
  rcBand.DeflateRect(1, 1);
  rcBand.right = rcBand.left + 30;
  pDC->FillSolidRect(rcBand, RGB(0, 0, 128));
}

// ---- Office 2003 -----------------------------------------------------------------------------

void CTKPopupThemeOffice2003::RefreshMetrics() {
  CTKPopupThemeOfficeXP::RefreshMetrics();
  CTKColorManager* pColorManager = GetColorManager();
  const CTKPaintManagerColorGradient& background = pColorManager->GetGradientColor(1);
  m_clrBackground.SetStandardColors(background.clrDark, background.clrLight);
  m_clrCaption.SetStandardFrom(pColorManager->GetGradientColor(2));
  m_clrFrame.SetStandardColor(ManagerColor(54));
  int nTheme = pColorManager->GetCurrentTheme();
  if (!pColorManager->IsLunaColorsDisabled() && nTheme >= 1 && nTheme <= 5) {
    m_clrButtonSelected = RGB(255, 238, 194);
    m_clrButtonPressed = RGB(254, 128, 62);
    COLORREF clrBorder = nTheme == CTKColorManager::tkThemeLunaOlive    ? RGB(63, 93, 56)
                         : nTheme == CTKColorManager::tkThemeLunaSilver ? RGB(75, 75, 111)
                                                                        : RGB(0, 0, 128);
    m_clrButtonSelectedBorder.SetStandardColor(clrBorder);
    m_clrButtonPressedBorder.SetStandardColor(clrBorder);
  }
}

int CTKPopupThemeOffice2003::GripperStart(int nStripWidth) { return std::max(2, (nStripWidth - 36) / 2) + 1; }

void CTKPopupThemeOffice2003::DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) {
  if (pControl && pControl->GetBackgroundImage() > 0) {
    CTKPopupPaintManager::DrawBackground(pDC, pControl, rc);
    return;
  }
  FillGradient(pDC, rc, m_clrBackground, FALSE);
  Frame3d(pDC, rc, m_clrFrame.clrLight, m_clrFrame.clrDark);
  rc.DeflateRect(1, 1);
  CRect rcStrip(rc.left, rc.top, rc.right, rc.top + 7);
  FillGradient(pDC, rcStrip, m_clrCaption, FALSE);
  // The gripper: nine dots, each a dark square with a light one below
  // right and a mid-tone point where they overlap.
  const int x0 = GripperStart(rcStrip.Width()), t = rcStrip.top;
  for (int i = 0; i < 9; ++i) {
    int x = x0 + 4 * i;
    pDC->FillSolidRect(x - 1, t + 1, 2, 2, RGB(40, 50, 71));
    pDC->FillSolidRect(x, t + 2, 2, 2, RGB(249, 249, 251));
    pDC->SetPixel(x, t + 2, RGB(97, 116, 152));
  }
}

// ---- MSN -------------------------------------------------------------------------------------

void CTKPopupThemeMSN::RefreshMetrics() {
  CTKPopupThemeOffice2000::RefreshMetrics();
  m_clrButtonSelected = RGB(194, 238, 255);
  m_clrButtonPressed = RGB(134, 162, 224);
  m_clrButtonSelectedBorder.SetStandardColor(RGB(114, 142, 184));
  m_clrButtonPressedBorder.SetStandardColor(RGB(114, 142, 184));
}

void CTKPopupThemeMSN::DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) {
  if (pControl && pControl->GetBackgroundImage() > 0) {
    CTKPopupPaintManager::DrawBackground(pDC, pControl, rc);
    return;
  }
  const COLORREF white = RGB(255, 255, 255);
  pDC->Draw3dRect(rc, RGB(166, 180, 207), RGB(69, 86, 144));
  rc.DeflateRect(1, 1);
  pDC->Draw3dRect(rc, white, RGB(207, 221, 244));
  rc.DeflateRect(1, 1);
  const int t = rc.top;
  CTKDrawHelpers* pHelpers = GetDrawHelpers();
  pHelpers->GradientFill(pDC, CRect(rc.left, t, rc.right, t + 12), RGB(207, 215, 236), white, FALSE);
  pHelpers->GradientFill(pDC, CRect(rc.left, t + 12, rc.right, t + 23), white, RGB(207, 221, 244), FALSE);
  pHelpers->GradientFill(pDC, CRect(rc.left, t + 23, rc.right, t + 40), RGB(207, 221, 244), white, FALSE);
  pHelpers->GradientFill(pDC, CRect(rc.left, t + 40, rc.right, rc.bottom), white, RGB(207, 221, 244), FALSE);
  pDC->Draw3dRect(CRect(rc.left, t + 22, rc.right, rc.bottom), RGB(114, 142, 184), RGB(185, 201, 239));
}

// ---- theme images ----------------------------------------------------------------------------

void CTKPopupThemeResource::RefreshMetrics() {
  CTKPopupThemeOffice2003::RefreshMetrics();
  // Keys missing from the section stay -1 and their fills are skipped.
  CTKResourceImages* pImages = GetResourceImages();
  auto color = [pImages](LPCTSTR key) { return pImages ? pImages->GetIniColor(u"PopupControl", key, kNone) : kNone; };
  m_clrBackground.SetStandardColors(color(u"BackgroundLight"), color(u"BackgroundDark"));
  m_clrCaption.SetStandardColors(color(u"CaptionLight"), color(u"CaptionDark"));
  m_clrFrame.SetStandardColor(color(u"FrameBorder"));
  m_clrText = color(u"NormalText");
  m_clrButtonSelected = color(u"ButtonSelected");
  m_clrButtonPressed = color(u"ButtonPressed");
  m_clrButtonSelectedBorder.SetStandardColor(color(u"ButtonBorder"));
  m_clrButtonPressedBorder.SetStandardColor(color(u"ButtonBorder"));
}

void CTKPopupThemeResource::DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) {
  CTKPopupThemeOffice2003::DrawBackground(pDC, pControl, rc);
}
