// The built-in file dialog driven headless with queued input over a
// temporary folder tree: listing and filters, navigation by list and by
// typed paths, typed names with the overwrite prompt, the read-only box.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <stdlib.h>

#include "common_dialog_script.h"
#include "platform/base/utf.h"
#include "platform/system/msgbox.h"
#include "tests/support/temp_home.h"

namespace {

namespace fs = std::filesystem;
using dlgtest::Act;
using dlgtest::Key;
using dlgtest::LookNow;
using dlgtest::Looks;
using dlgtest::Step;
using dlgtest::Type;
using Rows = std::vector<std::u16string>;

class FileDialogTest : public dlgtest::CommonDialogTest {
 protected:
  void SetUp() override {
    CommonDialogTest::SetUp();
    folder_ = std::make_unique<pvtest::TempFolder>("pv-filedlg");
    root_ = folder_->path();
    ASSERT_FALSE(root_.empty());
    for (const char* f : {"b.txt", "A.txt", "c.wav", "Song.WAV", "tune.mp3", "notes.md", ".hidden.txt", "sub/inner.wav",
                          "sub/inner.txt", "Alpha/x.txt", "gone/y.txt"})
      Touch(f);
    fs::create_directories(root_ + "/sub/deep");
    dlgtest::LookIds() = {pv::kFileDlgFolder, pv::kFileDlgName, IDOK};
    dlgtest::LookExtra() = [](HWND dialog, dlgtest::Look* look) {
      rows_ = dlgtest::ListRows(::GetDlgItem(dialog, pv::kFileDlgList));
      look->texts.push_back(::GetDlgItem(dialog, pv::kFileDlgReadOnly) ? u"read-only box" : u"no read-only box");
      rowsSeen_.push_back(rows_);
    };
    rowsSeen_.clear();
    old_ = pv::SetFileDialogSink(pv::BuiltInFileDialogSink());
  }
  void TearDown() override {
    pv::SetFileDialogSink(old_);
    folder_.reset();
    CommonDialogTest::TearDown();
  }
  void Touch(const std::string& rel) {
    fs::create_directories(fs::path(root_ + "/" + rel).parent_path());
    std::ofstream(root_ + "/" + rel) << "x";
  }
  std::u16string Root(const std::string& rel = "") const {
    return pv::Utf8ToUtf16(rel.empty() ? root_ : root_ + "/" + rel);
  }
  // An open (or save) dialog starting in the tree.
  INT_PTR Run(CFileDialog& dlg, const std::vector<Step>& script) {
    initial_ = Root();
    dlg.m_ofn.lpstrInitialDir = initial_.c_str();
    dlgtest::Queue(script);
    return dlg.DoModal();
  }

  std::unique_ptr<pvtest::TempFolder> folder_;
  std::string root_;
  std::u16string initial_;
  pv::FileDialogSink old_;
  static inline Rows rows_;
  static inline std::vector<Rows> rowsSeen_;
};

TEST_F(FileDialogTest, ListsFoldersFirstThenTheFilesOfTheChosenType) {
  struct Case {
    const char* name;
    const char16_t* filter;
    DWORD index;
    DWORD flags;
    std::vector<Step> script;
    Rows rows;
    DWORD indexAfter;
  };
  const Rows folders = {u"..", u"Alpha/", u"gone/", u"sub/"};
  auto with = [&](Rows files) {
    Rows r = folders;
    r.insert(r.end(), files.begin(), files.end());
    return r;
  };
  const Case cases[] = {
      {"one pattern, case ignored in the order",
       u"Text (*.txt)|*.txt|All (*.*)|*.*||",
       1,
       0,
       {LookNow()},
       with({u"A.txt", u"b.txt"}),
       1},
      {"several patterns, case ignored in the match",
       u"Sounds|*.wav;*.mp3||",
       1,
       0,
       {LookNow()},
       with({u"c.wav", u"Song.WAV", u"tune.mp3"}),
       1},
      {"the second type",
       u"Text (*.txt)|*.txt|All (*.*)|*.*||",
       2,
       0,
       {LookNow()},
       with({u"A.txt", u"b.txt", u"c.wav", u"notes.md", u"Song.WAV", u"tune.mp3"}),
       2},
      {"dot-files shown when asked",
       u"Text|*.txt||",
       1,
       OFN_FORCESHOWHIDDEN,
       {LookNow()},
       with({u".hidden.txt", u"A.txt", u"b.txt"}),
       1},
      {"an index beyond the types shows and answers the first",
       u"Text|*.txt|Sounds|*.wav||",
       7,
       0,
       {LookNow(), Type(u"b.txt"), Key(VK_RETURN)},
       with({u"A.txt", u"b.txt"}),
       1},
      {"no filter lists every file",
       nullptr,
       1,
       0,
       {LookNow()},
       with({u"A.txt", u"b.txt", u"c.wav", u"notes.md", u"Song.WAV", u"tune.mp3"}),
       1},
      {"the type changed in the combo is answered back",
       u"Text|*.txt|Markdown|*.md||",
       1,
       0,
       {Key(VK_TAB), Key(VK_DOWN), LookNow(), Key(VK_TAB, FSHIFT), Type(u"notes.md"), Key(VK_RETURN)},
       with({u"notes.md"}),
       2},
  };
  for (const Case& c : cases) {
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | c.flags, c.filter);
    dlg.m_ofn.nFilterIndex = c.index;
    rowsSeen_.clear();
    Run(dlg, c.script);
    ASSERT_EQ(rowsSeen_.size(), 1u) << c.name;
    EXPECT_EQ(rowsSeen_[0], c.rows) << c.name;
    EXPECT_EQ(dlg.m_ofn.nFilterIndex, c.indexAfter) << c.name;
  }
}

