// What a mouse click on a row does: for each button (left, right) and
// event (down, up), which steps the click performs. The control builds one
// set from a scheme number and the mouse dispatch reads it.
#pragma once

#include "platform/base/cmdtarget.h"

class CTKReportBehaviorRowMouseButton : public CCmdTarget {
 public:
  CTKReportBehaviorRowMouseButton(int nButton, int nEvent) : m_nButton(nButton), m_nEvent(nEvent) {}
  // Every setting FALSE.
  void Reset();

  BOOL bFocusRow = FALSE;
  BOOL bFocusRowTemporarily = FALSE;
  BOOL bSelectRow = FALSE;
  BOOL bKeepSelectionIfSelected = FALSE;
  BOOL bKeepFocusIfSelected = FALSE;
  BOOL bKeepSelectionIfModifierAtDown = FALSE;
  BOOL bKeepFocusIfModifierAtDown = FALSE;
  BOOL bKeepSelectionIfModifier = FALSE;
  BOOL bKeepFocusIfModifier = FALSE;
  BOOL bFocusColumn = FALSE;
  BOOL bMakeRowVisible = FALSE;
  BOOL bClick = FALSE;
  BOOL bContextMenu = FALSE;
  BOOL bCheckSelectedRows = FALSE;
  BOOL bStartDrag = FALSE;
  BOOL bStopDrag = FALSE;

  const int m_nButton;  // 1 left, 3 right
  const int m_nEvent;   // 0 down, 1 up
};

class CTKReportBehaviorRowMouse : public CCmdTarget {
 public:
  explicit CTKReportBehaviorRowMouse(int nEvent);
  ~CTKReportBehaviorRowMouse() override;

  CTKReportBehaviorRowMouseButton* Left;
  CTKReportBehaviorRowMouseButton* Right;
};

class CTKReportBehaviorRow : public CCmdTarget {
 public:
  CTKReportBehaviorRow();
  ~CTKReportBehaviorRow() override;

  CTKReportBehaviorRowMouse* MouseDown;
  CTKReportBehaviorRowMouse* MouseUp;
};

class CTKReportBehavior : public CCmdTarget {
 public:
  // The scheme the control uses.
  static constexpr int kSchemeDefault = 0x20000000;

  explicit CTKReportBehavior(int nScheme = kSchemeDefault);
  ~CTKReportBehavior() override;

  // Clears the row part's settings and applies the scheme's.
  void SetScheme(int nScheme);
  int GetScheme() const { return m_nScheme; }
  // The button object the mouse dispatch reads for a button (1 left, 3
  // right) and event (0 down, 1 up).
  CTKReportBehaviorRowMouseButton* GetRowButton(int nButton, int nEvent) const;

  CTKReportBehaviorRow* Row;
  CTKReportBehaviorRow* GroupRow;  // read by nothing; kept all FALSE

 private:
  int m_nScheme;
};
