// Code-page conversion: round trips, the replacement rules for invalid
// input, buffer and parameter errors, and iconv-backed code pages.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/codepage.h"
#include "platform/base/lasterror.h"

namespace {

// Converts with a size query first, as callers do.
std::u16string ToWide(UINT cp, const std::string& bytes, DWORD flags = 0) {
  int n = MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n == 0) return u"<fail>";
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  EXPECT_EQ(MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n), n);
  return out;
}

std::string ToNarrow(UINT cp, const std::u16string& text, DWORD flags = 0, const char* def = nullptr,
                     BOOL* usedDefault = nullptr) {
  int n = WideCharToMultiByte(cp, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, def, usedDefault);
  if (n == 0) return "<fail>";
  std::string out(static_cast<std::size_t>(n), '\0');
  EXPECT_EQ(WideCharToMultiByte(cp, flags, text.data(), static_cast<int>(text.size()), out.data(), n, def, usedDefault),
            n);
  return out;
}

TEST(CodePage, AnsiIsUtf8AndEverythingRoundTrips) {
  EXPECT_EQ(GetACP(), 65001u);
  const std::u16string texts[] = {u"plain",
                                  u"caf\u00e9",
                                  u"\u4e2d\u6587\u540d",
                                  u"\U0001F600 emoji",
                                  std::u16string(u"zero\0inside", 11),
                                  u"\xFEFF"
                                  u"bom"};
  for (const auto& t : texts) {
    for (UINT cp : {CP_ACP, CP_THREAD_ACP, CP_UTF8}) {
      std::string bytes = ToNarrow(cp, t);
      EXPECT_EQ(ToWide(cp, bytes), t) << "code page " << cp;
    }
  }
  EXPECT_EQ(ToNarrow(CP_ACP, u"\u4e2d"), "\xE4\xB8\xAD");

  // -1: the terminator is converted and counted.
  char16_t wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab\xC3\xA9", -1, nullptr, 0), 4);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab\xC3\xA9", -1, wide, 8), 4);
  EXPECT_EQ(std::u16string(wide, 4), std::u16string(u"ab\u00e9\0", 4));
  char narrow[8];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00e9", -1, narrow, 8, nullptr, nullptr), 3);
  EXPECT_EQ(std::string(narrow, 3), std::string("\xC3\xA9\0", 3));
}

