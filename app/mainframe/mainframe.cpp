#include "app/mainframe/mainframe.h"

#include <algorithm>

#include "app/data/datastore.h"
#include "app/mainframe/messageids.h"
#include "app/mainframe/servicemessenger.h"
#include "app/resource.h"
#include "app/views/forms.h"
#include "app/views/formsapp.h"
#include "app/views/planthings.h"
#include "app/views/pravenorview.h"
#include "platform/framework/afxapp.h"
#include "platform/shell/mmsystem.h"
#include "platform/system/files.h"
#include "platform/system/resources.h"

IMPLEMENT_DYNAMIC(CMainFrame, CMDIFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
ON_WM_CREATE()
ON_MESSAGE(TREEPANE_NOTIFY, OnDockingPaneNotify)
ON_NOTIFY(NM_CLICK, IDC_WORKTREE, OnTreeClick)
ON_NOTIFY(NM_CLICK, IDC_DATETREE, OnTreeClick)
ON_NOTIFY(TVN_SELCHANGED, IDC_WORKTREE, OnWorkTreeSelChanged)
ON_COMMAND_RANGE(ID_TREE_FILTER_FIRST, ID_TREE_FILTER_LAST, OnTreeFilter)
ON_UPDATE_COMMAND_UI_RANGE(ID_TREE_FILTER_FIRST, ID_TREE_FILTER_LAST, OnUpdateTreeFilter)
ON_WM_TIMER()                                 // reminders
ON_MESSAGE(TK_WM_POPUPNOTIFY, OnPopupNotify)  // reminder pop-ups
ON_MESSAGE(kTextMessageReplyMessage, OnTextMessageReply)
ON_COMMAND(ID_MESSAGE_SETUP, OnMessageSetup)  // text-message settings
ON_COMMAND(ID_TASK_SAVEALL, OnSaveAll)
END_MESSAGE_MAP()

namespace {

// The reminder sound built into the program (resources/app/2.wav).
constexpr const char16_t* kBuiltInSoundName = u"DEFAULTSOUND";
constexpr const char16_t* kBuiltInSoundType = u"WAVE";

// A wave file named without a folder is looked for in the program's folder.
CString SoundPath(const CString& stored) {
  std::u16string path(stored.GetString(), static_cast<std::size_t>(stored.GetLength()));
  if (path.empty() || path[0] == u'/' || path[0] == u'\\' || path.find(u':') != std::u16string::npos) return stored;
  return CString(pv::JoinPath(pv::ProgramFolder(), path));
}

// Every open task form looks its task's items up again (after a refill or
// a change of the active tree).
void RelocateTaskForms() {
  ForEachOpenView([](CView* view) {
    if (auto* form = dynamic_cast<CPravenorView*>(view); form && form->TaskExists()) {
      form->LocateTaskInWorkTree(form->m_nWorkId, form->GetTaskId());
      form->LocateTaskInDateTree(form->GetTaskId());
    }
    if (auto* plan = dynamic_cast<CPlanThingsView*>(view); plan && plan->m_bTaskExists) {
      plan->LocateTaskInWorkTree(plan->m_nWorkId, plan->m_nTaskId);
      plan->LocateTaskInDateTree(plan->m_nTaskId);
    }
  });
}

}  // namespace

void CMainFrame::OnSaveAll() {
  ForEachOpenView([](CView* view) {
    if (auto* form = dynamic_cast<CPravenorView*>(view)) form->OnSaveTask();
    if (auto* plan = dynamic_cast<CPlanThingsView*>(view)) plan->OnSaveTask();
  });
}

CMainFrame::CMainFrame() {
  LoadReminderSettings();
  m_reminderMessenger = std::make_unique<CServiceMessenger>([this] { return m_useMessage; }, [this] { return m_hWnd; });
}
CMainFrame::~CMainFrame() {
  SavePopupSettings();
  SubmitPendingMessagesAtExit();
}

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CMDIFrameWnd::OnCreate(lpCreateStruct) == -1) return -1;
  if (!m_wndTreePanes.Create(this, IDW_TREEPANES)) return -1;
  // Made as the frame's children, then given to their panes.
  if (!m_wndWorkTree.Create(TREE_STYLE, CRect(0, 0, 0, 0), this, IDC_WORKTREE) ||
      !m_wndDateTree.Create(TREE_STYLE, CRect(0, 0, 0, 0), this, IDC_DATETREE))
    return -1;
  CString workTitle, dateTitle;
  workTitle.LoadString(IDP_WORKVIEW_PANE);
  dateTitle.LoadString(IDP_DATEVIEW_PANE);
  m_wndTreePanes.AttachPane(IDP_WORKVIEW_PANE, workTitle, &m_wndWorkTree);
  m_wndTreePanes.AttachPane(IDP_DATEVIEW_PANE, dateTitle, &m_wndDateTree);
  m_wndTreePanes.SelectPane(IDP_WORKVIEW_PANE);
  RecalcLayout();
  return 0;
}

