// The builder: text and white space, property elements, markup extensions,
// resources, and every build error with its exact text, line and position.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <string>

#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markupparser.h"
#include "toolkit/markup/markupstyle.h"
#include "toolkit/markup/markuptext.h"

// Under AddressSanitizer the leak checker can be asked in the middle of a run.
#if defined(__SANITIZE_ADDRESS__)
#define PRAVENOR_TEST_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PRAVENOR_TEST_LEAK_CHECK 1
#endif
#endif
#if defined(PRAVENOR_TEST_LEAK_CHECK)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}
[[maybe_unused]] std::string Narrow(const CString& s) { return Narrow(std::u16string(s.GetString())); }
[[maybe_unused]] std::string Narrow(LPCWSTR s) { return Narrow(std::u16string(s ? s : u"")); }

class MarkupBuild : public ::testing::Test {
 protected:
  void SetUp() override { ctx = MarkupCreateContext(nullptr); }
  void TearDown() override {
    MarkupReleaseElement(root);
    MarkupReleaseContext(ctx);
  }
  CTKMarkupInputElement* Build(const std::u16string& text) {
    MarkupReleaseElement(root);
    root = ctx->Parse(text.c_str());
    return root;
  }
  std::string Error(const std::u16string& text) {
    EXPECT_EQ(Build(text), nullptr) << Narrow(text);
    return Narrow(ctx->GetLastParseError());
  }
  CTKMarkupContext* ctx = nullptr;
  CTKMarkupInputElement* root = nullptr;
};

// The inlines of a text block as "Run:text", "Bold[...]" strings.
std::string Describe(CTKMarkupInlineCollection* inlines) {
  std::string out;
  for (int i = 0; i < inlines->GetCount(); i++) {
    CTKMarkupObject* p = inlines->GetItem(i);
    if (i) out += ",";
    if (CTKMarkupRun* run = MarkupDynamicCast<CTKMarkupRun>(p)) {
      out += "Run:" + Narrow(run->GetText());
    } else if (CTKMarkupSpan* span = MarkupDynamicCast<CTKMarkupSpan>(p)) {
      out += Narrow(span->GetType()->GetTagName()) + "[" + Describe(span->GetInlines()) + "]";
    } else {
      out += Narrow(p->GetType()->GetClassName());
    }
  }
  return out;
}

TEST_F(MarkupBuild, TextAndWhiteSpace) {
  struct Case {
    const char16_t* text;
    const char* inlines;
  } cases[] = {
      {u"<TextBlock>Hello <Bold>World</Bold>!</TextBlock>", "Run:Hello ,Bold[Run:World],Run:!"},
      {u"<TextBlock><Bold>a</Bold> <Italic>b</Italic></TextBlock>", "Bold[Run:a],Run: ,Italic[Run:b]"},
      {u"<TextBlock>  a  </TextBlock>", "Run:a"},
      {u"<TextBlock>a\r\n\t b</TextBlock>", "Run:a b"},
      {u"<TextBlock>a &amp; b&lt;c</TextBlock>", "Run:a & b<c"},
      {u"<TextBlock>a<!-- no --><![CDATA[ nor ]]>b</TextBlock>", "Run:ab"},
      {u"<TextBlock><Run Text=\"{}{x}\"/></TextBlock>", "Run:{x}"},
      {u"<TextBlock><Run>x</Run><LineBreak/>y</TextBlock>", "Run:x,Run:\n,Run:y"},
      {u"<TextBlock xmlns=\"u\" xmlns:x=\"v\"><Hyperlink>go</Hyperlink></TextBlock>", "Hyperlink[Run:go]"},
      {u"<TextBlock><Span><Underline>u</Underline> v</Span></TextBlock>", "Span[Underline[Run:u],Run: v]"},
      {u"<TextBlock>x<Border/></TextBlock>", "Run:x,CTKMarkupInlineUIContainer"},
  };
  for (const Case& c : cases) {
    CTKMarkupTextBlock* tb = MarkupDynamicCast<CTKMarkupTextBlock>(Build(c.text));
    ASSERT_NE(tb, nullptr) << Narrow(c.text) << ": " << Narrow(ctx->GetLastParseError());
    EXPECT_EQ(Describe(tb->GetInlines()), c.inlines) << Narrow(c.text);
  }
  // White space between elements of a panel is dropped (a panel takes no text).
  CTKMarkupPanel* panel = MarkupDynamicCast<CTKMarkupPanel>(Build(u"<StackPanel> <Border/> <Border/> </StackPanel>"));
  ASSERT_NE(panel, nullptr) << Narrow(ctx->GetLastParseError());
  EXPECT_EQ(panel->GetChildren()->GetCount(), 2);
}