TEST(CodePage, InvalidUtf8IsReplacedOrRefused) {
  struct Case {
    std::string in;
    std::u16string want;
  } cases[] = {
      {"a\x80"
       "b",
       u"a\xFFFD"
       "b"},                // stray continuation byte
      {"\xC3", u"\xFFFD"},  // cut short at the end
      {"\xE4\xB8"
       "a",
       u"\xFFFD"
       "a"},  // one replacement per maximal subpart
      {"\xF0\x9F\x98"
       "x",
       u"\xFFFD"
       "x"},
      {"\xC0\xAF", u"\xFFFD\xFFFD"},                      // overlong
      {"\xE0\x80\xAF", u"\xFFFD\xFFFD\xFFFD"},            // overlong, three bytes
      {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},            // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},  // above U+10FFFF
      {"\xFF\xFE", u"\xFFFD\xFFFD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToWide(CP_UTF8, c.in), c.want) << "input " << testing::PrintToString(c.in);
    SetLastError(0);
    EXPECT_EQ(
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.in.data(), static_cast<int>(c.in.size()), nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  }
}

TEST(CodePage, UnpairedSurrogatesBecomeReplacementInUtf8) {
  EXPECT_EQ(ToNarrow(CP_UTF8,
                     u"a\xD800"
                     "b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(ToNarrow(CP_UTF8, u"\xDC00"), "\xEF\xBF\xBD");
  EXPECT_EQ(ToNarrow(CP_UTF8, u"x\xD83D"), "x\xEF\xBF\xBD");                  // high surrogate at the end
  EXPECT_EQ(ToNarrow(CP_UTF8, u"\xDE00\xD83D"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // reversed pair
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, u"a\xD800", 2, nullptr, 0, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);

  // The ANSI code page reports the replacement and honours a default char.
  BOOL used = FALSE;
  EXPECT_EQ(ToNarrow(CP_ACP,
                     u"a\xD800"
                     "b",
                     0, nullptr, &used),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_TRUE(used);
  used = TRUE;
  EXPECT_EQ(ToNarrow(CP_ACP, u"ok\U0001F600", 0, nullptr, &used), "ok\xF0\x9F\x98\x80");
  EXPECT_FALSE(used);
  EXPECT_EQ(ToNarrow(CP_ACP,
                     u"a\xD800"
                     "b",
                     WC_NO_BEST_FIT_CHARS, "?", &used),
            "a?b");
  EXPECT_TRUE(used);
}

TEST(CodePage, ParameterAndBufferErrors) {
  char16_t w[4];
  char n[4];
  BOOL used;
  struct Case {
    const char* what;
    std::function<int()> call;
    DWORD error;
  } cases[] = {
      {"null source", [&] { return MultiByteToWideChar(CP_UTF8, 0, nullptr, 3, w, 4); }, ERROR_INVALID_PARAMETER},
      {"zero length", [&] { return MultiByteToWideChar(CP_UTF8, 0, "abc", 0, w, 4); }, ERROR_INVALID_PARAMETER},
      {"bad length", [&] { return MultiByteToWideChar(CP_UTF8, 0, "abc", -2, w, 4); }, ERROR_INVALID_PARAMETER},
      {"output too small", [&] { return MultiByteToWideChar(CP_UTF8, 0, "abcde", 5, w, 4); },
       ERROR_INSUFFICIENT_BUFFER},
      {"flags on UTF-8", [&] { return MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "abc", 3, w, 4); },
       ERROR_INVALID_FLAGS},
      {"unknown code page", [&] { return MultiByteToWideChar(4242, 0, "abc", 3, w, 4); }, ERROR_INVALID_PARAMETER},
      {"wide null source", [&] { return WideCharToMultiByte(CP_UTF8, 0, nullptr, 1, n, 4, nullptr, nullptr); },
       ERROR_INVALID_PARAMETER},
      {"narrow too small", [&] { return WideCharToMultiByte(CP_UTF8, 0, u"\u4e2d\u6587", 2, n, 4, nullptr, nullptr); },
       ERROR_INSUFFICIENT_BUFFER},
      {"used-default on UTF-8", [&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, n, 4, nullptr, &used); },
       ERROR_INVALID_PARAMETER},
      {"best-fit flag on UTF-8",
       [&] { return WideCharToMultiByte(CP_UTF8, WC_NO_BEST_FIT_CHARS, u"a", 1, n, 4, nullptr, nullptr); },
       ERROR_INVALID_FLAGS},
      {"unknown code page", [&] { return WideCharToMultiByte(4242, 0, u"a", 1, n, 4, nullptr, nullptr); },
       ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_EQ(c.call(), 0) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
  // Output that exactly fits succeeds.
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abcd", 4, w, 4), 4);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"ab", 2, n, 2, nullptr, nullptr), 2);
}

TEST(CodePage, OtherCodePagesGoThroughIconv) {
  // 936 (simplified Chinese).
  EXPECT_EQ(ToNarrow(936, u"\u4e2d\u6587 ok"), "\xD6\xD0\xCE\xC4 ok");
  EXPECT_EQ(ToWide(936, "\xD6\xD0\xCE\xC4 ok"), u"\u4e2d\u6587 ok");
  EXPECT_EQ(ToWide(936, "a\x81"), u"a\xFFFD");  // a lead byte cut short
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, "a\x81", 2, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);

  // 1252 (western): defined bytes, unmappable characters and default chars.
  EXPECT_EQ(ToNarrow(1252, u"caf\u00e9 \u20ac"), "caf\xE9 \x80");
  EXPECT_EQ(ToWide(1252, "caf\xE9 \x80"), u"caf\u00e9 \u20ac");
  BOOL used = FALSE;
  EXPECT_EQ(ToNarrow(1252, u"a\u4e2d\U0001F600b", 0, nullptr, &used), "a??b");  // a pair is one character
  EXPECT_TRUE(used);
  EXPECT_EQ(ToNarrow(1252, u"a\u4e2d", WC_NO_BEST_FIT_CHARS, "#", &used), "a#");
  EXPECT_EQ(ToNarrow(1252,
                     u"a\xD800"
                     "b",
                     0, nullptr, &used),
            "a?b");
  used = TRUE;
  EXPECT_EQ(ToNarrow(1252, u"plain", 0, nullptr, &used), "plain");
  EXPECT_FALSE(used);

  // 1200 is UTF-16LE as bytes.
  EXPECT_EQ(ToWide(1200, std::string("A\0\x2d\x4e", 4)), u"A\u4e2d");
  EXPECT_EQ(ToNarrow(1200, u"A\u4e2d"), std::string("A\0\x2d\x4e", 4));

  EXPECT_TRUE(IsValidCodePage(936));
  EXPECT_TRUE(IsValidCodePage(CP_UTF8));
  EXPECT_FALSE(IsValidCodePage(4242));
}

TEST(LastError, IsPerThread) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  DWORD seen = 99;
  std::thread t([&] {
    seen = GetLastError();
    SetLastError(ERROR_ACCESS_DENIED);
  });
  t.join();
  EXPECT_EQ(seen, 0u);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
