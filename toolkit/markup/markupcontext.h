// The markup context: the per-host object that ties markup elements to one
// window (default font and colour, font cache, mouse state, capture, context
// event handlers, tooltips), and the Markup* host functions.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/window/toolinfo.h"
#include "toolkit/markup/markuphost.h"
#include "toolkit/markup/markupinput.h"

class CTKMarkupContext;
class CTKMarkupKeyboardNavigation;
class CTKImageManager;
class CTKToolTipContext;

// One cached GDI font of a context.
class CTKMarkupFont : public CTKMarkupObject {
 public:
  CTKMarkupFont() : m_hFont(nullptr), m_lf(), m_pNextFont(nullptr), m_pOwner(nullptr) {}
  ~CTKMarkupFont() override;
  HFONT m_hFont;
  TKMARKUPLOGFONT m_lf;
  CTKMarkupFont* m_pNextFont;
  CTKMarkupContext* m_pOwner;
};

class CTKMarkupContext {
 public:
  // The context's tooltips (a CTKToolTipContext of the markup look): the
  // tool under the mouse is the innermost element of the route with a text
  // ToolTip.
  class CTooltipContext;

  CTKMarkupContext();
  virtual ~CTKMarkupContext();
  virtual BOOL HandleMessage(CTKMarkupInputElement* pRoot, UINT nMessage, WPARAM wParam, LPARAM lParam,
                             LRESULT* pResult);
  virtual void InvalidateElement(CTKMarkupObject* pElement);
  virtual void InvalidateHost();

  CTKMarkupContext(const CTKMarkupContext&) = delete;
  CTKMarkupContext& operator=(const CTKMarkupContext&) = delete;

  // Texts longer than this many characters are refused with an error.
  static const int kMaxTextLength = 8 * 1024 * 1024;

  // Counted without locking: a context, like every markup object, belongs
  // to the UI thread (see markupobject.h).
  LONG AddRef() { return ++m_dwRef; }
  LONG Release() {
    if (m_dwRef == 0) return 0;
    LONG n = --m_dwRef;
    if (n == 0) delete this;
    return n;
  }
  LONG GetRefCount() const { return m_dwRef; }

  CTKMarkupInputElement* Parse(LPCWSTR lpszText);
  // The error text of the last Parse that failed; empty after a success.
  const CString& GetLastParseError() const { return m_strLastError; }
  CTKMarkupObject* CreateObject(CTKMarkupType* pType);
  void OnElementReleased(CTKMarkupInputElement* pElement);
  void ResetMouseState();
  void SetCapture(CTKMarkupInputElement* pElement);
  void ReleaseCapture(CTKMarkupInputElement* pElement);
  void AddEventHandler(CTKMarkupRoutedEvent* pEvent, CTKMarkupDelegate* pDelegate);
  void RaiseContextEvent(CTKMarkupObject* pSource, CTKMarkupRoutedEventArgs* pArgs);
  CTKMarkupDelegate* FindDelegate(LPCWSTR lpszName) const;
  // Registers a delegate that markup names in an event attribute (takes
  // over the caller's reference).
  void AddDelegate(LPCWSTR lpszName, CTKMarkupDelegate* pDelegate);
  CTKMarkupFont* GetFont(const TKMARKUPLOGFONT* pLogFont);
  RECT GetElementRect(CTKMarkupObject* pObject) const;
  // Fills the tool record (CTKToolTipContext::InitToolInfo) for the element
  // under the mouse; the element is the tool id. -1 when no element has a tip.
  INT_PTR HitTestTool(TOOLINFO* pToolInfo);
  CTKToolTipContext* GetToolTipContext() const;

  // Mouse routing (driven by HandleMessage).
  void HandleMouseMove(CTKMarkupInputElement* pRoot, int x, int y);
  void SetElementUnderMouse(CTKMarkupInputElement* pElement, int x, int y);
  BOOL HandleMouseButton(UINT nMessage, WPARAM wParam, LPARAM lParam);
  BOOL HandleMouseWheel(int nDelta);
  BOOL QueryCursor();

