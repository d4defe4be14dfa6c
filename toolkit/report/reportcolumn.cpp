#include "toolkit/report/reportcolumn.h"

#include <algorithm>

#include "platform/base/exceptions.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/common/propexchangeschema.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupinput.h"
#include "toolkit/report/reportdatahost.h"
#include "toolkit/report/reportitemeditoptions.h"

namespace {
CTKReportDataHost* HostOf(const CTKReportColumn* column) { return TKGetReportDataHost(column->GetControl()); }
}  // namespace

// ---- column -----------------------------------------------------------------------------------

CTKReportColumn::CTKReportColumn(int nItemIndex, LPCTSTR lpszCaption, int nWidth, BOOL bAutoSize, int nIconId,
                                 BOOL bSortable, BOOL bVisible)
    : m_strName(lpszCaption ? lpszCaption : u""),
      m_nItemIndex(nItemIndex),
      m_bSortable(bSortable),
      m_nIconID(nIconId),
      m_bVisible(bVisible),
      m_bIsResizable(bAutoSize),
      m_nColumnAutoWidth(std::clamp(nWidth, 0, kTKReportMaxColumnWidth)),
      m_nColumnStaticWidth(m_nColumnAutoWidth),
      m_bAutoSize(bAutoSize),
      m_pEditOptions(new CTKReportRecordItemEditOptions) {}

CTKReportColumn::~CTKReportColumn() {
  if (m_pEditOptions) m_pEditOptions->InternalRelease();
  MarkupReleaseElement(m_pMarkupUIElement);
}

void CTKReportColumn::SetMarkupUIElement(CTKMarkupInputElement* pElement) {
  if (pElement == m_pMarkupUIElement) return;
  MarkupReleaseElement(m_pMarkupUIElement);
  m_pMarkupUIElement = pElement;
}

CTKReportControl* CTKReportColumn::GetControl() const { return m_pColumns ? m_pColumns->GetReportControl() : nullptr; }

int CTKReportColumn::GetIndex() const { return m_pColumns ? m_pColumns->IndexOf(this) : -1; }

int CTKReportColumn::GetVisibleIndex() const {
  if (!m_pColumns || !m_bVisible) return -1;
  int visible = 0;
  for (int i = 0; i < m_pColumns->GetCount(); ++i) {
    CTKReportColumn* column = m_pColumns->GetAt(i);
    if (column == this) return visible;
    if (column && column->IsVisible()) ++visible;
  }
  return -1;
}

BOOL CTKReportColumn::IsInSortOrder() const { return m_pColumns && m_pColumns->GetSortOrder()->IndexOf(this) >= 0; }

BOOL CTKReportColumn::IsSorted() const {
  if (IsInSortOrder()) return TRUE;
  return m_pColumns && m_bAutoSortWhenGrouped && m_pColumns->GetGroupsOrder()->IndexOf(this) >= 0;
}

BOOL CTKReportColumn::IsTreeColumn() const { return m_pColumns && m_pColumns->GetTreeColumn() == this; }

BOOL CTKReportColumn::IsPressed() const { return GetControl() && HostOf(this)->GetPressedColumn() == this; }

BOOL CTKReportColumn::IsHotTracked() const { return GetControl() && HostOf(this)->GetHotTrackedColumn() == this; }

int CTKReportColumn::SetWidth(int nWidth) {
  int previous = m_nColumnStaticWidth;
  m_nColumnStaticWidth = m_nColumnAutoWidth = std::clamp(nWidth, 0, kTKReportMaxColumnWidth);
  if (GetControl()) HostOf(this)->OnColumnsChanged(TKColumnChange::kWidth, this);
  return previous;
}

void CTKReportColumn::SetVisible(BOOL bVisible) {
  CTKReportControl* control = GetControl();
  int iconView = control ? HostOf(this)->GetIconViewColumn() : -1;
  if (iconView > 0 && !bVisible && iconView == GetIndex()) SetWidth(0);
  if ((bVisible != FALSE) == (m_bVisible != FALSE)) return;
  if (m_bVisible) m_nOldVisibleIndex = GetVisibleIndex();
  m_bVisible = bVisible;
  if (control) HostOf(this)->OnColumnsChanged(bVisible ? TKColumnChange::kShown : TKColumnChange::kHidden, this);
}

int CTKReportColumn::SetAlignment(int nAlignment) {
  int previous = m_nAlignment;
  m_nAlignment = nAlignment;
  return previous;
}

