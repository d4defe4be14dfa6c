// The report control's accessible face (the control, its header and its
// body rows as children) and the routing of messages to the cell tip, the
// tooltip context and markup elements.
#include "toolkit/report/reportcontrol.h"

#include "toolkit/common/lockguard.h"
#include "toolkit/common/tooltipcontext.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportrecorditem.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reporttip.h"

namespace {
HRESULT PutRect(LONG* left, LONG* top, LONG* width, LONG* height, const CRect& rc) {
  *left = rc.left;
  *top = rc.top;
  *width = rc.Width();
  *height = rc.Height();
  return S_OK;
}
}  // namespace

// ---- tips ---------------------------------------------------------------------------------------------

BOOL CTKReportControl::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  // Hiding the tip sends messages of its own, which must not be relayed to
  // it again; another grid's tip still sees them.
  if (m_pTip && m_pTip->m_hWnd && m_pTip->IsWindowVisible()) {
    CTKReentryGuard relaying(m_bRelayingToTip);
    if (relaying.Entered()) RelayToolTipEvent(message);
  }
  if (m_bShowTooltips && m_pToolTipContext && m_hWnd) {
    MSG msg{m_hWnd, message, wParam, lParam, 0, {}};
    ::GetCursorPos(&msg.pt);
    m_pToolTipContext->FilterToolTipMessage(this, &msg);
  }
  // Hyperlinks and buttons of markup captions see the messages first.
  if (m_pMarkupContext && m_hWnd) {
    CPoint pt;
    ::GetCursorPos(&pt);
    ScreenToClient(&pt);
    CTKMarkupObject* element = nullptr;
    if (CTKReportRow* row = HitTestRow(pt)) {
      if (CTKReportRecordItem* item = row->HitTest(pt)) element = item->GetMarkupUIElement();
      if (!element && row->IsGroupRow()) element = static_cast<CTKReportGroupRow*>(row)->GetMarkupUIElement();
    }
    LRESULT result = 0;
    const BOOL handled = element ? MarkupRelayElementMessage(element, message, wParam, lParam, &result)
                                 : MarkupRelayContextMessage(m_pMarkupContext, message, wParam, lParam, &result);
    if (handled) {
      if (pResult) *pResult = result;
      return TRUE;
    }
  }
  return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

void CTKReportControl::RelayToolTipEvent(UINT message) {
  if (!m_pTip || !m_pTip->m_hWnd || !m_pTip->IsWindowVisible()) return;
  CPoint cursor;
  ::GetCursorPos(&cursor);
  CRect rc;
  m_pTip->GetWindowRect(&rc);
  const BOOL outside = !rc.PtInRect(cursor);
  if (outside) m_pTip->SetTooltipText(u"");
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_MOUSELEAVE:
      m_pTip->Activate(FALSE, FALSE);
      break;
    default:
      if (outside) m_pTip->Activate(FALSE, FALSE);
      break;
  }
}

INT_PTR CTKReportControl::OnToolHitTest(CPoint point, TOOLINFOW* pTI) const {
  INT_PTR hit = CWnd::OnToolHitTest(point, pTI);
  if (hit != -1) return hit;
  if (m_pReportHeader) {
    hit = m_pReportHeader->OnToolHitTest(point, pTI);
    if (hit != -1) return hit;
  }
  if (CTKReportRow* row = HitTestRow(point)) return row->OnToolHitTest(point, pTI);
  return -1;
}

// ---- accessibility ----------------------------------------------------------------------------------

LRESULT CTKReportControl::OnGetObject(WPARAM wParam, LPARAM lParam) {
  if (static_cast<LONG>(lParam) != OBJID_CLIENT) return Default();
  LRESULT result = GetLresultFromObject(IID_IAccessible, wParam, GetAccessibleInterface());
  return result;
}

HRESULT CTKReportControl::GetAccessibleParent(IDispatch** ppdispParent) {
  if (!ppdispParent) return E_POINTER;
  *ppdispParent = nullptr;
  if (!m_hWnd) return E_FAIL;
  return GetAccessibleObjectFromWindow(m_hWnd, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                       reinterpret_cast<void**>(ppdispParent));
}

