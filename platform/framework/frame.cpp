// Frames, control bars, the MDI frame, its client window and its children.
#include <algorithm>
#include <unordered_map>

#include "platform/framework/afxdoc.h"
#include "platform/framework/afxstate.h"

IMPLEMENT_DYNAMIC(CControlBar, CWnd)
IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)
IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)
IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)
IMPLEMENT_DYNCREATE(CMiniFrameWnd, CFrameWnd)

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

namespace {
void SetTextIfChanged(HWND h, LPCTSTR text) {
  CString current;
  CWnd::FromHandle(h)->GetWindowText(current);
  if (current != CString(text)) ::SetWindowText(h, text);
}
}  // namespace

CFrameWnd* CWnd::GetParentFrame() const {
  if (!m_hWnd) return nullptr;
  for (HWND h = ::GetParent(m_hWnd); h; h = ::GetParent(h)) {
    if (auto* f = dynamic_cast<CFrameWnd*>(FromHandlePermanent(h))) return f;
  }
  return nullptr;
}

CFrameWnd* CWnd::GetTopLevelFrame() const {
  if (!m_hWnd) return nullptr;
  CFrameWnd* frame = dynamic_cast<CFrameWnd*>(const_cast<CWnd*>(this));
  if (!frame) frame = GetParentFrame();
  while (frame) {
    CFrameWnd* up = frame->GetParentFrame();
    if (!up) break;
    frame = up;
  }
  return frame;
}

// ---- CControlBar ---------------------------------------------------------------------------------------
namespace {
// Room of the gripper on a docked bar (a 3-pixel grip with 2-pixel margins).
constexpr int kGripperAll = 7;
int BorderX2() { return 2 * ::GetSystemMetrics(SM_CXBORDER); }
int BorderY2() { return 2 * ::GetSystemMetrics(SM_CYBORDER); }
}  // namespace

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
  ON_MESSAGE(WM_SIZEPARENT, OnSizeParent)
  ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
  ON_WM_WINDOWPOSCHANGING()
  ON_WM_NCPAINT()
END_MESSAGE_MAP()

void CControlBar::SetBarStyle(DWORD dwStyle) {
  if (m_dwStyle == dwStyle) return;
  DWORD old = m_dwStyle;
  m_dwStyle = dwStyle;
  OnBarStyleChange(old, dwStyle);
}

void CControlBar::SetBorders(int cxLeft, int cyTop, int cxRight, int cyBottom) {
  m_cxLeftBorder = cxLeft;
  m_cyTopBorder = cyTop;
  m_cxRightBorder = cxRight;
  m_cyBottomBorder = cyBottom;
}

BOOL CControlBar::IsVisible() const {
  if (m_nStateFlags & delayHide) return FALSE;
  return (m_nStateFlags & delayShow) || (m_hWnd && (GetStyle() & WS_VISIBLE));
}

void CControlBar::DelayShow(BOOL bShow) {
  m_nStateFlags &= ~static_cast<UINT>(delayHide | delayShow);
  BOOL shown = m_hWnd && (GetStyle() & WS_VISIBLE);
  if (bShow && !shown) m_nStateFlags |= delayShow;
  else if (!bShow && shown) m_nStateFlags |= delayHide;
}

CFrameWnd* CControlBar::GetDockingFrame() const { return m_pDockSite ? m_pDockSite : GetParentFrame(); }

CSize CControlBar::CalcFixedLayout(BOOL, BOOL bHorz) {
  CRect r;
  GetWindowRect(&r);
  return bHorz ? CSize(32767, r.Height()) : CSize(r.Width(), 32767);
}

CSize CControlBar::CalcDynamicLayout(int, DWORD dwMode) {
  return CalcFixedLayout((dwMode & LM_STRETCH) != 0, (dwMode & LM_HORZ) != 0);
}

void CControlBar::CalcInsideRect(CRect& rect, BOOL bHorz) const {
  if (m_dwStyle & CBRS_BORDER_LEFT) rect.left += BorderX2();
  if (m_dwStyle & CBRS_BORDER_TOP) rect.top += BorderY2();
  if (m_dwStyle & CBRS_BORDER_RIGHT) rect.right -= BorderX2();
  if (m_dwStyle & CBRS_BORDER_BOTTOM) rect.bottom -= BorderY2();
  bool gripper = (m_dwStyle & (CBRS_GRIPPER | CBRS_FLOATING)) == CBRS_GRIPPER;
  if (bHorz) {
    rect.left += m_cxLeftBorder;
    rect.top += m_cyTopBorder;
    rect.right -= m_cxRightBorder;
    rect.bottom -= m_cyBottomBorder;
    if (gripper) rect.left += kGripperAll;
  } else {
    // Standing upright, the bar's "left" and "right" run along its length.
    rect.left += m_cyTopBorder;
    rect.top += m_cxLeftBorder;
    rect.right -= m_cyBottomBorder;
    rect.bottom -= m_cxRightBorder;
    if (gripper) rect.top += kGripperAll;
  }
}

BOOL CControlBar::PreCreateWindow(CREATESTRUCT& cs) {
  if (!CWnd::PreCreateWindow(cs)) return FALSE;
  cs.style |= WS_CLIPSIBLINGS;
  // A bar on a side gets the line that separates it from the frame's inside
  // (unless it asks for its own 3-D borders with CBRS_BORDER_3D).
  if (!(m_dwStyle & CBRS_BORDER_3D)) {
    DWORD borders = 0;
    switch (m_dwStyle & (CBRS_BORDER_ANY | CBRS_ALIGN_ANY)) {
      case CBRS_LEFT:
      case CBRS_RIGHT: borders = CBRS_BORDER_TOP | CBRS_BORDER_BOTTOM; break;
      case CBRS_TOP: borders = CBRS_BORDER_TOP; break;
      case CBRS_BOTTOM: borders = CBRS_BORDER_BOTTOM; break;
      default: break;
    }
    if (borders) m_dwStyle = (m_dwStyle & ~static_cast<DWORD>(CBRS_BORDER_ANY)) | borders | CBRS_BORDER_3D;
  }
  return TRUE;
}

LRESULT CControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM: {
      // What the bar's child controls tell their parent belongs to the bar's
      // owner (the frame) unless the bar, or the control itself, handles it.
      LRESULT result = 0;
      if (message == WM_COMMAND || message == WM_NOTIFY) {
        if (OnWndMsg(message, wParam, lParam, &result)) return result;
      } else {
        // CWnd's own handlers of these only reflect to the control.
        const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), message);
        if (entry && entry != FindMessageEntry(CWnd::GetThisMessageMap(), message))
          return CWnd::WindowProc(message, wParam, lParam);
        HWND item = (message == WM_VKEYTOITEM || message == WM_CHARTOITEM)
                        ? reinterpret_cast<HWND>(lParam)
                        : ::GetDlgItem(m_hWnd, static_cast<int>(wParam));
        if (item && ReflectLastMsg(item, &result)) return result;
      }
      CWnd* owner = GetOwner();
      if (owner && owner->m_hWnd && owner->m_hWnd != m_hWnd) return owner->SendMessage(message, wParam, lParam);
      return DefWindowProc(message, wParam, lParam);
    }
    default:
      return CWnd::WindowProc(message, wParam, lParam);
  }
}

void CControlBar::PostNcDestroy() {
  if (m_bAutoDelete) delete this;
}

void CControlBar::OnWindowPosChanging(WINDOWPOS* lpWndPos) {
  Default();
  if (!lpWndPos || (lpWndPos->flags & SWP_NOSIZE)) return;
  // The right and bottom border lines move with the size: both their old and
  // their new places need painting.
  CRect r;
  GetWindowRect(&r);
  CSize prev = r.Size();
  int cx = lpWndPos->cx, cy = lpWndPos->cy;
  if (cx != prev.cx && (m_dwStyle & CBRS_BORDER_RIGHT)) {
    CRect a(cx - BorderX2(), 0, cx, cy), b(prev.cx - BorderX2(), 0, prev.cx, cy);
    InvalidateRect(&a);
    InvalidateRect(&b);
  }
  if (cy != prev.cy && (m_dwStyle & CBRS_BORDER_BOTTOM)) {
    CRect a(0, cy - BorderY2(), cx, cy), b(0, prev.cy - BorderY2(), cx, prev.cy);
    InvalidateRect(&a);
    InvalidateRect(&b);
  }
}

void CControlBar::OnNcPaint() { EraseNonClient(); }

void CControlBar::EraseNonClient() {
  CWindowDC dc(this);
  CRect client;
  GetClientRect(&client);
  CRect window;
  GetWindowRect(&window);
  ScreenToClient(&window);
  client.OffsetRect(-window.left, -window.top);
  dc.ExcludeClipRect(&client);
  window.OffsetRect(-window.left, -window.top);
  DrawBorders(&dc, window);
  dc.IntersectClipRect(&window);
  SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC));
  DrawGripper(&dc, window);
}

void CControlBar::DrawBorders(CDC* pDC, CRect& rect) {
  // Each CBRS_BORDER_* side is an etched line: shadow outside, highlight inside.
  DWORD style = m_dwStyle;
  if (!(style & CBRS_BORDER_ANY)) return;
  COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW), light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  CRect r = rect;
  int w = r.Width(), h = r.Height();
  if (style & CBRS_BORDER_TOP) {
    pDC->FillSolidRect(r.left, r.top, w, 1, shadow);
    pDC->FillSolidRect(r.left, r.top + 1, w, 1, light);
  }
  if (style & CBRS_BORDER_BOTTOM) {
    pDC->FillSolidRect(r.left, r.bottom - 2, w, 1, shadow);
    pDC->FillSolidRect(r.left, r.bottom - 1, w, 1, light);
  }
  if (style & CBRS_BORDER_LEFT) {
    pDC->FillSolidRect(r.left, r.top, 1, h, shadow);
    pDC->FillSolidRect(r.left + 1, r.top, 1, h, light);
  }
  if (style & CBRS_BORDER_RIGHT) {
    pDC->FillSolidRect(r.right - 2, r.top, 1, h, shadow);
    pDC->FillSolidRect(r.right - 1, r.top, 1, h, light);
  }
  if (style & CBRS_BORDER_LEFT) rect.left += BorderX2();
  if (style & CBRS_BORDER_TOP) rect.top += BorderY2();
  if (style & CBRS_BORDER_RIGHT) rect.right -= BorderX2();
  if (style & CBRS_BORDER_BOTTOM) rect.bottom -= BorderY2();
}

