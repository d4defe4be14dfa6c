#include "platform/base/archive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archive_bytes.h"
#include "object_test_classes.h"
#include "platform/base/collections.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"

IMPLEMENT_SERIAL(CTestPoint, CObject, 1)
IMPLEMENT_SERIAL(CTestNode, CObject, 1)

void CTestPoint::Serialize(CArchive& ar) {
  if (ar.IsStoring()) ar << m_x << m_y;
  else ar >> m_x >> m_y;
}

void CTestNode::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_label << m_next;
  } else {
    ar >> m_label >> m_next;
  }
  m_children.Serialize(ar);
}

CTestNode::~CTestNode() {
  for (INT_PTR i = 0; i < m_children.GetSize(); ++i) delete m_children[i];
}

namespace {

using namespace archivetest;

Bytes Ascii(const char* s) { return Bytes(s, s + std::strlen(s)); }

}  // namespace

TEST(CArchiveStoredForms, TypedValuesAreLittleEndian) {
  Bytes got = Store([](CArchive& ar) {
    ar << static_cast<BYTE>(0x12) << static_cast<WORD>(0x3456) << static_cast<DWORD>(0x789ABCDEu)
       << static_cast<LONG>(-2) << static_cast<short>(-2) << 'A' << true << false << 1.0f << 1.0
       << static_cast<LONGLONG>(-1) << static_cast<ULONGLONG>(0x0102030405060708ull) << u'Z';
  });
  const Bytes want = {0x12, 0x56, 0x34, 0xDE, 0xBC, 0x9A, 0x78, 0xFE, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x41, 0x01, 0x00,
                      0x00, 0x00, 0x80, 0x3F, 0,    0,    0,    0,    0,    0,    0xF0, 0x3F, 0xFF, 0xFF, 0xFF, 0xFF,
                      0xFF, 0xFF, 0xFF, 0xFF, 8,    7,    6,    5,    4,    3,    2,    1,    0x5A, 0x00};
  EXPECT_EQ(got, want);

  Load(want, [](CArchive& ar) {
    BYTE b;
    WORD w;
    DWORD d;
    LONG l;
    short s;
    char c;
    bool t, f;
    float fl;
    double db;
    LONGLONG ll;
    ULONGLONG ull;
    char16_t wc;
    ar >> b >> w >> d >> l >> s >> c >> t >> f >> fl >> db >> ll >> ull >> wc;
    EXPECT_EQ(b, 0x12);
    EXPECT_EQ(w, 0x3456);
    EXPECT_EQ(d, 0x789ABCDEu);
    EXPECT_EQ(l, -2);
    EXPECT_EQ(s, -2);
    EXPECT_EQ(c, 'A');
    EXPECT_TRUE(t);
    EXPECT_FALSE(f);
    EXPECT_EQ(fl, 1.0f);
    EXPECT_EQ(db, 1.0);
    EXPECT_EQ(ll, -1);
    EXPECT_EQ(ull, 0x0102030405060708ull);
    EXPECT_EQ(wc, u'Z');
  });
}

