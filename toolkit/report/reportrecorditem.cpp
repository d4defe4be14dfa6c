#include "toolkit/report/reportrecorditem.h"

#include "platform/base/exceptions.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/common/propexchangeschema.h"
#include "toolkit/common/resourcemanager.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupinput.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportdatahost.h"
#include "toolkit/report/reportformat.h"
#include "toolkit/report/reporthyperlink.h"
#include "toolkit/report/reportitemcontrols.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecords.h"

IMPLEMENT_SERIAL(CTKReportRecordItem, CCmdTarget, VERSIONABLE_SCHEMA | kTKSchemaCurrent)

// ---- argument blocks --------------------------------------------------------------------------

void TK_REPORTRECORDITEM_METRICS::Reset() {
  pFont = nullptr;
  clrForeground = static_cast<COLORREF>(-1);
  clrBackground = static_cast<COLORREF>(-1);
  nGroupIcon = -1;
  nGroupIconFlags = 0x208;
  nColumnAlignment = 0;
  nItemIcon = -1;
  nVirtRowLevel = 0;
  nVirtRowFlags = 0;
}

// ---- record item ------------------------------------------------------------------------------

CTKReportRecordItem::CTKReportRecordItem() : m_strFormatString(u"%s") {}

CTKReportRecordItem::~CTKReportRecordItem() {
  // The capture window exists only while an in-cell control is pressed.
  DestroyControlHookWnd();
  TKReleaseHeld(m_pEditOptions);
  TKReleaseHeld(m_pItemControls);
  TKReleaseHeld(m_pHyperlinks);
  MarkupReleaseElement(m_pMarkupUIElement);
}

CString CTKReportRecordItem::GetCaption(CTKReportColumn*) { return m_strCaption; }

CString CTKReportRecordItem::GetCaptionText() { return GetCaption(GetColumn()); }

CString CTKReportRecordItem::GetGroupCaption(CTKReportColumn* pColumn) {
  if (!m_strGroupCaption.IsEmpty()) return m_strGroupCaption;
  int id = GetGroupId(pColumn);
  if (id > 0) {
    CString text;
    if (GetResourceManager()->LoadString(&text, static_cast<UINT>(id))) return text;
  }
  if (m_pMarkupUIElement || (pColumn && pColumn->GetMarkupUIElement())) return GetCaption(pColumn);
  CString caption = pColumn ? pColumn->GetCaption() : CString();
  caption += u": ";
  caption += GetCaption(pColumn);
  return caption;
}

int CTKReportRecordItem::GetGroupId(CTKReportColumn*) { return m_nGroupPriority; }

int CTKReportRecordItem::CompareCaptions(const CString& a, const CString& b) const {
  CTKReportRecords* records = m_pRecord ? m_pRecord->GetRecords() : nullptr;
  if (records) return records->CompareStrings(a, b);
  // Not in a collection: as a case-sensitive collection compares.
  int result = a.Compare(b);
  return result < 0 ? -1 : result > 0 ? 1 : 0;
}

int CTKReportRecordItem::CompareGroupCaption(CTKReportColumn* pColumn, CTKReportRecordItem* pItem) {
  if (!pItem) return 0;
  // Only this item's priority is tested, as the grid always did; the sort
  // copes with the resulting inconsistencies.
  if (m_nGroupPriority != -1) return TKReportPriorityDifference(m_nGroupPriority, pItem->m_nGroupPriority);
  if (!m_strGroupCaption.IsEmpty()) return CompareCaptions(m_strGroupCaption, pItem->m_strGroupCaption);
  int id = GetGroupId(pColumn);
  if (id > 0) return TKReportPriorityDifference(id, pItem->GetGroupId(pColumn));
  return Compare(pColumn, pItem);
}

int CTKReportRecordItem::Compare(CTKReportColumn* pColumn, CTKReportRecordItem* pItem) {
  if (!pItem) return 0;
  if (m_nSortPriority != -1 || pItem->m_nSortPriority != -1)
    return TKReportPriorityDifference(m_nSortPriority, pItem->m_nSortPriority);
  return CompareCaptions(GetCaption(pColumn), pItem->GetCaption(pColumn));
}

BOOL CTKReportRecordItem::SetEditable(BOOL bEditable) {
  BOOL previous = m_bEditable;
  m_bEditable = bEditable;
  return previous;
}

CTKReportHyperlinks* CTKReportRecordItem::GetHyperlinks() {
  if (!m_pHyperlinks) m_pHyperlinks = new CTKReportHyperlinks;
  return m_pHyperlinks;
}

int CTKReportRecordItem::AddHyperlink(CTKReportHyperlink* pHyperlink) {
  CTKReportHyperlinks* links = GetHyperlinks();
  if (!links) return -1;
  return static_cast<int>(links->Add(pHyperlink));
}

int CTKReportRecordItem::GetHyperlinksCount() const {
  return m_pHyperlinks ? static_cast<int>(m_pHyperlinks->GetSize()) : 0;
}

