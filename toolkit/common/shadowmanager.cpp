#include "toolkit/common/shadowmanager.h"

#include <algorithm>

#include "platform/framework/afxgdi.h"
#include "platform/framework/afxmsg.h"
#include "platform/system/modules.h"
#include "platform/window/winuser.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/systemservices.h"

namespace {

constexpr UINT kShowFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER;  // 0x253
constexpr UINT kOffsetFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;                            // 0x214

CRect WindowRectOfWnd(const CWnd* pWnd) {
  CRect rc(0, 0, 0, 0);
  if (HWND hWnd = CWnd::HwndOf(pWnd); hWnd && ::IsWindow(hWnd)) ::GetWindowRect(hWnd, &rc);
  return rc;
}

// The shadow colour with red, green and blue scaled by the factor.
DWORD ShadowPixel(COLORREF color, double factor, int alpha) {
  const auto scale = [factor](int channel) { return static_cast<DWORD>(channel * factor) & 0xFF; };
  return (static_cast<DWORD>(std::min(alpha, 255)) << 24) | (scale(GetRValue(color)) << 16) |
         (scale(GetGValue(color)) << 8) | scale(GetBValue(color));
}

}  // namespace

// ---- the shadow window ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CTKShadowManager::CShadowWnd, CWnd)
ON_WM_ERASEBKGND()
ON_WM_NCHITTEST()
ON_WM_PAINT()
ON_WM_SIZE()
END_MESSAGE_MAP()

CTKShadowManager::CShadowWnd::CShadowWnd(CTKShadowManager* pManager) : m_pManager(pManager) {
  m_pManager->InternalAddRef();
}

CTKShadowManager::CShadowWnd::~CShadowWnd() {
  if (m_hWnd) DestroyWindow();
  m_pManager->InternalRelease();
}

