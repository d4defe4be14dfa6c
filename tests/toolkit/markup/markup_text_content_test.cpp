// The content of text blocks and spans: runs made from text when they are
// first needed read back the same whichever is asked first (the inlines, a
// logical child, the layout), keep their order among inline elements, take
// implicit styles and inherited values, and give way to a new Text. And the
// values converted from attribute texts: numbers are shared between
// elements, thicknesses (changeable in place) are not.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markupstyle.h"
#include "toolkit/markup/markuptext.h"
#include "tests/toolkit/markup/markup_test_support.h"

namespace {

using markup_test::Narrow;

class MarkupTextContent : public markup_test::Fixture {
 protected:
  // The text block a case is about: the root, or the root's content.
  CTKMarkupTextBlock* Block() {
    if (auto* tb = MarkupDynamicCast<CTKMarkupTextBlock>(root)) return tb;
    if (auto* button = MarkupDynamicCast<CTKMarkupButton>(root))
      return MarkupDynamicCast<CTKMarkupTextBlock>(button->GetContent());
    return nullptr;
  }
};

// "Run:text" and "Tag[...]" for the inlines, read through the collection's
// own accessors or, with bLogical, through the logical children only.
std::string Describe(CTKMarkupInlineCollection* inlines, bool bLogical = false) {
  std::string out;
  const int n = bLogical ? inlines->GetLogicalChildrenCount() : inlines->GetCount();
  for (int i = 0; i < n; i++) {
    CTKMarkupObject* p = bLogical ? inlines->GetLogicalChild(i) : inlines->GetItem(i);
    if (i) out += ",";
    if (auto* run = MarkupDynamicCast<CTKMarkupRun>(p)) {
      out += "Run:" + Narrow(run->GetText());
      EXPECT_EQ(run->GetLogicalParent(), inlines);
    } else if (auto* span = MarkupDynamicCast<CTKMarkupSpan>(p)) {
      auto* spanInlines =
          bLogical ? static_cast<CTKMarkupInlineCollection*>(span->GetLogicalChild(0)) : span->GetInlines();
      out += Narrow(span->GetType()->GetTagName()) + "[" + Describe(spanInlines, bLogical) + "]";
    } else {
      out += Narrow(p->GetType()->GetClassName());
    }
  }
  return out;
}

// The text of every laid-out piece, "|" between pieces and "/" between lines.
std::string Pieces(CTKMarkupTextBlock* tb) {
  std::string out;
  for (const auto& line : tb->GetLines()) {
    if (!out.empty()) out += "/";
    for (size_t i = 0; i < line.pieces.size(); i++) {
      const auto& p = line.pieces[i];
      if (i) out += "|";
      auto* run = MarkupDynamicCast<CTKMarkupRun>(p.pInline);
      std::u16string text = run ? std::u16string(run->GetText()) : u"";
      if (p.start >= 0 && p.end >= p.start && p.end <= static_cast<int>(text.size()))
        out += Narrow(text.substr(p.start, p.end - p.start));
    }
  }
  return out;
}

// Arranges and draws into a 300 by 300 bitmap.
void RenderInto300(CTKMarkupObject* pElement) {
  markup_test::Bitmap bitmap(300, 300);
  RECT rc{0, 0, 300, 300};
  MarkupRenderElement(pElement, bitmap.dc, &rc);
}

enum class First { Inlines, LogicalChildren, Layout };

TEST_F(MarkupTextContent, RunsReadBackTheSameWhicheverIsAskedFirst) {
  struct Case {
    const char16_t* markup;
    const char* inlines;
    const char* pieces;  // laid out 300 wide
  } cases[] = {
      {u"<TextBlock>plain text</TextBlock>", "Run:plain text", "plain text"},
      {u"<TextBlock/>", "", ""},
      {u"<TextBlock Text='from the attribute'/>", "Run:from the attribute", "from the attribute"},
      {u"<Button Content='OK'/>", "Run:OK", "OK"},
      {u"<Button>Cancel</Button>", "Run:Cancel", "Cancel"},
      // Inline elements among text keep their places.
      {u"<TextBlock>a <Bold>b</Bold> c</TextBlock>", "Run:a ,Bold[Run:b],Run: c", "a |b| c"},
      {u"<TextBlock><Italic>first</Italic> then</TextBlock>", "Italic[Run:first],Run: then", "first| then"},
      {u"<TextBlock>x<Border/>y</TextBlock>", "Run:x,CTKMarkupInlineUIContainer,Run:y", "x||y"},
      {u"<TextBlock><Span>s <Bold>t</Bold></Span><Hyperlink>go</Hyperlink></TextBlock>",
       "Span[Run:s ,Bold[Run:t]],Hyperlink[Run:go]", "s |t|go"},
      {u"<TextBlock>one<LineBreak/>two</TextBlock>", "Run:one,Run:\n,Run:two", "one/|two"},
      {u"<TextBlock><Bold></Bold>e</TextBlock>", "Bold[],Run:e", "e"},
  };
  for (const Case& c : cases) {
    for (First first : {First::Inlines, First::LogicalChildren, First::Layout}) {
      SCOPED_TRACE(Narrow(c.markup) + " first " + std::to_string(static_cast<int>(first)));
      if (!Build(c.markup)) continue;
      CTKMarkupTextBlock* tb = Block();
      ASSERT_NE(tb, nullptr);
      EXPECT_EQ(tb->HasContent(), *c.inlines != 0);
      std::string inlines, logical;
      SIZE size{};
      if (first == First::Layout) size = MarkupMeasureElement(root, 300, 300);
      if (first == First::LogicalChildren) {
        ASSERT_EQ(tb->GetLogicalChildrenCount(), 1);
        auto* collection = static_cast<CTKMarkupInlineCollection*>(tb->GetLogicalChild(0));
        // Its plain accessors see the runs too.
        EXPECT_EQ(collection->GetCount() > 0, *c.inlines != 0);
        for (int i = 0; i < collection->GetCount(); i++)
          EXPECT_NE(MarkupDynamicCast<CTKMarkupInline>(collection->GetItem(i)), nullptr) << i;
        logical = Describe(collection, true);
      }
      inlines = Describe(tb->GetInlines());
      if (first != First::Layout) size = MarkupMeasureElement(root, 300, 300);
      if (first != First::LogicalChildren)
        logical = Describe(static_cast<CTKMarkupInlineCollection*>(tb->GetLogicalChild(0)), true);
      EXPECT_EQ(inlines, c.inlines);
      EXPECT_EQ(logical, c.inlines);
      RenderInto300(root);
      EXPECT_EQ(Pieces(tb), c.pieces);
      EXPECT_GT(size.cy, 0);
      if (first == First::Inlines) continue;
      // The same size as when the inlines were asked for first.
      Build(c.markup);
      Block()->GetInlines();
      SIZE reference = MarkupMeasureElement(root, 300, 300);
      EXPECT_EQ(size.cx, reference.cx);
      EXPECT_EQ(size.cy, reference.cy);
    }
  }
}

enum class SpanFirst { Inlines, LogicalChild, Content, FirstInline, Layout };

TEST_F(MarkupTextContent, ASpanReadsBackTheSameWhicheverIsAskedFirst) {
  struct Case {
    const char16_t* markup;  // the text block's first inline is the span
    const char* span;
    bool content;
  } cases[] = {
      {u"<TextBlock><Bold>b</Bold></TextBlock>", "Bold[Run:b]", true},
      {u"<TextBlock><Hyperlink>go</Hyperlink>x</TextBlock>", "Hyperlink[Run:go]", true},
      {u"<TextBlock><Bold></Bold></TextBlock>", "Bold[]", false},
      {u"<TextBlock><Bold>b<Italic>i</Italic>c</Bold></TextBlock>", "Bold[Run:b,Italic[Run:i],Run:c]", true},
      {u"<TextBlock><Span><Italic>i</Italic>s</Span></TextBlock>", "Span[Italic[Run:i],Run:s]", true},
      {u"<TextBlock><Span>s<LineBreak/>t</Span></TextBlock>", "Span[Run:s,Run:\n,Run:t]", true},
  };
  for (const Case& c : cases) {
    for (SpanFirst first :
         {SpanFirst::Inlines, SpanFirst::LogicalChild, SpanFirst::Content, SpanFirst::FirstInline, SpanFirst::Layout}) {
      SCOPED_TRACE(Narrow(c.markup) + " first " + std::to_string(static_cast<int>(first)));
      if (!Build(c.markup)) continue;
      // Reached the way the engine's walks go, which make nothing.
      CTKMarkupInlineCollection* blockInlines = nullptr;
      for (int i = 0; i < Block()->GetLogicalChildrenCount() && !blockInlines; i++)
        blockInlines = MarkupDynamicCast<CTKMarkupInlineCollection>(Block()->GetLogicalChild(i));
      ASSERT_NE(blockInlines, nullptr);
      auto* span = MarkupDynamicCast<CTKMarkupSpan>(blockInlines->GetItem(0));
      ASSERT_NE(span, nullptr);
      switch (first) {
        case SpanFirst::Inlines:
          EXPECT_EQ(span->GetInlines()->GetLogicalParent(), span);
          break;
        case SpanFirst::LogicalChild:
          ASSERT_EQ(span->GetLogicalChildrenCount(), 1);
          EXPECT_EQ(span->GetLogicalChild(0)->GetLogicalParent(), span);
          break;
        case SpanFirst::Content:
          EXPECT_EQ(span->HasContent() != FALSE, c.content);
          break;
        case SpanFirst::FirstInline:
          if (c.content) EXPECT_NE(span->GetFirstInline(), span);
          else EXPECT_EQ(span->GetFirstInline(), span);
          break;
        case SpanFirst::Layout:
          RenderInto300(root);
          break;
      }
      EXPECT_EQ(span->HasContent() != FALSE, c.content);
      std::string inlines = Describe(Block()->GetInlines());
      EXPECT_EQ(inlines.substr(0, std::strlen(c.span)), c.span);
      RenderInto300(root);
      EXPECT_FALSE(Pieces(Block()).empty() && c.content);
    }
  }

  // Content given by code: a second text after the first, an element held
  // elsewhere after a text (its runs are made at once).
  auto* bold = static_cast<CTKMarkupSpan*>(ctx->CreateObject(CTKMarkupBold::GetMarkupClass()));
  bold->SetContentObject(nullptr, CTKMarkupString::CreateString(u"a"));
  bold->SetContentObject(nullptr, CTKMarkupString::CreateString(u"b"));
  EXPECT_EQ(Describe(bold->GetInlines()), "Run:a,Run:b");
  bold->Release();

  bold = static_cast<CTKMarkupSpan*>(ctx->CreateObject(CTKMarkupBold::GetMarkupClass()));
  auto* held = static_cast<CTKMarkupSpan*>(ctx->CreateObject(CTKMarkupItalic::GetMarkupClass()));
  bold->SetContentObject(nullptr, CTKMarkupString::CreateString(u"a"));
  held->AddRef();
  bold->SetContentObject(nullptr, held);
  const CTKMarkupInlineCollection* built = bold->GetInlinesAsBuilt();
  ASSERT_EQ(built->GetCount(), 2);
  EXPECT_NE(MarkupDynamicCast<CTKMarkupRun>(built->GetItem(0)), nullptr) << "made when an element held elsewhere came";
  held->Release();
  bold->Release();
}

TEST_F(MarkupTextContent, NewTextReplacesTheRunsMadeOrNot) {
  struct Case {
    const char16_t* markup;
    First before;              // what was read before the Text changes
    const char16_t* texts[2];  // set in turn; null clears
    const char* inlines;
    const char* pieces;
  } cases[] = {
      {u"<TextBlock>old</TextBlock>", First::Inlines, {u"new", nullptr}, "Run:new", "new"},
      {u"<TextBlock>old</TextBlock>", First::Layout, {u"new words", nullptr}, "Run:new words", "new words"},
      {u"<TextBlock>old</TextBlock>", First::LogicalChildren, {u"a", u"b"}, "Run:b", "b"},
      {u"<TextBlock>a<Bold>b</Bold></TextBlock>", First::Layout, {u"plain", nullptr}, "Run:plain", "plain"},
      {u"<TextBlock Text='first'/>", First::Inlines, {u"second", nullptr}, "Run:second", "second"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.markup));
    for (bool bAskBefore : {true, false}) {
      if (!Build(c.markup)) continue;
      CTKMarkupTextBlock* tb = Block();
      CTKMarkupObject* old = nullptr;
      if (bAskBefore) {
        if (c.before == First::Layout) MarkupMeasureElement(root, 300, 300);
        if (c.before == First::LogicalChildren) tb->GetLogicalChild(0)->GetLogicalChildrenCount();
        old = tb->GetInlines()->GetItem(0);
        old->AddRef();
      }
      for (const char16_t* text : c.texts)
        if (text) tb->SetValue(CTKMarkupTextBlock::m_pTextProperty, CTKMarkupString::CreateString(text));
      if (old) {
        // The earlier run left the block.
        EXPECT_EQ(old->GetLogicalParent(), nullptr);
        old->Release();
      }
      EXPECT_EQ(Describe(tb->GetInlines()), c.inlines) << "asked before: " << bAskBefore;
      RenderInto300(root);
      EXPECT_EQ(Pieces(tb), c.pieces) << "asked before: " << bAskBefore;
    }
  }
  // Clearing the text leaves one run without text.
  Build(u"<TextBlock Text='old'/>");
  Block()->SetValue(CTKMarkupTextBlock::m_pTextProperty, nullptr);
  EXPECT_EQ(Describe(Block()->GetInlines()), "Run:");

