// The frame of the framework's own dialogs (file, font, new document): a
// centred modal box in the 8-point dialog font, filled with the standard
// controls by class name (the framework does not link the controls).
#pragma once

#include <string>

#include "platform/framework/afxdlg.h"
#include "platform/system/resources.h"

namespace pv::afx {

constexpr UINT kStaticId = 0xFFFF;  // labels and frames need no id

inline DialogTemplate OwnDialogTemplate(std::u16string caption, short cx, short cy) {
  DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER;
  t.caption = std::move(caption);
  t.cx = cx;
  t.cy = cy;
  t.pointSize = 8;
  t.faceName = u"MS Shell Dlg";
  return t;
}

// Appends a visible control (position and size in dialog units).
inline void AddControl(DialogTemplate& t, const char16_t* cls, const char16_t* text, DWORD style, UINT id, short x,
                       short y, short cx, short cy, DWORD exStyle = 0) {
  t.items.push_back({static_cast<DWORD>(WS_VISIBLE) | style, exStyle, x, y, cx, cy, id, cls, text, {}});
}

}  // namespace pv::afx
