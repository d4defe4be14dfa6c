// The three bands of rows of a report control (header rows, body rows,
// footer rows): each CTKReportSection turns its records into a tree of
// rows and the flat display list of its expanded part; CTKReportSections
// holds the three and lays them out. Merged cells: the cells of one merged
// item collected while rows draw, joined into rectangles.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"
#include "platform/base/geometry.h"
#include "toolkit/common/colormanager.h"

class CDC;
class CTKMarkupContext;
class CTKReportBorder;
class CTKReportControl;
class CTKReportRecords;
class CTKReportRecord;
class CTKReportRecordItem;
class CTKReportRow;
class CTKReportRows;

// Kinds of section.
constexpr int kTKReportSectionBody = 0;
constexpr int kTKReportSectionHeader = 1;
constexpr int kTKReportSectionFooter = 2;

// Height modes of a section.
constexpr int kTKReportSectionHeightFixed = 0;    // the height value in pixels
constexpr int kTKReportSectionHeightPercent = 1;  // a percent of the band
constexpr int kTKReportSectionHeightAuto = 2;     // its content
constexpr int kTKReportSectionHeightFill = 3;     // what the others leave
constexpr int kTKReportSectionHeightContent = 4;  // its content
constexpr int kTKReportSectionHeightShrink = 5;   // its content, shortened to fit

class CTKReportSection {
 public:
  CTKReportSection(CTKReportControl* pControl, int nSection);
  virtual ~CTKReportSection();
  CTKReportSection(const CTKReportSection&) = delete;
  CTKReportSection& operator=(const CTKReportSection&) = delete;

  virtual CTKReportRecord* AddRecord(CTKReportRecord* pRecord);
  virtual void ResetContent();
  // Builds the rows from the records: filter, tree, sort, group, display
  // list, and the focused record's row focused again.
  virtual void Populate(BOOL bAdjustLayout);
  // Re-sorts and re-flattens the existing rows.
  virtual void RefreshRows();
  virtual void RefreshIndexes(BOOL bAdjustLayout, BOOL bReverseOrder);
  virtual int InsertChildRows(int nIndex, CTKReportRow* pRow);
  virtual int RemoveChildRows(CTKReportRow* pRow);
  virtual void Draw(CDC* pDC);
  virtual BOOL IsVirtualMode() const;
  virtual int InsertRow(int nIndex, CTKReportRow* pRow);
  virtual int GetPageRowCount(CDC* pDC) const;
  virtual int GetContentHeight(CDC* pDC) const;
  virtual int GetRowsHeight(CDC* pDC) const;
  virtual BOOL FindRowAtOffset(CDC* pDC, int nWidth, int nOffset, int& nIndex, int& nTop) const;
  // Sum for the first nCount rows; -1 without a device context.
  virtual int GetRowsHeightRange(CDC* pDC, int nWidth, int nCount) const;
  virtual BOOL EnsureVisible(CDC* pDC, CTKReportRow* pRow);
  virtual void SortTree(CTKReportRows* pRows);
  // The row count, 0 when nothing was sorted.
  virtual int SortRows(CTKReportRows* pRows);

  CTKReportControl* GetControl() const { return m_pControl; }
  CTKReportRecords* GetRecords() const { return m_pRecords; }
  CTKReportRows* GetRows() const { return m_pRows; }
  CTKReportRows* GetTreeRows() const { return m_pTree; }
  int GetSectionKind() const { return m_nSection; }
  int GetTreeCount() const { return m_nTreeCount; }
  CRect GetRect() const { return m_rcSection; }
  void SetRect(const RECT& rc) { m_rcSection = rc; }
  CRect GetDividerRect() const { return m_rcDivider; }
  // The rows' area: the rectangle less the border's margin, border and
  // inner spacing.
  CRect GetRowsRect() const;
  CTKReportBorder* GetBorder() const { return m_pBorder; }
  CTKMarkupContext* GetMarkupContext() const { return m_pMarkupContext; }
  void SetMarkupContext(CTKMarkupContext* pContext);
  const std::vector<unsigned>& GetSortedRecordPositions() const { return m_arrSortedPositions; }

  BOOL IsVisible() const { return m_bVisible; }
  void SetVisible(BOOL b) { m_bVisible = b; }
  BOOL IsAllowAccess() const { return m_bAllowAccess; }
  void AllowAccess(BOOL b) { m_bAllowAccess = b; }
  BOOL IsAllowEdit() const { return m_bAllowEdit; }
  void AllowEdit(BOOL b) { m_bAllowEdit = b; }
  BOOL IsAllowGroup() const { return m_bAllowGroup; }
  void AllowGroup(BOOL b) { m_bAllowGroup = b; }
  BOOL IsAllowSort() const { return m_bAllowSort; }
  void AllowSort(BOOL b) { m_bAllowSort = b; }
  BOOL IsAllowSelection() const { return m_bAllowSelection; }
  void AllowSelection(BOOL b) { m_bAllowSelection = b; }
  int GetHeightMode() const { return m_nHeightMode; }
  void SetHeightMode(int nMode) { m_nHeightMode = nMode; }
  int GetHeight() const { return m_nHeight; }
  void SetHeight(int nHeight) { m_nHeight = nHeight; }
  int GetDividerPosition() const { return m_nDividerPosition; }
  void SetDividerPosition(int n) { m_nDividerPosition = n; }
  int GetDividerStyle() const { return m_nDividerStyle; }
  void SetDividerStyle(int n) { m_nDividerStyle = n; }

