// Dialog initialisation data reaching the real list and combo boxes: a
// dialog's and a form view's boxes are filled from the data stored under
// the template's name before the data exchange selects among the texts.
#include <string>
#include <vector>

#include "common_dialog_script.h"
#include "platform/framework/afxdoc.h"

namespace {

using dlgtest::Key;
constexpr WORD kDialog = 7101;  // items for both boxes
constexpr WORD kBroken = 7102;  // damaged initialisation data
constexpr WORD kNoData = 7103;  // no initialisation data at all
constexpr int kKind = 1080;     // drop-down list
constexpr int kSorted = 1081;   // sorted drop-down combo
constexpr int kList = 1082;     // list box
using Rows = std::vector<std::u16string>;

// Dialog and initialisation data registered for one test.
class Registered {
 public:
  void Dialog(WORD id, const pv::DialogTemplate& t) { Add(5, id, pv::EncodeDialogResource(t)); }
  void Init(WORD id, std::vector<BYTE> data) { Add(240, id, std::move(data)); }
  void Register() {
    for (size_t i = 0; i < blobs_.size(); ++i) entries_[i].data = blobs_[i].data();
    set_ = {nullptr, entries_.data(), entries_.size()};
    pv::RegisterResourceSet(&set_);
  }
  ~Registered() { pv::UnregisterResourceSet(&set_); }

