// VARIANT conversions, comparison, copying, BSTR layout and safe arrays.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/base/comutil.h"
#include "platform/base/exceptions.h"
#include "platform/base/oledatetime.h"
#include "platform/base/utf.h"
#include "platform/base/variant.h"
#include "tests/support/locale_env.h"

namespace {

constexpr LCID kUserDefault = 0x0400;  // LOCALE_USER_DEFAULT
constexpr ULONG kIgnoreCase = 1;       // NORM_IGNORECASE

_variant_t I1(CHAR v) { return _variant_t(v); }
_variant_t UI1(BYTE v) { return _variant_t(v); }
_variant_t I2(SHORT v) { return _variant_t(v); }
_variant_t I4(LONG v) { return _variant_t(v); }
_variant_t I8(LONGLONG v) { return _variant_t(static_cast<long long>(v)); }
_variant_t UI8(ULONGLONG v) { return _variant_t(static_cast<unsigned long long>(v)); }
_variant_t R4(float v) { return _variant_t(v); }
_variant_t R8(double v) { return _variant_t(v); }
_variant_t Date(double v) { return _variant_t(v, VT_DATE); }
_variant_t Bool(bool v) { return _variant_t(v); }
_variant_t Str(const char16_t* s) { return _variant_t(s); }
_variant_t Cy(LONGLONG scaled) {
  CY cy;
  cy.int64 = scaled;
  return _variant_t(cy);
}
_variant_t Empty() { return _variant_t(); }
_variant_t Null() {
  _variant_t v;
  v.vt = VT_NULL;
  return v;
}

std::string Describe(const VARIANT& v) {
  VARIANT s;
  VariantInit(&s);
  std::string text = "vt=" + std::to_string(v.vt);
  if (SUCCEEDED(VariantChangeTypeEx(&s, &v, kUserDefault, VARIANT_ALPHABOOL, VT_BSTR)))
    text += " '" + ToUtf8(std::u16string_view(s.bstrVal, SysStringLen(s.bstrVal))) + "'";
  VariantClear(&s);
  return text;
}

TEST(Variant, ChangeTypeTable) {
  struct Case {
    _variant_t from;
    VARTYPE to;
    USHORT flags;
    HRESULT hr;
    _variant_t expected;
  };
  const Case cases[] = {
      // numbers between integer types, with range checks
      {I4(200), VT_UI1, 0, S_OK, UI1(200)},
      {I4(256), VT_UI1, 0, DISP_E_OVERFLOW, Empty()},
      {I4(-1), VT_UI1, 0, DISP_E_OVERFLOW, Empty()},
      {I4(-129), VT_I1, 0, DISP_E_OVERFLOW, Empty()},
      {I4(-128), VT_I1, 0, S_OK, I1(-128)},
      {I4(32768), VT_I2, 0, DISP_E_OVERFLOW, Empty()},
      {I4(-5), VT_UI4, 0, DISP_E_OVERFLOW, Empty()},
      {I4(65535), VT_UI2, 0, S_OK, _variant_t(static_cast<unsigned short>(65535))},
      {Str(u"4294967295"), VT_UI4, 0, S_OK, _variant_t(4294967295u)},
      {I8(0x80000000LL), VT_I4, 0, DISP_E_OVERFLOW, Empty()},
      {UI8(0xFFFFFFFFFFFFFFFFull), VT_I8, 0, DISP_E_OVERFLOW, Empty()},
      {UI8(0xFFFFFFFFFFFFFFFFull), VT_R8, 0, S_OK, R8(18446744073709551615.0)},
      {I2(-3), VT_I8, 0, S_OK, I8(-3)},
      // floating point to integer: halves go to the even neighbour
      {R8(2.5), VT_I4, 0, S_OK, I4(2)},
      {R8(3.5), VT_I4, 0, S_OK, I4(4)},
      {R8(-2.5), VT_I4, 0, S_OK, I4(-2)},
      {R8(-2.51), VT_I4, 0, S_OK, I4(-3)},
      {R8(254.5), VT_UI1, 0, S_OK, UI1(254)},
      {R8(255.5), VT_UI1, 0, DISP_E_OVERFLOW, Empty()},
      {R8(2147483647.4), VT_I4, 0, S_OK, I4(2147483647)},
      {R8(2147483647.5), VT_I4, 0, DISP_E_OVERFLOW, Empty()},
      {R8(1e300), VT_R4, 0, DISP_E_OVERFLOW, Empty()},
      {Cy(25000), VT_I4, 0, S_OK, I4(2)},  // 2.5 -> 2
      {Cy(35000), VT_I4, 0, S_OK, I4(4)},  // 3.5 -> 4
      {Cy(-15000), VT_I2, 0, S_OK, I2(-2)},
      {R8(1.23456), VT_CY, 0, S_OK, Cy(12346)},
      {I4(7), VT_CY, 0, S_OK, Cy(70000)},
      // booleans
      {Bool(true), VT_I4, 0, S_OK, I4(-1)},
      {Bool(false), VT_R8, 0, S_OK, R8(0)},
      {I4(5), VT_BOOL, 0, S_OK, Bool(true)},
      {R8(0.0), VT_BOOL, 0, S_OK, Bool(false)},
      {Bool(true), VT_BSTR, 0, S_OK, Str(u"-1")},
      {Bool(true), VT_BSTR, VARIANT_ALPHABOOL, S_OK, Str(u"True")},
      {Bool(false), VT_BSTR, VARIANT_ALPHABOOL, S_OK, Str(u"False")},
      {Str(u" true "), VT_BOOL, 0, S_OK, Bool(true)},
      {Str(u"FALSE"), VT_BOOL, 0, S_OK, Bool(false)},
      {Str(u"0"), VT_BOOL, 0, S_OK, Bool(false)},
      {Str(u"-2"), VT_BOOL, 0, S_OK, Bool(true)},
      {Str(u"yes"), VT_BOOL, 0, DISP_E_TYPEMISMATCH, Empty()},
      // text to numbers
      {Str(u"42"), VT_I4, 0, S_OK, I4(42)},
      {Str(u"  -17 "), VT_I2, 0, S_OK, I2(-17)},
      {Str(u"1,234,567"), VT_I4, 0, S_OK, I4(1234567)},
      {Str(u"2.5"), VT_I4, 0, S_OK, I4(2)},
      {Str(u"1.5e3"), VT_R8, 0, S_OK, R8(1500)},
      {Str(u"0.1"), VT_R8, 0, S_OK, R8(0.1)},
      {Str(u"-1.2345"), VT_R8, 0, S_OK, R8(-1.2345)},
      {Str(u"922337203685477.5807"), VT_CY, 0, S_OK, Cy(9223372036854775807LL)},
      {Str(u"1.23456"), VT_CY, 0, S_OK, Cy(12346)},
      {Str(u"3.5"), VT_I4, 0, S_OK, I4(4)},
      {Str(u"-0.5"), VT_I4, 0, S_OK, I4(0)},
      {Str(u"&HFF"), VT_I4, 0, S_OK, I4(255)},
      {Str(u"9223372036854775807"), VT_I8, 0, S_OK, I8(9223372036854775807LL)},
      {Str(u"300"), VT_UI1, 0, DISP_E_OVERFLOW, Empty()},
      {Str(u"99999999999"), VT_I4, 0, DISP_E_OVERFLOW, Empty()},
      {Str(u"1e999"), VT_R8, 0, DISP_E_OVERFLOW, Empty()},
      {Str(u""), VT_I4, 0, DISP_E_TYPEMISMATCH, Empty()},
      {Str(u"12abc"), VT_I4, 0, DISP_E_TYPEMISMATCH, Empty()},
      {Str(u"1..2"), VT_R8, 0, DISP_E_TYPEMISMATCH, Empty()},
      {Str(u"-"), VT_R8, 0, DISP_E_TYPEMISMATCH, Empty()},
      // numbers to text
      {I4(-123), VT_BSTR, 0, S_OK, Str(u"-123")},
      {UI8(18446744073709551615ull), VT_BSTR, 0, S_OK, Str(u"18446744073709551615")},
      {R8(0.1), VT_BSTR, 0, S_OK, Str(u"0.1")},
      {R8(1.0 / 3), VT_BSTR, 0, S_OK, Str(u"0.333333333333333")},
      {R8(1e20), VT_BSTR, 0, S_OK, Str(u"1E+20")},
      {R8(-0.00001), VT_BSTR, 0, S_OK, Str(u"-1E-05")},
      {R4(0.1f), VT_BSTR, 0, S_OK, Str(u"0.1")},
      {Cy(-12345), VT_BSTR, 0, S_OK, Str(u"-1.2345")},
      {Cy(150000), VT_BSTR, 0, S_OK, Str(u"15")},
      // dates
      {Date(41359.5), VT_BSTR, 0, S_OK, Str(u"3/26/2013 12:00:00 PM")},
      {Date(41359.0), VT_BSTR, 0, S_OK, Str(u"3/26/2013")},
      {Date(0.75), VT_BSTR, 0, S_OK, Str(u"6:00:00 PM")},
      {Str(u"2013-03-26 12:00"), VT_DATE, 0, S_OK, Date(41359.5)},
      {Str(u"not a date"), VT_DATE, 0, DISP_E_TYPEMISMATCH, Empty()},
      {Date(41359.75), VT_R8, 0, S_OK, R8(41359.75)},
      {R8(41359.25), VT_DATE, 0, S_OK, Date(41359.25)},
      {R8(3e6), VT_DATE, 0, DISP_E_OVERFLOW, Empty()},
      {Date(41359.75), VT_I4, 0, S_OK, I4(41360)},
      // empty and null
      {Empty(), VT_I4, 0, S_OK, I4(0)},
      {Empty(), VT_BSTR, 0, S_OK, Str(u"")},
      {Empty(), VT_BOOL, 0, S_OK, Bool(false)},
      {Null(), VT_I4, 0, DISP_E_TYPEMISMATCH, Empty()},
      {Null(), VT_BSTR, 0, DISP_E_TYPEMISMATCH, Empty()},
      {Null(), VT_NULL, 0, S_OK, Null()},
      {I4(5), VT_EMPTY, 0, S_OK, Empty()},
      // errors and objects
      {_variant_t(static_cast<int>(DISP_E_PARAMNOTFOUND), VT_ERROR), VT_I4, 0, DISP_E_TYPEMISMATCH, Empty()},
      {I4(1), VT_DISPATCH, 0, DISP_E_TYPEMISMATCH, Empty()},
      {I4(1), static_cast<VARTYPE>(99), 0, DISP_E_BADVARTYPE, Empty()},
  };
  for (const Case& c : cases) {
    VARIANT out;
    VariantInit(&out);
    HRESULT hr = VariantChangeTypeEx(&out, &c.from, kUserDefault, c.flags, c.to);
    SCOPED_TRACE(Describe(c.from) + " -> vt " + std::to_string(c.to));
    EXPECT_EQ(hr, c.hr);
    if (SUCCEEDED(hr)) EXPECT_TRUE(pv::VariantEquals(out, c.expected)) << Describe(out);
    else EXPECT_EQ(out.vt, VT_EMPTY);  // a failed conversion leaves the destination alone
    VariantClear(&out);
  }
}

TEST(Variant, ChangeTypeInPlaceAndThroughReferences) {
  // In place: the source string is freed and replaced (ASan checks the free).
  _variant_t v(u"123");
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 123);
  // A failed in-place conversion leaves the value as it was.
  _variant_t text(u"abc");
  EXPECT_EQ(VariantChangeType(&text, &text, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(text.vt, VT_BSTR);
  EXPECT_EQ(std::u16string(text.bstrVal), u"abc");
  // By-reference sources are read through, including a variant reference.
  VARIANT inner;
  VariantInit(&inner);
  inner.vt = VT_I2;
  inner.iVal = -3;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_VARIANT | VT_BYREF;
  ref.pvarVal = &inner;
  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_I4), S_OK);
  EXPECT_EQ(out.lVal, -3);
  LONG target = 77;
  VARIANT lref;
  VariantInit(&lref);
  lref.vt = VT_I4 | VT_BYREF;
  lref.plVal = &target;
  ASSERT_EQ(VariantChangeType(&out, &lref, 0, VT_I4), S_OK);  // by value, without the flag
  EXPECT_EQ(out.vt, VT_I4);
  EXPECT_EQ(out.lVal, 77);
  BSTR s = SysAllocString(u"by ref");
  VARIANT sref;
  VariantInit(&sref);
  sref.vt = VT_BSTR | VT_BYREF;
  sref.pbstrVal = &s;
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopyInd(&copy, &sref), S_OK);
  EXPECT_EQ(copy.vt, VT_BSTR);
  EXPECT_NE(copy.bstrVal, s);  // a copy of its own
  EXPECT_EQ(std::u16string(copy.bstrVal), u"by ref");
  VariantClear(&copy);
  VariantClear(&sref);  // a reference owns nothing
  SysFreeString(s);
}

