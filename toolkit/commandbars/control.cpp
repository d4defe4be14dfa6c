#include "toolkit/commandbars/control.h"

#include "platform/framework/afxwnd.h"
#include "toolkit/commandbars/barpaintmanager.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/commandbars.h"
#include "toolkit/commandbars/commandbarsinternal.h"
#include "toolkit/commandbars/controlaction.h"
#include "toolkit/commandbars/controls.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/menusoundplayer.h"
#include "toolkit/common/propexchangeschema.h"
#include "toolkit/common/resourcemanager.h"

IMPLEMENT_SERIAL(CTKControl, CCmdTarget, VERSIONABLE_SCHEMA | kTKSchemaCurrent)

namespace {

// The command-target pair that asks a control to redraw itself at once.
constexpr UINT kRedrawCommandId = 1;
constexpr int kRedrawCommandCode = -2;

BSTR AllocBstr(const CString& strText) { return ::SysAllocString(strText.GetString()); }

// Closes the menus a control was chosen from: a menu tracked from within
// another closes only itself; otherwise every popup of the thread goes.
void CloseMenus(CTKCommandBar* pTopBar) {
  if (pTopBar && pTopBar->IsRecursivePopup()) pTopBar->SetTrackingMode(TKTrackingMode::Off);
  else CTKCommandBars::ClosePopups();
}

}  // namespace

CTKControl::CTKControl() { EnableAutomation(); }

CTKControl::~CTKControl() { SetAction(nullptr); }

// ---- texts ----

CString CTKControl::GetCaption() const {
  if (!m_strCustomCaption.IsEmpty()) return m_strCustomCaption;
  if (!m_strCaption.IsEmpty()) return m_strCaption;
  if (m_pAction) return m_pAction->GetCaption().IsEmpty() ? m_pAction->GetTooltip() : m_pAction->GetCaption();
  return CString();
}

CString CTKControl::GetDescription() const {
  if (!m_strDescriptionText.IsEmpty() || !m_pAction) return m_strDescriptionText;
  return m_pAction->GetDescription();
}

CString CTKControl::GetTooltip() const {
  if (!m_strTooltipText.IsEmpty() || !m_pAction) return m_strTooltipText;
  return m_pAction->GetTooltip();
}

void CTKControl::SetCaption(const CString& strCaption) {
  CString strText(strCaption);
  BOOL bShortcutChanged = FALSE;
  const int nTab = strText.Find(u'\t');
  if (nTab >= 0) {
    const CString strShortcut = strText.Mid(nTab + 1);
    bShortcutChanged = strShortcut != m_strShortcutTextAuto;
    m_strShortcutTextAuto = strShortcut;
    strText = strText.Left(nTab);
  }
  if (strText != m_strCaption) {
    m_strCaption = strText;
    OnCaptionChanged();
    DelayLayout();
  } else if (bShortcutChanged) {
    DelayLayout();
  }
}

BOOL CTKControl::LoadCaption(UINT nIDString) {
  CString strText;
  if (!GetResourceManager()->LoadString(&strText, nIDString)) return FALSE;
  SetCaption(strText);
  return TRUE;
}

void CTKControl::SetPrompt(const CString& strPrompt) {
  if (strPrompt.IsEmpty()) return;
  const PromptParts parts = SplitPrompt(strPrompt);
  m_strDescriptionText = parts.part[0];
  m_strTooltipText = parts.part[1];
  if (m_strCaption.IsEmpty()) {
    m_strCaption = parts.part[2].IsEmpty() ? m_strTooltipText : parts.part[2];
    OnCaptionChanged();
  }
  if (m_strKeyboardTip.IsEmpty()) m_strKeyboardTip = parts.part[3];
}

CString CTKControl::GetShortcutText() const {
  if (!m_strShortcutText.IsEmpty()) return m_strShortcutText;
  if (m_pAction && !m_pAction->GetShortcutText().IsEmpty()) return m_pAction->GetShortcutText();
  return m_strShortcutTextAuto;
}

void CTKControl::SetCustomCaption(const CString& strCaption) {
  if (strCaption == m_strCustomCaption) return;
  m_strCustomCaption = strCaption;
  OnCaptionChanged();
  DelayLayout();
}

// ---- id, icon, help ----

