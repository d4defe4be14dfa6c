// Blits: BitBlt/StretchBlt/MaskBlt with ternary raster operations,
// AlphaBlend, TransparentBlt, GradientFill and the DIB-to-device calls.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/gdi_internal.h"

namespace pv::gdi {

// One blit: destination rectangle in target pixels, source rectangle in the
// source bitmap, horizontal/vertical flips.
struct BlitGeom {
  RECT d{};
  RECT s{};
  bool flipX = false, flipY = false;
};

static bool Geometry(DC* dst, int x, int y, int w, int h, DC* src, int xs, int ys, int ws, int hs, BlitGeom* g) {
  if (w == 0 || h == 0) return false;
  POINT a = dst->ToDevicePt(x, y), b = dst->ToDevicePt(x + w, y + h);
  g->d = RECT{std::min(a.x, b.x) + dst->sysOrigin.x, std::min(a.y, b.y) + dst->sysOrigin.y,
              std::max(a.x, b.x) + dst->sysOrigin.x, std::max(a.y, b.y) + dst->sysOrigin.y};
  bool dFlipX = b.x < a.x, dFlipY = b.y < a.y;
  // A negative extent covers the pixels from the start point backwards,
  // the start point included.
  if (w < 0) {
    int k = dst->Mirrored() ? -1 : 1;
    g->d.left += k;
    g->d.right += k;
  }
  if (h < 0) {
    g->d.top += 1;
    g->d.bottom += 1;
  }
  bool sFlipX = false, sFlipY = false;
  if (src) {
    POINT c = src->ToDevicePt(xs, ys), e = src->ToDevicePt(xs + ws, ys + hs);
    g->s = RECT{std::min(c.x, e.x) + src->sysOrigin.x, std::min(c.y, e.y) + src->sysOrigin.y,
                std::max(c.x, e.x) + src->sysOrigin.x, std::max(c.y, e.y) + src->sysOrigin.y};
    sFlipX = e.x < c.x;
    sFlipY = e.y < c.y;
    if (ws < 0) {
      int k = src->Mirrored() ? -1 : 1;
      g->s.left += k;
      g->s.right += k;
    }
    if (hs < 0) {
      g->s.top += 1;
      g->s.bottom += 1;
    }
  }
  g->flipX = dFlipX != sFlipX;
  g->flipY = dFlipY != sFlipY;
  // A mirrored destination keeps bitmaps readable when asked to.
  if (dst->Mirrored() && (dst->st.layout & LAYOUT_BITMAPORIENTATIONPRESERVED)) g->flipX = !g->flipX;
  return true;
}

// Source pixel for destination pixel (x, y), nearest sample.
static inline void SrcPos(const BlitGeom& g, int x, int y, int* sx, int* sy) {
  int dw = g.d.right - g.d.left, dh = g.d.bottom - g.d.top;
  int sw = g.s.right - g.s.left, sh = g.s.bottom - g.s.top;
  int ix = x - g.d.left, iy = y - g.d.top;
  if (g.flipX) ix = dw - 1 - ix;
  if (g.flipY) iy = dh - 1 - iy;
  *sx = g.s.left + (dw == sw ? ix : static_cast<int>((static_cast<long long>(2 * ix + 1) * sw) / (2 * dw)));
  *sy = g.s.top + (dh == sh ? iy : static_cast<int>((static_cast<long long>(2 * iy + 1) * sh) / (2 * dh)));
}

// Reads the source pixel converted for the destination: monochrome sources
// take the destination's text (0) and background (1) colours; colour
// sources going into a monochrome bitmap become white where they match the
// source's background colour.
struct SrcReader {
  Bitmap* sb;
  bool monoToColor = false, colorToMono = false;
  uint32_t fg = 0, bg = 0;
  uint32_t srcBk = 0;
  uint32_t Get(int x, int y) const {
    if (x < 0 || y < 0 || x >= sb->w || y >= sb->h) return 0xFF000000u;
    uint32_t p = sb->Row(y)[x];
    if (monoToColor) return (p & 0xFFFFFF) ? bg : fg;
    if (colorToMono) return ((p & 0xFFFFFF) == srcBk) ? 0xFFFFFFFFu : 0xFF000000u;
    return p;
  }
};

static SrcReader MakeReader(DC* dst, DC* src, Bitmap* sb) {
  SrcReader r{sb};
  Bitmap* db = dst->Target();
  bool dMono = db && db->mono;
  if (sb->mono && !dMono) {
    r.monoToColor = true;
    r.fg = ColorToPixel(dst->st.text);
    r.bg = ColorToPixel(dst->st.bk);
  } else if (!sb->mono && dMono) {
    r.colorToMono = true;
    r.srcBk = ColorToPixel(src->st.bk) & 0xFFFFFF;
  }
  return r;
}

// Printer destinations: paint a converted copy of the source through cairo.
static void BlitToPrinter(DC* dst, const BlitGeom& g, const SrcReader& rd) {
  int sw = g.s.right - g.s.left, sh = g.s.bottom - g.s.top;
  if (sw <= 0 || sh <= 0) return;
  cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, sw, sh);
  uint32_t* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(img));
  int stride = cairo_image_surface_get_stride(img) / 4;
  for (int y = 0; y < sh; ++y)
    for (int x = 0; x < sw; ++x) data[y * stride + x] = rd.Get(g.s.left + x, g.s.top + y);
  cairo_surface_mark_dirty(img);
  cairo_t* cr = dst->Cairo();
  if (cr) {
    cairo_translate(cr, g.d.left, g.d.top);
    double kx = static_cast<double>(g.d.right - g.d.left) / sw, ky = static_cast<double>(g.d.bottom - g.d.top) / sh;
    cairo_scale(cr, g.flipX ? -kx : kx, g.flipY ? -ky : ky);
    if (g.flipX || g.flipY) cairo_translate(cr, g.flipX ? -sw : 0, g.flipY ? -sh : 0);
    cairo_set_source_surface(cr, img, 0, 0);
    cairo_paint(cr);
    dst->ReleaseCairo(cr);
  }
  cairo_surface_destroy(img);
}

