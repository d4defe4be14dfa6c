// Layout of markup: framework element sizing, panels, border, canvas, grid,
// page and controls, checked against hand-computed rectangles.
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <string>
#include <vector>

#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markuptext.h"
#include "tests/toolkit/markup/markup_test_support.h"

namespace {

using markup_test::Narrow;

// The rectangle an element was arranged in, in its parent's coordinates.
RECT Placed(CTKMarkupVisual* v) {
  const POINT o = v->GetVisualOffset();
  const SIZE s = v->GetRenderSize();
  return RECT{o.x, o.y, o.x + s.cx, o.y + s.cy};
}

std::string Str(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}
std::string Str(const SIZE& s) { return std::to_string(s.cx) + "x" + std::to_string(s.cy); }

class MarkupLayout : public markup_test::Fixture {
 protected:
  // Measures the root at (cx, cy), then arranges it at its own size or the given one.
  SIZE Layout(int cx, int cy, int ax = -1, int ay = -1) {
    SIZE d = MarkupMeasureElement(root, cx, cy);
    static_cast<CTKMarkupUIElement*>(root)->Arrange(RECT{0, 0, ax < 0 ? d.cx : ax, ay < 0 ? d.cy : ay});
    return d;
  }
  CTKMarkupVisual* Child(int i) { return static_cast<CTKMarkupVisual*>(root)->GetVisualChild(i); }
};

TEST_F(MarkupLayout, FrameworkElementSizesAlignmentAndClipping) {
  // Width 100 capped by MaxWidth 50, inside margins of 5: 60 wide.
  Build(u"<Border Width='100' MaxWidth='50' Height='20' Margin='5'/>");
  EXPECT_EQ(Str(Layout(500, 500)), "60x30");
  // MinWidth wins over MaxWidth when larger.
  Build(u"<Border MinWidth='70' MaxWidth='50' Height='1'/>");
  EXPECT_EQ(Layout(500, 500).cx, 70);
  // Margins larger than the space: the margins cut to the space.
  Build(u"<Border Margin='30'/>");
  EXPECT_EQ(Str(Layout(40, 100)), "40x60");
  // INT_MAX stays INT_MAX inside a margin (no overflow).
  Build(u"<Border Margin='10' Width='Auto'/>");
  EXPECT_EQ(MarkupMeasureElement(root, INT_MAX, INT_MAX).cx, 20);

  // Alignment inside a 100-wide slot (a stack panel's children get the full width).
  struct Case {
    const char16_t* align;
    int width;
    int left;
  } cases[] = {
      {u"Stretch", 40, 30},   // narrower than the slot: centred
      {u"Stretch", 140, 0},   // wider: aligned left
      {u"Center", 140, -20},  // wider and centred: negative offset
      {u"Left", 40, 0},      {u"Right", 40, 60},
  };
  for (const Case& c : cases) {
    std::u16string text = u"<StackPanel><Border Height='5' HorizontalAlignment='";
    text += c.align;
    const std::string width = std::to_string(c.width);
    text += u"' Width='" + std::u16string(width.begin(), width.end()) + u"'/></StackPanel>";
    Build(text.c_str());
    Layout(100, 100, 100, 100);
    EXPECT_EQ(Placed(Child(0)).left, c.left) << Narrow(CString(c.align)) << " " << c.width;
  }
}

TEST_F(MarkupLayout, MeasureRunsOnceUntilInvalidated) {
  Build(u"<StackPanel><Border Width='30' Height='10'/></StackPanel>");
  auto* panel = static_cast<CTKMarkupUIElement*>(root);
  auto* child = static_cast<CTKMarkupFrameworkElement*>(Child(0));
  Layout(100, 100);
  // A change of a layout property re-measures in place and reaches the parent.
  child->SetValue(CTKMarkupFrameworkElement::m_pHeightProperty, new CTKMarkupInt(25));
  EXPECT_EQ(panel->GetDesiredSize().cy, 25);
  panel->Arrange(RECT{0, 0, 100, 100});
  EXPECT_EQ(Str(Placed(child)), "35,0,65,25");
}

TEST_F(MarkupLayout, StackWrapAndDockPanels) {
  Build(u"<StackPanel><Border Width='30' Height='10'/><Border Width='50' Height='20'/></StackPanel>");
  EXPECT_EQ(Str(Layout(1000, 1000)), "50x30");
  // Slots at width 40: never narrower than a child's desired width.
  static_cast<CTKMarkupStackPanel*>(root)->ArrangeOverride(40, 100);
  EXPECT_EQ(Str(static_cast<CTKMarkupUIElement*>(Child(0))->GetFinalRect()), "0,0,40,10");
  EXPECT_EQ(Str(static_cast<CTKMarkupUIElement*>(Child(1))->GetFinalRect()), "0,10,50,30");

  Build(
      u"<StackPanel Orientation='Horizontal'><Border Width='30' Height='10'/><Border Width='50' "
      u"Height='20'/></StackPanel>");
  EXPECT_EQ(Str(Layout(1000, 1000)), "80x20");
  EXPECT_EQ(Placed(Child(1)).left, 30);

  Build(
      u"<WrapPanel><Border Width='60' Height='10' VerticalAlignment='Top'/><Border Width='30' Height='20'/>"
      u"<Border Width='30' Height='5'/></WrapPanel>");
  EXPECT_EQ(Str(Layout(100, 100, 100, 100)), "90x25");
  EXPECT_EQ(Str(Placed(Child(0))), "0,0,60,10");  // line 1, thickness 20
  EXPECT_EQ(Str(Placed(Child(1))), "60,0,90,20");
  EXPECT_EQ(Str(Placed(Child(2))), "0,20,30,25");  // line 2
  // A child wider than the panel stands alone at its full width.
  Build(u"<WrapPanel><Border Width='20' Height='5'/><Border Width='150' Height='5'/></WrapPanel>");
  Layout(100, 100, 100, 100);
  EXPECT_EQ(Str(Placed(Child(1))), "0,5,150,10");
  // ItemWidth makes every child that wide.
  Build(u"<WrapPanel ItemWidth='25'><Border Width='10' Height='5'/><Border Width='60' Height='5'/></WrapPanel>");
  Layout(100, 100, 100, 100);
  EXPECT_EQ(Placed(Child(1)).left, 25);

  Build(
      u"<DockPanel><Border Width='20' Height='10' DockPanel.Dock='Left'/><Border Width='30' Height='15' "
      u"DockPanel.Dock='top'/>"
      u"<Border/></DockPanel>");
  Layout(1000, 1000, 100, 50);
  EXPECT_EQ(Str(Placed(Child(0))), "0,20,20,30");    // 10 high, centred in (0,0,20,50)
  EXPECT_EQ(Str(Placed(Child(1))), "45,0,75,15");    // 30 wide in (20,0,100,15)
  EXPECT_EQ(Str(Placed(Child(2))), "20,15,100,50");  // fills the rest
  Build(u"<DockPanel LastChildFill='False'><Border Width='20' DockPanel.Dock='Left'/><Border Width='10'/></DockPanel>");
  Layout(1000, 1000, 100, 50);
  EXPECT_EQ(Str(Placed(Child(1))), "20,0,30,50");
  EXPECT_NE(BuildError(u"<DockPanel><Border DockPanel.Dock='Middle'/></DockPanel>"), "")
      << "only the four names convert";
}

TEST_F(MarkupLayout, UniformGridCountsAndPlacement) {
  struct Case {
    int children;
    const char16_t* attrs;
    int cellsWide, cellsHigh;
  } cases[] = {{5, u"", 3, 3},          {4, u"", 2, 2},
               {0, u"", 1, 1},          {4, u" Columns='3' FirstColumn='2'", 3, 2},
               {3, u" Rows='2'", 2, 2}, {2, u" Columns='2' FirstColumn='2'", 2, 1}};
  for (const Case& c : cases) {
    std::u16string text = u"<UniformGrid";
    text += c.attrs;
    text += u">";
    for (int i = 0; i < c.children; i++) text += u"<Border Width='10' Height='10'/>";
    text += u"</UniformGrid>";
    Build(text.c_str());
    const SIZE d = Layout(1000, 1000);
    const int cell = c.children ? 10 : 0;  // the largest child times the counts
    EXPECT_EQ(d.cx, cell * c.cellsWide) << c.children << Narrow(CString(c.attrs));
    EXPECT_EQ(d.cy, cell * c.cellsHigh) << c.children << Narrow(CString(c.attrs));
  }
  // Columns 3, FirstColumn 2: the first child takes the third cell, the rest row 1.
  Build(u"<UniformGrid Columns='3' FirstColumn='2'><Border/><Border/><Border/><Border/></UniformGrid>");
  Layout(1000, 1000, 100, 60);
  EXPECT_EQ(Str(Placed(Child(0))), "66,0,99,30");
  EXPECT_EQ(Str(Placed(Child(1))), "0,30,33,60");
  EXPECT_EQ(Str(Placed(Child(3))), "66,30,99,60");  // 33-wide cells: one pixel stays empty
}

TEST_F(MarkupLayout, CanvasBorderPageAndControl) {
  Build(
      u"<Canvas><Border Width='20' Height='10' Canvas.Right='5' Canvas.Bottom='5'/><Border Width='20' Height='10' "
      u"Canvas.Left='10' Canvas.Right='10'/>"
      u"<Border Width='20' Height='10'/><Border Width='20' Height='10' Canvas.Left='-5'/></Canvas>");
  EXPECT_EQ(Str(Layout(1000, 1000, 100, 50)), "0x0");
  EXPECT_EQ(Str(Placed(Child(0))), "75,35,95,45");
  EXPECT_EQ(Placed(Child(1)).left, 10) << "Right counts only without Left";
  EXPECT_EQ(Str(Placed(Child(2))), "0,0,20,10");
  EXPECT_EQ(Placed(Child(3)).left, -5);

  Build(u"<Border BorderThickness='2' Padding='3'/>");
  EXPECT_EQ(Str(Layout(100, 100)), "10x10");
  Build(u"<Border BorderThickness='2' Padding='3'><Border Width='20' Height='5'/></Border>");
  EXPECT_EQ(Str(Layout(100, 100)), "30x15");
  Layout(100, 100, 60, 40);
  EXPECT_EQ(Str(Placed(Child(0))), "20,17,40,22");  // centred in (5,5,55,35)

  Build(u"<Page><Border Width='7' Height='8'/></Page>");
  EXPECT_EQ(Str(Layout(100, 100)), "7x8");
  const std::string error = BuildError(u"<Page><Border/><Border/></Page>");
  EXPECT_NE(error.find("'CTKMarkupPage' already has a child"), std::string::npos) << error;
  // A button adds its padding and a 4-pixel edge on every side.
  Build(u"<Button Padding='10'><Border Width='20' Height='5'/></Button>");
  EXPECT_EQ(Str(Layout(100, 100)), "48x33");
  EXPECT_EQ(Str(Placed(Child(0))), "14,14,34,19");
  Build(u"<Button/>");
  EXPECT_EQ(Str(Layout(100, 100)), "8x8");
  Build(u"<CheckBox Padding='1,2,3,4'/>");
  EXPECT_EQ(Str(Layout(100, 100)), "20x6");
  Build(u"<RadioButton/>");
  EXPECT_EQ(Str(Layout(100, 100)), "16x13");
  // A plain panel never measures or arranges its children.
  Build(u"<Panel><Border Width='20' Height='5'/></Panel>");
  EXPECT_EQ(Str(Layout(100, 100)), "0x0");
  EXPECT_EQ(Str(static_cast<CTKMarkupUIElement*>(Child(0))->GetRenderSize()), "0x0");
}

TEST_F(MarkupLayout, GridLengthsParse) {
  struct Case {
    const char16_t* text;
    bool ok;
    double value;
    int unit;
  } cases[] = {{u"Auto", true, 0, 0},    {u"aUTO", true, 0, 0},    {u"*", true, 1, 2},     {u"2.5*", true, 2.5, 2},
               {u"2.5 *", true, 2.5, 2}, {u"10.7", true, 10.7, 1}, {u" 10 ", true, 10, 1}, {u"  *", false, 0, 0},
               {u"10px", false, 0, 0},   {u"", false, 0, 0}};
  CTKMarkupGridLength parser;
  for (const Case& c : cases) {
    CTKMarkupString* text = CTKMarkupString::CreateString(c.text);
    CTKMarkupObject* result = parser.ConvertFrom(nullptr, text);
    text->Release();
    auto* length = MarkupDynamicCast<CTKMarkupGridLength>(result);
    EXPECT_EQ(length != nullptr, c.ok) << Narrow(CString(c.text));
    if (length) {
      EXPECT_DOUBLE_EQ(length->m_dValue, c.value) << Narrow(CString(c.text));
      EXPECT_EQ(length->m_nUnit, c.unit) << Narrow(CString(c.text));
    }
    if (result) result->Release();
  }
}

TEST_F(MarkupLayout, GridSizesDefinitionsFromTheirCells) {
  // Auto + star: the star column's minimum is its content, the arrange gives it the rest.
  Build(
      u"<Grid><Grid.ColumnDefinitions><ColumnDefinition Width='Auto'/><ColumnDefinition "
      u"Width='*'/></Grid.ColumnDefinitions>"
      u"<Border Width='40' Height='5' HorizontalAlignment='Left'/><Border Grid.Column='1' Width='10' Height='5' "
      u"HorizontalAlignment='Left'/></Grid>");
  EXPECT_EQ(Layout(200, 100).cx, 50);
  Layout(200, 100, 200, 100);
  EXPECT_EQ(Placed(Child(1)).left, 40);
  auto* grid = static_cast<CTKMarkupGrid*>(root);
  auto* col1 = static_cast<CTKMarkupDefinitionBase*>(grid->GetColumnDefinitions()->GetItem(1));
  EXPECT_EQ(col1->m_nFinalOffset, 40);
  EXPECT_EQ(static_cast<int>(col1->m_dScratch), 160);

  // Two empty star columns, the first capped at 20: the uncapped one resolves first.
  Build(
      u"<Grid><Grid.ColumnDefinitions><ColumnDefinition MaxWidth='20'/><ColumnDefinition/></Grid.ColumnDefinitions>"
      u"<Border/><Border Grid.Column='1'/></Grid>");
  Layout(100, 100, 100, 100);
  EXPECT_EQ(Str(Placed(Child(0))), "0,0,20,100");
  EXPECT_EQ(Str(Placed(Child(1))), "20,0,70,100");

  // A child spanning two Auto columns of 10 and 20 asks for 60: each becomes 30.
  Build(
      u"<Grid><Grid.ColumnDefinitions><ColumnDefinition Width='Auto'/><ColumnDefinition "
      u"Width='Auto'/></Grid.ColumnDefinitions>"
      u"<Border Width='10' Height='1'/><Border Grid.Column='1' Width='20' Height='1'/><Border Grid.ColumnSpan='2' "
      u"Width='60' Height='1'/></Grid>");
  EXPECT_EQ(Layout(1000, 1000).cx, 60);
  Layout(1000, 1000, 60, 10);
  EXPECT_EQ(Placed(Child(1)).left, 35) << "column 1 starts at 30 and centres a 20-wide child";

  // Column beyond the last and a negative row are clamped; a pixel column truncates.
  Build(
      u"<Grid><Grid.ColumnDefinitions><ColumnDefinition Width='10.7'/><ColumnDefinition "
      u"Width='30'/></Grid.ColumnDefinitions>"
      u"<Border Grid.Column='5' Grid.Row='-3'/></Grid>");
  Layout(100, 100, 100, 100);
  EXPECT_EQ(Str(Placed(Child(0))), "10,0,40,100");

  // A star column measured with more than 32000 sizes to content; it is a star again at arrange.
  Build(
      u"<Grid><Grid.ColumnDefinitions><ColumnDefinition/></Grid.ColumnDefinitions><Border Width='15' "
      u"Height='1'/></Grid>");
  EXPECT_EQ(Layout(40000, 100).cx, 15);

  // Without definitions every child covers the whole grid.
  Build(u"<Grid><Border Width='10' Height='30'/><Border Width='20' Height='5'/></Grid>");
  EXPECT_EQ(Str(Layout(100, 100)), "20x30");

  EXPECT_NE(BuildError(u"<Grid><Grid.ColumnDefinitions><RowDefinition/></Grid.ColumnDefinitions></Grid>"), "");
}

TEST_F(MarkupLayout, StarWeightsOfAnySize) {
  // About 1e308: finite, but two of them add up to infinity.
  const std::u16string huge(308, u'9');
  struct Case {
    std::u16string first, second;
    const char* expected;  // the two children's places
  } cases[] = {
      {huge + u"*", u"30", "0,0,270,10 270,0,300,10"},
      {huge + u"*", huge + u"*", "0,0,150,10 150,0,300,10"},
      {u"1*", huge + u"*", "0,0,0,10 0,0,300,10"},
  };
  for (const Case& c : cases) {
    Build(u"<Grid><Grid.ColumnDefinitions><ColumnDefinition Width='" + c.first + u"'/><ColumnDefinition Width='" +
          c.second + u"'/></Grid.ColumnDefinitions><Border/><Border Grid.Column='1'/></Grid>");
    ASSERT_NE(root, nullptr);
    Layout(300, 10, 300, 10);
    EXPECT_EQ(Str(Placed(Child(0))) + " " + Str(Placed(Child(1))), c.expected) << Narrow(c.first + u" " + c.second);
  }
  // A weight or length too long to be a number reads as infinity: it does not convert.
  const std::u16string infinite(400, u'9');
  for (const std::u16string& width : {infinite + u"*", infinite}) {
    const std::string error = BuildError(
        (u"<Grid><Grid.ColumnDefinitions><ColumnDefinition Width='" + width + u"'/></Grid.ColumnDefinitions></Grid>")
            .c_str());
    EXPECT_NE(error.find("Cannot convert string in attribute 'Width'"), std::string::npos) << error;
  }
  // Set from code, a weight that is not finite shares nothing: the pixel column
  // beside it keeps its place.
  for (double weight : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    Build(
        u"<Grid><Grid.ColumnDefinitions><ColumnDefinition/><ColumnDefinition Width='30'/></Grid.ColumnDefinitions>"
        u"<Border/><Border Grid.Column='1'/></Grid>");
    auto* grid = static_cast<CTKMarkupGrid*>(root);
    grid->GetColumnDefinitions()->GetItem(0)->SetValue(CTKMarkupColumnDefinition::m_pWidthProperty,
                                                       new CTKMarkupGridLength(weight, CTKMarkupGridLength::unitStar));
    Layout(300, 10, 300, 10);
    EXPECT_EQ(Str(Placed(Child(0))) + " " + Str(Placed(Child(1))), "0,0,0,10 0,0,30,10") << weight;
  }
}

TEST_F(MarkupLayout, HostileSizesSaturateInsteadOfWrapping) {
  // Every size, position and count at the ends of the int range, laid out at a
  // bounded and at the unbounded size and drawn through both back ends. The
  // sums saturate (undefined behaviour aborts the sanitizer build).
  const std::u16string kMax = u"2147483647", kMin = u"-2147483648";
  struct Case {
    std::u16string markup;
    const char* desired;  // at an unbounded available size, or null when any size will do
  } cases[] = {
      {u"<Border Margin='" + kMax + u"'/>", "2147483647x2147483647"},
      {u"<Border Margin='" + kMin + u"'/>", "0x0"},
      {u"<Border Margin='" + kMax + u",0," + kMax + u",0' Width='10' Height='10'/>", "2147483647x10"},
      {u"<Border Margin='" + kMin + u",0," + kMax + u",0' Width='10' Height='10'/>", nullptr},
      {u"<Border BorderThickness='" + kMax + u"' Padding='" + kMax +
           u"' Background='Red' BorderBrush='Blue'>"
           u"<Border Width='10'/></Border>",
       "2147483647x2147483647"},
      {u"<Border BorderThickness='" + kMin + u"' Padding='" + kMin +
           u"' Background='Red' BorderBrush='Blue'"
           u" CornerRadius='" +
           kMax + u"'><Border Width='10'/></Border>",
       nullptr},
      {u"<StackPanel><Border Height='2147483646'/><Border Height='2147483646'/><Border Height='10'/></StackPanel>",
       "0x2147483647"},
      {u"<StackPanel Orientation='Horizontal'><Border Width='2147483646'/><Border Width='2147483646'/></StackPanel>",
       "2147483647x0"},
      {u"<DockPanel><Border Width='2147483646' DockPanel.Dock='Left'/><Border Height='2147483646' "
       u"DockPanel.Dock='Top'/><Border Width='2147483646' DockPanel.Dock='Right'/><Border Height='2147483646' "
       u"DockPanel.Dock='Bottom'/><Border/></DockPanel>",
       nullptr},
      {u"<WrapPanel ItemWidth='" + kMax + u"' ItemHeight='" + kMax + u"'><Border/><Border/><Border/></WrapPanel>",
       nullptr},
      {u"<WrapPanel ItemWidth='" + kMin + u"' ItemHeight='" + kMin + u"'><Border/><Border/><Border/></WrapPanel>",
       nullptr},
      {u"<UniformGrid Rows='" + kMax + u"'><Border Width='10' Height='10'/><Border/></UniformGrid>", nullptr},
      {u"<UniformGrid Columns='" + kMax +
           u"' FirstColumn='2147483646'><Border Width='10' Height='10'/><Border/>"
           u"</UniformGrid>",
       nullptr},
      {u"<UniformGrid Rows='1' Columns='1'><Border Height='" + kMax + u"'/><Border/><Border/></UniformGrid>", nullptr},
      {u"<Canvas><Border Width='10' Height='10' Canvas.Left='" + kMax + u"' Canvas.Top='" + kMax +
           u"' Background='Red'/><Border Width='" + kMax + u"' Height='10' Canvas.Right='" + kMin +
           u"' Canvas.Bottom='" + kMin + u"' Background='Red'/></Canvas>",
       "0x0"},
      {u"<Grid><Grid.ColumnDefinitions><ColumnDefinition Width='" + kMax + u"'/><ColumnDefinition Width='" + kMax +
           u"'/><ColumnDefinition MinWidth='" + kMax +
           u"'/></Grid.ColumnDefinitions><Border Grid.ColumnSpan='3' "
           u"Width='" +
           kMax + u"'/><Border Grid.Column='2'/></Grid>",
       nullptr},
      {u"<Grid><Grid.RowDefinitions><RowDefinition Height='" + std::u16string(300, u'9') +
           u"'/><RowDefinition "
           u"Height='Auto'/></Grid.RowDefinitions><Border Grid.RowSpan='2' Height='" +
           kMax + u"'/></Grid>",
       nullptr},
      {u"<Rectangle Width='" + kMax + u"' Height='" + kMax + u"' RadiusX='" + kMax + u"' RadiusY='" + kMax +
           u"' Stroke='Red' StrokeThickness='" + kMin + u"' Fill='Blue'/>",
       nullptr},
      {u"<Rectangle Width='" + kMax + u"' Height='10' Stroke='Red' StrokeThickness='" + kMax + u"' Fill='Blue'/>",
       nullptr},
      {u"<Line X1='" + kMin + u"' Y1='5' X2='" + kMax + u"' Y2='5' Stroke='Red' StrokeThickness='" + kMax + u"'/>",
       nullptr},
      {u"<Line X1='" + kMax + u"' Y1='" + kMin + u"' X2='" + kMax + u"' Y2='" + kMax +
           u"' Stroke='Red' "
           u"Stretch='Fill'/>",
       nullptr},
      {u"<Polyline Points='" + kMin + u"," + kMin + u" " + kMax + u"," + kMax + u"' Stroke='Red' Stretch='Fill'/>",
       nullptr},
      {u"<Polygon Points='" + kMin + u",0 " + kMax + u",10 0," + kMax + u"' Stroke='Red' Fill='Blue'/>", nullptr},
      {u"<Path Data='M -99999999999999999999 0 L 99999999999999999999 99999999999999999999 Z' Stroke='Red' "
       u"Fill='Blue'/>",
       nullptr},
      {u"<Ellipse Width='" + kMax + u"' Height='" + kMax + u"' Stroke='Red' StrokeThickness='" + kMax +
           u"' Fill='Blue'/>",
       nullptr},
      {u"<TextBlock FontSize='" + kMax + u"' TextDecorations='Underline'>Wg</TextBlock>", nullptr},
      {u"<TextBlock FontSize='" + kMin + u"' TextDecorations='Strikethrough'>Wg</TextBlock>", nullptr},
      {u"<TextBlock Padding='" + kMax + u"' TextWrapping='Wrap' TextAlignment='Justify'>a b c d</TextBlock>", nullptr},
      {u"<TextBlock Padding='" + kMin + u"' TextTrimming='CharacterEllipsis' TextAlignment='Center'>a b</TextBlock>",
       nullptr},
      {u"<ScrollViewer VerticalScrollBarVisibility='Auto' HorizontalScrollBarVisibility='Auto'><Border Width='" + kMax +
           u"' Height='" + kMax + u"' Background='Red'/></ScrollViewer>",
       nullptr},
      {u"<Border Width='" + kMax + u"' Height='" + kMax +
           u"'><Border.Background><LinearGradientBrush "
           u"StartPoint='0,0' EndPoint='1,1'><GradientStop Color='Red' Offset='-0.5'/><GradientStop Color='Blue' "
           u"Offset='" +
           std::u16string(400, u'9') + u"'/></LinearGradientBrush></Border.Background></Border>",
       nullptr},
  };
  for (const Case& c : cases) {
    const std::string where = Narrow(c.markup);
    Build(c.markup);
    ASSERT_NE(root, nullptr) << where;
    auto* element = static_cast<CTKMarkupUIElement*>(root);
    for (BOOL gdiPlus : {TRUE, FALSE}) {
      ctx->EnableGdiPlus(gdiPlus);
      markup_test::Bitmap bitmap(60, 40);
      RECT rc{0, 0, 60, 40};
      MarkupMeasureElement(root, 60, 40);
      MarkupRenderElement(root, bitmap.dc, &rc);
      const SIZE d = MarkupMeasureElement(root, INT_MAX, INT_MAX);
      element->Arrange(RECT{0, 0, d.cx, d.cy});
      MarkupRenderElement(root, bitmap.dc, &rc);
      element->InputHitTest(30, 20);
      if (c.desired) EXPECT_EQ(Str(d), c.desired) << where;
    }
    ctx->EnableGdiPlus(TRUE);
  }
}

TEST_F(MarkupLayout, ChangingADefinitionReMeasuresTheGrid) {
  Build(
      u"<StackPanel><Grid><Grid.ColumnDefinitions><ColumnDefinition "
      u"Width='30'/></Grid.ColumnDefinitions></Grid></StackPanel>");
  Layout(1000, 1000);
  auto* grid = static_cast<CTKMarkupGrid*>(Child(0));
  EXPECT_EQ(grid->GetDesiredSize().cx, 30);
  auto* column = grid->GetColumnDefinitions()->GetItem(0);
  column->SetValue(CTKMarkupColumnDefinition::m_pWidthProperty,
                   new CTKMarkupGridLength(45, CTKMarkupGridLength::unitPixel));
  EXPECT_EQ(grid->GetDesiredSize().cx, 45);
  EXPECT_EQ(static_cast<CTKMarkupUIElement*>(root)->GetDesiredSize().cx, 45);
}

}  // namespace
