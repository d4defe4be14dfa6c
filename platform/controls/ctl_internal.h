// Helpers shared by the control units.
#pragma once

#include "platform/controls/commctrl.h"
#include "platform/gdi/syscolors.h"
#include "platform/gdi/wingdi.h"

namespace pv::controls {

// Each control keeps its state object in the first pointer of its extra bytes.
template <class T>
T* StateOf(HWND h) {
  return reinterpret_cast<T*>(::GetWindowLongPtr(h, 0));
}
template <class T>
void SetState(HWND h, T* s) {
  ::SetWindowLongPtr(h, 0, reinterpret_cast<LONG_PTR>(s));
}

// WM_COMMAND with a notification code to the parent.
inline void NotifyParent(HWND h, UINT code) {
  HWND parent = ::GetParent(h);
  if (parent) ::SendMessage(parent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(h), code), reinterpret_cast<LPARAM>(h));
}

// WM_NOTIFY to the parent with the header filled in.
inline LRESULT SendNotify(HWND h, UINT code, NMHDR* hdr) {
  hdr->hwndFrom = h;
  hdr->idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(h));
  hdr->code = code;
  HWND parent = ::GetParent(h);
  if (!parent) return 0;
  return ::SendMessage(parent, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr));
}

inline HFONT FontOr(HFONT f) { return f ? f : static_cast<HFONT>(::GetStockObject(SYSTEM_FONT)); }

void RegisterOne(LPCWSTR name, WNDPROC proc, UINT style);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TreeProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ComboProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ToolTipProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK MonthCalProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ScrollBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK DateTimeProc(HWND, UINT, WPARAM, LPARAM);

}  // namespace pv::controls
