// Files that are not databases are refused and left untouched; committed
// transactions survive the process being killed.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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
      c->Execute(u"insert into details (detail,taid) values ('some text to fill pages of the file',1)", nullptr, adCmdText);
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

}  // namespace
