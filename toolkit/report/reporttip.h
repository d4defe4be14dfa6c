// The pop-up that shows the whole text of a cell the grid cuts off, and
// the frame records of a report section (margin, border, inner spacing).
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "platform/framework/afx.h"
#include "platform/framework/afxgdi.h"

class CTKReportControl;
class CTKReportRecordItem;

// Placed, painted, shown and hidden by its row and control; no timer of its
// own. It never takes the mouse, the activation or the focus.
class CTKReportTip : public CWnd {
 public:
  CTKReportTip() = default;
  ~CTKReportTip() override;

  // TRUE at once when the window exists.
  virtual BOOL Create(CWnd* pParentWnd);

  void SetTooltipText(LPCTSTR lpszText) { m_strTooltipText = lpszText ? lpszText : u""; }
  CString GetTooltipText() const { return m_strTooltipText; }
  // A copy of the font.
  void SetFont(CFont* pFont);
  CFont* GetFont() { return &m_fntToolTip; }
  void SetHoverRect(CRect rc);
  void SetTooltipRect(CRect rc);
  CRect GetHoverRect() const { return m_rcHover; }
  BOOL IsMultiLineText() const { return m_strTooltipText.Find(u'\n') >= 0; }
  // Fits the rectangle to the text and the work area under the cursor.
  void AdjustRect(CRect& rc);
  void Activate(BOOL bActive, BOOL bMultiLine);

  CRect m_rcHover;
  CRect m_rcTooltip;
  CWnd* m_pParentWnd = nullptr;
  CString m_strTooltipText;
  CTKReportRecordItem* m_pItem = nullptr;
  int m_nRowIndex = -1;
  CFont m_fntToolTip;
  BOOL m_bMultiLine = FALSE;
  CTKReportControl* m_pReportControl = nullptr;

 protected:
  BOOL ParentIsRightToLeft() const;
  void OnPaint();
  BOOL OnEraseBkgnd(CDC*) { return TRUE; }
  LRESULT OnNcHitTest(CPoint) { return HTTRANSPARENT; }
  DECLARE_MESSAGE_MAP()
};

class CTKReportThickness : public CCmdTarget {
 public:
  CTKReportThickness() = default;
  SIZE GetSize() const { return SIZE{m_nLeft + m_nRight, m_nTop + m_nBottom}; }
  void SetTop(int nTop) { m_nTop = nTop; }
  int GetLeft() const { return m_nLeft; }
  int GetTop() const { return m_nTop; }
  int GetRight() const { return m_nRight; }
  int GetBottom() const { return m_nBottom; }

  int m_nLeft = 0;
  int m_nTop = 0;
  int m_nRight = 0;
  int m_nBottom = 0;
};

// The rectangle less the thickness on each side; a null thickness leaves it.
RECT DeflateByThickness(int left, int top, int right, int bottom, const CTKReportThickness* pThickness);

class CTKReportBorder : public CCmdTarget {
 public:
  CTKReportBorder();
  ~CTKReportBorder() override;
  CTKReportBorder(const CTKReportBorder&) = delete;
  CTKReportBorder& operator=(const CTKReportBorder&) = delete;

  // The four border strips inside the margin; nothing when bottom < top.
  virtual void Draw(CDC* pDC, int left, int top, int right, int bottom);
  // Margin, border and inner spacing together.
  SIZE GetSize() const;
  void SetBorderColor(COLORREF color) { m_clrBorder = color; }
  COLORREF GetBorderColor() const { return m_clrBorder; }
  CTKReportThickness* GetMargin() const { return m_pMargin; }
  CTKReportThickness* GetBorderThickness() const { return m_pBorderThickness; }
  CTKReportThickness* GetPadding() const { return m_pPadding; }

 protected:
  COLORREF m_clrBorder = 0;
  CTKReportThickness* m_pMargin;
  CTKReportThickness* m_pBorderThickness;
  CTKReportThickness* m_pPadding;
};
