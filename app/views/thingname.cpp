#include "app/views/thingname.h"

#include "app/data/datastore.h"
#include "app/data/des.h"
#include "app/data/schema.h"
#include "app/mainframe/mainframe.h"
#include "app/resource.h"
#include "app/views/worktrees.h"

BEGIN_MESSAGE_MAP(CThingName, CDialogEx)
END_MESSAGE_MAP()

CThingName::CThingName() : CDialogEx(IDD_THINGNAME) {}

bool CThingName::ChooseWork(const CString& name) {
  auto* frame = static_cast<CMainFrame*>(AfxGetMainWnd());
  if (!frame) return false;
  CCaptionTree& tree = frame->m_wndCaptionTree;
  for (const auto& w : tree.m_works) {
    if (w.name == name) {
      frame->m_currentWorkName = w.name;
      frame->m_currentWorkTid = w.tid;
      return true;
    }
  }
  // A new work of the first kind, started now, its name enciphered under
  // the key of today's date and bound as a value.
  COleDateTime now = COleDateTime::GetCurrentTime();
  CDES des;
  CString cipher = des.TransformText(name, GetWorkNameKey(now), 0);
  CDataStore& store = AppDataStore();
  int tid = store.InsertAndGetMaxId(u"insert into things (workname,worktype,starttime) values (?,?,?)",
                                    u"select max(tid) from things",
                                    {CDataStore::TextValue(cipher), _variant_t(1L), _variant_t(DATE(now), VT_DATE)});
  if (tid == 0) return false;
  frame->m_currentWorkName = name;
  frame->m_currentWorkTid = tid;
  tree.FillCategoryTree();
  return true;
}

void CThingName::OnOK() {
  CString name;
  GetDlgItemText(IDC_THINGNAME_EDIT, name);
  // An empty name changes nothing.
  if (!name.IsEmpty() && !ChooseWork(name)) return;  // refused: the box has been shown, stay open
  CDialogEx::OnOK();
}
