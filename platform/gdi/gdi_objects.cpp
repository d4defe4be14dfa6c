// Handles, stock objects, pens, brushes, bitmaps and the generic object calls.
#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "platform/gdi/gdi_internal.h"

namespace pv::gdi {

GdiState::GdiState() {
  const COLORREF* classic = GdiClassicSysColors();
  std::copy(classic, classic + PV_SYSCOLOR_COUNT, sysColors);
}

GdiState& State() {
  static auto* state = new GdiState();  // never destroyed: see GdiState
  return *state;
}

void Register(Obj* o) {
  PV_GDI_LOCK;
  o->handle = State().objects.Add(o);
}
void Unregister(Obj* o) {
  PV_GDI_LOCK;
  State().objects.Remove(o->handle);
  o->handle = 0;
}
Obj* Lookup(const void* h) {
  if (!h) return nullptr;
  PV_GDI_LOCK;
  return State().objects.Find(reinterpret_cast<uintptr_t>(h));
}

static thread_local std::string t_error;
void SetError(const std::string& e) { t_error = e; }

DC* GetDC_(HDC h) { return As<DC>(h, Kind::DC); }
Bitmap* GetBitmap_(HGDIOBJ h) {
  PV_GDI_LOCK;
  Bitmap* b = As<Bitmap>(h, Kind::Bitmap);
  if (b && b->pendingFill) b->MakePixels();
  return b;
}

// ---- bitmaps ---------------------------------------------------------------------------
Bitmap::~Bitmap() {
  if (surface) cairo_surface_destroy(surface);
}

cairo_surface_t* Bitmap::Surface() {
  if (!surface) {
    unsigned char* base = reinterpret_cast<unsigned char*>(stride < 0 ? px.data() : pixels);
    surface = cairo_image_surface_create_for_data(base, CAIRO_FORMAT_ARGB32, std::max(w, 1), std::max(h, 1),
                                                  stride < 0 ? -stride : stride);
  }
  return surface;
}

Bitmap* NewBitmap(int w, int h, bool zeroFill) {
  auto* b = new Bitmap();
  b->w = std::max(w, 1);
  b->h = std::max(h, 1);
  b->px.assign(static_cast<size_t>(b->w) * b->h, 0);
  (void)zeroFill;
  b->pixels = b->px.data();
  b->stride = b->w * 4;
  Register(b);
  return b;
}
Bitmap* NewFilledBitmap(int w, int h, uint32_t fill) {
  auto* b = new Bitmap();
  b->w = std::max(w, 1);
  b->h = std::max(h, 1);
  b->stride = b->w * 4;
  b->pendingFill = true;
  b->fill = fill;
  Register(b);
  return b;
}

void Bitmap::MakePixels() {
  px.assign(static_cast<size_t>(w) * h, fill);
  pixels = px.data();
  pendingFill = false;
}

HBITMAP ToHandle(Bitmap* b) { return HandleOf<HBITMAP>(b); }

static int DibStride(int w, int bpp) { return ((w * bpp + 31) / 32) * 4; }

// Bitmaps beyond 2^28 pixels (1 GB) are refused rather than failing to allocate.
static bool TooBig(long long w, long long h) { return w * h > (1LL << 28); }

void Bitmap::RawToPixels() {
  if (raw.empty()) return;
  Flush();
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = raw.data() + static_cast<size_t>(topDown ? y : h - 1 - y) * rawStride;
    uint32_t* dst = Row(y);
    for (int x = 0; x < w; ++x) {
      uint32_t p = 0;
      switch (bpp) {
        case 24:
          p = 0xFF000000u | (src[x * 3 + 2] << 16) | (src[x * 3 + 1] << 8) | src[x * 3];
          break;
        case 16: {
          uint16_t v = static_cast<uint16_t>(src[x * 2] | (src[x * 2 + 1] << 8));
          uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
          p = 0xFF000000u | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
          break;
        }
        default: {
          int idx;
          if (bpp == 8) idx = src[x];
          else if (bpp == 4) idx = (src[x / 2] >> ((x & 1) ? 0 : 4)) & 15;
          else idx = (src[x / 8] >> (7 - (x & 7))) & 1;
          RGBQUAD q = idx < static_cast<int>(colors.size()) ? colors[idx] : RGBQUAD{0, 0, 0, 0};
          p = 0xFF000000u | (q.rgbRed << 16) | (q.rgbGreen << 8) | q.rgbBlue;
        }
      }
      dst[x] = p;
    }
  }
  Dirty();
}

