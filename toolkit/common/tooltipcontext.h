// The tooltip service of one control family (command bars, tabs, docking
// panes, the report grid, markup). The control relays its mouse messages;
// the context asks the control's tool hit test which tool is under the
// cursor and keeps one tip window up to date: the platform's tooltip control
// or one of the toolkit's own tip windows (tooltipwindow.h), by style.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/framework/afxgdi.h"
#include "platform/framework/afxwnd.h"
#include "platform/window/toolinfo.h"

class CTKImageManager;
class CTKToolTipContextToolTip;

// Toolkit window messages of tool tips.
// Sent to a child window: it answers 1 when its tips belong to its parent.
#define WM_TK_TOOLTIPTOPARENT 0x2A48
// Sent to a tip window: lParam is the CTKImageManagerIcon* to show (null for none).
#define WM_TK_TOOLTIPIMAGE 0x2A49

// The toolkit's tip style bits, beside the platform's TTS_ bits.
#define TKTTS_BUTTONFACEEDGE 0x1000  // the plain frame gets a button-face top and left edge
#define TKTTS_NOSHADOW 0x2000        // the own tip window has no drop shadow
#define TKTTS_THEMELOOK 0x4000       // theme gradient, rounded region, text 0x4C4C4C

// Tool flags of the toolkit (cleared before the tool reaches the tip window).
#define TKTTF_ALWAYSACTIVATE 0x40000000  // show even when the owner's top-level window is inactive
#define TKTTF_RESERVED 0x80000000

// TOOLINFO sizes the context works with: the short record, and the one that
// carries lParam (which then may point to a TK_TOOLTIP_TOOLINFO_EX).
constexpr UINT TKTOOLINFO_SIZE = TTTOOLINFOW_V1_SIZE;
constexpr UINT TKTOOLINFO_SIZE_EX = TTTOOLINFOW_V2_SIZE;

// What a tool hit test may add to a TOOLINFO of TKTOOLINFO_SIZE_EX through its
// lParam. The strings are malloc'ed copies; the context frees them.
struct TK_TOOLTIP_TOOLINFO_EX {
  LPWSTR lpszBody = nullptr;
  LPWSTR lpszTitle = nullptr;
  CTKImageManager* pImageManager = nullptr;
  RECT rcPosition{};  // client coordinates of the tool's window; the tip shows below it
  int nReserved = 0;
};

class CTKToolTipContext : public CCmdTarget {
 public:
  // Tip-window kinds (SetStyle).
  enum {
    tkToolTipStandard = 0,  // the platform's tooltip control
    tkToolTipBalloon = 1,   // the same with balloons
    tkToolTipOwn = 2,       // the toolkit's own window, plain frame, no shadow
    tkToolTipRichEdit = 3,  // rich text
    tkToolTipLuna = 4,      // theme gradient by the colour manager's theme
    tkToolTipTheme = 5,     // the own window with the theme-image look
    tkToolTipHTML = 6,      // HTML
    tkToolTipMarkup = 7,    // markup text
  };
  // SetDelayTime kinds (as the platform's TTDT_ values).
  enum { tkDelayReshow = 1, tkDelayAutoPop = 2, tkDelayInitial = 3 };

  // The tip windows of the styles that are not the toolkit's plain own window.
  class CStandardToolTip;
  class CLunaToolTip;
  class CRichEditToolTip;
  class CHTMLToolTip;
  class CMarkupToolTip;

  CTKToolTipContext();
  ~CTKToolTipContext() override;
  CTKToolTipContext(const CTKToolTipContext&) = delete;
  CTKToolTipContext& operator=(const CTKToolTipContext&) = delete;

  // The tip window object of the current style, not yet created as a window.
  virtual CWnd* CreateToolTip(CWnd* pOwner);
  // The tool under the point (client coordinates of pWnd), or -1. By default
  // the window's own tool hit test.
  virtual INT_PTR HitTestTool(CWnd* pWnd, CPoint point, TOOLINFO* pToolInfo);
  // Fills and frames a tip of the toolkit's own windows; sets the text colour.
  virtual void DrawBackground(CDC* pDC, CRect rc);

