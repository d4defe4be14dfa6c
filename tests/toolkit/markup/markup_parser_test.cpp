// The pull parser: token sequences, character references, sections, line
// counting, exact error messages, 8-bit input and its limits. Every token
// read through Tokens() also checks that the views of its name and value
// hold what the null-terminated forms hold.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "toolkit/markup/markupparser.h"

namespace {

std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    if (c < 0x80) out += static_cast<char>(c);
    else out += "\\u" + std::to_string(static_cast<int>(c));
  }
  return out;
}

// Renders the tokens of a text as "kind:text" strings, up to and including
// the end or the first error.
std::vector<std::string> Tokens(const std::u16string& text, int nMax = 200) {
  CTKMarkupParser p;
  p.SetBuffer(text.data(), text.data() + text.size());
  std::vector<std::string> out;
  for (int i = 0; i < nMax; i++) {
    int t = p.NextToken();
    std::u16string_view value = p.GetValueView();  // taken before the copy is asked for
    EXPECT_EQ(std::u16string(value), std::u16string(p.GetValueText())) << "token " << i << " of " << Narrow(text);
    EXPECT_EQ(static_cast<int>(value.size()), p.GetValueLength());
    EXPECT_EQ(std::u16string(p.GetTagNameView()), std::u16string(p.GetTagName()));
    EXPECT_EQ(std::u16string(p.GetAttributeNameView()), std::u16string(p.GetAttributeName()));
    switch (t) {
      case 0:
        out.push_back("eof");
        return out;
      case 1:
        out.push_back("start:" + Narrow(p.GetTagName()));
        break;
      case 2:
        out.push_back("end:" + Narrow(p.GetTagName()));
        break;
      case 3:
        out.push_back("attr:" + Narrow(p.GetAttributeName()) + "=" + Narrow(p.GetValueText()));
        break;
      case 4:
        out.push_back("text:" + Narrow(p.GetValueText()));
        break;
      case 5:
        out.push_back("ws");
        break;
      case 6:
        out.push_back("body:" + Narrow(p.GetValueText()));
        break;
      case -1:
        out.push_back("error:" + Narrow(p.GetValueText()));
        return out;
      default:
        out.push_back("sec" + std::to_string(t));
        break;
    }
  }
  out.push_back("...");
  return out;
}

using V = std::vector<std::string>;

TEST(MarkupParser, TokenSequences) {
  struct Case {
    const char16_t* text;
    V tokens;
  } cases[] = {
      {u"<a/>", {"start:a", "end:a", "eof"}},
      {u"<a  >x</a  >", {"start:a", "text:x", "end:a", "eof"}},
      {u"<a x='1' y=\"2\"/>", {"start:a", "attr:x=1", "attr:y=2", "end:a", "eof"}},
      {u"<a x = '1'/>", {"start:a", "attr:x=1", "end:a", "eof"}},
      {u"<a>a &amp; b</a>", {"start:a", "text:a", "ws", "text:&", "ws", "text:b", "end:a", "eof"}},
      {u"<a>x&lt;y</a>", {"start:a", "text:x", "text:<y", "end:a", "eof"}},
      {u"<!---->", {"sec7", "body:", "sec8", "eof"}},
      {u"<![CDATA[<b>]]>", {"sec9", "body:<b>", "sec10", "eof"}},
      {u"<?xml version = '1.0'?>", {"sec11", "body:xmlversion='1.0'", "sec12", "eof"}},
      {u"<!DOCTYPE x>", {"start:!DOCTYPE", "attr-error"}},
      {u"<>", {"start:", "eof"}},
      {u"<x:Name a.b='v'/>", {"start:x:Name", "attr:a.b=v", "end:x:Name", "eof"}},
  };
  for (const Case& c : cases) {
    V got = Tokens(c.text);
    if (c.tokens.back() == "attr-error") {
      ASSERT_GE(got.size(), 2u);
      EXPECT_EQ(got[0], c.tokens[0]);
      EXPECT_EQ(got[1].substr(0, 6), "error:") << Narrow(c.text);
      continue;
    }
    EXPECT_EQ(got, c.tokens) << Narrow(c.text);
  }
}

