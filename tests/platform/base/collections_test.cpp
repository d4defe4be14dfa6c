#include "platform/base/collections.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/base/exceptions.h"

namespace {

template <class Array>
std::vector<int> Items(const Array& a) {
  std::vector<int> out;
  for (INT_PTR i = 0; i < a.GetSize(); ++i) out.push_back(static_cast<int>(a[i]));
  return out;
}

// Counts live instances, to see that arrays construct and destroy exactly.
struct Tracked {
  static inline int live = 0;
  int value = 7;
  Tracked() { ++live; }
  Tracked(const Tracked& o) : value(o.value) { ++live; }
  Tracked& operator=(const Tracked&) = default;
  ~Tracked() { --live; }
};

void ExpectInvalidArg(const std::function<void()>& f) {
  try {
    f();
    ADD_FAILURE() << "no exception";
  } catch (CException* e) {
    EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CInvalidArgException)));
    e->Delete();
  }
}

}  // namespace

TEST(CArray, SetSizeZeroFillsConstructsAndShrinks) {
  CArray<int, int> a;
  a.SetSize(3);
  EXPECT_EQ(Items(a), (std::vector<int>{0, 0, 0}));
  a[1] = 5;
  a.SetSize(5, 2);
  EXPECT_EQ(Items(a), (std::vector<int>{0, 5, 0, 0, 0}));
  EXPECT_EQ(a.GetUpperBound(), 4);
  a.SetSize(2);
  EXPECT_EQ(Items(a), (std::vector<int>{0, 5}));
  a.SetSize(0);
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_EQ(a.GetData(), nullptr);  // size 0 frees the storage

  {
    CArray<Tracked> t;
    t.SetSize(10, 3);
    EXPECT_EQ(Tracked::live, 10);
    EXPECT_EQ(t[9].value, 7);
    for (int i = 0; i < 100; ++i) t.Add(Tracked());
    t.RemoveAt(0, 50);
    t.InsertAt(3, Tracked(), 4);
    EXPECT_EQ(Tracked::live, 64);
    t.SetSize(1);
    EXPECT_EQ(Tracked::live, 1);
    t.FreeExtra();
    EXPECT_EQ(Tracked::live, 1);
  }
  EXPECT_EQ(Tracked::live, 0);
}

TEST(CArray, EditingOperationsKeepOrder) {
  CArray<int, int> a;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(a.Add(i * 10), i);
  a.InsertAt(2, 99, 2);
  EXPECT_EQ(Items(a), (std::vector<int>{0, 10, 99, 99, 20, 30, 40}));
  a.RemoveAt(1, 3);
  EXPECT_EQ(Items(a), (std::vector<int>{0, 20, 30, 40}));
  a.InsertAt(6, 7);  // past the end: grows with zeros in between
  EXPECT_EQ(Items(a), (std::vector<int>{0, 20, 30, 40, 0, 0, 7}));
  a.SetAtGrow(8, 1);
  EXPECT_EQ(a.GetSize(), 9);
  EXPECT_EQ(a[7], 0);

  CArray<int, int> b;
  b.Add(-1);
  b.Add(-2);
  EXPECT_EQ(b.Append(a), 2);
  EXPECT_EQ(b.GetSize(), 11);
  b.InsertAt(1, &a);
  EXPECT_EQ(b.GetSize(), 20);
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(b[2], 20);
  EXPECT_EQ(b[10], -2);
  a.Copy(b);
  EXPECT_EQ(Items(a), Items(b));

  // Adding an element of the array itself while the storage moves.
  CArray<CString, const CString&> s;
  s.Add(CString(u"first"));
  for (int i = 0; i < 40; ++i) s.Add(s[0]);
  EXPECT_EQ(s[40], u"first");
}

TEST(CArray, BadIndexesRaiseInvalidArgument) {
  CArray<int, int> a;
  a.SetSize(2);
  ExpectInvalidArg([&] { (void)a[2]; });
  ExpectInvalidArg([&] { (void)a.GetAt(-1); });
  ExpectInvalidArg([&] { a.SetAt(5, 1); });
  ExpectInvalidArg([&] { a.RemoveAt(1, 2); });
  ExpectInvalidArg([&] { a.SetSize(-1); });
  ExpectInvalidArg([&] { a.InsertAt(-1, 0); });
  EXPECT_EQ(a.GetSize(), 2);
}

