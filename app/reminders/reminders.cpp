// Today's reminder list: the expiry scan of finite series and the builder
// of the day's occurrences, both stepping series through the one series
// calendar.
#include <algorithm>
#include <vector>

#include "app/data/datastore.h"
#include "app/reminders/remind.h"
#include "app/reminders/remindcalendar.h"
#include "platform/system/msgbox.h"

namespace {

bool IsNull(const _variant_t& v) { return v.vt == VT_NULL || v.vt == VT_EMPTY; }

// The columns a row needs; a NULL in any of them skips the row.
bool ReadInt(const _variant_t& v, int& out) {
  if (IsNull(v)) return false;
  out = static_cast<long>(v);
  return true;
}

CString ReadText(const _variant_t& v) {
  if (v.vt != VT_BSTR || !v.bstrVal) return CString();
  return CString(std::u16string_view(v.bstrVal, SysStringLen(v.bstrVal)));
}

void ShowComError(const _com_error& e) {
  _bstr_t d = e.Description();
  const char16_t* text = static_cast<const char16_t*>(d);
  ::MessageBoxExW(nullptr, text ? text : u"", u"Prompt", MB_OK | MB_ICONEXCLAMATION, 1033);
}

_variant_t Column(_RecordsetPtr& rs, long index) { return rs->GetCollect(_variant_t(index)); }

}  // namespace

int CompareRemindSTR(const RemindSTR& a, const RemindSTR& b) {
  if (a.occurrence < b.occurrence) return -1;
  if (a.occurrence > b.occurrence) return 1;
  return 0;
}

void ScanRepeatingReminders(CDataStore& store, const COleDateTime& now) {
  _RecordsetPtr rs(u"ADODB.Recordset");
  if (!store.OpenRecordset(u"select rid,RemindDate,RemindTime,NumberOfTimes,separation from remind "
                           u"where effect<>0 and NumberOfTimes<>3",
                           rs))
    return;
  std::vector<CDataStore::Statement> switchOff;
  try {
    for (; !rs->GetadoEOF(); rs->MoveNext()) {
      int rid, times, separation;
      _variant_t date = Column(rs, 1), time = Column(rs, 2);
      if (!ReadInt(Column(rs, 0), rid) || !ReadInt(Column(rs, 3), times) || !ReadInt(Column(rs, 4), separation) ||
          IsNull(date) || IsNull(time))
        continue;
      COleDateTime last =
          RemindLastOccurrence(RemindFirstOccurrence(COleDateTime(date), COleDateTime(time)), times, separation);
      if (last.GetStatus() == COleDateTime::valid && now > last)
        switchOff.emplace_back(u"update remind set effect=0 where rid=?",
                               std::initializer_list<_variant_t>{_variant_t(static_cast<long>(rid))});
    }
    rs->Close();
  } catch (const _com_error& e) {
    ShowComError(e);
    return;
  }
  if (!switchOff.empty()) store.ExecuteTogether(switchOff);
}

void CDataStore::ScanRepeatingReminders() { ::ScanRepeatingReminders(*this, COleDateTime::GetCurrentTime()); }

bool AppendTodayReminders(CDataStore& store, const COleDateTime& now, CArray<RemindSTR>& list) {
  ScanRepeatingReminders(store, now);
  // Each row with occurrences today is read once; its occurrences are kept
  // as (moment, row) and become list elements after sorting.
  struct Occurrence {
    COleDateTime moment;
    std::size_t row;
  };
  std::vector<RemindSTR> rows;
  std::vector<Occurrence> found;
  bool complete = false;
  _RecordsetPtr rs(u"ADODB.Recordset");
  if (store.OpenRecordset(u"select content,RemindDate,RemindTime,NumberOfTimes,separation,taid,rid,executenumber,"
                          u"message,sendnumber,submitted from remind where effect<>0",
                          rs)) {
    const COleDateTime dayEnd(now.GetYear(), now.GetMonth(), now.GetDay(), 23, 59, 59);
    try {
      // Most rows give at most one occurrence a day.
      const long count = rs->GetRecordCount();
      if (count > 0) found.reserve(static_cast<std::size_t>(count));
      for (; !rs->GetadoEOF(); rs->MoveNext()) {
        RemindSTR r;
        int separation;
        _variant_t date = Column(rs, 1), time = Column(rs, 2);
        if (IsNull(date) || IsNull(time) || !ReadInt(Column(rs, 3), r.NumberOfTimes) ||
            !ReadInt(Column(rs, 4), separation))
          continue;
        const std::size_t row = rows.size(), before = found.size();
        ForEachRemindOccurrence(RemindFirstOccurrence(COleDateTime(date), COleDateTime(time)), r.NumberOfTimes,
                                separation, now, dayEnd, [&](long long, const COleDateTime& occurrence) {
                                  found.push_back({occurrence, row});
                                });
        // The rest of the row is read only when it has occurrences today.
        if (found.size() == before) continue;
        if (!ReadInt(Column(rs, 5), r.taid) || !ReadInt(Column(rs, 6), r.rid)) {
          found.resize(before);
          continue;
        }
        r.content = ReadText(Column(rs, 0));
        ReadInt(Column(rs, 7), r.executenumber);
        _variant_t message = Column(rs, 8), submitted = Column(rs, 10);
        r.message = !IsNull(message) && static_cast<bool>(message);
        ReadInt(Column(rs, 9), r.sendnumber);
        r.submitted = !IsNull(submitted) && static_cast<bool>(submitted);
        rows.push_back(std::move(r));
      }
      rs->Close();
      complete = true;
    } catch (const _com_error& e) {
      ShowComError(e);
    }
  }
  // Sorted also after a failure; equal moments keep the order of the rows.
  while (!found.empty() && found.back().row >= rows.size()) found.pop_back();  // a row cut short by an error
  std::stable_sort(found.begin(), found.end(),
                   [](const Occurrence& a, const Occurrence& b) { return a.moment < b.moment; });
  const INT_PTR base = list.GetSize();
  list.SetSize(base + static_cast<INT_PTR>(found.size()));
  // A row's last occurrence takes its data over instead of copying it.
  std::vector<int> left(rows.size(), 0);
  for (const Occurrence& o : found) ++left[o.row];
  RemindSTR* out = list.GetData() + base;
  for (const Occurrence& o : found) {
    if (--left[o.row] == 0) *out = std::move(rows[o.row]);
    else *out = rows[o.row];
    out->occurrence = o.moment;
    ++out;
  }
  if (base > 0)
    std::stable_sort(list.GetData(), list.GetData() + list.GetSize(),
                     [](const RemindSTR& a, const RemindSTR& b) { return CompareRemindSTR(a, b) < 0; });
  return complete;
}