TEST(MarkupParser, CharacterReferences) {
  struct Case {
    const char16_t* text;
    const char* value;
  } cases[] = {
      {u"&#65;", "A"},     {u"&#x41;", "A"},          {u"&#0101;", "A"},
      {u"&#x;", "&#x;"},   {u"&nbsp;", "&nbsp;"},     {u"&gt;&lt;&quot;&apos;", "><\"'"},
      {u"&#0;", "&#0;"},   {u"&#65536;", "&#65536;"},  // low 16 bits are 0
      {u"&#x10041;", "A"}, {u"&#-1;", "\\u65535"},    {u"&AMP;", "&AMP;"},
  };
  for (const Case& c : cases) {
    std::u16string text = u"<a>" + std::u16string(c.text) + u"</a>";
    V got = Tokens(text);
    std::string joined;
    for (size_t i = 1; i + 2 < got.size(); i++) joined += got[i].substr(5);
    EXPECT_EQ(joined, c.value) << Narrow(c.text);
  }
}

TEST(MarkupParser, ReferenceScanStopsAtQuoteTagAndWhiteSpace) {
  // A stray '&' never swallows the closing quote, the next attribute, a tag
  // or the text after it; the text stays as written.
  EXPECT_EQ(Tokens(u"<a t=\"a & b\" u='c&d'/>"), (V{"start:a", "attr:t=a & b", "attr:u=c&d", "end:a", "eof"}));
  EXPECT_EQ(Tokens(u"<a t=\"x&\"/>"), (V{"start:a", "attr:t=x&", "end:a", "eof"}));
  EXPECT_EQ(Tokens(u"<a>R&D</a>"), (V{"start:a", "text:R", "text:&D", "end:a", "eof"}));
  EXPECT_EQ(Tokens(u"<a>x &y</a><b/>"), (V{"start:a", "text:x", "ws", "text:&y", "end:a", "start:b", "end:b", "eof"}));
  // 31 characters without ';' stay as written, nothing added.
  std::u16string longName(40, u'z');
  EXPECT_EQ(Tokens(u"<a>&" + longName + u"</a>"), (V{"start:a", "text:&" + std::string(40, 'z'), "end:a", "eof"}));
}

TEST(MarkupParser, ErrorMessagesAreExact) {
  struct Case {
    const char16_t* text;
    const char* message;
  } cases[] = {
      {u"<a></", "Unexpected end of file has occurred."},
      {u"<a></a", "Unexpected end of file has occurred."},
      {u"<a></a b>", "Unexpected token. The expected token is '>'"},
      {u"<a/x>", "Unexpected token. The expected token is '>'"},
      {u"<a b>", "'>' is an unexpected token. The expected token is '='"},
      {u"<a b<", "'<' is an unexpected token. The expected token is '='"},
      {u"<a b c='1'/>", "Unexpected token. The expected token is '='"},
      {u"<a b=1/>", "Unexpected token. The expected token is '\"' or '''"},
      {u"<a b='1/>", "Unexpected token. The expected token is '\"' or '''"},
  };
  for (const Case& c : cases) {
    V got = Tokens(c.text);
    EXPECT_EQ(got.back(), std::string("error:") + c.message) << Narrow(c.text);
  }
  // End of input inside an attribute name, a comment or text is no error.
  EXPECT_EQ(Tokens(u"<a b").back(), "eof");
  EXPECT_EQ(Tokens(u"<!-- x").back(), "eof");
}

TEST(MarkupParser, LinesAndColumns) {
  std::u16string text = u"<a>\r\n<b\n c='1'/></a>";
  CTKMarkupParser p;
  p.SetBuffer(text.data(), text.data() + text.size());
  p.NextToken();  // <a
  p.NextToken();  // white space "\r\n" (CR and LF count two lines)
  EXPECT_EQ(p.GetLine(), 2);
  p.NextToken();  // <b
  p.NextToken();  // c='1'
  EXPECT_EQ(p.GetLine(), 3);
  EXPECT_EQ(p.GetColumn(), 6);
}

