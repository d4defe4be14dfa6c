// The stored form of controls and control collections. One function per
// class names every value; loading reads into a plain record first, checks
// it, and only then changes the control, so a damaged store never leaves a
// control half loaded.
#include <utility>
#include <vector>

#include "platform/base/exceptions.h"
#include "toolkit/commandbars/commandbars.h"
#include "toolkit/commandbars/commandbarsinternal.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/commandbars/controlaction.h"
#include "toolkit/commandbars/controls.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/propexchange.h"

namespace {

// The versions of the stored form that added a control's keys (see
// toolkit/common/propexchangeschema.h); older stores load without them.
constexpr int kSchemaControlCategory = 2;
constexpr int kSchemaOriginalControls = 3;
constexpr int kSchemaControlDocTemplates = 4;
constexpr int kSchemaControlCloseSubMenu = 7;
constexpr int kSchemaControlCustomStyle = 8;
constexpr int kSchemaControlHelpId = 17;
constexpr int kSchemaControlStyle = 18;
constexpr int kSchemaControlSize = 19;
constexpr int kSchemaControlShortcutTextAuto = 23;
constexpr int kSchemaControlKeyboardTip = 24;
constexpr int kSchemaControlIconSize = 26;

// A control's stored values, with the defaults of the stored form.
struct StoredControl {
  int nType = static_cast<int>(TKControlType::Button);
  int nId = -1;
  int nIconId = 0;
  BOOL bBeginGroup = FALSE;
  int nTag = 0;
  int nFlags = 0;
  int nHideFlags = 0;
  CString strCaption, strShortcutText, strTooltipText, strDescriptionText, strParameter;
  int nCustomIconId = 0;
  CString strCustomCaption;
  CString strCategory;
  CTKControl::CDocTemplateMap mapExcluded, mapAssigned;
  BOOL bDefaultItem = FALSE;
  BOOL bCloseSubMenuOnClick = TRUE;
  int nCustomStyle = -1;
  int nHelpId = 0;
  int nStyle = 0;
  int nWidth = 0, nHeight = 0, nExecuteOnPressInterval = 0;
  CString strShortcutTextAuto;
  CString strKeyboardTip;
  SIZE szIcon{0, 0};
};

// A set of template ids in its archive form; a store that keeps keys by
// name leaves an empty set out.
void ExchangeTemplateMap(CTKPropExchange* pPX, LPCTSTR pszKey, CTKControl::CDocTemplateMap& map) {
  if (pPX->IsStoring() && pPX->StoresByName() && map.IsEmpty()) return;
  if (!PropExchangeSerialize(pPX, pszKey, &map) && pPX->IsLoading() && !pPX->StoresByName())
    AfxThrowArchiveException(CArchiveException::badIndex);
}

void ExchangeValues(CTKPropExchange* pPX, StoredControl& v) {
  PropExchangeIntDefault(pPX, u"Type", &v.nType, static_cast<int>(TKControlType::Button));
  PropExchangeIntDefault(pPX, u"Id", &v.nId, -1);
  PropExchangeIntDefault(pPX, u"IconId", &v.nIconId, 0);
  PropExchangeBoolDefault(pPX, u"BeginGroup", &v.bBeginGroup, FALSE);
  PropExchangeIntDefault(pPX, u"Tag", &v.nTag, 0);
  PropExchangeIntDefault(pPX, u"Flags", &v.nFlags, 0);
  PropExchangeIntDefault(pPX, u"HideFlags", &v.nHideFlags, 0);
  PropExchangeStringDefault(pPX, u"Caption", &v.strCaption, u"");
  PropExchangeStringDefault(pPX, u"ShortcutText", &v.strShortcutText, u"");
  PropExchangeStringDefault(pPX, u"TooltipText", &v.strTooltipText, u"");
  PropExchangeStringDefault(pPX, u"DescriptionText", &v.strDescriptionText, u"");
  PropExchangeStringDefault(pPX, u"Parameter", &v.strParameter, u"");
  PropExchangeIntDefault(pPX, u"CustomIconId", &v.nCustomIconId, 0);
  PropExchangeStringDefault(pPX, u"CustomCaption", &v.strCustomCaption, u"");
  if (pPX->m_nSchema >= kSchemaControlCategory) PropExchangeStringDefault(pPX, u"Category", &v.strCategory, u"");
  if (v.nCustomIconId > 0) {
    // The icons of the command bars the control belongs to, or will join.
    CTKImageManager* pImageManager = nullptr;
    if (auto* pTarget = static_cast<CTKControls*>(pPX->m_pLoadParent); pTarget && pTarget->GetCommandBars())
      pImageManager = pTarget->GetCommandBars()->GetImageManager();
    if (!pImageManager) pImageManager = CTKImageManager::GetDefault();
    CTKPropExchangeSection section(pPX->GetSection(u"CustomIcon"));
    pImageManager->ExchangeIconSet(static_cast<UINT>(v.nCustomIconId), section);
  }
  if (pPX->m_nSchema >= kSchemaControlDocTemplates) {
    ExchangeTemplateMap(pPX, u"DocTemplatesExcluded", v.mapExcluded);
    ExchangeTemplateMap(pPX, u"DocTemplatesAssigned", v.mapAssigned);
    PropExchangeBoolDefault(pPX, u"DefaultItem", &v.bDefaultItem, FALSE);
  }
  if (pPX->m_nSchema >= kSchemaControlCloseSubMenu)
    PropExchangeBoolDefault(pPX, u"CloseSubMenuOnClick", &v.bCloseSubMenuOnClick, TRUE);
  if (pPX->m_nSchema >= kSchemaControlCustomStyle) {
    PropExchangeIntDefault(pPX, u"CustomStyle", &v.nCustomStyle, -1);
    // Older stores wrote 0 for no custom style.
    if (pPX->IsLoading() && pPX->m_nSchema < kSchemaControlStyle && v.nCustomStyle == 0) v.nCustomStyle = -1;
  }
  if (pPX->m_nSchema >= kSchemaControlHelpId) PropExchangeIntDefault(pPX, u"HelpId", &v.nHelpId, 0);
  if (pPX->m_nSchema >= kSchemaControlStyle) PropExchangeIntDefault(pPX, u"Style", &v.nStyle, 0);
  if (pPX->m_nSchema >= kSchemaControlSize) {
    PropExchangeIntDefault(pPX, u"Width", &v.nWidth, 0);
    PropExchangeIntDefault(pPX, u"Height", &v.nHeight, 0);
    PropExchangeIntDefault(pPX, u"ExecuteOnPressInterval", &v.nExecuteOnPressInterval, 0);
  }
  if (pPX->m_nSchema >= kSchemaControlShortcutTextAuto)
    PropExchangeStringDefault(pPX, u"ShortcutTextAuto", &v.strShortcutTextAuto, u"");
  if (pPX->m_nSchema >= kSchemaControlKeyboardTip)
    PropExchangeStringDefault(pPX, u"KeyboardTip", &v.strKeyboardTip, u"");
  if (pPX->m_nSchema >= kSchemaControlIconSize) PropExchangeSize(pPX, u"IconSize", &v.szIcon, SIZE{0, 0});
}

// Whether the values are ones a control can take.
bool IsValid(const StoredControl& v) {
  return TKControlTypeFromNumber(v.nType).has_value() && TKButtonStyleFromNumber(v.nStyle).has_value() &&
         (v.nCustomStyle == -1 || TKButtonStyleFromNumber(v.nCustomStyle).has_value()) && v.nWidth >= 0 &&
         v.nHeight >= 0 && v.nExecuteOnPressInterval >= 0 && v.szIcon.cx >= 0 && v.szIcon.cy >= 0;
}

// Makes the object a section names, of a class derived from the control
// base, or raises the archive error for a bad class.
CTKControl* CreateControlFromSection(CTKPropExchange* pSection) {
  CObject* pObject = nullptr;
  if (!pSection->ExchangeObject(&pObject, RUNTIME_CLASS(CTKControl)) || !pObject)
    AfxThrowArchiveException(CArchiveException::badClass);
  return static_cast<CTKControl*>(pObject);
}

// Controls read but not yet placed; released unless taken.
class LoadedControls {
 public:
  LoadedControls() = default;
  ~LoadedControls() {
    for (CTKControl* pControl : m_controls) pControl->InternalRelease();
  }
  LoadedControls(const LoadedControls&) = delete;
  LoadedControls& operator=(const LoadedControls&) = delete;

