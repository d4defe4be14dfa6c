// The stored form of a bar's controls: what a round trip through an archive
// keeps (actions, the sub-menus' own titles, every setting), and stores that
// are damaged, which change nothing.
#include <gtest/gtest.h>

#include <vector>

#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "tests/toolkit/commandbars/cbtest_support.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/common/propexchange_backends.h"

namespace {

using cbtest::CommandBarsFixture;
using cbtest::SiteWnd;
using cbtest::TestBar;

class ControlExchangeTest : public CommandBarsFixture {
 protected:
  ControlExchangeTest() {
    m_commandBars.SetSite(&m_site);
    m_commandBars.EnableActions();
    m_bar.SetCommandBars(&m_commandBars);
  }
  // The controls' stored bytes.
  static std::vector<BYTE> Store(CTKControls* pControls) {
    CMemFile file;
    {
      CArchive ar(&file, CArchive::store);
      CTKPropExchangeArchive px(ar);
      pControls->DoPropExchange(&px);
      ar.Close();
    }
    std::vector<BYTE> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    return bytes;
  }
  // Loads the bytes into the controls; FALSE when the load was refused.
  static bool Load(CTKControls* pControls, const std::vector<BYTE>& bytes) {
    CMemFile file;
    file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    file.SeekToBegin();
    try {
      CArchive ar(&file, CArchive::load);
      CTKPropExchangeArchive px(ar);
      pControls->DoPropExchange(&px);
      return true;
    } catch (CArchiveException* e) {
      e->Delete();
      return false;
    }
  }

  SiteWnd m_site;
  CTKCommandBars m_commandBars;
  TestBar m_bar;
};

TEST_F(ControlExchangeTest, AReloadedMenuKeepsItsActionsAndTheSubMenusTitles) {
  CMenu file, edit, menu;
  file.CreatePopupMenu();
  file.AppendMenu(MF_STRING, 100, u"&New");
  edit.CreatePopupMenu();
  edit.AppendMenu(MF_STRING, 110, u"&Undo");
  menu.CreatePopupMenu();
  menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(file.Detach()), u"&File");
  menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(edit.Detach()), u"&Edit");
  menu.AppendMenu(MF_STRING, 120, u"&Window");
  CTKControls* pControls = m_bar.GetControls();
  for (int i = 0; i < 100; ++i) {
    pControls->RemoveAll();
    ASSERT_TRUE(pControls->LoadMenu(&menu));
  }
  menu.DestroyMenu();
  CTKControlAction* pWindowAction = m_commandBars.FindAction(120);
  ASSERT_NE(pWindowAction, nullptr);

  const std::vector<BYTE> bytes = Store(pControls);
  pControls->RemoveAll();
  ASSERT_TRUE(Load(pControls, bytes));

  // New, Undo (in the sub-menus' bars) and Window.
  EXPECT_EQ(m_commandBars.GetActions()->GetCount(), 3);
  ASSERT_EQ(pControls->GetCount(), 3);
  const char16_t* titles[] = {u"&File", u"&Edit", u"&Window"};
  const int ids[] = {-1, -1, 120};
  for (int i = 0; i < 3; ++i) {
    CTKControl* pControl = pControls->GetAt(i);
    EXPECT_EQ(pControl->GetCaption(), CString(titles[i])) << i;
    EXPECT_EQ(pControl->GetID(), ids[i]) << i;
    EXPECT_EQ(pControl->GetType(), i < 2 ? TKControlType::Popup : TKControlType::Button) << i;
  }
  EXPECT_EQ(pControls->GetAt(0)->GetAction(), nullptr);
  EXPECT_EQ(pControls->GetAt(2)->GetAction(), pWindowAction);
  ExpectSane(m_bar);
  ExpectSane(m_commandBars.GetActions());
}

