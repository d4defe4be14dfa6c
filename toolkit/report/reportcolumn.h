// Columns of the report grid, the collection that holds them in display
// order, and the two order lists (group order and sort order) it keeps.
// A column shows the record item whose index it names.
#pragma once

#include <climits>
#include <vector>

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"
#include "platform/base/cstring.h"

class CDC;
class CFont;
class CTKPropExchange;
class CTKMarkupInputElement;
class CTKReportControl;
class CTKReportColumns;
class CTKReportRecordItemEditOptions;

// The widest a column can be, in pixels: wide enough for any screen, and
// small enough that the widths of every column add up without overflow.
constexpr int kTKReportMaxColumnWidth = 32767;
// a + b held within int: sums of column widths and positions never wrap.
constexpr int TKAddWidths(int a, int b) {
  const long long sum = static_cast<long long>(a) + b;
  return sum > INT_MAX ? INT_MAX : sum < INT_MIN ? INT_MIN : static_cast<int>(sum);
}
// The most column entries a stored column state may hold.
constexpr int kTKReportMaxStoredColumns = 4096;

// What a column's own exchange stores, held apart from the column so that
// a stored state can be read whole before any of it is applied.
struct CTKReportColumnStoredValues {
  BOOL bSortIncreasing = TRUE;
  BOOL bVisible = TRUE;
  int nAlignment = 0;
  int nStaticWidth = 0;
  int nAutoWidth = 0;
  int nHeaderAlignment = -1;
  int nFooterAlignment = -1;
  BOOL bPlusMinus = FALSE;
  int nNextVisualBlock = 0;
  int nOldVisibleIndex = -1;
  BOOL bExpanded = FALSE;
};

class CTKReportColumn : public CCmdTarget {
 public:
  CTKReportColumn(int nItemIndex, LPCTSTR lpszCaption, int nWidth, BOOL bAutoSize = TRUE, int nIconId = -1,
                  BOOL bSortable = TRUE, BOOL bVisible = TRUE);
  ~CTKReportColumn() override;

  virtual void DoPropExchange(CTKPropExchange* pPX);
  // Scrolls the control until the column is in view; nothing without one.
  virtual void EnsureVisible();

  // Sets both widths, held within 0..kTKReportMaxColumnWidth, and tells the
  // header (TKColumnChange::kWidth); the previous static width.
  int SetWidth(int nWidth);
  CTKReportColumnStoredValues GetStoredValues() const;
  // Takes the values as they are, without telling anyone (as loading does).
  void SetStoredValues(const CTKReportColumnStoredValues& values);
  void SetVisible(BOOL bVisible = TRUE);
  // The previous alignment.
  int SetAlignment(int nAlignment);
  int SetMinWidth(int nMinWidth);
  // TRUE hides the next visual block, FALSE shows it again.
  void SetExpanded(BOOL bExpanded);

