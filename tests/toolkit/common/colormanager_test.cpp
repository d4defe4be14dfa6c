// The colour manager: table lookups, mixing, the derived colours of a
// scheme (checked with float arithmetic written here), the high-contrast and
// 256-colour branches, theme detection and each gradient set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/gdi/syscolors.h"
#include "tests/support/fixture_reset.h"
#include "tests/toolkit/common/fake_uxtheme.h"
#include "toolkit/common/colormanager.h"

namespace {

using tk_test::FakeUxTheme;
using tk_test::FakeUxThemeState;

// ---- an independent model of the weighted colour space ----
struct W {
  double r, g, b;
};
W Weigh(COLORREF c) {
  return W{GetRValue(c) * 195.0 / 255.0, GetGValue(c) * 390.0 / 255.0, GetBValue(c) * 65.0 / 255.0};
}
double Dist(COLORREF a, COLORREF b) {
  W x = Weigh(a), y = Weigh(b);
  return std::sqrt((x.r - y.r) * (x.r - y.r) + (x.g - y.g) * (x.g - y.g) + (x.b - y.b) * (x.b - y.b));
}
double Scaled(COLORREF reference, int t) {
  int brightness = static_cast<int>(Dist(reference, 0));
  return (2.0 - std::min(brightness, 220) / 220.0) * t;
}
int MixChannel(int a, int b, int w) {
  double d = w < 100 ? 100.0 : 1000.0;
  return static_cast<int>(std::floor((w * a + (d - w) * b) / d + 0.5));
}
COLORREF Mix(COLORREF a, COLORREF b, int w) {
  return RGB(MixChannel(GetRValue(a), GetRValue(b), w), MixChannel(GetGValue(a), GetGValue(b), w),
             MixChannel(GetBValue(a), GetBValue(b), w));
}

// ---- the derivation of the table in double arithmetic, from the rules ----
const double kRange[3] = {195.0, 390.0, 65.0};
struct V3 {
  double c[3];
};
V3 ToSpace(COLORREF x) {
  W w = Weigh(x);
  return V3{{w.r, w.g, w.b}};
}
COLORREF FromSpace(const V3& v) {
  int out[3];
  for (int i = 0; i < 3; ++i) {
    double ch = std::clamp(v.c[i], 0.0, kRange[i]) * 255.0 / kRange[i] + 0.5;
    out[i] = std::clamp(static_cast<int>(ch), 0, 255);
  }
  return RGB(out[0], out[1], out[2]);
}
double Norm(const V3& v) { return std::sqrt(v.c[0] * v.c[0] + v.c[1] * v.c[1] + v.c[2] * v.c[2]); }
double DotOf(const V3& a, const V3& b) { return a.c[0] * b.c[0] + a.c[1] * b.c[1] + a.c[2] * b.c[2]; }
V3 Mirrored(const V3& v) { return V3{{kRange[0] - v.c[0], kRange[1] - v.c[1], kRange[2] - v.c[2]}}; }
double ThresholdAt(COLORREF reference, int t) { return Scaled(reference, t); }
bool Distinct(COLORREF a, COLORREF b, int t) { return Dist(a, b) > ThresholdAt(a, t); }
COLORREF Separate(COLORREF reference, COLORREF color, int t) {
  V3 a = ToSpace(reference), b = ToSpace(color);
  double la = Norm(a), lb = Norm(b), s = ThresholdAt(reference, t);
  bool darken = la < lb ? (442.0 - s < la) : (s < la);
  if (!darken) a = Mirrored(a), b = Mirrored(b);
  double nb = std::max(Norm(b), 0.001), dot = DotOf(a, b), k = dot / (nb * nb);
  V3 perp{{k * b.c[0] - a.c[0], k * b.c[1] - a.c[1], k * b.c[2] - a.c[2]}};
  double length = dot / nb - std::sqrt(std::max(s * s - DotOf(perp, perp), 0.0));
  V3 r{{b.c[0] * length / nb, b.c[1] * length / nb, b.c[2] * length / nb}};
  return FromSpace(darken ? r : Mirrored(r));
}
COLORREF PullCloser(COLORREF reference, COLORREF color, int t) {
  double d = Dist(reference, color), s = ThresholdAt(reference, t);
  V3 a = ToSpace(reference), b = ToSpace(color), r;
  for (int i = 0; i < 3; ++i) r.c[i] = b.c[i] + (a.c[i] - b.c[i]) * (d - s) / d;
  return FromSpace(r);
}

// The table an ordinary (not high-contrast) scheme gives, up to the
// contrast pass and the pull of colour 35; the later entries have their own
// tests.
std::vector<COLORREF> DeriveTable() {
  std::vector<COLORREF> c(63, 0);
  for (int i = 1; i <= 29; ++i) c[static_cast<size_t>(i)] = GetSysColor(i);
  const COLORREF face = c[15], shadow = c[16];
  for (int i : {30, 51, 53, 55, 56}) c[static_cast<size_t>(i)] = face;
  for (int i : {34, 38, 39, 40, 42, 43, 48, 52, 54, 57, 60, 61}) c[static_cast<size_t>(i)] = shadow;
  c[31] = c[36] = c[41] = c[5];
  c[32] = c[33] = c[37] = c[50] = c[13];
  c[35] = c[58] = c[17];
  c[44] = c[8];
  c[45] = c[7];
  c[46] = c[18];
  c[47] = c[49] = c[14];
  const int mixes[][4] = {{30, 5, 15, 165}, {31, 13, 5, 30}, {33, 13, 5, 50}, {41, 15, 5, 143},
                          {35, 17, 5, 70},  {38, 16, 5, 75}, {39, 16, 5, 70}, {43, 46, 16, 20},
                          {61, 46, 16, 15}, {40, 16, 5, 90}, {42, 15, 16, 90}};
  for (const auto& m : mixes)
    c[static_cast<size_t>(m[0])] = Mix(c[static_cast<size_t>(m[1])], c[static_cast<size_t>(m[2])], m[3]);
  if (Distinct(c[15], c[30], 35)) c[30] = PullCloser(c[15], c[30], 35);
  const int checks[][4] = {{31, 30, 31, 50},  {32, 30, 13, 100}, {33, 30, 33, 30},  {35, 41, 35, 80},
                           {37, 33, 37, 100}, {38, 30, 38, 85},  {39, 30, 39, 50},  {43, 41, 43, 100},
                           {61, 30, 61, 100}, {40, 30, 40, 80},  {44, 41, 44, 180}, {45, 31, 45, 180},
                           {46, 30, 46, 180}, {47, 33, 47, 180}};
  for (const auto& k : checks) {
    COLORREF base = c[static_cast<size_t>(k[1])], other = c[static_cast<size_t>(k[2])];
    if (!Distinct(base, other, k[3])) c[static_cast<size_t>(k[0])] = Separate(base, other, k[3]);
  }
  if (Distinct(c[41], c[35], 145)) c[35] = PullCloser(c[41], c[35], 145);
  return c;
}

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 1 && std::abs(GetGValue(a) - GetGValue(b)) <= 1 &&
         std::abs(GetBValue(a) - GetBValue(b)) <= 1;
}