static BOOL Blit(HDC hdst, int x, int y, int w, int h, HDC hsrc, int xs, int ys, int ws, int hs, DWORD rop,
                 bool stretch) {
  PV_GDI_LOCK;
  DC* dst = GetDC_(hdst);
  if (!dst) return FALSE;
  uint8_t r3 = (rop >> 16) & 0xFF;
  bool useSrc = RopUsesSource(rop);
  DC* src = useSrc ? GetDC_(hsrc) : nullptr;
  if (useSrc && !src) return FALSE;
  if (src) PrepareRead(src, xs, ys, stretch ? ws : w, stretch ? hs : h);
  Bitmap* sb = src ? src->Target() : nullptr;
  if (useSrc && !sb) return FALSE;
  if (!stretch) {
    ws = w;
    hs = h;
  }
  BlitGeom g;
  if (!Geometry(dst, x, y, w, h, src, xs, ys, ws, hs, &g)) return TRUE;
  if (useSrc && (g.s.right <= g.s.left || g.s.bottom <= g.s.top)) return TRUE;
  BrushSampler pat;
  bool usePat = RopUsesPattern(rop);
  if (usePat && !MakeSampler(dst, dst->st.brush, &pat)) {
    pat = BrushSampler();
    pat.solid = 0xFF000000u;
  }
  if (sb) {
    sb->RawToPixels();
    sb->Flush();
  }
  SrcReader rd = sb ? MakeReader(dst, src, sb) : SrcReader{nullptr};
  Bitmap* db = dst->Target();
  if (!db) {
    if (dst->type == DCType::Printer && useSrc) BlitToPrinter(dst, g, rd);
    else if (dst->type == DCType::Printer) FillTargetRect(dst, g.d, dst->st.brush, rop);
    return TRUE;
  }
  RectSet area = RectSet::Combine(RectSet::FromRect(g.d.left, g.d.top, g.d.right, g.d.bottom), dst->Clip(), RGN_AND);
  if (area.Empty()) return TRUE;
  db->Flush();
  // Overlapping copies inside one bitmap read from a snapshot of the source.
  std::vector<uint32_t> snapshot;
  Bitmap snapBmp;
  if (sb == db) {
    snapshot.resize(static_cast<size_t>(sb->w) * sb->h);
    for (int yy = 0; yy < sb->h; ++yy) std::memcpy(&snapshot[static_cast<size_t>(yy) * sb->w], sb->Row(yy), sb->w * 4);
    snapBmp.w = sb->w;
    snapBmp.h = sb->h;
    snapBmp.mono = sb->mono;
    snapBmp.pixels = snapshot.data();
    snapBmp.stride = sb->w * 4;
    rd.sb = &snapBmp;
  }
  bool halftone = dst->st.stretchMode == HALFTONE && stretch && r3 == 0xCC && !rd.monoToColor && !rd.colorToMono;
  int sw = g.s.right - g.s.left, sh = g.s.bottom - g.s.top;
  bool sameSize = sw == g.d.right - g.d.left && sh == g.d.bottom - g.d.top;
  // A plain copy (every double-buffered paint ends with one) moves whole
  // rows; what it leaves alone and what it writes are those of the loop below.
  if (r3 == 0xCC && sameSize && !g.flipX && !g.flipY && !rd.monoToColor && !rd.colorToMono) {
    Bitmap* from = rd.sb;
    for (const RECT& r : area.rects) {
      const int dx = g.s.left - g.d.left, dy = g.s.top - g.d.top;
      // Pixels with no source (outside the source bitmap) are left alone.
      const int left = std::max(r.left, -dx), right = std::min(r.right, from->w - dx);
      if (left >= right) continue;
      for (int yy = std::max(r.top, -dy); yy < std::min(r.bottom, from->h - dy); ++yy)
        std::memmove(db->Row(yy) + left, from->Row(yy + dy) + left + dx, static_cast<size_t>(right - left) * 4);
    }
    db->Dirty();
    db->PixelsToRaw();
    return TRUE;
  }
  for (const RECT& r : area.rects) {
    for (int yy = r.top; yy < r.bottom; ++yy) {
      uint32_t* row = db->Row(yy);
      for (int xx = r.left; xx < r.right; ++xx) {
        uint32_t s = 0;
        if (useSrc) {
          if (halftone && !sameSize) {
            // Box filter over the source area this pixel covers.
            int dw = g.d.right - g.d.left, dh = g.d.bottom - g.d.top;
            int ix = xx - g.d.left, iy = yy - g.d.top;
            if (g.flipX) ix = dw - 1 - ix;
            if (g.flipY) iy = dh - 1 - iy;
            int x0 = g.s.left + ix * sw / dw, x1 = std::max(x0 + 1, g.s.left + (ix + 1) * sw / dw);
            int y0 = g.s.top + iy * sh / dh, y1 = std::max(y0 + 1, g.s.top + (iy + 1) * sh / dh);
            uint32_t acc[4] = {0, 0, 0, 0}, n = 0;
            for (int sy = y0; sy < y1; ++sy)
              for (int sx = x0; sx < x1; ++sx) {
                uint32_t p = rd.Get(sx, sy);
                for (int c = 0; c < 4; ++c) acc[c] += (p >> (c * 8)) & 0xFF;
                ++n;
              }
            s = 0;
            for (int c = 0; c < 4; ++c) s |= ((acc[c] + n / 2) / n) << (c * 8);
          } else {
            int sx, sy;
            SrcPos(g, xx, yy, &sx, &sy);
            // Pixels with no source (outside the source bitmap) are left alone.
            if (sx < 0 || sy < 0 || sx >= rd.sb->w || sy >= rd.sb->h) continue;
            s = rd.Get(sx, sy);
          }
        }
        uint32_t p = 0;
        if (usePat) pat.At(xx, yy, &p);
        row[xx] = Rop3(r3, p, s, row[xx]);
      }
    }
  }
  db->Dirty();
  db->PixelsToRaw();
  return TRUE;
}

}  // namespace pv::gdi

