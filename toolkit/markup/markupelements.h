// Visual, UI and framework elements (layout: measure and arrange, hit
// testing, invalidation), brushes, and the element classes whose content
// model the builder needs: panels, decorator and border, page, controls,
// buttons, grid with its definitions; plus the remaining element classes of
// the type table (shapes, image, window container; scrolling is in
// markupscrollviewer.h).
//
// Drawing (Render, OnRender and the drawing context) comes with the drawing
// layer: the operations are declared here, and the element-specific layout
// (MeasureOverride/ArrangeOverride of panels, text and shapes) comes with it.
#pragma once

#include <climits>
#include <vector>

#include "toolkit/markup/markupinput.h"
#include "toolkit/markup/markuplayoutmath.h"
#include "toolkit/markup/markuppathgeometry.h"

class CTKMarkupDrawingContext;
class CTKMarkupThickness;
class CTKMarkupColor;

// ---- visual, UI element, framework element ----------------------------------------------

class CTKMarkupVisual : public CTKMarkupInputElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupVisual)
 public:
  CTKMarkupVisual();
  int GetLogicalChildrenCount() const override { return GetVisualChildrenCount(); }
  CTKMarkupObject* GetLogicalChild(int nIndex) const override { return GetVisualChild(nIndex); }
  CTKMarkupInputElement* InputHitTest(int x, int y) override;

  virtual int GetVisualChildrenCount() const { return 0; }
  virtual CTKMarkupVisual* GetVisualChild(int nIndex) const { return nullptr; }
  virtual BOOL GetLayoutClip(RECT& rcClip) const { return FALSE; }
  virtual void OnRender(CTKMarkupDrawingContext* pDC) {}
  virtual void OnRenderFocusVisual(CTKMarkupDrawingContext* pDC) {}
  virtual CTKMarkupInputElement* HitTestCore(int x, int y) { return this; }
  virtual void OnRenderSkipped(CTKMarkupDrawingContext* pDC);

  // Defined with the drawing layer.
  void Render(CTKMarkupDrawingContext* pDC);
  void UpdateBounds();
  CTKMarkupVisual* GetVisualParent() const;
  POINT GetVisualOffset() const { return m_ptVisualOffset; }
  void SetVisualOffset(POINT pt) { m_ptVisualOffset = pt; }
  SIZE GetRenderSize() const { return m_szRenderSize; }
  RECT GetBounds() const { return m_rcBounds; }

 protected:
  POINT m_ptVisualOffset;
  SIZE m_szRenderSize;
  RECT m_rcBounds;
};

class CTKMarkupUIElement : public CTKMarkupVisual {
  TK_DECLARE_MARKUPCLASS(CTKMarkupUIElement)
 public:
  CTKMarkupUIElement();
  static void RegisterMarkupDependencyProperties();
  BOOL GetLayoutClip(RECT& rcClip) const override;

  virtual void InvalidateArrange();
  virtual void InvalidateVisual();
  virtual void InvalidateMeasure();
  virtual void ArrangeCore(int left, int top, int right, int bottom);
  virtual SIZE MeasureCore(CTKMarkupDrawingContext* pDC, int cx, int cy);
  virtual void InvalidateMeasureCore(CTKMarkupDrawingContext* pDC);

  void Measure(CTKMarkupDrawingContext* pDC, int cx, int cy);
  void Arrange(RECT rcFinal);
  SIZE GetDesiredSize() const { return m_szDesiredSize; }
  RECT GetFinalRect() const { return m_rcFinalRect; }
  int GetVisibility() const;

  static CTKMarkupDependencyProperty* m_pClipToBoundsProperty;
  static CTKMarkupDependencyProperty* m_pVisibilityProperty;
  static CTKMarkupDependencyProperty* m_pFocusableProperty;
  static CTKMarkupDependencyProperty* m_pIsEnabledProperty;

 protected:
  SIZE m_szDesiredSize;
  RECT m_rcFinalRect;
  SIZE m_szPreviousAvailable;
  // Flags as bytes: a tree has tens of thousands of elements.
  bool m_bForceMeasure;
  bool m_bMeasureDirty;
  bool m_bArrangeNeeded;
  bool m_bArrangeDirty;
  bool m_bInArrange;
  bool m_bInMeasure;
};

