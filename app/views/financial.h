// The count form (form 201): income and expenditure items of completed
// tasks in a period, optionally matching a keyword, with their sums. It
// only reads the database.
#pragma once

#include "app/views/filereportcontrol.h"
#include "platform/ado/ado.h"
#include "platform/base/oledatetime.h"
#include "platform/framework/afxdoc.h"
#include "platform/framework/afxframe.h"

class CFinancialDoc : public CDocument {
  DECLARE_DYNCREATE(CFinancialDoc)
 public:
  CFinancialDoc() = default;
  BOOL OnNewDocument() override;
};

class CFinancialFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CFinancialFrame)
 public:
  CFinancialFrame() = default;
  BOOL Create(LPCTSTR cls, LPCTSTR name, DWORD style, const RECT& rect, CMDIFrameWnd* parent,
              CCreateContext* context) override;
};

class CFinancialView : public CFormView {
  DECLARE_DYNCREATE(CFinancialView)
 public:
  enum { IDD = 201 };
  CFinancialView();
  ~CFinancialView() override;

  void OnInitialUpdate() override;
  void OnSearch();
  void OnAdd();
  void OnClear();
  void OnItemButtonClick(NMHDR* pNMHDR, LRESULT* pResult);
  void OnExcludeChecked(NMHDR* pNMHDR, LRESULT* pResult);
  void OnItemDblClk(NMHDR* pNMHDR, LRESULT* pResult);
  void RecalcTotals();

  // The sums as shown (single precision, as the fields exchange them) and
  // as summed (double precision).
  float m_fIncome = 0;
  float m_fExpenditure = 0;
  float m_fTotal = 0;
  double m_dIncome = 0;
  double m_dExpenditure = 0;
  CFileReportControl m_wndItems;
  COleDateTime m_start;
  COleDateTime m_end;
  CString m_strKeyword;
  _RecordsetPtr m_pRecordset;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  DECLARE_MESSAGE_MAP()

 private:
  void RemoveAllRows();
  // Search (withItemId false) and Add (true): lists the matching items.
  void ListItems(bool withItemId);
  bool m_bColumnsMade = false;
};
