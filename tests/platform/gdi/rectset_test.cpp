// The rectangle-set engine: set operations against a pixel-by-pixel
// reference, the one canonical form whatever the order of building, and the
// GDI region handles over it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/gdi/rectset.h"

namespace {

using pv::gdi::RectSet;

constexpr int kGrid = 12;
using Mask = std::vector<bool>;  // kGrid x kGrid pixels

Mask MaskOf(const RectSet& s) {
  Mask m(kGrid * kGrid, false);
  for (const RECT& r : s.rects)
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) m[y * kGrid + x] = true;
  return m;
}

bool Apply(bool a, bool b, int mode) {
  switch (mode) {
    case RGN_AND:
      return a && b;
    case RGN_OR:
      return a || b;
    case RGN_XOR:
      return a != b;
    case RGN_DIFF:
      return a && !b;
    default:
      return a;
  }
}

// The canonical form: bands top to bottom that do not overlap, spans in a
// band left to right that neither overlap nor touch, all of one band's
// rectangles sharing its rows, and adjacent bands never alike.
::testing::AssertionResult Canonical(const RectSet& s) {
  struct Band {
    int top, bottom;
    std::vector<std::pair<int, int>> spans;
  };
  std::vector<Band> bands;
  for (const RECT& r : s.rects) {
    if (r.left >= r.right || r.top >= r.bottom) return ::testing::AssertionFailure() << "empty rectangle";
    if (bands.empty() || bands.back().top != r.top) {
      if (!bands.empty() && (bands.back().bottom > r.top))
        return ::testing::AssertionFailure() << "bands overlap at y " << r.top;
      bands.push_back({r.top, r.bottom, {}});
    } else if (bands.back().bottom != r.bottom) {
      return ::testing::AssertionFailure() << "ragged band at y " << r.top;
    }
    auto& spans = bands.back().spans;
    if (!spans.empty() && spans.back().second >= r.left)
      return ::testing::AssertionFailure() << "spans touch at x " << r.left;
    spans.push_back({r.left, r.right});
  }
  for (size_t i = 1; i < bands.size(); ++i)
    if (bands[i - 1].bottom == bands[i].top && bands[i - 1].spans == bands[i].spans)
      return ::testing::AssertionFailure() << "unmerged bands at y " << bands[i].top;
  return ::testing::AssertionSuccess();
}

RectSet Rects(std::initializer_list<RECT> rs) {
  RectSet s;
  for (const RECT& r : rs) s = RectSet::Combine(s, RectSet::FromRect(r.left, r.top, r.right, r.bottom), RGN_OR);
  return s;
}

std::vector<RECT> List(const RectSet& s) { return s.rects; }

::testing::AssertionResult Same(const std::vector<RECT>& got, const std::vector<RECT>& want) {
  auto text = [](const std::vector<RECT>& v) {
    testing::Message m;
    for (const RECT& r : v) m << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
    return m.GetString();
  };
  bool same = got.size() == want.size();
  for (size_t i = 0; same && i < got.size(); ++i)
    same = got[i].left == want[i].left && got[i].top == want[i].top && got[i].right == want[i].right &&
           got[i].bottom == want[i].bottom;
  if (same) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << text(got) << ", want " << text(want);
}

TEST(RectSet, CombinedSetsHaveExactlyTheCombinedPixelsInCanonicalForm) {
  // Random sets of overlapping rectangles, combined every way: the pixels
  // must be those of the operation applied pixel by pixel.
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> coord(0, kGrid);
  auto randomSet = [&] {
    RectSet s;
    int n = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < n; ++i) {
      RectSet r = RectSet::FromRect(coord(rng), coord(rng), coord(rng), coord(rng));
      s = RectSet::Combine(s, r, (rng() % 3) ? RGN_OR : RGN_XOR);
    }
    return s;
  };
  for (int round = 0; round < 300; ++round) {
    RectSet a = randomSet(), b = randomSet();
    for (int mode : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY}) {
      SCOPED_TRACE(testing::Message() << "round " << round << " mode " << mode);
      RectSet c = RectSet::Combine(a, b, mode);
      Mask ma = MaskOf(a), mb = MaskOf(b), mc = MaskOf(c), want(kGrid * kGrid);
      for (size_t i = 0; i < want.size(); ++i) want[i] = Apply(ma[i], mb[i], mode);
      ASSERT_EQ(mc, want);
      ASSERT_TRUE(Canonical(c));
      EXPECT_EQ(c.Empty(), std::find(want.begin(), want.end(), true) == want.end());
    }
  }
}