TEST_F(MarkupBuild, AttributesPropertyElementsAndContent) {
  CTKMarkupGrid* grid = MarkupDynamicCast<CTKMarkupGrid>(
      Build(u"<Grid Margin='1,2,3,4' Width='10pt' "
            u"x:Name='g'><Grid.RowDefinitions><RowDefinition/><RowDefinition/></Grid.RowDefinitions>"
            u"<TextBlock Grid.Row='1' FontWeight='Bold' Foreground='Red'>t</TextBlock></Grid>"));
  ASSERT_NE(grid, nullptr) << Narrow(ctx->GetLastParseError());
  EXPECT_EQ(grid->GetRowDefinitions()->GetCount(), 2);
  EXPECT_EQ(grid->GetRowDefinitions()->GetLogicalParent(), grid);
  EXPECT_EQ(static_cast<CTKMarkupInt*>(grid->GetValue(CTKMarkupFrameworkElement::m_pWidthProperty))->GetValue(), 13);
  EXPECT_EQ(grid->GetMargin()->right, 3);
  EXPECT_EQ(Narrow(static_cast<CTKMarkupString*>(grid->GetValue(CTKMarkupObject::m_pNameProperty))->GetBuffer()), "g");
  CTKMarkupTextBlock* tb = static_cast<CTKMarkupTextBlock*>(grid->GetVisualChild(0));
  EXPECT_EQ(static_cast<CTKMarkupInt*>(tb->GetValue(CTKMarkupGrid::m_pRowProperty))->GetValue(), 1);
  EXPECT_EQ(static_cast<CTKMarkupEnum*>(tb->GetValue(CTKMarkupTextElement::m_pFontWeightProperty))->GetValue(), 700);
  EXPECT_EQ(static_cast<CTKMarkupBrush*>(tb->GetValue(CTKMarkupTextElement::m_pForegroundProperty))->GetColor(),
            RGB(255, 0, 0));
  // The run inherits the text block's weight.
  CTKMarkupRun* run = static_cast<CTKMarkupRun*>(tb->GetInlines()->GetItem(0));
  EXPECT_EQ(static_cast<CTKMarkupEnum*>(run->GetValue(CTKMarkupTextElement::m_pFontWeightProperty))->GetValue(), 700);

  // Brushes as elements, content controls with text, colours as element text.
  CTKMarkupPage* page = MarkupDynamicCast<CTKMarkupPage>(Build(
      u"<Page><StackPanel><StackPanel.Background><SolidColorBrush><SolidColorBrush.Color><Color>#0000FF</Color></"
      u"SolidColorBrush.Color>"
      u"</SolidColorBrush></StackPanel.Background><Button>OK</Button><Button Content='Cancel'/></StackPanel></Page>"));
  ASSERT_NE(page, nullptr) << Narrow(ctx->GetLastParseError());
  CTKMarkupPanel* panel = static_cast<CTKMarkupPanel*>(page->GetChild());
  EXPECT_EQ(static_cast<CTKMarkupBrush*>(panel->GetValue(CTKMarkupPanel::m_pBackgroundProperty))->GetColor(),
            RGB(0, 0, 255));
  for (int i = 0; i < 2; i++) {
    CTKMarkupButton* button = static_cast<CTKMarkupButton*>(panel->GetVisualChild(i));
    CTKMarkupTextBlock* content = MarkupDynamicCast<CTKMarkupTextBlock>(button->GetContent());
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(Describe(content->GetInlines()), i == 0 ? "Run:OK" : "Run:Cancel");
  }
}

