// Services of the foundation that the command-bar looks, tabs, ribbon and
// docking panes call: wheel turns offered to the keyboard manager's
// clients, the scroll-bar painter's and the shadow manager's metrics
// refresh, a section's two colours read as a gradient, and a PNG loaded by
// id as a bitmap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_test_support.h"
#include "platform/base/clock.h"
#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/keyboardmanager.h"
#include "toolkit/common/resourceimages.h"
#include "toolkit/common/resourcemanager.h"
#include "toolkit/common/scrollbarpaintmanager.h"
#include "toolkit/common/shadowmanager.h"

using namespace imagetest;

namespace {

std::vector<std::string> g_wheelLog;

class WheelClient : public CTKHookManagerHookAble {
 public:
  explicit WheelClient(int answer) : m_answer(answer) {}
  int HandleHookedMessage(HWND, UINT nMessage, WPARAM& wParam, LPARAM& lParam, LRESULT&) override {
    if (nMessage == WM_MOUSEWHEEL || nMessage == WM_MOUSEHWHEEL)
      g_wheelLog.push_back("client " + std::to_string(nMessage) + " " +
                           std::to_string(static_cast<short>(HIWORD(wParam))) + " at " +
                           std::to_string(static_cast<short>(LOWORD(lParam))) + "," +
                           std::to_string(static_cast<short>(HIWORD(lParam))));
    return m_answer;
  }
  int m_answer;
};

LRESULT WheelWindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_MOUSEWHEEL || msg == WM_MOUSEHWHEEL)
    g_wheelLog.push_back("window " + std::to_string(msg) + " " + std::to_string(static_cast<short>(HIWORD(wp))));
  return ::DefWindowProcW(h, msg, wp, lp);
}

class FoundationServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768, 40);
    g_wheelLog.clear();
  }
  void TearDown() override {
    g_wheelLog.clear();
    pvtest::ResetDesktop();
  }
  HWND MakeWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WheelWindowProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.lpszClassName = u"TKWheelTestWnd";
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowExW(0, u"TKWheelTestWnd", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300,
                                    nullptr, nullptr, nullptr, nullptr);
    ::SetForegroundWindow(window);
    ::SetFocus(window);
    pv::test::PumpUntilIdle();
    return window;
  }

  pv::FakeClockScope clock_;
};

// While a client is registered, wheel turns are offered to it first with
// the wheel message's own parameters; its answer decides as for keys.
TEST_F(FoundationServicesTest, WheelTurnsAreOfferedToTheKeyboardClients) {
  const std::string wheel = std::to_string(WM_MOUSEWHEEL), hwheel = std::to_string(WM_MOUSEHWHEEL);
  struct Case {
    int answer;
    bool horizontal;
    std::vector<std::string> log;
  } cases[] = {
      {1, false, {"client " + wheel + " 120 at 50,60"}},                              // taken
      {2, false, {"client " + wheel + " 120 at 50,60", "window " + wheel + " 120"}},  // let through
      {0, false, {"client " + wheel + " 120 at 50,60"}},  // nobody takes it: the popup owns it
      {1, true, {"client " + hwheel + " 120 at 50,60"}},  // sideways too
  };
  MakeWindow();
  CTKKeyboardManager* keyboard = GetKeyboardManager();
  for (const Case& c : cases) {
    WheelClient client(c.answer);
    keyboard->AddKeyboardHook(&client);
    EXPECT_TRUE(keyboard->IsMouseWheelHooked());
    g_wheelLog.clear();
    pv::test::Wheel(120, 50, 60, c.horizontal);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(g_wheelLog, c.log) << c.answer;
    keyboard->RemoveKeyboardHook(&client);
  }
  // Without clients the hook is gone and the wheel reaches the window.
  EXPECT_FALSE(keyboard->IsMouseWheelHooked());
  g_wheelLog.clear();
  pv::test::Wheel(-120, 50, 60);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(g_wheelLog, (std::vector<std::string>{"window " + wheel + " -120"}));
}

