// Modal dialogs answered by scripted input, dialog navigation, data
// exchange with validation, and the file dialog.
#include <fstream>
#include <string>
#include <vector>

#include "fw_fixture.h"

namespace {

using fwtest::FrameworkTest;

constexpr UINT IDD_ASK = 201;
constexpr UINT IDC_COUNT = 1001;

class CAskDlg : public CDialog {
 public:
  CAskDlg() : CDialog(IDD_ASK) {}
  int m_count = 3;
  int inits = 0;
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, IDC_COUNT, m_count);
    DDV_MinMaxInt(pDX, m_count, 1, 10);
  }
  BOOL OnInitDialog() override {
    ++inits;
    return CDialog::OnInitDialog();
  }
};

class DialogTest : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    pv::DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    t.caption = u"Ask";
    t.cx = 150;
    t.cy = 60;
    t.pointSize = 8;
    t.faceName = u"MS Shell Dlg";
    t.items.push_back({WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 7, 7, 60, 14, IDC_COUNT, u"Edit", u"", {}});
    t.items.push_back(
        {WS_VISIBLE | WS_TABSTOP | 0x01, 0, 7, 30, 50, 14, static_cast<UINT>(IDOK), u"Button", u"OK", {}});
    t.items.push_back(
        {WS_VISIBLE | WS_TABSTOP, 0, 70, 30, 50, 14, static_cast<UINT>(IDCANCEL), u"Button", u"Cancel", {}});
    res_.Add(5, IDD_ASK, pv::EncodeDialogResource(t));
    res_.Register();
  }
  fwtest::Resources res_;
};

// One scripted step: text typed, or a key pressed.
struct Step {
  std::u16string text;
  UINT key = 0;
};

TEST_F(DialogTest, ModalDialogAnsweredByScriptedKeys) {
  struct Case {
    const char* name;
    std::vector<Step> script;
    INT_PTR result;
    int count;
    std::vector<std::u16string> boxes;
  };
  const std::u16string range = u"Please enter an integer between 1 and 10.";
  const Case cases[] = {
      {"typing replaces the selected value", {{u"7"}, {u"", VK_RETURN}}, IDOK, 7, {}},
      {"escape cancels", {{u"", VK_ESCAPE}}, IDCANCEL, 3, {}},
      {"out of range keeps the dialog open", {{u"42"}, {u"", VK_RETURN}, {u"5"}, {u"", VK_RETURN}}, IDOK, 5, {range}},
      {"not a number, then the queue runs dry", {{u"x"}, {u"", VK_RETURN}}, IDCANCEL, 3, {u"Please enter an integer."}},
      {"tab to OK", {{u"", VK_TAB}, {u"", VK_RETURN}}, IDOK, 3, {}},
      {"tab twice to Cancel", {{u"", VK_TAB}, {u"", VK_TAB}, {u"", VK_RETURN}}, IDCANCEL, 3, {}},
  };
  for (const Case& c : cases) {
    pv::MessageBoxRecorder boxes;
    for (const Step& s : c.script) {
      if (!s.text.empty()) pv::test::TypeText(s.text);
      if (s.key) pv::test::KeyPress(s.key);
    }
    CAskDlg dlg;
    EXPECT_EQ(dlg.DoModal(), c.result) << c.name;
    EXPECT_EQ(dlg.m_count, c.count) << c.name;
    EXPECT_EQ(dlg.inits, 1) << c.name;
    EXPECT_EQ(dlg.m_hWnd, nullptr) << c.name;
    std::vector<std::u16string> shown;
    for (const auto& b : boxes.Shown()) shown.push_back(b.text);
    EXPECT_EQ(shown, c.boxes) << c.name;
  }
}

TEST_F(DialogTest, ModalDialogDisablesItsOwnerAndMissingTemplatesFail) {
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, nullptr, u"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
  struct Watch : CAskDlg {
    BOOL ownerEnabled = TRUE;
    HWND owner = nullptr;
    BOOL OnInitDialog() override {
      ownerEnabled = ::IsWindowEnabled(owner);
      EndDialog(IDRETRY);  // ends before it ever shows
      return CAskDlg::OnInitDialog();
    }
  } dlg;
  dlg.owner = owner.m_hWnd;
  dlg.m_pParentWnd = &owner;
  EXPECT_EQ(dlg.DoModal(), IDRETRY);
  EXPECT_FALSE(dlg.ownerEnabled);
  EXPECT_TRUE(owner.IsWindowEnabled());

  CDialog missing(9999);
  EXPECT_EQ(missing.DoModal(), -1);
  owner.DestroyWindow();
}

