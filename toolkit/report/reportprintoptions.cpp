#include "toolkit/report/reportprintoptions.h"

#include "toolkit/report/reportlocale.h"

LCID CTKReportViewPrintOptions::GetLocaleId() { return CTKReportControlLocale::GetActiveLCID(); }

void CTKReportViewPrintOptions::CopyFrom(const CTKPrintOptions* other) {
  if (!other) return;
  CTKPrintOptions::CopyFrom(other);
}

int TKCalcPrintPageWidth(int nPageWidthDevice, int nPrinterPixelsPerInch, int nMarginsWidth) {
  if (nPrinterPixelsPerInch < 1) return 0;
  return MulDiv(nPageWidthDevice, 96, nPrinterPixelsPerInch) - nMarginsWidth;
}