  // A caller that holds the collection sees the new run through it.
  Build(u"<TextBlock>a<Bold>b</Bold></TextBlock>");
  CTKMarkupInlineCollection* held = Block()->GetInlines();
  Block()->SetValue(CTKMarkupTextBlock::m_pTextProperty, CTKMarkupString::CreateString(u"changed"));
  ASSERT_EQ(held->GetCount(), 1);
  auto* run = MarkupDynamicCast<CTKMarkupRun>(held->GetItem(0));
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(Narrow(run->GetText()), "changed");
}

TEST_F(MarkupTextContent, AnInlineHeldElsewhereFindsTheRunsBesideIt) {
  // An inline that someone else holds too (as a resource is held) leads to
  // the collection without passing its owner.
  for (const char16_t* markup : {u"<TextBlock>before</TextBlock>", u"<TextBlock>a<Italic>i</Italic>b</TextBlock>"}) {
    SCOPED_TRACE(Narrow(markup));
    if (!Build(markup)) continue;
    auto* bold = static_cast<CTKMarkupSpan*>(ctx->CreateObject(CTKMarkupBold::GetMarkupClass()));
    bold->AddRef();  // ours, besides the one the block takes over
    Block()->SetContentObject(nullptr, bold);
    auto* collection = MarkupDynamicCast<CTKMarkupInlineCollection>(bold->GetLogicalParent());
    ASSERT_NE(collection, nullptr);
    for (int i = 0; i < collection->GetCount(); i++)
      EXPECT_NE(MarkupDynamicCast<CTKMarkupInline>(collection->GetItem(i)), nullptr) << i;
    EXPECT_EQ(collection->GetItem(collection->GetCount() - 1), bold);
    bold->Release();
  }
  EXPECT_EQ(Describe(Block()->GetInlines()), "Run:a,Italic[Run:i],Run:b,Bold[]");

  // A UI element among the inlines (it may be a resource too) leads up
  // through every collection above it.
  for (const char16_t* markup :
       {u"<TextBlock>a<Border/>b</TextBlock>", u"<TextBlock>a<Bold>b<Border/></Bold>c</TextBlock>",
        u"<TextBlock>a<Italic>b<Bold>c<Border/></Bold>d</Italic>e</TextBlock>"}) {
    SCOPED_TRACE(Narrow(markup));
    if (!Build(markup)) continue;
    // Down to the border the way the engine's walks go, which make nothing.
    CTKMarkupObject* p = Block();
    CTKMarkupBorder* border = nullptr;
    for (int depth = 0; p && !border && depth < 16; depth++) {
      CTKMarkupObject* next = nullptr;
      for (int i = 0; i < p->GetWalkChildrenCount() && !next; i++)
        if (CTKMarkupObject* child = p->GetWalkChild(i))
          if (child->GetWalkChildrenCount() > 0 || MarkupDynamicCast<CTKMarkupBorder>(child)) next = child;
      border = MarkupDynamicCast<CTKMarkupBorder>(next);
      p = next;
    }
    ASSERT_NE(border, nullptr);
    int collections = 0;
    for (CTKMarkupObject* up = border->GetLogicalParent(); up; up = up->GetLogicalParent())
      if (auto* collection = MarkupDynamicCast<CTKMarkupInlineCollection>(up)) {
        collections++;
        for (int i = 0; i < collection->GetCount(); i++)
          EXPECT_NE(MarkupDynamicCast<CTKMarkupInline>(collection->GetItem(i)), nullptr) << collections << ":" << i;
      }
    EXPECT_GE(collections, 1);
  }
}

