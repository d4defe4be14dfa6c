// Group rows and row backgrounds drawn by the paint manager: check glyphs
// summing up the children's selection, formula captions placed in their
// columns, alternate shading and the focus rectangle.
#include "report_control_test_support.h"
#include "report_paint_test_support.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reportselectedrows.h"

namespace {

class GroupRowTest : public ReportControlTest {
 protected:
  // Three records in group "A" (column 0), numbers in columns 1 to 5.
  void MakeGrouped() {
    Make(600, 300, {100, 80, 80, 80, 80, 80}, 0, 0);
    control->BeginUpdate();
    for (int r = 0; r < 3; r++) {
      auto* record = new CTKReportRecord();
      record->AddItem(new CTKReportRecordItemText(u"A"));
      for (int c = 1; c < 6; c++) record->AddItem(new CTKReportRecordItemText(u"7"));
      control->AddRecord(record);
    }
    control->EndUpdate();
    control->GetColumns()->GetGroupsOrder()->Add(Col(0));
    control->RebuildRows();
    group = static_cast<CTKReportGroupRow*>(control->GetRows()->GetAt(0));
    ASSERT_TRUE(group->IsGroupRow());
    pm = control->GetPaintManager();
  }
  // The group row drawn on white; the metrics as the row fills them.
  void DrawGroup(PaintCanvas& canvas, const CString& text) {
    auto* metrics = new TK_REPORTRECORDITEM_METRICS();
    pm->FillGroupRowMetrics(group, metrics, FALSE);
    metrics->strText = text;
    pm->DrawGroupRow(canvas.DC(), group, CRect(0, 0, 600, 40), metrics);
    metrics->InternalRelease();
  }
  CTKReportGroupRow* group = nullptr;
  CTKReportPaintManager* pm = nullptr;
};

TEST_F(GroupRowTest, CheckGlyphSumsUpTheChildren) {
  MakeGrouped();
  pm->m_bGroupRowCheckBoxes = TRUE;
  CTKReportRows* children = group->GetChildRows(FALSE);
  ASSERT_EQ(children->GetCount(), 3);
  struct Case {
    int selected;
    int glyph;
  };
  for (Case c : {Case{3, tkGlyphChecked}, Case{1, tkGlyphCheckedDisabled}, Case{0, tkGlyphUnchecked}}) {
    SCOPED_TRACE(c.selected);
    control->GetSelectedRows()->Clear();
    for (int i = 0; i < c.selected; i++) children->GetAt(i)->SetSelected(TRUE);
    PaintCanvas canvas(600, 40);
    DrawGroup(canvas, group->GetCaption());
    const CRect glyphArea(group->GetExpandButtonRect());
    const CRect rc(glyphArea.right + 2, glyphArea.top, glyphArea.right, glyphArea.bottom);
    PaintCanvas expected(600, 40);
    pm->DrawGlyph(expected.DC(), rc, c.glyph);
    int differing = 0;
    for (int y = rc.top; y < rc.top + 13; y++)
      for (int x = rc.left; x < rc.left + 13; x++)
        if (canvas.At(x, y) != expected.At(x, y)) differing++;
    EXPECT_EQ(differing, 0);
  }
}

TEST_F(GroupRowTest, FormulaCaptionPartsGoIntoTheirColumns) {
  MakeGrouped();
  Paint();  // lays the header out: the columns' rectangles
  group->SetFormula(u"SUM(R1C1:R1C1)");
  pm->m_clrGroupRowText.SetCustomValue(RGB(0, 0, 0));
  PaintCanvas canvas(600, 40);
  DrawGroup(canvas, u"Word[3]12[5]34");
  const CRect col3(Col(3)->m_rcColumn), col5(Col(5)->m_rcColumn), col4(Col(4)->m_rcColumn);
  EXPECT_GT(canvas.Count(CRect(col3.left, 0, col3.right, 40), IsBlackInk), 5);
  EXPECT_GT(canvas.Count(CRect(col5.left, 0, col5.right, 40), IsBlackInk), 5);
  EXPECT_EQ(canvas.Count(CRect(col4.left, 0, col4.right, 38), IsBlackInk), 0);
}

TEST_F(GroupRowTest, UnderlineAndFocusRectangle) {
  MakeGrouped();
  pm->m_clrGroupShadeBorder.SetCustomValue(RGB(0, 0, 200));
  PaintCanvas canvas(600, 40);
  DrawGroup(canvas, u"A");
  EXPECT_EQ(canvas.CountColor(CRect(0, 38, 600, 40), RGB(0, 0, 200)), 1200);  // two pixels thick
  pm->m_nGroupGridLineStyle = 1;                                              // dashed, one pixel
  PaintCanvas dashed(600, 40);
  DrawGroup(dashed, u"A");
  EXPECT_EQ(dashed.CountColor(CRect(0, 39, 8, 40), RGB(0, 0, 200)), 4);
  EXPECT_EQ(dashed.CountColor(CRect(0, 38, 600, 39), RGB(0, 0, 200)), 0);
  // A focus rectangle: dotted, in the text colour, on the control background.
  pm->m_clrControlBack.SetCustomValue(RGB(255, 255, 255));
  PaintCanvas focus(40, 20);
  pm->DrawFocusedRow(focus.DC(), CRect(0, 0, 40, 20));
  EXPECT_GT(focus.Count(CRect(0, 0, 40, 1), IsBlackInk), 10);
  EXPECT_LT(focus.Count(CRect(0, 0, 40, 1), IsBlackInk), 30);
  EXPECT_EQ(focus.Count(CRect(1, 1, 39, 19), IsBlackInk), 0);
}

TEST_F(GroupRowTest, AlternateShadingOnOddRowsOnly) {
  Make(300, 200, {100}, 4);
  CTKReportPaintManager* paint = control->GetPaintManager();
  paint->m_bUseAlternativeBackground = TRUE;
  for (int i = 0; i < 4; i++) {
    PaintCanvas canvas(10, 10);
    paint->FillRow(canvas.DC(), control->GetRows()->GetAt(i), CRect(0, 0, 10, 10));
    EXPECT_EQ(canvas.At(5, 5), i % 2 == 1 ? RGB(224, 224, 224) : RGB(255, 255, 255)) << i;
  }
}

}  // namespace

