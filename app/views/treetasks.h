// What the task forms and the enquiry and count forms do to the main
// frame's two trees: add a new task in place (no refill), find a task's
// items again after a refill, and make a task's items the frame's current
// items.
#pragma once

#include "platform/controls/afxcmn.h"

class CCaptionTree;
class CDateTree;
class CFrameState;
class COleDateTime;

// Appends the task to its work's item (the last item of the work id) when
// the tree's filter shows tasks of its type; the new item, or null.
HTREEITEM AddTaskToWorkTree(CCaptionTree& tree, int workId, int taskId, int tasktype, const CString& title);

// Appends the task ("work name.title") to its day item, which is made at
// its place in day order when missing. Null when the year or the month has
// no item, or when the tree shows workdays only and the date is a Saturday
// or a Sunday.
HTREEITEM AddTaskToDateTree(CDateTree& tree, const COleDateTime& date, const CString& workName, const CString& title,
                            int taskId, int tasktype);

// The item with `itemData` among the tasks of the work items of `workId`,
// or null.
HTREEITEM FindTaskInWorkTree(const CCaptionTree& tree, int workId, LPARAM itemData);
// The first task item (five levels deep) with `itemData`, or null.
HTREEITEM FindTaskInDateTree(const CDateTree& tree, LPARAM itemData);

// A form's look-up of its task (item data +taid or -taid): the form's item
// becomes the found item or null, and a found item also becomes the
// frame's current item of that tree.
BOOL LocateTaskInWorkTree(CFrameState& frame, int workId, LPARAM itemData, HTREEITEM& formItem);
BOOL LocateTaskInDateTree(CFrameState& frame, LPARAM itemData, HTREEITEM& formItem);

// The enquiry and count forms: the task's item (of either type) becomes the
// frame's current item of that tree; FALSE, and nothing changed, when the
// tree does not show the task.
BOOL SelectTaskInWorkTree(CFrameState& frame, int workId, int taskId);
BOOL SelectTaskInDateTree(CFrameState& frame, int taskId);
