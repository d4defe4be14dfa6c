// Device contexts: creation, attributes, mapping modes, clipping and the
// window manager's surface DCs.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/gdi_internal.h"

namespace pv::gdi {

DC::~DC() {
  if (pdfCr) cairo_destroy(pdfCr);
  if (pdf) cairo_surface_destroy(pdf);
}

Bitmap* DC::Target() {
  if (type == DCType::Surface) return GetBitmap_(surfaceBmp);
  if (type == DCType::Memory) return GetBitmap_(st.bitmap);
  if (type == DCType::Screen) return GetBitmap_(surfaceBmp);
  return nullptr;
}

Bitmap* DC::TargetInfo() {
  const HBITMAP h = type == DCType::Memory                              ? st.bitmap
                    : type == DCType::Surface || type == DCType::Screen ? surfaceBmp
                                                                        : nullptr;
  return As<Bitmap>(h, Kind::Bitmap);
}

int DC::Width() {
  if (hasSysSize) return sysSize.cx;
  if (type == DCType::Printer || type == DCType::Info) return pageW;
  Bitmap* b = TargetInfo();
  return b ? b->w : 0;
}
int DC::Height() {
  if (hasSysSize) return sysSize.cy;
  if (type == DCType::Printer || type == DCType::Info) return pageH;
  Bitmap* b = TargetInfo();
  return b ? b->h : 0;
}
int DC::MirrorWidth() { return Width(); }

double DC::ScaleX() const { return static_cast<double>(st.vExt.cx) / (st.wExt.cx ? st.wExt.cx : 1); }
double DC::ScaleY() const { return static_cast<double>(st.vExt.cy) / (st.wExt.cy ? st.wExt.cy : 1); }

void DC::ToDevice(double lx, double ly, double* dx, double* dy) const {
  double x = lx, y = ly;
  if (st.mapMode != MM_TEXT) {
    x = (lx - st.wOrg.x) * ScaleX() + st.vOrg.x;
    y = (ly - st.wOrg.y) * ScaleY() + st.vOrg.y;
  } else {
    x = lx - st.wOrg.x + st.vOrg.x;
    y = ly - st.wOrg.y + st.vOrg.y;
  }
  if (st.layout & LAYOUT_RTL) x = const_cast<DC*>(this)->MirrorWidth() - x;
  *dx = x;
  *dy = y;
}

static int Round(double v) { return static_cast<int>(std::floor(v + 0.5)); }

POINT DC::ToDevicePt(int x, int y) const {
  double dx, dy;
  ToDevice(x, y, &dx, &dy);
  return POINT{Round(dx), Round(dy)};
}

POINT DC::ToTargetPt(int x, int y) const {
  POINT p = ToDevicePt(x, y);
  // In a mirrored layout a point names the pixel to the left of the mirrored edge.
  if (st.layout & LAYOUT_RTL) p.x -= 1;
  return POINT{p.x + sysOrigin.x, p.y + sysOrigin.y};
}

RECT DC::ToTargetRect(int l, int t, int r, int b) const {
  POINT a = ToDevicePt(l, t), c = ToDevicePt(r, b);
  RECT rc{std::min(a.x, c.x), std::min(a.y, c.y), std::max(a.x, c.x), std::max(a.y, c.y)};
  rc.left += sysOrigin.x;
  rc.right += sysOrigin.x;
  rc.top += sysOrigin.y;
  rc.bottom += sysOrigin.y;
  return rc;
}

const RectSet& DC::Clip() {
  if (clipValid) return clipCache;
  Bitmap* b = Target();
  RectSet rl;
  if (type == DCType::Printer || type == DCType::Info) rl = RectSet::FromRect(0, 0, pageW, pageH);
  else if (b) rl = RectSet::FromRect(0, 0, b->w, b->h);
  // The screen reaches monitors left of and above the primary one, whose
  // size is all the system size reports.
  if (hasSysSize && !readsScreen)
    rl = RectSet::Combine(
        rl, RectSet::FromRect(sysOrigin.x, sysOrigin.y, sysOrigin.x + sysSize.cx, sysOrigin.y + sysSize.cy), RGN_AND);
  if (hasSysClip) rl = RectSet::Combine(rl, sysClip, RGN_AND);
  if (st.hasClip) {
    RectSet c = st.clip;
    c.Offset(sysOrigin.x, sysOrigin.y);
    rl = RectSet::Combine(rl, c, RGN_AND);
  }
  clipCache = std::move(rl);
  clipValid = true;
  return clipCache;
}

cairo_t* DC::Cairo() {
  cairo_t* cr;
  if (type == DCType::Printer) {
    if (!pdfCr) return nullptr;
    cr = pdfCr;
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_scale(cr, 72.0 / dpi, 72.0 / dpi);
    cairo_translate(cr, -offX, -offY);
  } else {
    Bitmap* b = Target();
    if (!b) return nullptr;
    cr = cairo_create(b->Surface());
    if (b->stride < 0) {
      // Bottom-up DIB: cairo sees memory rows; flip so callers draw in image rows.
      cairo_matrix_t m;
      cairo_matrix_init(&m, 1, 0, 0, -1, 0, b->h);
      cairo_set_matrix(cr, &m);
    }
  }
  const RectSet& clip = Clip();
  cairo_new_path(cr);
  for (const RECT& r : clip.rects) cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
  if (clip.rects.empty()) cairo_rectangle(cr, 0, 0, 0, 0);
  cairo_clip(cr);
  return cr;
}

void DC::ReleaseCairo(cairo_t* cr) {
  if (!cr) return;
  if (type == DCType::Printer) {
    cairo_restore(cr);
    return;
  }
  cairo_destroy(cr);
  if (Bitmap* b = Target()) {
    if (b->mono) {
      // Monochrome targets keep black and white pixels only.
      b->Flush();
      for (int y = 0; y < b->h; ++y) {
        uint32_t* row = b->Row(y);
        for (int x = 0; x < b->w; ++x) {
          uint32_t p = row[x];
          int sum = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
          row[x] = sum >= 384 ? 0xFFFFFFFFu : 0xFF000000u;
        }
      }
      b->Dirty();
    }
    b->PixelsToRaw();
  }
}

COLORREF DC::MapColor(COLORREF c) {
  if (c & 0xFF000000u) {
    // PALETTEINDEX/PALETTERGB forms: keep the RGB part.
    c &= 0xFFFFFF;
  }
  Bitmap* b = Target();
  if (b && b->mono) {
    // A colour becomes white when it is the background colour or light.
    if (c == st.bk) return RGB(255, 255, 255);
    int sum = GetRValue(c) + GetGValue(c) + GetBValue(c);
    return sum >= 384 ? RGB(255, 255, 255) : RGB(0, 0, 0);
  }
  return c;
}

static void InitState(DC* dc) {
  dc->st = DCState();
  dc->st.pen = StockPen(BLACK_PEN);
  dc->st.brush = StockBrush(WHITE_BRUSH);
  dc->st.font = StockFont(SYSTEM_FONT);
  if (dc->type == DCType::Memory) dc->st.bitmap = StockBitmap();
  dc->InvalidateClip();
}

static DC* NewDC(DCType t) {
  auto* dc = new DC();
  dc->type = t;
  Register(dc);
  InitState(dc);
  return dc;
}

static HDC H(DC* dc) { return HandleOf<HDC>(dc); }

}  // namespace pv::gdi

