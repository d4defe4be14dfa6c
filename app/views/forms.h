// The four task forms' documents, MDI child frames and views, registered in
// the application's document templates. Temporary: empty windows until the
// works-and-tasks views bring the real forms.
#pragma once

#include "platform/framework/afxdoc.h"
#include "platform/framework/afxframe.h"

// Creates an MDI child frame; the default placement is passed with every
// side at CW_USEDEFAULT, so that no size is computed from it.
BOOL CreateChildFrame(CMDIChildWnd* frame, LPCTSTR cls, LPCTSTR name, DWORD style, const RECT& rect,
                      CMDIFrameWnd* parent, CCreateContext* context);

#define PV_TEMP_FORM_TRIO(Doc, Frame, View)             \
  class Doc : public CDocument {                        \
    DECLARE_DYNCREATE(Doc)                              \
   public:                                              \
    Doc() = default;                                    \
  };                                                    \
  class Frame : public CMDIChildWnd {                   \
    DECLARE_DYNCREATE(Frame)                            \
   public:                                              \
    Frame() = default;                                  \
    BOOL Create(LPCTSTR cls, LPCTSTR name, DWORD style, \
                const RECT& rect, CMDIFrameWnd* parent, \
                CCreateContext* context) override {     \
      return CreateChildFrame(this, cls, name, style,   \
                              rect, parent, context);   \
    }                                                   \
  };                                                    \
  class View : public CView {                           \
    DECLARE_DYNCREATE(View)                             \
   public:                                              \
    View() = default;                                   \
    void OnDraw(CDC*) override {}                       \
  };

// The completed-task form (template 129).
PV_TEMP_FORM_TRIO(CPravenorDoc, CChildFrame, CPravenorView)

#undef PV_TEMP_FORM_TRIO
