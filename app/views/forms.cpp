#include "app/views/forms.h"

BOOL CreateChildFrame(CMDIChildWnd* frame, LPCTSTR cls, LPCTSTR name, DWORD style, const RECT& rect,
                      CMDIFrameWnd* parent, CCreateContext* context) {
  RECT placed = rect;
  if (rect.left == CW_USEDEFAULT) placed = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
  return frame->CMDIChildWnd::Create(cls, name, style, placed, parent, context);
}
