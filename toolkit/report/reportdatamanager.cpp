#include "toolkit/report/reportdatamanager.h"

#include <cstring>

#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"

namespace {

// Sets the local-update flag for one write-back, whatever its outcome.
class LocalUpdateScope {
 public:
  explicit LocalUpdateScope(BOOL& flag) : m_flag(flag) { m_flag = TRUE; }
  ~LocalUpdateScope() { m_flag = FALSE; }
  LocalUpdateScope(const LocalUpdateScope&) = delete;
  LocalUpdateScope& operator=(const LocalUpdateScope&) = delete;

 private:
  BOOL& m_flag;
};

HRESULT GetFields(_Recordset* pRecordset, FieldsPtr& fields, long& count) {
  count = 0;
  Fields* raw = nullptr;
  HRESULT hr = pRecordset->get_Fields(&raw);
  if (FAILED(hr)) return hr;
  fields.Attach(raw);
  if (!fields) return E_POINTER;
  return fields->get_Count(&count);
}

HRESULT GetField(Fields* pFields, long index, FieldPtr& field) {
  VARIANT vtIndex;
  VariantInit(&vtIndex);
  vtIndex.vt = VT_I4;
  vtIndex.lVal = index;
  Field* raw = nullptr;
  HRESULT hr = pFields->get_Item(vtIndex, &raw);
  if (FAILED(hr)) return hr;
  field.Attach(raw);
  return field ? S_OK : E_POINTER;
}

bool IsWritable(long attributes) { return (attributes & (adFldUpdatable | adFldUnknownUpdatable)) != 0; }

bool IsEmptyBookmark(const VARIANT& bookmark) { return bookmark.vt == VT_EMPTY; }

// The zero value of a field's type, for a record shaped like an empty
// recordset's rows.
COleVariant ZeroValueOf(DataTypeEnum type) {
  COleVariant value;
  switch (type) {
    case adSmallInt:
    case adInteger:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adUnsignedSmallInt:
    case adUnsignedInt:
    case adBigInt:
    case adUnsignedBigInt:
      value.vt = VT_I4;
      value.lVal = 0;
      break;
    case adSingle:
      value.vt = VT_R4;
      value.fltVal = 0;
      break;
    case adDouble:
      value.vt = VT_R8;
      value.dblVal = 0;
      break;
    case adCurrency:
      value.vt = VT_CY;
      value.cyVal.int64 = 0;
      break;
    case adDate:
      value.vt = VT_DATE;
      value.date = 0;
      break;
    case adBoolean:
      value.vt = VT_BOOL;
      value.boolVal = VARIANT_FALSE;
      break;
    default:
      value.vt = VT_BSTR;
      value.bstrVal = nullptr;
      break;
  }
  return value;
}

}  // namespace

// ---- construction ----------------------------------------------------------------------------

CTKReportDataManager::CTKReportDataManager(CTKReportDataManagerTarget* pTarget) : m_pTarget(pTarget) {}

CTKReportDataManager::~CTKReportDataManager() {
  m_arrComErrors.clear();
  if (m_pDeleteRecords) {
    m_pDeleteRecords->RemoveAll();
    m_pDeleteRecords->InternalRelease();
    m_pDeleteRecords = nullptr;
  }
  Unbind();
  ClearIndex();
  m_pConnection = nullptr;
  m_pDataSource = nullptr;
  m_arrComErrors.clear();
}

// ---- errors ----------------------------------------------------------------------------------

void CTKReportDataManager::AddComError(const _com_error& e) {
  std::unique_ptr<TK_REPORTDATAMANAGER_COM_ERROR> entry;
  if (m_arrComErrors.size() >= 3) {
    entry = std::move(m_arrComErrors.back());
    m_arrComErrors.pop_back();
  } else {
    entry = std::make_unique<TK_REPORTDATAMANAGER_COM_ERROR>();
  }
  entry->hResult = e.Error();
  entry->strMessage = e.ErrorMessage();
  _bstr_t description = e.Description();
  const char16_t* text = description;
  entry->strDescription = text ? text : u"";
  m_arrComErrors.push_back(std::move(entry));
}

TK_REPORTDATAMANAGER_COM_ERROR CTKReportDataManager::GetLastComError() {
  TK_REPORTDATAMANAGER_COM_ERROR result;
  if (m_arrComErrors.empty()) return result;
  result = *m_arrComErrors.back();
  m_arrComErrors.pop_back();
  return result;
}

// ---- the bookmark index ---------------------------------------------------------------------