void CControlBar::DrawGripper(CDC* pDC, const CRect& rect) {
  if ((m_dwStyle & (CBRS_GRIPPER | CBRS_FLOATING)) != CBRS_GRIPPER) return;
  COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW), light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  if (m_dwStyle & CBRS_ORIENT_HORZ) {
    CRect g(rect.left + m_cxLeftBorder + 2, rect.top + m_cyTopBorder, rect.left + m_cxLeftBorder + 5,
            rect.bottom - m_cyBottomBorder);
    pDC->Draw3dRect(&g, light, shadow);
  } else {
    CRect g(rect.left + m_cyTopBorder, rect.top + m_cxLeftBorder + 2, rect.right - m_cyBottomBorder,
            rect.top + m_cxLeftBorder + 5);
    pDC->Draw3dRect(&g, light, shadow);
  }
}

LRESULT CControlBar::OnSizeParent(WPARAM, LPARAM lParam) {
  auto* layout = reinterpret_cast<AFX_SIZEPARENTPARAMS*>(lParam);
  // The bar as it will be once a pending delayed show or hide is done; a real
  // layout (not a query) carries it out.
  bool visible = IsVisible() != FALSE;
  UINT showFlag = 0;
  if (m_nStateFlags & (delayShow | delayHide)) {
    showFlag = (m_nStateFlags & delayHide) ? SWP_HIDEWINDOW : SWP_SHOWWINDOW;
    if (layout->hDWP) m_nStateFlags &= ~static_cast<UINT>(delayShow | delayHide);
  }
  DWORD align = m_dwStyle & CBRS_ALIGN_ANY;
  if (!visible || !align) {
    if (showFlag && layout->hDWP)
      layout->hDWP = ::DeferWindowPos(layout->hDWP, m_hWnd, nullptr, 0, 0, 0, 0,
                                      SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | showFlag);
    return 0;
  }
  BOOL horz = (align & CBRS_ORIENT_HORZ) != 0;
  DWORD mode = layout->bStretch ? LM_STRETCH : 0;
  mode |= horz ? (LM_HORZ | LM_HORZDOCK) : LM_VERTDOCK;
  CSize size = CalcDynamicLayout(-1, mode);
  CRect r(layout->rect);
  CRect avail(layout->rect);
  if (align & CBRS_ALIGN_TOP) {
    r.bottom = r.top + std::min<int>(size.cy, avail.Height());
    layout->rect.top = r.bottom;
  } else if (align & CBRS_ALIGN_BOTTOM) {
    r.top = r.bottom - std::min<int>(size.cy, avail.Height());
    layout->rect.bottom = r.top;
  } else if (align & CBRS_ALIGN_LEFT) {
    r.right = r.left + std::min<int>(size.cx, avail.Width());
    layout->rect.left = r.right;
  } else {
    r.left = r.right - std::min<int>(size.cx, avail.Width());
    layout->rect.right = r.left;
  }
  if (horz) layout->sizeTotal.cy += r.Height();
  else layout->sizeTotal.cx += r.Width();
  if (layout->hDWP)
    layout->hDWP = ::DeferWindowPos(layout->hDWP, m_hWnd, nullptr, r.left, r.top, r.Width(), r.Height(),
                                    SWP_NOZORDER | SWP_NOACTIVATE | showFlag);
  return 0;
}

LRESULT CControlBar::OnIdleUpdateCmdUI(WPARAM wParam, LPARAM) {
  // A delayed show or hide not yet done by a layout is done now.
  BOOL shown = (GetStyle() & WS_VISIBLE) != 0;
  UINT flags = 0;
  if ((m_nStateFlags & delayHide) && shown) flags = SWP_HIDEWINDOW;
  else if ((m_nStateFlags & delayShow) && !shown) flags = SWP_SHOWWINDOW;
  m_nStateFlags &= ~static_cast<UINT>(delayShow | delayHide);
  if (flags) SetWindowPos(nullptr, 0, 0, 0, 0, flags | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (!(GetStyle() & WS_VISIBLE)) return 0;
  // Items update from the owner frame (or, without one, the frame around the bar).
  CFrameWnd* target = m_pDockSite;
  if (!target) target = dynamic_cast<CFrameWnd*>(GetOwner());
  if (!target) target = GetParentFrame();
  if (target) OnUpdateCmdUI(target, static_cast<BOOL>(wParam));
  return 0;
}

// ---- CFrameWnd -----------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
  ON_WM_CREATE()
  ON_WM_DESTROY()
  ON_WM_CLOSE()
  ON_WM_SIZE()
  ON_WM_SETFOCUS()
  ON_WM_ERASEBKGND()
  ON_WM_INITMENUPOPUP()
  ON_WM_MENUSELECT()
  ON_WM_ACTIVATE()
  ON_WM_NCACTIVATE()
  ON_WM_ACTIVATEAPP()
  ON_WM_ENABLE()
  ON_WM_DROPFILES()
  ON_WM_QUERYENDSESSION()
  ON_MESSAGE(WM_SETMESSAGESTRING, OnSetMessageString)
  ON_MESSAGE(WM_POPMESSAGESTRING, OnPopMessageString)
  ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
  ON_MESSAGE(WM_SETTEXT, OnSetText)
  ON_MESSAGE(WM_COMMANDHELP, OnCommandHelp)
  ON_MESSAGE(WM_HELPHITTEST, OnHelpHitTest)
  ON_UPDATE_COMMAND_UI(ID_VIEW_STATUS_BAR, OnUpdateControlBarMenu)
  ON_COMMAND_EX(ID_VIEW_STATUS_BAR, OnBarCheck)
  ON_UPDATE_COMMAND_UI(ID_VIEW_TOOLBAR, OnUpdateControlBarMenu)
  ON_COMMAND_EX(ID_VIEW_TOOLBAR, OnBarCheck)
  ON_UPDATE_COMMAND_UI(ID_INDICATOR_CAPS, OnUpdateKeyIndicator)
  ON_UPDATE_COMMAND_UI(ID_INDICATOR_NUM, OnUpdateKeyIndicator)
  ON_UPDATE_COMMAND_UI(ID_INDICATOR_SCRL, OnUpdateKeyIndicator)
  ON_UPDATE_COMMAND_UI(ID_INDICATOR_KANA, OnUpdateKeyIndicator)
END_MESSAGE_MAP()

CFrameWnd::CFrameWnd() { pv::afx::State().frames.push_back(this); }
CFrameWnd::~CFrameWnd() {
  std::erase(pv::afx::State().frames, this);
  // A frame destroyed in its modal state gives back what it disabled.
  for (HWND h : m_modalDisabled)
    if (::IsWindow(h)) ::EnableWindow(h, TRUE);
  if (m_hAccelTable) ::DestroyAcceleratorTable(m_hAccelTable);
}

void CFrameWnd::OnUpdateKeyIndicator(CCmdUI* pCmdUI) {
  int vk = 0;
  switch (pCmdUI->m_nID) {
    case ID_INDICATOR_CAPS: vk = VK_CAPITAL; break;
    case ID_INDICATOR_NUM: vk = VK_NUMLOCK; break;
    case ID_INDICATOR_SCRL: vk = VK_SCROLL; break;
    case ID_INDICATOR_KANA: vk = VK_KANA; break;
    default: pCmdUI->ContinueRouting(); return;
  }
  // The pane shows its text while the key's toggle is on.
  pCmdUI->Enable((::GetKeyState(vk) & 1) != 0);
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (!cs.lpszClass) cs.lpszClass = AfxFrameOrViewClass();
  // FWS_ADDTOTITLE frames start with the plain title; the document comes later.
  return TRUE;
}

BOOL CFrameWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, LPCTSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext) {
  HMENU menu = nullptr;
  if (lpszMenuName) {
    HINSTANCE inst = AfxFindResourceHandle(lpszMenuName, RT_MENU);
    menu = ::LoadMenu(inst ? inst : AfxGetResourceHandle(), lpszMenuName);
  }
  m_strTitle = lpszWindowName;
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT, cx = CW_USEDEFAULT, cy = CW_USEDEFAULT;
  if (rect.left != CW_USEDEFAULT) {
    x = rect.left;
    y = rect.top;
    cx = rect.right - rect.left;
    cy = rect.bottom - rect.top;
  }
  if (!CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, x, y, cx, cy, HwndOf(pParentWnd), menu, pContext)) {
    if (menu && ::IsMenu(menu)) ::DestroyMenu(menu);
    return FALSE;
  }
  return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
  m_nIDHelp = nIDResource;
  CString full;
  full.LoadString(nIDResource);
  int nl = full.Find(u'\n');
  m_strTitle = nl >= 0 ? full.Left(nl) : full;
  LPCTSTR menuName = MAKEINTRESOURCE(nIDResource);
  HINSTANCE inst = AfxFindResourceHandle(menuName, RT_MENU);
  CString title = m_strTitle;
  if (!Create(nullptr, title, dwDefaultStyle, rectDefault, pParentWnd, inst ? menuName : nullptr, 0, pContext))
    return FALSE;
  m_hMenuDefault = ::GetMenu(m_hWnd);
  LoadAccelTable(MAKEINTRESOURCE(nIDResource));
  if (HICON icon = ::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(nIDResource))) SetIcon(icon, TRUE);
  if (!pContext) SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
  return TRUE;
}

BOOL CFrameWnd::LoadAccelTable(LPCTSTR lpszResourceName) {
  if (m_hAccelTable) return FALSE;
  HINSTANCE inst = AfxFindResourceHandle(lpszResourceName, RT_ACCELERATOR);
  if (!inst) return FALSE;
  m_hAccelTable = ::LoadAccelerators(inst, lpszResourceName);
  return m_hAccelTable != nullptr;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs) {
  auto* ctx = static_cast<CCreateContext*>(lpcs->lpCreateParams);
  if (!OnCreateClient(lpcs, ctx)) return -1;
  RecalcLayout();
  return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
  if (pContext && pContext->m_pNewViewClass) return CreateView(pContext, AFX_IDW_PANE_FIRST) != nullptr;
  return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID) {
  CObject* obj = pContext->m_pNewViewClass->CreateObject();
  auto* view = dynamic_cast<CWnd*>(obj);
  if (!view) {
    delete obj;
    return nullptr;
  }
  if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(0, 0, 0, 0), this, nID, pContext)) {
    // A failed view frees itself (PostNcDestroy) when its window existed.
    return nullptr;
  }
  if (view->GetExStyle() & WS_EX_CLIENTEDGE) ModifyStyleEx(WS_EX_CLIENTEDGE, 0, SWP_FRAMECHANGED);
  return view;
}

void CFrameWnd::OnDestroy() {
  m_hWndActiveView = nullptr;
  Default();
}

void CFrameWnd::PostNcDestroy() { delete this; }