TEST_F(ControlExchangeTest, EverySettingSurvivesARoundTrip) {
  m_commandBars.EnableActions(FALSE);
  CTKControls* pControls = m_bar.GetControls();
  CTKControl* pControl = pControls->AddByType(TKControlType::CheckBox, 300);
  pControl->SetCaption(u"&Bold\tCtrl+B");
  pControl->SetTooltip(u"Bold");
  pControl->SetDescription(u"Makes the text bold");
  pControl->SetParameter(u"param");
  pControl->SetCategory(u"Format");
  pControl->SetCustomCaption(u"B&old");
  pControl->SetKeyboardTip(u"1");
  pControl->SetShortcutTextAuto(u"Ctrl+Shift+B");
  pControl->SetIconId(301);
  pControl->SetHelpId(302);
  pControl->SetTag(303);
  pControl->SetFlags(kTKControlFlagRightAlign | kTKControlFlagWrapRow);
  pControl->SetHideFlags(kTKHideCustomize);
  pControl->SetBeginGroup(TRUE);
  pControl->SetStyle(TKButtonStyle::IconAndCaption);
  pControl->SetCustomStyle(static_cast<int>(TKButtonStyle::Caption));
  pControl->SetWidth(80);
  pControl->SetHeight(30);
  pControl->SetExecuteOnPressInterval(250);
  pControl->SetIconSize(CSize(24, 24));
  pControl->SetDefaultItem(TRUE);
  pControl->SetCloseSubMenuOnClick(FALSE);
  pControl->GetDocTemplatesAssigned().SetAt(128, 0);
  pControl->GetDocTemplatesExcluded().SetAt(129, 0);
  pControls->AddByType(TKControlType::Button, 304, CString(), -1, TRUE);  // temporary: not stored
  pControls->CreateOriginalControls();

  TestBar other;
  other.SetCommandBars(&m_commandBars);
  ASSERT_TRUE(Load(other.GetControls(), Store(pControls)));
  ASSERT_EQ(other.GetControlCount(), 1);
  CTKControl* pLoaded = other.GetControl(0);
  EXPECT_TRUE(pLoaded->IsEqual(pControl));
  struct Check {
    const char* name;
    bool equal;
  } checks[] = {
      {"shortcut", pLoaded->GetShortcutText() == pControl->GetShortcutText()},
      {"shortcut auto", pLoaded->GetShortcutTextAuto() == CString(u"Ctrl+Shift+B")},
      {"category", pLoaded->GetCategory() == CString(u"Format")},
      {"keyboard tip", pLoaded->GetKeyboardTip() == CString(u"1")},
      {"help id", pLoaded->GetHelpId() == 302},
      {"tag", pLoaded->GetTag() == 303u},
      {"height", pLoaded->GetHeight() == 30},
      {"interval", pLoaded->GetExecuteOnPressInterval() == 250},
      {"icon size", pLoaded->GetIconSizeField() == CSize(24, 24)},
      {"default item", pLoaded->GetDefaultItem() == TRUE},
      {"close on click", pLoaded->GetCloseSubMenuOnClick() == FALSE},
      {"assigned", pLoaded->GetDocTemplatesAssigned().GetCount() == 1},
      {"excluded", pLoaded->GetDocTemplatesExcluded().GetCount() == 1},
      {"original controls",
       other.GetControls()->GetOriginalControls() && other.GetControls()->GetOriginalControls()->GetCount() == 1},
  };
  for (const Check& c : checks) EXPECT_TRUE(c.equal) << c.name;
  ExpectSane(other);
}

// A store that does not load whole (cut short, or holding a value no
// control can take) is refused, and the bar keeps the controls it had.
TEST_F(ControlExchangeTest, ADamagedStoreChangesNothing) {
  CTKControls* pControls = m_bar.GetControls();
  pControls->AddByType(TKControlType::Button, 400)->SetCaption(u"Keep");
  pControls->AddByType(TKControlType::Button, 401)->SetCaption(u"Me");

  TestBar source;
  source.SetCommandBars(&m_commandBars);
  source.GetControls()->AddByType(TKControlType::Button, 500)->SetCaption(u"New");
  source.GetControls()->AddByType(TKControlType::Button, 501)->SetCaption(u"Newer");
  const std::vector<BYTE> good = Store(source.GetControls());
  source.GetControls()->GetAt(1)->SetType(static_cast<TKControlType>(99));
  const std::vector<BYTE> badType = Store(source.GetControls());
  source.GetControls()->GetAt(1)->SetType(TKControlType::Button);
  source.GetControls()->GetAt(1)->SetWidth(-5);
  const std::vector<BYTE> badWidth = Store(source.GetControls());

  struct Case {
    const char* name;
    std::vector<BYTE> bytes;
  } cases[] = {
      {"cut short", std::vector<BYTE>(good.begin(), good.begin() + static_cast<long>(good.size() / 2))},
      {"type 99", badType},
      {"negative width", badWidth},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(Load(pControls, c.bytes));
    ASSERT_EQ(pControls->GetCount(), 2);
    EXPECT_EQ(pControls->GetAt(0)->GetCaption(), CString(u"Keep"));
    EXPECT_EQ(pControls->GetAt(1)->GetCaption(), CString(u"Me"));
  }
  EXPECT_EQ(m_commandBars.GetActions()->GetCount(), 4);
  ExpectSane(m_bar);
  ExpectSane(m_commandBars.GetActions());
}

}  // namespace