// The font weight of every run of the root text block (inside spans too),
// with '*' after a run that holds a style.
std::string RunWeights(CTKMarkupInlineCollection* inlines) {
  std::string out;
  for (int i = 0; i < inlines->GetCount(); i++) {
    CTKMarkupObject* p = inlines->GetItem(i);
    std::string item;
    if (auto* span = MarkupDynamicCast<CTKMarkupSpan>(p)) {
      item = RunWeights(span->GetInlines());
    } else if (auto* run = MarkupDynamicCast<CTKMarkupRun>(p)) {
      auto* weight = MarkupDynamicCast<CTKMarkupEnum>(run->GetValue(CTKMarkupTextElement::m_pFontWeightProperty));
      item = std::to_string(weight ? weight->GetValue() : 0) + (run->GetStyle() ? "*" : "");
    }
    if (!out.empty() && !item.empty()) out += ",";
    out += item;
  }
  return out;
}

TEST_F(MarkupTextContent, RunsMadeLaterHaveTheirStylesAndInheritedValues) {
  struct Case {
    const char16_t* markup;
    const char* weights;
  } cases[] = {
      // An implicit run style above the block reaches runs in spans, made later.
      {u"<Page><Page.Resources><Style TargetType='Run'><Setter Property='FontWeight' Value='Light'/></Style>"
       u"</Page.Resources><TextBlock>a<Bold>b</Bold><Italic>c</Italic></TextBlock></Page>",
       "300*,300*,300*"},
      {u"<Page><Page.Resources><Style TargetType='Run'><Setter Property='FontWeight' Value='Light'/></Style>"
       u"</Page.Resources><TextBlock>alone</TextBlock></Page>",
       "300*"},
      // ... and from the block's own resources.
      {u"<TextBlock><TextBlock.Resources><Style TargetType='Run'><Setter Property='FontWeight' Value='Black'/>"
       u"</Style></TextBlock.Resources>own</TextBlock>",
       "900*"},
      // A style for text blocks does not style the runs; the weight is inherited.
      {u"<Page><Page.Resources><Style TargetType='TextBlock'><Setter Property='FontWeight' Value='Bold'/></Style>"
       u"</Page.Resources><TextBlock>a<Italic>b</Italic></TextBlock></Page>",
       "700,700"},
      // A run style in a sibling's resources reaches no run here.
      {u"<StackPanel><Border><Border.Resources><Style TargetType='Run'><Setter Property='FontWeight' "
       u"Value='Light'/></Style></Border.Resources></Border><TextBlock><Bold>b</Bold>x</TextBlock></StackPanel>",
       "700,0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.markup));
    if (!Build(c.markup)) continue;
    CTKMarkupTextBlock* tb = nullptr;
    if (auto* page = MarkupDynamicCast<CTKMarkupPage>(root))
      tb = MarkupDynamicCast<CTKMarkupTextBlock>(page->GetChild());
    else if (auto* panel = MarkupDynamicCast<CTKMarkupPanel>(root))
      tb = MarkupDynamicCast<CTKMarkupTextBlock>(panel->GetChildren()->GetItem(1));
    else tb = Block();
    ASSERT_NE(tb, nullptr);
    EXPECT_EQ(RunWeights(tb->GetInlines()), c.weights);
  }

  // A value set on the block while its runs wait is read by them once made.
  Build(u"<TextBlock><Bold>b</Bold></TextBlock>");
  Block()->SetValue(CTKMarkupTextElement::m_pFontSizeProperty, new CTKMarkupInt(21));
  auto* bold = static_cast<CTKMarkupSpan*>(Block()->GetInlines()->GetItem(0));
  auto* run = static_cast<CTKMarkupRun*>(bold->GetInlines()->GetItem(0));
  LOGFONTW lf;
  run->GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, -21);
  EXPECT_EQ(lf.lfWeight, 700);
}

