#include "toolkit/controls/datepickerpaintmanager.h"

#include <algorithm>

#include "platform/gdi/syscolors.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/resourcemanager.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/common/winthemewrapper.h"
#include "toolkit/controls/datepickercontrol.h"
#include "toolkit/controls/datepickerlocale.h"
#include "toolkit/controls/datepickermonth.h"
#include "toolkit/controls/datepickerres.h"

namespace {

// Visual-style part and states of a push button.
constexpr int kPartPushButton = 1;
constexpr int kStateNormal = 1, kStateHot = 2, kStatePressed = 3;

COLORREF SysColor(int index) { return GetColorManager()->GetColor(index); }

void RecreateFont(CFont& font, const LOGFONT& lf) {
  font.DeleteObject();
  font.CreateFontIndirect(&lf);
}

}  // namespace

CTKDatePickerPaintManager::CTKDatePickerPaintManager() {
  m_themeButton = new CTKWinThemeWrapper();
  LOGFONT lf{};
  CTKDrawHelpers::GetIconLogFont(&lf);
  SetFont(&lf);
  RefreshMetrics();
  m_hWeekCursor = GetResourceManager()->LoadCursor(TK_IDC_DATEPICKER_WEEK);
}

CTKDatePickerPaintManager::~CTKDatePickerPaintManager() {
  delete m_themeButton;
  for (CFont* f : {&m_fontDay, &m_fontDayBold, &m_fontNonMonthDay, &m_fontHeader, &m_fontDayName, &m_fontWeekNumber,
                   &m_fontList, &m_fontButton})
    f->DeleteObject();
}

void CTKDatePickerPaintManager::SetFont(LOGFONT* logFont) {
  if (!logFont) return;
  for (CFont* f : {&m_fontDay, &m_fontNonMonthDay, &m_fontHeader, &m_fontDayName, &m_fontList, &m_fontButton})
    RecreateFont(*f, *logFont);
  LOGFONT bold = *logFont;
  bold.lfWeight = FW_BOLD;
  RecreateFont(m_fontDayBold, bold);
  logFont->lfHeight = logFont->lfHeight - logFont->lfHeight / 3;
  RecreateFont(m_fontWeekNumber, *logFont);
}

void CTKDatePickerPaintManager::EnableTheme(BOOL enable) {
  m_bUseVisualStyles = enable;
  RefreshMetrics();
}

