// The looks of the own tip window: the Luna gradient, rich text, markup and
// HTML.
#include <algorithm>
#include <cstdlib>

#include "platform/shell/richedit.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/richrender.h"
#include "toolkit/common/tooltipwindow.h"

namespace {

const TK_TOOLTIP_MARKUP_FUNCTIONS* g_pMarkupFunctions = nullptr;

}  // namespace

// ---- Luna --------------------------------------------------------------------------------------

namespace {

// The Luna gradient and frame under each colour scheme; other schemes take
// the tip's own background fading to white in a black frame.
struct LunaColors {
  int scheme;
  COLORREF top;
  COLORREF bottom;
  COLORREF frame;
};
constexpr LunaColors kLunaColors[] = {
    {CTKColorManager::tkThemeLunaBlue, 0x97D4FF, 0xC8F2FF, 0x800000},
    {CTKColorManager::tkThemeRoyale, 0x97D4FF, 0xC8F2FF, 0x800000},
    {CTKColorManager::tkThemeAero, 0x97D4FF, 0xC8F2FF, 0x800000},
    {CTKColorManager::tkThemeLunaOlive, 0x97D4FF, 0xC8F2FF, 0x385D3F},
    {CTKColorManager::tkThemeLunaSilver, 0x97D4FF, 0xC8F2FF, 0x6F4B4B},
};
constexpr COLORREF kOtherBottom = 0xFFFFFF;
constexpr COLORREF kOtherFrame = 0x000000;

}  // namespace

void CTKToolTipContext::CLunaToolTip::DrawBackground(CDC* pDC, TOOLITEM*, CRect rc) {
  const int scheme = GetColorManager()->GetCurrentTheme();
  COLORREF clrTop = m_pContext->GetTipBkColor(), clrBottom = kOtherBottom, clrFrame = kOtherFrame;
  for (const LunaColors& colors : kLunaColors) {
    if (colors.scheme != scheme) continue;
    clrTop = colors.top;
    clrBottom = colors.bottom;
    clrFrame = colors.frame;
  }
  GetDrawHelpers()->GradientFill(pDC, rc, clrTop, clrBottom, FALSE);
  pDC->Draw3dRect(rc, clrFrame, clrFrame);
}

// ---- rich text ---------------------------------------------------------------------------------

CTKToolTipContext::CRichEditToolTip::CRichEditToolTip(CTKToolTipContext* pContext)
    : CTKToolTipContextToolTip(pContext), m_pRender(std::make_unique<CTKRichRender>()) {}

CTKToolTipContext::CRichEditToolTip::~CRichEditToolTip() = default;

CSize CTKToolTipContext::CRichEditToolTip::CalcTipSize(TOOLITEM* pItem) {
  if (!m_pRender->IsAvailable() || !GetSafeHwnd()) return CSize(0, 0);
  const CString strText = GetItemText(pItem);
  if (strText.IsEmpty()) return CSize(0, 0);
  CClientDC dc(this);
  LOGFONT lf{};
  m_pContext->GetFont()->GetLogFont(&lf);
  CHARFORMATW cf{};
  cf.cbSize = sizeof(cf);
  cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_PROTECTED | CFM_COLOR | CFM_FACE | CFM_SIZE;
  cf.dwEffects = 0;
  // A cell height (positive) counts like a character height here.
  cf.yHeight = std::abs(lf.lfHeight) * 1440 / std::max(dc.GetDeviceCaps(LOGPIXELSY), 1);
  cf.crTextColor = m_pContext->GetTipTextColor();
  std::copy_n(lf.lfFaceName, LF_FACESIZE_RICH - 1, cf.szFaceName);
  m_pRender->SetText(u"");
  m_pRender->SetDefaultCharFormat(&cf);
  m_pRender->SetText(strText);
  const CSize frame = GetFrameSize();
  const CSize extent = m_pRender->GetTextExtent(&dc, GetMaxTipWidth() - frame.cx);
  if (extent.cx == 0 && extent.cy == 0) return CSize(0, 0);
  return CSize(extent.cx + frame.cx, extent.cy + frame.cy);
}

void CTKToolTipContext::CRichEditToolTip::DrawContent(CDC* pDC, TOOLITEM*, CRect rc) {
  const CRect rcContent = GetContentRect(rc);
  m_pRender->Draw(pDC, rcContent);
}

// ---- HTML --------------------------------------------------------------------------------------

CSize CTKToolTipContext::CHTMLToolTip::CalcTipSize(TOOLITEM*) { return CSize(0, 0); }

// ---- markup ------------------------------------------------------------------------------------

void TKSetToolTipMarkupFunctions(const TK_TOOLTIP_MARKUP_FUNCTIONS* pFunctions) { g_pMarkupFunctions = pFunctions; }

const TK_TOOLTIP_MARKUP_FUNCTIONS* TKGetToolTipMarkupFunctions() { return g_pMarkupFunctions; }

CTKToolTipContext::CMarkupToolTip::CMarkupToolTip(CTKToolTipContext* pContext) : CTKToolTipContextToolTip(pContext) {
  m_pFunctions = g_pMarkupFunctions;
  if (m_pFunctions) m_pMarkupContext = m_pFunctions->pfnCreateContext(nullptr);
}

CTKToolTipContext::CMarkupToolTip::~CMarkupToolTip() {
  ReleaseElement();
  if (m_pMarkupContext) m_pFunctions->pfnReleaseContext(m_pMarkupContext);
}

void CTKToolTipContext::CMarkupToolTip::ReleaseElement() {
  if (m_pElement) m_pFunctions->pfnReleaseElement(m_pElement);
}

CSize CTKToolTipContext::CMarkupToolTip::CalcTipSize(TOOLITEM* pItem) {
  ReleaseElement();
  const CString strText = GetItemText(pItem);
  if (strText.IsEmpty()) return CSize(0, 0);
  if (m_pMarkupContext) {
    m_pFunctions->pfnSetDefaultFont(m_pMarkupContext, static_cast<HFONT>(m_pContext->GetFont()->GetSafeHandle()),
                                    m_pContext->GetTipTextColor());
    m_pElement = m_pFunctions->pfnParseText(m_pMarkupContext, strText);
  }
  // Text that does not parse shows as plain text.
  if (!m_pElement) return CTKToolTipContextToolTip::CalcTipSize(pItem);
  const CSize frame = GetFrameSize();
  const SIZE size = m_pFunctions->pfnMeasureElement(m_pElement, GetMaxTipWidth() - frame.cx, 0x7FFFFFFF);
  return CSize(size.cx + frame.cx, size.cy + frame.cy);
}

void CTKToolTipContext::CMarkupToolTip::DrawContent(CDC* pDC, TOOLITEM* pItem, CRect rc) {
  if (!m_pElement) {
    CTKToolTipContextToolTip::DrawContent(pDC, pItem, rc);
    return;
  }
  const CRect rcContent = GetContentRect(rc);
  m_pFunctions->pfnRenderElement(m_pElement, pDC->GetSafeHdc(), &rcContent);
}
