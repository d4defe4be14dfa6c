#include "toolkit/common/colormanager.h"

#include <algorithm>
#include <cmath>

#include "platform/base/archive.h"
#include "platform/gdi/syscolors.h"
#include "platform/gdi/wingdi.h"
#include "platform/window/winuser.h"
#include "toolkit/common/winthemewrapper.h"

// ---- colour value types -------------------------------------------------------------------------

void CTKPaintManagerColor::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << static_cast<DWORD>(m_clrStandardValue) << static_cast<DWORD>(m_clrCustomValue);
  } else {
    DWORD standard = 0, custom = 0;
    ar >> standard >> custom;
    m_clrStandardValue = standard;
    m_clrCustomValue = custom;
  }
}

void CTKPaintManagerColorGradient::SetStandardColors(COLORREF light, COLORREF dark, float factor) {
  clrLight.SetStandardValue(light);
  clrDark.SetStandardValue(dark);
  fGradientFactor = factor;
}

void CTKPaintManagerColorGradient::SetStandardColor(COLORREF color) { SetStandardColors(color, color, 0.5f); }

void CTKPaintManagerColorGradient::SetStandardFrom(const CTKPaintManagerColorGradient& other) {
  SetStandardColors(other.clrLight.GetColor(), other.clrDark.GetColor(), other.fGradientFactor);
}

void CTKPaintManagerColorGradient::Serialize(CArchive& ar) {
  clrLight.Serialize(ar);
  clrDark.Serialize(ar);
  if (ar.IsStoring()) ar << fGradientFactor;
  else ar >> fGradientFactor;
}

// ---- the weighted colour space -------------------------------------------------------------------

namespace {

// Set only by tests, on the UI thread, before the colours are refreshed.
int g_screenBitsOverride = 0;

// Channel ranges of the weighted space; its diagonal is taken as 442.
constexpr float kRangeR = 195.0f, kRangeG = 390.0f, kRangeB = 65.0f;
constexpr float kDiagonal = 442.0f;

struct Vec {
  float r, g, b;
};

Vec Weighted(COLORREF c) {
  return Vec{GetRValue(c) * kRangeR / 255.0f, GetGValue(c) * kRangeG / 255.0f, GetBValue(c) * kRangeB / 255.0f};
}
float Dot(const Vec& a, const Vec& b) { return a.r * b.r + a.g * b.g + a.b * b.b; }
float Length(const Vec& v) { return std::sqrt(Dot(v, v)); }
Vec Mirror(const Vec& v) { return Vec{kRangeR - v.r, kRangeG - v.g, kRangeB - v.b}; }

int Channel(float value, float range) {
  value = std::clamp(value, 0.0f, range);
  int c = static_cast<int>(value * 255.0f / range + 0.5f);
  return std::clamp(c, 0, 255);
}
COLORREF FromWeighted(const Vec& v) { return RGB(Channel(v.r, kRangeR), Channel(v.g, kRangeG), Channel(v.b, kRangeB)); }

// (channel of a) scaled by num/den, per channel, in integers.
COLORREF ScaleChannels(COLORREF c, int num, int den) {
  return RGB(GetRValue(c) * num / den, GetGValue(c) * num / den, GetBValue(c) * num / den);
}

bool ContainsNoCase(const WCHAR* text, const char* needle) {
  std::u16string lower;
  for (const WCHAR* p = text; *p; ++p) lower += (*p >= u'A' && *p <= u'Z') ? static_cast<WCHAR>(*p + 32) : *p;
  std::u16string n;
  for (const char* p = needle; *p; ++p) n += static_cast<char16_t>(*p);
  return lower.find(n) != std::u16string::npos;
}

}  // namespace

float CTKColorManager::ColorDistanceSquared(COLORREF a, COLORREF b) {
  Vec va = Weighted(a), vb = Weighted(b);
  Vec d{va.r - vb.r, va.g - vb.g, va.b - vb.b};
  return Dot(d, d);
}

float CTKColorManager::ColorDistance(COLORREF a, COLORREF b) { return std::sqrt(ColorDistanceSquared(a, b)); }

float CTKColorManager::ScaleThreshold(int brightness, int threshold) {
  return (2.0f - static_cast<float>(std::min(brightness, 220)) / 220.0f) * static_cast<float>(threshold);
}

BOOL CTKColorManager::AreColorsDistinct(COLORREF a, COLORREF b, BOOL scaled, float threshold) {
  float s = threshold;
  if (scaled) s = ScaleThreshold(static_cast<int>(ColorDistance(a, 0)), static_cast<int>(threshold));
  return ColorDistanceSquared(a, b) > s * s;
}

