// Locale formatting of dates, the counting allocators and row batches, and
// the behaviour settings.
#include <gtest/gtest.h>

#include <clocale>
#include <ctime>
#include <random>
#include <set>

#include "platform/system/locale.h"
#include "toolkit/report/reportallocator.h"
#include "toolkit/report/reportbehavior.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportlocale.h"
#include "toolkit/report/reportrecords.h"

namespace {

// The C library's strftime in en_US.UTF-8 (or C, whose English names are
// the same) for a date.
std::string Strftime(const char* format, int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  std::tm copy = tm;
  std::mktime(&copy);  // fills the weekday and the day of the year
  tm.tm_wday = copy.tm_wday;
  tm.tm_yday = copy.tm_yday;
  char buffer[256];
  size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
  return std::string(buffer, n);
}

}  // namespace

TEST(ReportLocale, DatesMatchTheCLibrary) {
  const char* saved = std::setlocale(LC_TIME, nullptr);
  std::string previous = saved ? saved : "C";
  if (!std::setlocale(LC_TIME, "en_US.UTF-8")) std::setlocale(LC_TIME, "C");
  const char* formats[] = {"%a %b/%d/%Y %I:%M %p", "%A %B", "%y %H:%M:%S", "%j",      "%U", "%W", "%w",
                           "%a %Y-%m-%d",          "%H:%M", "100%% %d",    "%%d %%%d"};
  std::mt19937 random(5);
  for (int n = 0; n < 400; ++n) {
    int year = 1901 + static_cast<int>(random() % 180);
    int month = 1 + static_cast<int>(random() % 12);
    int day = 1 + static_cast<int>(random() % 28);
    int hour = static_cast<int>(random() % 24);
    int minute = static_cast<int>(random() % 60);
    int second = static_cast<int>(random() % 60);
    if (n == 0) year = 2026, month = 12, day = 8, hour = 19, minute = 30, second = 0;
    COleDateTime date(year, month, day, hour, minute, second);
    for (const char* format : formats) {
      CString ours = CTKReportControlLocale::FormatDateTimeLCID(date, CString(format), 0x0409);
      ASSERT_EQ(CStringA(ours).GetString(), Strftime(format, year, month, day, hour, minute, second))
          << format << " on " << year << "-" << month << "-" << day;
    }
  }
  std::setlocale(LC_TIME, previous.c_str());
}

TEST(ReportLocale, TokensWithoutLeadingZerosAndSpecialValues) {
  COleDateTime date(2026, 12, 8, 7, 5, 3);
  struct {
    const char16_t* format;
    const char16_t* expected;
  } const table[] = {
      {u"100%% %d", u"100% 08"}, {u"%#d", u"8"},       {u"%#m/%#d %#H:%#M:%#S", u"12/8 7:5:3"},
      {u"%j", u"342"},           {u"%#I %p", u"7 AM"}, {u"%c", u"12/8/2026 7:05:03 AM"},
      {u"%%%%", u"%%"},          {u"%q%", u"%q%"},
  };
  for (auto c : table)
    EXPECT_EQ(CTKReportControlLocale::FormatDateTime(date, c.format), c.expected) << CStringA(c.format).GetString();
  COleDateTime invalid;
  invalid.SetStatus(COleDateTime::invalid);
  COleDateTime null;
  null.SetStatus(COleDateTime::null);
  EXPECT_EQ(CTKReportControlLocale::FormatDateTime(invalid, u"%d"), u"");
  EXPECT_EQ(CTKReportControlLocale::FormatDateTime(null, u"text"), u"");
  EXPECT_EQ(CTKReportControlLocale::GetActiveLCID(), LOCALE_USER_DEFAULT);

  COleVariant value(u"12");
  EXPECT_TRUE(CTKReportControlLocale::ChangeVariantType(&value, VT_I4, FALSE));
  EXPECT_EQ(value.lVal, 12);
  COleVariant word(u"twelve");
  EXPECT_FALSE(CTKReportControlLocale::ChangeVariantType(&word, VT_I4, FALSE));
  bool raised = false;
  try {
    CTKReportControlLocale::ChangeVariantType(&word, VT_I4, TRUE);
  } catch (COleException* e) {
    raised = true;
    e->Delete();
  }
  EXPECT_TRUE(raised);
}

