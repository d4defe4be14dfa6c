// The rows a client cursor holds: values and text kept in store blocks,
// read back across block boundaries, changed, added and deleted, read again
// by Requery into blocks another result gave back, and a result kept by an
// event's recordset while its own recordset closes.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/ado/ado_engine.h"
#include "tests/platform/ado/ado_test_util.h"

using namespace adotest;

namespace {

// A row of DETAILS as the test expects it; `detail` is absent for NULL.
struct Detail {
  long did = 0;
  long no1 = 0;
  long taid = 0;
  bool null = false;
  std::u16string detail;
};

// Texts of every kind the arena meets: empty, short, a few hundred units,
// longer than the first chunks, longer than a store block (a chunk of its
// own), and units that are not text (zero, an unpaired surrogate).
std::u16string TextFor(long i) {
  switch (i % 7) {
    case 0:
      return u"";
    case 1:
      return u"row " + Wide(std::to_string(i));
    case 2:
      return std::u16string(300 + static_cast<size_t>(i % 50), static_cast<char16_t>(u'a' + i % 26));
    case 3:
      return std::u16string(1, u'\0') + u"x" + std::u16string(1, static_cast<char16_t>(0xD800));
    case 4:
      return i % 3 == 0 ? std::u16string(40000 + static_cast<size_t>(i % 5), u'L') : u"short";
    default:
      return std::u16string(1000 + static_cast<size_t>(i % 13), static_cast<char16_t>(0x4E00 + i % 100));
  }
}

// A text value with its exact units (zero units included); NULL when `null`.
_variant_t TextValue(const std::u16string& s, bool null = false) {
  _variant_t v;
  if (null) {
    v.vt = VT_NULL;
    return v;
  }
  v.bstrVal = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  v.vt = VT_BSTR;
  return v;
}

class HeldRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("qty.tgd");
    c_.Attach(CreateDatabase(path_).Detach());
  }
  // Inserts `n` rows; every eleventh detail is NULL. Returns what was stored.
  std::vector<Detail> Fill(long n) {
    std::vector<Detail> rows;
    c_->BeginTrans();
    for (long i = 0; i < n; ++i) {
      Detail d;
      d.did = i + 1;
      d.no1 = i % 256;
      d.taid = 7 * i - 5000;
      d.null = i % 11 == 10;
      if (!d.null) d.detail = TextFor(i);
      c_->ExecuteWithParameters(u"insert into details (no1,taid,detail) values (?,?,?)",
                                {d.no1, d.taid, TextValue(d.detail, d.null)});
      rows.push_back(std::move(d));
    }
    c_->CommitTrans();
    return rows;
  }
  _RecordsetPtr Open(const char16_t* sql = u"select did,no1,taid,detail from details order by did") {
    _RecordsetPtr rs(u"ADODB.Recordset");
    rs->PutCursorLocation(adUseClient);
    rs->Open(sql, _variant_t(static_cast<IDispatch*>(c_.GetInterfacePtr())), adOpenDynamic, adLockPessimistic,
             adCmdText);
    return rs;
  }
  TempDir dir_;
  std::string path_;
  _ConnectionPtr c_;
};

// The current row as read through GetCollect by name and by number.
Detail Current(_RecordsetPtr& rs) {
  Detail d;
  d.did = rs->GetCollect(u"did");
  d.no1 = rs->GetCollect(1L);
  d.taid = rs->GetCollect(u"TAID");
  _variant_t text = rs->GetCollect(3L);
  d.null = text.vt == VT_NULL;
  if (!d.null) d.detail = std::u16string(text.bstrVal, SysStringLen(text.bstrVal));
  return d;
}

// Walks `rs` from the first row and compares every row with `want`.
void ExpectRows(_RecordsetPtr& rs, const std::vector<Detail>& want, const std::string& context) {
  SCOPED_TRACE(context);
  ASSERT_EQ(rs->GetRecordCount(), static_cast<long>(want.size()));
  if (!want.empty()) rs->MoveFirst();
  size_t bad = 0;
  for (const Detail& w : want) {
    ASSERT_FALSE(rs->GetadoEOF());
    Detail got = Current(rs);
    bool same =
        got.did == w.did && got.no1 == w.no1 && got.taid == w.taid && got.null == w.null && got.detail == w.detail;
    if (!same && bad++ < 3)
      ADD_FAILURE() << "row did=" << w.did << ": read did=" << got.did << " no1=" << got.no1 << " taid=" << got.taid
                    << (got.null ? " NULL" : " text of " + std::to_string(got.detail.size()) + " units");
    rs->MoveNext();
  }
  EXPECT_TRUE(rs->GetadoEOF());
  EXPECT_EQ(bad, 0u);
}