BOOL CTKShadowManager::CShadowWnd::Create(int nType, const CRect& rcOwner) {
  const BOOL alpha = m_pManager->m_bAlphaShadow;
  if (!m_hWnd) {
    LPCTSTR className = AfxRegisterWndClass(m_pManager->m_bUseClassStyles ? CS_SAVEBITS | CS_OWNDC : 0,
                                            ::LoadCursorW(nullptr, IDC_ARROW));
    const HWND hWndOwner = CWnd::HwndOf(m_pOwner);
    const HWND hWndParent = hWndOwner ? ::GetParent(hWndOwner) : nullptr;
    if (!CreateEx(WS_EX_TOOLWINDOW | (alpha ? WS_EX_LAYERED : 0), className, nullptr, WS_POPUP, 0, 0, 0, 0, hWndParent,
                  nullptr))
      return FALSE;
  }
  ::SetWindowRgn(m_hWnd, nullptr, FALSE);
  m_bRegion = FALSE;
  m_nType = nType;
  const int t = alpha ? 4 : 2;
  CRect rc;
  switch (nType) {
    case kShadowBottom:  // covers the corner below the right shadow
      rc.SetRect(rcOwner.left + t, rcOwner.bottom, rcOwner.right + t, rcOwner.bottom + t);
      break;
    case kShadowRight:
      rc.SetRect(rcOwner.right, rcOwner.top + t, rcOwner.right + t, rcOwner.bottom);
      break;
    default:  // one pixel inside the owner's corner
      rc.SetRect(rcOwner.right - 1, rcOwner.bottom - 1, rcOwner.right, rcOwner.bottom);
      break;
  }
  ::SetWindowPos(m_hWnd, nullptr, rc.left, rc.top, rc.Width(), rc.Height(),
                 SWP_NOREDRAW | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  return TRUE;
}

void CTKShadowManager::CShadowWnd::FitToShadows() {
  if (!m_hWnd || m_nType == kShadowCorner) return;
  CRect rc;
  ::GetWindowRect(m_hWnd, &rc);
  const CRect original = rc;
  for (POSITION pos = m_pManager->m_lstShadow.GetHeadPosition(); pos;) {
    CShadowWnd* other = m_pManager->m_lstShadow.GetNext(pos);
    if (other == this || !other->m_hWnd) continue;
    CRect rcOther;
    ::GetWindowRect(other->m_hWnd, &rcOther);
    if (m_nType == kShadowBottom && other->m_nType == kShadowRight) {
      if (rc.left == rcOther.right - 1 && rcOther.top <= rc.top && rcOther.bottom >= rc.bottom)
        rc.left -= 2 * rcOther.Width() + 1;
    } else if (m_nType == kShadowRight && other->m_nType == kShadowBottom) {
      if (rc.top == rcOther.bottom - 1 && rc.right > rcOther.left && rc.right <= rcOther.right)
        rc.top -= 2 * rcOther.Height();
    }
  }
  if (rc != original)
    ::SetWindowPos(m_hWnd, nullptr, rc.left, rc.top, rc.Width(), rc.Height(),
                   SWP_NOREDRAW | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void CTKShadowManager::CShadowWnd::ExcludeRect(CRect rcExclude) {
  if (!m_hWnd) return;
  CRect rcWindow;
  ::GetWindowRect(m_hWnd, &rcWindow);
  CRect rcCut;
  if (!rcCut.IntersectRect(&rcWindow, &rcExclude)) return;
  rcCut.OffsetRect(-rcWindow.left, -rcWindow.top);
  // A second cut keeps the first: the region only ever loses pixels.
  HRGN region = ::CreateRectRgn(0, 0, rcWindow.Width(), rcWindow.Height());
  if (m_bRegion) ::GetWindowRgn(m_hWnd, region);
  HRGN cut = ::CreateRectRgn(rcCut.left, rcCut.top, rcCut.right, rcCut.bottom);
  ::CombineRgn(region, region, cut, RGN_DIFF);
  ::DeleteObject(cut);
  ::SetWindowRgn(m_hWnd, region, FALSE);  // the window owns the region now
  m_bRegion = TRUE;
}

int CTKShadowManager::CShadowWnd::HandleHookedMessage(HWND, UINT nMessage, WPARAM& wParam, LPARAM&, LRESULT&) {
  switch (nMessage) {
    case WM_SHOWWINDOW:
      if (m_hWnd) ::ShowWindow(m_hWnd, wParam ? SW_SHOWNA : SW_HIDE);
      break;
    case WM_DESTROY:
      if (m_pOwner) GetHookManager()->RemoveHook(m_pOwner->GetSafeHwnd(), this);
      m_pManager->RemoveShadow(this);  // deletes this shadow
      break;
    default:
      break;
  }
  return 0;
}

BOOL CTKShadowManager::CShadowWnd::OnEraseBkgnd(CDC*) { return TRUE; }

LRESULT CTKShadowManager::CShadowWnd::OnNcHitTest(CPoint) { return HTTRANSPARENT; }

void CTKShadowManager::CShadowWnd::OnPaint() {
  CPaintDC dc(this);
  CRect rc;
  GetClientRect(&rc);
  dc.FillSolidRect(&rc, m_pManager->m_bAlphaShadow ? RGB(0, 0, 0) : GetColorManager()->GetColor(COLOR_BTNSHADOW));
}

void CTKShadowManager::CShadowWnd::OnSize(UINT nType, int cx, int cy) {
  CWnd::OnSize(nType, cx, cy);
  if (!m_pManager->m_bAlphaShadow || !m_pManager->m_pfnUpdateLayeredWindow || !m_pOwner || cx <= 0 || cy <= 0) return;
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = cx;
  bmi.bmiHeader.biHeight = cy;  // bottom-up
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateDIBSection(screen, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    const int s = (m_pManager->m_nOptions & 1) ? 1 : 2;
    FillShadowPixels(static_cast<DWORD*>(bits), cx, cy, m_nType, s, m_pManager->m_clrShadow);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    SIZE size{cx, cy};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    m_pManager->m_pfnUpdateLayeredWindow(m_hWnd, nullptr, nullptr, &size, memory, &source, 0, &blend, ULW_ALPHA);
    ::SelectObject(memory, old);
  }
  if (bitmap) ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
}

void CTKShadowManager::CShadowWnd::FillShadowPixels(DWORD* pBits, int cx, int cy, int nType, int s,
                                                    COLORREF clrShadow) {
  if (!pBits || cx <= 0 || cy <= 0) return;
  // (x, y) from the top-left corner; rows are stored bottom-up.
  const auto put = [&](int x, int y, int alpha, double factor) {
    if (x < 0 || x >= cx || y < 0 || y >= cy) return;
    pBits[static_cast<size_t>(cy - 1 - y) * cx + x] = ShadowPixel(clrShadow, factor, alpha);
  };
  switch (nType) {
    case kShadowCorner:
      put(0, 0, 60 * s, 1.0);
      break;
    case kShadowRight:
      // d counts from the far column (1) to the one touching the owner (4);
      // the top four rows fade in with e.
      for (int x = 0; x < std::min(cx, 4); ++x) {
        const int d = 4 - x;
        for (int y = 0; y < cy; ++y) {
          if (y < 4) {
            const int e = y + 1;
            put(x, y, 3 * s * d * e, d * e / 20.0);
          } else {
            put(x, y, 15 * s * d, d / 4.0);
          }
        }
      }
      break;
    case kShadowBottom:
      for (int y = 0; y < std::min(cy, 4); ++y) {
        const int d = 4 - y;
        if (cx > 8)
          for (int x = 4; x < cx - 4; ++x) put(x, y, 15 * s * d, d / 4.0);
        for (int k = 0; k < 4; ++k) {
          const int e = k + 1;
          put(k, y, 3 * s * d * e, d * e / 20.0);           // fading in from the left end
          put(cx - 1 - k, y, 3 * s * d * e, d * e / 20.0);  // and out at the right end
        }
      }
      break;
    default:
      break;
  }
}

// ---- the manager ---------------------------------------------------------------------------------

CTKShadowManager::CTKShadowManager() {
  TKEnsureUser32Module();
  if (HMODULE user32 = ::GetModuleHandleW(u"USER32"))
    m_pfnUpdateLayeredWindow = pv::ProcAs<BOOL(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD)>(
        ::GetProcAddress(user32, "UpdateLayeredWindow"));
  m_bAlphaShadow = IsAlphaShadowAvailable();
}

CTKShadowManager::~CTKShadowManager() {
  // The windows die with their owners; only the list goes here.
  m_lstShadow.RemoveAll();
}

BOOL CTKShadowManager::IsAlphaShadowAvailable() const {
  return !CTKColorManager::IsLowResolution() && m_pfnUpdateLayeredWindow != nullptr;
}

void CTKShadowManager::RefreshMetrics() {
  m_bAlphaShadow = IsAlphaShadowAvailable();
  for (POSITION pos = m_lstShadow.GetHeadPosition(); pos;) {
    CShadowWnd* shadow = m_lstShadow.GetNext(pos);
    if (!shadow->m_hWnd) continue;
    CRect rc;
    ::GetClientRect(shadow->m_hWnd, &rc);
    // WM_SIZE draws a layered shadow; a plain one paints.
    ::SendMessageW(shadow->m_hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.Width(), rc.Height()));
    ::InvalidateRect(shadow->m_hWnd, nullptr, TRUE);
  }
}

void CTKShadowManager::AddWindowShadows(CWnd* pOwner, CRect rcExclude, int nKey) {
  const HWND hWndOwner = CWnd::HwndOf(pOwner);
  if (!hWndOwner || !::IsWindow(hWndOwner)) return;
  if (!(m_nOptions & 1)) {
    BOOL dropShadow = FALSE;
    ::SystemParametersInfoW(SPI_GETDROPSHADOW, 0, &dropShadow, 0);
    if (!m_bAlphaShadow || !dropShadow) return;
  }
  const CRect rcOwner = WindowRectOfWnd(pOwner);
  CreateShadow(kShadowBottom, rcOwner, rcExclude, pOwner, FALSE, nKey);
  CreateShadow(kShadowRight, rcOwner, rcExclude, pOwner, FALSE, nKey);
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  if (::GetWindowRgn(hWndOwner, region) == COMPLEXREGION)
    CreateShadow(kShadowCorner, rcOwner, rcExclude, pOwner, FALSE, nKey);
  ::DeleteObject(region);
}

void CTKShadowManager::AddControlShadows(int left, int top, int right, int bottom, CWnd* pPopupBar) {
  if ((m_nOptions & 3) != 3) return;
  const CRect rc(left, top, right, bottom);
  CreateShadow(kShadowBottom, rc, CRect(0, 0, 0, 0), pPopupBar, TRUE, 0);
  CreateShadow(kShadowRight, rc, CRect(0, 0, 0, 0), pPopupBar, TRUE, 0);
}

CTKShadowManager::CShadowWnd* CTKShadowManager::CreateShadow(int nType, const CRect& rcOwner, const CRect& rcExclude,
                                                             CWnd* pOwner, BOOL bControlShadow, int nKey) {
  auto* shadow = new CShadowWnd(this);
  shadow->m_bControlShadow = bControlShadow;
  shadow->m_nKey = nKey;
  shadow->m_pOwner = pOwner;
  shadow->Create(nType, rcOwner);
  shadow->FitToShadows();
  m_lstShadow.AddTail(shadow);
  if (m_nOptions & 2) shadow->ExcludeRect(rcExclude);
  for (POSITION pos = m_lstShadow.GetHeadPosition(); pos;) {
    CShadowWnd* other = m_lstShadow.GetNext(pos);
    if (!other->m_pOwner || other->m_nKey != nKey) continue;
    if (nType == kShadowCorner && other->m_pOwner == pOwner) continue;
    shadow->ExcludeRect(WindowRectOfWnd(other->m_pOwner));
  }
  if (shadow->m_hWnd) {
    const HWND hWndOwner = CWnd::HwndOf(pOwner);
    const bool topmost = hWndOwner && (::GetWindowLongW(hWndOwner, GWL_EXSTYLE) & WS_EX_TOPMOST);
    ::SetWindowPos(shadow->m_hWnd, topmost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0, kShowFlags);
  }
  if (HWND hWndOwner = CWnd::HwndOf(pOwner)) GetHookManager()->AddHook(hWndOwner, shadow);
  return shadow;
}

void CTKShadowManager::RemoveWindowShadows(CWnd* pOwner) {
  POSITION pos = FindShadowPosition(pOwner);
  while (pos) {
    CShadowWnd* shadow = GetNextShadow(pos);
    GetHookManager()->RemoveHook(CWnd::HwndOf(pOwner), shadow);
    RemoveShadow(shadow);
  }
}

POSITION CTKShadowManager::FindShadowPosition(CWnd* pOwner) const {
  for (POSITION pos = m_lstShadow.GetHeadPosition(); pos;) {
    const POSITION here = pos;
    if (m_lstShadow.GetNext(pos)->m_pOwner == pOwner) return here;
  }
  return nullptr;
}

CTKShadowManager::CShadowWnd* CTKShadowManager::GetNextShadow(POSITION& pos) const {
  if (!pos) return nullptr;
  CShadowWnd* shadow = m_lstShadow.GetNext(pos);
  while (pos) {
    const POSITION here = pos;
    if (m_lstShadow.GetNext(pos)->m_pOwner == shadow->m_pOwner) {
      pos = here;
      return shadow;
    }
  }
  return shadow;
}

void CTKShadowManager::RemoveShadow(CShadowWnd* pShadow) {
  if (!pShadow) return;
  if (pShadow->m_hWnd) pShadow->ShowWindow(SW_HIDE);
  pShadow->m_pOwner = nullptr;
  GetHookManager()->RemoveClient(pShadow);  // never leave a deleted client hooked
  if (POSITION pos = m_lstShadow.Find(pShadow)) m_lstShadow.RemoveAt(pos);
  delete pShadow;  // destroys its window
}

void CTKShadowManager::OffsetShadows(CWnd* pOwner, int dx, int dy) {
  const HWND hWndOwner = CWnd::HwndOf(pOwner);
  const bool rtl = hWndOwner && (::GetWindowLongW(hWndOwner, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
  for (POSITION pos = FindShadowPosition(pOwner); pos;) {
    CShadowWnd* shadow = GetNextShadow(pos);
    if (!shadow->m_hWnd || shadow->m_bControlShadow) continue;
    ::SetWindowRgn(shadow->m_hWnd, nullptr, FALSE);
    shadow->m_bRegion = FALSE;
    CRect rc;
    ::GetWindowRect(shadow->m_hWnd, &rc);
    int left = rc.left, top = rc.top, width = rc.Width(), height = rc.Height();
    switch (shadow->m_nType) {
      case kShadowRight:
        if (!rtl) left += dx;
        height += dy;
        break;
      case kShadowBottom:
        left += rtl ? -dx : 0;
        top += dy;
        width += dx;
        break;
      default:
        if (!rtl) left += dx;
        top += dy;
        break;
    }
    ::SetWindowPos(shadow->m_hWnd, nullptr, left, top, width, height, kOffsetFlags);
  }
}