TEST_F(FileDialogTest, NavigatesByListAndByTypedFoldersAndPatterns) {
  CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, u"Sounds|*.wav||");
  pv::MessageBoxRecorder boxes;
  const std::vector<Step> script = {
      Type(u"sub"),
      Key(VK_RETURN),
      LookNow(),  // a typed folder is entered, the name box emptied
      Key(VK_TAB, FSHIFT),
      Key(VK_DOWN),
      Key(VK_RETURN),  // ".." in the list goes up
      LookNow(),
      Key(VK_DOWN),
      Key(VK_DOWN),
      Key(VK_RETURN),
      LookNow(),  // "Alpha/" is entered
      Key(VK_TAB),
      Type(u"../*.md;*.mp3"),
      Key(VK_RETURN),
      LookNow(),  // a folder and patterns at once
      Type(u"sub\\deep/..\\inner.wav"),
      Key(VK_RETURN),  // a relative name is resolved here
  };
  EXPECT_EQ(Run(dlg, script), IDOK);
  EXPECT_TRUE(boxes.Shown().empty());
  ASSERT_EQ(Looks().size(), 4u);
  EXPECT_EQ(Looks()[0].title, u"Open");
  EXPECT_EQ(Looks()[0].texts[0], Root("sub"));
  EXPECT_EQ(Looks()[0].texts[1], u"");
  EXPECT_EQ(rowsSeen_[0], (Rows{u"..", u"deep/", u"inner.wav"}));
  EXPECT_EQ(Looks()[1].texts[0], Root());
  EXPECT_EQ(Looks()[2].texts[0], Root("Alpha"));
  EXPECT_EQ(rowsSeen_[2], Rows{u".."});  // x.txt is no sound
  EXPECT_EQ(Looks()[3].texts[0], Root());
  EXPECT_EQ(Looks()[3].texts[1], u"*.md;*.mp3");
  EXPECT_EQ(rowsSeen_[3], (Rows{u"..", u"Alpha/", u"gone/", u"sub/", u"notes.md", u"tune.mp3"}));
  EXPECT_EQ(dlg.GetPathName(), CString(Root("sub/inner.wav").c_str()));
  EXPECT_EQ(dlg.GetFileName(), CString(u"inner.wav"));
  EXPECT_EQ(dlg.GetFolderPath(), CString(Root("sub").c_str()));
}

