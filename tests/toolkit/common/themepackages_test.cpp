// The four theme packages compiled into the program: every section and key
// the themes read, and every image their [Images] sections name, loads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system/resources.h"
#include "toolkit/common/resourceimages.h"

namespace {

// The names of a package's [Images] section, read from its text.
std::vector<std::u16string> ImageNames(HMODULE module, LPCTSTR ini) {
  std::vector<std::u16string> names;
  HRSRC res = FindResource(module, ini, u"TEXTFILE");
  if (!res) return names;
  const char* text = static_cast<const char*>(LockResource(LoadResource(module, res)));
  std::string all(text, SizeofResource(module, res));
  size_t start = all.find("[Images]\r\n");
  if (start == std::string::npos) return names;
  for (size_t pos = start + 10; pos < all.size();) {
    size_t end = all.find("\r\n", pos);
    std::string line = all.substr(pos, end - pos);
    pos = end + 2;
    size_t eq = line.find('=');
    if (eq != std::string::npos) names.emplace_back(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(eq));
  }
  return names;
}

class ThemePackages : public ::testing::TestWithParam<const char16_t*> {
 protected:
  void SetUp() override {
    if (!FindResource(AfxGetInstanceHandle(), u"OFFICE2007BLUE_INI", u"TEXTFILE"))
      GTEST_SKIP() << "the theme packages are not linked in";
  }
};

TEST_P(ThemePackages, EveryKeyAndImageIsThere) {
  CTKResourceImages images;
  ASSERT_TRUE(images.SetModule(AfxGetInstanceHandle(), GetParam(), FALSE));
  EXPECT_EQ(images.GetIniInt(u"Global", u"PremultiplyImages", -1), -1);  // written commented out
  const std::pair<const char16_t*, const char16_t*> keys[] = {
      {u"Window", u"SplitterFrameTab"},
      {u"Workspace", u"WorkspaceClientBottom"},
      {u"StatusBar", u"StatusBarShadow"},
      {u"MessageBar", u"MessageBarDark"},
      {u"Toolbar", u"MenuPopupTearOffGripper"},
      {u"Ribbon", u"BackstageMenuTextColor"},
      {u"DockingPane", u"WordPaneBorder"},
      {u"TabManager", u"AccessBorder"},
      {u"ShortcutBar", u"ItemCaptionShadow"},
      {u"Controls", u"GroupBoxFrame"},
      {u"PopupControl", u"ButtonBorder"},
      {u"PropertyGrid", u"Highlight"},
      {u"ListBox", u"NormalText"},
      {u"ReportControl", u"GroupShadeIndent"},
      {u"CalendarControl", u"CaptionBarBorders"},
      {u"DatePicker", u"MonthHeaderButton"},
      {u"ComboBox", u"GlyphDisabled"},
      {u"RibbonComboBox", u"BorderDisabled"},
  };
  for (const auto& [section, key] : keys)
    EXPECT_NE(images.GetIniColor(section, key, static_cast<COLORREF>(-1)), static_cast<COLORREF>(-1))
        << CString(section) << "/" << CString(key);
  std::vector<std::u16string> names = ImageNames(AfxGetInstanceHandle(), GetParam());
  EXPECT_EQ(names.size(), 172u);
  for (const auto& name : names) {
    CTKResourceImage* image = images.GetImage(name.c_str());
    ASSERT_NE(image, nullptr) << CString(name.c_str());
    EXPECT_GT(image->GetExtent().cx, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Packages, ThemePackages,
                         ::testing::Values(u"OFFICE2007BLUE_INI", u"OFFICE2007AQUA_INI", u"OFFICE2007BLACK_INI",
                                           u"OFFICE2007SILVER_INI"));

TEST(ThemePackagesDefault, TheStoreStartsWithTheBluePackage) {
  if (!FindResource(AfxGetInstanceHandle(), u"OFFICE2007BLUE_INI", u"TEXTFILE"))
    GTEST_SKIP() << "the theme packages are not linked in";
  CTKResourceImages* images = GetResourceImages();
  ASSERT_TRUE(images->IsLoaded());
  EXPECT_EQ(images->GetIniName(), CString(u"OFFICE2007BLUE_INI"));
  EXPECT_EQ(images->GetIniColor(u"window", u"BORDERACTIVE0", 0), RGB(59, 90, 130));
  CTKResourceImage* buttons = images->GetImage(u"ToolbarButtons50");
  ASSERT_NE(buttons, nullptr);
  EXPECT_EQ(images->GetImage(u"ToolbarButtons50"), buttons);
  EXPECT_EQ(buttons->GetStateRect(1, 4).Height(), 50);
}

}  // namespace