TEST_F(HeldRowsTest, EveryRowReadsBackAcrossBlockBoundaries) {
  // 4 cells a row: a store block holds 1024 rows' cells; the first block
  // doubles from 16 rows' worth; row ids fill a block at 8192 rows.
  const std::vector<Detail> all = Fill(8200);
  struct Case {
    long rows;
  };
  for (Case k : {Case{0}, {1}, {16}, {17}, {1023}, {1024}, {1025}, {2049}, {8192}, {8193}, {8200}}) {
    std::u16string sql =
        u"select did,no1,taid,detail from details where did <= " + Wide(std::to_string(k.rows)) + u" order by did";
    _RecordsetPtr rs = Open(sql.c_str());
    std::vector<Detail> want(all.begin(), all.begin() + k.rows);
    ExpectRows(rs, want, std::to_string(k.rows) + " rows");
    // Backwards and by bookmark as well as forwards.
    if (k.rows > 0) {
      rs->MoveLast();
      for (long i = k.rows - 1; i >= 0; i -= 997) {
        rs->Move(i - (k.rows - 1), _variant_t(static_cast<long>(adBookmarkLast)));
        EXPECT_EQ(Current(rs).did, want[static_cast<size_t>(i)].did);
      }
      rs->MoveFirst();
      rs->Move(k.rows / 2);
      _variant_t middle = rs->GetBookmark();
      rs->MoveFirst();
      rs->PutBookmark(middle);
      EXPECT_EQ(Current(rs).taid, want[static_cast<size_t>(k.rows / 2)].taid);
    }
    rs->Close();
  }
}

TEST_F(HeldRowsTest, EditsAddsAndDeletesKeepEveryOtherRow) {
  std::vector<Detail> want = Fill(2100);
  _RecordsetPtr rs = Open();
  struct Edit {
    long did;
    std::u16string text;  // the new detail
  };
  // Texts that grow (into a new chunk, past a store block), shrink to empty, and become NULL.
  const std::vector<Edit> edits = {
      {1, std::u16string(70000, u'G')},
      {2, u"longer than before: " + std::u16string(5000, u'x')},
      {1024, u""},
      {1025, std::u16string(1, u'\0')},
      {2100, u"last"},
  };
  for (const Edit& e : edits) {
    rs->MoveFirst();
    rs->Move(e.did - 1);
    rs->PutCollect(u"detail", TextValue(e.text));
    rs->PutCollect(u"no1", 200L);
    rs->Update();
    Detail& w = want[static_cast<size_t>(e.did - 1)];
    w.detail = e.text;
    w.null = false;
    w.no1 = 200;
  }
  rs->MoveFirst();
  rs->Move(9);
  rs->PutCollect(u"detail", TextValue(u"", true));
  rs->Update();
  want[9].null = true;
  want[9].detail.clear();
  ExpectRows(rs, want, "after the edits");
  rs->Requery();
  ExpectRows(rs, want, "edits read again");

  // New rows take cells in the next block; deleted ones leave the walk.
  long nextId = 2101;
  for (long i = 0; i < 40; ++i) {
    rs->AddNew();
    std::u16string text = TextFor(i + 1);
    rs->PutCollect(u"no1", i);
    rs->PutCollect(u"taid", -i);
    rs->PutCollect(u"detail", TextValue(text));
    rs->Update();
    EXPECT_EQ(static_cast<long>(rs->GetCollect(u"did")), nextId);
    want.push_back(Detail{nextId++, i, -i, false, text});
  }
  for (long did : {2L, 1024L, 1025L, 2105L, 2140L}) {
    rs->MoveFirst();
    while (static_cast<long>(rs->GetCollect(u"did")) != did) rs->MoveNext();
    rs->Delete(adAffectCurrent);
    want.erase(std::find_if(want.begin(), want.end(), [&](const Detail& d) { return d.did == did; }));
  }
  ExpectRows(rs, want, "after AddNew and Delete");
  rs->Requery();
  ExpectRows(rs, want, "read again");
  RawDb raw(path_);
  EXPECT_EQ(raw.One("select count(*) from details"), std::to_string(want.size()));
}

