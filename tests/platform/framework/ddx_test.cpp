// Dialog data exchange and validation against the real controls: a dialog
// made from an in-memory template holding edits, check boxes, a radio group,
// both kinds of drop-down combo, a list box, a date picker and a calendar.
#include <functional>
#include <string>
#include <vector>

#include "platform/base/oledatetime.h"
#include "platform/controls/afxcmn.h"
#include "platform/framework/afx.h"
#include "platform/system/msgbox.h"
#include "tests/platform/controls/ctl_fixture.h"

namespace ctltest {
namespace {

constexpr UINT IDC_NAME = 1001, IDC_COUNT = 1002, IDC_NUMBER = 1003;
constexpr UINT IDC_TRI = 1004, IDC_PLAIN = 1005;
constexpr UINT IDC_R1 = 1010, IDC_R2 = 1011, IDC_R3 = 1012, IDC_OTHER = 1013;
constexpr UINT IDC_DROPDOWN = 1020, IDC_DROPLIST = 1021, IDC_LIST = 1022;
constexpr UINT IDC_DATE = 1030, IDC_CAL = 1031;

pv::DialogTemplate DataTemplate() {
  pv::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | DS_SETFONT;
  t.caption = u"Data";
  t.cx = 330;
  t.cy = 180;
  t.pointSize = 8;
  t.faceName = u"MS Shell Dlg";
  auto add = [&](DWORD style, short x, short y, short cx, short cy, UINT id, const char16_t* cls,
                 const char16_t* text = u"") {
    t.items.push_back({static_cast<DWORD>(WS_VISIBLE | style), 0, x, y, cx, cy, id, cls, text, {}});
  };
  add(WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 7, 7, 80, 14, IDC_NAME, u"Edit");
  add(WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 7, 25, 80, 14, IDC_COUNT, u"Edit");
  add(WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 7, 43, 80, 14, IDC_NUMBER, u"Edit");
  add(WS_TABSTOP | BS_AUTO3STATE, 100, 7, 80, 10, IDC_TRI, u"Button", u"Three");
  add(WS_TABSTOP | BS_AUTOCHECKBOX, 100, 20, 80, 10, IDC_PLAIN, u"Button", u"Plain");
  add(WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, 100, 35, 80, 10, IDC_R1, u"Button", u"One");
  add(BS_AUTORADIOBUTTON, 100, 47, 80, 10, IDC_R2, u"Button", u"Two");
  add(BS_AUTORADIOBUTTON, 100, 59, 80, 10, IDC_R3, u"Button", u"Three");
  add(WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, 100, 71, 80, 10, IDC_OTHER, u"Button", u"Other group");
  add(WS_GROUP | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN, 7, 61, 80, 60, IDC_DROPDOWN, u"ComboBox");
  add(WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 7, 79, 80, 60, IDC_DROPLIST, u"ComboBox");
  add(WS_TABSTOP | WS_BORDER | LBS_NOTIFY, 190, 7, 60, 40, IDC_LIST, u"ListBox");
  add(WS_TABSTOP | DTS_SHOWNONE, 190, 50, 80, 14, IDC_DATE, u"SysDateTimePick32");
  add(WS_TABSTOP, 190, 68, 130, 95, IDC_CAL, u"SysMonthCal32");
  add(WS_TABSTOP | BS_DEFPUSHBUTTON, 7, 160, 50, 14, IDOK, u"Button", u"OK");
  add(WS_TABSTOP, 60, 160, 50, 14, IDCANCEL, u"Button", u"Cancel");
  return t;
}

// A dialog whose exchange each test writes; the lists are filled before the
// controls get their values, as dialogs do in OnInitDialog.
class CDataDlg : public CDialog {
 public:
  std::function<void(CDataExchange*)> exchange;
  void DoDataExchange(CDataExchange* pDX) override {
    if (exchange) exchange(pDX);
  }
  BOOL OnInitDialog() override {
    for (UINT id : {IDC_DROPDOWN, IDC_DROPLIST})
      for (const char16_t* s : {u"Apple", u"Banana", u"Cherry"})
        ::SendDlgItemMessage(m_hWnd, static_cast<int>(id), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    for (const char16_t* s : {u"red", u"green", u"blue"})
      ::SendDlgItemMessage(m_hWnd, IDC_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    return CDialog::OnInitDialog();
  }
};

class DdxTest : public ControlTest {
 protected:
  void TearDown() override {
    if (dlg.m_hWnd) dlg.DestroyWindow();
    AfxDeleteTempMaps();
    ControlTest::TearDown();
  }
  void Open(std::function<void(CDataExchange*)> exchange) {
    dlg.exchange = std::move(exchange);
    ASSERT_TRUE(dlg.CreateIndirect(DataTemplate(), CWnd::FromHandle(parent)));
    pv::test::PumpUntilIdle();
  }
  HWND Item(UINT id) const { return ::GetDlgItem(dlg.m_hWnd, static_cast<int>(id)); }
  LRESULT Send(UINT id, UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessage(Item(id), msg, wp, lp); }
  void SetText(UINT id, const char16_t* text) const { ::SetWindowText(Item(id), text); }
  // The edit's selection as (start, end).
  static std::pair<DWORD, DWORD> Sel(HWND edit) {
    DWORD a = 0, b = 0;
    ::SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return {a, b};
  }
  static std::vector<std::u16string> Texts(const pv::MessageBoxRecorder& boxes) {
    std::vector<std::u16string> v;
    for (const auto& b : boxes.Shown()) v.push_back(b.text);
    return v;
  }
  CDataDlg dlg;
};

// ---- text and numbers --------------------------------------------------------------------------------

// What saving one edit's text into a variable gave.
struct Saved {
  bool ok;
  std::u16string value;  // the variable, formatted back (unchanged on failure)
  std::u16string box;
};

TEST_F(DdxTest, NumbersParseWholeTextInRangeAndFailuresKeepTheValueAndSelectTheField) {
  // One variable of each type; the exchange picks the one a case names.
  int i = 0;
  UINT u = 0;
  short sh = 0;
  BYTE by = 0;
  double d = 0;
  float f = 0;
  const char* kind = "int";
  Open([&](CDataExchange* pDX) {
    std::string k = kind;
    if (k == "int") DDX_Text(pDX, IDC_NUMBER, i);
    if (k == "UINT") DDX_Text(pDX, IDC_NUMBER, u);
    if (k == "short") DDX_Text(pDX, IDC_NUMBER, sh);
    if (k == "BYTE") DDX_Text(pDX, IDC_NUMBER, by);
    if (k == "double") DDX_Text(pDX, IDC_NUMBER, d);
    if (k == "float") DDX_Text(pDX, IDC_NUMBER, f);
  });
  auto current = [&]() -> std::u16string {
    CString s;
    std::string k = kind;
    if (k == "int") s.Format(u"%d", i);
    if (k == "UINT") s.Format(u"%u", u);
    if (k == "short") s.Format(u"%d", sh);
    if (k == "BYTE") s.Format(u"%d", by);
    if (k == "double") s.Format(u"%g", d);
    if (k == "float") s.Format(u"%g", static_cast<double>(f));
    return std::u16string(static_cast<LPCTSTR>(s));
  };
  const std::u16string kInt = u"Please enter an integer.", kPositive = u"Please enter a positive integer.",
                       kNumber = u"Please enter a number.";
  struct Case {
    const char* kind;
    const char16_t* text;
    Saved expected;
  };
  const Case cases[] = {
      {"int", u" 42 ", {true, u"42", u""}},
      {"int", u"-7", {true, u"-7", u""}},
      {"int", u"2147483647", {true, u"2147483647", u""}},
      {"int", u"2147483648", {false, u"9", kInt}},
      {"int", u"4x", {false, u"9", kInt}},
      {"int", u"", {false, u"9", kInt}},
      {"int", u"\uff14", {false, u"9", kInt}},  // a full-width digit is no digit here
      {"UINT", u"4294967295", {true, u"4294967295", u""}},
      {"UINT", u"-1", {false, u"9", kPositive}},
      {"UINT", u"4294967296", {false, u"9", kPositive}},
      {"short", u"-32768", {true, u"-32768", u""}},
      {"short", u"40000", {false, u"9", kInt}},
      {"BYTE", u"255", {true, u"255", u""}},
      {"BYTE", u"256", {false, u"9", kPositive}},
      {"double", u"2.5", {true, u"2.5", u""}},
      {"double", u"-1e-3", {true, u"-0.001", u""}},
      {"double", u"1e400", {false, u"9", kNumber}},
      {"double", u"nan", {false, u"9", kNumber}},
      {"double", u"1.5.2", {false, u"9", kNumber}},
      {"float", u"0.25", {true, u"0.25", u""}},
      {"float", u"1e39", {false, u"9", kNumber}},
  };
  HWND edit = Item(IDC_NUMBER);
  for (const Case& c : cases) {
    kind = c.kind;
    i = 9, u = 9, sh = 9, by = 9, d = 9, f = 9;
    ::SetFocus(Item(IDC_NAME));
    SetText(IDC_NUMBER, c.text);
    pv::MessageBoxRecorder boxes;
    bool ok = dlg.UpdateData(TRUE) != FALSE;
    std::string name =
        std::string(c.kind) + " '" + std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)) + "'";
    EXPECT_EQ(ok, c.expected.ok) << name;
    EXPECT_EQ(current(), c.expected.value) << name;
    EXPECT_EQ(Texts(boxes),
              c.expected.box.empty() ? std::vector<std::u16string>{} : std::vector<std::u16string>{c.expected.box})
        << name;
    if (!c.expected.ok) {
      // The field in error has the focus with its whole text selected.
      EXPECT_EQ(::GetFocus(), edit) << name;
      EXPECT_EQ(Sel(edit), (std::pair<DWORD, DWORD>{0, static_cast<DWORD>(Text(edit).size())})) << name;
    }
  }
}

TEST_F(DdxTest, NumbersAndTextShowInTheirFieldsWithoutNeedlessChanges) {
  CString name = u"Zoë";
  int count = -5;
  double number = 0.1;
  Open([&](CDataExchange* pDX) {
    DDX_Text(pDX, IDC_NAME, name);
    DDX_Text(pDX, IDC_COUNT, count);
    DDX_Text(pDX, IDC_NUMBER, number);
  });
  EXPECT_EQ(Text(Item(IDC_NAME)), u"Zoë");
  EXPECT_EQ(Text(Item(IDC_COUNT)), u"-5");
  EXPECT_EQ(Text(Item(IDC_NUMBER)), u"0.1");
  // Loading the same values again leaves the edits alone (setting the text would
  // send EN_CHANGE and clear the modified flag).
  Send(IDC_NAME, EM_SETMODIFY, TRUE);
  ASSERT_TRUE(dlg.UpdateData(FALSE));
  EXPECT_TRUE(Send(IDC_NAME, EM_GETMODIFY));
  // Saved and loaded again, a value does not drift.
  number = 1.0 / 3.0;
  ASSERT_TRUE(dlg.UpdateData(FALSE));
  double before = number;
  ASSERT_TRUE(dlg.UpdateData(TRUE));
  EXPECT_EQ(number, before);
  EXPECT_EQ(name, CString(u"Zoë"));
}

TEST_F(DdxTest, MaxCharsLimitsTypingInEditsAndDropDownCombosAndFailsLongerText) {
  CString name, pick;
  Open([&](CDataExchange* pDX) {
    DDX_Text(pDX, IDC_NAME, name);
    DDV_MaxChars(pDX, name, 5);
    DDX_CBString(pDX, IDC_DROPDOWN, pick);
    DDV_MaxChars(pDX, pick, 4);
  });
  EXPECT_EQ(Send(IDC_NAME, EM_GETLIMITTEXT), 5);
  struct Case {
    UINT id;
    const char16_t* typed;
    std::u16string shown;
  };
  for (Case c : {Case{IDC_NAME, u"abcdefgh", u"abcde"}, Case{IDC_DROPDOWN, u"wxyz12", u"wxyz"}}) {
    ::SetFocus(Item(c.id));
    pv::test::TypeText(c.typed);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(Text(Item(c.id)), c.shown) << c.id;
  }
  ASSERT_TRUE(dlg.UpdateData(TRUE));
  EXPECT_EQ(name, CString(u"abcde"));
  EXPECT_EQ(pick, CString(u"wxyz"));

  // Text the program put there past the limit fails validation, and the
  // focus lands on the field with its text selected for retyping.
  pv::MessageBoxRecorder boxes;
  SetText(IDC_NAME, u"toolong");
  ::SetFocus(Item(IDOK));
  EXPECT_FALSE(dlg.UpdateData(TRUE));
  EXPECT_EQ(Texts(boxes), std::vector<std::u16string>{u"Please enter no more than 5 characters."});
  EXPECT_EQ(::GetFocus(), Item(IDC_NAME));
  EXPECT_EQ(Sel(Item(IDC_NAME)), (std::pair<DWORD, DWORD>{0, 7}));

  SetText(IDC_NAME, u"ok");
  SetText(IDC_DROPDOWN, u"12345");
  ::SetFocus(Item(IDOK));
  EXPECT_FALSE(dlg.UpdateData(TRUE));
  EXPECT_EQ(boxes.Last().text, u"Please enter no more than 4 characters.");
  HWND focus = ::GetFocus();
  EXPECT_TRUE(focus == Item(IDC_DROPDOWN) || ::GetParent(focus) == Item(IDC_DROPDOWN));
  DWORD sel = static_cast<DWORD>(Send(IDC_DROPDOWN, CB_GETEDITSEL));
  EXPECT_EQ(LOWORD(sel), 0);
  EXPECT_EQ(HIWORD(sel), 5);
}

// ---- buttons -----------------------------------------------------------------------------------------

TEST_F(DdxTest, CheckBoxesCarryAllThreeStatesBothWays) {
  int tri = 0, plain = 0;
  Open([&](CDataExchange* pDX) {
    DDX_Check(pDX, IDC_TRI, tri);
    DDX_Check(pDX, IDC_PLAIN, plain);
  });
  struct Case {
    int tri, plain;
  };
  for (Case c :
       {Case{BST_INDETERMINATE, BST_CHECKED}, Case{BST_CHECKED, BST_UNCHECKED}, Case{BST_UNCHECKED, BST_CHECKED}}) {
    tri = c.tri;
    plain = c.plain;
    ASSERT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(Send(IDC_TRI, BM_GETCHECK), c.tri);
    EXPECT_EQ(Send(IDC_PLAIN, BM_GETCHECK), c.plain);
    tri = plain = -9;
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(tri, c.tri);
    EXPECT_EQ(plain, c.plain);
  }
  // The user clicks the 3-state box round its cycle; each state is read back.
  for (int expected : {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}) {
    Send(IDC_TRI, BM_CLICK);
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(tri, expected);
  }
}

TEST_F(DdxTest, RadioGroupChecksExactlyOneAndReadsMinusOneWhenNoneIsChecked) {
  int choice = 1;
  Open([&](CDataExchange* pDX) { DDX_Radio(pDX, IDC_R1, choice); });
  const UINT group[] = {IDC_R1, IDC_R2, IDC_R3};
  auto checks = [&] {
    std::vector<LRESULT> v;
    for (UINT id : group) v.push_back(Send(id, BM_GETCHECK));
    return v;
  };
  EXPECT_EQ(checks(), (std::vector<LRESULT>{0, 1, 0}));
  Send(IDC_OTHER, BM_SETCHECK, BST_CHECKED);  // the next group is not ours
  struct Case {
    int load;
    std::vector<LRESULT> checked;
    int saved;
  };
  for (const Case& c :
       {Case{2, {0, 0, 1}, 2}, Case{0, {1, 0, 0}, 0}, Case{-1, {0, 0, 0}, -1}, Case{7, {0, 0, 0}, -1}}) {
    choice = c.load;
    ASSERT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(checks(), c.checked) << c.load;
    choice = 99;
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(choice, c.saved) << c.load;
    EXPECT_EQ(Send(IDC_OTHER, BM_GETCHECK), BST_CHECKED) << c.load;
  }
  // Tab into the group lands on the button the data checked.
  choice = 1;
  ASSERT_TRUE(dlg.UpdateData(FALSE));
  ::SetFocus(Item(IDC_PLAIN));
  pv::test::KeyPress(VK_TAB);
  // A modeless dialog's keys pass the dialog manager first.
  for (MSG msg{}; ::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);)
    if (!::IsDialogMessage(dlg.m_hWnd, &msg)) ::DispatchMessage(&msg);
  EXPECT_EQ(::GetFocus(), Item(IDC_R2));
  // A click on the third button is what the next save reads.
  RECT r{};
  ::GetClientRect(Item(IDC_R3), &r);
  pv::test::ClickClient(Item(IDC_R3), 5, (r.bottom - r.top) / 2);
  pv::test::PumpUntilIdle();
  ASSERT_TRUE(dlg.UpdateData(TRUE));
  EXPECT_EQ(choice, 2);
  EXPECT_EQ(checks(), (std::vector<LRESULT>{0, 0, 1}));
}

// ---- lists ---------------------------------------------------------------------------------------------

TEST_F(DdxTest, ComboStringsSelectByPrefixAndDropListsKeepOnlyListedValues) {
  CString value;
  UINT target = IDC_DROPLIST;
  bool exact = false;
  Open([&](CDataExchange* pDX) {
    if (exact) DDX_CBStringExact(pDX, static_cast<int>(target), value);
    else DDX_CBString(pDX, static_cast<int>(target), value);
  });
  struct Case {
    const char* name;
    UINT id;
    bool exact;
    const char16_t* load;
    int selected;           // after loading
    const char16_t* shown;  // the face or the edit
  };
  const Case cases[] = {
      {"drop list, prefix", IDC_DROPLIST, false, u"Ban", 1, u"Banana"},
      {"drop list, other case", IDC_DROPLIST, false, u"cherry", 2, u"Cherry"},
      {"drop list, not listed: selection stays", IDC_DROPLIST, false, u"Zebra", 0, u"Apple"},
      {"drop list, empty: nothing selected", IDC_DROPLIST, false, u"", -1, u""},
      {"drop down, prefix", IDC_DROPDOWN, false, u"Ban", 1, u"Banana"},
      {"drop down, free text", IDC_DROPDOWN, false, u"Zebra", 0, u"Zebra"},
      {"drop down, empty", IDC_DROPDOWN, false, u"", -1, u""},
      {"drop down, exact, a prefix only", IDC_DROPDOWN, true, u"Ban", 0, u"Ban"},
      {"drop down, exact, other case", IDC_DROPDOWN, true, u"banana", 1, u"Banana"},
  };
  for (const Case& c : cases) {
    target = c.id;
    exact = c.exact;
    Send(c.id, CB_SETCURSEL, 0);
    value = c.load;
    ASSERT_TRUE(dlg.UpdateData(FALSE)) << c.name;
    EXPECT_EQ(Send(c.id, CB_GETCURSEL), c.selected) << c.name;
    EXPECT_EQ(Text(Item(c.id)), c.shown) << c.name;
    value = u"?";
    ASSERT_TRUE(dlg.UpdateData(TRUE)) << c.name;
    EXPECT_EQ(value, CString(c.shown)) << c.name;
  }
}

TEST_F(DdxTest, ComboAndListIndexesAndListStringsFollowTheSelection) {
  int cbIndex = 2, lbIndex = 1;
  CString lbString;
  Open([&](CDataExchange* pDX) {
    DDX_CBIndex(pDX, IDC_DROPLIST, cbIndex);
    DDX_LBIndex(pDX, IDC_LIST, lbIndex);
  });
  EXPECT_EQ(Text(Item(IDC_DROPLIST)), u"Cherry");
  EXPECT_EQ(Send(IDC_LIST, LB_GETCURSEL), 1);
  // The user picks with the keyboard; the save reads what was picked.
  ::SetFocus(Item(IDC_DROPLIST));
  pv::test::KeyPress(VK_UP);
  pv::test::PumpUntilIdle();
  ::SetFocus(Item(IDC_LIST));
  pv::test::KeyPress(VK_DOWN);
  pv::test::PumpUntilIdle();
  ASSERT_TRUE(dlg.UpdateData(TRUE));
  EXPECT_EQ(cbIndex, 1);
  EXPECT_EQ(lbIndex, 2);
  cbIndex = lbIndex = -1;
  ASSERT_TRUE(dlg.UpdateData(FALSE));
  EXPECT_EQ(Text(Item(IDC_DROPLIST)), u"");
  EXPECT_EQ(Send(IDC_LIST, LB_GETCURSEL), LB_ERR);

  dlg.exchange = [&](CDataExchange* pDX) { DDX_LBString(pDX, IDC_LIST, lbString); };
  struct Case {
    const char16_t* load;
    int selected;
    const char16_t* saved;
  };
  for (Case c : {Case{u"gr", 1, u"green"}, Case{u"BLUE", 2, u"blue"}, Case{u"", -1, u""}}) {
    Send(IDC_LIST, LB_SETCURSEL, 0);
    lbString = c.load;
    ASSERT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(Send(IDC_LIST, LB_GETCURSEL), c.selected) << c.selected;
    lbString = u"?";
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(lbString, CString(c.saved));
  }
}

// ---- controls bound to wrapper objects ----------------------------------------------------------------------

TEST_F(DdxTest, ControlsAreSubclassedIntoWrappersOnceAndAgainInTheDialogsNextLife) {
  CEdit edit;
  CComboBox combo;
  Open([&](CDataExchange* pDX) {
    DDX_Control(pDX, IDC_NAME, edit);
    DDX_Control(pDX, IDC_DROPLIST, combo);
  });
  for (int life = 0; life < 2; ++life) {
    ASSERT_EQ(edit.m_hWnd, Item(IDC_NAME)) << life;
    EXPECT_EQ(CWnd::FromHandlePermanent(Item(IDC_NAME)), &edit);
    EXPECT_EQ(CWnd::FromHandlePermanent(Item(IDC_DROPLIST)), &combo);
    // More exchanges bind nothing twice: typing reaches the edit once.
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    ASSERT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(::GetWindowLongPtr(Item(IDC_NAME), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(AfxGetAfxWndProc()));
    ::SetFocus(Item(IDC_NAME));
    pv::test::TypeText(u"ab");
    pv::test::PumpUntilIdle();
    CString text;
    edit.GetWindowText(text);
    EXPECT_EQ(text, CString(u"ab")) << life;
    edit.LimitText(3);
    EXPECT_EQ(edit.GetLimitText(), 3u);
    EXPECT_EQ(combo.GetCount(), 3);
    combo.SetCurSel(2);
    EXPECT_EQ(Text(Item(IDC_DROPLIST)), u"Cherry");
    // The window goes; the wrappers let go of it and can serve the next one.
    dlg.DestroyWindow();
    EXPECT_EQ(edit.m_hWnd, nullptr);
    EXPECT_EQ(combo.m_hWnd, nullptr);
    if (life == 0) {
      ASSERT_TRUE(dlg.CreateIndirect(DataTemplate(), CWnd::FromHandle(parent)));
      pv::test::PumpUntilIdle();
    }
  }
}

TEST_F(DdxTest, ExchangesThatCannotWorkFailCleanly) {
  // An id the template lacks, and a control another object already owns:
  // the exchange reports it and answers FALSE; nothing crashes or leaks.
  CEdit owner, thief;
  bool missing = false;
  Open([&](CDataExchange* pDX) {
    if (missing) {
      CString s;
      DDX_Text(pDX, 4242, s);
    } else {
      DDX_Control(pDX, IDC_NAME, thief);
    }
  });
  ASSERT_EQ(thief.m_hWnd, Item(IDC_NAME));
  thief.UnsubclassWindow();
  ASSERT_TRUE(owner.SubclassWindow(Item(IDC_NAME)));
  for (bool m : {false, true}) {
    missing = m;
    pv::MessageBoxRecorder boxes;
    EXPECT_FALSE(dlg.UpdateData(TRUE)) << m;
    EXPECT_EQ(boxes.Shown().size(), 1u) << m;
    EXPECT_EQ(thief.m_hWnd, nullptr);
  }
  EXPECT_EQ(CWnd::FromHandlePermanent(Item(IDC_NAME)), &owner);
  owner.UnsubclassWindow();
}

// ---- dates ---------------------------------------------------------------------------------------------------

TEST_F(DdxTest, DatePickerAndCalendarExchangeDatesAndTheNoneState) {
  COleDateTime when(2024, 2, 29, 13, 45, 0), day(2026, 3, 15, 10, 30, 0);
  Open([&](CDataExchange* pDX) {
    DDX_DateTimeCtrl(pDX, IDC_DATE, when);
    DDX_MonthCalCtrl(pDX, IDC_CAL, day);
  });
  SYSTEMTIME st{};
  ASSERT_EQ(Send(IDC_DATE, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)), GDT_VALID);
  EXPECT_EQ(std::vector<int>({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute}),
            std::vector<int>({2024, 2, 29, 13, 45}));
  ASSERT_TRUE(Send(IDC_CAL, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st)));
  EXPECT_EQ(std::vector<int>({st.wYear, st.wMonth, st.wDay}), std::vector<int>({2026, 3, 15}));