TEST_F(MarkupBuild, ExactErrorsWithLineAndPosition) {
  struct Case {
    const char16_t* text;
    const char* error;
  } cases[] = {
      {u"<Page><TextBlock></Page>",
       "The 'TextBlock' start tag does not match the end tag of 'Page'. Line 1, position 25"},
      {u"<Border></Borde>", "The 'Border' start tag does not match the end tag of 'Borde'. Line 1, position 17"},
      {u"<Border></BorderX>", "The 'Border' start tag does not match the end tag of 'BorderX'. Line 1, position 19"},
      {u"<Border></Bordex>", "The 'Border' start tag does not match the end tag of 'Bordex'. Line 1, position 18"},
      {u"<Page><Page.Resources></Page.Resourcex></Page>",
       "The 'Page.Resources' start tag does not match the end tag of 'Page.Resourcex'. Line 1, position 40"},
      {u"<Page><TextBlock>",
       "Unexpected end of file has occurred. The following elements are not closed: 'TextBlock'. Line 1, position 18"},
      {u"<Foo/>", "The tag 'Foo' does not exist in XML namespace. Line 1, position 6"},
      {u"<textblock/>", "The tag 'textblock' does not exist in XML namespace. Line 1, position 12"},
      {u"<Page Foo=\"1\"/>", "The property 'Foo' does not exist in XML namespace. Line 1, position 14"},
      {u"<Page/><Page/>", "There are multiple root elements. Line 1, position 14"},
      {u"<Page></Page></Page>", "Unexpected end tag. Line 1, position 21"},
      {u"<Page/>x", "Data at the root level is invalid. Line 1, position 9"},
      {u"<Page></Page", "Unexpected end of file has occurred.. Line 1, position 13"},
      {u"<Page b>", "'>' is an unexpected token. The expected token is '='. Line 1, position 9"},
      {u"<Page>\r\n<Foo/>", "The tag 'Foo' does not exist in XML namespace. Line 3, position 6"},
      {u"<Grid><Grid.RowDefinitions></Grid.RowDefinitions></Grid>",
       "'RowDefinitions' property does not have a value. Line 1, position 50"},
      {u"<Page><Foo.Bar/></Page>", "The tag 'Foo.Bar' does not exist in XML namespace. Line 1, position 16"},
      {u"<Page HorizontalAlignment='Middle'/>",
       "Cannot convert string in attribute 'HorizontalAlignment' to object of type 'CTKMarkupEnum'. Line 1, position "
       "35"},
      {u"<Page Tag='{x:Type Foo'/>", "Markup extension expressions must end with '}'. Line 1, position 24"},
      {u"<Page Tag='{x:Type Foo}'/>", "Cannot find type 'Foo'. Line 1, position 25"},
      {u"<Page Tag='{x:Static SystemColors.Nope}'/>",
       "Cannot find the static member  'SystemColors.Nope'. Line 1, position 41"},
      {u"<Page Tag='{StaticResource a}'/>",
       "Cannot find resource named 'a'. Resource names are case sensitive. Line 1, position 31"},
      {u"<Page Tag='{Binding a}'/>", "The tag 'Binding a' does not exist in XML namespace. Line 1, position 24"},
      {u"<StackPanel>x</StackPanel>",
       "'CTKMarkupString' object cannot be added to 'CTKMarkupCollection'. Object cannot be converted to type "
       "'CTKMarkupUIElement'. Line 1, position 27"},
      {u"<Border><Page/><Page/></Border>",
       "'CTKMarkupBorder' already has a child and cannot add 'CTKMarkupPage'. 'CTKMarkupBorder' can accept only one "
       "child.. Line 1, position 23"},
      {u"<TextBlock><Run><Bold/></Run></TextBlock>",
       "Cannot add content to an object of type 'CTKMarkupRun'. Line 1, position 24"},
      {u"<Page><Page.Resources><Setter>x</Setter></Page.Resources></Page>",
       "Cannot convert the string 'x' into a 'CTKMarkupSetter' object. Line 1, position 41"},
      {u"<Button Click='OnGo'/>", "'OnGo' delegate not found. Line 1, position 21"},
      {u"<Grid><Grid.RowDefinitions><ColumnDefinition/></Grid.RowDefinitions></Grid>",
       "'CTKMarkupColumnDefinition' object cannot be added to 'CTKMarkupRowDefinitionCollection'. Object cannot be "
       "converted to type "
       "'CTKMarkupRowDefinition'. Line 1, position 47"},
  };
  for (const Case& c : cases) EXPECT_EQ(Error(c.text), c.error);

  // Errors set without a position.
  struct Plain {
    std::u16string text;
    const char* error;
  } plain[] = {
      {u"\xFEFF<Page/>", "Data at the root level is invalid"},
      {u"", "Data at the root level is invalid"},
      {u"  ", "Data at the root level is invalid"},
      {u"<Run Text='a'/>", "Root element have to be 'CTKMarkupUIElement' type"},
      {u"<Style/>", "Root element have to be 'CTKMarkupUIElement' type"},
  };
  for (const Plain& c : plain) EXPECT_EQ(Error(c.text), c.error);
  EXPECT_EQ(Error(u"<!-- only -->"), "Root element is missing. Line 1, position 14");
}