class CTKMarkupFrameworkElement : public CTKMarkupUIElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupFrameworkElement)
 public:
  CTKMarkupFrameworkElement();
  static void RegisterMarkupDependencyProperties();
  void OnPropertyChanged(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pOldValue,
                         CTKMarkupObject* pNewValue) override;
  bool ChangesGoUnseen(CTKMarkupDependencyProperty* pProperty) const override;
  BOOL GetLayoutClip(RECT& rcClip) const override;
  void ArrangeCore(int left, int top, int right, int bottom) override;
  SIZE MeasureCore(CTKMarkupDrawingContext* pDC, int cx, int cy) override;

  virtual SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) { return SIZE{0, 0}; }
  virtual SIZE ArrangeOverride(int cx, int cy) { return SIZE{cx, cy}; }

  const CTKMarkupThickness* GetMargin() const;
  int GetHorizontalAlignment() const;
  int GetVerticalAlignment() const;
  BOOL NeedsClip() const { return m_bNeedsClipBounds; }

  static CTKMarkupDependencyProperty* m_pMarginProperty;
  static CTKMarkupDependencyProperty* m_pHorizontalAlignmentProperty;
  static CTKMarkupDependencyProperty* m_pVerticalAlignmentProperty;
  static CTKMarkupDependencyProperty* m_pWidthProperty;
  static CTKMarkupDependencyProperty* m_pHeightProperty;
  static CTKMarkupDependencyProperty* m_pMinWidthProperty;
  static CTKMarkupDependencyProperty* m_pMinHeightProperty;
  static CTKMarkupDependencyProperty* m_pMaxWidthProperty;
  static CTKMarkupDependencyProperty* m_pMaxHeightProperty;
  static CTKMarkupDependencyProperty* m_pTagProperty;

 protected:
  struct MinMax {
    int maxHeight, minHeight, maxWidth, minWidth;
  };
  MinMax GetMinMax() const;
  POINT AlignmentOffset(int cw, int ch, int iw, int ih) const;

  SIZE m_szUnclippedDesired;
  bool m_bNeedsClipBounds;
  bool m_bUnclippedDesiredSize;
};

// ---- brushes -------------------------------------------------------------------------------

class CTKMarkupBrush : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupBrush)
 public:
  CTKMarkupBrush() = default;
  CTKMarkupObject* ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) override;
  virtual COLORREF GetColor() const { return 0; }
};

class CTKMarkupSolidColorBrush : public CTKMarkupBrush {
  TK_DECLARE_MARKUPCLASS(CTKMarkupSolidColorBrush)
 public:
  CTKMarkupSolidColorBrush() = default;
  // Takes over the reference to the colour.
  explicit CTKMarkupSolidColorBrush(CTKMarkupColor* pColor);
  static void RegisterMarkupDependencyProperties();
  BOOL IsEqual(const CTKMarkupObject* pOther) const override;
  COLORREF GetColor() const override;
  static CTKMarkupDependencyProperty* m_pColorProperty;
};

class CTKMarkupPoint : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupPoint)
 public:
  CTKMarkupPoint(double x = 0, double y = 0) : x(x), y(y) {}
  CTKMarkupObject* ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) override;
  double x, y;
};

class CTKMarkupGradientStop : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupGradientStop)
 public:
  static void RegisterMarkupDependencyProperties();
  static CTKMarkupDependencyProperty* m_pColorProperty;
  static CTKMarkupDependencyProperty* m_pOffsetProperty;
};

class CTKMarkupGradientStops : public CTKMarkupCollection {
  TK_DECLARE_MARKUPCLASS(CTKMarkupGradientStops)
 public:
  CTKMarkupGradientStops();
};

class CTKMarkupLinearGradientBrush : public CTKMarkupBrush {
  TK_DECLARE_MARKUPCLASS(CTKMarkupLinearGradientBrush)
 public:
  CTKMarkupLinearGradientBrush();
  static void RegisterMarkupDependencyProperties();
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;
  COLORREF GetColor() const override;
  static CTKMarkupDependencyProperty* m_pStartPointProperty;
  static CTKMarkupDependencyProperty* m_pEndPointProperty;
  static CTKMarkupDependencyProperty* m_pGradientStopsProperty;
};

