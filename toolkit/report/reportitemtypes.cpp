#include "toolkit/report/reportitemtypes.h"

#include <typeinfo>

#include "platform/system/locale.h"
#include "platform/system/msgbox.h"
#include "platform/window/winuser.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/common/propexchangeschema.h"
#include <algorithm>

#include "platform/framework/afxgdi.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportformat.h"
#include "toolkit/report/reporthyperlink.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportlocale.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportsortkeys.h"

IMPLEMENT_SERIAL(CTKReportRecordItemText, CTKReportRecordItem, VERSIONABLE_SCHEMA | kTKSchemaCurrent)
IMPLEMENT_SERIAL(CTKReportRecordItemNumber, CTKReportRecordItem, VERSIONABLE_SCHEMA | kTKSchemaCurrent)
IMPLEMENT_SERIAL(CTKReportRecordItemPercentNumber, CTKReportRecordItemNumber, VERSIONABLE_SCHEMA | kTKSchemaCurrent)
IMPLEMENT_SERIAL(CTKReportRecordItemDateTime, CTKReportRecordItem, VERSIONABLE_SCHEMA | kTKSchemaCurrent)
IMPLEMENT_SERIAL(CTKReportRecordItemPreview, CTKReportRecordItem, VERSIONABLE_SCHEMA | kTKSchemaCurrent)
IMPLEMENT_SERIAL(CTKReportRecordItemIcon, CTKReportRecordItem, VERSIONABLE_SCHEMA | kTKSchemaCurrent)
IMPLEMENT_SERIAL(CTKReportRecordItemVariant, CTKReportRecordItem, VERSIONABLE_SCHEMA | kTKSchemaCurrent)

// ---- text -------------------------------------------------------------------------------------

CTKReportRecordItemText::CTKReportRecordItemText(LPCTSTR szText) { SetValue(szText); }

CString CTKReportRecordItemText::GetCaption(CTKReportColumn*) {
  if (!m_strCaption.IsEmpty()) return m_strCaption;
  if (m_strFormatString == u"%s") return m_strText;
  return TKFormatText(m_strFormatString, m_strText);
}

int CTKReportRecordItemText::Compare(CTKReportColumn* pColumn, CTKReportRecordItem* pItem) {
  // Two plain text items (no caption, no priority, "%s", no derived caption)
  // show their texts: compare those without copying them.
  auto* other = dynamic_cast<CTKReportRecordItemText*>(pItem);
  if (other && typeid(*this) == typeid(CTKReportRecordItemText) && typeid(*other) == typeid(CTKReportRecordItemText) &&
      m_nSortPriority == -1 && other->m_nSortPriority == -1 && m_strCaption.IsEmpty() &&
      other->m_strCaption.IsEmpty() && m_strFormatString == u"%s" && other->m_strFormatString == u"%s") {
    return CompareCaptions(m_strText, other->m_strText);
  }
  return CTKReportRecordItem::Compare(pColumn, pItem);
}

void CTKReportRecordItemText::SetValue(LPCTSTR szText) {
  CString text(szText ? szText : u"");
  // A text without marks needs no link collection.
  if (text.Find(u"[url") < 0 && !m_pHyperlinks) {
    m_strText = text;
    return;
  }
  m_strText = TKParseHyperlinks(this, text);
}

void CTKReportRecordItemText::OnEditChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText) {
  SetValue(szText);
  CTKReportRecordItem::OnEditChanged(pItemArgs, szText);
}

void CTKReportRecordItemText::DoPropExchange(CTKPropExchange* pPX) {
  CTKReportRecordItem::DoPropExchange(pPX);
  PropExchangeStringDefault(pPX, u"Text", &m_strText, u"");
}

// ---- number -----------------------------------------------------------------------------------

CTKReportRecordItemNumber::CTKReportRecordItemNumber(double dValue) : m_dValue(dValue) { m_strFormatString = u"%0.f"; }

CString CTKReportRecordItemNumber::GetCaption(CTKReportColumn*) {
  if (!m_strCaption.IsEmpty()) return m_strCaption;
  return TKFormatNumber(m_strFormatString, m_dValue);
}

