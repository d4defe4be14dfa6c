// The toolkit's printing options: page margins and a page header and footer
// whose format codes are expanded per page and whose three texts (left,
// centre, right) are laid out in a band.
//
// Format codes: "&p" page number ("3", or "3-2" with a virtual page count),
// "&P" page count ("*" while unknown), "&d"/"&D" short/long date, "&t"/"&T"
// time / 24-hour time without marker, "&w" window title, "&b" separator of
// the three texts, "&&" an ampersand, "\n" (backslash, n) a line break.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"
#include "platform/gdi/wingdi.h"

class CDC;
class CPrintInfo;
class CTKPrintOptions;

class CTKPrintPageHeaderFooter : public CCmdTarget {
  DECLARE_DYNAMIC(CTKPrintPageHeaderFooter)

 public:
  CTKPrintPageHeaderFooter(CTKPrintOptions* owner, BOOL header);
  ~CTKPrintPageHeaderFooter() override = default;

  // Expands the format string into the three texts; nothing for an empty
  // format or without print information.
  virtual void FormatTexts(CPrintInfo* pInfo, LPCTSTR windowTitle, int virtualPageCount = 0);
  // Sizes the band (the rectangle's bottom for the header, its top for the
  // footer) and, unless measuring only, draws the three texts in it.
  virtual void Draw(CDC* pDC, CRect& rect, BOOL measureOnly = FALSE);
  // Copies font, colour, format and texts; null is ignored.
  virtual void Set(const CTKPrintPageHeaderFooter* other);
  // The icon-title font, black, empty format and texts.
  virtual void Clear();
  virtual BOOL IsEmpty() const;
  // Widths and heights of the three columns in a band `width` wide; the
  // greatest height. A band without width holds nothing (all sizes 0).
  virtual int CalcColumnSizes(CDC* pDC, int width, const CString& left, const CString& center, const CString& right,
                              CSize* sizes);
  // The measure when exactly one text is not blank (it takes the whole
  // width), else -1.
  virtual int CalcSingleColumnSize(CDC* pDC, int width, const CString& left, const CString& center,
                                   const CString& right, CSize* sizes);
  // Divides a format at its first two "&b" into the three texts.
  virtual void SplitFormat(const CString& format);
  // Replaces "&d", "&D", "&t" and "&T" by the local date and time.
  virtual void ExpandDateTime(CString& text, LCID locale);

  LOGFONTW m_lfFont{};
  COLORREF m_clrText = 0;
  CString m_strFormatString;
  CString m_strLeft;
  CString m_strCenter;
  CString m_strRight;
  BOOL m_bHeader;
  CTKPrintOptions* m_pOwner;
};

class CTKPrintOptions : public CCmdTarget {
  DECLARE_DYNAMIC(CTKPrintOptions)

 public:
  CTKPrintOptions();
  ~CTKPrintOptions() override;
  CTKPrintOptions(const CTKPrintOptions&) = delete;
  CTKPrintOptions& operator=(const CTKPrintOptions&) = delete;

  // The locale measures in inches (margins then in 0.001 in, else 0.01 mm).
  virtual BOOL UsesInchMeasure();
  virtual CRect GetMarginsHundredthsMm();
  // Empty for a null DC.
  virtual CRect GetMarginsDeviceUnits(CDC* pDC);
  // The user default locale; derived options answer their own.
  virtual LCID GetLocaleId();
  // Margins, both switches, header and footer; null is ignored.
  virtual void CopyFrom(const CTKPrintOptions* other);

  void GetMarginsDeviceUnits(CDC* pDC, RECT* margins) {
    if (margins) *margins = GetMarginsDeviceUnits(pDC);
  }
  CTKPrintPageHeaderFooter* GetPageHeader() const { return m_pPageHeader; }
  CTKPrintPageHeaderFooter* GetPageFooter() const { return m_pPageFooter; }

  CRect m_rcMargins;
  // Two switches the report's printing interprets; FALSE at start.
  BOOL m_bFirstSwitch = FALSE;
  BOOL m_bSecondSwitch = FALSE;

 protected:
  CTKPrintPageHeaderFooter* m_pPageHeader;
  CTKPrintPageHeaderFooter* m_pPageFooter;
};
