// Hyperlinks of a record item: ranges of the caption drawn and clicked as
// links. A text item builds them from "[url" ... "[/url]" marks.
#pragma once

#include "platform/base/cstring.h"
#include "toolkit/report/reportallocator.h"
#include "toolkit/report/reportarray.h"

class CTKPropExchange;
class CTKReportRecordItem;

class CTKReportHyperlink : public CTKHeapObjectT<CCmdTarget, CTKReportDataAllocator> {
 public:
  CTKReportHyperlink(int nHyperTextBegin = 0, int nHyperTextLen = 0);
  virtual void DoPropExchange(CTKPropExchange* pPX);

  RECT m_rcHyperSpot{};  // where the link was last drawn; empty until then
  int m_nHyperTextBegin;
  int m_nHyperTextLen;
};

// The links of one item; holds one reference to each.
class CTKReportHyperlinks : public CTKHeapObjectT<CTKArrayT<CCmdTarget, CTKReportHyperlink*>, CTKReportDataAllocator> {
 public:
  CTKReportHyperlinks() = default;
  ~CTKReportHyperlinks() override;

  // Releases every link, last first, then empties.
  void RemoveAll() override;
  // Loading adds the stored links to those present.
  virtual void DoPropExchange(CTKPropExchange* pPX);
  // Releases and removes the link; nothing for an index out of range.
  virtual void RemoveLinkAt(int nIndex);
  // Replaces the links with the other collection's (each with a new
  // reference); nothing when given itself.
  virtual void CopyFrom(CTKReportHyperlinks* pSrc);
};

// Removes the "[url" ... "]" ... "[/url]" marks from the item's text and
// gives the item one link per well-formed mark over the link text. A mark
// without its "]", or without a "[/url]" after that, ends the parsing: it
// and the rest stay as they are. Answers the text without the marks.
CString TKParseHyperlinks(CTKReportRecordItem* pItem, const CString& strText);
