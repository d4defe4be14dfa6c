// Exact-pixel rules of the GDI layer: fills, lines, shapes, raster
// operations, blits, alpha blending, gradients, regions and mirroring.
#include <cmath>
#include <vector>

#include "tests/platform/gdi/canvas.h"

namespace {

constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;

TEST(GdiFill, RectanglesAreExclusiveOfRightAndBottom) {
  Canvas c(6, 5);
  RECT r{1, 1, 4, 3};
  FillRect(c.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Map(kBlack), Rows({"......", ".###..", ".###..", "......", "......"}));
  // Empty and inverted rectangles draw nothing.
  Canvas d(4, 4);
  for (RECT e : {RECT{2, 2, 2, 4}, RECT{3, 1, 1, 3}})
    FillRect(d.dc, &e, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(d.Count(kBlack), 0);
}

TEST(GdiFill, RectangleWithPenAndWithNullPen) {
  Canvas c(6, 6);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  SelectObject(c.dc, red);
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  Rectangle(c.dc, 0, 0, 5, 4);
  EXPECT_EQ(c.Map(kBlack), Rows({"#####.", "#...#.", "#...#.", "#####.", "......", "......"}));
  EXPECT_EQ(c.Map(kRed), Rows({"......", ".###..", ".###..", "......", "......", "......"}));
  // Without a pen the filled area loses its last column and row.
  Canvas d(6, 6);
  SelectObject(d.dc, red);
  SelectObject(d.dc, GetStockObject(NULL_PEN));
  Rectangle(d.dc, 1, 1, 5, 4);
  EXPECT_EQ(d.Map(kRed), Rows({"......", ".###..", ".###..", "......", "......", "......"}));
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  SelectObject(d.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
}

TEST(GdiLines, EndPointIsExcluded) {
  struct Case {
    POINT a, b;
    std::string map;
  } cases[] = {
      {{0, 1}, {4, 1}, Rows({".....", "####.", ".....", ".....", "....."})},
      {{1, 0}, {1, 4}, Rows({".#...", ".#...", ".#...", ".#...", "....."})},
      {{0, 0}, {4, 4}, Rows({"#....", ".#...", "..#..", "...#.", "....."})},
      {{4, 4}, {0, 0}, Rows({".....", ".#...", "..#..", "...#.", "....#"})},
      {{0, 0}, {4, 2}, Rows({"##...", "..##.", ".....", ".....", "....."})},
      {{2, 2}, {2, 2}, Rows({".....", ".....", ".....", ".....", "....."})},
  };
  for (const Case& k : cases) {
    Canvas c(5, 5);
    MoveToEx(c.dc, k.a.x, k.a.y, nullptr);
    LineTo(c.dc, k.b.x, k.b.y);
    EXPECT_EQ(c.Map(kBlack), k.map) << k.a.x << "," << k.a.y << " -> " << k.b.x << "," << k.b.y;
    POINT cur;
    GetCurrentPositionEx(c.dc, &cur);
    EXPECT_EQ(cur.x, k.b.x);
    EXPECT_EQ(cur.y, k.b.y);
  }
}

TEST(GdiLines, StyledPenDotsAndGapsInBackgroundColour) {
  Canvas c(12, 1);
  HPEN dot = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(c.dc, dot);
  SetBkColor(c.dc, RGB(255, 0, 0));
  SetBkMode(c.dc, OPAQUE);
  MoveToEx(c.dc, 0, 0, nullptr);
  LineTo(c.dc, 12, 0);
  EXPECT_EQ(c.Map(kBlack), "###...###...\n");
  EXPECT_EQ(c.Map(kRed), "...###...###\n");
  c.Fill(RGB(255, 255, 255));
  SetBkMode(c.dc, TRANSPARENT);
  MoveToEx(c.dc, 0, 0, nullptr);
  LineTo(c.dc, 12, 0);
  EXPECT_EQ(c.Map(kWhite), "...###...###\n");
  SelectObject(c.dc, old);
  DeleteObject(dot);
}

TEST(GdiRop, BinaryRasterOperationsTruthTable) {
  // Pen 0xF0F0F0-ish bits against destination bits, per R2 code.
  const uint32_t pen = 0x00CC55, dst = 0x0F33AA;  // as 0xRRGGBB
  struct Case {
    int rop;
    uint32_t expect;
  } cases[] = {
      {R2_BLACK, 0},
      {R2_WHITE, 0xFFFFFF},
      {R2_COPYPEN, pen},
      {R2_NOTCOPYPEN, ~pen & 0xFFFFFF},
      {R2_NOP, dst},
      {R2_NOT, ~dst & 0xFFFFFF},
      {R2_XORPEN, pen ^ dst},
      {R2_NOTXORPEN, ~(pen ^ dst) & 0xFFFFFF},
      {R2_MASKPEN, pen & dst},
      {R2_MERGEPEN, pen | dst},
      {R2_MASKPENNOT, pen & ~dst & 0xFFFFFF},
      {R2_MERGENOTPEN, (~pen | dst) & 0xFFFFFF},
      {R2_NOTMASKPEN, ~(pen & dst) & 0xFFFFFF},
      {R2_NOTMERGEPEN, ~(pen | dst) & 0xFFFFFF},
      {R2_MASKNOTPEN, ~pen & dst & 0xFFFFFF},
      {R2_MERGEPENNOT, (pen | ~dst) & 0xFFFFFF},
  };
  for (const Case& k : cases) {
    Canvas c(3, 1, RGB(0x0F, 0x33, 0xAA));
    HPEN p = CreatePen(PS_SOLID, 1, RGB(0x00, 0xCC, 0x55));
    HGDIOBJ old = SelectObject(c.dc, p);
    SetROP2(c.dc, k.rop);
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 2, 0);
    EXPECT_EQ(c.At(0, 0), k.expect) << "R2 " << k.rop;
    EXPECT_EQ(c.At(2, 0), dst) << "end point untouched, R2 " << k.rop;
    SelectObject(c.dc, old);
    DeleteObject(p);
  }
}

TEST(GdiRop, TernaryBlitOperationsTruthTable) {
  const uint32_t s = 0x33CC0F, d = 0x5555F0, p = 0x0FF0AA;
  struct Case {
    DWORD rop;
    uint32_t expect;
  } cases[] = {
      {SRCCOPY, s},
      {SRCAND, s & d},
      {SRCPAINT, s | d},
      {SRCINVERT, s ^ d},
      {SRCERASE, s & ~d & 0xFFFFFF},
      {NOTSRCCOPY, ~s & 0xFFFFFF},
      {NOTSRCERASE, ~(s | d) & 0xFFFFFF},
      {MERGECOPY, p & s},
      {MERGEPAINT, (~s | d) & 0xFFFFFF},
      {PATCOPY, p},
      {PATPAINT, (p | ~s | d) & 0xFFFFFF},
      {PATINVERT, p ^ d},
      {DSTINVERT, ~d & 0xFFFFFF},
      {BLACKNESS, 0},
      {WHITENESS, 0xFFFFFF},
      {0x00B8074Au, (p ^ (s & (d ^ p))) & 0xFFFFFF},  // PSDPxax: source selects destination or pattern
      {0x00E20746u, (((p ^ d) & s) ^ d) & 0xFFFFFF},  // DSPDxax
  };
  for (const Case& k : cases) {
    Canvas src(2, 2, RGB(0x33, 0xCC, 0x0F));
    Canvas dst(2, 2, RGB(0x55, 0x55, 0xF0));
    HBRUSH br = CreateSolidBrush(RGB(0x0F, 0xF0, 0xAA));
    HGDIOBJ old = SelectObject(dst.dc, br);
    BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, k.rop);
    EXPECT_EQ(dst.At(0, 0), k.expect) << std::hex << "rop " << k.rop;
    EXPECT_EQ(dst.At(1, 1), d) << "outside the blit";
    SelectObject(dst.dc, old);
    DeleteObject(br);
  }
}

TEST(GdiBlit, MonochromeConversionsUseTextAndBackgroundColours) {
  // Colour → mono: the source background colour becomes white (1), the rest black.
  Canvas src(2, 1, RGB(255, 0, 0));
  SetPixel(src.dc, 1, 0, RGB(0, 255, 0));
  SetBkColor(src.dc, RGB(255, 0, 0));
  HBITMAP mono = CreateBitmap(2, 1, 1, 1, nullptr);
  HDC mdc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mdc, mono);
  BitBlt(mdc, 0, 0, 2, 1, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(mdc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(mdc, 1, 0), RGB(0, 0, 0));
  // Mono → colour: 0 bits take the text colour, 1 bits the background colour.
  Canvas dst(2, 1);
  SetTextColor(dst.dc, RGB(0, 0, 255));
  SetBkColor(dst.dc, RGB(255, 255, 0));
  BitBlt(dst.dc, 0, 0, 2, 1, mdc, 0, 0, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), 0xFFFF00u);
  EXPECT_EQ(dst.At(1, 0), kBlue);
  SelectObject(mdc, old);
  DeleteDC(mdc);
  DeleteObject(mono);
}