TEST(MarkupParser, PositionsAfterTokensAndErrors) {
  // Line and column after the given number of tokens (0: up to the end or
  // the first error). A character looked at and given back counts as read;
  // CR and LF each start a line.
  std::u16string word(21, u'w');
  struct Case {
    std::u16string text;
    int steps;
    int token, line, column;
  } cases[] = {
      {u"<a></", 0, -1, 0, 5},
      {u"<a b c='1'/>", 0, -1, 0, 6},
      {u"<a\r\nb='1'\n/x>", 0, -1, 3, 2},
      {u"<a>\r\n\r\n<b c=1/>", 0, -1, 4, 6},
      {u"<a>text\rmore</a  x>", 0, -1, 1, 10},
      {u"<a b='x\ny'\r\n c>", 0, -1, 3, 3},
      {u"<a>&amp;\n&unknown;\n</b", 0, -1, 2, 3},
      {u"<!-- a\nb --><a\n/y>", 0, -1, 2, 2},
      {u"<a>" + word + u"\n" + word + u"</a b>", 0, -1, 1, 26},
      {u"<?xml a='b'\r\n?><a b=c/>", 0, -1, 2, 8},
      {u"<a><![CDATA[x\ny]]>\n<", 0, -1, 2, 1},
      {u"<a t='&amp\n'/>", 0, 0, 1, 3},
      {u"<a\n  b='1'/>", 1, 1, 1, 3},  // the start tag: 'b' was looked at
      {u"<ab>", 1, 1, 0, 4},           // the start tag: its '>' was looked at
      {u"<a>\n<b>x", 3, 1, 1, 3},
      {u"<a>\n</a>", 3, 2, 1, 4},
      {u"<a>\n  word  </a>", 3, 4, 1, 7},  // the text: the space after it was looked at
      {u"<a>\n  word  </a>", 4, 5, 1, 9},
      {u"<a>x&lt;\ny</a>", 3, 4, 1, 0},  // a decoded reference: the line end after it was looked at
      {u"<a>x&bad y</a>", 3, 4, 0, 9},
  };
  for (const Case& c : cases) {
    CTKMarkupParser p;
    p.SetBuffer(c.text.data(), c.text.data() + c.text.size());
    int t = 0;
    for (int i = 0; c.steps == 0 || i < c.steps; i++) {
      t = p.NextToken();
      if (t <= 0) break;
    }
    EXPECT_EQ(t, c.token) << Narrow(c.text);
    EXPECT_EQ(p.GetLine(), c.line) << Narrow(c.text);
    EXPECT_EQ(p.GetColumn(), c.column) << Narrow(c.text);
  }
}

TEST(MarkupParser, RunsOfEveryLengthEndWhereTheyShould) {
  // Runs of 0 to 40 characters: the scans take several characters at a
  // time, so a run ending at each place in a block, and at the very end of
  // the text, must end exactly there. Control characters other than white
  // space belong to the run.
  for (int n = 1; n <= 40; n++) {
    std::u16string run;
    for (int i = 0; i < n; i++) run += (i % 7 == 3) ? u'\x0B' : static_cast<char16_t>(u'a' + i % 26);
    std::u16string v;
    for (int i = 0; i < n; i++) v += (i % 9 == 8) ? u'\x01' : static_cast<char16_t>(u'A' + i % 26);
    std::string runN = Narrow(run), vN = Narrow(v);
    EXPECT_EQ(Tokens(u"<a>" + run + u"<b/></a>"), (V{"start:a", "text:" + runN, "start:b", "end:b", "end:a", "eof"}));
    EXPECT_EQ(Tokens(u"<a>" + run + u" x&amp;</a>"),
              (V{"start:a", "text:" + runN, "ws", "text:x", "text:&", "end:a", "eof"}));
    EXPECT_EQ(Tokens(u"<a>" + run), (V{"start:a", "text:" + runN, "eof"}));  // the text ends with the run
    EXPECT_EQ(Tokens(u"<" + run + u" " + run + u"='" + v + u"' b=\"" + v + u"'\"/>"),
              (V{"start:" + runN, "attr:" + runN + "=" + vN, "attr:b=" + vN + "'", "end:" + runN, "eof"}));
    EXPECT_EQ(Tokens(u"<a b='" + v + u"&lt;" + v + u"'/>"), (V{"start:a", "attr:b=" + vN + "<" + vN, "end:a", "eof"}));
    EXPECT_EQ(Tokens(u"<" + run + u">"), (V{"start:" + runN, "eof"}));
    EXPECT_EQ(Tokens(u"<a>" + std::u16string(n, u' ') + u"x" + std::u16string(n, u'\n')),
              (V{"start:a", "ws", "text:x", "ws", "eof"}));
    EXPECT_EQ(Tokens(u"<!--" + run + u"-->"), (V{"sec7", "body:" + runN, "sec8", "eof"}));
  }
}

