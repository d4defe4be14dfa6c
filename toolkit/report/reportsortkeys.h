// Sorting one column's record items by keys read once per pass.
//
// Calling Compare for every comparison of a sort reaches scattered heap
// items through a virtual call and a dynamic_cast each time. These keys
// hold what each item's Compare reads (its kind, sort priority, value or
// caption) in one contiguous array, and answer every comparison exactly as
// items[a]->Compare(column, items[b]) answers it, sign for sign. Items of
// kinds without a key form (classes derived beyond the typed items, a
// collection that compares strings its own way, variants of rare types)
// are compared by calling Compare. Since the answers are the same, the
// merge sort over the keys performs the same steps as over the items and
// gives the same order, even where the comparison is not consistent.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "platform/base/wintypes.h"

class CTKReportColumn;
class CTKReportRecordItem;
class CTKReportRecords;

// The number items' comparison: -1, 0 or 1 by value (NaN compares equal).
inline int TKReportCompareNumbers(double a, double b) { return a > b ? 1 : a < b ? -1 : 0; }

// The date-time items' comparison of two values with their statuses
// (COleDateTime's valid 0 and null 2): valid values within half a second
// are equal; values of different statuses, or both invalid, answer the
// difference of their day numbers truncated to an int.
inline int TKReportCompareDates(double a, int statusA, double b, int statusB) {
  constexpr int kValid = 0, kNull = 2;
  if (statusA == statusB) {
    if (statusA == kValid) {
      double diff = a - b;
      if (std::fabs(diff) < 0.5 / 86400) return 0;
      return diff > 0 ? 1 : -1;
    }
    if (statusA == kNull) return 0;
  }
  double diff = a - b;
  if (std::isnan(diff)) return 0;
  if (diff >= 2147483647.0) return 2147483647;
  if (diff <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(diff);
}

class CTKReportItemSortKeys {
 public:
  // Reads the keys of `count` items (null entries allowed) for sorting by
  // `pColumn`. The items must not change while the keys are in use.
  CTKReportItemSortKeys(CTKReportRecordItem* const* items, std::size_t count, CTKReportColumn* pColumn);
  // The captions view text held here.
  CTKReportItemSortKeys(const CTKReportItemSortKeys&) = delete;
  CTKReportItemSortKeys& operator=(const CTKReportItemSortKeys&) = delete;

  std::size_t GetCount() const { return m_keys.size(); }

  // What items[a]->Compare(column, items[b]) answers; 0 when items[a] is
  // null (where calling Compare would fail).
  int Compare(std::size_t a, std::size_t b) const;

  // The item positions in the order TKReportMergeSort gives the items
  // with Compare.
  std::vector<std::uint32_t> Sort() const;

  // Dense ranks (equal items share one) that order the items as Compare
  // does, when Compare is a total preorder over this pass: numbers without
  // NaN, integer variants, or captions under one case rule. Empty
  // otherwise (the comparison must then be called).
  std::vector<std::uint32_t> Ranks() const;

 private:
  enum class Kind : std::uint8_t {
    kNull,      // no item
    kCaption,   // the base comparison: priorities, then captions
    kNumber,    // number and percent items
    kDateTime,  // date-time items
    kVariant,   // variant items
    kCall,      // no key form: Compare is called
  };
  // How a variant value compares (as VarCmp compares it).
  enum class Value : std::uint8_t { kInteger, kReal, kDate, kString, kNull, kOther };
  // What every item of the pass shares, when a plain key comparison can
  // stand for the whole comparison.
  enum class Uniform : std::uint8_t { kNone, kNumbers, kValidDates, kIntegerVariants, kCaptions };

  struct Key {
    CTKReportRecordItem* item = nullptr;
    double number = 0;         // number value, date day number, variant as a double
    double linear = 0;         // variant dates: the linear day count
    std::int64_t integer = 0;  // variant integers
    int priority = -1;         // the sort priority
    int status = 0;            // date-time status
    Kind kind = Kind::kNull;
    Value value = Value::kOther;
    bool noCase = false;  // captions and variant strings: the item's collection ignores case
  };

  int CompareVariants(const Key& a, const Key& b) const;
  Uniform FindUniform() const;
  // The kind of the items of a class; whether a collection compares
  // strings as CTKReportRecords does (remembering the last one asked).
  static Kind KindOf(const std::type_info& type);
  static bool IsPlainCollection(CTKReportRecords* records, CTKReportRecords*& last, bool& lastPlain);
  // Adds what GetCaption of the column answers to m_text.
  void AppendCaption(CTKReportRecordItem* item);

  CTKReportColumn* m_pColumn;
  LCID m_lcid = 0;  // the report locale's comparison LCID
  std::vector<Key> m_keys;
  // Captions (GetCaption of the column), and lowered for collections that
  // ignore case, held in m_text; filled only when a caption comparison can
  // occur.
  std::u16string m_text;
  std::vector<std::u16string_view> m_captions;
  std::vector<std::u16string_view> m_lowered;
};
