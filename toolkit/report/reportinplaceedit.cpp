#include "toolkit/report/reportinplaceedit.h"

#include <algorithm>

#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrow.h"

CTKReportInplaceEdit::CTKReportInplaceEdit() = default;

CTKReportInplaceEdit::~CTKReportInplaceEdit() {
  if (m_hWnd) DestroyWindow();
  SetItemArgs(nullptr);
}

CTKReportRecordItemEditOptions* CTKReportInplaceEdit::EditOptions() {
  return pItem ? pItem->GetEditOptions(pColumn) : nullptr;
}

void CTKReportInplaceEdit::Create(TK_REPORTRECORDITEM_ARGS* pItemArgs) {
  if (!pItemArgs || !pItemArgs->pControl || !pItemArgs->pRow) return;
  SetItemArgs(pItemArgs);
  m_pSelectedConstraint = nullptr;
  CTKReportControl* control = pControl;

  auto* metrics = new TK_REPORTRECORDITEM_METRICS;
  pRow->FillItemMetrics(pColumn, pItem, metrics);
  CString text = metrics->strText;
  if (!control->IsVirtualMode()) {
    if (pItem) {
      text = pItem->GetCaption(pColumn);
    } else if (auto* group = dynamic_cast<CTKReportGroupRow*>(pRow)) {
      text = group->GetCaption();
    }
  }
  CTKReportRecordItemEditOptions* options = EditOptions();
  if (!options) {
    metrics->InternalRelease();
    return;
  }
  CRect rect(rcItem);
  rect.DeflateRect(1, 1);
  // A cell the grid shows only in part is edited in the part it shows.
  if (control->m_hWnd) {
    CRect client;
    control->GetClientRect(&client);
    rect.left = std::max(rect.left, client.left);
    rect.right = std::min(rect.right, client.right);
  }
  m_clrText = metrics->clrForeground;
  m_strText_prev = text;
  m_strText = text;

  DWORD style = (options->m_dwEditStyle & ~3u) | WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  CTKReportPaintManager* paint = control->GetPaintManager();
  if (!paint || paint->m_bUseEditTextAlignment) {
    if (metrics->nColumnAlignment & DT_RIGHT) style |= ES_RIGHT;
    else if (metrics->nColumnAlignment & DT_CENTER) style |= ES_CENTER;
  }
  if (m_hWnd) {
    const DWORD mask = WS_CHILD | WS_VISIBLE | ES_READONLY;
    if ((GetStyle() & mask) != (style & mask)) DestroyWindow();
  }
  if (!m_hWnd) CEdit::Create(style, rect, control, 0);
  if (!m_hWnd) {
    metrics->InternalRelease();
    return;
  }
  if (control->GetExStyle() & WS_EX_RTLREADING) ModifyStyleEx(0, WS_EX_RTLREADING);
  SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(options->m_nMaxLength));
  SetFont(metrics->pFont ? metrics->pFont : (paint ? paint->GetTextFont() : nullptr));
  SetWindowText(text);
  SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(1, 1));
  metrics->InternalRelease();

  if (rect.Width() > 0) {
    SetWindowPos(nullptr, rect.left, rect.top, rect.Width(), rect.Height(), SWP_SHOWWINDOW | SWP_NOZORDER);
    CEdit::SetFocus();
  } else {
    ShowWindow(SW_HIDE);
  }
}

void CTKReportInplaceEdit::HideWindow() {
  if (m_hWnd) ShowWindow(SW_HIDE);
  SetItemArgs(nullptr);
}

void CTKReportInplaceEdit::SetFont(CFont* pFont) {
  if (!pFont || !pFont->GetSafeHandle()) return;
  LOGFONT lf{};
  pFont->GetLogFont(&lf);
  m_fntEdit.DeleteObject();
  m_fntEdit.CreateFontIndirect(&lf);
  if (m_hWnd) SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fntEdit.GetSafeHandle()), FALSE);
}

