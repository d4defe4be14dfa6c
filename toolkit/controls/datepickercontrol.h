// The date picker: a window showing a grid of whole months with Today and
// None buttons under it. Days are selected with the mouse (a day, a dragged
// range, whole weeks from the week-number column, several ranges with Ctrl)
// or the keyboard; the arrows in the month headers scroll, a press on a
// month title opens the month list. It runs as a child window or as a modal
// pop-up (GoModal). Every happening is told twice: as an event of its
// notify connection, then as WM_NOTIFY to the owner.
#pragma once

#include <string>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/base/oledatetime.h"
#include "platform/framework/afx.h"
#include "toolkit/common/notifyconnection.h"

class CTKDatePickerPaintManager;
class CTKDatePickerItemMonth;
class CTKDatePickerItemDay;
class CTKDatePickerDaysCollection;
class CTKDatePickerList;
class CTKDatePickerControl;

// The hit-test record of the platform's month calendar.
struct MCHITTESTINFO {
  UINT cbSize;
  POINT pt;
  UINT uHit;
  SYSTEMTIME st;
};
using PMCHITTESTINFO = MCHITTESTINFO*;
#define MCHT_TITLE 0x00010000
#define MCHT_CALENDAR 0x00020000
#define MCHT_TODAYLINK 0x00030000
#define MCHT_NEXT 0x01000000
#define MCHT_PREV 0x02000000
#define MCHT_NOWHERE 0x00000000
#define MCHT_TITLEBK (MCHT_TITLE)
#define MCHT_TITLEMONTH (MCHT_TITLE | 0x0001)
#define MCHT_TITLEYEAR (MCHT_TITLE | 0x0002)
#define MCHT_TITLEBTNNEXT (MCHT_TITLE | MCHT_NEXT | 0x0003)
#define MCHT_TITLEBTNPREV (MCHT_TITLE | MCHT_PREV | 0x0003)
#define MCHT_CALENDARBK (MCHT_CALENDAR)
#define MCHT_CALENDARDATE (MCHT_CALENDAR | 0x0001)
#define MCHT_CALENDARDATENEXT (MCHT_CALENDARDATE | MCHT_NEXT)
#define MCHT_CALENDARDATEPREV (MCHT_CALENDARDATE | MCHT_PREV)
#define MCHT_CALENDARDAY (MCHT_CALENDAR | 0x0002)
#define MCHT_CALENDARWEEKNUM (MCHT_CALENDAR | 0x0003)

// Events of the control's notify connection.
constexpr UINT TK_DPEVENT_BUTTONCLICK = 10704;  // wParam: button id
constexpr UINT TK_DPEVENT_SELCHANGED = 10705;
constexpr UINT TK_DPEVENT_MODALSTART = 10706;
constexpr UINT TK_DPEVENT_MOUSEMOVE = 10707;  // wParam: MAKELONG(x, y)
constexpr UINT TK_DPEVENT_POPULATED = 10708;
constexpr UINT TK_DPEVENT_DAYMETRICS = 10709;  // wParam: whole day, lParam: TK_DAYITEM_METRICS*
// WM_NOTIFY codes to the owner.
constexpr int TK_DPNOTIFY_BUTTONCLICK = -50;  // TK_NMHDR_DPBUTTON
constexpr int TK_DPNOTIFY_SELCHANGED = -51;
constexpr int TK_DPNOTIFY_MODALSTART = 10706;
constexpr int TK_DPNOTIFY_POPULATED = 10708;

// The repeat timer (held month arrow, open month list).
constexpr UINT_PTR TK_DATEPICKER_TIMERID = 255;

struct TK_NMHDR_DPBUTTON {
  NMHDR hdr;
  int nButton;
};

// Colours and font of one day as it is drawn; owners may change them.
class TK_DAYITEM_METRICS : public CCmdTarget {
 public:
  COLORREF clrForeground = 0;
  COLORREF clrBackground = 0;
  CFont fntText;
  // A new font from the given font's LOGFONT; nothing for null.
  void SetFont(CFont* font);
};

using PFNTKDAYMETRICS = void (*)(CTKDatePickerControl* control, const COleDateTime* date, TK_DAYITEM_METRICS* metrics,
                                 DWORD_PTR data);

class CTKDatePickerButton {
 public:
  CTKDatePickerButton() = default;
  virtual ~CTKDatePickerButton() = default;
  // The caption; when empty, the string resource of the button's id.
  virtual CString GetCaption() const;
  virtual void SetCaption(const WCHAR* caption);

