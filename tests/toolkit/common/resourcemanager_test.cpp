// The resource manager: language records, reading order of message boxes,
// the string-block rule and each loader on fixture resources of a module of
// our own.
#include <gtest/gtest.h>

#include <vector>

#include "platform/framework/afxgdi.h"
#include "platform/system/modules.h"
#include "platform/system/msgbox.h"
#include "platform/system/resources.h"
#include "platform/window/winuser.h"
#include "toolkit/common/resourcemanager.h"

namespace {

// A string block: entries given as (index in block, text).
std::vector<unsigned char> StringBlock(std::initializer_list<std::pair<int, std::u16string>> entries) {
  std::u16string texts[16];
  for (const auto& [index, text] : entries) texts[index] = text;
  std::vector<unsigned char> out;
  for (const auto& t : texts) {
    out.push_back(static_cast<unsigned char>(t.size() & 0xFF));
    out.push_back(static_cast<unsigned char>(t.size() >> 8));
    for (char16_t ch : t) {
      out.push_back(static_cast<unsigned char>(ch & 0xFF));
      out.push_back(static_cast<unsigned char>(ch >> 8));
    }
  }
  return out;
}

// The fixture module "tkresfixture" with strings, a menu, a dialog, an HTML
// text and a bitmap; one resource in German so that detection finds it.
struct Fixture {
  std::vector<unsigned char> block1 = StringBlock({{0, u"zero"}, {5, u"five"}});
  std::vector<unsigned char> block2 = StringBlock({{0, u"sixteen"}, {1, u"seventeen"}, {15, u"thirty-one"}});
  // Block 3 (ids 32-47) claims an entry that runs past its end.
  std::vector<unsigned char> block3{0x03, 0x00, 'a', 0, 'b', 0, 'c', 0, 0xFF, 0x7F, 'x', 0};
  std::vector<unsigned char> menu;
  std::vector<unsigned char> dialog;
  std::vector<unsigned char> html{'<', 'b', '>', 'H', 'i', 0xC3, 0xA9, '<', '/', 'b', '>', 0, 'j', 'u', 'n', 'k'};
  std::vector<unsigned char> bitmap;
  std::vector<unsigned char> iconImage, iconGroup, cursorImage, cursorGroup;
  std::vector<pv::ResourceEntry> entries;
  pv::ResourceSet set{};
  HMODULE module = nullptr;

  Fixture() {
    pv::MenuTemplate m;
    pv::MenuItemTemplate popup;
    popup.flags = pv::kMenuPopup;
    popup.text = u"&File";
    pv::MenuItemTemplate open;
    open.id = 501;
    open.text = u"&Open...";
    popup.children.push_back(open);
    m.items.push_back(popup);
    auto mb = pv::EncodeMenuResource(m);
    menu.assign(mb.begin(), mb.end());
    pv::DialogTemplate d;
    d.caption = u"Fixture dialog";
    d.cx = 100;
    d.cy = 50;
    auto db = pv::EncodeDialogResource(d);
    dialog.assign(db.begin(), db.end());
    // A 2x1 24-bit DIB: header, then one row of two pixels padded to 8 bytes.
    bitmap.assign(40 + 8, 0);
    auto put32 = [&](int at, DWORD v) {
      for (int i = 0; i < 4; ++i) bitmap[static_cast<size_t>(at + i)] = static_cast<unsigned char>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, 2);
    put32(8, 1);
    bitmap[12] = 1;
    bitmap[14] = 24;
    // A 16x16 32-bit icon image (DIB with doubled height, then its mask),
    // its group, and a cursor made of the same image with a hot spot.
    auto le = [](std::vector<unsigned char>& v, DWORD value, int bytes) {
      for (int i = 0; i < bytes; ++i) v.push_back(static_cast<unsigned char>(value >> (8 * i)));
    };
    le(iconImage, 40, 4);
    le(iconImage, 16, 4);
    le(iconImage, 32, 4);
    le(iconImage, 1, 2);
    le(iconImage, 32, 2);
    for (int i = 0; i < 6; ++i) le(iconImage, 0, 4);
    for (int i = 0; i < 16 * 16; ++i) le(iconImage, 0xFF336699u, 4);
    for (int i = 0; i < 16; ++i) le(iconImage, 0, 4);
    le(iconGroup, 0, 2);
    le(iconGroup, 1, 2);
    le(iconGroup, 1, 2);
    iconGroup.insert(iconGroup.end(), {16, 16, 0, 0});
    le(iconGroup, 1, 2);
    le(iconGroup, 32, 2);
    le(iconGroup, static_cast<DWORD>(iconImage.size()), 4);
    le(iconGroup, 401, 2);
    le(cursorImage, 3, 2);
    le(cursorImage, 5, 2);
    cursorImage.insert(cursorImage.end(), iconImage.begin(), iconImage.end());
    le(cursorGroup, 0, 2);
    le(cursorGroup, 2, 2);
    le(cursorGroup, 1, 2);
    le(cursorGroup, 16, 2);
    le(cursorGroup, 32, 2);
    le(cursorGroup, 1, 2);
    le(cursorGroup, 32, 2);
    le(cursorGroup, static_cast<DWORD>(cursorImage.size()), 4);
    le(cursorGroup, 402, 2);
    auto add = [&](WORD type, WORD name, WORD language, const std::vector<unsigned char>& data) {
      entries.push_back(
          pv::ResourceEntry{nullptr, type, nullptr, name, language, data.data(), static_cast<DWORD>(data.size())});
    };
    add(6, 1, 0x0409, block1);
    add(6, 2, 0x0409, block2);
    add(6, 3, 0x0409, block3);
    add(4, 300, 0x0407, menu);
    add(5, 301, 0x0409, dialog);
    add(23, 302, 0x0409, html);
    add(2, 303, 0x0409, bitmap);
    add(3, 401, 0x0409, iconImage);
    add(14, 304, 0x0409, iconGroup);
    add(1, 402, 0x0409, cursorImage);
    add(12, 305, 0x0409, cursorGroup);
    set = pv::ResourceSet{u"tkresfixture", entries.data(), entries.size()};
    module = pv::RegisterResourceSet(&set);
  }
  ~Fixture() { pv::UnregisterResourceSet(&set); }
};

class ResourceManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadLibraryW(u"tkresfixture.dll");
    TKSetResourceModule(fixture.module);
  }
  void TearDown() override {
    TKSetResourceModule(nullptr);
    GetResourceManager()->SetResourceLanguage(0x0409);
    FreeLibrary(fixture.module);
  }
  Fixture fixture;
};

