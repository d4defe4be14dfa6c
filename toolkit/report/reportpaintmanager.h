// The look and the measures of one report grid: fonts, colours, metrics,
// display switches, texts, glyph images and visual-style handles, the
// row, header and footer heights, and every drawing operation of the grid
// as a virtual method, so that a derived class can restyle any piece.
//
// Each control owns exactly one paint manager; rows, items, columns,
// sections, the header, the editors and the field chooser reach it
// through the control.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"
#include "platform/framework/afxgdi.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/report/reportcolumnstyle.h"
#include "toolkit/report/reportres.h"

class CDC;
class CTKImageManager;
class CTKMarkupInputElement;
class CTKWinThemeWrapper;
class CTKReportControl;
class CTKReportColumn;
class CTKReportHeader;
class CTKReportRow;
class CTKReportGroupRow;
class CTKReportHyperlink;
class CTKReportRecordItem;
class CTKReportRecordItemControl;
class CTKReportInplaceButton;
struct TK_REPORTRECORDITEM_DRAWARGS;
class TK_REPORTRECORDITEM_METRICS;

// Colour and decoration of hyperlinks (decoration 0 none, 1 underline).
class CTKReportHyperlinkStyle : public CCmdTarget {
 public:
  CTKReportHyperlinkStyle(COLORREF color, int textDecoration) : m_clrText(color), m_nTextDecoration(textDecoration) {}
  COLORREF GetColor() const { return m_clrText; }
  int GetTextDecoration() const { return m_nTextDecoration; }
  void SetColor(COLORREF color) { m_clrText = color; }
  void SetTextDecoration(int decoration) { m_nTextDecoration = decoration; }

 protected:
  COLORREF m_clrText;
  int m_nTextDecoration;
};

// x * multiplier / divisor + addend in integers; a divisor of 0 counts as 1.
class CTKFormulaMulDivC : public CCmdTarget {
 public:
  CTKFormulaMulDivC() = default;
  virtual int Compute(int x) const;
  virtual void SetParameters(int multiplier, int divisor, int addend);
  virtual void GetParameters(int* multiplier, int* divisor, int* addend) const;

 protected:
  int m_nMultiplier = 1;
  int m_nDivisor = 1;
  int m_nAddend = 0;
};

// Grid line styles.
enum TKReportGridStyle {
  tkGridNoLines = 0,
  tkGridSmallDots = 1,
  tkGridLargeDots = 2,
  tkGridDashes = 3,
  tkGridSolid = 4,
};

// Freeze divider style flags.
enum TKReportFreezeColsDividerStyle {
  tkFreezeDividerThin = 1,
  tkFreezeDividerBold = 2,
  tkFreezeDividerHeader = 4,
  tkFreezeDividerShade = 8,
  tkFreezeDividerShowAlways = 16,
};

// Glyph ids of the glyph strip.
enum TKReportGlyph {
  tkGlyphExpanded = 0,
  tkGlyphCollapsed = 1,
  tkGlyphUnchecked = 2,
  tkGlyphChecked = 3,
  tkGlyphUncheckedDisabled = 4,
  tkGlyphCheckedDisabled = 5,
  tkGlyphColumnCollapsed = 6,
  tkGlyphColumnExpanded = 7,
  tkGlyphIndeterminate = 8,
  tkGlyphLocked = 9,
  tkGlyphUnlocked = 10,
  tkGlyphSortDescending = 11,  // supplied by the application
  tkGlyphSortAscending = 12,   // supplied by the application
};

class CTKReportPaintManager : public CCmdTarget {
  friend class CTKReportColumnStyle;

 public:
  CTKReportPaintManager();
  ~CTKReportPaintManager() override;
  CTKReportPaintManager(const CTKReportPaintManager&) = delete;
  CTKReportPaintManager& operator=(const CTKReportPaintManager&) = delete;

