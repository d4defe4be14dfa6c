#include "platform/system/registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "tests/platform/system/test_support.h"

namespace {

using pv::test::ReadFile;
using pv::test::TempHome;
using pv::test::WriteFile;

std::vector<BYTE> Bytes(std::u16string_view s, bool terminator = true) {
  std::vector<BYTE> b;
  for (char16_t c : s) {
    b.push_back(static_cast<BYTE>(c & 0xFF));
    b.push_back(static_cast<BYTE>(c >> 8));
  }
  if (terminator) b.insert(b.end(), {0, 0});
  return b;
}

std::vector<BYTE> Dword(DWORD v) { return {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)}; }

HKEY Create(HKEY root, const char16_t* path) {
  HKEY k = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
  return k;
}

void Set(HKEY k, const char16_t* name, DWORD type, const std::vector<BYTE>& data) {
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(k, name, 0, type, data.data(), static_cast<DWORD>(data.size())));
}

bool Query(HKEY k, const char16_t* name, DWORD* type, std::vector<BYTE>* data) {
  DWORD size = 0;
  if (RegQueryValueExW(k, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
  data->assign(size, 0);
  return RegQueryValueExW(k, name, nullptr, type, data->data(), &size) == ERROR_SUCCESS;
}

// The stored text is exactly the documented form: keys in name order,
// values in the order set, every type in its readable spelling, and
// escapes for quotes, backslashes, control characters and lone surrogates.
TEST(Registry, WritesTheDocumentedTextForm) {
  TempHome home;
  HKEY app = Create(HKEY_CURRENT_USER, u"Software\\Pravenor\\Settings");
  Set(app, u"Name", REG_SZ, Bytes(u"Tom \"T\" C:\\x\n\u00e9"));
  Set(app, u"Count", REG_DWORD, Dword(42));
  Set(app, u"Blob", REG_BINARY, {0x01, 0xab, 0x00});
  Set(app, nullptr, REG_SZ, Bytes(u"default"));
  Set(app, u"Path", REG_EXPAND_SZ, Bytes(u"%HOME%/x"));
  Set(app, u"List", REG_MULTI_SZ, Bytes(std::u16string(u"a\0bc\0", 5)));
  Set(app, u"Big", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
  Set(app, u"Odd", REG_DWORD, {1, 2});  // not 4 bytes: kept as raw bytes of type 4
  Set(app, u"Lone", REG_SZ, Bytes(std::u16string(1, char16_t(0xD800)) + u"\t"));
  HKEY empty = Create(HKEY_CURRENT_USER, u"Software\\Pravenor\\Empty");
  HKEY machine = Create(HKEY_LOCAL_MACHINE, u"Software\\A\\B");
  Set(machine, u"v", REG_SZ, Bytes(u""));
  RegCloseKey(app);
  RegCloseKey(empty);
  RegCloseKey(machine);
  ASSERT_EQ(ERROR_SUCCESS, pv::FlushRegistry());

  const char* expected =
      "; Pravenor registry, format 1\n"
      "; Written by Pravenor. Keys are [ROOT\\path] lines, each followed by its values.\n"
      "\n"
      "[HKEY_CURRENT_USER\\Software\\Pravenor\\Empty]\n"
      "\n"
      "[HKEY_CURRENT_USER\\Software\\Pravenor\\Settings]\n"
      "\"Name\"=sz:\"Tom \\\"T\\\" C:\\\\x\\n\xc3\xa9\"\n"
      "\"Count\"=dword:0000002a\n"
      "\"Blob\"=hex:01,ab,00\n"
      "@=sz:\"default\"\n"
      "\"Path\"=expand_sz:\"%HOME%/x\"\n"
      "\"List\"=multi_sz:\"a\",\"bc\"\n"
      "\"Big\"=qword:0807060504030201\n"
      "\"Odd\"=hex(4):01,02\n"
      "\"Lone\"=sz:\"\\ud800\\t\"\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\Software\\A\\B]\n"
      "\"v\"=sz:\"\"\n";
  EXPECT_EQ(expected, ReadFile(pv::RegistryFilePath()));
  EXPECT_EQ(home.ConfigDir() + "/registry.txt", pv::RegistryFilePath());
}

// Every value reads back with its exact type and bytes after the file is
// read again from disk, names match without regard to case, and a string
// stored without its terminator gets one.
TEST(Registry, ValuesRoundTripThroughTheFile) {
  TempHome home;
  struct Case {
    const char16_t* name;
    DWORD type;
    std::vector<BYTE> data;
    std::vector<BYTE> expected;
  };
  std::u16string tricky = std::u16string(u"a\0b", 3) + u"\"\\;[x]=\r\n\u4e2d\U0001F600" + char16_t(0xDC00);
  std::vector<Case> cases = {
      {u"sz", REG_SZ, Bytes(tricky), Bytes(tricky)},
      {u"unterminated", REG_SZ, Bytes(u"abc", false), Bytes(u"abc")},
      {u"empty", REG_SZ, {}, Bytes(u"")},
      {u"expand", REG_EXPAND_SZ, Bytes(u"%TEMP%"), Bytes(u"%TEMP%")},
      {u"multi", REG_MULTI_SZ, Bytes(std::u16string(u"x\0y\0", 4)), Bytes(std::u16string(u"x\0y\0", 4))},
      {u"multi-empty-item", REG_MULTI_SZ, Bytes(std::u16string(u"x\0\0y\0", 5)), Bytes(std::u16string(u"x\0\0y\0", 5))},
      {u"dword", REG_DWORD, Dword(0xFFFFFFFF), Dword(0xFFFFFFFF)},
      {u"binary", REG_BINARY, {0, 1, 2, 255}, {0, 1, 2, 255}},
      {u"binary-empty", REG_BINARY, {}, {}},
      {u"custom-type", 0x12345, {9, 8}, {9, 8}},
      {u"", REG_SZ, Bytes(u"the default value"), Bytes(u"the default value")},
      {u"=[name] \"quoted\"", REG_DWORD, Dword(7), Dword(7)},
  };
  HKEY k = Create(HKEY_CURRENT_USER, u"Software\\Odd [Key] %41\\Sub");
  for (const auto& c : cases) Set(k, c.name, c.type, c.data);
  RegCloseKey(k);
  ASSERT_EQ(ERROR_SUCCESS, pv::FlushRegistry());
  pv::ResetRegistryForTests();

  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\odd [key] %41\\sub", 0, KEY_READ, &k));
  for (const auto& c : cases) {
    SCOPED_TRACE(pv::sys::ToUtf8(c.name));
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(Query(k, c.name, &type, &data));
    EXPECT_EQ(c.type, type);
    EXPECT_EQ(c.expected, data);
  }
  DWORD type = 0;
  std::vector<BYTE> data;
  EXPECT_TRUE(Query(k, u"DWORD", &type, &data));
  RegCloseKey(k);
}

// The buffer and error rules callers depend on.
TEST(Registry, QueryEnumerateAndErrorRules) {
  TempHome home;
  HKEY k = Create(HKEY_CURRENT_USER, u"Software\\T");
  Set(k, u"s", REG_SZ, Bytes(u"hello"));  // 12 bytes
  Set(k, u"longer-name", REG_DWORD, Dword(1));
  HKEY sub = Create(k, u"b-sub");
  RegCloseKey(Create(k, u"A-sub\\deeper"));

  DWORD type = 0, size = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(k, u"s", nullptr, &type, nullptr, &size));
  EXPECT_EQ(12u, size);
  BYTE small[4];
  size = sizeof small;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(k, u"s", nullptr, &type, small, &size));
  EXPECT_EQ(12u, size);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(k, u"missing", nullptr, &type, nullptr, &size));
  HKEY none = HKEY_CURRENT_USER;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Nope", 0, KEY_READ, &none));
  EXPECT_EQ(nullptr, none);

  // Subkeys come in name order without regard to case.
  WCHAR name[32];
  DWORD chars = 32;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExW(k, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(std::u16string(u"A-sub"), name);
  EXPECT_EQ(5u, chars);
  chars = 32;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExW(k, 1, name, &chars, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(std::u16string(u"b-sub"), name);
  chars = 32;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyExW(k, 2, name, &chars, nullptr, nullptr, nullptr, nullptr));
  chars = 3;
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExW(k, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));

  // Values come in the order they were set.
  chars = 32;
  size = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumValueW(k, 1, name, &chars, nullptr, &type, nullptr, &size));
  EXPECT_EQ(std::u16string(u"longer-name"), name);
  EXPECT_EQ(REG_DWORD, type);
  EXPECT_EQ(4u, size);

  DWORD subKeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, &maxName,
                                            &maxData, nullptr, nullptr));
  EXPECT_EQ(2u, subKeys);
  EXPECT_EQ(5u, maxSub);
  EXPECT_EQ(2u, values);
  EXPECT_EQ(11u, maxName);
  EXPECT_EQ(12u, maxData);

  // A key with subkeys is not deleted by RegDeleteKey; the recursive delete does it.
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(k, u"A-sub"));
  EXPECT_EQ(ERROR_SUCCESS, SHDeleteKeyW(k, u"A-sub"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, SHDeleteKeyW(k, u"A-sub"));
  // A handle to a deleted key reports it.
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(k, u"b-sub"));
  EXPECT_EQ(ERROR_KEY_DELETED, RegSetValueExW(sub, u"x", 0, REG_DWORD, Dword(1).data(), 4));
  RegCloseKey(sub);
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(sub));

  // A read-only handle cannot change values.
  HKEY ro = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\T", 0, KEY_READ, &ro));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExW(ro, u"x", 0, REG_DWORD, Dword(1).data(), 4));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueW(ro, u"s"));
  RegCloseKey(ro);

  DWORD disposition = 0;
  HKEY again = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_CURRENT_USER, u"software\\t", 0, nullptr, 0, KEY_READ, nullptr, &again, &disposition));
  EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);
  RegCloseKey(again);
  EXPECT_EQ(ERROR_BAD_PATHNAME,
            RegCreateKeyExW(HKEY_CURRENT_USER, u"\\lead", 0, nullptr, 0, KEY_READ, nullptr, &again, nullptr));
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegCreateKeyExW(HKEY_CURRENT_USER, u"a\\\\b", 0, nullptr, 0, KEY_READ, nullptr, &again, nullptr));
  RegCloseKey(k);
}