int CTKReportRecordItemNumber::Compare(CTKReportColumn*, CTKReportRecordItem* pItem) {
  auto* other = dynamic_cast<CTKReportRecordItemNumber*>(pItem);
  if (!other) return 0;
  return TKReportCompareNumbers(m_dValue, other->m_dValue);
}

void CTKReportRecordItemNumber::OnEditChanged(TK_REPORTRECORDITEM_ARGS*, LPCTSTR szText) {
  // Text without a number in front keeps the value (it would read as 0);
  // the user hears that it was refused.
  CString text(szText ? szText : u"");
  text.Trim();
  if (!text.IsEmpty()) {
    const WCHAR first = text[0];
    const bool numeric = (first >= u'0' && first <= u'9') ||
                         ((first == u'-' || first == u'+' || first == u'.' || first == u',') && text.GetLength() > 1 &&
                          ((text[1] >= u'0' && text[1] <= u'9') || text[1] == u'.' || text[1] == u','));
    if (!numeric) {
      ::MessageBeep(MB_ICONEXCLAMATION);
      return;
    }
  }
  m_dValue = TKReportTextToNumber(szText);
}

void CTKReportRecordItemNumber::DoPropExchange(CTKPropExchange* pPX) {
  CTKReportRecordItem::DoPropExchange(pPX);
  PropExchangeDouble(pPX, u"Value", &m_dValue);
}

// ---- percent ----------------------------------------------------------------------------------

CTKReportRecordItemPercentNumber::CTKReportRecordItemPercentNumber(double dValue, COLORREF clrBar, BOOL bShowBar)
    : CTKReportRecordItemNumber(dValue), m_clrBar(clrBar), m_bShowBar(bShowBar) {
  m_strFormatString = u"%2.0f%%";
}

BOOL CTKReportRecordItemPercentNumber::GetBarLayout(CString& text, const RECT& rcItem, int nAlignment,
                                                    RECT* rcBar) const {
  if (text.IsEmpty() || text.Find(u'%') < 0 || !m_bShowBar) return FALSE;
  CString number = text;
  number.Remove(u'%');
  const char16_t* p = number.GetString();
  while (*p == u' ' || *p == u'\t') ++p;
  bool negative = false;
  if (*p == u'-' || *p == u'+') negative = *p++ == u'-';
  long long value = 0;
  while (*p >= u'0' && *p <= u'9' && value <= 1000) value = value * 10 + (*p++ - u'0');
  int percent = static_cast<int>(negative ? -value : value);
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  text.Format(u"%d", percent);
  if (rcBar) {
    RECT rc{rcItem.left + 2, rcItem.top + 2, rcItem.right - 2, rcItem.bottom - 2};
    int width = rc.right - rc.left;
    switch (nAlignment & 3) {
      case 2:
        rc.left = rc.right - width * percent / 100;
        break;
      case 1: {
        int margin = (100 - percent) * width / 200;
        rc.left += margin;
        rc.right -= margin;
        break;
      }
      default:
        rc.right = rc.left + width * percent / 100;
        break;
    }
    *rcBar = rc;
  }
  return TRUE;
}

void CTKReportRecordItemPercentNumber::DrawCaption(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                                   TK_REPORTRECORDITEM_METRICS* pMetrics) {
  if (!pMetrics) return;
  RECT rcBar{};
  if (GetBarLayout(pMetrics->strText, pDrawArgs ? pDrawArgs->rcItem : RECT{}, pMetrics->nColumnAlignment, &rcBar) &&
      pDrawArgs && pDrawArgs->pDC) {
    CTKReportPaintManager* pm = pDrawArgs->pControl ? pDrawArgs->pControl->GetPaintManager() : nullptr;
    if (pm && pm->m_bInCellButtons) rcBar.right -= rcBar.bottom - rcBar.top;
    if (rcBar.right > rcBar.left && rcBar.bottom > rcBar.top) pDrawArgs->pDC->FillSolidRect(&rcBar, m_clrBar);
  }
  CTKReportRecordItemNumber::DrawCaption(pDrawArgs, pMetrics);
}

// ---- date and time ----------------------------------------------------------------------------

