// The report control's rows: a rebuild (populate, sort by a number column,
// group by a text column) of 10^5 records beside std::stable_sort of the
// same keys and a naive grouper over them; a two-token filter over 10^5
// records beside token search in captions already lowered; and selecting
// all rows, which stays one block whatever the row count. Counter "ratio"
// is our time over the baseline's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_once.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportselectedrows.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A control of three columns (task, group, amount) over n records.
CTKReportControl* MakeControl(int n) {
  std::mt19937 random(3);
  auto* control = new CTKReportControl();
  control->AddColumn(new CTKReportColumn(0, u"Task", 100));
  control->AddColumn(new CTKReportColumn(1, u"Group", 100));
  control->AddColumn(new CTKReportColumn(2, u"Amount", 100));
  for (int i = 0; i < n; ++i) {
    auto* record = new CTKReportRecord();
    CString task, group;
    task.Format(u"Task %06d", static_cast<int>(random() % 1000000));
    group.Format(u"group %03d", static_cast<int>(random() % 200));
    record->AddItem(new CTKReportRecordItemText(task));
    record->AddItem(new CTKReportRecordItemText(group));
    record->AddItem(new CTKReportRecordItemNumber(static_cast<double>(random() % 100000) / 10));
    control->AddRecord(record);
  }
  return control;
}

struct Key {
  std::u16string group;
  double amount;
  int index;
};

// std::stable_sort of keys read beforehand, then one pass that opens a
// group whenever the caption changes.
double BaselineRebuildSeconds(const std::vector<Key>& source) {
  std::vector<Key> keys = source;
  auto start = Clock::now();
  std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    if (a.group != b.group) return a.group < b.group;
    return a.amount < b.amount;
  });
  std::vector<std::pair<std::u16string, std::vector<int>>> groups;
  groups.reserve(300);
  for (const Key& k : keys) {
    if (groups.empty() || groups.back().first != k.group) groups.push_back({u"Group: " + k.group, {}});
    groups.back().second.push_back(k.index);
  }
  benchmark::DoNotOptimize(groups.data());
  return Seconds(start);
}

void BM_RebuildRows(benchmark::State& state) {
  const int n = BenchSize(static_cast<int>(state.range(0)));
  CTKReportControl* control = MakeControl(n);
  CTKReportColumns* columns = control->GetColumns();
  columns->GetGroupsOrder()->Add(columns->GetAt(1));
  columns->GetSortOrder()->Add(columns->GetAt(2));
  std::vector<Key> keys;
  for (int i = 0; i < n; ++i) {
    CTKReportRecord* r = control->GetRecords()->GetAt(i);
    CString g = r->GetItem(1)->GetCaption(nullptr);
    keys.push_back({std::u16string(g.GetString(), static_cast<std::size_t>(g.GetLength())),
                    static_cast<CTKReportRecordItemNumber*>(r->GetItem(2))->GetValue(), i});
  }
  double ours = 0, baseline = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    control->RebuildRows();
    ours += Seconds(start);
    state.PauseTiming();
    baseline += BaselineRebuildSeconds(keys);
    state.ResumeTiming();
  }
  state.counters["rows"] = control->GetBodyRows()->GetCount();
  state.counters["ratio"] = baseline > 0 ? ours / baseline : 0;
  delete control;
}
BENCHMARK(BM_RebuildRows)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(5));

// Token search in every record's captions, lowered beforehand.
double BaselineFilterSeconds(const std::vector<std::u16string>& lowered, const std::vector<std::u16string>& tokens,
                             int* kept) {
  auto start = Clock::now();
  int count = 0;
  for (const std::u16string& text : lowered) {
    bool all = true;
    for (const std::u16string& t : tokens) all = all && text.find(t) != std::u16string::npos;
    count += all;
  }
  *kept = count;
  return Seconds(start);
}

void BM_FilterTwoTokens(benchmark::State& state) {
  const int n = BenchSize(static_cast<int>(state.range(0)));
  CTKReportControl* control = MakeControl(n);
  std::vector<std::u16string> lowered;
  for (int i = 0; i < n; ++i) {
    CTKReportRecord* r = control->GetRecords()->GetAt(i);
    std::u16string text;
    for (int c = 0; c < 3; ++c) {
      CString caption = r->GetItem(c)->GetCaption(control->GetColumns()->GetAt(c));
      caption.MakeLower();
      text += std::u16string(caption.GetString(), static_cast<std::size_t>(caption.GetLength())) + u'\n';
    }
    lowered.push_back(text);
  }
  const CString filter(u"Group 04");
  const std::vector<std::u16string> tokens{u"group", u"04"};
  double ours = 0, baseline = 0;
  int keptOurs = 0, keptBaseline = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    keptOurs = 0;
    for (int i = 0; i < n; ++i) keptOurs += !control->IsRecordFiltered(control->GetRecords()->GetAt(i), filter, FALSE);
    ours += Seconds(start);
    state.PauseTiming();
    baseline += BaselineFilterSeconds(lowered, tokens, &keptBaseline);
    state.ResumeTiming();
  }
  if (keptOurs != keptBaseline) state.SkipWithError("the filter and the baseline disagree");
  state.counters["kept"] = keptOurs;
  state.counters["ratio"] = baseline > 0 ? ours / baseline : 0;
  delete control;
}
BENCHMARK(BM_FilterTwoTokens)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(10));