  // Reads the "Control" entries into new controls that will join pTarget.
  void Read(CTKPropExchange* pPX, CTKControls* pTarget) {
    CTKPropExchangeEnumeratorHolder enumerator(pPX->GetEnumerator(u"Control"));
    POSITION pos = enumerator->GetPosition();
    while (pos) {
      CTKPropExchangeSection section(enumerator->GetNext(pos));
      CTKControl* pControl = CreateControlFromSection(section);
      m_controls.push_back(pControl);
      section->m_pLoadParent = pTarget;
      pControl->DoPropExchange(section);
    }
  }
  // Hands every control over; the caller holds their references.
  std::vector<CTKControl*> Take() { return std::exchange(m_controls, {}); }

 private:
  std::vector<CTKControl*> m_controls;
};

void StoreControls(CTKPropExchange* pPX, CTKControls* pControls) {
  std::vector<CTKControl*> stored;
  for (int i = 0; i < pControls->GetCount(); ++i)
    if (pControls->ShouldSerializeControl(pControls->GetAt(i))) stored.push_back(pControls->GetAt(i));
  CTKPropExchangeEnumeratorHolder enumerator(pPX->GetEnumerator(u"Control"));
  POSITION pos = enumerator->GetPosition(static_cast<DWORD>(stored.size()));
  for (size_t i = 0; pos; ++i) {
    CTKPropExchangeSection section(enumerator->GetNext(pos));
    CObject* pObject = stored[i];
    section->ExchangeObject(&pObject, RUNTIME_CLASS(CTKControl));
    stored[i]->DoPropExchange(section);
  }
}

}  // namespace

