#include "platform/system/files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <set>
#include <vector>

#include "platform/base/handletable.h"
#include "platform/base/threads.h"
#include "platform/system/modules.h"
#include "tests/platform/system/test_support.h"

namespace {

using pv::sys::FromUtf8;
using pv::sys::ToUtf8;
using pv::test::ReadFile;
using pv::test::TempHome;
using pv::test::WriteFile;

std::vector<std::u16string> List(const std::u16string& pattern) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW(pattern.c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return names;
  do names.push_back(d.cFileName);
  while (FindNextFileW(h, &d));
  EXPECT_EQ(ERROR_NO_MORE_FILES, GetLastError());
  FindClose(h);
  return names;
}

TEST(Files, ModuleFileNameFollowsPravenorHomeAndTruncates) {
  pvtest::EnvScope programFolder("PRAVENOR_HOME", "/opt/pv/");
  WCHAR buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::u16string expected = u"/opt/pv/platform_system_tests";
  EXPECT_EQ(expected, std::u16string(buf, n));
  EXPECT_EQ(ERROR_SUCCESS, GetLastError());
  // Too short: cut to size-1 with a terminator, result = size, error set.
  WCHAR small[6];
  EXPECT_EQ(6u, GetModuleFileNameW(nullptr, small, 6));
  EXPECT_EQ(u"/opt/", std::u16string(small));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
  EXPECT_EQ(u"/opt/pv", pv::ProgramFolder());
  // A built-in module is named in the program's folder.
  HMODULE m = pv::RegisterBuiltinModule(u"Skin.dll");
  n = GetModuleFileNameW(m, buf, MAX_PATH);
  EXPECT_EQ(u"/opt/pv/Skin.dll", std::u16string(buf, n));
}

TEST(Files, TempNamesCopyMoveDeleteAndFolders) {
  TempHome home;
  WCHAR tmp[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, tmp);
  EXPECT_EQ(FromUtf8(home.path() + "/tmp/"), std::u16string(tmp, n));
  EXPECT_EQ(n + 1, GetTempPathW(3, tmp));  // too short: the size needed

  WCHAR name1[MAX_PATH], name2[MAX_PATH];
  UINT u1 = GetTempFileNameW(tmp, u"tkx", 0, name1);
  UINT u2 = GetTempFileNameW(tmp, u"tkx", 0, name2);
  ASSERT_NE(0u, u1);
  ASSERT_NE(0u, u2);
  EXPECT_NE(std::u16string(name1), std::u16string(name2));
  EXPECT_TRUE(PathFileExistsW(name1));  // created
  EXPECT_TRUE(std::u16string(PathFindFileNameW(name1)).starts_with(u"tkx"));
  EXPECT_EQ(u".tmp", std::u16string(PathFindExtensionW(name1)));
  WCHAR composed[MAX_PATH];
  EXPECT_EQ(0x1234u, GetTempFileNameW(u"C:\\x\\", u"abcdef", 0x1234, composed));
  EXPECT_EQ(u"C:/x/abc1234.tmp", std::u16string(composed));

  std::string a = home.path() + "/a.txt", b = home.path() + "/b.txt";
  WriteFile(a, "alpha");
  WriteFile(b, "beta");
  std::u16string ua = FromUtf8(a), ub = FromUtf8(b);
  EXPECT_FALSE(CopyFileW(ua.c_str(), ub.c_str(), TRUE));
  EXPECT_EQ(ERROR_FILE_EXISTS, GetLastError());
  EXPECT_EQ("beta", ReadFile(b));
  EXPECT_TRUE(CopyFileW(ua.c_str(), ub.c_str(), FALSE));
  EXPECT_EQ("alpha", ReadFile(b));
  EXPECT_FALSE(CopyFileW(home.U("none").c_str(), ub.c_str(), FALSE));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  EXPECT_FALSE(CopyFileW(ua.c_str(), home.U("nodir/x").c_str(), FALSE));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());