CTKReportDataManager::BookmarkKey CTKReportDataManager::MakeBookmarkKey(const VARIANT& bookmark) {
  BookmarkKey key;
  key.vt = bookmark.vt;
  switch (bookmark.vt) {
    case VT_I1:
    case VT_UI1:
      key.bits = bookmark.bVal;
      break;
    case VT_I2:
    case VT_UI2:
      key.bits = static_cast<unsigned short>(bookmark.iVal);
      break;
    case VT_BOOL:
      key.bits = bookmark.boolVal != 0;
      break;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
      key.bits = static_cast<unsigned int>(bookmark.lVal);
      break;
    case VT_I8:
    case VT_UI8:
    case VT_CY:
      key.bits = static_cast<unsigned long long>(bookmark.llVal);
      break;
    case VT_R4: {
      // Either zero is +0, as the bookmarks compare equal.
      float value = bookmark.fltVal == 0 ? 0.0f : bookmark.fltVal;
      unsigned int bits;
      std::memcpy(&bits, &value, sizeof bits);
      key.bits = bits;
      break;
    }
    case VT_R8:
    case VT_DATE: {
      double value = bookmark.dblVal == 0 ? 0.0 : bookmark.dblVal;
      std::memcpy(&key.bits, &value, sizeof key.bits);
      break;
    }
    case VT_BSTR:
      if (bookmark.bstrVal) key.text.assign(bookmark.bstrVal, SysStringLen(bookmark.bstrVal));
      break;
    default:
      key.vt = VT_EMPTY;  // looked for by a walk
      break;
  }
  return key;
}

void CTKReportDataManager::IndexRecord(CTKReportRecord* pRecord) {
  // Records made before the index exists join it when it is built.
  if (!pRecord || !m_bIndexBuilt) return;
  BookmarkKey key = MakeBookmarkKey(pRecord->GetBookmark());
  if (key.vt == VT_EMPTY) return;
  pRecord->InternalAddRef();
  auto [it, inserted] = m_mapBookmarks.try_emplace(std::move(key), pRecord);
  if (!inserted) {
    it->second->InternalRelease();
    it->second = pRecord;
  }
}

void CTKReportDataManager::UnindexRecord(CTKReportRecord* pRecord) {
  if (!pRecord) return;
  auto it = m_mapBookmarks.find(MakeBookmarkKey(pRecord->GetBookmark()));
  if (it == m_mapBookmarks.end() || it->second != pRecord) return;
  m_mapBookmarks.erase(it);
  pRecord->InternalRelease();
}

void CTKReportDataManager::ClearIndex() {
  for (auto& [key, record] : m_mapBookmarks) record->InternalRelease();
  m_mapBookmarks.clear();
  m_bIndexBuilt = FALSE;
}

void CTKReportDataManager::RebuildIndex() {
  ClearIndex();
  CTKReportRecords* records = m_pTarget ? m_pTarget->GetRecords() : nullptr;
  if (!records || records->IsVirtualMode()) return;
  m_bIndexBuilt = TRUE;
  m_mapBookmarks.reserve(static_cast<size_t>(records->GetCount()));
  // Only the grid's top-level records: a child's collection may go away
  // with its parent, so children are found by a walk.
  for (int i = 0; i < records->GetCount(); ++i) IndexRecord(records->GetAt(i));
}

CTKReportRecord* CTKReportDataManager::FindRecordByBookmark(const VARIANT& vtBookmark) {
  CTKReportRecords* records = m_pTarget ? m_pTarget->GetRecords() : nullptr;
  if (!records || IsEmptyBookmark(vtBookmark)) return nullptr;
  BookmarkKey key = MakeBookmarkKey(vtBookmark);
  if (key.vt != VT_EMPTY && !records->IsVirtualMode()) {
    // An entry counts only while its record is still in the grid, at its
    // place, with this bookmark.
    auto current = [&]() -> CTKReportRecord* {
      auto it = m_mapBookmarks.find(key);
      if (it == m_mapBookmarks.end()) return nullptr;
      CTKReportRecord* record = it->second;
      if (record->GetRecords() != records || records->GetAt(record->GetIndex()) != record) return nullptr;
      return pv::VariantEquals(record->GetBookmark(), vtBookmark) ? record : nullptr;
    };
    // Built on the first search (binding does not pay for it), and again
    // when an entry is missing or stale.
    const bool fresh = !m_bIndexBuilt;
    if (fresh) RebuildIndex();
    if (CTKReportRecord* found = current()) return found;
    if (!fresh) {
      RebuildIndex();
      if (CTKReportRecord* found = current()) return found;
    }
  }
  return records->FindRecordByBookmark(vtBookmark, TRUE);
}

