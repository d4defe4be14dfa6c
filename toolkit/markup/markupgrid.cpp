// The grid: column and row definitions with "Auto", pixel and star sizes,
// cells placed by the attached Column/Row/ColumnSpan/RowSpan properties, and
// the layout that sizes definitions from their cells in four ordered groups.
// Definition arithmetic is in doubles; every conversion to int truncates.
#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupdrawingcontext.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markuplayoutmath.h"

TK_DEFINE_MARKUPCLASS(CTKMarkupGridLength)
TK_DEFINE_MARKUPCLASS(CTKMarkupDefinitionBase)
TK_DEFINE_MARKUPCLASS(CTKMarkupColumnDefinition)
TK_DEFINE_MARKUPCLASS(CTKMarkupRowDefinition)
TK_DEFINE_MARKUPCLASS(CTKMarkupDefinitionCollection)
TK_DEFINE_MARKUPCLASS(CTKMarkupRowDefinitionCollection)
TK_DEFINE_MARKUPCLASS(CTKMarkupColumnDefinitionCollection)
TK_DEFINE_MARKUPCLASS(CTKMarkupGrid)

CTKMarkupDependencyProperty* CTKMarkupColumnDefinition::m_pWidthProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupColumnDefinition::m_pMinWidthProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupColumnDefinition::m_pMaxWidthProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupRowDefinition::m_pHeightProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupRowDefinition::m_pMinHeightProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupRowDefinition::m_pMaxHeightProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupGrid::m_pColumnDefinitionsProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupGrid::m_pRowDefinitionsProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupGrid::m_pColumnProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupGrid::m_pRowProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupGrid::m_pColumnSpanProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupGrid::m_pRowSpanProperty = nullptr;

CTKMarkupDefinitionCollection::CTKMarkupDefinitionCollection() {
  m_pElementType = CTKMarkupDefinitionBase::GetMarkupClass();
}
CTKMarkupRowDefinitionCollection::CTKMarkupRowDefinitionCollection() {
  m_pElementType = CTKMarkupRowDefinition::GetMarkupClass();
}
CTKMarkupColumnDefinitionCollection::CTKMarkupColumnDefinitionCollection() {
  m_pElementType = CTKMarkupColumnDefinition::GetMarkupClass();
}