using namespace pv::gdi;

// ---- creation ----------------------------------------------------------------------------------
HDC GetScreenDC() {
  PV_GDI_LOCK;
  GdiState& s = State();
  HDC& screen = s.screenDC;
  if (!screen) {
    DC* dc = NewDC(DCType::Screen);
    dc->stock = true;
    Bitmap* b = NewFilledBitmap(s.screenW, s.screenH, 0xFF000000u);
    b->stock = true;
    dc->surfaceBmp = ToHandle(b);
    screen = H(dc);
  }
  return screen;
}

HDC CreateCompatibleDC(HDC hdc) {
  PV_GDI_LOCK;
  if (hdc && !GetDC_(hdc)) return nullptr;
  DC* dc = NewDC(DCType::Memory);
  if (DC* src = GetDC_(hdc)) {
    if (src->type == DCType::Printer) dc->dpi = src->dpi;
  }
  return H(dc);
}

static bool EqualsAscii(LPCWSTR s, const char* a) {
  if (!s) return false;
  for (; *s && *a; ++s, ++a) {
    char16_t c = *s;
    if (c >= 'a' && c <= 'z') c = static_cast<char16_t>(c - 32);
    char d = *a;
    if (d >= 'a' && d <= 'z') d = static_cast<char>(d - 32);
    if (c != static_cast<char16_t>(d)) return false;
  }
  return *s == 0 && *a == 0;
}

namespace pv::gdi {
void InitPrinter(DC* dc, LPCWSTR output);  // gdi_print.cpp
}

HDC CreateDC(LPCWSTR driver, LPCWSTR device, LPCWSTR output, const void*) {
  PV_GDI_LOCK;
  if ((!driver && !device) || EqualsAscii(driver, "DISPLAY") || EqualsAscii(device, "DISPLAY")) {
    DC* dc = NewDC(DCType::Surface);
    dc->surfaceBmp = GdiGetDCBitmap(GetScreenDC());
    return H(dc);
  }
  DC* dc = NewDC(DCType::Printer);
  InitPrinter(dc, output);
  return H(dc);
}

HDC CreateIC(LPCWSTR driver, LPCWSTR device, LPCWSTR output, const void* dm) {
  HDC h = CreateDC(driver, device, output, dm);
  if (DC* dc = GetDC_(h); dc && dc->type == DCType::Printer) dc->type = DCType::Info;
  return h;
}

