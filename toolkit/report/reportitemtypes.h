// The typed record items: each holds a value, derives its caption from it
// with the item's format string, compares by value, takes edited text back
// into the value and adds the value to the property exchange. A non-empty
// caption always wins over the value.
#pragma once

#include "platform/base/oledatetime.h"
#include "platform/base/variant.h"
#include "toolkit/report/reportrecorditem.h"

class CTKReportRecordItemText : public CTKReportRecordItem {
  DECLARE_SERIAL(CTKReportRecordItemText)
 public:
  explicit CTKReportRecordItemText(LPCTSTR szText = u"");

  CString GetCaption(CTKReportColumn* pColumn = nullptr) override;
  // The base comparison; plain text items compare their texts in place.
  int Compare(CTKReportColumn* pColumn, CTKReportRecordItem* pItem) override;
  void OnEditChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText) override;
  void DoPropExchange(CTKPropExchange* pPX) override;

  // Stores the text with its "[url" marks turned into hyperlinks.
  void SetValue(LPCTSTR szText);
  CString GetValue() const { return m_strText; }

  CString m_strText;
};

class CTKReportRecordItemNumber : public CTKReportRecordItem {
  DECLARE_SERIAL(CTKReportRecordItemNumber)
 public:
  explicit CTKReportRecordItemNumber(double dValue = 0);

  CString GetCaption(CTKReportColumn* pColumn = nullptr) override;
  // 0 for an item that is not a number item; otherwise -1, 0 or 1 by value.
  int Compare(CTKReportColumn* pColumn, CTKReportRecordItem* pItem) override;
  void OnEditChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText) override;
  void DoPropExchange(CTKPropExchange* pPX) override;

  double GetValue() const { return m_dValue; }
  void SetValue(double dValue) { m_dValue = dValue; }

  double m_dValue;
};

class CTKReportRecordItemPercentNumber : public CTKReportRecordItemNumber {
  DECLARE_SERIAL(CTKReportRecordItemPercentNumber)
 public:
  explicit CTKReportRecordItemPercentNumber(double dValue = 0, COLORREF clrBar = 0xE0E0E0, BOOL bShowBar = TRUE);

  void DrawCaption(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pMetrics) override;

  // The bar of the metrics text `text` (a number with "%"): text becomes
  // the number limited to 0..100 without the sign when the bar is shown,
  // and `rcBar` the filled part of `rcItem` for the column alignment
  // (0 left, 1 centre, 2 right). FALSE when the text holds no "%" (drawn
  // unchanged, no bar).
  BOOL GetBarLayout(CString& text, const RECT& rcItem, int nAlignment, RECT* rcBar) const;

  COLORREF m_clrBar;
  BOOL m_bShowBar;
};

class CTKReportRecordItemDateTime : public CTKReportRecordItem {
  DECLARE_SERIAL(CTKReportRecordItemDateTime)
 public:
  CTKReportRecordItemDateTime();
  explicit CTKReportRecordItemDateTime(const COleDateTime& odtValue);

  CString GetCaption(CTKReportColumn* pColumn = nullptr) override;
  // 0 for an item that is not a date-time item; valid values within half a
  // second are equal.
  int Compare(CTKReportColumn* pColumn, CTKReportRecordItem* pItem) override;
  void OnEditChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText) override;
  void DoPropExchange(CTKPropExchange* pPX) override;

  COleDateTime GetValue() const { return m_odtValue; }
  void SetValue(const COleDateTime& odtValue) { m_odtValue = odtValue; }

  COleDateTime m_odtValue;
};

class CTKReportRecordItemPreview : public CTKReportRecordItem {
  DECLARE_SERIAL(CTKReportRecordItemPreview)
 public:
  explicit CTKReportRecordItemPreview(LPCTSTR szPreviewText = u"");

  CString GetCaption(CTKReportColumn* pColumn = nullptr) override { return m_strPreviewText; }
  void SetCaption(LPCTSTR lpszCaption) override { SetPreviewText(lpszCaption); }
  void OnEditChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText) override;
  void DoPropExchange(CTKPropExchange* pPX) override;
  BOOL IsPreviewItem() const override { return TRUE; }
  void GetItemMetrics(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pItemMetrics) override;
  void GetCaptionRect(TK_REPORTRECORDITEM_ARGS* pArgs, RECT& rcItem) override;
  void DrawCaption(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pMetrics) override;
  void OnBeginEdit(TK_REPORTRECORDITEM_ARGS* pItemArgs) override;

  virtual CString GetPreviewText() { return m_strPreviewText; }
  // Height of the preview under a row of the given width (the paint side
  // fills this in).
  virtual int GetPreviewHeight(CDC* pDC, CTKReportRow* pRow, int nWidth);

  // Stores the text and rebuilds the markup element.
  void SetPreviewText(LPCTSTR strPreviewText);

  CString m_strPreviewText;
};

class CTKReportRecordItemIcon : public CTKReportRecordItem {
  DECLARE_SERIAL(CTKReportRecordItemIcon)
 public:
  CTKReportRecordItemIcon();

  // Icon-view layout: the caption under the icon, in the row's cell.
  int Draw(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs) override;
  void DrawCaption(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pMetrics) override;
  void GetCaptionRect(TK_REPORTRECORDITEM_ARGS* pArgs, RECT& rcItem) override;
  // The height of the icon above the caption in icon view.
  int IconViewIconHeight() const;
  void OnEditChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText) override;
};

class CTKReportRecordItemVariant : public CTKReportRecordItem {
  DECLARE_SERIAL(CTKReportRecordItemVariant)
 public:
  CTKReportRecordItemVariant();
  // The value is stored by value: a by-reference argument is dereferenced.
  explicit CTKReportRecordItemVariant(const VARIANT& varValue);

  CString GetCaption(CTKReportColumn* pColumn = nullptr) override;
  int Compare(CTKReportColumn* pColumn, CTKReportRecordItem* pItem) override;
  void OnEditChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText) override;
  void DoPropExchange(CTKPropExchange* pPX) override;
  void OnConstraintChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, CTKReportRecordItemConstraint* pConstraint) override;
  int GetSelectedConstraintData(TK_REPORTRECORDITEM_ARGS* pItemArgs) override;

  // TRUE accepts the proposed value; a derived item may refuse it.
  virtual BOOL OnValueChanging(TK_REPORTRECORDITEM_ARGS* pItemArgs, LPVARIANT lpNewValue);

  COleVariant GetValue() const { return m_oleValue; }
  void SetValue(const VARIANT& varValue) { m_oleValue = varValue; }

  COleVariant m_oleValue;

 protected:
  // The edit options that decide constraint mode, or null.
  CTKReportRecordItemEditOptions* GetConstraintOptions(CTKReportColumn* pColumn) const;
};
