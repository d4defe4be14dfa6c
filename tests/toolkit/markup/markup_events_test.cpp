// Routed events, mouse routing through the context (enter/leave trimming,
// buttons, capture, cursor, wheel), context delegates, tooltips, fonts,
// invalidation and the host functions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/gdi/syscolors.h"
#include "platform/gdi/wingdi.h"
#include "toolkit/common/tooltipcontext.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markupstyle.h"
#include "toolkit/markup/markuptext.h"

namespace {

std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}
[[maybe_unused]] std::string Narrow(const CString& s) { return Narrow(std::u16string(s.GetString())); }
[[maybe_unused]] std::string Narrow(LPCWSTR s) { return Narrow(std::u16string(s ? s : u"")); }

// Host services that record what the engine asks of the window system.
class CRecordingHost : public CTKMarkupHostServices {
 public:
  void SetCapture(HWND h) override { log.push_back("capture"); }
  void ReleaseCapture() override { log.push_back("release"); }
  void InvalidateRect(HWND, const RECT* rc, BOOL) override { log.push_back(rc ? "invalidate-rect" : "invalidate-all"); }
  LRESULT SendMessage(HWND, UINT msg, WPARAM, LPARAM) override {
    log.push_back("send:" + std::to_string(msg));
    return 0;
  }
  void SetCursor(HCURSOR h) override { log.push_back("cursor:" + std::to_string(reinterpret_cast<UINT_PTR>(h))); }
  HCURSOR LoadSystemCursor(int id) override { return reinterpret_cast<HCURSOR>(static_cast<UINT_PTR>(id)); }
  void TrackMouseLeave(HWND) override {}
  HFONT CreateFontIndirect(const TKMARKUPLOGFONT*) override { return reinterpret_cast<HFONT>(++fonts); }
  void DeleteFont(HFONT) override { deleted++; }
  BOOL GetLogFont(HFONT, TKMARKUPLOGFONT* lf) override {
    *lf = TKMARKUPLOGFONT();
    lf->lfHeight = -20;
    return TRUE;
  }
  std::vector<std::string> log;
  UINT_PTR fonts = 0;
  int deleted = 0;
};

// Logs "name:event" for every routed event it receives; may mark handled.
class CLogDelegate : public CTKMarkupDelegate {
 public:
  CLogDelegate(std::vector<std::string>* log, std::string name, bool handle = false)
      : m_log(log), m_name(std::move(name)), m_handle(handle) {}
  void Execute(CTKMarkupObject*, CTKMarkupRoutedEventArgs* args) override {
    m_log->push_back(m_name + ":" + Narrow(args->m_pEvent->GetName()));
    if (m_handle) args->m_bHandled = TRUE;
  }

 private:
  std::vector<std::string>* m_log;
  std::string m_name;
  bool m_handle;
};

const HWND kHost = reinterpret_cast<HWND>(0x1234);

class MarkupEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    MarkupSetHostServices(&host);
    ctx = MarkupCreateContext(kHost);
  }
  void TearDown() override {
    MarkupReleaseElement(root);
    MarkupReleaseContext(ctx);
    MarkupSetHostServices(nullptr);
  }
  void Build(const char16_t* text) {
    root = ctx->Parse(text);
    ASSERT_NE(root, nullptr) << Narrow(ctx->GetLastParseError());
  }
  void Listen(CTKMarkupInputElement* e, const char* name, bool handleEnter = false) {
    e->AddHandler(CTKMarkupInputElement::m_pMouseEnterEvent, new CLogDelegate(&events, name, handleEnter));
    e->AddHandler(CTKMarkupInputElement::m_pMouseLeaveEvent, new CLogDelegate(&events, name));
  }
  BOOL Send(UINT msg, int x = 0, int y = 0, WPARAM wp = 0) {
    LRESULT r = 0;
    return MarkupRelayElementMessage(root, msg, wp, MAKELPARAM(x, y), &r);
  }
  CRecordingHost host;
  CTKMarkupContext* ctx = nullptr;
  CTKMarkupInputElement* root = nullptr;
  std::vector<std::string> events;
};