// ---- binding ---------------------------------------------------------------------------------

void CTKReportDataManager::ResetControl() {
  ClearIndex();
  if (m_pDeleteRecords) m_pDeleteRecords->RemoveAll();
  if (!m_pTarget) return;
  m_pTarget->RemoveAllColumns();
  m_pTarget->ResetContent(TRUE);
}

void CTKReportDataManager::Unbind() {
  try {
    if (m_pRstEvent) {
      if (m_pDataSource) {
        IConnectionPointContainerPtr container;
        if (SUCCEEDED(m_pDataSource->QueryInterface(__uuidof(IConnectionPointContainer),
                                                    reinterpret_cast<void**>(&container))) &&
            container) {
          IConnectionPointPtr point;
          if (SUCCEEDED(container->FindConnectionPoint(__uuidof(RecordsetEvents), &point)) && point)
            point->Unadvise(m_dwRsEventConnectionPoint);
        }
      }
      m_pRstEvent->Release();
      m_pRstEvent = nullptr;
      m_dwRsEventConnectionPoint = 0;
    }
    m_pDataSource = nullptr;
  } catch (const _com_error& e) {
    AddComError(e);
  }
}

void CTKReportDataManager::SetDataSource(_RecordsetPtr pDataSource) {
  if (m_pDataSource) Unbind();
  m_pDataSource = pDataSource;
}

_RecordsetPtr CTKReportDataManager::GetDataSource() { return m_pDataSource; }

BOOL CTKReportDataManager::DataBind() {
  if (!m_pDataSource) return FALSE;
  try {
    m_pConnection = nullptr;
    _variant_t connection;
    HRESULT hr = m_pDataSource->get_ActiveConnection(&connection);
    if (SUCCEEDED(hr) && connection.vt != VT_EMPTY && connection.vt != VT_NULL) {
      IUnknown* unknown = (connection.vt == VT_DISPATCH || connection.vt == VT_UNKNOWN) ? connection.punkVal : nullptr;
      HRESULT qi = unknown ? unknown->QueryInterface(__uuidof(_Connection), reinterpret_cast<void**>(&m_pConnection))
                           : E_NOINTERFACE;
      if (FAILED(qi) && qi != E_NOINTERFACE) _com_issue_error(qi);
    }

    // A sink left by an earlier bind would deliver every event twice.
    if (m_pRstEvent) {
      _RecordsetPtr keep = m_pDataSource;
      Unbind();
      m_pDataSource = keep;
    }

    ResetControl();
    if (FAILED(CreateColumns())) return FALSE;
    if (FAILED(CreateReportRecords(m_pDataSource, FALSE))) return FALSE;
    if (m_pTarget) m_pTarget->RebuildRows();

    auto* sink = new CRstEvent(this);
    IUnknown* sinkUnknown = nullptr;
    hr = sink->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&sinkUnknown));
    if (FAILED(hr)) {
      sink->AddRef();
      sink->Release();  // frees the uncounted sink
      return FALSE;
    }
    m_pRstEvent = sink;
    IConnectionPointContainerPtr container;
    hr = m_pDataSource->QueryInterface(__uuidof(IConnectionPointContainer), reinterpret_cast<void**>(&container));
    if (FAILED(hr) || !container) return FALSE;
    IConnectionPointPtr point;
    hr = container->FindConnectionPoint(__uuidof(RecordsetEvents), &point);
    container = nullptr;
    if (SUCCEEDED(hr) && point) hr = point->Advise(sinkUnknown, &m_dwRsEventConnectionPoint);
    return SUCCEEDED(hr);
  } catch (const _com_error& e) {
    AddComError(e);
    return FALSE;
  } catch (...) {
    return FALSE;
  }
}