HRESULT CTKReportControl::GetAccessibleChildCount(LONG* pcountChildren) {
  if (!pcountChildren) return E_POINTER;
  *pcountChildren = GetBodyRows()->GetCount() + 1;
  return S_OK;
}

HRESULT CTKReportControl::GetAccessibleChild(VARIANT varChild, IDispatch** ppdispChild) {
  if (!ppdispChild) return E_POINTER;
  *ppdispChild = nullptr;
  const LONG child = GetChildIndex(&varChild);
  if (child == 1 && m_pReportHeader) {
    *ppdispChild = m_pReportHeader->GetAccessibleInterface();
  } else if (child >= 2 && child - 2 < GetBodyRows()->GetCount() && GetBodyRows()->GetAt(child - 2)) {
    *ppdispChild = GetBodyRows()->GetAt(child - 2)->GetAccessibleInterface();
  } else {
    return E_INVALIDARG;
  }
  (*ppdispChild)->AddRef();
  return S_OK;
}

HRESULT CTKReportControl::GetAccessibleName(VARIANT varChild, BSTR* pszName) {
  if (!pszName) return E_POINTER;
  *pszName = nullptr;
  if (GetChildIndex(&varChild) != 0) return E_INVALIDARG;
  CString text;
  if (m_hWnd) GetWindowText(text);
  if (text.IsEmpty()) text = u"Report";
  *pszName = text.AllocSysString();
  return S_OK;
}

HRESULT CTKReportControl::GetAccessibleRole(VARIANT varChild, VARIANT* pvarRole) {
  if (!pvarRole) return E_POINTER;
  VariantInit(pvarRole);
  if (GetChildIndex(&varChild) != 0) return E_INVALIDARG;
  pvarRole->vt = VT_I4;
  pvarRole->lVal = ROLE_SYSTEM_TABLE;
  return S_OK;
}

HRESULT CTKReportControl::GetAccessibleState(VARIANT varChild, VARIANT* pvarState) {
  if (!pvarState) return E_POINTER;
  VariantInit(pvarState);
  if (GetChildIndex(&varChild) != 0) return E_INVALIDARG;
  pvarState->vt = VT_I4;
  pvarState->lVal = STATE_SYSTEM_FOCUSABLE;
  return S_OK;
}

HRESULT CTKReportControl::AccessibleLocation(LONG* pxLeft, LONG* pyTop, LONG* pcxWidth, LONG* pcyHeight,
                                             VARIANT varChild) {
  if (!pxLeft || !pyTop || !pcxWidth || !pcyHeight) return E_POINTER;
  if (!m_hWnd) return E_FAIL;
  const LONG child = GetChildIndex(&varChild);
  CRect rc;
  if (child == 0) {
    GetWindowRect(&rc);
    return PutRect(pxLeft, pyTop, pcxWidth, pcyHeight, rc);
  }
  if (child == 1) {
    rc = m_rcHeaderArea;
  } else if (child >= 2 && child - 2 < GetBodyRows()->GetCount() && GetBodyRows()->GetAt(child - 2)) {
    rc = GetBodyRows()->GetAt(child - 2)->GetRect();
  } else {
    return E_INVALIDARG;
  }
  ClientToScreen(&rc);
  return PutRect(pxLeft, pyTop, pcxWidth, pcyHeight, rc);
}

HRESULT CTKReportControl::AccessibleHitTest(LONG xLeft, LONG yTop, VARIANT* pvarChild) {
  if (!pvarChild) return E_POINTER;
  VariantInit(pvarChild);
  if (!m_hWnd) return E_FAIL;
  CPoint pt(xLeft, yTop);
  CRect window;
  GetWindowRect(&window);
  if (!window.PtInRect(pt)) return S_FALSE;
  ScreenToClient(&pt);
  IDispatch* object = nullptr;
  if (m_rcHeaderArea.PtInRect(pt) && m_pReportHeader) {
    object = m_pReportHeader->GetAccessibleInterface();
  } else if (CTKReportRow* row = HitTestRow(pt)) {
    object = row->GetAccessibleInterface();
  }
  if (object) {
    object->AddRef();
    pvarChild->vt = VT_DISPATCH;
    pvarChild->pdispVal = object;
  } else {
    pvarChild->vt = VT_I4;
    pvarChild->lVal = CHILDID_SELF;
  }
  return S_OK;
}
