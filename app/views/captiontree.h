// The work tree: every work under its kind, with the work's tasks under it.
// Also what the two application trees share: the look of a task item, the
// level of an item, how a stored work name is read, and the data store the
// trees and the forms reach through the running application.
#pragma once

#include <string_view>

#include "platform/ado/ado.h"
#include "toolkit/controls/treectrl.h"

class CDataStore;
class COleDateTime;

// The running application's data store.
CDataStore& AppDataStore();

// Text colours of task items.
inline constexpr COLORREF kCompletedTaskColor = RGB(3, 131, 251);
inline constexpr COLORREF kScheduledTaskColor = RGB(252, 2, 137);

// A task item's data: +taid for a completed task, -taid for a scheduled one,
// 0 for any other type. Its absolute value is the task id.
LPARAM TaskItemData(int taid, int tasktype);
// Gives a task item its data and, for the two known types, its colour.
void SetTaskItemLook(CTKTreeCtrl& tree, HTREEITEM item, int taid, int tasktype);
// Appends a task item under `parent` with the data and colour
// SetTaskItemLook gives, the data given with the insert itself.
HTREEITEM InsertTaskItem(CTKTreeCtrl& tree, LPCTSTR text, HTREEITEM parent, int taid, int tasktype);

// The level of `item` in either application tree, 1 at the root.
int GetTreeItemLevel(const CTreeCtrl& tree, HTREEITEM item);

// The plain name of a work from its stored THINGS.workname and starttime.
// A stored text that is not a whole number of cipher blocks was never
// enciphered (the "Enter work name" placeholder is stored plainly) and is
// shown as it stands.
CString WorkNameFromStored(const CString& stored, const COleDateTime& start);
// The same name appended to `out`.
void AppendWorkNameFromStored(CString& out, std::u16string_view stored, const COleDateTime& start);
// Forgets the names deciphered so far (each stored name is deciphered once
// per process); for benchmarks that repeat a start-up.
void ForgetDecipheredWorkNames();

// The text of a field value; a value of another type is converted.
CString FieldText(const _variant_t& value);

class CCaptionTree : public CTKTreeCtrl {
  DECLARE_DYNAMIC(CCaptionTree)
 public:
  CCaptionTree();
  ~CCaptionTree() override;

  // Each adds the root, the three kinds, every work and the tasks the
  // variant lists (all, completed only, scheduled only) to the tree as it
  // is, and expands the root and "Work". A database error ends the fill
  // with what it made so far, shown once; the recordsets are closed on
  // every path. Always 0.
  int FillCategoryTree();
  int FillCategoryTreeCompleted();
  int FillCategoryTreeScheduled();

  // Searches `start` and everything below it for the item of the scheduled
  // task `taskId` (data -taskId); the last match in pre-order goes to
  // `found`, which is left as it was when nothing matches.
  void FindItemByTaskId(HTREEITEM start, int taskId, HTREEITEM& found) const;

  // The framework window's handling only: no Enter toggling.
  BOOL PreTranslateMessage(MSG* pMsg) override;

  _RecordsetPtr m_pTaskRecordset;
  _RecordsetPtr m_pWorkRecordset;
  // 0 every task, 1 completed only, 2 scheduled only; set by the main frame.
  int m_filterMode = 0;

 private:
  // tasktype 0: every type; 1 or 2: only that type.
  int Fill(int tasktype);
};

// Closes a recordset that is open; errors are ignored (used on the way out
// of a failed walk).
void CloseIfOpen(const _RecordsetPtr& recordset);
// Shows a walk's database error under "Prompt", owned by `owner`.
void ShowTreeError(HWND owner, const _com_error& error);