TEST(GdiBlit, MaskBltChoosesTheOperationPerMaskBit) {
  Canvas src(4, 1, RGB(255, 0, 0)), dst(4, 1, RGB(0, 0, 255));
  HBITMAP mask = CreateBitmap(4, 1, 1, 1, nullptr);
  const uint8_t bits[2] = {0xA0, 0};  // 1010: pixels 0 and 2 set
  SetBitmapBits(mask, 2, bits);
  // Set bits copy the source; clear bits keep the destination (D = 0xAA).
  ASSERT_TRUE(MaskBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, mask, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029u)));
  EXPECT_EQ(dst.Map(kRed), "#.#.\n");
  EXPECT_EQ(dst.Map(kBlue), ".#.#\n");
  uint8_t back[2] = {};
  EXPECT_EQ(GetBitmapBits(mask, 2, back), 2);
  EXPECT_EQ(back[0], 0xA0);
  DeleteObject(mask);
}

TEST(GdiBlit, PlainCopiesMoveEveryPixelOnceAndLeaveTheRestAlone) {
  // SRCCOPY from a source whose pixels all differ, against a model: inside
  // the destination rectangle and the clip, a pixel takes its source pixel
  // when that lies inside the source bitmap and is left alone otherwise.
  struct Case {
    const char* name;
    int x, y, w, h, xs, ys;
    bool self;  // within one bitmap, overlapping
    bool clip;  // through an L-shaped clip region
  };
  const Case cases[] = {
      {"inside", 2, 3, 6, 4, 1, 1, false, false},
      {"source off the left and top", 0, 0, 8, 7, -3, -2, false, false},
      {"source off the right and bottom", 4, 4, 9, 9, 7, 5, false, false},
      {"destination off every side", -2, -3, 16, 14, 0, 0, false, false},
      {"clipped", 1, 1, 10, 8, 0, 0, false, true},
      {"overlapping right and down", 3, 2, 8, 6, 1, 1, true, false},
      {"overlapping left and up", 0, 0, 9, 7, 2, 3, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Canvas source(10, 9), target(12, 10);
    for (int y = 0; y < source.h; ++y)
      for (int x = 0; x < source.w; ++x) source.bits[y * source.w + x] = 0xFF000000u | (0x10000u * (y + 1) + x + 1);
    for (int y = 0; y < target.h; ++y)
      for (int x = 0; x < target.w; ++x) target.bits[y * target.w + x] = 0xFF000000u | (0x800000u + 0x100u * y + x);
    Canvas& into = c.self ? source : target;
    const std::vector<uint32_t> from(source.bits, source.bits + source.w * source.h);
    std::vector<uint32_t> want(into.bits, into.bits + into.w * into.h);
    auto clipped = [&](int x, int y) { return c.clip && !((y < 4 && x < 9) || (x < 3)); };
    for (int y = std::max(c.y, 0); y < std::min(c.y + c.h, into.h); ++y)
      for (int x = std::max(c.x, 0); x < std::min(c.x + c.w, into.w); ++x) {
        const int sx = x - c.x + c.xs, sy = y - c.y + c.ys;
        if (clipped(x, y) || sx < 0 || sy < 0 || sx >= source.w || sy >= source.h) continue;
        want[y * into.w + x] = from[sy * source.w + sx];
      }
    if (c.clip) {
      HRGN l = CreateRectRgn(0, 0, 9, 4), bar = CreateRectRgn(0, 0, 3, 100);
      CombineRgn(l, l, bar, RGN_OR);
      SelectClipRgn(into.dc, l);
      DeleteObject(l);
      DeleteObject(bar);
    }
    ASSERT_TRUE(BitBlt(into.dc, c.x, c.y, c.w, c.h, source.dc, c.xs, c.ys, SRCCOPY));
    SelectClipRgn(into.dc, nullptr);
    for (int i = 0; i < into.w * into.h; ++i)
      ASSERT_EQ(into.bits[i], want[i]) << "pixel " << i % into.w << "," << i / into.w;
  }
}

TEST(GdiBlit, StretchAndMirrorByNegativeExtent) {
  Canvas src(2, 1);
  SetPixel(src.dc, 0, 0, RGB(255, 0, 0));
  SetPixel(src.dc, 1, 0, RGB(0, 0, 255));
  Canvas dst(4, 2);
  StretchBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), kRed);
  EXPECT_EQ(dst.At(1, 0), kRed);
  EXPECT_EQ(dst.At(2, 0), kBlue);
  EXPECT_EQ(dst.At(3, 0), kBlue);
  // A negative destination width mirrors; the start point is the first pixel.
  StretchBlt(dst.dc, 3, 1, -4, 1, src.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dst.At(0, 1), kBlue);
  EXPECT_EQ(dst.At(3, 1), kRed);
}

