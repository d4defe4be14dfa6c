#include "toolkit/common/painttheme.h"

std::optional<TKPaintTheme> TKPaintThemeFromNumber(int nTheme) {
  if (nTheme < TKPaintThemeNumber(TKPaintTheme::Default) || nTheme > TKPaintThemeNumber(TKPaintTheme::Custom))
    return std::nullopt;
  return static_cast<TKPaintTheme>(nTheme);
}
