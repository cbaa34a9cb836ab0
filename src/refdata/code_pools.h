// The two code pools: airline and model code texts interned into 16-bit
// indexes that every thread may add to and read from at the same time.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace gwr {

// A table that gives each distinct code text (case-sensitive, unchanged) a
// 16-bit index, in the order the codes arrive; indexes never change.
//
// Texts live in fixed chunks that are never moved, and the number of codes
// is published with release/acquire, so reading an index already handed out
// takes no lock. Interning takes the map's lock.
class CodePool {
 public:
  static constexpr std::size_t maxCodes = 65536;  // indexes 0..65535
  static constexpr std::size_t chunkCodes = 1024;
  static constexpr std::size_t chunkCount = maxCodes / chunkCodes;

  explicit CodePool(std::string_view poolName) : name(poolName) {}
  CodePool(const CodePool&) = delete;
  CodePool& operator=(const CodePool&) = delete;

  // The index of code, appending it when new. A full pool adds nothing: the
  // code gets index 0 (the empty code) and the first such code is logged.
  std::uint16_t intern(const std::string& code);
  // The index of code when it is pooled.
  std::optional<std::uint16_t> find(const std::string& code) const;

  // The text of an index; the empty text for an index not handed out.
  const std::string& code(std::uint16_t index) const;
  std::size_t size() const { return published.load(std::memory_order_acquire); }

  // The model pool maps codes listed in modelFixes to their corrected code
  // while this is set.
  bool useFixes() const { return fixesOn.load(std::memory_order_acquire); }
  void setUseFixes(bool on) { fixesOn.store(on, std::memory_order_release); }

  // Tests only, with no other thread using the pool: back to empty.
  void clearForTests();

 private:
  using Chunk = std::array<std::string, chunkCodes>;

  std::uint16_t appendLocked(const std::string& code);

  const std::string_view name;
  mutable std::shared_mutex lock;
  std::unordered_map<std::string, std::uint16_t> index;
  std::array<std::unique_ptr<Chunk>, chunkCount> chunks;
  std::atomic<std::size_t> published{0};
  std::atomic<bool> fixesOn{false};
  bool fullLogged = false;
};

extern CodePool airlinePool;
extern CodePool modelPool;

// Wrong model code -> correct (known) model code; filled by the reference
// database reader before any other thread runs, read without a lock after.
extern std::map<std::string, std::string> modelFixes;

std::uint16_t gf_airlineIndex(const std::string& code);
// With the model fixes applied while the pool's useFixes is set: a wrong code
// gives its corrected code's index and is not added itself.
std::uint16_t gf_modelIndex(const std::string& code);

// The code texts of indexes; empty for an index outside the pool.
inline const std::string& gf_airlineCode(std::uint16_t index) { return airlinePool.code(index); }
inline const std::string& gf_modelCode(std::uint16_t index) { return modelPool.code(index); }

} // namespace gwr