TEST(CList, PositionsWalkBothWaysAndEditInPlace) {
  CList<int, int> list;
  list.AddTail(2);
  list.AddTail(3);
  list.AddHead(1);
  POSITION p3 = list.Find(3);
  list.InsertBefore(p3, 25);
  list.InsertAfter(p3, 4);
  list.InsertAfter(nullptr, 5);   // NULL: at the tail
  list.InsertBefore(nullptr, 0);  // NULL: at the head

  std::vector<int> forward, backward;
  for (POSITION pos = list.GetHeadPosition(); pos;) forward.push_back(list.GetNext(pos));
  for (POSITION pos = list.GetTailPosition(); pos;) backward.push_back(list.GetPrev(pos));
  EXPECT_EQ(forward, (std::vector<int>{0, 1, 2, 25, 3, 4, 5}));
  EXPECT_EQ(backward, (std::vector<int>{5, 4, 3, 25, 2, 1, 0}));
  EXPECT_EQ(list.GetCount(), 7);

  EXPECT_EQ(list.GetAt(list.FindIndex(3)), 25);
  EXPECT_EQ(list.FindIndex(7), nullptr);
  EXPECT_EQ(list.FindIndex(-1), nullptr);
  list.SetAt(list.FindIndex(3), 26);
  EXPECT_EQ(list.Find(26, list.FindIndex(3)), nullptr);  // searches after the start
  EXPECT_EQ(list.Find(26), list.FindIndex(3));

  // Removing the element just visited while walking.
  for (POSITION pos = list.GetHeadPosition(); pos;) {
    POSITION cur = pos;
    if (list.GetNext(pos) % 2 == 0) list.RemoveAt(cur);
  }
  forward.clear();
  for (POSITION pos = list.GetHeadPosition(); pos;) forward.push_back(list.GetNext(pos));
  EXPECT_EQ(forward, (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(list.RemoveHead(), 1);
  EXPECT_EQ(list.RemoveTail(), 5);
  EXPECT_EQ(list.GetHead(), 3);
  EXPECT_EQ(list.GetTail(), 3);
  list.RemoveAll();
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.GetHeadPosition(), nullptr);
  ExpectInvalidArg([&] { list.RemoveHead(); });
  ExpectInvalidArg([&] { (void)list.GetTail(); });

  CStringList names;
  names.AddTail(u"b");
  names.AddHead(u"a");
  CStringList more;
  more.AddTail(u"x");
  more.AddTail(u"y");
  names.AddHead(&more);
  names.AddTail(&more);
  std::vector<std::u16string> got;
  for (POSITION pos = names.GetHeadPosition(); pos;) got.push_back(names.GetNext(pos).Str());
  EXPECT_EQ(got, (std::vector<std::u16string>{u"x", u"y", u"a", u"b", u"x", u"y"}));
  EXPECT_NE(names.Find(CString(u"b")), nullptr);
}

TEST(CMap, LookupSetRemoveAndIterationCoverEveryKey) {
  CMap<int, int, CString, const CString&> map;
  for (int i = 0; i < 1000; ++i) map.SetAt(i * 7, CString(std::u16string(1, static_cast<char16_t>(u'a' + i % 26))));
  EXPECT_EQ(map.GetCount(), 1000);
  map[7] = u"seven";
  EXPECT_EQ(map.GetCount(), 1000);
  CString value;
  EXPECT_TRUE(map.Lookup(7, value));
  EXPECT_EQ(value, u"seven");
  EXPECT_FALSE(map.Lookup(8, value));
  EXPECT_EQ(value, u"seven");  // untouched on a miss
  EXPECT_TRUE(map.RemoveKey(14));
  EXPECT_FALSE(map.RemoveKey(14));
  EXPECT_EQ(map.GetCount(), 999);

  std::set<int> seen;
  POSITION pos = map.GetStartPosition();
  while (pos) {
    int key;
    map.GetNextAssoc(pos, key, value);
    EXPECT_TRUE(seen.insert(key).second) << "key visited twice: " << key;
  }
  EXPECT_EQ(seen.size(), 999u);
  EXPECT_EQ(seen.count(14), 0u);

  // The key just returned may be removed before the next step.
  std::set<int> removed;
  pos = map.GetStartPosition();
  while (pos) {
    int key;
    map.GetNextAssoc(pos, key, value);
    if (key % 2 == 0) {
      EXPECT_TRUE(map.RemoveKey(key));
      removed.insert(key);
    }
  }
  EXPECT_EQ(map.GetCount(), static_cast<INT_PTR>(999 - removed.size()));
  for (int k : removed) EXPECT_FALSE(map.Lookup(k, value));
  int remaining = 0;
  for (const auto* pair = map.PGetFirstAssoc(); pair; pair = map.PGetNextAssoc(pair)) {
    EXPECT_EQ(pair->key % 2, 1);
    ++remaining;
  }
  EXPECT_EQ(remaining, map.GetCount());

  map.RemoveAll();
  EXPECT_EQ(map.GetStartPosition(), nullptr);
  EXPECT_FALSE(map.Lookup(7, value));
}

TEST(CMap, StringAndPointerKeyedMaps) {
  CMapStringToString s2s;
  s2s[u"Name"] = u"Alice";
  s2s.SetAt(u"name", u"lower");  // keys are case-sensitive
  s2s.SetAt(u"", u"empty key");
  CString v;
  EXPECT_TRUE(s2s.Lookup(u"Name", v));
  EXPECT_EQ(v, u"Alice");
  EXPECT_TRUE(s2s.Lookup(nullptr, v));  // a null key is the empty string
  EXPECT_EQ(v, u"empty key");
  EXPECT_EQ(s2s.GetCount(), 3);

  CMapStringToPtr s2p;
  int target = 0;
  s2p.SetAt(u"p", &target);
  void* p = nullptr;
  EXPECT_TRUE(s2p.Lookup(u"p", p));
  EXPECT_EQ(p, &target);

  CMapPtrToPtr p2p;
  int a = 0, b = 0;
  p2p[&a] = &b;
  EXPECT_TRUE(p2p.Lookup(&a, p));
  EXPECT_EQ(p, &b);
  EXPECT_FALSE(p2p.Lookup(&b, p));

  CMapWordToPtr w2p;
  w2p.SetAt(0xFFFF, &a);
  EXPECT_TRUE(w2p.Lookup(0xFFFF, p));

  CMapPtrToWord p2w;
  p2w.SetAt(&a, 42);
  WORD w = 0;
  EXPECT_TRUE(p2w.Lookup(&a, w));
  EXPECT_EQ(w, 42);

  // Keys passed by reference.
  CMap<CString, const CString&, int, int> byRef;
  byRef[CString(u"a")] = 1;
  byRef.SetAt(CString(u"b"), 2);
  int n = 0;
  EXPECT_TRUE(byRef.Lookup(CString(u"b"), n));
  EXPECT_EQ(n, 2);
  EXPECT_TRUE(byRef.RemoveKey(CString(u"a")));
  EXPECT_EQ(byRef.GetCount(), 1);

  p2p.InitHashTable(1000);
  EXPECT_GE(p2p.GetHashTableSize(), 1000u);
  EXPECT_TRUE(p2p.Lookup(&a, p));  // keys survive a new table
}

namespace {
class CShape : public CObject {
 public:
  explicit CShape(int n = 0) : sides(n) {}
  int sides;
};
}  // namespace

TEST(TypedPointerCollections, HandOutTheirPointerType) {
  CShape tri(3), square(4);
  CTypedPtrArray<CObArray, CShape*> arr;
  arr.Add(&tri);
  arr.Add(&square);
  EXPECT_EQ(arr[1]->sides, 4);
  arr[0] = &square;
  EXPECT_EQ(arr.GetAt(0), &square);
  CShape* const* data = arr.GetData();
  EXPECT_EQ(data[1], &square);

  CTypedPtrList<CPtrList, CShape*> list;
  list.AddTail(&tri);
  list.AddHead(&square);
  POSITION pos = list.GetHeadPosition();
  EXPECT_EQ(list.GetNext(pos)->sides, 4);
  EXPECT_EQ(list.GetNext(pos)->sides, 3);
  EXPECT_EQ(list.RemoveTail(), &tri);

  CTypedPtrMap<CMapStringToPtr, CString, CShape*> map;
  map.SetAt(u"tri", &tri);
  map[u"sq"] = &square;
  CShape* found = nullptr;
  EXPECT_TRUE(map.Lookup(u"sq", found));
  EXPECT_EQ(found, &square);
  int count = 0;
  for (POSITION p = map.GetStartPosition(); p;) {
    CString key;
    CShape* shape;
    map.GetNextAssoc(p, key, shape);
    EXPECT_EQ(key == u"tri" ? &tri : &square, shape);
    ++count;
  }
  EXPECT_EQ(count, 2);
}

TEST(FixedCollections, HaveTheirRunTimeClasses) {
  struct Case {
    CObject* object;
    const char* name;
    bool serializable;
  };
  CByteArray bytes;
  CWordArray words;
  CDWordArray dwords;
  CUIntArray uints;
  CPtrArray ptrs;
  CObArray obs;
  CStringArray strings;
  CPtrList ptrList;
  CObList obList;
  CStringList stringList;
  CMapWordToPtr w2p;
  CMapPtrToWord p2w;
  CMapPtrToPtr p2p;
  CMapWordToOb w2o;
  CMapStringToPtr s2p;
  CMapStringToOb s2o;
  CMapStringToString s2s;
  const Case cases[] = {
      {&bytes, "CByteArray", true},       {&words, "CWordArray", true},       {&dwords, "CDWordArray", true},
      {&uints, "CUIntArray", false},      {&ptrs, "CPtrArray", false},        {&obs, "CObArray", true},
      {&strings, "CStringArray", true},   {&ptrList, "CPtrList", false},      {&obList, "CObList", true},
      {&stringList, "CStringList", true}, {&w2p, "CMapWordToPtr", false},     {&p2w, "CMapPtrToWord", false},
      {&p2p, "CMapPtrToPtr", false},      {&w2o, "CMapWordToOb", true},       {&s2p, "CMapStringToPtr", false},
      {&s2o, "CMapStringToOb", true},     {&s2s, "CMapStringToString", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_STREQ(c.object->GetRuntimeClass()->m_lpszClassName, c.name);
    EXPECT_EQ(CRuntimeClass::FromName(c.name), c.object->GetRuntimeClass());
    EXPECT_EQ(c.object->IsSerializable() != FALSE, c.serializable);
    EXPECT_TRUE(c.object->IsKindOf(RUNTIME_CLASS(CObject)));
  }
  strings.Add(u"text");
  strings.Add(CString(u"more"));
  EXPECT_EQ(strings.GetSize(), 2);
}