  // Backslashes from callers work as separators.
  std::u16string winStyle = FromUtf8(home.path()) + u"\\c.txt";
  EXPECT_FALSE(MoveFileW(ua.c_str(), ub.c_str()));
  EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
  EXPECT_TRUE(MoveFileW(ua.c_str(), winStyle.c_str()));
  EXPECT_EQ("alpha", ReadFile(home.path() + "/c.txt"));
  EXPECT_TRUE(MoveFileExW(winStyle.c_str(), ub.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ("alpha", ReadFile(b));
  EXPECT_FALSE(MoveFileExW(ub.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_EQ(ERROR_NOT_SUPPORTED, GetLastError());

  std::u16string dir = home.U("d1");
  EXPECT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryW(dir.c_str(), nullptr));
  EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
  EXPECT_FALSE(CreateDirectoryW(home.U("x/y/z").c_str(), nullptr));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
  EXPECT_FALSE(DeleteFileW(dir.c_str()));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  WriteFile(home.path() + "/d1/f", "x");
  EXPECT_FALSE(RemoveDirectoryW(dir.c_str()));
  EXPECT_EQ(ERROR_DIR_NOT_EMPTY, GetLastError());
  EXPECT_TRUE(DeleteFileW(home.U("d1/f").c_str()));
  EXPECT_FALSE(DeleteFileW(home.U("d1/f").c_str()));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  EXPECT_TRUE(RemoveDirectoryW(dir.c_str()));
}

TEST(Files, AttributesHiddenAndReadOnly) {
  TempHome home;
  WriteFile(home.path() + "/plain", "12345");
  WriteFile(home.path() + "/.dot", "");
  std::filesystem::create_directories(home.path() + "/folder");
  std::u16string plain = home.U("plain");
  EXPECT_EQ(FILE_ATTRIBUTE_NORMAL, GetFileAttributesW(plain.c_str()));
  EXPECT_EQ(FILE_ATTRIBUTE_HIDDEN, GetFileAttributesW(home.U(".dot").c_str()));
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(home.U("folder").c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(home.U("none").c_str()));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(home.U("none/x").c_str()));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());

  ASSERT_TRUE(SetFileAttributesW(plain.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, GetFileAttributesW(plain.c_str()));
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(plain.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, data.dwFileAttributes);
  EXPECT_EQ(5u, data.nFileSizeLow);
  // Hidden travels with a move; the name keeps its spelling.
  std::u16string moved = home.U("moved");
  ASSERT_TRUE(MoveFileW(plain.c_str(), moved.c_str()));
  EXPECT_EQ(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, GetFileAttributesW(moved.c_str()));
  ASSERT_TRUE(SetFileAttributesW(moved.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(FILE_ATTRIBUTE_NORMAL, GetFileAttributesW(moved.c_str()));
}

TEST(Files, FindWithWildcards) {
  TempHome home;
  for (const char* n : {"b.txt", "A.TXT", "c.log", "noext", "ab.txt.bak"}) WriteFile(home.path() + "/f/" + n, "");
  std::u16string dir = home.U("f");
  struct Case {
    const char16_t* mask;
    std::vector<std::u16string> expected;
  };
  std::vector<Case> cases = {
      {u"*.txt", {u"A.TXT", u"b.txt"}},
      {u"?.TXT", {u"A.TXT", u"b.txt"}},
      {u"*.*", {u".", u"..", u"A.TXT", u"ab.txt.bak", u"b.txt", u"c.log", u"noext"}},
      {u"*", {u".", u"..", u"A.TXT", u"ab.txt.bak", u"b.txt", u"c.log", u"noext"}},
      {u"a*", {u"A.TXT", u"ab.txt.bak"}},
      {u"c.log", {u"c.log"}},
      {u"*.none", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.mask));
    EXPECT_EQ(c.expected, List(dir + u"\\" + c.mask));
  }
  WIN32_FIND_DATAW d;
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW((dir + u"/*.none").c_str(), &d));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW(home.U("missing/*").c_str(), &d));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
  HANDLE h = FindFirstFileW((dir + u"/noext").c_str(), &d);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  EXPECT_EQ(FILE_ATTRIBUTE_NORMAL, d.dwFileAttributes);
  FindClose(h);
}

// Searches are opened in the slot of the one closed last; put back however
// the test ends.
struct FindSlotReuse {
  FindSlotReuse() { pv::SetFindHandleReuseLastFreedForTesting(true); }
  ~FindSlotReuse() { pv::SetFindHandleReuseLastFreedForTesting(false); }
};

// A closed search's handle is refused for good: it reaches neither freed
// memory nor the search opened next in its slot.
TEST(Files, AClosedSearchsHandleIsRefusedAndNeverReachesTheNextSearch) {
  FindSlotReuse reuse;
  TempHome home;
  for (const char* n : {"a1", "a2", "b1", "b2", "b3"}) WriteFile(home.path() + "/f/" + n, "");
  const std::u16string dir = home.U("f");
  WIN32_FIND_DATAW d;
  HANDLE stale = FindFirstFileW((dir + u"/a*").c_str(), &d);
  ASSERT_NE(INVALID_HANDLE_VALUE, stale);
  ASSERT_TRUE(FindClose(stale));
  HANDLE live = FindFirstFileW((dir + u"/b*").c_str(), &d);
  ASSERT_NE(INVALID_HANDLE_VALUE, live);
  EXPECT_EQ(std::u16string(u"b1"), std::u16string(d.cFileName));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(live) & pv::detail::kHandleIndexMask,
            reinterpret_cast<uintptr_t>(stale) & pv::detail::kHandleIndexMask)
      << "the new search took the closed one's slot";
  EXPECT_NE(live, stale);
  SetLastError(0);
  EXPECT_FALSE(FindNextFileW(stale, &d));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  SetLastError(0);
  EXPECT_FALSE(FindClose(stale));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  // The live search goes on where it was, untouched by the stale handle.
  std::vector<std::u16string> rest;
  while (FindNextFileW(live, &d)) rest.push_back(d.cFileName);
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), GetLastError());
  EXPECT_EQ((std::vector<std::u16string>{u"b2", u"b3"}), rest);
  EXPECT_TRUE(FindClose(live));
  SetLastError(0);
  EXPECT_FALSE(FindClose(live)) << "closing twice";
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  // Handles of other kinds and made-up values are refused too.
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  for (HANDLE h : {event, reinterpret_cast<HANDLE>(0x10), INVALID_HANDLE_VALUE, HANDLE{}}) {
    EXPECT_FALSE(FindNextFileW(h, &d));
    EXPECT_FALSE(FindClose(h));
  }
  CloseHandle(event);
}

