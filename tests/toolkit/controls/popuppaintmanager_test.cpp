// The pop-up themes, checked by the pixels they draw.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <typeinfo>

#include "platform/system/modules.h"
#include "popup_test_support.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/resourceimages.h"
#include "toolkit/controls/popupcontrol.h"
#include "toolkit/controls/popupthememsn.h"
#include "toolkit/controls/popupthemeresource.h"

namespace popuptest {
namespace {

// A 32-bit memory DC the themes draw into, pre-filled with a marker colour.
class Canvas {
 public:
  Canvas(int cx, int cy, COLORREF fill) : m_cx(cx), m_cy(cy) {
    m_dc.CreateCompatibleDC(nullptr);
    m_bitmap = CTKImageManager::CreateDIB32(m_dc.GetSafeHdc(), cx, -cy, nullptr);
    m_old = m_dc.SelectObject(m_bitmap);
    m_dc.FillSolidRect(0, 0, cx, cy, fill);
  }
  ~Canvas() {
    m_dc.SelectObject(m_old);
    ::DeleteObject(m_bitmap);
  }
  CDC* DC() { return &m_dc; }
  CRect Rect() const { return CRect(0, 0, m_cx, m_cy); }
  COLORREF At(int x, int y) { return m_dc.GetPixel(x, y) & 0xFFFFFF; }

 private:
  int m_cx, m_cy;
  CDC m_dc;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_old = nullptr;
};

class PopupThemeTest : public DesktopTest {
 protected:
  CTKPopupControl control{FALSE};
};

TEST_F(PopupThemeTest, Office2003GripperStartsMidStripOrAtThreeWhenNarrow) {
  struct Case {
    int width;
    int x0;
  };
  for (Case c : {Case{170, 67}, Case{38, 3}}) {
    SCOPED_TRACE(c.width);
    EXPECT_EQ(CTKPopupThemeOffice2003::GripperStart(c.width - 2), c.x0);
    CTKPopupThemeOffice2003 theme;
    theme.RefreshMetrics();
    Canvas canvas(c.width, 130, RGB(1, 2, 3));
    theme.DrawBackground(canvas.DC(), &control, canvas.Rect());
    // The strip starts one pixel in (inside the frame): dot i spans x0 + 4i.
    for (int i = 0; i < 9; i += 8) {
      int x = c.x0 + 4 * i;
      if (x + 1 >= c.width) break;
      EXPECT_EQ(canvas.At(x - 1, 2), RGB(40, 50, 71));
      EXPECT_EQ(canvas.At(x, 3), RGB(97, 116, 152));
      EXPECT_EQ(canvas.At(x + 1, 3), RGB(249, 249, 251));
      EXPECT_EQ(canvas.At(x + 1, 4), RGB(249, 249, 251));
    }
    EXPECT_NE(canvas.At(c.x0 - 2, 2), RGB(40, 50, 71));
  }
}

TEST_F(PopupThemeTest, Office2000AndMsnFramesBandsAndCaption) {
  {
    CTKPopupThemeOffice2000 theme;
    theme.RefreshMetrics();
    Canvas canvas(170, 130, RGB(1, 2, 3));
    theme.DrawBackground(canvas.DC(), &control, canvas.Rect());
    // The band 30 pixels wide at the body's left, inside two frames.
    EXPECT_EQ(canvas.At(4, 60), RGB(0, 0, 128));
    EXPECT_EQ(canvas.At(33, 60), RGB(0, 0, 128));
    EXPECT_NE(canvas.At(34, 60), RGB(0, 0, 128));
    EXPECT_NE(canvas.At(3, 60), RGB(0, 0, 128));
    EXPECT_EQ(canvas.At(0, 0), theme.m_clrFrame.clrLight.GetColor());
    EXPECT_EQ(canvas.At(169, 129), theme.m_clrFrame.clrDark.GetColor());
  }
  {
    CTKPopupThemeMSN theme;
    theme.RefreshMetrics();
    EXPECT_EQ(theme.m_clrButtonSelected, RGB(194, 238, 255));
    Canvas canvas(170, 130, RGB(1, 2, 3));
    theme.DrawBackground(canvas.DC(), &control, canvas.Rect());
    EXPECT_EQ(canvas.At(0, 0), RGB(166, 180, 207));
    EXPECT_EQ(canvas.At(169, 129), RGB(69, 86, 144));
    EXPECT_EQ(canvas.At(1, 1), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(2, 60), RGB(114, 142, 184));  // the last frame, from t + 22 down
    EXPECT_EQ(canvas.At(100, 24), RGB(114, 142, 184));
    EXPECT_EQ(canvas.At(167, 60), RGB(185, 201, 239));
  }
}

TEST_F(PopupThemeTest, ResourceThemeTakesTheIniColoursAndSkipsFillsWithoutTheSection) {
  CTKResourceImages* images = GetResourceImages();
  ASSERT_TRUE(images->SetModule(::GetModuleHandleW(nullptr), u"POPUPWITHOUTSECTION_INI", FALSE));
  {
    CTKPopupThemeResource theme;
    theme.RefreshMetrics();
    EXPECT_EQ(theme.m_clrButtonSelected, static_cast<COLORREF>(-1));
    EXPECT_EQ(theme.m_clrButtonPressed, static_cast<COLORREF>(-1));
    Canvas canvas(170, 130, RGB(1, 2, 3));
    theme.DrawBackground(canvas.DC(), &control, canvas.Rect());
    EXPECT_EQ(canvas.At(0, 0), RGB(1, 2, 3));        // no frame
    EXPECT_EQ(canvas.At(50, 60), RGB(1, 2, 3));      // no background
    EXPECT_EQ(canvas.At(50, 3), RGB(1, 2, 3));       // no caption strip
    EXPECT_EQ(canvas.At(67, 3), RGB(97, 116, 152));  // the gripper still
  }
  ASSERT_TRUE(images->SetModule(::GetModuleHandleW(nullptr), u"POPUPWITHSECTION_INI", FALSE));
  {
    CTKPopupThemeResource theme;
    theme.RefreshMetrics();
    EXPECT_EQ(theme.m_clrButtonSelected, RGB(7, 8, 9));
    EXPECT_EQ(theme.m_clrButtonPressed, RGB(11, 12, 13));
    EXPECT_EQ(theme.m_clrText, RGB(4, 5, 6));
    Canvas canvas(170, 130, RGB(99, 99, 99));
    theme.DrawBackground(canvas.DC(), &control, canvas.Rect());
    EXPECT_EQ(canvas.At(0, 0), RGB(10, 20, 30));
    EXPECT_EQ(canvas.At(50, 60), RGB(200, 210, 220));
    EXPECT_EQ(canvas.At(50, 4), RGB(1, 2, 3));  // the caption strip
  }
  images->SetModule(::GetModuleHandleW(nullptr), nullptr, FALSE);
}

TEST_F(PopupThemeTest, ButtonsShowHotAndPressedColoursOnlyWhileHot) {
  pv::test::SetScreen(1280, 1024, 40);
  RecordingOwner owner;
  ASSERT_TRUE(owner.CreateOwner());
  control.SetTheme(3);  // MSN
  control.SetShowDelay(CTKPopupControl::kShowUntilClosed);
  CRect rcButton(100, 60, 140, 80), rcText(10, 60, 80, 80);
  CTKPopupItem* button = control.AddItem(new CTKPopupItem(rcButton, u"OK"));
  button->SetButton(TRUE);
  control.AddItem(new CTKPopupItem(rcText, u"Text"));
  ASSERT_TRUE(control.Show(&owner));
  HWND hwnd = control.GetSafeHwnd();
  CPoint origin;
  {
    CRect rc;
    ::GetWindowRect(hwnd, &rc);
    origin = rc.TopLeft();
  }
  auto pixel = [&](int x, int y) {
    ::UpdateWindow(hwnd);
    pv::test::PumpUntilIdle();
    return pv::test::WindowPixel(hwnd, x, y);
  };
  pv::test::MouseMove(origin.x + 120, origin.y + 70);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pixel(137, 77), RGB(194, 238, 255));  // hot fill
  EXPECT_EQ(pixel(100, 60), RGB(114, 142, 184));  // hot border
  pv::test::MouseDown(pv::test::Button::Left, origin.x + 120, origin.y + 70);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pixel(137, 77), RGB(134, 162, 224));  // pressed and hot
  // Pressed but the mouse has left it: the hot colours.
  pv::test::MouseMove(origin.x + 30, origin.y + 70);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pixel(137, 77), RGB(194, 238, 255));
  // An item that is no button gets no fill when hot.
  pv::test::MouseUp(pv::test::Button::Left, origin.x + 30, origin.y + 70);
  pv::test::PumpUntilIdle();
  EXPECT_NE(pixel(78, 78), RGB(194, 238, 255));
  control.Close();
  owner.DestroyWindow();
}