TEST_F(DialogTest, ModelessDialogLaysOutControlsInDialogUnits) {
  CAskDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_ASK));
  HWND edit = ::GetDlgItem(dlg.m_hWnd, IDC_COUNT);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(fwtest::TextOf(edit), CString(u"3"));
  CRect expected(7, 7, 67, 21);
  dlg.MapDialogRect(&expected);
  CRect actual;
  ::GetWindowRect(edit, &actual);
  dlg.ScreenToClient(&actual);
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(LOWORD(dlg.GetDefID()), static_cast<WORD>(IDOK));
  // Navigation helpers follow the tab order, wrapping around.
  CWnd* ok = dlg.GetDlgItem(IDOK);
  EXPECT_EQ(dlg.GetNextDlgTabItem(dlg.GetDlgItem(IDC_COUNT)), ok);
  EXPECT_EQ(dlg.GetNextDlgTabItem(dlg.GetDlgItem(IDC_COUNT), TRUE), dlg.GetDlgItem(IDCANCEL));
  dlg.DestroyWindow();
}

TEST_F(DialogTest, ModelessDialogEndsHidden) {
  CAskDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_ASK));
  dlg.ShowWindow(SW_SHOW);
  // OK on a modeless dialog: the data go to the members and it hides.
  ::SetWindowTextW(::GetDlgItem(dlg.m_hWnd, IDC_COUNT), u"7");
  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_EQ(dlg.m_count, 7);
  EXPECT_FALSE(dlg.IsWindowVisible());
  EXPECT_TRUE(::IsWindow(dlg.m_hWnd));
  dlg.DestroyWindow();
}

// A pop-up dialog placed at the template's origin comes up centred on its
// owner, not over the owner's menu bar; one its initialisation moved stays.
TEST_F(DialogTest, PopUpDialogsAreCentredOnTheirOwner) {
  CWnd owner;
  ASSERT_TRUE(
      owner.CreateEx(0, nullptr, u"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 100, 600, 400, nullptr, nullptr));
  CAskDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_ASK, &owner));
  CRect o, d;
  owner.GetWindowRect(&o);
  dlg.GetWindowRect(&d);
  EXPECT_NEAR(d.CenterPoint().x, o.CenterPoint().x, 1);
  EXPECT_NEAR(d.CenterPoint().y, o.CenterPoint().y, 1);
  dlg.DestroyWindow();

  struct CPlacedDlg : CAskDlg {
    BOOL OnInitDialog() override {
      BOOL r = CAskDlg::OnInitDialog();
      SetWindowPos(nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      return r;
    }
  } placed;
  ASSERT_TRUE(placed.Create(IDD_ASK, &owner));
  placed.GetWindowRect(&d);
  EXPECT_EQ(d.TopLeft(), CPoint(5, 6));
  placed.DestroyWindow();
  owner.DestroyWindow();
}

TEST_F(DialogTest, FileDialogAsksItsSinkAndConfirmsOverwrites) {
  std::string existing = home_ + "/old.note";
  std::ofstream(existing) << "x";
  std::vector<pv::FileDialogRequest> asked;
  std::vector<std::u16string> answers = {std::u16string(existing.begin(), existing.end()), u""};
  std::u16string fresh = std::u16string(home_.begin(), home_.end()) + u"/fresh";
  answers[1] = fresh;
  size_t next = 0;
  auto old = pv::SetFileDialogSink([&](pv::FileDialogRequest& r) {
    asked.push_back(r);
    r.files = {answers[next++]};
    return IDOK;
  });
  pv::MessageBoxRecorder boxes;
  boxes.Answer(IDNO);
  CFileDialog save(FALSE, u"note", u"start", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                   u"Note Files (*.note)|*.note|All Files (*.*)|*.*||");
  EXPECT_EQ(save.DoModal(), IDOK);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_FALSE(asked[0].open);
  EXPECT_EQ(asked[0].fileName, u"start");
  ASSERT_EQ(asked[0].filters.size(), 2u);
  EXPECT_EQ(asked[0].filters[1], (std::pair<std::u16string, std::u16string>{u"All Files (*.*)", u"*.*"}));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_NE(boxes.Last().text.find(u"already exists"), std::u16string::npos);
  // The default extension is added to a name without one.
  EXPECT_EQ(save.GetPathName(), CString((fresh + u".note").c_str()));
  EXPECT_EQ(save.GetFileName(), CString(u"fresh.note"));
  EXPECT_EQ(save.GetFileExt(), CString(u"note"));
  EXPECT_EQ(save.GetFileTitle(), CString(u"fresh"));

  // With no sink the dialog cancels.
  pv::SetFileDialogSink(nullptr);
  CFileDialog open(TRUE);
  EXPECT_EQ(open.DoModal(), IDCANCEL);
  pv::SetFileDialogSink(old);
}

}  // namespace
