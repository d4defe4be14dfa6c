// CWnd: a C++ object bound to a window handle, with message maps, command
// routing, reflection of notifications back to controls, and the handler
// set windows override. See docs/framework.md.
//
// Handle maps are per thread: a permanent map (objects bound with Create,
// Attach or SubclassWindow) and a temporary map (objects FromHandle makes
// for handles nobody bound; deleted by DeleteTempMap, which the idle loop
// calls).
#pragma once

#include <string>
#include <vector>

#include "platform/base/cmdtarget.h"
#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "platform/framework/afxgdi.h"
#include "platform/base/exceptions.h"
#include "platform/system/msgbox.h"
#include "platform/system/resources.h"
#include "platform/window/winuser.h"

namespace pv::afx {
struct CreateHookAccess;
}

class CWnd;
class CFrameWnd;
class CScrollBar;
class CMenu;
class CDC;
class CCmdUI;
class CListBox;
struct CCreateContext;
struct TOOLINFOW;  // the tool-tip control's record

// ---- the framework's private messages -----------------------------------------------------------
#define WM_QUERYAFXWNDPROC 0x0360
#define WM_SIZEPARENT 0x0361
#define WM_SETMESSAGESTRING 0x0362
#define WM_IDLEUPDATECMDUI 0x0363
#define WM_INITIALUPDATE 0x0364
#define WM_COMMANDHELP 0x0365
#define WM_HELPHITTEST 0x0366
#define WM_EXITHELPMODE 0x0367
#define WM_RECALCPARENT 0x0368
#define WM_SIZECHILD 0x0369
#define WM_KICKIDLE 0x036A
#define WM_QUERYCENTERWND 0x036B
#define WM_DISABLEMODAL 0x036C
#define WM_FLOATSTATUS 0x036D
#define WM_ACTIVATETOPLEVEL 0x036E
#define WM_RESERVED_036F 0x036F
#define WM_RESERVED_0370 0x0370
#define WM_RESERVED_0371 0x0371
#define WM_RESERVED_0372 0x0372
#define WM_SOCKET_NOTIFY 0x0373
#define WM_SOCKET_DEAD 0x0374
#define WM_POPMESSAGESTRING 0x0375
#define WM_HELPPROMPTADDR 0x0376
#define WM_OCC_LOADFROMSTREAM 0x0376
#define WM_OCC_LOADFROMSTORAGE 0x0377
#define WM_OCC_INITNEW 0x0378
#define WM_QUEUE_SENTINEL 0x0379
#define WM_OCC_LOADFROMSTREAM_EX 0x037A
#define WM_OCC_LOADFROMSTORAGE_EX 0x037B

// WM_FLOATSTATUS wParam
#define FS_SHOW 0x01
#define FS_HIDE 0x02
#define FS_ACTIVATE 0x04
#define FS_DEACTIVATE 0x08
#define FS_ENABLE 0x10
#define FS_DISABLE 0x20
#define FS_SYNCACTIVE 0x40

// Frame styles (the low bits of a frame's style that windows ignore).
#define FWS_ADDTOTITLE 0x00008000L
#define FWS_PREFIXTITLE 0x00004000L
#define FWS_SNAPTOBARS 0x00002000L