TEST(MarkupParser, ValuesLongerThanTheBufferAndDecodedLate) {
  // A value that is a view of the text until a reference near its end has
  // to be decoded: the whole value moves into the buffer, which grows.
  std::u16string longValue(3000, u'v');
  EXPECT_EQ(Tokens(u"<a b='" + longValue + u"&amp;x'/>"),
            (V{"start:a", "attr:b=" + std::string(3000, 'v') + "&x", "end:a", "eof"}));
  EXPECT_EQ(Tokens(u"<a>" + longValue + u"&#65;" + longValue + u"</a>"),
            (V{"start:a", "text:" + std::string(3000, 'v'), "text:A" + std::string(3000, 'v'), "end:a", "eof"}));
  // A value decoded from its first character grows in the buffer.
  std::u16string longerValue(5000, u'v');
  EXPECT_EQ(Tokens(u"<a>&#65;" + longerValue + u"</a>"),
            (V{"start:a", "text:A" + std::string(5000, 'v'), "end:a", "eof"}));
  EXPECT_EQ(Tokens(u"<a b='&amp;" + longerValue + u"'/>"),
            (V{"start:a", "attr:b=&" + std::string(5000, 'v'), "end:a", "eof"}));
  // An unresolved reference stays a view of the text, as written.
  EXPECT_EQ(Tokens(u"<a b='x&no;y&amp;z&#;'/>"), (V{"start:a", "attr:b=x&no;y&z&#;", "end:a", "eof"}));
}

