// What a view's printing steps are given: the print job's page range and
// state (CPrintInfo) and the print dialog's record. Printing itself is not
// offered: no printer defaults exist, so the framework never starts a job,
// but code that formats pages from a CPrintInfo compiles and runs.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "platform/base/globalmem.h"

struct PRINTDLGW {
  DWORD lStructSize = sizeof(PRINTDLGW);
  HWND hwndOwner = nullptr;
  HGLOBAL hDevMode = nullptr;
  HGLOBAL hDevNames = nullptr;
  HDC hDC = nullptr;
  DWORD Flags = 0;
  WORD nFromPage = 0xFFFF;
  WORD nToPage = 0xFFFF;
  WORD nMinPage = 1;
  WORD nMaxPage = 0xFFFF;  // 0xFFFF: the page count is not known yet
  WORD nCopies = 1;
};
using PRINTDLG = PRINTDLGW;
#define PD_RETURNDC 0x00000100
#define PD_RETURNDEFAULT 0x00000400
#define PD_NOSELECTION 0x00000004
#define PD_PAGENUMS 0x00000002

class CPrintDialog {
 public:
  explicit CPrintDialog(BOOL bPrintSetupOnly = FALSE, DWORD dwFlags = 0) : m_bPrintSetupOnly(bPrintSetupOnly) {
    m_pd.Flags = dwFlags;
  }
  virtual ~CPrintDialog() = default;
  PRINTDLGW m_pd;
  BOOL m_bPrintSetupOnly;
};

class CPrintInfo {
 public:
  CPrintInfo() : m_pPD(new CPrintDialog(FALSE)) {}
  ~CPrintInfo() { delete m_pPD; }
  CPrintInfo(const CPrintInfo&) = delete;
  CPrintInfo& operator=(const CPrintInfo&) = delete;

  void SetMinPage(UINT nMinPage) { m_pPD->m_pd.nMinPage = static_cast<WORD>(nMinPage); }
  void SetMaxPage(UINT nMaxPage) { m_pPD->m_pd.nMaxPage = static_cast<WORD>(nMaxPage); }
  UINT GetMinPage() const { return m_pPD->m_pd.nMinPage; }
  UINT GetMaxPage() const { return m_pPD->m_pd.nMaxPage; }
  UINT GetFromPage() const { return m_pPD->m_pd.nFromPage; }
  UINT GetToPage() const { return m_pPD->m_pd.nToPage; }

  CPrintDialog* m_pPD;
  BOOL m_bDirect = FALSE;
  BOOL m_bPreview = FALSE;
  BOOL m_bContinuePrinting = TRUE;
  UINT m_nCurPage = 1;
  UINT m_nNumPreviewPages = 1;
  CString m_strPageDesc;
  LPVOID m_lpUserData = nullptr;
  CRect m_rectDraw;
};
