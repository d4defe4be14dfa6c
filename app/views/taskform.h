// What the two task forms (completed and scheduled) share: what the user
// types is stored as a field is left, as the date changes and when the form
// closes (also at exit), so nothing typed is lost to a close and at most
// the field being typed in to a kill. Each form names its own fields in its
// message map and says how its task is stored.
#pragma once

#include "app/data/datastore.h"
#include "platform/base/oledatetime.h"
#include "platform/framework/afxdoc.h"

class CTaskFormView : public CFormView {
  DECLARE_DYNAMIC(CTaskFormView)
 public:
  explicit CTaskFormView(UINT nIDTemplate) : CFormView(nIDTemplate) {}

  // EN_CHANGE of a field other than the title.
  void OnFieldChange();
  // EN_KILLFOCUS of every field.
  void OnFieldLeft();
  // DTN_DATETIMECHANGE of the date picker.
  void OnDateChange(NMHDR* pNMHDR, LRESULT* pResult);
  void OnDestroy();

 protected:
  // The form's own fields, exchanged with their controls. Writing them to
  // the controls raises change notices that are not typing.
  virtual void ExchangeFields(CDataExchange* pDX) = 0;
  void DoDataExchange(CDataExchange* pDX) final;
  // Whether the form's task is in the database.
  virtual bool HasStoredTask() const = 0;
  // Stores the fields as read from the controls into the form's task, with
  // no question asked; `relabel`: the task's tree items take the title.
  // FALSE when the database refused.
  virtual BOOL StoreTask(bool relabel) = 0;

  // A field was typed in; false while the controls are being filled.
  bool NoteTyping();
  // StoreTask, after which nothing typed is left to store.
  BOOL StoreFields(bool relabel);
  bool Filling() const { return m_bFilling; }

  DECLARE_MESSAGE_MAP()

 private:
  void StoreTypedText(bool relabel);
  bool m_bFilling = false;
  bool m_bExchanging = false;
  // Typed since the task was last stored.
  bool m_bEdited = false;
};

// A task's day as stored: midnight of the date, NULL without a date.
_variant_t TaskDateValue(const COleDateTime& date);
// The update of a task's own fields. An empty title keeps the stored one:
// a field left empty never leaves a task without its title.
CDataStore::Statement TaskFieldsUpdate(int taskId, const CString& title, const CString& personnel, const CString& place,
                                       const COleDateTime& date, const CString& brief);
