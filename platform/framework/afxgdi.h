// The framework's drawing objects: CGdiObject (CPen, CBrush, CFont, CBitmap,
// CRgn, CPalette), CDC (CPaintDC, CClientDC, CWindowDC) and CMenu.
//
// Each wraps a handle; FromHandle answers the permanent object bound to a
// handle or a temporary one (deleted at idle time, see CWnd::DeleteTempMap).
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "platform/base/object.h"
#include "platform/gdi/imagelist.h"
#include "platform/gdi/wingdi.h"
#include "platform/window/winuser.h"

class CWnd;
class CBitmap;
class CDC;

class CGdiObject : public CObject {
  DECLARE_DYNCREATE(CGdiObject)
 public:
  CGdiObject() noexcept = default;
  ~CGdiObject() override;

  HGDIOBJ m_hObject = nullptr;
  operator HGDIOBJ() const { return SafeHandleOf(this); }  // NOLINT
  HGDIOBJ GetSafeHandle() const { return SafeHandleOf(this); }
  static HGDIOBJ SafeHandleOf(const CGdiObject* p) {
    const void* self = p;
    asm("" : "+r"(self));
    return self ? p->m_hObject : nullptr;
  }

  static CGdiObject* FromHandle(HGDIOBJ hObject);
  static void DeleteTempMap();
  BOOL Attach(HGDIOBJ hObject);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  int GetObject(int nCount, LPVOID lpObject) const { return ::GetObject(m_hObject, nCount, lpObject); }
  UINT GetObjectType() const { return static_cast<UINT>(::GetObjectType(m_hObject)); }
  BOOL CreateStockObject(int nIndex) { return Attach(::GetStockObject(nIndex)); }
};

class CPen : public CGdiObject {
  DECLARE_DYNAMIC(CPen)
 public:
  CPen() = default;
  CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
  static CPen* FromHandle(HPEN hPen) { return static_cast<CPen*>(CGdiObject::FromHandle(hPen)); }
  operator HPEN() const { return static_cast<HPEN>(GetSafeHandle()); }  // NOLINT
  BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
    return Attach(::CreatePen(nPenStyle, nWidth, crColor));
  }
  BOOL CreatePenIndirect(LPLOGPEN lpLogPen) { return Attach(::CreatePenIndirect(lpLogPen)); }
  int GetLogPen(LOGPEN* pLogPen) { return GetObject(sizeof(LOGPEN), pLogPen); }
};

class CBrush : public CGdiObject {
  DECLARE_DYNAMIC(CBrush)
 public:
  CBrush() = default;
  explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
  CBrush(int nIndex, COLORREF crColor) { CreateHatchBrush(nIndex, crColor); }
  explicit CBrush(CBitmap* pBitmap);
  static CBrush* FromHandle(HBRUSH hBrush) { return static_cast<CBrush*>(CGdiObject::FromHandle(hBrush)); }
  operator HBRUSH() const { return static_cast<HBRUSH>(GetSafeHandle()); }  // NOLINT
  BOOL CreateSolidBrush(COLORREF crColor) { return Attach(::CreateSolidBrush(crColor)); }
  BOOL CreateHatchBrush(int nIndex, COLORREF crColor) { return Attach(::CreateHatchBrush(nIndex, crColor)); }
  BOOL CreatePatternBrush(CBitmap* pBitmap);
  BOOL CreateBrushIndirect(const LOGBRUSH* lpLogBrush) { return Attach(::CreateBrushIndirect(lpLogBrush)); }
  BOOL CreateSysColorBrush(int nIndex) { return Attach(::CreateSolidBrush(::GetSysColor(nIndex))); }
  int GetLogBrush(LOGBRUSH* pLogBrush) { return GetObject(sizeof(LOGBRUSH), pLogBrush); }
};

class CFont : public CGdiObject {
  DECLARE_DYNAMIC(CFont)
 public:
  static CFont* FromHandle(HFONT hFont) { return static_cast<CFont*>(CGdiObject::FromHandle(hFont)); }
  operator HFONT() const { return static_cast<HFONT>(GetSafeHandle()); }  // NOLINT
  BOOL CreateFontIndirect(const LOGFONT* lpLogFont) { return Attach(::CreateFontIndirect(lpLogFont)); }
  BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                  BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                  BYTE nQuality, BYTE nPitchAndFamily, LPCTSTR lpszFacename) {
    return Attach(::CreateFont(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline, cStrikeOut,
                               nCharSet, nOutPrecision, nClipPrecision, nQuality, nPitchAndFamily, lpszFacename));
  }
  // Size in tenths of a point on the screen (or pDC).
  BOOL CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, class CDC* pDC = nullptr);
  BOOL CreatePointFontIndirect(const LOGFONT* lpLogFont, class CDC* pDC = nullptr);
  int GetLogFont(LOGFONT* pLogFont) { return GetObject(sizeof(LOGFONT), pLogFont); }
};

