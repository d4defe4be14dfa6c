#include "app/views/planstore.h"

#include "app/views/captiontree.h"
#include "app/views/filereportcontrol.h"
#include "app/views/taskform.h"

#include <iterator>

namespace {

_variant_t DateValue(const COleDateTime& d) { return _variant_t(DATE(d), VT_DATE); }
_variant_t LongValue(long v) { return _variant_t(v); }

COleDateTime DayOf(const COleDateTime& d) { return COleDateTime(d.GetYear(), d.GetMonth(), d.GetDay(), 0, 0, 0); }
// A time of day on the zero date, as "#HH:MM:SS#" stores it.
COleDateTime TimeOf(const COleDateTime& d) {
  return COleDateTime(1899, 12, 30, d.GetHour(), d.GetMinute(), d.GetSecond());
}

CString TextField(const _RecordsetPtr& rs, long index) {
  return FieldText(rs->GetFields()->GetItem(_variant_t(index))->GetValue());
}
long LongField(const _RecordsetPtr& rs, long index) {
  _variant_t v = rs->GetFields()->GetItem(_variant_t(index))->GetValue();
  _variant_t as;
  if (v.vt == VT_NULL || v.vt == VT_EMPTY || FAILED(VariantChangeType(&as, &v, 0, VT_I4))) return 0;
  return as.lVal;
}
COleDateTime DateField(const _RecordsetPtr& rs, long index) {
  _variant_t v = rs->GetFields()->GetItem(_variant_t(index))->GetValue();
  if (v.vt != VT_DATE) return COleDateTime();
  return COleDateTime(v.date);
}

}  // namespace

const std::vector<CString>& ReminderNumberCaptions() {
  static const std::vector<CString> captions(std::begin(kReminderNumberChoices), std::end(kReminderNumberChoices));
  return captions;
}

const std::vector<CString>& ReminderSeparationCaptions() {
  static const std::vector<CString> captions(std::begin(kReminderSeparationChoices),
                                             std::end(kReminderSeparationChoices));
  return captions;
}

CString CaptionAt(const std::vector<CString>& captions, int position) {
  return position >= 0 && position < static_cast<int>(captions.size()) ? captions[static_cast<std::size_t>(position)]
                                                                       : CString();
}

int PositionOf(const std::vector<CString>& captions, const CString& caption) {
  for (std::size_t i = 0; i < captions.size(); ++i)
    if (captions[i] == caption) return static_cast<int>(i);
  return -1;
}

int InsertScheduledTask(CDataStore& store, const CString& title, int workId, const COleDateTime& date) {
  return store.InsertAndGetMaxId(u"insert into task (tasktitle,tid,tasktype,tasktime) values (?,?,2,?)",
                                 u"select max(taid) from task",
                                 {CDataStore::TextValue(title), LongValue(workId), DateValue(DayOf(date))});
}

bool UpdateScheduledTask(CDataStore& store, int taskId, const CString& title, const CString& personnel,
                         const CString& place, const COleDateTime& date, const CString& brief) {
  return store.ExecuteTogether({TaskFieldsUpdate(taskId, title, personnel, place, date, brief)}) != 0;
}

bool DeleteScheduledTaskRows(CDataStore& store, int taskId) {
  return store.ExecuteTogether({
             {u"delete from task  where taid=?", {LongValue(taskId)}},
             {u"delete from remind  where taid=?", {LongValue(taskId)}},
             {u"delete from files  where taid=?", {LongValue(taskId)}},
         }) != 0;
}

COleDateTime NewReminderDue(const COleDateTime& now) { return now + COleDateTimeSpan(0, 0, 10, 0); }

int InsertReminder(CDataStore& store, int taskId, const COleDateTime& due) {
  return store.InsertAndGetMaxId(
      u"insert into remind (content,RemindDate,RemindTime,NumberOfTimes,separation,taid,executenumber,message,"
      u"sendnumber,effect,submitted) values (?,?,?,0,0,?,-1,0,0,1,0)",
      u"select max(rid) from remind",
      {CDataStore::TextValue(CString()), DateValue(DayOf(due)), DateValue(TimeOf(due)), LongValue(taskId)});
}

bool UpdateReminder(CDataStore& store, const ReminderValues& v) {
  return store.ExecuteUpdate(
             u"update remind set content=?,RemindDate=?,RemindTime=?,NumberOfTimes=?,separation=?,message=? "
             u"where rid=?",
             {CDataStore::TextValue(v.content), DateValue(DayOf(v.date)), DateValue(TimeOf(v.time)),
              LongValue(v.numberOfTimes), LongValue(v.separation), LongValue(v.message ? 1 : 0), LongValue(v.rid)}) !=
         0;
}

bool UpdateReminderMessage(CDataStore& store, int rid, bool message) {
  return store.ExecuteUpdate(u"update remind set message=? where rid=?",
                             {LongValue(message ? 1 : 0), LongValue(rid)}) != 0;
}

bool DeleteReminder(CDataStore& store, int rid) {
  return store.ExecuteSql(u"delete from remind where rid=?", {LongValue(rid)}) != 0;
}

bool LoadReminders(CDataStore& store, int taskId, std::vector<ReminderValues>& out, HWND owner) {
  out.clear();
  _RecordsetPtr rs(u"ADODB.Recordset");
  if (!store.OpenRecordset(u"select content,RemindDate,RemindTime,NumberOfTimes,separation,message,rid,taid from "
                           u"remind where taid=? and effect<>0",
                           {LongValue(taskId)}, rs))
    return false;
  try {
    while (!rs->GetadoEOF()) {
      ReminderValues row;
      row.content = TextField(rs, 0L);
      row.date = DateField(rs, 1L);
      row.time = DateField(rs, 2L);
      row.numberOfTimes = static_cast<int>(LongField(rs, 3L));
      row.separation = static_cast<int>(LongField(rs, 4L));
      row.message = LongField(rs, 5L) != 0;
      row.rid = static_cast<int>(LongField(rs, 6L));
      out.push_back(row);
      rs->MoveNext();
    }
  } catch (const _com_error& e) {
    ShowTreeError(owner, e);
    CloseIfOpen(rs);
    return false;
  }
  CloseIfOpen(rs);
  return true;
}
