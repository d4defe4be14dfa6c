// The stored form of each flavour, byte for byte and text for text, written
// by hand: the archive stream, the registry values and their types, the
// INI file's text.
#include "toolkit/common/propexchange_backends.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "platform/base/oledatetime.h"
#include "platform/base/variant.h"
#include "platform/system/profile.h"
#include "tests/toolkit/common/settings_test_support.h"

namespace {

using tk_settings_test::Le32;
using tk_settings_test::QueryRaw;
using tk_settings_test::RawKey;
using tk_settings_test::ReadFileText;
using tk_settings_test::TempHome;
using tk_settings_test::Utf16Bytes;
using tk_settings_test::WriteFileText;

using Bytes = std::vector<BYTE>;

Bytes Append(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes DoubleBytes(double d) {
  Bytes b(8);
  std::memcpy(b.data(), &d, 8);
  return b;
}

// Runs `body` on a storing archive exchange and answers the bytes written.
template <class F>
Bytes StoreArchive(F body) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    CTKPropExchangeArchive px(ar);
    body(&px);
    ar.Close();
  }
  auto n = static_cast<std::size_t>(file.GetLength());
  BYTE* data = file.Detach();
  Bytes out(data, data + n);
  std::free(data);
  return out;
}

// Runs `body` on a loading archive exchange over `bytes`.
template <class F>
void LoadArchive(Bytes bytes, F body) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  CArchive ar(&file, CArchive::load);
  CTKPropExchangeArchive px(ar);
  body(&px);
}

struct Values {
  int schemaIn = 0;
  int i = 0x01020304;
  BOOL flag = TRUE;
  short s = -2;
  BYTE byte = 7;
  double d = 1.5;
  RECT rc{1, 2, 3, 4};
  SIZE size{5, -6};
  CString text = u"Ab";
  COleDateTime date = COleDateTime(2005, 3, 14, 0, 0, 0);
  BYTE blob[2] = {0xAA, 0xBB};
  DWORD smallCount = 3, bigCount = 0x10000;
};

void ExchangeAll(CTKPropExchange* px, Values& v) {
  px->ExchangeSchemaTolerant();
  // Keys and defaults do not reach an archive: a value equal to its default
  // is written all the same.
  PropExchangeIntDefault(px, u"Int", &v.i, 0x01020304);
  PropExchangeBool(px, u"Flag", &v.flag);
  PropExchangeShortDefault(px, u"Short", &v.s, 0);
  PropExchangeByteDefault(px, u"Byte", &v.byte, 0);
  PropExchangeDouble(px, u"Double", &v.d);
  PropExchangeRect(px, u"Rect", &v.rc, RECT{});
  {
    CTKPropExchangeSection section(px->GetSection(u"Inner"));  // writes nothing of its own
    PropExchangeSize(section, u"Size", &v.size, SIZE{});
  }
  PropExchangeString(px, u"Text", &v.text);
  PropExchangeDateTime(px, u"Date", &v.date);
  BYTE* blob = v.blob;
  DWORD n = 2;
  PropExchangeBlob(px, u"Blob", &blob, &n);
  if (px->IsStoring()) {
    px->WriteCount(v.smallCount);
    px->WriteCount(v.bigCount);
  } else {
    v.smallCount = px->ReadCount();
    v.bigCount = px->ReadCount();
  }
}

TEST(PropExchangeArchive, StoredBytesAreTheValuesInCallOrder) {
  Values v;
  Bytes stored = StoreArchive([&](CTKPropExchange* px) { ExchangeAll(px, v); });
  Bytes expected = {0xBF, 0xAD, 0xF0, 0x0F, 38, 0, 0, 0,  // schema marker, schema
                    0x04, 0x03, 0x02, 0x01,               // Int
                    1,    0,    0,    0,                  // Flag
                    0xFE, 0xFF,                           // Short
                    7};                                   // Byte
  expected = Append(expected, DoubleBytes(1.5));
  expected = Append(expected, {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0});      // Rect
  expected = Append(expected, {5, 0, 0, 0, 0xFA, 0xFF, 0xFF, 0xFF});                  // Size
  expected = Append(expected, {0xFF, 0xFE, 0xFF, 2, 'A', 0, 'b', 0});                 // Text
  expected = Append(expected, {0, 0, 0, 0});                                          // date status: valid
  expected = Append(expected, DoubleBytes(COleDateTime(2005, 3, 14, 0, 0, 0).m_dt));  // date value
  expected = Append(expected, {2, 0, 0xAA, 0xBB});                                    // Blob: count, bytes
  expected = Append(expected, {3, 0, 0xFF, 0xFF, 0, 0, 1, 0});                        // counts
  EXPECT_EQ(expected, stored);

  Values back;
  back.i = 0, back.flag = FALSE, back.s = 0, back.byte = 0, back.d = 0, back.rc = {}, back.size = {};
  back.text.Empty();
  back.date = COleDateTime();
  back.blob[0] = back.blob[1] = 0;
  back.smallCount = back.bigCount = 0;
  LoadArchive(stored, [&](CTKPropExchange* px) {
    ExchangeAll(px, back);
    EXPECT_EQ(38, px->m_nSchema);
  });
  EXPECT_EQ(v.i, back.i);
  EXPECT_EQ(v.flag, back.flag);
  EXPECT_EQ(v.s, back.s);
  EXPECT_EQ(v.byte, back.byte);
  EXPECT_EQ(v.d, back.d);
  EXPECT_EQ(0, std::memcmp(&v.rc, &back.rc, sizeof(RECT)));
  EXPECT_EQ(-6, back.size.cy);
  EXPECT_EQ(v.text, back.text);
  EXPECT_TRUE(v.date == back.date);
  EXPECT_EQ(0xAA, back.blob[0]);
  EXPECT_EQ(0xBB, back.blob[1]);
  EXPECT_EQ(3u, back.smallCount);
  EXPECT_EQ(0x10000u, back.bigCount);
}

