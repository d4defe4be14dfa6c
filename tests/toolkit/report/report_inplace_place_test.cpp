// Where the in-place editors open in a grid narrower than its columns: the
// last column runs past the grid's right edge, and its edit box, its combo
// button and its drop-down list must still lie where the user can see them.
#include <gtest/gtest.h>

#include <vector>

#include "platform/base/clock.h"
#include "platform/base/utf.h"
#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportinplacebutton.h"
#include "toolkit/report/reportinplaceedit.h"
#include "toolkit/report/reportinplacelist.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"

namespace {

constexpr int kScreenCx = 1280, kScreenCy = 1024, kTaskBar = 40;
constexpr int kGridCx = 560, kGridCy = 200;

class ReportInplacePlaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(kScreenCx, kScreenCy, kTaskBar);
  }
  void TearDown() override {
    delete control;
    control = nullptr;
    if (parent.m_hWnd) parent.DestroyWindow();
    pvtest::ResetDesktop();
  }
  // A grid whose columns add up to 610 pixels in a client 560 wide, its
  // last column a choice list with a combo button inside the cell.
  void Make(POINT at, DWORD scrollBars = WS_VSCROLL) {
    ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), u"Parent", WS_POPUP | WS_VISIBLE, at.x, at.y, kGridCx + 20,
                                kGridCy + 20, nullptr, nullptr));
    control = new CTKReportControl();
    ASSERT_TRUE(control->Create(WS_CHILD | WS_VISIBLE | scrollBars, CRect(0, 0, kGridCx, kGridCy), &parent, 100));
    control->GetReportHeader()->SetAutoColumnSizing(FALSE);
    const int widths[] = {190, 160, 100, 70, 90};
    for (int i = 0; i < 5; ++i) control->AddColumn(new CTKReportColumn(i, u"Column", widths[i]));
    CTKReportRecordItemEditOptions* options = Last()->GetEditOptions();
    options->m_bConstraintEdit = TRUE;
    for (LPCTSTR text : {u"5 minutes", u"15 minutes", u"30 minutes", u"1 hour", u"2 hours", u"3 hours", u"5 hours",
                         u"12 hours", u"day", u"week", u"month", u"year"})
      options->AddConstraint(text, 0);
    options->AddComboButton(TRUE);
    for (int r = 0; r < 6; ++r) {
      auto* record = new CTKReportRecord();
      for (int i = 0; i < 5; ++i) record->AddItem(new CTKReportRecordItemText(i == 4 ? u"5 minutes" : u"text"));
      control->AddRecord(record);
    }
    control->RebuildRows();
    control->AdjustScrollBars();
    control->AdjustLayout();
    control->SetAllowEdit(TRUE);
    control->m_bEditOnClick = FALSE;
    control->m_bEditOnDelayClick = TRUE;
    control->m_bEditOnDoubleClick = FALSE;
    control->RedrawControl();
    control->UpdateWindow();
    pv::test::PumpUntilIdle();
  }
  CTKReportColumn* Last() { return control->GetColumns()->GetAt(4); }
  CRect ClientOnScreen() {
    CRect rc;
    control->GetClientRect(&rc);
    control->ClientToScreen(&rc);
    return rc;
  }
  static CRect OnScreen(CWnd* w) {
    CRect rc;
    w->GetWindowRect(&rc);
    return rc;
  }
  static bool Within(const CRect& inner, const CRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
  }
  CRect Cell(int row, int item) {
    CTKReportRow* r = control->GetRows()->GetAt(row);
    return r->GetItemRect(r->GetRecord()->GetItem(item));
  }
  // Clicks the part of a cell the grid shows, twice apart, as a user starts
  // editing a focused cell.
  void StartEditing(int row, int item) {
    CRect cell = Cell(row, item);
    CRect client;
    control->GetClientRect(&client);
    cell.IntersectRect(cell, client);
    ASSERT_FALSE(cell.IsRectEmpty());
    CPoint pt = cell.CenterPoint();
    control->ClientToScreen(&pt);
    for (int i = 0; i < 2; ++i) {
      pv::test::Click(pt.x, pt.y);
      pv::test::PumpUntilIdle();
      pv::test::AdvanceAndPump(::GetDoubleClickTime() + 100);
    }
  }

  pv::FakeClockScope clock;
  CWnd parent;
  CTKReportControl* control = nullptr;
};

