// Frames: CFrameWnd (menu, accelerators, title, control-bar layout, the
// active view, command routing), CMDIFrameWnd with its MDI client window,
// CMDIChildWnd, and the minimal CControlBar the layout protocol needs.
#pragma once

#include "platform/framework/afxdlg.h"

class CView;
class CDocument;
class CDocTemplate;
class CFrameWnd;

// What a frame needs to make its view (LoadFrame/OnCreateClient).
struct CCreateContext {
  CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
  CDocTemplate* m_pNewDocTemplate = nullptr;
  CView* m_pLastView = nullptr;
  CFrameWnd* m_pCurrentFrame = nullptr;
};

// Control-bar styles.
#define CBRS_ALIGN_LEFT 0x1000L
#define CBRS_ALIGN_TOP 0x2000L
#define CBRS_ALIGN_RIGHT 0x4000L
#define CBRS_ALIGN_BOTTOM 0x8000L
#define CBRS_ALIGN_ANY 0xF000L
#define CBRS_BORDER_LEFT 0x0100L
#define CBRS_BORDER_TOP 0x0200L
#define CBRS_BORDER_RIGHT 0x0400L
#define CBRS_BORDER_BOTTOM 0x0800L
#define CBRS_BORDER_ANY 0x0F00L
#define CBRS_TOOLTIPS 0x0010L
#define CBRS_FLYBY 0x0020L
#define CBRS_FLOAT_MULTI 0x0040L
#define CBRS_BORDER_3D 0x0080L
#define CBRS_HIDE_INPLACE 0x0008L
#define CBRS_SIZE_DYNAMIC 0x0004L
#define CBRS_SIZE_FIXED 0x0002L
#define CBRS_FLOATING 0x0001L
#define CBRS_GRIPPER 0x00400000L
#define CBRS_ORIENT_HORZ (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM)
#define CBRS_ORIENT_VERT (CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT)
#define CBRS_ORIENT_ANY (CBRS_ORIENT_HORZ | CBRS_ORIENT_VERT)
#define CBRS_ALL 0x0040FFFFL
#define CBRS_NOALIGN 0x00000000L
#define CBRS_LEFT (CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT)
#define CBRS_TOP (CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM)
#define CBRS_RIGHT (CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT)
#define CBRS_BOTTOM (CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP)

// A bar docked to one side of a frame: it takes its room in WM_SIZEPARENT
// and updates its items from the frame at idle time.
class CControlBar : public CWnd {
  DECLARE_DYNAMIC(CControlBar)
 public:
  CControlBar() = default;
  DWORD m_dwStyle = 0;
  CFrameWnd* m_pDockSite = nullptr;
  BOOL m_bAutoDelete = FALSE;

  DWORD GetBarStyle() const { return m_dwStyle; }
  void SetBarStyle(DWORD dwStyle) { m_dwStyle = dwStyle; }
  BOOL IsVisible() const { return IsWindowVisible(); }
  BOOL IsFloating() const { return FALSE; }
  // The bar's size for the frame's layout.
  virtual CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz);
  virtual void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) {}
  void PostNcDestroy() override;

 protected:
  LRESULT OnSizeParent(WPARAM, LPARAM lParam);
  LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM);
  DECLARE_MESSAGE_MAP()
};

class CFrameWnd : public CWnd {
  DECLARE_DYNCREATE(CFrameWnd)
 public:
  CFrameWnd();
  ~CFrameWnd() override;

