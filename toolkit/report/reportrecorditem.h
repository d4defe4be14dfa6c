// A cell value of the report grid (CTKReportRecordItem) and the argument
// blocks every part of the grid passes to items.
//
// An item holds a caption and everything that decides how its cell looks
// and behaves: format, colours, font, icon, check box, hyperlinks, edit
// options, in-cell controls, sort and group keys, tooltip and a data word.
// Items are reference-counted heap objects of the report data allocator;
// a record holds one reference to each of its items.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "toolkit/report/reportallocator.h"

class CDC;
class CFont;
class CTKPropExchange;
class CTKMarkupInputElement;
class CTKReportControl;
class CTKReportColumn;
class CTKReportRow;
class CTKReportRecord;
class CTKReportRecords;
class CTKReportRecordItem;
class CTKReportHyperlink;
class CTKReportHyperlinks;
class CTKReportRecordItemEditOptions;
class CTKReportRecordItemConstraint;
class CTKReportRecordItemControl;
class CTKReportRecordItemControls;
class CTKReportRecordItemControlHookWnd;
class CTKReportInplaceButton;

// Alignment bits of items and drawing arguments, besides the DrawText flags
// in the low bits.
constexpr int kTKAlignIconLeft = 0x100000;
constexpr int kTKAlignIconCenter = 0x200000;
constexpr int kTKAlignIconRight = 0x400000;
constexpr int kTKAlignIconTop = 0x1000000;
constexpr int kTKAlignIconBottom = 0x4000000;

// One cell: control, row, column, item and the item's rectangle. The
// pointers hold no reference unless AddReferences takes them.
struct TK_REPORTRECORDITEM_ARGS {
  TK_REPORTRECORDITEM_ARGS() = default;
  // Takes the item from the row's record for the column and the rectangle
  // from the row (defined with the rows).
  TK_REPORTRECORDITEM_ARGS(CTKReportControl* control, CTKReportRow* row, CTKReportColumn* column);
  TK_REPORTRECORDITEM_ARGS(const TK_REPORTRECORDITEM_ARGS&) = default;
  TK_REPORTRECORDITEM_ARGS& operator=(const TK_REPORTRECORDITEM_ARGS&) = default;
  virtual ~TK_REPORTRECORDITEM_ARGS() = default;

  // One reference each on row, column and item, and their release
  // (defined with the rows).
  void AddReferences();
  void ReleaseReferences();

  CTKReportControl* pControl = nullptr;
  CTKReportRow* pRow = nullptr;
  CTKReportColumn* pColumn = nullptr;
  CTKReportRecordItem* pItem = nullptr;
  RECT rcItem{};
};

struct TK_REPORTRECORDITEM_DRAWARGS : TK_REPORTRECORDITEM_ARGS {
  using TK_REPORTRECORDITEM_ARGS::TK_REPORTRECORDITEM_ARGS;
  CDC* pDC = nullptr;  // null when measuring
  int nTextAlign = 0;
};

struct TK_REPORTRECORDITEM_CLICKARGS : TK_REPORTRECORDITEM_ARGS {
  using TK_REPORTRECORDITEM_ARGS::TK_REPORTRECORDITEM_ARGS;
  POINT ptClient{};
};

// What the row, the record and the item decide about a cell before it is
// drawn. Made with new and released through its count.
class TK_REPORTRECORDITEM_METRICS : public CCmdTarget {
 public:
  TK_REPORTRECORDITEM_METRICS() { Reset(); }
  // Everything back to its constructor value except the text.
  void Reset();

  CFont* pFont;
  COLORREF clrForeground;
  COLORREF clrBackground;
  CString strText;
  int nGroupIcon;
  int nGroupIconFlags;
  int nColumnAlignment;
  int nItemIcon;
  int nVirtRowLevel;
  int nVirtRowFlags;  // bit 0: the virtual row has children; bit 1: it is the last child
};

