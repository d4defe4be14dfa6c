// A control that opens a popup bar: a sub-menu or menu-bar item (Popup), a
// tool-bar button with a menu (ButtonPopup) or a split button whose command
// part executes and whose drop-down part opens the menu (SplitButtonPopup).
// It holds one reference on its popup bar; the parent bar opens and closes
// it through SetPopupedControl.
#pragma once

#include "toolkit/commandbars/controlbutton.h"

class CTKControlPopup : public CTKControlButton {
  DECLARE_SERIAL(CTKControlPopup)

 public:
  CTKControlPopup();
  ~CTKControlPopup() override;

  // A new popup control of the type (Popup, ButtonPopup or
  // SplitButtonPopup); null for another type.
  static CTKControlPopup* CreateControlPopup(TKControlType type);

  CTKCommandBar* GetCommandBar() override { return m_pCommandBar; }
  // Releases the held bar and keeps a reference on the new one.
  void SetCommandBar(CTKCommandBar* pBar);
  // TRUE when both popups have bars and the other's bar is this one's or a
  // bar anywhere below it.
  BOOL IsSharingBarWith(CTKControlPopup* pOther);

  BOOL GetShadowJoined() const { return m_bShadowJoined; }
  void SetShadowJoined(BOOL bJoined) { m_bShadowJoined = bJoined; }

  // With a popup bar the parent opens it as if by keyboard; without one
  // the control executes.
  void Execute() override;
  BOOL GetPopuped() const override { return m_bPopuped; }
  // Opens or closes the popup bar. Opening paints the pressed look first;
  // FALSE when there is no bar, a split button's drop-down is disabled or
  // the bar does not show.
  BOOL SetPopuped(BOOL bPopuped) override;
  BOOL SetSelected(int nSelected) override;
  void OnClick(BOOL bKeyboard = FALSE, CPoint pt = CPoint(0, 0)) override;
  void OnLButtonUp(CPoint point) override;
  BOOL OnLButtonDblClk(CPoint point) override;
  // A split button's hot part follows the mouse.
  void OnMouseMove(CPoint point) override;
  void OnMouseHover() override;
  BOOL IsEqual(CTKControl* pOther) override;
  // Recursive copies clone the source's bar; others share it.
  void Copy(CTKControl* pSource, BOOL bRecursive = FALSE) override;

  // Joins the open popup's shadow to the control that opened it.
  virtual void UpdateShadow();

 protected:
  BOOL IsSplitButton() const { return m_controlType == TKControlType::SplitButtonPopup; }
  // The paint manager's command part of a split button.
  CRect GetCommandPartRect();

  BOOL m_bPopuped = FALSE;
  CTKCommandBar* m_pCommandBar = nullptr;
  BOOL m_bShadowJoined = TRUE;
};
