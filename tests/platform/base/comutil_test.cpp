// COM wrappers: _bstr_t sharing, _variant_t ownership and extraction,
// _com_error, the class registry and _com_ptr_t reference counting.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "platform/base/comutil.h"
#include "platform/base/utf.h"

// ---- a small registered class -------------------------------------------------------
namespace comtest {
struct ICounter : IUnknown {
  STDMETHOD_(LONG, Next)() PURE;
};
struct IOther : IUnknown {};
struct CounterClass;
}  // namespace comtest
PV_DECLARE_UUID(comtest::ICounter, "6A3D4E10-0C1B-4F57-9B61-2D4C8F0A1E01");
PV_DECLARE_UUID(comtest::IOther, "6A3D4E10-0C1B-4F57-9B61-2D4C8F0A1E02");
PV_DECLARE_UUID(comtest::CounterClass, "6A3D4E10-0C1B-4F57-9B61-2D4C8F0A1E03");

namespace {
using comtest::CounterClass;
using comtest::ICounter;
using comtest::IOther;
_COM_SMARTPTR_TYPEDEF(ICounter, __uuidof(ICounter));
_COM_SMARTPTR_TYPEDEF(IOther, __uuidof(IOther));

std::atomic<int> gLiveCounters{0};

class Counter final : public ICounter {
 public:
  Counter() { ++gLiveCounters; }
  ~Counter() override { --gLiveCounters; }
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == __uuidof(ICounter)) {
      *object = static_cast<ICounter*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP_(LONG) Next() override { return InterlockedIncrement(&value_); }
  LONG refs() const { return refs_; }

 private:
  volatile LONG refs_ = 0;
  volatile LONG value_ = 0;
};

HRESULT MakeCounter(REFIID riid, void** object) {
  auto* c = new Counter;
  c->AddRef();
  HRESULT hr = c->QueryInterface(riid, object);
  c->Release();
  return hr;
}

struct RegisteredCounter : ::testing::Test {
  void SetUp() override {
    pv::RegisterComClass(__uuidof(CounterClass), {u"Pravenor.Counter", u"Pravenor.Counter.1"}, MakeCounter);
  }
  void TearDown() override {
    pv::UnregisterComClass(__uuidof(CounterClass));
    EXPECT_EQ(gLiveCounters.load(), 0);
  }
};

TEST_F(RegisteredCounter, CreationByClsidProgIdAndText) {
  ICounterPtr byClsid;
  ASSERT_EQ(byClsid.CreateInstance(__uuidof(CounterClass)), S_OK);
  EXPECT_EQ(byClsid->Next(), 1);
  ICounterPtr byProgId;
  ASSERT_EQ(byProgId.CreateInstance(u"pravenor.COUNTER.1"), S_OK);  // ProgIDs ignore ASCII case
  ICounterPtr byNarrow;
  ASSERT_EQ(byNarrow.CreateInstance("Pravenor.Counter"), S_OK);
  OLECHAR text[39];
  ASSERT_EQ(StringFromGUID2(__uuidof(CounterClass), text, 39), 39);
  EXPECT_EQ(std::u16string(text), u"{6A3D4E10-0C1B-4F57-9B61-2D4C8F0A1E03}");
  ICounterPtr byText;
  ASSERT_EQ(byText.CreateInstance(text), S_OK);
  EXPECT_EQ(byText->Next(), 1);  // a separate object

  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(u"Pravenor.Counter", &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, __uuidof(CounterClass)));
  ASSERT_EQ(CLSIDFromString(u"{6a3d4e10-0c1b-4f57-9b61-2d4c8f0a1e03}", &clsid), S_OK);
  EXPECT_TRUE(clsid == __uuidof(CounterClass));
  LPOLESTR progId = nullptr;
  ASSERT_EQ(ProgIDFromCLSID(clsid, &progId), S_OK);
  EXPECT_EQ(std::u16string(progId), u"Pravenor.Counter");
  CoTaskMemFree(progId);

