// The shadow manager: where the shadows of an owner lie with and without
// alpha, when they are made at all, how they follow the owner (hidden,
// shown, grown, destroyed), that clicks pass through them, and the pixels
// of the alpha ramp, short shadows included.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/shadowmanager.h"

namespace {

int g_clicksBelow = 0;

LRESULT BelowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_LBUTTONDOWN) ++g_clicksBelow;
  return ::DefWindowProcW(h, msg, wp, lp);
}

class ShadowManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768, 40);
    CTKColorManager::SetScreenBitsForTests(0);
    ::SystemParametersInfoW(SPI_SETDROPSHADOW, 0, reinterpret_cast<void*>(1), 0);
  }
  void TearDown() override {
    owner_.reset();
    CTKColorManager::SetScreenBitsForTests(0);
    pvtest::ResetDesktop();
  }
  CWnd* MakeOwner(CRect rc) {
    owner_ = std::make_unique<CWnd>();
    owner_->CreateEx(0, AfxRegisterWndClass(0), u"", WS_POPUP | WS_VISIBLE, rc.left, rc.top, rc.Width(), rc.Height(),
                     nullptr, nullptr);
    return owner_.get();
  }
  static std::vector<CRect> ShadowRects(const CTKShadowManager& manager) {
    std::vector<CRect> rects;
    for (POSITION pos = manager.GetShadows().GetHeadPosition(); pos;) {
      CRect rc;
      ::GetWindowRect(manager.GetShadows().GetNext(pos)->GetSafeHwnd(), &rc);
      rects.push_back(rc);
    }
    return rects;
  }

  std::unique_ptr<CWnd> owner_;
};

TEST_F(ShadowManagerTest, ShadowsOfAnOwnerAt100_100_300_400) {
  struct Case {
    int screenBits;
    DWORD options;
    BOOL systemShadow;
    std::vector<CRect> expected;  // bottom, then right
  } cases[] = {
      {32, 0, TRUE, {CRect(104, 400, 304, 404), CRect(300, 104, 304, 400)}},
      {32, 1, FALSE, {CRect(104, 400, 304, 404), CRect(300, 104, 304, 400)}},  // bit 0: even without the setting
      {8, 1, TRUE, {CRect(102, 400, 302, 402), CRect(300, 102, 302, 400)}},    // solid 2-pixel strips
      {32, 0, FALSE, {}},
      {8, 0, TRUE, {}},
  };
  for (const Case& c : cases) {
    CTKColorManager::SetScreenBitsForTests(c.screenBits);
    ::SystemParametersInfoW(SPI_SETDROPSHADOW, 0, c.systemShadow ? reinterpret_cast<void*>(1) : nullptr, 0);
    auto* manager = new CTKShadowManager;
    manager->m_nOptions = c.options;
    EXPECT_EQ(manager->IsAlphaShadow(), c.screenBits > 8);
    CWnd* owner = MakeOwner(CRect(100, 100, 300, 400));
    manager->AddWindowShadows(owner);
    EXPECT_EQ(ShadowRects(*manager), c.expected) << c.screenBits << " " << c.options;
    if (!c.expected.empty() && c.screenBits == 8) {
      pv::test::PumpUntilIdle();
      HWND strip = manager->GetShadows().GetHead()->GetSafeHwnd();
      EXPECT_EQ(pv::test::WindowPixel(strip, 1, 1), GetColorManager()->GetColor(COLOR_BTNSHADOW));
    }
    manager->RemoveWindowShadows(owner);
    EXPECT_TRUE(manager->GetShadows().IsEmpty());
    manager->InternalRelease();
  }
}

TEST_F(ShadowManagerTest, ShadowsFollowTheirOwnerAndLetClicksThrough) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = BelowProc;
  wc.hInstance = AfxGetInstanceHandle();
  wc.lpszClassName = u"TKShadowBelow";
  ::RegisterClassW(&wc);
  ::CreateWindowExW(0, u"TKShadowBelow", u"", WS_POPUP | WS_VISIBLE, 0, 0, 1024, 728, nullptr, nullptr, nullptr,
                    nullptr);
  auto* manager = new CTKShadowManager;
  CWnd* owner = MakeOwner(CRect(100, 100, 300, 400));
  manager->AddWindowShadows(owner);
  ASSERT_EQ(manager->GetShadows().GetCount(), 2);
  const auto visible = [&] {
    int count = 0;
    for (POSITION pos = manager->GetShadows().GetHeadPosition(); pos;)
      count += ::IsWindowVisible(manager->GetShadows().GetNext(pos)->GetSafeHwnd()) ? 1 : 0;
    return count;
  };
  EXPECT_EQ(visible(), 2);

  g_clicksBelow = 0;
  pv::test::Click(302, 200);  // over the right shadow
  pv::test::PumpUntilIdle();
  EXPECT_EQ(g_clicksBelow, 1);

  owner->ShowWindow(SW_HIDE);
  EXPECT_EQ(visible(), 0);
  owner->ShowWindow(SW_SHOWNA);
  EXPECT_EQ(visible(), 2);

  // The owner grew by 20 x 30: the shadows move and stretch with it.
  manager->OffsetShadows(owner, 20, 30);
  EXPECT_EQ(ShadowRects(*manager), (std::vector<CRect>{CRect(104, 430, 324, 434), CRect(320, 104, 324, 430)}));
  int walked = 0;
  for (POSITION pos = manager->FindShadowPosition(owner); pos; ++walked) manager->GetNextShadow(pos);
  EXPECT_EQ(walked, 2);

  owner->DestroyWindow();
  EXPECT_TRUE(manager->GetShadows().IsEmpty());
  manager->InternalRelease();
}

