// The report control's record transfer: Cut, Copy, Paste and CanPaste
// through the clipboard in the records format ("TKReport_CF_Records") and
// as tab-separated Unicode text, the text form of the selected rows with
// its owner notifications, and the drag gesture (which only notifies the
// owner: no drag data is built and the control accepts no drops).
#include <algorithm>
#include <vector>

#include "platform/base/globalmem.h"
#include "platform/framework/afx.h"
#include "platform/framework/afxole.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/report/reportclipboard.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reportselectedrows.h"
#include "toolkit/report/reporttextform.h"

namespace {

// LVN_BEGINRDRAG: a drag of rows with the right button begins.
constexpr int kNotifyBeginRightDrag = -111;

// The records of the selected rows, in selection order (rows without a
// record, such as group rows, have none).
std::vector<CTKReportRecord*> SelectedRecords(CTKReportSelectedRows* selection) {
  std::vector<CTKReportRecord*> records;
  if (!selection) return records;
  // Walked block by block: an indexed GetAt walks the blocks for each row.
  for (int pos = selection->GetFirstSelectedRowPosition(); pos > 0;) {
    CTKReportRow* row = selection->GetNextSelectedRow(pos);
    if (row && row->GetRecord()) records.push_back(row->GetRecord());
  }
  return records;
}

// The text of a CF_UNICODETEXT block, never read past the block's size.
CString TextOfBlock(HGLOBAL block) {
  const auto* units = static_cast<const char16_t*>(GlobalLock(block));
  if (!units) return CString();
  size_t limit = GlobalSize(block) / sizeof(char16_t);
  size_t length = std::find(units, units + limit, u'\0') - units;
  CString text(std::u16string(units, length));
  GlobalUnlock(block);
  return text;
}

}  // namespace

// ---- records block ----------------------------------------------------------------------------

BOOL CTKReportControl::WriteRecordsData(CTKPropExchange* pPX, CTKReportRecords* pRecords) {
  return TKWriteRecordsData(pPX, pRecords);
}

BOOL CTKReportControl::ReadRecordsData(CTKPropExchange* pPX, CTKReportRecords* pRecords) {
  return TKReadRecordsData(pPX, pRecords, [this](CTKReportRecord** ppRecord) { return OnBeforePaste(ppRecord); });
}

BOOL CTKReportControl::PrepareDataSource(CTKPropExchange* pPX) {
  if (!pPX || pPX->IsLoading()) return FALSE;
  std::vector<CTKReportRecord*> selected = SelectedRecords(m_pSelectedRows);
  if (selected.empty()) return FALSE;
  auto* records = new CTKReportRecords(TRUE);
  for (CTKReportRecord* record : selected) records->Add(record);
  BOOL written = FALSE;
  try {
    written = WriteRecordsData(pPX, records);
  } catch (...) {
    records->InternalRelease();
    throw;
  }
  records->InternalRelease();
  return written;
}

// ---- text form ---------------------------------------------------------------------------------

CString CTKReportControl::GetSelectedRowsAsText() {
  if (!m_pColumns || m_pColumns->GetCount() == 0) return CString();
  CString text;
  CStringArray cells;
  for (CTKReportRecord* record : SelectedRecords(m_pSelectedRows)) {
    TKGetRecordCells(record, m_pColumns, cells);
    if (!OnBeforeCopyToText(record, cells)) text += TKFormatTextLine(cells);
  }
  return text;
}

BOOL CTKReportControl::ParseTextToRecords(const CString& strText, CTKReportRecords* pRecords) {
  if (!pRecords) return FALSE;
  CStringArray lines;
  TKSplitTextLines(strText, lines);
  for (INT_PTR i = 0; i < lines.GetSize(); ++i)
    if (CTKReportRecord* record = CreateRecordFromText(lines[i])) pRecords->Add(record);
  return TRUE;
}

CTKReportRecord* CTKReportControl::CreateRecordFromText(const CString& strLine) {
  if (!m_pColumns || m_pColumns->GetCount() == 0) return nullptr;
  CStringArray cells;
  TKSplitText(strLine, kTKReportCellSeparator, cells);
  CTKReportRecord* supplied = nullptr;
  if (OnBeforePasteFromText(cells, &supplied) || supplied) return supplied;
  return TKCreateRecordFromCells(m_pColumns, cells);
}

// ---- clipboard --------------------------------------------------------------------------------

BOOL CTKReportControl::CanPaste() {
  COleDataObject data;
  if (!data.AttachClipboard()) return FALSE;
  const UINT records = ::RegisterClipboardFormatW(kTKReportRecordsFormat);
  return data.IsDataAvailable(CF_TEXT) || data.IsDataAvailable(CF_UNICODETEXT) ||
         data.IsDataAvailable(static_cast<CLIPFORMAT>(records));
}

