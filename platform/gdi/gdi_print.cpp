// Printer DCs over cairo PDF pages.
//
// The default printer is an A4 page at 300 dots per inch with quarter-inch
// unprintable margins. StartDoc writes to DOCINFO's output file, else to
// $PRAVENOR_PRINT_OUTPUT, else to "<document name>.pdf" in the temp folder.
#include <cairo-pdf.h>

#include <cstdlib>
#include <string>

#include "platform/gdi/gdi_internal.h"

namespace pv::gdi {

static std::string Str(LPCWSTR s) {
  if (!s) return {};
  int n = 0;
  while (s[n]) ++n;
  return ToUtf8(s, n);
}

void InitPrinter(DC* dc, LPCWSTR output) {
  dc->dpi = 300;
  dc->pageW = 2480;  // 210 mm
  dc->pageH = 3508;  // 297 mm
  dc->offX = dc->offY = 75;
  dc->pdfPath = Str(output);
}

}  // namespace pv::gdi

using namespace pv::gdi;

#define PV_PRN(ret)     \
  PV_GDI_LOCK;          \
  DC* dc = GetDC_(hdc); \
  if (!dc || dc->type != DCType::Printer) return ret

int StartDoc(HDC hdc, const DOCINFOW* di) {
  PV_PRN(SP_ERROR);
  if (dc->docStarted) return SP_ERROR;
  std::string path;
  if (di && di->lpszOutput) path = Str(di->lpszOutput);
  if (path.empty()) path = dc->pdfPath;
  if (path.empty())
    if (const char* e = std::getenv("PRAVENOR_PRINT_OUTPUT"); e && *e) path = e;
  if (path.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string name = di && di->lpszDocName ? Str(di->lpszDocName) : "document";
    for (char& c : name)
      if (c == '/') c = '_';
    path = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + ".pdf";
  }
  double wpt = dc->pageW * 72.0 / dc->dpi, hpt = dc->pageH * 72.0 / dc->dpi;
  dc->pdf = cairo_pdf_surface_create(path.c_str(), wpt, hpt);
  if (cairo_surface_status(dc->pdf) != CAIRO_STATUS_SUCCESS) {
    SetError("cannot write " + path);
    cairo_surface_destroy(dc->pdf);
    dc->pdf = nullptr;
    return SP_ERROR;
  }
  if (di && di->lpszDocName)
    cairo_pdf_surface_set_metadata(dc->pdf, CAIRO_PDF_METADATA_TITLE, Str(di->lpszDocName).c_str());
  dc->pdfCr = cairo_create(dc->pdf);
  dc->pdfPath = path;
  dc->docStarted = true;
  dc->pageStarted = false;
  return 1;
}
int StartDocW(HDC hdc, const DOCINFOW* di) { return StartDoc(hdc, di); }

int StartPage(HDC hdc) {
  PV_PRN(SP_ERROR);
  if (!dc->docStarted || dc->pageStarted) return SP_ERROR;
  dc->pageStarted = true;
  return 1;
}

int EndPage(HDC hdc) {
  PV_PRN(SP_ERROR);
  if (!dc->pageStarted) return SP_ERROR;
  cairo_show_page(dc->pdfCr);
  dc->pageStarted = false;
  return 1;
}

int EndDoc(HDC hdc) {
  PV_PRN(SP_ERROR);
  if (!dc->docStarted) return SP_ERROR;
  if (dc->pageStarted) EndPage(hdc);
  cairo_destroy(dc->pdfCr);
  dc->pdfCr = nullptr;
  cairo_surface_finish(dc->pdf);
  bool ok = cairo_surface_status(dc->pdf) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(dc->pdf);
  dc->pdf = nullptr;
  dc->docStarted = false;
  return ok ? 1 : SP_ERROR;
}

int AbortDoc(HDC hdc) {
  PV_PRN(SP_ERROR);
  if (!dc->docStarted) return SP_ERROR;
  cairo_destroy(dc->pdfCr);
  dc->pdfCr = nullptr;
  cairo_surface_finish(dc->pdf);
  cairo_surface_destroy(dc->pdf);
  dc->pdf = nullptr;
  std::remove(dc->pdfPath.c_str());
  dc->docStarted = dc->pageStarted = false;
  return 1;
}
