// The built-in font dialog driven headless with queued input: faces, styles
// and sizes chosen by typing and by the lists, effects and colours, the
// sample following the choice, wrong entries refused with a message, and
// an initial LOGFONT that comes back unchanged.
#include <algorithm>
#include <string>
#include <vector>

#include "common_dialog_script.h"
#include "platform/system/msgbox.h"

namespace {

using dlgtest::Key;
using dlgtest::LookNow;
using dlgtest::Looks;
using dlgtest::Step;
using dlgtest::Type;

int Height(int tenths) {
  HDC dc = ::GetDC(nullptr);
  int h = -MulDiv(tenths, ::GetDeviceCaps(dc, LOGPIXELSY), 720);
  ::ReleaseDC(nullptr, dc);
  return h;
}

LOGFONTW Font(const char16_t* face, int tenths, LONG weight = FW_NORMAL, BYTE italic = 0, BYTE underline = 0,
              BYTE strike = 0, BYTE charset = ANSI_CHARSET) {
  LOGFONTW lf{};
  lf.lfHeight = Height(tenths);
  lf.lfWeight = weight;
  lf.lfItalic = italic;
  lf.lfUnderline = underline;
  lf.lfStrikeOut = strike;
  lf.lfCharSet = charset;
  for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
  return lf;
}

class FontDialogTest : public dlgtest::CommonDialogTest {
 protected:
  void SetUp() override {
    CommonDialogTest::SetUp();
    dlgtest::LookIds() = {pv::kFontDlgFace, pv::kFontDlgStyle, pv::kFontDlgSize, pv::kFontDlgColor};
    // The sample's font as the user sees it: face, weight, italic, underline, strike-out.
    dlgtest::LookExtra() = [](HWND dialog, dlgtest::Look* look) {
      HWND sample = ::GetDlgItem(dialog, pv::kFontDlgSample);
      LOGFONTW lf{};
      ::GetObject(reinterpret_cast<HFONT>(::SendMessage(sample, WM_GETFONT, 0, 0)), sizeof lf, &lf);
      CString s;
      s.Format(u"%s %d %d%d%d %d", lf.lfFaceName, static_cast<int>(lf.lfWeight), lf.lfItalic, lf.lfUnderline,
               lf.lfStrikeOut, static_cast<int>(lf.lfHeight));
      look->texts.push_back(s.GetString());
      look->texts.push_back(::GetDlgItem(dialog, pv::kFontDlgUnderline) ? u"effects" : u"no effects");
    };
    old_ = pv::SetFontDialogSink(pv::BuiltInFontDialogSink());
  }
  void TearDown() override {
    pv::SetFontDialogSink(old_);
    CommonDialogTest::TearDown();
  }
  pv::FontDialogSink old_;
};

TEST_F(FontDialogTest, ChoosesByTypingAndByTheLists) {
  struct Case {
    const char* name;
    std::vector<Step> script;
    const char16_t* face;
    int size;  // tenths
    BOOL bold, italic, underline, strike;
    COLORREF color;
  };
  const LOGFONTW initial = Font(u"Liberation Sans", 100);
  const Case cases[] = {
      {"typed, case ignored",
       {Type(u"liberation serif"), Key(VK_TAB), Type(u"bold italic"), Key(VK_TAB), Type(u"14"), Key(VK_RETURN)},
       u"Liberation Serif",
       140,
       TRUE,
       TRUE,
       FALSE,
       FALSE,
       RGB(0, 0, 0)},
      {"arrows in the style and size lists",
       {Key(VK_TAB), Key(VK_DOWN), Key(VK_TAB), Key(VK_DOWN), Key(VK_DOWN), Key(VK_RETURN)},
       u"Liberation Sans",
       120,
       FALSE,
       TRUE,
       FALSE,
       FALSE,
       RGB(0, 0, 0)},
      {"a size between the listed ones",
       {Key(VK_TAB), Key(VK_TAB), Type(u"10.5"), Key(VK_RETURN)},
       u"Liberation Sans",
       105,
       FALSE,
       FALSE,
       FALSE,
       FALSE,
       RGB(0, 0, 0)},
      {"effects by mnemonics, a colour by its letter",
       {Key('K', FALT), Key('U', FALT), Key('C', FALT), Type(u"r"), Key(VK_RETURN)},
       u"Liberation Sans",
       100,
       FALSE,
       FALSE,
       TRUE,
       TRUE,
       RGB(255, 0, 0)},
      {"a colour by arrows",
       {Key('C', FALT), Key(VK_DOWN), Key(VK_DOWN), Key(VK_RETURN)},
       u"Liberation Sans",
       100,
       FALSE,
       FALSE,
       FALSE,
       FALSE,
       RGB(0, 128, 0)},
  };
  for (const Case& c : cases) {
    LOGFONTW lf = initial;
    CFontDialog dlg(&lf);
    dlgtest::Queue(c.script);
    ASSERT_EQ(dlg.DoModal(), IDOK) << c.name;
    EXPECT_EQ(dlg.GetFaceName(), CString(c.face)) << c.name;
    EXPECT_EQ(dlg.GetSize(), c.size) << c.name;
    EXPECT_EQ(dlg.IsBold(), c.bold) << c.name;
    EXPECT_EQ(dlg.GetWeight(), c.bold ? FW_BOLD : FW_NORMAL) << c.name;
    EXPECT_EQ(dlg.IsItalic(), c.italic) << c.name;
    EXPECT_EQ(dlg.IsUnderline(), c.underline) << c.name;
    EXPECT_EQ(dlg.IsStrikeOut(), c.strike) << c.name;
    EXPECT_EQ(dlg.GetColor(), c.color) << c.name;
    LOGFONTW got{};
    dlg.GetCurrentFont(&got);
    EXPECT_EQ(got.lfHeight, Height(c.size)) << c.name;
    EXPECT_EQ(CString(got.lfFaceName), CString(c.face)) << c.name;
  }
}

TEST_F(FontDialogTest, SampleFollowsTheChoice) {
  LOGFONTW lf = Font(u"Liberation Sans", 100);
  CFontDialog dlg(&lf);
  dlgtest::Queue({LookNow(), Type(u"Liberation Mono"), LookNow(), Key(VK_TAB), Type(u"Bold"), Key('U', FALT), LookNow(),
                  Key(VK_ESCAPE)});
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  ASSERT_EQ(Looks().size(), 3u);
  CString h10, h14;
  h10.Format(u"%d", Height(100));
  EXPECT_EQ(Looks()[0].texts[4], u"Liberation Sans 400 000 " + std::u16string(h10.GetString()));
  EXPECT_EQ(Looks()[1].texts[4], u"Liberation Mono 400 000 " + std::u16string(h10.GetString()));
  EXPECT_EQ(Looks()[2].texts[4], u"Liberation Mono 700 010 " + std::u16string(h10.GetString()));
  EXPECT_EQ(Looks()[0].title, u"Font");
  EXPECT_EQ(Looks()[0].texts[3], u"Black");
  // Cancelled: the members are what they were.
  EXPECT_EQ(dlg.GetFaceName(), CString(u"Liberation Sans"));
  EXPECT_FALSE(dlg.IsBold());
}

TEST_F(FontDialogTest, WrongEntriesAreRefusedAndTheFieldKeepsTheFocus) {
  struct Case {
    const char* name;
    DWORD flags;
    std::vector<Step> script;
    std::vector<std::u16string> boxes;
    INT_PTR result;
    const char16_t* face;
    int size;
  };
  const std::u16string noFont = u"There is no font with that name.\nChoose a font from the list of fonts.";
  const std::u16string noStyle = u"There is no style of that name.\nChoose a style from the list of styles.";
  const Case cases[] = {
      {"unknown face refused when it must exist",
       CF_FORCEFONTEXIST,
       {Type(u"Nope Sans"), Key(VK_RETURN), Type(u"Liberation Mono"), Key(VK_RETURN)},
       {noFont},
       IDOK,
       u"Liberation Mono",
       100},
      {"unknown face taken as typed otherwise", 0, {Type(u"Nope Sans"), Key(VK_RETURN)}, {}, IDOK, u"Nope Sans", 100},
      {"an empty face is no font", 0, {Key(VK_DELETE), Key(VK_RETURN)}, {noFont}, IDCANCEL, u"Liberation Sans", 100},
      {"unknown style",
       0,
       {Key(VK_TAB), Type(u"Heavy"), Key(VK_RETURN), Type(u"italic"), Key(VK_RETURN)},
       {noStyle},
       IDOK,
       u"Liberation Sans",
       100},
      {"a size that is no number, then a good one",
       0,
       {Key(VK_TAB), Key(VK_TAB), Type(u"1x"), Key(VK_RETURN), Type(u"9"), Key(VK_RETURN)},
       {u"Size must be a number."},
       IDOK,
       u"Liberation Sans",
       90},
      {"a size beyond every font",
       0,
       {Key(VK_TAB), Key(VK_TAB), Type(u"99999999"), Key(VK_RETURN)},
       {u"Size must be between 1 and 1638 points."},
       IDCANCEL,
       u"Liberation Sans",
       100},
      {"a size outside the caller's limits",
       CF_LIMITSIZE,
       {Key(VK_TAB), Key(VK_TAB), Type(u"24"), Key(VK_RETURN), Type(u"20"), Key(VK_RETURN)},
       {u"Size must be between 8 and 20 points."},
       IDOK,
       u"Liberation Sans",
       200},
  };
  for (const Case& c : cases) {
    LOGFONTW lf = Font(u"Liberation Sans", 100);
    CFontDialog dlg(&lf, CF_EFFECTS | CF_SCREENFONTS | c.flags);
    dlg.m_cf.nSizeMin = 8;
    dlg.m_cf.nSizeMax = 20;
    pv::MessageBoxRecorder boxes;
    dlgtest::Queue(c.script);
    EXPECT_EQ(dlg.DoModal(), c.result) << c.name;
    std::vector<std::u16string> shown;
    for (const auto& b : boxes.Shown()) shown.push_back(b.text);
    EXPECT_EQ(shown, c.boxes) << c.name;
    EXPECT_EQ(dlg.GetFaceName(), CString(c.face)) << c.name;
    if (c.result == IDOK) {
      EXPECT_EQ(dlg.GetSize(), c.size) << c.name;
    }
  }
}

TEST_F(FontDialogTest, InitialFontComesBackAsItWas) {
  // A face and colour of the caller's own, a positive (cell) height, a
  // charset: OK at once changes none of it.
  LOGFONTW lf = Font(u"Liberation Mono", 120, FW_BOLD, 0, 1, 0, GB2312_CHARSET);
  lf.lfHeight = -lf.lfHeight;
  struct Case {
    const char* name;
    DWORD flags;
    std::u16string colorShown;
    std::u16string effects;
  };
  const Case cases[] = {
      {"with effects", CF_EFFECTS | CF_SCREENFONTS, u"Custom", u"effects"},
      {"without effects", CF_SCREENFONTS | CF_NOSCRIPTSEL, u"<none>", u"no effects"},
  };
  for (const Case& c : cases) {
    CFontDialog dlg(&lf, c.flags);
    dlg.m_cf.rgbColors = RGB(1, 2, 3);
    Looks().clear();
    dlgtest::Queue({LookNow(), Key(VK_RETURN)});
    ASSERT_EQ(dlg.DoModal(), IDOK) << c.name;
    ASSERT_EQ(Looks().size(), 1u) << c.name;
    EXPECT_EQ(Looks()[0].texts[0], u"Liberation Mono") << c.name;
    EXPECT_EQ(Looks()[0].texts[1], u"Bold") << c.name;
    EXPECT_EQ(Looks()[0].texts[3], c.colorShown) << c.name;
    EXPECT_EQ(Looks()[0].texts[5], c.effects) << c.name;
    LOGFONTW got{};
    dlg.GetCurrentFont(&got);
    EXPECT_EQ(CString(got.lfFaceName), CString(u"Liberation Mono")) << c.name;
    EXPECT_EQ(got.lfWeight, FW_BOLD) << c.name;
    EXPECT_EQ(got.lfUnderline, 1) << c.name;
    EXPECT_EQ(got.lfCharSet, GB2312_CHARSET) << c.name;
    EXPECT_EQ(dlg.GetColor(), RGB(1, 2, 3)) << c.name;
    // The cell height was turned into points; asking again gives the same size.
    std::string shownSize(Looks()[0].texts[2].begin(), Looks()[0].texts[2].end());
    EXPECT_EQ(dlg.GetSize(), static_cast<int>(std::stod(shownSize) * 10 + 0.5)) << c.name;
    EXPECT_LT(got.lfHeight, 0) << c.name;
  }
}

TEST_F(FontDialogTest, FaceListFollowsThePitchAndScriptFlags) {
  struct Case {
    const char* name;
    DWORD flags;
    std::vector<std::u16string> present, absent;
  };
  const Case cases[] = {
      {"every screen face", 0, {u"Liberation Sans", u"Liberation Mono", u"Marlett"}, {}},
      {"fixed pitch only", CF_FIXEDPITCHONLY, {u"Liberation Mono"}, {u"Liberation Sans", u"Liberation Serif"}},
      {"no symbol sets", CF_SCRIPTSONLY, {u"Liberation Sans"}, {u"Marlett"}},
  };
  std::vector<std::u16string> faces;
  dlgtest::LookExtra() = [&](HWND dialog, dlgtest::Look*) {
    HWND combo = ::GetDlgItem(dialog, pv::kFontDlgFace);
    faces.clear();
    int n = static_cast<int>(::SendMessage(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      std::u16string t(static_cast<size_t>(::SendMessage(combo, CB_GETLBTEXTLEN, i, 0)) + 1, u'\0');
      ::SendMessage(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(t.data()));
      t.pop_back();
      faces.push_back(t);
    }
  };
  for (const Case& c : cases) {
    CFontDialog dlg(nullptr, CF_SCREENFONTS | c.flags);
    dlgtest::Queue({LookNow()});
    EXPECT_EQ(dlg.DoModal(), IDCANCEL) << c.name;
    for (const auto& f : c.present) EXPECT_NE(std::find(faces.begin(), faces.end(), f), faces.end()) << c.name;
    for (const auto& f : c.absent) EXPECT_EQ(std::find(faces.begin(), faces.end(), f), faces.end()) << c.name;
  }
}

TEST_F(FontDialogTest, SinkAnswersAndHeadlessCancels) {
  pv::SetFontDialogSink([](CHOOSEFONTW& cf) {
    EXPECT_TRUE(cf.Flags & CF_EFFECTS);
    EXPECT_TRUE(cf.Flags & CF_INITTOLOGFONTSTRUCT);
    cf.lpLogFont->lfItalic = 1;
    cf.rgbColors = RGB(0, 0, 255);
    cf.iPointSize = 180;
    return IDOK;
  });
  LOGFONTW lf = Font(u"Liberation Serif", 100);
  CFontDialog dlg(&lf);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_TRUE(dlg.IsItalic());
  EXPECT_EQ(dlg.GetColor(), RGB(0, 0, 255));
  EXPECT_EQ(dlg.GetSize(), 180);
  EXPECT_EQ(dlg.GetFaceName(), CString(u"Liberation Serif"));

  // Headless with no sink: nothing shows, the members stay.
  pv::SetFontDialogSink(nullptr);
  pv::test::KeyPress(VK_RETURN);
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_TRUE(dlg.IsItalic());
}

}  // namespace