void CFrameWnd::OnClose() {
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    // Closing the main window closes every document (each asked to save).
    if (!app->SaveAllModified()) return;
    app->CloseAllDocuments(FALSE);
    if (!::IsWindow(m_hWnd)) return;
    DestroyWindow();
    return;
  }
  CDocument* doc = GetActiveDocument();
  if (doc && !doc->CanCloseFrame(this)) return;
  if (doc && doc->m_bAutoDelete) {
    // The last frame of the document closes the document (and this frame).
    int frames = 0;
    POSITION pos = doc->GetFirstViewPosition();
    while (pos) {
      CView* v = doc->GetNextView(pos);
      if (v && v->GetParentFrame() != this) ++frames;
    }
    if (frames == 0) {
      doc->OnCloseDocument();
      return;
    }
    doc->PreCloseFrame(this);
  }
  DestroyWindow();
}

BOOL CFrameWnd::OnQueryEndSession() {
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) return app->SaveAllModified();
  return TRUE;
}

void CFrameWnd::OnSize(UINT nType, int, int) {
  Default();
  if (nType != SIZE_MINIMIZED) RecalcLayout();
}

void CFrameWnd::OnSetFocus(CWnd*) {
  if (CView* v = GetActiveView(); v && v->m_hWnd)
    v->SetFocus();
  else
    Default();
}

BOOL CFrameWnd::OnEraseBkgnd(CDC* pDC) {
  // The view covers the client area; erasing behind it only flickers.
  if (GetActiveView()) return TRUE;
  return static_cast<BOOL>(Default());
}

void CFrameWnd::OnActivate(UINT nState, CWnd* pWndOther, BOOL) {
  Default();
  if (!(GetStyle() & WS_CHILD)) {
    // Active now: this frame, or a window of its own that wants the frame to
    // keep looking active (a floating bar answering FS_SYNCACTIVE).
    HWND active = nState == WA_INACTIVE ? HwndOf(pWndOther) : m_hWnd;
    bool stay = active == m_hWnd ||
                (active && ::GetWindow(active, GW_OWNER) == m_hWnd &&
                 ::SendMessage(active, WM_FLOATSTATUS, FS_SYNCACTIVE, 0) != 0);
    // WF_STAYACTIVE: the caption keeps looking active while one of the
    // frame's floating windows that asks for it (FS_SYNCACTIVE) is active.
    if (stay)
      m_nFlags |= WF_STAYACTIVE;
    else
      m_nFlags &= ~static_cast<DWORD>(WF_STAYACTIVE);
    // The caption was drawn before the new active window was known.
    if (nState == WA_INACTIVE) SendMessage(WM_NCACTIVATE, stay ? TRUE : FALSE);
    NotifyFloatingWindows(stay ? FS_ACTIVATE : FS_DEACTIVATE);
  }
  // The active view hears of the frame's activation both ways (a form view
  // remembers its focused field when the frame goes inactive).
  if (CView* v = GetActiveView()) v->OnActivateFrame(nState, this);
}

BOOL CFrameWnd::OnNcActivate(BOOL bActive) {
  if (m_nFlags & WF_STAYACTIVE) bActive = TRUE;
  if (!IsWindowEnabled()) bActive = FALSE;
  return static_cast<BOOL>(DefWindowProc(WM_NCACTIVATE, static_cast<WPARAM>(bActive), 0));
}

void CFrameWnd::OnActivateApp(BOOL bActive, DWORD dwThreadID) {
  CWnd::OnActivateApp(bActive, dwThreadID);
  // Another program took over while a floating window kept this frame active.
  if (!bActive && (m_nFlags & WF_STAYACTIVE) && !(GetStyle() & WS_CHILD)) {
    m_nFlags &= ~static_cast<DWORD>(WF_STAYACTIVE);
    SendMessage(WM_NCACTIVATE, FALSE);
    NotifyFloatingWindows(FS_DEACTIVATE);
  }
}

void CFrameWnd::OnEnable(BOOL bEnable) {
  if (bEnable && (m_nFlags & WF_STAYDISABLED)) {
    EnableWindow(FALSE);
    ::SetFocus(nullptr);
    return;
  }
  Default();
  // A top-level frame disabled by a modal window takes its other top-level
  // windows along, so that nothing else of it can be used meanwhile.
  if (!(GetStyle() & WS_CHILD) && !::GetWindow(m_hWnd, GW_OWNER)) {
    if (!bEnable && !InModalState()) {
      m_nFlags |= WF_MODALDISABLE;
      BeginModalState();
    } else if (bEnable && (m_nFlags & WF_MODALDISABLE)) {
      m_nFlags &= ~static_cast<DWORD>(WF_MODALDISABLE);
      EndModalState();
    }
  }
  // Enabled again while a floating window keeps the caption active.
  if (bEnable && (m_nFlags & WF_STAYACTIVE)) SendMessage(WM_NCACTIVATE, TRUE);
  NotifyFloatingWindows(bEnable ? FS_ENABLE : FS_DISABLE);
}

void CFrameWnd::BeginModalState() {
  if (m_cModalStack++ > 0 || !m_hWnd) return;
  CWnd* top = GetTopLevelParent();
  HWND root = top ? top->m_hWnd : m_hWnd;
  auto belongs = [root](HWND h) {
    // Owned, directly or through other windows, by the top-level frame.
    for (HWND up = ::GetWindow(h, GW_OWNER); up; up = ::GetWindow(up, GW_OWNER))
      if (up == root) return true;
    return false;
  };
  std::vector<HWND> candidates;
  for (HWND h = ::GetWindow(::GetDesktopWindow(), GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
    if (h != root && h != m_hWnd && ::IsWindowEnabled(h) && FromHandlePermanent(h) && belongs(h))
      candidates.push_back(h);
  for (HWND h : candidates) {
    if (!::IsWindow(h) || ::SendMessage(h, WM_DISABLEMODAL, 0, 0) != 0) continue;
    ::EnableWindow(h, FALSE);
    m_modalDisabled.push_back(h);
  }
}

void CFrameWnd::EndModalState() {
  if (m_cModalStack == 0 || --m_cModalStack > 0) return;
  std::vector<HWND> disabled;
  disabled.swap(m_modalDisabled);
  for (HWND h : disabled)
    if (::IsWindow(h)) ::EnableWindow(h, TRUE);
}

void CFrameWnd::NotifyFloatingWindows(DWORD dwFlags) {
  if (!m_hWnd || (GetStyle() & WS_CHILD)) return;
  // Collected first: a window may hide, move or go while it is told.
  std::vector<HWND> owned;
  for (HWND h = ::GetWindow(::GetDesktopWindow(), GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
    if (::GetWindow(h, GW_OWNER) == m_hWnd) owned.push_back(h);
  for (HWND h : owned)
    if (::IsWindow(h)) ::SendMessage(h, WM_FLOATSTATUS, dwFlags, 0);
}

void CFrameWnd::OnDropFiles(HDROP hDropInfo) {
  // Each dropped file is opened as a document.
  UINT n = DragQueryFileW(hDropInfo, 0xFFFFFFFF, nullptr, 0);
  CWinApp* app = AfxGetApp();
  for (UINT i = 0; i < n && app; ++i) {
    WCHAR path[1024] = {};
    DragQueryFileW(hDropInfo, i, path, 1024);
    app->OpenDocumentFile(path);
  }
  DragFinish(hDropInfo);
}

CView* CFrameWnd::GetActiveView() const {
  return dynamic_cast<CView*>(FromHandlePermanent(m_hWndActiveView));
}

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify) {
  CView* old = GetActiveView();
  if (pViewNew == old) return;
  m_hWndActiveView = pViewNew ? pViewNew->m_hWnd : nullptr;
  if (bNotify && old) old->OnActivateView(FALSE, pViewNew, old);
  if (bNotify && pViewNew) pViewNew->OnActivateView(TRUE, pViewNew, old);
  DelayUpdateFrameTitle();
}

CDocument* CFrameWnd::GetActiveDocument() {
  CView* v = GetActiveView();
  return v ? v->GetDocument() : nullptr;
}

void CFrameWnd::RecalcLayout(BOOL) {
  if (m_bInRecalcLayout) return;
  m_bInRecalcLayout = TRUE;
  RepositionBars(0, 0xFFFF, AFX_IDW_PANE_FIRST, reposExtra, &m_rectBorder);
  m_bInRecalcLayout = FALSE;
  m_nIdleFlags &= ~(idleLayout | idleNotify);
}

BOOL CFrameWnd::NegotiateBorderSpace(UINT, LPRECT lpRectBorder) {
  if (lpRectBorder) m_rectBorder = *lpRectBorder;
  RecalcLayout();
  return TRUE;
}

void CFrameWnd::ActivateFrame(int nCmdShow) {
  if (nCmdShow == -1) {
    if (!IsWindowVisible()) nCmdShow = SW_SHOWNORMAL;
    else if (IsIconic()) nCmdShow = SW_RESTORE;
  }
  if (nCmdShow != -1) {
    ShowWindow(nCmdShow);
    BringWindowToTop();
  }
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible) {
  CView* view = GetActiveView();
  if (!view) {
    // The first view of the frame becomes the active one.
    if (CWnd* pane = GetDescendantWindow(AFX_IDW_PANE_FIRST, TRUE)) {
      if (auto* v = dynamic_cast<CView*>(pane)) {
        SetActiveView(v, FALSE);
        view = v;
      }
    }
  }
  if (bMakeVisible) SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
  if (bMakeVisible) {
    if (view) view->OnActivateView(TRUE, view, view);
    int cmd = -1;
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
      cmd = app->m_nCmdShow;
      app->m_nCmdShow = -1;
    }
    ActivateFrame(cmd);
    if (view) view->OnActivateView(TRUE, view, view);
  }
  if (pDoc) pDoc->UpdateFrameCounts();
  OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  if (!(GetStyle() & FWS_ADDTOTITLE)) return;
  CDocument* doc = GetActiveDocument();
  if (bAddToTitle && doc)
    UpdateFrameTitleForDocument(doc->GetTitle());
  else
    UpdateFrameTitleForDocument(nullptr);
}

void CFrameWnd::UpdateFrameTitleForDocument(LPCTSTR lpszDocName) {
  CString text;
  if (GetStyle() & FWS_ADDTOTITLE && lpszDocName && *lpszDocName) {
    CString doc(lpszDocName);
    if (m_nWindow > 0) {
      CString n;
      n.Format(u":%d", m_nWindow);
      doc += n;
    }
    if (GetStyle() & FWS_PREFIXTITLE)
      text = m_strTitle.IsEmpty() ? doc : doc + u" - " + m_strTitle;
    else
      text = m_strTitle.IsEmpty() ? doc : m_strTitle + u" - " + doc;
  } else {
    text = m_strTitle;
  }
  SetTextIfChanged(m_hWnd, text);
}

LRESULT CFrameWnd::OnSetText(WPARAM, LPARAM lParam) {
  LRESULT r = Default();
  (void)lParam;
  return r;
}

HACCEL CFrameWnd::GetDefaultAccelerator() { return m_hAccelTable; }

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg) {
  // A frame disabled by a modal window takes no accelerators.
  if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && ::IsWindowEnabled(m_hWnd)) {
    HACCEL accel = GetDefaultAccelerator();
    if (accel && ::TranslateAccelerator(m_hWnd, accel, pMsg)) return TRUE;
  }
  return FALSE;
}