TEST_F(MarkupEvents, EnterAndLeaveReachOnlyTheElementsThatChanged) {
  Build(u"<StackPanel><Border/><Border><TextBlock/></Border></StackPanel>");
  CTKMarkupPanel* panel = static_cast<CTKMarkupPanel*>(root);
  auto* a = static_cast<CTKMarkupBorder*>(panel->GetVisualChild(0));
  auto* b = static_cast<CTKMarkupBorder*>(panel->GetVisualChild(1));
  auto* text = static_cast<CTKMarkupInputElement*>(b->GetChild());
  Listen(panel, "panel");
  Listen(a, "a");
  Listen(b, "b");
  Listen(text, "text");

  ctx->SetElementUnderMouse(a, 1, 1);
  EXPECT_EQ(events, (std::vector<std::string>{"a:MouseEnter", "panel:MouseEnter"}));
  events.clear();
  ctx->SetElementUnderMouse(text, 1, 1);
  EXPECT_EQ(events, (std::vector<std::string>{"a:MouseLeave", "text:MouseEnter", "b:MouseEnter"}));
  EXPECT_TRUE(panel->IsMouseOver());
  EXPECT_FALSE(a->IsMouseOver());
  EXPECT_TRUE(b->IsMouseOver());
  events.clear();
  // The mouse leaves the markup: everything on the route gets its leave.
  ctx->SetElementUnderMouse(nullptr, -1, -1);
  EXPECT_EQ(events, (std::vector<std::string>{"text:MouseLeave", "b:MouseLeave", "panel:MouseLeave"}));
  EXPECT_FALSE(panel->IsMouseOver());
}

TEST_F(MarkupEvents, HandledEnterStopsTheRoute) {
  Build(u"<StackPanel><Border/></StackPanel>");
  CTKMarkupPanel* panel = static_cast<CTKMarkupPanel*>(root);
  auto* inner = static_cast<CTKMarkupInputElement*>(panel->GetVisualChild(0));
  Listen(panel, "panel");
  Listen(inner, "inner", true);
  ctx->SetElementUnderMouse(inner, 0, 0);
  EXPECT_EQ(events, (std::vector<std::string>{"inner:MouseEnter"}));
  EXPECT_FALSE(inner->IsMouseOver()) << "the class handler is skipped too";
  EXPECT_FALSE(panel->IsMouseOver());
}

TEST_F(MarkupEvents, ClickBubblesToTheContextUnlessHandled) {
  Build(u"<StackPanel><TextBlock>see <Hyperlink>link</Hyperlink></TextBlock></StackPanel>");
  auto* tb = static_cast<CTKMarkupTextBlock*>(static_cast<CTKMarkupPanel*>(root)->GetVisualChild(0));
  auto* link = static_cast<CTKMarkupHyperlink*>(tb->GetInlines()->GetItem(1));
  auto* run = static_cast<CTKMarkupInputElement*>(link->GetInlines()->GetItem(0));
  tb->AddHandler(CTKMarkupHyperlink::m_pClickEvent, new CLogDelegate(&events, "textblock"));
  root->AddHandler(CTKMarkupHyperlink::m_pClickEvent, new CLogDelegate(&events, "panel"));
  ctx->AddEventHandler(CTKMarkupHyperlink::m_pClickEvent, new CLogDelegate(&events, "context"));
  ctx->AddEventHandler(CTKMarkupHyperlink::m_pClickEvent, new CLogDelegate(&events, "context2"));

  ctx->SetElementUnderMouse(run, 5, 5);
  EXPECT_TRUE(Send(TKMARKUP_WM_LBUTTONDOWN, 5, 5));
  EXPECT_TRUE(Send(TKMARKUP_WM_LBUTTONUP, 5, 5));
  EXPECT_EQ(events, (std::vector<std::string>{"textblock:Click", "panel:Click", "context:Click", "context2:Click"}));
  EXPECT_FALSE(Send(TKMARKUP_WM_LBUTTONUP, 5, 5)) << "a release without a press clicks nothing";

  events.clear();
  tb->AddHandler(CTKMarkupHyperlink::m_pClickEvent, new CLogDelegate(&events, "stopper", true));
  Send(TKMARKUP_WM_LBUTTONDBLCLK, 5, 5);  // a double click presses too
  Send(TKMARKUP_WM_LBUTTONUP, 5, 5);
  EXPECT_EQ(events, (std::vector<std::string>{"textblock:Click", "stopper:Click"}));
}

