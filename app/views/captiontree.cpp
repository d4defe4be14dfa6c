#include "app/views/captiontree.h"

#include <mutex>
#include <string>
#include <unordered_map>

#include "app/data/datastore.h"
#include "app/views/formsapp.h"
#include "app/views/storedname.h"
#include "app/data/des.h"
#include "app/data/schema.h"
#include "platform/base/oledatetime.h"
#include "platform/system/msgbox.h"

namespace {

// The kinds of work, THINGS.worktype 1..3, in the order the tree shows them.
constexpr const char16_t* kKindNames[3] = {u"Work", u"Affairs of Life", u"Other Things"};

// Work rows still carrying this name are left out; the column compares
// without regard to case, so "Enter work name" goes too.
constexpr const char16_t* kWorkQueryPlaceholder = u"Enter Work Name";

}  // namespace

CDataStore& AppDataStore() { return FormsApp()->DataStore(); }

LPARAM TaskItemData(int taid, int tasktype) {
  if (tasktype == kTaskCompleted) return taid;
  if (tasktype == kTaskScheduled) return -static_cast<LPARAM>(taid);
  return 0;
}

void SetTaskItemLook(CTKTreeCtrl& tree, HTREEITEM item, int taid, int tasktype) {
  if (tasktype == kTaskCompleted) {
    tree.SetItemData(item, static_cast<DWORD_PTR>(TaskItemData(taid, tasktype)));
    tree.SetItemColor(item, kCompletedTaskColor);
  } else if (tasktype == kTaskScheduled) {
    tree.SetItemData(item, static_cast<DWORD_PTR>(TaskItemData(taid, tasktype)));
    tree.SetItemColor(item, kScheduledTaskColor);
  }
}

HTREEITEM InsertTaskItem(CTKTreeCtrl& tree, LPCTSTR text, HTREEITEM parent, int taid, int tasktype) {
  const HTREEITEM item =
      tree.InsertItem(TVIF_TEXT | TVIF_PARAM, text, 0, 0, 0, 0, TaskItemData(taid, tasktype), parent, TVI_LAST);
  if (!item) return nullptr;
  if (tasktype == kTaskCompleted) tree.SetItemColor(item, kCompletedTaskColor);
  else if (tasktype == kTaskScheduled) tree.SetItemColor(item, kScheduledTaskColor);
  return item;
}

int GetTreeItemLevel(const CTreeCtrl& tree, HTREEITEM item) {
  const HTREEITEM root = tree.GetRootItem();
  int level = 1;
  // An item outside the tree's first root ends at a null parent.
  while (item && item != root) {
    item = tree.GetParentItem(item);
    ++level;
  }
  return level;
}

namespace {

constexpr std::size_t kMostDecipheredNamesKept = 1 << 16;

using DecipheredNameMap = std::unordered_map<StoredWorkName, CString, StoredWorkNameHash, StoredWorkNameEqual>;

std::pair<std::mutex, DecipheredNameMap>& DecipheredNames() {
  static auto* names = new std::pair<std::mutex, DecipheredNameMap>;
  return *names;
}

}  // namespace

void ForgetDecipheredWorkNames() {
  auto& [mutex, known] = DecipheredNames();
  std::lock_guard<std::mutex> guard(mutex);
  known.clear();
}

void AppendWorkNameFromStored(CString& out, std::u16string_view stored, const COleDateTime& start) {
  if (stored.size() % 4 != 0) {
    out.Append(stored.data(), static_cast<int>(stored.size()));
    return;
  }
  // Both trees and the frame show the same works: each stored name is
  // deciphered once. The key is the stored text and its start time, which
  // decide the result alone, so an entry is never wrong, only unused.
  auto& [mutex, known] = DecipheredNames();
  const StoredWorkNameView key{stored, static_cast<DATE>(start)};
  {
    std::lock_guard<std::mutex> guard(mutex);
    if (auto it = known.find(key); it != known.end()) {
      out.Append(it->second);
      return;
    }
  }
  CDES des;
  CString name = des.TransformText(CString(stored), GetWorkNameKey(start), 1);
  out.Append(name);
  std::lock_guard<std::mutex> guard(mutex);
  if (known.size() >= kMostDecipheredNamesKept) known.clear();
  known.emplace(StoredWorkName{std::u16string(stored), key.start}, std::move(name));
}

CString WorkNameFromStored(const CString& stored, const COleDateTime& start) {
  CString name;
  AppendWorkNameFromStored(name, std::u16string_view(stored.GetString(), static_cast<std::size_t>(stored.GetLength())),
                           start);
  return name;
}

CString FieldText(const _variant_t& value) {
  if (value.vt == VT_BSTR) {
    if (!value.bstrVal) return CString();
    return CString(std::u16string_view(value.bstrVal, SysStringLen(value.bstrVal)));
  }
  if (value.vt == VT_NULL || value.vt == VT_EMPTY) return CString();
  _variant_t text;
  if (FAILED(VariantChangeType(&text, &value, 0, VT_BSTR)) || !text.bstrVal) return CString();
  return CString(std::u16string_view(text.bstrVal, SysStringLen(text.bstrVal)));
}

void CloseIfOpen(const _RecordsetPtr& recordset) {
  try {
    if (recordset && recordset->GetState() != adStateClosed) recordset->Close();
  } catch (const _com_error&) {
    // Nothing more can be done for it; the next open starts afresh.
  }
}

