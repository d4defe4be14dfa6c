// The command-bar look ids by their factory numbers: every number a look has
// converts both ways, others are refused, and a source of an unknown number
// reads as the default look.
#include <gtest/gtest.h>

#include "toolkit/common/painttheme.h"

namespace {

class Source : public CTKPaintThemeSource {
 public:
  explicit Source(int number) : m_number(number) {}
  int GetBaseTheme() override { return m_number; }
  int m_number;
};

TEST(PaintTheme, NumbersConvertBothWaysAndUnknownOnesAreRefused) {
  for (int number = 0; number <= 10; ++number) {
    const std::optional<TKPaintTheme> theme = TKPaintThemeFromNumber(number);
    ASSERT_TRUE(theme) << number;
    EXPECT_EQ(TKPaintThemeNumber(*theme), number);
  }
  EXPECT_EQ(TKPaintThemeFromNumber(5), TKPaintTheme::Resource);
  EXPECT_EQ(TKPaintThemeFromNumber(6), TKPaintTheme::Ribbon);
  for (int number : {-1, 11, 255, -2147483647 - 1}) EXPECT_FALSE(TKPaintThemeFromNumber(number)) << number;

  Source ribbon(6), unknown(42);
  EXPECT_EQ(ribbon.GetPaintTheme(), TKPaintTheme::Ribbon);
  EXPECT_EQ(ribbon.GetThemeId(), 6);
  EXPECT_EQ(unknown.GetPaintTheme(), TKPaintTheme::Default);
  EXPECT_EQ(unknown.GetThemeId(), 42);
}

}  // namespace
