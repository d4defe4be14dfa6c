#include "toolkit/commandbars/commandbars.h"

#include "platform/framework/afxwnd.h"
#include "toolkit/commandbars/barpaintmanager.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/commandbarsres.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/commandbars/controlaction.h"
#include "toolkit/commandbars/controls.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/menusoundplayer.h"
#include "toolkit/common/mousemanager.h"

CTKCommandBars::CTKCommandBars() : m_pOptions(new CTKCommandBarsOptions()), m_pActions(new CTKControlActions(this)) {
  GetMenuSoundPlayer();
}

CTKCommandBars::~CTKCommandBars() {
  SetDragControl(nullptr);
  if (m_pPaintManager) m_pPaintManager->InternalRelease();
  if (m_pImageManager) m_pImageManager->InternalRelease();
  m_pOptions->InternalRelease();
  m_pActions->InternalRelease();
  GetMenuSoundPlayer()->StopThread();
}

void CTKCommandBars::SetSite(CWnd* pSite) {
  m_pSite = pSite;
  AFX_CMDHANDLERINFO info{};
  m_bCustomizable = pSite && pSite->OnCmdMsg(TK_ID_CUSTOMIZE, CN_COMMAND, nullptr, &info);
}

CTKControlAction* CTKCommandBars::FindAction(int nId) const { return m_pActions->FindAction(nId); }

CTKControlAction* CTKCommandBars::CreateAction(int nId) {
  return m_bEnableActions ? m_pActions->CreateAction(nId) : nullptr;
}

CTKBarPaintManager* CTKCommandBars::GetPaintManager() const {
  return m_pPaintManager ? m_pPaintManager : CTKBarPaintManager::GetCurrent();
}

void CTKCommandBars::SetPaintManager(CTKBarPaintManager* pPaintManager) {
  if (pPaintManager == m_pPaintManager) return;
  if (m_pPaintManager) m_pPaintManager->InternalRelease();
  m_pPaintManager = pPaintManager;
  if (m_pPaintManager) m_pPaintManager->RefreshMetrics();
}

CTKImageManager* CTKCommandBars::GetImageManager() const {
  return m_pImageManager ? m_pImageManager : CTKImageManager::GetDefault();
}

void CTKCommandBars::SetImageManager(CTKImageManager* pImageManager) {
  if (pImageManager == m_pImageManager) return;
  if (m_pImageManager) m_pImageManager->InternalRelease();
  m_pImageManager = pImageManager;
}

void CTKCommandBars::SetDragControl(CTKControl* pControl) {
  if (pControl == m_pDragControl) return;
  if (pControl) pControl->InternalAddRef();
  CTKControl* pOld = m_pDragControl;
  m_pDragControl = pControl;
  if (pOld) {
    pOld->RedrawParent(FALSE);
    pOld->InternalRelease();
  }
  if (pControl) pControl->RedrawParent(FALSE);
}

BOOL CTKCommandBars::IsCommandHidden(int nId) const {
  BOOL bValue = FALSE;
  const UINT nKey = static_cast<UINT>(nId);
  return m_pOptions->m_mapHiddenCommands.Lookup(nKey, bValue) && !m_pOptions->m_mapUsedCommands.Lookup(nKey, bValue);
}

BOOL CTKCommandBars::IsControlHidden(CTKControl* pControl) const {
  if (!pControl) return FALSE;
  if (IsCommandHidden(pControl->GetID())) return TRUE;
  if (!m_pOptions->bAutoHideUnusedPopups || !TKIsPopupType(pControl->GetType())) return FALSE;
  // A popup whose every item is hidden is hidden too.
  CTKCommandBar* pBar = pControl->GetCommandBar();
  if (!pBar || pBar->GetControlCount() == 0) return FALSE;
  for (int i = 0; i < pBar->GetControlCount(); ++i)
    if (!IsControlHidden(pBar->GetControl(i))) return FALSE;
  return TRUE;
}

void CTKCommandBars::SetCommandUsed(int nId) {
  if (!IsCommandHidden(nId)) return;
  m_pOptions->m_mapUsedCommands.SetAt(static_cast<UINT>(nId), TRUE);
  m_pOptions->bDirty = TRUE;
}

void CTKCommandBars::ClosePopups() { GetMouseManager()->CloseAllTracked(); }