// The scroll-bar painter follows changed system sizes when its paint
// manager refreshes; the slider keeps its own.
TEST_F(FoundationServicesTest, ScrollBarPainterRefreshReadsTheSystemSizesAgain) {
  CTKScrollBarPaintManager bar(nullptr);
  CTKSliderPaintManager slider(nullptr);
  pv::test::SetMetric(SM_CXVSCROLL, 23);
  pv::test::SetMetric(SM_CYVSCROLL, 24);
  pv::test::SetMetric(SM_CXHSCROLL, 25);
  pv::test::SetMetric(SM_CYHSCROLL, 26);
  EXPECT_NE(bar.m_cxVScroll, 23);
  bar.RefreshMetrics();
  EXPECT_EQ(bar.m_cxVScroll, 23);
  EXPECT_EQ(bar.m_cyVScroll, 24);
  EXPECT_EQ(bar.m_cxHScroll, 25);
  EXPECT_EQ(bar.m_cyHScroll, 26);
  slider.RefreshMetrics();
  EXPECT_EQ(slider.m_cxHScroll, 16);
  EXPECT_EQ(slider.m_cyHScroll, 16);
  EXPECT_EQ(slider.m_cxVScroll, 23);
}

// A refresh decides alpha shadows again: none on a display of 8 bits.
TEST_F(FoundationServicesTest, ShadowManagerRefreshDecidesAlphaShadowsAgain) {
  struct ScreenBits {
    ~ScreenBits() { CTKColorManager::SetScreenBitsForTests(0); }
  } restore;
  CTKShadowManager* shadows = new CTKShadowManager;
  const BOOL available = shadows->IsAlphaShadowAvailable();
  EXPECT_EQ(shadows->IsAlphaShadow(), available);
  CTKColorManager::SetScreenBitsForTests(8);
  EXPECT_EQ(shadows->IsAlphaShadow(), available);  // what was worked out stays until the refresh
  shadows->RefreshMetrics();
  EXPECT_FALSE(shadows->IsAlphaShadow());
  // Open shadows stay while the look changes.
  HWND window = MakeWindow();
  CWnd* owner = CWnd::FromHandle(window);
  shadows->m_nOptions = 1;
  shadows->AddWindowShadows(owner);
  EXPECT_EQ(shadows->GetShadows().GetCount(), 2);
  CTKColorManager::SetScreenBitsForTests(0);
  shadows->RefreshMetrics();
  EXPECT_EQ(shadows->IsAlphaShadow(), available);
  EXPECT_EQ(shadows->GetShadows().GetCount(), 2);
  shadows->RemoveWindowShadows(owner);
  EXPECT_EQ(shadows->GetShadows().GetCount(), 0);
  shadows->InternalRelease();
}

const char kGradientIni[] =
    "[DockingPane]\r\n"
    "SplitterLight = 190 218 254\r\n"
    "SplitterDark = 100 143 203\r\n"
    "OnlyLight = 1 2 3\r\n";