// Standard command ids.
#define ID_SEPARATOR 0
#define ID_FILE_NEW 0xE100
#define ID_FILE_OPEN 0xE101
#define ID_FILE_CLOSE 0xE102
#define ID_FILE_SAVE 0xE103
#define ID_FILE_SAVE_AS 0xE104
#define ID_FILE_PAGE_SETUP 0xE105
#define ID_FILE_PRINT_SETUP 0xE106
#define ID_FILE_PRINT 0xE107
#define ID_FILE_PRINT_DIRECT 0xE108
#define ID_FILE_PRINT_PREVIEW 0xE109
#define ID_FILE_MRU_FILE1 0xE110
#define ID_FILE_MRU_FIRST 0xE110
#define ID_FILE_MRU_LAST 0xE11F
#define ID_EDIT_CLEAR 0xE120
#define ID_EDIT_CLEAR_ALL 0xE121
#define ID_EDIT_COPY 0xE122
#define ID_EDIT_CUT 0xE123
#define ID_EDIT_FIND 0xE124
#define ID_EDIT_PASTE 0xE125
#define ID_EDIT_REPEAT 0xE128
#define ID_EDIT_REPLACE 0xE129
#define ID_EDIT_SELECT_ALL 0xE12A
#define ID_EDIT_UNDO 0xE12B
#define ID_EDIT_REDO 0xE12C
#define ID_WINDOW_NEW 0xE130
#define ID_WINDOW_ARRANGE 0xE131
#define ID_WINDOW_CASCADE 0xE132
#define ID_WINDOW_TILE_HORZ 0xE133
#define ID_WINDOW_TILE_VERT 0xE134
#define ID_WINDOW_SPLIT 0xE135
#define ID_APP_ABOUT 0xE140
#define ID_APP_EXIT 0xE141
#define ID_OLE_VERB_FIRST 0xE210  // the verbs of an embedded object on the Edit menu
#define ID_OLE_VERB_LAST 0xE21F
#define ID_HELP_INDEX 0xE142
#define ID_HELP_FINDER 0xE143
#define ID_HELP_USING 0xE144
#define ID_CONTEXT_HELP 0xE145
#define ID_HELP 0xE146
#define ID_DEFAULT_HELP 0xE147
#define ID_NEXT_PANE 0xE150
#define ID_PREV_PANE 0xE151
#define ID_VIEW_TOOLBAR 0xE800
#define ID_VIEW_STATUS_BAR 0xE801
#define ID_INDICATOR_EXT 0xE700
#define ID_INDICATOR_CAPS 0xE701
#define ID_INDICATOR_NUM 0xE702
#define ID_INDICATOR_SCRL 0xE703
#define ID_INDICATOR_OVR 0xE704
#define ID_INDICATOR_REC 0xE705
#define ID_INDICATOR_KANA 0xE706
#define AFX_IDW_CONTROLBAR_FIRST 0xE800
#define AFX_IDW_CONTROLBAR_LAST 0xE8FF
#define AFX_IDW_TOOLBAR 0xE800
#define AFX_IDW_STATUS_BAR 0xE801
#define AFX_IDW_PREVIEW_BAR 0xE802
#define AFX_IDW_RESIZE_BAR 0xE803
#define AFX_IDW_DOCKBAR_TOP 0xE81B
#define AFX_IDW_DOCKBAR_LEFT 0xE81C
#define AFX_IDW_DOCKBAR_RIGHT 0xE81D
#define AFX_IDW_DOCKBAR_BOTTOM 0xE81E
#define AFX_IDW_DOCKBAR_FLOAT 0xE81F
#define AFX_IDW_PANE_FIRST 0xE900
#define AFX_IDW_PANE_LAST 0xE9FF
#define AFX_IDW_HSCROLL_FIRST 0xEA00
#define AFX_IDW_VSCROLL_FIRST 0xEA10
#define AFX_IDW_SIZE_BOX 0xEA20
#define AFX_IDW_PANE_SAVE 0xEA21
#define AFX_IDS_APP_TITLE 0xE000
#define AFX_IDS_IDLEMESSAGE 0xE001
#define AFX_IDS_HELPMODEMESSAGE 0xE002
#define AFX_IDS_OPENFILE 0xF000
#define AFX_IDS_SAVEFILE 0xF001
#define AFX_IDS_UNTITLED 0xF003
#define AFX_IDM_FIRST_MDICHILD 0xFF00
#define AFX_IDI_STD_MDIFRAME 1
#define AFX_IDI_STD_FRAME 2
#define IDR_MAINFRAME 128

// WM_CTLCOLOR reflection carries this in lParam.
struct AFX_CTLCOLOR {
  HWND hWnd;
  HDC hDC;
  UINT nCtlType;
};
#ifndef CTLCOLOR_MSGBOX
#define CTLCOLOR_MSGBOX 0
#define CTLCOLOR_EDIT 1
#define CTLCOLOR_LISTBOX 2
#define CTLCOLOR_BTN 3
#define CTLCOLOR_DLG 4
#define CTLCOLOR_SCROLLBAR 5
#define CTLCOLOR_STATIC 6
#endif

// WM_SIZEPARENT's lParam: control bars take their room from rect.
struct AFX_SIZEPARENTPARAMS {
  HDWP hDWP;
  RECT rect;
  SIZE sizeTotal;
  BOOL bStretch;
};

// ---- CWnd --------------------------------------------------------------------------------------
class CWnd : public CCmdTarget {
  DECLARE_DYNCREATE(CWnd)
 public:
  CWnd() noexcept = default;
  ~CWnd() override;

