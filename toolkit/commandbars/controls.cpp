#include "toolkit/commandbars/controls.h"

#include <cwctype>

#include "platform/framework/afxwnd.h"
#include "toolkit/commandbars/barpaintmanager.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/commandbars.h"
#include "toolkit/commandbars/commandbarsres.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/commandbars/controlaction.h"
#include "toolkit/commandbars/controlbutton.h"
#include "toolkit/commandbars/controlpopup.h"
#include "toolkit/commandbars/popupbar.h"
#include "toolkit/common/resourcemanager.h"

IMPLEMENT_DYNCREATE(CTKControls, CCmdTarget)
IMPLEMENT_DYNCREATE(CTKOriginalControls, CTKControls)

namespace {

// The first MDI child window's command: the window list fills it in.
constexpr int kFirstMDIChildId = 0xFF00;
// A menu item's text is read up to this length.
constexpr int kMaxMenuText = 1024;

// Hide flags a navigable control may carry: strictly only a ribbon's
// scrolling, otherwise rarely used items too.
constexpr DWORD kNavigateSkipStrict = kTKHideScroll;
constexpr DWORD kNavigateSkip = kTKHideScroll | kTKHideExpand;

bool IsReservedId(int nId) {
  return (nId >= static_cast<int>(kTKFirstReservedId) && nId <= static_cast<int>(kTKLastReservedId)) ||
         (nId >= static_cast<int>(kTKFirstPlaceholderId) && nId <= static_cast<int>(kTKLastPlaceholderId));
}

// The command id written after a tab in a sub-menu's caption ("Tools\t200"):
// leading decimal digits, 0 when there are none or the number is no
// command id.
int ParseCaptionId(const CString& strText) {
  int i = 0;
  while (i < strText.GetLength() && std::iswspace(static_cast<wint_t>(strText[i]))) ++i;
  long long nValue = 0;
  bool bDigits = false;
  for (; i < strText.GetLength() && strText[i] >= u'0' && strText[i] <= u'9'; ++i) {
    bDigits = true;
    nValue = nValue * 10 + (strText[i] - u'0');
    if (nValue > kTKLastActionId) return 0;
  }
  return bDigits && TKIsActionId(static_cast<int>(nValue)) ? static_cast<int>(nValue) : 0;
}

// The control a type makes: buttons and the three popup kinds are their
// own classes; the other types are plain controls of that type until their
// classes join the bars. The custom type (7) is made only by the
// application.
CTKControl* CreateControlOfType(TKControlType type) {
  if (type == TKControlType::Plain || type == TKControlType::Custom) return nullptr;
  if (type == TKControlType::Button) return new CTKControlButton();
  if (TKIsPopupType(type)) return CTKControlPopup::CreateControlPopup(type);
  auto* pControl = new CTKControl();
  pControl->SetType(type);
  return pControl;
}

// The popup bar of a popup control made from a menu item: the owner's
// (message 10337) or a new one, titled with the caption and filled from the
// item's sub-menu, else from the first sub-menu of the menu resource of the
// id. A resource that does not load leaves the bar empty.
void AttachMenuPopupBar(CTKControlPopup* pPopup, CTKCommandBars* pCommandBars, HWND hwndOwner, HMENU hSubMenu, int nId,
                        const CString& strCaption) {
  const CString strTitle = CTKBarPaintManager::StripMnemonics(strCaption);
  TK_CREATEBAR_REQUEST request;
  request.bPopupBar = TRUE;
  request.strCaption = strTitle;
  request.nID = nId;
  CTKCommandBar* pBar = nullptr;
  if (hwndOwner && ::SendMessage(hwndOwner, TK_CBM_CREATECOMMANDBAR, 0, reinterpret_cast<LPARAM>(&request)) != 0 &&
      request.pCommandBar && request.pCommandBar->IsPopupBar())
    pBar = request.pCommandBar;
  if (!pBar) pBar = CTKPopupBar::CreatePopupBar(pCommandBars);
  pBar->SetTitle(strTitle);
  CMenu resource;
  if (!hSubMenu && nId > 0 && resource.LoadMenu(static_cast<UINT>(nId)))
    hSubMenu = ::GetSubMenu(resource.GetSafeHmenu(), 0);
  if (hSubMenu) pBar->GetControls()->LoadMenu(CMenu::FromHandle(hSubMenu));
  // The control takes the creation reference.
  pPopup->SetCommandBar(pBar);
  pBar->InternalRelease();
}

}  // namespace