 private:
  void Add(WORD type, WORD id, std::vector<BYTE> data) {
    entries_.push_back({nullptr, type, nullptr, id, 0, nullptr, static_cast<DWORD>(data.size())});
    blobs_.push_back(std::move(data));
  }
  std::vector<std::vector<BYTE>> blobs_;
  std::vector<pv::ResourceEntry> entries_;
  pv::ResourceSet set_{};
};

pv::DialogTemplate Boxes(DWORD extraStyle = 0) {
  pv::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | DS_SETFONT | extraStyle;
  t.cx = 200;
  t.cy = 100;
  t.pointSize = 8;
  t.faceName = u"MS Shell Dlg";
  DWORD child = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  t.items.push_back(
      {static_cast<DWORD>(child | CBS_DROPDOWNLIST | WS_VSCROLL), 0, 7, 7, 100, 60, kKind, WC_COMBOBOX, u"", {}});
  t.items.push_back({static_cast<DWORD>(child | CBS_DROPDOWN | CBS_SORT | WS_VSCROLL),
                     0,
                     7,
                     25,
                     100,
                     60,
                     kSorted,
                     WC_COMBOBOX,
                     u"",
                     {}});
  t.items.push_back(
      {static_cast<DWORD>(child | LBS_NOTIFY | WS_BORDER), 0, 7, 45, 100, 40, kList, WC_LISTBOX, u"", {}});
  t.items.push_back({child | BS_DEFPUSHBUTTON, 0, 140, 7, 50, 14, IDOK, WC_BUTTON, u"OK", {}});
  return t;
}

std::vector<BYTE> Items() {
  return pv::EncodeDialogInitResource({
      {kKind, CB_ADDSTRING, u"Work"},
      {kKind, CB_ADDSTRING, u"Affairs of Life"},
      {kKind, CB_ADDSTRING, u"Other Things"},
      {kSorted, CB_ADDSTRING, u"pear"},
      {kSorted, CB_ADDSTRING, u"apple"},
      {kList, LB_ADDSTRING, u"\u4e2d\u6587"},
      {kList, LB_ADDSTRING, u"O'Brien"},
      {4444, CB_ADDSTRING, u"no such control"},
      {kList, WM_SETTEXT, u"not a text to add"},
  });
}

Rows ComboRows(HWND combo) {
  Rows rows;
  int n = static_cast<int>(::SendMessage(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::u16string t(static_cast<size_t>(::SendMessage(combo, CB_GETLBTEXTLEN, i, 0)) + 1, u'\0');
    ::SendMessage(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(t.data()));
    t.pop_back();
    rows.push_back(t);
  }
  return rows;
}

struct Seen {
  Rows kind, sorted, list;
  std::u16string kindText;
};

Seen Look(HWND w) {
  return {ComboRows(::GetDlgItem(w, kKind)), ComboRows(::GetDlgItem(w, kSorted)),
          dlgtest::ListRows(::GetDlgItem(w, kList)), dlgtest::TextOf(::GetDlgItem(w, kKind))};
}

// Selects its kind text by data exchange, as a work chooser does.
class CKindDialog : public CDialog {
 public:
  explicit CKindDialog(UINT id) : CDialog(id) {}
  void DoDataExchange(CDataExchange* pDX) override { DDX_CBString(pDX, kKind, m_kind); }
  BOOL OnInitDialog() override {
    BOOL r = CDialog::OnInitDialog();
    seen = Look(m_hWnd);
    initialised = true;
    return r;
  }
  CString m_kind = u"Affairs of Life";
  Seen seen;
  bool initialised = false;
};

class DialogInitTest : public dlgtest::CommonDialogTest {
 protected:
  void SetUp() override {
    CommonDialogTest::SetUp();
    res_.Dialog(kDialog, Boxes());
    res_.Init(kDialog, Items());
    res_.Dialog(kBroken, Boxes());
    std::vector<BYTE> broken = Items();
    broken[4] = 0xFF;  // the first record's length runs past the end
    broken[7] = 0x7F;
    res_.Init(kBroken, broken);
    res_.Dialog(kNoData, Boxes());
    res_.Register();
  }
  Registered res_;
};

TEST_F(DialogInitTest, ADialogsBoxesAreFilledBeforeTheDataExchangeSelects) {
  CKindDialog dlg(kDialog);
  dlgtest::Queue({Key(VK_RETURN)});
  EXPECT_EQ(IDOK, dlg.DoModal());
  ASSERT_TRUE(dlg.initialised);
  EXPECT_EQ((Rows{u"Work", u"Affairs of Life", u"Other Things"}), dlg.seen.kind);
  EXPECT_EQ((Rows{u"apple", u"pear"}), dlg.seen.sorted);  // the box's own sorting applies
  EXPECT_EQ((Rows{u"\u4e2d\u6587", u"O'Brien"}), dlg.seen.list);
  EXPECT_EQ(u"Affairs of Life", dlg.seen.kindText);
  EXPECT_EQ(CString(u"Affairs of Life"), dlg.m_kind);  // read back on OK
}

TEST_F(DialogInitTest, DamagedDataEndsTheDialogAndMissingDataChangesNothing) {
  CKindDialog broken(kBroken);
  dlgtest::Queue({Key(VK_RETURN)});
  EXPECT_EQ(-1, broken.DoModal());
  pv::test::PumpUntilIdle();

  CKindDialog plain(kNoData);
  dlgtest::Queue({Key(VK_RETURN)});
  EXPECT_EQ(IDOK, plain.DoModal());
  ASSERT_TRUE(plain.initialised);
  EXPECT_TRUE(plain.seen.kind.empty());
  EXPECT_TRUE(plain.seen.list.empty());

  // Called directly: damaged data answers FALSE and adds nothing.
  CKindDialog modeless(kNoData);
  ASSERT_TRUE(modeless.Create(kNoData));
  std::vector<BYTE> damaged = Items();
  damaged.resize(damaged.size() - 5);
  EXPECT_FALSE(modeless.ExecuteDlgInit(damaged.data(), static_cast<DWORD>(damaged.size())));
  std::vector<BYTE> good = Items();
  EXPECT_TRUE(modeless.ExecuteDlgInit(good.data(), static_cast<DWORD>(good.size())));
  EXPECT_EQ(3u, Look(modeless.m_hWnd).kind.size());
  EXPECT_TRUE(modeless.ExecuteDlgInit(static_cast<LPCTSTR>(nullptr)));
  modeless.DestroyWindow();
}

class CKindForm : public CFormView {
 public:
  CKindForm() : CFormView(kDialog) {}
};

TEST_F(DialogInitTest, AFormViewIsFilledWhenItIsCreated) {
  CWnd host;
  host.Attach(parent);
  auto* form = new CKindForm;  // a view deletes itself when its window goes
  ASSERT_TRUE(
      form->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), &host, AFX_IDW_PANE_FIRST, nullptr));
  Seen seen = Look(form->m_hWnd);
  EXPECT_EQ((Rows{u"Work", u"Affairs of Life", u"Other Things"}), seen.kind);
  EXPECT_EQ((Rows{u"\u4e2d\u6587", u"O'Brien"}), seen.list);
  form->DestroyWindow();
  host.Detach();
}

}  // namespace
