#include "platform/base/object.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/cmdtarget.h"
#include "platform/base/exceptions.h"
#include "object_test_classes.h"

// ---- classes of this file ----------------------------------------------------------------
IMPLEMENT_DYNAMIC(CTestAnimal, CObject)
IMPLEMENT_DYNCREATE(CTestDog, CTestAnimal)
IMPLEMENT_SERIAL(CTestPuppy, CTestDog, 3 | VERSIONABLE_SCHEMA)

namespace {
// Looked up while this file's statics are being initialised: the class
// lives in another file whose initialisers may not have run yet.
CRuntimeClass* const g_foundDuringStaticInit = CRuntimeClass::FromName("CTestPoint");
}  // namespace

TEST(RuntimeClass, LookupByNameFindsEveryLinkedClass) {
  EXPECT_EQ(g_foundDuringStaticInit, RUNTIME_CLASS(CTestPoint));
  struct Case {
    const char* name;
    CRuntimeClass* cls;
  };
  const Case cases[] = {
      {"CObject", RUNTIME_CLASS(CObject)},
      {"CTestAnimal", RUNTIME_CLASS(CTestAnimal)},
      {"CTestDog", RUNTIME_CLASS(CTestDog)},
      {"CTestPuppy", RUNTIME_CLASS(CTestPuppy)},
      {"CTestPoint", RUNTIME_CLASS(CTestPoint)},
      {"CCmdTarget", RUNTIME_CLASS(CCmdTarget)},
      {"CFileException", RUNTIME_CLASS(CFileException)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CRuntimeClass::FromName(c.name), c.cls) << c.name;
    EXPECT_STREQ(c.cls->m_lpszClassName, c.name);
  }
  EXPECT_EQ(CRuntimeClass::FromName(u"CTestDog"), RUNTIME_CLASS(CTestDog));
  for (const char* unknown : {"", "ctestdog", "CTestDo", "CTestDogX"})
    EXPECT_EQ(CRuntimeClass::FromName(unknown), nullptr) << unknown;
  EXPECT_EQ(CRuntimeClass::FromName(static_cast<LPCSTR>(nullptr)), nullptr);

  EXPECT_EQ(RUNTIME_CLASS(CTestPuppy)->m_wSchema, 3u | VERSIONABLE_SCHEMA);
  EXPECT_EQ(RUNTIME_CLASS(CTestDog)->m_wSchema, 0xFFFFu);
  EXPECT_EQ(RUNTIME_CLASS(CTestPuppy)->m_nObjectSize, static_cast<int>(sizeof(CTestPuppy)));
  EXPECT_EQ(RUNTIME_CLASS(CTestPuppy)->m_pBaseClass, RUNTIME_CLASS(CTestDog));
}

TEST(RuntimeClass, DynamicCreationAndKindChains) {
  struct Case {
    const char* name;
    bool creatable;
  };
  for (const Case& c : {Case{"CTestAnimal", false}, Case{"CTestDog", true}, Case{"CTestPuppy", true},
                        Case{"CTestPoint", true}, Case{"CObject", false}}) {
    CObject* obj = CRuntimeClass::CreateObject(c.name);
    EXPECT_EQ(obj != nullptr, c.creatable) << c.name;
    if (obj) {
      EXPECT_STREQ(obj->GetRuntimeClass()->m_lpszClassName, c.name);
      delete obj;
    }
  }
  EXPECT_EQ(CRuntimeClass::CreateObject("NoSuchClass"), nullptr);

  CTestPuppy puppy;
  CTestDog dog;
  CObject* asObject = &puppy;
  EXPECT_TRUE(asObject->IsKindOf(RUNTIME_CLASS(CTestPuppy)));
  EXPECT_TRUE(asObject->IsKindOf(RUNTIME_CLASS(CTestDog)));
  EXPECT_TRUE(asObject->IsKindOf(RUNTIME_CLASS(CTestAnimal)));
  EXPECT_TRUE(asObject->IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(asObject->IsKindOf(RUNTIME_CLASS(CTestPoint)));
  EXPECT_FALSE(dog.IsKindOf(RUNTIME_CLASS(CTestPuppy)));
  EXPECT_TRUE(RUNTIME_CLASS(CTestPuppy)->IsDerivedFrom(RUNTIME_CLASS(CTestAnimal)));
  EXPECT_FALSE(RUNTIME_CLASS(CTestAnimal)->IsDerivedFrom(RUNTIME_CLASS(CTestPuppy)));
  EXPECT_TRUE(puppy.IsSerializable());
  EXPECT_FALSE(dog.IsSerializable());

  EXPECT_EQ(DYNAMIC_DOWNCAST(CTestDog, asObject), &puppy);
  EXPECT_EQ(DYNAMIC_DOWNCAST(CTestPoint, asObject), nullptr);
  EXPECT_EQ(DYNAMIC_DOWNCAST(CTestDog, static_cast<CObject*>(nullptr)), nullptr);
  EXPECT_EQ(STATIC_DOWNCAST(CTestPuppy, asObject), &puppy);
}

// ---- CCmdTarget reference counting ---------------------------------------------------------------
namespace {
struct CountedTarget : CCmdTarget {
  explicit CountedTarget(std::atomic<int>* finals, std::atomic<int>* deletes) : finals_(finals), deletes_(deletes) {}
  ~CountedTarget() override { ++*deletes_; }
  void OnFinalRelease() override {
    ++*finals_;
    CCmdTarget::OnFinalRelease();
  }
  std::atomic<int>* finals_;
  std::atomic<int>* deletes_;
};

// Keeps the object alive after the last release, to look at the count.
struct KeptTarget : CCmdTarget {
  int finals = 0;
  void OnFinalRelease() override { ++finals; }
};
}  // namespace

TEST(CCmdTarget, ReferenceCountingAcrossThreadsReleasesExactlyOnce) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 20000;
  for (int trial = 0; trial < 5; ++trial) {
    std::atomic<int> finals{0}, deletes{0};
    auto* target = new CountedTarget(&finals, &deletes);
    EXPECT_EQ(target->m_dwRef, 1);
    // Each thread takes one reference up front and drops it at the end, so
    // the last release can happen on any thread.
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) target->InternalAddRef();
    std::atomic<bool> go{false};
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        while (!go) std::this_thread::yield();
        for (int i = 0; i < kRounds; ++i) {
          if ((i + t) % 2) {
            target->InternalAddRef();
            target->InternalRelease();
          } else {
            target->ExternalAddRef();
            target->ExternalRelease();
          }
        }
        target->InternalRelease();
      });
    }
    go = true;
    EXPECT_GE(target->InternalRelease(), 0u);  // the creator's reference
    for (auto& th : threads) th.join();
    EXPECT_EQ(finals, 1);
    EXPECT_EQ(deletes, 1);
  }

  KeptTarget kept;
  EXPECT_EQ(kept.InternalAddRef(), 2u);
  EXPECT_EQ(kept.InternalRelease(), 1u);
  EXPECT_EQ(kept.InternalRelease(), 0u);
  EXPECT_EQ(kept.finals, 1);
  // An extra release neither goes negative nor releases again.
  EXPECT_EQ(kept.InternalRelease(), 0u);
  EXPECT_EQ(kept.m_dwRef, 0);
  EXPECT_EQ(kept.finals, 1);
  EXPECT_TRUE(kept.IsKindOf(RUNTIME_CLASS(CCmdTarget)));
}
