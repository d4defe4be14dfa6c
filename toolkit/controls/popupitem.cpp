#include "toolkit/controls/popupitem.h"

#include <climits>
#include <string>

#include "platform/base/codepage.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/richrender.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/controls/popupcontrol.h"
#include "toolkit/controls/popuppaintmanager.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupinput.h"

IMPLEMENT_DYNCREATE(CTKPopupItem, CCmdTarget)

CTKPopupItem::CTKPopupItem(LPCRECT rcItem, LPCTSTR lpszCaption, COLORREF clrBackground, COLORREF clrBorder)
    : m_strCaption(lpszCaption ? lpszCaption : u""), m_clrBackground(clrBackground), m_clrBorder(clrBorder) {
  if (rcItem) m_rcItem = *rcItem;
}

CTKPopupItem::~CTKPopupItem() {
  delete m_pRichRender;
  MarkupReleaseElement(m_pUIElement);
}

void CTKPopupItem::SetTextFont(CFont* pFont) {
  m_fntText.DeleteObject();
  LOGFONT lf{};
  if (pFont && pFont->GetSafeHandle() && pFont->GetLogFont(&lf)) m_fntText.CreateFontIndirect(&lf);
}

// ---- content ---------------------------------------------------------------------------------

void CTKPopupItem::SetCaption(LPCTSTR lpszCaption) {
  m_strCaption = lpszCaption ? lpszCaption : u"";
  MarkupReleaseElement(m_pUIElement);
  if (m_pControl && m_pControl->m_pMarkupContext)
    m_pUIElement = MarkupParseText(m_pControl->m_pMarkupContext, m_strCaption);
  RedrawControl();
}

void CTKPopupItem::SetMarkupText(LPCTSTR lpszMarkup) {
  if (m_pControl) m_pControl->EnableMarkup(TRUE);
  m_bHyperLink = FALSE;
  SetCaption(lpszMarkup);
}

void CTKPopupItem::SetRTFText(LPCTSTR lpszText) {
  delete m_pRichRender;
  m_pRichRender = new CTKRichRender();
  m_strCaption = lpszText ? lpszText : u"";
  m_bHyperLink = FALSE;
  m_pRichRender->SetText(m_strCaption);
}

void CTKPopupItem::SetRTFTextFromResource(UINT nID) {
  static const WCHAR kType[] = u"RTF";
  HINSTANCE hModule = AfxFindResourceHandle(MAKEINTRESOURCE(nID), kType);
  HRSRC hResource = ::FindResource(hModule, MAKEINTRESOURCE(nID), kType);
  if (!hResource) return;
  HGLOBAL hData = ::LoadResource(hModule, hResource);
  const char* pBytes = hData ? static_cast<const char*>(::LockResource(hData)) : nullptr;
  if (!pBytes) return;
  // An 8-bit text that ends at its first zero byte (or the resource's end).
  DWORD nSize = ::SizeofResource(hModule, hResource);
  std::string bytes(pBytes, nSize);
  bytes.resize(bytes.find('\0') == std::string::npos ? bytes.size() : bytes.find('\0'));
  int nChars = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::u16string text(static_cast<size_t>(nChars > 0 ? nChars : 0), u'\0');
  if (nChars > 0) ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), nChars);
  SetRTFText(text.c_str());
}

BOOL CTKPopupItem::SetIcon(UINT nIDResource, int nState) {
  if (!m_pControl) return FALSE;
  int nImageState = nState == 1 ? tkImageNormal : nState == 2 ? tkImageHot : tkImageChecked;
  return m_pControl->GetImageManager()->SetIconFromResourceId(nIDResource, static_cast<UINT>(GetIconIndex()), 0, 0,
                                                              nImageState);
}

BOOL CTKPopupItem::SetIcons(HBITMAP hBitmap, COLORREF clrTransparent, UINT nStates, BOOL bAlpha) {
  if (!m_pControl || !hBitmap) return FALSE;
  static const UINT kStateBits[3] = {1, 2, 4};
  static const int kImageStates[3] = {tkImageNormal, tkImageHot, tkImageChecked};
  int nCount = 0;
  for (UINT bit : kStateBits) nCount += (nStates & bit) ? 1 : 0;
  if (nCount == 0) return FALSE;
  BITMAP bm{};
  if (!::GetObject(hBitmap, sizeof(bm), &bm)) return FALSE;
  CTKImageManager* pImageManager = m_pControl->GetImageManager();
  COLORREF clrOldMask = pImageManager->SetMaskColor(clrTransparent);
  int nPosition = 0;
  for (int i = 0; i < 3; ++i) {
    if (!(nStates & kStateBits[i])) continue;
    UINT ids[3] = {CTKImageManager::kSkipId, CTKImageManager::kSkipId, CTKImageManager::kSkipId};
    ids[nPosition++] = static_cast<UINT>(GetIconIndex());
    pImageManager->SetIconsFromBitmap(hBitmap, ids, nCount, bm.bmWidth / nCount, bm.bmHeight, kImageStates[i], bAlpha);
  }
  pImageManager->SetMaskColor(clrOldMask);
  return TRUE;
}

BOOL CTKPopupItem::LoadIcons(UINT nIDBitmap, COLORREF clrTransparent, UINT nStates) {
  BOOL bAlpha = FALSE;
  HBITMAP hBitmap = CTKImageManager::LoadBitmapResource(MAKEINTRESOURCE(nIDBitmap), &bAlpha);
  if (!hBitmap) return FALSE;
  BOOL bResult = SetIcons(hBitmap, clrTransparent, nStates, bAlpha);
  ::DeleteObject(hBitmap);
  return bResult;
}