void KillSelf(const char*) { ::kill(::getpid(), SIGKILL); }

// A writer killed after writing its temporary file but before the rename
// leaves the previous file exactly as it was.
TEST(Registry, WriterKilledBeforeRenameLeavesTheOldFile) {
  TempHome home;
  HKEY k = Create(HKEY_CURRENT_USER, u"Software\\Crash");
  Set(k, u"v", REG_DWORD, Dword(1));
  ASSERT_EQ(ERROR_SUCCESS, RegFlushKey(k));
  std::string before = ReadFile(pv::RegistryFilePath());

  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    pv::sys::SetAtomicWriteHookForTests(&KillSelf);
    DWORD two = 2;
    RegSetValueExW(k, u"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&two), 4);
    RegFlushKey(k);
    ::_exit(0);  // not reached
  }
  int status = 0;
  ASSERT_EQ(child, ::waitpid(child, &status, 0));
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(before, ReadFile(pv::RegistryFilePath()));

  auto leftovers = [&] {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(home.ConfigDir()))
      n += e.path().filename().string().starts_with("registry.txt.tmp-");
    return n;
  };
  EXPECT_EQ(1, leftovers());  // the dead writer's temporary file

  pv::ResetRegistryForTests();
  HKEY again = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Crash", 0, KEY_READ, &again));
  EXPECT_EQ(0, leftovers());  // cleared when the registry is read again
  DWORD type, data = 0, size = 4;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(again, u"v", nullptr, &type, reinterpret_cast<BYTE*>(&data), &size));
  EXPECT_EQ(1u, data);
  RegCloseKey(again);
  RegCloseKey(k);
}

