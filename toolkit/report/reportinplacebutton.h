// The windows that float over a cell while it is edited share the cell
// description (CTKReportInplaceControl). The buttons beside or inside the
// cell (expand, combo, spin) live here; the edit box and the list of
// choices have their own files.
#pragma once

#include <climits>

#include "platform/controls/afxcmn.h"
#include "toolkit/report/reportrecorditem.h"

constexpr int kTKReportExpandButton = 100;
constexpr int kTKReportComboButton = 101;
constexpr int kTKReportSpinButton = 102;

// The cell an in-place window works on, with a reference on its item.
class CTKReportInplaceControl : public TK_REPORTRECORDITEM_ARGS {
 public:
  CTKReportInplaceControl() = default;
  ~CTKReportInplaceControl() override;
  CTKReportInplaceControl(const CTKReportInplaceControl&) = delete;
  CTKReportInplaceControl& operator=(const CTKReportInplaceControl&) = delete;

  // Copies the cell (a reference on the new item, the old one dropped);
  // null clears every member.
  virtual void SetItemArgs(TK_REPORTRECORDITEM_ARGS* pItemArgs);
};

class CTKReportInplaceButton : public CStatic, public CTKReportInplaceControl {
 public:
  explicit CTKReportInplaceButton(int nID);
  ~CTKReportInplaceButton() override;

  // Places the button from the point pair (rcButtons.left: where inside
  // buttons end, rcButtons.right: where outside buttons start), moves the
  // point it used and creates the window on first use.
  void Create(TK_REPORTRECORDITEM_ARGS* pItemArgs, CRect& rcButtons);

  int GetID() const { return m_nID; }
  int GetWidth() const { return m_nWidth; }
  BOOL IsInsideCellButton() const { return m_bInsideCellButton; }
  void SetInsideCellButton(BOOL bInside) { m_bInsideCellButton = bInside; }
  BOOL IsPressed() const { return m_bPressed; }
  BOOL IsPushed() const { return m_bPushed; }
  int GetState() const { return m_nSpinState; }
  int GetIconIndex() const { return m_nIconIndex; }
  void SetIconIndex(int nIcon) { m_nIconIndex = nIcon; }
  int GetSpinButtonMin() const { return m_nSpinMin; }
  int GetSpinButtonMax() const { return m_nSpinMax; }
  int GetSpinButtonStep() const { return m_nSpinStep; }
  void SetSpinButtonMin(int n) { m_nSpinMin = n; }
  void SetSpinButtonMax(int n) { m_nSpinMax = n; }
  void SetSpinButtonStep(int n) { m_nSpinStep = n; }
  // What the next spin tick adds: the direction and the acceleration.
  int GetSpinIncrement() const { return m_nSpinIncrement; }

  // The mouse as the window receives it (also called by tests and the
  // keyboard path).
  void OnButtonDown(CPoint point);
  void OnButtonMove(CPoint point);
  void OnButtonUp();
  void OnSpinTimer();

  int m_nDropDownItemCount = 10;
  int m_nID;
  int m_nWidth = 17;
  int m_nFixedHeight = 19;
  BOOL m_bInsideCellButton = FALSE;
  int m_nIconIndex = -1;
  BOOL m_bPressed = FALSE;
  BOOL m_bPushed = FALSE;
  int m_nSpinState = 0;  // 1 upper half pressed, 2 lower half
  int m_nSpinMin = INT_MIN;
  int m_nSpinMax = INT_MAX;
  int m_nSpinStep = 1;
  int m_nTickCount = 0;
  UINT_PTR m_unSpinTimerId = 0;
  int m_nSpinIncrement = 0;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void ResetState();
  void StartSpinTimer(UINT nElapse);
  void KillSpinTimer();
  // Tells the item the button acted (it may open the list or step a spin).
  void NotifyItem();
  BOOL InSpinPart(CPoint point) const;
};

// -58: an in-place button of an item was pressed; the owner answers 1 to
// take over.
struct TK_NM_REPORTINPLACEBUTTON {
  NMHDR hdr;
  CTKReportRecordItem* pItem;
  CTKReportInplaceButton* pButton;
};