TEST_F(MarkupEvents, ButtonCaptureLeaveAndClick) {
  Build(u"<Panel Background='White'><Button/><Border Background='Red'/></Panel>");
  CTKMarkupPanel* panel = static_cast<CTKMarkupPanel*>(root);
  auto* button = static_cast<CTKMarkupButton*>(panel->GetVisualChild(0));
  auto* border = static_cast<CTKMarkupBorder*>(panel->GetVisualChild(1));
  // A plain panel leaves its children where they are placed by hand.
  button->Arrange(RECT{0, 0, 50, 20});
  border->Arrange(RECT{0, 20, 50, 40});
  panel->Arrange(RECT{0, 0, 100, 100});
  Listen(button, "button");
  button->AddHandler(CTKMarkupButtonBase::m_pClickEvent, new CLogDelegate(&events, "button"));
  button->AddHandler(CTKMarkupInputElement::m_pLostMouseCaptureEvent, new CLogDelegate(&events, "button"));

  EXPECT_FALSE(Send(TKMARKUP_WM_MOUSEMOVE, 10, 10));
  EXPECT_EQ(ctx->GetElementUnderMouse(), button);
  EXPECT_TRUE(Send(TKMARKUP_WM_LBUTTONDOWN, 10, 10));
  EXPECT_EQ(ctx->GetCapturedElement(), button);
  EXPECT_TRUE(button->IsPressed());

  // Outside the captured button: it leaves the route but keeps the capture.
  Send(TKMARKUP_WM_MOUSEMOVE, 10, 30);
  EXPECT_EQ(ctx->GetElementUnderMouse(), nullptr);
  EXPECT_EQ(ctx->GetCapturedElement(), button);
  EXPECT_FALSE(button->IsPressed());
  // Back in, then released: one click.
  Send(TKMARKUP_WM_MOUSEMOVE, 12, 12);
  EXPECT_TRUE(button->IsPressed());
  EXPECT_TRUE(Send(TKMARKUP_WM_LBUTTONUP, 12, 12));
  EXPECT_EQ(events,
            (std::vector<std::string>{"button:MouseEnter", "button:MouseLeave", "button:MouseEnter", "button:Click"}));
  EXPECT_EQ(ctx->GetCapturedElement(), nullptr);

  // Released outside: no click. Losing the capture raises LostMouseCapture.
  events.clear();
  Send(TKMARKUP_WM_LBUTTONDOWN, 12, 12);
  Send(TKMARKUP_WM_MOUSEMOVE, 10, 30);
  EXPECT_EQ(ctx->GetElementUnderMouse(), nullptr);
  Send(TKMARKUP_WM_LBUTTONUP, 10, 30);
  EXPECT_EQ(events, (std::vector<std::string>{"button:MouseLeave"}));
  Send(TKMARKUP_WM_MOUSEMOVE, 10, 30);
  EXPECT_EQ(ctx->GetElementUnderMouse(), border);
  events.clear();
  Send(TKMARKUP_WM_MOUSEMOVE, 10, 10);
  Send(TKMARKUP_WM_LBUTTONDOWN, 10, 10);
  Send(TKMARKUP_WM_CAPTURECHANGED);
  EXPECT_EQ(events, (std::vector<std::string>{"button:MouseEnter", "button:LostMouseCapture"}));
  EXPECT_EQ(ctx->GetCapturedElement(), nullptr);
  EXPECT_FALSE(button->IsPressed());
}

