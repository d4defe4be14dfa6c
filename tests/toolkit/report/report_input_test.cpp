// The report grid's interaction driven by scripted input on the fake clock:
// clicks and keys against the selection, the delayed edit, in-place editing
// with validation, the choice list, spin buttons, check boxes, in-cell
// buttons and hyperlinks.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/utf.h"
#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reporthyperlink.h"
#include "toolkit/report/reportinplacebutton.h"
#include "toolkit/report/reportinplaceedit.h"
#include "toolkit/report/reportinplacelist.h"
#include "toolkit/report/reportitemcontrols.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportselectedrows.h"

namespace {

using pv::test::Button;

// A text item that refuses any text holding an 'x' and counts the offers.
class GuardedItem : public CTKReportRecordItemText {
 public:
  explicit GuardedItem(LPCTSTR text) : CTKReportRecordItemText(text) {}
  BOOL OnValidateEdit(TK_REPORTRECORDITEM_ARGS*, CString& text) override {
    ++offers;
    return text.Find(u'x') < 0;
  }
  int offers = 0;
};

struct Notice {
  int code;
  CTKReportRow* row;
  CTKReportRecordItem* item;
  int link;
  void* extra;  // the in-cell control of -83
};

class Recorder : public CWnd {
 public:
  std::vector<Notice> notices;
  BOOL cancelChecking = FALSE;
  BOOL cancelKeys = FALSE;

  int Count(int code) const {
    int n = 0;
    for (const Notice& notice : notices) n += notice.code == code;
    return n;
  }
  const Notice* Last(int code) const {
    for (auto it = notices.rbegin(); it != notices.rend(); ++it)
      if (it->code == code) return &*it;
    return nullptr;
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_NOTIFY) return CWnd::WindowProc(message, wParam, lParam);
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    const int code = static_cast<int>(hdr->code);
    Notice n{code, nullptr, nullptr, -1, nullptr};
    switch (code) {
      case TK_NM_REPORT_CLICK:
      case TK_NM_REPORT_CHECKED:
      case TK_NM_REPORT_HYPERLINK:
      case TK_NM_REPORT_VALUECHANGED:
      case TK_NM_REPORT_EDIT_CANCELED:
      case TK_NM_REPORT_BEGINEDIT:
      case TK_NM_REPORT_ITEMCHECKING: {
        auto* nm = reinterpret_cast<ReportItemNotify*>(lParam);
        n.row = nm->pRow;
        n.item = nm->pItem;
        n.link = nm->nHyperlink;
        if (code == TK_NM_REPORT_ITEMCHECKING && cancelChecking)
          reinterpret_cast<TK_NM_REPORTITEMCHECKING*>(lParam)->bCancel = TRUE;
        break;
      }
      case TK_NM_REPORT_ITEMBUTTONCLICK: {
        auto* nm = reinterpret_cast<TK_NM_REPORTITEMCONTROL*>(lParam);
        n.item = nm->pItem;
        n.extra = nm->pItemControl;
        break;
      }
      case TK_NM_REPORT_PREVIEWKEYDOWN:
        if (cancelKeys) reinterpret_cast<TK_NM_REPORTPREVIEWKEYDOWN*>(lParam)->bCancel = TRUE;
        break;
      default:
        break;
    }
    notices.push_back(n);
    return 0;
  }
};

class ReportInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1280, 1024, 40);
    ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), u"Parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480,
                                nullptr, nullptr));
    control = new CTKReportControl();
    ASSERT_TRUE(control->Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL, CRect(0, 0, 600, 400), &parent, 100));
    for (int i = 0; i < 3; i++) {
      CString caption;
      caption.Format(u"Column %d", i);
      control->AddColumn(new CTKReportColumn(i, caption, 150));
    }
    for (int r = 0; r < 10; r++) {
      auto* record = new CTKReportRecord();
      for (int i = 0; i < 3; i++) {
        CString text;
        text.Format(u"r%d c%d", r, i);
        if (i == 1) record->AddItem(new GuardedItem(text));
        else record->AddItem(new CTKReportRecordItemText(text));
      }
      control->AddRecord(record);
    }
    control->RebuildRows();
    control->AdjustScrollBars();
    Paint();
    control->SetFocus();
    pv::test::PumpUntilIdle();
  }
  void TearDown() override {
    delete control;
    control = nullptr;
    parent.DestroyWindow();
    pvtest::ResetDesktop();
  }
  void Paint() {
    control->AdjustLayout();
    control->RedrawControl();
    control->UpdateWindow();
  }
  CTKReportRow* Row(int i) { return control->GetRows()->GetAt(i); }
  CTKReportColumn* Col(int i) { return control->GetColumns()->GetAt(i); }
  CTKReportRecordItem* Item(int row, int col) { return Row(row)->GetRecord()->GetItem(col); }
  CRect Cell(int row, int col) { return Row(row)->GetItemRect(Item(row, col)); }
  CPoint Screen(CPoint client) {
    ::ClientToScreen(control->m_hWnd, &client);
    return client;
  }
  void ClickCell(int row, int col, BYTE modifiers = 0) {
    const CPoint pt = Screen(Cell(row, col).CenterPoint());
    if (modifiers & FCONTROL) pv::test::KeyDown(VK_CONTROL);
    if (modifiers & FSHIFT) pv::test::KeyDown(VK_SHIFT);
    pv::test::Click(pt.x, pt.y);
    if (modifiers & FSHIFT) pv::test::KeyUp(VK_SHIFT);
    if (modifiers & FCONTROL) pv::test::KeyUp(VK_CONTROL);
    pv::test::PumpUntilIdle();
    // Apart from the next click by more than the double-click time.
    pv::test::AdvanceAndPump(::GetDoubleClickTime() + 100);
  }
  std::vector<int> Selected() {
    CString why;
    EXPECT_TRUE(control->CheckInvariants(&why)) << pv::Utf16ToUtf8(why.GetString());
    std::vector<int> v;
    for (int i = 0; i < control->GetRows()->GetCount(); i++)
      if (Row(i)->IsSelected()) v.push_back(i);
    return v;
  }
  // Opens the editor on a cell as F2 or a click would.
  void Edit(int row, int col) {
    TK_REPORTRECORDITEM_ARGS args(control, Row(row), Col(col));
    control->EditItem(&args);
    pv::test::PumpUntilIdle();
  }
  CString EditText() {
    CString text;
    control->GetInplaceEdit()->GetWindowText(text);
    return text;
  }

  pv::FakeClockScope clock;
  Recorder parent;
  CTKReportControl* control = nullptr;
};

// ---- selection by mouse and keys -------------------------------------------------------------------

TEST_F(ReportInputTest, ClicksWithCtrlAndShiftSelectAsTheModelSays) {
  ClickCell(2, 0);
  EXPECT_EQ(Selected(), (std::vector<int>{2}));
  EXPECT_EQ(control->GetFocusedRow(), Row(2));
  ClickCell(5, 0, FCONTROL);
  EXPECT_EQ(Selected(), (std::vector<int>{2, 5}));
  ClickCell(5, 0, FCONTROL);  // a second Ctrl-click takes it out again
  EXPECT_EQ(Selected(), (std::vector<int>{2}));
  ClickCell(3, 0);
  ClickCell(6, 0, FSHIFT);
  EXPECT_EQ(Selected(), (std::vector<int>{3, 4, 5, 6}));
  EXPECT_EQ(control->GetFocusedRow(), Row(6));
  ClickCell(1, 0);
  EXPECT_EQ(Selected(), (std::vector<int>{1}));
}

// A sort by a header click keeps the selection by record: the focused row
// the user took out of the selection with Ctrl+Space stays out of it.
TEST_F(ReportInputTest, HeaderSortKeepsTheFocusedRowTheUserDeselected) {
  auto clickHeader = [&](int col) {
    const CPoint pt = Screen(CRect(Col(col)->m_rcColumn).CenterPoint());
    pv::test::Click(pt.x, pt.y);
    pv::test::PumpUntilIdle();
    pv::test::AdvanceAndPump(::GetDoubleClickTime() + 100);
  };
  auto names = [&](const std::vector<int>& rows) {
    std::vector<std::string> out;
    for (int i : rows) out.push_back(pv::Utf16ToUtf8(Item(i, 0)->GetCaption(nullptr).GetString()));
    return out;
  };
  ClickCell(2, 0);
  ClickCell(5, 0, FCONTROL);
  ASSERT_EQ(Selected(), (std::vector<int>{2, 5}));
  ASSERT_EQ(control->GetFocusedRow(), Row(5));
  pv::test::Chord(FCONTROL, VK_SPACE);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(Selected(), (std::vector<int>{2}));
  CTKReportRecord* focused = control->GetFocusedRow()->GetRecord();

  clickHeader(0);  // ascending
  clickHeader(0);  // descending: the rows move
  ASSERT_EQ(names({0}), std::vector<std::string>{"r9 c0"});
  EXPECT_EQ(control->GetFocusedRow()->GetRecord(), focused);
  EXPECT_EQ(names(Selected()), std::vector<std::string>{"r2 c0"});
  EXPECT_FALSE(control->GetFocusedRow()->IsSelected());

  // With nothing selected at all, the sort selects nothing either.
  pv::test::Chord(FCONTROL, VK_SPACE);  // the focused row back in
  ClickCell(control->GetFocusedRow()->GetIndex(), 0);
  pv::test::Chord(FCONTROL, VK_SPACE);  // and out: the selection is empty
  pv::test::PumpUntilIdle();
  ASSERT_TRUE(Selected().empty());
  clickHeader(1);
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(control->GetFocusedRow()->GetRecord(), focused);
}

