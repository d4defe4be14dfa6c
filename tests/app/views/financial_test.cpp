// The count form: items of a period listed and summed in double precision,
// the exclude check box and the delete button, and the double click that
// opens the task under its own work.
#include "app/views/financial.h"

#include "app/views/financialrecord.h"
#include "app/views/forms.h"
#include "app/resource.h"
#include "platform/window/test_input.h"
#include "toolkit/report/reportitemcontrols.h"
#include "toolkit/report/reportselectedrows.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "views_fixture.h"

namespace {

using viewstest::Narrow;

class CountFormTest : public viewstest::ViewsTest {
 protected:
  void SetUp() override {
    Start();
    work_ = AddWork(u"Shop", 1);
    day_ = AddTask(work_, u"Market", 1, COleDateTime(2012, 3, 5, 0, 0, 0));
    late_ = AddTask(work_, u"Late", 1, COleDateTime(2012, 3, 6, 10, 0, 0));
    Row(1, u"apples", 120.75, 0, day_);
    Row(2, u"100% juice", 0, 30.5, day_);
    Row(3, u"bags", 0, 2, late_);
    app_.OnOpenCount();
    CMDIChildWnd* child = Frame().MDIGetActive();
    view_ = child ? dynamic_cast<CFinancialView*>(child->GetActiveView()) : nullptr;
    ASSERT_NE(view_, nullptr);
  }
  void Row(int fiid, const char16_t* item, double income, double expenditure, int taid) {
    ASSERT_TRUE(
        Store().ExecuteSql(u"insert into financial (fiid,Item,income,expenditure,remarks,taid) values (?,?,?,?,'',?)",
                           {_variant_t(static_cast<long>(fiid)), CDataStore::TextValue(item), _variant_t(income),
                            _variant_t(expenditure), _variant_t(static_cast<long>(taid))}));
  }
  void Period(const COleDateTime& start, const COleDateTime& end, const char16_t* keyword) {
    view_->m_start = start;
    view_->m_end = end;
    view_->m_strKeyword = keyword;
    view_->UpdateData(FALSE);
  }
  int Rows() { return view_->m_wndItems.GetBodyRows()->GetCount(); }
  CTKReportRecord* RecordAt(int i) { return view_->m_wndItems.GetBodyRows()->GetAt(i)->GetRecord(); }
  std::string Shown(int id) {
    CString text;
    view_->GetDlgItemText(id, text);
    return Narrow(text);
  }
  int work_ = 0, day_ = 0, late_ = 0;
  CFinancialView* view_ = nullptr;
};

TEST_F(CountFormTest, SearchSumsInDoubleAndShowsWholeNumbers) {
  Period(COleDateTime(2012, 3, 5, 8, 0, 0), COleDateTime(2012, 3, 6, 8, 0, 0), u"");
  view_->OnSearch();
  // The task at 10:00 on the end day is not in the period.
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Narrow(RecordAt(0)->GetItem(1)->GetCaption(nullptr)), "121");
  EXPECT_DOUBLE_EQ(view_->m_dIncome, 120.75);
  EXPECT_DOUBLE_EQ(view_->m_dExpenditure, 30.5);
  EXPECT_FLOAT_EQ(view_->m_fTotal, 90.25f);
  EXPECT_EQ(Shown(1039), "120.75");
  EXPECT_EQ(Shown(1041), "90.25");
  EXPECT_EQ(RecordAt(0)->GetItem(5)->GetItemControls()->GetCount(), 1);

  // Exclude toggles the row out of the sums and back.
  CTKReportRecordItem* exclude = RecordAt(0)->GetItem(4);
  ReportItemNotify notify{};
  notify.pItem = exclude;
  LRESULT result = 0;
  exclude->SetChecked(TRUE);
  view_->OnExcludeChecked(&notify.hdr, &result);
  EXPECT_DOUBLE_EQ(view_->m_dIncome, 0);
  EXPECT_EQ(Shown(1041), "-30.5");
  exclude->SetChecked(FALSE);
  view_->OnExcludeChecked(&notify.hdr, &result);
  EXPECT_DOUBLE_EQ(view_->m_dIncome, 120.75);

