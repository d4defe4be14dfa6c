#include "platform/system/profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/platform/system/test_support.h"

namespace {

using pv::test::ReadFile;
using pv::test::TempHome;
using pv::test::WriteFile;

// The file's bytes once the waiting changes are written.
std::string Saved(const std::string& path) {
  EXPECT_TRUE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, nullptr));
  return ReadFile(path);
}

std::u16string Read(const char16_t* section, const char16_t* key, const std::u16string& file, DWORD size = 256,
                    const char16_t* def = u"") {
  std::vector<WCHAR> buf(size + 1, u'#');
  DWORD n = GetPrivateProfileStringW(section, key, def, buf.data(), size, file.c_str());
  return std::u16string(buf.data(), n);
}

// Rewrites touch only the lines they must: comments, blank lines, odd
// lines, indentation, the key's stored spelling and CRLF line ends stay.
TEST(Profile, RewritesKeepEveryOtherLine) {
  TempHome home;
  std::string path = home.path() + "/app.ini";
  std::u16string file = home.U("app.ini");
  WriteFile(path,
            "; settings of the organiser\r\n"
            "[Window]\r\n"
            "  Left = 10\r\n"
            "Top=20\r\n"
            "; keep me\r\n"
            "\r\n"
            "[Colors]\r\n"
            "Back=\"  padded  \"\r\n"
            "odd line without equals\r\n"
            "\r\n"
            "[Gone]\r\n"
            "a=1\r\n");
  ASSERT_TRUE(WritePrivateProfileStringW(u"window", u"LEFT", u"15", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(u"Window", u"Width", u"300", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(u"Window", u"Top", nullptr, file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(u"Gone", nullptr, nullptr, file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(u"New", u"k", u"v=w", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(u"Missing", u"k", nullptr, file.c_str()));
  EXPECT_EQ(
      "; settings of the organiser\r\n"
      "[Window]\r\n"
      "  Left =15\r\n"
      "; keep me\r\n"
      "Width=300\r\n"
      "\r\n"
      "[Colors]\r\n"
      "Back=\"  padded  \"\r\n"
      "odd line without equals\r\n"
      "\r\n"
      "[New]\r\n"
      "k=v=w\r\n",
      Saved(path));
  EXPECT_EQ(u"15", Read(u"WINDOW", u"left", file));
  EXPECT_EQ(u"  padded  ", Read(u"Colors", u"Back", file));
  EXPECT_EQ(u"v=w", Read(u"New", u"k", file));
  EXPECT_EQ(u"dflt", Read(u"Window", u"Top", file, 256, u"dflt   "));
}

// Buffer sizes and truncation: values cut to size-1, lists cut with a
// double terminator and size-2 returned.
TEST(Profile, TruncationRules) {
  TempHome home;
  std::u16string file = home.U("t.ini");
  WriteFile(home.path() + "/t.ini", "[S]\nkey=abcdef\nk2=x\n[T]\n[Unicode]\n");
  struct Case {
    const char16_t* section;
    const char16_t* key;
    DWORD size;
    DWORD result;
    std::u16string content;  // the first `result` units plus what follows up to the size
  };
  std::vector<Case> cases = {
      {u"S", u"key", 10, 6, std::u16string(u"abcdef\0", 7)},
      {u"S", u"key", 7, 6, std::u16string(u"abcdef\0", 7)},
      {u"S", u"key", 6, 5, std::u16string(u"abcde\0", 6)},
      {u"S", u"key", 1, 0, std::u16string(u"\0", 1)},
      {u"S", u"none", 3, 2, std::u16string(u"de\0", 3)},  // default "def" cut as well
      {nullptr, nullptr, 20, 12, std::u16string(u"S\0T\0Unicode\0\0", 13)},
      {nullptr, nullptr, 8, 6, std::u16string(u"S\0T\0Un\0\0", 8)},
      {nullptr, nullptr, 2, 0, std::u16string(u"\0\0", 2)},
      {u"S", nullptr, 20, 7, std::u16string(u"key\0k2\0\0", 8)},
      {u"S", nullptr, 5, 3, std::u16string(u"key\0\0", 5)},
      {u"T", nullptr, 5, 0, std::u16string(u"\0\0", 2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.section ? "section" : "names") << " size " << c.size);
    std::vector<WCHAR> buf(c.size + 4, u'#');
    DWORD n = GetPrivateProfileStringW(c.section, c.key, u"def", buf.data(), c.size, file.c_str());
    EXPECT_EQ(c.result, n);
    EXPECT_EQ(c.content, std::u16string(buf.data(), c.content.size()));
    EXPECT_EQ(u'#', buf[c.size]) << "wrote past the buffer";
  }
  std::vector<WCHAR> buf(64, u'#');
  EXPECT_EQ(16u, GetPrivateProfileSectionW(u"S", buf.data(), 64, file.c_str()));
  EXPECT_EQ(std::u16string(u"key=abcdef\0k2=x\0\0", 17), std::u16string(buf.data(), 17));
  EXPECT_EQ(14u, GetPrivateProfileSectionW(u"S", buf.data(), 16, file.c_str()));
  EXPECT_EQ(12u, GetPrivateProfileSectionNamesW(buf.data(), 64, file.c_str()));
}

TEST(Profile, IntegersAndDefaults) {
  TempHome home;
  std::u16string file = home.U("n.ini");
  WriteFile(home.path() + "/n.ini", "[N]\na=42\nb=  -7xyz\nc=abc\nd=0x1F\ne=\nf=4294967295\n");
  struct Case {
    const char16_t* key;
    UINT expected;
  };
  for (const auto& c : std::vector<Case>{{u"a", 42u},
                                         {u"b", static_cast<UINT>(-7)},
                                         {u"c", 0u},
                                         {u"d", 31u},
                                         {u"e", 0u},
                                         {u"f", 4294967295u},
                                         {u"missing", 99u}}) {
    SCOPED_TRACE(pv::sys::ToUtf8(c.key));
    EXPECT_EQ(c.expected, GetPrivateProfileIntW(u"N", c.key, 99, file.c_str()));
  }
  EXPECT_EQ(5u, GetPrivateProfileIntW(u"N", u"a", 5, home.U("absent.ini").c_str()));
}

// Text that would change the file's structure is refused, leaving the file
// as it was; a bare file name lives in the configuration folder.
TEST(Profile, RefusesStructureBreakingTextAndResolvesBareNames) {
  TempHome home;
  std::u16string file = home.U("r.ini");
  WriteFile(home.path() + "/r.ini", "[A]\nx=1\n");
  struct Case {
    const char16_t* section;
    const char16_t* key;
    const char16_t* value;
  };
  for (const auto& c : std::vector<Case>{{u"A", u"x", u"1\n[Evil]\ny=2"},
                                         {u"A", u"k=v", u"1"},
                                         {u"A", u"[k", u"1"},
                                         {u"A", u";k", u"1"},
                                         {u"A]", u"k", u"1"},
                                         {u"A", u"k\r", u"1"}}) {
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringW(c.section, c.key, c.value, file.c_str()));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
  }
  EXPECT_EQ("[A]\nx=1\n", Saved(home.path() + "/r.ini"));

  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"v", u"bare.ini"));
  EXPECT_EQ("[S]\nk=v\n", Saved(home.ConfigDir() + "/bare.ini"));
  EXPECT_EQ(u"v", Read(u"S", u"k", u"bare.ini"));
  // A folder that does not exist is an error, not a silent success.
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"v", home.U("no/such/dir/x.ini").c_str()));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
}

