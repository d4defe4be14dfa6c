#include "app/views/treetasks.h"

#include "app/views/captiontree.h"
#include "app/views/datetree.h"
#include "app/views/framestate.h"
#include "platform/base/oledatetime.h"

namespace {

// The day number of a day item's text, "2012.5.17 Thursday": the number
// between its last '.' and its last blank.
int DayNumberOf(const CString& text) {
  const int dot = text.ReverseFind(u'.');
  const int blank = text.ReverseFind(u' ');
  if (dot < 0 || blank <= dot) return -1;
  int n = 0;
  for (int i = dot + 1; i < blank; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return -1;
    n = n * 10 + (text[i] - u'0');
  }
  return n;
}

HTREEITEM ChildWithText(const CTreeCtrl& tree, HTREEITEM parent, const CString& text) {
  for (HTREEITEM child = tree.GetChildItem(parent); child; child = tree.GetNextSiblingItem(child))
    if (tree.GetItemText(child) == text) return child;
  return nullptr;
}

// The day item of `date` under its month item, made at its place when
// missing.
HTREEITEM DayItem(CDateTree& tree, HTREEITEM monthItem, const COleDateTime& date) {
  const int day = date.GetDay();
  HTREEITEM before = TVI_FIRST;
  for (HTREEITEM child = tree.GetChildItem(monthItem); child; child = tree.GetNextSiblingItem(child)) {
    const int number = DayNumberOf(tree.GetItemText(child));
    if (number == day) return child;
    if (number > day) break;
    before = child;
  }
  return tree.InsertItem(DateTreeDayText(date), 1, 1, monthItem, before);
}

// Depth-first from `item` (`level` deep) for the first item `depth` deep
// whose data is one of the two values.
HTREEITEM FindAtLevel(const CTreeCtrl& tree, HTREEITEM item, int level, int depth, LPARAM a, LPARAM b) {
  for (; item; item = tree.GetNextSiblingItem(item)) {
    if (level == depth) {
      const auto data = static_cast<LPARAM>(tree.GetItemData(item));
      if (data == a || data == b) return item;
    } else if (HTREEITEM found = FindAtLevel(tree, tree.GetChildItem(item), level + 1, depth, a, b)) {
      return found;
    }
  }
  return nullptr;
}

}  // namespace

HTREEITEM AddTaskToWorkTree(CCaptionTree& tree, int workId, int taskId, int tasktype, const CString& title) {
  if (tree.m_filterMode != 0 && tree.m_filterMode != tasktype) return nullptr;
  HTREEITEM work = nullptr;
  const HTREEITEM root = tree.GetRootItem();
  for (HTREEITEM kind = root ? tree.GetChildItem(root) : nullptr; kind; kind = tree.GetNextSiblingItem(kind))
    for (HTREEITEM w = tree.GetChildItem(kind); w; w = tree.GetNextSiblingItem(w))
      if (static_cast<LPARAM>(tree.GetItemData(w)) == workId) work = w;  // the last one
  if (!work) return nullptr;
  const HTREEITEM item = tree.InsertItem(title, work, TVI_LAST);
  SetTaskItemLook(tree, item, taskId, tasktype);
  return item;
}

HTREEITEM AddTaskToDateTree(CDateTree& tree, const COleDateTime& date, const CString& workName, const CString& title,
                            int taskId, int tasktype) {
  if (date.GetStatus() != COleDateTime::valid) return nullptr;
  const int weekday = date.GetDayOfWeek();
  if (tree.m_filterMode == 1 && (weekday == 1 || weekday == 7)) return nullptr;
  const HTREEITEM root = tree.GetRootItem();
  if (!root) return nullptr;
  const HTREEITEM year = ChildWithText(tree, root, DateTreeYearText(date));
  if (!year) return nullptr;
  const HTREEITEM month = ChildWithText(tree, year, DateTreeMonthText(date));
  if (!month) return nullptr;
  const HTREEITEM day = DayItem(tree, month, date);
  const HTREEITEM item = tree.InsertItem(workName + u"." + title, day, TVI_LAST);
  SetTaskItemLook(tree, item, taskId, tasktype);
  return item;
}

HTREEITEM FindTaskInWorkTree(const CCaptionTree& tree, int workId, LPARAM itemData) {
  const HTREEITEM root = tree.GetRootItem();
  for (HTREEITEM kind = root ? tree.GetChildItem(root) : nullptr; kind; kind = tree.GetNextSiblingItem(kind))
    for (HTREEITEM work = tree.GetChildItem(kind); work; work = tree.GetNextSiblingItem(work)) {
      if (static_cast<LPARAM>(tree.GetItemData(work)) != workId) continue;
      for (HTREEITEM task = tree.GetChildItem(work); task; task = tree.GetNextSiblingItem(task))
        if (static_cast<LPARAM>(tree.GetItemData(task)) == itemData) return task;
    }
  return nullptr;
}

HTREEITEM FindTaskInDateTree(const CDateTree& tree, LPARAM itemData) {
  return FindAtLevel(tree, tree.GetRootItem(), 1, 5, itemData, itemData);
}

BOOL LocateTaskInWorkTree(CFrameState& frame, int workId, LPARAM itemData, HTREEITEM& formItem) {
  formItem = FindTaskInWorkTree(frame.m_wndWorkTree, workId, itemData);
  if (!formItem) return FALSE;
  frame.m_hWorkTreeItem = formItem;
  return TRUE;
}

BOOL LocateTaskInDateTree(CFrameState& frame, LPARAM itemData, HTREEITEM& formItem) {
  formItem = FindTaskInDateTree(frame.m_wndDateTree, itemData);
  if (!formItem) return FALSE;
  frame.m_hDateTreeItem = formItem;
  return TRUE;
}

BOOL SelectTaskInWorkTree(CFrameState& frame, int workId, int taskId) {
  const CCaptionTree& tree = frame.m_wndWorkTree;
  const HTREEITEM root = tree.GetRootItem();
  for (HTREEITEM kind = root ? tree.GetChildItem(root) : nullptr; kind; kind = tree.GetNextSiblingItem(kind))
    for (HTREEITEM work = tree.GetChildItem(kind); work; work = tree.GetNextSiblingItem(work)) {
      if (static_cast<LPARAM>(tree.GetItemData(work)) != workId) continue;
      for (HTREEITEM task = tree.GetChildItem(work); task; task = tree.GetNextSiblingItem(task)) {
        const auto data = static_cast<LPARAM>(tree.GetItemData(task));
        if (data == taskId || data == -static_cast<LPARAM>(taskId)) {
          frame.m_hWorkTreeItem = task;
          return TRUE;
        }
      }
    }
  return FALSE;
}

BOOL SelectTaskInDateTree(CFrameState& frame, int taskId) {
  // A scheduled task's item carries minus its id: both are looked for.
  const HTREEITEM item =
      FindAtLevel(frame.m_wndDateTree, frame.m_wndDateTree.GetRootItem(), 1, 5, taskId, -static_cast<LPARAM>(taskId));
  if (!item) return FALSE;
  frame.m_hDateTreeItem = item;
  return TRUE;
}
