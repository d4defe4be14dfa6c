// The windows a tooltip context shows its tips in: the platform's tooltip
// control (CStandardToolTip), and the toolkit's own tip window with its
// looks (Luna gradient, rich text, markup, HTML). The own window speaks the
// tooltip control's messages as far as the context uses them, keeps its own
// tool list, and decides with its own timers when to show and hide.
#pragma once

#include <memory>

#include "platform/base/clock.h"
#include "platform/base/collections.h"
#include "platform/base/cstring.h"
#include "platform/framework/afxmsg.h"
#include "platform/controls/afxcmn.h"
#include "platform/framework/afxwnd.h"
#include "toolkit/common/tooltipcontext.h"

class CTKImageManagerIcon;
class CTKRichRender;
class CTKMarkupContext;
class CTKMarkupObject;

// The platform's tooltip control; a child window that answers
// WM_TK_TOOLTIPTOPARENT with 1 hands its tips to its parent.
class CTKToolTipContext::CStandardToolTip : public CToolTipCtrl {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CTKToolTipContextToolTip : public CWnd {
 public:
  struct TOOLITEM {
    CString strText;
    BOOL bCallback = FALSE;  // the text is asked from the tool's window when needed
    UINT uFlags = 0;
    RECT rect{};  // client coordinates of the tool's window
    HINSTANCE hInstance = nullptr;
    HWND hWnd = nullptr;
    UINT_PTR nId = static_cast<UINT_PTR>(-1);
    RECT rcPosition{};  // the tip shows below it when not empty

    BOOL IsEmpty() const { return hWnd == nullptr && nId == static_cast<UINT_PTR>(-1); }
    BOOL IsSameTool(const TOOLITEM* pItem) const;  // null counts as empty
    void Empty() { *this = TOOLITEM(); }
  };

  // Timer ids.
  enum { kTimerInitial = 1, kTimerAutoPop = 3 };

  explicit CTKToolTipContextToolTip(CTKToolTipContext* pContext);
  ~CTKToolTipContextToolTip() override;

  BOOL Create(CWnd* pOwner, DWORD dwStyle);
  int GetMaxTipWidth() const;
  CTKToolTipContext* GetContext() const { return m_pContext; }

  // ---- looks ----
  // (0, 0) means nothing to show.
  virtual CSize CalcTipSize(TOOLITEM* pItem);
  virtual void DrawContent(CDC* pDC, TOOLITEM* pItem, CRect rc);
  virtual void DrawBackground(CDC* pDC, TOOLITEM* pItem, CRect rc);
  virtual void OnVisibleChanged(BOOL bVisible) {}

  // ---- state, for the looks and tests ----
  BOOL IsActive() const { return m_bActive; }
  int GetToolCount() const { return static_cast<int>(m_arrTools.GetSize()); }
  const TOOLITEM& GetCurrentItem() const { return m_itemCurrent; }
  const CString& GetTitle() const { return m_strTitle; }
  CTKImageManagerIcon* GetImage() const { return m_pIcon; }
  // The distance from the cursor's position to the top of a tip shown at the
  // cursor: below the cursor's visible pixels.
  static int GetCursorOffset();
  // The window a tip message names at a screen point: the window there, or
  // its parent when it hands its tips to the parent.
  static HWND WindowFromPoint(POINT pt);

 protected:
  // The margins plus 3 on every side, between the frame and the content.
  CSize GetFrameSize() const;
  CRect GetContentRect(CRect rc) const;
  // The item's text, asked once from the tool's window for a callback item.
  CString GetItemText(TOOLITEM* pItem);
  TOOLITEM* HitTestTools(POINT ptScreen);
  void ShowTip(TOOLITEM* pItem);
  void RelayEvent(const MSG* pMsg);
  void Activate(BOOL bActive);
  void KillTimerId(UINT_PTR& nTimer);
  void RemoveAllTools();
  void SetMouseHook(BOOL bInstall);
  static LRESULT CALLBACK MouseProc(int nCode, WPARAM wParam, LPARAM lParam);