TEST(MarkupParser, SectionsAndTheirChunks) {
  struct Case {
    std::u16string text;
    V tokens;
  } cases[] = {
      {u"<![CDATA[a]b]]c]]]>", {"sec9", "body:a]b]]c]", "sec10", "eof"}},
      {u"<!-- a - b -- c --->", {"sec7", "body: a - b -- c -", "sec8", "eof"}},
      {u"<? x ?y ? >",
       {"sec11", "body:x?y", "sec12", "eof"}},  // white space is dropped from an instruction, even in "? >"
      {u"<![CDATA[x", {"sec9", "eof"}},
      {u"<?x", {"sec11", "eof"}},
      {std::u16string(u"<!-- x\0 -->", 11), {"sec7", "eof"}},  // a 0 ends the input
      {u"</!-- x -->", {"sec7", "body: x ", "sec8", "eof"}},
      {u"<!--->", {"sec7", "eof"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Tokens(c.text), c.tokens) << Narrow(c.text);

  // Bodies longer than a chunk come in chunks of 1023 characters; a chunk
  // whose tail could start the terminator is extended until it cannot.
  auto chunks = [](const std::u16string& text) {
    CTKMarkupParser p;
    p.SetBuffer(text.data(), text.data() + text.size());
    std::vector<int> sizes;
    for (int t; (t = p.NextToken()) > 0;)
      if (t == CTKMarkupParser::tokenBody) sizes.push_back(p.GetValueLength());
    return sizes;
  };
  std::u16string c1023(1023, u'c');
  EXPECT_EQ(chunks(u"<!--" + c1023 + u"x-->"), (std::vector<int>{1023, 1}));
  EXPECT_EQ(chunks(u"<!--" + std::u16string(1022, u'c') + u"--x-->"), (std::vector<int>{1025, 0}));
  EXPECT_EQ(chunks(u"<!--" + std::u16string(1021, u'c') + u"--->"), (std::vector<int>{1022}));
  EXPECT_EQ(chunks(u"<![CDATA[" + std::u16string(1022, u'c') + u"]]]>"), (std::vector<int>{1023}));
  EXPECT_EQ(chunks(u"<![CDATA[" + std::u16string(2500, u'c') + u"]]>"), (std::vector<int>{1023, 1023, 454}));
  EXPECT_EQ(chunks(u"<?" + std::u16string(1100, u' ') + u"x?>"), (std::vector<int>{1}));
}

TEST(MarkupParser, SurrogatesAndOtherWideCharactersPassThrough) {
  // A pair is two plain characters to the tokenizer, and so is a lone half.
  const std::u16string pair = u"\xD83D\xDE00", han = u"\x4E2D";
  auto n = [](const std::u16string& s) { return Narrow(s); };
  EXPECT_EQ(Tokens(u"<a" + pair + u" b" + han + u"='" + pair + han + u"'>" + pair + u" " + u"\xD800</a" + pair + u">"),
            (V{"start:a" + n(pair), "attr:b" + n(han) + "=" + n(pair + han), "text:" + n(pair), "ws",
               "text:" + n(u"\xD800"), "end:a" + n(pair), "eof"}));
  EXPECT_EQ(Tokens(u"<a>&#xD83D;&#xDE00;</a>"),
            (V{"start:a", "text:" + n(u"\xD83D"), "text:" + n(u"\xDE00"), "end:a", "eof"}));
  EXPECT_EQ(Tokens(u"<a>x\xDBFF"), (V{"start:a", "text:x" + n(u"\xDBFF"), "eof"}));
}

TEST(MarkupParser, EightBitInputFollowsACodePageChangedBetweenTokens) {
  // As an encoding declaration does through the builder: bytes not yet
  // read are decoded in the new code page from the next token on, while a
  // character already looked at keeps its first decoding.
  struct Case {
    std::string bytes;
    int changeAfter;  // the token after which the code page becomes UTF-8 (-1: never)
    V texts;
  } cases[] = {
      {"<?xml?><a>\xC3\xA9</a>", CTKMarkupParser::tokenPIEnd, {"\\u233"}},
      {"<?xml?><a>\xC3\xA9</a>", -1, {"\\u65533\\u65533"}},
      // The white space token looked at the first byte: it stays U+FFFD, and
      // the byte after it is a stray continuation byte in UTF-8 that ends the input.
      {"<a> \xC3\xA9</a>", CTKMarkupParser::tokenWhiteSpace, {"\\u65533"}},
  };
  for (const Case& c : cases) {
    CTKMarkupParser p;
    p.SetBuffer(c.bytes.data(), c.bytes.data() + c.bytes.size());
    V got;
    for (int t; (t = p.NextToken()) > 0;) {
      if (t == c.changeAfter) p.m_nCodePage = 65001;
      if (t == CTKMarkupParser::tokenText) got.push_back(Narrow(p.GetValueText()));
    }
    EXPECT_EQ(got, c.texts) << c.bytes;
  }
}

TEST(MarkupParser, AZeroEndsTheInputForGood) {
  const std::u16string cases[] = {
      std::u16string(u"<a>x\0y</a><b/>", 14), std::u16string(u"<a b='x\0y'/><b/>", 16),
      std::u16string(u"<a\0b/><b/>", 10),     std::u16string(u"<!--x\0-->", 10),
      std::u16string(u"<a>&amp\0;</a>", 13),
  };
  for (const std::u16string& text : cases) {
    CTKMarkupParser p;
    p.SetBuffer(text.data(), text.data() + text.size());
    int t = 1;
    for (int i = 0; i < 20 && t != 0; i++) t = p.NextToken();
    ASSERT_EQ(t, 0) << Narrow(text);
    for (int i = 0; i < 3; i++) EXPECT_EQ(p.NextToken(), 0) << Narrow(text);
  }
}

TEST(MarkupParser, SectionTerminatorSplitAcrossChunksIsSeen) {
  // A comment of 1022 characters followed by "-->": the terminator straddles
  // the 1023-character chunk boundary and must still close the comment.
  std::u16string text = u"<a><!--" + std::u16string(1022, u'c') + u"--></a>";
  V got = Tokens(text);
  ASSERT_GE(got.size(), 4u);
  EXPECT_EQ(got[1], "sec7");
  EXPECT_EQ(got[got.size() - 3], "sec8");
  EXPECT_EQ(got[got.size() - 2], "end:a");
}

TEST(MarkupParser, NamesLongerThan127AreCut) {
  std::u16string name(200, u'n');
  V got = Tokens(u"<" + name + u" " + name + u"='v'/>");
  EXPECT_EQ(got[0], "start:" + std::string(127, 'n'));
  EXPECT_EQ(got[1], "attr:" + std::string(127, 'n') + "=v");
}

TEST(MarkupParser, EightBitInput) {
  struct Case {
    std::string bytes;
    UINT codePage;
    V tokens;
  } cases[] = {
      {"<a>\xC3\xA9</a>", 65001, {"start:a", "text:\\u233", "end:a", "eof"}},
      {"<a>\xE4\xB8\xAD</a>", 65001, {"start:a", "text:\\u20013", "end:a", "eof"}},
      {"<a>x\xF0\x9F\x98\x80</a>", 65001, {"start:a", "text:x", "eof"}},  // four-byte sequence ends the input
      {"<a>x\xE4\xB8", 65001, {"start:a", "text:x", "eof"}},              // truncated sequence: no read past the end
      {"<a>x\xC3", 65001, {"start:a", "text:x", "eof"}},
      {"<a>x\x80y</a>", 65001, {"start:a", "text:x", "eof"}},                 // stray continuation byte
      {"<a>\xE9</a>", 0, {"start:a", "text:\\u65533", "end:a", "eof"}},       // a lone byte is no UTF-8 character
      {std::string("<a>x\0y</a>", 10), 65001, {"start:a", "text:x", "eof"}},  // a 0 ends the input for good
  };
  for (const Case& c : cases) {
    CTKMarkupParser p;
    p.m_nCodePage = c.codePage;
    p.SetBuffer(c.bytes.data(), c.bytes.data() + c.bytes.size());
    V got;
    for (int i = 0; i < 20; i++) {
      int t = p.NextToken();
      if (t == 0) {
        got.push_back("eof");
        break;
      }
      if (t == 1) got.push_back("start:" + Narrow(p.GetTagName()));
      if (t == 2) got.push_back("end:" + Narrow(p.GetTagName()));
      if (t == 4) got.push_back("text:" + Narrow(p.GetValueText()));
      if (t == -1) {
        got.push_back("error");
        break;
      }
    }
    EXPECT_EQ(got, c.tokens);
  }
  // Wide input that ends in the middle of a character: the odd trailing
  // byte is dropped, never read as half of one. The bytes sit in a buffer of
  // exactly their size, so reading past them is an overread the sanitizer sees.
  struct Odd {
    std::u16string text;
    V tokens;
  } odd[] = {
      {u"<a/>x", {"start:a", "end:a", "eof"}},
      {u"<a>bc</a>", {"start:a", "text:bc", "error"}},
      {u"x", {"eof"}},
  };
  for (const Odd& c : odd) {
    size_t bytes = c.text.size() * 2 - 1;
    std::vector<char> buffer(bytes);
    std::memcpy(buffer.data(), c.text.data(), bytes);
    CTKMarkupParser p;
    p.SetBuffer(reinterpret_cast<LPCWSTR>(buffer.data()), reinterpret_cast<LPCWSTR>(buffer.data() + bytes));
    V got;
    for (int i = 0; i < 20; i++) {
      int t = p.NextToken();
      if (t == 0) {
        got.push_back("eof");
        break;
      }
      if (t == 1) got.push_back("start:" + Narrow(p.GetTagName()));
      if (t == 2) got.push_back("end:" + Narrow(p.GetTagName()));
      if (t == 4) got.push_back("text:" + Narrow(p.GetValueText()));
      if (t == -1) {
        got.push_back("error");
        break;
      }
    }
    EXPECT_EQ(got, c.tokens) << Narrow(c.text);
  }
}

TEST(MarkupParser, SkipToFirstTag) {
  struct Case {
    const char16_t* text;
    bool ok;
  } cases[] = {{u"  \r\n<a/>", true}, {u"\xFEFF<a/>", false}, {u"x<a/>", false}, {u"   ", false}, {u"", false}};
  for (const Case& c : cases) {
    std::u16string t(c.text);
    CTKMarkupParser p;
    p.SetBuffer(t.data(), t.data() + t.size());
    EXPECT_EQ(p.SkipToFirstTag() == TRUE, c.ok) << Narrow(t);
  }
}

}  // namespace

// What a reader of the tokens sees, one line per event: every token but text
// and white space as it is, and each run of text in content (its words and
// references, with each stretch of white space between them as one space)
// as one line with whether white space ended it. Every event is followed by
// the line and column reached. With bRuns the runs are read by
// AppendTextRun, else token by token.
std::vector<std::string> ContentEvents(const std::u16string& text, bool bRuns, int nMax = 400) {
  CTKMarkupParser p;
  p.SetBuffer(text.data(), text.data() + text.size());
  std::vector<std::string> out;
  auto position = [&] { return " @" + std::to_string(p.GetLine()) + ":" + std::to_string(p.GetColumn()); };
  int t = p.NextToken();
  for (int i = 0; i < nMax; i++) {
    if (t == CTKMarkupParser::tokenText) {
      std::u16string run(p.GetValueView());
      BOOL bWhite = FALSE;
      if (bRuns) {
        bWhite = p.AppendTextRun(run);
        out.push_back("run:" + Narrow(run) + (bWhite ? "_" : "") + position());
        t = p.NextToken();
      } else {
        std::string at = position();
        for (;;) {
          t = p.NextToken();
          if (t == CTKMarkupParser::tokenWhiteSpace) {
            bWhite = TRUE;
          } else if (t == CTKMarkupParser::tokenText) {
            if (bWhite) run += u' ';
            bWhite = FALSE;
            run += p.GetValueView();
          } else {
            break;
          }
          at = position();
        }
        out.push_back("run:" + Narrow(run) + (bWhite ? "_" : "") + at);
      }
      continue;
    }
    std::string line = std::to_string(t) + ":" + Narrow(std::u16string(p.GetTagNameView())) + "|" +
                       Narrow(std::u16string(p.GetAttributeNameView())) + "|" + Narrow(p.GetValueText());
    out.push_back(line + position());
    if (t <= 0) return out;
    t = p.NextToken();
  }
  out.push_back("...");
  return out;
}

TEST(MarkupParser, TextRunsReadInOneCallMatchTheTokens) {
  const std::u16string cases[] = {
      u"<a>one two  three\n\tfour</a>",
      u"<a>  lead and trail  </a>",
      u"<a>x&amp;y &lt; &#65;&#x42;z &bad; & ;&amp</a>",
      u"<a>word<b/>  <c>more  text</c>tail </a>",
      u"<a>x\ry\r\nz &unknown\nq</a  bad>",
      u"<a>w\u00e9\u4e2d \U0001F600 \x0b v</a>",
      std::u16string(u"<a>x y\0z</a>", 12),
      std::u16string(u"<a>x &amp\0;</a>", 15),
      u"<a>x <!-- c --> y <![CDATA[ z ]]> w <?p q?> v</a>",
      u"<a>" + std::u16string(40, u'w') + u" " + std::u16string(2000, u'v') + u" &lt;" + std::u16string(1500, u'u'),
  };
  for (const std::u16string& text : cases) EXPECT_EQ(ContentEvents(text, true), ContentEvents(text, false));
  // Random texts from fragments chosen to meet every stop of a run.
  const char16_t* fragments[] = {u"a",
                                 u"word",
                                 u" ",
                                 u"  ",
                                 u"\n",
                                 u"\r\n",
                                 u"\t",
                                 u"&amp;",
                                 u"&lt;",
                                 u"&#65;",
                                 u"&#0;",
                                 u"&bad",
                                 u"&",
                                 u";",
                                 u"&x y",
                                 u"<b>",
                                 u"</b>",
                                 u"<c/>",
                                 u"\x0b",
                                 u"\xe9",
                                 u"<!--x-->",
                                 u"<?p?>",
                                 u"<![CDATA[y]]>",
                                 u"'",
                                 u"=",
                                 u"\"",
                                 u"&#x;",
                                 u"<",
                                 u"&amp",
                                 u"\x0c",
                                 u"abcdefghijklmnopq"};
  const int nFragments = static_cast<int>(sizeof(fragments) / sizeof(fragments[0]));
  // More rounds through the environment for a longer check.
  const char* lpszRounds = std::getenv("PRAVENOR_TEXT_RUN_ROUNDS");
  int nRounds = lpszRounds ? std::atoi(lpszRounds) : 10000;
  std::mt19937 random(20261211);
  for (int i = 0; i < nRounds; i++) {
    std::u16string text = u"<a>";
    int n = static_cast<int>(random() % 24);
    for (int k = 0; k < n; k++) text += fragments[random() % nFragments];
    if (random() % 8 == 0) text += std::u16string(1, u'\0') + u"x";
    if (random() % 2) text += u"</a>";
    ASSERT_EQ(ContentEvents(text, true), ContentEvents(text, false)) << Narrow(text);
  }
}
