// Formulas of record items: "SUM(R<r1>C<c1>:R<r2>C<c2>)" adds the numeric
// captions of a block of sibling records, "SUMSUB(...)" of child records.
// Rows r1 up to (not including) r2, items c1 up to (not including) c2; "*"
// stands for 0 as a start and for the record or item count as an end.
#pragma once

#include "platform/base/cstring.h"

struct TK_REPORTFORMULA_TERM {
  int nRowFrom = 0;
  int nRowTo = 0;
  int nColumnFrom = 0;
  int nColumnTo = 0;
};

// Reads the term that follows `keyword` ("SUM(" or "SUMSUB(", case-
// sensitive) in the formula; blanks anywhere are ignored. FALSE when the
// keyword is absent or the term lacks its ":" or a "C" on either side.
// `rows` and `columns` replace a "*" end.
BOOL TKParseFormulaTerm(LPCTSTR lpszFormula, LPCTSTR lpszKeyword, int nRows, int nColumns,
                        TK_REPORTFORMULA_TERM* pTerm);
