// Fonts and text through Pango on a private fontconfig configuration, plus
// two faces drawn by us: "Marlett" (window-control glyphs) and
// "PravenorTest" (fixed advances for layouts computed by hand).
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "platform/base/utf.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/gdi/textmeasure.h"

#ifndef PV_GDI_FONTS_CONF
#define PV_GDI_FONTS_CONF "fonts.conf"
#endif

namespace pv::gdi {

// Pango takes UTF-8 and stops at a zero byte, so zero units travel as U+FFFD
// (ByteOffsets below counts them as three bytes).
std::string ToUtf8(const char16_t* s, int n) {
  std::string out;
  out.reserve(n);
  int start = 0;
  for (int i = 0; i <= n; ++i) {
    if (i == n || s[i] == 0) {
      pv::AppendUtf16ToUtf8(out, std::u16string_view(s + start, i - start));
      if (i < n) out += "\xEF\xBF\xBD";
      start = i + 1;
    }
  }
  return out;
}

std::u16string ToUtf16(const char* s) { return pv::Utf8ToUtf16(s ? s : ""); }

// UTF-8 byte offset of every UTF-16 index (size n+1).
static std::vector<int> ByteOffsets(const char16_t* s, int n) {
  std::vector<int> off(n + 1);
  int b = 0;
  for (int i = 0; i < n; ++i) {
    off[i] = b;
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      b += 4;
      off[++i] = b;  // the low surrogate shares the character's end
      continue;
    }
    if (c == 0 || (c >= 0xD800 && c <= 0xDFFF)) b += 3;
    else b += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
  }
  off[n] = b;
  return off;
}

// ---- font configuration ----------------------------------------------------------------------------
// The text layer's share of the GDI state, made on first use and never
// destroyed; guarded by the GDI lock (PV_GDI_LOCK) like the rest of it.
struct FontState {
  FcConfig* config = nullptr;
  PangoFontMap* map = nullptr;
  PangoContext* ctx = nullptr;      // anti-aliased
  PangoContext* ctxMono = nullptr;  // NONANTIALIASED_QUALITY
  PangoContext* ctxRtl = nullptr;   // right-to-left reading order
  PangoContext* ctxMonoRtl = nullptr;
  // Ascent+descent per pixel of em, by "family/weight[i]"; cleared when fonts are added.
  std::map<std::string, double> cellRatios;
  unsigned generation = 0;  // counts the fonts added since start
};

static std::string ConfPath() {
  if (const char* e = std::getenv("PRAVENOR_FONTS_CONF"); e && *e) return e;
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    exe[n] = 0;
    std::string dir(exe);
    dir = dir.substr(0, dir.rfind('/'));
    std::string p = dir + "/fonts.conf";
    if (access(p.c_str(), R_OK) == 0) return p;
  }
  return PV_GDI_FONTS_CONF;
}

static PangoContext* MakeContext(PangoFontMap* map, bool antialias) {
  PangoContext* ctx = pango_font_map_create_context(map);
  cairo_font_options_t* o = cairo_font_options_create();
  // Fixed options so that the desktop's settings never change our pixels.
  cairo_font_options_set_antialias(o, antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
  cairo_font_options_set_subpixel_order(o, CAIRO_SUBPIXEL_ORDER_DEFAULT);
  pango_cairo_context_set_font_options(ctx, o);
  cairo_font_options_destroy(o);
  pango_cairo_context_set_resolution(ctx, 72.0);  // sizes are given in pixels
  pango_context_set_round_glyph_positions(ctx, TRUE);
  pango_context_set_language(ctx, pango_language_from_string("en-us"));
  pango_context_set_base_dir(ctx, PANGO_DIRECTION_LTR);
  return ctx;
}

static FontState& Fonts() {
  static FontState* const fonts = [] {
    auto* f = new FontState();
    f->config = FcConfigCreate();
    std::string path = ConfPath();
    if (!FcConfigParseAndLoad(f->config, reinterpret_cast<const FcChar8*>(path.c_str()), FcTrue)) {
      // Without our configuration fall back to the system's one.
      FcConfigDestroy(f->config);
      f->config = FcInitLoadConfigAndFonts();
    } else {
      FcConfigBuildFonts(f->config);
    }
    // Ours is the library's current configuration before the font map is
    // made: the map initialises the library (FcInit), which otherwise loads
    // the system's configuration too, every file of it parsed and its fonts
    // scanned (a third of an empty start-up), for nothing that we draw.
    FcConfigSetCurrent(f->config);
    f->map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(f->map), f->config);
    f->ctx = MakeContext(f->map, true);
    f->ctxMono = MakeContext(f->map, false);
    f->ctxRtl = MakeContext(f->map, true);
    f->ctxMonoRtl = MakeContext(f->map, false);
    pango_context_set_base_dir(f->ctxRtl, PANGO_DIRECTION_RTL);
    pango_context_set_base_dir(f->ctxMonoRtl, PANGO_DIRECTION_RTL);
    return f;
  }();
  return *fonts;
}

// ---- fonts ---------------------------------------------------------------------------------------------
enum class Face { Pango, Marlett, Test };

struct FontImpl {
  Face face = Face::Pango;
  PangoFontDescription* desc = nullptr;
  PangoLayout* layout = nullptr;
  PangoLayout* rtlLayout = nullptr;  // drawing in right-to-left reading order
  bool mono = false;
  int ascent = 0, descent = 0, height = 0, internalLeading = 0, externalLeading = 0;
  int aveWidth = 0, maxWidth = 0;
  int em = 0;
  int underlinePos = 0, underlineThickness = 1, strikePos = 0;
  bool underline = false, strike = false;
  double angle = 0;  // escapement, radians counter-clockwise
  std::u16string lastText;
  bool hasText = false;
  // The width of lastText in Pango units, -1 until asked, and the fonts'
  // generation it was laid out under (a font added may change it).
  int lastWidth = -1;
  unsigned lastGeneration = 0;
  ~FontImpl() {
    if (layout) g_object_unref(layout);
    if (rtlLayout) g_object_unref(rtlLayout);
    if (desc) pango_font_description_free(desc);
  }
};

Font::~Font() {
  delete impl;
  for (auto& e : scaled) delete e.second;
}

static std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Ascent+descent per pixel of em of a family (for positive lfHeight).
static double CellRatio(const std::string& family, int weight, bool italic) {
  std::string key = family + "/" + std::to_string(weight) + (italic ? "i" : "");
  auto it = Fonts().cellRatios.find(key);
  if (it != Fonts().cellRatios.end()) return it->second;
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, family.c_str());
  pango_font_description_set_weight(d, static_cast<PangoWeight>(weight));
  pango_font_description_set_absolute_size(d, 1000.0 * PANGO_SCALE);
  PangoFontMetrics* m = pango_context_get_metrics(Fonts().ctx, d, nullptr);
  double r = (pango_font_metrics_get_ascent(m) + pango_font_metrics_get_descent(m)) / (1000.0 * PANGO_SCALE);
  pango_font_metrics_unref(m);
  pango_font_description_free(d);
  if (r <= 0.1) r = 1.15;
  Fonts().cellRatios[key] = r;
  return r;
}

