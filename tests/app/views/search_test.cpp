// The enquiry form: every range kind, keywords matched literally, the date
// keyword parsed by the program, and the double click that opens the
// result's task.
#include "app/views/search.h"

#include "app/views/enquirysql.h"
#include "app/views/planstore.h"
#include "app/views/planthings.h"
#include "app/resource.h"
#include "platform/window/test_input.h"
#include "tests/toolkit/common/input_test_support.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportselectedrows.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "views_fixture.h"

namespace {

using viewstest::Narrow;

class SearchFormTest : public viewstest::ViewsTest {
 protected:
  void SetUp() override {
    Start();
    work_ = AddWork(u"Garden", 1);
    plan_ = AddTask(work_, u"Plan 50% cut", 1, COleDateTime(2012, 2, 5, 0, 0, 0));
    other_ = AddTask(work_, u"Plan 5 cuts_x", 2, COleDateTime(2012, 2, 5, 9, 30, 0));
    obrien_ = AddTask(work_, u"O'Brien visit", 1, COleDateTime(2012, 2, 6, 0, 0, 0));
    RawExec("update task set personnel='Ann', place='Shed', brief='under [the] roof' where taid=" +
            std::to_string(plan_));
    RawExec("insert into files (filename,extendionname,taid) values ('report.final','doc'," + std::to_string(other_) +
            ")");
    InsertReminder(Store(), other_, COleDateTime(2012, 2, 5, 8, 0, 0));
    RawExec("update remind set content='call 100%'");
    RefillWorkTree();
    RefillDateTree();
  }
  CSearchView* Open(const char16_t* range, const char16_t* keyword) {
    Frame().m_strEnquiryRange = range;
    Frame().m_strEnquiryKeyword = keyword;
    app_.OpenEnquiryView();
    CMDIChildWnd* child = Frame().MDIGetActive();
    return child ? dynamic_cast<CSearchView*>(child->GetActiveView()) : nullptr;
  }
  // The task ids listed, in order.
  std::vector<int> Listed(CSearchView* view) {
    std::vector<int> ids;
    CTKReportRows* rows = view->m_wndResults.GetBodyRows();
    for (int i = 0; rows && i < rows->GetCount(); ++i) {
      auto* item = dynamic_cast<CTKReportRecordItemVariant*>(rows->GetAt(i)->GetRecord()->GetItem(0));
      ids.push_back(item ? static_cast<int>(item->GetValue().lVal) : -1);
    }
    return ids;
  }
  int EnquiryForms() {
    int count = 0;
    for (CWnd* w = Frame().GetWindow(GW_CHILD); w; w = w->GetNextWindow())
      for (CWnd* c = w->GetWindow(GW_CHILD); c; c = c->GetNextWindow())
        if (auto* f = dynamic_cast<CFrameWnd*>(c); f && dynamic_cast<CSearchView*>(f->GetActiveView())) ++count;
    return count;
  }
  int work_ = 0, plan_ = 0, other_ = 0, obrien_ = 0;
};

TEST_F(SearchFormTest, EachRangeKindListsItsMatchesLiterally) {
  struct Case {
    const char16_t* range;
    const char16_t* keyword;
    std::vector<int> want;
  };
  const std::vector<Case> cases = {
      {u"tasktitle", u"plan", {plan_, other_}},
      {u"tasktitle", u"50%", {plan_}},   // % is no wildcard
      {u"tasktitle", u"s_x", {other_}},  // nor is _
      {u"tasktitle", u"5_", {}},
      {u"tasktitle", u"O'Brien", {obrien_}},  // a quote is a value
      {u"personnel", u"ann", {plan_}},
      {u"place", u"hed", {plan_}},
      {u"brief", u"[the]", {plan_}},
      {u"Task RemindDate,like:20120205", u"20120205", {plan_}},  // midnight only
      {u"Task RemindDate,like:20120205", u"2012-02-06", {obrien_}},
      {u"filename", u"final", {other_}},
      {u"Remind RemindDate,like:20120205", u"20120205", {other_}},
      {u"content", u"100%", {other_}},
      {u"content", u"1000", {}},
  };
  for (const Case& c : cases) {
    CSearchView* view = Open(c.range, c.keyword);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(Listed(view), c.want) << Narrow(c.range) << " / " << Narrow(c.keyword);
    EXPECT_EQ(boxes_.Shown().size(), 0u) << Narrow(c.range);
    CString heading;
    view->GetDlgItemText(1063, heading);
    EXPECT_EQ(heading, CString(u"\u67e5\u8be2\u7ed3\u679c:") + c.keyword);
    EXPECT_EQ(view->GetDocument()->GetTitle(), CString(c.keyword));
  }
  // The three ids are hidden.
  CSearchView* view = Open(u"tasktitle", u"plan");
  EXPECT_FALSE(view->m_wndResults.GetColumns()->Find(0)->IsVisible());
  EXPECT_FALSE(view->m_wndResults.GetColumns()->Find(2)->IsVisible());
  EXPECT_TRUE(view->m_wndResults.GetColumns()->Find(3)->IsVisible());
}

TEST_F(SearchFormTest, ADateKeywordThatIsNoDayIsRefusedWithAMessage) {
  for (const char16_t* bad : {u"2012-02-30", u"2012025", u"20121305", u"5 Feb 2012"}) {
    boxes_.Clear();
    CSearchView* view = Open(u"Task RemindDate,like:20120205", bad);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(Listed(view).empty());
    ASSERT_EQ(boxes_.Shown().size(), 1u) << Narrow(bad);
    EXPECT_EQ(boxes_.Last().caption, u"Prompt");
  }
  COleDateTime day;
  ASSERT_TRUE(ParseEnquiryDate(u" 2012-02-29 ", day));
  EXPECT_EQ(Narrow(day.Format(u"%Y-%m-%d %H:%M:%S")), "2012-02-29 00:00:00");
  EXPECT_FALSE(ParseEnquiryDate(u"20130229", day));
}

TEST_F(SearchFormTest, TheEnquiryCommandRefusesADateThatIsNoDayWithoutOpeningAResultWindow) {
  struct Case {
    const char16_t* keyword;
    int boxes;  // refusals shown
    int forms;  // result windows opened
  };
  const Case cases[] = {{u"2012-02-30", 1, 0}, {u"5 Feb 2012", 1, 0}, {u"20120205", 0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.keyword));
    boxes_.Clear();
    const int before = EnquiryForms();
    // The range list from the keyboard (the fourth range is the task's
    // date), the keyword, Enter; Escape leaves a dialog that stayed open.
    for (int i = 0; i < 4; ++i) pv::test::KeyPress(VK_DOWN);
    pv::test::KeyPress(VK_TAB);
    pv::test::TypeText(c.keyword);
    pv::test::KeyPress(VK_RETURN);
    if (c.boxes) pv::test::KeyPress(VK_ESCAPE);
    const int dryBefore = pv::test::DryCancelCount();
    Frame().SendMessage(WM_COMMAND, ID_OPEN_ENQUIRY, 0);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(pv::test::DryCancelCount(), dryBefore);  // ended by the user's keys
    ASSERT_EQ(static_cast<int>(boxes_.Shown().size()), c.boxes);
    if (c.boxes)
      EXPECT_NE(boxes_.Last().text.find(u"is no date"), std::u16string::npos) << pv::Utf16ToUtf8(boxes_.Last().text);
    EXPECT_EQ(EnquiryForms() - before, c.forms);
  }
}

