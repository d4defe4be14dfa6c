#include "toolkit/commandbars/controlaction.h"

#include "platform/base/exceptions.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/commandbars.h"
#include "toolkit/commandbars/commandbarsinternal.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/common/resourcemanager.h"

PromptParts SplitPrompt(const CString& strPrompt) {
  PromptParts parts;
  if (strPrompt.Find(u'\n') < 0) {
    parts.part[0] = parts.part[1] = strPrompt;
    return parts;
  }
  int nStart = 0;
  for (int i = 0; i < 4 && nStart <= strPrompt.GetLength(); ++i) {
    int nEnd = strPrompt.Find(u'\n', nStart);
    if (nEnd < 0 || i == 3) nEnd = strPrompt.GetLength();
    parts.part[i] = strPrompt.Mid(nStart, nEnd - nStart);
    nStart = nEnd + 1;
  }
  return parts;
}

CTKControlAction::CTKControlAction(CTKControlActions* pActions) : m_pActions(pActions) {}

CTKControlAction::~CTKControlAction() { RemoveAllControls(); }

CTKCommandBars* CTKControlAction::GetCommandBars() const { return m_pActions ? m_pActions->GetCommandBars() : nullptr; }

BOOL CTKControlAction::GetEnabled() const {
  CTKCommandBars* pCommandBars = GetCommandBars();
  if (pCommandBars && pCommandBars->IsCustomizeMode()) return TRUE;
  return m_bEnabled;
}

void CTKControlAction::SetEnabled(BOOL bEnabled) {
  if (bEnabled == m_bEnabled) return;
  m_bEnabled = bEnabled;
  for (int i = 0; i < GetControlCount(); ++i) {
    m_arrControls[i]->OnActionChanged(static_cast<int>(TKActionProperty::Enabled));
    m_arrControls[i]->RedrawParent(TRUE);
  }
}

void CTKControlAction::SetChecked(int nChecked) {
  if (nChecked == m_nChecked) return;
  m_nChecked = nChecked;
  for (int i = 0; i < GetControlCount(); ++i) m_arrControls[i]->RedrawParent(TRUE);
}

void CTKControlAction::SetVisible(BOOL bVisible) {
  if (bVisible == m_bVisible) return;
  m_bVisible = bVisible;
  for (int i = 0; i < GetControlCount(); ++i) m_arrControls[i]->DelayLayout();
}

void CTKControlAction::SetCaption(const CString& strCaption) {
  CString strText(strCaption);
  const int nTab = strText.Find(u'\t');
  if (nTab >= 0) strText = strText.Left(nTab);
  if (strText == m_strCaption) return;
  for (int i = 0; i < GetControlCount(); ++i)
    m_arrControls[i]->OnActionChanging(static_cast<int>(TKActionProperty::Caption));
  m_strCaption = strText;
  NotifyChanged(TKActionProperty::Caption, TRUE);
}

void CTKControlAction::NotifyChanged(TKActionProperty property, BOOL bLayout) {
  for (int i = 0; i < GetControlCount(); ++i) {
    CTKControl* pControl = m_arrControls[i];
    pControl->OnActionChanged(static_cast<int>(property));
    if (bLayout) pControl->DelayLayout();
  }
}

void CTKControlAction::SetPrompt(const CString& strPrompt) {
  if (strPrompt.IsEmpty()) return;
  const PromptParts parts = SplitPrompt(strPrompt);
  m_strDescriptionText = parts.part[0];
  m_strTooltipText = parts.part[1];
  if (m_strCaption.IsEmpty()) m_strCaption = parts.part[2];
  if (m_strKeyboardTip.IsEmpty()) m_strKeyboardTip = parts.part[3];
}

