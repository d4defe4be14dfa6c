// Where a built tree's styles and static resources come from: resources
// written after the elements that use them, nested scopes, styles reached
// through a style's own resources or a collection, based-on styles with
// triggers, explicit styles beside implicit ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markupstyle.h"
#include "tests/toolkit/markup/markup_test_support.h"

namespace {

using markup_test::Narrow;

class MarkupStyleResolution : public markup_test::Fixture {
 protected:
  // The element at a path of logical child indexes from the root.
  CTKMarkupObject* At(const std::vector<int>& path) const {
    CTKMarkupObject* p = root;
    for (int i : path) p = p ? p->GetLogicalChild(i) : nullptr;
    return p;
  }
  int WidthAt(const std::vector<int>& path) const {
    CTKMarkupObject* p = At(path);
    CTKMarkupInt* pWidth =
        p ? MarkupDynamicCast<CTKMarkupInt>(p->GetValue(CTKMarkupFrameworkElement::m_pWidthProperty)) : nullptr;
    return pWidth ? pWidth->GetValue() : -1;
  }
  COLORREF BackgroundAt(const std::vector<int>& path) const {
    CTKMarkupObject* p = At(path);
    CTKMarkupBrush* pBrush =
        p ? MarkupDynamicCast<CTKMarkupBrush>(p->GetValue(CTKMarkupBorder::m_pBackgroundProperty)) : nullptr;
    return pBrush ? pBrush->GetColor() : 0xFFFFFFFF;
  }
};

#define IMPLICIT_BUTTON(w) u"<Style TargetType='Button'><Setter Property='Width' Value='" w u"'/></Style>"

// Each case: the markup, then the width expected at each path (-1: none).
struct WidthCase {
  const char* name;
  std::u16string markup;
  std::vector<std::pair<std::vector<int>, int>> expected;
};

TEST_F(MarkupStyleResolution, WidthsFromStylesMatchTheNearestScopeWhereverItIsWritten) {
  const WidthCase cases[] = {
      {"no style anywhere", u"<StackPanel><Button/><Button Width='3'/></StackPanel>", {{{0}, -1}, {{1}, 3}}},
      {"resources written after the children",
       u"<StackPanel><Button/><StackPanel.Resources>" IMPLICIT_BUTTON(u"40") u"</StackPanel.Resources></StackPanel>",
       {{{0}, 40}}},
      {"an ancestor's resources written after the subtree",
       u"<StackPanel><Border><StackPanel><Button/></StackPanel></Border>"
       u"<StackPanel.Resources>" IMPLICIT_BUTTON(u"41") u"</StackPanel.Resources></StackPanel>",
       {{{0, 0, 0}, 41}}},
      {"nested dictionaries: the nearest wins",
       u"<StackPanel><StackPanel.Resources>" IMPLICIT_BUTTON(
           u"40") u"</StackPanel.Resources>"
                  u"<StackPanel><Button/><StackPanel.Resources>" IMPLICIT_BUTTON(
                      u"20") u"</StackPanel.Resources></StackPanel>"
                             u"<Button/></StackPanel>",
       {{{0, 0}, 20}, {{1}, 40}}},
      {"a style's own resources style what is inside its element",
       u"<StackPanel><StackPanel.Resources><Style x:Key='p' TargetType='StackPanel'><Style.Resources>" IMPLICIT_BUTTON(
           u"42") u"</Style.Resources></Style></StackPanel.Resources>"
                  u"<StackPanel Style='{StaticResource p}'><Button/><Border><Button/></Border></StackPanel>"
                  u"<Button/></StackPanel>",
       {{{0, 0}, 42}, {{0, 1, 0}, 42}, {{1}, -1}}},
      {"content of a content control and a decorator",
       u"<StackPanel><StackPanel.Resources><Style TargetType='Border'><Setter Property='Width' Value='44'/></Style>"
       u"</StackPanel.Resources><Button><Border/></Button><Border><Border/></Border></StackPanel>",
       {{{0, 0}, 44}, {{1}, 44}, {{1, 0}, 44}}},
      {"an explicit style beside an implicit one",
       u"<StackPanel><StackPanel.Resources>" IMPLICIT_BUTTON(
           u"40") u"<Style x:Key='k' TargetType='Button'><Setter Property='Height' Value='1'/></Style>"
                  u"</StackPanel.Resources><Button Style='{StaticResource k}'/><Button/></StackPanel>",
       {{{0}, -1}, {{1}, 40}}},
      {"a trigger on at build time, through based-on styles only keyed",
       u"<StackPanel><StackPanel.Resources><Style x:Key='base' TargetType='Button'><Style.Triggers>"
       u"<Trigger Property='IsMouseOver' Value='False'><Trigger.Setters><Setter Property='Width' Value='43'/>"
       u"</Trigger.Setters></Trigger></Style.Triggers></Style>"
       u"<Style x:Key='d' TargetType='Button' BasedOn='{StaticResource base}'/>"
       u"</StackPanel.Resources><Border><Button Style='{StaticResource d}'/></Border><Button/></StackPanel>",
       {{{0, 0}, 43}, {{1}, -1}}},
      {"the same trigger beside an implicit style",
       u"<StackPanel><StackPanel.Resources>" IMPLICIT_BUTTON(
           u"40") u"<Style x:Key='base' TargetType='Button'><Style.Triggers>"
                  u"<Trigger Property='IsMouseOver' Value='False'><Trigger.Setters><Setter Property='Width' "
                  u"Value='43'/>"
                  u"</Trigger.Setters></Trigger></Style.Triggers></Style>"
                  u"<Style x:Key='d' TargetType='Button' BasedOn='{StaticResource base}'/>"
                  u"</StackPanel.Resources><Border><Button Style='{StaticResource d}'/></Border><Button/></StackPanel>",
       {{{0, 0}, 43}, {{1}, 40}}},
  };
  for (const WidthCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (!Build(c.markup)) continue;
    for (const auto& [path, width] : c.expected) EXPECT_EQ(WidthAt(path), width) << "child " << path.back();
  }
}

TEST_F(MarkupStyleResolution, OnlyLiveDictionariesWithTypeKeysCount) {
  EXPECT_FALSE(CTKMarkupResourceDictionary::AnyHoldsTypeKeys());
  Build(
      u"<StackPanel><StackPanel.Resources><Style x:Key='k' TargetType='Button'/></StackPanel.Resources></StackPanel>");
  EXPECT_FALSE(CTKMarkupResourceDictionary::AnyHoldsTypeKeys()) << "a keyed style is not found by type";
  MarkupReleaseElement(root);
  root = ctx->Parse(u"<StackPanel><StackPanel.Resources>" IMPLICIT_BUTTON(u"1")
                        IMPLICIT_BUTTON(u"2") u"</StackPanel.Resources></StackPanel>");
  EXPECT_EQ(root, nullptr) << "the second style repeats the key";
  EXPECT_FALSE(CTKMarkupResourceDictionary::AnyHoldsTypeKeys()) << "the refused build released its dictionary";
  Build(u"<StackPanel><StackPanel.Resources>" IMPLICIT_BUTTON(
      u"1") u"<Style TargetType='Border'/>"
            u"</StackPanel.Resources></StackPanel>");
  EXPECT_TRUE(CTKMarkupResourceDictionary::AnyHoldsTypeKeys());
  MarkupReleaseElement(root);
  root = nullptr;
  EXPECT_FALSE(CTKMarkupResourceDictionary::AnyHoldsTypeKeys());
}

TEST_F(MarkupStyleResolution, ElementsCountThemselvesWhileTheirStylesMayHaveTriggers) {
  const std::u16string kTriggered =
      u"<Style x:Key='t' TargetType='Button'><Style.Triggers><Trigger Property='IsMouseOver' Value='True'>"
      u"<Trigger.Setters><Setter Property='Width' Value='1'/></Trigger.Setters></Trigger></Style.Triggers></Style>"
      u"<Style x:Key='plain' TargetType='Button'><Setter Property='Width' Value='2'/></Style>"
      u"<Style x:Key='derived' TargetType='Button' BasedOn='{StaticResource t}'/>";
  const struct {
    const char* name;
    std::u16string buttons;
    int counted;
  } cases[] = {
      {"no style", u"<Button/><Button/>", 0},
      {"a style without triggers", u"<Button Style='{StaticResource plain}'/><Button Style='{StaticResource plain}'/>",
       0},
      {"a style with triggers", u"<Button Style='{StaticResource t}'/><Button Style='{StaticResource t}'/>", 2},
      {"a style based on one with triggers",
       u"<Button Style='{StaticResource derived}'/><Button Style='{StaticResource plain}'/>", 1},
  };
  const int before = CTKMarkupStyle::GetElementsThatMayTrigger();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Build(u"<StackPanel><StackPanel.Resources>" + kTriggered + u"</StackPanel.Resources>" + c.buttons +
          u"</StackPanel>");
    EXPECT_EQ(CTKMarkupStyle::GetElementsThatMayTrigger() - before, c.counted);
    MarkupReleaseElement(root);
    root = nullptr;
    EXPECT_EQ(CTKMarkupStyle::GetElementsThatMayTrigger(), before) << "released elements count no more";
  }
}

