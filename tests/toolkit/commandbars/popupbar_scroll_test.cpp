// Popups after they were placed: scrolling between the scroll buttons on
// the fake clock, the resize grip's drag loop, and what the window paints.
#include "tests/toolkit/commandbars/popupbar_support.h"

namespace cbtest {
namespace {

// A gallery the grip resizes: its size is its width and height settings.
class GripGallery : public CTKControl {
 public:
  GripGallery(int nMode, int nMinWidth, int nMinHeight)
      : m_nMode(nMode), m_nMinWidth(nMinWidth), m_nMinHeight(nMinHeight) {
    m_controlType = TKControlType::Gallery;
  }
  BOOL IsCustomizeResizeAllow() const override { return m_nMode; }
  int GetCustomizeMinWidth() const override { return m_nMinWidth; }
  int GetCustomizeMinHeight() const override { return m_nMinHeight; }
  // The program asks to quit while the drag runs (once).
  void SetWidth(int nWidth) override {
    CTKControl::SetWidth(nWidth);
    if (m_bQuitOnResize) ::PostQuitMessage(7);
    m_bQuitOnResize = FALSE;
  }
  BOOL m_bQuitOnResize = FALSE;

 private:
  int m_nMode;
  int m_nMinWidth;
  int m_nMinHeight;
};

class PopupScrollTest : public PopupBarTest {
 protected:
  // 20 commands in a popup cut to 200 pixels: 8 show under no up button.
  PopupScrollTest() : m_menu(NewMenu(20)) { m_menu->SetMaximumHeight(200); }
  ~PopupScrollTest() override { m_menu->SetTrackingMode(TKTrackingMode::Off); }
  // The first and last command that show.
  std::pair<int, int> ShownRun() const {
    int nFirst = -1, nLast = -1;
    for (int i = 0; i < m_menu->GetControlCount(); ++i)
      if (m_menu->GetControl(i)->IsVisible()) {
        if (nFirst == -1) nFirst = i;
        nLast = i;
      }
    return {nFirst, nLast};
  }
  // The middle of a scroll button: 16-pixel bands inside the 2-pixel borders.
  CPoint DownButtonPoint() const {
    const CRect rc = WindowRect(m_menu.get());
    return CPoint(rc.CenterPoint().x, rc.bottom - 2 - 8);
  }
  CPoint UpButtonPoint() const {
    const CRect rc = WindowRect(m_menu.get());
    return CPoint(rc.CenterPoint().x, rc.top + 2 + 8);
  }
  PopupPtr m_menu;
};

TEST_F(PopupScrollTest, RestingOnTheButtonsScrollsOneCommandPer80ms) {
  ASSERT_TRUE(m_menu->PopupAt(100, 100));
  ASSERT_TRUE(m_menu->IsScrolling());
  ASSERT_EQ(WindowRect(m_menu.get()).Height(), 200);
  struct Step {
    int nTicks;  // 80-ms intervals since the mouse came to rest
    int nFirst, nLast;
    bool bUpButton, bDownButton;
  };
  const Step down[] = {
      {0, 0, 7, false, true},    {1, 2, 8, true, true},     {2, 3, 9, true, true},
      {10, 11, 17, true, true},  {11, 12, 19, true, false},  // the end: the down button is gone
      {14, 12, 19, true, false},                             // and its timer stopped
  };
  const CPoint ptDown = DownButtonPoint();
  pv::test::MouseMove(ptDown.x, ptDown.y);
  pv::test::PumpUntilIdle();
  int nTicks = 0;
  for (const Step& s : down) {
    pv::test::AdvanceAndPump(static_cast<unsigned>(80 * (s.nTicks - nTicks)));
    nTicks = s.nTicks;
    SCOPED_TRACE(s.nTicks);
    EXPECT_EQ(ShownRun(), std::make_pair(s.nFirst, s.nLast));
    EXPECT_EQ(!m_menu->GetScrollUpRect().IsRectEmpty(), s.bUpButton);
    EXPECT_EQ(!m_menu->GetScrollDownRect().IsRectEmpty(), s.bDownButton);
    ExpectSane(*m_menu);
  }
  // Back up: one command per interval until the first shows, then the up
  // button goes and its timer stops.
  const CPoint ptUp = UpButtonPoint();
  pv::test::MouseMove(ptUp.x, ptUp.y);
  pv::test::AdvanceAndPump(80);
  EXPECT_EQ(ShownRun(), std::make_pair(11, 17));
  pv::test::AdvanceAndPump(80 * 10);
  EXPECT_EQ(ShownRun().first, 0);
  EXPECT_TRUE(m_menu->GetScrollUpRect().IsRectEmpty());
  const auto run = ShownRun();
  pv::test::AdvanceAndPump(80 * 5);
  EXPECT_EQ(ShownRun(), run);
  ExpectSane(*m_menu);
}

TEST_F(PopupScrollTest, LeavingTheButtonStopsScrolling) {
  ASSERT_TRUE(m_menu->PopupAt(100, 100));
  const CPoint ptDown = DownButtonPoint();
  pv::test::MouseMove(ptDown.x, ptDown.y);
  pv::test::AdvanceAndPump(160);
  const auto run = ShownRun();
  pv::test::MouseMove(ptDown.x, WindowRect(m_menu.get()).top + 60);
  pv::test::AdvanceAndPump(800);
  EXPECT_EQ(ShownRun(), run);
}

// Selecting a command scrolled out of sight by the keyboard scrolls it in.
TEST_F(PopupScrollTest, KeyboardSelectionScrollsIntoView) {
  ASSERT_TRUE(m_menu->PopupAt(100, 100));
  pv::test::KeyPress(VK_END);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(m_menu->GetSelected(), 19);
  EXPECT_EQ(ShownRun(), std::make_pair(12, 19));
  pv::test::KeyPress(VK_HOME);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(m_menu->GetSelected(), 0);
  EXPECT_EQ(ShownRun().first, 0);
  ExpectSane(*m_menu);
}

TEST_F(PopupBarTest, SingleControlTallerThanThePopupTakesAllTheRoom) {
  PopupPtr menu = NewMenu(1);
  menu->GetControl(0)->SetHeight(500);
  menu->SetMaximumHeight(200);
  ASSERT_TRUE(menu->PopupAt(100, 100));
  ASSERT_TRUE(menu->IsScrolling());
  const CRect rc = WindowRect(menu.get());
  EXPECT_EQ(menu->GetControl(0)->GetRect(), CRect(2, 2, rc.Width() - 2, 198));
  EXPECT_TRUE(menu->GetControl(0)->IsVisible());
  EXPECT_TRUE(menu->GetScrollUpRect().IsRectEmpty());
  EXPECT_TRUE(menu->GetScrollDownRect().IsRectEmpty());
  menu->SetTrackingMode(TKTrackingMode::Off);
}

// ---- the resize grip ----

class PopupResizeTest : public PopupBarTest {
 protected:
  // A popup holding a 120 x 80 gallery (at least 100 x 60).
  PopupPtr OpenGalleryPopup(int nMode, BOOL bRightToLeft = FALSE) {
    Options()->bPopupsRightToLeft = bRightToLeft;
    PopupPtr menu(CTKPopupBar::CreatePopupBar(&m_commandBars));
    m_pGallery = new GripGallery(nMode, 100, 60);
    menu->GetControls()->Add(m_pGallery, 300);
    m_pGallery->SetWidth(120);
    m_pGallery->SetHeight(80);
    EXPECT_TRUE(menu->PopupAt(300, 200));
    return menu;
  }
  // The grip's active corner as the user sees it: just inside the popup's
  // bottom corner at the end of the grip (the right end, mirrored in a
  // right-to-left popup).
  static CPoint GripPoint(CTKPopupBar* pMenu) {
    CRect rcClient;
    pMenu->GetClientRect(&rcClient);
    CPoint pt(rcClient.right - 4, rcClient.bottom - 6);
    pMenu->ClientToScreen(&pt);
    return pt;
  }
  GripGallery* m_pGallery = nullptr;
};

TEST_F(PopupResizeTest, DragTable) {
  struct DragCase {
    const char* name;
    int nMode;
    BOOL bRtl;
    int dx, dy;
    bool bEscape;
    int nWidth, nHeight;  // the gallery afterwards
  } cases[] = {
      {"both ways", kTKResizeWidth | kTKResizeHeight, FALSE, 40, 30, false, 160, 110},
      {"clamped to the minimum", kTKResizeWidth | kTKResizeHeight, FALSE, -100, -100, false, 100, 60},
      {"height only", kTKResizeHeight, FALSE, 40, 30, false, 120, 110},
      {"Escape restores", kTKResizeWidth | kTKResizeHeight, FALSE, 40, 30, true, 120, 80},
      {"right to left: leftwards widens", kTKResizeWidth | kTKResizeHeight, TRUE, -40, 30, false, 160, 110},
  };
  for (const DragCase& c : cases) {
    SCOPED_TRACE(c.name);
    PopupPtr menu = OpenGalleryPopup(c.nMode, c.bRtl);
    const int nGrip = c.nMode == kTKResizeHeight ? 8 : 11;
    const CRect rcBefore = WindowRect(menu.get());
    ASSERT_EQ(rcBefore.Size(), CSize(124, 80 + 4 + nGrip));
    const CPoint pt = GripPoint(menu.get());
    pv::test::MouseMove(pt.x, pt.y);
    pv::test::MouseDown(pv::test::Button::Left, pt.x, pt.y);
    pv::test::MouseMove(pt.x + c.dx, pt.y + c.dy);
    if (c.bEscape) pv::test::KeyPress(VK_ESCAPE);
    pv::test::MouseUp(pv::test::Button::Left, pt.x + c.dx, pt.y + c.dy);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(::GetCapture(), nullptr);
    const CRect rcAfter = WindowRect(menu.get());
    EXPECT_EQ(m_pGallery->GetRect().Height(), c.nHeight);
    EXPECT_EQ(rcAfter.Size(), CSize(c.nWidth + 4, c.nHeight + 4 + nGrip));
    // The corner opposite the grip stays.
    EXPECT_EQ(rcAfter.top, rcBefore.top);
    if (c.bRtl) {
      EXPECT_EQ(rcAfter.right, rcBefore.right);
    } else {
      EXPECT_EQ(rcAfter.left, rcBefore.left);
    }
    EXPECT_TRUE(menu->IsTrackingMode());
    menu->SetTrackingMode(TKTrackingMode::Off);
  }
}

// Over the grip the cursor says which way it sizes.
TEST_F(PopupResizeTest, GripCursorTable) {
  struct CursorCase {
    int nMode;
    BOOL bRtl;
    LPCTSTR cursor;
  } cases[] = {
      {kTKResizeWidth | kTKResizeHeight, FALSE, IDC_SIZENWSE},
      {kTKResizeHeight, FALSE, IDC_SIZENS},
      {kTKResizeWidth | kTKResizeHeight, TRUE, IDC_SIZENESW},
  };
  for (const CursorCase& c : cases) {
    PopupPtr menu = OpenGalleryPopup(c.nMode, c.bRtl);
    const CPoint pt = GripPoint(menu.get());
    pv::test::MouseMove(pt.x, pt.y);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(::GetCursor(), ::LoadCursor(nullptr, c.cursor)) << c.nMode << " " << c.bRtl;
    const CRect rc = WindowRect(menu.get());
    pv::test::MouseMove(rc.left + 10, rc.top + 10);  // over the gallery
    pv::test::PumpUntilIdle();
    EXPECT_NE(::GetCursor(), ::LoadCursor(nullptr, c.cursor));
    menu->SetTrackingMode(TKTrackingMode::Off);
  }
}

// A quit asked for during the drag ends the loop and reaches the program's
// own loop once.
TEST_F(PopupResizeTest, QuitDuringTheDragEndsItAndIsKept) {
  PopupPtr menu = OpenGalleryPopup(kTKResizeWidth | kTKResizeHeight);
  const CPoint pt = GripPoint(menu.get());
  pv::test::MouseMove(pt.x, pt.y);
  pv::test::MouseDown(pv::test::Button::Left, pt.x, pt.y);
  m_pGallery->m_bQuitOnResize = TRUE;
  pv::test::MouseMove(pt.x + 20, pt.y + 10);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(::GetCapture(), nullptr);
  int nCode = 0;
  EXPECT_TRUE(pv::test::TakeQuit(&nCode));
  EXPECT_EQ(nCode, 7);
  EXPECT_FALSE(pv::test::TakeQuit());
  EXPECT_EQ(WindowRect(menu.get()).Width(), 144);
  menu->SetTrackingMode(TKTrackingMode::Off);
}

// ---- painting ----

// A look that paints a white bar and each caption in black with the GUI font.
class InkLook : public TestPaintManager {
 public:
  CSize DrawControl(CDC* pDC, CTKControl* pControl, BOOL bDraw) override {
    if (!bDraw) return TestPaintManager::DrawControl(pDC, pControl, FALSE);
    CFont* pOld = pDC->SelectObject(CFont::FromHandle(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT))));
    pDC->SetTextColor(RGB(0, 0, 0));
    CRect rc = pControl->GetRect();
    rc.left += 24;
    const CString strCaption = StripMnemonics(pControl->GetCaption());
    pDC->DrawText(strCaption, rc, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    pDC->SelectObject(pOld);
    return CSize(0, 0);
  }
  void FillCommandBarEntry(CDC* pDC, CTKCommandBar* pBar) override {
    CRect rc;
    pBar->GetClientRect(&rc);
    pDC->FillSolidRect(rc, RGB(255, 255, 255));
  }
};

// Dark pixels in a band of a window's client, as last painted.
int InkIn(HWND hWnd, CRect rc) {
  int n = 0;
  for (int y = rc.top; y < rc.bottom; ++y)
    for (int x = rc.left; x < rc.right; ++x) n += GetRValue(pv::test::WindowPixel(hWnd, x, y)) < 128;
  return n;
}

TEST_F(PopupBarTest, PaintedPopupShowsEachCaption) {
  auto* pLook = new InkLook();
  m_commandBars.SetPaintManager(pLook);
  PopupPtr menu = NewMenu(4);
  menu->GetControl(2)->SetVisible(FALSE);
  ASSERT_TRUE(menu->PopupAt(100, 100));
  pv::test::PumpUntilIdle();
  HWND hWnd = menu->GetSafeHwnd();
  CRect rcClient;
  ::GetClientRect(hWnd, &rcClient);
  // Three rows of 22 under the 2-pixel border: each shows its caption's ink
  // where the caption starts; the border rows show none.
  ASSERT_EQ(rcClient.Height(), 3 * 22 + 4);
  for (int nRow = 0; nRow < 3; ++nRow) {
    const CRect rcRow(24, 2 + 22 * nRow, rcClient.right - 2, 2 + 22 * (nRow + 1));
    EXPECT_GT(InkIn(hWnd, rcRow), 20) << "row " << nRow;
  }
  EXPECT_EQ(InkIn(hWnd, CRect(0, 0, rcClient.right, 2)), 0);
  EXPECT_EQ(InkIn(hWnd, CRect(0, rcClient.bottom - 2, rcClient.right, rcClient.bottom)), 0);
  menu->SetTrackingMode(TKTrackingMode::Off);
}

}  // namespace
}  // namespace cbtest