// A damaged file is moved aside with a message, never overwritten, and
// the program starts from defaults.
TEST(Registry, CorruptFileIsMovedAsideAndDefaultsStart) {
  struct Case {
    const char* name;
    std::string text;
  };
  std::vector<Case> cases = {
      {"no header", "[HKEY_CURRENT_USER\\A]\n\"x\"=dword:00000001\n"},
      {"bad value", "; Pravenor registry, format 1\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:12\n"},
      {"value before key", "; Pravenor registry, format 1\n\"x\"=sz:\"a\"\n"},
      {"unknown root", "; Pravenor registry, format 1\n[HKEY_NOWHERE\\A]\n"},
      {"binary junk", std::string("\x00\xff\xfe garbage", 11)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempHome home;
    WriteFile(pv::RegistryFilePath(), c.text);
    testing::internal::CaptureStderr();
    HKEY k = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, u"A", 0, KEY_READ, &k));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("damaged")) << err;
    EXPECT_NE(std::string::npos, err.find("defaults")) << err;
    EXPECT_FALSE(std::filesystem::exists(pv::RegistryFilePath()));
    int asideCount = 0;
    for (const auto& e : std::filesystem::directory_iterator(home.ConfigDir())) {
      if (e.path().filename().string().starts_with("registry.txt.corrupt-")) {
        ++asideCount;
        EXPECT_EQ(c.text, ReadFile(e.path().string()));
      }
    }
    EXPECT_EQ(1, asideCount);
    // The next write starts a fresh file and keeps the damaged one aside.
    HKEY n = Create(HKEY_CURRENT_USER, u"A");
    Set(n, u"x", REG_DWORD, Dword(5));
    RegCloseKey(n);
    ASSERT_EQ(ERROR_SUCCESS, pv::FlushRegistry());
    EXPECT_TRUE(std::filesystem::exists(pv::RegistryFilePath()));
  }
}

