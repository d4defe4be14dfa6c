// What the markup tests share: narrowing texts for messages, a host that
// keeps real fonts but makes no window calls, and a bitmap to draw into.
#pragma once

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "platform/base/cstring.h"
#include "platform/gdi/wingdi.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markuphost.h"

namespace markup_test {

inline std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}
inline std::string Narrow(const CString& s) { return Narrow(std::u16string(s.GetString())); }
inline std::string Narrow(LPCWSTR s) { return Narrow(std::u16string(s ? s : u"")); }

// Real fonts and drawing; window calls go nowhere (the host window may be a
// made-up handle).
class QuietHost : public CTKMarkupHostServices {
 public:
  void SetCapture(HWND) override {}
  void ReleaseCapture() override {}
  void InvalidateRect(HWND, const RECT*, BOOL) override {}
  LRESULT SendMessage(HWND, UINT, WPARAM, LPARAM) override { return 0; }
  void TrackMouseLeave(HWND) override {}
  void SetCursor(HCURSOR) override {}
};

// A 32-bit top-down bitmap in a memory DC, white at first.
struct Bitmap {
  int w, h;
  HBITMAP bmp = nullptr;
  HDC dc = nullptr;
  HGDIOBJ old = nullptr;
  uint32_t* bits = nullptr;
  Bitmap(int width, int height) : w(width), h(height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* p = nullptr;
    bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<uint32_t*>(p);
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, bmp);
    for (int i = 0; i < w * h; i++) bits[i] = 0xFFFFFF;
  }
  ~Bitmap() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  // The pixel as 0xRRGGBB.
  uint32_t Pixel(int x, int y) const {
    GdiFlush();
    return bits[y * w + x] & 0xFFFFFF;
  }
  // The pixel as a COLORREF.
  COLORREF At(int x, int y) const {
    const uint32_t v = Pixel(x, y);
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  int Count(COLORREF c) const {
    int n = 0;
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) n += At(x, y) == c;
    return n;
  }
};

// A context without a host window and the root of the markup built last.
class Fixture : public ::testing::Test {
 protected:
  void SetUp() override { ctx = MarkupCreateContext(nullptr); }
  void TearDown() override {
    MarkupReleaseElement(root);
    MarkupReleaseContext(ctx);
  }
  CTKMarkupUIElement* Build(const char16_t* text) {
    MarkupReleaseElement(root);
    root = ctx->Parse(text);
    EXPECT_NE(root, nullptr) << Narrow(std::u16string(text)) << ": " << Narrow(ctx->GetLastParseError());
    return static_cast<CTKMarkupUIElement*>(root);
  }
  CTKMarkupUIElement* Build(const std::u16string& text) { return Build(text.c_str()); }
  // The error text of markup that must not build, empty when it built.
  std::string BuildError(const char16_t* text) {
    CTKMarkupInputElement* element = ctx->Parse(text);
    if (element) {
      element->Release();
      return "";
    }
    return Narrow(ctx->GetLastParseError());
  }
  CTKMarkupContext* ctx = nullptr;
  CTKMarkupInputElement* root = nullptr;
};

}  // namespace markup_test