TEST_F(FileDialogTest, DoubleClickEntersFoldersAndChoosesFiles) {
  CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, u"Sounds|*.wav||");
  // Each action double-clicks a row of the list as shown at that moment,
  // then asks for the next action.
  std::vector<std::u16string> targets = {u"sub/", u"..", u"c.wav"};
  size_t next = 0;
  dlgtest::Action() = [&] {
    HWND top = ::GetFocus();
    while (top && (::GetWindowLong(top, GWL_STYLE) & WS_CHILD)) top = ::GetParent(top);
    HWND list = ::GetDlgItem(top, pv::kFileDlgList);
    Rows rows = dlgtest::ListRows(list);
    auto it = std::find(rows.begin(), rows.end(), targets.at(next++));
    ASSERT_NE(it, rows.end());
    RECT r{};
    ::SendMessage(list, LB_GETITEMRECT, static_cast<WPARAM>(it - rows.begin()), reinterpret_cast<LPARAM>(&r));
    POINT pt = pv::test::ClientPoint(list, r.left + 5, (r.top + r.bottom) / 2);
    pv::test::DoubleClick(pt.x, pt.y);
    if (next < targets.size()) {
      pv::test::KeyPress(VK_F12);
      pv::test::KeyPress(VK_F11);
    }
  };
  EXPECT_EQ(Run(dlg, {Act()}), IDOK);
  ASSERT_EQ(Looks().size(), 2u);
  EXPECT_EQ(Looks()[0].texts[0], Root("sub"));
  EXPECT_EQ(Looks()[1].texts[0], Root());
  EXPECT_EQ(dlg.GetPathName(), CString(Root("c.wav").c_str()));
}

TEST_F(FileDialogTest, FoldersThatCannotBeOpenedKeepThePreviousFolder) {
  CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, u"All|*.*||");
  pv::MessageBoxRecorder boxes;
  // The folder disappears after it was listed.
  dlgtest::Action() = [&] { fs::remove_all(root_ + "/gone"); };
  const std::vector<Step> script = {
      Act(),
      Key(VK_TAB, FSHIFT),
      Type(u"g"),
      Key(VK_RETURN),
      LookNow(),
      Key(VK_TAB),
      Type(u"missing/"),
      Key(VK_RETURN),
      Type(u"b.txt/"),
      Key(VK_RETURN),
      Type(u"missing/new.txt"),
      Key(VK_RETURN),
      LookNow(),
      Key(VK_ESCAPE),
  };
  EXPECT_EQ(Run(dlg, script), IDCANCEL);
  ASSERT_EQ(Looks().size(), 2u);
  EXPECT_EQ(Looks()[0].texts[0], Root());
  EXPECT_EQ(Looks()[1].texts[0], Root());
  std::vector<std::u16string> shown;
  for (const auto& b : boxes.Shown()) shown.push_back(b.text);
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0], Root("gone") + u"\nThe folder cannot be opened (No such file or directory).");
  EXPECT_EQ(shown[1], Root("missing") + u"\nThe folder does not exist.\nCheck the path and try again.");
  EXPECT_EQ(shown[2], Root("b.txt") + u"\nThe folder does not exist.\nCheck the path and try again.");
  EXPECT_EQ(shown[3], Root("missing") + u"\nThe folder does not exist.\nCheck the path and try again.");
  EXPECT_EQ(dlg.GetPathName(), CString());
}

TEST_F(FileDialogTest, SaveDialogTakesTypedNamesAndAsksBeforeReplacing) {
  struct Case {
    const char* name;
    std::vector<Step> script;
    std::vector<int> answers;  // to the message boxes
    INT_PTR result;
    std::string path;  // relative to the tree
    size_t prompts;
  };
  const Case cases[] = {
      {"a new name gets the default extension", {Type(u"new"), Key(VK_RETURN)}, {}, IDOK, "new.txt", 0},
      {"replacing refused, then another name",
       {Type(u"A.txt"), Key(VK_RETURN), LookNow(), Type(u"B2"), Key(VK_RETURN)},
       {IDNO},
       IDOK,
       "B2.txt",
       1},
      {"replacing accepted", {Type(u"A.txt"), Key(VK_RETURN)}, {IDYES}, IDOK, "A.txt", 1},
      {"a file chosen in the list", {Key(VK_TAB, FSHIFT), Key(VK_END), Key(VK_RETURN)}, {IDYES}, IDOK, "b.txt", 1},
      {"a name in a sub-folder", {Type(u"sub/fresh.txt"), Key(VK_RETURN)}, {}, IDOK, "sub/fresh.txt", 0},
      {"escape cancels", {Type(u"new"), Key(VK_ESCAPE)}, {}, IDCANCEL, "", 0},
      {"the queue running dry cancels", {Type(u"new")}, {}, IDCANCEL, "", 0},
  };
  for (const Case& c : cases) {
    CFileDialog dlg(FALSE, u"txt", u"start", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, u"Text (*.txt)|*.txt||");
    pv::MessageBoxRecorder boxes;
    for (int a : c.answers) boxes.Answer(a);
    Looks().clear();
    EXPECT_EQ(Run(dlg, c.script), c.result) << c.name;
    // A cancel leaves the proposed name.
    EXPECT_EQ(dlg.GetPathName(), CString(c.path.empty() ? u"start" : Root(c.path).c_str())) << c.name;
    EXPECT_EQ(boxes.Shown().size(), c.prompts) << c.name;
    if (c.prompts) {
      EXPECT_NE(boxes.Last().text.find(u"already exists"), std::u16string::npos) << c.name;
    }
    if (!Looks().empty()) {
      // Asked again: same folder, the refused name proposed, the save title.
      EXPECT_EQ(Looks()[0].title, u"Save As") << c.name;
      EXPECT_EQ(Looks()[0].texts[0], Root()) << c.name;
      EXPECT_EQ(Looks()[0].texts[1], u"A.txt") << c.name;
      EXPECT_EQ(Looks()[0].texts[2], u"&Save") << c.name;
    }
  }
}