TEST(GdiAlpha, AlphaBlendMatchesThePremultipliedFormula) {
  auto mul = [](uint32_t a, uint32_t b) { return (a * b + 127) / 255; };
  struct Case {
    uint32_t src;  // premultiplied 0xAARRGGBB
    BYTE constant;
    bool perPixel;
  } cases[] = {
      {0x80400020u, 255, true}, {0x80400020u, 128, true}, {0xFF102030u, 200, true},
      {0x00000000u, 255, true}, {0xFF804020u, 64, false}, {0x40202020u, 255, false},
  };
  for (const Case& k : cases) {
    Canvas src(1, 1), dst(1, 1, RGB(0x10, 0x90, 0xF0));
    src.bits[0] = k.src;
    GdiMarkDirty(src.bmp);
    BLENDFUNCTION bf{AC_SRC_OVER, 0, k.constant, static_cast<BYTE>(k.perPixel ? AC_SRC_ALPHA : 0)};
    ASSERT_TRUE(AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1, bf));
    uint32_t d = 0xFF1090F0u, expect = 0;
    for (int sh = 0; sh < 32; sh += 8) {
      uint32_t sc = (k.src >> sh) & 0xFF, dc = (d >> sh) & 0xFF, v;
      if (k.perPixel) v = mul(sc, k.constant) + mul(dc, 255 - mul(k.src >> 24, k.constant));
      else v = mul(sh == 24 ? 255 : sc, k.constant) + mul(dc, 255 - k.constant);
      expect |= std::min<uint32_t>(v, 255) << sh;
    }
    EXPECT_EQ(dst.Raw(0, 0), expect) << std::hex << k.src << " k=" << int(k.constant);
  }
  // Hand-checked value: half-transparent red over white gives pink.
  Canvas src(1, 1), dst(1, 1);
  src.bits[0] = 0x80800000u;
  GdiMarkDirty(src.bmp);
  AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
  EXPECT_EQ(dst.Raw(0, 0), 0xFFFF7F7Fu);
  // Bad requests fail: negative sizes, a source outside its bitmap.
  EXPECT_FALSE(AlphaBlend(dst.dc, 0, 0, -1, 1, src.dc, 0, 0, 1, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 255, 0}));
  EXPECT_FALSE(AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 2, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 255, 0}));
}