TEST_F(ReportInputTest, CtrlASelectsEveryRowOnce) {
  ClickCell(3, 0);
  const int asked = parent.Count(TK_NM_REPORT_SELCHANGING);
  pv::test::Chord(FCONTROL, 'A');
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(control->GetSelectedRows()->GetBlocks().size(), 1u);
  // The owner is asked for each row (the focused one was selected already).
  EXPECT_EQ(parent.Count(TK_NM_REPORT_SELCHANGING) - asked, 10);
}

TEST_F(ReportInputTest, KeysMoveAndExtendTheSelection) {
  ClickCell(1, 0);
  pv::test::KeyPress(VK_DOWN);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(control->GetFocusedRow(), Row(2));
  EXPECT_EQ(Selected(), (std::vector<int>{2}));
  pv::test::Chord(FSHIFT, VK_DOWN);
  pv::test::Chord(FSHIFT, VK_DOWN);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Selected(), (std::vector<int>{2, 3, 4}));
  // Ctrl+Space toggles the focused row.
  pv::test::Chord(FCONTROL, VK_SPACE);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Selected(), (std::vector<int>{2, 3}));
  pv::test::Chord(FCONTROL, 'A');
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Selected().size(), 10u);

  // Without multiple selection Ctrl+A changes nothing.
  control->SetMultipleSelection(FALSE);
  ClickCell(0, 0);
  pv::test::Chord(FCONTROL, 'A');
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Selected(), (std::vector<int>{0}));
}

TEST_F(ReportInputTest, AnOwnerThatCancelsThePreviewEatsTheKey) {
  ClickCell(1, 0);
  parent.notices.clear();
  MSG msg{control->m_hWnd, WM_KEYDOWN, VK_DOWN, 1, 0, {0, 0}};
  parent.cancelKeys = TRUE;
  EXPECT_TRUE(control->PreTranslateMessage(&msg));
  EXPECT_EQ(parent.Count(TK_NM_REPORT_PREVIEWKEYDOWN), 1);
  parent.cancelKeys = FALSE;
  EXPECT_FALSE(control->PreTranslateMessage(&msg));
  ::DispatchMessage(&msg);
  EXPECT_EQ(control->GetFocusedRow(), Row(2));
  EXPECT_EQ(parent.Count(TK_NM_REPORT_KEYDOWN), 1);
}

// ---- the delayed edit -------------------------------------------------------------------------------

