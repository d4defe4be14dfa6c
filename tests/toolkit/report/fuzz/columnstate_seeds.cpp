// Writes seed states for the stored-layout fuzz target: a grid's layout
// stored as it is, and again with every value changed from its default.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/base/archive.h"
#include "tests/support/archive_seed.h"
#include "platform/base/file.h"
#include "platform/framework/afxwnd.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"

namespace {

void Write(const std::string& path, CTKReportControl& control) {
  pvtest::WriteArchiveSeed(path, [&](CArchive& ar) { control.SerializeState(ar); });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string folder = argv[1];
  CWnd host;
  host.CreateEx(0, AfxRegisterWndClass(0), u"host", WS_POPUP, CRect(0, 0, 600, 400), nullptr, 0);
  CTKReportControl control;
  control.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 500, 300), &host, 7);
  const char16_t* names[] = {u"name", u"text", u"number", u""};
  for (int i = 0; i < 4; ++i) {
    CTKReportColumn* column = control.AddColumn(new CTKReportColumn(i, u"Column", 100));
    if (names[i][0]) column->SetInternalName(names[i]);
  }
  Write(folder + "/plain", control);
  CTKReportColumns* columns = control.GetColumns();
  columns->GetAt(1)->SetWidth(150);
  columns->GetAt(2)->SetVisible(FALSE);
  columns->ChangeColumnOrder(0, 2);
  columns->GetGroupsOrder()->Add(columns->FindByInternalName(u"text"));
  columns->GetSortOrder()->Add(columns->FindByInternalName(u"name"));
  control.ShowGroupBy(TRUE);
  control.GetReportHeader()->m_bAutoColumnSizing = FALSE;
  control.SetFullColumnScrolling(TRUE);
  control.SetFreezeColumnsCount(1, FALSE);
  Write(folder + "/changed", control);
  control.DestroyWindow();
  host.DestroyWindow();
  return 0;
}
