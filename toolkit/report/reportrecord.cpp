#include "toolkit/report/reportrecord.h"

#include "platform/base/exceptions.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/common/propexchangeschema.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"

IMPLEMENT_SERIAL(CTKReportRecord, CCmdTarget, VERSIONABLE_SCHEMA | kTKSchemaCurrent)

CTKReportRecord::CTKReportRecord() = default;

CTKReportRecord::~CTKReportRecord() {
  RemoveAll();
  TKReleaseHeld(m_pChildren);
}

void CTKReportRecord::GetItemMetrics(TK_REPORTRECORDITEM_DRAWARGS*, TK_REPORTRECORDITEM_METRICS*) {}

BOOL CTKReportRecord::UpdateRecordField(int, int, LPCTSTR) { return TRUE; }

CTKReportRecordItem* CTKReportRecord::AddItem(CTKReportRecordItem* pItem) {
  if (!pItem) return nullptr;
  m_arrItems.Add(pItem);
  pItem->m_pRecord = this;
  pItem->m_pControl = m_pControl;
  return pItem;
}

CTKReportRecordItem* CTKReportRecord::GetItem(CTKReportColumn* pColumn) const {
  return pColumn ? GetItem(pColumn->GetItemIndex()) : nullptr;
}

CTKReportRecordItem* CTKReportRecord::GetItem(int nIndex) const {
  if (nIndex < 0 || nIndex >= m_arrItems.GetSize()) return nullptr;
  return m_arrItems[nIndex];
}

int CTKReportRecord::IndexOf(const CTKReportRecordItem* pItem) const {
  for (INT_PTR i = 0; i < m_arrItems.GetSize(); ++i)
    if (m_arrItems[i] == pItem) return static_cast<int>(i);
  return -1;
}

void CTKReportRecord::RemoveAll() {
  for (INT_PTR i = m_arrItems.GetSize() - 1; i >= 0; --i) {
    if (m_arrItems[i]) m_arrItems[i]->InternalRelease();
  }
  m_arrItems.RemoveAll();
  TKReleaseHeld(m_pPreviewItem);
}

void CTKReportRecord::SetPreviewItem(CTKReportRecordItemPreview* pPreviewItem) {
  if (pPreviewItem == m_pPreviewItem) return;
  TKReleaseHeld(m_pPreviewItem);
  m_pPreviewItem = pPreviewItem;
  if (m_pPreviewItem) {
    m_pPreviewItem->m_pRecord = this;
    m_pPreviewItem->m_pControl = m_pControl;
  }
}

BOOL CTKReportRecord::HasChildren() const { return m_pChildren && m_pChildren->GetCount() > 0; }

CTKReportRecords* CTKReportRecord::GetChilds() {
  if (!m_pChildren) {
    m_pChildren = new CTKReportRecords(this);
    m_pChildren->SetReportControl(m_pControl);
  }
  if (m_pRecords) m_pChildren->SetCaseSensitive(m_pRecords->IsCaseSensitive());
  return m_pChildren;
}

CTKReportRecord* CTKReportRecord::GetParentRecord() const {
  return m_pRecords ? m_pRecords->GetOwnerRecord() : nullptr;
}

CTKMarkupContext* CTKReportRecord::GetMarkupContext() const {
  // Bounded by the depth a tree can have; a cycle (a caller error) ends.
  int guard = 0;
  for (CTKReportRecords* records = m_pRecords; records && guard < 100000; ++guard) {
    if (records->GetMarkupContext()) return records->GetMarkupContext();
    CTKReportRecord* owner = records->GetOwnerRecord();
    records = owner ? owner->m_pRecords : nullptr;
  }
  return nullptr;
}

void CTKReportRecord::TreeAddRef() {
  InternalAddRef();
  if (m_pChildren) {
    for (int i = 0; i < m_pChildren->GetCount(); ++i) {
      if (CTKReportRecord* child = m_pChildren->GetAt(i)) child->TreeAddRef();
    }
  }
}