int CTKReportColumn::SetMinWidth(int nMinWidth) {
  int previous = m_nMinWidth;
  m_nMinWidth = nMinWidth;
  return previous;
}

void CTKReportColumn::SetExpanded(BOOL bExpanded) {
  m_bExpanded = bExpanded;
  int n = m_nNextVisualBlock;
  if (n == 0 || !m_pColumns) return;
  int b = GetVisibleIndex();
  // Last to first: hiding a column never renumbers those still to test.
  for (int i = m_pColumns->GetCount() - 1; i >= 0; --i) {
    CTKReportColumn* column = m_pColumns->GetAt(i);
    if (!column || column == this) continue;
    if (bExpanded) {
      if (!column->IsVisible()) continue;
      int v = column->GetVisibleIndex();
      if ((n > 0 && v > b && v <= b + n) || (n < 0 && v >= b + n && v < b)) column->SetVisible(FALSE);
    } else {
      if (column->IsVisible()) continue;
      int v = column->m_nOldVisibleIndex;
      if ((n > 0 && v > b && v <= b + n) || (n < 0 && v >= b + n && v <= b + 2)) column->SetVisible(TRUE);
    }
  }
}

void CTKReportColumn::EnsureVisible() {
  if (GetControl()) HostOf(this)->EnsureColumnVisible(this);
}

int CTKReportColumn::MirrorAlignment(int nAlignment) const {
  return HostOf(this)->IsRightToLeft() ? (nAlignment ^ 2) : nAlignment;
}

int CTKReportColumn::GetDisplayAlignment() const { return MirrorAlignment(m_nAlignment); }

int CTKReportColumn::GetHeaderAlignment() const {
  if (m_nHeaderAlignment != -1) return m_nHeaderAlignment;
  return HostOf(this)->HeaderFollowsColumnAlignment() ? GetDisplayAlignment() : MirrorAlignment(0);
}

int CTKReportColumn::GetFooterAlignment() const {
  if (m_nFooterAlignment != -1) return m_nFooterAlignment;
  return HostOf(this)->HeaderFollowsColumnAlignment() ? GetDisplayAlignment() : MirrorAlignment(0);
}

int CTKReportColumn::GetIndent() const {
  if (!m_pColumns || m_pColumns->GetFirstVisibleColumn() != this) return 0;
  CTKReportDataHost* host = HostOf(this);
  if (!GetControl() || !host->HasHeader()) return 0;
  int indent = (host->GetHeaderIndentLevel() - 1) * host->GetIndentPerLevel();
  return indent > 0 ? indent : 0;
}

int CTKReportColumn::GetWidth() const {
  return m_bIsResizable ? m_nColumnStaticWidth : TKAddWidths(m_nColumnStaticWidth, GetIndent());
}

int CTKReportColumn::GetMinWidth() const {
  return (m_bIsResizable || m_bAutoSize) ? m_nMinWidth : TKAddWidths(m_nColumnStaticWidth, GetIndent());
}

int CTKReportColumn::GetPrintWidth(int nTotalWidth) const {
  if (!m_pColumns) return 0;
  int weightSum = 0;
  const CTKReportColumn* lastAuto = nullptr;
  int count = m_pColumns->GetCount();
  for (int i = 0; i < count; ++i) {
    const CTKReportColumn* column = m_pColumns->GetAt(i);
    if (!column || !column->IsVisible()) continue;
    if (column->IsAutoSize()) {
      weightSum += column->GetWidth();
      lastAuto = column;
    } else {
      nTotalWidth -= column->GetWidth();
    }
  }
  for (int i = 0; i < count; ++i) {
    const CTKReportColumn* column = m_pColumns->GetAt(i);
    if (!column || !column->IsVisible()) continue;
    int width;
    if (!column->IsAutoSize()) {
      width = column->GetWidth();
    } else if (column == lastAuto) {
      width = nTotalWidth > column->GetMinWidth() ? nTotalWidth : column->GetMinWidth();
    } else {
      int sum = weightSum < 1 ? 1 : weightSum;
      width = static_cast<int>(static_cast<long long>(column->GetWidth()) * nTotalWidth / sum);
      if (width <= column->GetMinWidth()) width = column->GetMinWidth();
      nTotalWidth -= width;
      weightSum -= column->GetWidth();
    }
    if (column == this) return width;
  }
  return 0;
}

