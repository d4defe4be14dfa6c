#include "toolkit/markup/markupcontext.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "toolkit/common/imagemanager.h"
#include "toolkit/common/tooltipwindow.h"
#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markupdrawingcontext.h"
#include "toolkit/markup/markupgdiplus.h"
#include "toolkit/markup/markuplayoutmath.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markupparser.h"
#include "toolkit/markup/markuptext.h"

// ---- fonts -------------------------------------------------------------------------------------

CTKMarkupFont::~CTKMarkupFont() {
  if (m_pOwner) m_pOwner->UnlinkFont(this);
  if (m_hFont) MarkupGetHostServices()->DeleteFont(m_hFont);
}

void CTKMarkupContext::UnlinkFont(CTKMarkupFont* pFont) {
  CTKMarkupFont** pp = &m_pFontList;
  while (*pp && *pp != pFont) pp = &(*pp)->m_pNextFont;
  if (*pp) *pp = pFont->m_pNextFont;
  pFont->m_pNextFont = nullptr;
  pFont->m_pOwner = nullptr;
}

CTKMarkupFont* CTKMarkupContext::GetFont(const TKMARKUPLOGFONT* pLogFont) {
  if (!pLogFont) return nullptr;
  CTKMarkupFont* pLast = nullptr;
  for (CTKMarkupFont* p = m_pFontList; p; p = p->m_pNextFont) {
    const TKMARKUPLOGFONT& lf = p->m_lf;
    if (lf.lfHeight == pLogFont->lfHeight && lf.lfWeight == pLogFont->lfWeight && lf.lfItalic == pLogFont->lfItalic &&
        lf.lfQuality == pLogFont->lfQuality &&
        std::u16string_view(lf.lfFaceName) == std::u16string_view(pLogFont->lfFaceName)) {
      p->AddRef();
      return p;
    }
    pLast = p;
  }
  CTKMarkupFont* pFont = new CTKMarkupFont();
  pFont->m_lf = *pLogFont;
  pFont->m_lf.lfFaceName[31] = 0;
  if (pLast) pLast->m_pNextFont = pFont;
  else m_pFontList = pFont;
  pFont->m_hFont = MarkupGetHostServices()->CreateFontIndirect(&pFont->m_lf);
  pFont->m_pOwner = this;
  return pFont;
}

// ---- construction --------------------------------------------------------------------------------

class CTKMarkupContext::CTooltipContext : public CTKToolTipContext {
 public:
  explicit CTooltipContext(CTKMarkupContext* pContext) : m_pMarkupContext(pContext) {}
  INT_PTR HitTestTool(CWnd*, CPoint, TOOLINFO* pToolInfo) override { return m_pMarkupContext->HitTestTool(pToolInfo); }

 protected:
  CTKMarkupContext* m_pMarkupContext;
};

namespace {

// What the toolkit's markup tooltip window needs of the engine.
const TK_TOOLTIP_MARKUP_FUNCTIONS kToolTipMarkupFunctions = {
    [](HWND hWnd) { return MarkupCreateContext(hWnd); },
    [](CTKMarkupContext*& pContext) { MarkupReleaseContext(pContext); },
    [](CTKMarkupContext* pContext, LPCWSTR lpszText) -> CTKMarkupObject* {
      return MarkupParseText(pContext, lpszText);
    },
    [](CTKMarkupObject*& pElement) { MarkupReleaseElement(pElement); },
    [](CTKMarkupContext* pContext, HFONT hFont, COLORREF clrText) { MarkupSetDefaultFont(pContext, hFont, clrText); },
    [](CTKMarkupObject* pElement, int cx, int cy) { return MarkupMeasureElement(pElement, cx, cy); },
    [](CTKMarkupObject* pElement, HDC hDC, const RECT* pRect) { MarkupRenderElement(pElement, hDC, pRect); },
};

}  // namespace