  // ---- virtual operations (settings and measuring) ----
  virtual void SetReportControl(CTKReportControl* control) { m_pControl = control; }
  virtual void RefreshMetrics();
  // The height of a row without its preview.
  virtual int GetRowHeight(CDC* pDC, CTKReportRow* pRow, int nTotalWidth);
  // The fixed-mode height of a row.
  virtual int GetBaseRowHeight(CDC* pDC, CTKReportRow* pRow);
  virtual int AdjustPreviewHeight(CDC* pDC, CTKReportRow* pRow, int nWidth, int nHeight) { return nHeight; }
  virtual int GetHeaderHeight(CTKReportControl* pControl, CDC* pDC, int nTotalWidth);
  virtual int GetFixedHeaderHeight() { return m_nHeaderHeight; }
  virtual int GetFooterHeight(CTKReportControl* pControl, CDC* pDC, int nTotalWidth);
  virtual COLORREF GetControlBackColor(CTKReportControl* pControl) { return m_clrControlBack; }

  // ---- virtual operations (drawing) ----
  virtual void FillRow(CDC* pDC, CTKReportRow* pRow, CRect rcRow);
  virtual void DrawGridLine(CDC* pDC, BOOL bVertical, CRect rc);
  virtual void DrawGrid(CDC* pDC, int nVertical, CRect rc) { DrawGridLine(pDC, nVertical != 0, rc); }
  virtual void DrawFreezeColsDivider(CDC* pDC, const CRect& rc, CTKReportControl* pControl, CTKReportRow* pRow);
  virtual void DrawVerticalBodyLine(CDC* pDC, int x, CTKReportControl* pControl, COLORREF color);
  virtual void DrawGroupRow(CDC* pDC, CTKReportGroupRow* pRow, CRect rcRow, TK_REPORTRECORDITEM_METRICS* pMetrics);
  virtual void FillGroupRowMetrics(CTKReportGroupRow* pRow, TK_REPORTRECORDITEM_METRICS* pMetrics, BOOL bPrinting);
  virtual void FillIndent(CDC* pDC, CRect rc);
  virtual void FillSortedColumnShade(CDC* pDC, CRect rc);
  virtual void FillHeaderControl(CDC* pDC, CRect rc);
  virtual void FillFooter(CDC* pDC, CRect rc);
  virtual void DrawColumn(CDC* pDC, CTKReportColumn* pColumn, CTKReportHeader* pHeader, CRect rcColumn,
                          BOOL bDrawExternal);
  virtual void DrawColumnFooter(CDC* pDC, CTKReportColumn* pColumn, CTKReportHeader* pHeader, CRect rcColumn);
  virtual void DrawFocusedRow(CDC* pDC, CRect rcRow);
  virtual void FillGroupByControl(CDC* pDC, CRect rc);
  virtual int DrawBitmap(CDC* pDC, CTKReportControl* pControl, CRect rc, int nIcon);
  virtual int DrawColumnIcon(CDC* pDC, CTKReportColumn* pColumn, CRect rcColumn, CRect rcIcon, int nIcon);
  virtual CSize DrawGlyph(CDC* pDC, CRect rc, int nGlyph);
  virtual CSize DrawShellIcon(CDC* pDC, CRect rc, int nIcon);
  virtual void DrawInplaceButton(CDC* pDC, CTKReportInplaceButton* pButton);
  virtual BOOL DrawComboButtonGlyph(CDC* pDC, CRect* pRect);
  virtual BOOL DrawExpandButtonGlyph(CDC* pDC, CRect* pRect);
  virtual BOOL DrawSpinButtonGlyph(CDC* pDC, CRect* pRect);
  virtual void DrawTreeStructure(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pMetrics,
                                 CRect rcItem, CSize szButton);
  virtual void DrawItemBitmap(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, CRect& rcItem, int nIcon);
  virtual void DrawItemCaption(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pMetrics);
  virtual void DrawRowNumber(CDC* pDC, CRect rcNumber, CTKReportRow* pRow);
  virtual void DrawItemControl(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, CTKReportRecordItemControl* pControl,
                               CRect& rcItem);
  virtual BOOL CanDrawPreview(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs) { return TRUE; }
  virtual void DrawNoGroupByText(CDC* pDC, CRect rc);
  virtual void DrawTextLine(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pMetrics,
                            const CString& strText, CRect rcItem, UINT nFlags, int* pnCharCounter,
                            int* pnHyperlinkCounter);
  virtual int DrawString(int* pnCurrDrawPos, CDC* pDC, const CString& strDraw, CRect rcDraw, UINT nFormat);
  virtual void DrawColumnBackground(CDC* pDC, CTKReportColumn* pColumn, CRect rcColumn, BOOL* pbColumnPressed,
                                    CTKReportHeader* pHeader);
  virtual void DrawPatternedRect(CDC* pDC, CBrush* pBrush, CRect rc, const WORD pattern[8], COLORREF color);
  virtual void DrawInplaceButtonFrame(CDC* pDC, CTKReportInplaceButton* pButton);
  virtual BOOL DrawInplaceButtonIcon(CDC* pDC, CTKReportInplaceButton* pButton);
  virtual int CalcColumnCaptionHeight(CDC* pDC, CTKReportColumn* pColumn, int nTotalWidth);
  virtual void DrawMultiLineText(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pMetrics,
                                 const CString& strText, CRect rcItem, BOOL bWordBreak);
  virtual void DrawTextLineWithHyperlinks(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                          TK_REPORTRECORDITEM_METRICS* pMetrics, const CString& strText, CRect rcItem,
                                          int nFirst, int nLast, int nLineWidth);
  virtual int CalcTextHeight(CDC* pDC, const CString& strText, int nMaxWidth, BOOL bWordBreak);
  virtual CRect* CalcTextRect(CRect* pResult, CDC* pDC, const CString& strText, CRect rcItem, BOOL bWordBreak,
                              BOOL bLimitSize, UINT nFormat);
  virtual int DrawHyperlink(int* pnCurrDrawPos, TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                            TK_REPORTRECORDITEM_METRICS* pMetrics, CTKReportHyperlink* pHyperlink, CString strText,
                            CRect rcLink, UINT nFlags, BOOL bTrim);
  virtual void DrawTreeLine(CDC* pDC, int x, int y, int cx, int cy, COLORREF color);
  virtual void ReplaceSpacesInHyperlinks(CTKReportRecordItem* pItem, CString& strText, TCHAR chReplace);