TEST(PropExchangeArchive, DataWithoutMarkerReadsAsSchema17AndKeepsItsBytes) {
  struct Case {
    const char* name;
    Bytes data;
  } cases[] = {
      {"a value", {0x04, 0x03, 0x02, 0x01}},
      {"the marker cut short", {0xBF, 0xAD, 0xF0}},
      {"nothing", {}},
  };
  for (const Case& c : cases) {
    LoadArchive(c.data, [&](CTKPropExchange* px) {
      EXPECT_TRUE(px->ExchangeSchemaTolerant()) << c.name;
      EXPECT_EQ(17, px->m_nSchema) << c.name;
      BYTE rest[8] = {};
      EXPECT_EQ(c.data.size(), px->ReadBinary(u"", rest, 8)) << c.name << ": nothing was consumed";
      EXPECT_EQ(c.data, Bytes(rest, rest + c.data.size())) << c.name;
    });
  }
}

TEST(PropExchangeArchive, VariantsObjectsAndEnumeratorsRoundTrip) {
  COleVariant texts[] = {COleVariant(u"text"), COleVariant(42L), COleVariant(2.5), COleVariant(short(-1), VT_BOOL),
                         COleVariant()};
  Bytes bytes = StoreArchive([&](CTKPropExchange* px) {
    for (COleVariant& t : texts) EXPECT_TRUE(PropExchangeVariant(px, u"V", &t, COleVariant()));
    CTKPropExchangeEnumeratorHolder e(px->GetEnumerator(u"Record"));
    POSITION pos = e->GetPosition(2);
    int i = 10;
    while (pos) {
      CTKPropExchangeSection s(e->GetNext(pos));
      PropExchangeInt(s, u"N", &i);
      ++i;
    }
  });
  std::vector<COleVariant> back(std::size(texts));
  LoadArchive(bytes, [&](CTKPropExchange* px) {
    for (COleVariant& b : back) EXPECT_TRUE(PropExchangeVariant(px, u"V", &b, COleVariant()));
    CTKPropExchangeEnumeratorHolder e(px->GetEnumerator(u"Record"));
    POSITION pos = e->GetPosition();
    EXPECT_EQ(2u, e->GetCount());
    std::vector<int> ns;
    while (pos) {
      CTKPropExchangeSection s(e->GetNext(pos));
      int n = 0;
      PropExchangeInt(s, u"N", &n);
      ns.push_back(n);
    }
    EXPECT_EQ((std::vector<int>{10, 11}), ns);
  });
  for (std::size_t i = 0; i < std::size(texts); ++i) EXPECT_TRUE(back[i] == texts[i]) << i;
}

}  // namespace

// Object exchange in an archive: the class reference, and the object entered
// in the archive's table so that later references resolve to it.
class PxArchiveItem : public CObject {
  DECLARE_SERIAL(PxArchiveItem)
 public:
  void Serialize(CArchive&) override {}
};
IMPLEMENT_SERIAL(PxArchiveItem, CObject, 3)

class PxArchiveOther : public CObject {
  DECLARE_SERIAL(PxArchiveOther)
};
IMPLEMENT_SERIAL(PxArchiveOther, CObject, 1)

namespace {

TEST(PropExchangeArchive, ObjectExchangeChecksTheClassAndMapsTheObject) {
  PxArchiveItem item;
  Bytes bytes = StoreArchive([&](CTKPropExchange* px) {
    CObject* obj = &item;
    EXPECT_TRUE(px->ExchangeObject(&obj, RUNTIME_CLASS(PxArchiveItem)));
    px->GetArchive(u"")->WriteObject(&item);  // a back reference now
  });
  LoadArchive(bytes, [&](CTKPropExchange* px) {
    px->m_nSchema = 0;
    CObject* obj = nullptr;
    EXPECT_TRUE(px->ExchangeObject(&obj, RUNTIME_CLASS(PxArchiveItem)));
    ASSERT_NE(nullptr, obj);
    EXPECT_EQ(3, px->m_nSchema) << "the schema stored with the class";
    CObject* again = px->GetArchive(u"")->ReadObject(nullptr);
    EXPECT_EQ(obj, again);
    delete obj;
  });
  // Another class where an item is expected: the archive refuses it.
  LoadArchive(bytes, [&](CTKPropExchange* px) {
    CObject* obj = nullptr;
    try {
      px->ExchangeObject(&obj, RUNTIME_CLASS(PxArchiveOther));
      ADD_FAILURE() << "a foreign class was accepted";
    } catch (CArchiveException* e) {
      EXPECT_EQ(CArchiveException::badClass, e->m_cause);
      e->Delete();
    }
    EXPECT_EQ(nullptr, obj);
  });
}

TEST(PropExchangeArchive, CorruptDataRaisesArchiveErrorsWithoutOverreading) {
  struct Case {
    const char* name;
    Bytes data;
    int kind;  // 0 rectangle, 1 blob into a new block, 2 blob into a small given block
  } cases[] = {
      {"short rectangle", {1, 0, 0, 0, 2, 0, 0, 0}, 0},
      {"blob count beyond the data", {0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 1, 2, 3}, 1},
      {"blob count past four bytes", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0}, 1},
  };
  for (const Case& c : cases) {
    LoadArchive(c.data, [&](CTKPropExchange* px) {
      try {
        if (c.kind == 0) {
          RECT rc{};
          PropExchangeRect(px, u"R", &rc, RECT{});
        } else {
          BYTE* data = nullptr;
          DWORD n = 0;
          PropExchangeBlob(px, u"B", &data, &n);
          std::free(data);
        }
        ADD_FAILURE() << c.name << ": no error";
      } catch (CArchiveException* e) {
        EXPECT_EQ(CArchiveException::endOfFile, e->m_cause) << c.name;
        e->Delete();
      }
    });
  }
  // A given block smaller than the stored count fails after the count.
  LoadArchive({3, 0, 1, 2, 3}, [&](CTKPropExchange* px) {
    BYTE small[2];
    BYTE* data = small;
    DWORD n = 2;
    EXPECT_FALSE(PropExchangeBlob(px, u"B", &data, &n));
  });
}

