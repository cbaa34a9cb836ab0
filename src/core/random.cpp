// The per-thread random engine, seeded on first use, and the random choices
// made with it.
#include "core/random.h"

#include "core/settings_catalogue.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace gwr {

namespace {

std::mt19937 lf_seededEngine() {
  const auto nanoseconds = static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
  const auto threadHash = std::hash<std::thread::id>{}(std::this_thread::get_id());
  std::seed_seq seed{static_cast<std::uint32_t>(std::random_device{}()),
                     static_cast<std::uint32_t>(nanoseconds & 0xFFFFFFFFU),
                     static_cast<std::uint32_t>(nanoseconds >> 32U),
                     static_cast<std::uint32_t>(threadHash & 0xFFFFFFFFU)};
  return std::mt19937(seed);
}

} // namespace

std::mt19937& gf_threadRandomEngine() {
  thread_local std::mt19937 threadRandomEngine = lf_seededEngine();
  return threadRandomEngine;
}

std::size_t gf_randomIndex(std::size_t n) {
  if (!RANDOM.current() || n < 2) return 0;
  std::uniform_int_distribution<std::size_t> distribution(0, n - 1);
  return distribution(gf_threadRandomEngine());
}

void gf_shuffle(std::vector<std::uint16_t>& modelIndexes) {
  if (!RANDOM.current() || modelIndexes.size() < 2) return;
  std::shuffle(modelIndexes.begin(), modelIndexes.end(), gf_threadRandomEngine());
}

double gf_randomVariation(double value, double percent) {
  const double sign = (gf_threadRandomEngine()() & 1U) == 0 ? 1.0 : -1.0;
  if (percent <= 0.0) return value;
  return value + sign * value * percent / 100.0;
}

} // namespace gwr
