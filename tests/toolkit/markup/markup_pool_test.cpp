// The small-block pool markup objects are made from.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "toolkit/markup/markuppool.h"

namespace {

TEST(MarkupBlockPool, FreedBlocksAreReusedWithinTheirSizeClassOnly) {
  CTKMarkupBlockPool pool;
  struct Case {
    size_t first, second;  // freed at the first size, asked for at the second
    bool reused;
  } cases[] = {
      {40, 40, true},  {33, 48, true},   {48, 33, true},   {1, 16, true},     {0, 1, true},      {48, 49, false},
      {64, 48, false}, {512, 512, true}, {497, 512, true}, {496, 512, false}, {512, 513, false},
  };
  for (const Case& c : cases) {
    void* p = pool.Alloc(c.first);
    pool.Free(p, c.first);
    void* q = pool.Alloc(c.second);
    EXPECT_EQ(q == p, c.reused) << c.first << " then " << c.second;
    pool.Free(q, c.second);
    if (!c.reused) {  // leave no block of the first size behind for the next case
      void* again = pool.Alloc(c.first);
      EXPECT_EQ(again, p);
      pool.Free(again, c.first);
    }
  }
}

TEST(MarkupBlockPool, LiveBlocksNeverOverlapAcrossSlabs) {
  CTKMarkupBlockPool pool;
  // More than a slab's worth of mixed sizes, some freed and asked for
  // again, each filled with its own byte: every byte must still be there.
  struct Block {
    unsigned char* p;
    size_t n;
  };
  std::vector<Block> live;
  const size_t sizes[] = {8, 24, 40, 56, 100, 200, 512, 700};
  for (int i = 0; i < 3000; i++) {
    size_t n = sizes[i % 8];
    auto* p = static_cast<unsigned char*>(pool.Alloc(n));
    ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u) << "blocks are 16-byte aligned";
    std::memset(p, i & 0xFF, n);
    live.push_back({p, n});
    if (i % 5 == 4) {  // free one from the middle now and then
      Block b = live[live.size() / 2];
      live.erase(live.begin() + live.size() / 2);
      pool.Free(b.p, b.n);
    }
  }
  std::set<unsigned char*> starts;
  for (const Block& b : live) {
    EXPECT_TRUE(starts.insert(b.p).second);
    unsigned char v = b.p[0];
    for (size_t k = 1; k < b.n; k++) ASSERT_EQ(b.p[k], v) << "a block was overwritten";
  }
  for (const Block& b : live) pool.Free(b.p, b.n);
}

TEST(MarkupBlockPool, ContainersOverThePoolWork) {
  std::vector<int, MarkupPoolAllocator<int>> v;
  for (int i = 0; i < 1000; i++) v.push_back(i);  // grows past the pooled sizes
  long sum = 0;
  for (int x : v) sum += x;
  EXPECT_EQ(sum, 999L * 1000 / 2);
}

}  // namespace
