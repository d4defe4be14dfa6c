// Icons and cursors: colour pixels plus an AND mask, alpha icons, .ico/.cur
// images and resources, and loading bitmaps from files and resources.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/gdi/gdi_internal.h"
#include "platform/system/resources.h"

namespace pv::gdi {

static Icon* I(HICON h) { return As<Icon>(h, Kind::Icon); }

static HICON NewIcon(Icon* ic) {
  Register(ic);
  return HandleOf<HICON>(ic);
}

// Builds an icon from a colour bitmap (any depth; null for monochrome
// icons) and a monochrome mask.
static Icon* FromBitmaps(HBITMAP color, HBITMAP mask, bool isIcon, int xHot, int yHot) {
  Bitmap* m = GetBitmap_(mask);
  if (!m) return nullptr;
  Bitmap* c = GetBitmap_(color);
  m->RawToPixels();
  m->Flush();
  auto* ic = new Icon();
  ic->isIcon = isIcon;
  ic->xHot = xHot;
  ic->yHot = yHot;
  ic->w = m->w;
  ic->h = c ? m->h : m->h / 2;
  if (c) {
    c->RawToPixels();
    c->Flush();
    ic->w = std::min(ic->w, c->w);
    ic->h = std::min(ic->h, c->h);
  } else {
    ic->monoIcon = true;
  }
  ic->color.assign(static_cast<size_t>(ic->w) * ic->h, 0);
  ic->mask.assign(static_cast<size_t>(ic->w) * ic->h, 0);
  bool anyPartial = false, anyNonZero = false;
  for (int y = 0; y < ic->h; ++y)
    for (int x = 0; x < ic->w; ++x) {
      size_t i = static_cast<size_t>(y) * ic->w + x;
      ic->mask[i] = (m->Row(y)[x] & 0xFFFFFF) ? 1 : 0;
      uint32_t p;
      if (c) p = c->Row(y)[x];
      else p = (m->Row(y + ic->h)[x] & 0xFFFFFF) ? 0xFFFFFFFFu : 0xFF000000u;  // XOR half
      ic->color[i] = p;
      uint32_t a = p >> 24;
      if (a != 0) anyNonZero = true;
      if (a != 255) anyPartial = true;
    }
  // Per-pixel alpha only when a 32-bit image really varies its alpha; GDI-drawn
  // colour bitmaps are opaque everywhere and keep using their mask.
  ic->hasAlpha = c && c->bpp == 32 && anyNonZero && anyPartial;
  if (!ic->hasAlpha)
    for (auto& p : ic->color) p |= 0xFF000000u;
  return ic;
}

static HBITMAP MakeDib(int w, int h, uint32_t** bits) {
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* p = nullptr;
  HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
  if (bits) *bits = static_cast<uint32_t*>(p);
  return b;
}

// Reads an icon image in resource form: a DIB header with double height,
// the XOR image, then the AND mask; or a PNG file image.
static Icon* FromResourceBits(const uint8_t* data, size_t size, bool isIcon) {
  int xHot = 0, yHot = 0;
  if (!isIcon) {
    if (size < 4) return nullptr;
    xHot = data[0] | (data[1] << 8);
    yHot = data[2] | (data[3] << 8);
    data += 4;
    size -= 4;
  }
  if (size >= 8 && std::memcmp(data, "\x89PNG", 4) == 0) {
    HBITMAP png = GdiLoadPngFromMemory(data, size);
    if (!png) return nullptr;
    Bitmap* b = GetBitmap_(png);
    auto* ic = new Icon();
    ic->isIcon = isIcon;
    ic->w = b->w;
    ic->h = b->h;
    ic->xHot = xHot;
    ic->yHot = yHot;
    ic->color.assign(b->px.begin(), b->px.end());
    ic->mask.assign(ic->color.size(), 0);
    for (size_t i = 0; i < ic->color.size(); ++i) ic->mask[i] = (ic->color[i] >> 24) == 0;
    ic->hasAlpha = true;
    DeleteObject(png);
    return ic;
  }
  if (size < sizeof(BITMAPINFOHEADER)) return nullptr;
  BITMAPINFOHEADER h;
  std::memcpy(&h, data, sizeof h);
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size || h.biWidth <= 0 || h.biWidth > 1024 || h.biHeight <= 0 ||
      h.biHeight > 2048 || h.biCompression != BI_RGB)
    return nullptr;
  int w = h.biWidth, ht = h.biHeight / 2;
  if (ht <= 0) return nullptr;
  int bpp = h.biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return nullptr;
  size_t colors = bpp <= 8 ? (h.biClrUsed ? h.biClrUsed : (1u << bpp)) : 0;
  if (colors > 256) return nullptr;
  size_t xorStride = ((w * bpp + 31) / 32) * 4, andStride = ((w + 31) / 32) * 4;
  size_t need = h.biSize + colors * 4 + xorStride * ht + andStride * ht;
  bool hasAnd = need <= size;
  if (!hasAnd && h.biSize + colors * 4 + xorStride * ht > size) return nullptr;
  const RGBQUAD* pal = reinterpret_cast<const RGBQUAD*>(data + h.biSize);
  const uint8_t* xorBits = data + h.biSize + colors * 4;
  const uint8_t* andBits = xorBits + xorStride * ht;
  auto* ic = new Icon();
  ic->isIcon = isIcon;
  ic->xHot = xHot;
  ic->yHot = yHot;
  ic->w = w;
  ic->h = ht;
  ic->color.assign(static_cast<size_t>(w) * ht, 0);
  ic->mask.assign(static_cast<size_t>(w) * ht, 0);
  bool anyAlpha = false;
  for (int y = 0; y < ht; ++y) {
    const uint8_t* row = xorBits + (ht - 1 - y) * xorStride;  // bottom-up
    const uint8_t* arow = andBits + (ht - 1 - y) * andStride;
    for (int x = 0; x < w; ++x) {
      uint32_t p;
      switch (bpp) {
        case 32:
          p = row[x * 4] | (row[x * 4 + 1] << 8) | (row[x * 4 + 2] << 16) |
              (static_cast<uint32_t>(row[x * 4 + 3]) << 24);
          break;
        case 24:
          p = 0xFF000000u | row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16);
          break;
        default: {
          size_t idx = bpp == 8   ? row[x]
                       : bpp == 4 ? ((row[x / 2] >> ((x & 1) ? 0 : 4)) & 15)
                                  : ((row[x / 8] >> (7 - (x & 7))) & 1);
          RGBQUAD q = idx < colors ? pal[idx] : RGBQUAD{0, 0, 0, 0};
          p = 0xFF000000u | (q.rgbRed << 16) | (q.rgbGreen << 8) | q.rgbBlue;
        }
      }
      if (bpp == 32 && (p >> 24)) anyAlpha = true;
      ic->color[y * w + x] = p;
      ic->mask[y * w + x] = hasAnd ? ((arow[x / 8] >> (7 - (x & 7))) & 1) : 0;
    }
  }
  if (bpp == 32 && anyAlpha) {
    // Straight alpha in the file; premultiply.
    ic->hasAlpha = true;
    for (auto& p : ic->color) {
      uint32_t a = p >> 24;
      auto pm = [a](uint32_t c) { return (c * a + 127) / 255; };
      p = (a << 24) | (pm((p >> 16) & 0xFF) << 16) | (pm((p >> 8) & 0xFF) << 8) | pm(p & 0xFF);
    }
  } else {
    for (auto& p : ic->color) p |= 0xFF000000u;
  }
  return ic;
}