CTKMarkupContext::CTKMarkupContext()
    : m_hContextWnd(nullptr),
      m_clrDefault(0),
      m_lfDefault(),
      m_pMouseOverElement(nullptr),
      m_pActiveElement(nullptr),
      m_pMouseRoot(nullptr),
      m_pFontList(nullptr),
      m_pHandlers(nullptr),
      m_pDelegates(nullptr),
      m_pKeyboardNavigation(nullptr),
      m_pToolTipContext(nullptr),
      m_dwRef(1),
      m_pImageManager(nullptr),
      m_bEnableGdiPlus(TRUE) {
  static std::once_flag registered;
  std::call_once(registered, [] { CTKMarkupType::RegisterAllTypes(); });
  CTKMarkupHostServices* pServices = MarkupGetHostServices();
  pServices->GetMessageFont(&m_lfDefault);
  m_lfDefault.lfCharSet = pServices->GetFontCharset();
  m_pKeyboardNavigation = new CTKMarkupKeyboardNavigation(this);
  m_pToolTipContext = new CTooltipContext(this);
  m_pToolTipContext->SetStyle(CTKToolTipContext::tkToolTipMarkup);
  // From now on markup tooltips show markup.
  TKSetToolTipMarkupFunctions(&kToolTipMarkupFunctions);
  MarkupGdiPlusReference(TRUE);
}

CTKMarkupContext::~CTKMarkupContext() {
  m_pMouseOverElement = nullptr;
  MarkupRelease(m_pKeyboardNavigation);
  if (m_pHandlers) {
    delete m_pHandlers;
    m_pHandlers = nullptr;
  }
  if (m_pDelegates) {
    for (auto& entry : *m_pDelegates) entry.second->Release();
    delete m_pDelegates;
    m_pDelegates = nullptr;
  }
  // Fonts still held elsewhere forget their owner.
  while (m_pFontList) UnlinkFont(m_pFontList);
  if (m_pToolTipContext) {
    m_pToolTipContext->InternalRelease();
    m_pToolTipContext = nullptr;
  }
  MarkupGdiPlusReference(FALSE);
}

CTKToolTipContext* CTKMarkupContext::GetToolTipContext() const { return m_pToolTipContext; }

CTKImageManager* CTKMarkupContext::GetImageManager() const {
  return m_pImageManager ? m_pImageManager : CTKImageManager::GetDefault();
}

// ---- parsing and objects ---------------------------------------------------------------------------

// The length of a terminated text, or some length above nMax once it is
// longer. Whole 32-byte blocks are read once aligned: an aligned block never
// spans two pages, so nothing past the terminator's page is touched. Under
// AddressSanitizer (which would see the bytes after the terminator) the
// characters are read one by one.
#if defined(__SANITIZE_ADDRESS__)
#define TK_MARKUP_WIDE_SCAN 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TK_MARKUP_WIDE_SCAN 0
#endif
#endif
#if !defined(TK_MARKUP_WIDE_SCAN) && defined(__SSE2__)
#define TK_MARKUP_WIDE_SCAN 1
#endif

static int TextLengthUpTo(LPCWSTR p, int nMax) {
  int n = 0;
#if TK_MARKUP_WIDE_SCAN
  for (; (reinterpret_cast<uintptr_t>(p + n) & 31) != 0; n++)
    if (!p[n] || n > nMax) return n;
  const __m128i zero = _mm_setzero_si128();
  for (; n <= nMax; n += 16) {
    __m128i a = _mm_load_si128(reinterpret_cast<const __m128i*>(p + n));
    __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(p + n + 8));
    if (_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(a, zero), _mm_cmpeq_epi16(b, zero))) != 0) break;
  }
#endif
  for (; n <= nMax && p[n]; n++) {}
  return n;
}

