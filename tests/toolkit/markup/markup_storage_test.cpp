// Where markup objects keep what they own: property values in the object's
// own room and then in a block that grows, collection items inline and
// then in a block, and the lifetimes of values, items and children when
// stores shrink, items move and trees are released while held from outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markuptext.h"

namespace {

struct Storage : ::testing::Test {
  static void SetUpTestSuite() { CTKMarkupType::RegisterAllTypes(); }
  void SetUp() override { CountedValue::live = 0; }
  void TearDown() override { EXPECT_EQ(CountedValue::live, 0) << "values leaked or released twice"; }

  // A value that counts the instances alive, so a store that loses or
  // double-releases one is seen.
  struct CountedValue : CTKMarkupInt {
    static int live;
    explicit CountedValue(int n) : CTKMarkupInt(n) { live++; }
    ~CountedValue() override { live--; }
  };

  // Properties that no class reacts to, any value allowed.
  static const std::vector<CTKMarkupDependencyProperty*>& Probes() {
    static std::vector<CTKMarkupDependencyProperty*> probes = [] {
      std::vector<CTKMarkupDependencyProperty*> v;
      static const char16_t* names[] = {u"SlotProbe0", u"SlotProbe1", u"SlotProbe2",  u"SlotProbe3",
                                        u"SlotProbe4", u"SlotProbe5", u"SlotProbe6",  u"SlotProbe7",
                                        u"SlotProbe8", u"SlotProbe9", u"SlotProbe10", u"SlotProbe11"};
      for (const char16_t* n : names)
        v.push_back(CTKMarkupDependencyProperty::RegisterProperty(n, CTKMarkupObject::GetMarkupClass(),
                                                                  CTKMarkupObject::GetMarkupClass()));
      return v;
    }();
    return probes;
  }
};
int Storage::CountedValue::live = 0;

// An element that hears every change, so its sets take the notifying path.
class CListeningElement : public CTKMarkupFrameworkElement {
 public:
  bool ChangesGoUnseen(CTKMarkupDependencyProperty*) const override { return false; }
};

// One kind of store: how to make its owner, set a value and read it back.
struct StoreKind {
  const char* name;
  std::function<CTKMarkupObject*()> make;
  // The object whose store holds the values; the expected logical parent of
  // stored values (null for a store of its own without an owner).
  bool valuesParented;
  std::function<void(CTKMarkupObject*, CTKMarkupDependencyProperty*, CTKMarkupObject*)> set;
  std::function<CTKMarkupObject*(CTKMarkupObject*, CTKMarkupDependencyProperty*)> get;
};

std::vector<StoreKind> StoreKinds() {
  auto setValue = [](CTKMarkupObject* o, CTKMarkupDependencyProperty* p, CTKMarkupObject* v) {
    ASSERT_TRUE(o->SetValue(p, v));
  };
  auto getValue = [](CTKMarkupObject* o, CTKMarkupDependencyProperty* p) { return o->GetStoredValue(p); };
  return {
      {"element being built", [] { return new CTKMarkupBorder(); }, true, setValue, getValue},
      {"element that listens", [] { return new CListeningElement(); }, true, setValue, getValue},
      {"object without room of its own", [] { return new CTKMarkupObject(); }, true, setValue, getValue},
      {"store of its own", [] { return new CTKMarkupProperties(nullptr); }, false,
       [](CTKMarkupObject* o, CTKMarkupDependencyProperty* p, CTKMarkupObject* v) {
         static_cast<CTKMarkupProperties*>(o)->Set(p, v);
       },
       [](CTKMarkupObject* o, CTKMarkupDependencyProperty* p) {
         return static_cast<CTKMarkupProperties*>(o)->Lookup(p);
       }},
  };
}

TEST_F(Storage, StoresGrowPastTheirRoomShrinkAndGrowAgain) {
  const std::vector<CTKMarkupDependencyProperty*>& probes = Probes();
  const int n = static_cast<int>(probes.size());
  const std::vector<std::vector<int>> orders = {
      {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
      {11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0},
      {5, 0, 11, 3, 7, 1, 9, 2, 8, 4, 10, 6},
  };
  for (const StoreKind& kind : StoreKinds()) {
    for (const std::vector<int>& order : orders) {
      SCOPED_TRACE(std::string(kind.name) + ", order starting " + std::to_string(order[0]));
      CTKMarkupObject* owner = kind.make();
      std::vector<CTKMarkupObject*> expected(n, nullptr);
      // Every value reads back, is parented to the owner and held once (by
      // the store; the check holds its own reference while it looks).
      auto check = [&](const char* step) {
        int stored = 0;
        for (int i = 0; i < n; i++) {
          CTKMarkupObject* v = kind.get(owner, probes[i]);
          ASSERT_EQ(v, expected[i]) << step << ", property " << i;
          if (!v) continue;
          stored++;
          EXPECT_EQ(v->GetRefCount(), 1) << step << ", property " << i;
          EXPECT_EQ(v->GetLogicalParent(), kind.valuesParented ? owner : nullptr) << step << ", property " << i;
        }
        ASSERT_EQ(Storage::CountedValue::live, stored) << step;
      };
      for (int i : order) {
        expected[i] = new CountedValue(100 + i);
        kind.set(owner, probes[i], expected[i]);
        check("filling");
      }
      for (int i = 0; i < n; i += 3) {
        expected[i] = new CountedValue(200 + i);  // the old value is released
        kind.set(owner, probes[i], expected[i]);
      }
      check("overwriting");
      // Shrink below the room the owner started with, then grow again.
      for (int i : order) {
        if (i % 4 == 3) continue;
        CTKMarkupObject* v = expected[i];
        v->AddRef();
        kind.set(owner, probes[i], nullptr);
        expected[i] = nullptr;
        EXPECT_EQ(v->GetLogicalParent(), nullptr) << "a cleared value is no longer the owner's";
        EXPECT_EQ(v->Release(), 0) << "the store let go of the cleared value";
      }
      check("clearing");
      EXPECT_EQ(owner->GetStoredValueCount(), 3) << "cleared properties leave the store";
      for (int i : order) {
        if (expected[i]) continue;
        expected[i] = new CountedValue(300 + i);
        kind.set(owner, probes[i], expected[i]);
      }
      check("filling again");
      owner->Release();
      EXPECT_EQ(Storage::CountedValue::live, 0) << "the owner's release releases every value";
    }
  }
}

TEST_F(Storage, CopiedStoresHoldTheirOwnReferences) {
  const std::vector<CTKMarkupDependencyProperty*>& probes = Probes();
  for (int count : {0, 1, 4, 5, 12}) {
    SCOPED_TRACE(count);
    CTKMarkupProperties* from = new CTKMarkupProperties(nullptr);
    for (int i = 0; i < count; i++) from->Set(probes[i], new CountedValue(i));
    CTKMarkupProperties* to = new CTKMarkupProperties(nullptr);
    to->Set(probes[0], new CountedValue(-1));  // replaced by the copy
    to->CopyFrom(from);
    EXPECT_EQ(to->GetCount(), std::max(count, 1));
    for (int i = 0; i < count; i++) {
      EXPECT_EQ(to->Lookup(probes[i]), from->Lookup(probes[i]));
      EXPECT_EQ(to->Lookup(probes[i])->GetRefCount(), 2);
    }
    from->Release();
    for (int i = 0; i < count; i++)
      EXPECT_EQ(static_cast<CTKMarkupInt*>(to->Lookup(probes[i]))->GetValue(), i) << "still alive in the copy";
    to->Release();
  }
}

TEST_F(Storage, AValueMovedBetweenOwnersKeepsItsNewParent) {
  CTKMarkupDependencyProperty* p = Probes()[0];
  for (const StoreKind& kind : StoreKinds()) {
    if (!kind.valuesParented) continue;
    SCOPED_TRACE(kind.name);
    CTKMarkupObject* a = kind.make();
    CTKMarkupObject* b = kind.make();
    CTKMarkupObject* rows = new CTKMarkupRowDefinitionCollection();
    kind.set(a, p, rows);
    rows->AddRef();
    kind.set(b, p, rows);
    EXPECT_EQ(rows->GetLogicalParent(), b);
    kind.set(a, p, nullptr);  // a lets go; b still holds it as its child
    EXPECT_EQ(rows->GetLogicalParent(), b);
    EXPECT_EQ(rows->GetRefCount(), 1);
    rows->AddRef();
    b->Release();
    EXPECT_EQ(rows->GetLogicalParent(), nullptr) << "the releasing owner takes its parent away";
    EXPECT_EQ(rows->Release(), 0);
    a->Release();
  }
}

// A value released with its store may clear other values of that store on
// its way out (a trigger's values undoing one another): every value is
// still released exactly once.
TEST_F(Storage, ValuesReleasedWithTheirStoreMayClearItsOtherValues) {
  struct Clearing : CountedValue {
    CTKMarkupProperties* pStore = nullptr;
    CTKMarkupDependencyProperty* pOther = nullptr;
    explicit Clearing(int n) : CountedValue(n) {}
    ~Clearing() override {
      if (pOther) pStore->Set(pOther, nullptr);
    }
  };
  const std::vector<CTKMarkupDependencyProperty*>& probes = Probes();
  // Which value clears which: later ones, earlier ones, itself.
  const std::vector<std::vector<std::pair<int, int>>> plans = {
      {{0, 1}, {2, 3}},
      {{1, 0}, {3, 2}, {5, 4}},
      {{0, 5}, {5, 0}, {2, 2}},
      {{0, 7}, {1, 6}, {2, 5}, {3, 4}},
  };
  for (size_t k = 0; k < plans.size(); k++) {
    SCOPED_TRACE(k);
    CTKMarkupProperties* store = new CTKMarkupProperties(nullptr);
    std::vector<Clearing*> values;
    for (int i = 0; i < 8; i++) {
      values.push_back(new Clearing(i));
      values.back()->pStore = store;
      store->Set(probes[i], values.back());
    }
    for (const auto& [from, other] : plans[k]) values[from]->pOther = probes[other];
    store->Release();
    EXPECT_EQ(Storage::CountedValue::live, 0);
  }
}

// Collections: a model vector beside the collection, through inserts at
// either end and in the middle, removals and emptying, past the items the
// collection holds in itself.
TEST_F(Storage, CollectionsKeepTheirItemsInOrderPastTheirInlineRoom) {
  struct Step {
    char op;  // 'i' insert at pos (-1 appends), 'r' remove at pos, 'a' remove all
    int pos;
  };
  const std::vector<std::pair<const char*, std::vector<Step>>> scripts = {
      {"appending past the room",
       {{'i', -1},
        {'i', -1},
        {'i', -1},
        {'i', -1},
        {'i', -1},
        {'i', -1},
        {'i', -1},
        {'i', -1},
        {'i', -1},
        {'r', 8},
        {'r', 0},
        {'r', 3}}},
      {"inserting at the front", {{'i', 0}, {'i', 0}, {'i', 0}, {'i', 0}, {'i', 0}, {'i', 2}, {'r', 1}, {'i', 9}}},
      {"emptying inline and refilling", {{'i', -1}, {'i', -1}, {'i', 1}, {'a', 0}, {'i', -1}, {'i', 0}}},
      {"emptying a block and refilling",
       {{'i', -1},
        {'i', -1},
        {'i', -1},
        {'i', -1},
        {'i', -1},
        {'i', 2},
        {'a', 0},
        {'i', -1},
        {'i', -1},
        {'i', -1},
        {'i', -1},
        {'i', -1},
        {'r', 4}}},
  };
  for (const auto& [name, steps] : scripts) {
    SCOPED_TRACE(name);
    CTKMarkupCollection* c = new CTKMarkupCollection();
    std::vector<CTKMarkupObject*> model;
    int next = 0;
    for (const Step& s : steps) {
      if (s.op == 'i') {
        CTKMarkupObject* item = new CountedValue(next++);
        ASSERT_TRUE(c->Insert(s.pos, item));
        int at = s.pos < 0 || s.pos > static_cast<int>(model.size()) ? static_cast<int>(model.size()) : s.pos;
        model.insert(model.begin() + at, item);
      } else if (s.op == 'r') {
        CTKMarkupObject* item = model[s.pos];
        item->AddRef();
        c->RemoveAt(s.pos);
        model.erase(model.begin() + s.pos);
        EXPECT_EQ(item->GetLogicalParent(), nullptr);
        EXPECT_EQ(item->Release(), 0) << "the collection let go of the removed item";
      } else {
        c->RemoveAll();
        model.clear();
      }
      ASSERT_EQ(c->GetCount(), static_cast<int>(model.size()));
      for (int i = 0; i < c->GetCount(); i++) {
        ASSERT_EQ(c->GetItem(i), model[i]) << "item " << i;
        ASSERT_EQ(c->GetLogicalChild(i), model[i]);
        EXPECT_EQ(model[i]->GetLogicalParent(), c);
        EXPECT_EQ(model[i]->GetRefCount(), 1);
      }
      ASSERT_EQ(Storage::CountedValue::live, static_cast<int>(model.size()));
    }
    c->Release();
  }
}

TEST_F(Storage, ItemsMovedBetweenCollectionsBelongToTheirNewOne) {
  for (int count : {1, 4, 5, 9}) {
    SCOPED_TRACE(count);
    CTKMarkupCollection* from = new CTKMarkupCollection();
    CTKMarkupCollection* to = new CTKMarkupCollection();
    std::vector<CTKMarkupObject*> items;
    for (int i = 0; i < count; i++) {
      items.push_back(new CountedValue(i));
      from->Add(items.back());
    }
    // Last to first, so each move takes the collection's last item.
    while (from->GetCount() > 0) {
      CTKMarkupObject* item = from->GetItem(from->GetCount() - 1);
      item->AddRef();
      from->RemoveAt(from->GetCount() - 1);
      to->Insert(0, item);
    }
    ASSERT_EQ(to->GetCount(), count);
    for (int i = 0; i < count; i++) {
      EXPECT_EQ(to->GetItem(i), items[i]);
      EXPECT_EQ(items[i]->GetLogicalParent(), to);
    }
    from->Release();
    EXPECT_EQ(Storage::CountedValue::live, count) << "the emptied collection releases nothing it gave away";
    to->Release();
  }
}

// Emptying a collection lets an item's release see the collection already
// empty, and a collection released last takes every item with it.
TEST_F(Storage, ReleasingItemsMayLookBackAtTheirCollection) {
  struct Watcher : CTKMarkupObject {
    CTKMarkupCollection* pWatched = nullptr;
    std::vector<int>* pSeen = nullptr;
    ~Watcher() override { pSeen->push_back(pWatched->GetCount()); }
  };
  for (int count : {3, 7}) {
    std::vector<int> seen;
    CTKMarkupCollection* c = new CTKMarkupCollection();
    for (int i = 0; i < count; i++) {
      Watcher* w = new Watcher();
      w->pWatched = c;
      w->pSeen = &seen;
      c->Add(w);
    }
    c->RemoveAll();
    EXPECT_EQ(seen, std::vector<int>(count, 0)) << count;
    EXPECT_EQ(c->GetCount(), 0);
    c->Release();
  }
}

// A tree released while something outside still holds one of its parts:
// the held part lives on, detached, with what it owns.
TEST_F(Storage, TreeReleasedWhileAPartIsHeldFromOutside) {
  const char16_t* text =
      u"<Border Margin='1,2,3,4'><StackPanel Orientation='Horizontal'>"
      u"<TextBlock Text='held' Width='40' Height='12' MinWidth='3' MaxWidth='90'/>"
      u"<Button Content='OK' Width='40'/><Button Content='A'/><Button Content='B'/><Button Content='C'/>"
      u"<Button Content='D'/></StackPanel></Border>";
  enum Held { kTextBlock, kPanelChildren, kPanel };
  for (Held held : {kTextBlock, kPanelChildren, kPanel}) {
    SCOPED_TRACE(static_cast<int>(held));
    CTKMarkupContext* ctx = MarkupCreateContext(nullptr);
    CTKMarkupInputElement* root = ctx->Parse(text);
    ASSERT_NE(root, nullptr) << "the markup builds";
    CTKMarkupBorder* border = MarkupDynamicCast<CTKMarkupBorder>(root);
    ASSERT_NE(border, nullptr);
    CTKMarkupStackPanel* panel = MarkupDynamicCast<CTKMarkupStackPanel>(border->GetChild());
    ASSERT_NE(panel, nullptr);
    ASSERT_EQ(panel->GetChildren()->GetCount(), 6) << "more children than the collection holds in itself";
    CTKMarkupTextBlock* block = MarkupDynamicCast<CTKMarkupTextBlock>(panel->GetChildren()->GetItem(0));
    ASSERT_NE(block, nullptr);
    ASSERT_GE(block->GetStoredValueCount(), 5) << "more values than an element holds in itself";

    CTKMarkupObject* pHeld = held == kTextBlock       ? static_cast<CTKMarkupObject*>(block)
                             : held == kPanelChildren ? static_cast<CTKMarkupObject*>(panel->GetChildren())
                                                      : static_cast<CTKMarkupObject*>(panel);
    pHeld->AddRef();
    MarkupReleaseElement(root);
    EXPECT_EQ(pHeld->GetRefCount(), 1);
    EXPECT_EQ(pHeld->GetLogicalParent(), nullptr) << "the released parent let go of it";
    // What the held part owns is still there (ASan reports any block freed
    // with the rest of the tree).
    if (held == kPanelChildren) {
      CTKMarkupCollection* children = static_cast<CTKMarkupCollection*>(pHeld);
      ASSERT_EQ(children->GetCount(), 6);
      for (int i = 0; i < 6; i++) EXPECT_EQ(children->GetItem(i)->GetLogicalParent(), children);
      block = MarkupDynamicCast<CTKMarkupTextBlock>(children->GetItem(0));
    } else if (held == kPanel) {
      EXPECT_EQ(panel->GetChildren()->GetCount(), 6);
      EXPECT_EQ(panel->GetChildren()->GetLogicalParent(), panel);
    }
    ASSERT_NE(block, nullptr);
    CTKMarkupObject* width = block->GetStoredValue(CTKMarkupFrameworkElement::m_pWidthProperty);
    ASSERT_NE(width, nullptr);
    EXPECT_EQ(width->GetLogicalParent(), block);
    EXPECT_EQ(MarkupIntValue(block->GetValue(CTKMarkupFrameworkElement::m_pMaxWidthProperty), -1), 90);
    pHeld->Release();
    MarkupReleaseContext(ctx);
  }
}

}  // namespace