static FontImpl* Build(const LOGFONTW& lf) {
  auto* fi = new FontImpl();
  int n = 0;
  while (n < LF_FACESIZE && lf.lfFaceName[n]) ++n;
  std::string face = ToUtf8(lf.lfFaceName, n);
  std::string lower = Lower(face);
  fi->underline = lf.lfUnderline != 0;
  fi->strike = lf.lfStrikeOut != 0;
  fi->angle = lf.lfEscapement / 10.0 * M_PI / 180.0;
  int h = lf.lfHeight;
  if (lower == "marlett" || lower == "pravenortest") {
    fi->face = lower == "marlett" ? Face::Marlett : Face::Test;
    int H = h < 0 ? -h : (h > 0 ? h : 16);
    H = std::max(H, 1);
    fi->em = H;
    fi->height = H;
    if (fi->face == Face::Test) {
      // Test face: ascent 4/5 of the height, every advance half the height.
      fi->ascent = H * 4 / 5;
      fi->aveWidth = fi->maxWidth = std::max(1, H / 2);
    } else {
      fi->ascent = H;
      fi->aveWidth = fi->maxWidth = H;
    }
    fi->descent = H - fi->ascent;
    fi->underlinePos = fi->ascent + 1;
    fi->strikePos = fi->ascent / 2;
    return fi;
  }
  if (face.empty()) face = "MS Shell Dlg";
  int weight = lf.lfWeight == 0 ? FW_NORMAL : std::clamp<int>(lf.lfWeight, 100, 1000);
  bool italic = lf.lfItalic != 0;
  double em;
  if (h < 0) em = -h;
  else if (h > 0) em = h / CellRatio(face, weight, italic);
  else em = 16 / CellRatio(face, weight, italic);
  em = std::max(1.0, std::round(em));
  fi->em = static_cast<int>(em);
  fi->mono = lf.lfQuality == NONANTIALIASED_QUALITY;
  fi->desc = pango_font_description_new();
  pango_font_description_set_family(fi->desc, face.c_str());
  pango_font_description_set_weight(fi->desc, static_cast<PangoWeight>(weight));
  pango_font_description_set_style(fi->desc, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(fi->desc, em * PANGO_SCALE);
  PangoContext* ctx = fi->mono ? Fonts().ctxMono : Fonts().ctx;
  PangoFontMetrics* m = pango_context_get_metrics(ctx, fi->desc, nullptr);
  fi->ascent = PANGO_PIXELS_CEIL(pango_font_metrics_get_ascent(m));
  fi->descent = PANGO_PIXELS_CEIL(pango_font_metrics_get_descent(m));
  fi->height = fi->ascent + fi->descent;
  fi->internalLeading = std::max(0, fi->height - fi->em);
  fi->aveWidth = std::max(1, PANGO_PIXELS(pango_font_metrics_get_approximate_char_width(m)));
  fi->underlinePos = fi->ascent - PANGO_PIXELS(pango_font_metrics_get_underline_position(m));
  fi->underlineThickness = std::max(1, PANGO_PIXELS(pango_font_metrics_get_underline_thickness(m)));
  fi->strikePos = fi->ascent - PANGO_PIXELS(pango_font_metrics_get_strikethrough_position(m));
  pango_font_metrics_unref(m);
  fi->layout = pango_layout_new(ctx);
  pango_layout_set_font_description(fi->layout, fi->desc);
  pango_layout_set_single_paragraph_mode(fi->layout, TRUE);
  if (fi->underline || fi->strike) {
    PangoAttrList* al = pango_attr_list_new();
    if (fi->underline) pango_attr_list_insert(al, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (fi->strike) pango_attr_list_insert(al, pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(fi->layout, al);
    pango_attr_list_unref(al);
  }
  int wW = 0;
  {
    pango_layout_set_text(fi->layout, "W", 1);
    PangoRectangle lr;
    pango_layout_get_pixel_extents(fi->layout, nullptr, &lr);
    wW = lr.width;
  }
  fi->maxWidth = std::max(wW, fi->aveWidth);
  fi->hasText = false;
  return fi;
}

// The device font of the DC's current font: fonts are sized in logical
// units, so a scaling mapping mode (a printed page drawn in screen units)
// scales them.
static FontImpl* Impl(DC* dc) {
  Font* f = As<Font>(dc->st.font, Kind::Font);
  if (!f) f = As<Font>(StockFont(SYSTEM_FONT), Kind::Font);
  double k = std::fabs(dc->ScaleY());
  long key = std::lround(k * 1024);
  if (key == 1024 || key <= 0) {
    if (!f->impl) f->impl = Build(f->lf);
    return f->impl;
  }
  for (auto& e : f->scaled)
    if (e.first == key) return e.second;
  LOGFONTW lf = f->lf;
  lf.lfHeight = static_cast<LONG>(std::lround(lf.lfHeight == 0 ? 16 * k : lf.lfHeight * k));
  if (lf.lfHeight == 0) lf.lfHeight = f->lf.lfHeight < 0 ? -1 : 1;
  lf.lfWidth = static_cast<LONG>(std::lround(lf.lfWidth * std::fabs(dc->ScaleX())));
  FontImpl* fi = Build(lf);
  f->scaled.push_back({key, fi});
  return fi;
}

// Device pixels ↔ logical units of the DC's mapping.
static int LogicalX(DC* dc, int v) {
  double k = std::fabs(dc->ScaleX());
  return k == 1 ? v : static_cast<int>(std::lround(v / k));
}
static int LogicalY(DC* dc, int v) {
  double k = std::fabs(dc->ScaleY());
  return k == 1 ? v : static_cast<int>(std::lround(v / k));
}
static int DeviceExtra(DC* dc) {
  double k = std::fabs(dc->ScaleX());
  return k == 1 ? dc->st.charExtra : static_cast<int>(std::lround(dc->st.charExtra * k));
}

static HFONT NewFont(const LOGFONTW& lf, bool stock) {
  auto* f = new Font();
  f->lf = lf;
  f->stock = stock;
  Register(f);
  return HandleOf<HFONT>(f);
}

static void SetFace(LOGFONTW* lf, const char* face) {
  std::u16string u = ToUtf16(face);
  size_t n = std::min<size_t>(u.size(), LF_FACESIZE - 1);
  std::memcpy(lf->lfFaceName, u.data(), n * 2);
  lf->lfFaceName[n] = 0;
}

HFONT StockFont(int index) {
  PV_GDI_LOCK;
  HFONT* fonts = State().stockFonts;
  if (!fonts[index]) {
    LOGFONTW lf{};
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfWeight = FW_NORMAL;
    switch (index) {
      case SYSTEM_FONT:
      case DEVICE_DEFAULT_FONT:
        lf.lfHeight = 16;
        lf.lfWeight = FW_BOLD;
        SetFace(&lf, "System");
        break;
      case DEFAULT_GUI_FONT:
        lf.lfHeight = -11;
        SetFace(&lf, "MS Shell Dlg");
        break;
      case ANSI_VAR_FONT:
        lf.lfHeight = 13;
        SetFace(&lf, "MS Sans Serif");
        break;
      case OEM_FIXED_FONT:
      case ANSI_FIXED_FONT:
      case SYSTEM_FIXED_FONT:
        lf.lfHeight = 13;
        lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        SetFace(&lf, "Courier New");
        break;
      default:
        return nullptr;
    }
    fonts[index] = NewFont(lf, true);
  }
  return fonts[index];
}

// ---- measuring ---------------------------------------------------------------------------------------------
// The layout keeps its last text: measuring and then drawing the same
// string (DrawText, TextOut with alignment) lays it out once.
static void SetText(FontImpl* fi, const char16_t* s, int n) {
  if (fi->hasText && fi->lastText.size() == static_cast<size_t>(n) &&
      std::char_traits<char16_t>::compare(fi->lastText.data(), s, n) == 0)
    return;
  fi->lastText.assign(s, n);
  fi->hasText = true;
  fi->lastWidth = -1;
  std::string u = ToUtf8(s, n);
  pango_layout_set_text(fi->layout, u.data(), static_cast<int>(u.size()));
}

static int RawWidth(FontImpl* fi, const char16_t* s, int n) {
  if (n <= 0) return 0;
  if (fi->face != Face::Pango) return n * fi->aveWidth;
  SetText(fi, s, n);
  // Measuring the same text again (a label met twice, measured and then
  // drawn) does not ask the layout again.
  const unsigned generation = Fonts().generation;
  if (fi->lastWidth < 0 || fi->lastGeneration != generation) {
    PangoRectangle lr;
    pango_layout_get_extents(fi->layout, nullptr, &lr);
    fi->lastWidth = lr.width;
    fi->lastGeneration = generation;
  }
  return PANGO_PIXELS(fi->lastWidth);
}

static int DeviceWidth(DC* dc, const char16_t* s, int n) { return RawWidth(Impl(dc), s, n) + DeviceExtra(dc) * n; }

int MeasureText(DC* dc, const char16_t* s, int n) { return LogicalX(dc, DeviceWidth(dc, s, n)); }

// Width of every prefix of s in device pixels: out[i] = width of s[0..i).
static std::vector<int> DevicePrefixWidths(DC* dc, const char16_t* s, int n) {
  FontImpl* fi = Impl(dc);
  int extra = DeviceExtra(dc);
  std::vector<int> out(n + 1, 0);
  if (fi->face != Face::Pango) {
    for (int i = 0; i <= n; ++i) out[i] = i * (fi->aveWidth + extra);
    return out;
  }
  if (n == 0) return out;
  SetText(fi, s, n);
  std::vector<int> off = ByteOffsets(s, n);
  // Cluster extents give the x where each cluster ends.
  std::vector<int> endAtByte(off[n] + 1, -1);
  PangoLayoutIter* it = pango_layout_get_iter(fi->layout);
  do {
    PangoRectangle lr;
    pango_layout_iter_get_cluster_extents(it, nullptr, &lr);
    int idx = pango_layout_iter_get_index(it);
    if (idx >= 0 && idx <= off[n]) endAtByte[idx] = -2 - (lr.x);  // start x of the cluster at idx
  } while (pango_layout_iter_next_cluster(it));
  pango_layout_iter_free(it);
  PangoRectangle total;
  pango_layout_get_extents(fi->layout, nullptr, &total);
  int last = 0;
  for (int i = 0; i < n; ++i) {
    int v = endAtByte[off[i]];
    if (v <= -2) last = PANGO_PIXELS(-(v + 2));
    out[i] = last + extra * i;
  }
  out[n] = PANGO_PIXELS(total.width) + extra * n;
  // Inside a cluster (e.g. a surrogate pair) widths do not decrease.
  for (int i = 1; i <= n; ++i) out[i] = std::max(out[i], out[i - 1]);
  return out;
}

// The same in logical units.
static std::vector<int> PrefixWidths(DC* dc, const char16_t* s, int n) {
  std::vector<int> out = DevicePrefixWidths(dc, s, n);
  if (std::fabs(dc->ScaleX()) != 1)
    for (int& v : out) v = LogicalX(dc, v);
  return out;
}

void GetMetrics(DC* dc, TEXTMETRICW* tm) {
  FontImpl* fi = Impl(dc);
  Font* f = As<Font>(dc->st.font, Kind::Font);
  const LOGFONTW& lf = f ? f->lf : As<Font>(StockFont(SYSTEM_FONT), Kind::Font)->lf;
  std::memset(tm, 0, sizeof *tm);
  tm->tmHeight = LogicalY(dc, fi->height);
  tm->tmAscent = LogicalY(dc, fi->ascent);
  tm->tmDescent = tm->tmHeight - tm->tmAscent;
  tm->tmInternalLeading = LogicalY(dc, fi->internalLeading);
  tm->tmExternalLeading = LogicalY(dc, fi->externalLeading);
  tm->tmAveCharWidth = std::max(1, LogicalX(dc, fi->aveWidth));
  tm->tmMaxCharWidth = std::max(1, LogicalX(dc, fi->maxWidth));
  tm->tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = 0xFFFC;
  tm->tmDefaultChar = 0x1F;
  tm->tmBreakChar = 0x20;
  tm->tmItalic = lf.lfItalic ? 1 : 0;
  tm->tmUnderlined = lf.lfUnderline ? 1 : 0;
  tm->tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  bool fixed = (lf.lfPitchAndFamily & 3) == FIXED_PITCH || fi->face != Face::Pango;
  // The low bit set means a variable pitch (the flag's historical sense).
  tm->tmPitchAndFamily =
      static_cast<BYTE>((fixed ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE | (lf.lfPitchAndFamily & 0xF0));
  tm->tmCharSet = fi->face == Face::Marlett ? SYMBOL_CHARSET : lf.lfCharSet;
}

// ---- glyphs we draw ----------------------------------------------------------------------------------------
static void MarlettGlyph(cairo_t* cr, char16_t ch, double x, double y, double s) {
  // Shapes in a unit square scaled to the cell (s = cell height).
  auto rect = [&](double l, double t, double w, double h) { cairo_rectangle(cr, x + l * s, y + t * s, w * s, h * s); };
  double th = std::max(1.0, std::round(s / 9)) / s;  // stroke thickness in units
  auto poly = [&](std::initializer_list<double> pts) {
    auto p = pts.begin();
    cairo_move_to(cr, x + p[0] * s, y + p[1] * s);
    for (size_t i = 2; i + 1 < pts.size(); i += 2) cairo_line_to(cr, x + p[i] * s, y + p[i + 1] * s);
    cairo_close_path(cr);
  };
  auto line = [&](double x0, double y0, double x1, double y1, double w) {
    cairo_set_line_width(cr, w * s);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    cairo_move_to(cr, x + x0 * s, y + y0 * s);
    cairo_line_to(cr, x + x1 * s, y + y1 * s);
    cairo_stroke(cr);
  };
  switch (ch) {
    case u'0':
      rect(0.2, 0.7, 0.5, 2 * th);
      break;    // minimise
    case u'1':  // maximise
      rect(0.15, 0.15, 0.7, 0.7);
      rect(0.15 + th, 0.15 + 2 * th, 0.7 - 2 * th, 0.7 - 3 * th);
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
      break;
    case u'2':  // restore
      rect(0.3, 0.1, 0.55, 0.5);
      rect(0.3 + th, 0.1 + 2 * th, 0.55 - 2 * th, 0.5 - 3 * th);
      rect(0.15, 0.35, 0.55, 0.5);
      rect(0.15 + th, 0.35 + 2 * th, 0.55 - 2 * th, 0.5 - 3 * th);
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
      break;
    case u'r':  // close
      line(0.25, 0.25, 0.75, 0.75, 1.5 * th);
      line(0.75, 0.25, 0.25, 0.75, 1.5 * th);
      return;
    case u'3':
      poly({0.6, 0.25, 0.6, 0.75, 0.35, 0.5});
      break;  // left
    case u'4':
      poly({0.4, 0.25, 0.4, 0.75, 0.65, 0.5});
      break;  // right
    case u'5':
      poly({0.25, 0.6, 0.75, 0.6, 0.5, 0.35});
      break;  // up
    case u'6':
    case u'u':
      poly({0.25, 0.4, 0.75, 0.4, 0.5, 0.65});
      break;  // down
    case u'8':
    case u'w':
      poly({0.4, 0.3, 0.4, 0.7, 0.6, 0.5});
      break;  // small right (sub-menu)
    case u'7':
      poly({0.6, 0.3, 0.6, 0.7, 0.4, 0.5});
      break;  // small left
    case u't':
      poly({0.3, 0.6, 0.7, 0.6, 0.5, 0.4});
      break;    // small up
    case u'a':  // check mark
    case u'b':
      cairo_move_to(cr, x + 0.2 * s, y + 0.5 * s);
      cairo_line_to(cr, x + 0.4 * s, y + 0.7 * s);
      cairo_line_to(cr, x + 0.8 * s, y + 0.3 * s);
      cairo_set_line_width(cr, 2 * th * s);
      cairo_stroke(cr);
      return;
    case u'h':  // bullet
    case u'i':
      cairo_arc(cr, x + 0.5 * s, y + 0.5 * s, 0.12 * s, 0, 2 * M_PI);
      break;
    case u'n':
      cairo_arc(cr, x + 0.5 * s, y + 0.5 * s, 0.25 * s, 0, 2 * M_PI);
      break;  // radio dot
    case u'l':
      cairo_arc(cr, x + 0.5 * s, y + 0.5 * s, 0.4 * s, 0, 2 * M_PI);
      break;    // radio face
    case u'o':  // size grip
    case u'p':
      for (double k : {0.3, 0.55, 0.8}) line(k, 0.9, 0.9, k, th);
      return;
    case u'x':
      line(0.3, 0.3, 0.7, 0.7, th);
      line(0.7, 0.3, 0.3, 0.7, th);
      return;
    case u's':
      rect(0.3, 0.3, 0.4, 0.4);
      break;  // stop
    case u'y':
      cairo_arc(cr, x + 0.5 * s, y + 0.5 * s, 0.3 * s, 0, 2 * M_PI);
      break;
    default:
      return;  // unknown glyphs draw nothing
  }
  cairo_fill(cr);
}

// Set by DrawText for DT_RTLREADING while it draws.
static thread_local bool t_rtlReading = false;

static PangoLayout* RtlLayout(FontImpl* fi) {
  if (!fi->rtlLayout) {
    fi->rtlLayout = pango_layout_new(fi->mono ? Fonts().ctxMonoRtl : Fonts().ctxRtl);
    pango_layout_set_font_description(fi->rtlLayout, fi->desc);
    pango_layout_set_auto_dir(fi->rtlLayout, FALSE);
    pango_layout_set_single_paragraph_mode(fi->rtlLayout, TRUE);
    if (PangoAttrList* al = pango_layout_get_attributes(fi->layout)) pango_layout_set_attributes(fi->rtlLayout, al);
  }
  return fi->rtlLayout;
}

// How far down a layout must move so that its baseline lies at the font's
// ascent: a line with characters from a taller fallback face (Chinese in a
// Latin font) would otherwise sit lower than the same font's Latin text.
static double BaselineShift(FontImpl* fi, PangoLayout* l) {
  return fi->ascent - static_cast<double>(pango_layout_get_baseline(l)) / PANGO_SCALE;
}

void DrawRun(DC* dc, int x, int y, const char16_t* s, int n, int ulIndex, const RECT* clipLogical, bool opaque) {
  FontImpl* fi = Impl(dc);
  // Per-character positions only when something needs them.
  bool perChar = fi->face != Face::Pango || dc->st.charExtra != 0 || (ulIndex >= 0 && ulIndex < n);
  std::vector<int> widths;  // device pixels
  int w;
  if (perChar) {
    widths = DevicePrefixWidths(dc, s, n);
    w = widths[n];
  } else {
    w = DeviceWidth(dc, s, n);
  }
  // The run's box: its logical origin placed by the mapping, its size the device font's.
  RECT box = dc->ToTargetRect(x, y, x + LogicalX(dc, w), y + LogicalY(dc, fi->height));
  box.right = box.left + w;
  box.bottom = box.top + fi->height;
  cairo_t* cr = dc->Cairo();
  if (!cr) return;
  if (clipLogical) {
    RECT c = dc->ToTargetRect(clipLogical->left, clipLogical->top, clipLogical->right, clipLogical->bottom);
    cairo_rectangle(cr, c.left, c.top, c.right - c.left, c.bottom - c.top);
    cairo_clip(cr);
  }
  COLORREF tc = dc->MapColor(dc->st.text);
  if (opaque) {
    COLORREF bk = dc->MapColor(dc->st.bk);
    cairo_set_source_rgb(cr, GetRValue(bk) / 255.0, GetGValue(bk) / 255.0, GetBValue(bk) / 255.0);
    cairo_rectangle(cr, box.left, box.top, box.right - box.left, box.bottom - box.top);
    cairo_fill(cr);
  }
  cairo_set_source_rgb(cr, GetRValue(tc) / 255.0, GetGValue(tc) / 255.0, GetBValue(tc) / 255.0);
  double ox = box.left, oy = box.top;
  if (fi->angle != 0) {
    cairo_translate(cr, ox, oy);
    cairo_rotate(cr, -fi->angle);
    ox = oy = 0;
  }
  if (fi->face == Face::Pango && n > 0) {
    bool rtl = t_rtlReading || (dc->st.textAlign & TA_RTLREADING);
    if (rtl && dc->st.charExtra == 0) {
      // Right-to-left reading order: bidirectional runs ordered from the right.
      PangoLayout* l = RtlLayout(fi);
      std::string u = ToUtf8(s, n);
      pango_layout_set_text(l, u.data(), static_cast<int>(u.size()));
      cairo_move_to(cr, ox, oy + BaselineShift(fi, l));
      pango_cairo_show_layout(cr, l);
    } else if (dc->st.charExtra == 0) {
      SetText(fi, s, n);
      cairo_move_to(cr, ox, oy + BaselineShift(fi, fi->layout));
      pango_cairo_show_layout(cr, fi->layout);
    } else {
      for (int i = 0; i < n; ++i) {
        SetText(fi, s + i, 1);
        cairo_move_to(cr, ox + widths[i], oy + BaselineShift(fi, fi->layout));
        pango_cairo_show_layout(cr, fi->layout);
      }
    }
  } else if (n > 0) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    for (int i = 0; i < n; ++i) {
      double gx = ox + widths[i];
      if (fi->face == Face::Test) {
        // Test glyphs: a solid block one pixel narrower than the advance, over the ascent.
        if (s[i] != u' ' && s[i] != u'\t') {
          cairo_rectangle(cr, gx, oy, std::max(1, fi->aveWidth - 1), fi->ascent);
          cairo_fill(cr);
        }
      } else {
        MarlettGlyph(cr, s[i], gx, oy, fi->height);
      }
    }
    if (fi->underline) {
      cairo_rectangle(cr, ox, oy + fi->underlinePos, w, fi->underlineThickness);
      cairo_fill(cr);
    }
  }
  if (ulIndex >= 0 && ulIndex < n) {
    // Mnemonic underline under one character.
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    int x0 = widths[ulIndex], x1 = widths[ulIndex + 1];
    int uy = std::min(fi->ascent + 1, fi->height - 1);
    cairo_rectangle(cr, ox + x0, oy + uy, std::max(1, x1 - x0), fi->underlineThickness);
    cairo_fill(cr);
  }
  dc->ReleaseCairo(cr);
}

// ---- DrawText ------------------------------------------------------------------------------------------------
struct Line {
  std::u16string text;
  int ul = -1;  // mnemonic index within text
  int width = 0;
};

static const char16_t kEllipsis[] = u"...";

// Removes '&' prefixes; returns the mnemonic's index in the result (-1 none).
// Characters of the scripts written without blanks (Han, kana, Hangul,
// full-width forms): a line may break before or after each of them.
static bool Ideographic(char16_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0xD800 && c <= 0xDFFF);
}
// Closing punctuation never starts a line, opening punctuation never ends one.
static bool NoLineStart(char16_t c) {
  static const std::u16string_view k =
      u"、。，．：；？！）〉》」"
      u"』】〕〗］｝ー’”…·"
      u")]},.;:?!%";
  return k.find(c) != std::u16string_view::npos;
}
static bool NoLineEnd(char16_t c) {
  static const std::u16string_view k = u"（〈《「『【〔〖［｛‘“([{";
  return k.find(c) != std::u16string_view::npos;
}
// May a line break between s[i-1] and s[i] (no blank involved)?
static bool IdeographBreak(const std::u16string& s, size_t i) {
  if (i == 0 || i >= s.size()) return false;
  char16_t a = s[i - 1], b = s[i];
  if (b >= 0xDC00 && b <= 0xDFFF) return false;  // inside a surrogate pair
  if (!Ideographic(a) && !Ideographic(b)) return false;
  if (a == u' ' || b == u' ') return false;
  return !NoLineStart(b) && !NoLineEnd(a);
}

static std::u16string StripPrefix(const std::u16string& s, int* ul) {
  std::u16string out;
  *ul = -1;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'&') {
      if (i + 1 < s.size() && s[i + 1] == u'&') {
        out += u'&';
        ++i;
        continue;
      }
      if (i + 1 < s.size() && *ul < 0) *ul = static_cast<int>(out.size());
      continue;
    }
    out += s[i];
  }
  return out;
}