// Selecting every row (Ctrl+A) is one block, whatever the row count.
void BM_SelectAllRows(benchmark::State& state) {
  const int n = BenchSize(static_cast<int>(state.range(0)));
  CTKReportControl* control = MakeControl(n);
  control->RebuildRows();
  CTKReportSelectedRows* selection = control->GetSelectedRows();
  for (auto _ : state) {
    selection->Clear(FALSE);
    selection->SelectBlock(0, control->GetBodyRows()->GetCount() - 1, FALSE);
    benchmark::DoNotOptimize(selection->GetCount());
  }
  state.counters["blocks"] = static_cast<double>(selection->GetBlocks().size());
  state.counters["selected"] = selection->GetCount();
  delete control;
}
BENCHMARK(BM_SelectAllRows)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Ctrl+A over n records (SelectAllRecords, as the key runs it), beside
// the least a search of rows by record costs: one hash map of the n
// records to their rows (counter "ratio"). Linear when the time per record
// (counter "ns_per_record") stays flat from 10^4 to 10^5.
void BM_SelectAllRecords(benchmark::State& state) {
  const int n = BenchSize(static_cast<int>(state.range(0)));
  CTKReportControl* control = MakeControl(n);
  control->GetColumns()->GetSortOrder()->Add(control->GetColumns()->GetAt(2));
  control->RebuildRows();
  CTKReportSelectedRows* selection = control->GetSelectedRows();
  CTKReportRows* rows = control->GetBodyRows();
  double ours = 0, baseline = 0;
  for (auto _ : state) {
    state.PauseTiming();
    selection->Clear(FALSE);
    state.ResumeTiming();
    auto start = Clock::now();
    control->SelectAllRecords(control->GetRecords());
    ours += Seconds(start);
    state.PauseTiming();
    start = Clock::now();
    std::unordered_map<CTKReportRecord*, CTKReportRow*> map;
    map.reserve(static_cast<std::size_t>(rows->GetCount()));
    for (int i = 0; i < rows->GetCount(); ++i) map.emplace(rows->GetAt(i)->GetRecord(), rows->GetAt(i));
    benchmark::DoNotOptimize(map.size());
    baseline += Seconds(start);
    state.ResumeTiming();
  }
  if (selection->GetCount() != n) state.SkipWithError("not every record was selected");
  state.counters["blocks"] = static_cast<double>(selection->GetBlocks().size());
  state.counters["ns_per_record"] = ours / static_cast<double>(state.iterations()) / n * 1e9;
  state.counters["ratio"] = baseline > 0 ? ours / baseline : 0;
  delete control;
}
BENCHMARK(BM_SelectAllRecords)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(5));

// Cut of every other row of n records (Copy, then the rows and records
// removed), beside Copy of the same selection alone, which Cut does first
// (counter "x_copy"). Linear when "ns_per_record" stays flat.
void BM_CutRecords(benchmark::State& state) {
  const int n = BenchSize(static_cast<int>(state.range(0)));
  double ours = 0, copy = 0;
  int left = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CTKReportControl* control = MakeControl(n);
    control->RebuildRows();
    CTKReportRows* rows = control->GetBodyRows();
    CTKReportSelectedRows* selection = control->GetSelectedRows();
    selection->Clear(FALSE);
    for (int i = 0; i < rows->GetCount(); i += 2) selection->AddBlock(i, i);
    auto start = Clock::now();
    control->Copy();
    copy += Seconds(start);
    state.ResumeTiming();
    start = Clock::now();
    control->Cut();
    ours += Seconds(start);
    state.PauseTiming();
    left = control->GetRecords()->GetCount();
    delete control;
    state.ResumeTiming();
  }
  if (left != n / 2) state.SkipWithError("Cut did not take out the selected records");
  state.counters["ns_per_record"] = ours / static_cast<double>(state.iterations()) / n * 1e9;
  state.counters["x_copy"] = copy > 0 ? ours / copy : 0;
}
BENCHMARK(BM_CutRecords)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(3));

}  // namespace