  CTKReportControl* GetControl() const;
  CTKReportColumns* GetColumns() const { return m_pColumns; }
  int GetIndex() const;
  // Position among the visible columns, -1 when hidden.
  int GetVisibleIndex() const;
  BOOL IsVisible() const { return m_bVisible; }
  BOOL IsSortedIncreasing() const { return m_bSortIncreasing; }
  BOOL IsSortedDecreasing() const { return !m_bSortIncreasing; }
  void SetSortIncreasing(BOOL bIncreasing) { m_bSortIncreasing = bIncreasing; }
  BOOL IsInSortOrder() const;
  BOOL IsSorted() const;
  BOOL IsTreeColumn() const;
  BOOL IsPressed() const;
  BOOL IsHotTracked() const;
  BOOL IsShowInFieldChooser() const { return m_bShowInFieldChooser; }
  void SetShowInFieldChooser(BOOL bShow) { m_bShowInFieldChooser = bShow; }
  CString GetInternalName() const { return m_strInternalName; }
  void SetInternalName(LPCTSTR lpszName) { m_strInternalName = lpszName; }
  CString GetCaption() const { return m_strName; }
  void SetCaption(LPCTSTR lpszCaption) { m_strName = lpszCaption; }
  CString GetTooltip() const { return m_strTooltip; }
  void SetTooltip(LPCTSTR lpszTooltip) { m_strTooltip = lpszTooltip; }
  CString GetFooterText() const { return m_strFooterText; }
  void SetFooterText(LPCTSTR lpszText) { m_strFooterText = lpszText; }
  int GetItemIndex() const { return m_nItemIndex; }
  int GetIconID() const { return m_nIconID; }
  void SetIconID(int nIconId) { m_nIconID = nIconId; }
  BOOL IsSortable() const { return m_bSortable; }
  void SetSortable(BOOL b) { m_bSortable = b; }
  BOOL IsGroupable() const { return m_bGroupable; }
  void SetGroupable(BOOL b) { m_bGroupable = b; }
  BOOL IsAutoSize() const { return m_bAutoSize; }
  void SetAutoSize(BOOL b) { m_bAutoSize = b; }
  BOOL IsResizable() const { return m_bIsResizable; }
  void SetResizable(BOOL b) { m_bIsResizable = b; }
  BOOL IsEditable() const { return m_bEditable; }
  void SetEditable(BOOL b = TRUE) { m_bEditable = b; }
  BOOL IsFiltrable() const { return m_bFiltrable; }
  BOOL IsPlusMinus() const { return m_bPlusMinus; }
  void SetPlusMinus(BOOL b) { m_bPlusMinus = b; }
  BOOL IsExpanded() const { return m_bExpanded; }
  int GetNextVisualBlock() const { return m_nNextVisualBlock; }
  void SetNextVisualBlock(int n) { m_nNextVisualBlock = n; }
  int GetOldVisibleIndex() const { return m_nOldVisibleIndex; }
  int GetMaxWidth() const { return m_nMaxWidth; }
  void SetMaxWidth(int n) { m_nMaxWidth = n; }
  int GetBestFitMode() const { return m_nBestFitMode; }
  void SetBestFitMode(int n) { m_nBestFitMode = n; }
  int GetAlignment() const { return m_nAlignment; }
  int GetHeaderAlignment() const;
  int GetFooterAlignment() const;
  // The alignment with DT_RIGHT toggled in right-to-left mode.
  int GetDisplayAlignment() const;
  int MirrorAlignment(int nAlignment) const;
  void SetHeaderAlignment(int n) { m_nHeaderAlignment = n; }
  void SetFooterAlignment(int n) { m_nFooterAlignment = n; }
  // The column font when it has a handle, else the paint manager's header
  // caption font (null here: the paint side answers).
  CFont* GetFont() const { return m_pFont; }
  CTKReportRecordItemEditOptions* GetEditOptions() const { return m_pEditOptions; }
  CTKMarkupInputElement* GetMarkupUIElement() const { return m_pMarkupUIElement; }
  void SetMarkupUIElement(CTKMarkupInputElement* pElement);

  // Tree indentation of the first visible column while rows are grouped.
  int GetIndent() const;
  int GetWidth() const;
  int GetMinWidth() const;
  // The column's share of a printed page width.
  int GetPrintWidth(int nTotalWidth) const;
  // Width of the caption text on the context (defined with the drawing).
  int GetCaptionWidth(CDC* pDC);
  // Width that shows the caption, icon, sort arrow and widest cell.
  int GetBestFitWidth();
  int GetStaticWidth() const { return m_nColumnStaticWidth; }
  int GetAutoWidth() const { return m_nColumnAutoWidth; }
  int GetWidestCell() const { return m_nMaxItemWidth; }
  void SetWidestCell(int nWidth) { m_nMaxItemWidth = nWidth; }

 public:
  CString m_strInternalName;
  CString m_strName;
  CString m_strTooltip;
  int m_nItemIndex;
  CString m_strFooterText;
  CFont* m_pFont = nullptr;  // not set by anything here; the paint side may
  BOOL m_bDrawFooterDivider = TRUE;
  BOOL m_bDrawHeaderDivider = TRUE;
  BOOL m_bSortIncreasing = TRUE;
  BOOL m_bSortable;
  BOOL m_bGroupable = TRUE;
  BOOL m_bAutoSortWhenGrouped = TRUE;
  BOOL m_bPlusMinus = FALSE;
  BOOL m_bExpanded = FALSE;
  int m_nNextVisualBlock = 0;
  BOOL m_bAllowDrag = TRUE;
  BOOL m_bAllowRemove = TRUE;
  CTKReportColumns* m_pColumns = nullptr;
  int m_nIconID;
  BOOL m_bVisible;
  int m_nOldVisibleIndex = -1;
  BOOL m_bFiltrable = TRUE;
  BOOL m_bIsResizable;
  RECT m_rcColumn{};
  RECT m_rcGroupBy{};
  int m_nMinWidth = 10;
  int m_nMaxWidth = 0;
  int m_nMaxItemWidth = 0;
  int m_nAlignment = 0;
  int m_nHeaderAlignment = -1;
  int m_nFooterAlignment = -1;
  int m_nColumnAutoWidth;
  int m_nColumnStaticWidth;
  BOOL m_bAutoSize;
  BOOL m_bShowInFieldChooser = TRUE;
  BOOL m_bEditable = TRUE;
  BOOL m_bDrawHeaderRowsVGrid = TRUE;
  BOOL m_bDrawFooterRowsVGrid = TRUE;
  int m_nBestFitMode = 0;
  CTKReportRecordItemEditOptions* m_pEditOptions;
  CTKMarkupInputElement* m_pMarkupUIElement = nullptr;
};