TEST(Variant, DecimalsConvertExactlyWhereTheyCan) {
  struct Case {
    _variant_t from;
    const char16_t* text;  // the DECIMAL shown as text
  } cases[] = {
      {R8(-12.375), u"-12.375"},
      {I8(-9223372036854775807LL - 1), u"-9223372036854775808"},
      {UI8(18446744073709551615ull), u"18446744073709551615"},
      {Cy(12345), u"1.2345"},
      {Str(u"0.0001"), u"0.0001"},
      {R8(1e-30), u"0"},
  };
  for (const Case& c : cases) {
    _variant_t dec;
    ASSERT_EQ(VariantChangeType(&dec, &c.from, 0, VT_DECIMAL), S_OK) << Describe(c.from);
    EXPECT_EQ(dec.vt, VT_DECIMAL);
    _variant_t text;
    ASSERT_EQ(VariantChangeType(&text, &dec, 0, VT_BSTR), S_OK);
    EXPECT_EQ(std::u16string(text.bstrVal), c.text);
  }
  _variant_t dec, back;
  _variant_t src = R8(2.5);
  ASSERT_EQ(VariantChangeType(&dec, &src, 0, VT_DECIMAL), S_OK);
  ASSERT_EQ(VariantChangeType(&back, &dec, 0, VT_I4), S_OK);
  EXPECT_EQ(back.lVal, 2);
  _variant_t huge = R8(1e30);
  EXPECT_EQ(VariantChangeType(&dec, &huge, 0, VT_DECIMAL), DISP_E_OVERFLOW);
}