  // ---- settings (most rebuild the tip window at the next mouse message) ----
  void SetStyle(int nStyle);
  int GetStyle() const { return m_nStyle; }
  void ModifyToolTipStyle(DWORD dwRemove, DWORD dwAdd);
  DWORD GetToolTipStyle() const { return m_dwToolTipStyle; }
  void SetShowTitle(BOOL bShowTitle, int nTitleIcon = 1);
  BOOL IsShowTitle() const { return m_bShowTitle; }
  int GetTitleIcon() const { return m_nTitleIcon; }
  void SetShowImage(BOOL bShowImage, int nImageIdOffset = 0, int nImageWidth = 1);
  BOOL IsShowImage() const { return m_bShowImage; }
  void SetMaxTipWidth(int nWidth);
  int GetMaxTipWidth() const { return m_nMaxTipWidth; }
  void SetMargin(const RECT& rc);
  const RECT& GetMargin() const { return m_rcMargin; }
  void SetDelayTime(DWORD dwKind, int nMilliseconds);
  void SetFont(CFont* pFont);
  void SetFontIndirect(const LOGFONT* pLogFont);
  CFont* GetFont() { return &m_fnt; }
  CFont* GetBoldFont() { return &m_fntBold; }
  void SetTipBkColor(COLORREF clr) { m_clrTipBack = clr; }
  void SetTipTextColor(COLORREF clr) { m_clrTipText = clr; }
  COLORREF GetTipBkColor() const;
  COLORREF GetTipTextColor() const;
  void SetStripEllipsis(BOOL bStrip) { m_bStripEllipsis = bStrip; }
  // The common-controls version (major in the high word), for tests.
  void SetCommCtrlVersion(DWORD dwVersion) { m_dwComCtlVersion = dwVersion; }
  DWORD GetCommCtrlVersion() const { return m_dwComCtlVersion; }
  BOOL IsBalloonSupported() const;

  // ---- use ----
  void FilterToolTipMessage(CWnd* pOwner, MSG* pMsg);
  void RelayToolTipMessage(CWnd* pWnd, UINT nMessage, WPARAM wParam = 0, LPARAM lParam = 0);
  // Hides the tip.
  void DeactivateTip();
  // The tip window object (null until the first mouse message).
  CWnd* GetToolTip() const { return m_pToolTip; }
  const TOOLINFO& GetLastToolInfo() const { return m_lastInfo; }

  // Tool hit tests fill the record with these. The text is copied (malloc).
  static void InitToolInfo(TOOLINFO* pToolInfo, HWND hWnd, const RECT& rc, INT_PTR nId, LPCWSTR lpszText);
  // Also the image manager, and copies of title and body when both are set.
  static void InitToolInfoEx(TOOLINFO* pToolInfo, HWND hWnd, const RECT& rc, INT_PTR nId, LPCWSTR lpszText,
                             LPCWSTR lpszTitle, LPCWSTR lpszBody, CTKImageManager* pImageManager);

 protected:
  void DestroyToolTip(BOOL bDelete);
  void RelayEvent(CWnd* pToolTip, MSG* pMsg);
  BOOL IsOwnToolTip() const;

  BOOL m_bShowTitle = FALSE;
  BOOL m_bShowImage = FALSE;
  int m_nImageWidth = 1;
  int m_nImageIdOffset = 0;
  int m_nStyle = tkToolTipStandard;
  DWORD m_dwComCtlVersion = 0;
  int m_nTitleIcon = 1;
  int m_nMaxTipWidth = 0;
  DWORD m_dwToolTipStyle = 0x02;  // TTS_NOPREFIX
  RECT m_rcMargin{};
  int m_nDelayInitial = -1;
  int m_nDelayReshow = -1;
  int m_nDelayAutoPop = -1;
  CWnd* m_pToolTip = nullptr;
  TOOLINFO m_lastInfo{};
  COLORREF m_clrTipBack = static_cast<COLORREF>(-1);
  COLORREF m_clrTipText = static_cast<COLORREF>(-1);
  CFont m_fnt;
  CFont m_fntBold;
  BOOL m_bStripEllipsis = TRUE;
};
