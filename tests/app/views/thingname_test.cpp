// The work chooser run modally, driven from its initialisation: choosing an
// existing work writes nothing, another name (case counts) becomes a new
// enciphered work in the file, the work tree and the frame; OK waits for a
// name; an empty name cancels and a refused insert keeps the dialog open.
#include "app/views/thingname.h"

#include <functional>

#include "app/resource.h"
#include "platform/window/test_input.h"
#include "views_fixture.h"

namespace {

using viewstest::Narrow;
using viewstest::RawDb;

// Runs `script` once the dialog is initialised; the script ends the dialog
// by posting a command.
class ScriptedChooser : public CThingName {
 public:
  explicit ScriptedChooser(std::function<void(ScriptedChooser&)> script) : script_(std::move(script)) {}
  BOOL OnInitDialog() override {
    const BOOL result = CThingName::OnInitDialog();
    script_(*this);
    return result;
  }
  void SetKind(int index) {
    SendDlgItemMessage(IDC_THINGNAME_KIND, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessage(WM_COMMAND, MAKEWPARAM(IDC_THINGNAME_KIND, CBN_SELCHANGE),
                reinterpret_cast<LPARAM>(GetDlgItem(IDC_THINGNAME_KIND)->m_hWnd));
  }
  void SetWorkText(const CString& text) { m_workCombo.SetWindowText(text); }
  bool OkEnabled() {
    SendMessage(WM_KICKIDLE, MSGF_DIALOGBOX, 0);
    return GetDlgItem(IDOK)->IsWindowEnabled() != FALSE;
  }
  std::vector<std::string> Listed() {
    std::vector<std::string> out;
    for (int i = 0; i < m_workCombo.GetCount(); ++i) {
      CString text;
      m_workCombo.GetLBText(i, text);
      out.push_back(Narrow(text));
    }
    return out;
  }
  // A press of the button (as a click sends it, whatever its enabled state).
  void Post(UINT id) {
    PostMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                reinterpret_cast<LPARAM>(GetDlgItem(static_cast<int>(id))->m_hWnd));
  }

