// CString: construction, explicit lengths with zero units, searching and
// editing with the framework's clamping rules, tokenizing, case, buffers,
// string resources and arguments that point into the string itself.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/base/bstr.h"
#include "platform/base/cstring.h"
#include "platform/base/utf.h"

namespace {

CString Z(const char16_t* s, int n) { return CString(s, n); }  // explicit length, zeros allowed

TEST(CString, ConstructionFromEveryKindOfSource) {
  struct Case {
    CString got;
    std::u16string want;
    int line;
  } cases[] = {
      {CString(), u"", __LINE__},
      {CString(static_cast<const char16_t*>(nullptr)), u"", __LINE__},
      {CString(nullptr), u"", __LINE__},
      {CString(u"wide"), u"wide", __LINE__},
      {CString(u"abcdef", 3), u"abc", __LINE__},
      {CString(u"abc", -1), u"", __LINE__},
      {CString(u'x', 3), u"xxx", __LINE__},
      {CString(u'x', 0), u"", __LINE__},
      {CString("caf\xC3\xA9 \xE4\xB8\xAD"), u"caf\u00e9 \u4e2d", __LINE__},  // narrow is UTF-8
      {CString("a\xFF"
               "b"),
       u"a\xFFFD"
       "b",
       __LINE__},  // invalid bytes replaced
      {CString("abc\xC3\xA9", 5),
       u"ab"
       u"c\u00e9",
       __LINE__},
      {CString('n', 2), u"nn", __LINE__},
      {CString(CStringA("\xE4\xB8\xAD")), u"\u4e2d", __LINE__},
      {FromUtf8("\xF0\x9F\x98\x80"), u"\U0001F600", __LINE__},
      {CString(u"a") + u"b" + u'c' + CString(u"d") + "\xC3\xA9", u"abcd\u00e9", __LINE__},
      {u'<' + CString(u"x") + u'>', u"<x>", __LINE__},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got.Str(), c.want) << "line " << c.line;

  CStringA narrow(CString(u"\u4e2d\xD800"));  // lone surrogate becomes U+FFFD
  EXPECT_EQ(narrow.Str(), "\xE4\xB8\xAD\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8(CString(u"caf\u00e9")), "caf\xC3\xA9");
}

TEST(CString, ZeroUnitsSurviveWhenLengthsAreExplicit) {
  CString s = Z(u"a\0b", 3);
  ASSERT_EQ(s.GetLength(), 3);
  CString copy = s;
  copy += Z(u"\0c", 2);
  EXPECT_EQ(copy.GetLength(), 5);
  EXPECT_EQ(copy.Find(u'c'), 4);
  EXPECT_EQ(copy.Mid(1, 3), Z(u"\0b\0", 3));
  EXPECT_NE(s, Z(u"a\0c", 3));  // comparison does not stop at the zero
  EXPECT_LT(s, Z(u"a\0c", 3));
  EXPECT_NE(s, CString(u"a"));
  EXPECT_EQ(s.Compare(u"a"), 1);  // as a C string the argument is shorter
  EXPECT_EQ((s + s).GetLength(), 6);
  CString r = s;
  r.MakeReverse();
  EXPECT_EQ(r, Z(u"b\0a", 3));
  EXPECT_EQ(r.Replace(u'\0', u'_'), 1);
  EXPECT_EQ(r, u"b_a");

  BSTR b = s.AllocSysString();
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_EQ(b[1], u'\0');
  EXPECT_EQ(b[2], u'b');
  SysFreeString(b);

  // ReleaseBuffer(-1) takes the C-string length, ReleaseBuffer(n) exactly n.
  CString buf;
  char16_t* p = buf.GetBuffer(10);
  p[0] = u'x';
  p[1] = 0;
  p[2] = u'y';
  buf.ReleaseBuffer();
  EXPECT_EQ(buf, u"x");
  p = buf.GetBuffer(10);
  p[1] = 0;
  p[2] = u'y';
  buf.ReleaseBuffer(3);
  EXPECT_EQ(buf, Z(u"x\0y", 3));
}

TEST(CString, SearchingWithStartPositions) {
  const CString s(u"abcabc");
  struct Case {
    int got, want, line;
  } cases[] = {
      {s.Find(u'b'), 1, __LINE__},
      {s.Find(u'b', 2), 4, __LINE__},
      {s.Find(u'b', 5), -1, __LINE__},
      {s.Find(u'a', 6), -1, __LINE__},   // start at the end
      {s.Find(u'a', -1), -1, __LINE__},  // negative start
      {s.Find(u"ca"), 2, __LINE__},
      {s.Find(u"abc", 1), 3, __LINE__},
      {s.Find(u"abcd"), -1, __LINE__},
      {s.Find(u""), 0, __LINE__},  // the empty string is found where the search starts
      {s.Find(u"", 6), 6, __LINE__},
      {s.Find(u"", 7), -1, __LINE__},
      {s.Find(static_cast<const char16_t*>(nullptr), 2), 2, __LINE__},
      {s.ReverseFind(u'a'), 3, __LINE__},
      {s.ReverseFind(u'z'), -1, __LINE__},
      {s.FindOneOf(u"xyc"), 2, __LINE__},
      {s.FindOneOf(u"xyz"), -1, __LINE__},
      {s.FindOneOf(u""), -1, __LINE__},
      {CString().Find(u""), 0, __LINE__},
      {CString().Find(u'a'), -1, __LINE__},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << "line " << c.line;
}

TEST(CString, ExtractionClampsOutOfRangeArguments) {
  const CString s(u"hello");
  struct Case {
    CString got;
    const char16_t* want;
    int line;
  } cases[] = {
      {s.Mid(1, 3), u"ell", __LINE__},
      {s.Mid(1), u"ello", __LINE__},
      {s.Mid(-3, 2), u"he", __LINE__},
      {s.Mid(3, 100), u"lo", __LINE__},
      {s.Mid(5), u"", __LINE__},
      {s.Mid(9, 2), u"", __LINE__},
      {s.Mid(2, -1), u"", __LINE__},
      {s.Left(2), u"he", __LINE__},
      {s.Left(-1), u"", __LINE__},
      {s.Left(99), u"hello", __LINE__},
      {s.Right(3), u"llo", __LINE__},
      {s.Right(0), u"", __LINE__},
      {s.Right(99), u"hello", __LINE__},
      {s.Right(-2), u"", __LINE__},
      {s.SpanIncluding(u"leh"), u"hell", __LINE__},
      {s.SpanIncluding(u"x"), u"", __LINE__},
      {s.SpanExcluding(u"ol"), u"he", __LINE__},
      {s.SpanExcluding(u""), u"hello", __LINE__},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << "line " << c.line;
  EXPECT_EQ(s.GetAt(4), u'o');
  EXPECT_EQ(s[0], u'h');
  EXPECT_EQ(s[static_cast<std::size_t>(1)], u'e');
}

TEST(CString, EditingReturnsTheFrameworkCounts) {
  struct Case {
    std::u16string start;
    std::function<int(CString&)> edit;
    int wantCount;
    const char16_t* want;
    int line;
  } cases[] = {
      {u"a-b-c", [](CString& s) { return s.Replace(u'-', u'+'); }, 2, u"a+b+c", __LINE__},
      {u"a-b", [](CString& s) { return s.Replace(u'x', u'+'); }, 0, u"a-b", __LINE__},
      {u"aaa", [](CString& s) { return s.Replace(u"aa", u"b"); }, 1, u"ba", __LINE__},            // no overlap
      {u"abab", [](CString& s) { return s.Replace(u"ab", u"abab"); }, 2, u"abababab", __LINE__},  // grows, no loop
      {u"abc", [](CString& s) { return s.Replace(u"", u"x"); }, 0, u"abc", __LINE__},
      {u"a.b.c", [](CString& s) { return s.Replace(u".", nullptr); }, 2, u"abc", __LINE__},
      {u"banana", [](CString& s) { return s.Remove(u'a'); }, 3, u"bnn", __LINE__},
      {u"ac", [](CString& s) { return s.Insert(1, u'b'); }, 3, u"abc", __LINE__},
      {u"ac", [](CString& s) { return s.Insert(-5, u"<"); }, 3, u"<ac", __LINE__},
      {u"ac", [](CString& s) { return s.Insert(99, u">>"); }, 4, u"ac>>", __LINE__},
      {u"abcdef", [](CString& s) { return s.Delete(1, 2); }, 4, u"adef", __LINE__},
      {u"abcdef", [](CString& s) { return s.Delete(4, 99); }, 4, u"abcd", __LINE__},
      {u"abcdef", [](CString& s) { return s.Delete(-3); }, 5, u"bcdef", __LINE__},
      {u"abcdef", [](CString& s) { return s.Delete(9, 1); }, 6, u"abcdef", __LINE__},
      {u"abc", [](CString& s) { return s.Delete(1, -1); }, 3, u"abc", __LINE__},
      // The argument points into the string being edited.
      {u"xy", [](CString& s) { return s.Insert(1, s.GetString()); }, 4, u"xxyy", __LINE__},
      {u"xyz", [](CString& s) { return s.Replace(s.GetString() + 1, s.GetString()); }, 1, u"xxyz", __LINE__},
      {u"abc",
       [](CString& s) {
         s.SetString(s.GetString() + 1);
         return s.GetLength();
       },
       2, u"bc", __LINE__},
      {u"ab",
       [](CString& s) {
         s += s.GetString();
         return s.GetLength();
       },
       4, u"abab", __LINE__},
  };
  for (const auto& c : cases) {
    CString s(c.start);
    EXPECT_EQ(c.edit(s), c.wantCount) << "line " << c.line;
    EXPECT_EQ(s, c.want) << "line " << c.line;
  }
}

TEST(CString, TrimmingWhitespaceCharsAndSets) {
  struct Case {
    CString got;
    const char16_t* want;
    int line;
  } cases[] = {
      {CString(u" \t\r\n x y \u3000\u00a0").Trim(), u"x y", __LINE__},
      {CString(u"  x  ").TrimLeft(), u"x  ", __LINE__},
      {CString(u"  x  ").TrimRight(), u"  x", __LINE__},
      {CString(u"--x--").Trim(u'-'), u"x", __LINE__},
      {CString(u"--x--").TrimLeft(u'-'), u"x--", __LINE__},
      {CString(u"<[x]>").Trim(u"<>[]"), u"x", __LINE__},
      {CString(u"<[x]>").TrimRight(u"]>"), u"<[x", __LINE__},
      {CString(u"   ").Trim(), u"", __LINE__},
      {CString(u"x").Trim(u""), u"x", __LINE__},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << "line " << c.line;
}

std::vector<std::u16string> Tokens(const CString& s, const char16_t* delims) {
  std::vector<std::u16string> out;
  int pos = 0;
  for (int guard = 0; guard < 100; ++guard) {
    CString tok = s.Tokenize(delims, pos);
    if (pos == -1) {
      EXPECT_TRUE(tok.IsEmpty());
      return out;
    }
    out.push_back(tok.Str());
  }
  ADD_FAILURE() << "Tokenize did not finish";
  return out;
}

TEST(CString, TokenizeSkipsRunsOfDelimitersAndEnds) {
  using V = std::vector<std::u16string>;
  EXPECT_EQ(Tokens(u"a,b;c", u",;"), (V{u"a", u"b", u"c"}));
  EXPECT_EQ(Tokens(u",,a,,b,,", u","), (V{u"a", u"b"}));
  EXPECT_EQ(Tokens(u",,,", u","), V{});
  EXPECT_EQ(Tokens(u"", u","), V{});
  EXPECT_EQ(Tokens(u"one", u","), V{u"one"});
  EXPECT_EQ(Tokens(u"one two", u""), V{u"one two"});  // no delimiters: one token, then the end
  EXPECT_EQ(Tokens(u"x y", nullptr), V{u"x y"});

  int pos = 3;
  EXPECT_EQ(CString(u"ab,cd").Tokenize(u",", pos), u"cd");
  EXPECT_EQ(pos, 6);
  pos = 99;
  EXPECT_TRUE(CString(u"ab").Tokenize(u",", pos).IsEmpty());
  EXPECT_EQ(pos, -1);
  pos = -1;
  EXPECT_TRUE(CString(u"ab").Tokenize(u",", pos).IsEmpty());
  EXPECT_EQ(pos, -1);
}

TEST(CString, CaseMappingAndCaseInsensitiveComparison) {
  EXPECT_EQ(CString(u"Stra\u00dfe \u00e9t\u00e9 \u00ff \u0434\u043e\u043c i").MakeUpper(),
            u"STRA\u00dfE \u00c9T\u00c9 \u0178 \u0414\u041e\u041c I");  // sharp s has no one-unit capital
  EXPECT_EQ(CString(u"\u00c9T\u00c9 \u0394 ABC").MakeLower(), u"\u00e9t\u00e9 \u03b4 abc");
  EXPECT_EQ(CString(u"\U0001F600").MakeUpper(), u"\U0001F600");  // surrogates unchanged

  struct Case {
    const char16_t* a;
    const char16_t* b;
    int cmp, nocase;
  } cases[] = {
      {u"abc", u"abc", 0, 0},   {u"abc", u"ABC", 1, 0},  {u"\u00c4bc", u"\u00e4BC", -1, 0},
      {u"abc", u"abd", -1, -1}, {u"ab", u"abc", -1, -1}, {u"b", u"A", 1, 1},
      {u"_", u"A", 1, -1},  // no case compares lower-case forms: '_' sorts before letters
      {u"", u"", 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CString(c.a).Compare(c.b), c.cmp) << CString(c.a) << " vs " << CString(c.b);
    EXPECT_EQ(CString(c.a).CompareNoCase(c.b), c.nocase) << CString(c.a) << " vs " << CString(c.b);
    EXPECT_EQ(CString(c.a).Collate(c.b), c.cmp);
    EXPECT_EQ(CString(c.a).CollateNoCase(c.b), c.nocase);
  }
}

TEST(CString, BuffersKeepTextAndGrow) {
  CString s(u"abc");
  char16_t* p = s.GetBufferSetLength(5);
  p[3] = u'd';
  p[4] = u'e';
  s.ReleaseBuffer();
  EXPECT_EQ(s, u"abcde");

  s.Preallocate(1000);
  EXPECT_GE(s.GetAllocLength(), 1000);
  EXPECT_EQ(s, u"abcde");
  s.FreeExtra();
  EXPECT_EQ(s, u"abcde");

  // A smaller request keeps the text.
  p = s.GetBuffer(2);
  EXPECT_EQ(std::u16string(p), u"abcde");
  s.ReleaseBuffer();
  EXPECT_EQ(s, u"abcde");

  s.ReleaseBufferSetLength(2);
  EXPECT_EQ(s, u"ab");
  s.Truncate(1);
  EXPECT_EQ(s, u"a");
  s.SetAt(0, u'z');
  s.SetAt(5, u'q');  // out of range: ignored
  EXPECT_EQ(s, u"z");
}

TEST(CString, StringResourcesThroughTheLoader) {
  static const std::map<UINT, std::u16string> table = {{101, u"Hello"}, {102, u"%s has %d items"}};
  PvSetStringResourceLoader([](UINT id, std::u16string& out) {
    auto it = table.find(id);
    if (it == table.end()) return false;
    out = it->second;
    return true;
  });
  CString s(u"unchanged");
  EXPECT_FALSE(s.LoadString(999));
  EXPECT_EQ(s, u"unchanged");
  EXPECT_TRUE(s.LoadString(101));
  EXPECT_EQ(s, u"Hello");
  EXPECT_EQ(CString(MAKEINTRESOURCE(101)), u"Hello");
  s.Format(102u, u"List", 3);
  EXPECT_EQ(s, u"List has 3 items");
  PvSetStringResourceLoader(nullptr);
  EXPECT_FALSE(s.LoadString(101));
}

}  // namespace
