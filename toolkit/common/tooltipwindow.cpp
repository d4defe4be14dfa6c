#include "toolkit/common/tooltipwindow.h"

#include <algorithm>
#include <cstring>

#include "platform/controls/commctrl.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/multimonitor.h"
#include "toolkit/common/osversioninfo.h"
#include "toolkit/common/resourcemanager.h"

namespace {

// The one mouse hook of the process and the tip that installed it.
HHOOK g_hMouseHook = nullptr;
CTKToolTipContextToolTip* g_pHookToolTip = nullptr;

bool IsRightToLeftWindow(HWND hWnd) { return hWnd && (::GetWindowLong(hWnd, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0; }

}  // namespace

// ---- the standard tooltip ----------------------------------------------------------------------

LRESULT CTKToolTipContext::CStandardToolTip::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == TTM_WINDOWFROMPOINT && lParam)
    return reinterpret_cast<LRESULT>(
        CTKToolTipContextToolTip::WindowFromPoint(*reinterpret_cast<const POINT*>(lParam)));
  return CToolTipCtrl::WindowProc(message, wParam, lParam);
}

HWND CTKToolTipContextToolTip::WindowFromPoint(POINT pt) {
  HWND hWnd = ::WindowFromPoint(pt);
  if (hWnd && (::GetWindowLong(hWnd, GWL_STYLE) & WS_CHILD) && ::SendMessage(hWnd, WM_TK_TOOLTIPTOPARENT, 0, 0) == 1)
    hWnd = ::GetParent(hWnd);
  return hWnd;
}

// ---- items -------------------------------------------------------------------------------------

BOOL CTKToolTipContextToolTip::TOOLITEM::IsSameTool(const TOOLITEM* pItem) const {
  if (!pItem) return IsEmpty();
  return hWnd == pItem->hWnd && nId == pItem->nId;
}

// ---- the own window ----------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CTKToolTipContextToolTip, CWnd)
ON_MESSAGE(TTM_ADDTOOLW, OnAddTool)
ON_MESSAGE(TTM_DELTOOLW, OnDelTool)
ON_MESSAGE(TTM_ACTIVATE, OnActivate)
ON_MESSAGE(TTM_RELAYEVENT, OnRelayEvent)
ON_MESSAGE(TTM_SETTITLEW, OnSetTitle)
ON_MESSAGE(TTM_UPDATETIPTEXTW, OnUpdateTipText)
ON_MESSAGE(TTM_SETDELAYTIME, OnSetDelayTime)
ON_MESSAGE(TTM_WINDOWFROMPOINT, OnWindowFromPoint)
ON_MESSAGE(WM_TK_TOOLTIPIMAGE, OnSetImage)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_NCHITTEST()
ON_WM_MOUSEACTIVATE()
ON_WM_MOUSEMOVE()
ON_WM_TIMER()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CTKToolTipContextToolTip::CTKToolTipContextToolTip(CTKToolTipContext* pContext) : m_pContext(pContext) {}

CTKToolTipContextToolTip::~CTKToolTipContextToolTip() {
  if (GetSafeHwnd()) DestroyWindow();
  RemoveAllTools();
  SetMouseHook(FALSE);
}

BOOL CTKToolTipContextToolTip::Create(CWnd* pOwner, DWORD dwStyle) {
  UINT nClassStyle = CS_SAVEBITS | CS_OWNDC;
  if (GetOSVersionInfo()->IsWinXPOrLater() && !(dwStyle & TKTTS_NOSHADOW)) nClassStyle |= CS_DROPSHADOW;
  LPCTSTR lpszClass = AfxRegisterWndClass(nClassStyle, ::LoadCursorW(nullptr, IDC_ARROW));
  return CreateEx(WS_EX_TOOLWINDOW, lpszClass, nullptr, dwStyle | WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                  CW_USEDEFAULT, CWnd::HwndOf(pOwner), nullptr);
}

CSize CTKToolTipContextToolTip::GetFrameSize() const {
  const RECT& m = m_pContext->GetMargin();
  return CSize(m.left + m.right + 6, m.top + m.bottom + 6);
}

