// Tooltip contexts and their tip windows, driven by scripted input on the
// fake clock: the initial and reshow delays, clicks, held buttons and keys,
// inactive owners, placement inside the work area, activation, automatic
// pop, the text rules, the style table and the looks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/controls/commctrl.h"
#include "platform/framework/afx.h"
#include "platform/shell/shellapi.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "tests/toolkit/common/image_test_support.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/tooltipcontext.h"
#include "toolkit/common/tooltipwindow.h"

namespace {

std::string Narrow(const CString& s) {
  std::string out;
  for (WCHAR c : std::u16string_view(s.GetString())) out.push_back(static_cast<char>(c));
  return out;
}

struct Tool {
  CRect rect;
  INT_PTR id;
  std::u16string text;
  std::u16string title;
  std::u16string body;
  UINT flags = 0;
};

// A window whose tools are rectangles; it relays its input to its context as
// the toolkit's controls do.
class CToolHost : public CWnd {
 public:
  INT_PTR OnToolHitTest(CPoint point, TOOLINFO* pToolInfo) const override {
    for (const Tool& tool : m_tools) {
      if (!tool.rect.PtInRect(point)) continue;
      CTKToolTipContext::InitToolInfoEx(pToolInfo, m_hWnd, tool.rect, tool.id, tool.text.c_str(), tool.title.c_str(),
                                        tool.body.c_str(), m_pImages);
      pToolInfo->uFlags |= tool.flags;
      return tool.id;
    }
    return -1;
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (m_pContext &&
        ((message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || (message >= WM_KEYFIRST && message <= WM_KEYLAST)))
      m_pContext->RelayToolTipMessage(this, message, wParam, lParam);
    return CWnd::WindowProc(message, wParam, lParam);
  }

  CTKToolTipContext* m_pContext = nullptr;
  CTKImageManager* m_pImages = nullptr;
  std::vector<Tool> m_tools;
};

int g_nAddTool = 0;

// The own tip window, counting the tools the context registers.
class CCountingTip : public CTKToolTipContextToolTip {
 public:
  using CTKToolTipContextToolTip::CTKToolTipContextToolTip;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == TTM_ADDTOOL) ++g_nAddTool;
    return CTKToolTipContextToolTip::WindowProc(message, wParam, lParam);
  }
};

class CCountingContext : public CTKToolTipContext {
 public:
  CWnd* CreateToolTip(CWnd* pOwner) override {
    if (GetStyle() == tkToolTipOwn) return new CCountingTip(this);
    return CTKToolTipContext::CreateToolTip(pOwner);
  }
};

class ToolTipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768, 40);
    pv::shell::RegisterModules();  // the rich-text services, as the program links them
    g_nAddTool = 0;
    m_pContext = new CCountingContext();
    m_pContext->SetStyle(CTKToolTipContext::tkToolTipOwn);
    m_host.m_pContext = m_pContext;
    m_host.m_tools = {{CRect(100, 100, 200, 120), 1, u"Open"}, {CRect(200, 100, 300, 120), 2, u"Save"}};
    ASSERT_TRUE(
        m_host.CreateEx(0, AfxRegisterWndClass(0), u"host", WS_POPUP | WS_VISIBLE, CRect(0, 0, 1024, 728), nullptr, 0));
    ::SetForegroundWindow(m_host.GetSafeHwnd());
    ::SetFocus(m_host.GetSafeHwnd());
    Move(50, 50);
  }
  void TearDown() override {
    m_host.m_pContext = nullptr;
    m_pContext->InternalRelease();
    m_host.DestroyWindow();
    delete m_pImages;
    pvtest::ResetDesktop();
  }

  void Move(int x, int y) {
    pv::test::MouseMove(x, y);
    pv::test::PumpUntilIdle();
  }
  void Wait(unsigned ms) { pv::test::AdvanceAndPump(ms); }
  // From no tool to the point, past the reshow delay, and the initial delay.
  void Hover(int x, int y) {
    Move(50, 50);
    Wait(1000);
    Move(x, y);
    Wait(500);
  }
  CTKToolTipContextToolTip* Tip() const { return dynamic_cast<CTKToolTipContextToolTip*>(m_pContext->GetToolTip()); }
  bool Shown() const {
    CWnd* pTip = m_pContext->GetToolTip();
    return pTip && pTip->GetSafeHwnd() && pTip->IsWindowVisible();
  }
  std::string ShownText() const { return Shown() && Tip() ? Narrow(Tip()->GetCurrentItem().strText) : ""; }
  CRect TipRect() const {
    CRect rc;
    m_pContext->GetToolTip()->GetWindowRect(rc);
    return rc;
  }

  pv::FakeClockScope m_clock;
  CCountingContext* m_pContext = nullptr;
  CToolHost m_host;
  CTKImageManager* m_pImages = nullptr;
};

