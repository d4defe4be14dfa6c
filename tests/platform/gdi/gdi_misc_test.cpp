// The classic look (edges, frame controls, focus rectangles, DrawState),
// system colours, icons, image lists, GDI+, printing, PNG and BMP images.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/base/utf.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/gdi/gdi_modules.h"
#include "platform/gdi/gdiplus.h"
#include "platform/gdi/imagelist.h"
#include "platform/system/modules.h"
#include "platform/system/resources.h"
#include "tests/platform/gdi/canvas.h"
#include "tests/support/fixture_reset.h"
#include "tests/support/required_tool.h"
#include "tests/support/temp_home.h"

namespace {

uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
uint32_t Sys(int i) { return Rgb(GetSysColor(i)); }

// `name` in a folder of the program's own, removed when it ends.
std::string TempPath(const char* name) {
  static pvtest::TempFolder folder("pv-gdi");
  return folder.File(name);
}

TEST(GdiLook, DrawEdgeColoursPerKind) {
  struct Case {
    UINT edge;
    int outerTL, outerBR, innerTL, innerBR;
  } cases[] = {
      {EDGE_RAISED, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW},
      {EDGE_SUNKEN, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
      {EDGE_ETCHED, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW},
      {EDGE_BUMP, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
  };
  // Distinct colours so that every border is told apart.
  COLORREF scheme[PV_SYSCOLOR_COUNT];
  std::memcpy(scheme, GdiClassicSysColors(), sizeof scheme);
  scheme[COLOR_3DLIGHT] = RGB(1, 1, 1);
  scheme[COLOR_3DDKSHADOW] = RGB(2, 2, 2);
  scheme[COLOR_BTNHIGHLIGHT] = RGB(3, 3, 3);
  scheme[COLOR_BTNSHADOW] = RGB(4, 4, 4);
  scheme[COLOR_BTNFACE] = RGB(5, 5, 5);
  pvtest::ColorSchemeScope installed(scheme);
  for (const Case& k : cases) {
    Canvas c(8, 8, RGB(200, 200, 200));
    RECT r{1, 1, 7, 7};
    ASSERT_TRUE(DrawEdge(c.dc, &r, k.edge, BF_RECT | BF_MIDDLE | BF_ADJUST));
    EXPECT_EQ(c.At(1, 1), Sys(k.outerTL)) << k.edge;
    EXPECT_EQ(c.At(6, 6), Sys(k.outerBR)) << k.edge;
    EXPECT_EQ(c.At(6, 1), Sys(k.outerBR)) << "top-right corner belongs to the right side";
    EXPECT_EQ(c.At(1, 6), Sys(k.outerBR)) << "bottom-left corner belongs to the bottom";
    EXPECT_EQ(c.At(2, 2), Sys(k.innerTL)) << k.edge;
    EXPECT_EQ(c.At(5, 5), Sys(k.innerBR)) << k.edge;
    EXPECT_EQ(c.At(3, 3), Sys(COLOR_BTNFACE)) << "middle";
    EXPECT_EQ(c.At(0, 0), 0xC8C8C8u);
    EXPECT_EQ(r.left, 3);
    EXPECT_EQ(r.bottom, 5);
  }
  // Only the sides asked for.
  Canvas c(6, 6, RGB(200, 200, 200));
  RECT r{0, 0, 6, 6};
  DrawEdge(c.dc, &r, BDR_SUNKENOUTER, BF_BOTTOM);
  EXPECT_EQ(c.At(0, 5), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c.At(0, 0), 0xC8C8C8u);
  GdiInstallSysColorScheme(nullptr);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), GdiClassicSysColors()[COLOR_BTNFACE]);
}

TEST(GdiLook, SystemColourBrushesFollowTheScheme) {
  pvtest::ColorSchemeScope classicAtEnd;
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(GetSysColorBrush(99), nullptr);
  EXPECT_EQ(GetSysColor(99), 0u);
  Canvas c(2, 1);
  RECT r{0, 0, 1, 1};
  FillRect(c.dc, &r, face);
  EXPECT_EQ(c.At(0, 0), Sys(COLOR_BTNFACE));
  INT idx[2] = {COLOR_BTNFACE, 77};
  COLORREF col[2] = {RGB(9, 8, 7), RGB(1, 1, 1)};
  ASSERT_TRUE(SetSysColors(2, idx, col));
  FillRect(c.dc, &r, face);
  EXPECT_EQ(c.At(0, 0), 0x090807u);
  // COLOR_x + 1 passed as a brush means that system colour.
  RECT r2{1, 0, 2, 1};
  FillRect(c.dc, &r2, reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1)));
  EXPECT_EQ(c.At(1, 0), 0x090807u);
  EXPECT_TRUE(DeleteObject(face));  // system brushes ignore deletion
  EXPECT_EQ(GetObjectType(face), static_cast<DWORD>(OBJ_BRUSH));
}

