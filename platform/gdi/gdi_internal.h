// Inside GDI: the objects behind the handles and the shared helpers of the
// drawing code. Not a public header (it pulls in cairo).
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/handletable.h"
#include "platform/gdi/gdi_private.h"
#include "platform/gdi/rectset.h"
#include "platform/gdi/syscolors.h"
#include "platform/gdi/wingdi.h"

struct _IMAGELIST;

namespace pv::gdi {

struct Obj;
struct GpObject;  // gdiplus.cpp

// The GDI's shared state: one object for the process, made on first use and
// never destroyed, so objects deleted while the process exits still find it.
// `mutex` (taken with PV_GDI_LOCK) guards every field below and every object
// a handle reaches, and the text layer's font state (gdi_text.cpp). It is
// recursive because GDI calls nest: DrawText selects fonts, icons and image
// lists draw through DCs. The last error (SetError) and the text layer's
// reading order are per thread and need no lock.
struct GdiState {
  GdiState();
  std::recursive_mutex mutex;
  // Every live object by handle: a stale handle is refused, not followed.
  pv::detail::HandleTable<Obj> objects{pv::detail::HandleTag::Gdi};
  pv::detail::HandleTable<_IMAGELIST> imageLists{pv::detail::HandleTag::ImageList};
  pv::detail::HandleTable<GpObject> gdiplusObjects{pv::detail::HandleTag::GdiPlus};
  // Stock and system objects, made on first use and never deleted.
  HBRUSH stockBrushes[DC_PEN + 1] = {};
  HPEN stockPens[DC_PEN + 1] = {};
  HFONT stockFonts[DC_PEN + 1] = {};
  HBITMAP stockBitmap = nullptr;  // the 1x1 monochrome bitmap of a new memory DC
  HBRUSH sysBrushes[PV_SYSCOLOR_COUNT] = {};
  HBRUSH halftoneBrush = nullptr;
  HICON standardIcons[8] = {};  // IDI_APPLICATION ... IDI_SHIELD
  // The desktop: the screen DC and the size it and HORZRES/VERTRES report.
  HDC screenDC = nullptr;
  int screenW = 1024, screenH = 768;
  COLORREF sysColors[PV_SYSCOLOR_COUNT];   // the scheme in use (classic at start)
  int gdiplusStartups = 0;                 // GdiplusStartup calls not yet shut down
  GdiScreenReader screenReader = nullptr;  // fills screen-read DCs (the window manager's)
};
GdiState& State();
#define PV_GDI_LOCK std::lock_guard<std::recursive_mutex> pv_gdi_lock_(::pv::gdi::State().mutex)

enum class Kind : uint8_t { Pen, Brush, Font, Bitmap, Region, DC, Icon };

struct Obj {
  Kind kind;
  bool stock = false;    // stock and system objects ignore DeleteObject
  uintptr_t handle = 0;  // given by Register
  explicit Obj(Kind k) : kind(k) {}
  // A copy (CopyIcon) is the caller's own object: its own handle, and
  // deletable even when the original is a stock object.
  Obj(const Obj& o) : kind(o.kind) {}
  Obj& operator=(const Obj&) = delete;
  virtual ~Obj() = default;
};

// Handle registry: every live object is registered so that a stale or
// foreign handle is answered with an error instead of a crash. Handles are
// generation-tagged (platform/base/handletable.h): the handle of a deleted
// object never reaches one made later at the same address.
void Register(Obj* o);
void Unregister(Obj* o);
Obj* Lookup(const void* h);
template <class H = HGDIOBJ>
H HandleOf(const Obj* o) {
  return o ? reinterpret_cast<H>(o->handle) : nullptr;
}
template <class T>
T* As(const void* h, Kind k) {
  Obj* o = Lookup(h);
  return (o && o->kind == k) ? static_cast<T*>(o) : nullptr;
}

// ---- regions --------------------------------------------------------------------------
struct Region : Obj {
  RectSet rl;
  Region() : Obj(Kind::Region) {}
};
HRGN NewRegion(RectSet rl);

// ---- pens and brushes ----------------------------------------------------------------
struct Brush : Obj {
  int style = BS_SOLID;
  COLORREF color = 0;
  int hatch = 0;
  // Patterns: pattern pixels (premultiplied ARGB) or a monochrome pattern that
  // takes the DC's text (0 bits) and background (1 bits) colours.
  int pw = 0, ph = 0;
  std::vector<uint32_t> pattern;
  std::vector<uint8_t> mono;  // 1 = set bit (background colour)
  bool isMono = false;
  int sysIndex = -1;  // system-colour brush: follows the scheme
  bool dcBrush = false;
  Brush() : Obj(Kind::Brush) {}
};

struct Pen : Obj {
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
  bool geometric = false;
  DWORD endcap = PS_ENDCAP_ROUND, join = PS_JOIN_ROUND;
  std::vector<DWORD> user;
  bool dcPen = false;
  Pen() : Obj(Kind::Pen) {}
};

// ---- bitmaps -------------------------------------------------------------------------
struct Bitmap : Obj {
  int w = 0, h = 0;
  int bpp = 32;                // as the caller sees it: 1 (monochrome) or DIB depth, else 32
  bool dib = false;            // created as a DIB section
  bool topDown = true;         // DIB section row order of `raw`
  bool mono = false;           // monochrome device bitmap: pixels are black or white only
  std::vector<uint32_t> px;    // 32-bit premultiplied pixels, top-down, stride w*4 (unless external)
  uint32_t* pixels = nullptr;  // px.data() or the caller-visible DIB bits for 32-bit DIB sections
  int stride = 0;              // bytes
  // Lower-depth DIB sections: the caller-visible bits in their own format,
  // converted to `px` before use and back after drawing.
  std::vector<uint8_t> raw;
  std::vector<RGBQUAD> colors;
  int rawStride = 0;
  bool selected = false;
  cairo_surface_t* surface = nullptr;
  Bitmap() : Obj(Kind::Bitmap) {}
  ~Bitmap() override;
  cairo_surface_t* Surface();
  void Flush() {
    if (surface) cairo_surface_flush(surface);
  }
  void Dirty() {
    if (surface) cairo_surface_mark_dirty(surface);
  }
  uint32_t* Row(int y) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(pixels) + static_cast<std::ptrdiff_t>(y) * stride);
  }
  void RawToPixels();  // lower-depth DIB sections only
  void PixelsToRaw();
  // The screen's bitmap holds one colour until it is first drawn on or read:
  // its pixels are made then (by GetBitmap_), so a program that never uses
  // the screen's pixels never allocates or touches them.
  bool pendingFill = false;
  uint32_t fill = 0;
  void MakePixels();
};
Bitmap* NewBitmap(int w, int h, bool zeroFill = true);
// A w×h bitmap of the one colour `fill`, its pixels made on first use.
Bitmap* NewFilledBitmap(int w, int h, uint32_t fill);
HBITMAP ToHandle(Bitmap* b);