TEST_F(ToolTipTest, InitialAndReshowDelays) {
  Move(150, 110);
  EXPECT_FALSE(Shown());
  Wait(499);
  EXPECT_FALSE(Shown()) << "the tip waits 500 ms";
  Wait(1);
  ASSERT_TRUE(Shown());
  EXPECT_EQ(ShownText(), "Open");

  Move(150, 300);
  EXPECT_FALSE(Shown()) << "leaving the tool hides the tip";
  Wait(150);
  Move(250, 110);
  EXPECT_TRUE(Shown()) << "within 200 ms of the tip going away the next tool shows at once";
  EXPECT_EQ(ShownText(), "Save");

  Move(250, 300);
  Wait(300);
  Move(150, 110);
  EXPECT_FALSE(Shown()) << "later the tip waits again";
  Wait(500);
  EXPECT_EQ(ShownText(), "Open");

  // Leaving a tool for nowhere and coming back to it shows its tip again.
  Move(150, 300);
  Wait(300);
  Move(150, 110);
  Wait(500);
  EXPECT_EQ(ShownText(), "Open");
}

TEST_F(ToolTipTest, ToolsRegisterOncePerRectangle) {
  Move(150, 110);
  const int nAdds = g_nAddTool;
  EXPECT_EQ(nAdds, 1);
  Move(160, 112);
  Move(170, 114);
  EXPECT_EQ(g_nAddTool, nAdds) << "moving within one tool adds nothing";
  m_host.m_tools[0].rect = CRect(100, 100, 210, 121);  // the same id in a new place
  Move(171, 114);
  EXPECT_EQ(g_nAddTool, nAdds + 1);
  EXPECT_EQ(Tip()->GetToolCount(), 1) << "the old registration went";
}

TEST_F(ToolTipTest, ClickedToolStaysSilentUntilTheMouseLeaves) {
  Hover(150, 110);
  ASSERT_TRUE(Shown());
  pv::test::MouseDown(pv::test::Button::Left, 150, 110);
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(Shown());
  pv::test::MouseUp(pv::test::Button::Left, 150, 110);
  pv::test::PumpUntilIdle();
  Move(155, 112);
  Wait(2000);
  EXPECT_FALSE(Shown()) << "the clicked tool stays silent";
  Move(150, 300);
  Wait(300);
  Move(150, 110);
  Wait(500);
  EXPECT_TRUE(Shown()) << "after leaving and coming back";
}

TEST_F(ToolTipTest, HeldButtonsAndKeys) {
  pv::test::MouseDown(pv::test::Button::Left, 50, 50);
  pv::test::PumpUntilIdle();
  Move(150, 110);
  Wait(1000);
  EXPECT_FALSE(Shown()) << "a held button suppresses tips";
  pv::test::MouseUp(pv::test::Button::Left, 150, 110);
  pv::test::PumpUntilIdle();

  Hover(250, 110);
  ASSERT_TRUE(Shown());
  pv::test::KeyPress('A');
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(Shown()) << "a key hides the tip";
}