TEST_F(ReportInputTest, ASecondClickOnTheFocusedCellEditsAfterTheDoubleClickTime) {
  control->SetAllowEdit(TRUE);
  control->m_bEditOnClick = FALSE;
  control->m_bEditOnDelayClick = TRUE;
  control->m_bEditOnDoubleClick = FALSE;
  ClickCell(3, 1);  // selects the row and remembers the cell
  EXPECT_FALSE(control->IsEditMode());
  const CPoint pt = Screen(Cell(3, 1).CenterPoint());
  pv::test::Click(pt.x, pt.y);
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(control->IsEditMode());
  pv::test::AdvanceAndPump(::GetDoubleClickTime() + 49);
  EXPECT_FALSE(control->IsEditMode());
  pv::test::AdvanceAndPump(1);
  ASSERT_TRUE(control->IsEditMode());
  EXPECT_EQ(control->GetInplaceEdit()->pItem, Item(3, 1));

  // A double click in between opens nothing.
  control->EditItem(nullptr);
  ClickCell(4, 1);
  const CPoint other = Screen(Cell(4, 1).CenterPoint());
  pv::test::DoubleClick(other.x, other.y);
  EXPECT_LT(pv::test::AdvanceAndPump(::GetDoubleClickTime() * 3), 1000);
  EXPECT_FALSE(control->IsEditMode());

  // A double click over the open editor settles (the pointer leaving the
  // control for the editor once).
  ClickCell(5, 1);
  const CPoint fifth = Screen(Cell(5, 1).CenterPoint());
  pv::test::Click(fifth.x, fifth.y);
  pv::test::AdvanceAndPump(::GetDoubleClickTime() + 50);
  ASSERT_TRUE(control->IsEditMode());
  pv::test::DoubleClick(fifth.x, fifth.y);
  EXPECT_LT(pv::test::PumpUntilIdle(), 1000);
}

// ---- in-place editing -------------------------------------------------------------------------------

TEST_F(ReportInputTest, EnterCommitsEscapeRestoresAndRejectedTextKeepsTheOldValue) {
  control->SetAllowEdit(TRUE);
  auto* item = static_cast<GuardedItem*>(Item(2, 1));
  Edit(2, 1);
  ASSERT_TRUE(control->IsEditMode());
  EXPECT_EQ(parent.Count(TK_NM_REPORT_BEGINEDIT), 1);
  EXPECT_EQ(EditText(), CString(u"r2 c1"));
  pv::test::TypeText(u"42");
  pv::test::PumpUntilIdle();
  EXPECT_EQ(EditText(), CString(u"r2 c142"));
  pv::test::TypeText(u"x");  // refused while typing: the text stays, with a beep
  pv::test::PumpUntilIdle();
  EXPECT_EQ(EditText(), CString(u"r2 c142"));
  EXPECT_EQ(pv::test::TakeBeeps().size(), 1u);
  pv::test::KeyPress(VK_RETURN);
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(control->IsEditMode());
  EXPECT_EQ(item->GetCaption(Col(1)), CString(u"r2 c142"));
  EXPECT_EQ(parent.Count(TK_NM_REPORT_VALUECHANGED), 1);
  EXPECT_EQ(parent.Count(TK_NM_REPORT_EDIT_CANCELED), 0);

  // Escape: whatever was typed, the item keeps its text and hears -72.
  Edit(2, 1);
  pv::test::TypeText(u"99");
  pv::test::KeyPress(VK_ESCAPE);
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(control->IsEditMode());
  EXPECT_EQ(item->GetCaption(Col(1)), CString(u"r2 c142"));
  EXPECT_EQ(parent.Count(TK_NM_REPORT_VALUECHANGED), 1);
  EXPECT_EQ(parent.Count(TK_NM_REPORT_EDIT_CANCELED), 1);

  // Text put in without typing is offered again when committed.
  Edit(2, 1);
  control->GetInplaceEdit()->SetWindowText(u"bad x");
  control->EditItem(nullptr);
  EXPECT_EQ(item->GetCaption(Col(1)), CString(u"r2 c142"));
  EXPECT_EQ(parent.Count(TK_NM_REPORT_VALUECHANGED), 1);
  EXPECT_EQ(parent.Count(TK_NM_REPORT_EDIT_CANCELED), 2);
  EXPECT_EQ(pv::test::TakeBeeps().size(), 1u);
}

TEST_F(ReportInputTest, AReadOnlyColumnOrRecordOpensNoEditor) {
  control->SetAllowEdit(TRUE);
  Col(0)->SetEditable(FALSE);
  Edit(1, 0);
  EXPECT_FALSE(control->IsEditMode());
  Row(1)->GetRecord()->SetEditable(FALSE);
  Edit(1, 2);
  EXPECT_FALSE(control->IsEditMode());
  Edit(2, 2);
  EXPECT_TRUE(control->IsEditMode());
  control->SetAllowEdit(FALSE);
  Edit(3, 2);
  EXPECT_FALSE(control->IsEditMode());
}

