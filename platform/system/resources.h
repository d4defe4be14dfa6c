// Resources compiled into the program (see docs/resources.md).
//
// Resource sources (text and image files) are compiled at build time by
// tools/rc/pvrc.py into tables of pv::ResourceEntry; each compiled set
// registers itself (pv::RegisterResourceSet) with the program's module or
// with a named built-in module that LoadLibrary then finds. The data of
// each type has a fixed binary form, described in docs/resources.md:
// string tables, tool bars, icon and cursor groups and bitmaps in their
// classic layouts; menus and dialog templates in this layer's own layout,
// read with pv::DecodeMenuResource / pv::DecodeDialogResource.
#pragma once

#include <string>
#include <vector>

#include "platform/base/lasterror.h"
#include "platform/base/wintypes.h"

#define RT_CURSOR MAKEINTRESOURCE(1)
#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_ICON MAKEINTRESOURCE(3)
#define RT_MENU MAKEINTRESOURCE(4)
#define RT_DIALOG MAKEINTRESOURCE(5)
#define RT_STRING MAKEINTRESOURCE(6)
#define RT_FONTDIR MAKEINTRESOURCE(7)
#define RT_FONT MAKEINTRESOURCE(8)
#define RT_ACCELERATOR MAKEINTRESOURCE(9)
#define RT_RCDATA MAKEINTRESOURCE(10)
#define RT_MESSAGETABLE MAKEINTRESOURCE(11)
#define RT_GROUP_CURSOR MAKEINTRESOURCE(12)
#define RT_GROUP_ICON MAKEINTRESOURCE(14)
#define RT_VERSION MAKEINTRESOURCE(16)
#define RT_ANICURSOR MAKEINTRESOURCE(21)
#define RT_ANIICON MAKEINTRESOURCE(22)
#define RT_HTML MAKEINTRESOURCE(23)
#define RT_MANIFEST MAKEINTRESOURCE(24)
#define RT_DLGINIT MAKEINTRESOURCE(240)
#define RT_TOOLBAR MAKEINTRESOURCE(241)

using ENUMRESTYPEPROCW = BOOL (*)(HMODULE module, LPWSTR type, LONG_PTR param);
using ENUMRESNAMEPROCW = BOOL (*)(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param);
using ENUMRESLANGPROCW = BOOL (*)(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR param);

// Names and types: MAKEINTRESOURCE ids, "#123" (the id 123) or names
// (matched without regard to case). A null module is the program's.
// FindResource picks, among the languages of a resource, the thread
// locale's language, then the same primary language, then neutral, then
// English (United States), then the first one.
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
inline HRSRC FindResource(HMODULE m, LPCWSTR n, LPCWSTR t) { return FindResourceW(m, n, t); }
inline HRSRC FindResourceEx(HMODULE m, LPCWSTR t, LPCWSTR n, WORD l) { return FindResourceExW(m, t, n, l); }
// The data lives as long as the program; LoadResource/LockResource return
// a pointer to it and FreeResource does nothing.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeResource(HGLOBAL data);
// Types and names enumerate string names first (in case-insensitive order),
// then ids in ascending order; the callback returns FALSE to stop.
BOOL EnumResourceTypesW(HMODULE module, ENUMRESTYPEPROCW proc, LONG_PTR param);
BOOL EnumResourceNamesW(HMODULE module, LPCWSTR type, ENUMRESNAMEPROCW proc, LONG_PTR param);
BOOL EnumResourceLanguagesW(HMODULE module, LPCWSTR type, LPCWSTR name, ENUMRESLANGPROCW proc, LONG_PTR param);
inline BOOL EnumResourceTypes(HMODULE m, ENUMRESTYPEPROCW p, LONG_PTR l) { return EnumResourceTypesW(m, p, l); }
inline BOOL EnumResourceNames(HMODULE m, LPCWSTR t, ENUMRESNAMEPROCW p, LONG_PTR l) {
  return EnumResourceNamesW(m, t, p, l);
}
inline BOOL EnumResourceLanguages(HMODULE m, LPCWSTR t, LPCWSTR n, ENUMRESLANGPROCW p, LONG_PTR l) {
  return EnumResourceLanguagesW(m, t, n, p, l);
}

// Copies string `id` (cut to max-1 characters) and returns its length;
// max == 0 stores a read-only pointer to the text (not terminated) in
// *(LPWSTR*)buffer. 0 when the string does not exist.
int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int max);
inline int LoadString(HINSTANCE m, UINT id, LPWSTR b, int max) { return LoadStringW(m, id, b, max); }

// The framework's resource handle: where its loaders look first.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);
HINSTANCE AfxGetInstanceHandle();
// The module that holds the resource: the resource handle, else the
// program; null when neither has it.
HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type);