TEST(Variant, VarCmpTable) {
  struct Case {
    _variant_t a, b;
    ULONG flags;
    HRESULT expected;
  };
  const Case cases[] = {
      {I4(1), I4(2), 0, VARCMP_LT},
      {I4(2), R8(1.5), 0, VARCMP_GT},
      {R8(2.0), I2(2), 0, VARCMP_EQ},
      {I8(9007199254740993LL), I8(9007199254740992LL), 0, VARCMP_GT},  // beyond double precision
      {Str(u"abc"), Str(u"abd"), 0, VARCMP_LT},
      {Str(u"ABC"), Str(u"abc"), 0, VARCMP_GT},  // as CompareString sorts: lower case first
      {Str(u"ABC"), Str(u"abc"), kIgnoreCase, VARCMP_EQ},
      {Str(u"ab"), Str(u"abc"), 0, VARCMP_LT},
      {Str(u"5"), I4(7), 0, VARCMP_GT},  // a string is greater than any number
      {I4(7), Str(u"5"), 0, VARCMP_LT},
      {Null(), I4(1), 0, VARCMP_NULL},
      {Str(u"x"), Null(), 0, VARCMP_NULL},
      {Empty(), I4(0), 0, VARCMP_EQ},
      {Empty(), Str(u""), 0, VARCMP_EQ},
      {Empty(), Str(u"a"), 0, VARCMP_LT},
      {Bool(true), I4(0), 0, VARCMP_LT},  // true is -1
      {Date(-1.75), Date(-1.25), 0, VARCMP_GT},
      {Cy(10000), I4(1), 0, VARCMP_EQ},
  };
  for (const Case& c : cases) {
    _variant_t a = c.a, b = c.b;
    EXPECT_EQ(VarCmp(&a, &b, kUserDefault, c.flags), c.expected) << Describe(a) << " vs " << Describe(b);
  }
}