int CTKReportColumn::GetBestFitWidth() {
  CTKReportDataHost* host = HostOf(this);
  int width = host->MeasureColumnCaption(this) + 6;
  if (m_nIconID != -1) width += 2 + host->GetHeaderIconWidth(this, m_nIconID);
  if (IsSorted() && host->GetSortArrowPlacement() != 2) width += 27;
  int data = host->GetColumnDataWidth(this);
  if (data > width) width = data;
  if (m_nMaxItemWidth > width) width = m_nMaxItemWidth;
  return width;
}

CTKReportColumnStoredValues CTKReportColumn::GetStoredValues() const {
  CTKReportColumnStoredValues v;
  v.bSortIncreasing = m_bSortIncreasing;
  v.bVisible = m_bVisible;
  v.nAlignment = m_nAlignment;
  v.nStaticWidth = m_nColumnStaticWidth;
  v.nAutoWidth = m_nColumnAutoWidth;
  v.nHeaderAlignment = m_nHeaderAlignment;
  v.nFooterAlignment = m_nFooterAlignment;
  v.bPlusMinus = m_bPlusMinus;
  v.nNextVisualBlock = m_nNextVisualBlock;
  v.nOldVisibleIndex = m_nOldVisibleIndex;
  v.bExpanded = m_bExpanded;
  return v;
}

void CTKReportColumn::SetStoredValues(const CTKReportColumnStoredValues& v) {
  m_bSortIncreasing = v.bSortIncreasing;
  m_bVisible = v.bVisible;
  m_nAlignment = v.nAlignment;
  m_nColumnStaticWidth = v.nStaticWidth;
  m_nColumnAutoWidth = v.nAutoWidth;
  m_nHeaderAlignment = v.nHeaderAlignment;
  m_nFooterAlignment = v.nFooterAlignment;
  m_bPlusMinus = v.bPlusMinus;
  m_nNextVisualBlock = v.nNextVisualBlock;
  m_nOldVisibleIndex = v.nOldVisibleIndex;
  m_bExpanded = v.bExpanded;
}

void CTKReportColumn::DoPropExchange(CTKPropExchange* pPX) {
  PropExchangeBoolDefault(pPX, u"SortIncreasing", &m_bSortIncreasing, TRUE);
  PropExchangeBoolDefault(pPX, u"Visible", &m_bVisible, TRUE);
  PropExchangeIntDefault(pPX, u"Alignment", &m_nAlignment, 0);
  PropExchangeIntDefault(pPX, u"StaticWidth", &m_nColumnStaticWidth, 0);
  PropExchangeIntDefault(pPX, u"AutoWidth", &m_nColumnAutoWidth, 0);
  if (pPX->m_nSchema >= kTKSchemaColumnAlignments) {
    PropExchangeIntDefault(pPX, u"HeaderAlignment", &m_nHeaderAlignment, -1);
    PropExchangeIntDefault(pPX, u"FooterAlignment", &m_nFooterAlignment, -1);
  }
  if (pPX->m_nSchema >= kTKSchemaColumnTreeState) {
    PropExchangeBoolDefault(pPX, u"PlusMinus", &m_bPlusMinus, FALSE);
    PropExchangeIntDefault(pPX, u"NextVisualBlock", &m_nNextVisualBlock, 0);
    PropExchangeIntDefault(pPX, u"OldVisibleIndex", &m_nOldVisibleIndex, -1);
    PropExchangeBoolDefault(pPX, u"Expanded", &m_bExpanded, TRUE);
  }
}

// ---- columns ----------------------------------------------------------------------------------

CTKReportColumns::CTKReportColumns(CTKReportControl* pControl)
    : m_pGroupsOrder(new CTKReportColumnOrder(this)),
      m_pSortOrder(new CTKReportColumnOrder(this)),
      m_pControl(pControl) {}

CTKReportColumns::~CTKReportColumns() {
  Clear();
  m_pGroupsOrder->InternalRelease();
  m_pSortOrder->InternalRelease();
}

void CTKReportColumns::Add(CTKReportColumn* pColumn) {
  if (!pColumn) return;
  pColumn->m_pColumns = this;
  m_arrColumns.Add(pColumn);
  if (m_pControl) TKGetReportDataHost(m_pControl)->OnColumnsChanged(TKColumnChange::kAdded, pColumn);
}