// ---- fonts ----------------------------------------------------------------------------
struct FontImpl;  // text layer (gdi_text.cpp)
struct Font : Obj {
  LOGFONTW lf{};
  FontImpl* impl = nullptr;
  // Device fonts for scaling mapping modes, by y scale × 1024.
  std::vector<std::pair<long, FontImpl*>> scaled;
  Font() : Obj(Kind::Font) {}
  ~Font() override;
};

// ---- icons ----------------------------------------------------------------------------
struct Icon : Obj {
  bool isIcon = true;
  int xHot = 0, yHot = 0;
  int w = 0, h = 0;
  // Colour pixels (premultiplied ARGB) and the AND mask (1 = transparent).
  std::vector<uint32_t> color;
  std::vector<uint8_t> mask;
  bool hasAlpha = false;
  bool monoIcon = false;  // no colour bitmap: mask has 2*h rows (AND then XOR)
  Icon() : Obj(Kind::Icon) {}
};

// ---- device contexts --------------------------------------------------------------------
enum class DCType : uint8_t { Memory, Surface, Screen, Printer, Info };

struct DCState {
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
  HBITMAP bitmap = nullptr;
  COLORREF bk = RGB(255, 255, 255), text = RGB(0, 0, 0);
  int bkMode = OPAQUE, rop2 = R2_COPYPEN, stretchMode = BLACKONWHITE, polyFill = ALTERNATE;
  UINT textAlign = 0;
  POINT brushOrg{0, 0};
  DWORD layout = 0;
  int mapMode = MM_TEXT;
  POINT wOrg{0, 0}, vOrg{0, 0};
  SIZE wExt{1, 1}, vExt{1, 1};
  bool hasClip = false;
  RectSet clip;  // device coordinates (before the system origin)
  POINT cur{0, 0};
  COLORREF dcBrush = RGB(255, 255, 255), dcPen = RGB(0, 0, 0);
  int charExtra = 0;
  int graphicsMode = GM_COMPATIBLE;
};

struct PathPoint {
  double x, y;
  BYTE type;
};

struct DC : Obj {
  DCType type = DCType::Memory;
  DCState st;
  std::vector<DCState> saved;
  HBITMAP surfaceBmp = nullptr;  // Surface DCs: the backing bitmap (not owned)
  bool ownsSurface = false;      // the screen-read DC's own bitmap, deleted with it
  bool readsScreen = false;      // filled from the screen before every read
  POINT sysOrigin{0, 0};
  bool hasSysSize = false;
  SIZE sysSize{0, 0};
  bool hasSysClip = false;
  RectSet sysClip;  // bitmap coordinates
  // Paths.
  bool inPath = false;
  bool pathDone = false;
  std::vector<PathPoint> path;  // device coordinates
  // Printer.
  cairo_surface_t* pdf = nullptr;
  cairo_t* pdfCr = nullptr;
  std::string pdfPath;
  bool docStarted = false, pageStarted = false;
  int dpi = 96;
  int pageW = 0, pageH = 0;  // device units
  int offX = 0, offY = 0;    // printable offset
  DC() : Obj(Kind::DC) {}
  ~DC() override;