CRect CTKToolTipContextToolTip::GetContentRect(CRect rc) const {
  const RECT& m = m_pContext->GetMargin();
  rc.DeflateRect(m.left + 3, m.top + 3, m.right + 3, m.bottom + 3);
  return rc;
}

int CTKToolTipContextToolTip::GetMaxTipWidth() const {
  const int nWidth = m_pContext->GetMaxTipWidth();
  return nWidth == -1 ? ::GetSystemMetrics(SM_CXSCREEN) : nWidth;
}

void CTKToolTipContextToolTip::RemoveAllTools() {
  for (INT_PTR i = 0; i < m_arrTools.GetSize(); ++i) delete m_arrTools[i];
  m_arrTools.RemoveAll();
}

void CTKToolTipContextToolTip::KillTimerId(UINT_PTR& nTimer) {
  if (nTimer && GetSafeHwnd()) KillTimer(nTimer);
  nTimer = 0;
}

// ---- tool messages -----------------------------------------------------------------------------

LRESULT CTKToolTipContextToolTip::OnAddTool(WPARAM, LPARAM lParam) {
  const auto* pInfo = reinterpret_cast<const TOOLINFO*>(lParam);
  if (!pInfo || pInfo->cbSize < TKTOOLINFO_SIZE) return FALSE;
  auto* pItem = new TOOLITEM();
  pItem->uFlags = pInfo->uFlags;
  pItem->rect = pInfo->rect;
  pItem->hWnd = pInfo->hwnd;
  pItem->nId = pInfo->uId;
  pItem->hInstance = pInfo->hinst;
  if (pInfo->lpszText == LPSTR_TEXTCALLBACKW) pItem->bCallback = TRUE;
  else if (pInfo->lpszText && IS_INTRESOURCE(pInfo->lpszText))
    CTKResourceManager::LoadStringFromModule(
        pInfo->hinst, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(pInfo->lpszText)), &pItem->strText);
  else if (pInfo->lpszText) pItem->strText = pInfo->lpszText;
  if (pInfo->cbSize >= TKTOOLINFO_SIZE_EX && pInfo->lParam)
    pItem->rcPosition = reinterpret_cast<const TK_TOOLTIP_TOOLINFO_EX*>(pInfo->lParam)->rcPosition;
  m_arrTools.Add(pItem);
  return TRUE;
}

LRESULT CTKToolTipContextToolTip::OnDelTool(WPARAM, LPARAM lParam) {
  const auto* pInfo = reinterpret_cast<const TOOLINFO*>(lParam);
  if (!pInfo || pInfo->cbSize < TKTOOLINFO_SIZE) return 0;
  for (INT_PTR i = 0; i < m_arrTools.GetSize(); ++i) {
    TOOLITEM* pItem = m_arrTools[i];
    if (pItem->hWnd != pInfo->hwnd || pItem->nId != pInfo->uId) continue;
    if (m_itemCurrent.IsSameTool(pItem)) ShowTip(nullptr);
    if (m_itemClicked.IsSameTool(pItem)) m_itemClicked.Empty();
    if (m_itemPending.IsSameTool(pItem)) m_itemPending.Empty();
    m_arrTools.RemoveAt(i);
    delete pItem;
    break;
  }
  return 0;
}

void CTKToolTipContextToolTip::Activate(BOOL bActive) {
  m_bActive = bActive;
  if (bActive) return;
  KillTimerId(m_nTimerInitial);
  m_itemPending.Empty();
  if (!m_itemCurrent.IsEmpty()) ShowTip(nullptr);
}

LRESULT CTKToolTipContextToolTip::OnActivate(WPARAM wParam, LPARAM) {
  Activate(wParam != 0);
  return 0;
}

LRESULT CTKToolTipContextToolTip::OnRelayEvent(WPARAM, LPARAM lParam) {
  if (lParam) RelayEvent(reinterpret_cast<const MSG*>(lParam));
  return 0;
}

