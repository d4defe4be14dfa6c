// 10^5 records of five typed items (text, number, date-time, variant,
// percent): made, stored and loaded through the archive exchange, and
// sorted by item comparisons with the grid's merge sort. The baseline sorts
// plain copies of the same keys with std::stable_sort; the sort's counter
// "ratio" is our time over the baseline's.
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

// Sorting by the item at `column` (then the next ones as ties), as rows are
// sorted by a column; the baseline orders the same keys held by value.
template <class Key>
double BaselineSeconds(std::vector<std::pair<Key, int>> keys) {
  auto start = std::chrono::steady_clock::now();
  std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  benchmark::DoNotOptimize(keys.data());
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SortRecords(benchmark::State& state) {
  int column = static_cast<int>(state.range(0));
  CTKReportRecords* records = MakeRecords();
  std::vector<CTKReportRecord*> order(records->m_arrRecords.GetData(), records->m_arrRecords.GetData() + kRecords);
  double ours = 0, baseline = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    // The sort holds each row's item of the column beside the row, so a
    // comparison reaches the items without going through the records.
    std::vector<std::pair<CTKReportRecordItem*, CTKReportRecord*>> rows(order.size());
    for (size_t i = 0; i < order.size(); ++i) rows[i] = {order[i]->GetItem(column), order[i]};
    TKReportMergeSort(rows.data(), rows.size(), [](const auto& a, const auto& b) {
      return a.first->Compare(nullptr, b.first);
    });
    ours += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    benchmark::DoNotOptimize(rows.data());
    state.PauseTiming();
    if (column == 0) {
      std::vector<std::pair<std::u16string, int>> keys;
      for (int i = 0; i < kRecords; ++i) keys.push_back({order[i]->GetItem(0)->GetCaption().Str(), i});
      baseline += BaselineSeconds(std::move(keys));
    } else {
      std::vector<std::pair<double, int>> keys;
      for (int i = 0; i < kRecords; ++i) {
        CTKReportRecordItem* item = order[i]->GetItem(column);
        double key = column == 1 ? static_cast<CTKReportRecordItemNumber*>(item)->GetValue()
                   : column == 2 ? static_cast<CTKReportRecordItemDateTime*>(item)->GetValue().m_dt
                                 : static_cast<double>(static_cast<CTKReportRecordItemVariant*>(item)->GetValue().lVal);
        keys.push_back({key, i});
      }
      baseline += BaselineSeconds(std::move(keys));
    }
    state.ResumeTiming();
  }
  state.counters["ratio"] = baseline > 0 ? ours / baseline : 0;
  records->InternalRelease();
}
// Columns: 0 text (collection string comparison), 1 number, 2 date-time, 3 variant (VarCmp).
BENCHMARK(BM_SortRecords)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace
