// The report control's side of the ADO binding: its data manager, made on
// first request, and what the manager does to the control.
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportdatamanager.h"
#include "toolkit/report/reportrecords.h"

namespace {

class ControlDataTarget : public CTKReportDataManagerTarget {
 public:
  explicit ControlDataTarget(CTKReportControl* pControl) : m_pControl(pControl) {}

  CTKReportRecords* GetRecords() override { return m_pControl->GetRecords(); }
  void RemoveAllColumns() override { m_pControl->GetColumns()->Clear(); }
  void AddColumn(CTKReportColumn* pColumn) override { m_pControl->AddColumn(pColumn); }
  void ResetContent(BOOL bUpdateControl) override { m_pControl->ResetContent(bUpdateControl); }
  // The control's collection takes over the reference given to it; the
  // manager keeps its own.
  void AddRecord(CTKReportRecord* pRecord) override {
    pRecord->InternalAddRef();
    m_pControl->AddRecord(pRecord);
  }
  void AddRecordEx(CTKReportRecord* pRecord) override {
    pRecord->InternalAddRef();
    m_pControl->AddRecordEx(pRecord, nullptr, -1, -1);
  }
  void RemoveRecordEx(CTKReportRecord* pRecord) override { m_pControl->RemoveRecordEx(pRecord, TRUE, TRUE); }
  void UpdateRecord(CTKReportRecord* pRecord, BOOL bUpdateChildren) override {
    m_pControl->UpdateRecord(pRecord, bUpdateChildren);
  }
  void RebuildRows() override { m_pControl->RebuildRows(); }

 private:
  CTKReportControl* m_pControl;
};

}  // namespace

CTKReportDataManager::CTKReportDataManager(CTKReportControl* pReportControl)
    : m_pReportControl(pReportControl), m_pOwnTarget(std::make_unique<ControlDataTarget>(pReportControl)) {
  m_pTarget = m_pOwnTarget.get();
}

CTKReportDataManager* CTKReportControl::GetOrCreateDataManager() {
  if (!m_pDataManager) m_pDataManager = new CTKReportDataManager(this);
  return m_pDataManager;
}