// Picks the directory entry closest to the wanted size, preferring more colours.
struct DirEntry {
  int w, h, bpp;
  uint32_t sizeOrOffset;
  int id;
};

static int BestEntry(const std::vector<DirEntry>& entries, int cx, int cy) {
  if (cx <= 0) cx = 32;
  if (cy <= 0) cy = cx;
  int best = -1;
  long bestScore = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const DirEntry& e = entries[i];
    long diff = std::abs(e.w - cx) + std::abs(e.h - cy);
    long score = diff * 1000 - e.bpp;
    if (best < 0 || score < bestScore) {
      best = static_cast<int>(i);
      bestScore = score;
    }
  }
  return best;
}

static HBITMAP MaskBitmap(const Icon* ic) {
  HBITMAP m = CreateBitmap(ic->w, ic->h, 1, 1, nullptr);
  Bitmap* b = GetBitmap_(m);
  for (int y = 0; y < ic->h; ++y)
    for (int x = 0; x < ic->w; ++x) b->Row(y)[x] = ic->mask[y * ic->w + x] ? 0xFFFFFFFFu : 0xFF000000u;
  b->Dirty();
  return m;
}

}  // namespace pv::gdi

using namespace pv::gdi;

HICON CreateIconIndirect(const ICONINFO* info) {
  if (!info) return nullptr;
  PV_GDI_LOCK;
  Icon* ic = FromBitmaps(info->hbmColor, info->hbmMask, info->fIcon != 0, static_cast<int>(info->xHotspot),
                         static_cast<int>(info->yHotspot));
  if (!ic) return nullptr;
  if (info->fIcon) {
    ic->xHot = ic->w / 2;
    ic->yHot = ic->h / 2;
  }
  return NewIcon(ic);
}

