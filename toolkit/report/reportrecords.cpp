#include "toolkit/report/reportrecords.h"

#include "platform/base/exceptions.h"
#include "platform/base/wstr.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/common/propexchangeschema.h"

IMPLEMENT_SERIAL(CTKReportRecords, CCmdTarget, VERSIONABLE_SCHEMA | kTKSchemaCurrent)

CTKReportRecords::CTKReportRecords(BOOL bReferenceList) : m_bArray(bReferenceList) {}

CTKReportRecords::CTKReportRecords(CTKReportRecord* pOwnerRecord) : m_pOwnerRecord(pOwnerRecord) {}

CTKReportRecords::~CTKReportRecords() {
  RemoveAll();
  TKReleaseHeld(m_pVirtualRecord);
}

int CTKReportRecords::CompareStrings(const CString& str1, const CString& str2) const {
  int result = m_bCaseSensitive ? str1.Compare(str2) : str1.CompareNoCase(str2);
  return result < 0 ? -1 : result > 0 ? 1 : 0;
}

int CTKReportRecords::GetCount() const {
  return m_pVirtualRecord ? m_nVirtualRecordsCount : static_cast<int>(m_arrRecords.GetSize());
}

CTKReportRecord* CTKReportRecords::GetAt(int nIndex) const {
  if (m_pVirtualRecord) {
    m_pVirtualRecord->m_nIndex = nIndex;
    return m_pVirtualRecord;
  }
  if (nIndex < 0 || nIndex >= m_arrRecords.GetSize()) return nullptr;
  return m_arrRecords[nIndex];
}

CTKReportRecord* CTKReportRecords::Add(CTKReportRecord* pRecord) {
  INT_PTR index = m_arrRecords.Add(pRecord);
  if (pRecord && !m_bArray) {
    pRecord->m_nIndex = static_cast<int>(index);
    pRecord->SetReportControl(m_pControl);
    pRecord->m_pRecords = this;
  }
  return pRecord;
}

void CTKReportRecords::InsertAt(int nIndex, CTKReportRecord* pRecord) {
  if (nIndex < 0) nIndex = 0;
  if (nIndex > m_arrRecords.GetSize()) nIndex = static_cast<int>(m_arrRecords.GetSize());
  m_arrRecords.InsertAt(nIndex, pRecord);
  if (pRecord) {
    pRecord->SetReportControl(m_pControl);
    pRecord->m_pRecords = this;
  }
  UpdateIndexes(nIndex);
}

int CTKReportRecords::RemoveRecord(CTKReportRecord* pRecord) {
  // A record names its place: look there before searching.
  if (pRecord && !m_bArray && pRecord->m_pRecords == this && pRecord->m_nIndex >= 0 &&
      pRecord->m_nIndex < m_arrRecords.GetSize() && m_arrRecords[pRecord->m_nIndex] == pRecord) {
    const int index = pRecord->m_nIndex;
    pRecord->InternalRelease();
    m_arrRecords.RemoveAt(index);
    UpdateIndexes(index);
    return index;
  }
  for (INT_PTR i = 0; i < m_arrRecords.GetSize(); ++i) {
    if (m_arrRecords[i] != pRecord) continue;
    if (pRecord) pRecord->InternalRelease();
    m_arrRecords.RemoveAt(i);
    UpdateIndexes(static_cast<int>(i));
    return static_cast<int>(i);
  }
  return -1;
}

int CTKReportRecords::RemoveRecords(const std::unordered_set<CTKReportRecord*>& records) {
  if (records.empty()) return 0;
  INT_PTR kept = 0, first = -1;
  const INT_PTR count = m_arrRecords.GetSize();
  for (INT_PTR i = 0; i < count; ++i) {
    CTKReportRecord* record = m_arrRecords[i];
    if (record && records.count(record)) {
      if (first < 0) first = i;
      record->InternalRelease();
      continue;
    }
    m_arrRecords[kept++] = record;
  }
  if (first < 0) return 0;
  m_arrRecords.SetSize(kept);
  UpdateIndexes(static_cast<int>(first));
  return static_cast<int>(count - kept);
}

void CTKReportRecords::RemoveAll() {
  if (!m_bArray) {
    for (INT_PTR i = m_arrRecords.GetSize() - 1; i >= 0; --i) {
      if (m_arrRecords[i]) m_arrRecords[i]->InternalRelease();
    }
  }
  m_arrRecords.RemoveAll();
}

void CTKReportRecords::SetSize(INT_PTR nNewSize, INT_PTR nGrowBy) {
  if (nNewSize < 0) nNewSize = 0;
  if (!m_bArray) {
    for (INT_PTR i = m_arrRecords.GetSize() - 1; i >= nNewSize; --i) {
      if (m_arrRecords[i]) m_arrRecords[i]->InternalRelease();
      m_arrRecords[i] = nullptr;
    }
  }
  m_arrRecords.SetSize(nNewSize, nGrowBy);
}