class CBitmap : public CGdiObject {
  DECLARE_DYNAMIC(CBitmap)
 public:
  static CBitmap* FromHandle(HBITMAP hBitmap) { return static_cast<CBitmap*>(CGdiObject::FromHandle(hBitmap)); }
  operator HBITMAP() const { return static_cast<HBITMAP>(GetSafeHandle()); }  // NOLINT
  BOOL LoadBitmap(LPCTSTR lpszResourceName);
  BOOL LoadBitmap(UINT nIDResource) { return LoadBitmap(MAKEINTRESOURCE(nIDResource)); }
  BOOL LoadOEMBitmap(UINT nIDBitmap) { return Attach(::LoadBitmap(nullptr, MAKEINTRESOURCE(nIDBitmap))); }
  BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits) {
    return Attach(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
  }
  BOOL CreateBitmapIndirect(LPBITMAP lpBitmap) { return Attach(::CreateBitmapIndirect(lpBitmap)); }
  BOOL CreateCompatibleBitmap(class CDC* pDC, int nWidth, int nHeight);
  int GetBitmap(BITMAP* pBitMap) { return GetObject(sizeof(BITMAP), pBitMap); }
  CSize GetBitmapDimension() const;
  DWORD GetBitmapBits(DWORD dwCount, LPVOID lpBits) const {
    return static_cast<DWORD>(::GetBitmapBits(static_cast<HBITMAP>(m_hObject), static_cast<LONG>(dwCount), lpBits));
  }
  DWORD SetBitmapBits(DWORD dwCount, const void* lpBits) {
    return static_cast<DWORD>(::SetBitmapBits(static_cast<HBITMAP>(m_hObject), dwCount, lpBits));
  }
};

class CRgn : public CGdiObject {
  DECLARE_DYNAMIC(CRgn)
 public:
  static CRgn* FromHandle(HRGN hRgn) { return static_cast<CRgn*>(CGdiObject::FromHandle(hRgn)); }
  operator HRGN() const { return static_cast<HRGN>(GetSafeHandle()); }  // NOLINT
  BOOL CreateRectRgn(int x1, int y1, int x2, int y2) { return Attach(::CreateRectRgn(x1, y1, x2, y2)); }
  BOOL CreateRectRgnIndirect(LPCRECT lpRect) { return Attach(::CreateRectRgnIndirect(lpRect)); }
  BOOL CreateEllipticRgn(int x1, int y1, int x2, int y2) { return Attach(::CreateEllipticRgn(x1, y1, x2, y2)); }
  BOOL CreateEllipticRgnIndirect(LPCRECT lpRect) { return Attach(::CreateEllipticRgnIndirect(lpRect)); }
  BOOL CreateRoundRectRgn(int x1, int y1, int x2, int y2, int x3, int y3) {
    return Attach(::CreateRoundRectRgn(x1, y1, x2, y2, x3, y3));
  }
  BOOL CreatePolygonRgn(const POINT* lpPoints, int nCount, int nMode) {
    return Attach(::CreatePolygonRgn(lpPoints, nCount, nMode));
  }
  void SetRectRgn(int x1, int y1, int x2, int y2) { ::SetRectRgn(static_cast<HRGN>(m_hObject), x1, y1, x2, y2); }
  void SetRectRgn(LPCRECT r) { SetRectRgn(r->left, r->top, r->right, r->bottom); }
  int CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode) {
    return ::CombineRgn(static_cast<HRGN>(m_hObject), static_cast<HRGN>(SafeHandleOf(pRgn1)),
                        static_cast<HRGN>(SafeHandleOf(pRgn2)), nCombineMode);
  }
  int CopyRgn(const CRgn* pRgnSrc) {
    return ::CombineRgn(static_cast<HRGN>(m_hObject), static_cast<HRGN>(SafeHandleOf(pRgnSrc)), nullptr, RGN_COPY);
  }
  BOOL EqualRgn(const CRgn* pRgn) const {
    return ::EqualRgn(static_cast<HRGN>(m_hObject), static_cast<HRGN>(SafeHandleOf(pRgn)));
  }
  int OffsetRgn(int x, int y) { return ::OffsetRgn(static_cast<HRGN>(m_hObject), x, y); }
  int OffsetRgn(POINT point) { return OffsetRgn(point.x, point.y); }
  int GetRgnBox(LPRECT lpRect) const { return ::GetRgnBox(static_cast<HRGN>(m_hObject), lpRect); }
  BOOL PtInRegion(int x, int y) const { return ::PtInRegion(static_cast<HRGN>(m_hObject), x, y); }
  BOOL PtInRegion(POINT point) const { return PtInRegion(point.x, point.y); }
  BOOL RectInRegion(LPCRECT lpRect) const { return ::RectInRegion(static_cast<HRGN>(m_hObject), lpRect); }
};