  int m_nID = 0;
  CRect m_rcButton;
  BOOL m_bVisible = TRUE;
  BOOL m_bPressed = FALSE;
  BOOL m_bHighlight = FALSE;
  CString m_strCaption;
};

class CTKDatePickerButtons : public std::vector<CTKDatePickerButton*> {
 public:
  int GetVisibleCount() const;
  CTKDatePickerButton* Find(int id) const;
  CTKDatePickerButton* HitTest(CPoint point) const;
};

class CTKDatePickerControl : public CWnd {
  DECLARE_DYNAMIC(CTKDatePickerControl)
  friend class CTKDatePickerItemMonth;
  friend class CTKDatePickerItemDay;
  friend class CTKDatePickerPaintManager;
  friend class CTKDatePickerList;

 public:
  // Mouse modes.
  enum {
    mouseNothing = 0,
    mouseScrollingLeft = 1,
    mouseScrollingRight = 2,
    mouseSelecting = 3,
    mouseDeselecting = 4,
    mouseTrackingHeaderList = 5
  };

  CTKDatePickerControl();
  ~CTKDatePickerControl() override;

  static BOOL RegisterWindowClass(HINSTANCE instance = nullptr);

  // ---- CWnd ----
  void OnFinalRelease() override;
  void PreSubclassWindow() override;
  BOOL Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
              CCreateContext* context = nullptr) override;

  // ---- the control's own ----
  virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id, CCreateContext* context = nullptr);
  // Runs as a modal pop-up at the rectangle (screen coordinates); TRUE when
  // the loop ended with IDOK. Null parent: the application's main window.
  virtual BOOL GoModal(const RECT& rect, CWnd* parent = nullptr);
  virtual void RedrawNow();
  virtual void SetCallbackDayMetrics(PFNTKDAYMETRICS callback, DWORD_PTR data);
  virtual void GetDayMetrics(const COleDateTime* date, TK_DAYITEM_METRICS* metrics);
  virtual void SetButtonsVisible(BOOL showToday, BOOL showNone);
  virtual BOOL IsTodayButtonVisible();
  virtual BOOL IsNoneButtonVisible();
  virtual void SetLayoutRTL(BOOL rightToLeft);
  virtual void SetShowWeekNumbers(BOOL show);
  virtual void SetGridSize(int rows, int cols, BOOL restrict = FALSE);
  virtual DWORD HitTest(PMCHITTESTINFO info);
  virtual CTKDatePickerItemMonth* HitTestMonth(CPoint point);
  virtual void ScrollLeft(int months = 1);
  virtual void ScrollRight(int months = 1);
  virtual LRESULT SendNotification(int code, NMHDR* header = nullptr);
  virtual BOOL IsSelected(const COleDateTime& date);
  virtual BOOL IsFocused(const COleDateTime& date);
  virtual void ClearFocus();
  virtual void Select(const COleDateTime& date);
  virtual void Deselect(const COleDateTime& date);
  virtual void EnsureVisible(const COleDateTime& date);
  virtual BOOL EnsureSelectionVisible();
  virtual void EnsureFocusVisible();
  virtual BOOL GetSelRange(COleDateTime& first, COleDateTime& last) const;
  virtual BOOL SetSelRange(const COleDateTime& first, const COleDateTime& last);
  virtual BOOL GetMinReqRect(RECT* rect, int rows, int cols);
  virtual BOOL GetMinReqRect(RECT* rect);
  virtual BOOL AutoSize(BOOL redraw = TRUE);
  virtual BOOL GetCurSel(COleDateTime& date) const;
  virtual BOOL SetCurSel(const COleDateTime& date);
  virtual BOOL GetToday(COleDateTime& date) const;
  virtual BOOL SetToday(const COleDateTime& date);
  virtual DWORD GetRange(COleDateTime* minimum, COleDateTime* maximum) const;
  virtual BOOL SetRange(const COleDateTime* minimum, const COleDateTime* maximum);
  virtual BOOL SetRangeByValue(const COleDateTime& minRange, const COleDateTime& maxRange, const COleDateTime& minimum,
                               const COleDateTime& maximum);
  virtual void AddButton(int id);
  virtual void AdjustLayout(CRect rect);
  virtual void RefreshLocale();
  virtual void SendEvent(UINT code, WPARAM wParam = 0, LPARAM lParam = 0);
  virtual void LoadLocaleNames();
  virtual void Populate();
  virtual void RedrawControl(BOOL updateNow = FALSE);
  virtual void ClearMonths();
  virtual void Draw(CDC* dc);
  virtual void DrawButtons(CDC* dc);
  virtual CSize CalcButtonSize(CSize size = CSize(0, 0));
  virtual void PositionButtons();
  virtual void AdjustButtons();
  virtual void UpdateButtonsState(int x, int y);
  virtual void ShowMonthList(CRect headerRect, const COleDateTime& month);
  virtual CSize CalcGridSize(CRect monthArea);
  virtual void CreateMonths();
  virtual LRESULT OnButtonClick(int id);
  virtual BOOL OnSelectionDone();

  // ---- non-virtual ----
  void SetMaxSelCount(int count);
  int GetMaxSelCount() const { return m_nMaxSelectionDays; }
  void SetPaintManager(CTKDatePickerPaintManager* paintManager);
  CTKDatePickerPaintManager* GetPaintManager() const { return m_pPaintManager; }
  CString GetMonthName(int month) const;
  CString GetDayOfWeekName(int dayOfWeek) const;
  CTKDatePickerDaysCollection* GetSelectedDays() const { return m_pSelectedDays; }
  int GetMonthCount() const { return static_cast<int>(m_arrMonthArray.size()); }
  CTKDatePickerItemMonth* GetMonth(int index) const;
  CTKNotifyConnection* GetConnection() const { return m_pConnection; }
  CTKDatePickerList* GetMonthList() const { return m_pListControl; }
  BOOL GetVisibleDays(COleDateTime& first, COleDateTime& last) const;
  int GetMonthRange(COleDateTime& first, COleDateTime& last, BOOL monthsOnly) const;
  void OnResourceImagesChanged(UINT code, WPARAM wParam, LPARAM lParam);

  int GetRows() const { return m_nRows; }
  int GetCols() const { return m_nColumns; }
  COleDateTime GetFirstMonth() const { return m_dtFirstMonth; }
  int GetFirstDayOfWeek() const { return m_nFirstDayOfWeek; }
  void SetFirstDayOfWeek(int day);
  int GetFirstWeekOfYear() const { return m_nFirstWeekOfYear; }
  void SetFirstWeekOfYear(int week) { m_nFirstWeekOfYear = week; }
  BOOL GetShowWeekNumbers() const { return m_bShowWeekNumbers; }
  BOOL GetHighlightToday() const { return m_bHighlightToday; }
  void SetHighlightToday(BOOL on) { m_bHighlightToday = on; }
  BOOL GetShowNonMonthDays() const { return m_bShowNonMonthDays; }
  void SetShowNonMonthDays(BOOL on) {
    m_bShowNonMonthDays = on;
    Populate();
  }
  int GetBorderStyle() const { return m_nBorderStyle; }
  void SetBorderStyle(int style) { m_nBorderStyle = style; }
  int GetScrollStep() const { return m_nMonthDelta; }
  void SetScrollStep(int months) { m_nMonthDelta = months; }
  BOOL IsMultiSelect() const { return m_bMultiSelection; }
  void SetMultiSelect(BOOL on) { m_bMultiSelection = on; }
  BOOL IsMultiSelectionMode() const { return m_bMultiSelectionMode; }
  void SetMultiSelectionMode(BOOL on) { m_bMultiSelectionMode = on; }
  BOOL GetYearArrows() const { return m_bYearsTriangle; }
  void SetYearArrows(BOOL on) { m_bYearsTriangle = on; }
  BOOL GetAutoSize() const { return m_bAutoSize; }
  void SetAutoSize(BOOL on) { m_bAutoSize = on; }
  BOOL IsModal() const { return m_bIsModal; }
  int GetMouseMode() const { return m_mouseMode; }
  BOOL IsDirty() const { return m_bChanged; }
  CString GetYearMonthFormat() const { return m_strYearMonthFormat; }
  BOOL IsLayoutRTL() const { return m_bRightToLeft; }
  CRect GetMonthArea() const { return m_rcGrid; }
  CTKDatePickerButtons& GetButtons() { return m_arrButtons; }
  COleDateTime GetDragAnchor() const { return m_dtFirstClicked; }
  COleDateTime GetDragEnd() const { return m_dtLastClicked; }
  COleDateTime GetFocusDay() const { return m_dtFocused; }
  void SetDeleteOnFinalRelease(BOOL on) { m_bDeleteOnFinalRelease = on; }

