#include "toolkit/report/reportsortkeys.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <string_view>
#include <typeinfo>
#include <unordered_map>
#include <utility>

#include "platform/base/systime.h"
#include "platform/system/locale.h"
#include "platform/base/wstr.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportlocale.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportsort.h"

static_assert(COleDateTime::valid == 0 && COleDateTime::null == 2, "the date comparison reads these statuses");

namespace {

template <class T>
int Sign(T value) {
  return value < 0 ? -1 : value > 0 ? 1 : 0;
}

}  // namespace

CTKReportItemSortKeys::CTKReportItemSortKeys(CTKReportRecordItem* const* items, std::size_t count,
                                             CTKReportColumn* pColumn)
    : m_pColumn(pColumn), m_lcid(CTKReportControlLocale::GetActiveCompareLCID()), m_keys(count) {
  bool anyCaption = false, anyNoCase = false;
  // A column's items are mostly of one class in one collection: the class
  // and the collection are looked at again only when they change.
  const std::type_info* lastType = nullptr;
  Kind lastKind = Kind::kCall;
  CTKReportRecords* lastRecords = nullptr;
  bool lastRecordsPlain = true;
  for (std::size_t i = 0; i < count; ++i) {
    CTKReportRecordItem* item = items[i];
    Key& key = m_keys[i];
    key.item = item;
    if (!item) continue;
    key.priority = item->m_nSortPriority;
    CTKReportRecords* records = item->m_pRecord ? item->m_pRecord->GetRecords() : nullptr;
    const std::type_info& type = typeid(*item);
    if (&type != lastType) {
      lastType = &type;
      lastKind = KindOf(type);
    }
    if (lastKind == Kind::kNumber) {
      key.kind = Kind::kNumber;
      key.number = static_cast<CTKReportRecordItemNumber*>(item)->m_dValue;
    } else if (lastKind == Kind::kDateTime) {
      const COleDateTime& value = static_cast<CTKReportRecordItemDateTime*>(item)->m_odtValue;
      key.kind = Kind::kDateTime;
      key.number = value.m_dt;
      key.status = static_cast<int>(value.GetStatus());
    } else if (lastKind == Kind::kVariant) {
      const VARIANT& value = static_cast<CTKReportRecordItemVariant*>(item)->m_oleValue;
      key.kind = Kind::kVariant;
      key.noCase = records && !records->IsCaseSensitive();
      // The integers, reals and dates VarCmp reads as numbers, read the
      // same way; other types are left to VarCmp.
      key.value = Value::kInteger;
      switch (value.vt) {
        case VT_I1:
          key.integer = value.cVal;
          break;
        case VT_I2:
          key.integer = value.iVal;
          break;
        case VT_I4:
          key.integer = value.lVal;
          break;
        case VT_INT:
          key.integer = value.intVal;
          break;
        case VT_I8:
          key.integer = value.llVal;
          break;
        case VT_BOOL:
          key.integer = value.boolVal ? -1 : 0;
          break;
        case VT_UI1:
          key.integer = value.bVal;
          break;
        case VT_UI2:
          key.integer = value.uiVal;
          break;
        case VT_UI4:
          key.integer = value.ulVal;
          break;
        case VT_UINT:
          key.integer = value.uintVal;
          break;
        case VT_UI8:
          if (value.ullVal > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            key.value = Value::kOther;
          else key.integer = static_cast<std::int64_t>(value.ullVal);
          break;
        case VT_R4:
          key.value = Value::kReal;
          key.number = value.fltVal;
          break;
        case VT_R8:
          key.value = Value::kReal;
          key.number = value.dblVal;
          break;
        case VT_DATE:
          key.value = Value::kDate;
          key.number = value.date;
          key.linear = pv::DateToLinear(value.date);
          break;
        case VT_BSTR:
          key.value = Value::kString;
          break;
        case VT_NULL:
          key.value = Value::kNull;
          break;
        default:
          key.value = Value::kOther;
          break;
      }
      if (key.value == Value::kInteger) key.number = static_cast<double>(key.integer);
    } else if (lastKind == Kind::kCaption && (!records || IsPlainCollection(records, lastRecords, lastRecordsPlain))) {
      key.kind = Kind::kCaption;
      key.noCase = records && !records->IsCaseSensitive();
      anyCaption = true;
      anyNoCase = anyNoCase || key.noCase;
    } else {
      key.kind = Kind::kCall;
    }
  }
  if (!anyCaption) return;
  // A caption item compares its caption with the other item's, whatever
  // that item's kind. The captions are copied one after another into one
  // text: comparisons then read neighbouring memory instead of texts
  // scattered with their items.
  std::vector<std::size_t> starts(count + 1, 0), lowered(anyNoCase ? count : 0, 0);
  for (std::size_t i = 0; i < count; ++i) {
    starts[i] = m_text.size();
    if (m_keys[i].kind != Kind::kNull && m_keys[i].kind != Kind::kCall) AppendCaption(m_keys[i].item);
  }
  starts[count] = m_text.size();
  if (anyNoCase) {
    // Comparing without case maps each code unit to lower case on its own,
    // so comparing the lowered texts answers the same.
    std::size_t end = m_text.size();
    for (std::size_t i = 0; i < end; ++i) m_text.push_back(pv::ToLower(m_text[i]));
  }
  m_captions.resize(count);
  if (anyNoCase) m_lowered.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    m_captions[i] = std::u16string_view(m_text).substr(starts[i], starts[i + 1] - starts[i]);
    if (anyNoCase)
      m_lowered[i] = std::u16string_view(m_text).substr(starts[count] + starts[i], starts[i + 1] - starts[i]);
  }
}

