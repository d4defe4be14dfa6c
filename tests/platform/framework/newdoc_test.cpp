// File New with several kinds of document: the "New" chooser driven headless
// with queued keys, and the cases in which it is not shown at all.
#include <string>
#include <vector>

#include "common_dialog_script.h"
#include "platform/framework/afxdoc.h"

namespace {

using dlgtest::Key;
using dlgtest::LookNow;
using dlgtest::Step;
using Rows = std::vector<std::u16string>;

// A template that only records that File New picked it.
class CRecordingTemplate : public CMultiDocTemplate {
 public:
  CRecordingTemplate(std::u16string docString, int index, std::vector<int>* opened)
      : CMultiDocTemplate(0, nullptr, nullptr, nullptr),
        docString_(std::move(docString)),
        index_(index),
        opened_(opened) {}
  void LoadTemplate() override { m_strDocStrings = docString_.c_str(); }
  CDocument* OpenDocumentFile(LPCTSTR, BOOL) override {
    opened_->push_back(index_);
    return nullptr;
  }

 private:
  std::u16string docString_;
  int index_;
  std::vector<int>* opened_;
};

class NewDocumentTest : public dlgtest::CommonDialogTest {
 protected:
  void SetUp() override {
    CommonDialogTest::SetUp();
    dlgtest::LookExtra() = [](HWND dialog, dlgtest::Look* look) {
      for (const auto& row : dlgtest::ListRows(::GetDlgItem(dialog, pv::kNewTypeList))) look->texts.push_back(row);
    };
  }
  // Runs File New over templates with these file-new names; answers the
  // indexes of the templates opened.
  std::vector<int> FileNew(const std::vector<std::u16string>& names, const std::vector<Step>& script) {
    std::vector<int> opened;
    {
      CDocManager manager;
      for (size_t i = 0; i < names.size(); ++i)
        manager.AddDocTemplate(
            new CRecordingTemplate(u"\nDoc" + std::u16string(1, u'A' + i) + u"\n" + names[i] + u"\n\n\nMDI.Document\nX",
                                   static_cast<int>(i), &opened));
      dlgtest::Queue(script);
      manager.OnFileNew();
    }
    pv::test::PumpUntilIdle();
    return opened;
  }
};

const std::vector<std::u16string> kFour = {u"nCompleted", u"nScheduled", u"Enquiry", u"nCount"};

TEST_F(NewDocumentTest, TheUserPicksAKindByItsFileNewName) {
  struct Case {
    const char* name;
    std::vector<std::u16string> names;
    std::vector<Step> script;
    std::vector<int> opened;
  };
  std::vector<Case> cases = {
      {"Enter takes the first, selected at the start", kFour, {LookNow(), Key(VK_RETURN)}, {0}},
      {"arrows move the choice", kFour, {Key(VK_DOWN), Key(VK_DOWN), LookNow(), Key(VK_RETURN)}, {2}},
      {"the OK button", kFour, {Key(VK_END), Key(VK_TAB), Key(VK_SPACE)}, {3}},
      {"templates without a name are not offered",
       {u"", u"First", u"", u"Second"},
       {LookNow(), Key(VK_DOWN), Key(VK_RETURN)},
       {3}},
      {"Escape opens nothing", kFour, {Key(VK_ESCAPE)}, {}},
      {"no answer at all opens nothing", kFour, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dlgtest::Looks().clear();
    EXPECT_EQ(c.opened, FileNew(c.names, c.script));
    for (const auto& look : dlgtest::Looks()) {
      EXPECT_EQ(u"New", look.title);
      Rows offered;
      for (const auto& n : c.names)
        if (!n.empty()) offered.push_back(n);
      EXPECT_EQ(offered, look.texts);
    }
  }
}

TEST_F(NewDocumentTest, ADoubleClickOnAKindOpensIt) {
  // While the chooser is up, a double-click on its third row is queued.
  dlgtest::Action() = [] {
    HWND list = ::GetFocus();
    RECT row{};
    ASSERT_NE(LB_ERR, ::SendMessage(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row)));
    POINT at{(row.left + row.right) / 2, (row.top + row.bottom) / 2};
    ::ClientToScreen(list, &at);
    pv::test::DoubleClick(at.x, at.y);
  };
  EXPECT_EQ((std::vector<int>{2}), FileNew(kFour, {dlgtest::Act()}));
}

TEST_F(NewDocumentTest, NothingToChooseOpensWithoutAsking) {
  struct Case {
    const char* name;
    std::vector<std::u16string> names;
    std::vector<int> opened;
  };
  // No input is queued: a chooser would end as a cancel and open nothing.
  std::vector<Case> cases = {
      {"one named template among others", {u"", u"Only", u""}, {1}},
      {"none named: the first", {u"", u""}, {0}},
      {"a single template, named or not", {u""}, {0}},
      {"no template", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dlgtest::Looks().clear();
    EXPECT_EQ(c.opened, FileNew(c.names, {LookNow()}));
    for (const auto& look : dlgtest::Looks()) EXPECT_NE(u"New", look.title);
  }
}

}  // namespace