  // ---- non-virtual operations ----
  void SetTextFont(const LOGFONTW& lf);
  void SetCaptionFont(const LOGFONTW& lf);
  // Stores the style of that direction and drops its cached brush.
  void SetGridStyle(BOOL bVertical, int nStyle);
  int GetGridStyle(BOOL bVertical) const { return bVertical ? m_nVerticalGridStyle : m_nHorizontalGridStyle; }
  // 0 horizontal, 1 vertical; any other direction FALSE.
  BOOL IsGridVisible(int nDirection) const;
  int GetPreviewLinesCount(CDC* pDC, const CRect& rc, const CString& strText);
  // The printable page width in screen pixels, measured once on the
  // default printer; 0 while there is none.
  int GetPrintPageWidth();
  // The printable width of the printer DC's page: its width at 96 pixels
  // per inch less the report print options' margins.
  int MeasurePrintPageWidth(CDC* pPrinterDC);
  BOOL IsColumnHotTrackingEnabled();
  // The expand glyph of a row (the theme image "ReportExpandButton" in the
  // theme-image style); moves rcButton to where it went. A null DC only
  // measures. The size is the image's + 2 each way.
  CSize DrawExpandButton(CDC* pDC, CTKReportRow* pRow, CRect& rcButton);
  // The sort arrow box: an application image 11/12 when there is one,
  // else a drawn arrow; nothing in a box 10 pixels wide or less.
  int DrawSortArrow(CDC* pDC, CRect rcArrow, BOOL bDecreasing, int nInset);
  // Position 1 below the top section, 0 above the bottom one.
  void DrawSectionDivider(CDC* pDC, const CRect& rc, int nPosition, int nStyle, COLORREF color);
  int GetDividerThickness(int nStyle) const;
  // Black left and bottom edges of the rectangle (group-by box connectors).
  void DrawLeftBottomEdges(CDC* pDC, CRect rc);
  // The width of the text with character 1 read as a space.
  int GetTextWidth(CDC* pDC, const CString& strText);
  int GetTextWidth(CDC* pDC, LPCTSTR lpszText, int nCount);
  // Each channel from - alpha * (from - to), truncated.
  static COLORREF BlendColor(COLORREF clrFrom, COLORREF clrTo, double dAlpha);