BOOL CFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  // Menu and accelerator commands end any message-bar help first.
  if (lParam == 0 && m_nIDTracking) {
    m_nIDTracking = 0;
  }
  return CWnd::OnCommand(wParam, lParam);
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  // The active view first (it passes on to its document), then the frame,
  // then the application.
  if (CView* view = GetActiveView(); view && view->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  CWinApp* app = AfxGetApp();
  return app && app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CFrameWnd::OnInitMenuPopup(CMenu* pMenu, UINT, BOOL bSysMenu) {
  if (bSysMenu) return;
  CCmdUI state;
  state.m_pMenu = pMenu;
  state.m_nIndexMax = pMenu->GetMenuItemCount();
  for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; state.m_nIndex++) {
    state.m_nID = pMenu->GetMenuItemID(static_cast<int>(state.m_nIndex));
    if (state.m_nID == 0) continue;  // separator
    if (state.m_nID == static_cast<UINT>(-1)) {
      // A popup follows its first item's state.
      state.m_pSubMenu = pMenu->GetSubMenu(static_cast<int>(state.m_nIndex));
      if (!state.m_pSubMenu) continue;
      state.m_nID = state.m_pSubMenu->GetMenuItemID(0);
      if (state.m_nID == 0 || state.m_nID == static_cast<UINT>(-1)) continue;
      state.DoUpdate(this, FALSE);
    } else {
      state.m_pSubMenu = nullptr;
      state.DoUpdate(this, m_bAutoMenuEnable && state.m_nID < 0xF000);
    }
    // Handlers may add or remove items (the recent-file list does).
    UINT count = pMenu->GetMenuItemCount();
    if (count < state.m_nIndexMax) {
      state.m_nIndex -= (state.m_nIndexMax - count);
      while (state.m_nIndex < count && pMenu->GetMenuItemID(static_cast<int>(state.m_nIndex)) == state.m_nID)
        state.m_nIndex++;
    }
    state.m_nIndexMax = count;
  }
}

void CFrameWnd::OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu) {
  if (nFlags == 0xFFFF && hSysMenu == nullptr) {
    // The menu closed.
    m_nIDTracking = AFX_IDS_IDLEMESSAGE;
  } else if (nItemID == 0 || (nFlags & (MF_SEPARATOR | MF_POPUP))) {
    m_nIDTracking = 0;
  } else if (nItemID >= 0xF000 && nItemID < 0xF1F0) {
    m_nIDTracking = nItemID;  // system commands have their own strings
  } else {
    m_nIDTracking = nItemID;
  }
  SendMessage(WM_SETMESSAGESTRING, m_nIDTracking, 0);
}

void CFrameWnd::GetMessageString(UINT nID, CString& rMessage) const {
  rMessage.Empty();
  CString full;
  if (!full.LoadString(nID)) {
    // The framework's own idle prompt when the program has none.
    if (nID == AFX_IDS_IDLEMESSAGE) rMessage = u"Ready";
    return;
  }
  int nl = full.Find(u'\n');
  rMessage = nl >= 0 ? full.Left(nl) : full;
}

CWnd* CFrameWnd::GetMessageBar() {
  if (CWnd* bar = GetDescendantWindow(AFX_IDW_STATUS_BAR, TRUE)) return bar;
  // A document frame without a bar of its own prompts in its main frame's.
  if (GetStyle() & WS_CHILD)
    if (CFrameWnd* parent = GetParentFrame(); parent && parent != this) return parent->GetMessageBar();
  return nullptr;
}

LRESULT CFrameWnd::OnSetMessageString(WPARAM wParam, LPARAM lParam) {
  UINT old = m_nIDLastMessage;
  CString text;
  if (lParam) {
    text = reinterpret_cast<LPCTSTR>(lParam);
  } else if (wParam) {
    GetMessageString(static_cast<UINT>(wParam), text);
  }
  m_nIDLastMessage = static_cast<UINT>(wParam);
  m_strMessage = text;
  if (CWnd* bar = GetMessageBar()) SetTextIfChanged(bar->m_hWnd, text);
  return old;
}

LRESULT CFrameWnd::OnPopMessageString(WPARAM wParam, LPARAM lParam) {
  if (m_nIDTracking) m_nIDTracking = static_cast<UINT>(wParam);
  return OnSetMessageString(wParam ? wParam : AFX_IDS_IDLEMESSAGE, lParam);
}

void CFrameWnd::SetMessageText(LPCTSTR lpszText) { SendMessage(WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>(lpszText)); }
void CFrameWnd::SetMessageText(UINT nID) { SendMessage(WM_SETMESSAGESTRING, nID, 0); }

LRESULT CFrameWnd::OnIdleUpdateCmdUI(WPARAM, LPARAM) {
  if (m_nIdleFlags & idleLayout) RecalcLayout(m_nIdleFlags & idleNotify);
  if (m_nIdleFlags & idleTitle) OnUpdateFrameTitle(TRUE);
  m_nIdleFlags = 0;
  return 0;
}

CControlBar* CFrameWnd::GetControlBar(UINT nID) {
  return dynamic_cast<CControlBar*>(GetDescendantWindow(static_cast<int>(nID), TRUE));
}

void CFrameWnd::ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL bDelay) {
  if (!pBar || !pBar->m_hWnd) return;
  CFrameWnd* site = pBar->GetDockingFrame();
  if (!site) site = this;
  if (bDelay) {
    // Done by the next layout or the bar's idle update.
    pBar->DelayShow(bShow);
    site->DelayRecalcLayout();
    return;
  }
  pBar->SetWindowPos(nullptr, 0, 0, 0, 0,
                     SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | (bShow ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  pBar->DelayShow(bShow);  // drops an earlier delayed request
  site->RecalcLayout(FALSE);
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* pCmdUI) {
  CControlBar* bar = GetControlBar(pCmdUI->m_nID);
  if (!bar) {
    pCmdUI->ContinueRouting();
    return;
  }
  pCmdUI->SetCheck(bar->IsVisible());
}

BOOL CFrameWnd::OnBarCheck(UINT nID) {
  CControlBar* bar = GetControlBar(nID);
  if (!bar) return FALSE;
  ShowControlBar(bar, !bar->IsVisible(), FALSE);
  return TRUE;
}

// ---- the MDI client window ---------------------------------------------------------------------------
namespace {

struct MDIClientState {
  HMENU windowMenu = nullptr;
  UINT firstChild = AFX_IDM_FIRST_MDICHILD;
  HWND active = nullptr;
  std::vector<HWND> children;  // creation order, for ids and the window list
  int cascadeStep = 0;
  // The frame menu showing a maximised child's system menu and caption
  // buttons, and that child.
  HMENU decorated = nullptr;
  HWND decoratedFor = nullptr;
  bool updatingScrollBars = false;
};

// Sent by a child frame to its MDI client after it moved or changed size.
constexpr UINT kMdiChildMoved = WM_USER + 0x100;

std::unordered_map<HWND, MDIClientState>& Clients() {
  thread_local std::unordered_map<HWND, MDIClientState> clients;
  return clients;
}

void PruneChildren(HWND client, MDIClientState& st) {
  std::erase_if(st.children, [&](HWND h) { return !::IsWindow(h) || ::GetParent(h) != client; });
  if (st.active && (!::IsWindow(st.active) || ::GetParent(st.active) != client)) st.active = nullptr;
}

void RefreshWindowMenu(HWND client, MDIClientState& st) {
  PruneChildren(client, st);
  // Renumber the children so that their ids stay consecutive.
  for (size_t i = 0; i < st.children.size(); ++i)
    ::SetWindowLong(st.children[i], GWL_ID, static_cast<LONG>(st.firstChild + i));
  if (!st.windowMenu || !::IsMenu(st.windowMenu)) return;
  int count = ::GetMenuItemCount(st.windowMenu);
  for (int i = count - 1; i >= 0; --i) {
    UINT id = ::GetMenuItemID(st.windowMenu, i);
    if (id >= st.firstChild && id < st.firstChild + 0x100) ::DeleteMenu(st.windowMenu, static_cast<UINT>(i), MF_BYPOSITION);
  }
  // Drop a trailing separator we added before.
  count = ::GetMenuItemCount(st.windowMenu);
  if (count > 0 && ::GetMenuItemID(st.windowMenu, count - 1) == 0 &&
      (::GetMenuState(st.windowMenu, static_cast<UINT>(count - 1), MF_BYPOSITION) & MF_SEPARATOR))
    ::DeleteMenu(st.windowMenu, static_cast<UINT>(count - 1), MF_BYPOSITION);
  if (st.children.empty()) return;
  ::AppendMenu(st.windowMenu, MF_SEPARATOR, 0, nullptr);
  int shown = 0;
  for (size_t i = 0; i < st.children.size() && shown < 9; ++i) {
    HWND child = st.children[i];
    if (!::IsWindowVisible(child) && child != st.active) continue;
    CString title;
    CWnd::FromHandle(child)->GetWindowText(title);
    CString item;
    item.Format(u"&%d %s", ++shown, static_cast<LPCTSTR>(title));
    ::AppendMenu(st.windowMenu, MF_STRING | (child == st.active ? MF_CHECKED : 0),
                 st.firstChild + static_cast<UINT>(i), item);
  }
}

// ---- a maximised child's controls in the frame's menu bar ----
// While the active child is maximised its caption is out of sight, so its
// system menu (its icon, first) and its minimise, restore and close buttons
// (last, at the right edge) join the frame's menu bar.
bool IsCaptionCommand(UINT id) { return id == SC_MINIMIZE || id == SC_RESTORE || id == SC_CLOSE; }

void RemoveMaxDecoration(MDIClientState& st) {
  HMENU menu = st.decorated;
  st.decorated = nullptr;
  st.decoratedFor = nullptr;
  if (!menu || !::IsMenu(menu)) return;
  for (int i = ::GetMenuItemCount(menu) - 1; i >= 0; --i) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_BITMAP | MIIM_ID | MIIM_SUBMENU;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii)) continue;
    bool system = i == 0 && mii.hbmpItem == HBMMENU_SYSTEM;
    bool button = IsCaptionCommand(mii.wID) && !mii.hSubMenu &&
                  (mii.hbmpItem == HBMMENU_MBAR_MINIMIZE || mii.hbmpItem == HBMMENU_MBAR_RESTORE ||
                   mii.hbmpItem == HBMMENU_MBAR_CLOSE);
    // Removed, not deleted: the system menu stays the child's.
    if (system || button) ::RemoveMenu(menu, static_cast<UINT>(i), MF_BYPOSITION);
  }
}