CTKImageManagerIcon* CTKPopupItem::GetImage() const {
  if (!m_pControl) return nullptr;
  return m_pControl->GetImageManager()->LookupIcon(static_cast<UINT>(GetIconIndex()), m_rcItem.Width());
}

// ---- sizing ----------------------------------------------------------------------------------

void CTKPopupItem::MeasureWith(CDC& dc, CRect& rc, UINT nFormat) {
  CFont* pFont = GetTextFont();
  CFont fntMeasure;
  BOOL bUnderline = m_bHyperLink && m_bUnderline;
  if ((bUnderline || m_bBold) && pFont && pFont->GetSafeHandle()) {
    LOGFONT lf{};
    pFont->GetLogFont(&lf);
    lf.lfUnderline = static_cast<BYTE>(bUnderline);
    lf.lfWeight = m_bBold ? FW_BOLD : FW_NORMAL;
    fntMeasure.CreateFontIndirect(&lf);
    pFont = &fntMeasure;
  }
  CTKFontDC font(&dc, pFont && pFont->GetSafeHandle() ? pFont : nullptr);
  dc.DrawText(m_strCaption, &rc, nFormat);
}

namespace {

// A measuring DC compatible with the screen.
struct MeasureDC {
  CDC dc;
  MeasureDC() { dc.CreateCompatibleDC(nullptr); }
};

}  // namespace

void CTKPopupItem::CalculateHeight() {
  if (m_pRichRender) return;
  if (m_pUIElement && m_pControl) {
    MarkupSetDefaultFont(m_pControl->m_pMarkupContext, static_cast<HFONT>(GetTextFont()->GetSafeHandle()),
                         static_cast<COLORREF>(-1));
    SIZE size = MarkupMeasureElement(m_pUIElement, m_rcItem.Width(), INT_MAX);
    m_rcItem.right = m_rcItem.left + size.cx;
    m_rcItem.bottom = m_rcItem.top + size.cy;
    return;
  }
  if (CTKImageManagerIcon* pImage = GetImage()) {
    m_rcItem.bottom = m_rcItem.top + pImage->GetHeight();
    return;
  }
  MeasureDC measure;
  CRect rc = m_rcItem;
  MeasureWith(measure.dc, rc, m_nFormat | DT_CALCRECT);
  m_rcItem.bottom = m_rcItem.top + rc.Height();
}

void CTKPopupItem::CalculateWidth() {
  if (m_pRichRender) return;
  if (m_pUIElement && m_pControl) {
    CalculateHeight();  // the markup measure sets both
    return;
  }
  if (CTKImageManagerIcon* pImage = GetImage()) {
    m_rcItem.right = m_rcItem.left + pImage->GetWidth();
    return;
  }
  if (m_nFormat & DT_WORDBREAK) return;
  MeasureDC measure;
  CRect rc(0, 0, 0, 0);
  MeasureWith(measure.dc, rc, m_nFormat | DT_CALCRECT | DT_SINGLELINE);
  int nWidth = rc.Width();
  if (m_nFormat & DT_RIGHT) {
    m_rcItem.left = m_rcItem.right - nWidth;
  } else if (m_nFormat & DT_CENTER) {
    m_rcItem.left = m_rcItem.left + m_rcItem.Width() / 2 - nWidth / 2;
    m_rcItem.right = m_rcItem.left + nWidth;
  } else {
    m_rcItem.right = m_rcItem.left + nWidth;
  }
}

void CTKPopupItem::CalculateSize() {
  if (m_pRichRender) {
    MeasureDC measure;
    CSize size = m_pRichRender->GetTextExtent(&measure.dc, m_rcItem.Width());
    m_rcItem.right = m_rcItem.left + size.cx;
    m_rcItem.bottom = m_rcItem.top + size.cy;
    return;
  }
  if (m_pUIElement && m_pControl) {
    CalculateHeight();
    return;
  }
  CalculateWidth();
  CalculateHeight();
}

// ---- state and drawing -----------------------------------------------------------------------

BOOL CTKPopupItem::IsSelected() const { return m_pControl && m_pControl->GetHotItem() == this; }

BOOL CTKPopupItem::IsPressed() const { return m_pControl && m_pControl->GetPressedItem() == this; }

void CTKPopupItem::RedrawControl() {
  if (m_pControl) m_pControl->RedrawControl();
}

void CTKPopupItem::Draw(CDC* pDC) {
  if (!m_pControl) return;
  if (m_pUIElement && m_pControl->m_pMarkupContext) {
    CTKPopupPaintManager* pPaintManager = m_pControl->GetPaintManager();
    COLORREF clrText = m_clrText != static_cast<COLORREF>(-1) ? m_clrText : pPaintManager->m_clrText;
    MarkupSetDefaultFont(m_pControl->m_pMarkupContext, static_cast<HFONT>(GetTextFont()->GetSafeHandle()), clrText);
    MarkupRenderElement(m_pUIElement, pDC->GetSafeHdc(), &m_rcItem);
    return;
  }
  m_pControl->GetPaintManager()->DrawItem(pDC, this);
}

CFont* CTKPopupItem::GetTextFont() {
  if (m_fntText.GetSafeHandle() || !m_pControl) return &m_fntText;
  return m_pControl->GetPaintManager()->GetFont();
}