  HWND GetHostWindow() const { return m_hContextWnd; }
  void SetHostWindow(HWND hWnd) { m_hContextWnd = hWnd; }
  COLORREF GetDefaultColor() const { return m_clrDefault; }
  void SetDefaultColor(COLORREF clr) { m_clrDefault = clr; }
  const TKMARKUPLOGFONT& GetDefaultFont() const { return m_lfDefault; }
  void SetDefaultFont(const TKMARKUPLOGFONT& lf) { m_lfDefault = lf; }
  CTKMarkupInputElement* GetElementUnderMouse() const { return m_pMouseOverElement; }
  CTKMarkupInputElement* GetCapturedElement() const { return m_pActiveElement; }
  CTKMarkupKeyboardNavigation* GetKeyboardNavigation() const { return m_pKeyboardNavigation; }
  // The context's own image manager, else the toolkit's default one.
  CTKImageManager* GetImageManager() const;
  void SetImageManager(CTKImageManager* pImageManager) { m_pImageManager = pImageManager; }
  // Drawing goes through GDI+ (anti-aliased) unless switched off.
  BOOL IsGdiPlusEnabled() const { return m_bEnableGdiPlus; }
  void EnableGdiPlus(BOOL bEnable) { m_bEnableGdiPlus = bEnable; }
  CTKMarkupFont* GetFirstCachedFont() const { return m_pFontList; }
  void UnlinkFont(CTKMarkupFont* pFont);

 private:
  typedef void (CTKMarkupInputElement::*PFNMOUSEHANDLER)(CTKMarkupMouseEventArgs*);
  void BuildRoute(CTKMarkupInputElement* pElement, std::vector<CTKMarkupInputElement*>& route) const;
  static void ReleaseRoute(std::vector<CTKMarkupInputElement*>& route);
  void Dispatch(std::vector<CTKMarkupInputElement*>& route, size_t nCount, CTKMarkupMouseEventArgs* pArgs,
                PFNMOUSEHANDLER pfnHandler);

  HWND m_hContextWnd;
  COLORREF m_clrDefault;
  TKMARKUPLOGFONT m_lfDefault;
  CTKMarkupInputElement* m_pMouseOverElement;
  CTKMarkupInputElement* m_pActiveElement;
  CTKMarkupInputElement* m_pMouseRoot;
  CTKMarkupFont* m_pFontList;
  CTKMarkupEventHandlers* m_pHandlers;
  std::unordered_map<std::u16string, CTKMarkupDelegate*>* m_pDelegates;
  CTKMarkupKeyboardNavigation* m_pKeyboardNavigation;
  CTooltipContext* m_pToolTipContext;
  LONG m_dwRef;
  CTKImageManager* m_pImageManager;
  BOOL m_bEnableGdiPlus;
  CString m_strLastError;
};

// Host functions: each accepts null where a pointer is named.
CTKMarkupContext* MarkupCreateContext(HWND hWnd);
CTKMarkupContext* MarkupSetContextWindow(CTKMarkupContext* pContext, HWND hWnd);
void MarkupReleaseContext(CTKMarkupContext*& pContext);
template <class T>
inline void MarkupReleaseElement(T*& pElement) {
  if (pElement) {
    pElement->Release();
    pElement = nullptr;
  }
}
CTKMarkupInputElement* MarkupParseText(CTKMarkupContext* pContext, LPCWSTR lpszText);
CTKMarkupContext* MarkupGetElementContext(CTKMarkupObject* pElement);
void MarkupSetDefaultFont(CTKMarkupContext* pContext, HFONT hFont, COLORREF clrText);
BOOL MarkupRelayElementMessage(CTKMarkupObject* pElement, UINT nMessage, WPARAM wParam, LPARAM lParam,
                               LRESULT* pResult);
BOOL MarkupRelayContextMessage(CTKMarkupContext* pContext, UINT nMessage, WPARAM wParam, LPARAM lParam,
                               LRESULT* pResult);
// Measuring, rendering and markup text drawing run the layout and drawing
// of the elements, which come with the drawing layer; declared here for the
// hosts, defined there.
SIZE MarkupMeasureElement(CTKMarkupObject* pElement, int cx, int cy);
void MarkupRenderElement(CTKMarkupObject* pElement, HDC hDC, const RECT* pRect);
void MarkupDrawText(CTKMarkupContext* pContext, HDC hDC, LPCWSTR lpszText, RECT* pRect, UINT nFormat);