struct TextCtx {
  DC* dc;
  int tabWidth;
  bool expandTabs;
};

// Width of a line with tabs expanded.
static int LineWidth(const TextCtx& tc, const std::u16string& s) {
  if (!tc.expandTabs || s.find(u'\t') == std::u16string::npos)
    return MeasureText(tc.dc, s.data(), static_cast<int>(s.size()));
  int x = 0;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == u'\t') {
      x += MeasureText(tc.dc, s.data() + start, static_cast<int>(i - start));
      if (i < s.size()) x = (x / tc.tabWidth + 1) * tc.tabWidth;
      start = i + 1;
    }
  }
  return x;
}

static void DrawLineTabs(const TextCtx& tc, int x, int y, const Line& ln, const RECT* clip, bool opaque) {
  if (!tc.expandTabs || ln.text.find(u'\t') == std::u16string::npos) {
    DrawRun(tc.dc, x, y, ln.text.data(), static_cast<int>(ln.text.size()), ln.ul, clip, opaque);
    return;
  }
  int cx = 0;
  size_t start = 0;
  for (size_t i = 0; i <= ln.text.size(); ++i) {
    if (i == ln.text.size() || ln.text[i] == u'\t') {
      int ul = (ln.ul >= static_cast<int>(start) && ln.ul < static_cast<int>(i)) ? ln.ul - static_cast<int>(start) : -1;
      DrawRun(tc.dc, x + cx, y, ln.text.data() + start, static_cast<int>(i - start), ul, clip, opaque);
      cx += MeasureText(tc.dc, ln.text.data() + start, static_cast<int>(i - start));
      if (i < ln.text.size()) cx = (cx / tc.tabWidth + 1) * tc.tabWidth;
      start = i + 1;
    }
  }
}

