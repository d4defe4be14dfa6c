// PNG decoding with libpng's read path. libpng reports errors by a long
// jump to the point set with setjmp; nothing here lets a C++ exception pass
// through libpng's C frames: a failing read of the framework file is caught
// in the read callback and turned into a libpng error.
#include "toolkit/common/graphicbitmappng.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "platform/gdi/wingdi.h"
#include "platform/system/resources.h"

namespace {

// What the decoder hands back; lives in the caller's frame so that a long
// jump out of libpng leaves nothing of it indeterminate.
struct PngDecodeState {
  CFile* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_bytep buffer = nullptr;  // malloc'ed rows, row size x height
  png_bytepp rows = nullptr;
  png_uint_32 width = 0, height = 0;
  int channels = 0;
  COLORREF background = RGB(127, 127, 127);
};

void PngErrorCallback(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarningCallback(png_structp, png_const_charp) {}

void PngReadCallback(png_structp png, png_bytep out, png_size_t length) {
  auto* st = static_cast<PngDecodeState*>(png_get_io_ptr(png));
  UINT got = 0;
  bool failed = false;
  try {
    got = st->file->Read(out, static_cast<UINT>(length));
  } catch (CException* e) {
    e->Delete();
    failed = true;
  } catch (...) {
    failed = true;
  }
  // Outside the handler: a long jump must not leave a catch block.
  if (failed || got != length) png_error(png, "unexpected end of PNG data");
}

// The body that libpng may leave by a long jump; every value it keeps goes
// into *st.
bool DecodeRows(PngDecodeState* st) {
  if (setjmp(png_jmpbuf(st->png))) return false;
  png_set_read_fn(st->png, st, PngReadCallback);
  png_set_sig_bytes(st->png, 8);
  png_set_user_limits(st->png, 0x7FFF, 0x7FFF);
  png_read_info(st->png, st->info);
  png_uint_32 w = 0, h = 0;
  int depth = 0, colorType = 0;
  png_get_IHDR(st->png, st->info, &w, &h, &depth, &colorType, nullptr, nullptr, nullptr);
  if (depth == 16) png_set_strip_16(st->png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_expand(st->png);
  if (depth < 8) png_set_expand(st->png);
  if (png_get_valid(st->png, st->info, PNG_INFO_tRNS)) png_set_expand(st->png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(st->png);
  png_color_16p bkgd = nullptr;
  if (png_get_bKGD(st->png, st->info, &bkgd) && bkgd) {
    png_set_background(st->png, bkgd, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    st->background = RGB(bkgd->red & 0xFF, bkgd->green & 0xFF, bkgd->blue & 0xFF);
  }
  double fileGamma = 0;
  if (png_get_gAMA(st->png, st->info, &fileGamma)) png_set_gamma(st->png, 2.2, fileGamma);
  png_set_interlace_handling(st->png);
  png_read_update_info(st->png, st->info);
  png_get_IHDR(st->png, st->info, &w, &h, &depth, &colorType, nullptr, nullptr, nullptr);
  size_t rowBytes = png_get_rowbytes(st->png, st->info);
  int channels = png_get_channels(st->png, st->info);
  if ((channels != 3 && channels != 4) || depth != 8 || rowBytes != static_cast<size_t>(w) * channels ||
      rowBytes * h > CTKGraphicBitmapPng::kMaxDecodedBytes)
    png_error(st->png, "unsupported PNG layout");
  st->width = w;
  st->height = h;
  st->channels = channels;
  std::free(st->buffer);
  st->buffer = static_cast<png_bytep>(std::malloc(rowBytes * h));
  st->rows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * h));
  if (!st->buffer || !st->rows) png_error(st->png, "out of memory");
  for (png_uint_32 y = 0; y < h; ++y) st->rows[y] = st->buffer + rowBytes * y;
  png_read_image(st->png, st->rows);
  png_read_end(st->png, nullptr);
  return true;
}

// Decodes the PNG of `file` into st->buffer (8-bit RGB or RGBA rows).
bool ReadPngImage(PngDecodeState* st) {
  png_byte signature[8];
  UINT got = 0;
  try {
    got = st->file->Read(signature, 8);
  } catch (CException* e) {
    e->Delete();
    return false;
  }
  if (got != 8 || png_sig_cmp(signature, 0, 8) != 0) return false;
  // The read structure is made for the libpng we link against: its version
  // check refuses a header of another major version.
  st->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorCallback, PngWarningCallback);
  if (!st->png) return false;
  st->info = png_create_info_struct(st->png);
  bool ok = st->info && DecodeRows(st);
  png_destroy_read_struct(&st->png, st->info ? &st->info : nullptr, nullptr);
  std::free(st->rows);
  st->rows = nullptr;
  if (!ok) {
    std::free(st->buffer);
    st->buffer = nullptr;
  }
  return ok;
}

// The top-down 32-bit DIB section of the decoded rows.
HBITMAP CreatePngDIB(const png_byte* rows, png_uint_32 width, png_uint_32 height, int channels) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = static_cast<LONG>(width);
  bi.bmiHeader.biHeight = -static_cast<LONG>(height);
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    return nullptr;
  }
  // Top-down: memory row y is image row y, in the source and the target.
  BYTE* dst = static_cast<BYTE*>(bits);
  const png_byte* src = rows;
  for (png_uint_32 y = 0; y < height; ++y) {
    for (png_uint_32 x = 0; x < width; ++x) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
      dst[3] = channels == 4 ? src[3] : 0;
      dst += 4;
      src += channels;
    }
  }
  return bitmap;
}

}  // namespace

BOOL CTKGraphicBitmapPng::LoadFromFile(LPCTSTR path) {
  m_bAlpha = FALSE;
  DeleteObject();
  CFile file;
  if (!path || !file.Open(path, CFile::modeRead | CFile::shareDenyWrite)) return FALSE;
  return LoadFromCFile(&file);
}

BOOL CTKGraphicBitmapPng::LoadFromResource(HMODULE module, HRSRC resource) {
  m_bAlpha = FALSE;
  DeleteObject();
  if (!resource) return FALSE;
  HGLOBAL data = LoadResource(module, resource);
  const void* bytes = data ? LockResource(data) : nullptr;
  DWORD size = SizeofResource(module, resource);
  if (!bytes || size < 10) return FALSE;
  CMemFile file(static_cast<BYTE*>(const_cast<void*>(bytes)), size);
  return LoadFromCFile(&file);
}

BOOL CTKGraphicBitmapPng::LoadFromCFile(CFile* file) {
  m_bAlpha = FALSE;
  DeleteObject();
  if (!file) return FALSE;
  PngDecodeState st;
  st.file = file;
  if (!ReadPngImage(&st)) return FALSE;
  HBITMAP bitmap = CreatePngDIB(st.buffer, st.width, st.height, st.channels);
  std::free(st.buffer);
  if (!bitmap) return FALSE;
  m_bAlpha = st.channels == 4;
  Attach(bitmap);
  return TRUE;
}
