// Menus, pop-up menu tracking driven by scripted input, accelerators, the
// clipboard and window scroll bars.
#include <cstring>

#include "platform/system/resources.h"
#include "tests/platform/window/wm_test_util.h"

using namespace wmtest;
using pv::test::Button;

namespace {

HMENU FileMenu() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenu(file, MF_STRING, 101, u"&Open...\tCtrl+O");
  AppendMenu(file, MF_STRING | MF_GRAYED, 102, u"&Save");
  AppendMenu(file, MF_SEPARATOR, 0, nullptr);
  HMENU recent = CreatePopupMenu();
  AppendMenu(recent, MF_STRING, 201, u"&1 a.tgd");
  AppendMenu(recent, MF_STRING, 202, u"&2 b.tgd");
  AppendMenu(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), u"&Recent");
  AppendMenu(file, MF_STRING, 103, u"E&xit");
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), u"&File");
  HMENU edit = CreatePopupMenu();
  AppendMenu(edit, MF_STRING, 301, u"&Undo");
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), u"&Edit");
  return bar;
}

TEST_F(WmTest, MenuObjectsAnswerQueriesByCommandAndPosition) {
  HMENU bar = FileMenu();
  HMENU file = GetSubMenu(bar, 0);
  EXPECT_EQ(GetMenuItemCount(bar), 2);
  EXPECT_EQ(GetMenuItemCount(file), 5);
  EXPECT_EQ(GetMenuItemID(file, 0), 101u);
  EXPECT_EQ(GetMenuItemID(file, 3), static_cast<UINT>(-1));                                   // a pop-up
  EXPECT_EQ(GetMenuState(bar, 102, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));  // found in a sub-menu
  EXPECT_EQ(GetMenuState(file, 2, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(GetMenuState(file, 3, MF_BYPOSITION) >> 8, 2u);  // a pop-up reports its item count
  EXPECT_EQ(GetMenuState(bar, 999, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(EnableMenuItem(bar, 102, MF_ENABLED), static_cast<UINT>(MF_GRAYED));
  EXPECT_EQ(CheckMenuItem(bar, 201, MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
  EXPECT_EQ(CheckMenuItem(bar, 201, MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(bar, 999, MF_CHECKED), static_cast<DWORD>(-1));
  WCHAR buf[64];
  EXPECT_EQ(GetMenuString(bar, 101, buf, 64, MF_BYCOMMAND), 15);
  EXPECT_EQ(std::u16string(buf), u"&Open...\tCtrl+O");
  EXPECT_EQ(GetMenuString(bar, 101, buf, 3, MF_BYCOMMAND), 2);
  MENUITEMINFOW mii{};
  mii.cbSize = sizeof(mii);
  mii.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_DATA;
  mii.dwTypeData = nullptr;
  ASSERT_TRUE(GetMenuItemInfo(file, 4, TRUE, &mii));
  EXPECT_EQ(mii.cch, 5u);
  EXPECT_EQ(mii.wID, 103u);
  MENUITEMINFOW add{};
  add.cbSize = sizeof(add);
  add.fMask = MIIM_STRING | MIIM_ID | MIIM_DATA;
  add.wID = 104;
  add.dwItemData = 77;
  add.dwTypeData = const_cast<LPWSTR>(u"&Print");
  ASSERT_TRUE(InsertMenuItem(file, 103, FALSE, &add));  // before Exit
  EXPECT_EQ(GetMenuItemID(file, 4), 104u);
  EXPECT_EQ(GetMenuItemID(file, 5), 103u);
  SetMenuDefaultItem(file, 104, FALSE);
  EXPECT_EQ(GetMenuDefaultItem(file, FALSE, 0), 104u);
  EXPECT_TRUE(CheckMenuRadioItem(GetSubMenu(file, 3), 201, 202, 202, MF_BYCOMMAND));
  EXPECT_TRUE(GetMenuState(bar, 202, MF_BYCOMMAND) & MF_CHECKED);
  // Removing a pop-up keeps it alive; deleting destroys it.
  HMENU edit = GetSubMenu(bar, 1);
  EXPECT_TRUE(RemoveMenu(bar, 1, MF_BYPOSITION));
  EXPECT_TRUE(IsMenu(edit));
  HMENU recent = GetSubMenu(file, 3);
  EXPECT_TRUE(DeleteMenu(file, 3, MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(recent));
  DestroyMenu(edit);
  EXPECT_TRUE(DestroyMenu(bar));
  EXPECT_FALSE(IsMenu(file));
  EXPECT_EQ(GetMenuItemCount(bar), -1);
  EXPECT_FALSE(AppendMenu(bar, MF_STRING, 1, u"x"));
}

TEST_F(WmTest, MenusLoadFromTemplates) {
  pv::MenuTemplate t;
  pv::MenuItemTemplate file;
  file.flags = pv::kMenuPopup;
  file.text = u"&File";
  pv::MenuItemTemplate open;
  open.id = 57601;
  open.text = u"&Open";
  pv::MenuItemTemplate sep;
  sep.flags = pv::kMenuSeparator;
  pv::MenuItemTemplate exit;
  exit.id = 57665;
  exit.flags = pv::kMenuGrayed;
  exit.text = u"E&xit";
  file.children = {open, sep, exit};
  t.items = {file};
  std::vector<BYTE> blob = pv::EncodeMenuResource(t);
  HMENU m = LoadMenuIndirect(blob.data());
  ASSERT_NE(m, nullptr);
  HMENU sub = GetSubMenu(m, 0);
  EXPECT_EQ(GetMenuItemCount(sub), 3);
  EXPECT_EQ(GetMenuItemID(sub, 0), 57601u);
  EXPECT_TRUE(GetMenuState(sub, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_TRUE(GetMenuState(sub, 57665, MF_BYCOMMAND) & MF_GRAYED);
  // Corrupt data gives no menu and no crash.
  std::vector<BYTE> bad = blob;
  for (size_t i = 8; i < bad.size(); ++i) bad[i] = 0xFF;
  if (HMENU garbage = LoadMenuIndirect(bad.data())) DestroyMenu(garbage);
  BYTE junk[16] = {1, 2, 3};
  EXPECT_EQ(LoadMenuIndirect(junk), nullptr);
  DestroyMenu(m);
}

class MenuTrackTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    owner = Top(100, 100, 400, 300);
    menu = FileMenu();
    pv::test::PumpUntilIdle();
    Log().clear();
  }
  void TearDown() override {
    DestroyMenu(menu);
    WmTest::TearDown();
  }
  // Runs TrackPopupMenuEx from inside a posted message, as a handler would,
  // after the script put its input in the queue.
  UINT Track(HMENU popup, UINT flags) {
    UINT result = 0xDEAD;
    Handlers()[owner] = [&, popup, flags](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
      if (m != WM_USER) return false;
      result = static_cast<UINT>(TrackPopupMenuEx(popup, flags, 150, 150, h, nullptr));
      return true;
    };
    PostMessage(owner, WM_USER, 0, 0);
    pv::test::PumpUntilIdle();
    Handlers().erase(owner);
    return result;
  }
  HWND PopupWindow() { return FindWindow(u"#32768", nullptr); }
  HWND owner = nullptr;
  HMENU menu = nullptr;
};

TEST_F(MenuTrackTest, KeyboardChoosesAndNotificationsComeInOrder) {
  HMENU file = GetSubMenu(menu, 0);
  pv::test::KeyPress(VK_DOWN);   // Open
  pv::test::KeyPress(VK_DOWN);   // Save (grayed, still selectable)
  pv::test::KeyPress(VK_DOWN);   // skips the separator: Recent
  pv::test::KeyPress(VK_RIGHT);  // opens Recent with its first item
  pv::test::KeyPress(VK_DOWN);
  pv::test::KeyPress(VK_RETURN);
  EXPECT_EQ(Track(file, TPM_RETURNCMD), 202u);
  auto m = Messages(owner,
                    {WM_ENTERMENULOOP, WM_INITMENU, WM_INITMENUPOPUP, WM_UNINITMENUPOPUP, WM_EXITMENULOOP, WM_COMMAND});
  EXPECT_EQ(m, (std::vector<UINT>{WM_ENTERMENULOOP, WM_INITMENU, WM_INITMENUPOPUP, WM_INITMENUPOPUP, WM_UNINITMENUPOPUP,
                                  WM_UNINITMENUPOPUP, WM_EXITMENULOOP}));
  EXPECT_EQ(PopupWindow(), nullptr);  // closed
  EXPECT_EQ(GetCapture(), nullptr);
  // The last WM_MENUSELECT says the menu closed.
  const Entry* last = nullptr;
  for (const Entry& e : Log())
    if (e.msg == WM_MENUSELECT) last = &e;
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(HIWORD(last->wParam), 0xFFFF);
  EXPECT_EQ(last->lParam, 0);
}

TEST_F(MenuTrackTest, GrayedItemsMnemonicsEscapeAndPostedCommands) {
  HMENU file = GetSubMenu(menu, 0);
  struct Case {
    const char* name;
    std::function<void()> script;
    UINT flags;
    UINT result;
    bool command;
  };
  const Case cases[] = {
      {"grayed item does not run, escape cancels",
       [] {
         pv::test::KeyPress(VK_DOWN);
         pv::test::KeyPress(VK_DOWN);
         pv::test::KeyPress(VK_RETURN);
         pv::test::KeyPress(VK_ESCAPE);
       },
       TPM_RETURNCMD, 0, false},
      {"mnemonic", [] { pv::test::TypeText(u"x"); }, TPM_RETURNCMD, 103, false},
      {"command posted", [] { pv::test::TypeText(u"o"); }, 0, TRUE, true},
      {"nothing more: the dry queue cancels", [] {}, TPM_RETURNCMD, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Log().clear();
    c.script();
    EXPECT_EQ(Track(file, c.flags), c.result);
    bool command = false;
    for (const Entry& e : Log())
      if (e.msg == WM_COMMAND && LOWORD(e.wParam) == 101) command = true;
    EXPECT_EQ(command, c.command);
    EXPECT_EQ(PopupWindow(), nullptr);
  }
}

TEST_F(MenuTrackTest, MouseClicksChooseAndClicksOutsideCancel) {
  HMENU file = GetSubMenu(menu, 0);
  // Find the first item on screen once the pop-up is open, then click it.
  UINT result = 0xDEAD;
  int step = 0;
  Handlers()[owner] = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_INITMENUPOPUP) {
      // The pop-up is about to show; script the click for when the loop runs.
      return false;
    }
    if (m == WM_ENTERIDLE) {
      HWND popup = reinterpret_cast<HWND>(Log().back().lParam);
      RECT item;
      if (step++ == 0 && GetMenuItemRect(h, file, 0, &item)) {
        pv::test::Click((item.left + item.right) / 2, (item.top + item.bottom) / 2);
      }
      (void)popup;
      return true;
    }
    if (m != WM_USER) return false;
    result = static_cast<UINT>(TrackPopupMenuEx(file, TPM_RETURNCMD, 150, 150, h, nullptr));
    return true;
  };
  PostMessage(owner, WM_USER, 0, 0);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(result, 101u);
  // A click elsewhere closes it with nothing chosen.
  Handlers()[owner] = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m != WM_USER) return false;
    pv::test::Click(5, 5);
    result = static_cast<UINT>(TrackPopupMenuEx(file, TPM_RETURNCMD, 150, 150, h, nullptr));
    return true;
  };
  PostMessage(owner, WM_USER, 0, 0);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(result, 0u);
}

TEST_F(MenuTrackTest, MenuBarByKeyboardPostsTheCommand) {
  SetMenu(owner, menu);
  RECT cr;
  GetClientRect(owner, &cr);
  RECT wr;
  GetWindowRect(owner, &wr);
  EXPECT_EQ(wr.bottom - wr.top - cr.bottom,
            GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYMENU));
  SetFocus(owner);
  pv::test::PumpUntilIdle();
  Log().clear();
  pv::test::KeyPress(VK_F10);     // enters the bar: File opens
  pv::test::KeyPress(VK_RIGHT);   // Edit
  pv::test::KeyPress(VK_RETURN);  // Undo
  pv::test::PumpUntilIdle();
  bool undo = false;
  for (const Entry& e : Log())
    if (e.hwnd == owner && e.msg == WM_COMMAND && LOWORD(e.wParam) == 301) undo = true;
  EXPECT_TRUE(undo);
  EXPECT_EQ(Messages(owner, {WM_ENTERMENULOOP}).size(), 1u);
  EXPECT_EQ(Messages(owner, {WM_EXITMENULOOP}).size(), 1u);
  // Alt+letter opens the item with that mnemonic; an unknown letter beeps.
  Log().clear();
  pv::test::Chord(FALT, 'E');
  pv::test::KeyPress(VK_RETURN);
  pv::test::PumpUntilIdle();
  undo = false;
  for (const Entry& e : Log())
    if (e.hwnd == owner && e.msg == WM_COMMAND && LOWORD(e.wParam) == 301) undo = true;
  EXPECT_TRUE(undo);
  pv::test::TakeBeeps();
  pv::test::Chord(FALT, 'Q');
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pv::test::TakeBeeps().size(), 1u);
  // Shift+F10 and the menu key ask for the context menu at the keyboard's place.
  Log().clear();
  pv::test::Chord(FSHIFT, VK_F10);
  pv::test::KeyPress(VK_APPS);
  pv::test::PumpUntilIdle();
  std::vector<LPARAM> places;
  for (const Entry& e : Log())
    if (e.hwnd == owner && e.msg == WM_CONTEXTMENU) places.push_back(e.lParam);
  EXPECT_EQ(places, (std::vector<LPARAM>{-1, -1}));
  menu = CreateMenu();  // the window owns the bar now
}

TEST_F(WmTest, AcceleratorsTranslateKeysIntoCommands) {
  HWND w = Top(0, 0, 200, 200);
  HMENU bar = FileMenu();
  SetMenu(w, bar);
  SetFocus(w);
  ACCEL accels[] = {{FVIRTKEY | FCONTROL, 'O', 101},
                    {FVIRTKEY | FCONTROL | FSHIFT, 'S', 102},
                    {FVIRTKEY, VK_F5, 500},
                    {0, u'?', 600}};
  HACCEL table = CreateAcceleratorTable(accels, 4);
  ACCEL copy[4];
  EXPECT_EQ(CopyAcceleratorTable(table, nullptr, 0), 4);
  EXPECT_EQ(CopyAcceleratorTable(table, copy, 4), 4);
  EXPECT_EQ(copy[2].key, VK_F5);
  auto pump = [&] {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (TranslateAccelerator(w, table, &m)) continue;
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
  };
  pump();
  struct Case {
    std::function<void()> script;
    std::vector<WORD> commands;
  };
  const Case cases[] = {
      {[] { pv::test::Chord(FCONTROL, 'O'); }, {101}},
      {[] { pv::test::KeyPress('O'); }, {}},                  // without Ctrl: no
      {[] { pv::test::Chord(FCONTROL | FSHIFT, 'O'); }, {}},  // extra Shift: no
      {[] { pv::test::Chord(FCONTROL | FSHIFT, 'S'); }, {}},  // grayed in the menu: swallowed
      {[] { pv::test::KeyPress(VK_F5); }, {500}},
      {[] { pv::test::TypeText(u"?"); }, {600}},
  };
  for (const Case& c : cases) {
    Log().clear();
    c.script();
    pump();
    std::vector<WORD> got;
    for (const Entry& e : Log())
      if (e.msg == WM_COMMAND) {
        got.push_back(LOWORD(e.wParam));
        EXPECT_EQ(HIWORD(e.wParam), 1);
      }
    EXPECT_EQ(got, c.commands);
  }
  EXPECT_TRUE(DestroyAcceleratorTable(table));
  EXPECT_FALSE(DestroyAcceleratorTable(table));
  MSG m{};
  EXPECT_EQ(TranslateAccelerator(w, table, &m), 0);
}

TEST_F(WmTest, ClipboardTextRoundTripsAndConverts) {
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), nullptr);  // not open
  ASSERT_TRUE(OpenClipboard(w));
  EXPECT_FALSE(OpenClipboard(w));  // already open
  ASSERT_TRUE(EmptyClipboard());
  std::u16string text = u"Caf\u00e9 \u4e2d\u6587 \U0001F600";
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * 2);
  std::memcpy(GlobalLock(g), text.c_str(), (text.size() + 1) * 2);
  GlobalUnlock(g);
  ASSERT_EQ(SetClipboardData(CF_UNICODETEXT, g), g);
  DWORD seq = GetClipboardSequenceNumber();
  ASSERT_TRUE(CloseClipboard());
  EXPECT_GT(GetClipboardSequenceNumber(), seq);
  EXPECT_EQ(GetClipboardOwner(), w);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  ASSERT_TRUE(OpenClipboard(nullptr));
  auto* utf8 = static_cast<const char*>(GlobalLock(GetClipboardData(CF_TEXT)));
  EXPECT_STREQ(utf8, "Caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80");
  std::vector<UINT> formats;
  for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) formats.push_back(f);
  EXPECT_EQ(formats.front(), static_cast<UINT>(CF_UNICODETEXT));
  EXPECT_NE(std::find(formats.begin(), formats.end(), static_cast<UINT>(CF_TEXT)), formats.end());
  CloseClipboard();

  // A block without its terminating zero is read only up to its end.
  OpenClipboard(w);
  EmptyClipboard();
  HGLOBAL raw = GlobalAlloc(GMEM_MOVEABLE, 3);
  std::memcpy(GlobalLock(raw), "abc", 3);
  GlobalUnlock(raw);
  SetClipboardData(CF_TEXT, raw);
  auto* wide = static_cast<const WCHAR*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
  EXPECT_EQ(std::u16string(wide), u"abc");
  CloseClipboard();

  // Delayed rendering asks the owner; private formats have names; listeners hear of changes.
  UINT custom = RegisterClipboardFormat(u"Pravenor Rows");
  WCHAR name[32];
  EXPECT_EQ(GetClipboardFormatName(custom, name, 32), 13);
  HWND listener = Top(0, 0, 10, 10, WS_POPUP);
  AddClipboardFormatListener(listener);
  Handlers()[w] = [&](HWND, UINT m, WPARAM f, LPARAM, LRESULT*) {
    if (m != WM_RENDERFORMAT) return false;
    HGLOBAL d = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(d), "rows", 4);
    GlobalUnlock(d);
    SetClipboardData(static_cast<UINT>(f), d);
    return true;
  };
  OpenClipboard(w);
  EmptyClipboard();
  SetClipboardData(custom, nullptr);
  CloseClipboard();
  Log().clear();
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Messages(listener, {WM_CLIPBOARDUPDATE}).size(), 1u);
  OpenClipboard(listener);
  HANDLE rendered = GetClipboardData(custom);
  ASSERT_NE(rendered, nullptr);
  EXPECT_EQ(std::memcmp(GlobalLock(rendered), "rows", 4), 0);
  CloseClipboard();
}

