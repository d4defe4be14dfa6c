// 10^5 records of five typed items (text, number, date-time, variant,
// percent): made, stored and loaded through the archive exchange, and
// sorted by a column, through keys read once per pass and, for reference,
// by calling Compare for every comparison. The baseline sorts plain copies
// of the same keys with std::stable_sort; each sort's counter "ratio" is
// its time over the baseline's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/file.h"
#include "toolkit/common/propexchange_backends.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportsort.h"
#include "toolkit/report/reportsortkeys.h"

namespace {

constexpr int kRecords = 100000;

CTKReportRecords* MakeRecords() {
  std::mt19937 random(1);
  auto* records = new CTKReportRecords;
  for (int i = 0; i < kRecords; ++i) {
    auto* record = new CTKReportRecord;
    CString text;
    text.Format(u"task %06d", static_cast<int>(random() % 1000000));
    record->AddItem(new CTKReportRecordItemText(text));
    record->AddItem(new CTKReportRecordItemNumber(static_cast<double>(random() % 100000) / 10));
    record->AddItem(new CTKReportRecordItemDateTime(COleDateTime(40000.0 + (random() % 3000000) / 100.0)));
    record->AddItem(new CTKReportRecordItemVariant(COleVariant(static_cast<long>(random() % 50000))));
    record->AddItem(new CTKReportRecordItemPercentNumber(static_cast<double>(random() % 101)));
    records->Add(record);
  }
  return records;
}

std::vector<BYTE> Store(CTKReportRecords* records) {
  CMemFile file(1 << 20);
  {
    CArchive ar(&file, CArchive::store, 1 << 16);
    CTKPropExchangeArchive px(ar);
    records->DoPropExchange(&px);
    ar.Close();
  }
  std::vector<BYTE> bytes(static_cast<size_t>(file.GetLength()));
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

void BM_CreateRecords(benchmark::State& state) {
  for (auto _ : state) {
    CTKReportRecords* records = MakeRecords();
    benchmark::DoNotOptimize(records);
    records->InternalRelease();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_CreateRecords)->Unit(benchmark::kMillisecond);

void BM_ExchangeRecords(benchmark::State& state) {
  CTKReportRecords* source = MakeRecords();
  for (auto _ : state) {
    std::vector<BYTE> bytes = Store(source);
    auto* loaded = new CTKReportRecords;
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load, 1 << 16);
    CTKPropExchangeArchive px(ar);
    loaded->DoPropExchange(&px);
    benchmark::DoNotOptimize(loaded->GetCount());
    loaded->InternalRelease();
    state.counters["bytes"] = static_cast<double>(bytes.size());
  }
  source->InternalRelease();
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ExchangeRecords)->Unit(benchmark::kMillisecond);

// Sorting the rows by the item at `column`, as rows are sorted by one
// column. The baseline is std::stable_sort of the same keys, already read
// out of the items and held by value beside their positions; only its sort
// is timed, while our time includes reading the keys from the items. Both
// start from the same order and compare the same values: text as code
// units (the collection is case-sensitive), numbers, date day numbers and
// the variants' integers.
// The sorts are kept out of line so that instruction profiles (callgrind)
// show each side on its own.
template <class Key>
[[gnu::noinline]] void StableSortKeys(std::vector<std::pair<Key, int>>& keys) {
  std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

double BaselineSeconds(CTKReportRecord* const* order, int column) {
  auto timed = [](auto keys) {
    auto start = std::chrono::steady_clock::now();
    StableSortKeys(keys);
    benchmark::DoNotOptimize(keys.data());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  if (column == 0) {
    std::vector<std::pair<std::u16string, int>> keys;
    for (int i = 0; i < kRecords; ++i) keys.push_back({order[i]->GetItem(0)->GetCaption().Str(), i});
    return timed(std::move(keys));
  }
  if (column == 3) {
    std::vector<std::pair<long, int>> keys;
    for (int i = 0; i < kRecords; ++i)
      keys.push_back({static_cast<CTKReportRecordItemVariant*>(order[i]->GetItem(3))->GetValue().lVal, i});
    return timed(std::move(keys));
  }
  std::vector<std::pair<double, int>> keys;
  for (int i = 0; i < kRecords; ++i) {
    CTKReportRecordItem* item = order[i]->GetItem(column);
    keys.push_back({column == 2 ? static_cast<CTKReportRecordItemDateTime*>(item)->GetValue().m_dt
                                : static_cast<CTKReportRecordItemNumber*>(item)->GetValue(),
                    i});
  }
  return timed(std::move(keys));
}

// The grid's sort: the column's keys read once, sorted, and the rows put in
// their order.
[[gnu::noinline]] std::vector<CTKReportRecord*> SortByKeys(CTKReportRecord* const* order, int column) {
  std::vector<CTKReportRecordItem*> items(kRecords);
  for (int i = 0; i < kRecords; ++i) items[i] = order[i]->GetItem(column);
  CTKReportItemSortKeys keys(items.data(), items.size(), nullptr);
  std::vector<std::uint32_t> sorted = keys.Sort();
  std::vector<CTKReportRecord*> rows(kRecords);
  for (int i = 0; i < kRecords; ++i) rows[i] = order[sorted[i]];
  return rows;
}

// The same sort calling each item's Compare for every comparison (the
// reference the keyed sort answers like).
[[gnu::noinline]] std::vector<CTKReportRecord*> SortByCompare(CTKReportRecord* const* order, int column) {
  std::vector<std::pair<CTKReportRecordItem*, CTKReportRecord*>> pairs(kRecords);
  for (int i = 0; i < kRecords; ++i) pairs[i] = {order[i]->GetItem(column), order[i]};
  TKReportMergeSort(pairs.data(), pairs.size(),
                    [](const auto& a, const auto& b) { return a.first->Compare(nullptr, b.first); });
  std::vector<CTKReportRecord*> rows(kRecords);
  for (int i = 0; i < kRecords; ++i) rows[i] = pairs[i].second;
  return rows;
}

template <std::vector<CTKReportRecord*> (*Sort)(CTKReportRecord* const*, int)>
void BM_Sort(benchmark::State& state) {
  int column = static_cast<int>(state.range(0));
  CTKReportRecords* records = MakeRecords();
  CTKReportRecord* const* order = records->m_arrRecords.GetData();
  double ours = 0, baseline = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    std::vector<CTKReportRecord*> rows = Sort(order, column);
    benchmark::DoNotOptimize(rows.data());
    ours += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.PauseTiming();
    baseline += BaselineSeconds(order, column);
    state.ResumeTiming();
  }
  state.counters["ratio"] = baseline > 0 ? ours / baseline : 0;
  records->InternalRelease();
}
// Columns: 0 text, 1 number, 2 date-time, 3 variant (long integers), 4 percent.
BENCHMARK(BM_Sort<SortByKeys>)->Name("BM_SortRecords")->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort<SortByCompare>)->Name("BM_SortRecordsByCompare")->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

}  // namespace
