#include "toolkit/report/reportformula.h"

#include <cstdlib>

#include "toolkit/report/reportdatahost.h"
#include "toolkit/report/reportformat.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecords.h"

namespace {

// _wtol: blanks, a sign, digits; 0 when none; saturating.
int ReadInt(const CString& text) {
  const char16_t* p = text.GetString();
  while (*p == u' ' || *p == u'\t') ++p;
  bool negative = false;
  if (*p == u'-' || *p == u'+') negative = *p++ == u'-';
  long long value = 0;
  while (*p >= u'0' && *p <= u'9') {
    value = value * 10 + (*p++ - u'0');
    if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
  }
  return static_cast<int>(negative ? -value : value);
}

// "R<r>C<c>" without its R characters, split at the first C.
BOOL ReadCell(CString part, BOOL last, CString* row, CString* column) {
  int c = part.Find(u'C');
  if (c < 0) return FALSE;
  part.Remove(u'R');
  c = part.Find(u'C');
  *row = part.Left(c);
  *column = part.Mid(c + 1);
  if (last) column->Remove(u')');
  return TRUE;
}

}  // namespace

BOOL TKParseFormulaTerm(LPCTSTR lpszFormula, LPCTSTR lpszKeyword, int nRows, int nColumns,
                        TK_REPORTFORMULA_TERM* pTerm) {
  if (!lpszFormula || !lpszKeyword || !pTerm) return FALSE;
  CString formula(lpszFormula);
  formula.Remove(u' ');
  // The position is taken after the blanks are gone, so blanks before the
  // keyword cannot shift the cut into the term.
  int at = formula.Find(lpszKeyword);
  if (at < 0) return FALSE;
  CString term = formula.Mid(at + CString::StringLength(lpszKeyword));
  int colon = term.Find(u':');
  if (colon < 0) return FALSE;
  CString r1, c1, r2, c2;
  if (!ReadCell(term.Left(colon), FALSE, &r1, &c1) || !ReadCell(term.Mid(colon + 1), TRUE, &r2, &c2)) return FALSE;
  auto isStar = [](const CString& s) { return s.GetLength() > 0 && s[0] == u'*'; };
  pTerm->nRowFrom = isStar(r1) ? 0 : ReadInt(r1);
  pTerm->nColumnFrom = isStar(c1) ? 0 : ReadInt(c1);
  pTerm->nRowTo = isStar(r2) ? nRows : ReadInt(r2);
  pTerm->nColumnTo = isStar(c2) ? nColumns : ReadInt(c2);
  return TRUE;
}

namespace {

// Adds the captions of items [c1, c2) of records [r1, r2) of the
// collection, skipping `self`.
double SumBlock(CTKReportRecords* records, const TK_REPORTFORMULA_TERM& term, CTKReportRecordItem* self) {
  double sum = 0;
  int rowEnd = term.nRowTo < records->GetCount() ? term.nRowTo : records->GetCount();
  for (int i = term.nRowFrom < 0 ? 0 : term.nRowFrom; i < rowEnd; ++i) {
    CTKReportRecord* record = records->GetAt(i);
    if (!record) continue;
    int columnEnd = term.nColumnTo < record->GetItemCount() ? term.nColumnTo : record->GetItemCount();
    for (int j = term.nColumnFrom < 0 ? 0 : term.nColumnFrom; j < columnEnd; ++j) {
      CTKReportRecordItem* item = record->GetItem(j);
      if (!item || item == self) continue;
      sum += TKReportTextToNumber(item->GetCaption(nullptr));
    }
  }
  return sum;
}

CString FormatSum(const CString& format, double sum) {
  if (format.IsEmpty() || format == u"%s") return TKFormatNumber(u"%f", sum);
  if (format == u"%d") return TKFormatNumber(u"%.0f", sum);
  return TKFormatNumber(format, sum);
}

}  // namespace

CString CTKReportRecordItem::EvaluateFormula(LPCTSTR lpszText) {
  CString text = lpszText ? lpszText : u"";
  CTKReportDataHost* host = TKGetReportDataHost(m_pControl);
  TK_REPORTFORMULA_TERM term;
  // Each term has its own sum.
  if (m_strFormula.Find(u"SUMSUB(") >= 0) {
    CTKReportRecords* children = m_pRecord->GetChilds();
    if (children &&
        TKParseFormulaTerm(m_strFormula, u"SUMSUB(", children->GetCount(), m_pRecord->GetItemCount(), &term) &&
        children->GetCount() > 0) {
      text = FormatSum(m_strFormatString, SumBlock(children, term, this));
      m_clrText = host->GetFormulaColor(1);
    }
  }
  CTKReportRecords* siblings = m_pRecord->GetRecords();
  if (m_strFormula.Find(u"SUM(") >= 0 && siblings &&
      TKParseFormulaTerm(m_strFormula, u"SUM(", siblings->GetCount(), m_pRecord->GetItemCount(), &term)) {
    text = FormatSum(m_strFormatString, SumBlock(siblings, term, this));
    m_clrText = host->GetFormulaColor(0);
  }
  return text;
}