// ---- registry -----------------------------------------------------------------------------

class RegistryForms : public ::testing::Test {
 protected:
  HKEY Parent() { return parent_.get(); }
  TempHome home_;
  RawKey parent_{HKEY_CURRENT_USER, u"Software\\FormTest"};
};

TEST_F(RegistryForms, EachTypeHasItsValueTypeAndData) {
  int i = -7;
  short s = -1;
  BOOL flag = TRUE;
  BYTE byte = 200;
  float f = 0.25f;
  double third = 1.0 / 3;
  CString text = u"h\u00e9llo";
  RECT rc{1, 2, 3, 4};
  SIZE size{5, -6};
  BYTE blob[3] = {0, 0x1F, 0xFF};
  {
    CTKPropExchangeRegistry px(FALSE, Parent(), u"Forms");
    EXPECT_TRUE(PropExchangeInt(&px, u"Int", &i));
    EXPECT_TRUE(PropExchangeShortDefault(&px, u"Short", &s, 0));
    EXPECT_TRUE(PropExchangeBool(&px, u"Flag", &flag));
    EXPECT_TRUE(PropExchangeByteDefault(&px, u"Byte", &byte, 0));
    EXPECT_TRUE(px.ExchangeProp(u"Float", VT_R4, &f, nullptr));
    EXPECT_TRUE(PropExchangeDouble(&px, u"Double", &third));
    EXPECT_TRUE(PropExchangeString(&px, u"Text", &text));
    EXPECT_TRUE(PropExchangeRect(&px, u"Rect", &rc, RECT{}));
    EXPECT_TRUE(PropExchangeSize(&px, u"Size", &size, SIZE{}));
    BYTE* data = blob;
    DWORD n = 3;
    EXPECT_TRUE(PropExchangeBlob(&px, u"Blob", &data, &n));
    CTKPropExchangeSection child(px.GetSection(u"Child"));
    EXPECT_TRUE(PropExchangeInt(child, u"Inner", &i));
  }
  RawKey k(Parent(), u"Forms", false);
  ASSERT_TRUE(k);
  struct Case {
    const char16_t* name;
    DWORD type;
    Bytes data;
  } cases[] = {
      {u"Int", REG_DWORD, Le32(static_cast<DWORD>(-7))},
      {u"Short", REG_DWORD, {0xFF, 0xFF, 0, 0}},  // 65535
      {u"Flag", REG_DWORD, {1, 0, 0, 0}},
      {u"Byte", REG_DWORD, {200, 0, 0, 0}},
      {u"Float", REG_BINARY, {0, 0, 0x80, 0x3E}},
      {u"Double", REG_BINARY, DoubleBytes(1.0 / 3)},
      {u"Text", REG_SZ, Utf16Bytes(u"h\u00e9llo")},
      {u"Rect", REG_SZ, Utf16Bytes(u"1, 2, 3, 4")},
      {u"Size", REG_SZ, Utf16Bytes(u"5, -6")},
      {u"Blob", REG_BINARY, {0, 0x1F, 0xFF}},
  };
  for (const Case& c : cases) {
    auto raw = QueryRaw(k.get(), c.name);
    ASSERT_TRUE(raw.present) << std::string(c.name, c.name + 3);
    EXPECT_EQ(c.type, raw.type) << std::string(c.name, c.name + 3);
    EXPECT_EQ(c.data, raw.data) << std::string(c.name, c.name + 3);
  }
  RawKey child(k.get(), u"Child", false);
  EXPECT_TRUE(QueryRaw(child.get(), u"Inner").present) << "a section is a subkey";

  CTKPropExchangeRegistry px(TRUE, Parent(), u"Forms");
  double d = 0;
  EXPECT_TRUE(PropExchangeDouble(&px, u"Double", &d));
  EXPECT_EQ(1.0 / 3, d) << "a double comes back exactly";
  short s2 = 0;
  EXPECT_TRUE(PropExchangeShortDefault(&px, u"Short", &s2, 0));
  EXPECT_EQ(-1, s2);
  CString t;
  EXPECT_TRUE(PropExchangeString(&px, u"Text", &t));
  EXPECT_EQ(text, t);
}

