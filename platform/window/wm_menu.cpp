// Menus: menu objects, window menu bars and system menus, loading from
// resources, and the drawn pop-up menus with their modal tracking loop.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/system/resources.h"
#include "platform/window/wm_internal.h"

using namespace pv::wm;

namespace pv::wm {

struct MenuItem {
  UINT type = MFT_STRING;
  UINT state = 0;
  UINT id = 0;
  HMENU sub = nullptr;
  HBITMAP checked = nullptr;
  HBITMAP unchecked = nullptr;
  HBITMAP bitmap = nullptr;
  ULONG_PTR data = 0;
  std::u16string text;
  RECT rect{};  // layout: in the pop-up's client area or the bar's window coordinates
};

struct Menu {
  bool popup = false;
  std::vector<MenuItem> items;
  DWORD style = 0;
  UINT cyMax = 0;
  HBRUSH back = nullptr;
  DWORD helpId = 0;
  ULONG_PTR menuData = 0;
  HWND bar = nullptr;  // the window showing it as its menu bar
  bool system = false;
  HWND sysOwner = nullptr;  // a system menu: the window it belongs to
};

namespace {

struct Tracker;

// Every menu by its handle, and the menu being tracked: the UI thread's.
struct MenuTable {
  std::map<uintptr_t, std::unique_ptr<Menu>> byHandle;
  uintptr_t nextHandle = 0x20000;
  Tracker* tracker = nullptr;  // the menu the user is in (one at a time)
};

MenuTable& MenuState() {
  static MenuTable& t = *new MenuTable;
  return t;
}
std::map<uintptr_t, std::unique_ptr<Menu>>& Menus() { return MenuState().byHandle; }

Menu* MenuOf(HMENU h) {
  auto it = Menus().find(reinterpret_cast<uintptr_t>(h));
  if (it == Menus().end()) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return nullptr;
  }
  return it->second.get();
}

HMENU NewMenu(bool popup) {
  auto m = std::make_unique<Menu>();
  m->popup = popup;
  uintptr_t id = MenuState().nextHandle;
  MenuState().nextHandle += 4;
  Menus()[id] = std::move(m);
  return reinterpret_cast<HMENU>(id);
}

// Finds an item by position or by command (searching sub-menus); gives the
// menu that holds it.
MenuItem* FindItem(HMENU h, UINT item, bool byPos, Menu** owner = nullptr, int* index = nullptr, int depth = 0) {
  Menu* m = MenuOf(h);
  if (!m || depth > 32) return nullptr;
  if (byPos) {
    if (item >= m->items.size()) return nullptr;
    if (owner) *owner = m;
    if (index) *index = static_cast<int>(item);
    return &m->items[item];
  }
  for (size_t i = 0; i < m->items.size(); ++i) {
    MenuItem& it = m->items[i];
    if (!it.sub && it.id == item) {
      if (owner) *owner = m;
      if (index) *index = static_cast<int>(i);
      return &it;
    }
  }
  for (size_t i = 0; i < m->items.size(); ++i) {
    MenuItem& it = m->items[i];
    if (it.sub) {
      if (MenuItem* f = FindItem(it.sub, item, false, owner, index, depth + 1)) return f;
      if (it.id == item) {
        if (owner) *owner = m;
        if (index) *index = static_cast<int>(i);
        return &it;
      }
    }
  }
  return nullptr;
}

std::u16string Text(LPCWSTR s) {
  if (!s || IS_INTRESOURCE(s)) return {};
  size_t n = 0;
  while (s[n]) ++n;
  return std::u16string(s, n);
}

void ApplyFlags(MenuItem& it, UINT flags, UINT_PTR idOrPopup, LPCWSTR item) {
  it.type = flags & (MF_BITMAP | MF_OWNERDRAW | MF_SEPARATOR | MF_MENUBREAK | MF_MENUBARBREAK | MF_RIGHTJUSTIFY |
                     MFT_RADIOCHECK | MFT_RIGHTORDER);
  it.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT);
  if (flags & MF_POPUP) {
    it.sub = reinterpret_cast<HMENU>(idOrPopup);
    it.id = static_cast<UINT>(idOrPopup);
    if (Menu* s = MenuOf(it.sub)) s->popup = true;
  } else {
    it.sub = nullptr;
    it.id = static_cast<UINT>(idOrPopup);
  }
  it.text.clear();
  it.bitmap = nullptr;
  it.data = 0;
  if (flags & MF_BITMAP) it.bitmap = reinterpret_cast<HBITMAP>(const_cast<WCHAR*>(item));
  else if (flags & MF_OWNERDRAW) it.data = reinterpret_cast<ULONG_PTR>(item);
  else if (!(flags & MF_SEPARATOR)) it.text = Text(item);
}

void BuildFromTemplate(HMENU h, const std::vector<pv::MenuItemTemplate>& items) {
  for (const auto& t : items) {
    UINT flags = t.flags & ~static_cast<UINT>(pv::kMenuPopup);
    if (t.flags & pv::kMenuPopup) {
      HMENU sub = CreatePopupMenu();
      BuildFromTemplate(sub, t.children);
      AppendMenu(h, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), t.text.c_str());
    } else if (t.flags & pv::kMenuSeparator || (t.text.empty() && t.id == 0)) {
      AppendMenu(h, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenu(h, flags, t.id, t.text.c_str());
    }
  }
}

}  // namespace

Menu* MenuFromHandle(HMENU h) { return MenuOf(h); }

void DestroyWindowMenus(Wnd* w) {
  if (w->menu && !(w->style & WS_CHILD)) {
    if (Menu* m = MenuOf(w->menu)) {
      if (m->bar == w->hwnd) DestroyMenu(w->menu);
    }
    w->menu = nullptr;
  }
  if (w->sysMenu) {
    DestroyMenu(w->sysMenu);
    w->sysMenu = nullptr;
  }
}

}  // namespace pv::wm

// ---- menu objects ---------------------------------------------------------------------------------
HMENU CreateMenu() { return NewMenu(false); }
HMENU CreatePopupMenu() { return NewMenu(true); }

BOOL IsMenu(HMENU menu) { return Menus().count(reinterpret_cast<uintptr_t>(menu)) ? TRUE : FALSE; }

BOOL DestroyMenu(HMENU menu) {
  auto it = Menus().find(reinterpret_cast<uintptr_t>(menu));
  if (it == Menus().end()) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  std::unique_ptr<Menu> m = std::move(it->second);
  Menus().erase(it);
  if (m->bar)
    if (Wnd* w = FromHandleQuiet(m->bar))
      if (w->menu == menu) w->menu = nullptr;
  for (MenuItem& item : m->items)
    if (item.sub) DestroyMenu(item.sub);
  return TRUE;
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR item) {
  Menu* m = MenuOf(menu);
  if (!m) return FALSE;
  MenuItem it;
  ApplyFlags(it, flags, idOrPopup, item);
  if (flags & MF_BYPOSITION) {
    size_t pos = position == static_cast<UINT>(-1) ? m->items.size() : std::min<size_t>(position, m->items.size());
    m->items.insert(m->items.begin() + static_cast<long>(pos), it);
    return TRUE;
  }
  Menu* owner = nullptr;
  int index = -1;
  if (!FindItem(menu, position, false, &owner, &index)) {
    m->items.push_back(it);  // an unknown command appends, as callers expect
    return TRUE;
  }
  owner->items.insert(owner->items.begin() + index, it);
  return TRUE;
}
BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR item) {
  return InsertMenu(menu, position, flags, idOrPopup, item);
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCWSTR item) {
  return InsertMenu(menu, static_cast<UINT>(-1), flags | MF_BYPOSITION, idOrPopup, item);
}
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCWSTR item) {
  return AppendMenu(menu, flags, idOrPopup, item);
}

BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR item) {
  MenuItem* it = FindItem(menu, position, (flags & MF_BYPOSITION) != 0);
  if (!it) return FALSE;
  HMENU oldSub = it->sub;
  ApplyFlags(*it, flags, idOrPopup, item);
  if (oldSub && oldSub != it->sub) DestroyMenu(oldSub);
  return TRUE;
}
BOOL ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR item) {
  return ModifyMenu(menu, position, flags, idOrPopup, item);
}

namespace {
BOOL RemoveOrDelete(HMENU menu, UINT position, UINT flags, bool destroy) {
  Menu* owner = nullptr;
  int index = -1;
  if (!FindItem(menu, position, (flags & MF_BYPOSITION) != 0, &owner, &index)) return FALSE;
  HMENU sub = owner->items[static_cast<size_t>(index)].sub;
  owner->items.erase(owner->items.begin() + index);
  if (destroy && sub) DestroyMenu(sub);
  return TRUE;
}
}  // namespace

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) { return RemoveOrDelete(menu, position, flags, false); }
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) { return RemoveOrDelete(menu, position, flags, true); }

UINT EnableMenuItem(HMENU menu, UINT id, UINT enable) {
  MenuItem* it = FindItem(menu, id, (enable & MF_BYPOSITION) != 0);
  if (!it) return static_cast<UINT>(-1);
  UINT old = it->state & (MF_GRAYED | MF_DISABLED);
  it->state = (it->state & ~static_cast<UINT>(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return old;
}

DWORD CheckMenuItem(HMENU menu, UINT id, UINT check) {
  MenuItem* it = FindItem(menu, id, (check & MF_BYPOSITION) != 0);
  if (!it) return static_cast<DWORD>(-1);
  DWORD old = it->state & MF_CHECKED;
  if (check & MF_CHECKED) it->state |= MF_CHECKED;
  else it->state &= ~static_cast<UINT>(MF_CHECKED);
  return old;
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags) {
  Menu* m = MenuOf(menu);
  if (!m) return FALSE;
  bool byPos = (flags & MF_BYPOSITION) != 0;
  bool found = false;
  for (size_t i = 0; i < m->items.size(); ++i) {
    MenuItem& it = m->items[i];
    UINT key = byPos ? static_cast<UINT>(i) : it.id;
    if (key < first || key > last || it.sub) continue;
    if (key == check) {
      it.state |= MF_CHECKED;
      it.type |= MFT_RADIOCHECK;
      found = true;
    } else {
      it.state &= ~static_cast<UINT>(MF_CHECKED);
    }
  }
  return found;
}

BOOL HiliteMenuItem(HWND, HMENU menu, UINT item, UINT hilite) {
  MenuItem* it = FindItem(menu, item, (hilite & MF_BYPOSITION) != 0);
  if (!it) return FALSE;
  if (hilite & MF_HILITE) it->state |= MF_HILITE;
  else it->state &= ~static_cast<UINT>(MF_HILITE);
  return TRUE;
}

int GetMenuItemCount(HMENU menu) {
  Menu* m = MenuOf(menu);
  return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int pos) {
  Menu* m = MenuOf(menu);
  if (!m || pos < 0 || static_cast<size_t>(pos) >= m->items.size()) return static_cast<UINT>(-1);
  const MenuItem& it = m->items[static_cast<size_t>(pos)];
  return it.sub ? static_cast<UINT>(-1) : it.id;
}

UINT GetMenuState(HMENU menu, UINT id, UINT flags) {
  MenuItem* it = FindItem(menu, id, (flags & MF_BYPOSITION) != 0);
  if (!it) return static_cast<UINT>(-1);
  UINT s = (it->type | it->state) & 0xFFFF;
  if (it->sub) {
    Menu* sub = MenuOf(it->sub);
    s = (static_cast<UINT>(sub ? sub->items.size() : 0) << 8) | (s & 0xFF) | MF_POPUP;
  }
  return s;
}

int GetMenuString(HMENU menu, UINT id, LPWSTR buffer, int size, UINT flags) {
  MenuItem* it = FindItem(menu, id, (flags & MF_BYPOSITION) != 0);
  if (!it) {
    if (buffer && size > 0) buffer[0] = 0;
    return 0;
  }
  if (!buffer || size <= 0) return static_cast<int>(it->text.size());
  int n = std::min(static_cast<int>(it->text.size()), size - 1);
  std::memcpy(buffer, it->text.data(), static_cast<size_t>(n) * sizeof(WCHAR));
  buffer[n] = 0;
  return n;
}
int GetMenuStringW(HMENU menu, UINT id, LPWSTR buffer, int size, UINT flags) {
  return GetMenuString(menu, id, buffer, size, flags);
}

HMENU GetSubMenu(HMENU menu, int pos) {
  Menu* m = MenuOf(menu);
  if (!m || pos < 0 || static_cast<size_t>(pos) >= m->items.size()) return nullptr;
  return m->items[static_cast<size_t>(pos)].sub;
}

UINT GetMenuDefaultItem(HMENU menu, UINT byPos, UINT flags) {
  Menu* m = MenuOf(menu);
  if (!m) return static_cast<UINT>(-1);
  for (size_t i = 0; i < m->items.size(); ++i) {
    MenuItem& it = m->items[i];
    if (!(it.state & MF_DEFAULT)) continue;
    if ((it.state & (MF_GRAYED | MF_DISABLED)) && !(flags & GMDI_USEDISABLED)) return static_cast<UINT>(-1);
    if ((flags & GMDI_GOINTOPOPUPS) && it.sub) {
      UINT inner = GetMenuDefaultItem(it.sub, byPos, flags);
      if (inner != static_cast<UINT>(-1)) return inner;
    }
    return byPos ? static_cast<UINT>(i) : it.id;
  }
  return static_cast<UINT>(-1);
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPos) {
  Menu* m = MenuOf(menu);
  if (!m) return FALSE;
  for (MenuItem& it : m->items) it.state &= ~static_cast<UINT>(MF_DEFAULT);
  if (item == static_cast<UINT>(-1)) return TRUE;
  MenuItem* it = nullptr;
  if (byPos) {
    if (item < m->items.size()) it = &m->items[item];
  } else {
    for (MenuItem& x : m->items)
      if (x.id == item) it = &x;
  }
  if (!it) return FALSE;
  it->state |= MF_DEFAULT;
  return TRUE;
}

namespace {
void ApplyInfo(MenuItem* it, LPCMENUITEMINFOW info) {
  UINT mask = info->fMask;
  if (mask & MIIM_TYPE) {
    it->type = info->fType;
    it->text.clear();
    it->bitmap = nullptr;
    if (info->fType & MFT_BITMAP) it->bitmap = reinterpret_cast<HBITMAP>(info->dwTypeData);
    else if (!(info->fType & (MFT_SEPARATOR | MFT_OWNERDRAW))) it->text = Text(info->dwTypeData);
  }
  if (mask & MIIM_FTYPE) it->type = info->fType & ~static_cast<UINT>(MFT_BITMAP);
  if (mask & MIIM_STRING) it->text = Text(info->dwTypeData);
  if (mask & MIIM_STATE) it->state = info->fState;
  if (mask & MIIM_ID) it->id = info->wID;
  if (mask & MIIM_SUBMENU) {
    it->sub = info->hSubMenu;
    if (Menu* s = MenuOf(it->sub)) s->popup = true;
  }
  if (mask & MIIM_DATA) it->data = info->dwItemData;
  if (mask & MIIM_CHECKMARKS) {
    it->checked = info->hbmpChecked;
    it->unchecked = info->hbmpUnchecked;
  }
  if (mask & MIIM_BITMAP) it->bitmap = info->hbmpItem;
}
}  // namespace

BOOL InsertMenuItem(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
  Menu* m = MenuOf(menu);
  if (!m || !info) return FALSE;
  MenuItem it;
  ApplyInfo(&it, info);
  Menu* owner = m;
  size_t pos = m->items.size();
  if (byPosition) {
    pos = item == static_cast<UINT>(-1) ? m->items.size() : std::min<size_t>(item, m->items.size());
  } else {
    int index = -1;
    if (FindItem(menu, item, false, &owner, &index)) pos = static_cast<size_t>(index);
  }
  owner->items.insert(owner->items.begin() + static_cast<long>(pos), it);
  return TRUE;
}
BOOL InsertMenuItemW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
  return InsertMenuItem(menu, item, byPosition, info);
}

BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
  if (!info) return FALSE;
  MenuItem* it = FindItem(menu, item, byPosition != FALSE);
  if (!it) return FALSE;
  ApplyInfo(it, info);
  return TRUE;
}
BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
  return SetMenuItemInfo(menu, item, byPosition, info);
}

BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOW info) {
  if (!info) return FALSE;
  MenuItem* it = FindItem(menu, item, byPosition != FALSE);
  if (!it) return FALSE;
  UINT mask = info->fMask;
  auto copyText = [&] {
    if (!info->dwTypeData || info->cch == 0) {
      info->cch = static_cast<UINT>(it->text.size());
      return;
    }
    UINT n = std::min<UINT>(static_cast<UINT>(it->text.size()), info->cch - 1);
    std::memcpy(info->dwTypeData, it->text.data(), n * sizeof(WCHAR));
    info->dwTypeData[n] = 0;
    info->cch = n;
  };
  if (mask & MIIM_TYPE) {
    info->fType = it->type;
    if (it->bitmap && !(it->type & MFT_OWNERDRAW)) {
      info->fType |= MFT_BITMAP;
      info->dwTypeData = reinterpret_cast<LPWSTR>(it->bitmap);
    } else if (!(it->type & (MFT_SEPARATOR | MFT_OWNERDRAW))) {
      copyText();
    }
  }
  if (mask & MIIM_FTYPE) info->fType = it->type;
  if (mask & MIIM_STRING) copyText();
  if (mask & MIIM_STATE) info->fState = it->state;
  if (mask & MIIM_ID) info->wID = it->id;
  if (mask & MIIM_SUBMENU) info->hSubMenu = it->sub;
  if (mask & MIIM_DATA) info->dwItemData = it->data;
  if (mask & MIIM_CHECKMARKS) {
    info->hbmpChecked = it->checked;
    info->hbmpUnchecked = it->unchecked;
  }
  if (mask & MIIM_BITMAP) info->hbmpItem = it->bitmap;
  return TRUE;
}
BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOW info) {
  return GetMenuItemInfo(menu, item, byPosition, info);
}

BOOL GetMenuInfo(HMENU menu, LPMENUINFO info) {
  Menu* m = MenuOf(menu);
  if (!m || !info) return FALSE;
  if (info->fMask & MIM_STYLE) info->dwStyle = m->style;
  if (info->fMask & MIM_MAXHEIGHT) info->cyMax = m->cyMax;
  if (info->fMask & MIM_BACKGROUND) info->hbrBack = m->back;
  if (info->fMask & MIM_HELPID) info->dwContextHelpID = m->helpId;
  if (info->fMask & MIM_MENUDATA) info->dwMenuData = m->menuData;
  return TRUE;
}

BOOL SetMenuInfo(HMENU menu, LPCMENUINFO info) {
  Menu* m = MenuOf(menu);
  if (!m || !info) return FALSE;
  auto apply = [&](Menu* t) {
    if (info->fMask & MIM_STYLE) t->style = info->dwStyle;
    if (info->fMask & MIM_MAXHEIGHT) t->cyMax = info->cyMax;
    if (info->fMask & MIM_BACKGROUND) t->back = info->hbrBack;
    if (info->fMask & MIM_HELPID) t->helpId = info->dwContextHelpID;
    if (info->fMask & MIM_MENUDATA) t->menuData = info->dwMenuData;
  };
  apply(m);
  if (info->fMask & MIM_APPLYTOSUBMENUS)
    for (MenuItem& it : m->items)
      if (it.sub) SetMenuInfo(it.sub, info);
  return TRUE;
}

BOOL SetMenuItemBitmaps(HMENU menu, UINT position, UINT flags, HBITMAP unchecked, HBITMAP checked) {
  MenuItem* it = FindItem(menu, position, (flags & MF_BYPOSITION) != 0);
  if (!it) return FALSE;
  it->checked = checked;
  it->unchecked = unchecked;
  return TRUE;
}

LONG GetMenuCheckMarkDimensions() {
  return MAKELONG(GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK));
}

DWORD GetMenuContextHelpId(HMENU menu) {
  Menu* m = MenuOf(menu);
  return m ? m->helpId : 0;
}
BOOL SetMenuContextHelpId(HMENU menu, DWORD id) {
  Menu* m = MenuOf(menu);
  if (!m) return FALSE;
  m->helpId = id;
  return TRUE;
}

