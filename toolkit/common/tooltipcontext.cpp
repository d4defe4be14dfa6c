#include "toolkit/common/tooltipcontext.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/base/clock.h"
#include "platform/controls/commctrl.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/modulehandle.h"
#include "toolkit/common/resourceimages.h"
#include "toolkit/common/resourcemanager.h"
#include "toolkit/common/tooltipwindow.h"

namespace {

constexpr DWORD kToolkitFlags = TKTTF_ALWAYSACTIVATE | TKTTF_RESERVED;

LPWSTR CopyText(LPCWSTR lpszText) {
  size_t n = std::u16string_view(lpszText).size();
  auto* copy = static_cast<LPWSTR>(std::malloc((n + 1) * sizeof(WCHAR)));
  if (copy) std::memcpy(copy, lpszText, (n + 1) * sizeof(WCHAR));
  return copy;
}

// A text the hit test allocated (not the callback marker or a resource id).
bool IsHeapText(LPCWSTR lpszText, HINSTANCE hInstance) {
  return lpszText && lpszText != LPSTR_TEXTCALLBACKW && !hInstance && !IS_INTRESOURCE(lpszText);
}

// Removes a trailing "..." from a text longer than three characters.
void StripEllipsis(LPWSTR lpszText) {
  if (!lpszText) return;
  size_t n = std::u16string_view(lpszText).size();
  if (n > 3 && std::u16string_view(lpszText + n - 3) == u"...") lpszText[n - 3] = 0;
}

bool IsMouseMoveFamily(UINT message) {
  return message == WM_NCMOUSEMOVE || message == WM_MOUSEMOVE || message == WM_LBUTTONUP || message == WM_RBUTTONUP ||
         message == WM_MBUTTONUP || message == WM_MOUSELEAVE;
}

bool IsDeactivatingMessage(UINT message) {
  if (message >= WM_KEYFIRST && message <= 0x108) return true;
  switch (message) {
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONDBLCLK:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      return true;
    default:
      return false;
  }
}

bool AnyMouseButtonDown() {
  return ::GetKeyState(VK_LBUTTON) < 0 || ::GetKeyState(VK_RBUTTON) < 0 || ::GetKeyState(VK_MBUTTON) < 0;
}

// The top-level window a tip of this owner belongs to.
HWND ParentOwnerOf(CWnd* pOwner) {
  CWnd* pParentOwner = pOwner->GetParentOwner();
  return pParentOwner ? pParentOwner->GetSafeHwnd() : pOwner->GetSafeHwnd();
}

}  // namespace

CTKToolTipContext::CTKToolTipContext() {
  m_dwComCtlVersion = GetComCtl32Version();
  m_nMaxTipWidth = ::GetSystemMetrics(SM_CXSCREEN) / 2;
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof(ncm);
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
  ncm.lfStatusFont.lfCharSet = GetResourceManager()->GetFontCharset();
  SetFontIndirect(&ncm.lfStatusFont);
}

CTKToolTipContext::~CTKToolTipContext() { DestroyToolTip(TRUE); }

void CTKToolTipContext::DestroyToolTip(BOOL bDelete) {
  if (!m_pToolTip) return;
  if (m_pToolTip->GetSafeHwnd()) m_pToolTip->DestroyWindow();
  // The last tool went with the window.
  m_lastInfo = TOOLINFO{};
  if (bDelete) {
    delete m_pToolTip;
    m_pToolTip = nullptr;
  }
}

BOOL CTKToolTipContext::IsOwnToolTip() const { return dynamic_cast<CTKToolTipContextToolTip*>(m_pToolTip) != nullptr; }

CWnd* CTKToolTipContext::CreateToolTip(CWnd* pOwner) {
  switch (m_nStyle) {
    case tkToolTipOwn:
    case tkToolTipTheme:
      return new CTKToolTipContextToolTip(this);
    case tkToolTipRichEdit:
      return new CRichEditToolTip(this);
    case tkToolTipLuna:
      return new CLunaToolTip(this);
    case tkToolTipHTML:
      return new CHTMLToolTip(this);
    case tkToolTipMarkup:
      return new CMarkupToolTip(this);
    default:
      return new CStandardToolTip();
  }
}