TEST(Bstr, LengthPrefixKeepsEmbeddedZeros) {
  const char16_t text[] = {u'a', 0, u'b', 0, u'c'};
  BSTR b = SysAllocStringLen(text, 5);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 5u);
  EXPECT_EQ(SysStringByteLen(b), 10u);
  EXPECT_EQ(b[5], 0);  // terminated as well
  EXPECT_EQ(std::memcmp(b, text, sizeof text), 0);
  // Copies through VARIANT keep every unit.
  VARIANT v, w;
  VariantInit(&v);
  VariantInit(&w);
  v.vt = VT_BSTR;
  v.bstrVal = b;
  ASSERT_EQ(VariantCopy(&w, &v), S_OK);
  EXPECT_EQ(SysStringLen(w.bstrVal), 5u);
  EXPECT_EQ(std::memcmp(w.bstrVal, text, sizeof text), 0);
  VariantClear(&w);
  VariantClear(&v);
  // Byte-length strings may be odd-sized.
  BSTR bytes = SysAllocStringByteLen("abc", 3);
  EXPECT_EQ(SysStringByteLen(bytes), 3u);
  EXPECT_EQ(SysStringLen(bytes), 1u);
  SysFreeString(bytes);
  // Reallocating from a part of itself is safe.
  BSTR r = SysAllocString(u"hello world");
  ASSERT_TRUE(SysReAllocString(&r, r + 6));
  EXPECT_EQ(std::u16string(r), u"world");
  ASSERT_TRUE(SysReAllocStringLen(&r, r, 3));
  EXPECT_EQ(std::u16string(r), u"wor");
  SysFreeString(r);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
}