  // ---- getters and setters of the settings ----
  CTKReportControl* GetReportControl() const { return m_pControl; }
  CFont* GetTextFont() { return &m_fontText; }
  CFont* GetBoldTextFont() { return &m_fontBoldText; }
  CFont* GetCaptionFont() { return &m_fontCaption; }
  CFont* GetPreviewFont() { return &m_fontPreview; }
  CTKReportHyperlinkStyle* GetHyperlinkStyle() const { return m_pHyperlinkStyle; }
  CTKReportHyperlinkStyle* GetHyperlinkHoverStyle() const { return m_pHyperlinkHoverStyle; }
  CTKImageManager* GetGlyphs() const { return m_pGlyphs; }
  CTKFormulaMulDivC* GetHeaderHeightFormula() const { return m_pHeaderHeightFormula; }

  int GetRowHeightDefault() const { return m_nRowHeight; }
  void SetRowHeightDefault(int height) { m_nRowHeight = height; }
  int GetFooterHeightDefault() const { return m_nFooterHeight; }
  void SetHeaderHeight(int height) { m_nHeaderHeight = height; }
  void SetFooterHeight(int height) { m_nFooterHeight = height; }
  int GetMinRowHeight() const { return m_nMinRowHeight; }
  void SetMinRowHeight(int height) { m_nMinRowHeight = height; }
  int GetTreeIndent() const { return m_nTreeIndent; }
  void SetTreeIndent(int indent) { m_nTreeIndent = indent; }
  // The stored number of the column style, as it was set.
  int GetColumnStyle() const { return m_columnStyle; }
  // Keeps the number; a number no style has draws as the raised style
  // (TKReportColumnStyle::Flat) but without a section band.
  void SetColumnStyle(int style);
  void SetColumnStyle(TKReportColumnStyle style) { SetColumnStyle(TKReportColumnStyleNumber(style)); }
  COLORREF GetThemeBaseColor() const { return m_clrThemeBase; }
  void SetThemeBaseColor(COLORREF color) {
    m_clrThemeBase = color;
    RefreshMetrics();
  }
  COLORREF GetFormulaColor(int index) const { return index == 0 ? m_clrFormulaSum : m_clrFormulaSubSum; }
  void SetFormulaColors(COLORREF sum, COLORREF subSum) {
    m_clrFormulaSum = sum;
    m_clrFormulaSubSum = subSum;
  }
  const CString& GetNoItemsText() const { return m_strNoItems; }
  void SetNoItemsText(const CString& text) { m_strNoItems = text; }
  const CString& GetNoGroupByText() const { return m_strNoGroupBy; }
  void SetNoGroupByText(const CString& text) { m_strNoGroupBy = text; }
  const CString& GetNoFieldsAvailableText() const { return m_strNoFieldsAvailable; }
  const CString& GetSortByText() const { return m_strSortBy; }
  const CString& GetIncreasingText() const { return m_strIncreasing; }
  const CString& GetDecreasingText() const { return m_strDecreasing; }
  const CString& GetExpandText() const { return m_strExpand; }
  const CString& GetCollapseText() const { return m_strCollapse; }
  BOOL IsFixedRowHeight() const { return m_bFixedRowHeight; }
  void SetFixedRowHeight(BOOL fixed) { m_bFixedRowHeight = fixed; }
  BOOL IsPreviewMode() const { return m_bIsPreviewMode; }
  void EnablePreviewMode(BOOL enable) { m_bIsPreviewMode = enable; }
  int GetMaxPreviewLines() const { return m_nMaxPreviewLines; }
  void SetMaxPreviewLines(int lines) { m_nMaxPreviewLines = lines; }
  BOOL IsShadeGroupHeadings() const { return m_bShadeGroupHeadings; }
  void SetShadeGroupHeadings(BOOL shade) { m_bShadeGroupHeadings = shade; }
  BOOL IsGroupRowTextBold() const { return m_bGroupRowTextBold; }
  void SetGroupRowTextBold(BOOL bold) { m_bGroupRowTextBold = bold; }
  BOOL IsShadeSortColumn() const { return m_bShadeSortColumn; }
  void SetShadeSortColumn(BOOL shade) { m_bShadeSortColumn = shade; }
  BOOL IsRightToLeft() const { return m_bRightToLeft; }
  void SetRightToLeft(BOOL rtl) { m_bRightToLeft = rtl; }
  BOOL IsHeaderFollowsColumnAlignment() const { return m_bHeaderFollowsColumnAlignment; }
  int GetSortArrowPlacement() const { return m_nSortArrowPlacement; }
  int GetFreezeColsDividerStyle() const { return m_nFreezeColsDividerStyle; }
  void SetFreezeColsDividerStyle(int style) { m_nFreezeColsDividerStyle = style; }
  int GetFreezeColsDividerPosition() const { return m_nFreezeColsDividerPosition; }
  int GetTreeStructureStyle() const { return m_nTreeStructureStyle; }
  void SetTreeStructureStyle(int style) { m_nTreeStructureStyle = style; }
  CSize GetGlyphSize() const { return CSize(m_nGlyphWidth, m_nGlyphHeight); }
  // A row's height in icon view: the icon spacing, at least the icon and
  // two text lines.
  int GetIconViewRowHeight() const;
  int GetIconViewItemWidth() const { return m_nIconViewItemWidth; }
  void SetIconViewItemWidth(int width) { m_nIconViewItemWidth = width; }
  BOOL IsColumnWidthWYSIWYG() const { return m_bColumnWidthWYSIWYG; }
  void SetColumnWidthWYSIWYG(BOOL on) { m_bColumnWidthWYSIWYG = on; }

