// Frames: CFrameWnd (menu, accelerators, title, control-bar layout, the active
// view, command routing, modal state) and CMiniFrameWnd.
#include "platform/framework/afxdoc.h"
#include "platform/framework/afxstate.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)
IMPLEMENT_DYNCREATE(CMiniFrameWnd, CFrameWnd)

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

void pv::afx::SetWindowTextIfChanged(HWND h, LPCTSTR text) {
  CString current;
  CWnd::FromHandle(h)->GetWindowText(current);
  if (current != CString(text)) ::SetWindowText(h, text);
}

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
    case ID_INDICATOR_CAPS:
      vk = VK_CAPITAL;
      break;
    case ID_INDICATOR_NUM:
      vk = VK_NUMLOCK;
      break;
    case ID_INDICATOR_SCRL:
      vk = VK_SCROLL;
      break;
    case ID_INDICATOR_KANA:
      vk = VK_KANA;
      break;
    default:
      pCmdUI->ContinueRouting();
      return;
  }
  // The pane shows its text while the key's toggle is on.
  pCmdUI->Enable((::GetKeyState(vk) & 1) != 0);
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (!cs.lpszClass) cs.lpszClass = AfxFrameOrViewClass();
  // FWS_ADDTOTITLE frames start with the plain title; the document comes later.
  return TRUE;
}

BOOL CFrameWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                       LPCTSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext) {
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
  if (CView* v = GetActiveView(); v && v->m_hWnd) v->SetFocus();
  else Default();
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
    bool stay = active == m_hWnd || (active && ::GetWindow(active, GW_OWNER) == m_hWnd &&
                                     ::SendMessage(active, WM_FLOATSTATUS, FS_SYNCACTIVE, 0) != 0);
    // WF_STAYACTIVE: the caption keeps looking active while one of the
    // frame's floating windows that asks for it (FS_SYNCACTIVE) is active.
    if (stay) m_nFlags |= WF_STAYACTIVE;
    else m_nFlags &= ~static_cast<DWORD>(WF_STAYACTIVE);
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

CView* CFrameWnd::GetActiveView() const { return dynamic_cast<CView*>(FromHandlePermanent(m_hWndActiveView)); }

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
  if (bAddToTitle && doc) UpdateFrameTitleForDocument(doc->GetTitle());
  else UpdateFrameTitleForDocument(nullptr);
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
    if (GetStyle() & FWS_PREFIXTITLE) text = m_strTitle.IsEmpty() ? doc : doc + u" - " + m_strTitle;
    else text = m_strTitle.IsEmpty() ? doc : m_strTitle + u" - " + doc;
  } else {
    text = m_strTitle;
  }
  pv::afx::SetWindowTextIfChanged(m_hWnd, text);
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
  if (CWnd* bar = GetMessageBar()) pv::afx::SetWindowTextIfChanged(bar->m_hWnd, text);
  return old;
}

LRESULT CFrameWnd::OnPopMessageString(WPARAM wParam, LPARAM lParam) {
  if (m_nIDTracking) m_nIDTracking = static_cast<UINT>(wParam);
  return OnSetMessageString(wParam ? wParam : AFX_IDS_IDLEMESSAGE, lParam);
}

void CFrameWnd::SetMessageText(LPCTSTR lpszText) {
  SendMessage(WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>(lpszText));
}
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
  pBar->SetWindowPos(
      nullptr, 0, 0, 0, 0,
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

BOOL CMiniFrameWnd::Create(LPCTSTR lpClassName, LPCTSTR lpWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                           UINT nID) {
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
        case HTTOPRIGHT:
          return HTTOP;
        case HTBOTTOMLEFT:
        case HTBOTTOMRIGHT:
          return HTBOTTOM;
        default:
          break;
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
