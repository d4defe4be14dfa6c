// CDC's conversions of HIMETRIC sizes (0.01 mm) to device and logical units.
#include <gtest/gtest.h>

#include "platform/framework/afx.h"

namespace {

TEST(CDCHimetric, ConvertsThroughPixelsPerInchAndTheMapping) {
  // The printer: 300 dots per inch, so one inch (2540) is 300 dots.
  CDC printer;
  ASSERT_TRUE(printer.CreateDC(u"WINSPOOL", u"Default", nullptr, nullptr));
  ASSERT_EQ(printer.GetDeviceCaps(LOGPIXELSX), 300);
  struct Case {
    SIZE in;
    SIZE device;
  };
  const Case cases[] = {
      {{2540, 2540}, {300, 300}},  // an inch
      {{1270, 1000}, {150, 118}},  // half an inch; 10 mm = 118.1 dots
      {{0, 1}, {0, 0}},
  };
  for (const Case& c : cases) {
    SIZE s = c.in;
    printer.HIMETRICtoDP(&s);
    EXPECT_EQ(s.cx, c.device.cx) << c.in.cx;
    EXPECT_EQ(s.cy, c.device.cy) << c.in.cy;
    s = c.in;
    printer.HIMETRICtoLP(&s);  // MM_TEXT: logical = device
    EXPECT_EQ(s.cx, c.device.cx);
    EXPECT_EQ(s.cy, c.device.cy);
  }
  // In 0.1 mm units (y up) a HIMETRIC size comes back a tenth, positive.
  printer.SetMapMode(MM_LOMETRIC);
  SIZE s{2540, 1000};
  printer.HIMETRICtoLP(&s);
  EXPECT_NEAR(s.cx, 254, 1);
  EXPECT_NEAR(s.cy, 100, 1);
  // The screen DC counts 96 pixels per inch.
  CDC screen;
  ASSERT_TRUE(screen.CreateCompatibleDC(nullptr));
  s = SIZE{2540, 254};
  screen.HIMETRICtoLP(&s);
  EXPECT_EQ(s.cx, screen.GetDeviceCaps(LOGPIXELSX));
  EXPECT_EQ(s.cy, MulDiv(254, screen.GetDeviceCaps(LOGPIXELSY), 2540));
  screen.HIMETRICtoLP(nullptr);  // ignored
}

}  // namespace