HMENU LoadMenuIndirect(const void* templ) {
  DWORD size = pv::TemplateBlobSize(templ);
  pv::MenuTemplate t;
  if (!templ || !size || !pv::DecodeMenuResource(templ, size, &t)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  HMENU m = CreateMenu();
  BuildFromTemplate(m, t.items);
  return m;
}
HMENU LoadMenuIndirectW(const void* templ) { return LoadMenuIndirect(templ); }

HMENU LoadMenu(HINSTANCE inst, LPCWSTR name) {
  HRSRC r = FindResourceW(inst, name, RT_MENU);
  if (!r) return nullptr;
  HGLOBAL g = LoadResource(inst, r);
  const void* data = LockResource(g);
  DWORD size = SizeofResource(inst, r);
  pv::MenuTemplate t;
  if (!data || !pv::DecodeMenuResource(data, size, &t)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  HMENU m = CreateMenu();
  BuildFromTemplate(m, t.items);
  return m;
}
HMENU LoadMenuW(HINSTANCE inst, LPCWSTR name) { return LoadMenu(inst, name); }

// ---- window menus ---------------------------------------------------------------------------------
HMENU GetMenu(HWND hwnd) {
  Wnd* w = FromHandle(hwnd);
  if (!w || (w->style & WS_CHILD)) return nullptr;
  return w->menu;
}

BOOL SetMenu(HWND hwnd, HMENU menu) {
  Wnd* w = FromHandle(hwnd);
  if (!w || (w->style & WS_CHILD)) return FALSE;
  if (menu && !MenuOf(menu)) return FALSE;
  if (Menu* old = MenuOf(w->menu); old && old->bar == hwnd) old->bar = nullptr;
  w->menu = menu;
  if (Menu* m = MenuOf(menu)) m->bar = hwnd;
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return TRUE;
}

BOOL DrawMenuBar(HWND hwnd) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return FALSE;
  if (Menu* m = MenuOf(w->menu)) m->bar = hwnd;
  RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
  return TRUE;
}

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return nullptr;
  if (revert) {
    if (w->sysMenu) DestroyMenu(w->sysMenu);
    w->sysMenu = nullptr;
    return nullptr;
  }
  if (!w->sysMenu) {
    HMENU m = CreatePopupMenu();
    MenuOf(m)->system = true;
    AppendMenu(m, MF_STRING, SC_RESTORE, u"&Restore");
    AppendMenu(m, MF_STRING, SC_MOVE, u"&Move");
    AppendMenu(m, MF_STRING, SC_SIZE, u"&Size");
    AppendMenu(m, MF_STRING, SC_MINIMIZE, u"Mi&nimize");
    AppendMenu(m, MF_STRING, SC_MAXIMIZE, u"Ma&ximize");
    AppendMenu(m, MF_SEPARATOR, 0, nullptr);
    if (w->exStyle & WS_EX_MDICHILD) {
      // A document window closes with Ctrl+F4 and passes on with Ctrl+F6, as Windows shows.
      AppendMenu(m, MF_STRING | MF_DEFAULT, SC_CLOSE, u"&Close\tCtrl+F4");
      AppendMenu(m, MF_SEPARATOR, 0, nullptr);
      AppendMenu(m, MF_STRING, SC_NEXTWINDOW, u"Nex&t\tCtrl+F6");
    } else {
      AppendMenu(m, MF_STRING | MF_DEFAULT, SC_CLOSE, u"&Close\tAlt+F4");
    }
    MenuOf(m)->sysOwner = hwnd;
    w->sysMenu = m;
  }
  return w->sysMenu;
}

// ---- layout and drawing -------------------------------------------------------------------------------
namespace pv::wm {
namespace {

HFONT MenuFont() {
  static HFONT f = nullptr;
  if (!f) {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    f = CreateFontIndirect(&ncm.lfMenuFont);
  }
  return f;
}

SIZE TextSize(HDC dc, const std::u16string& s) {
  // Measured without the mnemonic markers.
  std::u16string shown;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'&' && i + 1 < s.size()) {
      ++i;
    }
    shown += s[i];
  }
  SIZE sz{0, 0};
  if (!shown.empty()) GetTextExtentPoint32(dc, shown.c_str(), static_cast<int>(shown.size()), &sz);
  return sz;
}

const int kPopupBorder = 3;
const int kItemHeight = 19;
const int kSeparatorHeight = 9;

