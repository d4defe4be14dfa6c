// Tips of the report control: the cell tip a row shows for a cut caption,
// the header's column tips, and the messages the control hands to the cell
// tip, the tooltip context and markup captions.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "report_control_test_support.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/common/tooltipcontext.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupinput.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reporttip.h"

namespace {

constexpr char16_t kCaption[] = u"A caption of some length";

class CellTipTest : public ReportControlTest {
 protected:
  // One 200-pixel text column (sizes fixed) whose first row has kCaption.
  void MakeGrid() {
    Make(400, 200, {200, 100}, 3);
    Header()->SetAutoColumnSizing(FALSE);
    Item()->SetCaption(kCaption);
    control->GetPaintManager()->SetGridStyle(FALSE, tkGridNoLines);
    Paint();
  }
  CTKReportRow* Row() { return control->GetRows()->GetAt(0); }
  CTKReportRecordItem* Item() { return control->GetRecords()->GetAt(0)->GetItem(0); }
  CTKReportTip* Tip() { return control->GetTip(); }
  CPoint CellPoint() {
    CRect rc(Row()->GetItemRect(Item()));
    return CPoint(rc.left + 5, rc.CenterPoint().y);
  }
  int TextWidth(const CString& text) {
    CClientDC dc(control);
    CTKFontDC font(&dc, control->GetPaintManager()->GetTextFont());
    return dc.GetTextExtent(text).cx;
  }
  int CaptionWidth() {
    CRect rcItem;
    CTKReportColumn* column = nullptr;
    Row()->HitTest(CellPoint(), &rcItem, &column);
    TK_REPORTRECORDITEM_ARGS args(control, Row(), column);
    args.pItem = Item();
    args.rcItem = rcItem;
    RECT rc = rcItem;
    Item()->GetCaptionRect(&args, rc);
    return CRect(rc).Width();
  }
  // Forgets the last cell and hides the tip, as leaving the row does.
  void ResetTip() {
    if (Tip()->GetSafeHwnd()) Tip()->Activate(FALSE, FALSE);
    Tip()->m_pItem = nullptr;
    Tip()->m_nRowIndex = -1;
  }
  BOOL TipShown() { return Tip()->GetSafeHwnd() && Tip()->IsWindowVisible(); }
  BOOL ShowAtCell() {
    ResetTip();
    Row()->ShowToolTip(CellPoint(), Tip());
    return TipShown();
  }
};

// The caption gets a tip only when its text is wider than the caption
// rectangle less 4 pixels of slack.
TEST_F(CellTipTest, TipOnlyWhenTheTextIsCutByMoreThanFourPixels) {
  MakeGrid();
  const int text = TextWidth(kCaption);
  const int insets = Col(0)->GetWidth() - CaptionWidth();
  struct Case {
    int room;  // caption width minus text width
    bool shown;
  };
  for (Case c : {Case{-30, true}, Case{0, true}, Case{3, true}, Case{4, false}, Case{5, false}, Case{40, false}}) {
    SCOPED_TRACE(c.room);
    Col(0)->SetWidth(text + c.room + insets);
    Paint();
    ASSERT_EQ(CaptionWidth(), text + c.room);
    EXPECT_EQ(ShowAtCell(), c.shown);
    if (c.shown) {
      EXPECT_EQ(Tip()->GetTooltipText(), CString(kCaption));
      CRect hover = Tip()->GetHoverRect();
      control->ScreenToClient(&hover);
      EXPECT_EQ(hover, CRect(Row()->GetRect()));
      EXPECT_FALSE(Tip()->m_bMultiLine);
    }
  }
  // A caption of two lines never fits a one-line row: a multi-line tip.
  Item()->SetCaption(u"one\ntwo");
  Col(0)->SetWidth(300);
  Paint();
  EXPECT_TRUE(ShowAtCell());
  EXPECT_TRUE(Tip()->m_bMultiLine);
}

TEST_F(CellTipTest, TextsThatAreNotCellTips) {
  MakeGrid();
  Col(0)->SetWidth(40);
  Paint();
  ASSERT_TRUE(ShowAtCell());
  struct Case {
    const char* what;
    void (*set)(CTKReportControl*, CTKReportRecordItem*, CTKReportColumn*);
    bool shown;
  };
  const Case cases[] = {
      {"a tip text of its own",
       [](CTKReportControl*, CTKReportRecordItem* i, CTKReportColumn*) { i->SetTooltip(u"own"); }, false},
      {"a wrapping column",
       [](CTKReportControl*, CTKReportRecordItem*, CTKReportColumn* c) { c->SetAlignment(DT_LEFT | DT_WORDBREAK); },
       false},
      {"a wrapping column, tips forced",
       [](CTKReportControl* r, CTKReportRecordItem*, CTKReportColumn* c) {
         c->SetAlignment(DT_LEFT | DT_WORDBREAK);
         r->GetPaintManager()->m_bShowCellTipAlways = TRUE;
       },
       true},
      {"a markup caption",
       [](CTKReportControl* r, CTKReportRecordItem* i, CTKReportColumn*) {
         r->EnableMarkup(TRUE);
         i->SetCaption(u"<TextBlock>a caption of some length</TextBlock>");
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.set(control, Item(), Col(0));
    Paint();
    EXPECT_EQ(ShowAtCell(), c.shown);
    // Back to a plain cut caption.
    control->EnableMarkup(FALSE);
    Item()->SetCaption(kCaption);
    Item()->SetTooltip(u"");
    Col(0)->SetAlignment(DT_LEFT);
    control->GetPaintManager()->m_bShowCellTipAlways = FALSE;
  }
  // Tips forced: a caption that fits is tipped too.
  Col(0)->SetWidth(TextWidth(kCaption) + 60);
  Paint();
  EXPECT_FALSE(ShowAtCell());
  control->GetPaintManager()->m_bShowCellTipAlways = TRUE;
  EXPECT_TRUE(ShowAtCell());
}

// A shown tip goes away on keys, buttons and the wheel, and when the cursor
// leaves it; other messages over it keep it.
TEST_F(CellTipTest, ControlHidesTheTipOnInputAndWhenTheCursorLeaves) {
  MakeGrid();
  Col(0)->SetWidth(40);
  Paint();
  struct Case {
    UINT message;
    bool cursorInside;
    bool kept;
  };
  for (Case c : {Case{WM_KEYDOWN, true, false}, Case{WM_LBUTTONDOWN, true, false}, Case{WM_RBUTTONUP, true, false},
                 Case{WM_MOUSEWHEEL, true, false}, Case{WM_MOUSELEAVE, true, false}, Case{WM_TIMER, true, true},
                 Case{WM_TIMER, false, false}}) {
    SCOPED_TRACE(c.message);
    ASSERT_TRUE(ShowAtCell());
    CRect rc;
    Tip()->GetWindowRect(&rc);
    if (c.cursorInside) pv::test::MouseMove(rc.left + 2, rc.top + 2);
    else pv::test::MouseMove(rc.right + 50, rc.bottom + 50);
    control->SendMessage(c.message, 0, 0);
    EXPECT_EQ(static_cast<bool>(TipShown()), c.kept);
  }
}

// Hiding one grid's tip may send a message to another grid (here a hook
// does, as an owner reacting to the tip going away would): that grid still
// hides its own tip, and the first grid relays the next message again.
TEST_F(CellTipTest, AGridHidesItsTipWhileAnotherGridHidesItsOwn) {
  MakeGrid();
  Col(0)->SetWidth(40);
  Paint();
  std::unique_ptr<CTKReportControl> first(control);
  CTKReportTip* firstTip = Tip();  // its window is made when it first shows
  control = nullptr;
  MakeGrid();
  Col(0)->SetWidth(40);
  Paint();
  CTKReportControl* second = control;
  CTKReportTip* secondTip = Tip();
  // The fixture deletes the second grid however the test ends.
  struct Restore {
    CTKReportControl*& control;
    CTKReportControl* second;
    ~Restore() { control = second; }
  } restore{control, second};

  control = first.get();
  ASSERT_TRUE(ShowAtCell());
  control = second;
  ASSERT_TRUE(ShowAtCell());
  ASSERT_TRUE(firstTip->IsWindowVisible());

  static HWND s_hideTip = nullptr;
  static HWND s_notify = nullptr;
  s_hideTip = firstTip->GetSafeHwnd();
  s_notify = second->GetSafeHwnd();
  HHOOK hook = SetWindowsHookExW(
      WH_CALLWNDPROC,
      [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
        const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && cwp->hwnd == s_hideTip && cwp->message == WM_WINDOWPOSCHANGED && s_notify) {
          const HWND target = std::exchange(s_notify, nullptr);
          ::SendMessage(target, WM_KEYDOWN, VK_DOWN, 0);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
      },
      nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);

  first->SendMessage(WM_KEYDOWN, VK_DOWN, 0);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(s_notify, nullptr) << "the hook sent its message";
  EXPECT_FALSE(firstTip->IsWindowVisible());
  EXPECT_FALSE(secondTip->IsWindowVisible()) << "the second grid relayed the message to its tip";

  control = first.get();
  ASSERT_TRUE(ShowAtCell());
  first->SendMessage(WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_FALSE(firstTip->IsWindowVisible()) << "the first grid relays again";
}

// Over a cell with a tip text of its own, the control's mouse messages reach
// the tooltip context, which takes that cell as its tool.
TEST_F(CellTipTest, MouseMessagesReachTheTooltipContext) {
  MakeGrid();
  Item()->SetTooltip(u"own tip");
  for (BOOL tips : {FALSE, TRUE}) {
    SCOPED_TRACE(tips);
    control->m_bShowTooltips = tips;
    CPoint pt = CellPoint();
    control->ClientToScreen(&pt);
    pv::test::MouseMove(pt.x, pt.y);
    pv::test::PumpUntilIdle();
    const TOOLINFO& info = control->GetToolTipContext()->GetLastToolInfo();
    EXPECT_EQ(info.uId == reinterpret_cast<UINT_PTR>(Item()), static_cast<bool>(tips));
  }
}

// The header's tips: the column's own tip, else its caption with the sort
// direction, and the plus/minus button's action near its right edge.
TEST_F(CellTipTest, HeaderTipsNameTheColumnAndItsSorting) {
  MakeGrid();
  Header()->SetAutoColumnSizing(TRUE);
  Paint();
  auto tip = [&](CPoint pt) {
    TOOLINFO info{};
    info.cbSize = TKTOOLINFO_SIZE;
    const INT_PTR id = control->OnToolHitTest(pt, &info);
    std::u16string text = info.lpszText && id != -1 ? std::u16string(info.lpszText) : u"";
    if (info.lpszText && id != -1) free(info.lpszText);
    return std::make_pair(id, text);
  };
  const CPoint middle = ColumnCentre(1);
  EXPECT_EQ(tip(middle), std::make_pair(reinterpret_cast<INT_PTR>(Col(1)), std::u16string(u"Column 1")));
  control->GetColumns()->GetSortOrder()->Add(Col(1));
  Col(1)->SetSortIncreasing(FALSE);
  EXPECT_EQ(tip(middle).second, u"Sort by: Column 1/Decreasing");
  Col(1)->SetSortIncreasing(TRUE);
  EXPECT_EQ(tip(middle).second, u"Sort by: Column 1/Increasing");
  Col(1)->SetTooltip(u"<b>Mine</b>");
  EXPECT_EQ(tip(middle).second, u"<b>Mine</b>");
  control->GetPaintManager()->m_bCleanTooltip = TRUE;
  EXPECT_EQ(tip(middle).second, u"Mine");
  Col(1)->SetTooltip(u"");
  Col(1)->SetPlusMinus(TRUE);
  const CPoint nearRight(CRect(Col(1)->m_rcColumn).right - 10, middle.y);
  EXPECT_EQ(tip(nearRight).second, u"Expand");
  Col(1)->SetExpanded(TRUE);
  EXPECT_EQ(tip(nearRight).second, u"Collapse");
  EXPECT_EQ(tip(middle).second, u"Sort by: Column 1/Increasing");
  // Over the rows the cell's own tip text is the tool.
  Item()->SetTooltip(u"cell");
  EXPECT_EQ(tip(CellPoint()), std::make_pair(reinterpret_cast<INT_PTR>(Item()), std::u16string(u"cell")));
}

class EnterLog : public CTKMarkupDelegate {
 public:
  explicit EnterLog(int* count) : m_count(count) {}
  void Execute(CTKMarkupObject*, CTKMarkupRoutedEventArgs*) override { ++*m_count; }

 private:
  int* m_count;
};

// With markup on, the mouse reaches the markup element of the row under it
// (a group row's caption).
TEST_F(CellTipTest, MouseMessagesReachTheMarkupCaptionUnderTheCursor) {
  MakeGrid();
  control->EnableMarkup(TRUE);
  for (int i = 0; i < control->GetRecords()->GetCount(); i++)
    control->GetRecords()->GetAt(i)->GetItem(1)->SetGroupCaption(
        u"<Border Background='Red'><TextBlock>group</TextBlock></Border>");
  control->GetColumns()->GetGroupsOrder()->Add(Col(1));
  control->RebuildRows();
  Paint();
  CTKReportRow* group = control->GetRows()->GetAt(0);
  ASSERT_TRUE(group->IsGroupRow());
  auto* element = static_cast<CTKReportGroupRow*>(group)->GetMarkupUIElement();
  ASSERT_NE(element, nullptr);
  int entered = 0;
  element->AddHandler(CTKMarkupInputElement::m_pMouseEnterEvent, new EnterLog(&entered));
  CPoint pt = CRect(group->GetRect()).CenterPoint();
  pt.x = CRect(group->GetRect()).left + 40;
  control->ClientToScreen(&pt);
  pv::test::MouseMove(pt.x, pt.y);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(entered, 1);
}

}  // namespace
