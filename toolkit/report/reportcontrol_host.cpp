// The report control's answers to its records, items and columns, given
// through the data host interface that the control's resolver finds.
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportdatahost.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportpaintmanager.h"

namespace {

class CReportControlHost : public CTKReportDataHost {
 public:
  explicit CReportControlHost(CTKReportControl* control) : m_control(control) {}

  CTKReportColumns* GetColumns() override { return m_control->GetColumns(); }
  BOOL HasHeader() override { return m_control->GetReportHeader() != nullptr; }
  int GetHeaderIndentLevel() override {
    return m_control->GetReportHeader() ? m_control->GetReportHeader()->GetIndentLevel() : 0;
  }
  void OnColumnsChanged(int flags, CTKReportColumn* column) override {
    if (m_control->GetReportHeader()) m_control->GetReportHeader()->OnColumnsChanged(flags, column);
  }
  CTKReportColumn* GetPressedColumn() override {
    return m_control->GetReportHeader() ? m_control->GetReportHeader()->GetPressedColumn() : nullptr;
  }
  CTKReportColumn* GetHotTrackedColumn() override {
    return m_control->GetReportHeader() ? m_control->GetReportHeader()->GetHotTrackedColumn() : nullptr;
  }
  int GetIconViewColumn() override { return m_control->GetIconViewColumn(); }
  BOOL IsIconView() override { return m_control->IsIconView(); }
  void EnsureColumnVisible(CTKReportColumn* column) override { m_control->EnsureColumnVisible(column); }
  void SetFocusedColumn(CTKReportColumn* column) override { m_control->SetFocusedColumn(column); }
  int GetColumnDataWidth(CTKReportColumn* column) override { return m_control->GetColumnDataWidth(column); }
  int GetIndentPerLevel() override { return m_control->PaintTreeIndent(); }
  CTKMarkupContext* GetMarkupContext() override { return m_control->GetMarkupContext(); }
  int GetRowIndex(CTKReportRow* row) override { return row ? row->GetIndex() : -1; }
  CTKReportRecord* GetRowRecord(CTKReportRow* row) override { return row ? row->GetRecord() : nullptr; }

  // ---- the paint manager's settings ----
  BOOL IsRightToLeft() override { return PM() ? PM()->IsRightToLeft() : FALSE; }
  BOOL HeaderFollowsColumnAlignment() override { return PM() && PM()->IsHeaderFollowsColumnAlignment(); }
  int GetSortArrowPlacement() override { return PM() ? PM()->GetSortArrowPlacement() : 0; }
  COLORREF GetFormulaColor(int index) override {
    return PM() ? PM()->GetFormulaColor(index) : CTKReportDataHost::GetFormulaColor(index);
  }
  CFont* GetBoldTextFont() override { return PM() ? PM()->GetBoldTextFont() : nullptr; }
  int MeasureColumnCaption(CTKReportColumn* column) override {
    if (!PM() || !column) return 0;
    CWindowDC dc(nullptr);
    return column->GetCaptionWidth(&dc);
  }
  int GetHeaderIconWidth(CTKReportColumn*, int iconId) override {
    return PM() ? PM()->DrawBitmap(nullptr, m_control, CRect(0, 0, 0, 0), iconId) : 0;
  }

 private:
  CTKReportPaintManager* PM() const { return m_control->GetPaintManager(); }
  CTKReportControl* m_control;
};

CTKReportDataHost* ResolveControl(CTKReportControl* control) { return control ? control->GetDataHost() : nullptr; }

}  // namespace

std::unique_ptr<CTKReportDataHost> TKMakeReportControlHost(CTKReportControl* control) {
  // Installed by every control made, so that a resolver a test swapped in
  // and out does not leave later controls unanswered.
  TKSetReportDataHostResolver(&ResolveControl);
  return std::make_unique<CReportControlHost>(control);
}
