// Files that are not databases are refused and left untouched; committed
// transactions survive the process being killed.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/platform/ado/ado_test_util.h"

using namespace adotest;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

TEST(FileSafety, BadFilesGiveAClearErrorAndStayUntouched) {
  TempDir dir;
  // A real database, then a copy cut in half.
  const std::string good = dir.File("good.tgd");
  {
    _ConnectionPtr c = CreateDatabase(good);
    for (int i = 0; i < 300; ++i)
      c->Execute(u"insert into details (detail,taid) values ('some text to fill pages of the file',1)", nullptr,
                 adCmdText);
    c->Close();
  }
  const std::string full = ReadFile(good);
  ASSERT_GT(full.size(), 8192u);
  std::string header = full.substr(0, 100);

  struct Case {
    const char* name;
    std::string bytes;
    const char* mentions;
  };
  const Case cases[] = {
      {"garbage.tgd", std::string("This is not a database at all, just some words.\n") + std::string(5000, 'x'),
       "not a database"},
      {"truncated.tgd", full.substr(0, full.size() / 2), "truncated"},
      {"header-only.tgd", header, "not a database"},
      {"empty.tgd", "", "empty"},
      {"zeros.tgd", std::string(4096, '\0'), "not a database"},
      // A valid header whose pages were overwritten.
      {"damaged.tgd", full.substr(0, 100) + std::string(full.size() - 100, '\x5A'), "damaged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File(c.name);
    WriteFile(path, c.bytes);
    _ConnectionPtr conn(u"ADODB.Connection");
    std::string error = ErrorOf([&] { conn->Open(ConnectionString(path).c_str(), u"", u"", -1); });
    EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(conn->GetState(), adStateClosed);
    // Creating over it is refused too.
    _CatalogPtr catalog(u"ADOX.Catalog");
    EXPECT_NE(ErrorOf([&] { catalog->Create(ConnectionString(path).c_str()); }).find("already exists"),
              std::string::npos);
    EXPECT_EQ(ReadFile(path), c.bytes);
    EXPECT_FALSE(std::filesystem::exists(path + "-wal"));
    EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
  }
  // A missing file is an error when opening, and nothing is created.
  const std::string missing = dir.File("missing.tgd");
  _ConnectionPtr conn(u"ADODB.Connection");
  EXPECT_NE(ErrorOf([&] { conn->Open(ConnectionString(missing).c_str(), u"", u"", -1); }).find("Could not find"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(missing));
  // The good file still opens, with its rows.
  RawDb raw(good);
  EXPECT_EQ(raw.One("SELECT count(*) FROM DETAILS"), "300");
  // Windows separators in the connection string are read as '/'.
  std::string windowsStyle = good;
  std::replace(windowsStyle.begin(), windowsStyle.end(), '/', '\\');
  conn->Open(ConnectionString(windowsStyle).c_str(), u"", u"", -1);
  EXPECT_EQ(conn->GetState(), adStateOpen);
}

// The child inserts rows one committed transaction at a time and reports
// each commit through a pipe; the parent kills it with SIGKILL mid-loop.
TEST(FileSafety, CommittedRowsSurviveKillNine) {
  TempDir dir;
  const std::string path = dir.File("qty.tgd");
  CreateDatabase(path)->Close();
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(fds[0]);
    _ConnectionPtr c(u"ADODB.Connection");
    c->Open(ConnectionString(path).c_str(), u"", u"", -1);
    for (int i = 1;; ++i) {
      c->BeginTrans();
      std::u16string sql = u"insert into details (no1,taid,detail) values (1," + Wide(std::to_string(i)) + u",'row')";
      c->Execute(sql.c_str(), nullptr, adCmdText);
      c->CommitTrans();
      if (write(fds[1], &i, sizeof i) != sizeof i) _exit(1);
    }
  }
  close(fds[1]);
  int last = 0, n = 0;
  while (last < 150 && read(fds[0], &n, sizeof n) == sizeof n) last = n;
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  // Commits reported after the 150th but before the kill are committed too.
  while (read(fds[0], &n, sizeof n) == sizeof n) last = n;
  close(fds[0]);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_GE(last, 150);

  RawDb raw(path);
  EXPECT_EQ(raw.One("PRAGMA integrity_check"), "ok");
  // Every committed row is there, in order; at most the one in flight more.
  EXPECT_EQ(raw.One("SELECT count(*) FROM DETAILS WHERE taid <= " + std::to_string(last)), std::to_string(last));
  EXPECT_EQ(raw.One("SELECT count(DISTINCT taid) = max(taid) FROM DETAILS"), "1");
  EXPECT_LE(std::stoi(raw.One("SELECT max(taid) FROM DETAILS")), last + 1);
  // And the layer opens the file again.
  _ConnectionPtr c(u"ADODB.Connection");
  c->Open(ConnectionString(path).c_str(), u"", u"", -1);
  EXPECT_GE(static_cast<long>(c->Execute(u"select count(*) from details", nullptr, adCmdText)->GetCollect(0L)), last);
}

// A checkpoint killed after it wrote page 1 (with the grown page count) but
// before the file grew: the file is shorter than its header says, and the
// pages are in the log. SQLite reads such a file whole; it must not be
// refused as truncated.
TEST(FileSafety, AFileShorterThanItsHeaderWithItsLogBesideOpensWithEveryRow) {
  TempDir dir;
  const std::string path = dir.File("qty.tgd");
  CreateDatabase(path)->Close();
  const std::string before = ReadFile(path);
  // Commits that stay in the log: a raw connection without automatic
  // checkpoints, whose files are copied while it is open (as a kill leaves them).
  const std::string copy = dir.File("copy.tgd");
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA wal_autocheckpoint=0", nullptr, nullptr, nullptr);
    for (int i = 1; i <= 200; ++i) {
      std::string sql = "INSERT INTO DETAILS (taid, detail) VALUES (" + std::to_string(i) +
                        ", 'a detail long enough to need new pages of the file')";
      ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ASSERT_EQ(ReadFile(path), before);  // nothing checkpointed yet
    WriteFile(copy + "-wal", ReadFile(path + "-wal"));
    sqlite3_close_v2(db);
  }
  // Page 1 as the log last holds it, written over the file's page 1.
  const std::string log = ReadFile(copy + "-wal");
  const uint32_t pageSize = (static_cast<uint8_t>(log[8]) << 24) | (static_cast<uint8_t>(log[9]) << 16) |
                            (static_cast<uint8_t>(log[10]) << 8) | static_cast<uint8_t>(log[11]);
  std::string page1;
  for (size_t at = 32; at + 24 + pageSize <= log.size(); at += 24 + pageSize)
    if (log.compare(at, 4, std::string("\0\0\0\1", 4)) == 0) page1 = log.substr(at + 24, pageSize);
  ASSERT_EQ(page1.size(), pageSize);
  WriteFile(copy, page1 + before.substr(pageSize));
  const uint32_t headerPages = (static_cast<uint8_t>(page1[28]) << 24) | (static_cast<uint8_t>(page1[29]) << 16) |
                               (static_cast<uint8_t>(page1[30]) << 8) | static_cast<uint8_t>(page1[31]);
  ASSERT_GT(uint64_t{headerPages} * pageSize, before.size());  // shorter than the header says

  _ConnectionPtr c(u"ADODB.Connection");
  c->Open(ConnectionString(copy).c_str(), u"", u"", -1);
  EXPECT_EQ(static_cast<long>(c->Execute(u"select count(*) from details", nullptr, adCmdText)->GetCollect(0L)), 200);
  c->Close();
  RawDb raw(copy);
  EXPECT_EQ(raw.One("PRAGMA integrity_check"), "ok");
  EXPECT_EQ(raw.One("SELECT count(*) FROM DETAILS"), "200");
  // Without its log the same file is refused, and left as it is.
  const std::string alone = dir.File("alone.tgd");
  WriteFile(alone, page1 + before.substr(pageSize));
  _ConnectionPtr d(u"ADODB.Connection");
  EXPECT_NE(ErrorOf([&] { d->Open(ConnectionString(alone).c_str(), u"", u"", -1); }).find("truncated"),
            std::string::npos);
  EXPECT_EQ(ReadFile(alone), page1 + before.substr(pageSize));
}

// Another program's SQLite database is read and closed without a byte of it
// changing: only the layer's own files are switched to the write-ahead log.
TEST(FileSafety, AnotherProgramsDatabaseIsNotRewrittenByOpeningIt) {
  TempDir dir;
  const std::string path = dir.File("other.db");
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE notes(id INTEGER PRIMARY KEY, body TEXT); "
                           "INSERT INTO notes(body) VALUES ('kept as it is');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close_v2(db);
  }
  const std::string bytes = ReadFile(path);
  _ConnectionPtr c(u"ADODB.Connection");
  c->Open(ConnectionString(path).c_str(), u"", u"", -1);
  _RecordsetPtr rs = c->Execute(u"select body from notes", nullptr, adCmdText);
  EXPECT_EQ(std::string(static_cast<const char*>(_bstr_t(rs->GetCollect(0L)))), "kept as it is");
  rs = nullptr;
  c->Close();
  EXPECT_EQ(ReadFile(path), bytes);
  EXPECT_FALSE(std::filesystem::exists(path + "-wal"));
  // The layer's own files still run with the log.
  const std::string ours = dir.File("qty.tgd");
  CreateDatabase(ours)->Close();
  RawDb raw(ours);
  EXPECT_EQ(raw.One("PRAGMA journal_mode"), "wal");
}