static int NearestIndex(const std::vector<RGBQUAD>& pal, uint32_t p) {
  int best = 0;
  long bestD = -1;
  int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  for (size_t i = 0; i < pal.size(); ++i) {
    long d = (pal[i].rgbRed - r) * (pal[i].rgbRed - r) + (pal[i].rgbGreen - g) * (pal[i].rgbGreen - g) +
             (pal[i].rgbBlue - b) * (pal[i].rgbBlue - b);
    if (bestD < 0 || d < bestD) {
      bestD = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

void Bitmap::PixelsToRaw() {
  if (raw.empty()) return;
  Flush();
  for (int y = 0; y < h; ++y) {
    uint8_t* dst = raw.data() + static_cast<size_t>(topDown ? y : h - 1 - y) * rawStride;
    const uint32_t* src = Row(y);
    for (int x = 0; x < w; ++x) {
      uint32_t p = src[x];
      switch (bpp) {
        case 24:
          dst[x * 3] = p & 0xFF;
          dst[x * 3 + 1] = (p >> 8) & 0xFF;
          dst[x * 3 + 2] = (p >> 16) & 0xFF;
          break;
        case 16: {
          uint16_t v = static_cast<uint16_t>((((p >> 19) & 31) << 10) | (((p >> 11) & 31) << 5) | ((p >> 3) & 31));
          dst[x * 2] = v & 0xFF;
          dst[x * 2 + 1] = v >> 8;
          break;
        }
        default: {
          int idx = NearestIndex(colors, p);
          if (bpp == 8) dst[x] = static_cast<uint8_t>(idx);
          else if (bpp == 4) {
            int sh = (x & 1) ? 0 : 4;
            dst[x / 2] = static_cast<uint8_t>((dst[x / 2] & ~(15 << sh)) | (idx << sh));
          } else {
            int sh = 7 - (x & 7);
            dst[x / 8] = static_cast<uint8_t>((dst[x / 8] & ~(1 << sh)) | (idx << sh));
          }
        }
      }
    }
  }
}

// ---- stock objects ----------------------------------------------------------------------
static HBRUSH MakeSolid(COLORREF c, bool stock) {
  auto* b = new Brush();
  b->style = BS_SOLID;
  b->color = c;
  b->stock = stock;
  Register(b);
  return HandleOf<HBRUSH>(b);
}

HBRUSH StockBrush(int index) {
  PV_GDI_LOCK;
  HBRUSH* brushes = State().stockBrushes;
  if (!brushes[index]) {
    switch (index) {
      case WHITE_BRUSH:
        brushes[index] = MakeSolid(RGB(255, 255, 255), true);
        break;
      case LTGRAY_BRUSH:
        brushes[index] = MakeSolid(RGB(192, 192, 192), true);
        break;
      case GRAY_BRUSH:
        brushes[index] = MakeSolid(RGB(128, 128, 128), true);
        break;
      case DKGRAY_BRUSH:
        brushes[index] = MakeSolid(RGB(64, 64, 64), true);
        break;
      case BLACK_BRUSH:
        brushes[index] = MakeSolid(RGB(0, 0, 0), true);
        break;
      case NULL_BRUSH: {
        brushes[index] = MakeSolid(0, true);
        As<Brush>(brushes[index], Kind::Brush)->style = BS_NULL;
        break;
      }
      case DC_BRUSH: {
        brushes[index] = MakeSolid(0, true);
        As<Brush>(brushes[index], Kind::Brush)->dcBrush = true;
        break;
      }
      default:
        return nullptr;
    }
  }
  return brushes[index];
}

static HPEN MakePen(int style, int width, COLORREF c, bool stock) {
  auto* p = new Pen();
  p->style = style;
  p->width = width;
  p->color = c;
  p->stock = stock;
  Register(p);
  return HandleOf<HPEN>(p);
}

HPEN StockPen(int index) {
  PV_GDI_LOCK;
  HPEN* pens = State().stockPens;
  if (!pens[index]) {
    switch (index) {
      case WHITE_PEN:
        pens[index] = MakePen(PS_SOLID, 1, RGB(255, 255, 255), true);
        break;
      case BLACK_PEN:
        pens[index] = MakePen(PS_SOLID, 1, RGB(0, 0, 0), true);
        break;
      case NULL_PEN:
        pens[index] = MakePen(PS_NULL, 1, 0, true);
        break;
      case DC_PEN:
        pens[index] = MakePen(PS_SOLID, 1, 0, true);
        As<Pen>(pens[index], Kind::Pen)->dcPen = true;
        break;
      default:
        return nullptr;
    }
  }
  return pens[index];
}

HBITMAP StockBitmap() {
  PV_GDI_LOCK;
  HBITMAP& bmp = State().stockBitmap;
  if (!bmp) {
    Bitmap* b = NewBitmap(1, 1);
    b->mono = true;
    b->bpp = 1;
    b->stock = true;
    b->px[0] = 0xFF000000u;
    bmp = ToHandle(b);
  }
  return bmp;
}

HBRUSH SysBrush(int index) {
  if (index < 0 || index >= PV_SYSCOLOR_COUNT) return nullptr;
  PV_GDI_LOCK;
  HBRUSH* brushes = State().sysBrushes;
  if (!brushes[index]) {
    brushes[index] = MakeSolid(0, true);
    As<Brush>(brushes[index], Kind::Brush)->sysIndex = index;
  }
  return brushes[index];
}

COLORREF BrushColor(DC* dc, HBRUSH h) {
  auto* b = As<Brush>(h, Kind::Brush);
  if (!b) return 0;
  if (b->sysIndex >= 0) return GetSysColor(b->sysIndex);
  if (b->dcBrush) return dc ? dc->st.dcBrush : RGB(255, 255, 255);
  return b->color;
}

// ---- raster operations -------------------------------------------------------------------
uint32_t Rop2(int rop2, uint32_t pen, uint32_t dst) {
  uint32_t p = pen & 0xFFFFFF, d = dst & 0xFFFFFF, r;
  switch (rop2) {
    case R2_BLACK:
      r = 0;
      break;
    case R2_NOTMERGEPEN:
      r = ~(p | d);
      break;
    case R2_MASKNOTPEN:
      r = ~p & d;
      break;
    case R2_NOTCOPYPEN:
      r = ~p;
      break;
    case R2_MASKPENNOT:
      r = p & ~d;
      break;
    case R2_NOT:
      r = ~d;
      break;
    case R2_XORPEN:
      r = p ^ d;
      break;
    case R2_NOTMASKPEN:
      r = ~(p & d);
      break;
    case R2_MASKPEN:
      r = p & d;
      break;
    case R2_NOTXORPEN:
      r = ~(p ^ d);
      break;
    case R2_NOP:
      return dst;
    case R2_MERGENOTPEN:
      r = ~p | d;
      break;
    case R2_MERGEPENNOT:
      r = p | ~d;
      break;
    case R2_MERGEPEN:
      r = p | d;
      break;
    case R2_WHITE:
      r = 0xFFFFFF;
      break;
    case R2_COPYPEN:
    default:
      return pen;
  }
  return 0xFF000000u | (r & 0xFFFFFF);
}

uint32_t Rop3(uint8_t rop, uint32_t p, uint32_t s, uint32_t d) {
  switch (rop) {
    case 0xCC:
      return s;
    case 0xF0:
      return p;
    case 0xAA:
      return d;
    case 0x00:
      return 0xFF000000u;
    case 0xFF:
      return 0xFFFFFFFFu;
    case 0x88:
      return 0xFF000000u | (s & d);
    case 0xEE:
      return 0xFF000000u | (s | d);
    case 0x66:
      return 0xFF000000u | ((s ^ d) & 0xFFFFFF);
    case 0x5A:
      return 0xFF000000u | ((p ^ d) & 0xFFFFFF);
    case 0x55:
      return 0xFF000000u | (~d & 0xFFFFFF);
    default:
      break;
  }
  // Each result bit is bit (P<<2 | S<<1 | D) of the operation code.
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((rop >> i) & 1)) continue;
    uint32_t m = ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    r |= m;
  }
  return 0xFF000000u | (r & 0xFFFFFF);
}

bool RopUsesSource(DWORD rop) {
  uint8_t r = (rop >> 16) & 0xFF;
  return ((r >> 2) & 0x33) != (r & 0x33);
}
bool RopUsesPattern(DWORD rop) {
  uint8_t r = (rop >> 16) & 0xFF;
  return ((r >> 4) & 0x0F) != (r & 0x0F);
}

// ---- brushes ---------------------------------------------------------------------------------
static const uint8_t kHatch[6][8] = {
    {0, 0, 0, 0, 0xFF, 0, 0, 0},                       // horizontal: row 4
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // vertical: column 4
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // forward diagonal (top-left → bottom-right)
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // backward diagonal
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
};

bool BrushSampler::At(int x, int y, uint32_t* out) const {
  if (IsSolid()) {
    *out = solid;
    return true;
  }
  int px = ((x - ox) % b->pw + b->pw) % b->pw;
  int py = ((y - oy) % b->ph + b->ph) % b->ph;
  if (b->style == BS_HATCHED) {
    bool on = (kHatch[b->hatch % 6][py] >> (7 - px)) & 1;
    if (on) {
      *out = fg;
      return true;
    }
    if (transparentBk) return false;
    *out = bg;
    return true;
  }
  if (b->isMono) {
    *out = b->mono[py * b->pw + px] ? bg : fg;
    return true;
  }
  *out = b->pattern[py * b->pw + px];
  return true;
}

bool MakeSampler(DC* dc, HBRUSH h, BrushSampler* s) {
  auto* b = As<Brush>(h, Kind::Brush);
  if (!b || b->style == BS_NULL) return false;
  s->b = b;
  s->ox = dc->st.brushOrg.x + dc->sysOrigin.x;
  s->oy = dc->st.brushOrg.y + dc->sysOrigin.y;
  if (b->style == BS_SOLID) {
    s->b = nullptr;
    s->solid = ColorToPixel(dc->MapColor(BrushColor(dc, h)));
    return true;
  }
  if (b->style == BS_HATCHED) {
    s->fg = ColorToPixel(dc->MapColor(b->color));
    s->bg = ColorToPixel(dc->MapColor(dc->st.bk));
    s->transparentBk = dc->st.bkMode == TRANSPARENT;
  } else if (b->isMono) {
    s->fg = ColorToPixel(dc->MapColor(dc->st.text));
    s->bg = ColorToPixel(dc->MapColor(dc->st.bk));
  }
  return true;
}

}  // namespace pv::gdi