void UpdateMaxDecoration(HWND client, MDIClientState& st) {
  HWND frame = ::GetParent(client);
  HMENU menu = frame ? ::GetMenu(frame) : nullptr;
  HWND want = st.active && ::IsWindow(st.active) && ::IsZoomed(st.active) && menu ? st.active : nullptr;
  if (st.decorated == (want ? menu : nullptr) && st.decoratedFor == want) return;
  RemoveMaxDecoration(st);
  if (want) {
    HMENU sys = ::GetSystemMenu(want, FALSE);
    ::InsertMenuW(menu, 0, MF_BYPOSITION | MF_POPUP | MF_BITMAP, reinterpret_cast<UINT_PTR>(sys),
                  reinterpret_cast<LPCWSTR>(HBMMENU_SYSTEM));
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_DATA;
    mii.dwItemData = reinterpret_cast<ULONG_PTR>(want);  // whose icon the item shows
    ::SetMenuItemInfoW(menu, 0, TRUE, &mii);
    ::AppendMenuW(menu, MF_BITMAP | MF_RIGHTJUSTIFY, SC_MINIMIZE, reinterpret_cast<LPCWSTR>(HBMMENU_MBAR_MINIMIZE));
    ::AppendMenuW(menu, MF_BITMAP, SC_RESTORE, reinterpret_cast<LPCWSTR>(HBMMENU_MBAR_RESTORE));
    ::AppendMenuW(menu, MF_BITMAP, SC_CLOSE, reinterpret_cast<LPCWSTR>(HBMMENU_MBAR_CLOSE));
    st.decorated = menu;
    st.decoratedFor = want;
  }
  if (frame) ::DrawMenuBar(frame);
}

// ---- the client's scroll bars ----
// They show only while a child lies partly out of view (never while one is
// maximised); scrolling moves the children. The client's own coordinates are
// always the view, so the position is 0 and the range runs from the
// outermost child edges.
void UpdateClientScrollBars(HWND client, MDIClientState& st) {
  if (st.updatingScrollBars) return;
  st.updatingScrollBars = true;
  // Twice: showing one bar narrows the view and may call for the other.
  for (int pass = 0; pass < 2; ++pass) {
    RECT view{};
    ::GetClientRect(client, &view);
    RECT all = view;
    bool maximised = false;
    for (HWND h : st.children) {
      if (!::IsWindow(h) || !::IsWindowVisible(h)) continue;
      maximised |= ::IsZoomed(h) != FALSE;
      RECT r{};
      ::GetWindowRect(h, &r);
      ::MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&r), 2);
      ::UnionRect(&all, &all, &r);
    }
    auto set = [&](int bar, LONG lo, LONG hi, LONG page, LONG viewLo, LONG viewHi) {
      bool need = !maximised && (lo < viewLo || hi > viewHi);
      if (need) {
        SCROLLINFO si{};
        si.cbSize = sizeof(si);
        si.fMask = SIF_ALL;
        si.nMin = lo;
        si.nMax = hi - 1;
        si.nPage = static_cast<UINT>(page);
        si.nPos = 0;
        ::SetScrollInfo(client, bar, &si, TRUE);
      }
      ::ShowScrollBar(client, bar, need);
    };
    set(SB_HORZ, all.left, all.right, view.right - view.left, view.left, view.right);
    set(SB_VERT, all.top, all.bottom, view.bottom - view.top, view.top, view.bottom);
  }
  st.updatingScrollBars = false;
}

void ScrollClient(HWND client, MDIClientState& st, int bar, int code) {
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  if (!::GetScrollInfo(client, bar, &si)) return;
  int page = static_cast<int>(si.nPage), pos = si.nPos;
  switch (code) {
    case SB_LINEUP: pos -= 16; break;
    case SB_LINEDOWN: pos += 16; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = si.nMin; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
  }
  pos = std::clamp(pos, si.nMin, std::max(si.nMin, si.nMax - page + 1));
  int delta = pos - si.nPos;
  if (!delta) return;
  ::ScrollWindowEx(client, bar == SB_HORZ ? -delta : 0, bar == SB_VERT ? -delta : 0, nullptr, nullptr, nullptr, nullptr,
                   SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
  if (code != SB_THUMBTRACK) UpdateClientScrollBars(client, st);
}

void ActivateChild(HWND client, MDIClientState& st, HWND child) {
  PruneChildren(client, st);
  HWND old = st.active;
  if (child == old) {
    if (child) ::SetFocus(child);
    return;
  }
  st.active = child;
  // A maximised child hands its state on to the one activated after it.
  if (old && ::IsWindow(old) && ::IsZoomed(old) && child && !::IsZoomed(child)) {
    ::ShowWindow(child, SW_SHOWMAXIMIZED);
    ::ShowWindow(old, SW_RESTORE);
  }
  if (old && ::IsWindow(old)) {
    ::SendMessage(old, WM_NCACTIVATE, FALSE, 0);
    ::SendMessage(old, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(old), reinterpret_cast<LPARAM>(child));
  }
  if (child) {
    ::SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SendMessage(child, WM_NCACTIVATE, TRUE, 0);
    ::SendMessage(child, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(old), reinterpret_cast<LPARAM>(child));
    HWND focus = ::GetFocus();
    if (!focus || !::IsChild(child, focus)) ::SetFocus(child);
  }
  RefreshWindowMenu(client, st);
  UpdateMaxDecoration(client, st);
  UpdateClientScrollBars(client, st);
}

HWND NextChild(MDIClientState& st, HWND from, bool previous) {
  std::vector<HWND> order;
  for (HWND h : st.children)
    if (::IsWindowVisible(h)) order.push_back(h);
  if (order.empty()) return nullptr;
  auto it = std::find(order.begin(), order.end(), from);
  if (it == order.end()) return order.front();
  size_t i = static_cast<size_t>(it - order.begin()), n = order.size();
  return order[previous ? (i + n - 1) % n : (i + 1) % n];
}

LRESULT MDIClientProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<LPCREATESTRUCT>(lParam);
      MDIClientState st;
      if (auto* ccs = static_cast<CLIENTCREATESTRUCT*>(cs->lpCreateParams)) {
        st.windowMenu = static_cast<HMENU>(ccs->hWindowMenu);
        st.firstChild = ccs->idFirstChild;
      }
      Clients()[hwnd] = st;
      return 0;
    }
    case WM_NCDESTROY:
      if (auto it = Clients().find(hwnd); it != Clients().end()) RemoveMaxDecoration(it->second);
      Clients().erase(hwnd);
      return ::DefWindowProc(hwnd, msg, wParam, lParam);
    default:
      break;
  }
  auto it = Clients().find(hwnd);
  if (it == Clients().end()) return ::DefWindowProc(hwnd, msg, wParam, lParam);
  MDIClientState& st = it->second;
  switch (msg) {
    case WM_MDICREATE: {
      auto* mcs = reinterpret_cast<LPMDICREATESTRUCT>(lParam);
      PruneChildren(hwnd, st);
      RECT client{};
      ::GetClientRect(hwnd, &client);
      int x = mcs->x, y = mcs->y, cx = mcs->cx, cy = mcs->cy;
      if (x == CW_USEDEFAULT) {
        // Cascade: each new child a caption lower.
        int step = ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYFRAME);
        int n = st.cascadeStep++ % 8;
        x = y = n * step;
      }
      if (cx == CW_USEDEFAULT || cx <= 0) cx = std::max<int>(100, (client.right - client.left) * 3 / 4);
      if (cy == CW_USEDEFAULT || cy <= 0) cy = std::max<int>(80, (client.bottom - client.top) * 3 / 4);
      DWORD style = mcs->style | WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU;
      bool maximize = (style & WS_MAXIMIZE) != 0 || (st.active && ::IsZoomed(st.active));
      style &= ~(WS_MAXIMIZE | WS_VISIBLE);
      UINT id = st.firstChild + static_cast<UINT>(st.children.size());
      HWND child = ::CreateWindowEx(WS_EX_MDICHILD, mcs->szClass, mcs->szTitle, style, x, y, cx, cy, hwnd,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                    static_cast<HINSTANCE>(mcs->hOwner), mcs);
      if (!child) return 0;
      st.children.push_back(child);
      if (mcs->style & WS_VISIBLE || maximize) ::ShowWindow(child, maximize ? SW_SHOWMAXIMIZED : SW_SHOW);
      ActivateChild(hwnd, st, child);
      return reinterpret_cast<LRESULT>(child);
    }
    case WM_MDIDESTROY: {
      HWND child = reinterpret_cast<HWND>(wParam);
      if (child == st.active) {
        HWND next = NextChild(st, child, false);
        ActivateChild(hwnd, st, next == child ? nullptr : next);
      }
      if (st.decoratedFor == child) RemoveMaxDecoration(st);
      ::DestroyWindow(child);
      PruneChildren(hwnd, st);
      if (!st.active && !st.children.empty()) ActivateChild(hwnd, st, st.children.back());
      RefreshWindowMenu(hwnd, st);
      UpdateClientScrollBars(hwnd, st);
      return 0;
    }
    case WM_MDIACTIVATE:
      ActivateChild(hwnd, st, reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_MDIGETACTIVE:
      PruneChildren(hwnd, st);
      if (lParam) *reinterpret_cast<BOOL*>(lParam) = st.active && ::IsZoomed(st.active);
      return reinterpret_cast<LRESULT>(st.active);
    case WM_MDINEXT: {
      HWND from = wParam ? reinterpret_cast<HWND>(wParam) : st.active;
      ActivateChild(hwnd, st, NextChild(st, from, lParam != 0));
      return 0;
    }
    case WM_MDIMAXIMIZE:
      ::ShowWindow(reinterpret_cast<HWND>(wParam), SW_SHOWMAXIMIZED);
      UpdateMaxDecoration(hwnd, st);
      UpdateClientScrollBars(hwnd, st);
      return 0;
    case WM_MDIRESTORE:
      ::ShowWindow(reinterpret_cast<HWND>(wParam), SW_RESTORE);
      UpdateMaxDecoration(hwnd, st);
      UpdateClientScrollBars(hwnd, st);
      return 0;
    case kMdiChildMoved:
    case WM_SIZE:
      UpdateClientScrollBars(hwnd, st);
      return msg == WM_SIZE ? ::DefWindowProc(hwnd, msg, wParam, lParam) : 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
      ScrollClient(hwnd, st, msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wParam));
      return 0;
    case WM_MDICASCADE:
    case WM_MDITILE: {
      PruneChildren(hwnd, st);
      std::vector<HWND> shown;
      for (HWND h : st.children)
        if (::IsWindowVisible(h) && !::IsIconic(h)) shown.push_back(h);
      RECT rc{};
      ::GetClientRect(hwnd, &rc);
      int n = static_cast<int>(shown.size());
      for (int i = 0; i < n; ++i) {
        if (::IsZoomed(shown[static_cast<size_t>(i)])) ::ShowWindow(shown[static_cast<size_t>(i)], SW_RESTORE);
        RECT r{};
        if (msg == WM_MDICASCADE) {
          int step = ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYFRAME);
          r = RECT{i * step, i * step, i * step + (rc.right - rc.left) * 3 / 4, i * step + (rc.bottom - rc.top) * 3 / 4};
        } else if (wParam & MDITILE_HORIZONTAL) {
          int h = (rc.bottom - rc.top) / n;
          r = RECT{rc.left, rc.top + i * h, rc.right, rc.top + (i + 1) * h};
        } else {
          int w = (rc.right - rc.left) / n;
          r = RECT{rc.left + i * w, rc.top, rc.left + (i + 1) * w, rc.bottom};
        }
        // The cascade puts the active child last, on top.
        ::SetWindowPos(shown[static_cast<size_t>(i)], nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
      }
      UpdateMaxDecoration(hwnd, st);
      UpdateClientScrollBars(hwnd, st);
      return TRUE;
    }
    case WM_MDIICONARRANGE:
      ::ArrangeIconicWindows(hwnd);
      return 0;
    case WM_MDISETMENU: {
      HWND frame = ::GetParent(hwnd);
      HMENU old = ::GetMenu(frame);
      if (wParam && reinterpret_cast<HMENU>(wParam) != old) RemoveMaxDecoration(st);
      if (wParam) ::SetMenu(frame, reinterpret_cast<HMENU>(wParam));
      if (lParam) {
        // Move the window list to the new window menu.
        HMENU oldWindowMenu = st.windowMenu;
        if (oldWindowMenu != reinterpret_cast<HMENU>(lParam) && oldWindowMenu && ::IsMenu(oldWindowMenu)) {
          std::vector<HWND> keep;
          st.windowMenu = oldWindowMenu;
          keep.swap(st.children);
          RefreshWindowMenu(hwnd, st);
          keep.swap(st.children);
        }
        st.windowMenu = reinterpret_cast<HMENU>(lParam);
      }
      RefreshWindowMenu(hwnd, st);
      UpdateMaxDecoration(hwnd, st);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_MDIREFRESHMENU:
      RefreshWindowMenu(hwnd, st);
      UpdateMaxDecoration(hwnd, st);
      return reinterpret_cast<LRESULT>(::GetMenu(::GetParent(hwnd)));
    case WM_ERASEBKGND: {
      RECT rc{};
      ::GetClientRect(hwnd, &rc);
      ::FillRect(reinterpret_cast<HDC>(wParam), &rc, ::GetSysColorBrush(COLOR_APPWORKSPACE));
      return 1;
    }
    case WM_SETFOCUS:
      if (st.active && ::IsWindow(st.active)) ::SetFocus(st.active);
      return 0;
    default:
      return ::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void PvRegisterMDIClientClass() {
  WNDCLASSW wc{};
  if (::GetClassInfo(nullptr, PV_MDICLIENT_CLASS, &wc)) return;
  wc.lpfnWndProc = &MDIClientProc;
  wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = PV_MDICLIENT_CLASS;
  ::RegisterClass(&wc);
}

// ---- CMDIFrameWnd ------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CMDIFrameWnd, CFrameWnd)
  ON_WM_SIZE()
  ON_WM_DESTROY()
  ON_COMMAND_EX(ID_WINDOW_ARRANGE, OnMDIWindowCmd)
  ON_COMMAND_EX(ID_WINDOW_CASCADE, OnMDIWindowCmd)
  ON_COMMAND_EX(ID_WINDOW_TILE_HORZ, OnMDIWindowCmd)
  ON_COMMAND_EX(ID_WINDOW_TILE_VERT, OnMDIWindowCmd)
  ON_UPDATE_COMMAND_UI(ID_WINDOW_ARRANGE, OnUpdateMDIWindowCmd)
  ON_UPDATE_COMMAND_UI(ID_WINDOW_CASCADE, OnUpdateMDIWindowCmd)
  ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_HORZ, OnUpdateMDIWindowCmd)
  ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_VERT, OnUpdateMDIWindowCmd)
  ON_COMMAND(ID_WINDOW_NEW, OnWindowNew)