TEST_F(MarkupBuild, ExceptionCutsLongMessagesAndFormatsArguments) {
  std::u16string longTag(300, u'T');
  std::string error = Error(u"<" + longTag + u"/>");
  // Tag names stop at 127 characters, so this message stays short.
  EXPECT_EQ(error.substr(0, 9), "The tag '");
  EXPECT_LE(error.find(". Line 1"), 255u);
  // A resource key has no such limit: its message is cut at 255 characters
  // before the place is added.
  std::u16string longKey(400, u'k');
  error = Error(u"<Page Tag='{StaticResource " + longKey + u"}'/>");
  const std::string head = "Cannot find resource named 'kkk";
  EXPECT_EQ(error.substr(0, head.size()), head);
  ASSERT_EQ(error.find(". Line 1"), 255u) << error;
  EXPECT_EQ(error.substr(28, 255 - 28), std::string(255 - 28, 'k'));
  EXPECT_EQ(Narrow(FormatStringWithArg(u"'%ls' delegate not found", u"Go")), "'Go' delegate not found");
  WCHAR buf[8];
  UINT help = 7;
  CTKMarkupBuilderException e(u"0123456789");
  EXPECT_TRUE(e.GetErrorMessage(buf, 8, &help));
  EXPECT_EQ(Narrow(buf), "0123456");
  EXPECT_EQ(help, 0u);
  EXPECT_FALSE(e.GetErrorMessage(nullptr, 8));
}

TEST_F(MarkupBuild, TextUpToTheLimitBuildsAndLongerTextIsRefused) {
  // The length is found four characters a step: every length around the
  // limit, whatever its remainder, is judged exactly.
  // The text ends with the end tag, so a text cut short fails to build.
  const int kLimit = CTKMarkupContext::kMaxTextLength;
  auto textOf = [](int length) {
    std::u16string text = u"<Page>";
    text.resize(length - 7, u' ');
    return text + u"</Page>";
  };
  for (int length : {kLimit, kLimit - 1, kLimit - 2, kLimit - 3})
    EXPECT_NE(Build(textOf(length)), nullptr) << length << ": " << Narrow(ctx->GetLastParseError());
  for (int extra = 1; extra <= 5; extra++) {
    EXPECT_EQ(Build(textOf(kLimit + extra)), nullptr) << extra;
    EXPECT_EQ(Narrow(ctx->GetLastParseError()), "The markup text is too long") << extra;
  }
}

TEST_F(MarkupBuild, TextIsReadToItsTerminatorWhereverItStartsAndEnds) {
  // Texts of every start and end position within two 32-byte blocks, in a
  // buffer of more characters than the limit: a length found short fails
  // to build, one read past the terminator is refused as too long.
  const size_t kSize = CTKMarkupContext::kMaxTextLength + 128;
  std::unique_ptr<char16_t[]> buffer(new char16_t[kSize]);
  std::fill(buffer.get(), buffer.get() + kSize - 1, u' ');
  buffer[kSize - 1] = 0;
  char16_t* base = buffer.get() + (32 - reinterpret_cast<uintptr_t>(buffer.get()) % 64 / 2) % 32;
  for (int start = 0; start < 32; start++) {
    for (int spaces = 0; spaces < 32; spaces++) {
      std::u16string text(u"<Page>");
      text.append(spaces, u' ').append(u"</Page>");
      char16_t* p = base + start;
      std::copy(text.begin(), text.end(), p);
      p[text.size()] = 0;
      MarkupReleaseElement(root);
      root = ctx->Parse(p);
      EXPECT_NE(root, nullptr) << start << "/" << spaces << ": " << Narrow(ctx->GetLastParseError());
      std::fill(p, p + text.size() + 1, u' ');
    }
  }
}