BOOL DeleteDC(HDC hdc) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  if (!dc || dc->stock) return FALSE;
  if (dc->type == DCType::Memory)
    if (Bitmap* b = GetBitmap_(dc->st.bitmap)) b->selected = false;
  for (auto& s : dc->saved)
    if (Bitmap* b = GetBitmap_(s.bitmap); b && s.bitmap != dc->st.bitmap) b->selected = false;
  if (dc->docStarted) AbortDoc(hdc);
  const HBITMAP owned = dc->ownsSurface ? dc->surfaceBmp : nullptr;
  Unregister(dc);
  delete dc;
  if (owned) DeleteObject(owned);
  return TRUE;
}

int SaveDC(HDC hdc) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  if (!dc) return 0;
  dc->saved.push_back(dc->st);
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int n) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  if (!dc) return FALSE;
  int count = static_cast<int>(dc->saved.size());
  if (n < 0) n = count + 1 + n;
  if (n <= 0 || n > count) return FALSE;
  HBITMAP before = dc->st.bitmap;
  dc->st = dc->saved[n - 1];
  dc->saved.resize(n - 1);
  if (before != dc->st.bitmap) {
    if (Bitmap* b = GetBitmap_(before)) b->selected = false;
    if (Bitmap* b = GetBitmap_(dc->st.bitmap)) b->selected = true;
  }
  dc->InvalidateClip();
  return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  Obj* o = Lookup(h);
  if (!dc || !o) return nullptr;
  HGDIOBJ old = nullptr;
  switch (o->kind) {
    case Kind::Pen:
      old = dc->st.pen;
      dc->st.pen = static_cast<HPEN>(h);
      break;
    case Kind::Brush:
      old = dc->st.brush;
      dc->st.brush = static_cast<HBRUSH>(h);
      break;
    case Kind::Font:
      old = dc->st.font;
      dc->st.font = static_cast<HFONT>(h);
      break;
    case Kind::Bitmap: {
      if (dc->type != DCType::Memory) return nullptr;
      auto* b = static_cast<Bitmap*>(o);
      if (h == dc->st.bitmap) return h;
      if (b->selected && !b->stock) return nullptr;  // a bitmap lives in one DC at a time
      if (Bitmap* prev = GetBitmap_(dc->st.bitmap)) {
        prev->PixelsToRaw();
        prev->selected = false;
      }
      old = dc->st.bitmap;
      dc->st.bitmap = static_cast<HBITMAP>(h);
      if (!b->stock) b->selected = true;
      b->RawToPixels();
      dc->InvalidateClip();
      break;
    }
    case Kind::Region: {
      int r = SelectClipRgn(hdc, static_cast<HRGN>(h));
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(r));
    }
    default:
      return nullptr;
  }
  return old;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  DC* dc = GetDC_(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN:
    case OBJ_EXTPEN:
      return dc->st.pen;
    case OBJ_BRUSH:
      return dc->st.brush;
    case OBJ_FONT:
      return dc->st.font;
    case OBJ_BITMAP:
      return dc->type == DCType::Memory ? static_cast<HGDIOBJ>(dc->st.bitmap) : static_cast<HGDIOBJ>(dc->surfaceBmp);
    default:
      return nullptr;
  }
}

int GetDeviceCaps(HDC hdc, int index) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  if (!dc) return 0;
  bool printer = dc->type == DCType::Printer || dc->type == DCType::Info;
  int dpi = printer ? dc->dpi : 96;
  Bitmap* b = dc->TargetInfo();
  const int screenW = State().screenW, screenH = State().screenH;
  switch (index) {
    case DRIVERVERSION:
      return 0x4000;
    case TECHNOLOGY:
      return printer ? DT_RASPRINTER : DT_RASDISPLAY;
    case HORZRES:
      return printer ? dc->pageW - 2 * dc->offX : (dc->type == DCType::Memory ? screenW : dc->Width());
    case VERTRES:
      return printer ? dc->pageH - 2 * dc->offY : (dc->type == DCType::Memory ? screenH : dc->Height());
    case DESKTOPHORZRES:
      return printer ? dc->pageW : screenW;
    case DESKTOPVERTRES:
      return printer ? dc->pageH : screenH;
    case HORZSIZE:
      return MulDiv(printer ? dc->pageW - 2 * dc->offX : screenW, 254, dpi * 10);
    case VERTSIZE:
      return MulDiv(printer ? dc->pageH - 2 * dc->offY : screenH, 254, dpi * 10);
    case BITSPIXEL:
      return (b && b->mono) ? 1 : 32;
    case PLANES:
      return 1;
    case NUMCOLORS:
      return -1;
    case NUMBRUSHES:
    case NUMPENS:
      return -1;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return dpi;
    case ASPECTX:
    case ASPECTY:
      return 36;
    case ASPECTXY:
      return 51;
    case SIZEPALETTE:
    case NUMRESERVED:
      return 0;
    case COLORRES:
      return 24;
    case PHYSICALWIDTH:
      return printer ? dc->pageW : 0;
    case PHYSICALHEIGHT:
      return printer ? dc->pageH : 0;
    case PHYSICALOFFSETX:
      return printer ? dc->offX : 0;
    case PHYSICALOFFSETY:
      return printer ? dc->offY : 0;
    case VREFRESH:
      return 60;
    case RASTERCAPS:
      return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    case SHADEBLENDCAPS:
      return SB_CONST_ALPHA | SB_PIXEL_ALPHA;
    default:
      return 0;
  }
}