  // A keyword is matched literally; Add appends and lists items twice.
  Period(COleDateTime(2012, 3, 5, 0, 0, 0), COleDateTime(2012, 3, 7, 0, 0, 0), u"100%");
  view_->OnAdd();
  ASSERT_EQ(Rows(), 3);
  EXPECT_DOUBLE_EQ(view_->m_dExpenditure, 61);
  EXPECT_EQ(static_cast<CTKReportRecordItemNumber*>(RecordAt(2)->GetItem(7))->GetValue(), 2);

  Period(COleDateTime(2012, 3, 5, 0, 0, 0), COleDateTime(2012, 3, 7, 0, 0, 0), u"");
  view_->OnSearch();
  EXPECT_EQ(Rows(), 3) << "Search starts a new list";
  view_->OnClear();
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(Shown(1039), "0");
  viewstest::RawDb raw(folder_.Database());
  EXPECT_EQ(raw.One("select count(*) from financial"), "3") << "the form never deletes";
}

TEST_F(CountFormTest, SumsDoNotLoseUnitsASingleWould) {
  const int big = AddTask(work_, u"Big", 1, COleDateTime(2012, 4, 1, 0, 0, 0));
  Row(10, u"large", 16777216, 0, big);  // 2^24: a single's last whole step
  Row(11, u"small", 1, 0, big);
  Period(COleDateTime(2012, 4, 1, 0, 0, 0), COleDateTime(2012, 4, 1, 0, 0, 0), u"");
  view_->OnSearch();
  ASSERT_EQ(Rows(), 2);
  EXPECT_DOUBLE_EQ(view_->m_dIncome, 16777217.0);
}

TEST_F(CountFormTest, ExcludeSortsUncheckedFirst) {
  CFinancialExcludeItemCheck on(TRUE), off(FALSE);
  EXPECT_GT(on.Compare(nullptr, &off), 0);
  EXPECT_LT(off.Compare(nullptr, &on), 0);
  EXPECT_FALSE(on.IsEditable());
}

TEST_F(CountFormTest, DoubleClickOpensTheTaskUnderItsOwnWork) {
  const int other = AddWork(u"v1.2 plan", 1);
  RefillWorkTree();
  RefillDateTree();
  Frame().m_nItemId = other;
  Frame().m_strItemText = u"v1.2 plan";
  Period(COleDateTime(2012, 3, 5, 0, 0, 0), COleDateTime(2012, 3, 5, 0, 0, 0), u"apples");
  view_->OnSearch();
  ASSERT_EQ(Rows(), 1);
  view_->m_wndItems.GetSelectedRows()->Select(view_->m_wndItems.GetBodyRows()->GetAt(0));
  NMHDR hdr{};
  LRESULT result = 0;
  view_->OnItemDblClk(&hdr, &result);
  EXPECT_EQ(Frame().m_nRecordId, day_);
  EXPECT_EQ(Frame().m_nItemId, work_);
  EXPECT_EQ(Narrow(Frame().m_strItemText), "Shop");
  EXPECT_FALSE(Frame().m_bOpeningTask);
}

