// The tree view: insertion order, expansion, selection, hit testing, label
// editing, custom draw and large trees.
#include <algorithm>
#include <functional>
#include <map>
#include <random>

#include "ctl_fixture.h"

namespace ctltest {
namespace {

using pv::test::PumpUntilIdle;

struct TreeEvent {
  int code;
  UINT action;
  HTREEITEM oldItem, newItem;
};
std::vector<TreeEvent> g_events;
std::function<LRESULT(NMHDR*)> g_answer;
std::vector<DWORD> g_stages;

LRESULT Record(NMHDR* hdr) {
  int code = static_cast<int>(hdr->code);
  if (code == NM_CUSTOMDRAW) {
    auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(hdr);
    g_stages.push_back(cd->nmcd.dwDrawStage);
  } else if (code == static_cast<int>(TVN_SELCHANGING) || code == static_cast<int>(TVN_SELCHANGED) ||
             code == static_cast<int>(TVN_ITEMEXPANDING) || code == static_cast<int>(TVN_ITEMEXPANDED) ||
             code == static_cast<int>(TVN_DELETEITEM) || code == static_cast<int>(TVN_BEGINDRAG)) {
    auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
    g_events.push_back(TreeEvent{code, nm->action, nm->itemOld.hItem, nm->itemNew.hItem});
  } else {
    g_events.push_back(TreeEvent{code, 0, nullptr, nullptr});
  }
  return g_answer ? g_answer(hdr) : 0;
}

class TreeTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    g_events.clear();
    g_stages.clear();
    g_answer = nullptr;
    NotifyHandler() = Record;
  }
  void TearDown() override {
    g_answer = nullptr;
    ControlTest::TearDown();
  }
  HWND Tree(DWORD style = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, int w = 300, int h = 200) {
    HWND t = Child(WC_TREEVIEW, u"", style, 700, 10, 10, w, h);
    g_events.clear();
    g_stages.clear();
    return t;
  }
  static HTREEITEM Add(HWND t, HTREEITEM parent, LPCWSTR text, HTREEITEM after = TVI_LAST, LPARAM data = 0) {
    TVINSERTSTRUCTW is{};
    is.hParent = parent;
    is.hInsertAfter = after;
    is.item.mask = TVIF_TEXT | TVIF_PARAM;
    is.item.pszText = const_cast<LPWSTR>(text);
    is.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(::SendMessage(t, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  }
  static std::u16string ItemText(HWND t, HTREEITEM item) {
    WCHAR buf[64] = {};
    TVITEMW it{};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = buf;
    it.cchTextMax = 64;
    ::SendMessage(t, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it));
    return buf;
  }
  static HTREEITEM Next(HWND t, UINT code, HTREEITEM item = nullptr) {
    return reinterpret_cast<HTREEITEM>(::SendMessage(t, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
  }
  static std::u16string Children(HWND t, HTREEITEM parent) {
    std::u16string out;
    for (HTREEITEM c = parent ? Next(t, TVGN_CHILD, parent) : Next(t, TVGN_ROOT); c; c = Next(t, TVGN_NEXT, c)) {
      if (!out.empty()) out += u",";
      out += ItemText(t, c);
    }
    return out;
  }
  static RECT LabelRect(HWND t, HTREEITEM item) {
    RECT r{};
    *reinterpret_cast<HTREEITEM*>(&r) = item;
    EXPECT_TRUE(::SendMessage(t, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
    return r;
  }
  static std::vector<int> Codes() {
    std::vector<int> v;
    for (auto& e : g_events) v.push_back(e.code);
    return v;
  }
  static bool Expanded(HWND t, HTREEITEM item) {
    return ::SendMessage(t, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) != 0;
  }
};

TEST_F(TreeTest, InsertionOrderTable) {
  struct Step {
    LPCWSTR text;
    int after;  // -1 last, -2 first, -3 sort, otherwise index of an earlier step
  };
  struct Case {
    std::vector<Step> steps;
    std::u16string expected;
  } cases[] = {
      {{{u"a", -1}, {u"b", -1}, {u"c", -1}}, u"a,b,c"},
      {{{u"a", -2}, {u"b", -2}, {u"c", -2}}, u"c,b,a"},
      {{{u"pear", -3}, {u"Apple", -3}, {u"fig", -3}, {u"apple", -3}}, u"Apple,apple,fig,pear"},
      {{{u"a", -1}, {u"c", -1}, {u"b", 0}, {u"d", 1}}, u"a,b,c,d"},
      // Sorted insertion among unsorted items goes after the last item not greater.
      {{{u"m", -1}, {u"b", -1}, {u"k", -3}}, u"m,b,k"},
  };
  for (const auto& c : cases) {
    HWND t = Tree();
    std::vector<HTREEITEM> made;
    for (const auto& s : c.steps) {
      HTREEITEM after = s.after == -1   ? TVI_LAST
                        : s.after == -2 ? TVI_FIRST
                        : s.after == -3 ? TVI_SORT
                                        : made[static_cast<size_t>(s.after)];
      made.push_back(Add(t, TVI_ROOT, s.text, after));
      ASSERT_NE(made.back(), nullptr);
    }
    EXPECT_EQ(Children(t, nullptr), c.expected);
    EXPECT_EQ(::SendMessage(t, TVM_GETCOUNT, 0, 0), static_cast<LRESULT>(c.steps.size()));
    ::DestroyWindow(t);
  }
  // After an item of another parent: appended; a stale parent: refused.
  HWND t = Tree();
  HTREEITEM p1 = Add(t, TVI_ROOT, u"p1"), p2 = Add(t, TVI_ROOT, u"p2");
  HTREEITEM x = Add(t, p1, u"x");
  Add(t, p2, u"y");
  Add(t, p2, u"z", x);
  EXPECT_EQ(Children(t, p2), u"y,z");
  ::SendMessage(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(p1));
  EXPECT_EQ(Add(t, p1, u"orphan"), nullptr);
  EXPECT_EQ(Add(t, x, u"orphan"), nullptr);
  EXPECT_EQ(::SendMessage(t, TVM_GETCOUNT, 0, 0), 3);
}

TEST_F(TreeTest, ExpandCollapseNotifyAndCanBeCancelled) {
  HWND t = Tree();
  HTREEITEM a = Add(t, TVI_ROOT, u"a");
  HTREEITEM a1 = Add(t, a, u"a1");
  HTREEITEM leaf = Add(t, TVI_ROOT, u"leaf");
  EXPECT_FALSE(::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(leaf)));  // nothing to show
  // Refused by the parent.
  g_answer = [](NMHDR* h) -> LRESULT { return h->code == TVN_ITEMEXPANDING ? TRUE : 0; };
  EXPECT_FALSE(::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(a)));
  EXPECT_FALSE(Expanded(t, a));
  EXPECT_EQ(Codes(), std::vector<int>{static_cast<int>(TVN_ITEMEXPANDING)});
  g_answer = nullptr;
  g_events.clear();
  EXPECT_TRUE(::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(a)));
  EXPECT_TRUE(Expanded(t, a));
  ASSERT_EQ(g_events.size(), 2u);
  EXPECT_EQ(g_events[0].code, static_cast<int>(TVN_ITEMEXPANDING));
  EXPECT_EQ(g_events[0].action, static_cast<UINT>(TVE_EXPAND));
  EXPECT_EQ(g_events[0].newItem, a);
  EXPECT_EQ(g_events[1].code, static_cast<int>(TVN_ITEMEXPANDED));
  // Collapsing the parent of the selection selects the parent.
  ::SendMessage(t, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a1));
  g_events.clear();
  ::SendMessage(t, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(a));
  EXPECT_EQ(Codes(), (std::vector<int>{static_cast<int>(TVN_ITEMEXPANDING), static_cast<int>(TVN_ITEMEXPANDED),
                                       static_cast<int>(TVN_SELCHANGING), static_cast<int>(TVN_SELCHANGED)}));
  EXPECT_EQ(Next(t, TVGN_CARET), a);
  // A second programmatic expand is silent; a collapse-reset empties the item
  // and lets the next expand notify again (lazy filling).
  g_events.clear();
  ::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(a));
  EXPECT_TRUE(g_events.empty());
  ::SendMessage(t, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, reinterpret_cast<LPARAM>(a));
  EXPECT_EQ(Next(t, TVGN_CHILD, a), nullptr);
  TVITEMW it{};
  it.mask = TVIF_CHILDREN;
  it.hItem = a;
  it.cChildren = 1;
  ::SendMessage(t, TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it));
  g_events.clear();
  g_answer = [](NMHDR* h) -> LRESULT {
    if (h->code == TVN_ITEMEXPANDING) Add(h->hwndFrom, reinterpret_cast<NMTREEVIEWW*>(h)->itemNew.hItem, u"filled");
    return 0;
  };
  EXPECT_TRUE(::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(a)));
  EXPECT_EQ(Children(t, a), u"filled");
  // The user's click on the button always notifies.
  g_answer = nullptr;
  PumpUntilIdle();
  g_events.clear();
  RECT r = LabelRect(t, a);
  pv::test::ClickClient(t, 19 / 2, (r.top + r.bottom) / 2);
  PumpUntilIdle();
  EXPECT_FALSE(Expanded(t, a));
  auto codes = Codes();
  EXPECT_NE(std::find(codes.begin(), codes.end(), static_cast<int>(TVN_ITEMEXPANDING)), codes.end());
  EXPECT_NE(std::find(codes.begin(), codes.end(), static_cast<int>(TVN_ITEMEXPANDED)), codes.end());
}

