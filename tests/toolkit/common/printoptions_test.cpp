// Printing options: the format codes of the page header and footer, the
// split into three texts, the margins in both measures, the column layout
// of the band (narrow bands included) and a printed page read back from PDF.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/base/clock.h"
#include "platform/base/utf.h"
#include "platform/base/wstr.h"
#include "platform/framework/afx.h"
#include "platform/framework/afxprint.h"
#include "platform/system/locale.h"
#include "tests/support/required_tool.h"
#include "tests/support/temp_home.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/printoptions.h"

namespace {

CString DateText(DWORD flags) {
  WCHAR buffer[200] = {};
  ::GetDateFormatW(LOCALE_USER_DEFAULT, flags, nullptr, nullptr, buffer, 200);
  return CString(buffer);
}
CString TimeText(DWORD flags) {
  WCHAR buffer[200] = {};
  ::GetTimeFormatW(LOCALE_USER_DEFAULT, flags, nullptr, nullptr, buffer, 200);
  return CString(buffer);
}
std::string Narrow(const CString& s) { return pv::Utf16ToUtf8(std::u16string_view(s.GetString(), s.GetLength())); }

// A locale for the whole process while alive.
class LocaleScope : public pvtest::EnvScope {
 public:
  explicit LocaleScope(const char* name) : EnvScope("PRAVENOR_LOCALE", name) {}
};

// ---- format codes ---------------------------------------------------------------------------------

TEST(PrintPageHeaderFooter, FormatCodesExpandPerPage) {
  pv::FakeClockScope clock(2026, 3, 5, 14, 7, 9);
  const CString shortDate = DateText(DATE_SHORTDATE), longDate = DateText(DATE_LONGDATE);
  const CString time = TimeText(0), time24 = TimeText(TIME_NOTIMEMARKER | TIME_FORCE24HOURFORMAT);
  ASSERT_FALSE(shortDate.IsEmpty());
  ASSERT_NE(time, time24);
  struct Case {
    const char16_t* format;
    UINT page, maxPage;
    int virtualPages;
    const char16_t* title;
    CString left, center, right;
  } cases[] = {
      {u"&p", 3, 0xFFFF, 0, nullptr, u"3", u"", u""},
      {u"&P", 3, 0xFFFF, 0, nullptr, u"*", u"", u""},  // the count is not known yet
      {u"Page &p of &P", 3, 7, 0, nullptr, u"Page 3 of 7", u"", u""},
      {u"&p", 3, 7, 2, nullptr, u"3-2", u"", u""},
      {u"&d&b&w&b&&p", 1, 1, 0, u"Quarter", shortDate, u"Quarter", u"&p"},
      {u"A&bB", 1, 1, 0, nullptr, u"A", u"B", u""},
      {u"&bB", 1, 1, 0, nullptr, u"", u"B", u""},
      {u"&b&bC", 1, 1, 0, nullptr, u"", u"", u"C"},
      {u"a&bb&bc&bd", 1, 1, 0, nullptr, u"a", u"b", u"c&bd"},  // later separators stay
      {u"one\\ntwo", 1, 1, 0, nullptr, u"one\ntwo", u"", u""},
      {u"&D|&t|&T", 1, 1, 0, nullptr, longDate + u"|" + time + u"|" + time24, u"", u""},
      {u"&w", 1, 1, 0, nullptr, u"&w", u"", u""},  // no title: the code stays
      {u"&&&&", 1, 1, 0, nullptr, u"&&", u"", u""},
      {u"&&d &&w", 1, 1, 0, u"T", u"&d &w", u"", u""},  // doubled: never a code
  };
  for (const Case& c : cases) {
    CTKPrintPageHeaderFooter header(nullptr, TRUE);
    header.m_strFormatString = c.format;
    CPrintInfo info;
    info.m_nCurPage = c.page;
    info.SetMaxPage(c.maxPage);
    header.FormatTexts(&info, c.title, c.virtualPages);
    EXPECT_EQ(Narrow(header.m_strLeft), Narrow(c.left)) << Narrow(CString(c.format));
    EXPECT_EQ(Narrow(header.m_strCenter), Narrow(c.center)) << Narrow(CString(c.format));
    EXPECT_EQ(Narrow(header.m_strRight), Narrow(c.right)) << Narrow(CString(c.format));
  }
}

TEST(PrintPageHeaderFooter, NothingToFormatLeavesTheTexts) {
  CTKPrintPageHeaderFooter footer(nullptr, FALSE);
  footer.m_strLeft = u"kept";
  CPrintInfo info;
  footer.FormatTexts(&info, u"title");  // empty format
  EXPECT_EQ(footer.m_strLeft, CString(u"kept"));
  footer.m_strFormatString = u"&p";
  footer.FormatTexts(nullptr, u"title");  // no print information
  EXPECT_EQ(footer.m_strLeft, CString(u"kept"));
  EXPECT_FALSE(footer.IsEmpty());
  footer.Clear();
  EXPECT_TRUE(footer.IsEmpty());
  EXPECT_TRUE(footer.m_strFormatString.IsEmpty());
}

TEST(PrintPageHeaderFooter, DatesFollowTheOwnersLocale) {
  pv::FakeClockScope clock(2026, 3, 5, 14, 7, 9);
  class GermanOptions : public CTKPrintOptions {
   public:
    LCID GetLocaleId() override { return 0x0407; }
  } options;
  CTKPrintPageHeaderFooter* header = options.GetPageHeader();
  header->m_strFormatString = u"&d";
  CPrintInfo info;
  header->FormatTexts(&info, nullptr);
  WCHAR german[200] = {};
  ::GetDateFormatW(0x0407, DATE_SHORTDATE, nullptr, nullptr, german, 200);
  EXPECT_EQ(header->m_strLeft, CString(german));
  EXPECT_NE(header->m_strLeft, DateText(DATE_SHORTDATE));
}

// ---- options ------------------------------------------------------------------------------------

TEST(PrintOptions, DefaultMarginsFollowTheLocalesMeasure) {
  {
    LocaleScope us("en-US");
    CTKPrintOptions options;
    EXPECT_TRUE(options.UsesInchMeasure());
    EXPECT_EQ(options.m_rcMargins, CRect(500, 500, 500, 500));
    EXPECT_EQ(options.GetMarginsHundredthsMm(), CRect(1270, 1270, 1270, 1270));
    EXPECT_FALSE(options.m_bFirstSwitch);
    EXPECT_FALSE(options.m_bSecondSwitch);
    EXPECT_TRUE(options.IsKindOf(RUNTIME_CLASS(CCmdTarget)));
    EXPECT_TRUE(options.GetPageHeader()->m_bHeader);
    EXPECT_FALSE(options.GetPageFooter()->m_bHeader);
    EXPECT_EQ(options.GetPageHeader()->m_pOwner, &options);
    // On a 300-dpi printer, half an inch is 150 dots.
    CDC printer;
    ASSERT_TRUE(printer.CreateDC(u"WINSPOOL", u"Default", nullptr, nullptr));
    EXPECT_EQ(options.GetMarginsDeviceUnits(&printer), CRect(150, 150, 150, 150));
    RECT out{};
    options.GetMarginsDeviceUnits(&printer, &out);
    EXPECT_EQ(CRect(out), CRect(150, 150, 150, 150));
    EXPECT_TRUE(options.GetMarginsDeviceUnits(nullptr).IsRectNull());
  }
  {
    LocaleScope de("de-DE");
    CTKPrintOptions options;
    EXPECT_FALSE(options.UsesInchMeasure());
    EXPECT_EQ(options.m_rcMargins, CRect(1000, 1000, 1000, 1000));
    options.m_rcMargins = CRect(1000, 2540, 500, 0);
    EXPECT_EQ(options.GetMarginsHundredthsMm(), CRect(1000, 2540, 500, 0));
    CDC printer;
    ASSERT_TRUE(printer.CreateDC(u"WINSPOOL", u"Default", nullptr, nullptr));
    EXPECT_EQ(options.GetMarginsDeviceUnits(&printer), CRect(118, 300, 59, 0));
  }
}

TEST(PrintOptions, CopyFromTakesMarginsSwitchesHeaderAndFooter) {
  CTKPrintOptions source, target;
  source.m_rcMargins = CRect(1, 2, 3, 4);
  source.m_bFirstSwitch = TRUE;
  source.m_bSecondSwitch = TRUE;
  source.GetPageHeader()->m_strFormatString = u"&p";
  source.GetPageHeader()->m_strCenter = u"centre";
  source.GetPageHeader()->m_clrText = RGB(1, 2, 3);
  source.GetPageHeader()->m_lfFont.lfHeight = -77;
  source.GetPageFooter()->m_strRight = u"right";
  target.CopyFrom(&source);
  EXPECT_EQ(target.m_rcMargins, CRect(1, 2, 3, 4));
  EXPECT_TRUE(target.m_bFirstSwitch);
  EXPECT_TRUE(target.m_bSecondSwitch);
  EXPECT_EQ(target.GetPageHeader()->m_strFormatString, CString(u"&p"));
  EXPECT_EQ(target.GetPageHeader()->m_strCenter, CString(u"centre"));
  EXPECT_EQ(target.GetPageHeader()->m_clrText, RGB(1, 2, 3));
  EXPECT_EQ(target.GetPageHeader()->m_lfFont.lfHeight, -77);
  EXPECT_EQ(target.GetPageFooter()->m_strRight, CString(u"right"));
  EXPECT_TRUE(target.GetPageHeader()->m_bHeader) << "the header stays the header";
  EXPECT_EQ(target.GetPageHeader()->m_pOwner, &target);
  target.CopyFrom(nullptr);
  EXPECT_EQ(target.m_rcMargins, CRect(1, 2, 3, 4));
  // A cleared header has the icon-title font and black text.
  LOGFONTW icon{};
  CTKDrawHelpers::GetIconLogFont(&icon);
  target.GetPageHeader()->Clear();
  EXPECT_EQ(target.GetPageHeader()->m_lfFont.lfHeight, icon.lfHeight);
  EXPECT_EQ(target.GetPageHeader()->m_clrText, 0u);
}

// ---- the band's layout, with the hand-computable test face ----------------------------------------
// "PravenorTest" at height 20: every character advances 10, a line is 20 high.

class BandLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HDC screen = ::GetScreenDC();
    dc_.Attach(::CreateCompatibleDC(screen));
    bitmap_ = ::CreateCompatibleBitmap(screen, 700, 200);
    old_ = ::SelectObject(dc_.m_hDC, bitmap_);
    dc_.FillSolidRect(0, 0, 700, 200, RGB(255, 255, 255));
    LOGFONTW lf{};
    lf.lfHeight = -20;
    wcscpy_s(lf.lfFaceName, u"PravenorTest");
    font_.CreateFontIndirect(&lf);
    fontOld_ = dc_.SelectObject(&font_)->GetSafeHandle();
    header_.m_lfFont = lf;
    footer_.m_lfFont = lf;
    header_.m_clrText = footer_.m_clrText = RGB(200, 0, 0);
  }
  void TearDown() override {
    ::SelectObject(dc_.m_hDC, fontOld_);
    ::SelectObject(dc_.m_hDC, old_);
    ::DeleteObject(bitmap_);
  }
  int Columns(int width, const CString& l, const CString& c, const CString& r) {
    return header_.CalcColumnSizes(&dc_, width, l, c, r, sizes_);
  }
  CDC dc_;
  CFont font_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr, fontOld_ = nullptr;
  CTKPrintPageHeaderFooter header_{nullptr, TRUE};
  CTKPrintPageHeaderFooter footer_{nullptr, FALSE};
  CSize sizes_[3];
};

