// Shapes: sizes from coordinates and Stretch, point text, drawing with fill
// and stroke (pixels sampled), and hit testing of ellipses and lines.
#include <gtest/gtest.h>

#include <string>

#include "platform/gdi/wingdi.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupelements.h"
#include "tests/toolkit/markup/markup_test_support.h"

namespace {

using markup_test::Bitmap;
using markup_test::Narrow;

class MarkupShapes : public markup_test::Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    ctx->EnableGdiPlus(FALSE);  // exact pixels; the anti-aliased back end is tested with the drawing context
  }
};

TEST_F(MarkupShapes, SizesComeFromCoordinatesOrStretch) {
  struct Case {
    const char16_t* markup;
    int cx, cy;
  } cases[] = {
      {u"<Rectangle Fill='Red'/>", 0, 0},
      {u"<Rectangle Fill='Red' Stretch='Fill'/>", 50, 40},
      {u"<Line X1='0' X2='100' Y1='10' Y2='10' Stroke='Black' StrokeThickness='3'/>", 100, 12},
      {u"<Line X1='0' X2='100' Y1='10' Y2='10'/>", 100, 10},
      {u"<Line X1='5' X2='5' Y1='0' Y2='30' Stroke='Black'/>", 6, 30},
      {u"<Polyline Points='0,0 10,10 20,0'/>", 20, 10},
      {u"<Polyline Points='5,0 5,10' Stroke='Black' StrokeThickness='4'/>", 5, 10},
      {u"<Polyline Points='30,0 40,10' Stroke='Black' StrokeThickness='4'/>", 40, 10},
      {u"<Polygon Points='-10,-10 10,10'/>", 20, 20},
      {u"<Path Data='M 2,3 L 12,8'/>", 12, 8},
      {u"<Path Data='M 2,3 L 12,8' Stretch='Uniform'/>", 50, 40},
  };
  for (const Case& c : cases) {
    Build(c.markup);
    const SIZE d = MarkupMeasureElement(root, 50, 40);
    EXPECT_EQ(d.cx, std::min(c.cx, 50)) << Narrow(CString(c.markup));
    EXPECT_EQ(d.cy, std::min(c.cy, 40)) << Narrow(CString(c.markup));
  }
  // A stretched shape in unbounded space keeps its own size.
  Build(u"<Line X1='0' X2='7' Y1='0' Y2='9' Stretch='Fill'/>");
  EXPECT_EQ(MarkupMeasureElement(root, INT_MAX, INT_MAX).cx, 7);
}

TEST_F(MarkupShapes, PointText) {
  struct Case {
    const char16_t* text;
    bool ok;
    int count;
  } cases[] = {{u"0,0 10,10 20,0", true, 3}, {u"0 0 10 10 20 0", true, 3}, {u"", true, 0},      {u"1,2 ", true, 1},
               {u"1.5,2", false, 0},         {u"0 ,0", false, 0},          {u"+1,2", false, 0}, {u"1,2,3", false, 0}};
  CTKMarkupPointCollection parser;
  for (const Case& c : cases) {
    CTKMarkupString* text = CTKMarkupString::CreateString(c.text);
    CTKMarkupObject* result = parser.ConvertFrom(nullptr, text);
    text->Release();
    auto* points = MarkupDynamicCast<CTKMarkupPointCollection>(result);
    EXPECT_EQ(points != nullptr, c.ok) << Narrow(CString(c.text));
    if (points) EXPECT_EQ(static_cast<int>(points->GetPoints().size()), c.count) << Narrow(CString(c.text));
    if (result) result->Release();
  }
  EXPECT_NE(BuildError(u"<Polyline StrokeLineJoin='Roundish'/>"), "");
  EXPECT_EQ(BuildError(u"<Polyline StrokeLineJoin='rOUND'/>"), "");
}

