// Layered windows on an X desktop with a compositor: the visual with alpha
// the back end chooses, and the premultiplied image such a window shows.
#include <cstdint>
#include <vector>

#include "platform/gdi/gdi_private.h"
#include "platform/window/backend_x11.h"
#include "tests/platform/window/wm_test_util.h"

using namespace wmtest;
using pv::wm::X11Visual;

namespace {

TEST(ArgbVisual, OnlyTrueColourDepth32WithAlphaInTheTopByteIsChosen) {
  const X11Visual rgb24{0x21, 24, pv::wm::kX11TrueColor, 0xFF0000, 0xFF00, 0xFF};
  const X11Visual argb{0x5A, 32, pv::wm::kX11TrueColor, 0xFF0000, 0xFF00, 0xFF};
  const X11Visual argb2{0x5B, 32, pv::wm::kX11TrueColor, 0xFF0000, 0xFF00, 0xFF};
  const X11Visual abgr{0x60, 32, pv::wm::kX11TrueColor, 0xFF, 0xFF00, 0xFF0000};
  const X11Visual direct32{0x61, 32, pv::wm::kX11DirectColor, 0xFF0000, 0xFF00, 0xFF};
  const X11Visual rgb565{0x62, 32, pv::wm::kX11TrueColor, 0xF800, 0x7E0, 0x1F};
  struct Case {
    const char* what;
    std::vector<X11Visual> visuals;
    unsigned long chosen;
  } cases[] = {
      {"no visuals", {}, 0},
      {"the screen's 24-bit visual only", {rgb24}, 0},
      {"depth 32 with red and blue swapped", {rgb24, abgr}, 0},
      {"depth 32 but direct colour", {direct32}, 0},
      {"depth 32 with 16-bit colour masks", {rgb565}, 0},
      {"ARGB after others", {rgb24, abgr, direct32, argb}, 0x5A},
      {"the first of two", {argb2, argb}, 0x5B},
  };
  for (const Case& c : cases) EXPECT_EQ(pv::wm::ChooseArgbVisual(c.visuals), c.chosen) << c.what;
}

class LayeredArgb : public WmTest {
 protected:
  // Gives the window a one-row image through UpdateLayeredWindow.
  void Update(HWND w, const std::vector<uint32_t>& row, COLORREF key, BYTE constant, DWORD flags) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = static_cast<LONG>(row.size());
    bi.bmiHeader.biHeight = -1;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, 0, &bits, nullptr, 0);
    ASSERT_NE(bmp, nullptr);
    std::copy(row.begin(), row.end(), static_cast<uint32_t*>(bits));
    GdiMarkDirty(bmp);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, bmp);
    SIZE size{static_cast<LONG>(row.size()), 1};
    POINT src{0, 0};
    BLENDFUNCTION bf{AC_SRC_OVER, 0, constant, AC_SRC_ALPHA};
    EXPECT_TRUE(UpdateLayeredWindow(w, nullptr, nullptr, &size, mem, &src, key, &bf, flags));
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bmp);
  }
  static std::vector<uint32_t> Image(HWND w) {
    int cx = 0, cy = 0;
    return pv::test::LayeredArgbImage(w, &cx, &cy);
  }
};

// Opaque green, premultiplied half red, clear, a colour above its alpha,
// opaque blue.
const std::vector<uint32_t> kRow = {0xFF00FF00u, 0x80400000u, 0x00000000u, 0x40FF0000u, 0xFF0000FFu};

TEST_F(LayeredArgb, ImagesFromUpdateLayeredWindowArePremultipliedWithTheirOwnAlpha) {
  struct Case {
    const char* what;
    COLORREF key;
    BYTE constant;
    DWORD flags;
    std::vector<uint32_t> shown;
  } cases[] = {
      {"per-pixel alpha", 0, 255, ULW_ALPHA, {0xFF00FF00u, 0x80400000u, 0, 0x40400000u, 0xFF0000FFu}},
      // The constant alpha is the desktop window's opacity, not in the image.
      {"per-pixel and constant alpha", 0, 128, ULW_ALPHA, {0xFF00FF00u, 0x80400000u, 0, 0x40400000u, 0xFF0000FFu}},
      {"per-pixel alpha and a key",
       RGB(0, 0, 255),
       255,
       ULW_ALPHA | ULW_COLORKEY,
       {0xFF00FF00u, 0x80400000u, 0, 0x40400000u, 0}},
      // Without per-pixel alpha every pixel but the key's covers what is below.
      {"a key alone", RGB(0, 0, 255), 255, ULW_COLORKEY, {0xFF00FF00u, 0xFF400000u, 0xFF000000u, 0xFFFF0000u, 0}},
      {"opaque", 0, 255, ULW_OPAQUE, {0xFF00FF00u, 0xFF400000u, 0xFF000000u, 0xFFFF0000u, 0xFF0000FFu}},
  };
  for (const Case& c : cases) {
    HWND w = Top(10, 10, 5, 1, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);
    Update(w, kRow, c.key, c.constant, c.flags);
    EXPECT_EQ(Image(w), c.shown) << c.what;
    DestroyWindow(w);
  }
}

// A painted layered window is opaque but for
// its colour key and what its region leaves out.
TEST_F(LayeredArgb, PaintedLayeredWindowsAreOpaqueButForKeyAndRegion) {
  HWND w = Top(10, 10, 4, 2, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);  // erased white
  ASSERT_TRUE(SetLayeredWindowAttributes(w, 0, 100, LWA_ALPHA));
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Image(w), std::vector<uint32_t>(8, 0xFFFFFFFFu));
  ASSERT_TRUE(SetLayeredWindowAttributes(w, RGB(255, 255, 255), 255, LWA_COLORKEY));
  EXPECT_EQ(Image(w), std::vector<uint32_t>(8, 0u));
  ASSERT_TRUE(SetLayeredWindowAttributes(w, 0, 255, LWA_ALPHA));
  SetWindowRgn(w, CreateRectRgn(0, 0, 2, 2), TRUE);
  pv::test::PumpUntilIdle();
  std::vector<uint32_t> half = {0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0};
  EXPECT_EQ(Image(w), half);
}

}  // namespace