CTKReportRecordItemDateTime::CTKReportRecordItemDateTime() : CTKReportRecordItemDateTime(COleDateTime()) {}

CTKReportRecordItemDateTime::CTKReportRecordItemDateTime(const COleDateTime& odtValue) : m_odtValue(odtValue) {
  m_strFormatString = u"%a %b/%d/%Y %I:%M %p";
}

CString CTKReportRecordItemDateTime::GetCaption(CTKReportColumn*) {
  if (!m_strCaption.IsEmpty()) return m_strCaption;
  return CTKReportControlLocale::FormatDateTime(m_odtValue, m_strFormatString);
}

int CTKReportRecordItemDateTime::Compare(CTKReportColumn*, CTKReportRecordItem* pItem) {
  auto* other = dynamic_cast<CTKReportRecordItemDateTime*>(pItem);
  if (!other) return 0;
  return TKReportCompareDates(m_odtValue.m_dt, m_odtValue.GetStatus(), other->m_odtValue.m_dt,
                              other->m_odtValue.GetStatus());
}

void CTKReportRecordItemDateTime::OnEditChanged(TK_REPORTRECORDITEM_ARGS*, LPCTSTR szText) {
  // A text that is no date keeps the date the cell had; the user hears
  // that it was refused.
  COleDateTime parsed;
  if (szText && szText[0] && !parsed.ParseDateTime(szText ? szText : u"", 0, LANG_USER_DEFAULT)) {
    ::MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  if (!szText || !szText[0]) parsed.ParseDateTime(u"", 0, LANG_USER_DEFAULT);
  m_odtValue = parsed;
}

void CTKReportRecordItemDateTime::DoPropExchange(CTKPropExchange* pPX) {
  CTKReportRecordItem::DoPropExchange(pPX);
  PropExchangeDateTime(pPX, u"Value", &m_odtValue);
}

// ---- preview ----------------------------------------------------------------------------------

CTKReportRecordItemPreview::CTKReportRecordItemPreview(LPCTSTR szPreviewText)
    : m_strPreviewText(szPreviewText ? szPreviewText : u"") {}

void CTKReportRecordItemPreview::SetPreviewText(LPCTSTR strPreviewText) {
  m_strPreviewText = strPreviewText ? strPreviewText : u"";
  ResetMarkupUIElement(m_strPreviewText);
}

void CTKReportRecordItemPreview::OnEditChanged(TK_REPORTRECORDITEM_ARGS*, LPCTSTR szText) {
  m_strPreviewText = szText ? szText : u"";
}

void CTKReportRecordItemPreview::DoPropExchange(CTKPropExchange* pPX) {
  CTKReportRecordItem::DoPropExchange(pPX);
  PropExchangeString(pPX, u"PreviewText", &m_strPreviewText);
  if (pPX->IsLoading()) ResetMarkupUIElement(m_strPreviewText);
}

void CTKReportRecordItemPreview::GetItemMetrics(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                                TK_REPORTRECORDITEM_METRICS* pItemMetrics) {
  CTKReportControl* control = pDrawArgs && pDrawArgs->pControl ? pDrawArgs->pControl : m_pControl;
  CTKReportPaintManager* pm = control ? control->GetPaintManager() : nullptr;
  if (!pm || !pItemMetrics) return;
  pItemMetrics->clrForeground = pm->m_clrPreviewText;
  pItemMetrics->pFont = pm->GetPreviewFont();
}

void CTKReportRecordItemPreview::GetCaptionRect(TK_REPORTRECORDITEM_ARGS* pArgs, RECT& rcItem) {
  CTKReportControl* control = pArgs && pArgs->pControl ? pArgs->pControl : m_pControl;
  CTKReportPaintManager* pm = control ? control->GetPaintManager() : nullptr;
  if (!pm) return;
  const CRect& indent = pm->m_rcPreviewIndent;
  rcItem.top -= 1;
  rcItem.right -= indent.right;
  rcItem.left += indent.left - 2;
  rcItem.bottom += indent.bottom;
}

void CTKReportRecordItemPreview::DrawCaption(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                             TK_REPORTRECORDITEM_METRICS* pMetrics) {
  if (!pDrawArgs || !pMetrics || !pDrawArgs->pControl || !pDrawArgs->pDC) return;
  CTKReportPaintManager* pm = pDrawArgs->pControl->GetPaintManager();
  if (!pm || !pm->CanDrawPreview(pDrawArgs) || pMetrics->strText.IsEmpty()) return;
  const CRect& indent = pm->m_rcPreviewIndent;
  CRect rc(pDrawArgs->rcItem);
  rc.DeflateRect(indent.left, indent.top, indent.right, indent.bottom);
  CDC* dc = pDrawArgs->pDC;
  if (CTKMarkupInputElement* element = GetMarkupUIElement()) {
    CFont* font = pMetrics->pFont ? pMetrics->pFont : pm->GetPreviewFont();
    MarkupSetDefaultFont(MarkupGetElementContext(element), static_cast<HFONT>(font->GetSafeHandle()),
                         pMetrics->clrForeground);
    MarkupMeasureElement(element, rc.Width(), rc.Height());
    MarkupRenderElement(element, dc->GetSafeHdc(), &rc);
    return;
  }
  dc->DrawText(pMetrics->strText, &rc, DT_WORDBREAK | DT_NOPREFIX);
}

// The control offers no switch that allows editing previews.
void CTKReportRecordItemPreview::OnBeginEdit(TK_REPORTRECORDITEM_ARGS*) {}

int CTKReportRecordItemPreview::GetPreviewHeight(CDC* pDC, CTKReportRow* pRow, int nWidth) {
  CTKReportControl* control = pRow ? pRow->GetControl() : m_pControl;
  CTKReportPaintManager* pm = control ? control->GetPaintManager() : nullptr;
  if (!pm || !pRow) return 0;
  auto* metrics = new TK_REPORTRECORDITEM_METRICS();
  metrics->strText = GetPreviewText();
  // As FillItemMetrics, without its update lock: this runs while the grid
  // paints, and ending the lock would ask for another paint.
  TK_REPORTRECORDITEM_DRAWARGS args;
  args.pControl = control;
  args.pRow = pRow;
  args.pItem = this;
  pRow->GetItemMetrics(&args, metrics);
  int height = 0;
  if (!metrics->strText.IsEmpty()) {
    const CRect& indent = pm->m_rcPreviewIndent;
    CRect rc(control->PaintGroupIndent() + indent.left, 0, nWidth - indent.right, 0);
    if (CTKMarkupInputElement* element = GetMarkupUIElement()) {
      height = indent.top + indent.bottom + MarkupMeasureElement(element, rc.Width(), 0x7FFFFFFF).cy;
    } else {
      CWindowDC screen(nullptr);
      CDC* dc = pDC ? pDC : &screen;
      CTKFontDC font(dc, metrics->pFont ? metrics->pFont : pm->GetPreviewFont());
      const int lineHeight = std::max(1, static_cast<int>(dc->GetTextExtent(u" ", 1).cy));
      height = indent.top + pm->GetPreviewLinesCount(dc, rc, metrics->strText) * lineHeight + indent.bottom;
    }
  }
  metrics->InternalRelease();
  return height;
}

// ---- icon -------------------------------------------------------------------------------------

CTKReportRecordItemIcon::CTKReportRecordItemIcon() {
  // DT_CENTER | DT_WORDBREAK, icon centred horizontally and at the top.
  m_nAlignment = 0x1200011;
}

int CTKReportRecordItemIcon::Draw(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs) {
  if (pDrawArgs && pDrawArgs->pControl && pDrawArgs->pControl->IsIconView() && pDrawArgs->pRow) {
    CRect rc(pDrawArgs->pRow->GetRect());
    rc.DeflateRect(1, 1);
    pDrawArgs->rcItem = rc;
  }
  return CTKReportRecordItem::Draw(pDrawArgs);
}

void CTKReportRecordItemIcon::DrawCaption(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                          TK_REPORTRECORDITEM_METRICS* pMetrics) {
  CTKReportControl* control = pDrawArgs ? pDrawArgs->pControl : nullptr;
  CTKReportPaintManager* pm = control ? control->GetPaintManager() : nullptr;
  if (!pm || !control->IsIconView() || !pDrawArgs->pDC || !pMetrics) {
    CTKReportRecordItem::DrawCaption(pDrawArgs, pMetrics);
    return;
  }
  constexpr UINT kIconViewText =
      DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS;
  CDC* dc = pDrawArgs->pDC;
  CRect rcItem(pDrawArgs->rcItem);
  rcItem.DeflateRect(1, 1);
  rcItem.top += IconViewIconHeight();
  CRect rcText(rcItem.left + 2, rcItem.top + 1, rcItem.right - 2, rcItem.bottom);
  CRect measured;
  pm->CalcTextRect(&measured, dc, pMetrics->strText, rcText, TRUE, FALSE,
                   (static_cast<UINT>(pDrawArgs->nTextAlign) & 0xFFFFu) | kIconViewText);
  const int width = std::min<int>(measured.Width() + 4, rcItem.Width());
  rcItem.left += (rcItem.Width() - width) / 2;
  rcItem.right = rcItem.left + width;
  if (measured.bottom >= rcItem.bottom) measured.bottom = rcItem.bottom - 2;
  CRect rcArea(rcItem.left, rcItem.top, rcItem.right, std::min<LONG>(rcItem.bottom, measured.bottom + 2));
  CTKReportRow* row = pDrawArgs->pRow;
  if (row && row->IsSelected()) {
    const BOOL focused = control->IsFocusInside();
    if (focused || !pm->m_bHideSelection) {
      dc->FillSolidRect(&rcArea, focused ? pm->m_clrHighlight : pm->m_clrSelectedRow);
      pMetrics->clrForeground = focused ? pm->m_clrHighlightText : pm->m_clrSelectedRowText;
      dc->SetTextColor(pMetrics->clrForeground);
    }
  }
  if (row && row->IsFocused() && control->IsFocusInside()) {
    CRect rcFocus(rcArea);
    rcFocus.InflateRect(1, 1);
    dc->DrawFocusRect(&rcFocus);
  }
  pDrawArgs->rcItem = rcItem;
  pDrawArgs->nTextAlign |= kIconViewText;
  CTKReportRecordItem::DrawCaption(pDrawArgs, pMetrics);
}

void CTKReportRecordItemIcon::GetCaptionRect(TK_REPORTRECORDITEM_ARGS* pArgs, RECT& rcItem) {
  CTKReportControl* control = pArgs ? pArgs->pControl : nullptr;
  if (!control || !control->IsIconView() || !pArgs->pRow) {
    CTKReportRecordItem::GetCaptionRect(pArgs, rcItem);
    return;
  }
  CRect rc(pArgs->pRow->GetRect());
  rc.DeflateRect(1, 1);
  rc.top += IconViewIconHeight() + 1;
  rc.left = pArgs->pRow->GetRect().left + 7;
  rc.right -= 2;
  rcItem = rc;
}

int CTKReportRecordItemIcon::IconViewIconHeight() const { return ::GetSystemMetrics(SM_CYICON); }

void CTKReportRecordItemIcon::OnEditChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText) {
  CTKReportRecordItem::OnEditChanged(pItemArgs, szText);
}

