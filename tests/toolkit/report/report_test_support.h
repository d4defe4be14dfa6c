// Shared pieces of the report data tests: a control stand-in whose answers
// the tests set, and archive round trips through property exchange.
#pragma once

#include <functional>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "toolkit/common/propexchange_backends.h"
#include "toolkit/report/reportdatahost.h"

// Stands in for a report control: its address is used as the control
// pointer, and the resolver maps it back.
class FakeReportHost : public CTKReportDataHost {
 public:
  FakeReportHost() { TKSetReportDataHostResolver(&Resolve); }
  ~FakeReportHost() override { TKSetReportDataHostResolver(nullptr); }

  CTKReportControl* Control() { return reinterpret_cast<CTKReportControl*>(this); }

  CTKReportColumns* GetColumns() override { return columns; }
  BOOL HasHeader() override { return hasHeader; }
  int GetHeaderIndentLevel() override { return indentLevel; }
  int GetIndentPerLevel() override { return indentPerLevel; }
  void OnColumnsChanged(int flags, CTKReportColumn* column) override { notices.push_back({flags, column}); }
  int GetIconViewColumn() override { return iconViewColumn; }
  BOOL IsRightToLeft() override { return rightToLeft; }
  int GetSortArrowPlacement() override { return sortArrowPlacement; }
  int MeasureColumnCaption(CTKReportColumn*) override { return captionWidth; }
  int GetHeaderIconWidth(CTKReportColumn*, int) override { return iconWidth; }
  int GetColumnDataWidth(CTKReportColumn*) override { return dataWidth; }
  COLORREF GetFormulaColor(int index) override { return index == 0 ? 0x000011 : 0x000022; }

  struct Notice {
    int flags;
    CTKReportColumn* column;
    bool operator==(const Notice&) const = default;
  };
  CTKReportColumns* columns = nullptr;
  BOOL hasHeader = TRUE;
  int indentLevel = 0;
  int indentPerLevel = 20;
  int iconViewColumn = -1;
  BOOL rightToLeft = FALSE;
  int sortArrowPlacement = 0;
  int captionWidth = 0, iconWidth = 0, dataWidth = 0;
  std::vector<Notice> notices;

 private:
  static CTKReportDataHost* Resolve(CTKReportControl* control) { return reinterpret_cast<FakeReportHost*>(control); }
};

using Bytes = std::vector<BYTE>;

// Stores through an archive exchange with the given schema.
inline Bytes StoreWith(int schema, const std::function<void(CTKPropExchange*)>& body) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    CTKPropExchangeArchive px(ar);
    px.m_nSchema = schema;
    body(&px);
    ar.Close();
  }
  Bytes bytes(static_cast<size_t>(file.GetLength()));
  file.SeekToBegin();
  if (!bytes.empty()) file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

inline void LoadWith(int schema, Bytes bytes, const std::function<void(CTKPropExchange*)>& body) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  CArchive ar(&file, CArchive::load);
  CTKPropExchangeArchive px(ar);
  px.m_nSchema = schema;
  body(&px);
}

// The cause of the archive exception the body raises, or -1.
inline int ArchiveCause(const std::function<void()>& body) {
  try {
    body();
  } catch (CArchiveException* e) {
    int cause = e->m_cause;
    e->Delete();
    return cause;
  } catch (CException* e) {
    e->Delete();
    return -2;
  }
  return -1;
}
