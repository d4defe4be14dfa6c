#include "app/views/taskform.h"

#include "platform/framework/afxdlg.h"

IMPLEMENT_DYNAMIC(CTaskFormView, CFormView)

BEGIN_MESSAGE_MAP(CTaskFormView, CFormView)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CTaskFormView::DoDataExchange(CDataExchange* pDX) {
  CFormView::DoDataExchange(pDX);
  // A refused field throws out of the exchange: the flag is put back then too.
  struct Restore {
    bool& flag;
    bool was;
    ~Restore() { flag = was; }
  } filling{m_bFilling, m_bFilling}, exchanging{m_bExchanging, m_bExchanging};
  m_bFilling = !pDX->m_bSaveAndValidate;
  m_bExchanging = true;
  ExchangeFields(pDX);
}

bool CTaskFormView::NoteTyping() {
  if (m_bFilling) return false;
  m_bEdited = true;
  return true;
}

BOOL CTaskFormView::StoreFields(bool relabel) {
  if (!StoreTask(relabel)) return FALSE;
  m_bEdited = false;
  return TRUE;
}

void CTaskFormView::StoreTypedText(bool relabel) {
  // A refused field takes the focus back while the fields are read: that
  // leave is part of the same reading.
  if (!HasStoredTask() || !m_bEdited || m_bFilling || m_bExchanging) return;
  // The edits' limits keep every field within its length: reading them
  // back asks nothing.
  if (!UpdateData(TRUE)) return;
  StoreFields(relabel);
}

void CTaskFormView::OnFieldChange() { NoteTyping(); }

void CTaskFormView::OnFieldLeft() { StoreTypedText(true); }

void CTaskFormView::OnDateChange(NMHDR*, LRESULT* pResult) {
  if (pResult) *pResult = 0;
  if (NoteTyping()) StoreTypedText(true);
}

void CTaskFormView::OnDestroy() {
  // The trees may be going too (at exit): their labels are left as they are.
  StoreTypedText(false);
  CFormView::OnDestroy();
}

_variant_t TaskDateValue(const COleDateTime& date) {
  if (date.GetStatus() != COleDateTime::valid) {
    _variant_t null;
    null.vt = VT_NULL;
    return null;
  }
  const COleDateTime day(date.GetYear(), date.GetMonth(), date.GetDay(), 0, 0, 0);
  return _variant_t(static_cast<DATE>(day), VT_DATE);
}

CDataStore::Statement TaskFieldsUpdate(int taskId, const CString& title, const CString& personnel, const CString& place,
                                       const COleDateTime& date, const CString& brief) {
  const bool keepTitle = title.IsEmpty();
  CDataStore::Statement update(
      keepTitle ? u"update task set personnel=?,place=?,tasktime=?,brief=? where taid=?"
                : u"update task set tasktitle=?,personnel=?,place=?,tasktime=?,brief=? where taid=?");
  if (!keepTitle) update.values.push_back(CDataStore::TextValue(title));
  for (const _variant_t& v : {CDataStore::TextValue(personnel), CDataStore::TextValue(place), TaskDateValue(date),
                              CDataStore::TextValue(brief), _variant_t(static_cast<long>(taskId))})
    update.values.push_back(v);
  return update;
}