TEST_F(BandLayoutTest, ThreeTextsShareTheWidthClosestToThirds) {
  EXPECT_EQ(Columns(600, u"aaaa", u"bbbb", u"cccc"), 20);
  EXPECT_EQ(sizes_[0], CSize(201, 20));
  EXPECT_EQ(sizes_[1], CSize(201, 20));
  EXPECT_EQ(sizes_[2], CSize(198, 20));
  // A long right text: the fewest lines first (3 by extent), then the least
  // deviation from thirds.
  CString words;
  for (int i = 0; i < 25; ++i) words += u"aaa ";
  EXPECT_EQ(Columns(600, u"a", u"b", words), 80);  // 8 words a line in 348
  EXPECT_EQ(sizes_[0], CSize(66, 20));
  EXPECT_EQ(sizes_[1], CSize(186, 20));
  EXPECT_EQ(sizes_[2], CSize(348, 80));
  // From nine units up, every column gets at least a ninth.
  for (int width : {9, 10, 31, 44, 100, 257}) {
    Columns(width, u"x", u"yy", u"zzz");
    for (const CSize& s : sizes_) EXPECT_GE(s.cx, width / 9) << width;
    EXPECT_EQ(sizes_[0].cx + sizes_[1].cx + sizes_[2].cx, width) << width;
  }
}

