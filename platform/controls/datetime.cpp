// The month calendar and the date-time picker.
//
// The picker shows its value through a format picture (the locale's short
// or long date or time format, or DTM_SETFORMAT) split into fields; the
// keyboard edits one field at a time: Left/Right choose the field, Up/Down
// step it with wrap-around inside its range, digits type it. Whenever the
// month or year changes the day is clamped to the days of the new month
// (31 January + 1 month is 28 or 29 February). Every change the user makes
// sends DTN_DATETIMECHANGE.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/controls/ctl_internal.h"
#include "platform/system/locale.h"

namespace pv::controls {
namespace {

bool Leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysIn(int y, int m) {
  static const int d[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && Leap(y) ? 29 : d[(m - 1 + 12) % 12];
}
// 0 = Sunday.
int DayOfWeek(int y, int m, int d) {
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (m < 3) y -= 1;
  return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}
void Fix(SYSTEMTIME* st) {
  st->wMonth = static_cast<WORD>(std::clamp<int>(st->wMonth, 1, 12));
  st->wYear = static_cast<WORD>(std::clamp<int>(st->wYear, 1601, 9999));
  st->wDay = static_cast<WORD>(std::clamp<int>(st->wDay, 1, DaysIn(st->wYear, st->wMonth)));
  st->wDayOfWeek = static_cast<WORD>(DayOfWeek(st->wYear, st->wMonth, st->wDay));
}
bool ValidDate(const SYSTEMTIME& st) {
  return st.wYear >= 1601 && st.wYear <= 9999 && st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 &&
         st.wDay <= DaysIn(st.wYear, st.wMonth) && st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60;
}
long DateKey(const SYSTEMTIME& st) { return st.wYear * 10000L + st.wMonth * 100L + st.wDay; }

// ======================= month calendar =======================

struct CalState {
  SYSTEMTIME sel{};
  SYSTEMTIME today{};
  bool todaySet = false;
  int viewYear = 0, viewMonth = 0;
  SYSTEMTIME minDate{}, maxDate{};
  DWORD rangeFlags = 0;
  HWND notify = nullptr;  // who hears of changes (the parent, or the picker owning a drop-down)
  HFONT font = nullptr;
  int firstDay = 0;  // 0 = Monday as the locale's first day is not consulted here
};

constexpr int kCellW = 28, kCellH = 18, kTitleH = 24, kHeadH = 18, kTodayH = 18;

LRESULT CalNotify(HWND h, CalState* s, UINT code) {
  NMSELCHANGE nm{};
  nm.stSelStart = nm.stSelEnd = s->sel;
  nm.nmhdr.hwndFrom = h;
  nm.nmhdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(h));
  nm.nmhdr.code = code;
  HWND target = s->notify ? s->notify : ::GetParent(h);
  return target ? ::SendMessage(target, WM_NOTIFY, nm.nmhdr.idFrom, reinterpret_cast<LPARAM>(&nm)) : 0;
}

bool InRange(CalState* s, const SYSTEMTIME& st) {
  if ((s->rangeFlags & GDTR_MIN) && DateKey(st) < DateKey(s->minDate)) return false;
  if ((s->rangeFlags & GDTR_MAX) && DateKey(st) > DateKey(s->maxDate)) return false;
  return true;
}

// Grid origin: the first cell shows this day of the previous/this month.
int FirstCellOffset(CalState* s) {
  int dow = DayOfWeek(s->viewYear, s->viewMonth, 1);  // 0 Sunday
  int first = (s->firstDay + 1) % 7;                  // firstDay 0 = Monday
  int off = (dow - first + 7) % 7;
  return off == 0 ? 7 : off;  // always one row of the previous month, as the classic grid shows
}

bool CellDate(CalState* s, int row, int col, SYSTEMTIME* out) {
  int idx = row * 7 + col - FirstCellOffset(s) + 1;  // day number within the view month
  int y = s->viewYear, m = s->viewMonth;
  while (idx < 1) {
    if (--m < 1) {
      m = 12;
      --y;
    }
    idx += DaysIn(y, m);
  }
  while (idx > DaysIn(y, m)) {
    idx -= DaysIn(y, m);
    if (++m > 12) {
      m = 1;
      ++y;
    }
  }
  *out = SYSTEMTIME{};
  out->wYear = static_cast<WORD>(y);
  out->wMonth = static_cast<WORD>(m);
  out->wDay = static_cast<WORD>(idx);
  Fix(out);
  return m == s->viewMonth;
}

void SelectDay(HWND h, CalState* s, SYSTEMTIME st, bool notify) {
  Fix(&st);
  if (!InRange(s, st)) return;
  bool changed = DateKey(st) != DateKey(s->sel);
  st.wHour = s->sel.wHour;
  st.wMinute = s->sel.wMinute;
  st.wSecond = s->sel.wSecond;
  s->sel = st;
  s->viewYear = st.wYear;
  s->viewMonth = st.wMonth;
  ::InvalidateRect(h, nullptr, TRUE);
  if (notify && changed) CalNotify(h, s, MCN_SELCHANGE);
}

void CalPaint(HWND h, CalState* s) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(h, &ps);
  RECT rc;
  ::GetClientRect(h, &rc);
  ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
  ::SetBkMode(dc, TRANSPARENT);
  RECT title{0, 0, 7 * kCellW, kTitleH};
  ::FillRect(dc, &title, ::GetSysColorBrush(COLOR_ACTIVECAPTION));
  SYSTEMTIME first{};
  first.wYear = static_cast<WORD>(s->viewYear);
  first.wMonth = static_cast<WORD>(s->viewMonth);
  first.wDay = 1;
  WCHAR buf[64] = {};
  ::GetDateFormatW(LOCALE_USER_DEFAULT, 0, &first, u"MMMM yyyy", buf, 64);
  ::SetTextColor(dc, ::GetSysColor(COLOR_CAPTIONTEXT));
  ::DrawText(dc, buf, -1, &title, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  RECT prev{2, 2, 2 + kTitleH - 4, kTitleH - 2}, next{7 * kCellW - kTitleH + 2, 2, 7 * kCellW - 2, kTitleH - 2};
  ::DrawFrameControl(dc, &prev, DFC_SCROLL, DFCS_SCROLLLEFT | DFCS_FLAT);
  ::DrawFrameControl(dc, &next, DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_FLAT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  static const char16_t* names[] = {u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat", u"Sun"};
  for (int c = 0; c < 7; ++c) {
    RECT r{c * kCellW, kTitleH, (c + 1) * kCellW, kTitleH + kHeadH};
    const char16_t* n = names[(c + s->firstDay) % 7];
    ::DrawText(dc, n, 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  for (int row = 0; row < 6; ++row)
    for (int col = 0; col < 7; ++col) {
      SYSTEMTIME d;
      bool inMonth = CellDate(s, row, col, &d);
      RECT r{col * kCellW, kTitleH + kHeadH + row * kCellH, (col + 1) * kCellW, kTitleH + kHeadH + (row + 1) * kCellH};
      bool sel = DateKey(d) == DateKey(s->sel);
      if (sel) ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_HIGHLIGHT));
      ::SetTextColor(dc, ::GetSysColor(sel                        ? COLOR_HIGHLIGHTTEXT
                                       : inMonth && InRange(s, d) ? COLOR_WINDOWTEXT
                                                                  : COLOR_GRAYTEXT));
      WCHAR num[4];
      int n = d.wDay >= 10 ? 2 : 1;
      num[0] = static_cast<WCHAR>(n == 2 ? u'0' + d.wDay / 10 : u'0' + d.wDay);
      num[1] = static_cast<WCHAR>(u'0' + d.wDay % 10);
      ::DrawText(dc, num, n, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      if (!(::GetWindowLong(h, GWL_STYLE) & MCS_NOTODAYCIRCLE) && DateKey(d) == DateKey(s->today)) {
        HBRUSH red = ::CreateSolidBrush(RGB(255, 0, 0));
        ::FrameRect(dc, &r, red);
        ::DeleteObject(red);
      }
    }
  if (!(::GetWindowLong(h, GWL_STYLE) & MCS_NOTODAY)) {
    RECT tr{0, kTitleH + kHeadH + 6 * kCellH, 7 * kCellW, kTitleH + kHeadH + 6 * kCellH + kTodayH};
    WCHAR t[64] = {};
    ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &s->today, nullptr, t, 64);
    std::u16string label = u"Today: ";
    label += t;
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::DrawText(dc, label.c_str(), static_cast<int>(label.size()), &tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  ::SelectObject(dc, old);
  ::EndPaint(h, &ps);
}

void Today(CalState* s) {
  if (s->todaySet) return;
  ::GetLocalTime(&s->today);
}

}  // namespace

LRESULT CALLBACK MonthCalProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = StateOf<CalState>(h);
  if (!s && msg != WM_NCCREATE) return ::DefWindowProc(h, msg, wp, lp);
  switch (msg) {
    case WM_NCCREATE: {
      auto* st = new CalState;
      SetState(h, st);
      ::GetLocalTime(&st->today);
      st->sel = st->today;
      st->viewYear = st->sel.wYear;
      st->viewMonth = st->sel.wMonth;
      return ::DefWindowProc(h, msg, wp, lp);
    }
    case WM_NCDESTROY:
      SetState<CalState>(h, nullptr);
      delete s;
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Today(s);
      CalPaint(h, s);
      return 0;
    case WM_LBUTTONDOWN: {
      if (::GetFocus() != h && !s->notify) ::SetFocus(h);
      int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      if (y < kTitleH) {
        int dir = x < kTitleH ? -1 : x >= 7 * kCellW - kTitleH ? 1 : 0;
        if (dir) {
          SYSTEMTIME st = s->sel;
          int m = st.wMonth + dir, yr = st.wYear;
          if (m < 1) {
            m = 12;
            --yr;
          }
          if (m > 12) {
            m = 1;
            ++yr;
          }
          st.wYear = static_cast<WORD>(yr);
          st.wMonth = static_cast<WORD>(m);
          SelectDay(h, s, st, true);
        }
        return 0;
      }
      int row = (y - kTitleH - kHeadH) / kCellH, col = x / kCellW;
      if (y >= kTitleH + kHeadH && row < 6 && col < 7) {
        SYSTEMTIME d;
        CellDate(s, row, col, &d);
        if (!InRange(s, d)) return 0;
        SelectDay(h, s, d, true);
        CalNotify(h, s, MCN_SELECT);
      } else if (y >= kTitleH + kHeadH + 6 * kCellH && !(::GetWindowLong(h, GWL_STYLE) & MCS_NOTODAY)) {
        Today(s);
        SelectDay(h, s, s->today, true);
        CalNotify(h, s, MCN_SELECT);
      }
      return 0;
    }
    case WM_KEYDOWN: {
      SYSTEMTIME st = s->sel;
      int delta = wp == VK_LEFT ? -1 : wp == VK_RIGHT ? 1 : wp == VK_UP ? -7 : wp == VK_DOWN ? 7 : 0;
      if (wp == VK_RETURN) {
        CalNotify(h, s, MCN_SELECT);
        return 0;
      }
      if (!delta) return 0;
      int d = st.wDay + delta, m = st.wMonth, y = st.wYear;
      while (d < 1) {
        if (--m < 1) {
          m = 12;
          --y;
        }
        d += DaysIn(y, m);
      }
      while (d > DaysIn(y, m)) {
        d -= DaysIn(y, m);
        if (++m > 12) {
          m = 1;
          ++y;
        }
      }
      st.wYear = static_cast<WORD>(y);
      st.wMonth = static_cast<WORD>(m);
      st.wDay = static_cast<WORD>(d);
      SelectDay(h, s, st, true);
      return 0;
    }
    case MCM_GETCURSEL:
      if (!lp) return FALSE;
      *reinterpret_cast<SYSTEMTIME*>(lp) = s->sel;
      return TRUE;
    case MCM_SETCURSEL: {
      if (!lp) return FALSE;
      SYSTEMTIME st = *reinterpret_cast<const SYSTEMTIME*>(lp);
      if (!ValidDate(st) || !InRange(s, st)) return FALSE;
      SelectDay(h, s, st, false);
      s->sel.wHour = st.wHour;
      s->sel.wMinute = st.wMinute;
      s->sel.wSecond = st.wSecond;
      return TRUE;
    }
    case MCM_GETTODAY:
      if (!lp) return FALSE;
      Today(s);
      *reinterpret_cast<SYSTEMTIME*>(lp) = s->today;
      return TRUE;
    case MCM_SETTODAY:
      if (lp) {
        s->today = *reinterpret_cast<const SYSTEMTIME*>(lp);
        s->todaySet = true;
      } else {
        s->todaySet = false;
      }
      ::InvalidateRect(h, nullptr, TRUE);
      return 0;
    case MCM_GETMINREQRECT: {
      auto* r = reinterpret_cast<RECT*>(lp);
      if (!r) return FALSE;
      *r = RECT{0, 0, 7 * kCellW,
                kTitleH + kHeadH + 6 * kCellH + ((::GetWindowLong(h, GWL_STYLE) & MCS_NOTODAY) ? 0 : kTodayH)};
      return TRUE;
    }
    case MCM_SETRANGE: {
      auto* r = reinterpret_cast<const SYSTEMTIME*>(lp);
      s->rangeFlags = static_cast<DWORD>(wp) & (GDTR_MIN | GDTR_MAX);
      if (r && (wp & GDTR_MIN)) s->minDate = r[0];
      if (r && (wp & GDTR_MAX)) s->maxDate = r[1];
      ::InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    }
    case MCM_GETRANGE: {
      auto* r = reinterpret_cast<SYSTEMTIME*>(lp);
      if (r) {
        r[0] = (s->rangeFlags & GDTR_MIN) ? s->minDate : SYSTEMTIME{};
        r[1] = (s->rangeFlags & GDTR_MAX) ? s->maxDate : SYSTEMTIME{};
      }
      return s->rangeFlags;
    }
    case MCM_SETFIRSTDAYOFWEEK: {
      int old = s->firstDay;
      s->firstDay = std::clamp(static_cast<int>(lp), 0, 6);
      ::InvalidateRect(h, nullptr, TRUE);
      return MAKELONG(old, 1);
    }
    case MCM_GETFIRSTDAYOFWEEK:
      return MAKELONG(s->firstDay, 0);
    case WM_USER + 0x7F0:  // the owning picker takes the notifications of its drop-down
      s->notify = reinterpret_cast<HWND>(lp);
      return 0;
    default:
      return ::DefWindowProc(h, msg, wp, lp);
  }
}

// ======================= date-time picker =======================
namespace {

enum class F { Literal, Day, DayName, Month, MonthName, Year2, Year4, Hour12, Hour24, Minute, Second, AmPm };

struct Field {
  F kind;
  int width;  // repeat count of the picture letter
  std::u16string literal;
};

struct DtpState {
  SYSTEMTIME st{};
  bool valid = true;
  std::u16string picture;  // custom format, empty for the style's
  std::vector<Field> fields;
  int current = -1;  // index into fields of the field being edited
  std::u16string typed;
  SYSTEMTIME minDate{}, maxDate{};
  DWORD rangeFlags = 0;
  HWND cal = nullptr;
  HFONT font = nullptr;
  bool focused = false;
};

bool Editable(F k) { return k != F::Literal && k != F::DayName; }

std::vector<Field> Parse(const std::u16string& p) {
  std::vector<Field> out;
  auto lit = [&](std::u16string_view t) {
    if (!out.empty() && out.back().kind == F::Literal) out.back().literal += t;
    else out.push_back(Field{F::Literal, 0, std::u16string(t)});
  };
  for (size_t i = 0; i < p.size();) {
    char16_t c = p[i];
    if (c == u'\'') {
      size_t j = p.find(u'\'', i + 1);
      if (j == std::u16string::npos) j = p.size();
      if (j == i + 1) lit(u"'");
      else lit(std::u16string_view(p).substr(i + 1, j - i - 1));
      i = j + 1;
      continue;
    }
    size_t j = i;
    while (j < p.size() && p[j] == c) ++j;
    int n = static_cast<int>(j - i);
    switch (c) {
      case u'd':
        out.push_back(Field{n >= 3 ? F::DayName : F::Day, n, {}});
        break;
      case u'M':
        out.push_back(Field{n >= 3 ? F::MonthName : F::Month, n, {}});
        break;
      case u'y':
        out.push_back(Field{n >= 3 ? F::Year4 : F::Year2, n, {}});
        break;
      case u'h':
        out.push_back(Field{F::Hour12, n, {}});
        break;
      case u'H':
        out.push_back(Field{F::Hour24, n, {}});
        break;
      case u'm':
        out.push_back(Field{F::Minute, n, {}});
        break;
      case u's':
        out.push_back(Field{F::Second, n, {}});
        break;
      case u't':
        out.push_back(Field{F::AmPm, n, {}});
        break;
      default:
        lit(std::u16string_view(p).substr(i, j - i));
        break;
    }
    i = j;
  }
  return out;
}

std::u16string StylePicture(HWND h) {
  DWORD st = static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE));
  LCTYPE type = LOCALE_SSHORTDATE;
  if ((st & DTS_TIMEFORMAT) == DTS_TIMEFORMAT) type = LOCALE_STIMEFORMAT;
  else if ((st & DTS_SHORTDATECENTURYFORMAT) == DTS_SHORTDATECENTURYFORMAT) type = LOCALE_SSHORTDATE;
  else if (st & DTS_LONGDATEFORMAT) type = LOCALE_SLONGDATE;
  WCHAR buf[128] = {};
  ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buf, 128);
  std::u16string p = buf;
  if ((st & DTS_SHORTDATECENTURYFORMAT) == DTS_SHORTDATECENTURYFORMAT && p.find(u"yyyy") == std::u16string::npos) {
    size_t y = p.find(u"yy");
    if (y != std::u16string::npos) p.replace(y, 2, u"yyyy");
  }
  return p;
}

void Reparse(HWND h, DtpState* s) {
  s->fields = Parse(s->picture.empty() ? StylePicture(h) : s->picture);
  s->current = -1;
  for (size_t i = 0; i < s->fields.size(); ++i)
    if (Editable(s->fields[i].kind)) {
      s->current = static_cast<int>(i);
      break;
    }
}

std::u16string FieldText(DtpState* s, const Field& f) {
  if (f.kind == F::Literal) return f.literal;
  WCHAR buf[64] = {};
  std::u16string pic(static_cast<size_t>(f.width), u' ');
  char16_t letter = u'd';
  switch (f.kind) {
    case F::Day:
    case F::DayName:
      letter = u'd';
      break;
    case F::Month:
    case F::MonthName:
      letter = u'M';
      break;
    case F::Year2:
    case F::Year4:
      letter = u'y';
      break;
    case F::Hour12:
      letter = u'h';
      break;
    case F::Hour24:
      letter = u'H';
      break;
    case F::Minute:
      letter = u'm';
      break;
    case F::Second:
      letter = u's';
      break;
    case F::AmPm:
      letter = u't';
      break;
    default:
      break;
  }
  std::fill(pic.begin(), pic.end(), letter);
  bool time = letter == u'h' || letter == u'H' || letter == u'm' || letter == u's' || letter == u't';
  if (time) ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &s->st, pic.c_str(), buf, 64);
  else ::GetDateFormatW(LOCALE_USER_DEFAULT, 0, &s->st, pic.c_str(), buf, 64);
  return buf;
}

std::u16string Display(DtpState* s) {
  std::u16string out;
  for (auto& f : s->fields) out += FieldText(s, f);
  return out;
}

bool DtpInRange(DtpState* s, const SYSTEMTIME& st) {
  if ((s->rangeFlags & GDTR_MIN) && DateKey(st) < DateKey(s->minDate)) return false;
  if ((s->rangeFlags & GDTR_MAX) && DateKey(st) > DateKey(s->maxDate)) return false;
  return true;
}

void NotifyChange(HWND h, DtpState* s) {
  NMDATETIMECHANGE nm{};
  nm.dwFlags = s->valid ? GDT_VALID : GDT_NONE;
  nm.st = s->st;
  SendNotify(h, DTN_DATETIMECHANGE, &nm.nmhdr);
}

// Applies a new value from the user: range-checked, day clamped, notified.
void UserSet(HWND h, DtpState* s, SYSTEMTIME st) {
  Fix(&st);
  if (!DtpInRange(s, st)) return;
  bool changed = std::memcmp(&st, &s->st, sizeof st) != 0;
  s->st = st;
  ::InvalidateRect(h, nullptr, TRUE);
  if (changed) NotifyChange(h, s);
}

// Steps the current field by delta with wrap-around within its range.
void Step(HWND h, DtpState* s, int delta) {
  if (s->current < 0) return;
  SYSTEMTIME st = s->st;
  auto wrap = [](int v, int lo, int hi) { return lo + ((v - lo) % (hi - lo + 1) + (hi - lo + 1)) % (hi - lo + 1); };
  switch (s->fields[static_cast<size_t>(s->current)].kind) {
    case F::Day:
      st.wDay = static_cast<WORD>(wrap(st.wDay + delta, 1, DaysIn(st.wYear, st.wMonth)));
      break;
    case F::Month:
    case F::MonthName:
      st.wMonth = static_cast<WORD>(wrap(st.wMonth + delta, 1, 12));
      break;
    case F::Year2:
    case F::Year4:
      st.wYear = static_cast<WORD>(std::clamp(st.wYear + delta, 1601, 9999));
      break;
    case F::Hour12:
    case F::Hour24:
      st.wHour = static_cast<WORD>(wrap(st.wHour + delta, 0, 23));
      break;
    case F::Minute:
      st.wMinute = static_cast<WORD>(wrap(st.wMinute + delta, 0, 59));
      break;
    case F::Second:
      st.wSecond = static_cast<WORD>(wrap(st.wSecond + delta, 0, 59));
      break;
    case F::AmPm:
      st.wHour = static_cast<WORD>((st.wHour + 12) % 24);
      break;
    default:
      return;
  }
  UserSet(h, s, st);
}

void MoveField(DtpState* s, int dir) {
  int n = static_cast<int>(s->fields.size());
  for (int i = s->current + dir; i >= 0 && i < n; i += dir)
    if (Editable(s->fields[static_cast<size_t>(i)].kind)) {
      s->current = i;
      break;
    }
  s->typed.clear();
}

// A digit typed into the current field; a full field moves to the next.
void Digit(HWND h, DtpState* s, int d) {
  if (s->current < 0) return;
  F k = s->fields[static_cast<size_t>(s->current)].kind;
  int maxDigits = (k == F::Year4) ? 4 : 2;
  if (k == F::AmPm || k == F::MonthName || k == F::DayName) return;
  s->typed.push_back(static_cast<char16_t>(u'0' + d));
  int v = 0;
  for (char16_t c : s->typed) v = v * 10 + (c - u'0');
  SYSTEMTIME st = s->st;
  bool full = static_cast<int>(s->typed.size()) >= maxDigits;
  switch (k) {
    case F::Day:
      if (v == 0 && !full) return;
      st.wDay = static_cast<WORD>(std::clamp(v, 1, DaysIn(st.wYear, st.wMonth)));
      full = full || v * 10 > DaysIn(st.wYear, st.wMonth);
      break;
    case F::Month:
      if (v == 0 && !full) return;
      st.wMonth = static_cast<WORD>(std::clamp(v, 1, 12));
      full = full || v > 1;
      break;
    case F::Year2:
      st.wYear = static_cast<WORD>((st.wYear / 100) * 100 + v);
      break;
    case F::Year4:
      if (!full) return;  // a year is taken once all four digits are in
      st.wYear = static_cast<WORD>(std::clamp(v, 1601, 9999));
      break;
    case F::Hour12:
    case F::Hour24:
      st.wHour = static_cast<WORD>(std::clamp(v, 0, 23));
      full = full || v > 2;
      break;
    case F::Minute:
      st.wMinute = static_cast<WORD>(std::clamp(v, 0, 59));
      full = full || v > 5;
      break;
    case F::Second:
      st.wSecond = static_cast<WORD>(std::clamp(v, 0, 59));
      full = full || v > 5;
      break;
    default:
      return;
  }
  UserSet(h, s, st);
  if (full) MoveField(s, 1);
}

void CloseCalendar(HWND h, DtpState* s) {
  if (!s->cal) return;
  HWND cal = s->cal;
  s->cal = nullptr;
  if (::GetCapture() == h) ::ReleaseCapture();
  ::DestroyWindow(cal);
  NMHDR hdr{};
  SendNotify(h, DTN_CLOSEUP, &hdr);
}

void OpenCalendar(HWND h, DtpState* s) {
  if (s->cal) return;
  NMHDR hdr{};
  RECT wr;
  ::GetWindowRect(h, &wr);
  s->cal = ::CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, MONTHCAL_CLASS, u"", WS_POPUP | WS_BORDER, wr.left,
                            wr.bottom, 10, 10, h, nullptr, nullptr, nullptr);
  ::SendMessage(s->cal, WM_USER + 0x7F0, 0, reinterpret_cast<LPARAM>(h));
  ::SendMessage(s->cal, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&s->st));
  SYSTEMTIME range[2] = {s->minDate, s->maxDate};
  ::SendMessage(s->cal, MCM_SETRANGE, s->rangeFlags, reinterpret_cast<LPARAM>(range));
  RECT need{};
  ::SendMessage(s->cal, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&need));
  ::SetWindowPos(s->cal, HWND_TOPMOST, wr.left, wr.bottom, need.right + 2, need.bottom + 2,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
  SendNotify(h, DTN_DROPDOWN, &hdr);
}

