#include "app/views/forms.h"

#include "app/views/planthings.h"
#include "app/views/pravenorview.h"
#include "platform/framework/afxapp.h"

BOOL CreateChildFrame(CMDIChildWnd* frame, LPCTSTR cls, LPCTSTR name, DWORD style, const RECT& rect,
                      CMDIFrameWnd* parent, CCreateContext* context) {
  RECT placed = rect;
  if (rect.left == CW_USEDEFAULT) placed = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
  return frame->CMDIChildWnd::Create(cls, name, style, placed, parent, context);
}

void ForEachOpenView(const std::function<void(CView*)>& visit) {
  CWinApp* app = AfxGetApp();
  if (!app) return;
  POSITION t = app->GetFirstDocTemplatePosition();
  while (t) {
    CDocTemplate* docTemplate = app->GetNextDocTemplate(t);
    for (POSITION d = docTemplate->GetFirstDocPosition(); d;) {
      CDocument* doc = docTemplate->GetNextDoc(d);
      for (POSITION v = doc->GetFirstViewPosition(); v;) visit(doc->GetNextView(v));
    }
  }
}

BOOL ActivateOpenTaskView(int taskId) {
  CView* found = nullptr;
  ForEachOpenView([&](CView* view) {
    if (auto* form = dynamic_cast<CPravenorView*>(view); form && form->TaskExists() && form->GetTaskId() == taskId)
      found = view;
    if (auto* plan = dynamic_cast<CPlanThingsView*>(view); plan && plan->m_bTaskExists && plan->m_nTaskId == taskId)
      found = view;
  });
  if (!found) return FALSE;
  if (auto* child = dynamic_cast<CMDIChildWnd*>(found->GetParentFrame())) child->MDIActivate();
  return TRUE;
}
