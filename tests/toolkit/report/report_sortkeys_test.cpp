// Sorting by keys read once per pass: every comparison the keys answer is
// the one the items' Compare gives, and the keyed sort leaves exactly the
// order of the merge sort calling Compare, for items of every kind mixed,
// equal keys, sort priorities, case differences and collections that
// compare their own way.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <vector>

#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportsort.h"
#include "toolkit/report/reportsortkeys.h"

namespace {

// A collection that orders its strings backwards.
class BackwardRecords : public CTKReportRecords {
 public:
  int CompareStrings(const CString& a, const CString& b) const override {
    return -CTKReportRecords::CompareStrings(a, b);
  }
};

// An item comparing its own way: by caption length.
class LengthItem : public CTKReportRecordItem {
 public:
  int Compare(CTKReportColumn* column, CTKReportRecordItem* other) override {
    return other ? GetCaption(column).GetLength() - other->GetCaption(column).GetLength() : 0;
  }
};

// Derived from typed items: a number sorting downwards, and a text item
// as it is. Number items still compare with the first by its value.
class OwnNumber : public CTKReportRecordItemNumber {
 public:
  using CTKReportRecordItemNumber::CTKReportRecordItemNumber;
  int Compare(CTKReportColumn* column, CTKReportRecordItem* other) override {
    return -CTKReportRecordItemNumber::Compare(column, other);
  }
};
class OwnText : public CTKReportRecordItemText {
 public:
  using CTKReportRecordItemText::CTKReportRecordItemText;
};

enum class Pool { kMixed, kNumbers, kValidDates, kIntegerVariants, kCaptions };

// Items in four collections (case-sensitive, ignoring case, backwards and a
// reference list whose records belong to none), and a few outside any
// record. Keys come from small domains so that equal keys are common.
class ItemPool {
 public:
  ItemPool(Pool pool, std::uint32_t seed, int count, bool caseless = false) : m_random(seed), m_caseless(caseless) {
    m_collections[1]->SetCaseSensitive(FALSE);
    for (int i = 0; i < count; ++i) {
      CTKReportRecordItem* item = Make(pool);
      int home = static_cast<int>(m_random() % 5);
      if (pool == Pool::kCaptions) home = m_caseless ? 1 : 0;
      if (home == 4) {
        m_loose.push_back(item);
      } else {
        auto* record = new CTKReportRecord;
        record->AddItem(item);
        m_collections[home]->Add(record);
        if (home == 3) m_listed.push_back(record);  // a reference list does not own its records
      }
      items.push_back(item);
    }
  }
  ~ItemPool() {
    for (CTKReportRecords* records : m_collections) records->InternalRelease();
    for (CTKReportRecord* record : m_listed) record->InternalRelease();
    for (CTKReportRecordItem* item : m_loose) item->InternalRelease();
  }

  std::vector<CTKReportRecordItem*> items;

