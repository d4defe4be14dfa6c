// The window manager's rectangle sets, over GDI's rectangle-set engine.
#include <algorithm>

#include "platform/gdi/rectset.h"
#include "platform/window/wm_internal.h"

namespace pv::wm {

using pv::gdi::RectSet;

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
// The window calls take an empty or inverted rectangle as no pixels (GDI's
// CreateRectRgn would swap the corners).
RectSet SetOf(const RECT& r) { return RectEmpty(r) ? RectSet() : RectSet::FromRect(r.left, r.top, r.right, r.bottom); }
}  // namespace

namespace {
bool Covers(const RECT& outer, const RECT& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
         outer.bottom >= inner.bottom;
}
}  // namespace

// Controls invalidate their whole client area on every change, so update
// regions are mostly one rectangle that already holds what is added: those
// cases keep the set as it is instead of merging two sets. A set of one
// rectangle, and the intersection of two rectangles, are already canonical.
void Region::Add(const RECT& r) {
  if (RectEmpty(r)) return;
  if (set_.rects.size() == 1 && Covers(set_.rects[0], r)) return;
  if (set_.Empty()) {
    set_ = SetOf(r);
    return;
  }
  set_ = RectSet::Combine(set_, SetOf(r), RGN_OR);
}

void Region::Add(const Region& r) {
  if (r.Empty()) return;
  if (set_.rects.size() == 1 && Covers(set_.rects[0], r.Bounds())) return;
  if (set_.Empty()) {
    set_ = r.set_;
    return;
  }
  set_ = RectSet::Combine(set_, r.set_, RGN_OR);
}

void Region::Subtract(const RECT& r) {
  if (!RectEmpty(r) && !set_.Empty()) set_ = RectSet::Combine(set_, SetOf(r), RGN_DIFF);
}

void Region::Subtract(const Region& r) {
  if (r.Empty() || set_.Empty()) return;
  set_ = RectSet::Combine(set_, r.set_, RGN_DIFF);
}

void Region::Intersect(const RECT& r) {
  if (set_.Empty()) return;
  if (RectEmpty(r)) {
    set_.rects.clear();
    return;
  }
  if (Covers(r, set_.Box())) return;
  if (set_.rects.size() == 1) {
    set_ = SetOf(RectIntersect(set_.rects[0], r));
    return;
  }
  set_ = RectSet::Combine(set_, SetOf(r), RGN_AND);
}

void Region::Intersect(const Region& r) {
  if (r.set_.rects.size() == 1) {
    Intersect(r.set_.rects[0]);
    return;
  }
  set_ = RectSet::Combine(set_, r.set_, RGN_AND);
}

HRGN Region::ToHrgn(int dx, int dy) const {
  RectSet moved = set_;
  moved.Offset(dx, dy);
  return pv::gdi::CreateRegion(std::move(moved));
}

Region Region::FromHrgn(HRGN rgn) {
  Region r;
  if (rgn) r.set_ = pv::gdi::RegionSet(rgn);
  return r;
}

}  // namespace pv::wm