HICON CreateIcon(HINSTANCE, int w, int h, BYTE planes, BYTE bpp, const BYTE* andBits, const BYTE* xorBits) {
  if (w <= 0 || h <= 0 || !andBits || !xorBits || planes != 1) return nullptr;
  HBITMAP mask = CreateBitmap(w, h, 1, 1, andBits);
  HBITMAP color = bpp == 1 ? nullptr : CreateBitmap(w, h, 1, bpp, xorBits);
  HICON r;
  if (bpp == 1) {
    // Monochrome: mask on top, XOR image below.
    HBITMAP both = CreateBitmap(w, h * 2, 1, 1, nullptr);
    Bitmap* b = GetBitmap_(both);
    Bitmap* m = GetBitmap_(mask);
    HBITMAP x = CreateBitmap(w, h, 1, 1, xorBits);
    Bitmap* xb = GetBitmap_(x);
    for (int y = 0; y < h; ++y)
      for (int xx = 0; xx < w; ++xx) {
        b->Row(y)[xx] = m->Row(y)[xx];
        b->Row(y + h)[xx] = xb->Row(y)[xx];
      }
    ICONINFO ii{TRUE, 0, 0, both, nullptr};
    r = CreateIconIndirect(&ii);
    DeleteObject(both);
    DeleteObject(x);
  } else {
    ICONINFO ii{TRUE, 0, 0, mask, color};
    r = CreateIconIndirect(&ii);
  }
  DeleteObject(mask);
  if (color) DeleteObject(color);
  return r;
}

BOOL GetIconInfo(HICON h, ICONINFO* info) {
  PV_GDI_LOCK;
  Icon* ic = I(h);
  if (!ic || !info) return FALSE;
  info->fIcon = ic->isIcon;
  info->xHotspot = static_cast<DWORD>(ic->xHot);
  info->yHotspot = static_cast<DWORD>(ic->yHot);
  if (ic->monoIcon) {
    HBITMAP m = CreateBitmap(ic->w, ic->h * 2, 1, 1, nullptr);
    Bitmap* b = GetBitmap_(m);
    for (int y = 0; y < ic->h; ++y)
      for (int x = 0; x < ic->w; ++x) {
        b->Row(y)[x] = ic->mask[y * ic->w + x] ? 0xFFFFFFFFu : 0xFF000000u;
        b->Row(y + ic->h)[x] = (ic->color[y * ic->w + x] & 0xFFFFFF) ? 0xFFFFFFFFu : 0xFF000000u;
      }
    info->hbmMask = m;
    info->hbmColor = nullptr;
    return TRUE;
  }
  uint32_t* bits;
  info->hbmColor = MakeDib(ic->w, ic->h, &bits);
  std::copy(ic->color.begin(), ic->color.end(), bits);
  GdiMarkDirty(info->hbmColor);
  info->hbmMask = MaskBitmap(ic);
  return TRUE;
}

HICON CopyIcon(HICON h) {
  PV_GDI_LOCK;
  Icon* ic = I(h);
  if (!ic) return nullptr;
  return NewIcon(new Icon(*ic));
}

BOOL DestroyIcon(HICON h) {
  PV_GDI_LOCK;
  Icon* ic = I(h);
  if (!ic) return FALSE;
  if (ic->stock) return TRUE;
  Unregister(ic);
  delete ic;
  return TRUE;
}
BOOL DestroyCursor(HICON h) { return DestroyIcon(h); }

