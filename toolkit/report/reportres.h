// Resource ids of the report grid (texts, glyph strip, cursors).
#pragma once

#include "platform/base/wintypes.h"

constexpr UINT TK_IDB_REPORT_GLYPHS = 9550;
constexpr UINT TK_IDS_REPORT_DRAGTOGROUP = 9552;
constexpr UINT TK_IDS_REPORT_NOITEMS = 9553;
constexpr UINT TK_IDS_REPORT_NOFIELDSAVAILABLE = 9554;
constexpr UINT TK_IDS_REPORT_SORTBY = 9555;
constexpr UINT TK_IDS_REPORT_INCREASING = 9560;
constexpr UINT TK_IDS_REPORT_DECREASING = 9561;
constexpr UINT TK_IDS_REPORT_EXPAND = 9562;
constexpr UINT TK_IDS_REPORT_COLLAPSE = 9563;
constexpr UINT TK_IDC_REPORT_NODROP = 9551;  // a removable column dragged off the header
constexpr UINT TK_IDC_REPORT_RESIZE = 9972;  // over a resizable column divider