void CTKControl::SetID(int nId) {
  if (nId == m_nId) return;
  CString strPrompt;
  if (nId > 0 && GetResourceManager()->LoadString(&strPrompt, static_cast<UINT>(nId))) SetPrompt(strPrompt);
  m_nId = nId;
}

int CTKControl::GetIconId() const {
  if (m_nCustomIconId != 0) return m_nCustomIconId;
  if (m_nIconId > 0) return m_nIconId;
  if (m_pAction) return m_pAction->GetIconId() > 0 ? m_pAction->GetIconId() : m_pAction->GetID();
  return m_nId;
}

int CTKControl::GetHelpId() const {
  if (m_nHelpId > 0) return m_nHelpId;
  if (m_pAction) return m_pAction->GetHelpId() > 0 ? m_pAction->GetHelpId() : m_pAction->GetID();
  return m_nId;
}

CTKImageManagerIcon* CTKControl::GetImage(int nWidth) {
  const int nIconId = GetIconId();
  if (nIconId == 0) return nullptr;
  CTKImageManager* pImageManager = GetImageManager();
  return pImageManager ? pImageManager->LookupIcon(static_cast<UINT>(nIconId), nWidth) : nullptr;
}

// ---- type, style, flags ----

TKButtonStyle CTKControl::GetStyle() const {
  if (m_nCustomStyle != -1) return TKButtonStyleFromNumber(m_nCustomStyle).value_or(TKButtonStyle::Automatic);
  if (m_buttonStyle != TKButtonStyle::Automatic) return m_buttonStyle;
  if (m_reducedStyle != TKButtonStyle::Automatic) return m_reducedStyle;
  return m_pParent ? m_pParent->GetDefaultButtonStyle() : TKButtonStyle::Automatic;
}

void CTKControl::SetStyle(TKButtonStyle style) {
  if (style == m_buttonStyle) return;
  m_buttonStyle = style;
  DelayLayout();
}

BOOL CTKControl::SetHideFlag(DWORD dwFlag, BOOL bHide) {
  const DWORD dwNew = bHide ? (m_dwHideFlags | dwFlag) : (m_dwHideFlags & ~dwFlag);
  if (dwNew == m_dwHideFlags) return FALSE;
  SetHideFlags(dwNew);
  return TRUE;
}

void CTKControl::SetBeginGroup(BOOL bBeginGroup) {
  if (bBeginGroup == m_bBeginGroup) return;
  m_bBeginGroup = bBeginGroup;
  DelayLayout();
}

void CTKControl::SetDefaultItem(BOOL bDefault) {
  if (bDefault == m_bDefaultItem) return;
  m_bDefaultItem = bDefault;
  DelayLayout();
}

void CTKControl::SetRarelyUsed(BOOL bRarelyUsed) {
  m_bExpanded = bRarelyUsed;
  if (!bRarelyUsed) SetHideFlag(kTKHideExpand, FALSE);
}

void CTKControl::SetVisible(BOOL bVisible) {
  if (SetHideFlag(kTKHideGeneric, !bVisible)) DelayLayout();
}

// ---- states ----

int CTKControl::GetEnabled() const {
  if (m_pParent) {
    const int nOverride = m_pParent->IsControlEnabled(this);
    if (nOverride != -1) return nOverride;
  }
  if (m_bEnabled == kTKEnabledFollowAction && m_pAction) return m_pAction->GetEnabled();
  return m_bEnabled;
}

void CTKControl::SetEnabled(int nEnabled) {
  if (nEnabled == m_bEnabled) return;
  m_bEnabled = nEnabled;
  OnEnabledChanged();
  RedrawParent(TRUE);
}

int CTKControl::GetChecked() const {
  if (m_bChecked == kTKCheckedFollowAction && m_pAction) return m_pAction->GetChecked();
  return m_bChecked;
}

void CTKControl::SetChecked(int nChecked) {
  if (nChecked == m_bChecked) return;
  m_bChecked = nChecked;
  RedrawParent(TRUE);
}

