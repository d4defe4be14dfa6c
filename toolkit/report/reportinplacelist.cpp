#include "toolkit/report/reportinplacelist.h"

#include <algorithm>

#include "platform/base/clock.h"

#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/multimonitor.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportpaintmanager.h"

namespace {
constexpr DWORD kTypeAheadPause = 1300;
constexpr int kTextMargin = 2;  // the list box's space left of an entry's text
}  // namespace

CTKReportInplaceList::~CTKReportInplaceList() {
  if (m_hWnd) DestroyWindow();
  SetItemArgs(nullptr);
}

void CTKReportInplaceList::Create(TK_REPORTRECORDITEM_ARGS* pItemArgs, CTKReportRecordItemConstraints* pConstaints) {
  if (!pItemArgs || !pItemArgs->pControl || !pConstaints) return;
  SetItemArgs(pItemArgs);
  CTKReportControl* control = pControl;
  CRect rect(rcItem);
  // A cell that runs past the grid's edge hangs its list from the part the
  // grid shows.
  if (control->m_hWnd) {
    CRect client;
    control->GetClientRect(&client);
    rect.left = std::clamp(rect.left, client.left, client.right);
    rect.right = std::clamp(rect.right, rect.left, client.right);
  }
  if (!m_hWnd) {
    const DWORD exStyle = WS_EX_TOOLWINDOW | (control->GetExStyle() & WS_EX_LAYOUTRTL);
    CreateEx(exStyle, u"LISTBOX", u"", WS_CHILD | WS_BORDER | WS_VSCROLL | LBS_NOTIFY, rect, control, 0);
  }
  if (!m_hWnd) return;
  if (control->GetPaintManager()) CWnd::SetFont(control->GetPaintManager()->GetTextFont(), FALSE);
  ResetContent();
  m_strHotSearchText.Empty();

  int width = rect.Width() + 1;
  {
    CClientDC dc(this);
    CFont* old = control->GetPaintManager() ? dc.SelectObject(control->GetPaintManager()->GetTextFont()) : nullptr;
    for (int i = 0; i < pConstaints->GetCount(); ++i) {
      CTKReportRecordItemConstraint* constraint = pConstaints->GetAt(i);
      const int index = AddString(constraint->m_strConstraint);
      SetItemDataPtr(index, constraint);
      // The caption, the scroll bar, the list's frame and its text margin.
      const int needed = dc.GetTextExtent(constraint->m_strConstraint).cx + ::GetSystemMetrics(SM_CXHTHUMB) +
                         2 * ::GetSystemMetrics(SM_CXBORDER) + kTextMargin;
      width = std::max(width, needed);
    }
    if (old) dc.SelectObject(old);
  }
  const int data = pItem ? pItem->GetSelectedConstraintData(this) : -1;
  for (int i = 0; i < GetCount(); ++i) {
    auto* constraint = static_cast<CTKReportRecordItemConstraint*>(GetItemDataPtr(i));
    const BOOL match = data == -1 ? (pItem && constraint->m_strConstraint == pItem->GetCaption(pColumn))
                                  : constraint->m_dwData == static_cast<DWORD_PTR>(data);
    if (match) {
      SetCurSel(i);
      break;
    }
  }

  const int itemHeight = std::max(1, GetItemHeight(0));
  const int height = std::min(m_nItemsShow, GetCount()) * itemHeight + 2;
  CRect list(rect.right - width, rect.bottom, rect.right, rect.bottom + height);
  control->ClientToScreen(&list);
  CRect cellScreen(rect);
  control->ClientToScreen(&cellScreen);
  CTKMultiMonitor monitors;
  const CRect work = monitors.GetWorkAreaOfRect(list);
  if (list.bottom > work.bottom && cellScreen.top > work.top + work.Height() / 2)
    list.OffsetRect(0, cellScreen.top - height - list.top);
  if (list.right > work.right) list.OffsetRect(work.right - list.right, 0);
  if (list.left < work.left) list.OffsetRect(work.left - list.left, 0);

  // The list takes the focus while it is still the grid's child (so the
  // grid's window stays the active one), then hangs from the desktop: placed
  // in screen coordinates and not clipped by the grid. A window keeps its
  // WS_CHILD bit for life, so it is moved to the desktop rather than restyled.
  SetFocus();
  ModifyStyle(0, WS_POPUP);
  ::SetParent(m_hWnd, nullptr);
  SetWindowPos(&CWnd::wndTopMost, list.left, list.top, list.Width(), list.Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  CTKDrawHelpers::SetClickOutsideHook(this);
}

void CTKReportInplaceList::Apply() {
  if (!pControl) return;
  CTKReportControl* control = pControl;
  const int selected = GetCurSel();
  if (selected != LB_ERR && pItem) {
    m_bApply = TRUE;
    auto* constraint = static_cast<CTKReportRecordItemConstraint*>(GetItemDataPtr(selected));
    TK_REPORTRECORDITEM_ARGS args(*this);
    args.AddReferences();
    pItem->OnConstraintChanged(&args, constraint);
    control->RedrawControl();
    control->SendItemNotify(args.pRow, args.pItem, args.pColumn, TK_NM_REPORT_VALUECHANGED);
    args.ReleaseReferences();
  }
  control->SetFocus();
}

void CTKReportInplaceList::Cancel() {
  m_bApply = FALSE;
  HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
  if (!owner && pControl) owner = pControl->m_hWnd;
  if (owner) ::SetFocus(owner);
}

void CTKReportInplaceList::OnSelectionChanged(int nLBIndex) {
  if (!pControl || nLBIndex < 0) return;
  CString text;
  GetText(nLBIndex, text);
  CTKReportRecordItemEditOptions* options = pItem ? pItem->GetEditOptions(pColumn) : nullptr;
  if (!options) return;
  CTKReportRecordItemConstraints* constraints = options->GetConstraints();
  for (int i = 0; i < constraints->GetCount(); ++i) {
    CTKReportRecordItemConstraint* constraint = constraints->GetAt(i);
    if (constraint->m_strConstraint.CompareNoCase(text) == 0) {
      pControl->OnConstraintSelecting(pRow, pColumn, pItem, constraint);
      return;
    }
  }
}

void CTKReportInplaceList::OnTypeAhead(UINT nChar) {
  const DWORD now = ::GetTickCount();
  if (now - m_dwLastKeyDownTime > kTypeAheadPause) m_strHotSearchText.Empty();
  m_dwLastKeyDownTime = now;
  m_strHotSearchText += static_cast<WCHAR>(nChar);
  const int current = GetCurSel();
  int found = FindString(current == LB_ERR ? 0 : current, m_strHotSearchText);
  // Searching "after" the selection still finds it first when it matches;
  // LB_FINDSTRING starts after the index and wraps.
  if (found == LB_ERR && current != 0) found = FindString(0, m_strHotSearchText);
  if (found != LB_ERR) {
    SetCurSel(found);
    if (found != current) OnSelectionChanged(found);
  }
}

LRESULT CTKReportInplaceList::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const UINT nChar = static_cast<UINT>(wParam);
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (nChar == VK_RETURN || nChar == VK_F4) {
        Apply();
        return 0;
      }
      if (nChar == VK_ESCAPE) {
        Cancel();
        return 0;
      }
      if (nChar == VK_PRIOR || nChar == VK_NEXT || nChar == VK_END || nChar == VK_HOME || nChar == VK_UP ||
          nChar == VK_DOWN) {
        m_strHotSearchText.Empty();
      }
      {
        const int before = GetCurSel();
        LRESULT result = CListBox::WindowProc(message, wParam, lParam);
        const int after = m_hWnd ? GetCurSel() : LB_ERR;
        if (after != before && after != LB_ERR) OnSelectionChanged(after);
        return result;
      }
    case WM_SYSKEYDOWN:
      if (nChar == VK_UP || nChar == VK_DOWN) {
        Apply();
        return 0;
      }
      break;
    case WM_CHAR:
      if (nChar >= 32) OnTypeAhead(nChar);
      return 0;
    case WM_LBUTTONUP: {
      LRESULT result = CListBox::WindowProc(message, wParam, lParam);
      CRect client;
      GetClientRect(&client);
      if (client.PtInRect(CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)))) Apply();
      else Cancel();
      return result;
    }
    case WM_KILLFOCUS: {
      LRESULT result = CListBox::WindowProc(message, wParam, lParam);
      if (!m_bApply && pItem) {
        TK_REPORTRECORDITEM_ARGS args(*this);
        pItem->OnInplaceListCancel(&args);
      }
      m_bApply = FALSE;
      DestroyWindow();
      return result;
    }
    case WM_DESTROY:
      CTKDrawHelpers::SetClickOutsideHook(nullptr);
      SetItemArgs(nullptr);
      break;
    default:
      break;
  }
  return CListBox::WindowProc(message, wParam, lParam);
}
