// A data row of the report grid: its items by index, an optional preview
// item shown under the row, and optional child records that make the data
// a tree.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"
#include "platform/base/variant.h"
#include "toolkit/report/reportrecorditem.h"

class CTKMarkupContext;
class CTKReportRecordItemPreview;

class CTKReportRecord : public CTKHeapObjectT<CCmdTarget, CTKReportDataAllocator> {
  DECLARE_SERIAL(CTKReportRecord)
 public:
  CTKReportRecord();
  ~CTKReportRecord() override;

  // An extension point called before the item's own metrics; does nothing.
  virtual void GetItemMetrics(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pItemMetrics);
  // How edited text reaches a derived record; answers TRUE.
  virtual BOOL UpdateRecordField(int nRowIndex, int nItemIndex, LPCTSTR lpszText);
  virtual void SetExpanded(BOOL bExpanded) { m_bExpanded = bExpanded; }
  // TRUE filters the record out when rows are built.
  virtual BOOL IsFiltered() { return FALSE; }
  virtual void DoPropExchange(CTKPropExchange* pPX);

  // Appends the item, taking over the caller's reference; answers it.
  CTKReportRecordItem* AddItem(CTKReportRecordItem* pItem);
  // The item at the column's item index, null outside the items.
  CTKReportRecordItem* GetItem(CTKReportColumn* pColumn) const;
  CTKReportRecordItem* GetItem(int nIndex) const;
  int GetItemCount() const { return static_cast<int>(m_arrItems.GetSize()); }
  int IndexOf(const CTKReportRecordItem* pItem) const;
  // Releases the items (last first) and the preview item.
  void RemoveAll();

  CTKReportRecordItemPreview* GetItemPreview() const { return m_pPreviewItem; }
  CTKReportRecordItemPreview* GetPreviewItem() const { return m_pPreviewItem; }
  // Replaces the preview item, taking over the caller's reference.
  void SetPreviewItem(CTKReportRecordItemPreview* pPreviewItem);

  BOOL HasChildren() const;
  // Created on first use; follows the owner collection's case sensitivity.
  CTKReportRecords* GetChilds();
  CTKReportRecords* GetChildren() { return GetChilds(); }
  // The owner collection's owner record, null at the top.
  CTKReportRecord* GetParentRecord() const;
  CTKReportRecords* GetRecords() const { return m_pRecords; }
  // The first markup context on the way up through the owner collections.
  CTKMarkupContext* GetMarkupContext() const;

  // One reference on this record and every descendant; TreeRelease drops
  // them, children first.
  void TreeAddRef();
  void TreeRelease();

  BOOL IsEditable() const { return m_bEditable; }
  void SetEditable(BOOL bEditable = TRUE) { m_bEditable = bEditable; }
  BOOL IsVisible() const { return m_bVisible; }
  void SetVisible(BOOL bVisible) { m_bVisible = bVisible; }
  BOOL IsLocked() const { return m_bLocked; }
  void SetLocked(BOOL bLocked) { m_bLocked = bLocked; }
  BOOL IsExpanded() const { return m_bExpanded; }
  BOOL IsSelected() const { return m_bSelected; }
  void SetSelected(BOOL bSelected) { m_bSelected = bSelected; }
  int GetRowHeight() const { return m_nRowHeight; }
  void SetRowHeight(int nHeight) { m_nRowHeight = nHeight; }
  int GetIndex() const { return m_nIndex; }
  CTKReportControl* GetReportControl() const { return m_pControl; }
  void SetReportControl(CTKReportControl* pControl);
  const VARIANT& GetBookmark() const { return m_vtBookmark; }
  void SetBookmark(const VARIANT& vtBookmark) { m_vtBookmark = vtBookmark; }

 public:
  CArray<CTKReportRecordItem*, CTKReportRecordItem*> m_arrItems;
  CTKReportRecordItemPreview* m_pPreviewItem = nullptr;
  CTKReportControl* m_pControl = nullptr;
  CTKReportRecords* m_pRecords = nullptr;
  CTKReportRecords* m_pChildren = nullptr;
  BOOL m_bExpanded = FALSE;
  BOOL m_bEditable = TRUE;
  BOOL m_bVisible = TRUE;
  BOOL m_bLocked = FALSE;
  BOOL m_bSelected = FALSE;
  int m_nRowHeight = 0;
  int m_nIndex = -1;
  COleVariant m_vtBookmark;
};