CTKReportHyperlink* CTKReportRecordItem::GetHyperlinkAt(int nHyperlink) const {
  if (!m_pHyperlinks || nHyperlink < 0 || nHyperlink >= m_pHyperlinks->GetSize()) return nullptr;
  return m_pHyperlinks->GetAt(nHyperlink);
}

void CTKReportRecordItem::RemoveHyperlinkAt(int nHyperlink) {
  if (m_pHyperlinks) m_pHyperlinks->RemoveLinkAt(nHyperlink);
}

void CTKReportRecordItem::GetItemMetrics(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                         TK_REPORTRECORDITEM_METRICS* pItemMetrics) {
  if (!pItemMetrics) return;
  if (m_clrBackground != static_cast<COLORREF>(-1)) pItemMetrics->clrBackground = m_clrBackground;
  if (m_clrText != static_cast<COLORREF>(-1)) pItemMetrics->clrForeground = m_clrText;
  if (m_pFontCaption) {
    pItemMetrics->pFont = m_pFontCaption;
  } else if (m_bBoldText) {
    CTKReportControl* control = pDrawArgs && pDrawArgs->pControl ? pDrawArgs->pControl : m_pControl;
    pItemMetrics->pFont = TKGetReportDataHost(control)->GetBoldTextFont();
  }
  if (m_nAlignment != -1) pItemMetrics->nColumnAlignment = m_nAlignment;
}

int CTKReportRecordItem::SetIconIndex(int nIconIndex) {
  int previous = m_nIconIndex;
  m_nIconIndex = nIconIndex;
  return previous;
}

void CTKReportRecordItem::SetCaption(LPCTSTR lpszCaption) {
  CString text = lpszCaption ? lpszCaption : u"";
  if (!m_strFormula.IsEmpty() && m_pRecord) {
    text = EvaluateFormula(text);
    if (text.Compare(m_strCaption) == 0) return;
    m_strCaption = text;
    ResetMarkupUIElement(m_strCaption);
    return;
  }
  m_strCaption = text;
}

void CTKReportRecordItem::ResetMarkupUIElement(LPCTSTR text) {
  MarkupReleaseElement(m_pMarkupUIElement);
  CTKMarkupContext* context = m_pRecord ? m_pRecord->GetMarkupContext() : nullptr;
  if (context) m_pMarkupUIElement = MarkupParseText(context, text);
}

void CTKReportRecordItem::SetChecked(BOOL bChecked) { m_checkState = bChecked ? 1 : 0; }

void CTKReportRecordItem::SetHasCheckbox(BOOL bHasCheckbox, BOOL bTristate) {
  m_bHasCheckbox = bHasCheckbox;
  m_bTristateCheckbox = bTristate;
}

void CTKReportRecordItem::SetCheckedState(int nState) {
  m_checkState = m_bTristateCheckbox ? nState : (nState ? 1 : 0);
}

int CTKReportRecordItem::GetCheckedState() const { return m_bTristateCheckbox ? m_checkState : (m_checkState ? 1 : 0); }

void CTKReportRecordItem::ToggleCheckState() {
  if (m_bTristateCheckbox) SetCheckedState((GetCheckedState() + 1) % 3);
  else SetChecked(!IsChecked());
}

BOOL TKGetEditTextWithCheckbox(const CTKReportRecordItem* pItem) {
  return pItem ? pItem->GetEditTextWithCheckbox() : FALSE;
}

BOOL TKIsItemFocusable(const CTKReportRecordItem* pItem) { return pItem ? pItem->IsFocusable() : FALSE; }

int CTKReportRecordItem::ReservedQuery(int, int, int) { return -1; }

void CTKReportRecordItem::OnEditChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText) {
  CTKReportRecord* record = m_pRecord;
  int row = -1;
  if (pItemArgs && pItemArgs->pRow) {
    CTKReportDataHost* host = TKGetReportDataHost(pItemArgs->pControl ? pItemArgs->pControl : m_pControl);
    record = host->GetRowRecord(pItemArgs->pRow);
    row = host->GetRowIndex(pItemArgs->pRow);
  }
  if (record) record->UpdateRecordField(row, GetIndex(), szText);
}

BOOL CTKReportRecordItem::OnValidateEdit(TK_REPORTRECORDITEM_ARGS*, CString&) { return TRUE; }
void CTKReportRecordItem::OnInplaceListCancel(TK_REPORTRECORDITEM_ARGS*) {}

void CTKReportRecordItem::OnConstraintChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs,
                                              CTKReportRecordItemConstraint* pConstraint) {
  if (pConstraint) OnEditChanged(pItemArgs, pConstraint->m_strConstraint);
}

int CTKReportRecordItem::GetSelectedConstraintData(TK_REPORTRECORDITEM_ARGS*) { return -1; }

CTKReportColumn* CTKReportRecordItem::GetColumn() {
  if (!m_pControl) return nullptr;
  CTKReportColumns* columns = TKGetReportDataHost(m_pControl)->GetColumns();
  return columns ? columns->Find(GetIndex()) : nullptr;
}

CTKReportRecordItemEditOptions* CTKReportRecordItem::GetEditOptions(CTKReportColumn* pColumn) {
  if (m_pEditOptions) return m_pEditOptions;
  if (pColumn) return pColumn->GetEditOptions();
  m_pEditOptions = new CTKReportRecordItemEditOptions;
  return m_pEditOptions;
}

