// Opening a menu, timed beside its baseline in the same iteration (manual
// time), with the default look:
//  - PopupOpen60: a menu of 60 commands opened at a point until its window
//    has painted its first frame (animation off): the window made, the
//    layout, the placement, the idle update and WM_PAINT through the
//    window manager; "x_paint" = its time / painting the same 60 commands
//    into a memory DC of the popup's size with the same look (the goal is
//    at most 2).
// Most of an opening goes to the new window's backing bitmap: its pages
// are fresh on every opening (about 170 page faults for 60 commands).
#include <benchmark/benchmark.h>

#include "bench/bench_once.h"
#include "bench/bench_pairs.h"

#include "platform/framework/afx.h"
#include "platform/framework/afxgdi.h"
#include "platform/shell/platform_modules.h"
#include "platform/window/test_input.h"
#include "toolkit/commandbars/commandbars.h"
#include "toolkit/commandbars/controls.h"
#include "toolkit/commandbars/popupbar.h"
#include "toolkit/common/menusoundplayer.h"
#include "toolkit/themes/paintmanager.h"

namespace {

using Clock = BenchClock;

class Bench {
 public:
  explicit Bench(int nCommands) {
    pv::test::ResetWindowManager();
    pv::test::SetScreen(1280, 4000, 40);
    GetMenuSoundPlayer()->EnableSound(FALSE);
    m_site.CreateEx(0, AfxRegisterWndClass(0), u"site", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr);
    m_commandBars.SetSite(&m_site);
    m_commandBars.GetCommandBarsOptions()->nAnimationType = static_cast<int>(TKPopupAnimation::None);
    CTKPaintManager* pLook = CTKPaintManager::CreateTheme(0);
    pLook->RefreshMetrics();
    m_commandBars.SetPaintManager(pLook);
    m_pMenu = CTKPopupBar::CreatePopupBar(&m_commandBars);
    for (int i = 0; i < nCommands; ++i) {
      CTKControl* pControl = m_pMenu->GetControls()->AddByType(TKControlType::Button, 1000 + i);
      CString strCaption;
      strCaption.Format(u"&Command %d", i);
      pControl->SetCaption(strCaption);
      pControl->SetBeginGroup(i % 10 == 0);
    }
  }
  ~Bench() {
    m_pMenu->InternalRelease();
    m_site.DestroyWindow();
  }
  Bench(const Bench&) = delete;
  Bench& operator=(const Bench&) = delete;

  // Open, first frame painted, closed (the closing is not timed).
  double Open() {
    auto a = Clock::now();
    m_pMenu->PopupAt(100, 100);
    pv::test::PumpUntilIdle();
    const double seconds = Seconds(a, Clock::now());
    ::GetClientRect(m_pMenu->GetSafeHwnd(), &m_rcClient);
    m_pMenu->SetTrackingMode(TKTrackingMode::Off);
    return seconds;
  }
  // The same commands, where the menu placed them, into a memory DC.
  double PaintOnly() {
    auto a = Clock::now();
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    bitmap.CreateBitmap(m_rcClient.Width(), m_rcClient.Height(), 1, 32, nullptr);
    CGdiObject* pOld = dc.SelectObject(&bitmap);
    CTKBarPaintManager* pLook = m_commandBars.GetPaintManager();
    CFont* pOldFont = dc.SelectObject(pLook->GetCommandBarFont(m_pMenu));
    dc.FillSolidRect(m_rcClient, pLook->GetColor(COLOR_MENU));
    for (int i = 0; i < m_pMenu->GetControlCount(); ++i) m_pMenu->GetControl(i)->Draw(&dc);
    dc.SelectObject(pOldFont);
    dc.SelectObject(pOld);
    return Seconds(a, Clock::now());
  }

 private:
  CWnd m_site;
  CTKCommandBars m_commandBars;
  CTKPopupBar* m_pMenu = nullptr;
  CRect m_rcClient;
};

void PopupOpen60(benchmark::State& state) {
  static const bool registered = (pv::RegisterPlatformModules(), true);
  (void)registered;
  Bench bench(60);
  std::vector<double> ratios;
  for (auto _ : state) {
    const double open = bench.Open();
    const double paint = bench.PaintOnly();
    ratios.push_back(paint > 0 ? open / paint : 0);
    state.SetIterationTime(open);
  }
  state.counters["x_paint"] = Median(ratios);
}
BENCHMARK(PopupOpen60)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(BenchIterations(300));

}  // namespace