TEST(Profile, SectionWritesAndUtf16Files) {
  TempHome home;
  std::u16string file = home.U("s.ini");
  WriteFile(home.path() + "/s.ini", "[A]\nold=1\n; c\n\n[B]\nb=2\n");
  ASSERT_TRUE(WritePrivateProfileSectionW(u"A", u"n1=x\0n2=y\0", file.c_str()));
  EXPECT_EQ("[A]\nn1=x\nn2=y\n\n[B]\nb=2\n", Saved(home.path() + "/s.ini"));
  ASSERT_TRUE(WritePrivateProfileSectionW(u"B", nullptr, file.c_str()));
  EXPECT_EQ("[A]\nn1=x\nn2=y\n\n", Saved(home.path() + "/s.ini"));

  // A UTF-16 file with its byte-order mark stays UTF-16.
  std::string u16 = "\xFF\xFE";
  for (char c : std::string("[W]\r\nname=\xe4\r\n")) {
    u16 += c == '\xe4' ? '\xe4' : c;
    u16 += '\0';
  }
  WriteFile(home.path() + "/w.ini", u16);
  EXPECT_EQ(u"\u00e4", Read(u"W", u"name", home.U("w.ini")));
  ASSERT_TRUE(WritePrivateProfileStringW(u"W", u"more", u"\u4e2d", home.U("w.ini").c_str()));
  std::string back = Saved(home.path() + "/w.ini");
  ASSERT_GE(back.size(), 2u);
  EXPECT_EQ("\xFF\xFE", back.substr(0, 2));
  EXPECT_EQ(u"\u4e2d", Read(u"W", u"more", home.U("w.ini")));
  EXPECT_EQ(u"\u00e4", Read(u"W", u"name", home.U("w.ini")));
}

