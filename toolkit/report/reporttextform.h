// The text form of report records: the captions of a record's items for
// the visible columns, in visible order, joined by a tab, each line ended
// by CR LF; and back, one record of variant items per line. The control's
// GetSelectedRowsAsText, ParseTextToRecords and CreateRecordFromText build
// on these, with the owner notifications between the steps.
#pragma once

#include "platform/base/collections.h"
#include "platform/base/cstring.h"

class CTKReportColumns;
class CTKReportRecord;

inline constexpr const char16_t* kTKReportCellSeparator = u"\t";
inline constexpr const char16_t* kTKReportLineEnd = u"\r\n";

// Every piece of the text between separators, empty ones too, and the
// piece after the last separator (so "a\t" gives "a" and ""). An empty
// separator gives the whole text as one piece.
void TKSplitText(const CString& strText, LPCTSTR lpszSeparator, CStringArray& arrPieces);
// The pieces joined with the separator between them.
CString TKJoinText(const CStringArray& arrPieces, LPCTSTR lpszSeparator);

// The captions of the record's items for the visible columns in visible
// order; a column whose item the record lacks adds nothing.
void TKGetRecordCells(CTKReportRecord* pRecord, CTKReportColumns* pColumns, CStringArray& arrCells);
// One line: the cells joined by a tab, then CR LF.
CString TKFormatTextLine(const CStringArray& arrCells);

// The non-empty lines of a text (split at CR LF).
void TKSplitTextLines(const CString& strText, CStringArray& arrLines);
// A new record (one reference, the caller's) with one variant item holding
// an empty string per column, in collection order; the n-th visible
// column's item then takes the n-th cell as a string (an empty string when
// there are fewer cells). Null without columns.
CTKReportRecord* TKCreateRecordFromCells(CTKReportColumns* pColumns, const CStringArray& arrCells);

// The text in new global memory for the clipboard (GMEM_MOVEABLE |
// GMEM_DDESHARE | GMEM_ZEROINIT): (length + 1) wide characters, the text
// and its terminator. Null when memory runs out.
HGLOBAL TKCopyTextToGlobal(const CString& strText);