HRESULT CTKReportDataManager::CreateColumns() {
  if (!m_pDataSource) return E_FAIL;
  HRESULT hr = S_OK;
  try {
    FieldsPtr fields;
    long count = 0;
    hr = GetFields(m_pDataSource, fields, count);
    if (FAILED(hr) || count == 0) return hr;
    for (long i = 0; i < count; ++i) {
      FieldPtr field;
      hr = GetField(fields, i, field);
      if (FAILED(hr)) break;
      BSTR name = nullptr;
      hr = field->get_Name(&name);
      if (FAILED(hr)) break;
      _bstr_t caption(name, false);
      const char16_t* text = caption;
      auto* column = new CTKReportColumn(static_cast<int>(i), text ? text : u"", 100, TRUE, -1, TRUE, TRUE);
      if (m_pTarget) m_pTarget->AddColumn(column);
      else column->InternalRelease();
    }
  } catch (const _com_error& e) {
    AddComError(e);
    if (!FAILED(hr)) hr = E_FAIL;
  } catch (...) {
    hr = E_FAIL;
  }
  return hr;
}

HRESULT CTKReportDataManager::CreateReportRecords(_RecordsetPtr pRecordset, BOOL bAddNow) {
  if (!pRecordset) return E_FAIL;
  HRESULT hr = S_OK;
  CTKReportRecord* record = nullptr;
  try {
    FieldsPtr fields;
    long count = 0;
    hr = GetFields(pRecordset, fields, count);
    if (FAILED(hr)) return hr;
    if (count == 0) return S_OK;
    long rows = 0;
    hr = pRecordset->get_RecordCount(&rows);
    if (FAILED(hr)) return hr;
    // -1 means the count is not known: the walk to the end tells.
    if (rows == 0) return E_FAIL;
    pRecordset->MoveFirst();
    if (rows < 0 && pRecordset->GetadoEOF()) return E_FAIL;
    // The field objects follow the current row: looked up once.
    std::vector<FieldPtr> fieldList(static_cast<size_t>(count));
    long found = 0;
    while (found < count && SUCCEEDED(GetField(fields, found, fieldList[static_cast<size_t>(found)]))) ++found;
    while (!pRecordset->GetadoEOF()) {
      record = new CTKReportRecord;
      for (long i = 0; i < found; ++i) {
        auto* item = new CTKReportRecordItemVariant;
        // Read straight into the item's value: no copy of the text.
        if (FAILED(fieldList[static_cast<size_t>(i)]->get_Value(&item->m_oleValue))) {
          item->InternalRelease();
          break;
        }
        record->AddItem(item);
      }
      _variant_t bookmark;
      hr = pRecordset->get_Bookmark(&bookmark);
      if (FAILED(hr)) break;
      record->SetBookmark(bookmark);
      if (m_pTarget) {
        if (bAddNow) m_pTarget->AddRecordEx(record);
        else m_pTarget->AddRecord(record);
        IndexRecord(record);
      }
      record->InternalRelease();
      record = nullptr;
      pRecordset->MoveNext();
    }
  } catch (const _com_error& e) {
    AddComError(e);
    if (!FAILED(hr)) hr = E_FAIL;
  } catch (...) {
    hr = E_FAIL;
  }
  if (record) record->InternalRelease();
  return hr;
}

HRESULT CTKReportDataManager::UpdateReportRecords(_RecordsetPtr pRecordset) {
  if (!pRecordset || !m_pTarget || !m_pTarget->GetRecords()) return E_FAIL;
  HRESULT hr = S_OK;
  try {
    FieldsPtr fields;
    long count = 0;
    hr = GetFields(pRecordset, fields, count);
    if (FAILED(hr)) return hr;
    long rows = 0;
    hr = pRecordset->get_RecordCount(&rows);
    if (FAILED(hr)) return hr;
    if (rows == 0) return E_FAIL;
    pRecordset->MoveFirst();
    while (!pRecordset->GetadoEOF()) {
      _variant_t bookmark;
      hr = pRecordset->get_Bookmark(&bookmark);
      if (FAILED(hr)) break;
      if (CTKReportRecord* record = FindRecordByBookmark(bookmark)) {
        for (long i = 0; i < count; ++i) {
          auto* item = dynamic_cast<CTKReportRecordItemVariant*>(record->GetItem(static_cast<int>(i)));
          if (!item) break;
          FieldPtr field;
          _variant_t value;
          if (FAILED(GetField(fields, i, field)) || FAILED(field->get_Value(&value))) break;
          item->SetValue(value);
        }
        m_pTarget->UpdateRecord(record, TRUE);
      }
      pRecordset->MoveNext();
    }
  } catch (const _com_error& e) {
    AddComError(e);
    if (!FAILED(hr)) hr = E_FAIL;
  } catch (...) {
    hr = E_FAIL;
  }
  return hr;
}