TEST_F(TreeTest, HitTestTable) {
  HWND t = Tree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 300, 100);
  HTREEITEM a = Add(t, TVI_ROOT, u"alpha");
  HTREEITEM b = Add(t, a, u"beta");
  ::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(a));
  int ih = static_cast<int>(::SendMessage(t, TVM_GETITEMHEIGHT, 0, 0));
  RECT la = LabelRect(t, a), lb = LabelRect(t, b);
  EXPECT_EQ(la.top, 0);
  EXPECT_EQ(lb.top, ih);
  EXPECT_EQ(lb.left - la.left, 19);  // one indent deeper
  RECT client;
  ::GetClientRect(t, &client);
  struct Case {
    POINT pt;
    UINT flags;
    HTREEITEM item;
  } cases[] = {
      {{5, ih / 2}, TVHT_ONITEMBUTTON, a},
      {{la.left + 3, ih / 2}, TVHT_ONITEMLABEL, a},
      {{la.right + 5, ih / 2}, TVHT_ONITEMRIGHT, a},
      {{5, ih + ih / 2}, TVHT_ONITEMINDENT, b},
      {{25, ih + ih / 2}, TVHT_ONITEMINDENT, b},  // beta has no children: no button
      {{lb.left + 3, ih + ih / 2}, TVHT_ONITEMLABEL, b},
      {{20, 3 * ih}, TVHT_NOWHERE, nullptr},
      {{20, -1}, TVHT_ABOVE, nullptr},
      {{20, client.bottom + 2}, TVHT_BELOW, nullptr},
      {{-3, 5}, TVHT_TOLEFT, nullptr},
      {{client.right + 1, 5}, TVHT_TORIGHT, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pt.x << "," << c.pt.y);
    TVHITTESTINFO ht{};
    ht.pt = c.pt;
    EXPECT_EQ(reinterpret_cast<HTREEITEM>(::SendMessage(t, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht))), c.item);
    EXPECT_EQ(ht.flags, c.flags);
    EXPECT_EQ(ht.hItem, c.item);
  }
}

TEST_F(TreeTest, SelectedBitsAreSetAsAskedAndCtrlKeysScrollWithoutMovingTheCaret) {
  HWND t = Tree(TVS_HASBUTTONS, 200, 60);
  std::vector<HTREEITEM> items;
  for (int i = 0; i < 20; ++i) items.push_back(Add(t, TVI_ROOT, u"item"));
  ::SendMessage(t, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items[0]));
  ::SetFocus(t);
  PumpUntilIdle();
  auto selected = [&](HTREEITEM item) {
    return ::SendMessage(t, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_SELECTED) != 0;
  };
  auto setSelected = [&](HTREEITEM item, bool on) {
    TVITEMW it{};
    it.mask = TVIF_STATE;
    it.hItem = item;
    it.state = on ? TVIS_SELECTED : 0;
    it.stateMask = TVIS_SELECTED;
    ::SendMessage(t, TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it));
  };
  // The caret's selected bit can be cleared (it stays the caret) and an
  // item other than the caret can be selected.
  RECT r = LabelRect(t, items[0]);
  COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(pv::test::WindowPixel(t, r.left + 1, r.top + 1), highlight);
  setSelected(items[0], false);
  setSelected(items[1], true);
  PumpUntilIdle();
  EXPECT_FALSE(selected(items[0]));
  EXPECT_TRUE(selected(items[1]));
  EXPECT_EQ(Next(t, TVGN_CARET), items[0]);
  EXPECT_NE(pv::test::WindowPixel(t, r.left + 1, r.top + 1), highlight);

  // Ctrl+Down and Ctrl+Page Down scroll; the caret stays.
  pv::test::Chord(FCONTROL, VK_DOWN);
  PumpUntilIdle();
  EXPECT_EQ(Next(t, TVGN_CARET), items[0]);
  EXPECT_EQ(Next(t, TVGN_FIRSTVISIBLE), items[1]);
  pv::test::Chord(FCONTROL, VK_NEXT);
  PumpUntilIdle();
  EXPECT_EQ(Next(t, TVGN_CARET), items[0]);
  EXPECT_GT(::GetScrollPos(t, SB_VERT), 1);
  pv::test::Chord(FCONTROL, VK_UP);
  PumpUntilIdle();
  EXPECT_EQ(Next(t, TVGN_CARET), items[0]);
  // Without Ctrl the caret moves again.
  pv::test::KeyPress(VK_DOWN);
  PumpUntilIdle();
  EXPECT_EQ(Next(t, TVGN_CARET), items[1]);
}

TEST_F(TreeTest, PaintsIntoAGivenDC) {
  HWND t = Tree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 120, 60);
  HTREEITEM p = Add(t, TVI_ROOT, u"parent");
  Add(t, p, u"child");
  PumpUntilIdle();
  RECT label = LabelRect(t, p);
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  HBITMAP bmp = ::CreateCompatibleBitmap(screen, 120, 60);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  RECT all{0, 0, 120, 60};
  for (UINT msg : {static_cast<UINT>(WM_PRINTCLIENT), static_cast<UINT>(WM_PAINT)}) {
    const COLORREF marker = RGB(1, 2, 3);
    HBRUSH br = ::CreateSolidBrush(marker);
    ::FillRect(mem, &all, br);
    ::DeleteObject(br);
    ::SendMessage(t, msg, reinterpret_cast<WPARAM>(mem), 0);
    // The background, the expand button left of the label and the text.
    EXPECT_EQ(::GetPixel(mem, 110, 50), ::GetSysColor(COLOR_WINDOW)) << msg;
    int ink = 0, text = 0;
    for (int y = label.top; y < label.bottom; ++y) {
      for (int x = 0; x < label.left; ++x)
        if (::GetPixel(mem, x, y) != ::GetSysColor(COLOR_WINDOW)) ++ink;
      for (int x = label.left; x < label.right; ++x)
        if (::GetPixel(mem, x, y) != ::GetSysColor(COLOR_WINDOW)) ++text;
    }
    EXPECT_GT(ink, 4) << msg;
    EXPECT_GT(text, 4) << msg;
  }
  ::SelectObject(mem, old);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
}

TEST_F(TreeTest, SelectionByMouseAndKeyboardWithActionsAndRefusal) {
  HWND t = Tree();
  HTREEITEM a = Add(t, TVI_ROOT, u"apple");
  HTREEITEM a1 = Add(t, a, u"avocado");
  HTREEITEM b = Add(t, TVI_ROOT, u"banana");
  HTREEITEM c = Add(t, TVI_ROOT, u"cherry");
  PumpUntilIdle();
  RECT r = LabelRect(t, b);
  pv::test::ClickClient(t, r.left + 3, r.top + 2);
  PumpUntilIdle();
  EXPECT_EQ(Next(t, TVGN_CARET), b);
  ASSERT_GE(g_events.size(), 3u);
  std::vector<int> order;
  for (auto& e : g_events)
    if (e.code == static_cast<int>(TVN_SELCHANGING) || e.code == static_cast<int>(TVN_SELCHANGED) || e.code == NM_CLICK)
      order.push_back(e.code);
  EXPECT_EQ(order, (std::vector<int>{static_cast<int>(TVN_SELCHANGING), static_cast<int>(TVN_SELCHANGED), NM_CLICK}));
  EXPECT_EQ(g_events[1].action, static_cast<UINT>(TVC_BYMOUSE));
  struct Key {
    UINT vk;
    HTREEITEM expected;
  } keys[] = {{VK_DOWN, c}, {VK_HOME, a}, {VK_RIGHT, a}, {VK_RIGHT, a1}, {VK_LEFT, a}, {VK_END, c}, {VK_UP, b}};
  for (const auto& k : keys) {
    pv::test::KeyPress(k.vk);
    PumpUntilIdle();
    EXPECT_EQ(Next(t, TVGN_CARET), k.expected) << k.vk;
  }
  EXPECT_EQ(g_events.back().action == TVC_BYKEYBOARD || g_events.back().code == static_cast<int>(TVN_KEYDOWN), true);
  // Type-ahead within a second, on the fake clock.
  pv::test::TypeText(u"ch");
  PumpUntilIdle();
  EXPECT_EQ(Next(t, TVGN_CARET), c);
  pv::Clock::AdvanceBy(2000);
  pv::test::TypeText(u"a");
  PumpUntilIdle();
  EXPECT_EQ(Next(t, TVGN_CARET), a);
  // The parent refuses a change.
  g_answer = [](NMHDR* h) -> LRESULT { return h->code == TVN_SELCHANGING ? TRUE : 0; };
  EXPECT_FALSE(::SendMessage(t, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(c)));
  EXPECT_EQ(Next(t, TVGN_CARET), a);
  g_answer = nullptr;
  // Deleting the selection selects the next item; every deleted item is reported.
  g_events.clear();
  ::SendMessage(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(a));
  EXPECT_EQ(Next(t, TVGN_CARET), b);
  int deleted = 0;
  for (auto& e : g_events)
    if (e.code == static_cast<int>(TVN_DELETEITEM)) ++deleted;
  EXPECT_EQ(deleted, 2);
  EXPECT_EQ(::SendMessage(t, TVM_GETCOUNT, 0, 0), 2);
}