 private:
  int Pick(int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); }
  const char16_t* Text() {
    static const char16_t* const texts[] = {u"a", u"A",      u"b",      u"B",   u"ab", u"aB",
                                            u"",  u"\u00e4", u"\u00c4", u"a b", u"10", u"9"};
    return texts[Pick(12)];
  }
  double Number() {
    static const double numbers[] = {-1, 0, -0.0, 1, 1.5, 2, 1e300, std::numeric_limits<double>::quiet_NaN()};
    return numbers[Pick(8)];
  }
  int Priority() {
    static const int priorities[] = {0, 1, 2, 5, INT_MAX, INT_MIN};
    return Pick(4) ? -1 : priorities[Pick(6)];
  }
  COleDateTime Date() {
    // Steps of 0.3 s: neighbours fall within half a second, others not.
    COleDateTime date(45000.0 + Pick(3) + Pick(6) * 0.3 / 86400);
    return date;
  }
  COleVariant Variant() {
    COleVariant value;
    switch (Pick(14)) {
      case 0:
      case 1:
        return COleVariant(static_cast<long>(Pick(4) - 1));
      case 2:
        return COleVariant(static_cast<double>(Pick(4) - 1) + (Pick(2) ? 0.5 : 0));
      case 3:
        value.vt = VT_R4;
        value.fltVal = static_cast<float>(Pick(3));
        return value;
      case 4:
        value.vt = VT_DATE;
        value.date = -1.0 - Pick(3) * 0.25;
        return value;  // before 1900: not linear
      case 5:
        value.vt = VT_DATE;
        value.date = Pick(3);
        return value;
      case 6:
      case 7:
        return COleVariant(Text());
      case 8:
        value.vt = VT_NULL;
        return value;
      case 9:
        value.vt = VT_BOOL;
        value.boolVal = Pick(2) ? VARIANT_TRUE : VARIANT_FALSE;
        return value;
      case 10:
        value.vt = VT_CY;
        value.cyVal.int64 = Pick(3) * 5000;
        return value;
      case 11:
      case 12:
        value.vt = VT_I8;  // neighbours a double cannot tell apart
        value.llVal = (1ll << 60) + Pick(2);
        return value;
      default:
        if (Pick(2)) {
          value.vt = VT_UI8;
          value.ullVal = 0xFFFFFFFFFFFFFFF0ull;
        } else {
          value.vt = VT_EMPTY;
        }
        return value;
    }
  }
  CTKReportRecordItem* Make(Pool pool) {
    CTKReportRecordItem* item = nullptr;
    int kind = Pick(17);
    switch (pool) {
      case Pool::kNumbers:
        kind = 9 + Pick(2);
        break;
      case Pool::kValidDates:
        kind = 11;
        break;
      case Pool::kIntegerVariants:
        kind = 13;
        break;
      case Pool::kCaptions:
        kind = Pick(6);
        break;
      case Pool::kMixed:
        break;
    }
    switch (kind) {
      case 0:
        item = new CTKReportRecordItem;
        item->SetCaption(Text());
        break;
      case 1:
        item = new CTKReportRecordItemText(Text());
        break;
      case 2:
        item = new CTKReportRecordItemText(Text());
        item->SetFormatString(u"<%s>");
        break;
      case 3:
        item = new CTKReportRecordItemText(Text());
        item->SetCaption(Text());
        break;
      case 4:
        item = new CTKReportRecordItemPreview(Text());
        break;
      case 5:
        item = new CTKReportRecordItemIcon;
        item->SetCaption(Text());
        break;
      case 6:
        item = new LengthItem;
        item->SetCaption(Text());
        break;
      case 7:
        item = new OwnText(Text());
        break;
      case 8:
        item = new OwnNumber(Number());
        break;
      case 9:
        item = new CTKReportRecordItemNumber(Number());
        break;
      case 10:
        item = new CTKReportRecordItemPercentNumber(Number());
        break;
      case 11:
        item = new CTKReportRecordItemDateTime(Date());
        break;
      case 12: {
        auto* date = new CTKReportRecordItemDateTime(Date());
        date->m_odtValue.SetStatus(Pick(2) ? COleDateTime::null : COleDateTime::invalid);
        if (Pick(2)) date->m_odtValue.m_dt = 45000.0 + Pick(3) * 0.7;
        item = date;
        break;
      }
      case 13:
        item = new CTKReportRecordItemVariant(COleVariant(static_cast<long>(Pick(5))));
        break;
      default:
        item = new CTKReportRecordItemVariant(Variant());
        break;
    }
    // The sort priority is read by caption and variant comparisons and
    // ignored by number and date comparisons: set it on all.
    if (pool == Pool::kMixed) item->SetSortPriority(Priority());
    return item;
  }

  std::mt19937 m_random;
  bool m_caseless = false;
  CTKReportRecords* m_collections[4] = {new CTKReportRecords, new CTKReportRecords, new BackwardRecords,
                                        new CTKReportRecords(TRUE)};
  std::vector<CTKReportRecord*> m_listed;
  std::vector<CTKReportRecordItem*> m_loose;
};