TEST_F(RegistryForms, UnreadableAndFormlessValuesFallBackOrFail) {
  {
    RawKey k(Parent(), u"Forms");
    RegSetValueExW(k.get(), u"Rect3", 0, REG_SZ, Utf16Bytes(u"1, 2, 3").data(), 16);
    RegSetValueExW(k.get(), u"DoubleShort", 0, REG_BINARY, Le32(7).data(), 4);
    RegSetValueExW(k.get(), u"When", 0, REG_SZ, Utf16Bytes(u"2005-14-03").data(), 22);
    Bytes cut = Append(Utf16Bytes(u"ab", false), Utf16Bytes(u"\0cd", true));
    RegSetValueExW(k.get(), u"Cut", 0, REG_SZ, cut.data(), static_cast<DWORD>(cut.size()));
  }
  CTKPropExchangeRegistry in(TRUE, Parent(), u"Forms");
  RECT rc{};
  EXPECT_TRUE(PropExchangeRect(&in, u"Rect3", &rc, RECT{9, 9, 9, 9}));
  EXPECT_EQ(9, rc.left) << "three fields load the default rectangle";
  double d = 0, def = 2.0;
  EXPECT_TRUE(in.ExchangeProp(u"DoubleShort", VT_R8, &d, &def));
  EXPECT_EQ(2.0, d) << "a value of the wrong size is not half-read";
  CString cut;
  EXPECT_TRUE(PropExchangeString(&in, u"Cut", &cut));
  EXPECT_EQ(CString(u"ab"), cut);
  COleDateTime date(2001, 1, 1, 0, 0, 0), before = date;
  EXPECT_FALSE(PropExchangeDateTime(&in, u"When", &date)) << "dates have no registry form";
  EXPECT_TRUE(date == before);

  CTKPropExchangeRegistry out(FALSE, Parent(), u"Forms");
  COleDateTime other(2002, 2, 2, 0, 0, 0);
  EXPECT_FALSE(PropExchangeDateTime(&out, u"NewDate", &other));
  COleVariant var(5L);
  EXPECT_FALSE(PropExchangeVariant(&out, u"NewVar", &var, COleVariant(6L)));
  RawKey k(Parent(), u"Forms", false);
  EXPECT_FALSE(QueryRaw(k.get(), u"NewDate").present);
  EXPECT_FALSE(QueryRaw(k.get(), u"NewVar").present);
}

TEST_F(RegistryForms, EmptySectionDeletesTheSubkeyTreeAndLoadingCreatesAnEmptyKey) {
  {
    CTKPropExchangeRegistry px(FALSE, Parent(), u"Bars");
    CTKPropExchangeSection bar(px.GetSection(u"Bar0"));
    int n = 1;
    PropExchangeInt(bar, u"Id", &n);
  }
  {
    CTKPropExchangeRegistry px(FALSE, Parent(), u"Bars");
    px.EmptySection();
    EXPECT_FALSE(RawKey(Parent(), u"Bars\\Bar0", false));
    int n = 2;
    EXPECT_TRUE(PropExchangeInt(&px, u"Again", &n)) << "the next access creates the key again";
  }
  EXPECT_TRUE(QueryRaw(RawKey(Parent(), u"Bars", false).get(), u"Again").present);

  // Loading a section that is not there creates its key, empty.
  EXPECT_FALSE(RawKey(Parent(), u"Fresh", false));
  {
    CTKPropExchangeRegistry loading(TRUE, Parent(), u"Fresh");
    int v = 3;
    EXPECT_TRUE(PropExchangeIntDefault(&loading, u"X", &v, 9));
    EXPECT_EQ(9, v);
  }
  {
    RawKey fresh(Parent(), u"Fresh", false);
    ASSERT_TRUE(fresh) << "loading created the section key";
    DWORD subkeys = 1, values = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(fresh.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                              &values, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0u, subkeys);
    EXPECT_EQ(0u, values);
  }

  // A section under a key that did not open fails every operation instead
  // of falling back to the application's key.
  TempHome::SetAppNames("", "");
  CTKPropExchangeRegistry noApp(TRUE, nullptr, u"State");
  int v = 4;
  EXPECT_FALSE(PropExchangeInt(&noApp, u"A", &v));
  EXPECT_TRUE(PropExchangeIntDefault(&noApp, u"A", &v, 8));
  EXPECT_EQ(8, v);
  CTKPropExchangeSection child(noApp.GetSection(u"Child"));
  EXPECT_FALSE(child->OpenStorage());
}

TEST_F(RegistryForms, ValuesReachTheRegistryFileOnceTheExchangeIsReleased) {
  {
    CTKPropExchangeSection px(new CTKPropExchangeRegistry(FALSE, nullptr, u"Saved"));
    CTKPropExchangeSection bar(px->GetSection(u"Bar0"));
    int id = 12;
    EXPECT_TRUE(PropExchangeInt(bar, u"Id", &id));
  }
  // Forget everything held in memory: what is read now comes from the file.
  pvtest::ResetSettings();
  CTKPropExchangeSection px(new CTKPropExchangeRegistry(TRUE, nullptr, u"Saved"));
  CTKPropExchangeSection bar(px->GetSection(u"Bar0"));
  int id = 0;
  EXPECT_TRUE(PropExchangeInt(bar, u"Id", &id));
  EXPECT_EQ(12, id);
}

// ---- INI file -------------------------------------------------------------------------------

class IniForms : public ::testing::Test {
 protected:
  void SetUp() override { file_ = home_.File("forms.ini"); }
  CTKPropExchangeIniFile* Open(BOOL loading, const char16_t* section = u"Forms") {
    auto* px = new CTKPropExchangeIniFile(loading, nullptr, section);
    px->AssignFile(file_);
    return px;
  }
  TempHome home_;
  CString file_;
};

