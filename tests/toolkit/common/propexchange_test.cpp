// The contract every keyed flavour shares (default rule, default modes,
// emptied sections, enumerators, 64-bit values, classes and objects,
// schema, serialisation through a byte block), run on the registry and the
// INI flavour alike.
#include "toolkit/common/propexchange.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/base/archive.h"
#include "platform/base/geometry.h"
#include "platform/base/oledatetime.h"
#include "platform/base/variant.h"
#include "platform/system/profile.h"
#include "tests/toolkit/common/settings_test_support.h"
#include "toolkit/common/propexchange_backends.h"

// A small family for the object exchange: shapes may be created, an
// intruder never (it counts its constructions).
class PxTestShape : public CObject {
  DECLARE_SERIAL(PxTestShape)
 public:
  int m_nSides = 0;
  CString m_strName;
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) ar << m_nSides << m_strName;
    else ar >> m_nSides >> m_strName;
  }
};
IMPLEMENT_SERIAL(PxTestShape, CObject, 1)

class PxTestCircle : public PxTestShape {
  DECLARE_SERIAL(PxTestCircle)
};
IMPLEMENT_SERIAL(PxTestCircle, PxTestShape, 1)

class PxTestIntruder : public CObject {
  DECLARE_DYNCREATE(PxTestIntruder)
 public:
  PxTestIntruder() { ++s_nConstructed; }
  static inline int s_nConstructed = 0;
};
IMPLEMENT_DYNCREATE(PxTestIntruder, CObject)

namespace {

using tk_settings_test::RawKey;
using tk_settings_test::TempHome;

enum Flavour { kRegistry, kIni };

// One storage location per test, seen through either flavour, with a raw
// look at what is stored that bypasses the exchange.
class KeyedFlavours : public ::testing::TestWithParam<Flavour> {
 protected:
  void SetUp() override { ini_ = home_.File("state.ini"); }

  // The root section "State" of the application's profile.
  CTKPropExchange* Root(BOOL loading) {
    if (GetParam() == kRegistry) return new CTKPropExchangeRegistry(loading, nullptr, u"State");
    auto* px = new CTKPropExchangeIniFile(loading, nullptr, u"State");
    px->AssignFile(ini_);
    return px;
  }

  // Whether `key` is stored in the section path below "State" ("" for
  // State itself, else "A\\B").
  bool Stored(const CString& section, const char16_t* key) {
    CString full = section.IsEmpty() ? CString(u"State") : CString(u"State\\") + section;
    if (GetParam() == kRegistry) {
      RawKey k(HKEY_CURRENT_USER, CString(u"Software\\TestCo\\Planner\\") + full, false);
      return k && tk_settings_test::QueryRaw(k.get(), key).present;
    }
    char16_t buf[64];
    GetPrivateProfileStringW(full, key, u"<absent>", buf, 64, ini_);
    return std::u16string_view(buf) != u"<absent>";
  }

  bool SectionExists(const CString& section) {
    CString full = CString(u"State\\") + section;
    if (GetParam() == kRegistry)
      return static_cast<bool>(RawKey(HKEY_CURRENT_USER, CString(u"Software\\TestCo\\Planner\\") + full, false));
    char16_t buf[4096];
    DWORD n = GetPrivateProfileSectionNamesW(buf, 4096, ini_);
    for (DWORD i = 0; i < n;) {
      std::u16string_view name(buf + i);
      if (name == full.View()) return true;
      i += static_cast<DWORD>(name.size()) + 1;
    }
    return false;
  }

