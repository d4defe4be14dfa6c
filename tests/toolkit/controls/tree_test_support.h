// Shared set-up of the tree control tests: a fake clock, a clean desktop,
// a framework parent window that records the notifications the tree sends
// (after the tree's own reflected handlers have seen them) and helpers to
// click on items.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/framework/afx.h"
#include "platform/framework/afxmsg.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/controls/treectrl.h"

namespace tktree {

struct Note {
  int code;
  UINT action;
  HTREEITEM oldItem;
  HTREEITEM newItem;
  POINT drag;
};

inline bool CarriesTreeView(int code) {
  for (UINT c : {TVN_SELCHANGING, TVN_SELCHANGED, TVN_ITEMEXPANDING, TVN_ITEMEXPANDED, TVN_BEGINDRAG, TVN_BEGINRDRAG,
                 TVN_DELETEITEM})
    if (code == static_cast<int>(c)) return true;
  return false;
}

class CNotifyParent : public CWnd {
 public:
  std::vector<Note> notes;
  std::function<LRESULT(NMHDR*)> answer;

 protected:
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
    if (CWnd::OnNotify(wParam, lParam, pResult)) return TRUE;
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    const int code = static_cast<int>(hdr->code);
    Note note{code, 0, nullptr, nullptr, POINT{}};
    if (CarriesTreeView(code)) {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
      note.action = nm->action;
      note.oldItem = nm->itemOld.hItem;
      note.newItem = nm->itemNew.hItem;
      note.drag = nm->ptDrag;
    }
    if (code != NM_CUSTOMDRAW) notes.push_back(note);
    *pResult = answer ? answer(hdr) : 0;
    return TRUE;
  }
};

// The tree's invariants after an operation (debug builds check them).
inline void ExpectSane(const CTKTreeCtrl& tree) {
#ifndef NDEBUG
  EXPECT_EQ(tree.CheckInvariants(), std::string());
#else
  (void)tree;
#endif
}

class TreeTest : public ::testing::Test {
 protected:
  static constexpr UINT kId = 100;
  static constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;

  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768);
    ASSERT_TRUE(parent.CreateEx(0, nullptr, u"Tree test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 500, 400, nullptr,
                                nullptr));
    pv::test::PumpUntilIdle();
  }
  void TearDown() override {
    if (tree.GetSafeHwnd()) ExpectSane(tree);
    if (tree.GetSafeHwnd()) tree.DestroyWindow();
    if (parent.GetSafeHwnd()) parent.DestroyWindow();
    pvtest::ResetDesktop();
    AfxDeleteTempMaps();
  }

  void MakeTree(DWORD extraStyle = 0, int width = 200, int height = 200) {
    ASSERT_TRUE(tree.Create(kStyle | extraStyle, CRect(10, 10, 10 + width, 10 + height), &parent, kId));
    pv::test::PumpUntilIdle();
  }
  // a, b (b1, b2), c, d, expanded, with the tree focused and multiple
  // selection on.
  void MakeSample(DWORD extraStyle = 0) {
    MakeTree(extraStyle);
    a = tree.InsertItem(u"a");
    b = tree.InsertItem(u"b");
    b1 = tree.InsertItem(u"b1", b);
    b2 = tree.InsertItem(u"b2", b);
    c = tree.InsertItem(u"c");
    d = tree.InsertItem(u"d");
    tree.Expand(b, TVE_EXPAND);
    tree.EnableMultiSelect(TRUE);
    tree.SetFocus();
    pv::test::PumpUntilIdle();
    parent.notes.clear();
  }

  CPoint LabelPoint(HTREEITEM item) const {
    CRect r;
    EXPECT_TRUE(tree.GetItemRect(item, &r, TRUE));
    return CPoint(r.left + 3, (r.top + r.bottom) / 2);
  }
  // Empty space on the item's row, right of its label.
  CPoint RightOf(HTREEITEM item) const {
    CRect r;
    EXPECT_TRUE(tree.GetItemRect(item, &r, TRUE));
    return CPoint(150, (r.top + r.bottom) / 2);
  }
  // Each press comes after the double-click time, so presses never pair.
  void Press(CPoint p, pv::test::Button button = pv::test::Button::Left) {
    pv::Clock::AdvanceBy(::GetDoubleClickTime() + 1);
    POINT s = pv::test::ClientPoint(tree.m_hWnd, p.x, p.y);
    pv::test::MouseDown(button, s.x, s.y);
  }
  void Move(CPoint p) {
    POINT s = pv::test::ClientPoint(tree.m_hWnd, p.x, p.y);
    pv::test::MouseMove(s.x, s.y);
  }
  void Release(CPoint p, pv::test::Button button = pv::test::Button::Left) {
    POINT s = pv::test::ClientPoint(tree.m_hWnd, p.x, p.y);
    pv::test::MouseUp(button, s.x, s.y);
  }
  // A click with the modifiers held (FCONTROL, FSHIFT), pumped through.
  void ClickWith(BYTE modifiers, CPoint p) {
    if (modifiers & FCONTROL) pv::test::KeyDown(VK_CONTROL);
    if (modifiers & FSHIFT) pv::test::KeyDown(VK_SHIFT);
    Press(p);
    Release(p);
    if (modifiers & FSHIFT) pv::test::KeyUp(VK_SHIFT);
    if (modifiers & FCONTROL) pv::test::KeyUp(VK_CONTROL);
    pv::test::PumpUntilIdle();
    ExpectSane(tree);
  }

  bool Selected(HTREEITEM item) const { return (tree.GetItemState(item, TVIS_SELECTED) & TVIS_SELECTED) != 0; }
  // The selected visible items as their texts, in order.
  std::u16string SelectedTexts() {
    std::u16string out;
    CTKTreeItemList list;
    tree.GetSelectedList(list);
    for (HTREEITEM h : list) {
      if (!out.empty()) out += u",";
      CString t = tree.GetItemText(h);
      out += std::u16string(t.GetString(), static_cast<size_t>(t.GetLength()));
    }
    return out;
  }
  int Count(int code) const {
    int n = 0;
    for (const Note& note : parent.notes)
      if (note.code == code) ++n;
    return n;
  }

  pv::FakeClockScope clock{2026, 3, 1, 9, 0, 0};
  CNotifyParent parent;
  CTKTreeCtrl tree;
  HTREEITEM a = nullptr, b = nullptr, b1 = nullptr, b2 = nullptr, c = nullptr, d = nullptr;
};

}  // namespace tktree
