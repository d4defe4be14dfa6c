// The edit box over a cell being edited: the cell's font, colour and text,
// typed text offered to the item for validation, choosing among the
// constraints by keys, and the apply on losing the focus.
#pragma once

#include "platform/controls/afxcmn.h"
#include "platform/framework/afxgdi.h"
#include "toolkit/report/reportinplacebutton.h"

class CTKReportRecordItemConstraint;
class CTKReportRecordItemEditOptions;

class CTKReportInplaceEdit : public CEdit, public CTKReportInplaceControl {
 public:
  CTKReportInplaceEdit();
  ~CTKReportInplaceEdit() override;

  // Opens the edit over the cell (shown and focused when it has width).
  void Create(TK_REPORTRECORDITEM_ARGS* pItemArgs);
  // Hides the window and forgets the cell.
  void HideWindow();
  void SetFont(CFont* pFont);
  // Sets the text without validating it; it becomes the current text.
  void SetWindowText(LPCTSTR lpszString);
  CTKReportRecordItemConstraint* GetSelectedConstraint() const { return m_pSelectedConstraint; }
  CString GetInitialText() const { return m_strText_prev; }
  CString GetCurrentText() const { return m_strText; }

  CString m_strText_prev;  // the cell text when editing began
  CString m_strText;       // the text last accepted or set
  CFont m_fntEdit;
  CTKReportRecordItemConstraint* m_pSelectedConstraint = nullptr;
  COLORREF m_clrText = 0;
  BOOL m_bSetWindowText = FALSE;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

 private:
  CTKReportRecordItemEditOptions* EditOptions();
  // Picks a choice by Page Up/Down or Up/Down; FALSE when not in choice mode.
  BOOL SelectConstraintByKey(UINT nChar);
  // Picks the next choice starting with the character.
  void SelectConstraintByChar(UINT nChar);
  void ShowConstraint(CTKReportRecordItemConstraint* pConstraint);
  // Offers the typed text to the item; rejected text is restored.
  void OnEditChange();
  void EndEditing();
};