TEST_F(TreeTest, LabelEditingAcceptedRefusedAndCancelled) {
  HWND t = Tree(TVS_HASBUTTONS | TVS_LINESATROOT | TVS_EDITLABELS);
  HTREEITEM a = Add(t, TVI_ROOT, u"old");
  struct Case {
    LRESULT begin;  // answer to TVN_BEGINLABELEDIT
    LRESULT end;    // answer to TVN_ENDLABELEDIT
    UINT finish;    // key that ends the edit
    std::u16string expected;
    bool sawText;  // TVN_ENDLABELEDIT carried the text
  } cases[] = {
      {FALSE, TRUE, VK_RETURN, u"new", true},
      {FALSE, FALSE, VK_RETURN, u"old", true},
      {FALSE, TRUE, VK_ESCAPE, u"old", false},
      {TRUE, TRUE, VK_RETURN, u"old", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.finish);
    static LRESULT begin, end;
    static bool sawText;
    static int ends;
    begin = c.begin;
    end = c.end;
    sawText = false;
    ends = 0;
    g_answer = [](NMHDR* h) -> LRESULT {
      if (h->code == TVN_BEGINLABELEDIT) return begin;
      if (h->code == TVN_ENDLABELEDIT) {
        ++ends;
        sawText = reinterpret_cast<NMTVDISPINFOW*>(h)->item.pszText != nullptr;
        return end;
      }
      return 0;
    };
    TVITEMW it{};
    it.mask = TVIF_TEXT;
    it.hItem = a;
    it.pszText = const_cast<LPWSTR>(u"old");
    ::SendMessage(t, TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it));
    HWND e = reinterpret_cast<HWND>(::SendMessage(t, TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(a)));
    if (c.begin) {
      EXPECT_EQ(e, nullptr);
      EXPECT_EQ(ends, 0);
    } else {
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(::GetFocus(), e);
      EXPECT_EQ(reinterpret_cast<HWND>(::SendMessage(t, TVM_GETEDITCONTROL, 0, 0)), e);
      pv::test::TypeText(u"new");  // replaces the selected old text
      pv::test::KeyPress(c.finish);
      PumpUntilIdle();
      EXPECT_FALSE(::IsWindow(e));
      EXPECT_EQ(ends, 1);
      EXPECT_EQ(sawText, c.sawText);
      EXPECT_EQ(::GetFocus(), t);
    }
    EXPECT_EQ(ItemText(t, a), c.expected);
  }
  // A second click on the selected label edits once the double-click time passes.
  g_answer = nullptr;
  ::SendMessage(t, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a));
  ::SetFocus(t);
  RECT r = LabelRect(t, a);
  pv::test::ClickClient(t, r.left + 3, r.top + 2);
  PumpUntilIdle();
  EXPECT_EQ(::SendMessage(t, TVM_GETEDITCONTROL, 0, 0), 0);
  pv::test::AdvanceAndPump(::GetDoubleClickTime() + 10);
  HWND e = reinterpret_cast<HWND>(::SendMessage(t, TVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(e, nullptr);
  ::SetFocus(t);  // focus leaving the edit accepts it
  PumpUntilIdle();
  EXPECT_FALSE(::IsWindow(e));
}

TEST_F(TreeTest, CustomDrawStagesAndSkippedItems) {
  HWND t = Tree(TVS_LINESATROOT, 300, 200);
  HTREEITEM a = Add(t, TVI_ROOT, u"one");
  Add(t, TVI_ROOT, u"two");
  Add(t, TVI_ROOT, u"three");
  static HTREEITEM skip;
  skip = a;
  g_answer = [](NMHDR* h) -> LRESULT {
    if (static_cast<int>(h->code) != NM_CUSTOMDRAW) return 0;
    auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(h);
    switch (cd->nmcd.dwDrawStage) {
      case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
      case CDDS_ITEMPREPAINT:
        if (reinterpret_cast<HTREEITEM>(cd->nmcd.dwItemSpec) == skip) {
          ::FillRect(cd->nmcd.hdc, &cd->nmcd.rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
          return CDRF_SKIPDEFAULT;
        }
        return CDRF_NOTIFYPOSTPAINT;
      default:
        return 0;
    }
  };
  ::InvalidateRect(t, nullptr, TRUE);
  g_stages.clear();
  PumpUntilIdle();
  EXPECT_EQ(g_stages, (std::vector<DWORD>{CDDS_PREPAINT, CDDS_ITEMPREPAINT, CDDS_ITEMPREPAINT, CDDS_ITEMPOSTPAINT,
                                          CDDS_ITEMPREPAINT, CDDS_ITEMPOSTPAINT, CDDS_POSTPAINT}));
  RECT r = LabelRect(t, a);
  EXPECT_EQ(pv::test::WindowPixel(t, r.right + 20, r.top + 1), RGB(0, 0, 0));  // the row is the parent's
  // Without item drawing asked for, only the paint stages come.
  g_answer = nullptr;
  ::InvalidateRect(t, nullptr, TRUE);
  g_stages.clear();
  PumpUntilIdle();
  EXPECT_EQ(g_stages, std::vector<DWORD>{CDDS_PREPAINT});
}

// A DC handed over in WM_PRINTCLIENT or in WM_PAINT's wParam gets the
// tree's drawing (callers paint the tree into a buffer and draw over it);
// the window's own update region is left for its own WM_PAINT.
TEST_F(TreeTest, PaintsIntoADcGivenByTheCaller) {
  HWND t = Tree(TVS_HASLINES, 200, 100);
  HTREEITEM a = Add(t, TVI_ROOT, u"WWWWWW");
  PumpUntilIdle();
  RECT la = LabelRect(t, a);
  for (UINT msg : {static_cast<UINT>(WM_PRINTCLIENT), static_cast<UINT>(WM_PAINT)}) {
    SCOPED_TRACE(msg);
    HDC screen = ::GetDC(t);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, 200, 100);
    ::ReleaseDC(t, screen);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    RECT all{0, 0, 200, 100};
    HBRUSH magenta = ::CreateSolidBrush(RGB(255, 0, 255));
    ::FillRect(mem, &all, magenta);
    ::DeleteObject(magenta);
    ::InvalidateRect(t, nullptr, TRUE);
    ::SendMessage(t, msg, reinterpret_cast<WPARAM>(mem), msg == WM_PRINTCLIENT ? PRF_CLIENT : 0);
    EXPECT_EQ(::GetPixel(mem, 150, 80), ::GetSysColor(COLOR_WINDOW));  // the background is drawn
    int ink = 0;
    for (int x = la.left; x < la.right; ++x)
      for (int y = la.top; y < la.bottom; ++y)
        if (::GetPixel(mem, x, y) != ::GetSysColor(COLOR_WINDOW)) ++ink;
    EXPECT_GT(ink, 20);  // and the label
    RECT upd{};
    EXPECT_TRUE(::GetUpdateRect(t, &upd, FALSE));  // the window still paints itself
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    PumpUntilIdle();
  }
}

// A subclass that paints the tree into its own BeginPaint's DC (as a
// control drawing over the tree does): every later change still reaches the
// window, by mouse, by keys and by a new label, with no forced redraw.
WNDPROC g_treeProc = nullptr;
LRESULT CALLBACK PaintingSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT && !wp) {
    PAINTSTRUCT ps{};
    HDC dc = ::BeginPaint(h, &ps);
    ::CallWindowProc(g_treeProc, h, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    ::EndPaint(h, &ps);
    return 0;
  }
  return ::CallWindowProc(g_treeProc, h, msg, wp, lp);
}

