// The one place that maps column style ids to their classes.
#include "toolkit/report/reportcolumnstyleexplorer.h"
#include "toolkit/report/reportcolumnstyleflat.h"
#include "toolkit/report/reportcolumnstyleoffice2003.h"
#include "toolkit/report/reportcolumnstyleresource.h"
#include "toolkit/report/reportcolumnstyleshaded.h"

std::unique_ptr<CTKReportColumnStyle> TKCreateReportColumnStyle(TKReportColumnStyle style) {
  switch (style) {
    case TKReportColumnStyle::Shaded:
      return std::make_unique<CTKReportColumnStyleShaded>();
    case TKReportColumnStyle::Flat:
      return std::make_unique<CTKReportColumnStyleFlat>();
    case TKReportColumnStyle::Explorer:
      return std::make_unique<CTKReportColumnStyleExplorer>();
    case TKReportColumnStyle::Office2003:
      return std::make_unique<CTKReportColumnStyleOffice2003>();
    case TKReportColumnStyle::Resource:
      return std::make_unique<CTKReportColumnStyleResource>();
  }
  return std::make_unique<CTKReportColumnStyleFlat>();
}