using namespace pv::gdi;

// ================================================================================================
HGDIOBJ GetStockObject(int index) {
  switch (index) {
    case WHITE_BRUSH:
    case LTGRAY_BRUSH:
    case GRAY_BRUSH:
    case DKGRAY_BRUSH:
    case BLACK_BRUSH:
    case NULL_BRUSH:
    case DC_BRUSH:
      return StockBrush(index);
    case WHITE_PEN:
    case BLACK_PEN:
    case NULL_PEN:
    case DC_PEN:
      return StockPen(index);
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case SYSTEM_FIXED_FONT:
    case DEFAULT_GUI_FONT:
      return StockFont(index);
    default:
      return nullptr;
  }
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) style = PS_SOLID;
  auto* p = new Pen();
  p->style = style;
  p->width = std::max(width, 0);
  p->color = color & 0xFFFFFF;
  // Styled pens wider than one pixel draw solid, as on the classic system.
  if (p->width > 1 && style != PS_NULL && style != PS_INSIDEFRAME) p->style = PS_SOLID;
  p->geometric = p->width > 1;
  Register(p);
  return HandleOf<HPEN>(p);
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
  if (!lp) return nullptr;
  return CreatePen(static_cast<int>(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor);
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* lb, DWORD styleCount, const DWORD* styles) {
  if (!lb) return nullptr;
  int s = static_cast<int>(style & PS_STYLE_MASK);
  if (s == PS_USERSTYLE && (styleCount == 0 || !styles)) return nullptr;
  auto* p = new Pen();
  p->style = s;
  p->geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
  p->width = p->geometric ? static_cast<int>(width) : 1;
  p->color = lb->lbStyle == BS_NULL ? 0 : (lb->lbColor & 0xFFFFFF);
  if (lb->lbStyle == BS_NULL) p->style = PS_NULL;
  p->endcap = style & PS_ENDCAP_MASK;
  p->join = style & PS_JOIN_MASK;
  if (s == PS_USERSTYLE) p->user.assign(styles, styles + styleCount);
  Register(p);
  return HandleOf<HPEN>(p);
}