  // ---- members, in declaration order ----
  // Fonts and hyperlink styles.
  CFont m_fontText;
  CFont m_fontBoldText;
  CFont m_fontCaption;
  CFont m_fontPreview;
  CTKReportHyperlinkStyle* m_pHyperlinkStyle = nullptr;
  CTKReportHyperlinkStyle* m_pHyperlinkHoverStyle = nullptr;

  // Theme colours.
  CTKPaintManagerColor m_clrHighlight;  // selection background
  CTKPaintManagerColor m_clrGridLine;
  CTKPaintManagerColor m_clrWindowText;     // text colour
  CTKPaintManagerColor m_clrHighlightText;  // selection text
  CTKPaintManagerColor m_clrHeaderControl;  // header face
  CTKPaintManagerColor m_clrCaptionText;    // header text
  CTKPaintManagerColor m_clrControlBack;
  CTKPaintManagerColor m_clrGroupRowText;
  CTKPaintManagerColor m_clrGroupShadeBack;
  CTKPaintManagerColor m_clrGroupShadeText;
  CTKPaintManagerColor m_clrGroupShadeBorder;
  CTKPaintManagerColor m_clrGroupBoxBack;
  CTKPaintManagerColor m_clrControlDark;        // 3D shadow
  CTKPaintManagerColor m_clrControlLightLight;  // 3D highlight
  CTKPaintManagerColor m_clrHotDivider;         // drop marker
  CTKPaintManagerColor m_clrIndentControl;      // group indent
  CTKPaintManagerColor m_clrItemShade;          // sorted column shade
  CTKPaintManagerColor m_clrBtnFace;            // 3D face
  CTKPaintManagerColor m_clrBtnText;            // button text
  CTKPaintManagerColor m_clrPreviewText;
  CTKPaintManagerColor m_clrSelectedRow;      // inactive selection background
  CTKPaintManagerColor m_clrSelectedRowText;  // inactive selection text
  CTKPaintManagerColorGradient m_grcGradientColumn;
  CTKPaintManagerColorGradient m_grcGradientColumnHot;
  CTKPaintManagerColorGradient m_grcGradientColumnPushed;
  CTKPaintManagerColor m_clrGradientColumnShadow;
  CTKPaintManagerColor m_clrGradientColumnSeparator;
  CTKPaintManagerColor m_clrGroupBoxText;
  CTKPaintManagerColor m_clrFreezeColsDivider;