TEST_F(ToolTipTest, InactiveOwnerShowsOnlyToolsThatAskForIt) {
  CWnd other;
  ASSERT_TRUE(other.CreateEx(0, AfxRegisterWndClass(0), u"other", WS_POPUP | WS_VISIBLE, CRect(900, 600, 1000, 700),
                             nullptr, 0));
  ::SetForegroundWindow(m_host.GetSafeHwnd());
  Hover(150, 110);
  ASSERT_TRUE(Shown());
  ::SetForegroundWindow(other.GetSafeHwnd());
  Move(152, 111);
  EXPECT_FALSE(Shown()) << "the owner went to the background";
  Hover(250, 110);
  EXPECT_FALSE(Shown());

  m_host.m_tools[1].flags = TKTTF_ALWAYSACTIVATE;
  Hover(250, 110);
  ASSERT_TRUE(Shown());
  EXPECT_EQ(Tip()->GetCurrentItem().uFlags & (TKTTF_ALWAYSACTIVATE | TKTTF_RESERVED), 0u)
      << "the toolkit's flags stay with the context";
  Move(252, 111);
  Move(254, 112);
  EXPECT_TRUE(Shown()) << "and its tip stays while the mouse moves on the tool";
  other.DestroyWindow();
}

TEST_F(ToolTipTest, PlacementInsideTheWorkArea) {
  m_host.m_tools.push_back({CRect(100, 690, 200, 728), 3, u"Bottom tool"});
  m_host.m_tools.push_back({CRect(990, 300, 1024, 320), 4, u"Right tool"});

  Hover(150, 110);
  ASSERT_TRUE(Shown());
  const int nOffset = CTKToolTipContextToolTip::GetCursorOffset();
  EXPECT_EQ(TipRect().TopLeft(), CPoint(150, 110 + nOffset)) << "below the cursor";

  Hover(150, 715);
  ASSERT_TRUE(Shown());
  EXPECT_EQ(TipRect().bottom, 712) << "at the bottom of the work area it ends 3 pixels above the cursor";

  Hover(1000, 310);
  ASSERT_TRUE(Shown());
  EXPECT_EQ(TipRect().right, 1020) << "4 pixels inside the work area's right edge";
}

TEST_F(ToolTipTest, TipNeverTakesActivation) {
  Hover(150, 110);
  ASSERT_TRUE(Shown());
  CWnd* pTip = m_pContext->GetToolTip();
  EXPECT_EQ(::GetForegroundWindow(), m_host.GetSafeHwnd());
  EXPECT_EQ(::GetActiveWindow(), m_host.GetSafeHwnd());
  EXPECT_EQ(static_cast<int>(pTip->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(TipRect().left + 2, TipRect().top + 2))),
            HTTRANSPARENT);
  EXPECT_EQ(pTip->SendMessage(WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(m_host.GetSafeHwnd()), 0), MA_NOACTIVATE);
  const CPoint ptOnTip = TipRect().CenterPoint();
  EXPECT_NE(::WindowFromPoint(ptOnTip), pTip->GetSafeHwnd()) << "clicks go through the tip";
  pv::test::Click(ptOnTip.x, ptOnTip.y);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(::GetActiveWindow(), m_host.GetSafeHwnd());
}

TEST_F(ToolTipTest, AutomaticPop) {
  Hover(150, 110);
  ASSERT_TRUE(Shown());
  Wait(60000);
  EXPECT_TRUE(Shown()) << "an automatic-pop delay of 0 keeps the tip up";

  m_pContext->SetDelayTime(CTKToolTipContext::tkDelayAutoPop, 1000);
  Hover(150, 110);
  ASSERT_TRUE(Shown());
  Wait(999);
  EXPECT_TRUE(Shown());
  Wait(1);
  EXPECT_FALSE(Shown());
}