TEST_F(ReportInputTest, NumberAndDateCellsKeepTheirValueForTextThatIsNone) {
  control->SetAllowEdit(TRUE);
  auto* record = new CTKReportRecord();
  auto* number = new CTKReportRecordItemNumber(12.5);
  number->SetFormatString(u"%g");
  COleDateTime date(2026, 12, 10, 0, 0, 0);
  auto* when = new CTKReportRecordItemDateTime(date);
  record->AddItem(number);
  record->AddItem(new CTKReportRecordItemText(u"x"));
  record->AddItem(when);
  control->AddRecord(record);
  control->RebuildRows();
  Paint();
  const int row = control->GetRows()->GetCount() - 1;
  ASSERT_EQ(Row(row)->GetRecord(), record);
  pv::test::TakeBeeps();
  struct Case {
    int column;
    const char16_t* text;
    bool kept;
  };
  for (const Case& c :
       {Case{0, u"abc", true}, Case{0, u"-3.5", false}, Case{2, u"no date", true}, Case{2, u"2027-03-04", false}}) {
    const double numberBefore = number->GetValue();
    const DATE dateBefore = when->GetValue().m_dt;
    Edit(row, c.column);
    ASSERT_TRUE(control->IsEditMode());
    control->GetInplaceEdit()->SetWindowText(c.text);
    control->EditItem(nullptr);
    if (c.column == 0) {
      EXPECT_EQ(number->GetValue() == numberBefore, c.kept) << CString(c.text);
    } else {
      EXPECT_EQ(when->GetValue().m_dt == dateBefore, c.kept) << CString(c.text);
      EXPECT_EQ(when->GetValue().GetStatus(), COleDateTime::valid);
    }
    EXPECT_EQ(pv::test::TakeBeeps().size(), c.kept ? 1u : 0u) << CString(c.text);
  }
  EXPECT_EQ(number->GetValue(), -3.5);
}

// ---- choices ----------------------------------------------------------------------------------------

class ReportChoiceTest : public ReportInputTest {
 protected:
  void SetUp() override {
    ReportInputTest::SetUp();
    control->SetAllowEdit(TRUE);
    CTKReportRecordItemEditOptions* options = Col(2)->GetEditOptions();
    options->m_bConstraintEdit = TRUE;
    for (LPCTSTR text : {u"one", u"two", u"three", u"Countless"}) options->AddConstraint(text, 0);
    combo = options->AddComboButton(TRUE);
    static_cast<CTKReportRecordItemText*>(Item(4, 2))->SetValue(u"two");
  }
  void PressCombo() {
    ASSERT_TRUE(combo->m_hWnd && combo->IsWindowVisible());
    CRect rc;
    combo->GetWindowRect(&rc);
    pv::test::Click(rc.CenterPoint().x, rc.CenterPoint().y);
    pv::test::PumpUntilIdle();
  }
  CTKReportInplaceButton* combo = nullptr;
};

TEST_F(ReportChoiceTest, TheListPicksWithEnterAndEscapeLeavesTheValue) {
  Edit(4, 2);
  PressCombo();
  CTKReportInplaceList* list = control->GetInplaceList();
  ASSERT_TRUE(list->m_hWnd && list->IsWindowVisible());
  EXPECT_EQ(list->GetCount(), 4);
  EXPECT_EQ(list->GetCurSel(), 1);  // the item's own choice
  pv::test::KeyPress(VK_DOWN);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(parent.Count(TK_NM_REPORT_CONSTRAINT_SELECTING), 1);
  pv::test::KeyPress(VK_ESCAPE);
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(list->m_hWnd);
  EXPECT_EQ(Item(4, 2)->GetCaption(Col(2)), CString(u"two"));
  EXPECT_EQ(parent.Count(TK_NM_REPORT_VALUECHANGED), 0);

  Edit(4, 2);
  PressCombo();
  ASSERT_TRUE(list->m_hWnd);
  pv::test::KeyPress(VK_DOWN);
  pv::test::KeyPress(VK_RETURN);
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(list->m_hWnd);
  EXPECT_EQ(Item(4, 2)->GetCaption(Col(2)), CString(u"three"));
  EXPECT_EQ(parent.Count(TK_NM_REPORT_VALUECHANGED), 1);
}