CTKMarkupInputElement* CTKMarkupContext::Parse(LPCWSTR lpszText) {
  ResetMouseState();
  m_strLastError.Empty();
  if (!lpszText) return nullptr;
  int nLength = TextLengthUpTo(lpszText, kMaxTextLength);
  if (nLength > kMaxTextLength) {
    m_strLastError = u"The markup text is too long";
    return nullptr;
  }
  CTKMarkupParser parser;
  parser.SetBuffer(lpszText, lpszText + nLength);
  CTKMarkupBuilder builder(this);
  AddRef();  // the build may release the last element that holds this context
  CTKMarkupObject* pRoot = builder.BuildFromTokens(&parser);
  m_strLastError = builder.GetLastErrorText();
  CTKMarkupInputElement* pElement = static_cast<CTKMarkupInputElement*>(pRoot);  // the builder answers UI elements only
  Release();
  return pElement;
}

CTKMarkupObject* CTKMarkupContext::CreateObject(CTKMarkupType* pType) {
  if (!pType) return nullptr;
  CTKMarkupObject* pObject = pType->CreateInstance();
  if (CTKMarkupInputElement* pElement = MarkupDynamicCast<CTKMarkupInputElement>(pObject)) {
    pElement->SetMarkupContext(this);
    AddRef();
  }
  return pObject;
}

void CTKMarkupContext::OnElementReleased(CTKMarkupInputElement* pElement) {
  if (m_pMouseOverElement == pElement) m_pMouseOverElement = nullptr;
  if (m_pMouseRoot == pElement) m_pMouseRoot = nullptr;
  if (m_pActiveElement == pElement) {
    m_pActiveElement = nullptr;
    MarkupGetHostServices()->ReleaseCapture();
  }
  pElement->SetMarkupContext(nullptr);
  Release();
}

void CTKMarkupContext::ResetMouseState() {
  m_pMouseOverElement = nullptr;
  m_pMouseRoot = nullptr;
  if (m_pActiveElement) {
    m_pActiveElement = nullptr;
    MarkupGetHostServices()->ReleaseCapture();
  }
}

void CTKMarkupContext::SetCapture(CTKMarkupInputElement* pElement) {
  if (m_pActiveElement == pElement) return;
  MarkupGetHostServices()->SetCapture(m_hContextWnd);
  m_pActiveElement = pElement;
}

void CTKMarkupContext::ReleaseCapture(CTKMarkupInputElement*) {
  m_pActiveElement = nullptr;
  MarkupGetHostServices()->ReleaseCapture();
}

void CTKMarkupContext::AddEventHandler(CTKMarkupRoutedEvent* pEvent, CTKMarkupDelegate* pDelegate) {
  if (!pEvent || !pDelegate) {
    if (pDelegate) pDelegate->Release();
    return;
  }
  if (!m_pHandlers) m_pHandlers = new CTKMarkupEventHandlers();
  m_pHandlers->Add(pEvent, pDelegate);
}

void CTKMarkupContext::RaiseContextEvent(CTKMarkupObject* pSource, CTKMarkupRoutedEventArgs* pArgs) {
  if (!m_pHandlers || !pArgs) return;
  std::vector<CTKMarkupDelegate*> list = m_pHandlers->Get(pArgs->m_pEvent);
  for (CTKMarkupDelegate* p : list) p->Execute(pSource, pArgs);
  for (CTKMarkupDelegate* p : list) p->Release();
}

CTKMarkupDelegate* CTKMarkupContext::FindDelegate(LPCWSTR lpszName) const {
  if (!m_pDelegates || !lpszName) return nullptr;
  auto it = m_pDelegates->find(std::u16string(lpszName));
  return it == m_pDelegates->end() ? nullptr : it->second;
}

void CTKMarkupContext::AddDelegate(LPCWSTR lpszName, CTKMarkupDelegate* pDelegate) {
  if (!lpszName || !pDelegate) {
    if (pDelegate) pDelegate->Release();
    return;
  }
  if (!m_pDelegates) m_pDelegates = new std::unordered_map<std::u16string, CTKMarkupDelegate*>();
  auto& slot = (*m_pDelegates)[std::u16string(lpszName)];
  if (slot) slot->Release();
  slot = pDelegate;
}