// Another process's changes are seen and not lost when this one writes.
TEST(Registry, SecondProcessChangesAreMergedNotLost) {
  TempHome home;
  HKEY k = Create(HKEY_CURRENT_USER, u"Software\\Shared");
  Set(k, u"mine", REG_DWORD, Dword(1));
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    DWORD v = 2;
    HKEY c = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Shared", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &c, nullptr);
    LONG r = RegSetValueExW(c, u"theirs", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
    RegFlushKey(c);
    RegCloseKey(c);
    ::_exit(r == ERROR_SUCCESS ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(child, ::waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  Set(k, u"mine2", REG_DWORD, Dword(3));
  ASSERT_EQ(ERROR_SUCCESS, RegFlushKey(k));
  DWORD type;
  std::vector<BYTE> data;
  ASSERT_TRUE(Query(k, u"theirs", &type, &data));
  EXPECT_EQ(Dword(2), data);
  std::string text = ReadFile(pv::RegistryFilePath());
  EXPECT_NE(std::string::npos, text.find("\"theirs\"=dword:00000002"));
  EXPECT_NE(std::string::npos, text.find("\"mine2\"=dword:00000003"));
  RegCloseKey(k);
}

// A write batch keeps the file unchanged until it ends, then writes every
// value once; reads inside the batch see the new values.
TEST(Registry, WriteBatchDefersTheFileUntilItEnds) {
  TempHome home;
  HKEY k = Create(HKEY_CURRENT_USER, u"Software\\Batch");
  std::string before = ReadFile(pv::RegistryFilePath());
  {
    pv::RegistryWriteBatch batch;
    for (DWORD i = 0; i < 200; ++i) {
      std::u16string name = u"v" + pv::sys::FromUtf8(std::to_string(i));
      Set(k, name.c_str(), REG_DWORD, Dword(i));
    }
    DWORD type;
    std::vector<BYTE> data;
    ASSERT_TRUE(Query(k, u"v199", &type, &data));
    EXPECT_EQ(Dword(199), data);
    EXPECT_EQ(before, ReadFile(pv::RegistryFilePath()));
  }
  std::string after = ReadFile(pv::RegistryFilePath());
  EXPECT_NE(std::string::npos, after.find("\"v0\"=dword:00000000"));
  EXPECT_NE(std::string::npos, after.find("\"v199\"=dword:000000c7"));
  RegCloseKey(k);
}

// Processes writing the registry at the same time lose nothing.
TEST(Registry, ConcurrentWritersLoseNothing) {
  TempHome home;
  constexpr int kWriters = 4, kValues = 10;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      HKEY k = nullptr;
      bool ok = RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Many", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                                nullptr) == ERROR_SUCCESS;
      for (int v = 0; v < kValues; ++v) {
        std::u16string name = pv::sys::FromUtf8("w" + std::to_string(w) + "v" + std::to_string(v));
        DWORD data = static_cast<DWORD>(w * 100 + v);
        ok = RegSetValueExW(k, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&data), 4) == ERROR_SUCCESS && ok;
      }
      ok = RegFlushKey(k) == ERROR_SUCCESS && ok;
      ok = RegCloseKey(k) == ERROR_SUCCESS && ok;
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t c : children) {
    int status = 0;
    ASSERT_EQ(c, ::waitpid(c, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Many", 0, KEY_READ, &k));
  DWORD count = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                                            nullptr, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(kWriters * kValues), count);
  RegCloseKey(k);
}

}  // namespace

namespace {

const char kHeaderLine[] = "; Pravenor registry, format 1\n";

bool FailEveryRead(const char*) { return true; }

// Counts the files moved aside in the configuration folder.
int MovedAsideCount(const TempHome& home) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(home.ConfigDir()))
    if (e.path().filename().string().starts_with("registry.txt.corrupt-")) ++n;
  return n;
}

}  // namespace

