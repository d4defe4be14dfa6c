// The report control's layout state: stored and loaded through an archive
// and an INI file, with columns the loading control lacks, archives of
// older schemas or cut short, and the icon view around the exchange.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "report_engine_support.h"
#include "platform/system/msgbox.h"
#include "tests/support/temp_home.h"
#include "tests/toolkit/report/report_test_support.h"
#include "toolkit/common/propexchange_backends.h"
#include "toolkit/report/reportheader.h"

using namespace rptest;

namespace {

// The values the state holds, read off a control.
struct State {
  std::vector<std::string> columns;  // internal name, width, visibility, in display order
  std::vector<std::string> groups, sorts;
  BOOL showGroupBox, fullColumnScrolling;
  int hScrollStep, freeze;
  BOOL freezeAbs, movePivot, forcePagination, strictBestFit, excludeGroupRows, desktopTracker;
  BOOL allowRemove, autoSizing, itemsInGroups;
  bool operator==(const State&) const = default;
};

State Read(CTKReportControl& c) {
  State s{};
  CTKReportColumns* columns = c.GetColumns();
  for (int i = 0; i < columns->GetCount(); ++i) {
    CTKReportColumn* column = columns->GetAt(i);
    s.columns.push_back(Narrow(column->GetInternalName()) + ":" + std::to_string(column->GetWidth()) + ":" +
                        (column->IsVisible() ? "v" : "h"));
  }
  for (int i = 0; i < columns->GetGroupsOrder()->GetCount(); ++i)
    s.groups.push_back(Narrow(columns->GetGroupsOrder()->GetAt(i)->GetInternalName()));
  for (int i = 0; i < columns->GetSortOrder()->GetCount(); ++i)
    s.sorts.push_back(Narrow(columns->GetSortOrder()->GetAt(i)->GetInternalName()));
  s.showGroupBox = c.IsGroupByVisible();
  s.fullColumnScrolling = c.IsFullColumnScrolling();
  s.hScrollStep = c.m_nHScrollStep;
  s.freeze = c.GetFreezeColumnsCount();
  s.freezeAbs = c.m_nFreezeColumnsAbs;
  s.movePivot = c.m_bMovePivot;
  s.forcePagination = c.m_bForcePagination;
  s.strictBestFit = c.m_bStrictBestFit;
  s.excludeGroupRows = c.m_bSelectionExcludeGroupRows;
  s.desktopTracker = c.m_bDesktopTrackerMode;
  s.allowRemove = c.GetReportHeader()->m_bAllowColumnRemove;
  s.autoSizing = c.GetReportHeader()->m_bAutoColumnSizing;
  s.itemsInGroups = c.GetReportHeader()->m_bShowItemsInGroups;
  return s;
}

class StateTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    Name(control.get(), {u"name", u"text", u"number"});
  }
  static void Name(CTKReportControl* c, std::vector<const char16_t*> names) {
    for (size_t i = 0; i < names.size(); ++i) c->GetColumns()->GetAt(static_cast<int>(i))->SetInternalName(names[i]);
  }
  // Changes every value of the state away from its default.
  void Change(CTKReportControl* c) {
    CTKReportColumns* columns = c->GetColumns();
    columns->GetAt(1)->SetWidth(150);
    columns->GetAt(2)->SetVisible(FALSE);
    columns->ChangeColumnOrder(0, 2);
    columns->GetGroupsOrder()->Add(columns->FindByInternalName(u"text"));
    columns->GetSortOrder()->Add(columns->FindByInternalName(u"name"));
    c->ShowGroupBy(TRUE);
    c->GetReportHeader()->m_bAutoColumnSizing = FALSE;
    c->SetFullColumnScrolling(TRUE);
    c->m_nHScrollStep = 11;
    c->SetFreezeColumnsCount(1, FALSE);
    c->m_nFreezeColumnsAbs = TRUE;
    c->m_bMovePivot = TRUE;
    c->m_bForcePagination = TRUE;
    c->m_bStrictBestFit = TRUE;
    c->m_bSelectionExcludeGroupRows = FALSE;
    c->m_bDesktopTrackerMode = TRUE;
    c->GetReportHeader()->m_bAllowColumnRemove = FALSE;
    c->GetReportHeader()->m_bShowItemsInGroups = TRUE;
  }
  Bytes Store(CTKReportControl* c) {
    return StoreWith(38, [&](CTKPropExchange* px) { c->DoPropExchange(px); });
  }
  std::unique_ptr<CTKReportControl> Other(std::vector<const char16_t*> names) {
    auto other = std::make_unique<CTKReportControl>();
    EXPECT_TRUE(other->Create(WS_CHILD, CRect(0, 0, 300, 200), host.get(), 8));
    for (size_t i = 0; i < names.size(); ++i) {
      other->AddColumn(new CTKReportColumn(static_cast<int>(i), u"", 100));
      other->GetColumns()->GetAt(static_cast<int>(i))->SetInternalName(names[i]);
    }
    return other;
  }
};