TEST(SafeArray, VectorsOfBytesAndVariants) {
  SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 1, 4);
  ASSERT_NE(bytes, nullptr);
  LONG lo = 0, hi = 0;
  EXPECT_EQ(SafeArrayGetLBound(bytes, 1, &lo), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(bytes, 1, &hi), S_OK);
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 4);
  BYTE* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(bytes, reinterpret_cast<void**>(&data)), S_OK);
  for (int i = 0; i < 4; ++i) data[i] = static_cast<BYTE>(10 * i);
  EXPECT_EQ(SafeArrayDestroy(bytes), DISP_E_ARRAYISLOCKED);  // still accessed
  ASSERT_EQ(SafeArrayUnaccessData(bytes), S_OK);
  LONG index = 3;
  BYTE b = 0;
  ASSERT_EQ(SafeArrayGetElement(bytes, &index, &b), S_OK);
  EXPECT_EQ(b, 20);
  index = 5;
  EXPECT_EQ(SafeArrayGetElement(bytes, &index, &b), DISP_E_BADINDEX);
  index = 0;
  EXPECT_EQ(SafeArrayPutElement(bytes, &index, &b), DISP_E_BADINDEX);

  // A variant holding the array copies it deeply.
  _variant_t holder;
  holder.vt = VT_ARRAY | VT_UI1;
  holder.parray = bytes;
  _variant_t copy = holder;
  EXPECT_NE(copy.parray, holder.parray);
  index = 4;
  ASSERT_EQ(SafeArrayGetElement(copy.parray, &index, &b), S_OK);
  EXPECT_EQ(b, 30);

  SAFEARRAY* vars = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  _variant_t text(u"element");
  index = 1;
  ASSERT_EQ(SafeArrayPutElement(vars, &index, &text), S_OK);
  _variant_t got;
  ASSERT_EQ(SafeArrayGetElement(vars, &index, static_cast<VARIANT*>(&got)), S_OK);
  EXPECT_EQ(std::u16string(got.bstrVal), u"element");
  EXPECT_NE(got.bstrVal, text.bstrVal);
  SAFEARRAYBOUND grow{5, 0};
  ASSERT_EQ(SafeArrayRedim(vars, &grow), S_OK);
  SAFEARRAYBOUND shrink{1, 0};
  ASSERT_EQ(SafeArrayRedim(vars, &shrink), S_OK);  // frees the string element
  VARTYPE vt = 0;
  EXPECT_EQ(SafeArrayGetVartype(vars, &vt), S_OK);
  EXPECT_EQ(vt, VT_VARIANT);
  EXPECT_EQ(SafeArrayDestroy(vars), S_OK);
  EXPECT_EQ(SafeArrayCreate(VT_UI1, 2, &grow), nullptr);  // one dimension only
}

