// Registration on demand, in a program of its own: nothing else may register
// a type before this test looks (the other markup tests register them all).
#include <gtest/gtest.h>

#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markuptext.h"

namespace {

TEST(MarkupRegistry, BaseTypesRegisterFirst) {
  // Nothing is registered yet.
  ASSERT_FALSE(CTKMarkupCheckBox::GetMarkupClass()->IsRegistered());
  ASSERT_FALSE(CTKMarkupFrameworkElement::GetMarkupClass()->IsRegistered());
  ASSERT_EQ(CTKMarkupToggleButton::m_pIsCheckedProperty, nullptr);
  ASSERT_EQ(CTKMarkupFrameworkElement::m_pWidthProperty, nullptr);

  // Asking for a derived class registers its bases first, so the base's
  // properties have the lower store indexes.
  CTKMarkupCheckBox::GetMarkupClass()->EnsureRegistered();
  for (CTKMarkupType* t = CTKMarkupCheckBox::GetMarkupClass(); t; t = t->GetBaseType()) EXPECT_TRUE(t->IsRegistered());
  ASSERT_NE(CTKMarkupToggleButton::m_pIsCheckedProperty, nullptr);
  ASSERT_NE(CTKMarkupFrameworkElement::m_pWidthProperty, nullptr);
  ASSERT_NE(CTKMarkupObject::m_pKeyProperty, nullptr);
  EXPECT_LT(CTKMarkupObject::m_pKeyProperty->GetStoreIndex(),
            CTKMarkupFrameworkElement::m_pWidthProperty->GetStoreIndex());
  EXPECT_LT(CTKMarkupFrameworkElement::m_pWidthProperty->GetStoreIndex(),
            CTKMarkupToggleButton::m_pIsCheckedProperty->GetStoreIndex());
  // Types off the chain wait until they are asked for.
  EXPECT_FALSE(CTKMarkupTextBlock::GetMarkupClass()->IsRegistered());
  EXPECT_EQ(CTKMarkupRun::m_pTextProperty, nullptr);
}

}  // namespace
