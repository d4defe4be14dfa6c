#include "app/views/datetree.h"

#include <cmath>
#include <string>
#include <string_view>

#include "app/data/datastore.h"
#include "platform/base/oledatetime.h"
#include "platform/base/systime.h"

const char16_t* const g_dayNames[7] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                       u"Thursday", u"Friday", u"Saturday"};

namespace {

constexpr const char16_t* kJoinedQuery =
    u"SELECT workname,starttime,tasktitle,tasktime,taid,tasktype FROM things INNER JOIN task "
    u"ON things.tid=task.tid order by tasktime,things.tid";

// Two moments closer than this are the same moment.
constexpr double kHalfSecond = 0.5 / 86400.0;

bool IsWeekend(const COleDateTime& date) {
  const int day = date.GetDayOfWeek();
  return day == 1 || day == 7;
}

// The joined query's rows, read one at a time; each work's stored name is
// deciphered once per process.
class JoinedRows {
 public:
  explicit JoinedRows(const _RecordsetPtr& rs) : rs_(rs) {
    FieldsPtr fields = rs->GetFields();
    for (long i = 0; i < 6; ++i) fields_[i] = fields->GetItem(_variant_t(i));
  }
  bool AtEnd() { return rs_->GetadoEOF() != VARIANT_FALSE; }
  void Next() { rs_->MoveNext(); }
  // The row's task time; false when it is null.
  bool Time(COleDateTime& time) {
    const _variant_t value = fields_[3]->GetValue();
    if (value.vt == VT_NULL || value.vt == VT_EMPTY) return false;
    time = COleDateTime(value);
    return time.GetStatus() == COleDateTime::valid;
  }
  // "work name.title", the task id and its type. The work's name comes from
  // the names deciphered once per process, looked up by a view of the
  // field's text, and the label is built in one allocation.
  CString TaskText() {
    const _variant_t stored = fields_[0]->GetValue();
    const COleDateTime start(fields_[1]->GetValue());
    CString storedConverted, titleConverted;
    const std::u16string_view storedText = TextOf(stored, storedConverted);
    const _variant_t title = fields_[2]->GetValue();
    const std::u16string_view titleText = TextOf(title, titleConverted);
    CString text;
    // A stored name keeps two bytes of cipher text in each character, and a
    // name takes at least one byte a character: at most twice its length.
    text.Preallocate(static_cast<int>(2 * storedText.size() + 1 + titleText.size()));
    AppendWorkNameFromStored(text, storedText, start);
    text.AppendChar(u'.');
    text.Append(titleText.data(), static_cast<int>(titleText.size()));
    return text;
  }
  int Taid() { return static_cast<long>(fields_[4]->GetValue()); }
  int TaskType() {
    const _variant_t value = fields_[5]->GetValue();
    return value.vt == VT_NULL ? 0 : static_cast<int>(static_cast<long>(value));
  }

 private:
  _RecordsetPtr rs_;
  FieldPtr fields_[6];
  // A field's characters as a view: a text field's own (none for null),
  // another value's as text kept in `converted`.
  static std::u16string_view TextOf(const _variant_t& value, CString& converted) {
    if (value.vt == VT_NULL || value.vt == VT_EMPTY) return {};
    if (value.vt == VT_BSTR)
      return value.bstrVal ? std::u16string_view(value.bstrVal, SysStringLen(value.bstrVal)) : std::u16string_view();
    converted = FieldText(value);
    return std::u16string_view(converted.GetString(), static_cast<std::size_t>(converted.GetLength()));
  }
};

}  // namespace

CString DateTreeYearText(const COleDateTime& date) {
  CString text;
  text.Format(u"%d", date.GetYear());
  return text;
}

CString DateTreeMonthText(const COleDateTime& date) {
  CString text;
  text.Format(u"%d.%d", date.GetYear(), date.GetMonth());
  return text;
}

CString DateTreeDayText(const COleDateTime& date) {
  CString text;
  text.Format(u"%d.%d.%d %s", date.GetYear(), date.GetMonth(), date.GetDay(), g_dayNames[date.GetDayOfWeek() - 1]);
  return text;
}

IMPLEMENT_DYNAMIC(CDateTree, CTKTreeCtrl)

CDateTree::CDateTree() : m_pTaskRecordset(u"ADODB.Recordset"), m_pWorkRecordset(u"ADODB.Recordset") {}

CDateTree::~CDateTree() {
  CloseIfOpen(m_pTaskRecordset);
  CloseIfOpen(m_pWorkRecordset);
}