// Cuts text so that text + "..." fits in `avail`.
static std::u16string EndEllipsis(const TextCtx& tc, const std::u16string& s, int avail, bool wordTrim) {
  int ew = MeasureText(tc.dc, kEllipsis, 3);
  std::vector<int> pw = PrefixWidths(tc.dc, s.data(), static_cast<int>(s.size()));
  int k = static_cast<int>(s.size());
  while (k > 0 && pw[k] + ew > avail) --k;
  // Do not split a surrogate pair.
  if (k > 0 && k < static_cast<int>(s.size()) && s[k] >= 0xDC00 && s[k] <= 0xDFFF) --k;
  std::u16string head = s.substr(0, k);
  if (wordTrim)
    while (!head.empty() && head.back() == u' ') head.pop_back();
  return head + kEllipsis;
}

static std::u16string PathEllipsis(const TextCtx& tc, const std::u16string& s, int avail) {
  size_t sep = s.find_last_of(u"\\/");
  if (sep == std::u16string::npos) return EndEllipsis(tc, s, avail, false);
  std::u16string tail = s.substr(sep);
  std::u16string head = s.substr(0, sep);
  while (!head.empty()) {
    head.pop_back();
    std::u16string cand = head + kEllipsis + tail;
    if (LineWidth(tc, cand) <= avail) return cand;
  }
  std::u16string cand = kEllipsis + tail;
  if (LineWidth(tc, cand) <= avail) return cand;
  return EndEllipsis(tc, cand, avail, false);
}

