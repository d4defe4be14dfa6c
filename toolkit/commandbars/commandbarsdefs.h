// The command bars' closed sets and the messages they send to their site:
// control types, button styles, control and hide flags, the state values,
// the message numbers and the records those messages carry. Every number
// here is stored or seen by the application, so none of them may change.
#pragma once

#include <optional>

#include "platform/base/cstring.h"
#include "platform/base/wintypes.h"
#include "platform/window/winuser.h"

class CMenu;
class CTKControl;
class CTKCommandBar;

// Whether a bar tracks the mouse and keys, and why.
enum class TKTrackingMode : int {
  Off = 0,
  Tracking = 1,
  // Entered when one of the bar's controls opens its popup.
  PopupOpen = 2,
};

// Bar kinds; the numbers are stored.
enum class TKBarType : int { MenuBar = 0, Normal = 1, Popup = 2, Ribbon = 3 };

// Where a bar sits; the numbers are stored (dock rows are indexed 0-3).
enum class TKBarPosition : int {
  Top = 0,
  Bottom = 1,
  Left = 2,
  Right = 3,
  Floating = 4,
  Popup = 5,
  List = 6,
  None = 7
};

// What a control is; the numbers are stored ("Type").
enum class TKControlType : int {
  Plain = 0,  // a control that never set a type
  Button = 1,
  Popup = 2,
  ButtonPopup = 3,
  SplitButtonPopup = 4,
  ComboBox = 5,
  Edit = 6,
  Custom = 7,  // hosts a child window
  Label = 8,
  CheckBox = 9,
  Gallery = 10,
  RadioButton = 11,
};
// The type of a stored number; none for a number no type has.
std::optional<TKControlType> TKControlTypeFromNumber(int nType);
inline bool TKIsPopupType(TKControlType type) {
  return type == TKControlType::Popup || type == TKControlType::ButtonPopup || type == TKControlType::SplitButtonPopup;
}

// How a button shows itself; the numbers are stored ("Style", "CustomStyle").
enum class TKButtonStyle : int {
  Automatic = 0,  // the control type decides
  Caption = 1,
  Icon = 2,
  IconAndCaption = 3,
  IconAboveCaption = 4,  // a large button
  CaptionAndDescription = 5,
};
std::optional<TKButtonStyle> TKButtonStyleFromNumber(int nStyle);

// Behaviour flags of a control ("Flags").
constexpr DWORD kTKControlFlagRightAlign = 0x01;
constexpr DWORD kTKControlFlagSkipFocus = 0x02;
constexpr DWORD kTKControlFlagManualUpdate = 0x08;
constexpr DWORD kTKControlFlagNoMovable = 0x10;
constexpr DWORD kTKControlFlagStretched = 0x20;
constexpr DWORD kTKControlFlagShowTooltipInMenu = 0x40;
constexpr DWORD kTKControlFlagWrapRow = 0x80;

// Why a control is hidden ("HideFlags"); it shows while none is set.
constexpr DWORD kTKHideGeneric = 0x01;      // the application
constexpr DWORD kTKHideWrap = 0x02;         // the layout: it went into the overflow
constexpr DWORD kTKHideVertical = 0x04;     // it does not show on a vertical bar
constexpr DWORD kTKHideScroll = 0x08;       // scrolled out of a ribbon
constexpr DWORD kTKHideCustomize = 0x10;    // the user removed it
constexpr DWORD kTKHideExpand = 0x20;       // rarely used, until the menu expands
constexpr DWORD kTKHideDocTemplate = 0x40;  // not for the active document template
constexpr DWORD kTKHideRibbonTab = 0x80;    // its ribbon group is not shown
// Hide flags that describe where a control was placed, not its settings.
constexpr DWORD kTKHidePlacement = kTKHideWrap | kTKHideVertical | kTKHideScroll | kTKHideExpand;