TEST(Files, PathHelpers) {
  struct Case {
    const char16_t* path;
    const char16_t* fileName;
    const char16_t* extension;
    const char16_t* withoutSpec;
  };
  std::vector<Case> cases = {
      {u"C:\\dir\\file.txt", u"file.txt", u".txt", u"C:\\dir"},
      {u"/a/b.tar.gz", u"b.tar.gz", u".gz", u"/a"},
      {u"/a.b/c", u"c", u"", u"/a.b"},
      {u"name", u"name", u"", u""},
      {u"/file", u"file", u"", u"/"},
      {u"dir/", u"dir/", u"", u"dir"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.path));
    EXPECT_EQ(std::u16string(c.fileName), PathFindFileNameW(c.path));
    EXPECT_EQ(std::u16string(c.extension), PathFindExtensionW(c.path));
    WCHAR buf[MAX_PATH];
    std::u16string(c.path).copy(buf, MAX_PATH);
    buf[std::u16string(c.path).size()] = 0;
    PathRemoveFileSpecW(buf);
    EXPECT_EQ(std::u16string(c.withoutSpec), buf);
  }
  WCHAR buf[MAX_PATH] = u"C:\\data";
  ASSERT_TRUE(PathAppendW(buf, u"\\Styles\\a.ini"));
  EXPECT_EQ(u"C:/data/Styles/a.ini", std::u16string(buf));
  ASSERT_TRUE(PathRenameExtensionW(buf, u".bak"));
  EXPECT_EQ(u"C:/data/Styles/a.bak", std::u16string(buf));
  PathRemoveExtensionW(buf);
  PathStripPathW(buf);
  EXPECT_EQ(u"a", std::u16string(buf));
  WCHAR joined[MAX_PATH];
  EXPECT_EQ(u"/x/y", std::u16string(PathCombineW(joined, u"/x/", u"y")));
  EXPECT_EQ(u"/abs", std::u16string(PathCombineW(joined, u"/x", u"/abs")));
  WCHAR slash[MAX_PATH] = u"/x";
  PathAddBackslashW(slash);
  EXPECT_EQ(u"/x/", std::u16string(slash));
  PathRemoveBackslashW(slash);
  EXPECT_EQ(u"/x", std::u16string(slash));
  EXPECT_FALSE(PathIsRelativeW(u"/x"));
  EXPECT_TRUE(PathIsRelativeW(u"x/y"));
  std::u16string tooLong(MAX_PATH, u'a');
  WCHAR small[MAX_PATH] = u"/base";
  EXPECT_FALSE(PathAppendW(small, tooLong.c_str()));
  EXPECT_EQ(u"/base", std::u16string(small));
  EXPECT_EQ(u"a/b/c", pv::JoinPath(u"a\\", u"\\b\\c"));
}