TEST_F(ResourceManagerTest, LanguageRecordsFallBackToEnglish) {
  int count = 0;
  const TK_LANGUAGE_INFO* table = GetLanguageInfoTable(&count);
  EXPECT_EQ(count, 35);
  EXPECT_EQ(std::u16string(FindLanguageInfo(0x0422)->lpszCaption), u"Ukrainian ");
  EXPECT_EQ(FindLanguageInfo(0x0C07), nullptr);
  for (int i = 0; i < count; ++i) EXPECT_EQ(FindLanguageInfo(table[i].wLanguage), &table[i]);

  CTKResourceManager manager;
  EXPECT_EQ(manager.GetResourcesLangID(), 0x0409);
  struct Case {
    WORD asked, got;
    UINT codePage;
    BYTE charset;
  } cases[] = {{0x0C07, 0x0409, 0, 0}, {0x040D, 0x040D, 1255, 177}, {0x0804, 0x0804, 936, 134}, {0, 0x0409, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    manager.SetResourceLanguage(c.asked);
    EXPECT_EQ(manager.GetResourcesLangID(), c.got);
    EXPECT_EQ(manager.GetResourceLanguage(), c.got);
    EXPECT_EQ(manager.GetLanguageInfo()->nCodePage, c.codePage);
    manager.SetUseLanguageCharset(TRUE);
    EXPECT_EQ(manager.GetFontCharset(), c.charset);
    manager.SetUseLanguageCharset(FALSE);
    LOGFONTW font{};
    SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(font), &font, 0);
    EXPECT_EQ(manager.GetFontCharset(), font.lfCharSet);  // whatever the language
  }
}

