// The plain push button of tool bars and the plain item of menus, and the
// popup controls built on it: a sub-menu or menu-bar item, a tool-bar
// button that opens a menu, and a split button with a command part and a
// drop-down part. A popup control holds one reference on its popup bar and
// opens and closes it through its parent bar.
#pragma once

#include "toolkit/commandbars/control.h"

class CTKControlButton : public CTKControl {
  DECLARE_SERIAL(CTKControlButton)

 public:
  CTKControlButton();

  // By keyboard the button executes; by mouse a tool-bar button (or one
  // that repeats while held) runs the press loop; a menu item executes on
  // the release instead.
  void OnClick(BOOL bKeyboard = FALSE, CPoint pt = CPoint(0, 0)) override;
  // Menus execute on the release, so a user may press, drag to an item and
  // let go there.
  void OnLButtonUp(CPoint point) override;
};