// ---- variant ----------------------------------------------------------------------------------

CTKReportRecordItemVariant::CTKReportRecordItemVariant() { m_oleValue = COleVariant(0L); }

CTKReportRecordItemVariant::CTKReportRecordItemVariant(const VARIANT& varValue) {
  VARIANT copy;
  VariantInit(&copy);
  if (SUCCEEDED(VariantCopyInd(&copy, &varValue))) {
    m_oleValue = copy;
  }
  VariantClear(&copy);
}

CTKReportRecordItemEditOptions* CTKReportRecordItemVariant::GetConstraintOptions(CTKReportColumn* pColumn) const {
  CTKReportRecordItemEditOptions* options = m_pEditOptions;
  if (!options && pColumn) options = pColumn->GetEditOptions();
  return options && options->m_bConstraintEdit ? options : nullptr;
}

CString CTKReportRecordItemVariant::GetCaption(CTKReportColumn* pColumn) {
  if (!m_strCaption.IsEmpty()) return m_strCaption;
  COleVariant value(m_oleValue);
  CTKReportRecordItemEditOptions* constraints = GetConstraintOptions(pColumn);
  if (value.vt == VT_DATE && !constraints && m_strFormatString != u"%s") {
    return CTKReportControlLocale::FormatDateTime(COleDateTime(value.date), m_strFormatString);
  }
  if (value.vt == VT_NULL) {
    value = COleVariant(0L);
  } else {
    VariantChangeTypeEx(&value, &value, CTKReportControlLocale::GetActiveLCID(), 0,
                        static_cast<VARTYPE>(constraints ? VT_I4 : VT_BSTR));
  }
  if (constraints) {
    if (value.vt != VT_I4) return CString();
    CTKReportRecordItemConstraint* choice = constraints->FindConstraint(static_cast<DWORD_PTR>(value.lVal));
    return choice ? choice->m_strConstraint : CString();
  }
  if (value.vt != VT_BSTR) return CString();
  CString text(value.bstrVal ? value.bstrVal : u"");
  if (m_strFormatString == u"%s") return text;
  return TKFormatText(m_strFormatString, text);
}