  Bitmap* Target();      // bitmap drawn on (null for printers / info DCs)
  Bitmap* TargetInfo();  // the same, for its size and depth only: its pixels may not exist yet
  int Width();           // surface size in device units
  int Height();
  // Logical → device (before the system origin, after layout mirroring).
  void ToDevice(double lx, double ly, double* dx, double* dy) const;
  POINT ToDevicePt(int x, int y) const;
  // Logical rectangle → normalised device rectangle in target coordinates
  // (system origin included).
  RECT ToTargetRect(int l, int t, int r, int b) const;
  POINT ToTargetPt(int x, int y) const;
  double ScaleX() const;
  double ScaleY() const;
  bool Mirrored() const { return (st.layout & LAYOUT_RTL) != 0; }
  int MirrorWidth();
  // The effective clip in target coordinates: system clip ∩ caller clip ∩ surface.
  const RectSet& Clip();
  void InvalidateClip() { clipValid = false; }
  // A cairo context on the target with the effective clip applied, identity
  // matrix in target pixels (printers: scaled to points).
  cairo_t* Cairo();
  void ReleaseCairo(cairo_t* cr);
  COLORREF MapColor(COLORREF c);  // monochrome targets: black or white
  bool clipValid = false;
  RectSet clipCache;
};
DC* GetDC_(HDC h);
// A DC about to be read in the logical rectangle: a screen-read DC fills that
// part from the screen first.
void PrepareRead(DC* dc, int x, int y, int w, int h);
Bitmap* GetBitmap_(HGDIOBJ h);

// ---- pixel helpers ------------------------------------------------------------------------
inline uint32_t ColorToPixel(COLORREF c) {
  return 0xFF000000u | (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) |
         GetBValue(c);
}
inline COLORREF PixelToColor(uint32_t p) {
  // Unpremultiplied colour of a pixel (GetPixel answers the visible colour).
  uint32_t a = p >> 24;
  uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  if (a != 0 && a != 255) {
    r = (r * 255 + a / 2) / a;
    g = (g * 255 + a / 2) / a;
    b = (b * 255 + a / 2) / a;
    if (r > 255) r = 255;
    if (g > 255) g = 255;
    if (b > 255) b = 255;
  }
  return RGB(r, g, b);
}
// Applies a binary raster operation (R2_*) to 24-bit colours; result opaque.
uint32_t Rop2(int rop2, uint32_t pen, uint32_t dst);
// Applies a ternary raster operation (the high byte of the low word of a ROP code).
uint32_t Rop3(uint8_t rop, uint32_t p, uint32_t s, uint32_t d);
bool RopUsesSource(DWORD rop);
bool RopUsesPattern(DWORD rop);

// The brush's pixel at target position (x,y) for a DC (brush origin applied).
struct BrushSampler {
  const Brush* b = nullptr;
  uint32_t solid = 0;
  uint32_t fg = 0, bg = 0;     // monochrome and hatch colours
  bool transparentBk = false;  // hatch and mono brushes in TRANSPARENT mode leave gaps
  int ox = 0, oy = 0;
  bool IsSolid() const { return !b || b->style == BS_SOLID; }
  // Returns false when the pixel is left alone (hatch background, transparent mode).
  bool At(int x, int y, uint32_t* out) const;
};
bool MakeSampler(DC* dc, HBRUSH brush, BrushSampler* s);  // false for a null brush

// Fills target rectangle r (already in target coordinates) with a brush under
// the DC's clip and a ROP3 (PATCOPY for plain fills).
void FillTargetRect(DC* dc, const RECT& r, HBRUSH brush, DWORD rop = PATCOPY);
// Paints the coverage of an A8 mask (cairo-rendered with antialiasing off,
// target coordinates, origin mx,my) with a pen colour under ROP2, or with a
// brush (when brush is non-null).
void PaintMask(DC* dc, cairo_surface_t* mask, int mx, int my, uint32_t penPixel, HBRUSH brush, int rop2);
// Sets one target pixel with the pen colour under the DC's ROP2 and clip.
void PlotPixel(DC* dc, int x, int y, uint32_t pix, int rop2);

// Objects used by many files.
HBRUSH StockBrush(int index);
HPEN StockPen(int index);
HFONT StockFont(int index);
HBITMAP StockBitmap();
HBRUSH SysBrush(int index);
COLORREF BrushColor(DC* dc, HBRUSH b);

// Text helpers shared by DrawText, DrawState and the frame controls.
int MeasureText(DC* dc, const char16_t* s, int n);  // width in device pixels
void GetMetrics(DC* dc, TEXTMETRICW* tm);
// Draws a run at logical (x, y) top-left, no alignment processing; underline
// of a single character (mnemonic) when ulIndex >= 0.
void DrawRun(DC* dc, int x, int y, const char16_t* s, int n, int ulIndex, const RECT* clipLogical, bool opaque);

std::string ToUtf8(const char16_t* s, int n);
std::u16string ToUtf16(const char* s);

void SetError(const std::string& e);

}  // namespace pv::gdi
