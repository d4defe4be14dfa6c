// The calendar of a reminder series: a REMIND row describes a first
// occurrence, a repeat count code and a step code; these functions turn
// them into occurrences. Today's reminder list, the expiry scan and the
// submission of text messages at exit all step a series through
// RemindAdvance, so they agree on every occurrence.
//
// Steps of whole minutes, hours, days and weeks are fixed spans. A monthly
// step keeps the day of month and the time of day; a yearly step keeps the
// month, the day and the time. An occurrence whose day does not exist (the
// 31st of a 30-day month, 29 February of a common year) is skipped: the
// series has no occurrence that month or year, and the next one falls on
// the same day again. Times are local wall-clock times in whole seconds.
#pragma once

#include <functional>

#include "platform/base/oledatetime.h"

// Repeat count codes (REMIND.NumberOfTimes): one, two or three occurrences,
// or an unbounded series.
constexpr int kRemindOnce = 0;
constexpr int kRemindTwice = 1;
constexpr int kRemindThrice = 2;
constexpr int kRemindCountless = 3;

// Step codes (REMIND.separation): -1 no step, 0 "5 minutes", 1 "15
// minutes", 2 "30 minutes", 3 "1 hour", 4 "2 hours", 5 "3 hours", 6 "5
// hours", 7 "12 hours", 8 "day", 9 "week", 10 "month", 11 "year".
constexpr int kRemindStepNone = -1;
constexpr int kRemindStepMonth = 10;
constexpr int kRemindStepYear = 11;

bool IsRemindRepeatCode(int numberOfTimes);  // 0 ... 3
bool IsRemindStepCode(int separation);       // -1 ... 11

// The number of occurrences of a finite series (1, 2 or 3); 0 for an
// unbounded series or an unknown code.
int RemindOccurrenceCount(int numberOfTimes);

// Whether a row's codes describe a series that can be expanded: both codes
// known, and an unbounded series needs a step (with no step it would be
// one moment repeated for ever).
bool IsRemindSeries(int numberOfTimes, int separation);

// The fixed span of a step code: zero for -1, 5 minutes ... 7 days for
// 0 ... 9, and 365 days for the year (what callers that add spans have
// always used). A month has no fixed span: code 10 and unknown codes give
// an invalid span. Stepping a series goes through RemindAdvance instead.
COleDateTimeSpan SeparationToSpan(int separation);

// The k-th occurrence (k >= 0; 0 is `start` itself) of a series with the
// given step code. Invalid when that occurrence does not exist (a day
// missing from its month), when `start` is not valid, when the code is
// unknown or when the result leaves the years 100 ... 9999.
COleDateTime RemindAdvance(const COleDateTime& start, int separation, long long k);

// The first occurrence of a row: the date part of RemindDate with the time
// of day of RemindTime (seconds kept). Invalid when either is not valid.
COleDateTime RemindFirstOccurrence(const COleDateTime& remindDate, const COleDateTime& remindTime);

// The latest occurrence that exists of a finite series; invalid for an
// unbounded series or unknown codes. After it the series is over.
COleDateTime RemindLastOccurrence(const COleDateTime& start, int numberOfTimes, int separation);

// Calls `visit` (index, occurrence), in time order, for every occurrence of
// the series that exists and lies in [from, to], both ends included (with
// the half-second tolerance of COleDateTime). An unbounded series is walked
// from the first index that can reach `from`, never from before `start`.
// Rows that IsRemindSeries refuses visit nothing. A series with no step
// and a finite count has one occurrence: its repeats fall on the same
// moment.
void ForEachRemindOccurrence(const COleDateTime& start, int numberOfTimes, int separation, const COleDateTime& from,
                             const COleDateTime& to,
                             const std::function<void(long long index, const COleDateTime& occurrence)>& visit);
