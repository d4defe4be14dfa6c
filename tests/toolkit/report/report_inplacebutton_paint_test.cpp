// The paint manager's faces of the in-place buttons (expand, combo, spin),
// classic and with visual styles, checked by their pixels in a 32-bit
// memory DC.
#include "report_control_test_support.h"
#include "report_paint_test_support.h"
#include "tests/toolkit/common/fake_uxtheme.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/report/reportinplacebutton.h"

namespace {

constexpr int kW = 17;
constexpr int kH = 20;
constexpr COLORREF kPage = RGB(255, 255, 255);

COLORREF Sys(int index) { return GetColorManager()->GetColor(index); }

class InplaceButtonPaintTest : public ReportControlTest {
 protected:
  void SetUp() override {
    tk_test::FakeUxTheme::Remove();
    ReportControlTest::SetUp();
    Make(300, 200, {100}, 1);
  }
  void TearDown() override {
    for (CTKReportInplaceButton* b : buttons) {
      b->DestroyWindow();
      delete b;
    }
    ReportControlTest::TearDown();
    tk_test::FakeUxTheme::Remove();
  }
  CTKReportInplaceButton* Button(int id) {
    auto* b = new CTKReportInplaceButton(id);
    b->pControl = control;
    EXPECT_TRUE(b->CStatic::Create(u"", WS_CHILD, CRect(0, 0, kW, kH), control));
    buttons.push_back(b);
    return b;
  }
  // The button's face drawn on a white page.
  void Draw(CTKReportPaintManager* pm, CTKReportInplaceButton* b, PaintCanvas& canvas) {
    canvas.DC()->FillSolidRect(0, 0, kW, kH, kPage);
    pm->DrawInplaceButton(canvas.DC(), b);
  }
  std::vector<CTKReportInplaceButton*> buttons;
};

// Classic faces: raised (face and dark edge outside, window colour and
// shadow inside) or pressed (dark edge top-left, window colour bottom-right),
// with the picture of the kind.
TEST_F(InplaceButtonPaintTest, ClassicFacesShowPressingAndTheirPictures) {
  CTKReportPaintManager* pm = control->GetPaintManager();
  PaintCanvas canvas(kW, kH);
  struct Case {
    int id;
    BOOL pressed;
    COLORREF topLeft, bottomRight, inner;
  };
  const COLORREF face = Sys(COLOR_BTNFACE), dark = Sys(COLOR_3DDKSHADOW), window = Sys(COLOR_WINDOW);
  for (Case c :
       {Case{kTKReportExpandButton, FALSE, face, dark, window}, Case{kTKReportExpandButton, TRUE, dark, window, face},
        Case{kTKReportComboButton, FALSE, face, dark, window}, Case{kTKReportComboButton, TRUE, dark, window, face}}) {
    SCOPED_TRACE(testing::Message() << c.id << " pressed " << c.pressed);
    CTKReportInplaceButton* b = Button(c.id);
    b->m_bPressed = c.pressed;
    Draw(pm, b, canvas);
    EXPECT_EQ(canvas.At(0, 5), c.topLeft);
    EXPECT_EQ(canvas.At(5, 0), c.topLeft);
    EXPECT_EQ(canvas.At(kW - 1, 5), c.bottomRight);
    EXPECT_EQ(canvas.At(5, kH - 1), c.bottomRight);
    EXPECT_EQ(canvas.At(1, 5), c.inner);
    if (!c.pressed) EXPECT_EQ(canvas.At(kW - 2, 5), Sys(COLOR_BTNSHADOW));
    const COLORREF ink = Sys(COLOR_BTNTEXT);
    if (c.id == kTKReportExpandButton) {
      // Three dots along the bottom.
      for (int i = 0; i < 3; i++) EXPECT_EQ(canvas.At(4 * i + 3, kH - 5), ink) << i;
    } else {
      EXPECT_EQ(canvas.At(kW / 2, kH / 2), ink);
    }
  }
  // The spin button: two halves, the held one pressed.
  CTKReportInplaceButton* spin = Button(kTKReportSpinButton);
  for (int held : {0, 1, 2}) {
    SCOPED_TRACE(held);
    spin->m_nSpinState = held;
    Draw(pm, spin, canvas);
    EXPECT_EQ(canvas.At(0, 3), held == 1 ? dark : face);
    EXPECT_EQ(canvas.At(0, kH / 2 + 3), held == 2 ? dark : face);
    EXPECT_EQ(canvas.At(kW - 1, kH / 2 - 1), held == 1 ? window : dark);
  }
}

// With visual styles the theme draws the face; the classic frame is not
// drawn. The expand button keeps its face colour and dots, or its own icon.
TEST_F(InplaceButtonPaintTest, VisualStylesReplaceTheClassicFrame) {
  tk_test::FakeUxThemeState state;
  state.classes = {u"BUTTON", u"COMBOBOX", u"SPIN"};
  tk_test::FakeUxTheme::Install(state);
  control->GetPaintManager()->RefreshMetrics();
  CTKReportPaintManager* pm = control->GetPaintManager();
  PaintCanvas canvas(kW, kH);
  for (int id : {kTKReportComboButton, kTKReportSpinButton}) {
    SCOPED_TRACE(id);
    Draw(pm, Button(id), canvas);
    EXPECT_EQ(canvas.CountColor(canvas.Rect(), kPage), kW * kH);
  }
  CTKReportInplaceButton* expand = Button(kTKReportExpandButton);
  Draw(pm, expand, canvas);
  EXPECT_EQ(canvas.At(kW - 1, 5), Sys(COLOR_BTNFACE));
  EXPECT_EQ(canvas.At(3, kH - 5), Sys(COLOR_BTNTEXT));

  // Its own icon replaces the dots, centred.
  CWindowDC screen(nullptr);
  LPBYTE bits = nullptr;
  HBITMAP bitmap = CTKImageManager::CreateDIB32(screen.GetSafeHdc(), 8, -8, &bits);
  for (int i = 0; i < 64; i++) {
    bits[i * 4] = 255;
    bits[i * 4 + 1] = bits[i * 4 + 2] = 0;
    bits[i * 4 + 3] = 255;
  }
  const UINT ids[1] = {7};
  ASSERT_TRUE(control->GetImageManager()->SetIconsFromBitmap(bitmap, ids, 1, 8, 8, 0, TRUE));
  ::DeleteObject(bitmap);
  expand->SetIconIndex(7);
  Draw(pm, expand, canvas);
  EXPECT_EQ(canvas.CountColor(canvas.Rect(), RGB(0, 0, 255)), 64);
  EXPECT_EQ(canvas.At(4, 6), RGB(0, 0, 255));
  EXPECT_EQ(canvas.At(11, 13), RGB(0, 0, 255));
  EXPECT_NE(canvas.At(3, kH - 5), Sys(COLOR_BTNTEXT));
  // An icon the image manager lacks leaves the dots.
  expand->SetIconIndex(8);
  Draw(pm, expand, canvas);
  EXPECT_EQ(canvas.At(3, kH - 5), Sys(COLOR_BTNTEXT));
}

}  // namespace
