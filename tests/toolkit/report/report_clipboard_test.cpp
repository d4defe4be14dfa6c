// The records block of the clipboard format: its bytes built by hand from
// the archive rules, round trips through global memory, and blocks that are
// cut short, lie about their counts or name classes this program lacks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/base/globalmem.h"
#include "tests/toolkit/report/report_test_support.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/report/reportclipboard.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"

// A record class of the host program, with a value of its own.
class CTestTaskRecord : public CTKReportRecord {
  DECLARE_SERIAL(CTestTaskRecord)
 public:
  void DoPropExchange(CTKPropExchange* pPX) override {
    CTKReportRecord::DoPropExchange(pPX);
    PropExchangeInt(pPX, u"TaskId", &m_nTaskId);
  }
  int m_nTaskId = 0;
};
IMPLEMENT_SERIAL(CTestTaskRecord, CTKReportRecord, VERSIONABLE_SCHEMA | 38)

namespace {

struct BlockBuilder {
  Bytes bytes;
  BlockBuilder& Word(unsigned v) {
    bytes.push_back(static_cast<BYTE>(v));
    bytes.push_back(static_cast<BYTE>(v >> 8));
    return *this;
  }
  BlockBuilder& Int(unsigned v) { return Word(v & 0xFFFF).Word(v >> 16); }
  BlockBuilder& NewClass(const char* name) {
    Word(0xFFFF).Word(38).Word(static_cast<unsigned>(std::strlen(name)));
    bytes.insert(bytes.end(), name, name + std::strlen(name));
    return *this;
  }
  // A record's own exchange: Locked, Editable, Preview, no items, no children.
  BlockBuilder& PlainRecord(bool locked) { return Int(locked).Int(1).Int(0).Word(0).Int(0); }
};

// Version 1, locale -1, four records: two plain ones (the second locked),
// then two of the host's class with task ids 7 and 8.
Bytes GoldenBlock() {
  BlockBuilder b;
  b.Int(1).Int(0xFFFFFFFF).Word(4);
  b.NewClass("CTKReportRecord").PlainRecord(false);         // class 1, record 2
  b.Word(0x8001).PlainRecord(true);                         // record 3
  b.NewClass("CTestTaskRecord").PlainRecord(false).Int(7);  // class 4, record 5
  b.Word(0x8004).PlainRecord(false).Int(8);
  return b.bytes;
}

CTKReportRecords* GoldenRecords() {
  auto* records = new CTKReportRecords;
  records->Add(new CTKReportRecord);
  auto* locked = new CTKReportRecord;
  locked->SetLocked(TRUE);
  records->Add(locked);
  for (int id : {7, 8}) {
    auto* task = new CTestTaskRecord;
    task->m_nTaskId = id;
    records->Add(task);
  }
  return records;
}

HGLOBAL ToGlobal(const Bytes& bytes, size_t padding = 0) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + padding);
  if (!bytes.empty()) std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

Bytes FromGlobal(HGLOBAL block) {
  Bytes bytes(GlobalSize(block));
  std::memcpy(bytes.data(), GlobalLock(block), bytes.size());
  GlobalUnlock(block);
  return bytes;
}

// Reads bytes as the clipboard would hand them over; the classes of the
// records read, "-" for a plain record, "T<id>" for a task record.
struct ReadResult {
  BOOL ok;
  std::string records;
  int offered = 0;
};
ReadResult Read(const Bytes& bytes, size_t padding = 0, const TKReportPasteFilter& filter = {}) {
  HGLOBAL block = ToGlobal(bytes, padding);
  auto* records = new CTKReportRecords;
  int offered = 0;
  BOOL ok = TKReadRecordsBlock(block, records, [&](CTKReportRecord** record) {
    ++offered;
    return filter ? filter(record) : FALSE;
  });
  std::string text;
  for (int i = 0; i < records->GetCount(); ++i) {
    auto* task = dynamic_cast<CTestTaskRecord*>(records->GetAt(i));
    text += task ? "T" + std::to_string(task->m_nTaskId) : records->GetAt(i)->IsLocked() ? "L" : "-";
  }
  records->InternalRelease();
  GlobalFree(block);
  return {ok, text, offered};
}

class ClipboardBlockTest : public ::testing::Test {
 protected:
  void TearDown() override { CTKPropExchange::s_nLocale = -1; }
};

TEST_F(ClipboardBlockTest, WriterProducesTheArchiveBytes) {
  CTKReportRecords* records = GoldenRecords();
  EXPECT_EQ(StoreWith(38, [&](CTKPropExchange* px) { EXPECT_TRUE(TKWriteRecordsData(px, records)); }), GoldenBlock());
  // In global memory: grown in whole steps of the estimate, the rest zero.
  HGLOBAL block = TKWriteRecordsBlock(records, 4);
  ASSERT_NE(block, nullptr);
  Bytes bytes = FromGlobal(block);
  EXPECT_EQ(bytes.size(), 8192u);  // ((4 * 1500) / 4096 + 1) * 4096
  Bytes golden = GoldenBlock();
  EXPECT_TRUE(std::equal(golden.begin(), golden.end(), bytes.begin()));
  EXPECT_TRUE(std::all_of(bytes.begin() + golden.size(), bytes.end(), [](BYTE b) { return b == 0; }));
  GlobalFree(block);
  records->InternalRelease();
}

TEST_F(ClipboardBlockTest, ReaderMakesTheRecordsOfTheirClasses) {
  EXPECT_EQ(Read(GoldenBlock()).records, "-LT7T8");
  EXPECT_EQ(Read(GoldenBlock(), 5000).records, "-LT7T8");  // the block is self-delimiting
}