  // Plain values and switches.
  COLORREF m_clrThemeBase = static_cast<COLORREF>(-1);
  COLORREF m_clrFormulaSum = RGB(255, 0, 0);
  COLORREF m_clrFormulaSubSum = RGB(0, 0, 255);
  COLORREF m_clrAlternativeBackground = RGB(224, 224, 224);
  BOOL m_bUseAlternativeBackground = FALSE;
  int m_nFixedColumnsIndent = -1;  // glyph-less caption offset
  int m_nTreeIndent = 20;
  BOOL m_bTreeLinesAtTopLevel = FALSE;
  int m_nTreeTextIndentRowParent = 3;    // gap after expand button
  int m_nTreeTextIndentRowNoParent = 5;  // gap without expand button
  int m_nTreeTextIndentGroupRow = 5;     // group caption gap
  BOOL m_bGroupRowTextBold = FALSE;
  BOOL m_bShadeGroupHeadings = FALSE;
  BOOL m_bShadeSortColumn = TRUE;
  BOOL m_bHotTracking = TRUE;
  BOOL m_bInvertColumnOnClick = TRUE;
  CString m_strNoItems;
  CString m_strSortBy;
  CString m_strIncreasing;
  CString m_strDecreasing;
  CString m_strNoGroupBy;
  CString m_strNoFieldsAvailable;
  CString m_strExpand;
  CString m_strCollapse;
  BOOL m_bHideSelection = FALSE;
  BOOL m_bPrintSortTriangle = TRUE;
  int m_nSortArrowPlacement = 0;
  BOOL m_bHeaderFollowsColumnAlignment = FALSE;
  BOOL m_bRightToLeft = FALSE;
  BOOL m_bUseEditTextAlignment = TRUE;
  BOOL m_bDrawLockIcon = FALSE;
  BOOL m_bUseShellIcon = FALSE;
  int m_nStartRecOrRowNumber = 0;  // row number offset
  BOOL m_bRecOrRowNum = TRUE;      // number by record
  int m_nTreeStructureStyle = 1;
  CRect m_rcPreviewIndent;
  int m_nFreezeColsDividerPosition = 0;
  BOOL m_bFreezeColsOption = FALSE;
  BOOL m_bUseThemedControls = TRUE;
  BOOL m_bTreeIndentColumn = FALSE;  // indent tree column
  int m_nPrintPageWidth = 0;
  int m_nIconViewItemWidth = 20;
  BOOL m_bMarkupCaptions = FALSE;
  BOOL m_bInCellButtons = FALSE;
  BOOL m_bGroupRowCheckBoxes = FALSE;
  BOOL m_bShowCellTipAlways = FALSE;
  BOOL m_bCleanTooltip = FALSE;  // strip markup from tips
  BOOL m_bDimWhenDisabled = TRUE;
  int m_nMinRowHeight = 18;
  BOOL m_bCompactNarrowColumnIcon = FALSE;  // hide narrow column icon
  BOOL m_bDropMarker = TRUE;
  BOOL m_bSortArrowAtRight = FALSE;
  int m_nTreeLineLength = 0;
  int m_nExtraTreeIndent = 0;
  int m_nRowHeight = 18;
  int m_nHeaderHeight = 20;
  int m_nFooterHeight = 20;
  int m_nGroupGridLineHeight = 2;  // group underline thickness
  CTKImageManager* m_pGlyphs = nullptr;
  BOOL m_bIsPreviewMode = FALSE;
  int m_nMaxPreviewLines = 3;
  int m_nGlyphWidth = 12;
  int m_nGlyphHeight = 12;
  CBrush m_brushVeriticalGrid;
  CBrush m_brushHorizontalGrid;
  CBrush m_brushTreeStructure;
  CBrush m_brushGroupGridLine;
  int m_nFreezeColsDividerStyle = tkFreezeDividerThin | tkFreezeDividerHeader | tkFreezeDividerShade;
  BOOL m_bFixedRowHeight = TRUE;
  BOOL m_bColumnWidthWYSIWYG = FALSE;    // print with screen widths
  BOOL m_bPrintPageWidthMarkers = TRUE;  // page-width markers
  BOOL m_bAutoSizeOption = FALSE;
  BOOL m_bDrawGridForEmptySpace = FALSE;  // grid below rows
  BOOL m_bPrintButtons = TRUE;
  BOOL m_bColumnBlockGlyphs = FALSE;
  BOOL m_bSingleLineButtons = FALSE;
  int m_nGroupGridLineStyle = 4;  // group underline style
  int m_nVerticalGridStyle = tkGridNoLines;
  int m_nHorizontalGridStyle = tkGridSolid;
  CTKWinThemeWrapper* m_themeHeader = nullptr;
  CTKWinThemeWrapper* m_themeButton = nullptr;
  CTKWinThemeWrapper* m_themeCombo = nullptr;
  CTKWinThemeWrapper* m_themeSpin = nullptr;
  CTKFormulaMulDivC* m_pHeaderHeightFormula = nullptr;
  CTKReportControl* m_pControl = nullptr;
  CTKMarkupInputElement* m_pGroupByHintElement = nullptr;
  CString m_strGroupByHintSource;

