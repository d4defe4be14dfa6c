// The record item's input: check boxes, hyperlinks, in-cell controls, and
// the in-place editing of its cell (begin, typing, buttons, commit).
#include <algorithm>
#include <climits>

#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reporthyperlink.h"
#include "toolkit/report/reportinplacebutton.h"
#include "toolkit/report/reportinplaceedit.h"
#include "toolkit/report/reportinplacelist.h"
#include "toolkit/report/reportitemcontrols.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecorditem.h"
#include "toolkit/report/reportrow.h"

namespace {

BOOL InRect(const RECT& rc, POINT pt) {
  return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

// The decimal integer at the start of the text (after blanks), held in 64
// bits and saturated; text that is no number counts as 0.
long long ParseSpinValue(const CString& text) {
  int i = 0;
  const int n = text.GetLength();
  while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < n && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  long long value = 0;
  for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    if (value < (LLONG_MAX - 9) / 10) value = value * 10 + (text[i] - u'0');
  }
  return negative ? -value : value;
}

// Whether the record and the item allow editing, whatever the sections.
BOOL ItemEditable(CTKReportRecordItem* item) {
  CTKReportRecord* record = item->GetRecord();
  return record && record->IsEditable() && item->IsEditable() && item->IsFocusable();
}

}  // namespace

void CTKReportRecordItem::DestroyControlHookWnd() {
  if (!m_pControlHookWnd) return;
  CTKReportRecordItemControlHookWnd* hook = m_pControlHookWnd;
  m_pControlHookWnd = nullptr;
  // The window may be handing this very button-up to the item: it goes
  // with its window, after its handler.
  if (hook->m_hWnd) {
    hook->m_bAutoDelete = TRUE;
    hook->DestroyWindow();
  } else {
    delete hook;
  }
}

// ---- may the item be edited ---------------------------------------------------------------------

BOOL CTKReportRecordItem::IsAllowEdit(TK_REPORTRECORDITEM_ARGS* pItemArgs) {
  CTKReportControl* control = pItemArgs && pItemArgs->pControl ? pItemArgs->pControl : m_pControl;
  if (!control) return FALSE;
  BOOL allowed = control->IsAllowEdit();
  CTKReportRecords* records = m_pRecord ? m_pRecord->GetRecords() : nullptr;
  if (records && records == control->GetHeaderRecords()) allowed = control->IsHeaderRowsAllowEdit();
  else if (records && records == control->GetFooterRecords()) allowed = control->IsFooterRowsAllowEdit();
  if (!allowed || !ItemEditable(this)) return FALSE;
  CTKReportColumn* column = pItemArgs ? pItemArgs->pColumn : nullptr;
  if (column) return column->IsEditable();
  if (m_pEditOptions) return m_pEditOptions->m_bAllowEdit;
  return TRUE;
}

// ---- check box --------------------------------------------------------------------------------------

BOOL CTKReportRecordItem::OnCheckStateChanging(TK_REPORTRECORDITEM_ARGS* pItemArgs) {
  CTKReportControl* control = pItemArgs && pItemArgs->pControl ? pItemArgs->pControl : m_pControl;
  if (!control) return TRUE;
  TK_NM_REPORTITEMCHECKING nm{};
  nm.pRow = pItemArgs ? pItemArgs->pRow : nullptr;
  nm.pItem = this;
  nm.pColumn = pItemArgs ? pItemArgs->pColumn : nullptr;
  nm.nHyperlink = -1;
  nm.bCancel = FALSE;
  control->SendOwnerNotify(TK_NM_REPORT_ITEMCHECKING, &nm.hdr);
  return !nm.bCancel;
}

// The user's toggle of the check box: FALSE (and nothing sent) when the item
// cannot take it or the owner refused; otherwise the box toggles (when the
// control lets clicks toggle), the control redraws and -53 goes out once.
static BOOL ToggleCheckByUser(CTKReportRecordItem* item, TK_REPORTRECORDITEM_ARGS* args, POINT* point) {
  CTKReportControl* control = args->pControl;
  if (!control || !ItemEditable(item) || !item->HasCheckbox()) return FALSE;
  if (args->pColumn && !args->pColumn->IsEditable()) return FALSE;
  if (!item->OnCheckStateChanging(args)) return FALSE;
  if (control->m_bCheckboxToggleOnClick) item->ToggleCheckState();
  control->RedrawControl();
  control->SendItemNotify(args->pRow, item, args->pColumn, TK_NM_REPORT_CHECKED, point);
  return TRUE;
}