static int DoDrawText(HDC hdc, const char16_t* text, int count, RECT* rc, UINT fmt, DRAWTEXTPARAMS* params,
                      char16_t* modify) {
  PV_GDI_LOCK;
  DC* dc = GetDC_(hdc);
  if (!dc || !rc) return 0;
  if (!text) {
    if (count != 0) return 0;
    text = u"";
  }
  if (count < 0) {
    count = 0;
    while (text[count]) ++count;
  }
  TEXTMETRICW tm;
  GetMetrics(dc, &tm);
  int tabChars = 8;
  if (fmt & DT_TABSTOP) {
    tabChars = (fmt >> 8) & 0xFF;
    fmt &= ~0xFF00u | DT_TABSTOP;
  }
  int leftMargin = 0, rightMargin = 0;
  if (params) {
    if (params->iTabLength > 0) tabChars = params->iTabLength;
    leftMargin = params->iLeftMargin;
    rightMargin = params->iRightMargin;
    params->uiLengthDrawn = 0;
  }
  if (tabChars <= 0) tabChars = 8;
  TextCtx tc{dc, std::max(1, tabChars * tm.tmAveCharWidth), (fmt & DT_EXPANDTABS) != 0};
  int lineH = tm.tmHeight + ((fmt & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  RECT r = *rc;
  r.left += leftMargin;
  r.right -= rightMargin;
  int avail = r.right - r.left;
  std::u16string all(text, text + count);

  // Paragraphs.
  std::vector<std::u16string> paras;
  if (fmt & DT_SINGLELINE) {
    std::u16string one;
    for (char16_t c : all)
      if (c != u'\r' && c != u'\n') one += c;
    paras.push_back(one);
  } else {
    std::u16string cur;
    for (size_t i = 0; i < all.size(); ++i) {
      if (all[i] == u'\r' || all[i] == u'\n') {
        paras.push_back(cur);
        cur.clear();
        if (all[i] == u'\r' && i + 1 < all.size() && all[i + 1] == u'\n') ++i;
      } else {
        cur += all[i];
      }
    }
    paras.push_back(cur);
  }

  bool prefix = !(fmt & DT_NOPREFIX);
  std::vector<Line> lines;
  for (const std::u16string& p : paras) {
    int ul = -1;
    std::u16string plain = prefix ? StripPrefix(p, &ul) : p;
    if ((fmt & DT_WORDBREAK) && !(fmt & DT_SINGLELINE) && avail > 0) {
      size_t start = 0;
      if (plain.empty()) lines.push_back(Line{u"", -1, 0});
      while (start < plain.size()) {
        // Longest prefix that fits, broken after a space where possible.
        std::u16string rest = plain.substr(start);
        std::vector<int> pw;
        if (!tc.expandTabs || rest.find(u'\t') == std::u16string::npos) {
          pw = PrefixWidths(dc, rest.data(), static_cast<int>(rest.size()));
        } else {
          pw.resize(rest.size() + 1);
          for (size_t k = 0; k <= rest.size(); ++k) pw[k] = LineWidth(tc, rest.substr(0, k));
        }
        size_t fit = 0;
        while (fit < rest.size() && pw[fit + 1] <= avail) ++fit;
        size_t take, next;
        if (fit == rest.size()) {
          take = next = rest.size();
        } else {
          // The last break that fits: after a blank, or between
          // ideographs (as Windows breaks Chinese and Japanese text).
          size_t brk = std::u16string::npos;
          bool atBlank = false;
          for (size_t k = fit + 1; k-- > 0;) {
            if (k < rest.size() && rest[k] == u' ') {
              brk = k;
              atBlank = true;
              break;
            }
            if (IdeographBreak(rest, k)) {
              brk = k;
              break;
            }
          }
          if (brk != std::u16string::npos && brk > 0 && !atBlank) {
            take = next = brk;
          } else if (brk != std::u16string::npos && brk > 0) {
            take = brk;
            next = brk;
            while (next < rest.size() && rest[next] == u' ') ++next;
          } else if (brk == 0) {
            take = 0;
            next = 1;
          } else if (fmt & DT_EDITCONTROL) {
            take = next = std::max<size_t>(fit, 1);
          } else {
            // A word longer than the line stays whole.
            size_t e = 1;
            while (e < rest.size() && rest[e] != u' ' && !IdeographBreak(rest, e)) ++e;
            take = e;
            next = take;
            while (next < rest.size() && rest[next] == u' ') ++next;
          }
        }
        Line ln;
        ln.text = rest.substr(0, take);
        while (!ln.text.empty() && ln.text.back() == u' ' && take < rest.size()) ln.text.pop_back();
        if (ul >= static_cast<int>(start) && ul < static_cast<int>(start + take)) ln.ul = ul - static_cast<int>(start);
        lines.push_back(ln);
        if (next == 0) next = 1;
        start += next;
      }
    } else {
      lines.push_back(Line{plain, ul, 0});
    }
  }
  if (lines.empty()) lines.push_back(Line{});

  // Ellipses.
  bool modified = false;
  for (Line& ln : lines) {
    ln.width = LineWidth(tc, ln.text);
    if (ln.width <= avail) continue;
    std::u16string before = ln.text;
    if (fmt & DT_PATH_ELLIPSIS) ln.text = PathEllipsis(tc, ln.text, avail);
    else if (fmt & DT_END_ELLIPSIS) ln.text = EndEllipsis(tc, ln.text, avail, false);
    else if (fmt & DT_WORD_ELLIPSIS) ln.text = EndEllipsis(tc, ln.text, avail, true);
    else continue;
    if (ln.text != before) {
      modified = true;
      if (ln.ul >= static_cast<int>(ln.text.size()) - 3) ln.ul = -1;
      ln.width = LineWidth(tc, ln.text);
    }
  }
  if (modified && (fmt & DT_MODIFYSTRING) && modify && lines.size() == 1) {
    // The caller's buffer receives the shortened text (it has room for four more characters).
    const std::u16string& t = lines[0].text;
    size_t n = std::min<size_t>(t.size(), static_cast<size_t>(count) + 4);
    std::memcpy(modify, t.data(), n * 2);
    if (n < static_cast<size_t>(count) + 4) modify[n] = 0;
  }

  int total = lineH * static_cast<int>(lines.size());
  int maxW = 0;
  for (const Line& ln : lines) maxW = std::max(maxW, ln.width);
  if (params) params->uiLengthDrawn = static_cast<UINT>(count);

  int y = r.top;
  if (fmt & DT_SINGLELINE) {
    if (fmt & DT_VCENTER) y = r.top + (r.bottom - r.top - lineH) / 2;
    else if (fmt & DT_BOTTOM) y = r.bottom - lineH;
  }
  if (fmt & DT_CALCRECT) {
    int w = maxW;
    if (fmt & DT_CENTER) {
      int cx = (rc->left + rc->right);
      rc->left = cx / 2 - (w + leftMargin + rightMargin) / 2;
      rc->right = rc->left + w + leftMargin + rightMargin;
    } else if (fmt & DT_RIGHT) {
      rc->left = rc->right - w - leftMargin - rightMargin;
    } else {
      rc->right = rc->left + w + leftMargin + rightMargin;
    }
    if ((fmt & DT_SINGLELINE) && (fmt & (DT_VCENTER | DT_BOTTOM))) {
      rc->top = y;
    }
    rc->bottom = rc->top + total;
    return total;
  }

  bool opaque = dc->st.bkMode == OPAQUE;
  RECT clip = *rc;
  struct RtlScope {
    bool old;
    explicit RtlScope(bool on) : old(t_rtlReading) { t_rtlReading = on; }
    ~RtlScope() { t_rtlReading = old; }
  } rtlScope((fmt & DT_RTLREADING) != 0);
  bool hideUl = (fmt & DT_HIDEPREFIX) != 0;
  bool onlyUl = (fmt & DT_PREFIXONLY) != 0;
  for (const Line& ln : lines) {
    int x = r.left;
    if (fmt & DT_CENTER) x = r.left + (avail - ln.width) / 2;
    else if (fmt & DT_RIGHT) x = r.right - ln.width;
    Line drawn = ln;
    if (hideUl) drawn.ul = -1;
    if (onlyUl) {
      if (drawn.ul >= 0) {
        // Only the underline: draw it as a one-character underline with no glyphs.
        std::vector<int> pw = PrefixWidths(dc, drawn.text.data(), static_cast<int>(drawn.text.size()));
        int uy = y + std::min(tm.tmAscent + 1, tm.tmHeight - 1);
        RECT u{x + pw[drawn.ul], uy, x + pw[drawn.ul + 1], uy + 1};
        RECT t = dc->ToTargetRect(u.left, u.top, u.right, u.bottom);
        HBRUSH br = CreateSolidBrush(dc->st.text);
        FillTargetRect(dc, t, br, PATCOPY);
        DeleteObject(br);
      }
    } else {
      DrawLineTabs(tc, x, y, drawn, (fmt & DT_NOCLIP) ? nullptr : &clip, opaque);
    }
    y += lineH;
  }
  if ((fmt & DT_SINGLELINE) && (fmt & (DT_VCENTER | DT_BOTTOM))) return y - rc->top;
  return total;
}

}  // namespace pv::gdi

// The leak checker of sanitizer builds lets through only memory that
// fontconfig itself allocates: Pango keeps the patterns it matched in its
// font map's caches for the life of the process, and fontconfig reaches a
// pattern's values through offsets from the pattern, which the checker
// cannot follow. (Stacks are unwound by frame pointers and stop inside the
// library, so the match is on the module.) Anything allocated inside cairo,
// Pango, GLib or FreeType - a surface, a layout, a font we forgot to free -
// is reported like our own memory.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

using namespace pv::gdi;

// ====================================================================================================================
HFONT CreateFontIndirect(const LOGFONTW* lf) {
  if (!lf) return nullptr;
  return NewFont(*lf, false);
}
HFONT CreateFontIndirectW(const LOGFONTW* lf) { return CreateFontIndirect(lf); }

HFONT CreateFont(int height, int width, int esc, int orient, int weight, DWORD italic, DWORD underline, DWORD strike,
                 DWORD charSet, DWORD outPrec, DWORD clipPrec, DWORD quality, DWORD pitch, LPCWSTR face) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = esc;
  lf.lfOrientation = orient;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic);
  lf.lfUnderline = static_cast<BYTE>(underline);
  lf.lfStrikeOut = static_cast<BYTE>(strike);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrec);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrec);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitch);
  if (face)
    for (int i = 0; i < LF_FACESIZE - 1 && face[i]; ++i) lf.lfFaceName[i] = face[i];
  return CreateFontIndirect(&lf);
}
HFONT CreateFontW(int h, int w, int e, int o, int wt, DWORD i, DWORD u, DWORD s, DWORD cs, DWORD op, DWORD cp, DWORD q,
                  DWORD pf, LPCWSTR face) {
  return CreateFont(h, w, e, o, wt, i, u, s, cs, op, cp, q, pf, face);
}

