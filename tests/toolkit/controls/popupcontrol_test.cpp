// The pop-up window: placement beside the task bar, the animation steps on
// the fake clock, hover, clicks through scripted input, and the window
// region taken from an image.
#include <gtest/gtest.h>

#include <memory>

#include "popup_test_support.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/controls/popupcontrol.h"
#include "toolkit/controls/popuppaintmanager.h"

namespace popuptest {
namespace {

using pv::test::AdvanceAndPump;
using pv::test::PumpUntilIdle;

class PopupTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    owner.watched = {TK_WM_POPUPNOTIFY};
    owner.answer = [this](UINT, WPARAM code, LPARAM lParam) -> LRESULT {
      if (code == TK_POPUP_STATECHANGED) states.push_back(reinterpret_cast<CTKPopupControl*>(lParam)->GetPopupState());
      return TRUE;
    };
    ASSERT_TRUE(owner.CreateOwner());
    // Visible under the pointer's resting place, so that leaving a pop-up
    // lands on a window (moves over no window report nothing).
    owner.ShowWindow(SW_SHOWNOACTIVATE);
    PumpUntilIdle();
  }
  void TearDown() override {
    popup.reset();
    owner.DestroyWindow();
    DesktopTest::TearDown();
  }
  CTKPopupControl& Make(int kind, UINT animationTime = 256, UINT showDelay = 5000, int transparency = 255) {
    popup = std::make_unique<CTKPopupControl>(FALSE);
    popup->SetAnimationKind(kind);
    popup->SetAnimationTime(animationTime);
    popup->SetShowDelay(showDelay);
    popup->SetTransparency(transparency);
    return *popup;
  }
  CRect Rect() const {
    CRect rc;
    ::GetWindowRect(popup->GetSafeHwnd(), &rc);
    return rc;
  }
  BYTE Alpha() const {
    BYTE alpha = 0;
    DWORD flags = 0;
    COLORREF key = 0;
    ::GetLayeredWindowAttributes(popup->GetSafeHwnd(), &key, &alpha, &flags);
    return alpha;
  }
  std::vector<LPARAM> Clicks() const {
    std::vector<LPARAM> v;
    for (auto& m : owner.Of(TK_WM_POPUPNOTIFY))
      if (m.wParam == TK_POPUP_ITEMCLICK) v.push_back(m.lParam);
    return v;
  }

  RecordingOwner owner;
  std::unique_ptr<CTKPopupControl> popup;
  std::vector<int> states;
};

TEST_F(PopupTest, ComesUpBesideTheTaskBarAtEachEdge) {
  struct Case {
    const char* edge;
    RECT work;
    CRect expected;  // a 170 x 130 pop-up
  };
  const Case cases[] = {
      {"bottom", {0, 0, 1280, 984}, CRect(1110, 854, 1280, 984)},
      {"left", {40, 0, 1280, 1024}, CRect(40, 894, 210, 1024)},
      {"top", {0, 40, 1280, 1024}, CRect(1110, 40, 1280, 170)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.edge);
    RECT work = c.work;
    ASSERT_TRUE(::SystemParametersInfoW(SPI_SETWORKAREA, 0, &work, 0));
    Make(tkPopupAnimationNone);
    EXPECT_EQ(popup->GetPopupPos(), c.expected.BottomRight());
    ASSERT_TRUE(popup->Show(&owner));
    EXPECT_EQ(Rect(), c.expected);
    EXPECT_TRUE(::IsWindowVisible(popup->GetSafeHwnd()));
    EXPECT_EQ(popup->GetPopupState(), tkPopupStateShown);
    // Shown without being activated.
    EXPECT_NE(::GetActiveWindow(), popup->GetSafeHwnd());
    popup->Close();
  }
  // An explicit anchor wins over the task bar.
  Make(tkPopupAnimationNone);
  popup->SetPopupPos(CPoint(500, 400));
  ASSERT_TRUE(popup->Show(&owner));
  EXPECT_EQ(Rect(), CRect(330, 270, 500, 400));
}

