// The work chooser (dialog 199): the user picks the kind of work and then
// an existing work of that kind, or types the name of a new one. OK makes
// the work the main frame's current work; a new work is stored with its
// name enciphered and appended to the work tree.
#pragma once

#include <vector>

#include "platform/ado/ado.h"
#include "platform/controls/afxcmn.h"
#include "platform/framework/afxdlg.h"

// A work as the chooser lists it: its deciphered name, id and kind.
struct NameTid {
  CString name;
  int tid = 0;
  int worktype = 0;
};

class CThingName : public CDialogEx {
 public:
  CThingName();
  ~CThingName() override;

  // THINGS.worktype of a kind's text, 1 for a text that is no kind.
  static int WorktypeOf(const CString& kindText);

  // Lists the works of the chosen kind in the work combo (also on every
  // change of the kind). Works that still carry the placeholder name and
  // works without a start time are left out.
  void FillWorkCombos();

  _RecordsetPtr m_pRecordset;
  CString m_strKind = u"Work";   // the text of combo 1080
  std::vector<NameTid> m_works;  // the works listed, in the query's order
  CComboBox m_workCombo;         // control 1081

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  // An existing work of exactly that name (case counts) is chosen without
  // writing anything; another name is stored as a new work. An empty name
  // is a cancel; a refused insert keeps the dialog open.
  void OnOK() override;
  void OnUpdateOK(CCmdUI* pCmdUI);
  LRESULT OnKickIdle(WPARAM, LPARAM);
  void OnKindChange();

  DECLARE_MESSAGE_MAP()

 private:
  // Stores the new work and makes it current; false when the database
  // refused it (shown by the data store).
  bool CreateWork(const CString& name);
  CString WorkText();
};
