// Interning from eight threads at once while others read codes by index:
// every code gets one index, and reads never see a half-written code.
#include "refdata/code_pools.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "refdata/dbase_tables.h"

namespace gwr {
namespace {

constexpr int threadCount = 8;
constexpr int codesPerThread = 3000;  // crosses several storage chunks
constexpr int sharedCodes = 500;      // interned by every thread

TEST(CodePoolsConcurrency, EightThreadsInternAndReadWithoutRaces) {
  gf_clearDbaseForTests();
  gf_modelIndex("");
  std::atomic<bool> go{false};
  std::vector<std::vector<std::uint16_t>> sharedIndexes(threadCount);
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t) {
    threads.emplace_back([t, &go, &sharedIndexes] {
      while (!go.load()) std::this_thread::yield();
      for (int i = 0; i < codesPerThread; ++i) {
        const std::string own = "T" + std::to_string(t) + "-" + std::to_string(i);
        const std::uint16_t index = gf_modelIndex(own);
        EXPECT_EQ(gf_modelCode(index), own);
        if (i < sharedCodes) sharedIndexes[t].push_back(gf_modelIndex("S" + std::to_string(i)));
        // Read whatever was published last, as the traffic thread does.
        const auto newest = static_cast<std::uint16_t>(modelPool.size() - 1);
        EXPECT_FALSE(gf_modelCode(newest).empty() && newest != 0);
      }
    });
  }
  go.store(true);
  for (auto& thread : threads) thread.join();

  EXPECT_EQ(modelPool.size(), 1U + threadCount * codesPerThread + sharedCodes);
  for (int t = 1; t < threadCount; ++t) EXPECT_EQ(sharedIndexes[t], sharedIndexes[0]);
  std::set<std::string> seen;
  for (std::size_t i = 0; i < modelPool.size(); ++i)
    EXPECT_TRUE(seen.insert(modelPool.code(static_cast<std::uint16_t>(i))).second);
  gf_clearDbaseForTests();
}

} // namespace
} // namespace gwr
