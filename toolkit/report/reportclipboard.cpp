#include "toolkit/report/reportclipboard.h"

#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "platform/base/globalmem.h"
#include "toolkit/common/propexchange_backends.h"
#include "toolkit/report/reportrecords.h"

namespace {

// Every record entry starts with its class reference: at least a WORD.
constexpr ULONGLONG kMinRecordBytes = 2;

// Bytes left in an archive exchange's data, or -1 when the exchange does
// not read a stream (keyed flavours, which hold no counts to bound).
LONGLONG BytesLeft(CTKPropExchange* pPX) {
  if (!pPX->IsKindOf(RUNTIME_CLASS(CTKPropExchangeArchive))) return -1;
  CArchive* ar = pPX->GetArchive(nullptr);
  CFile* file = ar ? ar->GetFile() : nullptr;
  if (!file) return -1;
  // Give back what the archive read ahead, so the file position is what
  // has been consumed.
  ar->Flush();
  ULONGLONG length = file->GetLength(), position = file->GetPosition();
  return position < length ? static_cast<LONGLONG>(length - position) : 0;
}

}  // namespace

BOOL TKWriteRecordsData(CTKPropExchange* pPX, CTKReportRecords* pRecords) {
  if (!pPX || !pRecords || pPX->IsLoading()) return FALSE;
  int version = kTKReportRecordsVersion;
  PropExchangeInt(pPX, u"Version", &version);
  pPX->ExchangeLocale();
  CTKPropExchangeSection section(pPX->GetSection(u"ReportRecords"));
  // The enumerator "Record": the count, then per record its class tag and
  // its own exchange.
  pRecords->ExchangeRecords(section);
  return TRUE;
}

BOOL TKReadRecordsData(CTKPropExchange* pPX, CTKReportRecords* pRecords, const TKReportPasteFilter& filter) {
  if (!pRecords) return FALSE;
  pRecords->RemoveAll();
  if (!pPX || !pPX->IsLoading()) return FALSE;

  CTKPropExchangeSection section(pPX->GetSection(u"ReportRecords"));
  int version = 0;
  PropExchangeInt(pPX, u"Version", &version);
  pPX->ExchangeLocale();
  if (version != kTKReportRecordsVersion) return FALSE;

  CTKPropExchangeEnumeratorHolder enumerator(section->GetEnumerator(u"Record"));
  POSITION pos = enumerator->GetPosition(0, TRUE);
  LONGLONG left = BytesLeft(section);
  if (left >= 0 && static_cast<ULONGLONG>(enumerator->GetCount()) > static_cast<ULONGLONG>(left) / kMinRecordBytes)
    return FALSE;

  while (pos) {
    CTKPropExchangeSection entry(enumerator->GetNext(pos));
    CObject* object = nullptr;
    if (!entry->ExchangeObject(&object, RUNTIME_CLASS(CTKReportRecord)) || !object)
      AfxThrowArchiveException(CArchiveException::badClass);
    auto* record = static_cast<CTKReportRecord*>(object);
    try {
      record->DoPropExchange(entry);
    } catch (...) {
      record->InternalRelease();
      throw;
    }
    if (filter) {
      CTKReportRecord* offered = record;
      if (filter(&offered)) {
        record->InternalRelease();
        continue;
      }
      if (offered != record) {
        record->InternalRelease();
        record = offered;
        if (!record) continue;
      }
    }
    pRecords->Add(record);
  }
  return TRUE;
}

HGLOBAL TKWriteRecordsBlock(CTKReportRecords* pRecords, int nRowsHint) {
  if (!pRecords) return nullptr;
  return TKWriteRecordsBlockWith(nRowsHint,
                                 [pRecords](CTKPropExchange* pPX) { return TKWriteRecordsData(pPX, pRecords); });
}

HGLOBAL TKWriteRecordsBlockWith(int nRowsHint, const std::function<BOOL(CTKPropExchange* pPX)>& write) {
  ULONGLONG rows = nRowsHint > 0 ? static_cast<ULONGLONG>(nRowsHint) : 1;
  ULONGLONG grow = (rows * 1500 / 4096 + 1) * 4096;
  if (grow > 0x10000000) grow = 0x10000000;
  CSharedFile file(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, static_cast<UINT>(grow));
  try {
    CArchive ar(&file, CArchive::store, 4096);
    CTKPropExchangeArchive px(ar);
    if (!write(&px)) {
      ar.Abort();
      return nullptr;
    }
    ar.Close();
  } catch (CException* e) {
    e->Delete();
    return nullptr;
  } catch (...) {
    return nullptr;
  }
  return file.Detach();
}

BOOL TKReadRecordsBlock(HGLOBAL hBlock, CTKReportRecords* pRecords, const TKReportPasteFilter& filter) {
  return TKReadRecordsBlockWith(hBlock, pRecords, [&filter](CTKPropExchange* pPX, CTKReportRecords* pTarget) {
    return TKReadRecordsData(pPX, pTarget, filter);
  });
}

BOOL TKReadRecordsBlockWith(HGLOBAL hBlock, CTKReportRecords* pRecords,
                            const std::function<BOOL(CTKPropExchange* pPX, CTKReportRecords* pRecords)>& read) {
  if (!pRecords) return FALSE;
  pRecords->RemoveAll();
  if (!hBlock) return FALSE;
  CSharedFile file(GMEM_MOVEABLE, 4096);
  BOOL result = FALSE;
  try {
    file.SetHandle(hBlock, FALSE);
    CArchive ar(&file, CArchive::load, 4096);
    CTKPropExchangeArchive px(ar);
    result = read(&px, pRecords);
  } catch (CArchiveException* e) {
    // A record of a class this program does not know (a block from a
    // program with more record types): the records before it are sound.
    // Anything else means the block is damaged or not what it claims.
    result = e->m_cause == CArchiveException::badClass && pRecords->GetCount() > 0;
    e->Delete();
  } catch (CException* e) {
    e->Delete();
    result = FALSE;
  } catch (...) {
    result = FALSE;
  }
  // The block stays the caller's (the clipboard's).
  file.Detach();
  if (!result) pRecords->RemoveAll();
  return result;
}