// A scheme: the classic one with some entries replaced.
struct Scheme {
  COLORREF colors[PV_SYSCOLOR_COUNT];
  Scheme() {
    const COLORREF* classic = GdiClassicSysColors();
    for (int i = 0; i < PV_SYSCOLOR_COUNT; ++i) colors[i] = classic[i];
  }
  Scheme& Set(int index, COLORREF c) {
    colors[index] = c;
    return *this;
  }
};

class ColorManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { FakeUxTheme::Remove(); }
  void TearDown() override {
    pvtest::ResetColors();
    CTKColorManager::SetScreenBitsForTests(0);
    FakeUxTheme::Remove();
  }
};

TEST_F(ColorManagerTest, GetColorReadsTheTableOrPassesColoursThrough) {
  CTKColorManager* manager = GetColorManager();
  EXPECT_EQ(manager, GetColorManager());
  RefreshColorManager();
  EXPECT_EQ(manager->GetColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(manager->GetColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(manager->GetColor(0), 0u);
  EXPECT_EQ(manager->GetColor(62), 0u);
  EXPECT_EQ(manager->GetColor(63), 63u);
  EXPECT_EQ(manager->GetColor(static_cast<int>(RGB(0, 255, 0))), RGB(0, 255, 0));
}

TEST_F(ColorManagerTest, MixColorsCountsPerCentBelowAHundredAndPerMilleFromIt) {
  const COLORREF white = RGB(255, 255, 255), black = 0;
  EXPECT_EQ(CTKColorManager::MixColors(white, black, 30), RGB(77, 77, 77));
  EXPECT_EQ(CTKColorManager::MixColors(white, black, 165), RGB(42, 42, 42));
  struct Case {
    COLORREF a, b;
    int w;
  } cases[] = {{RGB(10, 200, 30), RGB(250, 0, 101), 99},  {RGB(10, 200, 30), RGB(250, 0, 101), 100},
               {RGB(1, 2, 3), RGB(254, 253, 252), 0},     {RGB(1, 2, 3), RGB(254, 253, 252), 1000},
               {RGB(128, 64, 32), RGB(33, 77, 199), 215}, {RGB(255, 0, 255), RGB(0, 255, 0), 50}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.w);
    EXPECT_EQ(CTKColorManager::MixColors(c.a, c.b, c.w), Mix(c.a, c.b, c.w));
  }
}

TEST_F(ColorManagerTest, DistanceChecksMatchTheWeightedSpace) {
  struct Case {
    COLORREF a, b;
    float t;
    BOOL scaled;
  } cases[] = {{RGB(0, 0, 0), RGB(40, 0, 0), 30, FALSE},
               {RGB(0, 0, 0), RGB(40, 0, 0), 30, TRUE},
               {RGB(255, 255, 255), RGB(230, 230, 230), 20, TRUE},
               {RGB(212, 208, 200), RGB(10, 36, 106), 50, TRUE},
               {RGB(100, 100, 100), RGB(100, 120, 100), 19, FALSE},
               {RGB(100, 100, 100), RGB(100, 100, 140), 9, TRUE}};
  for (const Case& c : cases) {
    double s = c.scaled ? Scaled(c.a, static_cast<int>(c.t)) : c.t;
    SCOPED_TRACE(c.t);
    EXPECT_NEAR(CTKColorManager::ColorDistance(c.a, c.b), Dist(c.a, c.b), 1e-3);
    EXPECT_EQ(CTKColorManager::AreColorsDistinct(c.a, c.b, c.scaled, c.t) != FALSE, Dist(c.a, c.b) > s);
  }
}

TEST_F(ColorManagerTest, ClassicSchemeDerivesItsColoursAndGradients) {
  CTKColorManager m;
  const COLORREF face = GetSysColor(15), shadow = GetSysColor(16), window = GetSysColor(5), highlight = GetSysColor(13);
  // Colour 36 blends 50 % of colour 30, 40 % window and 10 % highlight.
  COLORREF c30 = m.GetColor(30);
  auto part = [](int x, int y, int z) {
    return static_cast<int>(x * 0.5) + static_cast<int>(y * 0.4) + static_cast<int>(z * 0.1);
  };
  EXPECT_EQ(m.GetColor(36), RGB(part(GetRValue(c30), GetRValue(window), GetRValue(highlight)),
                                part(GetGValue(c30), GetGValue(window), GetGValue(highlight)),
                                part(GetBValue(c30), GetBValue(window), GetBValue(highlight))));
  // Colour 30 never ends farther from the face than the pulled threshold.
  EXPECT_LE(Dist(face, c30), Scaled(face, 35) + 1.5);
  // Face lightened by up to 35 at its strongest channel; 3D light is face + 15.
  int mx = std::max({GetRValue(face), GetGValue(face), GetBValue(face)});
  double k = (mx + std::min(35, 255 - mx)) / static_cast<double>(mx);
  EXPECT_EQ(m.GetColor(48),
            RGB(static_cast<int>(GetRValue(face) * k + 1e-9), static_cast<int>(GetGValue(face) * k + 1e-9),
                static_cast<int>(GetBValue(face) * k + 1e-9)));
  EXPECT_EQ(m.GetColor(22), RGB(std::min(GetRValue(face) + 15, 255), std::min(GetGValue(face) + 15, 255),
                                std::min(GetBValue(face) + 15, 255)));
  EXPECT_EQ(m.GetColor(34),
            RGB(static_cast<int>(GetRValue(m.GetColor(31)) * 0.75), static_cast<int>(GetGValue(m.GetColor(31)) * 0.75),
                static_cast<int>(GetBValue(m.GetColor(31)) * 0.75)));
  EXPECT_EQ(m.GetColor(53), m.GetColor(30));
  EXPECT_EQ(m.GetColor(60), m.GetColor(40));
  EXPECT_EQ(m.GetColor(59), 0u);
  EXPECT_EQ(m.GetColor(62), 0u);
  // Without a visual style the classic gradients are mixes of the scheme.
  struct G {
    int index;
    COLORREF light, dark;
  } expected[] = {{0, shadow, shadow},
                  {1, face, Mix(face, window, 215)},
                  {2, face, shadow},
                  {3, Mix(face, window, 205), face},
                  {4, Mix(face, window, 145), Mix(face, window, 93)},
                  {5, Mix(face, window, 40), Mix(face, shadow, 95)},
                  {6, Mix(face, window, 165), Mix(face, window, 42)},
                  {7, RGB(255, 213, 140), RGB(255, 173, 85)},
                  {8, RGB(254, 142, 75), RGB(255, 207, 139)},
                  {9, RGB(255, 242, 200), RGB(255, 212, 151)}};
  for (const G& g : expected) {
    SCOPED_TRACE(g.index);
    EXPECT_EQ(m.GetGradientColor(g.index).clrLight.GetColor(), g.light);
    EXPECT_EQ(m.GetGradientColor(g.index).clrDark.GetColor(), g.dark);
    EXPECT_FLOAT_EQ(m.GetGradientColor(g.index).fGradientFactor, 0.5f);
  }
  EXPECT_EQ(m.GetDetectedTheme(), 0);
  EXPECT_EQ(m.GetCurrentTheme(), 0);
}

// The mixed colours and the contrast pass on ordinary schemes, entry by
// entry against the rules worked in double arithmetic (one unit of
// rounding allowed per channel). On the ordinary schemes most checks keep
// the mix and a few move their colour; a muted scheme makes every check
// move its colour.
TEST_F(ColorManagerTest, OrdinarySchemesDeriveTheirMixedAndContrastColours) {
  Scheme classic;
  Scheme grey;
  grey.Set(COLOR_BTNFACE, RGB(192, 192, 192))
      .Set(COLOR_BTNSHADOW, RGB(128, 128, 128))
      .Set(COLOR_HIGHLIGHT, RGB(0, 0, 128))
      .Set(COLOR_WINDOW, RGB(255, 255, 255));
  Scheme pale;
  pale.Set(COLOR_BTNFACE, RGB(236, 233, 216))
      .Set(COLOR_BTNSHADOW, RGB(172, 168, 153))
      .Set(COLOR_HIGHLIGHT, RGB(49, 106, 197))
      .Set(COLOR_WINDOW, RGB(255, 255, 255))
      .Set(COLOR_GRAYTEXT, RGB(172, 168, 153))
      .Set(COLOR_WINDOWFRAME, RGB(0, 0, 0));
  // Low contrast everywhere: every one of the fourteen contrast checks
  // moves its colour.
  Scheme muted;
  muted.Set(COLOR_WINDOW, RGB(126, 62, 86))
      .Set(COLOR_MENUTEXT, RGB(69, 117, 111))
      .Set(COLOR_WINDOWTEXT, RGB(114, 102, 80))
      .Set(COLOR_HIGHLIGHT, RGB(66, 116, 57))
      .Set(COLOR_HIGHLIGHTTEXT, RGB(103, 109, 131))
      .Set(COLOR_BTNFACE, RGB(54, 111, 88))
      .Set(COLOR_BTNSHADOW, RGB(83, 129, 67))
      .Set(COLOR_GRAYTEXT, RGB(94, 57, 56))
      .Set(COLOR_BTNTEXT, RGB(57, 123, 55));
  struct Named {
    const char* name;
    const Scheme* scheme;
  } schemes[] = {{"classic", &classic}, {"grey", &grey}, {"pale", &pale}, {"muted", &muted}};
  int moved = 0, kept = 0;
  for (const Named& n : schemes) {
    SCOPED_TRACE(n.name);
    GdiInstallSysColorScheme(n.scheme->colors);
    CTKColorManager m;
    std::vector<COLORREF> want = DeriveTable();
    for (int i : {30, 31, 32, 33, 35, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 61}) {
      SCOPED_TRACE(i);
      EXPECT_TRUE(Near(m.GetColor(i), want[static_cast<size_t>(i)]))
          << std::hex << m.GetColor(i) << " expected " << want[static_cast<size_t>(i)];
    }
    // Whether the contrast pass changed an entry from its mix or default.
    (want[44] != GetSysColor(8) ? moved : kept)++;
    (want[47] != GetSysColor(14) ? moved : kept)++;
  }
  EXPECT_GT(moved, 0);
  EXPECT_GT(kept, 0);
}

TEST_F(ColorManagerTest, ACustomColourOverridesItsIndexUntilSetBack) {
  CTKColorManager m;
  const COLORREF computed = m.GetColor(36), face = m.GetColor(COLOR_BTNFACE);
  m.SetColor(36, RGB(1, 2, 3));
  m.SetColor(COLOR_BTNFACE, RGB(4, 5, 6));
  m.SetColor(63, RGB(7, 8, 9));  // not an index: ignored
  m.SetColor(-1, RGB(7, 8, 9));
  EXPECT_EQ(m.GetColor(36), RGB(1, 2, 3));
  EXPECT_EQ(m.GetColor(COLOR_BTNFACE), RGB(4, 5, 6));
  EXPECT_EQ(m.GetColor(63), 63u);
  EXPECT_EQ(m.GetColor(35), m.GetColor(35)) << "other entries untouched";
  // The override survives a rebuild of the table from a new scheme.
  Scheme scheme;
  scheme.Set(COLOR_BTNFACE, RGB(200, 200, 200));
  GdiInstallSysColorScheme(scheme.colors);
  m.RefreshColors();
  EXPECT_EQ(m.GetColor(36), RGB(1, 2, 3));
  EXPECT_EQ(m.GetColor(COLOR_BTNFACE), RGB(4, 5, 6));
  EXPECT_EQ(m.GetColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW));
  m.SetColor(COLOR_BTNFACE, CTKPaintManagerColor::kNone);
  EXPECT_EQ(m.GetColor(COLOR_BTNFACE), RGB(200, 200, 200));
  GdiInstallSysColorScheme(nullptr);
  m.RefreshColors();
  m.SetColor(36, CTKPaintManagerColor::kNone);
  EXPECT_EQ(m.GetColor(36), computed);
  EXPECT_EQ(m.GetColor(COLOR_BTNFACE), face);
}