using namespace pv::gdi;

BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int xs, int ys, DWORD rop) {
  return Blit(dst, x, y, w, h, src, xs, ys, w, h, rop, false);
}

BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int xs, int ys, int ws, int hs, DWORD rop) {
  return Blit(dst, x, y, w, h, src, xs, ys, ws, hs, rop, true);
}

BOOL MaskBlt(HDC hdst, int x, int y, int w, int h, HDC hsrc, int xs, int ys, HBITMAP hmask, int xm, int ym,
             DWORD rop4) {
  PV_GDI_LOCK;
  Bitmap* mask = GetBitmap_(hmask);
  if (!hmask) return BitBlt(hdst, x, y, w, h, hsrc, xs, ys, rop4 & 0xFFFFFF);
  DC* dst = GetDC_(hdst);
  DC* src = GetDC_(hsrc);
  if (!dst || !mask || !mask->mono) return FALSE;
  if (src) PrepareRead(src, xs, ys, w, h);
  Bitmap* db = dst->Target();
  Bitmap* sb = src ? src->Target() : nullptr;
  if (!db) return FALSE;
  uint8_t fore = (rop4 >> 16) & 0xFF, back = (rop4 >> 24) & 0xFF;
  BrushSampler pat;
  if (!MakeSampler(dst, dst->st.brush, &pat)) pat.solid = 0xFF000000u;
  BlitGeom g;
  if (!Geometry(dst, x, y, w, h, src, xs, ys, w, h, &g)) return TRUE;
  SrcReader rd = sb ? MakeReader(dst, src, sb) : SrcReader{nullptr};
  RectSet area = RectSet::Combine(RectSet::FromRect(g.d.left, g.d.top, g.d.right, g.d.bottom), dst->Clip(), RGN_AND);
  db->Flush();
  if (sb) sb->Flush();
  mask->Flush();
  for (const RECT& r : area.rects)
    for (int yy = r.top; yy < r.bottom; ++yy) {
      uint32_t* row = db->Row(yy);
      for (int xx = r.left; xx < r.right; ++xx) {
        int mx = xm + (xx - g.d.left), my = ym + (yy - g.d.top);
        bool m = mx >= 0 && my >= 0 && mx < mask->w && my < mask->h && (mask->Row(my)[mx] & 0xFFFFFF);
        int sx, sy;
        SrcPos(g, xx, yy, &sx, &sy);
        uint32_t s = sb ? rd.Get(sx, sy) : 0, p = 0;
        pat.At(xx, yy, &p);
        row[xx] = Rop3(m ? fore : back, p, s, row[xx]);
      }
    }
  db->Dirty();
  db->PixelsToRaw();
  return TRUE;
}

