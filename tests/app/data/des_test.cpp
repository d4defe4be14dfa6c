#include <gtest/gtest.h>

#include <vector>

#include "app/data/des.h"
#include "platform/base/oledatetime.h"

namespace {

CString Units(std::initializer_list<char16_t> units) { return CString(std::u16string(units)); }

// Golden vectors from tests/app/data/field_cipher_reference.py, an independent
// implementation whose tables are checked against the textbook DES example.
struct Golden {
  const char16_t* name;
  const char16_t* key;
  std::vector<char16_t> units;
};

const Golden kGolden[] = {
    {u"Pravenor", u"k3v9q2x7", {0xF988, 0x93F1, 0x191D, 0x79C6}},
    {u"Kitchen garden", u"a1b2c3d4", {0x019A, 0xEB8A, 0xEA06, 0xFC6B, 0x58BC, 0x773E, 0x805E, 0x0236}},
    {u"x", u"k3v9q2x7", {0xFD74, 0xEAE4, 0x9F5D, 0xD973}},
    {u"Aufgaben f\u00fcr M\u00e4rz", u"m0n1p2q3",
     {0x3861, 0xA0F7, 0xB2BD, 0x79EC, 0x254D, 0xE5C5, 0x7E1B, 0x2B13, 0xF85D, 0x692F, 0xE9D6, 0x1965}},
    {u"\u5317\u4eac\u9879\u76ee", u"zz99yy88", {0xD7A0, 0x1987, 0xB699, 0x0256, 0xC844, 0xDDE4, 0x8B6E, 0x20A1}},
    {u"abc", u"key", {0xC369, 0xD1ED, 0x98CB, 0xC594}},  // short key: zero byte and 0xFD padding
};

}  // namespace

TEST(FieldCipher, MatchesTheReferenceVectorsBothWays) {
  for (const auto& g : kGolden) {
    CDES des;
    CString stored = des.TransformText(g.name, g.key, 0);
    EXPECT_EQ(std::u16string(stored.GetString(), stored.GetLength()), std::u16string(g.units.begin(), g.units.end()))
        << "enciphering " << CStringA(CString(g.name)).GetString();
    CString back = des.TransformText(CString(std::u16string(g.units.begin(), g.units.end())), g.key, 1);
    EXPECT_EQ(back, CString(g.name));
  }
}

TEST(FieldCipher, StoredLengthIsFourUnitsPerEightBytes) {
  CDES des;
  const CString key = CDES::KeyText(7);
  EXPECT_EQ(des.TransformText(u"12345678", key, 0).GetLength(), 4);
  EXPECT_EQ(des.TransformText(u"123456789", key, 0).GetLength(), 8);
  // Deterministic: no salt, no chaining.
  EXPECT_EQ(des.TransformText(u"Same name", key, 0), des.TransformText(u"Same name", key, 0));
}

TEST(FieldCipher, RoundTripsEveryLengthAndMultiByteNamesAcrossBlockBoundaries) {
  CDES des;
  const CString key = CDES::KeyText(3);
  std::u16string name;
  for (int length = 1; length <= 40; ++length) {
    name.push_back(static_cast<char16_t>(u'a' + length % 26));
    CString stored = des.TransformText(CString(name), key, 0);
    EXPECT_EQ(des.TransformText(stored, key, 1), CString(name)) << length;
  }
  // Three-byte UTF-8 characters placed so that they straddle the 8-byte boundary.
  for (int prefix = 0; prefix < 8; ++prefix) {
    CString mixed = CString(u'x', prefix) + CString(u"\u4e2d\u6587\u00e9 Task");
    EXPECT_EQ(des.TransformText(des.TransformText(mixed, key, 0), key, 1), mixed) << prefix;
  }
}

TEST(FieldCipher, EdgeInputsGiveDefinedResults) {
  CDES des;
  const CString key = CDES::KeyText(0);
  EXPECT_TRUE(des.TransformText(CString(), key, 0).IsEmpty());
  EXPECT_TRUE(des.TransformText(CString(), key, 1).IsEmpty());
  EXPECT_TRUE(des.TransformText(u"name", key, 2).IsEmpty());
  // A stored text that is not a whole number of blocks was never
  // enciphered (the plain "Enter work name" placeholder, a cut value): it is
  // refused rather than padded into a made-up name.
  const CString pravenor = Units({0xF988, 0x93F1, 0x191D, 0x79C6});
  EXPECT_EQ(des.TransformText(pravenor, u"k3v9q2x7", 1), u"Pravenor");
  for (const CString& stored : {pravenor + Units({0x019B}), pravenor + Units({0x059D, 0x0001, 0x0002}),
                                Units({0x019B}), CString(u"Enter work name")})
    EXPECT_TRUE(des.TransformText(stored, u"k3v9q2x7", 1).IsEmpty()) << stored.GetLength() << " units";
}

TEST(FieldCipher, KeyScheduleFollowsTheTextbookExampleOnBitReversedBytes) {
  // The textbook key 13 34 57 79 9B BC DF F1 read most significant bit first
  // equals these bytes read least significant bit first.
  const unsigned char textbook[8] = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
  unsigned char reversed[8];
  for (int i = 0; i < 8; ++i) {
    unsigned char b = 0;
    for (int k = 0; k < 8; ++k) b |= ((textbook[i] >> k) & 1) << (7 - k);
    reversed[i] = b;
  }
  unsigned char schedule[16][48];
  CDES::ExpandKey(reversed, schedule);
  const char* k1 = "000110110000001011101111111111000111000001110010";
  const char* k16 = "110010110011110110001011000011100001011111110101";
  for (int i = 0; i < 48; ++i) {
    EXPECT_EQ(schedule[0][i], k1[i] - '0') << "K1 bit " << i;
    EXPECT_EQ(schedule[15][i], k16[i] - '0') << "K16 bit " << i;
  }
}

TEST(FieldCipher, KeyIndexFollowsTheStartDate) {
  // Indexes worked out by hand: (month x year) mod day.
  struct Case { int year, month, day, index; } cases[] = {
      {2013, 3, 26, 7},    // 6039 = 232 x 26 + 7
      {2013, 3, 1, 0},     {1999, 12, 1, 0},
      {2024, 2, 29, 17},   // 4048 = 139 x 29 + 17
      {2012, 12, 31, 26},  // 24144 = 778 x 31 + 26
      {1999, 11, 30, 29},  // 21989 = 732 x 30 + 29
      {2000, 7, 15, 5},    // 14000 = 933 x 15 + 5
      {-1, -1, -1, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(CDES::KeyIndex(c.year, c.month, c.day), c.index) << c.year << "-" << c.month << "-" << c.day;
  EXPECT_EQ(GetWorkNameKey(COleDateTime(2013, 3, 26, 10, 0, 0)), CString(CDES::KeyText(7)));
  COleDateTime invalid;
  invalid.SetStatus(COleDateTime::invalid);
  EXPECT_EQ(GetWorkNameKey(invalid), CString(CDES::KeyText(0)));
  for (int i = 0; i < CDES::kKeyCount; ++i) EXPECT_EQ(CString(CDES::KeyText(i)).GetLength(), 8);
}