TEST(CArchiveStoredForms, StringsAndCounts) {
  struct Case {
    int length;
    Bytes header;  // what precedes the characters
  };
  const Case strings[] = {
      {0, {0xFF, 0xFE, 0xFF, 0x00}},
      {2, {0xFF, 0xFE, 0xFF, 0x02}},
      {254, {0xFF, 0xFE, 0xFF, 0xFE}},
      {255, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
      {0xFFFD, {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
      {0xFFFE, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const Case& c : strings) {
    SCOPED_TRACE(c.length);
    std::u16string text(c.length, u'x');
    for (int i = 0; i < c.length; ++i) text[i] = static_cast<char16_t>(u'a' + i % 26);
    if (c.length > 3) text[3] = 0;  // embedded zero units survive
    CString s{std::u16string(text)};
    Bytes got = Store([&](CArchive& ar) { ar << s; });
    ASSERT_EQ(got.size(), c.header.size() + 2 * text.size());
    EXPECT_EQ(Bytes(got.begin(), got.begin() + c.header.size()), c.header);
    CString back;
    Load(got, [&](CArchive& ar) { ar >> back; });
    EXPECT_EQ(back.Str(), text);
  }
  EXPECT_EQ(Store([](CArchive& ar) { ar << CString(u"ab"); }), (Bytes{0xFF, 0xFE, 0xFF, 0x02, 0x61, 0x00, 0x62, 0x00}));
  // Character pointers are strings too (UTF-8 for narrow ones).
  EXPECT_EQ(Store([](CArchive& ar) { ar << u"ab" << "\xC3\xA9"; }),
            (Bytes{0xFF, 0xFE, 0xFF, 0x02, 0x61, 0x00, 0x62, 0x00, 0xFF, 0xFE, 0xFF, 0x01, 0xE9, 0x00}));

  // Narrow forms are read too (their bytes are UTF-8).
  struct Narrow {
    Bytes bytes;
    std::u16string text;
  };
  const Narrow narrow[] = {
      {{0x00}, u""},
      {{0x02, 'a', 'b'}, u"ab"},
      {{0x02, 0xC3, 0xA9}, u"\u00e9"},
      {Concat({{0xFF, 0x00, 0x01}, Bytes(256, 'q')}), std::u16string(256, u'q')},
      {Concat({{0xFF, 0xFF, 0xFF, 0x03, 0x00, 0x00, 0x00}, Ascii("xyz")}), u"xyz"},
  };
  for (const Narrow& n : narrow) {
    CString back(u"old");
    Load(n.bytes, [&](CArchive& ar) { ar >> back; });
    EXPECT_EQ(back.Str(), n.text);
  }

  struct Count {
    DWORD_PTR n;
    Bytes bytes;
  };
  const Count counts[] = {
      {0, {0x00, 0x00}},
      {0xFFFE, {0xFE, 0xFF}},
      {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {0x12345, {0xFF, 0xFF, 0x45, 0x23, 0x01, 0x00}},
      {0x100000000ull, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 1, 0, 0, 0}},
  };
  for (const Count& c : counts) {
    EXPECT_EQ(Store([&](CArchive& ar) { ar.WriteCount(c.n); }), c.bytes) << c.n;
    DWORD_PTR back = 0;
    Load(c.bytes, [&](CArchive& ar) { back = ar.ReadCount(); });
    EXPECT_EQ(back, c.n);
  }
}

TEST(CArchiveStoredForms, ClassAndObjectReferences) {
  CTestPoint p1(1, 2), p2(3, 4);
  Bytes got = Store([&](CArchive& ar) {
    ar << &p1;
    ar << &p1;  // already written: its number
    ar << static_cast<CObject*>(nullptr);
    ar << &p2;  // class already written: 0x8000 | class number
  });
  const Bytes want = Concat({{0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00},
                             Ascii("CTestPoint"),
                             {1, 0, 0, 0, 2, 0, 0, 0},
                             {0x02, 0x00},
                             {0x00, 0x00},
                             {0x01, 0x80, 3, 0, 0, 0, 4, 0, 0, 0}});
  EXPECT_EQ(got, want);

  Load(want, [](CArchive& ar) {
    CTestPoint *a = nullptr, *b = nullptr, *d = nullptr;
    CObject* c = reinterpret_cast<CObject*>(1);
    ar >> a >> b >> c >> d;
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);  // one object, read once
    EXPECT_EQ(c, nullptr);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(a->m_x, 1);
    EXPECT_EQ(a->m_y, 2);
    EXPECT_EQ(d->m_x, 3);
    EXPECT_EQ(d->m_y, 4);
    delete a;
    delete d;
  });

  // A versionable class writes the low word of its schema; WriteClass of
  // one class for many records gives 0x8001 after the first.
  Bytes classes = Store([](CArchive& ar) {
    for (int i = 0; i < 3; ++i) ar.WriteClass(RUNTIME_CLASS(CTestPuppy));
  });
  EXPECT_EQ(classes, Concat({{0xFF, 0xFF, 0x03, 0x00, 0x0A, 0x00}, Ascii("CTestPuppy"), {0x01, 0x80, 0x01, 0x80}}));

  // Classes numbered 0x7FFF and above use the long form.
  std::vector<CTestPoint> many(0x7FFF);
  Bytes big = Store([&](CArchive& ar) {
    for (auto& p : many) ar.MapObject(&p);
    ar.WriteClass(RUNTIME_CLASS(CTestPoint));
    ar.WriteClass(RUNTIME_CLASS(CTestPoint));
  });
  Bytes tail(big.end() - 6, big.end());
  EXPECT_EQ(tail, (Bytes{0xFF, 0x7F, 0x00, 0x80, 0x00, 0x80}));  // 0x7FFF, then 0x80000000 | 0x8000
  Load(big, [&](CArchive& ar) {
    for (auto& p : many) ar.MapObject(&p);
    EXPECT_EQ(ar.ReadClass(RUNTIME_CLASS(CTestPoint)), RUNTIME_CLASS(CTestPoint));
    EXPECT_EQ(ar.ReadClass(RUNTIME_CLASS(CTestPoint)), RUNTIME_CLASS(CTestPoint));
  });
}

TEST(CArchive, SchemasOfVersionableClasses) {
  // A schema-2 puppy (no age) is read by today's schema-3 class.
  Bytes old = Concat({{0xFF, 0xFF, 0x02, 0x00, 0x0A, 0x00}, Ascii("CTestPuppy"), {0x03, 'R', 'e', 'x'}});
  Load(old, [](CArchive& ar) {
    CTestPuppy* p = nullptr;
    ar >> p;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->m_loadedSchema, 2u);
    EXPECT_EQ(p->m_name, u"Rex");
    EXPECT_EQ(p->m_age, 0);
    EXPECT_EQ(ar.GetObjectSchema(), static_cast<UINT>(-1));
    delete p;
  });

  CTestPuppy pup;
  pup.m_name = u"Fido";
  pup.m_age = 4;
  Bytes now = Store([&](CArchive& ar) { ar << &pup; });
  Load(now, [](CArchive& ar) {
    CObject* o = ar.ReadObject(RUNTIME_CLASS(CTestAnimal));
    auto* p = DYNAMIC_DOWNCAST(CTestPuppy, o);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->m_loadedSchema, 3u);
    EXPECT_EQ(p->m_age, 4);
    delete o;
  });

  // SerializeClass leaves the stored schema for GetObjectSchema, once.
  Load(old, [](CArchive& ar) {
    ar.SerializeClass(RUNTIME_CLASS(CTestPuppy));
    EXPECT_EQ(ar.GetObjectSchema(), 2u);
    EXPECT_EQ(ar.GetObjectSchema(), static_cast<UINT>(-1));
  });
}

TEST(CArchive, CollectionsAndObjectGraphsRoundTrip) {
  CStringArray strings;
  strings.Add(u"one");
  strings.Add(u"");
  strings.Add(CString(u"\u4e2d\u6587"));
  CDWordArray dwords;
  dwords.SetSize(0x10000);
  for (INT_PTR i = 0; i < dwords.GetSize(); ++i) dwords[i] = static_cast<DWORD>(i * 3);
  CByteArray bytes;
  bytes.Add(1);
  bytes.Add(255);
  CStringList list;
  list.AddTail(u"a");
  list.AddTail(u"b");
  CMapStringToString map;
  map[u"k1"] = u"v1";
  map[u"k2"] = u"v2";
  CMap<int, int, double, double> numbers;
  numbers[7] = 0.5;
  numbers[-1] = 2.25;

  // A graph with a shared child and a cycle.
  auto* root = new CTestNode;
  auto* a = new CTestNode;
  auto* b = new CTestNode;
  root->m_label = u"root";
  a->m_label = u"a";
  b->m_label = u"b";
  a->m_next = b;
  b->m_next = a;
  root->m_next = root;
  root->m_children.Add(a);
  root->m_children.Add(b);

  Bytes data = Store(
      [&](CArchive& ar) {
        strings.Serialize(ar);
        dwords.Serialize(ar);
        bytes.Serialize(ar);
        list.Serialize(ar);
        map.Serialize(ar);
        numbers.Serialize(ar);
        ar << root;
      },
      128);
  delete root;

  Load(
      data,
      [&](CArchive& ar) {
        CStringArray s2;
        CDWordArray d2;
        CByteArray b2;
        CStringList l2;
        CMapStringToString m2;
        CMap<int, int, double, double> n2;
        s2.Serialize(ar);
        d2.Serialize(ar);
        b2.Serialize(ar);
        l2.Serialize(ar);
        m2.Serialize(ar);
        n2.Serialize(ar);
        ASSERT_EQ(s2.GetSize(), 3);
        EXPECT_EQ(s2[2], CString(u"\u4e2d\u6587"));
        EXPECT_EQ(s2[1], u"");
        ASSERT_EQ(d2.GetSize(), 0x10000);
        EXPECT_EQ(d2[0xFFFF], 0xFFFFu * 3);
        EXPECT_EQ(b2[1], 255);
        EXPECT_EQ(l2.GetTail(), u"b");
        CString v;
        EXPECT_TRUE(m2.Lookup(u"k2", v));
        EXPECT_EQ(v, u"v2");
        double dv = 0;
        EXPECT_TRUE(n2.Lookup(-1, dv));
        EXPECT_EQ(dv, 2.25);

        CTestNode* r = nullptr;
        ar >> r;
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->m_next, r);
        ASSERT_EQ(r->m_children.GetSize(), 2);
        auto* ra = static_cast<CTestNode*>(r->m_children[0]);
        auto* rb = static_cast<CTestNode*>(r->m_children[1]);
        EXPECT_EQ(ra->m_label, u"a");
        EXPECT_EQ(ra->m_next, rb);
        EXPECT_EQ(rb->m_next, ra);
        delete r;
      },
      128);
}