#define PV_DC_OR(ret)   \
  PV_GDI_LOCK;          \
  DC* dc = GetDC_(hdc); \
  if (!dc) return ret

BOOL GetTextMetrics(HDC hdc, TEXTMETRICW* tm) {
  PV_DC_OR(FALSE);
  if (!tm) return FALSE;
  GetMetrics(dc, tm);
  return TRUE;
}
BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* tm) { return GetTextMetrics(hdc, tm); }

UINT GetOutlineTextMetrics(HDC hdc, UINT size, OUTLINETEXTMETRICW* otm) {
  PV_DC_OR(0);
  if (!otm) return sizeof(OUTLINETEXTMETRICW);
  if (size < sizeof(OUTLINETEXTMETRICW)) return 0;
  FontImpl* fi = Impl(dc);
  std::memset(otm, 0, sizeof *otm);
  otm->otmSize = sizeof(OUTLINETEXTMETRICW);
  GetMetrics(dc, &otm->otmTextMetrics);
  otm->otmEMSquare = 2048;
  otm->otmAscent = fi->ascent;
  otm->otmDescent = -fi->descent;
  otm->otmLineGap = 0;
  otm->otmsCapEmHeight = static_cast<UINT>(fi->em * 7 / 10);
  otm->otmsXHeight = static_cast<UINT>(fi->em / 2);
  otm->otmrcFontBox = RECT{0, fi->ascent, fi->maxWidth, -fi->descent};
  otm->otmMacAscent = fi->ascent;
  otm->otmMacDescent = -fi->descent;
  otm->otmusMinimumPPEM = 9;
  otm->otmsStrikeoutSize = static_cast<UINT>(fi->underlineThickness);
  otm->otmsStrikeoutPosition = fi->ascent - fi->strikePos;
  otm->otmsUnderscoreSize = fi->underlineThickness;
  otm->otmsUnderscorePosition = fi->ascent - fi->underlinePos;
  otm->otmItalicAngle = 0;
  return sizeof(OUTLINETEXTMETRICW);
}

