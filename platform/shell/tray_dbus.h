// The desktop notification area: one StatusNotifierItem on the session bus
// per icon. Internal to pv_shell (the bus library stays inside the .cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"

namespace pv::shell::desktop_tray {

// Every bus call gives up after this long, so a stuck bus never hangs the UI.
constexpr int kBusTimeoutMs = 1000;

// What the desktop shows and where the icon's clicks go.
struct ItemState {
  HWND hwnd = nullptr;
  UINT id = 0;
  UINT callbackMessage = 0;
  UINT version = 0;
  std::u16string tip;
  int iconWidth = 0, iconHeight = 0;
  std::vector<uint8_t> iconArgb;  // ARGB32, network byte order, rows top-down
};

// Icon pixels of an HICON as the bus wants them (empty when it has none).
void IconPixels(HICON icon, int* width, int* height, std::vector<uint8_t>* argb);

// Registers an item with the desktop's watcher; false ("no tray available")
// when the bus library cannot be loaded, there is no session bus, no
// watcher, or it does not answer in time.
bool Add(const ItemState& state);
// Updates the item; tells the desktop what changed.
bool Update(const ItemState& state, bool iconChanged, bool tipChanged);
// Leaves the bus: the watcher sees the item's name vanish.
bool Remove(HWND hwnd, UINT id);
void RemoveAll();

// The bus address to use: empty means the session bus of the environment.
void SetBusAddress(const std::string& address);
// The bus library the first Add opens (tests: a name that cannot be loaded).
void UseBusLibrary(const char* name);

}  // namespace pv::shell::desktop_tray