static inline uint32_t Mul255(uint32_t a, uint32_t b) { return (a * b + 127) / 255; }

BOOL AlphaBlend(HDC hdst, int x, int y, int w, int h, HDC hsrc, int xs, int ys, int ws, int hs, BLENDFUNCTION bf) {
  PV_GDI_LOCK;
  DC* dst = GetDC_(hdst);
  DC* src = GetDC_(hsrc);
  if (!dst || !src || bf.BlendOp != AC_SRC_OVER) return FALSE;
  if (w < 0 || h < 0 || ws < 0 || hs < 0) return FALSE;
  PrepareRead(src, xs, ys, ws, hs);
  Bitmap* sb = src->Target();
  if (!sb) return FALSE;
  BlitGeom g;
  if (!Geometry(dst, x, y, w, h, src, xs, ys, ws, hs, &g)) return TRUE;
  // The source rectangle must lie inside the source bitmap.
  if (g.s.left < 0 || g.s.top < 0 || g.s.right > sb->w || g.s.bottom > sb->h) return FALSE;
  if (g.s.right <= g.s.left || g.s.bottom <= g.s.top) return TRUE;
  sb->RawToPixels();
  sb->Flush();
  Bitmap* db = dst->Target();
  uint32_t sca = bf.SourceConstantAlpha;
  bool perPixel = (bf.AlphaFormat & AC_SRC_ALPHA) != 0;
  if (!db) {
    if (dst->type != DCType::Printer) return FALSE;
    // Printers: let cairo composite a premultiplied copy.
    int sw = g.s.right - g.s.left, sh = g.s.bottom - g.s.top;
    cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, sw, sh);
    uint32_t* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(img));
    int stride = cairo_image_surface_get_stride(img) / 4;
    for (int yy = 0; yy < sh; ++yy)
      for (int xx = 0; xx < sw; ++xx) {
        uint32_t p = sb->Row(g.s.top + yy)[g.s.left + xx];
        data[yy * stride + xx] = perPixel ? p : (p | 0xFF000000u);
      }
    cairo_surface_mark_dirty(img);
    cairo_t* cr = dst->Cairo();
    if (cr) {
      cairo_translate(cr, g.d.left, g.d.top);
      cairo_scale(cr, static_cast<double>(g.d.right - g.d.left) / sw, static_cast<double>(g.d.bottom - g.d.top) / sh);
      cairo_set_source_surface(cr, img, 0, 0);
      cairo_paint_with_alpha(cr, sca / 255.0);
      dst->ReleaseCairo(cr);
    }
    cairo_surface_destroy(img);
    return TRUE;
  }
  RectSet area = RectSet::Combine(RectSet::FromRect(g.d.left, g.d.top, g.d.right, g.d.bottom), dst->Clip(), RGN_AND);
  db->Flush();
  std::vector<uint32_t> snapshot;
  for (const RECT& r : area.rects)
    for (int yy = r.top; yy < r.bottom; ++yy) {
      uint32_t* row = db->Row(yy);
      for (int xx = r.left; xx < r.right; ++xx) {
        int sx, sy;
        SrcPos(g, xx, yy, &sx, &sy);
        uint32_t s = sb->Row(sy)[sx], d = row[xx];
        uint32_t out = 0;
        if (perPixel) {
          // Premultiplied source: d = s·k + d·(1 − sa·k), k = constant alpha.
          uint32_t sa = Mul255(s >> 24, sca);
          for (int c = 0; c < 32; c += 8) {
            uint32_t sc = Mul255((s >> c) & 0xFF, sca), dc = (d >> c) & 0xFF;
            uint32_t v = sc + Mul255(dc, 255 - sa);
            out |= std::min<uint32_t>(v, 255) << c;
          }
        } else {
          // Constant alpha only: d = s·k + d·(1 − k) on every channel.
          s |= 0xFF000000u;
          for (int c = 0; c < 32; c += 8) {
            uint32_t v = Mul255((s >> c) & 0xFF, sca) + Mul255((d >> c) & 0xFF, 255 - sca);
            out |= std::min<uint32_t>(v, 255) << c;
          }
        }
        row[xx] = out;
      }
    }
  db->Dirty();
  db->PixelsToRaw();
  return TRUE;
}