// A registry file that exists but cannot be read is reported and kept as
// it is: reads give nothing and every change is refused, so it is never
// replaced by a file holding only the change. Once it reads again, its
// values are all there.
TEST(Registry, UnreadableFileIsKeptAndNeverOverwritten) {
  TempHome home;
  const std::string text = std::string(kHeaderLine) + "\n[HKEY_CURRENT_USER\\Software\\Kept]\n\"a\"=dword:00000007\n";
  WriteFile(pv::RegistryFilePath(), text);
  pv::sys::SetReadFailureHookForTests(&FailEveryRead);
  testing::internal::CaptureStderr();
  HKEY k = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Kept", 0, KEY_READ, &k));
  EXPECT_EQ(static_cast<LONG>(ERROR_CANTREAD),
            RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
  {
    pv::RegistryWriteBatch batch;
    EXPECT_EQ(static_cast<LONG>(ERROR_CANTREAD), RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\New", 0, nullptr, 0,
                                                                 KEY_ALL_ACCESS, nullptr, &k, nullptr));
  }
  std::string err = testing::internal::GetCapturedStderr();
  pv::sys::SetReadFailureHookForTests(nullptr);
  EXPECT_NE(std::string::npos, err.find("could not be read")) << err;
  EXPECT_EQ(std::string::npos, err.find("could not be read", err.find("could not be read") + 1)) << "reported once";
  EXPECT_EQ(text, ReadFile(pv::RegistryFilePath()));
  EXPECT_EQ(0, MovedAsideCount(home));

  // Readable again: the values come back and changes are saved beside them.
  HKEY kept = Create(HKEY_CURRENT_USER, u"Software\\Kept");
  DWORD type;
  std::vector<BYTE> data;
  ASSERT_TRUE(Query(kept, u"a", &type, &data));
  EXPECT_EQ(Dword(7), data);
  Set(kept, u"b", REG_DWORD, Dword(8));
  RegCloseKey(kept);
  ASSERT_EQ(ERROR_SUCCESS, pv::FlushRegistry());
  std::string after = ReadFile(pv::RegistryFilePath());
  EXPECT_NE(std::string::npos, after.find("\"a\"=dword:00000007"));
  EXPECT_NE(std::string::npos, after.find("\"b\"=dword:00000008"));
}