TEST_F(IniForms, EachTypeHasItsText) {
  int i = -7;
  short s = -1;
  BOOL flag = TRUE;
  BYTE byte = 255;
  double third = 1.0 / 3, half = 0.5, big = 1e20, six = 0.333333;
  float f = 0.25f;
  CString escaped = u"a\nb\\", padded = u" padded ", quoted = u"'q'";
  RECT rc{1, 2, 3, 4};
  SIZE size{5, -6};
  BYTE blob[3] = {0, 0x1F, 0xFF};
  COleDateTime day(2005, 3, 14, 0, 0, 0), moment(2005, 3, 14, 13, 5, 9), time;
  time.SetTime(6, 30, 0);
  COleVariant number(42L), when(COleDateTime(2005, 3, 14, 0, 0, 0));
  {
    CTKPropExchangeSection px(Open(FALSE));
    EXPECT_TRUE(PropExchangeInt(px, u"Int", &i));
    EXPECT_TRUE(PropExchangeShortDefault(px, u"Short", &s, 0));
    EXPECT_TRUE(PropExchangeBool(px, u"Flag", &flag));
    EXPECT_TRUE(PropExchangeByteDefault(px, u"Byte", &byte, 0));
    EXPECT_TRUE(PropExchangeDouble(px, u"Third", &third));
    EXPECT_TRUE(PropExchangeDouble(px, u"Half", &half));
    EXPECT_TRUE(PropExchangeDouble(px, u"Big", &big));
    EXPECT_TRUE(PropExchangeDouble(px, u"Six", &six));
    EXPECT_TRUE(px->ExchangeProp(u"Float", VT_R4, &f, nullptr));
    EXPECT_TRUE(PropExchangeString(px, u"Escaped", &escaped));
    EXPECT_TRUE(PropExchangeString(px, u"Padded", &padded));
    EXPECT_TRUE(PropExchangeString(px, u"Quoted", &quoted));
    EXPECT_TRUE(PropExchangeRect(px, u"Rect", &rc, RECT{}));
    EXPECT_TRUE(PropExchangeSize(px, u"Size", &size, SIZE{}));
    BYTE* data = blob;
    DWORD n = 3;
    EXPECT_TRUE(PropExchangeBlob(px, u"Blob", &data, &n));
    EXPECT_TRUE(PropExchangeDateTime(px, u"Day", &day));
    EXPECT_TRUE(PropExchangeDateTime(px, u"Moment", &moment));
    EXPECT_TRUE(PropExchangeDateTime(px, u"Time", &time));
    EXPECT_TRUE(PropExchangeVariant(px, u"Number", &number, COleVariant()));
    EXPECT_TRUE(PropExchangeVariant(px, u"When", &when, COleVariant()));
    CY pair{};
    EXPECT_FALSE(px->ExchangeProp(u"Pair", VT_CY, &pair, nullptr)) << "pairs have no text form";
    CTKPropExchangeSection bar(px->GetSection(u"Bar0"));
    EXPECT_TRUE(PropExchangeInt(bar, u"Id", &i));
  }
  // 1/3 needs more than "%g"'s six digits to come back: it is written
  // exactly; values "%g" shows exactly keep that text.
  EXPECT_EQ(
      "[Forms]\n"
      "Int=-7\n"
      "Short=65535\n"
      "Flag=1\n"
      "Byte=255\n"
      "Third=0.3333333333333333\n"
      "Half=0.5\n"
      "Big=1e+20\n"
      "Six=0.333333\n"
      "Float=0.25\n"
      "Escaped=a\\nb\\\\\n"
      "Padded=\" padded \"\n"
      "Quoted=\"'q'\"\n"
      "Rect=1, 2, 3, 4\n"
      "Size=5, -6\n"
      "Blob=AAPBPP\n"
      "Day=2005-14-03\n"
      "Moment=2005-14-03T13:05:09\n"
      "Time=06:30:00\n"
      "Number=42\n"
      "When=2005-14-03\n"
      "[Forms\\Bar0]\n"
      "Id=-7\n",
      ReadFileText(file_));

  CTKPropExchangeSection px(Open(TRUE));
  double d = 0;
  EXPECT_TRUE(PropExchangeDouble(px, u"Third", &d));
  EXPECT_EQ(1.0 / 3, d);
  EXPECT_TRUE(PropExchangeDouble(px, u"Six", &d));
  EXPECT_EQ(0.333333, d);
  short s2 = 0;
  EXPECT_TRUE(PropExchangeShortDefault(px, u"Short", &s2, 0));
  EXPECT_EQ(-1, s2);
  const std::pair<const char16_t*, CString> strings[] = {
      {u"Escaped", escaped}, {u"Padded", padded}, {u"Quoted", quoted}};
  for (const auto& [key, want] : strings) {
    CString t;
    EXPECT_TRUE(PropExchangeString(px, key, &t));
    EXPECT_EQ(want, t);
  }
  BYTE* data = nullptr;
  DWORD n = 0;
  ASSERT_TRUE(PropExchangeBlob(px, u"Blob", &data, &n));
  EXPECT_EQ(Bytes(blob, blob + 3), Bytes(data, data + n));
  std::free(data);
  const std::pair<const char16_t*, COleDateTime> dates[] = {{u"Day", day}, {u"Moment", moment}, {u"Time", time}};
  for (const auto& [key, want] : dates) {
    COleDateTime t;
    EXPECT_TRUE(PropExchangeDateTime(px, key, &t));
    EXPECT_TRUE(t == want) << t.Format(u"%Y-%m-%d %H:%M:%S");
  }
  COleVariant v;
  EXPECT_TRUE(PropExchangeVariant(px, u"Number", &v, COleVariant()));
  EXPECT_TRUE(v == COleVariant(u"42")) << "a VARIANT comes back as its text";
  EXPECT_TRUE(PropExchangeVariant(px, u"When", &v, COleVariant()));
  EXPECT_EQ(VT_DATE, v.vt);
}