TEST(FileSafety, AFailingCreateTableNamesItsTable) {
  TempDir dir;
  _ConnectionPtr c = CreateDatabase(dir.File("qty.tgd"));
  struct Case {
    const char16_t* sql;
    const char* rest;
  };
  const Case cases[] = {
      {u"CREATE TABLE NOTES(id COUNTER PRIMARY KEY, body FANCYTYPE)", "FANCYTYPE"},
      {u"CREATE TABLE NOTES(id COUNTER PRIMARY KEY, body TEXT(300))", "too large"},
      {u"CREATE TABLE NOTES(a COUNTER, b COUNTER)", "COUNTER"},
      {u"CREATE TABLE TASK(taid COUNTER PRIMARY KEY)", "already exists"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(Narrow(k.sql));
    std::string error = ErrorOf([&] { c->Execute(k.sql, nullptr, adCmdText); });
    const std::string sql = Narrow(k.sql);
    const std::string table = sql.substr(13, sql.find('(') - 13);
    EXPECT_NE(error.find("'" + table + "'"), std::string::npos) << error;
    EXPECT_NE(error.find(k.rest), std::string::npos) << error;
  }
}

}  // namespace

namespace {

// Whole pages of a data table overwritten, page 1 and the schema intact:
// the page check at open finds it only after an unclean shutdown (a log
// left beside the file); a cleanly closed file opens without reading
// every page.
TEST(FileSafety, PagesAreCheckedAtOpenOnlyAfterAnUncleanShutdown) {
  TempDir dir;
  const std::string path = dir.File("pages.tgd");
  {
    _ConnectionPtr c = CreateDatabase(path);
    for (int i = 0; i < 300; ++i)
      c->Execute(u"insert into details (detail,taid) values ('some text to fill pages of the file',1)", nullptr,
                 adCmdText);
    c->Close();
  }
  std::string bytes = ReadFile(path);
  const std::size_t page = (static_cast<unsigned char>(bytes[16]) << 8) | static_cast<unsigned char>(bytes[17]);
  ASSERT_GT(bytes.size(), 4 * page);
  std::fill(bytes.end() - static_cast<long>(page), bytes.end(), '\x5A');
  WriteFile(path, bytes);

  _ConnectionPtr clean(u"ADODB.Connection");
  clean->Open(ConnectionString(path).c_str(), u"", u"", -1);
  EXPECT_EQ(clean->GetState(), adStateOpen);
  clean->Close();
  ASSERT_FALSE(std::filesystem::exists(path + "-wal"));

  WriteFile(path + "-wal", std::string(64, '\x01'));  // what a crash leaves
  _ConnectionPtr unclean(u"ADODB.Connection");
  std::string error = ErrorOf([&] { unclean->Open(ConnectionString(path).c_str(), u"", u"", -1); });
  EXPECT_NE(error.find("damaged"), std::string::npos) << error;
  EXPECT_EQ(unclean->GetState(), adStateClosed);
}

}  // namespace
