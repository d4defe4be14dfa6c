#include "app/views/enquirysql.h"

#include <array>

#include "app/data/datastore.h"

namespace {

constexpr const char16_t* kTaskColumns =
    u"select taid,tid,tasktype,tasktitle,personnel,place,tasktime,brief from task where ";
constexpr const char16_t* kFileColumns =
    u"select files.taid,task.tid,task.tasktype,filename,extendionname from files inner join task on "
    u"files.taid=task.taid where ";
constexpr const char16_t* kRemindColumns =
    u"select REMIND.taid,task.tid,task.tasktype,content,RemindDate,RemindTime,NumberOfTimes from REMIND inner join "
    u"task on REMIND.taid=task.taid where ";

struct Range {
  const char16_t* text;
  const char16_t* columns;
  const char16_t* field;
  bool date;
};

// The range texts are those of the main window's range list, compared exactly.
constexpr std::array<Range, 8> kRanges{{
    {u"tasktitle", kTaskColumns, u"tasktitle", false},
    {u"personnel", kTaskColumns, u"personnel", false},
    {u"place", kTaskColumns, u"place", false},
    {u"Task RemindDate,like:20120205", kTaskColumns, u"tasktime", true},
    {u"brief", kTaskColumns, u"brief", false},
    {u"filename", kFileColumns, u"filename", false},
    {u"Remind RemindDate,like:20120205", kRemindColumns, u"RemindDate", true},
    {u"content", kRemindColumns, u"content", false},
}};

bool Digits(const CString& s, int from, int count, int& value) {
  value = 0;
  for (int i = from; i < from + count; ++i) {
    const char16_t c = s[i];
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + (c - u'0');
  }
  return true;
}

}  // namespace

CString EscapeLikeKeyword(const CString& keyword) {
  CString out;
  for (int i = 0; i < keyword.GetLength(); ++i) {
    const char16_t c = keyword[i];
    if (c == u'%' || c == u'_' || c == u'[') {
      out += u'[';
      out += c;
      out += u']';
    } else {
      out += c;
    }
  }
  return out;
}

bool ParseEnquiryDate(const CString& keyword, COleDateTime& day) {
  CString text = keyword;
  text.Trim();
  int year = 0, month = 0, date = 0;
  bool ok = false;
  if (text.GetLength() == 8) ok = Digits(text, 0, 4, year) && Digits(text, 4, 2, month) && Digits(text, 6, 2, date);
  else if (text.GetLength() == 10 && text[4] == u'-' && text[7] == u'-')
    ok = Digits(text, 0, 4, year) && Digits(text, 5, 2, month) && Digits(text, 8, 2, date);
  if (!ok || year < 100) return false;
  COleDateTime parsed(year, month, date, 0, 0, 0);
  // The constructor checks the calendar: 2012-02-30 is invalid.
  if (parsed.GetStatus() != COleDateTime::valid || parsed.GetYear() != year || parsed.GetMonth() != month ||
      parsed.GetDay() != date)
    return false;
  day = parsed;
  return true;
}

EnquiryStatement MakeEnquiryStatement(const CString& range, const CString& keyword, bool* dateRefused) {
  if (dateRefused) *dateRefused = false;
  EnquiryStatement st;
  for (const Range& r : kRanges) {
    if (range != r.text) continue;
    if (r.date) {
      COleDateTime day;
      if (!ParseEnquiryDate(keyword, day)) {
        if (dateRefused) *dateRefused = true;
        return st;
      }
      st.sql = CString(r.columns) + r.field + u"=?";
      st.value = _variant_t(DATE(day), VT_DATE);
    } else {
      st.sql = CString(r.columns) + r.field + u" like ?";
      st.value = CDataStore::TextValue(u"%" + EscapeLikeKeyword(keyword) + u"%");
    }
    return st;
  }
  return st;
}