TEST_F(ToolTipTest, TextRules) {
  struct Case {
    const char* name;
    bool showTitle;
    bool prefixes;  // ampersands are mnemonics (the command bars' setting)
    std::u16string text, title, body;
    const char* shownTitle;
    const char* shownText;
  };
  const Case cases[] = {
      {"ellipsis", false, false, u"Open...", u"", u"", "", "Open"},
      {"only dots", false, false, u"...", u"", u"", "", "..."},
      {"ampersands kept", false, false, u"&Save", u"", u"", "", "&Save"},
      {"mnemonic removed", false, true, u"&Save", u"", u"", "", "Save"},
      {"doubled ampersand", false, true, u"Fish && Chips", u"", u"", "", "Fish & Chips"},
      {"title and body", true, false, u"Paste", u"Paste", u"Insert the clipboard", "Paste", "Insert the clipboard"},
      {"body equal to title", true, false, u"Paste", u"Paste", u"Paste", "", "Paste"},
      {"title ellipsis", true, true, u"Save &As...", u"Save &As...", u"Save a copy", "Save As", "Save a copy"},
      {"titles off", false, false, u"Paste", u"Paste", u"Insert the clipboard", "", "Paste"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_pContext->SetShowTitle(c.showTitle);
    m_pContext->ModifyToolTipStyle(c.prefixes ? TTS_NOPREFIX : 0, c.prefixes ? 0 : TTS_NOPREFIX);
    m_host.m_tools[0].text = c.text;
    m_host.m_tools[0].title = c.title;
    m_host.m_tools[0].body = c.body;
    Hover(150, 110);
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Narrow(Tip()->GetTitle()), c.shownTitle);
    EXPECT_EQ(ShownText(), c.shownText);
  }
}

TEST_F(ToolTipTest, StylesMakeTheirWindows) {
  struct Case {
    int style;
    const char* kind;
    DWORD bits;  // the toolkit's bits after choosing the style
  };
  const Case cases[] = {
      {0, "standard", 0}, {2, "own", 0x3000}, {3, "rich", 0},   {4, "luna", 0},
      {5, "own", 0x4000}, {6, "html", 0},     {7, "markup", 0}, {9, "standard", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    m_pContext->SetStyle(c.style);
    EXPECT_EQ(m_pContext->GetToolTipStyle() & 0x7000, c.bits);
    Move(150, 110);
    CWnd* pTip = m_pContext->GetToolTip();
    ASSERT_NE(pTip, nullptr);
    ASSERT_NE(pTip->GetSafeHwnd(), nullptr);
    std::string kind = dynamic_cast<CTKToolTipContext::CStandardToolTip*>(pTip)   ? "standard"
                       : dynamic_cast<CTKToolTipContext::CRichEditToolTip*>(pTip) ? "rich"
                       : dynamic_cast<CTKToolTipContext::CLunaToolTip*>(pTip)     ? "luna"
                       : dynamic_cast<CTKToolTipContext::CHTMLToolTip*>(pTip)     ? "html"
                       : dynamic_cast<CTKToolTipContext::CMarkupToolTip*>(pTip)   ? "markup"
                       : dynamic_cast<CTKToolTipContextToolTip*>(pTip)            ? "own"
                                                                                  : "?";
    EXPECT_EQ(kind, c.kind);
    EXPECT_EQ(::GetWindow(pTip->GetSafeHwnd(), GW_OWNER), m_host.GetSafeHwnd());
    Move(50, 50);
  }

  // Balloons need common controls 5.80.
  m_pContext->SetStyle(0);
  m_pContext->SetCommCtrlVersion(0x5004F);
  m_pContext->SetStyle(1);
  EXPECT_EQ(m_pContext->GetStyle(), 0);
  m_pContext->SetCommCtrlVersion(0x50050);
  m_pContext->SetStyle(1);
  EXPECT_EQ(m_pContext->GetStyle(), 1);
  Move(150, 110);
  EXPECT_TRUE(m_pContext->GetToolTip()->GetStyle() & TTS_BALLOON);
}

TEST_F(ToolTipTest, PlatformTooltipShowsAfterItsOwnDelay) {
  m_pContext->SetStyle(CTKToolTipContext::tkToolTipStandard);
  Move(150, 110);
  EXPECT_FALSE(Shown());
  Wait(::GetDoubleClickTime());
  EXPECT_TRUE(Shown());
  Move(150, 300);
  Wait(::GetDoubleClickTime() * 20);
  EXPECT_FALSE(Shown());
}

LRESULT CALLBACK HandsTipsToParent(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TK_TOOLTIPTOPARENT) return 1;
  return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

TEST_F(ToolTipTest, ChildrenCanHandTheirTipsToTheParent) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = HandsTipsToParent;
  wc.lpszClassName = u"TKTipToParent";
  ::RegisterClassW(&wc);
  HWND hHanding = ::CreateWindowExW(0, u"TKTipToParent", u"", WS_CHILD | WS_VISIBLE, 400, 400, 50, 50,
                                    m_host.GetSafeHwnd(), nullptr, nullptr, nullptr);
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.lpszClassName = u"TKTipPlainChild";
  ::RegisterClassW(&wc);
  HWND hPlain = ::CreateWindowExW(0, u"TKTipPlainChild", u"", WS_CHILD | WS_VISIBLE, 500, 400, 50, 50,
                                  m_host.GetSafeHwnd(), nullptr, nullptr, nullptr);
  for (int style : {CTKToolTipContext::tkToolTipStandard, CTKToolTipContext::tkToolTipOwn}) {
    SCOPED_TRACE(style);
    m_pContext->SetStyle(style);
    Move(150, 110);
    CWnd* pTip = m_pContext->GetToolTip();
    POINT pt{410, 410};
    EXPECT_EQ(reinterpret_cast<HWND>(pTip->SendMessage(TTM_WINDOWFROMPOINT, 0, reinterpret_cast<LPARAM>(&pt))),
              m_host.GetSafeHwnd());
    pt = {510, 410};
    EXPECT_EQ(reinterpret_cast<HWND>(pTip->SendMessage(TTM_WINDOWFROMPOINT, 0, reinterpret_cast<LPARAM>(&pt))), hPlain);
  }
  ::DestroyWindow(hHanding);
  ::DestroyWindow(hPlain);
}