void CTKDatePickerPaintManager::RefreshMetrics() {
  RefreshColorManager();
  m_clr3DLight = SysColor(COLOR_BTNHIGHLIGHT);
  m_clr3DText = SysColor(COLOR_BTNTEXT);
  m_clr3DShadow = SysColor(COLOR_BTNSHADOW);
  m_clr3DFace = SysColor(COLOR_BTNFACE);
  m_clrButtonFace.SetStandardValue(m_clr3DFace);
  m_clrButtonText.SetStandardValue(m_clr3DText);

  m_clrControlBack.SetStandardValue(SysColor(COLOR_WINDOW));
  m_clrDayBack.SetStandardValue(m_clrControlBack);
  m_clrDayText.SetStandardValue(SysColor(COLOR_WINDOWTEXT));
  m_clrNonMonthDayBack.SetStandardValue(m_clrDayBack);
  m_clrSelectedDayBack.SetStandardValue(SysColor(36));
  m_clrSelectedDayText.SetStandardValue(m_clrDayText);
  m_clrBorder = SysColor(57);
  m_clrMonthHeaderBack.SetStandardValue(m_clr3DFace);
  m_clrMonthHeaderText.SetStandardValue(m_clrDayText);
  m_clrDaysOfWeekText.SetStandardValue(m_clrDayText);
  m_clrWeekNumbersText.SetStandardValue(m_clrDayText);
  m_clrDaysOfWeekBack.SetStandardValue(m_clrDayBack);
  m_clrWeekNumbersBack.SetStandardValue(m_clrDayBack);
  m_clrListControlBack.SetStandardValue(SysColor(COLOR_WINDOW));
  m_clrListControlText.SetStandardValue(SysColor(COLOR_WINDOWTEXT));
  m_clrTodayFrame.SetStandardValue(SysColor(COLOR_HIGHLIGHT));
  m_clrNonMonthDayText.SetStandardValue(m_clr3DShadow);
  m_clrSeparator.SetStandardValue(m_clr3DShadow);
  m_clrArrow.SetStandardValue(m_clr3DText);

  m_themeButton->CloseThemeData();
  CTKColorManager* colors = GetColorManager();
  if (m_bUseVisualStyles && m_nPaintTheme >= 2 && !colors->IsLunaColorsDisabled()) {
    const int theme = colors->GetCurrentTheme();
    if (theme >= CTKColorManager::tkThemeLunaBlue && theme <= CTKColorManager::tkThemeAero) {
      if (theme == CTKColorManager::tkThemeLunaOlive) m_clrMonthHeaderBack.SetStandardValue(0xA7D9D9);
      else if (theme == CTKColorManager::tkThemeLunaSilver) m_clrMonthHeaderBack.SetStandardValue(0xE5D7D7);
      else m_clrMonthHeaderBack.SetStandardValue(0xF5BE9E);
      m_clrSelectedDayBack.SetStandardValue(0x94E6FB);
      m_clrTodayFrame.SetStandardValue(0x0355BB);
      m_themeButton->OpenThemeData(nullptr, u"BUTTON");
    }
  }
  if (m_nPaintTheme < 2) {
    m_clrSelectedDayBack.SetStandardValue(m_clr3DFace);
    m_clrSelectedDayText.SetStandardValue(m_clr3DText);
    m_clrTodayFrame.SetStandardValue(0x000082);
  }
}

BOOL CTKDatePickerPaintManager::IsThemed() const {
  return m_themeButton->GetThemeHandle() != nullptr && m_themeButton->IsAppThemed();
}

COLORREF CTKDatePickerPaintManager::GetBackgroundColor() { return m_clrControlBack; }
COLORREF CTKDatePickerPaintManager::GetDayBackColor() { return m_clrDayBack; }
COLORREF CTKDatePickerPaintManager::GetDayTextColor() { return m_clrDayText; }
CFont* CTKDatePickerPaintManager::GetDayFont() { return &m_fontDay; }
CFont* CTKDatePickerPaintManager::GetDayFontBold() { return &m_fontDayBold; }
COLORREF CTKDatePickerPaintManager::GetNonMonthDayBackColor() { return m_clrNonMonthDayBack; }
COLORREF CTKDatePickerPaintManager::GetNonMonthDayTextColor() { return m_clrNonMonthDayText; }
COLORREF CTKDatePickerPaintManager::GetSelectedDayBackColor() { return m_clrSelectedDayBack; }
COLORREF CTKDatePickerPaintManager::GetSelectedDayTextColor() { return m_clrSelectedDayText; }
COLORREF CTKDatePickerPaintManager::GetHeaderBackColor() { return m_clrMonthHeaderBack; }
COLORREF CTKDatePickerPaintManager::GetHeaderTextColor() { return m_clrMonthHeaderText; }
COLORREF CTKDatePickerPaintManager::GetDayNameBackColor() { return m_clrDaysOfWeekBack; }
COLORREF CTKDatePickerPaintManager::GetDayNameTextColor() { return m_clrDaysOfWeekText; }
COLORREF CTKDatePickerPaintManager::GetWeekNumberBackColor() { return m_clrWeekNumbersBack; }
COLORREF CTKDatePickerPaintManager::GetWeekNumberTextColor() { return m_clrWeekNumbersText; }
COLORREF CTKDatePickerPaintManager::GetListBackColor() { return m_clrListControlBack; }
COLORREF CTKDatePickerPaintManager::GetListTextColor() { return m_clrListControlText; }
COLORREF CTKDatePickerPaintManager::GetTodayFrameColor() { return m_clrTodayFrame; }
HCURSOR CTKDatePickerPaintManager::GetWeekCursor() { return m_hWeekCursor; }