TEST(GdiAlpha, TransparentBltSkipsTheKeyColour) {
  Canvas src(3, 1, RGB(255, 0, 255));
  SetPixel(src.dc, 1, 0, RGB(0, 0, 255));
  Canvas dst(6, 1, RGB(0, 0, 0));
  ASSERT_TRUE(TransparentBlt(dst.dc, 0, 0, 6, 1, src.dc, 0, 0, 3, 1, RGB(255, 0, 255)));
  EXPECT_EQ(dst.Map(kBlue), "..##..\n");
  EXPECT_EQ(dst.Count(kBlack), 4);
}

TEST(GdiGradient, EndPixelsCarryTheVertexColours) {
  for (ULONG mode : {GRADIENT_FILL_RECT_H, GRADIENT_FILL_RECT_V}) {
    Canvas c(10, 10);
    TRIVERTEX v[2] = {{1, 2, 0xFF00, 0x0000, 0x0000, 0}, {9, 8, 0x0000, 0x0000, 0xFF00, 0}};
    GRADIENT_RECT gr{0, 1};
    ASSERT_TRUE(GradientFill(c.dc, v, 2, &gr, 1, mode));
    EXPECT_EQ(c.At(1, 2), kRed);
    EXPECT_EQ(c.At(8, 7), kBlue);
    EXPECT_EQ(c.At(9, 8), kWhite) << "right/bottom exclusive";
    EXPECT_EQ(c.At(0, 2), kWhite);
    // Monotonic in between.
    uint32_t mid = mode == GRADIENT_FILL_RECT_H ? c.At(5, 5) : c.At(5, 5);
    EXPECT_GT(mid & 0xFF, 0u);
    EXPECT_GT(mid >> 16, 0u);
  }
  Canvas c(3, 3);
  TRIVERTEX bad[1] = {{0, 0, 0, 0, 0, 0}};
  GRADIENT_RECT gr{0, 5};
  EXPECT_FALSE(GradientFill(c.dc, bad, 1, &gr, 1, GRADIENT_FILL_RECT_H)) << "vertex index out of range";
}

TEST(GdiRegion, CombineModesTable) {
  // Two overlapping 4x4 squares; counts of pixels inside each result.
  struct Case {
    int mode;
    int result;
    int area;
    POINT in, out;
  } cases[] = {
      {RGN_AND, SIMPLEREGION, 4, {3, 3}, {1, 1}},   {RGN_OR, COMPLEXREGION, 28, {1, 1}, {0, 5}},
      {RGN_XOR, COMPLEXREGION, 24, {1, 1}, {3, 3}}, {RGN_DIFF, COMPLEXREGION, 12, {1, 1}, {4, 4}},
      {RGN_COPY, SIMPLEREGION, 16, {0, 0}, {4, 4}},
  };
  for (const Case& k : cases) {
    HRGN a = CreateRectRgn(0, 0, 4, 4), b = CreateRectRgn(2, 2, 6, 6), r = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(r, a, b, k.mode), k.result) << k.mode;
    int area = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) area += PtInRegion(r, x, y);
    EXPECT_EQ(area, k.area) << k.mode;
    EXPECT_TRUE(PtInRegion(r, k.in.x, k.in.y)) << k.mode;
    EXPECT_FALSE(PtInRegion(r, k.out.x, k.out.y)) << k.mode;
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(r);
  }
  // Equality is by area, whatever order the pieces were added in.
  HRGN x = CreateRectRgn(0, 0, 2, 4), y = CreateRectRgn(2, 0, 4, 4), z = CreateRectRgn(0, 0, 0, 0),
       w = CreateRectRgn(0, 0, 4, 4);
  CombineRgn(z, y, x, RGN_OR);
  EXPECT_TRUE(EqualRgn(z, w));
  RECT box;
  EXPECT_EQ(GetRgnBox(z, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 4);
  // Bad handles and modes fail cleanly.
  EXPECT_EQ(CombineRgn(z, x, nullptr, RGN_OR), ERROR);
  EXPECT_EQ(CombineRgn(z, x, y, 99), ERROR);
  for (HRGN h : {x, y, z, w}) DeleteObject(h);
}

