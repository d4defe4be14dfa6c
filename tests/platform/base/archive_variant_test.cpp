// The archive forms of VARIANT, COleVariant and COleDateTime.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "archive_bytes.h"
#include "platform/base/archive.h"
#include "platform/base/bstr.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "platform/base/oledatetime.h"
#include "platform/base/variant.h"

namespace {

using namespace archivetest;

template <class T>
Bytes Raw(T v) {
  Bytes b(sizeof(T));
  std::memcpy(b.data(), &v, sizeof(T));
  return b;
}

COleVariant Decimal() {
  COleVariant v;
  V_VT(&v) = VT_DECIMAL;
  V_DECIMAL(&v).scale = 2;
  V_DECIMAL(&v).sign = 0x80;
  V_DECIMAL(&v).Hi32 = 7;
  V_DECIMAL(&v).Lo64 = 0x0102030405060708ull;
  return v;
}

TEST(ArchiveVariant, EachTypeHasItsStoredFormAndComesBackEqual) {
  struct Case {
    const char* name;
    COleVariant value;
    Bytes bytes;
  };
  COleVariant i1;
  V_VT(&i1) = VT_I1;
  V_I1(&i1) = -3;
  COleVariant null;
  V_VT(&null) = VT_NULL;
  const Case cases[] = {
      {"empty", COleVariant(), {0x00, 0x00}},
      {"null", null, {0x01, 0x00}},
      {"byte", COleVariant(BYTE(0xAB)), {0x11, 0x00, 0xAB}},
      {"signed byte", i1, {0x10, 0x00, 0xFD}},
      {"short", COleVariant(short(-2)), {0x02, 0x00, 0xFE, 0xFF}},
      {"boolean", COleVariant(short(-1), VT_BOOL), {0x0B, 0x00, 0xFF, 0xFF}},
      {"long", COleVariant(0x01020304L), {0x03, 0x00, 0x04, 0x03, 0x02, 0x01}},
      {"error", COleVariant(5L, VT_ERROR), {0x0A, 0x00, 0x05, 0x00, 0x00, 0x00}},
      {"float", COleVariant(1.5f), Concat({{0x04, 0x00}, Raw(1.5f)})},
      {"double", COleVariant(-2.25), Concat({{0x05, 0x00}, Raw(-2.25)})},
      {"date", COleVariant(40000.5, VT_DATE), Concat({{0x07, 0x00}, Raw(40000.5)})},
      {"64-bit", COleVariant(-5LL), Concat({{0x14, 0x00}, Raw(-5LL)})},
      {"string", COleVariant(u"ab"), {0x08, 0x00, 0xFF, 0xFE, 0xFF, 0x02, 'a', 0x00, 'b', 0x00}},
      {"empty string", COleVariant(u""), {0x08, 0x00, 0xFF, 0xFE, 0xFF, 0x00}},
      {"decimal", Decimal(), Concat({{0x0E, 0x00, 0x02, 0x80}, Raw<DWORD>(7), Raw<ULONGLONG>(0x0102030405060708ull)})},
  };
  for (const Case& c : cases) {
    Bytes stored = Store([&](CArchive& ar) { ar << c.value; });
    EXPECT_EQ(stored, c.bytes) << c.name;
    COleVariant back(u"to be replaced");
    Load(stored, [&](CArchive& ar) { ar >> back; });
    EXPECT_EQ(V_VT(&back), V_VT(&c.value)) << c.name;
    EXPECT_TRUE(back == c.value) << c.name;
  }
}

TEST(ArchiveVariant, StringsKeepEmbeddedZerosAndReferencesStoreTheirValue) {
  const char16_t units[] = {u'a', 0, u'b'};
  COleVariant text;
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocStringLen(units, 3);
  COleVariant back;
  Load(Store([&](CArchive& ar) { ar << text; }), [&](CArchive& ar) { ar >> back; });
  ASSERT_EQ(V_VT(&back), VT_BSTR);
  ASSERT_EQ(SysStringLen(V_BSTR(&back)), 3u);
  EXPECT_EQ(std::memcmp(V_BSTR(&back), units, sizeof(units)), 0);

  LONG number = 77;
  VARIANT byRef;
  VariantInit(&byRef);
  V_VT(&byRef) = VT_I4 | VT_BYREF;
  V_I4REF(&byRef) = &number;
  EXPECT_EQ(Store([&](CArchive& ar) { ar << byRef; }), Store([&](CArchive& ar) { ar << COleVariant(77L); }));
}

TEST(ArchiveVariant, ValuesWithoutAStoredFormAndBadDataRaiseAndChangeNothing) {
  // Storing: an array has no stored form; nothing is written.
  COleVariant array;
  V_VT(&array) = VT_ARRAY | VT_I4;
  V_ARRAY(&array) = nullptr;
  int cause = -1;
  Bytes written = Store([&](CArchive& ar) {
    ar << COleVariant(1L);
    cause = ArchiveCause([&] { ar << static_cast<const VARIANT&>(array); });
  });
  EXPECT_EQ(cause, CArchiveException::genericException);
  EXPECT_EQ(written, Store([&](CArchive& ar) { ar << COleVariant(1L); }));
  V_VT(&array) = VT_EMPTY;

  // Loading: unknown types and short data leave the target as it was.
  struct Case {
    const char* name;
    Bytes bytes;
    int cause;
  };
  const Case cases[] = {
      {"unknown type", {0x0D, 0x00, 1, 2, 3, 4, 5, 6, 7, 8}, CArchiveException::genericException},
      {"array type", {0x03, 0x20, 0, 0, 0, 0}, CArchiveException::genericException},
      {"short long", {0x03, 0x00, 0x01, 0x02}, CArchiveException::endOfFile},
      {"short string", {0x08, 0x00, 0xFF, 0xFE, 0xFF, 0x05, 'a', 0x00}, CArchiveException::endOfFile},
      {"no type", {0x03}, CArchiveException::endOfFile},
  };
  for (const Case& c : cases) {
    COleVariant target(u"kept");
    EXPECT_EQ(ArchiveCause([&] { Load(c.bytes, [&](CArchive& ar) { ar >> target; }); }), c.cause) << c.name;
    EXPECT_TRUE(target == COleVariant(u"kept")) << c.name;
  }
}

TEST(ArchiveDateTime, StatusAndValueRoundTripAndUnknownStatusesLoadAsInvalid) {
  COleDateTime when(2005, 3, 14, 13, 5, 9);
  EXPECT_EQ(Store([&](CArchive& ar) { ar << when; }), Concat({Raw<LONG>(0), Raw(when.m_dt)}));

  struct Case {
    LONG stored;
    COleDateTime::DateTimeStatus loaded;
  };
  const Case cases[] = {{0, COleDateTime::valid},  {1, COleDateTime::invalid}, {2, COleDateTime::null},
                        {-1, COleDateTime::error}, {3, COleDateTime::invalid}, {-7, COleDateTime::invalid}};
  for (const Case& c : cases) {
    COleDateTime back;
    Load(Concat({Raw<LONG>(c.stored), Raw(12.5)}), [&](CArchive& ar) { ar >> back; });
    EXPECT_EQ(back.m_status, c.loaded) << c.stored;
    EXPECT_EQ(back.m_dt, 12.5) << c.stored;
  }
  COleDateTime untouched = when;
  EXPECT_EQ(ArchiveCause([&] { Load(Raw<LONG>(0), [&](CArchive& ar) { ar >> untouched; }); }),
            CArchiveException::endOfFile);
  EXPECT_EQ(untouched.m_dt, when.m_dt);
}

}  // namespace
