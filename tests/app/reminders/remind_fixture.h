// Shared set-up of the reminder tests: a temporary home (program folder
// with the database, settings), a fake clock, the message-box recorder, and
// reminder rows put into the database through the data store.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/data/datastore.h"
#include "platform/base/clock.h"
#include "platform/base/utf.h"
#include "platform/system/msgbox.h"
#include "platform/system/registry.h"
#include "tests/support/raw_sqlite.h"
#include "tests/support/fixture_reset.h"

namespace remindtest {

struct Moment {
  int year, month, day, hour, minute, second;
};

inline COleDateTime At(const Moment& m) { return COleDateTime(m.year, m.month, m.day, m.hour, m.minute, m.second); }

inline std::string Text(const COleDateTime& t) {
  if (t.GetStatus() != COleDateTime::valid) return "invalid";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(),
                t.GetMinute(), t.GetSecond());
  return buf;
}

inline std::string Narrow(const CString& s) {
  return pv::Utf16ToUtf8(std::u16string(s.GetString(), static_cast<std::size_t>(s.GetLength())));
}

// One REMIND row as the scheduled-task form writes it.
struct Row {
  const char16_t* content;
  Moment start;
  int times = 0;       // NumberOfTimes
  int separation = 0;  // step code
  int taid = 1;
  bool message = false;
  bool submitted = false;
  bool effect = true;
};

// A temporary home whose registry starts empty.
class Home {
 public:
  std::string Database() const { return settings_.File("qty.tgd"); }

 private:
  pvtest::SettingsHome settings_{"pv-remind"};
};

// Inserts the row and answers its rid.
inline int Insert(CDataStore& store, const Row& r) {
  COleDateTime start = At(r.start);
  double day = static_cast<double>(static_cast<long long>(static_cast<DATE>(start)));
  COleDateTime time;
  time.SetTime(start.GetHour(), start.GetMinute(), start.GetSecond());
  return store.InsertAndGetMaxId(
      u"insert into remind (content,RemindDate,RemindTime,NumberOfTimes,separation,taid,executenumber,message,"
      u"sendnumber,effect,submitted) values (?,?,?,?,?,?,-1,?,0,?,?)",
      u"select max(rid) from remind",
      {CDataStore::TextValue(r.content), _variant_t(day, VT_DATE), _variant_t(static_cast<DATE>(time), VT_DATE),
       _variant_t(static_cast<long>(r.times)), _variant_t(static_cast<long>(r.separation)),
       _variant_t(static_cast<long>(r.taid)), _variant_t(r.message), _variant_t(r.effect), _variant_t(r.submitted)});
}

}  // namespace remindtest