TEST(Files, SpecialFoldersFollowXdg) {
  TempHome home;
  WCHAR path[MAX_PATH];
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path));
  EXPECT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path));
  EXPECT_EQ(FromUtf8(home.path() + "/data"), std::u16string(path));
  EXPECT_TRUE(PathIsDirectoryW(path));
  pvtest::EnvScope noDataHome("XDG_DATA_HOME", std::nullopt);
  EXPECT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_APPDATA, TRUE));
  EXPECT_EQ(FromUtf8(home.path() + "/home/.local/share"), std::u16string(path));
  EXPECT_EQ(E_INVALIDARG, SHGetFolderPathW(nullptr, 0x7e, nullptr, 0, path));
}

TEST(Files, FormatMessageTextsAndInserts) {
  WCHAR buf[256];
  struct Case {
    DWORD code;
    const char16_t* text;
  };
  for (const auto& c : std::vector<Case>{{ERROR_FILE_NOT_FOUND, u"The file was not found.\r\n"},
                                         {ERROR_ACCESS_DENIED, u"Access is not allowed.\r\n"},
                                         {ERROR_MOD_NOT_FOUND, u"The module was not found.\r\n"},
                                         {static_cast<DWORD>(E_INVALIDARG), u"A parameter is not valid.\r\n"}}) {
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, c.code, 0, buf, 256,
                             nullptr);
    EXPECT_EQ(std::u16string(c.text), std::u16string(buf, n));
  }
  EXPECT_EQ(0u, FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0xDEAD, 0, buf, 256, nullptr));
  EXPECT_EQ(ERROR_MR_MID_NOT_FOUND, GetLastError());
  EXPECT_EQ(0u, FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, buf, 5, nullptr));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());

  DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(u"qty.tgd"), 42};
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, u"%1 has %2!d! rows (100%%)%n",
                           0, 0, buf, 256, args);
  EXPECT_EQ(u"qty.tgd has 42 rows (100%)\r\n", std::u16string(buf, n));
  LPWSTR allocated = nullptr;
  n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                     nullptr, ERROR_DISK_FULL, 0, reinterpret_cast<LPWSTR>(&allocated), 0, nullptr);
  ASSERT_NE(nullptr, allocated);
  EXPECT_EQ(u"The disk is full.", std::u16string(allocated, n));
  LocalFree(allocated);
}

}  // namespace
