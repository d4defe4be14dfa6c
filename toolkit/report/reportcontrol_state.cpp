// The report control's layout state through property exchange: the columns
// with their group and sort orders, the group-by box, horizontal scrolling,
// frozen columns, option flags, the header's options and the icon view.
// One exchange function stores and loads, so the registry, an INI file and
// an archive hold the same values.
#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/common/propexchange_backends.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"

namespace {

// The header's options, in its "Header" section.
void ExchangeHeaderOptions(CTKPropExchange* pPX, CTKReportHeader* pHeader) {
  PropExchangeBoolDefault(pPX, u"AllowColumnRemove", &pHeader->m_bAllowColumnRemove, TRUE);
  PropExchangeBoolDefault(pPX, u"AllowColumnResize", &pHeader->m_bAllowColumnResize, TRUE);
  PropExchangeBoolDefault(pPX, u"AllowColumnReorder", &pHeader->m_bAllowColumnReorder, TRUE);
  PropExchangeBoolDefault(pPX, u"AllowColumnSort", &pHeader->m_bAllowColumnSort, TRUE);
  PropExchangeBoolDefault(pPX, u"AutoColumnSizing", &pHeader->m_bAutoColumnSizing, TRUE);
  PropExchangeBoolDefault(pPX, u"ShowItemsInGroups", &pHeader->m_bShowItemsInGroups, TRUE);
}

// Whole-column horizontal scrolling.
constexpr int kScrollModeWholeColumns = 1;

}  // namespace

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

  // An archive that holds less ends a block where it ends; what was read
  // stays applied.
  try {
    pPX->ExchangeSchemaTolerant();
    {
      CTKPropExchangeSection columns(pPX->GetSection(u"Columns"));
      m_pColumns->DoPropExchange(columns);
    }
    PropExchangeBoolDefault(pPX, u"ShowGroupBox", &m_bGroupByEnabled, FALSE);
    if (pPX->m_nSchema > 22) {
      BOOL fullColumnScrolling =
          m_scrollModeH == kScrollModeWholeColumns && !(m_pReportHeader && m_pReportHeader->IsAutoColumnSizing());
      PropExchangeBoolDefault(pPX, u"FullColumnScrolling", &fullColumnScrolling, FALSE);
      if (pPX->IsLoading()) SetFullColumnScrolling(fullColumnScrolling);
      PropExchangeIntDefault(pPX, u"HScrollStep", &m_nHScrollStep, 7);
    }
    PropExchangeIntDefault(pPX, u"FreezeColumnsCount", &m_nFreezeColumnsCount, 0);
    if (pPX->IsLoading()) SetFreezeColumnsCount(m_nFreezeColumnsCount, FALSE);
    if (pPX->m_nSchema > 35) {
      PropExchangeBoolDefault(pPX, u"FreezeColumnsAbs", &m_nFreezeColumnsAbs, FALSE);
      PropExchangeBoolDefault(pPX, u"MovePivot", &m_bMovePivot, FALSE);
      PropExchangeBoolDefault(pPX, u"ForcePagination", &m_bForcePagination, FALSE);
      PropExchangeBoolDefault(pPX, u"StrictBestFit", &m_bStrictBestFit, FALSE);
      PropExchangeBoolDefault(pPX, u"SelectionExcludeGroupRows", &m_bSelectionExcludeGroupRows, TRUE);
      PropExchangeBoolDefault(pPX, u"DesktopTrackerMode", &m_bDesktopTrackerMode, FALSE);
    }
    {
      CTKPropExchangeSection header(pPX->GetSection(u"Header"));
      ExchangeHeaderOptions(header, m_pReportHeader);
    }
    if (pPX->IsLoading()) {
      m_pReportHeader->OnColumnsChanged(0x41, nullptr);
      RebuildRows();
    }
  } catch (CArchiveException* e) {
    e->Delete();
  }

  try {
    pPX->ExchangeSchemaTolerant();
    BOOL showIconView = iconView;
    PropExchangeBool(pPX, u"ShowIconView", &showIconView);
    if (pPX->IsLoading() && showIconView) SetIconView(TRUE);
  } catch (CArchiveException* e) {
    e->Delete();
  }

  if (pPX->IsStoring() && iconView) SetIconView(TRUE);
  EndUpdate();
}