TEST_F(BandLayoutTest, OneTextTakesTheWholeWidthAndIsCentred) {
  EXPECT_EQ(Columns(600, u"  ", u"ab", u""), 20);  // blank left text
  EXPECT_EQ(sizes_[0], CSize(0, 0));
  EXPECT_EQ(sizes_[1], CSize(600, 20));
  EXPECT_EQ(sizes_[2], CSize(0, 0));
  // Measured as drawn, without prefix processing: "&&" is two characters.
  EXPECT_EQ(Columns(40, u"ab &&c d", u"", u""), 60);
  EXPECT_EQ(sizes_[0], CSize(40, 60));
  header_.m_strCenter = u"ab";
  CRect band(50, 10, 650, 150);
  header_.Draw(&dc_, band);
  EXPECT_EQ(band, CRect(50, 10, 650, 10 + 20 + 3));
  // "ab" is 20 wide, centred in 600 from x 50: 340..359.
  EXPECT_EQ(dc_.GetPixel(341, 12), RGB(200, 0, 0));
  EXPECT_EQ(dc_.GetPixel(338, 12), RGB(255, 255, 255));
  EXPECT_EQ(dc_.GetPixel(361, 12), RGB(255, 255, 255));
  EXPECT_EQ(dc_.GetBkMode(), OPAQUE) << "the background mode is put back";
  EXPECT_EQ(dc_.GetCurrentFont()->GetSafeHandle(), font_.GetSafeHandle()) << "the DC's font is put back";
}

