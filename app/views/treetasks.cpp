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

// The number a year item's text stands for ("2012"), a month item's (the
// part after the first '.': "2012.5" is 5); -1 when it reads as none.
int NumberOf(const CString& text, int from, int to) {
  if (from >= to) return -1;
  int n = 0;
  for (int i = from; i < to; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return -1;
    n = n * 10 + (text[i] - u'0');
  }
  return n;
}
int YearNumberOf(const CString& text) { return NumberOf(text, 0, text.GetLength()); }
int MonthNumberOf(const CString& text) {
  const int dot = text.Find(u'.');
  return dot < 0 ? -1 : NumberOf(text, dot + 1, text.GetLength());
}

// The child of `parent` whose number is `number`, made at its place in
// ascending order when missing (`made` tells which).
HTREEITEM ChildInOrder(CDateTree& tree, HTREEITEM parent, int number, int (*numberOf)(const CString&),
                       const CString& text, bool bold, bool& made) {
  HTREEITEM before = TVI_FIRST;
  for (HTREEITEM child = tree.GetChildItem(parent); child; child = tree.GetNextSiblingItem(child)) {
    const int n = numberOf(tree.GetItemText(child));
    if (n == number) {
      made = false;
      return child;
    }
    if (n > number) break;
    before = child;
  }
  const HTREEITEM item = tree.InsertItem(text, 1, 1, parent, before);
  if (item && bold) tree.SetItemBold(item);
  made = item != nullptr;
  return item;
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
  // The first task of a year, a month or a day makes the items it needs,
  // as a refill would, so that it shows at once.
  bool madeYear = false, madeMonth = false, madeDay = false;
  const HTREEITEM year =
      ChildInOrder(tree, root, date.GetYear(), YearNumberOf, DateTreeYearText(date), true, madeYear);
  if (!year) return nullptr;
  const HTREEITEM month =
      ChildInOrder(tree, year, date.GetMonth(), MonthNumberOf, DateTreeMonthText(date), true, madeMonth);
  if (!month) return nullptr;
  const HTREEITEM day = ChildInOrder(tree, month, date.GetDay(), DayNumberOf, DateTreeDayText(date), false, madeDay);
  if (!day) return nullptr;
  const HTREEITEM item = tree.InsertItem(workName + u"." + title, day, TVI_LAST);
  SetTaskItemLook(tree, item, taskId, tasktype);
  // A day made for this task is opened down to it, as the fill opens the
  // last day; an existing day keeps what the user made of it.
  if (madeDay) {
    tree.Expand(root, TVE_EXPAND);
    tree.Expand(year, TVE_EXPAND);
    tree.Expand(month, TVE_EXPAND);
    tree.Expand(day, TVE_EXPAND);
  }
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
