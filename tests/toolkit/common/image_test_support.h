// Helpers of the image tests: the PNG fixtures written by the independent
// Python writer, pixel read-back, byte builders and an in-memory resource
// module.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/gdi/wingdi.h"
#include "platform/system/resources.h"
#include "tests/support/temp_home.h"

namespace imagetest {

using Bytes = std::vector<unsigned char>;

// The folder holding the fixtures, written once per test program.
inline const std::string& FixtureDir() {
  static const std::string dir = [] {
    const char* src = std::getenv("PRAVENOR_TEST_SOURCE_DIR");
    std::string root = src ? src : ".";
    static pvtest::TempFolder folder("tk-png-fixtures");
    std::string out = folder.path();
    std::string cmd = "python3 '" + root + "/tests/toolkit/common/fixtures/make_png_fixtures.py' '" + out + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return out;
  }();
  return dir;
}

inline std::string FixturePath(const char* name) { return FixtureDir() + "/" + name; }

inline CString WidePath(const std::string& path) { return CString(path.c_str()); }

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// The pixels of a bitmap as top-down BGRA bytes (raw, as stored).
inline Bytes Pixels(HBITMAP bitmap, int* width = nullptr, int* height = nullptr) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  if (!GetDIBits(nullptr, bitmap, 0, 0, nullptr, &bi, DIB_RGB_COLORS)) return {};
  int w = bi.bmiHeader.biWidth, h = bi.bmiHeader.biHeight < 0 ? -bi.bmiHeader.biHeight : bi.bmiHeader.biHeight;
  if (width) *width = w;
  if (height) *height = h;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  Bytes out(static_cast<size_t>(w) * h * 4);
  GetDIBits(nullptr, bitmap, 0, h, out.data(), &bi, DIB_RGB_COLORS);
  return out;
}

// A masked (non-alpha) icon of one colour, transparent where `hole` says.
inline HICON MakeSolidIcon(int w, int h, COLORREF color, bool (*hole)(int x, int y) = nullptr) {
  HDC screen = nullptr;
  HBITMAP colorBmp = CreateCompatibleBitmap(GetScreenDC(), w, h);
  HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, colorBmp);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(dc, x, y, hole && hole(x, y) ? RGB(0, 0, 0) : color);
  SelectObject(dc, mask);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(dc, x, y, hole && hole(x, y) ? RGB(255, 255, 255) : RGB(0, 0, 0));
  SelectObject(dc, old);
  DeleteDC(dc);
  ICONINFO info{TRUE, 0, 0, mask, colorBmp};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colorBmp);
  DeleteObject(mask);
  return icon;
}

// Little-endian byte builder.
struct Writer {
  Bytes bytes;
  Writer& u8(unsigned v) {
    bytes.push_back(static_cast<unsigned char>(v));
    return *this;
  }
  Writer& u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
  Writer& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Writer& raw(const Bytes& b) {
    bytes.insert(bytes.end(), b.begin(), b.end());
    return *this;
  }
};

// A 40-byte BITMAPINFOHEADER.
inline Bytes InfoHeader(int width, int height, int bits, uint32_t sizeImage = 0) {
  return Writer()
      .u32(40)
      .u32(static_cast<uint32_t>(width))
      .u32(static_cast<uint32_t>(height))
      .u16(1)
      .u16(bits)
      .u32(0)
      .u32(sizeImage)
      .u32(0)
      .u32(0)
      .u32(0)
      .u32(0)
      .bytes;
}

// An in-memory resource module; entries keep their data alive.
struct ResourceModule {
  struct Entry {
    std::u16string type, name;
    WORD typeId = 0, nameId = 0;
    Bytes data;
  };
  std::vector<Entry> items;
  std::vector<pv::ResourceEntry> entries;
  pv::ResourceSet set{};
  std::u16string moduleName;
  HMODULE module = nullptr;

  explicit ResourceModule(std::u16string name) : moduleName(std::move(name)) {}
  ~ResourceModule() {
    if (module) pv::UnregisterResourceSet(&set);
  }
  ResourceModule& Add(std::u16string type, std::u16string name, Bytes data) {
    items.push_back(Entry{std::move(type), std::move(name), 0, 0, std::move(data)});
    return *this;
  }
  ResourceModule& AddId(WORD type, WORD name, Bytes data) {
    items.push_back(Entry{u"", u"", type, name, std::move(data)});
    return *this;
  }
  ResourceModule& AddNamed(WORD type, std::u16string name, Bytes data) {
    items.push_back(Entry{u"", std::move(name), type, 0, std::move(data)});
    return *this;
  }
  HMODULE Register() {
    for (auto& e : items)
      entries.push_back(pv::ResourceEntry{e.type.empty() ? nullptr : e.type.c_str(), e.typeId,
                                          e.name.empty() ? nullptr : e.name.c_str(), e.nameId, 0, e.data.data(),
                                          static_cast<DWORD>(e.data.size())});
    set = pv::ResourceSet{moduleName.c_str(), entries.data(), entries.size()};
    module = pv::RegisterResourceSet(&set);
    return module;
  }
};

}  // namespace imagetest