TEST(OleVariant, ConstructionAssignmentAndChangeType) {
  COleVariant s(u"text");
  EXPECT_EQ(s.vt, VT_BSTR);
  COleVariant fromCString(CString(u"cs"));
  EXPECT_EQ(std::u16string(fromCString.bstrVal), u"cs");
  COleVariant n(static_cast<long>(5));
  EXPECT_EQ(n.vt, VT_I4);
  COleVariant flag(static_cast<short>(1), VT_BOOL);
  EXPECT_EQ(flag.boolVal, VARIANT_TRUE);
  COleVariant date(COleDateTime(2013, 3, 26, 0, 0, 0));
  EXPECT_EQ(date.vt, VT_DATE);
  EXPECT_EQ(date.date, 41359.0);
  COleDateTime nullDate;
  nullDate.SetStatus(COleDateTime::null);
  EXPECT_EQ(COleVariant(nullDate).vt, VT_NULL);

  COleVariant copy = s;
  EXPECT_TRUE(copy == s);
  EXPECT_NE(copy.bstrVal, s.bstrVal);
  copy = 3.5;
  EXPECT_EQ(copy.vt, VT_R8);
  copy.ChangeType(VT_BSTR);
  EXPECT_EQ(std::u16string(copy.bstrVal), u"3.5");
  // A failing conversion raises the framework's OLE exception with the code.
  COleVariant bad(u"abc");
  try {
    bad.ChangeType(VT_I4);
    ADD_FAILURE() << "no exception";
  } catch (COleException* e) {
    EXPECT_EQ(e->m_sc, DISP_E_TYPEMISMATCH);
    e->Delete();
  }
  EXPECT_EQ(bad.vt, VT_BSTR);
  // Attach/Detach move ownership without copying.
  VARIANT raw = s.Detach();
  EXPECT_EQ(s.vt, VT_EMPTY);
  COleVariant owner;
  owner.Attach(raw);
  EXPECT_EQ(raw.vt, VT_EMPTY);
  EXPECT_EQ(std::u16string(owner.bstrVal), u"text");
}