// A settings file kept elsewhere through a symbolic link stays a link.
TEST(Profile, SymbolicLinkIsWrittenThrough) {
  TempHome home;
  WriteFile(home.path() + "/real/target.ini", "[A]\nx=1\n");
  std::filesystem::create_symlink(home.path() + "/real/target.ini", home.path() + "/link.ini");
  ASSERT_TRUE(WritePrivateProfileStringW(u"A", u"x", u"2", home.U("link.ini").c_str()));
  EXPECT_TRUE(std::filesystem::is_symlink(home.path() + "/link.ini"));
  EXPECT_EQ("[A]\nx=2\n", Saved(home.path() + "/real/target.ini"));
}

// Lines the program does not touch keep their bytes, even when they are
// not UTF-8 (a file written by another program in a legacy code page).
TEST(Profile, UntouchedLinesKeepTheirBytes) {
  TempHome home;
  std::string legacy = "[Names]\nold=\xC4\xE8\xB0\n; \xFF comment\n";
  WriteFile(home.path() + "/l.ini", legacy);
  ASSERT_TRUE(WritePrivateProfileStringW(u"Names", u"new", u"\u4e2d", home.U("l.ini").c_str()));
  EXPECT_EQ("[Names]\nold=\xC4\xE8\xB0\n; \xFF comment\nnew=\xE4\xB8\xAD\n", Saved(home.path() + "/l.ini"));
}

void KillSelf(const char*) { ::kill(::getpid(), SIGKILL); }

// A writer killed between writing the new text and the rename leaves the
// old file as it was.
TEST(Profile, WriterKilledBeforeRenameLeavesTheOldFile) {
  TempHome home;
  std::string path = home.path() + "/c.ini";
  WriteFile(path, "; keep\n[A]\nx=1\n");
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    pv::sys::SetAtomicWriteHookForTests(&KillSelf);
    WritePrivateProfileStringW(u"A", u"x", u"2", home.U("c.ini").c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, nullptr);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(child, ::waitpid(child, &status, 0));
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ("; keep\n[A]\nx=1\n", ReadFile(path));
  EXPECT_EQ(u"1", Read(u"A", u"x", home.U("c.ini")));
}

// Processes writing the same file at the same time lose nothing.
TEST(Profile, ConcurrentWritersLoseNothing) {
  TempHome home;
  std::u16string file = home.U("shared.ini");
  constexpr int kWriters = 4, kKeys = 10;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      bool ok = true;
      for (int k = 0; k < kKeys; ++k) {
        std::u16string key = pv::sys::FromUtf8("w" + std::to_string(w) + "k" + std::to_string(k));
        ok = WritePrivateProfileStringW(u"S", key.c_str(), u"v", file.c_str()) && ok;
      }
      ok = WritePrivateProfileStringW(nullptr, nullptr, nullptr, nullptr) && ok;
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t c : children) {
    int status = 0;
    ASSERT_EQ(c, ::waitpid(c, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < kWriters; ++w)
    for (int k = 0; k < kKeys; ++k) {
      std::u16string key = pv::sys::FromUtf8("w" + std::to_string(w) + "k" + std::to_string(k));
      EXPECT_EQ(u"v", Read(u"S", key.c_str(), file)) << pv::sys::ToUtf8(key);
    }
}

}  // namespace