HICON CreateIconFromResourceEx(const BYTE* bits, DWORD size, BOOL icon, DWORD, int, int, UINT) {
  if (!bits || size == 0) return nullptr;
  PV_GDI_LOCK;
  Icon* ic = FromResourceBits(bits, size, icon != 0);
  if (!ic) return nullptr;
  if (icon) {
    ic->xHot = ic->w / 2;
    ic->yHot = ic->h / 2;
  }
  return NewIcon(ic);
}
HICON CreateIconFromResource(const BYTE* bits, DWORD size, BOOL icon, DWORD version) {
  return CreateIconFromResourceEx(bits, size, icon, version, 0, 0, 0);
}

// A group-icon resource: reserved, type, count, then 14-byte entries
// (width, height, colours, reserved, planes, bit count, bytes, id).
int LookupIconIdFromDirectoryEx(const BYTE* dir, BOOL icon, int cx, int cy, UINT) {
  if (!dir) return 0;
  WORD type = static_cast<WORD>(dir[2] | (dir[3] << 8)), count = static_cast<WORD>(dir[4] | (dir[5] << 8));
  if ((icon && type != 1) || (!icon && type != 2) || count == 0 || count > 256) return 0;
  std::vector<DirEntry> entries;
  for (int i = 0; i < count; ++i) {
    const BYTE* e = dir + 6 + i * 14;
    int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
    int bpp = e[6] | (e[7] << 8);
    if (!icon) {
      // Cursor groups store the width and doubled height as words.
      w = e[0] | (e[1] << 8);
      h = (e[2] | (e[3] << 8)) / 2;
      bpp = e[6] | (e[7] << 8);
    }
    entries.push_back(DirEntry{w, h, bpp, 0, e[12] | (e[13] << 8)});
  }
  int best = BestEntry(entries, cx, cy);
  return best < 0 ? 0 : entries[best].id;
}
int LookupIconIdFromDirectory(const BYTE* dir, BOOL icon) { return LookupIconIdFromDirectoryEx(dir, icon, 0, 0, 0); }

// A .ico/.cur file image: a directory of 16-byte entries with file offsets.
HICON GdiLoadIconFromMemory(const void* data, size_t size, int cx, int cy, BOOL) {
  const auto* d = static_cast<const uint8_t*>(data);
  if (!d || size < 6) return nullptr;
  WORD type = static_cast<WORD>(d[2] | (d[3] << 8)), count = static_cast<WORD>(d[4] | (d[5] << 8));
  if ((type != 1 && type != 2) || count == 0 || size < 6u + count * 16u) return nullptr;
  std::vector<DirEntry> entries;
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = d + 6 + i * 16;
    uint32_t bytes = e[8] | (e[9] << 8) | (e[10] << 16) | (static_cast<uint32_t>(e[11]) << 24);
    uint32_t off = e[12] | (e[13] << 8) | (e[14] << 16) | (static_cast<uint32_t>(e[15]) << 24);
    if (off >= size || bytes > size - off) continue;
    DirEntry de{e[0] ? e[0] : 256, e[1] ? e[1] : 256, type == 1 ? (e[6] | (e[7] << 8)) : 32, off, i};
    entries.push_back(de);
    (void)bytes;
  }
  int best = BestEntry(entries, cx, cy);
  if (best < 0) return nullptr;
  const uint8_t* e = d + 6 + entries[best].id * 16;
  uint32_t bytes = e[8] | (e[9] << 8) | (e[10] << 16) | (static_cast<uint32_t>(e[11]) << 24);
  PV_GDI_LOCK;
  Icon* ic = FromResourceBits(d + entries[best].sizeOrOffset, bytes, true);
  if (!ic) return nullptr;
  if (type == 2) {
    ic->isIcon = false;
    ic->xHot = e[4] | (e[5] << 8);
    ic->yHot = e[6] | (e[7] << 8);
  } else {
    ic->xHot = ic->w / 2;
    ic->yHot = ic->h / 2;
  }
  return NewIcon(ic);
}

