// What records, items and columns ask of the report control that holds
// them. They keep a CTKReportControl pointer (the grid window, defined with
// the control); the control answers through this interface, found for a
// control pointer by the resolver the control installs. Without a control,
// or before a resolver is installed, the data classes use the answers of
// this base: no header, 20 pixels of indentation per level, the default
// formula colours, and so on.
#pragma once

#include "platform/base/wintypes.h"

class CFont;
class CTKMarkupContext;
class CTKReportControl;
class CTKReportColumn;
class CTKReportColumns;
class CTKReportRow;
class CTKReportRecord;

// What changed in the columns, as the header hears it and passes it on to the
// owner (the flags of -55 and -56); the values are the ones owners read.
namespace TKColumnChange {
constexpr int kPlacement = 0x1;     // a column came or went, or a drag ended without reordering
constexpr int kOrderChanged = 0x2;  // the order or the grouping changed
constexpr int kAddedBit = 0x10;
constexpr int kStateLoadedBit = 0x40;
constexpr int kWidth = 0x100;
constexpr int kShownBit = 0x200;
constexpr int kHiddenBit = 0x400;
constexpr int kMovedInGroupBox = 0x1000;
constexpr int kDroppedInGroupBox = 0x2000;
constexpr int kFromFieldChooser = 0x4000;
constexpr int kRowFromGroupBox = 0x8000;
// The combinations the columns and the control send.
constexpr int kAdded = kPlacement | kAddedBit;                                           // 0x11
constexpr int kShown = kPlacement | kShownBit;                                           // 0x201
constexpr int kHidden = kPlacement | kHiddenBit;                                         // 0x401
constexpr int kStateLoaded = kPlacement | kStateLoadedBit;                               // 0x41
constexpr int kGroupingChanged = kOrderChanged | kMovedInGroupBox | kDroppedInGroupBox;  // 0x3002
}  // namespace TKColumnChange

class CTKReportDataHost {
 public:
  virtual ~CTKReportDataHost() = default;

  // ---- columns and header ----
  // The control's own column collection.
  virtual CTKReportColumns* GetColumns() { return nullptr; }
  virtual BOOL HasHeader() { return FALSE; }
  // The header's indent level (the number of columns in the group order).
  virtual int GetHeaderIndentLevel() { return 0; }
  // The header reacts to column changes (TKColumnChange flags).
  virtual void OnColumnsChanged(int flags, CTKReportColumn* column) {}
  virtual CTKReportColumn* GetPressedColumn() { return nullptr; }
  virtual CTKReportColumn* GetHotTrackedColumn() { return nullptr; }
  // The icon-view column (an item index), -1 when none.
  virtual int GetIconViewColumn() { return -1; }
  virtual BOOL IsIconView() { return FALSE; }
  virtual void EnsureColumnVisible(CTKReportColumn* column) {}
  virtual void SetFocusedColumn(CTKReportColumn* column) {}
  // Widest cell text of the column's rows (one page or all, by the
  // column's best-fit mode).
  virtual int GetColumnDataWidth(CTKReportColumn* column) { return 0; }
  // Width of the column's caption in the header caption font.
  virtual int MeasureColumnCaption(CTKReportColumn* column) { return 0; }
  // Width of a header icon, from the paint manager's bitmap measuring.
  virtual int GetHeaderIconWidth(CTKReportColumn* column, int iconId) { return 0; }

  // ---- paint manager settings the data side reads ----
  virtual int GetIndentPerLevel() { return 20; }
  virtual BOOL IsRightToLeft() { return FALSE; }
  // Header and footer texts follow the column alignment.
  virtual BOOL HeaderFollowsColumnAlignment() { return FALSE; }
  // 0 before the caption, 1 after, 2 no sort arrow.
  virtual int GetSortArrowPlacement() { return 0; }
  // The "SUM(" colour (index 0, red by default) and the "SUMSUB(" colour
  // (index 1, blue by default).
  virtual COLORREF GetFormulaColor(int index) { return index == 0 ? 0x0000FF : 0xFF0000; }
  virtual CFont* GetBoldTextFont() { return nullptr; }
  virtual CTKMarkupContext* GetMarkupContext() { return nullptr; }

  // ---- rows ----
  virtual int GetRowIndex(CTKReportRow* row) { return -1; }
  virtual CTKReportRecord* GetRowRecord(CTKReportRow* row) { return nullptr; }
};

using TKReportDataHostResolver = CTKReportDataHost* (*)(CTKReportControl* control);

// The control installs its resolver once; tests install fakes.
void TKSetReportDataHostResolver(TKReportDataHostResolver resolver);
// The control's answers, or the base answers for a null control or when no
// resolver is installed (never null).
CTKReportDataHost* TKGetReportDataHost(CTKReportControl* control);
