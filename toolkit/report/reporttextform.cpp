#include "toolkit/report/reporttextform.h"

#include <cstring>

#include "platform/base/globalmem.h"
#include "platform/base/variant.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"

void TKSplitText(const CString& strText, LPCTSTR lpszSeparator, CStringArray& arrPieces) {
  arrPieces.RemoveAll();
  std::u16string_view text(strText.GetString(), static_cast<size_t>(strText.GetLength()));
  std::u16string_view separator(lpszSeparator ? lpszSeparator : u"");
  if (separator.empty()) {
    arrPieces.Add(strText);
    return;
  }
  size_t start = 0;
  for (;;) {
    size_t found = text.find(separator, start);
    std::u16string_view piece =
        text.substr(start, found == std::u16string_view::npos ? std::u16string_view::npos : found - start);
    arrPieces.Add(CString(std::u16string(piece)));
    if (found == std::u16string_view::npos) break;
    start = found + separator.size();
  }
}

CString TKJoinText(const CStringArray& arrPieces, LPCTSTR lpszSeparator) {
  std::u16string out;
  std::u16string_view separator(lpszSeparator ? lpszSeparator : u"");
  for (INT_PTR i = 0; i < arrPieces.GetSize(); ++i) {
    if (i) out += separator;
    const CString& piece = arrPieces[i];
    out.append(piece.GetString(), static_cast<size_t>(piece.GetLength()));
  }
  return CString(std::move(out));
}

void TKGetRecordCells(CTKReportRecord* pRecord, CTKReportColumns* pColumns, CStringArray& arrCells) {
  arrCells.RemoveAll();
  if (!pRecord || !pColumns) return;
  for (int i = 0; i < pColumns->GetCount(); ++i) {
    CTKReportColumn* column = pColumns->GetAt(i);
    if (!column || !column->IsVisible()) continue;
    if (CTKReportRecordItem* item = pRecord->GetItem(column)) arrCells.Add(item->GetCaption(column));
  }
}

CString TKFormatTextLine(const CStringArray& arrCells) {
  CString line = TKJoinText(arrCells, kTKReportCellSeparator);
  line += kTKReportLineEnd;
  return line;
}

void TKSplitTextLines(const CString& strText, CStringArray& arrLines) {
  CStringArray pieces;
  TKSplitText(strText, kTKReportLineEnd, pieces);
  arrLines.RemoveAll();
  for (INT_PTR i = 0; i < pieces.GetSize(); ++i)
    if (!pieces[i].IsEmpty()) arrLines.Add(pieces[i]);
}

CTKReportRecord* TKCreateRecordFromCells(CTKReportColumns* pColumns, const CStringArray& arrCells) {
  if (!pColumns || pColumns->GetCount() == 0) return nullptr;
  auto* record = new CTKReportRecord;
  for (int i = 0; i < pColumns->GetCount(); ++i) record->AddItem(new CTKReportRecordItemVariant(COleVariant(u"")));
  int visible = 0;
  for (int i = 0; i < pColumns->GetCount(); ++i) {
    CTKReportColumn* column = pColumns->GetAt(i);
    if (!column || !column->IsVisible()) continue;
    auto* item = dynamic_cast<CTKReportRecordItemVariant*>(record->GetItem(column));
    if (item) item->SetValue(COleVariant(visible < arrCells.GetSize() ? arrCells[visible].GetString() : u""));
    ++visible;
  }
  return record;
}

HGLOBAL TKCopyTextToGlobal(const CString& strText) {
  SIZE_T bytes = (static_cast<SIZE_T>(strText.GetLength()) + 1) * sizeof(char16_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, bytes);
  if (!memory) return nullptr;
  void* target = GlobalLock(memory);
  if (!target) {
    GlobalFree(memory);
    return nullptr;
  }
  std::memcpy(target, strText.GetString(), bytes - sizeof(char16_t));
  static_cast<char16_t*>(target)[strText.GetLength()] = 0;
  GlobalUnlock(memory);
  return memory;
}
