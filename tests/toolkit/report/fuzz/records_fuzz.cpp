// Fuzz target for the stored form of report records: archive bytes in,
// records out or a clean archive error. Whatever was read is then shown,
// compared, sorted and stored again, and everything is released.
#include <cstdint>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "toolkit/common/propexchange_backends.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportsort.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  std::vector<BYTE> bytes(data, data + size);
  auto* records = new CTKReportRecords;
  try {
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load, 4096);
    CTKPropExchangeArchive px(ar);
    records->DoPropExchange(&px);
  } catch (CException* e) {
    e->Delete();
  }
  // What was read must be usable.
  std::vector<CTKReportRecordItem*> items;
  for (int i = 0; i < records->GetCount() && items.size() < 4096; ++i) {
    CTKReportRecord* record = records->GetAt(i);
    for (int j = 0; j < record->GetItemCount(); ++j) {
      CTKReportRecordItem* item = record->GetItem(j);
      item->GetCaption(nullptr);
      item->GetGroupCaption(nullptr);
      items.push_back(item);
    }
  }
  TKReportMergeSort(items.data(), items.size(),
                    [](CTKReportRecordItem* a, CTKReportRecordItem* b) { return a->CompareGroupCaption(nullptr, b); });
  try {
    CMemFile out;
    CArchive ar(&out, CArchive::store);
    CTKPropExchangeArchive px(ar);
    records->DoPropExchange(&px);
    ar.Close();
  } catch (CException* e) {
    e->Delete();
  }
  records->InternalRelease();
  return 0;
}
