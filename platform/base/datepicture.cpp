#include "platform/base/datepicture.h"

#include <vector>

#include "platform/base/clock.h"

namespace pv {
namespace {

// A picture as a list of runs: a field (repeated letter) or literal text.
struct Run {
  char16_t letter;  // 0 for literal text
  int count;
  std::u16string text;
};

std::vector<Run> Tokenize(std::u16string_view picture, std::u16string_view letters) {
  std::vector<Run> runs;
  auto literal = [&](char16_t c) {
    if (runs.empty() || runs.back().letter != 0) runs.push_back(Run{0, 0, {}});
    runs.back().text += c;
  };
  for (std::size_t i = 0; i < picture.size();) {
    char16_t c = picture[i];
    if (c == u'\'') {
      // Quoted text; '' inside or outside quotes is one quote.
      std::size_t j = i + 1;
      if (j < picture.size() && picture[j] == u'\'') {
        literal(u'\'');
        i = j + 1;
        continue;
      }
      while (j < picture.size()) {
        if (picture[j] == u'\'') {
          if (j + 1 < picture.size() && picture[j + 1] == u'\'') {
            literal(u'\'');
            j += 2;
            continue;
          }
          break;
        }
        literal(picture[j++]);
      }
      i = j + 1;
      continue;
    }
    if (letters.find(c) != std::u16string_view::npos) {
      std::size_t j = i;
      while (j < picture.size() && picture[j] == c) ++j;
      runs.push_back(Run{c, static_cast<int>(j - i), {}});
      i = j;
      continue;
    }
    literal(c);
    ++i;
  }
  return runs;
}

std::u16string Number(int v, int width) {
  std::u16string s;
  do {
    s.insert(s.begin(), static_cast<char16_t>(u'0' + v % 10));
    v /= 10;
  } while (v);
  while (static_cast<int>(s.size()) < width) s.insert(s.begin(), u'0');
  return s;
}

// 0 = Sunday.
int DayOfWeek(const SYSTEMTIME& st) {
  std::int64_t days = DaysFromCivil(st.wYear, st.wMonth, st.wDay);  // days since 1970-01-01 (a Thursday)
  return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

}  // namespace

std::u16string FormatDatePicture(const LocaleData& t, std::u16string_view picture, const SYSTEMTIME& st) {
  std::vector<Run> runs = Tokenize(picture, u"dMyg");
  bool hasDayNumber = false;
  for (const Run& r : runs) hasDayNumber = hasDayNumber || (r.letter == u'd' && r.count <= 2);
  int tableDay = (DayOfWeek(st) + 6) % 7;  // the tables start on Monday
  int month = st.wMonth - 1;
  std::u16string result;
  for (const Run& r : runs) {
    switch (r.letter) {
      case 0:
        result += r.text;
        break;
      case u'd':
        if (r.count <= 2) result += Number(st.wDay, r.count);
        else if (r.count == 3) result += t.abbrevDays[tableDay];
        else result += t.days[tableDay];
        break;
      case u'M':
        if (r.count <= 2) result += Number(st.wMonth, r.count);
        else if (r.count == 3) result += hasDayNumber ? t.genitiveAbbrevMonths[month] : t.abbrevMonths[month];
        else result += hasDayNumber ? t.genitiveMonths[month] : t.months[month];
        break;
      case u'y':
        if (r.count <= 2) result += Number(st.wYear % 100, r.count);
        else result += Number(st.wYear, 1);
        break;
      case u'g':
        result += u"A.D.";
        break;
    }
  }
  return result;
}

std::u16string FormatTimePicture(const LocaleData& t, std::u16string_view picture, const SYSTEMTIME& st, DWORD flags) {
  std::vector<Run> runs = Tokenize(picture, u"hHmst");
  // Dropped fields take the separator text before them with them (or the
  // text after them when they come first).
  auto dropped = [&](char16_t letter) {
    if ((letter == u'm' || letter == u's') && (flags & kTimeNoMinutesOrSeconds)) return true;
    if (letter == u's' && (flags & kTimeNoSeconds)) return true;
    if (letter == u't' && (flags & kTimeNoTimeMarker)) return true;
    return false;
  };
  std::vector<Run> kept;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (runs[i].letter && dropped(runs[i].letter)) {
      if (!kept.empty() && kept.back().letter == 0) kept.pop_back();
      else if (kept.empty() && i + 1 < runs.size() && runs[i + 1].letter == 0) ++i;
      continue;
    }
    kept.push_back(runs[i]);
  }
  std::u16string result;
  for (const Run& r : kept) {
    char16_t letter = r.letter;
    if (letter == u'h' && (flags & kTimeForce24Hour)) letter = u'H';
    switch (letter) {
      case 0:
        result += r.text;
        break;
      case u'h': {
        int h = st.wHour % 12;
        result += Number(h == 0 ? 12 : h, r.count >= 2 ? 2 : 1);
        break;
      }
      case u'H':
        result += Number(st.wHour, r.count >= 2 ? 2 : 1);
        break;
      case u'm':
        result += Number(st.wMinute, r.count >= 2 ? 2 : 1);
        break;
      case u's':
        result += Number(st.wSecond, r.count >= 2 ? 2 : 1);
        break;
      case u't': {
        const std::u16string& marker = st.wHour < 12 ? t.am : t.pm;
        result += r.count >= 2 ? marker : marker.substr(0, 1);
        break;
      }
    }
  }
  return result;
}

PictureTraits TraitsOf(std::u16string_view picture) {
  PictureTraits p;
  bool sawHour = false;
  for (const Run& r : Tokenize(picture, u"dMyhHt")) {
    switch (r.letter) {
      case u'd':
        if (r.count <= 2) {
          if (p.dateOrder.find(u'd') == std::u16string::npos) p.dateOrder += u'd';
          p.dayLeadingZero = r.count == 2;
        }
        break;
      case u'M':
        if (p.dateOrder.find(u'M') == std::u16string::npos) p.dateOrder += u'M';
        p.monthLeadingZero = r.count == 2;
        break;
      case u'y':
        if (p.dateOrder.find(u'y') == std::u16string::npos) p.dateOrder += u'y';
        p.fourDigitYear = r.count >= 3;
        break;
      case u'h':
      case u'H':
        sawHour = true;
        p.hours24 = r.letter == u'H';
        p.hourLeadingZero = r.count >= 2;
        break;
      case u't':
        if (!sawHour) p.markerFirst = true;
        break;
    }
  }
  return p;
}

}  // namespace pv