void CTKDatePickerPaintManager::DrawBackground(CDC* dc, CRect rect) { dc->FillSolidRect(rect, GetBackgroundColor()); }

void CTKDatePickerPaintManager::DrawBorder(CDC* dc, const CTKDatePickerControl* control, CRect& rect, BOOL draw) {
  const int style = control ? control->GetBorderStyle() : 0;
  const BOOL themed = IsThemed();
  if (!draw || !dc) {
    int width = 0;
    if (style == 1) width = 4;
    else if (style == 2) width = themed ? 1 : 3;
    else if (style == 3) width = 1;
    rect.DeflateRect(width, width);
    return;
  }
  const int x = rect.left, y = rect.top, w = rect.Width(), h = rect.Height();
  const COLORREF back = m_clrControlBack;
  if (style == 3 || (style == 2 && themed)) {
    dc->Draw3dRect(x, y, w, h, m_clrBorder, m_clrBorder);
  } else if (style == 1 || style == 2) {
    dc->Draw3dRect(x, y, w, h, m_clr3DFace, m_clr3DText);
    dc->Draw3dRect(x + 1, y + 1, w - 2, h - 2, back, m_clr3DShadow);
    dc->Draw3dRect(x + 2, y + 2, w - 4, h - 4, m_clr3DFace, m_clr3DFace);
    if (style == 1) dc->Draw3dRect(x + 3, y + 3, w - 6, h - 6, m_clr3DShadow, back);
  }
}

void CTKDatePickerPaintManager::DrawTriangle(CDC* dc, int x1, int y1, int x2, int y2, int x3, int y3, COLORREF color) {
  CTKDrawHelpers::Triangle(dc, CPoint(x1, y1), CPoint(x2, y2), CPoint(x3, y3), color);
}

void CTKDatePickerPaintManager::DrawScrollTriangle(CDC* dc, int left, int top, int right, int bottom, BOOL pointsLeft,
                                                   COLORREF color, BOOL twoSteps) {
  const int cx = (left + right) / 2, cy = (top + bottom) / 2;
  if (pointsLeft) {
    if (!twoSteps) {
      DrawTriangle(dc, cx, cy, cx + 4, cy - 4, cx + 4, cy + 4, color);
    } else {
      DrawTriangle(dc, cx - 8, cy, cx - 4, cy - 4, cx - 4, cy + 4, color);
      DrawTriangle(dc, cx + 4, cy, cx + 8, cy - 4, cx + 8, cy + 4, color);
      DrawTriangle(dc, cx, cy, cx + 4, cy - 4, cx + 4, cy + 4, color);
    }
  } else {
    if (!twoSteps) {
      DrawTriangle(dc, cx, cy, cx - 4, cy - 4, cx - 4, cy + 4, color);
    } else {
      DrawTriangle(dc, cx + 8, cy, cx + 4, cy - 4, cx + 4, cy + 4, color);
      DrawTriangle(dc, cx - 4, cy, cx - 8, cy - 4, cx - 8, cy + 4, color);
      DrawTriangle(dc, cx, cy, cx - 4, cy - 4, cx - 4, cy + 4, color);
    }
  }
}

// ---- measurements ----------------------------------------------------------------------------------
CSize CTKDatePickerPaintManager::GetDayCellSize(CDC* dc) {
  CTKFontDC font(dc, &m_fontDay);
  CSize size = dc->GetTextExtent(u"30", 2);
  return CSize(size.cx + m_nCellMarginX, size.cy + m_nCellMarginY);
}

CSize CTKDatePickerPaintManager::GetHeaderSize(CDC* dc) {
  CTKFontDC font(dc, &m_fontHeader);
  CSize size = dc->GetTextExtent(u" ", 1);
  return CSize(size.cx, size.cy + 4);
}