TEST_F(FileDialogTest, OpenDialogAsksAgainForAMissingFileWithTheNameGiven) {
  CFileDialog dlg(TRUE, nullptr, u"first.txt", OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, u"Text|*.txt||");
  pv::MessageBoxRecorder boxes;
  EXPECT_EQ(Run(dlg, {LookNow(), Type(u"nothere.txt"), Key(VK_RETURN), LookNow(), Type(u"b.txt"), Key(VK_RETURN)}),
            IDOK);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Last().text, u"File not found.\nCheck the file name and try again.");
  ASSERT_EQ(Looks().size(), 2u);
  EXPECT_EQ(Looks()[0].texts[1], u"first.txt");
  EXPECT_EQ(Looks()[1].texts[0], Root());
  EXPECT_EQ(Looks()[1].texts[1], u"nothere.txt");
  EXPECT_EQ(dlg.GetPathName(), CString(Root("b.txt").c_str()));
}

TEST_F(FileDialogTest, ReadOnlyBoxTitleAndTheHeadlessDefault) {
  struct Case {
    const char* name;
    DWORD flags;
    const char16_t* title;
    std::vector<Step> script;
    std::u16string shownTitle;
    std::u16string box;
    BOOL readOnly;
  };
  const Case cases[] = {
      {"box ticked by its mnemonic",
       0,
       nullptr,
       {Type(u"b.txt"), Key('R', FALT), LookNow(), Key(VK_RETURN)},
       u"Open",
       u"read-only box",
       TRUE},
      {"box unticked",
       OFN_READONLY,
       u"Pick a sound",
       {Type(u"b.txt"), Key('R', FALT), LookNow(), Key(VK_RETURN)},
       u"Pick a sound",
       u"read-only box",
       FALSE},
      {"box hidden",
       OFN_HIDEREADONLY | OFN_READONLY,
       nullptr,
       {LookNow(), Type(u"b.txt"), Key(VK_RETURN)},
       u"Open",
       u"no read-only box",
       TRUE},
  };
  for (const Case& c : cases) {
    CFileDialog dlg(TRUE, nullptr, nullptr, c.flags, u"Text|*.txt||");
    dlg.m_ofn.lpstrTitle = c.title;
    Looks().clear();
    EXPECT_EQ(Run(dlg, c.script), IDOK) << c.name;
    ASSERT_EQ(Looks().size(), 1u) << c.name;
    EXPECT_EQ(Looks()[0].title, c.shownTitle) << c.name;
    EXPECT_EQ(Looks()[0].texts[2], u"&Open") << c.name;
    EXPECT_EQ(Looks()[0].texts[3], c.box) << c.name;
    EXPECT_EQ(dlg.GetReadOnlyPref(), c.readOnly) << c.name;
    EXPECT_EQ(dlg.GetPathName(), CString(Root("b.txt").c_str())) << c.name;
  }
  // Headless with no sink: the dialog never shows and cancels.
  pv::SetFileDialogSink(nullptr);
  CFileDialog open(TRUE);
  pv::test::KeyPress(VK_RETURN);
  EXPECT_EQ(open.DoModal(), IDCANCEL);
}

}  // namespace
