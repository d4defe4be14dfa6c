// The pull parser: token sequences, character references, sections, line
// counting, exact error messages, 8-bit input and its limits.
#include <gtest/gtest.h>

#include <cstring>
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
