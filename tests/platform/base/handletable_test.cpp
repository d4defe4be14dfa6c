// Generation-tagged handles: a removed object's handle never finds another
// object, whichever slot or address the later object gets.
#include "platform/base/handletable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/base/lasterror.h"
#include "platform/base/threads.h"

namespace {

using pv::detail::HandleTable;
using pv::detail::HandleTag;
using pv::detail::kHandleIndexMask;

size_t SlotOf(uintptr_t h) { return h & kHandleIndexMask; }

TEST(HandleTable, AStaleHandleStaysStaleWhenItsSlotIsReused) {
  HandleTable<int> table(HandleTag::Gdi);
  table.SetReuseLastFreedForTesting(true);
  int a = 1, b = 2;
  uintptr_t ha = table.Add(&a);
  ASSERT_NE(ha, 0u);
  EXPECT_EQ(table.Find(ha), &a);
  EXPECT_TRUE(table.Remove(ha));
  // The same object, even at the same address, comes back under a new handle.
  uintptr_t again = table.Add(&a);
  EXPECT_EQ(SlotOf(again), SlotOf(ha)) << "the slot is reused";
  EXPECT_NE(again, ha);
  EXPECT_EQ(table.Find(ha), nullptr);
  EXPECT_FALSE(table.Remove(ha));
  EXPECT_EQ(table.Find(again), &a);
  EXPECT_TRUE(table.Remove(again));
  uintptr_t hb = table.Add(&b);
  EXPECT_EQ(SlotOf(hb), SlotOf(ha));
  EXPECT_EQ(table.Find(ha), nullptr);
  EXPECT_EQ(table.Find(again), nullptr);
  EXPECT_EQ(table.Find(hb), &b);
  EXPECT_EQ(table.Live(), 1u);
}

TEST(HandleTable, FreedSlotsWaitBeforeTheyAreReused) {
  HandleTable<int> table(HandleTag::Gdi);
  int x = 0;
  uintptr_t first = table.Add(&x);
  table.Remove(first);
  std::vector<uintptr_t> later;
  for (size_t i = 0; i < pv::detail::kHandleReuseSlack; ++i) later.push_back(table.Add(&x));
  for (uintptr_t h : later) EXPECT_NE(SlotOf(h), SlotOf(first));
}

TEST(HandleTable, ASlotWithNoGenerationLeftIsRetired) {
  HandleTable<int> table(HandleTag::Gdi);
  table.SetReuseLastFreedForTesting(true);
  int x = 0;
  table.Remove(table.Add(&x));
  table.SetNextGenerationForTesting(pv::detail::kHandleGenMax);
  uintptr_t last = table.Add(&x);
  EXPECT_TRUE(table.Remove(last));
  uintptr_t next = table.Add(&x);
  EXPECT_NE(SlotOf(next), SlotOf(last)) << "the last generation's slot is never given again";
  EXPECT_EQ(table.Find(last), nullptr);
}

TEST(HandleTable, MadeUpAndForeignValuesAreRefused) {
  HandleTable<int> gdi(HandleTag::Gdi);
  HandleTable<int> kernel(HandleTag::Kernel);
  int x = 0;
  uintptr_t h = gdi.Add(&x);
  uintptr_t k = kernel.Add(&x);
  EXPECT_EQ(SlotOf(h), SlotOf(k));
  EXPECT_NE(h, k);
  EXPECT_EQ(kernel.Find(h), nullptr) << "another table's handle";
  EXPECT_EQ(gdi.Find(k), nullptr);
  const uintptr_t madeUp[] = {0,
                              1,
                              0x10,
                              static_cast<uintptr_t>(-1),
                              reinterpret_cast<uintptr_t>(&x),
                              h + 1,
                              h ^ (uintptr_t{1} << pv::detail::kHandleIndexBits),
                              h | (uintptr_t{1} << 63)};
  for (uintptr_t v : madeUp) {
    EXPECT_EQ(gdi.Find(v), nullptr) << std::hex << v;
    EXPECT_FALSE(gdi.Remove(v)) << std::hex << v;
  }
  EXPECT_EQ(gdi.Find(h), &x);
  EXPECT_GT(static_cast<intptr_t>(h), 0x10000) << "never null, a small integer or negative";
}

// Tests leave the kernel table as they found it.
struct KernelSlotReuse {
  KernelSlotReuse() { pv::SetHandleReuseLastFreedForTesting(true); }
  ~KernelSlotReuse() { pv::SetHandleReuseLastFreedForTesting(false); }
};

TEST(HandleTable, AClosedKernelHandleNeverReachesTheNextObject) {
  KernelSlotReuse reuse;
  HANDLE first = CreateEvent(nullptr, TRUE, TRUE, nullptr);
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(CloseHandle(first));
  HANDLE second = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(SlotOf(reinterpret_cast<uintptr_t>(second)), SlotOf(reinterpret_cast<uintptr_t>(first)));
  EXPECT_NE(second, first);
  // Every entry point refuses the closed handle; the new event is untouched.
  EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_FAILED);
  EXPECT_FALSE(SetEvent(first));
  EXPECT_FALSE(ResetEvent(first));
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(first));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(WaitForSingleObject(second, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "not set through the old handle";
  EXPECT_TRUE(CloseHandle(second));
}

}  // namespace