class CPalette : public CGdiObject {
  DECLARE_DYNAMIC(CPalette)
 public:
  // Palettes matter only on 8-bit displays, which this system never has:
  // the object only carries a handle.
  static CPalette* FromHandle(HPALETTE hPalette) { return static_cast<CPalette*>(CGdiObject::FromHandle(hPalette)); }
  operator HPALETTE() const { return static_cast<HPALETTE>(GetSafeHandle()); }  // NOLINT
};

// ---- device contexts --------------------------------------------------------------------------
class CDC : public CObject {
  DECLARE_DYNCREATE(CDC)
 public:
  CDC() noexcept = default;
  ~CDC() override;

  HDC m_hDC = nullptr;
  HDC m_hAttribDC = nullptr;
  operator HDC() const { return GetSafeHdc(); }  // NOLINT
  HDC GetSafeHdc() const {
    const void* self = this;
    asm("" : "+r"(self));
    return self ? m_hDC : nullptr;
  }

  static CDC* FromHandle(HDC hDC);
  static void DeleteTempMap();
  BOOL Attach(HDC hDC);
  HDC Detach();
  BOOL CreateCompatibleDC(CDC* pDC) { return Attach(::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr)); }
  BOOL CreateDC(LPCTSTR driver, LPCTSTR device, LPCTSTR output, const void* initData);
  BOOL DeleteDC();
  CWnd* GetWindow() const;
  int SaveDC() { return ::SaveDC(m_hDC); }
  BOOL RestoreDC(int nSavedDC) { return ::RestoreDC(m_hDC, nSavedDC); }
  int GetDeviceCaps(int nIndex) const { return ::GetDeviceCaps(m_hDC, nIndex); }
  BOOL IsPrinting() const { return m_bPrinting; }
  BOOL m_bPrinting = FALSE;

  // ---- objects ----
  CGdiObject* SelectStockObject(int nIndex) {
    return CGdiObject::FromHandle(::SelectObject(m_hDC, ::GetStockObject(nIndex)));
  }
  CPen* SelectObject(CPen* pPen) { return CPen::FromHandle(static_cast<HPEN>(Select(pPen))); }
  CBrush* SelectObject(CBrush* pBrush) { return CBrush::FromHandle(static_cast<HBRUSH>(Select(pBrush))); }
  CFont* SelectObject(CFont* pFont) { return CFont::FromHandle(static_cast<HFONT>(Select(pFont))); }
  CBitmap* SelectObject(CBitmap* pBitmap) { return CBitmap::FromHandle(static_cast<HBITMAP>(Select(pBitmap))); }
  int SelectObject(CRgn* pRgn) { return ::SelectClipRgn(m_hDC, static_cast<HRGN>(CGdiObject::SafeHandleOf(pRgn))); }
  HGDIOBJ SelectObject(HGDIOBJ hObject) { return ::SelectObject(m_hDC, hObject); }
  CGdiObject* SelectGdiObject(HDC hDC, HGDIOBJ h) { return CGdiObject::FromHandle(::SelectObject(hDC, h)); }
  CPen* GetCurrentPen() const { return CPen::FromHandle(static_cast<HPEN>(::GetCurrentObject(m_hDC, OBJ_PEN))); }
  CBrush* GetCurrentBrush() const {
    return CBrush::FromHandle(static_cast<HBRUSH>(::GetCurrentObject(m_hDC, OBJ_BRUSH)));
  }
  CFont* GetCurrentFont() const { return CFont::FromHandle(static_cast<HFONT>(::GetCurrentObject(m_hDC, OBJ_FONT))); }
  CBitmap* GetCurrentBitmap() const {
    return CBitmap::FromHandle(static_cast<HBITMAP>(::GetCurrentObject(m_hDC, OBJ_BITMAP)));
  }

  // ---- attributes ----
  COLORREF SetBkColor(COLORREF c) { return ::SetBkColor(m_hDC, c); }
  COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
  int SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }
  int GetBkMode() const { return ::GetBkMode(m_hDC); }
  COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
  COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
  UINT SetTextAlign(UINT nFlags) { return ::SetTextAlign(m_hDC, nFlags); }
  UINT GetTextAlign() const { return ::GetTextAlign(m_hDC); }
  int SetROP2(int nDrawMode) { return ::SetROP2(m_hDC, nDrawMode); }
  int GetROP2() const { return ::GetROP2(m_hDC); }
  int SetStretchBltMode(int nMode) { return ::SetStretchBltMode(m_hDC, nMode); }
  int SetPolyFillMode(int nMode) { return ::SetPolyFillMode(m_hDC, nMode); }
  CPoint SetBrushOrg(int x, int y) {
    POINT p{};
    ::SetBrushOrgEx(m_hDC, x, y, &p);
    return CPoint(p);
  }
  CPoint SetBrushOrg(POINT point) { return SetBrushOrg(point.x, point.y); }
  DWORD SetLayout(DWORD dwLayout) { return ::SetLayout(m_hDC, dwLayout); }
  DWORD GetLayout() const { return ::GetLayout(m_hDC); }
  int SetMapMode(int nMapMode) { return ::SetMapMode(m_hDC, nMapMode); }
  int GetMapMode() const { return ::GetMapMode(m_hDC); }
  CPoint SetViewportOrg(int x, int y) {
    POINT p{};
    ::SetViewportOrgEx(m_hDC, x, y, &p);
    return CPoint(p);
  }
  CPoint SetViewportOrg(POINT point) { return SetViewportOrg(point.x, point.y); }
  CPoint GetViewportOrg() const {
    POINT p{};
    ::GetViewportOrgEx(m_hDC, &p);
    return CPoint(p);
  }
  CPoint OffsetViewportOrg(int nWidth, int nHeight) {
    POINT p{};
    ::OffsetViewportOrgEx(m_hDC, nWidth, nHeight, &p);
    return CPoint(p);
  }
  CPoint SetWindowOrg(int x, int y) {
    POINT p{};
    ::SetWindowOrgEx(m_hDC, x, y, &p);
    return CPoint(p);
  }
  CPoint SetWindowOrg(POINT point) { return SetWindowOrg(point.x, point.y); }
  CPoint GetWindowOrg() const {
    POINT p{};
    ::GetWindowOrgEx(m_hDC, &p);
    return CPoint(p);
  }
  CPoint OffsetWindowOrg(int nWidth, int nHeight) {
    POINT p{};
    ::OffsetWindowOrgEx(m_hDC, nWidth, nHeight, &p);
    return CPoint(p);
  }
  CSize SetViewportExt(int cx, int cy) {
    SIZE s{};
    ::SetViewportExtEx(m_hDC, cx, cy, &s);
    return CSize(s);
  }
  CSize SetWindowExt(int cx, int cy) {
    SIZE s{};
    ::SetWindowExtEx(m_hDC, cx, cy, &s);
    return CSize(s);
  }
  void LPtoDP(LPPOINT lpPoints, int nCount = 1) const { ::LPtoDP(m_hDC, lpPoints, nCount); }
  void LPtoDP(LPRECT lpRect) const { ::LPtoDP(m_hDC, reinterpret_cast<LPPOINT>(lpRect), 2); }
  void DPtoLP(LPPOINT lpPoints, int nCount = 1) const { ::DPtoLP(m_hDC, lpPoints, nCount); }
  void DPtoLP(LPRECT lpRect) const { ::DPtoLP(m_hDC, reinterpret_cast<LPPOINT>(lpRect), 2); }
  // Sizes in HIMETRIC (0.01 mm) to device units (through the device's
  // pixels per inch) and to logical units (then through the mapping's
  // extents); both answer positive sizes whatever the axis directions.
  void HIMETRICtoDP(LPSIZE lpSize) const;
  void HIMETRICtoLP(LPSIZE lpSize) const;

  // ---- clipping ----
  int GetClipBox(LPRECT lpRect) const { return ::GetClipBox(m_hDC, lpRect); }
  int SelectClipRgn(CRgn* pRgn) { return ::SelectClipRgn(m_hDC, static_cast<HRGN>(CGdiObject::SafeHandleOf(pRgn))); }
  int SelectClipRgn(CRgn* pRgn, int nMode) {
    return ::ExtSelectClipRgn(m_hDC, static_cast<HRGN>(CGdiObject::SafeHandleOf(pRgn)), nMode);
  }
  int IntersectClipRect(int x1, int y1, int x2, int y2) { return ::IntersectClipRect(m_hDC, x1, y1, x2, y2); }
  int IntersectClipRect(LPCRECT r) { return IntersectClipRect(r->left, r->top, r->right, r->bottom); }
  int ExcludeClipRect(int x1, int y1, int x2, int y2) { return ::ExcludeClipRect(m_hDC, x1, y1, x2, y2); }
  int ExcludeClipRect(LPCRECT r) { return ExcludeClipRect(r->left, r->top, r->right, r->bottom); }
  int OffsetClipRgn(int x, int y) { return ::OffsetClipRgn(m_hDC, x, y); }
  BOOL PtVisible(int x, int y) const { return ::PtVisible(m_hDC, x, y); }
  BOOL RectVisible(LPCRECT lpRect) const { return ::RectVisible(m_hDC, lpRect); }

  // ---- lines and shapes ----
  CPoint MoveTo(int x, int y) {
    POINT p{};
    ::MoveToEx(m_hDC, x, y, &p);
    return CPoint(p);
  }
  CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
  BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
  BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }
  CPoint GetCurrentPosition() const {
    POINT p{};
    ::GetCurrentPositionEx(m_hDC, &p);
    return CPoint(p);
  }
  BOOL Polyline(const POINT* lpPoints, int nCount) { return ::Polyline(m_hDC, lpPoints, nCount); }
  BOOL Polygon(const POINT* lpPoints, int nCount) { return ::Polygon(m_hDC, lpPoints, nCount); }
  BOOL PolyBezier(const POINT* lpPoints, int nCount) {
    return ::PolyBezier(m_hDC, lpPoints, static_cast<DWORD>(nCount));
  }
  BOOL Rectangle(int x1, int y1, int x2, int y2) { return ::Rectangle(m_hDC, x1, y1, x2, y2); }
  BOOL Rectangle(LPCRECT r) { return Rectangle(r->left, r->top, r->right, r->bottom); }
  BOOL RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) { return ::RoundRect(m_hDC, x1, y1, x2, y2, x3, y3); }
  BOOL RoundRect(LPCRECT r, POINT point) { return RoundRect(r->left, r->top, r->right, r->bottom, point.x, point.y); }
  BOOL Ellipse(int x1, int y1, int x2, int y2) { return ::Ellipse(m_hDC, x1, y1, x2, y2); }
  BOOL Ellipse(LPCRECT r) { return Ellipse(r->left, r->top, r->right, r->bottom); }
  BOOL Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    return ::Arc(m_hDC, x1, y1, x2, y2, x3, y3, x4, y4);
  }
  BOOL Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    return ::Pie(m_hDC, x1, y1, x2, y2, x3, y3, x4, y4);
  }
  BOOL Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    return ::Chord(m_hDC, x1, y1, x2, y2, x3, y3, x4, y4);
  }
  COLORREF SetPixel(int x, int y, COLORREF c) { return ::SetPixel(m_hDC, x, y, c); }
  COLORREF SetPixel(POINT point, COLORREF c) { return SetPixel(point.x, point.y, c); }
  BOOL SetPixelV(int x, int y, COLORREF c) { return ::SetPixelV(m_hDC, x, y, c); }
  COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
  COLORREF GetPixel(POINT point) const { return GetPixel(point.x, point.y); }

  // ---- fills ----
  void FillRect(LPCRECT lpRect, CBrush* pBrush) {
    ::FillRect(m_hDC, lpRect, static_cast<HBRUSH>(CGdiObject::SafeHandleOf(pBrush)));
  }
  void FrameRect(LPCRECT lpRect, CBrush* pBrush) {
    ::FrameRect(m_hDC, lpRect, static_cast<HBRUSH>(CGdiObject::SafeHandleOf(pBrush)));
  }
  void InvertRect(LPCRECT lpRect) { ::InvertRect(m_hDC, lpRect); }
  void FillSolidRect(LPCRECT lpRect, COLORREF clr) { ::GdiFillSolidRect(m_hDC, lpRect, clr); }
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
    RECT r{x, y, x + cx, y + cy};
    ::GdiFillSolidRect(m_hDC, &r, clr);
  }
  void Draw3dRect(LPCRECT r, COLORREF clrTopLeft, COLORREF clrBottomRight) {
    ::GdiDraw3dRect(m_hDC, r->left, r->top, r->right - r->left, r->bottom - r->top, clrTopLeft, clrBottomRight);
  }
  void Draw3dRect(int x, int y, int cx, int cy, COLORREF clrTopLeft, COLORREF clrBottomRight) {
    ::GdiDraw3dRect(m_hDC, x, y, cx, cy, clrTopLeft, clrBottomRight);
  }
  void DrawFocusRect(LPCRECT lpRect) { ::DrawFocusRect(m_hDC, lpRect); }
  BOOL DrawEdge(LPRECT lpRect, UINT nEdge, UINT nFlags) { return ::DrawEdge(m_hDC, lpRect, nEdge, nFlags); }
  BOOL DrawFrameControl(LPRECT lpRect, UINT nType, UINT nState) {
    return ::DrawFrameControl(m_hDC, lpRect, nType, nState);
  }
  BOOL FillRgn(CRgn* pRgn, CBrush* pBrush) {
    return ::FillRgn(m_hDC, static_cast<HRGN>(CGdiObject::SafeHandleOf(pRgn)),
                     static_cast<HBRUSH>(CGdiObject::SafeHandleOf(pBrush)));
  }
  BOOL FrameRgn(CRgn* pRgn, CBrush* pBrush, int nWidth, int nHeight) {
    return ::FrameRgn(m_hDC, static_cast<HRGN>(CGdiObject::SafeHandleOf(pRgn)),
                      static_cast<HBRUSH>(CGdiObject::SafeHandleOf(pBrush)), nWidth, nHeight);
  }
  BOOL PaintRgn(CRgn* pRgn) { return ::PaintRgn(m_hDC, static_cast<HRGN>(CGdiObject::SafeHandleOf(pRgn))); }
  BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
  BOOL DrawIcon(POINT point, HICON hIcon) { return DrawIcon(point.x, point.y, hIcon); }
  BOOL DrawState(CPoint pt, CSize size, HICON hIcon, UINT nFlags, HBRUSH hBrush = nullptr) {
    return ::DrawState(m_hDC, hBrush, nullptr, reinterpret_cast<LPARAM>(hIcon), 0, pt.x, pt.y, size.cx, size.cy,
                       nFlags | DST_ICON);
  }
  BOOL DrawState(CPoint pt, CSize size, HBITMAP hBitmap, UINT nFlags, HBRUSH hBrush = nullptr) {
    return ::DrawState(m_hDC, hBrush, nullptr, reinterpret_cast<LPARAM>(hBitmap), 0, pt.x, pt.y, size.cx, size.cy,
                       nFlags | DST_BITMAP);
  }
  BOOL GradientFill(TRIVERTEX* pVertices, ULONG nVertices, void* pMesh, ULONG nMeshElements, DWORD dwMode) {
    return ::GradientFill(m_hDC, pVertices, nVertices, pMesh, nMeshElements, dwMode);
  }

  // ---- blits ----
  BOOL PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop) {
    return ::PatBlt(m_hDC, x, y, nWidth, nHeight, dwRop);
  }
  // The 50% checkerboard brush of drag outlines (a temporary object: keep
  // the handle, not the pointer, across idle time).
  static CBrush* GetHalftoneBrush();
  // Moves a drag outline: the frame of lpRect (size.cx wide at the sides,
  // size.cy at top and bottom) is inverted with pBrush (null: the halftone
  // brush), and the frame of lpRectLast (if any) inverted back, so calling
  // it with the last call's rectangle erases the old outline and draws the
  // new one; where both frames overlap nothing flickers. With a different
  // pBrushLast the old frame is erased with it first. An empty new frame
  // (size 0) only erases. The DC's clip region and brush are kept.
  void DrawDragRect(LPCRECT lpRect, SIZE size, LPCRECT lpRectLast, SIZE sizeLast, CBrush* pBrush = nullptr,
                    CBrush* pBrushLast = nullptr);
  BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) {
    return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, dwRop);
  }
  BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth, int nSrcHeight,
                  DWORD dwRop) {
    return ::StretchBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, nSrcWidth,
                        nSrcHeight, dwRop);
  }
  BOOL AlphaBlend(int xDest, int yDest, int nDestWidth, int nDestHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                  int nSrcHeight, BLENDFUNCTION blend) {
    return ::AlphaBlend(m_hDC, xDest, yDest, nDestWidth, nDestHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc,
                        nSrcWidth, nSrcHeight, blend);
  }
  BOOL TransparentBlt(int xDest, int yDest, int nDestWidth, int nDestHeight, CDC* pSrcDC, int xSrc, int ySrc,
                      int nSrcWidth, int nSrcHeight, UINT clrTransparent) {
    return ::TransparentBlt(m_hDC, xDest, yDest, nDestWidth, nDestHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc,
                            nSrcWidth, nSrcHeight, clrTransparent);
  }

  // ---- text ----
  BOOL TextOut(int x, int y, LPCTSTR lpszString, int nCount) { return ::TextOut(m_hDC, x, y, lpszString, nCount); }
  BOOL TextOut(int x, int y, const CString& str) { return TextOut(x, y, str, str.GetLength()); }
  BOOL ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, LPCTSTR lpszString, UINT nCount, LPINT lpDxWidths) {
    return ::ExtTextOut(m_hDC, x, y, nOptions, lpRect, lpszString, nCount, lpDxWidths);
  }
  BOOL ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, const CString& str, LPINT lpDxWidths) {
    return ExtTextOut(x, y, nOptions, lpRect, str, static_cast<UINT>(str.GetLength()), lpDxWidths);
  }
  int DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
    return ::DrawText(m_hDC, lpszString, nCount, lpRect, nFormat);
  }
  int DrawText(const CString& str, LPRECT lpRect, UINT nFormat) {
    return ::DrawText(m_hDC, str, str.GetLength(), lpRect, nFormat);
  }
  int DrawTextEx(LPTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat, LPDRAWTEXTPARAMS lpDTParams) {
    return ::DrawTextEx(m_hDC, lpszString, nCount, lpRect, nFormat, lpDTParams);
  }
  CSize GetTextExtent(LPCTSTR lpszString, int nCount) const {
    SIZE s{};
    ::GetTextExtentPoint32(m_hDC, lpszString, nCount, &s);
    return CSize(s);
  }
  CSize GetTextExtent(const CString& str) const { return GetTextExtent(str, str.GetLength()); }
  CSize GetOutputTextExtent(const CString& str) const { return GetTextExtent(str); }
  CSize GetTabbedTextExtent(LPCTSTR lpszString, int nCount, int nTabPositions, LPINT lpnTabStopPositions) const {
    DWORD d = ::GetTabbedTextExtent(m_hDC, lpszString, nCount, nTabPositions, lpnTabStopPositions);
    return CSize(LOWORD(d), HIWORD(d));
  }
  BOOL GetTextMetrics(LPTEXTMETRIC lpMetrics) const { return ::GetTextMetrics(m_hDC, lpMetrics); }
  int GetTextFace(int nCount, LPTSTR lpszFacename) const { return ::GetTextFace(m_hDC, nCount, lpszFacename); }
  int GetTextFace(CString& rString) const;
  int SetTextCharacterExtra(int nCharExtra) { return ::SetTextCharacterExtra(m_hDC, nCharExtra); }
  BOOL GetCharWidth(UINT nFirstChar, UINT nLastChar, LPINT lpBuffer) const {
    return ::GetCharWidth32(m_hDC, nFirstChar, nLastChar, lpBuffer);
  }

  // ---- printing ----
  int StartDoc(const DOCINFOW* lpDocInfo) { return ::StartDoc(m_hDC, lpDocInfo); }
  int EndDoc() { return ::EndDoc(m_hDC); }
  int StartPage() { return ::StartPage(m_hDC); }
  int EndPage() { return ::EndPage(m_hDC); }
  int AbortDoc() { return ::AbortDoc(m_hDC); }

 private:
  HGDIOBJ Select(CGdiObject* p) { return ::SelectObject(m_hDC, CGdiObject::SafeHandleOf(p)); }
};