  // The user steps the picker's first field up and clicks a day: the saved
  // values are the controls' (the calendar's without a time of day).
  ::SetFocus(Item(IDC_DATE));
  pv::test::KeyPress(VK_UP);
  pv::test::PumpUntilIdle();
  SYSTEMTIME shown{};
  Send(IDC_DATE, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&shown));
  SYSTEMTIME pick{};
  pick.wYear = 2026;
  pick.wMonth = 3;
  pick.wDay = 20;
  Send(IDC_CAL, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&pick));
  ASSERT_TRUE(dlg.UpdateData(TRUE));
  EXPECT_EQ(when.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(when, COleDateTime(shown));
  EXPECT_NE(when, COleDateTime(2024, 2, 29, 13, 45, 0));
  EXPECT_EQ(day, COleDateTime(2026, 3, 20, 0, 0, 0));

  // None: a null value clears the picker's box, and an unchecked box saves null.
  when.SetStatus(COleDateTime::null);
  ASSERT_TRUE(dlg.UpdateData(FALSE));
  EXPECT_EQ(Send(IDC_DATE, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)), GDT_NONE);
  when = COleDateTime(2020, 1, 1, 0, 0, 0);
  ASSERT_TRUE(dlg.UpdateData(TRUE));
  EXPECT_EQ(when.GetStatus(), COleDateTime::null);
}