END_MESSAGE_MAP()

BOOL CMDIFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
  if (!CFrameWnd::LoadFrame(nIDResource, dwDefaultStyle, pParentWnd, pContext)) return FALSE;
  m_hMenuDefault = ::GetMenu(m_hWnd);
  return TRUE;
}

BOOL CMDIFrameWnd::OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext*) {
  CMenu* menu = nullptr;
  if (lpcs->hMenu) menu = CMenu::FromHandle(GetWindowMenuPopup(lpcs->hMenu));
  return CreateClient(lpcs, menu);
}

BOOL CMDIFrameWnd::CreateClient(LPCREATESTRUCT, CMenu* pWindowMenu) {
  PvRegisterMDIClientClass();
  CLIENTCREATESTRUCT ccs{pWindowMenu ? static_cast<HANDLE>(pWindowMenu->m_hMenu) : nullptr, AFX_IDM_FIRST_MDICHILD};
  DWORD exStyle = WS_EX_CLIENTEDGE;
  m_hWndMDIClient = ::CreateWindowEx(exStyle, PV_MDICLIENT_CLASS, nullptr,
                                     WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_HSCROLL | WS_VSCROLL,
                                     0, 0, 0, 0, m_hWnd,
                                     reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST)),
                                     AfxGetInstanceHandle(), &ccs);
  return m_hWndMDIClient != nullptr;
}

HMENU CMDIFrameWnd::GetWindowMenuPopup(HMENU hMenuBar) {
  if (!hMenuBar) return nullptr;
  // The popup whose items include a window command, else the last but one
  // (the window menu sits before Help).
  int n = ::GetMenuItemCount(hMenuBar);
  for (int i = n - 1; i >= 0; --i) {
    HMENU sub = ::GetSubMenu(hMenuBar, i);
    if (!sub) continue;
    int m = ::GetMenuItemCount(sub);
    for (int j = 0; j < m; ++j) {
      UINT id = ::GetMenuItemID(sub, j);
      if (id >= ID_WINDOW_NEW && id <= ID_WINDOW_SPLIT) return sub;
    }
  }
  return nullptr;
}

void CMDIFrameWnd::OnDestroy() {
  m_hWndMDIClient = nullptr;
  CFrameWnd::OnDestroy();
}

void CMDIFrameWnd::OnSize(UINT nType, int, int) {
  // The client is laid out by RecalcLayout, never by the default procedure.
  if (nType != SIZE_MINIMIZED) RecalcLayout();
}

void CMDIFrameWnd::RecalcLayout(BOOL bNotify) { CFrameWnd::RecalcLayout(bNotify); }

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* pbMaximized) const {
  if (!m_hWndMDIClient) {
    if (pbMaximized) *pbMaximized = FALSE;
    return nullptr;
  }
  HWND h = reinterpret_cast<HWND>(::SendMessage(m_hWndMDIClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(pbMaximized)));
  return dynamic_cast<CMDIChildWnd*>(FromHandlePermanent(h));
}

void CMDIFrameWnd::MDIActivate(CWnd* pWndActivate) {
  ::SendMessage(m_hWndMDIClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(HwndOf(pWndActivate)), 0);
}
void CMDIFrameWnd::MDIMaximize(CWnd* pWnd) {
  ::SendMessage(m_hWndMDIClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(HwndOf(pWnd)), 0);
}
void CMDIFrameWnd::MDIRestore(CWnd* pWnd) {
  ::SendMessage(m_hWndMDIClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(HwndOf(pWnd)), 0);
}
void CMDIFrameWnd::MDINext() { ::SendMessage(m_hWndMDIClient, WM_MDINEXT, 0, 0); }
void CMDIFrameWnd::MDIPrev() { ::SendMessage(m_hWndMDIClient, WM_MDINEXT, 0, 1); }
void CMDIFrameWnd::MDICascade(int nType) { ::SendMessage(m_hWndMDIClient, WM_MDICASCADE, static_cast<WPARAM>(nType), 0); }
void CMDIFrameWnd::MDITile(int nType) { ::SendMessage(m_hWndMDIClient, WM_MDITILE, static_cast<WPARAM>(nType), 0); }
void CMDIFrameWnd::MDIIconArrange() { ::SendMessage(m_hWndMDIClient, WM_MDIICONARRANGE, 0, 0); }

CMenu* CMDIFrameWnd::MDISetMenu(CMenu* pFrameMenu, CMenu* pWindowMenu) {
  HMENU old = reinterpret_cast<HMENU>(::SendMessage(m_hWndMDIClient, WM_MDISETMENU,
                                                    reinterpret_cast<WPARAM>(pFrameMenu ? pFrameMenu->m_hMenu : nullptr),
                                                    reinterpret_cast<LPARAM>(pWindowMenu ? pWindowMenu->m_hMenu : nullptr)));
  DrawMenuBar();
  return CMenu::FromHandle(old);
}