LRESULT CMainFrame::OnDockingPaneNotify(WPARAM wParam, LPARAM lParam) {
  if (wParam != TREEPANE_ACTION_SHOWWINDOW) return 0;
  const auto* pane = reinterpret_cast<const CTreePane*>(lParam);
  if (pane && pane->m_pWnd) ActivateTreePane(pane->m_nID);
  return 1;
}

void CMainFrame::ActivateTreePane(UINT paneId) {
  if (paneId == IDP_WORKVIEW_PANE) m_nActiveTree = Tree::kWork;
  else if (paneId == IDP_DATEVIEW_PANE) m_nActiveTree = Tree::kDate;
  else return;
  // The menu items take the new labels at their next update.
  if (m_wndTreePanes.GetActivePaneId() != paneId) m_wndTreePanes.SelectPane(paneId);
  RelocateTaskForms();
}

CString CMainFrame::TreeFilterLabel(UINT nID) const {
  static const char16_t* const kWork[3] = {u"Completed", u"Scheduled", u"All"};
  static const char16_t* const kDate[3] = {u"Workday", u"Task Day", u"Everyday"};
  if (nID < ID_TREE_FILTER_FIRST || nID > ID_TREE_FILTER_LAST) return CString();
  return (m_nActiveTree == Tree::kDate ? kDate : kWork)[nID - ID_TREE_FILTER_FIRST];
}

void CMainFrame::OnTreeFilter(UINT nID) {
  if (m_nActiveTree == Tree::kDate) {
    m_dateTreeFilter = nID;
    m_wndDateTree.DeleteAllItems();
    m_hDateTreeItem = nullptr;
    switch (nID) {
      case ID_TREE_FILTER_23:
        m_wndDateTree.FillDateTreeWorkdays();
        m_wndDateTree.m_filterMode = 1;
        break;
      case ID_TREE_FILTER_24:
        m_wndDateTree.FillDateTree();
        m_wndDateTree.m_filterMode = 2;
        break;
      default:
        m_wndDateTree.FillDateTreeEveryday();
        m_wndDateTree.m_filterMode = 0;
        break;
    }
  } else {
    m_workTreeFilter = nID;
    m_wndWorkTree.DeleteAllItems();
    m_hWorkTreeItem = nullptr;
    switch (nID) {
      case ID_TREE_FILTER_23:
        m_wndWorkTree.FillCategoryTreeCompleted();
        m_wndWorkTree.m_filterMode = 1;
        break;
      case ID_TREE_FILTER_24:
        m_wndWorkTree.FillCategoryTreeScheduled();
        m_wndWorkTree.m_filterMode = 2;
        break;
      default:
        m_wndWorkTree.FillCategoryTree();
        m_wndWorkTree.m_filterMode = 0;
        break;
    }
  }
  RelocateTaskForms();
}

void CMainFrame::OnUpdateTreeFilter(CCmdUI* pCmdUI) {
  pCmdUI->SetText(TreeFilterLabel(pCmdUI->m_nID));
  pCmdUI->SetRadio(pCmdUI->m_nID == (m_nActiveTree == Tree::kDate ? m_dateTreeFilter : m_workTreeFilter));
}

void CMainFrame::OnTreeClick(NMHDR*, LRESULT* pResult) {
  *pResult = 0;
  try {
    if (m_nActiveTree == Tree::kDate) HandleTreeClick(m_wndDateTree, Tree::kDate);
    else HandleTreeClick(m_wndWorkTree, Tree::kWork);
  } catch (const CException*) {
    // A click must not bring the frame down; the tree stays as it is.
  } catch (const _com_error&) {}
}