  HWND m_hWnd = nullptr;
  static const CWnd wndTop, wndBottom, wndTopMost, wndNoTopMost;

  // Both answer null for a null object, as callers have always relied on
  // (the barrier keeps the compiler from assuming `this` is never null).
  operator HWND() const { return GetSafeHwnd(); }  // NOLINT
  HWND GetSafeHwnd() const {
    const void* self = this;
    asm("" : "+r"(self));
    return self ? m_hWnd : nullptr;
  }
  static HWND HwndOf(const CWnd* p) { return p ? p->m_hWnd : nullptr; }
  bool operator==(const CWnd& w) const { return m_hWnd == w.m_hWnd; }

  // ---- handle maps ----
  static CWnd* FromHandle(HWND hWnd);
  static CWnd* FromHandlePermanent(HWND hWnd);
  static void DeleteTempMap();
  BOOL Attach(HWND hWndNew);
  HWND Detach();
  BOOL SubclassWindow(HWND hWnd);
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
  HWND UnsubclassWindow();
  WNDPROC* GetSuperWndProcAddr() { return &m_pfnSuper; }

  // ---- creation ----
  virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                      UINT nID, CCreateContext* pContext = nullptr);
  virtual BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x, int y,
                        int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr);
  virtual BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                        CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
  virtual BOOL DestroyWindow();
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  virtual void PreSubclassWindow() {}
  virtual void PostNcDestroy() {}
  virtual void CalcWindowRect(LPRECT lpClientRect, UINT nAdjustType = 0);

  // ---- messages ----
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  static BOOL ReflectLastMsg(HWND hWndChild, LRESULT* pResult = nullptr);
  BOOL SendChildNotifyLastMsg(LRESULT* pResult = nullptr);
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  // Lets the message go on to the default window procedure (from a handler).
  LRESULT Default();
  static const MSG* GetCurrentMessage();
  static BOOL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);
  virtual INT_PTR OnToolHitTest(CPoint point, TOOLINFOW* pTI) const;
  // The framework's own tool tips for this window and its children: on each
  // mouse message OnToolHitTest names the tool under the mouse, which goes to
  // the thread's tip window (the text, unless the hit test gave one, comes
  // through TTN_NEEDTEXT). A text the hit test gives must be malloc'ed; it is
  // freed here once the tip has copied it.
  BOOL EnableToolTips(BOOL bEnable = TRUE);
  static void CancelToolTips(BOOL bKeys = FALSE);
  void FilterToolTipMessage(MSG* pMsg);
  virtual void WinHelp(DWORD_PTR dwData, UINT nCmd = 0x0001) {}
  virtual BOOL ContinueModal();
  virtual void EndModalLoop(int nResult);
  int RunModalLoop(DWORD dwFlags = 0);
  virtual void OnFinalRelease() override;

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessage(m_hWnd, message, wParam, lParam);
  }
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::PostMessage(m_hWnd, message, wParam, lParam);
  }
  BOOL SendNotifyMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendNotifyMessage(m_hWnd, message, wParam, lParam);
  }
  void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL bDeep = TRUE,
                                BOOL bOnlyPerm = FALSE);
  static void SendMessageToDescendants(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep,
                                       BOOL bOnlyPerm);
  void UpdateDialogControls(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  // Adds the texts of the dialog initialisation data (RT_DLGINIT) stored
  // under a dialog's name to its list and combo boxes. TRUE when there is
  // none; FALSE when the data is corrupt or a box refuses a text.
  BOOL ExecuteDlgInit(LPCTSTR lpszResourceName);
  BOOL ExecuteDlgInit(const void* lpResource, DWORD dwSize);
  virtual void DoDataExchange(class CDataExchange* pDX) {}

  // ---- state ----
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_STYLE)); }
  DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_EXSTYLE)); }
  BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  static BOOL ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags);
  static BOOL ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags);
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  int SetDlgCtrlID(int nID) { return static_cast<int>(::SetWindowLong(m_hWnd, GWL_ID, nID)); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
  BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
  BOOL IsChild(const CWnd* pWnd) const { return ::IsChild(m_hWnd, HwndOf(pWnd)); }
  BOOL IsWindow() const { return ::IsWindow(GetSafeHwnd()); }
  void SetWindowText(LPCTSTR lpszString) { ::SetWindowText(m_hWnd, lpszString); }
  int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const {
    return ::GetWindowText(m_hWnd, lpszStringBuf, nMaxCount);
  }
  void GetWindowText(CString& rString) const;
  int GetWindowTextLength() const { return ::GetWindowTextLength(m_hWnd); }
  void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
  CFont* GetFont() const;
  CMenu* GetMenu() const;
  BOOL SetMenu(CMenu* pMenu);
  void DrawMenuBar() { ::DrawMenuBar(m_hWnd); }
  CMenu* GetSystemMenu(BOOL bRevert) const;
  HICON SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
  }
  HICON GetIcon(BOOL bBigIcon) const {
    return reinterpret_cast<HICON>(SendMessage(WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL, 0));
  }
  DWORD GetWindowContextHelpId() const { return ::GetWindowContextHelpId(m_hWnd); }
  BOOL SetWindowContextHelpId(DWORD id) { return ::SetWindowContextHelpId(m_hWnd, id); }

  // ---- geometry ----
  void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
  void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
  void ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }
  void ClientToScreen(LPRECT lpRect) const;
  void ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
  void ScreenToClient(LPRECT lpRect) const;
  void MapWindowPoints(CWnd* pwndTo, LPPOINT lpPoint, UINT nCount) const {
    ::MapWindowPoints(m_hWnd, HwndOf(pwndTo), lpPoint, nCount);
  }
  void MapWindowPoints(CWnd* pwndTo, LPRECT lpRect) const {
    ::MapWindowPoints(m_hWnd, HwndOf(pwndTo), reinterpret_cast<LPPOINT>(lpRect), 2);
  }
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
  }
  void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE) {
    ::MoveWindow(m_hWnd, lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top,
                 bRepaint);
  }
  BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
  BOOL GetWindowPlacement(WINDOWPLACEMENT* lpwndpl) const { return ::GetWindowPlacement(m_hWnd, lpwndpl); }
  BOOL SetWindowPlacement(const WINDOWPLACEMENT* lpwndpl) { return ::SetWindowPlacement(m_hWnd, lpwndpl); }
  void CenterWindow(CWnd* pAlternateOwner = nullptr);
  int SetWindowRgn(HRGN hRgn, BOOL bRedraw) { return ::SetWindowRgn(m_hWnd, hRgn, bRedraw); }
  int GetWindowRgn(HRGN hRgn) const { return ::GetWindowRgn(m_hWnd, hRgn); }
  void BringWindowToTop() { ::BringWindowToTop(m_hWnd); }
  void RepositionBars(UINT nIDFirst, UINT nIDLast, UINT nIDLeftOver, UINT nFlag = 0, LPRECT lpRectParam = nullptr,
                      LPCRECT lpRectClient = nullptr, BOOL bStretch = TRUE);
  enum RepositionFlags { reposDefault = 0, reposQuery = 1, reposExtra = 2, reposNoPosLeftOver = 0x8000 };
  enum AdjustType { adjustBorder = 0, adjustOutside = 1 };

  // ---- painting ----
  CDC* GetDC();
  CDC* GetWindowDC();
  CDC* GetDCEx(CRgn* prgnClip, DWORD flags);
  int ReleaseDC(CDC* pDC);
  CDC* BeginPaint(LPPAINTSTRUCT lpPaint);
  void EndPaint(LPPAINTSTRUCT lpPaint) { ::EndPaint(m_hWnd, lpPaint); }
  void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
  void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
  void InvalidateRgn(CRgn* pRgn, BOOL bErase = TRUE);
  void ValidateRect(LPCRECT lpRect) { ::ValidateRect(m_hWnd, lpRect); }
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, CRgn* prgnUpdate = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  BOOL GetUpdateRect(LPRECT lpRect, BOOL bErase = FALSE) { return ::GetUpdateRect(m_hWnd, lpRect, bErase); }
  void SetRedraw(BOOL bRedraw = TRUE) { SendMessage(WM_SETREDRAW, bRedraw, 0); }
  void ScrollWindow(int xAmount, int yAmount, LPCRECT lpRect = nullptr, LPCRECT lpClipRect = nullptr) {
    ::ScrollWindow(m_hWnd, xAmount, yAmount, lpRect, lpClipRect);
  }
  void Print(CDC* pDC, DWORD dwFlags) const;
  void PrintClient(CDC* pDC, DWORD dwFlags) const;

  // ---- scroll bars ----
  // A window may scroll with a scroll-bar control instead of its own bar
  // (a view in a pane with shared bars, a control borrowing its view's):
  // GetScrollBarCtrl names that control, and the functions below then act
  // on it for SB_HORZ/SB_VERT. Null by default: the window's own bars.
  virtual CScrollBar* GetScrollBarCtrl(int nBar) const;
  int GetScrollPos(int nBar) const;
  int SetScrollPos(int nBar, int nPos, BOOL bRedraw = TRUE);
  void GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const;
  void SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw = TRUE);
  BOOL GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL);
  BOOL SetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE);
  int GetScrollLimit(int nBar);
  // A control is shown or hidden; the window's own bar too.
  void ShowScrollBar(UINT nBar, BOOL bShow = TRUE);
  // A control is enabled or disabled; the window's own bar is shown or
  // hidden. SB_BOTH does both bars.
  void EnableScrollBarCtrl(int nBar, BOOL bEnable = TRUE);
  // Enables or disables the arrows (ESB_*) of the bar or its control.
  BOOL EnableScrollBar(int nSBFlags, UINT nArrowFlags = ESB_ENABLE_BOTH);
  // The object of a scroll-bar control bound to hWnd, or null when hWnd is
  // no such window or has no CScrollBar object (overrides of
  // GetScrollBarCtrl answer through it).
  static CScrollBar* ScrollBarFromHandle(HWND hWnd);

  // ---- tree ----
  CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
  CWnd* SetParent(CWnd* pWndNewParent) { return FromHandle(::SetParent(m_hWnd, HwndOf(pWndNewParent))); }
  CWnd* GetOwner() const;
  void SetOwner(CWnd* pOwnerWnd) { m_hWndOwner = HwndOf(pOwnerWnd); }
  CWnd* GetWindow(UINT nCmd) const { return FromHandle(::GetWindow(m_hWnd, nCmd)); }
  CWnd* GetTopWindow() const { return FromHandle(::GetTopWindow(m_hWnd)); }
  CWnd* GetNextWindow(UINT nFlag = GW_HWNDNEXT) const { return FromHandle(::GetWindow(m_hWnd, nFlag)); }
  CWnd* GetLastActivePopup() const { return FromHandle(::GetLastActivePopup(m_hWnd)); }
  CWnd* GetTopLevelParent() const;
  CWnd* GetTopLevelOwner() const;
  CWnd* GetParentOwner() const;
  CFrameWnd* GetParentFrame() const;
  CFrameWnd* GetTopLevelFrame() const;
  CWnd* GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
  void GetDlgItem(int nID, HWND* phWnd) const { *phWnd = ::GetDlgItem(m_hWnd, nID); }
  CWnd* GetDescendantWindow(int nID, BOOL bOnlyPerm = FALSE) const;
  static CWnd* GetDescendantWindow(HWND hWnd, int nID, BOOL bOnlyPerm);
  CWnd* ChildWindowFromPoint(POINT point) const { return FromHandle(::ChildWindowFromPoint(m_hWnd, point)); }
  CWnd* ChildWindowFromPoint(POINT point, UINT nFlags) const {
    return FromHandle(::ChildWindowFromPointEx(m_hWnd, point, nFlags));
  }
  static CWnd* WindowFromPoint(POINT point) { return FromHandle(::WindowFromPoint(point)); }
  static CWnd* GetDesktopWindow() { return FromHandle(::GetDesktopWindow()); }
  static CWnd* FindWindow(LPCTSTR lpszClassName, LPCTSTR lpszWindowName) {
    return FromHandle(::FindWindow(lpszClassName, lpszWindowName));
  }
  CWnd* GetNextDlgTabItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const;
  CWnd* GetNextDlgGroupItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const;
  void SetDlgItemText(int nID, LPCTSTR lpszString) { ::SetDlgItemText(m_hWnd, nID, lpszString); }
  int GetDlgItemText(int nID, LPTSTR lpStr, int nMaxCount) const {
    return static_cast<int>(::GetDlgItemText(m_hWnd, nID, lpStr, nMaxCount));
  }
  int GetDlgItemText(int nID, CString& rString) const;
  void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE) { ::SetDlgItemInt(m_hWnd, nID, nValue, bSigned); }
  UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const {
    return ::GetDlgItemInt(m_hWnd, nID, lpTrans, bSigned);
  }
  LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendDlgItemMessage(m_hWnd, nID, message, wParam, lParam);
  }
  void CheckDlgButton(int nIDButton, UINT nCheck);
  UINT IsDlgButtonChecked(int nIDButton) const;
  void CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton);
  int GetCheckedRadioButton(int nIDFirstButton, int nIDLastButton) const;

  // ---- input ----
  static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
  CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
  static CWnd* GetCapture() { return FromHandle(::GetCapture()); }
  CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
  static CWnd* GetActiveWindow() { return FromHandle(::GetActiveWindow()); }
  CWnd* SetActiveWindow() { return FromHandle(::SetActiveWindow(m_hWnd)); }
  static CWnd* GetForegroundWindow() { return FromHandle(::GetForegroundWindow()); }
  BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
  }
  BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
  void DragAcceptFiles(BOOL bAccept = TRUE);
  BOOL CreateCaret(CBitmap* pBitmap);
  void CreateSolidCaret(int nWidth, int nHeight) { ::CreateCaret(m_hWnd, nullptr, nWidth, nHeight); }
  void ShowCaret() { ::ShowCaret(m_hWnd); }
  void HideCaret() { ::HideCaret(m_hWnd); }
  static void SetCaretPos(POINT point) { ::SetCaretPos(point.x, point.y); }
  int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption = nullptr, UINT nType = MB_OK);
  BOOL FlashWindow(BOOL bInvert) { return ::FlashWindow(m_hWnd, bInvert); }
  static CWnd* GetSafeOwner(CWnd* pParent = nullptr, HWND* pWndTop = nullptr);

  // Handlers for the messages, called through the message map (ON_WM_*);
  // by default the message goes on to the default procedure.
  int OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
  BOOL OnNcCreate(LPCREATESTRUCT) { return static_cast<BOOL>(Default()); }
  void OnDestroy() { Default(); }
  void OnNcDestroy();
  void OnPaint() { Default(); }
  void OnNcPaint() { Default(); }
  BOOL OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
  void OnSize(UINT, int, int) { Default(); }
  void OnSizing(UINT, LPRECT) { Default(); }
  void OnMove(int, int) { Default(); }
  void OnMoving(UINT, LPRECT) { Default(); }
  void OnTimer(UINT_PTR) { Default(); }
  void OnClose() { Default(); }
  void OnMouseMove(UINT, CPoint) { Default(); }
  void OnLButtonDown(UINT, CPoint) { Default(); }
  void OnLButtonUp(UINT, CPoint) { Default(); }
  void OnLButtonDblClk(UINT, CPoint) { Default(); }
  void OnRButtonDown(UINT, CPoint) { Default(); }
  void OnRButtonUp(UINT, CPoint) { Default(); }
  void OnRButtonDblClk(UINT, CPoint) { Default(); }
  void OnMButtonDown(UINT, CPoint) { Default(); }
  void OnMButtonUp(UINT, CPoint) { Default(); }
  void OnMButtonDblClk(UINT, CPoint) { Default(); }
  void OnXButtonDown(UINT, UINT, CPoint) { Default(); }
  void OnXButtonUp(UINT, UINT, CPoint) { Default(); }
  BOOL OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
  void OnMouseHWheel(UINT, short, CPoint) { Default(); }
  void OnMouseLeave() { Default(); }
  void OnMouseHover(UINT, CPoint) { Default(); }
  void OnNcMouseMove(UINT, CPoint) { Default(); }
  void OnNcMouseLeave() { Default(); }
  void OnNcMouseHover(UINT, CPoint) { Default(); }
  void OnNcLButtonDown(UINT, CPoint) { Default(); }
  void OnNcLButtonUp(UINT, CPoint) { Default(); }
  void OnNcLButtonDblClk(UINT, CPoint) { Default(); }
  void OnNcRButtonDown(UINT, CPoint) { Default(); }
  void OnNcRButtonUp(UINT, CPoint) { Default(); }
  void OnNcMButtonDown(UINT, CPoint) { Default(); }
  void OnNcRButtonDblClk(UINT, CPoint) { Default(); }
  void OnNcMButtonDblClk(UINT, CPoint) { Default(); }
  void OnCompositionChanged() { Default(); }
  LRESULT OnPrintClient(CDC*, UINT) { return Default(); }
  void OnNcMButtonUp(UINT, CPoint) { Default(); }
  LRESULT OnNcHitTest(CPoint) { return Default(); }
  void OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS*) { Default(); }
  BOOL OnNcActivate(BOOL) { return static_cast<BOOL>(Default()); }
  void OnKeyDown(UINT, UINT, UINT) { Default(); }
  void OnKeyUp(UINT, UINT, UINT) { Default(); }
  void OnSysKeyDown(UINT, UINT, UINT) { Default(); }
  void OnSysKeyUp(UINT, UINT, UINT) { Default(); }
  void OnChar(UINT, UINT, UINT) { Default(); }
  void OnSysChar(UINT, UINT, UINT) { Default(); }
  void OnSetFocus(CWnd*) { Default(); }
  void OnKillFocus(CWnd*) { Default(); }
  BOOL OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
  int OnMouseActivate(CWnd*, UINT, UINT) { return static_cast<int>(Default()); }
  void OnActivate(UINT, CWnd*, BOOL) { Default(); }
  void OnActivateApp(BOOL, DWORD) { Default(); }
  void OnCancelMode() { Default(); }
  void OnCaptureChanged(CWnd*) { Default(); }
  void OnContextMenu(CWnd*, CPoint) { Default(); }
  void OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
  void OnWindowPosChanging(WINDOWPOS*) { Default(); }
  void OnWindowPosChanged(WINDOWPOS*) { Default(); }
  void OnStyleChanging(int, LPSTYLESTRUCT) { Default(); }
  void OnStyleChanged(int, LPSTYLESTRUCT) { Default(); }
  void OnSysCommand(UINT, LPARAM) { Default(); }
  void OnHScroll(UINT, UINT, CScrollBar* pScrollBar);
  void OnVScroll(UINT, UINT, CScrollBar* pScrollBar);
  HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  void OnDrawItem(int, LPDRAWITEMSTRUCT);
  void OnMeasureItem(int, LPMEASUREITEMSTRUCT);
  int OnCompareItem(int, LPCOMPAREITEMSTRUCT);
  void OnDeleteItem(int, LPDELETEITEMSTRUCT);
  int OnCharToItem(UINT, class CListBox*, UINT);
  int OnVKeyToItem(UINT, class CListBox*, UINT);
  void OnParentNotify(UINT message, LPARAM lParam);
  void OnShowWindow(BOOL, UINT) { Default(); }
  void OnEnable(BOOL) { Default(); }
  void OnSettingChange(UINT, LPCTSTR) { Default(); }
  void OnSysColorChange() { Default(); }
  void OnTimeChange() { Default(); }
  void OnDisplayChange(UINT, int, int) { Default(); }
  UINT OnGetDlgCode() { return static_cast<UINT>(Default()); }
  void OnDropFiles(HDROP) { Default(); }
  BOOL OnHelpInfo(HELPINFO*) { return static_cast<BOOL>(Default()); }
  void OnInitMenu(CMenu*) { Default(); }
  void OnInitMenuPopup(CMenu*, UINT, BOOL) { Default(); }
  void OnMenuSelect(UINT, UINT, HMENU) { Default(); }
  void OnEnterIdle(UINT, CWnd*) { Default(); }
  void OnEnterMenuLoop(BOOL) { Default(); }
  void OnExitMenuLoop(BOOL) { Default(); }
  LRESULT OnMenuChar(UINT, UINT, CMenu*) { return Default(); }
  LRESULT OnThemeChanged() { return Default(); }
  void OnChildActivate() { Default(); }
  void OnMDIActivate(BOOL, CWnd*, CWnd*) { Default(); }
  BOOL OnQueryEndSession() { return static_cast<BOOL>(Default()); }
  void OnEndSession(BOOL) { Default(); }
  BOOL OnCopyData(CWnd*, COPYDATASTRUCT*) { return static_cast<BOOL>(Default()); }
  void OnEnterSizeMove() { Default(); }
  void OnExitSizeMove() { Default(); }
  BOOL OnQueryNewPalette() { return static_cast<BOOL>(Default()); }
  void OnPaletteChanged(CWnd*) { Default(); }
  void OnDevModeChange(LPTSTR) { Default(); }
  void OnFontChange() { Default(); }

  static const AFX_MSGMAP* GetThisMessageMap();
  const AFX_MSGMAP* GetMessageMap() const override;

  // Registers (once) and answers the framework's standard window classes.
  static LPCTSTR AfxWndClass();
  static LPCTSTR AfxFrameOrViewClass();

 protected:
  WNDPROC m_pfnSuper = nullptr;  // the procedure the window had before we subclassed it
  HWND m_hWndOwner = nullptr;
  int m_nModalResult = -1;
  enum : DWORD { kModalLoop = 0x01, kContinueModal = 0x02 };

 public:
  // WF_* state bits (see below the class); public as code reading a frame's
  // stay-active state has always relied on.
  DWORD m_nFlags = 0;

 protected:
  friend LRESULT AfxWndProc(HWND, UINT, WPARAM, LPARAM);
  friend struct pv::afx::CreateHookAccess;

 private:
  static BOOL ReflectDispatch(CWnd* child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
};