// Pixels of one alpha shadow, read back from bottom-up rows.
struct Bitmap {
  static constexpr DWORD kGuard = 0xDEADBEEF;
  int cx, cy;
  std::vector<DWORD> bits;  // 16 guard pixels on either side
  Bitmap(int w, int h) : cx(w), cy(h), bits(static_cast<size_t>(w * h + 32), kGuard) {
    std::fill(bits.begin() + 16, bits.end() - 16, 0u);
  }
  DWORD* Pixels() { return bits.data() + 16; }
  DWORD At(int x, int y) const { return bits[16 + static_cast<size_t>((cy - 1 - y) * cx + x)]; }
  bool GuardsIntact() const {
    for (int i = 0; i < 16; ++i)
      if (bits[i] != kGuard || bits[bits.size() - 1 - i] != kGuard) return false;
    return true;
  }
};

TEST_F(ShadowManagerTest, AlphaRampPixelsStayInsideShortShadows) {
  using Shadow = CTKShadowManager::CShadowWnd;
  const COLORREF grey = RGB(100, 100, 100);
  {
    Bitmap right(4, 10);
    Shadow::FillShadowPixels(right.Pixels(), 4, 10, CTKShadowManager::kShadowRight, 2, grey);
    EXPECT_EQ(right.At(0, 5), (120u << 24) | 0x646464u);  // next to the owner: alpha 120, full colour
    EXPECT_EQ(right.At(3, 5) >> 24, 30u);                 // farthest column: 15 * 2 * 1
    EXPECT_EQ(right.At(3, 0), (6u << 24) | 0x050505u);    // outermost fade pixel: 3 * 2 * 1 * 1, colour / 20
    EXPECT_EQ(right.At(0, 3) >> 24, 96u);                 // innermost fade row: 3 * 2 * 4 * 4
    EXPECT_TRUE(right.GuardsIntact());
  }
  {
    Bitmap bottom(20, 4);
    Shadow::FillShadowPixels(bottom.Pixels(), 20, 4, CTKShadowManager::kShadowBottom, 1, 0);
    EXPECT_EQ(bottom.At(10, 0) >> 24, 60u);  // half alpha with option bit 0: 15 * 1 * 4
    EXPECT_EQ(bottom.At(0, 0) >> 24, 12u);   // fading in from the left: 3 * 1 * 4 * 1
    EXPECT_EQ(bottom.At(19, 3) >> 24, 3u);   // and out at the right
    EXPECT_TRUE(bottom.GuardsIntact());
  }
  // Shorter than the fade: the pixels that would fall outside are skipped.
  struct Short {
    int type, cx, cy;
  } cases[] = {{CTKShadowManager::kShadowRight, 4, 2},
               {CTKShadowManager::kShadowRight, 2, 3},
               {CTKShadowManager::kShadowBottom, 3, 4},
               {CTKShadowManager::kShadowBottom, 6, 2},
               {CTKShadowManager::kShadowBottom, 1, 1}};
  for (const Short& c : cases) {
    Bitmap bitmap(c.cx, c.cy);
    Shadow::FillShadowPixels(bitmap.Pixels(), c.cx, c.cy, c.type, 2, 0);
    EXPECT_TRUE(bitmap.GuardsIntact()) << c.type << " " << c.cx << "x" << c.cy;
    EXPECT_NE(bitmap.At(0, 0), 0u);
  }
}

TEST_F(ShadowManagerTest, AShadowKeepsClearOfEveryOtherPopupOfItsGroup) {
  auto* manager = new CTKShadowManager;
  manager->m_nOptions = 1;
  std::vector<std::unique_ptr<CWnd>> owners;
  const auto popup = [&](CRect rc) {
    owners.push_back(std::make_unique<CWnd>());
    owners.back()->CreateEx(0, AfxRegisterWndClass(0), u"", WS_POPUP | WS_VISIBLE, rc.left, rc.top, rc.Width(),
                            rc.Height(), nullptr, nullptr);
    return owners.back().get();
  };
  CWnd* first = popup(CRect(302, 150, 400, 200));
  CWnd* second = popup(CRect(302, 300, 400, 350));
  CWnd* menu = popup(CRect(100, 100, 300, 400));
  manager->AddWindowShadows(first);
  manager->AddWindowShadows(second);
  manager->AddWindowShadows(menu);
  POSITION pos = manager->FindShadowPosition(menu);
  manager->GetNextShadow(pos);  // the bottom shadow
  CTKShadowManager::CShadowWnd* right = manager->GetNextShadow(pos);
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(right->m_nType, CTKShadowManager::kShadowRight);
  EXPECT_TRUE(right->m_bRegion);
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(::GetWindowRgn(right->GetSafeHwnd(), region), ERROR);
  // Window coordinates of the right shadow at (300, 104): both popups are cut out.
  EXPECT_FALSE(::PtInRegion(region, 3, 70));   // (303, 174): the first popup
  EXPECT_FALSE(::PtInRegion(region, 3, 220));  // (303, 324): the second
  EXPECT_TRUE(::PtInRegion(region, 3, 150));
  EXPECT_TRUE(::PtInRegion(region, 1, 70));  // left of the popups
  ::DeleteObject(region);
  for (auto& owner : owners) manager->RemoveWindowShadows(owner.get());
  manager->InternalRelease();
}

}  // namespace