BOOL GetTextExtentPoint32(HDC hdc, LPCWSTR text, int count, LPSIZE size) {
  PV_DC_OR(FALSE);
  if (!size || count < 0 || (!text && count > 0)) return FALSE;
  size->cx = MeasureText(dc, text, count);
  size->cy = LogicalY(dc, Impl(dc)->height);
  return TRUE;
}
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR t, int c, LPSIZE s) { return GetTextExtentPoint32(hdc, t, c, s); }

BOOL pv::gdi::MeasureTextWidths(HDC hdc, std::size_t count, TextByIndex text, const void* context, int* widths) {
  PV_DC_OR(FALSE);
  if (count > 0 && (!text || !widths)) return FALSE;
  FontImpl* fi = Impl(dc);
  const int extra = DeviceExtra(dc);
  for (std::size_t i = 0; i < count; ++i) {
    const std::u16string_view t = text(context, i);
    const int n = static_cast<int>(t.size());
    widths[i] = LogicalX(dc, RawWidth(fi, t.data(), n) + extra * n);
  }
  return TRUE;
}
BOOL GetTextExtentPoint(HDC hdc, LPCWSTR t, int c, LPSIZE s) { return GetTextExtentPoint32(hdc, t, c, s); }

BOOL GetTextExtentExPoint(HDC hdc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx, LPSIZE size) {
  PV_DC_OR(FALSE);
  if (count < 0 || (!text && count > 0)) return FALSE;
  std::vector<int> pw = PrefixWidths(dc, text, count);
  if (fit) {
    int k = 0;
    while (k < count && pw[k + 1] <= maxExtent) ++k;
    *fit = k;
  }
  if (dx)
    for (int i = 0; i < count; ++i) dx[i] = pw[i + 1];
  if (size) {
    size->cx = pw[count];
    size->cy = LogicalY(dc, Impl(dc)->height);
  }
  return TRUE;
}

BOOL GetCharWidth32(HDC hdc, UINT first, UINT last, LPINT widths) {
  PV_DC_OR(FALSE);
  if (!widths || last < first || last - first > 0x10000) return FALSE;
  for (UINT c = first; c <= last; ++c) {
    char16_t ch = static_cast<char16_t>(c);
    widths[c - first] = LogicalX(dc, RawWidth(Impl(dc), &ch, 1));
  }
  return TRUE;
}
BOOL GetCharWidth(HDC hdc, UINT first, UINT last, LPINT widths) { return GetCharWidth32(hdc, first, last, widths); }

BOOL GetCharABCWidths(HDC hdc, UINT first, UINT last, LPABC abc) {
  PV_DC_OR(FALSE);
  if (!abc || last < first || last - first > 0x10000) return FALSE;
  FontImpl* fi = Impl(dc);
  for (UINT c = first; c <= last; ++c) {
    char16_t ch = static_cast<char16_t>(c);
    int adv = RawWidth(fi, &ch, 1);
    ABC v{0, static_cast<UINT>(adv), 0};
    if (fi->face == Face::Pango) {
      SetText(fi, &ch, 1);
      PangoRectangle ink, log;
      pango_layout_get_pixel_extents(fi->layout, &ink, &log);
      if (ink.width > 0) {
        v.abcA = ink.x - log.x;
        v.abcB = static_cast<UINT>(ink.width);
        v.abcC = adv - v.abcA - ink.width;
      }
    }
    abc[c - first] = v;
  }
  return TRUE;
}

int GetTextFace(HDC hdc, int count, LPWSTR face) {
  PV_DC_OR(0);
  Font* f = As<Font>(dc->st.font, Kind::Font);
  if (!f) return 0;
  int n = 0;
  while (n < LF_FACESIZE && f->lf.lfFaceName[n]) ++n;
  if (!face) return n + 1;
  if (count <= 0) return 0;
  int k = std::min(n, count - 1);
  std::memcpy(face, f->lf.lfFaceName, k * 2);
  face[k] = 0;
  return k;
}

// TextOut family: reference point and alignment.
static BOOL TextAt(DC* dc, HDC hdc, int x, int y, UINT options, const RECT* rc, LPCWSTR text, int count,
                   const INT* dx) {
  FontImpl* fi = Impl(dc);
  UINT align = dc->st.textAlign;
  if (align & TA_UPDATECP) {
    x = dc->st.cur.x;
    y = dc->st.cur.y;
  }
  int w;
  if (dx) {
    w = 0;
    for (int i = 0; i < count; ++i) w += dx[i];
  } else {
    w = MeasureText(dc, text, count);
  }
  int left = x;
  if ((align & TA_CENTER) == TA_CENTER) left = x - w / 2;
  else if (align & TA_RIGHT) left = x - w;
  int top = y;
  if ((align & TA_BASELINE) == TA_BASELINE) top = y - LogicalY(dc, fi->ascent);
  else if (align & TA_BOTTOM) top = y - LogicalY(dc, fi->height);
  if (options & ETO_OPAQUE && rc) {
    RECT t = dc->ToTargetRect(rc->left, rc->top, rc->right, rc->bottom);
    HBRUSH br = CreateSolidBrush(dc->st.bk);
    FillTargetRect(dc, t, br, PATCOPY);
    DeleteObject(br);
  }
  const RECT* clip = (options & ETO_CLIPPED) ? rc : nullptr;
  bool opaque = dc->st.bkMode == OPAQUE && !(options & ETO_OPAQUE);
  bool oldRtl = t_rtlReading;
  if (options & ETO_RTLREADING) t_rtlReading = true;
  if (dx) {
    int cx = left;
    for (int i = 0; i < count; ++i) {
      DrawRun(dc, cx, top, text + i, 1, -1, clip, opaque);
      cx += dx[i];
    }
  } else if (count > 0) {
    DrawRun(dc, left, top, text, count, -1, clip, opaque);
  }
  t_rtlReading = oldRtl;
  if (align & TA_UPDATECP) {
    if ((align & TA_CENTER) == TA_CENTER) {
    } else if (align & TA_RIGHT) dc->st.cur.x = x - w;
    else dc->st.cur.x = x + w;
  }
  (void)hdc;
  return TRUE;
}

