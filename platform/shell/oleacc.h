// Accessibility: the IAccessible interface, answered in-process. Objects a
// window hands out for WM_GETOBJECT travel through LresultFromObject; a
// window that answers nothing gets a standard object describing it. There
// is no bridge to a screen reader; events go through NotifyWinEvent (the
// window layer's event hooks).
#pragma once

#include "platform/base/bstr.h"
#include "platform/base/com.h"
#include "platform/base/variant.h"
#include "platform/base/wintypes.h"
#include "platform/window/winuser.h"  // STATE_SYSTEM_UNAVAILABLE, _PRESSED, _INVISIBLE, _OFFSCREEN

// Roles.
constexpr LONG ROLE_SYSTEM_TITLEBAR = 0x1;
constexpr LONG ROLE_SYSTEM_MENUBAR = 0x2;
constexpr LONG ROLE_SYSTEM_SCROLLBAR = 0x3;
constexpr LONG ROLE_SYSTEM_WINDOW = 0x9;
constexpr LONG ROLE_SYSTEM_CLIENT = 0xA;
constexpr LONG ROLE_SYSTEM_MENUPOPUP = 0xB;
constexpr LONG ROLE_SYSTEM_MENUITEM = 0xC;
constexpr LONG ROLE_SYSTEM_TOOLTIP = 0xD;
constexpr LONG ROLE_SYSTEM_DIALOG = 0x12;
constexpr LONG ROLE_SYSTEM_GROUPING = 0x14;
constexpr LONG ROLE_SYSTEM_SEPARATOR = 0x15;
constexpr LONG ROLE_SYSTEM_TOOLBAR = 0x16;
constexpr LONG ROLE_SYSTEM_STATUSBAR = 0x17;
constexpr LONG ROLE_SYSTEM_TABLE = 0x18;
constexpr LONG ROLE_SYSTEM_ROW = 0x1C;
constexpr LONG ROLE_SYSTEM_CELL = 0x1D;
constexpr LONG ROLE_SYSTEM_LIST = 0x21;
constexpr LONG ROLE_SYSTEM_LISTITEM = 0x22;
constexpr LONG ROLE_SYSTEM_OUTLINE = 0x23;
constexpr LONG ROLE_SYSTEM_OUTLINEITEM = 0x24;
constexpr LONG ROLE_SYSTEM_PAGETAB = 0x25;
constexpr LONG ROLE_SYSTEM_STATICTEXT = 0x29;
constexpr LONG ROLE_SYSTEM_TEXT = 0x2A;
constexpr LONG ROLE_SYSTEM_PUSHBUTTON = 0x2B;
constexpr LONG ROLE_SYSTEM_CHECKBUTTON = 0x2C;
constexpr LONG ROLE_SYSTEM_RADIOBUTTON = 0x2D;
constexpr LONG ROLE_SYSTEM_COMBOBOX = 0x2E;
constexpr LONG ROLE_SYSTEM_PROGRESSBAR = 0x30;
constexpr LONG ROLE_SYSTEM_SLIDER = 0x33;
constexpr LONG ROLE_SYSTEM_SPINBUTTON = 0x34;
constexpr LONG ROLE_SYSTEM_BUTTONDROPDOWN = 0x38;
constexpr LONG ROLE_SYSTEM_BUTTONMENU = 0x39;
constexpr LONG ROLE_SYSTEM_PAGETABLIST = 0x3C;
constexpr LONG ROLE_SYSTEM_SPLITBUTTON = 0x3E;

// States.
constexpr LONG STATE_SYSTEM_NORMAL = 0;
constexpr LONG STATE_SYSTEM_SELECTED = 0x2;
constexpr LONG STATE_SYSTEM_FOCUSED = 0x4;
constexpr LONG STATE_SYSTEM_CHECKED = 0x10;
constexpr LONG STATE_SYSTEM_MIXED = 0x20;
constexpr LONG STATE_SYSTEM_READONLY = 0x40;
constexpr LONG STATE_SYSTEM_HOTTRACKED = 0x80;
constexpr LONG STATE_SYSTEM_DEFAULT = 0x100;
constexpr LONG STATE_SYSTEM_EXPANDED = 0x200;
constexpr LONG STATE_SYSTEM_COLLAPSED = 0x400;
constexpr LONG STATE_SYSTEM_BUSY = 0x800;
constexpr LONG STATE_SYSTEM_SIZEABLE = 0x20000;
constexpr LONG STATE_SYSTEM_MOVEABLE = 0x40000;
constexpr LONG STATE_SYSTEM_FOCUSABLE = 0x100000;
constexpr LONG STATE_SYSTEM_SELECTABLE = 0x200000;
constexpr LONG STATE_SYSTEM_HASPOPUP = 0x40000000;

