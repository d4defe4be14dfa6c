#include "platform/system/resources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/system/locale.h"
#include "platform/system/modules.h"
#include "platform/system/sysutil.h"
#include "tests/platform/system/fixtures/fixture_ids.h"
#include "tests/platform/system/test_support.h"

namespace {

std::string Data(HMODULE m, LPCWSTR name, LPCWSTR type) {
  HRSRC r = FindResourceW(m, name, type);
  if (!r) return "<missing>";
  const char* p = static_cast<const char*>(LockResource(LoadResource(m, r)));
  return std::string(p, SizeofResource(m, r));
}

std::string FileText(const char* name) {
  std::ifstream in(std::string(PV_TEST_FIXTURES) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::u16string Str(UINT id, HINSTANCE m = nullptr) {
  WCHAR buf[128];
  int n = LoadStringW(m, id, buf, 128);
  return std::u16string(buf, n);
}

class ThreadLocaleScope {
 public:
  explicit ThreadLocaleScope(LCID l) : old_(GetThreadLocale()) { SetThreadLocale(l); }
  ~ThreadLocaleScope() { SetThreadLocale(old_); }

 private:
  LCID old_;
};

TEST(Resources, StringTablesByIdLanguageAndBuffer) {
  EXPECT_EQ(u"Hello", Str(IDS_HELLO));
  EXPECT_EQ(u"sixteen", Str(IDS_BLOCK2_FIRST));
  EXPECT_EQ(u"seventeen \"quoted\"\ttab", Str(IDS_SEVENTEEN));  // entry 1 of block 2
  EXPECT_EQ(u"Wide: \u4e2d\u6587 \u00e4", Str(IDS_WIDE));
  EXPECT_EQ(u"", Str(2));    // an empty slot of an existing block
  EXPECT_EQ(u"", Str(999));  // no such block
  {
    ThreadLocaleScope german(0x0407);
    EXPECT_EQ(u"Hallo", Str(IDS_HELLO));
    EXPECT_EQ(u"sixteen", Str(IDS_BLOCK2_FIRST));  // only the neutral block has it
  }
  {
    ThreadLocaleScope swiss(0x0807);  // German (Switzerland): the same primary language wins over neutral
    EXPECT_EQ(u"Hallo", Str(IDS_HELLO));
  }
  WCHAR small[4] = {u'#', u'#', u'#', u'#'};
  EXPECT_EQ(3, LoadStringW(nullptr, IDS_HELLO, small, 4));
  EXPECT_EQ(u"Hel", std::u16string(small));
  const WCHAR* direct = nullptr;
  EXPECT_EQ(5, LoadStringW(nullptr, IDS_HELLO, reinterpret_cast<LPWSTR>(&direct), 0));
  EXPECT_EQ(u"Hello", std::u16string(direct, 5));

  CString s;
  EXPECT_TRUE(s.LoadString(IDS_SEVENTEEN));
  EXPECT_EQ(u"seventeen \"quoted\"\ttab", std::u16string(s.GetString()));
  EXPECT_FALSE(s.LoadString(12345));
}

TEST(Resources, MenuAcceleratorDialogAndToolBarData) {
  HRSRC r = FindResourceW(nullptr, MAKEINTRESOURCE(IDR_MAIN), RT_MENU);
  ASSERT_NE(nullptr, r);
  const void* blob = LockResource(LoadResource(nullptr, r));
  EXPECT_EQ(SizeofResource(nullptr, r), pv::TemplateBlobSize(blob));
  pv::MenuTemplate menu;
  ASSERT_TRUE(pv::DecodeMenuResource(blob, SizeofResource(nullptr, r), &menu));
  ASSERT_EQ(2u, menu.items.size());
  const auto& file = menu.items[0];
  EXPECT_EQ(u"&File", file.text);
  EXPECT_EQ(pv::kMenuPopup, file.flags);
  ASSERT_EQ(5u, file.children.size());
  EXPECT_EQ(u"&New\tCtrl+N", file.children[0].text);
  EXPECT_EQ(static_cast<UINT>(ID_FILE_NEW), file.children[0].id);
  EXPECT_EQ(pv::kMenuGrayed, file.children[1].flags);
  EXPECT_EQ(pv::kMenuSeparator, file.children[2].flags);
  EXPECT_EQ(pv::kMenuPopup | pv::kMenuBreak, file.children[3].flags);
  ASSERT_EQ(1u, file.children[3].children.size());
  EXPECT_EQ(pv::kMenuDisabled, file.children[3].children[0].flags);
  EXPECT_EQ(u"E&xit", file.children[4].text);
  EXPECT_EQ(pv::kMenuChecked | pv::kMenuDefault, menu.items[1].flags);

  r = FindResourceW(nullptr, MAKEINTRESOURCE(IDR_MAIN), MAKEINTRESOURCE(9));
  ASSERT_NE(nullptr, r);
  ASSERT_EQ(4 * sizeof(pv::AcceleratorEntry), SizeofResource(nullptr, r));
  const auto* acc = static_cast<const pv::AcceleratorEntry*>(LockResource(LoadResource(nullptr, r)));
  struct Expected {
    BYTE fVirt;
    WORD key;
    WORD cmd;
  };
  Expected expected[] = {{0x01 | 0x08, 'N', ID_FILE_NEW},
                         {0x00, 3, ID_EDIT_COPY},
                         {0x01 | 0x10, 0x73, ID_APP_EXIT},
                         {0x80, 'o', ID_FILE_OPEN}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(expected[i].fVirt, acc[i].fVirt);
    EXPECT_EQ(expected[i].key, acc[i].key);
    EXPECT_EQ(expected[i].cmd, acc[i].cmd);
  }

  r = FindResourceW(nullptr, MAKEINTRESOURCE(IDD_ABOUT), RT_DIALOG);
  ASSERT_NE(nullptr, r);
  pv::DialogTemplate d;
  ASSERT_TRUE(pv::DecodeDialogResource(LockResource(LoadResource(nullptr, r)), SizeofResource(nullptr, r), &d));
  EXPECT_EQ(0x80C800C0u, d.style);  // DS_MODALFRAME|WS_POPUP|WS_CAPTION|WS_SYSMENU + DS_SETFONT for the font
  EXPECT_EQ(0x400u, d.exStyle);
  EXPECT_EQ(235, d.cx);
  EXPECT_EQ(55, d.cy);
  EXPECT_EQ(u"About the fixture", d.caption);
  EXPECT_EQ(8, d.pointSize);
  EXPECT_EQ(u"MS Shell Dlg", d.faceName);
  ASSERT_EQ(5u, d.items.size());
  EXPECT_EQ(u"Static", d.items[0].className);
  EXPECT_EQ(u"#128", d.items[0].text);  // an icon control names its icon by id
  EXPECT_EQ(0x50000003u, d.items[0].style);
  EXPECT_EQ(0x50020080u, d.items[1].style);  // ltext + SS_NOPREFIX
  EXPECT_EQ(0xFFFFu, d.items[1].id);
  EXPECT_EQ(0x50010080u, d.items[2].style);  // edittext: ES_AUTOHSCROLL, border removed
  EXPECT_EQ(u"Edit", d.items[2].className);
  EXPECT_EQ(0x50030001u, d.items[3].style);  // defpushbutton + WS_GROUP
  EXPECT_EQ(static_cast<UINT>(1), d.items[3].id);
  EXPECT_EQ(u"TKReport", d.items[4].className);
  EXPECT_EQ(0x50010010u, d.items[4].style);
  EXPECT_EQ(0x200u, d.items[4].exStyle);
  EXPECT_EQ(178, d.items[3].x);
  EXPECT_EQ(14, d.items[3].cy);

  r = FindResourceW(nullptr, MAKEINTRESOURCE(IDR_MAIN), RT_TOOLBAR);
  ASSERT_NE(nullptr, r);
  pv::ToolBarTemplate tb;
  ASSERT_TRUE(pv::DecodeToolBarResource(LockResource(LoadResource(nullptr, r)), SizeofResource(nullptr, r), &tb));
  EXPECT_EQ(1, tb.version);
  EXPECT_EQ(16, tb.width);
  EXPECT_EQ(15, tb.height);
  EXPECT_EQ((std::vector<WORD>{ID_FILE_NEW, ID_FILE_OPEN, 0, ID_EDIT_COPY}), tb.ids);
}

TEST(Resources, ImagesAndRawFiles) {
  std::string bmp = FileText("small.bmp");
  EXPECT_EQ(bmp.substr(14), Data(nullptr, MAKEINTRESOURCE(IDB_SMALL), RT_BITMAP));  // a DIB: no file header
  EXPECT_EQ(FileText("tiny.png"), Data(nullptr, u"Office2007Blue_ToolbarButtons50_bmp", u"PNG"));
  EXPECT_EQ(FileText("theme.ini"), Data(nullptr, u"OFFICE2007BLUE_INI", u"textfile"));
  EXPECT_EQ(FileText("page.htm"), Data(nullptr, MAKEINTRESOURCE(5), RT_HTML));
  EXPECT_EQ(FileText("page.htm"), Data(nullptr, u"#5", MAKEINTRESOURCE(23)));
  EXPECT_EQ(FileText("theme.ini"), Data(nullptr, u"blob", RT_RCDATA));
  EXPECT_EQ(FileText("page.htm"), Data(nullptr, MAKEINTRESOURCE(7), u"Custom"));

  // Icon group: a directory whose entries name RT_ICON images of the file.
  std::string ico = FileText("app.ico");
  std::string group = Data(nullptr, MAKEINTRESOURCE(IDR_MAIN), RT_GROUP_ICON);
  ASSERT_EQ(6u + 2 * 14, group.size());
  WORD count;
  std::memcpy(&count, group.data() + 4, 2);
  EXPECT_EQ(2, count);
  for (int i = 0; i < 2; ++i) {
    const char* e = group.data() + 6 + 14 * i;
    DWORD bytes, offset;
    WORD id;
    std::memcpy(&bytes, e + 8, 4);
    std::memcpy(&id, e + 12, 2);
    std::memcpy(&offset, ico.data() + 6 + 16 * i + 12, 4);
    EXPECT_EQ(static_cast<BYTE>(i == 0 ? 16 : 32), static_cast<BYTE>(e[0]));
    EXPECT_EQ(ico.substr(offset, bytes), Data(nullptr, MAKEINTRESOURCE(id), RT_ICON));
  }
  // Cursor group: the RT_CURSOR image starts with its hot spot.
  std::string cgroup = Data(nullptr, MAKEINTRESOURCE(IDC_HAND_FIXTURE), RT_GROUP_CURSOR);
  ASSERT_EQ(6u + 14, cgroup.size());
  WORD cid;
  std::memcpy(&cid, cgroup.data() + 6 + 12, 2);
  std::string cur = Data(nullptr, MAKEINTRESOURCE(cid), RT_CURSOR);
  ASSERT_GE(cur.size(), 8u);
  EXPECT_EQ(std::string("\x03\x00\x05\x00", 4), cur.substr(0, 4));
  EXPECT_EQ(40, cur[4]);  // then the DIB header
}

BOOL CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  auto* out = reinterpret_cast<std::vector<std::u16string>*>(param);
  out->push_back(IS_INTRESOURCE(name) ? u"#" + pv::sys::FromUtf8(std::to_string(reinterpret_cast<ULONG_PTR>(name)))
                                      : std::u16string(name));
  return TRUE;
}

BOOL FirstNameOnly(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  *reinterpret_cast<std::u16string*>(param) = name;
  return FALSE;
}

BOOL CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
  return TRUE;
}

TEST(Resources, EnumerationModulesAndFailures) {
  std::vector<std::u16string> names;
  ASSERT_TRUE(EnumResourceNamesW(nullptr, RT_BITMAP, &CollectName, reinterpret_cast<LONG_PTR>(&names)));
  EXPECT_EQ((std::vector<std::u16string>{u"#128", u"#200"}), names);
  names.clear();
  ASSERT_TRUE(EnumResourceNamesW(nullptr, RT_RCDATA, &CollectName, reinterpret_cast<LONG_PTR>(&names)));
  EXPECT_EQ((std::vector<std::u16string>{u"BLOB"}), names);
  std::u16string first;
  ASSERT_TRUE(EnumResourceNamesW(nullptr, u"TEXTFILE", &FirstNameOnly, reinterpret_cast<LONG_PTR>(&first)));
  EXPECT_EQ(u"OFFICE2007BLUE_INI", first);
  std::vector<WORD> langs;
  ASSERT_TRUE(EnumResourceLanguagesW(nullptr, RT_STRING, MAKEINTRESOURCE(1), &CollectLanguage,
                                     reinterpret_cast<LONG_PTR>(&langs)));
  EXPECT_EQ((std::vector<WORD>{0, 0x0407}), langs);
  EXPECT_NE(nullptr, FindResourceExW(nullptr, RT_STRING, MAKEINTRESOURCE(1), 0x0407));
  EXPECT_EQ(nullptr, FindResourceExW(nullptr, RT_STRING, MAKEINTRESOURCE(2), 0x0407));

  // A resource-only module found by its library name.
  EXPECT_EQ(nullptr, FindResourceW(nullptr, u"SKIN_INI", u"TEXTFILE"));
  HMODULE skin = LoadLibraryW(u"Styles\\SkinFixture.dll");
  ASSERT_NE(nullptr, skin);
  EXPECT_EQ(FileText("theme.ini"), Data(skin, u"skin_ini", u"TEXTFILE"));
  EXPECT_EQ(u"from the skin", Str(5, skin));
  EXPECT_EQ(u"", Str(5));
  EXPECT_EQ(nullptr, AfxFindResourceHandle(u"SKIN_INI", u"TEXTFILE"));
  AfxSetResourceHandle(skin);
  EXPECT_EQ(skin, AfxFindResourceHandle(u"SKIN_INI", u"TEXTFILE"));
  EXPECT_EQ(pv::GetProgramModule(), AfxFindResourceHandle(MAKEINTRESOURCE(IDB_SMALL), RT_BITMAP));
  std::u16string viaHandle;
  EXPECT_TRUE(pv::LoadStringFromModule(nullptr, 5, &viaHandle));  // the resource handle first
  EXPECT_EQ(u"from the skin", viaHandle);
  AfxSetResourceHandle(nullptr);
  FreeLibrary(skin);

  struct Miss {
    LPCWSTR name;
    LPCWSTR type;
  };
  for (const auto& m : std::vector<Miss>{{u"NOPE", u"TEXTFILE"},
                                         {MAKEINTRESOURCE(IDB_SMALL), RT_ICON},
                                         {u"#99999", RT_BITMAP},
                                         {u"#12x", RT_BITMAP},
                                         {nullptr, RT_BITMAP}}) {
    SetLastError(0);
    EXPECT_EQ(nullptr, FindResourceW(nullptr, m.name, m.type));
    EXPECT_NE(0u, GetLastError());
  }
  EXPECT_EQ(0u, SizeofResource(nullptr, nullptr));
  EXPECT_EQ(nullptr, LoadResource(nullptr, nullptr));
}

// Templates built in code use the same layout; a cut-off or damaged blob
// is refused rather than read past its end.
TEST(Resources, TemplateBlobsRoundTripAndRejectDamage) {
  pv::DialogTemplate d;
  d.style = 0x80C80000;
  d.cx = 100;
  d.cy = 50;
  d.caption = u"Built \u4e2d";
  d.menu = u"#5";
  d.faceName = u"Tahoma";
  d.pointSize = 9;
  pv::DialogItemTemplate item;
  item.className = u"Button";
  item.text = u"OK";
  item.id = 1;
  item.extra = {1, 2, 3};
  d.items = {item, item};
  std::vector<BYTE> blob = pv::EncodeDialogResource(d);
  pv::DialogTemplate back;
  ASSERT_TRUE(pv::DecodeDialogResource(blob.data(), static_cast<DWORD>(blob.size()), &back));
  EXPECT_EQ(d.caption, back.caption);
  EXPECT_EQ(d.menu, back.menu);
  ASSERT_EQ(2u, back.items.size());
  EXPECT_EQ(item.extra, back.items[1].extra);
  for (std::size_t cut = 0; cut < blob.size(); ++cut) {
    std::vector<BYTE> part(blob.begin(), blob.begin() + static_cast<long>(cut));
    EXPECT_FALSE(pv::DecodeDialogResource(part.data(), static_cast<DWORD>(part.size()), &back)) << cut;
  }

  pv::MenuTemplate m;
  pv::MenuItemTemplate popup;
  popup.flags = pv::kMenuPopup;
  popup.text = u"&View";
  popup.children.push_back(pv::MenuItemTemplate{0, 7, u"Item", {}});
  m.items = {popup};
  std::vector<BYTE> mb = pv::EncodeMenuResource(m);
  pv::MenuTemplate mback;
  ASSERT_TRUE(pv::DecodeMenuResource(mb.data(), static_cast<DWORD>(mb.size()), &mback));
  ASSERT_EQ(1u, mback.items.size());
  EXPECT_EQ(7u, mback.items[0].children[0].id);
  for (std::size_t cut = 0; cut < mb.size(); ++cut)
    EXPECT_FALSE(pv::DecodeMenuResource(mb.data(), static_cast<DWORD>(cut), &mback)) << cut;
  // A popup count far beyond the data.
  mb[8] = 0xFF;
  mb[9] = 0xFF;
  EXPECT_FALSE(pv::DecodeMenuResource(mb.data(), static_cast<DWORD>(mb.size()), &mback));
}

// The compiler refuses broken sources with the file and line of the fault.
TEST(ResourceCompiler, ReportsErrorsWithTheirLine) {
  pv::test::TempHome home;
  struct Case {
    const char* source;
    const char* message;
  };
  std::vector<Case> cases = {
      {"stringtable\n  1 \"a\"\n  1 \"b\"\nend\n", "src.pvrc:3: string 1 is defined twice"},
      {"menu 1\n  item \"x\" UNKNOWN_ID\nend\n", "src.pvrc:2: unknown name UNKNOWN_ID"},
      {"menu 1\n  popup \"x\"\n", "src.pvrc:1: menu has no 'end'"},
      {"bitmap 1 \"missing.bmp\"\n", "src.pvrc:1: file missing.bmp not found"},
      {"bitmap 1 \"src.pvrc\"\n", "is not a BMP file"},
      {"dialog 1 0 0 99999 10\nend\n", "src.pvrc:1: width 99999 does not fit 16 bits"},
      {"accelerators 1\n  \"ab\" 5\nend\n", "src.pvrc:2: a key text is one character"},
      {"frobnicate 1\n", "src.pvrc:1: unknown statement 'frobnicate'"},
      {"stringtable\n  1 \"bad \\q escape\"\nend\n", "src.pvrc:2: unknown escape \\q"},
      {"stringtable\n  1 \"\xff\"\nend\n", "is not UTF-8 text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    std::string err;
    EXPECT_EQ(1, pv::test::RunResourceCompiler(home.path(), c.source, &err));
    EXPECT_NE(std::string::npos, err.find(c.message)) << err;
  }
}

}  // namespace