// ---- panels, decorator, border, page ------------------------------------------------------------

class CTKMarkupUIElementCollection : public CTKMarkupCollection {
 public:
  CTKMarkupUIElementCollection();
  void OnChanged() override;
};

class CTKMarkupPanel : public CTKMarkupFrameworkElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupPanel)
 public:
  CTKMarkupPanel();
  ~CTKMarkupPanel() override;
  static void RegisterMarkupDependencyProperties();
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;
  BOOL HasContent() const override { return m_pChildren->GetCount() > 0; }
  int GetVisualChildrenCount() const override { return m_pChildren->GetCount(); }
  CTKMarkupVisual* GetVisualChild(int nIndex) const override;
  CTKMarkupInputElement* HitTestCore(int x, int y) override;
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  CTKMarkupUIElementCollection* GetChildren() const { return m_pChildren; }
  static CTKMarkupDependencyProperty* m_pBackgroundProperty;

 protected:
  CTKMarkupUIElementCollection* m_pChildren;
};

class CTKMarkupStackPanel : public CTKMarkupPanel {
  TK_DECLARE_MARKUPCLASS(CTKMarkupStackPanel)
 public:
  static void RegisterMarkupDependencyProperties();
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;
  int GetOrientation() const;
  static CTKMarkupDependencyProperty* m_pOrientationProperty;
};

class CTKMarkupWrapPanel : public CTKMarkupPanel {
  TK_DECLARE_MARKUPCLASS(CTKMarkupWrapPanel)
 public:
  static void RegisterMarkupDependencyProperties();
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;
  int GetOrientation() const;
  static CTKMarkupDependencyProperty* m_pOrientationProperty;
  static CTKMarkupDependencyProperty* m_pItemHeightProperty;
  static CTKMarkupDependencyProperty* m_pItemWidthProperty;
};

class CTKMarkupDockPanel : public CTKMarkupPanel {
  TK_DECLARE_MARKUPCLASS(CTKMarkupDockPanel)
 public:
  static void RegisterMarkupDependencyProperties();
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;
  BOOL GetLastChildFill() const;
  // Left 0, Top 1, Right 2, Bottom 3.
  static int GetDock(const CTKMarkupObject* pElement);
  static CTKMarkupDependencyProperty* m_pLastChildFillProperty;
  static CTKMarkupDependencyProperty* m_pDockProperty;
};

class CTKMarkupUniformGrid : public CTKMarkupPanel {
  TK_DECLARE_MARKUPCLASS(CTKMarkupUniformGrid)
 public:
  static void RegisterMarkupDependencyProperties();
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;
  static CTKMarkupDependencyProperty* m_pFirstColumnProperty;
  static CTKMarkupDependencyProperty* m_pColumnsProperty;
  static CTKMarkupDependencyProperty* m_pRowsProperty;

 private:
  void UpdateComputedValues();
  int m_nColumns = 1;
  int m_nRows = 1;
  int m_nFirstColumn = 0;
};

class CTKMarkupCanvas : public CTKMarkupPanel {
  TK_DECLARE_MARKUPCLASS(CTKMarkupCanvas)
 public:
  static void RegisterMarkupDependencyProperties();
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;
  static CTKMarkupDependencyProperty* m_pTopProperty;
  static CTKMarkupDependencyProperty* m_pRightProperty;
  static CTKMarkupDependencyProperty* m_pLeftProperty;
  static CTKMarkupDependencyProperty* m_pBottomProperty;
};

// Holds one UI element; shared by the border (and, by the same rule, the page).
class CTKMarkupDecorator : public CTKMarkupFrameworkElement {
 public:
  CTKMarkupDecorator() : m_pChild(nullptr) {}
  ~CTKMarkupDecorator() override { SetChild(nullptr); }
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;
  BOOL HasContent() const override { return m_pChild != nullptr; }
  int GetVisualChildrenCount() const override { return m_pChild ? 1 : 0; }
  CTKMarkupVisual* GetVisualChild(int nIndex) const override;
  void SetChild(CTKMarkupUIElement* pChild);
  CTKMarkupUIElement* GetChild() const { return m_pChild; }

 protected:
  CTKMarkupUIElement* m_pChild;
};