  static const CRect rectDefault;
  HACCEL m_hAccelTable = nullptr;
  HMENU m_hMenuDefault = nullptr;
  CString m_strTitle;
  UINT m_nIDHelp = 0;
  BOOL m_bAutoMenuEnable = TRUE;
  int m_nWindow = -1;  // the view's number in the title (-1: none)
  enum IdleFlags { idleMenu = 1, idleTitle = 2, idleNotify = 4, idleLayout = 8 };
  UINT m_nIdleFlags = 0;
  BOOL m_bInRecalcLayout = FALSE;
  CRect m_rectBorder;

  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
              const RECT& rect = rectDefault, CWnd* pParentWnd = nullptr, LPCTSTR lpszMenuName = nullptr,
              DWORD dwExStyle = 0, CCreateContext* pContext = nullptr);
  // Menu, accelerators, icon and title (string nIDResource: the title, or
  // "title\n..." document fields) from the resources of one id.
  virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                         CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);
  BOOL LoadAccelTable(LPCTSTR lpszResourceName);

  virtual CView* GetActiveView() const;
  void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
  virtual CDocument* GetActiveDocument();
  virtual CFrameWnd* GetActiveFrame() { return this; }
  CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);
  virtual void RecalcLayout(BOOL bNotify = TRUE);
  virtual void ActivateFrame(int nCmdShow = -1);
  virtual void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
  virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
  void UpdateFrameTitleForDocument(LPCTSTR lpszDocName);
  void SetTitle(LPCTSTR lpszTitle) { m_strTitle = lpszTitle; }
  CString GetTitle() const { return m_strTitle; }
  virtual void OnSetPreviewMode(BOOL bPreview, struct CPrintPreviewState* pState) {}
  BOOL IsTracking() const { return FALSE; }
  void DelayUpdateFrameTitle() { m_nIdleFlags |= idleTitle; }
  void DelayRecalcLayout(BOOL bNotify = TRUE) { m_nIdleFlags |= (idleLayout | (bNotify ? idleNotify : 0)); }
  virtual HACCEL GetDefaultAccelerator();
  virtual void GetMessageString(UINT nID, CString& rMessage) const;
  void SetMessageText(LPCTSTR lpszText);
  void SetMessageText(UINT nID);
  CWnd* GetMessageBar();
  void ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL bDelay);
  // Sends WM_FLOATSTATUS with the FS_* flags to every window this frame owns
  // (floating bars, tool windows).
  void NotifyFloatingWindows(DWORD dwFlags);
  CControlBar* GetControlBar(UINT nID);
  void EnableDocking(DWORD) {}
  void BeginModalState() {}
  void EndModalState() {}
  BOOL InModalState() const { return FALSE; }
  virtual BOOL NegotiateBorderSpace(UINT nBorderCmd, LPRECT lpRectBorder);
  virtual void OnUpdateControlBarMenu(CCmdUI* pCmdUI);
  virtual BOOL OnBarCheck(UINT nID);

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void PostNcDestroy() override;
  virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);

  // Handlers.
  int OnCreate(LPCREATESTRUCT lpcs);
  void OnDestroy();
  void OnClose();
  void OnSize(UINT nType, int cx, int cy);
  void OnSetFocus(CWnd* pOldWnd);
  BOOL OnEraseBkgnd(CDC* pDC);
  void OnInitMenuPopup(CMenu* pMenu, UINT nIndex, BOOL bSysMenu);
  void OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu);
  void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
  BOOL OnNcActivate(BOOL bActive);
  void OnActivateApp(BOOL bActive, DWORD dwThreadID);
  void OnEnable(BOOL bEnable);
  void OnDropFiles(HDROP hDropInfo);
  BOOL OnQueryEndSession();
  LRESULT OnSetMessageString(WPARAM wParam, LPARAM lParam);
  LRESULT OnPopMessageString(WPARAM wParam, LPARAM lParam);
  LRESULT OnIdleUpdateCmdUI(WPARAM, LPARAM);
  LRESULT OnSetText(WPARAM, LPARAM lParam);
  LRESULT OnCommandHelp(WPARAM, LPARAM) { return FALSE; }
  LRESULT OnHelpHitTest(WPARAM, LPARAM) { return 0; }

 protected:
  HWND m_hWndActiveView = nullptr;  // the view, by handle: it may die first
  UINT m_nIDTracking = 0;
  UINT m_nIDLastMessage = 0;
  CString m_strMessage;  // the last message-bar text (tests read it through GetMessageBar)
  friend class CView;

  DECLARE_MESSAGE_MAP()
};