BOOL CMDIFrameWnd::CreateNewChild(CRuntimeClass* pClass, UINT nResource, HMENU hMenu, HACCEL hAccel) {
  auto* child = dynamic_cast<CMDIChildWnd*>(pClass->CreateObject());
  if (!child) return FALSE;
  child->SetHandles(hMenu, hAccel);
  if (!child->LoadFrame(nResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, this, nullptr)) return FALSE;
  child->InitialUpdateFrame(nullptr, TRUE);
  return TRUE;
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame() {
  CMDIChildWnd* child = MDIGetActive();
  return child ? static_cast<CFrameWnd*>(child) : this;
}

CDocument* CMDIFrameWnd::GetActiveDocument() {
  CMDIChildWnd* child = MDIGetActive();
  return child ? child->GetActiveDocument() : CFrameWnd::GetActiveDocument();
}

HACCEL CMDIFrameWnd::GetDefaultAccelerator() {
  CMDIChildWnd* child = MDIGetActive();
  if (child && child->m_hAccelTable) return child->m_hAccelTable;
  return m_hAccelTable;
}

void CMDIFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  if (!(GetStyle() & FWS_ADDTOTITLE)) return;
  BOOL maximized = FALSE;
  CMDIChildWnd* child = MDIGetActive(&maximized);
  CDocument* doc = child ? child->GetActiveDocument() : nullptr;
  if (bAddToTitle && child && doc) {
    CString name = doc->GetTitle();
    int saved = m_nWindow;
    m_nWindow = child->m_nWindow;
    UpdateFrameTitleForDocument(name);
    m_nWindow = saved;
  } else if (bAddToTitle && child) {
    CString title;
    child->GetWindowText(title);
    UpdateFrameTitleForDocument(title.IsEmpty() ? nullptr : static_cast<LPCTSTR>(title));
  } else {
    UpdateFrameTitleForDocument(nullptr);
  }
}

BOOL CMDIFrameWnd::PreTranslateMessage(MSG* pMsg) {
  if (CFrameWnd::PreTranslateMessage(pMsg)) return TRUE;
  // The MDI keys come last, so that accelerators may take them, and not
  // while a modal window has disabled the frame.
  if ((pMsg->message == WM_KEYDOWN || pMsg->message == WM_SYSKEYDOWN) && m_hWndMDIClient &&
      ::IsWindowEnabled(m_hWnd))
    return TranslateMDISysAccel(m_hWndMDIClient, pMsg);
  return FALSE;
}

BOOL TranslateMDISysAccel(HWND hWndClient, LPMSG lpMsg) {
  if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) return FALSE;
  if (!hWndClient || !Clients().count(hWndClient)) return FALSE;
  if (!(::GetKeyState(VK_CONTROL) & 0x8000) || (::GetKeyState(VK_MENU) & 0x8000)) return FALSE;
  UINT vk = static_cast<UINT>(lpMsg->wParam);
  if (vk != VK_F4 && vk != VK_F6 && vk != VK_TAB) return FALSE;
  HWND active = reinterpret_cast<HWND>(::SendMessage(hWndClient, WM_MDIGETACTIVE, 0, 0));
  if (!active || !::IsWindowEnabled(active)) return FALSE;
  if (vk == VK_F4) {
    ::SendMessage(active, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else {
    bool previous = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
    ::SendMessage(hWndClient, WM_MDINEXT, reinterpret_cast<WPARAM>(active), previous ? 1 : 0);
  }
  return TRUE;
}

BOOL CMDIFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  // The active child (its view, document, template, itself, the
  // application) first, then this frame.
  if (CMDIChildWnd* child = MDIGetActive(); child && child->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  return CFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CMDIFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  if (lParam == 0 && id >= 0xF000) {
    // The system menu and caption buttons of a maximised child on the menu bar.
    BOOL maximized = FALSE;
    if (CMDIChildWnd* child = MDIGetActive(&maximized); child && maximized) {
      child->SendMessage(WM_SYSCOMMAND, id, 0);
      return TRUE;
    }
  }
  if (lParam == 0 && id >= AFX_IDM_FIRST_MDICHILD && id < AFX_IDM_FIRST_MDICHILD + 0x100 && m_hWndMDIClient) {
    // The window list: activate that child.
    HWND child = ::GetDlgItem(m_hWndMDIClient, static_cast<int>(id));
    if (child) {
      ::SendMessage(m_hWndMDIClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), 0);
      return TRUE;
    }
  }
  return CFrameWnd::OnCommand(wParam, lParam);
}

LRESULT CMDIFrameWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFOCUS && m_hWndMDIClient) {
    ::SetFocus(m_hWndMDIClient);
    return 0;
  }
  return CFrameWnd::DefWindowProc(message, wParam, lParam);
}

BOOL CMDIFrameWnd::OnMDIWindowCmd(UINT nID) {
  switch (nID) {
    case ID_WINDOW_ARRANGE: MDIIconArrange(); break;
    case ID_WINDOW_CASCADE: MDICascade(); break;
    case ID_WINDOW_TILE_HORZ: MDITile(MDITILE_HORIZONTAL); break;
    case ID_WINDOW_TILE_VERT: MDITile(MDITILE_VERTICAL); break;
    default: return FALSE;
  }
  return TRUE;
}

void CMDIFrameWnd::OnUpdateMDIWindowCmd(CCmdUI* pCmdUI) { pCmdUI->Enable(MDIGetActive() != nullptr); }

void CMDIFrameWnd::OnWindowNew() {
  CMDIChildWnd* active = MDIGetActive();
  CDocument* doc = active ? active->GetActiveDocument() : nullptr;
  if (!doc || !doc->GetDocTemplate()) {
    ::MessageBeep(0);
    return;
  }
  CFrameWnd* frame = doc->GetDocTemplate()->CreateNewFrame(doc, active);
  if (frame) doc->GetDocTemplate()->InitialUpdateFrame(frame, doc);
}

// ---- CMDIChildWnd ------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CMDIChildWnd, CFrameWnd)
  ON_WM_MDIACTIVATE()
  ON_WM_CREATE()
  ON_WM_SIZE()
  ON_WM_CHILDACTIVATE()
END_MESSAGE_MAP()

BOOL CMDIChildWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (!cs.lpszClass) cs.lpszClass = AfxFrameOrViewClass();
  cs.style |= WS_CHILD;
  return TRUE;
}

BOOL CMDIChildWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                          CMDIFrameWnd* pParentWnd, CCreateContext* pContext) {
  if (!pParentWnd) pParentWnd = dynamic_cast<CMDIFrameWnd*>(AfxGetMainWnd());
  if (!pParentWnd || !pParentWnd->m_hWndMDIClient) {
    PostNcDestroy();  // callers count on a failed frame cleaning itself up
    return FALSE;
  }
  CREATESTRUCT cs{};
  cs.style = static_cast<LONG>(dwStyle & ~WS_MAXIMIZE);
  cs.lpszClass = lpszClassName;
  cs.lpszName = lpszWindowName;
  if (rect.left == CW_USEDEFAULT) {
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
  } else {
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
  }
  cs.hwndParent = pParentWnd->m_hWnd;
  cs.lpCreateParams = pContext;
  if (!PreCreateWindow(cs)) {
    PostNcDestroy();
    return FALSE;
  }
  m_strTitle = lpszWindowName;
  MDICREATESTRUCT mcs{};
  mcs.szClass = cs.lpszClass;
  mcs.szTitle = cs.lpszName;
  mcs.hOwner = AfxGetInstanceHandle();
  mcs.x = cs.x;
  mcs.y = cs.y;
  mcs.cx = cs.cx;
  mcs.cy = cs.cy;
  mcs.style = static_cast<DWORD>(cs.style) | (dwStyle & WS_MAXIMIZE);
  mcs.lParam = reinterpret_cast<LPARAM>(cs.lpCreateParams);
  AfxHookWindowCreate(this);
  HWND h = reinterpret_cast<HWND>(::SendMessage(pParentWnd->m_hWndMDIClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
  if (!AfxUnhookWindowCreate() && !h) {
    PostNcDestroy();
    return FALSE;
  }
  if (h && !m_hWnd && ::IsWindow(h) && !FromHandlePermanent(h) && Attach(h))
    pv::afx::CreateHookAccess::Subclass(this, h);
  return h != nullptr;
}

BOOL CMDIChildWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
  m_nIDHelp = nIDResource;
  CString full;
  full.LoadString(nIDResource);
  int nl = full.Find(u'\n');
  m_strTitle = nl >= 0 ? full.Left(nl) : full;
  CString title = m_strTitle;
  if (!Create(nullptr, title, dwDefaultStyle, rectDefault, dynamic_cast<CMDIFrameWnd*>(pParentWnd), pContext))
    return FALSE;
  return TRUE;
}

int CMDIChildWnd::OnCreate(LPCREATESTRUCT lpcs) {
  // The creation data is the MDI record; the context rides in its lParam.
  auto* mcs = static_cast<LPMDICREATESTRUCT>(lpcs->lpCreateParams);
  auto* ctx = mcs ? reinterpret_cast<CCreateContext*>(mcs->lParam) : nullptr;
  if (!OnCreateClient(lpcs, ctx)) return -1;
  RecalcLayout();
  return 0;
}

void CMDIChildWnd::OnSize(UINT nType, int cx, int cy) {
  CFrameWnd::OnSize(nType, cx, cy);
  if (CMDIFrameWnd* frame = GetMDIFrame()) {
    frame->DelayUpdateFrameTitle();
    // Maximised or back: the frame's menu bar shows or drops this child's buttons.
    if (nType == SIZE_MAXIMIZED || nType == SIZE_RESTORED || nType == SIZE_MINIMIZED)
      if (HWND client = frame->m_hWndMDIClient) ::SendMessage(client, WM_MDIREFRESHMENU, 0, 0);
  }
}

void CMDIChildWnd::OnChildActivate() {
  if (CMDIFrameWnd* frame = GetMDIFrame()) ::SendMessage(frame->m_hWndMDIClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const {
  HWND client = ::GetParent(m_hWnd);
  return client ? dynamic_cast<CMDIFrameWnd*>(FromHandlePermanent(::GetParent(client))) : nullptr;
}

void CMDIChildWnd::MDIDestroy() { ::SendMessage(::GetParent(m_hWnd), WM_MDIDESTROY, reinterpret_cast<WPARAM>(m_hWnd), 0); }
void CMDIChildWnd::MDIActivate() { ::SendMessage(::GetParent(m_hWnd), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(m_hWnd), 0); }
void CMDIChildWnd::MDIMaximize() { ::SendMessage(::GetParent(m_hWnd), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(m_hWnd), 0); }
void CMDIChildWnd::MDIRestore() { ::SendMessage(::GetParent(m_hWnd), WM_MDIRESTORE, reinterpret_cast<WPARAM>(m_hWnd), 0); }

BOOL CMDIChildWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  HWND client = ::GetParent(m_hWnd);
  if (client && Clients().count(client)) {
    MDIDestroy();
    return TRUE;
  }
  return CWnd::DestroyWindow();
}

void CMDIChildWnd::ActivateFrame(int nCmdShow) {
  BOOL visible = IsWindowVisible();
  if (nCmdShow == -1 || nCmdShow == SW_SHOWNORMAL) nCmdShow = visible ? -1 : SW_SHOW;
  if (nCmdShow != -1) ShowWindow(nCmdShow);
  MDIActivate();
  if (CMDIFrameWnd* frame = GetMDIFrame()) {
    frame->DelayUpdateFrameTitle();
    if (HWND client = frame->m_hWndMDIClient) ::SendMessage(client, WM_MDIREFRESHMENU, 0, 0);
  }
}

void CMDIChildWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  CDocument* doc = GetActiveDocument();
  if (bAddToTitle && (GetStyle() & FWS_ADDTOTITLE) && doc) {
    CString text = doc->GetTitle();
    if (m_nWindow > 0) {
      CString n;
      n.Format(u":%d", m_nWindow);
      text += n;
    }
    SetTextIfChanged(m_hWnd, text);
  }
  if (CMDIFrameWnd* frame = GetMDIFrame()) {
    frame->OnUpdateFrameTitle(bAddToTitle);
    if (HWND client = frame->m_hWndMDIClient) ::SendMessage(client, WM_MDIREFRESHMENU, 0, 0);
  }
}

BOOL CMDIChildWnd::PreTranslateMessage(MSG*) {
  // The MDI frame translates with this child's accelerators.
  return FALSE;
}

BOOL CMDIChildWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  return CFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

LRESULT CMDIChildWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CHILDACTIVATE:
    case WM_MOUSEACTIVATE: {
      HWND client = ::GetParent(m_hWnd);
      if (client) ::SendMessage(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
      return message == WM_MOUSEACTIVATE ? MA_ACTIVATE : 0;
    }
    case WM_CLOSE:
      MDIDestroy();
      return 0;
    case WM_WINDOWPOSCHANGED: {
      LRESULT result = CFrameWnd::DefWindowProc(message, wParam, lParam);
      if (HWND client = ::GetParent(m_hWnd); client && Clients().count(client)) ::SendMessage(client, kMdiChildMoved, 0, 0);
      return result;
    }
    default:
      return CFrameWnd::DefWindowProc(message, wParam, lParam);
  }
}