HBRUSH CreateSolidBrush(COLORREF color) { return MakeSolid(color & 0xFFFFFF, false); }

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  auto* b = new Brush();
  b->style = BS_HATCHED;
  b->hatch = hatch;
  b->color = color & 0xFFFFFF;
  b->pw = b->ph = 8;
  Register(b);
  return HandleOf<HBRUSH>(b);
}

HBRUSH CreatePatternBrush(HBITMAP hbmp) {
  PV_GDI_LOCK;
  Bitmap* bmp = GetBitmap_(hbmp);
  if (!bmp) return nullptr;
  bmp->RawToPixels();
  bmp->Flush();
  auto* b = new Brush();
  b->style = BS_PATTERN;
  b->pw = bmp->w;
  b->ph = bmp->h;
  b->isMono = bmp->mono || bmp->bpp == 1;
  for (int y = 0; y < bmp->h; ++y) {
    const uint32_t* row = bmp->Row(y);
    for (int x = 0; x < bmp->w; ++x) {
      if (b->isMono) b->mono.push_back((row[x] & 0xFFFFFF) != 0 ? 1 : 0);
      else b->pattern.push_back(row[x] | 0xFF000000u);
    }
  }
  Register(b);
  return HandleOf<HBRUSH>(b);
}

HBRUSH CreateDIBPatternBrushPt(const void* packed, UINT usage) {
  if (!packed) return nullptr;
  auto* bmi = static_cast<const BITMAPINFO*>(packed);
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  int colors = h.biBitCount <= 8 ? (h.biClrUsed ? static_cast<int>(h.biClrUsed) : 1 << h.biBitCount) : 0;
  if (h.biCompression == BI_BITFIELDS) colors = 3;
  const auto* bits = static_cast<const uint8_t*>(packed) + h.biSize + colors * 4;
  HBITMAP bmp = CreateDIBitmap(nullptr, &h, CBM_INIT, bits, bmi, usage);
  if (!bmp) return nullptr;
  HBRUSH br = CreatePatternBrush(bmp);
  if (auto* b = As<Brush>(br, Kind::Brush)) {
    // A DIB pattern keeps its own colours, even when it has two of them.
    if (b->isMono) {
      Bitmap* src = GetBitmap_(bmp);
      b->isMono = false;
      b->mono.clear();
      for (int y = 0; y < src->h; ++y)
        for (int x = 0; x < src->w; ++x) b->pattern.push_back(src->Row(y)[x] | 0xFF000000u);
    }
    b->style = BS_DIBPATTERN;
  }
  DeleteObject(bmp);
  return br;
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  switch (lb->lbStyle) {
    case BS_SOLID:
      return CreateSolidBrush(lb->lbColor);
    case BS_NULL:
      return StockBrush(NULL_BRUSH);
    case BS_HATCHED:
      return CreateHatchBrush(static_cast<int>(lb->lbHatch), lb->lbColor);
    case BS_PATTERN:
    case BS_PATTERN8X8:
      return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    case BS_DIBPATTERNPT:
      return CreateDIBPatternBrushPt(reinterpret_cast<const void*>(lb->lbHatch), lb->lbColor);
    default:
      return nullptr;
  }
}