void CTKReportRecord::TreeRelease() {
  if (m_pChildren) {
    for (int i = 0; i < m_pChildren->GetCount(); ++i) {
      if (CTKReportRecord* child = m_pChildren->GetAt(i)) child->TreeRelease();
    }
  }
  InternalRelease();
}

void CTKReportRecord::SetReportControl(CTKReportControl* pControl) {
  m_pControl = pControl;
  for (INT_PTR i = 0; i < m_arrItems.GetSize(); ++i)
    if (m_arrItems[i]) m_arrItems[i]->m_pControl = pControl;
  if (m_pPreviewItem) m_pPreviewItem->m_pControl = pControl;
}

namespace {
// Makes the object the section names, of the required class, or raises the
// archive error for a bad class.
template <class T>
T* CreateFromSection(CTKPropExchange* section, CRuntimeClass* required) {
  CObject* object = nullptr;
  if (!section->ExchangeObject(&object, required) || !object) AfxThrowArchiveException(CArchiveException::badClass);
  return static_cast<T*>(object);
}
}  // namespace

void CTKReportRecord::DoPropExchange(CTKPropExchange* pPX) {
  PropExchangeBool(pPX, u"Locked", &m_bLocked);
  PropExchangeBool(pPX, u"Editable", &m_bEditable);
  BOOL preview = m_pPreviewItem != nullptr;
  PropExchangeBool(pPX, u"Preview", &preview);

  {
    CTKPropExchangeEnumeratorHolder enumerator(pPX->GetEnumerator(u"Item"));
    if (pPX->IsStoring()) {
      POSITION pos = enumerator->GetPosition(static_cast<DWORD>(m_arrItems.GetSize()));
      for (INT_PTR i = 0; pos; ++i) {
        CTKPropExchangeSection section(enumerator->GetNext(pos));
        CObject* object = m_arrItems[i];
        if (!object) AfxThrowArchiveException(CArchiveException::badClass);
        section->ExchangeObject(&object, RUNTIME_CLASS(CTKReportRecordItem));
        m_arrItems[i]->DoPropExchange(section);
      }
    } else {
      RemoveAll();
      POSITION pos = enumerator->GetPosition();
      while (pos) {
        CTKPropExchangeSection section(enumerator->GetNext(pos));
        auto* item = CreateFromSection<CTKReportRecordItem>(section, RUNTIME_CLASS(CTKReportRecordItem));
        // The item belongs to the record while it reads, so that its
        // markup and formula find their way up; it is added once read.
        item->m_pRecord = this;
        item->m_pControl = m_pControl;
        try {
          item->DoPropExchange(section);
        } catch (...) {
          item->InternalRelease();
          throw;
        }
        AddItem(item);
      }
    }
  }

  if (preview) {
    CTKPropExchangeSection section(pPX->GetSection(u"PreviewItem"));
    if (pPX->IsStoring()) {
      CObject* object = m_pPreviewItem;
      section->ExchangeObject(&object, RUNTIME_CLASS(CTKReportRecordItemPreview));
      m_pPreviewItem->DoPropExchange(section);
    } else {
      TKReleaseHeld(m_pPreviewItem);
      auto* item = CreateFromSection<CTKReportRecordItemPreview>(section, RUNTIME_CLASS(CTKReportRecordItemPreview));
      item->m_pRecord = this;
      item->m_pControl = m_pControl;
      try {
        item->DoPropExchange(section);
      } catch (...) {
        item->InternalRelease();
        throw;
      }
      m_pPreviewItem = item;
    }
  }

  if (pPX->m_nSchema >= kTKSchemaRecordChildren) {
    BOOL hasChildren = HasChildren();
    PropExchangeBoolDefault(pPX, u"HasChildren", &hasChildren, FALSE);
    if (hasChildren) {
      CTKPropExchangeSection section(pPX->GetSection(u"Children"));
      GetChilds()->ExchangeRecords(section);
    } else if (pPX->IsLoading() && m_pChildren) {
      m_pChildren->RemoveAll();
    }
  }
}