TEST_F(PopupTest, AnimationSteps256MsIn16MsAndLandsOnTheTarget) {
  Make(tkPopupAnimationSlide);
  ASSERT_TRUE(popup->Show(&owner));
  EXPECT_EQ(popup->GetPopupState(), tkPopupStateExpanding);
  EXPECT_EQ(Rect().Height(), 0);  // a strip on the bottom edge
  int lastHeight = 0;
  for (int step = 1; step <= 15; ++step) {
    AdvanceAndPump(16);
    SCOPED_TRACE(step);
    EXPECT_GT(Rect().Height(), lastHeight);
    EXPECT_LT(Rect().Height(), 130);
    EXPECT_EQ(Rect().bottom, 984);
    EXPECT_EQ(popup->GetPopupState(), tkPopupStateExpanding);
    lastHeight = Rect().Height();
  }
  AdvanceAndPump(16);
  EXPECT_EQ(Rect(), CRect(1110, 854, 1280, 984));
  EXPECT_EQ(popup->GetPopupState(), tkPopupStateShown);
  EXPECT_EQ(states, (std::vector<int>{tkPopupStateExpanding, tkPopupStateShown}));

  // A distance shorter than the step count still moves one unit per step
  // and stops at the target: a fade to alpha 5.
  Make(tkPopupAnimationFade, 256, 5000, 5);
  ASSERT_TRUE(popup->Show(&owner));
  std::vector<int> alphas;
  for (int step = 0; step < 16; ++step) {
    AdvanceAndPump(16);
    alphas.push_back(Alpha());
  }
  EXPECT_EQ(alphas, (std::vector<int>{1, 2, 3, 4, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5}));
  EXPECT_EQ(popup->GetPopupState(), tkPopupStateShown);
}

TEST_F(PopupTest, HoverHoldsItOpaqueAndHidingStartsWithinOneDelayAfterLeaving) {
  Make(tkPopupAnimationNone, 0, 1000, 200);
  ASSERT_TRUE(popup->Show(&owner));
  EXPECT_EQ(Alpha(), 200);
  pv::test::MouseMove(1200, 900);
  PumpUntilIdle();
  EXPECT_EQ(Alpha(), 255);
  AdvanceAndPump(10000);
  EXPECT_EQ(popup->GetPopupState(), tkPopupStateShown);
  EXPECT_TRUE(::IsWindow(popup->GetSafeHwnd()));
  EXPECT_EQ(Alpha(), 255);

  AdvanceAndPump(300);  // leave in the middle of a display period
  pv::test::MouseMove(100, 100);
  PumpUntilIdle();
  EXPECT_EQ(Alpha(), 200);
  EXPECT_EQ(popup->GetPopupState(), tkPopupStateShown);
  AdvanceAndPump(1000);
  EXPECT_EQ(popup->GetPopupState(), tkPopupStateClosed);
  EXPECT_FALSE(::IsWindow(popup->GetSafeHwnd()));
  EXPECT_EQ(states.back(), tkPopupStateClosed);
}

TEST_F(PopupTest, MouseDuringAHideRegrowsOverTheStepsItHadShrunk) {
  Make(tkPopupAnimationSlide, 256, 1000);
  ASSERT_TRUE(popup->Show(&owner));
  AdvanceAndPump(256);
  ASSERT_EQ(popup->GetPopupState(), tkPopupStateShown);
  AdvanceAndPump(1000);
  ASSERT_EQ(popup->GetPopupState(), tkPopupStateCollapsing);
  AdvanceAndPump(6 * 16);
  int shrunk = Rect().Height();
  EXPECT_LT(shrunk, 130);
  EXPECT_GT(shrunk, 0);

  pv::test::MouseMove(1200, 982);
  PumpUntilIdle();
  EXPECT_EQ(popup->GetPopupState(), tkPopupStateExpanding);
  AdvanceAndPump(5 * 16);
  EXPECT_EQ(popup->GetPopupState(), tkPopupStateExpanding);
  EXPECT_LT(Rect().Height(), 130);
  AdvanceAndPump(16);
  EXPECT_EQ(popup->GetPopupState(), tkPopupStateShown);
  EXPECT_EQ(Rect(), CRect(1110, 854, 1280, 984));
  // Held open while the mouse stays.
  AdvanceAndPump(5000);
  EXPECT_EQ(popup->GetPopupState(), tkPopupStateShown);

  // During a fade-out the window is fully shown at once.
  pv::test::MouseMove(100, 100);
  PumpUntilIdle();
  Make(tkPopupAnimationFade, 256, 1000, 255);
  ASSERT_TRUE(popup->Show(&owner));
  AdvanceAndPump(256 + 1000 + 3 * 16);
  ASSERT_EQ(popup->GetPopupState(), tkPopupStateCollapsing);
  pv::test::MouseMove(1200, 900);
  PumpUntilIdle();
  EXPECT_EQ(popup->GetPopupState(), tkPopupStateShown);
  EXPECT_EQ(Alpha(), 255);
}