HRESULT CTKReportDataManager::PrepareDeleteReportRecords(_RecordsetPtr pRecordset) {
  if (m_pDeleteRecords) m_pDeleteRecords->RemoveAll();
  else m_pDeleteRecords = new CTKReportRecords(TRUE);
  if (!pRecordset || !m_pTarget || !m_pTarget->GetRecords()) return E_FAIL;
  HRESULT hr = S_OK;
  try {
    long rows = 0;
    hr = pRecordset->get_RecordCount(&rows);
    if (FAILED(hr)) return hr;
    if (rows == 0) return E_FAIL;
    pRecordset->MoveFirst();
    while (!pRecordset->GetadoEOF()) {
      _variant_t bookmark;
      hr = pRecordset->get_Bookmark(&bookmark);
      if (FAILED(hr)) break;
      if (CTKReportRecord* record = FindRecordByBookmark(bookmark)) m_pDeleteRecords->Add(record);
      pRecordset->MoveNext();
    }
  } catch (const _com_error& e) {
    AddComError(e);
    if (!FAILED(hr)) hr = E_FAIL;
  } catch (...) {
    hr = E_FAIL;
  }
  return hr;
}

void CTKReportDataManager::ClearDeleteList() {
  if (m_pDeleteRecords) m_pDeleteRecords->RemoveAll();
}

HRESULT CTKReportDataManager::DeleteReportRecords() {
  if (!m_pDeleteRecords) return E_FAIL;
  for (int i = 0; i < m_pDeleteRecords->GetCount(); ++i) {
    CTKReportRecord* record = m_pDeleteRecords->GetAt(i);
    if (!record || !m_pTarget) continue;
    record->InternalAddRef();  // alive until its index entry is gone too
    m_pTarget->RemoveRecordEx(record);
    UnindexRecord(record);
    record->InternalRelease();
  }
  m_pDeleteRecords->RemoveAll();
  return S_OK;
}

HRESULT CTKReportDataManager::RemoveReportRecords(_RecordsetPtr pRecordset) {
  if (!pRecordset || !m_pTarget || !m_pTarget->GetRecords()) return E_FAIL;
  HRESULT hr = S_OK;
  try {
    long rows = 0;
    hr = pRecordset->get_RecordCount(&rows);
    if (FAILED(hr)) return hr;
    if (rows == 0) return E_FAIL;
    pRecordset->MoveFirst();
    while (!pRecordset->GetadoEOF()) {
      _variant_t bookmark;
      hr = pRecordset->get_Bookmark(&bookmark);
      if (FAILED(hr)) break;
      if (CTKReportRecord* record = FindRecordByBookmark(bookmark)) {
        record->InternalAddRef();  // alive until its index entry is gone too
        m_pTarget->RemoveRecordEx(record);
        UnindexRecord(record);
        record->InternalRelease();
      }
      pRecordset->MoveNext();
    }
  } catch (const _com_error& e) {
    AddComError(e);
    if (!FAILED(hr)) hr = E_FAIL;
  } catch (...) {
    hr = E_FAIL;
  }
  return hr;
}

// ---- write-back ------------------------------------------------------------------------------

void CTKReportDataManager::CancelPendingUpdate() {
  if (!m_pDataSource) return;
  EditModeEnum mode = adEditNone;
  if (FAILED(m_pDataSource->get_EditMode(&mode)) || mode != adEditNone) m_pDataSource->raw_CancelUpdate();
}

HRESULT CTKReportDataManager::CommitPendingUpdate() {
  try {
    m_pDataSource->Update();
  } catch (const _com_error& e) {
    AddComError(e);
    CancelPendingUpdate();
    return E_FAIL;
  }
  return S_OK;
}

HRESULT CTKReportDataManager::UpdateField(CTKReportRecordItem* pItem) {
  LocalUpdateScope local(m_bLocalUpdate);
  CTKReportRecord* record = pItem ? pItem->GetRecord() : nullptr;
  if (!record || IsEmptyBookmark(record->GetBookmark()) || !m_pDataSource) return E_FAIL;
  HRESULT hr = S_OK;
  try {
    hr = m_pDataSource->put_Bookmark(record->GetBookmark());
    if (FAILED(hr)) return hr;
    FieldsPtr fields;
    long count = 0;
    hr = GetFields(m_pDataSource, fields, count);
    if (FAILED(hr)) return hr;
    int index = record->IndexOf(pItem);
    if (index < 0 || index >= count) return E_FAIL;
    FieldPtr field;
    hr = GetField(fields, index, field);
    if (FAILED(hr)) return hr;
    long attributes = 0;
    DataTypeEnum type = adEmpty;
    if (FAILED(hr = field->get_Attributes(&attributes)) || FAILED(hr = field->get_Type(&type))) return hr;
    auto* variantItem = dynamic_cast<CTKReportRecordItemVariant*>(pItem);
    if (!IsWritable(attributes) || type == adLongVarBinary || !variantItem) return E_FAIL;
    hr = field->put_Value(variantItem->GetValue());
    if (FAILED(hr)) {
      CancelPendingUpdate();
      return hr;
    }
    return CommitPendingUpdate();
  } catch (const _com_error& e) {
    AddComError(e);
    CancelPendingUpdate();
    return FAILED(hr) ? hr : E_FAIL;
  } catch (...) {
    CancelPendingUpdate();
    return E_FAIL;
  }
}

