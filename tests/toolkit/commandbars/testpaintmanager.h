// A look of fixed sizes for the command-bar tests, so that layouts are exact:
// every character of a caption (mnemonics left out) is 7 pixels wide and 13
// high, a control row is 22 high, a large button 66, a separator 6, borders 2. It draws nothing
// but counts what it was asked to draw.
#pragma once

#include <algorithm>

#include "toolkit/commandbars/barpaintmanager.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/control.h"

namespace cbtest {

class TestPaintManager : public CTKBarPaintManager {
 public:
  static constexpr int kCharWidth = 7;
  static constexpr int kTextHeight = 13;
  static constexpr int kControlHeight = 22;
  static constexpr int kSeparator = 6;
  static constexpr int kBorder = 2;
  // A button without caption: its icon area.
  static constexpr int kIconButton = 23;
  // A large button (icon above caption): at least this wide, and as tall
  // as a 32-pixel icon, the large caption band and 7.
  static constexpr int kLargeButtonWidth = 38;
  static constexpr int kLargeButtonHeight = 32 + 27 + 7;

  static int TextWidth(const CString& strText) { return StripMnemonics(strText).GetLength() * kCharWidth; }

  void RefreshMetrics() override { ++m_nRefreshed; }
  CFont* GetRegularFont() override { return nullptr; }
  CFont* GetRegularBoldFont() override { return nullptr; }
  CFont* GetIconFont() override { return nullptr; }
  CFont* GetSmCaptionFont() override { return nullptr; }
  CFont* GetCommandBarFont(CTKCommandBar*) override { return nullptr; }
  COLORREF GetColor(int nIndex) override {
    return nIndex >= 0 && nIndex < 63 ? RGB(nIndex, nIndex, nIndex) : static_cast<COLORREF>(nIndex);
  }
  COLORREF GetControlTextColor(CTKControl* pControl) override {
    return pControl->GetEnabled() ? RGB(0, 0, 0) : RGB(128, 128, 128);
  }
  COLORREF GetControlEditBackColor(CTKControl* pControl) override { return GetColor(pControl->GetEnabled() ? 5 : 15); }
  TKTextOrientation GetControlTextOrientation(CTKControl* pControl) override {
    CTKCommandBar* pBar = pControl->GetParent();
    const bool bVertical =
        pBar && (pBar->GetPosition() == TKBarPosition::Left || pBar->GetPosition() == TKBarPosition::Right);
    return bVertical ? TKTextOrientation::Vertical : TKTextOrientation::Horizontal;
  }
  void DrawRectangle(CDC*, CRect, const TKControlStates&, TKBarType, TKBarPosition) override { ++m_nRectangles; }
  COLORREF GetRectangleTextColor(const TKControlStates& states, TKBarType, TKBarPosition) override {
    return states.nEnabled ? RGB(0, 0, 0) : RGB(128, 128, 128);
  }
  CSize GetIconSize(BOOL bLarge) override { return bLarge ? CSize(32, 32) : CSize(16, 16); }
  int GetControlHeight() override { return kControlHeight; }
  int GetLargeControlTextHeight() override { return 27; }

  // Menu items: caption, shortcut and 32; other bars: the caption plus 8
  // (and 16 for the icon beside it), the icon area when the caption does
  // not show, or a large button. A fixed width or
  // height wins.
  CSize DrawControl(CDC*, CTKControl* pControl, BOOL bDraw) override {
    if (bDraw) {
      ++m_nDrawn;
      return CSize(0, 0);
    }
    CTKCommandBar* pBar = pControl->GetParent();
    CSize sz;
    if (pBar && pBar->GetType() == TKBarType::Popup)
      sz = CSize(TextWidth(pControl->GetCaption()) + TextWidth(pControl->GetShortcutText()) + 32, kControlHeight);
    else if (pControl->GetStyle() == TKButtonStyle::IconAboveCaption)
      sz = CSize(std::max(TextWidth(pControl->GetCaption()) + 8, kLargeButtonWidth), kLargeButtonHeight);
    else if (pControl->IsCaptionVisible())
      sz = CSize(
          TextWidth(pControl->GetCaption()) + 8 + (pControl->GetStyle() == TKButtonStyle::IconAndCaption ? 16 : 0),
          kControlHeight);
    else sz = CSize(kIconButton, kControlHeight);
    if (GetControlTextOrientation(pControl) == TKTextOrientation::Vertical) std::swap(sz.cx, sz.cy);
    if (pControl->GetWidth() > 0) sz.cx = pControl->GetWidth();
    if (pControl->GetHeight() > 0) sz.cy = pControl->GetHeight();
    return sz;
  }
  CSize DrawControlCaption(CDC*, CTKControl* pControl, CRect, BOOL bDraw, BOOL bVertical, BOOL,
                           BOOL bDropDownArrow) override {
    if (bDraw) return CSize(0, 0);
    CSize sz(TextWidth(pControl->GetCaption()) + (bDropDownArrow ? 10 : 0), kTextHeight);
    return bVertical ? CSize(sz.cy, sz.cx) : sz;
  }
  CRect GetSplitButtonCommandRect(CTKControl* pControl) override {
    CRect rc = pControl->GetRect();
    rc.right -= m_nSplitButtonDropDownWidth + 1;
    return rc;
  }
  CSize DrawCommandBarGripper(CDC*, CTKCommandBar* pBar, BOOL) override {
    return pBar && pBar->GetPosition() == TKBarPosition::Floating ? CSize(0, kTextHeight + 4) : CSize(0, 0);
  }
  CSize DrawCommandBarSeparator(CDC*, CTKCommandBar*, CTKControl*, BOOL bDraw) override {
    if (bDraw) ++m_nSeparators;
    return CSize(kSeparator, kSeparator);
  }
  CRect GetCommandBarBorders(CTKCommandBar*) override { return CRect(kBorder, kBorder, kBorder, kBorder); }
  void FillCommandBarEntry(CDC*, CTKCommandBar*) override { ++m_nFilled; }
  int GetPopupBarGripperWidth(CTKCommandBar* pBar) override {
    return pBar && pBar->GetType() == TKBarType::Popup ? pBar->GetButtonSize().cx + 1 : 0;
  }

  int m_nRefreshed = 0;
  int m_nDrawn = 0;
  int m_nRectangles = 0;
  int m_nSeparators = 0;
  int m_nFilled = 0;
};

// Installs a fixed-size look as the process-wide one for its lifetime.
class TestLookScope {
 public:
  TestLookScope() : m_pLook(new TestPaintManager()) {
    m_pLook->InternalAddRef();
    CTKBarPaintManager::SetCurrent(m_pLook);
  }
  ~TestLookScope() {
    CTKBarPaintManager::SetCurrent(nullptr);
    m_pLook->InternalRelease();
  }
  TestLookScope(const TestLookScope&) = delete;
  TestLookScope& operator=(const TestLookScope&) = delete;
  TestPaintManager* operator->() const { return m_pLook; }
  TestPaintManager* Get() const { return m_pLook; }

 private:
  TestPaintManager* m_pLook;
};

}  // namespace cbtest