LRESULT CTKToolTipContextToolTip::OnSetTitle(WPARAM, LPARAM lParam) {
  m_strTitle = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
  return TRUE;
}

LRESULT CTKToolTipContextToolTip::OnUpdateTipText(WPARAM, LPARAM lParam) {
  const auto* pInfo = reinterpret_cast<const TOOLINFO*>(lParam);
  if (!pInfo || pInfo->cbSize < TKTOOLINFO_SIZE) return 0;
  for (INT_PTR i = 0; i < m_arrTools.GetSize(); ++i) {
    TOOLITEM* pItem = m_arrTools[i];
    if (pItem->hWnd != pInfo->hwnd || pItem->nId != pInfo->uId) continue;
    pItem->bCallback = pInfo->lpszText == LPSTR_TEXTCALLBACKW;
    pItem->strText = (pInfo->lpszText && !pItem->bCallback) ? pInfo->lpszText : u"";
    break;
  }
  return 0;
}

LRESULT CTKToolTipContextToolTip::OnSetDelayTime(WPARAM wParam, LPARAM lParam) {
  const int nDelay = LOWORD(lParam);
  switch (wParam) {
    case CTKToolTipContext::tkDelayReshow:
      m_nDelayReshow = nDelay;
      break;
    case CTKToolTipContext::tkDelayAutoPop:
      m_nDelayAutoPop = nDelay;
      break;
    case CTKToolTipContext::tkDelayInitial:
      m_nDelayInitial = nDelay;
      break;
    default:
      break;
  }
  return 0;
}

LRESULT CTKToolTipContextToolTip::OnWindowFromPoint(WPARAM, LPARAM lParam) {
  return lParam ? reinterpret_cast<LRESULT>(WindowFromPoint(*reinterpret_cast<const POINT*>(lParam))) : 0;
}

LRESULT CTKToolTipContextToolTip::OnSetImage(WPARAM, LPARAM lParam) {
  m_pIcon = reinterpret_cast<CTKImageManagerIcon*>(lParam);
  return 0;
}

// ---- following the mouse -----------------------------------------------------------------------

CTKToolTipContextToolTip::TOOLITEM* CTKToolTipContextToolTip::HitTestTools(POINT ptScreen) {
  if (::GetKeyState(VK_LBUTTON) < 0 || ::GetKeyState(VK_RBUTTON) < 0 || ::GetKeyState(VK_MBUTTON) < 0) return nullptr;
  for (INT_PTR i = 0; i < m_arrTools.GetSize(); ++i) {
    TOOLITEM* pItem = m_arrTools[i];
    if (!::IsWindow(pItem->hWnd)) continue;
    RECT rc{};
    const BOOL bIdIsWindow = (pItem->uFlags & TTF_IDISHWND) != 0;
    if (bIdIsWindow) {
      ::GetWindowRect(reinterpret_cast<HWND>(pItem->nId), &rc);
    } else {
      rc = pItem->rect;
      ::MapWindowPoints(pItem->hWnd, nullptr, reinterpret_cast<LPPOINT>(&rc), 2);
    }
    if (!::PtInRect(&rc, ptScreen)) continue;
    if (!bIdIsWindow && WindowFromPoint(ptScreen) != pItem->hWnd) continue;
    return pItem;
  }
  return nullptr;
}

void CTKToolTipContextToolTip::RelayEvent(const MSG* pMsg) {
  if (!m_bActive) return;
  const UINT message = pMsg->message;
  if (!((message >= WM_MOUSEFIRST && message <= 0x20D) || (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK)))
    return;
  TOOLITEM* pHit = HitTestTools(pMsg->pt);
  if (message == WM_LBUTTONDOWN) {
    // A clicked tool stays silent until the cursor leaves it.
    m_itemClicked = pHit ? *pHit : TOOLITEM();
    pHit = nullptr;
  } else if (pHit && m_itemClicked.IsSameTool(pHit)) {
    pHit = nullptr;
  } else {
    m_itemClicked.Empty();
  }
  if (m_nTimerInitial && !m_itemPending.IsSameTool(pHit)) {
    KillTimerId(m_nTimerInitial);
    m_itemPending.Empty();
  }
  if (pHit) {
    if (m_itemCurrent.IsSameTool(pHit)) return;
    if (::GetTickCount() - m_dwLastShowHide >= static_cast<DWORD>(m_nDelayReshow)) {
      // Wait for the initial delay, unless the tip went away only just now.
      if (m_itemPending.IsSameTool(pHit) && m_nTimerInitial) return;
      m_itemPending = *pHit;
      m_nTimerInitial = SetTimer(kTimerInitial, static_cast<UINT>(m_nDelayInitial), nullptr);
      return;
    }
  }
  ShowTip(pHit);
}