BOOL CDateTree::PreTranslateMessage(MSG* pMsg) { return CWnd::PreTranslateMessage(pMsg); }

int CDateTree::FillDateTree() { return Fill(Variant::TaskDays); }
int CDateTree::FillDateTreeEveryday() { return Fill(Variant::Everyday); }
int CDateTree::FillDateTreeWorkdays() { return Fill(Variant::Workdays); }

int CDateTree::Fill(Variant variant) {
  const HTREEITEM root = InsertItem(u"Pravenor", 0, 0, TVI_ROOT, TVI_LAST);
  SetItemData(root, 0);
  SetItemBold(root);

  // The items most recently made, and the date numbers they stand for.
  HTREEITEM year = nullptr, month = nullptr, day = nullptr;
  int yearNumber = 0, monthNumber = 0, dayNumber = 0;
  auto makeYear = [&](const COleDateTime& date) {
    year = InsertItem(DateTreeYearText(date), 1, 1, root, TVI_LAST);
    SetItemBold(year);
    yearNumber = date.GetYear();
    month = day = nullptr;
  };
  auto makeMonth = [&](const COleDateTime& date) {
    month = InsertItem(DateTreeMonthText(date), 1, 1, year, TVI_LAST);
    SetItemBold(month);
    monthNumber = date.GetMonth();
    day = nullptr;
  };
  auto makeDay = [&](const COleDateTime& date) {
    day = InsertItem(DateTreeDayText(date), 1, 1, month, TVI_LAST);
    dayNumber = date.GetDay();
  };
  // Makes the items a date needs below those it belongs to.
  // The date's fields are worked out once, not once per field asked for.
  auto placeDate = [&](const COleDateTime& date, bool withDay) {
    pv::DateFields fields{};
    if (date.GetStatus() != COleDateTime::valid || !pv::DateToFields(static_cast<DATE>(date), &fields))
      fields.year = fields.month = fields.day = AFX_OLE_DATETIME_ERROR;
    if (!year || fields.year != yearNumber) {
      makeYear(date);
      makeMonth(date);
      if (withDay) makeDay(date);
    } else if (!month || fields.month != monthNumber) {
      makeMonth(date);
      if (withDay) makeDay(date);
    } else if (withDay && (!day || fields.day != dayNumber)) {
      makeDay(date);
    }
  };

  try {
    // A query the store could not open has been shown by the store.
    if (!AppDataStore().OpenForwardRecordset(kJoinedQuery, m_pWorkRecordset)) return 0;
    JoinedRows rows(m_pWorkRecordset);
    auto addTask = [&]() {
      // The whole row is read before its item is made.
      const CString text = rows.TaskText();
      const int taid = rows.Taid();
      const int type = rows.TaskType();
      InsertTaskItem(*this, text, day, taid, type);
    };

    if (variant == Variant::TaskDays) {
      COleDateTime time;
      for (; !rows.AtEnd(); rows.Next()) {
        if (!rows.Time(time)) continue;
        placeDate(time, true);
        addTask();
      }
    } else {
      const bool workdaysOnly = variant == Variant::Workdays;
      // The first date: the first row with a task time (on a weekday).
      COleDateTime first(0.0);
      for (COleDateTime time; !rows.AtEnd(); rows.Next()) {
        if (rows.Time(time) && !(workdaysOnly && IsWeekend(time))) {
          first = time;
          break;
        }
      }
      if (first.GetYear() > 2000) {
        const double today = std::floor(static_cast<DATE>(COleDateTime::GetCurrentTime()));
        double cursor = std::floor(static_cast<DATE>(first));
        placeDate(COleDateTime(cursor), false);
        for (; cursor <= today; cursor += 1) {
          const COleDateTime date(cursor);
          if (workdaysOnly && IsWeekend(date)) continue;  // its tasks are passed over at the next weekday
          placeDate(date, false);
          makeDay(date);
          COleDateTime time;
          for (; !rows.AtEnd(); rows.Next()) {
            if (!rows.Time(time)) continue;
            const double at = static_cast<DATE>(time);
            if (at > cursor + kHalfSecond) break;  // a later day's
            if (at >= cursor - kHalfSecond) addTask();
          }
        }
      }
    }
    m_pWorkRecordset->Close();
  } catch (const _com_error& e) {
    CloseIfOpen(m_pWorkRecordset);
    ShowTreeError(m_hWnd, e);
    return 0;
  }
  for (HTREEITEM item : {day, month, year, root})
    if (item) Expand(item, TVE_EXPAND);
  return 0;
}