TEST_F(TreeTest, ChangesAfterPaintingIntoTheSubclassesDcStillReachTheWindow) {
  HWND t = Tree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 240, 120);
  g_treeProc =
      reinterpret_cast<WNDPROC>(::SetWindowLongPtr(t, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PaintingSubclass)));
  HTREEITEM p = Add(t, TVI_ROOT, u"parent");
  HTREEITEM c = Add(t, p, u"child");
  HTREEITEM q = Add(t, TVI_ROOT, u"P");
  ::SetFocus(t);
  PumpUntilIdle();
  const COLORREF back = ::GetSysColor(COLOR_WINDOW), highlight = ::GetSysColor(COLOR_HIGHLIGHT);
  auto inkIn = [&](RECT r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (pv::test::WindowPixel(t, x, y) != back) ++n;
    return n;
  };
  RECT lp = LabelRect(t, p);
  EXPECT_NE(pv::test::WindowPixel(t, lp.left + 1, lp.top + 1), highlight);

  // A click on the label shows it selected.
  pv::test::ClickClient(t, lp.left + 3, (lp.top + lp.bottom) / 2);
  PumpUntilIdle();
  ASSERT_EQ(Next(t, TVGN_CARET), p);
  EXPECT_EQ(pv::test::WindowPixel(t, lp.left + 1, lp.top + 1), highlight);

  // Right expands it: the child's row is drawn where the next item was.
  const RECT childRow{lp.left + 10, lp.bottom, 200, lp.bottom + (lp.bottom - lp.top)};
  const int before = inkIn(childRow);
  pv::test::KeyPress(VK_RIGHT);
  PumpUntilIdle();
  ASSERT_TRUE(Expanded(t, p));
  RECT lc = LabelRect(t, c);
  EXPECT_EQ(lc.top, lp.bottom);
  EXPECT_NE(inkIn(childRow), before);
  EXPECT_GT(inkIn(lc), 4);

  // A longer label shows whole.
  TVITEMW it{};
  it.mask = TVIF_TEXT;
  it.hItem = q;
  it.pszText = const_cast<LPWSTR>(u"Plant tomatoes & beans");
  ::SendMessage(t, TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it));
  PumpUntilIdle();
  RECT lq = LabelRect(t, q);
  EXPECT_GT(inkIn(RECT{lq.left + 40, lq.top, lq.right, lq.bottom}), 20);
}

// A label wider than the tree brings a horizontal bar that scrolls the
// rows; TVS_NOHSCROLL keeps them at the left edge.
TEST_F(TreeTest, HorizontalScrollingAndNoHScroll) {
  for (DWORD noH : {0ul, static_cast<unsigned long>(TVS_NOHSCROLL)}) {
    SCOPED_TRACE(noH);
    HWND t = Tree(TVS_HASLINES | static_cast<DWORD>(noH), 120, 100);
    HTREEITEM a = Add(t, TVI_ROOT, u"a label much wider than the tree itself");
    Add(t, TVI_ROOT, u"short");
    PumpUntilIdle();
    RECT before = LabelRect(t, a);
    bool bar = (::GetWindowLong(t, GWL_STYLE) & WS_HSCROLL) != 0;
    EXPECT_EQ(bar, noH == 0);
    SCROLLINFO si{sizeof si, SIF_ALL};
    if (bar) {
      ASSERT_TRUE(::GetScrollInfo(t, SB_HORZ, &si));
      RECT client;
      ::GetClientRect(t, &client);
      EXPECT_EQ(si.nMax + 1, before.right);  // the widest row
      EXPECT_EQ(static_cast<LONG>(si.nPage), client.right);
    }
    ::SendMessage(t, WM_HSCROLL, SB_LINERIGHT, 0);
    ::SendMessage(t, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 30), 0);
    RECT after = LabelRect(t, a);
    EXPECT_EQ(before.left - after.left, noH ? 0 : 30);
    if (bar) {
      EXPECT_EQ(::GetScrollPos(t, SB_HORZ), 30);
      // Hit testing follows the scrolled rows.
      TVHITTESTINFO ht{};
      ht.pt = POINT{5, after.top + 2};
      EXPECT_EQ(reinterpret_cast<HTREEITEM>(::SendMessage(t, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht))), a);
      EXPECT_EQ(ht.flags, static_cast<UINT>(TVHT_ONITEMLABEL));
      ::SendMessage(t, WM_HSCROLL, SB_RIGHT, 0);
      RECT client;
      ::GetClientRect(t, &client);
      EXPECT_EQ(LabelRect(t, a).right, client.right);  // no further than the widest row's end
      // Deleting the wide row takes the bar away and the rows back to the edge.
      ::SendMessage(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(a));
      PumpUntilIdle();
      EXPECT_EQ(::GetWindowLong(t, GWL_STYLE) & WS_HSCROLL, 0);
      EXPECT_EQ(LabelRect(t, Next(t, TVGN_ROOT)).left, before.left);
    }
    ::DestroyWindow(t);
  }
}

// The vertical bar appearing while the tree paints resizes it; later
// changes must still repaint it.
TEST_F(TreeTest, RepaintsAfterAScrollBarCameDuringPainting) {
  HWND t = Tree(TVS_HASLINES, 200, 100);
  ::SendMessage(t, WM_SETREDRAW, FALSE, 0);
  HTREEITEM first = nullptr;
  for (int i = 0; i < 20; ++i) {
    HTREEITEM it = Add(t, TVI_ROOT, u"row");
    if (!first) first = it;
  }
  ::SendMessage(t, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(t, nullptr, TRUE);
  PumpUntilIdle();
  ASSERT_NE(::GetWindowLong(t, GWL_STYLE) & WS_VSCROLL, 0);
  RECT upd{};
  ASSERT_FALSE(::GetUpdateRect(t, &upd, FALSE));
  ::SendMessage(t, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first));
  EXPECT_TRUE(::GetUpdateRect(t, &upd, FALSE));
}

TEST_F(TreeTest, LargeExpandedTreePaintsOnlyTheRowsThatFit) {
  HWND t = Tree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 300, 200);
  ::SendMessage(t, WM_SETREDRAW, FALSE, 0);
  HTREEITEM parentItem = nullptr;
  for (int i = 0; i < 10000; ++i) {
    if (i % 100 == 0) parentItem = Add(t, TVI_ROOT, u"group");
    else Add(t, parentItem, u"item");
  }
  for (HTREEITEM g = Next(t, TVGN_ROOT); g; g = Next(t, TVGN_NEXT, g))
    ::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(g));
  ::SendMessage(t, WM_SETREDRAW, TRUE, 0);
  EXPECT_EQ(::SendMessage(t, TVM_GETCOUNT, 0, 0), 10000);
  g_answer = [](NMHDR* h) -> LRESULT {
    return static_cast<int>(h->code) == NM_CUSTOMDRAW &&
                   reinterpret_cast<NMCUSTOMDRAW*>(h)->dwDrawStage == CDDS_PREPAINT
               ? CDRF_NOTIFYITEMDRAW
               : 0;
  };
  ::InvalidateRect(t, nullptr, TRUE);
  g_stages.clear();
  PumpUntilIdle();
  int rows = static_cast<int>(::SendMessage(t, TVM_GETVISIBLECOUNT, 0, 0));
  long items = std::count(g_stages.begin(), g_stages.end(), static_cast<DWORD>(CDDS_ITEMPREPAINT));
  EXPECT_GE(items, rows);
  EXPECT_LE(items, rows + 1);
  // The last item scrolls into view and the first visible row follows.
  HTREEITEM last = Next(t, TVGN_LASTVISIBLE);
  ::SendMessage(t, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(last));
  RECT r{};
  *reinterpret_cast<HTREEITEM*>(&r) = last;
  ASSERT_TRUE(::SendMessage(t, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&r)));
  RECT client;
  ::GetClientRect(t, &client);
  EXPECT_LE(r.bottom, client.bottom);
  EXPECT_GE(r.top, 0);
  ::SendMessage(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  EXPECT_EQ(::SendMessage(t, TVM_GETCOUNT, 0, 0), 0);
}

// Handles of deleted items, of another tree, and addresses that are no
// item's are refused, in a tree large enough to hold its items in many
// blocks; every other handle keeps working, and a later item may take a
// deleted one's place.
TEST_F(TreeTest, RefusesHandlesThatAreNoItemOfTheTree) {
  HWND t = Tree();
  HWND other = Tree();
  std::vector<HTREEITEM> items;
  HTREEITEM group = nullptr;
  for (int i = 0; i < 6000; ++i) {
    if (i % 50 == 0) group = Add(t, TVI_ROOT, u"group", TVI_LAST, i);
    else items.push_back(Add(t, group, u"item", TVI_LAST, i));
  }
  const HTREEITEM deleted = items[1234];
  ASSERT_TRUE(::SendMessage(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(deleted)));
  const HTREEITEM foreign = Add(other, TVI_ROOT, u"foreign");
  int onStack = 0;
  struct Case {
    const char* what;
    HTREEITEM handle;
  } cases[] = {
      {"a deleted item", deleted},
      {"another tree's item", foreign},
      {"an address inside an item", reinterpret_cast<HTREEITEM>(reinterpret_cast<char*>(items[10]) + 8)},
      {"an address inside the last item", reinterpret_cast<HTREEITEM>(reinterpret_cast<char*>(items.back()) + 1)},
      {"an address on the stack", reinterpret_cast<HTREEITEM>(&onStack)},
  };
  const LRESULT count = ::SendMessage(t, TVM_GETCOUNT, 0, 0);
  for (const auto& c : cases) {
    TVITEMW it{};
    it.mask = TVIF_PARAM;
    it.hItem = c.handle;
    EXPECT_FALSE(::SendMessage(t, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it))) << c.what;
    EXPECT_FALSE(::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(c.handle))) << c.what;
    EXPECT_EQ(Add(t, c.handle, u"child"), nullptr) << c.what;
    EXPECT_FALSE(::SendMessage(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(c.handle))) << c.what;
  }
  EXPECT_EQ(::SendMessage(t, TVM_GETCOUNT, 0, 0), count);
  for (HTREEITEM item : items) {
    if (item == deleted) continue;
    TVITEMW it{};
    it.mask = TVIF_PARAM;
    it.hItem = item;
    ASSERT_TRUE(::SendMessage(t, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it)));
  }
  const HTREEITEM later = Add(t, items[0], u"later", TVI_LAST, 7);
  ASSERT_NE(later, nullptr);
  EXPECT_EQ(ItemText(t, later), u"later");
  EXPECT_EQ(Next(t, TVGN_PARENT, later), items[0]);
  EXPECT_EQ(::SendMessage(t, TVM_GETCOUNT, 0, 0), count + 1);
  ::DestroyWindow(t);
  ::DestroyWindow(other);
}