void CTKControlAction::AddControl(CTKControl* pControl) {
  if (!pControl) return;
  for (int i = 0; i < GetControlCount(); ++i)
    if (m_arrControls[i] == pControl) return;
  if (pControl->m_pAction && pControl->m_pAction != this) pControl->m_pAction->RemoveControl(pControl);
  m_arrControls.Add(pControl);
  pControl->m_pAction = this;
  pControl->m_bEnabled = kTKEnabledFollowAction;
  pControl->m_bChecked = kTKCheckedFollowAction;
  pControl->m_nId = m_nId;
  pControl->m_strCaption.Empty();
  pControl->m_strTooltipText.Empty();
  pControl->m_strDescriptionText.Empty();
  pControl->m_strCategory.Empty();
  pControl->m_strShortcutText.Empty();
  pControl->m_strKeyboardTip.Empty();
}

void CTKControlAction::RemoveControl(CTKControl* pControl) {
  for (int i = 0; i < GetControlCount(); ++i) {
    if (m_arrControls[i] != pControl) continue;
    m_arrControls.RemoveAt(i);
    if (pControl->m_pAction == this) pControl->m_pAction = nullptr;
    pControl->m_bEnabled = 1;
    pControl->m_bChecked = 0;
    return;
  }
}

void CTKControlAction::RemoveAllControls() {
  while (GetControlCount() > 0) {
    CTKControl* pControl = m_arrControls[0];
    if (pControl->m_pAction == this) pControl->SetAction(nullptr);
    else RemoveControl(pControl);
  }
}

CTKControl* CTKControlAction::GetControl(int nIndex) const {
  return nIndex >= 0 && nIndex < GetControlCount() ? m_arrControls[nIndex] : nullptr;
}

// ---- the list ----

CTKControlActions::~CTKControlActions() { RemoveAll(); }

CTKControlAction* CTKControlActions::GetAt(int nIndex) const {
  if (nIndex < 0 || nIndex >= GetCount()) AfxThrowInvalidArgException();
  return m_arrActions[nIndex];
}

CTKControlAction* CTKControlActions::FindAction(int nId) const {
  if (!TKIsActionId(nId)) return nullptr;
  // The first of equal ids: the lowest index whose id is not below nId.
  int nLow = 0, nHigh = GetCount();
  while (nLow < nHigh) {
    const int nMiddle = nLow + (nHigh - nLow) / 2;
    if (m_arrActions[nMiddle]->GetID() < nId) nLow = nMiddle + 1;
    else nHigh = nMiddle;
  }
  return nLow < GetCount() && m_arrActions[nLow]->GetID() == nId ? m_arrActions[nLow] : nullptr;
}

CTKControlAction* CTKControlActions::CreateAction(int nId) {
  // An action FindAction could never find again would pile up unseen.
  if (!TKIsActionId(nId)) return nullptr;
  if (CTKControlAction* pAction = FindAction(nId)) return pAction;
  auto* pAction = new CTKControlAction(this);
  pAction->m_nId = nId;
  CString strPrompt;
  if (GetResourceManager()->LoadString(&strPrompt, static_cast<UINT>(nId))) pAction->SetPrompt(strPrompt);
  Insert(pAction);
  return pAction;
}

void CTKControlActions::Insert(CTKControlAction* pAction) {
  if (!pAction) return;
  pAction->m_pActions = this;
  int nIndex = GetCount();
  for (int i = 0; i < GetCount(); ++i) {
    if (m_arrActions[i]->GetID() > pAction->GetID()) {
      nIndex = i;
      break;
    }
  }
  m_arrActions.InsertAt(nIndex, pAction);
}

void CTKControlActions::RemoveAll() {
  for (int i = 0; i < GetCount(); ++i) {
    m_arrActions[i]->RemoveAllControls();
    m_arrActions[i]->InternalRelease();
  }
  m_arrActions.RemoveAll();
}

#ifndef NDEBUG
std::string CTKControlActions::CheckInvariants() const {
  for (int i = 0; i < GetCount(); ++i) {
    const CTKControlAction* pAction = m_arrActions[i];
    if (i > 0 && m_arrActions[i - 1]->GetID() > pAction->GetID()) return "actions out of id order";
    if (pAction->m_pActions != this) return "an action of another list";
    for (int j = 0; j < pAction->GetControlCount(); ++j)
      if (pAction->GetControl(j)->GetAction() != pAction) return "a linked control that does not link back";
  }
  return {};
}
#endif