CTKControls::CTKControls() = default;

CTKControls::~CTKControls() {
  // Permanent controls go too: nothing else holds them.
  for (int i = GetCount() - 1; i >= 0; --i) {
    CTKControl* pControl = m_arrControls[i];
    m_arrControls.RemoveAt(i);
    pControl->m_pControls = nullptr;
    pControl->ResetAction();
    pControl->SetParent(nullptr);
    pControl->InternalRelease();
  }
  SetOriginalControls(nullptr);
}

CTKControl* CTKControls::GetAt(int nIndex) const {
  return nIndex >= 0 && nIndex < GetCount() ? m_arrControls[nIndex] : nullptr;
}

void CTKControls::SetParent(CTKCommandBar* pParent) {
  m_pParent = pParent;
  if (GetCount() > 0) RefreshIndexes();
}

CTKCommandBars* CTKControls::GetCommandBars() const { return m_pParent ? m_pParent->GetCommandBars() : m_pCommandBars; }

CWnd* CTKControls::GetNotifyWindow() const {
  CTKCommandBars* pCommandBars = GetCommandBars();
  if (pCommandBars && pCommandBars->GetSite()) return pCommandBars->GetSite();
  return m_pParent ? m_pParent->GetOwnerWindow() : nullptr;
}

CTKControl* CTKControls::InsertAt(CTKControl* pControl, int nIndex) {
  if (!pControl) return nullptr;
  if (nIndex < 0 || nIndex > GetCount()) nIndex = GetCount();
  m_arrControls.InsertAt(nIndex, pControl);
  OnControlAdded(pControl);
  return pControl;
}

CTKControl* CTKControls::Add(CTKControl* pControl, int nId, const CString& strParameter, int nBefore, BOOL bTemporary) {
  if (!pControl) return nullptr;
  pControl->SetParameter(strParameter);
  pControl->SetTemporary(bTemporary);
  if (!pControl->GetAction()) {
    CTKCommandBars* pCommandBars = GetCommandBars();
    CTKControlAction* pAction = pCommandBars ? pCommandBars->FindAction(nId) : nullptr;
    if (!pAction && pCommandBars && pCommandBars->IsActionsEnabled() && TKIsActionId(nId) && !IsReservedId(nId))
      pAction = pCommandBars->CreateAction(nId);
    if (pAction) pControl->SetAction(pAction);
    else pControl->SetID(nId);
  }
  return InsertAt(pControl, nBefore);
}

CTKControl* CTKControls::AddByType(TKControlType type, int nId, const CString& strParameter, int nBefore,
                                   BOOL bTemporary) {
  if (type == TKControlType::Plain) return nullptr;
  CTKControl* pControl = type == TKControlType::Custom ? new CTKControl() : CreateControlOfType(type);
  if (!pControl) return nullptr;
  pControl->SetType(type);
  return Add(pControl, nId, strParameter, nBefore, bTemporary);
}

CTKControl* CTKControls::AddClone(CTKControl* pSource, int nBefore, BOOL bRecursive) {
  if (!pSource) return nullptr;
  auto* pControl = static_cast<CTKControl*>(pSource->GetRuntimeClass()->CreateObject());
  if (!pControl) return nullptr;
  InsertAt(pControl, nBefore);
  pControl->Copy(pSource, bRecursive);
  return pControl;
}