// Navigation directions.
constexpr LONG NAVDIR_UP = 1;
constexpr LONG NAVDIR_DOWN = 2;
constexpr LONG NAVDIR_LEFT = 3;
constexpr LONG NAVDIR_RIGHT = 4;
constexpr LONG NAVDIR_NEXT = 5;
constexpr LONG NAVDIR_PREVIOUS = 6;
constexpr LONG NAVDIR_FIRSTCHILD = 7;
constexpr LONG NAVDIR_LASTCHILD = 8;

// Selection flags.
constexpr LONG SELFLAG_NONE = 0;
constexpr LONG SELFLAG_TAKEFOCUS = 0x1;
constexpr LONG SELFLAG_TAKESELECTION = 0x2;

struct IAccessible : IDispatch {
  STDMETHOD(get_accParent)(IDispatch** parent) PURE;
  STDMETHOD(get_accChildCount)(LONG* count) PURE;
  STDMETHOD(get_accChild)(VARIANT child, IDispatch** object) PURE;
  STDMETHOD(get_accName)(VARIANT child, BSTR* name) PURE;
  STDMETHOD(get_accValue)(VARIANT child, BSTR* value) PURE;
  STDMETHOD(get_accDescription)(VARIANT child, BSTR* description) PURE;
  STDMETHOD(get_accRole)(VARIANT child, VARIANT* role) PURE;
  STDMETHOD(get_accState)(VARIANT child, VARIANT* state) PURE;
  STDMETHOD(get_accHelp)(VARIANT child, BSTR* help) PURE;
  STDMETHOD(get_accHelpTopic)(BSTR* helpFile, VARIANT child, LONG* topic) PURE;
  STDMETHOD(get_accKeyboardShortcut)(VARIANT child, BSTR* shortcut) PURE;
  STDMETHOD(get_accFocus)(VARIANT* child) PURE;
  STDMETHOD(get_accSelection)(VARIANT* children) PURE;
  STDMETHOD(get_accDefaultAction)(VARIANT child, BSTR* action) PURE;
  STDMETHOD(accSelect)(LONG flags, VARIANT child) PURE;
  STDMETHOD(accLocation)(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) PURE;
  STDMETHOD(accNavigate)(LONG direction, VARIANT start, VARIANT* end) PURE;
  STDMETHOD(accHitTest)(LONG x, LONG y, VARIANT* child) PURE;
  STDMETHOD(accDoDefaultAction)(VARIANT child) PURE;
  STDMETHOD(put_accName)(VARIANT child, BSTR name) PURE;
  STDMETHOD(put_accValue)(VARIANT child, BSTR value) PURE;

 protected:
  ~IAccessible() override = default;
};
using LPACCESSIBLE = IAccessible*;
PV_DECLARE_UUID(IAccessible, "618736e0-3c3d-11cf-810c-00aa00389b71");
constexpr IID IID_IAccessible = __uuidof(IAccessible);

// The reply to WM_GETOBJECT for `object` (a positive value, or an error
// HRESULT). The reference is held until ObjectFromLresult takes it.
LRESULT LresultFromObject(REFIID riid, WPARAM wParam, IUnknown* object);
HRESULT ObjectFromLresult(LRESULT result, REFIID riid, WPARAM wParam, void** object);
// Asks the window (WM_GETOBJECT) and falls back to its standard object.
HRESULT AccessibleObjectFromWindow(HWND hwnd, DWORD objectId, REFIID riid, void** object);
// The standard object of a window (OBJID_WINDOW) or of its client area
// (OBJID_CLIENT): name from the window text, location, state, parent.
HRESULT CreateStdAccessibleObject(HWND hwnd, LONG objectId, REFIID riid, void** object);

namespace pv::acc {
// Registers "oleacc" in the module registry (see pv::shell::RegisterModules).
void RegisterModule();
// References still held for WM_GETOBJECT replies nobody took (tests).
size_t PendingResults();
}  // namespace pv::acc