CTKReportItemSortKeys::Kind CTKReportItemSortKeys::KindOf(const std::type_info& type) {
  if (type == typeid(CTKReportRecordItemText) || type == typeid(CTKReportRecordItem) ||
      type == typeid(CTKReportRecordItemPreview) || type == typeid(CTKReportRecordItemIcon))
    return Kind::kCaption;
  if (type == typeid(CTKReportRecordItemNumber) || type == typeid(CTKReportRecordItemPercentNumber))
    return Kind::kNumber;
  if (type == typeid(CTKReportRecordItemDateTime)) return Kind::kDateTime;
  if (type == typeid(CTKReportRecordItemVariant)) return Kind::kVariant;
  // A derived class may compare its own way.
  return Kind::kCall;
}

bool CTKReportItemSortKeys::IsPlainCollection(CTKReportRecords* records, CTKReportRecords*& last, bool& lastPlain) {
  // A collection class of its own may compare strings its own way.
  if (records != last) {
    last = records;
    lastPlain = typeid(*records) == typeid(CTKReportRecords);
  }
  return lastPlain;
}

void CTKReportItemSortKeys::AppendCaption(CTKReportRecordItem* item) {
  // What GetCaption answers, read in place where the item holds it as it
  // is: the caption of base and icon items, a text item's caption or its
  // text under "%s", the preview text.
  const std::type_info& type = typeid(*item);
  if (type == typeid(CTKReportRecordItemText)) {
    if (!item->m_strCaption.IsEmpty()) m_text += item->m_strCaption.Str();
    else if (item->m_strFormatString == u"%s") m_text += static_cast<CTKReportRecordItemText*>(item)->m_strText.Str();
    else m_text += item->GetCaption(m_pColumn).Str();
  } else if (type == typeid(CTKReportRecordItem) || type == typeid(CTKReportRecordItemIcon)) {
    m_text += item->m_strCaption.Str();
  } else if (type == typeid(CTKReportRecordItemPreview)) {
    m_text += static_cast<CTKReportRecordItemPreview*>(item)->m_strPreviewText.Str();
  } else {
    m_text += item->GetCaption(m_pColumn).Str();
  }
}