TEST_F(ResourceManagerTest, RightToLeftLanguagesReadMessageBoxesRightToLeft) {
  pv::MessageBoxRecorder recorder;
  CTKResourceManager manager;
  struct Case {
    WORD language;
    bool rtl;
  } cases[] = {{0x0409, false}, {0x040D, true}, {0x0401, true}, {0x0419, false}};
  for (const Case& c : cases) {
    manager.SetResourceLanguage(c.language);
    manager.ShowMessageBox(u"Text", MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(recorder.Last().text, u"Text");
    EXPECT_EQ(recorder.Last().Buttons(), static_cast<UINT>(MB_YESNO));
    EXPECT_EQ((recorder.Last().type & MB_RTLREADING) != 0, c.rtl) << c.language;
  }
  manager.SetResourceLanguage(0x040D);
  manager.ShowMessageBoxById(17, MB_OK);
  EXPECT_EQ(recorder.Last().text, u"seventeen");
  EXPECT_TRUE(recorder.Last().type & MB_RTLREADING);
}

TEST_F(ResourceManagerTest, StringIdsMapToBlockAndEntry) {
  struct Case {
    UINT id;
    const char16_t* text;  // null: missing
  } cases[] = {{17, u"seventeen"}, {16, u"sixteen"}, {31, u"thirty-one"}, {0, u"zero"},  {5, u"five"},
               {1, nullptr},       {18, nullptr},    {32, u"abc"},        {33, nullptr}, {4000, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    CString text(u"old");
    int length = CTKResourceManager::LoadStringFromModule(fixture.module, c.id, &text);
    if (c.text) {
      EXPECT_EQ(std::u16string(text.GetString()), c.text);
      EXPECT_EQ(length, text.GetLength());
    } else {
      EXPECT_EQ(length, 0);
      EXPECT_TRUE(text.IsEmpty());
    }
  }
  BOOL missing = FALSE;
  CString out;
  EXPECT_EQ(std::u16string(GetResourceManager()->LoadStringEx(&out, 17, &missing).GetString()), u"seventeen");
  EXPECT_FALSE(missing);
  GetResourceManager()->LoadStringEx(&out, 40001, &missing);
  EXPECT_TRUE(missing);
  EXPECT_TRUE(out.IsEmpty());
}

TEST_F(ResourceManagerTest, LoadersFindFixtureResourcesAndFailCleanlyOtherwise) {
  CTKResourceManager* manager = GetResourceManager();
  CMenu menu;
  ASSERT_TRUE(manager->LoadMenu(&menu, 300));
  CMenu file;
  ASSERT_TRUE(file.Attach(::GetSubMenu(menu.GetSafeHmenu(), 0)));
  CString itemText;
  EXPECT_EQ(CTKResourceManager::GetMenuString(&file, 501, &itemText, MF_BYCOMMAND), 8);
  file.Detach();
  EXPECT_EQ(std::u16string(itemText.GetString()), u"&Open...");
  EXPECT_EQ(CTKResourceManager::GetMenuString(nullptr, 501, &itemText, MF_BYCOMMAND), 0);
  CMenu none;
  EXPECT_FALSE(manager->LoadMenu(&none, 399));

  LPCVOID dialog = manager->LoadDialogTemplate(301);
  ASSERT_NE(dialog, nullptr);
  pv::DialogTemplate decoded;
  ASSERT_TRUE(pv::DecodeDialogResource(dialog, pv::TemplateBlobSize(dialog), &decoded));
  EXPECT_EQ(decoded.caption, u"Fixture dialog");
  EXPECT_EQ(manager->LoadDialogTemplate(399), nullptr);

  CString html;
  EXPECT_TRUE(manager->LoadHTML(&html, 302));
  EXPECT_EQ(std::u16string(html.GetString()), u"<b>Hi\u00e9</b>");  // cut at the first null
  EXPECT_FALSE(manager->LoadHTML(&html, 399));
  EXPECT_FALSE(manager->LoadHTML(nullptr, 302));

  CBitmap bitmap;
  ASSERT_TRUE(manager->LoadBitmap(&bitmap, 303));
  BITMAP info{};
  ASSERT_NE(bitmap.GetObject(sizeof(info), &info), 0);
  EXPECT_EQ(info.bmWidth, 2);
  EXPECT_EQ(info.bmHeight, 1);
  CBitmap missingBitmap;
  EXPECT_FALSE(manager->LoadBitmap(&missingBitmap, 399));

  HICON icon = manager->LoadIconById(304, 16, 16);
  EXPECT_NE(icon, nullptr);
  if (icon) DestroyIcon(icon);
  HICON made = manager->CreateIconFromResource(fixture.module, MAKEINTRESOURCE(304), 16, 16);
  ASSERT_NE(made, nullptr);
  ICONINFO iconInfo{};
  ASSERT_TRUE(GetIconInfo(made, &iconInfo));
  BITMAP colour{};
  GetObject(iconInfo.hbmColor, sizeof(colour), &colour);
  EXPECT_EQ(colour.bmWidth, 16);
  if (iconInfo.hbmColor) DeleteObject(iconInfo.hbmColor);
  if (iconInfo.hbmMask) DeleteObject(iconInfo.hbmMask);
  DestroyIcon(made);
  EXPECT_NE(manager->LoadCursor(305), nullptr);
  EXPECT_EQ(manager->LoadCursor(399), nullptr);
  EXPECT_EQ(manager->LoadIconById(399, 16, 16), nullptr);
  EXPECT_EQ(manager->CreateIconFromResource(fixture.module, MAKEINTRESOURCE(399), 16, 16), nullptr);

  HMODULE where = nullptr;
  EXPECT_NE(FindResourceInModules(&where, MAKEINTRESOURCE(301), RT_DIALOG), nullptr);
  EXPECT_EQ(where, fixture.module);
}

TEST_F(ResourceManagerTest, DetectionAndHandleScopeUseTheToolkitModule) {
  CTKResourceManager manager;
  manager.DetectResourceLanguage();
  EXPECT_EQ(manager.GetResourcesLangID(), 0x0407);  // the German menu
  HINSTANCE before = AfxGetResourceHandle();
  {
    CTKResourceHandleScope scope;
    EXPECT_EQ(AfxGetResourceHandle(), fixture.module);
    scope.Restore();
    EXPECT_EQ(AfxGetResourceHandle(), before);
    AfxSetResourceHandle(fixture.module);
    scope.Restore();  // only once
    EXPECT_EQ(AfxGetResourceHandle(), fixture.module);
    AfxSetResourceHandle(before);
  }
  TKSetResourceModule(nullptr);
  {
    CTKResourceHandleScope scope;  // no toolkit module: nothing changes
    EXPECT_EQ(AfxGetResourceHandle(), before);
  }
  CTKNarrowString narrow(u"caf\u00e9");
  EXPECT_STREQ(narrow.c_str(), "caf\xc3\xa9");
}

}  // namespace