// Destroying the tree reports every item once, children before their
// parent, while the item can still be read.
TEST_F(TreeTest, DestroyingReportsEveryItemOnceChildrenFirst) {
  HWND t = Tree();
  // Three levels of uneven breadth, some expanded; data numbers the items.
  std::vector<LPARAM> expected;  // post-order
  LPARAM serial = 0;
  for (int a = 0; a < 7; ++a) {
    const LPARAM aData = ++serial;
    HTREEITEM top = Add(t, TVI_ROOT, u"top", TVI_LAST, aData);
    for (int b = 0; b < (a * 37) % 23; ++b) {
      const LPARAM bData = ++serial;
      HTREEITEM mid = Add(t, top, u"middle", TVI_LAST, bData);
      for (int c = 0; c < (a + b) % 5; ++c) {
        const LPARAM cData = ++serial;
        Add(t, mid, u"leaf", TVI_LAST, cData);
        expected.push_back(cData);
      }
      if (b % 2) ::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(mid));
      expected.push_back(bData);
    }
    if (a % 3 == 0) ::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(top));
    expected.push_back(aData);
  }
  std::vector<LPARAM> heard;
  int unreadable = 0;
  g_answer = [&](NMHDR* hdr) -> LRESULT {
    if (hdr->code != static_cast<UINT>(TVN_DELETEITEM)) return 0;
    auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
    heard.push_back(nm->itemOld.lParam);
    TVITEMW it{};
    it.mask = TVIF_PARAM;
    it.hItem = nm->itemOld.hItem;
    if (!::SendMessage(hdr->hwndFrom, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it)) || it.lParam != nm->itemOld.lParam)
      ++unreadable;
    return 0;
  };
  ::DestroyWindow(t);
  g_answer = nullptr;
  EXPECT_EQ(heard, expected);
  EXPECT_EQ(unreadable, 0);
}

// Labels live in the tree's own store: a label changed to a longer, shorter
// or empty text, to a callback and back, or edited, reads back exactly and
// leaves every other label as it was; its row's width follows the text.
TEST_F(TreeTest, LabelsReadBackExactlyAsTheyChange) {
  HWND t = Tree(TVS_HASBUTTONS | TVS_LINESATROOT | TVS_EDITLABELS, 300, 200);
  std::vector<HTREEITEM> items;
  std::vector<std::u16string> texts;
  for (int i = 0; i < 40; ++i) {
    texts.push_back(u"item " + std::u16string(static_cast<size_t>(i % 7), u'x'));
    items.push_back(Add(t, TVI_ROOT, texts.back().c_str()));
  }
  auto setText = [&](HTREEITEM item, LPWSTR text) {
    TVITEMW it{};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = text;
    ASSERT_TRUE(::SendMessage(t, TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it)));
  };
  g_answer = [](NMHDR* hdr) -> LRESULT {
    if (hdr->code == static_cast<UINT>(TVN_GETDISPINFO)) {
      auto* di = reinterpret_cast<NMTVDISPINFOW*>(hdr);
      if (di->item.mask & TVIF_TEXT) std::char_traits<char16_t>::copy(di->item.pszText, u"asked", 6);
    }
    return 0;
  };
  struct Case {
    const char* what;
    const char16_t* text;  // null: the callback
    std::u16string expected;
  } cases[] = {
      {"a little longer", u"item xxxyy", u"item xxxyy"},  // was "item xxx"
      {"longer", u"a much longer label than before", u"a much longer label than before"},
      {"shorter", u"short", u"short"},
      {"the same length", u"SHORT", u"SHORT"},
      {"empty", u"", u""},
      {"the callback", nullptr, u"asked"},
      {"text again", u"back from the callback", u"back from the callback"},
      {"one letter", u"W", u"W"},
  };
  const size_t at = 17;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    setText(items[at], c.text ? const_cast<LPWSTR>(c.text) : LPSTR_TEXTCALLBACKW);
    EXPECT_EQ(ItemText(t, items[at]), c.expected);
    for (size_t i = 0; i < items.size(); ++i)
      if (i != at) ASSERT_EQ(ItemText(t, items[i]), texts[i]) << i;
  }
  // The row's label ends where its current text does.
  HDC dc = ::GetDC(t);
  HGDIOBJ old = ::SelectObject(dc, ::GetStockObject(SYSTEM_FONT));  // the tree's, given none
  auto width = [&](const std::u16string& text) {
    SIZE sz{};
    ::GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &sz);
    return static_cast<int>(sz.cx);
  };
  for (const char16_t* text : {u"a rather long label", u"i", u"WWWWWWWWWWWW"}) {
    setText(items[3], const_cast<LPWSTR>(text));
    RECT r = LabelRect(t, items[3]);
    EXPECT_EQ(r.right - r.left, width(text) + 4) << std::u16string(text).size();
  }
  // An accepted edit changes the width as well.
  g_answer = [](NMHDR* hdr) -> LRESULT { return hdr->code == static_cast<UINT>(TVN_ENDLABELEDIT) ? TRUE : 0; };
  ::SendMessage(t, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items[3]));
  HWND e = reinterpret_cast<HWND>(::SendMessage(t, TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(items[3])));
  ASSERT_NE(e, nullptr);
  ::SetWindowText(e, u"edited into a wider label");
  ::SendMessage(t, TVM_ENDEDITLABELNOW, FALSE, 0);
  EXPECT_EQ(ItemText(t, items[3]), u"edited into a wider label");
  RECT r = LabelRect(t, items[3]);
  EXPECT_EQ(r.right - r.left, width(u"edited into a wider label") + 4);
  ::SelectObject(dc, old);
  ::ReleaseDC(t, dc);
  ::DestroyWindow(t);
}

// Many labels changed many times, items deleted and added between: every
// label still reads back (the store moves labels to reclaim freed room).
TEST_F(TreeTest, LabelsSurviveLongChurn) {
  HWND t = Tree();
  std::vector<std::pair<HTREEITEM, std::u16string>> live;
  auto text = [](int i, int round) {
    return u"label " + std::u16string(static_cast<size_t>((i * 7 + round * 13) % 50), u'a' + (i + round) % 26);
  };
  for (int i = 0; i < 3000; ++i) live.emplace_back(Add(t, TVI_ROOT, text(i, 0).c_str()), text(i, 0));
  for (int round = 1; round <= 12; ++round) {
    for (size_t i = 0; i < live.size(); ++i) {
      std::u16string next = text(static_cast<int>(i), round);
      TVITEMW it{};
      it.mask = TVIF_TEXT;
      it.hItem = live[i].first;
      it.pszText = const_cast<LPWSTR>(next.c_str());
      ::SendMessage(t, TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it));
      live[i].second = next;
    }
    // A tenth of the items go and as many come.
    for (size_t i = static_cast<size_t>(round) % 10; i < live.size(); i += 10) {
      ::SendMessage(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(live[i].first));
      std::u16string fresh = text(static_cast<int>(i) + 5, round);
      live[i] = {Add(t, TVI_ROOT, fresh.c_str()), fresh};
    }
    for (const auto& [item, expected] : live) ASSERT_EQ(ItemText(t, item), expected) << "round " << round;
  }
  ::DestroyWindow(t);
}

