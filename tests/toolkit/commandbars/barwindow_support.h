// What the tests of the bar window and its buttons and popups share: a bar
// that lays its controls out in a row (a column for menus) at the sizes its
// look measures, as the derived bars do; a popup bar that shows itself the
// way popup menus do (it tells the owner, tracks, runs its idle update and
// shows); and a fixture with the mouse manager's hook on and the fake clock.
#pragma once

#include "platform/base/clock.h"
#include "platform/window/test_input.h"
#include "tests/toolkit/commandbars/cbtest_support.h"
#include "toolkit/commandbars/controlbutton.h"
#include "toolkit/commandbars/controlpopup.h"
#include "toolkit/common/mousemanager.h"

namespace cbtest {

class RowBar : public CTKCommandBar {
 public:
  RowBar(TKBarType type, TKBarPosition position, CWnd* pOwner, CRect rcWindow = CRect(100, 100, 400, 200)) {
    m_barType = type;
    m_barPosition = position;
    SetOwner(pOwner);
    CreateEx(WS_EX_TOOLWINDOW, AfxRegisterWndClass(0), u"", WS_POPUP | WS_VISIBLE, rcWindow.left, rcWindow.top,
             rcWindow.Width(), rcWindow.Height(), nullptr, nullptr);
  }
  ~RowBar() override {
    if (GetSafeHwnd()) DestroyWindow();
  }
  BOOL IsVisible() const override { return GetSafeHwnd() && ::IsWindowVisible(m_hWnd); }
  BOOL IsPopupBar() const override { return m_barType == TKBarType::Popup; }
  // A menu stacks its controls; other bars line them up.
  void OnRecalcLayout() override {
    const bool bColumn = m_barType == TKBarType::Popup;
    CPoint pt(TestPaintManager::kBorder, TestPaintManager::kBorder);
    for (int i = 0; i < GetControlCount(); ++i) {
      CTKControl* pControl = GetControl(i);
      if (!pControl->IsVisible()) continue;
      const CSize sz = pControl->GetSize(nullptr);
      pControl->SetRect(CRect(pt, sz));
      if (bColumn) pt.y += sz.cy;
      else pt.x += sz.cx;
    }
  }
  CTKControl* Add(TKControlType type, int nId, const char16_t* caption) {
    CTKControl* pControl = GetControls()->AddByType(type, nId);
    pControl->SetCaption(caption);
    OnRecalcLayout();
    return pControl;
  }
  // Where a user would point at the control: its centre, or a point at an
  // offset from its right edge.
  POINT ScreenPoint(const CTKControl* pControl, int nFromRight = -1) const {
    const CRect rc = pControl->GetRect();
    CPoint pt = nFromRight < 0 ? rc.CenterPoint() : CPoint(rc.right - nFromRight, rc.CenterPoint().y);
    ClientToScreen(&pt);
    return pt;
  }
};

// A popup menu of its own, without the popup bar's placement and looks:
// shown beside the control that opens it.
class SubMenuBar : public RowBar {
 public:
  SubMenuBar() : RowBar(TKBarType::Popup, TKBarPosition::Popup, nullptr, CRect(0, 0, 120, 80)) { ShowWindow(SW_HIDE); }
  CTKCommandBar* GetParentCommandBar() const override { return m_pOpener ? m_pOpener->GetParent() : nullptr; }
  CTKControl* GetControlPopup() const override { return m_pOpener; }

  BOOL Popup(CTKControl* pControlPopup, BOOL bSelectFirst) override {
    ++m_nPopups;
    m_pOpener = pControlPopup;
    if (CWnd* pOwner = GetOwnerWindow(); pOwner && pOwner->GetSafeHwnd())
      ::SendMessage(pOwner->GetSafeHwnd(), TK_CBM_POPUPSHOWING, 0, reinterpret_cast<LPARAM>(this));
    CRect rc(0, 0, 120, 80);
    if (pControlPopup && pControlPopup->GetParent()) {
      CRect rcControl = pControlPopup->GetRect();
      pControlPopup->GetParent()->ClientToScreen(&rcControl);
      rc.OffsetRect(rcControl.right, rcControl.top);
    }
    SetWindowPos(nullptr, rc.left, rc.top, rc.Width(), rc.Height(), SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    SetTrackingMode(TKTrackingMode::Tracking, bSelectFirst, FALSE);
    OnIdleUpdate();
    // A handler may have closed the menu meanwhile.
    return IsTrackingMode();
  }
  BOOL SetTrackingMode(TKTrackingMode mode, BOOL bSelectFirst = TRUE, BOOL bKeyboard = FALSE) override {
    const BOOL bChanged = CTKCommandBar::SetTrackingMode(mode, bSelectFirst, bKeyboard);
    if (mode == TKTrackingMode::Off && GetSafeHwnd()) ShowWindow(SW_HIDE);
    return bChanged;
  }
  BOOL IsOpen() const { return IsTrackingMode() && IsVisible(); }

  CTKControl* m_pOpener = nullptr;
  int m_nPopups = 0;
};

// Gives the popup control a new sub-menu with one item; the control holds
// the only reference.
inline SubMenuBar* AttachSubMenu(CTKControl* pControl, int nItemId = 500) {
  auto* pSubMenu = new SubMenuBar();
  pSubMenu->Add(TKControlType::Button, nItemId, u"Item");
  static_cast<CTKControlPopup*>(pControl)->SetCommandBar(pSubMenu);
  pSubMenu->InternalRelease();
  return pSubMenu;
}

class BarWindowFixture : public CommandBarsFixture {
 protected:
  BarWindowFixture() {
    GetMouseManager()->SetHook(FALSE);
    GetMouseManager()->SetHook(TRUE);
    pv::test::MouseMove(0, 0);
    pv::test::PumpUntilIdle();
  }
  ~BarWindowFixture() override {
    CTKCommandBars::ClosePopups();
    GetMouseManager()->m_nSuspendCount = 0;
    pv::test::PumpUntilIdle();
  }
  // The pointer rests on the control for the time given.
  static void RestOn(const RowBar& bar, const CTKControl* pControl, unsigned ms) {
    const POINT pt = bar.ScreenPoint(pControl);
    pv::test::MouseMove(pt.x, pt.y);
    pv::test::PumpUntilIdle();
    pv::test::AdvanceAndPump(ms);
  }

  pv::FakeClockScope m_clock;
  SiteWnd m_site;
};

}  // namespace cbtest