// ---- geometry and invalidation ----------------------------------------------------------------------

RECT CTKMarkupContext::GetElementRect(CTKMarkupObject* pObject) const {
  RECT rc = {0, 0, 0, 0};
  CTKMarkupVisual* pVisual = MarkupDynamicCast<CTKMarkupVisual>(pObject);
  if (!pVisual) {
    CTKMarkupFrameworkContentElement* pContent = MarkupDynamicCast<CTKMarkupFrameworkContentElement>(pObject);
    if (!pContent) return rc;
    // The inline's own rectangle comes with text layout; until then the
    // rectangle of the text block that hosts it.
    pVisual = pContent->GetHostElement();
    if (!pVisual) return rc;
  }
  rc = pVisual->GetBounds();
  for (CTKMarkupObject* p = pVisual; p; p = p->GetLogicalParent()) {
    if (CTKMarkupVisual* v = MarkupDynamicCast<CTKMarkupVisual>(p)) {
      rc.left = MarkupAdd(rc.left, v->GetVisualOffset().x);
      rc.right = MarkupAdd(rc.right, v->GetVisualOffset().x);
      rc.top = MarkupAdd(rc.top, v->GetVisualOffset().y);
      rc.bottom = MarkupAdd(rc.bottom, v->GetVisualOffset().y);
    }
  }
  return rc;
}

void CTKMarkupContext::InvalidateElement(CTKMarkupObject* pElement) {
  if (!m_hContextWnd) return;
  RECT rc = GetElementRect(pElement);
  CTKMarkupHostServices* pServices = MarkupGetHostServices();
  pServices->InvalidateRect(m_hContextWnd, &rc, FALSE);
  pServices->SendMessage(m_hContextWnd, TKMARKUP_WM_REDRAW, 0, 0);
}

void CTKMarkupContext::InvalidateHost() {
  if (!m_hContextWnd) return;
  CTKMarkupHostServices* pServices = MarkupGetHostServices();
  pServices->InvalidateRect(m_hContextWnd, nullptr, FALSE);
  pServices->SendMessage(m_hContextWnd, TKMARKUP_WM_REDRAW, 0, 0);
}

// ---- mouse routing ------------------------------------------------------------------------------------

void CTKMarkupContext::BuildRoute(CTKMarkupInputElement* pElement, std::vector<CTKMarkupInputElement*>& route) const {
  for (CTKMarkupObject* p = pElement; p; p = p->GetLogicalParent()) {
    if (CTKMarkupInputElement* e = MarkupDynamicCast<CTKMarkupInputElement>(p)) {
      e->AddRef();
      route.push_back(e);
    }
  }
}

void CTKMarkupContext::ReleaseRoute(std::vector<CTKMarkupInputElement*>& route) {
  for (CTKMarkupInputElement* p : route) p->Release();
  route.clear();
}

void CTKMarkupContext::Dispatch(std::vector<CTKMarkupInputElement*>& route, size_t nCount,
                                CTKMarkupMouseEventArgs* pArgs, PFNMOUSEHANDLER pfnHandler) {
  for (size_t i = 0; i < nCount && i < route.size(); i++) {
    CTKMarkupInputElement* pElement = route[i];
    pElement->RaiseEvent(pArgs);
    if (pArgs->m_bHandled) break;
    (pElement->*pfnHandler)(pArgs);
    if (pArgs->m_bHandled) break;
  }
}

// Class handlers taking a more derived argument type, adapted to one shape.
namespace {
struct ButtonHandlers {
  static void LeftDown(CTKMarkupInputElement* e, CTKMarkupMouseEventArgs* a) {
    e->OnMouseLeftButtonDown(static_cast<CTKMarkupMouseButtonEventArgs*>(a));
  }
  static void LeftUp(CTKMarkupInputElement* e, CTKMarkupMouseEventArgs* a) {
    e->OnMouseLeftButtonUp(static_cast<CTKMarkupMouseButtonEventArgs*>(a));
  }
  static void RightDown(CTKMarkupInputElement* e, CTKMarkupMouseEventArgs* a) {
    e->OnMouseRightButtonDown(static_cast<CTKMarkupMouseButtonEventArgs*>(a));
  }
  static void RightUp(CTKMarkupInputElement* e, CTKMarkupMouseEventArgs* a) {
    e->OnMouseRightButtonUp(static_cast<CTKMarkupMouseButtonEventArgs*>(a));
  }
};
}  // namespace