TEST(CArchive, TextLinesBuffersAndModes) {
  Bytes text = Store([](CArchive& ar) { ar.WriteString(u"line1\r\nline2\n\nlast"); });
  EXPECT_EQ(text.size(), 18u * 2);
  Load(text, [](CArchive& ar) {
    CString line;
    std::vector<std::u16string> lines;
    while (ar.ReadString(line)) lines.push_back(line.Str());
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"line1", u"line2", u"", u"last"}));
  });
  Load(text, [](CArchive& ar) {
    TCHAR buf[5];
    EXPECT_EQ(std::u16string(ar.ReadString(buf, 5)), u"line");
    EXPECT_EQ(std::u16string(ar.ReadString(buf, 5)), u"1\n");
  });

  // Closing a loading archive gives back the bytes it read ahead.
  Bytes values = Store([](CArchive& ar) {
    for (DWORD i = 0; i < 100; ++i) ar << i;
  });
  {
    CMemFile file(values.data(), static_cast<UINT>(values.size()));
    CArchive ar(&file, CArchive::load, 64);
    DWORD v;
    ar >> v >> v >> v;
    EXPECT_EQ(v, 2u);
    ar.Close();
    EXPECT_EQ(file.GetPosition(), 12u);
  }

  // Wrong direction.
  EXPECT_EQ(ArchiveCause([&] { Load(values, [](CArchive& ar) { ar << static_cast<DWORD>(1); }); }),
            CArchiveException::readOnly);
  EXPECT_EQ(ArchiveCause([] {
              Store([](CArchive& ar) {
                DWORD v;
                ar >> v;
              });
            }),
            CArchiveException::writeOnly);
  // Storing a class that cannot be read back is refused.
  EXPECT_EQ(ArchiveCause([] { Store([](CArchive& ar) { ar.WriteClass(RUNTIME_CLASS(CTestDog)); }); }), -2);
}