void CTKControl::DoPropExchange(CTKPropExchange* pPX) {
  StoredControl v;
  if (pPX->IsStoring()) {
    v.nType = static_cast<int>(m_controlType);
    v.nId = m_nId;
    v.nIconId = m_nIconId;
    v.bBeginGroup = m_bBeginGroup;
    v.nTag = static_cast<int>(m_nTag);
    v.nFlags = static_cast<int>(m_dwFlags);
    v.nHideFlags = static_cast<int>(m_dwHideFlags);
    v.strCaption = m_strCaption;
    v.strShortcutText = m_strShortcutText;
    v.strTooltipText = m_strTooltipText;
    v.strDescriptionText = m_strDescriptionText;
    v.strParameter = m_strParameter;
    v.nCustomIconId = m_nCustomIconId;
    v.strCustomCaption = m_strCustomCaption;
    v.strCategory = m_strCategory;
    CopyTemplateMap(v.mapExcluded, m_mapDocTemplatesExcluded);
    CopyTemplateMap(v.mapAssigned, m_mapDocTemplatesAssigned);
    v.bDefaultItem = m_bDefaultItem;
    v.bCloseSubMenuOnClick = m_bCloseSubMenuOnClick;
    v.nCustomStyle = m_nCustomStyle;
    v.nHelpId = m_nHelpId;
    v.nStyle = static_cast<int>(m_buttonStyle);
    v.nWidth = m_nWidth;
    v.nHeight = m_nHeight;
    v.nExecuteOnPressInterval = m_nExecuteOnPressInterval;
    v.strShortcutTextAuto = m_strShortcutTextAuto;
    v.strKeyboardTip = m_strKeyboardTip;
    v.szIcon = m_szIcon;
    ExchangeValues(pPX, v);
    return;
  }

  ExchangeValues(pPX, v);
  if (!IsValid(v)) AfxThrowArchiveException(CArchiveException::badIndex);
  // The action first: linking empties the control's own texts.
  auto* pTarget = static_cast<CTKControls*>(pPX->m_pLoadParent);
  CTKCommandBars* pCommandBars = pTarget ? pTarget->GetCommandBars() : GetCommandBars();
  CTKControlAction* pAction = pCommandBars ? pCommandBars->FindAction(v.nId) : nullptr;
  SetAction(pAction);
  m_controlType = *TKControlTypeFromNumber(v.nType);
  m_nId = v.nId;
  m_nIconId = v.nIconId;
  m_bBeginGroup = v.bBeginGroup;
  m_nTag = static_cast<ULONG_PTR>(static_cast<unsigned int>(v.nTag));
  m_dwFlags = static_cast<DWORD>(v.nFlags);
  m_dwHideFlags = static_cast<DWORD>(v.nHideFlags);
  m_strCaption = v.strCaption;
  m_strShortcutText = v.strShortcutText;
  m_strTooltipText = v.strTooltipText;
  m_strDescriptionText = v.strDescriptionText;
  m_strParameter = v.strParameter;
  m_nCustomIconId = v.nCustomIconId;
  m_strCustomCaption = v.strCustomCaption;
  m_strCategory = v.strCategory;
  CopyTemplateMap(m_mapDocTemplatesExcluded, v.mapExcluded);
  CopyTemplateMap(m_mapDocTemplatesAssigned, v.mapAssigned);
  m_bDefaultItem = v.bDefaultItem;
  m_bCloseSubMenuOnClick = v.bCloseSubMenuOnClick;
  m_nCustomStyle = v.nCustomStyle;
  m_nHelpId = v.nHelpId;
  m_buttonStyle = *TKButtonStyleFromNumber(v.nStyle);
  m_nWidth = v.nWidth;
  m_nHeight = v.nHeight;
  m_nExecuteOnPressInterval = v.nExecuteOnPressInterval;
  m_strShortcutTextAuto = v.strShortcutTextAuto;
  m_strKeyboardTip = v.strKeyboardTip;
  m_szIcon = CSize(v.szIcon.cx, v.szIcon.cy);
  DelayLayout();
  OnCaptionChanged();
}