CTKReportColumn* CTKReportColumns::GetAt(int nIndex) const {
  if (nIndex < 0 || nIndex >= m_arrColumns.GetSize()) return nullptr;
  return m_arrColumns[nIndex];
}

int CTKReportColumns::IndexOf(const CTKReportColumn* pColumn) const {
  for (INT_PTR i = m_arrColumns.GetSize() - 1; i >= 0; --i)
    if (m_arrColumns[i] == pColumn) return static_cast<int>(i);
  return -1;
}

CTKReportColumn* CTKReportColumns::Find(int nItemIndex) const {
  for (INT_PTR i = 0; i < m_arrColumns.GetSize(); ++i)
    if (m_arrColumns[i] && m_arrColumns[i]->GetItemIndex() == nItemIndex) return m_arrColumns[i];
  return nullptr;
}

CTKReportColumn* CTKReportColumns::FindByInternalName(LPCTSTR lpszInternalName) const {
  if (!lpszInternalName) return nullptr;
  for (INT_PTR i = 0; i < m_arrColumns.GetSize(); ++i)
    if (m_arrColumns[i] && m_arrColumns[i]->m_strInternalName.Compare(lpszInternalName) == 0) return m_arrColumns[i];
  return nullptr;
}

int CTKReportColumns::GetVisibleColumnsCount() const {
  int count = 0;
  for (INT_PTR i = 0; i < m_arrColumns.GetSize(); ++i)
    if (m_arrColumns[i] && m_arrColumns[i]->IsVisible()) ++count;
  return count;
}

CTKReportColumn* CTKReportColumns::GetVisibleAt(int nIndex) const {
  for (INT_PTR i = 0; i < m_arrColumns.GetSize(); ++i) {
    if (!m_arrColumns[i] || !m_arrColumns[i]->IsVisible()) continue;
    if (nIndex-- == 0) return m_arrColumns[i];
  }
  return nullptr;
}

CTKReportColumn* CTKReportColumns::GetFirstVisibleColumn() const { return GetVisibleAt(0); }

CTKReportColumn* CTKReportColumns::GetLastVisibleColumn() const {
  for (INT_PTR i = m_arrColumns.GetSize() - 1; i >= 0; --i)
    if (m_arrColumns[i] && m_arrColumns[i]->IsVisible()) return m_arrColumns[i];
  return nullptr;
}

int CTKReportColumns::ChangeColumnOrder(int nNewPosition, int nOldPosition) {
  if (nNewPosition < 0 || nOldPosition < 0) return -1;
  if (nOldPosition >= m_arrColumns.GetSize()) return nNewPosition;
  CTKReportColumn* column = m_arrColumns[nOldPosition];
  if (column && nNewPosition != nOldPosition) {
    m_arrColumns.RemoveAt(nOldPosition);
    if (nOldPosition < nNewPosition) --nNewPosition;
    if (nNewPosition > m_arrColumns.GetSize()) nNewPosition = static_cast<int>(m_arrColumns.GetSize());
    m_arrColumns.InsertAt(nNewPosition, column);
  }
  return nNewPosition;
}

void CTKReportColumns::GetVisibleColumns(CTKReportColumns* pTarget) const {
  if (!pTarget) return;
  for (INT_PTR i = 0; i < m_arrColumns.GetSize(); ++i) {
    CTKReportColumn* column = m_arrColumns[i];
    if (!column || !column->IsVisible()) continue;
    column->InternalAddRef();
    pTarget->m_arrColumns.Add(column);
  }
}

void CTKReportColumns::Clear() {
  for (INT_PTR i = m_arrColumns.GetSize() - 1; i >= 0; --i) {
    if (m_arrColumns[i]) m_arrColumns[i]->InternalRelease();
  }
  m_arrColumns.RemoveAll();
  m_pSortOrder->Clear();
  m_pGroupsOrder->Clear();
  m_pTreeColumn = nullptr;
  if (m_pControl) {
    CTKReportDataHost* host = TKGetReportDataHost(m_pControl);
    if (host->GetColumns() == this) host->SetFocusedColumn(nullptr);
  }
}