TEST(CArchive, CorruptOrTruncatedDataRaisesAndNeverOverreads) {
  Bytes point = Concat({{0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00}, Ascii("CTestPoint"), {1, 0, 0, 0, 2, 0, 0, 0}});
  struct Case {
    const char* what;
    Bytes bytes;
    int cause;
  };
  const Case objects[] = {
      {"empty", {}, CArchiveException::endOfFile},
      {"half a tag", {0xFF}, CArchiveException::endOfFile},
      {"truncated class name", Concat({{0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00}, Ascii("CTest")}),
       CArchiveException::endOfFile},
      {"truncated object", Bytes(point.begin(), point.end() - 3), CArchiveException::endOfFile},
      {"unknown class", Concat({{0xFF, 0xFF, 0x01, 0x00, 0x03, 0x00}, Ascii("Foo")}), CArchiveException::badClass},
      {"overlong class name", Concat({{0xFF, 0xFF, 0x01, 0x00, 0xC8, 0x00}, Bytes(200, 'A')}),
       CArchiveException::badClass},
      {"class that cannot be created", Concat({{0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x00}, Ascii("CTestDog")}),
       CArchiveException::badClass},
      {"class of another kind", Concat({{0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00}, Ascii("CTestPuppy"), {0x00}}),
       CArchiveException::badClass},
      {"schema of a non-versionable class", Concat({{0xFF, 0xFF, 0x05, 0x00, 0x0A, 0x00}, Ascii("CTestPoint")}),
       CArchiveException::badSchema},
      {"class number never given", {0x05, 0x80}, CArchiveException::badIndex},
      {"object number never given", {0x07, 0x00}, CArchiveException::badIndex},
      {"long class number never given", {0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF}, CArchiveException::badIndex},
      {"long object number never given", {0xFF, 0x7F, 0x00, 0x10, 0x00, 0x00}, CArchiveException::badIndex},
      {"object number naming a class", Concat({point, {0x01, 0x00}}), CArchiveException::badIndex},
  };
  for (const Case& c : objects) {
    SCOPED_TRACE(c.what);
    // Reads up to two objects of class CTestPoint; whatever was made is freed.
    int cause = ArchiveCause([&] {
      Load(c.bytes, [](CArchive& ar) {
        std::unique_ptr<CObject> first(ar.ReadObject(RUNTIME_CLASS(CTestPoint)));
        CObject* second = ar.ReadObject(RUNTIME_CLASS(CTestPoint));
        if (second != first.get()) delete second;
      });
    });
    EXPECT_EQ(cause, c.cause);
  }

  // Lying counts and lengths: the data ends long before the count, and
  // nothing near the claimed size is allocated.
  const Case containers[] = {
      {"dword array", {0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0}, CArchiveException::endOfFile},
      {"byte array, 64-bit count",
       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0x40, 1, 2},
       CArchiveException::endOfFile},
      {"string array",
       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFE, 0xFF, 0x01, 'a', 0},
       CArchiveException::endOfFile},
      {"string length",
       {0x02, 0x00, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0x7F, 'a', 0},
       CArchiveException::endOfFile},
      {"string length past any string",
       {0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 1, 0, 0, 0},
       CArchiveException::badIndex},
      {"object array", Concat({{0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01}, point}), CArchiveException::endOfFile},
      {"string list", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, CArchiveException::endOfFile},
      {"string map", {0x03, 0x00, 0x01, 'k', 0x01, 'v', 0x01}, CArchiveException::endOfFile},
  };
  for (const Case& c : containers) {
    SCOPED_TRACE(c.what);
    int cause = ArchiveCause([&] {
      Load(c.bytes, [&](CArchive& ar) {
        std::string what = c.what;
        if (what == "dword array") {
          CDWordArray a;
          a.Serialize(ar);
        } else if (what.rfind("byte array", 0) == 0) {
          CByteArray a;
          a.Serialize(ar);
        } else if (what.rfind("string length", 0) == 0 || what == "string array") {
          CStringArray a;
          a.Serialize(ar);
        } else if (what == "object array") {
          CObArray a;
          try {
            a.Serialize(ar);
          } catch (...) {
            // Objects read before the failure stay in the array: the caller frees them.
            for (INT_PTR i = 0; i < a.GetSize(); ++i) delete a[i];
            throw;
          }
        } else if (what == "string list") {
          CStringList l;
          l.Serialize(ar);
        } else {
          CMapStringToString m;
          m.Serialize(ar);
        }
      });
    });
    EXPECT_EQ(cause, c.cause);
  }
}