TEST(GdiRegion, DataRoundTripAndClipping) {
  HRGN a = CreateRectRgn(0, 0, 3, 2), b = CreateRectRgn(5, 1, 7, 4), u = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(u, a, b, RGN_OR);
  DWORD n = GetRegionData(u, 0, nullptr);
  std::vector<char> buf(n);
  ASSERT_EQ(GetRegionData(u, n, reinterpret_cast<RGNDATA*>(buf.data())), n);
  HRGN copy = ExtCreateRegion(nullptr, n, reinterpret_cast<RGNDATA*>(buf.data()));
  EXPECT_TRUE(EqualRgn(copy, u));
  // Truncated data is refused.
  EXPECT_EQ(ExtCreateRegion(nullptr, n - 4, reinterpret_cast<RGNDATA*>(buf.data())), nullptr);
  // Drawing through the region as the clip.
  Canvas c(8, 5);
  SelectClipRgn(c.dc, u);
  c.Fill(RGB(0, 0, 0));
  EXPECT_EQ(c.Map(kBlack), Rows({"###.....", "###..##.", ".....##.", ".....##.", "........"}));
  ExcludeClipRect(c.dc, 0, 0, 1, 8);
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(box.right, 7);
  SelectClipRgn(c.dc, nullptr);
  EXPECT_EQ(GetClipBox(c.dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 8);
  for (HRGN h : {a, b, u, copy}) DeleteObject(h);
}

TEST(GdiRegion, EllipseAndPolygonShapes) {
  HRGN e = CreateEllipticRgn(0, 0, 8, 8);
  EXPECT_TRUE(PtInRegion(e, 4, 4));
  EXPECT_FALSE(PtInRegion(e, 0, 0));
  EXPECT_FALSE(PtInRegion(e, 7, 7));
  EXPECT_FALSE(PtInRegion(e, 8, 4)) << "right edge exclusive";
  POINT tri[3] = {{0, 0}, {6, 0}, {0, 6}};
  HRGN p = CreatePolygonRgn(tri, 3, ALTERNATE);
  RECT box;
  GetRgnBox(p, &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_LE(box.right, 6);
  EXPECT_TRUE(PtInRegion(p, 1, 1));
  EXPECT_FALSE(PtInRegion(p, 4, 4));
  DeleteObject(e);
  DeleteObject(p);
}

TEST(GdiMapping, ViewportWindowAndRightToLeftLayout) {
  Canvas c(10, 4);
  SetViewportOrgEx(c.dc, 2, 1, nullptr);
  RECT r{0, 0, 2, 1};
  FillRect(c.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.At(2, 1), kBlack);
  EXPECT_EQ(c.At(1, 1), kWhite);
  POINT p{0, 0};
  LPtoDP(c.dc, &p, 1);
  EXPECT_EQ(p.x, 2);
  EXPECT_EQ(p.y, 1);
  SetViewportOrgEx(c.dc, 0, 0, nullptr);
  // Mirrored: logical [0,3) lands on device [7,10).
  Canvas m(10, 1);
  SetLayout(m.dc, LAYOUT_RTL);
  RECT q{0, 0, 3, 1};
  FillRect(m.dc, &q, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(m.Map(kBlack), ".......###\n");
  SetPixel(m.dc, 0, 0, RGB(255, 0, 0));
  EXPECT_EQ(m.At(9, 0), kRed);
  MoveToEx(m.dc, 4, 0, nullptr);
  LineTo(m.dc, 6, 0);
  EXPECT_EQ(m.Map(kBlack), "....##.##.\n");
  // Anisotropic scaling doubles logical units.
  Canvas s(8, 8);
  SetMapMode(s.dc, MM_ANISOTROPIC);
  SetWindowExtEx(s.dc, 1, 1, nullptr);
  SetViewportExtEx(s.dc, 2, 2, nullptr);
  RECT u{1, 1, 2, 2};
  FillRect(s.dc, &u, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(s.Count(kBlack), 4);
  EXPECT_EQ(s.At(2, 2), kBlack);
  EXPECT_EQ(s.At(3, 3), kBlack);
  // HIMETRIC: 2540 units are one inch = 96 pixels, y grows upwards.
  SetMapMode(s.dc, MM_HIMETRIC);
  POINT h{2540, -2540};
  LPtoDP(s.dc, &h, 1);
  EXPECT_EQ(h.x, 96);
  EXPECT_EQ(h.y, 96);
}

TEST(GdiMapping, MirroredDCsMirrorBitmapsUnlessPreserved) {
  Canvas src(2, 1);
  SetPixel(src.dc, 0, 0, RGB(255, 0, 0));
  SetPixel(src.dc, 1, 0, RGB(0, 0, 255));
  struct Case {
    DWORD layout;
    const char* reds;  // where the red pixel lands
  } cases[] = {
      {0, "#.....\n"},
      {LAYOUT_RTL, ".....#\n"},                                      // logical 0..1 -> device 4..5, image flipped
      {LAYOUT_RTL | LAYOUT_BITMAPORIENTATIONPRESERVED, "....#.\n"},  // placed mirrored, image kept
  };
  for (const Case& k : cases) {
    Canvas dst(6, 1);
    SetLayout(dst.dc, k.layout);
    EXPECT_EQ(GetLayout(dst.dc), k.layout);
    BitBlt(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.Map(kRed), k.reds) << k.layout;
    EXPECT_EQ(dst.Count(kBlue), 1);
  }
  // Device and logical points convert both ways in a mirrored DC.
  Canvas m(10, 2);
  SetLayout(m.dc, LAYOUT_RTL);
  POINT p{3, 1};
  LPtoDP(m.dc, &p, 1);
  EXPECT_EQ(p.x, 7);
  DPtoLP(m.dc, &p, 1);
  EXPECT_EQ(p.x, 3);
}

TEST(GdiDC, SaveRestoreAndStockObjects) {
  Canvas c(2, 2);
  int id = SaveDC(c.dc);
  SetTextColor(c.dc, RGB(1, 2, 3));
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  IntersectClipRect(c.dc, 0, 0, 1, 1);
  ASSERT_TRUE(RestoreDC(c.dc, id));
  EXPECT_EQ(GetTextColor(c.dc), RGB(0, 0, 0));
  EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 2);
  EXPECT_FALSE(RestoreDC(c.dc, 5));
  // Stock objects survive DeleteObject; stale handles are refused.
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), static_cast<DWORD>(OBJ_BRUSH));
  HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_TRUE(DeleteObject(b));
  EXPECT_FALSE(DeleteObject(b));
  EXPECT_EQ(SelectObject(c.dc, b), nullptr);
  // A bitmap lives in one DC at a time and cannot be deleted while selected.
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, c.bmp), nullptr);
  EXPECT_FALSE(DeleteObject(c.bmp));
  DeleteDC(other);
  EXPECT_EQ(GetDeviceCaps(c.dc, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(c.dc, BITSPIXEL), 32);
}

