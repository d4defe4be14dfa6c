// Cell text: single lines, word-wrapped lines, hyperlinks in their style
// with the rectangles they record, and the measuring helpers.
#include <gtest/gtest.h>

#include "report_paint_test_support.h"
#include "toolkit/report/reporthyperlink.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecorditem.h"

namespace {

class CellTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    item = new CTKReportRecordItem();
    metrics = new TK_REPORTRECORDITEM_METRICS();
    metrics->pFont = pm.GetTextFont();
  }
  void TearDown() override {
    metrics->InternalRelease();
    item->InternalRelease();
  }
  CTKReportHyperlink* AddLink(int start, int length) {
    auto* link = new CTKReportHyperlink(start, length);
    item->AddHyperlink(link);
    return link;
  }
  TK_REPORTRECORDITEM_DRAWARGS Args(CDC* dc, CRect rc, int align = DT_LEFT) {
    TK_REPORTRECORDITEM_DRAWARGS args;
    args.pDC = dc;
    args.pItem = item;
    args.rcItem = rc;
    args.nTextAlign = align;
    return args;
  }
  int Width(const CString& text) {
    CWindowDC dc(nullptr);
    CFont* old = dc.SelectObject(pm.GetTextFont());
    const int w = pm.GetTextWidth(&dc, text);
    dc.SelectObject(old);
    return w;
  }

  CTKReportPaintManager pm;
  CTKReportRecordItem* item = nullptr;
  TK_REPORTRECORDITEM_METRICS* metrics = nullptr;
};

TEST_F(CellTextTest, LinkIsDrawnInItsStyleAndRecordsWhereItWent) {
  // A 15-character link, a space and one more word.
  const CString caption(u"www.example.org more");
  CTKReportHyperlink* link = AddLink(0, 15);
  metrics->strText = caption;
  for (int decoration : {0, 1}) {
    SCOPED_TRACE(decoration);
    pm.GetHyperlinkStyle()->SetTextDecoration(decoration);
    PaintCanvas canvas(300, 24);
    canvas.DC()->SetTextColor(RGB(0, 0, 0));
    canvas.DC()->SetBkMode(TRANSPARENT);
    auto args = Args(canvas.DC(), CRect(0, 0, 300, 24));
    pm.DrawItemCaption(&args, metrics);

    const CRect spot(link->m_rcHyperSpot);
    EXPECT_EQ(spot.left, 2);
    EXPECT_EQ(spot.Width(), Width(u"www.example.org"));
    EXPECT_EQ(spot.top, 1);
    // The link is blue, the word after it black; nothing blue after the link.
    EXPECT_GT(canvas.Count(spot, IsBlueInk), 20);
    const CRect rest(spot.right, 0, 300, 24);
    EXPECT_EQ(canvas.Count(rest, IsBlueInk), 0);
    EXPECT_GT(canvas.Count(rest, IsBlackInk), 10);
    // An underline is a row of ink across the whole link.
    int fullRows = 0;
    for (int y = spot.top; y < spot.bottom; y++)
      if (canvas.Count(CRect(spot.left + 1, y, spot.right - 1, y + 1), IsInk) == spot.Width() - 2) fullRows++;
    EXPECT_EQ(fullRows > 0, decoration == 1);
  }
}

TEST_F(CellTextTest, LinksOutsideTheCaptionDrawNothingAndTheTextStillShows) {
  metrics->strText = u"plain words";
  CTKReportHyperlink* negative = AddLink(-2, 4);
  CTKReportHyperlink* beyond = AddLink(40, 3);
  beyond->m_rcHyperSpot = RECT{7, 7, 7, 7};
  negative->m_rcHyperSpot = RECT{9, 9, 9, 9};
  PaintCanvas canvas(200, 24);
  auto args = Args(canvas.DC(), CRect(0, 0, 200, 24));
  pm.DrawItemCaption(&args, metrics);
  EXPECT_EQ(CRect(beyond->m_rcHyperSpot), CRect(7, 7, 7, 7));
  EXPECT_EQ(CRect(negative->m_rcHyperSpot), CRect(9, 9, 9, 9));
  // All of the caption was drawn (ink reaches the last word).
  const int end = 2 + Width(u"plain words");
  EXPECT_GT(canvas.Count(CRect(end - Width(u"words"), 0, end, 24), IsBlackInk), 5);
  EXPECT_EQ(canvas.Count(canvas.Rect(), IsBlueInk), 0);
}