// ---- MDI ----------------------------------------------------------------------------------------------
struct CLIENTCREATESTRUCT {
  HANDLE hWindowMenu;
  UINT idFirstChild;
};
struct MDICREATESTRUCTW {
  LPCWSTR szClass;
  LPCWSTR szTitle;
  HANDLE hOwner;
  int x, y, cx, cy;
  DWORD style;
  LPARAM lParam;
};
using MDICREATESTRUCT = MDICREATESTRUCTW;
using LPMDICREATESTRUCT = MDICREATESTRUCTW*;
#define MDIS_ALLCHILDSTYLES 0x0001
#define MDITILE_VERTICAL 0x0000
#define MDITILE_HORIZONTAL 0x0001
#define MDITILE_SKIPDISABLED 0x0002
#define MDITILE_ZORDER 0x0004
// The MDI client's window class.
#define PV_MDICLIENT_CLASS (u"MDIClient")
void PvRegisterMDIClientClass();

class CMDIChildWnd;

class CMDIFrameWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIFrameWnd)
 public:
  CMDIFrameWnd() = default;
  HWND m_hWndMDIClient = nullptr;

  BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                 CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr) override;
  virtual BOOL CreateClient(LPCREATESTRUCT lpCreateStruct, CMenu* pWindowMenu);
  BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;
  virtual HMENU GetWindowMenuPopup(HMENU hMenuBar);
  CMDIChildWnd* MDIGetActive(BOOL* pbMaximized = nullptr) const;
  void MDIActivate(CWnd* pWndActivate);
  void MDIMaximize(CWnd* pWnd);
  void MDIRestore(CWnd* pWnd);
  void MDINext();
  void MDIPrev();
  void MDICascade(int nType = 0);
  void MDITile(int nType = MDITILE_HORIZONTAL);
  void MDIIconArrange();
  CMenu* MDISetMenu(CMenu* pFrameMenu, CMenu* pWindowMenu);
  BOOL CreateNewChild(CRuntimeClass* pClass, UINT nResource, HMENU hMenu = nullptr, HACCEL hAccel = nullptr);

  CFrameWnd* GetActiveFrame() override;
  CDocument* GetActiveDocument() override;
  HACCEL GetDefaultAccelerator() override;
  void OnUpdateFrameTitle(BOOL bAddToTitle) override;
  void RecalcLayout(BOOL bNotify = TRUE) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  BOOL OnMDIWindowCmd(UINT nID);
  void OnUpdateMDIWindowCmd(CCmdUI* pCmdUI);
  void OnWindowNew();
  void OnSize(UINT nType, int cx, int cy);
  void OnDestroy();

 protected:
  DECLARE_MESSAGE_MAP()
};

class CMDIChildWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIChildWnd)
 public:
  CMDIChildWnd() = default;
  HMENU m_hMenuShared = nullptr;

  virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName,
                      DWORD dwStyle = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW, const RECT& rect = rectDefault,
                      CMDIFrameWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);
  BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                 CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr) override;
  CMDIFrameWnd* GetMDIFrame() const;
  void MDIDestroy();
  void MDIActivate();
  void MDIMaximize();
  void MDIRestore();
  void SetHandles(HMENU hMenu, HACCEL hAccel) {
    m_hMenuShared = hMenu;
    m_hAccelTable = hAccel;
  }
  void ActivateFrame(int nCmdShow = -1) override;
  void OnUpdateFrameTitle(BOOL bAddToTitle) override;
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL DestroyWindow() override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

  void OnMDIActivate(BOOL bActivate, CWnd* pActivateWnd, CWnd* pDeactivateWnd);
  int OnCreate(LPCREATESTRUCT lpcs);
  void OnSize(UINT nType, int cx, int cy);
  void OnChildActivate();

 protected:
  DECLARE_MESSAGE_MAP()
};

// A small frame with a thin caption (tool windows).
class CMiniFrameWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMiniFrameWnd)
 public:
  CMiniFrameWnd() = default;
  BOOL Create(LPCTSTR lpClassName, LPCTSTR lpWindowName, DWORD dwStyle, const RECT& rect,
              CWnd* pParentWnd = nullptr, UINT nID = 0);
  BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpClassName, LPCTSTR lpWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd = nullptr, UINT nID = 0);
};