// What an item was given (images, a child count, its text) goes with it: a
// later item in its slot starts with none of it, and slots number the live
// items without two sharing one.
TEST_F(TreeTest, ItemsReadBackWhatTheyWereGivenAndSlotsAreReused) {
  HWND t = Tree();
  struct Case {
    UINT mask;
    int image, selImage, children;
    int wantImage, wantSelImage, wantChildren;
  } cases[] = {
      {TVIF_TEXT, 0, 0, 0, 0, 0, 0},
      {TVIF_TEXT | TVIF_IMAGE, 3, 0, 0, 3, 0, 0},
      {TVIF_TEXT | TVIF_SELECTEDIMAGE, 0, 5, 0, 0, 5, 0},
      {TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE, I_IMAGECALLBACK, 2, 0, -1, 2, 0},
      {TVIF_TEXT | TVIF_CHILDREN, 0, 0, 1, 0, 0, 1},
      {TVIF_TEXT | TVIF_CHILDREN, 0, 0, I_CHILDRENCALLBACK, 0, 0, I_CHILDRENCALLBACK},
      {TVIF_TEXT | TVIF_CHILDREN | TVIF_IMAGE, 7, 0, 0, 7, 0, 0},
  };
  g_answer = [](NMHDR* hdr) -> LRESULT {
    if (hdr->code == static_cast<UINT>(TVN_GETDISPINFO)) reinterpret_cast<NMTVDISPINFOW*>(hdr)->item.iImage = -1;
    return 0;
  };
  WCHAR buf[32] = {};
  auto read = [&](HTREEITEM item) {
    TVITEMW it{};
    it.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_TEXT;
    it.hItem = item;
    it.pszText = buf;
    it.cchTextMax = 32;
    EXPECT_TRUE(::SendMessage(t, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it)));
    return it;
  };
  for (const auto& c : cases) {
    TVINSERTSTRUCTW is{};
    is.hParent = TVI_ROOT;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = c.mask;
    is.item.pszText = const_cast<LPWSTR>(u"given");
    is.item.iImage = c.image;
    is.item.iSelectedImage = c.selImage;
    is.item.cChildren = c.children;
    auto item = reinterpret_cast<HTREEITEM>(::SendMessage(t, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
    TVITEMW got = read(item);
    EXPECT_EQ(got.iImage, c.wantImage) << c.mask;
    EXPECT_EQ(got.iSelectedImage, c.wantSelImage) << c.mask;
    EXPECT_EQ(got.cChildren, c.wantChildren) << c.mask;
    const std::ptrdiff_t slot = pv::controls::TreeItemSlot(t, item);
    ASSERT_GE(slot, 0);
    // Gone, and a plain item takes its place (and, here, its slot).
    ::SendMessage(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
    EXPECT_EQ(pv::controls::TreeItemSlot(t, item), -1);
    HTREEITEM later = Add(t, TVI_ROOT, u"later");
    EXPECT_EQ(pv::controls::TreeItemSlot(t, later), slot);
    got = read(later);
    EXPECT_EQ(got.iImage, 0);
    EXPECT_EQ(got.iSelectedImage, 0);
    EXPECT_EQ(got.cChildren, 0);
    EXPECT_EQ(std::u16string(got.pszText), u"later");
    ::SendMessage(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(later));
  }
  std::vector<std::ptrdiff_t> slots;
  for (int i = 0; i < 500; ++i) slots.push_back(pv::controls::TreeItemSlot(t, Add(t, TVI_ROOT, u"x")));
  std::sort(slots.begin(), slots.end());
  EXPECT_GE(slots.front(), 0);
  EXPECT_EQ(std::adjacent_find(slots.begin(), slots.end()), slots.end());
  EXPECT_LT(slots.back(), 500 + 16);                                              // dense
  EXPECT_EQ(pv::controls::TreeItemSlot(::GetParent(t), Next(t, TVGN_ROOT)), -1);  // no tree view
  EXPECT_EQ(pv::controls::TreeItemSlot(t, nullptr), -1);
  ::DestroyWindow(t);
}

// A new font measures every label again: the horizontal bar follows.
TEST_F(TreeTest, ANewFontMeasuresTheLabelsAgain) {
  HWND t = Tree(TVS_HASLINES, 120, 100);
  Add(t, TVI_ROOT, u"a label wider than the tree");
  PumpUntilIdle();
  SCROLLINFO before{sizeof before, SIF_ALL};
  ASSERT_TRUE(::GetScrollInfo(t, SB_HORZ, &before));
  HFONT big = ::CreateFont(-30, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, u"Tahoma");
  ::SendMessage(t, WM_SETFONT, reinterpret_cast<WPARAM>(big), TRUE);
  PumpUntilIdle();
  SCROLLINFO after{sizeof after, SIF_ALL};
  ASSERT_TRUE(::GetScrollInfo(t, SB_HORZ, &after));
  EXPECT_GT(after.nMax, before.nMax + 100);
  ::DestroyWindow(t);
  ::DeleteObject(big);
}

// Labels the parent gives are asked for at every layout and count in the
// widest row; a parent that deletes items while it is asked does not
// leave the layout with deleted rows.
TEST_F(TreeTest, CallbackLabelsCountInTheWidestRow) {
  HWND t = Tree(TVS_HASLINES, 120, 100);
  static std::u16string answer;
  static HTREEITEM victim;
  static HWND tree;
  answer = u"a callback label much wider than the tree";
  victim = nullptr;
  tree = t;
  g_answer = [](NMHDR* hdr) -> LRESULT {
    if (hdr->code != static_cast<UINT>(TVN_GETDISPINFO)) return 0;
    auto* di = reinterpret_cast<NMTVDISPINFOW*>(hdr);
    if (di->item.mask & TVIF_TEXT)
      std::char_traits<char16_t>::copy(di->item.pszText, answer.c_str(), answer.size() + 1);
    if (victim) {
      HTREEITEM v = victim;
      victim = nullptr;
      ::SendMessage(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(v));
    }
    return 0;
  };
  Add(t, TVI_ROOT, u"short");
  TVINSERTSTRUCTW is{};
  is.hParent = TVI_ROOT;
  is.hInsertAfter = TVI_LAST;
  is.item.mask = TVIF_TEXT;
  is.item.pszText = LPSTR_TEXTCALLBACKW;
  HTREEITEM asked = reinterpret_cast<HTREEITEM>(::SendMessage(t, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  PumpUntilIdle();
  auto barMax = [&] {
    SCROLLINFO si{sizeof si, SIF_ALL};
    return ::GetScrollInfo(t, SB_HORZ, &si) ? si.nMax : -1;
  };
  const int wide = barMax();
  EXPECT_EQ(wide + 1, LabelRect(t, asked).right);
  answer = u"now short";
  ::SendMessage(t, WM_SIZE, 0, MAKELPARAM(120, 100));  // lays out again
  PumpUntilIdle();
  EXPECT_LT(barMax(), wide);
  // The parent deletes a row while its label is asked for.
  answer = u"wide again, wider than the tree by far";
  for (int i = 0; i < 20; ++i) Add(t, TVI_ROOT, u"row");
  victim = Add(t, TVI_ROOT, u"goes while the tree asks");
  PumpUntilIdle();
  EXPECT_EQ(victim, nullptr);
  EXPECT_EQ(::SendMessage(t, TVM_GETCOUNT, 0, 0), 22);
  EXPECT_EQ(barMax() + 1, LabelRect(t, asked).right);
  g_answer = nullptr;
  ::DestroyWindow(t);
}

// Sibling links stay whole through inserts at the front, the end, after
// an item and sorted, deletes of first, last and middle items and sorting:
// walking forwards and backwards over every parent's children matches a
// plain list kept beside the tree.
TEST_F(TreeTest, SiblingWalksMatchAModelThroughRandomChanges) {
  HWND t = Tree();
  std::vector<std::pair<HTREEITEM, std::vector<HTREEITEM>>> parents = {{TVI_ROOT, {}}};
  std::mt19937 rng(20261211);
  auto check = [&](int step) {
    for (const auto& [parent, model] : parents) {
      std::vector<HTREEITEM> forward, backward;
      for (HTREEITEM c = parent == TVI_ROOT ? Next(t, TVGN_ROOT) : Next(t, TVGN_CHILD, parent); c;
           c = Next(t, TVGN_NEXT, c))
        forward.push_back(c);
      for (HTREEITEM c = forward.empty() ? nullptr : forward.back(); c; c = Next(t, TVGN_PREVIOUS, c))
        backward.push_back(c);
      std::reverse(backward.begin(), backward.end());
      ASSERT_EQ(forward, model) << "step " << step;
      ASSERT_EQ(backward, model) << "step " << step;
    }
  };
  int serial = 0;
  for (int step = 0; step < 600; ++step) {
    auto& [parent, model] = parents[rng() % parents.size()];
    const int op = static_cast<int>(rng() % 6);
    std::u16string text(1, static_cast<char16_t>(u'a' + rng() % 26));
    if (op <= 3 || model.empty()) {
      HTREEITEM after = TVI_LAST;
      size_t at = model.size();
      if (op == 0) {
        after = TVI_FIRST;
        at = 0;
      } else if (op == 1 && !model.empty()) {
        at = rng() % model.size();
        after = model[at++];
      } else if (op == 2) {
        after = TVI_SORT;  // after the last sibling not greater
        at = model.size();
        while (at > 0 && ItemText(t, model[at - 1]) > text) --at;
      }
      HTREEITEM item = Add(t, parent, text.c_str(), after, ++serial);
      ASSERT_NE(item, nullptr);
      model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), item);
      if (parents.size() < 12 && rng() % 4 == 0) parents.push_back({item, {}});
    } else if (op == 4) {
      const size_t at = rng() % 3 == 0 ? 0 : rng() % 2 ? model.size() - 1 : rng() % model.size();
      HTREEITEM gone = model[at];
      if (std::any_of(parents.begin(), parents.end(), [&](const auto& p) { return p.first == gone; })) continue;
      ASSERT_TRUE(::SendMessage(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(gone)));
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
    } else {
      ::SendMessage(t, TVM_SORTCHILDREN, FALSE, reinterpret_cast<LPARAM>(parent));
      std::stable_sort(model.begin(), model.end(),
                       [&](HTREEITEM a, HTREEITEM b) { return ItemText(t, a) < ItemText(t, b); });
    }
    check(step);
  }
  ::DestroyWindow(t);
}

// The rows a tree shows, read back every way the tree gives them (first to
// last, last to first, each item's rectangle, the vertical range), against
// a model of nested groups expanded, collapsed, filled and emptied at
// random, sometimes with the tree laid out between two changes and
// sometimes not. Large enough for rows to be found far from any kept mark.
TEST_F(TreeTest, ShownRowsMatchAModelThroughExpandsInsertsAndDeletes) {
  HWND t = Tree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 300, 200);
  struct Item {
    HTREEITEM h;
    int parent;  // index, -1 at the root
    bool expanded = false, alive = true;
  };
  std::vector<Item> items;
  auto add = [&](int parent) {
    const std::u16string text = u"item " + std::u16string(1, static_cast<char16_t>(u'a' + items.size() % 26));
    HTREEITEM h = Add(t, parent < 0 ? TVI_ROOT : items[static_cast<size_t>(parent)].h, text.c_str());
    ASSERT_NE(h, nullptr);
    items.push_back(Item{h, parent});
  };
  for (int g = 0; g < 6; ++g) {
    add(-1);
    const int group = static_cast<int>(items.size()) - 1;
    for (int c = 0; c < 7; ++c) {
      add(group);
      const int child = static_cast<int>(items.size()) - 1;
      for (int k = 0; k < (g + c) % 4; ++k) add(child);
    }
  }
  auto children = [&](int parent) {
    std::vector<int> out;
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].alive && items[i].parent == parent) out.push_back(static_cast<int>(i));
    return out;
  };
  std::function<void(int, std::vector<HTREEITEM>&)> shownUnder = [&](int parent, std::vector<HTREEITEM>& out) {
    for (int c : children(parent)) {
      out.push_back(items[static_cast<size_t>(c)].h);
      if (items[static_cast<size_t>(c)].expanded) shownUnder(c, out);
    }
  };
  const int ih = static_cast<int>(::SendMessage(t, TVM_GETITEMHEIGHT, 0, 0));
  auto check = [&](int step) {
    std::vector<HTREEITEM> want;
    shownUnder(-1, want);
    std::vector<HTREEITEM> forward, backward;
    for (HTREEITEM h = Next(t, TVGN_ROOT); h; h = Next(t, TVGN_NEXTVISIBLE, h)) forward.push_back(h);
    for (HTREEITEM h = Next(t, TVGN_LASTVISIBLE); h; h = Next(t, TVGN_PREVIOUSVISIBLE, h)) backward.push_back(h);
    std::reverse(backward.begin(), backward.end());
    ASSERT_EQ(forward, want) << "step " << step;
    ASSERT_EQ(backward, want) << "step " << step;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(::GetScrollInfo(t, SB_VERT, &si));
    EXPECT_EQ(si.nMax, std::max(0, static_cast<int>(want.size()) - 1)) << "step " << step;
    EXPECT_EQ(Next(t, TVGN_FIRSTVISIBLE), want.empty() ? nullptr : want[static_cast<size_t>(si.nPos)]);
    for (const Item& it : items) {
      if (!it.alive) continue;
      RECT r{};
      *reinterpret_cast<HTREEITEM*>(&r) = it.h;
      const auto at = std::find(want.begin(), want.end(), it.h);
      const bool shown = ::SendMessage(t, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&r)) != 0;
      ASSERT_EQ(shown, at != want.end()) << "step " << step;
      if (shown) ASSERT_EQ(r.top, (static_cast<int>(at - want.begin()) - si.nPos) * ih) << "step " << step;
    }
  };
  std::mt19937 rng(1211);
  check(-1);
  for (int step = 0; step < 400; ++step) {
    std::vector<int> alive;
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].alive) alive.push_back(static_cast<int>(i));
    const int pick = alive.empty() ? -1 : alive[rng() % alive.size()];
    Item* it = pick < 0 ? nullptr : &items[static_cast<size_t>(pick)];
    switch (rng() % 6) {
      case 0:
      case 1:  // expand or collapse; an item without children does not expand
        if (!it) break;
        if (it->expanded) {
          ::SendMessage(t, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(it->h));
          it->expanded = false;
        } else if (::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(it->h))) {
          it->expanded = true;
        }
        EXPECT_EQ(Expanded(t, it->h), it->expanded) << "step " << step;
        break;
      case 2: {  // an item and its descendants go, shown or not
        if (!it || alive.size() < 20) break;
        ASSERT_TRUE(::SendMessage(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(it->h)));
        std::function<void(int)> bury = [&](int i) {
          items[static_cast<size_t>(i)].alive = false;
          for (int c : children(i)) bury(c);
        };
        bury(pick);
        break;
      }
      case 3:  // a new last child, under a shown, hidden or collapsed parent
      case 4:
        add(rng() % 5 == 0 ? -1 : pick);
        break;
      default:  // the tree scrolled to some shown row
        if (!it) break;
        ::SendMessage(t, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(it->h));
        for (int p = it->parent; p >= 0; p = items[static_cast<size_t>(p)].parent)
          items[static_cast<size_t>(p)].expanded = true;  // it was made visible
        break;
    }
    if (rng() % 3 == 0) check(step);  // laid out between some changes only
  }
  check(400);
}

