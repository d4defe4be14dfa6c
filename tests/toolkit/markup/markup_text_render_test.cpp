// Text block line layout (wrapping, trimming, justification, baselines),
// hyperlinks under the mouse, path data, and drawing markup into bitmaps
// with pixels sampled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/wingdi.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupdrawingcontext.h"
#include "toolkit/markup/markupgdiplus.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markuppathgeometry.h"
#include "toolkit/markup/markuptext.h"
#include "tests/toolkit/markup/markup_test_support.h"

namespace {

using markup_test::Bitmap;
using markup_test::Narrow;
using markup_test::QuietHost;

class MarkupTextRender : public ::testing::Test {
 protected:
  void SetUp() override { ctx = MarkupCreateContext(nullptr); }
  void TearDown() override {
    MarkupReleaseElement(root);
    MarkupReleaseContext(ctx);
  }
  CTKMarkupInputElement* Build(const char16_t* text) {
    MarkupReleaseElement(root);
    root = ctx->Parse(text);
    EXPECT_NE(root, nullptr) << Narrow(ctx->GetLastParseError());
    return root;
  }
  CTKMarkupTextBlock* Block() { return static_cast<CTKMarkupTextBlock*>(root); }
  // Width and height of a text in the context's default font, measured the
  // way the engine measures.
  SIZE Extent(const char16_t* text) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontIndirectW(&ctx->GetDefaultFont());
    HGDIOBJ old = SelectObject(dc, font);
    SIZE sz{0, 0};
    GetTextExtentPoint32W(dc, text, static_cast<int>(std::u16string(text).size()), &sz);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    return sz;
  }
  // The texts of the pieces of every line, "|" between pieces, "/" between lines.
  std::string Pieces() {
    std::string out;
    for (const auto& line : Block()->GetLines()) {
      if (!out.empty()) out += "/";
      bool first = true;
      for (const auto& p : line.pieces) {
        if (!first) out += "|";
        first = false;
        auto* run = MarkupDynamicCast<CTKMarkupRun>(p.pInline);
        std::u16string text = run ? std::u16string(run->GetText()) : u"";
        if (p.start >= 0 && p.end >= p.start && p.end <= static_cast<int>(text.size()))
          out += Narrow(text.substr(p.start, p.end - p.start));
      }
    }
    return out;
  }
  CTKMarkupContext* ctx = nullptr;
  CTKMarkupInputElement* root = nullptr;
};

TEST_F(MarkupTextRender, LinesOfPlainText) {
  const int space = Extent(u" ").cy;
  Build(u"<TextBlock Padding='2'/>");
  SIZE d = MarkupMeasureElement(root, 200, 200);
  EXPECT_EQ(d.cx, 4);
  EXPECT_EQ(d.cy, 4 + space) << "an empty text block is one empty line";

  Build(u"<TextBlock>ab<LineBreak/></TextBlock>");
  d = MarkupMeasureElement(root, 200, 200);
  EXPECT_EQ(Block()->GetLines().size(), 2u) << "a trailing line feed opens an empty last line";
  EXPECT_EQ(d.cx, Extent(u"ab").cx);

  // Two runs of one line merge into one piece per run; the carriage return
  // before a line feed is left out.
  Build(u"<TextBlock/>");
  Block()->SetValue(CTKMarkupTextBlock::m_pTextProperty, CTKMarkupString::CreateString(u"one two\r\nthree"));
  MarkupMeasureElement(root, 500, 200);
  EXPECT_EQ(Pieces(), "one two/three");

  // Without wrapping or trimming the lines are built once.
  Build(u"<TextBlock>some text</TextBlock>");
  MarkupMeasureElement(root, 500, 200);
  const auto* lines = &Block()->GetLines()[0];
  MarkupMeasureElement(root, 20, 200);
  EXPECT_EQ(&Block()->GetLines()[0], lines);
}

