// Batch text measuring: every width equals GetTextExtentPoint32's for the
// same text, font and DC.
#include "platform/gdi/textmeasure.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/platform/gdi/canvas.h"

namespace {

std::u16string_view At(const void* context, std::size_t i) {
  return (*static_cast<const std::vector<std::u16string>*>(context))[i];
}

std::vector<int> Batch(HDC dc, const std::vector<std::u16string>& texts) {
  std::vector<int> widths(texts.size(), -1);
  EXPECT_TRUE(pv::gdi::MeasureTextWidths(dc, texts.size(), At, &texts, widths.data()));
  return widths;
}

std::string Hex(const std::u16string& t) {
  std::string out;
  char buf[8];
  for (char16_t c : t) {
    std::snprintf(buf, sizeof buf, "%04X ", static_cast<unsigned>(c));
    out += buf;
  }
  return out;
}

int Single(HDC dc, const std::u16string& t) {
  SIZE sz{};
  EXPECT_TRUE(GetTextExtentPoint32(dc, t.c_str(), static_cast<int>(t.size()), &sz));
  return sz.cx;
}

// Both ways, text by text, twice (the layout keeps its last text between
// calls).
void ExpectSameAsSingle(HDC dc, const std::vector<std::u16string>& texts, const std::string& what) {
  for (int round = 0; round < 2; ++round) {
    std::vector<int> got = Batch(dc, texts);
    for (std::size_t i = 0; i < texts.size(); ++i)
      ASSERT_EQ(got[i], Single(dc, texts[i])) << what << ", round " << round << ", text #" << i << " " << Hex(texts[i]);
  }
}

struct FontCase {
  const char16_t* face;
  int height, weight;
  BYTE italic;
};

class TextMeasureTest : public ::testing::TestWithParam<FontCase> {
 protected:
  void SetUp() override {
    const FontCase& f = GetParam();
    font_ = CreateFont(f.height, 0, 0, 0, f.weight, f.italic, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, f.face);
    old_ = SelectObject(canvas_.dc, font_);
  }
  void TearDown() override {
    SelectObject(canvas_.dc, old_);
    DeleteObject(font_);
  }
  Canvas canvas_{8, 8};
  HFONT font_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

TEST_P(TextMeasureTest, ChosenTextsMeasureAsGetTextExtentPoint32) {
  const std::vector<std::u16string> texts = {
      u"",
      u"child item",
      u"AVATAR Type To LT Wa yo",    // pairs fonts kern
      u"office fifty affluent ffl",  // pairs fonts may join
      u"Caf\u00E9 \u00C6r\u00F8 \u0141\u00F3d\u017A \u01C4",
      u"\u00A0non-breaking\u00A0space and soft\u00ADhyphen",
      u"e\u0301 combining",            // a mark that shapes with its letter
      u"\u4E2D\u6587 mixed \u6587",    // a fallback face and its spaces
      u"\U0001F600 smile \U00010348",  // surrogate pairs
      u"lone \xD800 high, lone \xDC00 low",
      std::u16string(u"zero\0inside", 11),
      u"\u0391\u03B8\u03B7\u03BD\u03B1 \u041C\u043E\u0441\u043A\u0432\u0430",  // beyond the table's range
      u"  leading and trailing  ",
      u"1234567890 !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~",
  };
  ExpectSameAsSingle(canvas_.dc, texts, "chosen");
}

TEST_P(TextMeasureTest, RandomLatinTextsMeasureAsGetTextExtentPoint32) {
  // Mostly characters the table covers, with some it must refuse.
  const std::u16string alphabet =
      u"AVWTYLPFfiljrtvwxyk.,;:-'\" aeou0123"
      u"\u00E9\u00C5\u00DF\u0153\u0131\u01FF\u00A0\u00AD\u0301\u4E2D";
  std::mt19937 rng(20261211);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1), length(1, 24);
  std::vector<std::u16string> texts;
  for (int i = 0; i < 400; ++i) {
    std::u16string t;
    for (std::size_t n = length(rng); n > 0; --n) t.push_back(alphabet[pick(rng)]);
    texts.push_back(t);
  }
  ExpectSameAsSingle(canvas_.dc, texts, "random");
}

INSTANTIATE_TEST_SUITE_P(Faces, TextMeasureTest,
                         ::testing::Values(FontCase{u"MS Shell Dlg", -11, FW_NORMAL, 0},
                                           FontCase{u"Tahoma", -13, FW_BOLD, 0},
                                           FontCase{u"Times New Roman", -17, FW_NORMAL, 1},
                                           FontCase{u"Courier New", -12, FW_NORMAL, 0},
                                           FontCase{u"PravenorTest", -10, FW_NORMAL, 0}));

TEST(TextMeasure, KernedTextsAreNotTheSumsOfTheirPairs) {
  // Why widths are not summed from a table of advances and pairs: the
  // font kerns, and "1111" is not three times "11" less twice "1".
  Canvas c(8, 8);
  HFONT f = CreateFont(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, u"Tahoma");
  HGDIOBJ old = SelectObject(c.dc, f);
  ASSERT_LT(Single(c.dc, u"AV"), Single(c.dc, u"A") + Single(c.dc, u"V"));
  ASSERT_NE(Single(c.dc, u"1111"), 3 * Single(c.dc, u"11") - 2 * Single(c.dc, u"1"));
  ExpectSameAsSingle(c.dc, {u"A", u"V", u"AV", u"VAVAV", u"AVA", u"To", u"Ty", u"F,11", u"1111"}, "kerned");
  SelectObject(c.dc, old);
  DeleteObject(f);
}

TEST(TextMeasure, MappingModeAndCharacterExtraCountAsInGetTextExtentPoint32) {
  Canvas c(8, 8);
  HFONT f = CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, u"Tahoma");
  HGDIOBJ old = SelectObject(c.dc, f);
  const std::vector<std::u16string> texts = {u"group item", u"AVATAR", u"\u4E2D\u6587"};
  SetTextCharacterExtra(c.dc, 3);
  ExpectSameAsSingle(c.dc, texts, "character extra");
  SetTextCharacterExtra(c.dc, 0);
  SetMapMode(c.dc, MM_TWIPS);
  ExpectSameAsSingle(c.dc, texts, "twips");
  SetMapMode(c.dc, MM_TEXT);
  SelectObject(c.dc, old);
  DeleteObject(f);
}

TEST(TextMeasure, RefusesABadDcOrMissingArguments) {
  const std::vector<std::u16string> texts = {u"x"};
  int w = -1;
  EXPECT_FALSE(pv::gdi::MeasureTextWidths(nullptr, 1, At, &texts, &w));
  Canvas c(8, 8);
  EXPECT_FALSE(pv::gdi::MeasureTextWidths(c.dc, 1, nullptr, &texts, &w));
  EXPECT_FALSE(pv::gdi::MeasureTextWidths(c.dc, 1, At, &texts, nullptr));
  EXPECT_TRUE(pv::gdi::MeasureTextWidths(c.dc, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ(w, -1);
}

}  // namespace
