// Styles, setters, triggers and resource dictionaries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markupstyle.h"
#include "toolkit/markup/markuptext.h"

namespace {

std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}
[[maybe_unused]] std::string Narrow(const CString& s) { return Narrow(std::u16string(s.GetString())); }
[[maybe_unused]] std::string Narrow(LPCWSTR s) { return Narrow(std::u16string(s ? s : u"")); }

int IntOf(CTKMarkupObject* p) { return p ? static_cast<CTKMarkupInt*>(p)->GetValue() : -1; }
COLORREF ColorOf(CTKMarkupObject* p) { return p ? static_cast<CTKMarkupBrush*>(p)->GetColor() : 0xFFFFFFFF; }

class MarkupStyles : public ::testing::Test {
 protected:
  void SetUp() override { ctx = MarkupCreateContext(nullptr); }
  void TearDown() override {
    MarkupReleaseElement(root);
    MarkupReleaseContext(ctx);
  }
  CTKMarkupInputElement* Build(const std::u16string& text) {
    MarkupReleaseElement(root);
    root = ctx->Parse(text.c_str());
    EXPECT_NE(root, nullptr) << Narrow(ctx->GetLastParseError());
    return root;
  }
  CTKMarkupObject* Child(int i) { return static_cast<CTKMarkupPanel*>(root)->GetVisualChild(i); }
  CTKMarkupContext* ctx = nullptr;
  CTKMarkupInputElement* root = nullptr;
};

TEST_F(MarkupStyles, ImplicitStyleAppliesToTheExactTypeBelowItsOwner) {
  Build(
      u"<StackPanel><StackPanel.Resources><Style TargetType='Button'><Setter Property='Width' "
      u"Value='40'/></Style></StackPanel.Resources>"
      u"<Button/><CheckBox/><StackPanel><Button Width='7'/><Button/></StackPanel></StackPanel>");
  CTKMarkupDependencyProperty* width = CTKMarkupFrameworkElement::m_pWidthProperty;
  EXPECT_EQ(IntOf(Child(0)->GetValue(width)), 40);
  EXPECT_EQ(Child(1)->GetValue(width), nullptr) << "a check box is not a button";
  CTKMarkupPanel* inner = static_cast<CTKMarkupPanel*>(Child(2));
  EXPECT_EQ(IntOf(inner->GetVisualChild(0)->GetValue(width)), 7) << "a local value outranks the style";
  EXPECT_EQ(IntOf(inner->GetVisualChild(1)->GetValue(width)), 40);
  EXPECT_EQ(root->GetValue(width), nullptr);
}

TEST_F(MarkupStyles, BasedOnAndLaterSettersWin) {
  Build(
      u"<StackPanel><StackPanel.Resources>"
      u"<Style x:Key='base' TargetType='{x:Type Button}'><Setter Property='Width' Value='10'/><Setter "
      u"Property='Height' Value='5'/>"
      u"<Setter Property='TextElement.FontWeight' Value='Bold'/></Style>"
      u"<Style x:Key='derived' TargetType='Button' BasedOn='{StaticResource base}'><Setter Property='Width' "
      u"Value='20'/>"
      u"<Setter Property='Width' Value='30'/></Style>"
      u"</StackPanel.Resources><Button Style='{StaticResource derived}'>x</Button><Button Style='{StaticResource "
      u"base}'/></StackPanel>");
  CTKMarkupObject* derived = Child(0);
  EXPECT_EQ(IntOf(derived->GetValue(CTKMarkupFrameworkElement::m_pWidthProperty)), 30);
  EXPECT_EQ(IntOf(derived->GetValue(CTKMarkupFrameworkElement::m_pHeightProperty)), 5);
  EXPECT_EQ(IntOf(Child(1)->GetValue(CTKMarkupFrameworkElement::m_pWidthProperty)), 10);
  // A style value of an inheriting property reaches the text inside.
  CTKMarkupTextBlock* tb = static_cast<CTKMarkupTextBlock*>(static_cast<CTKMarkupButton*>(derived)->GetContent());
  CTKMarkupObject* weight = tb->GetInlines()->GetItem(0)->GetValue(CTKMarkupTextElement::m_pFontWeightProperty);
  ASSERT_NE(weight, nullptr);
  EXPECT_EQ(static_cast<CTKMarkupEnum*>(weight)->GetValue(), 700);
}

