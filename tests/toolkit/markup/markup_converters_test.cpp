// Value converters: enumerations, lengths with units, cursors, thickness
// forms, the number reader, named and system colours.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markuphost.h"
#include "toolkit/markup/markuptext.h"

namespace {

// Runs a converter callback on a text; -1000 stands for "no conversion".
int Convert(PFNMARKUPCONVERTER fn, const char16_t* text) {
  CTKMarkupString* s = CTKMarkupString::CreateString(text);
  CTKMarkupObject* r = fn(nullptr, s);
  s->Release();
  if (!r) return -1000;
  int v = -999;
  if (CTKMarkupEnum* e = MarkupDynamicCast<CTKMarkupEnum>(r)) v = e->GetValue();
  if (CTKMarkupInt* i = MarkupDynamicCast<CTKMarkupInt>(r)) v = i->GetValue();
  r->Release();
  return v;
}

TEST(MarkupConverters, CallbacksByTable) {
  struct Case {
    PFNMARKUPCONVERTER fn;
    const char16_t* text;
    int value;
  } cases[] = {
      {&ConvertFontWeight, u"bold", 700},
      {&ConvertFontWeight, u"BOLD", 700},
      {&ConvertFontWeight, u"UltraLight", -1000},
      {&ConvertFontWeight, u"ExtraBlack", 950},
      {&ConvertTextDecorations, u"", 0},
      {&ConvertTextDecorations, u"underline", 1},
      {&ConvertFontQuality, u"ClearType", 5},
      {&ConvertFontQuality, u"Normal", -1000},
      {&ConvertLength, u"12pt", 16},
      {&ConvertLength, u"8pt", 11},
      {&ConvertLength, u"0pt", 0},
      {&ConvertLength, u"Auto", INT_MAX},
      {&ConvertLength, u"auto", INT_MAX},
      {&ConvertLength, u"Auto ", 0},
      {&ConvertLength, u"12", 12},
      {&ConvertLength, u"12px", 12},
      {&ConvertLength, u"10pt", 13},
      {&ConvertLength, u"2in", 192},
      {&ConvertLength, u"1cm", 37},
      {&ConvertLength, u"10mm", 37},
      {&ConvertLength, u"1.5in", 96},
      {&ConvertLength, u"99999999in", INT_MAX},
      {&ConvertCursor, u"hand", 32649},
      {&ConvertCursor, u"Help", -1000},
      {&ConvertCursor, u"None", 0},
      {&ConvertIsChecked, u"", 2},
      {&ConvertIsChecked, u"true", 1},
      {&ConvertTabNavigation, u"cycle", 2},
      {&ConvertTabNavigation, u"cycles", -1000},
      {&ConvertVisibility, u"Collapsed", 2},
      {&ConvertHorizontalAlignment, u"Stretch", 3},
      {&ConvertOrientation, u"vertical", 1},
      {&ConvertStretch, u"UniformToFill", 3},
      {&ConvertTextTrimming, u"WordEllipsis", 2},
      {&ConvertBaselineAlignment, u"Superscript", 7},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Convert(c.fn, c.text), c.value)
        << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
  // Anything but text gives no conversion.
  CTKMarkupInt i(3);
  EXPECT_EQ(ConvertFontWeight(nullptr, &i), nullptr);
}

TEST(MarkupConverters, ThicknessForms) {
  struct Case {
    const char16_t* text;
    bool ok;
    int l, t, r, b;
  } cases[] = {
      {u"5", true, 5, 5, 5, 5},
      {u"1,2,3,4", true, 1, 2, 3, 4},
      {u"1, 2, 3, 4", true, 1, 2, 3, 4},
      {u"1pt, 2pt, 3pt, 4pt", true, 1, 3, 4, 5},
      {u"1pt, 2, 3, 4pt", false, 0, 0, 0, 0},
      {u"0x10, 010, 1, 1", true, 16, 8, 1, 1},
      {u"5, 10", false, 0, 0, 0, 0},
      {u"1 ,2,3,4", false, 0, 0, 0, 0},
      {u"abc", true, 0, 0, 0, 0},
      {u"2in", true, 192, 192, 192, 192},
      {u"-3", true, -3, -3, -3, -3},
  };
  // Each form through the converter object, and written as every thickness
  // property in markup (which converts without a converter object): the
  // same thickness, or the same build error. The context registers the
  // properties, so it comes before they are read.
  CTKMarkupContext* ctx = MarkupCreateContext(nullptr);
  struct Property {
    const char16_t* tag;
    const char16_t* name;
    CTKMarkupDependencyProperty* property;
  } properties[] = {
      {u"Border", u"Margin", CTKMarkupFrameworkElement::m_pMarginProperty},
      {u"Border", u"Padding", CTKMarkupBorder::m_pPaddingProperty},
      {u"Border", u"BorderThickness", CTKMarkupBorder::m_pBorderThicknessProperty},
      {u"TextBlock", u"Padding", CTKMarkupTextBlock::m_pPaddingProperty},
  };
  CTKMarkupThickness converter;
  for (const Case& c : cases) {
    std::string text(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    CTKMarkupString* s = CTKMarkupString::CreateString(c.text);
    CTKMarkupObject* r = converter.ConvertFrom(nullptr, s);
    s->Release();
    EXPECT_EQ(r != nullptr, c.ok) << text;
    if (r) {
      CTKMarkupThickness* t = static_cast<CTKMarkupThickness*>(r);
      EXPECT_EQ((std::vector<int>{t->left, t->top, t->right, t->bottom}), (std::vector<int>{c.l, c.t, c.r, c.b}))
          << text;
      r->Release();
    }
    for (const Property& p : properties) {
      std::u16string markup = std::u16string(u"<") + p.tag + u" " + p.name + u"='" + c.text + u"'/>";
      std::string where = text + " as " + std::string(p.name, p.name + std::char_traits<char16_t>::length(p.name));
      CTKMarkupInputElement* e = ctx->Parse(markup.c_str());
      EXPECT_EQ(e != nullptr, c.ok) << where;
      if (!e) {
        std::u16string error(ctx->GetLastParseError().GetString());
        EXPECT_NE(error.find(std::u16string(u"Cannot convert string in attribute '") + p.name + u"'"),
                  std::u16string::npos)
            << where;
        continue;
      }
      const CTKMarkupThickness* t = MarkupDynamicCast<CTKMarkupThickness>(e->GetValue(p.property));
      ASSERT_NE(t, nullptr) << where;
      EXPECT_EQ((std::vector<int>{t->left, t->top, t->right, t->bottom}), (std::vector<int>{c.l, c.t, c.r, c.b}))
          << where;
      e->Release();
    }
  }
  MarkupReleaseContext(ctx);
  CTKMarkupThickness a(1, 2, 3, 4), b(1, 2, 3, 4), c(1, 2, 3, 5);
  EXPECT_TRUE(a.IsEqual(&b));
  EXPECT_FALSE(a.IsEqual(&c));

  RECT rc = DeflateRectByThickness(0, 0, 10, 10, &a);
  EXPECT_EQ((std::vector<LONG>{rc.left, rc.top, rc.right, rc.bottom}), (std::vector<LONG>{1, 2, 7, 6}));
  CTKMarkupThickness wide(8, 8, 8, 8);
  rc = DeflateRectByThickness(0, 0, 10, 10, &wide);
  EXPECT_EQ(rc.right, 8) << "an over-wide thickness gives zero width, never a negative one";
  EXPECT_EQ(rc.bottom, 8);
}

TEST(MarkupConverters, NumberReader) {
  struct Case {
    const char16_t* text;
    WCHAR sep;
    BOOL whole;
    bool ok;
    double value;
    const char16_t* rest;
  } cases[] = {
      {u"  -1.25 ", 0, TRUE, true, -1.25, u""}, {u"1e3", 0, TRUE, false, 0, nullptr},
      {u"1.2.3", 0, TRUE, false, 0, nullptr},   {u".", 0, TRUE, false, 0, nullptr},
      {u".5", 0, TRUE, true, 0.5, u""},         {u"3 , 4", ',', FALSE, true, 3, u"4"},
      {u"", 0, FALSE, false, 0, nullptr},       {u"-", 0, FALSE, false, 0, nullptr},
      {u",4", ',', FALSE, false, 0, nullptr},
  };
  for (const Case& c : cases) {
    LPCWSTR p = c.text;
    double d = 0;
    BOOL ok = ReadNumber(p, d, c.sep, c.whole);
    EXPECT_EQ(ok == TRUE, c.ok);
    if (ok) {
      EXPECT_DOUBLE_EQ(d, c.value);
      EXPECT_EQ(std::u16string(p), std::u16string(c.rest));
    }
  }
}

TEST(MarkupConverters, SystemColorsAndKeys) {
  SystemColorCache a, b;
  CTKMarkupObject* c = a.SystemColorFromName(u"SystemColors.ControlColor");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(static_cast<CTKMarkupColor*>(c)->GetValue(), 0xFF000000u | MarkupGetHostServices()->GetSysColor(15));
  EXPECT_EQ(a.SystemColorFromName(u"SystemColors.controlColor"), nullptr);
  EXPECT_EQ(a.SystemColorFromName(u"SystemColors.Control"), nullptr);
  CTKMarkupObject* brush = a.SystemBrushFromName(u"SystemColors.ScrollBarBrush");
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(static_cast<CTKMarkupSolidColorBrush*>(brush)->GetColor(), MarkupGetHostServices()->GetSysColor(0));
  CTKMarkupObject* k1 = a.SystemBrushKeyFromName(u"SystemColors.HighlightBrushKey");
  CTKMarkupObject* k2 = a.SystemBrushKeyFromName(u"SystemColors.HighlightBrushKey");
  CTKMarkupObject* k3 = b.SystemBrushKeyFromName(u"SystemColors.HighlightBrushKey");
  EXPECT_EQ(k1, k2) << "one key object per builder";
  EXPECT_NE(k1, k3) << "another builder makes another key";
  EXPECT_FALSE(k1->IsEqual(k3));
  EXPECT_EQ(a.SystemColorKeyFromName(u"SystemColors.HighlightBrushKey"), nullptr);
  for (CTKMarkupObject* o : {c, brush, k1, k2, k3}) o->Release();
}

}  // namespace