TEST_F(MarkupTextRender, WrappingBreaksAtWordsThenCharacters) {
  const int hello = Extent(u"Hello").cx;
  Build(u"<TextBlock TextWrapping='Wrap'>Hello world</TextBlock>");
  MarkupMeasureElement(root, hello + 2, 200);
  EXPECT_EQ(Pieces(), "Hello/world") << "the leading blank of a wrapped line is dropped";

  // A word wider than the line breaks into lines of at least one character.
  const int abc = Extent(u"abc").cx;
  Build(u"<TextBlock TextWrapping='Wrap'>abcdefgh</TextBlock>");
  MarkupMeasureElement(root, abc, 200);
  EXPECT_EQ(Pieces(), "abc/def/gh");
  MarkupMeasureElement(root, 1, 200);
  EXPECT_EQ(Block()->GetLines().size(), 8u);
  // WrapWithOverflow keeps the word whole: the content is as wide as the word.
  Build(u"<TextBlock TextWrapping='WrapWithOverflow'>abcdefgh</TextBlock>");
  MarkupMeasureElement(root, abc, 200);
  EXPECT_EQ(Block()->GetContentSize().cx, Extent(u"abcdefgh").cx);
  EXPECT_EQ(Pieces(), "abcdefgh");
}

TEST_F(MarkupTextRender, TrimmingEndsTheLineWithAnEllipsis) {
  const int ellipsis = Extent(u"...").cx;
  const int width = Extent(u"Hello wor").cx;
  Build(u"<TextBlock TextTrimming='CharacterEllipsis'>Hello world again</TextBlock>");
  SIZE d = MarkupMeasureElement(root, width, 200);
  EXPECT_LE(d.cx, width);
  std::string pieces = Pieces();
  ASSERT_GE(pieces.size(), 3u);
  EXPECT_EQ(pieces.substr(pieces.size() - 3), "...") << pieces;
  EXPECT_EQ(pieces.rfind("Hello", 0), 0u) << pieces;
  // Narrower than the ellipsis itself: only the ellipsis is left.
  MarkupMeasureElement(root, ellipsis - 1, 200);
  EXPECT_EQ(Pieces(), "|...");
  // Word ellipsis cuts at a word break.
  Build(u"<TextBlock TextTrimming='WordEllipsis'>Hello world again</TextBlock>");
  MarkupMeasureElement(root, Extent(u"Hello wo").cx + ellipsis, 200);
  EXPECT_EQ(Pieces(), "Hello|...");
}

TEST_F(MarkupTextRender, WrappingAndTrimmingKeepCharactersWhole) {
  // Texts made of one character repeated, each character several UTF-16
  // units: a surrogate pair, a pair with a modifier, a letter with a
  // combining accent. Every piece must start and end on a character.
  struct Case {
    const char16_t* character;
    const char* name;
  } cases[] = {
      {u"\U0001F600", "emoji"},
      {u"\U00020000", "CJK extension B"},
      {u"\U0001F44D\U0001F3FD", "emoji with a skin tone"},
      {u"e\u0301", "letter with a combining accent"},
  };
  const char* const modes[] = {"TextWrapping='Wrap'", "TextTrimming='CharacterEllipsis'",
                               "TextTrimming='WordEllipsis'"};
  for (const Case& c : cases) {
    const std::u16string one(c.character);
    std::u16string text;
    for (int i = 0; i < 7; i++) text += one;
    const int unit = static_cast<int>(one.size());
    for (const char* mode : modes) {
      const std::string where = std::string(c.name) + " with " + mode;
      Build((u"<TextBlock " + std::u16string(mode, mode + std::strlen(mode)) + u">" + text + u"</TextBlock>").c_str());
      // Room for two and a half characters (beside the ellipsis when trimming).
      const int width = Extent((one + one).c_str()).cx + Extent(one.c_str()).cx / 2 +
                        (std::strstr(mode, "Ellipsis") ? Extent(u"...").cx : 0);
      MarkupMeasureElement(root, width, 400);
      size_t pieces = 0, lines = Block()->GetLines().size();
      int last = 0;
      for (const auto& line : Block()->GetLines())
        for (const auto& p : line.pieces) {
          auto* run = MarkupDynamicCast<CTKMarkupRun>(p.pInline);
          if (!run || std::u16string(run->GetText()) != text) continue;  // the ellipsis
          pieces++;
          last = std::max(last, p.end);
          EXPECT_EQ(p.start % unit, 0) << where << ": a piece starts inside a character at " << p.start;
          EXPECT_EQ(p.end % unit, 0) << where << ": a piece ends inside a character at " << p.end;
        }
      EXPECT_GT(pieces, 0u) << where;
      if (std::strstr(mode, "Wrap")) EXPECT_GE(lines, 3u) << where << ": the text is broken into lines";
      else EXPECT_LT(last, static_cast<int>(text.size())) << where << ": the text is cut";
    }
  }
}