TEST_F(ReportChoiceTest, KeysInTheEditStepThroughTheChoices) {
  Edit(4, 2);
  ASSERT_TRUE(control->IsEditMode());
  struct Step {
    UINT key;  // a virtual key, or 0 for the character
    WCHAR ch;
    const char16_t* expected;
  };
  const Step steps[] = {
      {0, u't', u"three"},  // after "two", cyclically
      {0, u't', u"two"},          {0, u'x', u"two"},     {VK_DOWN, 0, u"three"}, {VK_DOWN, 0, u"Countless"},
      {VK_DOWN, 0, u"Countless"}, {VK_PRIOR, 0, u"one"}, {VK_UP, 0, u"one"},     {VK_NEXT, 0, u"Countless"},
  };
  for (const Step& step : steps) {
    if (step.key) pv::test::KeyPress(step.key);
    else pv::test::Char(step.ch);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(EditText(), CString(step.expected)) << static_cast<int>(step.key) << " " << static_cast<int>(step.ch);
  }
  pv::test::KeyPress(VK_RETURN);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Item(4, 2)->GetCaption(Col(2)), CString(u"Countless"));
  EXPECT_EQ(parent.Count(TK_NM_REPORT_VALUECHANGED), 1);
}

// ---- spin buttons -----------------------------------------------------------------------------------

class ReportSpinTest : public ReportInputTest {
 protected:
  void SetUp() override {
    ReportInputTest::SetUp();
    control->SetAllowEdit(TRUE);
    spin = Col(1)->GetEditOptions()->AddSpinButton(FALSE);
  }
  // Presses the upper (up) or lower half of the spin button.
  void Press(bool up) {
    CRect rc;
    spin->GetWindowRect(&rc);
    pv::test::MouseDown(Button::Left, rc.CenterPoint().x, up ? rc.top + 2 : rc.bottom - 2);
    pv::test::PumpUntilIdle();
  }
  void Release() {
    CRect rc;
    spin->GetWindowRect(&rc);
    pv::test::MouseUp(Button::Left, rc.CenterPoint().x, rc.top + 2);
    pv::test::PumpUntilIdle();
  }
  void EditWith(LPCTSTR text) {
    Edit(2, 1);
    ASSERT_TRUE(control->IsEditMode());
    control->GetInplaceEdit()->SetWindowText(text);
  }
  CTKReportInplaceButton* spin = nullptr;
};

TEST_F(ReportSpinTest, StepsStopAtTheLimitsWithoutWrapping) {
  struct Case {
    int min, max, step;
    const char16_t* text;
    bool up;
    const char16_t* expected;
    int offers;  // times the item was asked to validate
  };
  const Case cases[] = {
      {INT_MIN, INT_MAX, 1, u"2147483647", true, u"2147483647", 0},
      {INT_MIN, INT_MAX, 1, u"-2147483648", false, u"-2147483648", 0},
      {INT_MIN, INT_MAX, 1000, u"2147483000", true, u"2147483647", 1},
      {INT_MIN, INT_MAX, 1000, u"-2147483000", false, u"-2147483648", 1},
      {0, 10, 5, u"9", true, u"10", 1},
      {0, 10, 5, u"10", true, u"10", 0},
      {0, 10, 5, u"3", false, u"0", 1},
      {0, 10, 5, u"abc", true, u"5", 1},  // no number counts as 0
      {0, 10, 5, u"99999999999999999999", false, u"10", 1},
  };
  for (const Case& c : cases) {
    spin->SetSpinButtonMin(c.min);
    spin->SetSpinButtonMax(c.max);
    spin->SetSpinButtonStep(c.step);
    EditWith(c.text);
    auto* item = static_cast<GuardedItem*>(Item(2, 1));
    item->offers = 0;
    Press(c.up);
    Release();
    EXPECT_EQ(EditText(), CString(c.expected)) << static_cast<const void*>(c.text);
    EXPECT_EQ(item->offers, c.offers) << CString(c.text);
    control->GetInplaceEdit()->SetWindowText(u"r2 c1");
    control->EditItem(nullptr);
  }
}

TEST_F(ReportSpinTest, HoldingTheButtonRepeatsAndAccelerates) {
  EditWith(u"0");
  Press(true);
  EXPECT_EQ(EditText(), CString(u"1"));
  pv::test::AdvanceAndPump(499);
  EXPECT_EQ(EditText(), CString(u"1"));
  pv::test::AdvanceAndPump(1);
  EXPECT_EQ(EditText(), CString(u"2"));
  for (int i = 0; i < 18; i++) pv::test::AdvanceAndPump(100);
  EXPECT_EQ(EditText(), CString(u"20"));
  pv::test::AdvanceAndPump(100);  // the twentieth tick steps by ten
  EXPECT_EQ(EditText(), CString(u"30"));
  Release();
  pv::test::AdvanceAndPump(1000);
  EXPECT_EQ(EditText(), CString(u"30"));
}

