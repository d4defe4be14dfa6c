#include "toolkit/report/reportbehavior.h"

void CTKReportBehaviorRowMouseButton::Reset() {
  bFocusRow = bFocusRowTemporarily = bSelectRow = FALSE;
  bKeepSelectionIfSelected = bKeepFocusIfSelected = FALSE;
  bKeepSelectionIfModifierAtDown = bKeepFocusIfModifierAtDown = FALSE;
  bKeepSelectionIfModifier = bKeepFocusIfModifier = FALSE;
  bFocusColumn = bMakeRowVisible = bClick = bContextMenu = FALSE;
  bCheckSelectedRows = bStartDrag = bStopDrag = FALSE;
}

CTKReportBehaviorRowMouse::CTKReportBehaviorRowMouse(int nEvent)
    : Left(new CTKReportBehaviorRowMouseButton(1, nEvent)), Right(new CTKReportBehaviorRowMouseButton(3, nEvent)) {}

CTKReportBehaviorRowMouse::~CTKReportBehaviorRowMouse() {
  delete Left;
  delete Right;
}

CTKReportBehaviorRow::CTKReportBehaviorRow()
    : MouseDown(new CTKReportBehaviorRowMouse(0)), MouseUp(new CTKReportBehaviorRowMouse(1)) {}

CTKReportBehaviorRow::~CTKReportBehaviorRow() {
  delete MouseDown;
  delete MouseUp;
}

CTKReportBehavior::CTKReportBehavior(int nScheme)
    : Row(new CTKReportBehaviorRow), GroupRow(new CTKReportBehaviorRow), m_nScheme(nScheme) {
  SetScheme(nScheme);
}

CTKReportBehavior::~CTKReportBehavior() {
  delete Row;
  delete GroupRow;
}

CTKReportBehaviorRowMouseButton* CTKReportBehavior::GetRowButton(int nButton, int nEvent) const {
  CTKReportBehaviorRowMouse* mouse = nEvent == 0 ? Row->MouseDown : Row->MouseUp;
  return nButton == 3 ? mouse->Right : mouse->Left;
}

void CTKReportBehavior::SetScheme(int nScheme) {
  m_nScheme = nScheme;
  Row->MouseDown->Left->Reset();
  Row->MouseDown->Right->Reset();
  Row->MouseUp->Left->Reset();
  Row->MouseUp->Right->Reset();
  if (nScheme != kSchemeDefault) return;

  CTKReportBehaviorRowMouseButton* downLeft = Row->MouseDown->Left;
  downLeft->bFocusRow = TRUE;
  downLeft->bSelectRow = TRUE;
  downLeft->bKeepSelectionIfSelected = TRUE;
  downLeft->bKeepFocusIfSelected = TRUE;
  downLeft->bFocusColumn = TRUE;
  downLeft->bMakeRowVisible = TRUE;
  downLeft->bStartDrag = TRUE;

  CTKReportBehaviorRowMouseButton* upLeft = Row->MouseUp->Left;
  upLeft->bFocusRow = TRUE;
  upLeft->bSelectRow = TRUE;
  upLeft->bKeepSelectionIfModifierAtDown = TRUE;
  upLeft->bKeepFocusIfModifierAtDown = TRUE;
  upLeft->bClick = TRUE;
  upLeft->bStopDrag = TRUE;

  // A right press changes nothing.
  CTKReportBehaviorRowMouseButton* upRight = Row->MouseUp->Right;
  upRight->bFocusRow = TRUE;
  upRight->bSelectRow = TRUE;
  upRight->bKeepSelectionIfSelected = TRUE;
  upRight->bFocusColumn = TRUE;
  upRight->bClick = TRUE;
  upRight->bContextMenu = TRUE;
  upRight->bStopDrag = TRUE;
}
