// Dates through the layer follow the base calendar (days since 30 December
// 1899, the time of day as the fraction, as Windows does): dates before
// day 0, times rounded to the second, and the limits of the range, whether
// written as literals or bound as VT_DATE values.
#include <string>

#include "tests/platform/ado/ado_test_util.h"

using namespace adotest;

namespace {

class AdoDatesTest : public ::testing::Test {
 protected:
  void SetUp() override { c_.Attach(CreateDatabase(dir_.File("dates.tgd")).Detach()); }

  // "y-m-d h:mi:s" of the stored date, as the layer's date functions see it.
  std::string Parts(long taid) {
    _RecordsetPtr rs = c_->ExecuteWithParameters(
        u"select Year(tasktime),Month(tasktime),Day(tasktime),Hour(tasktime),Minute(tasktime),Second(tasktime) "
        u"from task where taid=?",
        {_variant_t(taid)});
    std::string out;
    for (long i = 0; i < 6; ++i) {
      out += std::to_string(static_cast<long>(rs->GetCollect(i)));
      out += i == 2 ? " " : i == 5 ? "" : i > 2 ? ":" : "-";
    }
    return out;
  }
  long LastTask() {
    _RecordsetPtr rs = c_->Execute(u"select max(taid) from task", nullptr, adCmdText);
    return static_cast<long>(rs->GetCollect(0L));
  }
  // The stored date read back as a VARIANT.
  _variant_t Stored(long taid) {
    _RecordsetPtr rs = c_->ExecuteWithParameters(u"select tasktime from task where taid=?", {_variant_t(taid)});
    return rs->GetCollect(0L);
  }

  TempDir dir_;
  _ConnectionPtr c_;
};

}  // namespace

TEST_F(AdoDatesTest, BoundAndLiteralDatesReadBackInTheBaseCalendar) {
  struct Case {
    const char* what;
    const char16_t* literal;  // written into the statement, or null
    double bound;             // bound as VT_DATE when there is no literal
    const char* parts;
  };
  const Case cases[] = {
      {"a date before day 0 keeps its time as a positive fraction", u"#1899-12-29 06:00:00#", 0, "1899-12-29 6:0:0"},
      {"bound, the same date", nullptr, -1.25, "1899-12-29 6:0:0"},
      {"a time that rounds up to midnight after day 0", nullptr, 1.9999999999, "1900-1-1 0:0:0"},
      {"and before day 0: forward in time, not a day back", nullptr, -1.9999999999, "1899-12-30 0:0:0"},
      {"two days before", nullptr, -2.9999999999, "1899-12-29 0:0:0"},
      {"half a second rounds up", nullptr, 41359.5 + 0.5 / 86400, "2013-3-26 12:0:1"},
      {"less than half a second rounds down", nullptr, 41359.5 + 0.49 / 86400, "2013-3-26 12:0:0"},
      {"the first day a field holds", u"#0100-01-01#", 0, "100-1-1 0:0:0"},
      {"bound, the first day", nullptr, -657434.0, "100-1-1 0:0:0"},
      {"the last second", u"#9999-12-31 23:59:59#", 0, "9999-12-31 23:59:59"},
      {"bound, the last second", nullptr, 2958465.99999, "9999-12-31 23:59:59"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.literal) {
      c_->Execute((u"insert into task (tasktitle,tasktime) values ('d'," + std::u16string(c.literal) + u")").c_str(),
                  nullptr, adCmdText);
    } else {
      c_->ExecuteWithParameters(u"insert into task (tasktitle,tasktime) values ('d',?)",
                                {_variant_t(c.bound, VT_DATE)});
    }
    long taid = LastTask();
    EXPECT_EQ(Parts(taid), c.parts);
    _variant_t v = Stored(taid);
    EXPECT_EQ(v.vt, VT_DATE);
    if (!c.literal) EXPECT_EQ(v.date, c.bound) << "stored as given";
  }
}

// Outside the range a field holds (before 1 January 100, after
// 31 December 9999) a date is refused and nothing is stored.
TEST_F(AdoDatesTest, DatesOutsideTheRangeAreRefused) {
  struct Case {
    const char* what;
    const char16_t* literal;
    double bound;
  };
  const Case cases[] = {
      {"literal before the year 100", u"#0099-12-31#", 0},
      {"literal text before the year 100", u"'0099-12-31'", 0},
      {"bound, a day before the first", nullptr, -657435.0},
      {"bound, after the last day", nullptr, 2958466.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool refused = false;
    try {
      if (c.literal)
        c_->Execute((u"insert into task (tasktitle,tasktime) values ('x'," + std::u16string(c.literal) + u")").c_str(),
                    nullptr, adCmdText);
      else
        c_->ExecuteWithParameters(u"insert into task (tasktitle,tasktime) values ('x',?)",
                                  {_variant_t(c.bound, VT_DATE)});
    } catch (const _com_error&) {
      refused = true;
    }
    EXPECT_TRUE(refused);
    _RecordsetPtr rs = c_->Execute(u"select count(*) from task where tasktitle='x'", nullptr, adCmdText);
    EXPECT_EQ(static_cast<long>(rs->GetCollect(0L)), 0L);
  }
}

// A recordset's field takes the same dates and refuses the same.
TEST_F(AdoDatesTest, ARecordsetFieldRefusesADateOutsideTheRange) {
  _RecordsetPtr rs(u"ADODB.Recordset");
  rs->Open(u"select taid,tasktitle,tasktime from task", _variant_t(static_cast<IDispatch*>(c_.GetInterfacePtr())),
           adOpenKeyset, adLockOptimistic, adCmdText);
  rs->AddNew();
  rs->PutCollect(u"tasktitle", _variant_t(u"r"));
  rs->PutCollect(u"tasktime", _variant_t(-1.25, VT_DATE));
  bool refused = false;
  try {
    rs->PutCollect(u"tasktime", _variant_t(2958466.0, VT_DATE));
  } catch (const _com_error&) {
    refused = true;
  }
  EXPECT_TRUE(refused);
  rs->Update();
  rs->Close();
  EXPECT_EQ(Parts(LastTask()), "1899-12-29 6:0:0");
}