void CTKReportColumns::DoPropExchange(CTKPropExchange* pPX) {
  if (pPX->IsLoading()) {
    CTKReportColumnsState state;
    CString reason;
    if (!ReadState(pPX, state, reason)) AfxThrowArchiveException(CArchiveException::badIndex);
    ApplyState(state);
    return;
  }
  {
    CTKPropExchangeEnumeratorHolder enumerator(pPX->GetEnumerator(u"Column"));
    POSITION pos = enumerator->GetPosition(static_cast<DWORD>(m_arrColumns.GetSize()));
    for (INT_PTR i = 0; pos; ++i) {
      CTKPropExchangeSection section(enumerator->GetNext(pos));
      CTKReportColumn* column = m_arrColumns[i];
      int itemIndex = column->GetItemIndex();
      PropExchangeInt(section, u"ItemIndex", &itemIndex);
      // Older schemas had no names; their readers expect none.
      if (section->m_nSchema >= kTKSchemaColumnInternalNames)
        PropExchangeString(section, u"InternalName", &column->m_strInternalName);
      column->DoPropExchange(section);
    }
  }
  CTKPropExchangeSection groups(pPX->GetSection(u"GroupsOrder"));
  m_pGroupsOrder->DoPropExchange(groups);
  CTKPropExchangeSection sorts(pPX->GetSection(u"SortOrder"));
  m_pSortOrder->DoPropExchange(sorts);
}

namespace {

bool WidthInBounds(int width) { return width >= 0 && width <= kTKReportMaxColumnWidth; }

}  // namespace

BOOL CTKReportColumns::ReadState(CTKPropExchange* pPX, CTKReportColumnsState& state, CString& strReason) const {
  state = CTKReportColumnsState();
  {
    CTKPropExchangeEnumeratorHolder enumerator(pPX->GetEnumerator(u"Column"));
    POSITION pos = enumerator->GetPosition();
    if (enumerator->GetCount() > static_cast<DWORD>(kTKReportMaxStoredColumns)) {
      strReason.Format(u"it holds %u columns, more than %d", static_cast<unsigned>(enumerator->GetCount()),
                       kTKReportMaxStoredColumns);
      return FALSE;
    }
    // Each entry is read into a scratch column that starts from the values
    // of the column it names, so keys an older schema lacks keep them.
    struct Scratch {
      CTKReportColumn* p = new CTKReportColumn(0, u"", 0, TRUE, -1, TRUE, TRUE);
      ~Scratch() { p->InternalRelease(); }
    } scratch;
    while (pos) {
      CTKPropExchangeSection section(enumerator->GetNext(pos));
      int itemIndex = -1;
      PropExchangeIntDefault(section, u"ItemIndex", &itemIndex, -1);
      CString name;
      if (section->m_nSchema >= kTKSchemaColumnInternalNames) PropExchangeString(section, u"InternalName", &name);
      CTKReportColumn* column = nullptr;
      if (!name.IsEmpty()) {
        column = FindByInternalName(name);
        if (!column && section->m_nSchema < kTKSchemaInternalNamesOnly) {
          for (INT_PTR i = 0; i < m_arrColumns.GetSize() && !column; ++i)
            if (m_arrColumns[i] && m_arrColumns[i]->m_strName.Compare(name) == 0) column = m_arrColumns[i];
        }
      } else {
        column = Find(itemIndex);
        if (!column) {
          strReason.Format(u"it names column %d, which is not there", itemIndex);
          return FALSE;
        }
      }
      // A column the state names no longer exists: its keys are read and
      // dropped.
      scratch.p->SetStoredValues(column ? column->GetStoredValues() : CTKReportColumnStoredValues());
      scratch.p->DoPropExchange(section);
      if (!column) continue;
      const CTKReportColumnStoredValues values = scratch.p->GetStoredValues();
      if (!WidthInBounds(values.nStaticWidth) || !WidthInBounds(values.nAutoWidth)) {
        strReason.Format(u"column %d is %d pixels wide, outside 0..%d", column->GetItemIndex(),
                         WidthInBounds(values.nStaticWidth) ? values.nAutoWidth : values.nStaticWidth,
                         kTKReportMaxColumnWidth);
        return FALSE;
      }
      state.columns.push_back({column, values});
    }
  }
  CTKPropExchangeSection groups(pPX->GetSection(u"GroupsOrder"));
  m_pGroupsOrder->ReadColumns(groups, state.groupsOrder);
  CTKPropExchangeSection sorts(pPX->GetSection(u"SortOrder"));
  m_pSortOrder->ReadColumns(sorts, state.sortOrder);
  return TRUE;
}

