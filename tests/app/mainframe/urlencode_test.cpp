// The percent-encoder: GBK bytes, the reserved set and the byte ranges.
#include "app/mainframe/urlencode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Narrow(const CString& s) {
  std::string out;
  for (int i = 0; i < s.GetLength(); ++i) out += static_cast<char>(s[i]);
  return out;
}

struct EncodeCase {
  const char16_t* text;
  const char* encoded;
};

TEST(CURLEncode, EncodesEachByteByItsRange) {
  const EncodeCase cases[] = {
      {u"abcXYZ0189", "abcXYZ0189"},  // letters and digits pass
      {u"-._*'()", "-._*'()"},        // other printable bytes up to 'z' pass
      {u" ", "%20"},
      {u"&", "%26"},
      {u"~", "%7E"},  // above 'z'
      {u"{|}", "%7B%7C%7D"},
      {u"\r\n", "%0D%0A"},  // below 33
      {u"\t", "%09"},
      {u"\"<>%\\^[]`+$,@:;/!#?=&", "%22%3C%3E%25%5C%5E%5B%5D%60%2B%24%2C%40%3A%3B%2F%21%23%3F%3D%26"},
      {u"\u4E2D\u6587", "%D6%D0%CE%C4"},                // Chinese as GBK bytes, every byte escaped
      {u"\u3010Morvesk\u3011", "%A1%BEMorvesk%A1%BF"},  // the reminder's brackets
      {u"\u0E01", "%3F"},                               // not in GBK: a question mark
      {u"a\U0001F600b", "a%3Fb"},                       // one question mark for one character
      {u"", ""},
  };
  CURLEncode encode;
  for (const auto& c : cases) EXPECT_EQ(Narrow(encode.PercentEncode(c.text)), c.encoded) << c.encoded;
}

TEST(CURLEncode, EscapesBytesOutsideThePrintableRange) {
  struct ByteCase {
    unsigned char byte;
    const char* encoded;
  };
  const ByteCase cases[] = {{0x00, "%00"}, {0x20, "%20"}, {0x21, "%21"},  // '!' is reserved
                            {0x22, "%22"}, {0x27, "'"},   {0x7A, "z"},   {0x7B, "%7B"},
                            {0x7F, "%7F"}, {0x80, "%80"}, {0xA1, "%A1"}, {0xFF, "%FF"}};
  CURLEncode encode;
  for (const auto& c : cases)
    EXPECT_EQ(Narrow(encode.PercentEncodeBytes(std::string(1, static_cast<char>(c.byte)))), c.encoded) << int(c.byte);
  EXPECT_EQ(Narrow(encode.ByteToHex(0xAB)), "AB");
  EXPECT_EQ(g_strReservedChars.GetLength(), 21);
}

}  // namespace