namespace {

constexpr int kInfinite = INT_MAX;
constexpr int kAuto = CTKMarkupDefinitionBase::kindAuto;
constexpr int kPixel = CTKMarkupDefinitionBase::kindPixel;
constexpr int kStar = CTKMarkupDefinitionBase::kindStar;

// Auto, or kinds that include Auto without Star.
bool AutoWithoutStar(int nKinds) { return (nKinds & kAuto) && !(nKinds & kStar); }

// A definition's Width/Height (or min/max) changed: its grid lays out again.
void OnDefinitionChanged(CTKMarkupObject* pObject, PropertyChangedArgs*) {
  if (!MarkupDynamicCast<CTKMarkupDefinitionBase>(pObject)) return;
  CTKMarkupObject* pCollection = pObject->GetLogicalParent();
  if (!pCollection) return;
  if (CTKMarkupGrid* pGrid = MarkupDynamicCast<CTKMarkupGrid>(pCollection->GetLogicalParent()))
    pGrid->InvalidateMeasure();
}

// A child's cell changed: its grid lays out again.
void OnCellChanged(CTKMarkupObject* pObject, PropertyChangedArgs*) {
  CTKMarkupUIElement* pElement = MarkupDynamicCast<CTKMarkupUIElement>(pObject);
  if (!pElement) return;
  if (CTKMarkupGrid* pGrid = MarkupDynamicCast<CTKMarkupGrid>(pElement->GetVisualParent())) pGrid->InvalidateMeasure();
}

CTKMarkupDefinitionBase* DefAt(CTKMarkupDefinitionCollection* pList, int i) {
  return static_cast<CTKMarkupDefinitionBase*>(pList->GetItem(i));
}

// The bound a star or span spreads up to: the minimum when no maximum is set.
double UpperBound(const CTKMarkupDefinitionBase* d) {
  const int nMax = d->GetUserMaxSize();
  return nMax == kInfinite ? d->m_nMinSize : std::max(nMax, d->m_nMinSize);
}

void InitDefinitionsForMeasure(CTKMarkupDefinitionCollection* pList, bool bStarsAsAuto) {
  for (int i = 0; i < pList->GetCount(); i++) {
    CTKMarkupDefinitionBase* d = DefAt(pList, i);
    d->m_nMinSize = 0;
    d->m_nLayoutKind = 0;
    d->m_dMeasureSize = 0;
    double m = d->GetUserMinSize(), M = d->GetUserMaxSize(), s = kInfinite;
    const CTKMarkupGridLength* pSize = d->GetUserSize();
    const int nUnit = pSize ? pSize->m_nUnit : CTKMarkupGridLength::unitStar;
    if (nUnit == CTKMarkupGridLength::unitAuto) {
      d->m_nLayoutKind = kAuto;
    } else if (nUnit == CTKMarkupGridLength::unitPixel) {
      d->m_nLayoutKind = kPixel;
      s = MarkupTruncate(pSize->m_dValue);
      m = std::max(m, std::min(s, M));
    } else {
      d->m_nLayoutKind = bStarsAsAuto ? kAuto : kStar;
    }
    d->m_nMinSize = static_cast<int>(std::max(0.0, m));
    d->m_dMeasureSize = std::max(m, std::min(s, M));
  }
}

int RangeMeasureSize(CTKMarkupDefinitionCollection* pList, int nStart, int nCount) {
  double dSum = 0;
  for (int i = nStart; i < nStart + nCount; i++) {
    const CTKMarkupDefinitionBase* d = DefAt(pList, i);
    dSum += d->m_nLayoutKind == kAuto ? d->m_nMinSize : d->m_dMeasureSize;
  }
  return MarkupTruncate(std::min(dSum, static_cast<double>(kInfinite)));
}

bool IsAutoUnit(const CTKMarkupDefinitionBase* d) {
  const CTKMarkupGridLength* p = d->GetUserSize();
  return p && p->m_nUnit == CTKMarkupGridLength::unitAuto;
}

void SpreadSpanMinimum(CTKMarkupDefinitionCollection* pList, int nStart, int nCount, int nRequested) {
  if (nRequested == 0 || nCount <= 0) return;
  std::vector<CTKMarkupDefinitionBase*> defs;
  double dRangeMin = 0, dRangePref = 0, dRangeMax = 0, dLargestMax = 0;
  for (int i = nStart; i < nStart + nCount; i++) {
    CTKMarkupDefinitionBase* d = DefAt(pList, i);
    defs.push_back(d);
    const double dMax = UpperBound(d);
    d->m_dScratch = dMax;
    dRangeMin += d->m_nMinSize;
    dRangePref += d->GetPreferredSize();
    dRangeMax += dMax;
    dLargestMax = std::max(dLargestMax, dMax);
  }
  const double dRequested = nRequested;
  if (dRequested <= dRangeMin) return;
  if (dRequested <= dRangePref) {
    std::stable_sort(defs.begin(), defs.end(), [](const CTKMarkupDefinitionBase* a, const CTKMarkupDefinitionBase* b) {
      const bool aAuto = IsAutoUnit(a), bAuto = IsAutoUnit(b);
      if (aAuto != bAuto) return aAuto;
      return aAuto ? a->m_nMinSize < b->m_nMinSize : a->GetPreferredSize() < b->GetPreferredSize();
    });
    double dRemaining = dRequested;
    size_t nOthers = 0;
    for (const CTKMarkupDefinitionBase* d : defs) {
      if (IsAutoUnit(d)) dRemaining -= d->m_nMinSize;
      else nOthers++;
    }
    for (CTKMarkupDefinitionBase* d : defs) {
      if (IsAutoUnit(d)) continue;
      const double dShare = std::min(dRemaining / static_cast<double>(nOthers), d->GetPreferredSize());
      if (dShare > d->m_nMinSize) d->UpdateMinSize(dShare);
      dRemaining -= dShare;
      nOthers--;
    }
    return;
  }
  if (dRequested <= dRangeMax) {
    std::stable_sort(defs.begin(), defs.end(), [](const CTKMarkupDefinitionBase* a, const CTKMarkupDefinitionBase* b) {
      const bool aAuto = IsAutoUnit(a), bAuto = IsAutoUnit(b);
      if (aAuto != bAuto) return bAuto;
      return a->m_dScratch < b->m_dScratch;
    });
    double dRemaining = dRequested - dRangePref;
    size_t nNonAuto = 0, nAuto = 0;
    for (const CTKMarkupDefinitionBase* d : defs) (IsAutoUnit(d) ? nAuto : nNonAuto)++;
    for (CTKMarkupDefinitionBase* d : defs) {
      if (IsAutoUnit(d)) continue;
      const double dPref = d->GetPreferredSize();
      d->UpdateMinSize(std::min(dPref + dRemaining / static_cast<double>(nNonAuto), d->m_dScratch));
      dRemaining -= d->m_nMinSize - dPref;
      nNonAuto--;
    }
    for (CTKMarkupDefinitionBase* d : defs) {
      if (!IsAutoUnit(d)) continue;
      const double dBefore = d->m_nMinSize;
      d->UpdateMinSize(std::min(dBefore + dRemaining / static_cast<double>(nAuto), d->m_dScratch));
      dRemaining -= d->m_nMinSize - dBefore;
      nAuto--;
    }
    return;
  }
  const double dEqual = dRequested / nCount;
  if (dEqual < dLargestMax) {
    const double dDenominator = dLargestMax * nCount - dRangeMax;
    for (CTKMarkupDefinitionBase* d : defs) {
      // All maxima equal would make the denominator 0; then every bound is
      // the largest and the equal share applies.
      const double dNew = dDenominator > 0
                              ? d->m_dScratch + (dRequested - dRangeMax) * (dLargestMax - d->m_dScratch) / dDenominator
                              : dEqual;
      d->UpdateMinSize(dNew);
    }
  } else {
    for (CTKMarkupDefinitionBase* d : defs) d->UpdateMinSize(dEqual);
  }
}

// Prepares a star for resolving: its measure size is its weight, its
// scratch its bound per unit of weight (both 0 for a weight of 0). A weight
// that is not a number or infinite (only code can set one) counts as 0.
void PrepareStar(CTKMarkupDefinitionBase* d) {
  const double v = d->GetUserSize() ? d->GetUserSize()->m_dValue : 1.0;
  if (v == 0 || !std::isfinite(v)) {
    d->m_dMeasureSize = 0;
    d->m_dScratch = 0;
  } else {
    d->m_dMeasureSize = v;
    d->m_dScratch = UpperBound(d) / v;
  }
}

// Sorts stars by scratch and turns each scratch into the sum of the weights
// from it to the last.
void SortStarsAndSumWeights(std::vector<CTKMarkupDefinitionBase*>& stars) {
  // Weights near the largest double would sum to infinity and every share
  // would become 0 or NaN: such weights are first scaled down by the largest,
  // which keeps their proportions.
  double dTotal = 0, dLargest = 0;
  for (const CTKMarkupDefinitionBase* d : stars) {
    dTotal += d->m_dMeasureSize;
    dLargest = std::max(dLargest, std::fabs(d->m_dMeasureSize));
  }
  if (!std::isfinite(dTotal) && dLargest > 0) {
    for (CTKMarkupDefinitionBase* d : stars) {
      d->m_dMeasureSize /= dLargest;
      d->m_dScratch = d->m_dMeasureSize != 0 ? UpperBound(d) / d->m_dMeasureSize : 0;
    }
  }
  std::stable_sort(stars.begin(), stars.end(), [](const CTKMarkupDefinitionBase* a, const CTKMarkupDefinitionBase* b) {
    return a->m_dScratch < b->m_dScratch;
  });
  double dSum = 0;
  for (auto it = stars.rbegin(); it != stars.rend(); ++it) {
    dSum += (*it)->m_dMeasureSize;
    (*it)->m_dScratch = dSum;
  }
}

// The size of one star out of the space left.
double StarSize(const CTKMarkupDefinitionBase* d, double dAvailable) {
  const double v = d->m_dMeasureSize;
  if (v == 0) return d->m_nMinSize;
  double dSize = d->m_dScratch > 0 ? MarkupTruncate(v / d->m_dScratch * std::max(dAvailable, 0.0)) : 0;
  if (dSize >= d->GetUserMaxSize()) dSize = d->GetUserMaxSize();
  if (dSize < d->m_nMinSize) dSize = d->m_nMinSize;
  return dSize;
}

void ResolveStarsForMeasure(CTKMarkupDefinitionCollection* pList, int nAvailable) {
  double dTaken = 0;
  std::vector<CTKMarkupDefinitionBase*> stars;
  for (int i = 0; i < pList->GetCount(); i++) {
    CTKMarkupDefinitionBase* d = DefAt(pList, i);
    if (d->m_nLayoutKind == kPixel) {
      dTaken += d->m_dMeasureSize;
    } else if (d->m_nLayoutKind == kAuto) {
      dTaken += d->m_nMinSize;
    } else if (d->m_nLayoutKind == kStar) {
      PrepareStar(d);
      stars.push_back(d);
    }
  }
  if (stars.empty()) return;
  SortStarsAndSumWeights(stars);
  for (CTKMarkupDefinitionBase* d : stars) {
    const double dSize = StarSize(d, nAvailable - dTaken);
    d->m_dMeasureSize = dSize;
    dTaken += dSize;
  }
}

void ResolveFinalSizes(CTKMarkupDefinitionCollection* pList, int nFinal) {
  double dSum = 0;
  std::vector<CTKMarkupDefinitionBase*> stars, others;
  for (int i = 0; i < pList->GetCount(); i++) {
    CTKMarkupDefinitionBase* d = DefAt(pList, i);
    const CTKMarkupGridLength* pSize = d->GetUserSize();
    const int nUnit = pSize ? pSize->m_nUnit : CTKMarkupGridLength::unitStar;
    if (nUnit == CTKMarkupGridLength::unitStar) {
      PrepareStar(d);
      stars.push_back(d);
    } else {
      const double dUser = nUnit == CTKMarkupGridLength::unitAuto ? d->m_nMinSize : pSize->m_dValue;
      d->m_dScratch =
          std::max(static_cast<double>(d->m_nMinSize), std::min(dUser, static_cast<double>(d->GetUserMaxSize())));
      dSum += d->m_dScratch;
      others.insert(others.begin(), d);  // reverse index order
    }
  }
  if (!stars.empty()) {
    SortStarsAndSumWeights(stars);
    for (CTKMarkupDefinitionBase* d : stars) {
      const double dSize = StarSize(d, nFinal - dSum);
      d->m_dScratch = dSize;
      dSum += dSize;
    }
  }
  if (nFinal < dSum) {
    std::stable_sort(stars.begin(), stars.end(),
                     [](const CTKMarkupDefinitionBase* a, const CTKMarkupDefinitionBase* b) {
                       return a->m_dScratch - a->m_nMinSize < b->m_dScratch - b->m_nMinSize;
                     });
    std::vector<CTKMarkupDefinitionBase*> order = stars;
    order.insert(order.end(), others.begin(), others.end());
    double dRemaining = nFinal - dSum;
    size_t k = order.size();
    for (CTKMarkupDefinitionBase* d : order) {
      double f = d->m_dScratch + dRemaining / static_cast<double>(k);
      f = std::min(std::max(f, static_cast<double>(d->m_nMinSize)), d->m_dScratch);
      dRemaining -= f - d->m_dScratch;
      d->m_dScratch = f;
      k--;
    }
  }
  int nOffset = 0;
  for (int i = 0; i < pList->GetCount(); i++) {
    CTKMarkupDefinitionBase* d = DefAt(pList, i);
    d->m_nFinalOffset = nOffset;
    nOffset = MarkupAdd(nOffset, MarkupTruncate(d->m_dScratch));
  }
}

int RangeFinalSize(CTKMarkupDefinitionCollection* pList, int nStart, int nCount) {
  int n = 0;
  for (int i = nStart; i < nStart + nCount; i++) n = MarkupAdd(n, MarkupTruncate(DefAt(pList, i)->m_dScratch));
  return n;
}

}  // namespace