// Bytes that are not UTF-8 (in names and in texts) read as the units
// U+DC80-U+DCFF and are written back as the same bytes when the file is
// rewritten for another change.
TEST(Registry, UndecodableBytesAreKept) {
  TempHome home;
  const std::string keyLine = "[HKEY_CURRENT_USER\\Software\\Caf\xE9]";
  const std::string valueLine = "\"n\xFF\"=sz:\"x\xE9\xC3 \xED\xA0\x80\"";
  WriteFile(pv::RegistryFilePath(), std::string(kHeaderLine) + "\n" + keyLine + "\n" + valueLine + "\n");
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Caf\xDCE9", 0, KEY_ALL_ACCESS, &k));
  DWORD type;
  std::vector<BYTE> data;
  ASSERT_TRUE(Query(k, u"n\xDCFF", &type, &data));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(Bytes(u"x\xDCE9\xDCC3 \xDCED\xDCA0\xDC80"), data);
  Set(k, u"other", REG_DWORD, Dword(1));
  RegCloseKey(k);
  std::string text = ReadFile(pv::RegistryFilePath());
  EXPECT_NE(std::string::npos, text.find(keyLine + "\n" + valueLine + "\n")) << text;
  EXPECT_EQ(std::string::npos, text.find("\xEF\xBF\xBD"));  // no replacement characters
}

// Keys nest at most 512 levels. A file nested deeper (100,000 levels) is
// damaged: it is moved aside with a message instead of crashing the
// program, and so is every later start's fresh file left alone.
TEST(Registry, NestingIsBoundedAndADeeperFileIsMovedAside) {
  TempHome home;
  std::string deep = std::string(kHeaderLine) + "[HKEY_CURRENT_USER";
  for (int i = 0; i < 100000; ++i) deep += "\\a";
  deep += "]\n\"v\"=dword:00000001\n";
  WriteFile(pv::RegistryFilePath(), deep);
  testing::internal::CaptureStderr();
  HKEY k = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, u"a", 0, KEY_READ, &k));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, err.find("deeper than 512")) << err.substr(0, 300);
  EXPECT_EQ(1, MovedAsideCount(home));
  EXPECT_FALSE(std::filesystem::exists(pv::RegistryFilePath()));

  std::u16string path512, path513;
  for (int i = 0; i < 512; ++i) path512 += i ? u"\\k" : u"k";
  path513 = path512 + u"\\k";
  EXPECT_EQ(static_cast<LONG>(ERROR_INVALID_PARAMETER),
            RegCreateKeyExW(HKEY_CURRENT_USER, path513.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
  HKEY leaf = Create(HKEY_CURRENT_USER, path512.c_str());
  Set(leaf, u"v", REG_DWORD, Dword(2));
  RegCloseKey(leaf);
  ASSERT_EQ(ERROR_SUCCESS, pv::FlushRegistry());
  // The deepest key survives a fresh read of the file.
  pv::ResetRegistryForTests();
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, path512.c_str(), 0, KEY_READ, &leaf));
  DWORD type;
  std::vector<BYTE> data;
  EXPECT_TRUE(Query(leaf, u"v", &type, &data));
  RegCloseKey(leaf);
  EXPECT_EQ(1, MovedAsideCount(home));
}