INT_PTR CTKToolTipContext::HitTestTool(CWnd* pWnd, CPoint point, TOOLINFO* pToolInfo) {
  return pWnd ? pWnd->OnToolHitTest(point, pToolInfo) : -1;
}

// ---- settings ----------------------------------------------------------------------------------

BOOL CTKToolTipContext::IsBalloonSupported() const { return m_dwComCtlVersion > 0x5004F; }

void CTKToolTipContext::SetStyle(int nStyle) {
  if (nStyle == m_nStyle) return;
  if (nStyle == tkToolTipBalloon && !IsBalloonSupported()) return;
  const int nOld = m_nStyle;
  m_nStyle = nStyle;
  DestroyToolTip(TRUE);
  if (nOld == tkToolTipOwn) ModifyToolTipStyle(TKTTS_BUTTONFACEEDGE | TKTTS_NOSHADOW, 0);
  if (nOld == tkToolTipTheme) ModifyToolTipStyle(TKTTS_THEMELOOK, 0);
  if (nStyle == tkToolTipOwn) ModifyToolTipStyle(0, TKTTS_BUTTONFACEEDGE | TKTTS_NOSHADOW);
  if (nStyle == tkToolTipTheme) ModifyToolTipStyle(0, TKTTS_THEMELOOK);
}

void CTKToolTipContext::ModifyToolTipStyle(DWORD dwRemove, DWORD dwAdd) {
  DWORD dwStyle = (m_dwToolTipStyle & ~dwRemove) | dwAdd;
  if (dwStyle == m_dwToolTipStyle) return;
  m_dwToolTipStyle = dwStyle;
  DestroyToolTip(TRUE);
}

void CTKToolTipContext::SetShowTitle(BOOL bShowTitle, int nTitleIcon) {
  m_bShowTitle = bShowTitle;
  m_nTitleIcon = nTitleIcon;
}

void CTKToolTipContext::SetShowImage(BOOL bShowImage, int nImageIdOffset, int nImageWidth) {
  m_bShowImage = bShowImage;
  m_nImageIdOffset = nImageIdOffset;
  m_nImageWidth = nImageWidth;
  DestroyToolTip(TRUE);
}

void CTKToolTipContext::SetMaxTipWidth(int nWidth) {
  m_nMaxTipWidth = nWidth;
  DestroyToolTip(FALSE);
}

void CTKToolTipContext::SetMargin(const RECT& rc) {
  m_rcMargin = rc;
  DestroyToolTip(FALSE);
}

void CTKToolTipContext::SetDelayTime(DWORD dwKind, int nMilliseconds) {
  switch (dwKind) {
    case tkDelayReshow:
      m_nDelayReshow = nMilliseconds;
      break;
    case tkDelayAutoPop:
      m_nDelayAutoPop = nMilliseconds;
      break;
    case tkDelayInitial:
      m_nDelayInitial = nMilliseconds;
      break;
    default:
      return;
  }
  DestroyToolTip(FALSE);
}

void CTKToolTipContext::SetFont(CFont* pFont) {
  LOGFONT lf{};
  if (pFont && pFont->GetSafeHandle() && pFont->GetLogFont(&lf)) SetFontIndirect(&lf);
}

void CTKToolTipContext::SetFontIndirect(const LOGFONT* pLogFont) {
  if (!pLogFont) return;
  LOGFONT lf = *pLogFont;
  m_fnt.DeleteObject();
  m_fntBold.DeleteObject();
  lf.lfWeight = FW_NORMAL;
  m_fnt.CreateFontIndirect(&lf);
  lf.lfWeight = FW_BOLD;
  m_fntBold.CreateFontIndirect(&lf);
  DestroyToolTip(FALSE);
}

COLORREF CTKToolTipContext::GetTipBkColor() const {
  return m_clrTipBack != static_cast<COLORREF>(-1) ? m_clrTipBack : GetColorManager()->GetColor(COLOR_INFOBK);
}

COLORREF CTKToolTipContext::GetTipTextColor() const {
  if (m_clrTipText != static_cast<COLORREF>(-1)) return m_clrTipText;
  return (m_dwToolTipStyle & TKTTS_THEMELOOK) ? RGB(0x4C, 0x4C, 0x4C) : GetColorManager()->GetColor(COLOR_INFOTEXT);
}