// Lays out a pop-up; returns its window size.
SIZE LayoutPopup(Menu* m, HWND owner) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, MenuFont());
  int check = GetSystemMetrics(SM_CXMENUCHECK) + 4;
  int textW = 0, accelW = 0;
  for (MenuItem& it : m->items) {
    if (it.type & MF_SEPARATOR) continue;
    std::u16string label = it.text, accel;
    size_t tab = label.find(u'\t');
    if (tab != std::u16string::npos) {
      accel = label.substr(tab + 1);
      label = label.substr(0, tab);
    }
    if (it.type & MF_OWNERDRAW) {
      MEASUREITEMSTRUCT mis{ODT_MENU, 0, it.id, 0, 0, it.data};
      if (owner) SendMessage(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
      textW = std::max<int>(textW, static_cast<int>(mis.itemWidth));
      continue;
    }
    textW = std::max<int>(textW, TextSize(dc, label).cx);
    if (!accel.empty()) accelW = std::max<int>(accelW, TextSize(dc, accel).cx);
  }
  int width = check + textW + (accelW ? accelW + 24 : 0) + 20;
  int y = kPopupBorder;
  for (MenuItem& it : m->items) {
    int h = kItemHeight;
    if (it.type & MF_SEPARATOR) h = kSeparatorHeight;
    if (it.type & MF_OWNERDRAW) {
      MEASUREITEMSTRUCT mis{ODT_MENU, 0, it.id, 0, 0, it.data};
      if (owner) SendMessage(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
      h = mis.itemHeight ? static_cast<int>(mis.itemHeight) : kItemHeight;
    }
    it.rect = RECT{kPopupBorder, y, kPopupBorder + width, y + h};
    y += h;
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return SIZE{width + 2 * kPopupBorder, y + kPopupBorder};
}

void DrawItemText(HDC dc, const MenuItem& it, RECT r, bool selected) {
  bool grayed = (it.state & (MF_GRAYED | MF_DISABLED)) != 0;
  std::u16string label = it.text, accel;
  size_t tab = label.find(u'\t');
  if (tab != std::u16string::npos) {
    accel = label.substr(tab + 1);
    label = label.substr(0, tab);
  }
  UINT fmt = DT_SINGLELINE | DT_VCENTER | (Ui().system.keyboardCues ? 0 : DT_HIDEPREFIX);
  SetBkMode(dc, TRANSPARENT);
  auto draw = [&](COLORREF c, int dx) {
    SetTextColor(dc, c);
    RECT t = RectOffset(r, dx, dx);
    DrawText(dc, label.c_str(), static_cast<int>(label.size()), &t, fmt | DT_LEFT);
    if (!accel.empty()) {
      RECT a = t;
      a.right -= 12;
      DrawText(dc, accel.c_str(), static_cast<int>(accel.size()), &a, fmt | DT_RIGHT);
    }
  };
  if (grayed && !selected) draw(GetSysColor(COLOR_3DHIGHLIGHT), 1);
  draw(grayed ? GetSysColor(COLOR_GRAYTEXT) : GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT), 0);
}

void PaintPopup(Menu* m, HDC dc, const RECT& client, int selected, HWND owner, HMENU handle) {
  FillRect(dc, &client, m->back ? m->back : GetSysColorBrush(COLOR_MENU));
  RECT edge = client;
  DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  HGDIOBJ oldFont = SelectObject(dc, MenuFont());
  int check = GetSystemMetrics(SM_CXMENUCHECK) + 4;
  for (size_t i = 0; i < m->items.size(); ++i) {
    const MenuItem& it = m->items[i];
    RECT r = it.rect;
    bool sel = static_cast<int>(i) == selected;
    if (it.type & MF_SEPARATOR) {
      RECT line{r.left + 1, r.top + kSeparatorHeight / 2 - 1, r.right - 1, r.top + kSeparatorHeight / 2 + 1};
      DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
      continue;
    }
    if (it.type & MF_OWNERDRAW) {
      DRAWITEMSTRUCT dis{ODT_MENU,
                         0,
                         it.id,
                         ODA_DRAWENTIRE,
                         (sel ? ODS_SELECTED : 0u) | ((it.state & MF_CHECKED) ? ODS_CHECKED : 0u) |
                             ((it.state & MF_GRAYED) ? ODS_GRAYED : 0u) |
                             ((it.state & MF_DISABLED) ? ODS_DISABLED : 0u),
                         reinterpret_cast<HWND>(handle),
                         dc,
                         r,
                         it.data};
      if (owner) SendMessage(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
      continue;
    }
    if (sel) FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    if (it.state & MF_CHECKED) {
      RECT c{r.left + 2, r.top + (r.bottom - r.top - GetSystemMetrics(SM_CYMENUCHECK)) / 2,
             r.left + 2 + GetSystemMetrics(SM_CXMENUCHECK), 0};
      c.bottom = c.top + GetSystemMetrics(SM_CYMENUCHECK);
      DrawFrameControl(dc, &c, DFC_MENU, (it.type & MFT_RADIOCHECK) ? DFCS_MENUBULLET : DFCS_MENUCHECK);
    }
    RECT t{r.left + check, r.top, r.right, r.bottom};
    DrawItemText(dc, it, t, sel);
    if (it.sub) {
      RECT a{r.right - 16, r.top + 2, r.right - 2, r.bottom - 2};
      DrawFrameControl(dc, &a, DFC_MENU, DFCS_MENUARROW);
    }
  }
  SelectObject(dc, oldFont);
}

}  // namespace

int MenuBarHeight(Wnd*) { return GetSystemMetrics(SM_CYMENU); }

namespace {

// The predefined menu-bar pictures are small handle values, never real bitmaps.
bool IsPredefinedBitmap(HBITMAP b) {
  auto v = reinterpret_cast<LONG_PTR>(b);
  return v >= 1 && v <= 11;
}

int BarItemWidth(HDC dc, const MenuItem& it) {
  if (!it.bitmap) return TextSize(dc, it.text).cx + 16;
  if (it.bitmap == HBMMENU_SYSTEM) return GetSystemMetrics(SM_CXSMICON) + 6;
  if (IsPredefinedBitmap(it.bitmap)) return GetSystemMetrics(SM_CXMENUSIZE);
  BITMAP bm{};
  GetObject(it.bitmap, sizeof(bm), &bm);
  return bm.bmWidth + 8;
}

void DrawBarBitmap(HDC dc, const MenuItem& it, const RECT& r) {
  bool grayed = (it.state & (MF_GRAYED | MF_DISABLED)) != 0;
  bool hot = (it.state & MF_HILITE) != 0;
  UINT caption = 0;
  if (it.bitmap == HBMMENU_SYSTEM) {
    // The icon of the window whose system menu this item opens.
    HWND owner = reinterpret_cast<HWND>(it.data);
    HICON icon = owner ? reinterpret_cast<HICON>(SendMessage(owner, WM_GETICON, ICON_SMALL2, 0)) : nullptr;
    if (!icon && owner) icon = reinterpret_cast<HICON>(GetClassLongPtr(owner, GCLP_HICONSM));
    if (!icon && owner) icon = reinterpret_cast<HICON>(GetClassLongPtr(owner, GCLP_HICON));
    if (!icon) icon = LoadIcon(nullptr, IDI_APPLICATION);
    int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    DrawIconEx(dc, r.left + (r.right - r.left - cx) / 2, r.top + (r.bottom - r.top - cy) / 2, icon, cx, cy, 0, nullptr,
               DI_NORMAL);
    return;
  }
  if (it.bitmap == HBMMENU_MBAR_MINIMIZE || it.bitmap == HBMMENU_POPUP_MINIMIZE) caption = DFCS_CAPTIONMIN;
  else if (it.bitmap == HBMMENU_MBAR_RESTORE || it.bitmap == HBMMENU_POPUP_RESTORE) caption = DFCS_CAPTIONRESTORE;
  else if (it.bitmap == HBMMENU_POPUP_MAXIMIZE) caption = DFCS_CAPTIONMAX;
  else if (it.bitmap == HBMMENU_MBAR_CLOSE || it.bitmap == HBMMENU_POPUP_CLOSE) caption = DFCS_CAPTIONCLOSE;
  else if (IsPredefinedBitmap(it.bitmap)) return;  // a picture drawn by its owner
  else {
    BITMAP bm{};
    GetObject(it.bitmap, sizeof(bm), &bm);
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, it.bitmap);
    BitBlt(dc, r.left + 4, r.top + (r.bottom - r.top - bm.bmHeight) / 2, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    return;
  }
  // Caption-button pictures: a square button centred in the item.
  int side = std::min<int>(r.right - r.left, r.bottom - r.top) - 2;
  RECT b{r.left + (r.right - r.left - side) / 2, r.top + (r.bottom - r.top - side) / 2, 0, 0};
  b.right = b.left + side;
  b.bottom = b.top + side;
  DrawFrameControl(dc, &b, DFC_CAPTION, caption | (hot ? DFCS_PUSHED : 0u) | (grayed ? DFCS_INACTIVE : 0u));
}

}  // namespace

// Lays out and draws a menu bar into `bar` (window coordinates). Items from
// the first right-justified one on sit at the right edge, as the caption
// buttons of a maximised document window do.
void DrawMenuBar(Wnd* w, HDC dc, const RECT& bar) {
  Menu* m = MenuOf(w->menu);
  FillRect(dc, &bar, GetSysColorBrush(COLOR_MENU));
  if (!m) return;
  m->bar = w->hwnd;
  HGDIOBJ old = SelectObject(dc, MenuFont());
  size_t rightFrom = m->items.size();
  int rightWidth = 0;
  for (size_t i = 0; i < m->items.size(); ++i) {
    if (rightFrom == m->items.size() && (m->items[i].type & MF_RIGHTJUSTIFY)) rightFrom = i;
    if (i >= rightFrom) rightWidth += BarItemWidth(dc, m->items[i]);
  }
  int x = bar.left;
  for (size_t i = 0; i < m->items.size(); ++i) {
    MenuItem& it = m->items[i];
    if (i == rightFrom) x = std::max<int>(x, bar.right - rightWidth);
    int width = BarItemWidth(dc, it);
    it.rect = RECT{x, bar.top, x + width, bar.bottom - 1};
    x = it.rect.right;
    if (it.bitmap) {
      DrawBarBitmap(dc, it, it.rect);
      continue;
    }
    bool hot = (it.state & MF_HILITE) != 0;
    if (hot) DrawEdge(dc, &it.rect, BDR_SUNKENOUTER, BF_RECT);
    RECT t = it.rect;
    t.left += 8;
    DrawItemText(dc, it, t, false);
  }
  SelectObject(dc, old);
}

// ---- the pop-up window and the tracking loop -----------------------------------------------------------
namespace {

struct Level {
  HMENU menu;
  HWND wnd;
  int selected = -1;
};

struct Tracker {
  HWND owner = nullptr;
  UINT flags = 0;
  std::vector<Level> levels;
  bool done = false;
  UINT chosen = 0;
  bool chosenSystem = false;
  int barMove = 0;  // -1/+1: the user moved left/right off a menu-bar pop-up
  bool fromBar = false;
  int barItem = -1;  // opened from the menu bar: the bar item whose pop-up this is
  int barJump = -1;  // the pointer went onto this other pop-up item of the bar
};

LRESULT PopupProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (MenuState().tracker)
        for (Level& l : MenuState().tracker->levels)
          if (l.wnd == hwnd) {
            RECT rc;
            GetClientRect(hwnd, &rc);
            PaintPopup(MenuOf(l.menu), dc, rc, l.selected, MenuState().tracker->owner, l.menu);
          }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_ERASEBKGND:
      return 1;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// Classes survive ResetWindowManager, so registering once per process is enough.
void EnsurePopupClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_SAVEBITS | CS_DROPSHADOW;
    wc.lpfnWndProc = PopupProc;
    wc.lpszClassName = kPopupMenuClass;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassEx(&wc);
  });
}

