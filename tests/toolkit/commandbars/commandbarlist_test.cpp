// A list of bars holds one reference each and releases them all.
#include <gtest/gtest.h>

#include "tests/toolkit/commandbars/cbtest_support.h"
#include "toolkit/commandbars/commandbarlist.h"

namespace {

using cbtest::CommandBarsFixture;
using cbtest::TestBar;

class CommandBarListTest : public CommandBarsFixture {};

TEST_F(CommandBarListTest, BarsAreFoundByIdAndReleasedWithTheList) {
  auto* pList = new CTKCommandBarList();
  auto* pFirst = new TestBar();
  auto* pSecond = new TestBar();
  auto* pThird = new TestBar();
  pFirst->SetBarID(1);
  pSecond->SetBarID(2);
  pThird->SetBarID(2);
  pList->Add(pFirst);
  pList->Add(pSecond);
  pList->Add(pThird);
  pList->Add(nullptr);
  EXPECT_EQ(pList->GetCount(), 3);
  EXPECT_EQ(pList->FindBar(2), pSecond);  // the first with the id
  EXPECT_EQ(pList->FindBar(3), nullptr);
  EXPECT_EQ(pList->GetAt(2), pThird);
  EXPECT_EQ(pList->GetAt(3), nullptr);
  EXPECT_EQ(pList->GetAt(-1), nullptr);
  EXPECT_TRUE(pList->Contains(pThird));

  // A bar someone else still holds outlives the list; the others go (the
  // leak check sees any that stays).
  pSecond->InternalAddRef();
  const HWND hwndSecond = pSecond->GetSafeHwnd();
  const HWND hwndFirst = pFirst->GetSafeHwnd();
  pList->InternalRelease();
  EXPECT_TRUE(::IsWindow(hwndSecond));
  EXPECT_FALSE(::IsWindow(hwndFirst));
  pSecond->InternalRelease();
  EXPECT_FALSE(::IsWindow(hwndSecond));
}

}  // namespace