CTKControl* CTKControls::AddMenuItem(CMenu* pMenu, int nIndex) {
  const HMENU hMenu = pMenu ? pMenu->GetSafeHmenu() : nullptr;
  if (!hMenu) return nullptr;
  const BOOL bSubMenu = ::GetSubMenu(hMenu, nIndex) != nullptr;
  int nId = static_cast<int>(::GetMenuItemID(hMenu, nIndex));
  const BOOL bDefault = ::GetMenuDefaultItem(hMenu, TRUE, GMDI_USEDISABLED) == static_cast<UINT>(nIndex);
  if (nId == kFirstMDIChildId) return nullptr;

  CString strCaption;
  CTKResourceManager::GetMenuString(pMenu, static_cast<UINT>(nIndex), &strCaption, MF_BYPOSITION);
  if (strCaption.GetLength() > kMaxMenuText) strCaption = strCaption.Left(kMaxMenuText);
  if (bSubMenu) {
    const int nTab = strCaption.Find(u'\t');
    if (nTab >= 0) {
      const int nCaptionId = ParseCaptionId(strCaption.Mid(nTab + 1));
      if (nCaptionId != 0) {
        nId = nCaptionId;
        strCaption = strCaption.Left(nTab);
      }
    }
  }

  TK_CREATECONTROL_REQUEST request;
  request.nID = nId;
  request.nIndex = nIndex;
  request.pMenu = pMenu;
  request.pCommandBar = m_pParent;
  request.strCaption = strCaption;
  request.controlType = bSubMenu ? TKControlType::Popup : TKControlType::Button;
  request.buttonStyle = TKButtonStyle::Automatic;
  CWnd* pOwner = GetNotifyWindow();
  const HWND hwndOwner = pOwner ? pOwner->GetSafeHwnd() : nullptr;
  if (hwndOwner) ::SendMessage(hwndOwner, TK_CBM_CREATECONTROL, 0, reinterpret_cast<LPARAM>(&request));
  nId = request.nID;
  strCaption = request.strCaption;

  CTKControl* pControl = request.pControl;
  if (!pControl) {
    pControl = CreateControlOfType(request.controlType);
    if (!pControl) return nullptr;
    pControl->SetType(request.controlType);
    pControl->SetStyle(request.buttonStyle);
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    if (::GetMenuItemInfoW(hMenu, static_cast<UINT>(nIndex), TRUE, &info)) pControl->SetTag(info.dwItemData);
    if (auto* pPopup = dynamic_cast<CTKControlPopup*>(pControl))
      AttachMenuPopupBar(pPopup, GetCommandBars(), hwndOwner, ::GetSubMenu(hMenu, nIndex), nId, strCaption);
  }

  if (!pControl->GetAction()) {
    // Only ids an action can have get one: a sub-menu's id is -1, and an
    // action made for it would never be found again.
    CTKCommandBars* pCommandBars = GetCommandBars();
    CTKControlAction* pAction = pCommandBars ? pCommandBars->FindAction(nId) : nullptr;
    if (!pAction && pCommandBars && pCommandBars->IsActionsEnabled() && TKIsActionId(nId))
      pAction = pCommandBars->CreateAction(nId);
    if (pAction) {
      pControl->SetAction(pAction);
      if (pAction->GetCaption().IsEmpty()) pAction->SetCaption(strCaption);
    } else {
      pControl->SetID(nId);
      pControl->SetCaption(strCaption);
    }
  }
  if (bDefault) pControl->SetDefaultItem(TRUE);
  Append(pControl);
  if (hwndOwner && ::IsWindow(hwndOwner)) {
    request.pControl = pControl;
    ::SendMessage(hwndOwner, TK_CBM_CONTROLCREATED, 0, reinterpret_cast<LPARAM>(&request));
  }
  return pControl;
}

BOOL CTKControls::LoadMenu(CMenu* pMenu) {
  const HMENU hMenu = pMenu ? pMenu->GetSafeHmenu() : nullptr;
  if (!hMenu) return FALSE;
  BOOL bBeginGroup = FALSE;
  const int nCount = ::GetMenuItemCount(hMenu);
  for (int i = 0; i < nCount; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE | MIIM_FTYPE;
    ::GetMenuItemInfoW(hMenu, static_cast<UINT>(i), TRUE, &info);
    if ((info.fType & MFT_SEPARATOR) || ::GetMenuItemID(hMenu, i) == 0) {
      bBeginGroup = TRUE;
      continue;
    }
    CTKControl* pControl = AddMenuItem(pMenu, i);
    if (!pControl) continue;
    if (info.fType & (MFT_MENUBARBREAK | MFT_MENUBREAK)) {
      pControl->SetFlags(pControl->GetFlags() | kTKControlFlagWrapRow);
      if (info.fType & MFT_MENUBARBREAK) pControl->SetBeginGroup(TRUE);
    }
    if (bBeginGroup) {
      pControl->SetBeginGroup(TRUE);
      bBeginGroup = FALSE;
    }
    if (!pControl->GetAction()) {
      if (info.fState & MFS_CHECKED) pControl->SetChecked(TRUE);
      if (info.fState & MFS_GRAYED) pControl->SetEnabled(FALSE);
    }
  }
  return TRUE;
}

void CTKControls::DetachAt(int nIndex) {
  CTKControl* pControl = m_arrControls[nIndex];
  m_arrControls.RemoveAt(nIndex);
  OnControlRemoved(pControl);
  pControl->SetParent(nullptr);
  pControl->InternalRelease();
}

void CTKControls::Remove(CTKControl* pControl) {
  if (!pControl || pControl->m_pControls != this) return;
  const int nIndex = pControl->GetIndex();
  if (GetAt(nIndex) != pControl) return;
  if (pControl->GetSelected() && m_pParent) m_pParent->SetSelected(-1);
  if (IsPermanentControl(pControl)) return;
  // The bar's deselection may have run application code.
  if (GetAt(pControl->GetIndex()) == pControl) DetachAt(pControl->GetIndex());
}

void CTKControls::RemoveAt(int nIndex) { Remove(GetAt(nIndex)); }

void CTKControls::RemoveAll() {
  for (int i = GetCount() - 1; i >= 0; --i)
    if (i < GetCount() && !IsPermanentControl(m_arrControls[i])) DetachAt(i);
}

void CTKControls::OnControlAdded(CTKControl*) { RefreshIndexes(); }

void CTKControls::OnControlRemoved(CTKControl* pControl) {
  pControl->m_pControls = nullptr;
  pControl->ResetAction();
  pControl->SetParent(nullptr);
  RefreshIndexes();
}

void CTKControls::RefreshIndexes() {
  for (int i = 0; i < GetCount(); ++i) {
    CTKControl* pControl = m_arrControls[i];
    pControl->m_nIndex = i;
    pControl->m_pControls = this;
    pControl->SetParent(m_pParent);
  }
  if (m_pParent) m_pParent->OnControlsChanged();
}

CTKControl* CTKControls::FindControl(TKControlType type, int nId, BOOL bVisible, BOOL bRecursive) const {
  for (int i = 0; i < GetCount(); ++i) {
    CTKControl* pControl = m_arrControls[i];
    if ((type == TKControlType::Plain || pControl->GetType() == type) && (nId == -1 || pControl->GetID() == nId) &&
        (!bVisible || pControl->IsVisible()))
      return pControl;
    if (!bRecursive) continue;
    CTKCommandBar* pBar = pControl->GetCommandBar();
    if (pBar && pBar->GetControls())
      if (CTKControl* pFound = pBar->GetControls()->FindControl(type, nId, bVisible, TRUE)) return pFound;
  }
  return nullptr;
}

CTKControl* CTKControls::FindControl(int nId) const { return FindControl(TKControlType::Plain, nId, FALSE, FALSE); }

CTKControl* CTKControls::HitTest(CPoint point) const {
  for (int i = 0; i < GetCount(); ++i) {
    CTKControl* pControl = m_arrControls[i];
    if (pControl->IsVisible() && pControl->GetRect().PtInRect(point)) return pControl;
  }
  return nullptr;
}

// From the index in the direction, wrapping once past either end; -1 when
// the walk comes back to where it started, wraps a second time, or (from
// -1) runs off the end it walks to.
int CTKControls::GetNext(int nIndex, int nDirection, BOOL bSkipFocus, BOOL bSkipTemporary, BOOL bStrict) const {
  const int nCount = GetCount();
  if (nCount == 0 || nDirection == 0) return -1;
  nDirection = nDirection > 0 ? 1 : -1;
  const DWORD dwSkip = bStrict ? kNavigateSkipStrict : kNavigateSkip;
  bool bWrapped = false;
  int i = nIndex == -1 && nDirection < 0 ? nCount - 1 : nIndex + nDirection;
  for (;;) {
    if (i < 0 || i >= nCount) {
      if (bWrapped || nIndex == -1) return -1;
      bWrapped = true;
      i = i < 0 ? nCount - 1 : 0;
    }
    if (i == nIndex) return -1;
    const CTKControl* pControl = m_arrControls[i];
    if (pControl->IsVisible(dwSkip) && (!bSkipFocus || !(pControl->GetFlags() & kTKControlFlagSkipFocus)) &&
        (!bSkipTemporary || !pControl->IsTemporary()))
      return i;
    i += nDirection;
  }
}

int CTKControls::GetVisibleCount(BOOL bStrict) const {
  int nVisible = 0;
  for (int i = 0; i < GetCount(); ++i)
    if (m_arrControls[i]->IsVisible(bStrict ? 0 : kTKHideWrap)) ++nVisible;
  return nVisible;
}

