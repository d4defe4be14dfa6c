// Formatting with the Windows wide-format semantics: a table of cases that
// pin down where they differ from the C library, the C library as an
// oracle for the narrow-equivalent numeric formats, and the buffer rules of
// the C-style wrappers.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/base/wformat.h"

namespace {

template <class... A>
CString F(const char16_t* fmt, const A&... args) {
  CString s;
  s.Format(fmt, args...);
  return s;
}

struct Case {
  CString got;
  CString want;
  int line;
};
#define CASE(want, ...) \
  Case { F(__VA_ARGS__), CString(want), __LINE__ }

TEST(WFormat, WindowsWideSemanticsTable) {
  const char16_t unterminated[3] = {u'x', u'y', u'z'};  // no terminator: precision bounds the read
  const char narrowUnterminated[2] = {'p', 'q'};
  double negNan = std::copysign(std::nan(""), -1.0);
  const Case cases[] = {
      // strings: %s is wide in a wide format, h means narrow (UTF-8), l/w wide
      CASE(u"[wide]", u"[%s]", u"wide"),
      CASE(u"wide", u"%ls", u"wide"),
      CASE(u"wide", u"%ws", u"wide"),
      CASE(u"narrow é", u"%hs", "narrow é"),
      CASE(u"narrow é", u"%S", "narrow é"),
      CASE(u"wide", u"%lS", u"wide"),
      CASE(u"a\U0001F600b", u"%s", u"a\U0001F600b"),
      CASE(u"a\U0001F600b", u"%hs",
           "a\xF0\x9F\x98\x80"
           "b"),
      CASE(u"a\xFFFD"
           u"b",
           u"%hs",
           "a\xC3"
           "b"),  // invalid UTF-8 is replaced
      CASE(u"(null)", u"%s", static_cast<const char16_t*>(nullptr)),
      CASE(u"(null)", u"%hs", static_cast<const char*>(nullptr)),
      CASE(u"(nu", u"%.3s", static_cast<const char16_t*>(nullptr)),
      CASE(u"   ab", u"%5s", u"ab"),
      CASE(u"ab   |", u"%-5s|", u"ab"),
      CASE(u"000ab", u"%05s", u"ab"),  // the zero flag pads strings too
      CASE(u"ab", u"%.2s", u"abc"),
      CASE(u"xy", u"%.2s", unterminated),
      CASE(u"pq", u"%.2hs", narrowUnterminated),
      CASE(u"\u00e9", u"%.2hs",
           "\xC3\xA9"
           "a"),                        // precision counts bytes read
      CASE(u"", u"%.1hs", "\xC3\xA9"),  // and never splits a character
      CASE(u"a", u"%.4hs", "a\xF0\x9F\x98\x80"),
      CASE(u"  abc", u"%*s", 5, u"abc"),
      CASE(u"abc  |", u"%*s|", -5, u"abc"),  // negative width: left-justified
      CASE(u"abc", u"%.*s", -1, u"abc"),     // negative precision: none
      CASE(u"ab", u"%.*s", 2, u"abc"),
      CASE(u"CString arg", u"%s", CString(u"CString arg")),
      CASE(u"std|\u00e9", u"%s|%hs", std::u16string(u"std"), std::string("\xC3\xA9")),
      // characters
      CASE(u"\u00e9", u"%c", u'\u00e9'),
      CASE(u"\u4e2d", u"%c", u'\u4e2d'),
      CASE(u"A", u"%hc", 'A'),
      CASE(u"A", u"%C", 'A'),
      CASE(u"\u4e2d", u"%lc", u'\u4e2d'),
      CASE(u"  x", u"%3c", u'x'),
      CASE(u"x  |", u"%-3c|", u'x'),
      // integers with the Windows sizes: l is 32 bits, I64/ll 64, I pointer-sized
      CASE(u"-5", u"%ld", static_cast<LONG>(-5)),
      CASE(u"4294967295", u"%lu", static_cast<DWORD>(0xFFFFFFFFu)),
      CASE(u"-9223372036854775808", u"%I64d", INT64_MIN),
      CASE(u"18446744073709551615", u"%I64u", UINT64_MAX),
      CASE(u"FFFFFFFFFFFFFFFF", u"%I64X", UINT64_MAX),
      CASE(u"-1", u"%lld", -1LL),
      CASE(u"-7", u"%I32d", -7),
      CASE(u"123456789012", u"%Iu", static_cast<std::size_t>(123456789012ull)),
      CASE(u"123456789012", u"%zu", static_cast<std::size_t>(123456789012ull)),
      CASE(u"4464", u"%hd", 70000),
      CASE(u"-56", u"%hhd", 200),
      CASE(u"65535", u"%hu", -1),
      CASE(u"4294967295", u"%u", -1),
      CASE(u"-2147483648", u"%d", INT_MIN),
      CASE(u"0x1f|0X1F|037", u"%#x|%#X|%#o", 31, 31, 31),
      CASE(u"0|0", u"%#x|%#o", 0, 0),
      CASE(u"|0", u"%.0d|%#.0o", 0, 0),
      CASE(u"  +0042", u"%+7.4d", 42),
      CASE(u"-0042", u"%05d", -42),
      CASE(u"  -42", u"%05.1d", -42),  // precision disables zero padding
      CASE(u" 42", u"% d", 42),
      CASE(u"42   |", u"%-05d|", 42),
      CASE(u"00000000DEADBEEF", u"%p", reinterpret_cast<void*>(0xDEADBEEFu)),
      // floating point
      CASE(u"3.141593", u"%f", 3.14159265),
      CASE(u"1.234568e+04", u"%e", 12345.678),
      CASE(u"1.234568E+04", u"%E", 12345.678),
      CASE(u"0.0001", u"%g", 0.0001),
      CASE(u"1e-05", u"%g", 0.00001),
      CASE(u"+003.50", u"%+07.2f", 3.5),
      CASE(u"2.500000", u"%lf", 2.5),
      CASE(u"4|2|-0", u"%0.f|%.0f|%.0f", 3.7, 2.5, -0.4),  // a bare '.' is precision 0; ties go to even
      CASE(u"0x1.0000000000000p+0", u"%a", 1.0),           // all 13 hex digits by default
      CASE(u"0x1.80p+1", u"%.2a", 3.0),
      CASE(u"inf|-inf|INF", u"%f|%f|%F", INFINITY, -INFINITY, INFINITY),
      CASE(u"nan|-nan(ind)|-NAN(IND)", u"%f|%f|%E", std::nan(""), negNan, negNan),
      CASE(u"     inf", u"%08.2f", INFINITY),
      CASE(u"2.5", u"%Lg", 2.5),  // L is a plain double, as Windows has it
      // the rest
      CASE(u"100%", u"%d%%", 100),
      CASE(u"%y", u"%y"),      // unknown conversion kept as written
      CASE(u"end%", u"end%"),  // lone % at the end
      CASE(u"n=", u"n=%n", static_cast<int*>(nullptr)),
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << "case at line " << c.line;
}

TEST(WFormat, NumericFormatsMatchTheCLibrary) {
  // Every flag set, width and precision over the integer and floating
  // conversions whose narrow printf meaning is the same on both platforms.
  const char* flagSets[] = {"", "-", "+", " ", "#", "0", "-+", "+0", "# 0", "-#0+ "};
  const char* widths[] = {"", "1", "12"};
  const char* precisions[] = {"", ".0", ".1", ".5", ".17"};
  const int ints[] = {0, 1, -1, 7, 255, -4096, 123456789, INT_MAX, INT_MIN};
  const long long bigs[] = {0, -1, INT64_MAX, INT64_MIN, 81985529216486895LL};
  const double doubles[] = {0.0,  -0.0,          1.0,   0.5,       -1.5,     3.14159265358979,
                            1e-7, 123456789.125, 1e300, -2.5e-300, 9.9999999};
  int checked = 0;
  for (const char* fl : flagSets)
    for (const char* w : widths)
      for (const char* p : precisions) {
        for (char conv : std::string("diuxXo")) {
          std::string spec = std::string("<%") + fl + w + p + conv + ">";
          std::u16string wspec(spec.begin(), spec.end());
          for (int v : ints) {
            char want[256];
            std::snprintf(want, sizeof want, spec.c_str(), v);
            ASSERT_EQ(F(wspec.c_str(), v), CString(want)) << spec << " with " << v;
            ++checked;
          }
          std::string spec64 = std::string("<%") + fl + w + p + "ll" + conv + ">";
          std::string specI64 = std::string("<%") + fl + w + p + "I64" + conv + ">";
          std::u16string wspecI64(specI64.begin(), specI64.end());
          for (long long v : bigs) {
            char want[256];
            std::snprintf(want, sizeof want, spec64.c_str(), v);
            ASSERT_EQ(F(wspecI64.c_str(), v), CString(want)) << specI64 << " with " << v;
            ++checked;
          }
        }
        for (char conv : std::string("feEgG")) {
          std::string spec = std::string("<%") + fl + w + p + conv + ">";
          std::u16string wspec(spec.begin(), spec.end());
          for (double v : doubles) {
            char want[512];
            std::snprintf(want, sizeof want, spec.c_str(), v);
            ASSERT_EQ(F(wspec.c_str(), v), CString(want)) << spec << " with " << v;
            ++checked;
          }
        }
      }
  EXPECT_GT(checked, 10000);
}

TEST(WFormat, TextKeepsZeroUnitsAndMayReferToItself) {
  CString s = F(u"a%cb", 0);
  ASSERT_EQ(s.GetLength(), 3);
  EXPECT_EQ(s[1], u'\0');
  EXPECT_EQ(s[2], u'b');

  // The argument points into the string being formatted or appended to.
  CString t(u"abc");
  t.AppendFormat(u"-%s-", t.GetString());
  EXPECT_EQ(t, u"abc-abc-");
  t.Format(u"[%s]", t.GetString());
  EXPECT_EQ(t, u"[abc-abc-]");

  // Long output (beyond any fixed buffer).
  CString big = F(u"%5000d|%f", 1, 1e300);
  EXPECT_EQ(big.GetLength(), 5000 + 1 + 301 + 7);
  EXPECT_EQ(big.Right(7), u".000000");

  // The va_list form.
  auto viaV = [](const char16_t* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    CString r;
    r.FormatV(fmt, ap);
    va_end(ap);
    return r;
  };
  EXPECT_EQ(viaV(u"%s=%d", u"x", 3), u"x=3");
}

TEST(WFormat, NarrowFormatSwapsTheDefaults) {
  CStringA a;
  a.Format("%s|%S|%ls|%c|%C|%5.1f", "nar", u"wïde", u"\u4e2d", 'c', u'\u00e9', 2.25);
  EXPECT_EQ(a,
            "nar|w\xC3\xAF"
            "de|\xE4\xB8\xAD|c|\xC3\xA9|  2.2");
  a.Format("%.2ls|", u"\u00e9\u00e9");  // two bytes of output: one whole character
  EXPECT_EQ(a, "\xC3\xA9|");
}

TEST(WFormat, CStyleWrappersRespectTheirBuffers) {
  char16_t buf[8];
  auto fill = [&] { std::fill(std::begin(buf), std::end(buf), u'#'); };

  // _stprintf_s: fits with its terminator, or fails with an empty buffer.
  fill();
  EXPECT_EQ(_stprintf_s(buf, 8, u"%d", 1234567), 7);
  EXPECT_EQ(std::u16string(buf), u"1234567");
  fill();
  EXPECT_EQ(_stprintf_s(buf, u"%d", 12345678), -1);
  EXPECT_EQ(buf[0], u'\0');
  EXPECT_EQ(buf[1], u'#');

  // _sntprintf: shorter, exactly count (no terminator), longer (-1, no terminator).
  fill();
  EXPECT_EQ(_sntprintf(buf, 4, u"%s", u"ab"), 2);
  EXPECT_EQ(std::u16string(buf), u"ab");
  fill();
  EXPECT_EQ(_sntprintf(buf, 4, u"%s", u"abcd"), 4);
  EXPECT_EQ(std::u16string(buf, 5), u"abcd#");
  fill();
  EXPECT_EQ(_sntprintf(buf, 4, u"%s", u"abcdef"), -1);
  EXPECT_EQ(std::u16string(buf, 5), u"abcd#");

  // _sntprintf_s: _TRUNCATE cuts to the buffer, a count cuts to the count,
  // anything else that does not fit empties the buffer.
  fill();
  EXPECT_EQ(_sntprintf_s(buf, 8, _TRUNCATE, u"%s", u"0123456789"), -1);
  EXPECT_EQ(std::u16string(buf), u"0123456");
  fill();
  EXPECT_EQ(_sntprintf_s(buf, 8, 3, u"%s", u"0123456789"), -1);
  EXPECT_EQ(std::u16string(buf), u"012");
  fill();
  EXPECT_EQ(_sntprintf_s(buf, 8, 20, u"%s", u"0123456789"), -1);
  EXPECT_EQ(buf[0], u'\0');
  fill();
  EXPECT_EQ(_sntprintf_s(buf, 8, _TRUNCATE, u"%s", u"ok"), 2);
  EXPECT_EQ(std::u16string(buf), u"ok");

  // wsprintf stops at 1023 units; _sctprintf measures.
  std::vector<char16_t> big(1100, u'#');
  EXPECT_EQ(wsprintf(big.data(), u"%2000s", u"x"), 1023);
  EXPECT_EQ(big[1023], u'\0');
  EXPECT_EQ(big[1024], u'#');
  EXPECT_EQ(_sctprintf(u"%s-%d", CString(u"abc"), 42), 6);
}

}  // namespace