// State values of a control.
constexpr int kTKEnabledFollowAction = -1;
constexpr int kTKEnabledNoDropDown = 4;  // a split button: only its command part is enabled
constexpr int kTKEnabledNoCommand = 5;   // a split button: only its drop-down part is enabled
constexpr int kTKCheckedFollowAction = -1;
constexpr int kTKSelectedNone = 0;
constexpr int kTKSelectedMouse = 1;
constexpr int kTKSelectedKeyboard = 2;
constexpr int kTKSelectedKeyboardBack = 3;
constexpr int kTKSelectedCommandPart = 4;   // a split button, the mouse over its command part
constexpr int kTKSelectedDropDownPart = 5;  // a split button, the mouse over its drop-down part
constexpr int kTKPressedNone = 0;
constexpr int kTKPressedHeld = 1;
constexpr int kTKPressedExecuted = 2;  // drawn pressed until the bar's next idle update

// The state arguments of a control background: selected (hot), pressed,
// enabled, checked and popped up, as the control's state values.
struct TKControlStates {
  int nSelected = 0;
  int nPressed = 0;
  int nEnabled = 1;
  int nChecked = 0;
  int nPopuped = 0;
};

// A control caption's orientation on its bar.
enum class TKTextOrientation : int { Automatic = 0, Vertical = 1, Horizontal = 2 };

// Messages the command bars send to their site or owner window.
constexpr UINT TK_CBM_TOOLBARVISIBLECHANGED = 10325;
constexpr UINT TK_CBM_CONTROLSELECTED = 10326;
constexpr UINT TK_CBM_CUSTOMIZESELCHANGED = 10327;
constexpr UINT TK_CBM_MENUBARTRACKING = 10328;
constexpr UINT TK_CBM_CONTROLRBUTTONUP = 10329;
constexpr UINT TK_CBM_TRACKINGKEY = 10330;
constexpr UINT TK_CBM_POPUPSHOWING = 10331;
constexpr UINT TK_CBM_TOOLBARSCONTEXTMENU = 10332;
constexpr UINT TK_CBM_POPUPCLOSED = 10333;
constexpr UINT TK_CBM_CREATECONTROL = 10334;   // lParam: TK_CREATECONTROL_REQUEST
constexpr UINT TK_CBM_CONTROLCREATED = 10335;  // lParam: TK_CREATECONTROL_REQUEST
constexpr UINT TK_CBM_GETICON = 10336;
constexpr UINT TK_CBM_CREATECOMMANDBAR = 10337;  // lParam: TK_CREATEBAR_REQUEST
constexpr UINT TK_CBM_CONTROLNOTIFY = 10338;     // wParam: the command id; lParam: TK_NMCONTROL
constexpr UINT TK_CBM_BARRESET = 10340;
constexpr UINT TK_CBM_TEAROFF = 10343;

// The notification code of an executed control.
constexpr int TK_CBN_EXECUTE = 100;

// The header of a control's notification: the source id is the control's.
struct TK_NMCONTROL {
  NMHDR hdr{};
  CTKControl* pControl = nullptr;
};

// A control about to be made, from a menu item or a tool-bar button, and
// then made. The site may change the id, caption, type or style, or put a
// control of its own in pControl and answer non-zero.
struct TK_CREATECONTROL_REQUEST {
  int nID = 0;
  CTKControl* pControl = nullptr;
  BOOL bReserved = FALSE;  // always 0
  int nIndex = 0;          // the item's position in its menu or bar
  CMenu* pMenu = nullptr;  // the menu the item comes from, or null
  CTKCommandBar* pCommandBar = nullptr;
  CString strCaption;
  TKControlType controlType = TKControlType::Button;
  TKButtonStyle buttonStyle = TKButtonStyle::Automatic;
  CString strCategory;  // the bar's title, for tool-bar buttons
};

// A bar about to be made: a popup control's popup bar or a user tool bar.
// The site may put a bar of its own in pCommandBar and answer non-zero.
struct TK_CREATEBAR_REQUEST {
  CTKCommandBar* pCommandBar = nullptr;
  BOOL bPopupBar = FALSE;
  BOOL bExpandBar = FALSE;
  BOOL bCustomBar = FALSE;  // a tool bar the user makes
  BOOL bTearOffBar = FALSE;
  CString strCaption;
  int nID = 0;
};