// ---- check boxes ------------------------------------------------------------------------------------

TEST_F(ReportInputTest, ACheckBoxClickTogglesOnceAndNotifiesOnce) {
  CTKReportRecordItem* item = Item(3, 0);
  item->SetHasCheckbox(TRUE, TRUE);
  const CRect cell = Cell(3, 0);
  Paint();  // the painting places the box
  ASSERT_FALSE(CRect(item->GetCheckboxRect()).IsRectEmpty());
  const CPoint box = Screen(CRect(item->GetCheckboxRect()).CenterPoint());
  for (int expected : {1, 2, 0, 1}) {  // tri-state cycles
    pv::test::Click(box.x, box.y);
    pv::test::PumpUntilIdle();
    pv::test::AdvanceAndPump(1000);
    EXPECT_EQ(item->GetCheckedState(), expected);
  }
  EXPECT_EQ(parent.Count(TK_NM_REPORT_CHECKED), 4);
  EXPECT_EQ(parent.Count(TK_NM_REPORT_ITEMCHECKING), 4);
  EXPECT_EQ(parent.Last(TK_NM_REPORT_CHECKED)->item, item);

  // Pressed outside the box and released on it: no toggle.
  const CPoint outside = Screen(CPoint(cell.right - 5, cell.CenterPoint().y));
  pv::test::MouseDown(Button::Left, outside.x, outside.y);
  pv::test::MouseUp(Button::Left, box.x, box.y);
  pv::test::PumpUntilIdle();
  pv::test::AdvanceAndPump(1000);
  EXPECT_EQ(item->GetCheckedState(), 1);
  EXPECT_EQ(parent.Count(TK_NM_REPORT_CHECKED), 4);

  // A refusing owner: nothing changes and -53 is not sent.
  parent.cancelChecking = TRUE;
  pv::test::Click(box.x, box.y);
  pv::test::PumpUntilIdle();
  pv::test::AdvanceAndPump(1000);
  EXPECT_EQ(item->GetCheckedState(), 1);
  EXPECT_EQ(parent.Count(TK_NM_REPORT_CHECKED), 4);
  parent.cancelChecking = FALSE;

  // Toggling switched off: the state stays, the click is still reported.
  control->m_bCheckboxToggleOnClick = FALSE;
  pv::test::Click(box.x, box.y);
  pv::test::PumpUntilIdle();
  pv::test::AdvanceAndPump(1000);
  EXPECT_EQ(item->GetCheckedState(), 1);
  EXPECT_EQ(parent.Count(TK_NM_REPORT_CHECKED), 5);
}

TEST_F(ReportInputTest, TheSpaceBarTogglesTheFocusedCellsCheckBox) {
  control->FocusSubItems(TRUE);
  control->SetAllowEdit(TRUE);
  CTKReportRecordItem* item = Item(2, 0);
  item->SetHasCheckbox(TRUE);
  ClickCell(2, 0);
  control->EditItem(nullptr);
  control->SetFocus();
  ASSERT_EQ(control->GetFocusedColumn(), Col(0));
  const int before = parent.Count(TK_NM_REPORT_CHECKED);
  pv::test::Char(u' ');
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(item->IsChecked());
  EXPECT_EQ(parent.Count(TK_NM_REPORT_CHECKED), before + 1);
}

// ---- in-cell buttons --------------------------------------------------------------------------------

