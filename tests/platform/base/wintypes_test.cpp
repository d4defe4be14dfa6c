#include <gtest/gtest.h>

#include "platform/base/wintypes.h"

TEST(WinTypes, WordAndColourPacking) {
  EXPECT_EQ(MAKELONG(0x1234, 0xABCD), static_cast<LONG>(0xABCD1234u));
  EXPECT_EQ(LOWORD(0xABCD1234u), 0x1234);
  EXPECT_EQ(HIWORD(0xABCD1234u), 0xABCD);
  EXPECT_EQ(GET_X_LPARAM(MAKELPARAM(-5, 7)), -5);
  EXPECT_EQ(GET_Y_LPARAM(MAKELPARAM(-5, -7)), -7);
  COLORREF c = RGB(1, 2, 3);
  EXPECT_EQ(c, 0x030201u);
  EXPECT_EQ(GetRValue(c), 1);
  EXPECT_EQ(GetGValue(c), 2);
  EXPECT_EQ(GetBValue(c), 3);
}

TEST(WinTypes, MulDivRoundsHalfAwayFromZeroAndRefusesZeroDivisor) {
  struct Case {
    int a, b, c, expected;
  } cases[] = {
      {10, 3, 4, 8},                                                            // 7.5 -> 8
      {-10, 3, 4, -8},                                                          // -7.5 -> -8
      {7, 1, 2, 4},                                                             // 3.5 -> 4
      {1, 1, 3, 0},    {0x7FFFFFFF, 2, 2, 0x7FFFFFFF}, {0x7FFFFFFF, 2, 1, -1},  // overflow
      {5, 5, 0, -1},
  };
  for (const auto& k : cases) EXPECT_EQ(MulDiv(k.a, k.b, k.c), k.expected) << k.a << "*" << k.b << "/" << k.c;
}
