// One icon in the task bar's notification area. A hidden window of class
// "TKTrayIcon" receives the shell's callback messages: the owner window is
// offered each one first; otherwise a right click opens the menu resource
// (its commands go to the owner) and a double click sends the default
// command. The icon can cycle through animation frames, comes back when the
// task bar is re-created, and a frame window can be minimised into it.
#pragma once

#include <vector>

#include "platform/framework/afx.h"
#include "platform/shell/shellapi.h"
#include "toolkit/common/iconhandle.h"

// The shell's callback message of the icon.
constexpr UINT TK_WM_TRAYICONNOTIFY = WM_USER + 9021;

class CTKTrayIcon : public CWnd {
 public:
  struct TRAYICONDATA {
    HICON hIcon = nullptr;  // owned: destroyed when the frames are removed
    CString strToolTip;     // empty: the icon's own tooltip
  };

  static constexpr UINT kDefaultAnimationTimer = 1001;

  CTKTrayIcon();
  ~CTKTrayIcon() override;

  using CWnd::Create;
  // The short form: no menu, default item 0 by command id.
  virtual BOOL Create(LPCTSTR lpszToolTip, DWORD dwStyle, CWnd* pOwner, UINT nIconID);
  // FALSE when the shell refuses the icon.
  virtual BOOL Create(LPCTSTR lpszToolTip, CWnd* pOwner, UINT nIconID, UINT nMenuID, UINT nDefaultMenuItem,
                      bool bDefaultMenuItemByPos);

  virtual void StopAnimationTimer();
  virtual void StartAnimation(UINT nPeriod);
  // FALSE at the first icon that cannot be loaded (the frames before it stay).
  virtual BOOL SetAnimationIcons(const UINT* pIconIDs, int nCount, const CString* pToolTips);
  virtual BOOL SetAnimationIcons(const UINT* pIconIDs, const CString* pToolTips, int nCount);
  // Puts a shown icon back (after the task bar was re-created).
  virtual BOOL AddIcon();
  virtual BOOL RemoveTaskbarButton(CWnd* pFrame);
  virtual void RemoveAnimationIcons();
  virtual void SetTooltipText(LPCTSTR lpszToolTip);
  virtual BOOL SetIcon(UINT nIconID, UINT nUnused = 0);
  virtual void StopAnimation();
  virtual void StartAnimation(UINT nTimerID, UINT nPeriod);
  virtual LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam);

  BOOL ShowIcon();
  BOOL RemoveIcon();
  BOOL SetNotifyIcon(HICON hIcon);
  BOOL SetNotifyTip(LPCTSTR lpszToolTip);
  BOOL ShellNotify(DWORD dwMessage);

  void MinimizeToTray(CWnd* pFrame);
  void MaximizeFromTray(CWnd* pFrame);
  // The notification area on screen, where minimising animates to.
  static BOOL GetTrayWndRect(RECT* pRect);

  BOOL IsShown() const { return !m_bHidden; }
  BOOL HasAddFailed() const { return m_bAddFailed; }
  CString GetTooltipText() const { return m_strToolTip; }
  int GetAnimationIconCount() const { return static_cast<int>(m_arrFrames.size()); }
  int GetCurrentFrame() const { return m_nCurrentFrame; }
  const NOTIFYICONDATAW& GetNotifyData() const { return m_nid; }
  CWnd* GetMinimizeParent() { return &m_wndMinimize; }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  // One tick of the frame animation.
  void OnAnimationTimer();
  static BOOL IsWindowAnimationOn();
  static HICON LoadSmallIcon(UINT nIconID);

  UINT m_uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  UINT m_nIconID = 0;
  UINT m_nIDEvent = kDefaultAnimationTimer;
  int m_nCurrentFrame = 0;
  UINT m_nDefaultMenuItem = 0;
  BYTE m_bDefaultMenuItemByPos = TRUE;
  BYTE m_bHidden = TRUE;
  BYTE m_bRemoved = TRUE;
  BYTE m_bAddFailed = FALSE;
  HWND m_hWndNotify = nullptr;
  CWnd m_wndMinimize;
  int m_nMaxTipLength = 64;
  CString m_strToolTip;
  CTKIconHandle m_hIcon;
  std::vector<TRAYICONDATA> m_arrFrames;
  NOTIFYICONDATAW m_nid{};
};