// A batch keeps changes in memory, where reads already see them, and writes
// each changed file once when the last batch ends.
TEST(Profile, WriteBatchWritesOnceAtTheEnd) {
  TempHome home;
  std::string path = home.path() + "/batch.ini";
  std::u16string file = home.U("batch.ini");
  WriteFile(path, "; kept\n[A]\nx=1\n");
  {
    pv::ProfileWriteBatch outer;
    {
      pv::ProfileWriteBatch inner;
      EXPECT_TRUE(WritePrivateProfileStringW(u"A", u"y", u"2", file.c_str()));
      EXPECT_TRUE(WritePrivateProfileStringW(u"B", u"z", u"3", file.c_str()));
      EXPECT_TRUE(WritePrivateProfileStringW(u"A", u"x", nullptr, file.c_str()));
    }
    EXPECT_EQ(ReadFile(path), "; kept\n[A]\nx=1\n");  // nothing written while a batch is alive
    EXPECT_EQ(Read(u"A", u"y", file), u"2");
    EXPECT_EQ(Read(u"A", u"x", file, 256, u"gone"), u"gone");
  }
  EXPECT_EQ(ReadFile(path), "; kept\n[A]\ny=2\n[B]\nz=3\n");
  // A file first made inside a batch exists once the batch ends.
  std::u16string fresh = home.U("fresh.ini");
  {
    pv::ProfileWriteBatch batch;
    EXPECT_EQ(Read(u"S", u"k", fresh, 256, u"none"), u"none");
    EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"v", fresh.c_str()));
  }
  EXPECT_EQ(ReadFile(home.path() + "/fresh.ini"), "[S]\nk=v\n");
}

namespace {
bool FailReadsOfKeptIni(const char* path) { return std::string(path).ends_with("/kept.ini"); }
}  // namespace

// Inside a batch a change that could never reach the disk is refused at
// once, as it is outside one: a file in a missing folder, or a name that is
// a folder. The other files of the batch are still written at its end.
TEST(Profile, BatchRefusesChangesThatCannotBeSaved) {
  TempHome home;
  std::filesystem::create_directories(home.path() + "/folder.ini");
  struct Case {
    const char* what;
    std::u16string file;
    DWORD error;
  } cases[] = {{"missing folder", home.U("missing/x.ini"), ERROR_PATH_NOT_FOUND},
               {"name of a folder", home.U("folder.ini"), ERROR_ACCESS_DENIED}};
  std::u16string good = home.U("good.ini");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool batched : {false, true}) {
      std::optional<pv::ProfileWriteBatch> batch;
      if (batched) batch.emplace();
      SetLastError(0);
      EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"v", c.file.c_str()));
      EXPECT_EQ(GetLastError(), c.error);
      EXPECT_EQ(Read(u"S", u"k", c.file, 256, u"none"), u"none");
      EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"v", good.c_str()));
    }
  }
  EXPECT_FALSE(std::filesystem::exists(home.path() + "/missing"));
  EXPECT_EQ(Saved(home.path() + "/good.ini"), "[S]\nk=v\n");
}