TEST_F(MarkupShapes, RectanglesFillInsideTheirStroke) {
  Bitmap bmp(40, 20);
  Build(u"<Rectangle Fill='#FF0000' Stroke='#0000FF' StrokeThickness='3'/>");
  RECT rc{0, 0, 40, 20};
  MarkupRenderElement(root, bmp.dc, &rc);
  EXPECT_EQ(bmp.Pixel(0, 0), 0x0000FFu);
  EXPECT_EQ(bmp.Pixel(2, 10), 0x0000FFu) << "three pixels of stroke";
  EXPECT_EQ(bmp.Pixel(3, 10), 0xFF0000u);
  EXPECT_EQ(bmp.Pixel(39, 19), 0x0000FFu);
  // StrokeThickness 0 draws no border but still fills; no Fill and no Stroke draws nothing.
  Bitmap fillOnly(10, 10);
  Build(u"<Rectangle Fill='#FF0000' Stroke='#0000FF' StrokeThickness='0'/>");
  rc = RECT{0, 0, 10, 10};
  MarkupRenderElement(root, fillOnly.dc, &rc);
  EXPECT_EQ(fillOnly.Pixel(0, 0), 0xFF0000u);
  // A rounded rectangle leaves its corners.
  Bitmap rounded(40, 20);
  Build(u"<Rectangle Fill='#FF0000' RadiusX='8' RadiusY='8'/>");
  rc = RECT{0, 0, 40, 20};
  MarkupRenderElement(root, rounded.dc, &rc);
  EXPECT_EQ(rounded.Pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(rounded.Pixel(20, 10), 0xFF0000u);
}

TEST_F(MarkupShapes, LinesPolylinesAndPathsDraw) {
  Bitmap bmp(40, 40);
  Build(u"<Polyline Points='0,0 10,10 20,0' Stroke='#0000FF' Stretch='Fill'/>");
  RECT rc{0, 0, 40, 40};
  MarkupRenderElement(root, bmp.dc, &rc);
  EXPECT_EQ(bmp.Pixel(10, 20), 0x0000FFu) << "stretched onto the box: (0,0) (20,40) (40,0)";
  EXPECT_EQ(bmp.Pixel(20, 20), 0xFFFFFFu);

  Bitmap line(20, 20);
  Build(u"<Line X1='7' X2='7' Y1='0' Y2='20' Stroke='#00FF00' Stretch='Fill'/>");
  rc = RECT{0, 0, 20, 20};
  MarkupRenderElement(root, line.dc, &rc);
  EXPECT_EQ(line.Pixel(10, 5), 0x00FF00u) << "a stretched vertical line is drawn at half the width";
  Bitmap nothing(20, 20);
  Build(u"<Line Stroke='#00FF00'/>");
  MarkupRenderElement(root, nothing.dc, &rc);
  EXPECT_EQ(nothing.Pixel(0, 0), 0xFFFFFFu) << "all coordinates 0 draw nothing";

  Bitmap path(20, 20);
  Build(u"<Path Data='M 2,2 L 18,2 18,18 2,18 Z' Fill='#FF0000'/>");
  MarkupRenderElement(root, path.dc, &rc);
  EXPECT_EQ(path.Pixel(10, 10), 0xFF0000u);
  EXPECT_EQ(path.Pixel(0, 10), 0xFFFFFFu);
}

TEST_F(MarkupShapes, EllipsesAndLinesAreHitOnTheirShape) {
  Build(u"<Ellipse Fill='Red' Width='40' Height='20'/>");
  MarkupMeasureElement(root, 100, 100);
  static_cast<CTKMarkupUIElement*>(root)->Arrange(RECT{0, 0, 40, 20});
  EXPECT_EQ(root->InputHitTest(20, 10), root);
  EXPECT_EQ(root->InputHitTest(1, 1), nullptr) << "the corner lies outside the ellipse";
  Build(u"<Ellipse Fill='Red' Width='1' Height='20'/>");
  MarkupMeasureElement(root, 100, 100);
  static_cast<CTKMarkupUIElement*>(root)->Arrange(RECT{0, 0, 1, 20});
  EXPECT_EQ(root->InputHitTest(0, 10), nullptr) << "a one-pixel ellipse is never hit";

  Build(u"<Line X1='0' Y1='0' X2='40' Y2='40' Stroke='Black' StrokeThickness='4'/>");
  MarkupMeasureElement(root, 100, 100);
  static_cast<CTKMarkupUIElement*>(root)->Arrange(RECT{0, 0, 40, 40});
  EXPECT_EQ(root->InputHitTest(20, 21), root);
  EXPECT_EQ(root->InputHitTest(20, 30), nullptr);
  Build(u"<Line X1='0' Y1='0' X2='40' Y2='40'/>");
  MarkupMeasureElement(root, 100, 100);
  static_cast<CTKMarkupUIElement*>(root)->Arrange(RECT{0, 0, 40, 40});
  EXPECT_EQ(root->InputHitTest(20, 20), nullptr) << "without a stroke a line is not hit";
}

}  // namespace
