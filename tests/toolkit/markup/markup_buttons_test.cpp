// Buttons: press, capture and click; check boxes and radio buttons toggling
// with their events and groups; the classic look drawn in the background's shades.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/wingdi.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupelements.h"
#include "tests/toolkit/markup/markup_test_support.h"

namespace {

using markup_test::Narrow;
using markup_test::QuietHost;

class CLog : public CTKMarkupDelegate {
 public:
  explicit CLog(std::vector<std::string>* log) : m_log(log) {}
  void Execute(CTKMarkupObject*, CTKMarkupRoutedEventArgs* args) override {
    std::string who = "?";
    if (auto* e = MarkupDynamicCast<CTKMarkupFrameworkElement>(args->m_pSource))
      if (auto* tag = MarkupDynamicCast<CTKMarkupString>(e->GetValue(CTKMarkupFrameworkElement::m_pTagProperty)))
        who = Narrow(tag->GetBuffer());
    m_log->push_back(who + ":" + Narrow(args->m_pEvent->GetName()));
  }
  std::vector<std::string>* m_log;
};

class MarkupButtons : public ::testing::Test {
 protected:
  void SetUp() override {
    MarkupSetHostServices(&host);
    ctx = MarkupCreateContext(reinterpret_cast<HWND>(0x4321));
  }
  void TearDown() override {
    MarkupReleaseElement(root);
    MarkupReleaseContext(ctx);
    MarkupSetHostServices(nullptr);
  }
  void Build(const char16_t* text, int w = 300, int h = 100) {
    MarkupReleaseElement(root);
    root = ctx->Parse(text);
    ASSERT_NE(root, nullptr) << Narrow(std::u16string(ctx->GetLastParseError().GetString()));
    // The events exist once the first markup registered the button types.
    if (!handlersAdded) {
      handlersAdded = true;
      for (auto* e : {CTKMarkupButtonBase::m_pClickEvent, CTKMarkupToggleButton::m_pCheckedEvent,
                      CTKMarkupToggleButton::m_pUncheckedEvent, CTKMarkupToggleButton::m_pIndeterminateEvent})
        ctx->AddEventHandler(e, new CLog(&log));
    }
    MarkupMeasureElement(root, w, h);
    static_cast<CTKMarkupUIElement*>(root)->Arrange(RECT{0, 0, w, h});
  }
  void Mouse(UINT msg, int x, int y) {
    LRESULT r = 0;
    MarkupRelayElementMessage(root, msg, 0, MAKELPARAM(x, y), &r);
  }
  void Click(int x, int y) {
    Mouse(0x0200, x, y);
    Mouse(0x0201, x, y);
    Mouse(0x0202, x, y);
  }
  QuietHost host;
  CTKMarkupContext* ctx = nullptr;
  CTKMarkupInputElement* root = nullptr;
  std::vector<std::string> log;
  bool handlersAdded = false;
};

TEST_F(MarkupButtons, ClickNeedsAReleaseOverTheButton) {
  Build(u"<Canvas><Button Tag='b' Width='50' Height='20'/></Canvas>");
  auto* button = static_cast<CTKMarkupButton*>(static_cast<CTKMarkupPanel*>(root)->GetVisualChild(0));
  Mouse(0x0200, 10, 10);
  Mouse(0x0201, 10, 10);
  EXPECT_TRUE(button->IsPressed());
  Mouse(0x0200, 100, 60);  // off: looks released
  EXPECT_FALSE(button->IsPressed());
  Mouse(0x0200, 10, 10);  // back: pressed again
  EXPECT_TRUE(button->IsPressed());
  Mouse(0x0202, 10, 10);
  EXPECT_EQ(log, (std::vector<std::string>{"b:Click"}));

  log.clear();
  Mouse(0x0201, 10, 10);
  Mouse(0x0200, 100, 60);
  Mouse(0x0202, 100, 60);
  EXPECT_TRUE(log.empty()) << "released outside";
  EXPECT_FALSE(button->IsMouseOver()) << "the hover look ends";

  button->SetValue(CTKMarkupUIElement::m_pIsEnabledProperty, CTKMarkupBool::CreateBool(FALSE));
  Click(10, 10);
  EXPECT_TRUE(log.empty()) << "a disabled button swallows presses";
}

TEST_F(MarkupButtons, CheckBoxesCycleAndRadioButtonsGroup) {
  Build(u"<Canvas><CheckBox Tag='c' IsThreeState='True' Width='50' Height='20'/></Canvas>");
  for (int i = 0; i < 3; i++) Click(5, 10);
  EXPECT_EQ(log,
            (std::vector<std::string>{"c:Checked", "c:Click", "c:Indeterminate", "c:Click", "c:Unchecked", "c:Click"}));
  log.clear();
  Build(u"<Canvas><CheckBox Tag='c' Width='50' Height='20'/></Canvas>");
  auto* box = static_cast<CTKMarkupToggleButton*>(static_cast<CTKMarkupPanel*>(root)->GetVisualChild(0));
  Click(5, 10);
  EXPECT_EQ(box->GetChecked(), 1);
  Click(5, 10);
  EXPECT_EQ(box->GetChecked(), 0) << "two states without IsThreeState";

  Build(
      u"<StackPanel><RadioButton Tag='r1' IsChecked='True' Height='20'/><RadioButton Tag='r2' "
      u"Height='20'/><RadioButton Tag='r3' Height='20'/>"
      u"<Border><RadioButton Tag='r4' IsChecked='True' Height='20'/></Border></StackPanel>");
  auto* panel = static_cast<CTKMarkupPanel*>(root);
  log.clear();
  Click(5, 30);
  EXPECT_EQ(log, (std::vector<std::string>{"r1:Unchecked", "r2:Checked", "r2:Click"}));
  EXPECT_EQ(static_cast<CTKMarkupToggleButton*>(panel->GetVisualChild(0))->GetChecked(), 0);
  auto* inBorder =
      static_cast<CTKMarkupToggleButton*>(static_cast<CTKMarkupBorder*>(panel->GetVisualChild(3))->GetChild());
  EXPECT_EQ(inBorder->GetChecked(), 1) << "a radio button in a border is a group of its own";
  log.clear();
  Click(5, 30);
  EXPECT_EQ(log, (std::vector<std::string>{"r2:Checked", "r2:Click"}))
      << "clicking a checked radio button checks it again";

  Build(u"<CheckBox IsChecked=''/>");
  EXPECT_EQ(static_cast<CTKMarkupToggleButton*>(root)->GetChecked(), 2);
}

TEST_F(MarkupButtons, AButtonWithABackgroundDrawsEdgesInItsShades) {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 40, -20, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  MarkupReleaseElement(root);
  root = ctx->Parse(u"<Button Background='#4080C0'/>");
  ASSERT_NE(root, nullptr);
  RECT rc{0, 0, 40, 20};
  MarkupRenderElement(root, dc, &rc);
  auto at = [&](int x, int y) {
    uint32_t v = static_cast<uint32_t*>(bits)[y * 40 + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  };
  const DWORD hsl = CTKDrawHelpers::RGBtoHSLPacked(RGB(0x40, 0x80, 0xC0));
  const int h = hsl & 0xFF, s = (hsl >> 8) & 0xFF, l = (hsl >> 16) & 0xFF;
  const COLORREF light = CTKDrawHelpers::HSLPackedToRGB(h | (s << 8) | (((l + 240) / 2) << 16));
  const COLORREF shadow = CTKDrawHelpers::HSLPackedToRGB(h | (s << 8) | (MulDiv(l, 2, 3) << 16));
  EXPECT_EQ(at(10, 0), light) << "top edge";
  EXPECT_EQ(at(0, 10), light) << "left edge";
  EXPECT_EQ(at(10, 18), shadow) << "inner bottom";
  EXPECT_EQ(at(10, 19), RGB(GetRValue(shadow) / 2, GetGValue(shadow) / 2, GetBValue(shadow) / 2)) << "outer bottom";
  EXPECT_EQ(at(20, 10), RGB(0x40, 0x80, 0xC0)) << "face";
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
}

}  // namespace