#ifndef NDEBUG
  // The first broken invariant (the selection's blocks, real focus and
  // anchor days, rows x columns distinct consecutive months, the month list
  // exactly in its mouse mode), empty when all hold. Debug builds only.
  std::string CheckInvariants() const;
#endif

 protected:
  int OnCreate(LPCREATESTRUCT cs);
  BOOL OnEraseBkgnd(CDC* dc);
  void OnPaint();
  LRESULT OnPrintClient(CDC* dc, UINT flags);
  void OnSize(UINT type, int cx, int cy);
  void OnLButtonDown(UINT flags, CPoint point);
  void OnLButtonDblClk(UINT flags, CPoint point);
  void OnLButtonUp(UINT flags, CPoint point);
  void OnMouseMove(UINT flags, CPoint point);
  void OnMouseLeave();
  void OnCaptureChanged(CWnd* wnd);
  void OnCancelMode();
  void OnTimer(UINT_PTR id);
  void OnTimeChange();
  void OnSysColorChange();
  void OnKeyDown(UINT key, UINT repeat, UINT flags);
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  void OnSetFocus(CWnd* oldWnd);
  void OnKillFocus(CWnd* newWnd);
  void OnEnable(BOOL enable);
  UINT OnGetDlgCode();
  void OnDestroy();
  DECLARE_MESSAGE_MAP()

  // Ends a running modal loop with the code.
  void EndModal(int code);
  void CloseMonthList();
  void ApplyDrag();
  void StartRepeatTimer(UINT elapse);
  void KillRepeatTimer();
  // The keyboard steps.
  void MoveFocusBy(int days, BOOL shift, BOOL ctrl);
  void ApplyKeyboardMove(const COleDateTime& focus, BOOL shift, BOOL ctrl);
  void EnsureFocusDay();

 protected:
  int m_mouseMode = mouseNothing;
  int m_nLockUpdateCount = 0;
  UINT_PTR m_nTimerID = 0;
  CRect m_rcLayout;
  CTKDatePickerPaintManager* m_pPaintManager = nullptr;
  BOOL m_bAutoSize = TRUE;
  BOOL m_bIsModal = FALSE;
  BOOL m_bChanged = TRUE;
  CBitmap m_bmpCache;
  int m_nRows = 1;
  int m_nColumns = 1;
  int m_nRequestedRows = 1;
  int m_nRequestedColumns = 1;
  CTKNotifyConnection* m_pConnection = nullptr;
  COleDateTime m_dtMinRange;
  COleDateTime m_dtMaxRange;
  COleDateTime m_dtToday;
  COleDateTime m_dtFirstMonth;
  int m_nFirstDayOfWeek = 2;
  int m_nFirstWeekOfYear = 1;
  PFNTKDAYMETRICS m_pfnCallback = nullptr;
  DWORD_PTR m_pCallbackParam = 0;
  std::vector<CTKDatePickerItemMonth*> m_arrMonthArray;
  CTKDatePickerDaysCollection* m_pSelectedDays = nullptr;
  BOOL m_bHighlightToday = TRUE;
  BOOL m_bShowWeekNumbers = FALSE;
  BOOL m_bShowNonMonthDays = TRUE;
  int m_nBorderStyle = 1;
  int m_nMaxSelectionDays = -1;
  int m_nMonthDelta = 0;
  // Start null: a Shift+click on a fresh control has no anchor to extend.
  COleDateTime m_dtFirstClicked;
  COleDateTime m_dtLastClicked;
  BOOL m_bSelectWeek = FALSE;
  COleDateTime m_dtFocused;
  COleDateTime m_dtFSelBase;
  CTKDatePickerList* m_pListControl = nullptr;
  CString* m_arMonthNames = nullptr;
  CString* m_arDayOfWeekNames = nullptr;
  CRect m_rcGrid;
  CTKDatePickerButtons m_arrButtons;
  BOOL m_bMultiSelection = TRUE;
  BOOL m_bMultiSelectionMode = FALSE;
  CTKDatePickerButton* m_pButtonCaptured = nullptr;
  BOOL m_bRightToLeft = FALSE;
  LCID m_lcidActiveLocale = 0x0400;
  CTKNotifySink* m_pSink = nullptr;
  BOOL m_bDeleteOnFinalRelease = FALSE;
  BOOL m_bYearsTriangle = FALSE;
  BOOL m_bRestrictMode = FALSE;
  CString m_strYearMonthFormat;
};
