#include "app/views/thingname.h"

#include "app/data/datastore.h"
#include "app/data/des.h"
#include "app/data/schema.h"
#include "app/resource.h"
#include "app/views/captiontree.h"
#include "app/views/framestate.h"
#include "platform/base/oledatetime.h"

namespace {
constexpr const char16_t* kKindNames[3] = {u"Work", u"Affairs of Life", u"Other Things"};
}  // namespace

BEGIN_MESSAGE_MAP(CThingName, CDialogEx)
ON_UPDATE_COMMAND_UI(IDOK, OnUpdateOK)
ON_MESSAGE(WM_KICKIDLE, OnKickIdle)
ON_CBN_SELCHANGE(IDC_THINGNAME_KIND, OnKindChange)
END_MESSAGE_MAP()

CThingName::CThingName() : CDialogEx(IDD_THINGNAME), m_pRecordset(u"ADODB.Recordset") {}

CThingName::~CThingName() { CloseIfOpen(m_pRecordset); }

int CThingName::WorktypeOf(const CString& kindText) {
  for (int i = 0; i < 3; ++i)
    if (kindText == kKindNames[i]) return i + 1;
  return 1;
}

void CThingName::DoDataExchange(CDataExchange* pDX) {
  CDialogEx::DoDataExchange(pDX);
  DDX_CBString(pDX, IDC_THINGNAME_KIND, m_strKind);
  DDX_Control(pDX, IDC_THINGNAME_WORK, m_workCombo);
}

BOOL CThingName::OnInitDialog() {
  CDialogEx::OnInitDialog();
  FillWorkCombos();
  return TRUE;
}

void CThingName::OnKindChange() {
  m_workCombo.ResetContent();
  FillWorkCombos();
}

void CThingName::FillWorkCombos() {
  UpdateData(TRUE);
  m_works.clear();
  const int worktype = WorktypeOf(m_strKind);
  if (!AppDataStore().OpenRecordset(u"SELECT workname,starttime,tid FROM things where worktype=?",
                                    {_variant_t(static_cast<long>(worktype))}, m_pRecordset))
    return;  // shown by the data store
  try {
    for (; !m_pRecordset->GetadoEOF(); m_pRecordset->MoveNext()) {
      const _variant_t start = m_pRecordset->GetCollect(_variant_t(u"starttime"));
      if (start.vt == VT_NULL || start.vt == VT_EMPTY) continue;
      const CString stored = FieldText(m_pRecordset->GetCollect(_variant_t(u"workname")));
      // The placeholder is plain text, not a cipher: never deciphered, never chosen.
      if (stored.CompareNoCase(kWorkPlaceholder) == 0) continue;
      NameTid work;
      work.name = WorkNameFromStored(stored, COleDateTime(start));
      work.tid = static_cast<long>(m_pRecordset->GetCollect(_variant_t(u"tid")));
      work.worktype = worktype;
      m_workCombo.AddString(work.name);
      m_works.push_back(std::move(work));
    }
    m_pRecordset->Close();
  } catch (const _com_error& e) {
    CloseIfOpen(m_pRecordset);
    ShowTreeError(nullptr, e);
  }
}

CString CThingName::WorkText() {
  CString text;
  m_workCombo.GetWindowText(text);
  return text;
}

void CThingName::OnUpdateOK(CCmdUI* pCmdUI) { pCmdUI->Enable(!WorkText().IsEmpty()); }

LRESULT CThingName::OnKickIdle(WPARAM, LPARAM) {
  UpdateDialogControls(this, FALSE);
  return 0;
}

void CThingName::OnOK() {
  if (!UpdateData(TRUE)) return;
  const CString name = WorkText();
  if (name.IsEmpty()) {  // nothing chosen: as Cancel
    EndDialog(IDCANCEL);
    return;
  }
  CFrameState* frame = MainFrameState();
  for (const NameTid& work : m_works) {
    if (work.name == name) {  // exact, case-sensitive
      if (frame) {
        frame->m_strItemText = name;
        frame->m_nItemId = work.tid;
      }
      EndDialog(IDOK);
      return;
    }
  }
  if (!CreateWork(name)) return;  // refused: shown by the store; the user may try again or cancel
  EndDialog(IDOK);
}

bool CThingName::CreateWork(const CString& name) {
  // Whole seconds, as the start time is written.
  const COleDateTime now = COleDateTime::GetCurrentTime();
  const COleDateTime start(now.GetYear(), now.GetMonth(), now.GetDay(), now.GetHour(), now.GetMinute(),
                           now.GetSecond());
  CDES des;
  const CString cipher = des.TransformText(name, GetWorkNameKey(start), 0);
  const int worktype = WorktypeOf(m_strKind);
  const int tid = AppDataStore().InsertAndGetMaxId(
      u"insert into things (workname,worktype,starttime) values (?,?,?)", u"select max(tid) from things",
      {CDataStore::TextValue(cipher), _variant_t(static_cast<long>(worktype)), _variant_t(DATE(start), VT_DATE)});
  if (tid == 0) return false;

  CFrameState* frame = MainFrameState();
  if (!frame) return true;
  CCaptionTree& tree = frame->m_wndWorkTree;
  if (!tree.m_hWnd) return true;
  const HTREEITEM root = tree.GetRootItem();
  for (HTREEITEM kind = root ? tree.GetChildItem(root) : nullptr; kind; kind = tree.GetNextSiblingItem(kind)) {
    if (tree.GetItemText(kind) != m_strKind) continue;
    const HTREEITEM work = tree.InsertItem(name, kind, TVI_LAST);
    tree.SetItemData(work, static_cast<DWORD_PTR>(tid));
    tree.SelectItem(work);
    frame->m_hWorkTreeItem = tree.GetSelectedItem();
    tree.Expand(root, TVE_EXPAND);
    frame->m_strItemText = name;
    frame->m_nItemId = tid;
    break;
  }
  return true;
}