TEST(GdiDC, SurfaceDCsDrawAtTheSystemOriginInsideTheSystemClip) {
  Canvas backing(10, 6);
  HDC dc = GdiCreateSurfaceDC(backing.bmp);
  ASSERT_NE(dc, nullptr);
  GdiSetSystemOrigin(dc, 3, 2);
  GdiSetSystemSize(dc, 5, 3);
  HRGN vis = CreateRectRgn(3, 2, 6, 5);  // bitmap coordinates
  GdiSetSystemClip(dc, vis);
  RECT all{-5, -5, 50, 50};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(backing.Map(kBlack),
            Rows({"..........", "..........", "...###....", "...###....", "...###....", ".........."}));
  RECT box;
  GetClipBox(dc, &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, 3);
  // The caller's clip intersects the system clip.
  backing.Fill(RGB(255, 255, 255));
  IntersectClipRect(dc, 1, 0, 10, 10);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(backing.Count(kBlack), 6);
  GdiResetDC(dc);
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 0);
  uint32_t* px;
  int w, h, stride;
  ASSERT_TRUE(GdiGetDibPixels(backing.bmp, &px, &w, &h, &stride));
  EXPECT_EQ(w, 10);
  EXPECT_EQ(stride, 40);
  DeleteDC(dc);
  DeleteObject(vis);
}

TEST(GdiShapes, EllipseStaysInsideItsBoxAndIsSymmetric) {
  Canvas c(12, 9);
  SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
  Ellipse(c.dc, 1, 1, 11, 8);
  RECT ink = c.Ink();
  EXPECT_EQ(ink.left, 1);
  EXPECT_EQ(ink.top, 1);
  EXPECT_EQ(ink.right, 11);
  EXPECT_EQ(ink.bottom, 8);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 12; ++x) EXPECT_EQ(c.At(x, y), c.At(11 - x, y)) << x << "," << y;
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
}

TEST(GdiShapes, PolygonFillAndHatchBrush) {
  Canvas c(8, 8);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  SelectObject(c.dc, red);
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  POINT sq[4] = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};
  Polygon(c.dc, sq, 4);
  EXPECT_EQ(c.Count(kRed), 12) << "a 4x3 polygon covers 4x3 pixels";
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
  Canvas h(8, 8);
  HBRUSH hb = CreateHatchBrush(HS_HORIZONTAL, RGB(0, 0, 0));
  SetBkMode(h.dc, TRANSPARENT);
  RECT r{0, 0, 8, 8};
  FillRect(h.dc, &r, hb);
  EXPECT_EQ(h.Count(kBlack), 8);
  DeleteObject(hb);
}