TEST_F(CellTextTest, WrappedRowKeepsALinkWithASpaceOnOneLine) {
  pm.SetFixedRowHeight(FALSE);
  // "aa bb two words cc": the link "two words" must not break at its space.
  metrics->strText = u"aa bb two words cc";
  CTKReportHyperlink* link = AddLink(6, 9);
  const int linkWidth = Width(u"two words");
  PaintCanvas canvas(200, 100);
  // Wide enough for the link alone, too narrow for "bb two".
  auto args = Args(canvas.DC(), CRect(0, 0, linkWidth + 8, 100), DT_LEFT | DT_WORDBREAK);
  pm.DrawItemCaption(&args, metrics);
  const CRect spot(link->m_rcHyperSpot);
  EXPECT_EQ(spot.left, 2);
  EXPECT_EQ(spot.Width(), linkWidth);
  EXPECT_GT(spot.top, 1);  // on a line of its own, below "aa bb"
  EXPECT_GT(canvas.Count(spot, IsBlueInk), 20);
}

TEST_F(CellTextTest, CalcTextHeightCountsLinesOrWraps) {
  PaintCanvas canvas(10, 10);
  CTKFontDC font(canvas.DC(), pm.GetTextFont());
  const int line = canvas.DC()->GetTextExtent(u" ", 1).cy;
  EXPECT_EQ(pm.CalcTextHeight(canvas.DC(), u"one\ntwo\nthree", 500, FALSE), 3 * line);
  EXPECT_EQ(pm.CalcTextHeight(canvas.DC(), u"", 500, FALSE), line);
  EXPECT_EQ(pm.CalcTextHeight(canvas.DC(), u"one two", 500, TRUE), line);
  const int narrow = canvas.DC()->GetTextExtent(CString(u"three")).cx + 2;
  EXPECT_EQ(pm.CalcTextHeight(canvas.DC(), u"one two three", narrow, TRUE), 3 * line);
}

TEST_F(CellTextTest, DrawStringTakesWholeWordsOrSignalsOverflow) {
  PaintCanvas canvas(400, 24);
  CTKFontDC font(canvas.DC(), pm.GetTextFont());
  CDC* dc = canvas.DC();
  const int both = pm.GetTextWidth(dc, CString(u"alpha beta"));
  struct Case {
    const char16_t* text;
    int right;
    UINT format;
    int expected;
    int advance;  // expected x movement, -1: the whole text's width
  };
  const Case cases[] = {
      {u"alpha beta gamma", both + 3, DT_WORDBREAK, 10, both},
      {u"alphabetagamma more", 5, DT_WORDBREAK, 14, -2},  // a first word too wide is taken alone
      {u"alpha", 400, DT_END_ELLIPSIS, 5, -1},
      {u"alpha", 10, DT_LEFT, -1, -1},  // runs past the right edge
      {u"alpha", 400, DT_SINGLELINE, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CStringA(CString(c.text)).GetString());
    int x = 0;
    EXPECT_EQ(pm.DrawString(&x, dc, c.text, CRect(0, 0, c.right, 24), c.format), c.expected);
    if (c.advance == -1) EXPECT_EQ(x, pm.GetTextWidth(dc, CString(c.text)));
    else if (c.advance == -2) EXPECT_EQ(x, pm.GetTextWidth(dc, CString(u"alphabetagamma")));
    else EXPECT_EQ(x, c.advance);
  }
}

TEST_F(CellTextTest, SpacesInsideLinksAreProtectedWithinTheText) {
  struct Case {
    int start, length;
    const char16_t* expected;
  };
  const Case cases[] = {
      {2, 5, u"a b\1c\1d e"},
      {-3, 5, u"a\1b c d e"},  // the start is held at 0
      {6, 50, u"a b c d\1e"},  // the end is held at the text's length
      {40, 2, u"a b c d e"},   // the start is held at the last character
  };
  for (const Case& c : cases) {
    CTKReportRecordItem* one = new CTKReportRecordItem();
    one->AddHyperlink(new CTKReportHyperlink(c.start, c.length));
    CString text(u"a b c d e");
    pm.ReplaceSpacesInHyperlinks(one, text, 1);
    EXPECT_EQ(text, CString(c.expected)) << c.start << "," << c.length;
    one->InternalRelease();
  }
}

TEST_F(CellTextTest, CalcTextRectLimitsToTheCell) {
  PaintCanvas canvas(10, 10);
  CTKFontDC font(canvas.DC(), pm.GetTextFont());
  CRect result;
  pm.CalcTextRect(&result, canvas.DC(), u"a rather long text for a cell", CRect(5, 5, 40, 15), FALSE, TRUE, 0);
  EXPECT_EQ(result, CRect(5, 5, 40, 15));
  pm.CalcTextRect(&result, canvas.DC(), u"a rather long text for a cell", CRect(5, 5, 40, 15), FALSE, FALSE, 0);
  EXPECT_GT(result.right, 40);
}

}  // namespace
