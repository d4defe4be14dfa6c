// Writes seed blocks for the clipboard fuzz target into the given folder:
// a steering byte, then a records block as Copy places it.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/globalmem.h"
#include "toolkit/report/reportclipboard.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"

static void Write(const std::string& path, unsigned char steer, CTKReportRecords* records) {
  HGLOBAL block = TKWriteRecordsBlock(records, records->GetCount());
  if (!block) return;
  std::vector<unsigned char> bytes(1 + GlobalSize(block));
  bytes[0] = steer;
  std::memcpy(bytes.data() + 1, GlobalLock(block), bytes.size() - 1);
  GlobalUnlock(block);
  GlobalFree(block);
  // The zero padding after the block says nothing new.
  while (bytes.size() > 1 && bytes.back() == 0) bytes.pop_back();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string folder = argv[1];
  auto* records = new CTKReportRecords;
  for (int i = 0; i < 3; ++i) {
    auto* record = new CTKReportRecord;
    record->AddItem(new CTKReportRecordItemText(u"text"));
    record->AddItem(new CTKReportRecordItemNumber(i));
    record->AddItem(new CTKReportRecordItemDateTime(COleDateTime(2026, 12, 8, 19, 30, 0)));
    record->AddItem(new CTKReportRecordItemVariant(COleVariant(u"abc")));
    if (i == 1) {
      record->SetPreviewItem(new CTKReportRecordItemPreview(u"preview"));
      auto* child = new CTKReportRecord;
      child->AddItem(new CTKReportRecordItemText(u"child"));
      record->GetChilds()->Add(child);
    }
    records->Add(record);
  }
  Write(folder + "/records-keep", 0x00, records);
  Write(folder + "/records-steer", 0xE4, records);
  records->RemoveAll();
  Write(folder + "/empty", 0x00, records);
  records->InternalRelease();
  return 0;
}