// ---- a modal dialog driven by keys ------------------------------------------------------------------------

class CAskDlg : public CDataDlg {
 public:
  CString name;
  int count = 0;  // out of range until the user fixes it
  CAskDlg() {
    exchange = [this](CDataExchange* pDX) {
      DDX_Text(pDX, IDC_NAME, name);
      DDV_MaxChars(pDX, name, 8);
      DDX_Text(pDX, IDC_COUNT, count);
      DDV_MinMaxInt(pDX, count, 1, 10);
    };
  }
};

TEST_F(DdxTest, ModalValidationPutsTheFocusOnTheFailingFieldForRetyping) {
  struct Step {
    std::u16string text;
    UINT key = 0;
  };
  struct Case {
    const char* name;
    std::vector<Step> script;
    INT_PTR result;
    CString name_, count;
    std::vector<std::u16string> boxes;
  };
  const std::u16string range = u"Please enter an integer between 1 and 10.";
  const Case cases[] = {
      // Enter in the name field fails on the count: the focus moves there,
      // the count's text is selected, so "7" replaces it.
      {"fix the other field", {{u"Ann"}, {u"", VK_RETURN}, {u"7"}, {u"", VK_RETURN}}, IDOK, u"Ann", u"7", {range}},
      {"two failures",
       {{u"", VK_TAB}, {u"99"}, {u"", VK_RETURN}, {u"x"}, {u"", VK_RETURN}, {u"3"}, {u"", VK_RETURN}},
       IDOK,
       u"",
       u"3",
       {range, u"Please enter an integer."}},
      {"cancel after a failure", {{u"", VK_RETURN}, {u"", VK_ESCAPE}}, IDCANCEL, u"", u"0", {range}},
  };
  for (const Case& c : cases) {
    pv::MessageBoxRecorder boxes;
    for (const Step& s : c.script) {
      if (!s.text.empty()) pv::test::TypeText(s.text);
      if (s.key) pv::test::KeyPress(s.key);
    }
    CAskDlg ask;
    pv::DialogTemplate t = DataTemplate();
    t.style &= ~WS_VISIBLE;
    ask.InitModalIndirect(t, CWnd::FromHandle(parent));
    EXPECT_EQ(ask.DoModal(), c.result) << c.name;
    EXPECT_EQ(ask.name, c.name_) << c.name;
    CString count;
    count.Format(u"%d", ask.count);
    EXPECT_EQ(count, c.count) << c.name;
    EXPECT_EQ(Texts(boxes), c.boxes) << c.name;
  }
}

}  // namespace
}  // namespace ctltest