// What closed recordsets gave back is taken by the next ones: their rows
// must be their own, and nothing freed while something still reads it.
TEST_F(HeldRowsTest, ClosedResultsBlocksServeTheNextOnes) {
  std::vector<Detail> want = Fill(3000);
  for (int round = 0; round < 3; ++round) {
    _RecordsetPtr a = Open();
    _RecordsetPtr b = Open(u"select did,no1,taid,detail from details where did > 1500 order by did");
    a->Close();
    // b was read before a closed; c takes a's blocks.
    _RecordsetPtr c = Open(u"select did,no1,taid,detail from details where did <= 1500 order by did");
    ExpectRows(b, std::vector<Detail>(want.begin() + 1500, want.end()), "b, round " + std::to_string(round));
    ExpectRows(c, std::vector<Detail>(want.begin(), want.begin() + 1500), "c, round " + std::to_string(round));
    // Requery reads into new blocks before the old ones go.
    c_->ExecuteWithParameters(u"update details set taid = taid + 1 where did > ?", {2990L});
    for (size_t i = 2990; i < want.size(); ++i) ++want[i].taid;
    b->Requery();
    ExpectRows(b, std::vector<Detail>(want.begin() + 1500, want.end()), "b requeried");
    c->Close();
    b->Close();
  }
  // What a thread keeps is bounded: a result larger than the bound leaves
  // exactly the bound behind.
  // Rows of 16 texts of about 1000 units: two to a store block, 25 MiB in all.
  std::u16string sixteen = u"select detail";
  for (int i = 1; i < 16; ++i) sixteen += u" & detail";
  sixteen += u" as t from details where len(detail) between 900 and 1100";
  _RecordsetPtr big = Open(sixteen.c_str());
  EXPECT_GT(big->GetRecordCount(), 700);
  big->Close();
  EXPECT_EQ(pv::ado::SpareStoreBytes(), pv::ado::kSpareStoreBytes);
}

// Keeps the recordset of the first record event it sees.
class KeepingSink final : public RecordsetEventsVt {
 public:
  _RecordsetPtr kept;
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == __uuidof(RecordsetEventsVt)) {
      *out = static_cast<RecordsetEventsVt*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the stack
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP WillChangeField(long, VARIANT, EventStatusEnum*, _Recordset*) override { return S_OK; }
  STDMETHODIMP FieldChangeComplete(long, VARIANT, Error*, EventStatusEnum*, _Recordset*) override { return S_OK; }
  STDMETHODIMP WillChangeRecord(EventReasonEnum, long, EventStatusEnum*, _Recordset* rs) override {
    if (!kept) kept = rs;
    return S_OK;
  }
  STDMETHODIMP RecordChangeComplete(EventReasonEnum, long, Error*, EventStatusEnum*, _Recordset*) override {
    return S_OK;
  }
  STDMETHODIMP WillChangeRecordset(EventReasonEnum, EventStatusEnum*, _Recordset*) override { return S_OK; }
  STDMETHODIMP RecordsetChangeComplete(EventReasonEnum, Error*, EventStatusEnum*, _Recordset*) override { return S_OK; }
  STDMETHODIMP WillMove(EventReasonEnum, EventStatusEnum*, _Recordset*) override { return S_OK; }
  STDMETHODIMP MoveComplete(EventReasonEnum, Error*, EventStatusEnum*, _Recordset*) override { return S_OK; }
  STDMETHODIMP EndOfRecordset(VARIANT_BOOL*, EventStatusEnum*, _Recordset*) override { return S_OK; }
  STDMETHODIMP FetchProgress(long, long, EventStatusEnum*, _Recordset*) override { return S_OK; }
  STDMETHODIMP FetchComplete(Error*, EventStatusEnum*, _Recordset*) override { return S_OK; }
};

TEST_F(HeldRowsTest, AnEventsRecordsetKeepsItsRowWhenTheRecordsetCloses) {
  std::vector<Detail> want = Fill(2500);
  struct Case {
    const char* name;
    bool requery;  // the recordset reads its rows again instead of closing
  };
  for (Case k : {Case{"close", false}, Case{"requery", true}}) {
    SCOPED_TRACE(k.name);
    KeepingSink sink;
    _RecordsetPtr rs = Open();
    IConnectionPointContainerPtr container(rs);
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(container->FindConnectionPoint(__uuidof(RecordsetEvents), &point), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
    rs->Move(2049);
    rs->PutCollect(u"taid", 1L);  // the first change: WillChangeRecord shows this row
    rs->CancelUpdate();
    point->Unadvise(cookie);
    point->Release();
    ASSERT_TRUE(sink.kept);
    if (k.requery) rs->Requery();
    else rs->Close();
    // Another result takes whatever the recordset gave back.
    _RecordsetPtr other = Open(u"select did,no1,taid,detail from details order by did desc");
    ExpectRows(sink.kept, {want[2049]}, "the kept row");
    other->Close();
    sink.kept = nullptr;
    if (k.requery) ExpectRows(rs, want, "requeried");
  }
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// A spare block waits poisoned: reading it before it is taken again is
// reported as a use after free would be.
TEST(SpareStoreBlocksDeathTest, ReadingAWaitingBlockIsReported) {
  void* block = pv::ado::TakeStoreBlock();
  static_cast<volatile char*>(block)[100] = 1;
  pv::ado::GiveStoreBlock(block);
  EXPECT_DEATH((void)static_cast<volatile char*>(block)[100], "use-after-poison");
  pv::ado::GiveStoreBlock(pv::ado::TakeStoreBlock());  // taken again, it is usable
}
#endif
