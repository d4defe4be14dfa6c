// Fonts and text: metrics, DrawText layout and its CALCRECT box, ellipses,
// mnemonics, CJK fallback and the exact-advance test face.
#include <fontconfig/fontconfig.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/platform/gdi/canvas.h"

namespace {

HFONT MakeFont(const char16_t* face, int height, int weight = FW_NORMAL) {
  return CreateFont(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, face);
}

struct FontScope {
  HDC dc;
  HFONT f;
  HGDIOBJ old;
  FontScope(HDC d, const char16_t* face, int height) : dc(d), f(MakeFont(face, height)), old(SelectObject(d, f)) {}
  ~FontScope() {
    SelectObject(dc, old);
    DeleteObject(f);
  }
};

TEST(GdiText, TestFaceHasExactAdvancesAndMetrics) {
  Canvas c(60, 20);
  FontScope fs(c.dc, u"PravenorTest", -10);
  TEXTMETRICW tm;
  ASSERT_TRUE(GetTextMetrics(c.dc, &tm));
  EXPECT_EQ(tm.tmHeight, 10);
  EXPECT_EQ(tm.tmAscent, 8);
  EXPECT_EQ(tm.tmDescent, 2);
  EXPECT_EQ(tm.tmAveCharWidth, 5);
  SIZE sz;
  GetTextExtentPoint32(c.dc, u"abc d", 5, &sz);
  EXPECT_EQ(sz.cx, 25);
  EXPECT_EQ(sz.cy, 10);
  int fit = 0, dx[5];
  GetTextExtentExPoint(c.dc, u"abcde", 5, 12, &fit, dx, &sz);
  EXPECT_EQ(fit, 2);
  EXPECT_EQ(dx[4], 25);
  // Glyphs are blocks (advance-1) x ascent at the text position.
  SetBkMode(c.dc, TRANSPARENT);
  TextOut(c.dc, 2, 3, u"ab", 2);
  RECT ink = c.Ink();
  EXPECT_EQ(ink.left, 2);
  EXPECT_EQ(ink.top, 3);
  EXPECT_EQ(ink.right, 11);
  EXPECT_EQ(ink.bottom, 11);
  EXPECT_EQ(c.At(6, 5), 0xFFFFFFu) << "one-pixel gap between glyphs";
}

TEST(GdiText, DrawTextAlignmentAndWordBreakOnTheTestFace) {
  Canvas c(100, 60);
  FontScope fs(c.dc, u"PravenorTest", -10);  // advance 5, line 10
  struct Case {
    const char16_t* text;
    UINT fmt;
    RECT in;
    RECT expect;  // CALCRECT result
    int height;
  } cases[] = {
      {u"abcd", DT_SINGLELINE, {0, 0, 100, 50}, {0, 0, 20, 10}, 10},
      {u"ab\ncd e", 0, {0, 0, 100, 50}, {0, 0, 20, 20}, 20},
      {u"aaa bbb ccc", DT_WORDBREAK, {0, 0, 40, 50}, {0, 0, 35, 20}, 20},                  // "aaa bbb" / "ccc"
      {u"aaaaaaaaaa b", DT_WORDBREAK, {0, 0, 30, 50}, {0, 0, 50, 20}, 20},                 // a long word stays whole
      {u"aaaaaaaaaa", DT_WORDBREAK | DT_EDITCONTROL, {0, 0, 30, 50}, {0, 0, 30, 20}, 20},  // ... unless edit-control
      {u"&File", DT_SINGLELINE, {0, 0, 100, 50}, {0, 0, 20, 10}, 10},                      // prefix removed
      {u"&File", DT_SINGLELINE | DT_NOPREFIX, {0, 0, 100, 50}, {0, 0, 25, 10}, 10},
      {u"a&&b", DT_SINGLELINE, {0, 0, 100, 50}, {0, 0, 15, 10}, 10},
      {u"a\tb", DT_SINGLELINE | DT_EXPANDTABS, {0, 0, 100, 50}, {0, 0, 45, 10}, 10},  // tab stop at 8*5
      {u"", DT_SINGLELINE, {0, 0, 100, 50}, {0, 0, 0, 10}, 10},
  };
  for (const Case& k : cases) {
    RECT r = k.in;
    int h = DrawText(c.dc, k.text, -1, &r, k.fmt | DT_CALCRECT);
    EXPECT_EQ(h, k.height) << std::string(k.text, k.text + std::char_traits<char16_t>::length(k.text)).size();
    EXPECT_EQ(r.right, k.expect.right) << "case fmt " << k.fmt;
    EXPECT_EQ(r.bottom, k.expect.bottom) << "case fmt " << k.fmt;
  }
  // Placement: centred, right, vertically centred single line.
  SetBkMode(c.dc, TRANSPARENT);
  RECT box{10, 10, 50, 40};
  DrawText(c.dc, u"ab", 2, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  RECT ink = c.Ink();
  EXPECT_EQ(ink.left, 25);  // 10 + (40-10)/2
  EXPECT_EQ(ink.top, 20);   // 10 + (30-10)/2
  c.Fill(RGB(255, 255, 255));
  DrawText(c.dc, u"ab", 2, &box, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
  ink = c.Ink();
  EXPECT_EQ(ink.right, 49);  // glyph block ends one pixel before the advance
  EXPECT_EQ(ink.top, 30);
}

TEST(GdiText, EllipsisTable) {
  Canvas c(100, 20);
  FontScope fs(c.dc, u"PravenorTest", -10);  // "..." is 15 wide
  struct Case {
    const char16_t* text;
    UINT flag;
    int width;
    const char16_t* shown;
  } cases[] = {
      {u"abcdefghi", DT_END_ELLIPSIS, 40, u"abcde..."},  // 5*5+15 = 40
      {u"abcdefgh", DT_END_ELLIPSIS, 40, u"abcdefgh"},   // fits exactly: unchanged
      {u"abcdefgh", DT_END_ELLIPSIS, 39, u"abcd..."},
      {u"abcd", DT_END_ELLIPSIS, 20, u"abcd"},                              // fits: unchanged
      {u"ab cdefgh", DT_WORD_ELLIPSIS, 30, u"ab..."},                       // trailing blank dropped before the dots
      {u"c:/dir/sub/file.txt", DT_PATH_ELLIPSIS, 80, u"c:/d.../file.txt"},  // the last component stays whole
      {u"c:/dir/sub/file.txt", DT_PATH_ELLIPSIS, 85, u"c:/di.../file.txt"},
      {u"c:/dir/sub/file.txt", DT_PATH_ELLIPSIS, 55, u".../file..."},  // not even ".../file.txt" fits
      {u"nofolders", DT_PATH_ELLIPSIS, 30, u"nof..."},
  };
  for (const Case& k : cases) {
    char16_t buf[64] = {};
    std::memcpy(buf, k.text, std::char_traits<char16_t>::length(k.text) * 2);
    RECT r{0, 0, k.width, 20};
    DrawTextEx(c.dc, buf, -1, &r, DT_SINGLELINE | k.flag | DT_MODIFYSTRING, nullptr);
    EXPECT_EQ(std::u16string(buf), std::u16string(k.shown)) << "width " << k.width;
    // The CALCRECT width is the drawn text's width.
    RECT m{0, 0, k.width, 20};
    DrawText(c.dc, k.text, -1, &m, DT_SINGLELINE | k.flag | DT_CALCRECT);
    EXPECT_EQ(m.right, static_cast<LONG>(std::char_traits<char16_t>::length(k.shown) * 5));
  }
}

TEST(GdiText, TabsAndMarginsOnTheTestFace) {
  Canvas c(200, 20);
  FontScope fs(c.dc, u"PravenorTest", -10);  // advance 5
  // No stops: every 8 average widths (40); one stop: every n pixels; several: the list.
  EXPECT_EQ(LOWORD(GetTabbedTextExtent(c.dc, u"ab\tc", 4, 0, nullptr)), 45);
  INT every[1] = {30};
  EXPECT_EQ(LOWORD(GetTabbedTextExtent(c.dc, u"ab\tc\td", 6, 1, every)), 65);
  INT list[2] = {12, 50};
  EXPECT_EQ(LOWORD(GetTabbedTextExtent(c.dc, u"a\tb\tc", 5, 2, list)), 55);
  EXPECT_EQ(HIWORD(GetTabbedTextExtent(c.dc, u"a", 1, 0, nullptr)), 10);
  SetBkMode(c.dc, TRANSPARENT);
  LONG r = TabbedTextOut(c.dc, 10, 0, u"a\tb", 3, 1, every, 10);
  EXPECT_EQ(LOWORD(r), 35);
  EXPECT_EQ(c.Ink().right, 44) << "b starts at the stop 30 pixels after the origin";
  // DrawTextEx margins and tab length in average characters.
  DRAWTEXTPARAMS p{sizeof(DRAWTEXTPARAMS), 2, 7, 3, 0};
  char16_t text[] = u"a\tb";
  RECT rc{0, 0, 200, 20};
  DrawTextEx(c.dc, text, -1, &rc, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT, &p);
  EXPECT_EQ(rc.right, 7 + 15 + 3);  // tab stops every 2*5 pixels: "a" 5 -> 10, "b" -> 15
  EXPECT_EQ(p.uiLengthDrawn, 3u);
}

TEST(GdiText, ScalingMappingModesScaleFonts) {
  // A page drawn in "screen" units on a denser device: fonts grow with the mapping,
  // measurements stay in logical units.
  Canvas c(80, 40);
  SetMapMode(c.dc, MM_ANISOTROPIC);
  SetWindowExtEx(c.dc, 1, 1, nullptr);
  SetViewportExtEx(c.dc, 2, 2, nullptr);
  FontScope fs(c.dc, u"PravenorTest", -10);
  SIZE sz;
  GetTextExtentPoint32(c.dc, u"ab", 2, &sz);
  EXPECT_EQ(sz.cx, 10);
  EXPECT_EQ(sz.cy, 10);
  TEXTMETRICW tm;
  GetTextMetrics(c.dc, &tm);
  EXPECT_EQ(tm.tmHeight, 10);
  EXPECT_EQ(tm.tmAveCharWidth, 5);
  SetBkMode(c.dc, TRANSPARENT);
  TextOut(c.dc, 5, 5, u"ab", 2);
  RECT ink = c.Ink();
  EXPECT_EQ(ink.left, 10);
  EXPECT_EQ(ink.top, 10);
  EXPECT_EQ(ink.right, 29);   // two 10-pixel advances, the last block 9 wide
  EXPECT_EQ(ink.bottom, 26);  // ascent 16 device pixels
  RECT r{0, 0, 40, 20};
  DrawText(c.dc, u"abc", 3, &r, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(r.right, 15);
  EXPECT_EQ(r.bottom, 10);
}

TEST(GdiText, MnemonicUnderlineAndHidePrefix) {
  Canvas a(40, 14), b(40, 14), p(40, 14);
  for (Canvas* c : {&a, &b, &p}) {
    SelectObject(c->dc, MakeFont(u"PravenorTest", -10));
    SetBkMode(c->dc, TRANSPARENT);
  }
  RECT r{0, 0, 40, 14};
  DrawText(a.dc, u"a&bc", -1, &r, DT_SINGLELINE);
  DrawText(b.dc, u"a&bc", -1, &r, DT_SINGLELINE | DT_HIDEPREFIX);
  DrawText(p.dc, u"a&bc", -1, &r, DT_SINGLELINE | DT_PREFIXONLY);
  // The underline sits below the ascent under the second character only.
  EXPECT_EQ(a.At(6, 9), 0u);
  EXPECT_EQ(a.At(2, 9), 0xFFFFFFu);
  EXPECT_EQ(b.At(6, 9), 0xFFFFFFu);
  EXPECT_EQ(p.At(6, 9), 0u);
  EXPECT_EQ(p.At(6, 2), 0xFFFFFFu) << "prefix-only draws no glyphs";
  for (Canvas* c : {&a, &b, &p}) DeleteObject(SelectObject(c->dc, GetStockObject(SYSTEM_FONT)));
}

TEST(GdiText, CalcRectEqualsTheDrawnBoxWithRealFonts) {
  for (const char16_t* face : {u"Tahoma", u"Arial", u"Times New Roman", u"Courier New"}) {
    Canvas c(300, 80);
    FontScope fs(c.dc, face, -13);
    SetBkMode(c.dc, TRANSPARENT);
    const char16_t* text = u"Quick brown fox jumps over the lazy dog";
    RECT calc{5, 5, 120, 80};
    int h = DrawText(c.dc, text, -1, &calc, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_GT(h, 13);
    EXPECT_LE(calc.right, 120);
    RECT draw{5, 5, 120, 80};
    DrawText(c.dc, text, -1, &draw, DT_WORDBREAK | DT_NOCLIP);
    RECT ink = c.Ink();
    ASSERT_GT(ink.right, 0);
    EXPECT_GE(ink.left, calc.left - 1) << "anti-aliased overhang of at most a pixel";
    EXPECT_GE(ink.top, calc.top);
    EXPECT_LE(ink.right, calc.right + 1);
    EXPECT_LE(ink.bottom, calc.bottom);
    // Single-line extent agrees with GetTextExtentPoint32.
    SIZE sz;
    GetTextExtentPoint32(c.dc, u"Quick", 5, &sz);
    RECT one{0, 0, 300, 80};
    DrawText(c.dc, u"Quick", 5, &one, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(one.right, sz.cx);
    TEXTMETRICW tm;
    GetTextMetrics(c.dc, &tm);
    EXPECT_EQ(one.bottom, tm.tmHeight);
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GE(tm.tmHeight, 13);
  }
}

TEST(GdiText, HeightsPositiveAreCellsNegativeAreCharacters) {
  Canvas c(10, 10);
  HFONT cell = MakeFont(u"Arial", 20), chr = MakeFont(u"Arial", -20);
  TEXTMETRICW a, b;
  SelectObject(c.dc, cell);
  GetTextMetrics(c.dc, &a);
  SelectObject(c.dc, chr);
  GetTextMetrics(c.dc, &b);
  EXPECT_NEAR(a.tmHeight, 20, 1);
  EXPECT_EQ(b.tmHeight - b.tmInternalLeading, 20);
  EXPECT_GT(b.tmHeight, a.tmHeight);
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(cell);
  DeleteObject(chr);
  // Bold is wider than regular.
  Canvas d(10, 10);
  HFONT reg = MakeFont(u"Tahoma", -12), bold = MakeFont(u"Tahoma", -12, FW_BOLD);
  SIZE s1, s2;
  SelectObject(d.dc, reg);
  GetTextExtentPoint32(d.dc, u"Weight", 6, &s1);
  SelectObject(d.dc, bold);
  GetTextExtentPoint32(d.dc, u"Weight", 6, &s2);
  EXPECT_GT(s2.cx, s1.cx);
  SelectObject(d.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(reg);
  DeleteObject(bold);
}

TEST(GdiText, ChineseInATahomaFontDrawsRealGlyphs) {
  // Characters no installed font has draw as missing-glyph boxes; the Chinese
  // ones must come out differently (from the CJK fallback face).
  auto render = [](const char16_t* s) {
    Canvas c(80, 30);
    FontScope fs(c.dc, u"Tahoma", -16);
    SetBkMode(c.dc, TRANSPARENT);
    TextOut(c.dc, 2, 2, s, static_cast<int>(std::char_traits<char16_t>::length(s)));
    std::string m = c.Map(0xFFFFFF);
    SIZE sz;
    GetTextExtentPoint32(c.dc, s, static_cast<int>(std::char_traits<char16_t>::length(s)), &sz);
    return std::make_pair(m, sz.cx);
  };
  auto han = render(u"\u4E2D\u6587");
  auto missing = render(u"\uE000\uE001");
  auto han2 = render(u"\u6587\u4E2D");
  EXPECT_NE(han.first, missing.first);
  EXPECT_NE(han.first, han2.first) << "different characters draw different glyphs";
  EXPECT_GT(std::count(han.first.begin(), han.first.end(), '.'), 20) << "ink drawn";
  EXPECT_GE(han.second, 24) << "full-width advances";
}

// Text without blanks breaks between ideographs, as Windows does; closing
// punctuation stays with the character before it, opening with the one after.
TEST(GdiText, WordBreakSplitsChineseBetweenIdeographs) {
  Canvas c(100, 60);
  FontScope fs(c.dc, u"PravenorTest", -10);  // every character advances 5
  struct Case {
    const char16_t* text;
    int width;
    std::vector<std::u16string> lines;
  } cases[] = {
      {u"\u4E2D\u6587\u4E2D\u6587\u4E2D", 10, {u"\u4E2D\u6587", u"\u4E2D\u6587", u"\u4E2D"}},
      {u"\u4E2D\u6587\uFF0C\u4E2D\u6587", 10, {u"\u4E2D", u"\u6587\uFF0C", u"\u4E2D\u6587"}},
      {u"\u4E2D\u300C\u6587\u4E2D", 10, {u"\u4E2D", u"\u300C\u6587", u"\u4E2D"}},
      {u"ab\u4E2D\u6587", 15, {u"ab\u4E2D", u"\u6587"}},
      {u"abcd\u4E2D", 15, {u"abcd", u"\u4E2D"}},  // a Latin word stays whole
      {u"\u4E2D ab cd", 20, {u"\u4E2D ab", u"cd"}},
  };
  for (const Case& k : cases) {
    std::u16string all(k.text);
    SCOPED_TRACE(all.size());
    RECT r{0, 0, k.width, 60};
    int h = DrawText(c.dc, k.text, -1, &r, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(h, 10 * static_cast<int>(k.lines.size()));
    // Each line as DrawText shows it: the ink of its row, one block per character.
    c.Fill(RGB(255, 255, 255));
    RECT d{0, 0, k.width, 60};
    SetBkMode(c.dc, TRANSPARENT);
    DrawText(c.dc, k.text, -1, &d, DT_WORDBREAK | DT_NOPREFIX | DT_NOCLIP);
    for (size_t i = 0; i < k.lines.size(); ++i) {
      int y = static_cast<int>(i) * 10 + 2;
      std::string row;
      for (int x = 0; x < 25; x += 5) row += c.At(x, y) != 0xFFFFFF ? '#' : (c.At(x + 1, y) != 0xFFFFFF ? '#' : '.');
      std::string want;
      for (int x = 0; x < 5; ++x) want += x < static_cast<int>(k.lines[i].size()) && k.lines[i][x] != u' ' ? '#' : '.';
      EXPECT_EQ(row, want) << "line " << i;
    }
  }
}

// Latin letters sit on the font's own baseline whether or not Chinese
// characters share the line (the fallback face is taller), so descenders
// are not cut off by a rectangle one line high.
TEST(GdiText, MixedChineseAndLatinShareTheLatinBaseline) {
  for (const char16_t* face : {u"Tahoma", u"Times New Roman"}) {
    for (int height : {-11, -13, -16}) {
      Canvas latin(120, 30), mixed(120, 30);
      FontScope a(latin.dc, face, height), b(mixed.dc, face, height);
      SIZE sz;
      GetTextExtentPoint32(latin.dc, u"Agjy", 4, &sz);
      TEXTMETRICW tm;
      GetTextMetrics(latin.dc, &tm);
      for (Canvas* c : {&latin, &mixed}) SetBkMode(c->dc, TRANSPARENT);
      RECT r1{0, 0, 120, tm.tmHeight}, r2 = r1;
      DrawText(latin.dc, u"Agjy", 4, &r1, DT_SINGLELINE | DT_NOPREFIX);
      DrawText(mixed.dc, u"Agjy\u4E2D\u6587", 6, &r2, DT_SINGLELINE | DT_NOPREFIX);
      std::string l = latin.Map(0xFFFFFF), m = mixed.Map(0xFFFFFF);
      int diff = 0;
      for (int y = 0; y < 30; ++y)
        for (int x = 0; x < sz.cx; ++x)
          if ((latin.At(x, y) == 0xFFFFFF) != (mixed.At(x, y) == 0xFFFFFF)) ++diff;
      EXPECT_EQ(diff, 0) << std::u16string(face).size() << " " << height << "\n" << l << "\n" << m;
    }
  }
}

TEST(GdiText, RightToLeftReadingOrdersNeutralCharacters) {
  auto render = [](const char16_t* t, UINT fmt) {
    Canvas c(80, 20);
    FontScope fs(c.dc, u"Arial", -14);
    SetBkMode(c.dc, TRANSPARENT);
    RECT r{0, 0, 80, 20};
    DrawText(c.dc, t, -1, &r, DT_SINGLELINE | fmt);
    return c.Map(0xFFFFFF);
  };
  // Latin letters read the same either way; a trailing "!" moves to the left end.
  EXPECT_EQ(render(u"abc", 0), render(u"abc", DT_RTLREADING));
  EXPECT_NE(render(u"abc!", 0), render(u"abc!", DT_RTLREADING));
  EXPECT_EQ(render(u"abc!", DT_RTLREADING), render(u"!abc", 0));
}

TEST(GdiText, MarlettGlyphsAreDrawn) {
  Canvas c(20, 20);
  FontScope fs(c.dc, u"Marlett", -16);
  SetBkMode(c.dc, TRANSPARENT);
  TEXTMETRICW tm;
  GetTextMetrics(c.dc, &tm);
  EXPECT_EQ(tm.tmCharSet, SYMBOL_CHARSET);
  std::string previous;
  for (const char16_t* g : {u"r", u"0", u"1", u"2", u"6", u"a"}) {
    c.Fill(RGB(255, 255, 255));
    RECT r{0, 0, 20, 20};
    DrawText(c.dc, g, 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    std::string m = c.Map(0);
    EXPECT_NE(m.find('#'), std::string::npos) << "glyph " << char(g[0]);
    EXPECT_NE(m, previous);
    previous = m;
  }
}

TEST(GdiText, OpaqueBackgroundAndExtTextOutRect) {
  Canvas c(40, 20);
  FontScope fs(c.dc, u"PravenorTest", -10);
  SetBkColor(c.dc, RGB(255, 0, 0));
  SetBkMode(c.dc, OPAQUE);
  TextOut(c.dc, 0, 0, u"ab", 2);
  EXPECT_EQ(c.At(4, 0), 0xFF0000u) << "gap pixel painted with the background";
  EXPECT_EQ(c.At(4, 9), 0xFF0000u);
  EXPECT_EQ(c.At(10, 0), 0xFFFFFFu);
  RECT r{20, 10, 30, 20};
  ExtTextOut(c.dc, 20, 10, ETO_OPAQUE | ETO_CLIPPED, &r, u"abcd", 4, nullptr);
  EXPECT_EQ(c.At(29, 19), 0xFF0000u);
  EXPECT_EQ(c.At(30, 10), 0xFFFFFFu) << "clipped to the rectangle";
}

TEST(GdiText, EnumFontFamiliesFindsMappedFaces) {
  struct Found {
    int n = 0;
    bool symbol = false;
  } found;
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  std::u16string face = u"tahoma";
  std::memcpy(lf.lfFaceName, face.data(), face.size() * 2);
  EnumFontFamiliesEx(
      GetScreenDC(), &lf,
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD type, LPARAM p) {
        reinterpret_cast<Found*>(p)->n++;
        EXPECT_EQ(type, static_cast<DWORD>(TRUETYPE_FONTTYPE));
        return 1;
      },
      reinterpret_cast<LPARAM>(&found), 0);
  EXPECT_EQ(found.n, 1);
  int all = 0;
  EnumFontFamilies(
      GetScreenDC(), nullptr,
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) {
        ++*reinterpret_cast<int*>(p);
        return 1;
      },
      reinterpret_cast<LPARAM>(&all));
  EXPECT_GE(all, 12);
  int none = 0;
  EnumFontFamilies(
      GetScreenDC(), u"No Such Face",
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) {
        ++*reinterpret_cast<int*>(p);
        return 1;
      },
      reinterpret_cast<LPARAM>(&none));
  EXPECT_EQ(none, 0);
}

// Text is laid out with the program's own font configuration alone: the
// system's one, which the font library would load when first initialised,
// is never read (parsing it was a third of an empty start-up).
TEST(GdiText, OnlyTheProgramsFontConfigurationIsLoaded) {
  HDC dc = GetScreenDC();
  FontScope font(dc, u"Tahoma", 14);
  SIZE size{};
  ASSERT_TRUE(GetTextExtentPoint32(dc, u"Pravenor", 8, &size));
  EXPECT_GT(size.cx, 0);
  // The current configuration (a fresh one would be the system's) and the
  // files it was read from.
  std::vector<std::string> files;
  FcStrList* list = FcConfigGetConfigFiles(FcConfigGetCurrent());
  ASSERT_NE(list, nullptr);
  while (FcChar8* file = FcStrListNext(list)) files.emplace_back(reinterpret_cast<const char*>(file));
  FcStrListDone(list);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(files[0].rfind("fonts.conf"), std::string::npos) << files[0];
  EXPECT_EQ(files[0].find("/etc/fonts"), std::string::npos) << files[0];
}

}  // namespace