// A change made inside a batch that could never reach the disk (the
// configuration folder cannot be made) fails at once instead of being
// answered as stored.
TEST(Registry, BatchedChangeThatCannotBeSavedFails) {
  TempHome home;
  WriteFile(home.path() + "/blocker", "a file where a folder should be");
  pvtest::EnvScope blocked("XDG_CONFIG_HOME", home.path() + "/blocker/config");
  pv::ResetRegistryForTests();
  HKEY k = nullptr;
  testing::internal::CaptureStderr();
  {
    pv::RegistryWriteBatch batch;
    EXPECT_EQ(static_cast<LONG>(ERROR_CANTWRITE), RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Lost", 0, nullptr, 0,
                                                                  KEY_ALL_ACCESS, nullptr, &k, nullptr));
  }
  // Unbatched, the same change fails as it always did.
  EXPECT_EQ(static_cast<LONG>(ERROR_CANTWRITE),
            RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Lost", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Lost", 0, KEY_READ, &k));
}

// Changes wait in memory (reads see them) and are written together, one
// rewrite per flush: idle time (pv::FlushRegistry), RegFlushKey, a batch's
// end and the program's exit. Closing keys does not write, so a save that
// sets and closes many keys costs one write. A process killed between
// flushes loses only the changes since the last one, and the file it leaves
// is whole.
bool FileHas(const std::string& text) { return ReadFile(pv::RegistryFilePath()).find(text) != std::string::npos; }

TEST(Registry, ClosedKeysWaitForOneWriteAtTheNextFlush) {
  TempHome home;
  const unsigned long start = pv::RegistryFileWritesForTests();
  constexpr DWORD kValues = 20;
  for (DWORD i = 0; i < kValues; ++i) {
    std::u16string path = u"Software\\Flush\\k" + pv::sys::FromUtf8(std::to_string(i % 4));
    HKEY k = Create(HKEY_CURRENT_USER, path.c_str());
    std::u16string name = u"v" + pv::sys::FromUtf8(std::to_string(i));
    Set(k, name.c_str(), REG_DWORD, Dword(i));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(k));
  }
  EXPECT_EQ(start, pv::RegistryFileWritesForTests());
  EXPECT_FALSE(std::filesystem::exists(pv::RegistryFilePath()));
  // Another handle reads what waits.
  HKEY reader = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Flush\\k3", 0, KEY_READ, &reader));
  DWORD type;
  std::vector<BYTE> data;
  ASSERT_TRUE(Query(reader, u"v19", &type, &data));
  EXPECT_EQ(Dword(19), data);
  RegCloseKey(reader);

  struct Flush {
    const char* how;
    std::function<LONG()> flush;
  };
  const std::vector<Flush> flushes = {
      {"idle time", [] { return pv::FlushRegistry(); }},
      {"RegFlushKey",
       [] {
         HKEY k = Create(HKEY_CURRENT_USER, u"Software\\Flush");
         LONG r = RegFlushKey(k);
         RegCloseKey(k);
         return r;
       }},
      {"a batch's end",
       [] {
         { pv::RegistryWriteBatch batch; }
         return static_cast<LONG>(ERROR_SUCCESS);
       }},
  };
  DWORD next = kValues;
  bool first = true;
  for (const auto& f : flushes) {
    SCOPED_TRACE(f.how);
    if (!first) {  // the first round flushes the values set above
      HKEY k = Create(HKEY_CURRENT_USER, u"Software\\Flush\\k0");
      std::u16string name = u"v" + pv::sys::FromUtf8(std::to_string(next++));
      Set(k, name.c_str(), REG_DWORD, Dword(next));
      RegCloseKey(k);
    }
    first = false;
    const unsigned long before = pv::RegistryFileWritesForTests();
    ASSERT_EQ(ERROR_SUCCESS, f.flush());
    EXPECT_EQ(before + 1, pv::RegistryFileWritesForTests());
    EXPECT_TRUE(FileHas("\"v" + std::to_string(next - 1) + "\"=dword:")) << ReadFile(pv::RegistryFilePath());
    // Nothing waits any more: a second flush writes nothing.
    ASSERT_EQ(ERROR_SUCCESS, pv::FlushRegistry());
    EXPECT_EQ(before + 1, pv::RegistryFileWritesForTests());
  }
  for (DWORD i = 0; i < kValues; ++i) EXPECT_TRUE(FileHas("\"v" + std::to_string(i) + "\"=dword:")) << i;
}

