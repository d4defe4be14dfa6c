// System colours: GetSysColor/GetSysColorBrush/SetSysColors over a classic
// colour scheme, replaceable as a whole for tests.
#pragma once

#include "platform/base/wintypes.h"

#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_DESKTOP COLOR_BACKGROUND
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_3DFACE COLOR_BTNFACE
#define COLOR_BTNSHADOW 16
#define COLOR_3DSHADOW COLOR_BTNSHADOW
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DHIGHLIGHT COLOR_BTNHIGHLIGHT
#define COLOR_3DHILIGHT COLOR_BTNHIGHLIGHT
#define COLOR_BTNHILIGHT COLOR_BTNHIGHLIGHT
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#define COLOR_INFOBK 24
#define COLOR_HOTLIGHT 26
#define COLOR_GRADIENTACTIVECAPTION 27
#define COLOR_GRADIENTINACTIVECAPTION 28
#define COLOR_MENUHILIGHT 29
#define COLOR_MENUBAR 30
#define PV_SYSCOLOR_COUNT 31

// The colour of index 0..30; 0 for an unknown index.
DWORD GetSysColor(int index);
// A brush of that colour, owned by the system (DeleteObject on it does
// nothing); it follows the colour when the scheme changes. Null for an
// unknown index.
HBRUSH GetSysColorBrush(int index);
// Changes colours (unknown indexes skipped). The window manager broadcasts
// WM_SYSCOLORCHANGE itself.
BOOL SetSysColors(int count, const INT* indexes, const COLORREF* colors);

// The classic scheme's 31 colours, in index order.
const COLORREF* GdiClassicSysColors();
// Installs a whole scheme (31 colours; null restores the classic one).
void GdiInstallSysColorScheme(const COLORREF* colors31);
