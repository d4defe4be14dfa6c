// Columns: display order, the order lists, indentation, widths, printed
// widths, best fit, visibility and expansion, and their stored form.
#include <gtest/gtest.h>

#include "report_test_support.h"
#include "toolkit/report/reportcolumn.h"

namespace {

// Five columns with item indexes 0..4 and captions "c0".."c4".
struct Columns {
  explicit Columns(FakeReportHost* host = nullptr, int count = 5)
      : columns(new CTKReportColumns(host ? host->Control() : nullptr)) {
    if (host) host->columns = columns;
    for (int i = 0; i < count; ++i) {
      CString caption;
      caption.Format(u"c%d", i);
      auto* column = new CTKReportColumn(i, caption, 100);
      column->SetInternalName(caption);
      columns->Add(column);
    }
  }
  ~Columns() { columns->InternalRelease(); }
  std::vector<int> Order() const {
    std::vector<int> order;
    for (int i = 0; i < columns->GetCount(); ++i) order.push_back(columns->GetAt(i)->GetItemIndex());
    return order;
  }
  CTKReportColumns* columns;
};

}  // namespace

TEST(ReportColumns, ChangeColumnOrderTable) {
  struct {
    int newPosition, oldPosition, result;
    std::vector<int> order;
  } const table[] = {
      {3, 1, 2, {0, 2, 1, 3, 4}}, {-1, 0, -1, {0, 1, 2, 3, 4}}, {2, 7, 2, {0, 1, 2, 3, 4}}, {0, 4, 0, {4, 0, 1, 2, 3}},
      {1, 1, 1, {0, 1, 2, 3, 4}}, {5, 0, 4, {1, 2, 3, 4, 0}},   {9, 0, 4, {1, 2, 3, 4, 0}},
  };
  for (const auto& c : table) {
    Columns cols;
    EXPECT_EQ(cols.columns->ChangeColumnOrder(c.newPosition, c.oldPosition), c.result)
        << c.newPosition << "," << c.oldPosition;
    EXPECT_EQ(cols.Order(), c.order) << c.newPosition << "," << c.oldPosition;
  }
}

TEST(ReportColumns, OrderInsertAtTable) {
  struct {
    std::vector<int> list;  // item indexes listed
    int position, column, result;
    std::vector<int> after;
  } const table[] = {
      {{0, 3, 4}, 2, 3, 1, {0, 3, 4}},     // already at 1, asked for 2: unchanged
      {{0, 1, 2}, 9, 3, 3, {0, 1, 2, 3}},  // past the end: appended
      {{0, 1, 2}, 0, 2, 0, {2, 0, 1}},    {{0, 1, 2}, 3, 0, 2, {1, 2, 0}},
      {{0, 1, 2}, 1, 1, 1, {0, 1, 2}},    {{0, 1}, -1, 2, -1, {0, 1}},
  };
  for (const auto& c : table) {
    Columns cols;
    CTKReportColumnOrder* order = cols.columns->GetSortOrder();
    for (int index : c.list) order->Add(cols.columns->Find(index));
    EXPECT_EQ(order->InsertAt(c.position, cols.columns->Find(c.column)), c.result);
    std::vector<int> after;
    for (int i = 0; i < order->GetCount(); ++i) after.push_back(order->GetAt(i)->GetItemIndex());
    EXPECT_EQ(after, c.after);
  }
  Columns cols;
  CTKReportColumnOrder* order = cols.columns->GetGroupsOrder();
  EXPECT_EQ(order->Add(cols.columns->GetAt(0)), 0);
  EXPECT_EQ(order->Add(cols.columns->GetAt(0)), 1) << "Add lists a column twice";
  EXPECT_EQ(order->GetAt(2), nullptr);
  EXPECT_TRUE(cols.columns->GetAt(0)->IsSorted()) << "grouped and sorts when grouped";
  EXPECT_FALSE(cols.columns->GetAt(0)->IsInSortOrder());
}