// A trigger that is on from the start: the mouse is over nothing.
CTKMarkupTriggerCollection* WidthTriggers(int nWidth) {
  CTKMarkupTrigger* trigger =
      new CTKMarkupTrigger(CTKMarkupInputElement::m_pIsMouseOverProperty, CTKMarkupBool::CreateBool(FALSE));
  CTKMarkupSetterColection* setters = new CTKMarkupSetterColection();
  setters->Add(new CTKMarkupSetter(CTKMarkupFrameworkElement::m_pWidthProperty, new CTKMarkupInt(nWidth)));
  trigger->SetValue(CTKMarkupTrigger::m_pSettersProperty, setters);
  CTKMarkupTriggerCollection* triggers = new CTKMarkupTriggerCollection();
  triggers->Add(trigger);
  return triggers;
}

TEST_F(MarkupStyleResolution, TriggersASealedStyleGainsAreAppliedByTheNextStylePass) {
  const struct {
    const char* name;
    bool emptyTriggersFirst;
    void (*change)(CTKMarkupStyle* style);
  } cases[] = {
      {"triggers set", false,
       [](CTKMarkupStyle* style) { style->SetValue(CTKMarkupStyle::m_pTriggersProperty, WidthTriggers(45)); }},
      {"a trigger added", true,
       [](CTKMarkupStyle* style) {
         CTKMarkupTriggerCollection* more = WidthTriggers(45);
         CTKMarkupObject* trigger = more->GetItem(0);
         trigger->AddRef();
         more->Release();
         style->GetTriggers()->Add(trigger);
       }},
      {"a base with triggers", false,
       [](CTKMarkupStyle* style) {
         CTKMarkupStyle* base = new CTKMarkupStyle();
         base->SetValue(CTKMarkupStyle::m_pTriggersProperty, WidthTriggers(45));
         style->SetValue(CTKMarkupStyle::m_pBasedOnProperty, base);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!Build(u"<StackPanel><Button/><Button/></StackPanel>")) continue;
    CTKMarkupStyle* style = new CTKMarkupStyle();
    if (c.emptyTriggersFirst) style->SetValue(CTKMarkupStyle::m_pTriggersProperty, new CTKMarkupTriggerCollection());
    At({0})->SetValue(CTKMarkupInputElement::m_pStyleProperty, style);  // seals it
    ASSERT_FALSE(CTKMarkupStyle::AnyElementMayTrigger()) << "nothing alive has triggers yet";
    c.change(style);
    CTKMarkupInputElement::ApplyStyles(root);
    EXPECT_EQ(WidthAt({0}), 45);
    EXPECT_EQ(WidthAt({1}), -1);
    MarkupReleaseElement(root);
    root = nullptr;
    EXPECT_FALSE(CTKMarkupStyle::AnyElementMayTrigger()) << "the changed style is gone";
  }
}

// Each case: the markup, then the background colour expected at each path.
struct BrushCase {
  const char* name;
  std::u16string markup;
  std::vector<std::pair<std::vector<int>, COLORREF>> expected;
};

TEST_F(MarkupStyleResolution, StaticResourcesComeFromTheNearestOpenElementAsItIsThen) {
  const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
  const BrushCase cases[] = {
      {"the innermost open element first",
       u"<StackPanel><StackPanel.Resources><SolidColorBrush x:Key='a' Color='Red'/></StackPanel.Resources>"
       u"<Border Background='{StaticResource a}'><Border.Resources><SolidColorBrush x:Key='a' Color='Blue'/>"
       u"</Border.Resources>"
       u"<Border Background='{StaticResource a}'/></Border><Border Background='{StaticResource a}'/></StackPanel>",
       {{{0}, red}, {{0, 0}, blue}, {{1}, red}}},
      {"resources an open element gains between two children",
       u"<StackPanel><StackPanel.Resources><SolidColorBrush x:Key='a' Color='Red'/>"
       u"<SolidColorBrush x:Key='b' Color='Red'/></StackPanel.Resources>"
       u"<StackPanel><Border Background='{StaticResource b}'/>"
       u"<StackPanel.Resources><SolidColorBrush x:Key='b' Color='Blue'/></StackPanel.Resources>"
       u"<Border Background='{StaticResource b}'/><Border><Border Background='{StaticResource b}'/></Border>"
       u"</StackPanel></StackPanel>",
       {{{0, 0}, red}, {{0, 1}, blue}, {{0, 2, 0}, blue}}},
      {"a style's resources while it is open",
       u"<StackPanel><StackPanel.Resources><SolidColorBrush x:Key='c' Color='Red'/>"
       u"<Style x:Key='s' TargetType='Border'><Style.Resources><SolidColorBrush x:Key='c' Color='Blue'/>"
       u"</Style.Resources><Setter Property='Background' Value='{StaticResource c}'/></Style>"
       u"</StackPanel.Resources><Border Style='{StaticResource s}'/><Border Background='{StaticResource c}'/>"
       u"</StackPanel>",
       {{{0}, blue}, {{1}, red}}},
      {"a style an element takes after a lookup of its own",
       u"<StackPanel><StackPanel.Resources><SolidColorBrush x:Key='c' Color='Red'/>"
       u"<Style x:Key='s' TargetType='Border'><Style.Resources><SolidColorBrush x:Key='c' Color='Blue'/>"
       u"</Style.Resources></Style></StackPanel.Resources>"
       u"<Border Background='{StaticResource c}' Style='{StaticResource s}'>"
       u"<Border Background='{StaticResource c}'/></Border></StackPanel>",
       {{{0}, red}, {{0, 0}, blue}}},
  };
  for (const BrushCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (!Build(c.markup)) continue;
    for (const auto& [path, colour] : c.expected) EXPECT_EQ(BackgroundAt(path), colour) << "child " << path.back();
  }
}

}  // namespace