class CTKMarkupBorder : public CTKMarkupDecorator {
  TK_DECLARE_MARKUPCLASS(CTKMarkupBorder)
 public:
  static void RegisterMarkupDependencyProperties();
  CTKMarkupInputElement* HitTestCore(int x, int y) override;
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;
  static CTKMarkupDependencyProperty* m_pBackgroundProperty;
  static CTKMarkupDependencyProperty* m_pPaddingProperty;
  static CTKMarkupDependencyProperty* m_pBorderThicknessProperty;
  static CTKMarkupDependencyProperty* m_pBorderBrushProperty;
  static CTKMarkupDependencyProperty* m_pCornerRadiusProperty;
};

class CTKMarkupPage : public CTKMarkupDecorator {
  TK_DECLARE_MARKUPCLASS(CTKMarkupPage)
 public:
  CTKMarkupInputElement* HitTestCore(int x, int y) override { return nullptr; }
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;
};

// Reserves a fixed size in the layout and keeps a native child window over
// it; the host that creates one attaches the window and its size.
class CTKMarkupWindowContainer : public CTKMarkupFrameworkElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupWindowContainer)
 public:
  void SetChildWindow(HWND hWnd, int cx, int cy) {
    m_hWndChild = hWnd;
    m_szWindow = SIZE{cx, cy};
  }
  HWND GetChildWindow() const { return m_hWndChild; }
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override { return m_szWindow; }
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  void OnRenderSkipped(CTKMarkupDrawingContext* pDC) override;

 private:
  HWND m_hWndChild = nullptr;
  SIZE m_szWindow{0, 0};
};

// ---- controls and buttons ----------------------------------------------------------------------------

class CTKMarkupControl : public CTKMarkupFrameworkElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupControl)
 public:
  static void RegisterMarkupDependencyProperties();
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;
  const CTKMarkupThickness* GetPadding() const;
};

class CTKMarkupContentControl : public CTKMarkupControl {
  TK_DECLARE_MARKUPCLASS(CTKMarkupContentControl)
 public:
  static void RegisterMarkupDependencyProperties();
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;
  BOOL HasContent() const override { return GetContent() != nullptr; }
  int GetVisualChildrenCount() const override { return GetContent() ? 1 : 0; }
  CTKMarkupVisual* GetVisualChild(int nIndex) const override;
  CTKMarkupUIElement* GetContent() const;
  void SetContent(CTKMarkupUIElement* pContent);
  static CTKMarkupDependencyProperty* m_pContentProperty;
};

class CTKWinThemeWrapper;

// Turns left presses into a pressed state with mouse capture and a Click.
class CTKMarkupButtonBase : public CTKMarkupContentControl {
  TK_DECLARE_MARKUPCLASS(CTKMarkupButtonBase)
 public:
  CTKMarkupButtonBase();
  ~CTKMarkupButtonBase() override;
  static void RegisterMarkupDependencyProperties();
  virtual void OnClick();
  void OnMouseLeave(CTKMarkupMouseEventArgs* e) override;
  void OnMouseEnter(CTKMarkupMouseEventArgs* e) override;
  void OnMouseLeftButtonUp(CTKMarkupMouseButtonEventArgs* e) override;
  void OnMouseLeftButtonDown(CTKMarkupMouseButtonEventArgs* e) override;
  void OnLostMouseCapture(CTKMarkupMouseEventArgs* e) override;
  BOOL IsPressed() const;
  void SetPressed(BOOL bPressed);
  BOOL IsEnabledValue() const;
  static CTKMarkupRoutedEvent* m_pClickEvent;
  static CTKMarkupDependencyProperty* m_pIsPressedProperty;

 protected:
  // 0 enabled and idle, 1, 2 and 3 as the look's normal, hot, pressed, disabled states 1-4.
  int GetBaseState() const;
  BOOL m_bPressed = FALSE;
  BOOL m_bMouseInside = FALSE;
  // Made when the button is first drawn: most buttons built are not.
  CTKWinThemeWrapper* Theme();
  CTKWinThemeWrapper* m_pTheme;
};

class CTKMarkupButton : public CTKMarkupButtonBase {
  TK_DECLARE_MARKUPCLASS(CTKMarkupButton)
 public:
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  void OnRenderFocusVisual(CTKMarkupDrawingContext* pDC) override;
};

