// The look of the date picker: its colours (following the system colours and
// a few fixed themed colours), fonts and measurements, and the drawing of
// its background, border, month headers with their arrows, day names, days,
// week numbers and push buttons.
#pragma once

#include "platform/framework/afx.h"
#include "toolkit/common/colormanager.h"

class CTKDatePickerControl;
class CTKDatePickerItemMonth;
class CTKDatePickerItemDay;
class CTKWinThemeWrapper;

class CTKDatePickerPaintManager : public CCmdTarget {
 public:
  CTKDatePickerPaintManager();
  ~CTKDatePickerPaintManager() override;

  virtual void RefreshMetrics();
  virtual void DrawBackground(CDC* dc, CRect rect);
  // Without a DC only deflates the rectangle by the border's width.
  virtual void DrawBorder(CDC* dc, const CTKDatePickerControl* control, CRect& rect, BOOL draw);
  virtual void DrawScrollTriangle(CDC* dc, int left, int top, int right, int bottom, BOOL pointsLeft, COLORREF color,
                                  BOOL twoSteps);
  virtual COLORREF GetBackgroundColor();
  virtual COLORREF GetDayBackColor();
  virtual COLORREF GetDayTextColor();
  virtual CFont* GetDayFont();
  virtual CFont* GetDayFontBold();
  virtual COLORREF GetNonMonthDayBackColor();
  virtual COLORREF GetNonMonthDayTextColor();
  virtual COLORREF GetSelectedDayBackColor();
  virtual COLORREF GetSelectedDayTextColor();
  virtual COLORREF GetHeaderBackColor();
  virtual COLORREF GetHeaderTextColor();
  virtual COLORREF GetDayNameBackColor();
  virtual COLORREF GetDayNameTextColor();
  virtual COLORREF GetWeekNumberBackColor();
  virtual COLORREF GetWeekNumberTextColor();
  virtual COLORREF GetListBackColor();
  virtual COLORREF GetListTextColor();
  virtual COLORREF GetTodayFrameColor();
  virtual void DrawButton(CDC* dc, CRect rect, const CString& caption, BOOL pressed, BOOL hot);
  virtual BOOL DrawDay(CDC* dc, CTKDatePickerItemDay* day);
  virtual void DrawMonthHeader(CDC* dc, CTKDatePickerItemMonth* month);
  virtual void DrawWeekNumbers(CDC* dc, CTKDatePickerItemMonth* month);
  virtual void DrawDaysOfWeek(CDC* dc, CTKDatePickerItemMonth* month);
  virtual CSize GetDayCellSize(CDC* dc);
  virtual CSize GetHeaderSize(CDC* dc);
  virtual CSize GetDayNameSize(CDC* dc);
  virtual CSize GetWeekNumberSize(CDC* dc);
  virtual CSize GetMonthSize(CDC* dc);
  virtual void EnableTheme(BOOL enable);
  virtual HCURSOR GetWeekCursor();
  virtual void DrawTriangle(CDC* dc, int x1, int y1, int x2, int y2, int x3, int y3, COLORREF color);

  // All fonts from one LOGFONT; the week-number height h becomes h - h / 3
  // (the change is written into the given structure).
  void SetFont(LOGFONT* logFont);

  // The number shown for a row ending on the date: the week of the year of
  // the date moved back by firstWeekOfYear - 1 days.
  static int GetWeekNumber(const COleDateTime& rowEnd, int firstWeekOfYear);

  int GetPaintTheme() const { return m_nPaintTheme; }
  BOOL IsThemeEnabled() const { return m_bUseVisualStyles; }
  CFont* GetHeaderFont() { return &m_fontHeader; }
  CFont* GetDayNameFont() { return &m_fontDayName; }
  CFont* GetWeekNumberFont() { return &m_fontWeekNumber; }
  CFont* GetListFont() { return &m_fontList; }
  CFont* GetButtonFont() { return &m_fontButton; }
  CFont* GetNonMonthDayFont() { return &m_fontNonMonthDay; }

  int m_nCellMarginX = 6;
  int m_nCellMarginY = 2;
  CTKPaintManagerColor m_clrControlBack;
  CTKPaintManagerColor m_clrTodayFrame;
  CTKPaintManagerColor m_clrSelectedDayBack;
  CTKPaintManagerColor m_clrMonthHeaderBack;
  CTKPaintManagerColor m_clrMonthHeaderText;
  CTKPaintManagerColor m_clrSelectedDayText;
  CTKPaintManagerColor m_clrSeparator;
  CTKPaintManagerColor m_clrArrow;
  CTKPaintManagerColor m_clrDayBack;
  CTKPaintManagerColor m_clrDayText;
  CTKPaintManagerColor m_clrNonMonthDayBack;
  CTKPaintManagerColor m_clrNonMonthDayText;
  CTKPaintManagerColor m_clrDaysOfWeekBack;
  CTKPaintManagerColor m_clrDaysOfWeekText;
  CTKPaintManagerColor m_clrWeekNumbersBack;
  CTKPaintManagerColor m_clrWeekNumbersText;
  CTKPaintManagerColor m_clrButtonText;
  CTKPaintManagerColor m_clrButtonFace;
  CTKPaintManagerColor m_clrListControlBack;
  CTKPaintManagerColor m_clrListControlText;
  COLORREF m_clrBorder = 0;
  COLORREF m_clr3DShadow = 0;
  COLORREF m_clr3DLight = 0;
  COLORREF m_clr3DFace = 0;
  COLORREF m_clr3DText = 0;

 protected:
  BOOL IsThemed() const;

  CFont m_fontDay;
  CFont m_fontDayBold;
  CFont m_fontNonMonthDay;
  CFont m_fontHeader;
  CFont m_fontDayName;
  CFont m_fontWeekNumber;
  CFont m_fontList;
  CFont m_fontButton;
  BOOL m_bUseVisualStyles = TRUE;
  CTKWinThemeWrapper* m_themeButton = nullptr;
  HCURSOR m_hWeekCursor = nullptr;
  int m_nPaintTheme = 2;
};