BOOL TransparentBlt(HDC hdst, int x, int y, int w, int h, HDC hsrc, int xs, int ys, int ws, int hs, UINT key) {
  PV_GDI_LOCK;
  DC* dst = GetDC_(hdst);
  DC* src = GetDC_(hsrc);
  if (!dst || !src || w <= 0 || h <= 0 || ws <= 0 || hs <= 0) return FALSE;
  PrepareRead(src, xs, ys, ws, hs);
  Bitmap* sb = src->Target();
  Bitmap* db = dst->Target();
  if (!sb) return FALSE;
  BlitGeom g;
  if (!Geometry(dst, x, y, w, h, src, xs, ys, ws, hs, &g)) return TRUE;
  sb->RawToPixels();
  sb->Flush();
  SrcReader rd = MakeReader(dst, src, sb);
  uint32_t k = ColorToPixel(key & 0xFFFFFF) & 0xFFFFFF;
  if (!db) {
    if (dst->type != DCType::Printer) return FALSE;
    // Printers: a copy with the key made transparent.
    int sw = g.s.right - g.s.left, sh = g.s.bottom - g.s.top;
    cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, sw, sh);
    uint32_t* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(img));
    int stride = cairo_image_surface_get_stride(img) / 4;
    for (int yy = 0; yy < sh; ++yy)
      for (int xx = 0; xx < sw; ++xx) {
        uint32_t p = rd.Get(g.s.left + xx, g.s.top + yy);
        uint32_t raw = sb->Row(g.s.top + yy)[g.s.left + xx];
        data[yy * stride + xx] = (raw & 0xFFFFFF) == k ? 0 : (p | 0xFF000000u);
      }
    cairo_surface_mark_dirty(img);
    cairo_t* cr = dst->Cairo();
    if (cr) {
      cairo_translate(cr, g.d.left, g.d.top);
      cairo_scale(cr, static_cast<double>(g.d.right - g.d.left) / sw, static_cast<double>(g.d.bottom - g.d.top) / sh);
      cairo_set_source_surface(cr, img, 0, 0);
      cairo_paint(cr);
      dst->ReleaseCairo(cr);
    }
    cairo_surface_destroy(img);
    return TRUE;
  }
  RectSet area = RectSet::Combine(RectSet::FromRect(g.d.left, g.d.top, g.d.right, g.d.bottom), dst->Clip(), RGN_AND);
  db->Flush();
  for (const RECT& r : area.rects)
    for (int yy = r.top; yy < r.bottom; ++yy) {
      uint32_t* row = db->Row(yy);
      for (int xx = r.left; xx < r.right; ++xx) {
        int sx, sy;
        SrcPos(g, xx, yy, &sx, &sy);
        if (sx < 0 || sy < 0 || sx >= sb->w || sy >= sb->h) continue;
        uint32_t raw = sb->Row(sy)[sx];
        if ((PixelToColor(raw) & 0xFFFFFF) == (key & 0xFFFFFF)) continue;
        row[xx] = rd.Get(sx, sy) | 0xFF000000u;
      }
    }
  db->Dirty();
  db->PixelsToRaw();
  return TRUE;
}