// ---- allocators ---------------------------------------------------------------------------------

namespace {
struct TestHeapState : TK_HEAPALLOCATOR_STATE {};
using TestAllocator = CTKHeapAllocatorT<TestHeapState>;
class HeapThing : public CTKHeapObjectT<CCmdTarget, TestAllocator> {
 public:
  char payload[40];
};

struct TestBatchState : TK_BATCHALLOC_STATE {};
struct TestRowState : TK_HEAPALLOCATOR_STATE {};
using TestRowAllocator = CTKHeapAllocatorT<TestRowState>;
class RowBase : public CCmdTarget {
 public:
  long long value = 0;
};
using BatchRow = CTKBatchAllocObjT<RowBase, TestBatchState, TestRowAllocator>;
using Batches = CTKBatchAllocManagerT<TestRowAllocator, TestBatchState>;
}  // namespace

TEST(ReportAllocator, CountsEqualLiveObjectsAndNoHeapWithSwitchesOff) {
  LONG before = CTKReportDataAllocator::GetCount();
  std::vector<CTKReportRecord*> records;
  for (int i = 0; i < 50; ++i) {
    auto* record = new CTKReportRecord;
    record->AddItem(new CTKReportRecordItemText(u"a"));
    record->AddItem(new CTKReportRecordItemNumber(i));
    records.push_back(record);
    EXPECT_EQ(CTKReportDataAllocator::GetCount() - before, 3 * (i + 1));
  }
  for (size_t i = 0; i < records.size(); ++i) {
    records[i]->InternalRelease();
    EXPECT_EQ(CTKReportDataAllocator::GetCount() - before, static_cast<LONG>(3 * (records.size() - i - 1)));
  }
  EXPECT_EQ(CTKReportDataAllocator::GetHeap(), nullptr);
}

TEST(ReportAllocator, PrivateArenaLivesWithItsObjects) {
  TestAllocator::SetUseHeap(TRUE);
  auto* a = new HeapThing;
  CTKReportArena* arena = TestAllocator::GetHeap();
  ASSERT_NE(arena, nullptr);
  auto* b = new HeapThing;
  EXPECT_EQ(TKReportArenaBlockCount(arena), 2u);
  EXPECT_EQ(TestAllocator::GetCount(), 2);
  a->InternalRelease();
  EXPECT_EQ(TestAllocator::GetHeap(), arena);
  b->InternalRelease();
  EXPECT_EQ(TestAllocator::GetHeap(), nullptr) << "the last free destroys the arena";
  auto* c = new HeapThing;
  EXPECT_NE(TestAllocator::GetHeap(), nullptr) << "the next allocation makes a new one";
  c->InternalRelease();
  EXPECT_EQ(TestAllocator::GetCount(), 0);
  TestAllocator::SetUseHeap(FALSE);
}