TEST_F(BandLayoutTest, EmptyTextsGiveABandOfNoHeight) {
  EXPECT_EQ(Columns(600, u"", u"", u""), 0);
  CRect headerBand(0, 100, 600, 180), footerBand(0, 100, 600, 180);
  header_.Draw(&dc_, headerBand);
  footer_.Draw(&dc_, footerBand, TRUE);
  EXPECT_EQ(headerBand, CRect(0, 100, 600, 100)) << "no 3-unit gap";
  EXPECT_EQ(footerBand, CRect(0, 180, 600, 180));
  // A footer with text: its top moves up by the height and the gap.
  footer_.m_strLeft = u"left";
  footer_.m_strRight = u"right";
  footerBand = CRect(0, 100, 600, 180);
  footer_.Draw(&dc_, footerBand, TRUE);
  EXPECT_EQ(footerBand, CRect(0, 180 - 23, 600, 180));
  EXPECT_EQ(dc_.GetPixel(1, 160), RGB(255, 255, 255)) << "measuring draws nothing";
}

TEST_F(BandLayoutTest, NarrowAndEmptyBandsHaveADefinedLayout) {
  // No width (an empty or inverted band): nothing fits, every size is 0.
  for (int width : {0, -1, -40}) {
    EXPECT_EQ(Columns(width, u"left", u"centre", u"right"), 0) << width;
    for (const CSize& s : sizes_) EXPECT_EQ(s, CSize(0, 0)) << width;
    EXPECT_EQ(Columns(width, u"", u"only", u""), 0) << width;
  }
  CRect band(100, 50, 100, 90);
  header_.m_strLeft = u"left";
  header_.m_strCenter = u"centre";
  header_.Draw(&dc_, band);
  EXPECT_EQ(band, CRect(100, 50, 100, 50));
  // Below nine units a ninth is nothing: every column keeps at least one unit.
  for (int width : {1, 2, 3, 4, 5, 8}) {
    EXPECT_GT(Columns(width, u"left", u"centre", u"right"), 0) << width;
    for (const CSize& s : sizes_) EXPECT_GE(s.cx, 1) << width;
  }
  Columns(5, u"l", u"c", u"r");
  EXPECT_EQ(sizes_[0].cx, 1);
  EXPECT_EQ(sizes_[1].cx, 1);
  EXPECT_EQ(sizes_[2].cx, 3);
  EXPECT_EQ(header_.CalcColumnSizes(nullptr, 600, u"a", u"b", u"c", sizes_), 0);
  CRect untouched(0, 0, 600, 100);
  header_.Draw(nullptr, untouched);
  EXPECT_EQ(untouched, CRect(0, 0, 600, 100));
}

