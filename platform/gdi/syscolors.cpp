// The classic colour scheme and the system-colour calls.
#include <algorithm>
#include <cstring>

#include "platform/gdi/gdi_internal.h"

namespace {

// The classic scheme, the one GDI starts with.
const COLORREF kClassic[PV_SYSCOLOR_COUNT] = {
    RGB(212, 208, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(212, 208, 200),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
    RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(10, 36, 106),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),     // COLOR_3DDKSHADOW
    RGB(212, 208, 200),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(181, 181, 181),  // 25: unused slot
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(10, 36, 106),    // COLOR_MENUHILIGHT
    RGB(212, 208, 200),  // COLOR_MENUBAR
};

}  // namespace

DWORD GetSysColor(int index) {
  PV_GDI_LOCK;
  if (index < 0 || index >= PV_SYSCOLOR_COUNT) return 0;
  return pv::gdi::State().sysColors[index];
}

HBRUSH GetSysColorBrush(int index) { return pv::gdi::SysBrush(index); }

BOOL SetSysColors(int count, const INT* indexes, const COLORREF* colors) {
  if (count < 0 || (count > 0 && (!indexes || !colors))) return FALSE;
  PV_GDI_LOCK;
  for (int i = 0; i < count; ++i)
    if (indexes[i] >= 0 && indexes[i] < PV_SYSCOLOR_COUNT)
      pv::gdi::State().sysColors[indexes[i]] = colors[i] & 0xFFFFFF;
  return TRUE;
}

const COLORREF* GdiClassicSysColors() { return kClassic; }

void GdiInstallSysColorScheme(const COLORREF* colors) {
  PV_GDI_LOCK;
  const COLORREF* src = colors ? colors : kClassic;
  COLORREF* scheme = pv::gdi::State().sysColors;
  for (int i = 0; i < PV_SYSCOLOR_COUNT; ++i) scheme[i] = src[i] & 0xFFFFFF;
}