void ShowTreeError(HWND owner, const _com_error& error) {
  _bstr_t description = error.Description();
  const char16_t* text = static_cast<const char16_t*>(description);
  ::MessageBoxW(owner, text ? text : u"", u"Prompt", MB_OK | MB_ICONEXCLAMATION);
}

IMPLEMENT_DYNAMIC(CCaptionTree, CTKTreeCtrl)

CCaptionTree::CCaptionTree() : m_pTaskRecordset(u"ADODB.Recordset"), m_pWorkRecordset(u"ADODB.Recordset") {}

CCaptionTree::~CCaptionTree() {
  CloseIfOpen(m_pTaskRecordset);
  CloseIfOpen(m_pWorkRecordset);
}

BOOL CCaptionTree::PreTranslateMessage(MSG* pMsg) { return CWnd::PreTranslateMessage(pMsg); }

int CCaptionTree::FillCategoryTree() { return Fill(0); }
int CCaptionTree::FillCategoryTreeCompleted() { return Fill(kTaskCompleted); }
int CCaptionTree::FillCategoryTreeScheduled() { return Fill(kTaskScheduled); }

int CCaptionTree::Fill(int tasktype) {
  const HTREEITEM root = InsertItem(u"Pravenor", 0, 0, TVI_ROOT, TVI_LAST);
  SetItemData(root, 0);
  SetItemBold(root);
  HTREEITEM kinds[3];
  for (int i = 0; i < 3; ++i) {
    kinds[i] = InsertItem(kKindNames[i], i + 1, i + 1, root, TVI_LAST);
    SetItemData(kinds[i], static_cast<DWORD_PTR>(i + 1));
    SetItemBold(kinds[i]);
  }

  CDataStore& store = AppDataStore();
  try {
    // Every work first, then the tasks in one pass, each appended to its
    // work's item: the same items in the same order as one task query per
    // work, for a tenth of the statements.
    std::unordered_map<long, HTREEITEM> workItems;
    for (int kind = 1; kind <= 3; ++kind) {
      // A query the store could not open has been shown by the store.
      if (!store.OpenForwardRecordset(
              u"select workname,starttime,tid from things where worktype=? and workname<>?",
              {_variant_t(static_cast<long>(kind)), CDataStore::TextValue(kWorkQueryPlaceholder)}, m_pWorkRecordset))
        return 0;
      FieldsPtr fields = m_pWorkRecordset->GetFields();
      FieldPtr name = fields->GetItem(_variant_t(0L));
      FieldPtr start = fields->GetItem(_variant_t(1L));
      FieldPtr tid = fields->GetItem(_variant_t(2L));
      for (; !m_pWorkRecordset->GetadoEOF(); m_pWorkRecordset->MoveNext()) {
        const COleDateTime started(start->GetValue());
        const CString workName = WorkNameFromStored(FieldText(name->GetValue()), started);
        const long id = static_cast<long>(tid->GetValue());
        workItems[id] = InsertItem(TVIF_TEXT | TVIF_PARAM, workName, 0, 0, 0, 0, id, kinds[kind - 1], TVI_LAST);
      }
      m_pWorkRecordset->Close();
    }

    CString taskQuery = u"select tasktitle,taid,tasktype,tid from task where tasktitle<>?";
    if (tasktype) taskQuery += u" and tasktype=?";
    const _variant_t placeholder = CDataStore::TextValue(kTaskPlaceholder);
    const int opened = tasktype
                           ? store.OpenForwardRecordset(
                                 taskQuery, {placeholder, _variant_t(static_cast<long>(tasktype))}, m_pTaskRecordset)
                           : store.OpenForwardRecordset(taskQuery, {placeholder}, m_pTaskRecordset);
    if (!opened) return 0;
    FieldsPtr fields = m_pTaskRecordset->GetFields();
    FieldPtr title = fields->GetItem(_variant_t(0L));
    FieldPtr taid = fields->GetItem(_variant_t(1L));
    FieldPtr type = fields->GetItem(_variant_t(2L));
    FieldPtr tid = fields->GetItem(_variant_t(3L));
    for (; !m_pTaskRecordset->GetadoEOF(); m_pTaskRecordset->MoveNext()) {
      const _variant_t workId = tid->GetValue();
      if (workId.vt == VT_NULL) continue;  // a task of no work
      auto work = workItems.find(static_cast<long>(workId));
      if (work == workItems.end()) continue;  // a placeholder work's or an unknown kind's
      // The whole row is read before its item is made.
      const _variant_t rowType = type->GetValue();
      const int thisType = rowType.vt == VT_NULL ? 0 : static_cast<int>(static_cast<long>(rowType));
      const int id = static_cast<long>(taid->GetValue());
      InsertTaskItem(*this, FieldText(title->GetValue()), work->second, id, thisType);
    }
    m_pTaskRecordset->Close();
  } catch (const _com_error& e) {
    CloseIfOpen(m_pWorkRecordset);
    CloseIfOpen(m_pTaskRecordset);
    ShowTreeError(m_hWnd, e);
    return 0;
  }
  Expand(root, TVE_EXPAND);
  Expand(kinds[0], TVE_EXPAND);
  return 0;
}

void CCaptionTree::FindItemByTaskId(HTREEITEM start, int taskId, HTREEITEM& found) const {
  if (!start) return;
  if (static_cast<LPARAM>(GetItemData(start)) == -static_cast<LPARAM>(taskId)) {
    found = start;
    return;
  }
  for (HTREEITEM child = GetChildItem(start); child; child = GetNextSiblingItem(child))
    FindItemByTaskId(child, taskId, found);
}