// ---- tool records ------------------------------------------------------------------------------

void CTKToolTipContext::InitToolInfo(TOOLINFO* pToolInfo, HWND hWnd, const RECT& rc, INT_PTR nId, LPCWSTR lpszText) {
  if (!pToolInfo || pToolInfo->cbSize < TKTOOLINFO_SIZE) return;
  pToolInfo->hwnd = hWnd;
  pToolInfo->uId = static_cast<UINT_PTR>(nId);
  pToolInfo->rect = rc;
  pToolInfo->lpszText = CopyText(lpszText ? lpszText : u"");
}

void CTKToolTipContext::InitToolInfoEx(TOOLINFO* pToolInfo, HWND hWnd, const RECT& rc, INT_PTR nId, LPCWSTR lpszText,
                                       LPCWSTR lpszTitle, LPCWSTR lpszBody, CTKImageManager* pImageManager) {
  InitToolInfo(pToolInfo, hWnd, rc, nId, lpszText);
  if (!pToolInfo || pToolInfo->cbSize < TKTOOLINFO_SIZE_EX || !pToolInfo->lParam) return;
  auto* pEx = reinterpret_cast<TK_TOOLTIP_TOOLINFO_EX*>(pToolInfo->lParam);
  pEx->pImageManager = pImageManager;
  if (lpszTitle && *lpszTitle && lpszBody && *lpszBody) {
    std::free(pEx->lpszTitle);
    std::free(pEx->lpszBody);
    pEx->lpszTitle = CopyText(lpszTitle);
    pEx->lpszBody = CopyText(lpszBody);
  }
}

// ---- the filter --------------------------------------------------------------------------------

void CTKToolTipContext::DeactivateTip() {
  if (m_pToolTip && m_pToolTip->GetSafeHwnd()) m_pToolTip->SendMessage(TTM_ACTIVATE, FALSE);
}

void CTKToolTipContext::RelayToolTipMessage(CWnd* pWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
  if (!pWnd || !pWnd->GetSafeHwnd()) return;
  MSG msg{};
  msg.hwnd = pWnd->GetSafeHwnd();
  msg.message = nMessage;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = ::GetTickCount();
  ::GetCursorPos(&msg.pt);
  FilterToolTipMessage(pWnd, &msg);
}

