// The drawing and menu wrappers: handle maps and the few members that need
// a window.
#include <cstdlib>

#include "platform/framework/afxstate.h"
#include "platform/system/resources.h"

IMPLEMENT_DYNCREATE(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CRgn, CGdiObject)
IMPLEMENT_DYNAMIC(CPalette, CGdiObject)
IMPLEMENT_DYNCREATE(CDC, CObject)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)
IMPLEMENT_DYNAMIC(CWindowDC, CDC)
IMPLEMENT_DYNCREATE(CMenu, CObject)

using pv::afx::State;

namespace {

// Temporary objects of a handle map: made on demand, deleted at idle time.
template <class T, class H>
T* MakeObject(H) {
  return new T;
}

// A temporary drawing object has the class of what its handle is, so that
// CPen::FromHandle and friends hand out a real CPen.
template <>
CGdiObject* MakeObject<CGdiObject, HGDIOBJ>(HGDIOBJ h) {
  switch (::GetObjectType(h)) {
    case OBJ_PEN:
    case OBJ_EXTPEN:
      return new CPen;
    case OBJ_BRUSH:
      return new CBrush;
    case OBJ_FONT:
      return new CFont;
    case OBJ_BITMAP:
      return new CBitmap;
    case OBJ_REGION:
      return new CRgn;
    case OBJ_PAL:
      return new CPalette;
    default:
      return new CGdiObject;
  }
}

template <class T, class H>
T* FromHandleIn(std::unordered_map<H, T*>& perm, std::unordered_map<H, T*>& temp, H h, H T::*member) {
  if (!h) return nullptr;
  if (auto it = perm.find(h); it != perm.end()) return it->second;
  if (auto it = temp.find(h); it != temp.end()) return it->second;
  T* obj = MakeObject<T, H>(h);
  obj->*member = h;
  temp.emplace(h, obj);
  return obj;
}

template <class T, class H>
void DeleteTemps(std::unordered_map<H, T*>& temp, H T::*member) {
  auto old = std::move(temp);
  temp.clear();
  for (auto& [h, obj] : old) {
    obj->*member = nullptr;  // a temporary object never owns its handle
    delete obj;
  }
}

template <class T, class H>
bool AttachIn(std::unordered_map<H, T*>& perm, std::unordered_map<H, T*>& temp, T* obj, H h, H T::*member) {
  if (!h || obj->*member) return false;
  if (auto it = temp.find(h); it != temp.end()) {
    it->second->*member = nullptr;
    delete it->second;
    temp.erase(it);
  }
  perm[h] = obj;
  obj->*member = h;
  return true;
}

template <class T, class H>
H DetachIn(std::unordered_map<H, T*>& perm, T* obj, H T::*member) {
  H h = obj->*member;
  if (h) {
    auto it = perm.find(h);
    if (it != perm.end() && it->second == obj) perm.erase(it);
  }
  obj->*member = nullptr;
  return h;
}

}  // namespace

// Thread state cleanup for the maps declared here.
namespace pv::afx {
void DeleteGdiTemps() { DeleteGdiTemps(State()); }
void DeleteGdiTemps(ThreadState& st) {
  DeleteTemps(st.tempGdi, &CGdiObject::m_hObject);
  DeleteTemps(st.tempDC, &CDC::m_hDC);
  DeleteTemps(st.tempMenu, &CMenu::m_hMenu);
}
}  // namespace pv::afx

// ---- CGdiObject ---------------------------------------------------------------------------------------
CGdiObject::~CGdiObject() { DeleteObject(); }

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) {
  auto& st = State();
  return FromHandleIn(st.permGdi, st.tempGdi, hObject, &CGdiObject::m_hObject);
}

void CGdiObject::DeleteTempMap() { DeleteTemps(State().tempGdi, &CGdiObject::m_hObject); }
int AfxTemporaryGdiObjectCount() { return static_cast<int>(State().tempGdi.size()); }

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
  auto& st = State();
  return AttachIn(st.permGdi, st.tempGdi, this, hObject, &CGdiObject::m_hObject) ? TRUE : FALSE;
}

HGDIOBJ CGdiObject::Detach() { return DetachIn(State().permGdi, this, &CGdiObject::m_hObject); }

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  return ::DeleteObject(Detach());
}

CBrush::CBrush(CBitmap* pBitmap) { CreatePatternBrush(pBitmap); }
BOOL CBrush::CreatePatternBrush(CBitmap* pBitmap) {
  return Attach(::CreatePatternBrush(static_cast<HBITMAP>(SafeHandleOf(pBitmap))));
}

