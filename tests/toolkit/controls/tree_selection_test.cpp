// The tree control's emulated multiple selection: clicks with Shift and
// Ctrl, the caret bit, drags, the rubber band, keys, collapsing and vetoes.
#include <functional>

#include "tree_test_support.h"

namespace tktree {
namespace {

using pv::test::PumpUntilIdle;

TEST_F(TreeTest, ShiftClickSelectsTheRangeInVisibleOrderWhicheverComesFirst) {
  MakeSample();
  // Later item first, then Shift on an earlier one: the range runs upwards.
  ClickWith(0, LabelPoint(c));
  EXPECT_EQ(SelectedTexts(), u"c");
  ClickWith(FSHIFT, LabelPoint(b1));
  EXPECT_EQ(SelectedTexts(), u"b1,b2,c");
  EXPECT_EQ(tree.GetSelectedItem(), b1);  // the caret follows the click
  EXPECT_EQ(tree.GetItemState(b1, TVIS_FOCUSED), static_cast<UINT>(TVIS_FOCUSED));
  // The anchor stays: another Shift+click ranges from c again.
  ClickWith(FSHIFT, LabelPoint(d));
  EXPECT_EQ(SelectedTexts(), u"c,d");
  // Shift+Ctrl adds the range to what is selected.
  ClickWith(FCONTROL, LabelPoint(a));
  EXPECT_EQ(SelectedTexts(), u"a,c,d");
  ClickWith(FSHIFT | FCONTROL, LabelPoint(b1));
  EXPECT_EQ(SelectedTexts(), u"a,b,b1,c,d");
}

TEST_F(TreeTest, CtrlClickTogglesOnReleaseAndMakesTheItemTheCaret) {
  MakeSample();
  ClickWith(0, LabelPoint(a));
  ClickWith(FCONTROL, LabelPoint(c));
  EXPECT_EQ(SelectedTexts(), u"a,c");

  // A press whose loop loses the capture before the release changes nothing.
  pv::test::KeyDown(VK_CONTROL);
  Press(LabelPoint(a));
  PumpUntilIdle();
  ExpectSane(tree);
  pv::test::KeyUp(VK_CONTROL);
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(SelectedTexts(), u"a,c");

  // With the release: a selected item goes, and is the caret all the same.
  ClickWith(FCONTROL, LabelPoint(a));
  EXPECT_EQ(SelectedTexts(), u"c");
  EXPECT_EQ(tree.GetSelectedItem(), a);
  EXPECT_FALSE(Selected(a));
  EXPECT_EQ(tree.GetItemState(a, TVIS_FOCUSED | TVIS_SELECTED), static_cast<UINT>(TVIS_FOCUSED));
  ClickWith(FCONTROL, LabelPoint(a));
  EXPECT_EQ(SelectedTexts(), u"a,c");
  EXPECT_GE(Count(NM_CLICK), 1);
}

TEST_F(TreeTest, DraggingOneOfSeveralSelectedItemsKeepsThemAllAndSendsBeginDrag) {
  MakeSample();
  ClickWith(0, LabelPoint(b1));
  ClickWith(FSHIFT, LabelPoint(d));
  ASSERT_EQ(SelectedTexts(), u"b1,b2,c,d");
  parent.notes.clear();

  const CPoint start = LabelPoint(b2);
  Press(start);
  Move(CPoint(start.x + 20, start.y + 12));
  Release(CPoint(start.x + 20, start.y + 12));
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(SelectedTexts(), u"b1,b2,c,d");
  EXPECT_EQ(tree.GetSelectedItem(), b2);
  ASSERT_EQ(Count(TVN_BEGINDRAG), 1);
  for (const Note& n : parent.notes) {
    if (n.code != static_cast<int>(TVN_BEGINDRAG)) continue;
    EXPECT_EQ(n.newItem, b2);
    EXPECT_EQ(n.drag.x, start.x);
    EXPECT_EQ(n.drag.y, start.y);
  }
  EXPECT_EQ(Count(NM_CLICK), 0);

  // Released where it was pressed: a click, which keeps that item alone.
  ClickWith(0, LabelPoint(c));
  EXPECT_EQ(SelectedTexts(), u"c");
  EXPECT_EQ(Count(TVN_BEGINDRAG), 1);
}

TEST_F(TreeTest, DragStartRespectsDisabledDragDrop) {
  MakeSample(TVS_DISABLEDRAGDROP);
  const CPoint start = LabelPoint(a);
  Press(start);
  Move(CPoint(start.x + 30, start.y));
  Release(CPoint(start.x + 30, start.y));
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(Count(TVN_BEGINDRAG), 0);
  EXPECT_EQ(SelectedTexts(), u"a");
}

TEST_F(TreeTest, RubberBandOnEmptySpace) {
  MakeSample();
  ClickWith(0, LabelPoint(a));
  ClickWith(FSHIFT, LabelPoint(b1));
  ASSERT_EQ(SelectedTexts(), u"a,b,b1");

  // Within the drag distance: a plain click on empty space clears all.
  const CPoint empty = RightOf(c);
  Press(empty);
  Move(CPoint(empty.x + 1, empty.y + 1));
  Release(CPoint(empty.x + 1, empty.y + 1));
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(SelectedTexts(), u"");

  // A band from empty space to the left of c's label selects a..c.
  Press(RightOf(a));
  Move(CPoint(5, LabelPoint(c).y));
  Release(CPoint(5, LabelPoint(c).y));
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(SelectedTexts(), u"a,b,b1,b2,c");

  // With Ctrl the band inverts the earlier selection inside it.
  ClickWith(0, LabelPoint(a));
  ClickWith(FCONTROL, LabelPoint(b1));
  ClickWith(FCONTROL, LabelPoint(d));
  ASSERT_EQ(SelectedTexts(), u"a,b1,d");
  pv::test::KeyDown(VK_CONTROL);
  Press(RightOf(a));
  Move(CPoint(5, LabelPoint(c).y));
  Release(CPoint(5, LabelPoint(c).y));
  pv::test::KeyUp(VK_CONTROL);
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(SelectedTexts(), u"b,b2,c,d");

  // Ctrl within the drag distance keeps the selection.
  pv::test::KeyDown(VK_CONTROL);
  Press(empty);
  Release(empty);
  pv::test::KeyUp(VK_CONTROL);
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(SelectedTexts(), u"b,b2,c,d");

  // Escape during a band deselects everything.
  Press(RightOf(a));
  Move(CPoint(5, LabelPoint(b).y));
  pv::test::KeyDown(VK_ESCAPE);
  Release(CPoint(5, LabelPoint(b).y));
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(SelectedTexts(), u"");
}

TEST_F(TreeTest, RubberBandScrollsWhenTheMouseLeavesTheBottom) {
  MakeTree(0, 200, 100);
  std::vector<HTREEITEM> items;
  for (int i = 0; i < 40; ++i) {
    CString text;
    text.Format(u"item %d", i);
    items.push_back(tree.InsertItem(text));
  }
  tree.EnableMultiSelect(TRUE);
  ExpectSane(tree);
  tree.SetFocus();
  PumpUntilIdle();
  ExpectSane(tree);
  ASSERT_EQ(tree.GetFirstVisibleItem(), items[0]);
  const UINT page = tree.GetVisibleCount();

  Press(RightOf(items[0]));
  Move(CPoint(20, 50));
  Move(CPoint(20, 140));  // below the client area: one line down per point
  Release(CPoint(20, 140));
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(tree.GetFirstVisibleItem(), items[1]);
  // The band still starts at the first item, now scrolled out of sight, and
  // ends at the last point, below the client area.
  EXPECT_TRUE(Selected(items[0]));
  int selected = 0;
  for (HTREEITEM item : items) {
    CRect r;
    tree.GetItemRect(item, &r, TRUE);
    EXPECT_EQ(Selected(item), r.top < 140) << r.top;
    if (Selected(item)) ++selected;
  }
  EXPECT_GT(selected, static_cast<int>(page));
  EXPECT_LT(selected, 20);
}

TEST_F(TreeTest, CollapsingAParentWhoseChildrenHoldTheCaretMovesTheCaretToIt) {
  MakeSample();
  ClickWith(0, LabelPoint(b1));
  ClickWith(FCONTROL, LabelPoint(b2));
  ClickWith(FCONTROL, LabelPoint(d));
  ASSERT_EQ(SelectedTexts(), u"b1,b2,d");
  ASSERT_EQ(tree.GetSelectedItem(), d);
  // Toggled off and on again: b2 selected and the caret.
  ClickWith(FCONTROL, LabelPoint(b2));
  ClickWith(FCONTROL, LabelPoint(b2));
  ASSERT_EQ(tree.GetSelectedItem(), b2);
  ASSERT_EQ(SelectedTexts(), u"b1,b2,d");

  tree.Expand(b, TVE_COLLAPSE);
  ExpectSane(tree);
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(tree.GetSelectedItem(), b);
  EXPECT_FALSE(Selected(b));  // the caret moved; the parent was not selected
  EXPECT_FALSE(Selected(b1));
  EXPECT_FALSE(Selected(b2));
  EXPECT_TRUE(Selected(d));

  // A caret elsewhere stays where it is.
  tree.Expand(b, TVE_EXPAND);
  ExpectSane(tree);
  ClickWith(0, LabelPoint(b1));
  ClickWith(FCONTROL, LabelPoint(c));
  tree.Expand(b, TVE_COLLAPSE);
  ExpectSane(tree);
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(tree.GetSelectedItem(), c);
  EXPECT_FALSE(Selected(b1));
}

TEST_F(TreeTest, ShiftAndCtrlArrowKeys) {
  MakeSample();
  ClickWith(0, LabelPoint(a));
  pv::test::Chord(FSHIFT, VK_DOWN);
  pv::test::Chord(FSHIFT, VK_DOWN);
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(SelectedTexts(), u"a,b,b1");
  EXPECT_EQ(tree.GetSelectedItem(), b1);
  pv::test::Chord(FSHIFT, VK_UP);
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(SelectedTexts(), u"a,b");

  // Ctrl moves the caret alone; a plain key then keeps only the new caret.
  pv::test::Chord(FCONTROL, VK_DOWN);
  pv::test::Chord(FCONTROL, VK_DOWN);
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(SelectedTexts(), u"a,b");
  EXPECT_EQ(tree.GetSelectedItem(), b2);
  pv::test::KeyPress(VK_DOWN);
  PumpUntilIdle();
  ExpectSane(tree);
  EXPECT_EQ(SelectedTexts(), u"c");
  EXPECT_EQ(tree.GetSelectedItem(), c);
}

TEST_F(TreeTest, AVetoedSelectionChangeLeavesTheBitAlone) {
  MakeSample();
  ClickWith(0, LabelPoint(a));
  // Refuse only the control's own announcements (they carry no action).
  parent.answer = [](NMHDR* hdr) -> LRESULT {
    if (hdr->code != TVN_SELCHANGING) return 0;
    auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
    return nm->itemNew.hItem && nm->itemNew.mask == (TVIF_HANDLE | TVIF_PARAM) ? 1 : 0;
  };
  EXPECT_FALSE(tree.SetItemState(c, TVIS_SELECTED, TVIS_SELECTED));
  EXPECT_FALSE(Selected(c));
  ClickWith(FCONTROL, LabelPoint(d));
  EXPECT_EQ(SelectedTexts(), u"a");
  // Deselecting is not refused.
  EXPECT_TRUE(tree.SetItemState(a, 0, TVIS_SELECTED));
  EXPECT_EQ(SelectedTexts(), u"");
  EXPECT_FALSE(tree.SetItemState(nullptr, TVIS_SELECTED, TVIS_SELECTED));
}

TEST_F(TreeTest, SelectionChangesAreAnnouncedOncePerItem) {
  MakeSample();
  ClickWith(0, LabelPoint(a));
  parent.notes.clear();
  tree.SelectRange(a, c, TRUE);
  ExpectSane(tree);
  // b, b1, b2 and c gain the bit; a had it.
  int changed = 0;
  for (const Note& n : parent.notes)
    if (n.code == static_cast<int>(TVN_SELCHANGED)) {
      ++changed;
      EXPECT_NE(n.newItem, a);
    }
  EXPECT_EQ(changed, 4);
  EXPECT_EQ(tree.GetSelectedCount(), 5u);
  EXPECT_EQ(tree.GetFirstSelectedItem(), a);
  EXPECT_EQ(tree.GetNextSelectedItem(b2), c);
  EXPECT_EQ(tree.GetPrevSelectedItem(b), a);
  EXPECT_EQ(tree.GetNextSelectedItem(c), nullptr);
}

// A TVN_SELCHANGED handler that deletes an item (the one the walk would
// visit next, or the one just changed) does not stop the walk: every item
// still in the tree ends as the walk wants it.
TEST_F(TreeTest, SelectionWalksGoOnWhenAHandlerDeletesItems) {
  struct Case {
    const char* name;
    bool selectFirst;
    std::function<void(CTKTreeCtrl&)> walk;
    int trigger, victim;  // indexes into a, b, b1, b2, c, d
    const char16_t* want;
  };
  const Case cases[] = {
      {"SelectAllVisible, the next item deleted", true, [](CTKTreeCtrl& t) { t.SelectAllVisible(FALSE); }, 0, 1, u""},
      {"SelectAllVisible, the item itself deleted", true, [](CTKTreeCtrl& t) { t.SelectAllVisible(FALSE); }, 2, 2, u""},
      {"SelectAllVisible selecting, the next item deleted", false, [](CTKTreeCtrl& t) { t.SelectAllVisible(TRUE); }, 3,
       4, u"a,b,b1,b2,d"},
      {"SelectItems, the next item deleted", true, [](CTKTreeCtrl& t) { t.SelectItems(FALSE); }, 3, 4, u""},
      {"SelectRange, the next item deleted", false,
       [](CTKTreeCtrl& t) { t.SelectRange(t.GetRootItem(), t.GetLastItem(nullptr), TRUE); }, 0, 1, u"a,c,d"},
      {"SelectChildren, the child itself deleted", true,
       [](CTKTreeCtrl& t) { t.SelectChildren(t.GetNextSiblingItem(t.GetRootItem()), FALSE, TRUE); }, 2, 2, u"a,b,c,d"},
      {"SelectChildren, the next child deleted", true,
       [](CTKTreeCtrl& t) { t.SelectChildren(t.GetNextSiblingItem(t.GetRootItem()), FALSE, TRUE); }, 2, 3, u"a,b,c,d"},
      {"SelectItemsInRect, the next item deleted", true,
       [](CTKTreeCtrl& t) { t.SelectItemsInRect(CRect(0, 0, 0, 0), 0, nullptr); }, 0, 1, u""},
  };
  for (const Case& k : cases) {
    MakeSample();
    tree.SelectAllVisible(k.selectFirst ? TRUE : FALSE);
    ExpectSane(tree);
    const HTREEITEM items[] = {a, b, b1, b2, c, d};
    const HTREEITEM trigger = items[k.trigger], victim = items[k.victim];
    bool deleted = false;
    parent.answer = [&](NMHDR* hdr) -> LRESULT {
      if (hdr->code != TVN_SELCHANGED || deleted) return 0;
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
      if ((nm->itemNew.hItem ? nm->itemNew.hItem : nm->itemOld.hItem) != trigger) return 0;
      deleted = true;
      tree.DeleteItem(victim);
      ExpectSane(tree);
      return 0;
    };
    k.walk(tree);
    parent.answer = nullptr;
    EXPECT_TRUE(deleted) << k.name;
    EXPECT_EQ(SelectedTexts(), k.want) << k.name;
    ExpectSane(tree);
    tree.DestroyWindow();
    PumpUntilIdle();
    ExpectSane(tree);
  }
}

TEST_F(TreeTest, SwitchingMultipleSelectionOffKeepsOnlyTheCaret) {
  MakeSample();
  ClickWith(0, LabelPoint(a));
  ClickWith(FSHIFT, LabelPoint(c));
  ASSERT_EQ(tree.GetSelectedItem(), c);
  EXPECT_TRUE(tree.EnableMultiSelect(FALSE));
  EXPECT_EQ(SelectedTexts(), u"c");
  EXPECT_FALSE(tree.EnableMultiSelect(FALSE));

  // Off, clicks behave as the native control's: one item, no Ctrl toggling.
  ClickWith(FCONTROL, LabelPoint(a));
  EXPECT_EQ(SelectedTexts(), u"a");
  ClickWith(FSHIFT, LabelPoint(d));
  EXPECT_EQ(SelectedTexts(), u"d");
}

TEST_F(TreeTest, EnterTogglesTheCaretsExpansion) {
  MakeSample();
  tree.SelectItem(b);
  ExpectSane(tree);
  MSG msg{tree.m_hWnd, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  EXPECT_TRUE(tree.PreTranslateMessage(&msg));
  EXPECT_FALSE(tree.GetItemState(b, TVIS_EXPANDED) & TVIS_EXPANDED);
  EXPECT_TRUE(tree.PreTranslateMessage(&msg));
  EXPECT_TRUE(tree.GetItemState(b, TVIS_EXPANDED) & TVIS_EXPANDED);
  MSG other{tree.m_hWnd, WM_KEYDOWN, VK_DOWN, 0, 0, {}};
  EXPECT_FALSE(tree.PreTranslateMessage(&other));
}

TEST_F(TreeTest, KeysReachAnOpenLabelEditorFirst) {
  MakeSample(TVS_EDITLABELS);
  tree.SelectItem(c);
  ExpectSane(tree);
  CEdit* edit = tree.EditLabel(c);
  ASSERT_NE(edit, nullptr);
  HWND editor = edit->GetSafeHwnd();
  ASSERT_TRUE(::IsWindow(editor));
  ::SetWindowText(editor, u"renamed");
  parent.answer = [](NMHDR* hdr) -> LRESULT { return hdr->code == TVN_ENDLABELEDIT ? TRUE : 0; };
  // Enter goes to the editor (which ends the edit) rather than toggling.
  MSG enter{editor, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  EXPECT_TRUE(tree.PreTranslateMessage(&enter));
  EXPECT_FALSE(::IsWindow(editor));
  EXPECT_EQ(tree.GetItemText(c), CString(u"renamed"));
  EXPECT_EQ(Count(TVN_BEGINLABELEDIT), 1);
  EXPECT_EQ(Count(TVN_ENDLABELEDIT), 1);
}

TEST_F(TreeTest, DeletedItemsLoseTheirStylesAndStopBeingTheAnchor) {
  MakeSample();
  tree.SetItemColor(c, RGB(200, 0, 0));
  tree.SetItemBackColor(c, RGB(0, 0, 200));
  EXPECT_EQ(tree.GetItemColor(c), RGB(200, 0, 0));
  EXPECT_EQ(tree.GetItemColor(d), static_cast<COLORREF>(-1));
  LOGFONTW lf{};
  EXPECT_FALSE(tree.GetItemFont(c, &lf));
  std::char_traits<WCHAR>::copy(lf.lfFaceName, u"Sans", 5);
  lf.lfHeight = -14;
  tree.SetItemFont(c, lf);
  LOGFONTW back{};
  EXPECT_TRUE(tree.GetItemFont(c, &back));
  EXPECT_EQ(back.lfHeight, -14);

  ClickWith(0, LabelPoint(c));
  ClickWith(FSHIFT, LabelPoint(d));
  ASSERT_EQ(tree.GetAnchorItem(), c);
  tree.DeleteItem(c);
  ExpectSane(tree);
  EXPECT_EQ(tree.GetAnchorItem(), nullptr);
  EXPECT_FALSE(tree.GetItemFont(c, &back));
  EXPECT_EQ(tree.GetItemColor(c), static_cast<COLORREF>(-1));
  EXPECT_EQ(tree.GetItemBackColor(c), static_cast<COLORREF>(-1));
}

// Each item keeps its own font and colours whichever other items share
// them; destroying the window reports every item and forgets every style.
TEST_F(TreeTest, ItemStylesAreEachItemsOwnAndGoWithTheWindow) {
  MakeSample();
  auto font = [](const char16_t* face, LONG height, LONG weight) {
    LOGFONTW lf{};
    std::char_traits<WCHAR>::copy(lf.lfFaceName, face, std::char_traits<char16_t>::length(face) + 1);
    lf.lfHeight = height;
    lf.lfWeight = weight;
    return lf;
  };
  struct Case {
    HTREEITEM item;
    LOGFONTW font;  // an empty face name: no font of its own
    COLORREF color, back;
  } cases[] = {
      {a, font(u"Sans", -14, FW_NORMAL), RGB(1, 2, 3), static_cast<COLORREF>(-1)},
      {b, font(u"Serif", -12, FW_BOLD), static_cast<COLORREF>(-1), RGB(4, 5, 6)},
      {b1, font(u"Sans", -14, FW_NORMAL), RGB(7, 8, 9), RGB(10, 11, 12)},
      {b2, font(u"Sans", -16, FW_NORMAL), RGB(1, 2, 3), static_cast<COLORREF>(-1)},
      {c, font(u"", -16, FW_NORMAL), RGB(13, 14, 15), static_cast<COLORREF>(-1)},
  };
  for (const auto& k : cases) {
    tree.SetItemFont(k.item, k.font);
    if (k.color != static_cast<COLORREF>(-1)) tree.SetItemColor(k.item, k.color);
    if (k.back != static_cast<COLORREF>(-1)) tree.SetItemBackColor(k.item, k.back);
  }
  for (const auto& k : cases) {
    LOGFONTW back{};
    const bool own = k.font.lfFaceName[0] != 0;
    EXPECT_EQ(tree.GetItemFont(k.item, &back) != FALSE, own) << CStringA(tree.GetItemText(k.item)).GetString();
    if (own) {
      EXPECT_EQ(std::u16string(back.lfFaceName), std::u16string(k.font.lfFaceName));
      EXPECT_EQ(back.lfHeight, k.font.lfHeight);
      EXPECT_EQ(back.lfWeight, k.font.lfWeight);
    }
    EXPECT_EQ(tree.GetItemColor(k.item), k.color);
    EXPECT_EQ(tree.GetItemBackColor(k.item), k.back);
  }

  parent.notes.clear();
  tree.DestroyWindow();
  int deleted = 0;
  for (const auto& n : parent.notes) deleted += n.code == static_cast<int>(TVN_DELETEITEM);
  EXPECT_EQ(deleted, 6);
  for (const auto& k : cases) {
    LOGFONTW back{};
    EXPECT_FALSE(tree.GetItemFont(k.item, &back));
    EXPECT_EQ(tree.GetItemColor(k.item), static_cast<COLORREF>(-1));
    EXPECT_EQ(tree.GetItemBackColor(k.item), static_cast<COLORREF>(-1));
  }
  // The same control made again starts with no styles and no anchor.
  MakeTree();
  const HTREEITEM again = tree.InsertItem(u"again");
  EXPECT_EQ(tree.GetItemColor(again), static_cast<COLORREF>(-1));
  EXPECT_EQ(tree.GetAnchorItem(), nullptr);
  tree.SetItemColor(again, RGB(9, 9, 9));
  tree.DeleteItem(again);
  ExpectSane(tree);
  EXPECT_EQ(tree.GetItemColor(again), static_cast<COLORREF>(-1));
}

// Items with equal styles share one kept style: changing or clearing one
// item's leaves the others' alone, a cleared style is none, and an item in
// a deleted item's slot starts without the old style.
TEST_F(TreeTest, SharedStylesChangeOnlyTheItemChanged) {
  MakeSample();
  constexpr COLORREF kNone = static_cast<COLORREF>(-1);
  const COLORREF red = RGB(200, 0, 0), blue = RGB(0, 0, 200);
  tree.SetItemColor(a, red);
  tree.SetItemColor(b, red);
  tree.SetItemColor(c, red);
  tree.SetItemBackColor(a, blue);
  struct Step {
    const char* what;
    std::function<void()> change;
    COLORREF aColor, aBack, bColor, cColor;
  } steps[] = {
      {"a's back colour added", [] {}, red, blue, red, red},
      {"b recoloured", [&] { tree.SetItemColor(b, blue); }, red, blue, blue, red},
      {"a's colour cleared", [&] { tree.SetItemColor(a, kNone); }, kNone, blue, blue, red},
      {"a's back colour cleared", [&] { tree.SetItemBackColor(a, kNone); }, kNone, kNone, blue, red},
      {"a coloured again", [&] { tree.SetItemColor(a, blue); }, blue, kNone, blue, red},
      {"c cleared", [&] { tree.SetItemColor(c, kNone); }, blue, kNone, blue, kNone},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    EXPECT_EQ(tree.GetItemColor(a), step.aColor);
    EXPECT_EQ(tree.GetItemBackColor(a), step.aBack);
    EXPECT_EQ(tree.GetItemColor(b), step.bColor);
    EXPECT_EQ(tree.GetItemColor(c), step.cColor);
    EXPECT_EQ(tree.GetItemColor(d), kNone);
  }
  // A deleted item's slot is taken by the next item, without its style.
  const std::ptrdiff_t slot = pv::controls::TreeItemSlot(tree.m_hWnd, b2);
  tree.SetItemColor(b2, red);
  tree.DeleteItem(b2);
  ExpectSane(tree);
  const HTREEITEM fresh = tree.InsertItem(u"fresh");
  ASSERT_EQ(pv::controls::TreeItemSlot(tree.m_hWnd, fresh), slot);
  EXPECT_EQ(tree.GetItemColor(fresh), kNone);
  // Many distinct styles come and go; the kept ones are used again.
  std::vector<HTREEITEM> many;
  for (int i = 0; i < 300; ++i) many.push_back(tree.InsertItem(u"many"));
  for (int round = 0; round < 3; ++round) {
    for (size_t i = 0; i < many.size(); ++i) tree.SetItemColor(many[i], RGB(round, i % 256, i / 256));
    for (size_t i = 0; i < many.size(); i += 2) tree.SetItemColor(many[i], kNone);
    for (size_t i = 0; i < many.size(); ++i)
      ASSERT_EQ(tree.GetItemColor(many[i]), i % 2 ? RGB(round, i % 256, i / 256) : kNone) << round << " " << i;
  }
  EXPECT_EQ(tree.GetItemColor(b), blue);
}

// Colouring asks for a repaint of the tree; once it is marked, more items
// coloured before it paints ask for nothing more, and after it painted
// the next colour asks again.
TEST_F(TreeTest, ColouringRepaintsTheTreeOncePerPaint) {
  MakeSample();
  pv::test::PumpUntilIdle();
  ExpectSane(tree);
  ASSERT_FALSE(::GetUpdateRect(tree.m_hWnd, nullptr, FALSE));
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    tree.SetItemColor(round % 2 ? a : c, RGB(10, 20, 30 + round));
    tree.SetItemBackColor(d, RGB(40, 50, 60 + round));
    EXPECT_TRUE(::GetUpdateRect(tree.m_hWnd, nullptr, FALSE));
    tree.UpdateWindow();
    EXPECT_FALSE(::GetUpdateRect(tree.m_hWnd, nullptr, FALSE));
  }
  tree.SetItemBold(b, TRUE);
  EXPECT_TRUE(::GetUpdateRect(tree.m_hWnd, nullptr, FALSE));
}

TEST_F(TreeTest, BoldGoesThroughTheNativeState) {
  MakeSample();
  tree.SetItemBold(b, TRUE);
  EXPECT_TRUE(tree.GetItemBold(b));
  EXPECT_EQ(tree.CTreeCtrl::GetItemState(b, TVIS_BOLD), static_cast<UINT>(TVIS_BOLD));
  tree.SetItemBold(b, FALSE);
  EXPECT_FALSE(tree.GetItemBold(b));
}

}  // namespace
}  // namespace tktree