TEST_F(MarkupBuild, EncodingDeclarationIsCaseSensitive) {
  struct Case {
    const char* bytes;
    const char* text;
  } cases[] = {
      {"<?xml version='1.0' encoding='utf-8'?><TextBlock>\xC3\xA9</TextBlock>", "\xC3\xA9"},
      {"<?xml version='1.0' encoding='UTF-8'?><TextBlock>\xC3\xA9</TextBlock>", "??"},
      {"<?xml version='1.0'?><TextBlock>\xC3\xA9</TextBlock>", "??"},
  };
  for (const Case& c : cases) {
    std::string bytes(c.bytes);
    CTKMarkupParser parser;
    parser.SetBuffer(bytes.data(), bytes.data() + bytes.size());
    CTKMarkupBuilder builder(ctx);
    CTKMarkupObject* built = builder.BuildFromTokens(&parser);
    ASSERT_NE(built, nullptr) << Narrow(builder.GetLastErrorText());
    std::u16string text =
        static_cast<CTKMarkupRun*>(static_cast<CTKMarkupTextBlock*>(built)->GetInlines()->GetItem(0))->GetText();
    if (std::string(c.text) == "??") EXPECT_EQ(text, u"\xFFFD\xFFFD");
    else EXPECT_EQ(text, u"\x00E9");
    built->Release();
  }
}

TEST_F(MarkupBuild, NamesFollowPropertiesRegisteredBetweenBuilds) {
  // A builder remembers the names it resolved; a property registered later
  // under the same name on a nearer type must win from then on.
  static std::deque<std::u16string> names;  // registered names must stay put
  names.push_back(u"CacheProbe" + std::u16string(1, static_cast<char16_t>(u'A' + names.size() % 26)) +
                  std::u16string(names.size() / 26, u'z'));
  LPCWSTR name = names.back().c_str();
  CTKMarkupDependencyProperty* onBase = CTKMarkupDependencyProperty::RegisterProperty(
      name, CTKMarkupString::GetMarkupClass(), CTKMarkupFrameworkElement::GetMarkupClass());
  CTKMarkupBuilder builder(ctx);
  auto build = [&](const std::u16string& text) {
    CTKMarkupParser parser;
    parser.SetBuffer(text.data(), text.data() + text.size());
    return builder.BuildFromTokens(&parser);
  };
  const std::u16string text =
      u"<StackPanel><Border " + names.back() + u"='a'/><Border " + names.back() + u"='b'/></StackPanel>";
  CTKMarkupObject* first = build(text);
  ASSERT_NE(first, nullptr) << Narrow(builder.GetLastErrorText());
  EXPECT_NE(first->GetLogicalChild(1)->ReadLocalValue(onBase), nullptr);
  first->Release();

  CTKMarkupDependencyProperty* onBorder = CTKMarkupDependencyProperty::RegisterProperty(
      name, CTKMarkupString::GetMarkupClass(), CTKMarkupBorder::GetMarkupClass());
  CTKMarkupObject* second = build(text);
  ASSERT_NE(second, nullptr) << Narrow(builder.GetLastErrorText());
  for (int i = 0; i < 2; i++) {
    EXPECT_NE(second->GetLogicalChild(i)->ReadLocalValue(onBorder), nullptr) << i;
    EXPECT_EQ(second->GetLogicalChild(i)->ReadLocalValue(onBase), nullptr) << i;
  }
  second->Release();
}