void CMainFrame::HandleTreeClick(CTKTreeCtrl& tree, Tree activeTree) {
  CPoint point;
  ::GetCursorPos(&point);
  tree.ScreenToClient(&point);
  const HTREEITEM item = tree.HitTest(point);
  (activeTree == Tree::kDate ? m_hDateTreeItem : m_hWorkTreeItem) = item;
  if (!item) return;
  tree.SelectItem(item);
  const auto data = static_cast<LPARAM>(tree.GetItemData(item));
  m_nRecordId = static_cast<int>(data < 0 ? -data : data);
  const int level = GetTreeItemLevel(tree, item);
  BYTE* flags = activeTree == Tree::kDate ? m_dateTreeFlags : m_workTreeFlags;
  if (activeTree == Tree::kWork) {
    switch (level) {
      case 1:
        std::fill(flags, flags + kTreeCommands, BYTE{0});
        break;
      case 2:
        std::fill(flags, flags + kTreeCommands, BYTE{0});
        flags[kNewWork] = 1;
        break;
      case 3:
        flags[kNewWork] = 0;
        flags[kRenameWork] = flags[kDeleteWork] = 1;
        flags[kDeleteTask] = 0;
        m_strItemText = tree.GetItemText(item);
        m_nItemId = static_cast<int>(data);
        break;
      default: {
        flags[kDeleteTask] = 1;
        const HTREEITEM work = tree.GetParentItem(item);
        m_strItemText = tree.GetItemText(work);
        m_nItemId = static_cast<int>(static_cast<LPARAM>(tree.GetItemData(work)));
        OpenTaskOfItem(data);
        break;
      }
    }
    return;
  }
  if (level <= 3) {
    std::fill(flags, flags + kTreeCommands, BYTE{0});
  } else if (level == 4) {
    flags[kNewCompleted] = flags[kNewScheduled] = 1;
    flags[kDeleteTask] = 0;
  } else {
    flags[kNewCompleted] = flags[kNewScheduled] = 0;
    flags[kDeleteTask] = 1;
    // The label's text before its first '.' is no work name when the name
    // holds a '.' ("v1.2 plan"): the task's work is looked up by its id.
    SetCurrentWorkOfTask(m_nRecordId);
    OpenTaskOfItem(data);
  }
}

void CMainFrame::SetCurrentWorkOfTask(int taid) {
  CDataStore& store = AppDataStore();
  bool read = false;
  const int tid =
      store.QueryScalarInt(u"select tid from task where taid=?", {_variant_t(static_cast<long>(taid))}, &read);
  if (!read || tid == 0) return;  // an error has been shown; the current work stays
  _RecordsetPtr rs(u"ADODB.Recordset");
  if (!store.OpenRecordset(u"select workname,starttime from things where tid=?", {_variant_t(static_cast<long>(tid))},
                           rs))
    return;
  try {
    if (!rs->GetadoEOF()) {
      m_strItemText = WorkNameFromStored(FieldText(rs->GetCollect(_variant_t(u"workname"))),
                                         COleDateTime(rs->GetCollect(_variant_t(u"starttime"))));
      m_nItemId = tid;
    }
    rs->Close();
  } catch (const _com_error& e) {
    CloseIfOpen(rs);
    ShowTreeError(nullptr, e);
  }
}

void CMainFrame::OpenTaskOfItem(LPARAM itemData) {
  CFormsApp* app = FormsApp();
  if (!app || itemData == 0) return;
  if (ActivateOpenTaskView(static_cast<int>(itemData < 0 ? -itemData : itemData))) return;  // one form per task
  m_bOpeningTask = 1;
  app->OpenExistingTaskForm(itemData < 0);
  m_bOpeningTask = 0;
}

void CMainFrame::OnWorkTreeSelChanged(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  const auto* nm = reinterpret_cast<const NMTREEVIEWW*>(pNMHDR);
  const HTREEITEM item = nm->itemNew.hItem;
  if (!item) return;
  const auto data = static_cast<LPARAM>(m_wndWorkTree.GetItemData(item));
  m_nRecordId = static_cast<int>(data < 0 ? -data : data);
  const int level = GetTreeItemLevel(m_wndWorkTree, item);
  m_workTreeFlags[kNewWork] = level == 2 ? 1 : 0;
  if (level == 3 || level == 4) {
    const BYTE on = level == 3 ? 1 : 0;
    m_workTreeFlags[kRenameWork] = m_workTreeFlags[kDeleteWork] = on;
    m_workTreeFlags[kNewCompleted] = m_workTreeFlags[kNewScheduled] = on;
  }
}

void CMainFrame::PlayPopSound() {
  const CString path = SoundPath(m_popSound);
  if (!m_popSound.IsEmpty() && ::sndPlaySoundW(path.GetString(), SND_ASYNC | SND_NODEFAULT)) return;
  HRSRC found = ::FindResourceW(nullptr, kBuiltInSoundName, kBuiltInSoundType);
  HGLOBAL loaded = found ? ::LoadResource(nullptr, found) : nullptr;
  if (const void* image = loaded ? ::LockResource(loaded) : nullptr)
    ::sndPlaySoundW(static_cast<LPCWSTR>(image), SND_ASYNC | SND_MEMORY | SND_NODEFAULT);
}
