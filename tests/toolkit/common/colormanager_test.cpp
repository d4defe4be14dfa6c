// The colour manager: table lookups, mixing, the derived colours of a
// scheme (checked with float arithmetic written here), the high-contrast and
// 256-colour branches, theme detection and each gradient set.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/gdi/syscolors.h"
#include "tests/toolkit/common/fake_uxtheme.h"
#include "toolkit/common/colormanager.h"

namespace {

using tk_test::FakeUxTheme;
using tk_test::FakeUxThemeState;

// ---- an independent model of the weighted colour space ----
struct W {
  double r, g, b;
};
W Weigh(COLORREF c) { return W{GetRValue(c) * 195.0 / 255.0, GetGValue(c) * 390.0 / 255.0, GetBValue(c) * 65.0 / 255.0}; }
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
    GdiInstallSysColorScheme(nullptr);
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
  } cases[] = {{RGB(0, 0, 0), RGB(40, 0, 0), 30, FALSE},      {RGB(0, 0, 0), RGB(40, 0, 0), 30, TRUE},
               {RGB(255, 255, 255), RGB(230, 230, 230), 20, TRUE}, {RGB(212, 208, 200), RGB(10, 36, 106), 50, TRUE},
               {RGB(100, 100, 100), RGB(100, 120, 100), 19, FALSE}, {RGB(100, 100, 100), RGB(100, 100, 140), 9, TRUE}};
  for (const Case& c : cases) {
    double s = c.scaled ? Scaled(c.a, static_cast<int>(c.t)) : c.t;
    SCOPED_TRACE(c.t);
    EXPECT_NEAR(CTKColorManager::ColorDistance(c.a, c.b), Dist(c.a, c.b), 1e-3);
    EXPECT_EQ(CTKColorManager::AreColorsDistinct(c.a, c.b, c.scaled, c.t) != FALSE, Dist(c.a, c.b) > s);
  }
}

TEST_F(ColorManagerTest, ClassicSchemeDerivesItsColoursAndGradients) {
  CTKColorManager m;
  const COLORREF face = GetSysColor(15), shadow = GetSysColor(16), window = GetSysColor(5),
                 highlight = GetSysColor(13);
  // Colour 36 blends 50 % of colour 30, 40 % window and 10 % highlight.
  COLORREF c30 = m.GetColor(30);
  auto part = [](int x, int y, int z) { return static_cast<int>(x * 0.5) + static_cast<int>(y * 0.4) + static_cast<int>(z * 0.1); };
  EXPECT_EQ(m.GetColor(36), RGB(part(GetRValue(c30), GetRValue(window), GetRValue(highlight)),
                                part(GetGValue(c30), GetGValue(window), GetGValue(highlight)),
                                part(GetBValue(c30), GetBValue(window), GetBValue(highlight))));
  // Colour 30 never ends farther from the face than the pulled threshold.
  EXPECT_LE(Dist(face, c30), Scaled(face, 35) + 1.5);
  // Face lightened by up to 35 at its strongest channel; 3D light is face + 15.
  int mx = std::max({GetRValue(face), GetGValue(face), GetBValue(face)});
  double k = (mx + std::min(35, 255 - mx)) / static_cast<double>(mx);
  EXPECT_EQ(m.GetColor(48), RGB(static_cast<int>(GetRValue(face) * k + 1e-9), static_cast<int>(GetGValue(face) * k + 1e-9),
                                static_cast<int>(GetBValue(face) * k + 1e-9)));
  EXPECT_EQ(m.GetColor(22), RGB(std::min(GetRValue(face) + 15, 255), std::min(GetGValue(face) + 15, 255),
                                std::min(GetBValue(face) + 15, 255)));
  EXPECT_EQ(m.GetColor(34), RGB(static_cast<int>(GetRValue(m.GetColor(31)) * 0.75),
                                static_cast<int>(GetGValue(m.GetColor(31)) * 0.75),
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
  scheme.Set(COLOR_BTNFACE, RGB(200, 200, 200)).Set(COLOR_HIGHLIGHT, RGB(205, 205, 205)).Set(COLOR_WINDOW, RGB(210, 210, 210));
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
  const COLORREF blue[7][2] = {{RGB(89, 135, 214), RGB(0, 45, 150)},    {RGB(158, 190, 245), RGB(196, 218, 250)},
                               {RGB(89, 135, 214), RGB(0, 45, 150)},    {RGB(221, 236, 254), RGB(129, 169, 226)},
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