namespace cbtest {
namespace {

// A look that records each appearance animation: its kind and what the
// window showed where it starts, before the first frame.
class AnimationLook : public InkLook {
 public:
  void AnimatePopupBar(CDC* pDestDC, CDC* pBufferDC, CRect rc, int nKind) override {
    m_kinds.push_back(nKind);
    m_startPixels.push_back(pDestDC->GetPixel(rc.left + 5, rc.top + 5) & 0xFFFFFF);
    InkLook::AnimatePopupBar(pDestDC, pBufferDC, rc, nKind);
  }
  void AnimateExpanding(CTKCommandBar* pBar, CDC* pWindowDC, CDC* pBufferDC, BOOL bDownwards) override {
    CRect rc;
    pBar->GetClientRect(&rc);
    m_expansions.push_back(bDownwards);
    // The new bottom rows still show what was under the popup.
    m_expansionStartPixels.push_back(pWindowDC->GetPixel(5, rc.bottom - 5) & 0xFFFFFF);
    InkLook::AnimateExpanding(pBar, pWindowDC, pBufferDC, bDownwards);
  }
  std::vector<BOOL> m_expansions;
  std::vector<COLORREF> m_expansionStartPixels;
  std::vector<int> m_kinds;
  std::vector<COLORREF> m_startPixels;
};

// The animation starts from what the screen showed under the popup, and
// only a bar's first popup opened by the mouse animates.
TEST_F(PopupBarTest, AnimationStartsFromTheScreenUnderThePopup) {
  auto* pLook = new AnimationLook();
  m_commandBars.SetPaintManager(pLook);
  Options()->nAnimationType = static_cast<int>(TKPopupAnimation::Slide);
  CWnd backdrop;
  backdrop.CreateEx(0, AfxRegisterWndClass(0, nullptr, ::CreateSolidBrush(RGB(255, 0, 0))), u"", WS_POPUP | WS_VISIBLE,
                    0, 0, 600, 600, nullptr, nullptr);
  pv::test::PumpUntilIdle();

  PopupPtr menu = NewMenu(3);
  ASSERT_TRUE(menu->PopupAt(100, 100));
  pv::test::PumpUntilIdle();
  ASSERT_EQ(pLook->m_kinds, (std::vector<int>{3}));
  EXPECT_EQ(pLook->m_startPixels[0], RGB(255, 0, 0));
  // The last frame is the popup itself.
  EXPECT_EQ(pv::test::WindowPixel(menu->GetSafeHwnd(), 5, 5), RGB(255, 255, 255));
  menu->SetTrackingMode(TKTrackingMode::Off);

  // Sub-menus of a bar tracked by the mouse: the first animates, the next
  // opens at once.
  TestBar parent(TKBarType::MenuBar, TKBarPosition::Top);
  CTKControl* pItem = parent.GetControls()->AddByType(TKControlType::Popup, 100);
  pItem->SetRect(CRect(10, 0, 50, 20));
  parent.SetTrackingMode(TKTrackingMode::Tracking, FALSE, FALSE);
  for (int i = 0; i < 2; ++i) {
    PopupPtr sub = NewMenu(2);
    ASSERT_TRUE(sub->Popup(pItem));
    sub->SetTrackingMode(TKTrackingMode::Off);
  }
  EXPECT_EQ(pLook->m_kinds, (std::vector<int>{3, 3}));
  parent.SetTrackingMode(TKTrackingMode::Off);
  EXPECT_TRUE(pLook->m_expansions.empty());

  // A short menu expanding grows downwards from the screen under it.
  Options()->bAlwaysShowFullMenus = FALSE;
  PopupPtr shortMenu = NewMenu(4);
  Options()->m_mapHiddenCommands.SetAt(201, TRUE);
  Options()->m_mapHiddenCommands.SetAt(203, TRUE);
  ASSERT_TRUE(shortMenu->PopupAt(100, 300));  // clear of the menu bar
  pv::test::Chord(FCONTROL, VK_DOWN);
  pv::test::PumpUntilIdle();
  ASSERT_TRUE(shortMenu->IsExpanded());
  EXPECT_EQ(pLook->m_expansions, (std::vector<BOOL>{TRUE}));
  EXPECT_EQ(pLook->m_expansionStartPixels, (std::vector<COLORREF>{RGB(255, 0, 0)}));
  // The last frame is the whole menu: the last command's caption shows.
  HWND hWnd = shortMenu->GetSafeHwnd();
  CRect rcClient;
  ::GetClientRect(hWnd, &rcClient);
  ASSERT_EQ(rcClient.Height(), 4 * 22 + 4);
  EXPECT_GT(InkIn(hWnd, CRect(24, 2 + 3 * 22, rcClient.right - 2, 2 + 4 * 22)), 20);
  shortMenu->SetTrackingMode(TKTrackingMode::Off);
  backdrop.DestroyWindow();
}

}  // namespace
}  // namespace cbtest
