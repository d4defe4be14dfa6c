// The base of every item a command bar shows: menu items, tool-bar buttons,
// popups, combo boxes, edits, galleries, labels. A control holds its command
// id, texts, icon reference, type, style, states, hide and behaviour flags
// and the rectangle its bar's layout gave it; it measures and draws through
// its bar's look and tells the owner window when it is executed. Reference
// counted: its collection holds one reference, and the control holds one
// on itself while application code runs (a handler may destroy the bar).
#pragma once

#include <string>

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"
#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "toolkit/commandbars/commandbarsdefs.h"
#include "toolkit/common/accessible.h"

class CCmdUI;
class CDC;
class CWnd;
class CTKBarPaintManager;
class CTKCommandBars;
class CTKControlAction;
class CTKControls;
class CTKImageManager;
class CTKImageManagerIcon;
class CTKPropExchange;

class CTKControl : public CCmdTarget, public CTKAccessible {
  DECLARE_SERIAL(CTKControl)

 public:
  // Document-template resource ids, as a set.
  using CDocTemplateMap = CMap<UINT, UINT, UINT, UINT>;

  CTKControl();
  ~CTKControl() override;
  CTKControl(const CTKControl&) = delete;
  CTKControl& operator=(const CTKControl&) = delete;

  // ---- texts ----
  // The custom caption, else the caption, else the action's caption (its
  // tooltip when that is empty).
  virtual CString GetCaption() const;
  virtual CString GetDescription() const;
  virtual CString GetTooltip() const;
  // A tab cuts the caption: what follows is the automatic shortcut text.
  void SetCaption(const CString& strCaption);
  BOOL LoadCaption(UINT nIDString);
  // A command's prompt: "description\ntooltip\ncaption\nkeyboard tip".
  void SetPrompt(const CString& strPrompt);
  CString GetShortcutText() const;
  void SetShortcutText(const CString& strShortcutText) { m_strShortcutText = strShortcutText; }
  CString GetShortcutTextAuto() const { return m_strShortcutTextAuto; }
  void SetShortcutTextAuto(const CString& strText) { m_strShortcutTextAuto = strText; }
  void SetTooltip(const CString& strTooltip) { m_strTooltipText = strTooltip; }
  void SetDescription(const CString& strDescription) { m_strDescriptionText = strDescription; }
  CString GetCustomCaption() const { return m_strCustomCaption; }
  void SetCustomCaption(const CString& strCaption);
  CString GetParameter() const { return m_strParameter; }
  void SetParameter(const CString& strParameter) { m_strParameter = strParameter; }
  CString GetKeyboardTip() const { return m_strKeyboardTip; }
  void SetKeyboardTip(const CString& strKeyboardTip) { m_strKeyboardTip = strKeyboardTip; }
  CString GetCategory() const { return m_strCategory; }
  void SetCategory(const CString& strCategory) { m_strCategory = strCategory; }

  // ---- id, icon, help ----
  int GetID() const { return m_nId; }
  // A new id takes the prompt of its string resource, when it has one.
  void SetID(int nId);
  int GetIconId() const;
  void SetIconId(int nIconId) { m_nIconId = nIconId; }
  int GetCustomIconId() const { return m_nCustomIconId; }
  void SetCustomIconId(int nIconId) { m_nCustomIconId = nIconId; }
  int GetHelpId() const;
  void SetHelpId(int nHelpId) { m_nHelpId = nHelpId; }
  virtual CTKImageManagerIcon* GetImage(int nWidth = 16);

