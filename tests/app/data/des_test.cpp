#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/data/des.h"
#include "platform/base/codepage.h"
#include "platform/base/utf.h"
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
    {u"Aufgaben f\u00fcr M\u00e4rz",
     u"m0n1p2q3",
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
  for (const CString& stored : {pravenor + Units({0x019B}), pravenor + Units({0x059D, 0x0001, 0x0002}), Units({0x019B}),
                                CString(u"Enter work name")})
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
  struct Case {
    int year, month, day, index;
  } cases[] = {
      {2013, 3, 26, 7},                                         // 6039 = 232 x 26 + 7
      {2013, 3, 1, 0},    {1999, 12, 1, 0}, {2024, 2, 29, 17},  // 4048 = 139 x 29 + 17
      {2012, 12, 31, 26},                                       // 24144 = 778 x 31 + 26
      {1999, 11, 30, 29},                                       // 21989 = 732 x 30 + 29
      {2000, 7, 15, 5},                                         // 14000 = 933 x 15 + 5
      {-1, -1, -1, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CDES::KeyIndex(c.year, c.month, c.day), c.index) << c.year << "-" << c.month << "-" << c.day;
  EXPECT_EQ(GetWorkNameKey(COleDateTime(2013, 3, 26, 10, 0, 0)), CString(CDES::KeyText(7)));
  COleDateTime invalid;
  invalid.SetStatus(COleDateTime::invalid);
  EXPECT_EQ(GetWorkNameKey(invalid), CString(CDES::KeyText(0)));
  for (int i = 0; i < CDES::kKeyCount; ++i) EXPECT_EQ(CString(CDES::KeyText(i)).GetLength(), 8);
}

namespace {

// The cipher written out bit by bit, one bit per byte, straight from the
// tables: what the word-wise cipher must match on every input.
namespace reference {

constexpr int kIP[64] = {58, 50, 42, 34, 26, 18, 10, 2,  60, 52, 44, 36, 28, 20, 12, 4,  62, 54, 46, 38, 30, 22,
                         14, 6,  64, 56, 48, 40, 32, 24, 16, 8,  57, 49, 41, 33, 25, 17, 9,  1,  59, 51, 43, 35,
                         27, 19, 11, 3,  61, 53, 45, 37, 29, 21, 13, 5,  63, 55, 47, 39, 31, 23, 15, 7};
constexpr int kE[48] = {32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11, 12, 13, 12, 13, 14, 15, 16, 17,
                        16, 17, 18, 19, 20, 21, 20, 21, 22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1};
constexpr int kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                        2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};
constexpr int kSBox[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8, 3, 10, 6, 12, 5,  9,  0,  7,  0,  15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5, 3, 8,  4, 1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2, 4, 9,  1, 7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8, 14, 6,  11, 3,  4, 9, 7, 2,  13, 12, 0, 5, 10, 3,  13, 4,  7, 15, 2,  8, 14, 12, 0, 1, 10, 6, 9, 11, 5,
     0,  14, 7, 11, 10, 4,  13, 1, 5, 8, 12, 6,  9,  3, 2, 15, 13, 8,  10, 1, 3,  15, 4, 2,  11, 6, 7, 12, 0, 5, 14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7, 11, 4,  2,  8,  13, 7, 0,  9, 3, 4,
     6,  10, 2,  8,  5, 14, 12, 11, 15, 1,  13, 6, 4,  9,  8,  15, 3,  0, 11, 1, 2, 12,
     5,  10, 14, 7,  1, 10, 13, 0,  6,  9,  8,  7, 4,  15, 14, 3,  11, 5, 2,  12},
    {7, 13, 14, 3, 0, 6,  9, 10, 1,  2, 8,  5, 11, 12, 4,  15, 13, 8,  11, 5, 6, 15,
     0, 3,  4,  7, 2, 12, 1, 10, 14, 9, 10, 6, 9,  0,  12, 11, 7,  13, 15, 1, 3, 14,
     5, 2,  8,  4, 3, 15, 0, 6,  10, 1, 13, 8, 9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4, 1,  7,  10, 11, 6, 8, 5,  3, 15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5, 0,  15, 10, 3,  9, 8, 6,  4, 2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0, 14, 11, 8,  12, 7, 1, 14, 2, 13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6, 8,  0, 13, 3,  4,  14, 7,  5, 11, 10, 15, 4, 2, 7, 12,
     9,  5,  6,  1,  13, 14, 0, 11, 3, 8,  9,  14, 15, 5,  2, 8,  12, 3,  7, 0, 4, 10,
     1,  13, 11, 6,  4,  3,  2, 12, 9, 5,  15, 10, 11, 14, 1, 7,  6,  0,  8, 13},
    {4, 11, 2,  14, 15, 0, 8, 13, 3,  12, 9, 7, 5, 10, 6, 1, 13, 0,  11, 7, 4, 9, 1,  10, 14, 3, 5, 12, 2,  15, 8, 6,
     1, 4,  11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5,  9, 2, 6,  11, 13, 8, 1, 4, 10, 7,  9,  5, 0, 15, 14, 2,  3, 12},
    {13, 2, 8, 4, 6,  15, 11, 1, 10, 9,  3,  14, 5, 0, 12, 7, 1, 15, 13, 8, 10, 3, 7,  4,  12, 5, 6, 11, 0, 14, 9, 2, 7,
     11, 4, 1, 9, 12, 14, 2,  0, 6,  10, 13, 15, 3, 5, 8,  2, 1, 14, 7,  4, 10, 8, 13, 15, 12, 9, 0, 3,  5, 6,  11}};

using Schedule = unsigned char[16][48];

void Block(const unsigned char in[8], unsigned char out[8], const Schedule& keys, bool decipher) {
  int bits[64], lr[64];
  for (int i = 0; i < 64; ++i) bits[i] = (in[i / 8] >> (i % 8)) & 1;
  for (int i = 0; i < 64; ++i) lr[i] = bits[kIP[i] - 1];
  int* l = lr;
  int* r = lr + 32;
  for (int step = 0; step < 16; ++step) {
    const int round = decipher ? 15 - step : step;
    int* half = decipher ? l : r;  // the half that goes through f
    int x[48], sub[32], f[32];
    for (int i = 0; i < 48; ++i) x[i] = half[kE[i] - 1] ^ keys[round][i];
    for (int s = 0; s < 8; ++s) {
      const int* b = x + 6 * s;
      const int v = kSBox[s][16 * (2 * b[0] + b[5]) + 8 * b[1] + 4 * b[2] + 2 * b[3] + b[4]];
      for (int k = 0; k < 4; ++k) sub[4 * s + k] = (v >> k) & 1;
    }
    for (int i = 0; i < 32; ++i) f[i] = sub[kP[i] - 1];
    int* other = decipher ? r : l;
    for (int i = 0; i < 32; ++i) {
      const int mixed = other[i] ^ f[i];
      other[i] = half[i];
      half[i] = mixed;
    }
  }
  int outBits[64];
  // The inverse of the initial permutation, with the halves as they are.
  for (int i = 0; i < 64; ++i) outBits[kIP[i] - 1] = lr[i];
  for (int i = 0; i < 8; ++i) {
    out[i] = 0;
    for (int k = 0; k < 8; ++k) out[i] |= static_cast<unsigned char>(outBits[8 * i + k] << k);
  }
}

// Triple cipher of whole blocks under the 16-byte key buffer.
std::vector<unsigned char> Cipher(std::vector<unsigned char> data, const unsigned char keyBuffer[16], bool decipher) {
  Schedule k1, k2;
  CDES::ExpandKey(keyBuffer, k1);
  CDES::ExpandKey(keyBuffer + 8, k2);
  for (std::size_t at = 0; at < data.size(); at += 8) {
    unsigned char a[8], b[8];
    Block(&data[at], a, k1, decipher);
    Block(a, b, k2, !decipher);
    Block(b, &data[at], k1, decipher);
  }
  return data;
}

// The key buffer TransformText builds from a key text of ASCII bytes.
void KeyBuffer(const std::string& key, unsigned char buffer[16]) {
  std::memset(buffer, 0xCC, 16);
  std::memcpy(buffer, key.data(), std::min<std::size_t>(key.size(), 16));
  if (key.size() < 8) {
    buffer[key.size()] = 0;
    for (std::size_t i = key.size() + 1; i < 8; ++i) buffer[i] = 0xFD;
  }
}

}  // namespace reference