// ---- grid length -------------------------------------------------------------------------------

CTKMarkupObject* CTKMarkupGridLength::ConvertFrom(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString || pString->GetLength() == 0) return nullptr;
  LPCWSTR lpsz = pString->GetBuffer();
  const int nLength = pString->GetLength();
  if (nLength == 4 && MarkupStrEqualNoCase(lpsz, nLength, "Auto")) return new CTKMarkupGridLength(0, unitAuto);
  if (lpsz[nLength - 1] == u'*') {
    if (nLength == 1) return new CTKMarkupGridLength(1, unitStar);
    std::u16string strNumber(lpsz, nLength - 1);
    LPCWSTR p = strNumber.c_str();
    double d;
    // A number too long to be a double (it reads as infinity) does not convert.
    if (!ReadNumber(p, d, 0, TRUE) || !std::isfinite(d)) return nullptr;
    return new CTKMarkupGridLength(d, unitStar);
  }
  LPCWSTR p = lpsz;
  double d;
  if (!ReadNumber(p, d, 0, TRUE) || !std::isfinite(d)) return nullptr;
  return new CTKMarkupGridLength(d, unitPixel);
}

BOOL CTKMarkupGridLength::IsEqual(const CTKMarkupObject* pOther) const {
  const CTKMarkupGridLength* p = MarkupDynamicCast<CTKMarkupGridLength>(pOther);
  return p && p->m_dValue == m_dValue && p->m_nUnit == m_nUnit;
}

