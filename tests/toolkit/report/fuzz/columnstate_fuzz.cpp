// Fuzz target for the report control's stored layout (columns with their
// group and sort orders, scrolling, frozen columns, header options): bytes
// in, the state applied whole or refused with the control left as it was.
// Whatever the control holds afterwards must keep its invariants and store
// again.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "platform/framework/afxwnd.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"

namespace {

// A host window with a grid of four columns, three of them named as stored
// states name them.
struct Grid {
  CWnd host;
  CTKReportControl control;
  Grid() {
    host.CreateEx(0, AfxRegisterWndClass(0), u"host", WS_POPUP, CRect(0, 0, 600, 400), nullptr, 0);
    control.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 500, 300), &host, 7);
    const char16_t* names[] = {u"name", u"text", u"number", u""};
    for (int i = 0; i < 4; ++i) {
      CTKReportColumn* column = control.AddColumn(new CTKReportColumn(i, u"Column", 100));
      if (names[i][0]) column->SetInternalName(names[i]);
    }
  }
  ~Grid() {
    if (control.m_hWnd) control.DestroyWindow();
    if (host.m_hWnd) host.DestroyWindow();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  std::vector<BYTE> bytes(data, data + size);
  auto grid = std::make_unique<Grid>();
  try {
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load, 4096);
    grid->control.SerializeState(ar);
  } catch (CException* e) {
    e->Delete();
  }
#ifndef NDEBUG
  CString why;
  if (!grid->control.CheckInvariants(&why)) __builtin_trap();
#endif
  // Every column stays within the widths the grid allows.
  CTKReportColumns* columns = grid->control.GetColumns();
  if (columns->GetCount() != 4) __builtin_trap();
  for (int i = 0; i < columns->GetCount(); ++i) {
    const int width = columns->GetAt(i)->GetWidth();
    if (width < 0 || width > kTKReportMaxColumnWidth) __builtin_trap();
  }
  try {
    CMemFile out;
    CArchive ar(&out, CArchive::store);
    grid->control.SerializeState(ar);
    ar.Close();
  } catch (CException* e) {
    e->Delete();
  }
  return 0;
}
