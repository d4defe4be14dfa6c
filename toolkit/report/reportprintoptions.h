// The report's page options: the toolkit's print options answering the
// report's locale. The grid has no printing routine of its own; the paint
// manager uses these options to measure the printable page width.
#pragma once

#include "toolkit/common/printoptions.h"

class CTKReportViewPrintOptions : public CTKPrintOptions {
 public:
  CTKReportViewPrintOptions() = default;

  // The report's locale instead of the user default.
  LCID GetLocaleId() override;
  // The base options; a null source changes nothing.
  void CopyFrom(const CTKPrintOptions* other) override;
};

// The printable width of a page in screen pixels (96 per inch): the
// printer's page width in device pixels at its resolution, less the
// margins (already in screen pixels). 0 for a resolution below 1.
int TKCalcPrintPageWidth(int nPageWidthDevice, int nPrinterPixelsPerInch, int nMarginsWidth);