// ---- definitions -------------------------------------------------------------------------------

void CTKMarkupColumnDefinition::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  m_pWidthProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Width", CTKMarkupGridLength::GetMarkupClass(), pOwner,
      new CTKMarkupPropertyMetadata(new CTKMarkupGridLength(1, CTKMarkupGridLength::unitStar), &OnDefinitionChanged,
                                    0));
  m_pMinWidthProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"MinWidth", CTKMarkupInt::GetMarkupClass(), pOwner,
                                                    new CTKMarkupPropertyMetadata(nullptr, &OnDefinitionChanged, 0));
  m_pMaxWidthProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"MaxWidth", CTKMarkupInt::GetMarkupClass(), pOwner,
                                                    new CTKMarkupPropertyMetadata(nullptr, &OnDefinitionChanged, 0));
}

void CTKMarkupRowDefinition::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  m_pHeightProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Height", CTKMarkupGridLength::GetMarkupClass(), pOwner,
      new CTKMarkupPropertyMetadata(new CTKMarkupGridLength(1, CTKMarkupGridLength::unitStar), &OnDefinitionChanged,
                                    0));
  m_pMinHeightProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"MinHeight", CTKMarkupInt::GetMarkupClass(), pOwner,
                                                    new CTKMarkupPropertyMetadata(nullptr, &OnDefinitionChanged, 0));
  m_pMaxHeightProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"MaxHeight", CTKMarkupInt::GetMarkupClass(), pOwner,
                                                    new CTKMarkupPropertyMetadata(nullptr, &OnDefinitionChanged, 0));
}