TEST_F(MarkupEvents, CursorsWheelAndMessagesWithoutAHost) {
  Build(
      u"<Panel Cursor='Hand' Background='White'><Border Background='Red'/><Border Background='Red' "
      u"Cursor='None'/></Panel>");
  CTKMarkupPanel* panel = static_cast<CTKMarkupPanel*>(root);
  static_cast<CTKMarkupUIElement*>(panel->GetVisualChild(0))->Arrange(RECT{0, 0, 10, 10});
  static_cast<CTKMarkupUIElement*>(panel->GetVisualChild(1))->Arrange(RECT{0, 10, 10, 20});
  panel->Arrange(RECT{0, 0, 100, 100});

  // An element without a cursor lets its ancestor's apply.
  Send(TKMARKUP_WM_MOUSEMOVE, 5, 5);
  host.log.clear();
  EXPECT_TRUE(Send(TKMARKUP_WM_SETCURSOR));
  EXPECT_EQ(host.log, (std::vector<std::string>{"cursor:32649"}));
  // "None" ends the query without a cursor: the arrow is set on entering and
  // WM_SETCURSOR is left to the host.
  host.log.clear();
  Send(TKMARKUP_WM_MOUSEMOVE, 5, 15);
  EXPECT_EQ(host.log.back(), "cursor:32512");
  EXPECT_FALSE(Send(TKMARKUP_WM_SETCURSOR));
  EXPECT_FALSE(Send(TKMARKUP_WM_MOUSEWHEEL, 0, 0, MAKEWPARAM(0, 120))) << "nothing handles the wheel";

  // The mouse leaves the markup through the context relay.
  std::vector<std::string> leaves;
  panel->AddHandler(CTKMarkupInputElement::m_pMouseLeaveEvent, new CLogDelegate(&leaves, "panel"));
  LRESULT r = 0;
  EXPECT_FALSE(MarkupRelayContextMessage(ctx, TKMARKUP_WM_MOUSEMOVE, 0, 0, &r));
  EXPECT_EQ(leaves, (std::vector<std::string>{"panel:MouseLeave"}));
  EXPECT_EQ(ctx->GetElementUnderMouse(), nullptr);

  // Without a host window nothing is handled, not even WM_SETCURSOR.
  MarkupSetContextWindow(ctx, nullptr);
  Send(TKMARKUP_WM_MOUSEMOVE, 5, 5);
  EXPECT_EQ(ctx->GetElementUnderMouse(), nullptr);
  EXPECT_FALSE(Send(TKMARKUP_WM_SETCURSOR));
  EXPECT_FALSE(MarkupRelayElementMessage(nullptr, TKMARKUP_WM_MOUSEMOVE, 0, 0, &r));
  EXPECT_FALSE(MarkupRelayContextMessage(nullptr, TKMARKUP_WM_MOUSEMOVE, 0, 0, &r));
}

TEST_F(MarkupEvents, ToolTipsInvalidationAndHitTesting) {
  Build(
      u"<Panel ToolTip='panel tip' Background='White'><Border "
      u"Background='Red'><Border.ToolTip><Border/></Border.ToolTip></Border></Panel>");
  CTKMarkupPanel* panel = static_cast<CTKMarkupPanel*>(root);
  auto* border = static_cast<CTKMarkupBorder*>(panel->GetVisualChild(0));
  border->Arrange(RECT{10, 10, 30, 30});
  panel->Arrange(RECT{0, 0, 100, 100});
  EXPECT_EQ(panel->InputHitTest(15, 15), border);
  EXPECT_EQ(panel->InputHitTest(30, 15), panel) << "right edges are outside";
  EXPECT_EQ(panel->InputHitTest(100, 5), nullptr);
  TOOLINFO ti{};
  ti.cbSize = TKTOOLINFO_SIZE;
  EXPECT_EQ(ctx->HitTestTool(&ti), -1);
  ctx->SetElementUnderMouse(border, 15, 15);
  EXPECT_EQ(ctx->HitTestTool(&ti), reinterpret_cast<INT_PTR>(panel));
  ASSERT_NE(ti.lpszText, nullptr);
  EXPECT_EQ(Narrow(ti.lpszText), "panel tip") << "an element tooltip shows nothing; the ancestor's text does";
  std::free(ti.lpszText);
  EXPECT_EQ(ti.uId, reinterpret_cast<UINT_PTR>(panel));

  RECT rc = ctx->GetElementRect(border);
  EXPECT_EQ((std::vector<LONG>{rc.left, rc.top, rc.right, rc.bottom}), (std::vector<LONG>{10, 10, 30, 30}));
  host.log.clear();
  border->InvalidateVisual();
  EXPECT_EQ(host.log, (std::vector<std::string>{"invalidate-rect", "send:" + std::to_string(0x2A5C)}));
  host.log.clear();
  ctx->InvalidateHost();
  EXPECT_EQ(host.log, (std::vector<std::string>{"invalidate-all", "send:" + std::to_string(0x2A5C)}));

  // Hidden and collapsed elements are never hit.
  border->SetValue(CTKMarkupUIElement::m_pVisibilityProperty, CTKMarkupEnum::CreateEnum(1));
  EXPECT_EQ(panel->InputHitTest(15, 15), panel);
}

