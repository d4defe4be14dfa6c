// The whole program started headless against the sqlite3 shell: the
// `pravenor` binary run with --exit-after-start-up on 10^4 works and 10^5
// tasks (both trees filled, today's reminders built, the window closed and
// the settings flushed) against `sqlite3` running the same queries on the
// same file, its rows written to /dev/null. Both are separate processes,
// started one after the other in every round. "x_sqlite3" is the median of
// program time / shell time; "rss_per_file" is the program's peak resident
// memory over the database file's size (goal ≤ 4), "shell_rss_per_file" the
// shell's. The second pair starts both on an empty database: the program's
// fixed cost.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/data/schema.h"
#include "bench/app/bench_data.h"
#include "bench/bench_once.h"
#include "bench/bench_pairs.h"

namespace {

using namespace appbench;

struct Run {
  double seconds = 0;
  long maxRssKb = 0;
  bool ok = false;
};

// Runs `argv` with stdin from `input` (or /dev/null) and stdout to
// /dev/null; its wall time and peak resident memory.
Run RunProcess(const std::vector<std::string>& args, const std::string& input) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto t0 = std::chrono::steady_clock::now();
  pid_t child = ::fork();
  if (child == 0) {
    int in = ::open(input.empty() ? "/dev/null" : input.c_str(), O_RDONLY);
    int out = ::open("/dev/null", O_WRONLY);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  Run run;
  int status = 0;
  struct rusage usage {};
  if (child > 0 && ::wait4(child, &status, 0, &usage) == child) {
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    run.maxRssKb = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  return run;
}

void BM_HeadlessStartUpVsSqliteShell(benchmark::State& state) {
  const std::string folder = MakeLargeDatabase();
  const std::string database = folder + "/qty.tgd";
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  const std::string queries = folder + "/startup.sql";
  {
    std::string sql;
    for (int kind = 1; kind <= 3; ++kind)
      sql += "select workname,starttime,tid from things where worktype=" + std::to_string(kind) +
             " and workname<>'Enter Work Name';\n";
    sql +=
        "select tasktitle,taid,tasktype,tid from task where tasktitle<>'" + pv::Utf16ToUtf8(kTaskPlaceholder) + "';\n";
    sql += pv::Utf16ToUtf8(kJoinQuery) + std::string(";\n");
    sql += pv::Utf16ToUtf8(kReminderQuery) + std::string(";\n");
    FILE* f = std::fopen(queries.c_str(), "w");
    std::fputs(sql.c_str(), f);
    std::fclose(f);
  }
  struct stat st {};
  ::stat(database.c_str(), &st);
  const double fileKb = static_cast<double>(st.st_size) / 1024.0;
  std::vector<double> ratios, ours, shell, rss, shellRss;
  for (auto _ : state) {
    const Run app = RunProcess({PRAVENOR_BINARY, "--exit-after-start-up"}, "");
    const Run sqlite = RunProcess({SQLITE3_SHELL, database}, queries);
    if (!app.ok || !sqlite.ok) {
      state.SkipWithError("a process failed");
      break;
    }
    state.SetIterationTime(app.seconds);
    ours.push_back(app.seconds);
    shell.push_back(sqlite.seconds);
    ratios.push_back(app.seconds / sqlite.seconds);
    rss.push_back(app.maxRssKb / fileKb);
    shellRss.push_back(sqlite.maxRssKb / fileKb);
  }
  state.counters["x_sqlite3"] = Median(ratios);
  state.counters["ours_ms"] = Median(ours) * 1e3;
  state.counters["shell_ms"] = Median(shell) * 1e3;
  state.counters["rss_per_file"] = Median(rss);
  state.counters["shell_rss_per_file"] = Median(shellRss);
  state.counters["file_mib"] = fileKb / 1024.0;
  RemoveFolder(folder);
}
BENCHMARK(BM_HeadlessStartUpVsSqliteShell)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(BenchIterations(5));

// The program's fixed cost: the same start on an empty database, against
// the shell opening that database and reading its schema. "rss_mib" is the
// program's peak resident memory.
void BM_HeadlessEmptyStartUpVsSqliteShell(benchmark::State& state) {
  const std::string folder = FreshFolder("app-bench-empty");
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  const std::string queries = folder + "/schema.sql";
  {
    FILE* f = std::fopen(queries.c_str(), "w");
    std::fputs("select count(*) from sqlite_master;\n", f);
    std::fclose(f);
  }
  std::vector<double> ratios, ours, rss;
  for (auto _ : state) {
    const Run app = RunProcess({PRAVENOR_BINARY, "--exit-after-start-up"}, "");
    const Run sqlite = RunProcess({SQLITE3_SHELL, folder + "/qty.tgd"}, queries);
    if (!app.ok || !sqlite.ok) {
      state.SkipWithError("a process failed");
      break;
    }
    state.SetIterationTime(app.seconds);
    ours.push_back(app.seconds);
    ratios.push_back(app.seconds / sqlite.seconds);
    rss.push_back(app.maxRssKb / 1024.0);
  }
  state.counters["x_sqlite3"] = Median(ratios);
  state.counters["ours_ms"] = Median(ours) * 1e3;
  state.counters["rss_mib"] = Median(rss);
  RemoveFolder(folder);
}
BENCHMARK(BM_HeadlessEmptyStartUpVsSqliteShell)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(BenchIterations(9));

}  // namespace