TEST(GdiLook, FocusRectIsDottedAndUndoesItself) {
  Canvas c(6, 5);
  RECT r{0, 0, 6, 5};
  ASSERT_TRUE(DrawFocusRect(c.dc, &r));
  EXPECT_EQ(c.Map(0), Rows({"#.#.#.", ".....#", "#.....", ".....#", "#.#.#."}));
  DrawFocusRect(c.dc, &r);
  EXPECT_EQ(c.Count(0xFFFFFF), 30);
}

TEST(GdiLook, FrameControlsTable) {
  struct Case {
    UINT type, state;
    bool expectGlyph;  // pixels in the glyph colour inside
  } cases[] = {
      {DFC_BUTTON, DFCS_BUTTONCHECK, false},  {DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED, true},
      {DFC_BUTTON, DFCS_BUTTONRADIO, false},  {DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED, true},
      {DFC_SCROLL, DFCS_SCROLLUP, true},      {DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_PUSHED, true},
      {DFC_CAPTION, DFCS_CAPTIONCLOSE, true}, {DFC_MENU, DFCS_MENUCHECK, true},
  };
  for (const Case& k : cases) {
    Canvas c(16, 16, RGB(1, 2, 3));
    RECT r{0, 0, 16, 16};
    ASSERT_TRUE(DrawFrameControl(c.dc, &r, k.type, k.state));
    uint32_t glyph = k.type == DFC_MENU ? 0 : Sys(COLOR_BTNTEXT);
    int inner = 0;
    for (int y = 3; y < 13; ++y)
      for (int x = 3; x < 13; ++x) inner += c.At(x, y) == glyph;
    EXPECT_EQ(inner > 0, k.expectGlyph) << k.type << "/" << std::hex << k.state;
    EXPECT_NE(c.At(8, 8), 0x010203u) << "the control covers its rectangle";
  }
  // A push button with DFCS_ADJUSTRECT hands back its face rectangle.
  Canvas c(20, 10);
  RECT r{0, 0, 20, 10};
  DrawFrameControl(c.dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT);
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.bottom, 8);
  EXPECT_EQ(c.At(10, 5), Sys(COLOR_BTNFACE));
}