int CTKReportRecordItemVariant::Compare(CTKReportColumn*, CTKReportRecordItem* pItem) {
  if (!pItem) return 0;
  if (m_nSortPriority != -1 || pItem->m_nSortPriority != -1)
    return TKReportPriorityDifference(m_nSortPriority, pItem->m_nSortPriority);
  auto* other = dynamic_cast<CTKReportRecordItemVariant*>(pItem);
  if (!other) return 0;
  CTKReportRecords* records = m_pRecord ? m_pRecord->GetRecords() : nullptr;
  ULONG flags = records && !records->IsCaseSensitive() ? NORM_IGNORECASE : 0;
  HRESULT result = VarCmp(&m_oleValue, &other->m_oleValue, CTKReportControlLocale::GetActiveCompareLCID(), flags);
  if (FAILED(result)) return 0;
  return static_cast<int>(result) - 1;
}

BOOL CTKReportRecordItemVariant::OnValueChanging(TK_REPORTRECORDITEM_ARGS*, LPVARIANT) { return TRUE; }

void CTKReportRecordItemVariant::OnEditChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText) {
  COleVariant proposed(szText ? szText : u"");
  if (!OnValueChanging(pItemArgs, &proposed)) return;
  VARTYPE type = m_oleValue.vt == VT_NULL ? static_cast<VARTYPE>(VT_BSTR) : m_oleValue.vt;
  if (CTKReportControlLocale::ChangeVariantType(&proposed, type, FALSE)) m_oleValue = proposed;
}