BOOL DrawIconEx(HDC hdc, int x, int y, HICON h, int cx, int cy, UINT, HBRUSH flicker, UINT flags) {
  PV_GDI_LOCK;
  Icon* ic = I(h);
  DC* dc = GetDC_(hdc);
  if (!ic || !dc) return FALSE;
  if (cx == 0) cx = (flags & DI_DEFAULTSIZE) ? 32 : ic->w;
  if (cy == 0) cy = (flags & DI_DEFAULTSIZE) ? 32 : ic->h;
  if (!(flags & DI_NORMAL)) flags |= DI_NORMAL;
  HDC target = hdc;
  HDC off = nullptr;
  HBITMAP offBmp = nullptr;
  HGDIOBJ offOld = nullptr;
  if (flicker) {
    // Drawn off-screen over the brush, then copied.
    off = CreateCompatibleDC(hdc);
    offBmp = CreateCompatibleBitmap(hdc, cx, cy);
    offOld = SelectObject(off, offBmp);
    RECT r{0, 0, cx, cy};
    FillRect(off, &r, flicker);
    target = off;
  }
  int tx = flicker ? 0 : x, ty = flicker ? 0 : y;
  // Colour and mask as two bitmaps, then the classic AND/XOR or an alpha blend.
  uint32_t* bits;
  HBITMAP color = MakeDib(ic->w, ic->h, &bits);
  std::copy(ic->color.begin(), ic->color.end(), bits);
  GdiMarkDirty(color);
  HBITMAP mask = MaskBitmap(ic);
  HDC src = CreateCompatibleDC(hdc);
  HGDIOBJ old = SelectObject(src, mask);
  COLORREF oldText = SetTextColor(target, RGB(0, 0, 0)), oldBk = SetBkColor(target, RGB(255, 255, 255));
  int oldMode = SetStretchBltMode(target, COLORONCOLOR);
  if ((flags & DI_NORMAL) == DI_NORMAL && ic->hasAlpha) {
    SelectObject(src, color);
    AlphaBlend(target, tx, ty, cx, cy, src, 0, 0, ic->w, ic->h, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
  } else {
    if (flags & DI_MASK)
      StretchBlt(target, tx, ty, cx, cy, src, 0, 0, ic->w, ic->h, (flags & DI_IMAGE) ? SRCAND : SRCCOPY);
    if (flags & DI_IMAGE) {
      SelectObject(src, color);
      StretchBlt(target, tx, ty, cx, cy, src, 0, 0, ic->w, ic->h, (flags & DI_MASK) ? SRCINVERT : SRCCOPY);
    }
  }
  SetStretchBltMode(target, oldMode);
  SetTextColor(target, oldText);
  SetBkColor(target, oldBk);
  SelectObject(src, old);
  DeleteDC(src);
  DeleteObject(color);
  DeleteObject(mask);
  if (off) {
    BitBlt(hdc, x, y, cx, cy, off, 0, 0, SRCCOPY);
    SelectObject(off, offOld);
    DeleteDC(off);
    DeleteObject(offBmp);
  }
  return TRUE;
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON h) {
  return DrawIconEx(hdc, x, y, h, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}

// ---- bitmaps from .bmp images -----------------------------------------------------------------------------
static void Map3dColors(Bitmap* b) {
  // The classic grey shades of button bitmaps take the current system colours.
  struct M {
    uint32_t from;
    int index;
  } maps[] = {{0x000000, COLOR_BTNTEXT},
              {0x808080, COLOR_BTNSHADOW},
              {0xC0C0C0, COLOR_BTNFACE},
              {0xDFDFDF, COLOR_3DLIGHT},
              {0xFFFFFF, COLOR_BTNHIGHLIGHT}};
  for (int y = 0; y < b->h; ++y)
    for (int x = 0; x < b->w; ++x) {
      uint32_t p = b->Row(y)[x] & 0xFFFFFF;
      for (const M& m : maps)
        if (p == m.from) {
          b->Row(y)[x] = ColorToPixel(GetSysColor(m.index));
          break;
        }
    }
}

HBITMAP GdiLoadBitmapFromMemory(const void* data, size_t size, UINT flags) {
  const auto* d = static_cast<const uint8_t*>(data);
  if (!d || size < sizeof(BITMAPINFOHEADER)) return nullptr;
  if (size >= 8 && std::memcmp(d, "\x89PNG", 4) == 0) return GdiLoadPngFromMemory(data, size);
  size_t bitsOffset = 0;
  if (d[0] == 'B' && d[1] == 'M') {
    if (size < 14 + sizeof(BITMAPINFOHEADER)) return nullptr;
    bitsOffset = d[10] | (d[11] << 8) | (d[12] << 16) | (static_cast<size_t>(d[13]) << 24);
    d += 14;
    size -= 14;
    if (bitsOffset < 14) return nullptr;
    bitsOffset -= 14;
  }
  BITMAPINFOHEADER h;
  std::memcpy(&h, d, sizeof h);
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size || h.biWidth <= 0 || h.biWidth > 32767 ||
      h.biHeight == 0 || h.biHeight > 32767 || h.biHeight < -32767)
    return nullptr;
  if (h.biBitCount != 1 && h.biBitCount != 4 && h.biBitCount != 8 && h.biBitCount != 16 && h.biBitCount != 24 &&
      h.biBitCount != 32)
    return nullptr;
  if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) return nullptr;
  size_t colors = h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : (1u << h.biBitCount)) : 0;
  if (colors > 256) return nullptr;
  size_t masks = h.biCompression == BI_BITFIELDS && h.biSize == sizeof(BITMAPINFOHEADER) ? 12 : 0;
  if (!bitsOffset) bitsOffset = h.biSize + masks + colors * 4;
  size_t rows = static_cast<size_t>(h.biHeight < 0 ? -h.biHeight : h.biHeight);
  size_t stride = ((static_cast<size_t>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
  if (bitsOffset > size || stride * rows > size - bitsOffset) return nullptr;
  // A palette copy that SetDIBits can read after a standard-sized header.
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * 4, 0);
  BITMAPINFOHEADER hh = h;
  hh.biSize = sizeof(BITMAPINFOHEADER);
  hh.biCompression = BI_RGB;  // 16/32-bit bit fields read as the usual 5-5-5 / 8-8-8
  std::memcpy(info.data(), &hh, sizeof hh);
  if (h.biSize + colors * 4 <= size) std::memcpy(info.data() + sizeof hh, d + h.biSize + masks, colors * 4);
  auto* bmi = reinterpret_cast<BITMAPINFO*>(info.data());
  if (flags & LR_LOADTRANSPARENT) {
    // The colour of the first pixel becomes the window colour.
    const uint8_t* px = d + bitsOffset + (h.biHeight > 0 ? (rows - 1) * stride : 0);
    if (h.biBitCount <= 8) {
      int idx = h.biBitCount == 8 ? px[0] : h.biBitCount == 4 ? px[0] >> 4 : px[0] >> 7;
      COLORREF w = GetSysColor(COLOR_WINDOW);
      auto* pal = reinterpret_cast<RGBQUAD*>(info.data() + sizeof hh);
      pal[idx] = RGBQUAD{GetBValue(w), GetGValue(w), GetRValue(w), 0};
    }
  }
  HBITMAP bmp;
  if (h.biBitCount == 1 && !(flags & LR_CREATEDIBSECTION)) {
    bmp = CreateBitmap(h.biWidth, static_cast<int>(rows), 1, 1, nullptr);
    SetDIBits(nullptr, bmp, 0, static_cast<UINT>(rows), d + bitsOffset, bmi, DIB_RGB_COLORS);
  } else if (flags & LR_CREATEDIBSECTION) {
    void* bits;
    bmp = CreateDIBSection(nullptr, bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bmp) SetDIBits(nullptr, bmp, 0, static_cast<UINT>(rows), d + bitsOffset, bmi, DIB_RGB_COLORS);
  } else {
    bmp = CreateDIBitmap(GetScreenDC(), &hh, CBM_INIT, d + bitsOffset, bmi, DIB_RGB_COLORS);
  }
  if (!bmp) return nullptr;
  if (flags & LR_LOADMAP3DCOLORS) {
    PV_GDI_LOCK;
    Bitmap* b = GetBitmap_(bmp);
    b->RawToPixels();
    b->Flush();
    Map3dColors(b);
    b->Dirty();
    b->PixelsToRaw();
  }
  return bmp;
}

