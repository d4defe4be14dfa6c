// CPoint, CSize, CRect and the rectangle functions over RECT/POINT.
//
// The classes add no data to POINT/SIZE/RECT, so a CRect can be passed
// wherever an LPRECT is expected and TopLeft()/BottomRight() can hand out
// references into the rectangle (callers convert those in place).
//
// Rectangle rules: a rectangle covers [left,right) x [top,bottom); it is
// empty when right <= left or bottom <= top. Intersections that come out
// empty are stored as (0,0,0,0); unions ignore empty operands.
#pragma once

#include "platform/base/wintypes.h"

// ---- free functions (null pointers fail and change nothing) ---------------------
BOOL SetRect(LPRECT rc, int left, int top, int right, int bottom);
BOOL SetRectEmpty(LPRECT rc);
BOOL CopyRect(LPRECT dst, const RECT* src);
BOOL IsRectEmpty(const RECT* rc);
BOOL PtInRect(const RECT* rc, POINT pt);
BOOL OffsetRect(LPRECT rc, int dx, int dy);
BOOL InflateRect(LPRECT rc, int dx, int dy);
BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b);
BOOL UnionRect(LPRECT dst, const RECT* a, const RECT* b);
BOOL SubtractRect(LPRECT dst, const RECT* a, const RECT* b);
BOOL EqualRect(const RECT* a, const RECT* b);

class CSize;
class CRect;

class CPoint : public POINT {
 public:
  CPoint() noexcept : POINT{0, 0} {}
  CPoint(int initX, int initY) noexcept : POINT{initX, initY} {}
  CPoint(POINT pt) noexcept : POINT(pt) {}  // NOLINT
  explicit CPoint(SIZE size) noexcept : POINT{size.cx, size.cy} {}
  // Packed coordinates (x in the low word, y in the high word, both signed).
  explicit CPoint(LPARAM packed) noexcept
      : POINT{static_cast<SHORT>(LOWORD(packed)), static_cast<SHORT>(HIWORD(packed))} {}

  void Offset(int dx, int dy) noexcept {
    x += dx;
    y += dy;
  }
  void Offset(POINT pt) noexcept { Offset(pt.x, pt.y); }
  void Offset(SIZE size) noexcept { Offset(size.cx, size.cy); }
  void SetPoint(int X, int Y) noexcept {
    x = X;
    y = Y;
  }

  bool operator==(POINT pt) const noexcept { return x == pt.x && y == pt.y; }
  bool operator!=(POINT pt) const noexcept { return !(*this == pt); }
  void operator+=(SIZE size) noexcept { Offset(size); }
  void operator-=(SIZE size) noexcept { Offset(-size.cx, -size.cy); }
  void operator+=(POINT pt) noexcept { Offset(pt); }
  void operator-=(POINT pt) noexcept { Offset(-pt.x, -pt.y); }

  CPoint operator+(SIZE size) const noexcept { return CPoint(x + size.cx, y + size.cy); }
  CPoint operator-(SIZE size) const noexcept { return CPoint(x - size.cx, y - size.cy); }
  CPoint operator-() const noexcept { return CPoint(-x, -y); }
  CPoint operator+(POINT pt) const noexcept { return CPoint(x + pt.x, y + pt.y); }
  CSize operator-(POINT pt) const noexcept;
  CRect operator+(const RECT* rc) const noexcept;
  CRect operator-(const RECT* rc) const noexcept;
};

class CSize : public SIZE {
 public:
  CSize() noexcept : SIZE{0, 0} {}
  CSize(int initCX, int initCY) noexcept : SIZE{initCX, initCY} {}
  CSize(SIZE size) noexcept : SIZE(size) {}  // NOLINT
  explicit CSize(POINT pt) noexcept : SIZE{pt.x, pt.y} {}
  explicit CSize(DWORD packed) noexcept
      : SIZE{static_cast<SHORT>(LOWORD(packed)), static_cast<SHORT>(HIWORD(packed))} {}