std::string RandomKey(std::mt19937& rng) {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string key(std::uniform_int_distribution<int>(1, 20)(rng), 'a');
  for (char& c : key) c = kChars[std::uniform_int_distribution<int>(0, 35)(rng)];
  // Now and then the same first half with another second half.
  if (std::uniform_int_distribution<int>(0, 2)(rng) == 0) key = "k3v9q2x7" + key.substr(0, 1 + key.size() % 8);
  return key;
}

}  // namespace

// The word-wise cipher against the bit-by-bit one on random names, stored
// texts and keys (short keys padded, long ones cut), keys changing from
// call to call as they do from work to work.
TEST(FieldCipher, MatchesTheBitByBitCipherOnRandomInput) {
  std::mt19937 rng(20261211);
  CDES des;
  for (int round = 0; round < 300; ++round) {
    const std::string key = RandomKey(rng);
    unsigned char keyBuffer[16];
    reference::KeyBuffer(key, keyBuffer);
    const CString keyText(pv::Utf8ToUtf16(key));

    // Enciphering a name of printable and non-Latin characters.
    std::u16string name(std::uniform_int_distribution<int>(1, 30)(rng), u'a');
    for (char16_t& c : name)
      c = std::uniform_int_distribution<int>(0, 3)(rng)
              ? static_cast<char16_t>(std::uniform_int_distribution<int>(0x20, 0x7E)(rng))
              : static_cast<char16_t>(std::uniform_int_distribution<int>(0x4E00, 0x9FFF)(rng));
    const std::string utf8 = pv::Utf16ToUtf8(name);
    std::vector<unsigned char> plain(utf8.begin(), utf8.end());
    const std::size_t whole = (plain.size() + 7) / 8 * 8;
    if (plain.size() < whole) {
      plain.push_back(0);
      plain.resize(whole, 0xFD);
    }
    const std::vector<unsigned char> expected = reference::Cipher(plain, keyBuffer, false);
    std::u16string expectedUnits;
    for (std::size_t i = 0; i < expected.size(); i += 2)
      expectedUnits.push_back(static_cast<char16_t>(expected[i] | (expected[i + 1] << 8)));
    const CString stored = des.TransformText(CString(name), keyText, 0);
    ASSERT_EQ(std::u16string(stored.GetString(), stored.GetLength()), expectedUnits)
        << "key " << key << ", round " << round;

    // Deciphering arbitrary stored units, bytes that are not text included.
    std::u16string units(4 * std::uniform_int_distribution<int>(1, 6)(rng), u'\0');
    for (char16_t& u : units) u = static_cast<char16_t>(std::uniform_int_distribution<int>(0, 0xFFFF)(rng));
    std::vector<unsigned char> bytes;
    for (char16_t u : units) {
      bytes.push_back(static_cast<unsigned char>(u & 0xFF));
      bytes.push_back(static_cast<unsigned char>(u >> 8));
    }
    std::vector<unsigned char> deciphered = reference::Cipher(bytes, keyBuffer, true);
    deciphered.erase(std::find(deciphered.begin(), deciphered.end(), 0), deciphered.end());
    std::u16string expectedText;
    if (!deciphered.empty()) {
      const auto* ansi = reinterpret_cast<const char*>(deciphered.data());
      const int n = MultiByteToWideChar(CP_THREAD_ACP, 0, ansi, static_cast<int>(deciphered.size()), nullptr, 0);
      expectedText.resize(static_cast<std::size_t>(n));
      MultiByteToWideChar(CP_THREAD_ACP, 0, ansi, static_cast<int>(deciphered.size()), expectedText.data(), n);
    }
    const CString text = des.TransformText(CString(units), keyText, 1);
    ASSERT_EQ(std::u16string(text.GetString(), text.GetLength()), expectedText) << "key " << key << ", round " << round;
  }
}