TEST(ReportColumns, GroupedIndentWidensTheFirstVisibleColumn) {
  FakeReportHost host;
  Columns cols(&host, 3);
  CTKReportColumn* first = cols.columns->GetAt(0);
  first->SetResizable(FALSE);
  first->SetAutoSize(FALSE);
  struct {
    BOOL header;
    int level;
    int width;
  } const table[] = {{TRUE, 3, 140}, {TRUE, 1, 100}, {TRUE, 0, 100}, {FALSE, 3, 100}};
  for (auto c : table) {
    host.hasHeader = c.header;
    host.indentLevel = c.level;
    EXPECT_EQ(first->GetWidth(), c.width) << c.level;
    EXPECT_EQ(first->GetMinWidth(), c.width) << "auto sizing never shrinks it below that";
  }
  host.hasHeader = TRUE;
  host.indentLevel = 3;
  EXPECT_EQ(cols.columns->GetAt(1)->GetIndent(), 0) << "only the first visible column";
  first->SetResizable(TRUE);
  EXPECT_EQ(first->GetWidth(), 100);
  EXPECT_EQ(first->GetMinWidth(), 10);
  first->SetVisible(FALSE);
  EXPECT_EQ(cols.columns->GetAt(1)->GetIndent(), 40);
}

TEST(ReportColumns, PrintWidthsShareThePage) {
  struct {
    std::vector<int> widths;
    std::vector<bool> autoSize;
    std::vector<bool> visible;
    int total;
    std::vector<int> expected;
  } const table[] = {
      {{100, 100, 100}, {true, true, true}, {true, true, true}, 300, {100, 100, 100}},
      {{100, 200, 100}, {true, true, true}, {true, true, true}, 300, {75, 150, 75}},
      {{100, 50, 100}, {true, false, true}, {true, true, true}, 250, {100, 50, 100}},
      {{100, 100, 100}, {true, true, true}, {true, false, true}, 300, {150, 0, 150}},
      {{100, 100}, {true, true}, {true, true}, 10, {10, 10}},  // the minimum width holds
  };
  for (const auto& c : table) {
    CTKReportColumns* columns = new CTKReportColumns;
    for (size_t i = 0; i < c.widths.size(); ++i) {
      auto* column = new CTKReportColumn(static_cast<int>(i), u"", c.widths[i], c.autoSize[i] ? TRUE : FALSE);
      column->SetVisible(c.visible[i] ? TRUE : FALSE);
      columns->Add(column);
    }
    for (size_t i = 0; i < c.widths.size(); ++i)
      EXPECT_EQ(columns->GetAt(static_cast<int>(i))->GetPrintWidth(c.total), c.expected[i]) << "column " << i;
    columns->InternalRelease();
  }
}

TEST(ReportColumns, WidthVisibilityAndBlocksTellTheHeader) {
  FakeReportHost host;
  Columns cols(&host);
  EXPECT_EQ(host.notices.size(), 5u) << "each Add tells the header (0x11)";
  EXPECT_EQ(host.notices[0].flags, 0x11);
  host.notices.clear();
  CTKReportColumn* c0 = cols.columns->GetAt(0);
  EXPECT_EQ(c0->SetWidth(120), 100);
  EXPECT_EQ(c0->GetStaticWidth(), 120);
  EXPECT_EQ(c0->GetAutoWidth(), 120);
  c0->SetVisible(TRUE);
  CTKReportColumn* c2 = cols.columns->GetAt(2);
  c2->SetVisible(FALSE);
  EXPECT_EQ(c2->GetOldVisibleIndex(), 2);
  c2->SetVisible(FALSE);
  c2->SetVisible(TRUE);
  std::vector<FakeReportHost::Notice> expected{{0x100, c0}, {0x401, c2}, {0x201, c2}};
  EXPECT_EQ(host.notices, expected);

  // A column at visible index 1 with a block of 2: TRUE hides indexes 2
  // and 3, FALSE shows them again.
  CTKReportColumn* c1 = cols.columns->GetAt(1);
  c1->SetNextVisualBlock(2);
  c1->SetExpanded(TRUE);
  EXPECT_TRUE(cols.columns->GetAt(0)->IsVisible());
  EXPECT_FALSE(cols.columns->GetAt(2)->IsVisible());
  EXPECT_FALSE(cols.columns->GetAt(3)->IsVisible());
  EXPECT_TRUE(cols.columns->GetAt(4)->IsVisible());
  c1->SetExpanded(FALSE);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(cols.columns->GetAt(i)->IsVisible()) << i;

  // The icon-view column loses its width when hidden.
  host.iconViewColumn = 3;
  cols.columns->GetAt(3)->SetVisible(FALSE);
  EXPECT_EQ(cols.columns->GetAt(3)->GetStaticWidth(), 0);
}

