// The tree control's labels by pixels: the state colour table, item colours
// and fonts, the hot item on its timer.
#include "tree_test_support.h"

namespace tktree {
namespace {

using pv::test::PumpUntilIdle;

COLORREF Sys(int index) { return GetColorManager()->GetColor(index); }

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) < 40 && std::abs(GetGValue(a) - GetGValue(b)) < 40 &&
         std::abs(GetBValue(a) - GetBValue(b)) < 40;
}

class TreePaintTest : public TreeTest {
 protected:
  // Pixels of (nearly: text is smoothed) the colour inside the item's label
  // rectangle and a little beyond (the painted label widens to its text).
  int PixelsOf(HTREEITEM item, COLORREF color) {
    CRect r;
    EXPECT_TRUE(tree.GetItemRect(item, &r, TRUE));
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right + 40; ++x)
        if (Near(pv::test::WindowPixel(tree.m_hWnd, x, y), color)) ++n;
    return n;
  }
  // A pixel of the label's background, left of its text.
  COLORREF LabelBack(HTREEITEM item) {
    CRect r;
    EXPECT_TRUE(tree.GetItemRect(item, &r, TRUE));
    return pv::test::WindowPixel(tree.m_hWnd, r.left + 1, r.top + 1);
  }
  void Repaint() {
    tree.Invalidate();
    tree.UpdateWindow();
    PumpUntilIdle();
  }
};

