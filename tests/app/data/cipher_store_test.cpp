// Enciphered work names stored through the data store: cipher text can hold
// any 16-bit unit, including the ones that break naive SQL text (a zero
// unit, an apostrophe) and unpaired surrogates.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/data/datastore.h"
#include "app/data/des.h"
#include "app/data/schema.h"
#include "platform/base/oledatetime.h"
#include "store_fixture.h"

using storetest::Narrow;
using storetest::ProgramFolder;
using storetest::RawDb;

namespace {

struct Wanted {
  const char* what;
  std::function<bool(const std::u16string&)> test;
  CString name;
  CString cipher;
};

}  // namespace

TEST(EncipheredNames, AwkwardCipherTextsStoreAndReadBackIntact) {
  const COleDateTime start(2013, 3, 26, 9, 30, 0);
  const CString key = GetWorkNameKey(start);
  std::vector<Wanted> wanted = {
      {"a zero unit", [](const std::u16string& s) { return s.find(u'\0') != std::u16string::npos; }, {}, {}},
      {"an apostrophe", [](const std::u16string& s) { return s.find(u'\'') != std::u16string::npos; }, {}, {}},
      {"a lone surrogate",
       [](const std::u16string& s) {
         for (std::size_t i = 0; i < s.size(); ++i) {
           bool high = s[i] >= 0xD800 && s[i] <= 0xDBFF, low = s[i] >= 0xDC00 && s[i] <= 0xDFFF;
           bool nextLow = i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF;
           bool prevHigh = i > 0 && s[i - 1] >= 0xD800 && s[i - 1] <= 0xDBFF;
           if ((high && !nextLow) || (low && !prevHigh)) return true;
         }
         return false;
       },
       {},
       {}},
  };

  // Search the one-block names "W0", "W1", ... until each kind of cipher
  // text has turned up. Every candidate is a different block, so a zero unit
  // turns up within some 2^14 names; the search is deterministic (no salt).
  CDES des;
  std::size_t found = 0;
  for (int n = 0; n < 300000 && found < wanted.size(); ++n) {
    CString name;
    name.Format(u"W%d", n);
    CString cipher = des.TransformText(name, key, 0);
    std::u16string units(cipher.GetString(), static_cast<std::size_t>(cipher.GetLength()));
    for (auto& w : wanted) {
      if (w.name.IsEmpty() && w.test(units)) {
        w.name = name;
        w.cipher = cipher;
        ++found;
      }
    }
  }
  for (const auto& w : wanted) ASSERT_FALSE(w.name.IsEmpty()) << "no name gives " << w.what;

  ProgramFolder folder;
  pv::MessageBoxRecorder boxes;
  std::vector<std::u16string> stored;
  {
    CDataStore store;
    ASSERT_EQ(store.OpenDatabase(), 1);
    const CString startText = start.Format(kSchemaStartTimeFormat);
    for (const auto& w : wanted) {
      // Both safe paths: a quoted literal joined into the text, and a bound value.
      CString quoted = CString(u"insert into things (workname,worktype,starttime) values (") +
                       CDataStore::Quote(w.cipher) + u",1,#" + startText + u"#)";
      int tid1 = store.InsertAndGetMaxId(quoted, u"select max(tid) from things");
      int tid2 = store.InsertAndGetMaxId(
          u"insert into things (workname,worktype,starttime) values (?,?,?)", u"select max(tid) from things",
          {CDataStore::TextValue(w.cipher), _variant_t(1L), _variant_t(DATE(start), VT_DATE)});
      ASSERT_GT(tid1, 0) << w.what;
      ASSERT_GT(tid2, 0) << w.what;
      stored.emplace_back(w.cipher.GetString(), static_cast<std::size_t>(w.cipher.GetLength()));
      stored.push_back(stored.back());

      // Read back as the trees do: name and start time, then deciphered.
      for (int tid : {tid1, tid2}) {
        CString sql;
        sql.Format(u"select workname,starttime from things where tid=%d", tid);
        _RecordsetPtr rs(u"ADODB.Recordset");
        ASSERT_EQ(store.OpenRecordset(sql, rs), 1);
        ASSERT_FALSE(rs->GetadoEOF());
        _variant_t v = rs->GetCollect(_variant_t(u"workname"));
        ASSERT_EQ(v.vt, VT_BSTR);
        CString back(std::u16string_view(v.bstrVal, SysStringLen(v.bstrVal)));
        EXPECT_EQ(back, w.cipher) << w.what;
        COleDateTime storedStart(rs->GetCollect(_variant_t(u"starttime")));
        EXPECT_EQ(des.TransformText(back, GetWorkNameKey(storedStart), 1), w.name) << w.what;
        rs->Close();
      }
      // And found by its stored name.
      CString byName = CString(u"select count(*) from things where workname=") + CDataStore::Quote(w.cipher);
      EXPECT_EQ(store.QueryScalarInt(byName), 2) << w.what;
    }
  }
  EXPECT_TRUE(boxes.Shown().empty());
  RawDb raw(folder.Database());
  EXPECT_EQ(raw.UnitsOfEachRow("select workname from things order by tid"), stored);
}
