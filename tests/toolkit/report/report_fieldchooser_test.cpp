// The field chooser list of hidden columns.
#include "platform/controls/commctrl.h"
#include "report_control_test_support.h"
#include "toolkit/report/reportfieldchooser.h"

namespace {

class FieldChooserTest : public ReportControlTest {
 protected:
  void SetUp() override {
    ReportControlTest::SetUp();
    pv::controls::RegisterStandardControls();
    Make(400, 200, {50, 50, 50, 50}, 0, 0);
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LBS_HASSTRINGS, CRect(400, 0, 600, 200), &parent, 7));
    Header()->SetFieldChooser(&list);
  }
  void TearDown() override {
    Header()->SetFieldChooser(nullptr);
    list.DestroyWindow();
    ReportControlTest::TearDown();
  }
  std::vector<CString> Texts() {
    std::vector<CString> out;
    for (int i = 0; i < list.GetCount(); i++) out.push_back(list.GetItemText(i));
    return out;
  }
  CTKReportFieldChooserList list;
};

TEST_F(FieldChooserTest, HiddenColumnsComeAndGo) {
  EXPECT_TRUE(Texts().empty());
  EXPECT_FALSE(list.IsWindowEnabled());
  Col(2)->SetVisible(FALSE);
  ASSERT_EQ(Texts(), std::vector<CString>{CString(u"Column 2")});
  EXPECT_TRUE(list.IsWindowEnabled());
  EXPECT_EQ(list.GetItemColumn(0), Col(2));
  EXPECT_EQ(list.FindItemByIndex(2), 0);
  Col(3)->SetShowInFieldChooser(FALSE);
  Col(3)->SetVisible(FALSE);
  EXPECT_EQ(Texts().size(), 1u);  // never listed
  Col(2)->SetVisible(TRUE);
  EXPECT_TRUE(Texts().empty());
  EXPECT_FALSE(list.IsWindowEnabled());
}

TEST_F(FieldChooserTest, SortedListInsertsByCaption) {
  list.SetSorted(TRUE);
  Col(0)->SetCaption(u"Banana");
  Col(1)->SetCaption(u"Apple");
  Col(2)->SetCaption(u"Cherry");
  Col(3)->SetCaption(u"Banana");
  Col(0)->SetVisible(FALSE);
  Col(2)->SetVisible(FALSE);
  Col(1)->SetVisible(FALSE);
  EXPECT_EQ(Texts(), (std::vector<CString>{u"Apple", u"Banana", u"Cherry"}));
  Col(3)->SetVisible(FALSE);
  EXPECT_EQ(Texts(), (std::vector<CString>{u"Apple", u"Banana", u"Banana", u"Cherry"}));
  EXPECT_EQ(list.GetItemColumn(1), Col(0));  // the one listed first stays first
  EXPECT_EQ(list.GetItemColumn(2), Col(3));
}

}  // namespace