// ---- mouse ------------------------------------------------------------------------------------------

int CTKReportRecordItem::HitTestHyperlink(POINT ptClick) {
  int found = -1;
  for (int i = 0; i < GetHyperlinksCount(); ++i) {
    CTKReportHyperlink* link = GetHyperlinkAt(i);
    if (link && InRect(link->m_rcHyperSpot, ptClick)) found = i;
  }
  return found;
}

BOOL CTKReportRecordItem::OnLButtonDown(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs) {
  if (!pClickArgs || !pClickArgs->pControl) return FALSE;
  CTKReportRecordItemControl* itemControl = HitTestControl(pClickArgs->ptClient);
  if (!itemControl) return FALSE;
  CTKReportControl* control = pClickArgs->pControl;
  m_pHotControl = itemControl;
  m_bHotControlInside = TRUE;
  itemControl->OnLButtonDown(pClickArgs);
  if (!m_pControlHookWnd && control->m_hWnd) {
    m_pControlHookWnd = new CTKReportRecordItemControlHookWnd(pClickArgs);
    CRect rc;
    control->GetClientRect(&rc);
    if (m_pControlHookWnd->CreateEx(0, AfxRegisterWndClass(0), u"", WS_CHILD, rc, control, 0))
      m_pControlHookWnd->SetCapture();
  }
  control->RedrawControl();
  return TRUE;
}

BOOL CTKReportRecordItem::OnLButtonUp(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs) {
  if (!pClickArgs || !pClickArgs->pControl) return FALSE;
  CTKReportControl* control = pClickArgs->pControl;
  InternalAddRef();
  BOOL taken = FALSE;
  if (m_pControlHookWnd && m_pHotControl) {
    if (::GetCapture() == m_pControlHookWnd->m_hWnd) ::ReleaseCapture();
    TK_REPORTRECORDITEM_CLICKARGS args(*pClickArgs);
    if (control->m_hWnd) ::ScreenToClient(control->m_hWnd, &args.ptClient);
    m_pHotControl->OnLButtonUp(&args);
    control->RedrawControl();
    DestroyControlHookWnd();
    taken = TRUE;
  } else if (CTKReportRecordItemControl* itemControl = HitTestControl(pClickArgs->ptClient)) {
    itemControl->OnLButtonUp(pClickArgs);
    control->RedrawControl();
    taken = TRUE;
  }
  InternalRelease();
  return taken;
}

BOOL CTKReportRecordItem::OnMouseMove(UINT nFlags, POINT point, CTKReportControl* pControl) {
  if (!pControl) return FALSE;
  if (HitTestHyperlink(point) >= 0 && !m_pControlHookWnd) {
    ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
    return TRUE;
  }
  BOOL changed = FALSE;
  if (m_pControlHookWnd && (nFlags & MK_LBUTTON) && m_pHotControl) {
    POINT pt = point;
    if (pControl->m_hWnd) ::ScreenToClient(pControl->m_hWnd, &pt);
    const BOOL inside = InRect(m_pHotControl->GetRect(), pt);
    if (inside != m_bHotControlInside) {
      m_bHotControlInside = inside;
      if (inside) m_pHotControl->OnMouseEnter(nFlags, pt);
      else m_pHotControl->OnMouseLeave(nFlags, pt);
    } else {
      m_pHotControl->OnMouseMove(nFlags, pt);
    }
    changed = TRUE;
  } else {
    CTKReportRecordItemControl* under = HitTestControl(point);
    if (under != m_pHotControl) {
      if (m_pHotControl) m_pHotControl->OnMouseLeave(nFlags, point);
      m_pHotControl = under;
      m_bHotControlInside = under != nullptr;
      if (under) under->OnMouseEnter(nFlags, point);
      changed = TRUE;
    }
    if (under) {
      under->OnMouseMove(nFlags, point);
      changed = TRUE;
    }
  }
  if (changed && !pControl->IsEditMode()) pControl->RedrawControl();
  return changed;
}