CTKControl* CTKControls::GetVisibleAt(int nIndex, BOOL bStrict) const {
  for (int i = 0; i < GetCount(); ++i) {
    if (!m_arrControls[i]->IsVisible(bStrict ? 0 : kTKHideWrap)) continue;
    if (nIndex-- == 0) return m_arrControls[i];
  }
  return nullptr;
}

CTKControl* CTKControls::ChangeControlType(CTKControl* pControl, TKControlType type) {
  if (!pControl || pControl->m_pControls != this) return nullptr;
  if (TKIsPopupType(pControl->GetType()) && TKIsPopupType(type)) {
    pControl->SetType(type);
    return pControl;
  }
  CTKControl* pNew = AddByType(type, 0, CString(), pControl->GetIndex() + 1);
  if (!pNew) return nullptr;
  pNew->Copy(pControl, FALSE);
  pNew->SetType(type);
  Remove(pControl);
  return pNew;
}

CTKControl* CTKControls::ChangeControlTypeAt(int nIndex, TKControlType type) {
  return ChangeControlType(GetAt(nIndex), type);
}

void CTKControls::Copy(CTKControls* pSource, BOOL bRecursive) {
  if (!pSource || pSource == this) return;
  RemoveAll();
  for (int i = 0; i < pSource->GetCount(); ++i) {
    CTKControl* pControl = pSource->GetAt(i);
    if (!pControl->IsTemporary()) AddClone(pControl, -1, bRecursive);
  }
  CTKControls* pOriginal = pSource->GetOriginalControls();
  SetOriginalControls(pOriginal ? pOriginal->Duplicate(bRecursive) : nullptr);
}

CTKControls* CTKControls::Duplicate(BOOL bRecursive) {
  auto* pControls = static_cast<CTKControls*>(GetRuntimeClass()->CreateObject());
  pControls->m_pCommandBars = GetCommandBars();
  for (int i = 0; i < GetCount(); ++i)
    if (!m_arrControls[i]->IsTemporary()) pControls->AddClone(m_arrControls[i], -1, bRecursive);
  if (m_pOriginalControls) pControls->SetOriginalControls(m_pOriginalControls->Duplicate(bRecursive));
  return pControls;
}

void CTKControls::CreateOriginalControls() {
  auto* pOriginal = new CTKOriginalControls();
  pOriginal->m_pCommandBars = GetCommandBars();
  for (int i = 0; i < GetCount(); ++i)
    if (!m_arrControls[i]->IsTemporary()) pOriginal->AddClone(m_arrControls[i], -1, TRUE);
  SetOriginalControls(pOriginal);
}

void CTKControls::SetOriginalControls(CTKControls* pControls) {
  if (pControls == m_pOriginalControls) return;
  if (m_pOriginalControls) m_pOriginalControls->InternalRelease();
  m_pOriginalControls = pControls;
}

BOOL CTKControls::IsEqual(CTKControls* pOther) const {
  if (!pOther) return FALSE;
  int i = 0, j = 0;
  for (;;) {
    while (i < GetCount() && m_arrControls[i]->IsTemporary()) ++i;
    while (j < pOther->GetCount() && pOther->m_arrControls[j]->IsTemporary()) ++j;
    if (i == GetCount() || j == pOther->GetCount()) return i == GetCount() && j == pOther->GetCount();
    if (!m_arrControls[i]->IsEqual(pOther->m_arrControls[j])) return FALSE;
    ++i;
    ++j;
  }
}

BOOL CTKControls::IsChanged() const { return !m_pOriginalControls || !IsEqual(m_pOriginalControls); }

BOOL CTKControls::ShouldSerializeControl(CTKControl* pControl) const { return pControl && !pControl->IsTemporary(); }

#ifndef NDEBUG
std::string CTKControls::CheckInvariants() const {
  for (int i = 0; i < GetCount(); ++i) {
    const CTKControl* pControl = m_arrControls[i];
    if (pControl->GetIndex() != i) return "a control's index is stale";
    if (pControl->GetControls() != this) return "a control of another collection";
    if (pControl->GetParent() != m_pParent) return "a control's parent is not the collection's";
    for (int j = 0; j < i; ++j)
      if (m_arrControls[j] == pControl) return "a control held twice";
    std::string strControl = pControl->CheckInvariants();
    if (!strControl.empty()) return strControl;
  }
  return {};
}
#endif