// Text conversions honour their LCID as Windows does: separators, the order
// of day and month, names, and the locale's pictures when writing.
TEST(Variant, ConversionsFollowTheLocale) {
  struct Case {
    _variant_t from;
    LCID lcid;
    VARTYPE to;
    HRESULT hr;
    _variant_t expected;
  };
  const Case cases[] = {
      {Str(u"1,5"), 0x0407, VT_R8, S_OK, R8(1.5)},
      {Str(u"1,5"), 0x0409, VT_R8, S_OK, R8(15)},  // a thousands separator in en-US
      {Str(u"1.5"), 0x0407, VT_R8, S_OK, R8(15)},  // and "." is one in de-DE
      {Str(u"-1.234,56"), 0x0407, VT_R8, S_OK, R8(-1234.56)},
      {Str(u"1,5"), 0x040C, VT_R8, S_OK, R8(1.5)},
      {Str(u"1 234,5"), 0x040C, VT_R8, S_OK, R8(1234.5)},  // French groups with a space
      {Str(u"1\u202f234,5"), 0x040C, VT_R8, S_OK, R8(1234.5)},
      {Str(u"1.5"), 0x040C, VT_R8, DISP_E_TYPEMISMATCH, Empty()},
      {Str(u"1.5"), 0x0804, VT_R8, S_OK, R8(1.5)},
      {Str(u"2,5"), 0x0407, VT_I4, S_OK, I4(2)},
      {Str(u"1,2345"), 0x0407, VT_CY, S_OK, Cy(12345)},
      {R8(1.5), 0x0407, VT_BSTR, S_OK, Str(u"1,5")},
      {R8(-0.25), 0x040C, VT_BSTR, S_OK, Str(u"-0,25")},
      {R8(1.5), 0x0409, VT_BSTR, S_OK, Str(u"1.5")},
      {R8(1.5), 0x0804, VT_BSTR, S_OK, Str(u"1.5")},
      {R4(0.5f), 0x0407, VT_BSTR, S_OK, Str(u"0,5")},
      {Cy(-12345), 0x0407, VT_BSTR, S_OK, Str(u"-1,2345")},
      {Str(u"08.03.2026"), 0x0407, VT_DATE, S_OK, Date(46089)},  // 8 March 2026
      {Str(u"08/03/2026"), 0x040C, VT_DATE, S_OK, Date(46089)},
      {Str(u"03/08/2026"), 0x0409, VT_DATE, S_OK, Date(46089)},
      {Str(u"2026/3/8"), 0x0804, VT_DATE, S_OK, Date(46089)},
      {Str(u"2026\u5e743\u67088\u65e5"), 0x0804, VT_DATE, S_OK, Date(46089)},
      {Str(u"8. M\u00e4rz 2026 14:05"), 0x0407, VT_DATE, S_OK, Date(46089 + 14.0 / 24 + 5.0 / 1440)},
      {Date(41359 + 14.0 / 24 + 5.0 / 1440), 0x0407, VT_BSTR, S_OK, Str(u"26.03.2013 14:05:00")},
      {Date(41359 + 14.0 / 24 + 5.0 / 1440), 0x040C, VT_BSTR, S_OK, Str(u"26/03/2013 14:05:00")},
      {Date(41359 + 14.0 / 24 + 5.0 / 1440), 0x0804, VT_BSTR, S_OK, Str(u"2013/3/26 14:05:00")},
      {Date(41359 + 14.0 / 24 + 5.0 / 1440), 0x0409, VT_BSTR, S_OK, Str(u"3/26/2013 2:05:00 PM")},
      {Date(41359), 0x0407, VT_BSTR, S_OK, Str(u"26.03.2013")},
      {Str(u"1,5"), 0x0436, VT_R8, S_OK, R8(15)},  // a locale we cannot serve reads as en-US
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.lcid << std::dec << " " << Describe(c.from) << " to " << c.to);
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeTypeEx(&out, &c.from, c.lcid, 0, c.to), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(out.vt, c.to);
      if (c.to == VT_R8 || c.to == VT_DATE) EXPECT_NEAR(out.dblVal, c.expected.dblVal, 1e-9);
      else EXPECT_TRUE(pv::VariantEquals(out, c.expected)) << Describe(out);
    }
    VariantClear(&out);
  }
  // The typed conversions take the same LCID.
  double d = 0;
  EXPECT_EQ(VarR8FromStr(u"1,5", 0x0407, 0, &d), S_OK);
  EXPECT_EQ(d, 1.5);
  BSTR text = nullptr;
  ASSERT_EQ(VarBstrFromR8(2.75, 0x0407, 0, &text), S_OK);
  EXPECT_EQ(std::u16string(text), u"2,75");
  SysFreeString(text);
  DATE date = 0;
  ASSERT_EQ(VarDateFromStr(u"08.03.2026", 0x0407, 0, &date), S_OK);
  EXPECT_EQ(date, 46089);
  ASSERT_EQ(VarBstrFromDate(46089.5, 0x0804, 0, &text), S_OK);
  EXPECT_EQ(std::u16string(text), u"2026/3/8 12:00:00");
  SysFreeString(text);

  // VariantChangeType follows the user's locale.
  pvtest::UserLocaleScope german("de_DE.UTF-8");
  _variant_t comma = Str(u"1,5");
  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(VariantChangeType(&out, &comma, 0, VT_R8), S_OK);
  EXPECT_EQ(out.dblVal, 1.5);
  ASSERT_EQ(VariantChangeType(&out, &out, 0, VT_BSTR), S_OK);
  EXPECT_EQ(std::u16string(out.bstrVal), u"1,5");
  VariantClear(&out);
}