TEST_F(MarkupStyles, SetterErrors) {
  struct Case {
    const char16_t* style;
    const char* error;
  } cases[] = {
      {u"<Style TargetType='Border'><Setter Property='FontWeight' Value='Bold'/></Style>",
       "Cannot find the Style Property 'FontWeight'"},
      {u"<Style><Setter Property='Width' Value='1'/></Style>", "Cannot find the Style Property 'Width'"},
      {u"<Style TargetType='Border'><Setter Property='Width'/></Style>",
       "Must specify both Property and Value for Setter."},
      {u"<Style TargetType='Border'><Setter Value='1'/></Style>", "Must specify both Property and Value for Setter."},
      {u"<Style TargetType='Border'><Setter Property='Width' Value='1'/><Border/></Style>",
       "Cannot add content to an object of type 'CTKMarkupStyle'"},
      {u"<Style TargetType='Border'><Setter Property='HorizontalAlignment' Value='Middle'/></Style>",
       "Cannot convert string in attribute 'HorizontalAlignment' to object of type 'CTKMarkupEnum'"},
      {u"<Style TargetType='Button'/><Style TargetType='Button'/>",
       "Dictionary key is already used. Key attributes must be unique."},
      {u"<Style TargetType='Nope'/>",
       "Cannot convert string in attribute 'TargetType' to object of type 'CTKMarkupType'"},
  };
  for (const Case& c : cases) {
    std::u16string text = u"<Page><Page.Resources>" + std::u16string(c.style) + u"</Page.Resources></Page>";
    MarkupReleaseElement(root);
    root = ctx->Parse(text.c_str());
    EXPECT_EQ(root, nullptr);
    std::string e = Narrow(ctx->GetLastParseError());
    EXPECT_EQ(e.substr(0, std::string(c.error).size() + 7), std::string(c.error) + ". Line ") << e;
  }
  // The same setter written with the owner's tag works on any target.
  Build(
      u"<Page><Page.Resources><Style TargetType='Border'><Setter Property='TextElement.FontWeight' "
      u"Value='Bold'/></Style></Page.Resources>"
      u"<Border/></Page>");
  CTKMarkupObject* border = static_cast<CTKMarkupPage*>(root)->GetChild();
  EXPECT_NE(border->GetValue(CTKMarkupTextElement::m_pFontWeightProperty), nullptr);
}

TEST_F(MarkupStyles, ImplicitStylesComeFromTheNearestScopeAtEveryDepth) {
  // Scopes at several depths: panels' own resources, a style's resources,
  // elements reached through a collection, a decorator or a content control,
  // and inlines of a text block.
  Build(
      u"<StackPanel><StackPanel.Resources>"
      u"<Style TargetType='Button'><Setter Property='Width' Value='1'/></Style>"
      u"<Style TargetType='Border'><Setter Property='Width' Value='2'/></Style>"
      u"<Style TargetType='Bold'><Setter Property='TextElement.FontWeight' Value='Normal'/></Style>"
      u"<Style x:Key='scoped' TargetType='StackPanel'><Style.Resources>"
      u"<Style TargetType='Button'><Setter Property='Width' Value='4'/></Style></Style.Resources></Style>"
      u"</StackPanel.Resources>"
      u"<Button/>"
      u"<Border><StackPanel><StackPanel.Resources><Style TargetType='Button'><Setter Property='Width' "
      u"Value='3'/></Style></StackPanel.Resources>"
      u"<Button/><Border Width='9'><Button/></Border></StackPanel></Border>"
      u"<StackPanel Style='{StaticResource scoped}'><Button/><StackPanel><Button/></StackPanel></StackPanel>"
      u"<TextBlock>plain <Bold>bold</Bold></TextBlock>"
      u"<Button><Border/></Button>"
      u"</StackPanel>");
  ASSERT_NE(root, nullptr);
  auto at = [&](std::vector<int> path) {
    CTKMarkupObject* p = root;
    for (int i : path) p = p ? p->GetLogicalChild(i) : nullptr;
    return p;
  };
  CTKMarkupDependencyProperty* width = CTKMarkupFrameworkElement::m_pWidthProperty;
  struct Case {
    std::vector<int> path;
    int width;
  } cases[] = {
      {{0}, 1},                        // the root's style
      {{1}, 2},                        // a border under the root
      {{1, 0, 0}, 3},                  // a button under a nearer scope
      {{1, 0, 1}, 9},                  // a local value outranks the style
      {{1, 0, 1, 0}, 3},               // the nearer scope reaches through a decorator
      {{2, 0}, 4},                     // the scope of the panel's style
      {{2, 1, 0}, 4},                  // ... and below it
      {{4}, 1},          {{4, 0}, 2},  // content of a button
  };
  for (const Case& c : cases) {
    CTKMarkupObject* e = at(c.path);
    ASSERT_NE(e, nullptr) << "path of " << c.width;
    EXPECT_EQ(IntOf(e->GetValue(width)), c.width) << "element with expected width " << c.width;
  }
  // The text block's inlines: the bold run found its style through the
  // inline collection.
  CTKMarkupObject* inlines = at({3, 0});
  ASSERT_NE(inlines, nullptr);
  CTKMarkupInputElement* bold = nullptr;
  for (int i = 0; i < inlines->GetLogicalChildrenCount(); i++)
    if (CTKMarkupBold* b = MarkupDynamicCast<CTKMarkupBold>(inlines->GetLogicalChild(i))) bold = b;
  ASSERT_NE(bold, nullptr);
  EXPECT_NE(bold->GetStyle(), nullptr);

  // Styles applied to a subtree alone still find the scopes above it.
  CTKMarkupInputElement* inner = static_cast<CTKMarkupInputElement*>(at({1, 0, 1, 0}));
  inner->SetStyleInUse(nullptr);
  EXPECT_EQ(inner->GetValue(width), nullptr);
  CTKMarkupInputElement::ApplyStyles(inner);
  EXPECT_EQ(IntOf(inner->GetValue(width)), 3);
}

