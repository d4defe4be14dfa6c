// Date and time pictures ("dddd, d. MMMM yyyy", "h:mm:ss tt") written out
// with a locale's names, as GetDateFormat/GetTimeFormat and the Automation
// date text do.
//
// Date letters: d dd (day), ddd dddd (weekday), M MM (month), MMM MMMM (its
// name: the inflected form when the picture also has a day number, as
// Windows does), y yy (two digits), yyyy (and yyy), gg (era: "A.D.").
// Time letters: h hh H HH m mm s ss t tt; the flags drop fields with the
// separator before them. Text in single quotes is literal ('' is a quote).
#pragma once

#include <string>
#include <string_view>

#include "platform/base/localedata.h"
#include "platform/base/systime.h"

namespace pv {

// The time flags of GetTimeFormat (TIME_NOMINUTESORSECONDS ...).
constexpr DWORD kTimeNoMinutesOrSeconds = 0x1;
constexpr DWORD kTimeNoSeconds = 0x2;
constexpr DWORD kTimeNoTimeMarker = 0x4;
constexpr DWORD kTimeForce24Hour = 0x8;

// The date must be a real calendar day (the caller checks).
std::u16string FormatDatePicture(const LocaleData& locale, std::u16string_view picture, const SYSTEMTIME& date);
std::u16string FormatTimePicture(const LocaleData& locale, std::u16string_view picture, const SYSTEMTIME& time,
                                 DWORD flags);

// What a picture says about its fields, for the LOCALE_I* items: the order of
// day, month and year ("dMy"); whether day/month/hour carry a leading zero; a
// 24-hour clock; four-digit years; the time marker before the time.
struct PictureTraits {
  std::u16string dateOrder;
  bool dayLeadingZero = false, monthLeadingZero = false, hourLeadingZero = false;
  bool hours24 = false, fourDigitYear = false, markerFirst = false;
};
PictureTraits TraitsOf(std::u16string_view picture);

}  // namespace pv
