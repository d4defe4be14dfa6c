// The framework's window helpers with the real controls: centring, binding a
// dialog's control to an object, messages to descendants, controls updated
// from command handlers (also from a modal loop's idle time), notification
// ranges, the wait cursor, form views sizing their frame, and status-bar
// prompts.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "fw_fixture.h"
#include "platform/controls/afxcmn.h"
#include "platform/framework/afx.h"
#include "tests/platform/controls/ctl_fixture.h"

namespace ctltest {
namespace {

pv::DialogTemplate Template(short cx, short cy, std::vector<pv::DialogItemTemplate> items, DWORD style = WS_VISIBLE) {
  pv::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | style;
  t.caption = u"Helpers";
  t.cx = cx;
  t.cy = cy;
  t.pointSize = 8;
  t.faceName = u"MS Shell Dlg";
  for (auto& item : items) item.style |= WS_VISIBLE;
  t.items = std::move(items);
  return t;
}

class HelpersTest : public ControlTest {
 protected:
  void TearDown() override {
    AfxDeleteTempMaps();
    ControlTest::TearDown();
  }
  static CRect WindowRect(HWND h) {
    CRect r;
    ::GetWindowRect(h, &r);
    return r;
  }
};

// ---- centring ----------------------------------------------------------------------------------------------

TEST_F(HelpersTest, CenterWindowCentresOverTheOwnerAndStaysOnTheWorkArea) {
  // The screen is 1024 x 768 with a 40-pixel task bar: the work area ends at 728.
  struct Case {
    const char* name;
    CRect owner;    // empty: no owner
    int ownerShow;  // how the owner shows
    CSize dialog;
    CPoint expected;  // the dialog's top left
  };
  const Case cases[] = {
      {"over the owner", CRect(100, 100, 500, 400), SW_SHOWNORMAL, CSize(200, 100), CPoint(200, 200)},
      {"owner near the corner: clamped", CRect(900, 600, 1100, 760), SW_SHOWNORMAL, CSize(200, 100), CPoint(824, 628)},
      {"owner off the left edge", CRect(-300, 0, 100, 100), SW_SHOWNORMAL, CSize(200, 100), CPoint(0, 0)},
      {"hidden owner: the work area", CRect(100, 100, 500, 400), SW_HIDE, CSize(200, 100), CPoint(412, 314)},
      {"minimised owner: the work area", CRect(100, 100, 500, 400), SW_MINIMIZE, CSize(200, 100), CPoint(412, 314)},
      {"no owner: the work area", CRect(), SW_SHOWNORMAL, CSize(200, 100), CPoint(412, 314)},
      {"larger than the work area: top left shows", CRect(100, 100, 500, 400), SW_SHOWNORMAL, CSize(1100, 800),
       CPoint(0, 0)},
  };
  for (const Case& c : cases) {
    CWnd owner;
    if (!c.owner.IsRectEmpty()) {
      ASSERT_TRUE(owner.CreateEx(0, nullptr, u"owner", WS_OVERLAPPEDWINDOW, c.owner.left, c.owner.top, c.owner.Width(),
                                 c.owner.Height(), nullptr, nullptr));
      owner.ShowWindow(c.ownerShow);
    }
    CWnd dlg;
    ASSERT_TRUE(dlg.CreateEx(0, nullptr, u"dialog", WS_POPUP | WS_CAPTION, 5, 5, c.dialog.cx, c.dialog.cy, owner.m_hWnd,
                             nullptr));
    dlg.CenterWindow();
    EXPECT_EQ(WindowRect(dlg.m_hWnd).TopLeft(), c.expected) << c.name;
    EXPECT_EQ(WindowRect(dlg.m_hWnd).Size(), c.dialog) << c.name;  // moved, never sized
    dlg.DestroyWindow();
    if (owner.m_hWnd) owner.DestroyWindow();
  }

  // A child centres in its parent's client area; an alternate owner wins.
  CWnd* par = CWnd::FromHandle(parent);
  CRect client;
  par->GetClientRect(&client);
  CWnd child;
  ASSERT_TRUE(child.CreateEx(0, nullptr, u"child", WS_CHILD | WS_VISIBLE, 0, 0, 100, 50, parent, nullptr));
  child.CenterWindow();
  CRect r = WindowRect(child.m_hWnd);
  par->ScreenToClient(&r);
  EXPECT_EQ(r.TopLeft(), CPoint(client.Width() / 2 - 50, client.Height() / 2 - 25));
  child.DestroyWindow();
  // A child larger than its parent keeps its top left in view.
  CWnd big;
  ASSERT_TRUE(
      big.CreateEx(0, nullptr, u"big", WS_CHILD | WS_VISIBLE, 30, 30, client.Width() + 100, 50, parent, nullptr));
  big.CenterWindow();
  r = WindowRect(big.m_hWnd);
  par->ScreenToClient(&r);
  EXPECT_EQ(r.TopLeft(), CPoint(0, client.Height() / 2 - 25));
  big.DestroyWindow();

  CWnd other, dlg;
  ASSERT_TRUE(other.CreateEx(0, nullptr, u"other", WS_OVERLAPPED | WS_VISIBLE, 600, 100, 200, 200, nullptr, nullptr));
  ASSERT_TRUE(dlg.CreateEx(0, nullptr, u"dialog", WS_POPUP, 0, 0, 100, 100, parent, nullptr));
  dlg.CenterWindow(&other);
  EXPECT_EQ(WindowRect(dlg.m_hWnd).TopLeft(), CPoint(650, 150));
  dlg.DestroyWindow();
  other.DestroyWindow();

  // A template with DS_CENTER comes up centred over its owner.
  CWnd owner;
  ASSERT_TRUE(
      owner.CreateEx(0, nullptr, u"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300, nullptr, nullptr));
  CDialog centred;
  ASSERT_TRUE(centred.CreateIndirect(Template(100, 40, {}, WS_VISIBLE | DS_CENTER), &owner));
  CRect d = WindowRect(centred.m_hWnd);
  EXPECT_NEAR(d.CenterPoint().x, 300, 1);
  EXPECT_NEAR(d.CenterPoint().y, 250, 1);
  centred.DestroyWindow();
  owner.DestroyWindow();
}

// ---- binding a dialog's control -------------------------------------------------------------------------------

class CCountingEdit : public CEdit {
 public:
  int chars = 0;

 protected:
  void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags) {
    ++chars;
    CEdit::OnChar(nChar, nRepCnt, nFlags);
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CCountingEdit, CEdit)
ON_WM_CHAR()
END_MESSAGE_MAP()

TEST_F(HelpersTest, SubclassDlgItemPutsAnObjectInFrontOfTheRealControlOnce) {
  constexpr UINT IDC_TEXT = 1001;
  CDialog dlg;
  ASSERT_TRUE(dlg.CreateIndirect(
      Template(120, 40, {{WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 7, 7, 100, 14, IDC_TEXT, u"Edit", u"", {}}}),
      CWnd::FromHandle(parent)));
  CCountingEdit edit;
  ASSERT_TRUE(edit.SubclassDlgItem(IDC_TEXT, &dlg));
  EXPECT_EQ(dlg.GetDlgItem(IDC_TEXT), &edit);
  // A second object, or a second binding, cannot take the same control; an
  // unknown id binds nothing.
  CEdit second;
  EXPECT_FALSE(second.SubclassDlgItem(IDC_TEXT, &dlg));
  EXPECT_FALSE(edit.SubclassDlgItem(IDC_TEXT, &dlg));
  EXPECT_FALSE(second.SubclassDlgItem(4242, &dlg));
  EXPECT_EQ(second.m_hWnd, nullptr);
  // Typing passes the object first and still edits (each character once).
  ::SetFocus(edit.m_hWnd);
  pv::test::TypeText(u"hey");
  pv::test::PumpUntilIdle();
  EXPECT_EQ(edit.chars, 3);
  EXPECT_EQ(Text(edit.m_hWnd), u"hey");
  // The control goes with its dialog; the object lets go of it.
  dlg.DestroyWindow();
  EXPECT_EQ(edit.m_hWnd, nullptr);
  EXPECT_EQ(AfxPermanentWindowCount(), 0);
}

// ---- messages to descendants ----------------------------------------------------------------------------------

TEST_F(HelpersTest, DescendantsDeepOrShallowBoundOrNot) {
  // A drop-down combo owns an edit: a grandchild of the dialog. Edits keep
  // the limit EM_LIMITTEXT gives them; the combo itself ignores the message.
  constexpr UINT IDC_COMBO = 1001, IDC_BOUND = 1002, IDC_FREE = 1003;
  CDialog dlg;
  ASSERT_TRUE(
      dlg.CreateIndirect(Template(150, 80,
                                  {{WS_TABSTOP | CBS_DROPDOWN, 0, 7, 7, 100, 60, IDC_COMBO, u"ComboBox", u"", {}},
                                   {WS_TABSTOP | WS_BORDER, 0, 7, 30, 100, 14, IDC_BOUND, u"Edit", u"", {}},
                                   {WS_TABSTOP | WS_BORDER, 0, 7, 50, 100, 14, IDC_FREE, u"Edit", u"", {}}}),
                         CWnd::FromHandle(parent)));
  HWND comboEdit = ::GetWindow(::GetDlgItem(dlg.m_hWnd, IDC_COMBO), GW_CHILD);
  ASSERT_NE(comboEdit, nullptr);
  CEdit bound;
  ASSERT_TRUE(bound.SubclassDlgItem(IDC_BOUND, &dlg));
  HWND free = ::GetDlgItem(dlg.m_hWnd, IDC_FREE);
  struct Case {
    BOOL deep, onlyPerm;
    bool bound, free, grandchild;
  };
  for (Case c : {Case{FALSE, FALSE, true, true, false}, Case{TRUE, FALSE, true, true, true},
                 Case{TRUE, TRUE, true, false, false}, Case{FALSE, TRUE, true, false, false}}) {
    for (HWND h : {bound.m_hWnd, free, comboEdit}) ::SendMessage(h, EM_LIMITTEXT, 100, 0);
    dlg.SendMessageToDescendants(EM_LIMITTEXT, 7, 0, c.deep, c.onlyPerm);
    auto reached = [](HWND h) { return ::SendMessage(h, EM_GETLIMITTEXT, 0, 0) == 7; };
    EXPECT_EQ(reached(bound.m_hWnd), c.bound) << c.deep << c.onlyPerm;
    EXPECT_EQ(reached(free), c.free) << c.deep << c.onlyPerm;
    EXPECT_EQ(reached(comboEdit), c.grandchild) << c.deep << c.onlyPerm;
  }
  dlg.DestroyWindow();
}

// ---- controls following command handlers -------------------------------------------------------------------

constexpr UINT IDC_PUSH = 2001, IDC_PUSH_ORPHAN = 2002, IDC_AUTOCHECK_ORPHAN = 2003, IDC_RADIO_ORPHAN = 2004,
               IDC_GROUPBOX = 2005, IDC_CHECK = 2006, IDC_RADIO = 2007, IDC_EDIT = 2008, IDC_OWN = 2009,
               IDC_CHECKBOX_ORPHAN = 2010, IDC_EDIT_ORPHAN = 2011, IDC_SELF = 2012;

// What the handlers say, set by each case.
struct Wishes {
  BOOL push = TRUE, own = TRUE, radio = FALSE;
  int check = 0;
  const char16_t* text = u"";
};
Wishes& Wish() {
  static Wishes w;
  return w;
}

class CTarget : public CCmdTarget {
 protected:
  void OnUpdatePush(CCmdUI* ui) { ui->Enable(Wish().push); }
  void OnUpdateCheck(CCmdUI* ui) { ui->SetCheck(Wish().check); }
  void OnUpdateRadio(CCmdUI* ui) { ui->SetRadio(Wish().radio); }
  void OnUpdateEdit(CCmdUI* ui) { ui->SetText(Wish().text); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTarget, CCmdTarget)
ON_UPDATE_COMMAND_UI(IDC_PUSH, OnUpdatePush)
ON_UPDATE_COMMAND_UI(IDC_CHECK, OnUpdateCheck)
ON_UPDATE_COMMAND_UI(IDC_RADIO, OnUpdateRadio)
ON_UPDATE_COMMAND_UI(IDC_EDIT, OnUpdateEdit)
END_MESSAGE_MAP()

// A dialog bar-like window with an update handler of its own.
class CPanel : public CDialog {
 protected:
  void OnUpdateOwn(CCmdUI* ui) { ui->Enable(Wish().own); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CPanel, CDialog)
ON_UPDATE_COMMAND_UI(IDC_OWN, OnUpdateOwn)
END_MESSAGE_MAP()

// A button that decides its own state.
class CSelfButton : public CButton {
 public:
  int updates = 0;

 protected:
  void OnUpdateSelf(CCmdUI* ui) {
    ++updates;
    ui->Enable(FALSE);
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CSelfButton, CButton)
ON_UPDATE_COMMAND_UI_REFLECT(OnUpdateSelf)
END_MESSAGE_MAP()

TEST_F(HelpersTest, UpdateDialogControlsFollowsHandlersAndSparesButtonsThatWorkAlone) {
  auto item = [](DWORD style, short y, UINT id, const char16_t* cls) {
    return pv::DialogItemTemplate{static_cast<DWORD>(style | WS_TABSTOP), 0, 7, y, 90, 12, id, cls, u"x", {}};
  };
  CPanel panel;
  ASSERT_TRUE(panel.CreateIndirect(
      Template(
          110, 200,
          {item(BS_PUSHBUTTON, 4, IDC_PUSH, u"Button"), item(BS_PUSHBUTTON, 18, IDC_PUSH_ORPHAN, u"Button"),
           item(BS_AUTOCHECKBOX, 32, IDC_AUTOCHECK_ORPHAN, u"Button"),
           item(BS_AUTORADIOBUTTON | WS_GROUP, 46, IDC_RADIO_ORPHAN, u"Button"),
           item(BS_GROUPBOX | WS_GROUP, 60, IDC_GROUPBOX, u"Button"), item(BS_AUTOCHECKBOX, 74, IDC_CHECK, u"Button"),
           item(BS_AUTORADIOBUTTON | WS_GROUP, 88, IDC_RADIO, u"Button"),
           item(WS_BORDER | WS_GROUP, 102, IDC_EDIT, u"Edit"), item(BS_PUSHBUTTON, 116, IDC_OWN, u"Button"),
           item(BS_CHECKBOX, 130, IDC_CHECKBOX_ORPHAN, u"Button"), item(WS_BORDER, 144, IDC_EDIT_ORPHAN, u"Edit"),
           item(BS_PUSHBUTTON, 158, IDC_SELF, u"Button"), item(BS_DEFPUSHBUTTON, 172, IDOK, u"Button")}),
      CWnd::FromHandle(parent)));
  CSelfButton self;
  ASSERT_TRUE(self.SubclassDlgItem(IDC_SELF, &panel));
  auto on = [&](UINT id) { return ::IsWindowEnabled(::GetDlgItem(panel.m_hWnd, static_cast<int>(id))) != FALSE; };
  auto send = [&](UINT id, UINT msg) { return ::SendDlgItemMessage(panel.m_hWnd, static_cast<int>(id), msg, 0, 0); };
  CTarget target;
  struct Case {
    const char* name;
    Wishes wish;
    BOOL disableIfNoHandler;
    bool push, pushOrphan, own;
  };
  const Case cases[] = {
      {"all on", {TRUE, TRUE, TRUE, BST_CHECKED, u"first"}, TRUE, true, false, true},
      {"all off", {FALSE, FALSE, FALSE, BST_INDETERMINATE, u"second"}, TRUE, false, false, false},
      {"orphans kept", {TRUE, TRUE, FALSE, BST_UNCHECKED, u""}, FALSE, true, true, true},
  };
  for (const Case& c : cases) {
    for (UINT id = IDC_PUSH; id <= IDC_SELF; ++id)
      ::EnableWindow(::GetDlgItem(panel.m_hWnd, static_cast<int>(id)), TRUE);
    Wish() = c.wish;
    panel.UpdateDialogControls(&target, c.disableIfNoHandler);
    EXPECT_EQ(on(IDC_PUSH), c.push) << c.name;
    EXPECT_EQ(on(IDC_PUSH_ORPHAN), c.pushOrphan) << c.name;
    EXPECT_EQ(on(IDC_CHECKBOX_ORPHAN), c.pushOrphan) << c.name;  // a plain check box needs a handler
    EXPECT_EQ(on(IDC_OWN), c.own) << c.name;                     // the panel's own handler counts
    // Buttons that work alone, group boxes and edits are never disabled for
    // want of a handler.
    for (UINT id : {IDC_AUTOCHECK_ORPHAN, IDC_RADIO_ORPHAN, IDC_GROUPBOX, IDC_EDIT_ORPHAN, IDC_CHECK, IDC_RADIO,
                    static_cast<UINT>(IDOK)})
      EXPECT_TRUE(on(id)) << c.name << " " << id;
    EXPECT_EQ(send(IDC_CHECK, BM_GETCHECK), c.wish.check == BST_INDETERMINATE ? BST_CHECKED : c.wish.check) << c.name;
    EXPECT_EQ(send(IDC_RADIO, BM_GETCHECK), c.wish.radio ? BST_CHECKED : BST_UNCHECKED) << c.name;
    EXPECT_EQ(Text(::GetDlgItem(panel.m_hWnd, IDC_EDIT)), std::u16string(c.wish.text)) << c.name;
    // The self-updating button disabled itself, and only itself.
    EXPECT_FALSE(on(IDC_SELF)) << c.name;
  }
  EXPECT_EQ(self.updates, 3);

  // Disabling the control that has the focus moves the focus on first.
  Wish().push = TRUE;
  panel.UpdateDialogControls(&target, TRUE);
  HWND push = ::GetDlgItem(panel.m_hWnd, IDC_PUSH);
  ::SetFocus(push);
  Wish().push = FALSE;
  panel.UpdateDialogControls(&target, TRUE);
  EXPECT_FALSE(::IsWindowEnabled(push));
  EXPECT_NE(::GetFocus(), push);
  EXPECT_TRUE(::IsChild(panel.m_hWnd, ::GetFocus()));
  panel.DestroyWindow();
}

TEST_F(HelpersTest, DisablingTheFocusedControlMovesTheFocusInAnyParent) {
  // A plain window holding controls (a bar, a pane), not a dialog.
  CWnd host;
  ASSERT_TRUE(host.CreateEx(0, nullptr, u"host", WS_CHILD | WS_VISIBLE, 0, 0, 300, 100, parent, nullptr));
  CEdit first, second;
  ASSERT_TRUE(first.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, CRect(5, 5, 100, 25), &host, IDC_PUSH));
  ASSERT_TRUE(second.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, CRect(5, 30, 100, 50), &host, IDC_EDIT));
  ::SetFocus(first.m_hWnd);
  CTarget target;
  Wish() = Wishes{};
  Wish().push = FALSE;
  host.UpdateDialogControls(&target, FALSE);
  EXPECT_FALSE(first.IsWindowEnabled());
  EXPECT_EQ(::GetFocus(), second.m_hWnd);
  host.DestroyWindow();
}

// A modal chooser that updates its OK button at idle time, reading its
// controls each time: OK is enabled only while the name combo has text.
class CChooserDlg : public CDialog {
 public:
  CComboBox m_name;             // bound by the exchange
  CString m_kind = u"Aff";      // picks "Affairs" by prefix
  std::vector<LPARAM> kicks;    // the idle counts WM_KICKIDLE brought
  std::vector<bool> okEnabled;  // OK's state after each update
  std::vector<WPARAM> kinds;
  std::function<void()> user;  // acts at the end of each idle stretch

  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, 1001, m_name);
    DDX_CBString(pDX, 1002, m_kind);
  }
  BOOL OnInitDialog() override {
    for (const char16_t* s : {u"Work", u"Affairs", u"Other"})
      ::SendDlgItemMessage(m_hWnd, 1002, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    return CDialog::OnInitDialog();
  }

 protected:
  LRESULT OnKickIdle(WPARAM wParam, LPARAM lCount) {
    kinds.push_back(wParam);
    kicks.push_back(lCount);
    UpdateDialogControls(this, FALSE);
    okEnabled.push_back(::IsWindowEnabled(::GetDlgItem(m_hWnd, IDOK)) != FALSE);
    if (lCount == 2 && user) user();
    return lCount < 2;  // asks for two more idle calls, then waits for messages
  }
  void OnUpdateOK(CCmdUI* ui) {
    UpdateData(TRUE);
    ui->Enable(m_name.GetWindowTextLength() > 0);
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CChooserDlg, CDialog)
ON_MESSAGE(WM_KICKIDLE, OnKickIdle)
ON_UPDATE_COMMAND_UI(IDOK, OnUpdateOK)
END_MESSAGE_MAP()

TEST_F(HelpersTest, ModalLoopKicksIdleUpdatesBetweenMessages) {
  CChooserDlg dlg;
  // The user types a name while the dialog idles, then presses Enter once OK
  // has been enabled.
  bool typed = false;
  dlg.user = [&] {
    if (!typed) {
      pv::test::TypeText(u"Garden");
      typed = true;
    } else if (dlg.okEnabled.back()) {
      pv::test::KeyPress(VK_RETURN);
    }
  };
  dlg.InitModalIndirect(
      Template(120, 60,
               {{WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_SORT, 0, 7, 7, 100, 60, 1001, u"ComboBox", u"", {}},
                {WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 7, 25, 100, 60, 1002, u"ComboBox", u"", {}},
                {WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 7, 42, 50, 14, IDOK, u"Button", u"OK", {}}},
               0),
      CWnd::FromHandle(parent));
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_kind, CString(u"Affairs"));
  EXPECT_EQ(dlg.m_name.m_hWnd, nullptr);  // let go with the dialog
  ASSERT_GE(dlg.kicks.size(), 6u);
  // Each idle stretch counts 0, 1, 2 and stops there.
  EXPECT_EQ(std::vector<LPARAM>(dlg.kicks.begin(), dlg.kicks.begin() + 3), (std::vector<LPARAM>{0, 1, 2}));
  for (size_t i = 0; i < dlg.kicks.size(); ++i) {
    EXPECT_LE(dlg.kicks[i], 2) << i;
    if (dlg.kicks[i] > 0) {
      EXPECT_EQ(dlg.kicks[i], dlg.kicks[i - 1] + 1) << i;
    }
    EXPECT_EQ(dlg.kinds[i], static_cast<WPARAM>(MSGF_DIALOGBOX)) << i;
  }
  // OK started disabled and was enabled by the idle update after the typing.
  EXPECT_FALSE(dlg.okEnabled.front());
  EXPECT_TRUE(dlg.okEnabled.back());
  EXPECT_EQ(std::count(dlg.kicks.begin(), dlg.kicks.end(), 0), 2);  // two idle stretches: before and after typing
}

// ---- notification ranges ---------------------------------------------------------------------------------

class CRangeDlg : public CDialog {
 public:
  std::vector<UINT> picked;
  std::vector<UINT> changed;

 protected:
  void OnPick(UINT id) { picked.push_back(id); }
  void OnDateChange(UINT id, NMHDR* hdr, LRESULT* result) {
    EXPECT_EQ(hdr->idFrom, id);
    EXPECT_EQ(hdr->hwndFrom, ::GetDlgItem(m_hWnd, static_cast<int>(id)));
    changed.push_back(id);
    *result = 0;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CRangeDlg, CDialog)
ON_CONTROL_RANGE(BN_CLICKED, 3001, 3003, OnPick)
ON_NOTIFY_RANGE(DTN_DATETIMECHANGE, 3101, 3102, OnDateChange)
END_MESSAGE_MAP()

TEST_F(HelpersTest, RangesOfControlsReachOneHandlerWithTheSendersId) {
  std::vector<pv::DialogItemTemplate> items;
  for (UINT id = 3001; id <= 3004; ++id)
    items.push_back({WS_TABSTOP, 0, 7, static_cast<short>(7 + (id - 3001) * 16), 50, 14, id, u"Button", u"B", {}});
  for (UINT id = 3101; id <= 3103; ++id)
    items.push_back(
        {WS_TABSTOP, 0, 70, static_cast<short>(7 + (id - 3101) * 18), 80, 14, id, u"SysDateTimePick32", u"", {}});
  CRangeDlg dlg;
  ASSERT_TRUE(dlg.CreateIndirect(Template(160, 80, items), CWnd::FromHandle(parent)));
  pv::test::PumpUntilIdle();
  for (UINT id : {3002u, 3004u, 3001u}) {
    HWND b = ::GetDlgItem(dlg.m_hWnd, static_cast<int>(id));
    pv::test::ClickClient(b, 10, 5);
    pv::test::PumpUntilIdle();
  }
  EXPECT_EQ(dlg.picked, (std::vector<UINT>{3002, 3001}));  // 3004 is outside the range

  SYSTEMTIME st{};
  st.wYear = 2026;
  st.wMonth = 3;
  st.wDay = 10;
  for (UINT id = 3101; id <= 3103; ++id) {
    HWND picker = ::GetDlgItem(dlg.m_hWnd, static_cast<int>(id));
    ::SendMessage(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
    ::SetFocus(picker);
    pv::test::KeyPress(VK_UP);
    pv::test::PumpUntilIdle();
  }
  EXPECT_EQ(dlg.changed, (std::vector<UINT>{3101, 3102}));  // 3103 is outside the range
  dlg.DestroyWindow();
}

// ---- wait cursor ----------------------------------------------------------------------------------------------

TEST_F(HelpersTest, WaitCursorNestsAndRestoresTheCursorItReplaced) {
  HCURSOR arrow = ::LoadCursor(nullptr, IDC_ARROW), wait = ::LoadCursor(nullptr, IDC_WAIT);
  HCURSOR cross = ::LoadCursor(nullptr, IDC_CROSS);
  ::SetCursor(cross);
  {
    CWaitCursor outer;
    EXPECT_EQ(::GetCursor(), wait);
    {
      CWaitCursor inner;
      ::SetCursor(arrow);  // a message box on the way changed it
      inner.Restore();
      EXPECT_EQ(::GetCursor(), wait);
      EXPECT_EQ(AfxWaitCursorDepth(), 2);
    }
    EXPECT_EQ(::GetCursor(), wait);  // the outer wait goes on
  }
  EXPECT_EQ(::GetCursor(), cross);
  EXPECT_EQ(AfxWaitCursorDepth(), 0);
  // A window's helpers share the count.
  CCmdTarget target;
  target.BeginWaitCursor();
  EXPECT_EQ(::GetCursor(), wait);
  target.EndWaitCursor();
  EXPECT_EQ(::GetCursor(), cross);
}

// ---- frames: form views and message strings -------------------------------------------------------------------

constexpr UINT IDD_FORM = 300, ID_OPEN_NOTE = 32900, ID_NO_PROMPT = 32901, ID_CUSTOM = 32902;

class CTestFrame : public CFrameWnd {
 public:
  CControlBar status;
  void GetMessageString(UINT nID, CString& rMessage) const override {
    if (nID == ID_CUSTOM) rMessage = u"Computed prompt";
    else CFrameWnd::GetMessageString(nID, rMessage);
  }
};

class CForm : public CFormView {
 public:
  CForm() : CFormView(IDD_FORM) {}
};

class FrameHelpersTest : public HelpersTest {
 protected:
  void SetUp() override {
    HelpersTest::SetUp();
    pv::DialogTemplate form;
    form.style = WS_CHILD | DS_SETFONT;
    form.cx = 160;
    form.cy = 90;
    form.pointSize = 8;
    form.faceName = u"MS Shell Dlg";
    form.items.push_back({WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 10, 10, 100, 14, 1001, u"Edit", u"", {}});
    res_.Add(5, IDD_FORM, pv::EncodeDialogResource(form));
    res_.String(AFX_IDS_IDLEMESSAGE, u"Ready");
    res_.String(ID_OPEN_NOTE, u"Opens a note\nOpen");
    res_.Register();
    frame_ = new CTestFrame;
    ASSERT_TRUE(frame_->Create(nullptr, u"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 700, 500)));
    frame_->status.m_dwStyle = CBRS_BOTTOM;
    ASSERT_TRUE(
        frame_->status.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 20), frame_, AFX_IDW_STATUS_BAR));
  }
  void TearDown() override {
    if (::IsWindow(frameHwnd())) frame_->DestroyWindow();
    HelpersTest::TearDown();
  }
  HWND frameHwnd() const { return frame_ ? frame_->m_hWnd : nullptr; }
  fwtest::Resources res_;
  CTestFrame* frame_ = nullptr;
};

TEST_F(FrameHelpersTest, ResizeParentToFitGivesTheFormItsTemplateSizeBesideTheBars) {
  auto* form = new CForm;
  ASSERT_TRUE(
      form->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), frame_, AFX_IDW_PANE_FIRST, nullptr));
  frame_->RecalcLayout();
  const CSize total = form->GetTotalSize();
  ASSERT_GT(total.cx, 0);
  auto viewSize = [&] {
    CRect r;
    form->GetClientRect(&r);
    return r.Size();
  };
  struct Case {
    const char* name;
    CSize frame;
    BOOL shrinkOnly;
    bool fits;  // false: the frame keeps its size
  };
  const Case cases[] = {
      {"shrinks a large frame", CSize(900, 700), TRUE, true},
      {"a small frame stays when only shrinking", CSize(200, 150), TRUE, false},
      {"grows a small frame", CSize(200, 150), FALSE, true},
      {"shrinks and grows at once", CSize(900, 120), FALSE, true},
  };
  for (const Case& c : cases) {
    frame_->SetWindowPos(nullptr, 0, 0, c.frame.cx, c.frame.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    frame_->RecalcLayout();
    CSize before = WindowRect(frame_->m_hWnd).Size();
    form->ResizeParentToFit(c.shrinkOnly);
    if (c.fits) {
      EXPECT_EQ(viewSize(), total) << c.name;
      // The status bar keeps its room below the form.
      CRect bar = WindowRect(frame_->status.m_hWnd), view = WindowRect(form->m_hWnd);
      EXPECT_EQ(bar.top, view.bottom) << c.name;
    } else {
      EXPECT_EQ(WindowRect(frame_->m_hWnd).Size(), before) << c.name;
    }
  }
}

TEST_F(FrameHelpersTest, MessageStringsReachTheStatusBar) {
  auto bar = [&] { return Text(frame_->status.m_hWnd); };
  struct Case {
    const char* name;
    WPARAM id;
    const char16_t* text;  // lParam
    std::u16string shown;
  };
  const Case cases[] = {
      {"a command's prompt is its string up to the newline", ID_OPEN_NOTE, nullptr, u"Opens a note"},
      {"a frame may compute prompts", ID_CUSTOM, nullptr, u"Computed prompt"},
      {"no string: an empty bar", ID_NO_PROMPT, nullptr, u""},
      {"literal text", 0, u"Saving…", u"Saving…"},
      {"the idle prompt", AFX_IDS_IDLEMESSAGE, nullptr, u"Ready"},
  };
  const Case* last = nullptr;
  for (const Case& c : cases) {
    LRESULT previous = frame_->SendMessage(WM_SETMESSAGESTRING, c.id, reinterpret_cast<LPARAM>(c.text));
    EXPECT_EQ(bar(), c.shown) << c.name;
    if (last) {
      EXPECT_EQ(static_cast<WPARAM>(previous), last->id) << c.name;  // answers the id it replaced
    }
    last = &c;
  }
  CString s;
  frame_->GetMessageString(ID_OPEN_NOTE, s);
  EXPECT_EQ(s, CString(u"Opens a note"));

  // Moving through a menu shows each item's prompt; closing it, the idle one.
  CMenu menu;
  menu.CreatePopupMenu();
  menu.AppendMenu(MF_STRING, ID_OPEN_NOTE, u"&Open");
  menu.AppendMenu(MF_SEPARATOR);
  frame_->SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_OPEN_NOTE, MF_STRING), reinterpret_cast<LPARAM>(menu.m_hMenu));
  EXPECT_EQ(bar(), u"Opens a note");
  frame_->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, MF_SEPARATOR), reinterpret_cast<LPARAM>(menu.m_hMenu));
  EXPECT_EQ(bar(), u"");
  frame_->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  EXPECT_EQ(bar(), u"Ready");
}

}  // namespace
}  // namespace ctltest