COLORREF CTKColorManager::SeparateColor(COLORREF reference, COLORREF color, float threshold) {
  Vec a = Weighted(reference), b = Weighted(color);
  float lengthA = Length(a), lengthB = Length(b);
  float s = ScaleThreshold(static_cast<int>(lengthA), static_cast<int>(threshold));
  bool darken = lengthA < lengthB ? (kDiagonal - s < lengthA) : (s < lengthA);
  if (!darken) {
    // Mirrored, moving toward the origin moves toward white.
    a = Mirror(a);
    b = Mirror(b);
  }
  float normB = std::max(Length(b), 0.001f);
  float dot = Dot(a, b);
  float along = dot / normB;
  float k = dot / (normB * normB);
  Vec perp{k * b.r - a.r, k * b.g - a.g, k * b.b - a.b};
  // A colour farther from the line than the threshold has no point at that
  // distance: take the nearest one instead of the root of a negative number.
  float rest = std::max(s * s - Dot(perp, perp), 0.0f);
  float length = along - std::sqrt(rest);
  Vec result{b.r * length / normB, b.g * length / normB, b.b * length / normB};
  if (!darken) result = Mirror(result);
  return FromWeighted(result);
}

COLORREF CTKColorManager::PullColorCloser(COLORREF reference, COLORREF color, float threshold) {
  float d = ColorDistance(reference, color);
  if (d <= 0.0f) return color;
  Vec a = Weighted(reference), b = Weighted(color);
  float s = ScaleThreshold(static_cast<int>(Length(a)), static_cast<int>(threshold));
  float f = (d - s) / d;
  return FromWeighted(Vec{b.r + (a.r - b.r) * f, b.g + (a.g - b.g) * f, b.b + (a.b - b.b) * f});
}