void CTKReportRecordItem::SimulateClick(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs) {
  if (!pClickArgs || !pClickArgs->pControl || !pClickArgs->pControl->GetInplaceEdit()) return;
  CTKReportInplaceEdit* edit = pClickArgs->pControl->GetInplaceEdit();
  if (!edit->m_hWnd) return;
  POINT pt = pClickArgs->ptClient;
  ::MapWindowPoints(pClickArgs->pControl->m_hWnd, edit->m_hWnd, &pt, 1);
  const LPARAM lParam = MAKELPARAM(pt.x, pt.y);
  edit->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, lParam);
  edit->SendMessage(WM_LBUTTONUP, 0, lParam);
}

// Opens the control's editor on the cell and puts the caret or selection as
// the click asks.
static void EditAfterClick(CTKReportRecordItem* item, TK_REPORTRECORDITEM_CLICKARGS* args) {
  CTKReportControl* control = args->pControl;
  control->EditItem(args);
  CTKReportInplaceEdit* edit = control->GetInplaceEdit();
  if (!edit || !edit->m_hWnd || edit->pItem != item || !control->m_hWnd) return;
  POINT screen = args->ptClient;
  ::ClientToScreen(control->m_hWnd, &screen);
  if (::WindowFromPoint(screen) != edit->m_hWnd) return;
  CTKReportRecordItemEditOptions* options = item->GetEditOptions(args->pColumn);
  if (options && options->m_bSelectTextOnEdit) edit->SetSel(0, -1);
  else item->SimulateClick(args);
}

void CTKReportRecordItem::OnClick(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs) {
  if (!pClickArgs || !pClickArgs->pControl) return;
  CTKReportControl* control = pClickArgs->pControl;
  TK_REPORTRECORDITEM_CLICKARGS args(*pClickArgs);
  args.AddReferences();
  InternalAddRef();
  control->InternalAddRef();
  BOOL checked = FALSE;
  if (HasCheckbox()) {
    RECT box = m_rcGlyph;
    if (control->IsVirtualMode()) {
      box.top = args.rcItem.top;
      box.bottom = args.rcItem.bottom;
      m_rcGlyph = box;
    }
    // Both the press and the release on the box; the owner is asked only
    // for a click that would toggle it.
    if (InRect(box, args.ptClient) && InRect(box, control->GetMouseDownPoint()))
      checked = ToggleCheckByUser(this, &args, &args.ptClient);
  }
  if (!checked && IsAllowEdit(&args)) {
    if (control->m_bEditOnDelayClick) {
      const int rowIndex = args.pRow ? args.pRow->GetIndex() : -1;
      const int columnIndex = args.pColumn ? args.pColumn->GetItemIndex() : -1;
      control->OnDelayEditClick(rowIndex, columnIndex);
    }
    if (control->m_bEditOnClick) EditAfterClick(this, &args);
  }
  control->SendItemNotify(args.pRow, this, args.pColumn, TK_NM_REPORT_CLICK, &args.ptClient);
  const int link = HitTestHyperlink(args.ptClient);
  if (link >= 0 && HitTestHyperlink(control->GetMouseDownPoint()) >= 0)
    control->SendItemNotify(args.pRow, this, args.pColumn, TK_NM_REPORT_HYPERLINK, &args.ptClient, link);
  control->InternalRelease();
  InternalRelease();
  args.ReleaseReferences();
}

void CTKReportRecordItem::OnDblClick(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs) {
  if (!pClickArgs || !pClickArgs->pControl) return;
  CTKReportControl* control = pClickArgs->pControl;
  TK_REPORTRECORDITEM_CLICKARGS args(*pClickArgs);
  args.AddReferences();
  InternalAddRef();
  const CTKReportInplaceEdit* edit = control->GetInplaceEdit();
  const BOOL editing = edit && edit->m_hWnd && edit->pItem == this;
  if (IsAllowEdit(&args) && !control->m_bEditOnClick && control->m_bEditOnDoubleClick && !editing)
    EditAfterClick(this, &args);
  control->SendItemNotify(args.pRow, this, args.pColumn, TK_NM_REPORT_DBLCLK, &args.ptClient);
  InternalRelease();
  args.ReleaseReferences();
}

// ---- editing ----------------------------------------------------------------------------------------