// A file that exists but cannot be read is never replaced by a file that
// holds only the change.
TEST(Profile, UnreadableFileIsNotOverwritten) {
  TempHome home;
  const std::string text = "[A]\nkeep=1\n";
  WriteFile(home.path() + "/kept.ini", text);
  std::u16string file = home.U("kept.ini");
  pv::sys::SetReadFailureHookForTests(&FailReadsOfKeptIni);
  SetLastError(0);
  EXPECT_FALSE(WritePrivateProfileStringW(u"A", u"new", u"2", file.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  const WCHAR lines[] = u"x=1\0";
  EXPECT_FALSE(WritePrivateProfileSectionW(u"B", lines, file.c_str()));
  {
    pv::ProfileWriteBatch batch;
    EXPECT_FALSE(WritePrivateProfileStringW(u"A", u"new", u"2", file.c_str()));
  }
  pv::sys::SetReadFailureHookForTests(nullptr);
  EXPECT_EQ(Saved(home.path() + "/kept.ini"), text);
}

// Deleting a file through the profile functions also drops what an open
// batch holds for it, so the end of the batch does not make it again.
TEST(Profile, DeletedFileIsNotWrittenAgainByTheBatch) {
  TempHome home;
  std::u16string file = home.U("gone.ini");
  {
    pv::ProfileWriteBatch batch;
    EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"v", file.c_str()));
    WriteFile(home.path() + "/gone.ini", "[S]\n");
    EXPECT_TRUE(pv::DeleteProfileFile(file.c_str()));
  }
  EXPECT_FALSE(std::filesystem::exists(home.path() + "/gone.ini"));
  SetLastError(0);
  EXPECT_FALSE(pv::DeleteProfileFile(file.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

namespace {

int g_writes = 0;
void CountWrite(const char*) { ++g_writes; }

// Counts the atomic file writes made while it lives.
struct WriteCounter {
  WriteCounter() {
    g_writes = 0;
    pv::sys::SetAtomicWriteHookForTests(&CountWrite);
  }
  ~WriteCounter() { pv::sys::SetAtomicWriteHookForTests(nullptr); }
  int writes() const { return g_writes; }
};

}  // namespace

// Changes wait in memory, where reads already see them, and each way of
// flushing writes every changed file once; a batch holds back idle time.
TEST(ProfileFlush, ChangesWaitAndEachFlushWritesEveryChangedFileOnce) {
  struct Case {
    const char* how;
    std::function<void()> flush;
  } cases[] = {
      {"explicit flush", [] { EXPECT_TRUE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, nullptr)); }},
      {"idle time (the registry's flush)", [] { EXPECT_EQ(ERROR_SUCCESS, pv::FlushRegistry()); }},
      {"the settings flush", [] { EXPECT_TRUE(pv::FlushProfiles()); }},
      {"end of a batch", [] {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    TempHome home;
    const std::string a = home.path() + "/a.ini", b = home.path() + "/b.ini";
    WriteFile(a, "; mine\n[S]\nold=1\n");
    std::u16string fa = home.U("a.ini"), fb = home.U("b.ini");
    WriteCounter counter;
    {
      std::optional<pv::ProfileWriteBatch> batch;
      if (std::string(c.how) == "end of a batch") batch.emplace();
      for (int i = 0; i < 200; ++i) {
        std::u16string key = pv::sys::FromUtf8("k" + std::to_string(i % 50));
        std::u16string value = pv::sys::FromUtf8(std::to_string(i));
        ASSERT_TRUE(WritePrivateProfileStringW(u"S", key.c_str(), value.c_str(), fa.c_str()));
        ASSERT_TRUE(WritePrivateProfileStringW(u"T", key.c_str(), value.c_str(), fb.c_str()));
      }
      ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"old", nullptr, fa.c_str()));
      EXPECT_EQ(Read(u"s", u"K49", fa), u"199") << "reads see waiting changes";
      EXPECT_EQ(Read(u"S", u"old", fa, 256, u"gone"), u"gone");
      EXPECT_EQ(counter.writes(), 0);
      EXPECT_EQ(ReadFile(a), "; mine\n[S]\nold=1\n");
      EXPECT_FALSE(std::filesystem::exists(b));
      if (batch) {
        EXPECT_TRUE(pv::FlushProfiles());
        EXPECT_EQ(ERROR_SUCCESS, pv::FlushRegistry());
        EXPECT_EQ(counter.writes(), 0) << "idle time does not write inside a batch";
      }
      c.flush();
    }
    EXPECT_EQ(counter.writes(), 2);
    std::string saved = ReadFile(a);
    EXPECT_TRUE(saved.starts_with("; mine\n[S]\nk0=150\nk1=151\n")) << saved;
    EXPECT_EQ(saved.find("old="), std::string::npos);
    EXPECT_TRUE(ReadFile(b).ends_with("k49=199\n"));
    EXPECT_TRUE(pv::FlushProfiles());
    EXPECT_EQ(counter.writes(), 2) << "nothing waits: nothing is written";
  }
}

// Changes made since the last flush are lost when the process dies without
// another flush, and only they: what was flushed before stays, and a normal
// exit writes what waits.
TEST(ProfileFlush, AProcessThatDiesLosesOnlyTheUnflushedChanges) {
  struct Case {
    const char* end;
    void (*finish)();
    const char* expected;
  } cases[] = {
      {"killed", [] { ::kill(::getpid(), SIGKILL); }, "[S]\nfirst=1\n"},
      {"_exit without a flush", [] { ::_exit(0); }, "[S]\nfirst=1\n"},
      {"exit", [] { std::exit(0); }, "[S]\nfirst=1\nsecond=2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.end);
    TempHome home;
    std::u16string file = home.U("crash.ini");
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      WritePrivateProfileStringW(u"S", u"first", u"1", file.c_str());
      pv::FlushProfiles();
      WritePrivateProfileStringW(u"S", u"second", u"2", file.c_str());
      c.finish();
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_EQ(ReadFile(home.path() + "/crash.ini"), c.expected);
  }
  // The same within one process: memory forgotten without a flush.
  TempHome home;
  std::u16string file = home.U("lost.ini");
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"first", u"1", file.c_str()));
  ASSERT_TRUE(pv::FlushProfiles());
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"second", u"2", file.c_str()));
  pv::ResetProfilesForTests();
  EXPECT_EQ(ReadFile(home.path() + "/lost.ini"), "[S]\nfirst=1\n");
  EXPECT_EQ(Read(u"S", u"second", file, 256, u"none"), u"none");
}

