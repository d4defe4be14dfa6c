// The shared state of one command: texts, icon, help id, and enabled,
// checked and visible values. Every control showing the command may link to
// its action and then reads these instead of its own, so a change made once
// reaches every place the command shows. The command bars keep the actions
// in one list sorted by id.
#pragma once

#include <string>

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"
#include "platform/base/cstring.h"

class CTKCommandBars;
class CTKControl;
class CTKControlActions;

// The property a linked control is told about when it changes.
enum class TKActionProperty : int { Enabled = 0, Caption = 3 };

// The ids an action may have: 1 to 0xFFFFFFE.
constexpr int kTKFirstActionId = 1;
constexpr int kTKLastActionId = 0xFFFFFFE;
inline bool TKIsActionId(int nId) { return nId >= kTKFirstActionId && nId <= kTKLastActionId; }

class CTKControlAction : public CCmdTarget {
 public:
  explicit CTKControlAction(CTKControlActions* pActions);
  ~CTKControlAction() override;
  CTKControlAction(const CTKControlAction&) = delete;
  CTKControlAction& operator=(const CTKControlAction&) = delete;

  int GetID() const { return m_nId; }
  CTKCommandBars* GetCommandBars() const;

  // 1 while the command bars are customised, else the enabled field.
  BOOL GetEnabled() const;
  void SetEnabled(BOOL bEnabled);
  int GetChecked() const { return m_nChecked; }
  void SetChecked(int nChecked);
  BOOL IsVisible() const { return m_bVisible; }
  void SetVisible(BOOL bVisible);
  int GetIconId() const { return m_nIconId; }
  void SetIconId(int nIconId) { m_nIconId = nIconId; }
  int GetHelpId() const { return m_nHelpId; }
  void SetHelpId(int nHelpId) { m_nHelpId = nHelpId; }
  CString GetCaption() const { return m_strCaption; }
  // Cut at the first tab; a change is announced to every linked control and
  // re-lays out their bars.
  void SetCaption(const CString& strCaption);
  // "description\ntooltip\ncaption\nkeyboard tip"; the caption and keyboard
  // tip only fill empty ones.
  void SetPrompt(const CString& strPrompt);
  CString GetTooltip() const { return m_strTooltipText; }
  void SetTooltip(const CString& strTooltip) { m_strTooltipText = strTooltip; }
  CString GetDescription() const { return m_strDescriptionText; }
  void SetDescription(const CString& strDescription) { m_strDescriptionText = strDescription; }
  CString GetShortcutText() const { return m_strShortcutText; }
  void SetShortcutText(const CString& strShortcutText) { m_strShortcutText = strShortcutText; }
  CString GetKeyboardTip() const { return m_strKeyboardTip; }
  void SetKeyboardTip(const CString& strKeyboardTip) { m_strKeyboardTip = strKeyboardTip; }

  // Linking prepares the control to follow the action (its states -1, its
  // id the action's, its own texts emptied); unlinking leaves the texts
  // empty and sets enabled 1, checked 0.
  void AddControl(CTKControl* pControl);
  void RemoveControl(CTKControl* pControl);
  void RemoveAllControls();
  int GetControlCount() const { return static_cast<int>(m_arrControls.GetSize()); }
  CTKControl* GetControl(int nIndex) const;

 private:
  friend class CTKControlActions;
  // Tells every linked control and re-lays out their bars.
  void NotifyChanged(TKActionProperty property, BOOL bLayout);

  int m_nId = 0;
  int m_nIconId = 0;
  int m_nHelpId = 0;
  BOOL m_bEnabled = TRUE;
  int m_nChecked = 0;
  BOOL m_bVisible = TRUE;
  CString m_strCaption;
  CString m_strTooltipText;
  CString m_strDescriptionText;
  CString m_strShortcutText;
  CString m_strKeyboardTip;
  CArray<CTKControl*, CTKControl*> m_arrControls;
  CTKControlActions* m_pActions = nullptr;
};

class CTKControlActions : public CCmdTarget {
 public:
  explicit CTKControlActions(CTKCommandBars* pCommandBars = nullptr) : m_pCommandBars(pCommandBars) {}
  ~CTKControlActions() override;
  CTKControlActions(const CTKControlActions&) = delete;
  CTKControlActions& operator=(const CTKControlActions&) = delete;

  int GetCount() const { return static_cast<int>(m_arrActions.GetSize()); }
  // An index out of range is the framework's invalid-argument error.
  CTKControlAction* GetAt(int nIndex) const;
  // The action with the id; none for ids outside 1 to 0xFFFFFFE.
  CTKControlAction* FindAction(int nId) const;
  // The action with the id, made (with the id's prompt) when it is new;
  // none for an id FindAction would never find.
  CTKControlAction* CreateAction(int nId);
  // Before the first action with a greater id; takes the caller's reference.
  void Insert(CTKControlAction* pAction);
  // Unlinks every control of every action and releases them all.
  void RemoveAll();
  CTKCommandBars* GetCommandBars() const { return m_pCommandBars; }

#ifndef NDEBUG
  // Sorted by id, every action owned by this list and every linked control
  // linked back.
  std::string CheckInvariants() const;
#endif

 private:
  CArray<CTKControlAction*, CTKControlAction*> m_arrActions;
  CTKCommandBars* m_pCommandBars = nullptr;
};