HBRUSH GdiGetHalftoneBrush() {
  PV_GDI_LOCK;
  HBRUSH& brush = State().halftoneBrush;
  if (!brush) {
    auto* b = new Brush();
    b->style = BS_PATTERN;
    b->pw = b->ph = 8;
    b->isMono = true;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) b->mono.push_back(((x + y) & 1) ? 1 : 0);
    b->stock = true;
    Register(b);
    brush = HandleOf<HBRUSH>(b);
  }
  return brush;
}

// ---- bitmaps ---------------------------------------------------------------------------------
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bpp, const void* bits) {
  if (width < 0 || height < 0 || planes != 1 || width > 65535 || height > 65535 || TooBig(width, height))
    return nullptr;
  if (width == 0 || height == 0) return StockBitmap();
  Bitmap* b = NewBitmap(width, height);
  if (bpp == 1) {
    b->mono = true;
    b->bpp = 1;
    // Device-dependent bitmap rows are padded to 16 bits.
    int rowBytes = ((width + 15) / 16) * 2;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        bool set = bits ? ((static_cast<const uint8_t*>(bits)[y * rowBytes + x / 8] >> (7 - (x & 7))) & 1) : false;
        b->px[y * width + x] = set ? 0xFFFFFFFFu : 0xFF000000u;
      }
  } else {
    b->bpp = 32;
    if (bits && bpp == 32) {
      std::memcpy(b->px.data(), bits, b->px.size() * 4);
    } else if (bits && bpp == 24) {
      int rowBytes = ((width * 3 + 1) / 2) * 2;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          const uint8_t* p = static_cast<const uint8_t*>(bits) + y * rowBytes + x * 3;
          b->px[y * width + x] = 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
        }
    }
  }
  return ToHandle(b);
}

HBITMAP CreateBitmapIndirect(const BITMAP* bm) {
  if (!bm) return nullptr;
  return CreateBitmap(bm->bmWidth, bm->bmHeight, bm->bmPlanes, bm->bmBitsPixel, bm->bmBits);
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  if (!dc || width < 0 || height < 0 || TooBig(width, height)) return nullptr;
  if (width == 0 || height == 0) return StockBitmap();
  Bitmap* target = dc->Target();
  if (dc->type == DCType::Memory && target && target->mono) return CreateBitmap(width, height, 1, 1, nullptr);
  Bitmap* b = NewBitmap(width, height);
  // A fresh device bitmap is black and opaque.
  std::fill(b->px.begin(), b->px.end(), 0xFF000000u);
  return ToHandle(b);
}

static bool ReadPalette(const BITMAPINFO* bmi, UINT usage, std::vector<RGBQUAD>* out) {
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  if (h.biBitCount > 8) return true;
  // A count past the bit depth's (or one so large it reads as negative) means
  // the full palette.
  const UINT full = 1u << h.biBitCount;
  const int n = static_cast<int>(h.biClrUsed && h.biClrUsed < full ? h.biClrUsed : full);
  const RGBQUAD* pal = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(bmi) + h.biSize);
  out->assign(pal, pal + n);
  if (usage == DIB_PAL_COLORS) {
    // Palette indexes into the default palette are not supported: grey ramp.
    for (int i = 0; i < n; ++i) {
      BYTE v = static_cast<BYTE>(i * 255 / std::max(n - 1, 1));
      (*out)[i] = RGBQUAD{v, v, v, 0};
    }
  }
  out->resize(1 << h.biBitCount, RGBQUAD{0, 0, 0, 0});
  return true;
}

static bool ValidHeader(const BITMAPINFOHEADER& h) {
  if (h.biSize < sizeof(BITMAPINFOHEADER)) return false;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biWidth > 32767 || h.biHeight > 32767 || h.biHeight < -32767) return false;
  switch (h.biBitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      return false;
  }
  if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (h.biBitCount == 16 || h.biBitCount == 32)))
    return false;
  return true;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE, DWORD) {
  if (bits) *bits = nullptr;
  if (!bmi || !ValidHeader(bmi->bmiHeader)) return nullptr;
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  int w = h.biWidth, ht = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  if (TooBig(w, ht)) return nullptr;
  Bitmap* b = NewBitmap(w, ht);
  b->dib = true;
  b->bpp = h.biBitCount;
  b->topDown = h.biHeight < 0;
  if (h.biBitCount == 32) {
    // The caller writes rows in its own order; a bottom-up section is walked
    // through a negative stride over the same buffer (cairo sees the memory
    // rows and draws through a flipping matrix).
    if (bits) *bits = b->px.data();
    if (!b->topDown) {
      b->pixels = b->px.data() + static_cast<size_t>(w) * (ht - 1);
      b->stride = -w * 4;
    }
  } else {
    b->rawStride = DibStride(w, h.biBitCount);
    b->raw.assign(static_cast<size_t>(b->rawStride) * ht, 0);
    ReadPalette(bmi, usage, &b->colors);
    if (bits) *bits = b->raw.data();
    b->RawToPixels();
  }
  return ToHandle(b);
}

HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* bmi,
                       UINT usage) {
  if (!header) return nullptr;
  int w = header->biWidth, h = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  HBITMAP bmp = CreateCompatibleBitmap(hdc ? hdc : GetScreenDC(), w, h);
  if (bmp && (init & CBM_INIT) && bits && bmi) SetDIBits(hdc, bmp, 0, static_cast<UINT>(h), bits, bmi, usage);
  return bmp;
}

// Converts rows of a caller's DIB into premultiplied pixels.
static void DecodeDibRow(const BITMAPINFO* bmi, const std::vector<RGBQUAD>& pal, const uint8_t* src, uint32_t* dst,
                         int w) {
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  for (int x = 0; x < w; ++x) {
    uint32_t p;
    switch (h.biBitCount) {
      case 32: {
        uint32_t v;
        std::memcpy(&v, src + x * 4, 4);
        p = v;
        break;
      }
      case 24:
        p = 0xFF000000u | (src[x * 3 + 2] << 16) | (src[x * 3 + 1] << 8) | src[x * 3];
        break;
      case 16: {
        uint16_t v = static_cast<uint16_t>(src[x * 2] | (src[x * 2 + 1] << 8));
        uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        p = 0xFF000000u | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
        break;
      }
      default: {
        int idx;
        if (h.biBitCount == 8) idx = src[x];
        else if (h.biBitCount == 4) idx = (src[x / 2] >> ((x & 1) ? 0 : 4)) & 15;
        else idx = (src[x / 8] >> (7 - (x & 7))) & 1;
        const RGBQUAD& q = pal[idx];
        p = 0xFF000000u | (q.rgbRed << 16) | (q.rgbGreen << 8) | q.rgbBlue;
      }
    }
    dst[x] = p;
  }
}

// Sets `lines` scan lines starting at scan `start` (counted from the bottom
// for bottom-up DIBs) of the bitmap.
int SetDIBits(HDC, HBITMAP hbmp, UINT start, UINT lines, const void* bits, const BITMAPINFO* bmi, UINT usage) {
  PV_GDI_LOCK;
  Bitmap* b = GetBitmap_(hbmp);
  if (!b || !bits || !bmi || !ValidHeader(bmi->bmiHeader)) return 0;
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  std::vector<RGBQUAD> pal;
  ReadPalette(bmi, usage, &pal);
  int srcH = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  bool topDown = h.biHeight < 0;
  int stride = DibStride(h.biWidth, h.biBitCount);
  int w = std::min<int>(h.biWidth, b->w);
  b->Flush();
  int done = 0;
  for (UINT i = 0; i < lines; ++i) {
    int scan = static_cast<int>(start + i);  // scan index in the source rows as stored
    if (scan >= srcH) break;
    int y = topDown ? scan : srcH - 1 - scan;  // image row
    if (y < 0 || y >= b->h) continue;
    const uint8_t* src = static_cast<const uint8_t*>(bits) + static_cast<size_t>(i) * stride;
    std::vector<uint32_t> row(h.biWidth);
    DecodeDibRow(bmi, pal, src, row.data(), h.biWidth);
    uint32_t* dst = b->Row(y);
    for (int x = 0; x < w; ++x) {
      uint32_t p = row[x];
      if (b->mono)
        p = ((p & 0xFFFFFF) == 0xFFFFFF || (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) >= 384) ? 0xFFFFFFFFu
                                                                                                         : 0xFF000000u;
      dst[x] = p;
    }
    ++done;
  }
  b->Dirty();
  b->PixelsToRaw();
  return done;
}

