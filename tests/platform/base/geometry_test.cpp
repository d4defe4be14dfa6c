#include "platform/base/geometry.h"

#include <gtest/gtest.h>

namespace {

RECT R(int l, int t, int r, int b) { return RECT{l, t, r, b}; }

::testing::AssertionResult Same(const RECT& got, const RECT& want) {
  if (EqualRect(&got, &want)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got (" << got.left << "," << got.top << "," << got.right << "," << got.bottom
                                       << ") want (" << want.left << "," << want.top << "," << want.right << ","
                                       << want.bottom << ")";
}

}  // namespace

TEST(RectFunctions, IntersectUnionSubtractTable) {
  struct Case {
    const char* what;
    RECT a, b;
    BOOL intersects;
    RECT intersection;
    BOOL unionNonEmpty;
    RECT unionRect;
    BOOL subtractNonEmpty;
    RECT difference;
  };
  const RECT empty = R(0, 0, 0, 0);
  const Case cases[] = {
      {"overlap", R(0, 0, 10, 10), R(5, 5, 15, 15), TRUE, R(5, 5, 10, 10), TRUE, R(0, 0, 15, 15), TRUE,
       R(0, 0, 10, 10)},
      {"touching edges do not intersect", R(0, 0, 10, 10), R(10, 0, 20, 10), FALSE, empty, TRUE, R(0, 0, 20, 10), TRUE,
       R(0, 0, 10, 10)},
      {"disjoint", R(0, 0, 5, 5), R(20, 20, 30, 30), FALSE, empty, TRUE, R(0, 0, 30, 30), TRUE, R(0, 0, 5, 5)},
      {"b empty: union ignores it", R(1, 2, 3, 4), R(50, 50, 50, 60), FALSE, empty, TRUE, R(1, 2, 3, 4), TRUE,
       R(1, 2, 3, 4)},
      {"a inverted counts as empty", R(10, 10, 0, 0), R(0, 0, 5, 5), FALSE, empty, TRUE, R(0, 0, 5, 5), FALSE, empty},
      {"both empty", R(0, 0, 0, 5), R(3, 3, 3, 3), FALSE, empty, FALSE, empty, FALSE, empty},
      {"b covers a", R(2, 2, 4, 4), R(0, 0, 10, 10), TRUE, R(2, 2, 4, 4), TRUE, R(0, 0, 10, 10), FALSE, empty},
      {"b cuts the left strip", R(0, 0, 10, 10), R(-5, -1, 3, 11), TRUE, R(0, 0, 3, 10), TRUE, R(-5, -1, 10, 11), TRUE,
       R(3, 0, 10, 10)},
      {"b cuts the right strip", R(0, 0, 10, 10), R(7, 0, 12, 10), TRUE, R(7, 0, 10, 10), TRUE, R(0, 0, 12, 10), TRUE,
       R(0, 0, 7, 10)},
      {"b cuts the top strip", R(0, 0, 10, 10), R(0, -3, 10, 4), TRUE, R(0, 0, 10, 4), TRUE, R(0, -3, 10, 10), TRUE,
       R(0, 4, 10, 10)},
      {"b cuts the bottom strip", R(0, 0, 10, 10), R(-1, 6, 11, 20), TRUE, R(0, 6, 10, 10), TRUE, R(-1, 0, 11, 20),
       TRUE, R(0, 0, 10, 6)},
      {"b in the middle leaves a whole", R(0, 0, 10, 10), R(3, 3, 6, 6), TRUE, R(3, 3, 6, 6), TRUE, R(0, 0, 10, 10),
       TRUE, R(0, 0, 10, 10)},
      {"b over a corner leaves a whole", R(0, 0, 10, 10), R(5, 5, 20, 20), TRUE, R(5, 5, 10, 10), TRUE, R(0, 0, 20, 20),
       TRUE, R(0, 0, 10, 10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RECT out = R(-9, -9, -9, -9);
    EXPECT_EQ(IntersectRect(&out, &c.a, &c.b), c.intersects);
    EXPECT_TRUE(Same(out, c.intersection));
    out = R(-9, -9, -9, -9);
    EXPECT_EQ(UnionRect(&out, &c.a, &c.b), c.unionNonEmpty);
    EXPECT_TRUE(Same(out, c.unionRect));
    out = R(-9, -9, -9, -9);
    EXPECT_EQ(SubtractRect(&out, &c.a, &c.b), c.subtractNonEmpty);
    EXPECT_TRUE(Same(out, c.difference));

    // The same through CRect, with the result written over an operand.
    CRect self(c.a);
    self &= c.b;
    EXPECT_TRUE(Same(self, c.intersection));
    self = c.a;
    self |= c.b;
    EXPECT_TRUE(Same(self, c.unionRect));
    EXPECT_TRUE(Same(CRect(c.a) & c.b, c.intersection));
    EXPECT_TRUE(Same(CRect(c.a) | c.b, c.unionRect));
  }
}

TEST(RectFunctions, PointsEmptinessAndNullArguments) {
  RECT rc = R(0, 0, 10, 5);
  struct PtCase {
    POINT pt;
    BOOL inside;
  };
  const PtCase pts[] = {{{0, 0}, TRUE}, {{9, 4}, TRUE}, {{10, 4}, FALSE}, {{9, 5}, FALSE}, {{-1, 2}, FALSE}};
  for (const PtCase& p : pts) {
    EXPECT_EQ(PtInRect(&rc, p.pt), p.inside) << p.pt.x << "," << p.pt.y;
    EXPECT_EQ(CRect(rc).PtInRect(p.pt), p.inside);
  }
  RECT zeroWidth = R(5, 0, 5, 10);
  EXPECT_TRUE(IsRectEmpty(&zeroWidth));
  EXPECT_FALSE(PtInRect(&zeroWidth, POINT{5, 5}));
  EXPECT_TRUE(IsRectEmpty(nullptr));

  EXPECT_FALSE(SetRect(nullptr, 1, 2, 3, 4));
  EXPECT_FALSE(CopyRect(&rc, nullptr));
  EXPECT_FALSE(EqualRect(&rc, nullptr));
  EXPECT_FALSE(IntersectRect(nullptr, &rc, &rc));
  EXPECT_TRUE(Same(rc, R(0, 0, 10, 5)));

  // Empty rectangles are equal only when their coordinates are.
  RECT e1 = R(0, 0, 0, 0), e2 = R(3, 3, 3, 3);
  EXPECT_FALSE(EqualRect(&e1, &e2));

  EXPECT_TRUE(OffsetRect(&rc, 2, -1));
  EXPECT_TRUE(Same(rc, R(2, -1, 12, 4)));
  EXPECT_TRUE(InflateRect(&rc, 1, 2));
  EXPECT_TRUE(Same(rc, R(1, -3, 13, 6)));
  EXPECT_TRUE(SetRectEmpty(&rc));
  EXPECT_TRUE(Same(rc, R(0, 0, 0, 0)));
}

TEST(CRect, MemberOperations) {
  CRect rc(10, 20, 110, 70);
  EXPECT_EQ(rc.Width(), 100);
  EXPECT_EQ(rc.Height(), 50);
  EXPECT_EQ(rc.Size(), CSize(100, 50));
  EXPECT_EQ(rc.CenterPoint(), CPoint(60, 45));
  EXPECT_EQ(CRect(-3, -3, 0, 0).CenterPoint(), CPoint(-1, -1));  // rounds toward zero
  EXPECT_EQ(rc.TopLeft(), CPoint(10, 20));
  EXPECT_EQ(rc.BottomRight(), CPoint(110, 70));

  // TopLeft/BottomRight are references into the rectangle.
  rc.TopLeft().Offset(1, 1);
  rc.BottomRight() = CPoint(200, 100);
  EXPECT_TRUE(Same(rc, R(11, 21, 200, 100)));

  struct Op {
    const char* what;
    void (*apply)(CRect&);
    RECT want;
  };
  const Op ops[] = {
      {"InflateRect(x,y)", [](CRect& r) { r.InflateRect(1, 2); }, R(-1, -2, 11, 12)},
      {"InflateRect(SIZE)", [](CRect& r) { r.InflateRect(CSize(3, 4)); }, R(-3, -4, 13, 14)},
      {"InflateRect(RECT*)",
       [](CRect& r) {
         RECT d = R(1, 2, 3, 4);
         r.InflateRect(&d);
       },
       R(-1, -2, 13, 14)},
      {"InflateRect(l,t,r,b)", [](CRect& r) { r.InflateRect(1, 2, 3, 4); }, R(-1, -2, 13, 14)},
      {"DeflateRect(x,y)", [](CRect& r) { r.DeflateRect(1, 2); }, R(1, 2, 9, 8)},
      {"DeflateRect(SIZE)", [](CRect& r) { r.DeflateRect(CSize(2, 1)); }, R(2, 1, 8, 9)},
      {"DeflateRect(RECT*)",
       [](CRect& r) {
         RECT d = R(1, 2, 3, 4);
         r.DeflateRect(&d);
       },
       R(1, 2, 7, 6)},
      {"DeflateRect(l,t,r,b)", [](CRect& r) { r.DeflateRect(1, 2, 3, 4); }, R(1, 2, 7, 6)},
      {"OffsetRect(x,y)", [](CRect& r) { r.OffsetRect(5, -5); }, R(5, -5, 15, 5)},
      {"OffsetRect(POINT)", [](CRect& r) { r.OffsetRect(CPoint(1, 1)); }, R(1, 1, 11, 11)},
      {"OffsetRect(SIZE)", [](CRect& r) { r.OffsetRect(CSize(-1, 2)); }, R(-1, 2, 9, 12)},
      {"MoveToX", [](CRect& r) { r.MoveToX(100); }, R(100, 0, 110, 10)},
      {"MoveToY", [](CRect& r) { r.MoveToY(-4); }, R(0, -4, 10, 6)},
      {"MoveToXY", [](CRect& r) { r.MoveToXY(CPoint(3, 4)); }, R(3, 4, 13, 14)},
      {"NormalizeRect",
       [](CRect& r) {
         r.SetRect(10, 8, 2, 1);
         r.NormalizeRect();
       },
       R(2, 1, 10, 8)},
      {"+= POINT", [](CRect& r) { r += CPoint(2, 3); }, R(2, 3, 12, 13)},
      {"-= SIZE", [](CRect& r) { r -= CSize(2, 3); }, R(-2, -3, 8, 7)},
      {"+= RECT*",
       [](CRect& r) {
         CRect d(1, 1, 1, 1);
         r += d;
       },
       R(-1, -1, 11, 11)},
      {"-= RECT*",
       [](CRect& r) {
         CRect d(1, 1, 1, 1);
         r -= d;
       },
       R(1, 1, 9, 9)},
      {"+ SIZE", [](CRect& r) { r = r + CSize(1, 1); }, R(1, 1, 11, 11)},
      {"- POINT", [](CRect& r) { r = r - CPoint(1, 1); }, R(-1, -1, 9, 9)},
      {"SetRectEmpty", [](CRect& r) { r.SetRectEmpty(); }, R(0, 0, 0, 0)},
  };
  for (const Op& op : ops) {
    CRect r(0, 0, 10, 10);
    op.apply(r);
    EXPECT_TRUE(Same(r, op.want)) << op.what;
  }

  CRect a(0, 0, 4, 4);
  EXPECT_TRUE(a == CRect(0, 0, 4, 4));
  EXPECT_TRUE(a != CRect(0, 0, 4, 5));
  EXPECT_TRUE(CRect().IsRectNull());
  EXPECT_TRUE(CRect(1, 1, 1, 1).IsRectEmpty());
  EXPECT_FALSE(CRect(1, 1, 1, 1).IsRectNull());
  LPRECT p = a;
  LPCRECT cp = a;
  EXPECT_EQ(p, static_cast<RECT*>(&a));
  EXPECT_EQ(cp, p);
  CRect b(CPoint(1, 2), CSize(3, 4));
  EXPECT_TRUE(Same(b, R(1, 2, 4, 6)));
  CRect sub;
  EXPECT_TRUE(sub.SubtractRect(CRect(0, 0, 10, 10), CRect(0, 0, 4, 10)));
  EXPECT_TRUE(Same(sub, R(4, 0, 10, 10)));
}

TEST(CPointAndCSize, Arithmetic) {
  CPoint p(3, 4);
  EXPECT_EQ(p + CSize(1, 1), CPoint(4, 5));
  EXPECT_EQ(p - CSize(1, 1), CPoint(2, 3));
  EXPECT_EQ(p - CPoint(1, 1), CSize(2, 3));
  EXPECT_EQ(p + CPoint(1, 1), CPoint(4, 5));
  EXPECT_EQ(-p, CPoint(-3, -4));
  p += CSize(1, 0);
  p -= CPoint(0, 1);
  EXPECT_EQ(p, CPoint(4, 3));
  EXPECT_TRUE(Same(p + CRect(0, 0, 1, 1), R(4, 3, 5, 4)));
  // Packed coordinates are signed 16-bit halves.
  EXPECT_EQ(CPoint(static_cast<LPARAM>(MAKELPARAM(-2, 7))), CPoint(-2, 7));
  EXPECT_EQ(CSize(static_cast<DWORD>(MAKELONG(5, -1))), CSize(5, -1));

  CSize s(10, 20);
  EXPECT_EQ(s + CSize(1, 2), CSize(11, 22));
  EXPECT_EQ(s - CSize(1, 2), CSize(9, 18));
  EXPECT_EQ(-s, CSize(-10, -20));
  EXPECT_EQ(s + CPoint(1, 1), CPoint(11, 21));
  EXPECT_EQ(s - CPoint(1, 1), CPoint(-9, -19));
  s += CSize(1, 1);
  s -= CSize(2, 2);
  EXPECT_EQ(s, CSize(9, 19));
  EXPECT_TRUE(Same(CSize(2, 2) + CRect(0, 0, 1, 1), R(2, 2, 3, 3)));
}