namespace {

TEST_F(GroupRowTest, IconsArePrintedOverTheBackgroundColour) {
  Make(300, 200, {100}, 0);
  // A 16 x 16 icon: opaque blue on the left half, transparent on the right.
  CWindowDC screen(nullptr);
  LPBYTE bits = nullptr;
  HBITMAP bitmap = CTKImageManager::CreateDIB32(screen.GetSafeHdc(), 16, -16, &bits);
  ASSERT_NE(bits, nullptr);
  for (int y = 0; y < 16; y++)
    for (int x = 0; x < 16; x++) {
      BYTE* px = bits + (y * 16 + x) * 4;
      const bool left = x < 8;
      px[0] = left ? 255 : 0;  // blue
      px[1] = px[2] = 0;
      px[3] = left ? 255 : 0;
    }
  const UINT ids[1] = {5};
  ASSERT_TRUE(control->GetImageManager()->SetIconsFromBitmap(bitmap, ids, 1, 16, 16, 0, TRUE));
  ::DeleteObject(bitmap);
  CTKReportPaintManager* paint = control->GetPaintManager();
  for (BOOL printing : {FALSE, TRUE}) {
    SCOPED_TRACE(printing);
    PaintCanvas canvas(40, 40);
    canvas.SetPrinting(printing);
    canvas.DC()->SetBkColor(RGB(0, 255, 0));
    EXPECT_EQ(paint->DrawBitmap(canvas.DC(), control, CRect(0, 0, 40, 40), 5), 17);
    // Drawn at (1, 12): the opaque half is blue either way; the transparent
    // half shows the page (white), or when printing the background colour.
    EXPECT_EQ(canvas.At(4, 20), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(13, 20), printing ? RGB(0, 255, 0) : RGB(255, 255, 255));
  }
  EXPECT_EQ(paint->DrawBitmap(nullptr, control, CRect(0, 0, 0, 0), 5), 17);  // measuring only
  EXPECT_EQ(paint->DrawBitmap(nullptr, control, CRect(0, 0, 0, 0), 6), 0);   // missing
}

}  // namespace