// ---- attributes ----------------------------------------------------------------------------------
#define PV_DC_OR(ret)   \
  PV_GDI_LOCK;          \
  DC* dc = GetDC_(hdc); \
  if (!dc) return ret

COLORREF SetBkColor(HDC hdc, COLORREF c) {
  PV_DC_OR(CLR_INVALID);
  COLORREF o = dc->st.bk;
  dc->st.bk = c & 0xFFFFFF;
  return o;
}
COLORREF GetBkColor(HDC hdc) {
  PV_DC_OR(CLR_INVALID);
  return dc->st.bk;
}
int SetBkMode(HDC hdc, int mode) {
  PV_DC_OR(0);
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  int o = dc->st.bkMode;
  dc->st.bkMode = mode;
  return o;
}
int GetBkMode(HDC hdc) {
  PV_DC_OR(0);
  return dc->st.bkMode;
}
COLORREF SetTextColor(HDC hdc, COLORREF c) {
  PV_DC_OR(CLR_INVALID);
  COLORREF o = dc->st.text;
  dc->st.text = c & 0xFFFFFF;
  return o;
}
COLORREF GetTextColor(HDC hdc) {
  PV_DC_OR(CLR_INVALID);
  return dc->st.text;
}
UINT SetTextAlign(HDC hdc, UINT a) {
  PV_DC_OR(GDI_ERROR);
  UINT o = dc->st.textAlign;
  dc->st.textAlign = a;
  return o;
}
UINT GetTextAlign(HDC hdc) {
  PV_DC_OR(GDI_ERROR);
  return dc->st.textAlign;
}
int SetROP2(HDC hdc, int r) {
  PV_DC_OR(0);
  if (r < R2_BLACK || r > R2_WHITE) return 0;
  int o = dc->st.rop2;
  dc->st.rop2 = r;
  return o;
}
int GetROP2(HDC hdc) {
  PV_DC_OR(0);
  return dc->st.rop2;
}
int SetStretchBltMode(HDC hdc, int m) {
  PV_DC_OR(0);
  if (m < BLACKONWHITE || m > HALFTONE) return 0;
  int o = dc->st.stretchMode;
  dc->st.stretchMode = m;
  return o;
}
int GetStretchBltMode(HDC hdc) {
  PV_DC_OR(0);
  return dc->st.stretchMode;
}
int SetPolyFillMode(HDC hdc, int m) {
  PV_DC_OR(0);
  if (m != ALTERNATE && m != WINDING) return 0;
  int o = dc->st.polyFill;
  dc->st.polyFill = m;
  return o;
}
int GetPolyFillMode(HDC hdc) {
  PV_DC_OR(0);
  return dc->st.polyFill;
}
BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT old) {
  PV_DC_OR(FALSE);
  if (old) *old = dc->st.brushOrg;
  dc->st.brushOrg = POINT{x, y};
  return TRUE;
}
BOOL GetBrushOrgEx(HDC hdc, LPPOINT pt) {
  PV_DC_OR(FALSE);
  if (pt) *pt = dc->st.brushOrg;
  return TRUE;
}
DWORD SetLayout(HDC hdc, DWORD layout) {
  PV_DC_OR(GDI_ERROR);
  DWORD o = dc->st.layout;
  dc->st.layout = layout & (LAYOUT_RTL | LAYOUT_BITMAPORIENTATIONPRESERVED);
  return o;
}
DWORD GetLayout(HDC hdc) {
  PV_DC_OR(GDI_ERROR);
  return dc->st.layout;
}
COLORREF SetDCBrushColor(HDC hdc, COLORREF c) {
  PV_DC_OR(CLR_INVALID);
  COLORREF o = dc->st.dcBrush;
  dc->st.dcBrush = c & 0xFFFFFF;
  return o;
}
COLORREF GetDCBrushColor(HDC hdc) {
  PV_DC_OR(CLR_INVALID);
  return dc->st.dcBrush;
}
COLORREF SetDCPenColor(HDC hdc, COLORREF c) {
  PV_DC_OR(CLR_INVALID);
  COLORREF o = dc->st.dcPen;
  dc->st.dcPen = c & 0xFFFFFF;
  return o;
}
COLORREF GetDCPenColor(HDC hdc) {
  PV_DC_OR(CLR_INVALID);
  return dc->st.dcPen;
}
int SetTextCharacterExtra(HDC hdc, int e) {
  PV_DC_OR(static_cast<int>(0x80000000u));
  int o = dc->st.charExtra;
  dc->st.charExtra = e;
  return o;
}
int GetTextCharacterExtra(HDC hdc) {
  PV_DC_OR(static_cast<int>(0x80000000u));
  return dc->st.charExtra;
}
int SetGraphicsMode(HDC hdc, int m) {
  PV_DC_OR(0);
  if (m != GM_COMPATIBLE && m != GM_ADVANCED) return 0;
  int o = dc->st.graphicsMode;
  dc->st.graphicsMode = m;
  return o;
}
int GetGraphicsMode(HDC hdc) {
  PV_DC_OR(0);
  return dc->st.graphicsMode;
}

