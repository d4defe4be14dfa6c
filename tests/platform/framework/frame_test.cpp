// Frames and the windows they own: floating windows follow the frame's
// activation and enabled state, and may keep its caption active.
#include <vector>

#include "fw_fixture.h"

namespace {

using FrameTest = fwtest::FrameworkTest;

constexpr DWORD kSyncActive = 0x0100;  // the floating window's "keep my frame active" style bit

std::vector<WPARAM>& FloatStatus() {
  static std::vector<WPARAM> v;
  return v;
}

LRESULT FloaterProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_FLOATSTATUS) {
    if (wp & FS_SYNCACTIVE) return (static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE)) & kSyncActive) ? 1 : 0;
    FloatStatus().push_back(wp);
    return 0;
  }
  return ::DefWindowProc(h, msg, wp, lp);
}

TEST_F(FrameTest, FloatingWindowsFollowTheFrameAndMayKeepItsCaptionActive) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = FloaterProc;
  wc.lpszClassName = u"TestFloater";
  ASSERT_TRUE(::RegisterClass(&wc));
  auto* frame = new CFrameWnd;  // deletes itself when destroyed
  ASSERT_TRUE(frame->Create(nullptr, u"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 400, 300)));
  HWND floater = ::CreateWindowEx(WS_EX_TOOLWINDOW, u"TestFloater", u"bar", WS_POPUP | WS_CAPTION | kSyncActive,
                                  500, 0, 100, 50, frame->m_hWnd, nullptr, nullptr, nullptr);
  HWND other = ::CreateWindowEx(0, u"TestFloater", u"other", WS_OVERLAPPEDWINDOW, 0, 400, 100, 50, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_TRUE(floater && other);
  ::ShowWindow(floater, SW_SHOWNA);
  ::ShowWindow(other, SW_SHOWNA);
  auto caption = [&] {
    pv::test::PumpUntilIdle();
    return pv::test::WindowPixelNc(frame->m_hWnd, 6, 6);
  };

  ::SetActiveWindow(frame->m_hWnd);
  COLORREF active = caption();
  FloatStatus().clear();

  struct Step {
    const char* name;
    HWND activate;  // null: another program takes over
    WPARAM told;
    bool captionActive;
  } steps[] = {
      {"the floating window itself: the frame stays active", floater, FS_ACTIVATE, true},
      {"back to the frame", frame->m_hWnd, FS_ACTIVATE, true},
      {"an unrelated window: floating windows are told to go", other, FS_DEACTIVATE, false},
      {"the frame again", frame->m_hWnd, FS_ACTIVATE, true},
      {"the floating window once more", floater, FS_ACTIVATE, true},
      {"another program while the floating window is active", nullptr, FS_DEACTIVATE, false},
  };
  for (const Step& s : steps) {
    FloatStatus().clear();
    if (s.activate) {
      ::SetActiveWindow(s.activate);
    } else {
      pv::test::AppDeactivate();
      pv::test::PumpUntilIdle();
    }
    EXPECT_EQ(FloatStatus(), std::vector<WPARAM>{s.told}) << s.name;
    EXPECT_EQ(caption() == active, s.captionActive) << s.name;
  }
  ::SetActiveWindow(frame->m_hWnd);

  FloatStatus().clear();
  frame->EnableWindow(FALSE);
  frame->EnableWindow(TRUE);
  EXPECT_EQ(FloatStatus(), (std::vector<WPARAM>{FS_DISABLE, FS_ENABLE}));

  ::DestroyWindow(other);
  frame->DestroyWindow();
}

}  // namespace