HRESULT CTKReportDataManager::UpdateRecord(CTKReportRecord* pRecord, CTKReportRecordItem* pItemChanged) {
  LocalUpdateScope local(m_bLocalUpdate);
  if (!pRecord || IsEmptyBookmark(pRecord->GetBookmark()) || !m_pDataSource) return E_FAIL;
  HRESULT hr = S_OK;
  try {
    hr = m_pDataSource->put_Bookmark(pRecord->GetBookmark());
    if (FAILED(hr)) return hr;
    FieldsPtr fields;
    long count = 0;
    hr = GetFields(m_pDataSource, fields, count);
    if (FAILED(hr)) return hr;
    if (count == 0) return E_FAIL;
    bool stoppedEarly = false;
    HRESULT firstFailure = S_OK;
    for (long i = 0; i < count; ++i) {
      FieldPtr field;
      long attributes = 0;
      DataTypeEnum type = adEmpty;
      if (FAILED(hr = GetField(fields, i, field)) || FAILED(hr = field->get_Attributes(&attributes)) ||
          FAILED(hr = field->get_Type(&type))) {
        stoppedEarly = true;
        break;
      }
      if (!IsWritable(attributes) || type == adLongVarBinary) continue;
      CTKReportRecordItem* item = pRecord->GetItem(static_cast<int>(i));
      if (!item) {
        stoppedEarly = true;
        break;
      }
      if (pItemChanged && pItemChanged != item) continue;
      auto* variantItem = dynamic_cast<CTKReportRecordItemVariant*>(item);
      hr = variantItem ? field->put_Value(variantItem->GetValue()) : E_INVALIDARG;
      // Every put must succeed: a row with some of its values is not
      // written.
      if (FAILED(hr) && SUCCEEDED(firstFailure)) firstFailure = hr;
    }
    if (stoppedEarly || FAILED(firstFailure)) {
      CancelPendingUpdate();
      if (FAILED(firstFailure)) return firstFailure;
      return FAILED(hr) ? hr : E_FAIL;
    }
    return CommitPendingUpdate();
  } catch (const _com_error& e) {
    AddComError(e);
    CancelPendingUpdate();
    return FAILED(hr) ? hr : E_FAIL;
  } catch (...) {
    CancelPendingUpdate();
    return E_FAIL;
  }
}

HRESULT CTKReportDataManager::AddRecord(CTKReportRecord* pRecord, BOOL bAddToReport) {
  LocalUpdateScope local(m_bLocalUpdate);
  if (!pRecord || !m_pDataSource) return E_FAIL;
  HRESULT hr = m_pDataSource->raw_AddNew(vtMissing, vtMissing);
  if (FAILED(hr)) return hr;
  // From here on every failure drops the pending new row.
  try {
    FieldsPtr fields;
    long count = 0;
    hr = GetFields(m_pDataSource, fields, count);
    if (FAILED(hr)) {
      CancelPendingUpdate();
      return hr;
    }
    for (long i = 0; i < count; ++i) {
      FieldPtr field;
      long attributes = 0;
      if (FAILED(hr = GetField(fields, i, field)) || FAILED(hr = field->get_Attributes(&attributes))) break;
      if (!IsWritable(attributes)) continue;
      auto* item = pRecord->GetItem(static_cast<int>(i));
      if (!item) {
        hr = E_FAIL;
        break;
      }
      auto* variantItem = dynamic_cast<CTKReportRecordItemVariant*>(item);
      hr = variantItem ? field->put_Value(variantItem->GetValue()) : E_INVALIDARG;
      if (FAILED(hr)) break;
    }
    if (FAILED(hr)) {
      CancelPendingUpdate();
      return hr;
    }
    _variant_t bookmark;
    hr = m_pDataSource->get_Bookmark(&bookmark);
    if (FAILED(hr)) {
      CancelPendingUpdate();
      return hr;
    }
    pRecord->SetBookmark(bookmark);
    if (FAILED(CommitPendingUpdate())) {
      pRecord->SetBookmark(COleVariant());
      return E_FAIL;
    }
  } catch (const _com_error& e) {
    AddComError(e);
    CancelPendingUpdate();
    pRecord->SetBookmark(COleVariant());
    return FAILED(hr) ? hr : E_FAIL;
  } catch (...) {
    CancelPendingUpdate();
    pRecord->SetBookmark(COleVariant());
    return E_FAIL;
  }
  if (bAddToReport && m_pTarget) {
    m_pTarget->AddRecordEx(pRecord);
    IndexRecord(pRecord);
    // The grid took its own reference: the caller's is handed over to it.
    pRecord->InternalRelease();
  }
  return S_OK;
}

