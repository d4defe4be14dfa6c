// The report control's layout state through property exchange: the columns
// with their group and sort orders, the group-by box, horizontal scrolling,
// frozen columns, option flags, the header's options and the icon view.
// One exchange function stores and loads, so the registry, an INI file and
// an archive hold the same values.
#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/system/msgbox.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/common/propexchange_backends.h"
#include "toolkit/common/propexchangeschema.h"
#include "toolkit/report/reportdatahost.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"

namespace {

// The header's options, in its "Header" section.
struct HeaderOptions {
  BOOL bAllowColumnRemove, bAllowColumnResize, bAllowColumnReorder, bAllowColumnSort, bAutoColumnSizing,
      bShowItemsInGroups;
};

void ExchangeHeaderOptions(CTKPropExchange* pPX, HeaderOptions& o) {
  PropExchangeBoolDefault(pPX, u"AllowColumnRemove", &o.bAllowColumnRemove, TRUE);
  PropExchangeBoolDefault(pPX, u"AllowColumnResize", &o.bAllowColumnResize, TRUE);
  PropExchangeBoolDefault(pPX, u"AllowColumnReorder", &o.bAllowColumnReorder, TRUE);
  PropExchangeBoolDefault(pPX, u"AllowColumnSort", &o.bAllowColumnSort, TRUE);
  PropExchangeBoolDefault(pPX, u"AutoColumnSizing", &o.bAutoColumnSizing, TRUE);
  PropExchangeBoolDefault(pPX, u"ShowItemsInGroups", &o.bShowItemsInGroups, TRUE);
}

HeaderOptions HeaderOptionsOf(const CTKReportHeader* h) {
  return {h->m_bAllowColumnRemove, h->m_bAllowColumnResize, h->m_bAllowColumnReorder,
          h->m_bAllowColumnSort,   h->m_bAutoColumnSizing,  h->m_bShowItemsInGroups};
}

void SetHeaderOptions(CTKReportHeader* h, const HeaderOptions& o) {
  h->m_bAllowColumnRemove = o.bAllowColumnRemove;
  h->m_bAllowColumnResize = o.bAllowColumnResize;
  h->m_bAllowColumnReorder = o.bAllowColumnReorder;
  h->m_bAllowColumnSort = o.bAllowColumnSort;
  h->m_bAutoColumnSizing = o.bAutoColumnSizing;
  h->m_bShowItemsInGroups = o.bShowItemsInGroups;
}

}  // namespace

// Everything a stored state holds, read before any of it is applied.
struct CTKReportControl::StoredState {
  CTKReportColumnsState columns;
  BOOL bShowGroupBox = FALSE;
  bool bHasScrollValues = false;
  BOOL bFullColumnScrolling = FALSE;
  int nHScrollStep = 7;
  int nFreezeColumnsCount = 0;
  int nFreezeColumnsAbs = 0;
  BOOL bMovePivot = FALSE, bForcePagination = FALSE, bStrictBestFit = FALSE, bSelectionExcludeGroupRows = TRUE,
       bDesktopTrackerMode = FALSE;
  HeaderOptions header{};
  BOOL bShowIconView = FALSE;
};

void CTKReportControl::SerializeState(CArchive& ar) {
  CTKPropExchangeArchive px(ar);
  DoPropExchange(&px);
}

void CTKReportControl::DoPropExchange(CTKPropExchange* pPX) {
  if (!pPX) return;
  BeginUpdate();
  // The columns and header are exchanged in their normal layout.
  const BOOL iconView = IsIconView();
  if (iconView) SetIconView(FALSE);
  if (pPX->IsStoring()) {
    try {
      StoreState(pPX, iconView);
    } catch (CArchiveException* e) {
      e->Delete();
    }
    if (iconView) SetIconView(TRUE);
  } else {
    StoredState state;
    CString reason;
    if (ReadStoredState(pPX, iconView, state, reason)) {
      ApplyStoredState(state);
    } else {
      // Nothing of a state that cannot be applied whole is applied.
      const CString message = CString(u"The grid's stored layout was not loaded: ") + reason + u".\n";
      OutputDebugStringW(message.GetString());
      if (iconView) SetIconView(TRUE);
    }
  }
  EndUpdate();
}

void CTKReportControl::StoreState(CTKPropExchange* pPX, BOOL bIconView) {
  pPX->ExchangeSchemaTolerant();
  {
    CTKPropExchangeSection columns(pPX->GetSection(u"Columns"));
    m_pColumns->DoPropExchange(columns);
  }
  PropExchangeBoolDefault(pPX, u"ShowGroupBox", &m_bGroupByEnabled, FALSE);
  if (pPX->m_nSchema >= kTKSchemaReportScrolling) {
    BOOL fullColumnScrolling =
        m_scrollModeH == kScrollModeWholeColumns && !(m_pReportHeader && m_pReportHeader->IsAutoColumnSizing());
    PropExchangeBoolDefault(pPX, u"FullColumnScrolling", &fullColumnScrolling, FALSE);
    PropExchangeIntDefault(pPX, u"HScrollStep", &m_nHScrollStep, 7);
  }
  int freeze = GetFreezeColumnsCount();
  PropExchangeIntDefault(pPX, u"FreezeColumnsCount", &freeze, 0);
  if (pPX->m_nSchema >= kTKSchemaReportFlags) {
    PropExchangeBoolDefault(pPX, u"FreezeColumnsAbs", &m_nFreezeColumnsAbs, FALSE);
    PropExchangeBoolDefault(pPX, u"MovePivot", &m_bMovePivot, FALSE);
    PropExchangeBoolDefault(pPX, u"ForcePagination", &m_bForcePagination, FALSE);
    PropExchangeBoolDefault(pPX, u"StrictBestFit", &m_bStrictBestFit, FALSE);
    PropExchangeBoolDefault(pPX, u"SelectionExcludeGroupRows", &m_bSelectionExcludeGroupRows, TRUE);
    PropExchangeBoolDefault(pPX, u"DesktopTrackerMode", &m_bDesktopTrackerMode, FALSE);
  }
  {
    CTKPropExchangeSection header(pPX->GetSection(u"Header"));
    HeaderOptions options = HeaderOptionsOf(m_pReportHeader);
    ExchangeHeaderOptions(header, options);
  }
  pPX->ExchangeSchemaTolerant();
  BOOL showIconView = bIconView;
  PropExchangeBool(pPX, u"ShowIconView", &showIconView);
}