class CTKReportRecordItem : public CTKHeapObjectT<CCmdTarget, CTKReportDataAllocator> {
  DECLARE_SERIAL(CTKReportRecordItem)
 public:
  CTKReportRecordItem();
  ~CTKReportRecordItem() override;

  // ---- drawing (reportrecorditem_draw.cpp) ----
  // The width the item needs, 0 without a control.
  virtual int Draw(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs);
  virtual void DrawCaption(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pMetrics);
  virtual void DrawControls(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pMetrics,
                            RECT& rcItem);

  // ---- input (the input side fills these in) ----
  // Index of the hyperlink under the point, -1 when none.
  virtual int HitTestHyperlink(POINT ptClick);
  virtual BOOL OnLButtonDown(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs);
  virtual BOOL OnLButtonUp(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs);
  virtual void OnClick(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs);
  virtual void OnDblClick(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs);
  virtual BOOL OnMouseMove(UINT nFlags, POINT point, CTKReportControl* pControl);

  // ---- caption and grouping ----
  virtual CString GetCaption(CTKReportColumn* pColumn = nullptr);
  // GetCaption for GetColumn.
  virtual CString GetCaptionText();
  // What remains of the cell for the caption.
  virtual void GetCaptionRect(TK_REPORTRECORDITEM_ARGS* pArgs, RECT& rcItem);
  virtual CString GetGroupCaption(CTKReportColumn* pColumn);
  virtual int GetGroupId(CTKReportColumn* pColumn);
  virtual int CompareGroupCaption(CTKReportColumn* pColumn, CTKReportRecordItem* pItem);
  virtual int Compare(CTKReportColumn* pColumn, CTKReportRecordItem* pItem);

  // ---- look ----
  virtual void SetFont(CFont* pFont) { m_pFontCaption = pFont; }
  virtual CFont* GetFont() { return m_pFontCaption; }
  virtual CString GetTooltip() const { return m_strTooltip; }
  virtual void SetTooltip(LPCTSTR lpszTooltip) { m_strTooltip = lpszTooltip; }
  virtual void SetTextColor(COLORREF clrText) { m_clrText = clrText; }
  virtual COLORREF GetTextColor() { return m_clrText; }
  virtual void SetBold(BOOL bBold = TRUE) { m_bBoldText = bBold; }
  virtual BOOL IsBold() const { return m_bBoldText; }
  virtual void SetBackgroundColor(COLORREF clrBackground) { m_clrBackground = clrBackground; }
  virtual COLORREF GetBackgroundColor() { return m_clrBackground; }
  virtual CString GetFormula() const { return m_strFormula; }
  virtual void SetFormula(LPCTSTR lpszFormula) { m_strFormula = lpszFormula; }
  virtual CString GetFormatString() const { return m_strFormatString; }
  virtual void SetFormatString(LPCTSTR lpszFormat) { m_strFormatString = lpszFormat; }
  virtual BOOL IsEditable() const { return m_bEditable; }
  // Answers the previous value.
  virtual BOOL SetEditable(BOOL bEditable = TRUE);

  // ---- hyperlinks ----
  // Appends the link (the collection takes over the caller's reference);
  // its index, -1 only when no collection can be made.
  virtual int AddHyperlink(CTKReportHyperlink* pHyperlink);
  virtual int GetHyperlinksCount() const;
  virtual CTKReportHyperlink* GetHyperlinkAt(int nHyperlink) const;
  virtual void RemoveHyperlinkAt(int nHyperlink);

