// A property page as an owner of pages uses it: known by its run-time class,
// told when it is shown and left, and not ended by Enter or Escape.
#include "common_dialog_script.h"
#include "platform/system/msgbox.h"

namespace {

constexpr int kCount = 1001;

class CCountPage : public CPropertyPage {
 public:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, kCount, m_count);
    DDV_MinMaxInt(pDX, m_count, 0, 99);
  }
  int m_count = 7;
};

pv::DialogTemplate PageTemplate() {
  pv::DialogTemplate t;
  t.style = WS_CHILD | DS_SETFONT;
  t.cx = 120;
  t.cy = 40;
  t.pointSize = 8;
  t.faceName = u"MS Shell Dlg";
  t.items.push_back({WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 7, 7, 60, 12, kCount, WC_EDIT, u"", {}});
  return t;
}

class PropertyPageTest : public dlgtest::CommonDialogTest {};

TEST_F(PropertyPageTest, ActivationMovesDataBetweenMembersAndControls) {
  CCountPage page;
  CObject* asObject = &page;
  EXPECT_TRUE(asObject->IsKindOf(RUNTIME_CLASS(CPropertyPage)));
  EXPECT_TRUE(asObject->IsKindOf(RUNTIME_CLASS(CDialog)));
  EXPECT_FALSE(CDialog().IsKindOf(RUNTIME_CLASS(CPropertyPage)));

  CWnd host;
  host.Attach(parent);
  ASSERT_TRUE(page.CreateIndirect(PageTemplate(), &host));
  HWND edit = ::GetDlgItem(page.m_hWnd, kCount);
  EXPECT_EQ(u"7", dlgtest::TextOf(edit));  // OnInitDialog showed the member

  // The first activation keeps what the user may already have typed.
  ::SetWindowText(edit, u"12");
  EXPECT_TRUE(page.OnSetActive());
  EXPECT_EQ(u"12", dlgtest::TextOf(edit));
  EXPECT_TRUE(page.OnKillActive());
  EXPECT_EQ(12, page.m_count);

  // Later activations show the member again.
  page.m_count = 40;
  EXPECT_TRUE(page.OnSetActive());
  EXPECT_EQ(u"40", dlgtest::TextOf(edit));

  // Leaving with a value that fails validation keeps the page.
  pv::MessageBoxRecorder boxes;  // the validation message is answered
  ::SetWindowText(edit, u"500");
  EXPECT_FALSE(page.OnKillActive());
  EXPECT_EQ(1u, boxes.Shown().size());

  // Enter and Escape go to the page's owner, not to the end of the page.
  page.ShowWindow(SW_SHOW);
  page.SendMessage(WM_COMMAND, IDOK, 0);
  page.SendMessage(WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(::IsWindowVisible(page.m_hWnd));
  page.DestroyWindow();
  host.Detach();
}

}  // namespace
