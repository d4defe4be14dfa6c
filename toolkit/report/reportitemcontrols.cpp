#include "toolkit/report/reportitemcontrols.h"

#include "platform/base/exceptions.h"
#include "platform/gdi/syscolors.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/common/propexchangeschema.h"
#include "toolkit/report/reportrecorditem.h"

IMPLEMENT_SERIAL(CTKReportRecordItemControl, CCmdTarget, VERSIONABLE_SCHEMA | kTKSchemaCurrent)
IMPLEMENT_SERIAL(CTKReportRecordItemButton, CTKReportRecordItemControl, VERSIONABLE_SCHEMA | kTKSchemaCurrent)

CTKReportRecordItemControl::CTKReportRecordItemControl(LPCTSTR lpszCaption)
    : m_strCaption(lpszCaption ? lpszCaption : u""), m_clrCaption(::GetSysColor(COLOR_BTNTEXT)) {}

int CTKReportRecordItemControl::GetIconIndex(int nState) const {
  int icon = -1;
  if (m_mapStateIcons.Lookup(nState, icon)) return icon;
  if (m_mapStateIcons.Lookup(0, icon)) return icon;
  return -1;
}

void CTKReportRecordItemControl::DoPropExchange(CTKPropExchange* pPX) {
  PropExchangeInt(pPX, u"Type", &m_nType);
  PropExchangeString(pPX, u"Caption", &m_strCaption);
  int color = static_cast<int>(m_clrCaption);
  PropExchangeInt(pPX, u"CaptionColor", &color);
  m_clrCaption = static_cast<COLORREF>(color);
  PropExchangeSize(pPX, u"Size", &m_sizeControl, SIZE{-1, -1});
  PropExchangeInt(pPX, u"Flags", &m_unFlags);
  PropExchangeInt(pPX, u"Alignment", &m_nAlignment);
  PropExchangeBool(pPX, u"Enable", &m_bEnabled);
  PropExchangeBool(pPX, u"Themed", &m_bThemed);

  CTKPropExchangeEnumeratorHolder enumerator(pPX->GetEnumerator(u"StateIcons"));
  if (pPX->IsStoring()) {
    POSITION pos = enumerator->GetPosition(static_cast<DWORD>(m_mapStateIcons.GetCount()));
    POSITION map = m_mapStateIcons.GetStartPosition();
    while (pos && map) {
      int state = 0, icon = 0;
      m_mapStateIcons.GetNextAssoc(map, state, icon);
      CTKPropExchangeSection section(enumerator->GetNext(pos));
      PropExchangeInt(section, u"State", &state);
      PropExchangeInt(section, u"Icon", &icon);
    }
    return;
  }
  m_mapStateIcons.RemoveAll();
  POSITION pos = enumerator->GetPosition();
  while (pos) {
    CTKPropExchangeSection section(enumerator->GetNext(pos));
    int state = 0, icon = 0;
    PropExchangeIntDefault(section, u"State", &state, 0);
    PropExchangeIntDefault(section, u"Icon", &icon, 0);
    m_mapStateIcons.SetAt(state, icon);
  }
}

CTKReportRecordItemButton::CTKReportRecordItemButton(LPCTSTR lpszCaption) : CTKReportRecordItemControl(lpszCaption) {
  m_nState = 1;
}

CTKReportRecordItemControls::~CTKReportRecordItemControls() { CTKReportRecordItemControls::RemoveAll(); }

void CTKReportRecordItemControls::RemoveAll() {
  for (INT_PTR i = m_arrElements.GetSize() - 1; i >= 0; --i) {
    if (m_arrElements[i]) m_arrElements[i]->InternalRelease();
  }
  if (m_pRecordItem) m_pRecordItem->SetHotControl(nullptr);
  m_arrElements.RemoveAll();
}

CTKReportRecordItemControl* CTKReportRecordItemControls::AddControl(int nType, int nIndex) {
  if (nType != 1) return nullptr;
  auto* button = new CTKReportRecordItemButton(u"");
  button->m_nType = 1;
  return InsertControl(button, nIndex);
}

CTKReportRecordItemControl* CTKReportRecordItemControls::InsertControl(CTKReportRecordItemControl* pControl,
                                                                       int nIndex) {
  if (!pControl) return nullptr;
  if (nIndex < 0 || nIndex >= GetSize()) nIndex = static_cast<int>(m_arrElements.Add(pControl));
  else m_arrElements.InsertAt(nIndex, pControl);
  RefreshIndexes(nIndex);
  return pControl;
}

void CTKReportRecordItemControls::RemoveControl(int nIndex) {
  if (nIndex < 0 || nIndex >= GetSize()) return;
  CTKReportRecordItemControl* control = m_arrElements[nIndex];
  if (m_pRecordItem && m_pRecordItem->GetHotControl() == control) m_pRecordItem->SetHotControl(nullptr);
  m_arrElements.RemoveAt(nIndex);
  if (control) control->InternalRelease();
  RefreshIndexes(nIndex);
}

void CTKReportRecordItemControls::RefreshIndexes(int nStartFrom) {
  for (INT_PTR i = nStartFrom < 0 ? 0 : nStartFrom; i < m_arrElements.GetSize(); ++i) {
    if (m_arrElements[i]) m_arrElements[i]->m_nIndex = static_cast<int>(i);
  }
}

void CTKReportRecordItemControls::DoPropExchange(CTKPropExchange* pPX) {
  CTKPropExchangeEnumeratorHolder enumerator(pPX->GetEnumerator(u"RecordItemControl"));
  if (pPX->IsStoring()) {
    POSITION pos = enumerator->GetPosition(static_cast<DWORD>(GetSize()));
    for (INT_PTR i = 0; pos; ++i) {
      CTKPropExchangeSection section(enumerator->GetNext(pos));
      CObject* object = m_arrElements[i];
      section->ExchangeObject(&object, RUNTIME_CLASS(CTKReportRecordItemControl));
      m_arrElements[i]->DoPropExchange(section);
    }
    return;
  }
  RemoveAll();
  POSITION pos = enumerator->GetPosition();
  while (pos) {
    CTKPropExchangeSection section(enumerator->GetNext(pos));
    CObject* object = nullptr;
    if (!section->ExchangeObject(&object, RUNTIME_CLASS(CTKReportRecordItemControl)) || !object) {
      AfxThrowArchiveException(CArchiveException::badClass);
    }
    auto* control = static_cast<CTKReportRecordItemControl*>(object);
    try {
      control->DoPropExchange(section);
    } catch (...) {
      control->InternalRelease();
      throw;
    }
    InsertControl(control, -1);
  }
}