TEST_F(ColorManagerTest, HighlightNearTheFaceIsPushedToTheContrastDistance) {
  // Highlight almost the button face: colour 31 (30 % highlight over window)
  // fails the check against colour 30 and is moved away until the scaled
  // distance reaches 50 (within the rounding of 8-bit channels).
  Scheme scheme;
  scheme.Set(COLOR_BTNFACE, RGB(200, 200, 200))
      .Set(COLOR_HIGHLIGHT, RGB(205, 205, 205))
      .Set(COLOR_WINDOW, RGB(210, 210, 210));
  GdiInstallSysColorScheme(scheme.colors);
  CTKColorManager m;
  COLORREF c30 = m.GetColor(30), c31 = m.GetColor(31);
  double want = Scaled(c30, 50);
  EXPECT_NEAR(Dist(c30, c31), want, 2.0);
  EXPECT_NE(c31, Mix(RGB(205, 205, 205), RGB(210, 210, 210), 30));
}

TEST_F(ColorManagerTest, HighContrastSchemesTakeTheirOwnAssignments) {
  for (bool blackFace : {true, false}) {
    SCOPED_TRACE(blackFace);
    Scheme scheme;
    COLORREF face = blackFace ? 0 : RGB(255, 255, 255), text = blackFace ? RGB(255, 255, 255) : 0;
    scheme.Set(COLOR_BTNFACE, face).Set(COLOR_BTNTEXT, text).Set(COLOR_HIGHLIGHT, RGB(0, 128, 0));
    GdiInstallSysColorScheme(scheme.colors);
    CTKColorManager m;
    EXPECT_EQ(m.GetColor(36), RGB(0, 128, 0));  // stays the highlight colour
    EXPECT_EQ(m.GetColor(50), RGB(0, 128, 0));
    if (blackFace) {
      EXPECT_EQ(m.GetColor(48), RGB(35, 35, 35));
      EXPECT_EQ(m.GetColor(49), RGB(127, 127, 127));
    } else {
      EXPECT_EQ(m.GetColor(48), RGB(255, 255, 255));
    }
  }
}