TEST(GdiLook, DrawStateDisabledTextIsEmbossed) {
  Canvas c(40, 14);
  HFONT f = CreateFont(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"PravenorTest");
  SelectObject(c.dc, f);
  SetTextColor(c.dc, RGB(255, 0, 0));
  ASSERT_TRUE(
      DrawState(c.dc, nullptr, nullptr, reinterpret_cast<LPARAM>(u"ab"), 0, 2, 1, 0, 0, DST_TEXT | DSS_DISABLED));
  EXPECT_EQ(c.At(2, 1), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(c.At(3 + 4, 2 + 7), Sys(COLOR_BTNHIGHLIGHT)) << "highlight one pixel down-right of the shadow";
  EXPECT_EQ(c.Count(0xFF0000), 0) << "the text colour is not used";
  Canvas n(40, 14);
  SelectObject(n.dc, f);
  DrawState(n.dc, nullptr, nullptr, reinterpret_cast<LPARAM>(u"&ab"), 0, 0, 0, 0, 0, DST_PREFIXTEXT);
  EXPECT_EQ(n.Ink().right, 9) << "prefix removed: two glyphs";
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  SelectObject(n.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

// A 4x4 icon: left half red and opaque, right half transparent by mask.
HICON MaskedIcon() {
  Canvas color(4, 4, RGB(255, 0, 0));
  RECT right{2, 0, 4, 4};
  FillRect(color.dc, &right, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  HBITMAP mask = CreateBitmap(4, 4, 1, 1, nullptr);
  HDC mdc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mdc, mask);
  PatBlt(mdc, 0, 0, 4, 4, BLACKNESS);
  PatBlt(mdc, 2, 0, 2, 4, WHITENESS);
  SelectObject(mdc, old);
  DeleteDC(mdc);
  SelectObject(color.dc, color.old);
  ICONINFO ii{TRUE, 0, 0, mask, color.bmp};
  HICON icon = CreateIconIndirect(&ii);
  color.old = SelectObject(color.dc, color.bmp);
  DeleteObject(mask);
  return icon;
}

TEST(GdiIcons, MaskAndImageDrawingModes) {
  HICON icon = MaskedIcon();
  ASSERT_NE(icon, nullptr);
  struct Case {
    UINT flags;
    uint32_t left, right;
  } cases[] = {
      {DI_NORMAL, 0xFF0000, 0x00FF00},
      {DI_IMAGE, 0xFF0000, 0x000000},
      {DI_MASK, 0x000000, 0xFFFFFF},
  };
  for (const Case& k : cases) {
    Canvas c(4, 4, RGB(0, 255, 0));
    ASSERT_TRUE(DrawIconEx(c.dc, 0, 0, icon, 4, 4, 0, nullptr, k.flags));
    EXPECT_EQ(c.At(0, 0), k.left) << k.flags;
    EXPECT_EQ(c.At(3, 3), k.right) << k.flags;
  }
  ICONINFO ii;
  ASSERT_TRUE(GetIconInfo(icon, &ii));
  BITMAP bm;
  GetObject(ii.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(bm.bmWidth, 4);
  DeleteObject(ii.hbmMask);
  DeleteObject(ii.hbmColor);
  HICON copy = CopyIcon(icon);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon));
  Canvas c(8, 8, RGB(0, 0, 255));
  DrawIconEx(c.dc, 0, 0, copy, 8, 8, 0, nullptr, DI_NORMAL);  // stretched
  EXPECT_EQ(c.At(3, 7), 0xFF0000u);
  EXPECT_EQ(c.At(4, 0), 0x0000FFu);
  DestroyIcon(copy);
}

// Builds a .ico file image with one 32-bit 2x2 entry (straight alpha).
std::vector<uint8_t> IcoFile(const uint32_t px[4]) {
  std::vector<uint8_t> f(6 + 16);
  f[2] = 1;
  f[4] = 1;
  uint8_t* e = &f[6];
  e[0] = 2;
  e[1] = 2;
  e[6] = 32;
  BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), 2, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<uint8_t> img(sizeof h);
  std::memcpy(img.data(), &h, sizeof h);
  // Rows bottom-up: px[2], px[3] then px[0], px[1].
  for (int i : {2, 3, 0, 1})
    for (int b = 0; b < 4; ++b) img.push_back(static_cast<uint8_t>(px[i] >> (b * 8)));
  img.insert(img.end(), 8, 0);  // AND mask rows (4 bytes each)
  uint32_t size = static_cast<uint32_t>(img.size()), off = static_cast<uint32_t>(f.size());
  std::memcpy(e + 8, &size, 4);
  std::memcpy(e + 12, &off, 4);
  f.insert(f.end(), img.begin(), img.end());
  return f;
}

TEST(GdiIcons, AlphaIconsFromIcoImagesBlend) {
  const uint32_t px[4] = {0xFF0000FFu, 0x80FF0000u, 0x00000000u, 0xFF00FF00u};  // blue, half red, clear, green
  auto ico = IcoFile(px);
  HICON icon = GdiLoadIconFromMemory(ico.data(), ico.size(), 2, 2, TRUE);
  ASSERT_NE(icon, nullptr);
  Canvas c(2, 2, RGB(255, 255, 255));
  DrawIconEx(c.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(c.At(0, 0), 0x0000FFu);
  EXPECT_EQ(c.At(1, 0), 0xFF7F7Fu) << "half-transparent red over white";
  EXPECT_EQ(c.At(0, 1), 0xFFFFFFu) << "fully transparent";
  EXPECT_EQ(c.At(1, 1), 0x00FF00u);
  DestroyIcon(icon);
  // Corrupt or truncated images give no icon.
  for (size_t cut : {size_t(3), size_t(10), ico.size() - 5})
    EXPECT_EQ(GdiLoadIconFromMemory(ico.data(), cut, 2, 2, TRUE), nullptr) << cut;
  auto bad = ico;
  bad[6 + 12] = 0xFF;  // offset out of the file
  EXPECT_EQ(GdiLoadIconFromMemory(bad.data(), bad.size(), 2, 2, TRUE), nullptr);
  // Directory lookup picks the closest size.
  uint8_t dir[6 + 2 * 14] = {0, 0, 1, 0, 2, 0};
  uint8_t* e0 = dir + 6;
  e0[0] = 16;
  e0[1] = 16;
  e0[6] = 32;
  e0[12] = 7;
  uint8_t* e1 = dir + 20;
  e1[0] = 32;
  e1[1] = 32;
  e1[6] = 32;
  e1[12] = 9;
  EXPECT_EQ(LookupIconIdFromDirectoryEx(dir, TRUE, 16, 16, 0), 7);
  EXPECT_EQ(LookupIconIdFromDirectoryEx(dir, TRUE, 30, 30, 0), 9);
  EXPECT_EQ(LookupIconIdFromDirectoryEx(dir, FALSE, 16, 16, 0), 0) << "not a cursor directory";
}

TEST(GdiImageList, StylesMasksAndBookkeeping) {
  HIMAGELIST il = ImageList_Create(2, 2, ILC_COLOR24 | ILC_MASK, 4, 4);
  ASSERT_NE(il, nullptr);
  // A strip of two images; magenta is the mask colour.
  Canvas strip(4, 2, RGB(255, 0, 255));
  SetPixel(strip.dc, 0, 0, RGB(255, 0, 0));
  SetPixel(strip.dc, 2, 0, RGB(0, 0, 255));
  EXPECT_EQ(ImageList_AddMasked(il, strip.bmp, RGB(255, 0, 255)), 0);
  EXPECT_EQ(ImageList_GetImageCount(il), 2);
  struct Case {
    UINT style;
    COLORREF bk;
    uint32_t image, masked;
  } cases[] = {
      {ILD_TRANSPARENT, CLR_NONE, 0xFF0000, 0x00FF00}, {ILD_NORMAL, CLR_NONE, 0xFF0000, 0x00FF00},
      {ILD_NORMAL, RGB(0, 0, 0), 0xFF0000, 0x000000},  {ILD_MASK, CLR_NONE, 0x000000, 0xFFFFFF},
      {ILD_IMAGE, CLR_NONE, 0xFF0000, 0x000000},
  };
  for (const Case& k : cases) {
    ImageList_SetBkColor(il, k.bk);
    Canvas c(2, 2, RGB(0, 255, 0));
    ASSERT_TRUE(ImageList_Draw(il, 0, c.dc, 0, 0, k.style));
    EXPECT_EQ(c.At(0, 0), k.image) << k.style;
    EXPECT_EQ(c.At(1, 1), k.masked) << k.style;
  }
  ImageList_SetBkColor(il, CLR_NONE);
  // Selected look: blended with the highlight colour.
  Canvas s(2, 2, RGB(0, 255, 0));
  ImageList_DrawEx(il, 0, s.dc, 0, 0, 0, 0, CLR_NONE, RGB(0, 0, 255), ILD_BLEND50);
  EXPECT_EQ(s.At(0, 0), 0x7F0080u);
  EXPECT_EQ(s.At(1, 1), 0x00FF00u);
  // Icons in and out.
  HICON icon = ImageList_GetIcon(il, 1, ILD_NORMAL);
  Canvas d(2, 2, RGB(0, 255, 0));
  DrawIconEx(d.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(d.At(0, 0), 0x0000FFu);
  EXPECT_EQ(d.At(1, 0), 0x00FF00u);
  EXPECT_EQ(ImageList_ReplaceIcon(il, -1, icon), 2);
  DestroyIcon(icon);
  EXPECT_FALSE(ImageList_Draw(il, 5, d.dc, 0, 0, ILD_NORMAL));
  EXPECT_TRUE(ImageList_Remove(il, 0));
  EXPECT_EQ(ImageList_GetImageCount(il), 2);
  IMAGEINFO info;
  ASSERT_TRUE(ImageList_GetImageInfo(il, 1, &info));
  EXPECT_EQ(info.rcImage.left, 2);
  int cx, cy;
  ImageList_GetIconSize(il, &cx, &cy);
  EXPECT_EQ(cx, 2);
  CImageList wrapper;
  EXPECT_TRUE(wrapper.Attach(il));
  EXPECT_EQ(wrapper.GetImageCount(), 2);
  EXPECT_TRUE(wrapper.DeleteImageList());
  EXPECT_EQ(ImageList_GetImageCount(il), 0) << "destroyed lists are not touched";
}

TEST(GdiPlus, AntiAliasedShapesAndGradients) {
  ULONG_PTR token;
  GdiplusStartupInput in;
  ASSERT_EQ(GdiplusStartup(&token, &in, nullptr), Ok);
  Canvas c(20, 20);
  GpGraphics* g = nullptr;
  ASSERT_EQ(GdipCreateFromHDC(c.dc, &g), Ok);
  GpSolidFill* red;
  GdipCreateSolidFill(0xFFFF0000u, &red);
  // Half-pixel offset: integer rectangles cover whole pixels.
  GdipSetPixelOffsetMode(g, PixelOffsetModeHalf);
  GdipSetSmoothingMode(g, SmoothingModeAntiAlias);
  GdipFillRectangleI(g, red, 2, 2, 4, 3);
  EXPECT_EQ(c.Count(0xFF0000), 12);
  // An anti-aliased ellipse: solid inside, blended edge.
  GdipFillEllipseI(g, red, 8, 8, 10, 10);
  EXPECT_EQ(c.At(13, 13), 0xFF0000u);
  bool partial = false;
  for (int x = 8; x < 18; ++x) {
    uint32_t p = c.At(x, 9);
    if (p != 0xFF0000u && p != 0xFFFFFFu) partial = true;
  }
  EXPECT_TRUE(partial);
  // A horizontal gradient reaches its end colours at the ends.
  Canvas d(11, 2);
  GpGraphics* g2;
  GdipCreateFromHDC(d.dc, &g2);
  GdipSetPixelOffsetMode(g2, PixelOffsetModeHalf);
  GpPoint a{0, 0}, b{11, 0};
  GpLineGradient* grad;
  ASSERT_EQ(GdipCreateLineBrushI(&a, &b, 0xFF000000u, 0xFF0000FFu, WrapModeTileFlipXY, &grad), Ok);
  GdipFillRectangleI(g2, reinterpret_cast<GpBrush*>(grad), 0, 0, 11, 2);
  EXPECT_LE(d.At(0, 0) & 0xFF, 12u);
  EXPECT_GE(d.At(10, 0) & 0xFF, 243u);
  EXPECT_EQ(d.At(5, 0) >> 8, 0u) << "only blue changes";
  const ARGB cols[2] = {0xFF000000u, 0xFFFFFFFFu};
  const REAL bad[2] = {0.5f, 1.0f};
  EXPECT_EQ(GdipSetLinePresetBlend(grad, cols, bad, 2), InvalidParameter);
  GpPointF same{1, 1};
  GpLineGradient* none = nullptr;
  EXPECT_NE(GdipCreateLineBrush(&same, &same, 0, 0, 0, &none), Ok);
  // Paths, pens and dashes draw something and report errors for bad input.
  GpPath* path;
  GdipCreatePath(FillModeAlternate, &path);
  GdipAddPathArc(path, 1, 1, 8, 8, 0, 180);
  GdipClosePathFigure(path);
  GpPen* pen;
  GdipCreatePen1(0xFF0000FFu, 1, UnitPixel, &pen);
  const REAL dashes[2] = {2, 1};
  EXPECT_EQ(GdipSetPenDashArray(pen, dashes, 2), Ok);
  EXPECT_EQ(GdipDrawPath(g, pen, path), Ok);
  EXPECT_EQ(GdipDrawLinesI(g, pen, nullptr, 2), InvalidParameter);
  EXPECT_EQ(GdipFillPolygonI(g, reinterpret_cast<GpBrush*>(red), nullptr, 3, 0), InvalidParameter);
  GdipDeletePen(pen);
  GdipDeletePath(path);
  GdipDeleteBrush(reinterpret_cast<GpBrush*>(grad));
  GdipDeleteBrush(reinterpret_cast<GpBrush*>(red));
  GdipDeleteGraphics(g2);
  GdipDeleteGraphics(g);
  GdiplusShutdown(token);
}

// Nothing registers itself when linked in: once registered, every module is
// found by name, "gdi32" without loading it first, and its entry points are
// the functions themselves.
TEST(GdiModules, RegisteredModulesAnswerLookUpsByName) {
  pv::gdi::RegisterModules();
  pv::gdi::RegisterModules();  // again: no second set of modules
  struct Case {
    const char16_t* module;
    bool alwaysLoaded;
    const char* entry;
    void* function;
  };
  const Case cases[] = {
      {u"GDI32.DLL", true, "SetLayout", reinterpret_cast<void*>(&SetLayout)},
      {u"gdi32", true, "GradientFill", reinterpret_cast<void*>(&GradientFill)},
      {u"msimg32.dll", false, "AlphaBlend", reinterpret_cast<void*>(&AlphaBlend)},
      {u"MSIMG32", false, "TransparentBlt", reinterpret_cast<void*>(&TransparentBlt)},
      {u"GdiPlus.dll", false, "GdipCreateFromHDC", reinterpret_cast<void*>(&GdipCreateFromHDC)},
      {u"gdiplus", false, "GdiplusStartup", reinterpret_cast<void*>(&GdiplusStartup)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(pv::Utf16ToUtf8(c.module));
    if (c.alwaysLoaded) EXPECT_NE(GetModuleHandleW(c.module), nullptr);
    HMODULE m = LoadLibraryW(c.module);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(m, c.entry)), c.function);
    EXPECT_EQ(GetProcAddress(m, "NoSuchEntryPoint"), nullptr);
    FreeLibrary(m);
  }
}

// The desktop size GDI reports: the screen DC's surface, HORZRES/VERTRES of
// memory DCs and the desktop resolution of every display DC.
TEST(GdiScreen, TheDesktopSizeIsWhatTheWindowManagerSet) {
  int oldW = 0, oldH = 0;
  GdiGetScreenSize(&oldW, &oldH);
  struct Case {
    int cx, cy;        // set
    int wantW, wantH;  // reported
  };
  const Case cases[] = {{800, 600, 800, 600}, {1920, 1080, 1920, 1080}, {0, -5, 1, 1}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.cx << "x" << k.cy);
    GdiSetScreenSize(k.cx, k.cy);
    int w = 0, h = 0;
    GdiGetScreenSize(&w, &h);
    EXPECT_EQ(w, k.wantW);
    EXPECT_EQ(h, k.wantH);
    BITMAP bm{};
    ASSERT_NE(GetObject(GdiGetDCBitmap(GetScreenDC()), sizeof bm, &bm), 0);
    EXPECT_EQ(bm.bmWidth, k.wantW);
    EXPECT_EQ(bm.bmHeight, k.wantH);
    HDC mem = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(mem, HORZRES), k.wantW);
    EXPECT_EQ(GetDeviceCaps(mem, VERTRES), k.wantH);
    DeleteDC(mem);
    HDC display = CreateDC(u"DISPLAY", nullptr, nullptr, nullptr);
    EXPECT_EQ(GetDeviceCaps(display, DESKTOPHORZRES), k.wantW);
    EXPECT_EQ(GetDeviceCaps(display, DESKTOPVERTRES), k.wantH);
    DeleteDC(display);
  }
  GdiSetScreenSize(oldW, oldH);
}