void CTKReportRecords::SetAt(INT_PTR nIndex, CTKReportRecord* pRecord) {
  if (!pRecord || nIndex < 0 || nIndex >= m_arrRecords.GetSize()) return;
  if (!m_bArray) {
    if (m_arrRecords[nIndex] && m_arrRecords[nIndex] != pRecord) m_arrRecords[nIndex]->InternalRelease();
    pRecord->m_nIndex = static_cast<int>(nIndex);
    pRecord->m_pRecords = this;
  }
  m_arrRecords[nIndex] = pRecord;
}

void CTKReportRecords::UpdateIndexes(int nStart) {
  for (INT_PTR i = nStart < 0 ? 0 : nStart; i < m_arrRecords.GetSize(); ++i) {
    if (m_arrRecords[i]) m_arrRecords[i]->m_nIndex = static_cast<int>(i);
  }
}

void CTKReportRecords::SetVirtualMode(CTKReportRecord* pVirtualRecord, int nCount) {
  if (pVirtualRecord != m_pVirtualRecord) TKReleaseHeld(m_pVirtualRecord);
  m_pVirtualRecord = pVirtualRecord;
  m_nVirtualRecordsCount = pVirtualRecord ? nCount : 0;
  if (m_pVirtualRecord) {
    m_pVirtualRecord->SetReportControl(m_pControl);
    m_pVirtualRecord->m_pRecords = this;
  }
}

void CTKReportRecords::MoveRecords(int nIndex, CTKReportRecords* pRecords) {
  if (!pRecords || !pRecords->m_bArray) return;
  if (nIndex < 0) nIndex = 0;
  if (nIndex > m_arrRecords.GetSize()) nIndex = static_cast<int>(m_arrRecords.GetSize());
  INT_PTR count = pRecords->m_arrRecords.GetSize();
  for (INT_PTR k = 0; k < count; ++k) {
    CTKReportRecord* record = pRecords->m_arrRecords[k];
    if (!record || record->m_pRecords != this) continue;
    int stored = record->m_nIndex;
    if (stored >= 0 && stored < m_arrRecords.GetSize() && m_arrRecords[stored] == record) {
      m_arrRecords.RemoveAt(stored);
      for (INT_PTR later = k + 1; later < count; ++later) {
        CTKReportRecord* other = pRecords->m_arrRecords[later];
        if (other && other->m_pRecords == this && other->m_nIndex > stored) --other->m_nIndex;
      }
      if (stored < nIndex) --nIndex;
    } else {
      for (INT_PTR i = m_arrRecords.GetSize() - 1; i >= 0; --i)
        if (m_arrRecords[i] == record) m_arrRecords.RemoveAt(i);
    }
  }
  if (nIndex > m_arrRecords.GetSize()) nIndex = static_cast<int>(m_arrRecords.GetSize());
  for (INT_PTR k = 0; k < count; ++k) {
    CTKReportRecord* record = pRecords->m_arrRecords[k];
    if (!record || record->m_pRecords != this) continue;
    m_arrRecords.InsertAt(nIndex++, record);
  }
  UpdateIndexes(0);
}

CTKReportRecord* CTKReportRecords::FindRecordByBookmark(const VARIANT& vtBookmark, BOOL bSearchChildren) {
  for (INT_PTR i = 0; i < m_arrRecords.GetSize(); ++i) {
    CTKReportRecord* record = m_arrRecords[i];
    if (!record) continue;
    // Same type and same value: a BSTR bookmark by its text, never as the
    // bytes of its pointer read as a number.
    if (pv::VariantEquals(record->m_vtBookmark, vtBookmark)) return record;
    if (bSearchChildren && record->HasChildren()) {
      if (CTKReportRecord* found = record->GetChilds()->FindRecordByBookmark(vtBookmark, TRUE)) return found;
    }
  }
  return nullptr;
}

namespace {

CString Upper(CString text) {
  text.MakeUpper();
  return text;
}

// Forward test of one caption (steps of the search described above).
bool MatchForward(const CString& caption, const CString& text, int mode, bool prefix) {
  int p = caption.Find(text);
  auto modeTest = [&]() {
    switch (mode) {
      case 0:
        return true;
      case 1:
        return Upper(caption) == Upper(text);
      case 2:
        return caption.Mid(p) == text;
      case 3:
        return caption == text;
      default:
        return false;
    }
  };
  if (prefix) return p == 0 && modeTest();
  if (p == -1) {
    CString upperCaption = Upper(caption), upperText = Upper(text);
    if (upperCaption.Find(upperText) >= 0 && mode == 0) return true;
    return mode == 1 && upperCaption == upperText;
  }
  return modeTest();
}

bool MatchBackward(const CString& caption, const CString& text, int mode) {
  int p = caption.Find(text);
  if (p >= 0) {
    switch (mode) {
      case 4:
        return true;
      case 5:
        return Upper(caption) == Upper(text);
      case 6:
        return caption.Mid(p) == text;
      case 7:
        return caption == text;
      default:
        return false;
    }
  }
  CString upperCaption = Upper(caption), upperText = Upper(text);
  if (upperCaption.Find(upperText) < 0) return false;
  return mode == 4 || (mode == 5 && upperCaption == upperText);
}

}  // namespace