void CTKReportRecordItem::OnBeginEdit(TK_REPORTRECORDITEM_ARGS* pItemArgs) {
  if (!pItemArgs || !pItemArgs->pControl || !ItemEditable(this) || !IsAllowEdit(pItemArgs)) return;
  CTKReportControl* control = pItemArgs->pControl;
  CRect rcCaption(pItemArgs->rcItem);
  GetCaptionRect(pItemArgs, rcCaption);
  CTKReportRecordItemEditOptions* options = GetEditOptions(pItemArgs->pColumn);

  CRect rcEdit(pItemArgs->rcItem);
  int reservedRight = 0;
  for (INT_PTR i = 0; m_pItemControls && i < m_pItemControls->GetSize(); ++i) {
    CTKReportRecordItemControl* itemControl = m_pItemControls->GetAt(i);
    if (!itemControl) continue;
    const int width = itemControl->GetSize().cx;
    if (itemControl->GetAlignment() == 2) reservedRight += width;
    else rcEdit.left += width;
  }

  // The point pair the buttons grow from: inside buttons leftwards, the
  // others rightwards, all of them kept inside the control.
  CRect client;
  if (control->m_hWnd) control->GetClientRect(&client);
  int outside = pItemArgs->rcItem.right;
  int outsideWidth = 0;
  for (int i = 0; options && i < options->GetButtonCount(); ++i)
    if (!options->GetButton(i)->IsInsideCellButton()) outsideWidth += options->GetButton(i)->GetWidth();
  if (control->m_hWnd && outside + outsideWidth > client.right) outside = client.right - outsideWidth;
  CRect points(std::min<LONG>(outside, pItemArgs->rcItem.right - reservedRight), 0, outside, 0);
  for (int i = 0; options && i < options->GetButtonCount(); ++i) {
    CTKReportInplaceButton* button = options->GetButton(i);
    button->Create(pItemArgs, points);
    if (control->GetInplaceButtons()) control->GetInplaceButtons()->Add(button);
  }
  rcEdit.right = std::min<LONG>(rcEdit.right - reservedRight, points.left);

  if (options && options->m_bAllowEdit) {
    if (HasCheckbox() && !m_bEditTextWithCheckbox) return;
    TK_REPORTRECORDITEM_ARGS args(*pItemArgs);
    args.rcItem = rcEdit;
    if (control->GetInplaceEdit()) control->GetInplaceEdit()->Create(&args);
  }
  control->SendItemNotify(pItemArgs->pRow, this, pItemArgs->pColumn, TK_NM_REPORT_BEGINEDIT);
}

BOOL CTKReportRecordItem::OnChar(TK_REPORTRECORDITEM_ARGS* pItemArgs, UINT nChar) {
  if (!pItemArgs || !pItemArgs->pControl) return FALSE;
  CTKReportControl* control = pItemArgs->pControl;
  if (nChar == VK_SPACE && HasCheckbox() && ItemEditable(this)) {
    ToggleCheckByUser(this, pItemArgs, nullptr);
    return TRUE;
  }
  if (!IsAllowEdit(pItemArgs)) return FALSE;
  BOOL opened = FALSE;
  if (!control->GetActiveItemArgs() || control->GetActiveItemArgs()->pItem != this) {
    control->EditItem(pItemArgs);
    opened = TRUE;
  }
  CTKReportInplaceEdit* edit = control->GetInplaceEdit();
  if (edit && edit->m_hWnd && edit->pItem == this) {
    if (opened) {
      edit->SetFocus();
      edit->SetSel(0, -1);
    }
    if (nChar != VK_TAB) edit->SendMessage(WM_CHAR, nChar, 0);
  }
  return TRUE;
}

void CTKReportRecordItem::OnEndEdit(CTKReportControl* pControl, BOOL bApply) {
  if (!pControl) return;
  InternalAddRef();
  if (CTKReportInplaceButtons* buttons = pControl->GetInplaceButtons()) {
    for (INT_PTR i = 0; i < buttons->GetSize(); ++i) {
      CTKReportInplaceButton* button = buttons->GetAt(i);
      if (button->m_hWnd) button->DestroyWindow();
      button->SetItemArgs(nullptr);
    }
    buttons->RemoveAll();
  }
  if (CTKReportInplaceList* list = pControl->GetInplaceList(); list && list->m_hWnd) list->DestroyWindow();
  if (CTKReportInplaceEdit* edit = pControl->GetInplaceEdit(); edit && edit->m_hWnd) {
    if (bApply && edit->pItem == this) OnEditApply(edit);
    edit->HideWindow();
    edit->DestroyWindow();
  }
  InternalRelease();
}

