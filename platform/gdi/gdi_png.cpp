// PNG output of bitmaps and DCs, and PNG images loaded into DIB sections.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/gdi/gdi_internal.h"

namespace {
thread_local std::string t_last;
void PngError(png_structp png, png_const_charp);
void PngWarning(png_structp, png_const_charp);
}  // namespace

const char* GdiLastError() { return t_last.c_str(); }

bool GdiSavePng(HBITMAP hbmp, const char* path) {
  using namespace pv::gdi;
  PV_GDI_LOCK;
  Bitmap* b = GetBitmap_(hbmp);
  if (!b || !path) {
    t_last = "not a bitmap";
    return false;
  }
  b->RawToPixels();
  b->Flush();
  FILE* volatile f = std::fopen(path, "wb");
  if (!f) {
    t_last = std::string("cannot open ") + path + ": " + std::strerror(errno);
    return false;
  }
  std::vector<png_byte> row;  // before setjmp: an error's jump must not skip its destructor
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    t_last = "PNG encoder failed";
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, b->w, b->h, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  row.resize(static_cast<size_t>(b->w) * 4);
  for (int y = 0; y < b->h; ++y) {
    const uint32_t* src = b->Row(y);
    for (int x = 0; x < b->w; ++x) {
      uint32_t p = src[x];
      uint32_t a = p >> 24;
      uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, bl = p & 0xFF;
      if (a && a != 255) {
        r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
        g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
        bl = std::min<uint32_t>(255, (bl * 255 + a / 2) / a);
      }
      row[x * 4] = static_cast<png_byte>(r);
      row[x * 4 + 1] = static_cast<png_byte>(g);
      row[x * 4 + 2] = static_cast<png_byte>(bl);
      row[x * 4 + 3] = static_cast<png_byte>(a);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  bool ok = std::fclose(f) == 0;
  if (!ok) t_last = "write failed";
  return ok;
}

bool GdiSavePng(HDC hdc, const char* path) {
  HBITMAP b = GdiGetDCBitmap(hdc);
  if (!b) {
    t_last = "DC has no bitmap";
    return false;
  }
  return GdiSavePng(b, path);
}

namespace {
struct ReadState {
  const uint8_t* data;
  size_t size, pos;
};
void ReadFn(png_structp png, png_bytep out, png_size_t n) {
  auto* s = static_cast<ReadState*>(png_get_io_ptr(png));
  if (s->pos + n > s->size) png_error(png, "truncated PNG");
  std::memcpy(out, s->data + s->pos, n);
  s->pos += n;
}
}  // namespace

namespace {
void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

// Decodes into `pixels` (BGRA rows); the buffers live in the caller's frame
// so that an error's long jump leaves them to be freed normally.
bool DecodePng(const void* data, size_t size, std::vector<uint8_t>& pixels, std::vector<png_bytep>& rows,
               png_uint_32* w, png_uint_32* h) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  ReadState st{static_cast<const uint8_t*>(data), size, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &st, ReadFn);
  png_read_info(png, info);
  *w = png_get_image_width(png, info);
  *h = png_get_image_height(png, info);
  if (*w == 0 || *h == 0 || *w > 16384 || *h > 16384) png_error(png, "bad size");
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  pixels.resize(static_cast<size_t>(*w) * *h * 4);
  rows.resize(*h);
  for (png_uint_32 y = 0; y < *h; ++y) rows[y] = pixels.data() + static_cast<size_t>(y) * *w * 4;
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}
}  // namespace

HBITMAP GdiLoadPngFromMemory(const void* data, size_t size) {
  if (!data || size < 8 || png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8)) return nullptr;
  std::vector<uint8_t> pixels;
  std::vector<png_bytep> rows;
  png_uint_32 w = 0, h = 0;
  if (!DecodePng(data, size, pixels, rows, &w, &h)) return nullptr;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = static_cast<LONG>(w);
  bi.bmiHeader.biHeight = -static_cast<LONG>(h);
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp) return nullptr;
  uint32_t* dst = static_cast<uint32_t*>(bits);
  for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
    const uint8_t* p = &pixels[i * 4];  // B G R A
    uint32_t a = p[3];
    auto pm = [a](uint32_t c) { return (c * a + 127) / 255; };
    dst[i] = (a << 24) | (pm(p[2]) << 16) | (pm(p[1]) << 8) | pm(p[0]);
  }
  GdiMarkDirty(bmp);
  return bmp;
}
