// The looks of the report header's columns: one subclass per column style
// (reportcolumnstyle*.h), made by TKCreateReportColumnStyle. A style draws
// the column buttons, their box in the group-by box, the sort arrow, the
// footer and the band between sections, and sets the colours of its own;
// the paint manager owns one and makes a new one when the style changes.
#pragma once

#include <memory>
#include <optional>

#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"

class CDC;
class CTKReportColumn;
class CTKReportPaintManager;
class CTKResourceImage;

// The column styles by their stored number.
enum class TKReportColumnStyle : int {
  Shaded = 0,      // flat face with a shaded bottom edge
  Flat = 1,        // raised: simple 3D buttons
  Explorer = 2,    // the "HEADER" visual style, else two-level 3D buttons
  Office2003 = 3,  // colour-manager gradients
  Resource = 4,    // colours from the theme INI or a base colour
};

// The style of a stored number; none for a number no style has (the paint
// manager draws those as the raised style).
std::optional<TKReportColumnStyle> TKReportColumnStyleFromNumber(int nStyle);
inline int TKReportColumnStyleNumber(TKReportColumnStyle style) { return static_cast<int>(style); }

class CTKReportColumnStyle {
 public:
  CTKReportColumnStyle() = default;
  virtual ~CTKReportColumnStyle() = default;
  CTKReportColumnStyle(const CTKReportColumnStyle&) = delete;
  CTKReportColumnStyle& operator=(const CTKReportColumnStyle&) = delete;

  virtual TKReportColumnStyle GetStyle() const = 0;

  // The colours of the style, after the paint manager has derived the
  // common ones from the system colours.
  virtual void RefreshColors(CTKReportPaintManager* pm) {}
  // Whether the column under the mouse is drawn hot.
  virtual BOOL IsHotTrackingEnabled(CTKReportPaintManager* pm) { return FALSE; }
  // Pixels kept free below a header caption.
  virtual int GetCaptionBottomInset() const { return 0; }

  // A column button in the header. A style that shows pressing by its own
  // face clears *pbPressed, so the button is not inverted as well.
  virtual void DrawColumnBackground(CDC* pDC, CTKReportPaintManager* pm, CTKReportColumn* pColumn,
                                    CTKReportColumn* pLeftColumn, const CRect& rc, BOOL* pbPressed) = 0;
  // A column in the group-by box and in the drag image.
  virtual void DrawColumnBox(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc);
  // The drawn sort arrow around its centre.
  virtual void DrawSortArrow(CDC* pDC, CTKReportPaintManager* pm, CPoint centre, BOOL bDecreasing);
  virtual void FillFooter(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc);
  virtual COLORREF GetFooterDividerColor(CTKReportPaintManager* pm);
  // The column-like band between sections.
  virtual void DrawSectionBand(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) = 0;
  // Behind the group-by box's hint.
  virtual void FillGroupByHint(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc);
  // A check glyph (2, 3, 4, 5 or 8) of the style's own; FALSE leaves it to
  // the glyph strip. Without a DC only *pSize is set.
  virtual BOOL DrawCheckGlyph(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc, int nGlyph, CSize* pSize) {
    return FALSE;
  }
  // The image of the group rows' expand buttons; null for the glyphs.
  virtual CTKResourceImage* GetExpandButtonImage() { return nullptr; }

 protected:
  static BOOL IsGroupByVisible(CTKReportPaintManager* pm);
  // A vertical gradient of the column colours with the footer's lines;
  // the top line in the colour given.
  static void FillGradientFooter(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc, COLORREF clrTop);
  // The gradient column button: pressed, hot or normal gradient, shadow
  // line, divider, the group-by box's line, and with bLeftHighlight the
  // highlight at the left edge.
  static void DrawGradientColumn(CDC* pDC, CTKReportPaintManager* pm, CTKReportColumn* pColumn,
                                 CTKReportColumn* pLeftColumn, const CRect& rc, BOOL* pbPressed, BOOL bLeftHighlight);
  // A filled triangle in the column separator colour.
  static void DrawSortTriangle(CDC* pDC, CTKReportPaintManager* pm, CPoint centre, BOOL bDecreasing);
};

// A new style object of the style.
std::unique_ptr<CTKReportColumnStyle> TKCreateReportColumnStyle(TKReportColumnStyle style);