TEST_F(SearchFormTest, DoubleClickOpensTheResultsTaskOrActivatesItsForm) {
  CSearchView* view = Open(u"filename", u"final");
  ASSERT_NE(view, nullptr);
  CTKReportRows* rows = view->m_wndResults.GetBodyRows();
  ASSERT_EQ(rows->GetCount(), 1);
  view->m_wndResults.GetSelectedRows()->Select(rows->GetAt(0));
  NMHDR hdr{};
  LRESULT result = 0;
  view->OnResultDblClk(&hdr, &result);
  CMDIChildWnd* child = Frame().MDIGetActive();
  auto* plan = child ? dynamic_cast<CPlanThingsView*>(child->GetActiveView()) : nullptr;
  ASSERT_NE(plan, nullptr);
  EXPECT_EQ(plan->m_nTaskId, other_);
  EXPECT_EQ(Narrow(plan->m_strTitle), "Plan 5 cuts_x");
  EXPECT_EQ(Frame().m_nRecordId, other_);
  EXPECT_EQ(static_cast<LPARAM>(Frame().m_wndWorkTree.GetItemData(Frame().m_hWorkTreeItem)), -other_);
  EXPECT_FALSE(Frame().m_bOpeningTask);
  EXPECT_FALSE(app_.m_openExistingTask);

  // Again: the open form is activated, no second one is made.
  Frame().MDIActivate(view->GetParentFrame());
  view->OnResultDblClk(&hdr, &result);
  EXPECT_EQ(Frame().MDIGetActive(), plan->GetParentFrame());
  int forms = 0;
  for (CWnd* w = Frame().MDIGetActive()->GetParent()->GetWindow(GW_CHILD); w; w = w->GetNextWindow())
    if (auto* f = dynamic_cast<CFrameWnd*>(w); f && dynamic_cast<CPlanThingsView*>(f->GetActiveView())) ++forms;
  EXPECT_EQ(forms, 1);
}