CTKReportRecordItemControls* CTKReportRecordItem::GetItemControls() {
  if (!m_pItemControls) m_pItemControls = new CTKReportRecordItemControls(this);
  return m_pItemControls;
}

CTKReportRecordItemControl* CTKReportRecordItem::HitTestControl(POINT pt) {
  if (!m_pItemControls) return nullptr;
  for (INT_PTR i = 0; i < m_pItemControls->GetSize(); ++i) {
    CTKReportRecordItemControl* control = m_pItemControls->GetAt(i);
    if (!control) continue;
    const RECT& rc = control->GetRect();
    if (pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom) return control;
  }
  return nullptr;
}

int CTKReportRecordItem::GetIndex() const { return m_pRecord ? m_pRecord->IndexOf(this) : -1; }

void CTKReportRecordItem::DoPropExchange(CTKPropExchange* pPX) {
  int textColor = static_cast<int>(m_clrText);
  int backColor = static_cast<int>(m_clrBackground);
  PropExchangeIntDefault(pPX, u"TextColor", &textColor, -1);
  PropExchangeIntDefault(pPX, u"BackgroundColor", &backColor, -1);
  m_clrText = static_cast<COLORREF>(textColor);
  m_clrBackground = static_cast<COLORREF>(backColor);
  PropExchangeBoolDefault(pPX, u"BoldText", &m_bBoldText, FALSE);
  PropExchangeStringDefault(pPX, u"Format", &m_strFormatString, u"%s");
  PropExchangeBoolDefault(pPX, u"Editable", &m_bEditable, TRUE);
  PropExchangeIntDefault(pPX, u"IconIndex", &m_nIconIndex, -1);
  PropExchangeIntDefault(pPX, u"SortPriority", &m_nSortPriority, -1);
  PropExchangeIntDefault(pPX, u"GroupPriority", &m_nGroupPriority, -1);
  PropExchangeStringDefault(pPX, u"GroupCaption", &m_strGroupCaption, u"");
  PropExchangeBoolDefault(pPX, u"Focusable", &m_bFocusable, TRUE);
  PropExchangeIntDefault(pPX, u"Checked", &m_checkState, 0);
  PropExchangeBoolDefault(pPX, u"HasCheckbox", &m_bHasCheckbox, FALSE);
  PropExchangeBoolDefault(pPX, u"TristateCheckbox", &m_bTristateCheckbox, FALSE);
  ULONGLONG data = m_dwData;
  PropExchangeUInt64(pPX, u"Data", &data, 0);
  m_dwData = static_cast<DWORD_PTR>(data);
  PropExchangeStringDefault(pPX, u"Tooltip", &m_strTooltip, u"");
  if (pPX->m_nSchema >= kTKSchemaItemCaption) PropExchangeStringDefault(pPX, u"Caption", &m_strCaption, u"");

  // The links and the in-cell controls travel through scratch collections.
  {
    CTKPropExchangeSection section(pPX->GetSection(u"Hyperlinks"));
    CTKReportHyperlinks* scratch = new CTKReportHyperlinks;
    try {
      if (pPX->IsStoring()) {
        if (m_pHyperlinks) scratch->CopyFrom(m_pHyperlinks);
        scratch->DoPropExchange(section);
      } else {
        scratch->DoPropExchange(section);
        if (scratch->GetSize() == 0) {
          if (m_pHyperlinks) m_pHyperlinks->RemoveAll();
        } else {
          GetHyperlinks()->CopyFrom(scratch);
        }
      }
    } catch (...) {
      scratch->InternalRelease();
      throw;
    }
    scratch->InternalRelease();
  }
  if (pPX->m_nSchema >= kTKSchemaItemControls) {
    CTKPropExchangeSection section(pPX->GetSection(u"ItemControls"));
    auto* scratch = new CTKReportRecordItemControls(this);
    try {
      if (pPX->IsStoring()) {
        for (INT_PTR i = 0; m_pItemControls && i < m_pItemControls->GetSize(); ++i) {
          CTKReportRecordItemControl* control = m_pItemControls->GetAt(i);
          if (control) control->InternalAddRef();
          scratch->Add(control);
        }
        scratch->m_pRecordItem = nullptr;
      }
      scratch->DoPropExchange(section);
    } catch (...) {
      scratch->m_pRecordItem = nullptr;
      scratch->InternalRelease();
      throw;
    }
    if (pPX->IsLoading() && scratch->GetSize() > 0) {
      TKReleaseHeld(m_pItemControls);
      m_pHotControl = nullptr;
      m_pItemControls = scratch;
    } else {
      scratch->m_pRecordItem = nullptr;
      scratch->InternalRelease();
      if (pPX->IsLoading() && m_pItemControls) m_pItemControls->RemoveAll();
    }
  } else if (pPX->IsLoading() && m_pItemControls) {
    m_pItemControls->RemoveAll();
  }
  if (pPX->IsLoading()) {
    ResetMarkupUIElement(m_strCaption);
  }
}