namespace pv {

// ---- compiled tables ----------------------------------------------------------------------
// A type or name is an id (text == nullptr) or an upper-case text.
struct ResourceEntry {
  const char16_t* typeText;
  WORD typeId;
  const char16_t* nameText;
  WORD nameId;
  WORD language;
  const unsigned char* data;
  DWORD size;
};

struct ResourceSet {
  const char16_t* module;  // null: the program's module; else a built-in module's name
  const ResourceEntry* entries;
  std::size_t count;
};

// Adds a set to its module (registering the module when needed). A set
// registered twice is added once. Returns the module.
HMODULE RegisterResourceSet(const ResourceSet* set);
// Removes a set again (tests).
void UnregisterResourceSet(const ResourceSet* set);

// String `id` of a module (null: the resource handle, then the program).
bool LoadStringFromModule(HMODULE module, UINT id, std::u16string* out);

// ---- data forms -----------------------------------------------------------------------------
// Menu item flags as stored (the MF_* values of the window layer).
constexpr WORD kMenuGrayed = 0x0001;
constexpr WORD kMenuDisabled = 0x0002;
constexpr WORD kMenuChecked = 0x0008;
constexpr WORD kMenuPopup = 0x0010;
constexpr WORD kMenuBarBreak = 0x0020;
constexpr WORD kMenuBreak = 0x0040;
constexpr WORD kMenuOwnerDraw = 0x0100;
constexpr WORD kMenuDefault = 0x1000;
constexpr WORD kMenuHelp = 0x4000;
constexpr WORD kMenuSeparator = 0x0800;

struct MenuItemTemplate {
  WORD flags = 0;
  UINT id = 0;
  std::u16string text;                     // "&File", "&Open...\tCtrl+O"; empty for separators
  std::vector<MenuItemTemplate> children;  // popups only
};
struct MenuTemplate {
  std::vector<MenuItemTemplate> items;
};

struct DialogItemTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  UINT id = 0;
  std::u16string className;  // "Button", "Edit", "Static", "ListBox", "ComboBox", "ScrollBar" or a registered class
  std::u16string text;       // title; "#123" for a resource id (an icon of a static)
  std::vector<BYTE> extra;   // creation data
};
struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::u16string caption;
  std::u16string menu;       // "" none, "#id" or a name
  std::u16string className;  // "" for the standard dialog class
  WORD pointSize = 0;        // 0: no font given (DS_SETFONT absent)
  WORD weight = 0;
  BYTE italic = 0;
  BYTE charset = 1;
  std::u16string faceName;
  std::vector<DialogItemTemplate> items;
};

// The size of a menu or dialog blob from its header (0 when it is not one).
DWORD TemplateBlobSize(const void* data);
bool DecodeMenuResource(const void* data, DWORD size, MenuTemplate* out);
bool DecodeDialogResource(const void* data, DWORD size, DialogTemplate* out);
// The same layouts, for templates built at run time.
std::vector<BYTE> EncodeMenuResource(const MenuTemplate& menu);
std::vector<BYTE> EncodeDialogResource(const DialogTemplate& dialog);

// One accelerator as stored: ACCEL's layout (6 bytes); the last entry of a
// table has 0x80 set in fVirt.
struct AcceleratorEntry {
  BYTE fVirt;
  WORD key;
  WORD cmd;
};
static_assert(sizeof(AcceleratorEntry) == 6, "accelerator entries are 6 bytes");

struct ToolBarTemplate {
  WORD version = 1;
  WORD width = 0, height = 0;
  std::vector<WORD> ids;  // 0 = separator
};
bool DecodeToolBarResource(const void* data, DWORD size, ToolBarTemplate* out);

// Dialog initialisation data (RT_DLGINIT, stored under the dialog's name):
// texts added to the dialog's list and combo boxes when it is created.
// Records of `WORD control id, WORD message, DWORD length, BYTE data[length]`
// (the text in UTF-8 with its terminating zero), ended by a control id of 0.
// The message is LB_ADDSTRING or CB_ADDSTRING; the older numbers 0x0401 and
// 0x0403 for them are read as those.
struct DialogInitEntry {
  WORD controlId = 0;
  WORD message = 0;
  std::u16string text;
};
// Refuses a blob cut short, a record running past the end, or a text that
// is not UTF-8. The end of the data also ends the list.
bool DecodeDialogInitResource(const void* data, DWORD size, std::vector<DialogInitEntry>* out);
std::vector<BYTE> EncodeDialogInitResource(const std::vector<DialogInitEntry>& entries);

}  // namespace pv