TEST_F(StateTest, ArchiveAndIniRoundTripsGiveTheSameState) {
  Change(control.get());
  State changed = Read(*control);
  ASSERT_FALSE(changed == Read(*Other({u"name", u"text", u"number"})));

  // SerializeState is the archive flavour of the same exchange.
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    control->SerializeState(ar);
    ar.Close();
  }
  EXPECT_EQ(file.GetLength(), Store(control.get()).size());
  file.SeekToBegin();
  auto fromArchive = Other({u"name", u"text", u"number"});
  {
    CArchive ar(&file, CArchive::load);
    fromArchive->SerializeState(ar);
  }
  EXPECT_EQ(Read(*fromArchive), changed);

  pvtest::TempFolder dir("pv_reportstate");
  std::u16string path = Wide(dir.File("state.ini")).GetString();
  {
    CTKPropExchangeIniFile px(FALSE, nullptr, u"Report");
    px.AssignFile(path.c_str());
    control->DoPropExchange(&px);
  }
  auto fromIni = Other({u"name", u"text", u"number"});
  {
    CTKPropExchangeIniFile px(TRUE, nullptr, u"Report");
    px.AssignFile(path.c_str());
    fromIni->DoPropExchange(&px);
  }
  EXPECT_EQ(Read(*fromIni), changed);
}

TEST_F(StateTest, ColumnsTheLoadingControlLacksAreSkipped) {
  Change(control.get());
  Bytes stored = Store(control.get());
  // No "text" column, and an "extra" one the state does not know.
  auto other = Other({u"name", u"number", u"extra"});
  LoadWith(38, stored, [&](CTKPropExchange* px) { other->DoPropExchange(px); });
  State loaded = Read(*other);
  // The known columns take their stored widths (the state has automatic
  // sizing off, so the loading control must not spread them over its own
  // width); the unknown one keeps its own.
  auto stored_width = [&](const char16_t* name) {
    return std::to_string(control->GetColumns()->FindByInternalName(name)->GetWidth());
  };
  EXPECT_EQ(loaded.columns, (std::vector<std::string>{"number:" + stored_width(u"number") + ":h",
                                                      "name:" + stored_width(u"name") + ":v", "extra:100:v"}));
  EXPECT_EQ(loaded.sorts, std::vector<std::string>{"name"});
  // The values after the columns are read all the same.
  EXPECT_TRUE(loaded.showGroupBox);
  EXPECT_EQ(loaded.hScrollStep, 11);
  EXPECT_FALSE(loaded.allowRemove);
  EXPECT_TRUE(loaded.desktopTracker);
}