// The order of the merge sort calling Compare on the items themselves.
std::vector<std::uint32_t> PlainOrder(const std::vector<CTKReportRecordItem*>& items, CTKReportColumn* column) {
  std::vector<std::uint32_t> order(items.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  TKReportMergeSort(order.data(), order.size(), [&](std::uint32_t a, std::uint32_t b) {
    return items[a] ? items[a]->Compare(column, items[b]) : 0;
  });
  return order;
}

// A column whose variant captions come from constraint choices.
CTKReportColumn* ConstraintColumn() {
  auto* column = new CTKReportColumn(0, u"state", 70);
  CTKReportRecordItemEditOptions* options = column->GetEditOptions();
  options->AddConstraint(u"B", 0);
  options->AddConstraint(u"a", 1);
  options->m_bConstraintEdit = TRUE;
  return column;
}

}  // namespace

TEST(ReportSortKeys, EveryComparisonAnswersAsCompare) {
  CTKReportColumn* constrained = ConstraintColumn();
  for (CTKReportColumn* column : {static_cast<CTKReportColumn*>(nullptr), constrained}) {
    for (std::uint32_t seed : {1u, 2u, 3u}) {
      ItemPool pool(Pool::kMixed, seed, 160);
      std::vector<CTKReportRecordItem*> items = pool.items;
      items.push_back(nullptr);  // a record without an item in the column
      CTKReportItemSortKeys keys(items.data(), items.size(), column);
      ASSERT_EQ(keys.GetCount(), items.size());
      int wrong = 0;
      std::ostringstream first;
      for (size_t a = 0; a < items.size(); ++a) {
        for (size_t b = 0; b < items.size(); ++b) {
          int expected = items[a] ? items[a]->Compare(column, items[b]) : 0;
          int got = keys.Compare(a, b);
          if (got != expected && wrong++ < 5) {
            first << "\n  " << (items[a] ? typeid(*items[a]).name() : "null") << " #" << a << " vs "
                  << (items[b] ? typeid(*items[b]).name() : "null") << " #" << b << ": " << got << " instead of "
                  << expected;
          }
        }
      }
      EXPECT_EQ(wrong, 0) << "seed " << seed << (column ? ", constraint column" : "") << first.str();
    }
  }
  constrained->InternalRelease();
}

TEST(ReportSortKeys, KeyedSortGivesThePlainSortOrder) {
  // Mixed kinds make the comparison inconsistent: the orders still agree
  // because every answer does. Each pool of one kind takes its own path.
  struct Case {
    const char* what;
    Pool pool;
    bool caseless;
  } const cases[] = {
      {"mixed kinds, priorities and collections", Pool::kMixed, false},
      {"numbers and percents", Pool::kNumbers, false},
      {"valid dates within and beyond half a second", Pool::kValidDates, false},
      {"integer variants", Pool::kIntegerVariants, false},
      {"captions, case-sensitive", Pool::kCaptions, false},
      {"captions, ignoring case", Pool::kCaptions, true},
  };
  CTKReportColumn* constrained = ConstraintColumn();
  for (const Case& c : cases) {
    for (int size : {0, 1, 2, 16, 17, 45, 300, 2500}) {
      for (std::uint32_t seed : {5u, 6u}) {
        ItemPool pool(c.pool, seed * 7919 + static_cast<std::uint32_t>(size), size, c.caseless);
        CTKReportColumn* column = seed == 6 ? constrained : nullptr;
        std::vector<CTKReportRecordItem*> items = pool.items;
        if (c.pool == Pool::kMixed && size > 2) items[size / 2] = nullptr;  // a record without the column's item
        CTKReportItemSortKeys keys(items.data(), items.size(), column);
        EXPECT_EQ(keys.Sort(), PlainOrder(items, column)) << c.what << ", " << size << " items, seed " << seed;
      }
    }
  }
  constrained->InternalRelease();
}
