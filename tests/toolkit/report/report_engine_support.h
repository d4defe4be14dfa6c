// Shared pieces of the report engine tests: records of text and number
// items, a control in a host window that records (and may answer) the
// control's notifications, and the display list written out as text.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportselectedrows.h"

namespace rptest {

inline std::string Narrow(const CString& s) {
  std::string out;
  for (int i = 0; i < s.GetLength(); ++i) out += static_cast<char>(s[i]);
  return out;
}
inline CString Wide(const std::string& s) {
  CString out;
  for (char c : s) out += static_cast<char16_t>(c);
  return out;
}

// A record whose items are texts (item 0 is its name).
inline CTKReportRecord* TextRecord(const std::vector<std::string>& texts) {
  auto* record = new CTKReportRecord();
  for (const std::string& t : texts) record->AddItem(new CTKReportRecordItemText(Wide(t).GetString()));
  return record;
}

// A record named `name` with a text item and a number item.
inline CTKReportRecord* NamedRecord(const std::string& name, const std::string& text, double number) {
  auto* record = new CTKReportRecord();
  record->AddItem(new CTKReportRecordItemText(Wide(name).GetString()));
  record->AddItem(new CTKReportRecordItemText(Wide(text).GetString()));
  record->AddItem(new CTKReportRecordItemNumber(number));
  return record;
}

inline std::string NameOf(CTKReportRecord* record) {
  return record && record->GetItem(0) ? Narrow(record->GetItem(0)->GetCaption(nullptr)) : std::string("?");
}

// The display list as text: "G:<caption>" for group rows, the record's
// name for others, each prefixed by its tree depth.
inline std::vector<std::string> Display(CTKReportRows* rows) {
  std::vector<std::string> out;
  for (int i = 0; i < rows->GetCount(); ++i) {
    CTKReportRow* row = rows->GetAt(i);
    std::string text = std::to_string(row->GetTreeDepth()) + ":";
    if (row->IsGroupRow()) text += "G:" + Narrow(static_cast<CTKReportGroupRow*>(row)->GetCaption());
    else text += NameOf(row->GetRecord());
    out.push_back(text);
  }
  return out;
}

// The names of the selected rows, in display order.
inline std::vector<std::string> SelectedNames(CTKReportControl& c) {
  std::vector<std::string> out;
  CTKReportSelectedRows* sel = c.GetSelectedRows();
  for (int i = 0; i < sel->GetCount(); ++i) {
    CTKReportRow* row = sel->GetAt(i);
    out.push_back(row->IsGroupRow() ? "G:" + Narrow(static_cast<CTKReportGroupRow*>(row)->GetCaption())
                                    : NameOf(row->GetRecord()));
  }
  return out;
}

// A top-level window that records the WM_NOTIFY codes it gets and lets a
// test answer them.
class NotifyHost : public CWnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_NOTIFY) {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      const int code = static_cast<int>(header->code);
      codes.push_back(code);
      if (onNotify) return onNotify(code, header);
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
  int Count(int code) const {
    int n = 0;
    for (int c : codes) n += c == code;
    return n;
  }
  std::vector<int> codes;
  std::function<LRESULT(int, NMHDR*)> onNotify;
};

// A control with three columns (name, text, number) in a host window.
class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    host = std::make_unique<NotifyHost>();
    ASSERT_TRUE(
        host->CreateEx(0, AfxRegisterWndClass(0), u"host", WS_POPUP | WS_VISIBLE, CRect(0, 0, 600, 400), nullptr, 0));
    control = std::make_unique<CTKReportControl>();
    ASSERT_TRUE(control->Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 500, 300), host.get(), 7));
    name = control->AddColumn(new CTKReportColumn(0, u"Name", 100));
    text = control->AddColumn(new CTKReportColumn(1, u"Text", 100));
    number = control->AddColumn(new CTKReportColumn(2, u"Number", 100));
  }
  void TearDown() override {
    if (control) ExpectSane();
    control.reset();
    if (host && host->m_hWnd) host->DestroyWindow();
    host.reset();
    pvtest::ResetDesktop();
  }

  CTKReportRecord* Add(const std::string& n, const std::string& t, double v) {
    return control->AddRecord(NamedRecord(n, t, v));
  }
  // The invariants of the rows and the selection. Every access to the rows
  // checks them, so each operation is checked before the next one looks
  // (and the last one at the end of the test).
  void ExpectSane() {
    CString why;
    EXPECT_TRUE(control->CheckInvariants(&why)) << Narrow(why);
  }
  CTKReportRows* Rows() {
    ExpectSane();
    return control->GetBodyRows();
  }
  CTKReportRow* RowNamed(const std::string& n) {
    for (int i = 0; i < Rows()->GetCount(); ++i)
      if (!Rows()->GetAt(i)->IsGroupRow() && NameOf(Rows()->GetAt(i)->GetRecord()) == n) return Rows()->GetAt(i);
    return nullptr;
  }
  std::string FocusedName() {
    CTKReportRow* row = control->GetFocusedRow();
    if (!row) return "";
    return row->IsGroupRow() ? "G" : NameOf(row->GetRecord());
  }

  std::unique_ptr<NotifyHost> host;
  std::unique_ptr<CTKReportControl> control;
  CTKReportColumn* name = nullptr;
  CTKReportColumn* text = nullptr;
  CTKReportColumn* number = nullptr;
};

}  // namespace rptest