TEST_F(IniForms, ASetLocaleSwitchesDatesToItsFormsAndTravelsWithTheData) {
  struct LocaleReset {
    ~LocaleReset() { CTKPropExchange::s_nLocale = -1; }
  } reset;
  COleDateTime moment(2005, 3, 14, 13, 5, 9);
  {
    CTKPropExchangeSection px(Open(FALSE));
    CTKPropExchange::s_nLocale = 1033;
    EXPECT_TRUE(px->ExchangeLocale());
    EXPECT_TRUE(PropExchangeDateTime(px, u"Moment", &moment));
  }
  EXPECT_EQ("[Forms]\nLocale=1033\nMoment=3/14/2005 1:05:09 PM\n", ReadFileText(file_));

  CTKPropExchange::s_nLocale = -1;
  CTKPropExchangeSection px(Open(TRUE));
  EXPECT_TRUE(px->ExchangeLocale());
  EXPECT_EQ(1033, CTKPropExchange::s_nLocale) << "loading sets the process-wide locale";
  COleDateTime back;
  EXPECT_TRUE(PropExchangeDateTime(px, u"Moment", &back));
  EXPECT_TRUE(back == moment);
}

TEST_F(IniForms, LoadingTextsThatDoNotParse) {
  WriteFileText(file_,
                "[Forms]\n"
                "BadDate=2005-31-02\n"
                "Word=abc\n"
                "Rect3=1, 2, 3\n"
                "Empty=\n"
                "OddBlob=AAP\n"
                "Huge=4294967295\n");
  CTKPropExchangeSection px(Open(TRUE));
  COleDateTime date(2001, 1, 1, 0, 0, 0), before = date;
  EXPECT_FALSE(PropExchangeDateTime(px, u"BadDate", &date));
  EXPECT_TRUE(date == before);
  int i = 3;
  EXPECT_TRUE(PropExchangeIntDefault(px, u"Word", &i, 11));
  EXPECT_EQ(11, i) << "no number: the default";
  EXPECT_TRUE(PropExchangeIntDefault(px, u"Huge", &i, 11));
  EXPECT_EQ(-1, i) << "the low 32 bits";
  RECT rc{};
  EXPECT_TRUE(PropExchangeRect(px, u"Rect3", &rc, RECT{9, 9, 9, 9}));
  EXPECT_EQ(9, rc.left);
  CString text;
  EXPECT_TRUE(PropExchangeStringDefault(px, u"Empty", &text, u"fallback"));
  EXPECT_EQ(CString(u"fallback"), text) << "empty text counts as absent";
  BYTE* data = nullptr;
  DWORD n = 0;
  EXPECT_FALSE(PropExchangeBlob(px, u"OddBlob", &data, &n));
  EXPECT_EQ(nullptr, data);
}