  // Failures: unknown names, malformed text, aggregation, missing interface.
  EXPECT_EQ(CLSIDFromProgID(u"Nobody.Home", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromString(u"{6A3D4E10-0C1B-4F57-9B61-2D4C8F0A1E0}", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromString(u"{6A3D4E10+0C1B-4F57-9B61-2D4C8F0A1E03}", &clsid), CO_E_CLASSSTRING);
  ICounterPtr none;
  EXPECT_EQ(none.CreateInstance(u"Nobody.Home"), CO_E_CLASSSTRING);
  EXPECT_FALSE(none);
  void* raw = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(__uuidof(IOther), nullptr, CLSCTX_ALL, IID_IUnknown, &raw), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(raw, nullptr);
  EXPECT_EQ(CoCreateInstance(__uuidof(CounterClass), byClsid, CLSCTX_ALL, IID_IUnknown, &raw), CLASS_E_NOAGGREGATION);
  IOtherPtr other;
  EXPECT_EQ(other.CreateInstance(__uuidof(CounterClass)), E_NOINTERFACE);
  EXPECT_FALSE(other);
  // Calling through a null pointer raises E_POINTER instead of crashing.
  try {
    none->Next();
    ADD_FAILURE() << "no exception";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
}

TEST_F(RegisteredCounter, SmartPointersCountReferencesExactly) {
  ICounterPtr a;
  ASSERT_EQ(a.CreateInstance(__uuidof(CounterClass)), S_OK);
  auto* object = static_cast<Counter*>(a.GetInterfacePtr());
  EXPECT_EQ(object->refs(), 1);
  {
    ICounterPtr b = a;
    EXPECT_EQ(object->refs(), 2);
    ICounterPtr c(std::move(b));
    EXPECT_EQ(object->refs(), 2);
    _variant_t holder(static_cast<IUnknown*>(a.GetInterfacePtr()));
    EXPECT_EQ(object->refs(), 3);
    ICounterPtr fromVariant(holder);
    EXPECT_EQ(object->refs(), 4);
    _variant_t copy = holder;
    EXPECT_EQ(object->refs(), 5);
    IOtherPtr wrong(holder);  // QueryInterface fails: stays null, no leak
    EXPECT_FALSE(wrong);
  }
  EXPECT_EQ(object->refs(), 1);
  ICounter* detached = a.Detach();
  EXPECT_EQ(object->refs(), 1);
  ICounterPtr adopt;
  adopt.Attach(detached);  // takes the reference over
  EXPECT_EQ(object->refs(), 1);
  ICounterPtr& same = adopt;
  adopt = same;  // self-assignment keeps the object alive
  EXPECT_EQ(object->refs(), 1);
  adopt = nullptr;
  EXPECT_EQ(gLiveCounters.load(), 0);
}

TEST_F(RegisteredCounter, ReferenceCountingHoldsUnderManyThreads) {
  ICounterPtr shared;
  ASSERT_EQ(shared.CreateInstance(u"Pravenor.Counter"), S_OK);
  auto* object = static_cast<Counter*>(shared.GetInterfacePtr());
  constexpr int kThreads = 8, kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        ICounterPtr copy = shared;  // AddRef and Release race with the other threads
        copy->Next();
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(object->refs(), 1);
  EXPECT_EQ(shared->Next(), kThreads * kRounds + 1);
  // Interlocked helpers on their own.
  volatile LONG value = 5;
  EXPECT_EQ(InterlockedExchangeAdd(&value, 3), 5);
  EXPECT_EQ(InterlockedCompareExchange(&value, 100, 7), 8);  // no match: unchanged
  EXPECT_EQ(InterlockedCompareExchange(&value, 100, 8), 8);
  EXPECT_EQ(InterlockedExchange(&value, 1), 100);
  EXPECT_EQ(value, 1);
}

TEST(BstrT, CopiesShareOneStringAndViewsStayConsistent) {
  _bstr_t a(u"h\u00e9llo");
  _bstr_t b = a;
  EXPECT_EQ(a.RefCount(), 2);
  EXPECT_EQ(static_cast<const char16_t*>(a), static_cast<const char16_t*>(b));  // shared, not copied
  EXPECT_STREQ(static_cast<const char*>(b), "h\xc3\xa9llo");                    // UTF-8 view
  EXPECT_EQ(a.length(), 5u);
  b += u" world";  // writing gives b its own string; a is unchanged
  EXPECT_EQ(a.RefCount(), 1);
  EXPECT_TRUE(a == u"h\u00e9llo");
  EXPECT_STREQ(static_cast<const char*>(b), "h\xc3\xa9llo world");
  _bstr_t c = a + " " + _bstr_t(u"!");
  EXPECT_TRUE(c == "h\xc3\xa9llo !");
  // Null and empty compare equal; ordering is by code unit.
  _bstr_t null, empty(u"");
  EXPECT_TRUE(null == empty);
  EXPECT_TRUE(!null);
  EXPECT_FALSE(!empty);
  EXPECT_TRUE(_bstr_t(u"abc") < _bstr_t(u"abd"));
  EXPECT_EQ(static_cast<const char*>(null), nullptr);
  // Detach from a shared string hands over a copy; the other holder keeps its own.
  _bstr_t d = a;
  BSTR detached = d.Detach();
  EXPECT_NE(detached, static_cast<const char16_t*>(a));
  EXPECT_EQ(std::u16string(detached), u"h\u00e9llo");
  SysFreeString(detached);
  // Attach takes ownership (ASan reports a double free or leak otherwise).
  _bstr_t owner;
  owner.Attach(SysAllocString(u"owned"));
  _bstr_t copyOfOwner(owner);
  owner = u"changed";
  EXPECT_TRUE(copyOfOwner == u"owned");
  // Embedded zeros survive copies and concatenation.
  const char16_t raw[] = {u'x', 0, u'y'};
  _bstr_t zeros(SysAllocStringLen(raw, 3), false);
  _bstr_t joined = zeros + zeros;
  EXPECT_EQ(joined.length(), 6u);
  EXPECT_EQ(std::memcmp(static_cast<const char16_t*>(joined) + 3, raw, sizeof raw), 0);
  // Out-parameter use.
  _bstr_t out;
  *out.GetAddress() = SysAllocString(u"filled");
  EXPECT_TRUE(out == u"filled");
}

TEST(BstrT, CopiesOnManyThreadsShareOneUtf8View) {
  _bstr_t shared(u"\u4e2d\u6587 text");
  constexpr int kThreads = 8;
  std::vector<const char*> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        _bstr_t copy = shared;  // reference count races with the other threads
        seen[t] = static_cast<const char*>(copy);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(shared.RefCount(), 1);
  for (const char* view : seen) EXPECT_EQ(view, static_cast<const char*>(shared));  // made once
  EXPECT_STREQ(static_cast<const char*>(shared), "\xe4\xb8\xad\xe6\x96\x87 text");
}

TEST(VariantT, ExtractionConvertsOrThrows) {
  _variant_t n(u"42");
  EXPECT_EQ(static_cast<long>(n), 42);
  EXPECT_EQ(static_cast<short>(n), 42);
  EXPECT_EQ(static_cast<double>(n), 42.0);
  EXPECT_EQ(n.vt, VT_BSTR);  // extraction does not change the variant
  _variant_t i(static_cast<LONG>(7));
  EXPECT_EQ(i.vt, VT_I4);
  _bstr_t text = i;
  EXPECT_TRUE(text == u"7");
  EXPECT_TRUE(static_cast<bool>(i));
  _variant_t date(41359.5, VT_DATE);
  EXPECT_EQ(static_cast<double>(date), 41359.5);
  EXPECT_TRUE(_bstr_t(date) == u"3/26/2013 12:00:00 PM");
  struct Bad {
    _variant_t value;
    HRESULT hr;
  } bad[] = {{_variant_t(u"abc"), DISP_E_TYPEMISMATCH}, {_variant_t(70000L), DISP_E_OVERFLOW}};
  for (const Bad& b : bad) {
    try {
      short s = b.value;
      (void)s;
      ADD_FAILURE() << "no exception";
    } catch (const _com_error& e) {
      EXPECT_EQ(e.Error(), b.hr);
    }
  }
  _variant_t null;
  null.vt = VT_NULL;
  EXPECT_THROW((void)static_cast<long>(null), _com_error);
  // ChangeType in place and from another value.
  _variant_t v(u"12.5");
  v.ChangeType(VT_R8);
  EXPECT_EQ(v.vt, VT_R8);
  EXPECT_EQ(v.dblVal, 12.5);
  _variant_t target;
  target.ChangeType(VT_BSTR, &v);
  EXPECT_EQ(std::u16string(target.bstrVal), u"12.5");
  EXPECT_THROW(target.ChangeType(VT_DISPATCH), _com_error);
  EXPECT_EQ(vtMissing.vt, VT_ERROR);
  EXPECT_EQ(vtMissing.scode, DISP_E_PARAMNOTFOUND);
}

TEST(VariantT, OwnershipAcrossCopiesAssignmentsAndDetach) {
  _variant_t a(u"alpha");
  _variant_t b = a;
  EXPECT_NE(a.bstrVal, b.bstrVal);
  EXPECT_TRUE(a == b);
  b = 3.25;  // frees the copied string
  EXPECT_EQ(b.vt, VT_R8);
  b = a;
  b = std::move(a);
  EXPECT_EQ(a.vt, VT_EMPTY);
  EXPECT_TRUE(b == _variant_t(u"alpha"));
  VARIANT raw = b.Detach();
  EXPECT_EQ(b.vt, VT_EMPTY);
  _variant_t again(raw, false);  // takes the detached value over
  EXPECT_EQ(raw.vt, VT_EMPTY);
  EXPECT_EQ(std::u16string(again.bstrVal), u"alpha");
  VARIANT* slot = again.GetAddress();  // cleared for an out parameter
  EXPECT_EQ(slot->vt, VT_EMPTY);
  slot->vt = VT_BSTR;
  slot->bstrVal = SysAllocString(u"filled");
  std::vector<_variant_t> many(50, _variant_t(u"x"));
  many.resize(200);
  EXPECT_EQ(std::u16string(many[49].bstrVal), u"x");
  _variant_t big(5000000000LL);
  EXPECT_EQ(big.vt, VT_I8);
  _variant_t utf8("gr\xc3\xbc\xc3\x9f");
  EXPECT_EQ(std::u16string(utf8.bstrVal), u"gr\u00fc\u00df");
}

TEST(VariantT, DestructionReleasesWhatTheValueOwnsAndNothingElse) {
  Counter* counter = new Counter;
  counter->AddRef();  // the test's own reference
  struct Case {
    const char* what;
    std::function<void(_variant_t&)> fill;
    LONG refsAfter;  // the counter's references once the value is gone
  };
  IUnknown* held = counter;
  const Case cases[] = {
      {"interface", [&](_variant_t& v) { v.vt = VT_UNKNOWN, v.punkVal = counter, counter->AddRef(); }, 1},
      {"dispatch interface",
       [&](_variant_t& v) {
         v.vt = VT_DISPATCH;
         v.pdispVal = reinterpret_cast<IDispatch*>(static_cast<IUnknown*>(counter));
         counter->AddRef();
       },
       1},
      {"array of interfaces",
       [&](_variant_t& v) {
         SAFEARRAY* a = SafeArrayCreateVector(VT_UNKNOWN, 0, 2);
         LONG i = 1;
         SafeArrayPutElement(a, &i, static_cast<IUnknown*>(counter));  // adds a reference
         v.vt = VT_ARRAY | VT_UNKNOWN;
         v.parray = a;
       },
       1},
      {"interface by reference", [&](_variant_t& v) { v.vt = VT_BYREF | VT_UNKNOWN, v.ppunkVal = &held; }, 1},
      {"string", [&](_variant_t& v) { v.vt = VT_BSTR, v.bstrVal = SysAllocString(u"owned"); }, 1},
      {"decimal", [&](_variant_t& v) { v = DECIMAL{}, v.decVal.Lo64 = 12345; }, 1},
      {"numbers", [&](_variant_t& v) { v = 5000000000LL; }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      _variant_t v;
      c.fill(v);
    }
    EXPECT_EQ(counter->refs(), c.refsAfter);
  }
  counter->Release();
}

TEST(ComError, CarriesCodeDescriptionAndMessage) {
  struct Case {
    HRESULT hr;
    const char16_t* message;
  } cases[] = {
      {E_FAIL, u"Unspecified error"},
      {E_INVALIDARG, u"The parameter is incorrect."},
      {DISP_E_TYPEMISMATCH, u"Type mismatch."},
      {static_cast<HRESULT>(0x800A0BCDu), u"Unknown error 0x800A0BCD"},
      {static_cast<HRESULT>(0x80040205u), u"IDispatch error #5"},
  };
  for (const Case& c : cases) EXPECT_EQ(std::u16string(_com_error(c.hr).ErrorMessage()), c.message);

  try {
    throw _com_error(E_FAIL, u"Table 'remind' is locked", u"Pravenor.Data");
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_FAIL);
    EXPECT_TRUE(e.Description() == u"Table 'remind' is locked");
    EXPECT_TRUE(e.Source() == u"Pravenor.Data");
    _com_error copy = e;  // copies share the error object
    EXPECT_TRUE(copy.Description() == e.Description());
  }
  EXPECT_TRUE(!_com_error(E_FAIL).Description());

  // An object that fails sets the thread's error object; raising the error
  // takes its description along and leaves none behind.
  IErrorInfo* info = pv::MakeErrorInfo(u"No current record.", u"ADODB.Recordset");
  SetErrorInfo(0, info);
  info->Release();
  try {
    _com_issue_errorex(static_cast<HRESULT>(0x800A0BCDu), nullptr, IID_IUnknown);
  } catch (const _com_error& e) {
    EXPECT_TRUE(e.Description() == u"No current record.");
    EXPECT_TRUE(e.Source() == u"ADODB.Recordset");
  }
  IErrorInfo* left = nullptr;
  EXPECT_EQ(GetErrorInfo(0, &left), S_FALSE);
  EXPECT_THROW(_com_issue_error(E_OUTOFMEMORY), _com_error);
}

TEST(Com, InitialisationIsCountedPerThread) {
  int before = pv::ComInitCount();
  EXPECT_EQ(CoInitialize(nullptr), before == 0 ? S_OK : S_FALSE);
  EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
  std::thread([] {
    EXPECT_EQ(pv::ComInitCount(), 0);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
  }).join();
  OleUninitialize();
  CoUninitialize();
  EXPECT_EQ(pv::ComInitCount(), before);
}

}  // namespace

namespace {
struct CountedThing : IUnknown {
  LONG refs = 1;
  HRESULT QueryInterface(const IID&, void** out) override {
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
};
}  // namespace

TEST(ComPtr, MoveAssignmentFromATemporaryTransfersTheReference) {
  CountedThing thing;
  _com_ptr_t<IUnknown> held;
  auto make = [&thing]() { return _com_ptr_t<IUnknown>(static_cast<IUnknown*>(&thing)); };
  held = make();  // needs move assignment, which must not use the overloaded operator&
  EXPECT_EQ(held.GetInterfacePtr(), &thing);
  EXPECT_EQ(thing.refs, 2);
  held = nullptr;
  EXPECT_EQ(thing.refs, 1);
}