CTKReportRecordItem* CTKReportRecords::FindRecordItem(int nStartIndex, int nEndIndex, int nStartColumn, int nEndColumn,
                                                      int nRecordIndex, int nItem, LPCTSTR pcszText, int nFlags) {
  int count = GetCount();
  if (count <= 0) return nullptr;
  auto clamp = [](int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; };
  int startRow = clamp(nStartIndex, 0, count - 1);
  int endRow = clamp(nEndIndex, startRow, count - 1);
  int startItem = nStartColumn < 0 ? 0 : nStartColumn;
  int endItem = nEndColumn < startItem ? startItem : nEndColumn;
  int fromRow = clamp(nRecordIndex, 0, count - 1);
  int fromItem = clamp(nItem, startItem, endItem);
  bool prefix = (nFlags & 8) != 0;
  int mode = nFlags & ~8;
  CString text(pcszText ? pcszText : u"");
  bool backwards = (mode & 4) != 0;

  auto test = [&](CTKReportRecord* record, int row, int j) -> CTKReportRecordItem* {
    if (row == fromRow && j < fromItem) return nullptr;
    CTKReportRecordItem* item = record->GetItem(j);
    if (!item) return nullptr;
    CString caption = item->GetCaption(nullptr);
    if (caption.IsEmpty()) return nullptr;
    bool match = backwards ? MatchBackward(caption, text, mode) : MatchForward(caption, text, mode, prefix);
    return match ? item : nullptr;
  };

  if (!backwards) {
    for (int row = startRow; row <= endRow; ++row) {
      if (row < fromRow) continue;
      CTKReportRecord* record = GetAt(row);
      if (!record) continue;
      int last = endItem < record->GetItemCount() - 1 ? endItem : record->GetItemCount() - 1;
      for (int j = startItem; j <= last; ++j)
        if (CTKReportRecordItem* item = test(record, row, j)) return item;
    }
  } else {
    for (int row = endRow; row >= startRow; --row) {
      if (row < fromRow) continue;
      CTKReportRecord* record = GetAt(row);
      if (!record) continue;
      int last = endItem < record->GetItemCount() - 1 ? endItem : record->GetItemCount() - 1;
      for (int j = last; j >= startItem; --j)
        if (CTKReportRecordItem* item = test(record, row, j)) return item;
    }
  }
  return nullptr;
}

void CTKReportRecords::DoPropExchange(CTKPropExchange* pPX) {
  pPX->ExchangeSchemaTolerant();
  ExchangeRecords(pPX);
}

namespace {
// Nesting of child collections while loading.
thread_local int t_loadDepth = 0;
struct DepthGuard {
  DepthGuard() { ++t_loadDepth; }
  ~DepthGuard() { --t_loadDepth; }
};
}  // namespace

void CTKReportRecords::ExchangeRecords(CTKPropExchange* pPX) {
  CTKPropExchangeEnumeratorHolder enumerator(pPX->GetEnumerator(u"Record"));
  if (pPX->IsStoring()) {
    POSITION pos = enumerator->GetPosition(static_cast<DWORD>(GetCount()));
    for (int i = 0; pos; ++i) {
      CTKPropExchangeSection section(enumerator->GetNext(pos));
      CTKReportRecord* record = GetAt(i);
      CObject* object = record;
      if (!record) AfxThrowArchiveException(CArchiveException::badClass);
      section->ExchangeObject(&object, RUNTIME_CLASS(CTKReportRecord));
      record->DoPropExchange(section);
    }
    return;
  }
  DepthGuard depth;
  if (t_loadDepth > kMaxLoadDepth) AfxThrowArchiveException(CArchiveException::badIndex);
  RemoveAll();
  POSITION pos = enumerator->GetPosition();
  while (pos) {
    CTKPropExchangeSection section(enumerator->GetNext(pos));
    CObject* object = nullptr;
    if (!section->ExchangeObject(&object, RUNTIME_CLASS(CTKReportRecord)) || !object)
      AfxThrowArchiveException(CArchiveException::badClass);
    auto* record = static_cast<CTKReportRecord*>(object);
    // Known to the collection while it reads (markup context, case
    // sensitivity of its children); held once read.
    record->m_pRecords = this;
    record->SetReportControl(m_pControl);
    try {
      record->DoPropExchange(section);
    } catch (...) {
      record->InternalRelease();
      throw;
    }
    Add(record);
  }
}