TEST_F(ReportInplacePlaceTest, TheEditorTheButtonAndTheListOfAClippedColumnStayInSight) {
  struct Case {
    const char* where;
    POINT at;  // the host's place on the screen
    int row;
  } cases[] = {
      {"top left", {0, 0}, 0},
      {"bottom right", {kScreenCx - kGridCx - 20, kScreenCy - kTaskBar - kGridCy - 20}, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    Make(c.at);
    CRect client;
    control->GetClientRect(&client);
    ASSERT_GT(Cell(c.row, 4).right, client.right) << "the last column runs past the grid";
    StartEditing(c.row, 4);
    ASSERT_TRUE(control->IsEditMode());
    client = ClientOnScreen();
    CTKReportInplaceEdit* edit = control->GetInplaceEdit();
    ASSERT_TRUE(edit->m_hWnd && edit->IsWindowVisible());
    EXPECT_TRUE(Within(OnScreen(edit), client)) << "edit " << OnScreen(edit).left << ".." << OnScreen(edit).right;
    CTKReportInplaceButton* combo = Last()->GetEditOptions()->GetButton(0);
    ASSERT_TRUE(combo->m_hWnd && combo->IsWindowVisible());
    const CRect button = OnScreen(combo);
    EXPECT_TRUE(Within(button, client)) << "button " << button.left << ".." << button.right;
    EXPECT_LE(OnScreen(edit).right, button.left);  // the text ends where the button begins

    // The button is where the user sees it: a click on it drops the list.
    pv::test::Click(button.CenterPoint().x, button.CenterPoint().y);
    pv::test::PumpUntilIdle();
    CTKReportInplaceList* list = control->GetInplaceList();
    ASSERT_TRUE(list->m_hWnd && list->IsWindowVisible());
    const CRect dropped = OnScreen(list);
    const CRect work(0, 0, kScreenCx, kScreenCy - kTaskBar);
    EXPECT_TRUE(Within(dropped, work)) << "list " << dropped.left << "," << dropped.top << ".." << dropped.right << ","
                                       << dropped.bottom;
    EXPECT_LE(dropped.right, client.right);
    EXPECT_GE(dropped.left, client.left);
    // Twelve entries in ten rows: a scroll bar, and beside it room for
    // every caption.
    CRect inside;
    list->GetClientRect(&inside);
    EXPECT_EQ(inside.Width(), dropped.Width() - 2 - ::GetSystemMetrics(SM_CXVSCROLL));
    {
      CClientDC dc(list);
      CFont* old = dc.SelectObject(list->GetFont());
      for (int i = 0; i < list->GetCount(); ++i) {
        CString caption;
        list->GetText(i, caption);
        EXPECT_LE(dc.GetTextExtent(caption).cx + 2, inside.Width()) << pv::Utf16ToUtf8(caption.GetString());
      }
      dc.SelectObject(old);
    }
    // And a click on its second entry chooses it.
    const int ih = list->GetItemHeight(0);
    const int first = list->GetTopIndex();
    const CPoint second(dropped.left + 10, dropped.top + 1 + (1 - first) * ih + ih / 2);
    pv::test::Click(second.x, second.y);
    pv::test::PumpUntilIdle();
    EXPECT_FALSE(list->m_hWnd);
    EXPECT_EQ(control->GetRows()->GetAt(c.row)->GetRecord()->GetItem(4)->GetCaption(Last()), CString(u"15 minutes"));
    control->EditItem(nullptr);
    delete control;
    control = nullptr;
    parent.DestroyWindow();
    pv::test::PumpUntilIdle();
  }
}

TEST_F(ReportInplacePlaceTest, ACellScrolledPartlyOutOnTheLeftIsEditedInThePartShown) {
  Make(POINT{0, 0}, WS_VSCROLL | WS_HSCROLL);
  // The user scrolls right with the arrow of the grid's bottom scroll bar
  // until the first column runs out on the left.
  CRect window;
  control->GetWindowRect(&window);
  const CPoint arrow(window.right - ::GetSystemMetrics(SM_CXVSCROLL) - ::GetSystemMetrics(SM_CXHSCROLL) / 2,
                     window.bottom - ::GetSystemMetrics(SM_CYHSCROLL) / 2);
  for (int i = 0; i < 40 && Cell(1, 0).left >= 0; ++i) {
    pv::test::Click(arrow.x, arrow.y);
    pv::test::PumpUntilIdle();
    pv::test::AdvanceAndPump(::GetDoubleClickTime() + 100);
  }
  ASSERT_LT(Cell(1, 0).left, 0);
  ASSERT_GT(Cell(1, 0).right, 20);
  StartEditing(1, 0);
  ASSERT_TRUE(control->IsEditMode());
  CTKReportInplaceEdit* edit = control->GetInplaceEdit();
  ASSERT_TRUE(edit->m_hWnd && edit->IsWindowVisible());
  CRect shown;
  edit->GetWindowRect(&shown);
  const CRect client = ClientOnScreen();
  EXPECT_GE(shown.left, client.left);
  EXPECT_LE(shown.right, client.right);
  // Typing replaces the text in sight; Enter keeps it.
  pv::test::Chord(FCONTROL, 'A');
  pv::test::TypeText(u"typed");
  pv::test::KeyPress(VK_RETURN);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(control->GetRows()->GetAt(1)->GetRecord()->GetItem(0)->GetCaption(control->GetColumns()->GetAt(0)),
            CString(u"typed"));
}

}  // namespace