  // ---- type, style, flags ----
  TKControlType GetType() const { return m_controlType; }
  void SetType(TKControlType type) { m_controlType = type; }
  TKButtonStyle GetStyle() const;
  void SetStyle(TKButtonStyle style);
  int GetCustomStyle() const { return m_nCustomStyle; }
  void SetCustomStyle(int nStyle) { m_nCustomStyle = nStyle; }
  void SetReducedStyle(TKButtonStyle style) { m_reducedStyle = style; }
  DWORD GetFlags() const { return m_dwFlags; }
  void SetFlags(DWORD dwFlags) { m_dwFlags = dwFlags; }
  DWORD GetHideFlags() const { return m_dwHideFlags; }
  virtual void SetHideFlags(DWORD dwFlags) { m_dwHideFlags = dwFlags; }
  // Sets or clears one hide flag; TRUE when that changed the flags.
  BOOL SetHideFlag(DWORD dwFlag, BOOL bHide);
  BOOL GetBeginGroup() const { return m_bBeginGroup; }
  virtual void SetBeginGroup(BOOL bBeginGroup);
  BOOL GetWrap() const { return m_bWrap; }
  void SetWrap(BOOL bWrap) { m_bWrap = bWrap; }
  BOOL GetDefaultItem() const { return m_bDefaultItem; }
  void SetDefaultItem(BOOL bDefault);
  BOOL IsTemporary() const { return m_bTemporary; }
  void SetTemporary(BOOL bTemporary) { m_bTemporary = bTemporary; }
  BOOL GetRarelyUsed() const { return m_bExpanded; }
  // Clearing it shows a control a popup had hidden as rarely used.
  void SetRarelyUsed(BOOL bRarelyUsed);
  BOOL GetCloseSubMenuOnClick() const { return m_bCloseSubMenuOnClick; }
  void SetCloseSubMenuOnClick(BOOL bClose) { m_bCloseSubMenuOnClick = bClose; }
  ULONG_PTR GetTag() const { return m_nTag; }
  void SetTag(ULONG_PTR nTag) { m_nTag = nTag; }
  int GetExecuteOnPressInterval() const { return m_nExecuteOnPressInterval; }
  void SetExecuteOnPressInterval(int nInterval) { m_nExecuteOnPressInterval = nInterval; }

  // ---- states ----
  // The bar's override when it has one, else the enabled value, else (-1)
  // the action's.
  int GetEnabled() const;
  virtual void SetEnabled(int nEnabled);
  virtual void OnEnabledChanged() {}
  int GetChecked() const;
  virtual void SetChecked(int nChecked);
  virtual int GetSelected() const { return m_nSelected; }
  virtual BOOL SetSelected(int nSelected);
  virtual int GetPressed() const { return m_nPressed; }
  void SetPressed(int nPressed) { m_nPressed = nPressed; }
  virtual void SetFocused(BOOL) {}
  virtual BOOL IsFocused() const { return FALSE; }
  virtual BOOL GetPopuped() const { return FALSE; }
  virtual BOOL SetPopuped(BOOL) { return FALSE; }
  // No hide flag outside the mask is set and a linked action is visible.
  virtual BOOL IsVisible(DWORD dwSkipFlags = 0) const;
  void SetVisible(BOOL bVisible);
  virtual BOOL IsCaptionVisible();

  // ---- geometry ----
  CRect GetRect() const { return m_rcControl; }
  virtual void SetRect(CRect rcControl) { m_rcControl = rcControl; }
  CRect GetRowRect() const { return m_rcRow; }
  void SetRowRect(CRect rcRow) { m_rcRow = rcRow; }
  int GetWidth() const { return m_nWidth; }
  virtual void SetWidth(int nWidth);
  int GetHeight() const { return m_nHeight; }
  virtual void SetHeight(int nHeight);
  CSize GetIconSizeField() const { return m_szIcon; }
  void SetIconSize(CSize szIcon) { m_szIcon = szIcon; }
  virtual CSize GetButtonSize() const;
  virtual CSize GetIconSize() const;
  virtual CSize GetSize(CDC* pDC);
  virtual void Draw(CDC* pDC);
  virtual void OnCalcDynamicSize(DWORD /*dwMode*/) {}

