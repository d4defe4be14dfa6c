// The date picker's selected days, kept as sorted blocks of consecutive
// whole days (days counted from 30 December 1899, the date truncated).
#pragma once

#include <string>
#include <vector>

#include "platform/base/cmdtarget.h"
#include "platform/base/oledatetime.h"

class CTKDatePickerControl;

class CTKDatePickerDaysCollection : public CCmdTarget {
 public:
  // [nDateBegin, nDateEnd): the end is the day after the block's last day.
  struct SELECTED_BLOCK {
    int nDateBegin;
    int nDateEnd;
  };

  // The control (may be null) is redrawn when AddBlock changes the blocks.
  explicit CTKDatePickerDaysCollection(CTKDatePickerControl* control);
  ~CTKDatePickerDaysCollection() override = default;

  void Clear();
  void AddDay(const COleDateTime& date);
  // Adds the days first..last (either order), merging with the blocks they
  // overlap or touch.
  void AddBlock(int first, int last);
  void RemoveDay(const COleDateTime& date);
  // Nothing when the selection is exactly this day.
  void SelectDay(const COleDateTime& date);
  // One block between the two days, years held to 100..9999.
  void SelectRange(const COleDateTime& first, const COleDateTime& last);
  BOOL IsSelected(const COleDateTime& date) const;
  BOOL GetMinMax(COleDateTime& first, COleDateTime& last) const;
  int GetSelectedDaysCount() const;
  // Inserts the block at the index as it is, without merging.
  void InsertBlock(int index, int first, int end);

  int GetSelectedBlocksCount() const { return static_cast<int>(m_arrSelectedBlocks.size()); }
  const SELECTED_BLOCK& GetSelectedBlock(int index) const {
    return m_arrSelectedBlocks[static_cast<std::size_t>(index)];
  }

  static int DayOf(const COleDateTime& date) { return static_cast<int>(static_cast<DATE>(date)); }
  static COleDateTime DateOfDay(int day) { return COleDateTime(static_cast<DATE>(day)); }

  // The calendar's days: 1 January 100 to 31 December 9999. Every step the
  // picker takes stays between them.
  static constexpr int kFirstDay = -657434;
  static constexpr int kLastDay = 2958465;
  static int ClampToCalendar(int day) { return day < kFirstDay ? kFirstDay : day > kLastDay ? kLastDay : day; }
  static BOOL IsCalendarDay(int day) { return day >= kFirstDay && day <= kLastDay; }

#ifndef NDEBUG
  // The first broken invariant of the blocks (sorted, non-empty, disjoint,
  // never touching, inside the calendar), empty when all hold.
  std::string CheckInvariants() const;
#endif

  // Read directly by the owner: sorted, disjoint, never touching.
  std::vector<SELECTED_BLOCK> m_arrSelectedBlocks;

 protected:
  CTKDatePickerControl* m_pControl;
};