 private:
  std::function<void(ScriptedChooser&)> script_;
};

class ChooserTest : public viewstest::ViewsTest {
 protected:
  // Runs the chooser with the script; its result.
  INT_PTR Run(std::function<void(ScriptedChooser&)> script) {
    ScriptedChooser chooser(std::move(script));
    const int dry = pv::test::DryCancelCount();
    const INT_PTR result = chooser.DoModal();
    EXPECT_EQ(pv::test::DryCancelCount(), dry) << "the script must end the dialog";
    return result;
  }
  std::string RawCount() {
    RawDb raw(folder_.Database());
    return raw.One("select count(*) from things");
  }
};

TEST_F(ChooserTest, ListsTheWorksOfTheChosenKindOnly) {
  Start();
  AddWork(u"Garden", 1);
  AddWork(u"Bob's \u5317\u4eac plan", 1);
  AddWork(u"Kitchen", 2);
  AddPlainWork(u"Enter work name", 1);
  AddPlainWork(u"Enter Work Name", 1);
  ASSERT_EQ(Store().ExecuteSql(u"insert into things (workname,worktype) values ('No start',1)"), 1);
  std::vector<std::string> work, life;
  EXPECT_EQ(Run([&](ScriptedChooser& c) {
              work = c.Listed();
              c.SetWorkText(u"typed, then lost");
              c.SetKind(1);
              life = c.Listed();
              EXPECT_EQ(c.m_works.size(), 1u);
              EXPECT_EQ(c.m_works[0].worktype, 2);
              c.Post(IDCANCEL);
            }),
            IDCANCEL);
  // Sorted by the combo; no placeholder, no work without a start time.
  EXPECT_EQ(work, (std::vector<std::string>{"Bob's \u5317\u4eac plan", "Garden"}));
  EXPECT_EQ(life, std::vector<std::string>{"Kitchen"});
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ChooserTest, AnExactNamePicksTheExistingWorkAndWritesNothing) {
  Start();
  AddWork(u"Other", 1);
  const int garden = AddWork(u"Garden", 1);
  AddWork(u"Garden", 1);  // a second work of the same name: the first listed wins
  const std::string before = RawCount();
  EXPECT_EQ(Run([](ScriptedChooser& c) {
              c.SetWorkText(u"Garden");
              c.Post(IDOK);
            }),
            IDOK);
  EXPECT_EQ(Narrow(Frame().m_strItemText), "Garden");
  EXPECT_EQ(Frame().m_nItemId, garden);
  // The forms' names for the same members.
  EXPECT_EQ(&Frame().m_strWorkName, &Frame().m_strItemText);
  EXPECT_EQ(Frame().m_nWorkId, garden);
  EXPECT_EQ(RawCount(), before);
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ChooserTest, AnotherNameBecomesANewEncipheredWorkInTheFileTheTreeAndTheFrame) {
  pv::FakeClockScope clock(2012, 3, 5, 14, 7, 9);
  Start();
  AddWork(u"Garden's \u5317\u4eac plan", 2);
  RefillWorkTree();
  const CString name = u"garden's \u5317\u4eac plan";  // differs in case: a new work
  EXPECT_EQ(Run([&](ScriptedChooser& c) {
              c.SetKind(1);
              c.SetWorkText(name);
              c.Post(IDOK);
            }),
            IDOK);
  EXPECT_TRUE(boxes_.Shown().empty());

  RawDb raw(folder_.Database());
  EXPECT_EQ(raw.One("select count(*) from things"), "2");
  EXPECT_EQ(raw.One("select worktype from things where tid=2"), "2");
  COleDateTime start;
  start.m_dt = std::stod(raw.One("select starttime from things where tid=2"));
  EXPECT_EQ(start.GetYear(), 2012);
  EXPECT_EQ(start.GetMonth(), 3);
  EXPECT_EQ(start.GetDay(), 5);
  EXPECT_EQ(start.GetSecond(), 9);
  const std::u16string stored = raw.Units("select workname from things where tid=2");
  EXPECT_NE(CString(stored), name);
  CDES des;
  EXPECT_EQ(des.TransformText(CString(stored), GetWorkNameKey(start), 1), name);

  // Appended to its kind, selected, and the frame's current work.
  CCaptionTree& tree = Frame().m_wndWorkTree;
  const HTREEITEM life = tree.GetNextSiblingItem(tree.GetChildItem(tree.GetRootItem()));
  const HTREEITEM added = tree.GetNextSiblingItem(tree.GetChildItem(life));
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(tree.GetItemText(added), name);
  EXPECT_EQ(tree.GetItemData(added), 2u);
  EXPECT_EQ(tree.GetSelectedItem(), added);
  EXPECT_EQ(Frame().m_hWorkTreeItem, added);
  EXPECT_EQ(Frame().m_strItemText, name);
  EXPECT_EQ(Frame().m_nItemId, 2);
}

TEST_F(ChooserTest, OkWaitsForANameAnEmptyNameCancelsAndARefusedInsertKeepsTheDialogOpen) {
  Start();
  bool emptyEnabled = true, typedEnabled = false;
  EXPECT_EQ(Run([&](ScriptedChooser& c) {
              emptyEnabled = c.OkEnabled();
              c.SetWorkText(u"x");
              typedEnabled = c.OkEnabled();
              c.SetWorkText(u"");
              c.Post(IDOK);
            }),
            IDCANCEL);
  EXPECT_FALSE(emptyEnabled);
  EXPECT_TRUE(typedEnabled);
  EXPECT_EQ(RawCount(), "0");

  // A name whose cipher is longer than the column: the store refuses it,
  // the dialog stays open (Cancel then ends it) and nothing changes.
  Frame().m_strItemText = u"Before";
  Frame().m_nItemId = 7;
  const UINT items = Frame().m_wndWorkTree.GetCount();
  EXPECT_EQ(Run([&](ScriptedChooser& c) {
              c.SetWorkText(CString(u'n', 170));
              c.Post(IDOK);
              c.Post(IDCANCEL);
            }),
            IDCANCEL);
  EXPECT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(RawCount(), "0");
  EXPECT_EQ(Narrow(Frame().m_strItemText), "Before");
  EXPECT_EQ(Frame().m_nItemId, 7);
  EXPECT_EQ(Frame().m_wndWorkTree.GetCount(), items);
}

}  // namespace