void Notify(UINT msg, WPARAM w, LPARAM l) {
  if (MenuState().tracker && !(MenuState().tracker->flags & TPM_NONOTIFY) && IsWindow(MenuState().tracker->owner))
    SendMessage(MenuState().tracker->owner, msg, w, l);
}

void Select(size_t level, int index) {
  Tracker& t = *MenuState().tracker;
  if (level >= t.levels.size()) return;
  Level& l = t.levels[level];
  if (l.selected == index) return;
  l.selected = index;
  Menu* m = MenuOf(l.menu);
  if (!m) return;
  InvalidateRect(l.wnd, nullptr, FALSE);
  if (index >= 0 && static_cast<size_t>(index) < m->items.size()) {
    const MenuItem& it = m->items[static_cast<size_t>(index)];
    UINT f = (it.type | it.state) & 0xFFFF;
    if (it.sub) f |= MF_POPUP;
    f |= MF_HILITE;
    if (m->system) f |= MF_SYSMENU;
    Notify(WM_MENUSELECT, MAKEWPARAM(it.sub ? index : static_cast<int>(it.id), f), reinterpret_cast<LPARAM>(l.menu));
  }
}

void CloseFrom(size_t level) {
  Tracker& t = *MenuState().tracker;
  while (t.levels.size() > level) {
    Level l = t.levels.back();
    t.levels.pop_back();
    Notify(WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(l.menu), 0);
    if (IsWindow(l.wnd)) DestroyWindow(l.wnd);
  }
}

bool OpenPopup(HMENU menu, int x, int y, const RECT* exclude, UINT flags, int posInParent) {
  Tracker& t = *MenuState().tracker;
  Menu* m = MenuOf(menu);
  if (!m) return false;
  // A window's system menu offers what the window's state allows, wherever
  // it opens (its icon, Alt+Space, a maximised document window's on the bar).
  if (m->system && m->sysOwner) UpdateSystemMenuStates(m->sysOwner);
  m = MenuOf(menu);
  if (!m) return false;
  Notify(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(posInParent, m->system ? TRUE : FALSE));
  m = MenuOf(menu);
  if (!m || m->items.empty()) return false;
  SIZE sz = LayoutPopup(m, t.owner);
  if (flags & TPM_RIGHTALIGN) x -= sz.cx;
  else if (flags & TPM_CENTERALIGN) x -= sz.cx / 2;
  if (flags & TPM_BOTTOMALIGN) y -= sz.cy;
  else if (flags & TPM_VCENTERALIGN) y -= sz.cy / 2;
  // Keep it on its monitor's work area; flip rather than cover the excluded area.
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  GetMonitorInfo(MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTONEAREST), &mi);
  RECT area = mi.rcWork;
  if (x + sz.cx > area.right)
    x = (exclude && exclude->left - sz.cx >= area.left) ? exclude->left - sz.cx : area.right - sz.cx;
  if (y + sz.cy > area.bottom)
    y = (exclude && exclude->top - sz.cy >= area.top) ? exclude->top - sz.cy : area.bottom - sz.cy;
  x = std::max<int>(x, area.left);
  y = std::max<int>(y, area.top);
  EnsurePopupClass();
  HWND wnd = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kPopupMenuClass, u"", WS_POPUP, x, y,
                            sz.cx, sz.cy, t.owner, nullptr, nullptr, nullptr);
  if (!wnd) return false;
  t.levels.push_back(Level{menu, wnd, -1});
  ShowWindow(wnd, SW_SHOWNA);
  FireWinEvent(EVENT_SYSTEM_MENUPOPUPSTART, wnd, OBJID_CLIENT, CHILDID_SELF);
  return true;
}

void OpenSub(size_t level) {
  Tracker& t = *MenuState().tracker;
  Level& l = t.levels[level];
  Menu* m = MenuOf(l.menu);
  if (!m || l.selected < 0) return;
  const MenuItem& it = m->items[static_cast<size_t>(l.selected)];
  if (!it.sub || (it.state & (MF_GRAYED | MF_DISABLED))) return;
  CloseFrom(level + 1);
  RECT wr;
  GetWindowRect(l.wnd, &wr);
  RECT ex{wr.left, wr.top + it.rect.top, wr.right, wr.top + it.rect.bottom};
  int sel = l.selected;
  OpenPopup(it.sub, wr.right - 3, wr.top + it.rect.top - kPopupBorder, &ex, 0, sel);
}

// Which level and item lie under a screen point (-1 level: none).
std::pair<int, int> ItemAt(POINT pt) {
  Tracker& t = *MenuState().tracker;
  for (int li = static_cast<int>(t.levels.size()) - 1; li >= 0; --li) {
    Level& l = t.levels[static_cast<size_t>(li)];
    RECT wr;
    GetWindowRect(l.wnd, &wr);
    if (pt.x < wr.left || pt.x >= wr.right || pt.y < wr.top || pt.y >= wr.bottom) continue;
    Menu* m = MenuOf(l.menu);
    POINT c{pt.x - wr.left, pt.y - wr.top};
    for (size_t i = 0; m && i < m->items.size(); ++i) {
      const RECT& r = m->items[i].rect;
      if (c.x >= r.left && c.x < r.right && c.y >= r.top && c.y < r.bottom) return {li, static_cast<int>(i)};
    }
    return {li, -1};
  }
  return {-1, -1};
}

void Choose(size_t level) {
  Tracker& t = *MenuState().tracker;
  Level& l = t.levels[level];
  Menu* m = MenuOf(l.menu);
  if (!m || l.selected < 0) return;
  const MenuItem& it = m->items[static_cast<size_t>(l.selected)];
  if (it.type & MF_SEPARATOR) return;
  if (it.sub) {
    OpenSub(level);
    if (t.levels.size() > level + 1) Select(level + 1, 0);
    return;
  }
  if (it.state & (MF_GRAYED | MF_DISABLED)) return;
  t.chosen = it.id;
  t.chosenSystem = m->system;
  t.done = true;
}

