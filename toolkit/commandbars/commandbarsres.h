// Resource ids of the command bars: the command ids the bars reserve for
// their own buttons and placeholders, and the texts they show. A command id
// with a text has its prompt under the same number ("description\ntooltip").
#pragma once

#include "platform/base/wintypes.h"

constexpr UINT TK_ID_TOOLBAR_ADDORREMOVE = 9122;  // the chevron popup's "Add or Remove Buttons"
constexpr UINT TK_ID_TOOLBAR_RESET = 9123;        // the chevron popup's "Reset Toolbar"
constexpr UINT TK_ID_DIALOGBAR_CAPTION = 9147;    // the dialog bar's caption control
constexpr UINT TK_ID_TOOLBAR_EXPAND = 9148;       // the chevron of a tool bar
constexpr UINT TK_ID_TOOLBAR_HIDE = 9149;         // the close button of a floating tool bar
constexpr UINT TK_ID_POPUPBAR_EXPAND = 9150;      // the expand button of a menu with rarely used items
constexpr UINT TK_ID_MENUBAR_CLOSE = 9151;        // the maximised MDI child's buttons on the menu bar
constexpr UINT TK_ID_MENUBAR_RESTORE = 9152;
constexpr UINT TK_ID_MENUBAR_MINIMIZE = 9153;
constexpr UINT TK_ID_MENUBAR_SYSMENU = 9154;        // the maximised MDI child's system-menu popup
constexpr UINT TK_ID_TABGROUP_MOVEPREVIOUS = 9155;  // tab-group commands of the MDI tab client
constexpr UINT TK_ID_TABGROUP_MOVENEXT = 9156;
constexpr UINT TK_ID_TABGROUP_NEWHORIZONTAL = 9157;
constexpr UINT TK_ID_TABGROUP_NEWVERTICAL = 9158;
constexpr UINT TK_IDS_INVALIDNUMBER = 9171;
constexpr UINT TK_IDS_INVALIDWIDTH = 9172;
constexpr UINT TK_IDS_CONFIRMRESET = 9173;        // %s: the bar's title
constexpr UINT TK_IDS_TOOLBARCHANGED = 9177;      // %s: the bar's title
constexpr UINT TK_ID_STATUSBAR_CUSTOMIZE = 9186;  // the status bar's context menu title
constexpr UINT TK_IDS_WAITFORCHORD = 9187;        // %s: the first stroke of a chord
constexpr UINT TK_ID_WINDOWLIST = 35000;          // placeholder for the MDI window list
constexpr UINT TK_ID_CUSTOMIZE = 35001;           // the bars are customisable when the site handles it
constexpr UINT TK_ID_WORKSPACE_ACTIONS = 35002;   // placeholder for the tab-group commands
constexpr UINT TK_ID_RECENTFILELIST = 35003;      // placeholder for the pinnable recent files

// The command ids the bars keep to themselves: controls with them never get
// a shared action.
constexpr UINT kTKFirstReservedId = 9100;
constexpr UINT kTKLastReservedId = 9299;
constexpr UINT kTKFirstPlaceholderId = TK_ID_WINDOWLIST;
constexpr UINT kTKLastPlaceholderId = TK_ID_RECENTFILELIST;