TEST(RectSet, TheSameSetBuiltInAnyOrderHasTheSameRectangles) {
  // An L shape and a plain rectangle, each put together from pieces in
  // different orders and ways.
  const RectSet l1 = Rects({{0, 0, 4, 2}, {0, 2, 2, 6}});
  const RectSet l2 = Rects({{0, 4, 2, 6}, {2, 0, 4, 2}, {0, 0, 2, 4}});
  const RectSet l3 = RectSet::Combine(RectSet::FromRect(0, 0, 4, 6), RectSet::FromRect(2, 2, 4, 6), RGN_DIFF);
  EXPECT_TRUE(Same(List(l2), List(l1)));
  EXPECT_TRUE(Same(List(l3), List(l1)));
  EXPECT_TRUE(l1 == l2 && l2 == l3);
  EXPECT_EQ(l1.Complexity(), COMPLEXREGION);
  EXPECT_TRUE(Same(List(l1), std::vector<RECT>{{0, 0, 4, 2}, {0, 2, 2, 6}}));

  // Side by side and one above the other: one rectangle, so a simple region.
  struct Case {
    const char* name;
    RectSet set;
  };
  const Case simple[] = {
      {"left and right", Rects({{0, 0, 5, 3}, {5, 0, 9, 3}})},
      {"right then left", Rects({{5, 0, 9, 3}, {0, 0, 5, 3}})},
      {"top and bottom", Rects({{0, 0, 9, 1}, {0, 1, 9, 3}})},
      {"four quarters", Rects({{5, 1, 9, 3}, {0, 0, 5, 1}, {5, 0, 9, 1}, {0, 1, 5, 3}})},
      {"hole filled",
       RectSet::Combine(RectSet::Combine(RectSet::FromRect(0, 0, 9, 3), RectSet::FromRect(3, 1, 4, 2), RGN_XOR),
                        RectSet::FromRect(3, 1, 4, 2), RGN_OR)},
  };
  for (const Case& c : simple) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(Same(List(c.set), std::vector<RECT>{{0, 0, 9, 3}}));
    EXPECT_EQ(c.set.Complexity(), SIMPLEREGION);
  }
}

TEST(RectSet, RectanglesSpansAndQueries) {
  // Any two corners make the rectangle; no width or height makes nothing.
  EXPECT_TRUE(Same(List(RectSet::FromRect(7, 9, 2, 3)), std::vector<RECT>{{2, 3, 7, 9}}));
  EXPECT_TRUE(RectSet::FromRect(2, 3, 2, 9).Empty());
  EXPECT_EQ(RectSet::FromRect(2, 3, 7, 3).Complexity(), NULLREGION);

  // Spans in any order, overlapping or touching, become one span; equal
  // rows become one band.
  RectSet s = RectSet::FromSpans(10, {{{6, 8}, {0, 3}, {2, 4}}, {{0, 4}, {6, 7}, {7, 8}}, {}, {{1, 2}}});
  EXPECT_TRUE(Same(List(s), std::vector<RECT>{{0, 10, 4, 12}, {6, 10, 8, 12}, {1, 13, 2, 14}}));
  EXPECT_TRUE(Canonical(s));

  RECT box = s.Box();
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 10);
  EXPECT_EQ(box.right, 8);
  EXPECT_EQ(box.bottom, 14);
  RECT none = RectSet().Box();
  EXPECT_EQ(none.left | none.top | none.right | none.bottom, 0);

  // Right and bottom edges are outside.
  EXPECT_TRUE(s.Contains(0, 10));
  EXPECT_TRUE(s.Contains(3, 11));
  EXPECT_FALSE(s.Contains(4, 11));
  EXPECT_FALSE(s.Contains(1, 12));
  EXPECT_TRUE(s.Intersects(RECT{3, 11, 7, 13}));
  EXPECT_FALSE(s.Intersects(RECT{4, 10, 6, 13}));  // in the gap between the spans
  EXPECT_FALSE(s.Intersects(RECT{0, 12, 9, 13}));  // the empty row

  s.Offset(-1, 5);
  EXPECT_TRUE(Same(List(s), std::vector<RECT>{{-1, 15, 3, 17}, {5, 15, 7, 17}, {0, 18, 1, 19}}));
}

TEST(RectSet, RegionHandlesCarryTheSet) {
  const RectSet l = Rects({{0, 0, 4, 2}, {0, 2, 2, 6}});
  HRGN rgn = pv::gdi::CreateRegion(l);
  ASSERT_NE(rgn, nullptr);
  EXPECT_TRUE(pv::gdi::RegionSet(rgn) == l);
  RECT box;
  EXPECT_EQ(GetRgnBox(rgn, &box), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(rgn, 1, 5));
  EXPECT_FALSE(PtInRegion(rgn, 3, 5));
  DeleteObject(rgn);
  // A deleted or foreign handle has no pixels.
  EXPECT_TRUE(pv::gdi::RegionSet(rgn).Empty());
  EXPECT_TRUE(pv::gdi::RegionSet(reinterpret_cast<HRGN>(&box)).Empty());
}

}  // namespace
