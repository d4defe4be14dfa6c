// CTKReportRecords: an ordered collection of report records. An owning
// collection holds one reference to each record and keeps the records'
// index, control and owner current; a reference list only points at
// records others own. In virtual mode one record stands for every
// position.
#pragma once

#include <unordered_set>

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"
#include "platform/base/variant.h"
#include "toolkit/report/reportrecord.h"

class CTKMarkupContext;

class CTKReportRecords : public CTKHeapObjectT<CCmdTarget, CTKReportDataAllocator> {
  DECLARE_SERIAL(CTKReportRecords)
 public:
  explicit CTKReportRecords(BOOL bReferenceList = FALSE);
  // An owning collection of the record's children.
  explicit CTKReportRecords(CTKReportRecord* pOwnerRecord);
  ~CTKReportRecords() override;

  // The schema, then the records.
  virtual void DoPropExchange(CTKPropExchange* pPX);
  // -1, 0 or 1: code unit order when case-sensitive, else without regard
  // to case.
  virtual int CompareStrings(const CString& str1, const CString& str2) const;
  // Releases the records past the new size (owning collections), then
  // resizes.
  virtual void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1);
  // Nothing for a null record or an index outside the collection.
  virtual void SetAt(INT_PTR nIndex, CTKReportRecord* pRecord);
  virtual void UpdateIndexes(int nStart = 0);
  // The first record (children after their parent when asked) whose
  // bookmark has the same type and value as the given one.
  virtual CTKReportRecord* FindRecordByBookmark(const VARIANT& vtBookmark, BOOL bSearchChildren);
  virtual CTKReportRecordItem* FindRecordItem(int nStartIndex, int nEndIndex, int nStartColumn, int nEndColumn,
                                              int nRecordIndex, int nItem, LPCTSTR pcszText, int nFlags);
  // The enumerator "Record", one section per record with its class.
  virtual void ExchangeRecords(CTKPropExchange* pPX);

  int GetCount() const;
  // In virtual mode the virtual record with its index set to nIndex;
  // otherwise the record, or null outside the collection.
  CTKReportRecord* GetAt(int nIndex) const;
  CTKReportRecord* Add(CTKReportRecord* pRecord);
  void InsertAt(int nIndex, CTKReportRecord* pRecord);
  // Drops the collection's reference; the position, -1 when absent.
  int RemoveRecord(CTKReportRecord* pRecord);
  // RemoveRecord for every record of the set this collection holds, in one
  // pass; answers how many were removed.
  int RemoveRecords(const std::unordered_set<CTKReportRecord*>& records);
  void RemoveAll();
  // Moves the list's records that belong here to nIndex, in list order.
  // Nothing unless pRecords is a reference list.
  void MoveRecords(int nIndex, CTKReportRecords* pRecords);

  BOOL IsCaseSensitive() const { return m_bCaseSensitive; }
  void SetCaseSensitive(BOOL bCaseSensitive) { m_bCaseSensitive = bCaseSensitive; }
  BOOL IsReferenceList() const { return m_bArray; }
  CTKReportRecord* GetOwnerRecord() const { return m_pOwnerRecord; }
  CTKReportControl* GetReportControl() const { return m_pControl; }
  void SetReportControl(CTKReportControl* pControl) { m_pControl = pControl; }
  CTKMarkupContext* GetMarkupContext() const { return m_pMarkupContext; }
  void SetMarkupContext(CTKMarkupContext* pContext) { m_pMarkupContext = pContext; }
  // Virtual mode: the record (the collection takes over the caller's
  // reference; null leaves virtual mode) and the count it stands for.
  void SetVirtualMode(CTKReportRecord* pVirtualRecord, int nCount);
  BOOL IsVirtualMode() const { return m_pVirtualRecord != nullptr; }

  // Records nested deeper than this are refused when loading.
  static constexpr int kMaxLoadDepth = 256;

 public:
  CArray<CTKReportRecord*, CTKReportRecord*> m_arrRecords;
  CTKReportRecord* m_pVirtualRecord = nullptr;
  int m_nVirtualRecordsCount = 0;
  CTKReportControl* m_pControl = nullptr;
  BOOL m_bArray = FALSE;  // a reference list
  BOOL m_bCaseSensitive = TRUE;
  CTKReportRecord* m_pOwnerRecord = nullptr;
  CTKMarkupContext* m_pMarkupContext = nullptr;
};