void CTKToolTipContextToolTip::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == kTimerInitial) {
    TOOLITEM* pShow = nullptr;
    if (!m_itemPending.IsEmpty()) {
      POINT pt{};
      ::GetCursorPos(&pt);
      TOOLITEM* pHit = HitTestTools(pt);
      if (pHit && m_itemPending.IsSameTool(pHit)) pShow = pHit;
    }
    KillTimerId(m_nTimerInitial);
    m_itemPending.Empty();
    if (pShow) ShowTip(pShow);
  } else if (nIDEvent == kTimerAutoPop) {
    KillTimerId(m_nTimerAutoPop);
    Activate(FALSE);
  }
}

int CTKToolTipContextToolTip::GetCursorOffset() {
  HCURSOR hCursor = ::GetCursor();
  ICONINFO ii{};
  if (!hCursor || !::GetIconInfo(hCursor, &ii)) return 21;
  int nOffset = 21;
  BITMAP bm{};
  WORD words[128];
  std::memset(words, 0xFF, sizeof(words));
  if (ii.hbmMask && ::GetObject(ii.hbmMask, sizeof(bm), &bm) && bm.bmWidth > 0) {
    const LONG nBytes = ::GetBitmapBits(ii.hbmMask, sizeof(words), words);
    if (nBytes > 0) {
      int i;
      if (ii.hbmColor) {
        i = 126;
        while (i >= 0 && words[i] == 0xFFFF) --i;
      } else {
        // A monochrome cursor: the AND mask above the XOR mask. A word is
        // transparent while the AND word is all ones and the XOR word all zeros.
        const int nHalf = static_cast<int>(nBytes / 2) / 2;
        i = std::min(nHalf - 1, 126);
        int j = static_cast<int>(nBytes / 2) - 1;
        while (i >= 0 && words[i] == 0xFFFF && words[j] == 0) {
          --i;
          --j;
        }
      }
      nOffset = ::MulDiv(i + 1, 16, bm.bmWidth) - static_cast<int>(ii.yHotspot);
    }
  }
  if (ii.hbmMask) ::DeleteObject(ii.hbmMask);
  if (ii.hbmColor) ::DeleteObject(ii.hbmColor);
  return nOffset;
}