TEST_F(ToolTipTest, ThemeLookHasRoundedCorners) {
  for (int style : {CTKToolTipContext::tkToolTipTheme, CTKToolTipContext::tkToolTipOwn}) {
    SCOPED_TRACE(style);
    m_pContext->SetStyle(style);
    Hover(150, 110);
    ASSERT_TRUE(Shown());
    const CRect rc = TipRect();
    HRGN hRgn = ::CreateRectRgn(0, 0, 0, 0);
    const int nKind = ::GetWindowRgn(m_pContext->GetToolTip()->GetSafeHwnd(), hRgn);
    if (style == CTKToolTipContext::tkToolTipTheme) {
      ASSERT_NE(nKind, ERROR);
      EXPECT_FALSE(::PtInRegion(hRgn, 0, 0));
      EXPECT_TRUE(::PtInRegion(hRgn, 1, 0));
      EXPECT_FALSE(::PtInRegion(hRgn, rc.Width() - 1, rc.Height() - 1));
      EXPECT_TRUE(::PtInRegion(hRgn, rc.Width() - 1, rc.Height() - 2));
    } else {
      EXPECT_EQ(nKind, ERROR) << "only the theme look is shaped";
    }
    ::DeleteObject(hRgn);
  }
}

TEST_F(ToolTipTest, FramesAndBackgrounds) {
  // The plain own look: button-face top-left edge, black bottom-right, info background.
  Hover(150, 110);
  ASSERT_TRUE(Shown());
  HWND hTip = m_pContext->GetToolTip()->GetSafeHwnd();
  CRect rc;
  ::GetClientRect(hTip, &rc);
  EXPECT_EQ(pv::test::WindowPixel(hTip, 0, 0), GetColorManager()->GetColor(COLOR_BTNFACE));
  EXPECT_EQ(pv::test::WindowPixel(hTip, rc.right - 1, rc.bottom - 1), RGB(0, 0, 0));
  EXPECT_EQ(pv::test::WindowPixel(hTip, rc.right - 2, 1), m_pContext->GetTipBkColor());

  // Luna without a Luna theme: the background colour fading to white, framed in black.
  m_pContext->SetStyle(CTKToolTipContext::tkToolTipLuna);
  m_pContext->SetTipBkColor(RGB(0, 0, 255));
  Hover(150, 110);
  ASSERT_TRUE(Shown());
  hTip = m_pContext->GetToolTip()->GetSafeHwnd();
  ::GetClientRect(hTip, &rc);
  ASSERT_EQ(GetColorManager()->GetCurrentTheme(), CTKColorManager::tkThemeNone);
  EXPECT_EQ(pv::test::WindowPixel(hTip, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(pv::test::WindowPixel(hTip, rc.right - 1, rc.bottom / 2), RGB(0, 0, 0));
  const COLORREF clrTop = pv::test::WindowPixel(hTip, rc.right - 2, 1);
  const COLORREF clrBottom = pv::test::WindowPixel(hTip, rc.right - 2, rc.bottom - 2);
  EXPECT_LT(GetRValue(clrTop), 40);
  EXPECT_GT(GetRValue(clrBottom), 200);
  EXPECT_GT(GetBValue(clrBottom), 240);
}

TEST_F(ToolTipTest, SmallImageSitsBesideTheTitle) {
  m_pImages = new CTKImageManager();
  HICON hIcon = imagetest::MakeSolidIcon(16, 16, RGB(255, 0, 0));
  ASSERT_TRUE(m_pImages->SetIcon(hIcon, 1, CSize(16, 16)));
  ::DestroyIcon(hIcon);
  m_host.m_pImages = m_pImages;
  m_host.m_tools[0].title = u"Paste";
  m_host.m_tools[0].body = u"Insert the clipboard contents here";
  m_pContext->SetShowTitle(TRUE);
  m_pContext->SetShowImage(TRUE, 0, 16);
  Hover(150, 110);
  ASSERT_TRUE(Shown());
  ASSERT_NE(Tip()->GetImage(), nullptr);
  HWND hTip = m_pContext->GetToolTip()->GetSafeHwnd();
  // Content starts 3 pixels inside the frame (no margins).
  EXPECT_EQ(pv::test::WindowPixel(hTip, 3, 3), RGB(255, 0, 0));
  EXPECT_EQ(pv::test::WindowPixel(hTip, 18, 18), RGB(255, 0, 0));
  EXPECT_NE(pv::test::WindowPixel(hTip, 3, 20), RGB(255, 0, 0)) << "the text below the title is not pushed aside";
  // The title's own size grew by the image: the tip is wider than the text alone would need.
  const CRect rc = TipRect();
  EXPECT_GT(rc.Height(), 16 + 20);
}

TEST_F(ToolTipTest, CursorOffsetFollowsTheCursorsVisiblePixels) {
  // A 32 x 32 monochrome cursor, opaque in rows 0 to 19, hot spot at row 2.
  BYTE bits[32 * 4 * 2];
  for (int y = 0; y < 64; ++y)
    for (int b = 0; b < 4; ++b) bits[y * 4 + b] = (y < 20) ? 0x00 : (y < 32 ? 0xFF : 0x00);
  HBITMAP hMask = ::CreateBitmap(32, 64, 1, 1, bits);
  ICONINFO ii{FALSE, 0, 2, hMask, nullptr};
  HCURSOR hCursor = ::CreateIconIndirect(&ii);
  ::DeleteObject(hMask);
  ASSERT_NE(hCursor, nullptr);
  HCURSOR hOld = ::SetCursor(hCursor);
  EXPECT_EQ(CTKToolTipContextToolTip::GetCursorOffset(), 20 - 2);
  ::SetCursor(nullptr);
  EXPECT_EQ(CTKToolTipContextToolTip::GetCursorOffset(), 21) << "no cursor to read";
  ::SetCursor(hOld);
  ::DestroyCursor(hCursor);
}

TEST_F(ToolTipTest, RichTextAndHtmlLooks) {
  m_pContext->SetStyle(CTKToolTipContext::tkToolTipRichEdit);
  m_host.m_tools[0].text = u"{\\rtf1 Plain {\\b bold} text}";
  Hover(150, 110);
  ASSERT_TRUE(Shown());
  EXPECT_EQ(Tip()->GetTitle().GetLength(), 0) << "rich tips carry no title";
  const CRect rcRich = TipRect();
  EXPECT_GT(rcRich.Width(), 6);
  EXPECT_LT(rcRich.Width(), m_pContext->GetMaxTipWidth());

  m_pContext->SetStyle(CTKToolTipContext::tkToolTipHTML);
  Hover(150, 110);
  EXPECT_FALSE(Shown()) << "there is no browser control to show HTML";
}

}  // namespace
