// The window manager's rectangle sets.
#include <algorithm>

#include "platform/gdi/gdi_private.h"
#include "platform/window/wm_internal.h"

namespace pv::wm {

bool RectEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT RectIntersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (RectEmpty(r)) return RECT{0, 0, 0, 0};
  return r;
}

RECT RectOffset(RECT r, int dx, int dy) {
  r.left += dx;
  r.right += dx;
  r.top += dy;
  r.bottom += dy;
  return r;
}

namespace {
// a minus b, appended to out (up to four pieces).
void SubtractInto(const RECT& a, const RECT& b, std::vector<RECT>& out) {
  RECT i = RectIntersect(a, b);
  if (RectEmpty(i)) {
    out.push_back(a);
    return;
  }
  if (a.top < i.top) out.push_back(RECT{a.left, a.top, a.right, i.top});
  if (i.bottom < a.bottom) out.push_back(RECT{a.left, i.bottom, a.right, a.bottom});
  if (a.left < i.left) out.push_back(RECT{a.left, i.top, i.left, i.bottom});
  if (i.right < a.right) out.push_back(RECT{i.right, i.top, a.right, i.bottom});
}
bool ContainsRect(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}
}  // namespace

void Region::Add(const RECT& r) {
  if (RectEmpty(r)) return;
  for (const RECT& e : rects_)
    if (ContainsRect(e, r)) return;
  rects_.erase(std::remove_if(rects_.begin(), rects_.end(), [&](const RECT& e) { return ContainsRect(r, e); }),
               rects_.end());
  std::vector<RECT> pieces{r};
  for (const RECT& e : rects_) {
    std::vector<RECT> next;
    for (const RECT& p : pieces) SubtractInto(p, e, next);
    pieces.swap(next);
    if (pieces.empty()) return;
  }
  rects_.insert(rects_.end(), pieces.begin(), pieces.end());
}

void Region::Subtract(const RECT& r) {
  if (RectEmpty(r) || rects_.empty()) return;
  std::vector<RECT> next;
  next.reserve(rects_.size() + 4);
  for (const RECT& e : rects_) SubtractInto(e, r, next);
  rects_.swap(next);
}

void Region::Intersect(const RECT& r) {
  std::vector<RECT> next;
  for (const RECT& e : rects_) {
    RECT i = RectIntersect(e, r);
    if (!RectEmpty(i)) next.push_back(i);
  }
  rects_.swap(next);
}

void Region::Intersect(const Region& o) {
  std::vector<RECT> next;
  for (const RECT& e : rects_)
    for (const RECT& f : o.rects_) {
      RECT i = RectIntersect(e, f);
      if (!RectEmpty(i)) next.push_back(i);
    }
  rects_.swap(next);
}

void Region::Offset(int dx, int dy) {
  for (RECT& e : rects_) e = RectOffset(e, dx, dy);
}

RECT Region::Bounds() const {
  if (rects_.empty()) return RECT{0, 0, 0, 0};
  RECT b = rects_[0];
  for (const RECT& e : rects_) {
    b.left = std::min(b.left, e.left);
    b.top = std::min(b.top, e.top);
    b.right = std::max(b.right, e.right);
    b.bottom = std::max(b.bottom, e.bottom);
  }
  return b;
}

bool Region::Contains(POINT pt) const {
  for (const RECT& e : rects_)
    if (pt.x >= e.left && pt.x < e.right && pt.y >= e.top && pt.y < e.bottom) return true;
  return false;
}

bool Region::Intersects(const RECT& r) const {
  for (const RECT& e : rects_)
    if (!RectEmpty(RectIntersect(e, r))) return true;
  return false;
}

HRGN Region::ToHrgn(int dx, int dy) const {
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  if (!rgn) return nullptr;
  for (const RECT& e : rects_) {
    HRGN part = CreateRectRgn(e.left + dx, e.top + dy, e.right + dx, e.bottom + dy);
    CombineRgn(rgn, rgn, part, RGN_OR);
    DeleteObject(part);
  }
  return rgn;
}

Region Region::FromHrgn(HRGN rgn) {
  Region r;
  if (!rgn) return r;
  int n = GdiGetRegionRects(rgn, nullptr, 0);
  if (n <= 0) return r;
  std::vector<RECT> rects(static_cast<size_t>(n));
  n = GdiGetRegionRects(rgn, rects.data(), n);
  // GDI's bands are already disjoint.
  for (int i = 0; i < n; ++i)
    if (!RectEmpty(rects[static_cast<size_t>(i)])) r.rects_.push_back(rects[static_cast<size_t>(i)]);
  return r;
}

}  // namespace pv::wm