BOOL TextOut(HDC hdc, int x, int y, LPCWSTR text, int count) {
  PV_DC_OR(FALSE);
  if (count < 0 || (!text && count > 0)) return FALSE;
  return TextAt(dc, hdc, x, y, 0, nullptr, text, count, nullptr);
}
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count) { return TextOut(hdc, x, y, text, count); }

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rc, LPCWSTR text, UINT count, const INT* dx) {
  PV_DC_OR(FALSE);
  if (!text && count > 0) return FALSE;
  return TextAt(dc, hdc, x, y, options, rc, text, static_cast<int>(count), dx);
}
BOOL ExtTextOutW(HDC hdc, int x, int y, UINT o, const RECT* rc, LPCWSTR t, UINT c, const INT* dx) {
  return ExtTextOut(hdc, x, y, o, rc, t, c, dx);
}

static int TabStop(int x, int nTabs, const INT* tabs, int origin, int ave) {
  int rel = x - origin;
  if (nTabs <= 0 || !tabs) {
    int w = 8 * ave;
    return origin + (rel / w + 1) * w;
  }
  if (nTabs == 1) {
    int w = std::max(1, std::abs(tabs[0]));
    return origin + (rel / w + 1) * w;
  }
  for (int i = 0; i < nTabs; ++i)
    if (std::abs(tabs[i]) > rel) return origin + std::abs(tabs[i]);
  return x;
}

LONG TabbedTextOut(HDC hdc, int x, int y, LPCWSTR text, int count, int nTabs, const INT* tabs, int origin) {
  PV_DC_OR(0);
  if (!text || count < 0) return 0;
  FontImpl* fi = Impl(dc);
  int cx = x, start = 0;
  for (int i = 0; i <= count; ++i) {
    if (i == count || text[i] == u'\t') {
      if (i > start) DrawRun(dc, cx, y, text + start, i - start, -1, nullptr, dc->st.bkMode == OPAQUE);
      cx += MeasureText(dc, text + start, i - start);
      if (i < count) cx = TabStop(cx, nTabs, tabs, origin, LogicalX(dc, fi->aveWidth));
      start = i + 1;
    }
  }
  return MAKELONG(cx - x, LogicalY(dc, fi->height));
}

DWORD GetTabbedTextExtent(HDC hdc, LPCWSTR text, int count, int nTabs, const INT* tabs) {
  PV_DC_OR(0);
  if (!text || count < 0) return 0;
  FontImpl* fi = Impl(dc);
  int cx = 0, start = 0;
  for (int i = 0; i <= count; ++i) {
    if (i == count || text[i] == u'\t') {
      cx += MeasureText(dc, text + start, i - start);
      if (i < count) cx = TabStop(cx, nTabs, tabs, 0, LogicalX(dc, fi->aveWidth));
      start = i + 1;
    }
  }
  return static_cast<DWORD>(MAKELONG(cx, LogicalY(dc, fi->height)));
}

int DrawText(HDC hdc, LPCWSTR text, int count, LPRECT rc, UINT format) {
  // DT_MODIFYSTRING needs a writable buffer: DrawTextEx gives one.
  return DoDrawText(hdc, text, count, rc, format & ~DT_MODIFYSTRING, nullptr, nullptr);
}
int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rc, UINT format) {
  return DrawText(hdc, text, count, rc, format);
}
int DrawTextEx(HDC hdc, LPWSTR text, int count, LPRECT rc, UINT format, LPDRAWTEXTPARAMS params) {
  return DoDrawText(hdc, text, count, rc, format, params, text);
}
int DrawTextExW(HDC hdc, LPWSTR text, int count, LPRECT rc, UINT format, LPDRAWTEXTPARAMS params) {
  return DrawTextEx(hdc, text, count, rc, format, params);
}

// ---- font enumeration ---------------------------------------------------------------------------------------------
// Faces that fonts.conf maps onto installed families and that report
// themselves installed.
static const char* const kAliases[] = {
    "Arial",   "Tahoma",          "MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Serif", "Microsoft Sans Serif",
    "Verdana", "Times New Roman", "Courier New",  "Marlett"};

static std::vector<std::string> Families() {
  std::vector<std::string> out(std::begin(kAliases), std::end(kAliases));
  PangoFontFamily** fams = nullptr;
  int n = 0;
  pango_font_map_list_families(Fonts().map, &fams, &n);
  for (int i = 0; i < n; ++i) out.push_back(pango_font_family_get_name(fams[i]));
  g_free(fams);
  std::sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
  out.erase(std::unique(out.begin(), out.end(),
                        [](const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }),
            out.end());
  return out;
}

static int Enumerate(HDC hdc, const std::string& only, BYTE charset, FONTENUMPROCW proc, LPARAM lp) {
  if (!proc) return 0;
  int last = 1;
  std::vector<std::string> fams;
  {
    PV_GDI_LOCK;
    fams = Families();
  }
  for (const std::string& f : fams) {
    if (!only.empty() && Lower(only) != Lower(f)) continue;
    ENUMLOGFONTEXW elf{};
    SetFace(&elf.elfLogFont, f.c_str());
    elf.elfLogFont.lfHeight = 16;
    elf.elfLogFont.lfWeight = FW_NORMAL;
    bool symbol = Lower(f) == "marlett";
    elf.elfLogFont.lfCharSet = symbol ? SYMBOL_CHARSET : (charset == DEFAULT_CHARSET ? ANSI_CHARSET : charset);
    elf.elfLogFont.lfOutPrecision = OUT_STROKE_PRECIS;
    elf.elfLogFont.lfClipPrecision = CLIP_STROKE_PRECIS;
    elf.elfLogFont.lfQuality = DRAFT_QUALITY;
    elf.elfLogFont.lfPitchAndFamily = static_cast<BYTE>(
        (Lower(f).find("mono") != std::string::npos || Lower(f) == "courier new" ? FIXED_PITCH | FF_MODERN
                                                                                 : VARIABLE_PITCH | FF_SWISS));
    std::u16string full = ToUtf16(f.c_str());
    for (size_t i = 0; i < full.size() && i < LF_FULLFACESIZE - 1; ++i) elf.elfFullName[i] = full[i];
    std::u16string style = u"Regular";
    std::memcpy(elf.elfStyle, style.data(), style.size() * 2);
    NEWTEXTMETRICEXW ntm{};
    HFONT font = CreateFontIndirect(&elf.elfLogFont);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, font);
    TEXTMETRICW tm;
    GetTextMetrics(mem, &tm);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(font);
    std::memcpy(&ntm.ntmTm, &tm, sizeof tm);
    ntm.ntmTm.ntmSizeEM = 2048;
    last = proc(&elf.elfLogFont, reinterpret_cast<const TEXTMETRICW*>(&ntm), TRUETYPE_FONTTYPE, lp);
    if (!last) break;
  }
  (void)hdc;
  return last;
}

int EnumFontFamilies(HDC hdc, LPCWSTR family, FONTENUMPROCW proc, LPARAM lp) {
  std::string only;
  if (family) {
    int n = 0;
    while (family[n]) ++n;
    only = ToUtf8(family, n);
  }
  return Enumerate(hdc, only, DEFAULT_CHARSET, proc, lp);
}

int EnumFontFamiliesEx(HDC hdc, const LOGFONTW* lf, FONTENUMPROCW proc, LPARAM lp, DWORD) {
  std::string only;
  BYTE cs = DEFAULT_CHARSET;
  if (lf) {
    int n = 0;
    while (n < LF_FACESIZE && lf->lfFaceName[n]) ++n;
    only = ToUtf8(lf->lfFaceName, n);
    cs = lf->lfCharSet;
  }
  return Enumerate(hdc, only, cs, proc, lp);
}

int AddFontResourceEx(LPCWSTR path, DWORD, void*) {
  if (!path) return 0;
  PV_GDI_LOCK;
  int n = 0;
  while (path[n]) ++n;
  std::string p = ToUtf8(path, n);
  FontState& f = Fonts();
  if (!FcConfigAppFontAddFile(f.config, reinterpret_cast<const FcChar8*>(p.c_str()))) return 0;
  pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(f.map));
  f.cellRatios.clear();
  ++f.generation;
  return 1;
}
