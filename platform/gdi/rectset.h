// The rectangle-set engine behind GDI regions, clipping and the window
// manager's update and visible regions.
//
// A set is kept in one canonical form, as Windows keeps its regions: y-x
// bands of rows [top, bottom), each cut into spans sorted by x that neither
// overlap nor touch, and no two adjacent bands with the same spans (they are
// one band). Equal sets therefore have equal rectangle lists, however they
// were built, so the rectangle count answers a region's complexity and
// callers may walk the rectangles top to bottom, left to right.
#pragma once

#include <utility>
#include <vector>

#include "platform/gdi/wingdi.h"

namespace pv::gdi {

class RectSet {
 public:
  std::vector<RECT> rects;  // canonical: only the operations below build it

  RECT Box() const;  // {0,0,0,0} when empty
  bool Empty() const { return rects.empty(); }
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int Complexity() const { return rects.empty() ? NULLREGION : rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION; }
  bool Contains(int x, int y) const;
  bool Intersects(const RECT& r) const;
  void Offset(int dx, int dy);
  bool operator==(const RectSet& o) const;

  // A rectangle given by any two corners, as CreateRectRgn takes it; a
  // rectangle with no width or height is the empty set.
  static RectSet FromRect(int l, int t, int r, int b);
  // Rows [top, top + rows.size()) each with [x0, x1) spans in any order,
  // overlapping or not.
  static RectSet FromSpans(int top, const std::vector<std::vector<std::pair<int, int>>>& rows);
  // The RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF or RGN_COPY (a) of two sets.
  static RectSet Combine(const RectSet& a, const RectSet& b, int mode);
};

// A new GDI region holding the set; null when out of handles.
HRGN CreateRegion(RectSet set);
// The set of a GDI region; empty for a bad handle.
RectSet RegionSet(HRGN rgn);

}  // namespace pv::gdi