TEST_F(MarkupStyles, AnElementFindsItsImplicitStyleInItsOwnResources) {
  // The element's own dictionary comes first, for elements with children
  // (whose level the walk has read on the way down) and without.
  Build(
      u"<StackPanel><StackPanel.Resources><Style TargetType='StackPanel'><Setter Property='Width' "
      u"Value='5'/></Style><Style TargetType='Button'><Setter Property='Width' Value='1'/></Style>"
      u"</StackPanel.Resources>"
      u"<Button><Button.Resources><Style TargetType='Button'><Setter Property='Width' Value='2'/></Style>"
      u"</Button.Resources></Button>"
      u"<Border><Border.Resources><Style TargetType='Border'><Setter Property='Width' Value='3'/></Style>"
      u"</Border.Resources><Button/></Border>"
      u"<Border/></StackPanel>");
  ASSERT_NE(root, nullptr);
  CTKMarkupDependencyProperty* width = CTKMarkupFrameworkElement::m_pWidthProperty;
  CTKMarkupObject* border = Child(1);
  struct Case {
    CTKMarkupObject* element;
    int width;  // -1: no style
  } cases[] = {
      {root, 5},                        // a panel, from its own resources
      {Child(0), 2},                    // a button without children, from its own
      {border, 3},                      // a decorator with a child, from its own
      {border->GetLogicalChild(0), 1},  // the button below it, from the panel's
      {Child(2), -1},                   // a border outside that scope
  };
  for (const Case& c : cases) EXPECT_EQ(IntOf(c.element->GetValue(width)), c.width) << c.width;
}

TEST_F(MarkupStyles, ResourcesAStyleGivesAnElementAreSearched) {
  // The panel's dictionary is not stored on it: its style's setter gives it.
  // A button below finds its implicit style there.
  Build(u"<StackPanel><Button/></StackPanel>");
  ASSERT_NE(root, nullptr);
  CTKMarkupDependencyProperty* width = CTKMarkupFrameworkElement::m_pWidthProperty;
  CTKMarkupStyle* buttonStyle = new CTKMarkupStyle();
  buttonStyle->AddSetter(new CTKMarkupSetter(width, new CTKMarkupInt(6)));
  CTKMarkupResourceDictionary* resources = new CTKMarkupResourceDictionary();
  resources->Add(CTKMarkupButton::GetMarkupClass(), buttonStyle);
  CTKMarkupStyle* panelStyle = new CTKMarkupStyle();
  panelStyle->AddSetter(new CTKMarkupSetter(CTKMarkupInputElement::m_pResourcesProperty, resources));
  panelStyle->Seal();
  root->SetStyleInUse(panelStyle);
  EXPECT_EQ(root->GetStoredValue(CTKMarkupInputElement::m_pResourcesProperty), nullptr);
  ASSERT_EQ(root->GetValue(CTKMarkupInputElement::m_pResourcesProperty), resources);
  CTKMarkupInputElement* button = static_cast<CTKMarkupInputElement*>(Child(0));
  EXPECT_EQ(button->GetValue(width), nullptr);
  CTKMarkupInputElement::ApplyStyles(root);
  EXPECT_EQ(IntOf(button->GetValue(width)), 6);
  button->SetStyleInUse(nullptr);  // neither holds a reference to its style
  root->SetStyleInUse(nullptr);
  panelStyle->Release();
}