TEST(PopupThemeFactory, EachLookIdMakesItsOwnClassAndUnknownNumbersAreRefused) {
  const auto isA = [](CTKPopupPaintManager* p, TKPopupTheme theme) {
    switch (theme) {
      case TKPopupTheme::Office2000:
        return typeid(*p) == typeid(CTKPopupThemeOffice2000);
      case TKPopupTheme::OfficeXP:
        return typeid(*p) == typeid(CTKPopupThemeOfficeXP);
      case TKPopupTheme::Office2003:
        return typeid(*p) == typeid(CTKPopupThemeOffice2003);
      case TKPopupTheme::MSN:
        return typeid(*p) == typeid(CTKPopupThemeMSN);
      case TKPopupTheme::Resource:
        return typeid(*p) == typeid(CTKPopupThemeResource);
    }
    return false;
  };
  for (int number = 0; number <= 4; ++number) {
    const std::optional<TKPopupTheme> theme = TKPopupThemeFromNumber(number);
    ASSERT_TRUE(theme) << number;
    EXPECT_EQ(TKPopupThemeNumber(*theme), number);
    std::unique_ptr<CTKPopupPaintManager> made = TKCreatePopupPaintManager(*theme);
    EXPECT_TRUE(isA(made.get(), *theme)) << number;
  }
  for (int number : {-1, 5, 6, 1000}) EXPECT_FALSE(TKPopupThemeFromNumber(number)) << number;
}

TEST_F(PopupThemeTest, SetThemeGivesTheLookOfTheNumberAndThePlainLookForOthers) {
  CTKPopupControl popup;
  struct Case {
    int number;
    const std::type_info& type;
  } cases[] = {{3, typeid(CTKPopupThemeMSN)},
               {0, typeid(CTKPopupThemeOffice2000)},
               {5, typeid(CTKPopupPaintManager)},
               {-7, typeid(CTKPopupPaintManager)},
               {4, typeid(CTKPopupThemeResource)}};
  for (const Case& c : cases) {
    popup.SetTheme(c.number);
    EXPECT_EQ(popup.GetTheme(), c.number);  // the number given is what is kept
    ASSERT_TRUE(popup.GetPaintManager());
    EXPECT_TRUE(typeid(*popup.GetPaintManager()) == c.type) << c.number;
  }
  popup.SetTheme(TKPopupTheme::Office2003);
  EXPECT_EQ(popup.GetTheme(), 2);
}

}  // namespace
}  // namespace popuptest