const CTKMarkupGridLength* CTKMarkupDefinitionBase::GetUserSize() const {
  CTKMarkupDependencyProperty* p =
      m_bColumn ? CTKMarkupColumnDefinition::m_pWidthProperty : CTKMarkupRowDefinition::m_pHeightProperty;
  if (!p) return nullptr;
  return MarkupDynamicCast<CTKMarkupGridLength>(GetValue(p));
}

int CTKMarkupDefinitionBase::GetUserMinSize() const {
  CTKMarkupDependencyProperty* p =
      m_bColumn ? CTKMarkupColumnDefinition::m_pMinWidthProperty : CTKMarkupRowDefinition::m_pMinHeightProperty;
  return p ? MarkupIntValue(GetValue(p), 0) : 0;
}

int CTKMarkupDefinitionBase::GetUserMaxSize() const {
  CTKMarkupDependencyProperty* p =
      m_bColumn ? CTKMarkupColumnDefinition::m_pMaxWidthProperty : CTKMarkupRowDefinition::m_pMaxHeightProperty;
  return p ? MarkupIntValue(GetValue(p), kInfinite) : kInfinite;
}

double CTKMarkupDefinitionBase::GetPreferredSize() const {
  return m_nLayoutKind == kAuto ? m_nMinSize : std::max(static_cast<double>(m_nMinSize), m_dMeasureSize);
}

// ---- grid --------------------------------------------------------------------------------------

void CTKMarkupGrid::RegisterMarkupDependencyProperties() {
  CTKMarkupColumnDefinition::GetMarkupClass()->EnsureRegistered();
  CTKMarkupRowDefinition::GetMarkupClass()->EnsureRegistered();
  CTKMarkupType* pOwner = GetMarkupClass();
  CTKMarkupType* pInt = CTKMarkupInt::GetMarkupClass();
  m_pColumnDefinitionsProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"ColumnDefinitions", CTKMarkupColumnDefinitionCollection::GetMarkupClass(), pOwner);
  m_pRowDefinitionsProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"RowDefinitions", CTKMarkupRowDefinitionCollection::GetMarkupClass(), pOwner);
  auto cell = []() { return new CTKMarkupPropertyMetadata(nullptr, &OnCellChanged, 0); };
  m_pColumnProperty = CTKMarkupDependencyProperty::RegisterAttachedProperty(u"Column", pInt, pOwner, cell());
  m_pRowProperty = CTKMarkupDependencyProperty::RegisterAttachedProperty(u"Row", pInt, pOwner, cell());
  m_pColumnSpanProperty = CTKMarkupDependencyProperty::RegisterAttachedProperty(u"ColumnSpan", pInt, pOwner, cell());
  m_pRowSpanProperty = CTKMarkupDependencyProperty::RegisterAttachedProperty(u"RowSpan", pInt, pOwner, cell());
}

