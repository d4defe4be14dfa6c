#include "app/views/worktrees.h"

#include <map>

#include "app/data/datastore.h"
#include "app/data/des.h"
#include "app/data/schema.h"
#include "app/pravenorapp.h"
#include "platform/system/msgbox.h"

const char16_t* const kWorkKindNames[3] = {u"Work", u"Affairs of Life", u"Other Things"};

namespace {

CString TextOf(const _variant_t& v) {
  if (v.vt != VT_BSTR || !v.bstrVal) return CString();
  return CString(std::u16string_view(v.bstrVal, SysStringLen(v.bstrVal)));
}

CString Decipher(const CString& stored, const COleDateTime& start) {
  CDES des;
  return des.TransformText(stored, GetWorkNameKey(start), 1);
}

void ShowWalkError(const _com_error& e) {
  _bstr_t d = e.Description();
  const char16_t* text = static_cast<const char16_t*>(d);
  ::MessageBoxW(nullptr, text ? text : u"", u"Prompt", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

CDataStore& AppDataStore() { return static_cast<CPravenorApp*>(AfxGetApp())->m_dataStore; }

void CCaptionTree::FillCategoryTree() {
  m_works.clear();
  CDataStore& store = AppDataStore();
  _RecordsetPtr rs(u"ADODB.Recordset");
  // The placeholder is compared without regard to case, as the database does.
  const CString placeholder = CDataStore::Quote(u"Enter Work Name");
  try {
    std::map<int, std::size_t> byTid;
    for (int kind = 1; kind <= 3; ++kind) {
      CString sql;
      sql.Format(u"select workname,starttime,tid from things where worktype=%d and workname<>", kind);
      if (!store.OpenRecordset(sql + placeholder, rs)) continue;
      for (; !rs->GetadoEOF(); rs->MoveNext()) {
        Work w;
        w.tid = static_cast<long>(rs->GetCollect(_variant_t(u"tid")));
        w.worktype = kind;
        w.start = COleDateTime(rs->GetCollect(_variant_t(u"starttime")));
        w.name = Decipher(TextOf(rs->GetCollect(_variant_t(u"workname"))), w.start);
        byTid[w.tid] = m_works.size();
        m_works.push_back(std::move(w));
      }
      rs->Close();
    }
    CString tasks = CString(u"select taid,tid,tasktitle,tasktype from task where tasktitle<>") +
                    CDataStore::Quote(pravenor::schema::kTaskPlaceholder) + u" order by tid,taid";
    if (store.OpenRecordset(tasks, rs)) {
      for (; !rs->GetadoEOF(); rs->MoveNext()) {
        auto it = byTid.find(static_cast<long>(rs->GetCollect(_variant_t(u"tid"))));
        if (it == byTid.end()) continue;
        Task t;
        t.taid = static_cast<long>(rs->GetCollect(_variant_t(u"taid")));
        t.tasktype = static_cast<long>(rs->GetCollect(_variant_t(u"tasktype")));
        t.title = TextOf(rs->GetCollect(_variant_t(u"tasktitle")));
        m_works[it->second].tasks.push_back(std::move(t));
      }
      rs->Close();
    }
  } catch (const _com_error& e) {
    ShowWalkError(e);
  }
}

void CDateTree::FillDateTree() {
  m_entries.clear();
  CDataStore& store = AppDataStore();
  _RecordsetPtr rs(u"ADODB.Recordset");
  try {
    if (!store.OpenRecordset(u"SELECT workname,starttime,tasktitle,tasktime,taid,tasktype FROM things INNER JOIN task "
                             u"ON things.tid=task.tid order by tasktime,things.tid",
                             rs))
      return;
    // A work comes once per task: decipher each stored name once.
    std::map<std::pair<std::u16string, DATE>, CString> names;
    for (; !rs->GetadoEOF(); rs->MoveNext()) {
      Entry e;
      CString name = TextOf(rs->GetCollect(_variant_t(u"workname")));
      if (name.CompareNoCase(u"Enter Work Name") == 0) continue;
      COleDateTime start(rs->GetCollect(_variant_t(u"starttime")));
      auto key = std::make_pair(std::u16string(name.GetString(), static_cast<std::size_t>(name.GetLength())),
                                static_cast<DATE>(start));
      auto known = names.find(key);
      if (known == names.end()) known = names.emplace(std::move(key), Decipher(name, start)).first;
      e.workName = known->second;
      e.title = TextOf(rs->GetCollect(_variant_t(u"tasktitle")));
      if (e.title == pravenor::schema::kTaskPlaceholder) continue;
      e.taskTime = COleDateTime(rs->GetCollect(_variant_t(u"tasktime")));
      e.taid = static_cast<long>(rs->GetCollect(_variant_t(u"taid")));
      e.tasktype = static_cast<long>(rs->GetCollect(_variant_t(u"tasktype")));
      m_entries.push_back(std::move(e));
    }
    rs->Close();
  } catch (const _com_error& e) {
    ShowWalkError(e);
  }
}