  // ---- links ----
  int GetIndex() const { return m_nIndex; }
  CTKCommandBar* GetParent() const { return m_pParent; }
  virtual void SetParent(CTKCommandBar* pParent) { m_pParent = pParent; }
  CTKControls* GetControls() const { return m_pControls; }
  CTKControlAction* GetAction() const { return m_pAction; }
  // Unlinks from the current action, then links to the new one (or none).
  virtual void SetAction(CTKControlAction* pAction);
  virtual void ResetAction() { SetAction(nullptr); }
  virtual void OnActionChanging(int /*nProperty*/) {}
  virtual void OnActionChanged(int nProperty);
  virtual void OnCaptionChanged() {}
  // The bar a popup opens; null for other controls.
  virtual CTKCommandBar* GetCommandBar() { return nullptr; }
  virtual CTKControls* GetItems() { return nullptr; }
  CTKBarPaintManager* GetPaintManager() const;
  CTKImageManager* GetImageManager() const;
  CTKCommandBars* GetCommandBars() const;
  void* GetRibbonGroup() const { return m_pRibbonGroup; }
  void SetRibbonGroup(void* pGroup) { m_pRibbonGroup = pGroup; }
  // Whether the control lies on a ribbon's glass caption; never without a
  // ribbon.
  BOOL IsDrawnOnGlass() const { return FALSE; }

  CDocTemplateMap& GetDocTemplatesAssigned() { return m_mapDocTemplatesAssigned; }
  CDocTemplateMap& GetDocTemplatesExcluded() { return m_mapDocTemplatesExcluded; }

  // ---- execution and the owner window ----
  // Plays the menu sound, records the use, closes menus and tells the owner
  // window: the site notification, then WM_COMMAND unless it was handled.
  virtual void OnExecute();
  virtual void Execute() { OnExecute(); }
  // Message 10338 to the window (the bar's owner window when null), then
  // the window's command routing; the first non-zero answer.
  LRESULT NotifySite(UINT nCode);
  LRESULT NotifySiteWithHeader(CWnd* pWnd, UINT nCode, TK_NMCONTROL* pHeader);
  // Sets the parent bar's layout-dirty bit.
  void DelayLayout();
  void RedrawParent(BOOL bAnimate = TRUE);
  BOOL IsCustomizeMode() const;
  virtual BOOL IsCustomizable() const;
  virtual BOOL IsFocusable() const { return FALSE; }
  virtual BOOL IsCustomizeResizeAllow() const { return FALSE; }
  virtual int GetCustomizeMinWidth() const { return 0; }
  virtual int GetCustomizeMinHeight() const { return 0; }
  // Customise drag and resize are built with customisation.
  virtual void CustomizeStartDrag(CPoint point);
  virtual BOOL CustomizeStartResize(CPoint point);

  // The modal loop of a pressed button over the rectangle (empty: the
  // control's): the release inside executes; with an execute-on-press
  // interval the command repeats while the button is held. A quit met on
  // the way ends the loop and stays queued for the program's loop.
  void PressLoop(CRect rcLoop = CRect());
  static constexpr UINT_PTR kAutoRepeatTimerId = 4269;

  virtual void OnThemeChanged() {}
  virtual void OnIdleUpdate() {}
  virtual void OnClick(BOOL /*bKeyboard*/ = FALSE, CPoint /*pt*/ = CPoint(0, 0)) {}
  virtual int OnHookKeyDown(UINT /*nChar*/, LPARAM /*lParam*/) { return 0; }
  virtual BOOL OnHookMouseWheel(UINT, short, CPoint) { return FALSE; }
  virtual void OnLButtonUp(CPoint) {}
  virtual void OnLButtonDown(CPoint point);
  virtual BOOL OnRButtonDown(CPoint) { return FALSE; }
  virtual BOOL OnRButtonUp(CPoint) { return FALSE; }
  virtual BOOL OnLButtonDblClk(CPoint point);
  virtual void OnMouseMove(CPoint) {}
  virtual void OnMouseHover();

