// Classes shared by the object and archive tests.
#pragma once

#include "platform/base/archive.h"
#include "platform/base/collections.h"
#include "platform/base/object.h"

class CTestAnimal : public CObject {
  DECLARE_DYNAMIC(CTestAnimal)
 public:
  CString m_name;
};

class CTestDog : public CTestAnimal {
  DECLARE_DYNCREATE(CTestDog)
};

// Versionable: schema 3 now; it also reads the schema-2 form (no age).
class CTestPuppy : public CTestDog {
  DECLARE_SERIAL(CTestPuppy)
 public:
  int m_age = 0;
  UINT m_loadedSchema = 0;
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << m_name << m_age;
    } else {
      m_loadedSchema = ar.GetObjectSchema();
      ar >> m_name;
      if (m_loadedSchema >= 3) ar >> m_age;
    }
  }
};

// Defined in archive_test.cpp; not versionable.
class CTestPoint : public CObject {
  DECLARE_SERIAL(CTestPoint)
 public:
  CTestPoint() = default;
  CTestPoint(int x, int y) : m_x(x), m_y(y) {}
  void Serialize(CArchive& ar) override;
  LONG m_x = 0, m_y = 0;
};

// A node that refers to other objects (shared and cyclic references).
class CTestNode : public CObject {
  DECLARE_SERIAL(CTestNode)
 public:
  void Serialize(CArchive& ar) override;
  CString m_label;
  CTestNode* m_next = nullptr;  // not owned
  CObArray m_children;          // owned
  ~CTestNode() override;
};
