// A bar's copy: its settings, the command bars it belongs to and copies of
// its controls, which share the source's actions.
#include <gtest/gtest.h>

#include "tests/toolkit/commandbars/cbtest_support.h"

namespace {

using cbtest::CommandBarsFixture;
using cbtest::SiteWnd;
using cbtest::TestBar;

class CommandBarCopyTest : public CommandBarsFixture {
 protected:
  CommandBarCopyTest() {
    m_commandBars.SetSite(&m_site);
    m_commandBars.EnableActions();
    m_source.SetCommandBars(&m_commandBars);
    m_source.ModifyFlags(kTKBarFlagAlignTop | kTKBarFlagSmartLayout, 0);
    m_source.SetShowGripper(FALSE);
    m_source.SetTitle(u"Standard");
    m_source.SetBarID(59419);
    m_source.SetCustomizable(FALSE);
    m_source.SetMRUWidth(300);
    m_source.SetIconSize(CSize(24, 24));
    m_source.SetButtonSize(CSize(30, 28));
    m_source.SetDefaultButtonStyle(TKButtonStyle::Caption);
    CTKControls* pControls = m_source.GetControls();
    pControls->AddByType(TKControlType::Button, 100)->SetCaption(u"&Open");
    pControls->AddByType(TKControlType::Button, 101, CString(), -1, TRUE);  // temporary
    CTKControl* pSave = pControls->AddByType(TKControlType::Button, 102);
    pSave->SetCaption(u"&Save");
    pSave->SetBeginGroup(TRUE);
  }

  SiteWnd m_site;
  CTKCommandBars m_commandBars;
  TestBar m_source{TKBarType::Normal, TKBarPosition::Left};
};

TEST_F(CommandBarCopyTest, ACloneTakesTheSettingsAndCopiesOfTheLastingControls) {
  CTKCommandBar* pClone = m_source.Clone();
  struct Check {
    const char* name;
    bool equal;
  } checks[] = {
      {"type", pClone->GetType() == TKBarType::Normal},
      {"position", pClone->GetPosition() == TKBarPosition::Left},
      {"bar id", pClone->GetBarID() == 59419},
      {"flags", pClone->GetFlags() == (kTKBarFlagAlignTop | kTKBarFlagSmartLayout)},
      {"gripper", !pClone->GetShowGripper()},
      {"title", pClone->GetTitle() == CString(u"Standard")},
      {"customizable", !pClone->IsCustomizable()},
      {"preferred width", pClone->GetMRUWidth() == 300},
      {"icon size", pClone->GetIconSize() == CSize(24, 24)},
      {"button size", pClone->GetButtonSize() == CSize(30, 28)},
      {"default style", pClone->GetDefaultButtonStyle() == TKButtonStyle::Caption},
      {"command bars", pClone->GetCommandBars() == &m_commandBars},
  };
  for (const Check& c : checks) EXPECT_TRUE(c.equal) << c.name;

  // The temporary control stays behind; the others share their actions.
  ASSERT_EQ(pClone->GetControlCount(), 2);
  const int ids[] = {100, 102};
  for (int i = 0; i < 2; ++i) {
    CTKControl* pCopy = pClone->GetControl(i);
    CTKControl* pOriginal = m_source.GetControl(i == 0 ? 0 : 2);
    EXPECT_EQ(pCopy->GetID(), ids[i]);
    EXPECT_EQ(pCopy->GetParent(), pClone);
    EXPECT_NE(pCopy, pOriginal);
    EXPECT_EQ(pCopy->GetAction(), pOriginal->GetAction());
    EXPECT_EQ(pCopy->GetCaption(), pOriginal->GetCaption());
    EXPECT_EQ(pCopy->GetBeginGroup(), pOriginal->GetBeginGroup());
  }
  EXPECT_TRUE(pClone->IsLayoutDirty());
  ExpectSane(*pClone);
  pClone->InternalRelease();
  ExpectSane(m_commandBars.GetActions());
}

TEST_F(CommandBarCopyTest, ACopyReplacesTheControlsAndACopyOfItselfChangesNothing) {
  TestBar target;
  target.GetControls()->AddByType(TKControlType::Button, 500);
  target.Copy(&m_source);
  ASSERT_EQ(target.GetControlCount(), 2);
  EXPECT_EQ(target.GetControl(0)->GetID(), 100);
  EXPECT_EQ(target.GetTitle(), CString(u"Standard"));
  // The copy's controls are its own: removing them leaves the source's.
  target.GetControls()->RemoveAll();
  EXPECT_EQ(m_source.GetControlCount(), 3);

  m_source.Copy(&m_source);
  m_source.Copy(nullptr);
  EXPECT_EQ(m_source.GetControlCount(), 3);
  EXPECT_EQ(m_source.GetTitle(), CString(u"Standard"));
  ExpectSane(target);
  ExpectSane(m_source);
}

// Nothing is drawn on glass until a ribbon draws its caption there.
TEST_F(CommandBarCopyTest, NoControlIsDrawnOnGlass) {
  CTKControl loose;
  EXPECT_FALSE(loose.IsDrawnOnGlass());
  for (TKBarType type : {TKBarType::MenuBar, TKBarType::Normal, TKBarType::Popup, TKBarType::Ribbon}) {
    m_source.SetType(type);
    EXPECT_FALSE(m_source.GetControl(0)->IsDrawnOnGlass()) << static_cast<int>(type);
  }
}

}  // namespace