TEST_F(CountFormTest, TheDeleteButtonOfARowRemovesItByAClick) {
  Period(COleDateTime(2012, 3, 5, 0, 0, 0), COleDateTime(2012, 3, 7, 0, 0, 0), u"");
  view_->OnSearch();
  ASSERT_EQ(Rows(), 3);
  CFileReportControl& grid = view_->m_wndItems;
  // The form's window fills the desktop: no part of the grid is clipped.
  Frame().ShowWindow(SW_MAXIMIZE);
  grid.GetParentFrame()->ShowWindow(SW_MAXIMIZE);
  pv::test::PumpUntilIdle();
  grid.AdjustLayout();
  grid.RedrawControl();
  grid.UpdateWindow();
  pv::test::PumpUntilIdle();
  CTKReportRecord* second = RecordAt(1);
  const double income = static_cast<CTKReportRecordItemNumber*>(second->GetItem(1))->GetValue();
  const double expenditure = static_cast<CTKReportRecordItemNumber*>(second->GetItem(2))->GetValue();
  const double total = view_->m_dIncome - view_->m_dExpenditure;
  CTKReportRecordItemControl* button = second->GetItem(5)->GetItemControls()->GetAt(0);
  const CRect rc(button->GetRect());
  ASSERT_FALSE(rc.IsRectEmpty()) << "the painting lays the button out";
  EXPECT_EQ(rc.Width(), 35);
  // The button's face is on screen.
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE) & 0xFFFFFF;
  EXPECT_EQ(pv::test::WindowPixel(grid.m_hWnd, rc.CenterPoint().x, rc.CenterPoint().y) & 0xFFFFFF, face);
  CPoint pt = rc.CenterPoint();
  grid.ClientToScreen(&pt);
  // The form's group box lies over the grid; the click goes through it.
  EXPECT_EQ(::WindowFromPoint(pt), grid.m_hWnd);
  pv::test::Click(pt.x, pt.y);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(Rows(), 2);
  EXPECT_DOUBLE_EQ(view_->m_dIncome - view_->m_dExpenditure, total - income + expenditure);
}

// The date boxes by mouse and keys: a click puts the keyboard in the start
// box, Up and Down step its date, the box shows it and Search (clicked) uses it.
TEST_F(CountFormTest, TheStartBoxStepsWithTheArrowKeysAndSearchUsesIt) {
  Period(COleDateTime(2012, 3, 6, 0, 0, 0), COleDateTime(2012, 3, 7, 0, 0, 0), u"");
  Frame().ShowWindow(SW_MAXIMIZE);
  view_->GetParentFrame()->ShowWindow(SW_MAXIMIZE);
  pv::test::PumpUntilIdle();
  HWND start = view_->GetDlgItem(IDC_COUNT_START)->m_hWnd;
  auto clickCentre = [](HWND h, int x = -1) {
    RECT r;
    ::GetClientRect(h, &r);
    pv::test::ClickClient(h, x >= 0 ? x : r.right / 2, r.bottom / 2);
    pv::test::PumpUntilIdle();
  };
  // What the start box shows: its text and its face, left of its button.
  auto face = [start] {
    std::vector<COLORREF> pixels;
    RECT r;
    ::GetClientRect(start, &r);
    for (int y = 0; y < r.bottom; ++y)
      for (int x = 0; x < r.right - ::GetSystemMetrics(SM_CXVSCROLL); ++x)
        pixels.push_back(pv::test::WindowPixel(start, x, y));
    return pixels;
  };
  auto search = [&] {
    clickCentre(view_->GetDlgItem(IDC_COUNT_SEARCH)->m_hWnd);
    return Rows();
  };
  EXPECT_EQ(search(), 1);  // from 6 March: the task of 6 March at 10:00
  clickCentre(start, 6);   // on the date's first field
  ASSERT_EQ(::GetFocus(), start);
  const std::string before = pv::Utf16ToUtf8(pv::WindowText(start));
  const std::vector<COLORREF> beforeFace = face();
  // One step back: 5 March or 6 February, as the first field is the day or
  // the month; either way the task of 5 March at midnight joins.
  pv::test::KeyPress(VK_DOWN);
  pv::test::PumpUntilIdle();
  const std::string back = pv::Utf16ToUtf8(pv::WindowText(start));
  EXPECT_NE(back, before);
  EXPECT_NE(face(), beforeFace);
  EXPECT_EQ(search(), 3);
  const std::string used = Narrow(view_->m_start.Format(u"%Y-%m-%d"));
  EXPECT_TRUE(used == "2012-03-05" || used == "2012-02-06") << used;
  // Back up to where it was, then one more: past both tasks.
  clickCentre(start, 6);
  pv::test::KeyPress(VK_UP);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pv::Utf16ToUtf8(pv::WindowText(start)), before);
  EXPECT_EQ(face(), beforeFace);
  pv::test::KeyPress(VK_UP);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(search(), 0);
  EXPECT_GT(view_->m_start, COleDateTime(2012, 3, 6, 0, 0, 0));
}

}  // namespace