namespace {
std::u16string PasteText() {
  if (!OpenClipboard(nullptr)) return u"<not open>";
  std::u16string t;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) t = static_cast<const WCHAR*>(GlobalLock(h));
  CloseClipboard();
  return t;
}
void CopyText(HWND owner, const std::u16string& text) {
  OpenClipboard(owner);
  EmptyClipboard();
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * 2);
  std::memcpy(GlobalLock(g), text.c_str(), (text.size() + 1) * 2);
  GlobalUnlock(g);
  SetClipboardData(CF_UNICODETEXT, g);
  CloseClipboard();
}
}  // namespace

// Text another program copies after we did replaces ours (the owner hears
// WM_DESTROYCLIPBOARD, listeners WM_CLIPBOARDUPDATE); a later copy of ours
// wins again, and the next copy elsewhere is read afresh.
TEST_F(WmTest, ClipboardFollowsOtherProgramsCopiesAfterOurs) {
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  AddClipboardFormatListener(w);
  CopyText(w, u"ours");
  EXPECT_EQ(PasteText(), u"ours");
  pv::test::PumpUntilIdle();
  Log().clear();
  DWORD seq = GetClipboardSequenceNumber();
  pv::test::OtherProgramCopies("theirs");
  EXPECT_EQ(PasteText(), u"theirs");
  EXPECT_EQ(GetClipboardOwner(), nullptr);
  EXPECT_GT(GetClipboardSequenceNumber(), seq);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Messages(w, {WM_DESTROYCLIPBOARD, WM_CLIPBOARDUPDATE}),
            (std::vector<UINT>{WM_DESTROYCLIPBOARD, WM_CLIPBOARDUPDATE}));
  pv::test::OtherProgramCopies("again");
  EXPECT_EQ(PasteText(), u"again");
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  CopyText(w, u"mine now");
  EXPECT_EQ(PasteText(), u"mine now");
  EXPECT_EQ(GetClipboardOwner(), w);
}

