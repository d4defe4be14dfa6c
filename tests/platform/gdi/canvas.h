// A small 32-bit DIB selected into a memory DC, for exact-pixel tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/gdi_private.h"
#include "platform/gdi/syscolors.h"
#include "platform/gdi/wingdi.h"

struct Canvas {
  int w, h;
  HBITMAP bmp = nullptr;
  HDC dc = nullptr;
  HGDIOBJ old = nullptr;
  uint32_t* bits = nullptr;
  Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255)) : w(width), h(height) {
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
    Fill(fill);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
  void Fill(COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  // 0xRRGGBB of a pixel (alpha dropped).
  uint32_t At(int x, int y) const { return bits[y * w + x] & 0xFFFFFF; }
  uint32_t Raw(int x, int y) const { return bits[y * w + x]; }
  // One character per pixel: '#' where the pixel is `ink`, '.' elsewhere.
  std::string Map(uint32_t ink) const {
    std::string s;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) s += At(x, y) == ink ? '#' : '.';
      s += '\n';
    }
    return s;
  }
  // Bounding box of pixels different from `bg`; empty when none.
  RECT Ink(uint32_t bg = 0xFFFFFF) const {
    RECT r{w, h, 0, 0};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (At(x, y) != bg) {
          r.left = std::min<LONG>(r.left, x);
          r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1);
          r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    if (r.right == 0) r = RECT{0, 0, 0, 0};
    return r;
  }
  int Count(uint32_t c) const {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) n += At(x, y) == c;
    return n;
  }
};

inline std::string Rows(std::initializer_list<const char*> rows) {
  std::string s;
  for (const char* r : rows) {
    s += r;
    s += '\n';
  }
  return s;
}