HRESULT CTKReportDataManager::CreateEmptyRecord(CTKReportRecord** ppRecord) {
  if (!m_pDataSource || !ppRecord) return E_FAIL;
  auto* record = new CTKReportRecord;
  HRESULT hr = S_OK;
  bool complete = false;
  try {
    FieldsPtr fields;
    long count = 0;
    long rows = 0;
    if (SUCCEEDED(hr = GetFields(m_pDataSource, fields, count)) &&
        SUCCEEDED(hr = m_pDataSource->get_RecordCount(&rows))) {
      bool fromRow = rows != 0;
      if (rows > 0) {
        m_pDataSource->MoveFirst();
        if (m_pDataSource->GetadoEOF()) hr = E_FAIL;
      } else if (rows < 0) {
        // An unknown count: the first row when there is one, else zeros.
        m_pDataSource->MoveFirst();
        fromRow = !m_pDataSource->GetadoEOF();
      }
      long made = 0;
      for (long i = 0; SUCCEEDED(hr) && i < count; ++i) {
        FieldPtr field;
        if (FAILED(hr = GetField(fields, i, field))) break;
        COleVariant value;
        if (fromRow) {
          _variant_t current;
          if (FAILED(hr = field->get_Value(&current))) break;
          value = current;
        } else {
          DataTypeEnum type = adEmpty;
          if (FAILED(hr = field->get_Type(&type))) break;
          value = ZeroValueOf(type);
        }
        record->AddItem(new CTKReportRecordItemVariant(value));
        ++made;
      }
      complete = SUCCEEDED(hr) && made == count;
    }
  } catch (const _com_error& e) {
    AddComError(e);
    if (!FAILED(hr)) hr = E_FAIL;
  } catch (...) {
    hr = E_FAIL;
  }
  if (!complete) {
    record->InternalRelease();
    return FAILED(hr) ? hr : E_FAIL;
  }
  *ppRecord = record;
  return S_OK;
}

HRESULT CTKReportDataManager::DeleteRecord(CTKReportRecord* pRecord) {
  if (!pRecord || IsEmptyBookmark(pRecord->GetBookmark()) || !m_pDataSource) return E_FAIL;
  HRESULT hr = m_pDataSource->put_Bookmark(pRecord->GetBookmark());
  if (FAILED(hr)) return hr;
  try {
    // Not a local update: the recordset's delete events remove the record
    // from the grid through the sink.
    m_pDataSource->Delete(adAffectCurrent);
  } catch (const _com_error& e) {
    AddComError(e);
    CancelPendingUpdate();
    return E_FAIL;
  } catch (...) {
    CancelPendingUpdate();
    return E_FAIL;
  }
  return S_OK;
}

// ---- the event sink --------------------------------------------------------------------------