TEST_F(StateTest, OlderAndShortArchivesKeepWhatTheyDoNotHold) {
  Change(control.get());
  State before = Read(*Other({u"name", u"text", u"number"}));
  // An archive written before the schema marker existed (schema 17):
  // columns, group box, frozen count, header and icon view only.
  Bytes old = StoreWith(17, [&](CTKPropExchange* px) { control->DoPropExchange(px); });
  Bytes marker = StoreWith(38, [](CTKPropExchange* px) {
    px->m_nSchema = 17;
    px->ExchangeSchemaTolerant();
  });
  for (auto at = std::search(old.begin(), old.end(), marker.begin(), marker.end()); at != old.end();
       at = std::search(old.begin(), old.end(), marker.begin(), marker.end()))
    old.erase(at, at + static_cast<long>(marker.size()));
  auto fromOld = Other({u"name", u"text", u"number"});
  LoadWith(38, old, [&](CTKPropExchange* px) { fromOld->DoPropExchange(px); });
  State loaded = Read(*fromOld);
  EXPECT_TRUE(loaded.showGroupBox);
  EXPECT_EQ(loaded.freeze, 1);
  EXPECT_FALSE(loaded.allowRemove);
  EXPECT_EQ(loaded.hScrollStep, before.hScrollStep);
  EXPECT_EQ(loaded.fullColumnScrolling, before.fullColumnScrolling);
  EXPECT_EQ(loaded.movePivot, before.movePivot);
  EXPECT_EQ(loaded.desktopTracker, before.desktopTracker);

  // Cut short after the columns: nothing of it is applied, nothing escapes.
  Bytes full = Store(control.get());
  Bytes columnsOnly = StoreWith(38, [&](CTKPropExchange* px) {
    px->ExchangeSchemaTolerant();
    CTKPropExchangeSection section(px->GetSection(u"Columns"));
    control->GetColumns()->DoPropExchange(section);
  });
  auto fromShort = Other({u"name", u"text", u"number"});
  const State untouched = Read(*fromShort);
  LoadWith(38, Bytes(full.begin(), full.begin() + static_cast<long>(columnsOnly.size()) + 2),
           [&](CTKPropExchange* px) { fromShort->DoPropExchange(px); });
  EXPECT_EQ(Read(*fromShort), untouched);
}

// Collects what the program writes to the debugger while it lives.
class DebugOutput {
 public:
  DebugOutput() : previous_(pv::SetDebugOutputSink([this](std::u16string_view t) { lines.emplace_back(t); })) {}
  ~DebugOutput() { pv::SetDebugOutputSink(previous_); }
  std::vector<std::u16string> lines;

 private:
  pv::DebugOutputSink previous_;
};

// A stored state that cannot be applied whole is not applied at all: the
// control keeps every value it had, and the refusal is told once.
TEST_F(StateTest, DamagedStatesLeaveTheControlAsItWas) {
  Change(control.get());
  const Bytes good = Store(control.get());
  auto storedWithWidth = [&](int width) {
    auto source = Other({u"name", u"text", u"number"});
    source->GetColumns()->GetAt(1)->m_nColumnStaticWidth = width;  // as a damaged file would hold it
    return Store(source.get());
  };
  auto storedWithoutNames = [&]() {
    auto source = Other({u"", u"", u""});
    source->GetColumns()->GetAt(2)->m_nItemIndex = 7;  // a column the loading control does not have
    return Store(source.get());
  };
  // A column list that announces a million entries and holds none.
  const Bytes million = StoreWith(38, [](CTKPropExchange* px) {
    px->ExchangeSchemaTolerant();
    CTKPropExchangeSection section(px->GetSection(u"Columns"));
    CTKPropExchangeEnumeratorHolder enumerator(section->GetEnumerator(u"Column"));
    enumerator->GetPosition(1000000);
  });
  struct Case {
    const char* what;
    Bytes bytes;
    const char* reason;
  };
  std::vector<Case> cases = {
      {"a width of INT_MAX", storedWithWidth(INT_MAX), "pixels wide"},
      {"a negative width", storedWithWidth(-40), "pixels wide"},
      {"a million columns", million, "1000000 columns"},
      {"a column that is not there", storedWithoutNames(), "not there"},
      {"empty", Bytes{}, "ends before"},
  };
  // Every length the good state can be cut to.
  for (std::size_t length = 1; length < good.size(); ++length)
    cases.push_back({"cut short", Bytes(good.begin(), good.begin() + static_cast<long>(length)), "not loaded"});

  auto other = Other({u"name", u"text", u"number"});
  other->GetColumns()->GetAt(0)->SetWidth(77);
  other->m_nHScrollStep = 3;
  other->SetFreezeColumnsCount(2, FALSE);
  const State before = Read(*other);
  for (const Case& c : cases) {
    DebugOutput output;
    LoadWith(38, c.bytes, [&](CTKPropExchange* px) { other->DoPropExchange(px); });
    EXPECT_EQ(Read(*other), before) << c.what << ", " << c.bytes.size() << " bytes";
    ASSERT_EQ(output.lines.size(), 1u) << c.what << ", " << c.bytes.size() << " bytes";
    EXPECT_NE(Narrow(output.lines[0].c_str()).find(c.reason), std::string::npos)
        << c.what << ", " << c.bytes.size() << " bytes: " << Narrow(output.lines[0].c_str());
  }
  // The good state itself loads whole, and says nothing.
  DebugOutput output;
  LoadWith(38, good, [&](CTKPropExchange* px) { other->DoPropExchange(px); });
  EXPECT_EQ(Read(*other), Read(*control));
  EXPECT_TRUE(output.lines.empty());
}

