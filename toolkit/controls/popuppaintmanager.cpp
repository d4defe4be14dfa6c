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

// Colour-manager indices of the system colours the plain look uses.
enum {
  kColorBtnFace = 15,
  kColorBtnShadow = 16,
  kColorBtnHighlight = 20,
  kColorBtnText = 18,
};

}  // namespace

std::optional<TKPopupTheme> TKPopupThemeFromNumber(int nTheme) {
  if (nTheme < TKPopupThemeNumber(TKPopupTheme::Office2000) || nTheme > TKPopupThemeNumber(TKPopupTheme::Resource))
    return std::nullopt;
  return static_cast<TKPopupTheme>(nTheme);
}

COLORREF CTKPopupPaintManager::ManagerColor(int nIndex) { return GetColorManager()->GetColor(nIndex); }

void CTKPopupPaintManager::FillGradient(CDC* pDC, const CRect& rc, const CTKPaintManagerColorGradient& gradient,
                                        BOOL bHorizontal) {
  if (gradient.clrLight.GetColor() == kNone || gradient.clrDark.GetColor() == kNone) return;
  GetDrawHelpers()->FillGradientColor(pDC, rc, gradient, bHorizontal);
}

void CTKPopupPaintManager::Frame3d(CDC* pDC, const CRect& rc, COLORREF clrTopLeft, COLORREF clrBottomRight) {
  if (clrTopLeft == kNone || clrBottomRight == kNone) return;
  pDC->Draw3dRect(rc, clrTopLeft, clrBottomRight);
}

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