int GetDIBits(HDC, HBITMAP hbmp, UINT start, UINT lines, void* bits, BITMAPINFO* bmi, UINT usage) {
  PV_GDI_LOCK;
  Bitmap* b = GetBitmap_(hbmp);
  if (!b || !bmi) return 0;
  BITMAPINFOHEADER& h = bmi->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
  b->Flush();
  if (h.biBitCount == 0) {
    // Query: fill in the format of the bitmap.
    h.biWidth = b->w;
    h.biHeight = b->h;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(b->mono ? 1 : 32);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(DibStride(b->w, h.biBitCount) * b->h);
    h.biClrUsed = 0;
    return b->h;
  }
  int dstH = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  bool topDown = h.biHeight < 0;
  if (h.biWidth <= 0 ||
      (h.biBitCount != 32 && h.biBitCount != 24 && h.biBitCount != 1 && h.biBitCount != 8 && h.biBitCount != 4))
    return 0;
  int stride = DibStride(h.biWidth, h.biBitCount);
  h.biSizeImage = static_cast<DWORD>(stride * dstH);
  RGBQUAD* pal = reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(bmi) + h.biSize);
  std::vector<RGBQUAD> palette;
  if (h.biBitCount == 1) {
    palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  } else if (h.biBitCount <= 8) {
    int n = 1 << h.biBitCount;
    for (int i = 0; i < n; ++i) {
      BYTE v = static_cast<BYTE>(i * 255 / (n - 1));
      palette.push_back(RGBQUAD{v, v, v, 0});
    }
  }
  if (!palette.empty() && usage == DIB_RGB_COLORS) std::copy(palette.begin(), palette.end(), pal);
  if (!bits) return b->h;
  int done = 0;
  for (UINT i = 0; i < lines; ++i) {
    int scan = static_cast<int>(start + i);
    if (scan >= dstH) break;
    int y = topDown ? scan : dstH - 1 - scan;
    uint8_t* dst = static_cast<uint8_t*>(bits) + static_cast<size_t>(i) * stride;
    std::memset(dst, 0, stride);
    if (y >= b->h) continue;
    const uint32_t* row = b->Row(y);
    for (int x = 0; x < std::min<int>(h.biWidth, b->w); ++x) {
      uint32_t p = row[x];
      switch (h.biBitCount) {
        case 32:
          std::memcpy(dst + x * 4, &p, 4);
          break;
        case 24:
          dst[x * 3] = p & 0xFF;
          dst[x * 3 + 1] = (p >> 8) & 0xFF;
          dst[x * 3 + 2] = (p >> 16) & 0xFF;
          break;
        case 8:
          dst[x] = static_cast<uint8_t>(NearestIndex(palette, p));
          break;
        case 4:
          dst[x / 2] |= static_cast<uint8_t>(NearestIndex(palette, p) << ((x & 1) ? 0 : 4));
          break;
        case 1:
          if (NearestIndex(palette, p)) dst[x / 8] |= static_cast<uint8_t>(1 << (7 - (x & 7)));
          break;
      }
    }
    ++done;
  }
  return done;
}

LONG GetBitmapBits(HBITMAP hbmp, LONG size, LPVOID bits) {
  PV_GDI_LOCK;
  Bitmap* b = GetBitmap_(hbmp);
  if (!b || !bits || size <= 0) return 0;
  b->Flush();
  if (b->mono) {
    int rowBytes = ((b->w + 15) / 16) * 2;
    LONG total = std::min<LONG>(size, rowBytes * b->h);
    std::memset(bits, 0, total);
    for (int y = 0; y < b->h; ++y)
      for (int x = 0; x < b->w; ++x) {
        LONG off = y * rowBytes + x / 8;
        if (off >= total) return total;
        if (b->Row(y)[x] & 0xFFFFFF) static_cast<uint8_t*>(bits)[off] |= static_cast<uint8_t>(1 << (7 - (x & 7)));
      }
    return total;
  }
  LONG total = std::min<LONG>(size, b->w * 4 * b->h);
  for (int y = 0; y < b->h; ++y) {
    LONG off = y * b->w * 4;
    if (off >= total) break;
    std::memcpy(static_cast<uint8_t*>(bits) + off, b->Row(y), std::min<LONG>(b->w * 4, total - off));
  }
  return total;
}

LONG SetBitmapBits(HBITMAP hbmp, DWORD size, const void* bits) {
  PV_GDI_LOCK;
  Bitmap* b = GetBitmap_(hbmp);
  if (!b || !bits) return 0;
  b->Flush();
  if (b->mono) {
    int rowBytes = ((b->w + 15) / 16) * 2;
    LONG total = std::min<LONG>(static_cast<LONG>(size), rowBytes * b->h);
    for (int y = 0; y < b->h; ++y)
      for (int x = 0; x < b->w; ++x) {
        LONG off = y * rowBytes + x / 8;
        if (off >= total) break;
        bool set = (static_cast<const uint8_t*>(bits)[off] >> (7 - (x & 7))) & 1;
        b->Row(y)[x] = set ? 0xFFFFFFFFu : 0xFF000000u;
      }
    b->Dirty();
    return total;
  }
  LONG total = std::min<LONG>(static_cast<LONG>(size), b->w * 4 * b->h);
  for (int y = 0; y < b->h; ++y) {
    LONG off = y * b->w * 4;
    if (off >= total) break;
    std::memcpy(b->Row(y), static_cast<const uint8_t*>(bits) + off, std::min<LONG>(b->w * 4, total - off));
  }
  b->Dirty();
  b->PixelsToRaw();
  return total;
}

BOOL GetBitmapDimensionEx(HBITMAP hbmp, LPSIZE size) {
  if (!GetBitmap_(hbmp) || !size) return FALSE;
  size->cx = size->cy = 0;
  return TRUE;
}

BOOL GdiFlush() { return TRUE; }

// ---- generic object calls -----------------------------------------------------------------------
BOOL DeleteObject(HGDIOBJ h) {
  PV_GDI_LOCK;
  Obj* o = Lookup(h);
  if (!o || o->kind == Kind::DC || o->kind == Kind::Icon) return FALSE;
  if (o->stock) return TRUE;
  if (o->kind == Kind::Bitmap && static_cast<Bitmap*>(o)->selected) return FALSE;
  Unregister(o);
  delete o;
  return TRUE;
}