  // The grid patterns (8 rows, top to bottom) of each style, for the
  // horizontal and the vertical direction; the dashed group underline and
  // the dotted tree lines.
  static const WORD kGridPatterns[2][4][8];
  static const WORD kGroupUnderlinePattern[8];
  static const WORD kTreeLinePattern[8];

 protected:
  // The look of the column style; made again whenever the style changes.
  int m_columnStyle = TKReportColumnStyleNumber(TKReportColumnStyle::Shaded);
  std::unique_ptr<CTKReportColumnStyle> m_pColumnStyle;

  // The extent of one space in the font, measured on a screen DC.
  static CSize MeasureSpace(CFont* pFont);
  // Height of the column's header icon in the control's image manager, 0
  // without one.
  int ColumnIconHeight(CTKReportColumn* pColumn);
  // What the drawing reads of the control (reportpaintmanager_control.cpp).
  BOOL IsControlInIconView();
  // A link of a selected row in a focused control, outside the focused
  // column, takes the selection text colour.
  BOOL UseSelectionTextForHyperlink(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs);
  BOOL IsHotHyperlink(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, CTKReportHyperlink* pHyperlink);
  // Glyph 3, 5, 2 or 4 after a group row's glyph, from its children's
  // selection.
  void DrawGroupRowCheck(CDC* pDC, CTKReportGroupRow* pRow, const CRect& rcGlyph);
  BOOL IsRowSelected(CTKReportRow* pRow);
  // The body's vertical scroll position and its limit.
  void GetControlVerticalScroll(int* pnPos, int* pnLimit);
  BOOL IsControlAutoColumnSizing();
  // Scrolled horizontally, by pixels rather than whole columns.
  BOOL IsControlScrolledByPixels();
  BOOL IsControlGroupByVisible();
  CRect GetControlGroupByArea();
  BOOL IsHeaderPressInProgress(CTKReportHeader* pHeader);
  CTKReportColumn* GetColumnLeftOf(CTKReportHeader* pHeader, CTKReportColumn* pColumn);
};
