#include "toolkit/report/reporthyperlink.h"

#include "toolkit/common/propexchange.h"
#include "toolkit/report/reportrecorditem.h"

CTKReportHyperlink::CTKReportHyperlink(int nHyperTextBegin, int nHyperTextLen)
    : m_nHyperTextBegin(nHyperTextBegin), m_nHyperTextLen(nHyperTextLen) {}

void CTKReportHyperlink::DoPropExchange(CTKPropExchange* pPX) {
  PropExchangeInt(pPX, u"HyperTextBegin", &m_nHyperTextBegin);
  PropExchangeInt(pPX, u"HyperTextLen", &m_nHyperTextLen);
}

CTKReportHyperlinks::~CTKReportHyperlinks() { CTKReportHyperlinks::RemoveAll(); }

void CTKReportHyperlinks::RemoveAll() {
  for (INT_PTR i = m_arrElements.GetSize() - 1; i >= 0; --i) {
    if (CTKReportHyperlink* link = m_arrElements[i]) link->InternalRelease();
  }
  m_arrElements.RemoveAll();
}

void CTKReportHyperlinks::DoPropExchange(CTKPropExchange* pPX) {
  CTKPropExchangeEnumeratorHolder enumerator(pPX->GetEnumerator(u"Hyperlink"));
  POSITION pos = enumerator->GetPosition(static_cast<DWORD>(GetSize()));
  if (pPX->IsStoring()) {
    for (INT_PTR i = 0; pos; ++i) {
      CTKPropExchangeSection section(enumerator->GetNext(pos));
      m_arrElements[i]->DoPropExchange(section);
    }
    return;
  }
  while (pos) {
    CTKPropExchangeSection section(enumerator->GetNext(pos));
    auto* link = new CTKReportHyperlink(0, 0);
    Add(link);
    link->DoPropExchange(section);
  }
}

void CTKReportHyperlinks::RemoveLinkAt(int nIndex) {
  if (nIndex < 0 || nIndex >= GetSize()) return;
  CTKReportHyperlink* link = m_arrElements[nIndex];
  m_arrElements.RemoveAt(nIndex);
  if (link) link->InternalRelease();
}

void CTKReportHyperlinks::CopyFrom(CTKReportHyperlinks* pSrc) {
  if (pSrc == this) return;
  RemoveAll();
  if (!pSrc) return;
  for (INT_PTR i = 0; i < pSrc->GetSize(); ++i) {
    CTKReportHyperlink* link = pSrc->GetAt(i);
    if (link) link->InternalAddRef();
    Add(link);
  }
}

CString TKParseHyperlinks(CTKReportRecordItem* pItem, const CString& strText) {
  CTKReportHyperlinks* links = pItem ? pItem->GetHyperlinks() : nullptr;
  if (links) links->RemoveAll();
  CString text = strText;
  for (;;) {
    int open = text.Find(u"[url");
    if (open < 0) break;
    int close = text.Find(u']', open);
    if (close < 0) break;
    int end = text.Find(u"[/url]", close + 1);
    if (end < 0) break;
    int length = end - close - 1;
    CString rest = text.Mid(end + 6);
    text = text.Left(open) + text.Mid(close + 1, length) + rest;
    if (links) links->Add(new CTKReportHyperlink(open, length));
  }
  return text;
}
