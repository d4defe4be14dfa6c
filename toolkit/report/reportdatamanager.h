// CTKReportDataManager binds one report grid to one ADO recordset: a column
// per field, a record of variant items per row (each remembering its row's
// bookmark), write-back of edits, additions and deletions, and the
// recordset's events (through the sink CRstEvent), so that rows other code
// adds, changes or deletes show in the grid. Caught COM errors are kept,
// the newest three at most, for GetLastComError.
//
// Records are found again by bookmark through an index (bookmark to
// record) instead of a walk of every record. It is built at the first
// search, holds a reference on each record it lists and checks an entry is
// still in the grid before trusting it.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/ado/ado.h"
#include "platform/base/cmdtarget.h"
#include "platform/base/cstring.h"

class CTKReportColumn;
class CTKReportControl;
class CTKReportRecord;
class CTKReportRecordItem;
class CTKReportRecords;

struct TK_REPORTDATAMANAGER_COM_ERROR {
  HRESULT hResult = 0;
  CString strMessage;      // the system's text for the code
  CString strDescription;  // the error object's description
};

// What the data manager does to its grid. The report control answers for
// itself; a stand-in may take its place.
class CTKReportDataManagerTarget {
 public:
  virtual ~CTKReportDataManagerTarget() = default;
  // The grid's body records, searched with their children.
  virtual CTKReportRecords* GetRecords() = 0;
  // Removes every column (the clear of the column collection).
  virtual void RemoveAllColumns() = 0;
  // Takes over the caller's reference.
  virtual void AddColumn(CTKReportColumn* pColumn) = 0;
  virtual void ResetContent(BOOL bUpdateControl) = 0;
  // The grid takes its own reference.
  virtual void AddRecord(CTKReportRecord* pRecord) = 0;
  // The record and its row at once (no parent, positions -1 and -1).
  virtual void AddRecordEx(CTKReportRecord* pRecord) = 0;
  // Removes the record from its parent, adjusting the layout.
  virtual void RemoveRecordEx(CTKReportRecord* pRecord) = 0;
  // The record's values changed.
  virtual void UpdateRecord(CTKReportRecord* pRecord, BOOL bUpdateChildren) = 0;
  virtual void RebuildRows() = 0;
};

class CTKReportDataManager : public CCmdTarget {
 public:
  // The report control's own manager (made by GetOrCreateDataManager).
  explicit CTKReportDataManager(CTKReportControl* pReportControl);
  // A manager over any grid; the target is not owned.
  explicit CTKReportDataManager(CTKReportDataManagerTarget* pTarget);
  ~CTKReportDataManager() override;

  // Unbinds the current recordset first, then keeps the new one.
  virtual void SetDataSource(_RecordsetPtr pDataSource);
  virtual _RecordsetPtr GetDataSource();
  // Fills the grid from the recordset and attaches the event sink; TRUE
  // when every step succeeded.
  virtual BOOL DataBind();
  virtual HRESULT CreateColumns();
  virtual HRESULT UpdateReportRecords(_RecordsetPtr pRecordset);
  virtual HRESULT CreateReportRecords(_RecordsetPtr pRecordset, BOOL bAddNow = FALSE);
  virtual HRESULT PrepareDeleteReportRecords(_RecordsetPtr pRecordset);
  virtual void ClearDeleteList();
  virtual HRESULT RemoveReportRecords(_RecordsetPtr pRecordset);
  virtual HRESULT DeleteReportRecords();
  virtual HRESULT UpdateField(CTKReportRecordItem* pItem);
  // The same write named by its record too, as the application's forms call it.
  HRESULT UpdateField(CTKReportRecord* pRecord, CTKReportRecordItem* pItem) { return UpdateRecord(pRecord, pItem); }
  virtual HRESULT UpdateRecord(CTKReportRecord* pRecord, CTKReportRecordItem* pItemChanged);
  // Writes the record as a new row. Added to the grid on success, the
  // record's reference passes to the grid; otherwise the caller keeps it.
  virtual HRESULT AddRecord(CTKReportRecord* pRecord, BOOL bAddToReport);
  virtual HRESULT CreateEmptyRecord(CTKReportRecord** ppRecord);
  virtual HRESULT DeleteRecord(CTKReportRecord* pRecord);
  // Takes the newest entry out of the error list (code 0 and empty texts
  // when it is empty).
  virtual TK_REPORTDATAMANAGER_COM_ERROR GetLastComError();

  CTKReportControl* GetReportControl() const { return m_pReportControl; }
  BOOL IsLocalUpdate() const { return m_bLocalUpdate; }
  // The record whose bookmark has the same type and value, children
  // included; null when none.
  CTKReportRecord* FindRecordByBookmark(const VARIANT& vtBookmark);