TEST_F(PopupTest, ClicksNeedPressAndReleaseOnOneItemAndIdMinusOneCloses) {
  Make(tkPopupAnimationNone, 0, CTKPopupControl::kShowUntilClosed);
  CRect rcA(10, 30, 60, 50), rcB(80, 30, 150, 50), rcClose(150, 6, 164, 20);
  CTKPopupItem* a = popup->AddItem(new CTKPopupItem(rcA, u"A"));
  a->SetID(5);
  CTKPopupItem* b = popup->AddItem(new CTKPopupItem(rcB, u"B"));
  b->SetID(6);
  CTKPopupItem* close = popup->AddItem(new CTKPopupItem(rcClose, u"x"));
  close->SetID(-1);
  ASSERT_TRUE(popup->Show(&owner));
  EXPECT_FALSE(popup->Show(&owner));  // already showing
  const CPoint origin = Rect().TopLeft();
  auto at = [&](const CRect& rc) { return origin + rc.CenterPoint(); };

  pv::test::MouseMove(at(rcA).x, at(rcA).y);
  pv::test::MouseDown(pv::test::Button::Left, at(rcA).x, at(rcA).y);
  pv::test::MouseMove(at(rcB).x, at(rcB).y);
  pv::test::MouseUp(pv::test::Button::Left, at(rcB).x, at(rcB).y);
  PumpUntilIdle();
  EXPECT_TRUE(Clicks().empty());
  EXPECT_EQ(popup->GetPressedItem(), nullptr);
  EXPECT_EQ(popup->GetHotItem(), b);

  pv::test::MouseMove(at(rcA).x, at(rcA).y);
  pv::test::Click(at(rcA).x, at(rcA).y);
  PumpUntilIdle();
  EXPECT_EQ(Clicks(), (std::vector<LPARAM>{reinterpret_cast<LPARAM>(a)}));
  EXPECT_EQ(popup->GetPopupState(), tkPopupStateShown);

  pv::test::MouseMove(at(rcClose).x, at(rcClose).y);
  pv::test::Click(at(rcClose).x, at(rcClose).y);
  PumpUntilIdle();
  EXPECT_EQ(Clicks().size(), 1u);  // closing sends no click
  EXPECT_EQ(popup->GetPopupState(), tkPopupStateClosed);
  EXPECT_FALSE(::IsWindow(popup->GetSafeHwnd()));
  // A closed pop-up can be shown again.
  EXPECT_TRUE(popup->Show(&owner));
}

TEST_F(PopupTest, TheOwnerMayDeleteThePopupWhenItReportsClosed) {
  auto* p = new CTKPopupControl(FALSE);
  p->SetAnimationKind(tkPopupAnimationSlide);
  p->SetShowDelay(500);
  bool deleted = false;
  owner.answer = [&](UINT, WPARAM code, LPARAM lParam) -> LRESULT {
    auto* control = reinterpret_cast<CTKPopupControl*>(lParam);
    if (code == TK_POPUP_STATECHANGED && control == p && control->GetPopupState() == tkPopupStateClosed) {
      delete control;
      deleted = true;
    }
    return TRUE;
  };
  ASSERT_TRUE(p->Show(&owner));
  AdvanceAndPump(256 + 500 + 256);
  EXPECT_TRUE(deleted);
}