BOOL CTKControl::SetSelected(int nSelected) {
  if (nSelected == m_nSelected) return FALSE;
  if ((nSelected == kTKSelectedKeyboard || nSelected == kTKSelectedKeyboardBack) && m_pParent) {
    const int nPopuped = m_pParent->GetPopupedIndex();
    if (nPopuped != -1 && m_pParent->GetControl(nPopuped) != this) m_pParent->SetPopupedControl(-1);
  }
  m_nSelected = nSelected;
  if (m_pParent) m_pParent->OnControlSelected(nSelected != 0, this);
  const bool bByMouse =
      nSelected == kTKSelectedMouse || nSelected == kTKSelectedCommandPart || nSelected == kTKSelectedDropDownPart;
  if (!(GetEnabled() == 0 && bByMouse)) RedrawParent(nSelected == 0);
  return TRUE;
}

BOOL CTKControl::IsVisible(DWORD dwSkipFlags) const {
  if ((m_dwHideFlags & ~dwSkipFlags) != 0) return FALSE;
  return !m_pAction || m_pAction->IsVisible();
}

BOOL CTKControl::IsCaptionVisible() {
  if (m_pParent && m_pParent->GetType() == TKBarType::Popup) return TRUE;
  if (GetCaption().IsEmpty()) return FALSE;
  switch (GetStyle()) {
    case TKButtonStyle::Caption:
    case TKButtonStyle::IconAndCaption:
    case TKButtonStyle::IconAboveCaption:
      return TRUE;
    case TKButtonStyle::Icon:
      return FALSE;
    default:
      break;
  }
  switch (m_controlType) {
    case TKControlType::Button:
    case TKControlType::ButtonPopup:
    case TKControlType::SplitButtonPopup:
      return GetImage(0) == nullptr;
    case TKControlType::Popup:
    case TKControlType::Label:
    case TKControlType::CheckBox:
    case TKControlType::RadioButton:
      return TRUE;
    default:
      return FALSE;
  }
}

// ---- geometry ----

void CTKControl::SetWidth(int nWidth) {
  if (nWidth == m_nWidth) return;
  m_nWidth = nWidth;
  DelayLayout();
}

void CTKControl::SetHeight(int nHeight) {
  if (nHeight == m_nHeight) return;
  m_nHeight = nHeight;
  DelayLayout();
}

CSize CTKControl::GetButtonSize() const { return m_pParent ? m_pParent->GetButtonSize() : CSize(0, 0); }

CSize CTKControl::GetIconSize() const {
  if (m_szIcon != CSize(0, 0)) return m_szIcon;
  return m_pParent ? m_pParent->GetIconSize() : CSize(0, 0);
}

CSize CTKControl::GetSize(CDC* pDC) {
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  return pPaintManager ? pPaintManager->DrawControl(pDC, this, FALSE) : CSize(0, 0);
}

void CTKControl::Draw(CDC* pDC) {
  if (CTKBarPaintManager* pPaintManager = GetPaintManager()) pPaintManager->DrawControl(pDC, this, TRUE);
}

// ---- links ----

void CTKControl::SetAction(CTKControlAction* pAction) {
  if (pAction == m_pAction) return;
  if (m_pAction) m_pAction->RemoveControl(this);
  if (pAction) pAction->AddControl(this);
}

void CTKControl::OnActionChanged(int nProperty) {
  if (nProperty == static_cast<int>(TKActionProperty::Caption)) OnCaptionChanged();
  else if (nProperty == static_cast<int>(TKActionProperty::Enabled)) OnEnabledChanged();
}

CTKCommandBars* CTKControl::GetCommandBars() const {
  if (m_pParent) return m_pParent->GetCommandBars();
  return m_pControls ? m_pControls->GetCommandBars() : nullptr;
}

CTKBarPaintManager* CTKControl::GetPaintManager() const {
  if (m_pParent) return m_pParent->GetPaintManager();
  if (CTKCommandBars* pCommandBars = GetCommandBars()) return pCommandBars->GetPaintManager();
  return CTKBarPaintManager::GetCurrent();
}

CTKImageManager* CTKControl::GetImageManager() const {
  if (m_pParent) return m_pParent->GetImageManager();
  if (CTKCommandBars* pCommandBars = GetCommandBars()) return pCommandBars->GetImageManager();
  return CTKImageManager::GetDefault();
}

CTKCommandBar* CTKControl::GetTopParentBar() const { return m_pParent ? m_pParent->GetTopParentBar() : nullptr; }