STDMETHODIMP CTKReportDataManager::CRstEvent::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == __uuidof(RecordsetEventsVt)) {
    *ppv = static_cast<RecordsetEventsVt*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CTKReportDataManager::CRstEvent::Release() {
  ULONG count = --m_cRef;
  if (count == 0) delete this;
  return count;
}

EventReasonEnum CTKReportDataManager::CRstEvent::PopReason() {
  if (m_arrReasons.empty()) return static_cast<EventReasonEnum>(0);
  EventReasonEnum reason = m_arrReasons.back();
  m_arrReasons.pop_back();
  return reason;
}

STDMETHODIMP CTKReportDataManager::CRstEvent::WillChangeField(long, VARIANT, EventStatusEnum* adStatus, _Recordset*) {
  if (adStatus) *adStatus = adStatusUnwantedEvent;
  return S_OK;
}

STDMETHODIMP CTKReportDataManager::CRstEvent::FieldChangeComplete(long, VARIANT, Error*, EventStatusEnum* adStatus,
                                                                  _Recordset*) {
  if (adStatus) *adStatus = adStatusUnwantedEvent;
  return S_OK;
}

STDMETHODIMP CTKReportDataManager::CRstEvent::WillChangeRecord(EventReasonEnum adReason, long, EventStatusEnum*,
                                                               _Recordset* pRecordset) {
  if (m_pDataManager->IsLocalUpdate()) return S_OK;
  switch (adReason) {
    case adRsnDelete:
      m_arrReasons.push_back(adReason);
      m_pDataManager->PrepareDeleteReportRecords(pRecordset);
      break;
    case adRsnUpdate:
    case adRsnResynch:
      break;
    case adRsnUndoAddNew:
    case adRsnUndoUpdate: {
      // The change being undone will never complete: forget its reason,
      // or a later update would act on it.
      EventReasonEnum undone = adReason == adRsnUndoAddNew ? adRsnAddNew : adRsnFirstChange;
      if (!m_arrReasons.empty() && m_arrReasons.back() == undone) m_arrReasons.pop_back();
      break;
    }
    default:
      m_arrReasons.push_back(adReason);
      break;
  }
  return S_OK;
}

STDMETHODIMP CTKReportDataManager::CRstEvent::RecordChangeComplete(EventReasonEnum adReason, long, Error*,
                                                                   EventStatusEnum* adStatus, _Recordset* pRecordset) {
  // The manager's own writes pushed nothing, so they pop nothing either.
  if (m_pDataManager->IsLocalUpdate()) return S_OK;
  if (adStatus && *adStatus == adStatusErrorsOccurred) {
    PopReason();
    return S_OK;
  }
  if (adReason == adRsnUpdate) {
    switch (PopReason()) {
      case adRsnAddNew:
        m_pDataManager->CreateReportRecords(pRecordset, TRUE);
        break;
      case adRsnDelete:
        m_pDataManager->DeleteReportRecords();
        break;
      // An edit of an existing row starts with its first change.
      case adRsnUpdate:
      case adRsnFirstChange:
        m_pDataManager->UpdateReportRecords(pRecordset);
        break;
      case adRsnUndoDelete:
        m_pDataManager->ClearDeleteList();
        break;
      default:
        break;
    }
  } else if (adReason == adRsnResynch) {
    m_pDataManager->UpdateReportRecords(pRecordset);
  }
  return S_OK;
}

STDMETHODIMP CTKReportDataManager::CRstEvent::WillChangeRecordset(EventReasonEnum, EventStatusEnum* adStatus,
                                                                  _Recordset*) {
  if (adStatus) *adStatus = adStatusUnwantedEvent;
  return S_OK;
}

STDMETHODIMP CTKReportDataManager::CRstEvent::RecordsetChangeComplete(EventReasonEnum adReason, Error*,
                                                                      EventStatusEnum*, _Recordset*) {
  if (adReason == adRsnClose) m_pDataManager->ResetControl();
  return S_OK;
}

STDMETHODIMP CTKReportDataManager::CRstEvent::WillMove(EventReasonEnum, EventStatusEnum* adStatus, _Recordset*) {
  if (adStatus) *adStatus = adStatusUnwantedEvent;
  return S_OK;
}

STDMETHODIMP CTKReportDataManager::CRstEvent::MoveComplete(EventReasonEnum, Error*, EventStatusEnum* adStatus,
                                                           _Recordset*) {
  if (adStatus) *adStatus = adStatusUnwantedEvent;
  return S_OK;
}

STDMETHODIMP CTKReportDataManager::CRstEvent::EndOfRecordset(VARIANT_BOOL*, EventStatusEnum* adStatus, _Recordset*) {
  if (adStatus) *adStatus = adStatusUnwantedEvent;
  return S_OK;
}

STDMETHODIMP CTKReportDataManager::CRstEvent::FetchProgress(long, long, EventStatusEnum* adStatus, _Recordset*) {
  if (adStatus) *adStatus = adStatusUnwantedEvent;
  return S_OK;
}

STDMETHODIMP CTKReportDataManager::CRstEvent::FetchComplete(Error*, EventStatusEnum* adStatus, _Recordset*) {
  if (adStatus) *adStatus = adStatusUnwantedEvent;
  return S_OK;
}
