// The command bars' texts are linked into the program and found by the
// toolkit's resource manager under the ids the bars use.
#include <gtest/gtest.h>

#include "toolkit/commandbars/commandbarsres.h"
#include "toolkit/common/resourcemanager.h"

namespace {

TEST(CommandBarsResourcesTest, TheBarsTextsLoadUnderTheirIds) {
  struct Case {
    UINT id;
    const char16_t* text;
  } cases[] = {
      {TK_ID_TOOLBAR_ADDORREMOVE, u"\n&Add or Remove Buttons"},
      {TK_ID_TOOLBAR_RESET, u"\n&Reset Toolbar"},
      {TK_ID_TOOLBAR_EXPAND, u"\nToolbar Options"},
      {TK_ID_TOOLBAR_HIDE, u"\nClose"},
      {TK_ID_POPUPBAR_EXPAND, u"\nExpand"},
      {TK_ID_MENUBAR_CLOSE, u"\nClose Window"},
      {TK_ID_MENUBAR_RESTORE, u"\nRestore Window"},
      {TK_ID_MENUBAR_MINIMIZE, u"\nMinimize Window"},
      {TK_IDS_INVALIDNUMBER, u"This is not a valid number."},
      {TK_IDS_INVALIDWIDTH, u"The number must be between 1 and 1638."},
      {TK_IDS_CONFIRMRESET, u"Are you sure you want to reset the changes made to the '%s' toolbar?"},
      {TK_IDS_TOOLBARCHANGED,
       u"Due to a software update the toolbar '%s' has changed. Would you like to reset your customized toolbar "
       u"and load the new one?"},
      {TK_ID_STATUSBAR_CUSTOMIZE, u"Customize Status Bar"},
      {TK_IDS_WAITFORCHORD, u"(%s) was pressed. Waiting for second key of chord..."},
  };
  for (const Case& c : cases) {
    CString text;
    EXPECT_TRUE(GetResourceManager()->LoadString(&text, c.id)) << c.id;
    EXPECT_EQ(text, CString(c.text)) << c.id;
  }
  // The tab-group commands and Customize have prompts too; the caption
  // control, the system-menu popup and the placeholders have none.
  for (UINT id : {TK_ID_TABGROUP_MOVEPREVIOUS, TK_ID_TABGROUP_MOVENEXT, TK_ID_TABGROUP_NEWHORIZONTAL,
                  TK_ID_TABGROUP_NEWVERTICAL, TK_ID_CUSTOMIZE}) {
    CString text;
    EXPECT_TRUE(GetResourceManager()->LoadString(&text, id)) << id;
    EXPECT_EQ(text.Find(u'\n'), 0) << id;
  }
  for (UINT id : {TK_ID_DIALOGBAR_CAPTION, TK_ID_MENUBAR_SYSMENU, TK_ID_WINDOWLIST, TK_ID_WORKSPACE_ACTIONS}) {
    CString text;
    EXPECT_FALSE(GetResourceManager()->LoadString(&text, id)) << id;
  }
}

}  // namespace