void DtpPaint(HWND h, DtpState* s) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(h, &ps);
  RECT rc;
  ::GetClientRect(h, &rc);
  ::FillRect(dc, &rc, ::GetSysColorBrush(::IsWindowEnabled(h) ? COLOR_WINDOW : COLOR_BTNFACE));
  DWORD style = static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE));
  HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
  ::SetBkMode(dc, TRANSPARENT);
  int x = 2;
  if (style & DTS_SHOWNONE) {
    RECT cb{2, (rc.bottom - 13) / 2, 15, (rc.bottom - 13) / 2 + 13};
    ::DrawFrameControl(dc, &cb, DFC_BUTTON, DFCS_BUTTONCHECK | (s->valid ? DFCS_CHECKED : 0));
    x = 18;
  }
  ::SetTextColor(dc, ::GetSysColor(s->valid && ::IsWindowEnabled(h) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  for (size_t i = 0; i < s->fields.size(); ++i) {
    std::u16string t = FieldText(s, s->fields[i]);
    SIZE sz{};
    if (!t.empty()) ::GetTextExtentPoint32(dc, t.c_str(), static_cast<int>(t.size()), &sz);
    RECT fr{x, 0, x + sz.cx, rc.bottom};
    if (s->focused && static_cast<int>(i) == s->current && s->valid) {
      ::FillRect(dc, &fr, ::GetSysColorBrush(COLOR_HIGHLIGHT));
      ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    ::DrawText(dc, t.c_str(), static_cast<int>(t.size()), &fr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    ::SetTextColor(dc, ::GetSysColor(s->valid ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    x += sz.cx;
  }
  int bw = ::GetSystemMetrics(SM_CXVSCROLL);
  RECT btn{rc.right - bw, 0, rc.right, rc.bottom};
  if (style & DTS_UPDOWN) {
    RECT up{btn.left, 0, btn.right, rc.bottom / 2}, dn{btn.left, rc.bottom / 2, btn.right, rc.bottom};
    ::DrawFrameControl(dc, &up, DFC_SCROLL, DFCS_SCROLLUP);
    ::DrawFrameControl(dc, &dn, DFC_SCROLL, DFCS_SCROLLDOWN);
  } else {
    ::DrawFrameControl(dc, &btn, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | (s->cal ? DFCS_PUSHED : 0));
  }
  ::SelectObject(dc, old);
  ::EndPaint(h, &ps);
}

}  // namespace

LRESULT CALLBACK DateTimeProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = StateOf<DtpState>(h);
  if (!s && msg != WM_NCCREATE) return ::DefWindowProc(h, msg, wp, lp);
  switch (msg) {
    case WM_NCCREATE: {
      auto* st = new DtpState;
      SetState(h, st);
      ::GetLocalTime(&st->st);
      st->st.wMilliseconds = 0;
      return ::DefWindowProc(h, msg, wp, lp);
    }
    case WM_CREATE:
      Reparse(h, s);
      return 0;
    case WM_DESTROY:
      if (s->cal) {
        ::DestroyWindow(s->cal);
        s->cal = nullptr;
      }
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_NCDESTROY:
      SetState<DtpState>(h, nullptr);
      delete s;
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      return 0;
    case WM_GETTEXT: {
      std::u16string t = s->valid ? Display(s) : u"";
      if (!wp || !lp) return 0;
      size_t n = std::min<size_t>(t.size(), wp - 1);
      std::copy_n(t.begin(), n, reinterpret_cast<LPWSTR>(lp));
      reinterpret_cast<LPWSTR>(lp)[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return s->valid ? static_cast<LRESULT>(Display(s).size()) : 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      DtpPaint(h, s);
      return 0;
    case WM_SETFOCUS:
      s->focused = true;
      ::InvalidateRect(h, nullptr, TRUE);
      {
        NMHDR hdr{};
        SendNotify(h, NM_SETFOCUS, &hdr);
      }
      return 0;
    case WM_KILLFOCUS:
      s->focused = false;
      s->typed.clear();
      ::InvalidateRect(h, nullptr, TRUE);
      {
        NMHDR hdr{};
        SendNotify(h, NM_KILLFOCUS, &hdr);
      }
      return 0;
    case WM_KEYDOWN:
      if (s->cal) {
        if (wp == VK_ESCAPE || wp == VK_F4) CloseCalendar(h, s);
        else if (wp == VK_RETURN) {
          SYSTEMTIME st{};
          ::SendMessage(s->cal, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
          st.wHour = s->st.wHour;
          st.wMinute = s->st.wMinute;
          st.wSecond = s->st.wSecond;
          UserSet(h, s, st);
          CloseCalendar(h, s);
        } else {
          ::SendMessage(s->cal, WM_KEYDOWN, wp, lp);
        }
        return 0;
      }
      switch (wp) {
        case VK_LEFT:
          MoveField(s, -1);
          ::InvalidateRect(h, nullptr, TRUE);
          return 0;
        case VK_RIGHT:
          MoveField(s, 1);
          ::InvalidateRect(h, nullptr, TRUE);
          return 0;
        case VK_UP:
          s->typed.clear();
          if (s->valid) Step(h, s, 1);
          return 0;
        case VK_DOWN:
          s->typed.clear();
          if (s->valid) Step(h, s, -1);
          return 0;
        case VK_HOME:
        case VK_END: {
          s->typed.clear();
          return 0;
        }
        case VK_F4:
          if (!(::GetWindowLong(h, GWL_STYLE) & DTS_UPDOWN)) OpenCalendar(h, s);
          return 0;
        default:
          return 0;
      }
    case WM_SYSKEYDOWN:
      if (wp == VK_DOWN && !(::GetWindowLong(h, GWL_STYLE) & DTS_UPDOWN)) {
        if (s->cal) CloseCalendar(h, s);
        else OpenCalendar(h, s);
        return 0;
      }
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_CHAR:
      if (wp >= u'0' && wp <= u'9' && s->valid) Digit(h, s, static_cast<int>(wp - u'0'));
      else if (wp == u' ' && (::GetWindowLong(h, GWL_STYLE) & DTS_SHOWNONE)) {
        s->valid = !s->valid;
        ::InvalidateRect(h, nullptr, TRUE);
        NotifyChange(h, s);
      }
      return 0;
    case WM_LBUTTONDOWN: {
      if (::GetFocus() != h) ::SetFocus(h);
      RECT rc;
      ::GetClientRect(h, &rc);
      int x = GET_X_LPARAM(lp);
      DWORD style = static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE));
      if ((style & DTS_SHOWNONE) && x < 18) {
        s->valid = !s->valid;
        ::InvalidateRect(h, nullptr, TRUE);
        NotifyChange(h, s);
        return 0;
      }
      if (x >= rc.right - ::GetSystemMetrics(SM_CXVSCROLL)) {
        if (style & DTS_UPDOWN) Step(h, s, GET_Y_LPARAM(lp) < rc.bottom / 2 ? 1 : -1);
        else if (s->cal) CloseCalendar(h, s);
        else OpenCalendar(h, s);
      }
      return 0;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (s->cal && hdr->hwndFrom == s->cal && hdr->code == MCN_SELECT) {
        SYSTEMTIME st = reinterpret_cast<NMSELCHANGE*>(lp)->stSelStart;
        st.wHour = s->st.wHour;
        st.wMinute = s->st.wMinute;
        st.wSecond = s->st.wSecond;
        s->valid = true;
        UserSet(h, s, st);
        CloseCalendar(h, s);
      }
      return 0;
    }
    case DTM_GETSYSTEMTIME:
      if (!lp) return GDT_ERROR;
      *reinterpret_cast<SYSTEMTIME*>(lp) = s->st;
      return s->valid ? GDT_VALID : GDT_NONE;
    case DTM_SETSYSTEMTIME:
      if (wp == GDT_NONE) {
        if (!(::GetWindowLong(h, GWL_STYLE) & DTS_SHOWNONE)) return FALSE;
        s->valid = false;
      } else {
        if (!lp) return FALSE;
        SYSTEMTIME st = *reinterpret_cast<const SYSTEMTIME*>(lp);
        if (!ValidDate(st)) return FALSE;  // a bad date is refused, the value is kept
        st.wDayOfWeek = static_cast<WORD>(DayOfWeek(st.wYear, st.wMonth, st.wDay));
        st.wMilliseconds = 0;
        s->st = st;
        s->valid = true;
      }
      s->typed.clear();
      ::InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    case DTM_SETFORMAT:
      s->picture = lp ? reinterpret_cast<LPCWSTR>(lp) : u"";
      Reparse(h, s);
      ::InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    case DTM_GETMONTHCAL:
      return reinterpret_cast<LRESULT>(s->cal);
    case DTM_CLOSEMONTHCAL:
      CloseCalendar(h, s);
      return 0;
    case DTM_SETRANGE: {
      auto* r = reinterpret_cast<const SYSTEMTIME*>(lp);
      s->rangeFlags = static_cast<DWORD>(wp) & (GDTR_MIN | GDTR_MAX);
      if (r && (wp & GDTR_MIN)) s->minDate = r[0];
      if (r && (wp & GDTR_MAX)) s->maxDate = r[1];
      return TRUE;
    }
    case DTM_GETRANGE: {
      auto* r = reinterpret_cast<SYSTEMTIME*>(lp);
      if (r) {
        r[0] = (s->rangeFlags & GDTR_MIN) ? s->minDate : SYSTEMTIME{};
        r[1] = (s->rangeFlags & GDTR_MAX) ? s->maxDate : SYSTEMTIME{};
      }
      return s->rangeFlags;
    }
    default:
      return ::DefWindowProc(h, msg, wp, lp);
  }
}

}  // namespace pv::controls
