// Where a control dragged in customise mode would land: the nearest visible
// customisable control, before or after it, and the marker drawn there.
#include <gtest/gtest.h>

#include "tests/toolkit/commandbars/cbtest_support.h"

namespace {

using cbtest::CommandBarsFixture;
using cbtest::TestBar;

// A drop at the point, and where it lands.
struct Drop {
  CPoint point;
  int nIndex;
  BOOL bAfter;
  CRect marker;
};

class InsertPositionTest : public CommandBarsFixture {
 protected:
  template <size_t N>
  static void ExpectDrops(TestBar& bar, const Drop (&drops)[N]) {
    for (const Drop& d : drops) {
      CRect rcMarker;
      int nIndex = -2;
      BOOL bAfter = -1;
      bar.FindInsertPosition(nullptr, d.point, rcMarker, nIndex, bAfter);
      EXPECT_EQ(nIndex, d.nIndex) << d.point.x << "," << d.point.y;
      EXPECT_EQ(bAfter, d.bAfter) << d.point.x << "," << d.point.y;
      EXPECT_EQ(rcMarker, d.marker) << d.point.x << "," << d.point.y;
    }
  }
  // Controls at the rectangles, in one row (or column) unless wrapped.
  void Place(TestBar& bar, std::initializer_list<CRect> rects) {
    for (const CRect& rc : rects) {
      CTKControl* pControl = bar.GetControls()->AddByType(TKControlType::Button, 1);
      pControl->SetRect(rc);
      pControl->SetRowRect(rc);
    }
  }
};

TEST_F(InsertPositionTest, AHorizontalBarMeasuresAlongX) {
  TestBar bar;
  Place(bar, {CRect(0, 0, 30, 22), CRect(30, 0, 60, 22), CRect(60, 0, 90, 22)});
  bar.GetControl(2)->SetBeginGroup(TRUE);
  const Drop cases[] = {
      {{5, 10}, 0, FALSE, {0, 0, 6, 22}},    {{20, 10}, 0, TRUE, {30, 0, 36, 22}},
      {{50, 10}, 1, TRUE, {54, 0, 60, 22}},  // the next control begins a group
      {{80, 10}, 2, TRUE, {84, 0, 90, 22}},  // the last control
      {{62, 10}, 2, FALSE, {60, 0, 66, 22}},
  };
  ExpectDrops(bar, cases);
  // On the dragged control itself there is no marker.
  CRect rcMarker;
  int nIndex = -2;
  BOOL bAfter = FALSE;
  bar.FindInsertPosition(bar.GetControl(1), CPoint(40, 10), rcMarker, nIndex, bAfter);
  EXPECT_EQ(nIndex, 1);
  EXPECT_TRUE(rcMarker.IsRectEmpty());
}

TEST_F(InsertPositionTest, APopupMeasuresAlongYAndSkipsWhatCannotMove) {
  TestBar bar(TKBarType::Popup, TKBarPosition::Popup);
  Place(bar, {CRect(0, 0, 100, 20), CRect(0, 20, 100, 40), CRect(0, 40, 100, 60)});
  bar.GetControl(1)->SetFlags(kTKControlFlagNoMovable);
  const Drop cases[] = {
      {{50, 2}, 0, FALSE, {0, 0, 100, 6}},
      {{50, 15}, 0, TRUE, {0, 20, 100, 26}},
      {{50, 31}, 2, FALSE, {0, 40, 100, 46}},  // the fixed control takes no part
      {{50, 55}, 2, TRUE, {0, 54, 100, 60}},
  };
  ExpectDrops(bar, cases);
}

TEST_F(InsertPositionTest, AWrappedRowBelowThePointEndsTheSearch) {
  TestBar bar;
  Place(bar, {CRect(0, 0, 30, 22), CRect(40, 22, 70, 44)});
  bar.GetControl(1)->SetWrap(TRUE);
  CRect rcMarker;
  int nIndex = -2;
  BOOL bAfter = FALSE;
  bar.FindInsertPosition(nullptr, CPoint(60, 10), rcMarker, nIndex, bAfter);
  EXPECT_EQ(nIndex, 0);  // nearer to the wrapped control, but above its row
  bar.FindInsertPosition(nullptr, CPoint(60, 30), rcMarker, nIndex, bAfter);
  EXPECT_EQ(nIndex, 1);
  EXPECT_TRUE(bAfter);
}

TEST_F(InsertPositionTest, AVerticalBarSearchesTheColumnUnderThePoint) {
  TestBar bar(TKBarType::Normal, TKBarPosition::Left);
  Place(bar, {CRect(0, 0, 22, 30), CRect(22, 0, 44, 30)});
  bar.GetControl(1)->SetWrap(TRUE);
  CRect rcMarker;
  int nIndex = -2;
  BOOL bAfter = FALSE;
  bar.FindInsertPosition(nullptr, CPoint(5, 25), rcMarker, nIndex, bAfter);
  EXPECT_EQ(nIndex, 0);  // the next column lies right of the point
  EXPECT_EQ(rcMarker, CRect(0, 30, 22, 36));
  bar.FindInsertPosition(nullptr, CPoint(30, 5), rcMarker, nIndex, bAfter);
  EXPECT_EQ(nIndex, 1);  // a new column: the race starts again
  EXPECT_FALSE(bAfter);
}

TEST_F(InsertPositionTest, WithoutControlsTheMarkerSitsAtTheStart) {
  TestBar bar;
  CRect rcClient;
  bar.GetClientRect(&rcClient);
  CRect rcMarker;
  int nIndex = 0;
  BOOL bAfter = FALSE;
  bar.FindInsertPosition(nullptr, CPoint(50, 10), rcMarker, nIndex, bAfter);
  EXPECT_EQ(nIndex, -1);
  EXPECT_TRUE(bAfter);
  EXPECT_EQ(rcMarker, CRect(2, 2, 8, rcClient.Height() - 2));
  bar.SetType(TKBarType::Ribbon);
  bar.FindInsertPosition(nullptr, CPoint(50, 10), rcMarker, nIndex, bAfter);
  EXPECT_TRUE(rcMarker.IsRectEmpty());
}

}  // namespace