// CWnd::m_nFlags bits.
#define WF_TOOLTIPS 0x0100    // EnableToolTips is on
#define WF_STAYACTIVE 0x0200  // a frame's caption stays active for one of its floating windows

// RunModalLoop flags.
#define MLF_NOIDLEMSG 0x0001   // no WM_ENTERIDLE to the owner when the loop goes idle
#define MLF_NOKICKIDLE 0x0002  // no WM_KICKIDLE to the window
#define MLF_SHOWONIDLE 0x0004  // a hidden window is shown when the loop first goes idle

// The part of the thread's framework state callers may use: the message
// being handled. A procedure that subclasses a window and dispatches on its
// own saves it, sets it to its message and puts it back before returning,
// so that CWnd::GetCurrentMessage and Default see that message.
struct AFX_THREAD_STATE {
  MSG m_lastSentMsg{};
};
AFX_THREAD_STATE* AfxGetThreadState();

// The procedure of every window bound to a CWnd.
LRESULT AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
WNDPROC AfxGetAfxWndProc();
// Binds the next window created on this thread to pWnd (CreateEx does it).
void AfxHookWindowCreate(CWnd* pWnd);
BOOL AfxUnhookWindowCreate();
// A class name for the given look, registered once (names start "Afx:").
LPCTSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                            HICON hIcon = nullptr);
BOOL AfxRegisterClass(WNDCLASS* lpWndClass);
// Number of CWnd objects in this thread's permanent and temporary maps (tests).
int AfxPermanentWindowCount();
int AfxTemporaryWindowCount();

