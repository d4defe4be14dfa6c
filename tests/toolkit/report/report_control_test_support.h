// A report control in a parent window that records the control's
// notifications, for the layout, painting and header tests.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecord.h"

class ReportNotifyRecorder : public CWnd {
 public:
  struct Notice {
    int code;
    CTKReportColumn* column;
    int flags;  // the flags of -55/-82, the new width of -68
  };
  std::vector<Notice> notices;

  BOOL CreateParent(int cx, int cy) {
    return CreateEx(0, AfxRegisterWndClass(0), u"Parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, cx, cy, nullptr,
                    nullptr);
  }
  std::vector<Notice> Of(int code) const {
    std::vector<Notice> v;
    for (const Notice& n : notices)
      if (n.code == code) v.push_back(n);
    return v;
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_NOTIFY) {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      Notice n{static_cast<int>(hdr->code), nullptr, 0};
      if (n.code == TK_NM_REPORT_COLUMNCHANGED || n.code == TK_NM_REPORT_COLUMNORDERCHANGED) {
        struct Block {
          NMHDR hdr;
          CTKReportColumn* column;
          int flags;
        };
        n.column = reinterpret_cast<Block*>(lParam)->column;
        n.flags = reinterpret_cast<Block*>(lParam)->flags;
      } else if (n.code == TK_NM_REPORT_COLUMNWIDTHCHANGED) {
        struct Block {
          NMHDR hdr;
          CTKReportColumn* column;
          int previous;
          int width;
        };
        n.column = reinterpret_cast<Block*>(lParam)->column;
        n.flags = reinterpret_cast<Block*>(lParam)->width;
      } else if (n.code == TK_NM_REPORT_CLICK || n.code == TK_NM_REPORT_COLUMNEXPANDED) {
        n.column = reinterpret_cast<ReportItemNotify*>(lParam)->pColumn;
      }
      notices.push_back(n);
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

class ReportControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1280, 1024, 40);
    ASSERT_TRUE(parent.CreateParent(640, 480));
  }
  void TearDown() override {
    delete control;
    control = nullptr;
    parent.DestroyWindow();
    pvtest::ResetDesktop();
  }
  // A control of the client size with the columns' widths (auto-sized
  // unless the header sizes are switched off) and `rows` records.
  void Make(int cx, int cy, std::vector<int> widths, int rows, DWORD style = WS_VSCROLL | WS_HSCROLL) {
    control = new CTKReportControl();
    ASSERT_TRUE(control->Create(WS_CHILD | WS_VISIBLE | style, CRect(0, 0, cx, cy), &parent, 100));
    for (std::size_t i = 0; i < widths.size(); i++) {
      CString caption;
      caption.Format(u"Column %d", static_cast<int>(i));
      control->AddColumn(new CTKReportColumn(static_cast<int>(i), caption, widths[i]));
    }
    control->BeginUpdate();
    for (int r = 0; r < rows; r++) {
      auto* record = new CTKReportRecord();
      for (std::size_t i = 0; i < widths.size(); i++) {
        CString text;
        text.Format(u"r%d c%d", r, static_cast<int>(i));
        record->AddItem(new CTKReportRecordItemText(text));
      }
      control->AddRecord(record);
    }
    control->EndUpdate();
    control->RebuildRows();
    control->AdjustLayout();
    control->AdjustScrollBars();
  }
  CTKReportColumn* Col(int i) { return control->GetColumns()->GetAt(i); }
  CTKReportHeader* Header() { return control->GetReportHeader(); }
  CPoint ColumnCentre(int i) {
    CRect rc(Col(i)->m_rcColumn);
    return rc.CenterPoint();
  }
  void Paint() {
    control->RedrawControl();
    control->UpdateWindow();
  }

  ReportNotifyRecorder parent;
  CTKReportControl* control = nullptr;
};
