// Paths built from tagged points, pens made from brushes, and graphics made
// with a second device.
#include <gtest/gtest.h>

#include "platform/gdi/gdiplus.h"
#include "tests/platform/gdi/canvas.h"

namespace {

struct GdiPlusSession {
  ULONG_PTR token = 0;
  GdiPlusSession() {
    GdiplusStartupInput in;
    GdiplusStartup(&token, &in, nullptr);
  }
  ~GdiPlusSession() { GdiplusShutdown(token); }
};

TEST(GdiPlusPaths, TaggedPointsMakeFiguresCurvesAndClosures) {
  GdiPlusSession session;
  Canvas c(20, 20);
  GpGraphics* g = nullptr;
  ASSERT_EQ(GdipCreateFromHDC2(c.dc, nullptr, &g), Ok);
  GdipSetPixelOffsetMode(g, PixelOffsetModeHalf);
  GpSolidFill* red = nullptr;
  GdipCreateSolidFill(0xFFFF0000u, &red);
  // A closed square: start, three lines, the last one closing the figure.
  const GpPointF square[] = {{2, 2}, {8, 2}, {8, 8}, {2, 8}};
  const BYTE squareTypes[] = {0, 1, 1, 1 | 0x80};
  GpPath* path = nullptr;
  ASSERT_EQ(GdipCreatePath2(square, squareTypes, 4, FillModeAlternate, &path), Ok);
  GdipFillPath(g, red, path);
  GdipDeletePath(path);
  EXPECT_EQ(c.Count(0xFF0000), 36);
  // A curve (three points) whose end point carries the closing flag.
  const GpPointF curve[] = {{10, 10}, {18, 10}, {18, 18}, {10, 18}};
  const BYTE curveTypes[] = {0, 3, 3, 3 | 0x80};
  ASSERT_EQ(GdipCreatePath2(curve, curveTypes, 4, FillModeAlternate, &path), Ok);
  GdipFillPath(g, red, path);
  GdipDeletePath(path);
  EXPECT_EQ(c.At(14, 15), 0xFF0000u) << "inside the closed curve";
  EXPECT_EQ(c.At(17, 14), 0xFFFFFFu) << "outside the bulge";
  EXPECT_EQ(GdipCreatePath2(nullptr, curveTypes, 4, FillModeAlternate, &path), InvalidParameter);
  GdipDeleteBrush(red);
  GdipDeleteGraphics(g);
}

TEST(GdiPlusPaths, APenMadeFromAGradientStrokesWithIt) {
  GdiPlusSession session;
  Canvas c(21, 3);
  GpGraphics* g = nullptr;
  ASSERT_EQ(GdipCreateFromHDC(c.dc, &g), Ok);
  GpPointF a{0, 0}, b{21, 0};
  GpLineGradient* gradient = nullptr;
  ASSERT_EQ(GdipCreateLineBrush(&a, &b, 0xFF000000u, 0xFF0000FFu, WrapModeTileFlipXY, &gradient), Ok);
  GpPen* pen = nullptr;
  ASSERT_EQ(GdipCreatePen2(gradient, 1, UnitWorld, &pen), Ok);
  GdipDeleteBrush(gradient);  // the pen keeps its own copy
  GdipDrawLineI(g, pen, 0, 1, 21, 1);
  EXPECT_LT(c.At(0, 1) & 0xFF, 0x20u) << "dark at the start";
  EXPECT_GT(c.At(20, 1) & 0xFF, 0xD0u) << "blue at the end";
  EXPECT_EQ(c.At(20, 1) & 0xFFFF00, 0u);
  GdipDeletePen(pen);
  GdipDeleteGraphics(g);
}

}  // namespace