TEST_F(IniForms, LongValuesAreReadWhole) {
  // Far beyond the 16000 characters a fixed retry buffer holds.
  std::vector<BYTE> big(20000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<BYTE>(i * 7 + i / 256);
  CString longText(std::u16string(17000, u'x') + u"end");
  {
    CTKPropExchangeSection px(Open(FALSE));
    BYTE* data = big.data();
    DWORD n = static_cast<DWORD>(big.size());
    EXPECT_TRUE(PropExchangeBlob(px, u"Big", &data, &n));
    EXPECT_TRUE(PropExchangeString(px, u"Long", &longText));
  }
  CTKPropExchangeSection px(Open(TRUE));
  BYTE* data = nullptr;
  DWORD n = 0;
  ASSERT_TRUE(PropExchangeBlob(px, u"Big", &data, &n));
  EXPECT_EQ(big, Bytes(data, data + n));
  std::free(data);
  CString back;
  EXPECT_TRUE(PropExchangeString(px, u"Long", &back));
  EXPECT_EQ(longText, back);
}

TEST_F(IniForms, EmptySectionRemovesTheSectionAndThoseBelowOnly) {
  WriteFileText(file_,
                "[Bars]\nA=1\n"
                "[Bars\\Bar0]\nB=2\n"
                "[Bars\\Bar0\\Deep]\nC=3\n"
                "[BarsOld]\nD=4\n"
                "[Other]\nE=5\n");
  {
    CTKPropExchangeSection px(Open(FALSE, u"Bars"));
    px->EmptySection();
    EXPECT_TRUE(px->m_bEmptySection);
  }
  // The file is written once, when the exchange is released.
  EXPECT_EQ("[BarsOld]\nD=4\n[Other]\nE=5\n", ReadFileText(file_));
}

TEST_F(IniForms, SectionNamesJoinWithBackslashAndTheTemporaryFileBelongsToTheRoot) {
  CTKPropExchangeIniFile root(FALSE, nullptr, u"");
  CTKPropExchangeSection child(root.GetSection(u"Child"));
  auto* ini = static_cast<CTKPropExchangeIniFile*>(child.GetExchange());
  EXPECT_EQ(CString(u"\\Child"), ini->m_strSectionName);
  CTKPropExchangeSection grandChild(child->GetSection(u"Leaf"));
  EXPECT_EQ(CString(u"\\Child\\Leaf"),
            static_cast<CTKPropExchangeIniFile*>(grandChild.GetExchange())->m_strSectionName);

  // No file assigned: a "tk" file in the temporary folder, made on first
  // use, shared with sections, deleted by the root alone.
  CString temp;
  {
    auto* px = new CTKPropExchangeIniFile(FALSE, nullptr, u"S");
    EXPECT_TRUE(px->m_bEmptySection) << "a fresh temporary file holds nothing to delete";
    int v = 1;
    EXPECT_TRUE(PropExchangeInt(px, u"V", &v));
    temp = px->m_strFileName;
    std::string name = std::filesystem::path(std::u16string(temp.View())).filename().string();
    EXPECT_EQ(0u, name.rfind("tk", 0)) << name;
    EXPECT_EQ(home_.TmpDir(), std::filesystem::path(std::u16string(temp.View())).parent_path().string());
    {
      CTKPropExchangeSection section(px->GetSection(u"Inner"));
      EXPECT_EQ(temp, static_cast<CTKPropExchangeIniFile*>(section.GetExchange())->m_strFileName);
    }
    EXPECT_TRUE(std::filesystem::exists(std::u16string(temp.View()))) << "a section does not delete it";
    px->InternalRelease();
  }
  EXPECT_FALSE(std::filesystem::exists(std::u16string(temp.View())));
}

// A section that outlives its root finds the root's temporary file gone:
// it writes nothing, and the file is not made again when the writes held in
// memory would have reached the disk.
TEST_F(IniForms, TheRootsTemporaryFileIsNotMadeAgainAfterItIsDeleted) {
  auto* root = new CTKPropExchangeIniFile(FALSE, nullptr, u"S");
  CTKPropExchange* early = root->GetSection(u"Early");
  CTKPropExchange* late = root->GetSection(u"Late");
  CString temp = root->m_strFileName;
  ASSERT_FALSE(temp.IsEmpty());
  int v = 1;
  EXPECT_TRUE(PropExchangeInt(early, u"V", &v)) << "written before the root goes";
  root->InternalRelease();
  EXPECT_FALSE(std::filesystem::exists(std::u16string(temp.View())));
  EXPECT_FALSE(PropExchangeInt(late, u"V", &v)) << "the file is gone";
  EXPECT_FALSE(late->OpenStorage());
  early->InternalRelease();
  late->InternalRelease();
  EXPECT_FALSE(std::filesystem::exists(std::u16string(temp.View())));
  EXPECT_TRUE(std::filesystem::is_empty(home_.TmpDir())) << "no temporary file left behind";
}

// A store whose file can never be written fails at once, although the
// exchange holds its writes in memory until it is released.
TEST(PropExchangeStorage, StoresThatCannotReachTheDiskFail) {
  TempHome home;
  {
    CTKPropExchangeSection px(new CTKPropExchangeIniFile(FALSE, nullptr, u"S"));
    static_cast<CTKPropExchangeIniFile*>(px.GetExchange())->AssignFile(home.File("missing/state.ini"));
    int v = 1;
    EXPECT_FALSE(PropExchangeInt(px, u"V", &v));
    CTKPropExchangeSection child(px->GetSection(u"Child"));
    EXPECT_FALSE(PropExchangeInt(child, u"V", &v));
  }
  EXPECT_FALSE(std::filesystem::exists(home.path() + "/missing"));

  WriteFileText(home.File("blocker"), "a file where the configuration folder should be");
  pvtest::EnvScope blocked("XDG_CONFIG_HOME", home.path() + "/blocker/config");
  pvtest::ResetSettings();
  testing::internal::CaptureStderr();
  {
    CTKPropExchangeSection px(new CTKPropExchangeRegistry(FALSE, nullptr, u"State"));
    int v = 1;
    EXPECT_FALSE(PropExchangeInt(px, u"V", &v));
  }
  testing::internal::GetCapturedStderr();
}

// The exchange over an archive pointer is the one over the archive.
TEST(PropExchangeArchive, PointerConstructorTakesTheArchivesDirection) {
  Values in;
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    CTKPropExchangeArchive px(&ar);
    EXPECT_FALSE(px.IsLoading());
    ExchangeAll(&px, in);
    ar.Close();
  }
  auto n = static_cast<std::size_t>(file.GetLength());
  BYTE* data = file.Detach();
  Bytes bytes(data, data + n);
  std::free(data);
  EXPECT_EQ(StoreArchive([&](CTKPropExchange* px) { ExchangeAll(px, in); }), bytes);
  CMemFile source(bytes.data(), static_cast<UINT>(bytes.size()));
  CArchive ar(&source, CArchive::load);
  CTKPropExchangeArchive px(&ar);
  EXPECT_TRUE(px.IsLoading());
  Values out;
  out.i = 0;
  out.text = u"";
  ExchangeAll(&px, out);
  EXPECT_EQ(in.i, out.i);
  EXPECT_EQ(in.text, out.text);
  EXPECT_EQ(in.bigCount, out.bigCount);

  bool refused = false;
  try {
    CTKPropExchangeArchive none(static_cast<CArchive*>(nullptr));
  } catch (CInvalidArgException* e) {
    refused = true;
    e->Delete();
  }
  EXPECT_TRUE(refused);
}

