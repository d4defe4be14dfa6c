// The selected-days collection against a std::set model: random adds,
// removals, ranges and single selections keep the blocks sorted, disjoint
// and never touching, and hold exactly the model's days.
#include <random>

#include "datepicker_test_support.h"

namespace {

using dptest::Date;
using dptest::DayNumber;
using dptest::Range;
using dptest::Selected;

void ExpectWellFormed(const CTKDatePickerDaysCollection& days) {
  for (int i = 0; i < days.GetSelectedBlocksCount(); ++i) {
    const auto& b = days.GetSelectedBlock(i);
    EXPECT_LT(b.nDateBegin, b.nDateEnd) << "block " << i;
    if (i > 0) {
      EXPECT_LT(days.GetSelectedBlock(i - 1).nDateEnd, b.nDateBegin) << "blocks " << i - 1 << ", " << i;
    }
  }
  dptest::ExpectSane(days);
}

TEST(DatePickerDays, CtrlClicksFiveSevenSixMergeAndSplitAgain) {
  CTKDatePickerDaysCollection days(nullptr);
  for (int d : {5, 7, 6}) days.AddDay(Date(2024, 3, d));
  ASSERT_EQ(days.GetSelectedBlocksCount(), 1);
  EXPECT_EQ(days.GetSelectedBlock(0).nDateBegin, DayNumber(2024, 3, 5));
  EXPECT_EQ(days.GetSelectedBlock(0).nDateEnd, DayNumber(2024, 3, 8));

  ExpectWellFormed(days);
  days.RemoveDay(Date(2024, 3, 6));
  ExpectWellFormed(days);
  ASSERT_EQ(days.GetSelectedBlocksCount(), 2);
  EXPECT_EQ(days.GetSelectedBlock(0).nDateBegin, DayNumber(2024, 3, 5));
  EXPECT_EQ(days.GetSelectedBlock(0).nDateEnd, DayNumber(2024, 3, 6));
  EXPECT_EQ(days.GetSelectedBlock(1).nDateBegin, DayNumber(2024, 3, 7));
  EXPECT_EQ(days.GetSelectedBlock(1).nDateEnd, DayNumber(2024, 3, 8));
  EXPECT_EQ(days.GetSelectedDaysCount(), 2);
}

TEST(DatePickerDays, RandomOperationsMatchASetModel) {
  std::mt19937 rng(20240314);
  const int base = DayNumber(2024, 1, 1);
  std::uniform_int_distribution<int> offset(0, 60), op(0, 9);
  for (int round = 0; round < 40; ++round) {
    CTKDatePickerDaysCollection days(nullptr);
    std::set<int> model;
    for (int step = 0; step < 150; ++step) {
      const int a = base + offset(rng), b = base + offset(rng);
      switch (op(rng)) {
        case 0:
        case 1:
        case 2:
        case 3:
          days.AddDay(CTKDatePickerDaysCollection::DateOfDay(a));
          model.insert(a);
          break;
        case 4:
        case 5:
        case 6:
          days.RemoveDay(CTKDatePickerDaysCollection::DateOfDay(a));
          model.erase(a);
          break;
        case 7: {
          days.AddBlock(a, b);
          const auto r = Range(std::min(a, b), std::max(a, b));
          model.insert(r.begin(), r.end());
          break;
        }
        case 8:
          if (step % 10 == 0) {
            days.SelectRange(CTKDatePickerDaysCollection::DateOfDay(a), CTKDatePickerDaysCollection::DateOfDay(b));
            model = Range(std::min(a, b), std::max(a, b));
          }
          break;
        default:
          if (step % 15 == 0) {
            days.SelectDay(CTKDatePickerDaysCollection::DateOfDay(a));
            model = {a};
          }
          break;
      }
      ASSERT_EQ(Selected(days), model) << "round " << round << " step " << step;
      ExpectWellFormed(days);
      ASSERT_EQ(days.GetSelectedDaysCount(), static_cast<int>(model.size()));
      for (int d = base - 1; d <= base + 61; ++d)
        ASSERT_EQ(days.IsSelected(CTKDatePickerDaysCollection::DateOfDay(d)) != FALSE, model.count(d) == 1) << d;
      COleDateTime lo, hi;
      ASSERT_EQ(days.GetMinMax(lo, hi) != FALSE, !model.empty());
      if (!model.empty()) {
        EXPECT_EQ(CTKDatePickerDaysCollection::DayOf(lo), *model.begin());
        EXPECT_EQ(CTKDatePickerDaysCollection::DayOf(hi), *model.rbegin());
      }
    }
  }
}

TEST(DatePickerDays, SelectRangeOrdersTheDaysDropsTimeAndKeepsYearsInRange) {
  CTKDatePickerDaysCollection days(nullptr);
  days.SelectRange(COleDateTime(2024, 3, 10, 18, 0, 0), COleDateTime(2024, 3, 2, 6, 0, 0));
  EXPECT_EQ(Selected(days), Range(DayNumber(2024, 3, 2), DayNumber(2024, 3, 10)));

  // Years past 9999 keep their day and month in 9999.
  COleDateTime beyond(static_cast<DATE>(DayNumber(10000, 1, 5)));
  days.SelectRange(Date(9999, 12, 30), beyond);
  EXPECT_EQ(Selected(days), Range(DayNumber(9999, 1, 5), DayNumber(9999, 12, 30)));
}

TEST(DatePickerDays, DaysBeforeEighteenNinetyNineAreWholeDaysToo) {
  CTKDatePickerDaysCollection days(nullptr);
  days.AddDay(COleDateTime(1850, 6, 1, 12, 0, 0));
  EXPECT_TRUE(days.IsSelected(Date(1850, 6, 1)));
  EXPECT_FALSE(days.IsSelected(Date(1850, 6, 2)));
  EXPECT_FALSE(days.IsSelected(Date(1850, 5, 31)));
  EXPECT_EQ(days.GetSelectedBlock(0).nDateBegin, DayNumber(1850, 6, 1));
}

}  // namespace