void CTKReportColumns::ApplyState(const CTKReportColumnsState& state) {
  int counter = 0;
  for (const CTKReportColumnsState::Entry& entry : state.columns) {
    entry.pColumn->SetStoredValues(entry.values);
    ChangeColumnOrder(counter++, IndexOf(entry.pColumn));
  }
  m_pGroupsOrder->Clear();
  for (CTKReportColumn* column : state.groupsOrder) m_pGroupsOrder->Add(column);
  m_pSortOrder->Clear();
  for (CTKReportColumn* column : state.sortOrder) m_pSortOrder->Add(column);
}

// ---- column order -----------------------------------------------------------------------------

CTKReportColumnOrder::CTKReportColumnOrder(CTKReportColumns* pColumns) : m_pColumns(pColumns) {}

CTKReportColumn* CTKReportColumnOrder::GetAt(int nIndex) const {
  if (nIndex < 0 || nIndex >= m_arrColumns.GetSize()) return nullptr;
  return m_arrColumns[nIndex];
}

int CTKReportColumnOrder::IndexOf(const CTKReportColumn* pColumn) const {
  for (INT_PTR i = 0; i < m_arrColumns.GetSize(); ++i)
    if (m_arrColumns[i] == pColumn) return static_cast<int>(i);
  return -1;
}

int CTKReportColumnOrder::Add(CTKReportColumn* pColumn) { return static_cast<int>(m_arrColumns.Add(pColumn)); }

int CTKReportColumnOrder::InsertAt(int nPosition, CTKReportColumn* pColumn) {
  if (nPosition < 0) return -1;
  if (nPosition > m_arrColumns.GetSize()) nPosition = static_cast<int>(m_arrColumns.GetSize());
  int listed = IndexOf(pColumn);
  if (listed >= 0) {
    if (listed == nPosition) return nPosition;
    if (listed < nPosition && nPosition == listed + 1) return listed;
    m_arrColumns.RemoveAt(listed);
    if (listed < nPosition) --nPosition;
  }
  m_arrColumns.InsertAt(nPosition, pColumn);
  return nPosition;
}

void CTKReportColumnOrder::Remove(CTKReportColumn* pColumn) {
  int index = IndexOf(pColumn);
  if (index >= 0) m_arrColumns.RemoveAt(index);
}

void CTKReportColumnOrder::DoPropExchange(CTKPropExchange* pPX) {
  if (pPX->IsStoring()) {
    int count = GetCount();
    PropExchangeIntDefault(pPX, u"Count", &count, 0);
    for (int i = 0; i < count; ++i) {
      CTKReportColumn* column = m_arrColumns[i];
      if (!column) continue;
      CString key;
      key.Format(u"Column%i", i);
      int itemIndex = column->GetItemIndex();
      PropExchangeIntDefault(pPX, key, &itemIndex, 0);
      if (pPX->m_nSchema >= kTKSchemaColumnInternalNames) {
        key.Format(u"InternalName%i", i);
        PropExchangeString(pPX, key, &column->m_strInternalName);
      }
    }
    return;
  }
  std::vector<CTKReportColumn*> columns;
  ReadColumns(pPX, columns);
  Clear();
  for (CTKReportColumn* column : columns) Add(column);
}

void CTKReportColumnOrder::ReadColumns(CTKPropExchange* pPX, std::vector<CTKReportColumn*>& columns) const {
  columns.clear();
  int count = 0;
  PropExchangeIntDefault(pPX, u"Count", &count, 0);
  // A keyed store answers every missing key with its default, so a lying
  // count would never run out of entries there.
  if (pPX->StoresByName() && count > kMaxKeyedEntries) count = kMaxKeyedEntries;
  for (int i = 0; i < count; ++i) {
    CString key;
    key.Format(u"Column%i", i);
    int itemIndex = 0;
    PropExchangeIntDefault(pPX, key, &itemIndex, 0);
    CTKReportColumn* column = nullptr;
    if (pPX->m_nSchema >= kTKSchemaColumnInternalNames) {
      CString name;
      key.Format(u"InternalName%i", i);
      PropExchangeString(pPX, key, &name);
      if (!name.IsEmpty()) column = m_pColumns ? m_pColumns->FindByInternalName(name) : nullptr;
    }
    if (!column && m_pColumns) column = m_pColumns->Find(itemIndex);
    if (column) columns.push_back(column);
  }
}