TEST_F(MarkupTextRender, AlignmentJustificationAndBaselines) {
  const int aa = Extent(u"aa aa aa").cx;
  Build(u"<TextBlock TextWrapping='Wrap' TextAlignment='Justify'>aa aa aa aa</TextBlock>");
  MarkupMeasureElement(root, aa + 10, 200);
  Block()->Arrange(RECT{0, 0, aa + 10, 100});
  const auto& lines = Block()->GetLines();
  ASSERT_EQ(lines.size(), 2u);
  ASSERT_EQ(lines[0].pieces.size(), 3u) << "with Justify every word is a piece";
  EXPECT_EQ(lines[0].pieces[0].GetArrangedRect().left, 0);
  EXPECT_EQ(lines[0].pieces[2].GetArrangedRect().right, aa + 10) << "the free space goes to the gaps";
  EXPECT_EQ(lines[1].pieces[0].GetArrangedRect().left, 0) << "the last line stays left";

  Build(u"<TextBlock TextAlignment='Right'>ab</TextBlock>");
  MarkupMeasureElement(root, 100, 100);
  Block()->Arrange(RECT{0, 0, 100, 100});
  EXPECT_EQ(Block()->GetLines()[0].pieces[0].GetArrangedRect().right, 100);

  // Runs of two sizes share a baseline; Top puts the small one at the top.
  Build(u"<TextBlock><Run FontSize='30'>A</Run><Run FontSize='10'>b</Run></TextBlock>");
  MarkupMeasureElement(root, 200, 200);
  Block()->Arrange(RECT{0, 0, 200, 200});
  const auto& big = Block()->GetLines()[0].pieces[0];
  const auto& small = Block()->GetLines()[0].pieces[1];
  EXPECT_GT(big.height, small.height);
  EXPECT_EQ(big.GetArrangedRect().bottom - big.descent, small.GetArrangedRect().bottom - small.descent);
  Build(u"<TextBlock><Run FontSize='30'>A</Run><Run FontSize='10' BaselineAlignment='Top'>b</Run></TextBlock>");
  MarkupMeasureElement(root, 200, 200);
  Block()->Arrange(RECT{0, 0, 200, 200});
  EXPECT_EQ(Block()->GetLines()[0].pieces[1].GetArrangedRect().top, 0);
}

TEST_F(MarkupTextRender, FontsOfRunsFollowTheirSpans) {
  Build(u"<TextBlock FontSize='12'><Italic><Bold>x</Bold><Span FontWeight='Normal'>y</Span></Italic></TextBlock>");
  MarkupMeasureElement(root, 200, 200);
  std::vector<LOGFONTW> fonts;
  for (CTKMarkupInline* p = Block()->GetFirstInline(); p; p = p->GetNextInline()) {
    LOGFONTW lf;
    static_cast<CTKMarkupRun*>(p)->GetLogFont(&lf);
    fonts.push_back(lf);
  }
  ASSERT_EQ(fonts.size(), 2u);
  EXPECT_EQ(fonts[0].lfWeight, 700);
  EXPECT_EQ(fonts[0].lfItalic, 1);
  EXPECT_EQ(fonts[0].lfHeight, -12);
  EXPECT_EQ(fonts[1].lfWeight, 400);
  EXPECT_EQ(fonts[1].lfItalic, 1);

  // Setting Text after content replaces every inline with one run.
  Build(u"<TextBlock>a<Bold>b</Bold></TextBlock>");
  Block()->SetValue(CTKMarkupTextBlock::m_pTextProperty, CTKMarkupString::CreateString(u"new"));
  ASSERT_EQ(Block()->GetInlines()->GetCount(), 1);
  EXPECT_EQ(std::u16string(static_cast<CTKMarkupRun*>(Block()->GetInlines()->GetItem(0))->GetText()), u"new");
}

// Counts Click events that reach the context.
class CCountClicks : public CTKMarkupDelegate {
 public:
  explicit CCountClicks(int* count, std::u16string* text) : m_count(count), m_text(text) {}
  void Execute(CTKMarkupObject* pSender, CTKMarkupRoutedEventArgs* args) override {
    (*m_count)++;
    if (auto* link = MarkupDynamicCast<CTKMarkupHyperlink>(args->m_pSource)) {
      auto* run = MarkupDynamicCast<CTKMarkupRun>(link->GetInlines()->GetItem(0));
      if (run) *m_text = run->GetText();
    }
  }
  int* m_count;
  std::u16string* m_text;
};