TEST_F(MarkupBuild, ManyNamesOnManyTypesEachResolveToTheirOwnProperty) {
  // More type and attribute pairs than the builder remembers at once, the
  // same names on several types, met in turn and again: every attribute
  // must land in the property of its element's own type.
  static std::deque<std::u16string> names;  // registered names must stay put
  CTKMarkupType* types[] = {CTKMarkupBorder::GetMarkupClass(), CTKMarkupStackPanel::GetMarkupClass(),
                            CTKMarkupButton::GetMarkupClass(), CTKMarkupTextBlock::GetMarkupClass()};
  const char16_t* tags[] = {u"Border", u"StackPanel", u"Button", u"TextBlock"};
  const int kNames = 80;
  const size_t first = names.size();
  std::vector<std::vector<CTKMarkupDependencyProperty*>> props(4);
  for (int i = 0; i < kNames; i++) {
    names.push_back(u"Probe" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) +
                    std::u16string(1, static_cast<char16_t>(u'a' + i / 26)) +
                    std::u16string(1, static_cast<char16_t>(u'a' + first % 26)) +
                    std::u16string(1, static_cast<char16_t>(u'a' + first / 26 % 26)));
    for (int t = 0; t < 4; t++)
      props[t].push_back(CTKMarkupDependencyProperty::RegisterProperty(names.back().c_str(),
                                                                       CTKMarkupString::GetMarkupClass(), types[t]));
  }
  std::u16string text = u"<StackPanel>";
  for (int round = 0; round < 2; round++)
    for (int t = 0; t < 4; t++) {
      text += u"<" + std::u16string(tags[t]);
      for (int i = 0; i < kNames; i++) text += u" " + names[first + i] + u"='v'";
      text += u"/>";
    }
  text += u"</StackPanel>";
  CTKMarkupInputElement* panel = Build(text);
  ASSERT_NE(panel, nullptr) << Narrow(ctx->GetLastParseError());
  for (int k = 0; k < 8; k++) {
    CTKMarkupObject* e = panel->GetLogicalChild(k);
    ASSERT_NE(e, nullptr);
    for (int i = 0; i < kNames; i++)
      for (int t = 0; t < 4; t++)
        EXPECT_EQ(e->ReadLocalValue(props[t][i]) != nullptr, t == k % 4) << "element " << k << " name " << i;
  }
}

TEST_F(MarkupBuild, NamesThatShareACacheSetKeepTheirOwnProperties) {
  // Names that differ in one character, found to fall into one set of the
  // builder's name cache: each must resolve to its own property however
  // they take turns in the set's two ways, and a name never registered to
  // none. The character differs in the first or the last four (tested four
  // at a time or in the tail past the last full four) or between them.
  static int nRun = 0;  // names registered in an earlier run stay registered
  nRun++;
  struct Case {
    int length, differs;
  } cases[] = {{5, 4},   {5, 0},  {6, 5},   {7, 6},  {9, 8},   {9, 4},
               {11, 10}, {11, 6}, {12, 11}, {12, 7}, {30, 29}, {30, 13}};
  CTKMarkupType* pType = CTKMarkupBorder::GetMarkupClass();
  static std::deque<std::u16string> names;  // registered names must stay put
  struct Group {
    std::u16string known[3], unknown;
  };
  std::vector<Group> groups;
  for (const Case& c : cases) {
    std::u16string base = std::u16string(u"WayProbeQrstuvwxyzABCDEFGHIJKLMN").substr(0, c.length);
    base[1] = static_cast<char16_t>(u'a' + nRun % 26);
    base[2] = static_cast<char16_t>(u'a' + nRun / 26 % 26);
    base[3] = static_cast<char16_t>(u'A' + groups.size());  // each case its own names
    int nSet = CTKMarkupBuilder::NameCacheSet(pType, base.data(), c.length);
    std::vector<std::u16string> partners;
    for (char16_t ch = 0x4E00; partners.size() < 3 && ch < 0x6000; ch++) {
      std::u16string other = base;
      other[c.differs] = ch;
      if (CTKMarkupBuilder::NameCacheSet(pType, other.data(), c.length) == nSet) partners.push_back(other);
    }
    ASSERT_EQ(partners.size(), 3u) << "length " << c.length;
    groups.push_back({{base, partners[0], partners[1]}, partners[2]});
  }
  std::map<std::u16string, CTKMarkupDependencyProperty*> props;
  for (const Group& g : groups)
    for (const std::u16string& name : g.known) {
      names.push_back(name);
      props[name] =
          CTKMarkupDependencyProperty::RegisterProperty(names.back().c_str(), CTKMarkupString::GetMarkupClass(), pType);
    }
  CTKMarkupBuilder builder(ctx);
  // Two names fill the set's ways, a third takes the way used least
  // recently, and every name is asked for again after the others.
  const int order[] = {0, 1, 0, 1, 2, 0, 2, 1, 1, 0, 3, 0, 1, 3, 2};
  for (size_t i = 0; i < groups.size(); i++)
    for (int k : order) {
      const std::u16string& name = k < 3 ? groups[i].known[k] : groups[i].unknown;
      EXPECT_EQ(builder.FindAttributeProperty(pType, std::u16string_view(name)), k < 3 ? props[name] : nullptr)
          << "length " << cases[i].length << ", character " << cases[i].differs << ", name " << k;
    }
}