TEST(GdiShapes, PathsArcsWidePensAndRegionPainting) {
  Canvas c(10, 8);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  SelectObject(c.dc, red);
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  ASSERT_TRUE(BeginPath(c.dc));
  MoveToEx(c.dc, 1, 1, nullptr);
  LineTo(c.dc, 5, 1);
  LineTo(c.dc, 5, 4);
  LineTo(c.dc, 1, 4);
  CloseFigure(c.dc);
  EndPath(c.dc);
  ASSERT_EQ(GetPath(c.dc, nullptr, nullptr, 0), 4);
  POINT pts[4];
  BYTE types[4];
  GetPath(c.dc, pts, types, 4);
  EXPECT_EQ(types[0], PT_MOVETO);
  EXPECT_EQ(types[3], PT_LINETO | PT_CLOSEFIGURE);
  EXPECT_EQ(pts[2].x, 5);
  ASSERT_TRUE(FillPath(c.dc));
  EXPECT_EQ(c.Count(kRed), 12);
  EXPECT_FALSE(FillPath(c.dc)) << "the path is used up";
  // The same figure as a region.
  BeginPath(c.dc);
  Rectangle(c.dc, 1, 1, 5, 4);
  EndPath(c.dc);
  HRGN fromPath = PathToRegion(c.dc);
  RECT box;
  GetRgnBox(fromPath, &box);
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(box.bottom, 4);
  DeleteObject(fromPath);
  // Pie: the quarter from the right radial counter-clockwise to the top one.
  Canvas p(10, 10);
  SelectObject(p.dc, red);
  SelectObject(p.dc, GetStockObject(NULL_PEN));
  Pie(p.dc, 0, 0, 10, 10, 10, 5, 5, 0);
  EXPECT_EQ(p.At(7, 2), kRed);
  EXPECT_EQ(p.At(2, 7), kWhite);
  EXPECT_EQ(p.At(2, 2), kWhite);
  SelectObject(p.dc, GetStockObject(WHITE_BRUSH));
  // A three-pixel geometric pen covers three rows.
  Canvas w(12, 10);
  LOGBRUSH lb{BS_SOLID, RGB(0, 0, 0), 0};
  HPEN wide = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, 3, &lb, 0, nullptr);
  EXPECT_EQ(GetObjectType(wide), static_cast<DWORD>(OBJ_EXTPEN));
  SelectObject(w.dc, wide);
  MoveToEx(w.dc, 2, 5, nullptr);
  LineTo(w.dc, 9, 5);
  for (int y : {4, 5, 6}) EXPECT_EQ(w.At(5, y), kBlack) << y;
  for (int y : {3, 7}) EXPECT_EQ(w.At(5, y), kWhite) << y;
  SelectObject(w.dc, GetStockObject(BLACK_PEN));
  DeleteObject(wide);
  // Region painting: a one-pixel frame, an inversion, a region from a colour key.
  Canvas r(6, 5);
  HRGN all = CreateRectRgn(0, 0, 6, 5), inner = CreateRectRgn(2, 2, 4, 4);
  FrameRgn(r.dc, all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1);
  EXPECT_EQ(r.Count(kBlack), 18);
  InvertRgn(r.dc, inner);
  EXPECT_EQ(r.Count(kBlack), 22);
  Canvas key(4, 2, RGB(255, 0, 255));
  SetPixel(key.dc, 1, 0, RGB(0, 0, 255));
  SetPixel(key.dc, 3, 1, RGB(0, 0, 255));
  HRGN shape = GdiCreateRegionFromBitmap(key.bmp, RGB(255, 0, 255));
  EXPECT_TRUE(PtInRegion(shape, 1, 0));
  EXPECT_TRUE(PtInRegion(shape, 3, 1));
  EXPECT_FALSE(PtInRegion(shape, 0, 0));
  EXPECT_EQ(GetRegionData(shape, 0, nullptr), sizeof(RGNDATAHEADER) + 2 * sizeof(RECT));
  for (HRGN h : {all, inner, shape}) DeleteObject(h);
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
}