int CTKReportItemSortKeys::Compare(std::size_t a, std::size_t b) const {
  const Key& x = m_keys[a];
  const Key& y = m_keys[b];
  if (x.kind == Kind::kNull) return 0;
  if (x.kind == Kind::kCall || y.kind == Kind::kCall) return x.item->Compare(m_pColumn, y.item);
  if (y.kind == Kind::kNull) return 0;
  switch (x.kind) {
    case Kind::kCaption:
      if (x.priority != -1 || y.priority != -1) return TKReportPriorityDifference(x.priority, y.priority);
      if (x.noCase) return Sign(m_lowered[a].compare(m_lowered[b]));
      return Sign(m_captions[a].compare(m_captions[b]));
    case Kind::kNumber:
      return y.kind == Kind::kNumber ? TKReportCompareNumbers(x.number, y.number) : 0;
    case Kind::kDateTime:
      return y.kind == Kind::kDateTime ? TKReportCompareDates(x.number, x.status, y.number, y.status) : 0;
    case Kind::kVariant:
      if (x.priority != -1 || y.priority != -1) return TKReportPriorityDifference(x.priority, y.priority);
      return y.kind == Kind::kVariant ? CompareVariants(x, y) : 0;
    default:
      return 0;
  }
}

// VarCmp's answer less one (2 when either value is null, 0 on failure).
int CTKReportItemSortKeys::CompareVariants(const Key& x, const Key& y) const {
  auto& left = static_cast<CTKReportRecordItemVariant*>(x.item)->m_oleValue;
  auto& right = static_cast<CTKReportRecordItemVariant*>(y.item)->m_oleValue;
  ULONG flags = x.noCase ? NORM_IGNORECASE : 0;
  if (x.value == Value::kOther || y.value == Value::kOther) {
    HRESULT result = VarCmp(&left, &right, m_lcid, flags);
    return FAILED(result) ? 0 : static_cast<int>(result) - 1;
  }
  if (x.value == Value::kNull || y.value == Value::kNull) return VARCMP_NULL - 1;
  if (x.value == Value::kString && y.value == Value::kString)
    return static_cast<int>(VarBstrCmp(left.bstrVal, right.bstrVal, m_lcid, flags)) - 1;
  // A number is less than a string.
  if (x.value == Value::kString) return 1;
  if (y.value == Value::kString) return -1;
  if (x.value == Value::kInteger && y.value == Value::kInteger)
    return x.integer < y.integer ? -1 : x.integer > y.integer ? 1 : 0;
  if (x.value == Value::kDate && y.value == Value::kDate) return TKReportCompareNumbers(x.linear, y.linear);
  return TKReportCompareNumbers(x.number, y.number);
}

CTKReportItemSortKeys::Uniform CTKReportItemSortKeys::FindUniform() const {
  if (m_keys.empty()) return Uniform::kNone;
  auto all = [this](auto test) {
    for (const Key& key : m_keys)
      if (!test(key)) return false;
    return true;
  };
  switch (m_keys.front().kind) {
    case Kind::kNumber:
      if (all([](const Key& k) { return k.kind == Kind::kNumber; })) return Uniform::kNumbers;
      break;
    case Kind::kDateTime:
      if (all([](const Key& k) { return k.kind == Kind::kDateTime && k.status == 0; })) return Uniform::kValidDates;
      break;
    case Kind::kVariant:
      if (all([](const Key& k) { return k.kind == Kind::kVariant && k.priority == -1 && k.value == Value::kInteger; }))
        return Uniform::kIntegerVariants;
      break;
    case Kind::kCaption: {
      bool noCase = m_keys.front().noCase;
      if (all([noCase](const Key& k) { return k.kind == Kind::kCaption && k.priority == -1 && k.noCase == noCase; }))
        return Uniform::kCaptions;
      break;
    }
    default:
      break;
  }
  return Uniform::kNone;
}