// ---- execution and the owner window ----

void CTKControl::OnExecute() {
  GetMenuSoundPlayer()->RequestSound(CTKMenuSoundPlayer::tkSoundMenuCommand);
  m_nPressed = m_pParent && m_pParent->GetPosition() == TKBarPosition::Popup ? kTKPressedNone : kTKPressedExecuted;

  CTKCommandBar* pTopBar = GetTopParentBar();
  CWnd* pOwner = m_pParent ? m_pParent->GetOwnerWindow() : nullptr;
  const HWND hwndOwner = pOwner ? pOwner->GetSafeHwnd() : nullptr;
  if (CTKCommandBars* pCommandBars = GetCommandBars()) {
    if (m_nId != 0) pCommandBars->SetCommandUsed(m_nId);
    CTKControl* pPopupControl = m_pParent ? m_pParent->GetControlPopup() : nullptr;
    if (pPopupControl && pPopupControl->GetID() != 0) pCommandBars->SetCommandUsed(pPopupControl->GetID());
  }

  if (pTopBar && pTopBar->GetReturnCommand()) {
    // The caller of the tracked popup wants the id, not a command.
    int* pReturnCommand = pTopBar->GetReturnCommand();
    const int nId = m_nId;
    CloseMenus(pTopBar);
    *pReturnCommand = nId;
    return;
  }

  // The handlers below may destroy the bar and its controls.
  InternalAddRef();
  if (m_bCloseSubMenuOnClick) CloseMenus(pTopBar);
  if (m_nId != 0) {
    if (NotifySite(TK_CBN_EXECUTE) == 0 && hwndOwner && ::IsWindow(hwndOwner))
      ::SendMessage(hwndOwner, WM_COMMAND, static_cast<WPARAM>(m_nId), 0);
    if (!m_bCloseSubMenuOnClick || m_nPressed != kTKPressedNone) {
      m_nPressed = kTKPressedNone;
      if (m_pParent) {
        m_pParent->OnIdleUpdate();
        RedrawParent(TRUE);
      }
    }
  }
  InternalRelease();
}

LRESULT CTKControl::NotifySite(UINT nCode) {
  TK_NMCONTROL header;
  return NotifySiteWithHeader(nullptr, nCode, &header);
}

LRESULT CTKControl::NotifySiteWithHeader(CWnd* pWnd, UINT nCode, TK_NMCONTROL* pHeader) {
  if (!pWnd) pWnd = m_pParent ? m_pParent->GetOwnerWindow() : nullptr;
  if (!pWnd || !pHeader) return 0;
  pHeader->hdr.hwndFrom = nullptr;
  pHeader->hdr.idFrom = static_cast<UINT_PTR>(m_nId);
  pHeader->hdr.code = nCode;
  pHeader->pControl = this;
  if (pWnd->GetSafeHwnd()) {
    const LRESULT lResult = ::SendMessage(pWnd->GetSafeHwnd(), TK_CBM_CONTROLNOTIFY, static_cast<WPARAM>(m_nId),
                                          reinterpret_cast<LPARAM>(pHeader));
    if (lResult != 0) return lResult;
  }
  LRESULT lResult = 0;
  AFX_NOTIFY notify{&lResult, &pHeader->hdr};
  if (pWnd->OnCmdMsg(static_cast<UINT>(m_nId), static_cast<int>(MAKELONG(nCode, WM_NOTIFY)), &notify, nullptr))
    return lResult;
  return 0;
}

void CTKControl::DelayLayout() {
  if (m_pParent) m_pParent->DelayLayout();
}

void CTKControl::RedrawParent(BOOL bAnimate) {
  if (m_pParent && IsVisible()) m_pParent->Redraw(&m_rcControl, bAnimate);
}

BOOL CTKControl::IsCustomizeMode() const { return m_pParent ? m_pParent->IsCustomizeMode() : FALSE; }

BOOL CTKControl::IsCustomizable() const {
  return m_pParent && m_pParent->IsCustomizable() && (m_dwFlags & kTKControlFlagNoMovable) == 0;
}

