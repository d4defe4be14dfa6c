// Interface maps: parts answer QueryInterface from their object's map (and
// its bases'), count on the object and free it once; METHOD_PROLOGUE finds
// the object even where the command target is not its first base; the
// automation part stands in for IDispatch.
#include <gtest/gtest.h>

#include <string>

#include "platform/framework/afx.h"

struct INoteHost : IUnknown {
  STDMETHOD_(int, HostId)() PURE;
};
struct INoteSink : IUnknown {
  STDMETHOD_(int, SinkValue)() PURE;
};
struct INoteExtra : IUnknown {
  STDMETHOD_(int, ExtraValue)() PURE;
};
PV_DECLARE_UUID(INoteHost, "5A1D0001-0000-4000-8000-000000000001");
PV_DECLARE_UUID(INoteSink, "5A1D0001-0000-4000-8000-000000000002");
PV_DECLARE_UUID(INoteExtra, "5A1D0001-0000-4000-8000-000000000003");
constexpr IID IID_INoteHost = __uuidof(INoteHost);
constexpr IID IID_INoteSink = __uuidof(INoteSink);
constexpr IID IID_INoteExtra = __uuidof(INoteExtra);

namespace {

int g_destroyed = 0;

// Something laid out before the command target, so that the object's address
// and its CCmdTarget's differ.
struct Padding {
  virtual ~Padding() = default;
  char bytes[24] = {};
};

class CNoteHost : public Padding, public CCmdTarget {
 public:
  explicit CNoteHost(int id) : m_id(id) {}
  ~CNoteHost() override { ++g_destroyed; }

  int m_id;
  int m_sinkValue = 7;

  BEGIN_INTERFACE_PART(Host, INoteHost)
  STDMETHOD_(int, HostId)() override;
  END_INTERFACE_PART(Host)

  BEGIN_INTERFACE_PART(Sink, INoteSink)
  STDMETHOD_(int, SinkValue)() override;
  END_INTERFACE_PART(Sink)

  DECLARE_INTERFACE_MAP()
};

BEGIN_INTERFACE_MAP(CNoteHost, CCmdTarget)
INTERFACE_PART(CNoteHost, IID_INoteHost, Host)
INTERFACE_PART(CNoteHost, IID_INoteSink, Sink)
END_INTERFACE_MAP()

STDMETHODIMP_(int) CNoteHost::XHost::HostId() {
  METHOD_PROLOGUE(CNoteHost, Host)
  return pThis->m_id;
}
STDMETHODIMP_(int) CNoteHost::XSink::SinkValue() {
  METHOD_PROLOGUE(CNoteHost, Sink)
  return pThis->m_sinkValue;
}

// A derived class adds an interface and answers one of the base's itself.
class CRichNoteHost : public CNoteHost {
 public:
  CRichNoteHost() : CNoteHost(2) {}

 protected:
  BEGIN_INTERFACE_PART(Extra, INoteExtra)
  STDMETHOD_(int, ExtraValue)() override { return 99; }
  END_INTERFACE_PART(Extra)

  BEGIN_INTERFACE_PART(OwnSink, INoteSink)
  STDMETHOD_(int, SinkValue)() override {
    METHOD_PROLOGUE(CRichNoteHost, OwnSink)
    return pThis->m_sinkValue * 100;
  }
  END_INTERFACE_PART(OwnSink)