// Check box and radio button: a three-valued IsChecked (0, 1, 2 indeterminate).
class CTKMarkupToggleButton : public CTKMarkupButtonBase {
  TK_DECLARE_MARKUPCLASS(CTKMarkupToggleButton)
 public:
  static void RegisterMarkupDependencyProperties();
  void OnClick() override;
  virtual void OnToggle();
  virtual void OnChecked(CTKMarkupRoutedEventArgs* e);
  virtual void OnUnchecked(CTKMarkupRoutedEventArgs* e);
  virtual void OnIndeterminate(CTKMarkupRoutedEventArgs* e);
  int GetChecked() const;
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;
  void OnRenderFocusVisual(CTKMarkupDrawingContext* pDC) override;
  static CTKMarkupDependencyProperty* m_pIsCheckedProperty;
  static CTKMarkupDependencyProperty* m_pIsThreeStateProperty;
  static CTKMarkupRoutedEvent* m_pCheckedEvent;
  static CTKMarkupRoutedEvent* m_pUncheckedEvent;
  static CTKMarkupRoutedEvent* m_pIndeterminateEvent;
};

class CTKMarkupCheckBox : public CTKMarkupToggleButton {
  TK_DECLARE_MARKUPCLASS(CTKMarkupCheckBox)
 public:
  void OnRender(CTKMarkupDrawingContext* pDC) override;
};

class CTKMarkupRadioButton : public CTKMarkupToggleButton {
  TK_DECLARE_MARKUPCLASS(CTKMarkupRadioButton)
 public:
  void OnToggle() override;
  void OnChecked(CTKMarkupRoutedEventArgs* e) override;
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  void OnRender(CTKMarkupDrawingContext* pDC) override;
};

// ---- grid -----------------------------------------------------------------------------------------------

// A column width or row height: "Auto", pixels, or a star weight ("*", "2.5*").
class CTKMarkupGridLength : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupGridLength)
 public:
  enum { unitAuto = 0, unitPixel = 1, unitStar = 2 };
  CTKMarkupGridLength(double dValue = 0, int nUnit = 1) : m_dValue(dValue), m_nUnit(nUnit) {}
  CTKMarkupObject* ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) override;
  BOOL IsEqual(const CTKMarkupObject* pOther) const override;
  double m_dValue;
  int m_nUnit;
};

class CTKMarkupDefinitionBase : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupDefinitionBase)
 public:
  // Layout kinds, combined into a cell's column and row kinds.
  enum { kindPixel = 1, kindAuto = 2, kindStar = 4 };
  BOOL m_bColumn = FALSE;
  // The user's size, minimum and maximum (width ones for a column).
  const CTKMarkupGridLength* GetUserSize() const;
  int GetUserMinSize() const;
  int GetUserMaxSize() const;
  // Raises the minimum size to the value (truncated, saturated).
  void UpdateMinSize(double dValue) {
    int n = MarkupTruncate(dValue);
    if (n > m_nMinSize) m_nMinSize = n;
  }
  // The minimum size for Auto, else max(minimum, measure size).
  double GetPreferredSize() const;
  // Layout fields, valid during one measure and the arrange after it.
  int m_nMinSize = 0;
  int m_nLayoutKind = 0;
  double m_dMeasureSize = 0;
  double m_dScratch = 0;
  int m_nFinalOffset = 0;
};

class CTKMarkupColumnDefinition : public CTKMarkupDefinitionBase {
  TK_DECLARE_MARKUPCLASS(CTKMarkupColumnDefinition)
 public:
  CTKMarkupColumnDefinition() { m_bColumn = TRUE; }
  static void RegisterMarkupDependencyProperties();
  static CTKMarkupDependencyProperty* m_pWidthProperty;
  static CTKMarkupDependencyProperty* m_pMinWidthProperty;
  static CTKMarkupDependencyProperty* m_pMaxWidthProperty;
};

class CTKMarkupRowDefinition : public CTKMarkupDefinitionBase {
  TK_DECLARE_MARKUPCLASS(CTKMarkupRowDefinition)
 public:
  static void RegisterMarkupDependencyProperties();
  static CTKMarkupDependencyProperty* m_pHeightProperty;
  static CTKMarkupDependencyProperty* m_pMinHeightProperty;
  static CTKMarkupDependencyProperty* m_pMaxHeightProperty;
};

