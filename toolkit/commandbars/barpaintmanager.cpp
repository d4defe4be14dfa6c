#include "toolkit/commandbars/barpaintmanager.h"

#include "platform/base/threads.h"
#include "platform/framework/afxgdi.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/shadowmanager.h"

namespace {

// The command bars' process-wide look. UI thread only, like every bar.
struct BarLookState {
  CTKBarPaintManager* pCurrent = nullptr;
  CTKBarPaintManager::Factory factory = nullptr;
};

BarLookState& State() {
  static auto* state = new BarLookState();
  return *state;
}

}  // namespace

CString CTKBarPaintManager::StripMnemonics(const CString& strText) {
  CString strResult(strText);
  CTKDrawHelpers::StripMnemonics(strResult);
  return strResult;
}

CTKBarPaintManager* CTKBarPaintManager::GetCurrent() {
  BarLookState& state = State();
  if (!state.pCurrent && state.factory) SetCurrent(state.factory(0));
  return state.pCurrent;
}

void CTKBarPaintManager::SetCurrent(CTKBarPaintManager* pPaintManager) {
  BarLookState& state = State();
  CTKBarPaintManager* pOld = state.pCurrent;
  state.pCurrent = pPaintManager;
  if (pPaintManager) pPaintManager->RefreshMetrics();
  if (pOld && pOld != pPaintManager) pOld->InternalRelease();
}

void CTKBarPaintManager::SetFactory(Factory factory) { State().factory = factory; }

CTKBarPaintManager::Factory CTKBarPaintManager::GetFactory() { return State().factory; }

CTKBarPaintManager::~CTKBarPaintManager() { delete m_pShadowManager; }

CTKShadowManager* CTKBarPaintManager::GetShadowManager() {
  if (!m_pShadowManager) m_pShadowManager = new CTKShadowManager();
  return m_pShadowManager;
}

CSize CTKBarPaintManager::DrawSpecialButton(CDC* pDC, int /*nKind*/, CTKControl* pControl, CTKCommandBar* pBar,
                                            BOOL bDraw) {
  // A band as high as a small caption row's half, with a double chevron.
  constexpr int kExpandHeight = 12;
  if (!bDraw || !pDC || !pControl) return CSize(0, kExpandHeight);
  const CRect rc = pControl->GetRect();
  TKControlStates states;
  states.nSelected = pControl->GetSelected();
  states.nPressed = pControl->GetPressed();
  DrawRectangle(pDC, rc, states, pBar ? pBar->GetType() : TKBarType::Popup,
                pBar ? pBar->GetPosition() : TKBarPosition::Popup);
  const COLORREF clr = GetColor(COLOR_BTNTEXT);
  const CPoint c = rc.CenterPoint();
  for (int nChevron = 0; nChevron < 2; ++nChevron) {
    const int y = c.y - 3 + nChevron * 4;
    for (int i = 0; i < 3; ++i) {
      pDC->FillSolidRect(c.x - 3 + i, y + i, 1, 1, clr);
      pDC->FillSolidRect(c.x + 3 - i, y + i, 1, 1, clr);
    }
  }
  return CSize(0, kExpandHeight);
}

void CTKBarPaintManager::DrawResizeGripper(CDC* pDC, CRect rc, int nResizeMode) {
  if (!pDC) return;
  pDC->FillSolidRect(rc, GetColor(COLOR_BTNFACE));
  const COLORREF clr = GetColor(COLOR_BTNSHADOW);
  if (nResizeMode == 2) {
    // Height only: a row of dots across the middle.
    const CPoint c = rc.CenterPoint();
    for (int x = c.x - 8; x <= c.x + 8; x += 4) pDC->FillSolidRect(x, c.y - 1, 2, 2, clr);
    return;
  }
  // Both ways: the corner triangle of dots at the right end.
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col <= row; ++col)
      pDC->FillSolidRect(rc.right - 4 - col * 3, rc.bottom - 10 + row * 3 + 1, 2, 2, clr);
}

void CTKBarPaintManager::AnimatePopupBar(CDC* pDestDC, CDC* pBufferDC, CRect rc, int nKind) {
  if (!pDestDC || !pBufferDC) return;
  const int nSteps = m_nAnimationSteps > 0 ? m_nAnimationSteps : 1;
  const DWORD dwStep = m_nAnimationTime > 0 ? static_cast<DWORD>(m_nAnimationTime / nSteps) : 0;
  const int cx = rc.Width();
  const int cy = rc.Height();
  for (int i = 1; i <= nSteps; ++i) {
    const int w = cx * i / nSteps;
    const int h = cy * i / nSteps;
    if (nKind == 2) {
      pDestDC->BitBlt(rc.left, rc.top, w, h, pBufferDC, rc.left + cx - w, rc.top + cy - h, SRCCOPY);
    } else if (nKind == 3) {
      pDestDC->BitBlt(rc.left, rc.top, cx, h, pBufferDC, rc.left, rc.top + cy - h, SRCCOPY);
    } else {
      BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(255 * i / nSteps), 0};
      pDestDC->AlphaBlend(rc.left, rc.top, cx, cy, pBufferDC, rc.left, rc.top, cx, cy, blend);
    }
    // The clock's sleep: a fake clock moves on instead.
    if (dwStep > 0 && i < nSteps) ::Sleep(dwStep);
  }
  pDestDC->BitBlt(rc.left, rc.top, cx, cy, pBufferDC, rc.left, rc.top, SRCCOPY);
}

void CTKBarPaintManager::AnimateExpanding(CTKCommandBar* pBar, CDC* pWindowDC, CDC* pBufferDC, BOOL bDownwards) {
  if (!pBar || !pWindowDC || !pBufferDC || !pBar->GetSafeHwnd()) return;
  CRect rc;
  pBar->GetClientRect(&rc);
  const int nSteps = m_nAnimationSteps > 0 ? m_nAnimationSteps : 1;
  const DWORD dwStep = m_nAnimationTime > 0 ? static_cast<DWORD>(m_nAnimationTime / nSteps) : 0;
  for (int i = 1; i <= nSteps; ++i) {
    const int h = rc.Height() * i / nSteps;
    const int y = bDownwards ? 0 : rc.Height() - h;
    pWindowDC->BitBlt(0, y, rc.Width(), h, pBufferDC, 0, y, SRCCOPY);
    if (dwStep > 0 && i < nSteps) ::Sleep(dwStep);
  }
}