void CTKToolTipContextToolTip::ShowTip(TOOLITEM* pItem) {
  if (pItem ? m_itemCurrent.IsSameTool(pItem) : m_itemCurrent.IsEmpty()) return;
  if (!GetSafeHwnd()) return;
  CSize size(0, 0);
  if (pItem) {
    size = CalcTipSize(pItem);
    if (size.cx == 0 && size.cy == 0) {
      pItem = nullptr;
      if (m_itemCurrent.IsEmpty()) return;
    }
  }
  SetWindowPos(nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW | SWP_NOOWNERZORDER);
  if (m_bRegion) {
    ::SetWindowRgn(m_hWnd, nullptr, FALSE);
    m_bRegion = FALSE;
  }
  if (pItem) {
    POINT ptCursor{};
    ::GetCursorPos(&ptCursor);
    CRect rc;
    if (::IsRectEmpty(&pItem->rcPosition)) {
      rc = CRect(CPoint(ptCursor.x, ptCursor.y + GetCursorOffset()), size);
      if (IsRightToLeftWindow(pItem->hWnd)) rc.OffsetRect(-size.cx, 0);
    } else {
      POINT pt{pItem->rect.left, pItem->rcPosition.bottom};
      ::ClientToScreen(pItem->hWnd, &pt);
      rc = CRect(CPoint(pt.x, pt.y), size);
    }
    const CRect rcWork = GetMultiMonitor()->GetWorkAreaAtCursor();
    if (rc.right > rcWork.right - 4) rc.OffsetRect(rcWork.right - 4 - rc.right, 0);
    if (rc.left < rcWork.left) rc.OffsetRect(rcWork.left - rc.left, 0);
    if (rc.bottom > rcWork.bottom - 4) rc.OffsetRect(0, ptCursor.y - 3 - rc.bottom);
    SetWindowPos(&CWnd::wndTop, rc.left, rc.top, rc.Width(), rc.Height(), SWP_NOACTIVATE | SWP_NOOWNERZORDER);

    // The current item is set before the tool's window hears of the tip.
    m_itemCurrent = *pItem;
    NMHDR hdr{};
    hdr.hwndFrom = m_hWnd;
    hdr.idFrom = pItem->nId;
    hdr.code = TTN_SHOW;
    if (::IsWindow(pItem->hWnd)) ::SendMessage(pItem->hWnd, WM_NOTIFY, pItem->nId, reinterpret_cast<LPARAM>(&hdr));
    if (!GetSafeHwnd()) return;

    if (GetStyle() & TKTTS_THEMELOOK) {
      const int w = rc.Width(), h = rc.Height();
      HRGN hRgn = ::CreateRectRgn(1, 0, w - 1, 1);
      HRGN hPart = ::CreateRectRgn(0, 1, w, h - 1);
      ::CombineRgn(hRgn, hRgn, hPart, RGN_OR);
      ::DeleteObject(hPart);
      hPart = ::CreateRectRgn(1, h - 1, w - 1, h);
      ::CombineRgn(hRgn, hRgn, hPart, RGN_OR);
      ::DeleteObject(hPart);
      ::SetWindowRgn(m_hWnd, hRgn, FALSE);
      m_bRegion = TRUE;
    }
    SetWindowPos(nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
    Invalidate(FALSE);
    SetMouseHook(TRUE);
    m_itemClicked.Empty();
    KillTimerId(m_nTimerAutoPop);
    if (m_nDelayAutoPop != 0) m_nTimerAutoPop = SetTimer(kTimerAutoPop, static_cast<UINT>(m_nDelayAutoPop), nullptr);
  } else {
    SetMouseHook(FALSE);
    m_itemPending.Empty();
    KillTimerId(m_nTimerAutoPop);
    m_itemCurrent.Empty();
  }
  m_dwLastShowHide = ::GetTickCount();
  OnVisibleChanged(pItem != nullptr);
}

void CTKToolTipContextToolTip::SetMouseHook(BOOL bInstall) {
  if (bInstall) {
    if (g_hMouseHook) return;
    g_hMouseHook = ::SetWindowsHookEx(WH_MOUSE, &CTKToolTipContextToolTip::MouseProc, nullptr, ::GetCurrentThreadId());
    if (g_hMouseHook) g_pHookToolTip = this;
  } else if (g_hMouseHook && g_pHookToolTip == this) {
    ::UnhookWindowsHookEx(g_hMouseHook);
    g_hMouseHook = nullptr;
    g_pHookToolTip = nullptr;
  }
}

LRESULT CALLBACK CTKToolTipContextToolTip::MouseProc(int nCode, WPARAM wParam, LPARAM lParam) {
  HHOOK hHook = g_hMouseHook;
  CTKToolTipContextToolTip* pTip = g_pHookToolTip;
  if (nCode == HC_ACTION && pTip && lParam && !pTip->m_itemCurrent.IsEmpty()) {
    const auto* pHook = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
    const HWND hWnd = WindowFromPoint(pHook->pt);
    if (hWnd != pTip->m_itemCurrent.hWnd) {
      // The cursor left the tool's window: the tip hides or switches.
      MSG msg{};
      msg.hwnd = hWnd;
      msg.message = WM_MOUSEMOVE;
      msg.pt = pHook->pt;
      POINT pt = pHook->pt;
      if (hWnd) ::ScreenToClient(hWnd, &pt);
      msg.lParam = MAKELPARAM(pt.x, pt.y);
      msg.time = ::GetTickCount();
      pTip->RelayEvent(&msg);
    }
  }
  return ::CallNextHookEx(hHook, nCode, wParam, lParam);
}

// ---- the item's text ---------------------------------------------------------------------------

CString CTKToolTipContextToolTip::GetItemText(TOOLITEM* pItem) {
  if (!pItem) return CString();
  if (!pItem->bCallback) return pItem->strText;
  NMTTDISPINFOW info{};
  info.hdr.hwndFrom = m_hWnd;
  info.hdr.idFrom = pItem->nId;
  info.hdr.code = TTN_GETDISPINFOW;
  info.uFlags = pItem->uFlags;
  info.lpszText = info.szText;
  const UINT_PTR nId = pItem->nId;
  const HWND hWnd = pItem->hWnd;
  if (::IsWindow(hWnd)) ::SendMessage(hWnd, WM_NOTIFY, nId, reinterpret_cast<LPARAM>(&info));
  CString strText;
  if (reinterpret_cast<ULONG_PTR>(info.lpszText) > 0xFFFF) strText = info.lpszText;
  else if (info.lpszText)
    CTKResourceManager::LoadStringFromModule(info.hinst, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(info.lpszText)),
                                             &strText);
  if (!(m_pContext->GetToolTipStyle() & TTS_NOPREFIX)) CTKDrawHelpers::StripMnemonics(strText);
  // The answer may have removed the tool; only a tool still listed keeps the text.
  for (INT_PTR i = 0; i < m_arrTools.GetSize(); ++i) {
    if (m_arrTools[i] != pItem) continue;
    pItem->strText = strText;
    pItem->bCallback = FALSE;
    break;
  }
  return strText;
}

