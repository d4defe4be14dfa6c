// The work chooser (dialog 199): names an existing work, or a new one that
// it inserts with its name enciphered under the key of today's date, and
// makes it the main frame's current work. Temporary: the works-and-tasks
// views bring the chooser with its list of works.
#pragma once

#include "platform/framework/afxdlg.h"

class CThingName : public CDialogEx {
 public:
  CThingName();

  // Makes the work named `name` the current work: an existing work of that
  // name (deciphered, compared exactly), or a new one. False when the
  // database refused the new work.
  static bool ChooseWork(const CString& name);

 protected:
  void OnOK() override;
  DECLARE_MESSAGE_MAP()
};