void CTKMarkupContext::SetElementUnderMouse(CTKMarkupInputElement* pElement, int x, int y) {
  CTKMarkupInputElement* pOld = m_pMouseOverElement;
  if (pElement == pOld) return;
  if (!pElement) m_pMouseRoot = nullptr;
  std::vector<CTKMarkupInputElement*> routeOld, routeNew;
  BuildRoute(pOld, routeOld);
  BuildRoute(pElement, routeNew);
  while (!routeOld.empty() && !routeNew.empty() && routeOld.back() == routeNew.back()) {
    routeOld.back()->Release();
    routeOld.pop_back();
    routeNew.back()->Release();
    routeNew.pop_back();
  }
  CTKMarkupMouseEventArgs* pLeave =
      new CTKMarkupMouseEventArgs(CTKMarkupInputElement::m_pMouseLeaveEvent, pOld, m_hContextWnd, x, y);
  CTKMarkupMouseEventArgs* pEnter =
      new CTKMarkupMouseEventArgs(CTKMarkupInputElement::m_pMouseEnterEvent, pElement, m_hContextWnd, x, y);
  m_pMouseOverElement = pElement;
  Dispatch(routeOld, routeOld.size(), pLeave, &CTKMarkupInputElement::OnMouseLeave);
  Dispatch(routeNew, routeNew.size(), pEnter, &CTKMarkupInputElement::OnMouseEnter);
  pLeave->Release();
  pEnter->Release();
  ReleaseRoute(routeOld);
  ReleaseRoute(routeNew);
}

static bool IsLogicalDescendant(CTKMarkupObject* pObject, CTKMarkupObject* pAncestor) {
  for (CTKMarkupObject* p = pObject; p; p = p->GetLogicalParent())
    if (p == pAncestor) return true;
  return false;
}

void CTKMarkupContext::HandleMouseMove(CTKMarkupInputElement* pRoot, int x, int y) {
  CTKMarkupInputElement* pHit = pRoot->InputHitTest(x, y);
  if (m_pActiveElement) pHit = IsLogicalDescendant(pHit, m_pActiveElement) ? m_pActiveElement : nullptr;
  if (pHit != m_pMouseOverElement) {
    SetElementUnderMouse(pHit, x, y);
    if (m_pMouseOverElement) MarkupGetHostServices()->TrackMouseLeave(m_hContextWnd);
    if (!QueryCursor()) MarkupGetHostServices()->SetCursor(MarkupGetHostServices()->LoadSystemCursor(32512));
  }
  m_pMouseRoot = m_pMouseOverElement ? pRoot : nullptr;
  if (m_pMouseOverElement) {
    std::vector<CTKMarkupInputElement*> route;
    BuildRoute(m_pMouseOverElement, route);
    CTKMarkupMouseEventArgs* pArgs =
        new CTKMarkupMouseEventArgs(CTKMarkupInputElement::m_pMouseMoveEvent, m_pMouseOverElement, m_hContextWnd, x, y);
    Dispatch(route, route.size(), pArgs, &CTKMarkupInputElement::OnMouseMove);
    pArgs->Release();
    ReleaseRoute(route);
  }
}

