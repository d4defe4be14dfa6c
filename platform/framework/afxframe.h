// Frames: CFrameWnd (menu, accelerators, title, control-bar layout, the
// active view, command routing), CMDIFrameWnd with its MDI client window,
// CMDIChildWnd, and the minimal CControlBar the layout protocol needs.
#pragma once

#include <vector>

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

// CalcDynamicLayout's mode bits.
#define LM_STRETCH 0x01   // stretch to fill the whole side
#define LM_HORZ 0x02      // horizontal, else vertical
#define LM_MRUWIDTH 0x04  // the most recently used dynamic width
#define LM_HORZDOCK 0x08  // docked horizontally
#define LM_VERTDOCK 0x10  // docked vertically
#define LM_LENGTHY 0x20   // nLength is a height, else a width
#define LM_COMMIT 0x40    // remember the size (as the MRU width)

// CWnd::m_nFlags bits of frames.
#define WF_MODALDISABLE 0x0400  // the frame's modal state began with its own disabling
#define WF_STAYDISABLED 0x0800  // the frame stays disabled whatever enables it

// A bar docked to one side of a frame: it takes its room in WM_SIZEPARENT
// and updates its items from the frame at idle time.
class CControlBar : public CWnd {
  DECLARE_DYNAMIC(CControlBar)
 public:
  CControlBar() = default;
  DWORD m_dwStyle = 0;
  CFrameWnd* m_pDockSite = nullptr;
  BOOL m_bAutoDelete = FALSE;
  // Space between the bar's edges (inside the CBRS_BORDER_* lines) and its
  // contents.
  int m_cxLeftBorder = 6;
  int m_cxRightBorder = 6;
  int m_cyTopBorder = 1;
  int m_cyBottomBorder = 1;
  int m_cxDefaultGap = 2;
  // Show or hide asked for with ShowControlBar(..., bDelay = TRUE), applied at
  // the next layout or idle update.
  enum StateFlags { delayHide = 1, delayShow = 2, tempHide = 4, statusSet = 8 };
  UINT m_nStateFlags = 0;

  DWORD GetBarStyle() const { return m_dwStyle; }
  // Stores the style; OnBarStyleChange hears of a change.
  void SetBarStyle(DWORD dwStyle);
  void SetBorders(int cxLeft = 0, int cyTop = 0, int cxRight = 0, int cyBottom = 0);
  void SetBorders(LPCRECT lpRect) { SetBorders(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
  CRect GetBorders() const { return CRect(m_cxLeftBorder, m_cyTopBorder, m_cxRightBorder, m_cyBottomBorder); }
  // Visible as the frame's layout will see it: the bar's own WS_VISIBLE bit
  // with a pending delayed show or hide applied. Not IsWindowVisible: a bar
  // of a hidden frame still takes its room.
  BOOL IsVisible() const;
  BOOL IsFloating() const { return FALSE; }
  // Records a delayed show or hide (nothing when the bar is already so).
  void DelayShow(BOOL bShow);
  CFrameWnd* GetDockingFrame() const;

  // The bar's size for the frame's layout.
  virtual CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz);
  // nLength: the requested length (-1: none); dwMode: LM_* bits.
  virtual CSize CalcDynamicLayout(int nLength, DWORD dwMode);
  // Reduces a window rectangle to the part the bar's contents may use: the
  // CBRS_BORDER_* lines, the m_c?*Border spaces and the gripper.
  virtual void CalcInsideRect(CRect& rect, BOOL bHorz) const;
  virtual void OnBarStyleChange(DWORD dwOldStyle, DWORD dwNewStyle) {}
  virtual void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) {}
  virtual void DoPaint(CDC* pDC) {}
  virtual void DrawBorders(CDC* pDC, CRect& rect);
  virtual void DrawGripper(CDC* pDC, const CRect& rect);
  // Borders, background and gripper into the non-client area.
  void EraseNonClient();

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void PostNcDestroy() override;

  void OnWindowPosChanging(WINDOWPOS* lpWndPos);
  void OnNcPaint();

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
  // Disables the frame's other top-level windows (floating frames and bars)
  // while a modal window is up; nests.
  void BeginModalState();
  void EndModalState();
  BOOL InModalState() const { return m_cModalStack != 0; }
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
  void OnUpdateKeyIndicator(CCmdUI* pCmdUI);
  LRESULT OnCommandHelp(WPARAM, LPARAM) { return FALSE; }
  LRESULT OnHelpHitTest(WPARAM, LPARAM) { return 0; }

 protected:
  HWND m_hWndActiveView = nullptr;  // the view, by handle: it may die first
  UINT m_nIDTracking = 0;
  UINT m_nIDLastMessage = 0;
  CString m_strMessage;  // the last message-bar text (tests read it through GetMessageBar)
  UINT m_cModalStack = 0;
  std::vector<HWND> m_modalDisabled;  // what BeginModalState disabled
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
// The MDI keys on a key-down for the client's active child: Ctrl+F4 closes it,
// Ctrl+F6 and Ctrl+Tab activate the next child (with Shift the previous).
BOOL TranslateMDISysAccel(HWND hWndClient, LPMSG lpMsg);
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

// Mini-frame styles (window style bits of a CMiniFrameWnd).
#define MFS_SYNCACTIVE 0x00000100L    // the caption follows the owner frame's activation
#define MFS_4THICKFRAME 0x00000200L   // sizing edges only, no sizing corners
#define MFS_THICKFRAME 0x00000400L    // sizing frame
#define MFS_MOVEFRAME 0x00000800L     // dragging an edge moves the frame
#define MFS_BLOCKSYSMENU 0x00010000L  // no system menu (kept out of the window style)

// A small frame with a thin caption (tool windows, floating panes).
class CMiniFrameWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMiniFrameWnd)
 public:
  CMiniFrameWnd() = default;
  BOOL Create(LPCTSTR lpClassName, LPCTSTR lpWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd = nullptr,
              UINT nID = 0);
  BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpClassName, LPCTSTR lpWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd = nullptr, UINT nID = 0);
  BOOL IsSysMenuBlocked() const { return m_bBlockSysMenu; }
  // The caption state an MFS_SYNCACTIVE frame shows (its owner's).
  BOOL IsCaptionActive() const { return m_bActive; }

  BOOL OnNcActivate(BOOL bActive);
  void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
  void OnNcPaint();
  LRESULT OnNcHitTest(CPoint point);
  void OnNcLButtonDown(UINT nHitTest, CPoint point);
  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
  LRESULT OnFloatStatus(WPARAM wParam, LPARAM);
  LRESULT OnPopupSystemMenu(WPARAM wParam, LPARAM lParam);

 protected:
  BOOL m_bBlockSysMenu = FALSE;
  BOOL m_bActive = FALSE;
  DECLARE_MESSAGE_MAP()
};
