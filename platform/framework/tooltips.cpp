// The framework's own tool tips: windows with EnableToolTips get a tip window
// (one per thread) fed from their OnToolHitTest on every mouse message that
// passes through the message loop.
#include <cstdlib>

#include "platform/framework/afxwnd.h"
#include "platform/window/toolinfo.h"

namespace {

// The tooltip control's messages (the control itself lives in the controls
// library; the framework creates it by class name).
constexpr UINT kTtmActivate = WM_USER + 1;
constexpr UINT kTtmRelayEvent = WM_USER + 7;
constexpr UINT kTtmAddTool = WM_USER + 50;
constexpr UINT kTtmDelTool = WM_USER + 51;
constexpr UINT kTtmPop = WM_USER + 28;

struct TipState {
  HWND tip = nullptr;
  HWND owner = nullptr;   // the top-level window the tip window belongs to
  HWND hitWnd = nullptr;  // the window whose hit test found the current tool
  INT_PTR hit = -1;
  TOOLINFOW tool{};
};
thread_local TipState t_tips;

HWND TopLevelOf(HWND h) {
  while (h && (::GetWindowLong(h, GWL_STYLE) & WS_CHILD)) h = ::GetParent(h);
  return h;
}

void DropTool() {
  if (t_tips.hit != -1 && ::IsWindow(t_tips.tip))
    ::SendMessage(t_tips.tip, kTtmDelTool, 0, reinterpret_cast<LPARAM>(&t_tips.tool));
  t_tips.hit = -1;
  t_tips.hitWnd = nullptr;
  t_tips.tool = TOOLINFOW{};
}

bool IsMouseMessage(UINT m) {
  return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
}

}  // namespace

BOOL CWnd::EnableToolTips(BOOL bEnable) {
  BOOL was = (m_nFlags & WF_TOOLTIPS) != 0;
  if (bEnable) {
    m_nFlags |= WF_TOOLTIPS;
  } else {
    m_nFlags &= ~static_cast<DWORD>(WF_TOOLTIPS);
    if (t_tips.hitWnd == m_hWnd) DropTool();
  }
  return was;
}

void CWnd::CancelToolTips(BOOL) {
  if (::IsWindow(t_tips.tip)) ::SendMessage(t_tips.tip, kTtmPop, 0, 0);
}

void CWnd::FilterToolTipMessage(MSG* pMsg) {
  UINT m = pMsg->message;
  if ((m >= WM_KEYFIRST && m <= WM_KEYLAST) || m == WM_MOUSEWHEEL) {
    CancelToolTips(TRUE);
    return;
  }
  if (!IsMouseMessage(m) || !m_hWnd) return;
  // One tip window per thread, belonging to the top-level window in use.
  HWND top = TopLevelOf(m_hWnd);
  if (!::IsWindow(t_tips.tip) || t_tips.owner != top) {
    if (::IsWindow(t_tips.tip)) ::DestroyWindow(t_tips.tip);
    t_tips = TipState{};
    t_tips.tip = ::CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, u"tooltips_class32", nullptr, WS_POPUP, 0, 0, 0, 0,
                                  top, nullptr, nullptr, nullptr);
    if (!t_tips.tip) return;  // no tooltip control registered
    t_tips.owner = top;
    ::SendMessage(t_tips.tip, kTtmActivate, TRUE, 0);
  }
  POINT pt = pMsg->pt;
  ::ScreenToClient(m_hWnd, &pt);
  TOOLINFOW ti{};
  ti.cbSize = sizeof(ti);
  INT_PTR hit = OnToolHitTest(CPoint(pt.x, pt.y), &ti);
  bool same = hit != -1 && hit == t_tips.hit && t_tips.hitWnd == m_hWnd && ti.hwnd == t_tips.tool.hwnd &&
              ti.uId == t_tips.tool.uId;
  if (!same) {
    DropTool();
    if (hit != -1) {
      ::SendMessage(t_tips.tip, kTtmAddTool, 0, reinterpret_cast<LPARAM>(&ti));
      t_tips.hit = hit;
      t_tips.hitWnd = m_hWnd;
      t_tips.tool = ti;
      t_tips.tool.lpszText = LPSTR_TEXTCALLBACK;  // the tip keeps its own copy
    }
  }
  if (ti.lpszText && ti.lpszText != LPSTR_TEXTCALLBACK && !IS_INTRESOURCE(ti.lpszText)) std::free(ti.lpszText);
  if (hit == -1) {
    CancelToolTips();
    return;
  }
  // The tip learns the mouse position from the tool's own window.
  MSG relay = *pMsg;
  relay.hwnd = (t_tips.tool.uFlags & TTF_IDISHWND) ? reinterpret_cast<HWND>(t_tips.tool.uId) : t_tips.tool.hwnd;
  POINT local = pMsg->pt;
  ::ScreenToClient(relay.hwnd, &local);
  if (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) relay.lParam = MAKELPARAM(local.x, local.y);
  ::SendMessage(t_tips.tip, kTtmRelayEvent, 0, reinterpret_cast<LPARAM>(&relay));
}
