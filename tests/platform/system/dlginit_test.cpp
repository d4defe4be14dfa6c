// Dialog initialisation data: what the compiler stores for `items` lines,
// the decoder's reading of it (and of damaged blobs), and the compiler's
// refusals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/system/locale.h"
#include "platform/system/resources.h"
#include "tests/platform/system/test_support.h"

namespace {

constexpr WORD kPick = 7001;
constexpr WORD kPlain = 7002;
constexpr WORD kLbAdd = 0x0180;  // LB_ADDSTRING
constexpr WORD kCbAdd = 0x0143;  // CB_ADDSTRING

struct Row {
  WORD id;
  WORD message;
  std::u16string text;
  bool operator==(const Row&) const = default;
};

std::vector<Row> Rows(const std::vector<pv::DialogInitEntry>& entries) {
  std::vector<Row> rows;
  for (const auto& e : entries) rows.push_back({e.controlId, e.message, e.text});
  return rows;
}

bool Load(WORD name, WORD language, std::vector<pv::DialogInitEntry>* out) {
  HRSRC r = FindResourceExW(nullptr, RT_DLGINIT, MAKEINTRESOURCE(name), language);
  if (!r) return false;
  const void* p = LockResource(LoadResource(nullptr, r));
  return pv::DecodeDialogInitResource(p, SizeofResource(nullptr, r), out);
}

TEST(DialogInitData, ItemsLinesBecomeRecordsInSourceOrderPerLanguage) {
  std::vector<pv::DialogInitEntry> entries;
  ASSERT_TRUE(Load(kPick, 0, &entries));
  // The message follows the control's class; texts keep quotes and CJK.
  std::vector<Row> expected = {
      {1081, kLbAdd, u"before the control is fine"},
      {1080, kCbAdd, u"Work"},
      {1080, kCbAdd, u"Affairs of Life"},
      {1080, kCbAdd, u"Other Things"},
      {1081, kLbAdd, u"\u4e2d\u6587 \"quoted\""},
      {1081, kLbAdd, u"O'Brien"},
  };
  EXPECT_EQ(expected, Rows(entries));
  ASSERT_TRUE(Load(kPick, MAKELANGID(0x07, 0x01), &entries));
  EXPECT_EQ((std::vector<Row>{{1080, kCbAdd, u"Arbeit"}}), Rows(entries));
  // A dialog without items gets no data.
  EXPECT_EQ(nullptr, FindResourceW(nullptr, MAKEINTRESOURCE(kPlain), RT_DLGINIT));
  EXPECT_NE(nullptr, FindResourceW(nullptr, MAKEINTRESOURCE(kPlain), RT_DIALOG));
}

std::vector<BYTE> Record(WORD id, WORD message, const std::string& bytes) {
  std::vector<BYTE> b = {static_cast<BYTE>(id), static_cast<BYTE>(id >> 8), static_cast<BYTE>(message),
                         static_cast<BYTE>(message >> 8)};
  DWORD n = static_cast<DWORD>(bytes.size());
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<BYTE>(n >> (8 * i)));
  b.insert(b.end(), bytes.begin(), bytes.end());
  return b;
}

TEST(DialogInitData, DecoderReadsOlderNumbersAndRefusesDamage) {
  std::vector<pv::DialogInitEntry> in = {{1080, kCbAdd, u"Work"}, {1081, kLbAdd, u"\u00e4\u4e2d"}};
  std::vector<BYTE> blob = pv::EncodeDialogInitResource(in);
  std::vector<pv::DialogInitEntry> out;
  ASSERT_TRUE(pv::DecodeDialogInitResource(blob.data(), static_cast<DWORD>(blob.size()), &out));
  EXPECT_EQ(Rows(in), Rows(out));

  // Every cut inside a record is refused; a cut between records reads the
  // records before it (the end of the data ends the list).
  const size_t firstEnd = 8 + 5;
  for (size_t cut = 0; cut < blob.size(); ++cut) {
    bool boundary = cut == 0 || cut == firstEnd || cut == blob.size() - 2;
    bool ok = pv::DecodeDialogInitResource(blob.data(), static_cast<DWORD>(cut), &out);
    EXPECT_EQ(boundary, ok) << cut;
    if (ok) {
      EXPECT_EQ(cut == 0 ? 0u : cut == firstEnd ? 1u : 2u, out.size()) << cut;
    }
  }

  struct Case {
    const char* name;
    std::vector<BYTE> blob;
    bool ok;
    std::vector<Row> rows;
  };
  auto cat = [](std::vector<BYTE> a, const std::vector<BYTE>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  std::vector<BYTE> tooLong = Record(5, kCbAdd, "x");
  tooLong[4] = 0xFF;
  tooLong[7] = 0x7F;
  std::vector<Case> cases = {
      {"older list and combo numbers",
       cat(Record(5, 0x0401, std::string("a\0", 2)), Record(6, 0x0403, "b")),
       true,
       {{5, kLbAdd, u"a"}, {6, kCbAdd, u"b"}}},
      {"a text without its zero", Record(5, kCbAdd, "abc"), true, {{5, kCbAdd, u"abc"}}},
      {"data after the end mark is not read",
       cat(cat(Record(5, kCbAdd, "x"), {0, 0}), {1, 2, 3}),
       true,
       {{5, kCbAdd, u"x"}}},
      {"another message is kept as it is", Record(5, 0x1234, "x"), true, {{5, 0x1234, u"x"}}},
      {"a length beyond the data", tooLong, false, {}},
      {"a text that is not UTF-8", Record(5, kCbAdd, "\xff\xfe"), false, {}},
      {"one stray byte", cat(Record(5, kCbAdd, "x"), {7}), false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    out.clear();
    bool ok = pv::DecodeDialogInitResource(c.blob.data(), static_cast<DWORD>(c.blob.size()), &out);
    EXPECT_EQ(c.ok, ok);
    if (ok) {
      EXPECT_EQ(c.rows, Rows(out));
    }
  }
}

TEST(DialogInitData, CompilerRefusesItemsItCannotStore) {
  pv::test::TempHome home;
  struct Case {
    const char* source;
    const char* message;
  };
  const char* head = "dialog 1 0 0 100 50\n  combobox 10, 1, 1, 50, 50\n  edittext 11, 1, 20, 50, 12\n";
  std::vector<Case> cases = {
      {"  items 12 \"x\"\nend\n", "src.pvrc:4: 'items' names control 12, which the dialog does not have"},
      {"  items 11 \"x\"\nend\n",
       "src.pvrc:4: 'items' fill only list boxes and combo boxes (control 11 is of class Edit)"},
      {"  items 10\nend\n", "src.pvrc:4: 'items' needs at least one text"},
      {"  items 10 \"a\\0b\"\nend\n", "src.pvrc:4: an item's text cannot hold a zero character"},
      {"  items 10 \"a\" 5\nend\n", "src.pvrc:4: an item's text is expected"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    std::string err;
    EXPECT_EQ(1, pv::test::RunResourceCompiler(home.path(), std::string(head) + c.source, &err));
    EXPECT_NE(std::string::npos, err.find(c.message)) << err;
  }
}

}  // namespace