  TempHome home_;
  CString ini_;
};

INSTANTIATE_TEST_SUITE_P(Flavours, KeyedFlavours, ::testing::Values(kRegistry, kIni),
                         [](const auto& info) { return info.param == kRegistry ? "Registry" : "Ini"; });

TEST_P(KeyedFlavours, DefaultRuleInBothDirectionsAndWithEachModeOff) {
  {
    CTKPropExchangeSection px(Root(FALSE));
    int width = 120, height = 40;
    EXPECT_TRUE(PropExchangeIntDefault(px, u"Width", &width, 0));
    EXPECT_TRUE(PropExchangeIntDefault(px, u"Height", &height, 0));
  }
  ASSERT_TRUE(Stored(u"", u"Width"));
  {
    // Equal to its default: the earlier value is removed, nothing written.
    CTKPropExchangeSection px(Root(FALSE));
    int width = 0;
    EXPECT_TRUE(PropExchangeIntDefault(px, u"Width", &width, 0));
  }
  EXPECT_FALSE(Stored(u"", u"Width"));
  EXPECT_TRUE(Stored(u"", u"Height"));
  {
    // With the store default off every value is written.
    CTKPropExchangeSection px(Root(FALSE));
    px->UseDefaultOnSave(FALSE);
    int width = 0;
    EXPECT_TRUE(PropExchangeIntDefault(px, u"Width", &width, 0));
  }
  EXPECT_TRUE(Stored(u"", u"Width"));

  CTKPropExchangeSection px(Root(TRUE));
  int value = 77;
  EXPECT_TRUE(PropExchangeIntDefault(px, u"Missing", &value, 5));
  EXPECT_EQ(5, value) << "absent key with a default gives the default";
  value = 77;
  EXPECT_FALSE(PropExchangeInt(px, u"Missing", &value));
  EXPECT_EQ(77, value) << "absent key without a default leaves the variable";
  EXPECT_TRUE(PropExchangeIntDefault(px, u"Height", &value, 5));
  EXPECT_EQ(40, value);

  px->UseDefaultOnLoad(FALSE);
  value = 77;
  EXPECT_FALSE(PropExchangeIntDefault(px, u"Missing", &value, 5));
  EXPECT_EQ(77, value) << "with the load default off a missing value leaves the setting";
  CString caption = u"kept";
  EXPECT_FALSE(PropExchangeStringDefault(px, u"Caption", &caption, u"default"));
  EXPECT_EQ(CString(u"kept"), caption);
}

// A string exchanged without a default follows the rule of every value
// without one: a missing key fails and leaves the string as it was (it is
// not emptied); a stored empty string loads as empty where the flavour can
// tell it from a missing one.
TEST_P(KeyedFlavours, StringWithoutADefaultIsLeftAsItWasWhenMissing) {
  {
    CTKPropExchangeSection px(Root(FALSE));
    CString empty;
    EXPECT_TRUE(PropExchangeString(px, u"Empty", &empty));
  }
  CTKPropExchangeSection px(Root(TRUE));
  CString caption = u"kept";
  EXPECT_FALSE(PropExchangeString(px, u"Caption", &caption));
  EXPECT_EQ(CString(u"kept"), caption);
  CString empty = u"before";
  if (GetParam() == kRegistry) {
    EXPECT_TRUE(PropExchangeString(px, u"Empty", &empty));
    EXPECT_EQ(CString(u""), empty);
  } else {
    // An INI file reads an empty text as an absent key.
    EXPECT_FALSE(PropExchangeString(px, u"Empty", &empty));
    EXPECT_EQ(CString(u"before"), empty);
  }
}

TEST_P(KeyedFlavours, EmptiedSectionRemovesOldValuesAndItsSectionsKeepDefaultsAlone) {
  {
    CTKPropExchangeSection px(Root(FALSE));
    CTKPropExchangeSection bars(px->GetSection(u"Bars"));
    int n = 3;
    PropExchangeInt(bars, u"Stale", &n);
    CTKPropExchangeSection bar(bars->GetSection(u"Bar0"));
    PropExchangeInt(bar, u"Stale", &n);
  }
  ASSERT_TRUE(Stored(u"Bars\\Bar0", u"Stale"));

  CTKPropExchangeSection px(Root(FALSE));
  CTKPropExchangeSection bars(px->GetSection(u"Bars"));
  bars->EmptySection();
  EXPECT_FALSE(Stored(u"Bars", u"Stale"));
  EXPECT_FALSE(Stored(u"Bars\\Bar0", u"Stale"));

  CTKPropExchangeSection bar(bars->GetSection(u"Bar0"));
  EXPECT_TRUE(bar->m_bEmptySection) << "the emptied flag is inherited";
  // Something written behind the exchange's back after the emptying stays:
  // a value equal to its default deletes nothing in an emptied section.
  {
    int marker = 9;
    CTKPropExchangeSection raw(bars->GetSection(u"Bar0"));
    raw->m_bEmptySection = FALSE;
    PropExchangeInt(raw, u"Mark", &marker);
  }
  int mark = 0;
  EXPECT_TRUE(PropExchangeIntDefault(bar, u"Mark", &mark, 0));
  EXPECT_TRUE(Stored(u"Bars\\Bar0", u"Mark"));
}

TEST_P(KeyedFlavours, EnumeratorNamesSectionsByPrefixAndCountsThem) {
  {
    CTKPropExchangeSection px(Root(FALSE));
    CTKPropExchangeEnumeratorHolder none(px->GetEnumerator(u"Empty"));
    EXPECT_EQ(nullptr, none->GetPosition(0));

    CTKPropExchangeEnumeratorHolder items(px->GetEnumerator(u"Item"));
    POSITION pos = items->GetPosition(3);
    ASSERT_NE(nullptr, pos);
    int i = 0;
    while (pos) {
      CTKPropExchangeSection item(items->GetNext(pos));
      EXPECT_TRUE(item->m_bChildSection);
      PropExchangeInt(item, u"Index", &i);
      ++i;
    }
    EXPECT_EQ(3, i) << "the position is 0 after the third";
  }
  EXPECT_TRUE(Stored(u"", u"Count"));
  for (const char16_t* name : {u"Item0", u"Item1", u"Item2"}) EXPECT_TRUE(Stored(name, u"Index")) << CString(name);
  EXPECT_FALSE(SectionExists(u"Item3"));

  CTKPropExchangeSection px(Root(TRUE));
  CTKPropExchangeEnumeratorHolder items(px->GetEnumerator(u"Item"));
  POSITION pos = items->GetPosition();
  EXPECT_EQ(3u, items->GetCount());
  std::vector<int> read;
  while (pos) {
    CTKPropExchangeSection item(items->GetNext(pos));
    int index = -1;
    PropExchangeInt(item, u"Index", &index);
    read.push_back(index);
  }
  EXPECT_EQ((std::vector<int>{0, 1, 2}), read);

  // A damaged negative count is no entry at all, with either count form.
  {
    CTKPropExchangeSection out(Root(FALSE));
    int damaged = -1;
    PropExchangeInt(out, u"Count", &damaged);
  }
  CTKPropExchangeSection again(Root(TRUE));
  for (BOOL compact : {TRUE, FALSE}) {
    CTKPropExchangeEnumeratorHolder damaged(again->GetEnumerator(u"Item"));
    EXPECT_EQ(nullptr, damaged->GetPosition(0, compact));
    EXPECT_EQ(0u, damaged->GetCount());
  }
}

TEST_P(KeyedFlavours, UInt64TravelsAsHighLowPair) {
  struct Case {
    ULONGLONG value;
    LONG high, low;
  } cases[] = {
      {(5ull << 32) | 7u, 5, 7},
      {0xFFFFFFFFull, 0, -1},  // a low half above 2^31 still comes back whole
      {0x8000000000000001ull, static_cast<LONG>(0x80000000u), 1},
  };
  for (const Case& c : cases) {
    ULONGLONG v = c.value;
    {
      CTKPropExchangeSection px(Root(FALSE));
      EXPECT_TRUE(PropExchangeUInt64(px, u"Data", &v, 0));
    }
    {
      // The stored pair, read back as a size.
      CTKPropExchangeSection px(Root(TRUE));
      SIZE pair{0, 0};
      EXPECT_TRUE(PropExchangeSize(px, u"Data", &pair, SIZE{-9, -9}));
      EXPECT_EQ(c.high, pair.cx);
      EXPECT_EQ(c.low, pair.cy);
    }
    CTKPropExchangeSection px(Root(TRUE));
    ULONGLONG back = 0;
    EXPECT_TRUE(PropExchangeUInt64(px, u"Data", &back, 0));
    EXPECT_EQ(c.value, back);
  }
  // The default is split the same way: storing it removes the value.
  ULONGLONG def = (5ull << 32) | 7u;
  {
    CTKPropExchangeSection px(Root(FALSE));
    EXPECT_TRUE(PropExchangeUInt64(px, u"Data", &def, def));
  }
  EXPECT_FALSE(Stored(u"", u"Data"));
  CTKPropExchangeSection px(Root(TRUE));
  ULONGLONG back = 1;
  EXPECT_TRUE(PropExchangeUInt64(px, u"Data", &back, def));
  EXPECT_EQ(def, back);
}

TEST_P(KeyedFlavours, ObjectClassesComeOnlyFromTheExpectedFamily) {
  {
    CTKPropExchangeSection px(Root(FALSE));
    PxTestCircle circle;
    CObject* obj = &circle;
    CTKPropExchangeSection s0(px->GetSection(u"Circle"));
    EXPECT_TRUE(s0->ExchangeObject(&obj, RUNTIME_CLASS(PxTestShape)));
    PxTestShape shape;
    obj = &shape;
    CTKPropExchangeSection s1(px->GetSection(u"Shape"));
    EXPECT_TRUE(s1->ExchangeObject(&obj, RUNTIME_CLASS(PxTestShape)));
    // Stored data is untrusted: names written by someone else.
    CString intruder = u"PxTestIntruder", unknown = u"NoSuchClass";
    CTKPropExchangeSection s2(px->GetSection(u"Intruder"));
    PropExchangeString(s2, u"Class", &intruder);
    CTKPropExchangeSection s3(px->GetSection(u"Unknown"));
    PropExchangeString(s3, u"Class", &unknown);
  }
  EXPECT_TRUE(Stored(u"Circle", u"Class"));
  EXPECT_FALSE(Stored(u"Shape", u"Class")) << "the expected class is the default and left out";

  CTKPropExchangeSection px(Root(TRUE));
  auto load = [&](const char16_t* section, CObject** obj) {
    CTKPropExchangeSection s(px->GetSection(section));
    *obj = reinterpret_cast<CObject*>(&px);  // must be overwritten either way
    return s->ExchangeObject(obj, RUNTIME_CLASS(PxTestShape));
  };
  CObject* obj = nullptr;
  EXPECT_TRUE(load(u"Circle", &obj));
  ASSERT_NE(nullptr, obj);
  EXPECT_EQ(RUNTIME_CLASS(PxTestCircle), obj->GetRuntimeClass());
  delete obj;
  EXPECT_TRUE(load(u"Shape", &obj));
  ASSERT_NE(nullptr, obj);
  EXPECT_EQ(RUNTIME_CLASS(PxTestShape), obj->GetRuntimeClass());
  delete obj;

  int before = PxTestIntruder::s_nConstructed;
  EXPECT_FALSE(load(u"Intruder", &obj));
  EXPECT_EQ(nullptr, obj);
  EXPECT_EQ(before, PxTestIntruder::s_nConstructed) << "a class outside the family is never constructed";
  EXPECT_FALSE(load(u"Unknown", &obj));
  EXPECT_EQ(nullptr, obj);

  // The class alone: unknown name → null and FALSE; absent key → default.
  CTKPropExchangeSection unknown(px->GetSection(u"Unknown"));
  CRuntimeClass* cls = RUNTIME_CLASS(PxTestShape);
  EXPECT_FALSE(PropExchangeRuntimeClass(unknown, u"Class", &cls, RUNTIME_CLASS(PxTestShape)));
  EXPECT_EQ(nullptr, cls);
  EXPECT_TRUE(PropExchangeRuntimeClass(unknown, u"Absent", &cls, RUNTIME_CLASS(PxTestCircle)));
  EXPECT_EQ(RUNTIME_CLASS(PxTestCircle), cls);
}

TEST_P(KeyedFlavours, SchemaWithoutStoredValueIs32AndExchangeSchemaDefaultsTo38) {
  CTKPropExchangeSection px(Root(TRUE));
  EXPECT_EQ(38, px->m_nSchema);
  px->ExchangeSchemaTolerant();
  EXPECT_EQ(32, px->m_nSchema);
  px->ExchangeSchema();
  EXPECT_EQ(38, px->m_nSchema);
  CTKPropExchangeSection child(px->GetSection(u"Child"));
  EXPECT_EQ(38, child->m_nSchema) << "sections inherit the schema";

  {
    CTKPropExchangeSection out(Root(FALSE));
    out->m_nSchema = 20;
    out->ExchangeSchemaTolerant();
  }
  CTKPropExchangeSection in(Root(TRUE));
  in->ExchangeSchemaTolerant();
  EXPECT_EQ(20, in->m_nSchema);
}

TEST_P(KeyedFlavours, SerializeStoresAnObjectAsOneBlockAndFailsOnTruncatedData) {
  PxTestShape shape;
  shape.m_nSides = 6;
  shape.m_strName = u"hexagon";
  {
    CTKPropExchangeSection px(Root(FALSE));
    EXPECT_TRUE(PropExchangeSerialize(px, u"Shape", &shape));
  }
  {
    CTKPropExchangeSection px(Root(TRUE));
    PxTestShape back;
    EXPECT_TRUE(PropExchangeSerialize(px, u"Shape", &back));
    EXPECT_EQ(6, back.m_nSides);
    EXPECT_EQ(CString(u"hexagon"), back.m_strName);
    EXPECT_FALSE(PropExchangeSerialize(px, u"Absent", &back));
  }
  // Three of the object's bytes only: the archive runs out, which the
  // exchange reports instead of throwing.
  {
    CTKPropExchangeSection px(Root(FALSE));
    BYTE three[3] = {6, 0, 0};
    BYTE* data = three;
    DWORD n = 3;
    EXPECT_TRUE(PropExchangeBlob(px, u"Shape", &data, &n));
  }
  CTKPropExchangeSection px(Root(TRUE));
  PxTestShape back;
  EXPECT_FALSE(PropExchangeSerialize(px, u"Shape", &back));
}

TEST(PropExchange, NullExchangeFailsEveryTypedCallAndClearsTheDefaultVariant) {
  int i = 1;
  BOOL b = TRUE;
  CString s = u"x";
  SIZE sz{1, 2};
  RECT rc{1, 2, 3, 4};
  ULONGLONG u = 3;
  BYTE* data = nullptr;
  DWORD n = 0;
  EXPECT_FALSE(PropExchangeInt(nullptr, u"A", &i));
  EXPECT_FALSE(PropExchangeBoolDefault(nullptr, u"A", &b, FALSE));
  EXPECT_FALSE(PropExchangeStringDefault(nullptr, u"A", &s, u""));
  EXPECT_FALSE(PropExchangeSize(nullptr, u"A", &sz, sz));
  EXPECT_FALSE(PropExchangeRect(nullptr, u"A", &rc, rc));
  EXPECT_FALSE(PropExchangeUInt64(nullptr, u"A", &u, 0));
  EXPECT_FALSE(PropExchangeBlob(nullptr, u"A", &data, &n));
  EXPECT_FALSE(PropExchangeSerialize(nullptr, u"A", nullptr));
  // The by-value default owns a string; the leak checker sees it if the
  // call does not clear it.
  VARIANT value;
  VariantInit(&value);
  VARIANT def;
  VariantInit(&def);
  V_VT(&def) = VT_BSTR;
  V_BSTR(&def) = SysAllocString(u"default text");
  EXPECT_FALSE(PropExchangeVariant(nullptr, u"A", &value, def));
  EXPECT_FALSE(PropExchangeVariant(nullptr, u"A", &value, COleVariant(u"temporary")));
}

TEST(PropExchange, SameValueAndCopyFollowTheirTypes) {
  COleDateTime a(2020, 5, 1, 10, 0, 0), b = a, invalid = a, null;
  b.m_dt += 0.4 / 86400;  // under half a second apart
  invalid.SetStatus(COleDateTime::invalid);
  null.SetStatus(COleDateTime::null);
  COleDateTime null2 = null;
  CString text = u"Caption";
  short s1 = -1, s2 = -1;
  RECT r1{1, 2, 3, 4}, r2{1, 2, 3, 5};
  struct Case {
    unsigned short type;
    const void* a;
    const void* b;
    BOOL same;
  } cases[] = {
      {VT_DATE, &a, &b, TRUE},
      {VT_DATE, &invalid, &invalid, TRUE},  // the same pointer
      {VT_DATE, &invalid, &a, FALSE},
      {VT_DATE, &null, &null2, TRUE},
      {VT_TK_STRING, &text, u"Caption", TRUE},
      {VT_TK_STRING, &text, u"caption", FALSE},
      {VT_I2, &s1, &s2, TRUE},
      {VT_TK_RECT, &r1, &r2, FALSE},
      {VT_I4, &s1, nullptr, FALSE},
      {999, &s1, &s2, FALSE},
  };
  for (const Case& c : cases) EXPECT_EQ(c.same, CTKPropExchange::IsSameValue(c.type, c.a, c.b)) << c.type;

  COleDateTime invalid2 = invalid;
  EXPECT_FALSE(CTKPropExchange::IsSameValue(VT_DATE, &invalid, &invalid2)) << "two invalid dates differ";
  int dest = 5;
  EXPECT_FALSE(CTKPropExchange::CopyValue(VT_I4, &dest, nullptr));
  EXPECT_FALSE(CTKPropExchange::CopyValue(999, &dest, &s1));
  EXPECT_EQ(5, dest);
  EXPECT_EQ(12, CTKPropExchange::GetValueSize(VT_DATE));
  EXPECT_EQ(0, CTKPropExchange::GetValueSize(VT_TK_STRING));
}

}  // namespace
