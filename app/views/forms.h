// What the task forms' MDI child frames share. The forms themselves:
// pravenorview.h (completed task), planthings.h (scheduled task), search.h
// (enquiry), financial.h (count).
#pragma once

#include <functional>

#include "platform/framework/afxdoc.h"
#include "platform/framework/afxframe.h"

// Creates an MDI child frame; the default placement is passed with every
// side at CW_USEDEFAULT, so that no size is computed from it.
BOOL CreateChildFrame(CMDIChildWnd* frame, LPCTSTR cls, LPCTSTR name, DWORD style, const RECT& rect,
                      CMDIFrameWnd* parent, CCreateContext* context);

// Calls `visit` with every open view of the running application's documents.
void ForEachOpenView(const std::function<void(CView*)>& visit);
// Activates the open task form of the task; FALSE when none is open.
BOOL ActivateOpenTaskView(int taskId);