// Gradient colours: the first and last pixel get the exact vertex colours.
static inline uint32_t Lerp16(int a, int b, long long i, long long n) {
  if (n <= 1) return static_cast<uint32_t>(a) >> 8;
  long long v = a + (static_cast<long long>(b - a) * i + (n - 1) / 2 * (b >= a ? 1 : -1)) / (n - 1);
  return static_cast<uint32_t>(std::clamp<long long>(v, 0, 0xFFFF)) >> 8;
}

BOOL GradientFill(HDC hdc, const TRIVERTEX* v, ULONG nv, const void* mesh, ULONG nm, ULONG mode) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  if (!dc || !v || !mesh) return FALSE;
  Bitmap* b = dc->Target();
  const RectSet& clip = dc->Clip();
  auto put = [&](int x, int y, uint32_t p) {
    if (b) {
      if (x >= 0 && y >= 0 && x < b->w && y < b->h && clip.Contains(x, y)) b->Row(y)[x] = p;
    }
  };
  if (b) b->Flush();
  if (mode == GRADIENT_FILL_RECT_H || mode == GRADIENT_FILL_RECT_V) {
    auto* rects = static_cast<const GRADIENT_RECT*>(mesh);
    for (ULONG i = 0; i < nm; ++i) {
      if (rects[i].UpperLeft >= nv || rects[i].LowerRight >= nv) return FALSE;
      const TRIVERTEX &a = v[rects[i].UpperLeft], &c = v[rects[i].LowerRight];
      POINT pa = dc->ToDevicePt(a.x, a.y), pc = dc->ToDevicePt(c.x, c.y);
      RECT t{std::min(pa.x, pc.x) + dc->sysOrigin.x, std::min(pa.y, pc.y) + dc->sysOrigin.y,
             std::max(pa.x, pc.x) + dc->sysOrigin.x, std::max(pa.y, pc.y) + dc->sysOrigin.y};
      bool horizontal = mode == GRADIENT_FILL_RECT_H;
      // The colour of vertex `a` sits at its own side, wherever the mapping puts it.
      bool reversed = horizontal ? pc.x < pa.x : pc.y < pa.y;
      int n = horizontal ? t.right - t.left : t.bottom - t.top;
      if (!b) {
        if (dc->type != DCType::Printer) continue;
        cairo_t* cr = dc->Cairo();
        if (!cr) continue;
        cairo_pattern_t* pat = horizontal ? cairo_pattern_create_linear(t.left + 0.5, 0, t.right - 0.5, 0)
                                          : cairo_pattern_create_linear(0, t.top + 0.5, 0, t.bottom - 0.5);
        const TRIVERTEX& first = reversed ? c : a;
        const TRIVERTEX& last = reversed ? a : c;
        cairo_pattern_add_color_stop_rgb(pat, 0, first.Red / 65535.0, first.Green / 65535.0, first.Blue / 65535.0);
        cairo_pattern_add_color_stop_rgb(pat, 1, last.Red / 65535.0, last.Green / 65535.0, last.Blue / 65535.0);
        cairo_set_source(cr, pat);
        cairo_rectangle(cr, t.left, t.top, t.right - t.left, t.bottom - t.top);
        cairo_fill(cr);
        cairo_pattern_destroy(pat);
        dc->ReleaseCairo(cr);
        continue;
      }
      for (int k = 0; k < n; ++k) {
        long long idx = reversed ? n - 1 - k : k;
        uint32_t p = 0xFF000000u | (Lerp16(a.Red, c.Red, idx, n) << 16) | (Lerp16(a.Green, c.Green, idx, n) << 8) |
                     Lerp16(a.Blue, c.Blue, idx, n);
        if (horizontal)
          for (int y = t.top; y < t.bottom; ++y) put(t.left + k, y, p);
        else
          for (int x = t.left; x < t.right; ++x) put(x, t.top + k, p);
      }
    }
  } else if (mode == GRADIENT_FILL_TRIANGLE) {
    auto* tris = static_cast<const GRADIENT_TRIANGLE*>(mesh);
    for (ULONG i = 0; i < nm; ++i) {
      if (tris[i].Vertex1 >= nv || tris[i].Vertex2 >= nv || tris[i].Vertex3 >= nv) return FALSE;
      const TRIVERTEX* tv[3] = {&v[tris[i].Vertex1], &v[tris[i].Vertex2], &v[tris[i].Vertex3]};
      double px[3], py[3];
      for (int k = 0; k < 3; ++k) {
        dc->ToDevice(tv[k]->x, tv[k]->y, &px[k], &py[k]);
        px[k] += dc->sysOrigin.x;
        py[k] += dc->sysOrigin.y;
      }
      double den = (py[1] - py[2]) * (px[0] - px[2]) + (px[2] - px[1]) * (py[0] - py[2]);
      if (std::fabs(den) < 1e-9) continue;
      int x0 = static_cast<int>(std::floor(std::min({px[0], px[1], px[2]})));
      int x1 = static_cast<int>(std::ceil(std::max({px[0], px[1], px[2]})));
      int y0 = static_cast<int>(std::floor(std::min({py[0], py[1], py[2]})));
      int y1 = static_cast<int>(std::ceil(std::max({py[0], py[1], py[2]})));
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
          double cx = x + 0.5, cy = y + 0.5;
          double l0 = ((py[1] - py[2]) * (cx - px[2]) + (px[2] - px[1]) * (cy - py[2])) / den;
          double l1 = ((py[2] - py[0]) * (cx - px[2]) + (px[0] - px[2]) * (cy - py[2])) / den;
          double l2 = 1 - l0 - l1;
          if (l0 < -1e-9 || l1 < -1e-9 || l2 < -1e-9) continue;
          auto ch = [&](COLOR16 TRIVERTEX::*m) {
            double val = l0 * (tv[0]->*m) + l1 * (tv[1]->*m) + l2 * (tv[2]->*m);
            return static_cast<uint32_t>(std::clamp(val, 0.0, 65535.0)) >> 8;
          };
          put(x, y, 0xFF000000u | (ch(&TRIVERTEX::Red) << 16) | (ch(&TRIVERTEX::Green) << 8) | ch(&TRIVERTEX::Blue));
        }
    }
  } else {
    return FALSE;
  }
  if (b) {
    b->Dirty();
    b->PixelsToRaw();
  }
  return TRUE;
}

