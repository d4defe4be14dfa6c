// The framework wrappers create the controls and speak their messages.
#include "ctl_fixture.h"
#include "platform/controls/afxcmn.h"

namespace ctltest {
namespace {

TEST_F(ControlTest, WrappersCreateControlsAndRoundTripItems) {
  CWnd* par = CWnd::FromHandle(parent);
  CTreeCtrl tree;
  ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_EDITLABELS,
                          CRect(0, 0, 200, 150), par, 900));
  EXPECT_TRUE(tree.IsKindOf(RUNTIME_CLASS(CTreeCtrl)));
  HTREEITEM root = tree.InsertItem(u"root");
  HTREEITEM b = tree.InsertItem(u"b", root);
  HTREEITEM a = tree.InsertItem(u"a", root, TVI_SORT);
  tree.SetItemData(a, 42);
  EXPECT_EQ(tree.GetChildItem(root), a);
  EXPECT_EQ(tree.GetNextSiblingItem(a), b);
  EXPECT_EQ(tree.GetParentItem(b), root);
  EXPECT_EQ(tree.GetItemData(a), 42u);
  EXPECT_TRUE(tree.ItemHasChildren(root));
  EXPECT_FALSE(tree.ItemHasChildren(a));
  std::u16string longText(1000, u'x');
  tree.SetItemText(b, longText.c_str());
  EXPECT_EQ(tree.GetItemText(b).GetLength(), 1000);
  tree.SetCheck(a, TRUE);
  EXPECT_TRUE(tree.GetCheck(a));
  EXPECT_TRUE(tree.Expand(root, TVE_EXPAND));
  EXPECT_TRUE(tree.SelectItem(b));
  EXPECT_EQ(tree.GetSelectedItem(), b);
  CEdit* edit = tree.EditLabel(b);
  ASSERT_NE(edit, nullptr);
  edit->SetWindowText(u"renamed");
  EXPECT_TRUE(tree.EndEditLabelNow(FALSE));
  EXPECT_EQ(tree.GetItemText(b).GetLength(), 1000);  // the parent did not accept (answered 0)
  EXPECT_EQ(tree.GetCount(), 3u);
  EXPECT_TRUE(tree.DeleteAllItems());
  EXPECT_EQ(tree.GetCount(), 0u);

  CEdit e;
  ASSERT_TRUE(e.Create(WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, CRect(0, 160, 200, 184), par, 901));
  e.SetWindowText(u"hello");
  e.SetSel(1, 3);
  int s = 0, t = 0;
  e.GetSel(s, t);
  EXPECT_EQ(s, 1);
  EXPECT_EQ(t, 3);
  e.ReplaceSel(u"EL", TRUE);
  CString text;
  e.GetWindowText(text);
  EXPECT_EQ(text, CString(u"hELlo"));
  EXPECT_TRUE(e.CanUndo());
  e.LimitText(10);
  EXPECT_EQ(e.GetLimitText(), 10u);

  CButton check;
  ASSERT_TRUE(check.Create(u"Check", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, CRect(0, 190, 100, 210), par, 902));
  check.SetCheck(BST_CHECKED);
  EXPECT_EQ(check.GetCheck(), BST_CHECKED);
  CStatic label;
  ASSERT_TRUE(label.Create(u"Label", WS_CHILD | WS_VISIBLE | SS_LEFT, CRect(0, 215, 100, 235), par));
  EXPECT_EQ(label.GetDlgCtrlID(), 0xFFFF);
}

TEST_F(ControlTest, ListComboTipAndDateWrappers) {
  CWnd* par = CWnd::FromHandle(parent);
  CListBox list;
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LBS_SORT, CRect(0, 0, 100, 80), par, 910));
  list.AddString(u"b");
  list.AddString(u"a");
  CString s;
  list.GetText(0, s);
  EXPECT_EQ(s, CString(u"a"));
  list.SetItemData(1, 7);
  EXPECT_EQ(list.GetItemData(1), 7u);
  EXPECT_EQ(list.SetCurSel(1), 1);
  EXPECT_EQ(list.GetCurSel(), 1);

  CComboBox combo;
  ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(0, 90, 100, 114), par, 911));
  combo.AddString(u"x");
  combo.AddString(u"yy");
  combo.SetCurSel(1);
  combo.GetLBText(1, s);
  EXPECT_EQ(s, CString(u"yy"));
  CString shown;
  combo.GetWindowText(shown);
  EXPECT_EQ(shown, CString(u"yy"));

  CToolTipCtrl tip;
  ASSERT_TRUE(tip.Create(par, TTS_ALWAYSTIP));
  CRect r(0, 0, 50, 50);
  EXPECT_TRUE(tip.AddTool(par, u"tip text", &r, 5));
  tip.GetText(s, par, 5);
  EXPECT_EQ(s, CString(u"tip text"));
  tip.UpdateTipText(u"new text", par, 5);
  tip.GetText(s, par, 5);
  EXPECT_EQ(s, CString(u"new text"));
  EXPECT_EQ(tip.GetToolCount(), 1);

  CDateTimeCtrl dtp;
  ASSERT_TRUE(dtp.Create(WS_CHILD | WS_VISIBLE | DTS_SHOWNONE, CRect(0, 120, 150, 144), par, 912));
  SYSTEMTIME st{};
  st.wYear = 2024;
  st.wMonth = 2;
  st.wDay = 29;
  EXPECT_TRUE(dtp.SetTime(&st));
  SYSTEMTIME out{};
  EXPECT_EQ(dtp.GetTime(&out), static_cast<DWORD>(GDT_VALID));
  EXPECT_EQ(out.wDay, 29);
  EXPECT_TRUE(dtp.SetTime(nullptr));
  EXPECT_EQ(dtp.GetTime(&out), static_cast<DWORD>(GDT_NONE));
  EXPECT_EQ(dtp.GetMonthCalCtrl(), nullptr);
}

}  // namespace
}  // namespace ctltest