void CTKReportRecordItem::OnEditApply(TK_REPORTRECORDITEM_ARGS* pItemArgs) {
  if (!pItemArgs || !pItemArgs->pControl) return;
  CTKReportControl* control = pItemArgs->pControl;
  CTKReportInplaceEdit* edit = control->GetInplaceEdit();
  if (!edit || !edit->m_hWnd || edit->pItem != this) return;
  TK_REPORTRECORDITEM_ARGS args(*pItemArgs);
  args.AddReferences();
  CTKReportRecordItemConstraint* constraint = edit->GetSelectedConstraint();
  CString text;
  edit->GetWindowText(text);
  edit->SetItemArgs(nullptr);

  BOOL changed = FALSE;
  CTKReportRecordItemEditOptions* options = GetEditOptions(args.pColumn);
  if (options && options->m_bConstraintEdit) {
    if (constraint) {
      OnConstraintChanged(&args, constraint);
      changed = TRUE;
    }
  } else if (text != GetCaption(args.pColumn) || control->IsVirtualMode()) {
    // The text is offered once more as a whole: an item that refuses it
    // keeps its value, and the user hears so.
    if (OnValidateEdit(&args, text)) {
      OnEditChanged(&args, text);
      changed = TRUE;
    } else {
      ::MessageBeep(MB_ICONEXCLAMATION);
    }
  }
  if (changed) {
    control->RedrawControl();
    control->SendItemNotify(args.pRow, this, args.pColumn, TK_NM_REPORT_VALUECHANGED);
  } else {
    OnInplaceListCancel(&args);
    control->SendItemNotify(args.pRow, this, args.pColumn, TK_NM_REPORT_EDIT_CANCELED);
  }
  args.ReleaseReferences();
}

void CTKReportRecordItem::OnInplaceButtonDown(CTKReportInplaceButton* pButton) {
  if (!pButton || !pButton->pControl) return;
  CTKReportControl* control = pButton->pControl;
  TK_NM_REPORTINPLACEBUTTON nm{};
  nm.pItem = this;
  nm.pButton = pButton;
  if (control->SendOwnerNotify(TK_NM_REPORT_INPLACEBUTTONDOWN, &nm.hdr) == 1) return;

  if (pButton->GetID() == kTKReportComboButton) {
    if (!pButton->pRow && !pButton->pControl) return;
    TK_REPORTRECORDITEM_ARGS args(*pButton);
    CRect rc(args.rcItem);
    if (pButton->m_hWnd) {
      CRect rcButton;
      pButton->GetWindowRect(&rcButton);
      control->ScreenToClient(&rcButton);
      rc.right = std::max(rc.right, rcButton.right);
      rc.bottom = std::max(rc.bottom, rcButton.bottom);
    }
    args.rcItem = rc;
    CTKReportRecordItemEditOptions* options = GetEditOptions(args.pColumn);
    if (options && options->GetConstraints()->GetCount() > 0 && control->GetInplaceList()) {
      control->GetInplaceList()->m_nItemsShow = pButton->m_nDropDownItemCount;
      control->GetInplaceList()->Create(&args, options->GetConstraints());
    }
    return;
  }
  if (pButton->GetID() == kTKReportSpinButton) {
    CTKReportInplaceEdit* edit = control->GetInplaceEdit();
    if (!pButton->pRow || !pButton->pColumn || !edit || !edit->m_hWnd || edit->pItem != this) return;
    CString text;
    edit->GetWindowText(text);
    const long long current = ParseSpinValue(text);
    // In 64 bits, so that a step past the int range cannot wrap.
    long long value = current + pButton->GetSpinIncrement();
    value = std::max<long long>(value, pButton->GetSpinButtonMin());
    value = std::min<long long>(value, pButton->GetSpinButtonMax());
    if (value != current) {
      CString proposed;
      proposed.Format(u"%d", static_cast<int>(value));
      if (OnValidateEdit(edit, proposed)) edit->SetWindowText(proposed);
    }
    control->RedrawControl();
  }
}