TEST_F(MarkupBuild, ResourcesAndExtensions) {
  CTKMarkupPage* page =
      MarkupDynamicCast<CTKMarkupPage>(Build(u"<Page><Page.Resources><SolidColorBrush x:Key='b' "
                                             u"Color='#00FF00'/><SolidColorBrush x:Key='c' Color='{StaticResource k}'/>"
                                             u"</Page.Resources><TextBlock Foreground='{StaticResource b}' "
                                             u"Background='{DynamicResource {x:Static SystemColors.InfoBrushKey}}' "
                                             u"Tag='{x:Type Button}'>x</TextBlock></Page>"));
  EXPECT_EQ(page, nullptr);
  EXPECT_EQ(Narrow(ctx->GetLastParseError()).substr(0, 33), "Cannot find resource named 'k'. R");

  page = MarkupDynamicCast<CTKMarkupPage>(Build(
      u"<Page><Page.Resources><SolidColorBrush x:Key='b' Color='#00FF00'/><SolidColorBrush x:Key='B' "
      u"Color='#0000FF'/></Page.Resources>"
      u"<TextBlock Foreground='{StaticResource b}' Background='{DynamicResource {x:Static SystemColors.InfoBrushKey}}' "
      u"Tag='{x:Type Button}'>x</TextBlock></Page>"));
  ASSERT_NE(page, nullptr) << Narrow(ctx->GetLastParseError());
  CTKMarkupTextBlock* tb = static_cast<CTKMarkupTextBlock*>(page->GetChild());
  EXPECT_EQ(static_cast<CTKMarkupBrush*>(tb->GetValue(CTKMarkupTextElement::m_pForegroundProperty))->GetColor(),
            RGB(0, 255, 0));
  EXPECT_EQ(static_cast<CTKMarkupBrush*>(tb->GetValue(CTKMarkupTextElement::m_pBackgroundProperty))->GetColor(),
            MarkupGetHostServices()->GetSysColor(24));
  EXPECT_EQ(tb->GetValue(CTKMarkupFrameworkElement::m_pTagProperty), CTKMarkupButton::GetMarkupClass());
  CTKMarkupResourceDictionary* resources =
      static_cast<CTKMarkupResourceDictionary*>(page->GetValue(CTKMarkupStyle::m_pResourcesProperty));
  EXPECT_EQ(resources->GetCount(), 2) << "keys 'b' and 'B' do not collide";

  struct Case {
    const char16_t* text;
    const char* prefix;
  } failing[] = {
      {u"<Page><Page.Resources><SolidColorBrush x:Key='a'/><SolidColorBrush x:Key='a'/></Page.Resources></Page>",
       "Dictionary key is already used. Key attributes must be unique.. Line 1"},
      {u"<Page><Page.Resources><SolidColorBrush/></Page.Resources></Page>",
       "Objects added to Dictionary must have Key attribute or some other type of associated Key. Line 1"},
      // A resource is found only after its definition, in document order.
      {u"<StackPanel><TextBlock Foreground='{StaticResource b}'/><StackPanel.Resources><SolidColorBrush "
       u"x:Key='b'/></StackPanel.Resources></StackPanel>",
       "Cannot find resource named 'b'. Resource names are case sensitive. Line 1"},
      {u"<Page Tag='{StaticResource {StaticResource {StaticResource {StaticResource {StaticResource {StaticResource "
       u"{StaticResource "
       u"{StaticResource {StaticResource x}}}}}}}}}'/>",
       "Markup extension expressions are nested too deeply. Line 1"},
  };
  for (const Case& c : failing) {
    std::string e = Error(c.text);
    EXPECT_EQ(e.substr(0, std::string(c.prefix).size()), c.prefix);
  }
}