// ---- DIBs to devices ----------------------------------------------------------------------------------
static HBITMAP DibToBitmap(const void* bits, const BITMAPINFO* bmi, UINT usage) {
  if (!bits || !bmi) return nullptr;
  BITMAPINFOHEADER h = bmi->bmiHeader;
  if (h.biWidth <= 0 || h.biHeight == 0) return nullptr;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = h.biWidth;
  bi.bmiHeader.biHeight = h.biHeight < 0 ? h.biHeight : -h.biHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, nullptr, nullptr, 0);
  if (!bmp) return nullptr;
  int lines = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  if (SetDIBits(nullptr, bmp, 0, static_cast<UINT>(lines), bits, bmi, usage) <= 0) {
    DeleteObject(bmp);
    return nullptr;
  }
  return bmp;
}

int StretchDIBits(HDC hdc, int xd, int yd, int wd, int hd, int xs, int ys, int ws, int hs, const void* bits,
                  const BITMAPINFO* bmi, UINT usage, DWORD rop) {
  HBITMAP bmp = DibToBitmap(bits, bmi, usage);
  if (!bmp) return 0;
  // Source y counts from the bottom of a bottom-up DIB.
  int height = bmi->bmiHeader.biHeight;
  if (height > 0) ys = height - ys - hs;
  HDC mem = CreateCompatibleDC(hdc);
  HGDIOBJ old = SelectObject(mem, bmp);
  BOOL ok = StretchBlt(hdc, xd, yd, wd, hd, mem, xs, ys, ws, hs, rop);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  return ok ? hs : 0;
}