// ---- size and paint ----------------------------------------------------------------------------

CSize CTKToolTipContextToolTip::CalcTipSize(TOOLITEM* pItem) {
  const CString strText = GetItemText(pItem);
  if (strText.IsEmpty() || !GetSafeHwnd()) return CSize(0, 0);
  CClientDC dc(this);
  CFont* pOldFont = dc.SelectObject(m_pContext->GetFont());
  const CSize frame = GetFrameSize();

  int nTitleWidth = 0, nTitleHeight = 0;
  if (!m_strTitle.IsEmpty()) {
    dc.SelectObject(m_pContext->GetBoldFont());
    CRect rcTitle(0, 0, 0, 0);
    dc.DrawText(m_strTitle, rcTitle, DT_NOPREFIX | DT_CALCRECT | DT_EXPANDTABS | DT_SINGLELINE);
    nTitleWidth = rcTitle.Width() + 4;
    nTitleHeight = rcTitle.Height() + 20;
    dc.SelectObject(m_pContext->GetFont());
  }
  int nImageExtra = 0, nImageHeight = 0;
  if (m_pIcon) {
    const int w = m_pIcon->GetWidth(), h = m_pIcon->GetHeight();
    nImageHeight = h;
    if (h > 16) nImageExtra = w + 5;
    else if (m_strTitle.IsEmpty()) nImageExtra = w + 3;
    else nTitleWidth += w + 1;
  }
  int nLimit = GetMaxTipWidth() - frame.cx;
  if (!m_strTitle.IsEmpty()) nLimit = std::max(nLimit, nTitleWidth) - 25;
  CRect rcText(0, 0, std::max(nLimit, 0), 0);
  dc.DrawText(strText, rcText, DT_NOPREFIX | DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
  dc.SelectObject(pOldFont);

  int cx = rcText.Width() + nImageExtra;
  int cy = std::max(rcText.Height(), nImageHeight);
  if (!m_strTitle.IsEmpty()) {
    cx = std::max(nTitleWidth, cx + 25);
    cy += nTitleHeight;
  }
  return CSize(cx + frame.cx, cy + frame.cy);
}

void CTKToolTipContextToolTip::DrawBackground(CDC* pDC, TOOLITEM*, CRect rc) { m_pContext->DrawBackground(pDC, rc); }

void CTKToolTipContextToolTip::DrawContent(CDC* pDC, TOOLITEM* pItem, CRect rc) {
  rc = GetContentRect(rc);
  const bool bRTL = pItem && IsRightToLeftWindow(pItem->hWnd);
  const UINT nFlags = bRTL ? (DT_NOPREFIX | DT_EXPANDTABS | DT_RTLREADING | DT_RIGHT) : (DT_NOPREFIX | DT_EXPANDTABS);
  const bool bTitle = !m_strTitle.IsEmpty();
  CRect rcTitle(rc.left + 2, rc.top + 2, rc.right - 2, rc.bottom);
  CRect rcText = rc;

  // Small images sit beside the title (or the text); large ones beside the text.
  if (m_pIcon && m_pIcon->GetHeight() <= 16) {
    const int w = m_pIcon->GetWidth();
    m_pIcon->DrawNormal(pDC, CPoint(bRTL ? rc.right - w : rc.left, rc.top), CSize(w, m_pIcon->GetHeight()));
    const int nIndent = bTitle ? w + 1 : w + 3;
    CRect& rcBeside = bTitle ? rcTitle : rcText;
    if (bRTL) rcBeside.right -= nIndent;
    else rcBeside.left += nIndent;
  }
  if (bTitle) {
    CFont* pOld = pDC->SelectObject(m_pContext->GetBoldFont());
    const int nHeight = pDC->DrawText(m_strTitle, rcTitle, nFlags | DT_SINGLELINE);
    pDC->SelectObject(pOld);
    rcText.top += nHeight + 12;
    if (bRTL) {
      rcText.right -= 10;
      rcText.left += 15;
    } else {
      rcText.left += 10;
      rcText.right -= 15;
    }
  }
  if (m_pIcon && m_pIcon->GetHeight() > 16) {
    const int w = m_pIcon->GetWidth();
    m_pIcon->DrawNormal(pDC, CPoint(bRTL ? rcText.right - w : rcText.left, rcText.top), CSize(w, m_pIcon->GetHeight()));
    if (bRTL) rcText.right -= w + 5;
    else rcText.left += w + 5;
  }
  const CString strText = pItem ? (pItem->bCallback ? GetItemText(pItem) : pItem->strText) : CString();
  pDC->DrawText(strText, rcText, nFlags | DT_WORDBREAK);
}

void CTKToolTipContextToolTip::OnPaint() {
  CPaintDC dc(this);
  CRect rc;
  GetClientRect(rc);
  DrawBackground(&dc, &m_itemCurrent, rc);
  dc.SetTextColor(m_pContext->GetTipTextColor());
  dc.SetBkMode(TRANSPARENT);
  CFont* pOldFont = dc.SelectObject(m_pContext->GetFont());
  DrawContent(&dc, &m_itemCurrent, rc);
  dc.SelectObject(pOldFont);
}

BOOL CTKToolTipContextToolTip::OnEraseBkgnd(CDC*) { return TRUE; }

LRESULT CTKToolTipContextToolTip::OnNcHitTest(CPoint) { return HTTRANSPARENT; }

int CTKToolTipContextToolTip::OnMouseActivate(CWnd*, UINT, UINT) { return MA_NOACTIVATE; }

void CTKToolTipContextToolTip::OnMouseMove(UINT, CPoint) { ShowTip(nullptr); }

void CTKToolTipContextToolTip::OnDestroy() {
  m_itemCurrent.Empty();
  m_itemClicked.Empty();
  m_itemPending.Empty();
  RemoveAllTools();
  m_strTitle.Empty();
  m_pIcon = nullptr;
  m_bActive = FALSE;
  m_nTimerInitial = 0;
  m_nTimerAutoPop = 0;
  m_bRegion = FALSE;
  SetMouseHook(FALSE);
  CWnd::OnDestroy();
}