  bool operator==(SIZE size) const noexcept { return cx == size.cx && cy == size.cy; }
  bool operator!=(SIZE size) const noexcept { return !(*this == size); }
  void operator+=(SIZE size) noexcept {
    cx += size.cx;
    cy += size.cy;
  }
  void operator-=(SIZE size) noexcept {
    cx -= size.cx;
    cy -= size.cy;
  }
  void SetSize(int CX, int CY) noexcept {
    cx = CX;
    cy = CY;
  }

  CSize operator+(SIZE size) const noexcept { return CSize(cx + size.cx, cy + size.cy); }
  CSize operator-(SIZE size) const noexcept { return CSize(cx - size.cx, cy - size.cy); }
  CSize operator-() const noexcept { return CSize(-cx, -cy); }
  CPoint operator+(POINT pt) const noexcept { return CPoint(pt.x + cx, pt.y + cy); }
  CPoint operator-(POINT pt) const noexcept { return CPoint(pt.x - cx, pt.y - cy); }
  CRect operator+(const RECT* rc) const noexcept;
  CRect operator-(const RECT* rc) const noexcept;
};

class CRect : public RECT {
 public:
  CRect() noexcept : RECT{0, 0, 0, 0} {}
  CRect(int l, int t, int r, int b) noexcept : RECT{l, t, r, b} {}
  CRect(const RECT& rc) noexcept : RECT(rc) {}                           // NOLINT
  CRect(const RECT* rc) noexcept : RECT(rc ? *rc : RECT{0, 0, 0, 0}) {}  // NOLINT
  CRect(POINT pt, SIZE size) noexcept : RECT{pt.x, pt.y, pt.x + size.cx, pt.y + size.cy} {}
  CRect(POINT topLeft, POINT bottomRight) noexcept : RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}

  int Width() const noexcept { return right - left; }
  int Height() const noexcept { return bottom - top; }
  CSize Size() const noexcept { return CSize(Width(), Height()); }
  // References into the rectangle: callers convert corners in place.
  CPoint& TopLeft() noexcept { return *reinterpret_cast<CPoint*>(&left); }
  CPoint& BottomRight() noexcept { return *reinterpret_cast<CPoint*>(&right); }
  const CPoint& TopLeft() const noexcept { return *reinterpret_cast<const CPoint*>(&left); }
  const CPoint& BottomRight() const noexcept { return *reinterpret_cast<const CPoint*>(&right); }
  CPoint CenterPoint() const noexcept { return CPoint((left + right) / 2, (top + bottom) / 2); }

  operator LPRECT() noexcept { return this; }         // NOLINT
  operator LPCRECT() const noexcept { return this; }  // NOLINT

  BOOL IsRectEmpty() const noexcept { return right <= left || bottom <= top; }
  BOOL IsRectNull() const noexcept { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  BOOL PtInRect(POINT pt) const noexcept { return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom; }

  void SetRect(int l, int t, int r, int b) noexcept {
    left = l;
    top = t;
    right = r;
    bottom = b;
  }
  void SetRect(POINT topLeft, POINT bottomRight) noexcept {
    SetRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
  }
  void SetRectEmpty() noexcept { SetRect(0, 0, 0, 0); }
  void CopyRect(const RECT* src) noexcept {
    if (src) *static_cast<RECT*>(this) = *src;
  }
  BOOL EqualRect(const RECT* rc) const noexcept { return ::EqualRect(this, rc); }

  void InflateRect(int x, int y) noexcept {
    left -= x;
    top -= y;
    right += x;
    bottom += y;
  }
  void InflateRect(SIZE size) noexcept { InflateRect(size.cx, size.cy); }
  void InflateRect(const RECT* rc) noexcept {
    left -= rc->left;
    top -= rc->top;
    right += rc->right;
    bottom += rc->bottom;
  }
  void InflateRect(int l, int t, int r, int b) noexcept {
    left -= l;
    top -= t;
    right += r;
    bottom += b;
  }
  void DeflateRect(int x, int y) noexcept { InflateRect(-x, -y); }
  void DeflateRect(SIZE size) noexcept { InflateRect(-size.cx, -size.cy); }
  void DeflateRect(const RECT* rc) noexcept {
    left += rc->left;
    top += rc->top;
    right -= rc->right;
    bottom -= rc->bottom;
  }
  void DeflateRect(int l, int t, int r, int b) noexcept {
    left += l;
    top += t;
    right -= r;
    bottom -= b;
  }

  void OffsetRect(int x, int y) noexcept {
    left += x;
    top += y;
    right += x;
    bottom += y;
  }
  void OffsetRect(POINT pt) noexcept { OffsetRect(pt.x, pt.y); }
  void OffsetRect(SIZE size) noexcept { OffsetRect(size.cx, size.cy); }
  void MoveToY(int y) noexcept {
    bottom = Height() + y;
    top = y;
  }
  void MoveToX(int x) noexcept {
    right = Width() + x;
    left = x;
  }
  void MoveToXY(int x, int y) noexcept {
    MoveToX(x);
    MoveToY(y);
  }
  void MoveToXY(POINT pt) noexcept { MoveToXY(pt.x, pt.y); }
  void NormalizeRect() noexcept;

  BOOL IntersectRect(const RECT* a, const RECT* b) noexcept { return ::IntersectRect(this, a, b); }
  BOOL UnionRect(const RECT* a, const RECT* b) noexcept { return ::UnionRect(this, a, b); }
  BOOL SubtractRect(const RECT* a, const RECT* b) noexcept { return ::SubtractRect(this, a, b); }

  CRect& operator=(const RECT& rc) noexcept {
    static_cast<RECT&>(*this) = rc;
    return *this;
  }
  bool operator==(const RECT& rc) const noexcept { return ::EqualRect(this, &rc) != FALSE; }
  bool operator!=(const RECT& rc) const noexcept { return !(*this == rc); }
  void operator+=(POINT pt) noexcept { OffsetRect(pt); }
  void operator+=(SIZE size) noexcept { OffsetRect(size); }
  void operator+=(const RECT* rc) noexcept { InflateRect(rc); }
  void operator-=(POINT pt) noexcept { OffsetRect(-pt.x, -pt.y); }
  void operator-=(SIZE size) noexcept { OffsetRect(-size.cx, -size.cy); }
  void operator-=(const RECT* rc) noexcept { DeflateRect(rc); }
  void operator&=(const RECT& rc) noexcept { ::IntersectRect(this, this, &rc); }
  void operator|=(const RECT& rc) noexcept { ::UnionRect(this, this, &rc); }

  CRect operator+(POINT pt) const noexcept {
    CRect r(*this);
    r.OffsetRect(pt);
    return r;
  }
  CRect operator-(POINT pt) const noexcept {
    CRect r(*this);
    r.OffsetRect(-pt.x, -pt.y);
    return r;
  }
  CRect operator+(SIZE size) const noexcept {
    CRect r(*this);
    r.OffsetRect(size);
    return r;
  }
  CRect operator-(SIZE size) const noexcept {
    CRect r(*this);
    r.OffsetRect(-size.cx, -size.cy);
    return r;
  }
  CRect operator+(const RECT* rc) const noexcept {
    CRect r(*this);
    r.InflateRect(rc);
    return r;
  }
  CRect operator-(const RECT* rc) const noexcept {
    CRect r(*this);
    r.DeflateRect(rc);
    return r;
  }
  CRect operator&(const RECT& rc) const noexcept {
    CRect r;
    ::IntersectRect(&r, this, &rc);
    return r;
  }
  CRect operator|(const RECT& rc) const noexcept {
    CRect r;
    ::UnionRect(&r, this, &rc);
    return r;
  }
};

inline CSize CPoint::operator-(POINT pt) const noexcept { return CSize(x - pt.x, y - pt.y); }
inline CRect CPoint::operator+(const RECT* rc) const noexcept { return CRect(rc) + *this; }
inline CRect CPoint::operator-(const RECT* rc) const noexcept { return CRect(rc) - *this; }
inline CRect CSize::operator+(const RECT* rc) const noexcept { return CRect(rc) + *this; }
inline CRect CSize::operator-(const RECT* rc) const noexcept { return CRect(rc) - *this; }