int SetDIBitsToDevice(HDC hdc, int xd, int yd, DWORD w, DWORD h, int xs, int ys, UINT start, UINT lines,
                      const void* bits, const BITMAPINFO* bmi, UINT usage) {
  if (!bmi || !bits || lines == 0) return 0;
  // The bits hold scan lines start .. start+lines-1 (counted from the bottom
  // of a bottom-up image); place that band where it belongs in the image.
  BITMAPINFOHEADER band = bmi->bmiHeader;
  bool topDown = band.biHeight < 0;
  int fullH = topDown ? -band.biHeight : band.biHeight;
  if (start >= static_cast<UINT>(fullH)) return 0;
  lines = std::min<UINT>(lines, static_cast<UINT>(fullH) - start);
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * 4, 0);
  size_t colors = band.biBitCount <= 8 ? (band.biClrUsed ? band.biClrUsed : (1u << band.biBitCount)) : 0;
  std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), reinterpret_cast<const uint8_t*>(bmi) + bmi->bmiHeader.biSize,
              std::min<size_t>(colors, 256) * 4);
  band.biSize = sizeof(BITMAPINFOHEADER);
  band.biHeight = topDown ? -static_cast<LONG>(lines) : static_cast<LONG>(lines);
  std::memcpy(info.data(), &band, sizeof band);
  // ys counts from the first scan line (the bottom row of a bottom-up image),
  // as the band's own scan lines do from `start`.
  int r = StretchDIBits(hdc, xd, yd, static_cast<int>(w), static_cast<int>(h), xs, ys - static_cast<int>(start),
                        static_cast<int>(w), static_cast<int>(h), bits, reinterpret_cast<BITMAPINFO*>(info.data()),
                        usage, SRCCOPY);
  return r ? static_cast<int>(lines) : 0;
}