void CTKControls::DoPropExchange(CTKPropExchange* pPX) {
  if (pPX->IsStoring()) {
    StoreControls(pPX, this);
    BOOL bOriginal = m_pOriginalControls != nullptr;
    PropExchangeBoolDefault(pPX, u"OriginalControls", &bOriginal, FALSE);
    if (bOriginal) {
      CTKPropExchangeSection section(pPX->GetSection(u"OriginalControls"));
      StoreControls(section, m_pOriginalControls);
    }
    BOOL bCustomized = FALSE;
    PropExchangeBoolDefault(pPX, u"CustomizedControls", &bCustomized, FALSE);
    return;
  }

  LoadedControls controls;
  controls.Read(pPX, this);
  LoadedControls original;
  BOOL bOriginal = FALSE;
  if (pPX->m_nSchema >= kSchemaOriginalControls) {
    PropExchangeBoolDefault(pPX, u"OriginalControls", &bOriginal, FALSE);
    if (bOriginal) {
      CTKPropExchangeSection section(pPX->GetSection(u"OriginalControls"));
      original.Read(section, this);
    }
    BOOL bCustomized = FALSE;
    PropExchangeBoolDefault(pPX, u"CustomizedControls", &bCustomized, FALSE);
    if (bCustomized) {
      // Read past and dropped: nothing uses it.
      CTKPropExchangeSection section(pPX->GetSection(u"CustomizedControls"));
      LoadedControls dropped;
      dropped.Read(section, this);
    }
  }

  // Everything read: the loaded controls replace the current ones.
  RemoveAll();
  for (CTKControl* pControl : controls.Take()) InsertAt(pControl, -1);
  if (bOriginal) {
    auto* pOriginal = new CTKOriginalControls();
    pOriginal->m_pCommandBars = GetCommandBars();
    for (CTKControl* pControl : original.Take()) pOriginal->InsertAt(pControl, -1);
    SetOriginalControls(pOriginal);
  } else {
    SetOriginalControls(nullptr);
  }
}