void CTKReportControl::Copy() {
  CWaitCursor wait;
  const int rows = m_pSelectedRows ? std::max(1, m_pSelectedRows->GetCount()) : 1;
  HGLOBAL block = TKWriteRecordsBlockWith(rows, [this](CTKPropExchange* pPX) { return PrepareDataSource(pPX); });
  CString text = GetSelectedRowsAsText();
  const UINT format = ::RegisterClipboardFormatW(kTKReportRecordsFormat);
  if (!::OpenClipboard(m_hWnd)) {
    if (block) GlobalFree(block);
    return;
  }
  ::EmptyClipboard();
  if (HGLOBAL textBlock = TKCopyTextToGlobal(text)) {
    if (!::SetClipboardData(CF_UNICODETEXT, textBlock)) GlobalFree(textBlock);
  }
  if (block && !::SetClipboardData(format, block)) GlobalFree(block);
  ::CloseClipboard();
}

void CTKReportControl::Cut() {
  CWaitCursor wait;
  Copy();
  if (IsVirtualMode()) return;

  std::vector<CTKReportRow*> rows;
  rows.reserve(static_cast<std::size_t>(m_pSelectedRows->GetCount()));
  int smallest = -1;
  for (int pos = m_pSelectedRows->GetFirstSelectedRowPosition(); pos > 0;) {
    CTKReportRow* row = m_pSelectedRows->GetNextSelectedRow(pos);
    if (!row) continue;
    row->InternalAddRef();
    rows.push_back(row);
    if (row->GetIndex() >= 0 && (smallest < 0 || row->GetIndex() < smallest)) smallest = row->GetIndex();
  }
  // One pass for all the rows, not a search of every list per row.
  RemoveRowsTogether(rows, FALSE);
  for (CTKReportRow* row : rows) row->InternalRelease();

  m_pSelectedRows->Clear();
  if (!rows.empty()) {
    CTKReportRows* body = GetBodyRows();
    const int focused = std::min(smallest, body->GetCount() - 1);
    body->SetFocusedRowIndex(focused);
    if (CTKReportRow* row = GetFocusedRow()) {
      SetFocusedRow(row, FALSE);
      m_pSelectedRows->Add(row);
    }
  }
  AdjustScrollBars();
  RedrawControl();
}

void CTKReportControl::Paste() {
  CWaitCursor wait;
  const UINT format = ::RegisterClipboardFormatW(kTKReportRecordsFormat);
  auto* records = new CTKReportRecords;
  if (!::OpenClipboard(m_hWnd)) {
    records->InternalRelease();
    return;
  }
  HGLOBAL block = ::IsClipboardFormatAvailable(format) ? ::GetClipboardData(format) : nullptr;
  if (block) {
    // Whatever the block gives, the text is then not looked at.
    TKReadRecordsBlockWith(block, records, [this](CTKPropExchange* pPX, CTKReportRecords* pTarget) {
      return ReadRecordsData(pPX, pTarget);
    });
  } else if (HGLOBAL textBlock =
                 ::IsClipboardFormatAvailable(CF_UNICODETEXT) ? ::GetClipboardData(CF_UNICODETEXT) : nullptr) {
    if (!ParseTextToRecords(TextOfBlock(textBlock), records)) records->RemoveAll();
  }
  ::CloseClipboard();

  if (!IsVirtualMode()) {
    BeginUpdate();
    for (int i = 0; i < records->GetCount(); ++i) {
      CTKReportRecord* record = records->GetAt(i);
      // The control holds its own reference; the collection's goes with it.
      record->InternalAddRef();
      AddRecord(record);
    }
    if (records->GetCount() > 0) {
      RebuildRows();
      // The pasted rows become the selection.
      m_pSelectedRows->Clear();
      SelectAllRecords(records);
    }
    EndUpdate();
  }
  records->InternalRelease();
}

// ---- drag and drop ----------------------------------------------------------------------------

void CTKReportControl::BeginDragRecords(CPoint point, UINT nFlags) {
  POINT pt = point;
  LRESULT answer = SendItemNotify(nullptr, nullptr, nullptr, TK_NM_REPORT_BEGINDRAG, &pt, -1);
  if (answer == 0 && (nFlags & MK_RBUTTON)) SendItemNotify(nullptr, nullptr, nullptr, kNotifyBeginRightDrag, &pt, -1);
  // The control has no drag format for records: no drag starts.
}

void CTKReportControl::BeginDragRecords(CPoint point, UINT nFlags, DWORD) { BeginDragRecords(point, nFlags); }

// Only an OLE drop target would call these, and the control registers none.
DROPEFFECT CTKReportControl::OnDragOver(COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
BOOL CTKReportControl::OnDrop(COleDataObject*, DROPEFFECT, CPoint) { return FALSE; }