TEST_F(ColorManagerTest, LowResolutionScreenKeepsTheDefaultsAndSolidGradients) {
  CTKColorManager::SetScreenBitsForTests(8);
  EXPECT_TRUE(CTKColorManager::IsLowResolution(nullptr));
  FakeUxThemeState luna;
  luna.fileName = u"C:\\Windows\\Resources\\Themes\\Luna\\Luna.msstyles";
  luna.colorName = u"NormalColor";
  FakeUxTheme::Install(luna);
  CTKColorManager m;
  EXPECT_EQ(m.GetDetectedTheme(), 0);  // even with Luna active
  const COLORREF face = GetSysColor(15), shadow = GetSysColor(16);
  EXPECT_EQ(m.GetColor(30), face);
  EXPECT_EQ(m.GetColor(31), GetSysColor(5));
  EXPECT_EQ(m.GetColor(32), GetSysColor(13));
  EXPECT_EQ(m.GetColor(40), shadow);
  EXPECT_EQ(m.GetColor(22), GetSysColor(22));  // the rebuild ended before colour 22
  for (int g : {1, 3}) {
    EXPECT_EQ(m.GetGradientColor(g).clrLight.GetColor(), face);
    EXPECT_EQ(m.GetGradientColor(g).clrDark.GetColor(), face);
  }
  CTKColorManager::SetScreenBitsForTests(32);
  EXPECT_FALSE(CTKColorManager::IsLowResolution(nullptr));
}