void CTKControl::CustomizeStartDrag(CPoint point) {
  if (!m_pParent) return;
  CTKCommandBars* pCommandBars = GetCommandBars();
  const int nPopuped = m_pParent->GetPopupedIndex();
  if (nPopuped != -1 && m_pParent->GetControl(nPopuped) != this) {
    m_pParent->SetPopupedControl(-1);
    m_pParent->SetSelected(-1);
  }
  if (pCommandBars && pCommandBars->GetDragControl() == this && IsCustomizeResizeAllow() && CustomizeStartResize(point))
    return;
  // The drag itself comes with the customisation drag tracker.
  if (pCommandBars) pCommandBars->SetDragControl(this);
}

BOOL CTKControl::CustomizeStartResize(CPoint) { return FALSE; }

void CTKControl::OnLButtonDown(CPoint point) {
  if (IsCustomizeMode() && !IsCustomizable()) return;
  OnClick(FALSE, point);
}

BOOL CTKControl::OnLButtonDblClk(CPoint point) {
  OnClick(FALSE, point);
  return TRUE;
}

void CTKControl::OnMouseHover() {
  if (!m_pParent) return;
  const BOOL bWasOpen = m_pParent->GetPopupedIndex() != -1;
  m_pParent->SetPopupedControl(-1);
  if (bWasOpen && m_pParent->GetTrackingMode() == TKTrackingMode::PopupOpen && !m_pParent->IsPopupBar())
    m_pParent->SetTrackingMode(TKTrackingMode::Off);
}

// ---- copies ----

BOOL CTKControl::IsEqual(CTKControl* pOther) {
  if (!pOther) return FALSE;
  return GetStyle() == pOther->GetStyle() && m_controlType == pOther->m_controlType && m_nId == pOther->m_nId &&
         m_dwFlags == pOther->m_dwFlags && m_bBeginGroup == pOther->m_bBeginGroup &&
         GetIconId() == pOther->GetIconId() && m_strCaption == pOther->m_strCaption &&
         m_strTooltipText == pOther->m_strTooltipText && m_strDescriptionText == pOther->m_strDescriptionText &&
         m_strCustomCaption == pOther->m_strCustomCaption && m_nCustomStyle == pOther->m_nCustomStyle &&
         m_strParameter == pOther->m_strParameter &&
         (m_dwHideFlags & kTKHideCustomize) == (pOther->m_dwHideFlags & kTKHideCustomize) &&
         m_nWidth == pOther->m_nWidth;
}

void CopyTemplateMap(CTKControl::CDocTemplateMap& to, const CTKControl::CDocTemplateMap& from) {
  to.RemoveAll();
  POSITION pos = from.GetStartPosition();
  while (pos) {
    UINT nKey = 0, nValue = 0;
    from.GetNextAssoc(pos, nKey, nValue);
    to.SetAt(nKey, nValue);
  }
}

void CTKControl::Copy(CTKControl* pSource, BOOL /*bRecursive*/) {
  if (!pSource || pSource == this) return;
  m_nId = pSource->m_nId;
  SetAction(pSource->m_pAction);
  m_nTag = pSource->m_nTag;
  m_dwFlags = pSource->m_dwFlags;
  m_controlType = pSource->m_controlType;
  m_strCaption = pSource->m_strCaption;
  m_strShortcutText = pSource->m_strShortcutText;
  m_strShortcutTextAuto = pSource->m_strShortcutTextAuto;
  m_strTooltipText = pSource->m_strTooltipText;
  m_strDescriptionText = pSource->m_strDescriptionText;
  m_strParameter = pSource->m_strParameter;
  m_strKeyboardTip = pSource->m_strKeyboardTip;
  m_nCustomIconId = pSource->m_nCustomIconId;
  m_nIconId = pSource->m_nIconId;
  m_nHelpId = pSource->m_nHelpId;
  m_bTemporary = pSource->m_bTemporary;
  m_strCustomCaption = pSource->m_strCustomCaption;
  m_strCategory = pSource->m_strCategory;
  // Where the source was placed says nothing of the copy.
  m_dwHideFlags = pSource->m_dwHideFlags & ~kTKHidePlacement;
  m_bDefaultItem = pSource->m_bDefaultItem;
  m_bEnabled = pSource->m_bEnabled;
  m_bChecked = pSource->m_bChecked;
  m_nCustomStyle = pSource->m_nCustomStyle;
  m_buttonStyle = pSource->m_buttonStyle;
  m_nWidth = pSource->m_nWidth < GetCustomizeMinWidth() ? GetCustomizeMinWidth() : pSource->m_nWidth;
  m_nHeight = pSource->m_nHeight;
  m_szIcon = pSource->m_szIcon;
  m_bBeginGroup = pSource->m_bBeginGroup;
  m_bCloseSubMenuOnClick = pSource->m_bCloseSubMenuOnClick;
  m_nExecuteOnPressInterval = pSource->m_nExecuteOnPressInterval;
  CopyTemplateMap(m_mapDocTemplatesAssigned, pSource->m_mapDocTemplatesAssigned);
  CopyTemplateMap(m_mapDocTemplatesExcluded, pSource->m_mapDocTemplatesExcluded);
  OnCaptionChanged();
}