TEST(Registry, ACrashLosesOnlyTheUnflushedAndExitFlushes) {
  TempHome home;
  HKEY k = Create(HKEY_CURRENT_USER, u"Software\\Flush");
  Set(k, u"a", REG_DWORD, Dword(1));
  ASSERT_EQ(ERROR_SUCCESS, pv::FlushRegistry());
  ASSERT_TRUE(FileHas("\"a\"=dword:00000001"));

  pid_t killed = ::fork();
  ASSERT_GE(killed, 0);
  if (killed == 0) {
    DWORD v = 3;
    RegSetValueExW(k, u"c", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
    RegFlushKey(k);
    // The next batch is set and its keys closed, but never flushed.
    HKEY other = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Flush\\Later", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &other,
                    nullptr);
    v = 4;
    RegSetValueExW(other, u"d", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
    RegCloseKey(other);
    ::kill(::getpid(), SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(killed, ::waitpid(killed, &status, 0));
  ASSERT_TRUE(WIFSIGNALED(status));
  std::string text = ReadFile(pv::RegistryFilePath());
  EXPECT_NE(std::string::npos, text.find("\"a\"=dword:00000001")) << text;
  EXPECT_NE(std::string::npos, text.find("\"c\"=dword:00000003")) << text;
  EXPECT_EQ(std::string::npos, text.find("\"d\"")) << text;
  EXPECT_EQ(std::string::npos, text.find("Later")) << text;

  pid_t exiting = ::fork();
  ASSERT_GE(exiting, 0);
  if (exiting == 0) {
    DWORD v = 5;
    HKEY c = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Flush", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &c, nullptr);
    RegSetValueExW(c, u"e", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
    RegCloseKey(c);
    std::exit(0);
  }
  ASSERT_EQ(exiting, ::waitpid(exiting, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_TRUE(FileHas("\"e\"=dword:00000005"));
  RegCloseKey(k);
}

// A handle keeps the key it found only while that key lives: once the key
// (or a parent) is deleted the handle answers ERROR_KEY_DELETED, and a key
// made again under the same path is found afresh.
TEST(Registry, HandlesFollowDeletedAndRemadeKeys) {
  TempHome home;
  HKEY leaf = Create(HKEY_CURRENT_USER, u"Software\\Gone\\Leaf");
  Set(leaf, u"v", REG_DWORD, Dword(1));
  DWORD type;
  std::vector<BYTE> data;
  ASSERT_TRUE(Query(leaf, u"v", &type, &data));
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, u"Software\\Gone"));
  DWORD size = 4;
  EXPECT_EQ(static_cast<LONG>(ERROR_KEY_DELETED), RegQueryValueExW(leaf, u"v", nullptr, &type, nullptr, &size));
  HKEY again = Create(HKEY_CURRENT_USER, u"Software\\Gone\\Leaf");
  Set(again, u"v", REG_DWORD, Dword(2));
  ASSERT_TRUE(Query(leaf, u"v", &type, &data));
  EXPECT_EQ(Dword(2), data);
  RegCloseKey(again);
  RegCloseKey(leaf);
}
