// The command-bar looks by their factory number, and what the foundation's
// painters (scroll bars, sliders) need of the look they belong to. The looks
// themselves live above the foundation; stored and passed numbers keep their
// values.
#pragma once

#include <optional>

enum class TKPaintTheme : int {
  Default = 0,
  Office = 1,
  Office2003 = 2,
  NativeXP = 3,
  Whidbey = 4,
  Resource = 5,
  Ribbon = 6,
  VisualStudio2008 = 7,
  VisualStudio6 = 8,
  VisualStudio2010 = 9,
  // A paint manager installed directly rather than made by the factory.
  Custom = 10,
};

// The look of a stored or passed number; none for a number no look has.
std::optional<TKPaintTheme> TKPaintThemeFromNumber(int nTheme);
inline int TKPaintThemeNumber(TKPaintTheme theme) { return static_cast<int>(theme); }

class CTKPaintThemeSource {
 public:
  virtual ~CTKPaintThemeSource() = default;
  // The look's factory number.
  virtual int GetBaseTheme() = 0;
  // The same number under the name the foundation uses.
  int GetThemeId() { return GetBaseTheme(); }
  // The look; a number no look has reads as the default look.
  TKPaintTheme GetPaintTheme() { return TKPaintThemeFromNumber(GetBaseTheme()).value_or(TKPaintTheme::Default); }
};
