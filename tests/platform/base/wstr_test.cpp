// Wide C-string helpers: bounded copies, number parsing and printing,
// case-insensitive comparison and stepping over surrogate pairs.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/base/wstr.h"

namespace {

TEST(WStr, BoundedCopiesNeverOverrun) {
  char16_t buf[6];
  auto fill = [&] { std::fill(std::begin(buf), std::end(buf), u'#'); };

  fill();
  lstrcpyn(buf, u"abcdefgh", 4);  // three units and the terminator
  EXPECT_EQ(std::u16string(buf), u"abc");
  EXPECT_EQ(buf[4], u'#');
  fill();
  lstrcpyn(buf, nullptr, 4);
  EXPECT_EQ(buf[0], u'\0');

  // Each operation starts on a buffer of six '#' units.
  struct Case {
    std::function<int(char16_t (&)[6])> op;
    int want;
    const char16_t* text;
    int line;
  } cases[] = {
      {[](auto& b) { return _tcscpy_s(b, u"abcde"); }, 0, u"abcde", __LINE__},
      {[](auto& b) { return _tcscpy_s(b, u"abcdef"); }, ERANGE, u"", __LINE__},
      {[](auto& b) {
         _tcscpy_s(b, u"ab");
         return _tcscat_s(b, u"cde");
       },
       0, u"abcde", __LINE__},
      {[](auto& b) {
         _tcscpy_s(b, u"ab");
         return _tcscat_s(b, u"cdef");
       },
       ERANGE, u"", __LINE__},
      {[](auto& b) { return _tcscat_s(b, u"x"); }, EINVAL, u"", __LINE__},  // unterminated destination
      {[](auto& b) { return _tcsncpy_s(b, u"abcdefgh", _TRUNCATE); }, STRUNCATE, u"abcde", __LINE__},
      {[](auto& b) { return _tcsncpy_s(b, u"abcdefgh", 2); }, 0, u"ab", __LINE__},
      {[](auto& b) { return _tcsncpy_s(b, u"abcdefgh", 6); }, ERANGE, u"", __LINE__},
      {[](auto& b) { return _tcscpy_s(b, nullptr); }, EINVAL, u"", __LINE__},
  };
  for (const auto& c : cases) {
    fill();
    EXPECT_EQ(c.op(buf), c.want) << "line " << c.line;
    EXPECT_EQ(std::u16string(buf), c.text) << "line " << c.line;
  }

  // _tcsncpy pads with zeros and leaves a longer source unterminated.
  fill();
  _tcsncpy(buf, u"ab", 4);
  EXPECT_EQ(std::u16string(buf, 5), std::u16string(u"ab\0\0#", 5));
  fill();
  _tcsncpy(buf, u"abcdef", 3);
  EXPECT_EQ(std::u16string(buf, 4), u"abc#");
}

TEST(WStr, NumberParsingStopsAndClamps) {
  struct Case {
    const char16_t* text;
    int base;
    long long want;  // _tcstol (32-bit)
    int consumed;
  } cases[] = {
      {u"  42xyz", 10, 42, 4},
      {u"-17", 10, -17, 3},
      {u"+8", 10, 8, 2},
      {u"0x1F", 16, 31, 4},
      {u"0x1F", 0, 31, 4},
      {u"017", 0, 15, 3},
      {u"0xg", 16, 0, 1},  // "0x" without a hex digit: only the 0 counts
      {u"zz", 36, 35 * 36 + 35, 2},
      {u"abc", 10, 0, 0},  // no number: end is the start
      {u"", 10, 0, 0},
      {u"2147483648", 10, 2147483647, 10},  // clamped
      {u"-2147483649", 10, -2147483647LL - 1, 11},
      {u"\u3000 9", 10, 9, 3},  // wide space is white space
  };
  for (const auto& c : cases) {
    char16_t* end = nullptr;
    EXPECT_EQ(_tcstol(c.text, &end, c.base), c.want) << std::u16string(c.text).size();
    EXPECT_EQ(end - c.text, c.consumed);
  }
  errno = 0;
  _tcstol(u"99999999999", nullptr, 10);
  EXPECT_EQ(errno, ERANGE);

  EXPECT_EQ(_wtoi(u" -12abc"), -12);
  EXPECT_EQ(_wtol(u"99999999999"), 2147483647);
  EXPECT_EQ(_wtoi(nullptr), 0);
  EXPECT_EQ(_ttoi64(u"-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(_tcstoul(u"-1", nullptr, 10), 4294967295ul);
  EXPECT_EQ(_tcstoui64(u"18446744073709551616", nullptr, 10), UINT64_MAX);

  char16_t* end = nullptr;
  EXPECT_DOUBLE_EQ(_tcstod(u"  1.5e3xyz", &end), 1500.0);
  EXPECT_EQ(std::u16string(end), u"xyz");
  EXPECT_DOUBLE_EQ(_wtof(u"-0.25"), -0.25);
  EXPECT_DOUBLE_EQ(_wtof(u"3,5"), 3.0);  // '.' is the only decimal point
  EXPECT_DOUBLE_EQ(_wtof(u"x"), 0.0);
}

TEST(WStr, NumberPrinting) {
  char16_t buf[72];
  EXPECT_EQ(std::u16string(_itot(-42, buf, 10)), u"-42");
  EXPECT_EQ(std::u16string(_itot(-1, buf, 16)), u"ffffffff");  // two's complement outside base 10
  EXPECT_EQ(std::u16string(_itot(255, buf, 2)), u"11111111");
  EXPECT_EQ(std::u16string(_ltot(-2147483647L - 1, buf, 10)), u"-2147483648");
  EXPECT_EQ(std::u16string(_ultot(4294967295ul, buf, 36)), u"1z141z3");
  EXPECT_EQ(std::u16string(_i64tot(INT64_MIN, buf, 10)), u"-9223372036854775808");
  EXPECT_EQ(std::u16string(_ui64tot(UINT64_MAX, buf, 16)), u"ffffffffffffffff");

  char16_t small[4];
  EXPECT_EQ(_itot_s(123, small, 4, 10), 0);
  EXPECT_EQ(std::u16string(small), u"123");
  EXPECT_EQ(_itot_s(-123, small, 4, 10), ERANGE);
  EXPECT_EQ(small[0], u'\0');
  EXPECT_EQ(_itot_s(1, small, 4, 1), EINVAL);
}

TEST(WStr, ComparisonSearchAndCharacters) {
  EXPECT_EQ(lstrlen(nullptr), 0);
  EXPECT_EQ(lstrcmpi(u"\u00c9cole", u"\u00e9COLE"), 0);
  EXPECT_LT(lstrcmp(u"abc", u"abd"), 0);
  EXPECT_GT(_tcscmp(u"b", nullptr), 0);
  EXPECT_EQ(_wcsnicmp(u"HELLO world", u"hello there", 5), 0);
  EXPECT_NE(_wcsnicmp(u"HELLO world", u"hello there", 7), 0);
  EXPECT_LT(_wcsicmp(u"_", u"A"), 0);  // compares lower-case forms

  const char16_t* s = u"a/b/c";
  EXPECT_EQ(_tcschr(s, u'/'), s + 1);
  EXPECT_EQ(_tcsrchr(s, u'/'), s + 3);
  EXPECT_EQ(_tcschr(s, u'\0'), s + 5);
  EXPECT_EQ(_tcsstr(s, u"b/"), s + 2);
  EXPECT_EQ(_tcsstr(s, u"x"), nullptr);
  EXPECT_EQ(_tcspbrk(s, u"cb"), s + 2);
  EXPECT_EQ(_tcsspn(u"aab", u"a"), 2u);
  EXPECT_EQ(_tcscspn(u"aab", u"b"), 2u);

  EXPECT_EQ(_totupper(u'\u00e9'), u'\u00c9');
  EXPECT_EQ(_totlower(0x1F600), 0x1F600);  // outside one unit: unchanged
  EXPECT_TRUE(_istspace(u'\u00a0'));
  EXPECT_FALSE(_istspace(u'x'));
  EXPECT_TRUE(IsCharAlpha(u'\u4e2d'));
  EXPECT_FALSE(IsCharAlpha(u'1'));
  EXPECT_TRUE(IsCharAlphaNumeric(u'1'));
  EXPECT_TRUE(IsCharUpper(u'\u00c9'));
  EXPECT_TRUE(IsCharLower(u'\u00e9'));

  char16_t text[] = u"\u00e9t\u00e9";
  EXPECT_EQ(CharUpper(text), text);
  EXPECT_EQ(std::u16string(text), u"\u00c9T\u00c9");
  // A pointer whose high word is zero carries one character.
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(CharLower(reinterpret_cast<LPWSTR>(std::uintptr_t{u'\u00c9'}))),
            std::uintptr_t{u'\u00e9'});

  const char16_t* pair = u"a\U0001F600b";
  EXPECT_EQ(CharNext(pair), pair + 1);
  EXPECT_EQ(CharNext(pair + 1), pair + 3);  // the pair is one step
  EXPECT_EQ(CharNext(pair + 4), pair + 4);  // at the terminator: stays
  EXPECT_EQ(CharPrev(pair, pair + 3), pair + 1);
  EXPECT_EQ(CharPrev(pair, pair), pair);

  char16_t* dup = _tcsdup(u"copy");
  EXPECT_EQ(std::u16string(dup), u"copy");
  std::free(dup);
}

}  // namespace