// Widths given through the columns are held within the bounds a stored
// state must keep, so what is stored can always be loaded again.
TEST_F(StateTest, WidthsAreHeldWithinTheirBoundsAndLoadAgain) {
  struct Case {
    int given, kept;
  };
  const Case cases[] = {{-40, 0},
                        {0, 0},
                        {150, 150},
                        {kTKReportMaxColumnWidth, kTKReportMaxColumnWidth},
                        {kTKReportMaxColumnWidth + 1, kTKReportMaxColumnWidth},
                        {INT_MAX, kTKReportMaxColumnWidth}};
  // Stored widths as they are, not spread over the control.
  control->GetReportHeader()->m_bAutoColumnSizing = FALSE;
  for (const Case& c : cases) {
    control->GetColumns()->GetAt(1)->SetWidth(c.given);
    EXPECT_EQ(control->GetColumns()->GetAt(1)->GetStaticWidth(), c.kept) << c.given;
    EXPECT_EQ(CTKReportColumn(0, u"", c.given).GetStaticWidth(), c.kept) << c.given;
    auto other = Other({u"name", u"text", u"number"});
    LoadWith(38, Store(control.get()), [&](CTKPropExchange* px) { other->DoPropExchange(px); });
    EXPECT_EQ(other->GetColumns()->FindByInternalName(u"text")->GetStaticWidth(), c.kept) << c.given;
  }
}

TEST_F(StateTest, IconViewIsLeftAsItWasWhenStoringAndFollowsTheStateWhenLoading) {
  ASSERT_TRUE(control->SetIconViewColumn(0));
  control->SetIconView(TRUE);
  Bytes withIconView = Store(control.get());
  EXPECT_TRUE(control->IsIconView());
  control->SetIconView(FALSE);
  Bytes without = Store(control.get());

  auto other = Other({u"name", u"text", u"number"});
  ASSERT_TRUE(other->SetIconViewColumn(0));
  LoadWith(38, withIconView, [&](CTKPropExchange* px) { other->DoPropExchange(px); });
  EXPECT_TRUE(other->IsIconView());
  LoadWith(38, without, [&](CTKPropExchange* px) { other->DoPropExchange(px); });
  EXPECT_FALSE(other->IsIconView());
  // The stored form ends with the schema marker and the icon-view flag.
  ASSERT_GE(withIconView.size(), 12u);
  EXPECT_EQ(Bytes(withIconView.end() - 4, withIconView.end()), (Bytes{1, 0, 0, 0}));
  EXPECT_EQ(Bytes(without.end() - 4, without.end()), (Bytes{0, 0, 0, 0}));
}

}  // namespace