  // ---- stored form (controlexchange.cpp) ----
  // Stores the control's settings, or loads them: every value is read and
  // checked first, and only a whole, valid set is applied (a bad one
  // raises an archive exception and leaves the control as it was). On
  // load, the exchange's load parent is the collection the control will
  // join; the control takes the action of its id from that collection's
  // command bars.
  virtual void DoPropExchange(CTKPropExchange* pPX);

  // ---- copies ----
  // The same effective style, type, id, flags, group start, icon, texts the
  // user sees, customise hide flag and width.
  virtual BOOL IsEqual(CTKControl* pOther);
  virtual void Copy(CTKControl* pSource, BOOL bRecursive = FALSE);
  // A new control of this class with Copy applied.
  virtual CTKControl* Clone(BOOL bRecursive = FALSE);

  // During a bar's idle update: the control behind a command-UI object
  // whose other object is a command bar; null otherwise.
  static CTKControl* FromCmdUI(CCmdUI* pCmdUI);

  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

  // ---- accessibility ----
  CCmdTarget* GetCmdTarget() override { return this; }
  HRESULT GetAccessibleParent(IDispatch** parent) override;
  HRESULT GetAccessibleChildCount(LONG* count) override;
  HRESULT GetAccessibleChild(VARIANT child, IDispatch** dispatch) override;
  HRESULT GetAccessibleName(VARIANT child, BSTR* name) override;
  HRESULT GetAccessibleDescription(VARIANT child, BSTR* description) override;
  HRESULT GetAccessibleRole(VARIANT child, VARIANT* role) override;
  HRESULT GetAccessibleState(VARIANT child, VARIANT* state) override;
  HRESULT GetAccessibleKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
  HRESULT GetAccessibleDefaultAction(VARIANT child, BSTR* action) override;
  HRESULT AccessibleSelect(LONG flags, VARIANT child) override;
  HRESULT AccessibleLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override;
  HRESULT AccessibleHitTest(LONG x, LONG y, VARIANT* child) override;
  HRESULT AccessibleDoDefaultAction(VARIANT child) override;

#ifndef NDEBUG
  std::string CheckInvariants() const;
#endif

 protected:
  friend class CTKControls;
  friend class CTKControlAction;

  // The action's states while linked; the parent bar's override first.
  CTKCommandBar* GetTopParentBar() const;

  ULONG_PTR m_nTag = 0;
  int m_nIndex = 0;
  int m_nId = 0;
  int m_nIconId = 0;
  int m_nHelpId = 0;
  int m_nCustomIconId = 0;
  BOOL m_bWrap = FALSE;
  BOOL m_bBeginGroup = FALSE;
  int m_bEnabled = 1;
  int m_bChecked = 0;
  int m_nSelected = 0;
  int m_nPressed = 0;
  BOOL m_bTemporary = FALSE;
  CRect m_rcRow;
  CRect m_rcControl;
  DWORD m_dwHideFlags = 0;
  DWORD m_dwFlags = 0;
  CString m_strCaption;
  CString m_strCustomCaption;
  CString m_strShortcutText;
  CString m_strShortcutTextAuto;
  CString m_strTooltipText;
  CString m_strDescriptionText;
  CString m_strParameter;
  CString m_strKeyboardTip;
  CTKControls* m_pControls = nullptr;
  TKControlType m_controlType = TKControlType::Plain;
  CTKCommandBar* m_pParent = nullptr;
  BOOL m_bExpanded = FALSE;
  CString m_strCategory;
  BOOL m_bDefaultItem = FALSE;
  CDocTemplateMap m_mapDocTemplatesAssigned;
  CDocTemplateMap m_mapDocTemplatesExcluded;
  TKButtonStyle m_buttonStyle = TKButtonStyle::Automatic;
  int m_nCustomStyle = -1;  // a TKButtonStyle, or -1 for none
  TKButtonStyle m_reducedStyle = TKButtonStyle::Automatic;
  BOOL m_bCloseSubMenuOnClick = TRUE;
  void* m_pRibbonGroup = nullptr;
  CTKControlAction* m_pAction = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nExecuteOnPressInterval = 0;
  CSize m_szIcon;
};