CSize CTKDatePickerPaintManager::GetDayNameSize(CDC* dc) {
  CTKFontDC font(dc, &m_fontDayName);
  CSize size = dc->GetTextExtent(u" ", 1);
  return CSize(size.cx, size.cy + 5);
}

CSize CTKDatePickerPaintManager::GetWeekNumberSize(CDC* dc) {
  CTKFontDC font(dc, &m_fontWeekNumber);
  CSize size = dc->GetTextExtent(u"88", 2);
  return CSize(size.cx + 8, size.cy);
}

CSize CTKDatePickerPaintManager::GetMonthSize(CDC* dc) {
  const CSize cell = GetDayCellSize(dc);
  const CSize week = GetWeekNumberSize(dc);
  return CSize(7 * cell.cx + 2 * week.cx, GetHeaderSize(dc).cy + 6 * cell.cy + GetDayNameSize(dc).cy);
}

// ---- drawing ------------------------------------------------------------------------------------------
void CTKDatePickerPaintManager::DrawButton(CDC* dc, CRect rect, const CString& caption, BOOL pressed, BOOL hot) {
  dc->SetBkMode(TRANSPARENT);
  CRect text = rect;
  text.DeflateRect(1, 1);
  if (IsThemed() && m_nPaintTheme > 1) {
    const int state = pressed ? kStatePressed : hot ? kStateHot : kStateNormal;
    m_themeButton->DrawThemeBackground(dc->GetSafeHdc(), kPartPushButton, state, &rect, nullptr);
  } else {
    dc->FillSolidRect(rect, m_clrButtonFace);
    if (pressed) {
      dc->Draw3dRect(rect, m_clr3DText, m_clrButtonFace);
      dc->Draw3dRect(text, m_clr3DShadow, m_clr3DLight);
    } else {
      dc->Draw3dRect(rect, m_clrButtonFace, m_clr3DText);
      dc->Draw3dRect(text, m_clr3DLight, m_clr3DShadow);
    }
  }
  if (!caption.IsEmpty()) {
    CTKFontDC font(dc, &m_fontButton, m_clrButtonText);
    dc->DrawText(caption, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

BOOL CTKDatePickerPaintManager::DrawDay(CDC* dc, CTKDatePickerItemDay* day) {
  if (!dc || !day) return FALSE;
  CTKDatePickerItemMonth* month = day->GetMonth();
  CTKDatePickerControl* control = day->GetControl();
  if (!month || !control) return FALSE;
  const COleDateTime& date = day->GetDate();
  if (date.GetStatus() != COleDateTime::valid) return FALSE;  // past the calendar's last day
  const COleDateTime& monthDate = month->GetMonth();
  const bool leading = date.GetYear() < monthDate.GetYear() ||
                       (date.GetYear() == monthDate.GetYear() && date.GetMonth() < monthDate.GetMonth());
  const bool trailing = date.GetYear() > monthDate.GetYear() ||
                        (date.GetYear() == monthDate.GetYear() && date.GetMonth() > monthDate.GetMonth());
  if ((leading && !month->m_bShowDaysBefore) || (trailing && !month->m_bShowDaysAfter)) return FALSE;

  TK_DAYITEM_METRICS* metrics = new TK_DAYITEM_METRICS;
  if (leading || trailing) {
    metrics->clrBackground = GetNonMonthDayBackColor();
    metrics->clrForeground = GetNonMonthDayTextColor();
    metrics->SetFont(&m_fontNonMonthDay);
  } else {
    metrics->clrBackground = GetDayBackColor();
    metrics->clrForeground = GetDayTextColor();
    metrics->SetFont(&m_fontDay);
  }
  control->GetDayMetrics(&date, metrics);
  if (control->IsSelected(date)) {
    metrics->clrBackground = GetSelectedDayBackColor();
    metrics->clrForeground = GetSelectedDayTextColor();
  }

  CRect rect = day->GetRect();
  dc->SetBkMode(TRANSPARENT);
  dc->FillSolidRect(rect, metrics->clrBackground);
  {
    CTKFontDC font(dc, &metrics->fntText, metrics->clrForeground);
    CString text;
    text.Format(u"%i", date.GetDay());
    dc->DrawText(text, rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
  }
  const BOOL today = day->IsToday(date);
  if (control->GetHighlightToday() && today) {
    CBrush brush;
    brush.CreateSolidBrush(GetTodayFrameColor());
    dc->FrameRect(rect, &brush);
  }
  if (control->IsFocused(date) && ::GetFocus() == control->GetSafeHwnd()) {
    if (today) {
      CPen pen;
      pen.CreatePen(PS_DOT, 1, GetTodayFrameColor() ^ 0x8080FF);
      CTKPenDC penDC(dc, &pen);
      dc->MoveTo(rect.left, rect.top);
      dc->LineTo(rect.right - 1, rect.top);
      dc->LineTo(rect.right - 1, rect.bottom - 1);
      dc->LineTo(rect.left, rect.bottom - 1);
      dc->LineTo(rect.left, rect.top);
    } else {
      dc->SetTextColor(RGB(0, 0, 0));
      dc->SetBkColor(RGB(255, 255, 255));
      dc->DrawFocusRect(rect);
    }
  }
  metrics->InternalRelease();
  return TRUE;
}

void CTKDatePickerPaintManager::DrawMonthHeader(CDC* dc, CTKDatePickerItemMonth* month) {
  if (!month || month->m_rcHeader.IsRectEmpty()) return;
  CTKDatePickerControl* control = month->m_pControl;
  CRect client;
  control->GetClientRect(&client);
  DrawBorder(nullptr, control, client, FALSE);
  CRect band(month->m_rcMonth.left, month->m_rcMonth.top, month->m_rcMonth.right, month->m_rcHeader.bottom);
  if (m_nPaintTheme != 0) {
    dc->FillSolidRect(band, GetHeaderBackColor());
  } else {
    // The classic header: bands joined across the columns with separators.
    if (month->m_nColumn == 0) band.left = client.left + 1;
    if (month->m_nColumn == control->GetCols() - 1) band.right = client.right;
    else band.right += 2;
    dc->FillSolidRect(band, GetHeaderBackColor());
    dc->FillSolidRect(band.left - 1, band.bottom - 1, band.Width() + 1, 1, m_clr3DShadow);
    if (month->m_nColumn != control->GetCols() - 1) {
      dc->FillSolidRect(CRect(band.right - 4, band.top + 1, band.right - 3, band.bottom - 2), m_clr3DShadow);
      dc->FillSolidRect(CRect(band.right - 3, band.top + 1, band.right - 2, band.bottom - 2), m_clrControlBack);
    } else {
      dc->FillSolidRect(CRect(band.right - 1, band.top - 1, band.right, band.bottom), m_clr3DShadow);
    }
  }
  dc->SetBkColor(GetHeaderBackColor());
  CString title;
  const CString format = control->GetYearMonthFormat();
  if (!format.IsEmpty()) title = CTKCalendarLocale::FormatDateWithFormat(month->GetMonth(), format);
  else
    title.Format(u"%s %d", control->GetMonthName(month->GetMonth().GetMonth()).GetString(),
                 month->GetMonth().GetYear());
  {
    CTKFontDC font(dc, &m_fontHeader, GetHeaderTextColor());
    CRect header = month->m_rcHeader;
    dc->DrawText(title, header, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  const CRect& l = month->m_rcLeftScroll;
  if (!l.IsRectEmpty() && month->m_bShowLeftScroll)
    DrawScrollTriangle(dc, l.left, l.top, l.right, l.bottom, TRUE, m_clrArrow, control->GetYearArrows());
  const CRect& r = month->m_rcRightScroll;
  if (!r.IsRectEmpty() && month->m_bShowRightScroll)
    DrawScrollTriangle(dc, r.left, r.top, r.right, r.bottom, FALSE, m_clrArrow, control->GetYearArrows());
}

void CTKDatePickerPaintManager::DrawDaysOfWeek(CDC* dc, CTKDatePickerItemMonth* month) {
  if (!month || month->m_rcDaysOfWeek.IsRectEmpty()) return;
  CTKDatePickerControl* control = month->m_pControl;
  const CRect row = month->m_rcDaysOfWeek;
  dc->FillSolidRect(row, GetDayNameBackColor());
  dc->SetBkColor(GetDayNameBackColor());
  CTKFontDC font(dc, &m_fontDayName, GetDayNameTextColor());
  const int x2 = dc->GetTextExtent(u"XX", 2).cx;
  int wide = 0;
  for (int d = 1; d <= 7; ++d)
    wide = std::max(wide, static_cast<int>(dc->GetTextExtent(control->GetDayOfWeekName(d)).cx));
  wide += 4;
  for (int i = 0; i < 7; ++i) {
    CTKDatePickerItemDay* cell = month->GetDay(i);
    if (!cell) continue;
    CRect text(cell->GetRect().left, row.top, cell->GetRect().right, row.bottom - 2);
    CString name = control->GetDayOfWeekName(cell->GetDate().GetDayOfWeek());
    const int width = text.Width();
    if (width < wide) name = width < x2 + 4 ? name.Left(1) : name.Left(2);
    dc->DrawText(name, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  CTKDatePickerItemDay* seventh = month->GetDay(6);
  if (seventh)
    dc->FillSolidRect(CRect(month->m_rcWeekNumbers.right - 1, row.bottom - 2, seventh->GetRect().right, row.bottom - 1),
                      m_clrSeparator);
}

int CTKDatePickerPaintManager::GetWeekNumber(const COleDateTime& rowEnd, int firstWeekOfYear) {
  const COleDateTime moved = rowEnd - COleDateTimeSpan(firstWeekOfYear - 1, 0, 0, 0);
  return (moved.GetDayOfYear() - 1) / 7 + 1;
}

void CTKDatePickerPaintManager::DrawWeekNumbers(CDC* dc, CTKDatePickerItemMonth* month) {
  if (!month) return;
  CTKDatePickerControl* control = month->m_pControl;
  const CRect column = month->m_rcWeekNumbers;
  if (!control->GetShowWeekNumbers() || column.IsRectEmpty()) return;
  dc->FillSolidRect(column, GetWeekNumberBackColor());
  dc->SetBkColor(GetWeekNumberBackColor());
  int lastBottom = -1;
  {
    CTKFontDC font(dc, &m_fontWeekNumber, GetWeekNumberTextColor());
    for (int i = 0; i < 6; ++i) {
      CTKDatePickerItemDay* first = month->GetDay(i * 7);
      CTKDatePickerItemDay* last = month->GetDay(i * 7 + 6);
      // The week of 31 December 9999 ends on its last real day.
      for (int k = 5; last && last->GetDate().GetStatus() != COleDateTime::valid && k >= 0; --k)
        last = month->GetDay(i * 7 + k);
      if (!first || !last || last->GetDate().GetStatus() != COleDateTime::valid || (!first->IsVisible() && i >= 4))
        continue;
      const int number = GetWeekNumber(last->GetDate(), control->GetFirstWeekOfYear());
      CString text;
      text.Format(u"%d", number);
      CRect rect(column.left, first->GetRect().top, column.right - 3, first->GetRect().bottom);
      dc->DrawText(text, rect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
      lastBottom = first->GetRect().bottom;
    }
  }
  const int bottom = lastBottom >= 0 ? lastBottom - 1 : column.bottom;
  dc->FillSolidRect(CRect(column.right - 1, column.top - 1, column.right, bottom), m_clrSeparator);
}