CTKMarkupGrid::CTKMarkupGrid()
    : m_pRowDefinitions(new CTKMarkupRowDefinitionCollection()),
      m_pColumnDefinitions(new CTKMarkupColumnDefinitionCollection()) {
  m_pRowDefinitions->SetLogicalParent(this);
  m_pColumnDefinitions->SetLogicalParent(this);
}

CTKMarkupGrid::~CTKMarkupGrid() {
  m_pRowDefinitions->SetLogicalParent(nullptr);
  m_pRowDefinitions->Release();
  m_pColumnDefinitions->SetLogicalParent(nullptr);
  m_pColumnDefinitions->Release();
  ReleaseWorkingLists();
}

void CTKMarkupGrid::SetPropertyObject(CTKMarkupBuilder* pBuilder, CTKMarkupDependencyProperty* pProperty,
                                      CTKMarkupObject* pValue) {
  if (pProperty == m_pColumnDefinitionsProperty) {
    CTKMarkupColumnDefinitionCollection* p = MarkupDynamicCast<CTKMarkupColumnDefinitionCollection>(pValue);
    if (!p) ThrowBuildError(u"CTKMarkupColumnDefinitionCollection class expected");
    m_pColumnDefinitions->SetLogicalParent(nullptr);
    m_pColumnDefinitions->Release();
    m_pColumnDefinitions = p;
    p->SetLogicalParent(this);
    InvalidateMeasure();
    return;
  }
  if (pProperty == m_pRowDefinitionsProperty) {
    CTKMarkupRowDefinitionCollection* p = MarkupDynamicCast<CTKMarkupRowDefinitionCollection>(pValue);
    if (!p) ThrowBuildError(u"CTKMarkupRowDefinitionCollection class expected");
    m_pRowDefinitions->SetLogicalParent(nullptr);
    m_pRowDefinitions->Release();
    m_pRowDefinitions = p;
    p->SetLogicalParent(this);
    InvalidateMeasure();
    return;
  }
  CTKMarkupPanel::SetPropertyObject(pBuilder, pProperty, pValue);
}

void CTKMarkupGrid::ReleaseWorkingLists() {
  if (m_pWorkingColumns) m_pWorkingColumns->Release();
  if (m_pWorkingRows) m_pWorkingRows->Release();
  m_pWorkingColumns = m_pWorkingRows = nullptr;
}

void CTKMarkupGrid::PrepareDefinitionLists() {
  ReleaseWorkingLists();
  if (m_pColumnDefinitions->GetCount() > 0) {
    m_pWorkingColumns = m_pColumnDefinitions;
    m_pWorkingColumns->AddRef();
  } else {
    m_pWorkingColumns = new CTKMarkupColumnDefinitionCollection();
    m_pWorkingColumns->Add(new CTKMarkupColumnDefinition());
  }
  if (m_pRowDefinitions->GetCount() > 0) {
    m_pWorkingRows = m_pRowDefinitions;
    m_pWorkingRows->AddRef();
  } else {
    m_pWorkingRows = new CTKMarkupRowDefinitionCollection();
    m_pWorkingRows->Add(new CTKMarkupRowDefinition());
  }
}

