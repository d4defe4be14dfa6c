// BSTR allocation: strings of every size class freed and allocated again
// keep their length, text and terminator (the blocks are re-used per
// thread outside sanitizer builds), and strings pass between threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "platform/base/bstr.h"

namespace {

// A string of `bytes` bytes whose contents tell `seed` and each position apart.
BSTR Make(UINT bytes, unsigned seed) {
  std::vector<char> data(bytes);
  for (UINT i = 0; i < bytes; ++i) data[i] = static_cast<char>(seed * 31 + i * 7 + 1);
  return SysAllocStringByteLen(data.empty() ? "" : data.data(), bytes);
}

// Empty when `b` is exactly what Make(bytes, seed) made, else what differs.
std::string Check(BSTR b, UINT bytes, unsigned seed) {
  if (!b) return "null";
  if (SysStringByteLen(b) != bytes)
    return "length " + std::to_string(SysStringByteLen(b)) + " instead of " + std::to_string(bytes);
  const char* p = reinterpret_cast<const char*>(b);
  for (UINT i = 0; i < bytes; ++i)
    if (p[i] != static_cast<char>(seed * 31 + i * 7 + 1)) return "byte " + std::to_string(i) + " differs";
  if (p[bytes] != 0 || p[bytes + 1] != 0) return "not terminated";
  return "";
}

TEST(Bstr, StringsFreedAndAllocatedAgainKeepLengthTextAndTerminator) {
  // Byte lengths around every edge of the blocks kept for re-use (a block
  // holds the 8-byte prefix, the text and a 2-byte terminator), odd ones,
  // and lengths too large to keep.
  std::vector<UINT> lengths = {0,  1,   2,   3,   5,   6,   7,   8,   13,  22,   23,
                               24, 101, 117, 118, 119, 246, 247, 248, 249, 1000, 70000};
  for (UINT edge = 16; edge <= 272; edge += 16)  // blocks of edge - 1, edge and edge + 1 bytes
    for (UINT delta : {0u, 1u, 2u}) lengths.push_back(edge - 11 + delta);
  std::mt19937 random(7);
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Allocate every length, free them in a shuffled order, then allocate
    // them again in another order and fill each completely: a block too
    // small for its string would spoil a neighbour or the heap.
    std::vector<BSTR> first;
    for (size_t i = 0; i < lengths.size(); ++i) first.push_back(Make(lengths[i], static_cast<unsigned>(i)));
    std::vector<size_t> order(lengths.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), random);
    for (size_t i : order) SysFreeString(first[i]);
    std::shuffle(order.begin(), order.end(), random);
    std::vector<BSTR> again(lengths.size());
    for (size_t i : order) again[i] = Make(lengths[i], static_cast<unsigned>(i + 100));
    for (size_t i = 0; i < lengths.size(); ++i)
      EXPECT_EQ(Check(again[i], lengths[i], static_cast<unsigned>(i + 100)), "") << "length " << lengths[i];
    for (BSTR b : again) SysFreeString(b);
  }
  // Reallocating keeps the same guarantees whichever block the text lands in.
  BSTR r = SysAllocString(u"short");
  for (UINT units : {3u, 60u, 61u, 200u, 1u, 0u}) {
    std::u16string text(units, u'q');
    ASSERT_TRUE(SysReAllocStringLen(&r, text.data(), units));
    EXPECT_EQ(std::u16string(r, SysStringLen(r)), text);
    EXPECT_EQ(r[units], 0);
  }
  SysFreeString(r);
#if PV_BSTR_CACHE
  // The block a walk freed serves its next string of the class.
  BSTR a = SysAllocString(u"detail text of row 1");
  const void* block = a;
  SysFreeString(a);
  BSTR b = SysAllocString(u"detail text of row 22");
  EXPECT_EQ(static_cast<const void*>(b), block);
  SysFreeString(b);
#endif
}

TEST(Bstr, StringsPassBetweenThreadsAndEachThreadsBlocksStayItsOwn) {
  // Each thread makes strings, frees half itself and hands the rest to the
  // next thread, which checks and frees them; every thread then ends,
  // giving back what it kept.
  constexpr int kThreads = 8, kRounds = 300;
  struct Mailbox {
    std::mutex lock;
    std::vector<std::pair<BSTR, std::pair<UINT, unsigned>>> strings;
  };
  std::vector<Mailbox> boxes(kThreads);
  std::vector<std::string> errors(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 random(static_cast<unsigned>(t));
      Mailbox& next = boxes[static_cast<size_t>((t + 1) % kThreads)];
      Mailbox& mine = boxes[static_cast<size_t>(t)];
      for (int round = 0; round < kRounds; ++round) {
        for (int k = 0; k < 8; ++k) {
          UINT bytes = random() % 300;
          unsigned seed = static_cast<unsigned>(t * 100000 + round * 10 + k);
          BSTR b = Make(bytes, seed);
          if (k % 2) {
            std::lock_guard<std::mutex> hold(next.lock);
            next.strings.push_back({b, {bytes, seed}});
          } else {
            std::string e = Check(b, bytes, seed);
            if (!e.empty() && errors[static_cast<size_t>(t)].empty()) errors[static_cast<size_t>(t)] = e;
            SysFreeString(b);
          }
        }
        std::vector<std::pair<BSTR, std::pair<UINT, unsigned>>> received;
        {
          std::lock_guard<std::mutex> hold(mine.lock);
          received.swap(mine.strings);
        }
        for (auto& [b, made] : received) {
          std::string e = Check(b, made.first, made.second);
          if (!e.empty() && errors[static_cast<size_t>(t)].empty()) errors[static_cast<size_t>(t)] = e;
          SysFreeString(b);
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  for (Mailbox& box : boxes) {
    for (auto& [b, made] : box.strings) {
      EXPECT_EQ(Check(b, made.first, made.second), "");
      SysFreeString(b);
    }
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(errors[static_cast<size_t>(t)], "") << "thread " << t;
}

}  // namespace
