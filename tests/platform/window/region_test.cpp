// The window manager's rectangle sets: GDI's canonical form, and the window
// calls' rule that an empty or inverted rectangle is no pixels.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/gdi/rectset.h"
#include "platform/window/wm_internal.h"

namespace {

using pv::wm::Region;

bool Equal(const std::vector<RECT>& a, const std::vector<RECT>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].left != b[i].left || a[i].top != b[i].top || a[i].right != b[i].right || a[i].bottom != b[i].bottom)
      return false;
  return true;
}

TEST(WmRegion, PiecesOfOneRectangleAreOneRectangle) {
  // Update regions gathered from several invalidations, in any order.
  struct Case {
    const char* name;
    std::vector<RECT> add;
    std::vector<RECT> subtract;
  };
  const Case cases[] = {
      {"side by side", {{0, 0, 50, 20}, {50, 0, 100, 20}}, {}},
      {"overlapping", {{0, 0, 60, 20}, {40, 0, 100, 20}, {10, 5, 20, 10}}, {}},
      {"stacked in reverse", {{0, 10, 100, 20}, {0, 0, 100, 10}}, {}},
      {"hole cut and filled", {{0, 0, 100, 20}, {30, 5, 40, 15}}, {}},
      {"trimmed", {{0, 0, 100, 40}}, {{0, 20, 100, 40}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Region r;
    for (const RECT& a : c.add) r.Add(a);
    for (const RECT& s : c.subtract) r.Subtract(s);
    EXPECT_TRUE(Equal(r.Rects(), {{0, 0, 100, 20}}));
    EXPECT_EQ(r.Complexity(), SIMPLEREGION);
  }
  // Built two ways, an L shape has the same rectangles.
  Region a, b;
  a.Add(RECT{0, 0, 40, 10});
  a.Add(RECT{0, 10, 10, 30});
  b.Add(RECT{0, 0, 40, 30});
  b.Subtract(RECT{10, 10, 40, 30});
  EXPECT_TRUE(Equal(a.Rects(), b.Rects()));
  EXPECT_TRUE(Equal(a.Rects(), {{0, 0, 40, 10}, {0, 10, 10, 30}}));
  EXPECT_EQ(a.Complexity(), COMPLEXREGION);
}

TEST(WmRegion, EmptyOrInvertedRectanglesAreNoPixels) {
  // GDI's CreateRectRgn swaps the corners of an inverted rectangle; the
  // window calls take it as nothing.
  Region r(RECT{0, 0, 10, 10});
  r.Add(RECT{30, 30, 20, 20});
  r.Subtract(RECT{8, 8, 2, 2});
  EXPECT_TRUE(Equal(r.Rects(), {{0, 0, 10, 10}}));
  r.Intersect(RECT{8, 8, 2, 2});
  EXPECT_TRUE(r.Empty());
  EXPECT_TRUE(Region(RECT{5, 5, 5, 9}).Empty());
}

TEST(WmRegion, GdiRegionsCarryTheSetBothWays) {
  Region r;
  r.Add(RECT{0, 0, 40, 10});
  r.Add(RECT{0, 10, 10, 30});
  HRGN rgn = r.ToHrgn(5, -5);
  ASSERT_NE(rgn, nullptr);
  RECT box;
  EXPECT_EQ(GetRgnBox(rgn, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 5);
  EXPECT_EQ(box.top, -5);
  EXPECT_EQ(box.right, 45);
  EXPECT_EQ(box.bottom, 25);
  Region back = Region::FromHrgn(rgn);
  back.Offset(-5, 5);
  EXPECT_TRUE(Equal(back.Rects(), r.Rects()));
  DeleteObject(rgn);
  EXPECT_TRUE(Region::FromHrgn(nullptr).Empty());
  HRGN empty = Region().ToHrgn();
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
  DeleteObject(empty);
}

TEST(WmRegion, ShortCutsGiveTheSetsOfTheGeneralMerge) {
  // Every operation, on sets of one rectangle, of several and empty ones,
  // with rectangles inside, around, across, apart, empty and inverted, gives
  // the same canonical rectangles as GDI's general merge of the two sets.
  using pv::gdi::RectSet;
  auto setOf = [](const RECT& r) {
    return pv::wm::RectEmpty(r) ? RectSet() : RectSet::FromRect(r.left, r.top, r.right, r.bottom);
  };
  std::mt19937 random(20);
  std::uniform_int_distribution<int> coordinate(0, 12), operation(0, 5);
  for (int round = 0; round < 4000; ++round) {
    Region region;
    RectSet model;
    for (int step = 0; step < 6; ++step) {
      const RECT r{coordinate(random), coordinate(random), coordinate(random), coordinate(random)};
      Region other(r);
      const int op = operation(random);
      if (op == 5) other.Add(RECT{coordinate(random), coordinate(random), coordinate(random), coordinate(random)});
      switch (op) {
        case 0:
          region.Add(r);
          model = RectSet::Combine(model, setOf(r), RGN_OR);
          break;
        case 1:
          region.Subtract(r);
          model = RectSet::Combine(model, setOf(r), RGN_DIFF);
          break;
        case 2:
          region.Intersect(r);
          model = RectSet::Combine(model, setOf(r), RGN_AND);
          break;
        case 3:
          region.Add(other);
          model = RectSet::Combine(model, setOf(r), RGN_OR);
          break;
        case 4:
          region.Intersect(other);
          model = RectSet::Combine(model, setOf(r), RGN_AND);
          break;
        default: {
          RectSet two;
          for (const RECT& piece : other.Rects()) two = RectSet::Combine(two, setOf(piece), RGN_OR);
          if (step % 2) {
            region.Intersect(other);
            model = RectSet::Combine(model, two, RGN_AND);
          } else {
            region.Subtract(other);
            model = RectSet::Combine(model, two, RGN_DIFF);
          }
        }
      }
      ASSERT_TRUE(Equal(region.Rects(), model.rects)) << "round " << round << " step " << step << " op " << op;
    }
  }
}

}  // namespace