// The range list by mouse, as a user picks it: the arrow opens the list, a
// click on its second entry chooses it, and the enquiry runs on that range.
class SearchRangeByMouseTest : public SearchFormTest {
 protected:
  // What the range box shows: its face row by row, left of the arrow.
  static std::vector<COLORREF> Face(HWND combo) {
    std::vector<COLORREF> pixels;
    RECT r;
    ::GetClientRect(combo, &r);
    for (int y = 2; y < r.bottom - 2; ++y)
      for (int x = 2; x < r.right - ::GetSystemMetrics(SM_CXVSCROLL) - 2; ++x)
        pixels.push_back(pv::test::WindowPixel(combo, x, y));
    return pixels;
  }
  pv::FakeClockScope clock_{2012, 2, 10, 9, 0, 0};
};

TEST_F(SearchRangeByMouseTest, AClickOnTheSecondEntryOfTheOpenListChoosesIt) {
  HWND ranges = nullptr;
  bool dropped = false, closed = false;
  LRESULT chosen = CB_ERR;
  std::u16string shown;
  std::vector<COLORREF> hintFace, mouseFace, keyFace;
  tktest::ScriptTicker script({
      [&] {
        HWND dialog = ::GetActiveWindow();
        ranges = dialog ? ::GetDlgItem(dialog, IDC_ENQUIRY_RANGE) : nullptr;
        if (!ranges) return;
        hintFace = Face(ranges);
        RECT r;
        ::GetClientRect(ranges, &r);
        pv::test::ClickClient(ranges, r.right - 6, r.bottom / 2);  // the arrow
      },
      [&] {
        if (!ranges) return;
        dropped = ::SendMessage(ranges, CB_GETDROPPEDSTATE, 0, 0) != 0;
        // The second entry of the list hanging below the face.
        RECT r;
        ::GetWindowRect(ranges, &r);
        const int ih = static_cast<int>(::SendMessage(ranges, CB_GETITEMHEIGHT, 0, 0));
        pv::test::MouseMove(r.left + 20, r.bottom + 1 + ih + ih / 2);
        pv::test::Click(r.left + 20, r.bottom + 1 + ih + ih / 2);
      },
      [&] {
        if (!ranges) return;
        closed = ::SendMessage(ranges, CB_GETDROPPEDSTATE, 0, 0) == 0;
        chosen = ::SendMessage(ranges, CB_GETCURSEL, 0, 0);
        WCHAR text[64] = {};
        ::GetWindowText(ranges, text, 64);
        shown = text;
        mouseFace = Face(ranges);
        // Down and back Up: the same entry chosen by the keyboard.
        pv::test::KeyPress(VK_DOWN);
        pv::test::KeyPress(VK_UP);
      },
      [&] {
        if (!ranges) return;
        keyFace = Face(ranges);
        pv::test::KeyPress(VK_TAB);
        pv::test::TypeText(u"Plan");
        pv::test::KeyPress(VK_RETURN);
      },
  });
  const int dryBefore = pv::test::DryCancelCount();
  Frame().SendMessage(WM_COMMAND, ID_OPEN_ENQUIRY, 0);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(script.StepsRun(), 4u);
  ASSERT_NE(ranges, nullptr);
  EXPECT_TRUE(dropped);
  EXPECT_TRUE(closed);
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(Narrow(shown.c_str()), Narrow(kEnquiryRanges[0]));
  EXPECT_NE(mouseFace, hintFace);  // the box shows the choice, not the hint
  EXPECT_EQ(mouseFace, keyFace);
  EXPECT_EQ(pv::test::DryCancelCount(), dryBefore);  // ended by the user's Enter
  EXPECT_TRUE(boxes_.Shown().empty());
  EXPECT_EQ(Narrow(Frame().m_strEnquiryRange), "tasktitle");
  CMDIChildWnd* child = Frame().MDIGetActive();
  auto* view = child ? dynamic_cast<CSearchView*>(child->GetActiveView()) : nullptr;
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(Listed(view), (std::vector<int>{plan_, other_}));
}

}  // namespace