BOOL CFont::CreatePointFontIndirect(const LOGFONT* lpLogFont, CDC* pDC) {
  HDC hdc = pDC ? pDC->m_hDC : ::GetDC(nullptr);
  LOGFONT lf = *lpLogFont;
  // lfHeight holds tenths of a point: convert to device units.
  POINT pt{0, MulDiv(::GetDeviceCaps(hdc, LOGPIXELSY), lf.lfHeight, 720)};
  POINT org{0, 0};
  ::DPtoLP(hdc, &pt, 1);
  ::DPtoLP(hdc, &org, 1);
  lf.lfHeight = -std::abs(pt.y - org.y);
  if (!pDC) ::ReleaseDC(nullptr, hdc);
  return CreateFontIndirect(&lf);
}

BOOL CFont::CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, CDC* pDC) {
  LOGFONT lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfHeight = nPointSize;
  if (lpszFaceName) {
    int i = 0;
    for (; lpszFaceName[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = lpszFaceName[i];
    lf.lfFaceName[i] = 0;
  }
  return CreatePointFontIndirect(&lf, pDC);
}

BOOL CBitmap::LoadBitmap(LPCTSTR lpszResourceName) {
  HINSTANCE inst = AfxFindResourceHandle(lpszResourceName, RT_BITMAP);
  return Attach(::LoadBitmap(inst ? inst : AfxGetResourceHandle(), lpszResourceName));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) {
  return Attach(::CreateCompatibleBitmap(pDC ? pDC->m_hDC : nullptr, nWidth, nHeight));
}

CSize CBitmap::GetBitmapDimension() const {
  SIZE s{};
  ::GetBitmapDimensionEx(static_cast<HBITMAP>(m_hObject), &s);
  return CSize(s);
}

// ---- CDC ---------------------------------------------------------------------------------------------
CBrush* CDC::GetHalftoneBrush() { return CBrush::FromHandle(::GdiGetHalftoneBrush()); }

namespace {
// The frame of a rectangle as a region in device units (clip regions are).
HRGN FrameRegion(HDC hdc, const RECT& rect, SIZE frame) {
  RECT outer = rect;
  RECT inner = rect;
  ::InflateRect(&inner, -frame.cx, -frame.cy);
  if (!::IntersectRect(&inner, &inner, &rect)) ::SetRectEmpty(&inner);
  ::LPtoDP(hdc, reinterpret_cast<LPPOINT>(&outer), 2);
  ::LPtoDP(hdc, reinterpret_cast<LPPOINT>(&inner), 2);
  HRGN out = ::CreateRectRgnIndirect(&outer);
  HRGN in = ::CreateRectRgnIndirect(&inner);
  ::CombineRgn(out, out, in, RGN_XOR);
  ::DeleteObject(in);
  return out;
}

// Inverts the pattern of `brush` over `region`, within the DC's own clip.
void InvertRegion(HDC hdc, HRGN region, HBRUSH brush) {
  int saved = ::SaveDC(hdc);
  RECT box{};
  if (::ExtSelectClipRgn(hdc, region, RGN_AND) != NULLREGION && ::GetClipBox(hdc, &box) != NULLREGION) {
    ::SelectObject(hdc, brush);
    ::PatBlt(hdc, box.left, box.top, box.right - box.left, box.bottom - box.top, PATINVERT);
  }
  ::RestoreDC(hdc, saved);
}
}  // namespace

void CDC::DrawDragRect(LPCRECT lpRect, SIZE size, LPCRECT lpRectLast, SIZE sizeLast, CBrush* pBrush,
                       CBrush* pBrushLast) {
  if (!m_hDC || !lpRect) return;
  HBRUSH brush = pBrush ? static_cast<HBRUSH>(pBrush->m_hObject) : ::GdiGetHalftoneBrush();
  HBRUSH brushLast = pBrushLast ? static_cast<HBRUSH>(pBrushLast->m_hObject) : brush;
  HRGN frame = FrameRegion(m_hDC, *lpRect, size);
  HRGN last = lpRectLast ? FrameRegion(m_hDC, *lpRectLast, sizeLast) : nullptr;
  if (last && brushLast != brush) {
    // Different patterns do not cancel out: erase the old frame whole.
    InvertRegion(m_hDC, last, brushLast);
  } else if (last) {
    // Same pattern: inverting only the difference erases the old frame and
    // draws the new one, and leaves their common part alone.
    ::CombineRgn(frame, frame, last, RGN_XOR);
  }
  InvertRegion(m_hDC, frame, brush);
  if (last) ::DeleteObject(last);
  ::DeleteObject(frame);
}

CDC::~CDC() {
  if (m_hDC) DeleteDC();
}

CDC* CDC::FromHandle(HDC hDC) {
  auto& st = State();
  CDC* dc = FromHandleIn(st.permDC, st.tempDC, hDC, &CDC::m_hDC);
  if (dc) dc->m_hAttribDC = hDC;
  return dc;
}

void CDC::DeleteTempMap() { DeleteTemps(State().tempDC, &CDC::m_hDC); }
int AfxTemporaryDCCount() { return static_cast<int>(State().tempDC.size()); }

BOOL CDC::Attach(HDC hDC) {
  auto& st = State();
  if (!AttachIn(st.permDC, st.tempDC, this, hDC, &CDC::m_hDC)) return FALSE;
  m_hAttribDC = hDC;
  return TRUE;
}

HDC CDC::Detach() {
  m_hAttribDC = nullptr;
  return DetachIn(State().permDC, this, &CDC::m_hDC);
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  return ::DeleteDC(Detach());
}

void CDC::HIMETRICtoDP(LPSIZE lpSize) const {
  if (!lpSize) return;
  HDC attrib = m_hAttribDC ? m_hAttribDC : m_hDC;
  lpSize->cx = MulDiv(lpSize->cx, ::GetDeviceCaps(attrib, LOGPIXELSX), 2540);
  lpSize->cy = MulDiv(lpSize->cy, ::GetDeviceCaps(attrib, LOGPIXELSY), 2540);
}

void CDC::HIMETRICtoLP(LPSIZE lpSize) const {
  if (!lpSize) return;
  HIMETRICtoDP(lpSize);
  SIZE window{1, 1}, viewport{1, 1};
  ::GetWindowExtEx(m_hDC, &window);
  ::GetViewportExtEx(m_hDC, &viewport);
  if (!viewport.cx || !viewport.cy) return;
  lpSize->cx = MulDiv(lpSize->cx, std::abs(window.cx), std::abs(viewport.cx));
  lpSize->cy = MulDiv(lpSize->cy, std::abs(window.cy), std::abs(viewport.cy));
}

BOOL CDC::CreateDC(LPCTSTR driver, LPCTSTR device, LPCTSTR output, const void* initData) {
  return Attach(::CreateDC(driver, device, output, initData));
}

CWnd* CDC::GetWindow() const { return CWnd::FromHandle(::WindowFromDC(m_hDC)); }

int CDC::GetTextFace(CString& rString) const {
  WCHAR buf[LF_FACESIZE] = {};
  int n = ::GetTextFace(m_hDC, LF_FACESIZE, buf);
  rString = buf;
  return n;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(CWnd::HwndOf(pWnd)) { Attach(::BeginPaint(m_hWnd, &m_ps)); }
CPaintDC::~CPaintDC() {
  Detach();
  ::EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(CWnd::HwndOf(pWnd)) { Attach(::GetDC(m_hWnd)); }
CClientDC::~CClientDC() { ::ReleaseDC(m_hWnd, Detach()); }

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(CWnd::HwndOf(pWnd)) { Attach(::GetWindowDC(m_hWnd)); }
CWindowDC::~CWindowDC() { ::ReleaseDC(m_hWnd, Detach()); }

// ---- CMenu --------------------------------------------------------------------------------------------
CMenu::~CMenu() { DestroyMenu(); }

CMenu* CMenu::FromHandle(HMENU hMenu) {
  auto& st = State();
  return FromHandleIn(st.permMenu, st.tempMenu, hMenu, &CMenu::m_hMenu);
}

void CMenu::DeleteTempMap() { DeleteTemps(State().tempMenu, &CMenu::m_hMenu); }
int AfxTemporaryMenuCount() { return static_cast<int>(State().tempMenu.size()); }

BOOL CMenu::Attach(HMENU hMenu) {
  auto& st = State();
  return AttachIn(st.permMenu, st.tempMenu, this, hMenu, &CMenu::m_hMenu) ? TRUE : FALSE;
}

HMENU CMenu::Detach() { return DetachIn(State().permMenu, this, &CMenu::m_hMenu); }

BOOL CMenu::DestroyMenu() {
  if (!m_hMenu) return FALSE;
  return ::DestroyMenu(Detach());
}

BOOL CMenu::LoadMenu(LPCTSTR lpszResourceName) {
  HINSTANCE inst = AfxFindResourceHandle(lpszResourceName, RT_MENU);
  return Attach(::LoadMenu(inst ? inst : AfxGetResourceHandle(), lpszResourceName));
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
  int n = ::GetMenuString(m_hMenu, nIDItem, nullptr, 0, nFlags);
  std::u16string buf(static_cast<size_t>(n < 0 ? 0 : n) + 1, u'\0');
  n = ::GetMenuString(m_hMenu, nIDItem, buf.data(), static_cast<int>(buf.size()), nFlags);
  buf.resize(static_cast<size_t>(n < 0 ? 0 : n));
  rString = CString(std::move(buf));
  return n;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect) {
  return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, CWnd::HwndOf(pWnd), lpRect);
}

BOOL CMenu::TrackPopupMenuEx(UINT fuFlags, int x, int y, CWnd* pWnd, LPTPMPARAMS lptpm) {
  return ::TrackPopupMenuEx(m_hMenu, fuFlags, x, y, CWnd::HwndOf(pWnd), lptpm);
}