// A run whose style makes it black-weighted while its size is 20.
CTKMarkupStyle* BlackAtTwenty() {
  CTKMarkupStyle* style = new CTKMarkupStyle();
  auto* trigger = new CTKMarkupTrigger(CTKMarkupTextElement::m_pFontSizeProperty, new CTKMarkupInt(20));
  auto* setters = new CTKMarkupSetterColection();
  setters->Add(new CTKMarkupSetter(CTKMarkupTextElement::m_pFontWeightProperty, CTKMarkupEnum::CreateEnum(900)));
  trigger->SetValue(CTKMarkupTrigger::m_pSettersProperty, setters);
  auto* triggers = new CTKMarkupTriggerCollection();
  triggers->Add(trigger);
  style->SetValue(CTKMarkupStyle::m_pTriggersProperty, triggers);
  style->Seal();
  return style;
}

TEST_F(MarkupTextContent, ASpanNotInATreeTellsItsInlinesOfInheritedChanges) {
  CTKMarkupStyle* style = BlackAtTwenty();
  for (bool bRunFirst : {true, false}) {
    SCOPED_TRACE(bRunFirst ? "run added first" : "size set first");
    auto* bold = static_cast<CTKMarkupSpan*>(ctx->CreateObject(CTKMarkupBold::GetMarkupClass()));
    auto* run = static_cast<CTKMarkupRun*>(ctx->CreateObject(CTKMarkupRun::GetMarkupClass()));
    run->SetText(u"r");
    run->SetStyleInUse(style);
    if (bRunFirst) bold->GetInlines()->Add(run);
    bold->SetValue(CTKMarkupTextElement::m_pFontSizeProperty, new CTKMarkupInt(20));
    if (!bRunFirst) bold->GetInlines()->Add(run);
    auto* size = MarkupDynamicCast<CTKMarkupInt>(run->GetValue(CTKMarkupTextElement::m_pFontSizeProperty));
    auto* weight = MarkupDynamicCast<CTKMarkupEnum>(run->GetValue(CTKMarkupTextElement::m_pFontWeightProperty));
    ASSERT_TRUE(size && weight);
    EXPECT_EQ(size->GetValue(), 20);
    // Only a run that was there when the size changed heard it.
    EXPECT_EQ(weight->GetValue(), bRunFirst ? 900 : 700);
    bold->Release();
  }
  style->Release();
}