std::vector<std::uint32_t> CTKReportItemSortKeys::Sort() const {
  const std::size_t count = m_keys.size();
  std::vector<std::uint32_t> order(count);
  // Where every item is of one kind the comparison reduces to comparing
  // plain values: sort those by value beside their positions.
  auto sortBy = [&](auto keyOf, auto compare) {
    using Value = decltype(keyOf(std::size_t{}));
    std::vector<std::pair<Value, std::uint32_t>> pairs(count);
    for (std::size_t i = 0; i < count; ++i) pairs[i] = {keyOf(i), static_cast<std::uint32_t>(i)};
    TKReportMergeSort(pairs.data(), count, [&](const auto& p, const auto& q) { return compare(p.first, q.first); });
    for (std::size_t i = 0; i < count; ++i) order[i] = pairs[i].second;
  };
  switch (FindUniform()) {
    case Uniform::kNumbers:
      sortBy([this](std::size_t i) { return m_keys[i].number; },
             [](double a, double b) { return TKReportCompareNumbers(a, b); });
      break;
    case Uniform::kValidDates:
      sortBy([this](std::size_t i) { return m_keys[i].number; },
             [](double a, double b) { return TKReportCompareDates(a, 0, b, 0); });
      break;
    case Uniform::kIntegerVariants:
      sortBy([this](std::size_t i) { return m_keys[i].integer; },
             [](std::int64_t a, std::int64_t b) { return a < b   ? -1
                                                         : a > b ? 1
                                                                 : 0; });
      break;
    case Uniform::kCaptions: {
      const std::vector<std::u16string_view>& texts = m_keys.front().noCase ? m_lowered : m_captions;
      sortBy([&texts](std::size_t i) { return texts[i]; },
             [](std::u16string_view a, std::u16string_view b) { return Sign(a.compare(b)); });
      break;
    }
    case Uniform::kNone:
      std::iota(order.begin(), order.end(), 0u);
      TKReportMergeSort(order.data(), count, [this](std::uint32_t a, std::uint32_t b) { return Compare(a, b); });
      break;
  }
  return order;
}

std::vector<std::uint32_t> CTKReportItemSortKeys::Ranks() const {
  const Uniform uniform = FindUniform();
  std::vector<std::uint32_t> ranks(m_keys.size());
  // Distinct values are few beside the items: rank the distinct ones and
  // look each item's up.
  // Texts: few distinct ones beside the items, ranked once each.
  auto rankByDistinct = [&](auto keyOf) {
    using Value = decltype(keyOf(std::size_t{}));
    std::unordered_map<Value, std::uint32_t> slot;
    std::vector<Value> distinct;
    std::vector<std::uint32_t> slotOf(m_keys.size());
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
      auto [it, added] = slot.try_emplace(keyOf(i), static_cast<std::uint32_t>(distinct.size()));
      if (added) distinct.push_back(it->first);
      slotOf[i] = it->second;
    }
    std::vector<std::uint32_t> byValue(distinct.size());
    for (std::uint32_t k = 0; k < byValue.size(); ++k) byValue[k] = k;
    std::sort(byValue.begin(), byValue.end(),
              [&](std::uint32_t a, std::uint32_t b) { return distinct[a] < distinct[b]; });
    std::vector<std::uint32_t> rankOfSlot(distinct.size());
    for (std::uint32_t r = 0; r < byValue.size(); ++r) rankOfSlot[byValue[r]] = r;
    for (std::size_t i = 0; i < m_keys.size(); ++i) ranks[i] = rankOfSlot[slotOf[i]];
  };
  // Numbers: sorted beside their positions, equal values sharing a rank.
  auto rankBySorting = [&](auto keyOf) {
    using Value = decltype(keyOf(std::size_t{}));
    std::vector<std::pair<Value, std::uint32_t>> pairs(m_keys.size());
    for (std::size_t i = 0; i < m_keys.size(); ++i) pairs[i] = {keyOf(i), static_cast<std::uint32_t>(i)};
    std::sort(pairs.begin(), pairs.end());
    std::uint32_t rank = 0;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
      if (i > 0 && pairs[i - 1].first < pairs[i].first) ++rank;
      ranks[pairs[i].second] = rank;
    }
  };
  switch (uniform) {
    case Uniform::kNumbers:
      for (const Key& key : m_keys)
        if (std::isnan(key.number)) return {};  // NaN equals everything: no order to rank by
      // -0 and 0 compare equal, as the comparison has them.
      rankBySorting([this](std::size_t i) { return m_keys[i].number == 0 ? 0.0 : m_keys[i].number; });
      return ranks;
    case Uniform::kIntegerVariants:
      rankBySorting([this](std::size_t i) { return m_keys[i].integer; });
      return ranks;
    case Uniform::kCaptions: {
      const std::vector<std::u16string_view>& texts = m_keys.front().noCase ? m_lowered : m_captions;
      rankByDistinct([&texts](std::size_t i) { return texts[i]; });
      return ranks;
    }
    default:
      return {};
  }
}