void CTKToolTipContext::RelayEvent(CWnd* pToolTip, MSG* pMsg) {
  MSG msg = *pMsg;
  msg.hwnd = reinterpret_cast<HWND>(pToolTip->SendMessage(TTM_WINDOWFROMPOINT, 0, reinterpret_cast<LPARAM>(&msg.pt)));
  if (msg.message >= WM_MOUSEFIRST && msg.message <= 0x20D) {
    POINT pt = msg.pt;
    ::ScreenToClient(msg.hwnd, &pt);
    msg.lParam = MAKELPARAM(pt.x, pt.y);
  }
  pToolTip->SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

void CTKToolTipContext::FilterToolTipMessage(CWnd* pOwner, MSG* pMsg) {
  if (!pOwner || !pOwner->GetSafeHwnd() || !pMsg) return;
  const UINT message = pMsg->message;
  if (!IsMouseMoveFamily(message)) {
    if (IsDeactivatingMessage(message)) DeactivateTip();
    return;
  }
  if (AnyMouseButtonDown()) return;

  const BOOL bActive = CTKDrawHelpers::IsTopParentActive(pOwner);
  // A tip of an inactive window hides, unless its tool asked to show regardless.
  if (m_pToolTip && m_pToolTip->GetSafeHwnd() && m_pToolTip->IsWindowVisible() && !bActive &&
      !(m_lastInfo.uFlags & TKTTF_ALWAYSACTIVATE)) {
    DeactivateTip();
    return;
  }

  // One tip window per context, owned by the top-level window in use.
  const HWND hParentOwner = ParentOwnerOf(pOwner);
  if (m_pToolTip && m_pToolTip->GetSafeHwnd() && ::GetWindow(m_pToolTip->GetSafeHwnd(), GW_OWNER) != hParentOwner)
    DestroyToolTip(FALSE);
  if (!m_pToolTip) m_pToolTip = CreateToolTip(CWnd::FromHandle(hParentOwner));
  if (!m_pToolTip) return;
  if (!m_pToolTip->GetSafeHwnd()) {
    BOOL bCreated = FALSE;
    if (auto* pOwn = dynamic_cast<CTKToolTipContextToolTip*>(m_pToolTip))
      bCreated = pOwn->Create(CWnd::FromHandle(hParentOwner), m_dwToolTipStyle | TTS_ALWAYSTIP | TTS_NOPREFIX);
    else if (auto* pStandard = dynamic_cast<CToolTipCtrl*>(m_pToolTip))
      bCreated = pStandard->Create(CWnd::FromHandle(hParentOwner), (m_nStyle == tkToolTipBalloon ? TTS_BALLOON : 0) |
                                                                       m_dwToolTipStyle | TTS_ALWAYSTIP | TTS_NOPREFIX);
    if (!bCreated) return;
    m_lastInfo = TOOLINFO{};
    m_pToolTip->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fnt.GetSafeHandle()), FALSE);
    m_pToolTip->SendMessage(TTM_SETMAXTIPWIDTH, 0, m_nMaxTipWidth);
    m_pToolTip->SendMessage(TTM_SETMARGIN, 0, reinterpret_cast<LPARAM>(&m_rcMargin));
    if (m_clrTipBack != static_cast<COLORREF>(-1)) m_pToolTip->SendMessage(TTM_SETTIPBKCOLOR, m_clrTipBack);
    if (m_clrTipText != static_cast<COLORREF>(-1)) m_pToolTip->SendMessage(TTM_SETTIPTEXTCOLOR, m_clrTipText);
    if (m_nDelayReshow != -1) m_pToolTip->SendMessage(TTM_SETDELAYTIME, tkDelayReshow, MAKELONG(m_nDelayReshow, 0));
    if (m_nDelayInitial != -1) m_pToolTip->SendMessage(TTM_SETDELAYTIME, tkDelayInitial, MAKELONG(m_nDelayInitial, 0));
    if (m_nDelayAutoPop != -1) m_pToolTip->SendMessage(TTM_SETDELAYTIME, tkDelayAutoPop, MAKELONG(m_nDelayAutoPop, 0));
    m_pToolTip->SendMessage(TTM_ACTIVATE, FALSE);
  }
  CWnd* pToolTip = m_pToolTip;

  // Which tool is under the cursor.
  TOOLINFO ti{};
  ti.cbSize = (m_bShowTitle || m_bShowImage) ? TKTOOLINFO_SIZE_EX : TKTOOLINFO_SIZE;
  TK_TOOLTIP_TOOLINFO_EX tiEx;
  ti.lParam = reinterpret_cast<LPARAM>(&tiEx);
  POINT pt = pMsg->pt;
  pOwner->ScreenToClient(&pt);
  const INT_PTR nHit = HitTestTool(pOwner, CPoint(pt.x, pt.y), &ti);

  // The texts as the tip shows them.
  const BOOL bHeapText = IsHeapText(ti.lpszText, ti.hinst);
  if (m_bShowTitle && tiEx.lpszBody && tiEx.lpszTitle && std::u16string_view(tiEx.lpszBody) == tiEx.lpszTitle) {
    std::free(tiEx.lpszBody);
    tiEx.lpszBody = nullptr;
  }
  if (!(m_dwToolTipStyle & TTS_NOPREFIX)) {
    if (bHeapText) StripMnemonicsInPlace(ti.lpszText);
    StripMnemonicsInPlace(tiEx.lpszTitle);
  }
  if (m_bStripEllipsis) {
    if (bHeapText) StripEllipsis(ti.lpszText);
    StripEllipsis(tiEx.lpszTitle);
  }

  const BOOL bLastValid = m_lastInfo.cbSize >= TKTOOLINFO_SIZE;
  const BOOL bSameTool = ti.hwnd == m_lastInfo.hwnd && ti.uId == m_lastInfo.uId;
  if (bSameTool && ::EqualRect(&ti.rect, &m_lastInfo.rect)) {
    if (nHit != -1) RelayEvent(pToolTip, pMsg);
  } else if (nHit == -1) {
    pToolTip->SendMessage(TTM_ACTIVATE, FALSE);
    // Forget the tool, so that the cursor coming back registers and shows it again.
    if (bLastValid) pToolTip->SendMessage(TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&m_lastInfo));
    m_lastInfo = TOOLINFO{};
  } else {
    if (bSameTool && bLastValid) pToolTip->SendMessage(TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&m_lastInfo));
    TOOLINFO tiAdd = ti;
    tiAdd.uFlags &= ~kToolkitFlags;
    pToolTip->SendMessage(TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&tiAdd));

    const BOOL bTitles = m_nStyle == tkToolTipBalloon || m_nStyle == tkToolTipOwn || m_nStyle == tkToolTipLuna ||
                         m_nStyle == tkToolTipTheme ||
                         (m_nStyle != tkToolTipRichEdit && m_nStyle != tkToolTipHTML && m_nStyle != tkToolTipMarkup &&
                          m_dwComCtlVersion > 0x5004F);
    if (bTitles) {
      if (m_bShowTitle && tiEx.lpszBody) {
        pToolTip->SendMessage(TTM_SETTITLE, m_nTitleIcon, reinterpret_cast<LPARAM>(tiEx.lpszTitle));
        TOOLINFO tiBody = tiAdd;
        tiBody.lpszText = tiEx.lpszBody;
        pToolTip->SendMessage(TTM_UPDATETIPTEXT, 0, reinterpret_cast<LPARAM>(&tiBody));
      } else {
        pToolTip->SendMessage(TTM_SETTITLE, 0, 0);
      }
    }
    if (m_bShowImage) {
      CTKImageManagerIcon* pIcon =
          tiEx.pImageManager ? tiEx.pImageManager->LookupIcon(static_cast<UINT>(nHit + m_nImageIdOffset), m_nImageWidth)
                             : nullptr;
      pToolTip->SendMessage(WM_TK_TOOLTIPIMAGE, 0, reinterpret_cast<LPARAM>(pIcon));
    }
    if ((ti.uFlags & TKTTF_ALWAYSACTIVATE) || bActive) {
      pToolTip->SendMessage(TTM_ACTIVATE, TRUE);
      pToolTip->SetWindowPos(&CWnd::wndTop, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
    RelayEvent(pToolTip, pMsg);
    if (!bSameTool && bLastValid) pToolTip->SendMessage(TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&m_lastInfo));
    m_lastInfo = ti;
    // The strings are freed below; the record keeps only the tool's identity.
    m_lastInfo.lpszText = nullptr;
    m_lastInfo.lParam = 0;
  }

  if (bHeapText) std::free(ti.lpszText);
  std::free(tiEx.lpszTitle);
  std::free(tiEx.lpszBody);
}