class CTKReportColumnOrder;

// A column state read from an exchange, not yet applied: the columns named
// in their stored order with their values, and both order lists.
struct CTKReportColumnsState {
  struct Entry {
    CTKReportColumn* pColumn;
    CTKReportColumnStoredValues values;
  };
  std::vector<Entry> columns;
  std::vector<CTKReportColumn*> groupsOrder;
  std::vector<CTKReportColumn*> sortOrder;
};

class CTKReportColumns : public CCmdTarget {
 public:
  explicit CTKReportColumns(CTKReportControl* pControl = nullptr);
  ~CTKReportColumns() override;

  virtual void DoPropExchange(CTKPropExchange* pPX);
  // Reads a stored column state whole without changing anything. FALSE with
  // the reason when the state cannot be applied (too many entries, a column
  // that is not there, a width out of bounds); a state that ends early
  // throws the archive's exception.
  BOOL ReadState(CTKPropExchange* pPX, CTKReportColumnsState& state, CString& strReason) const;
  void ApplyState(const CTKReportColumnsState& state);

  // Takes over the caller's reference and tells the header (TKColumnChange::kAdded).
  void Add(CTKReportColumn* pColumn);
  int GetCount() const { return static_cast<int>(m_arrColumns.GetSize()); }
  CTKReportColumn* GetAt(int nIndex) const;
  int IndexOf(const CTKReportColumn* pColumn) const;
  CTKReportColumn* Find(int nItemIndex) const;
  CTKReportColumn* FindByInternalName(LPCTSTR lpszInternalName) const;
  int GetVisibleColumnsCount() const;
  CTKReportColumn* GetVisibleAt(int nIndex) const;
  CTKReportColumn* GetFirstVisibleColumn() const;
  CTKReportColumn* GetLastVisibleColumn() const;
  // Moves the column at nOldPosition; the final position, -1 for a
  // negative position.
  int ChangeColumnOrder(int nNewPosition, int nOldPosition);
  void GetVisibleColumns(CTKReportColumns* pTarget) const;
  // Releases every column and empties both order lists.
  void Clear();

  CTKReportControl* GetReportControl() const { return m_pControl; }
  CTKReportColumnOrder* GetGroupsOrder() const { return m_pGroupsOrder; }
  CTKReportColumnOrder* GetSortOrder() const { return m_pSortOrder; }
  CTKReportColumn* GetTreeColumn() const { return m_pTreeColumn; }
  void SetTreeColumn(CTKReportColumn* pColumn) { m_pTreeColumn = pColumn; }

 public:
  CTKReportColumnOrder* m_pGroupsOrder;
  CTKReportColumnOrder* m_pSortOrder;
  CArray<CTKReportColumn*, CTKReportColumn*> m_arrColumns;
  CTKReportControl* m_pControl;
  CTKReportColumn* m_pTreeColumn = nullptr;
};

// A list of columns that holds no references: the group order or the sort
// order.
class CTKReportColumnOrder : public CCmdTarget {
 public:
  explicit CTKReportColumnOrder(CTKReportColumns* pColumns);

  virtual void DoPropExchange(CTKPropExchange* pPX);
  // The columns a stored list names, read without changing the list.
  void ReadColumns(CTKPropExchange* pPX, std::vector<CTKReportColumn*>& columns) const;

  int GetCount() const { return static_cast<int>(m_arrColumns.GetSize()); }
  CTKReportColumn* GetAt(int nIndex) const;
  int IndexOf(const CTKReportColumn* pColumn) const;
  // Appends even a column already listed; its position.
  int Add(CTKReportColumn* pColumn);
  // Inserts or moves the column to nPosition; -1 for a negative position.
  int InsertAt(int nPosition, CTKReportColumn* pColumn);
  void Remove(CTKReportColumn* pColumn);
  void Clear() { m_arrColumns.RemoveAll(); }

  // Entries read at most from a keyed (registry or INI) store.
  static constexpr int kMaxKeyedEntries = 4096;

 public:
  CTKReportColumns* m_pColumns;
  CArray<CTKReportColumn*, CTKReportColumn*> m_arrColumns;
};