BOOL CTKMarkupContext::HandleMouseButton(UINT nMessage, WPARAM, LPARAM lParam) {
  CTKMarkupInputElement* pTarget = m_pActiveElement ? m_pActiveElement : m_pMouseOverElement;
  if (!pTarget) return FALSE;
  CTKMarkupRoutedEvent* pEvent;
  void (*pfn)(CTKMarkupInputElement*, CTKMarkupMouseEventArgs*);
  switch (nMessage) {
    case TKMARKUP_WM_LBUTTONDOWN:
    case TKMARKUP_WM_LBUTTONDBLCLK:
      pEvent = CTKMarkupInputElement::m_pMouseLeftButtonDownEvent;
      pfn = &ButtonHandlers::LeftDown;
      break;
    case TKMARKUP_WM_LBUTTONUP:
      pEvent = CTKMarkupInputElement::m_pMouseLeftButtonUpEvent;
      pfn = &ButtonHandlers::LeftUp;
      break;
    case TKMARKUP_WM_RBUTTONDOWN:
      pEvent = CTKMarkupInputElement::m_pMouseRightButtonDownEvent;
      pfn = &ButtonHandlers::RightDown;
      break;
    case TKMARKUP_WM_RBUTTONUP:
      pEvent = CTKMarkupInputElement::m_pMouseRightButtonUpEvent;
      pfn = &ButtonHandlers::RightUp;
      break;
    default:
      return FALSE;
  }
  std::vector<CTKMarkupInputElement*> route;
  BuildRoute(pTarget, route);
  CTKMarkupMouseButtonEventArgs* pArgs =
      new CTKMarkupMouseButtonEventArgs(pEvent, pTarget, m_hContextWnd, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
  for (CTKMarkupInputElement* pElement : route) {
    pElement->RaiseEvent(pArgs);
    if (pArgs->m_bHandled) break;
    pfn(pElement, pArgs);
    if (pArgs->m_bHandled) break;
  }
  BOOL bHandled = pArgs->m_bHandled;
  pArgs->Release();
  ReleaseRoute(route);
  return bHandled;
}

BOOL CTKMarkupContext::HandleMouseWheel(int nDelta) {
  if (!m_pMouseOverElement) return FALSE;
  std::vector<CTKMarkupInputElement*> route;
  BuildRoute(m_pMouseOverElement, route);
  CTKMarkupMouseWheelEventArgs* pArgs = new CTKMarkupMouseWheelEventArgs(m_pMouseOverElement, m_hContextWnd, nDelta);
  for (CTKMarkupInputElement* pElement : route) {
    pElement->OnMouseWheel(pArgs);
    if (pArgs->m_bHandled) break;
  }
  BOOL bHandled = pArgs->m_bHandled;
  pArgs->Release();
  ReleaseRoute(route);
  return bHandled;
}

BOOL CTKMarkupContext::QueryCursor() {
  if (!m_pMouseOverElement) return FALSE;
  std::vector<CTKMarkupInputElement*> route;
  BuildRoute(m_pMouseOverElement, route);
  CTKMarkupQueryCursorEventArgs* pArgs = new CTKMarkupQueryCursorEventArgs(m_pMouseOverElement, m_hContextWnd, 0, 0);
  for (CTKMarkupInputElement* pElement : route) {
    pElement->OnQueryCursor(pArgs);
    if (pArgs->m_bHandled) break;
  }
  BOOL bSet = pArgs->m_bHandled && pArgs->m_hCursor;
  if (bSet) MarkupGetHostServices()->SetCursor(pArgs->m_hCursor);
  pArgs->Release();
  ReleaseRoute(route);
  return bSet;
}

BOOL CTKMarkupContext::HandleMessage(CTKMarkupInputElement* pRoot, UINT nMessage, WPARAM wParam, LPARAM lParam,
                                     LRESULT* pResult) {
  if (!m_hContextWnd) return FALSE;
  if (!pRoot) {
    if (m_pMouseRoot) SetElementUnderMouse(nullptr, -1, -1);
    return FALSE;
  }
  AddRef();  // handlers may release the last element holding this context
  pRoot->AddRef();
  BOOL bHandled = FALSE;
  LRESULT lDummy = 0;
  if (!pResult) pResult = &lDummy;
  if (nMessage == TKMARKUP_WM_MOUSEMOVE) HandleMouseMove(pRoot, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
  if (nMessage == TKMARKUP_WM_DESTROY || nMessage == TKMARKUP_WM_MOUSELEAVE) SetElementUnderMouse(nullptr, -1, -1);
  if ((nMessage >= TKMARKUP_WM_MOUSEMOVE && nMessage <= 0x20D) || nMessage == TKMARKUP_WM_MOUSELEAVE)
    MarkupGetHostServices()->RelayToolTipMessage(this, m_hContextWnd, nMessage, wParam, lParam);
  switch (nMessage) {
    case TKMARKUP_WM_SETCURSOR:
      if (QueryCursor()) {
        *pResult = 1;
        bHandled = TRUE;
      }
      break;
    case TKMARKUP_WM_MOUSEWHEEL:
      if (HandleMouseWheel(static_cast<SHORT>(HIWORD(wParam)))) {
        *pResult = 1;
        bHandled = TRUE;
      }
      break;
    case TKMARKUP_WM_LBUTTONDOWN:
    case TKMARKUP_WM_RBUTTONDOWN:
    case TKMARKUP_WM_LBUTTONUP:
    case TKMARKUP_WM_RBUTTONUP:
    case TKMARKUP_WM_LBUTTONDBLCLK:
      if (HandleMouseButton(nMessage, wParam, lParam)) {
        *pResult = 1;
        bHandled = TRUE;
      }
      break;
    case TKMARKUP_WM_CAPTURECHANGED:
      if (CTKMarkupInputElement* pCaptured = m_pActiveElement) {
        pCaptured->AddRef();
        CTKMarkupMouseEventArgs* pArgs = new CTKMarkupMouseEventArgs(CTKMarkupInputElement::m_pLostMouseCaptureEvent,
                                                                     pCaptured, m_hContextWnd, 0, 0);
        pCaptured->RaiseEvent(pArgs);
        if (!pArgs->m_bHandled) pCaptured->OnLostMouseCapture(pArgs);
        pArgs->Release();
        m_pActiveElement = nullptr;
        pCaptured->Release();
      }
      break;
    case TKMARKUP_WM_KEYDOWN:
    case TKMARKUP_WM_SETFOCUS:
    case TKMARKUP_WM_KILLFOCUS:
      if (m_pKeyboardNavigation) bHandled = m_pKeyboardNavigation->OnHookMessage(nMessage, wParam, lParam, *pResult);
      break;
    default:
      break;
  }
  pRoot->Release();
  Release();
  return bHandled;
}

INT_PTR CTKMarkupContext::HitTestTool(TOOLINFO* pToolInfo) {
  if (!m_pMouseOverElement) return -1;
  std::vector<CTKMarkupInputElement*> route;
  BuildRoute(m_pMouseOverElement, route);
  INT_PTR nResult = -1;
  for (CTKMarkupInputElement* pElement : route) {
    CTKMarkupString* pTip =
        MarkupDynamicCast<CTKMarkupString>(pElement->GetValue(CTKMarkupInputElement::m_pToolTipProperty));
    if (!pTip) continue;
    nResult = reinterpret_cast<INT_PTR>(pElement);
    CTKToolTipContext::InitToolInfo(pToolInfo, m_hContextWnd, GetElementRect(pElement), nResult, pTip->GetBuffer());
    break;
  }
  ReleaseRoute(route);
  return nResult;
}

// ---- host functions --------------------------------------------------------------------------------------

CTKMarkupContext* MarkupCreateContext(HWND hWnd) {
  CTKMarkupContext* pContext = new CTKMarkupContext();
  pContext->SetHostWindow(hWnd);
  return pContext;
}

CTKMarkupContext* MarkupSetContextWindow(CTKMarkupContext* pContext, HWND hWnd) {
  if (pContext) pContext->SetHostWindow(hWnd);
  return pContext;
}

void MarkupReleaseContext(CTKMarkupContext*& pContext) {
  if (pContext) {
    pContext->Release();
    pContext = nullptr;
  }
}

CTKMarkupInputElement* MarkupParseText(CTKMarkupContext* pContext, LPCWSTR lpszText) {
  return pContext ? pContext->Parse(lpszText) : nullptr;
}

CTKMarkupContext* MarkupGetElementContext(CTKMarkupObject* pElement) {
  CTKMarkupInputElement* p = MarkupDynamicCast<CTKMarkupInputElement>(pElement);
  return p ? p->GetMarkupContext() : nullptr;
}

void MarkupSetDefaultFont(CTKMarkupContext* pContext, HFONT hFont, COLORREF clrText) {
  if (!pContext) return;
  TKMARKUPLOGFONT lf;
  if (hFont && MarkupGetHostServices()->GetLogFont(hFont, &lf)) pContext->SetDefaultFont(lf);
  if (clrText != static_cast<COLORREF>(-1)) pContext->SetDefaultColor(clrText);
}

BOOL MarkupRelayElementMessage(CTKMarkupObject* pElement, UINT nMessage, WPARAM wParam, LPARAM lParam,
                               LRESULT* pResult) {
  CTKMarkupInputElement* p = MarkupDynamicCast<CTKMarkupInputElement>(pElement);
  if (!p || !p->GetMarkupContext()) return FALSE;
  return p->GetMarkupContext()->HandleMessage(p, nMessage, wParam, lParam, pResult);
}

BOOL MarkupRelayContextMessage(CTKMarkupContext* pContext, UINT nMessage, WPARAM wParam, LPARAM lParam,
                               LRESULT* pResult) {
  if (!pContext) return FALSE;
  return pContext->HandleMessage(nullptr, nMessage, wParam, lParam, pResult);
}

SIZE MarkupMeasureElement(CTKMarkupObject* pElement, int cx, int cy) {
  CTKMarkupUIElement* pUIElement = MarkupDynamicCast<CTKMarkupUIElement>(pElement);
  if (!pUIElement) return SIZE{0, 0};
  CTKMarkupDrawingContext dc(pUIElement->GetMarkupContext());
  pUIElement->Measure(&dc, cx, cy);
  return pUIElement->GetDesiredSize();
}

void MarkupRenderElement(CTKMarkupObject* pElement, HDC hDC, const RECT* pRect) {
  CTKMarkupUIElement* pUIElement = MarkupDynamicCast<CTKMarkupUIElement>(pElement);
  if (!pUIElement || !hDC || !pRect) return;
  CTKMarkupDrawingContext dc(pUIElement->GetMarkupContext(), hDC);
  pUIElement->Arrange(*pRect);
  pUIElement->Render(&dc);
}

void MarkupDrawText(CTKMarkupContext* pContext, HDC hDC, LPCWSTR lpszText, RECT* pRect, UINT nFormat) {
  if (!pRect) return;
  CTKMarkupInputElement* pElement = pContext ? pContext->Parse(lpszText) : nullptr;
  if (!pElement) {
    ::DrawTextW(hDC, lpszText, -1, pRect, nFormat);
    return;
  }
  MarkupSetDefaultFont(pContext, static_cast<HFONT>(::GetCurrentObject(hDC, OBJ_FONT)), ::GetTextColor(hDC));
  SIZE sz = MarkupMeasureElement(pElement, pRect->right - pRect->left, pRect->bottom - pRect->top);
  int left = pRect->left, top = pRect->top;
  if (nFormat & DT_CENTER) left = (pRect->right + pRect->left - sz.cx) / 2;
  else if (nFormat & DT_RIGHT) left = pRect->right - sz.cx;
  if (nFormat & DT_VCENTER) top = (pRect->bottom + pRect->top - sz.cy) / 2;
  else if (nFormat & DT_BOTTOM) top = pRect->bottom - sz.cy;
  RECT rc{left, top, left + sz.cx, top + sz.cy};
  MarkupRenderElement(pElement, hDC, &rc);
  MarkupReleaseElement(pElement);
}