// Strings compare through the locale's collation, as CompareString does.
TEST(Variant, VarCmpSortsStringsAsTheLocaleDoes) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    LCID lcid;
    ULONG flags;
    HRESULT expected;
  };
  const Case cases[] = {
      {u"\u963f", u"\u5f20", 0x0804, 0, VARCMP_LT},              // 阿 (a) before 张 (zhang) in pinyin
      {u"\u5f20\u4e09", u"\u674e\u56db", 0x0804, 0, VARCMP_GT},  // 张三 after 李四
      {u"\u738b", u"\u5f20", 0x0804, 0, VARCMP_LT},              // 王 (wang) before 张
      {u"\u00e4pfel", u"bpfel", 0x0407, 0, VARCMP_LT},           // the accent does not move it past b
      {u"\u00e4pfel", u"Apfel", 0x0407, kIgnoreCase, VARCMP_GT},
      {u"\u00c4PFEL", u"\u00e4pfel", 0x0407, kIgnoreCase, VARCMP_EQ},
      {u"apfel", u"\u00c4pfel", 0x0407, 2 /* NORM_IGNORENONSPACE */ | kIgnoreCase, VARCMP_EQ},
      {u"apple", u"Banana", 0x0409, 0, VARCMP_LT},  // by code point 'B' would come first
      {u"abc", u"ABC", 0x0409, 0, VARCMP_LT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(std::u16string_view(c.a)) + " / " + ToUtf8(std::u16string_view(c.b)));
    _variant_t a = Str(c.a), b = Str(c.b);
    EXPECT_EQ(VarCmp(&a, &b, c.lcid, c.flags), c.expected);
    BSTR ba = SysAllocString(c.a), bb = SysAllocString(c.b);
    EXPECT_EQ(VarBstrCmp(ba, bb, c.lcid, c.flags), c.expected);
    SysFreeString(ba);
    SysFreeString(bb);
  }
  // Han characters under en-US sort as the C library's en_US collation says.
  auto c = pvtest::LangInfo("en_US.UTF-8", CODESET);
  ASSERT_TRUE(c.has_value());
  locale_t en = newlocale(LC_ALL_MASK, "en_US.UTF-8", static_cast<locale_t>(nullptr));
  int glibc = wcscoll_l(L"\u963f", L"\u5f20", en);
  freelocale(en);
  _variant_t a = Str(u"\u963f"), b = Str(u"\u5f20");
  EXPECT_EQ(VarCmp(&a, &b, 0x0409, 0), glibc < 0 ? VARCMP_LT : glibc > 0 ? VARCMP_GT : VARCMP_EQ);
}

TEST(Variant, VarUdateFromDate) {
  struct Case {
    DATE date;
    int y, m, d, h, mi, s, dayOfWeek, dayOfYear;
  } cases[] = {
      {41359.5, 2013, 3, 26, 12, 0, 0, 2, 85},
      {0.0, 1899, 12, 30, 0, 0, 0, 6, 364},
      {-1.25, 1899, 12, 29, 6, 0, 0, 5, 363},  // the fraction counts forward from midnight
      {45657.0, 2024, 12, 31, 0, 0, 0, 2, 366},
      {45657.99999999, 2025, 1, 1, 0, 0, 0, 3, 1},  // rounded to the nearest second
      {-657434.0, 100, 1, 1, 0, 0, 0, 5, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.date);
    UDATE u;
    std::memset(&u, 0xff, sizeof u);
    ASSERT_EQ(VarUdateFromDate(c.date, 0, &u), S_OK);
    EXPECT_EQ(u.st.wYear, c.y);
    EXPECT_EQ(u.st.wMonth, c.m);
    EXPECT_EQ(u.st.wDay, c.d);
    EXPECT_EQ(u.st.wHour, c.h);
    EXPECT_EQ(u.st.wMinute, c.mi);
    EXPECT_EQ(u.st.wSecond, c.s);
    EXPECT_EQ(u.st.wMilliseconds, 0);
    EXPECT_EQ(u.st.wDayOfWeek, c.dayOfWeek);
    EXPECT_EQ(u.wDayOfYear, c.dayOfYear);
  }
  UDATE u;
  EXPECT_EQ(VarUdateFromDate(3e6, 0, &u), E_INVALIDARG);
  EXPECT_EQ(VarUdateFromDate(-700000.0, 0, &u), E_INVALIDARG);
  EXPECT_EQ(VarUdateFromDate(1.0, 0, nullptr), E_INVALIDARG);
}

}  // namespace