// ---- mapping modes ---------------------------------------------------------------------------------
static void FixedExtents(DC* dc) {
  // Metric modes: window extents in the unit, viewport extents in pixels, y up.
  int dpi = (dc->type == DCType::Printer || dc->type == DCType::Info) ? dc->dpi : 96;
  auto set = [&](int perInchNum, int perInchDen) {
    dc->st.wExt = SIZE{perInchNum, perInchNum};
    dc->st.vExt = SIZE{dpi * perInchDen, -dpi * perInchDen};
  };
  switch (dc->st.mapMode) {
    case MM_TEXT:
      dc->st.wExt = SIZE{1, 1};
      dc->st.vExt = SIZE{1, 1};
      break;
    case MM_LOMETRIC:
      set(254, 1);
      break;  // 0.1 mm
    case MM_HIMETRIC:
      set(2540, 1);
      break;  // 0.01 mm
    case MM_LOENGLISH:
      set(100, 1);
      break;  // 0.01 inch
    case MM_HIENGLISH:
      set(1000, 1);
      break;  // 0.001 inch
    case MM_TWIPS:
      set(1440, 1);
      break;  // 1/1440 inch
    default:
      break;
  }
}

static void FixIsotropic(DC* dc) {
  if (dc->st.mapMode != MM_ISOTROPIC) return;
  // Same scale on both axes: shrink the larger viewport extent.
  double sx = std::fabs(static_cast<double>(dc->st.vExt.cx) / dc->st.wExt.cx);
  double sy = std::fabs(static_cast<double>(dc->st.vExt.cy) / dc->st.wExt.cy);
  if (sx > sy)
    dc->st.vExt.cx = static_cast<LONG>(
        std::lround((dc->st.vExt.cx < 0 ? -1 : 1) * sy * std::abs(dc->st.wExt.cx) * (dc->st.wExt.cx < 0 ? -1 : 1)));
  else if (sy > sx)
    dc->st.vExt.cy = static_cast<LONG>(
        std::lround((dc->st.vExt.cy < 0 ? -1 : 1) * sx * std::abs(dc->st.wExt.cy) * (dc->st.wExt.cy < 0 ? -1 : 1)));
}

