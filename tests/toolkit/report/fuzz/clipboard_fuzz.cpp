// Fuzz target for the clipboard records block: bytes as another process
// could place them in global memory, read into records or refused cleanly.
// The first byte steers the owner's answer to each record (keep, refuse,
// replace); what was read is then shown and written back, and everything
// is released.
#include <cstdint>
#include <cstring>

#include "platform/base/globalmem.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/report/reportclipboard.h"
#include "toolkit/report/reportrecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 20) return 0;
  const uint8_t steer = data[0];
  ++data, --size;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
  if (!block) return 0;
  if (size) std::memcpy(GlobalLock(block), data, size), GlobalUnlock(block);

  auto* records = new CTKReportRecords;
  unsigned offered = 0;
  TKReadRecordsBlock(block, records, [&](CTKReportRecord** record) -> BOOL {
    switch ((steer >> (2 * (offered++ % 4))) & 3) {
      case 1:
        return TRUE;
      case 2:
        *record = new CTKReportRecord;
        return FALSE;
      case 3:
        *record = nullptr;
        return FALSE;
      default:
        return FALSE;
    }
  });
  GlobalFree(block);
  CTKPropExchange::s_nLocale = -1;

  for (int i = 0; i < records->GetCount(); ++i) {
    CTKReportRecord* record = records->GetAt(i);
    for (int j = 0; j < record->GetItemCount() && j < 64; ++j) record->GetItem(j)->GetCaption(nullptr);
  }
  if (HGLOBAL again = TKWriteRecordsBlock(records, records->GetCount())) {
    auto* reread = new CTKReportRecords;
    TKReadRecordsBlock(again, reread);
    reread->InternalRelease();
    GlobalFree(again);
  }
  CTKPropExchange::s_nLocale = -1;
  records->InternalRelease();
  return 0;
}