DWORD GetObjectType(HGDIOBJ h) {
  Obj* o = Lookup(h);
  if (!o) return 0;
  switch (o->kind) {
    case Kind::Pen:
      return static_cast<Pen*>(o)->geometric || !static_cast<Pen*>(o)->user.empty() ? OBJ_EXTPEN : OBJ_PEN;
    case Kind::Brush:
      return OBJ_BRUSH;
    case Kind::Font:
      return OBJ_FONT;
    case Kind::Bitmap:
      return OBJ_BITMAP;
    case Kind::Region:
      return OBJ_REGION;
    case Kind::DC:
      return static_cast<DC*>(o)->type == DCType::Memory ? OBJ_MEMDC : OBJ_DC;
    default:
      return 0;
  }
}

int GetObject(HGDIOBJ h, int size, LPVOID out) {
  PV_GDI_LOCK;
  Obj* o = Lookup(h);
  if (!o) return 0;
  switch (o->kind) {
    case Kind::Pen: {
      auto* p = static_cast<Pen*>(o);
      if (GetObjectType(h) == OBJ_EXTPEN) {
        int need = static_cast<int>(sizeof(EXTLOGPEN) + (p->user.empty() ? 0 : (p->user.size() - 1) * sizeof(DWORD)));
        if (!out) return need;
        if (size < static_cast<int>(sizeof(EXTLOGPEN))) return 0;
        auto* e = static_cast<EXTLOGPEN*>(out);
        e->elpPenStyle = static_cast<DWORD>(p->style) | (p->geometric ? PS_GEOMETRIC : 0) | p->endcap | p->join;
        e->elpWidth = static_cast<DWORD>(p->width);
        e->elpBrushStyle = BS_SOLID;
        e->elpColor = p->color;
        e->elpHatch = 0;
        e->elpNumEntries = static_cast<DWORD>(p->user.size());
        for (size_t i = 0; i < p->user.size() && sizeof(EXTLOGPEN) + i * sizeof(DWORD) <= static_cast<size_t>(size);
             ++i)
          e->elpStyleEntry[i] = p->user[i];
        return std::min(size, need);
      }
      if (!out) return sizeof(LOGPEN);
      if (size < static_cast<int>(sizeof(LOGPEN))) return 0;
      LOGPEN lp{static_cast<UINT>(p->style), POINT{p->width, 0}, p->color};
      std::memcpy(out, &lp, sizeof lp);
      return sizeof(LOGPEN);
    }
    case Kind::Brush: {
      if (!out) return sizeof(LOGBRUSH);
      if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
      auto* b = static_cast<Brush*>(o);
      LOGBRUSH lb{static_cast<UINT>(b->style == BS_DIBPATTERN ? BS_DIBPATTERN : b->style),
                  BrushColor(nullptr, HandleOf<HBRUSH>(b)), static_cast<ULONG_PTR>(b->hatch)};
      std::memcpy(out, &lb, sizeof lb);
      return sizeof(LOGBRUSH);
    }
    case Kind::Font: {
      if (!out) return sizeof(LOGFONTW);
      int n = std::min<int>(size, sizeof(LOGFONTW));
      std::memcpy(out, &static_cast<Font*>(o)->lf, n);
      return n;
    }
    case Kind::Bitmap: {
      auto* b = static_cast<Bitmap*>(o);
      BITMAP bm{};
      bm.bmType = 0;
      bm.bmWidth = b->w;
      bm.bmHeight = b->h;
      bm.bmPlanes = 1;
      bm.bmBitsPixel = static_cast<WORD>(b->mono ? 1 : b->bpp);
      bm.bmWidthBytes = b->dib ? DibStride(b->w, b->bpp) : (b->mono ? ((b->w + 15) / 16) * 2 : b->w * 4);
      if (b->dib) bm.bmBits = b->raw.empty() ? static_cast<void*>(b->px.data()) : static_cast<void*>(b->raw.data());
      if (!out) return b->dib ? sizeof(DIBSECTION) : sizeof(BITMAP);
      if (b->dib && size >= static_cast<int>(sizeof(DIBSECTION))) {
        DIBSECTION ds{};
        ds.dsBm = bm;
        ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
        ds.dsBmih.biWidth = b->w;
        ds.dsBmih.biHeight = b->topDown ? -b->h : b->h;
        ds.dsBmih.biPlanes = 1;
        ds.dsBmih.biBitCount = static_cast<WORD>(b->bpp);
        ds.dsBmih.biSizeImage = static_cast<DWORD>(bm.bmWidthBytes * b->h);
        std::memcpy(out, &ds, sizeof ds);
        return sizeof(DIBSECTION);
      }
      if (size < static_cast<int>(sizeof(BITMAP))) return 0;
      std::memcpy(out, &bm, sizeof bm);
      return sizeof(BITMAP);
    }
    case Kind::Region:
      return 0;
    default:
      return 0;
  }
}

int GetObjectW(HGDIOBJ h, int size, LPVOID out) { return GetObject(h, size, out); }