TEST(ReportAllocator, RowBatchesOf1024) {
  Batches::State().bBatching = TRUE;
  std::vector<BatchRow*> rows;
  std::set<BatchRow*> distinct;
  for (int i = 0; i < 1024; ++i) rows.push_back(new BatchRow);
  EXPECT_EQ(Batches::GetBatchCount(), 1);
  EXPECT_EQ(TestRowAllocator::GetCount(), 1) << "one block for 1024 rows";
  rows.push_back(new BatchRow);
  EXPECT_EQ(Batches::GetBatchCount(), 2) << "the 1025th row opens a second batch";
  EXPECT_EQ(Batches::GetCount(), 1025);
  for (BatchRow* row : rows) {
    row->value = reinterpret_cast<long long>(row);
    distinct.insert(row);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(row) % 16, 0u);
  }
  EXPECT_EQ(distinct.size(), 1025u);
  for (BatchRow* row : rows) EXPECT_EQ(row->value, reinterpret_cast<long long>(row)) << "slots do not overlap";

  // Freeing a row of the full batch makes it the free-list head again.
  TK_BATCH_HEADER* full = Batches::State().pFullHead;
  ASSERT_NE(full, nullptr);
  rows[10]->InternalRelease();
  EXPECT_EQ(Batches::State().pFreeHead, full);
  rows[10] = new BatchRow;
  EXPECT_EQ(Batches::GetBatchCount(), 2);

  // Emptying with release on but not for the last batch: one batch stays.
  Batches::State().bReleaseEmptyBatches = TRUE;
  for (BatchRow* row : rows) row->InternalRelease();
  EXPECT_EQ(Batches::GetCount(), 0);
  EXPECT_EQ(Batches::GetBatchCount(), 1);
  EXPECT_EQ(TestRowAllocator::GetCount(), 1);
  Batches::FreeUnusedBatches();
  EXPECT_EQ(Batches::GetBatchCount(), 0);
  EXPECT_EQ(TestRowAllocator::GetCount(), 0);
  Batches::State().bReleaseEmptyBatches = FALSE;
  Batches::State().bBatching = FALSE;
  auto* plain = new BatchRow;
  EXPECT_EQ(TestRowAllocator::GetCount(), 1) << "batching off: from the row allocator";
  plain->InternalRelease();
  EXPECT_EQ(TestRowAllocator::GetCount(), 0);
}

// ---- behaviour ----------------------------------------------------------------------------------

TEST(ReportBehavior, DefaultSchemeTable) {
  CTKReportBehavior behavior;
  using B = CTKReportBehaviorRowMouseButton;
  struct {
    const char* name;
    BOOL B::*setting;
    bool downLeft, upLeft, downRight, upRight;
  } const table[] = {
      {"FocusRow", &B::bFocusRow, true, true, false, true},
      {"FocusRowTemporarily", &B::bFocusRowTemporarily, false, false, false, false},
      {"SelectRow", &B::bSelectRow, true, true, false, true},
      {"KeepSelectionIfSelected", &B::bKeepSelectionIfSelected, true, false, false, true},
      {"KeepFocusIfSelected", &B::bKeepFocusIfSelected, true, false, false, false},
      {"KeepSelectionIfModifierAtDown", &B::bKeepSelectionIfModifierAtDown, false, true, false, false},
      {"KeepFocusIfModifierAtDown", &B::bKeepFocusIfModifierAtDown, false, true, false, false},
      {"KeepSelectionIfModifier", &B::bKeepSelectionIfModifier, false, false, false, false},
      {"KeepFocusIfModifier", &B::bKeepFocusIfModifier, false, false, false, false},
      {"FocusColumn", &B::bFocusColumn, true, false, false, true},
      {"MakeRowVisible", &B::bMakeRowVisible, true, false, false, false},
      {"Click", &B::bClick, false, true, false, true},
      {"ContextMenu", &B::bContextMenu, false, false, false, true},
      {"CheckSelectedRows", &B::bCheckSelectedRows, false, false, false, false},
      {"StartDrag", &B::bStartDrag, true, false, false, false},
      {"StopDrag", &B::bStopDrag, false, true, false, true},
  };
  for (auto c : table) {
    EXPECT_EQ(behavior.GetRowButton(1, 0)->*c.setting != FALSE, c.downLeft) << c.name;
    EXPECT_EQ(behavior.GetRowButton(1, 1)->*c.setting != FALSE, c.upLeft) << c.name;
    EXPECT_EQ(behavior.GetRowButton(3, 0)->*c.setting != FALSE, c.downRight) << c.name;
    EXPECT_EQ(behavior.GetRowButton(3, 1)->*c.setting != FALSE, c.upRight) << c.name;
    for (auto* mouse : {behavior.GroupRow->MouseDown, behavior.GroupRow->MouseUp})
      EXPECT_FALSE(mouse->Left->*c.setting || mouse->Right->*c.setting) << "group rows: " << c.name;
  }
  EXPECT_EQ(behavior.GetRowButton(3, 1)->m_nButton, 3);
  EXPECT_EQ(behavior.GetRowButton(3, 1)->m_nEvent, 1);
  behavior.SetScheme(0);
  EXPECT_FALSE(behavior.GetRowButton(1, 0)->bFocusRow) << "another scheme clears the settings";
}