BOOL CTKReportControl::ReadStoredState(CTKPropExchange* pPX, BOOL bIconView, StoredState& state, CString& strReason) {
  // Values a schema does not hold keep the control's.
  state.bShowGroupBox = m_bGroupByEnabled;
  state.nHScrollStep = m_nHScrollStep;
  state.nFreezeColumnsAbs = m_nFreezeColumnsAbs;
  state.bMovePivot = m_bMovePivot;
  state.bForcePagination = m_bForcePagination;
  state.bStrictBestFit = m_bStrictBestFit;
  state.bSelectionExcludeGroupRows = m_bSelectionExcludeGroupRows;
  state.bDesktopTrackerMode = m_bDesktopTrackerMode;
  state.header = HeaderOptionsOf(m_pReportHeader);
  state.bShowIconView = bIconView;
  try {
    pPX->ExchangeSchemaTolerant();
    {
      CTKPropExchangeSection columns(pPX->GetSection(u"Columns"));
      if (!m_pColumns->ReadState(columns, state.columns, strReason)) return FALSE;
    }
    PropExchangeBoolDefault(pPX, u"ShowGroupBox", &state.bShowGroupBox, FALSE);
    if (pPX->m_nSchema >= kTKSchemaReportScrolling) {
      state.bHasScrollValues = true;
      PropExchangeBoolDefault(pPX, u"FullColumnScrolling", &state.bFullColumnScrolling, FALSE);
      PropExchangeIntDefault(pPX, u"HScrollStep", &state.nHScrollStep, 7);
    }
    PropExchangeIntDefault(pPX, u"FreezeColumnsCount", &state.nFreezeColumnsCount, 0);
    if (pPX->m_nSchema >= kTKSchemaReportFlags) {
      PropExchangeBoolDefault(pPX, u"FreezeColumnsAbs", &state.nFreezeColumnsAbs, FALSE);
      PropExchangeBoolDefault(pPX, u"MovePivot", &state.bMovePivot, FALSE);
      PropExchangeBoolDefault(pPX, u"ForcePagination", &state.bForcePagination, FALSE);
      PropExchangeBoolDefault(pPX, u"StrictBestFit", &state.bStrictBestFit, FALSE);
      PropExchangeBoolDefault(pPX, u"SelectionExcludeGroupRows", &state.bSelectionExcludeGroupRows, TRUE);
      PropExchangeBoolDefault(pPX, u"DesktopTrackerMode", &state.bDesktopTrackerMode, FALSE);
    }
    {
      CTKPropExchangeSection header(pPX->GetSection(u"Header"));
      ExchangeHeaderOptions(header, state.header);
    }
    pPX->ExchangeSchemaTolerant();
    PropExchangeBool(pPX, u"ShowIconView", &state.bShowIconView);
  } catch (CArchiveException* e) {
    e->Delete();
    strReason = u"it ends before all it announces";
    return FALSE;
  }
  return TRUE;
}

void CTKReportControl::ApplyStoredState(const StoredState& state) {
  // While the columns take their stored widths, the header must not spread
  // them over the control's width with its current sizing: the stored
  // header options, applied after them, decide that.
  m_pReportHeader->m_bAutoColumnSizing = FALSE;
  m_pColumns->ApplyState(state.columns);
  m_bGroupByEnabled = state.bShowGroupBox;
  if (state.bHasScrollValues) {
    SetFullColumnScrolling(state.bFullColumnScrolling);
    m_nHScrollStep = state.nHScrollStep;
  }
  SetFreezeColumnsCount(state.nFreezeColumnsCount, FALSE);
  m_nFreezeColumnsAbs = state.nFreezeColumnsAbs;
  m_bMovePivot = state.bMovePivot;
  m_bForcePagination = state.bForcePagination;
  m_bStrictBestFit = state.bStrictBestFit;
  m_bSelectionExcludeGroupRows = state.bSelectionExcludeGroupRows;
  m_bDesktopTrackerMode = state.bDesktopTrackerMode;
  SetHeaderOptions(m_pReportHeader, state.header);
  m_pReportHeader->OnColumnsChanged(TKColumnChange::kStateLoaded, nullptr);
  RebuildRows();
  if (state.bShowIconView) SetIconView(TRUE);
}