TEST(CArchive, DeeplyNestedObjectsAreRefusedBeforeTheStackRunsOut) {
  // Each node's Serialize reads the next node inside its own: a chain as
  // deep as the limit loads, one level more is refused.
  auto chain = [](UINT depth) {
    Bytes out = Concat({{0xFF, 0xFF, 0x01, 0x00, 0x09, 0x00}, Ascii("CTestNode"), {0x00}});
    for (UINT i = 1; i < depth; ++i) out.insert(out.end(), {0x01, 0x80, 0x00});  // label "", then next:
    out.insert(out.end(), {0x00, 0x00});                                         // the last next is NULL
    for (UINT i = 0; i < depth; ++i) out.insert(out.end(), {0x00, 0x00});        // empty child arrays
    return out;
  };
  // The narrow empty label is one byte 0x00; the next node follows it.
  Load(chain(CArchive::nMaxReadDepth), [](CArchive& ar) {
    CTestNode* head = nullptr;
    ar >> head;
    ASSERT_NE(head, nullptr);
    UINT depth = 0;
    for (CTestNode* n = head; n; n = n->m_next) ++depth;
    EXPECT_EQ(depth, CArchive::nMaxReadDepth);
    // Free the chain iteratively (the nodes do not own their next).
    while (head) {
      CTestNode* next = head->m_next;
      delete head;
      head = next;
    }
  });
  EXPECT_EQ(ArchiveCause([&] {
              Load(chain(CArchive::nMaxReadDepth + 1), [](CArchive& ar) {
                CObject* o = nullptr;
                ar >> o;
                delete o;
              });
            }),
            CArchiveException::genericException);
}