TEST(GdiBitmaps, DibSectionsOfEveryDepthRoundTrip) {
  // A 2x2 4-bit bottom-up DIB with a palette: row 0 in memory is the bottom row.
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD pal[16];
  } bi{};
  bi.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 2, 1, 4, BI_RGB, 0, 0, 0, 0, 0};
  bi.pal[1] = RGBQUAD{0, 0, 255, 0};  // red
  bi.pal[2] = RGBQUAD{255, 0, 0, 0};  // blue
  uint8_t bits[8] = {0x12, 0, 0, 0, 0x21, 0, 0, 0};
  HBITMAP b = CreateDIBitmap(GetScreenDC(), &bi.h, CBM_INIT, bits, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, b);
  EXPECT_EQ(GetPixel(dc, 0, 1), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));
  // Read back as 24-bit bottom-up.
  BITMAPINFO out{};
  out.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  uint8_t rgb[16] = {};
  EXPECT_EQ(GetDIBits(dc, b, 0, 2, rgb, &out, DIB_RGB_COLORS), 2);
  EXPECT_EQ(rgb[2], 255);  // bottom-left red: B,G,R
  EXPECT_EQ(rgb[3], 255);  // bottom-right blue
  DeleteDC(dc);
  DeleteObject(b);
  // Corrupt headers are refused.
  BITMAPINFO bad{};
  bad.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), -3, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* p;
  EXPECT_EQ(CreateDIBSection(nullptr, &bad, DIB_RGB_COLORS, &p, nullptr, 0), nullptr);
  bad.bmiHeader.biWidth = 2;
  bad.bmiHeader.biBitCount = 7;
  EXPECT_EQ(CreateDIBSection(nullptr, &bad, DIB_RGB_COLORS, &p, nullptr, 0), nullptr);
  // A colour count past the depth's, even one that reads as negative, means
  // the full palette (it used to throw from the palette copy).
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD pal[2];
  } mono{};
  mono.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 1, 1, 1, 1, BI_RGB, 0, 0, 0, 0xFFFFFFFDu, 0};
  for (DWORD used : {0xFFFFFFFDu, 3u}) {
    mono.h.biClrUsed = used;
    HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&mono), DIB_RGB_COLORS, &p, nullptr, 0);
    EXPECT_NE(section, nullptr) << used;
    DeleteObject(section);
  }
}

TEST(GdiBitmaps, BottomUpSectionSeesTheCallersRowOrder) {
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 3, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* p = nullptr;
  HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, b);
  RECT top{0, 0, 3, 1};
  FillRect(dc, &top, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  auto* px = static_cast<uint32_t*>(p);
  EXPECT_EQ(px[0] & 0xFFFFFF, 0u) << "memory row 0 is the bottom row";
  EXPECT_EQ(px[3] & 0xFFFFFF, 0xFFFFFFu);
  // cairo-drawn output lands in the same rows.
  HPEN pen = CreatePen(PS_SOLID, 3, RGB(255, 0, 0));
  SelectObject(dc, pen);
  MoveToEx(dc, 0, 1, nullptr);
  LineTo(dc, 3, 1);
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 0, 0));
  EXPECT_EQ(px[1] & 0xFFFFFF, 0xFF0000u);
  DeleteDC(dc);
  DeleteObject(b);
  DeleteObject(pen);
}

TEST(GdiBitmaps, DibsToDevicesKeepRowOrderAndSourceOrigin) {
  // 2x3 bottom-up 24-bit DIB: bottom row red, middle green, top blue.
  uint8_t bits[3 * 8] = {};
  const uint32_t rows[3] = {0xFF0000, 0x00FF00, 0x0000FF};  // bottom first
  for (int r = 0; r < 3; ++r)
    for (int x = 0; x < 2; ++x) {
      bits[r * 8 + x * 3] = rows[r] & 0xFF;
      bits[r * 8 + x * 3 + 1] = (rows[r] >> 8) & 0xFF;
      bits[r * 8 + x * 3 + 2] = (rows[r] >> 16) & 0xFF;
    }
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 3, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  Canvas c(2, 3);
  EXPECT_EQ(SetDIBitsToDevice(c.dc, 0, 0, 2, 3, 0, 0, 0, 3, bits, &bi, DIB_RGB_COLORS), 3);
  EXPECT_EQ(c.At(0, 0), kBlue);
  EXPECT_EQ(c.At(0, 2), kRed);
  // Source y counts from the bottom: the lowest row alone.
  Canvas d(2, 1);
  SetDIBitsToDevice(d.dc, 0, 0, 2, 1, 0, 0, 0, 3, bits, &bi, DIB_RGB_COLORS);
  EXPECT_EQ(d.At(1, 0), kRed);
  // A band holding only scan lines 1..2 (green, blue) draws them in place.
  Canvas e(2, 3);
  SetDIBitsToDevice(e.dc, 0, 0, 2, 3, 0, 0, 1, 2, bits + 8, &bi, DIB_RGB_COLORS);
  EXPECT_EQ(e.At(0, 0), kBlue);
  EXPECT_EQ(e.At(0, 1), 0x00FF00u);
  EXPECT_EQ(e.At(0, 2), kWhite) << "scan line 0 was not given";
  // Stretched to twice the size.
  Canvas s(4, 6);
  EXPECT_EQ(StretchDIBits(s.dc, 0, 0, 4, 6, 0, 0, 2, 3, bits, &bi, DIB_RGB_COLORS, SRCCOPY), 3);
  EXPECT_EQ(s.At(3, 1), kBlue);
  EXPECT_EQ(s.At(3, 5), kRed);
}

}  // namespace