// Text from other programs in legacy 8-bit encodings reads as what it says.
TEST_F(WmTest, ClipboardReadsLegacyEightBitText) {
  struct Case {
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"plain", u"plain"},
      {"\xE4\xB8\xAD\xE6\x96\x87 UTF-8", u"\u4E2D\u6587 UTF-8"},
      {"\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5", u"\u4E0D\u80FD\u4E3A\u7A7A"},  // GBK
      {"caf\xE9", u"caf\u00E9"},                                          // Windows-1252
      {"\x80 5", u"\u20AC 5"},
  };
  for (const Case& c : cases) {
    pv::test::OtherProgramCopies(c.bytes);
    EXPECT_EQ(PasteText(), c.text) << c.bytes;
  }
}

// Files dropped from the desktop reach the window under the pointer that
// accepts files, or its nearest accepting ancestor, as WM_DROPFILES.
TEST_F(WmTest, DroppedFilesArriveAsWmDropFiles) {
  HWND top = Top(100, 100, 300, 200, WS_POPUP | WS_VISIBLE, WS_EX_ACCEPTFILES);
  HWND child = Child(top, 1, 10, 10, 100, 100);
  HWND other = Top(500, 100, 100, 100, WS_POPUP | WS_VISIBLE);
  pv::test::PumpUntilIdle();
  std::vector<std::u16string> got;
  POINT at{};
  HWND receiver = nullptr;
  ClassHandler() = [&](HWND h, UINT m, WPARAM wp, LPARAM, LRESULT*) {
    if (m != WM_DROPFILES) return false;
    auto drop = reinterpret_cast<HDROP>(wp);
    receiver = h;
    got.clear();
    UINT n = DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < n; ++i) {
      WCHAR buf[64];
      DragQueryFile(drop, i, buf, 64);
      got.push_back(buf);
    }
    DragQueryPoint(drop, &at);
    DragFinish(drop);
    return true;
  };
  EXPECT_TRUE(pv::test::DropFiles({u"/tmp/a.txt", u"/tmp/\u6587.txt"}, 130, 140));
  pv::test::PumpUntilIdle();
  EXPECT_EQ(receiver, top);  // the child does not accept files: its parent does
  EXPECT_EQ(got, (std::vector<std::u16string>{u"/tmp/a.txt", u"/tmp/\u6587.txt"}));
  EXPECT_EQ(at.x, 30);
  EXPECT_EQ(at.y, 40);
  SetWindowLongPtr(child, GWL_EXSTYLE, WS_EX_ACCEPTFILES);
  EXPECT_TRUE(pv::test::DropFiles({u"/b"}, 130, 140));
  pv::test::PumpUntilIdle();
  EXPECT_EQ(receiver, child);
  EXPECT_EQ(at.x, 20);
  receiver = nullptr;
  EXPECT_FALSE(pv::test::DropFiles({u"/c"}, 550, 150));  // accepts nothing
  EXPECT_FALSE(pv::test::DropFiles({u"/c"}, 900, 900));  // the desktop
  pv::test::PumpUntilIdle();
  EXPECT_EQ(receiver, nullptr);
  (void)other;
}