// ---- values converted from attribute texts ---------------------------------------------------

// The value of a number or enumeration, INT_MIN for anything else.
int NumberOf(CTKMarkupObject* p) {
  if (auto* n = MarkupDynamicCast<CTKMarkupInt>(p)) return n->GetValue();
  if (auto* e = MarkupDynamicCast<CTKMarkupEnum>(p)) return e->GetValue();
  return INT_MIN;
}

TEST_F(MarkupTextContent, NumbersAreSharedAndEachElementStillChangesAlone) {
  struct Case {
    const char16_t* element;
    CTKMarkupDependencyProperty** property;
    int value;
    bool shared;
  } cases[] = {
      {u"<Border Width='40'/>", &CTKMarkupFrameworkElement::m_pWidthProperty, 40, true},
      {u"<Border Height='12pt'/>", &CTKMarkupFrameworkElement::m_pHeightProperty, 16, true},
      {u"<Border Width='Auto'/>", &CTKMarkupFrameworkElement::m_pWidthProperty, INT_MAX, true},
      {u"<Border Width='5000'/>", &CTKMarkupFrameworkElement::m_pWidthProperty, 5000, false},
      {u"<Border Width='-3'/>", &CTKMarkupFrameworkElement::m_pWidthProperty, -3, false},
      {u"<Border Cursor='Hand'/>", &CTKMarkupInputElement::m_pCursorProperty, 32649, false},
      {u"<TextBlock FontWeight='Bold'/>", &CTKMarkupTextElement::m_pFontWeightProperty, 700, true},
      {u"<TextBlock FontWeight='ExtraBlack'/>", &CTKMarkupTextElement::m_pFontWeightProperty, 950, true},
      {u"<TextBlock TextWrapping='Wrap'/>", &CTKMarkupTextBlock::m_pTextWrappingProperty, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.element));
    for (int round = 0; round < 2; round++) {
      // The second round builds again after the first tree and every value
      // it held were released: a shared value must outlive them.
      if (!Build(u"<StackPanel>" + std::u16string(c.element) + c.element + u"</StackPanel>")) break;
      auto* panel = static_cast<CTKMarkupPanel*>(root);
      CTKMarkupObject* a = panel->GetChildren()->GetItem(0);
      CTKMarkupObject* b = panel->GetChildren()->GetItem(1);
      CTKMarkupObject* va = a->GetValue(*c.property);
      CTKMarkupObject* vb = b->GetValue(*c.property);
      EXPECT_EQ(NumberOf(va), c.value);
      EXPECT_EQ(NumberOf(vb), c.value);
      EXPECT_EQ(va == vb, c.shared);
      // One element changed through the interface; the other keeps its value.
      a->SetValue(*c.property, MarkupDynamicCast<CTKMarkupEnum>(va)
                                   ? static_cast<CTKMarkupObject*>(new CTKMarkupEnum(7))
                                   : new CTKMarkupInt(7));
      EXPECT_EQ(NumberOf(a->GetValue(*c.property)), 7);
      EXPECT_EQ(NumberOf(b->GetValue(*c.property)), c.value);
    }
  }
  // Bold elements share their weight the same way.
  Build(u"<TextBlock><Bold>a</Bold><Bold>b</Bold></TextBlock>");
  auto* first = static_cast<CTKMarkupBold*>(Block()->GetInlines()->GetItem(0));
  auto* second = static_cast<CTKMarkupBold*>(Block()->GetInlines()->GetItem(1));
  EXPECT_EQ(first->GetValue(CTKMarkupTextElement::m_pFontWeightProperty),
            second->GetValue(CTKMarkupTextElement::m_pFontWeightProperty));
  first->SetFontWeight(300);
  EXPECT_EQ(NumberOf(first->GetValue(CTKMarkupTextElement::m_pFontWeightProperty)), 300);
  EXPECT_EQ(NumberOf(second->GetValue(CTKMarkupTextElement::m_pFontWeightProperty)), 700);
  // The same through the converter itself, many times over.
  CTKMarkupString* text = CTKMarkupString::CreateString(u"2in");
  for (int i = 0; i < 3; i++) {
    CTKMarkupObject* p = ConvertLength(nullptr, text);
    EXPECT_EQ(NumberOf(p), 192);
    p->Release();
  }
  text->Release();
}

TEST_F(MarkupTextContent, ThicknessesChangeInPlaceForOneElementOnly) {
  for (const char16_t* attribute : {u"Margin='1,2,3,4'", u"Margin='1'", u"BorderThickness='1'"}) {
    SCOPED_TRACE(Narrow(attribute));
    const std::u16string border = u"<Border " + std::u16string(attribute) + u"/>";
    if (!Build(u"<StackPanel>" + border + border + u"</StackPanel>")) continue;
    auto* panel = static_cast<CTKMarkupPanel*>(root);
    CTKMarkupDependencyProperty* property = attribute[0] == u'M' ? CTKMarkupFrameworkElement::m_pMarginProperty
                                                                 : CTKMarkupBorder::m_pBorderThicknessProperty;
    auto* ta = MarkupDynamicCast<CTKMarkupThickness>(panel->GetChildren()->GetItem(0)->GetValue(property));
    auto* tb = MarkupDynamicCast<CTKMarkupThickness>(panel->GetChildren()->GetItem(1)->GetValue(property));
    ASSERT_TRUE(ta && tb);
    EXPECT_TRUE(ta->IsEqual(tb));
    ta->left = 9;  // the fields are open to callers
    EXPECT_EQ(tb->left, 1);
  }
}

}  // namespace
