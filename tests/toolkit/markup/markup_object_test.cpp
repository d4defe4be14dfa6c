// Object model and type registry: reference counting, values and their
// conversions, property reading and writing with notification and
// inheritance, collections, descriptors and the property-from-name map.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/base/exceptions.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markupstyle.h"
#include "toolkit/markup/markuptext.h"

namespace {

struct Registered : ::testing::Test {
  static void SetUpTestSuite() { CTKMarkupType::RegisterAllTypes(); }
};

CTKMarkupString* Str(const char16_t* s) { return CTKMarkupString::CreateString(s); }

std::string Narrow(LPCWSTR s) {
  std::string out;
  for (; s && *s; s++) out += *s < 0x80 ? static_cast<char>(*s) : '?';
  return out;
}

// Whether the call raises the framework's invalid-argument exception.
template <class F>
bool ThrowsInvalidArg(F f) {
  try {
    f();
  } catch (CInvalidArgException* e) {
    e->Delete();
    return true;
  }
  return false;
}

// Converts text through the value type's ConvertFrom, as the builder does.
template <class T>
CTKMarkupObject* From(const char16_t* text) {
  T converter;
  CTKMarkupString* s = Str(text);
  CTKMarkupObject* r = converter.ConvertFrom(nullptr, s);
  s->Release();
  return r;
}

// Records the property changes an object is told about.
class CRecorder : public CTKMarkupFrameworkElement {
 public:
  void OnPropertyChanged(CTKMarkupDependencyProperty* p, CTKMarkupObject* o, CTKMarkupObject* n) override {
    changes.push_back({p, o, n});
    CTKMarkupFrameworkElement::OnPropertyChanged(p, o, n);
  }
  struct Change {
    CTKMarkupDependencyProperty* p;
    CTKMarkupObject* o;
    CTKMarkupObject* n;
  };
  std::vector<Change> changes;
};

TEST_F(Registered, ReferenceCountsAndSharedInstances) {
  CTKMarkupInt* p = new CTKMarkupInt(5);
  EXPECT_EQ(p->AddRef(), 2);
  EXPECT_EQ(p->Release(), 1);
  EXPECT_EQ(p->Release(), 0);  // deleted here

  // Releasing an object whose count is already 0 does nothing.
  struct Zero : CTKMarkupObject {
    void OnFinalRelease() override {}
  } z;
  EXPECT_EQ(z.Release(), 0);
  EXPECT_EQ(z.Release(), 0);
  EXPECT_EQ(z.GetRefCount(), 0);

  CTKMarkupEnum* a = CTKMarkupEnum::CreateEnum(3);
  CTKMarkupEnum* b = CTKMarkupEnum::CreateEnum(3);
  EXPECT_EQ(a, b);
  CTKMarkupEnum* c = CTKMarkupEnum::CreateEnum(8);
  CTKMarkupEnum* d = CTKMarkupEnum::CreateEnum(8);
  EXPECT_NE(c, d);
  EXPECT_TRUE(c->IsEqual(d));
  for (CTKMarkupObject* o : std::vector<CTKMarkupObject*>{a, b, c, d}) o->Release();

  CTKMarkupString* e1 = CTKMarkupString::CreateString(nullptr);
  CTKMarkupString* e2 = CTKMarkupString::CreateString(u"x", 0);
  CTKMarkupString* sp = CTKMarkupString::CreateString(u" ");
  CTKMarkupString* sp2 = CTKMarkupString::CreateString(u" ", 1);
  EXPECT_EQ(e1, e2);
  EXPECT_EQ(sp, sp2);
  for (CTKMarkupObject* o : std::vector<CTKMarkupObject*>{e1, e2, sp, sp2}) o->Release();
}

TEST_F(Registered, ValueEqualityAndHashing) {
  CTKMarkupString* a1 = Str(u"a");
  CTKMarkupString* a2 = Str(u"a");
  CTKMarkupString* A = Str(u"A");
  EXPECT_TRUE(a1->IsEqual(a2));
  EXPECT_EQ(a1->GetHashCode(), a2->GetHashCode());
  EXPECT_FALSE(a1->IsEqual(A));
  CTKMarkupInt i(97);
  EXPECT_FALSE(a1->IsEqual(&i));
  EXPECT_FALSE(i.IsEqual(a1));
  CTKMarkupEnum en(97);
  EXPECT_FALSE(i.IsEqual(&en)) << "equal values of different exact types differ";
  a1->Release();
  a2->Release();
  A->Release();
}

TEST_F(Registered, ValueTextForms) {
  struct IntCase {
    const char16_t* text;
    int value;
  } ints[] = {{u"12px", 12}, {u"abc", 0}, {u"  -7x", -7}, {u"+3", 3}, {u"99999999999", 2147483647}};
  for (const IntCase& c : ints) {
    CTKMarkupObject* r = From<CTKMarkupInt>(c.text);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(static_cast<CTKMarkupInt*>(r)->GetValue(), c.value) << std::string(c.text, c.text + 3);
    r->Release();
  }

  CTKMarkupObject* t = From<CTKMarkupBool>(u"TRUE");
  CTKMarkupBool* shared = CTKMarkupBool::CreateBool(TRUE);
  EXPECT_EQ(t, shared);
  t->Release();
  shared->Release();
  EXPECT_EQ(From<CTKMarkupBool>(u"yes"), nullptr);

  struct ColorCase {
    const char16_t* text;
    bool ok;
    DWORD value;
  } colors[] = {{u"#FF0000", true, 0xFF0000FF},
                {u"#80FF0000", true, 0x800000FF},
                {u"#F00", false, 0},
                {u"#GG0000", false, 0},
                {u"Transparent", true, 0x00FFFFFF},
                {u"navy", true, 0xFF800000},
                {u"GOLD", true, 0xFF00D7FF},
                {u"Grey", false, 0}};
  for (const ColorCase& c : colors) {
    CTKMarkupObject* r = From<CTKMarkupColor>(c.text);
    EXPECT_EQ(r != nullptr, c.ok);
    if (r) {
      EXPECT_EQ(static_cast<CTKMarkupColor*>(r)->GetValue(), c.value);
      r->Release();
    }
  }

  struct DoubleCase {
    const char16_t* text;
    bool ok;
    double value;
  } doubles[] = {{u"  -1.25 ", true, -1.25}, {u".5", true, 0.5}, {u"1e3", false, 0},
                 {u"1.2.3", false, 0},       {u".", false, 0},   {u"2 3", false, 0}};
  for (const DoubleCase& c : doubles) {
    CTKMarkupObject* r = From<CTKMarkupDouble>(c.text);
    EXPECT_EQ(r != nullptr, c.ok);
    if (r) {
      EXPECT_DOUBLE_EQ(static_cast<CTKMarkupDouble*>(r)->GetValue(), c.value);
      r->Release();
    }
  }

  struct ListCase {
    const char16_t* text;
    int count;  // -1: fails
  } lists[] = {{u"1,2 3", 3}, {u"", 0}, {u"1 ,2", -1}, {u"1..2", -1}, {u"-1.5, 2", 2}, {u"1,", 1}, {u",1", -1}};
  for (const ListCase& c : lists) {
    CTKMarkupObject* r = From<CTKMarkupDoubleCollection>(c.text);
    if (c.count < 0) {
      EXPECT_EQ(r, nullptr);
    } else {
      ASSERT_NE(r, nullptr);
      EXPECT_EQ(static_cast<CTKMarkupDoubleCollection*>(r)->GetCount(), c.count);
      r->Release();
    }
  }
  CTKMarkupObject* list = From<CTKMarkupDoubleCollection>(u"1,2");
  EXPECT_TRUE(ThrowsInvalidArg([&] { static_cast<CTKMarkupDoubleCollection*>(list)->GetAt(2); }));
  EXPECT_TRUE(ThrowsInvalidArg([&] { static_cast<CTKMarkupDoubleCollection*>(list)->GetAt(-1); }));
  list->Release();
}

TEST_F(Registered, SetValueNotifiesAndRefusesWrongTypes) {
  CRecorder* e = new CRecorder();
  CTKMarkupDependencyProperty* width = CTKMarkupFrameworkElement::m_pWidthProperty;

  // A wrong type is refused: nothing stored, nothing notified, caller keeps it.
  CTKMarkupString* s = Str(u"12");
  EXPECT_FALSE(e->SetValue(width, s));
  EXPECT_EQ(s->GetRefCount(), 1);
  s->Release();
  EXPECT_TRUE(e->changes.empty());

  // Null on an object without a value: no store, no notification.
  e->SetValue(width, nullptr);
  EXPECT_TRUE(e->changes.empty());

  // The same value object set twice notifies twice.
  CTKMarkupInt* v = new CTKMarkupInt(7);
  v->AddRef();  // one reference for each store, one kept here
  v->AddRef();
  e->SetValue(width, v);
  e->SetValue(width, v);
  ASSERT_EQ(e->changes.size(), 2u);
  EXPECT_EQ(e->changes[1].o, v);
  EXPECT_EQ(e->changes[1].n, v);
  v->Release();
  e->SetValue(width, nullptr);
  EXPECT_EQ(e->changes.size(), 3u);
  EXPECT_EQ(e->GetValue(width), nullptr);
  e->Release();
}

TEST_F(Registered, ChangesAnnounceTheValueReadersSeeAfterwards) {
  // A recording element under a panel that carries an inherited value: what
  // each change announces as the new value must be what GetValue answers
  // right after it (the stored value, or the inherited one once cleared).
  CRecorder* parent = new CRecorder();
  CRecorder* e = new CRecorder();
  e->SetLogicalParent(parent);
  CTKMarkupDependencyProperty* fontSize = CTKMarkupTextElement::m_pFontSizeProperty;
  CTKMarkupInt* inherited = new CTKMarkupInt(30);
  parent->SetValue(fontSize, inherited);
  struct Step {
    int value;  // 0 clears
    int announced;
  } steps[] = {{12, 12}, {0, 30}, {14, 14}, {15, 15}, {0, 30}};
  for (const Step& step : steps) {
    e->changes.clear();
    e->SetValue(fontSize, step.value ? new CTKMarkupInt(step.value) : nullptr);
    ASSERT_EQ(e->changes.size(), 1u) << step.value;
    EXPECT_EQ(e->changes[0].n, e->GetValue(fontSize)) << step.value;
    EXPECT_EQ(MarkupIntValue(e->changes[0].n, -1), step.announced) << step.value;
  }
  e->SetLogicalParent(nullptr);
  e->Release();
  parent->Release();
}

// Reads the old value while a change is announced.
class COldValueReader : public CTKMarkupFrameworkElement {
 public:
  void OnPropertyChanged(CTKMarkupDependencyProperty* p, CTKMarkupObject* o, CTKMarkupObject* n) override {
    if (CTKMarkupInt* old = MarkupDynamicCast<CTKMarkupInt>(o)) {
      oldValues.push_back(old->GetValue());
      oldRefs.push_back(old->GetRefCount());
    }
    CTKMarkupFrameworkElement::OnPropertyChanged(p, o, n);
  }
  std::vector<int> oldValues;
  std::vector<int> oldRefs;
};

TEST_F(Registered, OldValueIsAliveWhileItsReplacementIsAnnounced) {
  // The store holds the only reference to each value: replacing or clearing
  // it must keep the old one alive until every listener has seen it.
  COldValueReader* e = new COldValueReader();
  CTKMarkupDependencyProperty* width = CTKMarkupFrameworkElement::m_pWidthProperty;
  e->SetValue(width, new CTKMarkupInt(7));
  e->SetValue(width, new CTKMarkupInt(8));
  e->SetValue(width, nullptr);
  EXPECT_EQ(e->oldValues, (std::vector<int>{7, 8}));
  for (int refs : e->oldRefs) EXPECT_GE(refs, 1);
  e->Release();
}

TEST_F(Registered, InheritedValuesReachDescendantsThroughOtherClasses) {
  // Panel > Border > TextBlock > Run: FontSize (inherits) set on the panel is
  // read by the run and announced to every text element below the panel.
  CTKMarkupContext* ctx = MarkupCreateContext(nullptr);
  CTKMarkupInputElement* root = ctx->Parse(u"<StackPanel><Border><TextBlock>x</TextBlock></Border></StackPanel>");
  ASSERT_NE(root, nullptr);
  CTKMarkupBorder* border = static_cast<CTKMarkupBorder*>(static_cast<CTKMarkupPanel*>(root)->GetVisualChild(0));
  CTKMarkupTextBlock* tb = static_cast<CTKMarkupTextBlock*>(border->GetChild());
  CTKMarkupRun* run = static_cast<CTKMarkupRun*>(tb->GetInlines()->GetItem(0));
  CTKMarkupDependencyProperty* fontSize = CTKMarkupTextElement::m_pFontSizeProperty;
  EXPECT_EQ(run->GetValue(fontSize), nullptr);
  root->SetValue(fontSize, new CTKMarkupInt(20));
  ASSERT_NE(run->GetValue(fontSize), nullptr);
  EXPECT_EQ(static_cast<CTKMarkupInt*>(run->GetValue(fontSize))->GetValue(), 20);
  EXPECT_EQ(run->FindValueOwner(fontSize), root);
  // A non-inheriting property does not flow down.
  root->SetValue(CTKMarkupFrameworkElement::m_pTagProperty, Str(u"t"));
  EXPECT_EQ(run->GetValue(CTKMarkupFrameworkElement::m_pTagProperty), nullptr);
  root->Release();
  MarkupReleaseContext(ctx);
}

// A run that records the changes it is told about, with the values then.
class CRecordingRun : public CTKMarkupRun {
 public:
  void OnPropertyChanged(CTKMarkupDependencyProperty* p, CTKMarkupObject* o, CTKMarkupObject* n) override {
    auto value = [](CTKMarkupObject* x) {
      CTKMarkupInt* i = MarkupDynamicCast<CTKMarkupInt>(x);
      return i ? i->GetValue() : -1;
    };
    seen.push_back({p, value(o), value(n)});
    CTKMarkupRun::OnPropertyChanged(p, o, n);
  }
  struct Seen {
    CTKMarkupDependencyProperty* p;
    int o, n;  // -1: no value
    bool operator==(const Seen& x) const { return p == x.p && o == x.o && n == x.n; }
  };
  std::vector<Seen> seen;
};

TEST_F(Registered, InheritedChangesAreAnnouncedToTextElementsBelow) {
  // Panel > Border > TextBlock > run: each change of the panel's FontSize is
  // announced to the run with the old and the new value; a property that
  // does not inherit is not.
  CTKMarkupContext* ctx = MarkupCreateContext(nullptr);
  CTKMarkupInputElement* root = ctx->Parse(u"<StackPanel><Border><TextBlock/></Border></StackPanel>");
  ASSERT_NE(root, nullptr);
  CTKMarkupBorder* border = static_cast<CTKMarkupBorder*>(static_cast<CTKMarkupPanel*>(root)->GetVisualChild(0));
  CTKMarkupTextBlock* tb = static_cast<CTKMarkupTextBlock*>(border->GetChild());
  CRecordingRun* run = new CRecordingRun();
  ASSERT_TRUE(tb->GetInlines()->Add(run));
  CTKMarkupDependencyProperty* fontSize = CTKMarkupTextElement::m_pFontSizeProperty;
  run->seen.clear();
  root->SetValue(fontSize, new CTKMarkupInt(20));
  root->SetValue(fontSize, new CTKMarkupInt(24));
  root->SetValue(CTKMarkupFrameworkElement::m_pTagProperty, Str(u"t"));
  root->SetValue(fontSize, nullptr);
  using S = CRecordingRun::Seen;
  EXPECT_EQ(run->seen, (std::vector<S>{{fontSize, -1, 20}, {fontSize, 20, 24}, {fontSize, 24, -1}}));
  root->Release();
  MarkupReleaseContext(ctx);
}

TEST_F(Registered, CollectionsOwnTheirItems) {
  CTKMarkupCollection* c = new CTKMarkupRowDefinitionCollection();
  CTKMarkupObject* row = new CTKMarkupRowDefinition();
  CTKMarkupObject* col = new CTKMarkupColumnDefinition();
  EXPECT_TRUE(c->Add(row));
  EXPECT_FALSE(c->Add(col)) << "items of another type are ignored";
  EXPECT_EQ(row->GetLogicalParent(), c);
  row->AddRef();
  c->RemoveAt(0);
  EXPECT_EQ(row->GetLogicalParent(), nullptr);
  EXPECT_EQ(row->GetRefCount(), 1);
  EXPECT_TRUE(ThrowsInvalidArg([&] { c->GetItem(0); }));
  c->RemoveAt(5);  // ignored
  row->Release();
  col->Release();
  c->Release();
}

TEST_F(Registered, TypeTestsAgreeWithTheBaseChainForEveryPair) {
  int derived = 0;
  for (CTKMarkupType* a = CTKMarkupType::GetFirstType(); a; a = a->GetNextType())
    for (CTKMarkupType* b = CTKMarkupType::GetFirstType(); b; b = b->GetNextType()) {
      ASSERT_EQ(a->IsDerivedFromFast(b), a->IsDerivedFrom(b))
          << Narrow(a->GetClassName()) << " / " << Narrow(b->GetClassName());
      derived += a->IsDerivedFrom(b) ? 1 : 0;
    }
  EXPECT_GT(derived, 82) << "some types derive from others";
  CTKMarkupObject* button = CTKMarkupButton::CreateMarkupObject();
  EXPECT_TRUE(button->IsOfType(CTKMarkupContentControl::GetMarkupClass()));
  EXPECT_TRUE(button->IsOfType(CTKMarkupObject::GetMarkupClass()));
  EXPECT_FALSE(button->IsOfType(CTKMarkupTextBlock::GetMarkupClass()));
  EXPECT_FALSE(button->IsOfType(nullptr));
  button->Release();
}

TEST_F(Registered, PropertyStoresKeepAnyNumberOfValuesInIndexOrder) {
  // A store keeps its first values inline and the rest in a block of its
  // own: fill stores past that point in several orders, then overwrite and
  // clear, reading every property back after each step.
  static std::vector<CTKMarkupDependencyProperty*> probes = [] {
    std::vector<CTKMarkupDependencyProperty*> v;
    static const char16_t* names[] = {u"StoreProbe0", u"StoreProbe1", u"StoreProbe2", u"StoreProbe3",
                                      u"StoreProbe4", u"StoreProbe5", u"StoreProbe6", u"StoreProbe7",
                                      u"StoreProbe8", u"StoreProbe9", u"StoreProbe10"};
    for (const char16_t* n : names)
      v.push_back(CTKMarkupDependencyProperty::RegisterProperty(n, CTKMarkupInt::GetMarkupClass(),
                                                                CTKMarkupObject::GetMarkupClass()));
    return v;
  }();
  const int n = static_cast<int>(probes.size());
  std::vector<std::vector<int>> orders = {
      {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, {5, 0, 10, 3, 7, 1, 9, 2, 8, 4, 6}};
  for (const std::vector<int>& order : orders) {
    CTKMarkupProperties store(nullptr);
    std::vector<int> expected(n, -1);
    auto check = [&](const char* step) {
      for (int i = 0; i < n; i++) {
        CTKMarkupObject* v = store.Lookup(probes[i]);
        ASSERT_EQ(v ? static_cast<CTKMarkupInt*>(v)->GetValue() : -1, expected[i]) << step << ", property " << i;
      }
    };
    for (int i : order) {
      store.Set(probes[i], new CTKMarkupInt(100 + i));
      expected[i] = 100 + i;
      check("filling");
    }
    for (int i = 0; i < n; i += 3) {
      store.Set(probes[i], new CTKMarkupInt(200 + i));  // the old value is released
      expected[i] = 200 + i;
    }
    check("overwriting");
    for (int i = 1; i < n; i += 4) {
      store.Set(probes[i], nullptr);
      expected[i] = -1;
    }
    check("clearing");
    CTKMarkupProperties copy(nullptr);
    copy.CopyFrom(&store);
    for (int i = 0; i < n; i++) EXPECT_EQ(copy.Lookup(probes[i]), store.Lookup(probes[i]));
  }
}

TEST_F(Registered, StringsOfEveryLengthKeepTheirText) {
  // Short texts live in the object, longer ones in a block of their own.
  const std::u16string base = u"abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJ";
  for (int len : {0, 1, 2, 14, 15, 16, 17, 31, 32, 45}) {
    std::u16string text = base.substr(0, len);
    CTKMarkupString* a = new CTKMarkupString(text.c_str(), len);
    CTKMarkupString* b = CTKMarkupString::CreateString(text.c_str(), len);
    EXPECT_EQ(a->GetLength(), len);
    EXPECT_EQ(std::u16string(a->GetBuffer()), text) << "terminated after its text, length " << len;
    EXPECT_TRUE(a->IsEqual(b));
    EXPECT_EQ(a->GetHashCode(), b->GetHashCode());
    if (len > 0) {
      std::u16string other = text;
      other.back() = u'#';
      CTKMarkupString* c = CTKMarkupString::CreateString(other.c_str(), len);
      EXPECT_FALSE(a->IsEqual(c)) << "length " << len;
      c->Release();
    }
    a->Release();
    b->Release();
  }
}

TEST_F(Registered, TypeRegistryLookups) {
  EXPECT_EQ(CTKMarkupType::LookupTypeByTag(u"textblock"), nullptr);
  EXPECT_EQ(CTKMarkupType::LookupTypeByTag(u"TextBlock"), CTKMarkupTextBlock::GetMarkupClass());
  EXPECT_EQ(CTKMarkupType::LookupTypeByTag(u"ToggleButton"), nullptr);
  EXPECT_EQ(CTKMarkupType::LookupTypeByTag(u""), nullptr);

  CTKMarkupType* tb = CTKMarkupTextBlock::GetMarkupClass();
  EXPECT_EQ(CTKMarkupType::FindProperty(tb, u"x:Name"), CTKMarkupObject::m_pNameProperty);
  EXPECT_EQ(CTKMarkupType::FindProperty(tb, u"xName"), nullptr);
  EXPECT_EQ(CTKMarkupType::FindProperty(nullptr, u"Name"), nullptr);
  EXPECT_EQ(CTKMarkupType::FindProperty(tb, u"name"), nullptr) << "names are case-sensitive";
  EXPECT_EQ(CTKMarkupType::FindProperty(CTKMarkupGrid::GetMarkupClass(), u"Background"),
            CTKMarkupPanel::m_pBackgroundProperty);
  EXPECT_NE(CTKMarkupType::FindProperty(CTKMarkupBorder::GetMarkupClass(), u"Background"),
            CTKMarkupPanel::m_pBackgroundProperty);
  // Shared through AddOwner: one property object, one slot.
  EXPECT_EQ(CTKMarkupType::FindProperty(CTKMarkupButton::GetMarkupClass(), u"Background"),
            CTKMarkupPanel::m_pBackgroundProperty);
  EXPECT_EQ(CTKMarkupType::FindProperty(CTKMarkupTrigger::GetMarkupClass(), u"Value"),
            CTKMarkupSetter::m_pValueProperty);

  CTKMarkupString* s = Str(u"Button");
  CTKMarkupObject* t = CTKMarkupType::GetMarkupClass()->ConvertFrom(nullptr, s);
  EXPECT_EQ(t, CTKMarkupButton::GetMarkupClass());
  if (t) t->Release();
  s->Release();

  // Every descriptor: 82 of them, 47 writable tags, dense store indexes.
  int types = 0, tags = 0;
  for (CTKMarkupType* p = CTKMarkupType::GetFirstType(); p; p = p->GetNextType()) {
    types++;
    if (p->GetTagName() && p->GetTagName()[0]) tags++;
    EXPECT_TRUE(p->IsRegistered());
  }
  EXPECT_EQ(types, 82);
  EXPECT_EQ(tags, 47);
  EXPECT_EQ(CTKMarkupObject::m_pNameProperty->GetStoreIndex(), 0);
  EXPECT_EQ(CTKMarkupInputElement::m_pMouseEnterEvent->GetStoreIndex(), -1) << "events take no slot";
}

}  // namespace