// The screen's pixels are made when first drawn on or read, opaque black;
// asking for the screen's size and depth does not make them.
TEST(GdiScreen, PixelsAreOpaqueBlackAndMadeOnFirstUse) {
  int oldW = 0, oldH = 0;
  GdiGetScreenSize(&oldW, &oldH);
  GdiSetScreenSize(oldW + 3, oldH + 2);  // a new screen bitmap
  HDC screen = GetScreenDC();
  auto* bitmap = pv::gdi::As<pv::gdi::Bitmap>(GdiGetDCBitmap(screen), pv::gdi::Kind::Bitmap);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(screen, HORZRES), oldW + 3);
  BITMAP bm{};
  ASSERT_NE(GetObject(GdiGetDCBitmap(screen), sizeof bm, &bm), 0);
  EXPECT_EQ(bm.bmHeight, oldH + 2);
  EXPECT_TRUE(bitmap->px.empty());

  // Read through a copy to a 32-bit DIB: every pixel opaque black.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 4;
  info.bmiHeader.biHeight = -3;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, dib);
  std::memset(bits, 0x55, 4 * 3 * 4);
  ASSERT_TRUE(BitBlt(mem, 0, 0, 4, 3, screen, oldW - 1, oldH - 1, SRCCOPY));
  for (int i = 0; i < 12; ++i) EXPECT_EQ(static_cast<const uint32_t*>(bits)[i], 0xFF000000u) << i;
  EXPECT_FALSE(bitmap->px.empty());

  // Drawn on, the screen keeps what was drawn, seen from a display DC too.
  SetPixel(screen, 2, 1, RGB(10, 20, 30));
  HDC display = CreateDC(u"DISPLAY", nullptr, nullptr, nullptr);
  EXPECT_EQ(GetPixel(display, 2, 1), RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(display, 3, 1), RGB(0, 0, 0));
  DeleteDC(display);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(dib);
  GdiSetScreenSize(oldW, oldH);
}