static bool ReadFile(LPCWSTR name, std::vector<uint8_t>* out) {
  int n = 0;
  while (name[n]) ++n;
  std::string path = ToUtf8(name, n);
  for (char& c : path)
    if (c == '\\') c = '/';
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  out->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return true;
}

static bool Resource(HINSTANCE inst, LPCWSTR name, LPCWSTR type, const uint8_t** data, DWORD* size) {
  HMODULE m = inst ? inst : AfxFindResourceHandle(name, type);
  HRSRC r = m ? FindResourceW(m, name, type) : nullptr;
  if (!r) return false;
  HGLOBAL g = LoadResource(m, r);
  *data = static_cast<const uint8_t*>(LockResource(g));
  *size = SizeofResource(m, r);
  return *data != nullptr;
}

static HICON IconResource(HINSTANCE inst, LPCWSTR name, bool icon, int cx, int cy) {
  const uint8_t* dir;
  DWORD dirSize;
  if (!Resource(inst, name, icon ? RT_GROUP_ICON : RT_GROUP_CURSOR, &dir, &dirSize) || dirSize < 6) return nullptr;
  int id = LookupIconIdFromDirectoryEx(dir, icon, cx, cy, 0);
  if (!id) return nullptr;
  const uint8_t* bits;
  DWORD size;
  if (!Resource(inst, MAKEINTRESOURCE(id), icon ? RT_ICON : RT_CURSOR, &bits, &size)) return nullptr;
  return CreateIconFromResourceEx(bits, size, icon, 0x30000, cx, cy, 0);
}

