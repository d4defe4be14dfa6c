#include "toolkit/commandbars/barpaintmanager.h"

#include "toolkit/common/drawhelpers.h"

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