  LRESULT OnAddTool(WPARAM wParam, LPARAM lParam);
  LRESULT OnDelTool(WPARAM wParam, LPARAM lParam);
  LRESULT OnActivate(WPARAM wParam, LPARAM lParam);
  LRESULT OnRelayEvent(WPARAM wParam, LPARAM lParam);
  LRESULT OnSetTitle(WPARAM wParam, LPARAM lParam);
  LRESULT OnUpdateTipText(WPARAM wParam, LPARAM lParam);
  LRESULT OnSetDelayTime(WPARAM wParam, LPARAM lParam);
  LRESULT OnWindowFromPoint(WPARAM wParam, LPARAM lParam);
  LRESULT OnSetImage(WPARAM wParam, LPARAM lParam);
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* pDC);
  LRESULT OnNcHitTest(CPoint point);
  int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnTimer(UINT_PTR nIDEvent);
  void OnDestroy();
  DECLARE_MESSAGE_MAP()

 protected:
  CArray<TOOLITEM*, TOOLITEM*> m_arrTools;
  BOOL m_bActive = FALSE;
  CTKToolTipContext* m_pContext;
  TOOLITEM m_itemCurrent;
  TOOLITEM m_itemClicked;
  TOOLITEM m_itemPending;
  UINT_PTR m_nTimerInitial = 0;
  DWORD m_dwLastShowHide = 0;
  int m_nDelayInitial = 500;
  int m_nDelayReshow = 200;
  int m_nDelayAutoPop = 0;  // 0: never
  UINT_PTR m_nTimerAutoPop = 0;
  CString m_strTitle;
  CTKImageManagerIcon* m_pIcon = nullptr;
  BOOL m_bRegion = FALSE;
};

// The theme look of the colour manager's current theme.
class CTKToolTipContext::CLunaToolTip : public CTKToolTipContextToolTip {
 public:
  using CTKToolTipContextToolTip::CTKToolTipContextToolTip;
  void DrawBackground(CDC* pDC, TOOLITEM* pItem, CRect rc) override;
};

// Rich text (RTF when the text starts with '{', else plain).
class CTKToolTipContext::CRichEditToolTip : public CTKToolTipContextToolTip {
 public:
  explicit CRichEditToolTip(CTKToolTipContext* pContext);
  ~CRichEditToolTip() override;
  CSize CalcTipSize(TOOLITEM* pItem) override;
  void DrawContent(CDC* pDC, TOOLITEM* pItem, CRect rc) override;

 protected:
  std::unique_ptr<CTKRichRender> m_pRender;
};

// HTML would be shown by a web-browser control hosted in the tip; this
// platform has none, so every size request answers (0, 0) and no tip shows.
class CTKToolTipContext::CHTMLToolTip : public CTKToolTipContextToolTip {
 public:
  using CTKToolTipContextToolTip::CTKToolTipContextToolTip;
  CSize CalcTipSize(TOOLITEM* pItem) override;
  void DrawContent(CDC* pDC, TOOLITEM* pItem, CRect rc) override {}
};

// The markup engine lives above this library. When its first context is
// made it installs the functions the markup tip needs; until then (and for
// text that does not parse) markup tips show plain text.
struct TK_TOOLTIP_MARKUP_FUNCTIONS {
  CTKMarkupContext* (*pfnCreateContext)(HWND hWnd);
  void (*pfnReleaseContext)(CTKMarkupContext*& pContext);
  CTKMarkupObject* (*pfnParseText)(CTKMarkupContext* pContext, LPCWSTR lpszText);
  void (*pfnReleaseElement)(CTKMarkupObject*& pElement);
  void (*pfnSetDefaultFont)(CTKMarkupContext* pContext, HFONT hFont, COLORREF clrText);
  SIZE (*pfnMeasureElement)(CTKMarkupObject* pElement, int cx, int cy);
  void (*pfnRenderElement)(CTKMarkupObject* pElement, HDC hDC, const RECT* pRect);
};
void TKSetToolTipMarkupFunctions(const TK_TOOLTIP_MARKUP_FUNCTIONS* pFunctions);
const TK_TOOLTIP_MARKUP_FUNCTIONS* TKGetToolTipMarkupFunctions();

class CTKToolTipContext::CMarkupToolTip : public CTKToolTipContextToolTip {
 public:
  explicit CMarkupToolTip(CTKToolTipContext* pContext);
  ~CMarkupToolTip() override;
  CSize CalcTipSize(TOOLITEM* pItem) override;
  void DrawContent(CDC* pDC, TOOLITEM* pItem, CRect rc) override;
  CTKMarkupObject* GetElement() const { return m_pElement; }

 protected:
  void ReleaseElement();

  CTKMarkupContext* m_pMarkupContext = nullptr;
  CTKMarkupObject* m_pElement = nullptr;
  const TK_TOOLTIP_MARKUP_FUNCTIONS* m_pFunctions = nullptr;  // those of m_pMarkupContext
};
