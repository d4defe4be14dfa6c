// The records block of the report grid's clipboard format
// "TKReport_CF_Records": the version, the date-text locale, then the
// records with their classes and everything they exchange, written by an
// archive-flavoured property exchange (the same stored form the grid's
// records use everywhere). The block is self-delimiting; the global memory
// that carries it may be longer.
//
// A block on the clipboard may come from another process, so reading
// trusts nothing in it: a record count the block's bytes cannot hold is
// refused before anything is made, and a block that ends inside what it
// announces (a count, a string, a record) pastes nothing.
#pragma once

#include <functional>

#include "platform/base/wintypes.h"

class CTKPropExchange;
class CTKReportRecord;
class CTKReportRecords;

// The registered name of the records format.
inline constexpr const char16_t* kTKReportRecordsFormat = u"TKReport_CF_Records";
// The only records block version.
inline constexpr int kTKReportRecordsVersion = 1;

// Offered each record read, before it is kept: TRUE refuses it (it is
// released); storing another record in *ppRecord keeps that one instead
// (the read one is released, the collection takes over the replacement's
// reference). The report control sends its owner notification -65 here.
using TKReportPasteFilter = std::function<BOOL(CTKReportRecord** ppRecord)>;

// Writes "Version", "Locale" and the records (section "ReportRecords",
// enumerator "Record", each record's class and own exchange). FALSE
// without records or for a loading exchange.
BOOL TKWriteRecordsData(CTKPropExchange* pPX, CTKReportRecords* pRecords);

// Reads a records block into pRecords (emptied first). FALSE without an
// exchange, for a storing one, for another version, or for a record count
// the block cannot hold. A record of a class that is unknown or not a
// report record raises the archive error badClass; the records read before
// it stay in the collection. Archive errors pass to the caller.
BOOL TKReadRecordsData(CTKPropExchange* pPX, CTKReportRecords* pRecords, const TKReportPasteFilter& filter = {});

// The block in new global memory (GMEM_MOVEABLE | GMEM_SHARE |
// GMEM_ZEROINIT), grown in steps of ((nRowsHint * 1500) / 4096 + 1) * 4096
// bytes; null when writing failed (nothing is left allocated).
HGLOBAL TKWriteRecordsBlock(CTKReportRecords* pRecords, int nRowsHint);
// The same with the writer given: it answers whether it wrote a block.
// Archive, file and other errors it raises count as not written.
HGLOBAL TKWriteRecordsBlockWith(int nRowsHint, const std::function<BOOL(CTKPropExchange* pPX)>& write);

// Reads the block in the global memory (never past its size) into
// pRecords. An unknown record class keeps the records before it (TRUE
// when there are any); any other failure empties the collection and
// answers FALSE. Nothing is raised.
BOOL TKReadRecordsBlock(HGLOBAL hBlock, CTKReportRecords* pRecords, const TKReportPasteFilter& filter = {});
// The same with the reader given (the control's ReadRecordsData).
BOOL TKReadRecordsBlockWith(HGLOBAL hBlock, CTKReportRecords* pRecords,
                            const std::function<BOOL(CTKPropExchange* pPX, CTKReportRecords* pRecords)>& read);