TEST_F(WmTest, WindowScrollBarsFollowTheirInfoAndTheMouse) {
  HWND w = Top(100, 100, 200, 200, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
  pv::test::PumpUntilIdle();
  SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 95, 0};
  EXPECT_EQ(SetScrollInfo(w, SB_VERT, &si, TRUE), 90);  // clamped to max - page + 1
  EXPECT_EQ(SetScrollPos(w, SB_VERT, -5, TRUE), 90);
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 0);
  // Nothing to scroll: the bar goes away and the client grows; DISABLENOSCROLL keeps it.
  si = SCROLLINFO{sizeof(si), SIF_RANGE | SIF_PAGE, 0, 9, 20, 0, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  EXPECT_FALSE(GetWindowLong(w, GWL_STYLE) & WS_VSCROLL);
  RECT cr;
  GetClientRect(w, &cr);
  EXPECT_EQ(cr.right, 200);
  si.fMask |= SIF_DISABLENOSCROLL;
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  EXPECT_TRUE(GetWindowLong(w, GWL_STYLE) & WS_VSCROLL);
  si = SCROLLINFO{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 0, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  pv::test::PumpUntilIdle();
  // Clicking the down arrow: one line at once, more while held, then the end.
  SCROLLBARINFO sbi{sizeof(sbi)};
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &sbi));
  int x = (sbi.rcScrollBar.left + sbi.rcScrollBar.right) / 2;
  int downY = sbi.rcScrollBar.bottom - 3;
  std::vector<WORD> codes;
  Handlers()[w] = [&](HWND, UINT m, WPARAM wp, LPARAM, LRESULT*) {
    if (m == WM_VSCROLL) codes.push_back(LOWORD(wp));
    return false;
  };
  pv::test::MouseMove(x, downY);
  pv::test::MouseDown(Button::Left, x, downY);
  pv::test::PumpUntilIdle();  // the loop runs dry and ends as a cancel
  EXPECT_EQ(codes, (std::vector<WORD>{SB_LINEDOWN, SB_ENDSCROLL}));
  // Dragging the thumb tracks and ends with the position.
  codes.clear();
  std::vector<WORD> positions;
  Handlers()[w] = [&](HWND, UINT m, WPARAM wp, LPARAM, LRESULT*) {
    if (m != WM_VSCROLL) return false;
    codes.push_back(LOWORD(wp));
    if (LOWORD(wp) == SB_THUMBTRACK || LOWORD(wp) == SB_THUMBPOSITION) positions.push_back(HIWORD(wp));
    return false;
  };
  GetScrollBarInfo(w, OBJID_VSCROLL, &sbi);
  int thumbY = sbi.rcScrollBar.top + (sbi.xyThumbTop + sbi.xyThumbBottom) / 2;
  pv::test::MouseDown(Button::Left, x, thumbY);
  pv::test::MouseMove(x, sbi.rcScrollBar.bottom + 50);  // past the end: the last position
  pv::test::MouseUp(Button::Left, x, sbi.rcScrollBar.bottom + 50);
  pv::test::PumpUntilIdle();
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.back(), 90);
  EXPECT_EQ(codes.back(), SB_ENDSCROLL);
  EXPECT_EQ(codes[codes.size() - 2], SB_THUMBPOSITION);
}

}  // namespace