COLORREF CTKColorManager::MixColors(COLORREF a, COLORREF b, int weight) {
  const int d = weight < 100 ? 100 : 1000;
  auto mix = [&](int x, int y) { return (weight * x + (d - weight) * y + d / 2) / d; };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

void CTKColorManager::SetScreenBitsForTests(int bitsPerPixel) { g_screenBitsOverride = bitsPerPixel; }

BOOL CTKColorManager::IsLowResolution(HDC hdc) {
  int bits = 0;
  if (hdc) {
    bits = ::GetDeviceCaps(hdc, BITSPIXEL);
  } else if (g_screenBitsOverride > 0) {
    bits = g_screenBitsOverride;
  } else {
    HDC screen = ::GetScreenDC();
    bits = screen ? ::GetDeviceCaps(screen, BITSPIXEL) : 32;
  }
  return bits >= 1 && bits <= 8;
}

// ---- the manager ------------------------------------------------------------------------------------

CTKColorManager::CTKColorManager() {
  for (COLORREF& custom : m_arrCustomColors) custom = CTKPaintManagerColor::kNone;
  RefreshColors();
  m_arrGradients[7].SetStandardColors(RGB(255, 213, 140), RGB(255, 173, 85), 0.5f);
  m_arrGradients[8].SetStandardColors(RGB(254, 142, 75), RGB(255, 207, 139), 0.5f);
  m_arrGradients[9].SetStandardColors(RGB(255, 242, 200), RGB(255, 212, 151), 0.5f);
}

COLORREF CTKColorManager::GetColor(int index) const {
  if (index < 0 || index >= kColorCount) return static_cast<COLORREF>(index);
  return m_arrCustomColors[index] != CTKPaintManagerColor::kNone ? m_arrCustomColors[index] : m_arrColors[index];
}

void CTKColorManager::SetColor(int index, COLORREF color) {
  if (index >= 0 && index < kColorCount) m_arrCustomColors[index] = color;
}

int CTKColorManager::GetCurrentTheme() const {
  return (m_nChosenTheme == 6 || m_nChosenTheme == 7) ? m_nDetectedTheme : m_nChosenTheme;
}

int CTKColorManager::DetectTheme() {
  CTKWinThemeWrapper wrapper;
  if (!wrapper.IsThemeActive()) return tkThemeNone;
  if (IsLowResolution(nullptr)) return tkThemeNone;
  WCHAR file[260] = {}, color[260] = {}, size[260] = {};
  if (FAILED(wrapper.GetCurrentThemeName(file, 260, color, 260, size, 260))) return tkThemeNone;
  file[259] = color[259] = 0;
  if (ContainsNoCase(file, "luna.msstyles") || ContainsNoCase(file, "winxp.luna.cjstyles")) {
    std::u16string name;
    for (const WCHAR* p = color; *p; ++p) name += (*p >= u'A' && *p <= u'Z') ? static_cast<WCHAR>(*p + 32) : *p;
    if (name == u"normalcolor") return tkThemeLunaBlue;
    if (name == u"homestead") return tkThemeLunaOlive;
    if (name == u"metallic") return tkThemeLunaSilver;
    return tkThemeNone;
  }
  if (m_bAllowRoyale && (ContainsNoCase(file, "royale.msstyles") || ContainsNoCase(file, "winxp.royale.cjstyles")))
    return tkThemeRoyale;
  if (m_bAllowAero && ContainsNoCase(file, "aero.msstyles")) return tkThemeAero;
  return tkThemeNone;
}

void CTKColorManager::RefreshSysColors() {
  m_arrColors[0] = 0;
  for (int i = 1; i <= 29; ++i) m_arrColors[i] = ::GetSysColor(i);
}

void CTKColorManager::SetDefaultDerivedColors() {
  COLORREF* c = m_arrColors;
  const COLORREF face = c[15], shadow = c[16];
  for (int i : {30, 51, 53, 55, 56}) c[i] = face;
  for (int i : {34, 38, 39, 40, 42, 43, 48, 52, 54, 57, 60, 61}) c[i] = shadow;
  c[31] = c[36] = c[41] = c[5];
  c[32] = c[33] = c[37] = c[50] = c[13];
  c[35] = c[58] = c[17];
  c[44] = c[8];
  c[45] = c[7];
  c[46] = c[18];
  c[47] = c[49] = c[14];
  c[59] = 0;
}

void CTKColorManager::RefreshColors() {
  m_nDetectedTheme = DetectTheme();
  const BOOL low = IsLowResolution(nullptr);
  RefreshSysColors();
  SetDefaultDerivedColors();
  if (low) {
    RefreshGradientColors();
    return;
  }
  COLORREF* c = m_arrColors;
  const COLORREF white = RGB(255, 255, 255);
  const bool highContrast = (c[15] == 0 && c[18] == white) || (c[15] == white && c[18] == 0);
  if (highContrast) {
    c[31] = c[13];
    c[36] = c[13];
    c[45] = c[14];
    c[32] = c[18];
    c[37] = c[18];
    c[50] = c[13];
    c[43] = c[18];
    c[38] = c[18];
  } else {
    struct Mix {
      int d, a, b, w;
    };
    static const Mix kMixes[] = {{30, 5, 15, 165}, {31, 13, 5, 30}, {33, 13, 5, 50}, {41, 15, 5, 143},
                                 {35, 17, 5, 70},  {38, 16, 5, 75}, {39, 16, 5, 70}, {43, 46, 16, 20},
                                 {61, 46, 16, 15}, {40, 16, 5, 90}, {42, 15, 16, 90}};
    for (const Mix& m : kMixes) c[m.d] = MixColors(c[m.a], c[m.b], m.w);
  }

  if (AreColorsDistinct(c[15], c[30], TRUE, 35)) c[30] = PullColorCloser(c[15], c[30], 35);

  struct Contrast {
    int d, base, other, t;
  };
  static const Contrast kChecks[] = {{31, 30, 31, 50},  {32, 30, 13, 100}, {33, 30, 33, 30},  {35, 41, 35, 80},
                                     {37, 33, 37, 100}, {38, 30, 38, 85},  {39, 30, 39, 50},  {43, 41, 43, 100},
                                     {61, 30, 61, 100}, {40, 30, 40, 80},  {44, 41, 44, 180}, {45, 31, 45, 180},
                                     {46, 30, 46, 180}, {47, 33, 47, 180}};
  for (const Contrast& k : kChecks) {
    const float t = static_cast<float>(k.t);
    if (!AreColorsDistinct(c[k.base], c[k.other], TRUE, t)) c[k.d] = SeparateColor(c[k.base], c[k.other], t);
  }

  if (AreColorsDistinct(c[41], c[35], TRUE, 145)) c[35] = PullColorCloser(c[41], c[35], 145);

  if (!highContrast) {
    auto part = [&](int x, int y, int z) { return x * 50 / 100 + y * 40 / 100 + z * 10 / 100; };
    c[36] = RGB(part(GetRValue(c[30]), GetRValue(c[5]), GetRValue(c[13])),
                part(GetGValue(c[30]), GetGValue(c[5]), GetGValue(c[13])),
                part(GetBValue(c[30]), GetBValue(c[5]), GetBValue(c[13])));
  }

  const COLORREF face = c[15];
  const int m = std::max({GetRValue(face), GetGValue(face), GetBValue(face)});
  c[48] = m == 0 ? RGB(35, 35, 35) : ScaleChannels(face, m + std::min(35, 255 - m), m);
  if (face == 0) {
    c[49] = RGB(127, 127, 127);
  } else {
    const COLORREF shadow = c[16];
    const int n = std::max({GetRValue(shadow), GetGValue(shadow), GetBValue(shadow)});
    c[49] = n == 0 ? 0 : ScaleChannels(shadow, std::max(n - 43, 0), n);
  }
  c[34] = ScaleChannels(c[31], 3, 4);
  c[22] = RGB(std::min(GetRValue(face) + 15, 255), std::min(GetGValue(face) + 15, 255),
              std::min(GetBValue(face) + 15, 255));

  c[53] = GetColor(30);
  c[58] = GetColor(40);
  c[60] = c[40];

  RefreshGradientColors();

  CTKWinThemeWrapper tree;
  tree.OpenThemeData(nullptr, u"TREEVIEW");
  if (tree.IsAppThemed()) {
    COLORREF border = 0;
    if (SUCCEEDED(tree.GetThemeColor(0, 0, TMT_BORDERCOLOR, &border))) c[57] = border;
  }
}

void CTKColorManager::RefreshGradientColors() {
  const COLORREF* c = m_arrColors;
  CTKPaintManagerColorGradient* g = m_arrGradients;
  const int theme = m_bDisableLunaColors ? tkThemeNone : GetCurrentTheme();
  switch (theme) {
    case tkThemeLunaBlue:
    case tkThemeRoyale:
    case tkThemeAero:
      g[0].SetStandardColors(RGB(89, 135, 214), RGB(0, 45, 150), 0.5f);
      g[1].SetStandardColors(RGB(158, 190, 245), RGB(196, 218, 250), 0.5f);
      g[2].SetStandardColors(RGB(89, 135, 214), RGB(0, 45, 150), 0.5f);
      g[3].SetStandardColors(RGB(221, 236, 254), RGB(129, 169, 226), 0.75f);
      g[4].SetStandardColors(RGB(227, 239, 255), RGB(135, 173, 228), 0.5f);
      g[5].SetStandardColors(RGB(203, 221, 246), RGB(121, 161, 220), 0.5f);
      g[6].SetStandardColors(RGB(227, 239, 255), RGB(147, 181, 231), 0.5f);
      m_arrColors[54] = RGB(0, 45, 150);
      break;
    case tkThemeLunaOlive:
      g[0].SetStandardColors(RGB(175, 192, 130), RGB(99, 122, 68), 0.5f);
      g[1].SetStandardColors(RGB(217, 217, 167), RGB(242, 241, 228), 0.5f);
      g[2].SetStandardColors(RGB(120, 142, 111), RGB(73, 91, 67), 0.5f);
      g[3].SetStandardColors(RGB(244, 247, 222), RGB(183, 198, 145), 0.3f);
      g[4].SetStandardColors(RGB(255, 255, 237), RGB(184, 199, 146), 0.3f);
      g[5].SetStandardColors(RGB(230, 230, 209), RGB(164, 180, 120), 0.3f);
      g[6].SetStandardColors(RGB(236, 240, 213), RGB(194, 206, 159), 0.5f);
      m_arrColors[54] = RGB(96, 128, 88);
      break;
    case tkThemeLunaSilver:
      g[0].SetStandardColors(RGB(168, 167, 191), RGB(112, 111, 145), 0.5f);
      g[1].SetStandardColors(RGB(215, 215, 229), RGB(243, 243, 247), 0.5f);
      g[2].SetStandardColors(RGB(168, 167, 191), RGB(119, 118, 151), 0.5f);
      g[3].SetStandardColors(RGB(249, 249, 255), RGB(156, 155, 183), 0.75f);
      g[4].SetStandardColors(RGB(249, 249, 255), RGB(159, 157, 185), 0.75f);
      g[5].SetStandardColors(RGB(215, 215, 226), RGB(128, 126, 158), 0.75f);
      g[6].SetStandardColors(RGB(233, 231, 241), RGB(186, 185, 205), 0.5f);
      m_arrColors[54] = RGB(124, 124, 148);
      break;
    default:
      g[0].SetStandardColors(c[16], c[16], 0.5f);
      g[1].SetStandardColors(c[15], MixColors(c[15], c[5], 215), 0.5f);
      g[2].SetStandardColors(c[15], c[16], 0.5f);
      g[3].SetStandardColors(MixColors(c[15], c[5], 205), c[15], 0.5f);
      g[4].SetStandardColors(MixColors(c[15], c[5], 145), MixColors(c[15], c[5], 93), 0.5f);
      g[5].SetStandardColors(MixColors(c[15], c[5], 40), MixColors(c[15], c[16], 95), 0.5f);
      g[6].SetStandardColors(MixColors(c[15], c[5], 165), MixColors(c[15], c[5], 42), 0.5f);
      break;
  }
  if (IsLowResolution(nullptr)) {
    g[3].SetStandardColor(c[15]);
    g[1].SetStandardColor(c[15]);
  }
}

CTKColorManager* GetColorManager() {
  static CTKColorManager manager;
  return &manager;
}

void RefreshColorManager() { GetColorManager()->RefreshColors(); }