// A file another program changed while our changes waited is read again at
// the flush and our changes are laid over it: its new values stay, ours win
// where both changed the same value. Once nothing waits, the next use after
// a flush sees the file as it is on disk.
TEST(ProfileFlush, AFileChangedOnDiskMeanwhileIsMergedAtTheFlush) {
  TempHome home;
  const std::string path = home.path() + "/merge.ini";
  std::u16string file = home.U("merge.ini");
  WriteFile(path, "[S]\na=1\nb=1\n");
  EXPECT_EQ(Read(u"S", u"a", file), u"1");
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"a", u"mine", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(u"New", u"n", u"mine", file.c_str()));
  // Another program rewrites the file (a new file renamed over it).
  WriteFile(path + ".other", "; theirs\n[S]\na=theirs\nb=theirs\nc=theirs\n");
  std::filesystem::rename(path + ".other", path);
  EXPECT_EQ(Read(u"S", u"b", file), u"1") << "waiting changes: memory answers until the flush";
  ASSERT_TRUE(pv::FlushProfiles());
  EXPECT_EQ(ReadFile(path), "; theirs\n[S]\na=mine\nb=theirs\nc=theirs\n[New]\nn=mine\n");
  EXPECT_EQ(Read(u"S", u"c", file), u"theirs");

  // Nothing waits now: an edit in place is seen after the next flush.
  WriteFile(path, "[S]\na=edited\n");
  ASSERT_TRUE(pv::FlushProfiles());
  EXPECT_EQ(Read(u"S", u"a", file), u"edited");
  EXPECT_EQ(Read(u"New", u"n", file, 256, u"none"), u"none");
}

// A key is found by the name its line holds, however the writer spelled the
// blanks around it, before and after a flush.
TEST(ProfileFlush, AKeyWrittenWithBlanksIsReadByItsName) {
  TempHome home;
  std::u16string file = home.U("blanks.ini");
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"first", u"0", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"  padded ", u"1", file.c_str()));
  EXPECT_EQ(Read(u"S", u"padded", file), u"1");
  EXPECT_EQ(Saved(home.path() + "/blanks.ini"), "[S]\nfirst=0\n  padded =1\n");
  EXPECT_EQ(Read(u"s", u"PADDED", file), u"1");
}