// Two colours of a section become a gradient's standard colours with the
// factor; a missing key keeps that end, and a custom colour still wins.
TEST_F(FoundationServicesTest, ASectionsTwoColoursBecomeAGradient) {
  ResourceModule module(u"tkgradientfixture");
  module.Add(u"TEXTFILE", u"GRADIENT_INI", Bytes(kGradientIni, kGradientIni + sizeof(kGradientIni) - 1));
  HMODULE handle = module.Register();
  CTKResourceImages images;
  ASSERT_TRUE(images.SetModule(handle, u"GRADIENT_INI", FALSE));

  CTKPaintManagerColorGradient gradient;
  EXPECT_TRUE(images.GetIniGradient(gradient, u"DockingPane", u"SplitterLight", u"SplitterDark", 0.25f));
  EXPECT_EQ(gradient.clrLight.GetColor(), RGB(190, 218, 254));
  EXPECT_EQ(gradient.clrDark.GetColor(), RGB(100, 143, 203));
  EXPECT_FLOAT_EQ(gradient.fGradientFactor, 0.25f);

  gradient.clrLight.SetCustomValue(RGB(9, 9, 9));
  EXPECT_FALSE(images.GetIniGradient(gradient, u"dockingpane", u"OnlyLight", u"Absent"));
  EXPECT_EQ(gradient.clrLight.GetStandardColor(), RGB(1, 2, 3));
  EXPECT_EQ(gradient.clrLight.GetColor(), RGB(9, 9, 9));
  EXPECT_EQ(gradient.clrDark.GetColor(), RGB(100, 143, 203));  // kept
  EXPECT_FLOAT_EQ(gradient.fGradientFactor, 0.5f);
  EXPECT_FALSE(images.GetIniGradient(gradient, u"NoSection", u"SplitterLight", u"SplitterDark"));
}

// A 2 x 2 RGBA PNG: red, green / blue, (10, 20, 30) at alpha 128.
const unsigned char kPng[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49,
                              0x48, 0x44, 0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06,
                              0x00, 0x00, 0x00, 0x72, 0xB6, 0x0D, 0x24, 0x00, 0x00, 0x00, 0x15, 0x49, 0x44,
                              0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0, 0x1F, 0x0C, 0x81, 0xF4,
                              0x7F, 0x2E, 0x11, 0xB9, 0x06, 0x00, 0x40, 0xF2, 0x06, 0xB7, 0x1B, 0x84, 0x15,
                              0x43, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

// A PNG by id comes back as a 32-bit bitmap, searched in the toolkit's
// resource module; an id without one, or bytes that are no PNG, give none.
TEST_F(FoundationServicesTest, APngByIdLoadsAsABitmap) {
  const Bytes png(kPng, kPng + sizeof(kPng));
  const Bytes broken(kPng, kPng + 40);
  const pv::ResourceEntry entries[] = {
      {u"PNG", 0, nullptr, 9451, 0, png.data(), static_cast<DWORD>(png.size())},
      {u"PNG", 0, nullptr, 9452, 0, broken.data(), static_cast<DWORD>(broken.size())},
  };
  const pv::ResourceSet set{u"tkpngidfixture", entries, 2};
  HMODULE module = pv::RegisterResourceSet(&set);
  const HMODULE previous = TKGetResourceModule();
  TKSetResourceModule(module);

  BOOL alpha = FALSE;
  HBITMAP bitmap = GetResourceManager()->LoadImageAsBitmap(9451, &alpha);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_TRUE(alpha);
  int width = 0, height = 0;
  const Bytes pixels = Pixels(bitmap, &width, &height);  // top-down BGRA
  EXPECT_EQ(width, 2);
  EXPECT_EQ(height, 2);
  ASSERT_EQ(pixels.size(), 16u);
  EXPECT_EQ(Bytes(pixels.begin(), pixels.begin() + 4), (Bytes{0, 0, 255, 255}));       // top left: red
  EXPECT_EQ(Bytes(pixels.begin() + 4, pixels.begin() + 8), (Bytes{0, 255, 0, 255}));   // top right: green
  EXPECT_EQ(Bytes(pixels.begin() + 8, pixels.begin() + 12), (Bytes{255, 0, 0, 255}));  // bottom left: blue
  EXPECT_EQ(pixels[15], 128);                                                          // half alpha kept
  DeleteObject(bitmap);

  EXPECT_EQ(GetResourceManager()->LoadImageAsBitmap(9452, &alpha), nullptr);
  EXPECT_FALSE(alpha);
  EXPECT_EQ(GetResourceManager()->LoadImageAsBitmap(9453, &alpha), nullptr);

  TKSetResourceModule(previous);
  pv::UnregisterResourceSet(&set);
}

}  // namespace