int SetMapMode(HDC hdc, int mode) {
  PV_DC_OR(0);
  if (mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  int o = dc->st.mapMode;
  if (mode == o) return o;
  dc->st.mapMode = mode;
  if (mode == MM_ISOTROPIC || mode == MM_ANISOTROPIC) {
    if (o == MM_TEXT) {
      dc->st.wExt = SIZE{1, 1};
      dc->st.vExt = SIZE{1, 1};
    }
  } else {
    FixedExtents(dc);
  }
  return o;
}
int GetMapMode(HDC hdc) {
  PV_DC_OR(0);
  return dc->st.mapMode;
}
BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT old) {
  PV_DC_OR(FALSE);
  if (old) *old = dc->st.wOrg;
  dc->st.wOrg = POINT{x, y};
  return TRUE;
}
BOOL GetWindowOrgEx(HDC hdc, LPPOINT pt) {
  PV_DC_OR(FALSE);
  if (pt) *pt = dc->st.wOrg;
  return TRUE;
}
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT old) {
  PV_DC_OR(FALSE);
  if (old) *old = dc->st.vOrg;
  dc->st.vOrg = POINT{x, y};
  return TRUE;
}
BOOL GetViewportOrgEx(HDC hdc, LPPOINT pt) {
  PV_DC_OR(FALSE);
  if (pt) *pt = dc->st.vOrg;
  return TRUE;
}
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT old) {
  PV_DC_OR(FALSE);
  if (old) *old = dc->st.vOrg;
  dc->st.vOrg.x += dx;
  dc->st.vOrg.y += dy;
  return TRUE;
}
BOOL OffsetWindowOrgEx(HDC hdc, int dx, int dy, LPPOINT old) {
  PV_DC_OR(FALSE);
  if (old) *old = dc->st.wOrg;
  dc->st.wOrg.x += dx;
  dc->st.wOrg.y += dy;
  return TRUE;
}
BOOL SetWindowExtEx(HDC hdc, int x, int y, LPSIZE old) {
  PV_DC_OR(FALSE);
  if (old) *old = dc->st.wExt;
  if (dc->st.mapMode != MM_ISOTROPIC && dc->st.mapMode != MM_ANISOTROPIC) return TRUE;
  if (x == 0 || y == 0) return FALSE;
  dc->st.wExt = SIZE{x, y};
  FixIsotropic(dc);
  return TRUE;
}
BOOL GetWindowExtEx(HDC hdc, LPSIZE sz) {
  PV_DC_OR(FALSE);
  if (sz) *sz = dc->st.wExt;
  return TRUE;
}
BOOL SetViewportExtEx(HDC hdc, int x, int y, LPSIZE old) {
  PV_DC_OR(FALSE);
  if (old) *old = dc->st.vExt;
  if (dc->st.mapMode != MM_ISOTROPIC && dc->st.mapMode != MM_ANISOTROPIC) return TRUE;
  if (x == 0 || y == 0) return FALSE;
  dc->st.vExt = SIZE{x, y};
  FixIsotropic(dc);
  return TRUE;
}
BOOL GetViewportExtEx(HDC hdc, LPSIZE sz) {
  PV_DC_OR(FALSE);
  if (sz) *sz = dc->st.vExt;
  return TRUE;
}
BOOL ScaleViewportExtEx(HDC hdc, int xn, int xd, int yn, int yd, LPSIZE old) {
  PV_DC_OR(FALSE);
  if (old) *old = dc->st.vExt;
  if (dc->st.mapMode != MM_ISOTROPIC && dc->st.mapMode != MM_ANISOTROPIC) return TRUE;
  if (!xd || !yd) return FALSE;
  int x = MulDiv(dc->st.vExt.cx, xn, xd), y = MulDiv(dc->st.vExt.cy, yn, yd);
  if (!x || !y) return FALSE;
  dc->st.vExt = SIZE{x, y};
  FixIsotropic(dc);
  return TRUE;
}
BOOL ScaleWindowExtEx(HDC hdc, int xn, int xd, int yn, int yd, LPSIZE old) {
  PV_DC_OR(FALSE);
  if (old) *old = dc->st.wExt;
  if (dc->st.mapMode != MM_ISOTROPIC && dc->st.mapMode != MM_ANISOTROPIC) return TRUE;
  if (!xd || !yd) return FALSE;
  int x = MulDiv(dc->st.wExt.cx, xn, xd), y = MulDiv(dc->st.wExt.cy, yn, yd);
  if (!x || !y) return FALSE;
  dc->st.wExt = SIZE{x, y};
  FixIsotropic(dc);
  return TRUE;
}
BOOL LPtoDP(HDC hdc, LPPOINT pts, int count) {
  PV_DC_OR(FALSE);
  if (!pts && count) return FALSE;
  for (int i = 0; i < count; ++i) pts[i] = dc->ToDevicePt(pts[i].x, pts[i].y);
  return TRUE;
}
BOOL DPtoLP(HDC hdc, LPPOINT pts, int count) {
  PV_DC_OR(FALSE);
  if (!pts && count) return FALSE;
  for (int i = 0; i < count; ++i) {
    double x = pts[i].x, y = pts[i].y;
    if (dc->st.layout & LAYOUT_RTL) x = dc->MirrorWidth() - x;
    double lx = (x - dc->st.vOrg.x) / dc->ScaleX() + dc->st.wOrg.x;
    double ly = (y - dc->st.vOrg.y) / dc->ScaleY() + dc->st.wOrg.y;
    pts[i] = POINT{static_cast<LONG>(std::floor(lx + 0.5)), static_cast<LONG>(std::floor(ly + 0.5))};
  }
  return TRUE;
}
BOOL GetCurrentPositionEx(HDC hdc, LPPOINT pt) {
  PV_DC_OR(FALSE);
  if (pt) *pt = dc->st.cur;
  return TRUE;
}

// ---- clipping ------------------------------------------------------------------------------------
// The caller's clip is kept in device coordinates; GetClipRgn answers it.
int SelectClipRgn(HDC hdc, HRGN rgn) { return ExtSelectClipRgn(hdc, rgn, RGN_COPY); }

int ExtSelectClipRgn(HDC hdc, HRGN hrgn, int mode) {
  PV_DC_OR(ERROR);
  auto* r = As<Region>(hrgn, Kind::Region);
  if (!r) {
    if (mode != RGN_COPY) return ERROR;
    dc->st.hasClip = false;
    dc->st.clip = RectSet();
    dc->InvalidateClip();
  } else {
    RectSet src = r->rl;
    if (mode == RGN_COPY || !dc->st.hasClip) {
      RectSet surface = RectSet::FromRect(0, 0, dc->Width(), dc->Height());
      dc->st.clip = mode == RGN_COPY ? src : RectSet::Combine(surface, src, mode);
    } else {
      dc->st.clip = RectSet::Combine(dc->st.clip, src, mode);
    }
    dc->st.hasClip = true;
    dc->InvalidateClip();
  }
  RECT rc;
  return GetClipBox(hdc, &rc);
}