  DECLARE_INTERFACE_MAP()
};

BEGIN_INTERFACE_MAP(CRichNoteHost, CNoteHost)
INTERFACE_PART(CRichNoteHost, IID_INoteExtra, Extra)
INTERFACE_PART(CRichNoteHost, IID_INoteSink, OwnSink)
END_INTERFACE_MAP()

template <class I>
I* Query(IUnknown* from, REFIID iid) {
  void* out = reinterpret_cast<void*>(1);
  HRESULT hr = from->QueryInterface(iid, &out);
  if (FAILED(hr)) {
    EXPECT_EQ(hr, E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    return nullptr;
  }
  return static_cast<I*>(out);
}

class InterfaceMapTest : public ::testing::Test {
 protected:
  void SetUp() override { g_destroyed = 0; }
};

TEST_F(InterfaceMapTest, EveryPartAnswersTheObjectsMapWithOneIdentity) {
  auto* host = new CNoteHost(5);
  INoteHost* hostPart = Query<INoteHost>(host->GetInterface(&IID_IUnknown), IID_INoteHost);
  ASSERT_NE(hostPart, nullptr);
  EXPECT_EQ(hostPart->HostId(), 5);  // METHOD_PROLOGUE reached the object past its first base
  INoteSink* sinkPart = Query<INoteSink>(hostPart, IID_INoteSink);
  ASSERT_NE(sinkPart, nullptr);
  EXPECT_EQ(sinkPart->SinkValue(), 7);
  EXPECT_EQ(Query<INoteHost>(sinkPart, IID_INoteHost), hostPart);

  // IUnknown is the same pointer whichever part is asked.
  IUnknown* unknownFromHost = Query<IUnknown>(hostPart, IID_IUnknown);
  IUnknown* unknownFromSink = Query<IUnknown>(sinkPart, IID_IUnknown);
  EXPECT_EQ(unknownFromHost, unknownFromSink);
  EXPECT_EQ(unknownFromHost, host->GetInterface(&IID_IUnknown));

  // Not in the map, or asked badly: nothing, and no reference taken.
  EXPECT_EQ(Query<INoteExtra>(sinkPart, IID_INoteExtra), nullptr);
  EXPECT_EQ(Query<IDispatch>(sinkPart, IID_IDispatch), nullptr);  // no automation
  EXPECT_EQ(sinkPart->QueryInterface(IID_INoteHost, nullptr), E_POINTER);
  EXPECT_EQ(host->InternalQueryInterface(nullptr, reinterpret_cast<void**>(&hostPart)), E_POINTER);
  EXPECT_EQ(hostPart, nullptr);
  EXPECT_EQ(host->GetInterface(&IID_INoteExtra), nullptr);
  EXPECT_EQ(host->GetInterface(nullptr), nullptr);

  // The creator's reference and five successful queries, all on the object.
  EXPECT_EQ(host->m_dwRef, 6);
  for (int i = 0; i < 5; ++i) host->InternalRelease();
  EXPECT_EQ(g_destroyed, 0);
  host->InternalRelease();
  EXPECT_EQ(g_destroyed, 1);
}

TEST_F(InterfaceMapTest, PartsCountOnTheObjectAndTheLastReleaseFreesItOnce) {
  auto* host = new CNoteHost(1);
  IUnknown* unknown = host->GetInterface(&IID_IUnknown);
  INoteSink* sink = Query<INoteSink>(unknown, IID_INoteSink);
  ASSERT_NE(sink, nullptr);
  EXPECT_EQ(sink->AddRef(), 3u);
  EXPECT_EQ(host->m_dwRef, 3);
  host->ExternalRelease();  // the creator lets go; the interfaces keep it alive
  EXPECT_EQ(sink->Release(), 1u);
  EXPECT_EQ(g_destroyed, 0);
  EXPECT_EQ(sink->Release(), 0u);
  EXPECT_EQ(g_destroyed, 1);
}

TEST_F(InterfaceMapTest, ADerivedMapComesFirstAndKeepsTheBasesEntries) {
  auto* rich = new CRichNoteHost;
  IUnknown* unknown = rich->GetInterface(&IID_IUnknown);
  ASSERT_NE(unknown, nullptr);
  // IUnknown is the first part of the most derived map.
  EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(rich->GetInterface(&IID_INoteExtra)));

  struct Case {
    const char* what;
    const IID* iid;
    int expected;
  };
  const Case cases[] = {{"own interface", &IID_INoteExtra, 99},
                        {"base's interface", &IID_INoteHost, 2},
                        {"base's interface answered by the derived part", &IID_INoteSink, 700}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    IUnknown* part = Query<IUnknown>(unknown, *c.iid);
    ASSERT_NE(part, nullptr);
    int value = *c.iid == IID_INoteExtra  ? static_cast<INoteExtra*>(part)->ExtraValue()
                : *c.iid == IID_INoteHost ? static_cast<INoteHost*>(part)->HostId()
                                          : static_cast<INoteSink*>(part)->SinkValue();
    EXPECT_EQ(value, c.expected);
    part->Release();
  }
  EXPECT_EQ(rich->m_dwRef, 1);
  EXPECT_EQ(unknown->Release(), 0u);
  EXPECT_EQ(g_destroyed, 1);
}

// Automation alone, and a map entry for IDispatch that takes precedence.
class CAutomated : public CCmdTarget {
 public:
  CAutomated() { EnableAutomation(); }
  ~CAutomated() override { ++g_destroyed; }
};

class CMappedDispatch : public CNoteHost {
 public:
  CMappedDispatch() : CNoteHost(3) { EnableAutomation(); }