TEST_F(MarkupStyles, AResourceSearchEndsAtAStyleWithNothingSet) {
  // A style ends the search at its own resources even when nothing is set on
  // it: the dictionary of the element above it is not consulted.
  Build(
      u"<StackPanel><StackPanel.Resources><SolidColorBrush x:Key='k' Color='Red'/></StackPanel.Resources>"
      u"</StackPanel>");
  ASSERT_NE(root, nullptr);
  CTKMarkupString* key = CTKMarkupString::CreateString(u"k");
  EXPECT_NE(FindElementResource(root, key), nullptr);
  CTKMarkupStyle* bare = new CTKMarkupStyle();
  bare->SetLogicalParent(root);
  EXPECT_EQ(FindElementResource(bare, key), nullptr);
  CTKMarkupStyle* keyed = new CTKMarkupStyle();
  keyed->SetLogicalParent(root);
  keyed->SetValue(CTKMarkupObject::m_pKeyProperty, CTKMarkupString::CreateString(u"s"));
  EXPECT_EQ(FindElementResource(keyed, key), nullptr);
  keyed->Release();
  bare->Release();
  key->Release();
}

// Records the property changes an element is told about.
class CRecorder : public CTKMarkupFrameworkElement {
 public:
  void OnPropertyChanged(CTKMarkupDependencyProperty* p, CTKMarkupObject* o, CTKMarkupObject* n) override {
    if (p == CTKMarkupTextElement::m_pForegroundProperty) changes.push_back({o, n});
    CTKMarkupFrameworkElement::OnPropertyChanged(p, o, n);
  }
  std::vector<std::pair<CTKMarkupObject*, CTKMarkupObject*>> changes;
};

TEST_F(MarkupStyles, MouseOverTriggerAppliesAndRemovesItsSetter) {
  Build(
      u"<Page><Page.Resources><Style x:Key='s' TargetType='FrameworkElement'>"
      u"<Setter Property='TextElement.Foreground' Value='Red'/>"
      u"<Style.Triggers><Trigger Property='IsMouseOver' Value='True'><Trigger.Setters>"
      u"<Setter Property='TextElement.Foreground' Value='Blue'/></Trigger.Setters></Trigger></Style.Triggers>"
      u"</Style></Page.Resources></Page>");
  CTKMarkupResourceDictionary* resources =
      static_cast<CTKMarkupResourceDictionary*>(root->GetValue(CTKMarkupStyle::m_pResourcesProperty));
  CTKMarkupString* key = CTKMarkupString::CreateString(u"s");
  CTKMarkupStyle* style = static_cast<CTKMarkupStyle*>(resources->Lookup(key));
  key->Release();
  ASSERT_NE(style, nullptr);

  CRecorder* e = new CRecorder();
  style->AddRef();
  e->SetValue(CTKMarkupInputElement::m_pStyleProperty, style);
  CTKMarkupInputElement::ApplyStyles(e);
  CTKMarkupDependencyProperty* fg = CTKMarkupTextElement::m_pForegroundProperty;
  EXPECT_EQ(ColorOf(e->GetValue(fg)), RGB(255, 0, 0));
  e->changes.clear();

  e->SetValue(CTKMarkupInputElement::m_pIsMouseOverProperty, CTKMarkupBool::CreateBool(TRUE));
  EXPECT_EQ(ColorOf(e->GetValue(fg)), RGB(0, 0, 255)) << "the trigger outranks the style";
  ASSERT_EQ(e->changes.size(), 1u);
  EXPECT_EQ(e->changes[0].first, nullptr);
  EXPECT_EQ(ColorOf(e->changes[0].second), RGB(0, 0, 255));

  // Setting the same value again changes nothing and keeps one active trigger.
  e->SetValue(CTKMarkupInputElement::m_pIsMouseOverProperty, CTKMarkupBool::CreateBool(TRUE));
  EXPECT_EQ(e->GetActiveTriggers()->GetCount(), 1);

  e->SetValue(CTKMarkupInputElement::m_pIsMouseOverProperty, CTKMarkupBool::CreateBool(FALSE));
  EXPECT_EQ(ColorOf(e->GetValue(fg)), RGB(255, 0, 0)) << "the style's value shows again";
  ASSERT_EQ(e->changes.size(), 2u);
  EXPECT_EQ(ColorOf(e->changes[1].first), RGB(0, 0, 255));
  EXPECT_EQ(e->changes[1].second, nullptr);
  EXPECT_EQ(e->GetActiveTriggers()->GetCount(), 0);

  // A local value outranks the trigger.
  e->SetValue(fg, new CTKMarkupSolidColorBrush(new CTKMarkupColor(RGB(1, 2, 3))));
  e->SetValue(CTKMarkupInputElement::m_pIsMouseOverProperty, CTKMarkupBool::CreateBool(TRUE));
  EXPECT_EQ(ColorOf(e->GetValue(fg)), RGB(1, 2, 3));
  e->Release();
}