TEST_F(MarkupTextRender, AHyperlinkUnderTheMouseIsClicked) {
  QuietHost host;
  MarkupSetHostServices(&host);
  MarkupSetContextWindow(ctx, reinterpret_cast<HWND>(0x1234));
  Build(u"<TextBlock>go <Hyperlink>here</Hyperlink></TextBlock>");
  MarkupMeasureElement(root, 300, 100);
  Block()->Arrange(RECT{0, 0, 300, 100});
  int clicks = 0;
  std::u16string text;
  ctx->AddEventHandler(CTKMarkupHyperlink::m_pClickEvent, new CCountClicks(&clicks, &text));
  const int x = Extent(u"go h").cx, y = Extent(u"h").cy / 2;
  // The hit test answers the hyperlink's run, not the whole block.
  CTKMarkupInputElement* hit = Block()->InputHitTest(x, y);
  ASSERT_NE(hit, nullptr);
  EXPECT_NE(MarkupDynamicCast<CTKMarkupRun>(hit), nullptr);
  EXPECT_EQ(Block()->InputHitTest(2, y), Block()->InputHitTest(3, y)) << "the plain run";
  EXPECT_NE(Block()->InputHitTest(2, y), hit);

  LRESULT r = 0;
  MarkupRelayElementMessage(root, 0x0200, 0, MAKELPARAM(x, y), &r);  // WM_MOUSEMOVE
  MarkupRelayElementMessage(root, 0x0201, 0, MAKELPARAM(x, y), &r);  // WM_LBUTTONDOWN
  MarkupRelayElementMessage(root, 0x0202, 0, MAKELPARAM(x, y), &r);  // WM_LBUTTONUP
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(text, u"here");
  // Press elsewhere, release over the link: no click.
  MarkupRelayElementMessage(root, 0x0200, 0, MAKELPARAM(2, y), &r);
  MarkupRelayElementMessage(root, 0x0201, 0, MAKELPARAM(2, y), &r);
  MarkupRelayElementMessage(root, 0x0200, 0, MAKELPARAM(x, y), &r);
  MarkupRelayElementMessage(root, 0x0202, 0, MAKELPARAM(x, y), &r);
  EXPECT_EQ(clicks, 1);
  MarkupReleaseElement(root);
  MarkupSetHostServices(nullptr);
}

TEST_F(MarkupTextRender, PathData) {
  struct Case {
    const char16_t* data;
    int error;  // -1: parses
    std::vector<float> xy;
    std::vector<int> types;
  } cases[] = {
      {u"M 0,0 L 10,0 10,10 Z", -1, {0, 0, 10, 0, 10, 10}, {0, 1, 0x81}},
      {u"m 5 5 l 10 0 v 10", -1, {5, 5, 15, 5, 15, 15}, {0, 1, 1}},
      {u"M0 0C10 0 10 10 0 10S-10 0 0 0",
       -1,
       {0, 0, 10, 0, 10, 10, 0, 10, -10, 10, -10, 0, 0, 0},
       {0, 3, 3, 3, 3, 3, 3}},
      {u"M 1.5.5", -1, {1.5f, 0.5f}, {0}},
      {u"F1 M 0 0 L 1 1", -1, {0, 0, 1, 1}, {0, 1}},
      {u"h 5 H 2", -1, {}, {}},  // only F or M may come first
      {u"L 1 1", 1, {}, {}},
      {u"M ,0 0", 2, {}, {}},
      {u"M 0 0 Q 1 1", 7, {}, {}},
      {u"F2 M 0 0", 1, {}, {}},
      {u"", -1, {}, {}},
  };
  cases[5].error = 1;
  for (const Case& c : cases) {
    MarkupPathBuilder builder;
    int error = -1;
    const BOOL ok = builder.ParsePathData(c.data, static_cast<int>(std::u16string(c.data).size()), &error);
    EXPECT_EQ(ok ? -1 : error, c.error) << Narrow(std::u16string(c.data));
    if (!ok) continue;
    CTKMarkupPathGeometry* g = builder.CreateGeometry();
    ASSERT_EQ(g->GetPointCount() * 2, static_cast<int>(c.xy.size())) << Narrow(std::u16string(c.data));
    for (int i = 0; i < g->GetPointCount(); i++) {
      EXPECT_FLOAT_EQ(g->GetPoints()[i].x, c.xy[2 * i]) << Narrow(std::u16string(c.data)) << " point " << i;
      EXPECT_FLOAT_EQ(g->GetPoints()[i].y, c.xy[2 * i + 1]) << Narrow(std::u16string(c.data)) << " point " << i;
      EXPECT_EQ(g->GetTypes()[i], c.types[i]) << Narrow(std::u16string(c.data)) << " point " << i;
    }
    g->Release();
  }
  // Bounds, and a scaled copy of a flat path keeps its flat axis.
  MarkupPathBuilder builder;
  int error = 0;
  ASSERT_TRUE(builder.ParsePathData(u"M 0 5 L 10 5", 12, &error));
  CTKMarkupPathGeometry* g = builder.CreateGeometry();
  EXPECT_EQ(g->GetBounds().bottom - g->GetBounds().top, 0);
  CTKMarkupPathGeometry* scaled = g->ScaledCopy(40, 40);
  EXPECT_FLOAT_EQ(scaled->GetPoints()[1].x, 40);
  EXPECT_FLOAT_EQ(scaled->GetPoints()[1].y, 5);
  scaled->Release();
  g->Release();
}