int NextSelectable(Menu* m, int from, int dir) {
  int n = static_cast<int>(m->items.size());
  if (n == 0) return -1;
  int i = from;
  for (int k = 0; k < n; ++k) {
    i = (i + dir + n) % n;
    if (!(m->items[static_cast<size_t>(i)].type & MF_SEPARATOR)) return i;
  }
  return -1;
}

void Mnemonic(WCHAR ch) {
  Tracker& t = *MenuState().tracker;
  size_t level = t.levels.size() - 1;
  Level& l = t.levels[level];
  Menu* m = MenuOf(l.menu);
  if (!m) return;
  WCHAR up = (ch >= u'a' && ch <= u'z') ? static_cast<WCHAR>(ch - 32) : ch;
  std::vector<int> hits;
  for (size_t i = 0; i < m->items.size(); ++i) {
    const std::u16string& s = m->items[i].text;
    for (size_t k = 0; k + 1 < s.size(); ++k) {
      if (s[k] != u'&') continue;
      if (s[k + 1] == u'&') {
        ++k;
        continue;
      }
      WCHAR c = s[k + 1];
      if (c >= u'a' && c <= u'z') c = static_cast<WCHAR>(c - 32);
      if (c == up) hits.push_back(static_cast<int>(i));
      break;
    }
  }
  if (hits.empty()) {
    LRESULT r = 0;
    if (IsWindow(t.owner))
      r = SendMessage(t.owner, WM_MENUCHAR, MAKEWPARAM(ch, MF_POPUP | (m->system ? MF_SYSMENU : 0)),
                      reinterpret_cast<LPARAM>(l.menu));
    switch (HIWORD(r)) {
      case MNC_CLOSE:
        t.done = true;
        return;
      case MNC_EXECUTE:
        Select(level, LOWORD(r));
        Choose(level);
        return;
      case MNC_SELECT:
        Select(level, LOWORD(r));
        return;
    }
    MessageBeep(0);
    return;
  }
  if (hits.size() == 1) {
    Select(level, hits[0]);
    Choose(level);
  } else {
    auto it = std::find_if(hits.begin(), hits.end(), [&](int i) { return i > l.selected; });
    Select(level, it == hits.end() ? hits[0] : *it);
  }
}

// The menu-bar item of a window with a pop-up under a screen point (-1: none).
int BarItemAt(HWND hwnd, POINT pt) {
  Wnd* w = FromHandleQuiet(hwnd);
  Menu* m = w ? MenuOf(w->menu) : nullptr;
  if (!m) return -1;
  RECT sr = ScreenRect(w);
  for (size_t i = 0; i < m->items.size(); ++i) {
    RECT r = RectOffset(m->items[i].rect, sr.left, sr.top);
    if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom)
      return m->items[i].sub && !(m->items[i].state & (MF_GRAYED | MF_DISABLED)) ? static_cast<int>(i) : -1;
  }
  return -1;
}

// The modal loop of an open pop-up (and its cascades).
void RunLoop() {
  Tracker& t = *MenuState().tracker;
  HWND captureWnd = t.levels.front().wnd;
  SetCapture(captureWnd);
  Ui().input.inMenuMode = true;
  Ui().input.menuOwner = t.owner;
  bool idleSent = false;
  while (!t.done && !t.levels.empty()) {
    MSG m;
    if (!PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!idleSent && !(t.flags & TPM_NONOTIFY) && IsWindow(t.owner)) {
        idleSent = true;
        SendMessage(t.owner, WM_ENTERIDLE, MSGF_MENU, reinterpret_cast<LPARAM>(t.levels.back().wnd));
        continue;
      }
    }
    if (!GetMessage(&m, nullptr, 0, 0)) {
      if (m.lParam != PV_DRY_CANCEL) PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    idleSent = false;
    if (CallMsgFilter(&m, MSGF_MENU)) continue;
    if (!Ui().input.inMenuMode || GetCapture() != captureWnd) break;  // cancelled (EndMenu, capture taken)
    if (m.message == WM_MOUSEMOVE || m.message == WM_LBUTTONDOWN || m.message == WM_RBUTTONDOWN ||
        m.message == WM_LBUTTONUP || m.message == WM_RBUTTONUP) {
      auto [li, item] = ItemAt(m.pt);
      if (li < 0) {
        if (t.fromBar && m.message == WM_MOUSEMOVE) {
          // Across the menu bar the pointer opens the other menus, as Windows does.
          int bar = BarItemAt(t.owner, m.pt);
          if (bar >= 0 && bar != t.barItem) {
            t.barJump = bar;
            t.done = true;
            break;
          }
        }
        if (m.message == WM_LBUTTONDOWN || m.message == WM_RBUTTONDOWN) break;  // a click elsewhere closes it
        continue;
      }
      if (item >= 0) {
        if (static_cast<size_t>(li) + 1 < t.levels.size() && t.levels[static_cast<size_t>(li)].selected != item)
          CloseFrom(static_cast<size_t>(li) + 1);
        Select(static_cast<size_t>(li), item);
        Menu* mm = MenuOf(t.levels[static_cast<size_t>(li)].menu);
        const MenuItem& it = mm->items[static_cast<size_t>(item)];
        if (it.sub && static_cast<size_t>(li) + 1 == t.levels.size()) OpenSub(static_cast<size_t>(li));
        bool release = m.message == WM_LBUTTONUP || (m.message == WM_RBUTTONUP && (t.flags & TPM_RIGHTBUTTON));
        if (release && !it.sub) Choose(static_cast<size_t>(li));
      }
      continue;
    }
    if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) {
      TranslateMessage(&m);  // mnemonics arrive as characters
      size_t level = t.levels.size() - 1;
      Level& l = t.levels[level];
      Menu* mm = MenuOf(l.menu);
      switch (m.wParam) {
        case VK_ESCAPE:
          if (level == 0) {
            t.done = true;
            t.chosen = 0;
          } else {
            CloseFrom(level);
          }
          break;
        case VK_UP:
        case VK_DOWN:
          if (mm)
            Select(level, NextSelectable(mm, l.selected < 0 ? (m.wParam == VK_DOWN ? -1 : 0) : l.selected,
                                         m.wParam == VK_DOWN ? 1 : -1));
          break;
        case VK_RIGHT:
          if (mm && l.selected >= 0 && mm->items[static_cast<size_t>(l.selected)].sub) {
            OpenSub(level);
            if (t.levels.size() > level + 1) Select(level + 1, NextSelectable(MenuOf(t.levels.back().menu), -1, 1));
          } else if (t.fromBar) {
            t.barMove = 1;
            t.done = true;
          }
          break;
        case VK_LEFT:
          if (level > 0) CloseFrom(level);
          else if (t.fromBar) {
            t.barMove = -1;
            t.done = true;
          }
          break;
        case VK_RETURN:
          Choose(level);
          break;
        case VK_MENU:
        case VK_F10:
          t.done = true;
          break;
      }
      continue;
    }
    if (m.message == WM_CHAR || m.message == WM_SYSCHAR) {
      Mnemonic(static_cast<WCHAR>(m.wParam));
      continue;
    }
    if (m.message == WM_KEYUP || m.message == WM_SYSKEYUP) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (GetCapture() == captureWnd) ReleaseCapture();
}