void CMDIChildWnd::OnMDIActivate(BOOL bActivate, CWnd*, CWnd*) {
  CView* view = GetActiveView();
  if (view) view->OnActivateView(bActivate, view, view);
  CMDIFrameWnd* frame = GetMDIFrame();
  if (!frame) return;
  // The frame shows this child's menu while it is active.
  if (bActivate && m_hMenuShared) {
    ::SendMessage(frame->m_hWndMDIClient, WM_MDISETMENU, reinterpret_cast<WPARAM>(m_hMenuShared),
                  reinterpret_cast<LPARAM>(frame->GetWindowMenuPopup(m_hMenuShared)));
  } else if (!bActivate && frame->m_hMenuDefault && !frame->MDIGetActive()) {
    ::SendMessage(frame->m_hWndMDIClient, WM_MDISETMENU, reinterpret_cast<WPARAM>(frame->m_hMenuDefault),
                  reinterpret_cast<LPARAM>(frame->GetWindowMenuPopup(frame->m_hMenuDefault)));
  }
  frame->DelayUpdateFrameTitle();
  frame->OnUpdateFrameTitle(TRUE);
}

// ---- CMiniFrameWnd --------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CMiniFrameWnd, CFrameWnd)
  ON_WM_NCACTIVATE()
  ON_WM_ACTIVATE()
  ON_WM_NCPAINT()
  ON_WM_NCHITTEST()
  ON_WM_NCLBUTTONDOWN()
  ON_WM_SYSCOMMAND()
  ON_WM_GETMINMAXINFO()
  ON_MESSAGE(WM_FLOATSTATUS, OnFloatStatus)
  ON_MESSAGE(WM_POPUPSYSTEMMENU, OnPopupSystemMenu)
END_MESSAGE_MAP()

BOOL CMiniFrameWnd::Create(LPCTSTR lpClassName, LPCTSTR lpWindowName, DWORD dwStyle, const RECT& rect,
                           CWnd* pParentWnd, UINT nID) {
  return CreateEx(0, lpClassName, lpWindowName, dwStyle, rect, pParentWnd, nID);
}

BOOL CMiniFrameWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpClassName, LPCTSTR lpWindowName, DWORD dwStyle,
                             const RECT& rect, CWnd* pParentWnd, UINT nID) {
  m_strTitle = lpWindowName;
  // MFS_BLOCKSYSMENU shares its bit with WS_MAXIMIZEBOX: it is kept here, not
  // in the window style.
  m_bBlockSysMenu = (dwStyle & MFS_BLOCKSYSMENU) != 0;
  dwStyle &= ~static_cast<DWORD>(MFS_BLOCKSYSMENU);
  if (dwStyle & (MFS_THICKFRAME | MFS_4THICKFRAME)) dwStyle |= WS_THICKFRAME;
  HMENU idOrMenu = (dwStyle & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)) : nullptr;
  if (!CWnd::CreateEx(dwExStyle | WS_EX_TOOLWINDOW, lpClassName ? lpClassName : AfxFrameOrViewClass(), lpWindowName,
                      dwStyle, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, HwndOf(pParentWnd),
                      idOrMenu, nullptr))
    return FALSE;
  // A synchronised caption starts as its owner's looks.
  if (GetStyle() & MFS_SYNCACTIVE) {
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    CWnd* ownerWnd = FromHandlePermanent(owner);
    m_bActive = owner && (::GetActiveWindow() == owner || (ownerWnd && (ownerWnd->m_nFlags & WF_STAYACTIVE)));
  }
  return TRUE;
}

BOOL CMiniFrameWnd::OnNcActivate(BOOL bActive) {
  if (!(GetStyle() & MFS_SYNCACTIVE) || !::GetWindow(m_hWnd, GW_OWNER)) return CFrameWnd::OnNcActivate(bActive);
  // The caption follows the owner (WM_FLOATSTATUS); becoming active itself
  // shows it active at once.
  if (bActive && !m_bActive) {
    m_bActive = TRUE;
    DefWindowProc(WM_NCACTIVATE, TRUE, 0);
  }
  return TRUE;
}

void CMiniFrameWnd::OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized) {
  CFrameWnd::OnActivate(nState, pWndOther, bMinimized);
  if (!(GetStyle() & MFS_SYNCACTIVE)) return;
  auto* owner = dynamic_cast<CFrameWnd*>(FromHandlePermanent(::GetWindow(m_hWnd, GW_OWNER)));
  if (!owner || !owner->m_hWnd) return;
  HWND other = HwndOf(pWndOther);
  if (nState != WA_INACTIVE) {
    // Activated from outside the owner's windows: the owner looks active too.
    if (!(owner->m_nFlags & WF_STAYACTIVE) && ::GetActiveWindow() == m_hWnd) {
      owner->m_nFlags |= WF_STAYACTIVE;
      owner->SendMessage(WM_NCACTIVATE, TRUE);
      owner->NotifyFloatingWindows(FS_ACTIVATE);
    }
    return;
  }
  // To the owner itself the owner's own activation speaks; to a sibling that
  // keeps the owner active nothing changes.
  if (other == owner->m_hWnd) return;
  if (other && ::GetWindow(other, GW_OWNER) == owner->m_hWnd && ::SendMessage(other, WM_FLOATSTATUS, FS_SYNCACTIVE, 0))
    return;
  if (owner->m_nFlags & WF_STAYACTIVE) {
    owner->m_nFlags &= ~static_cast<DWORD>(WF_STAYACTIVE);
    owner->SendMessage(WM_NCACTIVATE, FALSE);
    owner->NotifyFloatingWindows(FS_DEACTIVATE);
  } else if (m_bActive) {
    m_bActive = FALSE;
    DefWindowProc(WM_NCACTIVATE, FALSE, 0);
  }
}

void CMiniFrameWnd::OnNcPaint() {
  Default();
  // The default painting draws the window's own activation; a synchronised
  // caption shows the owner's.
  if ((GetStyle() & MFS_SYNCACTIVE) && m_bActive != (::GetActiveWindow() == m_hWnd))
    DefWindowProc(WM_NCACTIVATE, m_bActive, 0);
}

LRESULT CMiniFrameWnd::OnFloatStatus(WPARAM wParam, LPARAM) {
  BOOL sync = (GetStyle() & MFS_SYNCACTIVE) != 0;
  if (sync && (wParam & (FS_ACTIVATE | FS_DEACTIVATE))) {
    BOOL active = (wParam & FS_ACTIVATE) != 0;
    if (active != m_bActive) {
      m_bActive = active;
      DefWindowProc(WM_NCACTIVATE, active, 0);
    }
  }
  // FS_SYNCACTIVE asks whether this window keeps its owner's caption active.
  return sync ? 1 : 0;
}

LRESULT CMiniFrameWnd::OnNcHitTest(CPoint) {
  LRESULT hit = Default();
  if (hit == HTSYSMENU && m_bBlockSysMenu) return HTCAPTION;
  DWORD style = GetStyle();
  if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
    if (style & MFS_MOVEFRAME) return HTCAPTION;
    if (style & MFS_4THICKFRAME) {
      switch (hit) {
        case HTTOPLEFT:
        case HTTOPRIGHT: return HTTOP;
        case HTBOTTOMLEFT:
        case HTBOTTOMRIGHT: return HTBOTTOM;
        default: break;
      }
    }
  }
  return hit;
}

void CMiniFrameWnd::OnNcLButtonDown(UINT nHitTest, CPoint point) {
  // With a blocked system menu the icon is part of the caption.
  if (nHitTest == HTSYSMENU && m_bBlockSysMenu) {
    DefWindowProc(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
    return;
  }
  Default();
}

void CMiniFrameWnd::OnSysCommand(UINT nID, LPARAM lParam) {
  if (m_bBlockSysMenu) {
    UINT cmd = nID & 0xFFF0;
    if ((cmd == SC_KEYMENU && lParam == u' ') || (cmd == SC_MOUSEMENU && (nID & 0x000F) == HTSYSMENU)) return;
  }
  Default();
}

void CMiniFrameWnd::OnGetMinMaxInfo(MINMAXINFO* lpMMI) {
  Default();
  // Small enough for a caption with its close button.
  lpMMI->ptMinTrackSize.x = 2 * ::GetSystemMetrics(SM_CXFRAME) + 2 * ::GetSystemMetrics(SM_CXSMSIZE);
  lpMMI->ptMinTrackSize.y = 2 * ::GetSystemMetrics(SM_CYFRAME) + ::GetSystemMetrics(SM_CYSMCAPTION);
}

LRESULT CMiniFrameWnd::OnPopupSystemMenu(WPARAM, LPARAM) {
  if (m_bBlockSysMenu) return 0;
  return Default();
}
