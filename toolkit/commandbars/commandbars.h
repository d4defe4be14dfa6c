// The frame-wide owner of the command bars: its options, the shared command
// actions, the look and icons its bars inherit, and customise mode. This is
// the data core the bars and controls call; the bar list, dock bars, popup
// tracking and the saved state join it with the bars that use them.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"
#include "platform/base/cstring.h"
#include "platform/base/geometry.h"

class CWnd;
class CTKBarPaintManager;
class CTKCommandBar;
class CTKControl;
class CTKControlAction;
class CTKControlActions;
class CTKImageManager;

// The options of the command bars with the values a new set starts with
// (the stored keys in brackets).
class CTKCommandBarsOptions : public CCmdTarget {
 public:
  BOOL bAlwaysShowFullMenus = TRUE;                  // "AlwaysShowFullMenus"
  BOOL bShowFullAfterDelay = TRUE;                   // "ShowFullAfterDelay"
  BOOL bToolBarScreenTips = TRUE;                    // "ToolBarScreenTips"
  BOOL bToolBarAccelTips = FALSE;                    // "ToolBarAccelTips"
  BOOL bLargeIcons = FALSE;                          // "LargeIcons"
  CMap<UINT, UINT, BOOL, BOOL> m_mapUsedCommands;    // "UsedCommands"
  int nAnimationType = 0;                            // "Animation"
  BOOL bSyncFloatingBars = TRUE;                     // "SyncFloatingBars"
  BOOL bShowExpandButtonAlways = TRUE;               // "ShowExpandButtonAlways"
  CSize szIcons;                                     // "IconsSize"; (0, 0) the default
  CSize szLargeIcons;                                // "LargeIconsSize"
  CMap<UINT, UINT, BOOL, BOOL> m_mapHiddenCommands;  // "HiddenCommands"
  BOOL bDblClickFloat = FALSE;                       // "DblClickFloat"
  BOOL bShowTextBelowIcons = FALSE;                  // "ShowTextBelowIcons"
  BOOL bAltDragCustomization = TRUE;                 // "AltDragCustomization"
  BOOL bAutoHideUnusedPopups = TRUE;                 // "AutoHideUnusedPopups"
  CSize szPopupIcons;                                // "PopupIconsSize"
  int nKeyboardCuesUse = 1;                          // "KeyboardCuesUse"
  int nKeyboardCuesShow = 2;                         // "KeyboardCuesShow"

  // Not stored.
  BOOL bDirty = FALSE;  // set when a hidden command is used
  BOOL bShowKeyboardTips = FALSE;
  BOOL bShowPopupBarToolTips = FALSE;
  BOOL bShowStatusBarDescriptions = TRUE;  // the selected control's description on the status bar
  BOOL bDisableCommandIfNoHandler = TRUE;  // the idle update disables commands nobody handles
  // Read by the popups.
  BOOL bWrapLargePopups = FALSE;    // a popup taller than its monitor wraps into columns instead of scrolling
  BOOL bPopupSaveBits = TRUE;       // popup windows keep the screen under them
  BOOL bPopupsRightToLeft = FALSE;  // popups lay out right to left
};

class CTKCommandBars : public CCmdTarget {
 public:
  CTKCommandBars();
  ~CTKCommandBars() override;
  CTKCommandBars(const CTKCommandBars&) = delete;
  CTKCommandBars& operator=(const CTKCommandBars&) = delete;

  CTKCommandBarsOptions* GetCommandBarsOptions() const { return m_pOptions; }

  // The frame window; the bars are customisable exactly when its command
  // routing has a handler for Customize (35001).
  CWnd* GetSite() const { return m_pSite; }
  void SetSite(CWnd* pSite);
  BOOL IsCustomizable() const { return m_bCustomizable; }

  // Shared actions: controls added by id link to them while enabled.
  void EnableActions(BOOL bEnable = TRUE) { m_bEnableActions = bEnable; }
  BOOL IsActionsEnabled() const { return m_bEnableActions; }
  CTKControlActions* GetActions() const { return m_pActions; }
  CTKControlAction* FindAction(int nId) const;
  // None while actions are off, or for an id no action may have.
  CTKControlAction* CreateAction(int nId);

  // The own look and icons, else the process-wide ones. Setting takes over
  // the caller's reference.
  CTKBarPaintManager* GetPaintManager() const;
  void SetPaintManager(CTKBarPaintManager* pPaintManager);
  CTKImageManager* GetImageManager() const;
  void SetImageManager(CTKImageManager* pImageManager);

  BOOL IsCustomizeMode() const { return m_bCustomizeMode; }
  void SetCustomizeMode(BOOL bMode) { m_bCustomizeMode = bMode; }
  // The control selected in customise mode; a reference is held.
  CTKControl* GetDragControl() const { return m_pDragControl; }
  void SetDragControl(CTKControl* pControl);

  // Hidden commands stay out of short menus until used.
  BOOL IsCommandHidden(int nId) const;
  BOOL IsControlHidden(CTKControl* pControl) const;
  void SetCommandUsed(int nId);

  // The help id of the control now selected; 0 for none.
  int GetHelpId() const { return m_nHelpId; }
  void SetHelpId(int nHelpId) { m_nHelpId = nHelpId; }
  BOOL IsKeyboardCuesVisible() const { return m_bKeyboardCuesVisible; }

  // The resource id of the active document template; 0 for none.
  virtual UINT GetActiveDocTemplate() { return 0; }
  // Closes every popup tracked on the calling thread.
  static void ClosePopups();

 private:
  CTKBarPaintManager* m_pPaintManager = nullptr;
  CTKImageManager* m_pImageManager = nullptr;
  CTKControl* m_pDragControl = nullptr;
  BOOL m_bCustomizeMode = FALSE;
  BOOL m_bCustomizable = FALSE;
  CTKCommandBarsOptions* m_pOptions = nullptr;
  CWnd* m_pSite = nullptr;
  BOOL m_bKeyboardCuesVisible = TRUE;
  int m_nHelpId = 0;
  CTKControlActions* m_pActions = nullptr;
  BOOL m_bEnableActions = FALSE;
};