TEST_F(ClipboardBlockTest, RichRecordsSurviveTheRoundTrip) {
  auto* records = new CTKReportRecords;
  for (int i = 0; i < 3; ++i) {
    CTKReportRecord* record = i == 2 ? new CTestTaskRecord : new CTKReportRecord;
    record->AddItem(new CTKReportRecordItemText(u"see [url=x]here[/url]"));
    auto* number = new CTKReportRecordItemNumber(i * 2.5);
    number->SetFormatString(u"%.2f");
    record->AddItem(number);
    record->AddItem(new CTKReportRecordItemDateTime(COleDateTime(2026, 12, 8, 19, 30, 0)));
    record->AddItem(new CTKReportRecordItemVariant(COleVariant(u"abc")));
    if (i == 1) {
      record->SetPreviewItem(new CTKReportRecordItemPreview(u"preview"));
      auto* child = new CTKReportRecord;
      child->AddItem(new CTKReportRecordItemText(u"child"));
      record->GetChilds()->Add(child);
    }
    records->Add(record);
  }
  HGLOBAL block = TKWriteRecordsBlock(records, records->GetCount());
  ASSERT_NE(block, nullptr);
  auto* read = new CTKReportRecords;
  EXPECT_TRUE(TKReadRecordsBlock(block, read));
  ASSERT_EQ(read->GetCount(), 3);
  EXPECT_NE(dynamic_cast<CTestTaskRecord*>(read->GetAt(2)), nullptr);
  EXPECT_EQ(read->GetAt(0)->GetItem(1)->GetCaption(nullptr), CString(u"0.00"));
  EXPECT_EQ(read->GetAt(1)->GetChilds()->GetAt(0)->GetItem(0)->GetCaption(nullptr), CString(u"child"));
  // Written again, the read records give the same bytes.
  HGLOBAL again = TKWriteRecordsBlock(read, 3);
  EXPECT_EQ(FromGlobal(again), FromGlobal(block));
  GlobalFree(again);
  GlobalFree(block);
  read->InternalRelease();
  records->InternalRelease();
}

TEST_F(ClipboardBlockTest, DamagedBlocksPasteNothing) {
  Bytes golden = GoldenBlock();
  // Cut short anywhere, even between two records: nothing.
  for (size_t length = 0; length < golden.size(); ++length) {
    ReadResult result = Read(Bytes(golden.begin(), golden.begin() + static_cast<long>(length)));
    EXPECT_FALSE(result.ok) << length;
    EXPECT_EQ(result.records, "") << length;
  }
  // Another version.
  Bytes version2 = golden;
  version2[0] = 2;
  EXPECT_EQ(Read(version2).ok, FALSE);
  // A record count the block cannot hold is refused before any record is
  // read (none is offered to the owner).
  BlockBuilder oversized;
  oversized.Int(1).Int(0xFFFFFFFF).Word(0xFFFF).Int(100000);
  Bytes rest(golden.begin() + 10, golden.end());
  oversized.bytes.insert(oversized.bytes.end(), rest.begin(), rest.end());
  ReadResult result = Read(oversized.bytes, 1000);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.offered, 0);
  // Class names longer than the block.
  for (unsigned length : {60u, 0xFFF0u}) {
    BlockBuilder longName;
    longName.Int(1).Int(0xFFFFFFFF).Word(1).Word(0xFFFF).Word(38).Word(length);
    longName.bytes.insert(longName.bytes.end(), 20, 'C');
    EXPECT_FALSE(Read(longName.bytes).ok) << length;
  }
  // No block at all.
  auto* records = new CTKReportRecords;
  EXPECT_FALSE(TKReadRecordsBlock(nullptr, records));
  records->InternalRelease();
}

TEST_F(ClipboardBlockTest, AnUnknownClassKeepsTheRecordsBeforeIt) {
  Bytes unknown = GoldenBlock();
  std::string block(unknown.begin(), unknown.end());
  size_t at = block.find("CTestTaskRecord");
  unknown[at + 14] = 'X';  // "CTestTaskRecorX" is registered nowhere
  EXPECT_EQ(Read(unknown).records, "-L");
  EXPECT_TRUE(Read(unknown).ok);
  // A known class that is no record.
  BlockBuilder notRecord;
  notRecord.Int(1).Int(0xFFFFFFFF).Word(2).NewClass("CTKReportRecord").PlainRecord(true).NewClass("CTKReportRecords");
  EXPECT_EQ(Read(notRecord.bytes).records, "L");
}

TEST_F(ClipboardBlockTest, OwnerMayRefuseOrReplaceEachRecord) {
  ReadResult result = Read(GoldenBlock(), 0, [](CTKReportRecord** record) -> BOOL {
    if ((*record)->IsLocked()) return TRUE;
    if (auto* task = dynamic_cast<CTestTaskRecord*>(*record); task && task->m_nTaskId == 7) {
      auto* other = new CTestTaskRecord;
      other->m_nTaskId = 70;
      *record = other;
    }
    return FALSE;
  });
  EXPECT_EQ(result.records, "-T70T8");
  EXPECT_EQ(result.offered, 4);
}

TEST_F(ClipboardBlockTest, ReadingTakesTheLocaleOfTheBlock) {
  Bytes block = GoldenBlock();
  block[4] = 0x04, block[5] = 0x08, block[6] = 0, block[7] = 0;  // 2052
  EXPECT_EQ(Read(block).records, "-LT7T8");
  EXPECT_EQ(CTKPropExchange::s_nLocale, 2052);
}

}  // namespace