TEST_F(PopupTest, RichTextItemsComeFromRtfResourcesAndMeasureThemselves) {
  Make(tkPopupAnimationNone);
  CRect rc(10, 30, 160, 40);
  CTKPopupItem* item = popup->AddItem(new CTKPopupItem(rc));
  item->SetRTFTextFromResource(7120);
  EXPECT_TRUE(item->GetCaption().Left(6) == CString(u"{\\rtf1"));
  EXPECT_FALSE(item->IsHyperLink());
  ASSERT_NE(item->GetRichTextRender(), nullptr);
  item->CalculateSize();
  EXPECT_GT(item->GetRect().Width(), 20);
  EXPECT_GT(item->GetRect().Height(), 5);
  EXPECT_LE(item->GetRect().Width(), 150);
  // A missing resource leaves the item as it was.
  CTKPopupItem* plain = popup->AddItem(new CTKPopupItem(rc, u"Plain"));
  plain->SetRTFTextFromResource(7999);
  EXPECT_EQ(plain->GetCaption(), CString(u"Plain"));
  EXPECT_EQ(plain->GetRichTextRender(), nullptr);
}

TEST_F(PopupTest, AnAutoDeletePopupReportsClosedThenDeletesItself) {
  auto* p = new CTKPopupControl(TRUE);
  p->SetShowDelay(300);
  CTKPopupItem* item = p->AddItem(new CTKPopupItem(CRect(0, 0, 10, 10), u"x"));
  item->SetID(-1);
  ASSERT_TRUE(p->Show(&owner));
  HWND hwnd = p->GetSafeHwnd();
  AdvanceAndPump(300);  // no animation: the hide closes at once
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(states,
            (std::vector<int>{tkPopupStateExpanding, tkPopupStateShown, tkPopupStateCollapsing, tkPopupStateClosed}));
  // The sanitizer build reports a leak if the object stayed, and a second
  // deletion if it went twice.
}

// An image of alternating magenta and coloured columns with a solid block,
// more than 2000 one-pixel runs in all.
HICON MakeStripedIcon(int cx, int cy) {
  HDC screen = ::GetDC(nullptr);
  LPBYTE bits = nullptr;
  HBITMAP color = CTKImageManager::CreateDIB32(screen, cx, -cy, &bits);
  for (int y = 0; y < cy; ++y) {
    for (int x = 0; x < cx; ++x) {
      bool key = (x + y / 7) % 3 == 0 && !(x >= 20 && x < 40 && y >= 10 && y < 30);
      reinterpret_cast<DWORD*>(bits)[y * cx + x] = key ? 0xFFFF00FFu : 0xFF2040A0u;
    }
  }
  HBITMAP mask = ::CreateBitmap(cx, cy, 1, 1, nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HGDIOBJ old = ::SelectObject(dc, mask);
  RECT all{0, 0, cx, cy};
  ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = color;
  info.hbmMask = mask;
  HICON icon = ::CreateIconIndirect(&info);
  ::DeleteObject(color);
  ::DeleteObject(mask);
  return icon;
}

TEST_F(PopupTest, TheRegionIsTheNonMagentaPixelsOfTheBackgroundImage) {
  const int cx = 120, cy = 60;
  Make(tkPopupAnimationNone, 0, CTKPopupControl::kShowUntilClosed);
  popup->SetPopupSize(CSize(cx, cy));
  HICON icon = MakeStripedIcon(cx, cy);
  ASSERT_TRUE(icon);
  ASSERT_TRUE(popup->GetImageManager()->SetIcon(icon, 1000, CSize(cx, cy)));
  ::DestroyIcon(icon);
  CTKImageManagerIcon* image = popup->GetImageManager()->LookupIcon(1000, 0);
  ASSERT_NE(image, nullptr);
  ASSERT_FALSE(image->IsAlpha());
  popup->SetBackgroundImage(1000);
  ASSERT_TRUE(popup->Show(&owner));

  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(::GetWindowRgn(popup->GetSafeHwnd(), region), ERROR);
  int mismatches = 0, inside = 0;
  for (int y = 0; y < cy; ++y) {
    for (int x = 0; x < cx; ++x) {
      bool key = (x + y / 7) % 3 == 0 && !(x >= 20 && x < 40 && y >= 10 && y < 30);
      bool in = ::PtInRegion(region, x, y) != FALSE;
      inside += in ? 1 : 0;
      if (in == key) ++mismatches;
    }
  }
  ::DeleteObject(region);
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(inside, 0);
  // The image fills the window: no theme frame or caption bar over it.
  EXPECT_EQ(pv::test::WindowPixel(popup->GetSafeHwnd(), 1, 1), RGB(0x20, 0x40, 0xA0));
}

}  // namespace
}  // namespace popuptest