TEST(GdiOutput, PngRoundTripAndErrors) {
  Canvas c(5, 3, RGB(10, 20, 30));
  SetPixel(c.dc, 4, 2, RGB(200, 100, 0));
  std::string path = TempPath("roundtrip.png");
  ASSERT_TRUE(GdiSavePng(c.dc, path.c_str())) << GdiLastError();
  std::ifstream f(path, std::ios::binary);
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  HBITMAP back = GdiLoadPngFromMemory(data.data(), data.size());
  ASSERT_NE(back, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, back);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(dc, 4, 2), RGB(200, 100, 0));
  DeleteDC(dc);
  DeleteObject(back);
  // Truncated and corrupt images are refused; unwritable paths report why.
  EXPECT_EQ(GdiLoadPngFromMemory(data.data(), data.size() / 2), nullptr);
  data[20] ^= 0xFF;
  EXPECT_EQ(GdiLoadPngFromMemory(data.data(), data.size()), nullptr);
  EXPECT_FALSE(GdiSavePng(c.bmp, "/nonexistent-dir/x.png"));
  EXPECT_NE(std::string(GdiLastError()).find("nonexistent"), std::string::npos);
  std::remove(path.c_str());
}

std::vector<uint8_t> Bmp24(int w, int h, uint32_t rgb) {
  int stride = ((w * 3 + 3) / 4) * 4;
  std::vector<uint8_t> f(14 + 40 + stride * h, 0);
  f[0] = 'B';
  f[1] = 'M';
  uint32_t size = static_cast<uint32_t>(f.size()), off = 54;
  std::memcpy(&f[2], &size, 4);
  std::memcpy(&f[10], &off, 4);
  BITMAPINFOHEADER bh{40, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::memcpy(&f[14], &bh, 40);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &f[54 + y * stride + x * 3];
      p[0] = rgb & 0xFF;
      p[1] = (rgb >> 8) & 0xFF;
      p[2] = (rgb >> 16) & 0xFF;
    }
  return f;
}

