// The window-system services the markup engine asks for (capture, cursors,
// invalidation, the redraw message, system colours and fonts), gathered in
// one replaceable interface so tests can observe them.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/gdi/wingdi.h"

// The font description the context's cache keys on.
using TKMARKUPLOGFONT = LOGFONTW;

// Every operation has the window system's behaviour by default; tests and
// special hosts override what they need to observe or replace.
class CTKMarkupHostServices {
 public:
  virtual ~CTKMarkupHostServices() = default;
  virtual void SetCapture(HWND hWnd);
  virtual void ReleaseCapture();
  virtual void InvalidateRect(HWND hWnd, const RECT* pRect, BOOL bErase);
  virtual LRESULT SendMessage(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);
  // Asks for a WM_MOUSELEAVE when the mouse leaves the window.
  virtual void TrackMouseLeave(HWND hWnd);
  virtual HCURSOR LoadSystemCursor(int nCursorId);
  virtual void SetCursor(HCURSOR hCursor);
  // The system colours by their index (0 to 30).
  virtual COLORREF GetSysColor(int nIndex);
  // The message font of the non-client metrics.
  virtual void GetMessageFont(TKMARKUPLOGFONT* pFont);
  // The character set markup fonts start from.
  virtual BYTE GetFontCharset();
  virtual HFONT CreateFontIndirect(const TKMARKUPLOGFONT* pFont);
  virtual void DeleteFont(HFONT hFont);
  virtual BOOL GetLogFont(HFONT hFont, TKMARKUPLOGFONT* pFont);
  // Mouse messages of a context for its tooltips; by default they go to the
  // context's tooltip context.
  virtual void RelayToolTipMessage(class CTKMarkupContext* pContext, HWND hWnd, UINT nMessage, WPARAM wParam,
                                   LPARAM lParam);
};

// The services in force (never null). Passing null restores the built-in set.
CTKMarkupHostServices* MarkupGetHostServices();
void MarkupSetHostServices(CTKMarkupHostServices* pServices);

// Window messages the context handles.
enum : UINT {
  TKMARKUP_WM_DESTROY = 0x0002,
  TKMARKUP_WM_SETFOCUS = 0x0007,
  TKMARKUP_WM_KILLFOCUS = 0x0008,
  TKMARKUP_WM_SETCURSOR = 0x0020,
  TKMARKUP_WM_KEYDOWN = 0x0100,
  TKMARKUP_WM_MOUSEMOVE = 0x0200,
  TKMARKUP_WM_LBUTTONDOWN = 0x0201,
  TKMARKUP_WM_LBUTTONUP = 0x0202,
  TKMARKUP_WM_LBUTTONDBLCLK = 0x0203,
  TKMARKUP_WM_RBUTTONDOWN = 0x0204,
  TKMARKUP_WM_RBUTTONUP = 0x0205,
  TKMARKUP_WM_MOUSEWHEEL = 0x020A,
  TKMARKUP_WM_CAPTURECHANGED = 0x0215,
  TKMARKUP_WM_MOUSELEAVE = 0x02A3,
  // Sent by a context to its host window after it invalidated markup.
  TKMARKUP_WM_REDRAW = 0x0400 + 9820,  // 0x2A5C
};