// ---- a printed page -------------------------------------------------------------------------------

TEST(PrintPageHeaderFooter, FormatCodesPrintOnAPdfPage) {
  pv::FakeClockScope clock(2026, 3, 5, 14, 7, 9);
  CTKPrintOptions options;
  CTKPrintPageHeaderFooter* header = options.GetPageHeader();
  CTKPrintPageHeaderFooter* footer = options.GetPageFooter();
  header->m_strFormatString = u"Page &p of &P&bTitle &w&bOn &d";
  footer->m_strFormatString = u"&bSheet &p&bAT&&T";
  for (CTKPrintPageHeaderFooter* band : {header, footer}) {
    band->m_lfFont.lfHeight = -50;
    wcscpy_s(band->m_lfFont.lfFaceName, u"Arial");
  }
  CPrintInfo info;
  info.m_nCurPage = 3;
  info.SetMaxPage(7);
  header->FormatTexts(&info, u"Works", 0);
  footer->FormatTexts(&info, u"Works", 2);

  CDC printer;
  ASSERT_TRUE(printer.CreateDC(u"WINSPOOL", u"Default", nullptr, nullptr));
  pvtest::TempFolder folder("tk-header-footer");
  const std::string path = folder.File("header_footer.pdf");
  const std::u16string wpath = pv::Utf8ToUtf16(path);
  DOCINFOW doc{sizeof(DOCINFOW), u"Header and footer", wpath.c_str(), nullptr, 0};
  ASSERT_GT(printer.StartDoc(&doc), 0);
  ASSERT_GT(printer.StartPage(), 0);
  const CRect margins = options.GetMarginsDeviceUnits(&printer);
  CRect page(0, 0, printer.GetDeviceCaps(HORZRES), printer.GetDeviceCaps(VERTRES));
  page.DeflateRect(margins.left, margins.top, margins.right, margins.bottom);
  CRect top = page, bottom = page;
  header->Draw(&printer, top);
  footer->Draw(&printer, bottom);
  EXPECT_GT(top.Height(), 3);
  EXPECT_EQ(top.top, page.top);
  EXPECT_EQ(bottom.bottom, page.bottom);
  printer.EndPage();
  ASSERT_GT(printer.EndDoc(), 0);

  if (access("/usr/bin/pdftotext", X_OK) != 0) PV_MISSING_TOOL("pdftotext (poppler-utils) is not installed");
  const std::string txt = path + ".txt";
  ASSERT_EQ(std::system(("pdftotext -layout '" + path + "' '" + txt + "'").c_str()), 0);
  std::ifstream in(txt);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string date = Narrow(DateText(DATE_SHORTDATE));
  for (const std::string& expected : {std::string("Page 3 of 7"), std::string("Title Works"), "On " + date,
                                      std::string("Sheet 3-2"), std::string("AT&T")})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  // The header's line comes before the footer's.
  EXPECT_LT(text.find("Page 3 of 7"), text.find("Sheet 3-2"));
}

}  // namespace
