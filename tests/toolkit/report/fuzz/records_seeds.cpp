// Writes seed archives for the records fuzz target into the given folder.
#include <cstdio>
#include <string>

#include "platform/base/archive.h"
#include "tests/support/archive_seed.h"
#include "platform/base/file.h"
#include "toolkit/common/propexchange_backends.h"
#include "toolkit/report/reporthyperlink.h"
#include "toolkit/report/reportitemcontrols.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"

static void Write(const std::string& path, CTKReportRecords* records) {
  pvtest::WriteArchiveSeed(path, [&](CArchive& ar) {
    CTKPropExchangeArchive px(ar);
    records->DoPropExchange(&px);
  });
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string folder = argv[1];
  auto* records = new CTKReportRecords;
  for (int i = 0; i < 2; ++i) {
    auto* record = new CTKReportRecord;
    record->AddItem(new CTKReportRecordItemText(u"see [url=x]here[/url]"));
    auto* number = new CTKReportRecordItemNumber(i * 2.5);
    number->SetFormatString(u"%.2f");
    record->AddItem(number);
    record->AddItem(new CTKReportRecordItemPercentNumber(33));
    record->AddItem(new CTKReportRecordItemDateTime(COleDateTime(2026, 12, 8, 19, 30, 0)));
    record->AddItem(new CTKReportRecordItemVariant(COleVariant(u"abc")));
    record->AddItem(new CTKReportRecordItemIcon);
    auto* plain = new CTKReportRecordItem;
    plain->SetCaption(u"plain");
    plain->SetGroupPriority(i);
    plain->GetItemControls()->AddControl(1)->SetIconIndex(1, 2);
    record->AddItem(plain);
    if (i == 1) {
      record->SetPreviewItem(new CTKReportRecordItemPreview(u"preview"));
      auto* child = new CTKReportRecord;
      child->AddItem(new CTKReportRecordItemText(u"child"));
      record->GetChilds()->Add(child);
    }
    records->Add(record);
  }
  Write(folder + "/records", records);
  records->RemoveAll();
  Write(folder + "/empty", records);
  records->InternalRelease();
  return 0;
}
