#include "toolkit/commandbars/commandbarsdefs.h"

std::optional<TKControlType> TKControlTypeFromNumber(int nType) {
  if (nType < static_cast<int>(TKControlType::Plain) || nType > static_cast<int>(TKControlType::RadioButton))
    return std::nullopt;
  return static_cast<TKControlType>(nType);
}

std::optional<TKButtonStyle> TKButtonStyleFromNumber(int nStyle) {
  if (nStyle < static_cast<int>(TKButtonStyle::Automatic) ||
      nStyle > static_cast<int>(TKButtonStyle::CaptionAndDescription))
    return std::nullopt;
  return static_cast<TKButtonStyle>(nStyle);
}
