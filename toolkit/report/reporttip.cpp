#include "toolkit/report/reporttip.h"

#include "toolkit/common/multimonitor.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/common/tooltipcontext.h"
#include "toolkit/report/reportcontrol.h"

BEGIN_MESSAGE_MAP(CTKReportTip, CWnd)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_NCHITTEST()
END_MESSAGE_MAP()

CTKReportTip::~CTKReportTip() {
  m_fntToolTip.DeleteObject();
  if (m_hWnd) DestroyWindow();
}

BOOL CTKReportTip::Create(CWnd* pParentWnd) {
  if (m_hWnd) return TRUE;
  m_pParentWnd = pParentWnd;
  LPCTSTR wndClass = AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW));
  return CreateEx(WS_EX_TOOLWINDOW, wndClass, nullptr, WS_POPUP, CRect(0, 0, 0, 0), pParentWnd, 0);
}

void CTKReportTip::SetFont(CFont* pFont) {
  m_fntToolTip.DeleteObject();
  LOGFONTW lf{};
  if (pFont && pFont->GetLogFont(&lf)) m_fntToolTip.CreateFontIndirect(&lf);
}

void CTKReportTip::SetHoverRect(CRect rc) {
  m_rcHover = rc;
  if (m_hWnd) MoveWindow(&rc, TRUE);
}

void CTKReportTip::SetTooltipRect(CRect rc) {
  m_rcTooltip = rc;
  if (m_hWnd) MoveWindow(&rc, TRUE);
}

BOOL CTKReportTip::ParentIsRightToLeft() const {
  return m_pParentWnd && m_pParentWnd->m_hWnd &&
         (m_pParentWnd->GetExStyle() & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL)) != 0;
}

void CTKReportTip::AdjustRect(CRect& rc) {
  if (!m_bMultiLine) {
    SIZE size{};
    if (m_hWnd) {
      CClientDC dc(this);
      CTKFontDC font(&dc, m_fntToolTip.GetSafeHandle() ? &m_fntToolTip : nullptr);
      ::GetTextExtentPoint32(dc.GetSafeHdc(), m_strTooltipText, m_strTooltipText.GetLength(), &size);
    }
    rc.right = rc.left + size.cx + 6;
  }
  if (ParentIsRightToLeft()) rc.OffsetRect(m_rcHover.right + 1 - rc.right, 0);
  CRect work;
  GetMultiMonitor()->GetWorkAreaAtCursor(&work);
  if (rc.right > work.right) rc.OffsetRect(work.right - rc.right, 0);
  if (rc.left < work.left) rc.OffsetRect(work.left - rc.left, 0);
  if (m_bMultiLine && rc.bottom > work.bottom) rc.OffsetRect(0, work.bottom - rc.bottom);
}

void CTKReportTip::Activate(BOOL bActive, BOOL bMultiLine) {
  m_bMultiLine = bMultiLine;
  if (!m_hWnd) return;
  if (bActive) {
    CRect rc;
    GetWindowRect(&rc);
    AdjustRect(rc);
    MoveWindow(&rc, TRUE);
    Invalidate(FALSE);
    SetWindowPos(&CWnd::wndTop, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_SHOWWINDOW);
  } else {
    SetWindowPos(&CWnd::wndTop, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOZORDER | SWP_HIDEWINDOW);
  }
}

void CTKReportTip::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  dc.SetBkMode(TRANSPARENT);
  // The look of the control's other tips: background, frame, text colour.
  if (CTKToolTipContext* context = m_pReportControl ? m_pReportControl->GetToolTipContext() : nullptr) {
    context->DrawBackground(&dc, client);
  } else {
    dc.FillSolidRect(&client, ::GetSysColor(COLOR_INFOBK));
    dc.Draw3dRect(&client, ::GetSysColor(COLOR_WINDOWFRAME), ::GetSysColor(COLOR_WINDOWFRAME));
    dc.SetTextColor(::GetSysColor(COLOR_INFOTEXT));
  }
  if (ParentIsRightToLeft()) dc.SetTextAlign(TA_RTLREADING);
  CTKFontDC font(&dc, m_fntToolTip.GetSafeHandle() ? &m_fntToolTip : nullptr);
  CRect rcText(client);
  if (m_bMultiLine) {
    rcText.left += 2;
    rcText.right -= 1;
    dc.DrawText(m_strTooltipText, &rcText, DT_WORDBREAK | DT_VCENTER | DT_NOPREFIX);
  } else {
    rcText.left += 3;
    rcText.top -= 2;
    dc.DrawText(m_strTooltipText, &rcText, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
}

// ---- borders ----

RECT DeflateByThickness(int left, int top, int right, int bottom, const CTKReportThickness* pThickness) {
  if (!pThickness) return RECT{left, top, right, bottom};
  return RECT{left + pThickness->m_nLeft, top + pThickness->m_nTop, right - pThickness->m_nRight,
              bottom - pThickness->m_nBottom};
}

CTKReportBorder::CTKReportBorder()
    : m_pMargin(new CTKReportThickness()),
      m_pBorderThickness(new CTKReportThickness()),
      m_pPadding(new CTKReportThickness()) {}

CTKReportBorder::~CTKReportBorder() {
  delete m_pMargin;
  delete m_pBorderThickness;
  delete m_pPadding;
}

SIZE CTKReportBorder::GetSize() const {
  const SIZE a = m_pMargin->GetSize(), b = m_pBorderThickness->GetSize(), c = m_pPadding->GetSize();
  return SIZE{a.cx + b.cx + c.cx, a.cy + b.cy + c.cy};
}

void CTKReportBorder::Draw(CDC* pDC, int left, int top, int right, int bottom) {
  if (!pDC || bottom < top) return;
  const RECT r = DeflateByThickness(left, top, right, bottom, m_pMargin);
  const CTKReportThickness& t = *m_pBorderThickness;
  const RECT strips[4] = {{r.left, r.top, r.left + t.m_nLeft, r.bottom},
                          {r.left, r.top, r.right, r.top + t.m_nTop},
                          {r.right - t.m_nRight, r.top, r.right, r.bottom},
                          {r.left, r.bottom - t.m_nBottom, r.right, r.bottom}};
  CBrush brush;
  brush.CreateSolidBrush(m_clrBorder);
  for (const RECT& strip : strips) ::FillRect(pDC->GetSafeHdc(), &strip, static_cast<HBRUSH>(brush.GetSafeHandle()));
}