TEST_F(MarkupBuild, HostileInputEndsInAClearError) {
  // Deep nesting stops at the documented depth instead of exhausting the stack.
  std::u16string deep;
  for (int i = 0; i < 5000; i++) deep += u"<Border>";
  EXPECT_EQ(Error(deep), "The elements are nested too deeply. Line 1, position " +
                             std::to_string(8 * CTKMarkupBuilder::kMaxDepth + 9));
  std::u16string ok;
  for (int i = 0; i < CTKMarkupBuilder::kMaxDepth; i++) ok += u"<Border>";
  for (int i = 0; i < CTKMarkupBuilder::kMaxDepth; i++) ok += u"</Border>";
  EXPECT_NE(Build(ok), nullptr) << Narrow(ctx->GetLastParseError());

  // A huge text with an unterminated reference and a huge attribute value.
  std::u16string big =
      u"<TextBlock Tag='" + std::u16string(100000, u'&') + u"'>" + std::u16string(200000, u'&') + u"</TextBlock>";
  ASSERT_NE(Build(big), nullptr) << Narrow(ctx->GetLastParseError());
  EXPECT_EQ(std::u16string(
                static_cast<CTKMarkupRun*>(static_cast<CTKMarkupTextBlock*>(root)->GetInlines()->GetItem(0))->GetText())
                .size(),
            200000u);

  // Stray characters everywhere still end in a tree or an error.
  const char16_t* junk[] = {u"<",
                            u"<<<<",
                            u"</>",
                            u"<a='",
                            u"<TextBlock>&#xFFFFFFFFFFFF;</TextBlock>",
                            u"<TextBlock>\xD800</TextBlock>",
                            u"<?",
                            u"<![CDATA[",
                            u"<Page x:Key='{}'/>",
                            u"<Page Tag='{'/>",
                            u"<Page Tag='{}'/>"};
  for (const char16_t* j : junk) {
    Build(j);
    if (!root) {
      EXPECT_FALSE(ctx->GetLastParseError().IsEmpty()) << Narrow(j);
    }
  }
}

TEST_F(MarkupBuild, AConverterThatRaisesAnErrorIsReleased) {
  // Path data converts through a converter instance whose parser raises the
  // build error; the instance must not outlive the failed build.
  struct Case {
    const char16_t* data;
    int position;
  } cases[] = {{u"M 0 0 L 1e38 1e38", 9}, {u"L 1 1", 1}, {u"M 0 0 Q 1 1", 7}};
#if defined(PRAVENOR_TEST_LEAK_CHECK)
  ASSERT_EQ(__lsan_do_recoverable_leak_check(), 0) << "leaks before the test";
#endif
  for (const Case& c : cases) {
    const std::string error = Error(u"<Path Data='" + std::u16string(c.data) + u"'/>");
    EXPECT_EQ(error.rfind("Unexpected token encountered at position '" + std::to_string(c.position) + "'", 0), 0u)
        << error;
  }
#if defined(PRAVENOR_TEST_LEAK_CHECK)
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "the converters of the failed builds leaked";
#endif
}

}  // namespace

namespace {

std::u16string Num(int n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

TEST_F(MarkupBuild, LongResourceChainsBuildAndRelease) {
  // Resources that refer to the previous one (a based-on chain of styles,
  // elements whose content is the previous element) make object chains far
  // longer than the markup nesting; building, styling and releasing them
  // must not exhaust the stack.
  const int n = 20000;
  std::u16string text =
      u"<StackPanel><StackPanel.Resources><Style x:Key='s0' TargetType='Button'><Setter Property='Width' "
      u"Value='1'/></Style>"
      u"<Button x:Key='b0'/>";
  for (int i = 1; i < n; i++) {
    text += u"<Style x:Key='s" + Num(i) + u"' TargetType='Button' BasedOn='{StaticResource s" + Num(i - 1) + u"}'/>";
    text += u"<Button x:Key='b" + Num(i) + u"' Content='{StaticResource b" + Num(i - 1) + u"}' Tag='{StaticResource b" +
            Num(i - 1) + u"}'/>";
  }
  text += u"</StackPanel.Resources><Button Style='{StaticResource s" + Num(n - 1) +
          u"}'/><Button Content='{StaticResource b" + Num(n - 1) + u"}'/></StackPanel>";
  CTKMarkupPanel* panel = MarkupDynamicCast<CTKMarkupPanel>(Build(text));
  ASSERT_NE(panel, nullptr) << Narrow(ctx->GetLastParseError());
  EXPECT_EQ(static_cast<CTKMarkupInt*>(panel->GetVisualChild(0)->GetValue(CTKMarkupFrameworkElement::m_pWidthProperty))
                ->GetValue(),
            1);
  CTKMarkupInputElement::ApplyStyles(panel);
  panel->SetValue(CTKMarkupTextElement::m_pFontSizeProperty, new CTKMarkupInt(9));  // notifies down the tree
  MarkupReleaseElement(root);
}

}  // namespace