HANDLE LoadImage(HINSTANCE inst, LPCWSTR name, UINT type, int cx, int cy, UINT flags) {
  if (!name) return nullptr;
  if (flags & LR_LOADFROMFILE) {
    if (IS_INTRESOURCE(name)) return nullptr;
    std::vector<uint8_t> data;
    if (!ReadFile(name, &data)) return nullptr;
    if (type == IMAGE_BITMAP) return GdiLoadBitmapFromMemory(data.data(), data.size(), flags);
    return GdiLoadIconFromMemory(data.data(), data.size(), (flags & LR_DEFAULTSIZE) && !cx ? 32 : cx,
                                 (flags & LR_DEFAULTSIZE) && !cy ? 32 : cy, type == IMAGE_ICON);
  }
  if (type == IMAGE_BITMAP) {
    const uint8_t* data;
    DWORD size;
    if (!Resource(inst, name, RT_BITMAP, &data, &size)) return nullptr;
    return GdiLoadBitmapFromMemory(data, size, flags);
  }
  return IconResource(inst, name, type == IMAGE_ICON, (flags & LR_DEFAULTSIZE) && !cx ? 32 : cx,
                      (flags & LR_DEFAULTSIZE) && !cy ? 32 : cy);
}
HANDLE LoadImageW(HINSTANCE i, LPCWSTR n, UINT t, int cx, int cy, UINT f) { return LoadImage(i, n, t, cx, cy, f); }

HBITMAP LoadBitmap(HINSTANCE inst, LPCWSTR name) {
  return static_cast<HBITMAP>(LoadImage(inst, name, IMAGE_BITMAP, 0, 0, 0));
}
HBITMAP LoadBitmapW(HINSTANCE inst, LPCWSTR name) { return LoadBitmap(inst, name); }

