#include "toolkit/report/reportdatahost.h"

namespace {
TKReportDataHostResolver g_resolver = nullptr;
CTKReportDataHost g_defaultHost;
}  // namespace

void TKSetReportDataHostResolver(TKReportDataHostResolver resolver) { g_resolver = resolver; }

CTKReportDataHost* TKGetReportDataHost(CTKReportControl* control) {
  if (control && g_resolver) {
    if (CTKReportDataHost* host = g_resolver(control)) return host;
  }
  return &g_defaultHost;
}