TEST(ReportColumns, BestFitAndAlignment) {
  FakeReportHost host;
  Columns cols(&host, 2);
  CTKReportColumn* c = cols.columns->GetAt(0);
  host.captionWidth = 50;
  EXPECT_EQ(c->GetBestFitWidth(), 56);
  c->SetIconID(3);
  host.iconWidth = 16;
  EXPECT_EQ(c->GetBestFitWidth(), 74);
  cols.columns->GetSortOrder()->Add(c);
  EXPECT_EQ(c->GetBestFitWidth(), 101);
  host.sortArrowPlacement = 2;
  EXPECT_EQ(c->GetBestFitWidth(), 74);
  host.dataWidth = 90;
  EXPECT_EQ(c->GetBestFitWidth(), 90);
  c->SetWidestCell(120);
  EXPECT_EQ(c->GetBestFitWidth(), 120);

  c->SetAlignment(1);
  EXPECT_EQ(c->GetDisplayAlignment(), 1);
  EXPECT_EQ(c->GetHeaderAlignment(), 0);
  host.rightToLeft = TRUE;
  EXPECT_EQ(c->GetDisplayAlignment(), 3);
  EXPECT_EQ(c->GetHeaderAlignment(), 2);
  c->SetFooterAlignment(1);
  EXPECT_EQ(c->GetFooterAlignment(), 1);
}

TEST(ReportColumnsExchange, StateRoundTripAndUnknownNames) {
  FakeReportHost host;
  Columns source(&host);
  source.columns->ChangeColumnOrder(0, 3);
  source.columns->GetAt(1)->SetWidth(77);
  source.columns->GetAt(2)->SetVisible(FALSE);
  source.columns->GetAt(0)->SetPlusMinus(TRUE);
  source.columns->GetGroupsOrder()->Add(source.columns->Find(4));
  source.columns->GetSortOrder()->Add(source.columns->Find(1));
  Bytes bytes = StoreWith(38, [&](CTKPropExchange* px) { source.columns->DoPropExchange(px); });
  Columns loaded(&host);
  host.notices.clear();
  LoadWith(38, bytes, [&](CTKPropExchange* px) { loaded.columns->DoPropExchange(px); });
  EXPECT_EQ(loaded.Order(), source.Order());
  EXPECT_EQ(loaded.columns->GetAt(1)->GetStaticWidth(), 77);
  EXPECT_FALSE(loaded.columns->GetAt(2)->IsVisible());
  EXPECT_TRUE(loaded.columns->GetAt(0)->IsPlusMinus());
  EXPECT_EQ(loaded.columns->GetGroupsOrder()->GetAt(0), loaded.columns->Find(4));
  EXPECT_EQ(loaded.columns->GetSortOrder()->GetAt(0), loaded.columns->Find(1));
  EXPECT_TRUE(host.notices.empty()) << "loading tells the header nothing";

  // The stored names no longer exist for two columns: their sections are
  // skipped, the matched columns come first in the stored order.
  Columns renamed(&host);
  renamed.columns->Find(3)->SetInternalName(u"gone3");
  renamed.columns->Find(0)->SetInternalName(u"gone0");
  LoadWith(38, bytes, [&](CTKPropExchange* px) { renamed.columns->DoPropExchange(px); });
  EXPECT_EQ(renamed.Order(), (std::vector<int>{1, 2, 4, 0, 3}));
}