void CTKMarkupGrid::BuildCellRecords() {
  const int nChildren = m_pChildren->GetCount();
  const int nColumns = m_pWorkingColumns->GetCount(), nRows = m_pWorkingRows->GetCount();
  m_cells.assign(nChildren, CellRecord{0, 0, 1, 1, 0, 0, kNoCell});
  std::fill(std::begin(m_nGroupHeads), std::end(m_nGroupHeads), kNoCell);
  m_bHasStarColumns = m_bHasStarRows = m_bGroup3InAutoRow = FALSE;
  for (int i = nChildren - 1; i >= 0; i--) {
    CTKMarkupObject* pChild = m_pChildren->GetItem(i);
    if (!pChild) continue;
    CellRecord& c = m_cells[i];
    // Negative cells and spans from markup count as 0 and 1.
    c.nColumn = std::clamp(MarkupIntValue(pChild->GetValue(m_pColumnProperty), 0), 0, nColumns - 1);
    c.nRow = std::clamp(MarkupIntValue(pChild->GetValue(m_pRowProperty), 0), 0, nRows - 1);
    int nColumnSpan = MarkupIntValue(pChild->GetValue(m_pColumnSpanProperty), 1);
    int nRowSpan = MarkupIntValue(pChild->GetValue(m_pRowSpanProperty), 1);
    c.nColumnSpan = std::min(nColumnSpan > 0 ? nColumnSpan : 1, nColumns - c.nColumn);
    c.nRowSpan = std::min(nRowSpan > 0 ? nRowSpan : 1, nRows - c.nRow);
    c.nColumnKinds = c.nRowKinds = 0;
    for (int j = c.nColumn; j < c.nColumn + c.nColumnSpan; j++)
      c.nColumnKinds |= DefAt(m_pWorkingColumns, j)->m_nLayoutKind;
    for (int j = c.nRow; j < c.nRow + c.nRowSpan; j++) c.nRowKinds |= DefAt(m_pWorkingRows, j)->m_nLayoutKind;
    int nGroup;
    if (c.nRowKinds & kStar) {
      nGroup = AutoWithoutStar(c.nColumnKinds) ? 2 : 4;
    } else if (c.nColumnKinds & kStar) {
      nGroup = 3;
      if (c.nRowKinds & kAuto) m_bGroup3InAutoRow = TRUE;
    } else {
      nGroup = 1;
    }
    c.nNext = m_nGroupHeads[nGroup - 1];
    m_nGroupHeads[nGroup - 1] = i;
    if (c.nColumnKinds & kStar) m_bHasStarColumns = TRUE;
    if (c.nRowKinds & kStar) m_bHasStarRows = TRUE;
  }
}

void CTKMarkupGrid::MeasureGridCell(CTKMarkupDrawingContext* pDC, int nCell, BOOL bUnboundedHeight) {
  CTKMarkupUIElement* pChild = MarkupDynamicCast<CTKMarkupUIElement>(m_pChildren->GetItem(nCell));
  if (!pChild) return;
  const CellRecord& c = m_cells[nCell];
  const int cx =
      AutoWithoutStar(c.nColumnKinds) ? kInfinite : RangeMeasureSize(m_pWorkingColumns, c.nColumn, c.nColumnSpan);
  const int cy = (bUnboundedHeight || AutoWithoutStar(c.nRowKinds))
                     ? kInfinite
                     : RangeMeasureSize(m_pWorkingRows, c.nRow, c.nRowSpan);
  pChild->Measure(pDC, cx, cy);
}

void CTKMarkupGrid::MeasureCellGroup(CTKMarkupDrawingContext* pDC, int nGroup, BOOL bIgnoreWidths,
                                     BOOL bUnboundedHeight) {
  std::vector<SPANKEY> requests;
  for (int i = m_nGroupHeads[nGroup - 1]; i != kNoCell; i = m_cells[i].nNext) {
    CTKMarkupUIElement* pChild = MarkupDynamicCast<CTKMarkupUIElement>(m_pChildren->GetItem(i));
    if (!pChild) continue;
    MeasureGridCell(pDC, i, bUnboundedHeight);
    const CellRecord& c = m_cells[i];
    const SIZE d = pChild->GetDesiredSize();
    if (!bIgnoreWidths) {
      if (c.nColumnSpan == 1) DefAt(m_pWorkingColumns, c.nColumn)->UpdateMinSize(d.cx);
      else requests.push_back(SPANKEY{c.nColumnSpan, c.nColumn, 1, static_cast<int>(d.cx)});
    }
    if (!bUnboundedHeight) {
      if (c.nRowSpan == 1) DefAt(m_pWorkingRows, c.nRow)->UpdateMinSize(d.cy);
      else requests.push_back(SPANKEY{c.nRowSpan, c.nRow, 0, static_cast<int>(d.cy)});
    }
  }
  for (const SPANKEY& r : requests)
    SpreadSpanMinimum(r.bColumn ? m_pWorkingColumns : m_pWorkingRows, r.nStart, r.nCount, r.nSize);
}