// Standard icons drawn by us: a circle with a mark, shared and never destroyed.
static HICON StandardIcon(int id) {
  int slot = id - 32512;
  if (slot < 0 || slot > 7) return nullptr;
  PV_GDI_LOCK;
  HICON* icons = State().standardIcons;
  if (!icons[slot]) {
    uint32_t* bits;
    HBITMAP color = MakeDib(32, 32, &bits);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, color);
    COLORREF fill = slot == 1 ? RGB(200, 0, 0) : slot == 3 ? RGB(230, 190, 0) : RGB(0, 80, 200);
    HBRUSH b = CreateSolidBrush(fill);
    HGDIOBJ ob = SelectObject(mem, b);
    SelectObject(mem, GetStockObject(NULL_PEN));
    Ellipse(mem, 1, 1, 32, 32);
    SelectObject(mem, ob);
    DeleteObject(b);
    RECT r{0, 0, 32, 32};
    SetBkMode(mem, TRANSPARENT);
    SetTextColor(mem, RGB(255, 255, 255));
    const char16_t* mark = slot == 1 ? u"x" : slot == 2 ? u"?" : slot == 3 ? u"!" : slot == 4 ? u"i" : u"";
    HFONT f = CreateFont(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
    HGDIOBJ of = SelectObject(mem, f);
    DrawText(mem, mark, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(mem, of);
    DeleteObject(f);
    SelectObject(mem, old);
    DeleteDC(mem);
    HBITMAP mask = CreateBitmap(32, 32, 1, 1, nullptr);
    Bitmap* mb = GetBitmap_(mask);
    Bitmap* cb = GetBitmap_(color);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        bool drawn = (cb->Row(y)[x] >> 24) != 0;
        mb->Row(y)[x] = drawn ? 0xFF000000u : 0xFFFFFFFFu;
        if (!drawn) cb->Row(y)[x] = 0;
      }
    ICONINFO ii{TRUE, 16, 16, mask, color};
    icons[slot] = CreateIconIndirect(&ii);
    if (Icon* ic = I(icons[slot])) ic->stock = true;
    DeleteObject(mask);
    DeleteObject(color);
  }
  return icons[slot];
}

HICON LoadIcon(HINSTANCE inst, LPCWSTR name) {
  if (!inst && IS_INTRESOURCE(name)) return StandardIcon(static_cast<int>(reinterpret_cast<uintptr_t>(name)));
  return static_cast<HICON>(LoadImage(inst, name, IMAGE_ICON, 32, 32, LR_DEFAULTSIZE));
}
HICON LoadIconW(HINSTANCE inst, LPCWSTR name) { return LoadIcon(inst, name); }

HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags) {
  HANDLE result = nullptr;
  if (type == IMAGE_BITMAP) {
    PV_GDI_LOCK;
    Bitmap* b = GetBitmap_(image);
    if (!b) return nullptr;
    b->RawToPixels();
    b->Flush();
    int w = cx ? cx : b->w, h = cy ? cy : b->h;
    HBITMAP out;
    if (b->mono && !(flags & LR_CREATEDIBSECTION)) out = CreateBitmap(w, h, 1, 1, nullptr);
    else {
      uint32_t* bits;
      out = MakeDib(w, h, &bits);
    }
    HDC s = CreateCompatibleDC(nullptr), d = CreateCompatibleDC(nullptr);
    HGDIOBJ so = SelectObject(s, image), dso = SelectObject(d, out);
    SetStretchBltMode(d, COLORONCOLOR);
    StretchBlt(d, 0, 0, w, h, s, 0, 0, b->w, b->h, SRCCOPY);
    SelectObject(s, so);
    SelectObject(d, dso);
    DeleteDC(s);
    DeleteDC(d);
    result = out;
    if (flags & LR_COPYDELETEORG) DeleteObject(image);
  } else {
    PV_GDI_LOCK;
    Icon* ic = I(static_cast<HICON>(image));
    if (!ic) return nullptr;
    if ((cx == 0 || cx == ic->w) && (cy == 0 || cy == ic->h)) {
      result = CopyIcon(static_cast<HICON>(image));
    } else {
      // Scaled copy through the icon's bitmaps.
      ICONINFO ii;
      GetIconInfo(static_cast<HICON>(image), &ii);
      HANDLE c = ii.hbmColor ? CopyImage(ii.hbmColor, IMAGE_BITMAP, cx, cy, LR_CREATEDIBSECTION) : nullptr;
      HANDLE m = CopyImage(ii.hbmMask, IMAGE_BITMAP, cx, ii.hbmColor ? cy : cy * 2, 0);
      ICONINFO ni{ii.fIcon, ii.xHotspot, ii.yHotspot, static_cast<HBITMAP>(m), static_cast<HBITMAP>(c)};
      result = CreateIconIndirect(&ni);
      if (Icon* nic = I(static_cast<HICON>(result)); nic && ic->hasAlpha) nic->hasAlpha = true;
      DeleteObject(ii.hbmMask);
      if (ii.hbmColor) DeleteObject(ii.hbmColor);
      if (c) DeleteObject(c);
      DeleteObject(m);
    }
    if (flags & LR_COPYDELETEORG) DestroyIcon(static_cast<HICON>(image));
  }
  return result;
}