CTKControl* CTKControl::Clone(BOOL bRecursive) {
  auto* pClone = static_cast<CTKControl*>(GetRuntimeClass()->CreateObject());
  if (pClone) pClone->Copy(this, bRecursive);
  return pClone;
}

CTKControl* CTKControl::FromCmdUI(CCmdUI* pCmdUI) {
  auto* pBar = pCmdUI ? dynamic_cast<CTKCommandBar*>(pCmdUI->m_pOther) : nullptr;
  return pBar ? pBar->GetControl(static_cast<int>(pCmdUI->m_nIndex)) : nullptr;
}

BOOL CTKControl::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (nID == kRedrawCommandId && nCode == kRedrawCommandCode) {
    RedrawParent(FALSE);
    return TRUE;
  }
  return CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// ---- accessibility ----

HRESULT CTKControl::GetAccessibleParent(IDispatch** parent) {
  if (!parent) return E_POINTER;
  *parent = m_pParent ? m_pParent->GetIDispatch(TRUE) : nullptr;
  return *parent ? S_OK : E_FAIL;
}

HRESULT CTKControl::GetAccessibleChildCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = GetCommandBar() ? 1 : 0;
  return S_OK;
}

HRESULT CTKControl::GetAccessibleChild(VARIANT child, IDispatch** dispatch) {
  if (!dispatch) return E_POINTER;
  *dispatch = nullptr;
  CTKCommandBar* pBar = GetCommandBar();
  if (!pBar || GetChildIndex(&child) != 1) return E_INVALIDARG;
  *dispatch = pBar->GetIDispatch(TRUE);
  return *dispatch ? S_OK : E_FAIL;
}

HRESULT CTKControl::GetAccessibleName(VARIANT child, BSTR* name) {
  if (!name) return E_POINTER;
  if (GetChildIndex(&child) != CHILDID_SELF) return E_INVALIDARG;
  CString strName = CTKBarPaintManager::StripMnemonics(GetCaption());
  const CString strShortcut = GetShortcutText();
  if (!strShortcut.IsEmpty()) strName += u"\t" + strShortcut;
  if (strName.IsEmpty()) strName = GetTooltip();
  *name = AllocBstr(strName);
  return S_OK;
}

HRESULT CTKControl::GetAccessibleDescription(VARIANT child, BSTR* description) {
  if (!description) return E_POINTER;
  if (GetChildIndex(&child) != CHILDID_SELF) return E_INVALIDARG;
  *description = AllocBstr(GetDescription());
  return S_OK;
}

HRESULT CTKControl::GetAccessibleRole(VARIANT child, VARIANT* role) {
  if (!role) return E_POINTER;
  if (GetChildIndex(&child) != CHILDID_SELF) return E_INVALIDARG;
  if (!m_pParent || !m_pParent->GetSafeHwnd()) return E_UNEXPECTED;
  role->vt = VT_I4;
  const TKBarType type = m_pParent->GetType();
  if (type == TKBarType::Normal || type == TKBarType::Ribbon)
    role->lVal = GetCommandBar() ? ROLE_SYSTEM_BUTTONMENU : ROLE_SYSTEM_PUSHBUTTON;
  else role->lVal = ROLE_SYSTEM_MENUITEM;
  return S_OK;
}