TEST_F(MarkupEvents, DelegatesFromMarkupAndLifetimes) {
  ctx->AddDelegate(u"OnGo", new CLogDelegate(&events, "go"));
  Build(u"<Button Click='OnGo'/>");
  static_cast<CTKMarkupButton*>(root)->OnClick();
  EXPECT_EQ(events, (std::vector<std::string>{"go:Click"}));

  // Elements hold their context: it lives until the last of them goes.
  LONG refs = ctx->GetRefCount();
  CTKMarkupInputElement* other = ctx->Parse(u"<Border/>");
  EXPECT_EQ(ctx->GetRefCount(), refs + 1);
  ctx->SetElementUnderMouse(other, 0, 0);
  other->Release();
  EXPECT_EQ(ctx->GetElementUnderMouse(), nullptr) << "a released element is forgotten";
  EXPECT_EQ(ctx->GetRefCount(), refs);
  ctx->AddRef();
  CTKMarkupContext* held = ctx;
  MarkupReleaseContext(ctx);
  EXPECT_EQ(ctx, nullptr);
  EXPECT_EQ(MarkupGetElementContext(root), held);
  ctx = held;

  // Without a context an event attribute cannot be bound.
  EXPECT_EQ(MarkupParseText(nullptr, u"<Page/>"), nullptr);
}

TEST_F(MarkupEvents, FontCacheAndDefaults) {
  TKMARKUPLOGFONT a = TKMARKUPLOGFONT();
  a.lfHeight = -12;
  a.lfWeight = 400;
  std::u16string face = u"Tahoma";
  face.copy(a.lfFaceName, face.size());
  TKMARKUPLOGFONT b = a;
  b.lfCharSet = 134;
  b.lfUnderline = 1;
  TKMARKUPLOGFONT c = a;
  c.lfHeight = -13;
  CTKMarkupFont* fa = ctx->GetFont(&a);
  CTKMarkupFont* fb = ctx->GetFont(&b);
  CTKMarkupFont* fc = ctx->GetFont(&c);
  EXPECT_EQ(fa, fb) << "fonts differing only in character set or underline share one";
  EXPECT_NE(fa, fc);
  EXPECT_EQ(host.fonts, 2u);
  fa->Release();
  fb->Release();
  EXPECT_EQ(host.deleted, 1);
  EXPECT_EQ(ctx->GetFirstCachedFont(), fc) << "a deleted font leaves the cache";
  fc->Release();
  EXPECT_EQ(ctx->GetFirstCachedFont(), nullptr);

  MarkupSetDefaultFont(ctx, reinterpret_cast<HFONT>(1), static_cast<COLORREF>(-1));
  EXPECT_EQ(ctx->GetDefaultFont().lfHeight, -20);
  EXPECT_EQ(ctx->GetDefaultColor(), 0u);
  MarkupSetDefaultFont(ctx, nullptr, RGB(1, 2, 3));
  EXPECT_EQ(ctx->GetDefaultColor(), RGB(1, 2, 3));
  EXPECT_EQ(ctx->GetDefaultFont().lfHeight, -20);
}

}  // namespace

namespace {

TEST(MarkupPlatformServices, FontsAndColoursComeFromTheGdiLayer) {
  // No recorder installed: the context works over the real GDI layer.
  CTKMarkupContext* ctx = MarkupCreateContext(nullptr);
  LOGFONTW lf = LOGFONTW();
  lf.lfHeight = -17;
  lf.lfWeight = 700;
  std::u16string face = u"Arial";
  face.copy(lf.lfFaceName, face.size());
  HFONT hFont = CreateFontIndirectW(&lf);
  ASSERT_NE(hFont, nullptr);
  MarkupSetDefaultFont(ctx, hFont, RGB(10, 20, 30));
  EXPECT_EQ(ctx->GetDefaultFont().lfHeight, -17);
  EXPECT_EQ(ctx->GetDefaultFont().lfWeight, 700);
  EXPECT_EQ(std::u16string(ctx->GetDefaultFont().lfFaceName), u"Arial");
  EXPECT_EQ(ctx->GetDefaultColor(), RGB(10, 20, 30));
  DeleteObject(hFont);

  CTKMarkupFont* font = ctx->GetFont(&lf);
  ASSERT_NE(font, nullptr);
  EXPECT_NE(font->m_hFont, nullptr);
  LOGFONTW back = LOGFONTW();
  EXPECT_EQ(GetObjectW(font->m_hFont, sizeof(back), &back), static_cast<int>(sizeof(back)));
  EXPECT_EQ(back.lfHeight, -17);
  font->Release();

  EXPECT_EQ(MarkupGetHostServices()->GetSysColor(15), GetSysColor(15));
  MarkupReleaseContext(ctx);
}

}  // namespace