TEST_F(ColorManagerTest, VisualStylesSelectTheirGradientSets) {
  struct Set {
    const char16_t* file;
    const char16_t* color;
    int theme;
    COLORREF g[7][2];
    float f[7];
    COLORREF c54;
  };
  const COLORREF blue[7][2] = {{RGB(89, 135, 214), RGB(0, 45, 150)},     {RGB(158, 190, 245), RGB(196, 218, 250)},
                               {RGB(89, 135, 214), RGB(0, 45, 150)},     {RGB(221, 236, 254), RGB(129, 169, 226)},
                               {RGB(227, 239, 255), RGB(135, 173, 228)}, {RGB(203, 221, 246), RGB(121, 161, 220)},
                               {RGB(227, 239, 255), RGB(147, 181, 231)}};
  const float blueF[7] = {0.5f, 0.5f, 0.5f, 0.75f, 0.5f, 0.5f, 0.5f};
  auto make = [&](const char16_t* file, const char16_t* color, int theme) {
    Set s{file, color, theme, {}, {}, RGB(0, 45, 150)};
    for (int i = 0; i < 7; ++i) {
      s.g[i][0] = blue[i][0];
      s.g[i][1] = blue[i][1];
      s.f[i] = blueF[i];
    }
    return s;
  };
  Set sets[] = {
      make(u"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", u"NormalColor", 1),
      make(u"c:\\themes\\Royale.msstyles", u"NormalColor", 4),
      make(u"C:\\Windows\\resources\\themes\\Aero\\Aero.msstyles", u"NormalColor", 5),
      {u"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles",
       u"HomeStead",
       2,
       {{RGB(175, 192, 130), RGB(99, 122, 68)},
        {RGB(217, 217, 167), RGB(242, 241, 228)},
        {RGB(120, 142, 111), RGB(73, 91, 67)},
        {RGB(244, 247, 222), RGB(183, 198, 145)},
        {RGB(255, 255, 237), RGB(184, 199, 146)},
        {RGB(230, 230, 209), RGB(164, 180, 120)},
        {RGB(236, 240, 213), RGB(194, 206, 159)}},
       {0.5f, 0.5f, 0.5f, 0.3f, 0.3f, 0.3f, 0.5f},
       RGB(96, 128, 88)},
      {u"d:\\skins\\WinXP.Luna.cjstyles",
       u"Metallic",
       3,
       {{RGB(168, 167, 191), RGB(112, 111, 145)},
        {RGB(215, 215, 229), RGB(243, 243, 247)},
        {RGB(168, 167, 191), RGB(119, 118, 151)},
        {RGB(249, 249, 255), RGB(156, 155, 183)},
        {RGB(249, 249, 255), RGB(159, 157, 185)},
        {RGB(215, 215, 226), RGB(128, 126, 158)},
        {RGB(233, 231, 241), RGB(186, 185, 205)}},
       {0.5f, 0.5f, 0.5f, 0.75f, 0.75f, 0.75f, 0.5f},
       RGB(124, 124, 148)},
  };
  for (const Set& s : sets) {
    SCOPED_TRACE(s.theme);
    FakeUxThemeState state;
    state.fileName = s.file;
    state.colorName = s.color;
    state.borderColor = RGB(11, 22, 33);
    FakeUxTheme::Install(state);
    CTKColorManager m;
    EXPECT_EQ(m.GetDetectedTheme(), s.theme);
    EXPECT_EQ(m.GetCurrentTheme(), s.theme);
    for (int i = 0; i < 7; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(m.GetGradientColor(i).clrLight.GetColor(), s.g[i][0]);
      EXPECT_EQ(m.GetGradientColor(i).clrDark.GetColor(), s.g[i][1]);
      EXPECT_FLOAT_EQ(m.GetGradientColor(i).fGradientFactor, s.f[i]);
    }
    EXPECT_EQ(m.GetColor(54), s.c54);
    EXPECT_EQ(m.GetColor(57), RGB(11, 22, 33));  // the themed tree border
  }
}

