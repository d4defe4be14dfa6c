#include "toolkit/report/reportdatahost.h"

namespace {
// Set once by the application at start-up, before any grid exists; read on
// the UI thread.
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