TEST_F(MarkupStyles, HyperlinksCarryTheirTypeStyle) {
  Build(u"<TextBlock><Hyperlink>go</Hyperlink><Hyperlink Foreground='Green'>x</Hyperlink></TextBlock>");
  CTKMarkupInlineCollection* inlines = static_cast<CTKMarkupTextBlock*>(root)->GetInlines();
  CTKMarkupHyperlink* link = static_cast<CTKMarkupHyperlink*>(inlines->GetItem(0));
  CTKMarkupDependencyProperty* fg = CTKMarkupTextElement::m_pForegroundProperty;
  EXPECT_EQ(ColorOf(link->GetValue(fg)), RGB(0, 0, 255));
  EXPECT_EQ(IntOf(link->GetValue(CTKMarkupInputElement::m_pCursorProperty)), 32649);
  EXPECT_EQ(static_cast<CTKMarkupEnum*>(link->GetValue(CTKMarkupTextElement::m_pTextDecorationsProperty))->GetValue(),
            1);
  // The run inside inherits the link's look.
  EXPECT_EQ(ColorOf(link->GetInlines()->GetItem(0)->GetValue(fg)), RGB(0, 0, 255));
  link->SetValue(CTKMarkupInputElement::m_pIsMouseOverProperty, CTKMarkupBool::CreateBool(TRUE));
  EXPECT_EQ(ColorOf(link->GetValue(fg)), RGB(255, 0, 0));
  link->SetValue(CTKMarkupInputElement::m_pIsMouseOverProperty, nullptr);
  EXPECT_EQ(ColorOf(link->GetValue(fg)), RGB(0, 0, 255));
  CTKMarkupHyperlink* green = static_cast<CTKMarkupHyperlink*>(inlines->GetItem(1));
  EXPECT_EQ(ColorOf(green->GetValue(fg)), RGB(0, 128, 0));
}

TEST_F(MarkupStyles, TriggersThatFeedEachOtherStop) {
  // Two triggers that switch each other's conditions back and forth: the
  // re-entrant switching stops at its depth limit instead of recursing
  // until the stack is gone.
  Build(
      u"<Page><Page.Resources><Style TargetType='Border'><Style.Triggers>"
      u"<Trigger Property='IsMouseOver' Value='True'><Trigger.Setters><Setter Property='Focusable' Value='True'/>"
      u"<Setter Property='IsMouseOver' Value='False'/></Trigger.Setters></Trigger>"
      u"<Trigger Property='IsMouseOver' Value='False'><Trigger.Setters><Setter Property='IsMouseOver' "
      u"Value='True'/></Trigger.Setters></Trigger>"
      u"</Style.Triggers></Style></Page.Resources><Border/></Page>");
  CTKMarkupObject* border = static_cast<CTKMarkupPage*>(root)->GetChild();
  border->SetValue(CTKMarkupInputElement::m_pIsMouseOverProperty, CTKMarkupBool::CreateBool(TRUE));
  border->SetValue(CTKMarkupInputElement::m_pIsMouseOverProperty, CTKMarkupBool::CreateBool(FALSE));
  SUCCEED();
}

TEST(MarkupStyleSeal, BasedOnCycleDoesNotRecurse) {
  CTKMarkupType::RegisterAllTypes();
  CTKMarkupStyle* a = new CTKMarkupStyle();
  CTKMarkupStyle* b = new CTKMarkupStyle();
  a->AddSetter(new CTKMarkupSetter(CTKMarkupFrameworkElement::m_pWidthProperty, new CTKMarkupInt(1)));
  b->AddRef();
  a->SetValue(CTKMarkupStyle::m_pBasedOnProperty, b);
  a->AddRef();
  b->SetValue(CTKMarkupStyle::m_pBasedOnProperty, a);
  a->Seal();
  EXPECT_TRUE(a->IsSealed());
  EXPECT_EQ(IntOf(a->GetStyleValue(CTKMarkupFrameworkElement::m_pWidthProperty)), 1);
  // Break the cycle so both can go.
  a->SetValue(CTKMarkupStyle::m_pBasedOnProperty, nullptr);
  a->Release();
  b->Release();
}

}  // namespace
