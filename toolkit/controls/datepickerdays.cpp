#include "toolkit/controls/datepickerdays.h"

#include <algorithm>
#include <utility>

#include "platform/base/clock.h"
#include "toolkit/controls/datepickercontrol.h"

CTKDatePickerDaysCollection::CTKDatePickerDaysCollection(CTKDatePickerControl* control) : m_pControl(control) {}

void CTKDatePickerDaysCollection::Clear() { m_arrSelectedBlocks.clear(); }

void CTKDatePickerDaysCollection::AddDay(const COleDateTime& date) {
  const int day = DayOf(date);
  AddBlock(day, day);
}

void CTKDatePickerDaysCollection::AddBlock(int first, int last) {
  if (first > last) std::swap(first, last);
  const int end = last + 1;
  auto& blocks = m_arrSelectedBlocks;
  // The first block that ends at or after `first` is the first one the new
  // block can overlap or touch; every following block that begins at or
  // before `end` joins it.
  auto from = std::lower_bound(blocks.begin(), blocks.end(), first,
                               [](const SELECTED_BLOCK& b, int day) { return b.nDateEnd < day; });
  auto to = from;
  while (to != blocks.end() && to->nDateBegin <= end) ++to;
  if (from != to && from->nDateBegin <= first && from->nDateEnd >= end && to - from == 1) return;  // already held
  SELECTED_BLOCK merged{first, end};
  if (from != to) {
    merged.nDateBegin = std::min(first, from->nDateBegin);
    merged.nDateEnd = std::max(end, (to - 1)->nDateEnd);
  }
  auto at = blocks.erase(from, to);
  blocks.insert(at, merged);
  if (m_pControl) m_pControl->RedrawControl(FALSE);
}

void CTKDatePickerDaysCollection::RemoveDay(const COleDateTime& date) {
  const int day = DayOf(date);
  auto& blocks = m_arrSelectedBlocks;
  auto it = std::upper_bound(blocks.begin(), blocks.end(), day,
                             [](int d, const SELECTED_BLOCK& b) { return d < b.nDateBegin; });
  if (it == blocks.begin()) return;
  --it;
  if (day >= it->nDateEnd) return;
  const SELECTED_BLOCK old = *it;
  it = blocks.erase(it);
  if (day + 1 != old.nDateEnd) it = blocks.insert(it, SELECTED_BLOCK{day + 1, old.nDateEnd});
  if (day != old.nDateBegin) blocks.insert(it, SELECTED_BLOCK{old.nDateBegin, day});
}

void CTKDatePickerDaysCollection::SelectDay(const COleDateTime& date) {
  const int day = DayOf(date);
  if (m_arrSelectedBlocks.size() == 1 && m_arrSelectedBlocks[0].nDateBegin == day &&
      m_arrSelectedBlocks[0].nDateEnd == day + 1)
    return;
  Clear();
  AddDay(date);
}

namespace {

// The day held to the years 100..9999, day and month kept (29 February
// becomes the 28th where the held year has none).
int ClampDay(int day) {
  const std::int64_t unix = static_cast<std::int64_t>(day) + pv::DaysFromCivil(1899, 12, 30);
  std::int64_t y = 0;
  unsigned m = 0, d = 0;
  pv::CivilFromDays(unix, &y, &m, &d);
  if (y >= 100 && y <= 9999) return day;
  y = y < 100 ? 100 : 9999;
  d = std::min(d, pv::DaysInMonth(y, m));
  return static_cast<int>(pv::DaysFromCivil(y, m, d) - pv::DaysFromCivil(1899, 12, 30));
}

}  // namespace

void CTKDatePickerDaysCollection::SelectRange(const COleDateTime& first, const COleDateTime& last) {
  int a = ClampDay(DayOf(first));
  int b = ClampDay(DayOf(last));
  if (a > b) std::swap(a, b);
  if (m_arrSelectedBlocks.size() == 1 && m_arrSelectedBlocks[0].nDateBegin == a &&
      m_arrSelectedBlocks[0].nDateEnd == b + 1)
    return;
  Clear();
  m_arrSelectedBlocks.push_back(SELECTED_BLOCK{a, b + 1});
}

BOOL CTKDatePickerDaysCollection::IsSelected(const COleDateTime& date) const {
  if (m_arrSelectedBlocks.empty()) return FALSE;
  const int day = DayOf(date);
  auto it = std::upper_bound(m_arrSelectedBlocks.begin(), m_arrSelectedBlocks.end(), day,
                             [](int d, const SELECTED_BLOCK& b) { return d < b.nDateBegin; });
  if (it == m_arrSelectedBlocks.begin()) return FALSE;
  --it;
  return day < it->nDateEnd;
}

BOOL CTKDatePickerDaysCollection::GetMinMax(COleDateTime& first, COleDateTime& last) const {
  if (m_arrSelectedBlocks.empty()) return FALSE;
  first = DateOfDay(m_arrSelectedBlocks.front().nDateBegin);
  last = DateOfDay(m_arrSelectedBlocks.back().nDateEnd - 1);
  return TRUE;
}

int CTKDatePickerDaysCollection::GetSelectedDaysCount() const {
  int count = 0;
  for (const auto& b : m_arrSelectedBlocks) count += b.nDateEnd - b.nDateBegin;
  return count;
}

void CTKDatePickerDaysCollection::InsertBlock(int index, int first, int end) {
  index = std::clamp(index, 0, GetSelectedBlocksCount());
  m_arrSelectedBlocks.insert(m_arrSelectedBlocks.begin() + index, SELECTED_BLOCK{first, end});
}

#ifndef NDEBUG
std::string CTKDatePickerDaysCollection::CheckInvariants() const {
  for (std::size_t i = 0; i < m_arrSelectedBlocks.size(); ++i) {
    const SELECTED_BLOCK& b = m_arrSelectedBlocks[i];
    const std::string at =
        "block " + std::to_string(i) + " [" + std::to_string(b.nDateBegin) + ", " + std::to_string(b.nDateEnd) + ")";
    if (b.nDateBegin >= b.nDateEnd) return at + " is empty";
    if (b.nDateBegin < kFirstDay || b.nDateEnd - 1 > kLastDay) return at + " lies outside the calendar";
    if (i > 0 && m_arrSelectedBlocks[i - 1].nDateEnd >= b.nDateBegin)
      return at + " overlaps, touches or precedes the block before it";
  }
  return {};
}
#endif