 protected:
  // Appends a row for each taken record (recursively for child records).
  void BuildTree(CTKReportRows* pTree, CTKReportRow* pParentRow, CTKReportRecords* pRecords);
  // Re-builds the top level under group rows (the rows are sorted).
  void GroupRows();
  // Fills the display list from the top-level rows.
  void FillDisplayList();
  // Focuses (and selects) the row of the remembered record.
  void RestoreFocus(CTKReportRecord* pFocusedRecord);

 public:
  CRect m_rcSection;
  CTKMarkupContext* m_pMarkupContext = nullptr;
  CTKReportBorder* m_pBorder = nullptr;
  CTKReportControl* m_pControl;
  CTKReportRecords* m_pRecords = nullptr;
  CTKReportRows* m_pRows = nullptr;
  CTKReportRows* m_pTree = nullptr;
  int m_nTreeCount = 0;
  int m_nDividerPosition = 1;
  int m_nDividerStyle = 0;
  CTKPaintManagerColor m_clrDivider;
  CRect m_rcDivider;
  int m_nHeightMode = kTKReportSectionHeightAuto;
  int m_nHeight = 0;
  BOOL m_bAllowAccess = TRUE;
  BOOL m_bAllowEdit = FALSE;
  BOOL m_bAllowGroup = FALSE;
  BOOL m_bAllowSort = FALSE;
  BOOL m_bAllowSelection = TRUE;
  BOOL m_bVisible = FALSE;
  int m_nSection;
  std::vector<unsigned> m_arrSortedPositions;

 private:
  // Ranks of the tree rows' group captions from the last sort of the tree
  // (per group column; empty where the items were not ranked).
  std::vector<std::vector<std::uint32_t>> m_groupRanks;
};

class CTKReportSections : public CCmdTarget {
 public:
  explicit CTKReportSections(CTKReportControl* pControl);
  ~CTKReportSections() override;

  virtual BOOL EnsureVisible(CDC* pDC, CTKReportRow* pRow);
  virtual void Draw(CDC* pDC);
  virtual void AdjustLayout(CDC* pDC, CRect rcSections);
  virtual void RefreshAll();
  virtual void RefreshAllIndexes(BOOL bAdjustLayout, BOOL bReverseOrder);

  int GetSize() const { return static_cast<int>(m_arrSections.size()); }
  CTKReportSection* GetAt(int nIndex) const;
  // The section of a kind (kTKReportSectionBody...).
  CTKReportSection* GetSection(int nKind) const;
  CTKReportSection* HitTest(POINT pt) const;
  CTKReportRow* GetFocusedRow() const;
  void SetMarkupContext(CTKMarkupContext* pContext);
  CRect GetRect() const { return m_rcSections; }

 public:
  // In the order header rows, body rows, footer rows.
  std::vector<CTKReportSection*> m_arrSections;
  CRect m_rcSections;
  CTKReportControl* m_pControl;
};

// ---- merged cells ----------------------------------------------------------------------------

// Column positions and row indexes a merged item covers; -1 while unset.
struct TK_REPORTMERGEDRANGE {
  int nColumnFrom = -1;
  int nColumnTo = -1;
  int nRowFrom = -1;
  int nRowTo = -1;
  BOOL IsValid() const { return nColumnFrom >= 0 && nColumnTo >= 0 && nRowFrom >= 0 && nRowTo >= 0; }
};

// The cells of one merged item seen while drawing.
class CTKReportRecordMergeItem {
 public:
  struct MergeItemId {
    int nColumnPos = -1;
    int nRowIndex = -1;
  };
  struct Entry {
    MergeItemId id;
    CRect rect;
  };

  CTKReportRecordMergeItem() = default;
  CTKReportRecordMergeItem(const CTKReportRecordMergeItem& other) { m_arrEntries = other.m_arrEntries; }
  CTKReportRecordMergeItem& operator=(const CTKReportRecordMergeItem& other);

  void AddItem(int nColumnPos, int nRowIndex, const RECT& rect);
  // Takes the next group of touching cells out of the list: their range
  // and the rectangle covering them. FALSE when the list is empty.
  BOOL FindMergedRect(TK_REPORTMERGEDRANGE& range, CRect& rect);
  int GetCount() const { return static_cast<int>(m_arrEntries.size()); }

 public:
  std::vector<Entry> m_arrEntries;
};

// Merge master item to its cells, for one drawing pass.
class CTKReportRecordMergeItems : public std::map<CTKReportRecordItem*, CTKReportRecordMergeItem> {};