class CTKMarkupDefinitionCollection : public CTKMarkupCollection {
  TK_DECLARE_MARKUPCLASS(CTKMarkupDefinitionCollection)
 public:
  CTKMarkupDefinitionCollection();
};

class CTKMarkupRowDefinitionCollection : public CTKMarkupDefinitionCollection {
  TK_DECLARE_MARKUPCLASS(CTKMarkupRowDefinitionCollection)
 public:
  CTKMarkupRowDefinitionCollection();
};

class CTKMarkupColumnDefinitionCollection : public CTKMarkupDefinitionCollection {
  TK_DECLARE_MARKUPCLASS(CTKMarkupColumnDefinitionCollection)
 public:
  CTKMarkupColumnDefinitionCollection();
};

class CTKMarkupGrid : public CTKMarkupPanel {
  TK_DECLARE_MARKUPCLASS(CTKMarkupGrid)
 public:
  CTKMarkupGrid();
  ~CTKMarkupGrid() override;
  static void RegisterMarkupDependencyProperties();
  void SetPropertyObject(CTKMarkupBuilder* pBuilder, CTKMarkupDependencyProperty* pProperty,
                         CTKMarkupObject* pValue) override;
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;
  CTKMarkupRowDefinitionCollection* GetRowDefinitions() const { return m_pRowDefinitions; }
  CTKMarkupColumnDefinitionCollection* GetColumnDefinitions() const { return m_pColumnDefinitions; }
  static CTKMarkupDependencyProperty* m_pColumnDefinitionsProperty;
  static CTKMarkupDependencyProperty* m_pRowDefinitionsProperty;
  static CTKMarkupDependencyProperty* m_pColumnProperty;
  static CTKMarkupDependencyProperty* m_pRowProperty;
  static CTKMarkupDependencyProperty* m_pColumnSpanProperty;
  static CTKMarkupDependencyProperty* m_pRowSpanProperty;

  // A spanning child's need, spread over its definitions after a group.
  struct SPANKEY {
    int nCount;
    int nStart;
    int bColumn;
    int nSize;
  };

 private:
  struct CellRecord {
    int nColumn, nRow, nColumnSpan, nRowSpan, nColumnKinds, nRowKinds, nNext;
  };
  static constexpr int kNoCell = 2147483647;
  void PrepareDefinitionLists();
  void ReleaseWorkingLists();
  void BuildCellRecords();
  void MeasureGridCell(CTKMarkupDrawingContext* pDC, int nCell, BOOL bUnboundedHeight);
  void MeasureCellGroup(CTKMarkupDrawingContext* pDC, int nGroup, BOOL bIgnoreWidths, BOOL bUnboundedHeight);

  CTKMarkupRowDefinitionCollection* m_pRowDefinitions;
  CTKMarkupColumnDefinitionCollection* m_pColumnDefinitions;
  CTKMarkupDefinitionCollection* m_pWorkingColumns = nullptr;
  CTKMarkupDefinitionCollection* m_pWorkingRows = nullptr;
  std::vector<CellRecord> m_cells;
  int m_nGroupHeads[4] = {kNoCell, kNoCell, kNoCell, kNoCell};
  BOOL m_bHasStarColumns = FALSE;
  BOOL m_bHasStarRows = FALSE;
  BOOL m_bGroup3InAutoRow = FALSE;
};

// ---- classes registered now, specified with the drawing layer ------------------------------------------------

struct TKMARKUPSTROKE;

// Shapes: simple vector figures with a fill and a stroke. Their size comes
// from their own coordinates, from Width/Height and alignment, or from Stretch.
class CTKMarkupShape : public CTKMarkupFrameworkElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupShape)
 public:
  static void RegisterMarkupDependencyProperties();
  // The stroke as the drawing context takes it: thickness 1 when unset,
  // 0 without a Stroke brush.
  void GetStroke(TKMARKUPSTROKE* pStroke) const;
  CTKMarkupBrush* GetFill() const;
  BOOL IsStretched() const;
  static CTKMarkupDependencyProperty* m_pFillProperty;
  static CTKMarkupDependencyProperty* m_pStrokeProperty;
  static CTKMarkupDependencyProperty* m_pStrokeThicknessProperty;
  static CTKMarkupDependencyProperty* m_pStretchProperty;
  static CTKMarkupDependencyProperty* m_pStrokeDashArrayProperty;
  static CTKMarkupDependencyProperty* m_pStrokeStartLineCapProperty;
  static CTKMarkupDependencyProperty* m_pStrokeEndLineCapProperty;
  static CTKMarkupDependencyProperty* m_pStrokeLineJoinProperty;
};