TEST_F(MarkupTextRender, DrawsBackgroundsBordersGradientsAndText) {
  Bitmap bmp(120, 60);
  Build(u"<Border Background='#FF0000' BorderBrush='#0000FF' BorderThickness='2' Margin='10' Width='40' Height='20'/>");
  RECT rc{0, 0, 120, 60};
  MarkupRenderElement(root, bmp.dc, &rc);
  // The 40x20 border is centred in the 100x40 space inside the margin.
  EXPECT_EQ(bmp.At(40, 20), RGB(0, 0, 255)) << "border band";
  EXPECT_EQ(bmp.At(45, 25), RGB(255, 0, 0)) << "background inside the band";
  EXPECT_EQ(bmp.At(39, 25), RGB(255, 255, 255)) << "outside";
  EXPECT_EQ(bmp.Count(RGB(255, 0, 0)), 36 * 16);

  // A horizontal two-stop gradient. Through GDI each pixel takes the colour
  // at its position exactly; through GDI+ at its centre, anti-aliased.
  const char16_t* gradient =
      u"<Border><Border.Background><LinearGradientBrush StartPoint='0,0' EndPoint='1,0'>"
      u"<GradientStop Color='#000000' Offset='0'/><GradientStop Color='#FFFFFF' "
      u"Offset='1'/></LinearGradientBrush></Border.Background></Border>";
  rc = RECT{0, 0, 100, 4};
  Bitmap smooth(100, 4);
  Build(gradient);
  MarkupRenderElement(root, smooth.dc, &rc);
  EXPECT_LE(GetRValue(smooth.At(0, 0)), 2);
  EXPECT_NEAR(GetRValue(smooth.At(50, 3)), 128, 2);
  EXPECT_GE(GetRValue(smooth.At(99, 2)), 252);
  ctx->EnableGdiPlus(FALSE);
  Bitmap exact(100, 4);
  Build(gradient);
  MarkupRenderElement(root, exact.dc, &rc);
  EXPECT_EQ(exact.At(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(exact.At(50, 3), RGB(127, 127, 127));
  EXPECT_EQ(exact.At(99, 2), RGB(252, 252, 252));
  ctx->EnableGdiPlus(TRUE);

  // Text in its foreground colour, a hyperlink in blue with an underline bar.
  Bitmap text(200, 40);
  Build(u"<TextBlock Foreground='#00FF00'>Wg <Hyperlink>link</Hyperlink></TextBlock>");
  rc = RECT{0, 0, 200, 40};
  MarkupRenderElement(root, text.dc, &rc);
  EXPECT_GT(text.Count(RGB(0, 255, 0)), 0);
  // The underline is a solid bar the width of "link".
  const int left = Extent(u"Wg ").cx, width = Extent(u"link").cx;
  int barRow = -1;
  for (int y = 0; y < 40 && barRow < 0; y++) {
    int run = 0;
    for (int x = left; x < left + width; x++) run += text.At(x, y) == RGB(0, 0, 255);
    if (run == width) barRow = y;
  }
  EXPECT_GE(barRow, 0) << "no full-width blue underline";
}

TEST_F(MarkupTextRender, DrawTextCentresMarkupOrFallsBackToPlainText) {
  Bitmap bmp(100, 40);
  HFONT font = CreateFontIndirectW(&ctx->GetDefaultFont());
  HGDIOBJ old = SelectObject(bmp.dc, font);
  SetTextColor(bmp.dc, RGB(0, 0, 0));
  RECT rc{0, 0, 100, 40};
  MarkupDrawText(ctx, bmp.dc, u"<Border Width='10' Height='6' Background='#FF0000'/>", &rc, DT_CENTER | DT_VCENTER);
  EXPECT_EQ(bmp.At(45, 17), RGB(255, 0, 0));
  EXPECT_EQ(bmp.At(44, 17), RGB(255, 255, 255));
  EXPECT_EQ(bmp.Count(RGB(255, 0, 0)), 60);
  // Text that is not markup is drawn as DrawText would.
  Bitmap plain(100, 40);
  MarkupDrawText(ctx, plain.dc, u"<unclosed", &rc, DT_LEFT);
  EXPECT_LT(plain.Count(RGB(255, 255, 255)), 100 * 40) << "the text is drawn";
  MarkupDrawText(nullptr, plain.dc, u"<Border/>", &rc, DT_LEFT);
  EXPECT_LT(plain.Count(RGB(255, 255, 255)), 100 * 40);
  SelectObject(bmp.dc, old);
  DeleteObject(font);
}

// The number of distinct colours in the bitmap: anti-aliased edges add
// colours between the fill and the background.
int Colours(const Bitmap& b) {
  std::vector<COLORREF> seen;
  for (int y = 0; y < b.h; y++)
    for (int x = 0; x < b.w; x++)
      if (std::find(seen.begin(), seen.end(), b.At(x, y)) == seen.end()) seen.push_back(b.At(x, y));
  return static_cast<int>(seen.size());
}

TEST_F(MarkupTextRender, GdiPlusDrawsAntiAliasedAndTranslucentAndStopsWithTheLastContext) {
  EXPECT_TRUE(MarkupIsGdiPlusRunning());
  CTKMarkupSolidColorBrush* red = new CTKMarkupSolidColorBrush(new CTKMarkupColor(RGB(255, 0, 0)));
  CTKMarkupSolidColorBrush* halfRed = new CTKMarkupSolidColorBrush(new CTKMarkupColor(0x80, RGB(255, 0, 0)));
  {
    Bitmap smooth(40, 40);
    CTKMarkupDrawingContext dc(ctx, smooth.dc);
    dc.DrawEllipse(RECT{5, 5, 35, 35}, nullptr, red);
    EXPECT_EQ(smooth.At(20, 20), RGB(255, 0, 0));
    EXPECT_GT(Colours(smooth), 2) << "edges are blended";
    // A translucent fill blends with what is below; an opaque one replaces it.
    dc.FillRectangle(RECT{0, 0, 4, 4}, halfRed);
    EXPECT_NEAR(GetGValue(smooth.At(1, 1)), 127, 2);
    EXPECT_EQ(GetRValue(smooth.At(1, 1)), 255);
  }
  ctx->EnableGdiPlus(FALSE);
  {
    Bitmap plain(40, 40);
    CTKMarkupDrawingContext dc(ctx, plain.dc);
    dc.DrawEllipse(RECT{5, 5, 35, 35}, nullptr, red);
    EXPECT_EQ(Colours(plain), 2) << "GDI draws no blended edges";
    dc.FillRectangle(RECT{0, 0, 4, 4}, halfRed);
    EXPECT_EQ(plain.At(1, 1), RGB(255, 0, 0)) << "GDI ignores alpha";
  }
  red->Release();
  halfRed->Release();
  MarkupReleaseElement(root);
  MarkupReleaseContext(ctx);
  EXPECT_FALSE(MarkupIsGdiPlusRunning()) << "the last context shuts GDI+ down";
  ctx = MarkupCreateContext(nullptr);
  EXPECT_TRUE(MarkupIsGdiPlusRunning());
}

}  // namespace