TEST_F(ColorManagerTest, UnlistedStylesAndInactiveThemesDetectNothing) {
  struct Case {
    bool active;
    const char16_t* file;
    const char16_t* color;
  } cases[] = {{true, u"C:\\Themes\\Luna\\Luna.msstyles", u"Plum"},
               {true, u"C:\\Themes\\Zune\\Zune.msstyles", u"NormalColor"},
               {false, u"C:\\Themes\\Aero\\Aero.msstyles", u"NormalColor"},
               {true, u"", u""}};
  for (const Case& c : cases) {
    FakeUxThemeState state;
    state.active = c.active;
    state.fileName = c.file;
    state.colorName = c.color;
    state.appThemed = false;
    FakeUxTheme::Install(state);
    CTKColorManager m;
    EXPECT_EQ(m.DetectTheme(), 0);
    EXPECT_EQ(m.GetColor(57), GetSysColor(16));  // not themed: the border keeps its default
  }
}

TEST(PaintManagerColor, CustomValuesOverrideAndGradientsCopyEffectiveColours) {
  CTKPaintManagerColor color;
  EXPECT_EQ(color.GetColor(), CTKPaintManagerColor::kNone);
  color.SetStandardValue(RGB(1, 2, 3));
  color.SetCustomValue(RGB(9, 9, 9));
  color.SetStandardValue(RGB(4, 5, 6));
  EXPECT_EQ(color.GetColor(), RGB(9, 9, 9));
  CTKPaintManagerColorGradient a, b;
  a.SetStandardColors(RGB(1, 1, 1), RGB(2, 2, 2), 0.25f);
  a.clrDark.SetCustomValue(RGB(7, 7, 7));
  b.SetStandardFrom(a);
  EXPECT_EQ(b.clrLight.GetColor(), RGB(1, 1, 1));
  EXPECT_EQ(b.clrDark.GetStandardColor(), RGB(7, 7, 7));
  EXPECT_FALSE(b.clrDark.IsCustomValue());
  EXPECT_FLOAT_EQ(b.fGradientFactor, 0.25f);
  b.SetStandardColor(RGB(3, 3, 3));
  EXPECT_FLOAT_EQ(b.fGradientFactor, 0.5f);
}

}  // namespace