static RECT DeviceRect(DC* dc, int l, int t, int r, int b) {
  RECT rc = dc->ToTargetRect(l, t, r, b);
  rc.left -= dc->sysOrigin.x;
  rc.right -= dc->sysOrigin.x;
  rc.top -= dc->sysOrigin.y;
  rc.bottom -= dc->sysOrigin.y;
  return rc;
}

int IntersectClipRect(HDC hdc, int l, int t, int r, int b) {
  PV_DC_OR(ERROR);
  RECT d = DeviceRect(dc, l, t, r, b);
  RectSet rl = RectSet::FromRect(d.left, d.top, d.right, d.bottom);
  dc->st.clip = dc->st.hasClip ? RectSet::Combine(dc->st.clip, rl, RGN_AND) : rl;
  dc->st.hasClip = true;
  dc->InvalidateClip();
  RECT rc;
  return GetClipBox(hdc, &rc);
}

int ExcludeClipRect(HDC hdc, int l, int t, int r, int b) {
  PV_DC_OR(ERROR);
  RECT d = DeviceRect(dc, l, t, r, b);
  RectSet rl = RectSet::FromRect(d.left, d.top, d.right, d.bottom);
  RectSet base = dc->st.hasClip ? dc->st.clip : RectSet::FromRect(0, 0, dc->Width(), dc->Height());
  dc->st.clip = RectSet::Combine(base, rl, RGN_DIFF);
  dc->st.hasClip = true;
  dc->InvalidateClip();
  RECT rc;
  return GetClipBox(hdc, &rc);
}

int OffsetClipRgn(HDC hdc, int dx, int dy) {
  PV_DC_OR(ERROR);
  if (dc->st.hasClip) {
    dc->st.clip.Offset(static_cast<int>(std::lround(dx * dc->ScaleX())),
                       static_cast<int>(std::lround(dy * dc->ScaleY())));
    dc->InvalidateClip();
  }
  RECT rc;
  return GetClipBox(hdc, &rc);
}

int GetClipBox(HDC hdc, LPRECT rc) {
  PV_DC_OR(ERROR);
  const RectSet& clip = dc->Clip();
  RECT box = clip.Box();
  int kind = clip.Complexity();
  if (!rc) return kind;
  if (kind == NULLREGION) {
    *rc = RECT{0, 0, 0, 0};
    return kind;
  }
  // Back to logical coordinates.
  POINT pts[2] = {{box.left - dc->sysOrigin.x, box.top - dc->sysOrigin.y},
                  {box.right - dc->sysOrigin.x, box.bottom - dc->sysOrigin.y}};
  DPtoLP(hdc, pts, 2);
  *rc = RECT{std::min(pts[0].x, pts[1].x), std::min(pts[0].y, pts[1].y), std::max(pts[0].x, pts[1].x),
             std::max(pts[0].y, pts[1].y)};
  return kind;
}

int GetClipRgn(HDC hdc, HRGN hrgn) {
  PV_DC_OR(-1);
  auto* r = As<Region>(hrgn, Kind::Region);
  if (!r) return -1;
  if (!dc->st.hasClip) return 0;
  r->rl = dc->st.clip;
  return 1;
}

BOOL PtVisible(HDC hdc, int x, int y) {
  PV_DC_OR(FALSE);
  POINT p = dc->ToTargetPt(x, y);
  return dc->Clip().Contains(p.x, p.y) ? TRUE : FALSE;
}

BOOL RectVisible(HDC hdc, const RECT* rc) {
  PV_DC_OR(FALSE);
  if (!rc) return FALSE;
  RECT t = dc->ToTargetRect(rc->left, rc->top, rc->right, rc->bottom);
  RectSet a = RectSet::FromRect(t.left, t.top, t.right, t.bottom);
  return RectSet::Combine(a, dc->Clip(), RGN_AND).Empty() ? FALSE : TRUE;
}

// ---- the window manager's side ----------------------------------------------------------------------
HDC GdiCreateSurfaceDC(HBITMAP backing) {
  PV_GDI_LOCK;
  Bitmap* b = GetBitmap_(backing);
  if (!b || b->bpp != 32 || b->mono) return nullptr;
  DC* dc = NewDC(DCType::Surface);
  dc->surfaceBmp = backing;
  return H(dc);
}

void GdiSetScreenReader(GdiScreenReader reader) {
  PV_GDI_LOCK;
  State().screenReader = reader;
}

