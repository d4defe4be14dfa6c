// The toolkit's colours: one process-wide table of system colours, colours
// derived from them and ten gradients, which follow the active visual style
// (Luna blue, olive or silver, Royale, Aero); and the colour value types of
// the paint managers.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/wintypes.h"

class CArchive;

// A colour that follows a standard value (set by a theme) unless a custom
// value overrides it; -1 means unset.
class CTKPaintManagerColor {
 public:
  CTKPaintManagerColor() = default;
  explicit CTKPaintManagerColor(COLORREF standard) : m_clrStandardValue(standard) {}
  virtual ~CTKPaintManagerColor() = default;
  CTKPaintManagerColor(const CTKPaintManagerColor&) = default;
  CTKPaintManagerColor& operator=(const CTKPaintManagerColor&) = default;

  COLORREF GetColor() const { return m_clrCustomValue != kNone ? m_clrCustomValue : m_clrStandardValue; }
  operator COLORREF() const { return GetColor(); }  // NOLINT
  COLORREF GetStandardColor() const { return m_clrStandardValue; }
  void SetStandardValue(COLORREF color) { m_clrStandardValue = color; }
  void SetCustomValue(COLORREF color) { m_clrCustomValue = color; }
  BOOL IsCustomValue() const { return m_clrCustomValue != kNone; }
  BOOL IsDefaultValue() const { return !IsCustomValue(); }
  void SetDefaultValue() { m_clrCustomValue = kNone; }

  virtual void Serialize(CArchive& ar);

  static constexpr COLORREF kNone = static_cast<COLORREF>(-1);

 protected:
  COLORREF m_clrStandardValue = kNone;
  COLORREF m_clrCustomValue = kNone;
};

// A two-colour gradient with a mixing factor.
class CTKPaintManagerColorGradient {
 public:
  CTKPaintManagerColorGradient() = default;
  virtual ~CTKPaintManagerColorGradient() = default;
  CTKPaintManagerColorGradient(const CTKPaintManagerColorGradient&) = default;
  CTKPaintManagerColorGradient& operator=(const CTKPaintManagerColorGradient&) = default;

  void SetStandardColors(COLORREF light, COLORREF dark, float factor = 0.5f);
  void SetStandardColor(COLORREF color);
  void SetStandardFrom(const CTKPaintManagerColorGradient& other);
  virtual void Serialize(CArchive& ar);

  CTKPaintManagerColor clrLight;
  CTKPaintManagerColor clrDark;
  float fGradientFactor = 0.5f;
};

class CTKColorManager : public CCmdTarget {
 public:
  enum { kColorCount = 63, kGradientCount = 10 };
  // Detected theme codes.
  enum {
    tkThemeNone = 0,
    tkThemeLunaBlue = 1,
    tkThemeLunaOlive = 2,
    tkThemeLunaSilver = 3,
    tkThemeRoyale = 4,
    tkThemeAero = 5,
    tkThemeAuto = 6
  };

  // Builds the gradients, runs RefreshColors, then sets gradients 7-9.
  CTKColorManager();
  ~CTKColorManager() override = default;

  // 0-62: the custom colour of the index when one is set, else the computed
  // table entry; any larger value is a colour, returned unchanged.
  COLORREF GetColor(int index) const;
  // Overrides the colour of an index 0-62 until it is set back with -1;
  // the override survives RefreshColors. Other indexes are ignored.
  void SetColor(int index, COLORREF color);
  const CTKPaintManagerColorGradient& GetGradientColor(int index) const { return m_arrGradients[index]; }

  void RefreshColors();
  void RefreshSysColors();
  void SetDefaultDerivedColors();
  void RefreshGradientColors();

  int DetectTheme();
  int GetDetectedTheme() const { return m_nDetectedTheme; }
  int GetCurrentTheme() const;
  BOOL IsLunaColorsDisabled() const { return m_bDisableLunaColors; }

  static COLORREF MixColors(COLORREF a, COLORREF b, int weight);
  // The DC (the desktop's for null) has 1 to 8 bits per pixel.
  static BOOL IsLowResolution(HDC hdc = nullptr);

  // Distances in the weighted colour space (red 195, green 390, blue 65).
  static float ColorDistanceSquared(COLORREF a, COLORREF b);
  static float ColorDistance(COLORREF a, COLORREF b);
  static float ScaleThreshold(int brightness, int threshold);
  static BOOL AreColorsDistinct(COLORREF a, COLORREF b, BOOL scaled, float threshold);
  static COLORREF SeparateColor(COLORREF reference, COLORREF color, float threshold);
  static COLORREF PullColorCloser(COLORREF reference, COLORREF color, float threshold);

  // Test support: the screen's bits per pixel as IsLowResolution(null) sees
  // them (0: the real screen).
  static void SetScreenBitsForTests(int bitsPerPixel);

  // Read in member order by the themes.
  CTKPaintManagerColorGradient m_arrGradients[kGradientCount];

 protected:
  BOOL m_bAllowRoyale = TRUE;
  BOOL m_bAllowAero = TRUE;
  BOOL m_bDisableLunaColors = FALSE;
  COLORREF m_arrColors[kColorCount] = {};
  COLORREF m_arrCustomColors[kColorCount];  // CTKPaintManagerColor::kNone where not overridden
  int m_nChosenTheme = tkThemeAuto;
  int m_nDetectedTheme = tkThemeNone;
};

// The process-wide manager, built on first use, destroyed at exit.
CTKColorManager* GetColorManager();
// Rebuilds the process-wide table (after a system colour change).
void RefreshColorManager();
