// The one place that maps pop-up look ids to their classes.
#include "toolkit/controls/popuppaintmanager.h"
#include "toolkit/controls/popupthememsn.h"
#include "toolkit/controls/popupthemeresource.h"

std::unique_ptr<CTKPopupPaintManager> TKCreatePopupPaintManager(TKPopupTheme theme) {
  switch (theme) {
    case TKPopupTheme::Office2000:
      return std::make_unique<CTKPopupThemeOffice2000>();
    case TKPopupTheme::OfficeXP:
      return std::make_unique<CTKPopupThemeOfficeXP>();
    case TKPopupTheme::Office2003:
      return std::make_unique<CTKPopupThemeOffice2003>();
    case TKPopupTheme::MSN:
      return std::make_unique<CTKPopupThemeMSN>();
    case TKPopupTheme::Resource:
      return std::make_unique<CTKPopupThemeResource>();
  }
  return std::make_unique<CTKPopupPaintManager>();
}