void CTKReportInplaceEdit::SetWindowText(LPCTSTR lpszString) {
  m_bSetWindowText = TRUE;
  CEdit::SetWindowText(lpszString);
  m_bSetWindowText = FALSE;
  m_strText = lpszString ? lpszString : u"";
}

void CTKReportInplaceEdit::ShowConstraint(CTKReportRecordItemConstraint* pConstraint) {
  if (!pConstraint) return;
  const CString previous = m_strText;
  m_pSelectedConstraint = pConstraint;
  if (pControl && pControl->GetPaintManager()) SetFont(pControl->GetPaintManager()->GetTextFont());
  SetWindowText(pConstraint->m_strConstraint);
  SetSel(0, -1);
  if (previous.CompareNoCase(pConstraint->m_strConstraint) != 0 && pControl)
    pControl->OnConstraintSelecting(pRow, pColumn, pItem, pConstraint);
}

BOOL CTKReportInplaceEdit::SelectConstraintByKey(UINT nChar) {
  CTKReportRecordItemEditOptions* options = EditOptions();
  if (!options || !options->m_bConstraintEdit) return FALSE;
  CTKReportRecordItemConstraints* constraints = options->GetConstraints();
  const int count = constraints->GetCount();
  if (count < 2) return FALSE;
  CTKReportRecordItemConstraint* chosen = nullptr;
  if (nChar == VK_NEXT) {
    chosen = constraints->GetAt(count - 1);
  } else if (nChar == VK_PRIOR) {
    chosen = constraints->GetAt(0);
  } else {
    CString text;
    GetWindowText(text);
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i)
      if (constraints->GetAt(i)->m_strConstraint.CompareNoCase(text) == 0) found = i;
    if (found < 0) {
      chosen = constraints->GetAt(0);
    } else {
      const int next = found + (nChar == VK_DOWN ? 1 : -1);
      chosen = constraints->GetAt(std::clamp(next, 0, count - 1));
    }
  }
  ShowConstraint(chosen);
  return TRUE;
}

void CTKReportInplaceEdit::SelectConstraintByChar(UINT nChar) {
  CTKReportRecordItemEditOptions* options = EditOptions();
  if (!options) return;
  CTKReportRecordItemConstraints* constraints = options->GetConstraints();
  const int count = constraints->GetCount();
  if (count == 0) return;
  int start = 0;
  if (m_pSelectedConstraint) {
    for (int i = 0; i < count; ++i)
      if (constraints->GetAt(i) == m_pSelectedConstraint) start = i + 1;
  } else {
    CString text;
    GetWindowText(text);
    for (int i = 0; i < count; ++i)
      if (constraints->GetAt(i)->m_strConstraint == text) {
        start = i + 1;
        break;
      }
  }
  CString typed(static_cast<WCHAR>(nChar));
  for (int n = 0; n < count; ++n) {
    CTKReportRecordItemConstraint* candidate = constraints->GetAt((start + n) % count);
    if (candidate->m_strConstraint.Left(1).CompareNoCase(typed) == 0) {
      ShowConstraint(candidate);
      return;
    }
  }
}

void CTKReportInplaceEdit::OnEditChange() {
  if (m_bSetWindowText || !pItem) return;
  CString typed;
  GetWindowText(typed);
  if (typed == m_strText) return;
  // The span the user changed: from the first difference to where the
  // common ending begins.
  const int oldLength = m_strText.GetLength();
  const int newLength = typed.GetLength();
  int first = 0;
  while (first < oldLength && first < newLength && m_strText[first] == typed[first]) ++first;
  int tail = 0;
  while (tail < oldLength - first && tail < newLength - first &&
         m_strText[oldLength - 1 - tail] == typed[newLength - 1 - tail])
    ++tail;
  CString offered = typed;
  if (pItem->OnValidateEdit(this, offered)) {
    if (offered == typed) {
      m_strText = typed;
    } else {
      SetWindowText(offered);
      int caret = 0;
      while (caret < offered.GetLength() && caret < typed.GetLength() && offered[caret] == typed[caret]) ++caret;
      SetSel(caret, caret);
    }
    return;
  }
  // Rejected: the accepted text comes back and the changed span is shown.
  const CString accepted = m_strText;
  SetWindowText(accepted);
  SetSel(first, oldLength - tail);
  ::MessageBeep(MB_ICONEXCLAMATION);
}