// Expanding every group lays out every row once: the row count, the
// vertical range, the last row and each row's place, for sizes around the
// rows the layout keeps a mark for.
TEST_F(TreeTest, RowsAndRangeAfterExpandingEveryGroup) {
  struct Case {
    int groups, perGroup;
  } cases[] = {{0, 0}, {1, 0}, {1, 14}, {1, 15}, {1, 16}, {2, 15}, {3, 31}, {40, 24}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.groups << " groups of " << c.perGroup);
    HWND t = Tree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 300, 200);
    std::vector<HTREEITEM> rows;
    for (int g = 0; g < c.groups; ++g) {
      HTREEITEM group = Add(t, TVI_ROOT, u"group");
      rows.push_back(group);
      for (int i = 0; i < c.perGroup; ++i) rows.push_back(Add(t, group, u"child"));
    }
    for (HTREEITEM g = Next(t, TVGN_ROOT); g; g = Next(t, TVGN_NEXT, g))
      ::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(g));
    EXPECT_EQ(Next(t, TVGN_LASTVISIBLE), rows.empty() ? nullptr : rows.back());
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(::GetScrollInfo(t, SB_VERT, &si));
    EXPECT_EQ(si.nMax, std::max(0, static_cast<int>(rows.size()) - 1));
    const int ih = static_cast<int>(::SendMessage(t, TVM_GETITEMHEIGHT, 0, 0));
    for (size_t row = 0; row < rows.size(); ++row) {
      RECT r{};
      *reinterpret_cast<HTREEITEM*>(&r) = rows[row];
      ASSERT_TRUE(::SendMessage(t, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&r))) << row;
      ASSERT_EQ(r.top, static_cast<int>(row) * ih) << row;
    }
    // Every row on screen is hit where it is drawn.
    const int page = static_cast<int>(::SendMessage(t, TVM_GETVISIBLECOUNT, 0, 0));
    for (int row = 0; row < std::min(page, static_cast<int>(rows.size())); ++row) {
      TVHITTESTINFO ht{};
      ht.pt = POINT{250, row * ih + ih / 2};
      ASSERT_EQ(reinterpret_cast<HTREEITEM>(::SendMessage(t, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht))),
                rows[static_cast<size_t>(row)])
          << row;
    }
    ::DestroyWindow(t);
  }
}