TEST(CArchive, MutatedDataLoadsOrRaisesButNeverCrashes) {
  CTestPoint points[5] = {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}};
  Bytes good = Store([&](CArchive& ar) {
    CStringArray strings;
    strings.Add(u"short");
    strings.Add(CString(std::u16string(300, u'w')));
    strings.Add(u"");
    strings.Serialize(ar);
    CObArray obs;
    for (int i = 0; i < 12; ++i) obs.Add(&points[i % 5]);  // repeated references
    obs.Add(nullptr);
    obs.Serialize(ar);
    CDWordArray dwords;
    for (DWORD i = 0; i < 40; ++i) dwords.Add(i);
    dwords.Serialize(ar);
    CMapStringToString map;
    for (int i = 0; i < 8; ++i) map[CString(std::u16string(1 + i, u'k'))] = u"value";
    map.Serialize(ar);
    ar << CString(u"tail") << static_cast<LONG>(42);
  });

  auto read = [](CArchive& ar) {
    CStringArray strings;
    strings.Serialize(ar);
    CObArray obs;
    try {
      obs.Serialize(ar);
      CDWordArray dwords;
      dwords.Serialize(ar);
      CMapStringToString map;
      map.Serialize(ar);
      CString tail;
      LONG n;
      ar >> tail >> n;
    } catch (...) {
      std::set<CObject*> unique(obs.GetData(), obs.GetData() + obs.GetSize());
      for (CObject* o : unique) delete o;
      throw;
    }
    std::set<CObject*> unique(obs.GetData(), obs.GetData() + obs.GetSize());
    for (CObject* o : unique) delete o;
  };
  Load(good, read);

  std::uint32_t seed = 2024;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  int loaded = 0, refused = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes bad = good;
    if (round % 5 == 0) {
      bad.resize(next() % bad.size());
    } else {
      for (int k = 1 + static_cast<int>(next() % 4); k > 0; --k) {
        size_t at = next() % bad.size();
        bad[at] = static_cast<BYTE>(round % 3 == 0 ? 0xFF : next());
      }
    }
    try {
      Load(bad, read);
      ++loaded;
    } catch (CException* e) {
      EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CArchiveException)))
          << "round " << round << ": " << e->GetRuntimeClass()->m_lpszClassName;
      e->Delete();
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(loaded, 0);
}