// ---- drawing -----------------------------------------------------------------------------------

void CTKToolTipContext::DrawBackground(CDC* pDC, CRect rc) {
  if (m_dwToolTipStyle & TKTTS_THEMELOOK) {
    CTKResourceImages* pImages = GetResourceImages();
    const COLORREF clrLight = pImages->GetIniColor(u"Window", u"TooltipLight", RGB(0xFF, 0xFF, 0xFF));
    const COLORREF clrDark = pImages->GetIniColor(u"Window", u"TooltipDark", RGB(0xC9, 0xD9, 0xEF));
    GetDrawHelpers()->GradientFill(pDC, rc, clrLight, clrDark, FALSE);
    if (CTKResourceImage* pFrame = pImages->GetImage(u"TOOLTIPFRAME")) {
      const CSize size = pFrame->GetExtent();
      pFrame->DrawImageTransparent(pDC, rc, CRect(0, 0, size.cx, size.cy), CRect(3, 3, 3, 3), RGB(0xFF, 0x00, 0xFF));
    } else {
      const COLORREF clrBorder = pImages->GetIniColor(u"Window", u"TooltipBorder", RGB(0x76, 0x76, 0x76));
      pDC->Draw3dRect(rc, clrBorder, clrBorder);
    }
  } else {
    pDC->FillSolidRect(rc, GetTipBkColor());
    const COLORREF clrTopLeft =
        (m_dwToolTipStyle & TKTTS_BUTTONFACEEDGE) ? GetColorManager()->GetColor(COLOR_BTNFACE) : 0;
    pDC->Draw3dRect(rc, clrTopLeft, 0);
  }
  pDC->SetTextColor(GetTipTextColor());
}
