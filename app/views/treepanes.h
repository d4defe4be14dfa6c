// The plain container that holds the two trees at the main frame's left
// side, side by side, each under a caption with its pane's title ("Work
// View", "Date View"). It has one active pane, as tabbed panes do: a click
// on a caption or in a tree makes that pane active, and the frame hears of
// it as a pane being shown (TREEPANE_NOTIFY, action 1, the pane). The
// trees' notifications go on to the frame.
#pragma once

#include <vector>

#include "platform/framework/afxframe.h"

// Sent to the frame: wParam the action (1: the pane's window is shown),
// lParam the CTreePane.
#define TREEPANE_NOTIFY (WM_USER + 9901)
#define TREEPANE_ACTION_SHOWWINDOW 1

struct CTreePane {
  UINT m_nID = 0;
  CString m_strTitle;
  CWnd* m_pWnd = nullptr;
  CRect m_rcCaption;
};

class CTreePaneBar : public CControlBar {
  DECLARE_DYNAMIC(CTreePaneBar)
 public:
  // Width of one pane and height of a caption, in pixels.
  static constexpr int kPaneWidth = 230;
  static constexpr int kCaptionHeight = 20;

  BOOL Create(CFrameWnd* frame, UINT nID);
  // Moves `window` into the bar as the pane `paneId` with its title.
  void AttachPane(UINT paneId, const CString& title, CWnd* window);
  // Makes the pane the active one and tells the frame.
  void SelectPane(UINT paneId);
  UINT GetActivePaneId() const { return m_nActivePane; }
  const std::vector<CTreePane>& GetPanes() const { return m_panes; }

  CSize CalcDynamicLayout(int nLength, DWORD dwMode) override;

 protected:
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* pDC);
  void OnSize(UINT nType, int cx, int cy);
  void OnLButtonDown(UINT nFlags, CPoint point);
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
  DECLARE_MESSAGE_MAP()

 private:
  void LayoutPanes();
  CTreePane* PaneOfWindow(HWND hWnd);

  std::vector<CTreePane> m_panes;
  UINT m_nActivePane = 0;
};