  virtual void GetItemMetrics(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pItemMetrics);
  virtual BOOL IsPreviewItem() const { return FALSE; }
  virtual int GetIconIndex() const { return m_nIconIndex; }
  // Answers the previous icon index.
  virtual int SetIconIndex(int nIconIndex);
  virtual int GetSortPriority() const { return m_nSortPriority; }
  virtual void SetSortPriority(int nSortPriority) { m_nSortPriority = nSortPriority; }
  virtual int GetGroupPriority() const { return m_nGroupPriority; }
  virtual void SetGroupPriority(int nGroupPriority) { m_nGroupPriority = nGroupPriority; }
  virtual void SetGroupCaption(LPCTSTR lpszCaption) { m_strGroupCaption = lpszCaption; }
  // Evaluates the formula, when the item has one and a record, into the
  // text; then the caption takes the text.
  virtual void SetCaption(LPCTSTR lpszCaption);
  // Stores 1 for any non-zero value, else 0.
  virtual void SetChecked(BOOL bChecked);
  virtual BOOL IsChecked() const { return m_checkState == 1; }
  virtual void SetHasCheckbox(BOOL bHasCheckbox, BOOL bTristate = FALSE);
  virtual BOOL HasCheckbox() const { return m_bHasCheckbox; }
  virtual DWORD_PTR GetItemData() const { return m_dwData; }
  virtual void SetItemData(DWORD_PTR dwData) { m_dwData = dwData; }
  virtual BOOL IsFocusable() const { return m_bFocusable; }
  virtual void SetFocusable(BOOL bFocusable) { m_bFocusable = bFocusable; }
  virtual void DoPropExchange(CTKPropExchange* pPX);
  // Has no caller; answers -1.
  virtual int ReservedQuery(int nParam1, int nParam2, int nParam3);
  virtual void DrawCheckBox(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, RECT& rcItem);