TEST(GdiOutput, BmpFilesLoadAndMapButtonColours) {
  auto bmp = Bmp24(3, 2, 0xC0C0C0);
  std::string path = TempPath("grey.bmp");
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
  }
  std::u16string wpath(path.begin(), path.end());
  HBITMAP plain = static_cast<HBITMAP>(LoadImageW(nullptr, wpath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  HBITMAP mapped = static_cast<HBITMAP>(
      LoadImageW(nullptr, wpath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_LOADMAP3DCOLORS));
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(mapped, nullptr);
  BITMAP bm;
  GetObject(plain, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 3);
  EXPECT_EQ(bm.bmHeight, 2);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, plain);
  EXPECT_EQ(GetPixel(dc, 2, 1), RGB(192, 192, 192));
  SelectObject(dc, mapped);
  EXPECT_EQ(GetPixel(dc, 2, 1), GetSysColor(COLOR_BTNFACE));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(plain);
  DeleteObject(mapped);
  std::remove(path.c_str());
  EXPECT_EQ(GdiLoadBitmapFromMemory(bmp.data(), bmp.size() - 4, 0), nullptr) << "truncated pixels";
  EXPECT_EQ(LoadImageW(nullptr, u"/no/such/file.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
}

TEST(GdiOutput, BitmapAndIconResources) {
  auto file = Bmp24(2, 2, 0x123456);
  std::vector<uint8_t> dib(file.begin() + 14, file.end());  // resources keep the DIB without the file header
  const uint32_t px[4] = {0xFF0000FFu, 0xFF0000FFu, 0xFF00FF00u, 0xFF00FF00u};
  auto ico = IcoFile(px);
  std::vector<uint8_t> image(ico.begin() + 22, ico.end());
  uint8_t group[6 + 14] = {0, 0, 1, 0, 1, 0};
  group[6] = 2;
  group[7] = 2;
  group[6 + 6] = 32;
  uint32_t bytes = static_cast<uint32_t>(image.size());
  std::memcpy(group + 6 + 8, &bytes, 4);
  group[6 + 12] = 0x2D;  // image id 301
  group[6 + 13] = 0x01;
  const pv::ResourceEntry entries[] = {
      {nullptr, 2, nullptr, 101, 0, dib.data(), static_cast<DWORD>(dib.size())},
      {nullptr, 14, nullptr, 201, 0, group, sizeof group},
      {nullptr, 3, nullptr, 301, 0, image.data(), static_cast<DWORD>(image.size())},
  };
  const pv::ResourceSet set{u"gditestres", entries, 3};
  HMODULE m = pv::RegisterResourceSet(&set);
  ASSERT_NE(m, nullptr);
  HBITMAP bmp = LoadBitmap(m, MAKEINTRESOURCE(101));
  ASSERT_NE(bmp, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0x12, 0x34, 0x56));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
  EXPECT_EQ(LoadBitmap(m, MAKEINTRESOURCE(999)), nullptr);
  HICON icon = LoadIcon(m, MAKEINTRESOURCE(201));
  ASSERT_NE(icon, nullptr);
  Canvas c(32, 32);
  DrawIcon(c.dc, 0, 0, icon);  // at the standard icon size
  EXPECT_EQ(c.At(0, 0), 0x0000FFu);
  EXPECT_EQ(c.At(31, 31), 0x00FF00u);
  DestroyIcon(icon);
  pv::UnregisterResourceSet(&set);
  // Standard icons exist without resources and survive DestroyIcon.
  HICON std1 = LoadIcon(nullptr, IDI_WARNING);
  ASSERT_NE(std1, nullptr);
  EXPECT_TRUE(DestroyIcon(std1));
  EXPECT_EQ(LoadIcon(nullptr, IDI_WARNING), std1);
}

TEST(GdiOutput, PrintedPdfReadsBack) {
  HDC prn = CreateDC(u"WINSPOOL", u"Default", nullptr, nullptr);
  ASSERT_NE(prn, nullptr);
  EXPECT_EQ(GetDeviceCaps(prn, TECHNOLOGY), DT_RASPRINTER);
  EXPECT_EQ(GetDeviceCaps(prn, LOGPIXELSX), 300);
  EXPECT_EQ(GetDeviceCaps(prn, PHYSICALWIDTH), 2480);
  EXPECT_GT(GetDeviceCaps(prn, PHYSICALOFFSETX), 0);
  EXPECT_EQ(GetDeviceCaps(prn, HORZRES), 2480 - 2 * GetDeviceCaps(prn, PHYSICALOFFSETX));
  std::string path = TempPath("printed.pdf");
  std::u16string wpath(path.begin(), path.end());
  DOCINFOW di{sizeof(DOCINFOW), u"Test document", wpath.c_str(), nullptr, 0};
  EXPECT_EQ(StartPage(prn), SP_ERROR) << "no page before the document";
  ASSERT_GT(StartDoc(prn, &di), 0);
  ASSERT_GT(StartPage(prn), 0);
  HFONT f = CreateFont(-100, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  SelectObject(prn, f);
  TextOut(prn, 200, 200, u"Printed page one", 16);
  RECT r{200, 400, 1200, 500};
  FillRect(prn, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  EndPage(prn);
  StartPage(prn);
  TextOut(prn, 200, 200, u"Second page", 11);
  EndPage(prn);
  ASSERT_GT(EndDoc(prn), 0);
  SelectObject(prn, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
  DeleteDC(prn);
  if (access("/usr/bin/pdftotext", X_OK) != 0) PV_MISSING_TOOL("pdftotext (poppler-utils) is not installed");
  std::string txt = path + ".txt";
  ASSERT_EQ(std::system(("pdftotext '" + path + "' '" + txt + "'").c_str()), 0);
  std::ifstream in(txt);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Printed page one"), std::string::npos) << text;
  EXPECT_NE(text.find("Second page"), std::string::npos);
  EXPECT_NE(text.find('\f'), std::string::npos) << "two pages";
  std::remove(path.c_str());
  std::remove(txt.c_str());
}

}  // namespace