// BeginPaint/EndPaint for a window's WM_PAINT.
class CPaintDC : public CDC {
  DECLARE_DYNAMIC(CPaintDC)
 public:
  explicit CPaintDC(CWnd* pWnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps{};

 protected:
  HWND m_hWnd = nullptr;
};

// GetDC/ReleaseDC of a window's client area.
class CClientDC : public CDC {
  DECLARE_DYNAMIC(CClientDC)
 public:
  explicit CClientDC(CWnd* pWnd);
  ~CClientDC() override;

 protected:
  HWND m_hWnd = nullptr;
};

// GetWindowDC/ReleaseDC of a whole window (non-client area included).
class CWindowDC : public CDC {
  DECLARE_DYNAMIC(CWindowDC)
 public:
  explicit CWindowDC(CWnd* pWnd);
  ~CWindowDC() override;

 protected:
  HWND m_hWnd = nullptr;
};

// ---- menus ---------------------------------------------------------------------------------------
class CMenu : public CObject {
  DECLARE_DYNCREATE(CMenu)
 public:
  CMenu() noexcept = default;
  ~CMenu() override;

  HMENU m_hMenu = nullptr;
  operator HMENU() const { return GetSafeHmenu(); }  // NOLINT
  HMENU GetSafeHmenu() const {
    const void* self = this;
    asm("" : "+r"(self));
    return self ? m_hMenu : nullptr;
  }
  bool operator==(const CMenu& m) const { return m_hMenu == m.m_hMenu; }