void CTKReportInplaceEdit::EndEditing() {
  if (pControl) pControl->EditItem(nullptr);
}

BOOL CTKReportInplaceEdit::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message == WM_COMMAND) {
    switch (HIWORD(wParam)) {
      case EN_CHANGE:
        OnEditChange();
        return TRUE;
      case EN_KILLFOCUS:
        if (pItem) {
          CTKReportRecordItem* item = pItem;
          item->InternalAddRef();
          item->OnEditApply(this);
          HideWindow();
          item->InternalRelease();
        }
        return TRUE;
      default:
        break;
    }
  }
  return CEdit::OnChildNotify(message, wParam, lParam, pResult);
}

LRESULT CTKReportInplaceEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const UINT nChar = static_cast<UINT>(wParam);
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | CEdit::WindowProc(message, wParam, lParam);
    case WM_KEYDOWN: {
      if (!pControl) break;
      if (nChar == VK_TAB) {
        CTKReportControl* control = pControl;
        control->SetFocus();
        control->SendMessage(WM_CHAR, VK_TAB, 0);
        return 0;
      }
      if (nChar == VK_ESCAPE) {
        SetWindowText(m_strText_prev);
        m_pSelectedConstraint = nullptr;
        if (CTKReportRecordItemEditOptions* options = EditOptions(); options && options->m_bConstraintEdit && pItem)
          m_pSelectedConstraint = options->FindConstraintByCaption(m_strText_prev);
        return 0;
      }
      if (nChar == VK_RETURN && (GetStyle() & ES_WANTRETURN) && ::GetKeyState(VK_CONTROL) < 0) {
        EndEditing();
        return 0;
      }
      if ((nChar == VK_PRIOR || nChar == VK_NEXT || nChar == VK_UP || nChar == VK_DOWN) && SelectConstraintByKey(nChar))
        return 0;
      if (nChar == VK_F5) {
        CTKReportControl* control = pControl;
        control->EditItem(nullptr);
        control->RecalculateFormulas(FALSE);
        return 0;
      }
      break;
    }
    case WM_SYSKEYDOWN:
      if ((nChar == VK_UP || nChar == VK_DOWN) && pControl && pControl->GetInplaceButtons() &&
          pControl->GetInplaceButtons()->GetSize() > 0) {
        CTKReportInplaceButton* button = pControl->GetInplaceButtons()->GetAt(0);
        if (button && button->pItem == pItem && pItem) {
          pItem->OnInplaceButtonDown(button);
          return 0;
        }
      }
      break;
    case WM_CHAR: {
      if (!pControl) break;
      if (nChar == VK_TAB) return 0;
      if (nChar == VK_ESCAPE) {
        EndEditing();
        return 0;
      }
      if (nChar == VK_RETURN) {
        if (GetStyle() & ES_WANTRETURN) break;
        EndEditing();
        return 0;
      }
      if (nChar == 1) {  // Ctrl+A
        SetSel(0, -1);
        return 0;
      }
      CTKReportRecordItemEditOptions* options = EditOptions();
      if (options && options->m_bConstraintEdit) {
        if (nChar >= 32) SelectConstraintByChar(nChar);
        return 0;
      }
      break;
    }
    case WM_LBUTTONDBLCLK:
      if (pControl && pRow) {
        CPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        ::MapWindowPoints(m_hWnd, pControl->m_hWnd, &point, 1);
        pRow->OnDblClick(point);
        return 0;
      }
      break;
    default:
      break;
  }
  return CEdit::WindowProc(message, wParam, lParam);
}