TEST(ReportColumnsExchange, OlderSchemasAndBadIndexes) {
  // Schema 23 and less: no names, the item index decides; an index that
  // matches no column is a bad index (5).
  Columns source(nullptr, 3);
  source.columns->ChangeColumnOrder(0, 2);
  for (int schema : {21, 23}) {
    Bytes bytes = StoreWith(schema, [&](CTKPropExchange* px) { source.columns->DoPropExchange(px); });
    Columns loaded;
    LoadWith(schema, bytes, [&](CTKPropExchange* px) { loaded.columns->DoPropExchange(px); });
    EXPECT_EQ(loaded.Order(), (std::vector<int>{2, 0, 1, 3, 4})) << schema;
    Columns fewer(nullptr, 2);
    EXPECT_EQ(
        ArchiveCause([&] { LoadWith(schema, bytes, [&](CTKPropExchange* px) { fewer.columns->DoPropExchange(px); }); }),
        CArchiveException::badIndex);
  }
  // Below 38 a name also matches a caption.
  Bytes bytes = StoreWith(36, [&](CTKPropExchange* px) { source.columns->DoPropExchange(px); });
  Columns byCaption;
  for (int i = 0; i < 5; ++i) byCaption.columns->GetAt(i)->SetInternalName(u"");
  LoadWith(36, bytes, [&](CTKPropExchange* px) { byCaption.columns->DoPropExchange(px); });
  EXPECT_EQ(byCaption.Order(), (std::vector<int>{2, 0, 1, 3, 4}));

  // A group order of two entries of which only the second resolves.
  Bytes order = StoreWith(38, [&](CTKPropExchange* px) {
    int count = 2, index0 = 9, index1 = 1;
    CString name0 = u"nowhere", name1 = u"";
    PropExchangeIntDefault(px, u"Count", &count, 0);
    PropExchangeIntDefault(px, u"Column0", &index0, 0);
    PropExchangeString(px, u"InternalName0", &name0);
    PropExchangeIntDefault(px, u"Column1", &index1, 0);
    PropExchangeString(px, u"InternalName1", &name1);
  });
  Columns target;
  LoadWith(38, order, [&](CTKPropExchange* px) { target.columns->GetGroupsOrder()->DoPropExchange(px); });
  ASSERT_EQ(target.columns->GetGroupsOrder()->GetCount(), 1);
  EXPECT_EQ(target.columns->GetGroupsOrder()->GetAt(0), target.columns->Find(1));
}

TEST(ReportColumnsExchange, EachKeyIsStoredFromTheSchemaThatAddedIt) {
  // The archive holds the values alone, so its length tells which keys a
  // schema writes: the alignments (two ints) from 22, the internal name
  // from 24, the tree state (four 4-byte values) from 36.
  Columns source(nullptr, 1);
  source.columns->GetAt(0)->SetInternalName(u"");
  auto length = [&](int schema) {
    return static_cast<int>(StoreWith(schema, [&](CTKPropExchange* px) {
                              CTKPropExchangeSection section(px->GetSection(u"Columns"));
                              source.columns->DoPropExchange(section);
                            }).size());
  };
  const struct {
    int older, newer, added;
  } table[] = {{16, 17, 0}, {21, 22, 8}, {22, 23, 0}, {23, 24, 4}, {35, 36, 16}, {36, 38, 0}};
  for (const auto& c : table) EXPECT_EQ(length(c.newer) - length(c.older), c.added) << c.older << " to " << c.newer;
}