// ExchangeBinary stores a block of a fixed length and loads only a block
// of exactly that length; anything else leaves the caller's bytes alone.
TEST(PropExchangeBinary, FixedBlocksInEveryFlavour) {
  TempHome home;
  const BYTE stored[4] = {1, 2, 3, 4};
  auto check = [](CTKPropExchange* loading, const char* flavour) {
    SCOPED_TRACE(flavour);
    BYTE out[4] = {9, 9, 9, 9};
    EXPECT_TRUE(loading->ExchangeBinary(u"Block", out, 4));
    EXPECT_EQ(0, std::memcmp(out, "\x01\x02\x03\x04", 4));
    if (!loading->StoresByName()) return;
    BYTE wrong[3] = {9, 9, 9};
    EXPECT_FALSE(loading->ExchangeBinary(u"Block", wrong, 3)) << "stored block is longer";
    BYTE longer[5] = {9, 9, 9, 9, 9};
    EXPECT_FALSE(loading->ExchangeBinary(u"Block", longer, 5)) << "stored block is shorter";
    EXPECT_EQ(0, std::memcmp(longer, "\x09\x09\x09\x09\x09", 5));
    EXPECT_FALSE(loading->ExchangeBinary(u"Missing", out, 4));
  };
  {
    CTKPropExchangeSection px(new CTKPropExchangeRegistry(FALSE, nullptr, u"Bin"));
    EXPECT_TRUE(px->ExchangeBinary(u"Block", const_cast<BYTE*>(stored), 4));
  }
  EXPECT_EQ(Bytes(stored, stored + 4),
            QueryRaw(RawKey(HKEY_CURRENT_USER, u"Software\\TestCo\\Planner\\Bin", false).get(), u"Block").data);
  {
    CTKPropExchangeSection px(new CTKPropExchangeRegistry(TRUE, nullptr, u"Bin"));
    check(px, "registry");
  }
  CString ini = home.File("bin.ini");
  {
    auto* px = new CTKPropExchangeIniFile(FALSE, nullptr, u"Bin");
    px->AssignFile(ini);
    CTKPropExchangeSection holder(px);
    EXPECT_TRUE(px->ExchangeBinary(u"Block", const_cast<BYTE*>(stored), 4));
  }
  EXPECT_EQ("[Bin]\nBlock=BACADAEA\n", ReadFileText(ini));
  {
    auto* px = new CTKPropExchangeIniFile(TRUE, nullptr, u"Bin");
    px->AssignFile(ini);
    CTKPropExchangeSection holder(px);
    check(px, "ini");
  }
  Bytes bytes = StoreArchive(
      [&](CTKPropExchange* px) { EXPECT_TRUE(px->ExchangeBinary(u"Block", const_cast<BYTE*>(stored), 4)); });
  EXPECT_EQ(Bytes(stored, stored + 4), bytes) << "raw bytes, no count";
  LoadArchive(bytes, [&](CTKPropExchange* px) { check(px, "archive"); });
  LoadArchive(Bytes{1, 2}, [&](CTKPropExchange* px) {
    BYTE out[4] = {9, 9, 9, 9};
    EXPECT_FALSE(px->ExchangeBinary(u"Block", out, 4)) << "the archive ends early";
    EXPECT_EQ(0, std::memcmp(out, "\x09\x09\x09\x09", 4));
  });
}

// The holders' release functions free what they hold once and leave the
// holder empty, so its destructor has nothing left to do.
TEST(PropExchangeHolders, ReleaseAndDeleteTheHeldObjectOnce) {
  TempHome home;
  CTKPropExchangeIniFile root(FALSE, nullptr, u"Root");
  root.AssignFile(home.File("held.ini"));
  CTKPropExchange* child = root.GetSection(u"Child");
  child->InternalAddRef();  // the test's own reference, to watch the count
  {
    CTKPropExchangeSection holder(child);
    ReleaseHeldCmdTarget(holder);
    EXPECT_EQ(nullptr, holder.GetExchange());
    EXPECT_EQ(1, child->m_dwRef);
    ReleaseHeldCmdTarget(holder);  // nothing held: nothing happens
    EXPECT_EQ(1, child->m_dwRef);
  }
  EXPECT_EQ(1, child->m_dwRef) << "the emptied holder released nothing more";
  child->InternalRelease();

  {
    CTKPropExchangeEnumeratorHolder holder(root.GetEnumerator(u"Item"));
    EXPECT_NE(nullptr, static_cast<CTKPropExchangeEnumerator*>(holder));
    DeleteHeldObject(holder);
    EXPECT_EQ(nullptr, static_cast<CTKPropExchangeEnumerator*>(holder));
    DeleteHeldObject(holder);
  }  // under the address sanitizer a second delete would fail here
}

// The profile section is a registry exchange below the application's key
// when the application has a registry key, else an INI exchange on the
// application's profile file.
TEST(PropExchangeProfileSection, RegistryWithAKeyElseTheProfileFile) {
  TempHome home;
  {
    CTKPropExchangeProfileSection px(FALSE, u"Bars-Options");
    EXPECT_TRUE(px->IsKindOf(RUNTIME_CLASS(CTKPropExchangeRegistry)));
    int v = 6;
    EXPECT_TRUE(PropExchangeInt(px, u"Animation", &v));
  }
  EXPECT_EQ(
      Le32(6),
      QueryRaw(RawKey(HKEY_CURRENT_USER, u"Software\\TestCo\\Planner\\Bars-Options", false).get(), u"Animation").data);
  {
    CTKPropExchangeProfileSection px(TRUE, u"Bars-Options");
    int v = 0;
    EXPECT_TRUE(PropExchangeInt(px, u"Animation", &v));
    EXPECT_EQ(6, v);
  }

  std::string ini = home.path() + "/planner.ini";
  TempHome::SetAppNames("", ini.c_str());
  {
    CTKPropExchangeProfileSection px(FALSE, u"Bars-Options");
    auto* file = dynamic_cast<CTKPropExchangeIniFile*>(px.GetExchange());
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(CString(ini.c_str()), file->m_strFileName);
    int v = 7;
    EXPECT_TRUE(PropExchangeInt(px, u"Animation", &v));
    CTKPropExchangeSection child(px->GetSection(u"Bar0"));
    EXPECT_TRUE(PropExchangeInt(child, u"Id", &v));
  }
  EXPECT_EQ("[Bars-Options]\nAnimation=7\n[Bars-Options\\Bar0]\nId=7\n", ReadFileText(CString(ini.c_str())));
  {
    CTKPropExchangeProfileSection px(TRUE, u"Bars-Options");
    int v = 0;
    EXPECT_TRUE(PropExchangeInt(px, u"Animation", &v));
    EXPECT_EQ(7, v);
  }
}

}  // namespace
