// In-cell controls of a record item (push buttons drawn inside the cell),
// their collection with its stored form, their reaction to the mouse and
// the hidden window that keeps the mouse while one is pressed.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"
#include "platform/base/cstring.h"
#include "platform/framework/afx.h"
#include "toolkit/report/reportrecorditem.h"
#include "toolkit/report/reportarray.h"

class CTKPropExchange;
class CTKReportRecordItem;
struct TK_REPORTRECORDITEM_CLICKARGS;

class CTKReportRecordItemControl : public CCmdTarget {
  DECLARE_SERIAL(CTKReportRecordItemControl)
 public:
  explicit CTKReportRecordItemControl(LPCTSTR lpszCaption = u"");

  virtual void DoPropExchange(CTKPropExchange* pPX);
  // Mouse input; the base does nothing (the button reacts, with the input
  // side).
  virtual void OnLButtonDown(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs) {}
  virtual void OnLButtonUp(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs) {}
  virtual void OnMouseEnter(UINT nFlags, POINT point) {}
  virtual void OnMouseLeave(UINT nFlags, POINT point) {}
  virtual void OnMouseMove(UINT nFlags, POINT point) {}

  // The icon of the drawing state, else of state 0, else -1.
  int GetIconIndex(int nState) const;
  void SetIconIndex(int nState, int nIcon) { m_mapStateIcons.SetAt(nState, nIcon); }
  int GetIndex() const { return m_nIndex; }
  int GetType() const { return m_nType; }
  CString GetCaption() const { return m_strCaption; }
  void SetCaption(LPCTSTR lpszCaption) { m_strCaption = lpszCaption; }
  SIZE GetSize() const { return m_sizeControl; }
  void SetSize(SIZE size) { m_sizeControl = size; }
  int GetAlignment() const { return m_nAlignment; }
  void SetAlignment(int nAlignment) { m_nAlignment = nAlignment; }
  BOOL GetEnable() const { return m_bEnabled; }
  void SetEnable(BOOL bEnable) { m_bEnabled = bEnable; }
  const RECT& GetRect() const { return m_rcControl; }
  void SetRect(const RECT& rc) { m_rcControl = rc; }
  // The caption's font; while it has no handle the grid's text font is used.
  CFont* GetFont() { return &m_font; }

  int m_nType = 0;
  int m_nIndex = 0;
  CString m_strCaption;
  CFont m_font;
  COLORREF m_clrCaption;
  SIZE m_sizeControl{0, 0};
  RECT m_rcControl{};
  int m_unFlags = 0;
  int m_nAlignment = 0;
  BOOL m_bEnabled = TRUE;
  int m_nState = 0;  // 1 normal, 3 pushed, 4 disabled
  BOOL m_bThemed = FALSE;
  CMap<int, int, int, int> m_mapStateIcons;
};

class CTKReportRecordItemButton : public CTKReportRecordItemControl {
  DECLARE_SERIAL(CTKReportRecordItemButton)
 public:
  explicit CTKReportRecordItemButton(LPCTSTR lpszCaption = u"");

  // Pushed on press; normal (or disabled) on release, with -83 when an
  // enabled button is released where it was pressed.
  void OnLButtonDown(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs) override;
  void OnLButtonUp(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs) override;
  void OnMouseEnter(UINT nFlags, POINT point) override;
  void OnMouseLeave(UINT nFlags, POINT point) override;
  void OnMouseMove(UINT nFlags, POINT point) override;

  int m_nSavedState = 1;
};

// The controls of one item; holds one reference to each and keeps their
// indexes current.
class CTKReportRecordItemControls : public CTKArrayT<CCmdTarget, CTKReportRecordItemControl*> {
 public:
  CTKReportRecordItemControls() = default;
  explicit CTKReportRecordItemControls(CTKReportRecordItem* pRecordItem) : m_pRecordItem(pRecordItem) {}
  ~CTKReportRecordItemControls() override;

  INT_PTR GetCount() const { return GetSize(); }
  INT_PTR IndexOf(CTKReportRecordItemControl* pControl) const { return Find(pControl); }
  // Releases every control, last first; the owning item forgets its hot
  // control.
  void RemoveAll() override;
  virtual void DoPropExchange(CTKPropExchange* pPX);
  // Nothing outside the range.
  virtual void RemoveControl(int nIndex);
  virtual void RefreshIndexes(int nStartFrom = 0);

  // Type 1 makes a button with an empty caption; other types give null.
  CTKReportRecordItemControl* AddControl(int nType, int nIndex = -1);
  // Null gives null. An index outside the collection appends.
  CTKReportRecordItemControl* InsertControl(CTKReportRecordItemControl* pControl, int nIndex = -1);

  CTKReportRecordItem* m_pRecordItem = nullptr;
};

// -83: an in-cell button was clicked.
struct TK_NM_REPORTITEMCONTROL {
  NMHDR hdr;
  CTKReportRow* pRow;
  CTKReportRecordItem* pItem;
  CTKReportColumn* pColumn;
  int nReserved;
  POINT pt;
  CTKReportRecordItemControl* pItemControl;
};

// Holds the mouse while an in-cell control is pressed and hands the button
// and the moves, in screen coordinates, to the item.
class CTKReportRecordItemControlHookWnd : public CWnd {
 public:
  explicit CTKReportRecordItemControlHookWnd(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs);
  ~CTKReportRecordItemControlHookWnd() override;

  TK_REPORTRECORDITEM_CLICKARGS m_ClickArgs;
  POINT m_ptClick{};
  BOOL m_bAutoDelete = FALSE;  // deleted with its window

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void PostNcDestroy() override {
    if (m_bAutoDelete) delete this;
  }
};