  BEGIN_INTERFACE_PART(Dispatch2, IDispatch)
  STDMETHOD(GetTypeInfoCount)(UINT* count) override {
    *count = 42;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
  END_INTERFACE_PART(Dispatch2)
  DECLARE_INTERFACE_MAP()
};

BEGIN_INTERFACE_MAP(CMappedDispatch, CNoteHost)
INTERFACE_PART(CMappedDispatch, IID_IDispatch, Dispatch2)
END_INTERFACE_MAP()

TEST_F(InterfaceMapTest, AutomationGivesADispatchInterfaceThatSharesTheObject) {
  CNoteHost plain(0);
  EXPECT_FALSE(plain.IsAutomationEnabled());
  EXPECT_EQ(plain.GetIDispatch(TRUE), nullptr);
  EXPECT_EQ(plain.m_dwRef, 1);

  auto* object = new CAutomated;
  IDispatch* dispatch = object->GetIDispatch(FALSE);
  ASSERT_NE(dispatch, nullptr);
  EXPECT_EQ(object->m_dwRef, 1);
  EXPECT_EQ(object->GetIDispatch(TRUE), dispatch);
  EXPECT_EQ(object->m_dwRef, 2);
  object->EnableAutomation();  // again: the same part
  EXPECT_EQ(object->GetIDispatch(FALSE), dispatch);
  // With an empty map the dispatch part is also the object's IUnknown.
  EXPECT_EQ(Query<IUnknown>(dispatch, IID_IUnknown), static_cast<IUnknown*>(dispatch));
  EXPECT_EQ(Query<IDispatch>(dispatch, IID_IDispatch), dispatch);
  EXPECT_EQ(object->m_dwRef, 4);

  // No late-bound members.
  UINT count = 9;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  std::u16string name = u"Caption";
  LPOLESTR names[] = {name.data()};
  DISPID ids[] = {5};
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], DISPID_UNKNOWN);
  EXPECT_EQ(dispatch->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);

  for (int i = 0; i < 3; ++i) dispatch->Release();
  EXPECT_EQ(g_destroyed, 0);
  EXPECT_EQ(dispatch->Release(), 0u);
  EXPECT_EQ(g_destroyed, 1);

  // A map entry for IDispatch wins; the other interfaces still answer.
  CMappedDispatch mapped;
  IDispatch* fromMap = Query<IDispatch>(mapped.GetInterface(&IID_INoteHost), IID_IDispatch);
  ASSERT_NE(fromMap, nullptr);
  EXPECT_NE(fromMap, mapped.GetIDispatch(FALSE));
  count = 0;
  fromMap->GetTypeInfoCount(&count);
  EXPECT_EQ(count, 42u);
  INoteHost* host = Query<INoteHost>(mapped.GetIDispatch(FALSE), IID_INoteHost);
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(host->HostId(), 3);
  host->Release();
  fromMap->Release();
  EXPECT_EQ(mapped.m_dwRef, 1);
}

}  // namespace