SIZE CTKMarkupGrid::MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) {
  if (m_pColumnDefinitions->GetCount() == 0 && m_pRowDefinitions->GetCount() == 0) {
    m_cells.clear();
    SIZE sz{0, 0};
    for (int i = 0; i < m_pChildren->GetCount(); i++) {
      CTKMarkupUIElement* pChild = MarkupDynamicCast<CTKMarkupUIElement>(m_pChildren->GetItem(i));
      if (!pChild) continue;
      pChild->Measure(pDC, cx, cy);
      sz.cx = std::max(sz.cx, pChild->GetDesiredSize().cx);
      sz.cy = std::max(sz.cy, pChild->GetDesiredSize().cy);
    }
    return sz;
  }
  PrepareDefinitionLists();
  InitDefinitionsForMeasure(m_pWorkingColumns, cx > 32000);
  InitDefinitionsForMeasure(m_pWorkingRows, cy > 32000);
  BuildCellRecords();
  MeasureCellGroup(pDC, 1, FALSE, FALSE);
  if (!m_bGroup3InAutoRow) {
    if (m_bHasStarRows) ResolveStarsForMeasure(m_pWorkingRows, cy);
    MeasureCellGroup(pDC, 2, FALSE, FALSE);
    if (m_bHasStarColumns) ResolveStarsForMeasure(m_pWorkingColumns, cx);
    MeasureCellGroup(pDC, 3, FALSE, FALSE);
  } else if (m_nGroupHeads[1] == kNoCell) {
    if (m_bHasStarColumns) ResolveStarsForMeasure(m_pWorkingColumns, cx);
    MeasureCellGroup(pDC, 3, FALSE, FALSE);
    if (m_bHasStarRows) ResolveStarsForMeasure(m_pWorkingRows, cy);
  } else {
    MeasureCellGroup(pDC, 2, FALSE, TRUE);
    if (m_bHasStarColumns) ResolveStarsForMeasure(m_pWorkingColumns, cx);
    MeasureCellGroup(pDC, 3, FALSE, FALSE);
    if (m_bHasStarRows) ResolveStarsForMeasure(m_pWorkingRows, cy);
    MeasureCellGroup(pDC, 2, TRUE, FALSE);
  }
  MeasureCellGroup(pDC, 4, FALSE, FALSE);
  long long w = 0, h = 0;
  for (int i = 0; i < m_pWorkingColumns->GetCount(); i++) w += DefAt(m_pWorkingColumns, i)->m_nMinSize;
  for (int i = 0; i < m_pWorkingRows->GetCount(); i++) h += DefAt(m_pWorkingRows, i)->m_nMinSize;
  return SIZE{static_cast<LONG>(std::min<long long>(w, kInfinite)),
              static_cast<LONG>(std::min<long long>(h, kInfinite))};
}

SIZE CTKMarkupGrid::ArrangeOverride(int cx, int cy) {
  const bool bNoDefinitions = m_pColumnDefinitions->GetCount() == 0 && m_pRowDefinitions->GetCount() == 0;
  if (bNoDefinitions || m_cells.empty() || !m_pWorkingColumns || !m_pWorkingRows) {
    for (int i = 0; i < m_pChildren->GetCount(); i++)
      if (CTKMarkupUIElement* pChild = MarkupDynamicCast<CTKMarkupUIElement>(m_pChildren->GetItem(i)))
        pChild->Arrange(RECT{0, 0, cx, cy});
    return SIZE{cx, cy};
  }
  ResolveFinalSizes(m_pWorkingColumns, cx);
  ResolveFinalSizes(m_pWorkingRows, cy);
  const int nCells = std::min(static_cast<int>(m_cells.size()), m_pChildren->GetCount());
  for (int i = 0; i < nCells; i++) {
    CTKMarkupUIElement* pChild = MarkupDynamicCast<CTKMarkupUIElement>(m_pChildren->GetItem(i));
    if (!pChild) continue;
    const CellRecord& c = m_cells[i];
    const int x = DefAt(m_pWorkingColumns, c.nColumn)->m_nFinalOffset;
    const int y = DefAt(m_pWorkingRows, c.nRow)->m_nFinalOffset;
    pChild->Arrange(RECT{x, y, MarkupAdd(x, RangeFinalSize(m_pWorkingColumns, c.nColumn, c.nColumnSpan)),
                         MarkupAdd(y, RangeFinalSize(m_pWorkingRows, c.nRow, c.nRowSpan))});
  }
  return SIZE{cx, cy};
}