TEST_F(ReportInputTest, AnInCellButtonReportsAClickReleasedOnIt) {
  CTKReportRecordItem* item = Item(5, 2);
  CTKReportRecordItemControl* button = item->GetItemControls()->AddControl(1);
  ASSERT_NE(button, nullptr);
  button->SetSize(CSize(35, 0));
  button->SetAlignment(2);
  const CRect cell = Cell(5, 2);
  Paint();  // the painting lays the button out
  EXPECT_EQ(CRect(button->GetRect()), CRect(cell.right - 35, cell.top, cell.right, cell.bottom));
  const CPoint on = Screen(CRect(button->GetRect()).CenterPoint());

  pv::test::MouseDown(Button::Left, on.x, on.y);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(button->m_nState, 3);
  pv::test::MouseUp(Button::Left, on.x, on.y);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(button->m_nState, 1);
  ASSERT_EQ(parent.Count(TK_NM_REPORT_ITEMBUTTONCLICK), 1);
  EXPECT_EQ(parent.Last(TK_NM_REPORT_ITEMBUTTONCLICK)->extra, button);
  EXPECT_EQ(parent.Last(TK_NM_REPORT_ITEMBUTTONCLICK)->item, item);
  pv::test::AdvanceAndPump(1000);

  // Dragged off before the release: nothing sent, back to normal.
  pv::test::MouseDown(Button::Left, on.x, on.y);
  pv::test::MouseMove(on.x, on.y + 100);
  pv::test::MouseUp(Button::Left, on.x, on.y + 100);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(button->m_nState, 1);
  EXPECT_EQ(parent.Count(TK_NM_REPORT_ITEMBUTTONCLICK), 1);
  pv::test::AdvanceAndPump(1000);

  // A disabled button neither pushes nor sends.
  button->SetEnable(FALSE);
  pv::test::MouseDown(Button::Left, on.x, on.y);
  pv::test::PumpUntilIdle();
  EXPECT_NE(button->m_nState, 3);
  pv::test::MouseUp(Button::Left, on.x, on.y);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(button->m_nState, 4);
  EXPECT_EQ(parent.Count(TK_NM_REPORT_ITEMBUTTONCLICK), 1);
}

// ---- hyperlinks -------------------------------------------------------------------------------------

TEST_F(ReportInputTest, AHyperlinkClickNotifiesWithTheLinkUnderThePointer) {
  auto* item = static_cast<CTKReportRecordItemText*>(Item(6, 0));
  item->SetValue(u"aaaaa bbbbb ccccc");
  const CRect cell = Cell(6, 0);
  for (int i = 0; i < 3; i++) item->AddHyperlink(new CTKReportHyperlink(i * 6, 5));
  Paint();  // the painting records where each link went
  for (int i = 0; i < 3; i++) ASSERT_FALSE(CRect(item->GetHyperlinkAt(i)->m_rcHyperSpot).IsRectEmpty()) << i;
  for (int target : {1, 2, 0}) {
    const CPoint pt = Screen(CRect(item->GetHyperlinkAt(target)->m_rcHyperSpot).CenterPoint());
    pv::test::Click(pt.x, pt.y);
    pv::test::PumpUntilIdle();
    pv::test::AdvanceAndPump(1000);
    const Notice* notice = parent.Last(TK_NM_REPORT_HYPERLINK);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->link, target);
    EXPECT_EQ(notice->item, item);
    EXPECT_EQ(notice->row, Row(6));
  }
  EXPECT_EQ(parent.Count(TK_NM_REPORT_HYPERLINK), 3);
  // After the links: a click, but no link.
  const CPoint gap = Screen(CPoint(CRect(item->GetHyperlinkAt(2)->m_rcHyperSpot).right + 20, cell.CenterPoint().y));
  pv::test::Click(gap.x, gap.y);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(parent.Count(TK_NM_REPORT_HYPERLINK), 3);
}

// ---- accessibility ----------------------------------------------------------------------------------

TEST_F(ReportInputTest, AccessibleAnswersCountTheHeaderAndTheRows) {
  LONG count = 0;
  ASSERT_EQ(control->GetAccessibleChildCount(&count), S_OK);
  EXPECT_EQ(count, 11);
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  ASSERT_EQ(control->GetAccessibleName(self, &name), S_OK);
  EXPECT_EQ(CString(name), CString(u"Report"));
  ::SysFreeString(name);
  VARIANT role;
  ASSERT_EQ(control->GetAccessibleRole(self, &role), S_OK);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_TABLE);
  VARIANT child;
  child.vt = VT_I4;
  child.lVal = 4;  // body row 2
  IDispatch* dispatch = nullptr;
  ASSERT_EQ(control->GetAccessibleChild(child, &dispatch), S_OK);
  EXPECT_EQ(dispatch, Row(2)->GetAccessibleInterface());
  dispatch->Release();
  LONG x = 0, y = 0, w = 0, h = 0;
  ASSERT_EQ(control->AccessibleLocation(&x, &y, &w, &h, child), S_OK);
  CRect rc(Row(2)->GetRect());
  control->ClientToScreen(&rc);
  EXPECT_EQ(CRect(x, y, x + w, y + h), rc);
}

}  // namespace
