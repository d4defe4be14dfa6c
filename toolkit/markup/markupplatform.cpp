// The host services over the window and GDI layers.
#include <cstring>

#include "platform/window/winuser.h"
#include "toolkit/common/resourcemanager.h"
#include "toolkit/common/tooltipcontext.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markuphost.h"

void CTKMarkupHostServices::SetCapture(HWND hWnd) { ::SetCapture(hWnd); }
void CTKMarkupHostServices::ReleaseCapture() { ::ReleaseCapture(); }
void CTKMarkupHostServices::InvalidateRect(HWND hWnd, const RECT* pRect, BOOL bErase) {
  ::InvalidateRect(hWnd, pRect, bErase);
}
LRESULT CTKMarkupHostServices::SendMessage(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(hWnd, nMessage, wParam, lParam);
}

void CTKMarkupHostServices::TrackMouseLeave(HWND hWnd) {
  TRACKMOUSEEVENT tme;
  std::memset(&tme, 0, sizeof(tme));
  tme.cbSize = sizeof(tme);
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = hWnd;
  tme.dwHoverTime = 0;
  ::_TrackMouseEvent(&tme);
}

HCURSOR CTKMarkupHostServices::LoadSystemCursor(int nCursorId) {
  return ::LoadCursorW(nullptr, MAKEINTRESOURCE(nCursorId));
}
void CTKMarkupHostServices::SetCursor(HCURSOR hCursor) { ::SetCursor(hCursor); }
COLORREF CTKMarkupHostServices::GetSysColor(int nIndex) { return ::GetSysColor(nIndex); }

void CTKMarkupHostServices::GetMessageFont(TKMARKUPLOGFONT* pFont) {
  NONCLIENTMETRICSW ncm;
  std::memset(&ncm, 0, sizeof(ncm));
  ncm.cbSize = sizeof(ncm);
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
    *pFont = ncm.lfMessageFont;
    return;
  }
  std::memset(pFont, 0, sizeof(*pFont));
  pFont->lfHeight = -11;
  pFont->lfWeight = FW_NORMAL;
  static const char16_t kFace[] = u"Tahoma";
  std::memcpy(pFont->lfFaceName, kFace, sizeof(kFace));
}

// Markup fonts take the toolkit's character set, as every toolkit font does.
void CTKMarkupHostServices::RelayToolTipMessage(CTKMarkupContext* pContext, HWND hWnd, UINT nMessage, WPARAM wParam,
                                                LPARAM lParam) {
  if (pContext && pContext->GetToolTipContext() && ::IsWindow(hWnd))
    pContext->GetToolTipContext()->RelayToolTipMessage(CWnd::FromHandle(hWnd), nMessage, wParam, lParam);
}

BYTE CTKMarkupHostServices::GetFontCharset() { return GetResourceManager()->GetFontCharset(); }
HFONT CTKMarkupHostServices::CreateFontIndirect(const TKMARKUPLOGFONT* pFont) { return ::CreateFontIndirectW(pFont); }
void CTKMarkupHostServices::DeleteFont(HFONT hFont) { ::DeleteObject(hFont); }

BOOL CTKMarkupHostServices::GetLogFont(HFONT hFont, TKMARKUPLOGFONT* pFont) {
  return ::GetObjectW(hFont, sizeof(*pFont), pFont) == static_cast<int>(sizeof(*pFont));
}

// Set once by the host at start-up; read on the UI thread.
static CTKMarkupHostServices* g_pHostServices = nullptr;

CTKMarkupHostServices* MarkupGetHostServices() {
  static CTKMarkupHostServices s_default;
  return g_pHostServices ? g_pHostServices : &s_default;
}

void MarkupSetHostServices(CTKMarkupHostServices* pServices) { g_pHostServices = pServices; }
