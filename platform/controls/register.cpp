// Registration of the standard control classes: each one global, once per
// process, with its state in the first extra window bytes.
#include "platform/controls/ctl_internal.h"

namespace pv::controls {

void RegisterOne(LPCWSTR name, WNDPROC proc, UINT style) {
  WNDCLASSW probe{};
  if (::GetClassInfo(nullptr, name, &probe)) return;
  WNDCLASSW wc{};
  wc.style = style | CS_GLOBALCLASS;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  ::RegisterClass(&wc);
}

void RegisterStandardControls() {
  RegisterOne(WC_EDIT, EditProc, CS_DBLCLKS | CS_PARENTDC);
  RegisterOne(WC_BUTTON, ButtonProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW);
  RegisterOne(WC_STATIC, StaticProc, CS_DBLCLKS | CS_PARENTDC);
  RegisterOne(WC_TREEVIEW, TreeProc, CS_DBLCLKS);
  RegisterOne(WC_LISTBOX, ListBoxProc, CS_DBLCLKS | CS_PARENTDC);
  RegisterOne(WC_SCROLLBAR, ScrollBarProc, CS_DBLCLKS | CS_PARENTDC);
  RegisterOne(MONTHCAL_CLASS, MonthCalProc, CS_DBLCLKS);
  RegisterOne(DATETIMEPICK_CLASS, DateTimeProc, CS_DBLCLKS);
  RegisterOne(TOOLTIPS_CLASS, ToolTipProc, CS_DBLCLKS | CS_SAVEBITS);
  RegisterOne(WC_COMBOBOX, ComboProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW);
}

}  // namespace pv::controls