  static CMenu* FromHandle(HMENU hMenu);
  static void DeleteTempMap();
  BOOL Attach(HMENU hMenu);
  HMENU Detach();
  BOOL CreateMenu() { return Attach(::CreateMenu()); }
  BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
  BOOL LoadMenu(LPCTSTR lpszResourceName);
  BOOL LoadMenu(UINT nIDResource) { return LoadMenu(MAKEINTRESOURCE(nIDResource)); }
  BOOL LoadMenuIndirect(const void* lpMenuTemplate) { return Attach(::LoadMenuIndirect(lpMenuTemplate)); }
  BOOL DestroyMenu();

  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr) {
    return ::AppendMenu(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr) {
    return ::InsertMenu(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr) {
    return ::ModifyMenu(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL InsertMenuItem(UINT uItem, LPMENUITEMINFO lpMenuItemInfo, BOOL fByPos = FALSE) {
    return ::InsertMenuItem(m_hMenu, uItem, fByPos, lpMenuItemInfo);
  }
  BOOL RemoveMenu(UINT nPosition, UINT nFlags) { return ::RemoveMenu(m_hMenu, nPosition, nFlags); }
  BOOL DeleteMenu(UINT nPosition, UINT nFlags) { return ::DeleteMenu(m_hMenu, nPosition, nFlags); }
  UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable) { return ::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable); }
  UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck) {
    return static_cast<UINT>(::CheckMenuItem(m_hMenu, nIDCheckItem, nCheck));
  }
  BOOL CheckMenuRadioItem(UINT nIDFirst, UINT nIDLast, UINT nIDItem, UINT nFlags) {
    return ::CheckMenuRadioItem(m_hMenu, nIDFirst, nIDLast, nIDItem, nFlags);
  }
  UINT GetMenuItemCount() const { return static_cast<UINT>(::GetMenuItemCount(m_hMenu)); }
  UINT GetMenuItemID(int nPos) const { return ::GetMenuItemID(m_hMenu, nPos); }
  UINT GetMenuState(UINT nID, UINT nFlags) const { return ::GetMenuState(m_hMenu, nID, nFlags); }
  int GetMenuString(UINT nIDItem, LPTSTR lpString, int nMaxCount, UINT nFlags) const {
    return ::GetMenuString(m_hMenu, nIDItem, lpString, nMaxCount, nFlags);
  }
  int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
  BOOL GetMenuItemInfo(UINT uItem, LPMENUITEMINFO lpMenuItemInfo, BOOL fByPos = FALSE) const {
    return ::GetMenuItemInfo(m_hMenu, uItem, fByPos, lpMenuItemInfo);
  }
  BOOL SetMenuItemInfo(UINT uItem, LPMENUITEMINFO lpMenuItemInfo, BOOL fByPos = FALSE) {
    return ::SetMenuItemInfo(m_hMenu, uItem, fByPos, lpMenuItemInfo);
  }
  CMenu* GetSubMenu(int nPos) const { return FromHandle(::GetSubMenu(m_hMenu, nPos)); }
  UINT GetDefaultItem(UINT gmdiFlags, BOOL fByPos = FALSE) const {
    return ::GetMenuDefaultItem(m_hMenu, fByPos, gmdiFlags);
  }
  BOOL SetDefaultItem(UINT uItem, BOOL fByPos = FALSE) { return ::SetMenuDefaultItem(m_hMenu, uItem, fByPos); }
  BOOL GetMenuInfo(LPMENUINFO lpcmi) const { return ::GetMenuInfo(m_hMenu, lpcmi); }
  BOOL SetMenuInfo(LPCMENUINFO lpcmi) { return ::SetMenuInfo(m_hMenu, lpcmi); }
  BOOL SetMenuItemBitmaps(UINT nPosition, UINT nFlags, const CBitmap* pBmpUnchecked, const CBitmap* pBmpChecked) {
    return ::SetMenuItemBitmaps(m_hMenu, nPosition, nFlags,
                                static_cast<HBITMAP>(CGdiObject::SafeHandleOf(pBmpUnchecked)),
                                static_cast<HBITMAP>(CGdiObject::SafeHandleOf(pBmpChecked)));
  }
  BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);
  BOOL TrackPopupMenuEx(UINT fuFlags, int x, int y, CWnd* pWnd, LPTPMPARAMS lptpm);
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  virtual void MeasureItem(LPMEASUREITEMSTRUCT) {}
};

// The number of temporary objects of each handle map on this thread (tests).
int AfxTemporaryGdiObjectCount();
int AfxTemporaryDCCount();
int AfxTemporaryMenuCount();