TEST_F(TreePaintTest, SelectedLabelColoursFollowFocusStyleAndEnabledState) {
  struct Case {
    const char* name;
    DWORD style;
    bool focused;
    bool enabled;
    int back;  // colour-manager indices
    int text;
  } cases[] = {
      {"focused", 0, true, true, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
      {"focused, show selection always", TVS_SHOWSELALWAYS, true, true, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
      {"unfocused, show selection always", TVS_SHOWSELALWAYS, false, true, COLOR_BTNFACE, COLOR_WINDOWTEXT},
      {"unfocused", 0, false, true, COLOR_WINDOW, COLOR_WINDOWTEXT},
      {"disabled, show selection always", TVS_SHOWSELALWAYS, false, false, COLOR_GRAYTEXT, COLOR_BTNFACE},
      {"disabled", 0, false, false, COLOR_BTNFACE, COLOR_GRAYTEXT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeTree(c.style);
    HTREEITEM first = tree.InsertItem(u"MMMM HHHH");
    HTREEITEM second = tree.InsertItem(u"WWWW");
    tree.EnableMultiSelect(TRUE);
    tree.SelectItem(first);
    if (c.focused) tree.SetFocus();
    else parent.SetFocus();
    tree.EnableWindow(c.enabled);
    Repaint();
    EXPECT_EQ(LabelBack(first), Sys(c.back));
    EXPECT_GT(PixelsOf(first, Sys(c.text)), 0);
    // The unselected row shows the tree's own colours.
    const COLORREF plain = Sys(c.enabled ? COLOR_WINDOW : COLOR_BTNFACE);
    EXPECT_EQ(LabelBack(second), plain);
    EXPECT_GT(PixelsOf(second, Sys(c.enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT)), 0);
    tree.DestroyWindow();
  }
}

TEST_F(TreePaintTest, ItemColoursApplyOnlyWhileTheItemIsNotSelected) {
  MakeTree();
  HTREEITEM first = tree.InsertItem(u"MMMM HHHH");
  HTREEITEM second = tree.InsertItem(u"WWWW");
  const COLORREF red = RGB(220, 0, 0), sand = RGB(240, 230, 140);
  tree.SetItemColor(first, red);
  tree.SetItemBackColor(first, sand);
  tree.SelectItem(second);
  tree.SetFocus();
  Repaint();
  EXPECT_GT(PixelsOf(first, red), 0);
  EXPECT_EQ(LabelBack(first), sand);

  // Selected and focused: the highlight colours win.
  tree.SelectItem(first);
  Repaint();
  EXPECT_EQ(PixelsOf(first, red), 0);
  EXPECT_EQ(LabelBack(first), Sys(COLOR_HIGHLIGHT));
  EXPECT_GT(PixelsOf(first, Sys(COLOR_HIGHLIGHTTEXT)), 0);

  // In a disabled control the item's colours give way too.
  tree.SelectItem(second);
  tree.EnableWindow(FALSE);
  Repaint();
  EXPECT_EQ(PixelsOf(first, red), 0);
}

TEST_F(TreePaintTest, BoldAndItemFontsWidenTheLabel) {
  MakeTree();
  HTREEITEM plain = tree.InsertItem(u"Wide label text");
  HTREEITEM bold = tree.InsertItem(u"Wide label text");
  tree.SetItemBold(bold);
  Repaint();
  auto inkWidth = [&](HTREEITEM item) {
    CRect r;
    tree.GetItemRect(item, &r, TRUE);
    int last = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < 200; ++x)
        if (pv::test::WindowPixel(tree.m_hWnd, x, y) != Sys(COLOR_WINDOW)) last = std::max(last, x);
    return last;
  };
  EXPECT_GT(inkWidth(bold), inkWidth(plain));

  LOGFONTW lf{};
  ::GetObject(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  lf.lfHeight = lf.lfHeight < 0 ? lf.lfHeight * 2 : -24;
  tree.SetItemBold(bold, FALSE);
  tree.SetItemFont(bold, lf);
  Repaint();
  EXPECT_GT(inkWidth(bold), inkWidth(plain));
}

TEST_F(TreePaintTest, TheNativeTreeShowsUnderTheLabels) {
  MakeTree();
  HTREEITEM parentItem = tree.InsertItem(u"parent");
  HTREEITEM child = tree.InsertItem(u"child", parentItem);
  tree.Expand(parentItem, TVE_EXPAND);
  tree.SetItemBold(parentItem);
  tree.SelectItem(child);
  tree.SetFocus();
  Repaint();
  // Left of each label: the expand button and the lines the native tree drew
  // into the buffer.
  for (HTREEITEM item : {parentItem, child}) {
    CRect r;
    ASSERT_TRUE(tree.GetItemRect(item, &r, TRUE));
    int ink = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = 0; x < r.left; ++x)
        if (pv::test::WindowPixel(tree.m_hWnd, x, y) != Sys(COLOR_WINDOW)) ++ink;
    EXPECT_GT(ink, 4);
  }
}

TEST_F(TreePaintTest, HotItemIsUnderlinedInTheHotColourUntilTheMouseLeaves) {
  MakeTree(TVS_TRACKSELECT);
  HTREEITEM first = tree.InsertItem(u"MMMM HHHH");
  tree.InsertItem(u"WWWW");
  PumpUntilIdle();
  CRect r;
  tree.GetItemRect(first, &r, TRUE);
  Move(CPoint(r.left + 4, (r.top + r.bottom) / 2));
  PumpUntilIdle();
  EXPECT_EQ(tree.GetHotItem(), first);
  EXPECT_GT(PixelsOf(first, Sys(COLOR_HOTLIGHT)), 0);

  // The timer keeps it while the mouse is over the tree.
  pv::test::AdvanceAndPump(200);
  EXPECT_EQ(tree.GetHotItem(), first);

  // Leaving for the parent brings no move to the tree: the timer notices.
  POINT outside = pv::test::ClientPoint(parent.m_hWnd, 400, 300);
  pv::test::MouseMove(outside.x, outside.y);
  PumpUntilIdle();
  EXPECT_EQ(tree.GetHotItem(), first);
  pv::test::AdvanceAndPump(60);
  EXPECT_EQ(tree.GetHotItem(), nullptr);
  EXPECT_EQ(PixelsOf(first, Sys(COLOR_HOTLIGHT)), 0);
}

// What a user does to the tree shows at once, with no forced redraw: a
// click selects, Right expands, a new label shows whole, a click on the
// button collapses; with one selection and with several.
TEST_F(TreePaintTest, ClicksKeysAndNewLabelsShowWithoutAForcedRedraw) {
  for (const bool multi : {false, true}) {
    SCOPED_TRACE(multi ? "multiple selection" : "single selection");
    MakeTree();
    HTREEITEM parentItem = tree.InsertItem(u"Affairs of Life");
    HTREEITEM child = tree.InsertItem(u"Other Things", parentItem);
    HTREEITEM last = tree.InsertItem(u"P");
    tree.EnableMultiSelect(multi);
    parent.SetFocus();
    PumpUntilIdle();
    auto ink = [&](const CRect& r) {
      int n = 0;
      for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
          if (pv::test::WindowPixel(tree.m_hWnd, x, y) != Sys(COLOR_WINDOW)) ++n;
      return n;
    };
    EXPECT_NE(LabelBack(parentItem), Sys(COLOR_HIGHLIGHT));

    pv::test::ClickClient(tree.m_hWnd, LabelPoint(parentItem).x, LabelPoint(parentItem).y);
    PumpUntilIdle();
    ASSERT_EQ(tree.GetSelectedItem(), parentItem);
    EXPECT_EQ(LabelBack(parentItem), Sys(COLOR_HIGHLIGHT));

    pv::test::KeyPress(VK_RIGHT);
    PumpUntilIdle();
    ASSERT_TRUE(tree.GetItemState(parentItem, TVIS_EXPANDED) & TVIS_EXPANDED);
    CRect childLabel;
    ASSERT_TRUE(tree.GetItemRect(child, &childLabel, TRUE));
    EXPECT_GT(PixelsOf(child, Sys(COLOR_WINDOWTEXT)), 0);
    EXPECT_GT(ink(childLabel), 20);

    tree.SetItemText(last, u"Plant tomatoes & beans");
    PumpUntilIdle();
    CRect lastLabel;
    ASSERT_TRUE(tree.GetItemRect(last, &lastLabel, TRUE));
    EXPECT_GT(ink(CRect(lastLabel.left + 40, lastLabel.top, lastLabel.right, lastLabel.bottom)), 20);

    // The button left of the parent collapses it: the last row is empty.
    CRect label;
    ASSERT_TRUE(tree.GetItemRect(parentItem, &label, TRUE));
    pv::Clock::AdvanceBy(::GetDoubleClickTime() + 1);
    pv::test::ClickClient(tree.m_hWnd, label.left - 10, (label.top + label.bottom) / 2);
    PumpUntilIdle();
    ASSERT_FALSE(tree.GetItemState(parentItem, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_EQ(ink(lastLabel), 0);
    tree.DestroyWindow();
  }
}

TEST_F(TreePaintTest, WithoutTrackSelectNothingIsHot) {
  MakeTree();
  HTREEITEM first = tree.InsertItem(u"MMMM");
  Move(LabelPoint(first));
  PumpUntilIdle();
  EXPECT_EQ(tree.GetHotItem(), nullptr);
}

}  // namespace
}  // namespace tktree