void CTKReportRecordItemVariant::OnConstraintChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs,
                                                     CTKReportRecordItemConstraint* pConstraint) {
  if (!pConstraint) return;
  if (!GetConstraintOptions(pItemArgs ? pItemArgs->pColumn : nullptr)) {
    OnEditChanged(pItemArgs, pConstraint->m_strConstraint);
    return;
  }
  COleVariant proposed(static_cast<long>(pConstraint->m_dwData));
  VARTYPE type = m_oleValue.vt == VT_NULL ? static_cast<VARTYPE>(VT_I4) : m_oleValue.vt;
  if (CTKReportControlLocale::ChangeVariantType(&proposed, type, FALSE) && OnValueChanging(pItemArgs, &proposed)) {
    m_oleValue = proposed;
  }
}

int CTKReportRecordItemVariant::GetSelectedConstraintData(TK_REPORTRECORDITEM_ARGS* pItemArgs) {
  if (!GetConstraintOptions(pItemArgs ? pItemArgs->pColumn : nullptr)) return -1;
  COleVariant value(m_oleValue);
  if (!CTKReportControlLocale::ChangeVariantType(&value, VT_I4, FALSE)) return -1;
  return static_cast<int>(value.lVal);
}

void CTKReportRecordItemVariant::DoPropExchange(CTKPropExchange* pPX) {
  CTKReportRecordItem::DoPropExchange(pPX);
  PropExchangeVariant(pPX, u"Value", &m_oleValue, COleVariant(u""));
}