HRESULT CTKControl::GetAccessibleState(VARIANT child, VARIANT* state) {
  if (!state) return E_POINTER;
  if (GetChildIndex(&child) != CHILDID_SELF) return E_INVALIDARG;
  LONG lState = STATE_SYSTEM_FOCUSABLE;
  if (GetSelected()) lState |= STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_HOTTRACKED;
  if (!IsVisible() || !m_pParent || !m_pParent->IsVisible()) lState |= STATE_SYSTEM_INVISIBLE;
  if (!GetEnabled()) lState |= STATE_SYSTEM_UNAVAILABLE;
  if (GetChecked()) lState |= STATE_SYSTEM_CHECKED;
  if (GetPressed()) lState |= STATE_SYSTEM_PRESSED;
  if (GetCommandBar()) lState |= STATE_SYSTEM_HASPOPUP;
  state->vt = VT_I4;
  state->lVal = lState;
  return S_OK;
}

HRESULT CTKControl::GetAccessibleKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  if (!shortcut) return E_POINTER;
  if (GetChildIndex(&child) != CHILDID_SELF) return E_INVALIDARG;
  // The character after the first single '&'.
  const CString strCaption = GetCaption();
  CString strKey;
  for (int i = 0; i + 1 < strCaption.GetLength(); ++i) {
    if (strCaption[i] != u'&') continue;
    if (strCaption[i + 1] == u'&') {
      ++i;
      continue;
    }
    strKey = strCaption.Mid(i + 1, 1);
    break;
  }
  *shortcut = AllocBstr(strKey);
  return S_OK;
}

HRESULT CTKControl::GetAccessibleDefaultAction(VARIANT child, BSTR* action) {
  if (!action) return E_POINTER;
  if (GetChildIndex(&child) != CHILDID_SELF) return E_INVALIDARG;
  *action = ::SysAllocString(u"Click");
  return S_OK;
}

HRESULT CTKControl::AccessibleSelect(LONG, VARIANT child) {
  if (GetChildIndex(&child) != CHILDID_SELF) return E_INVALIDARG;
  if (!m_pParent) return E_UNEXPECTED;
  m_pParent->SetTrackingMode(TKTrackingMode::Tracking, FALSE, TRUE);
  m_pParent->SetSelected(m_nIndex, TRUE);
  return S_OK;
}

HRESULT CTKControl::AccessibleLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) {
  if (!left || !top || !width || !height) return E_POINTER;
  if (GetChildIndex(&child) != CHILDID_SELF) return E_INVALIDARG;
  *left = *top = *width = *height = 0;
  if (!m_pParent || !m_pParent->GetSafeHwnd() || !IsVisible()) return S_OK;
  CRect rc(m_rcControl);
  m_pParent->ClientToScreen(&rc);
  *left = rc.left;
  *top = rc.top;
  *width = rc.Width();
  *height = rc.Height();
  return S_OK;
}

HRESULT CTKControl::AccessibleHitTest(LONG x, LONG y, VARIANT* child) {
  if (!child) return E_POINTER;
  child->vt = VT_EMPTY;
  if (!m_pParent || !m_pParent->GetSafeHwnd()) return S_FALSE;
  CRect rcWindow;
  m_pParent->GetWindowRect(&rcWindow);
  const CPoint point(x, y);
  if (!rcWindow.PtInRect(point)) return S_FALSE;
  CPoint ptClient(point);
  m_pParent->ScreenToClient(&ptClient);
  if (!m_rcControl.PtInRect(ptClient)) return S_FALSE;
  child->vt = VT_I4;
  child->lVal = CHILDID_SELF;
  return S_OK;
}

HRESULT CTKControl::AccessibleDoDefaultAction(VARIANT child) {
  if (GetChildIndex(&child) != CHILDID_SELF) return E_INVALIDARG;
  OnClick(TRUE);
  return S_OK;
}

#ifndef NDEBUG
std::string CTKControl::CheckInvariants() const {
  if (m_pAction) {
    bool bLinked = false;
    for (int i = 0; i < m_pAction->GetControlCount(); ++i) bLinked = bLinked || m_pAction->GetControl(i) == this;
    if (!bLinked) return "the control's action does not list it";
  }
  if (m_pControls && m_pControls->GetAt(m_nIndex) != this) return "the control is not at its index";
  if (m_nCustomStyle != -1 && !TKButtonStyleFromNumber(m_nCustomStyle)) return "custom style out of range";
  return {};
}
#endif