HDC GdiCreateScreenReadDC(const RECT& screen, SIZE primarySize) {
  PV_GDI_LOCK;
  const int cx = std::max<int>(1, screen.right - screen.left), cy = std::max<int>(1, screen.bottom - screen.top);
  DC* dc = NewDC(DCType::Surface);
  dc->surfaceBmp = ToHandle(NewFilledBitmap(cx, cy, 0xFF000000u));
  dc->ownsSurface = true;
  dc->readsScreen = true;
  dc->sysOrigin = POINT{-screen.left, -screen.top};
  dc->hasSysSize = true;
  dc->sysSize = primarySize;
  return H(dc);
}

void pv::gdi::PrepareRead(DC* dc, int x, int y, int w, int h) {
  if (!dc || !dc->readsScreen || !State().screenReader) return;
  Bitmap* b = dc->Target();
  if (!b || !b->pixels) return;
  RECT r = dc->ToTargetRect(x, y, x + w, y + h);
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, b->w);
  r.bottom = std::min<LONG>(r.bottom, b->h);
  if (r.right <= r.left || r.bottom <= r.top) return;
  b->Flush();
  const RECT area{r.left - dc->sysOrigin.x, r.top - dc->sysOrigin.y, r.right - dc->sysOrigin.x,
                  r.bottom - dc->sysOrigin.y};
  State().screenReader(area, b->Row(r.top) + r.left, b->stride);
  b->Dirty();
}

bool GdiSetSurfaceBitmap(HDC hdc, HBITMAP backing) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  Bitmap* b = GetBitmap_(backing);
  if (!dc || dc->type != DCType::Surface || !b || b->bpp != 32) return false;
  dc->surfaceBmp = backing;
  dc->InvalidateClip();
  return true;
}

void GdiSetSystemOrigin(HDC hdc, int x, int y) {
  PV_GDI_LOCK;
  if (DC* dc = GetDC_(hdc)) {
    dc->sysOrigin = POINT{x, y};
    dc->InvalidateClip();
  }
}

void GdiGetSystemOrigin(HDC hdc, int* x, int* y) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  if (x) *x = dc ? dc->sysOrigin.x : 0;
  if (y) *y = dc ? dc->sysOrigin.y : 0;
}

void GdiSetSystemSize(HDC hdc, int cx, int cy) {
  PV_GDI_LOCK;
  if (DC* dc = GetDC_(hdc)) {
    dc->hasSysSize = true;
    dc->sysSize = SIZE{std::max(cx, 0), std::max(cy, 0)};
    dc->InvalidateClip();
  }
}

void GdiSetSystemClip(HDC hdc, HRGN rgn) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  if (!dc) return;
  auto* r = As<Region>(rgn, Kind::Region);
  dc->hasSysClip = r != nullptr;
  dc->sysClip = r ? r->rl : RectSet();
  dc->InvalidateClip();
}

void GdiResetDC(HDC hdc) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  if (!dc) return;
  if (dc->type == DCType::Memory)
    if (Bitmap* b = GetBitmap_(dc->st.bitmap)) b->selected = false;
  dc->saved.clear();
  dc->inPath = dc->pathDone = false;
  dc->path.clear();
  InitState(dc);
}

bool GdiGetDibPixels(HBITMAP hbmp, uint32_t** bits, int* width, int* height, int* stride) {
  PV_GDI_LOCK;
  Bitmap* b = GetBitmap_(hbmp);
  if (!b || b->bpp != 32 || b->mono) return false;
  b->Flush();
  if (bits) *bits = b->pixels;
  if (width) *width = b->w;
  if (height) *height = b->h;
  if (stride) *stride = b->stride;
  return true;
}

void GdiMarkDirty(HBITMAP hbmp) {
  PV_GDI_LOCK;
  if (Bitmap* b = GetBitmap_(hbmp)) b->Dirty();
}

HBITMAP GdiGetDCBitmap(HDC hdc) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  if (!dc) return nullptr;
  if (dc->type == DCType::Memory) return dc->st.bitmap;
  return dc->surfaceBmp;
}

void GdiSetScreenSize(int cx, int cy) {
  PV_GDI_LOCK;
  GdiState& s = State();
  s.screenW = std::max(cx, 1);
  s.screenH = std::max(cy, 1);
  DC* dc = GetDC_(GetScreenDC());
  Bitmap* old = As<Bitmap>(dc->surfaceBmp, Kind::Bitmap);
  if (old->w != s.screenW || old->h != s.screenH) {
    Bitmap* b = NewFilledBitmap(s.screenW, s.screenH, 0xFF000000u);
    b->stock = true;
    dc->surfaceBmp = ToHandle(b);
    dc->InvalidateClip();
    // The old bitmap may still be referenced by display DCs; it stays alive.
  }
}

void GdiGetScreenSize(int* cx, int* cy) {
  PV_GDI_LOCK;
  if (cx) *cx = State().screenW;
  if (cy) *cy = State().screenH;
}