// Integer points ("0,0 10,10 20,0") with their bounds.
class CTKMarkupPointCollection : public CTKMarkupObject {
  TK_DECLARE_MARKUPCLASS(CTKMarkupPointCollection)
 public:
  CTKMarkupObject* ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) override;
  const std::vector<POINT>& GetPoints() const { return m_points; }
  const RECT& GetBounds() const { return m_rcBounds; }
  void SetPoints(std::vector<POINT> points);

 private:
  std::vector<POINT> m_points;
  RECT m_rcBounds{0, 0, 0, 0};
};

class CTKMarkupPolygon : public CTKMarkupShape {
  TK_DECLARE_MARKUPCLASS(CTKMarkupPolygon)
 public:
  static void RegisterMarkupDependencyProperties();
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  static CTKMarkupDependencyProperty* m_pPointsProperty;
};
class CTKMarkupPolyline : public CTKMarkupShape {
  TK_DECLARE_MARKUPCLASS(CTKMarkupPolyline)
 public:
  static void RegisterMarkupDependencyProperties();
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  static CTKMarkupDependencyProperty* m_pPointsProperty;
};
class CTKMarkupRectangle : public CTKMarkupShape {
  TK_DECLARE_MARKUPCLASS(CTKMarkupRectangle)
 public:
  static void RegisterMarkupDependencyProperties();
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  static CTKMarkupDependencyProperty* m_pRadiusXProperty;
  static CTKMarkupDependencyProperty* m_pRadiusYProperty;
};
class CTKMarkupEllipse : public CTKMarkupShape {
  TK_DECLARE_MARKUPCLASS(CTKMarkupEllipse)
 public:
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  CTKMarkupInputElement* HitTestCore(int x, int y) override;
};
class CTKMarkupLine : public CTKMarkupShape {
  TK_DECLARE_MARKUPCLASS(CTKMarkupLine)
 public:
  static void RegisterMarkupDependencyProperties();
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  CTKMarkupInputElement* HitTestCore(int x, int y) override;
  // The end points as drawn: mapped onto the render box when stretched.
  void GetDrawnPoints(int& x1, int& y1, int& x2, int& y2) const;
  static CTKMarkupDependencyProperty* m_pX1Property;
  static CTKMarkupDependencyProperty* m_pY1Property;
  static CTKMarkupDependencyProperty* m_pX2Property;
  static CTKMarkupDependencyProperty* m_pY2Property;
};
class CTKMarkupPath : public CTKMarkupShape {
  TK_DECLARE_MARKUPCLASS(CTKMarkupPath)
 public:
  static void RegisterMarkupDependencyProperties();
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  static CTKMarkupDependencyProperty* m_pDataProperty;
};
class CTKImageManager;
class CTKImageManagerIcon;

// A picture from a file ("file://"), a resource ("res://name" or "res://#12")
// or an icon id of the context's image manager, sized by Stretch.
class CTKMarkupImage : public CTKMarkupFrameworkElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupImage)
 public:
  ~CTKMarkupImage() override;
  static void RegisterMarkupDependencyProperties();
  void LoadSource(int nWidth);
  SIZE GetImageSize(int cx, int cy) const;
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override { return GetImageSize(cx, cy); }
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  CTKImageManagerIcon* GetIcon() const { return m_pIcon; }
  static CTKMarkupDependencyProperty* m_pSourceProperty;
  static CTKMarkupDependencyProperty* m_pStretchProperty;

 private:
  void ReleasePicture();
  CTKImageManager* m_pImageManager = nullptr;
  CTKImageManagerIcon* m_pIcon = nullptr;
};
// The scroll viewer and its bars are in markupscrollviewer.h.