  // ---- editing ----
  virtual void OnBeginEdit(TK_REPORTRECORDITEM_ARGS* pItemArgs);
  virtual BOOL OnChar(TK_REPORTRECORDITEM_ARGS* pItemArgs, UINT nChar);
  virtual void OnEndEdit(CTKReportControl* pControl, BOOL bApply);
  virtual void OnEditApply(TK_REPORTRECORDITEM_ARGS* pItemArgs);
  // The record's UpdateRecordField with the row index, this item's index
  // and the text.
  virtual void OnEditChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText);
  // TRUE accepts; a derived item may refuse or rewrite the text.
  virtual BOOL OnValidateEdit(TK_REPORTRECORDITEM_ARGS* pItemArgs, CString& strText);
  virtual void OnInplaceListCancel(TK_REPORTRECORDITEM_ARGS* pItemArgs);
  // OnEditChanged with the choice's caption.
  virtual void OnConstraintChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, CTKReportRecordItemConstraint* pConstraint);
  // -1: the list matches the caption.
  virtual int GetSelectedConstraintData(TK_REPORTRECORDITEM_ARGS* pItemArgs);
  virtual void OnInplaceButtonDown(CTKReportInplaceButton* pButton);
  virtual BOOL OnCheckStateChanging(TK_REPORTRECORDITEM_ARGS* pItemArgs);
  // The control's column that shows this item, null without a control.
  virtual CTKReportColumn* GetColumn();
  virtual BOOL IsAllowEdit(TK_REPORTRECORDITEM_ARGS* pItemArgs);
  virtual void SimulateClick(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs);

  // ---- non-virtual ----
  // A tri-state item stores the value as given; any other stores 0 or 1.
  void SetCheckedState(int nState);
  int GetCheckedState() const;
  // One user toggle: a tri-state item steps 0, 1, 2, 0; any other flips.
  void ToggleCheckState();
  BOOL GetEditTextWithCheckbox() const { return m_bEditTextWithCheckbox; }
  void SetEditTextWithCheckbox(BOOL bSet) { m_bEditTextWithCheckbox = bSet; }
  BOOL IsTristateCheckbox() const { return m_bTristateCheckbox; }

  // Created on first use.
  CTKReportHyperlinks* GetHyperlinks();
  // Own options; else the column's when a column is given; else new own
  // options.
  CTKReportRecordItemEditOptions* GetEditOptions(CTKReportColumn* pColumn);
  // Created on first use.
  CTKReportRecordItemControls* GetItemControls();
  // The first in-cell control whose rectangle holds the point, or null.
  CTKReportRecordItemControl* HitTestControl(POINT pt);
  CTKReportRecordItemControl* GetHotControl() const { return m_pHotControl; }
  void SetHotControl(CTKReportRecordItemControl* pControl) { m_pHotControl = pControl; }
  // Destroys the window that holds the mouse while an in-cell control is
  // pressed, when there is one.
  void DestroyControlHookWnd();

  // Position in the record, -1 without one.
  int GetIndex() const;
  CTKReportRecord* GetRecord() const { return m_pRecord; }
  CTKReportControl* GetReportControl() const { return m_pControl; }
  void SetReportControl(CTKReportControl* pControl) { m_pControl = pControl; }
  BOOL IsMerged() const { return m_pMergeItem != nullptr; }
  CTKReportRecordItem* GetMergeItem() const { return m_pMergeItem; }
  void SetMergeItem(CTKReportRecordItem* pItem) { m_pMergeItem = pItem; }
  int GetAlignment() const { return m_nAlignment; }
  void SetAlignment(int nAlignment) { m_nAlignment = nAlignment; }
  const RECT& GetCheckboxRect() const { return m_rcGlyph; }
  CTKMarkupInputElement* GetMarkupUIElement() const { return m_pMarkupUIElement; }
  // Drops the markup element and, when the record leads to a markup
  // context, parses `text` into a new one.
  void ResetMarkupUIElement(LPCTSTR text);

 protected:
  // Compares two texts as the collection that holds this item's record
  // does; ordinal when the item is in no collection.
  int CompareCaptions(const CString& a, const CString& b) const;
  // The formula's sums over children ("SUMSUB(") and siblings ("SUM(").
  CString EvaluateFormula(LPCTSTR text);

 public:
  CTKReportRecordItem* m_pMergeItem = nullptr;
  CTKReportControl* m_pControl = nullptr;
  RECT m_rcGlyph{};
  CFont* m_pFontCaption = nullptr;
  COLORREF m_clrText = static_cast<COLORREF>(-1);
  COLORREF m_clrBackground = static_cast<COLORREF>(-1);
  BOOL m_bBoldText = FALSE;
  CString m_strFormatString;
  CString m_strFormula;
  BOOL m_bEditable = TRUE;
  CTKReportHyperlinks* m_pHyperlinks = nullptr;
  CTKReportRecord* m_pRecord = nullptr;
  int m_nIconIndex = -1;
  int m_nSortPriority = -1;
  int m_nGroupPriority = -1;
  CString m_strGroupCaption;
  CString m_strCaption;
  BOOL m_bFocusable = TRUE;
  int m_checkState = 0;
  BOOL m_bHasCheckbox = FALSE;
  BOOL m_bEditTextWithCheckbox = FALSE;
  BOOL m_bTristateCheckbox = FALSE;
  DWORD_PTR m_dwData = 0;
  CString m_strTooltip;
  CTKReportRecordItemEditOptions* m_pEditOptions = nullptr;
  int m_nAlignment = -1;
  CTKReportRecordItemControls* m_pItemControls = nullptr;
  CTKReportRecordItemControl* m_pHotControl = nullptr;
  BOOL m_bHotControlInside = FALSE;
  CTKReportRecordItemControlHookWnd* m_pControlHookWnd = nullptr;
  CTKMarkupInputElement* m_pMarkupUIElement = nullptr;
};

// a - b, held within int: stored priorities and ids can be any value, and
// their difference keeps its sign.
inline int TKReportPriorityDifference(int a, int b) {
  long long d = static_cast<long long>(a) - b;
  return d > 0x7FFFFFFF ? 0x7FFFFFFF : d < -0x7FFFFFFF - 1 ? -0x7FFFFFFF - 1 : static_cast<int>(d);
}

// The two accessors callers use on items that may be missing: FALSE for a
// null item.
BOOL TKIsItemFocusable(const CTKReportRecordItem* pItem);
BOOL TKGetEditTextWithCheckbox(const CTKReportRecordItem* pItem);

// Releases a reference-counted report object held in a variable and empties it.
template <class T>
inline void TKReleaseHeld(T*& object) {
  if (object) {
    T* held = object;
    object = nullptr;
    held->InternalRelease();
  }
}