// Typing selects the next shown row whose label starts with what was typed,
// going on from the first row after the last; a letter typed again steps
// through the rows starting with it.
TEST_F(TreeTest, TypingFindsRowsOnFromTheCaretAndWrapsAround) {
  HWND t = Tree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 300, 200);
  std::map<std::u16string, HTREEITEM> byLabel;
  for (char16_t g = u'0'; g <= u'2'; ++g) {
    HTREEITEM group = Add(t, TVI_ROOT, (u"group " + std::u16string(1, g)).c_str());
    for (char16_t k = u'a'; k <= u'l'; ++k) {
      const std::u16string label = std::u16string(1, k) + u"-" + std::u16string(1, g);
      byLabel[label] = Add(t, group, label.c_str());
    }
    ::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(group));
  }
  struct Case {
    const char16_t* caret;
    const char16_t* typed;
    const char16_t* selected;
  } cases[] = {
      {u"c-2", u"b", u"b-0"},    // on past the last row to the first
      {u"l-2", u"a", u"a-0"},    // from the last row
      {u"b-0", u"bb", u"b-2"},   // the same letter steps
      {u"a-1", u"h-2", u"h-2"},  // a longer prefix
      {u"e-1", u"g", u"g-1"},   {u"e-1", u"gr", u"group 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << &c - cases);
    ASSERT_TRUE(::SendMessage(t, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(byLabel[c.caret])));
    pv::Clock::AdvanceBy(2000);  // what was typed before is forgotten
    for (const char16_t* ch = c.typed; *ch; ++ch) ::SendMessage(t, WM_CHAR, *ch, 0);
    EXPECT_EQ(ItemText(t, Next(t, TVGN_CARET)), c.selected);
  }
}

// Each row's label is as wide as its text, however the texts repeat, follow
// one another or change after a layout: runs of one text (longer than a
// measuring batch), texts of the same length, texts that are prefixes of
// the next, empty ones.
TEST_F(TreeTest, LabelWidthsFollowTheirTextsInRunsAndAfterChanges) {
  struct Change {
    size_t row;
    const char16_t* text;
  };
  struct Case {
    const char* what;
    std::vector<std::u16string> rows;
    std::vector<Change> changes;  // made after the first layout
  };
  std::vector<std::u16string> run(300, u"the same");
  run[255] = run[256] = u"WWWWWWWW";  // of the same length, ending a batch and starting the next
  std::vector<Case> cases = {
      {"same lengths", {u"iiii", u"WWWW", u"iiii", u"iiii", u"WWWW"}, {{2, u"WWWW"}, {4, u"iiii"}}},
      {"prefixes and empties", {u"ab", u"abc", u"ab", u"", u"", u"ab"}, {{3, u"abc"}, {1, u"ab"}}},
      {"a long run", run, {{255, u"iiiiiiii"}, {256, u"the same"}, {257, u"WWWWWWWW"}, {299, u""}}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    HWND t = Tree(TVS_HASBUTTONS | TVS_LINESATROOT, 300, 200);
    std::vector<HTREEITEM> items;
    for (const auto& text : c.rows) items.push_back(Add(t, TVI_ROOT, text.c_str()));
    HDC dc = ::GetDC(t);
    HGDIOBJ old = ::SelectObject(dc, ::GetStockObject(SYSTEM_FONT));  // the tree's, given none
    auto check = [&](const char* when) {
      for (size_t i = 0; i < items.size(); ++i) {
        SIZE sz{};
        ::GetTextExtentPoint32(dc, c.rows[i].c_str(), static_cast<int>(c.rows[i].size()), &sz);
        const RECT r = LabelRect(t, items[i]);
        ASSERT_EQ(r.right - r.left, sz.cx + 4) << when << ", row " << i;
      }
    };
    check("first layout");
    for (const Change& ch : c.changes) {
      TVITEMW it{};
      it.mask = TVIF_TEXT;
      it.hItem = items[ch.row];
      it.pszText = const_cast<LPWSTR>(ch.text);
      ASSERT_TRUE(::SendMessage(t, TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it)));
      c.rows[ch.row] = ch.text;
    }
    check("after the changes");
    ::SelectObject(dc, old);
    ::ReleaseDC(t, dc);
    ::DestroyWindow(t);
  }
}

// A parent that walks the shown rows while it hears of each item going sees
// the tree as it stands: the item it hears of is still there, those before
// it are gone.
TEST_F(TreeTest, RowsWalkedWhileItemsGoAreTheTreeAsItStands) {
  struct Case {
    const char* what;
    bool expanded;  // the deleted group's children shown
    bool all;       // every item deleted rather than the group
  } cases[] = {{"a shown group", true, false}, {"a collapsed group", false, false}, {"every item", true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HWND t = Tree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 300, 200);
    std::vector<HTREEITEM> groups;
    for (int g = 0; g < 3; ++g) {
      groups.push_back(Add(t, TVI_ROOT, u"group"));
      for (int i = 0; i < 20; ++i) Add(t, groups.back(), u"child");
      if (g != 1 || c.expanded) ::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(groups.back()));
    }
    static HWND tree;
    static std::vector<int> seen;
    tree = t;
    seen.clear();
    auto shownRows = [](HWND w) {
      int rows = 0;
      for (HTREEITEM h = Next(w, TVGN_ROOT); h; h = Next(w, TVGN_NEXTVISIBLE, h)) ++rows;
      return rows;
    };
    const int before = shownRows(t);  // laid out, with every row marked
    g_answer = [](NMHDR* hdr) -> LRESULT {
      if (hdr->code == static_cast<UINT>(TVN_DELETEITEM)) {
        int rows = 0;
        for (HTREEITEM h = Next(tree, TVGN_ROOT); h; h = Next(tree, TVGN_NEXTVISIBLE, h)) ++rows;
        seen.push_back(rows);
      }
      return 0;
    };
    ::SendMessage(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(c.all ? TVI_ROOT : groups[1]));
    g_answer = nullptr;
    // Children go before their parent; each shown one takes a row with it.
    std::vector<int> want;
    int rows = before;
    for (int g = c.all ? 0 : 1; g < (c.all ? 3 : 2); ++g) {
      const bool shown = g != 1 || c.expanded;
      for (int i = 0; i < 20; ++i) {
        want.push_back(rows);
        if (shown) --rows;
      }
      want.push_back(rows--);
    }
    EXPECT_EQ(seen, want);
    EXPECT_EQ(shownRows(t), rows);
    ::DestroyWindow(t);
  }
}

// An item that had a row and was hidden has none, however many layouts
// follow (a long session lays a tree out many times over).
TEST_F(TreeTest, AHiddenItemHasNoRowHoweverManyLayoutsFollow) {
  HWND t = Tree();
  HTREEITEM a = Add(t, TVI_ROOT, u"a");
  HTREEITEM hidden = Add(t, a, u"hidden");
  HTREEITEM b = Add(t, TVI_ROOT, u"b");
  HTREEITEM bChild = Add(t, b, u"b child");
  ::SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(a));
  auto hasRow = [&](HTREEITEM item) {
    RECT r{};
    *reinterpret_cast<HTREEITEM*>(&r) = item;
    return ::SendMessage(t, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&r)) != 0;
  };
  ASSERT_TRUE(hasRow(hidden));
  ::SendMessage(t, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(a));
  for (int layout = 0; layout < 600; ++layout) {
    ::SendMessage(t, TVM_EXPAND, TVE_TOGGLE, reinterpret_cast<LPARAM>(b));
    ASSERT_FALSE(hasRow(hidden)) << "layout " << layout;
    ASSERT_EQ(hasRow(bChild), layout % 2 == 0) << "layout " << layout;
    ASSERT_EQ(Next(t, TVGN_NEXTVISIBLE, a), b);
    ASSERT_EQ(Next(t, TVGN_PREVIOUSVISIBLE, b), a);
  }
}

// A parent that deletes a row still to be painted while it draws an earlier
// one: painting goes on over the items that are left.
TEST_F(TreeTest, PaintingGoesOnOverTheItemsLeftWhenTheParentDeletesOneWhileDrawing) {
  HWND t = Tree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 300, 200);
  static std::vector<HTREEITEM> items, painted;
  items.clear();
  painted.clear();
  for (const char16_t* text : {u"a", u"b", u"c", u"d", u"e"}) items.push_back(Add(t, TVI_ROOT, text));
  PumpUntilIdle();
  static HWND tree;
  tree = t;
  g_answer = [](NMHDR* hdr) -> LRESULT {
    if (static_cast<int>(hdr->code) != NM_CUSTOMDRAW) return 0;
    auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(hdr);
    if (cd->dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd->dwDrawStage == CDDS_ITEMPREPAINT) {
      const auto item = reinterpret_cast<HTREEITEM>(cd->dwItemSpec);
      painted.push_back(item);
      if (item == items[1]) ::SendMessage(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(items[2]));
    }
    return CDRF_DODEFAULT;
  };
  ::InvalidateRect(t, nullptr, TRUE);
  ::UpdateWindow(t);
  g_answer = nullptr;
  const std::vector<HTREEITEM> want = {items[0], items[1], items[3], items[4]};
  ASSERT_GE(painted.size(), want.size());
  EXPECT_EQ(std::vector<HTREEITEM>(painted.begin(), painted.begin() + 4), want);
  EXPECT_EQ(::SendMessage(t, TVM_GETCOUNT, 0, 0), 4);
}

}  // namespace
}  // namespace ctltest