  class CRstEvent;

 protected:
  void ResetControl();
  void Unbind();
  void AddComError(const _com_error& e);
  void IndexRecord(CTKReportRecord* pRecord);
  // Drops the record's entry, if the index lists it.
  void UnindexRecord(CTKReportRecord* pRecord);
  void ClearIndex();
  void RebuildIndex();
  // Drops a pending edit or new row, if any, so nothing half-written stays.
  void CancelPendingUpdate();
  // Writes the pending edit or new row. A refusal is kept with the errors and
  // the pending change dropped: S_OK or E_FAIL.
  HRESULT CommitPendingUpdate();

  CTKReportControl* m_pReportControl = nullptr;
  CTKReportDataManagerTarget* m_pTarget = nullptr;
  std::unique_ptr<CTKReportDataManagerTarget> m_pOwnTarget;
  _ConnectionPtr m_pConnection;
  _RecordsetPtr m_pDataSource;
  CRstEvent* m_pRstEvent = nullptr;
  DWORD m_dwRsEventConnectionPoint = 0;
  CTKReportRecords* m_pDeleteRecords = nullptr;
  BOOL m_bLocalUpdate = FALSE;
  std::vector<std::unique_ptr<TK_REPORTDATAMANAGER_COM_ERROR>> m_arrComErrors;

  // Bookmark index: a key made from the bookmark's type and value (numbers
  // by their bits, text by its units); VT_EMPTY when the type has none.
  struct BookmarkKey {
    VARTYPE vt = VT_EMPTY;
    unsigned long long bits = 0;
    std::u16string text;
    bool operator==(const BookmarkKey&) const = default;
  };
  struct BookmarkKeyHash {
    size_t operator()(const BookmarkKey& key) const noexcept {
      size_t hash = static_cast<size_t>((key.bits ^ key.vt) * 0x9E3779B97F4A7C15ull);
      return key.text.empty() ? hash : hash ^ std::hash<std::u16string>()(key.text);
    }
  };
  static BookmarkKey MakeBookmarkKey(const VARIANT& vtBookmark);
  std::unordered_map<BookmarkKey, CTKReportRecord*, BookmarkKeyHash> m_mapBookmarks;
  BOOL m_bIndexBuilt = FALSE;
};

// The recordset event sink: an ADO RecordsetEventsVt whose reference count
// starts at 0 and deletes the sink when it drops from 1 to 0.
class CTKReportDataManager::CRstEvent : public RecordsetEventsVt {
 public:
  explicit CRstEvent(CTKReportDataManager* pDataManager) : m_pDataManager(pDataManager) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP WillChangeField(long cFields, VARIANT Fields, EventStatusEnum* adStatus,
                               _Recordset* pRecordset) override;
  STDMETHODIMP FieldChangeComplete(long cFields, VARIANT Fields, Error* pError, EventStatusEnum* adStatus,
                                   _Recordset* pRecordset) override;
  STDMETHODIMP WillChangeRecord(EventReasonEnum adReason, long cRecords, EventStatusEnum* adStatus,
                                _Recordset* pRecordset) override;
  STDMETHODIMP RecordChangeComplete(EventReasonEnum adReason, long cRecords, Error* pError, EventStatusEnum* adStatus,
                                    _Recordset* pRecordset) override;
  STDMETHODIMP WillChangeRecordset(EventReasonEnum adReason, EventStatusEnum* adStatus,
                                   _Recordset* pRecordset) override;
  STDMETHODIMP RecordsetChangeComplete(EventReasonEnum adReason, Error* pError, EventStatusEnum* adStatus,
                                       _Recordset* pRecordset) override;
  STDMETHODIMP WillMove(EventReasonEnum adReason, EventStatusEnum* adStatus, _Recordset* pRecordset) override;
  STDMETHODIMP MoveComplete(EventReasonEnum adReason, Error* pError, EventStatusEnum* adStatus,
                            _Recordset* pRecordset) override;
  STDMETHODIMP EndOfRecordset(VARIANT_BOOL* fMoreData, EventStatusEnum* adStatus, _Recordset* pRecordset) override;
  STDMETHODIMP FetchProgress(long Progress, long MaxProgress, EventStatusEnum* adStatus,
                             _Recordset* pRecordset) override;
  STDMETHODIMP FetchComplete(Error* pError, EventStatusEnum* adStatus, _Recordset* pRecordset) override;

  // The pending change reasons, newest last.
  const std::vector<EventReasonEnum>& GetPendingReasons() const { return m_arrReasons; }

 private:
  ~CRstEvent() override = default;
  EventReasonEnum PopReason();

  ULONG m_cRef = 0;
  CTKReportDataManager* m_pDataManager;
  std::vector<EventReasonEnum> m_arrReasons;
};
