// Interning into the airline and model pools, with the model fixes, and the
// lock-free read of a code by its index.
#include "refdata/code_pools.h"

#include <mutex>
#include <shared_mutex>

#include <fmt/format.h>

#include "core/log.h"

namespace gwr {

CodePool airlinePool{"airline"};
CodePool modelPool{"model"};
std::map<std::string, std::string> modelFixes;

namespace {

const std::string emptyCode;

std::optional<std::string> lf_lookupModelFix(const std::string& code) {
  const auto found = modelFixes.find(code);
  if (found == modelFixes.end()) return std::nullopt;
  return found->second;
}

} // namespace

std::optional<std::uint16_t> CodePool::find(const std::string& code) const {
  std::shared_lock reading(lock);
  const auto found = index.find(code);
  if (found == index.end()) return std::nullopt;
  return found->second;
}

std::uint16_t CodePool::intern(const std::string& code) {
  if (const auto known = find(code)) return *known;
  std::unique_lock writing(lock);
  // Another thread may have added it between the two locks.
  if (const auto found = index.find(code); found != index.end()) return found->second;
  return appendLocked(code);
}

std::uint16_t CodePool::appendLocked(const std::string& code) {
  const std::size_t next = published.load(std::memory_order_relaxed);
  if (next >= maxCodes) {
    if (!fullLogged) {
      fullLogged = true;
      gf_logError(fmt::format("{} code pool is full ({} codes): '{}' and later new codes read as empty", name,
                              maxCodes, code));
    }
    return 0;
  }
  auto& chunk = chunks[next / chunkCodes];
  if (!chunk) chunk = std::make_unique<Chunk>();
  (*chunk)[next % chunkCodes] = code;
  const auto newIndex = static_cast<std::uint16_t>(next);
  index.emplace(code, newIndex);
  // Publishes the text (and a new chunk) to readers that take no lock.
  published.store(next + 1, std::memory_order_release);
  return newIndex;
}

const std::string& CodePool::code(std::uint16_t codeIndex) const {
  if (codeIndex >= published.load(std::memory_order_acquire)) return emptyCode;
  return (*chunks[codeIndex / chunkCodes])[codeIndex % chunkCodes];
}

void CodePool::clearForTests() {
  std::unique_lock writing(lock);
  index.clear();
  for (auto& chunk : chunks) chunk.reset();
  published.store(0, std::memory_order_release);
  fixesOn.store(false);
  fullLogged = false;
}

std::uint16_t gf_airlineIndex(const std::string& code) { return airlinePool.intern(code); }

std::uint16_t gf_modelIndex(const std::string& code) {
  if (const auto known = modelPool.find(code)) return *known;
  if (modelPool.useFixes()) {
    if (const auto corrected = lf_lookupModelFix(code)) {
      if (const auto fixed = modelPool.find(*corrected)) return *fixed;
    }
  }
  return modelPool.intern(code);
}

} // namespace gwr