// ---- CCmdUI --------------------------------------------------------------------------------------
// One user-interface item (menu item, tool button, control) asked to show
// a command's state: handlers call Enable/SetCheck/SetRadio/SetText.
class CCmdUI {
 public:
  CCmdUI() = default;
  virtual ~CCmdUI() = default;

  UINT m_nID = 0;
  UINT m_nIndex = 0;
  CMenu* m_pMenu = nullptr;
  CMenu* m_pSubMenu = nullptr;
  CWnd* m_pOther = nullptr;
  CMenu* m_pParentMenu = nullptr;
  BOOL m_bEnableChanged = FALSE;
  BOOL m_bContinueRouting = FALSE;
  UINT m_nIndexMax = 0;

  virtual void Enable(BOOL bOn = TRUE);
  virtual void SetCheck(int nCheck = 1);
  virtual void SetRadio(BOOL bOn = TRUE);
  virtual void SetText(LPCTSTR lpszText);
  void ContinueRouting() { m_bContinueRouting = TRUE; }
  // Asks pTarget's routing for the state; with bDisableIfNoHndler an item
  // nobody handles is disabled. Answers whether a handler ran.
  BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);
};

// The state an update handler reported, without any item behind it.
class CTestCmdUI : public CCmdUI {
 public:
  CTestCmdUI() { m_bEnabled = TRUE; }
  void Enable(BOOL bOn = TRUE) override {
    m_bEnabled = bOn;
    m_bEnableChanged = TRUE;
  }
  void SetCheck(int nCheck = 1) override { m_nCheck = nCheck; }
  void SetRadio(BOOL bOn = TRUE) override { m_nCheck = bOn ? 1 : 0; }
  void SetText(LPCTSTR lpszText) override { m_strText = lpszText; }
  BOOL m_bEnabled;
  int m_nCheck = -1;
  CString m_strText;
};

// ---- the wait cursor ------------------------------------------------------------------------------
class CWaitCursor {
 public:
  CWaitCursor();
  ~CWaitCursor();
  void Restore();
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
};
// How many wait cursors are up on this thread (tests).
int AfxWaitCursorDepth();
