#include "platform/base/geometry.h"

#include <algorithm>

BOOL SetRect(LPRECT rc, int left, int top, int right, int bottom) {
  if (!rc) return FALSE;
  *rc = RECT{left, top, right, bottom};
  return TRUE;
}

BOOL SetRectEmpty(LPRECT rc) { return SetRect(rc, 0, 0, 0, 0); }

BOOL CopyRect(LPRECT dst, const RECT* src) {
  if (!dst || !src) return FALSE;
  *dst = *src;
  return TRUE;
}

BOOL IsRectEmpty(const RECT* rc) { return !rc || rc->right <= rc->left || rc->bottom <= rc->top; }

BOOL PtInRect(const RECT* rc, POINT pt) {
  return rc && pt.x >= rc->left && pt.x < rc->right && pt.y >= rc->top && pt.y < rc->bottom;
}

BOOL OffsetRect(LPRECT rc, int dx, int dy) {
  if (!rc) return FALSE;
  rc->left += dx;
  rc->right += dx;
  rc->top += dy;
  rc->bottom += dy;
  return TRUE;
}

BOOL InflateRect(LPRECT rc, int dx, int dy) {
  if (!rc) return FALSE;
  rc->left -= dx;
  rc->right += dx;
  rc->top -= dy;
  rc->bottom += dy;
  return TRUE;
}

BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  // Work on copies: dst may be a or b.
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(a) || IsRectEmpty(b) || IsRectEmpty(&r)) {
    SetRectEmpty(dst);
    return FALSE;
  }
  *dst = r;
  return TRUE;
}

BOOL UnionRect(LPRECT dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  bool emptyA = IsRectEmpty(a), emptyB = IsRectEmpty(b);
  if (emptyA && emptyB) {
    SetRectEmpty(dst);
    return FALSE;
  }
  if (emptyA) {
    *dst = *b;
  } else if (emptyB) {
    *dst = *a;
  } else {
    *dst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom)};
  }
  return TRUE;
}

// The part of a not covered by b, when that part is a rectangle: b must span
// a fully in one direction and cover one of its edges; otherwise a is kept.
BOOL SubtractRect(LPRECT dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  if (IsRectEmpty(a)) {
    SetRectEmpty(dst);
    return FALSE;
  }
  RECT result = *a;
  RECT cut;
  if (IntersectRect(&cut, a, b)) {
    if (EqualRect(&cut, a)) {
      SetRectEmpty(dst);
      return FALSE;
    }
    if (cut.top == a->top && cut.bottom == a->bottom) {
      if (cut.left == a->left) result.left = cut.right;
      else if (cut.right == a->right) result.right = cut.left;
    } else if (cut.left == a->left && cut.right == a->right) {
      if (cut.top == a->top) result.top = cut.bottom;
      else if (cut.bottom == a->bottom) result.bottom = cut.top;
    }
  }
  *dst = result;
  return TRUE;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
  if (!a || !b) return FALSE;
  return a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

void CRect::NormalizeRect() noexcept {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
}