int Track(HMENU menu, UINT flags, int x, int y, HWND owner, const RECT* exclude, bool fromBar, int* barMove,
          int barItem = -1, int* barJump = nullptr) {
  if (MenuState().tracker) return 0;  // one menu at a time
  Tracker t;
  t.owner = owner;
  t.flags = flags;
  t.fromBar = fromBar;
  t.barItem = barItem;
  MenuState().tracker = &t;
  bool ok = OpenPopup(menu, x, y, exclude, flags, 0);
  if (ok) {
    FireWinEvent(EVENT_SYSTEM_MENUSTART, owner, OBJID_CLIENT, CHILDID_SELF);
    if (fromBar) Select(0, NextSelectable(MenuOf(menu), -1, 1));
    RunLoop();
  }
  CloseFrom(0);
  Ui().input.inMenuMode = false;
  Ui().input.menuOwner = nullptr;
  MenuState().tracker = nullptr;
  if (IsWindow(owner) && !(flags & TPM_NONOTIFY)) SendMessage(owner, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  if (barMove) *barMove = t.barMove;
  if (barJump) *barJump = t.barJump;
  if (ok) FireWinEvent(EVENT_SYSTEM_MENUEND, owner, OBJID_CLIENT, CHILDID_SELF);
  if (!t.done || !t.chosen) return 0;
  if (t.chosenSystem) return -static_cast<int>(t.chosen);
  return static_cast<int>(t.chosen);
}

}  // namespace

int TrackMenuBar(HWND hwnd, int startItem, bool keyboard) {
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w || !w->menu) return 0;
  HMENU bar = w->menu;
  Menu* m = MenuOf(bar);
  if (!m || m->items.empty()) return 0;
  SendMessage(hwnd, WM_ENTERMENULOOP, FALSE, 0);
  SendMessage(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
  int index = startItem;
  if (index < 0 && !keyboard) {
    // The item under the pointer.
    RECT sr = ScreenRect(w);
    POINT p = Ui().input.cursorPos;
    for (size_t i = 0; i < m->items.size(); ++i) {
      RECT r = RectOffset(m->items[i].rect, sr.left, sr.top);
      if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) index = static_cast<int>(i);
    }
  }
  if (index < 0) index = 0;
  int result = 0;
  for (int guard = 0; guard < 64; ++guard) {
    m = MenuOf(bar);
    w = FromHandleQuiet(hwnd);
    if (!m || !w || index < 0 || static_cast<size_t>(index) >= m->items.size()) break;
    MenuItem& it = m->items[static_cast<size_t>(index)];
    if (!it.sub) {
      if (!(it.state & (MF_GRAYED | MF_DISABLED))) result = static_cast<int>(it.id);
      break;
    }
    it.state |= MF_HILITE;
    DrawMenuBar(hwnd);
    RECT sr = ScreenRect(w);
    RECT r = RectOffset(it.rect, sr.left, sr.top);
    int move = 0;
    HMENU sub = it.sub;
    // Another window's system menu on this bar (a maximised document
    // window's): its choices come to this window as commands, which it
    // passes on to that window.
    bool otherSystemMenu = it.bitmap == HBMMENU_SYSTEM;
    int jump = -1;
    result = Track(sub, TPM_LEFTALIGN | TPM_TOPALIGN, r.left, r.bottom, hwnd, &r, true, &move, index, &jump);
    if (otherSystemMenu && result < 0) result = -result;
    if ((m = MenuOf(bar)) && static_cast<size_t>(index) < m->items.size())
      m->items[static_cast<size_t>(index)].state &= ~static_cast<UINT>(MF_HILITE);
    DrawMenuBar(hwnd);
    if (jump >= 0 && m && static_cast<size_t>(jump) < m->items.size()) {
      index = jump;
      result = 0;
      --guard;  // the user's own moves: not a loop that could run away
      continue;
    }
    if (!move) break;
    index = (index + move + static_cast<int>(MenuOf(bar)->items.size())) % static_cast<int>(MenuOf(bar)->items.size());
  }
  if (IsWindow(hwnd)) SendMessage(hwnd, WM_EXITMENULOOP, FALSE, 0);
  if (result > 0 && IsWindow(hwnd)) PostMessage(hwnd, WM_COMMAND, static_cast<WPARAM>(result), 0);
  if (result < 0 && IsWindow(hwnd)) PostMessage(hwnd, WM_SYSCOMMAND, static_cast<WPARAM>(-result), 0);
  return result;
}

}  // namespace pv::wm

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND hwnd, LPTPMPARAMS params) {
  if (!MenuOf(menu) || !IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (Ui().input.inMenuMode) return FALSE;
  bool notify = !(flags & TPM_NONOTIFY);
  if (notify) {
    SendMessage(hwnd, WM_ENTERMENULOOP, TRUE, 0);
    SendMessage(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
  }
  int result = Track(menu, flags, x, y, hwnd, params ? &params->rcExclude : nullptr, false, nullptr);
  if (notify && IsWindow(hwnd)) SendMessage(hwnd, WM_EXITMENULOOP, TRUE, 0);
  UINT id = static_cast<UINT>(result < 0 ? -result : result);
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(id);
  if (id && IsWindow(hwnd)) PostMessage(hwnd, result < 0 ? WM_SYSCOMMAND : WM_COMMAND, id, 0);
  return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND hwnd, const RECT* rect) {
  TPMPARAMS p{sizeof(p), rect ? *rect : RECT{}};
  return TrackPopupMenuEx(menu, flags, x, y, hwnd, rect ? &p : nullptr);
}

BOOL EndMenu() {
  if (!Ui().input.inMenuMode) return FALSE;
  Ui().input.inMenuMode = false;
  if (GetCapture()) ReleaseCapture();
  return TRUE;
}

BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT item, LPRECT rect) {
  Menu* m = MenuOf(menu);
  if (!m || !rect || item >= m->items.size()) return FALSE;
  RECT r = m->items[item].rect;
  if (MenuState().tracker)
    for (Level& l : MenuState().tracker->levels)
      if (l.menu == menu) {
        RECT wr;
        GetWindowRect(l.wnd, &wr);
        *rect = RectOffset(r, wr.left, wr.top);
        return TRUE;
      }
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w) return FALSE;
  RECT sr = ScreenRect(w);
  *rect = RectOffset(r, sr.left, sr.top);
  return TRUE;
}

int MenuItemFromPoint(HWND hwnd, HMENU menu, POINT pt) {
  Menu* m = MenuOf(menu);
  if (!m) return -1;
  for (size_t i = 0; i < m->items.size(); ++i) {
    RECT r;
    if (GetMenuItemRect(hwnd, menu, static_cast<UINT>(i), &r) && pt.x >= r.left && pt.x < r.right && pt.y >= r.top &&
        pt.y < r.bottom)
      return static_cast<int>(i);
  }
  return -1;
}
